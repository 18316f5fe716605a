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

} // namespace
