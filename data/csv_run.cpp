// A data stream's records as CSV, from the header to the last row: one record after another,
// or in blocks of records on several threads with the same bytes, errors and warnings.
#include "data/csv_run.h"

#include "data/csv_row_writer.h"
#include "data/csv_writer.h"
#include "data/decoder_state.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>

namespace datafile {

namespace {

using State = vqz2xml::DecoderInternals::State;

constexpr std::size_t maxColumnsOnThreads = 1 << 16;

CsvRunResult writeInTurn(vqz2xml::RecordDecoder& decoder, std::istream& in, std::ostream& out,
                         const CsvRunSettings& settings, const CsvErrorSink& onErrors) {
    CsvWriter writer(decoder, out, settings.labels);
    writer.writeHeader();
    const CsvRowWriter rows(decoder, settings.labels);
    State& state = vqz2xml::DecoderInternals::state(decoder);
    vqz2xml::RecordStream records(in);
    std::string_view record;
    while (records.next(record)) {
        rows.writeRow(state, record, records.line(), writer.buffer());
        writer.flushIfFull();
        if (state.errors.empty()) continue;
        onErrors(state.errors, state.errors.size());
        if (settings.stopAtError) break;
    }
    writer.flush();
    return {records.bytesRead(), records.failed()};
}

// The offset after the line end at `at`, if there is one there.
std::size_t afterLineEnd(std::string_view data, std::size_t at) {
    if (at >= data.size()) return at;
    const bool crlf = data[at] == '\r' && at + 1 < data.size() && data[at + 1] == '\n';
    return at + (crlf ? 2 : 1);
}

// The stream in blocks of whole records, each ending after a line end (the last one at the end
// of the stream), the bytes after the block's last line end kept for the next block.
class BlockReader {
  public:
    BlockReader(std::istream& stream, std::size_t size) : in(stream), blockSize(size) {}

    // Fills `block`; false when nothing is left.
    bool read(std::vector<char>& block) {
        block.swap(rest);
        rest.clear();
        // The bytes before `searched` hold no line end known whole, but for a CR at its end.
        std::size_t searched = 0;
        for (;;) {
            if (!atEnd) fill(block);
            const std::size_t cut =
                atEnd ? block.size() : lastLineEnd(block, searched > 0 ? searched - 1 : 0);
            if (cut > 0) {
                rest.assign(block.begin() + static_cast<std::ptrdiff_t>(cut), block.end());
                block.resize(cut);
                return true;
            }
            if (atEnd) return false;
            searched = block.size();
        }
    }
    std::uint64_t bytesRead() const { return total; }
    bool failed() const { return readFailed; }

  private:
    void fill(std::vector<char>& block) {
        const std::size_t before = block.size();
        block.resize(before + blockSize);
        in.read(block.data() + before, static_cast<std::streamsize>(blockSize));
        const std::size_t got = static_cast<std::size_t>(in.gcount());
        block.resize(before + got);
        total += got;
        if (!in) {
            atEnd = true;
            readFailed = in.bad();
        }
    }

    // The offset after the last line end of the block at or after `from` that is known whole
    // (a CR at the very end may be the first half of CR LF); 0 when there is none.
    static std::size_t lastLineEnd(const std::vector<char>& block, std::size_t from) {
        for (std::size_t at = block.size(); at > from; --at) {
            const char c = block[at - 1];
            if (c == '\n' || (c == '\r' && at < block.size())) return at;
        }
        return 0;
    }

    std::istream& in;
    std::size_t blockSize;
    std::vector<char> rest;
    std::uint64_t total = 0;
    bool atEnd = false;
    bool readFailed = false;
};

// Whole records, and what writing them found. A block whose CSV grows past its limit is
// written in parts, each from `begin` on.
struct Job {
    std::vector<char> records;
    std::size_t begin = 0;
    bool queued = false;
    bool done = false;
    // The part's results, their lines counted from `begin`.
    CsvBuffer csv;
    std::vector<vqz2xml::DataDiagnostic> errors;
    std::uint64_t errorCount = 0;
    std::vector<vqz2xml::DataWarning> warnings;
    std::size_t lines = 0;
    std::size_t end = 0; // where the part ended
    std::exception_ptr failure;
};

// Where the decoder keeps the warning of a variable and problem.
std::size_t warningSlot(const vqz2xml::DataDiagnostic& first) {
    return 2 * first.variable + (first.problem == vqz2xml::DataProblem::OutOfRange ? 1 : 0);
}

// The decoding threads, each with a copy of the decoder's state, taking queued jobs in turn.
class Workers {
  public:
    Workers(const vqz2xml::RecordDecoder& decoder, const CsvRowWriter& writer,
            const CsvRunSettings& settings)
        : rows(writer), keptErrors(settings.keptErrors), csvLimit(4 * settings.blockSize) {
        const State& original = vqz2xml::DecoderInternals::state(decoder);
        for (unsigned t = 0; t < settings.threads; ++t) {
            State& state = states.emplace_back(original);
            state.warnings.clear();
            std::fill(state.warningIndex.begin(), state.warningIndex.end(), -1);
        }
        try {
            for (State& state : states) threads.emplace_back([this, &state] { work(state); });
        } catch (const std::system_error&) {
            stop(); // a system without threads, or none left: no workers at all
        }
    }
    ~Workers() { stop(); }
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    bool started() const { return !threads.empty(); }

    void queue(Job& job) {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            job.queued = true;
            job.done = false;
            jobs.push_back(&job);
        }
        queueChanged.notify_one();
    }
    void wait(Job& job) {
        std::unique_lock<std::mutex> lock(mutex);
        jobDone.wait(lock, [&] { return job.done; });
        job.queued = false;
    }

  private:
    void stop() {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        queueChanged.notify_all();
        for (std::thread& thread : threads) thread.join();
        threads.clear();
    }

    void work(State& state) {
        for (;;) {
            Job* job = nullptr;
            {
                std::unique_lock<std::mutex> lock(mutex);
                queueChanged.wait(lock, [&] { return stopping || !jobs.empty(); });
                if (jobs.empty()) return;
                job = jobs.front();
                jobs.pop_front();
            }
            try {
                run(*job, state);
            } catch (...) {
                job->failure = std::current_exception();
            }
            {
                const std::lock_guard<std::mutex> lock(mutex);
                job->done = true;
            }
            jobDone.notify_all();
        }
    }

    void run(Job& job, State& state) const {
        job.csv.clear();
        job.errors.clear();
        job.errorCount = 0;
        const std::string_view records(job.records.data() + job.begin,
                                       job.records.size() - job.begin);
        vqz2xml::RecordSplitter splitter(records);
        std::string_view record;
        std::size_t end = 0;
        while (splitter.next(record)) {
            rows.writeRow(state, record, splitter.line(), job.csv);
            for (vqz2xml::DataDiagnostic& error : state.errors) {
                if (job.errors.size() < keptErrors) job.errors.push_back(std::move(error));
            }
            job.errorCount += state.errors.size();
            end = afterLineEnd(records, static_cast<std::size_t>(record.data() - records.data()) +
                                            record.size());
            if (job.csv.size() >= csvLimit) break;
        }
        job.lines = splitter.line();
        job.end = job.begin + end;
        job.warnings.swap(state.warnings);
        state.warnings.clear();
        for (const vqz2xml::DataWarning& warning : job.warnings) {
            state.warningIndex[warningSlot(warning.first)] = -1;
        }
    }

    const CsvRowWriter& rows;
    std::size_t keptErrors;
    std::size_t csvLimit;
    std::deque<State> states;
    std::vector<std::thread> threads;
    std::mutex mutex;
    std::condition_variable queueChanged;
    std::condition_variable jobDone;
    std::deque<Job*> jobs;
    bool stopping = false;
};

// A part's warnings into the decoder's, its lines after `linesBefore`: counts added, the first
// occurrence of each kept. Taken part by part in order, they are in order of first sight.
void mergeWarnings(State& into, Job& job, std::size_t linesBefore) {
    for (vqz2xml::DataWarning& warning : job.warnings) {
        std::int32_t& index = into.warningIndex[warningSlot(warning.first)];
        if (index >= 0) {
            into.warnings[static_cast<std::size_t>(index)].count += warning.count;
            continue;
        }
        warning.first.line += linesBefore;
        index = static_cast<std::int32_t>(into.warnings.size());
        into.warnings.push_back(std::move(warning));
    }
}

// A finished part after `linesBefore` records of the stream: its rows written, its errors told,
// its warnings and records counted in the decoder's state.
void collect(Job& job, std::size_t linesBefore, State& state, CsvWriter& writer,
             const CsvErrorSink& onErrors) {
    if (job.failure) std::rethrow_exception(job.failure);
    writer.writeRows(job.csv.text());
    if (job.errorCount > 0) {
        for (vqz2xml::DataDiagnostic& error : job.errors) error.line += linesBefore;
        onErrors(job.errors, job.errorCount);
    }
    mergeWarnings(state, job, linesBefore);
    state.records += job.lines;
    state.errorCount += job.errorCount;
}

CsvRunResult writeInBlocks(vqz2xml::RecordDecoder& decoder, std::istream& in, std::ostream& out,
                           const CsvRunSettings& settings, const CsvErrorSink& onErrors) {
    const CsvRowWriter rows(decoder, settings.labels);
    // Two blocks beyond those decoded: one written while the next waits.
    std::vector<Job> slots(settings.threads + 2);
    Workers workers(decoder, rows, settings);
    if (!workers.started()) return writeInTurn(decoder, in, out, settings, onErrors);
    CsvWriter writer(decoder, out, settings.labels);
    writer.writeHeader();
    State& state = vqz2xml::DecoderInternals::state(decoder);
    BlockReader reader(in, std::max<std::size_t>(settings.blockSize, 1));
    const auto start = [&](Job& job) {
        job.begin = 0;
        if (reader.read(job.records)) workers.queue(job);
    };
    for (Job& job : slots) start(job);
    // The blocks are taken in the order they were read, each until its last part.
    std::size_t next = 0;
    std::size_t lines = 0;
    while (slots[next].queued) {
        Job& job = slots[next];
        workers.wait(job);
        collect(job, lines, state, writer, onErrors);
        lines += job.lines;
        if (job.end < job.records.size()) {
            job.begin = job.end;
            workers.queue(job);
            continue;
        }
        start(job);
        next = (next + 1) % slots.size();
    }
    writer.flush();
    state.errors.clear();
    return {reader.bytesRead(), reader.failed()};
}

} // namespace

CsvRunResult writeCsv(vqz2xml::RecordDecoder& decoder, std::istream& in, std::ostream& out,
                      const CsvRunSettings& settings, const CsvErrorSink& onErrors) {
    // A thread's copy of the decoder's state holds a cell and a text per column: for a survey
    // of very many columns the copies would take more memory than the rows.
    const bool wide = decoder.columns().size() > maxColumnsOnThreads;
    if (settings.threads <= 1 || settings.stopAtError || wide) {
        return writeInTurn(decoder, in, out, settings, onErrors);
    }
    return writeInBlocks(decoder, in, out, settings, onErrors);
}

} // namespace datafile
