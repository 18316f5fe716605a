// A scratch folder in which the command-line tests run the real program.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

// A complete classic document and the XML it converts into.
inline constexpr std::string_view completeInput = "VQZ\n"
                                                  "VERSION 1.1\n"
                                                  "DATE \"12 May\"\n"
                                                  "SURVEY\n"
                                                  "TITLE \"Test\"\n"
                                                  "RECORD A\n"
                                                  "VARIABLE 1\n"
                                                  "NAME \"Q1\"\n"
                                                  "LABEL \"Sex\"\n"
                                                  "TYPE single\n"
                                                  "POSITION 1\n"
                                                  "VALUES\n"
                                                  "1 \"Male\"\n"
                                                  "2 \"Female\"\n"
                                                  "END VALUES\n"
                                                  "END VARIABLE\n"
                                                  "END RECORD\n"
                                                  "END SURVEY\n"
                                                  "END VQZ\n";

inline constexpr std::string_view completeXml =
    "<?xml version=\"1.0\"?>\r\n"
    "<vqz version=\"1.1\">\r\n"
    "    <date>12 May</date>\r\n"
    "    <survey>\r\n"
    "        <title>Test</title>\r\n"
    "        <record ident=\"A\">\r\n"
    "            <variable ident=\"1\" type=\"single\">\r\n"
    "                <name>Q1</name>\r\n"
    "                <label>Sex</label>\r\n"
    "                <position start=\"1\"/>\r\n"
    "                <values>\r\n"
    "                    <value code=\"1\">Male</value>\r\n"
    "                    <value code=\"2\">Female</value>\r\n"
    "                </values>\r\n"
    "            </variable>\r\n"
    "        </record>\r\n"
    "    </survey>\r\n"
    "</vqz>\r\n";

// Set by main from the first argument after the test framework's own.
extern std::string programPath;

inline std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline void writeFile(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A word for the shell, taken literally ("/?" must not be expanded as a pattern).
inline std::string shellWord(std::string_view word) {
    std::string result = "'";
    for (const char c : word) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

struct RunResult {
    int status = -1;     // the exit status, or -1 when the program did not exit normally
    std::string console; // standard output
    std::string errors;  // standard error
};

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
// The program runs in its "run" subfolder; its answers and console text lie beside that.
class Sandbox {
  public:
    Sandbox() {
        std::random_device random;
        do {
            root = fs::temp_directory_path() / ("vqz2xml_cli_" + std::to_string(random()));
        } while (!fs::create_directory(root));
        fs::create_directory(root / "run");
    }
    ~Sandbox() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    fs::path path(std::string_view name) const { return root / "run" / name; }

    void addFile(std::string_view name, std::string_view bytes) const {
        fs::create_directories(path(name).parent_path());
        writeFile(path(name), bytes);
    }

    // `answers` is all the program finds on standard input; a hang is cut short and fails.
    // `limits` are shell commands that set limits for the run, such as "ulimit -v 1000 && ".
    RunResult run(const std::vector<std::string>& arguments, std::string_view answers,
                  std::string_view limits = "") const {
        writeFile(root / "answers", answers);
        // Appended piece by piece: a literal in front of a temporary string trips a false
        // warning of some compilers in C++20.
        std::string command = "cd ";
        for (const std::string& piece :
             {shellWord((root / "run").string()), std::string(" && "), std::string(limits),
              std::string("timeout 30 "), shellWord(programPath)}) {
            command += piece;
        }
        for (const auto& argument : arguments) {
            command += ' ';
            command += shellWord(argument);
        }
        command += " <";
        command += shellWord((root / "answers").string());
        command += " >";
        command += shellWord((root / "console").string());
        command += " 2>";
        command += shellWord((root / "errors").string());
        RunResult result;
        const int status = std::system(command.c_str());
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.console = readFile(root / "console");
        result.errors = readFile(root / "errors");
        return result;
    }

    // Every file and folder below the run folder, by its path from there.
    std::set<std::string> entries() const {
        std::set<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(root / "run")) {
            found.insert(entry.path().lexically_relative(root / "run").generic_string());
        }
        return found;
    }

    // Every regular file below the run folder with its bytes, by its path from there.
    std::map<std::string, std::string> files() const {
        std::map<std::string, std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(root / "run")) {
            if (!entry.is_regular_file()) continue;
            found[entry.path().lexically_relative(root / "run").generic_string()] =
                readFile(entry.path());
        }
        return found;
    }

  private:
    fs::path root;
};
