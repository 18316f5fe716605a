// Brace-code decoding and XML escaping of texts.
#include "chain/text_escape.h"
#include "chain/xml_output.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

std::string written(std::string text, bool decode) {
    if (decode) decodeBraceCodes(text);
    std::ostringstream sink;
    {
        XmlOutput out(sink);
        writeEscapedText(out, text);
    }
    return sink.str();
}

TEST(WriteEscapedTextTest, DecodedTextsAsInTheWorkedExamples) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"A & B", "A &amp; B"},
        {"line1{nl}line2", "line1<br/>line2"},
        {"{NL}", "<br/>"},
        {"{nlab}", "<br/>"},
        {"{41}", "A"},
        {"{4142}", "AB"},
        {"{E9}", "&#xe9;"},
        {"{3c}b{3e}", "&lt;b&gt;"},
        {"{09}", "&#x09;"},
        {"{0d0a}", "&#x0d;&#x0a;"},
        {"{1F}", "{1f}"},
        {"{123456}", "{12}4V"},
        {"{{}", "{"},
        {"{}}", "}"},
        {"x{}y", "xy"},
        {"{{41}", "{A"},
        {"{abc}", "{abc}"},
        {"{zz}", "{zz}"},
        {"{nlx}", "{nlx}"},
        {"a{b", "a{b"},
        {"caf\xe9", "caf&#xe9;"},
        {"{n}", "n"},
        {"{123}", "{123}"},
        {"{7f}", "\x7f"},
        {"{80}", "&#x80;"},
        {"{20}", " "},
        {"{00}", "{00}"},
        {"{0000}", "{00}{00}"},
        {"{11}", "{11}"},
        {"\xc3\xa9", "&#xc3;&#xa9;"},
        {"<'\">", "&lt;&apos;&quot;&gt;"},
        {"", ""},
        {"{}", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(c.out, written(c.in, true));
    }
}

// Control bytes typed inside the quotes come out as if their brace code had been typed:
// nothing vanishes, and the byte behind one is never swallowed.
TEST(WriteEscapedTextTest, TypedControlBytesAsTheirBraceCode) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"a\tb", "a&#x09;b"}, {"a\r\nb", "a&#x0d;&#x0a;b"}, {"\x11", "{11}"},
        {"\x01Z", "{01}Z"},   {"x\x1f", "x{1f}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(c.out, written(c.in, true));
        EXPECT_EQ(c.out, written(c.in, false));
    }
}

TEST(WriteEscapedTextTest, UndecodedTextKeepsBraceCodesAsTyped) {
    EXPECT_EQ("a{nl}b{41}", written("a{nl}b{41}", false));
}

TEST(DecodeBraceCodesTest, ALongRunOfOpeningBracesStaysAsTyped) {
    std::string text(100000, '{');
    decodeBraceCodes(text);
    EXPECT_EQ(std::string(100000, '{'), text);
}

TEST(DecodeBraceCodesTest, SameStoredFormForEitherCase) {
    std::string upper = "{0A}";
    std::string lower = "{0a}";
    EXPECT_EQ(decodeBraceCodes(upper), decodeBraceCodes(lower));
}

} // namespace
