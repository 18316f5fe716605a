// The golden cases of tests/golden/: each classic input with the XML the program makes of it.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// A case is read in the encoding its name begins with (enc_utf8_, enc_cp1252_), every other one
// in Latin-1; `encoding` numbers them as both interfaces do: 0 Latin-1, 1 Windows-1252, 2 UTF-8.
struct GoldenCase {
    std::string name, input, xml;
    int encoding = 0;
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
        const std::string name = path.filename().string();
        const int encoding = name.rfind("enc_utf8_", 0) == 0     ? 2
                             : name.rfind("enc_cp1252_", 0) == 0 ? 1
                                                                 : 0;
        cases.push_back({name, input, readFile(path.replace_extension(".xml")), encoding});
    }
    return cases;
}
