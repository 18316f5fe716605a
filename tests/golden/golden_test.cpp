// Converts every classic file in this folder and compares the result with the XML beside it.
#include "frontend/conversion_run.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::string> caseNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(GOLDEN_DIR)) {
        if (entry.path().extension() == ".vqz") names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
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

class GoldenTest : public testing::TestWithParam<std::string> {};

TEST_P(GoldenTest, ConvertsToExpectedBytes) {
    const fs::path base = fs::path(GOLDEN_DIR) / GetParam();
    const fs::path expectedPath = fs::path(base).replace_extension(".xml");
    ASSERT_TRUE(fs::exists(expectedPath)) << "no expected output beside " << GetParam();
    const std::string expected = readFile(expectedPath);
    const std::string actual = convertText(readFile(fs::path(base).replace_extension(".vqz"))).xml;
    if (actual == expected) return;
    const auto mismatch =
        std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
    const auto at = static_cast<std::size_t>(mismatch.first - expected.begin());
    ADD_FAILURE() << "first difference at byte " << at
                  << "\n  expected line: " << lineAround(expected, at)
                  << "\n  actual line:   " << lineAround(actual, at);
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
