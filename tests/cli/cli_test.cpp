// Runs the vqz2xml program in scratch folders and compares its console text and output files.
#include "cli/sandbox.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

std::string programPath;

namespace {

constexpr std::string_view banner = "Quorbel Conversion program v1.0f\n"
                                    "=================================\n"
                                    "Copyright (c) 2026 the vqz2xml authors\n"
                                    "Documentation: man vqz2xml, or README.md of the sources\n"
                                    "=================================\n"
                                    "\n"
                                    "Program converts a 'classic' Quorbel 1.0 or 1.1\n"
                                    "file into a corresponding Quorbel XML 1.1 file.\n"
                                    "\n";

std::string usage() { return "\nUSE: " + programPath + " infile[.vqz] [outfile[.xml]]\n\n"; }

std::string question(std::string_view output) {
    return "Output file " + std::string(output) + " exists - overwrite (Y/N)? ";
}

std::string converted(std::string_view input, std::string_view output) {
    const std::string names = std::string(input) + " to " + std::string(output);
    return "Converting from file " + names + "...\r\nConversion from " + names +
           " completed succesfully.\n";
}

std::string key(std::string_view name) {
    return fs::path(name).lexically_normal().generic_string();
}

TEST(CommandLineTest, DerivesFileNamesAndConverts) {
    struct Case {
        std::vector<std::string> arguments;
        std::string input, output;
    };
    // The naming rules themselves are FileNamesTest's; here the program is seen to use them.
    const Case cases[] = {
        {{"survey"}, "survey.vqz", "survey.xml"},
        {{"in", "out.txt"}, "in.vqz", "out.txt"},
        {{"sub.dir/survey"}, "sub.dir/survey.vqz", "sub.dir/survey.xml"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments[0] + (c.arguments.size() > 1 ? " " + c.arguments[1] : ""));
        const Sandbox sandbox;
        sandbox.addFile(c.input, completeInput);
        const RunResult result = sandbox.run(c.arguments, "");
        EXPECT_EQ(0, result.status);
        EXPECT_EQ(std::string(banner) + converted(c.input, c.output), result.console);
        const std::map<std::string, std::string> expected = {
            {key(c.input), std::string(completeInput)}, {key(c.output), std::string(completeXml)}};
        EXPECT_EQ(expected, sandbox.files());
    }
}

// Runs that end with the usage text and leave every file as it was. Standard input says "y", so
// a question that should not be asked would let the run go on and show.
TEST(CommandLineTest, RefusesWithUsageAndTouchesNothing) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const Case cases[] = {
        {{}, "ERROR: No input nor output file names given,\n"},
        {{"a", "b", "c"}, "ERROR: Too many arguments supplied,\n"},
        {{"/?"}, ""},
        {{"/?", "a"}, ""},
        {{"missing"}, "ERROR: Can't find input file missing.vqz\n"},
        {{"missing.txt", "a.vqz"}, "ERROR: Can't find input file missing.txt\n"},
        {{"folder"}, "ERROR: Can't find input file folder.vqz\n"},
        {{"a.vqz", "a.vqz"}, "ERROR: Input and output are the same file a.vqz\n"},
        {{"a", "./a.vqz"}, "ERROR: Input and output are the same file ./a.vqz\n"},
        {{"a", "link.xml"}, "ERROR: Input and output are the same file link.xml\n"},
        {{"a", "none/a.xml"}, "ERROR: Can't create output file none/a.xml\n"},
        {{"a", "folder.vqz"},
         question("folder.vqz") + "ERROR: Can't create output file folder.vqz\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const Sandbox sandbox;
        sandbox.addFile("a.vqz", completeInput);
        fs::create_directory(sandbox.path("folder.vqz"));
        fs::create_hard_link(sandbox.path("a.vqz"), sandbox.path("link.xml"));
        const auto before = sandbox.files();
        const RunResult result = sandbox.run(c.arguments, "y\n");
        EXPECT_EQ(0, result.status);
        EXPECT_EQ(std::string(banner) + c.message + usage(), result.console);
        EXPECT_EQ(before, sandbox.files());
    }
}

// Standard input may never say yes or no (/dev/zero, `yes ''`): after 100 replies that are
// neither the question is given up, as if answered no.
TEST(CommandLineTest, AsksBeforeOverwriting) {
    constexpr std::string_view oldXml = "old contents\r\n";
    struct Case {
        std::string answers;
        int questions;
        bool proceeds;
        std::string_view redirections = "";
    };
    std::string ninetyNine;
    for (int i = 0; i < 99; ++i) ninetyNine += "x\n";
    const Case cases[] = {
        {"y\n", 1, true},
        {"Y\n", 1, true},
        {"yes\n", 1, true},
        {"y", 1, true},
        {"N\n", 1, false},
        {"n\n", 1, false},
        {"x\ny\n", 2, true},
        {"\ny\n", 2, true},
        {"x\n", 2, false},
        {"", 1, false},
        {"x\nN\n", 2, false},
        {ninetyNine + "y\n", 100, true},
        {ninetyNine + "x\ny\n", 100, false},
        {std::string(1000000, '\n'), 100, false},
        {"", 100, false, " </dev/zero"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.answers.substr(0, 10)) + std::string(c.redirections));
        const Sandbox sandbox;
        sandbox.addFile("a.vqz", completeInput);
        sandbox.addFile("a.xml", oldXml);
        const RunResult result =
            sandbox.run({"a"}, c.answers, Shell{"", c.redirections, false, ""});
        EXPECT_EQ(0, result.status);
        std::string expected(banner);
        for (int i = 0; i < c.questions; ++i) expected += question("a.xml");
        if (c.questions == 100 && !c.proceeds) {
            expected += "\nERROR: No Y or N in 100 answers, taken as N\n";
        }
        expected += c.proceeds ? converted("a.vqz", "a.xml") : usage();
        EXPECT_EQ(expected, result.console);
        EXPECT_EQ(c.proceeds ? completeXml : oldXml, readFile(sandbox.path("a.xml")));
    }
}

// The output name always ends up with a "." in its last component, so a device that refuses
// every write is reached through a link named like an XML file.
TEST(CommandLineTest, ReportsWriteErrorAfterOutcome) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    const Sandbox sandbox;
    sandbox.addFile("a.vqz", completeInput);
    fs::create_symlink("/dev/full", sandbox.path("full.xml"));
    const RunResult result = sandbox.run({"a", "full.xml"}, "y\n");
    EXPECT_EQ(0, result.status);
    EXPECT_EQ(std::string(banner) + question("full.xml") + converted("a.vqz", "full.xml") +
                  "ERROR: Can't write output file full.xml\n",
              result.console);
}

TEST(CommandLineTest, FaultyInputLeavesErrorReport) {
    constexpr std::string_view faulty = "QVZ is not how a classic file begins, so it stops here\r\n"
                                        "VERSION 1.1\r\n";
    const Sandbox sandbox;
    sandbox.addFile("bad.vqz", faulty);
    const RunResult result = sandbox.run({"bad"}, "");
    EXPECT_EQ(0, result.status);
    EXPECT_EQ(std::string(banner) + "Converting from file bad.vqz to bad.xml...\r" +
                  "\nERROR: Faulty input file, see 'bad.xml' for details.\n",
              result.console);
    const std::string blanks(11, ' ');
    EXPECT_EQ("\r\n*** Error: at corresponding point in source file:\r\n" + blanks +
                  "'VQZ' was expected but found:\r\n" + blanks +
                  "QVZ is not how a classic file begins, so\r\n",
              readFile(sandbox.path("bad.xml")));
}

// A file whose bytes do not match its size is one that changed while it was read: a file of
// /proc, whose size is given as 0, serves as one on every run. It is not converted.
TEST(CommandLineTest, InputChangedWhileReadIsReported) {
    if (!fs::exists("/proc/self/status")) GTEST_SKIP() << "no /proc here";
    const Sandbox sandbox;
    fs::create_symlink("/proc/self/status", sandbox.path("status.vqz"));
    const RunResult classic = sandbox.run({"status", "out.xml"}, "");
    EXPECT_EQ(std::string(banner) + "ERROR: Input file status.vqz changed while it was read\n" +
                  usage(),
              classic.console);
    const RunResult options = sandbox.run({"-o", "out.xml", "status"}, "");
    EXPECT_EQ(2, options.status);
    EXPECT_EQ("vqz2xml: 'status.vqz' changed while it was read\n", options.errors);
    EXPECT_EQ(std::set<std::string>{"status.vqz"}, sandbox.entries());
}

constexpr std::string_view memoryLimit = "ulimit -v 150000 && "; // kilobytes of address space

// True when the program runs under an address-space limit (a sanitizer build does not).
bool runsUnderMemoryLimit(const Sandbox& sandbox) {
    sandbox.addFile("small.vqz", completeInput);
    return sandbox.run({"small", "small.xml"}, "y\n", memoryLimit).console ==
           std::string(banner) + converted("small.vqz", "small.xml");
}

// A survey of 800,000 variables, 50 MB: far more than a chain of every statement (an element
// of 40 to 60 bytes each) could hold under the limit, so it converts only when written as read.
std::string manyVariables(std::string_view ending) {
    std::string big = "VQZ VERSION 1.1 SURVEY RECORD A\n";
    for (int i = 0; i < 800000; ++i) {
        big += "VARIABLE 1 NAME \"n\" LABEL \"l\" TYPE LOGICAL POSITION 1 END VARIABLE\n";
    }
    return big + std::string(ending);
}

TEST(CommandLineTest, BigFileConvertsInBoundedMemory) {
    const Sandbox sandbox;
    if (!runsUnderMemoryLimit(sandbox)) GTEST_SKIP() << "no address-space limit here";
    for (const std::string_view ending : {"END RECORD END SURVEY END VQZ\n", "END RECORD END"}) {
        SCOPED_TRACE(ending);
        sandbox.addFile("big.vqz", manyVariables(ending));
        const RunResult free = sandbox.run({"big", "free.xml"}, "");
        const RunResult bounded = sandbox.run({"big", "bounded.xml"}, "", memoryLimit);
        const bool complete = ending.size() > 20;
        EXPECT_EQ(std::string(banner) +
                      (complete ? converted("big.vqz", "bounded.xml")
                                : "Converting from file big.vqz to bounded.xml...\r\nERROR: Faulty "
                                  "input file, see 'bounded.xml' for details.\n"),
                  bounded.console);
        const std::string expected = readFile(sandbox.path("free.xml"));
        EXPECT_GT(expected.size(), 100000000u);
        EXPECT_TRUE(expected == readFile(sandbox.path("bounded.xml")));
        fs::remove(sandbox.path("free.xml"));
        fs::remove(sandbox.path("bounded.xml"));
    }
}

// A file too big for the memory the program may have is reported, never a crash: one variable
// with three million codes, all held until the variable ends.
TEST(CommandLineTest, ReportsWhenMemoryRunsOut) {
    const Sandbox sandbox;
    if (!runsUnderMemoryLimit(sandbox)) GTEST_SKIP() << "no address-space limit here";
    std::string big = "VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME \"n\" LABEL \"l\" "
                      "TYPE SINGLE POSITION 1 VALUES\n";
    for (int i = 0; i < 3000000; ++i) big += "1 \"a\"\n";
    big += "END VALUES END VARIABLE END RECORD END SURVEY END VQZ\n";
    sandbox.addFile("big.vqz", big);
    const RunResult result = sandbox.run({"big"}, "", memoryLimit);
    EXPECT_EQ(0, result.status);
    EXPECT_EQ(std::string(banner) + "Converting from file big.vqz to big.xml...\r"
                                    "\nERROR: Not enough memory to convert big.vqz\n",
              result.console);
    EXPECT_FALSE(fs::exists(sandbox.path("big.xml")));
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc >= 2) {
        programPath = fs::absolute(argv[1]).string();
    } else if (!testing::GTEST_FLAG(list_tests)) {
        std::fprintf(stderr, "usage: %s path-to-vqz2xml [test options]\n", argv[0]);
        return 2;
    }
    return RUN_ALL_TESTS();
}
