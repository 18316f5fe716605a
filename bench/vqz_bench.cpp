// Times the real program on large and pathological inputs, each conversion in a process of its own.
#include "bench/input_generator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::string_view usage =
    "USE: vqz_bench [--dir D] [--quick] [--huge] [--runs N] [--program P]\n"
    "  --dir D      work directory for inputs and outputs (default: bench-data beside vqz_bench)\n"
    "  --quick      a tenth of every size\n"
    "  --huge       also a 2 GB version 1.1 survey (its time and memory; takes minutes)\n"
    "  --runs N     time each input N times and keep the median (default 3)\n"
    "  --program P  the converter to run (default: vqz2xml beside vqz_bench)\n";

// A run that takes longer than this much processor time is counted as a hang.
constexpr rlim_t cpuSecondsLimit = 600;

struct Options {
    fs::path dir;
    fs::path program;
    bool quick = false;
    bool huge = false;
    int runs = 3;
};

struct BenchInput {
    std::string name;
    InputKind kind;
    double megabytes;
};

struct RunResult {
    std::uint64_t inputBytes = 0;
    double md5Seconds = 0;  // md5sum on the same file, the machine's pace for one pass
    double seconds = 0;     // the conversion with its output sent to /dev/null
    double fileSeconds = 0; // the conversion with its output written to a file
    std::uint64_t peakRssBytes = 0;
    std::string outcome;
    bool asExpected = false;
};

fs::path ownDirectory() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path() : self.parent_path();
}

std::optional<Options> parseOptions(int argc, char** argv) {
    Options options{ownDirectory() / "bench-data", ownDirectory() / "vqz2xml", false, false, 3};
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--quick") {
            options.quick = true;
        } else if (argument == "--huge") {
            options.huge = true;
        } else if (argument == "--runs" && i + 1 < argc) {
            options.runs = std::max(1, std::atoi(argv[++i]));
        } else if ((argument == "--dir" || argument == "--program") && i + 1 < argc) {
            (argument == "--dir" ? options.dir : options.program) = argv[++i];
        } else {
            return std::nullopt;
        }
    }
    return options;
}

// The inputs of a run: the sizes the targets name, and each pathological kind once more at a
// tenth of its size, so that the two times show whether the work grows linearly.
std::vector<BenchInput> benchInputs(bool quick, bool huge) {
    const double scale = quick ? 0.1 : 1.0;
    std::vector<BenchInput> inputs = {{"v11-10MB", InputKind::V11, 10},
                                      {"v11-100MB", InputKind::V11, 100},
                                      {"v10-100MB", InputKind::V10, 100}};
    const std::vector<BenchInput> pathological = {
        {"notes", InputKind::Notes, 10},       {"nested", InputKind::Nested, 2},
        {"arrows", InputKind::Arrows, 10},     {"variables", InputKind::Variables, 62},
        {"biglabel", InputKind::BigLabel, 10}, {"unclosed", InputKind::Unclosed, 100}};
    for (const auto& input : pathological) {
        inputs.push_back({input.name + "/10", input.kind, input.megabytes / 10});
        inputs.push_back(input);
    }
    for (auto& input : inputs) input.megabytes *= scale;
    if (huge) inputs.push_back({"v11-2GB", InputKind::V11, 2000});
    return inputs;
}

std::string fileStem(const BenchInput& input) {
    return std::string(inputKindName(input.kind)) + "-" +
           std::to_string(static_cast<long long>(input.megabytes * 1000)) + "kB";
}

// Generates in a child process: the generator's buffers would otherwise stay in this process,
// and every conversion forked from it would start with them counted in its peak memory.
bool generateApart(const BenchInput& input, const fs::path& file) {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) _exit(generateInput(input.kind, input.megabytes, file.string()) ? 0 : 1);
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Generates the input unless an earlier run left it complete; a file appears under its final
// name only once it has been written whole.
std::optional<fs::path> prepareInput(const BenchInput& input, const fs::path& dir) {
    const fs::path path = dir / (fileStem(input) + ".vqz");
    std::error_code error;
    if (fs::is_regular_file(path, error)) return path;
    const fs::path partial = dir / (fileStem(input) + ".partial");
    std::cout << "generating " << path.string() << " ..." << std::flush;
    const auto started = std::chrono::steady_clock::now();
    if (!generateApart(input, partial)) return std::nullopt;
    fs::rename(partial, path, error);
    if (error) return std::nullopt;
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    std::cout << " " << took.count() << " s\n";
    return path;
}

struct ChildRun {
    int status = 0;
    double seconds = 0;
    std::uint64_t peakRssBytes = 0;
};

// Runs `words` in a child with standard input from /dev/null, standard output to `stdoutFile`
// and standard error to /dev/null; returns the wait status, the wall time and the peak memory.
std::optional<ChildRun> runChild(std::vector<std::string> words, const fs::path& stdoutFile) {
    std::vector<char*> arguments;
    for (auto& word : words) arguments.push_back(word.data());
    arguments.push_back(nullptr);
    const std::string console = stdoutFile.string();

    const auto started = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) return std::nullopt;
    if (child == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open("/dev/null", O_WRONLY);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
            dup2(err, 2) < 0) {
            _exit(126);
        }
        const rlimit cpu{cpuSecondsLimit, cpuSecondsLimit};
        setrlimit(RLIMIT_CPU, &cpu);
        execvp(arguments[0], arguments.data());
        _exit(127);
    }
    ChildRun run;
    rusage resources{};
    if (wait4(child, &run.status, 0, &resources) != child) return std::nullopt;
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    run.seconds = took.count();
    run.peakRssBytes = static_cast<std::uint64_t>(resources.ru_maxrss) * 1024; // kilobytes on Linux
    return run;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// The last bytes of a file, enough to see how the output ends.
std::string readTail(const fs::path& path, std::uintmax_t bytes) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) return {};
    std::ifstream file(path, std::ios::binary);
    file.seekg(static_cast<std::streamoff>(size > bytes ? size - bytes : 0));
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// What the exit status and the output file say about the conversion.
std::string describeOutcome(int status, const fs::path& output) {
    if (WIFSIGNALED(status)) return "CRASH (signal " + std::to_string(WTERMSIG(status)) + ")";
    if (!WIFEXITED(status)) return "NO EXIT";
    const std::string tail = readTail(output, 4096);
    switch (WEXITSTATUS(status)) {
    case 0: return endsWith(tail, "</vqz>\r\n") ? "complete" : "complete, BAD END";
    case 1: return tail.find("*** Error:") != std::string::npos ? "faulty" : "faulty, NO REPORT";
    default: return "EXIT " + std::to_string(WEXITSTATUS(status));
    }
}

// Times md5sum and the conversion, to /dev/null and to a file, `runs` times each: the median
// wall times, the highest peak memory, and the outcome of the runs, which must all agree.
std::optional<RunResult> benchmark(const Options& options, const BenchInput& input) {
    const auto path = prepareInput(input, options.dir);
    if (!path) return std::nullopt;
    const fs::path output = options.dir / (fileStem(input) + ".xml");
    const fs::path console = options.dir / "console";
    const std::string program = options.program.string();
    std::error_code error;
    RunResult result;
    result.inputBytes = fs::file_size(*path, error);
    std::vector<double> md5, null, file;
    // md5sum and the conversion to /dev/null take turns, in the same conditions; the runs that
    // write a file come after them, each followed by a sync, so that no writing back of dirty
    // pages is still going on while another run is timed.
    for (int run = 0; run < options.runs; ++run) {
        const auto sum = runChild({"md5sum", path->string()}, console);
        const auto quiet =
            runChild({program, "-q", "-f", "-o", "/dev/null", path->string()}, console);
        if (!sum || !quiet) return std::nullopt;
        md5.push_back(sum->seconds);
        null.push_back(quiet->seconds);
        result.peakRssBytes = std::max(result.peakRssBytes, quiet->peakRssBytes);
    }
    ::sync();
    for (int run = 0; run < options.runs; ++run) {
        const auto written =
            runChild({program, "-q", "-f", "-o", output.string(), path->string()}, console);
        if (!written) return std::nullopt;
        file.push_back(written->seconds);
        result.peakRssBytes = std::max(result.peakRssBytes, written->peakRssBytes);
        const std::string outcome = describeOutcome(written->status, output);
        if (run == 0) result.outcome = outcome;
        if (outcome != result.outcome) result.outcome += " / " + outcome;
        ::sync();
    }
    result.md5Seconds = median(md5);
    result.seconds = median(null);
    result.fileSeconds = median(file);
    result.asExpected = result.outcome == (expectsComplete(input.kind) ? "complete" : "faulty");
    fs::remove(output, error);
    return result;
}

// The memory of a conversion that holds almost nothing, subtracted in the last column.
std::uint64_t baselineRss(const Options& options) {
    const fs::path tiny = options.dir / "baseline.vqz";
    std::ofstream(tiny, std::ios::binary) << "VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME "
                                             "\"a\" LABEL \"b\" TYPE logical POSITION 1 END "
                                             "VARIABLE END RECORD END SURVEY END VQZ\r\n";
    const fs::path output = options.dir / "baseline.xml";
    std::error_code error;
    fs::remove(output, error);
    const auto run =
        runChild({options.program.string(), "-q", "-f", "-o", output.string(), tiny.string()},
                 options.dir / "console");
    return run ? run->peakRssBytes : 0;
}

// Peak memory above the input's own size, the figure the memory bound is set on.
double aboveInputMegabytes(const RunResult& r) {
    return (static_cast<double>(r.peakRssBytes) - static_cast<double>(r.inputBytes)) / 1e6;
}

void printRow(const std::string& name, const RunResult& r) {
    const double megabytes = static_cast<double>(r.inputBytes) / 1e6;
    std::printf("%-14s %8.1f %7.3f %7.3f %7.1f %6.2fx %7.3f %8.1f %8.1f  %s\n", name.c_str(),
                megabytes, r.md5Seconds, r.seconds, r.seconds > 0 ? megabytes / r.seconds : 0.0,
                r.md5Seconds > 0 ? r.seconds / r.md5Seconds : 0.0, r.fileSeconds,
                static_cast<double>(r.peakRssBytes) / 1e6, aboveInputMegabytes(r),
                r.outcome.c_str());
}

struct Named {
    std::string name;
    RunResult result;
};

const RunResult* find(const std::vector<Named>& results, const std::string& name) {
    for (const auto& entry : results) {
        if (entry.name == name) return &entry.result;
    }
    return nullptr;
}

double timeRatio(const std::vector<Named>& results, const std::string& big,
                 const std::string& small) {
    const RunResult* a = find(results, big);
    const RunResult* b = find(results, small);
    return a && b && b->seconds > 0 ? a->seconds / b->seconds : 0.0;
}

// Prints the growth of each pair and whether the targets were met; false on a miss. Speed is
// judged on the large realistic surveys, as a pace and as a multiple of md5sum's time on the
// same file; memory on every input; the pathological inputs are held to linear time.
bool printSummary(const std::vector<Named>& results) {
    bool met = true;
    std::printf("\ntime ratio at ten times the size (linear: about 10):\n");
    for (const std::string name :
         {"notes", "nested", "arrows", "variables", "biglabel", "unclosed"}) {
        std::printf("  %-12s %6.2f\n", name.c_str(), timeRatio(results, name, name + "/10"));
    }
    struct SpeedTarget {
        const char* name;
        double megabytesPerSecond;
        double md5Multiple;
    };
    for (const SpeedTarget target :
         {SpeedTarget{"v11-100MB", 300, 1.8}, SpeedTarget{"v10-100MB", 250, 1.8 * 300 / 250}}) {
        const RunResult* survey = find(results, target.name);
        if (!survey) continue;
        const double speed = static_cast<double>(survey->inputBytes) / 1e6 / survey->seconds;
        const double multiple = survey->seconds / survey->md5Seconds;
        const bool ok = speed >= target.megabytesPerSecond && multiple <= target.md5Multiple;
        std::printf("%s: %.0f MB/s, %.2fx md5sum (targets >= %.0f MB/s, <= %.2fx)%s\n", target.name,
                    speed, multiple, target.megabytesPerSecond, target.md5Multiple,
                    ok ? "" : "  MISSED");
        met = met && ok;
    }
    double worst = 0;
    std::string worstName;
    for (const auto& entry : results) {
        if (aboveInputMegabytes(entry.result) > worst) {
            worst = aboveInputMegabytes(entry.result);
            worstName = entry.name;
        }
    }
    std::printf("peak memory above the input: at most %.1f MB (%s; target <= 64 MB)%s\n", worst,
                worstName.c_str(), worst <= 64 ? "" : "  MISSED");
    return met && worst <= 64;
}

} // namespace

int main(int argc, char** argv) {
    const auto options = parseOptions(argc, argv);
    if (!options) {
        std::cerr << usage;
        return 2;
    }
    std::error_code error;
    fs::create_directories(options->dir, error);
    if (access(options->program.c_str(), X_OK) != 0) {
        std::cerr << "vqz_bench: no program at " << options->program << "\n";
        return 2;
    }
    std::vector<Named> results;
    bool allAsExpected = true;
    for (const auto& input : benchInputs(options->quick, options->huge)) {
        const auto result = benchmark(*options, input);
        if (!result) {
            std::cerr << "vqz_bench: cannot prepare or run " << input.name << "\n";
            return 1;
        }
        allAsExpected = allAsExpected && result->asExpected;
        results.push_back({input.name, *result});
    }
    const std::uint64_t baseline = baselineRss(*options);
    std::printf("\nprogram: %s%s\nmedian wall time of %d runs; peak memory of a tiny input: "
                "%.1f MB\n\n",
                options->program.c_str(), options->quick ? "  (quick: a tenth of the sizes)" : "",
                options->runs, static_cast<double>(baseline) / 1e6);
    std::printf("%-14s %8s %7s %7s %7s %7s %7s %8s %8s  %s\n", "input", "MB", "md5 s", "null s",
                "MB/s", "/md5", "file s", "RSS MB", "-input", "outcome");
    for (const auto& entry : results) printRow(entry.name, entry.result);
    const bool met = printSummary(results);
    if (!allAsExpected) std::printf("\nSOME CONVERSION DID NOT END AS EXPECTED\n");
    std::printf("%s\n", met ? "all targets met" : "some target missed");
    return allAsExpected ? 0 : 1;
}
