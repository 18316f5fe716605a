// An output file that is replaced only once its new contents are complete.
#include "platform/output_file.h"

#include <cerrno>
#include <fcntl.h>
#include <streambuf>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

mode_t creationMask = 022;

std::error_code lastError() { return {errno, std::generic_category()}; }

// Hands every block straight to a file descriptor; the XML output already buffers in large
// blocks, so nothing is buffered here. The first failed write is kept and fails the stream.
class DescriptorBuffer : public std::streambuf {
  public:
    explicit DescriptorBuffer(int descriptor) : fd(descriptor) {}
    std::error_code failure() const { return failed; }

  protected:
    std::streamsize xsputn(const char* bytes, std::streamsize count) override {
        return writeAll(bytes, count) ? count : 0;
    }
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char byte = traits_type::to_char_type(c);
        return writeAll(&byte, 1) ? c : traits_type::eof();
    }

  private:
    bool writeAll(const char* bytes, std::streamsize count) {
        if (failed) return false;
        while (count > 0) {
            const ssize_t written = ::write(fd, bytes, static_cast<std::size_t>(count));
            if (written < 0) {
                if (errno == EINTR) continue;
                failed = lastError();
                return false;
            }
            bytes += written;
            count -= written;
        }
        return true;
    }

    int fd;
    std::error_code failed;
};

// The file a chain of symbolic links ends at; the name itself when it is no link.
std::string followLinks(std::string name) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat status {};
        if (::lstat(name.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return name;
        std::vector<char> target(
            static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 255) + 1);
        const ssize_t length = ::readlink(name.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size()) return name;
        std::string next(target.data(), static_cast<std::size_t>(length));
        if (next.front() != '/') {
            const auto slash = name.rfind('/');
            if (slash != std::string::npos) next = name.substr(0, slash + 1) + next;
        }
        name = next;
    }
    return name;
}

// A new temporary file beside `target`, with the permission bits (and the owner) the output
// is to have; -1 with `error` set when none can be made.
int createTemporary(const std::string& target, std::string& temporary, std::error_code& error) {
    struct stat status {};
    const bool exists = ::stat(target.c_str(), &status) == 0;
    const mode_t mode = exists ? status.st_mode & 07777 : 0666 & ~creationMask;
    const auto slash = target.rfind('/');
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    std::string pattern = target.substr(0, base) + "." + target.substr(base) + ".XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        error = lastError();
        return -1;
    }
    temporary = pattern;
    ::fchmod(fd, mode);
    const bool otherOwner =
        exists && (status.st_uid != ::geteuid() || status.st_gid != ::getegid());
    if (otherOwner && ::fchown(fd, status.st_uid, status.st_gid) != 0) {
        ::fchmod(fd, mode & 0777); // no set-id bits on a file of another owner
    }
    return fd;
}

} // namespace

struct OutputFile::State {
    std::string target;    // the file finally written: the name, or the end of its link chain
    std::string temporary; // empty when the output is written directly
    int fd = -1;
    bool ownsDescriptor = true;
    std::unique_ptr<DescriptorBuffer> buffer;
    std::unique_ptr<std::ostream> out;
    std::error_code reason;

    void attach(int descriptor) {
        fd = descriptor;
        buffer = std::make_unique<DescriptorBuffer>(fd);
        out = std::make_unique<std::ostream>(buffer.get());
    }

    void discard() noexcept {
        if (fd >= 0 && ownsDescriptor) ::close(fd);
        fd = -1;
        if (!temporary.empty()) ::unlink(temporary.c_str());
        temporary.clear();
    }

    bool fail(std::error_code error) {
        reason = error;
        discard();
        return false;
    }
};

void OutputFile::readCreationMask() {
    creationMask = ::umask(0);
    ::umask(creationMask);
}

OutputFile::OutputFile(const std::string& name) : state(std::make_unique<State>()) {
    state->target = followLinks(name);
    struct stat status {};
    int fd = -1;
    if (::stat(state->target.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        fd = ::open(state->target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) state->reason = lastError();
    } else {
        fd = createTemporary(state->target, state->temporary, state->reason);
    }
    if (fd >= 0) state->attach(fd);
}

OutputFile::OutputFile(std::unique_ptr<State> opened) : state(std::move(opened)) {}

OutputFile OutputFile::standardOutput() {
    auto opened = std::make_unique<State>();
    opened->ownsDescriptor = false;
    opened->attach(STDOUT_FILENO);
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

bool OutputFile::isOpen() const { return state->fd >= 0; }

std::ostream& OutputFile::stream() { return *state->out; }

std::error_code OutputFile::error() const { return state->reason; }

bool OutputFile::commit() {
    State& s = *state;
    if (s.fd < 0) return false;
    s.out->flush();
    if (const std::error_code failure = s.buffer->failure()) return s.fail(failure);
    if (!*s.out) return s.fail(std::make_error_code(std::errc::io_error));
    const int closed = s.ownsDescriptor ? ::close(s.fd) : 0;
    s.fd = -1;
    if (closed != 0) return s.fail(lastError());
    if (!s.temporary.empty() && ::rename(s.temporary.c_str(), s.target.c_str()) != 0) {
        return s.fail(lastError());
    }
    s.temporary.clear();
    return true;
}

bool isWritableIfRegular(const std::string& name) {
    struct stat status {};
    if (::stat(name.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return true;
    const int fd = ::open(name.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

} // namespace platform
