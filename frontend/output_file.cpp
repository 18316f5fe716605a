// An output file that is replaced only once its new contents are complete.
#include "frontend/output_file.h"

#include <cerrno>
#include <fcntl.h>
#include <streambuf>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

mode_t creationMask = 022;

std::string systemMessage(int error) { return std::system_category().message(error); }

// Hands every block straight to a file descriptor; the XML output already buffers in large
// blocks, so nothing is buffered here. The first failed write is kept and fails the stream.
class DescriptorBuffer : public std::streambuf {
  public:
    explicit DescriptorBuffer(int descriptor) : fd(descriptor) {}
    int failure() const { return failed; }

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
                failed = errno;
                return false;
            }
            bytes += written;
            count -= written;
        }
        return true;
    }

    int fd;
    int failed = 0;
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

} // namespace

void OutputFile::readCreationMask() {
    creationMask = ::umask(0);
    ::umask(creationMask);
}

OutputFile::OutputFile(const std::string& name) : target(followLinks(name)) {
    struct stat status {};
    const bool exists = ::stat(target.c_str(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode)) {
        fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) reason = systemMessage(errno);
    } else {
        mode = exists ? status.st_mode & 07777 : 0666 & ~creationMask;
        keepOwner = exists && (status.st_uid != ::geteuid() || status.st_gid != ::getegid());
        owner = status.st_uid;
        group = status.st_gid;
        const auto slash = target.rfind('/');
        const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
        std::string pattern = target.substr(0, base) + "." + target.substr(base) + ".XXXXXX";
        fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0) {
            reason = systemMessage(errno);
            return;
        }
        temporary = pattern;
        ::fchmod(fd, mode);
        if (keepOwner && ::fchown(fd, owner, group) != 0) {
            ::fchmod(fd, mode & 0777); // no set-id bits on a file of another owner
        }
    }
    if (fd < 0) return;
    buffer = std::make_unique<DescriptorBuffer>(fd);
    out = std::make_unique<std::ostream>(buffer.get());
}

OutputFile::OutputFile(int descriptor) : fd(descriptor), ownsDescriptor(false) {
    buffer = std::make_unique<DescriptorBuffer>(fd);
    out = std::make_unique<std::ostream>(buffer.get());
}

OutputFile::~OutputFile() { discard(); }

bool OutputFile::commit() {
    if (fd < 0) return false;
    out->flush();
    const int failure = static_cast<DescriptorBuffer*>(buffer.get())->failure();
    if (failure != 0 || !*out) {
        reason = systemMessage(failure != 0 ? failure : EIO);
        discard();
        return false;
    }
    const int closed = ownsDescriptor ? ::close(fd) : 0;
    fd = -1;
    if (closed != 0) {
        reason = systemMessage(errno);
        discard();
        return false;
    }
    if (!temporary.empty() && ::rename(temporary.c_str(), target.c_str()) != 0) {
        reason = systemMessage(errno);
        discard();
        return false;
    }
    temporary.clear();
    return true;
}

void OutputFile::discard() {
    if (fd >= 0 && ownsDescriptor) ::close(fd);
    fd = -1;
    if (!temporary.empty()) ::unlink(temporary.c_str());
    temporary.clear();
}

bool isWritableIfRegular(const std::string& name) {
    struct stat status {};
    if (::stat(name.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return true;
    const int fd = ::open(name.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}
