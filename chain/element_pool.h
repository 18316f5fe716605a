// Storage for elements: a big file makes millions of small ones.
#pragma once

#include "platform/compiler.h"

#include <cstddef>
#include <deque>
#include <vector>

// Hands out element-sized blocks of memory from large slabs, one free list per size, so an
// element costs neither a trip to the general heap nor a heap header. Each thread has its own
// pool; when its last element is gone the slabs go back to the heap.
namespace elementPool {

void* allocate(std::size_t size);
void release(void* block, std::size_t size) noexcept;
// Whether releasing an element on the calling thread does nothing, its memory going with a
// batch arena's chunk (see `BatchArena::Use` and `BatchArena::Writing`).
bool releasesKept() noexcept;

// Storage for the elements of one conversion whose chain is written in batches on another
// thread. Blocks are carved in order from chunks and never freed one by one, so the writer's
// thread never hands a block back and the parse pass never waits on a block the other processor
// last touched: a chunk is reused whole once every batch with an element in it is written.
// Only the thread the arena is used on may carve from it. The arena has cache lines of its own:
// its cursor moves with every element made, and a line shared with what the writer's thread
// writes (its output, say, often a neighbour on the stack) would stall every carve.
class alignas(64) BatchArena { // 64 bytes: a cache line
  public:
    BatchArena();
    ~BatchArena();
    BatchArena(const BatchArena&) = delete;
    BatchArena& operator=(const BatchArena&) = delete;

    // Elements made from now on belong to the next batch. The element made last before this
    // call may belong to it too: its chunk is kept until that batch is written as well.
    void startBatch();
    // The first `count` batches are written and their elements destroyed.
    void batchesWritten(std::size_t count);
    void* carve(std::size_t size) {
        const std::size_t rounded = (size + alignof(void*) - 1) & ~(alignof(void*) - 1);
        if (static_cast<std::size_t>(limit - cursor) < rounded) takeChunk(rounded);
        void* const block = cursor;
        cursor += rounded;
        // The chunk's next lines were last written by the other thread, if at all: ask for them
        // early, to be written.
        compiler::prefetchToWrite(cursor + 192);
        return block;
    }

    // While a `Use` lives, the calling thread's elements come from the arena and releasing one
    // does nothing: its memory goes with its chunk.
    class Use {
      public:
        explicit Use(BatchArena& arena);
        ~Use();
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;
    };
    // While a `Writing` lives, releasing an element on the calling thread does nothing: the
    // writer's thread destroys elements that the arena of another thread holds.
    class Writing {
      public:
        Writing();
        ~Writing();
        Writing(const Writing&) = delete;
        Writing& operator=(const Writing&) = delete;
    };

  private:
    struct Chunk;
    // Makes a chunk with room for `size` bytes the one carved from.
    void takeChunk(std::size_t size);

    char* cursor = nullptr; // where the next block is carved
    char* limit = nullptr;  // the end of the chunk carved from
    std::vector<Chunk> chunks;
    std::deque<std::size_t> busy;   // chunks with elements, in the order they were taken
    std::vector<std::size_t> spare; // chunks free for reuse
    std::size_t current = 0;        // the chunk carved from; chunks.size() when none
    std::size_t batch = 0;          // the batch elements now made belong to
    std::size_t written = 0;        // batches written
};

} // namespace elementPool
