// Whether the standard streams are attached to a terminal.
#include "platform/terminal.h"

#include <windows.h>

namespace platform {

// A console, that is: the NUL device is a character device too, but has no console mode.
bool isTerminal(StandardStream stream) {
    DWORD which = STD_ERROR_HANDLE;
    switch (stream) {
    case StandardStream::Input: which = STD_INPUT_HANDLE; break;
    case StandardStream::Output: which = STD_OUTPUT_HANDLE; break;
    case StandardStream::Error: which = STD_ERROR_HANDLE; break;
    }
    const HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode) != 0;
}

} // namespace platform
