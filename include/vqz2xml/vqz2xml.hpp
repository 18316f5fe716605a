// The C++ interface of the converter from classic Quorbel input (.vqz) into Quorbel XML 1.1.
#pragma once

#include "vqz2xml/export.h"

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#if defined(__GNUC__) && !defined(_WIN32)
#pragma GCC visibility push(default)
#endif

namespace vqz2xml {

// How input bytes 0x80 to 0xFF are read: one Latin-1 character each, Windows-1252 characters,
// or UTF-8 sequences; Auto chooses one of the three from the input's bytes (see chooseEncoding).
enum class Encoding { Latin1, Cp1252, Utf8, Auto };

struct Options {
    Encoding encoding = Encoding::Latin1;
};

// Where a faulty input went wrong. `line` and `column` (both from 1, the column in bytes) are
// those of the first byte that is not white space where the found text begins, or of the end of
// the input; `expected` is the error report's expected text; `found` is the input found there,
// as typed, without leading white space and cut at its first line end (empty at the end of the
// input).
struct Diagnostic {
    std::size_t line = 0;
    std::size_t column = 0;
    std::string expected;
    std::string found;
};

struct Result {
    bool complete = false; // false when the XML ends with the error report of a faulty input
    std::string xml;       // the same bytes the program writes into its output file
    std::optional<Diagnostic> diagnostic; // present exactly when `complete` is false
};

// Converts a whole classic input held in memory. Throws std::bad_alloc when memory runs out.
VQZ2XML_API Result convert(std::string_view input, const Options& options = {});

// A conversion whose XML went to a stream: `Result` without the XML.
struct Outcome {
    bool complete = false;
    std::optional<Diagnostic> diagnostic;
};

// Converts a whole classic input held in memory (a memory map of a large file will do) and
// writes the XML to `output` as it is made, instead of collecting it in one string. Whether the
// stream took every byte is told by the stream's own state: check `output` afterwards. Throws
// std::bad_alloc when memory runs out, and whatever `output` throws if its exceptions are on.
VQZ2XML_API Outcome convert(std::string_view input, std::ostream& output,
                            const Options& options = {});

// The diagnostic in one line, as the command line reports it:
// `FILE:LINE:COLUMN: error: expected EXPECTED, found "FOUND"` with quotes and backslashes of the
// found text escaped and bytes outside printable ASCII as \xNN, or `..., found end of input`.
VQZ2XML_API std::string diagnosticLine(std::string_view fileName, const Diagnostic& diagnostic);

// Found bytes as diagnostic lines show them: in double quotes, with quotes and backslashes
// escaped and bytes outside printable ASCII as \xNN.
VQZ2XML_API std::string quotedFound(std::string_view found);

// The encoding an input is read in when `requested` is given (which convert() does not return,
// so that its results keep the layout programs built against earlier versions know): `requested`
// itself, or for Auto
// UTF-8 when the input starts with a byte-order mark or is valid UTF-8 holding a character of
// several bytes, else Windows-1252 when a byte lies in 0x80-0x9F, else Latin-1.
VQZ2XML_API Encoding chooseEncoding(std::string_view input, Encoding requested);

// "latin1", "cp1252", "utf-8" or "auto".
VQZ2XML_API std::string_view encodingName(Encoding encoding);

// The encoding a name stands for, in any letter case and with "_" for "-": "latin1" ("latin-1",
// "iso-8859-1", "iso8859-1"), "cp1252" ("windows-1252"), "utf-8" ("utf8") or "auto"; none for
// any other name.
VQZ2XML_API std::optional<Encoding> encodingNamed(std::string_view name);

// The version of the library, such as "1.1.0".
VQZ2XML_API std::string_view version();

} // namespace vqz2xml

#if defined(__GNUC__) && !defined(_WIN32)
#pragma GCC visibility pop
#endif
