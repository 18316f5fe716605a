// The golden cases of tests/golden/: each classic input with the XML the program makes of it.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct GoldenCase {
    std::string name, input, xml;
    bool complete() const { return xml.find("*** Error:") == std::string::npos; }
};

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline std::vector<GoldenCase> goldenCases() {
    std::vector<GoldenCase> cases;
    for (const auto& entry : std::filesystem::directory_iterator(GOLDEN_DIR)) {
        auto path = entry.path();
        if (path.extension() != ".vqz") continue;
        const std::string input = readFile(path);
        cases.push_back(
            {path.filename().string(), input, readFile(path.replace_extension(".xml"))});
    }
    return cases;
}
