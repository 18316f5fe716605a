// Runs the option form of the program: batches, diagnostics, exit statuses and safe outputs.
#include "cli/sandbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {

// A faulty input with CR LF line ends, and what the option form says about it.
constexpr std::string_view faultyInput = "VQZ\r\nVERSION 1.1\r\nSURVEY\r\n  BOGUS \"x\"\r\n";
constexpr std::string_view faultyLine =
    "bad.vqz:4:3: error: expected 'Title', found \"BOGUS \\\"x\\\"\"\n";
const std::string faultyXml = "<?xml version=\"1.0\"?>\r\n<vqz version=\"1.1\">\r\n    <survey>\r\n"
                              "        \r\n*** Error: at corresponding point in source file:\r\n"
                              "           'Title' was expected but found:\r\n"
                              "           \r\n  BOGUS \"x\"\r\n\r\n";

// The last line of a run of several inputs; `more` holds the counts of -n or -u ("1 skipped, ").
std::string summary(int files, int converted, int faulty, int failed,
                    const std::string& more = "") {
    return "vqz2xml: " + std::to_string(files) + " files: " + std::to_string(converted) +
           " converted, " + std::to_string(faulty) + " faulty, " + more + std::to_string(failed) +
           " failed\n";
}

std::string usageError(const std::string& message) {
    return "vqz2xml: " + message + "\nTry 'vqz2xml --help' for more information.\n";
}

using Files = std::map<std::string, std::string>;

// A sandbox holding good.vqz, sub/good2.vqz and bad.vqz.
struct Batch : Sandbox {
    Batch() {
        addFile("good.vqz", completeInput);
        addFile("sub/good2.vqz", completeInput);
        addFile("bad.vqz", faultyInput);
    }
    Files inputsAnd(Files more) const {
        more["good.vqz"] = std::string(completeInput);
        more["sub/good2.vqz"] = std::string(completeInput);
        more["bad.vqz"] = std::string(faultyInput);
        return more;
    }
};

TEST(OptionFormTest, ConvertsBatchesAndTellsTheOutcomeByStatus) {
    const std::string xml(completeXml);
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string errors;
        Files outputs;
    };
    const Case cases[] = {
        {{"--", "good"}, 0, "", {{"good.xml", xml}}},
        {{"-d", "xml", "good", "sub/good2.vqz"},
         0,
         summary(2, 2, 0, 0),
         {{"xml/good.xml", xml}, {"xml/good2.xml", xml}}},
        {{"--", "good", "bad", "sub/good2"},
         1,
         std::string(faultyLine) + summary(3, 2, 1, 0),
         {{"good.xml", xml}, {"bad.xml", faultyXml}, {"sub/good2.xml", xml}}},
        {{"-d", "xml", "good", "missing", "bad"},
         2,
         "vqz2xml: cannot read 'missing.vqz': No such file or directory\n" +
             std::string(faultyLine) + summary(3, 1, 1, 1),
         {{"xml/good.xml", xml}, {"xml/bad.xml", faultyXml}}},
        {{"-q", "-d", "xml", "good", "bad"},
         1,
         std::string(faultyLine),
         {{"xml/good.xml", xml}, {"xml/bad.xml", faultyXml}}},
        {{"--verbose", "--output-dir=xml", "good", "bad"},
         1,
         "good.vqz -> xml/good.xml: converted\n" + std::string(faultyLine) +
             "bad.vqz -> xml/bad.xml: faulty\n" + summary(2, 1, 1, 0),
         {{"xml/good.xml", xml}, {"xml/bad.xml", faultyXml}}},
        {{"-d", "deep/er", "--", "good"}, 0, "", {{"deep/er/good.xml", xml}}},
        // A repeated option takes its last value.
        {{"-o", "one.xml", "-j", "x", "--output=two.xml", "--jobs=1", "good"},
         0,
         "",
         {{"two.xml", xml}}},
        {{"--check", "good", "bad", "missing"},
         2,
         std::string(faultyLine) + "vqz2xml: cannot read 'missing.vqz': No such file or directory\n"
                                   "vqz2xml: 3 files: 1 converted, 1 faulty, 1 failed\n",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const Batch sandbox;
        const RunResult result = sandbox.run(c.arguments, "");
        EXPECT_EQ(c.status, result.status);
        EXPECT_EQ(c.errors, result.errors);
        EXPECT_EQ("", result.console);
        EXPECT_EQ(sandbox.inputsAnd(c.outputs), sandbox.files());
    }
}

TEST(OptionFormTest, StandardInputAndOutputCarryTheXmlAlone) {
    struct Case {
        std::vector<std::string> arguments;
        std::string stdinBytes;
        int status;
        std::string console, errors;
        Files outputs;
    };
    const std::string xml(completeXml);
    const Case cases[] = {
        {{"-o", "-", "good"}, "", 0, xml, "", {}},
        {{"--", "-"}, std::string(completeInput), 0, xml, "", {}},
        {{"-d", "xml", "-"}, std::string(completeInput), 0, xml, "", {}},
        {{"-q", "-"},
         std::string(faultyInput),
         1,
         faultyXml,
         "<stdin>:4:3: error: expected 'Title', found \"BOGUS \\\"x\\\"\"\n",
         {}},
        {{"-o", "from stdin.xml", "-"},
         std::string(completeInput),
         0,
         "",
         "",
         {{"from stdin.xml", xml}}},
        {{"-q", "-", "good", "-"},
         "",
         2,
         "",
         usageError("standard input is given more than once"),
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const Batch sandbox;
        const RunResult result = sandbox.run(c.arguments, c.stdinBytes);
        EXPECT_EQ(c.status, result.status);
        EXPECT_EQ(c.console, result.console);
        EXPECT_EQ(c.errors, result.errors);
        EXPECT_EQ(sandbox.inputsAnd(c.outputs), sandbox.files());
    }
}

TEST(OptionFormTest, ExistingOutputIsRefusedSkippedOrReplaced) {
    const std::string old = "old contents\r\n";
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string errors;
        std::string goodXml;
    };
    const Case cases[] = {
        {{"-q", "good"},
         2,
         "vqz2xml: output 'good.xml' exists (-f replaces it, -n skips its input)\n",
         old},
        {{"-n", "good"}, 0, "", old},
        {{"-n", "-v", "good"}, 0, "good.vqz: skipped, good.xml exists\n", old},
        {{"--no-clobber", "good", "sub/good2"}, 0, summary(2, 1, 0, 0, "1 skipped, "), old},
        {{"-f", "good"}, 0, "", std::string(completeXml)},
        {{"-f", "-n", "good"}, 2, usageError("--force and --no-clobber exclude each other"), old},
        {{"-f", "-o", "good.vqz", "good"}, 2, "vqz2xml: 'good.vqz' would be its own output\n", old},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const Batch sandbox;
        sandbox.addFile("good.xml", old);
        const RunResult result = sandbox.run(c.arguments, "y\n");
        EXPECT_EQ(c.status, result.status);
        EXPECT_EQ(c.errors, result.errors);
        EXPECT_EQ(c.goodXml, readFile(sandbox.path("good.xml")));
        EXPECT_EQ("", result.console);
    }
}

// An empty value (a script's empty variable) never lets an option take the next argument.
TEST(OptionFormTest, UsageErrorsStopBeforeAnythingIsConverted) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const Case cases[] = {
        {{"-v"}, "no input files"},
        {{"--bogus", "good"}, "unknown option '--bogus'"},
        {{"-fx\x1b", "good"}, "unknown option '-x\\x1b'"},
        {{"-f", "--output=", "good", "bad"}, "--output needs a file name"},
        {{"-f", "-o", "", "good"}, "--output needs a file name"},
        {{"--output-dir=", "good", "bad"}, "--output-dir needs a folder name"},
        {{"-d", "", "good"}, "--output-dir needs a folder name"},
        {{"--encoding=", "good"}, "--encoding needs a name"},
        {{"-j", "", "good"}, "--jobs needs a number"},
        {{"--jobs=", "good"}, "--jobs needs a number"},
        {{"good", "-o"}, "--output needs a file name"},
        {{"good", "-fj"}, "--jobs needs a number"},
        {{"--force=false", "good"}, "--force takes no value"},
        {{"--progress=yes", "good", "bad"}, "--progress takes no value"},
        {{"-j", "abc", "good"}, "invalid number of jobs: 'abc'"},
        {{"-j", "0", "good"}, "invalid number of jobs: '0'"},
        {{"--jobs=4097", "good"}, "invalid number of jobs: '4097'"},
        {{"-o", "one.xml", "good", "bad"},
         "--output names the output of a single input, but 2 inputs are given"},
        {{"-d", "xml", "good", "sub/good"},
         "'good.vqz' and 'sub/good.vqz' would both be written to 'xml/good.xml'"},
        {{"-d", ".", "good", "./good.txt"},
         "'good.vqz' and './good.txt' would both be written to './good.xml'"},
        {{"-q", "-v", "good"}, "--quiet and --verbose exclude each other"},
        {{"-u", "-f", "good"}, "--force and --update exclude each other"},
        {{"--check", "--update", "good"}, "--update and --check exclude each other"},
        {{"--report", "", "good"}, "--report needs a file name"},
        {{"--encoding=ebcdic", "good"},
         "invalid encoding: 'ebcdic' (latin1, latin-1, iso-8859-1, cp1252, windows-1252, utf-8, "
         "utf8 or auto)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const Batch sandbox;
        sandbox.addFile("sub/good.vqz", completeInput);
        sandbox.addFile("good.txt", completeInput);
        const auto before = sandbox.files();
        const auto entriesBefore = sandbox.entries();
        const RunResult result = sandbox.run(c.arguments, "");
        EXPECT_EQ(2, result.status);
        EXPECT_EQ(usageError(c.message), result.errors);
        EXPECT_EQ(before, sandbox.files());
        EXPECT_EQ(entriesBefore, sandbox.entries());
    }
}

// The encoding option reaches the conversion: "é" typed in UTF-8 and a Windows-1252 quote.
TEST(OptionFormTest, EncodingOptionChoosesHowTextsAreRead) {
    struct Case {
        std::string encoding, label;
    };
    const Case cases[] = {
        {"", "caf&#xc3;&#xa9; &#x93;"},
        {"--encoding=latin1", "caf&#xc3;&#xa9; &#x93;"},
        {"--encoding=UTF-8", "caf&#xe9; &#x93;"},
        {"--encoding=cp1252", "caf&#xc3;&#xa9; &#x201c;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.encoding);
        const Sandbox sandbox;
        sandbox.addFile("t.vqz", "VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME \"n\" LABEL "
                                 "\"caf\xc3\xa9 \x93\" TYPE logical POSITION 1 END VARIABLE "
                                 "END RECORD END SURVEY END VQZ");
        std::vector<std::string> arguments = {"-o", "-", "t"};
        if (!c.encoding.empty()) arguments.insert(arguments.begin(), c.encoding);
        const RunResult result = sandbox.run(arguments, "");
        EXPECT_EQ(0, result.status);
        EXPECT_NE(std::string::npos, result.console.find("<label>" + c.label + "</label>"))
            << result.console;
    }
}

TEST(OptionFormTest, HelpAndVersionGoToStandardOutput) {
    const Sandbox sandbox;
    for (const char* help : {"-h", "--help"}) {
        const RunResult result = sandbox.run({help}, "");
        EXPECT_EQ(0, result.status);
        EXPECT_EQ(0u, result.console.find("Usage: vqz2xml [OPTIONS] [--] INPUT...\n"));
        EXPECT_NE(std::string::npos, result.console.find("Exit status:"));
        EXPECT_EQ("", result.errors);
    }
    const RunResult version = sandbox.run({"--version"}, "");
    EXPECT_EQ(0, version.status);
    EXPECT_EQ(0u, version.console.find("vqz2xml "));
    EXPECT_EQ("", version.errors);
}

// Many inputs in parallel give what one at a time gives: the same files, the same lines.
TEST(OptionFormTest, ParallelRunMatchesSerialRun) {
    const Sandbox sandbox;
    std::vector<std::string> names;
    for (int i = 0; i < 200; ++i) {
        const std::string name = "in/f" + std::to_string(i) + ".vqz";
        std::string text(completeInput);
        if (i % 7 == 3) text.resize(static_cast<std::size_t>(i) % text.size());
        if (i % 11 == 5) text.insert(static_cast<std::size_t>(i) % text.size(), "\"\xfe-->");
        sandbox.addFile(name, text);
        names.push_back(name);
    }
    names.push_back("in/missing");
    std::vector<std::string> serial = {"-j", "1", "-d", "serial"};
    std::vector<std::string> parallel = {"--jobs=4", "-d", "parallel"};
    serial.insert(serial.end(), names.begin(), names.end());
    parallel.insert(parallel.end(), names.begin(), names.end());
    const RunResult one = sandbox.run(serial, "");
    const RunResult four = sandbox.run(parallel, "");
    EXPECT_EQ(2, one.status);
    EXPECT_EQ(one.status, four.status);
    EXPECT_EQ(one.errors, four.errors);
    EXPECT_NE(std::string::npos, one.errors.find("1 failed"));
    Files serialFiles;
    Files parallelFiles;
    for (const auto& [name, bytes] : sandbox.files()) {
        if (name.rfind("serial/", 0) == 0) serialFiles[name.substr(7)] = bytes;
        if (name.rfind("parallel/", 0) == 0) parallelFiles[name.substr(9)] = bytes;
    }
    EXPECT_EQ(200u, serialFiles.size());
    EXPECT_EQ(serialFiles, parallelFiles);
}

TEST(OptionFormTest, NamesWithBlanksFromFindAndXargs) {
    const Sandbox sandbox;
    sandbox.addFile("my data/a survey.vqz", completeInput);
    sandbox.addFile("my data/deeper/it's.vqz", completeInput);
    const RunResult result =
        sandbox.run({"-q", "-d", "xml out"}, "",
                    "find . -name '*.vqz' -print0 >../list && xargs -0 -a ../list ");
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("", result.errors);
    EXPECT_EQ(std::string(completeXml), readFile(sandbox.path("xml out/a survey.xml")));
    EXPECT_EQ(std::string(completeXml), readFile(sandbox.path("xml out/it's.xml")));
}

TEST(OptionFormTest, ProgressLineIsClearedAtTheEnd) {
    const Batch sandbox;
    const RunResult shown = sandbox.run({"--progress", "-j1", "-d", "xml", "good", "bad"}, "");
    EXPECT_NE(std::string::npos, shown.errors.find("\rvqz2xml: 2/2 files, 1 faulty, "));
    const auto summaryAt = shown.errors.find(summary(2, 1, 1, 0));
    ASSERT_NE(std::string::npos, summaryAt);
    EXPECT_EQ('\r', shown.errors[summaryAt - 1]); // the line was taken away before it
    const RunResult plain = sandbox.run({"-f", "-d", "xml", "good", "bad"}, "");
    EXPECT_EQ(std::string(faultyLine) + summary(2, 1, 1, 0), plain.errors);
}

// A write that fails half-way, in both forms, leaves the old output and no stray file. Passing
// the file-size limit is such a failure, like a full disk, rather than the end of the process.
TEST(SafeOutputTest, FailedWriteLeavesTheOldOutput) {
    constexpr std::string_view limits = "ulimit -f 4 && ";
    std::string big = "VQZ VERSION 1.1 SURVEY RECORD A\n";
    for (int i = 0; i < 200; ++i) {
        big += "VARIABLE 1 NAME \"n\" LABEL \"l\" TYPE LOGICAL POSITION 1 END VARIABLE\n";
    }
    big += "END RECORD END SURVEY END VQZ\n";
    const std::string old = "old contents\r\n";
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string errors;
    };
    const Case cases[] = {
        {{"-f", "big"}, 2, "vqz2xml: cannot write 'big.xml': File too large\n"},
        {{"big"}, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const Sandbox sandbox;
        sandbox.addFile("big.vqz", big);
        sandbox.addFile("big.xml", old);
        const RunResult result = sandbox.run(c.arguments, "y\n", limits);
        EXPECT_EQ(c.status, result.status);
        EXPECT_EQ(c.errors, result.errors);
        if (c.arguments.size() == 1) {
            const std::string tail =
                "completed succesfully.\nERROR: Can't write output file big.xml\n";
            ASSERT_GE(result.console.size(), tail.size());
            EXPECT_EQ(tail, result.console.substr(result.console.size() - tail.size()));
        }
        EXPECT_EQ((Files{{"big.vqz", big}, {"big.xml", old}}), sandbox.files());
    }
}

mode_t modeOf(const fs::path& path) {
    struct stat status {};
    ::stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

TEST(SafeOutputTest, ReplacedFileKeepsItsModeAndNewOneFollowsTheMask) {
    const Sandbox sandbox;
    sandbox.addFile("a.vqz", completeInput);
    sandbox.addFile("kept.xml", "old");
    ::chmod(sandbox.path("kept.xml").c_str(), 0604);
    EXPECT_EQ(0, sandbox.run({"-f", "-o", "kept.xml", "a"}, "").status);
    EXPECT_EQ(0604u, modeOf(sandbox.path("kept.xml")));
    EXPECT_EQ(std::string(completeXml), readFile(sandbox.path("kept.xml")));
    EXPECT_EQ(0, sandbox.run({"-o", "new.xml", "a"}, "", "umask 027 && ").status);
    EXPECT_EQ(0640u, modeOf(sandbox.path("new.xml")));
    EXPECT_EQ(0, sandbox.run({"a", "classic.xml"}, "", "umask 002 && ").status);
    EXPECT_EQ(0664u, modeOf(sandbox.path("classic.xml")));
}

TEST(SafeOutputTest, LinkStaysALinkAndItsTargetIsReplaced) {
    for (const bool classic : {false, true}) {
        SCOPED_TRACE(classic ? "classic form" : "option form");
        const Sandbox sandbox;
        sandbox.addFile("a.vqz", completeInput);
        sandbox.addFile("real/target.xml", "old");
        fs::create_symlink("real/target.xml", sandbox.path("link.xml"));
        const auto arguments = classic ? std::vector<std::string>{"a", "link.xml"}
                                       : std::vector<std::string>{"-f", "-o", "link.xml", "a"};
        EXPECT_EQ(0, sandbox.run(arguments, "y\n").status);
        EXPECT_TRUE(fs::is_symlink(sandbox.path("link.xml")));
        EXPECT_EQ(std::string(completeXml), readFile(sandbox.path("real/target.xml")));
        EXPECT_EQ(3u, sandbox.files().size()); // the link, its target, the input: nothing stray
    }
}

TEST(SafeOutputTest, NamedPipeIsWrittenDirectly) {
    const Sandbox sandbox;
    sandbox.addFile("a.vqz", completeInput);
    ASSERT_EQ(0, ::mkfifo(sandbox.path("pipe.xml").c_str(), 0644));
    const RunResult result =
        sandbox.run({"-o", "pipe.xml", "a"}, "", "{ cat pipe.xml > piped.txt & } && ");
    EXPECT_EQ(0, result.status);
    EXPECT_EQ("", result.errors);
    EXPECT_EQ(fs::file_type::fifo, fs::symlink_status(sandbox.path("pipe.xml")).type());
    std::string piped;
    for (int wait = 0; wait < 100 && piped.size() < completeXml.size(); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        piped = readFile(sandbox.path("piped.txt"));
    }
    EXPECT_EQ(std::string(completeXml), piped);
}

} // namespace
