// Big blocks of memory straight from the system, in huge pages where the system offers them.
#pragma once

#include <cstddef>

// The input and the element slabs of a big file run to hundreds of megabytes; taking them from
// the system in huge pages saves a page fault for every four kilobytes touched. The bytes start
// out undefined.
class PageBuffer {
  public:
    PageBuffer() noexcept = default;
    // Throws std::bad_alloc when the memory cannot be had.
    explicit PageBuffer(std::size_t size);
    ~PageBuffer();
    PageBuffer(PageBuffer&& other) noexcept;
    PageBuffer& operator=(PageBuffer&& other) noexcept;
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;

    char* data() const { return bytes; }
    std::size_t size() const { return length; }
    // Twice the size (64 KB at the least), the first `kept` bytes kept. Throws std::bad_alloc.
    void grow(std::size_t kept);

  private:
    void release() noexcept;
    // Pages straight from the system, or null when it has none to give; and their return. Each
    // system has its own.
    static char* systemPages(std::size_t size) noexcept;
    static void returnSystemPages(char* pages, std::size_t size) noexcept;

    char* bytes = nullptr;
    std::size_t length = 0;
    bool mapped = false; // from the system rather than the heap
};
