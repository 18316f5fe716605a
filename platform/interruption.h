// The process's start and its end by interruption: standard streams, and the temporary files in
// flight.
#pragma once

#include <string>

namespace platform {

// Opens the null device on standard input, output and error wherever one is closed, so that no
// file the program opens later takes its place and receives console text. Call it first thing.
void openMissingStandardStreams();

// Installs the handling of interruptions: an interrupt, a termination request, a hang-up or a
// broken pipe removes every temporary file registered below, then ends the process as it would
// have ended it. A write past the file-size limit fails with an error (EFBIG) instead of ending the
// process. An interruption the program's parent made it ignore stays ignored. On Windows the
// interruptions are Ctrl-C, Ctrl-Break, a closed console, logoff and shutdown, and the process
// ends as Ctrl-C ends it (STATUS_CONTROL_C_EXIT).
void handleInterruptions();

// Once the handling is installed, does what an interrupt (Ctrl-C) that reaches the process does:
// the temporary files go and the process ends. For tests that have no way to send one: Windows
// sends Ctrl-C only through a console, which a test run (Wine's above all) may lack.
void interruptProcess();

// A temporary file that is removed if the process is interrupted while the object holds its name.
// A name is added or taken away only inside a FileChange, along with the call that creates,
// renames or removes the file, so that the list and the folder always agree.
class TemporaryName {
  public:
    TemporaryName() = default;
    // Keeps `name`; false (and nothing kept) when the list is full.
    bool keep(const std::string& name);
    // Forgets the name, leaving the file alone.
    void forget() noexcept;
    ~TemporaryName() { forget(); }
    TemporaryName(const TemporaryName&) = delete;
    TemporaryName& operator=(const TemporaryName&) = delete;

  private:
    int slot = -1;
};

// Holds interruption off on this thread while the object lives, and makes an interruption handled
// on another thread wait for the end of it: a temporary file is never created, moved into place or
// removed halfway with respect to the list of names. Spans a few calls, never a wait.
class FileChange {
  public:
    FileChange();
    ~FileChange();
    FileChange(const FileChange&) = delete;
    FileChange& operator=(const FileChange&) = delete;
};

} // namespace platform
