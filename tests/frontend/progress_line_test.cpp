// The progress line's byte counts: rounded down, so a run never shows more done than it did.
#include "frontend/progress_line.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(ProgressLineTest, CountsBytesAsPeopleReadThem) {
    struct Case {
        std::uint64_t bytes;
        std::string text;
    };
    const Case cases[] = {
        {0, "0 B"},
        {999, "999 B"},
        {1000, "1.0 kB"},
        {1999, "1.9 kB"},
        {9999, "9.9 kB"},
        {10000, "10 kB"},
        {999999, "999 kB"},
        {1000000, "1.0 MB"},
        {2147483648, "2.1 GB"},
        {std::numeric_limits<std::uint64_t>::max(), "18 EB"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text, byteCount(c.bytes)) << c.bytes;
}

TEST(ProgressLineTest, ShowsTheWholeWhenItIsKnown) {
    EXPECT_EQ("vqz2xml: 1/3 files, 1 faulty, 1.5 MB of 2.0 GB",
              progressLine({1, 3, 1, 1500000, std::uint64_t{2000000000}}));
    EXPECT_EQ("vqz2xml: 0/1 files, 0 faulty, 12 kB", progressLine({0, 1, 0, 12345, std::nullopt}));
    // An input that grew after its size was taken.
    EXPECT_EQ("vqz2xml: 1/1 files, 0 faulty, 10 kB of 10 kB",
              progressLine({1, 1, 0, 12000, std::uint64_t{10000}}));
}

} // namespace
