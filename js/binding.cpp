// The WebAssembly module's exports: a buffer for the input, one conversion, and its result laid out for JavaScript to read.
#include "vqz2xml/vqz2xml.hpp"

#include <emscripten/emscripten.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <ostream>
#include <streambuf>

namespace {

// The XML as it is written, in one block of memory that grows in place where it can: a
// document is copied out to JavaScript once, so it should not be copied here on its way too.
// The block comes from malloc and realloc, which can extend it without moving it.
class OutputBuffer : public std::streambuf {
  public:
    explicit OutputBuffer(std::size_t expected) { grow(expected); }
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;
    ~OutputBuffer() override { std::free(bytes); }

    const char* data() const { return bytes; }
    std::size_t size() const { return used; }

  protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        const auto length = static_cast<std::size_t>(count);
        if (capacity - used < length && !grow(used + length)) return 0; // the stream goes bad
        std::memcpy(bytes + used, text, length);
        used += length;
        return count;
    }

    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char byte = traits_type::to_char_type(c);
        return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
    }

  private:
    bool grow(std::size_t needed) {
        std::size_t wanted = capacity + capacity / 2;
        if (wanted < needed) wanted = needed;
        char* const moved = static_cast<char*>(std::realloc(bytes, wanted > 0 ? wanted : 1));
        if (moved == nullptr) return false;
        bytes = moved;
        capacity = wanted;
        return true;
    }

    char* bytes = nullptr;
    std::size_t used = 0;
    std::size_t capacity = 0;
};

// The XML of a document runs to about twice its input; reserving that up front saves the
// copies of growing step by step.
std::size_t expectedXmlSize(std::size_t inputSize) { return 2 * inputSize + 4096; }

// What JavaScript reads of a conversion, as consecutive 32-bit words: addresses into the
// module's memory and sizes in bytes, valid until vqzFreeResult.
struct ResultView {
    std::uint32_t status; // 0 complete, 1 faulty, 2 out of memory (the other words are then 0)
    std::uint32_t xml;
    std::uint32_t xmlSize;
    std::uint32_t line; // from here on 0 unless the input is faulty
    std::uint32_t column;
    std::uint32_t expected;
    std::uint32_t expectedSize;
    std::uint32_t found;
    std::uint32_t foundSize;
};
static_assert(sizeof(ResultView) == 9 * sizeof(std::uint32_t), "read as nine words");

struct Converted {
    explicit Converted(std::size_t inputSize) : xml(expectedXmlSize(inputSize)) {}

    OutputBuffer xml;
    std::optional<vqz2xml::Diagnostic> diagnostic;
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
    default: return vqz2xml::Encoding::Latin1;
    }
}

void fillView(Converted& converted, bool complete) {
    ResultView& view = converted.view;
    view.status = complete ? 0 : 1;
    view.xml = address(converted.xml.data());
    view.xmlSize = word(converted.xml.size());
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

// Converts `size` bytes at `input`, read as latin1 (0), cp1252 (1) or utf-8 (2). The input may be
// released as soon as this returns; the result lives until vqzFreeResult.
EMSCRIPTEN_KEEPALIVE Converted* vqzConvert(const char* input, std::size_t size, int encoding) {
    vqz2xml::Options options;
    options.encoding = encodingNumbered(encoding);
    auto converted = std::make_unique<Converted>(size);
    std::ostream stream(&converted->xml);
    vqz2xml::Outcome outcome = vqz2xml::convert({input, size}, stream, options);
    if (!stream) {
        converted->view.status = 2;
        return converted.release();
    }
    converted->diagnostic = std::move(outcome.diagnostic);
    fillView(*converted, outcome.complete);
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
