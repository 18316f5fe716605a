// Named pipes on Windows: both forms of the command line reach a pipe's one waiting instance,
// since nothing asks about the name before it is written to or read from.
#include "frontend/batch_run.h"
#include "frontend/conversion_run.h"
#include "platform/paths.h"
#include "tests/platform/scratch_folder.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

namespace {

namespace fs = std::filesystem;

constexpr std::string_view input = "VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME \"n\" LABEL "
                                   "\"l\" TYPE logical POSITION 1 END VARIABLE END RECORD END "
                                   "SURVEY END VQZ";

// A pipe of one instance that takes a single connection: a reader of everything its client
// writes (an inbound pipe), or a writer of `bytes` (an outbound one).
class PipeServer {
  public:
    PipeServer(const std::wstring& pipeName, bool reads, std::string written = {})
        : name(pipeName), inbound(reads), bytes(std::move(written)) {
        handle =
            CreateNamedPipeW(name.c_str(), inbound ? PIPE_ACCESS_INBOUND : PIPE_ACCESS_OUTBOUND,
                             PIPE_TYPE_BYTE | PIPE_WAIT, 1, 1 << 16, 1 << 16, 0, nullptr);
        if (isOpen()) server = std::thread([this] { serve(); });
    }
    ~PipeServer() { finish(); }
    PipeServer(const PipeServer&) = delete;
    PipeServer& operator=(const PipeServer&) = delete;

    bool isOpen() const { return handle != INVALID_HANDLE_VALUE; }

    // What the connection wrote. A server still waiting for its connection is given one, so that
    // a program that never connected cannot leave the test waiting.
    std::string finish() {
        if (!server.joinable()) return bytes;
        const HANDLE late = CreateFileW(name.c_str(), inbound ? GENERIC_WRITE : GENERIC_READ, 0,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (late != INVALID_HANDLE_VALUE) CloseHandle(late); // which ends the serving
        server.join();
        return bytes;
    }

  private:
    // Serves one connection, then closes the pipe: its client then finds the end of the input.
    void serve() {
        // A client that came first is connected already, or gone, its bytes left to read.
        if (ConnectNamedPipe(handle, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED ||
            GetLastError() == ERROR_NO_DATA) {
            DWORD done = 0;
            if (inbound) {
                char buffer[4096];
                while (ReadFile(handle, buffer, sizeof buffer, &done, nullptr) && done > 0) {
                    bytes.append(buffer, done);
                }
            } else {
                WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
                FlushFileBuffers(handle);
            }
        }
        CloseHandle(handle);
    }

    std::wstring name;
    bool inbound;
    std::string bytes;
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::thread server;
};

std::wstring pipeName(int i) {
    return L"\\\\.\\pipe\\vqz2xml_test_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
           std::to_wstring(i) + L".xml";
}

TEST(PipeNamesWindowsTest, OutputsAndInputsReachThePipe) {
    const ScratchFolder folder;
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path);
    std::ofstream("in.vqz", std::ios::binary) << input;
    ASSERT_EQ(0, runOptionForm({"vqz2xml", "-o", "expected.xml", "in.vqz"}));
    const std::string xml = readFile("expected.xml");
    ASSERT_NE(std::string::npos, xml.find("<vqz version=\"1.1\">"));

    struct Case {
        std::vector<std::string> arguments; // PIPE stands for the pipe's name
        bool classic;
    };
    const Case cases[] = {
        {{"-o", "PIPE", "in.vqz"}, false},
        {{"-f", "-o", "PIPE", "in.vqz"}, false},
        {{"-n", "-o", "PIPE", "in.vqz"}, false},
        {{"-u", "-o", "PIPE", "in.vqz"}, false},
        {{"in", "PIPE"}, true},
    };
    int count = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const std::wstring name = pipeName(++count);
        PipeServer server(name, true);
        ASSERT_TRUE(server.isOpen());
        std::vector<std::string> arguments = {"vqz2xml"};
        for (const std::string& argument : c.arguments) {
            arguments.push_back(argument == "PIPE" ? platform::toUtf8(name) : argument);
        }
        std::istringstream answers("y\n");
        std::ostringstream console;
        EXPECT_EQ(0, c.classic ? runConversion(arguments, answers, console)
                               : runOptionForm(arguments));
        EXPECT_EQ(xml, server.finish()) << console.str();
    }

    const std::wstring name = pipeName(++count);
    PipeServer source(name, false, std::string(input));
    ASSERT_TRUE(source.isOpen());
    EXPECT_EQ(0, runOptionForm({"vqz2xml", "-o", "from pipe.xml", platform::toUtf8(name)}));
    source.finish();
    EXPECT_EQ(xml, readFile("from pipe.xml"));
    fs::current_path(previous);
}

} // namespace
