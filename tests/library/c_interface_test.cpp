// The installed library through its exported symbols: the C interface gives the program's bytes
// and one-line diagnostic, refuses invalid arguments and frees safely.
#include "tests/golden/golden_cases.h"
#include "tests/library/c_calls.h"
#include "vqz2xml/survey.hpp"
#include "vqz2xml/vqz2xml.h"
#include "vqz2xml/vqz2xml.hpp"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

constexpr std::string_view complete = "VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME \"a\" "
                                      "LABEL \"b\" TYPE logical POSITION 1 END VARIABLE "
                                      "END RECORD END SURVEY END VQZ";

// Frees the result however the test ends.
struct OwnedResult {
    vqz2xml_result result{};
    ~OwnedResult() { vqz2xml_result_free(&result); }
};

TEST(CInterfaceTest, GivesTheProgramsBytesAndDiagnosticForEveryGoldenCase) {
    for (const auto& c : goldenCases()) {
        SCOPED_TRACE(c.name);
        OwnedResult owned;
        const vqz2xml_result& r = owned.result;
        ASSERT_EQ(VQZ2XML_OK,
                  vqz2xml_convert(c.input.data(), c.input.size(),
                                  static_cast<vqz2xml_encoding>(c.encoding), &owned.result));
        ASSERT_NE(nullptr, r.xml);
        EXPECT_EQ(c.xml, std::string(r.xml, r.xml_size));
        EXPECT_EQ('\0', r.xml[r.xml_size]);
        EXPECT_EQ(c.complete() ? 1 : 0, r.complete);
        const vqz2xml::Result expected = vqz2xml::convert(c.input, {c.encoding});
        if (c.complete()) {
            EXPECT_EQ(nullptr, r.message);
            EXPECT_EQ(0u, r.line + r.column);
            continue;
        }
        ASSERT_NE(nullptr, r.message);
        EXPECT_EQ(vqz2xml::diagnosticLine("<input>", *expected.diagnostic), r.message);
        EXPECT_EQ(expected.diagnostic->line, r.line);
        EXPECT_EQ(expected.diagnostic->column, r.column);
    }
}

TEST(CInterfaceTest, LargeOutputMatchesTheCppInterface) {
    // Megabytes of XML, written in many blocks, so the result's memory grows many times.
    std::string input = "VQZ VERSION 1.1 SURVEY RECORD A";
    for (int i = 1; i <= 20000; ++i) {
        input += " VARIABLE " + std::to_string(i) + " NAME \"v\" LABEL \"l\" TYPE logical " +
                 "POSITION " + std::to_string(i) + " END VARIABLE";
    }
    input += " END RECORD END SURVEY END VQZ";
    const std::string expected = vqz2xml::convert(input).xml;
    ASSERT_GT(expected.size(), std::size_t{1} << 21);
    OwnedResult owned;
    ASSERT_EQ(VQZ2XML_OK,
              vqz2xml_convert(input.data(), input.size(), VQZ2XML_LATIN1, &owned.result));
    EXPECT_EQ(1, owned.result.complete);
    ASSERT_EQ(expected.size(), owned.result.xml_size);
    EXPECT_TRUE(expected == owned.result.xml);
}

TEST(CInterfaceTest, NoInputIsAnEmptyInput) {
    OwnedResult owned;
    ASSERT_EQ(VQZ2XML_OK, vqz2xml_convert(nullptr, 0, VQZ2XML_LATIN1, &owned.result));
    EXPECT_EQ(0, owned.result.complete);
    EXPECT_STREQ("<input>:1:1: error: expected 'VQZ', found end of input", owned.result.message);
}

TEST(CInterfaceTest, InputEndsAtItsSizeNotAtAZero) {
    const std::string input = std::string(complete) + " trailing junk";
    OwnedResult owned;
    ASSERT_EQ(VQZ2XML_OK,
              vqz2xml_convert(input.data(), complete.size(), VQZ2XML_LATIN1, &owned.result));
    EXPECT_EQ(1, owned.result.complete);
}

TEST(CInterfaceTest, TakesEveryEncodingAndRefusesInvalidArguments) {
    struct Case {
        const char* what;
        const char* input;
        std::size_t size;
        int encoding;
        int status;
    };
    const Case cases[] = {
        {"Latin-1", complete.data(), complete.size(), VQZ2XML_LATIN1, VQZ2XML_OK},
        {"Windows-1252", complete.data(), complete.size(), VQZ2XML_CP1252, VQZ2XML_OK},
        {"UTF-8", complete.data(), complete.size(), VQZ2XML_UTF8, VQZ2XML_OK},
        {"auto", complete.data(), complete.size(), VQZ2XML_AUTO, VQZ2XML_OK},
        {"null input with a size", nullptr, 5, VQZ2XML_LATIN1, VQZ2XML_INVALID_ARGUMENT},
        {"encoding one past the last", complete.data(), complete.size(), 4,
         VQZ2XML_INVALID_ARGUMENT},
        {"negative encoding", complete.data(), complete.size(), -1, VQZ2XML_INVALID_ARGUMENT},
        {"large encoding", complete.data(), complete.size(), 1 << 20, VQZ2XML_INVALID_ARGUMENT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Fields that point somewhere, to see that a refusal clears them.
        static char junk[] = "junk";
        OwnedResult owned;
        owned.result = {7, junk, 4, 5, 6, junk};
        const int status = convertWithEncodingNumber(c.input, c.size, c.encoding, &owned.result);
        EXPECT_EQ(c.status, status);
        if (status == VQZ2XML_OK) {
            EXPECT_EQ(1, owned.result.complete);
            EXPECT_NE(nullptr, std::strstr(owned.result.xml, "<label>b</label>"));
        } else {
            EXPECT_EQ(nullptr, owned.result.xml);
            EXPECT_EQ(nullptr, owned.result.message);
            EXPECT_EQ(0u, owned.result.xml_size);
        }
    }
    EXPECT_EQ(VQZ2XML_INVALID_ARGUMENT,
              vqz2xml_convert(complete.data(), complete.size(), VQZ2XML_LATIN1, nullptr));
}

TEST(CInterfaceTest, FreeIsSafeOnNullZeroedAndFreedResults) {
    vqz2xml_result_free(nullptr);
    vqz2xml_result result{};
    vqz2xml_result_free(&result);
    ASSERT_EQ(VQZ2XML_OK, vqz2xml_convert("BOGUS", 5, VQZ2XML_LATIN1, &result));
    vqz2xml_result_free(&result);
    EXPECT_EQ(nullptr, result.xml);
    EXPECT_EQ(nullptr, result.message);
    vqz2xml_result_free(&result);
}

// The survey's JSON through C is the C++ interface's, and the encoding chosen for auto is told.
TEST(CInterfaceTest, ReadsTheSurveyAsJson) {
    for (const auto& c : goldenCases()) {
        SCOPED_TRACE(c.name);
        char* json = nullptr;
        std::size_t size = 0;
        ASSERT_EQ(VQZ2XML_OK, vqz2xml_read_survey_json(c.input.data(), c.input.size(),
                                                       static_cast<vqz2xml_encoding>(c.encoding),
                                                       &json, &size));
        EXPECT_EQ(vqz2xml::toJson(vqz2xml::readSurvey(c.input, {c.encoding})),
                  std::string(json, size));
        vqz2xml_json_free(json);
    }
    char* json = reinterpret_cast<char*>(1);
    EXPECT_EQ(VQZ2XML_INVALID_ARGUMENT,
              vqz2xml_read_survey_json(nullptr, 3, VQZ2XML_LATIN1, &json, nullptr));
    EXPECT_EQ(nullptr, json);
    EXPECT_EQ(VQZ2XML_INVALID_ARGUMENT,
              vqz2xml_read_survey_json("VQZ", 3, static_cast<vqz2xml_encoding>(9), &json, nullptr));
    EXPECT_EQ(VQZ2XML_INVALID_ARGUMENT, vqz2xml_read_survey_json("VQZ", 3, VQZ2XML_AUTO, nullptr, nullptr));
    vqz2xml_json_free(nullptr);

    const std::string utf8 = std::string(complete).replace(complete.find("\"b\""), 3, "\"\xc3\xa9\"");
    EXPECT_EQ(VQZ2XML_UTF8, vqz2xml_choose_encoding(utf8.data(), utf8.size(), VQZ2XML_AUTO));
    EXPECT_EQ(VQZ2XML_CP1252, vqz2xml_choose_encoding("\x93", 1, VQZ2XML_AUTO));
    EXPECT_EQ(VQZ2XML_LATIN1, vqz2xml_choose_encoding(nullptr, 0, VQZ2XML_AUTO));
    EXPECT_EQ(VQZ2XML_CP1252, vqz2xml_choose_encoding("x", 1, VQZ2XML_CP1252));
    OwnedResult owned;
    ASSERT_EQ(VQZ2XML_OK, vqz2xml_convert(utf8.data(), utf8.size(), VQZ2XML_AUTO, &owned.result));
    EXPECT_NE(nullptr, std::strstr(owned.result.xml, "&#xe9;"));
}

TEST(LibraryTest, VersionIsTheProjects) {
    EXPECT_EQ(VQZ2XML_EXPECTED_VERSION, vqz2xml::version());
    EXPECT_STREQ(VQZ2XML_EXPECTED_VERSION, vqz2xml_version());
}

} // namespace
