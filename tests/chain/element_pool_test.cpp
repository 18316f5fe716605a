// The batch arena never hands out memory still held by an element.
#include "chain/element_pool.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

// The arena is driven as the parse pass drives it, batches written in a random rhythm behind;
// every block still held keeps the bytes written into it.
TEST(BatchArenaTest, ReusesOnlyChunksOfWrittenBatches) {
    struct Held {
        unsigned char* bytes;
        std::size_t size;
        std::size_t batch;
        unsigned char fill;
    };
    std::mt19937 random(7);
    elementPool::BatchArena arena;
    std::vector<Held> held;
    std::size_t batch = 0;
    std::size_t written = 0;
    int batchEnd = 1;
    for (int step = 0; step < 300000; ++step) {
        const std::size_t size = 24 + random() % 200;
        auto* bytes = static_cast<unsigned char*>(arena.carve(size));
        const auto fill = static_cast<unsigned char>(random());
        std::memset(bytes, fill, size);
        held.push_back({bytes, size, batch, fill});
        // Batches of one block to several chunks' worth.
        if (step == batchEnd) {
            batchEnd = step + 1 + static_cast<int>(random() % 6000);
            // The block made last belongs to the new batch, as a variable that starts it does.
            held.back().batch = ++batch;
            arena.startBatch();
        }
        if (written + 3 < batch || random() % 1000 == 0) {
            written = std::min(batch, written + 1 + random() % 2);
            for (const Held& block : held) {
                if (block.batch >= written) continue;
                for (std::size_t i = 0; i < block.size; ++i) {
                    ASSERT_EQ(block.fill, block.bytes[i]) << "batch " << block.batch;
                }
            }
            arena.batchesWritten(written);
            held.erase(std::remove_if(held.begin(), held.end(),
                                      [&](const Held& block) { return block.batch < written; }),
                       held.end());
        }
    }
    for (const Held& block : held) {
        for (std::size_t i = 0; i < block.size; ++i) ASSERT_EQ(block.fill, block.bytes[i]);
    }
}

} // namespace
