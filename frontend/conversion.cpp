// Converting classic input into XML: the options, the outcome and where a faulty input went wrong.
#include "frontend/conversion.h"

#include "chain/background_writer.h"
#include "chain/element.h"
#include "chain/notes.h"
#include "grammar/document_head.h"
#include "reader/source_reader.h"

#include <new>
#include <optional>
#include <sstream>
#include <system_error>

namespace {

// Below this the second thread costs more than it saves.
constexpr std::size_t smallestBackgroundInput = std::size_t{1} << 20;

Diagnostic locate(SourceReader& reader, const ErrorReport& report) {
    const auto at = reader.nextNonBlank(report.offset);
    const auto place = reader.lineColumn(at);
    std::string_view found = report.found.value_or(std::string_view());
    std::size_t first = 0;
    while (first < found.size() && isWhitespace(found[first])) ++first;
    found.remove_prefix(first);
    found = found.substr(0, found.find_first_of("\r\n"));
    return {place.line, place.column, std::string(report.expected), std::string(found)};
}

} // namespace

Outcome convertReader(SourceReader& reader, std::ostream& sink, const ConversionOptions& options,
                      const std::function<void(const Outcome&)>& parsed) {
    Outcome outcome;
    XmlOutput out(sink);
    out.encoding = options.encoding;
    std::optional<BackgroundWriter> background;
    if (options.writeInBackground && reader.size() >= smallestBackgroundInput) {
        try {
            background.emplace(out);
        } catch (const std::system_error&) {
            // no thread to be had: the write pass runs along the parse pass as usual
        }
    }
    Element head;
    ErrorReport error;
    outcome.complete =
        head.parseAll(reader, parseOpeningKeyword, &out, &error, background ? &*background : nullptr);
    if (background) background->finish();
    if (!outcome.complete) outcome.diagnostic = locate(reader, error);
    if (parsed) parsed(outcome);
    head.writeAll(out);
    outcome.written = out.flush();
    return outcome;
}

Conversion convertText(std::string_view input, const ConversionOptions& options) {
    SourceReader reader(input);
    std::ostringstream sink;
    Outcome outcome = convertReader(reader, sink, options);
    // A string stream fails only when it cannot grow: the XML would be cut short.
    if (!outcome.written) throw std::bad_alloc();
    return {outcome.complete, std::move(sink).str(), std::move(outcome.diagnostic)};
}

std::string diagnosticLine(std::string_view fileName, const Diagnostic& diagnostic) {
    std::string line(fileName);
    line += ':' + std::to_string(diagnostic.line) + ':' + std::to_string(diagnostic.column) +
            ": error: expected " + diagnostic.expected + ", found ";
    if (diagnostic.found.empty()) return line + "end of input";
    static constexpr char hexDigits[] = "0123456789abcdef";
    line += '"';
    for (const char c : diagnostic.found) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            line += '\\';
            line += c;
        } else if (b < 0x20 || b > 0x7e) {
            line += "\\x";
            line += hexDigits[b >> 4];
            line += hexDigits[b & 15];
        } else {
            line += c;
        }
    }
    return line + '"';
}
