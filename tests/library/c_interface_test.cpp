// The C interface: the program's bytes, the one-line diagnostic, invalid arguments and freeing.
#include "tests/library/c_calls.h"
#include "vqz2xml/vqz2xml.h"
#include "vqz2xml/vqz2xml.hpp"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr std::string_view complete = "VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME \"a\" "
                                      "LABEL \"b\" TYPE logical POSITION 1 END VARIABLE "
                                      "END RECORD END SURVEY END VQZ";

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Frees the result however the test ends.
struct OwnedResult {
    vqz2xml_result result{};
    ~OwnedResult() { vqz2xml_result_free(&result); }
};

// A result whose fields point somewhere, to see that a refusal clears them.
vqz2xml_result scribbled() {
    static char junk[] = "junk";
    return {7, junk, 4, 5, 6, junk};
}

TEST(CInterfaceTest, GivesTheProgramsBytesForEveryGoldenCase) {
    int cases = 0;
    for (const auto& entry : fs::directory_iterator(GOLDEN_DIR)) {
        const fs::path path = entry.path();
        if (path.extension() != ".vqz") continue;
        SCOPED_TRACE(path.filename().string());
        ++cases;
        const std::string input = readFile(path);
        const std::string expected = readFile(fs::path(path).replace_extension(".xml"));
        OwnedResult owned;
        const vqz2xml_result& r = owned.result;
        ASSERT_EQ(VQZ2XML_OK,
                  vqz2xml_convert(input.data(), input.size(), VQZ2XML_LATIN1, &owned.result));
        ASSERT_NE(nullptr, r.xml);
        EXPECT_EQ(expected, std::string(r.xml, r.xml_size));
        EXPECT_EQ('\0', r.xml[r.xml_size]);
        const bool reported = expected.find("*** Error:") != std::string::npos;
        EXPECT_EQ(reported ? 0 : 1, r.complete);
        EXPECT_EQ(reported, r.message != nullptr);
        if (!reported) {
            EXPECT_EQ(0u, r.line);
            EXPECT_EQ(0u, r.column);
        }
    }
    EXPECT_GT(cases, 0);
}

TEST(CInterfaceTest, MessageIsTheOneLineDiagnostic) {
    struct Case {
        std::string input;
        std::size_t line, column;
        std::string message;
    };
    const Case cases[] = {
        {"BOGUS", 1, 1, "<input>:1:1: error: expected 'VQZ', found \"BOGUS\""},
        {"  \n\n", 3, 1, "<input>:3:1: error: expected 'VQZ', found end of input"},
        {"VQZ\rVERSION 1.1\rSURVEY\r\tTITLE \"t\" \"\xe9\\\tx\r\nmore", 4, 12,
         "<input>:4:12: error: expected RECORD record_id, found \"\\\"\\xe9\\\\\\x09x\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        OwnedResult owned;
        ASSERT_EQ(VQZ2XML_OK,
                  vqz2xml_convert(c.input.data(), c.input.size(), VQZ2XML_LATIN1, &owned.result));
        EXPECT_EQ(0, owned.result.complete);
        EXPECT_EQ(c.line, owned.result.line);
        EXPECT_EQ(c.column, owned.result.column);
        ASSERT_NE(nullptr, owned.result.message);
        EXPECT_EQ(c.message, owned.result.message);
    }
}

TEST(CInterfaceTest, EmptyInputMayBeNull) {
    OwnedResult owned;
    ASSERT_EQ(VQZ2XML_OK, vqz2xml_convert(nullptr, 0, VQZ2XML_LATIN1, &owned.result));
    EXPECT_EQ(0, owned.result.complete);
    ASSERT_NE(nullptr, owned.result.message);
    EXPECT_STREQ("<input>:1:1: error: expected 'VQZ', found end of input", owned.result.message);
}

TEST(CInterfaceTest, InputEndsAtItsSizeNotAtAZero) {
    const std::string input = std::string(complete) + " trailing junk";
    OwnedResult owned;
    ASSERT_EQ(VQZ2XML_OK,
              vqz2xml_convert(input.data(), complete.size(), VQZ2XML_LATIN1, &owned.result));
    EXPECT_EQ(1, owned.result.complete);
    EXPECT_EQ(nullptr, owned.result.message);
}

TEST(CInterfaceTest, EveryEncodingIsAccepted) {
    for (const int encoding : {VQZ2XML_LATIN1, VQZ2XML_CP1252, VQZ2XML_UTF8}) {
        SCOPED_TRACE(encoding);
        OwnedResult owned;
        ASSERT_EQ(VQZ2XML_OK, convertWithEncodingNumber(complete.data(), complete.size(), encoding,
                                                        &owned.result));
        EXPECT_EQ(1, owned.result.complete);
        EXPECT_NE(nullptr, std::strstr(owned.result.xml, "<label>b</label>"));
    }
}

TEST(CInterfaceTest, RefusesInvalidArguments) {
    struct Case {
        const char* what;
        const char* input;
        std::size_t size;
        int encoding;
    };
    const Case cases[] = {
        {"null input with a size", nullptr, 5, VQZ2XML_LATIN1},
        {"encoding one past the last", complete.data(), complete.size(), 3},
        {"negative encoding", complete.data(), complete.size(), -1},
        {"large encoding", complete.data(), complete.size(), 1 << 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        vqz2xml_result result = scribbled();
        EXPECT_EQ(VQZ2XML_INVALID_ARGUMENT,
                  convertWithEncodingNumber(c.input, c.size, c.encoding, &result));
        EXPECT_EQ(0, result.complete);
        EXPECT_EQ(nullptr, result.xml);
        EXPECT_EQ(0u, result.xml_size);
        EXPECT_EQ(nullptr, result.message);
    }
    EXPECT_EQ(VQZ2XML_INVALID_ARGUMENT,
              vqz2xml_convert(complete.data(), complete.size(), VQZ2XML_LATIN1, nullptr));
}

TEST(CInterfaceTest, FreeIsSafeOnNullZeroedAndFreedResults) {
    vqz2xml_result_free(nullptr);
    vqz2xml_result zeroed{};
    vqz2xml_result_free(&zeroed);
    vqz2xml_result result{};
    ASSERT_EQ(VQZ2XML_OK, vqz2xml_convert("BOGUS", 5, VQZ2XML_LATIN1, &result));
    vqz2xml_result_free(&result);
    EXPECT_EQ(nullptr, result.xml);
    EXPECT_EQ(nullptr, result.message);
    vqz2xml_result_free(&result);
}

TEST(CInterfaceTest, VersionMatchesTheCppInterface) {
    EXPECT_EQ(vqz2xml::version(), std::string(vqz2xml_version()));
}

} // namespace
