// Converting classic input into XML: the options, the outcome and where a faulty input went wrong.
#pragma once

#include "chain/xml_output.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

class SourceReader;

struct ConversionOptions {
    Encoding encoding = Encoding::Latin1;
    // Writes a big input's XML on a second thread while the parse pass goes on. Worth it when
    // nothing else keeps the processors busy; the bytes are the same either way.
    bool writeInBackground = false;
};

// Where a faulty input went wrong, as the one-line diagnostic tells it: the first byte that is
// not white space from where the error report's found text begins (or the end of the input),
// the report's expected text, and its found text without leading white space, cut at its first
// line end.
struct Diagnostic {
    std::size_t line = 0;
    std::size_t column = 0;
    std::string expected;
    std::string found;
};

struct Conversion {
    bool complete = false; // false when the output ends with an error report
    std::string xml;
    std::optional<Diagnostic> diagnostic; // present exactly when the output is not complete
};

// Converts classic input bytes in memory, exactly as the program converts a file. Throws
// std::bad_alloc when memory runs out.
Conversion convertText(std::string_view input, const ConversionOptions& options = {});

struct Outcome {
    bool complete = false;
    std::optional<Diagnostic> diagnostic;
    bool written = false; // every byte reached the sink
};

// The parse pass and the write pass over an open reader, the XML going to `sink`. `parsed` is
// told the outcome once parsing has ended, before the last of the XML is written.
Outcome convertReader(SourceReader& reader, std::ostream& sink, const ConversionOptions& options,
                      const std::function<void(const Outcome&)>& parsed = {});

// "FILE:LINE:COLUMN: error: expected EXPECTED, found "FOUND"", the found text with quotes and
// backslashes escaped and bytes outside the printable ASCII as \xNN; "found end of input" when
// nothing was found.
std::string diagnosticLine(std::string_view fileName, const Diagnostic& diagnostic);
