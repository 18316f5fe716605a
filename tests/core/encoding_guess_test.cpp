// The encoding guessed from an input's bytes, and the UTF-8 check behind it.
#include "core/encoding_guess.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using vqz2xml::Encoding;

TEST(GuessEncodingTest, DecidesByMarkValidityAndWindowsBytes) {
    struct Case {
        std::string name, bytes;
        Encoding encoding;
    };
    const Case cases[] = {
        {"empty", "", Encoding::Latin1},
        {"ASCII alone", "VQZ VERSION 1.1", Encoding::Latin1},
        {"mark alone", "\xef\xbb\xbf", Encoding::Utf8},
        {"mark before Latin-1 bytes",
         "\xef\xbb\xbf"
         "caf\xe9",
         Encoding::Utf8},
        {"UTF-8 letter", "caf\xc3\xa9", Encoding::Utf8},
        {"UTF-8 euro, whose bytes lie in 0x80-0x9F", "\xe2\x82\xac", Encoding::Utf8},
        {"four-byte sequence at the very end", "x\xf0\x9f\x98\x80", Encoding::Utf8},
        {"Latin-1 letter", "caf\xe9", Encoding::Latin1},
        {"Latin-1 letter after a UTF-8 one", "\xc3\xa9 caf\xe9", Encoding::Latin1},
        {"Windows quotes", "\x93quoted\x94", Encoding::Cp1252},
        {"Windows byte after a UTF-8 letter", "\xc3\xa9 \x80", Encoding::Cp1252},
        {"Windows byte inside a broken sequence", "\xe2\x82", Encoding::Cp1252},
        {"sequence cut by the end", "caf\xc3", Encoding::Latin1},
        {"overlong form", "\xc0\xaf", Encoding::Latin1},
        {"surrogate", "\xed\xa0\x80", Encoding::Cp1252},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.encoding, guessEncoding(c.bytes));
    }
}

TEST(IsValidUtf8Test, AcceptsWhatTheConverterReadsAsCharacters) {
    struct Case {
        std::string bytes;
        bool valid;
    };
    const Case cases[] = {{"", true},
                          {"plain", true},
                          {"caf\xc3\xa9", true},
                          {"caf\xe9", false},
                          {"cut \xc3", false},
                          {"\xef\xbf\xbd", true},
                          {"\xef\xbf\xbf", false},
                          {"\x80 stray", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(c.valid, isValidUtf8(c.bytes));
    }
}

// Plain ASCII is passed over in blocks: a sequence, or a broken one, is found at any offset of a
// long input, the last byte included.
TEST(IsValidUtf8Test, FindsEveryByteOfALongInput) {
    for (std::size_t at = 0; at < 100; ++at) {
        SCOPED_TRACE(at);
        std::string text(100, 'a');
        text.replace(at, 1, "\xe9");
        EXPECT_FALSE(isValidUtf8(text));
        EXPECT_FALSE(looksLikeUtf8(text));
        if (at + 2 > text.size()) continue;
        text.replace(at, 2, "\xc3\xa9");
        EXPECT_TRUE(looksLikeUtf8(text));
    }
    EXPECT_FALSE(looksLikeUtf8(std::string(100, 'a')));
}

} // namespace
