// UTF-8 sequences at the edges of each length and range, and the Windows-1252 table.
#include "chain/character_sets.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

namespace {

TEST(Utf8SequenceAtTest, EdgesOfEveryRange) {
    struct Case {
        std::string bytes;
        std::size_t length;
        char32_t codePoint;
    };
    const Case cases[] = {
        {"A", 0, 0},
        {"\x80", 0, 0},
        {"\xc1\xbf", 0, 0},
        {"\xc2\x80", 2, 0x80},
        {"\xdf\xbf", 2, 0x7ff},
        {"\xe0\x9f\xbf", 0, 0},
        {"\xe0\xa0\x80", 3, 0x800},
        {"\xed\x9f\xbf", 3, 0xd7ff},
        {"\xed\xa0\x80", 0, 0},
        {"\xed\xbf\xbf", 0, 0},
        {"\xee\x80\x80", 3, 0xe000},
        {"\xef\xbf\xbd", 3, 0xfffd},
        {"\xef\xbf\xbe", 0, 0},
        {"\xef\xbf\xbf", 0, 0},
        {"\xf0\x8f\xbf\xbf", 0, 0},
        {"\xf0\x90\x80\x80", 4, 0x10000},
        {"\xf4\x8f\xbf\xbf", 4, 0x10ffff},
        {"\xf4\x90\x80\x80", 0, 0},
        {"\xf8\x88\x80\x80\x80", 0, 0},
        {"\xc3\xa9\xa9", 2, 0xe9},
        {"\xe2\x82", 0, 0},
        {"\xe2\x82\x41", 0, 0},
        {"\xe2\xc2\xac", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        char32_t codePoint = 0;
        EXPECT_EQ(c.length, utf8SequenceAt(c.bytes, 0, codePoint));
        EXPECT_EQ(c.codePoint, codePoint);
    }
}

TEST(Utf8SequenceAtTest, EncodedCodePointsReadBack) {
    for (const char32_t codePoint :
         {0x80u, 0xe9u, 0x7ffu, 0x800u, 0x20acu, 0xfffdu, 0x10000u, 0x1f600u, 0x10ffffu}) {
        SCOPED_TRACE(static_cast<std::uint32_t>(codePoint));
        char bytes[4];
        const std::size_t length = encodeUtf8(codePoint, bytes);
        char32_t read = 0;
        EXPECT_EQ(length, utf8SequenceAt(std::string_view(bytes, length), 0, read));
        EXPECT_EQ(codePoint, read);
    }
}

TEST(Windows1252CharacterTest, DefinedAndUndefinedBytes) {
    EXPECT_EQ(0x20acu, windows1252Character(0x80));
    EXPECT_EQ(0x201cu, windows1252Character(0x93));
    EXPECT_EQ(0x0178u, windows1252Character(0x9f));
    for (const unsigned char undefined : {0x81, 0x8d, 0x8f, 0x90, 0x9d}) {
        EXPECT_EQ(undefined, windows1252Character(undefined));
    }
    EXPECT_EQ(0xa0u, windows1252Character(0xa0));
    EXPECT_EQ(0xe9u, windows1252Character(0xe9));
}

} // namespace
