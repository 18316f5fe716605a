// Fuzz target: converts arbitrary bytes in each encoding and checks what every conversion promises.
#include "vqz2xml/vqz2xml.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <expat.h>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view declaration = "<?xml version=\"1.0\"?>\r\n<vqz ";
constexpr std::string_view rootEndTag = "\n</vqz>\r\n";
constexpr std::string_view reportHead = "\r\n*** Error: at corresponding point in source file:\r\n"
                                        "           ";
constexpr std::string_view foundHead = " was expected but found:\r\n           ";
constexpr std::string_view noPosition = "No position found";
constexpr std::size_t maxFound = 40;

// Every expected text an error report can name.
constexpr std::array<std::string_view, 21> expectedTexts = {
    "'VQZ'",
    "'Version'",
    "'User', 'Date', 'Time' or 'Origin'",
    "'User', 'Date', 'Time', 'Origin', 'Standard Names' or 'Survey'",
    "'Survey'",
    "'Title'",
    "RECORD record_id",
    "'VARIABLE var_id'",
    "NAME \"var_name\"",
    "LABEL \"var_label\"",
    "TYPE var_type",
    "Variable 'Position'",
    "'Spread' or 'Size' or 'Values' or 'End Variable'",
    "Variable 'Values'",
    "'End Variable'",
    "Variable Range, Code or 'End Values'",
    "Variable Code or 'End Values'",
    "'End Record'",
    "'End Survey'",
    "'End VQZ'",
    noPosition};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "convert_fuzzer: broken promise: %s\n", what);
    std::abort();
}

void require(bool holds, const char* what) {
    if (!holds) fail(what);
}

bool startsWith(std::string_view text, std::string_view head) {
    return text.substr(0, head.size()) == head;
}

// Comments only: each is blanks, "<!-- ", a text without "-->", " -->" and a line end.
bool onlyComments(std::string_view rest) {
    while (!rest.empty()) {
        rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
        if (!startsWith(rest, "<!-- ")) return false;
        const auto close = rest.find("-->", 5);
        if (close == std::string_view::npos || rest[close - 1] != ' ' ||
            rest.substr(close, 5) != "-->\r\n") {
            return false;
        }
        rest.remove_prefix(close + 5);
    }
    return true;
}

// A complete document ends with the root end tag on a line of its own, followed by nothing
// but the comments of notes that stood behind END VQZ.
bool endsAsComplete(std::string_view xml) {
    for (auto at = xml.rfind(rootEndTag); at != std::string_view::npos;
         at = at == 0 ? std::string_view::npos : xml.rfind(rootEndTag, at - 1)) {
        if (onlyComments(xml.substr(at + rootEndTag.size()))) return true;
    }
    return false;
}

bool isExpectedText(std::string_view text) {
    for (const auto expected : expectedTexts) {
        if (text == expected) return true;
    }
    return false;
}

// A faulty input ends with the report: a known expected text and at most 40 bytes found, or
// the one report that has no found text. The found text is shorter than the report's head,
// so the last head is the report's own.
bool endsAsFaulty(std::string_view xml) {
    const auto at = xml.rfind(reportHead);
    if (at == std::string_view::npos) return false;
    const std::string_view report = xml.substr(at + reportHead.size());
    if (report == noPosition) return true;
    const auto found = report.find(foundHead);
    if (found == std::string_view::npos || !isExpectedText(report.substr(0, found))) {
        return false;
    }
    const std::string_view rest = report.substr(found + foundHead.size());
    return rest.size() >= 2 && rest.size() - 2 <= maxFound &&
           rest.substr(rest.size() - 2) == "\r\n";
}

// An XML parser accepts `xml`: the whole document when `complete`, else everything up to where
// it stops, which a faulty input's output leaves unfinished in front of its report.
bool isWellFormed(std::string_view xml, bool complete) {
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (!parser) fail("the XML parser could not be made");
    const bool accepted = XML_Parse(parser, xml.data(), static_cast<int>(xml.size()),
                                    complete ? XML_TRUE : XML_FALSE) == XML_STATUS_OK;
    XML_ParserFree(parser);
    return accepted;
}

void requirePromises(const vqz2xml::Result& result, std::size_t inputSize) {
    const std::string_view xml = result.xml;
    require(startsWith(xml, declaration) || startsWith(xml, reportHead),
            "the output starts with the declaration and the root tag, or with the report");
    if (result.complete) {
        require(endsAsComplete(xml), "a complete document ends with </vqz> and comments");
        require(isWellFormed(xml, true), "a complete document is well-formed XML");
    } else {
        require(xml.find("*** Error:") != std::string_view::npos, "a faulty input is reported");
        require(endsAsFaulty(xml), "the report ends the output and shows at most 40 bytes");
        require(isWellFormed(xml.substr(0, xml.rfind(reportHead)), false),
                "the XML in front of the report is well-formed as far as it goes");
    }
    // Each byte of input can cost only a bounded number of output bytes.
    require(xml.size() <= 64 * inputSize + 4096, "the output grows linearly with the input");
}

bool hasHighBytes(std::string_view input) {
    return std::any_of(input.begin(), input.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The fuzzer's own buffer, so that a read past its end is caught.
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const vqz2xml::Result result = vqz2xml::convert(input);
    requirePromises(result, size);
    const vqz2xml::Result again = vqz2xml::convert(input);
    require(again.complete == result.complete && again.xml == result.xml,
            "a conversion gives the same bytes every time");
    for (const vqz2xml::Encoding encoding : {vqz2xml::Encoding::Cp1252, vqz2xml::Encoding::Utf8}) {
        const vqz2xml::Result other = vqz2xml::convert(input, {encoding});
        requirePromises(other, size);
        require(other.complete == result.complete, "the encoding never changes what is parsed");
        require(hasHighBytes(input) || other.xml == result.xml,
                "the encoding changes only what bytes from 0x80 up give");
    }
    return 0;
}
