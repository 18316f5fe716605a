// The process's start and its end by interruption: standard streams, and the temporary files in
// flight.
#include "platform/interruption.h"

#include <atomic>
#include <cstdint>
#include <fcntl.h>
#include <io.h>
#include <memory>
#include <windows.h>

namespace platform {
namespace {

// The option form runs at most 4096 jobs with one output in flight each; the rest is room to spare.
constexpr int slotCount = 4224;

// Each slot holds a name of its own, or null. The slots are lock-free, so that a name can be
// forgotten outside a FileChange (by a destructor, say) while the handler reads the list.
std::atomic<wchar_t*> names[slotCount];

// Held shared by every FileChange, and for good by the handler once it begins: it waits for the
// changes under way, and any change begun after it waits for the end of the process.
SRWLOCK changes = SRWLOCK_INIT;

// Runs on a thread the system starts for the event, while the conversions go on elsewhere.
BOOL WINAPI removeTemporariesAndEnd(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: break;
    default: return FALSE;
    }
    // A second event waits here until the first has ended the process.
    AcquireSRWLockExclusive(&changes);
    for (std::atomic<wchar_t*>& name : names) {
        if (wchar_t* taken = name.exchange(nullptr)) DeleteFileW(taken);
    }
    // The status the system's own handler gives. The process ends at once, as a signal's
    // default action ends it elsewhere: ExitProcess would first tell the C runtime, whose
    // locks a thread ended half-way might hold.
    TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    return TRUE;
}

DWORD WINAPI interruptOnThread(void*) { return removeTemporariesAndEnd(CTRL_C_EVENT); }

// `name` (UTF-8) as the system's wide names; null when it is no valid UTF-8.
std::unique_ptr<wchar_t[]> wideName(const std::string& name) {
    const int size =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.c_str(), -1, nullptr, 0);
    if (size <= 0) return nullptr;
    auto wide = std::make_unique<wchar_t[]>(static_cast<std::size_t>(size));
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.c_str(), -1, wide.get(), size) !=
        size) {
        return nullptr;
    }
    return wide;
}

bool isMissing(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return true;
    // A number that names no handle (one closed, or never opened): the system knows no file.
    SetLastError(NO_ERROR);
    return GetFileType(handle) == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR;
}

HANDLE openNullDevice(bool writes) {
    return CreateFileW(L"NUL", writes ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

// Gives the C runtime's descriptor `fd` a handle of the null device of its own, so that its
// streams (std::cin, std::cout, std::cerr) work on it.
void openNullDescriptor(int fd, bool writes) {
    const HANDLE handle = openNullDevice(writes);
    if (handle == INVALID_HANDLE_VALUE) return;
    const int opened =
        _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), writes ? _O_WRONLY : _O_RDONLY);
    if (opened < 0) {
        CloseHandle(handle);
        return;
    }
    if (opened != fd) {
        _dup2(opened, fd);
        _close(opened);
    }
}

} // namespace

void openMissingStandardStreams() {
    struct Stream {
        DWORD id;
        int fd;
        bool writes;
    };
    constexpr Stream streams[] = {
        {STD_INPUT_HANDLE, 0, false}, {STD_OUTPUT_HANDLE, 1, true}, {STD_ERROR_HANDLE, 2, true}};
    for (const Stream& stream : streams) {
        if (!isMissing(GetStdHandle(stream.id))) continue;
        const HANDLE handle = openNullDevice(stream.writes);
        if (handle == INVALID_HANDLE_VALUE) continue;
        SetStdHandle(stream.id, handle);
        // The C runtime took its descriptors from the missing handles when the process
        // started; they are given the null device too.
        openNullDescriptor(stream.fd, stream.writes);
    }
}

// Ctrl-C that the program's parent made it ignore (a process started in a group of its own)
// never reaches the handler: the system checks that first.
void handleInterruptions() { SetConsoleCtrlHandler(removeTemporariesAndEnd, TRUE); }

// The system runs a console's handlers on a thread it starts for the event, and so does this.
void interruptProcess() {
    const HANDLE thread = CreateThread(nullptr, 0, interruptOnThread, nullptr, 0, nullptr);
    if (thread == nullptr) return;
    WaitForSingleObject(thread, INFINITE); // the process ends meanwhile
    CloseHandle(thread);
}

bool TemporaryName::keep(const std::string& name) {
    forget();
    std::unique_ptr<wchar_t[]> copy = wideName(name);
    if (!copy) return false; // not met: the output files list names they made from wide ones
    for (int i = 0; i < slotCount; ++i) {
        wchar_t* empty = nullptr;
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
    const std::unique_ptr<wchar_t[]> owned(names[slot].exchange(nullptr));
    slot = -1;
}

FileChange::FileChange() { AcquireSRWLockShared(&changes); }

FileChange::~FileChange() { ReleaseSRWLockShared(&changes); }

} // namespace platform
