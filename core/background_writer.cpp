// The write pass on a thread of its own, taking the finished front of the chain in batches.
#include "core/background_writer.h"

#include "core/element_chain.h"

#include <utility>

namespace {

// Chains handed and not yet written at most: the parse pass runs a batch or two ahead.
constexpr std::size_t mostPending = 3;

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
    {
        std::unique_lock<std::mutex> held(lock);
        changed.wait(held, [this] { return handed - written < mostPending; });
        waiting.push_back(std::move(front));
        ++handed;
        done = written;
    }
    changed.notify_all();
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
    changed.notify_all();
    thread.join();
}

void BackgroundWriter::run() {
    const elementPool::BatchArena::Writing releasesKept;
    for (;;) {
        std::unique_ptr<Element> front;
        bool write = false;
        {
            std::unique_lock<std::mutex> held(lock);
            changed.wait(held, [this] { return !waiting.empty() || closing; });
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
        {
            const std::lock_guard<std::mutex> held(lock);
            ++written;
        }
        changed.notify_all();
    }
}
