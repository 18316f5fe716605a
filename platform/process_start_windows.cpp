// What the program starts with: its arguments in UTF-8 and standard streams ready for bytes.
#include "platform/process_start.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
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
