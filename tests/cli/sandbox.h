// A scratch folder in which the command-line tests run the real program.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
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

// How the shell starts the program, beyond its arguments and answers.
struct Shell {
    // Commands run first, such as "ulimit -v 1000 && ".
    std::string_view before;
    // Redirections behind the usual ones, which they override, such as " 2>&-".
    std::string_view redirections;
    // Standard output is a pipe to the console file rather than the file itself.
    bool outputThroughPipe = false;
    // Commands run after the program, such as "; wait"; the program's exit status is kept.
    std::string_view after;
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
    // A file beside the run folder, out of the program's sight.
    fs::path beside(std::string_view name) const { return root / name; }

    void addFile(std::string_view name, std::string_view bytes) const {
        fs::create_directories(path(name).parent_path());
        writeFile(path(name), bytes);
    }

    // `answers` is all the program finds on standard input; a hang is cut short and fails.
    // `limits` are shell commands that set limits for the run, such as "ulimit -v 1000 && ".
    RunResult run(const std::vector<std::string>& arguments, std::string_view answers,
                  std::string_view limits = "") const {
        return run(arguments, answers, Shell{limits, "", false, ""});
    }

    RunResult run(const std::vector<std::string>& arguments, std::string_view answers,
                  const Shell& shell) const {
        return execute(commandLine(arguments), answers, shell);
    }

    // Runs the program with a pseudo-terminal as its standard output and error, through
    // script(1): the console text is what the terminal showed, its line ends made CR LF.
    RunResult runInTerminal(const std::vector<std::string>& arguments) const {
        std::string command = "script -qec ";
        command += shellWord(commandLine(arguments));
        command += " /dev/null";
        return execute(command, "", Shell{});
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
    // The program and its arguments as shell words.
    static std::string commandLine(const std::vector<std::string>& arguments) {
        std::string command = shellWord(programPath);
        for (const auto& argument : arguments) {
            command += ' ';
            command += shellWord(argument);
        }
        return command;
    }

    // Runs `command` in the run folder under the shell's settings, with a time limit. Appended
    // piece by piece: a literal in front of a temporary string trips a false warning of some
    // compilers in C++20.
    RunResult execute(const std::string& command, std::string_view answers,
                      const Shell& shell) const {
        writeFile(root / "answers", answers);
        writeFile(root / "status", "");
        std::string script = "cd ";
        for (const std::string& piece :
             {shellWord((root / "run").string()), std::string(" && { "), std::string(shell.before),
              std::string("timeout -k 10 30 "), command, std::string(" <"),
              shellWord((root / "answers").string()),
              shell.outputThroughPipe ? std::string(" >&3")
                                      : std::string(" >") + shellWord((root / "console").string()),
              std::string(" 2>"), shellWord((root / "errors").string()),
              std::string(shell.redirections), std::string("; s=$?"), std::string(shell.after),
              std::string("; echo $s >"), shellWord((root / "status").string()),
              std::string("; }")}) {
            script += piece;
        }
        if (shell.outputThroughPipe) {
            script += " 3>&1 | cat >";
            script += shellWord((root / "console").string());
        }
        std::system(script.c_str());
        RunResult result;
        const std::string status = readFile(root / "status");
        // The shell tells a program ended by a signal as 128 and the signal's number.
        result.status = status.empty() || std::stoi(status) > 128 ? -1 : std::stoi(status);
        result.console = readFile(root / "console");
        result.errors = readFile(root / "errors");
        return result;
    }

    fs::path root;
};

// A run of the program that waits on its standard input, a named pipe the test holds open, while
// the test looks at it and ends it. Started straight from the test, so that the shell has not
// made it ignore an interrupt as it does for commands in the background.
class WaitingRun {
  public:
    WaitingRun(const Sandbox& sandbox, const std::vector<std::string>& arguments)
        : folder(sandbox.path("")), pipe(sandbox.beside("input.fifo")) {
        ::mkfifo(pipe.c_str(), 0600);
        held = ::open(pipe.c_str(), O_RDWR); // a writer, so the program's open does not wait
        std::vector<std::string> words = {programPath};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        const std::string errors = sandbox.beside("errors").string();
        child = ::fork();
        if (child == 0) {
            const int in = ::open(pipe.c_str(), O_RDONLY);
            const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (::chdir(folder.c_str()) != 0 || in < 0 || err < 0 || ::dup2(in, 0) < 0 ||
                ::dup2(err, 1) < 0 || ::dup2(err, 2) < 0 || ::close(held) != 0) {
                ::_exit(126);
            }
            // A test run by nohup, or in the background, has some signals ignored, and a
            // program inherits what is ignored: the program meets them at their default.
            for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
                std::signal(signal, SIG_DFL);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }
    ~WaitingRun() {
        if (child > 0) end(SIGKILL);
        ::close(held);
    }
    WaitingRun(const WaitingRun&) = delete;
    WaitingRun& operator=(const WaitingRun&) = delete;

    // Waits until the program holds a file open in the run folder, which can only be the output
    // it is making (its input is the pipe, outside); false if that never happens.
    bool waitForOpenOutput() const {
        const fs::path descriptors = "/proc/" + std::to_string(child) + "/fd";
        const std::string inside = folder.string();
        for (int tries = 0; tries < 3000; ++tries) {
            std::error_code error;
            for (const auto& entry : fs::directory_iterator(descriptors, error)) {
                const fs::path target = fs::read_symlink(entry.path(), error);
                if (!error && target.string().rfind(inside, 0) == 0) return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // Sends `signal` and waits for the end: the signal that ended the program, -1 when it
    // exited by itself, or -2 when it was still running after a minute (it is killed then).
    int end(int signal) {
        ::kill(child, signal);
        int status = 0;
        for (int tries = 0; tries < 6000; ++tries) {
            if (::waitpid(child, &status, WNOHANG) == child) {
                child = -1;
                return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        child = -1;
        return -2;
    }

  private:
    fs::path folder;
    fs::path pipe;
    int held = -1;
    pid_t child = -1;
};
