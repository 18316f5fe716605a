// An output file that is replaced only once its new contents are complete.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <system_error>

namespace platform {

// How far a committed output is made to last.
enum class Sync {
    // Old or new contents across any end of the process; across a power loss, as far as the file
    // system orders the data before the rename (as ext4 does for a file replacing another).
    None,
    // The data is flushed to the disk before the new file takes the name, and the folder after
    // (on Windows a new file's move is written through, a replacing one left to NTFS's log): old
    // or new contents across a power loss too.
    ToDisk,
};

// A regular output is written to a temporary file in its own folder, which takes the place of
// the output only when `commit` succeeds: a failed, abandoned or interrupted conversion leaves any
// old output exactly as it was and no stray file. Where the system allows it the temporary file
// has no name until it is complete, so not even a killed process leaves one behind; elsewhere it
// is hidden (".NAME.vqz2xml-XXXXXX") and removed on interruption. A replaced file keeps its
// permission bits (and its owner, where the process may set it); a symbolic link stays a link and
// its target is replaced; a file with other hard links is replaced under this name only, the other
// names keeping the old contents. An output that is not a regular file (a named pipe, a terminal,
// /dev/null; on Windows NUL, CON, \\.\pipe\NAME), or that names an open descriptor (/dev/stdout,
// /dev/fd/3), is written directly.
class OutputFile {
  public:
    // The file creation mask of the process, read once before any thread starts.
    static void readCreationMask();
    // Whether temporary files may go without a name where the system allows it (the default);
    // tests turn it off to see the named ones at work.
    static void allowUnnamedTemporaries(bool allowed);

    // Opens a temporary file beside `name` (UTF-8), or `name` itself when it is written directly.
    // On failure `error()` tells why and nothing was created.
    explicit OutputFile(const std::string& name);
    // Standard output, which stays open.
    static OutputFile standardOutput();
    // Abandons whatever was not committed: the temporary file goes.
    ~OutputFile();
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;

    bool isOpen() const;
    std::ostream& stream();
    // Flushes, closes and moves the new contents into place; false (and the old output left as
    // it was) when any byte could not be written.
    bool commit(Sync sync = Sync::None);
    // The reason of the last failure.
    std::error_code error() const;

  private:
    struct State; // the system's own: its handle, the names, the stream
    explicit OutputFile(std::unique_ptr<State> opened);

    std::unique_ptr<State> state;
};

// Whether `name` can be opened for writing without changing it; a regular file is tried, any
// other kind of file (or none) answers true.
bool isWritableIfRegular(const std::string& name);

// Whether an output named `name` is written directly rather than replaced (see OutputFile), so
// that an existing file there is no old output to keep.
bool isWrittenDirectly(const std::string& name);

// Whether `name` names a Windows named pipe (\\.\pipe\NAME, \\SERVER\pipe\NAME), which nothing may
// open or ask about before it is read or written: either would take the pipe's waiting instance
// for a connection of its own. As an output it counts as existing and is written directly; as an
// input it is read as a stream; it is never a folder, nor both. False on POSIX systems.
bool isPipeName(const std::string& name);

} // namespace platform
