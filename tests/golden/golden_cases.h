// The golden cases of tests/golden/: each classic input with the exact XML the program makes of it.
#pragma once

#include "vqz2xml/vqz2xml.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The classic files of a folder, in the order of their names.
inline std::vector<std::filesystem::path> classicFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".vqz") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A case is read in the encoding its name begins with (enc_utf8_, enc_cp1252_), every other one
// in Latin-1.
struct GoldenCase {
    std::string name; // the file name without ".vqz"
    std::string input, xml;
    vqz2xml::Encoding encoding = vqz2xml::Encoding::Latin1;

    bool complete() const { return xml.find("*** Error:") == std::string::npos; }
};

inline vqz2xml::Encoding encodingOfCase(const std::string& name) {
    if (name.rfind("enc_utf8_", 0) == 0) return vqz2xml::Encoding::Utf8;
    if (name.rfind("enc_cp1252_", 0) == 0) return vqz2xml::Encoding::Cp1252;
    return vqz2xml::Encoding::Latin1;
}

inline std::vector<GoldenCase> goldenCases() {
    std::vector<GoldenCase> cases;
    for (auto path : classicFiles(GOLDEN_DIR)) {
        const std::string name = path.stem().string();
        std::string input = readFile(path);
        cases.push_back({name, std::move(input), readFile(path.replace_extension(".xml")),
                         encodingOfCase(name)});
    }
    return cases;
}
