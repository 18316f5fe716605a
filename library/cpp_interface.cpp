// The C++ interface: the public types over the conversion the program runs.
#include "frontend/conversion.h"
#include "frontend/version.h"
#include "reader/source_reader.h"
#include "vqz2xml/vqz2xml.hpp"

#include <new>
#include <ostream>
#include <streambuf>
#include <utility>

namespace {

// Appends what is written to a string, so the XML lands in the result without the extra copy a
// string stream makes when it hands its text over.
class StringSink : public std::streambuf {
  public:
    explicit StringSink(std::string& target) : text(target) {}

  protected:
    std::streamsize xsputn(const char* bytes, std::streamsize count) override {
        text.append(bytes, static_cast<std::size_t>(count));
        return count;
    }
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        text.push_back(traits_type::to_char_type(c));
        return c;
    }

  private:
    std::string& text;
};

::Encoding internalEncoding(vqz2xml::Encoding encoding) {
    switch (encoding) {
    case vqz2xml::Encoding::Cp1252: return ::Encoding::Cp1252;
    case vqz2xml::Encoding::Utf8: return ::Encoding::Utf8;
    case vqz2xml::Encoding::Latin1: break;
    }
    return ::Encoding::Latin1;
}

vqz2xml::Diagnostic publicDiagnostic(::Diagnostic&& diagnostic) {
    return {diagnostic.line, diagnostic.column, std::move(diagnostic.expected),
            std::move(diagnostic.found)};
}

} // namespace

namespace vqz2xml {

Outcome convert(std::string_view input, std::ostream& output, const Options& options) {
    ConversionOptions conversionOptions;
    conversionOptions.encoding = internalEncoding(options.encoding);
    SourceReader reader(input);
    ::Outcome outcome = convertReader(reader, output, conversionOptions);
    Outcome result;
    result.complete = outcome.complete;
    if (outcome.diagnostic) result.diagnostic = publicDiagnostic(std::move(*outcome.diagnostic));
    return result;
}

Result convert(std::string_view input, const Options& options) {
    Result result;
    StringSink sink(result.xml);
    std::ostream stream(&sink);
    Outcome outcome = convert(input, stream, options);
    // The stream swallows what the sink throws and goes bad: only memory can have run out.
    if (stream.bad()) throw std::bad_alloc();
    result.complete = outcome.complete;
    result.diagnostic = std::move(outcome.diagnostic);
    return result;
}

std::string diagnosticLine(std::string_view fileName, const Diagnostic& diagnostic) {
    return ::diagnosticLine(fileName, ::Diagnostic{diagnostic.line, diagnostic.column,
                                                   diagnostic.expected, diagnostic.found});
}

std::string_view version() { return programVersion(); }

} // namespace vqz2xml
