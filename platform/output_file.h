// An output file that is replaced only once its new contents are complete.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <system_error>

namespace platform {

// A regular output is written to a temporary file in its own folder, which takes the place of
// the output only when `commit` succeeds: a failed or abandoned conversion leaves any old output
// exactly as it was and no stray file. A replaced file keeps its permission bits (and its owner,
// where the process may set it); a symbolic link stays a link and its target is replaced. An
// output that is not a regular file (a named pipe, a terminal, /dev/null) is written directly.
class OutputFile {
  public:
    // The file creation mask of the process, read once before any thread starts.
    static void readCreationMask();

    // Opens a temporary file beside `name` (UTF-8), or `name` itself when it is not a regular
    // file. On failure `error()` tells why and nothing was created.
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
    bool commit();
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

} // namespace platform
