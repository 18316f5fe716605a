// Brace-code decoding and XML escaping of texts.
#include "chain/text_escape.h"
#include "chain/xml_output.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string written(std::string text, bool decode,
                    vqz2xml::Encoding encoding = vqz2xml::Encoding::Latin1) {
    if (decode) decodeBraceCodes(text);
    std::ostringstream sink;
    {
        XmlOutput out(sink);
        out.encoding = encoding;
        writeEscapedText(out, text);
    }
    return sink.str();
}

struct EncodedCase {
    std::string in, out;
};

void expectWritten(const std::vector<EncodedCase>& cases, vqz2xml::Encoding encoding) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(c.out, written(c.in, true, encoding));
    }
}

TEST(WriteEscapedTextTest, BraceCodesDecodeAndReservedCharactersEscape) {
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

// Whatever the encoding, a brace code names a Latin-1 character and stands alone.
TEST(WriteEscapedTextTest, BraceCodesNameLatin1CharactersInEveryEncoding) {
    const std::vector<EncodedCase> cases = {
        {"{e9}", "&#xe9;"},
        {"{80}{93}{9d}", "&#x80;&#x93;&#x9d;"},
        {"{c3a9}", "&#xc3;&#xa9;"},
        {"{c3}{a9}", "&#xc3;&#xa9;"},
        {"{nl}{00}{ff}", "<br/>{00}&#xff;"},
        {"a{e9}{3c}", "a&#xe9;&lt;"},
    };
    for (const vqz2xml::Encoding encoding :
         {vqz2xml::Encoding::Latin1, vqz2xml::Encoding::Cp1252, vqz2xml::Encoding::Utf8}) {
        SCOPED_TRACE(static_cast<int>(encoding));
        expectWritten(cases, encoding);
    }
}

TEST(WriteEscapedTextTest, Windows1252TypedBytes) {
    expectWritten({{"\x80", "&#x20ac;"},
                   {"\x93quoted\x94", "&#x201c;quoted&#x201d;"},
                   {"\x82\x83\x8a\x9f", "&#x201a;&#x192;&#x160;&#x178;"},
                   {"\x81\x8d\x8f\x90\x9d", "&#x81;&#x8d;&#x8f;&#x90;&#x9d;"},
                   {"\xa0\xe9\xff", "&#xa0;&#xe9;&#xff;"},
                   {"\x80{80}", "&#x20ac;&#x80;"}},
                  vqz2xml::Encoding::Cp1252);
}

TEST(WriteEscapedTextTest, Utf8SequencesAsOneReference) {
    expectWritten({{"caf\xc3\xa9", "caf&#xe9;"},
                   {"\xe2\x82\xac", "&#x20ac;"},
                   {"\xf0\x9f\x98\x80", "&#x1f600;"},
                   {"\xc2\x80\xf4\x8f\xbf\xbf", "&#x80;&#x10ffff;"},
                   {"\xef\xbf\xbd<", "&#xfffd;&lt;"},
                   {"caf\xe9", "caf&#xe9;"},
                   {"\xc3", "&#xc3;"},
                   {"\xc3\xa9\xa9", "&#xe9;&#xa9;"},
                   {"\xe2\x82x", "&#xe2;&#x82;x"},
                   {"\xef\xbf\xbe", "&#xef;&#xbf;&#xbe;"},
                   // A brace code never joins typed bytes into a sequence.
                   {"\xc3{a9}", "&#xc3;&#xa9;"},
                   {"{c3}\xa9", "&#xc3;&#xa9;"},
                   {"\xe2{82}\xac", "&#xe2;&#x82;&#xac;"}},
                  vqz2xml::Encoding::Utf8);
}

// Undecoded texts (names, header fields) keep their braces, and the encoding reads their bytes.
TEST(WriteEscapedTextTest, UndecodedTextsInEachEncoding) {
    EXPECT_EQ("{e9}&#xe9;", written("{e9}\xc3\xa9", false, vqz2xml::Encoding::Utf8));
    EXPECT_EQ("{80}&#x20ac;", written("{80}\x80", false, vqz2xml::Encoding::Cp1252));
    EXPECT_EQ("&#xc3;&#xa9;", written("\xc3\xa9", false, vqz2xml::Encoding::Latin1));
}

// Plain runs are copied in blocks of sixteen and eight bytes, the last block overlapping the one
// before, and in pieces of a few kilobytes: one special byte at every place of texts around
// those sizes, and texts longer than the output's buffer.
TEST(WriteEscapedTextTest, SpecialByteAtEveryPlaceOfAPlainRun) {
    const auto escapedByHand = [](const std::string& text) {
        std::string xml;
        for (const char c : text) xml += c == '&' ? std::string("&amp;") : std::string(1, c);
        return xml;
    };
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 40; ++n) lengths.push_back(n);
    for (const std::size_t n : {4095, 4096, 4097, 8200, 70000}) lengths.push_back(n);
    for (const std::size_t n : lengths) {
        std::string text;
        for (std::size_t i = 0; i < n; ++i) text += static_cast<char>('a' + i % 26);
        ASSERT_EQ(text, written(text, false));
        const std::size_t step = n > 64 ? 997 : 1;
        for (std::size_t at = 0; at < n; at += step) {
            std::string special = text;
            special[at] = '&';
            SCOPED_TRACE(std::to_string(n) + " " + std::to_string(at));
            ASSERT_EQ(escapedByHand(special), written(special, false));
        }
    }
}

TEST(DecodeBraceCodesTest, CodesFrom0x80UpAreMarked) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"{e9}", std::string("\0\xe9", 2)},
        {"x{E9E9}y", std::string("x\0\xe9\0\xe9y", 6)},
        {"{41e9}", std::string("A\0\xe9", 3)},
        {"\xe9", "\xe9"},
        {"{nl}{00}", std::string("\0n\0"
                                 "0",
                                 4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        std::string text = c.in;
        EXPECT_EQ(c.out, decodeBraceCodes(text));
    }
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
