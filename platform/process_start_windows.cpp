// What the program starts with: its arguments in UTF-8 and standard streams ready for bytes.
#include "platform/process_start.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <iostream>
#include <memory>
#include <streambuf>
#include <string>
// shellapi.h needs what windows.h defines, so the order stays as it is.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

namespace platform {
namespace {

std::string toUtf8(const wchar_t* wide) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
    text.pop_back(); // the terminating zero
    return text;
}

// The C runtime's text mode would write "\n" as CR LF: messages are written as on every other
// system. Standard input keeps text mode, so that the answer typed at the overwrite question
// ends at one line end; the conversion's own input is read from the handle, past the runtime.
void writeStandardStreamsAsBytes() {
    for (std::FILE* stream : {stdout, stderr}) {
        if (_fileno(stream) >= 0) _setmode(_fileno(stream), _O_BINARY);
    }
}

// Text for a console window, which shows UTF-16: the UTF-8 written to the stream is handed over
// in whole characters each time the stream is flushed. What goes elsewhere (a file, a pipe)
// stays UTF-8 bytes.
class ConsoleBuffer : public std::streambuf {
  public:
    ConsoleBuffer(HANDLE window, std::ostream& owner)
        : console(window), stream(owner), previous(owner.rdbuf(this)) {}
    ~ConsoleBuffer() override {
        write(pending.size()); // a character cut off at the very end included
        stream.rdbuf(previous);
    }
    ConsoleBuffer(const ConsoleBuffer&) = delete;
    ConsoleBuffer& operator=(const ConsoleBuffer&) = delete;

  protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        pending += traits_type::to_char_type(c);
        return pending.size() < flushAt || sync() == 0 ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* bytes, std::streamsize count) override {
        pending.append(bytes, static_cast<std::size_t>(count));
        return pending.size() < flushAt || sync() == 0 ? count : 0;
    }
    // Writes every whole character; the start of one cut off at the end waits for its rest.
    int sync() override { return write(pending.size() - cutOff()); }

  private:
    static constexpr std::size_t flushAt = 1 << 16;

    // Writes the first `whole` bytes pending: 0, or -1 when the console takes not all of them.
    int write(std::size_t whole) {
        if (whole == 0) return 0;
        const int bytes = static_cast<int>(whole);
        const int units = MultiByteToWideChar(CP_UTF8, 0, pending.data(), bytes, nullptr, 0);
        std::wstring text(static_cast<std::size_t>(units), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, pending.data(), bytes, text.data(), units);
        pending.erase(0, whole);
        DWORD written = 0;
        for (std::size_t at = 0; at < text.size(); at += written) {
            const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(text.size() - at, 8192));
            if (!WriteConsoleW(console, text.data() + at, piece, &written, nullptr) ||
                written == 0) {
                return -1;
            }
        }
        return 0;
    }

    // How many bytes at the end begin a character whose remaining bytes have not come yet.
    std::size_t cutOff() const {
        const std::size_t size = pending.size();
        for (std::size_t back = 1; back <= std::min<std::size_t>(size, 3); ++back) {
            const auto byte = static_cast<unsigned char>(pending[size - back]);
            if ((byte & 0xC0) == 0x80) continue; // a continuation byte: look further back
            const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            return length > back ? back : 0;
        }
        return 0;
    }

    HANDLE console;
    std::ostream& stream;
    std::streambuf* previous;
    std::string pending;
};

// Standard output and error that are console windows get a ConsoleBuffer each, which lives as
// long as the program: the streams are flushed for the last time after main returns.
void writeConsolesInUtf16() {
    struct Consoles {
        std::unique_ptr<ConsoleBuffer> output, errors;
    };
    static Consoles consoles;
    DWORD mode = 0;
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (GetFileType(output) == FILE_TYPE_CHAR && GetConsoleMode(output, &mode)) {
        consoles.output = std::make_unique<ConsoleBuffer>(output, std::cout);
    }
    const HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
    if (GetFileType(errors) == FILE_TYPE_CHAR && GetConsoleMode(errors, &mode)) {
        consoles.errors = std::make_unique<ConsoleBuffer>(errors, std::cerr);
    }
}

// Windows shells pass "*" and "?" on to the program, which expands them itself. No file name
// can hold either, so an argument with one in its last component names the files it matches,
// in the order of their names; one that matches nothing stays as it is, to be reported. The
// classic form's "/?" asks for its usage line and is no pattern.
void expandWildcards(const std::wstring& argument, std::vector<std::string>& arguments) {
    const auto folderEnd = argument.find_last_of(L"\\/:");
    const std::size_t nameStart = folderEnd == std::wstring::npos ? 0 : folderEnd + 1;
    if (argument == L"/?" || argument.find_first_of(L"*?", nameStart) == std::wstring::npos) {
        arguments.push_back(toUtf8(argument.c_str()));
        return;
    }
    std::vector<std::string> matches;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileExW(argument.c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            matches.push_back(toUtf8((argument.substr(0, nameStart) + name).c_str()));
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    if (matches.empty()) matches.push_back(toUtf8(argument.c_str()));
    std::sort(matches.begin(), matches.end());
    arguments.insert(arguments.end(), matches.begin(), matches.end());
}

} // namespace

// The narrow arguments are in the ANSI code page, which cannot name every file: the command
// line is taken again as UTF-16 and split by the same rules.
std::vector<std::string> startProcess(int argc, char** argv) {
    writeStandardStreamsAsBytes();
    writeConsolesInUtf16();
    int count = 0;
    LPWSTR* const wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return {argv, argv + argc};
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        if (i == 0) {
            arguments.push_back(toUtf8(wide[i]));
        } else {
            expandWildcards(wide[i], arguments);
        }
    }
    LocalFree(wide);
    return arguments;
}

} // namespace platform
