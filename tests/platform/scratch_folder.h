// Scratch folders for the platform layer's tests, and what their files hold.
#pragma once

#include "platform/paths.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <string>

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Every file in `folder`, by its name in UTF-8, with its bytes.
inline std::map<std::string, std::string> filesIn(const std::filesystem::path& folder) {
    std::map<std::string, std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        found[platform::toUtf8(entry.path().filename())] = readFile(entry.path());
    }
    return found;
}

// A folder named after the running test, emptied of what an earlier run that failed may have
// left, and removed with everything in it at the end. The name is the test's alone, so the child
// process of a death test, which runs the test from its start, makes the same folder.
class ScratchFolder {
  public:
    ScratchFolder() {
        const testing::TestInfo& test = *testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("vqz2xml_") + test.test_suite_name() + "_" + test.name();
        for (char& c : name) {
            if (c == '/') c = '_';
        }
        path = std::filesystem::temp_directory_path() / name;
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Three outputs that hold "old", out0.xml to out2.xml, for tests of what replaces them.
    void addOldOutputs() const {
        for (int i = 0; i < 3; ++i) std::ofstream(path / outputName(i)) << "old";
    }
    static std::string outputName(int i) { return "out" + std::to_string(i) + ".xml"; }
    static std::map<std::string, std::string> oldOutputs() {
        return {{"out0.xml", "old"}, {"out1.xml", "old"}, {"out2.xml", "old"}};
    }

    std::filesystem::path path;
};
