// The option form of the command line: converts many inputs, reports on standard error.
#include "frontend/batch_run.h"

#include "core/conversion.h"
#include "core/encoding_guess.h"
#include "frontend/batch_options.h"
#include "frontend/batch_plan.h"
#include "frontend/batch_report.h"
#include "frontend/data_run.h"
#include "frontend/diagnostic_hints.h"
#include "frontend/printable_name.h"
#include "frontend/progress_line.h"
#include "library/survey_json.h"
#include "platform/input_file.h"
#include "platform/output_file.h"
#include "platform/paths.h"
#include "platform/terminal.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <new>
#include <optional>
#include <streambuf>
#include <system_error>
#include <thread>

namespace {

namespace fs = std::filesystem;

// What became of one job: the lines for standard error and the report's record.
struct Report {
    std::vector<std::string> lines;
    ReportRecord record;
    // Read as Latin-1 by default, but valid UTF-8 with characters of several bytes.
    bool looksUtf8 = false;
    // Not converted for want of memory, to be tried again when other jobs no longer hold it;
    // the report says nothing else.
    bool putOff = false;
};

std::string messageOf(std::errc error) { return std::make_error_code(error).message(); }

// Whether input and output are one file. A named pipe is not asked about, and is no input's.
bool isSameFile(const std::string& input, const std::string& output) {
    if (platform::isPipeName(output)) return false;
    std::error_code error;
    return fs::equivalent(platform::toPath(input), platform::toPath(output), error);
}

std::optional<fs::file_time_type> modificationTime(const std::string& name) {
    std::error_code error;
    const fs::file_time_type time = fs::last_write_time(platform::toPath(name), error);
    if (error) return std::nullopt;
    return time;
}

// Counts the bytes on their way to another stream buffer; a failure there fails the stream.
class CountingBuffer : public std::streambuf {
  public:
    explicit CountingBuffer(std::streambuf& target) : next(target) {}
    std::uint64_t count() const { return written; }

  protected:
    std::streamsize xsputn(const char* bytes, std::streamsize count) override {
        const std::streamsize put = next.sputn(bytes, count);
        written += static_cast<std::uint64_t>(put);
        return put;
    }
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        if (traits_type::eq_int_type(next.sputc(traits_type::to_char_type(c)),
                                     traits_type::eof())) {
            return traits_type::eof();
        }
        ++written;
        return c;
    }
    int sync() override { return next.pubsync(); }

  private:
    std::streambuf& next;
    std::uint64_t written = 0;
};

// An input's bytes, the encoding they are read in, the text converted (the bytes without a
// UTF-8 byte-order mark) and how its conversion runs.
struct Input {
    platform::InputBytes bytes;
    vqz2xml::Options options;
    std::string_view text;
    ConversionSettings settings;
};

class Console;

class Converter {
  public:
    // Each conversion writes on a second thread of its own when it runs alone. A `console` that
    // shows progress is told how far each parse has come.
    Converter(const BatchOptions& batchOptions, bool alone, Console* progressConsole)
        : options(batchOptions), console(progressConsole) {
        settings.writeInBackground = alone;
    }

    // With `putOffShortOfMemory`, a job that runs out of memory gives a report that only says
    // so, made without taking any.
    Report run(const Job& job, std::size_t index, bool putOffShortOfMemory = false) const {
        Report report;
        try {
            report.record.input = job.input;
            convert(job, index, report);
        } catch (const std::bad_alloc&) {
            report = Report();
            if (putOffShortOfMemory) {
                report.putOff = true;
                return report;
            }
            report.record.input = job.input;
            fail(report, "not enough memory to convert " + inQuotes(job.input));
        } catch (const std::exception& error) {
            report = Report();
            report.record.input = job.input;
            fail(report, "cannot convert " + inQuotes(job.input) + ": " + error.what());
        }
        return report;
    }

  private:
    static void fail(Report& report, std::string message) {
        report.record.status = Status::Failed;
        report.lines.push_back("vqz2xml: " + message);
        report.record.error = std::move(message);
    }

    bool verbose() const { return options.verbosity == Verbosity::Verbose; }

    static std::string target(const Job& job) {
        return job.output.empty() ? std::string("<stdout>") : printableName(job.output);
    }

    void convert(const Job& job, std::size_t index, Report& report) const {
        if (!job.failure.empty()) return fail(report, job.failure);
        if (options.update && !job.fromStdin && !job.output.empty() && isUpToDate(job) &&
            dataIsOlder(job)) {
            report.record.status = Status::UpToDate;
            report.record.output = job.output;
            if (verbose()) {
                report.lines.push_back(printableName(job.input) + ": up to date, " +
                                       printableName(job.output));
            }
            return;
        }
        Input input;
        const bool readsLast = !options.check && !job.output.empty() && isStream(job);
        input.settings = settingsFor(index);
        if (!readsLast && !read(job, input, report)) return;
        if (options.check) return check(job, input, report);
        if (job.output.empty()) {
            platform::OutputFile output = platform::OutputFile::standardOutput();
            return write(job, input, output, true, report);
        }
        // What is written into anything but a regular file (a named pipe, a device) goes
        // straight there and cannot be taken back. A Windows named pipe is not even asked about.
        const bool pipe = platform::isPipeName(job.output);
        std::error_code ignored;
        const fs::file_status existing = pipe ? fs::file_status(fs::file_type::unknown)
                                              : fs::status(platform::toPath(job.output), ignored);
        const bool direct = pipe || platform::isWrittenDirectly(job.output) ||
                            (fs::exists(existing) && !fs::is_regular_file(existing));
        if (stopsAtOutput(job, existing, direct, report)) return;
        platform::OutputFile output(job.output);
        if (!output.isOpen()) {
            return fail(report,
                        "cannot write " + inQuotes(job.output) + ": " + output.error().message());
        }
        if (readsLast && !read(job, input, report)) return;
        write(job, input, output, direct, report);
    }

    // A stream (standard input, a pipe) may take long to read and cannot be read again, so its
    // output is made sure of first; a file is read first, so that a missing one creates nothing.
    static bool isStream(const Job& job) {
        if (job.fromStdin || platform::isPipeName(job.input)) return true;
        std::error_code error;
        const fs::file_status status = fs::status(platform::toPath(job.input), error);
        return (!error && status.type() != fs::file_type::regular &&
                status.type() != fs::file_type::directory);
    }

    ConversionSettings settingsFor(std::size_t index) const;

    // Reads the input and chooses the encoding its texts are read in; false, with the failure
    // reported, when it cannot be read.
    bool read(const Job& job, Input& input, Report& report) const {
        if (const std::error_code error =
                job.fromStdin ? input.bytes.readStandardInput() : input.bytes.readFile(job.input)) {
            const bool folder = error == std::errc::is_a_directory && !options.recursive;
            if (error == platform::InputError::ChangedWhileRead) {
                fail(report, inQuotes(job.input) + " " + error.message());
            } else {
                fail(report, "cannot read " + inQuotes(job.input) + ": " + error.message() +
                                 (folder ? " (-r converts the files below a folder)" : ""));
            }
            return false;
        }
        input.text = input.bytes.view();
        input.options.encoding = options.encoding ? *options.encoding : guessEncoding(input.text);
        // Only the default is doubted: an encoding asked for is what was meant.
        report.looksUtf8 = !options.encodingGiven && looksLikeUtf8(input.text);
        if (input.options.encoding == vqz2xml::Encoding::Utf8 &&
            startsWithByteOrderMark(input.text)) {
            input.text.remove_prefix(byteOrderMark.size());
        }
        return true;
    }

    // Under --update, for CSV: whether the output was also written after the data file last
    // changed.
    bool dataIsOlder(const Job& job) const {
        if (options.format != OutputFormat::Csv) return true;
        const std::string data = dataFileFor(options, job.input, job.fromStdin);
        const auto dataTime = data.empty() ? std::nullopt : modificationTime(data);
        const auto outputTime = modificationTime(job.output);
        return dataTime && outputTime && *outputTime > *dataTime;
    }

    // Under --update: whether the output was written after its input last changed. Equal times
    // count as older, so that a clock too coarse to tell two writes apart errs on converting.
    static bool isUpToDate(const Job& job) {
        if (platform::isPipeName(job.input) || platform::isPipeName(job.output)) return false;
        const auto inputTime = modificationTime(job.input);
        const auto outputTime = inputTime ? modificationTime(job.output) : std::nullopt;
        return outputTime && *outputTime > *inputTime;
    }

    // What keeps the job from writing its output file, `existing` being what is there (written
    // `direct`ly, it is no old output to keep): the input itself, or an existing file that is
    // refused, skipped or cannot be written, or a folder that cannot be made for it; false when
    // the file may be written.
    bool stopsAtOutput(const Job& job, const fs::file_status& existing, bool direct,
                       Report& report) const {
        if (!fs::exists(existing)) return !makeFolder(job, report);
        if (!job.fromStdin && isSameFile(job.input, job.output)) {
            fail(report, inQuotes(job.input) + " would be its own output");
            return true;
        }
        if (direct) return false;
        if (options.noClobber) {
            report.record.status = Status::Skipped;
            report.record.output = job.output;
            if (verbose())
                report.lines.push_back(printableName(job.input) + ": skipped, " +
                                       printableName(job.output) + " exists");
            return true;
        }
        if (!options.force && !options.update) {
            fail(report,
                 "output " + inQuotes(job.output) + " exists (-f replaces it, -n skips its input)");
            return true;
        }
        if (!platform::isWritableIfRegular(job.output)) {
            fail(report, "cannot write " + inQuotes(job.output) + ": " +
                             messageOf(std::errc::permission_denied));
            return true;
        }
        return false;
    }

    // The folders a file found by --recursive is written into under --output-dir; false, with
    // the failure reported, when they cannot be made.
    bool makeFolder(const Job& job, Report& report) const {
        if (!options.recursive || !options.outputDir) return true;
        std::error_code error;
        const fs::path folder = platform::toPath(job.output).parent_path();
        if (fs::create_directories(folder, error) || !error) return true;
        fail(report,
             "cannot create folder " + inQuotes(platform::toUtf8(folder)) + ": " + error.message());
        return false;
    }

    void write(const Job& job, const Input& input, platform::OutputFile& output, bool direct,
               Report& report) const {
        if (options.format == OutputFormat::Csv) return writeData(job, input, output, report);
        if (direct && options.noFaultyOutput) {
            // What goes straight out cannot be taken back, so a faulty input is found first.
            std::ostream nowhere(nullptr);
            const vqz2xml::Outcome outcome = produce(input, nowhere);
            if (!outcome.complete) return judge(job, input, outcome, false, report);
        }
        CountingBuffer counter(*output.stream().rdbuf());
        std::ostream counted(&counter);
        const vqz2xml::Outcome outcome = produce(input, counted);
        const bool kept = outcome.complete || !options.noFaultyOutput;
        if (kept && !output.commit(options.fsync ? platform::Sync::ToDisk : platform::Sync::None)) {
            return fail(report,
                        "cannot write " + inQuotes(target(job)) + ": " + output.error().message());
        }
        if (kept && !outcome.complete && !direct && !job.fromStdin) markAsOld(job);
        if (kept) {
            report.record.output = target(job);
            report.record.bytesOut = counter.count();
        }
        judge(job, input, outcome, kept, report);
    }

    // The input's output in the format asked for.
    vqz2xml::Outcome produce(const Input& input, std::ostream& out) const {
        if (options.format == OutputFormat::Json)
            return writeSurveyJson(input.text, out, input.options, input.settings);
        return convertInput(input.text, out, input.options, input.settings);
    }

    // A faulty input's output takes its input's time, so that --update converts it again.
    static void markAsOld(const Job& job) {
        if (const auto time = modificationTime(job.input)) {
            std::error_code ignored;
            fs::last_write_time(platform::toPath(job.output), *time, ignored);
        }
    }

    void check(const Job& job, const Input& input, Report& report) const {
        std::ostream nowhere(nullptr);
        const vqz2xml::Outcome outcome =
            convertInput(input.text, nowhere, input.options, input.settings);
        judge(job, input, outcome, false, report);
        const std::string dataName = dataFileFor(options, job.input, job.fromStdin);
        if (outcome.complete && !dataName.empty()) {
            judgeData(job, input, runData(input.text, input.options, dataName, nullptr, options),
                      false, report);
        }
    }

    // The input's data file as CSV; without a data file the input fails.
    void writeData(const Job& job, const Input& input, platform::OutputFile& output,
                   Report& report) const {
        const std::string dataName = dataFileFor(options, job.input, job.fromStdin);
        if (dataName.empty()) {
            return fail(report, "no data file for " + inQuotes(job.input) +
                                    " (--data names it, or NAME.dat beside the input)");
        }
        CountingBuffer counter(*output.stream().rdbuf());
        std::ostream counted(&counter);
        const DataRun run = runData(input.text, input.options, dataName, &counted, options);
        if (!run.failure.empty()) return fail(report, run.failure);
        const bool kept = run.surveyComplete && (run.complete() || !options.noFaultyOutput);
        if (kept && !output.commit(options.fsync ? platform::Sync::ToDisk : platform::Sync::None)) {
            return fail(report,
                        "cannot write " + inQuotes(target(job)) + ": " + output.error().message());
        }
        if (kept) {
            report.record.output = target(job);
            report.record.bytesOut = counter.count();
        }
        judgeData(job, input, run, kept, report);
    }

    // A data run in the record and on standard error: a faulty survey's diagnostic, or the data
    // errors and warnings, and with --verbose what became of the file.
    void judgeData(const Job& job, const Input& input, const DataRun& run, bool written,
                   Report& report) const {
        if (!run.failure.empty()) return fail(report, run.failure);
        report.record.status = run.complete() ? Status::Converted : Status::Faulty;
        report.record.encoding = input.options.encoding;
        report.record.bytesIn = input.bytes.view().size() + run.bytesIn;
        if (!run.surveyComplete) {
            report.record.diagnostic = run.diagnostic;
            report.lines.push_back(
                vqz2xml::diagnosticLine(printableName(job.input), *run.diagnostic));
            return;
        }
        report.record.data = ReportRecord::DataCounts{run.records, run.errors, run.warnings};
        report.lines.insert(report.lines.end(), run.lines.begin(), run.lines.end());
        if (!verbose()) return;
        std::string line = printableName(job.input) + ": " + std::to_string(run.records) +
                           " records, " + std::to_string(run.errors) + " data errors";
        if (written) line += " -> " + target(job);
        report.lines.push_back(std::move(line));
    }

    // The outcome in the record and on standard error: its diagnostic line, and with --verbose
    // what became of the file.
    void judge(const Job& job, const Input& input, const vqz2xml::Outcome& outcome, bool written,
               Report& report) const {
        report.record.status = outcome.complete ? Status::Converted : Status::Faulty;
        report.record.encoding = input.options.encoding;
        report.record.bytesIn = input.bytes.view().size();
        report.record.diagnostic = outcome.diagnostic;
        if (!outcome.complete) {
            report.lines.push_back(
                vqz2xml::diagnosticLine(printableName(job.input), *outcome.diagnostic));
            if (const auto hint = diagnosticHint(*outcome.diagnostic, input.text)) {
                report.lines.push_back(noteLine(printableName(job.input), *hint));
            }
        }
        if (!verbose()) return;
        std::string line = printableName(job.input);
        if (options.check) {
            line += outcome.complete ? ": complete" : ": faulty";
        } else if (written) {
            line += " -> " + target(job) + (outcome.complete ? ": converted" : ": faulty");
        } else {
            line += ": faulty, no output written";
        }
        if (!options.encoding) {
            line += " (" + std::string(vqz2xml::encodingName(input.options.encoding)) + ")";
        }
        report.lines.push_back(std::move(line));
    }

    const BatchOptions& options;
    Console* console;
    ConversionSettings settings;
};

// Standard error and the report, shared by the workers: results in input order, the counts and
// the progress line, which is taken away before anything else is printed and drawn again
// behind it.
class Console {
  public:
    // With progress shown, `sizes` holds each input's size, where it is known beforehand.
    Console(std::size_t inputs, bool showProgress, ReportFile* reportFile,
            std::vector<std::optional<std::uint64_t>> sizes)
        : reports(inputs), progress(showProgress), report(reportFile), inputSizes(std::move(sizes)),
          parsedBytes(showProgress ? inputs : 0) {
        if (!progress) return;
        state.files = inputs;
        state.bytes = std::uint64_t{0};
        for (const auto& size : inputSizes) {
            if (!size) state.bytes.reset();
            if (!size || !state.bytes) break;
            *state.bytes += *size;
        }
        drawProgress(true); // at the start, before anything has been read
    }

    bool showsProgress() const { return progress; }

    // The parse of input `index` has gone past `offset` bytes.
    void parsed(std::size_t index, std::uint64_t offset) {
        const std::lock_guard<std::mutex> lock(mutex);
        if (offset <= parsedBytes[index]) return; // a second pass over the same input
        state.bytesDone += offset - parsedBytes[index];
        parsedBytes[index] = offset;
        drawProgress(false);
    }

    void finished(std::size_t index, Report result) {
        const std::lock_guard<std::mutex> lock(mutex);
        ++counts[static_cast<std::size_t>(result.record.status)];
        if (result.looksUtf8) ++utf8Inputs;
        if (progress) {
            const std::uint64_t whole = inputSizes[index].value_or(result.record.bytesIn);
            state.bytesDone += whole - std::min(whole, parsedBytes[index]);
        }
        reports[index] = std::move(result);
        while (nextToPrint < reports.size() && reports[nextToPrint]) {
            print(reports[nextToPrint]->lines);
            if (report) report->write(reports[nextToPrint]->record);
            reports[nextToPrint].reset();
            ++nextToPrint;
        }
        ++state.filesDone;
        state.faulty = count(Status::Faulty);
        if (progress) drawProgress(state.filesDone == reports.size());
    }

    void finish() {
        const std::lock_guard<std::mutex> lock(mutex);
        clearProgress();
    }

    std::size_t count(Status status) const { return counts[static_cast<std::size_t>(status)]; }
    std::size_t looksUtf8() const { return utf8Inputs; }

  private:
    void print(const std::vector<std::string>& lines) {
        if (lines.empty()) return;
        clearProgress();
        for (const std::string& line : lines) std::cerr << line << '\n';
        std::cerr.flush();
    }

    // Draws the line again: `always`, or else a few times a second at most.
    void drawProgress(bool always) {
        const auto now = std::chrono::steady_clock::now();
        if (!always && shownLength > 0 && now - drawnAt < std::chrono::milliseconds(200)) return;
        drawnAt = now;
        const std::string line = progressLine(state);
        // A shorter line than the one shown is padded over it.
        std::cerr << '\r' << line
                  << std::string(shownLength > line.size() ? shownLength - line.size() : 0, ' ')
                  << std::flush;
        shownLength = std::max(shownLength, line.size());
    }

    void clearProgress() {
        if (shownLength == 0) return;
        std::cerr << '\r' << std::string(shownLength, ' ') << '\r' << std::flush;
        shownLength = 0;
    }

    std::mutex mutex;
    std::vector<std::optional<Report>> reports;
    std::size_t nextToPrint = 0;
    std::size_t counts[5] = {};
    std::size_t utf8Inputs = 0;
    bool progress;
    ReportFile* report;
    std::vector<std::optional<std::uint64_t>> inputSizes;
    std::vector<std::uint64_t> parsedBytes; // how far each input's parse has been seen to come
    Progress state;
    std::size_t shownLength = 0;
    std::chrono::steady_clock::time_point drawnAt;
};

ConversionSettings Converter::settingsFor(std::size_t index) const {
    ConversionSettings jobSettings = settings;
    if (console) {
        jobSettings.progress = [this, index](std::size_t offset) {
            console->parsed(index, offset);
        };
    }
    return jobSettings;
}

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
// included. A job that runs out of memory while others run is tried again on this thread once
// every worker has stopped, with the memory the others held, unless it reads standard input or
// writes to standard output. What a worker throws is thrown
// again here once every worker has stopped.
void runJobs(const std::vector<Job>& jobs, const BatchOptions& options, Console& console) {
    const unsigned workers = workerCount(options, jobs.size());
    const Converter converter(options, workers == 1, console.showsProgress() ? &console : nullptr);
    std::atomic<std::size_t> next{0};
    std::mutex failureMutex;
    std::exception_ptr failure;
    std::vector<std::size_t> putOff;
    putOff.reserve(workers > 1 ? jobs.size() : 0); // no memory is needed to put a job off
    const auto work = [&] {
        try {
            for (std::size_t i = next++; i < jobs.size(); i = next++) {
                // Standard input is read once, and what went to standard output stays there.
                const bool retriable =
                    !jobs[i].fromStdin && (options.check || !jobs[i].output.empty());
                Report result = converter.run(jobs[i], i, workers > 1 && retriable);
                if (result.putOff) {
                    const std::lock_guard<std::mutex> lock(failureMutex);
                    putOff.push_back(i);
                    continue;
                }
                console.finished(i, std::move(result));
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
    threads.clear();
    if (!failure) {
        for (const std::size_t i : putOff) console.finished(i, converter.run(jobs[i], i));
    }
    console.finish();
    if (failure) std::rethrow_exception(failure);
}

// The counts have the same names in every mode, and the line of a plain run stays as scripts
// have always read it: "up to date" is added under --update, the others always appear.
void printSummary(const Console& console, std::size_t inputs, const BatchOptions& options) {
    std::cerr << "vqz2xml: " << inputs << " files: " << console.count(Status::Converted)
              << " converted, " << console.count(Status::Faulty) << " faulty, "
              << console.count(Status::Skipped) << " skipped, ";
    if (options.update) std::cerr << console.count(Status::UpToDate) << " up to date, ";
    std::cerr << console.count(Status::Failed) << " not converted\n";
}

// The note on inputs read as Latin-1 by default that look like UTF-8.
void printUtf8Note(std::size_t inputs) {
    if (inputs == 0) return;
    std::cerr << "vqz2xml: note: " << inputs << (inputs == 1 ? " input looks" : " inputs look")
              << " like UTF-8; --encoding=utf-8 or --encoding=auto reads "
              << (inputs == 1 ? "it" : "them") << " so\n";
}

// Whether a job's XML may go to a terminal: standard output that is one, or a device (such as
// /dev/tty or CON).
bool mayWriteToTerminal(const Job& job) {
    if (job.output.empty()) return platform::isTerminal(platform::StandardStream::Output);
    if (platform::isPipeName(job.output)) return false;
    if (platform::isWrittenDirectly(job.output)) return true;
    std::error_code error;
    return fs::status(platform::toPath(job.output), error).type() == fs::file_type::character;
}

// Progress is shown on a terminal, unless XML may go to a terminal too, whose lines it would
// break into.
bool showsProgressByDefault(const std::vector<Job>& jobs, const BatchOptions& options) {
    if (!platform::isTerminal(platform::StandardStream::Error)) return false;
    return options.check || std::none_of(jobs.begin(), jobs.end(), mayWriteToTerminal);
}

// Each input's size, where it is known before it is read: a regular file's.
std::vector<std::optional<std::uint64_t>> inputSizes(const std::vector<Job>& jobs) {
    std::vector<std::optional<std::uint64_t>> sizes(jobs.size());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (jobs[i].fromStdin || platform::isPipeName(jobs[i].input)) continue;
        std::error_code error;
        const fs::file_status status = fs::status(platform::toPath(jobs[i].input), error);
        if (status.type() == fs::file_type::regular) {
            const std::uintmax_t size = fs::file_size(platform::toPath(jobs[i].input), error);
            if (!error) sizes[i] = size;
        } else if (!fs::exists(status) || fs::is_directory(status)) {
            sizes[i] = 0; // nothing to read: it fails
        }
    }
    return sizes;
}

// Creates the folder --output-dir names; false, with the reason told, when it cannot be had.
bool makeOutputFolder(const std::string& name) {
    const fs::path folder = platform::toPath(name);
    std::error_code error;
    fs::create_directories(folder, error);
    if (!error && !fs::is_directory(folder, error) && !error) {
        error = std::make_error_code(std::errc::not_a_directory);
    }
    if (!error) return true;
    std::cerr << "vqz2xml: cannot create folder " << inQuotes(name) << ": " << error.message()
              << '\n';
    return false;
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
    Plan plan = planJobs(options);
    if (options.format == OutputFormat::Csv && !options.output) {
        for (Job& job : plan.jobs) job.output = csvOutputName(job.output);
    }
    if (!plan.error.empty()) return usageError(plan.error);
    if (options.outputDir && !options.check && !makeOutputFolder(*options.outputDir)) return 2;
    ReportFile report;
    if (options.report) {
        if (const std::error_code error = report.open(*options.report)) {
            std::cerr << "vqz2xml: cannot write report " << inQuotes(*options.report) << ": "
                      << error.message() << '\n';
            return 2;
        }
    }
    platform::OutputFile::readCreationMask();
    const std::vector<Job>& jobs = plan.jobs;
    const bool progress = options.progress.value_or(showsProgressByDefault(jobs, options));
    Console console(jobs.size(), progress, options.report ? &report : nullptr,
                    progress ? inputSizes(jobs) : std::vector<std::optional<std::uint64_t>>());
    runJobs(jobs, options, console);
    if (options.verbosity != Verbosity::Quiet) {
        if (jobs.size() > 1 || plan.walkedFolder) printSummary(console, jobs.size(), options);
        printUtf8Note(console.looksUtf8());
    }
    if (options.report && !report.good()) {
        std::cerr << "vqz2xml: cannot write report " << inQuotes(*options.report) << '\n';
        return 2;
    }
    if (console.count(Status::Failed) > 0) return 2;
    return console.count(Status::Faulty) > 0 ? 1 : 0;
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
