// Windows outputs: a replaced file keeps its attributes, devices and pipes are written in place,
// and a read-only file is not taken for a writable one.
#include "platform/output_file.h"
#include "platform/paths.h"
#include "tests/platform/scratch_folder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <windows.h>

namespace {

namespace fs = std::filesystem;

// A scratch folder, the working folder while it lives.
struct WorkingFolder : ScratchFolder {
    fs::path previous = fs::current_path();
    WorkingFolder() { fs::current_path(path); }
    ~WorkingFolder() { fs::current_path(previous); }
    std::size_t entries() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(path), fs::directory_iterator()));
    }
};

TEST(OutputFileWindowsTest, ReplacedFileKeepsItsAttributes) {
    const WorkingFolder folder;
    const fs::path target = folder.path / "out.xml";
    std::ofstream(target, std::ios::binary) << "old";
    ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_HIDDEN));
    // A name relative to the working folder, the way the command line gives it.
    platform::OutputFile output("out.xml");
    ASSERT_TRUE(output.isOpen()) << output.error().message();
    output.stream() << "new";
    ASSERT_TRUE(output.commit()) << output.error().message();
    EXPECT_EQ("new", readFile(target));
    EXPECT_NE(0u, GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(1u, folder.entries());
}

TEST(OutputFileWindowsTest, DevicesAreWrittenInPlace) {
    const WorkingFolder folder;
    std::ofstream("file.xml", std::ios::binary) << "old";
    EXPECT_FALSE(platform::isWrittenDirectly("file.xml"));
    EXPECT_FALSE(platform::isWrittenDirectly("missing.xml"));
    for (const char* device : {"NUL", "nul", "\\\\.\\NUL"}) {
        SCOPED_TRACE(device);
        EXPECT_TRUE(platform::isWrittenDirectly(device));
        EXPECT_TRUE(platform::isWritableIfRegular(device));
        platform::OutputFile output(device);
        ASSERT_TRUE(output.isOpen()) << output.error().message();
        output.stream() << "gone";
        EXPECT_TRUE(output.commit(platform::Sync::ToDisk)) << output.error().message();
        EXPECT_EQ(1u, folder.entries());
    }
}

// A named pipe is written directly. Nothing opens it or asks about it before: either would take
// its one waiting instance for a connection of its own, and the output could not connect.
TEST(OutputFileWindowsTest, NamedPipeIsWrittenDirectly) {
    const std::wstring name =
        L"\\\\.\\pipe\\vqz2xml_test_" + std::to_wstring(GetCurrentProcessId());
    const HANDLE server = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND,
                                           PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 4096, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, server);
    const std::string utf8 = platform::toUtf8(name);
    EXPECT_TRUE(platform::isWrittenDirectly(utf8));
    EXPECT_TRUE(platform::isWritableIfRegular(utf8));
    {
        platform::OutputFile output(utf8);
        ASSERT_TRUE(output.isOpen()) << output.error().message();
        output.stream() << "xml";
        EXPECT_TRUE(output.commit(platform::Sync::ToDisk)) << output.error().message();
    }
    char bytes[8] = {};
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(server, bytes, sizeof bytes, &got, nullptr));
    EXPECT_EQ("xml", std::string(bytes, got));
    CloseHandle(server);
}

TEST(OutputFileWindowsTest, ReadOnlyFileIsNotWritable) {
    const WorkingFolder folder;
    std::ofstream("kept.xml", std::ios::binary) << "old";
    ASSERT_TRUE(SetFileAttributesW(L"kept.xml", FILE_ATTRIBUTE_READONLY));
    const HANDLE probe = CreateFileW(L"kept.xml", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        SetFileAttributesW(L"kept.xml", FILE_ATTRIBUTE_NORMAL);
        GTEST_SKIP() << "read-only files are writable here (Wine run by root)";
    }
    EXPECT_FALSE(platform::isWritableIfRegular("kept.xml"));
    EXPECT_TRUE(platform::isWritableIfRegular("missing.xml"));
    platform::OutputFile output("kept.xml");
    EXPECT_FALSE(output.isOpen());
    EXPECT_EQ(std::error_code(ERROR_ACCESS_DENIED, std::system_category()), output.error());
    EXPECT_EQ("old", readFile("kept.xml"));
    SetFileAttributesW(L"kept.xml", FILE_ATTRIBUTE_NORMAL);
}

} // namespace
