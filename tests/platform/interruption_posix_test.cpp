// Interruptions in a child process: the temporary files in flight go, the process ends as the
// signal would have ended it, and an interruption ignored from the start stays ignored.
#include "platform/interruption.h"
#include "platform/output_file.h"
#include "tests/platform/scratch_folder.h"

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The signals the tests send, back at their default actions: a test run by nohup, or in the
// background, inherits some of them ignored.
void restoreDefaultActions() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) std::signal(signal, SIG_DFL);
}

// Waits for the child's end, bounded: one still running after a minute is killed, and fails.
int waitForEnd(pid_t child) {
    int status = 0;
    for (int tries = 0; tries < 6000; ++tries) {
        if (::waitpid(child, &status, WNOHANG) == child) return status;
        ::usleep(10000);
    }
    ADD_FAILURE() << "the child did not end";
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    return status;
}

// A child process that replaces three old outputs, stopping half-way: it has written into its
// temporary files when the test goes on.
class ChildWithOutputs {
  public:
    ChildWithOutputs(const fs::path& folder, bool unnamed, bool ignoresHangUp) {
        int ready[2];
        if (::pipe(ready) != 0) return;
        child = ::fork();
        if (child == 0) {
            ::close(ready[0]);
            restoreDefaultActions();
            if (ignoresHangUp) std::signal(SIGHUP, SIG_IGN);
            platform::OutputFile::allowUnnamedTemporaries(unnamed);
            platform::handleInterruptions();
            std::vector<platform::OutputFile> outputs;
            for (int i = 0; i < 3; ++i) {
                outputs.emplace_back((folder / ("out" + std::to_string(i) + ".xml")).string());
                outputs.back().stream() << "half" << std::flush;
            }
            const char byte = 'r';
            if (::write(ready[1], &byte, 1) != 1) ::_exit(3);
            for (;;) ::pause();
        }
        ::close(ready[1]);
        char byte = 0;
        started = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
    }
    ~ChildWithOutputs() {
        if (child > 0) end(SIGKILL);
    }

    bool hasStarted() const { return started; }

    // Sends `signal`; when it ends the child, the signal that did, else -1.
    int end(int signal) {
        ::kill(child, signal);
        const int status = waitForEnd(child);
        child = -1;
        return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
    }

    // Sends `signal`, which is to be ignored, then ends the child with `after`.
    int endIgnoring(int signal, int after) {
        ::kill(child, signal);
        return end(after);
    }

  private:
    pid_t child = -1;
    bool started = false;
};

TEST(InterruptionTest, NamedTemporariesGoAndTheSignalEndsTheProcess) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        SCOPED_TRACE(::strsignal(signal));
        const ScratchFolder folder;
        folder.addOldOutputs();
        ChildWithOutputs child(folder.path, false, false);
        ASSERT_TRUE(child.hasStarted());
        const auto during = filesIn(folder.path);
        ASSERT_EQ(6u, during.size());
        for (const auto& [name, bytes] : during) {
            if (bytes == "old") continue;
            EXPECT_EQ(0u, name.find(".out")) << name;
            EXPECT_NE(std::string::npos, name.find(".xml.vqz2xml-")) << name;
        }
        EXPECT_EQ(signal, child.end(signal));
        EXPECT_EQ(folder.oldOutputs(), filesIn(folder.path));
    }
}

TEST(InterruptionTest, UnnamedTemporariesLeaveNothingEvenWhenKilled) {
    const ScratchFolder folder;
    folder.addOldOutputs();
    ChildWithOutputs child(folder.path, true, false);
    ASSERT_TRUE(child.hasStarted());
    if (filesIn(folder.path).size() != 3) {
        GTEST_SKIP() << "this system or file system makes no unnamed files";
    }
    EXPECT_EQ(SIGKILL, child.end(SIGKILL));
    EXPECT_EQ(folder.oldOutputs(), filesIn(folder.path));
}

TEST(InterruptionTest, InterruptionIgnoredFromTheStartStaysIgnored) {
    const ScratchFolder folder;
    folder.addOldOutputs();
    ChildWithOutputs child(folder.path, false, true);
    ASSERT_TRUE(child.hasStarted());
    EXPECT_EQ(SIGTERM, child.endIgnoring(SIGHUP, SIGTERM));
    EXPECT_EQ(folder.oldOutputs(), filesIn(folder.path));
}

} // namespace
