// The option form of the command line: converts many inputs, reports on standard error.
#include "frontend/batch_run.h"

#include "core/conversion.h"
#include "frontend/batch_options.h"
#include "frontend/conversion_run.h"
#include "frontend/printable_name.h"
#include "platform/input_file.h"
#include "platform/output_file.h"
#include "platform/paths.h"
#include "platform/terminal.h"

#include <atomic>
#include <chrono>
#include <exception>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

namespace {

namespace fs = std::filesystem;

constexpr std::string_view stdinName = "<stdin>";

struct Job {
    std::string input; // the name opened, or <stdin>
    bool fromStdin = false;
    std::string output; // empty: standard output
};

enum class Result { Converted, Faulty, Skipped, Failed };

struct Report {
    Result result = Result::Failed;
    std::vector<std::string> lines;
};

std::string inQuotes(std::string_view name) {
    std::string quoted(1, '\'');
    quoted += printableName(name);
    quoted += '\'';
    return quoted;
}

std::string messageOf(std::errc error) { return std::make_error_code(error).message(); }

// The name two outputs share when they are one file: the folder with its links resolved, then
// the file's own name. Folders are resolved once each, since a batch names few of them.
class FileKeys {
  public:
    std::string operator()(const std::string& name) {
        std::error_code error;
        fs::path path = fs::absolute(platform::toPath(name), error);
        // A working folder that was removed has no name: then the names are compared as given.
        if (error) path = platform::toPath(name);
        path = path.lexically_normal();
        if (fs::is_symlink(path, error)) {
            const fs::path target = fs::weakly_canonical(path, error);
            if (!error) return platform::toUtf8(target);
        }
        auto [folder, added] = folders.emplace(platform::toUtf8(path.parent_path()), std::string());
        if (added) {
            const fs::path resolved = fs::weakly_canonical(path.parent_path(), error);
            folder->second = error ? folder->first : platform::toUtf8(resolved);
        }
        return platform::toUtf8(platform::toPath(folder->second) / path.filename());
    }

  private:
    std::map<std::string, std::string> folders;
};

std::string outputName(const BatchOptions& options, const std::string& argument) {
    if (options.output) return *options.output == "-" ? std::string() : *options.output;
    const std::string beside = outputFileName(argument, std::nullopt);
    if (!options.outputDir) return beside;
    return platform::toUtf8(platform::toPath(*options.outputDir) /
                            platform::toPath(beside).filename());
}

// The jobs in input order, or the usage error that stops the run before anything is converted.
std::optional<std::string> planJobs(const BatchOptions& options, std::vector<Job>& jobs) {
    bool stdinTaken = false;
    for (const std::string& argument : options.inputs) {
        Job job{argument == "-" ? std::string(stdinName) : inputFileName(argument), argument == "-",
                std::string()};
        if (job.fromStdin && stdinTaken) return "standard input is given more than once";
        stdinTaken = stdinTaken || job.fromStdin;
        if (!options.check && (!job.fromStdin || (options.output && *options.output != "-"))) {
            job.output = outputName(options, argument);
        }
        jobs.push_back(std::move(job));
    }
    if (options.check) return std::nullopt;
    std::map<std::string, const Job*> writers;
    FileKeys fileKey;
    for (const Job& job : jobs) {
        if (job.output.empty()) continue;
        const auto [other, added] = writers.emplace(fileKey(job.output), &job);
        if (!added) {
            return inQuotes(other->second->input) + " and " + inQuotes(job.input) +
                   " would both be written to " + inQuotes(job.output);
        }
    }
    return std::nullopt;
}

bool isRegularFile(const std::string& name) {
    std::error_code error;
    return fs::is_regular_file(platform::toPath(name), error);
}

bool isSameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return fs::equivalent(platform::toPath(a), platform::toPath(b), error);
}

class Converter {
  public:
    // Each conversion writes on a second thread of its own when it runs alone.
    Converter(const BatchOptions& batchOptions, bool alone)
        : options(batchOptions), conversionOptions{batchOptions.encoding} {
        settings.writeInBackground = alone;
    }

    Report run(const Job& job) const {
        try {
            return convert(job);
        } catch (const std::bad_alloc&) {
            return failed("not enough memory to convert " + inQuotes(job.input));
        } catch (const std::exception& error) {
            return failed("cannot convert " + inQuotes(job.input) + ": " + error.what());
        }
    }

  private:
    static Report failed(std::string message) {
        return {Result::Failed, {"vqz2xml: " + std::move(message)}};
    }

    std::string target(const Job& job) const {
        return job.output.empty() ? std::string("<stdout>") : printableName(job.output);
    }

    static std::optional<Report> read(const Job& job, platform::InputBytes& input) {
        const std::error_code error =
            job.fromStdin ? input.readStandardInput() : input.readFile(job.input);
        if (!error) return std::nullopt;
        if (error == platform::InputError::ChangedWhileRead) {
            return failed(inQuotes(job.input) + " " + error.message());
        }
        return failed("cannot read " + inQuotes(job.input) + ": " + error.message());
    }

    // A stream (standard input, a pipe) may take long to read and cannot be read again, so its
    // output is made sure of first; a file is read first, so that a missing one creates nothing.
    static bool isStream(const Job& job) {
        std::error_code error;
        const fs::file_status status = fs::status(platform::toPath(job.input), error);
        return job.fromStdin || (!error && status.type() != fs::file_type::regular &&
                                 status.type() != fs::file_type::directory);
    }

    Report convert(const Job& job) const {
        platform::InputBytes input;
        const bool readsLast = !options.check && !job.output.empty() && isStream(job);
        if (!readsLast) {
            if (auto failure = read(job, input)) return std::move(*failure);
        }
        if (options.check) return check(job, input.view());
        if (job.output.empty()) {
            platform::OutputFile output = platform::OutputFile::standardOutput();
            return write(job, input.view(), output);
        }
        if (auto stop = stopsAtOutput(job)) return std::move(*stop);
        platform::OutputFile output(job.output);
        if (!output.isOpen()) {
            return failed("cannot write " + inQuotes(job.output) + ": " + output.error().message());
        }
        if (readsLast) {
            if (auto failure = read(job, input)) return std::move(*failure);
        }
        return write(job, input.view(), output);
    }

    // What keeps the job from writing its output file: the input itself, or an existing file
    // that is refused, skipped or cannot be written; nothing when the file may be written.
    std::optional<Report> stopsAtOutput(const Job& job) const {
        if (!job.fromStdin && isSameFile(job.input, job.output)) {
            return failed(inQuotes(job.input) + " would be its own output");
        }
        if (platform::isWrittenDirectly(job.output) || !isRegularFile(job.output)) {
            return std::nullopt;
        }
        if (options.noClobber) {
            Report skipped{Result::Skipped, {}};
            if (options.verbosity == Verbosity::Verbose) {
                skipped.lines.push_back(printableName(job.input) + ": skipped, " +
                                        printableName(job.output) + " exists");
            }
            return skipped;
        }
        if (!options.force) {
            return failed("output " + inQuotes(job.output) +
                          " exists (-f replaces it, -n skips its input)");
        }
        if (!platform::isWritableIfRegular(job.output)) {
            return failed("cannot write " + inQuotes(job.output) + ": " +
                          messageOf(std::errc::permission_denied));
        }
        return std::nullopt;
    }

    Report write(const Job& job, std::string_view input, platform::OutputFile& output) const {
        const vqz2xml::Outcome outcome =
            convertInput(input, output.stream(), conversionOptions, settings);
        if (!output.commit(options.fsync ? platform::Sync::ToDisk : platform::Sync::None)) {
            return failed("cannot write " + inQuotes(target(job)) + ": " +
                          output.error().message());
        }
        Report report = judged(job, outcome);
        if (options.verbosity == Verbosity::Verbose) {
            report.lines.push_back(printableName(job.input) + " -> " + target(job) + ": " +
                                   (outcome.complete ? "converted" : "faulty"));
        }
        return report;
    }

    Report check(const Job& job, std::string_view input) const {
        std::ostream nowhere(nullptr);
        const vqz2xml::Outcome outcome = convertInput(input, nowhere, conversionOptions, settings);
        Report report = judged(job, outcome);
        if (options.verbosity == Verbosity::Verbose) {
            report.lines.push_back(printableName(job.input) + ": " +
                                   (outcome.complete ? "complete" : "faulty"));
        }
        return report;
    }

    static Report judged(const Job& job, const vqz2xml::Outcome& outcome) {
        if (outcome.complete) return {Result::Converted, {}};
        return {Result::Faulty,
                {vqz2xml::diagnosticLine(printableName(job.input), *outcome.diagnostic)}};
    }

    const BatchOptions& options;
    const vqz2xml::Options conversionOptions;
    ConversionSettings settings;
};

// Standard error, shared by the workers: reports in input order, the counts and the progress
// line, which is taken away before anything else is printed and drawn again behind it.
class Console {
  public:
    Console(std::size_t inputs, bool showProgress) : reports(inputs), progress(showProgress) {}

    void finished(std::size_t index, Report report) {
        const std::lock_guard<std::mutex> lock(mutex);
        ++counts[static_cast<std::size_t>(report.result)];
        reports[index] = std::move(report);
        while (nextToPrint < reports.size() && reports[nextToPrint]) {
            print(reports[nextToPrint]->lines);
            reports[nextToPrint].reset();
            ++nextToPrint;
        }
        ++done;
        if (progress) drawProgress(done == reports.size());
    }

    void finish() {
        const std::lock_guard<std::mutex> lock(mutex);
        clearProgress();
    }

    std::size_t count(Result result) const { return counts[static_cast<std::size_t>(result)]; }

  private:
    void print(const std::vector<std::string>& lines) {
        if (lines.empty()) return;
        clearProgress();
        for (const std::string& line : lines) std::cerr << line << '\n';
        std::cerr.flush();
    }

    void drawProgress(bool last) {
        const auto now = std::chrono::steady_clock::now();
        if (!last && shownLength > 0 && now - drawnAt < std::chrono::milliseconds(100)) return;
        drawnAt = now;
        const std::string line = "vqz2xml: " + std::to_string(done) + "/" +
                                 std::to_string(reports.size()) + " files, " +
                                 std::to_string(count(Result::Faulty)) + " faulty";
        std::cerr << '\r' << line << std::flush;
        shownLength = line.size();
    }

    void clearProgress() {
        if (shownLength == 0) return;
        std::cerr << '\r' << std::string(shownLength, ' ') << '\r' << std::flush;
        shownLength = 0;
    }

    std::mutex mutex;
    std::vector<std::optional<Report>> reports;
    std::size_t nextToPrint = 0;
    std::size_t done = 0;
    std::size_t counts[4] = {};
    bool progress;
    std::size_t shownLength = 0;
    std::chrono::steady_clock::time_point drawnAt;
};

int usageError(const std::string& message) {
    std::cerr << "vqz2xml: " << message << "\nTry 'vqz2xml --help' for more information.\n";
    return 2;
}

unsigned workerCount(const BatchOptions& options, std::size_t inputs) {
    unsigned workers = options.jobs > 0 ? options.jobs : std::thread::hardware_concurrency();
    if (workers == 0) workers = 1;
    return static_cast<unsigned>(std::min<std::size_t>(workers, inputs));
}

// Runs the jobs on up to `workerCount` threads: as many as the system will start, this one
// included. What a worker throws is thrown again here once every worker has stopped.
void runJobs(const std::vector<Job>& jobs, const BatchOptions& options, Console& console) {
    const unsigned workers = workerCount(options, jobs.size());
    const Converter converter(options, workers == 1);
    std::atomic<std::size_t> next{0};
    std::mutex failureMutex;
    std::exception_ptr failure;
    const auto work = [&] {
        try {
            for (std::size_t i = next++; i < jobs.size(); i = next++) {
                console.finished(i, converter.run(jobs[i]));
            }
        } catch (...) {
            const std::lock_guard<std::mutex> lock(failureMutex);
            if (!failure) failure = std::current_exception();
            next = jobs.size(); // the others stop after their current job
        }
    };
    std::vector<std::thread> threads;
    try {
        threads.reserve(workers);
        for (unsigned i = 1; i < workers; ++i) threads.emplace_back(work);
    } catch (const std::exception&) {
        // no more threads to be had (a memory limit, a process limit): those started do the work
    }
    work();
    for (std::thread& thread : threads) thread.join();
    console.finish();
    if (failure) std::rethrow_exception(failure);
}

void printSummary(const Console& console, std::size_t inputs, bool check) {
    std::cerr << "vqz2xml: " << inputs << " files: " << console.count(Result::Converted)
              << (check ? " complete, " : " converted, ") << console.count(Result::Faulty)
              << " faulty, " << console.count(Result::Skipped) << " skipped, "
              << console.count(Result::Failed) << (check ? " not checked\n" : " not converted\n");
}

int runBatch(const std::vector<std::string>& arguments) {
    const ParsedOptions parsed = parseBatchOptions(arguments);
    if (!parsed.error.empty()) return usageError(parsed.error);
    const BatchOptions& options = parsed.options;
    if (options.help) {
        std::cout << batchHelp();
        return 0;
    }
    if (options.version) {
        std::cout << "vqz2xml " << vqz2xml::version() << '\n';
        return 0;
    }
    std::vector<Job> jobs;
    if (const auto error = planJobs(options, jobs)) return usageError(*error);
    if (options.outputDir && !options.check) {
        const fs::path folder = platform::toPath(*options.outputDir);
        std::error_code error;
        fs::create_directories(folder, error);
        if (!error && !fs::is_directory(folder, error) && !error) {
            error = std::make_error_code(std::errc::not_a_directory);
        }
        if (error) {
            std::cerr << "vqz2xml: cannot create folder " << inQuotes(*options.outputDir) << ": "
                      << error.message() << '\n';
            return 2;
        }
    }
    platform::OutputFile::readCreationMask();
    const bool progress = options.progress.value_or(
        jobs.size() > 1 && platform::isTerminal(platform::StandardStream::Error));
    Console console(jobs.size(), progress);
    runJobs(jobs, options, console);
    if (jobs.size() > 1 && options.verbosity != Verbosity::Quiet) {
        printSummary(console, jobs.size(), options.check);
    }
    if (console.count(Result::Failed) > 0) return 2;
    return console.count(Result::Faulty) > 0 ? 1 : 0;
}

} // namespace

int runOptionForm(const std::vector<std::string>& arguments) {
    try {
        return runBatch(arguments);
    } catch (const std::exception& error) {
        std::cerr << "vqz2xml: " << error.what() << '\n';
    } catch (...) {
        std::cerr << "vqz2xml: stopped by an unknown failure\n";
    }
    return 2;
}
