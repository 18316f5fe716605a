// Whole inputs held in memory for a conversion: a named file, or standard input.
#include "platform/input_file.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

void (*readHook)(const std::string&) = nullptr;

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
        if (used == bytes.size()) bytes.grow(used);
        const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return lastError();
        if (got == 0) return {};
        used += static_cast<std::size_t>(got);
    }
}

bool sameState(const struct stat& before, const struct stat& after) {
    return before.st_size == after.st_size && before.st_mtim.tv_sec == after.st_mtim.tv_sec &&
           before.st_mtim.tv_nsec == after.st_mtim.tv_nsec;
}

// Reads the regular file open as `fd` whose state was `before`, and checks that the bytes are the
// file's as it stood throughout: its size and modification time the same after reading, and the
// end met where the size said.
std::error_code readRegular(int fd, const std::string& name, const struct stat& before,
                            PageBuffer& bytes, std::size_t& used) {
    const auto size = static_cast<std::size_t>(before.st_size);
    if (const std::error_code error = readToEnd(fd, bytes, size, used)) return error;
    if (readHook) readHook(name);
    struct stat after {};
    if (::fstat(fd, &after) != 0) return lastError();
    if (used != size || !sameState(before, after)) return InputError::ChangedWhileRead;
    return {};
}

} // namespace

void InputBytes::setReadHook(void (*hook)(const std::string& name)) { readHook = hook; }

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
    } else if (S_ISREG(status.st_mode)) {
        error = readRegular(fd, name, status, buffer, length);
    } else {
        error = readToEnd(fd, buffer, 0, length);
    }
    ::close(fd);
    if (error) release();
    return error;
}

std::error_code InputBytes::readStandardInput() {
    release();
    struct stat before {};
    const bool regular = ::fstat(STDIN_FILENO, &before) == 0 && S_ISREG(before.st_mode);
    const std::size_t expected =
        regular && fitsInMemory(before.st_size) ? static_cast<std::size_t>(before.st_size) : 0;
    std::error_code error = readToEnd(STDIN_FILENO, buffer, expected, length);
    // A file given as standard input may be read from anywhere, so only its state is compared.
    struct stat after {};
    if (!error && regular && (::fstat(STDIN_FILENO, &after) != 0 || !sameState(before, after))) {
        error = InputError::ChangedWhileRead;
    }
    if (error) release();
    return error;
}

} // namespace platform
