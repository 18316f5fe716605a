// Notes as XML comments, the error report, and chains too long for recursion.
#include "chain/notes.h"
#include "chain/xml_output.h"

#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

template <class T>
std::string writtenAt(int depth, T element,
                      vqz2xml::Encoding encoding = vqz2xml::Encoding::Latin1) {
    std::ostringstream sink;
    {
        XmlOutput out(sink);
        for (int level = 0; level < depth; ++level) out.nest();
        out.encoding = encoding;
        element.write(out);
    }
    return sink.str();
}

struct NoteCase {
    std::string text, written;
};

void expectComments(const std::vector<NoteCase>& cases, vqz2xml::Encoding encoding) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ("<!-- " + c.written + " -->\r\n", writtenAt(0, NoteElement(c.text), encoding));
    }
}

TEST(NoteElementTest, WellFormedTextIsWrittenAsTyped) {
    expectComments(
        {{"", ""},
         {"plain {nl} & <b> \"q\"", "plain {nl} & <b> \"q\""},
         {"line\r\nend\ttab", "line\r\nend\ttab"},
         {"-a-b-", "-a-b-"},
         {"- -", "- -"},
         {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},
         {"\x7f", "\x7f"}},
        vqz2xml::Encoding::Latin1);
    EXPECT_EQ("        <!-- x -->\r\n", writtenAt(2, NoteElement("x")));
}

TEST(NoteElementTest, HyphensNeverStandTogether) {
    expectComments({{"a-->b", "a<->b"},
                    {"--->", "-<->"},
                    {"-->-->", "<-><->"},
                    {"---->", "- -<->"},
                    {"a--b", "a- -b"},
                    {"--", "- -"},
                    {"-----", "- - - - -"},
                    {"--x--", "- -x- -"},
                    {"-- >", "- - >"},
                    {"--\xe9--", "- -\xc3\xa9- -"}},
                   vqz2xml::Encoding::Latin1);
}

TEST(NoteElementTest, ControlCharactersAsTheirBraceCode) {
    expectComments({{"a\x01"
                     "b",
                     "a{01}b"},
                    {"\x1f\x0b\x0c", "{1f}{0b}{0c}"},
                    {"\x11-", "{11}-"},
                    {std::string("a\0b", 3), "a{00}b"}},
                   vqz2xml::Encoding::Latin1);
}

// Valid UTF-8 stays; every other byte from 0x80 up is a Latin-1 character, in UTF-8.
TEST(NoteElementTest, BytesThatAreNoUtf8BecomeLatin1Characters) {
    const std::vector<NoteCase> cases = {
        {"caf\xe9", "caf\xc3\xa9"},
        {"\x80\xff", "\xc2\x80\xc3\xbf"},
        {"\xc3", "\xc3\x83"},                                     // cut off
        {"\xe2\x82", "\xc3\xa2\xc2\x82"},                         // cut off
        {"\xc0\xaf", "\xc3\x80\xc2\xaf"},                         // overlong
        {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xc2\x80"},             // surrogate
        {"\xef\xbf\xbe", "\xc3\xaf\xc2\xbf\xc2\xbe"},             // U+FFFE
        {"\xef\xbf\xbd", "\xef\xbf\xbd"},                         // U+FFFD
        {"\xf4\x90\x80\x80", "\xc3\xb4\xc2\x90\xc2\x80\xc2\x80"}, // past U+10FFFF
        {"\xc3\xa9\xa9", "\xc3\xa9\xc2\xa9"},
    };
    expectComments(cases, vqz2xml::Encoding::Latin1);
    expectComments(cases, vqz2xml::Encoding::Utf8);
}

TEST(NoteElementTest, Windows1252BytesAsTheirCharacters) {
    expectComments({{"\x80\x93x\x94", "\xe2\x82\xac\xe2\x80\x9cx\xe2\x80\x9d"},
                    {"\x81\x8d\x8f\x90\x9d", "\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d"},
                    {"\x9f\xa0\xe9", "\xc5\xb8\xc2\xa0\xc3\xa9"},
                    {"\xc3\xa9", "\xc3\x83\xc2\xa9"}, // UTF-8 read as Windows-1252
                    {"--\x96--", "- -\xe2\x80\x93- -"}},
                   vqz2xml::Encoding::Cp1252);
}

TEST(ErrorElementTest, WritesTheReportRawAtTheEndOfTheLastLine) {
    EXPECT_EQ("\r\n*** Error: at corresponding point in source file:\r\n"
              "           'VQZ' was expected but found:\r\n"
              "           \r\n<x>&\r\n",
              writtenAt(0, ErrorElement("'VQZ'", std::string_view("\r\n<x>&"), 0)));
    EXPECT_EQ(std::string(16, ' ') + "\r\n*** Error: at corresponding point in source file:\r\n"
                                     "           TYPE var_type was expected but found:\r\n"
                                     "           \r\n",
              writtenAt(4, ErrorElement("TYPE var_type", std::string_view(), 0)));
    EXPECT_EQ("    \r\n*** Error: at corresponding point in source file:\r\n"
              "           No position found",
              writtenAt(1, ErrorElement("No position found", std::nullopt, 0)));
}

// Passes by not overflowing the stack: destroying an element frees the rest of the chain in a
// loop, not by recursion.
TEST(ElementChainTest, ChainOfMillionsIsDestroyedWithoutRecursion) {
    auto head = std::make_unique<Element>();
    Element* last = head.get();
    for (int i = 0; i < 3000000; ++i)
        last = Element::linkBehind(*last, std::make_unique<NoteElement>("x"));
    head.reset();
}

} // namespace
