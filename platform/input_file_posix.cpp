// Whole inputs held in memory for a conversion: a named file, or standard input.
#include "platform/input_file.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

// Below this a file is read rather than mapped: mapping costs more than it saves.
constexpr std::size_t smallestMappedFile = std::size_t{1} << 20;

std::error_code lastError() { return {errno, std::generic_category()}; }

// Whether a file of `size` bytes can be held in memory at all: on a 32-bit system a file may be
// bigger than the address space, and its size is not to be cut down to fit.
bool fitsInMemory(off_t size) {
    return static_cast<std::uintmax_t>(size) <= std::numeric_limits<std::size_t>::max();
}

// Reads `fd` to its end into `bytes`, which grows as needed, and sets `used` to the size read.
std::error_code readToEnd(int fd, PageBuffer& bytes, std::size_t expected, std::size_t& used) {
    used = 0;
    if (bytes.size() < expected + 1) bytes = PageBuffer(expected + 1);
    for (;;) {
        if (used == bytes.size()) {
            PageBuffer bigger(bytes.size() < 4096 ? 65536 : 2 * bytes.size());
            std::memcpy(bigger.data(), bytes.data(), used);
            bytes = std::move(bigger);
        }
        const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return lastError();
        if (got == 0) return {};
        used += static_cast<std::size_t>(got);
    }
}

// A read-only map of a regular file's `size` bytes; null when the system cannot map it.
const char* mapFile(int fd, std::size_t size) {
    void* pages = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (pages == MAP_FAILED) return nullptr;
#ifdef MADV_SEQUENTIAL
    madvise(pages, size, MADV_SEQUENTIAL); // read front to back, so read ahead; only advice
#endif
    return static_cast<const char*>(pages);
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
    if (mapped) munmap(const_cast<char*>(mapped), length);
    mapped = nullptr;
    buffer = PageBuffer();
    length = 0;
}

std::error_code InputBytes::readFile(const std::string& name) {
    release();
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return lastError();
    struct stat status {};
    std::error_code error;
    if (::fstat(fd, &status) != 0) {
        error = lastError();
    } else if (S_ISDIR(status.st_mode)) {
        error = std::make_error_code(std::errc::is_a_directory);
    } else if (S_ISREG(status.st_mode) && !fitsInMemory(status.st_size)) {
        error = std::make_error_code(std::errc::file_too_large);
    } else if (S_ISREG(status.st_mode) &&
               static_cast<std::size_t>(status.st_size) >= smallestMappedFile) {
        const auto size = static_cast<std::size_t>(status.st_size);
        if ((mapped = mapFile(fd, size))) length = size;
    }
    if (!error && !mapped) {
        const std::size_t expected =
            S_ISREG(status.st_mode) ? static_cast<std::size_t>(status.st_size) : 0;
        error = readToEnd(fd, buffer, expected, length);
    }
    ::close(fd);
    if (error) release();
    return error;
}

std::error_code InputBytes::readStandardInput() {
    release();
    struct stat status {};
    const std::size_t expected = ::fstat(STDIN_FILENO, &status) == 0 && S_ISREG(status.st_mode) &&
                                         fitsInMemory(status.st_size)
                                     ? static_cast<std::size_t>(status.st_size)
                                     : 0;
    const std::error_code error = readToEnd(STDIN_FILENO, buffer, expected, length);
    if (error) release();
    return error;
}

} // namespace platform
