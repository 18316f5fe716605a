// The WebAssembly module's exports: room for the input, a conversion, its XML handed out as made, a
// survey read as JSON.
#include "vqz2xml/survey.hpp"
#include "vqz2xml/vqz2xml.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <emscripten/emscripten.h>
#include <memory>
#include <optional>
#include <ostream>
#include <streambuf>

namespace {

// Hands each block of XML to JavaScript as it is written (the core writes blocks of
// 64 KB), so that the document is copied once, straight into the memory that JavaScript keeps,
// and never piles up in the module's own memory.
EM_JS(int, vqzTakeOutput, (const char* bytes, std::size_t count),
      { return Module["vqzTakeOutput"](bytes, count); });

class OutputToJavaScript : public std::streambuf {
  protected:
    std::streamsize xsputn(const char* bytes, std::streamsize count) override {
        // JavaScript answers 0 when it has no memory left for the block: the stream goes bad.
        return vqzTakeOutput(bytes, static_cast<std::size_t>(count)) != 0 ? count : 0;
    }

    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char byte = traits_type::to_char_type(c);
        return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
    }
};

// What JavaScript reads of a conversion, as consecutive 32-bit words: addresses into the
// module's memory and sizes in bytes, valid until vqzFreeResult.
struct ResultView {
    std::uint32_t status; // 0 complete, 1 faulty, 2 out of memory for the XML
    std::uint32_t line;   // from here on 0 unless the input is faulty
    std::uint32_t column;
    std::uint32_t expected;
    std::uint32_t expectedSize;
    std::uint32_t found;
    std::uint32_t foundSize;
    std::uint32_t encoding; // the one the input was read in: 0 latin1, 1 cp1252, 2 utf-8
    std::uint32_t json;     // a survey read: its JSON text (UTF-8), else 0
    std::uint32_t jsonSize;
};
static_assert(sizeof(ResultView) == 10 * sizeof(std::uint32_t), "read as ten words");

struct Converted {
    std::optional<vqz2xml::Diagnostic> diagnostic;
    std::string json;
    ResultView view{};
};

std::uint32_t address(const void* bytes) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(bytes));
}

std::uint32_t word(std::size_t size) { return static_cast<std::uint32_t>(size); }

vqz2xml::Encoding encodingNumbered(int encoding) {
    switch (encoding) {
    case 1: return vqz2xml::Encoding::Cp1252;
    case 2: return vqz2xml::Encoding::Utf8;
    case 3: return vqz2xml::Encoding::Auto;
    default: return vqz2xml::Encoding::Latin1;
    }
}

std::uint32_t encodingNumber(vqz2xml::Encoding encoding) {
    switch (encoding) {
    case vqz2xml::Encoding::Cp1252: return 1;
    case vqz2xml::Encoding::Utf8: return 2;
    case vqz2xml::Encoding::Latin1:
    case vqz2xml::Encoding::Auto: break; // a result never says Auto
    }
    return 0;
}

void fillView(Converted& converted, bool complete, vqz2xml::Encoding encoding) {
    ResultView& view = converted.view;
    view.status = complete ? 0 : 1;
    view.encoding = encodingNumber(encoding);
    if (!converted.diagnostic) return;
    const vqz2xml::Diagnostic& diagnostic = *converted.diagnostic;
    view.line = word(diagnostic.line);
    view.column = word(diagnostic.column);
    view.expected = address(diagnostic.expected.data());
    view.expectedSize = word(diagnostic.expected.size());
    view.found = address(diagnostic.found.data());
    view.foundSize = word(diagnostic.found.size());
}

} // namespace

extern "C" {

// Room for `size` input bytes (at least one), or null when memory cannot grow that far.
EMSCRIPTEN_KEEPALIVE char* vqzAllocate(std::size_t size) {
    return static_cast<char*>(std::malloc(size > 0 ? size : 1));
}

EMSCRIPTEN_KEEPALIVE void vqzRelease(char* bytes) { std::free(bytes); }

// Converts `size` bytes at `input`, read as latin1 (0), cp1252 (1), utf-8 (2) or the one of
// them that the bytes suggest (3). The input may be released as soon as this returns; the XML
// has gone to Module.vqzTakeOutput block by block, and the rest of the result lives until
// vqzFreeResult.
EMSCRIPTEN_KEEPALIVE Converted* vqzConvert(const char* input, std::size_t size, int encoding) {
    vqz2xml::Options options;
    options.encoding = encodingNumbered(encoding);
    auto converted = std::make_unique<Converted>();
    OutputToJavaScript output;
    std::ostream stream(&output);
    vqz2xml::Outcome outcome = vqz2xml::convert({input, size}, stream, options);
    if (!stream) {
        converted->view.status = 2;
        return converted.release();
    }
    converted->diagnostic = std::move(outcome.diagnostic);
    fillView(*converted, outcome.complete,
             vqz2xml::chooseEncoding({input, size}, options.encoding));
    return converted.release();
}

// Reads the survey of `size` bytes at `input`, encodings numbered as for vqzConvert: the
// diagnostic in the view, the survey as JSON text beside it, until vqzFreeResult.
EMSCRIPTEN_KEEPALIVE Converted* vqzReadSurvey(const char* input, std::size_t size, int encoding) {
    vqz2xml::Options options;
    options.encoding = encodingNumbered(encoding);
    auto converted = std::make_unique<Converted>();
    vqz2xml::SurveyResult result = vqz2xml::readSurvey({input, size}, options);
    converted->json = vqz2xml::toJson(result);
    converted->diagnostic = std::move(result.diagnostic);
    fillView(*converted, result.complete, result.encoding);
    converted->view.json = address(converted->json.data());
    converted->view.jsonSize = word(converted->json.size());
    return converted.release();
}

EMSCRIPTEN_KEEPALIVE const ResultView* vqzView(const Converted* converted) {
    return &converted->view;
}

EMSCRIPTEN_KEEPALIVE void vqzFreeResult(Converted* converted) {
    const std::unique_ptr<Converted> owner(converted);
}

// The library's version as a zero-terminated text, such as "1.1.0".
EMSCRIPTEN_KEEPALIVE const char* vqzVersion() {
    static const std::string text(vqz2xml::version());
    return text.c_str();
}
}
