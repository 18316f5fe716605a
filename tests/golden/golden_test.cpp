// Converts every classic file in this folder and compares the result with the XML beside it; an
// XML parser, where the build has one, checks every complete document against the schema.
#include "library/survey_json.h"
#include "tests/golden/golden_cases.h"
#include "tests/golden/schema_check.h"

#include <algorithm>
#include <cctype>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> caseNames() {
    std::vector<std::string> names;
    for (const auto& file : classicFiles(GOLDEN_DIR)) names.push_back(file.stem().string());
    return names;
}

// The line that holds byte `at`, with its line end shown, for a readable mismatch report.
std::string lineAround(const std::string& text, std::size_t at) {
    const auto begin = text.rfind('\n', at == 0 ? 0 : at - 1);
    const auto from = begin == std::string::npos ? 0 : begin + 1;
    const auto end = text.find('\n', at);
    std::string line =
        text.substr(from, end == std::string::npos ? std::string::npos : end - from + 1);
    std::string shown;
    for (const char c : line) {
        if (c == '\r')
            shown += "\\r";
        else if (c == '\n')
            shown += "\\n";
        else
            shown += c;
    }
    return shown;
}

constexpr vqz2xml::Encoding allEncodings[] = {vqz2xml::Encoding::Latin1, vqz2xml::Encoding::Cp1252,
                                              vqz2xml::Encoding::Utf8};

class GoldenTest : public testing::TestWithParam<std::string> {};

// Where `actual` first differs from `expected`, or nothing when they are the same.
std::string firstDifference(const std::string& expected, const std::string& actual) {
    if (actual == expected) return "";
    const auto mismatch =
        std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
    const auto at = static_cast<std::size_t>(mismatch.first - expected.begin());
    return "first difference at byte " + std::to_string(at) +
           "\n  expected line: " + lineAround(expected, at) +
           "\n  actual line:   " + lineAround(actual, at);
}

// Both forms of the conversion, into a string and into a stream, give the expected bytes and
// tell whether the document is complete.
TEST_P(GoldenTest, ConvertsToExpectedBytes) {
    const fs::path base = fs::path(GOLDEN_DIR) / GetParam();
    const fs::path expectedPath = fs::path(base).replace_extension(".xml");
    ASSERT_TRUE(fs::exists(expectedPath)) << "no expected output beside " << GetParam();
    const std::string expected = readFile(expectedPath);
    const std::string input = readFile(fs::path(base).replace_extension(".vqz"));
    const vqz2xml::Options options{encodingOfCase(GetParam())};
    const vqz2xml::Result result = vqz2xml::convert(input, options);
    EXPECT_EQ("", firstDifference(expected, result.xml));
    std::ostringstream stream;
    const vqz2xml::Outcome outcome = vqz2xml::convert(input, stream, options);
    EXPECT_EQ("", firstDifference(expected, stream.str())) << "(the stream form)";
    const bool complete = expected.find("*** Error:") == std::string::npos;
    EXPECT_EQ(complete, result.complete);
    EXPECT_EQ(complete, outcome.complete);
    EXPECT_EQ(!complete, outcome.diagnostic.has_value());
}

TEST_P(GoldenTest, CompleteDocumentIsValid) {
    if (!schemaCheckAvailable()) GTEST_SKIP() << "built without an XML parser";
    const fs::path base = fs::path(GOLDEN_DIR) / GetParam();
    const std::string xml = readFile(fs::path(base).replace_extension(".xml"));
    if (xml.find("*** Error:") != std::string::npos) return; // ends with the report
    EXPECT_EQ("", schemaProblems(xml));
}

// The model cannot disagree with the XML: every fact a complete document shows is the model's.
TEST_P(GoldenTest, ModelHoldsWhatTheXmlShows) {
    if (!schemaCheckAvailable()) GTEST_SKIP() << "built without an XML parser";
    const fs::path base = fs::path(GOLDEN_DIR) / GetParam();
    const std::string xml = readFile(fs::path(base).replace_extension(".xml"));
    const std::string input = readFile(fs::path(base).replace_extension(".vqz"));
    const vqz2xml::SurveyResult read = vqz2xml::readSurvey(input, {encodingOfCase(GetParam())});
    EXPECT_EQ(xml.find("*** Error:") == std::string::npos, read.complete);
    if (read.complete) {
        EXPECT_EQ("", surveyMismatch(xml, read.survey));
    }
    // The JSON streamed a variable at a time is the whole model's.
    std::ostringstream streamed;
    const vqz2xml::Outcome outcome =
        writeSurveyJson(input, streamed, {encodingOfCase(GetParam())});
    EXPECT_EQ(vqz2xml::toJson(read), streamed.str());
    EXPECT_EQ(read.complete, outcome.complete);
}

TEST(ExamplesTest, ValidInEveryEncoding) {
    if (!schemaCheckAvailable()) GTEST_SKIP() << "built without an XML parser";
    const auto examples = classicFiles(EXAMPLES_DIR);
    ASSERT_FALSE(examples.empty());
    for (const auto& example : examples) {
        for (const vqz2xml::Encoding encoding : allEncodings) {
            SCOPED_TRACE(example.filename().string() + " in encoding " +
                         std::to_string(static_cast<int>(encoding)));
            const vqz2xml::Result result = vqz2xml::convert(readFile(example), {encoding});
            EXPECT_TRUE(result.complete);
            EXPECT_EQ("", schemaProblems(result.xml));
        }
    }
}

// The fuzzer's kept inputs reach far corners of the grammar: each complete conversion of them,
// in every encoding, must be valid too.
TEST(FuzzCorpusTest, CompleteConversionsAreValid) {
    if (!schemaCheckAvailable()) GTEST_SKIP() << "built without an XML parser";
    if (!fs::is_directory(FUZZ_CORPUS_DIR)) GTEST_SKIP() << "no corpus at " FUZZ_CORPUS_DIR;
    int complete = 0;
    for (const auto& entry : fs::directory_iterator(FUZZ_CORPUS_DIR)) {
        const std::string input = readFile(entry.path());
        for (const vqz2xml::Encoding encoding : allEncodings) {
            const vqz2xml::Result result = vqz2xml::convert(input, {encoding});
            if (!result.complete) continue;
            ++complete;
            SCOPED_TRACE(entry.path().filename().string() + " in encoding " +
                         std::to_string(static_cast<int>(encoding)));
            EXPECT_EQ("", schemaProblems(result.xml));
            EXPECT_EQ("", surveyMismatch(result.xml, vqz2xml::readSurvey(input, {encoding}).survey));
        }
    }
    EXPECT_GT(complete, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenTest, testing::ValuesIn(caseNames()),
                         [](const testing::TestParamInfo<std::string>& caseInfo) {
                             std::string name = caseInfo.param;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

} // namespace
