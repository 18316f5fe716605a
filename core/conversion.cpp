// Converting classic input held in memory into XML: the two passes, the outcome, and where a
// faulty input went wrong.
#include "core/conversion.h"

#include "chain/character_sets.h"
#include "chain/notes.h"
#include "chain/xml_output.h"
#include "core/background_writer.h"
#include "core/element_chain.h"
#include "reader/source_reader.h"
#include "survey/survey_builder.h"

#include <new>
#include <optional>
#include <streambuf>
#include <system_error>

namespace {

// Below this the second thread costs more than it saves.
constexpr std::size_t smallestBackgroundInput = std::size_t{1} << 20;

// Statements parsed before the finished part of the chain goes to a background writer: enough
// that handing over costs little, few enough that a batch stays in the processor's caches.
constexpr std::size_t backgroundBatch = 2048;

vqz2xml::Diagnostic locate(const SourceReader& reader, const ErrorReport& report) {
    const auto at = reader.nextNonBlank(report.offset);
    const auto place = reader.lineColumn(at);
    std::string_view found = report.found.value_or(std::string_view());
    std::size_t first = 0;
    while (first < found.size() && isWhitespace(found[first])) ++first;
    found.remove_prefix(first);
    found = found.substr(0, found.find_first_of("\r\n"));
    return {place.line, place.column, std::string(report.expected), std::string(found)};
}

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

// The parse pass over `input` and a pass that writes or describes the chain, `upTo` the element
// given and then `all` of the rest. Only one variable (or the head, survey and record before the
// first) is held at any time; a big input's finished front goes in batches to a second thread
// (when one is to be had) that runs the pass on `out` while the parse goes on.
template <class Output, class UpTo, class All>
vqz2xml::Outcome runPasses(std::string_view input, Output& out, const ConversionSettings& settings,
                           UpTo upTo, All all) {
    SourceReader reader(input);
    // Made before the chain and destroyed after it, for it holds the elements parsed meanwhile.
    std::optional<BackgroundWriter> background;
    if (settings.writeInBackground && input.size() >= smallestBackgroundInput) {
        try {
            background.emplace(out);
        } catch (const std::system_error&) {
            // no thread to be had: the pass runs along the parse pass as usual
        }
    }
    ElementChain chain;
    ErrorReport error;
    vqz2xml::Outcome outcome;
    std::size_t sinceHanded = 0;
    const auto frontFinished = [&](Element& current, std::size_t statements) {
        if (!background) {
            upTo(chain, current);
        } else if ((sinceHanded += statements) >= backgroundBatch) {
            background->hand(chain.cutUpTo(current));
            sinceHanded = 0;
        }
    };
    const ParseProgress progress{settings.progress, settings.progressStep};
    outcome.complete =
        chain.parseAll(reader, &error, frontFinished, settings.progress ? &progress : nullptr);
    if (background) background->finish();
    if (!outcome.complete) outcome.diagnostic = locate(reader, error);
    if (settings.parsed) settings.parsed(outcome);
    all(chain);
    return outcome;
}

} // namespace

vqz2xml::Outcome convertInput(std::string_view input, std::ostream& sink,
                              const vqz2xml::Options& options, const ConversionSettings& settings) {
    XmlOutput out(sink);
    out.encoding = vqz2xml::chooseEncoding(input, options.encoding);
    vqz2xml::Outcome outcome = runPasses(
        input, out, settings, [&](ElementChain& chain, Element& end) { chain.writeUpTo(end, out); },
        [&](ElementChain& chain) { chain.writeAll(out); });
    out.flush();
    return outcome;
}

vqz2xml::SurveyResult describeInput(std::string_view input, const vqz2xml::Options& options,
                                    SurveySink* sink, const ConversionSettings& settings) {
    vqz2xml::SurveyResult result;
    result.encoding = vqz2xml::chooseEncoding(input, options.encoding);
    SurveyBuilder model(result.encoding, sink);
    vqz2xml::Outcome outcome = runPasses(
        input, model, settings,
        [&](ElementChain& chain, Element& end) { chain.describeUpTo(end, model); },
        [&](ElementChain& chain) { chain.describeAll(model); });
    model.finish();
    result.complete = outcome.complete;
    result.diagnostic = std::move(outcome.diagnostic);
    result.survey = std::move(model.survey());
    return result;
}

namespace vqz2xml {

SurveyResult readSurvey(std::string_view input, const Options& options) {
    return describeInput(input, options, nullptr);
}

Outcome convert(std::string_view input, std::ostream& output, const Options& options) {
    return convertInput(input, output, options);
}

Result convert(std::string_view input, const Options& options) {
    Result result;
    StringSink sink(result.xml);
    std::ostream stream(&sink);
    Outcome outcome = convertInput(input, stream, options);
    // The stream swallows what the sink throws and goes bad: only memory can have run out.
    if (stream.bad()) throw std::bad_alloc();
    result.complete = outcome.complete;
    result.diagnostic = std::move(outcome.diagnostic);
    return result;
}

std::string diagnosticLine(std::string_view fileName, const Diagnostic& diagnostic) {
    std::string line(fileName);
    line += ':' + std::to_string(diagnostic.line) + ':' + std::to_string(diagnostic.column) +
            ": error: expected " + diagnostic.expected + ", found ";
    if (diagnostic.found.empty()) return line + "end of input";
    return line + quotedFound(diagnostic.found);
}

std::string quotedFound(std::string_view found) {
    std::string quoted = "\"";
    for (const char c : found) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (b < 0x20 || b > 0x7e) {
            quoted += "\\x";
            quoted += hexDigits[b >> 4];
            quoted += hexDigits[b & 15];
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

} // namespace vqz2xml
