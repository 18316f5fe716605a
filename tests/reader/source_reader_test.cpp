// The scanners of the source reader: keywords, quoted and angle texts, letters, digits and numbers.
#include "reader/source_reader.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// Where a scan left the reader: the rest of the input from there on.
std::string rest(const std::string& input, const SourceReader& reader) {
    return input.substr(reader.position());
}

TEST(SourceReaderTest, MatchKeywordFoldsCaseAndMatchesPrefixes) {
    struct Case {
        std::string input, keyword;
        bool matches;
        std::string left; // the input from where the reader stands afterwards
    };
    const Case cases[] = {
        {"VQZ", "vqz", true, ""},
        {"  vqz rest", "vqz", true, " rest"},
        {"\r\n\tVqz", "vqz", true, ""},
        {"VQ Z", "vqz", false, "VQ Z"},
        {"  VERSIONS", "version", true, "S"},
        {"STANDARDNAMES", "standard", true, "NAMES"},
        {"  \r\n  SURVY", "survey", false, "SURVY"}, // behind the white space, not before it
        {"\xc9t\xe9", "\xc9t\xe9", true, ""},        // bytes from 0x80 up are never folded
        {"Ab", "ab", true, ""},
        {"   x", "", true, "x"},
        {"", "", true, ""},
        {"vq", "vqz", false, "vq"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input + " / " + c.keyword);
        SourceReader reader(c.input);
        EXPECT_EQ(c.matches, reader.matchKeyword(c.keyword));
        EXPECT_EQ(c.left, rest(c.input, reader));
    }
}

TEST(SourceReaderTest, KeywordEndingTheInputLeavesTheEndStateUnset) {
    SourceReader reader("vqz");
    EXPECT_TRUE(reader.matchKeyword("vqz"));
    EXPECT_FALSE(reader.atEnd());
    EXPECT_FALSE(reader.matchKeyword("x"));
    EXPECT_TRUE(reader.atEnd());
}

TEST(SourceReaderTest, ReadKeywordStringTakesAnOptionalQuotedText) {
    struct Case {
        std::string input, keyword;
        bool reads;
        std::string text, left;
    };
    const Case cases[] = {
        {"TITLE \"Test\" x", "title", true, "Test", " x"},
        {"TITLE\r\nRECORD A", "title", true, "", "RECORD A"},
        {"TITLE \"\"", "title", true, "", ""},
        {"TITLE\"a{\"}b\"", "title", true, "a{\"}b", ""},
        {"TITLE \"a{{\"b", "title", true, "a{{", "b"},
        {std::string("TITLE \"a\0b\"", 11), "title", true, "a", ""},
        {" \"Male\" SPECIAL", "", true, "Male", " SPECIAL"},
        {" Male", "", false, "", "Male"},
        {"LABEL \"x\"", "title", false, "", "LABEL \"x\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        SourceReader reader(c.input);
        std::string_view text = "untouched";
        EXPECT_EQ(c.reads, reader.readKeywordString(c.keyword, text));
        EXPECT_EQ(c.reads ? c.text : "untouched", text);
        EXPECT_EQ(c.left, rest(c.input, reader));
        EXPECT_FALSE(reader.atEnd());
    }
}

TEST(SourceReaderTest, UnclosedQuoteRunsToTheEndAndEveryLaterScanFails) {
    for (const char* unclosed : {"TITLE \"{\"", "TITLE \"a{", "TITLE \"a{\"", "TITLE \""}) {
        SCOPED_TRACE(unclosed);
        SourceReader cutShort(unclosed);
        std::string_view text;
        EXPECT_FALSE(cutShort.readKeywordString("title", text));
        EXPECT_TRUE(cutShort.atEnd());
    }
    SourceReader reader("TITLE \"never closed\r\nRECORD A");
    std::string_view text = "untouched";
    EXPECT_FALSE(reader.readKeywordString("title", text));
    EXPECT_EQ("untouched", text);
    EXPECT_TRUE(reader.atEnd());
    reader.restore(0);
    EXPECT_TRUE(reader.atEnd()); // restoring a position never clears the state
    EXPECT_FALSE(reader.matchKeyword("title"));
    EXPECT_EQ("", reader.captureFound());
}

TEST(SourceReaderTest, AngleTextsSkipNestedSectionsWhole) {
    struct Case {
        std::string afterOpening; // the input behind the opening "<"
        bool reads;
        std::string text;
    };
    const Case cases[] = {
        {"a<b>c>", true, "a<b>c"},
        {"a\"x>y\"b>", true, "a\"x>y\"b"},
        {">", true, ""},
        {"a<b>", false, ""},
        {"a\"b>", false, ""},
        {"{>", true, "{"},                 // no escapes outside quoted sections
        {"\"{\">\"x>", true, "\"{\">\"x"}, // but inside them
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.afterOpening);
        const std::string input = "<" + c.afterOpening;
        SourceReader reader(input);
        ASSERT_TRUE(reader.matchKeyword("<"));
        std::string_view text;
        EXPECT_EQ(c.reads, reader.readDelimited(&text, '>'));
        if (c.reads) {
            EXPECT_EQ(c.text, text);
        }
        EXPECT_EQ(!c.reads, reader.atEnd());
    }
}

TEST(SourceReaderTest, AngleTextsNestAMillionDeep) {
    constexpr std::size_t depth = 1000000;
    const std::string input = std::string(depth, '<') + std::string(depth, '>') + "x";
    SourceReader reader(input);
    ASSERT_TRUE(reader.matchKeyword("<"));
    std::string_view text;
    ASSERT_TRUE(reader.readDelimited(&text, '>'));
    EXPECT_EQ(2 * depth - 2, text.size());
    EXPECT_EQ("x", rest(input, reader));
}

TEST(SourceReaderTest, DigitAndNumberRunsAreTakenAsTyped) {
    struct Case {
        std::string input;
        bool number; // readNumber, else readDigits
        bool reads;
        std::string text, left;
    };
    const Case cases[] = {
        {"  0042x", false, true, "0042", "x"},
        {"x", false, false, "", "x"},
        {"  x", false, false, "", "x"},
        {"12.5", false, true, "12", ".5"},
        {"-1.5 ", true, true, "-1.5", " "},
        {"-", true, true, "-", ""},
        {".", true, true, ".", ""},
        {"1.2.3", true, true, "1.2.3", ""},
        {"3-4\"x\"", true, true, "3-4", "\"x\""},
        {"\xd9", true, false, "", "\xd9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        SourceReader reader(c.input);
        std::string_view text = "untouched";
        EXPECT_EQ(c.reads, c.number ? reader.readNumber(text) : reader.readDigits(text));
        EXPECT_EQ(c.reads ? c.text : "untouched", text);
        EXPECT_EQ(c.left, rest(c.input, reader));
    }
}

TEST(SourceReaderTest, RunEndingTheInputKeepsItsTextButEndsTheInput) {
    SourceReader reader("VARIABLE 12");
    std::string_view digits;
    ASSERT_TRUE(reader.matchKeyword("variable"));
    ASSERT_TRUE(reader.readDigits(digits));
    EXPECT_EQ("12", digits);
    EXPECT_TRUE(reader.atEnd());
    EXPECT_FALSE(reader.matchKeyword("name"));
    EXPECT_FALSE(reader.readDigits(digits));
}

TEST(SourceReaderTest, ReadLetterTakesOneAsciiLetterAsTyped) {
    struct Case {
        std::string input;
        bool reads;
        char letter;
    };
    const Case cases[] = {{" a", true, 'a'},  {"\r\nAB", true, 'A'}, {"1", false, 0},
                          {"\xe9", false, 0}, {"", false, 0},        {"-", false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        SourceReader reader(c.input);
        char letter = 0;
        EXPECT_EQ(c.reads, reader.readLetter(letter));
        EXPECT_EQ(c.letter, letter);
    }
}

TEST(SourceReaderTest, CaptureFoundTakesFortyRawBytesUpToAZeroByte) {
    const std::string input = "\r\n    " + std::string(50, 'x');
    SourceReader reader(input);
    EXPECT_EQ(input.substr(0, 40), reader.captureFound());
    EXPECT_EQ(0u, reader.position());

    SourceReader nearEnd("0123456789");
    nearEnd.restore(4);
    EXPECT_EQ("456789", nearEnd.captureFound());

    const std::string zeroInside("ab\0cd", 5);
    SourceReader withZero(zeroInside);
    EXPECT_EQ("ab", withZero.captureFound());
}

} // namespace
