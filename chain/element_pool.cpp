// Storage for elements: a big file makes millions of small ones.
#include "chain/element_pool.h"

#include "platform/page_buffer.h"

#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace elementPool {
namespace {

// Under AddressSanitizer every element comes from the heap itself, so that a use after free
// or a leaked element is seen rather than hidden in a slab.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool pooled = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool pooled = false;
#else
constexpr bool pooled = true;
#endif
#else
constexpr bool pooled = true;
#endif

constexpr std::size_t granule = alignof(void*);
constexpr std::size_t largestPooled = 256;
constexpr std::size_t firstSlabSize = std::size_t{1} << 16;
constexpr std::size_t largestSlabSize = std::size_t{1} << 25;

struct FreeBlock {
    FreeBlock* next;
};

class Pool {
  public:
    void* allocate(std::size_t size) {
        const std::size_t sizeClass = (size + granule - 1) / granule;
        if (FreeBlock* block = freeLists[sizeClass]) {
            freeLists[sizeClass] = block->next;
            ++live;
            return block;
        }
        const std::size_t rounded = sizeClass * granule;
        if (slabs.empty() || slabUsed + rounded > slabs.back().size()) {
            // Slabs grow with the document: small ones for a small file, huge pages for a big one.
            slabs.emplace_back(slabs.empty() ? firstSlabSize
                                             : std::min(2 * slabs.back().size(), largestSlabSize));
            slabUsed = 0;
        }
        void* block = slabs.back().data() + slabUsed;
        slabUsed += rounded;
        ++live; // counted only once the block is had: a slab that could not be made adds none
        return block;
    }

    // True when the block was the last one out: the pool then holds nothing worth keeping.
    bool release(void* block, std::size_t size) noexcept {
        const std::size_t sizeClass = (size + granule - 1) / granule;
        freeLists[sizeClass] = new (block) FreeBlock{freeLists[sizeClass]};
        return --live == 0;
    }

  private:
    std::vector<PageBuffer> slabs;
    std::size_t slabUsed = 0;
    std::size_t live = 0;
    std::array<FreeBlock*, largestPooled / granule + 1> freeLists{};
};

// Each thread's pool lives while it has elements out and goes with its last one. The thread's
// own variable is a plain pointer: a thread-local object with a destructor of its own is run at
// thread exit by the runtime, which some toolchains (static MinGW builds) get wrong.
thread_local Pool* ownPool = nullptr;

Pool& threadPool() {
    if (!ownPool) ownPool = std::make_unique<Pool>().release();
    return *ownPool;
}

// Where the calling thread's elements come from and go to, when not its own pool.
thread_local BatchArena* carvingArena = nullptr;
thread_local bool keepsReleases = false;

constexpr std::size_t chunkSize = std::size_t{1} << 18;

} // namespace

struct BatchArena::Chunk {
    PageBuffer bytes;
    std::size_t lastBatch; // the last batch with an element here
};

BatchArena::BatchArena() = default;

BatchArena::~BatchArena() = default;

void BatchArena::startBatch() {
    ++batch;
    if (current < chunks.size()) chunks[current].lastBatch = batch;
}

void BatchArena::batchesWritten(std::size_t count) {
    if (count > written) written = count;
    // Chunks were taken in turn, so the batches they hold never decrease along the list.
    while (!busy.empty() && busy.front() != current && chunks[busy.front()].lastBatch < written) {
        spare.push_back(busy.front());
        busy.pop_front();
    }
}

void BatchArena::takeChunk(std::size_t size) {
    if (size > chunkSize) throw std::bad_alloc(); // elements are far smaller
    const bool reused = !spare.empty();
    if (!reused) chunks.push_back({PageBuffer(chunkSize), batch});
    const std::size_t taken = reused ? spare.back() : chunks.size() - 1;
    busy.push_back(taken); // should this throw, nothing has changed but a chunk made in vain
    if (reused) spare.pop_back();
    current = taken;
    chunks[current].lastBatch = batch;
    cursor = chunks[current].bytes.data();
    limit = cursor + chunkSize;
}

BatchArena::Use::Use(BatchArena& arena) {
    carvingArena = &arena;
    keepsReleases = true;
}

BatchArena::Use::~Use() {
    carvingArena = nullptr;
    keepsReleases = false;
}

BatchArena::Writing::Writing() { keepsReleases = true; }

BatchArena::Writing::~Writing() { keepsReleases = false; }

void* allocate(std::size_t size) {
    if (!pooled || size > largestPooled) return ::operator new(size);
    if (carvingArena) return carvingArena->carve(size);
    return threadPool().allocate(size);
}

bool releasesKept() noexcept { return pooled && keepsReleases; }

void release(void* block, std::size_t size) noexcept {
    if (!pooled || size > largestPooled) {
        ::operator delete(block);
        return;
    }
    if (keepsReleases) return;
    if (threadPool().release(block, size)) {
        const std::unique_ptr<Pool> emptied(std::exchange(ownPool, nullptr)); // its slabs go too
    }
}

} // namespace elementPool
