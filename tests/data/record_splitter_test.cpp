// Records split at their line ends, from bytes in memory and from a stream read in blocks.
#include "vqz2xml/data.hpp"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> splitInMemory(std::string_view data) {
    vqz2xml::RecordSplitter splitter(data);
    std::vector<std::string> records;
    std::string_view record;
    while (splitter.next(record)) records.emplace_back(record);
    EXPECT_EQ(splitter.line(), records.size());
    EXPECT_EQ(vqz2xml::countRecords(data), records.size());
    return records;
}

std::vector<std::string> splitStream(const std::string& data, std::size_t block) {
    std::istringstream in(data);
    vqz2xml::RecordStream stream(in, block);
    std::vector<std::string> records;
    std::string_view record;
    while (stream.next(record)) records.emplace_back(record);
    EXPECT_FALSE(stream.failed());
    EXPECT_EQ(stream.bytesRead(), data.size());
    return records;
}

using Records = std::vector<std::string>;

TEST(RecordSplitterTest, LineEnds) {
    const struct {
        const char* what;
        std::string data;
        Records records;
    } cases[] = {
        {"LF", "a\nb\n", {"a", "b"}},
        {"CR LF", "a\r\nb\r\n", {"a", "b"}},
        {"lone CR", "a\rb", {"a", "b"}},
        {"LF CR is two ends", "a\n\rb", {"a", "", "b"}},
        {"last line without its end", "a\nbc", {"a", "bc"}},
        {"empty lines are records", "\n\r\n\n", {"", "", ""}},
        {"nothing", "", {}},
        {"a CR before CR LF", "a\r\r\n", {"a", ""}},
        // The stream's last byte a CR at a block's end, before the stream knows it has ended.
        {"a CR ending a block and the data", std::string(15, 'x') + "\r", {std::string(15, 'x')}},
        {"a CR ending the data", "a\n" + std::string(29, 'x') + "\r", {"a", std::string(29, 'x')}},
        {"long lines",
         std::string(40, 'x') + "\n" + std::string(17, 'y'),
         {std::string(40, 'x'), std::string(17, 'y')}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(splitInMemory(c.data), c.records) << c.what;
        // Blocks of every size put each line end, CR LF's halves included, at a block's edge.
        for (std::size_t block = 1; block <= 20; ++block) {
            EXPECT_EQ(splitStream(c.data, block), c.records) << c.what << ", blocks of " << block;
        }
    }
}

} // namespace
