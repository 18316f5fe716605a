// The C++ interface: the program's bytes, diagnostics, the stream form, encodings and version.
#include "vqz2xml/vqz2xml.hpp"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::string_view complete = "VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME \"a\" "
                                      "LABEL \"caf\xe9\" TYPE logical POSITION 1 END VARIABLE "
                                      "END RECORD END SURVEY END VQZ";

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

struct GoldenCase {
    std::string name, input, xml;
};

std::vector<GoldenCase> goldenCases() {
    std::vector<GoldenCase> cases;
    for (const auto& entry : fs::directory_iterator(GOLDEN_DIR)) {
        const fs::path path = entry.path();
        if (path.extension() != ".vqz") continue;
        cases.push_back({path.filename().string(), readFile(path),
                         readFile(fs::path(path).replace_extension(".xml"))});
    }
    return cases;
}

TEST(CppInterfaceTest, GivesTheProgramsBytesForEveryGoldenCase) {
    const auto cases = goldenCases();
    ASSERT_FALSE(cases.empty());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const vqz2xml::Result result = vqz2xml::convert(c.input);
        EXPECT_EQ(c.xml, result.xml);
        EXPECT_EQ(c.xml.find("*** Error:") == std::string::npos, result.complete);
        EXPECT_EQ(!result.complete, result.diagnostic.has_value());
    }
}

TEST(CppInterfaceTest, FaultyInputTellsWhereItWentWrong) {
    struct Case {
        std::string input;
        std::size_t line, column;
        std::string expected, found, line0;
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
        EXPECT_EQ(c.line0, vqz2xml::diagnosticLine("f", *result.diagnostic));
    }
}

TEST(CppInterfaceTest, StreamFormWritesTheSameBytes) {
    const std::string inputs[] = {std::string(complete), "VQZ VERSION 1.1 SURVEY\n  BOGUS"};
    for (const auto& input : inputs) {
        SCOPED_TRACE(input);
        const vqz2xml::Result whole = vqz2xml::convert(input);
        std::ostringstream stream;
        const vqz2xml::Outcome outcome = vqz2xml::convert(input, stream);
        EXPECT_TRUE(stream.good());
        EXPECT_EQ(whole.xml, stream.str());
        EXPECT_EQ(whole.complete, outcome.complete);
        ASSERT_EQ(whole.diagnostic.has_value(), outcome.diagnostic.has_value());
        if (outcome.diagnostic) {
            EXPECT_EQ(whole.diagnostic->line, outcome.diagnostic->line);
            EXPECT_EQ(whole.diagnostic->found, outcome.diagnostic->found);
        }
    }
}

// Takes nothing: every write fails.
class RefusingBuffer : public std::streambuf {
  protected:
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
    int_type overflow(int_type) override { return traits_type::eof(); }
};

TEST(CppInterfaceTest, StreamFormLeavesAFailedStreamBad) {
    RefusingBuffer refusing;
    std::ostream stream(&refusing);
    const vqz2xml::Outcome outcome = vqz2xml::convert(complete, stream);
    EXPECT_TRUE(outcome.complete);
    EXPECT_TRUE(stream.bad());
}

TEST(CppInterfaceTest, EveryEncodingConvertsAsciiAlike) {
    const std::string_view ascii = "VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME \"a\" LABEL "
                                   "\"b<c\" TYPE logical POSITION 1 END VARIABLE END RECORD END "
                                   "SURVEY END VQZ";
    const vqz2xml::Encoding encodings[] = {vqz2xml::Encoding::Latin1, vqz2xml::Encoding::Cp1252,
                                           vqz2xml::Encoding::Utf8};
    for (const auto encoding : encodings) {
        SCOPED_TRACE(static_cast<int>(encoding));
        const vqz2xml::Result result = vqz2xml::convert(ascii, {encoding});
        EXPECT_TRUE(result.complete);
        EXPECT_NE(std::string::npos, result.xml.find("<label>b&lt;c</label>"));
    }
}

TEST(CppInterfaceTest, Latin1IsTheDefault) {
    const vqz2xml::Result result = vqz2xml::convert(complete);
    EXPECT_EQ(vqz2xml::convert(complete, {vqz2xml::Encoding::Latin1}).xml, result.xml);
    EXPECT_NE(std::string::npos, result.xml.find("<label>caf&#xe9;</label>"));
}

// PENDING until the encodings work on chain/ is merged: UTF-8 input is then decoded, so the
// two bytes of "é" make one character reference. Until then the core writes every byte on its
// own, and this test reports itself skipped (see ctest's list of tests that did not run); any
// other output fails it.
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
            for (const auto& c : cases) output.push_back(vqz2xml::convert(c.input).xml);
        });
    }
    for (auto& thread : threads) thread.join();
    for (const auto& output : outputs) {
        ASSERT_EQ(cases.size(), output.size());
        for (std::size_t i = 0; i < cases.size(); ++i) {
            SCOPED_TRACE(cases[i].name);
            EXPECT_EQ(cases[i].xml, output[i]);
        }
    }
}

TEST(CppInterfaceTest, VersionIsTheProjects) {
    EXPECT_EQ(VQZ2XML_EXPECTED_VERSION, vqz2xml::version());
}

} // namespace
