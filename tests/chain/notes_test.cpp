// Notes as XML comments, the error report, and chains too long for recursion.
#include "chain/notes.h"
#include "chain/xml_output.h"
#include "frontend/conversion_run.h"

#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>

namespace {

template <class T> std::string writtenAt(int indent, T element) {
    std::ostringstream sink;
    {
        XmlOutput out(sink);
        out.indent = indent;
        element.write(out);
    }
    return sink.str();
}

TEST(NoteElementTest, WritesTheTextAsTypedWithEveryCommentEndBroken) {
    struct Case {
        std::string text, written;
    };
    const Case cases[] = {
        {"", "<!--  -->\r\n"},
        {"plain {nl} & <b>", "<!-- plain {nl} & <b> -->\r\n"},
        {"a-->b", "<!-- a<->b -->\r\n"},
        {"--->", "<!-- -<-> -->\r\n"},
        {"-->-->", "<!-- <-><-> -->\r\n"},
        {"a--b", "<!-- a--b -->\r\n"},
        {"line\r\nend", "<!-- line\r\nend -->\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.written, writtenAt(0, NoteElement(c.text)));
    }
    EXPECT_EQ("        <!-- x -->\r\n", writtenAt(8, NoteElement("x")));
}

TEST(ErrorElementTest, WritesTheReportRawAtTheEndOfTheLastLine) {
    EXPECT_EQ("\r\n*** Error: at corresponding point in source file:\r\n"
              "           'VQZ' was expected but found:\r\n"
              "           \r\n<x>&\r\n",
              writtenAt(0, ErrorElement("'VQZ'", std::string_view("\r\n<x>&"), 0)));
    EXPECT_EQ(std::string(16, ' ') + "\r\n*** Error: at corresponding point in source file:\r\n"
                                     "           TYPE var_type was expected but found:\r\n"
                                     "           \r\n",
              writtenAt(16, ErrorElement("TYPE var_type", std::string_view(), 0)));
    EXPECT_EQ("    \r\n*** Error: at corresponding point in source file:\r\n"
              "           No position found",
              writtenAt(4, ErrorElement("No position found", std::nullopt, 0)));
}

TEST(ElementChainTest, FirstWordOtherThanVqzIsReported) {
    const char* const inputs[] = {"", "  NOTE \"x\" VQZ", "<x> VQZ", "VERSION 1.1"};
    for (const std::string input : inputs) {
        SCOPED_TRACE(input);
        const Conversion result = convertText(input);
        EXPECT_FALSE(result.complete);
        EXPECT_EQ("\r\n*** Error: at corresponding point in source file:\r\n"
                  "           'VQZ' was expected but found:\r\n"
                  "           " +
                      input.substr(0, 40) + "\r\n",
                  result.xml);
    }
}

// Notes, nesting and chains of any length are handled in loops, never by recursion.
TEST(ElementChainTest, AMillionNotesInARow) {
    std::string input = "VQZ\n";
    for (int i = 0; i < 1000000; ++i) input += "<n>";
    input += " VERSION 1.2";
    const Conversion result = convertText(input);
    EXPECT_FALSE(result.complete);
    std::size_t comments = 0;
    for (auto at = result.xml.find("<!-- n -->"); at != std::string::npos;
         at = result.xml.find("<!-- n -->", at + 1)) {
        ++comments;
    }
    EXPECT_EQ(1000000u, comments);
}

TEST(ElementChainTest, ChainOfMillionsIsDestroyedUnwritten) {
    auto head = std::make_unique<Element>();
    Element* last = head.get();
    for (int i = 0; i < 3000000; ++i)
        last = Element::linkBehind(*last, std::make_unique<NoteElement>("x"));
    head.reset();
    SUCCEED();
}

} // namespace
