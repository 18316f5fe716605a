// An output file that is replaced only once its new contents are complete.
#include "platform/output_file.h"
#include "platform/paths.h"

#include <algorithm>
#include <mutex>
#include <random>
#include <streambuf>
#include <vector>
#include <windows.h>

namespace platform {
namespace {

// WriteFile counts in 32 bits: a bigger block is written in pieces of this size. A console
// takes less at a time (before Windows 8, some 64 kilobytes).
constexpr std::size_t largestWrite = std::size_t{1} << 30;
constexpr std::size_t largestConsoleWrite = std::size_t{1} << 14;

std::error_code lastError() { return {static_cast<int>(GetLastError()), std::system_category()}; }

bool isValid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

// Hands every block straight to a handle, past the C runtime and its text mode; the XML output
// already buffers in large blocks, so nothing is buffered here. The first failed write is kept
// and fails the stream.
class HandleBuffer : public std::streambuf {
  public:
    explicit HandleBuffer(HANDLE output)
        : handle(output),
          largestPiece(GetFileType(output) == FILE_TYPE_CHAR ? largestConsoleWrite : largestWrite) {
    }
    std::error_code failure() const { return failed; }

  protected:
    std::streamsize xsputn(const char* bytes, std::streamsize count) override {
        return writeAll(bytes, static_cast<std::size_t>(count)) ? count : 0;
    }
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char byte = traits_type::to_char_type(c);
        return writeAll(&byte, 1) ? c : traits_type::eof();
    }

  private:
    bool writeAll(const char* bytes, std::size_t count) {
        if (failed) return false;
        while (count > 0) {
            DWORD written = 0;
            const auto piece = static_cast<DWORD>(std::min(count, largestPiece));
            if (!WriteFile(handle, bytes, piece, &written, nullptr)) {
                failed = lastError();
                return false;
            }
            bytes += written;
            count -= written;
        }
        return true;
    }

    HANDLE handle;
    std::size_t largestPiece;
    std::error_code failed;
};

// The temporary files being written. Ctrl-C, Ctrl-Break or a closed console window ends the
// process on a thread of the system's while the conversions go on: every file in flight is
// deleted first, and none is made after. Files are made and moved into place under the same
// lock, so the end never comes half-way through either.
class FilesInFlight {
  public:
    static FilesInFlight& instance() {
        static FilesInFlight files;
        return files;
    }

    // A new file of that name, open for writing; INVALID_HANDLE_VALUE with the system's error
    // set when none could be made.
    HANDLE create(const std::wstring& name) {
        const std::lock_guard<std::mutex> lock(mutex);
        if (interrupted) {
            SetLastError(ERROR_OPERATION_ABORTED);
            return INVALID_HANDLE_VALUE;
        }
        // Shared for deletion, so that the interrupt can delete it while it is open.
        const HANDLE file =
            CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (isValid(file)) names.push_back(name);
        return file;
    }

    // Runs `settle`, which moves or deletes the file `name`, and forgets the name.
    template <typename Settle> bool settle(const std::wstring& name, Settle settle) {
        const std::lock_guard<std::mutex> lock(mutex);
        const bool settled = settle();
        const DWORD error = GetLastError();
        names.erase(std::remove(names.begin(), names.end(), name), names.end());
        SetLastError(error);
        return settled;
    }

  private:
    FilesInFlight() { SetConsoleCtrlHandler(onInterrupt, TRUE); }

    static BOOL WINAPI onInterrupt(DWORD event) {
        if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
            FilesInFlight& files = instance();
            const std::lock_guard<std::mutex> lock(files.mutex);
            files.interrupted = true;
            for (const std::wstring& name : files.names) DeleteFileW(name.c_str());
        }
        return FALSE; // the system's own handler then ends the process as usual
    }

    std::mutex mutex;
    std::vector<std::wstring> names;
    bool interrupted = false;
};

// The file a symbolic link leads to, by its full name; the name itself when it is no link or
// leads nowhere.
std::wstring followLinks(const std::wstring& name) {
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return name;
    }
    const HANDLE file =
        CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (!isValid(file)) return name;
    std::wstring target(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(file, target.data(), MAX_PATH, FILE_NAME_NORMALIZED);
    if (length >= MAX_PATH) {
        target.resize(length);
        length = GetFinalPathNameByHandleW(file, target.data(), length, FILE_NAME_NORMALIZED);
    }
    CloseHandle(file);
    if (length == 0 || length >= target.size()) return name;
    target.resize(length);
    return target;
}

// The name with its folder in full. ReplaceFileW under Wine refuses names relative to the
// working folder, and a full name stays right should the working folder change.
std::wstring fullName(const std::wstring& name) {
    const DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (size == 0) return name;
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return name;
    full.resize(length);
    return full;
}

// Where the last component of a name begins: behind its last "\", "/" or drive colon.
std::size_t lastComponentOf(const std::wstring& name) {
    const auto separator = name.find_last_of(L"\\/:");
    return separator == std::wstring::npos ? 0 : separator + 1;
}

// A new temporary file beside `target`; INVALID_HANDLE_VALUE with `error` set when none can be
// made.
HANDLE createTemporary(const std::wstring& target, std::wstring& temporary,
                       std::error_code& error) {
    const std::size_t base = lastComponentOf(target);
    const std::wstring prefix = target.substr(0, base) + L"." + target.substr(base) + L".";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring name = prefix + std::to_wstring(random() % 1000000);
        const HANDLE file = FilesInFlight::instance().create(name);
        if (isValid(file)) {
            temporary = name;
            return file;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    error = lastError();
    return INVALID_HANDLE_VALUE;
}

// Puts the complete file `from` in the place of `to`. An existing file is replaced by
// ReplaceFileW, which keeps its attributes, its security settings and its creation time as a
// file rewritten in place would; the attributes are set once more, as not every implementation
// of it keeps them (Wine's does not). A new file is moved there.
bool moveIntoPlace(const std::wstring& from, const std::wstring& to) {
    constexpr DWORD settable = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                               FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                               FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM;
    const DWORD attributes = GetFileAttributesW(to.c_str());
    if (ReplaceFileW(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                     nullptr)) {
        if (attributes != INVALID_FILE_ATTRIBUTES && GetFileAttributesW(to.c_str()) != attributes) {
            const DWORD kept = attributes & settable;
            SetFileAttributesW(to.c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL);
        }
        return true;
    }
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

} // namespace

struct OutputFile::State {
    std::wstring target;    // the file finally written: the name, or where its link leads
    std::wstring temporary; // empty when the output is written directly
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool open = false;
    bool ownsHandle = true;
    std::unique_ptr<HandleBuffer> buffer;
    std::unique_ptr<std::ostream> out;
    std::error_code reason;

    void attach(HANDLE opened) {
        handle = opened;
        open = true;
        buffer = std::make_unique<HandleBuffer>(handle);
        out = std::make_unique<std::ostream>(buffer.get());
    }

    void discard() noexcept {
        if (open && ownsHandle) CloseHandle(handle);
        open = false;
        if (!temporary.empty()) {
            FilesInFlight::instance().settle(temporary,
                                             [&] { return DeleteFileW(temporary.c_str()) != 0; });
        }
        temporary.clear();
    }

    bool fail(std::error_code error) {
        reason = error;
        discard();
        return false;
    }
};

// Windows has no creation mask: a new file takes the security settings of its folder.
void OutputFile::readCreationMask() {}

// An existing output is opened first, without changing it, to learn what it is: a disk file is
// replaced through a temporary file; a device (NUL, a console) or a pipe is written through the
// handle opened.
OutputFile::OutputFile(const std::string& name) : state(std::make_unique<State>()) {
    state->target = followLinks(fullName(toPath(name).wstring()));
    const HANDLE existing = CreateFileW(state->target.c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!isValid(existing)) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            const DWORD attributes = GetFileAttributesW(state->target.c_str());
            const bool folder = attributes != INVALID_FILE_ATTRIBUTES &&
                                (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            state->reason = folder
                                ? std::make_error_code(std::errc::is_a_directory)
                                : std::error_code(static_cast<int>(error), std::system_category());
            return;
        }
    } else if (GetFileType(existing) != FILE_TYPE_DISK) {
        state->attach(existing);
        return;
    } else {
        CloseHandle(existing);
    }
    const HANDLE file = createTemporary(state->target, state->temporary, state->reason);
    if (isValid(file)) state->attach(file);
}

OutputFile::OutputFile(std::unique_ptr<State> opened) : state(std::move(opened)) {}

OutputFile OutputFile::standardOutput() {
    auto opened = std::make_unique<State>();
    opened->ownsHandle = false;
    opened->attach(GetStdHandle(STD_OUTPUT_HANDLE));
    return OutputFile(std::move(opened));
}

OutputFile::~OutputFile() {
    if (state) state->discard();
}

OutputFile::OutputFile(OutputFile&& other) noexcept = default;

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        if (state) state->discard();
        state = std::move(other.state);
    }
    return *this;
}

bool OutputFile::isOpen() const { return state->open; }

std::ostream& OutputFile::stream() { return *state->out; }

std::error_code OutputFile::error() const { return state->reason; }

bool OutputFile::commit() {
    State& s = *state;
    if (!s.open) return false;
    s.out->flush();
    if (const std::error_code failure = s.buffer->failure()) return s.fail(failure);
    if (!*s.out) return s.fail(std::make_error_code(std::errc::io_error));
    const bool closed = !s.ownsHandle || CloseHandle(s.handle) != 0;
    s.open = false;
    if (!closed) return s.fail(lastError());
    if (!s.temporary.empty() && !FilesInFlight::instance().settle(s.temporary, [&] {
            return moveIntoPlace(s.temporary, s.target);
        })) {
        return s.fail(lastError());
    }
    s.temporary.clear();
    return true;
}

bool isWritableIfRegular(const std::string& name) {
    const std::filesystem::path path = toPath(name);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return true;
    }
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!isValid(file)) return false;
    CloseHandle(file);
    return true;
}

} // namespace platform
