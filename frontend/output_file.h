// An output file that is replaced only once its new contents are complete.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <sys/types.h>

// A regular output is written to a temporary file in its own folder, which takes the place of
// the output only when `commit` succeeds: a failed or abandoned conversion leaves any old output
// exactly as it was and no stray file. A replaced file keeps its permission bits (and its owner,
// where the process may set it); a symbolic link stays a link and its target is replaced. An
// output that is not a regular file (a named pipe, a terminal, /dev/null) is written directly.
class OutputFile {
  public:
    // The file creation mask of the process, read once before any thread starts.
    static void readCreationMask();

    // Opens a temporary file beside `name` (or `name` itself when it is not a regular file).
    // On failure `error()` tells why and nothing was created.
    explicit OutputFile(const std::string& name);
    // Writes to an open descriptor, standard output say, which stays open.
    explicit OutputFile(int descriptor);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool isOpen() const { return fd >= 0; }
    std::ostream& stream() { return *out; }
    // Flushes, closes and moves the new contents into place; false (and the old output left as
    // it was) when any byte could not be written.
    bool commit();
    // The reason of the last failure, as the system words it.
    const std::string& error() const { return reason; }

  private:
    void discard();

    std::string target;    // the file finally written: `name`, or the end of its link chain
    std::string temporary; // empty when the output is written directly
    int fd = -1;
    bool ownsDescriptor = true;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    bool keepOwner = false;
    std::unique_ptr<std::streambuf> buffer;
    std::unique_ptr<std::ostream> out;
    std::string reason;
};

// Whether `name` can be opened for writing without changing it; a regular file is tried, any
// other kind of file (or none) answers true.
bool isWritableIfRegular(const std::string& name);
