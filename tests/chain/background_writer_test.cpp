// The write pass on its own thread: the same bytes as written along the parse pass, and an arena
// that never hands out memory still held by an element.
#include "chain/element_pool.h"
#include "frontend/conversion.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

// A variable of each kind, with brace codes, notes and a code list; `version` 0 leaves out the
// positions, which version 1.0 computes.
std::string variable(int number, int version, std::mt19937& random) {
    const std::string id = std::to_string(number);
    std::string text = "VARIABLE " + id + "\n NAME \"Q" + id + "\"\n LABEL \"caf{e9} {nl} <" + id +
                       "> & more\"\n";
    if (random() % 7 == 0) text += "<a note {with} \"quotes\">\nNOTE \"and -- one more\"\n";
    switch (random() % 3) {
    case 0:
        text += " TYPE SINGLE\n";
        if (version == 1) text += " POSITION " + id + " TO " + std::to_string(number + 2) + "\n";
        text += " VALUES\n  1 TO 9 WITH\n";
        for (unsigned code = 1; code < 2 + random() % 12; ++code) {
            text += "  " + std::to_string(code) + " \"Code {3c}" + std::to_string(code) + "\"\n";
        }
        text += " END VALUES\n";
        break;
    case 1:
        text += " TYPE QUANTITY\n";
        if (version == 1) text += " POSITION " + id + "\n";
        text += " SIZE 4\n";
        break;
    default:
        text += " TYPE character\n";
        if (version == 1) text += " POSITION " + id + " TO " + std::to_string(number + 9) + "\n";
        text += " SIZE 10\n";
        break;
    }
    return text + "END VARIABLE\n";
}

// A survey of `variables` variables; `variables` of them with `huge` codes at `hugeAt`.
std::string survey(int variables, int version, int hugeAt = -1, int huge = 0) {
    std::mt19937 random(static_cast<unsigned>(variables * 3 + version));
    std::string text = "VQZ VERSION 1." + std::to_string(version) +
                       "\nNOTE \"head\"\nSURVEY TITLE \"t\" RECORD A\n";
    for (int number = 1; number <= variables; ++number) {
        if (number == hugeAt) {
            text += "VARIABLE " + std::to_string(number) +
                    " NAME \"big\" LABEL \"l\" TYPE SINGLE POSITION 1 VALUES\n";
            for (int code = 0; code < huge; ++code) text += "7 \"x{e9}\"\n";
            text += "END VALUES END VARIABLE\n";
        } else {
            text += variable(number, version, random);
        }
    }
    return text + "END RECORD END SURVEY END VQZ\n";
}

Conversion converted(const std::string& input, bool background) {
    ConversionOptions options;
    options.writeInBackground = background;
    return convertText(input, options);
}

TEST(BackgroundWriterTest, WritesTheSameBytesAsTheParsePass) {
    struct Case {
        std::string name;
        std::string input;
    };
    const std::string v11 = survey(12000, 1);
    const std::string v10 = survey(12000, 0);
    const std::string withHuge = survey(9000, 1, 4000, 200000);
    const Case cases[] = {
        {"version 1.1", v11},
        {"version 1.0", v10},
        {"one variable bigger than many batches", withHuge},
        // Faulty: at the very end, deep inside the document, and in the middle of a code list.
        {"cut at the end", v11.substr(0, v11.size() - 4)},
        {"error deep inside", v11.substr(0, v11.size() * 2 / 3) + "BOGUS\n" + v11},
        {"error in the big list", withHuge.substr(0, withHuge.size() / 2) + "\nEND VARIABLE"},
        {"version 1.0, error late", v10.substr(0, v10.size() - 300) + " TYPE BOGUS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_GT(c.input.size(), std::size_t{1} << 20); // big enough for a second thread
        const Conversion along = converted(c.input, false);
        const Conversion behind = converted(c.input, true);
        EXPECT_EQ(along.complete, behind.complete);
        EXPECT_TRUE(along.xml == behind.xml) << "the XML differs";
        ASSERT_EQ(along.diagnostic.has_value(), behind.diagnostic.has_value());
        if (along.diagnostic) {
            EXPECT_EQ(along.diagnostic->line, behind.diagnostic->line);
            EXPECT_EQ(along.diagnostic->column, behind.diagnostic->column);
            EXPECT_EQ(along.diagnostic->found, behind.diagnostic->found);
        }
    }
}

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
