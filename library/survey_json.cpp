// The survey model as JSON.
#include "library/survey_json.h"

#include "core/conversion.h"
#include "platform/page_buffer.h"
#include "survey/json_text.h"
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

// A literal's bytes at `at`, without its terminating zero; behind them.
template <std::size_t N> char* put(char* at, const char (&literal)[N]) {
    std::memcpy(at, literal, N - 1);
    return at + N - 1;
}

// Copies `size` bytes, most often one to three, which are copied without a call.
void copyShort(char* to, const char* from, std::size_t size) {
    if (size > 3) {
        std::memcpy(to, from, size);
    } else if (size > 0) {
        to[0] = from[0];
        to[size / 2] = from[size / 2];
        to[size - 1] = from[size - 1];
    }
}

// Whether a code is one digit, or two without a leading zero, as most are: its own number.
bool isShortNumber(std::string_view code) {
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    return (code.size() == 1 && isDigit(code[0])) ||
           (code.size() == 2 && code[0] != '0' && isDigit(code[0]) && isDigit(code[1]));
}

// A whole number is written as one ("7", not "7.0"); a code too large for a double is null.
std::optional<std::int64_t> wholeNumber(double number) {
    if (!(std::fabs(number) < 9007199254740992.0)) return std::nullopt; // NaN too
    const auto whole = static_cast<std::int64_t>(number);
    if (static_cast<double>(whole) != number) return std::nullopt;
    return whole;
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
class alignas(64) SurveyJsonWriter::Block {
  public:
    // `room` bytes to begin with; the block grows as it needs, its room untouched until used.
    explicit Block(std::size_t room)
        : bytes(room), serializer(std::make_shared<Adapter>(*this), ' ',
                                  ordered_json::error_handler_t::replace) {}

    std::string_view held() const { return {bytes.data(), used}; }
    void clear() { used = 0; }

    void raw(std::string_view text) {
        std::memcpy(room(text.size()), text.data(), text.size());
        used += text.size();
    }

    template <std::size_t N> void raw(const char (&literal)[N]) {
        commit(put(room(N - 1), literal));
    }

    // Room for `size` bytes from the pointer returned, and the end of what was written there.
    char* reserve(std::size_t size) { return room(size); }
    void commit(const char* end) { used = static_cast<std::size_t>(end - bytes.data()); }

    void text(std::string_view value) { commit(text(room(value.size() + 2), value, 0)); }

    // The text written at `at`, which has room for it and its quotes; behind it, room for `after`
    // bytes.
    char* text(char* at, std::string_view value, std::size_t after) {
        at[0] = '"';
        char* to = at + 1;
        for (std::size_t from = 0;;) {
            const PlainCopy copied = copyPlain(value.substr(from), to);
            from += copied.read;
            to += copied.written;
            if (from == value.size()) return put(to, "\"");
            commit(to);
            if (static_cast<unsigned char>(value[from]) >= 0x80) {
                // No UTF-8 the copy can judge (a four-byte sequence, or none at all): the
                // serializer takes the rest.
                scratch.get_ref<std::string&>().assign(value.substr(from));
                serializeRest();
                return room(after);
            }
            escape(value[from++]);
            to = room(value.size() - from + 1 + after);
        }
    }

    // A text of the internal form, read in `encoding`, as UTF-8, written at `at`, which has room
    // for three bytes for each of its bytes and two more; behind it, room for `after` bytes.
    char* internalText(char* at, std::string_view value, vqz2xml::Encoding encoding,
                       std::size_t after) {
        at[0] = '"';
        char* to = at + 1;
        for (std::size_t from = 0;;) {
            const PlainCopy copied = copyPlainUtf8(value.substr(from), encoding, to);
            from += copied.read;
            to += copied.written;
            if (from == value.size()) return put(to, "\"");
            commit(to);
            const EscapedCharacter escaped = escapedCharacterAt(value, from);
            escape(escaped.character);
            from += escaped.length;
            to = room(3 * (value.size() - from) + 1 + after);
        }
    }

    // A code's number written at `at`, which has room for 24 bytes; behind it, room for `after`.
    char* number(char* at, const std::optional<double>& value, std::size_t after) {
        if (!value || !std::isfinite(*value)) return put(at, "null");
        if (const auto whole = wholeNumber(*value)) return std::to_chars(at, at + 24, *whole).ptr;
        commit(at);
        dump(ordered_json(*value));
        return room(after);
    }

    // The number of an entry as the model has it, written at `at`, which has room for 24 bytes;
    // behind it, room for `after`. A code of up to 15 digits and a sign is a whole number that a
    // double holds exactly, written as it is typed but for a plus sign and leading zeros.
    char* entryNumber(char* at, const CodeEntry& entry, std::size_t after) {
        const std::string_view code = entry.code;
        if (code.empty()) {
            constexpr std::int64_t exact = std::int64_t{1} << 53; // as a double, too
            if (entry.implicitNumber > -exact && entry.implicitNumber < exact)
                return std::to_chars(at, at + 24, entry.implicitNumber).ptr;
            return number(at, static_cast<double>(entry.implicitNumber), after);
        }
        const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
        const bool signed_ = code[0] == '-' || code[0] == '+';
        std::size_t from = signed_ ? 1 : 0;
        while (from + 1 < code.size() && code[from] == '0') ++from;
        const std::size_t digits = code.size() - from;
        bool whole = digits > 0 && digits <= 15;
        for (std::size_t i = from; whole && i < code.size(); ++i) whole = isDigit(code[i]);
        if (!whole) {
            double value = 0;
            if (!readCodeNumber(code, value)) return put(at, "null");
            return number(at, value, after);
        }
        if (code[0] == '-' && code[from] != '0') *at++ = '-'; // minus zero is 0
        copyShort(at, code.data() + from, digits);
        return at + digits;
    }

    template <class Integer> void integer(Integer value) {
        char* at = room(24);
        used += static_cast<std::size_t>(std::to_chars(at, at + 24, value).ptr - at);
    }

    // A value of any shape, as nlohmann lays it out.
    void dump(const ordered_json& value) {
        // Every text is UTF-8 by the model's making; should one not be, it is mended, not thrown.
        serializer.dump(value, false, false, 0);
    }

  private:
    // The serializer writes the texts that these functions hand it piece by piece: the runs of
    // characters that it would copy unchanged are copied, and the rest goes through it, without
    // the quotes it puts around a text. Its escapes depend on nothing in front of a character, so
    // the pieces make the text as it would have written it whole.

    // One character that the serializer escapes, written as it escapes it.
    void escape(char character) {
        std::string& one = scratch.get_ref<std::string&>();
        one.assign(1, character);
        const std::size_t start = used;
        dump(scratch);
        std::memmove(bytes.data() + start, bytes.data() + start + 1, used - start - 2);
        used -= 2;
    }

    // The rest of a text, in `scratch`, and its closing quote.
    void serializeRest() {
        const std::size_t start = used;
        dump(scratch);
        std::memmove(bytes.data() + start, bytes.data() + start + 1, used - start - 1);
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
        while (bytes.size() - used < size) bytes.grow(used);
        return bytes.data() + used;
    }

    PageBuffer bytes;
    std::size_t used = 0;
    ordered_json scratch = std::string(); // a text for the serializer, its room reused
    nlohmann::detail::serializer<ordered_json> serializer;
};

namespace {

// An element of a variable's "values"; `first` in the list or behind another. The code, the
// number and the label write themselves at a pointer with room for them (`room` bytes for the
// code and the label together, their quotes not counted, and 20 for the number) and return where
// they end; the code ends with the key of the number.
template <class WriteCode, class WriteNumber, class WriteLabel>
void writeCodeEntry(SurveyJsonWriter::Block& to, bool first, bool special, std::size_t room,
                    const WriteCode& code, const WriteNumber& number, const WriteLabel& label) {
    // The rest at the most: 9 bytes in front of the code, its quotes or "null" and the key of
    // the number (15), the number (20), 9 in front of the label, its quotes (2) and the rest
    // (17): 72.
    constexpr std::size_t fixed = 80;
    char* at = to.reserve(fixed + room);
    at = first ? put(at, "{\"code\":") : put(at, ",{\"code\":");
    at = code(at, fixed + room);
    at = number(at, fixed + room);
    at = put(at, ",\"label\":");
    at = label(at, fixed);
    to.commit(special ? put(at, ",\"special\":true}") : put(at, ",\"special\":false}"));
}

// One variable, an element of "variables": its fields in front of its "values", and the opening
// of that list. The label writes itself at a pointer with room for `labelRoom` bytes and its
// quotes, and room for `after` bytes behind it, and returns where it ends.
template <class WriteLabel>
void writeVariableFields(SurveyJsonWriter::Block& to, const vqz2xml::Variable& v,
                         std::size_t labelRoom, const WriteLabel& label) {
    constexpr std::size_t fixed = 512; // keys, punctuation, numbers and the type
    const std::size_t texts = v.ident.size() + v.name.size() + labelRoom +
                              (v.range ? v.range->from.size() + v.range->to.size() : 0);
    const std::size_t after = fixed + texts; // room for all that follows a text
    const auto integer = [](char* at, const std::optional<std::int64_t>& value) {
        return value ? std::to_chars(at, at + 24, *value).ptr : put(at, "null");
    };
    char* at = to.reserve(fixed + texts + 12);
    at = put(at, "{\"ident\":");
    at = to.text(at, v.ident, after);
    at = put(at, ",\"name\":");
    at = to.text(at, v.name, after);
    at = put(at, ",\"label\":");
    at = label(at, after);
    at = put(at, ",\"type\":\"");
    const std::string_view type = vqz2xml::typeName(v.type);
    std::memcpy(at, type.data(), type.size());
    at = put(at + type.size(), "\",\"start\":");
    at = integer(at, v.start);
    at = put(at, ",\"finish\":");
    at = integer(at, v.finish);
    at = put(at, ",\"width\":");
    at = integer(at, v.width);
    at = put(at, ",\"spread\":");
    if (v.spread) {
        at = put(at, "{\"subfields\":");
        at = integer(at, v.spread->subfields);
        at = put(at, ",\"width\":");
        at = integer(at, v.spread->width);
        at = put(at, "}");
    } else {
        at = put(at, "null");
    }
    at = put(at, ",\"size\":");
    at = integer(at, v.size);
    at = put(at, ",\"range\":");
    if (v.range) {
        at = put(at, "{\"from\":");
        at = to.text(at, v.range->from, after);
        at = put(at, ",\"to\":");
        at = to.text(at, v.range->to, after);
        at = put(at, "}");
    } else {
        at = put(at, "null");
    }
    to.commit(put(at, ",\"values\":["));
}

// The end of a variable's "values" and of the variable.
void closeVariable(SurveyJsonWriter::Block& to) { to.raw("]}"); }

// The fields of a variable as the builder hands it over, its label in the internal form.
void writeOpenFields(SurveyJsonWriter::Block& to, const OpenVariable& v) {
    writeVariableFields(to, v.fields, 3 * v.label.size(), [&](char* at, std::size_t after) {
        return to.internalText(at, v.label, v.encoding, after);
    });
}

// A variable of the model, its code entries in its `values`.
void writeVariable(SurveyJsonWriter::Block& to, const vqz2xml::Variable& v) {
    writeVariableFields(to, v, v.label.size(),
                        [&](char* at, std::size_t after) { return to.text(at, v.label, after); });
    bool first = true;
    for (const vqz2xml::Code& code : v.values) {
        const std::size_t codeSize = code.code ? code.code->size() : 0;
        writeCodeEntry(
            to, first, code.special, codeSize + code.label.size(),
            [&](char* at, std::size_t after) {
                return code.code ? put(to.text(at, *code.code, after), ",\"number\":")
                                 : put(at, "null,\"number\":");
            },
            [&](char* at, std::size_t after) { return to.number(at, code.number, after); },
            [&](char* at, std::size_t after) { return to.text(at, code.label, after); });
        first = false;
    }
    closeVariable(to);
}

} // namespace

SurveyJsonWriter::SurveyJsonWriter(std::ostream& sink)
    : out(sink), block(std::make_unique<Block>(2 * drainAt)), notes(std::make_unique<Block>(0)) {}

SurveyJsonWriter::~SurveyJsonWriter() = default;

void SurveyJsonWriter::drain(bool always) {
    const std::string_view held = block->held();
    if (!always && held.size() < drainAt) return;
    out.write(held.data(), static_cast<std::streamsize>(held.size()));
    block->clear();
}

void SurveyJsonWriter::member(std::string_view name, const ordered_json& value, bool first) {
    if (!first) block->raw(",");
    block->text(name);
    block->raw(":");
    block->dump(value);
}

void SurveyJsonWriter::head(const vqz2xml::Survey& survey) {
    block->raw("{");
    bool first = true;
    const ordered_json fields = headJson(survey);
    for (const auto& [name, value] : fields.items()) {
        member(name, value, first);
        first = false;
    }
    block->raw(",\"variables\":[");
}

void SurveyJsonWriter::variable(const OpenVariable& variable) {
    if (entriesOpen) {
        entriesOpen = false;
    } else {
        block->raw(anyVariable ? "," : "");
        writeOpenFields(*block, variable);
    }
    closeVariable(*block);
    anyVariable = true;
    drain(false);
}

void SurveyJsonWriter::modelVariable(const vqz2xml::Variable& variable) {
    block->raw(anyVariable ? "," : "");
    writeVariable(*block, variable);
    anyVariable = true;
    drain(false);
}

// An entry of the open variable: its first one comes when every other field of it is known, and
// writes them.
void SurveyJsonWriter::codeEntry(const OpenVariable& of, const CodeEntry& entry) {
    const std::string_view code = entry.code;
    const std::string_view label = entry.label;
    const bool first = !entriesOpen;
    if (first) {
        block->raw(anyVariable ? "," : "");
        writeOpenFields(*block, of);
        entriesOpen = true;
    }
    bool numbered = false; // by the code, which is its own number
    writeCodeEntry(
        *block, first, entry.special, code.size() + 3 * label.size(),
        [&](char* at, std::size_t /*after*/) {
            if (isShortNumber(code)) {
                // Its text and its number, each one or two bytes: the last is stored over the
                // first when there is one.
                numbered = true;
                at[0] = '"';
                at[1] = code[0];
                at[code.size()] = code.back();
                at = put(at + 1 + code.size(), "\",\"number\":");
                at[0] = code[0];
                at[code.size() - 1] = code.back();
                return at + code.size();
            }
            if (code.empty()) return put(at, "null,\"number\":");
            // A typed code is digits, points and minus signs: a text to write as it stands.
            *at++ = '"';
            copyShort(at, code.data(), code.size());
            return put(at + code.size(), "\",\"number\":");
        },
        [&](char* at, std::size_t after) {
            return numbered ? at : block->entryNumber(at, entry, after);
        },
        [&](char* at, std::size_t after) {
            return block->internalText(at, label, of.encoding, after);
        });
    drain(false);
}

void SurveyJsonWriter::note(std::string_view text, std::size_t before) {
    notes->raw(notes->held().empty() ? "{\"text\":" : ",{\"text\":");
    notes->text(text);
    notes->raw(",\"before\":");
    notes->integer(before);
    notes->raw("}");
}

void SurveyJsonWriter::finish(const vqz2xml::SurveyResult& result) {
    block->raw("],\"notes\":[");
    drain(true);
    const std::string_view held = notes->held();
    out.write(held.data(), static_cast<std::streamsize>(held.size()));
    notes->clear();
    block->raw("]");
    const ordered_json outcome = outcomeJson(result);
    for (const auto& [name, value] : outcome.items()) member(name, value, false);
    block->raw("}\n");
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
    for (const Variable& variable : result.survey.variables) writer.modelVariable(variable);
    for (const Note& note : result.survey.notes) writer.note(note.text, note.before);
    writer.finish(result);
    return std::move(text).str();
}

} // namespace vqz2xml
