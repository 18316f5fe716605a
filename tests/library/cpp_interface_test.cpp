// The C++ interface: the program's bytes, diagnostics, the stream form, encodings and version.
#include "tests/library/golden_cases.h"
#include "vqz2xml/vqz2xml.hpp"

#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr std::string_view latin1 = "VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME \"a\" "
                                    "LABEL \"caf\xe9\" TYPE logical POSITION 1 END VARIABLE "
                                    "END RECORD END SURVEY END VQZ";

TEST(CppInterfaceTest, GivesTheProgramsBytesForEveryGoldenCase) {
    const auto cases = goldenCases();
    ASSERT_FALSE(cases.empty());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const vqz2xml::Options options{static_cast<vqz2xml::Encoding>(c.encoding)};
        const vqz2xml::Result result = vqz2xml::convert(c.input, options);
        EXPECT_EQ(c.xml, result.xml);
        EXPECT_EQ(c.complete(), result.complete);
        EXPECT_EQ(!result.complete, result.diagnostic.has_value());
        // The stream form writes the same bytes and tells the same outcome.
        std::ostringstream stream;
        const vqz2xml::Outcome outcome = vqz2xml::convert(c.input, stream, options);
        EXPECT_EQ(c.xml, stream.str());
        EXPECT_EQ(c.complete(), outcome.complete);
        EXPECT_EQ(!outcome.complete, outcome.diagnostic.has_value());
    }
}

TEST(CppInterfaceTest, FaultyInputTellsWhereItWentWrong) {
    struct Case {
        std::string input;
        std::size_t line, column;
        std::string expected, found, oneLine;
    };
    const Case cases[] = {
        {"", 1, 1, "'VQZ'", "", "f:1:1: error: expected 'VQZ', found end of input"},
        {"VQZ\r\nVERSION 1.1\r\nSURVEY\r\n  BOGUS \"\xe9\\ here\r\nmore", 4, 3, "'Title'",
         "BOGUS \"\xe9\\ here",
         "f:4:3: error: expected 'Title', found \"BOGUS \\\"\\xe9\\\\ here\""},
        {"VQZ VERSION 1.1 SURVEY TITLE \"t\" RECORD A\n\tVAR 1", 2, 2, "'VARIABLE var_id'", "VAR 1",
         "f:2:2: error: expected 'VARIABLE var_id', found \"VAR 1\""},
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
        EXPECT_EQ(c.oneLine, vqz2xml::diagnosticLine("f", *result.diagnostic));
    }
}

TEST(CppInterfaceTest, EncodingsReachTheConversion) {
    struct Case {
        std::optional<vqz2xml::Encoding> encoding; // none: the default
        std::string label;
    };
    const Case cases[] = {{std::nullopt, "caf&#xe9;"},
                          {vqz2xml::Encoding::Latin1, "caf&#xe9;"},
                          {vqz2xml::Encoding::Cp1252, "caf&#xe9;"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.encoding ? static_cast<int>(*c.encoding) : -1);
        const auto result =
            c.encoding ? vqz2xml::convert(latin1, {*c.encoding}) : vqz2xml::convert(latin1);
        EXPECT_TRUE(result.complete);
        EXPECT_NE(std::string::npos, result.xml.find("<label>" + c.label + "</label>"));
    }
}

// PENDING until the encodings work on chain/ is merged: UTF-8 input is then decoded, so the
// two bytes of "é" make one character reference. Until then the core writes each byte on its
// own and this test reports itself skipped (ctest lists it among the tests that did not run);
// any other output fails it.
TEST(PendingEncodingTest, Utf8SequenceBecomesOneCharacterReference) {
    const std::string input = "VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME \"a\" LABEL "
                              "\"caf\xc3\xa9\" TYPE logical POSITION 1 END VARIABLE END RECORD "
                              "END SURVEY END VQZ";
    const vqz2xml::Result result = vqz2xml::convert(input, {vqz2xml::Encoding::Utf8});
    ASSERT_TRUE(result.complete);
    if (result.xml.find("<label>caf&#xc3;&#xa9;</label>") != std::string::npos) {
        GTEST_SKIP() << "PENDING: UTF-8 input is not decoded yet (bytes written one by one)";
    }
    EXPECT_NE(std::string::npos, result.xml.find("<label>caf&#xe9;</label>")) << result.xml;
}

TEST(CppInterfaceTest, ConversionsRunSideBySide) {
    const auto cases = goldenCases();
    std::vector<std::string> outputs[4];
    std::vector<std::thread> threads;
    for (auto& output : outputs) {
        threads.emplace_back([&cases, &output] {
            for (const auto& c : cases) {
                const vqz2xml::Options options{static_cast<vqz2xml::Encoding>(c.encoding)};
                output.push_back(vqz2xml::convert(c.input, options).xml);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (const auto& output : outputs) {
        ASSERT_EQ(cases.size(), output.size());
        for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(cases[i].xml, output[i]);
    }
}

TEST(CppInterfaceTest, VersionIsTheProjects) {
    EXPECT_EQ(VQZ2XML_EXPECTED_VERSION, vqz2xml::version());
}

} // namespace
