// The process's start and its end by interruption: standard streams, and the temporary files in
// flight.
#include "platform/interruption.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <pthread.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr int interruptions[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// The option form runs at most 4096 jobs with one output in flight each; the rest is room to spare.
constexpr int slotCount = 4224;

// The handler reads these while any thread may be changing them, so they are lock-free atomics
// set up before main: each slot holds a name of its own, or null.
static_assert(std::atomic<char*>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<char*> names[slotCount];
std::atomic<int> changesUnderWay{0};
std::atomic<bool> ending{false};
std::atomic<bool> handling{false};
thread_local sigset_t maskBefore;

sigset_t interruptionSet() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : interruptions) sigaddset(&set, signal);
    return set;
}

// Runs on whichever thread the system picks, with every interruption held off there; no thread
// in the middle of a FileChange is picked, since they hold interruptions off as well.
void removeTemporariesAndEnd(int signal) {
    if (handling.exchange(true)) {
        for (;;) ::pause(); // another thread is at it and ends the process when done
    }
    ending.store(true);
    while (changesUnderWay.load() > 0) {
        // a few calls on another thread, after which the list and the folder agree
    }
    for (std::atomic<char*>& name : names) {
        if (char* taken = name.exchange(nullptr)) ::unlink(taken);
    }
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    ::sigaction(signal, &byDefault, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    ::_exit(128 + signal); // not reached: the signal's own action ends the process
}

} // namespace

void openMissingStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lower ones are open by now, so the null device gets exactly this number.
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

void handleInterruptions() {
    struct sigaction handler {};
    handler.sa_handler = removeTemporariesAndEnd;
    handler.sa_mask = interruptionSet();
    for (const int signal : interruptions) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        ::sigaction(signal, &handler, nullptr);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, nullptr);
}

void interruptProcess() { ::kill(::getpid(), SIGINT); }

bool TemporaryName::keep(const std::string& name) {
    forget();
    auto copy = std::make_unique<char[]>(name.size() + 1);
    std::memcpy(copy.get(), name.c_str(), name.size() + 1);
    for (int i = 0; i < slotCount; ++i) {
        char* empty = nullptr;
        if (names[i].compare_exchange_strong(empty, copy.get())) {
            copy.release(); // the slot owns it now
            slot = i;
            return true;
        }
    }
    return false;
}

void TemporaryName::forget() noexcept {
    if (slot < 0) return;
    // Null when the handler took the name: it keeps it, for the process is ending.
    const std::unique_ptr<char[]> owned(names[slot].exchange(nullptr));
    slot = -1;
}

FileChange::FileChange() {
    const sigset_t set = interruptionSet();
    ::pthread_sigmask(SIG_BLOCK, &set, &maskBefore);
    ++changesUnderWay;
    if (ending.load()) {
        // An interruption is being handled: its list is read already, so nothing may change now.
        --changesUnderWay;
        for (;;) ::pause();
    }
}

FileChange::~FileChange() {
    --changesUnderWay;
    ::pthread_sigmask(SIG_SETMASK, &maskBefore, nullptr);
}

} // namespace platform
