// The C interface: conversions into results the caller frees, with no exception let through.
#include "vqz2xml/survey.hpp"
#include "vqz2xml/vqz2xml.h"
#include "vqz2xml/vqz2xml.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <ostream>
#include <streambuf>
#include <string_view>
#include <utility>

namespace {

// The file name the one-line diagnostic gives, as the header promises.
constexpr std::string_view inputName = "<input>";

// Collects the XML in one block from malloc, grown in place by realloc where it can be, so the
// caller gets it without a copy. A failed growth fails the stream instead of throwing.
class MallocSink : public std::streambuf {
  public:
    MallocSink() = default;
    MallocSink(const MallocSink&) = delete;
    MallocSink& operator=(const MallocSink&) = delete;
    ~MallocSink() override { std::free(bytes); }

    // Hands the block over, zero-terminated, with its size before the terminator; nullptr
    // when memory ran out.
    char* release(std::size_t& size) {
        if (!reserve(0)) return nullptr;
        bytes[used] = '\0';
        // Giving back the unused end of the block is a courtesy; a refusal changes nothing.
        if (void* fitted = std::realloc(bytes, used + 1)) bytes = static_cast<char*>(fitted);
        size = used;
        return std::exchange(bytes, nullptr);
    }

  protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        const auto n = static_cast<std::size_t>(count);
        if (!reserve(n)) return 0;
        std::memcpy(bytes + used, text, n);
        used += n;
        return count;
    }
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char byte = traits_type::to_char_type(c);
        return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
    }

  private:
    // Room for `more` bytes and the terminator behind them.
    bool reserve(std::size_t more) {
        if (more > static_cast<std::size_t>(-1) - used - 1) return false;
        const std::size_t needed = used + more + 1;
        if (needed <= capacity) return true;
        const std::size_t grown =
            capacity > static_cast<std::size_t>(-1) / 2 ? needed : capacity * 2;
        const std::size_t size = std::max({needed, grown, std::size_t{4096}});
        void* moved = std::realloc(bytes, size);
        if (moved == nullptr) return false;
        bytes = static_cast<char*>(moved);
        capacity = size;
        return true;
    }

    char* bytes = nullptr;
    std::size_t used = 0;
    std::size_t capacity = 0;
};

// The encoding a C caller named; nothing for a value outside the enumeration, which C allows.
std::optional<vqz2xml::Encoding> encodingOf(vqz2xml_encoding encoding) {
    switch (static_cast<unsigned>(encoding)) {
    case VQZ2XML_LATIN1: return vqz2xml::Encoding::Latin1;
    case VQZ2XML_CP1252: return vqz2xml::Encoding::Cp1252;
    case VQZ2XML_UTF8: return vqz2xml::Encoding::Utf8;
    case VQZ2XML_AUTO: return vqz2xml::Encoding::Auto;
    default: return std::nullopt;
    }
}

char* copyOf(const std::string& text) {
    auto* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy != nullptr) std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

int convertInto(std::string_view input, const vqz2xml::Options& options, vqz2xml_result& result) {
    MallocSink sink;
    std::ostream stream(&sink);
    const vqz2xml::Outcome outcome = vqz2xml::convert(input, stream, options);
    if (stream.bad()) return VQZ2XML_OUT_OF_MEMORY;
    char* message = nullptr;
    if (outcome.diagnostic) {
        message = copyOf(vqz2xml::diagnosticLine(inputName, *outcome.diagnostic));
        if (message == nullptr) return VQZ2XML_OUT_OF_MEMORY;
    }
    std::size_t size = 0;
    char* xml = sink.release(size);
    if (xml == nullptr) {
        std::free(message);
        return VQZ2XML_OUT_OF_MEMORY;
    }
    result.complete = outcome.complete ? 1 : 0;
    result.xml = xml;
    result.xml_size = size;
    result.line = outcome.diagnostic ? outcome.diagnostic->line : 0;
    result.column = outcome.diagnostic ? outcome.diagnostic->column : 0;
    result.message = message;
    return VQZ2XML_OK;
}

} // namespace

extern "C" int vqz2xml_convert(const char* input, size_t size, vqz2xml_encoding encoding,
                               vqz2xml_result* result) {
    if (result == nullptr) return VQZ2XML_INVALID_ARGUMENT;
    *result = vqz2xml_result{};
    const auto chosen = encodingOf(encoding);
    if ((input == nullptr && size != 0) || !chosen) return VQZ2XML_INVALID_ARGUMENT;
    vqz2xml::Options options;
    options.encoding = *chosen;
    try {
        return convertInto(size == 0 ? std::string_view() : std::string_view(input, size), options,
                           *result);
    } catch (...) {
        // Memory is all a conversion can run out of: the parse pass is what throws.
        return VQZ2XML_OUT_OF_MEMORY;
    }
}

extern "C" void vqz2xml_result_free(vqz2xml_result* result) {
    if (result == nullptr) return;
    std::free(result->xml);
    std::free(result->message);
    *result = vqz2xml_result{};
}

extern "C" vqz2xml_encoding vqz2xml_choose_encoding(const char* input, size_t size,
                                                    vqz2xml_encoding requested) {
    if (requested != VQZ2XML_AUTO || (input == nullptr && size != 0)) return requested;
    switch (vqz2xml::chooseEncoding(std::string_view(size == 0 ? "" : input, size),
                                    vqz2xml::Encoding::Auto)) {
    case vqz2xml::Encoding::Cp1252: return VQZ2XML_CP1252;
    case vqz2xml::Encoding::Utf8: return VQZ2XML_UTF8;
    default: return VQZ2XML_LATIN1;
    }
}

extern "C" int vqz2xml_read_survey_json(const char* input, size_t size, vqz2xml_encoding encoding,
                                        char** json, size_t* json_size) {
    if (json == nullptr) return VQZ2XML_INVALID_ARGUMENT;
    *json = nullptr;
    if (json_size != nullptr) *json_size = 0;
    const auto chosen = encodingOf(encoding);
    if ((input == nullptr && size != 0) || !chosen) return VQZ2XML_INVALID_ARGUMENT;
    try {
        const std::string text = vqz2xml::toJson(vqz2xml::readSurvey(
            size == 0 ? std::string_view() : std::string_view(input, size), {*chosen}));
        *json = copyOf(text);
        if (*json == nullptr) return VQZ2XML_OUT_OF_MEMORY;
        if (json_size != nullptr) *json_size = text.size();
        return VQZ2XML_OK;
    } catch (...) {
        return VQZ2XML_OUT_OF_MEMORY;
    }
}

extern "C" void vqz2xml_json_free(char* json) { std::free(json); }

extern "C" const char* vqz2xml_version(void) {
    // The view is of a string literal, so a terminator follows it.
    return vqz2xml::version().data();
}
