// An output file that is replaced only once its new contents are complete.
#include "platform/interruption.h"
#include "platform/output_file.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <streambuf>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

mode_t creationMask = 022;
bool unnamedAllowed = true;

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

bool startsWith(const std::string& text, std::string_view start) {
    return text.compare(0, start.size(), start) == 0;
}

// Whether `path` names a descriptor of the process rather than a file: /dev/stdout, /dev/fd/N,
// /proc/self/fd/N. Its link leads to a text such as "pipe:[123]", which is no path.
bool isDescriptorPath(const std::string& path) {
    if (path == "/dev/stdin" || path == "/dev/stdout" || path == "/dev/stderr") return true;
    if (startsWith(path, "/dev/fd/")) return true;
    if (!startsWith(path, "/proc/")) return false;
    const std::size_t process = path.find('/', 6);
    return process != std::string::npos && path.compare(process, 4, "/fd/") == 0;
}

struct LinkEnd {
    std::string path;        // the file the chain of symbolic links ends at
    bool descriptor = false; // the chain passes a descriptor's name: the name is written directly
};

// Where `name` leads, one symbolic link at a time.
LinkEnd followLinks(std::string name) {
    for (int hops = 0; hops < 40; ++hops) {
        if (isDescriptorPath(name)) return {name, true};
        struct stat status {};
        if (::lstat(name.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return {name, false};
        std::vector<char> target(
            static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 255) + 1);
        const ssize_t length = ::readlink(name.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return {name, false};
        std::string next(target.data(), static_cast<std::size_t>(length));
        if (next.front() != '/') {
            const auto slash = name.rfind('/');
            if (slash != std::string::npos) next = name.substr(0, slash + 1) + next;
        }
        name = next;
    }
    return {name, false};
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Six letters or digits that differ from call to call and from process to process.
std::string randomPart() {
    static std::atomic<std::uint64_t> counter{0};
    static const auto process = static_cast<std::uint64_t>(::getpid());
    std::uint64_t x =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (process << 32) ^ std::hash<std::thread::id>()(std::this_thread::get_id()) ^
        (++counter * 0x9e3779b97f4a7c15u);
    // splitmix64's finish: every input bit moves every output bit
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9u;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebu;
    x ^= x >> 31;
    constexpr std::string_view digits =
        "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::string part(6, '0');
    for (char& c : part) {
        c = digits[x % digits.size()];
        x /= digits.size();
    }
    return part;
}

// A hidden name beside `target` that is recognisably the program's own. The target's own name
// is cut (at a character's start) where the whole would pass the folder's limit on names.
std::string hiddenName(const std::string& target) {
    constexpr std::string_view tag = ".vqz2xml-";
    const auto slash = target.rfind('/');
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t fixed = 1 + tag.size() + 6;
    // File systems in use allow names of 143 bytes at least (eCryptfs's limit, the lowest), so
    // only a longer name asks the folder.
    constexpr std::size_t shortestLimit = 143;
    std::size_t longest = shortestLimit;
    if (target.size() - base + fixed > shortestLimit) {
        const long limit = ::pathconf(folderOf(target).c_str(), _PC_NAME_MAX);
        longest = limit > 0 ? static_cast<std::size_t>(limit) : 255;
    }
    const std::size_t room = longest > fixed ? longest - fixed : 1;
    std::size_t cut = std::min(target.size() - base, room);
    while (cut > 0 && cut < target.size() - base &&
           (static_cast<unsigned char>(target[base + cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return target.substr(0, base) + "." + target.substr(base, cut) + std::string(tag) +
           randomPart();
}

#ifdef O_TMPFILE
// Whether /proc/self/fd names the descriptors, through which an unnamed file gets its name.
bool canNameUnnamedFiles() {
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}
#endif

std::string descriptorPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

} // namespace

struct OutputFile::State {
    std::string target;     // the file finally written: the name, or the end of its link chain
    std::string temporary;  // the hidden name, when the temporary file has one
    TemporaryName kept;     // that name, in the list removed on interruption
    bool unnamed = false;   // the temporary file has no name until it is committed
    bool replacing = false; // there was a file of the target's name when the output was opened
    bool direct = false;    // written in place: no temporary file
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
        if (!temporary.empty()) {
            const FileChange change;
            ::unlink(temporary.c_str());
            kept.forget();
        }
        temporary.clear();
    }

    bool fail(std::error_code error) {
        reason = error;
        discard();
        return false;
    }

    int createTemporary(mode_t mode);
    int createNamed();
    std::error_code moveIntoPlace();
    std::error_code linkUnnamed();
};

// A new file beside the target, unnamed where the system allows; -1 with `reason` set when none
// can be made.
int OutputFile::State::createTemporary(mode_t mode) {
#ifdef O_TMPFILE
    if (unnamedAllowed && canNameUnnamedFiles()) {
        const int opened = ::open(folderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (opened >= 0) {
            unnamed = true;
            ::fchmod(opened, mode);
            return opened;
        }
        // Refused by the system or the file system (or the folder is missing, which the named
        // way reports as well).
    }
#endif
    const int opened = createNamed();
    if (opened >= 0) ::fchmod(opened, mode);
    return opened;
}

int OutputFile::State::createNamed() {
    for (int tries = 0; tries < 100; ++tries) {
        const FileChange change;
        const std::string name = hiddenName(target);
        if (!kept.keep(name)) {
            reason = std::make_error_code(std::errc::too_many_files_open);
            return -1;
        }
        const int opened =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
        if (opened >= 0) {
            temporary = name;
            return opened;
        }
        reason = lastError();
        kept.forget();
        if (reason != std::errc::file_exists) return -1;
    }
    return -1;
}

// Gives the complete unnamed file the target's name: directly when there is no file of that
// name, else through a hidden name that then replaces it.
std::error_code OutputFile::State::linkUnnamed() {
    const std::string self = descriptorPath(fd);
    if (!replacing) {
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return {};
        }
        if (errno != EEXIST) return lastError();
    }
    std::error_code error;
    for (int tries = 0; tries < 100; ++tries) {
        const FileChange change;
        const std::string name = hiddenName(target);
        if (!kept.keep(name)) return std::make_error_code(std::errc::too_many_files_open);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            error = lastError();
            kept.forget();
            if (error == std::errc::file_exists) continue;
            return error;
        }
        if (::rename(name.c_str(), target.c_str()) != 0) {
            error = lastError();
            ::unlink(name.c_str());
        }
        kept.forget();
        return error;
    }
    return error;
}

std::error_code OutputFile::State::moveIntoPlace() {
    if (unnamed) return linkUnnamed();
    const FileChange change;
    if (::rename(temporary.c_str(), target.c_str()) != 0) return lastError();
    kept.forget();
    temporary.clear();
    return {};
}

void OutputFile::readCreationMask() {
    creationMask = ::umask(0);
    ::umask(creationMask);
}

void OutputFile::allowUnnamedTemporaries(bool allowed) { unnamedAllowed = allowed; }

OutputFile::OutputFile(const std::string& name) : state(std::make_unique<State>()) {
    const LinkEnd end = followLinks(name);
    struct stat status {};
    const bool exists = ::stat(end.descriptor ? name.c_str() : end.path.c_str(), &status) == 0;
    int fd = -1;
    if (end.descriptor || (exists && !S_ISREG(status.st_mode))) {
        // A descriptor's name is opened as given; appending keeps whatever its file holds.
        state->direct = true;
        state->target = name;
        fd =
            ::open(name.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | (end.descriptor ? O_APPEND : 0));
        if (fd < 0) state->reason = lastError();
    } else {
        state->target = end.path;
        state->replacing = exists;
        const mode_t mode = exists ? status.st_mode & 07777 : 0666 & ~creationMask;
        fd = state->createTemporary(mode);
        const bool otherOwner =
            exists && (status.st_uid != ::geteuid() || status.st_gid != ::getegid());
        if (fd >= 0 && otherOwner && ::fchown(fd, status.st_uid, status.st_gid) != 0) {
            ::fchmod(fd, mode & 0777); // no set-id bits on a file of another owner
        }
    }
    if (fd >= 0) state->attach(fd);
}

OutputFile::OutputFile(std::unique_ptr<State> opened) : state(std::move(opened)) {}

OutputFile OutputFile::standardOutput() {
    auto opened = std::make_unique<State>();
    opened->direct = true;
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

bool OutputFile::commit(Sync sync) {
    State& s = *state;
    if (s.fd < 0) return false;
    s.out->flush();
    if (const std::error_code failure = s.buffer->failure()) return s.fail(failure);
    if (!*s.out) return s.fail(std::make_error_code(std::errc::io_error));
    const bool toDisk = sync == Sync::ToDisk && !s.direct;
    if (toDisk && ::fsync(s.fd) != 0) return s.fail(lastError());
    // An unnamed file is reached through its descriptor, so it is closed once it has its name;
    // a local file system reports no error at a close that a write or fsync did not.
    if (!s.unnamed) {
        const int closed = s.ownsDescriptor ? ::close(s.fd) : 0;
        s.fd = -1;
        if (closed != 0) return s.fail(lastError());
    }
    if (!s.direct) {
        if (const std::error_code error = s.moveIntoPlace()) return s.fail(error);
    }
    if (s.unnamed) {
        ::close(s.fd);
        s.fd = -1;
    }
    if (toDisk) {
        const int folder = ::open(folderOf(s.target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const bool synced = folder >= 0 && ::fsync(folder) == 0;
        if (!synced) s.reason = lastError();
        if (folder >= 0) ::close(folder);
        if (!synced) return false; // the new contents are in place, but not known to be on disk
    }
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

bool isWrittenDirectly(const std::string& name) {
    const LinkEnd end = followLinks(name);
    struct stat status {};
    return end.descriptor || (::stat(end.path.c_str(), &status) == 0 && !S_ISREG(status.st_mode));
}

// A FIFO may be asked about as often as need be.
bool isPipeName(const std::string&) { return false; }

} // namespace platform
