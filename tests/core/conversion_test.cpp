// Where a faulty input went wrong (the diagnostic's line, column and texts, and its one-line
// form), and conversions of any length run side by side.
#include "core/conversion.h"
#include "tests/golden/golden_cases.h"
#include "vqz2xml/vqz2xml.hpp"

#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr std::string_view head = "VQZ\nVERSION 1.1\nSURVEY\n";

TEST(DiagnosticTest, LocatesTheFirstByteOfWhatWasFound) {
    struct Case {
        std::string input;
        std::size_t line, column;
        std::string expected, found;
    };
    const Case cases[] = {
        {"BOGUS", 1, 1, "'VQZ'", "BOGUS"},
        {"", 1, 1, "'VQZ'", ""},
        {"  \n\n", 3, 1, "'VQZ'", ""},
        {"VQZ\r\nVERSION 1.1\r\nSURVEY\r\n  BOGUS here\r\nmore", 4, 3, "'Title'", "BOGUS here"},
        // A record without its letter is no record: the survey reports it, from its keyword.
        {"VQZ\rVERSION 1.1\rSURVEY\r\tRECORD 7", 4, 2, "'Title'", "RECORD 7"},
        {"VQZ\n\rVERSION 1.1 SURVEY x", 3, 20, "'Title'", "x"},
        // The quoted text never closes: nothing is found, the report points behind the survey.
        {std::string(head) + "TITLE \"open", 4, 1, "'Title'", ""},
        {std::string(head) + "TITLE \"a \"\"b\" \xe9\\", 4, 11, "RECORD record_id", "\"b\" \xe9\\"},
        // Lines are counted on the input as typed: a "{0a}" is no line end.
        {std::string(head) + "TITLE \"{0a}{0d}{0a}\"\nRECORD A\nVAR 1", 6, 1, "'VARIABLE var_id'",
         "VAR 1"},
        {std::string(head) + "TITLE \"a\nb\r\nc\"\nRECORD A\nVAR 1", 8, 1, "'VARIABLE var_id'",
         "VAR 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        const vqz2xml::Result result = vqz2xml::convert(c.input);
        ASSERT_FALSE(result.complete);
        ASSERT_TRUE(result.diagnostic);
        EXPECT_EQ(c.line, result.diagnostic->line);
        EXPECT_EQ(c.column, result.diagnostic->column);
        EXPECT_EQ(c.expected, result.diagnostic->expected);
        EXPECT_EQ(c.found, result.diagnostic->found);
    }
}

// The byte offset of a line and column in `text`, lines ending as the diagnostic counts them.
std::size_t offsetOf(const std::string& text, std::size_t line, std::size_t column) {
    std::size_t at = 0;
    for (std::size_t current = 1; current < line && at < text.size(); ++at) {
        if (text[at] == '\n' ||
            (text[at] == '\r' && (at + 1 == text.size() || text[at + 1] != '\n')))
            ++current;
    }
    return at + column - 1;
}

// Decoded texts may gain or lose line end bytes; the place given is still the one in the input
// as typed, where the found text stands.
TEST(DiagnosticTest, PlaceIsInTheInputAsTyped) {
    const char* const pieces[] = {"{0a}", "{0d}", "{0d0a}", "\r\n", "\n", "\r",
                                  "{nl}", "x",    "{{}",    "{41}", " ",  "{0a0a0d}"};
    std::mt19937 random(2026);
    for (int round = 0; round < 2000; ++round) {
        std::string input = "VQZ\r\nVERSION 1.1\nSURVEY\rTITLE \"";
        const auto text = [&] {
            for (int i = random() % 6; i > 0; --i) input += pieces[random() % std::size(pieces)];
        };
        text();
        input += "\"\r\nRECORD A\n";
        for (int variable = random() % 4; variable > 0; --variable) {
            input += "VARIABLE 1 NAME \"n\" LABEL \"";
            text();
            input += "\"\rTYPE SINGLE POSITION 1 VALUES \"";
            text();
            input += "\"\n\"";
            text();
            input += "\" END VALUES END VARIABLE\r\n";
        }
        input += "\r\n  BOGUS";
        text();
        SCOPED_TRACE(input);
        const vqz2xml::Result result = vqz2xml::convert(input);
        ASSERT_TRUE(result.diagnostic);
        const std::size_t at = offsetOf(input, result.diagnostic->line, result.diagnostic->column);
        EXPECT_EQ(result.diagnostic->found, input.substr(at, result.diagnostic->found.size()));
        EXPECT_EQ(0u, result.diagnostic->found.find("BOGUS"));
    }
}

TEST(DiagnosticTest, CompleteDocumentHasNone) {
    const vqz2xml::Result result =
        vqz2xml::convert("VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME \"a\" "
                         "LABEL \"b\" TYPE logical POSITION 1 END VARIABLE "
                         "END RECORD END SURVEY END VQZ");
    EXPECT_TRUE(result.complete);
    EXPECT_FALSE(result.diagnostic);
}

TEST(DiagnosticTest, OneLineFormEscapesWhatWasFound) {
    struct Case {
        vqz2xml::Diagnostic diagnostic;
        std::string line;
    };
    const Case cases[] = {
        {{5, 3, "RECORD record_id", "BOGUS"},
         "s.vqz:5:3: error: expected RECORD record_id, found \"BOGUS\""},
        {{1, 1, "'VQZ'", ""}, "s.vqz:1:1: error: expected 'VQZ', found end of input"},
        {{2, 7, "NAME \"var_name\"", "a\"b\\c\t\x7f\xe9~"},
         "s.vqz:2:7: error: expected NAME \"var_name\", found \"a\\\"b\\\\c\\x09\\x7f\\xe9~\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.line, vqz2xml::diagnosticLine("s.vqz", c.diagnostic));
    }
}

// Notes, nesting and chains of any length are handled in loops, never by recursion.
TEST(ConversionTest, AMillionNotesInARow) {
    std::string input = "VQZ\n";
    for (int i = 0; i < 1000000; ++i) input += "<n>";
    input += " VERSION 1.2";
    const vqz2xml::Result result = vqz2xml::convert(input);
    EXPECT_FALSE(result.complete);
    std::size_t comments = 0;
    for (auto at = result.xml.find("<!-- n -->"); at != std::string::npos;
         at = result.xml.find("<!-- n -->", at + 1)) {
        ++comments;
    }
    EXPECT_EQ(1000000u, comments);
}

TEST(ConversionTest, ConversionsRunSideBySide) {
    const auto cases = goldenCases();
    std::vector<std::string> outputs[4];
    std::vector<std::thread> threads;
    for (auto& output : outputs) {
        threads.emplace_back([&cases, &output] {
            for (const auto& c : cases)
                output.push_back(vqz2xml::convert(c.input, {c.encoding}).xml);
        });
    }
    for (auto& thread : threads) thread.join();
    for (const auto& output : outputs) {
        ASSERT_EQ(cases.size(), output.size());
        for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(cases[i].xml, output[i]);
    }
}

// A big input's parse tells how far it has come between statements, once per step, in order,
// whether it is written as XML or described as the survey model.
TEST(ConversionTest, ProgressIsToldOncePerStep) {
    std::string input = "VQZ VERSION 1.1 SURVEY RECORD A\n";
    while (input.size() < 100000) {
        input += "VARIABLE 1 NAME \"a\" LABEL \"b\" TYPE logical POSITION 1 END VARIABLE\n";
    }
    input += "END RECORD END SURVEY END VQZ\n";
    for (const bool described : {false, true}) {
        for (const bool background : {false, true}) {
            ConversionSettings settings;
            settings.writeInBackground = background;
            settings.progressStep = 10000;
            std::vector<std::size_t> offsets;
            settings.progress = [&](std::size_t offset) { offsets.push_back(offset); };
            std::ostream nowhere(nullptr);
            EXPECT_TRUE(described ? describeInput(input, {}, nullptr, settings).complete
                                  : convertInput(input, nowhere, {}, settings).complete);
            ASSERT_GE(offsets.size(), 9u);
            EXPECT_LE(offsets.size(), 10u);
            EXPECT_GE(offsets.front(), settings.progressStep);
            for (std::size_t i = 1; i < offsets.size(); ++i) {
                EXPECT_GE(offsets[i], offsets[i - 1] + settings.progressStep);
            }
            EXPECT_LE(offsets.back(), input.size());
        }
    }
}

} // namespace
