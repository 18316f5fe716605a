// Storage for elements: a big file makes millions of small ones, all alive until the write pass.
#pragma once

#include <cstddef>

// Hands out element-sized blocks of memory from large slabs, one free list per size, so an
// element costs neither a trip to the general heap nor a heap header. Each thread has its own
// pool; when its last element is gone the slabs go back to the heap.
namespace elementPool {

void* allocate(std::size_t size);
void release(void* block, std::size_t size) noexcept;

} // namespace elementPool
