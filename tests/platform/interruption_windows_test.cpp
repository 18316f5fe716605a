// Interruptions on Windows, in a child process: the temporary files in flight go and the process
// ends as Ctrl-C ends it; standard handles that are missing are given the null device.
#include "platform/interruption.h"
#include "platform/output_file.h"
#include "platform/paths.h"
#include "tests/platform/scratch_folder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <io.h>
#include <iterator>
#include <map>
#include <string>
#include <vector>
#include <windows.h>

namespace {

namespace fs = std::filesystem;

// Three outputs half-written into temporary files named after them, then an interruption. The
// child's exit status tells what went wrong before the interruption, if anything did.
[[noreturn]] void interruptedWhileWriting(const fs::path& folder) {
    platform::handleInterruptions();
    std::vector<platform::OutputFile> outputs;
    for (int i = 0; i < 3; ++i) {
        outputs.emplace_back(platform::toUtf8(folder / ScratchFolder::outputName(i)));
        outputs.back().stream() << "half" << std::flush;
    }
    const auto during = filesIn(folder);
    if (during.size() != 6) std::_Exit(3);
    for (const auto& [name, bytes] : during) {
        if (bytes == "old") continue;
        if (bytes != "half" || name.find(".out") != 0 || name.find(".xml.vqz2xml-") != 5) {
            std::_Exit(4);
        }
    }
    platform::interruptProcess();
    std::_Exit(5);
}

TEST(InterruptionWindowsTest, TemporariesGoAndTheProcessEndsAsCtrlCEndsIt) {
    const ScratchFolder folder;
    folder.addOldOutputs();
    EXPECT_EXIT(interruptedWhileWriting(folder.path),
                testing::ExitedWithCode(static_cast<int>(STATUS_CONTROL_C_EXIT)), "");
    EXPECT_EQ(folder.oldOutputs(), filesIn(folder.path));
}

// Standard input and output closed, as a program started without them finds them: both are
// given the null device, for the system's handles and the C runtime's descriptors and streams.
[[noreturn]] void withoutStandardHandles() {
    _close(0);
    _close(1);
    SetStdHandle(STD_INPUT_HANDLE, nullptr);
    SetStdHandle(STD_OUTPUT_HANDLE, INVALID_HANDLE_VALUE);
    platform::openMissingStandardStreams();
    char byte = 0;
    DWORD count = 1;
    if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &count, nullptr) || count != 0) {
        std::_Exit(3);
    }
    if (!WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "x", 1, &count, nullptr) || count != 1) {
        std::_Exit(4);
    }
    if (_read(0, &byte, 1) != 0 || _write(1, "x", 1) != 1) std::_Exit(5);
    if (std::fputs("x", stdout) < 0 || std::fflush(stdout) != 0) std::_Exit(6);
    std::_Exit(0);
}

TEST(InterruptionWindowsTest, MissingStandardHandlesGetTheNullDevice) {
    EXPECT_EXIT(withoutStandardHandles(), testing::ExitedWithCode(0), "");
}

} // namespace
