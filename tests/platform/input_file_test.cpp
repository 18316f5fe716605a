// Inputs read whole: files of every size byte for byte, files changed while read, what is no file.
#include "platform/input_file.h"
#include "platform/paths.h"
#include "tests/platform/scratch_folder.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string patterned(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = "VQZ\r\n\x1a\0\xff"[i % 8];
    return bytes;
}

void writeFile(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST(InputBytesTest, ReadsFilesOfEverySizeByteForByte) {
    const ScratchFolder folder;
    // Empty, small and big; with zero bytes, CR LF and a Ctrl-Z.
    for (const std::size_t size : {std::size_t{0}, std::size_t{5000}, std::size_t{3} << 20}) {
        SCOPED_TRACE(size);
        const std::string bytes = patterned(size);
        const fs::path file = folder.path / ("in" + std::to_string(size));
        writeFile(file, bytes);
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

// What the test does to the file between its reading and the check.
std::function<void(const fs::path&)> change;

// Another program writes the file while it is read: the reader sees it by the file's size or
// modification time, and takes nothing.
TEST(InputBytesTest, FileChangedWhileReadIsRefused) {
    struct Case {
        std::string what;
        std::function<void(const fs::path&)> change;
    };
    const auto later = [](const fs::path& file) {
        fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(1));
    };
    const Case cases[] = {
        {"truncated", [](const fs::path& file) { fs::resize_file(file, 10); }},
        {"grown", [](const fs::path& file) { fs::resize_file(file, fs::file_size(file) + 1); }},
        {"rewritten in place",
         [&](const fs::path& file) {
             std::fstream(file, std::ios::binary | std::ios::in | std::ios::out) << "XYZ";
             later(file);
         }},
    };
    const ScratchFolder folder;
    platform::InputBytes::setReadHook([](const std::string& name) { change(name); });
    for (const std::size_t size : {std::size_t{5000}, std::size_t{3} << 20}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.what + " " + std::to_string(size));
            const fs::path file = folder.path / "in";
            writeFile(file, patterned(size));
            change = c.change;
            platform::InputBytes input;
            const std::error_code error = input.readFile(file.string());
            EXPECT_EQ(platform::InputError::ChangedWhileRead, error);
            EXPECT_EQ("changed while it was read", error.message());
            EXPECT_TRUE(input.view().empty());
        }
    }
    platform::InputBytes::setReadHook(nullptr);
}

// The bytes read are the program's own: a file truncated or rewritten afterwards changes none.
TEST(InputBytesTest, BytesReadStayAsReadWhateverBecomesOfTheFile) {
    const ScratchFolder folder;
    const fs::path file = folder.path / "in";
    const std::string bytes = patterned(std::size_t{3} << 20);
    writeFile(file, bytes);
    platform::InputBytes input;
    ASSERT_FALSE(input.readFile(file.string()));
    fs::resize_file(file, 0);
    writeFile(file, "other");
    EXPECT_TRUE(input.view() == bytes);
}

} // namespace
