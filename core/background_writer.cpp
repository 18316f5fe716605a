// The write pass on a thread of its own, taking the finished front of the chain in batches.
#include "core/background_writer.h"

#include "core/element_chain.h"

#include <utility>

namespace {

// Chains handed and not yet written at most: the parse pass runs a few batches ahead, and waits
// then until the writer has caught up to half of them.
constexpr std::size_t mostPending = 8;
constexpr std::size_t parseResumesAt = mostPending / 2;
// A writer that ran out of chains sleeps until this many wait. Each wake-up costs both threads a
// system call and the writer the time to be scheduled again, so a writer faster than the parse
// pass is better woken for a run of chains than for every one.
constexpr std::size_t writerResumesAt = 3;

} // namespace

BackgroundWriter::BackgroundWriter(XmlOutput& output) : out(&output), arenaInUse(arena) {
    start();
}

BackgroundWriter::BackgroundWriter(SurveyOutput& survey) : model(&survey), arenaInUse(arena) {
    start();
}

void BackgroundWriter::start() { thread = std::thread([this] { run(); }); }

BackgroundWriter::~BackgroundWriter() { stop(true); }

void BackgroundWriter::hand(std::unique_ptr<Element> front) {
    if (!front) return;
    std::size_t done = 0;
    bool wake = false;
    {
        std::unique_lock<std::mutex> held(lock);
        if (handed - written >= mostPending) {
            parseWaits = true;
            roomFreed.wait(held, [this] { return handed - written <= parseResumesAt; });
            parseWaits = false;
        }
        waiting.push_back(std::move(front));
        ++handed;
        done = written;
        wake = writerWaits && waiting.size() >= writerResumesAt;
    }
    if (wake) workReady.notify_one();
    arena.startBatch();
    arena.batchesWritten(done);
}

void BackgroundWriter::finish() {
    stop(false);
    if (failure) std::rethrow_exception(std::exchange(failure, nullptr));
}

void BackgroundWriter::stop(bool drop) {
    if (!thread.joinable()) return;
    {
        const std::lock_guard<std::mutex> held(lock);
        closing = true;
        dropping = drop;
    }
    workReady.notify_one();
    thread.join();
}

void BackgroundWriter::run() {
    const elementPool::BatchArena::Writing releasesKept;
    for (;;) {
        std::unique_ptr<Element> front;
        bool write = false;
        {
            std::unique_lock<std::mutex> held(lock);
            if (waiting.empty() && !closing) {
                writerWaits = true;
                workReady.wait(held,
                               [this] { return waiting.size() >= writerResumesAt || closing; });
                writerWaits = false;
            }
            if (waiting.empty()) return;
            front = std::move(waiting.front());
            waiting.pop_front();
            write = !dropping && !failure;
        }
        {
            ElementChain chain;
            chain.adopt(std::move(front));
            if (write) {
                try {
                    if (out) {
                        chain.writeAll(*out);
                    } else {
                        chain.describeAll(*model);
                    }
                } catch (...) {
                    failure = std::current_exception();
                }
            }
        } // whatever was not written is destroyed here
        bool wake = false;
        {
            const std::lock_guard<std::mutex> held(lock);
            ++written;
            wake = parseWaits && handed - written <= parseResumesAt;
        }
        if (wake) roomFreed.notify_one();
    }
}
