// The survey model as JSON.
#include "library/survey_json.h"

#include "core/conversion.h"
#include "platform/compiler.h"
#include "chain/character_sets.h"
#include "chain/text_escape.h"
#include "survey/survey_builder.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>

namespace {

using nlohmann::ordered_json;

constexpr std::size_t drainAt = std::size_t{1} << 16;

constexpr std::uint64_t ones = 0x0101010101010101u;
constexpr std::uint64_t highs = 0x8080808080808080u;

// Whether a word of ASCII bytes holds one that nlohmann's serializer escapes: a control
// character, a quote or a backslash.
bool needsEscape(std::uint64_t word) {
    const auto zeroIn = [](std::uint64_t x) { return (x - ones) & ~x & highs; };
    return (((word - 0x20 * ones) & ~word & highs) | zeroIn(word ^ ('"' * ones)) |
            zeroIn(word ^ ('\\' * ones))) != 0;
}

// The length of the two- or three-byte UTF-8 sequence at `at` (no overlong form, no surrogate);
// 0 for anything else, a four-byte sequence included, which the serializer is left to judge.
std::size_t shortSequence(const unsigned char* at, std::size_t left) {
    const auto continues = [&](std::size_t i) { return i < left && (at[i] & 0xC0) == 0x80; };
    if (at[0] >= 0xC2 && at[0] <= 0xDF) return continues(1) ? 2 : 0;
    if (at[0] < 0xE0 || at[0] > 0xEF || !continues(1) || !continues(2)) return 0;
    if (at[0] == 0xE0 && at[1] < 0xA0) return 0;
    if (at[0] == 0xED && at[1] >= 0xA0) return 0;
    return 3;
}

bool plainWord(std::uint64_t word) { return (word & highs) == 0 && !needsEscape(word); }

#if defined(VQZ2XML_SSE2)
// Whether the 16 bytes at `at` are printable ASCII other than a quote and a backslash; a signed
// comparison finds the bytes from 0x80 up along with the control characters.
bool plainChunk(const unsigned char* at, __m128i& chunk) {
    chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i special = _mm_or_si128(
        _mm_cmplt_epi8(chunk, _mm_set1_epi8(0x20)),
        _mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('"')),
                     _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\\'))));
    return _mm_movemask_epi8(special) == 0;
}
#endif

// How far a copy got: the bytes of the text read, and those written for them.
struct Copied {
    std::size_t read;
    std::size_t written;
};

// copyPlain for any text, from `at` on: ASCII a word (or 16 bytes) at a time, the rest a sequence
// at a time.
Copied copyAnyPlain(const unsigned char* bytes, std::size_t size, std::size_t at, char* to) {
    while (at < size) {
#if defined(VQZ2XML_SSE2)
        for (__m128i chunk; size - at >= 16 && plainChunk(bytes + at, chunk); at += 16)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + at), chunk);
#endif
        for (; size - at >= 8; at += 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes + at, 8);
            if (!plainWord(word)) break;
            std::memcpy(to + at, &word, 8);
        }
        if (at == size) break;
        const unsigned char b = bytes[at];
        if (b < 0x80) {
            if (b < 0x20 || b == '"' || b == '\\') break;
            to[at++] = static_cast<char>(b);
        } else if (const std::size_t length = shortSequence(bytes + at, size - at)) {
            std::memcpy(to + at, bytes + at, length);
            at += length;
        } else {
            break;
        }
    }
    return {at, at};
}

// Copies the text to `to` as far as nlohmann's serializer would write it as it stands: valid
// UTF-8 without a character that it escapes (a quote, a backslash, a control character). It stops
// at a character boundary, where the serializer can take over. The model's texts are UTF-8 by
// their making, so only the rest of those with such a character goes through the serializer.
Copied copyPlain(std::string_view text, char* to) {
    const auto* const bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    // Most texts are short and ASCII: two words that may overlap, or 16-byte chunks and a last
    // one that may overlap, settle them whole.
    if (size >= 8 && size <= 16) {
        std::uint64_t first;
        std::uint64_t last;
        std::memcpy(&first, bytes, 8);
        std::memcpy(&last, bytes + size - 8, 8);
        if (plainWord(first) && plainWord(last)) {
            std::memcpy(to, &first, 8);
            std::memcpy(to + size - 8, &last, 8);
            return {size, size};
        }
    }
    std::size_t at = 0;
#if defined(VQZ2XML_SSE2)
    if (size > 16) {
        __m128i chunk;
        for (; size - at >= 16 && plainChunk(bytes + at, chunk); at += 16)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + at), chunk);
        if (at == size) return {size, size};
        if (size - at < 16 && plainChunk(bytes + size - 16, chunk)) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + size - 16), chunk);
            return {size, size};
        }
    }
#endif
    return copyAnyPlain(bytes, size, at, to);
}

// Writes a text of the internal form, read in `encoding`, to `to` as UTF-8 (up to three bytes for
// each byte of it), the UTF-8 that appendUtf8 makes, as far as nlohmann's serializer would write
// it unchanged. It stops in front of what the serializer escapes (a quote, a backslash, a control
// character, or a line break or the character 0 given by a mark).
Copied copyPlainUtf8(std::string_view text, vqz2xml::Encoding encoding, char* to) {
    const auto* const bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t at = 0;
    std::size_t out = 0;
    // A Latin-1 character from 0x80 up: two bytes of UTF-8, made here, the rest by encodeUtf8.
    const auto latin1 = [&](unsigned char c) {
        to[out] = static_cast<char>(0xC0 | c >> 6);
        to[out + 1] = static_cast<char>(0x80 | (c & 0x3F));
        out += 2;
    };
    const auto character = [&](char32_t c) {
        char sequence[4];
        const std::size_t length = encodeUtf8(c, sequence);
        std::memcpy(to + out, sequence, length);
        out += length;
    };
    while (at < size) {
#if defined(VQZ2XML_SSE2)
        for (__m128i chunk; size - at >= 16 && plainChunk(bytes + at, chunk); at += 16, out += 16)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + out), chunk);
#endif
        for (; size - at >= 8; at += 8, out += 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes + at, 8);
            if (!plainWord(word)) break;
            std::memcpy(to + out, &word, 8);
        }
        if (at == size) break;
        const unsigned char b = bytes[at];
        if (b >= 0x20 && b < 0x80 && b != '"' && b != '\\') {
            to[out++] = static_cast<char>(b);
            ++at;
        } else if (b == static_cast<unsigned char>(textMark)) {
            // A Latin-1 character given by its code; a line break or the character 0 is escaped.
            const unsigned char kind = at + 1 < size ? bytes[at + 1] : 0;
            if (kind < 0x80) break;
            latin1(kind);
            at += 2;
        } else if (b < 0x80) {
            break;
        } else if (encoding == vqz2xml::Encoding::Cp1252) {
            character(windows1252Character(b));
            ++at;
        } else if (char32_t c = b; encoding == vqz2xml::Encoding::Utf8 &&
                                   utf8SequenceAt(text, at, c) != 0) {
            const std::size_t length = utf8SequenceAt(text, at, c);
            std::memcpy(to + out, bytes + at, length);
            out += length;
            at += length;
        } else {
            latin1(b);
            ++at;
        }
    }
    return {at, out};
}

// A literal's bytes at `at`, without its terminating zero; behind them.
template <std::size_t N> char* put(char* at, const char (&literal)[N]) {
    std::memcpy(at, literal, N - 1);
    return at + N - 1;
}

// A whole number is written as one ("7", not "7.0"); a code too large for a double is null.
std::optional<std::int64_t> wholeNumber(double number) {
    if (std::trunc(number) == number && std::fabs(number) < 9007199254740992.0)
        return static_cast<std::int64_t>(number);
    return std::nullopt;
}

ordered_json headJson(const vqz2xml::Survey& survey) {
    const auto orNull = [](const std::optional<std::string>& value) {
        return value ? ordered_json(*value) : ordered_json(nullptr);
    };
    ordered_json head = ordered_json::object();
    head["version"] = survey.version.empty() ? ordered_json(nullptr) : ordered_json(survey.version);
    head["standard_names"] = survey.standardNames;
    head["date"] = orNull(survey.date);
    head["time"] = orNull(survey.time);
    head["origin"] = orNull(survey.origin);
    head["user"] = orNull(survey.user);
    head["title"] = orNull(survey.title);
    head["record"] = orNull(survey.record);
    return head;
}

// The fields behind the notes.
ordered_json outcomeJson(const vqz2xml::SurveyResult& result) {
    ordered_json outcome = ordered_json::object();
    outcome["complete"] = result.complete;
    outcome["encoding"] = vqz2xml::encodingName(result.encoding);
    outcome["diagnostic"] = nullptr;
    if (result.diagnostic) {
        std::string found;
        appendTypedUtf8(found, result.diagnostic->found, result.encoding);
        ordered_json& diagnostic = outcome["diagnostic"];
        diagnostic["line"] = result.diagnostic->line;
        diagnostic["column"] = result.diagnostic->column;
        diagnostic["expected"] = result.diagnostic->expected;
        diagnostic["found"] = std::move(found);
    }
    return outcome;
}

} // namespace

// The document as it is made, in one block of memory that the writer drains into its stream;
// values that need nlohmann's serializer are dumped into the same block.
class SurveyJsonWriter::Block {
  public:
    Block() : serializer(std::make_shared<Adapter>(*this), ' ', ordered_json::error_handler_t::replace) {
        bytes.resize(2 * drainAt);
    }

    std::string_view held() const { return {bytes.data(), used}; }
    void clear() { used = 0; }

    void raw(std::string_view text) {
        std::memcpy(room(text.size()), text.data(), text.size());
        used += text.size();
    }

    template <std::size_t N> void raw(const char (&literal)[N]) { commit(put(room(N - 1), literal)); }

    // Room for `size` bytes from the pointer returned, and the end of what was written there.
    char* reserve(std::size_t size) { return room(size); }
    void commit(const char* end) { used = static_cast<std::size_t>(end - bytes.data()); }

    void text(const std::string& value) { text(std::string_view(value)); }
    void text(std::string_view value) { commit(text(room(value.size() + 2), value, 0)); }

    // The text written at `at`, which has room for it and its quotes; behind it, room for `after`
    // bytes.
    char* text(char* at, std::string_view value, std::size_t after) {
        const Copied copied = copyPlain(value, at + 1);
        at[0] = '"';
        if (copied.read == value.size()) return put(at + 1 + copied.written, "\"");
        scratch.get_ref<std::string&>().assign(value.substr(copied.read));
        serializeRest(at, copied.written);
        return room(after);
    }

    // A text of the internal form, read in `encoding`, as UTF-8, written at `at`, which has room
    // for three bytes for each of its bytes and two more; behind it, room for `after` bytes.
    char* internalText(char* at, std::string_view value, vqz2xml::Encoding encoding,
                       std::size_t after) {
        const Copied copied = copyPlainUtf8(value, encoding, at + 1);
        at[0] = '"';
        if (copied.read == value.size()) return put(at + 1 + copied.written, "\"");
        std::string& rest = scratch.get_ref<std::string&>();
        rest.clear();
        appendUtf8(rest, value.substr(copied.read), encoding);
        serializeRest(at, copied.written);
        return room(after);
    }

    // A code's number written at `at`, which has room for 24 bytes; behind it, room for `after`.
    char* number(char* at, const std::optional<double>& value, std::size_t after) {
        if (!value || !std::isfinite(*value)) return put(at, "null");
        if (const auto whole = wholeNumber(*value)) return std::to_chars(at, at + 24, *whole).ptr;
        commit(at);
        dump(ordered_json(*value));
        return room(after);
    }

    void text(const std::optional<std::string>& value) {
        if (value) return text(std::string_view(*value));
        raw("null");
    }

    template <class Integer> void integer(Integer value) {
        char* at = room(24);
        used += static_cast<std::size_t>(std::to_chars(at, at + 24, value).ptr - at);
    }

    template <class Integer> void integer(const std::optional<Integer>& value) {
        if (value) return integer(*value);
        raw("null");
    }

    void truth(bool value) { raw(value ? "true" : "false"); }

    // A value of any shape, as nlohmann lays it out at `depth` (two blanks a level).
    void dump(const ordered_json& value, unsigned depth = 0) {
        // Every text is UTF-8 by the model's making; should one not be, it is mended, not thrown.
        serializer.dump(value, true, false, 2, 2 * depth);
    }

  private:
    // The text whose opening quote goes at `at`, `written` bytes of it behind the quote, and the
    // rest of it in `scratch`: the serializer escapes the rest, and its opening quote is dropped.
    // The serializer's escapes depend on nothing in front of a character, so the text is as the
    // serializer would have written it whole.
    void serializeRest(char* at, std::size_t written) {
        commit(at + 1 + written);
        const std::size_t restAt = used;
        dump(scratch);
        std::memmove(bytes.data() + restAt, bytes.data() + restAt + 1, used - restAt - 1);
        --used;
    }

    class Adapter : public nlohmann::detail::output_adapter_protocol<char> {
      public:
        explicit Adapter(Block& to) : block(to) {}
        void write_character(char c) override {
            *block.room(1) = c;
            ++block.used;
        }
        void write_characters(const char* s, std::size_t length) override {
            std::memcpy(block.room(length), s, length);
            block.used += length;
        }

      private:
        Block& block;
    };

    char* room(std::size_t size) {
        if (bytes.size() - used < size) bytes.resize(2 * bytes.size() + size);
        return bytes.data() + used;
    }

    std::vector<char> bytes;
    std::size_t used = 0;
    ordered_json scratch = std::string(); // a text for the serializer, its room reused
    nlohmann::detail::serializer<ordered_json> serializer;
};

namespace {

// An element of a variable's "values" at depth 4; `first` in the list or behind another. The code
// and the label write themselves at a pointer with room for them (`room` bytes together) and
// return where they end.
template <class WriteCode, class WriteLabel>
void writeCodeEntry(SurveyJsonWriter::Block& to, bool first, const std::optional<double>& number,
                    bool special, std::size_t room, const WriteCode& code,
                    const WriteLabel& label) {
    constexpr std::size_t fixed = 128; // keys, punctuation, a number and "false"
    char* at = to.reserve(fixed + room);
    at = first ? put(at, "\n        {\n          \"code\": ")
               : put(at, ",\n        {\n          \"code\": ");
    at = code(at, fixed + room);
    at = put(at, ",\n          \"number\": ");
    at = to.number(at, number, fixed + room);
    at = put(at, ",\n          \"label\": ");
    at = label(at, fixed);
    at = put(at, ",\n          \"special\": ");
    at = special ? put(at, "true") : put(at, "false");
    to.commit(put(at, "\n        }"));
}

// One variable, an element of "variables", in nlohmann's layout at depth 2: its fields in front of
// its "values", and the opening of that list.
void writeVariableFields(SurveyJsonWriter::Block& to, const vqz2xml::Variable& v) {
    to.raw("{\n      \"ident\": ");
    to.text(v.ident);
    to.raw(",\n      \"name\": ");
    to.text(v.name);
    to.raw(",\n      \"label\": ");
    to.text(v.label);
    to.raw(",\n      \"type\": \"");
    to.raw(vqz2xml::typeName(v.type));
    to.raw("\",\n      \"start\": ");
    to.integer(v.start);
    to.raw(",\n      \"finish\": ");
    to.integer(v.finish);
    to.raw(",\n      \"width\": ");
    to.integer(v.width);
    to.raw(",\n      \"spread\": ");
    if (v.spread) {
        to.raw("{\n        \"subfields\": ");
        to.integer(v.spread->subfields);
        to.raw(",\n        \"width\": ");
        to.integer(v.spread->width);
        to.raw("\n      }");
    } else {
        to.raw("null");
    }
    to.raw(",\n      \"size\": ");
    to.integer(v.size);
    to.raw(",\n      \"range\": ");
    if (v.range) {
        to.raw("{\n        \"from\": ");
        to.text(v.range->from);
        to.raw(",\n        \"to\": ");
        to.text(v.range->to);
        to.raw("\n      }");
    } else {
        to.raw("null");
    }
    to.raw(",\n      \"values\": [");
}

// The end of a variable's "values" and of the variable; `any` when the list has an element.
void closeVariable(SurveyJsonWriter::Block& to, bool any) {
    if (!any) return to.raw("]\n    }");
    to.raw("\n      ]\n    }");
}

// A variable of the model, its code entries in its `values`.
void writeVariable(SurveyJsonWriter::Block& to, const vqz2xml::Variable& v) {
    writeVariableFields(to, v);
    bool first = true;
    for (const vqz2xml::Code& code : v.values) {
        const std::size_t codeSize = code.code ? code.code->size() : 0;
        writeCodeEntry(
            to, first, code.number, code.special, codeSize + code.label.size() + 4,
            [&](char* at, std::size_t after) {
                return code.code ? to.text(at, *code.code, after) : put(at, "null");
            },
            [&](char* at, std::size_t after) { return to.text(at, code.label, after); });
        first = false;
    }
    closeVariable(to, !v.values.empty());
}

// "notes" and its elements at depth 1.
void writeNotes(SurveyJsonWriter::Block& to, const std::vector<vqz2xml::Note>& notes) {
    if (notes.empty()) return to.raw(",\n  \"notes\": []");
    to.raw(",\n  \"notes\": [");
    bool first = true;
    for (const vqz2xml::Note& note : notes) {
        to.raw(first ? "\n    {\n      \"text\": " : ",\n    {\n      \"text\": ");
        first = false;
        to.text(note.text);
        to.raw(",\n      \"before\": ");
        to.integer(note.before);
        to.raw("\n    }");
    }
    to.raw("\n  ]");
}

} // namespace

SurveyJsonWriter::SurveyJsonWriter(std::ostream& sink)
    : out(sink), block(std::make_unique<Block>()) {}

SurveyJsonWriter::~SurveyJsonWriter() = default;

void SurveyJsonWriter::drain(bool always) {
    const std::string_view held = block->held();
    if (!always && held.size() < drainAt) return;
    out.write(held.data(), static_cast<std::streamsize>(held.size()));
    block->clear();
}

void SurveyJsonWriter::member(std::string_view name, const ordered_json& value, bool first) {
    block->raw(first ? "\n  " : ",\n  ");
    block->text(name);
    block->raw(": ");
    block->dump(value, 1);
}

void SurveyJsonWriter::head(const vqz2xml::Survey& survey) {
    block->raw("{");
    bool first = true;
    const ordered_json fields = headJson(survey);
    for (const auto& [name, value] : fields.items()) {
        member(name, value, first);
        first = false;
    }
    block->raw(",\n  \"variables\": [");
}

void SurveyJsonWriter::variable(const vqz2xml::Variable& variable) {
    if (entriesOpen) {
        closeVariable(*block, true);
        entriesOpen = false;
    } else {
        block->raw(anyVariable ? ",\n    " : "\n    ");
        writeVariable(*block, variable);
    }
    anyVariable = true;
    drain(false);
}

// An entry of the open variable: its first one comes when every other field of it is known, and
// writes them.
void SurveyJsonWriter::codeEntry(const vqz2xml::Variable& of, std::string_view code,
                                 std::optional<double> number, std::string_view label,
                                 bool special, vqz2xml::Encoding encoding) {
    const bool first = !entriesOpen;
    if (first) {
        block->raw(anyVariable ? ",\n    " : "\n    ");
        writeVariableFields(*block, of);
        entriesOpen = true;
    }
    writeCodeEntry(
        *block, first, number, special, code.size() + 3 * label.size() + 4,
        [&](char* at, std::size_t /*after*/) {
            if (code.empty()) return put(at, "null");
            // A typed code is digits, points and minus signs: a text to write as it stands. Most
            // are a few bytes, copied without a call.
            const std::size_t size = code.size();
            *at++ = '"';
            if (size <= 3) {
                at[0] = code[0];
                at[size / 2] = code[size / 2];
                at[size - 1] = code[size - 1];
            } else {
                std::memcpy(at, code.data(), size);
            }
            return put(at + size, "\"");
        },
        [&](char* at, std::size_t after) {
            return block->internalText(at, label, encoding, after);
        });
    drain(false);
}

void SurveyJsonWriter::finish(const vqz2xml::SurveyResult& result) {
    block->raw(anyVariable ? "\n  ]" : "]");
    writeNotes(*block, result.survey.notes);
    const ordered_json outcome = outcomeJson(result);
    for (const auto& [name, value] : outcome.items()) member(name, value, false);
    block->raw("\n}\n");
    drain(true);
}

vqz2xml::Outcome writeSurveyJson(std::string_view input, std::ostream& out,
                                 const vqz2xml::Options& options,
                                 const ConversionSettings& settings) {
    SurveyJsonWriter writer(out);
    const vqz2xml::SurveyResult result = describeInput(input, options, &writer, settings);
    writer.finish(result);
    out.flush();
    return {result.complete, result.diagnostic};
}

namespace vqz2xml {

std::string toJson(const SurveyResult& result) {
    std::ostringstream text;
    SurveyJsonWriter writer(text);
    writer.head(result.survey);
    for (const Variable& variable : result.survey.variables) writer.variable(variable);
    writer.finish(result);
    return std::move(text).str();
}

} // namespace vqz2xml
