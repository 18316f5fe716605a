// Whole inputs held in memory for a conversion: a named file, or standard input.
#include "platform/input_file.h"
#include "platform/paths.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>
#include <windows.h>

namespace platform {
namespace {

// Below this a file is read rather than mapped: mapping costs more than it saves.
constexpr std::size_t smallestMappedFile = std::size_t{1} << 20;
// ReadFile counts in 32 bits: a bigger input is read in pieces of this size.
constexpr std::size_t largestRead = std::size_t{1} << 30;

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
        if (used == bytes.size()) {
            PageBuffer bigger(bytes.size() < 4096 ? 65536 : 2 * bytes.size());
            std::memcpy(bigger.data(), bytes.data(), used);
            bytes = std::move(bigger);
        }
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

// A read-only view of a disk file's `size` bytes; null when the system cannot map it. The view
// keeps the mapping, and the mapping the file, for as long as it lives.
const char* mapFile(HANDLE file, std::size_t size) {
    const OwnedHandle mapping(CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping.isOpen()) return nullptr;
    return static_cast<const char*>(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, size));
}

// The size of a disk file, which must fit in memory's address range; 0 for anything else.
std::error_code diskFileSize(HANDLE file, std::size_t& size) {
    size = 0;
    if (GetFileType(file) != FILE_TYPE_DISK) return {};
    LARGE_INTEGER bytes{};
    if (!GetFileSizeEx(file, &bytes)) return lastError();
    if (static_cast<unsigned long long>(bytes.QuadPart) > std::numeric_limits<std::size_t>::max()) {
        return std::make_error_code(std::errc::file_too_large);
    }
    size = static_cast<std::size_t>(bytes.QuadPart);
    return {};
}

} // namespace

InputBytes::~InputBytes() { release(); }

InputBytes::InputBytes(InputBytes&& other) noexcept
    : buffer(std::move(other.buffer)), mapped(std::exchange(other.mapped, nullptr)),
      length(std::exchange(other.length, 0)) {}

InputBytes& InputBytes::operator=(InputBytes&& other) noexcept {
    if (this != &other) {
        release();
        buffer = std::move(other.buffer);
        mapped = std::exchange(other.mapped, nullptr);
        length = std::exchange(other.length, 0);
    }
    return *this;
}

void InputBytes::release() noexcept {
    if (mapped) UnmapViewOfFile(mapped);
    mapped = nullptr;
    buffer = PageBuffer();
    length = 0;
}

std::error_code InputBytes::readFile(const std::string& name) {
    release();
    const std::filesystem::path path = toPath(name);
    // Others may go on reading the file, and may delete or rename it, but not change it.
    const OwnedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.isOpen()) {
        const std::error_code error = lastError();
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return std::make_error_code(std::errc::is_a_directory);
        }
        return error;
    }
    std::size_t size = 0;
    std::error_code error = diskFileSize(file.get(), size);
    if (!error && size >= smallestMappedFile && (mapped = mapFile(file.get(), size))) {
        length = size;
    }
    if (!error && !mapped) error = readToEnd(file.get(), buffer, size, length);
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
    std::size_t expected = 0;
    std::error_code error = diskFileSize(input, expected);
    if (!error) error = readToEnd(input, buffer, expected, length);
    if (error) release();
    return error;
}

} // namespace platform
