// Storage for elements: a big file makes millions of small ones, all alive until the write pass.
#include "chain/element_pool.h"

#include <array>
#include <memory>
#include <new>
#include <vector>

namespace elementPool {
namespace {

constexpr std::size_t granule = 16;
constexpr std::size_t largestPooled = 256;
constexpr std::size_t slabSize = 1 << 16;

struct FreeBlock {
    FreeBlock* next;
};

class Pool {
  public:
    void* allocate(std::size_t size) {
        const std::size_t sizeClass = (size + granule - 1) / granule;
        ++live;
        if (FreeBlock* block = freeLists[sizeClass]) {
            freeLists[sizeClass] = block->next;
            return block;
        }
        const std::size_t rounded = sizeClass * granule;
        if (slabs.empty() || slabUsed + rounded > slabSize) {
            slabs.emplace_back(::operator new(slabSize));
            slabUsed = 0;
        }
        void* block = static_cast<unsigned char*>(slabs.back().get()) + slabUsed;
        slabUsed += rounded;
        return block;
    }

    void release(void* block, std::size_t size) noexcept {
        const std::size_t sizeClass = (size + granule - 1) / granule;
        freeLists[sizeClass] = new (block) FreeBlock{freeLists[sizeClass]};
        if (--live == 0) clear();
    }

  private:
    // Slabs are raw memory, as aligned as the heap's: nothing is zeroed that an element fills.
    struct SlabDeleter {
        void operator()(void* slab) const noexcept { ::operator delete(slab); }
    };

    void clear() noexcept {
        slabs.clear();
        slabUsed = 0;
        freeLists.fill(nullptr);
    }

    std::vector<std::unique_ptr<void, SlabDeleter>> slabs;
    std::size_t slabUsed = 0;
    std::size_t live = 0;
    std::array<FreeBlock*, largestPooled / granule + 1> freeLists{};
};

Pool& threadPool() {
    thread_local Pool pool;
    return pool;
}

} // namespace

void* allocate(std::size_t size) {
    if (size > largestPooled) return ::operator new(size);
    return threadPool().allocate(size);
}

void release(void* block, std::size_t size) noexcept {
    if (size > largestPooled) {
        ::operator delete(block);
        return;
    }
    threadPool().release(block, size);
}

} // namespace elementPool
