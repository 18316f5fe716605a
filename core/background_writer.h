// The write pass on a thread of its own, taking the finished front of the chain in batches.
#pragma once

#include "chain/element_pool.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

class Element;
class SurveyOutput;
class XmlOutput;

// Writes the chains it is handed, in the order handed, to one output (the XML, or the survey
// model that elements describe themselves to) while the parse pass goes on making the rest. Made
// on the parse pass's thread, it holds the elements that thread makes from then on until it is
// destroyed, so destroy it after every element. Only a few batches wait at any time: a parse
// pass that runs ahead waits for the writer, so memory stays bounded.
// The output belongs to the writer from its start until `finish`.
class BackgroundWriter {
  public:
    explicit BackgroundWriter(XmlOutput& out);
    explicit BackgroundWriter(SurveyOutput& model);
    // Drops whatever was not yet written and waits for the thread.
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Queues a chain cut off the front of the document (null is ignored); the elements made
    // from now on belong to the next one.
    void hand(std::unique_ptr<Element> front);
    // Waits until every chain handed is written; rethrows what the writer failed with
    // (running out of memory). The output is the caller's again afterwards.
    void finish();

  private:
    void start();
    void run();
    void stop(bool drop);

    XmlOutput* out = nullptr;
    SurveyOutput* model = nullptr;
    elementPool::BatchArena arena;
    elementPool::BatchArena::Use arenaInUse;
    std::mutex lock;
    std::condition_variable workReady; // the writer waits for chains
    std::condition_variable roomFreed; // the parse pass waits for the writer to catch up
    std::deque<std::unique_ptr<Element>> waiting;
    std::size_t handed = 0;  // chains handed so far
    std::size_t written = 0; // chains written (or dropped) and destroyed
    bool writerWaits = false;
    bool parseWaits = false;
    bool closing = false;
    bool dropping = false;
    std::exception_ptr failure;
    std::thread thread;
};
