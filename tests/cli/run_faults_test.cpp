// Faults during a run: inputs changed by others, interruptions, limits, closed streams, odd names.
#include "cli/sandbox.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

using Files = std::map<std::string, std::string>;

// A complete survey of `count` variables named `name`: about 70 bytes of input each.
std::string survey(int count, std::string_view name) {
    std::string text = "VQZ VERSION 1.1 SURVEY RECORD A\n";
    for (int i = 0; i < count; ++i) {
        text += "VARIABLE 1 NAME \"" + std::string(name) +
                "\" LABEL \"l\" TYPE LOGICAL POSITION 1 END VARIABLE\n";
    }
    return text + "END RECORD END SURVEY END VQZ\n";
}

std::string absolute(const Sandbox& sandbox, std::string_view name) {
    return sandbox.path(name).string();
}

// An input that another program truncates or rewrites while it is converted: the XML is that of
// the input as it was read, and the run goes on to its end. The program writes into a named pipe
// whose reader takes one byte (so the conversion is under way), changes the input, then takes the
// rest; the input is big enough that its reading could not have ended by then, were it read as
// the conversion went.
TEST(RunFaultsTest, InputChangedDuringTheConversionIsConvertedAsItWasRead) {
    const std::string original = survey(60000, "n");
    const std::string rewritten = survey(60000, "m");
    struct Case {
        std::string change;
    };
    const Case cases[] = {
        {"truncate -s 0 big.vqz"},
        {"dd if=../rewritten of=big.vqz conv=notrunc status=none"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        const Sandbox sandbox;
        sandbox.addFile("big.vqz", original);
        writeFile(sandbox.beside("rewritten"), rewritten);
        ASSERT_EQ(0, sandbox.run({"-o", absolute(sandbox, "../expected.xml"), "big"}, "").status);
        ASSERT_EQ(0, ::mkfifo(sandbox.path("pipe.xml").c_str(), 0644));
        const std::string reader =
            "{ exec 3<pipe.xml; dd bs=1 count=1 <&3 >../piped 2>/dev/null; " + c.change +
            "; cat <&3 >>../piped; } & ";
        const RunResult result =
            sandbox.run({"-o", "pipe.xml", "big"}, "", Shell{reader, "", false, "; wait"});
        EXPECT_EQ(0, result.status);
        EXPECT_EQ("", result.errors);
        EXPECT_TRUE(readFile(sandbox.beside("expected.xml")) == readFile(sandbox.beside("piped")));
    }
}

// The program waits on standard input with its output open when it is interrupted: the old output
// stays, and nothing else is left, not even after a kill that no program can handle.
TEST(RunFaultsTest, InterruptionLeavesTheOldOutputAndNothingElse) {
    if (!fs::exists("/proc/self/fd")) GTEST_SKIP() << "no /proc here to see the open output";
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGKILL}) {
        SCOPED_TRACE(::strsignal(signal));
        const Sandbox sandbox;
        sandbox.addFile("out.xml", "old");
        WaitingRun run(sandbox, {"-f", "-o", "out.xml", "-"});
        ASSERT_TRUE(run.waitForOpenOutput());
        EXPECT_EQ(signal, run.end(signal));
        EXPECT_EQ((Files{{"out.xml", "old"}}), sandbox.files());
        EXPECT_EQ(std::set<std::string>{"out.xml"}, sandbox.entries());
    }
}

// Under an address-space limit that leaves room for some threads only, those that start do the
// work; the process never aborts.
TEST(RunFaultsTest, JobsGoOnWhenNotEveryThreadCanStart) {
    constexpr std::string_view limits = "ulimit -s 8192 && ulimit -v 1000000 && ";
    const Sandbox sandbox;
    if (sandbox.run({"--version"}, "", limits).status != 0) {
        GTEST_SKIP() << "no address-space limit here";
    }
    std::vector<std::string> arguments = {"-j", "200", "-q", "-d", "out"};
    for (int i = 0; i < 200; ++i) {
        const std::string name = "in" + std::to_string(i) + ".vqz";
        sandbox.addFile(name, completeInput);
        arguments.push_back(name);
    }
    const RunResult result = sandbox.run(arguments, "", limits);
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("", result.errors);
    EXPECT_EQ(400u, sandbox.files().size());
}

// Closed standard streams are opened on the null device, so no output takes their place and
// the console text goes nowhere rather than into an XML file. In the classic form, names long
// enough to fill the console's buffer make it write while the output is open.
TEST(RunFaultsTest, ClosedStandardStreamsNeverReachAnOutput) {
    const Sandbox sandbox;
    std::string deep;
    for (int i = 0; i < 8; ++i) deep += std::string(250, 'd') + "/";
    sandbox.addFile(deep + "in.vqz", completeInput);
    std::vector<std::string> arguments = {"-j2", "-v", "--progress", "-d", "out"};
    for (int i = 0; i < 40; ++i) {
        const std::string name = "in" + std::to_string(i) + ".vqz";
        sandbox.addFile(name, completeInput);
        arguments.push_back(name);
    }
    const RunResult options = sandbox.run(arguments, "", Shell{"", " 2>&-", false, ""});
    EXPECT_EQ(0, options.status);
    const RunResult classic =
        sandbox.run({deep + "in", deep + "classic.xml"}, "", Shell{"", " >&-", false, ""});
    EXPECT_EQ(0, classic.status);
    const Files files = sandbox.files();
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(fs::path(name).filename().string());
        EXPECT_EQ(name.find(".vqz") != std::string::npos ? completeInput : completeXml, bytes);
    }
    EXPECT_EQ(82u, files.size());
}

// A working folder that was removed has no name; names from the root still work.
TEST(RunFaultsTest, RunsInAFolderThatWasRemoved) {
    constexpr std::string_view gone = "mkdir gone && cd gone && rmdir ../gone && ";
    const Sandbox sandbox;
    sandbox.addFile("a.vqz", completeInput);
    const RunResult relative = sandbox.run({"--", "a", "b"}, "", gone);
    EXPECT_EQ(2, relative.status);
    EXPECT_EQ("vqz2xml: cannot read 'a.vqz': No such file or directory\n"
              "vqz2xml: cannot read 'b.vqz': No such file or directory\n"
              "vqz2xml: 2 files: 0 converted, 0 faulty, 2 failed\n",
              relative.errors);
    const RunResult options =
        sandbox.run({"-o", absolute(sandbox, "b.xml"), absolute(sandbox, "a.vqz")}, "", gone);
    EXPECT_EQ(0, options.status);
    EXPECT_EQ("", options.errors);
    const RunResult classic =
        sandbox.run({absolute(sandbox, "a.vqz"), absolute(sandbox, "c.xml")}, "", gone);
    EXPECT_NE(std::string::npos, classic.console.find("completed succesfully"));
    EXPECT_EQ((Files{{"a.vqz", std::string(completeInput)},
                     {"b.xml", std::string(completeXml)},
                     {"c.xml", std::string(completeXml)}}),
              sandbox.files());
}

// A name of a descriptor is written to directly, whatever it leads to: a pipe or a file the
// shell opened, which is no old output to keep.
TEST(RunFaultsTest, DescriptorNamesAreWrittenDirectly) {
    struct Case {
        std::string name;
        bool throughPipe;
    };
    const Case cases[] = {
        {"/dev/stdout", false},
        {"/dev/stdout", true},
        {"/dev/fd/1", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name + (c.throughPipe ? " to a pipe" : " to a file"));
        const Sandbox sandbox;
        sandbox.addFile("a.vqz", completeInput);
        const RunResult result =
            sandbox.run({"-o", c.name, "a"}, "", Shell{"", "", c.throughPipe, ""});
        EXPECT_EQ(0, result.status);
        EXPECT_EQ("", result.errors);
        EXPECT_EQ(completeXml, result.console);
    }
    const Sandbox sandbox;
    sandbox.addFile("a.vqz", completeInput);
    const RunResult result = sandbox.run({"-o", "/dev/stderr", "a"}, "");
    EXPECT_EQ(0, result.status);
    EXPECT_EQ(completeXml, result.errors);
}

TEST(RunFaultsTest, ControlBytesInNamesAreEscaped) {
    const Sandbox sandbox;
    sandbox.addFile("a\nb.vqz", "BOGUS\n");
    const RunResult result = sandbox.run({"-v", "-d", "out", "a\nb.vqz", "c\x1b"}, "");
    EXPECT_EQ(2, result.status);
    EXPECT_EQ("a\\x0ab.vqz:1:1: error: expected 'VQZ', found \"BOGUS\"\n"
              "a\\x0ab.vqz -> out/a\\x0ab.xml: faulty\n"
              "vqz2xml: cannot read 'c\\x1b.vqz': No such file or directory\n"
              "vqz2xml: 2 files: 0 converted, 1 faulty, 1 failed\n",
              result.errors);
}

// Without --progress or --no-progress, the progress line is drawn when standard error is a
// terminal (and never otherwise, as ProgressLineIsClearedAtTheEnd shows).
TEST(RunFaultsTest, ProgressLineIsDrawnOnATerminalByDefault) {
    const Sandbox sandbox;
    if (sandbox.runInTerminal({"--version"}).status != 0) GTEST_SKIP() << "no script(1) here";
    sandbox.addFile("a.vqz", completeInput);
    sandbox.addFile("b.vqz", completeInput);
    sandbox.addFile("c.vqz", completeInput);
    const RunResult result = sandbox.runInTerminal({"-d", "out", "a", "b", "c"});
    EXPECT_EQ(0, result.status);
    EXPECT_NE(std::string::npos, result.console.find("\rvqz2xml: 3/3 files, 0 faulty"))
        << result.console;
}

// The system calls of a run, as strace(1) saw them: one line each, in order. A sanitizer build's
// leak check cannot work under a tracer, so it is turned off for this run.
std::vector<std::string> tracedCalls(const Sandbox& sandbox, std::vector<std::string> arguments) {
    const RunResult result =
        sandbox.run(arguments, "",
                    Shell{"ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o ../trace "
                          "-e trace=fsync,fdatasync,linkat,rename,renameat,renameat2 ",
                          "", false, ""});
    EXPECT_EQ(0, result.status) << result.errors;
    std::vector<std::string> calls;
    std::ifstream trace(sandbox.beside("trace"));
    for (std::string line; std::getline(trace, line);) {
        if (line.find("+++") == std::string::npos && line.find("---") == std::string::npos) {
            calls.push_back(line.substr(line.find_first_not_of("0123456789 "))); // no process id
        }
    }
    return calls;
}

// With --fsync the new contents reach the disk before they take the output's name, and the
// folder holding the name after; without, nothing is flushed.
TEST(RunFaultsTest, FsyncFlushesTheDataBeforeTheRenameAndTheFolderAfter) {
    const Sandbox sandbox;
    sandbox.addFile("a.vqz", completeInput);
    if (std::system("strace -qq -o /dev/null true 2>/dev/null") != 0) {
        GTEST_SKIP() << "no strace here, or tracing is not allowed";
    }
    for (const bool exists : {false, true}) {
        SCOPED_TRACE(exists ? "replacing" : "new");
        if (exists) sandbox.addFile("out.xml", "old");
        const auto calls = tracedCalls(sandbox, {"-f", "--fsync", "-o", "out.xml", "a"});
        ASSERT_FALSE(calls.empty());
        ASSERT_EQ(3u + exists, calls.size()) << testing::PrintToString(calls);
        EXPECT_EQ(0u, calls[0].find("fsync("));
        EXPECT_EQ(0u, calls[1].find("linkat("));
        if (exists) {
            EXPECT_EQ(0u, calls[2].find("rename"));
        }
        EXPECT_EQ(0u, calls.back().find("fsync("));
        EXPECT_EQ(completeXml, readFile(sandbox.path("out.xml")));
    }
    const auto calls = tracedCalls(sandbox, {"-f", "-o", "out.xml", "a"});
    for (const std::string& call : calls) EXPECT_EQ(std::string::npos, call.find("sync("));
}

// An output with other hard links is replaced under its own name only: the link is broken, and
// the other names keep the old contents. Without -f it is refused like any existing output.
TEST(RunFaultsTest, HardLinkedOutputIsReplacedUnderItsOwnNameOnly) {
    const Sandbox sandbox;
    sandbox.addFile("a.vqz", completeInput);
    sandbox.addFile("out.xml", "old");
    fs::create_hard_link(sandbox.path("out.xml"), sandbox.path("other.xml"));
    EXPECT_EQ(2, sandbox.run({"-o", "out.xml", "a"}, "").status);
    EXPECT_EQ("old", readFile(sandbox.path("out.xml")));
    EXPECT_EQ(0, sandbox.run({"-f", "-o", "out.xml", "a"}, "").status);
    EXPECT_EQ(completeXml, readFile(sandbox.path("out.xml")));
    EXPECT_EQ("old", readFile(sandbox.path("other.xml")));
    EXPECT_EQ(1u, fs::hard_link_count(sandbox.path("other.xml")));
}

} // namespace
