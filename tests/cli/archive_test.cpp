// Runs the option form on whole archives: folder trees, re-runs, the JSON report, encodings.
#include "cli/sandbox.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

namespace {

using Json = nlohmann::json;
using Files = std::map<std::string, std::string>;

constexpr std::string_view faultyInput = "VQZ\nVERSION 1.1\nSURVEY\nBOGUS\n";

// A complete document whose one label holds `label`, and the label as it comes out.
std::string withLabel(std::string_view label) {
    return "VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME \"n\" LABEL \"" + std::string(label) +
           "\" TYPE logical POSITION 1 END VARIABLE END RECORD END SURVEY END VQZ\n";
}

std::string labelOf(const std::string& xml) {
    const auto start = xml.find("<label>");
    const auto end = xml.find("</label>");
    if (start == std::string::npos || end == std::string::npos) return "(no label)";
    return xml.substr(start + 7, end - start - 7);
}

// Each line of a report, parsed; a line that is no JSON object fails the test.
std::vector<Json> parseReport(const std::string& text) {
    std::vector<Json> lines;
    std::size_t start = 0;
    for (auto end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(Json::parse(text.substr(start, end - start)));
        EXPECT_TRUE(lines.back().is_object()) << lines.back();
        start = end + 1;
    }
    EXPECT_EQ(text.size(), start) << "the report ends inside a line";
    return lines;
}

std::vector<std::string> column(const std::vector<Json>& lines, const std::string& key) {
    std::vector<std::string> values;
    for (const Json& line : lines) values.push_back(line.value(key, std::string("(none)")));
    return values;
}

// Files whose names start with `prefix`, by the rest of their names.
Files under(const Files& files, const std::string& prefix) {
    Files found;
    for (const auto& [name, bytes] : files) {
        if (name.rfind(prefix, 0) == 0) found[name.substr(prefix.size())] = bytes;
    }
    return found;
}

// An archive with one name in two folders, blanks in names, an upper-case ending, a file that is
// no input, a deep folder and a link to a folder, which the walk does not follow.
struct Archive : Sandbox {
    Archive() {
        addFile("arch/wave 1/household.vqz", completeInput);
        addFile("arch/wave3/household.vqz", completeInput);
        addFile("arch/wave3/Persons.VQZ", completeInput);
        addFile("arch/wave3/notes.txt", "not an input");
        addFile("arch/a.vqz", completeInput);
        addFile("arch/a/b/c/d/deep.vqz", completeInput);
        addFile("arch/B.vqz", completeInput);
        addFile("arch/v.2.vqz", completeInput);
        addFile("elsewhere/linked.vqz", completeInput);
        fs::create_directory_symlink("../elsewhere", path("arch/link"));
    }
};

TEST(ArchiveTest, FolderTreeIsWalkedInOrderAndMirrored) {
    const std::string xml(completeXml);
    const std::vector<std::string> order = {"arch/B.vqz",
                                            "arch/a/b/c/d/deep.vqz",
                                            "arch/a.vqz",
                                            "arch/v.2.vqz",
                                            "arch/wave 1/household.vqz",
                                            "arch/wave3/Persons.VQZ",
                                            "arch/wave3/household.vqz"};
    const Files mirrored = {{"B.xml", xml},
                            {"a/b/c/d/deep.xml", xml},
                            {"a.xml", xml},
                            {"v.2.xml", xml},
                            {"wave 1/household.xml", xml},
                            {"wave3/Persons.xml", xml},
                            {"wave3/household.xml", xml}};
    struct Case {
        std::vector<std::string> arguments;
        std::string outputs; // where the mirrored tree lands
    };
    const Case cases[] = {
        {{"-r", "-d", "xml", "--report=report.jsonl", "arch"}, "xml/"},
        {{"-r", "--report=report.jsonl", "-j3", "arch/"}, "arch/"},
        {{"--recursive", "--output-dir=xml/", "--report=report.jsonl", "./arch"}, "xml/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const Archive sandbox;
        const RunResult result = sandbox.run(c.arguments, "");
        EXPECT_EQ(0, result.status);
        EXPECT_EQ("vqz2xml: 7 files: 7 converted, 0 faulty, 0 failed\n",
                  result.errors);
        const std::vector<Json> report = parseReport(readFile(sandbox.path("report.jsonl")));
        std::vector<std::string> inputs;
        for (const std::string& name : column(report, "input")) {
            inputs.push_back(fs::path(name).lexically_normal().generic_string());
        }
        EXPECT_EQ(order, inputs);
        Files outputs;
        for (const auto& [name, bytes] : under(sandbox.files(), c.outputs)) {
            if (name.size() > 4 && name.substr(name.size() - 4) == ".xml") outputs[name] = bytes;
        }
        EXPECT_EQ(mirrored, outputs);
    }
}

TEST(ArchiveTest, FoldersNeedTheRecursiveOptionAndCollisionsStillStopTheRun) {
    struct Case {
        std::vector<std::string> arguments;
        std::string errors;
    };
    const Case cases[] = {
        {{"-d", "xml", "arch"},
         "vqz2xml: cannot read 'arch': Is a directory (-r converts the files below a folder)\n"},
        {{"-r", "-d", "xml", "arch/wave3", "arch/wave 1"},
         "vqz2xml: 'arch/wave3/household.vqz' and 'arch/wave 1/household.vqz' would both be "
         "written to 'xml/household.xml'\nTry 'vqz2xml --help' for more information.\n"},
        {{"-r", "-o", "one.xml", "arch/wave3"},
         "vqz2xml: --output names the output of a single input, but 2 inputs are found\n"
         "Try 'vqz2xml --help' for more information.\n"},
        {{"-f", "-d", "linked", "arch/a.vqz", "arch/B.vqz"},
         "vqz2xml: 'arch/a.vqz' and 'arch/B.vqz' would both be written to 'linked/B.xml'\n"
         "Try 'vqz2xml --help' for more information.\n"},
        {{"-r", "-d", "xml", "--report=xml/v.2.xml", "arch"},
         "vqz2xml: the report and 'arch/v.2.vqz' would both be written to 'xml/v.2.xml'\n"
         "Try 'vqz2xml --help' for more information.\n"},
        {{"--check", "--report=arch/./a.vqz", "arch/a"},
         "vqz2xml: the report would be written over the input 'arch/a.vqz'\n"
         "Try 'vqz2xml --help' for more information.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const Archive sandbox;
        sandbox.addFile("linked/a.xml", "old");
        fs::create_symlink("a.xml", sandbox.path("linked/B.xml")); // one file, two names
        const Files before = sandbox.files();
        const RunResult result = sandbox.run(c.arguments, "");
        EXPECT_EQ(2, result.status);
        EXPECT_EQ(c.errors, result.errors);
        EXPECT_EQ(before, sandbox.files());
    }
}

// Moves a file's modification time `seconds` away from the reference file's.
void setTime(const Sandbox& sandbox, const std::string& name, const std::string& reference,
             int seconds) {
    fs::last_write_time(sandbox.path(name), fs::last_write_time(sandbox.path(reference)) +
                                                std::chrono::seconds(seconds));
}

TEST(ArchiveTest, UpdateConvertsWhatIsMissingOrOlderThanItsInput) {
    const Sandbox sandbox;
    for (const char* name : {"in/changed", "in/same", "in/kept", "in/new"}) {
        sandbox.addFile(std::string(name) + ".vqz", completeInput);
    }
    sandbox.addFile("in/bad.vqz", faultyInput);
    ASSERT_EQ(1, sandbox.run({"-q", "-r", "-d", "xml", "in"}, "").status);
    sandbox.addFile("xml/changed.xml", "older than its input");
    setTime(sandbox, "xml/changed.xml", "in/changed.vqz", -60);
    sandbox.addFile("xml/same.xml", "as old as its input");
    setTime(sandbox, "xml/same.xml", "in/same.vqz", 0);
    sandbox.addFile("xml/kept.xml", "newer than its input");
    setTime(sandbox, "xml/kept.xml", "in/kept.vqz", 60);
    fs::remove(sandbox.path("xml/new.xml"));

    const RunResult update = sandbox.run({"-u", "-v", "-r", "-d", "xml", "in"}, "");
    EXPECT_EQ(1, update.status); // the faulty input is diagnosed again, not taken as up to date
    EXPECT_EQ("in/bad.vqz:4:1: error: expected 'Title', found \"BOGUS\"\n"
              "in/bad.vqz -> xml/bad.xml: faulty\n"
              "in/changed.vqz -> xml/changed.xml: converted\n"
              "in/kept.vqz: up to date, xml/kept.xml\n"
              "in/new.vqz -> xml/new.xml: converted\n"
              "in/same.vqz -> xml/same.xml: converted\n"
              "vqz2xml: 5 files: 3 converted, 1 faulty, 1 up to date, 0 failed\n",
              update.errors);
    const Files outputs = under(sandbox.files(), "xml/");
    EXPECT_EQ(std::string(completeXml), outputs.at("changed.xml"));
    EXPECT_EQ(std::string(completeXml), outputs.at("same.xml"));
    EXPECT_EQ("newer than its input", outputs.at("kept.xml"));
    EXPECT_EQ(std::string(completeXml), outputs.at("new.xml"));

    setTime(sandbox, "xml/changed.xml", "in/changed.vqz", 60);
    setTime(sandbox, "xml/same.xml", "in/same.vqz", 60);
    setTime(sandbox, "xml/new.xml", "in/new.vqz", 60);
    const RunResult again = sandbox.run({"-u", "--report=-", "-r", "-d", "xml", "in"}, "");
    EXPECT_EQ(1, again.status);
    EXPECT_EQ((std::vector<std::string>{"faulty", "up-to-date", "up-to-date", "up-to-date",
                                        "up-to-date"}),
              column(parseReport(again.console), "status"));
}

TEST(ArchiveTest, ReportHoldsOneObjectPerInputInInputOrder) {
    const Sandbox sandbox;
    sandbox.addFile("good.vqz", completeInput);
    sandbox.addFile("bad.vqz", faultyInput);
    sandbox.addFile("latin\xe9.vqz", withLabel("caf\xe9"));
    sandbox.addFile("kept.vqz", completeInput);
    sandbox.addFile("out/kept.xml", "old");
    const RunResult result = sandbox.run({"-n", "-j4", "-d", "out", "--report=r.jsonl", "good",
                                          "bad", "missing", "latin\xe9", "kept"},
                                         "");
    EXPECT_EQ(2, result.status);
    const std::vector<Json> report = parseReport(readFile(sandbox.path("r.jsonl")));
    ASSERT_EQ(5u, report.size());
    EXPECT_EQ(Json::parse(R"({"input": "good.vqz", "output": "out/good.xml",
        "status": "converted", "encoding": "latin1", "bytes_in": )" +
                          std::to_string(completeInput.size()) + R"(, "bytes_out": )" +
                          std::to_string(completeXml.size()) + "}"),
              report[0]);
    EXPECT_EQ("faulty", report[1]["status"]);
    EXPECT_EQ(4, report[1]["line"]);
    EXPECT_EQ(1, report[1]["column"]);
    EXPECT_EQ("'Title'", report[1]["expected"]);
    EXPECT_EQ("BOGUS", report[1]["found"]);
    EXPECT_EQ(readFile(sandbox.path("out/bad.xml")).size(), report[1]["bytes_out"]);
    EXPECT_EQ(Json::parse(R"({"input": "missing.vqz", "output": null, "status": "failed",
        "encoding": null, "bytes_in": 0, "bytes_out": 0,
        "error": "cannot read 'missing.vqz': No such file or directory"})"),
              report[2]);
    // A name that is no UTF-8: replaced in the text, exact in hexadecimal.
    EXPECT_EQ("latin\xef\xbf\xbd.vqz", report[3]["input"]);
    EXPECT_EQ("6c6174696ee92e76717a", report[3]["input_hex"]);
    EXPECT_EQ("out/latin\xef\xbf\xbd.xml", report[3]["output"]);
    EXPECT_EQ("6f75742f6c6174696ee92e786d6c", report[3]["output_hex"]);
    EXPECT_FALSE(report[0].contains("input_hex"));
    EXPECT_EQ("skipped", report[4]["status"]);
    EXPECT_EQ("out/kept.xml", report[4]["output"]);
}

TEST(ArchiveTest, FoundTextThatIsNoUtf8IsKeptInHexadecimal) {
    const Sandbox sandbox;
    sandbox.addFile("t.vqz", "VQZ VERSION 1.1 SURVEY TITLE \"x\" BOGUS\xe9\xff\n");
    const RunResult result = sandbox.run({"--check", "--report=-", "t"}, "");
    EXPECT_EQ(1, result.status);
    const std::vector<Json> report = parseReport(result.console);
    ASSERT_EQ(1u, report.size());
    EXPECT_EQ("BOGUS\xef\xbf\xbd\xef\xbf\xbd", report[0]["found"]);
    EXPECT_EQ("424f475553e9ff", report[0]["found_hex"]);
    EXPECT_EQ(nullptr, report[0]["output"]);
}

TEST(ArchiveTest, ReportOnStandardOutputExcludesXmlThere) {
    const Sandbox sandbox;
    sandbox.addFile("good.vqz", completeInput);
    for (const auto& arguments : {std::vector<std::string>{"--report=-", "-o", "-", "good"},
                                  std::vector<std::string>{"--report=-", "-"}}) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        const RunResult result = sandbox.run(arguments, completeInput);
        EXPECT_EQ(2, result.status);
        EXPECT_EQ("vqz2xml: --report=- and the XML cannot both go to standard output\n"
                  "Try 'vqz2xml --help' for more information.\n",
                  result.errors);
        EXPECT_EQ("", result.console);
    }
}

TEST(ArchiveTest, NoFaultyOutputLeavesOldOutputsAlone) {
    struct Case {
        std::vector<std::string> arguments;
        std::string console;
        Files outputs;
    };
    const std::string xml(completeXml);
    const Case cases[] = {
        {{"--no-faulty-output", "-f", "-v", "bad", "good"},
         "",
         {{"bad.xml", "old"}, {"good.xml", xml}}},
        {{"--no-faulty-output", "-v", "-d", "new", "bad", "good"},
         "",
         {{"bad.xml", "old"}, {"new/good.xml", xml}}},
        {{"--no-faulty-output", "-v", "-o", "-", "bad"}, "", {{"bad.xml", "old"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const Sandbox sandbox;
        sandbox.addFile("bad.vqz", faultyInput);
        sandbox.addFile("good.vqz", completeInput);
        sandbox.addFile("bad.xml", "old");
        const RunResult result = sandbox.run(c.arguments, "");
        EXPECT_EQ(1, result.status);
        EXPECT_EQ(0u, result.errors.find("bad.vqz:4:1: error: expected 'Title', found \"BOGUS\"\n"
                                         "bad.vqz: faulty, no output written\n"))
            << result.errors;
        EXPECT_EQ(c.console, result.console);
        Files expected = c.outputs;
        expected["bad.vqz"] = std::string(faultyInput);
        expected["good.vqz"] = std::string(completeInput);
        EXPECT_EQ(expected, sandbox.files());
    }
}

TEST(ArchiveTest, EncodingIsGuessedForEachFileAndTheMarkSkipped) {
    struct Case {
        std::string encoding, input, label, reported;
    };
    const std::string mark = "\xef\xbb\xbf";
    const Case cases[] = {
        {"auto", withLabel("caf\xc3\xa9"), "caf&#xe9;", "utf-8"},
        {"auto", mark + withLabel("caf\xc3\xa9"), "caf&#xe9;", "utf-8"},
        {"auto", withLabel("\x93quoted\x94 caf\xe9"), "&#x201c;quoted&#x201d; caf&#xe9;", "cp1252"},
        {"auto", withLabel("caf\xe9"), "caf&#xe9;", "latin1"},
        {"auto", withLabel("plain"), "plain", "latin1"},
        {"windows-1252", withLabel("\x80"), "&#x20ac;", "cp1252"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.encoding + ": " + c.input.substr(0, 3));
        const Sandbox sandbox;
        sandbox.addFile("t.vqz", c.input);
        const RunResult result =
            sandbox.run({"-v", "--encoding=" + c.encoding, "--report=r.jsonl", "t"}, "");
        EXPECT_EQ(0, result.status) << result.errors;
        EXPECT_EQ(c.label, labelOf(readFile(sandbox.path("t.xml"))));
        const std::vector<Json> report = parseReport(readFile(sandbox.path("r.jsonl")));
        ASSERT_EQ(1u, report.size());
        EXPECT_EQ(c.reported, report[0]["encoding"]);
        EXPECT_EQ(c.input.size(), report[0]["bytes_in"]);
        const std::string guessed = c.encoding == "auto" ? " (" + c.reported + ")" : "";
        EXPECT_EQ("t.vqz -> t.xml: converted" + guessed + "\n", result.errors);
    }
}

TEST(ArchiveTest, ByteOrderMarkIsAFaultUnlessReadAsUtf8) {
    const Sandbox sandbox;
    sandbox.addFile("t.vqz", "\xef\xbb\xbf" + std::string(completeInput));
    const RunResult latin1 = sandbox.run({"--check", "t"}, "");
    EXPECT_EQ(1, latin1.status);
    EXPECT_EQ("t.vqz:1:1: error: expected 'VQZ', found \"\\xef\\xbb\\xbfVQZ\"\n"
              "vqz2xml: note: 1 input looks like UTF-8; --encoding=utf-8 or --encoding=auto reads "
              "it so\n",
              latin1.errors);
    const RunResult utf8 = sandbox.run({"--encoding=utf-8", "-o", "-", "t"}, "");
    EXPECT_EQ(0, utf8.status);
    EXPECT_EQ(std::string(completeXml), utf8.console);
}

TEST(ArchiveTest, ExistingNameIsTakenAsGiven) {
    const Sandbox sandbox;
    sandbox.addFile("survey", completeInput);
    sandbox.addFile("survey.vqz", faultyInput);
    struct Case {
        std::vector<std::string> arguments;
        int status;
    };
    const Case cases[] = {
        {{"-o", "-", "/dev/stdin"}, 0},
        {{"-o", "-", "/dev/fd/0"}, 0},
        {{"-o", "-", "survey"}, 0},
        {{"-o", "-", "survey.vqz"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const RunResult result = sandbox.run(c.arguments, completeInput);
        EXPECT_EQ(c.status, result.status) << result.errors;
        if (c.status == 0) {
            EXPECT_EQ(std::string(completeXml), result.console);
        }
    }
    // A named pipe, as a shell's <(...) gives, is read as it is named.
    ASSERT_EQ(0, ::mkfifo(sandbox.path("pipe").c_str(), 0644));
    const RunResult piped = sandbox.run({"-o", "-", "pipe"}, "", "{ cat survey > pipe & } && ");
    EXPECT_EQ(0, piped.status) << piped.errors;
    EXPECT_EQ(std::string(completeXml), piped.console);
}

} // namespace
