// Whole inputs held in memory for a conversion: a named file, or standard input.
#include "platform/input_file.h"
#include "platform/paths.h"

#include <algorithm>
#include <limits>
#include <utility>
#include <windows.h>

namespace platform {
namespace {

// ReadFile counts in 32 bits: a bigger input is read in pieces of this size.
constexpr std::size_t largestRead = std::size_t{1} << 30;

void (*readHook)(const std::string&) = nullptr;

std::error_code lastError() { return {static_cast<int>(GetLastError()), std::system_category()}; }

// A handle the system gave, closed when it goes.
class OwnedHandle {
  public:
    explicit OwnedHandle(HANDLE opened) : handle(opened) {}
    ~OwnedHandle() {
        if (isOpen()) CloseHandle(handle);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    bool isOpen() const { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle; }

  private:
    HANDLE handle;
};

// Reads `handle` to its end into `bytes`, which grows as needed, and sets `used` to the size
// read.
std::error_code readToEnd(HANDLE handle, PageBuffer& bytes, std::size_t expected,
                          std::size_t& used) {
    used = 0;
    if (bytes.size() < expected + 1) bytes = PageBuffer(expected + 1);
    for (;;) {
        if (used == bytes.size()) bytes.grow(used);
        const auto wanted = static_cast<DWORD>(std::min(bytes.size() - used, largestRead));
        DWORD got = 0;
        if (!ReadFile(handle, bytes.data() + used, wanted, &got, nullptr)) {
            const DWORD error = GetLastError();
            // A pipe whose writer has gone has ended, as a file does.
            if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return {};
            return {static_cast<int>(error), std::system_category()};
        }
        if (got == 0) return {};
        used += got;
    }
}

// What tells whether a disk file changed: its size and its last write time.
struct FileState {
    unsigned long long size = 0;
    FILETIME written{};

    bool operator==(const FileState& other) const {
        return size == other.size && written.dwLowDateTime == other.written.dwLowDateTime &&
               written.dwHighDateTime == other.written.dwHighDateTime;
    }
};

// Asked as two questions rather than by GetFileInformationByHandle, which Wine answers for
// files it opened itself only, not for a standard input the shell opened.
std::error_code stateOf(HANDLE file, FileState& state) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || !GetFileTime(file, nullptr, nullptr, &state.written)) {
        return lastError();
    }
    state.size = static_cast<unsigned long long>(size.QuadPart);
    return {};
}

// A disk file's state and its size in memory's terms; a file bigger than the address space is
// too large rather than its size cut.
std::error_code diskFileState(HANDLE file, FileState& state, std::size_t& size) {
    if (const std::error_code error = stateOf(file, state)) return error;
    if (state.size > std::numeric_limits<std::size_t>::max()) {
        return std::make_error_code(std::errc::file_too_large);
    }
    size = static_cast<std::size_t>(state.size);
    return {};
}

// Reads the disk file open as `file` and checks that the bytes are the file's as it stood
// throughout: its size and last write time the same after reading, and the end met where the
// size said.
std::error_code readDiskFile(HANDLE file, const std::string& name, PageBuffer& bytes,
                             std::size_t& used) {
    FileState before;
    std::size_t size = 0;
    if (const std::error_code error = diskFileState(file, before, size)) return error;
    if (const std::error_code error = readToEnd(file, bytes, size, used)) return error;
    if (readHook) readHook(name);
    FileState after;
    if (const std::error_code error = stateOf(file, after)) return error;
    if (used != size || !(before == after)) return InputError::ChangedWhileRead;
    return {};
}

} // namespace

void InputBytes::setReadHook(void (*hook)(const std::string& name)) { readHook = hook; }

std::error_code InputBytes::readFile(const std::string& name) {
    release();
    const std::filesystem::path path = toPath(name);
    // Others may go on reading, writing, renaming and deleting the file while it is read, as
    // they may on other systems: a change is seen afterwards, and the input refused.
    const OwnedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.isOpen()) {
        const std::error_code error = lastError();
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return std::make_error_code(std::errc::is_a_directory);
        }
        return error;
    }
    // A device or a pipe has no size to go by: it is read to its end.
    const std::error_code error = GetFileType(file.get()) == FILE_TYPE_DISK
                                      ? readDiskFile(file.get(), name, buffer, length)
                                      : readToEnd(file.get(), buffer, 0, length);
    if (error) release();
    return error;
}

std::error_code InputBytes::readStandardInput() {
    release();
    // The handle itself is read, past the C runtime's text mode: every byte as it comes, a
    // carriage return or a Ctrl-Z included.
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE) {
        return std::make_error_code(std::errc::bad_file_descriptor);
    }
    const bool disk = GetFileType(input) == FILE_TYPE_DISK;
    FileState before;
    std::size_t expected = 0;
    std::error_code error = disk ? diskFileState(input, before, expected) : std::error_code();
    if (!error) error = readToEnd(input, buffer, expected, length);
    // A file given as standard input may be read from anywhere, so only its state is compared.
    FileState after;
    if (!error && disk) error = stateOf(input, after);
    if (!error && disk && !(before == after)) error = InputError::ChangedWhileRead;
    if (error) release();
    return error;
}

} // namespace platform
