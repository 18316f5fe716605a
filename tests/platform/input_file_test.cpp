// Inputs read whole: small and big (mapped) files byte for byte, and the errors of what is no file.
#include "platform/input_file.h"
#include "platform/paths.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace {

namespace fs = std::filesystem;

// A scratch folder, removed with everything in it at the end.
struct ScratchFolder {
    fs::path path =
        fs::temp_directory_path() /
        ("vqz2xml_input_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    ScratchFolder() { fs::create_directories(path); }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

TEST(InputBytesTest, ReadsFilesOfEverySizeByteForByte) {
    const ScratchFolder folder;
    // Empty, small, and big enough to be mapped; with zero bytes, CR LF and a Ctrl-Z.
    for (const std::size_t size : {std::size_t{0}, std::size_t{5000}, std::size_t{3} << 20}) {
        SCOPED_TRACE(size);
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) bytes[i] = "VQZ\r\n\x1a\0\xff"[i % 8];
        const fs::path file = folder.path / ("in" + std::to_string(size));
        std::ofstream(file, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(size));
        platform::InputBytes input;
        ASSERT_FALSE(input.readFile(file.string()));
        EXPECT_TRUE(input.view() == bytes);
        // A moved input keeps its bytes; the one moved from is empty.
        platform::InputBytes moved = std::move(input);
        EXPECT_TRUE(moved.view() == bytes);
        EXPECT_TRUE(input.view().empty());
    }
}

// Names are UTF-8 whatever the system's own code page: the file is found by its characters.
TEST(InputBytesTest, NameOutsideAsciiIsFound) {
    const ScratchFolder folder;
    const std::string name = platform::toUtf8(folder.path) + "/\xe8\xaa\xbf\xe6\x9f\xbb.vqz";
    std::ofstream(platform::toPath(name), std::ios::binary) << "VQZ";
    platform::InputBytes input;
    ASSERT_FALSE(input.readFile(name));
    EXPECT_EQ("VQZ", input.view());
}

TEST(InputBytesTest, WhatIsNoReadableFileGivesItsError) {
    const ScratchFolder folder;
    platform::InputBytes input;
    EXPECT_EQ(std::errc::no_such_file_or_directory,
              input.readFile((folder.path / "none").string()));
    EXPECT_EQ(std::errc::is_a_directory, input.readFile(folder.path.string()));
    EXPECT_TRUE(input.view().empty());
}

} // namespace
