// An output file that is replaced only once its new contents are complete.
#include "platform/interruption.h"
#include "platform/output_file.h"
#include "platform/paths.h"

#include <algorithm>
#include <random>
#include <streambuf>
#include <string_view>
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

// Whether `name` (in full) is a named pipe's, local or on another machine: \\.\pipe\NAME,
// \\SERVER\pipe\NAME. Such a name is never opened, nor asked about, before it is written:
// either would take the pipe's waiting instance for a connection of its own.
bool isPipePath(const std::wstring& name) {
    if (name.compare(0, 2, L"\\\\") != 0) return false;
    const auto host = name.find(L'\\', 2);
    return host != std::wstring::npos && name.size() > host + 5 &&
           CompareStringOrdinal(name.c_str() + host + 1, 5, L"pipe\\", 5, TRUE) == CSTR_EQUAL;
}

// The file an output name stands for: the name in full, and where a symbolic link leads.
std::wstring outputPath(const std::string& name) {
    const std::wstring full = fullName(toPath(name).wstring());
    return isPipePath(full) ? full : followLinks(full);
}

// Where the last component of a name begins: behind its last "\", "/" or drive colon.
std::size_t lastComponentOf(const std::wstring& name) {
    const auto separator = name.find_last_of(L"\\/:");
    return separator == std::wstring::npos ? 0 : separator + 1;
}

// Six letters or digits that differ from call to call and from process to process.
std::wstring randomPart() {
    constexpr std::wstring_view digits =
        L"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::random_device random; // the system's own random numbers
    std::wstring part(6, L'0');
    for (wchar_t& c : part) c = digits[random() % digits.size()];
    return part;
}

// A name beside `target` that is recognisably the program's own, the one other systems hide with
// its first dot. The target's own name is cut (at a character's start) where the whole would
// pass 255 bytes of UTF-8, and so 255 UTF-16 units too: NTFS, FAT and exFAT count the units, a
// share served from another system may count the bytes.
std::wstring hiddenName(const std::wstring& target) {
    constexpr std::wstring_view tag = L".vqz2xml-";
    constexpr std::size_t room = 255 - (1 + tag.size() + 6);
    const std::size_t base = lastComponentOf(target);
    std::size_t cut = base;
    std::size_t bytes = 0;
    while (cut < target.size()) {
        const unsigned c = target[cut];
        const bool pair = c >= 0xD800 && c <= 0xDBFF && cut + 1 < target.size() &&
                          target[cut + 1] >= 0xDC00 && target[cut + 1] <= 0xDFFF;
        const std::size_t size = pair ? 4 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        if (bytes + size > room) break;
        bytes += size;
        cut += pair ? 2 : 1;
    }
    return target.substr(0, base) + L"." + target.substr(base, cut - base) + std::wstring(tag) +
           randomPart();
}

// `name` in UTF-8, as the list of temporary names takes it; false when it holds a surrogate
// without its pair, which UTF-8 cannot write.
bool toUtf8(const std::wstring& name, std::string& utf8) {
    const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, name.c_str(), -1, nullptr,
                                         0, nullptr, nullptr);
    if (size <= 0) return false;
    utf8.assign(static_cast<std::size_t>(size), '\0');
    if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, name.c_str(), -1, utf8.data(), size,
                            nullptr, nullptr) != size) {
        return false;
    }
    utf8.pop_back(); // the terminating zero
    return true;
}

// Puts the complete file `from` in the place of `to`. An existing file is replaced by
// ReplaceFileW, which keeps its attributes, its security settings and its creation time as a
// file rewritten in place would; the attributes are set once more, as not every implementation
// of it keeps them (Wine's does not). A new file is moved there, and the move written through
// to the disk.
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
    TemporaryName kept;     // the temporary name, in the list removed on interruption
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
            const FileChange change;
            DeleteFileW(temporary.c_str());
            kept.forget();
        }
        temporary.clear();
    }

    bool fail(std::error_code error) {
        reason = error;
        discard();
        return false;
    }

    HANDLE createTemporary();
    std::error_code moveIntoPlace();
};

// A new file beside the target; INVALID_HANDLE_VALUE with `reason` set when none can be made.
// Windows has no files without a name, so it is named, and removed on interruption.
HANDLE OutputFile::State::createTemporary() {
    for (int tries = 0; tries < 100; ++tries) {
        const FileChange change;
        const std::wstring name = hiddenName(target);
        std::string listed;
        if (!toUtf8(name, listed)) {
            reason = {ERROR_NO_UNICODE_TRANSLATION, std::system_category()};
            return INVALID_HANDLE_VALUE;
        }
        if (!kept.keep(listed)) {
            reason = std::make_error_code(std::errc::too_many_files_open);
            return INVALID_HANDLE_VALUE;
        }
        // Opened with FILE_SHARE_DELETE, so that an interruption can remove it while it is open.
        const HANDLE file =
            CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (isValid(file)) {
            temporary = name;
            return file;
        }
        const DWORD error = GetLastError();
        reason = {static_cast<int>(error), std::system_category()};
        kept.forget();
        if (error != ERROR_FILE_EXISTS) return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

std::error_code OutputFile::State::moveIntoPlace() {
    const FileChange change;
    if (!platform::moveIntoPlace(temporary, target)) return lastError();
    kept.forget();
    temporary.clear();
    return {};
}

// Windows has no creation mask: a new file takes the security settings of its folder.
void OutputFile::readCreationMask() {}

// Windows has no files without a name: a temporary file always has one.
void OutputFile::allowUnnamedTemporaries(bool) {}

// An existing output is opened first, without changing it, to learn what it is: a disk file is
// replaced through a temporary file; a device (NUL, a console) or a pipe is written through the
// handle opened.
OutputFile::OutputFile(const std::string& name) : state(std::make_unique<State>()) {
    state->target = outputPath(name);
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
    const HANDLE file = state->createTemporary();
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

// With Sync::ToDisk the data reaches the disk before the file takes the output's name. A new
// output is moved there written through to the disk; an existing one is replaced by ReplaceFileW,
// which offers no such flag: the file system's log (NTFS's) keeps the old or the new name across
// a power loss.
bool OutputFile::commit(Sync sync) {
    State& s = *state;
    if (!s.open) return false;
    s.out->flush();
    if (const std::error_code failure = s.buffer->failure()) return s.fail(failure);
    if (!*s.out) return s.fail(std::make_error_code(std::errc::io_error));
    const bool direct = s.temporary.empty();
    if (sync == Sync::ToDisk && !direct && !FlushFileBuffers(s.handle)) {
        return s.fail(lastError());
    }
    const bool closed = !s.ownsHandle || CloseHandle(s.handle) != 0;
    s.open = false;
    if (!closed) return s.fail(lastError());
    if (!direct) {
        if (const std::error_code error = s.moveIntoPlace()) return s.fail(error);
    }
    return true;
}

bool isWritableIfRegular(const std::string& name) {
    const std::filesystem::path path = toPath(name);
    if (isPipePath(fullName(path.wstring()))) return true;
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

// What the system says the file is, asked through a handle that may neither read nor write it:
// anything but a disk file (NUL, CON, a console, a serial port) is written directly.
bool isWrittenDirectly(const std::string& name) {
    const std::wstring path = outputPath(name);
    if (isPipePath(path)) return true;
    const HANDLE file =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!isValid(file)) return false;
    const bool disk = GetFileType(file) == FILE_TYPE_DISK;
    CloseHandle(file);
    return !disk;
}

bool isPipeName(const std::string& name) { return isPipePath(fullName(toPath(name).wstring())); }

} // namespace platform
