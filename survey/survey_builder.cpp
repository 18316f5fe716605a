// The survey model made from the element chain.
#include "survey/survey_builder.h"

#include "chain/character_sets.h"
#include "chain/text_escape.h"

#include <cstdint>
#include <cstring>
#include <utility>

SurveySink::~SurveySink() = default;

SurveyBuilder::SurveyBuilder(vqz2xml::Encoding textEncoding, SurveySink* variableSink)
    : encoding(textEncoding), sink(variableSink) {}

void SurveyBuilder::version(int minor) { model.version = minor == 0 ? "1.0" : "1.1"; }

void SurveyBuilder::headerField(HeaderField field, std::string_view typed) {
    const auto index = static_cast<std::size_t>(field);
    if (seen[index]) return;
    seen[index] = true;
    std::optional<std::string>* const fields[] = {&model.date, &model.time, &model.origin,
                                                  &model.user};
    appendUtf8(fields[index]->emplace(), typed, encoding);
}

void SurveyBuilder::title(std::string_view text) {
    appendUtf8(model.title.emplace(), text, encoding);
}

void SurveyBuilder::record(char letter) { model.record.emplace(1, letter); }

void SurveyBuilder::beginVariable(std::string_view ident) {
    if (isOpen) endVariable();
    handHead();
    reuseOpen(ident);
    isOpen = true;
    ++variablesBegun;
    highestCode = 0;
}

// The open variable made empty, its texts keeping their room.
void SurveyBuilder::reuseOpen(std::string_view ident) {
    open.ident.assign(ident);
    open.name.clear();
    open.label.clear();
    openLabel.clear();
    open.type = vqz2xml::VariableType::Single;
    open.start.reset();
    open.finish.reset();
    open.width = 0;
    open.spread.reset();
    open.size.reset();
    open.range.reset();
}

vqz2xml::Variable* SurveyBuilder::current() { return isOpen ? &open : nullptr; }

void SurveyBuilder::name(std::string_view typed) {
    if (vqz2xml::Variable* variable = current()) appendUtf8(variable->name, typed, encoding);
}

// A sink writes the label from its internal form: it is not made UTF-8 twice.
void SurveyBuilder::label(std::string_view text) {
    if (vqz2xml::Variable* variable = current()) {
        if (sink)
            openLabel.append(text);
        else
            appendUtf8(variable->label, text, encoding);
    }
}

void SurveyBuilder::type(vqz2xml::VariableType type) {
    if (vqz2xml::Variable* variable = current()) variable->type = type;
}

void SurveyBuilder::position(std::optional<std::int64_t> start, std::optional<std::int64_t> finish,
                             std::int64_t width) {
    if (vqz2xml::Variable* variable = current()) {
        variable->start = start;
        variable->finish = finish;
        variable->width = width;
    }
}

void SurveyBuilder::spread(std::int64_t subfields, std::optional<std::int64_t> width) {
    if (vqz2xml::Variable* variable = current())
        variable->spread = vqz2xml::Spread{subfields, width};
}

void SurveyBuilder::size(std::int64_t size) {
    if (vqz2xml::Variable* variable = current()) variable->size = size;
}

void SurveyBuilder::range(std::string_view from, std::string_view to) {
    if (vqz2xml::Variable* variable = current())
        variable->range = vqz2xml::Range{std::string(from), std::string(to)};
}

void SurveyBuilder::beginValues(std::size_t entries) {
    if (vqz2xml::Variable* variable = current(); variable && !sink)
        variable->values.reserve(entries);
}

void SurveyBuilder::value(const CodeEntry& given) {
    vqz2xml::Variable* variable = current();
    if (!variable) return;
    if (sink) return sink->codeEntry(handed(), given);
    vqz2xml::Code& entry = variable->values.emplace_back();
    if (!given.code.empty()) entry.code.emplace(given.code);
    entry.number = entryNumber(given);
    appendUtf8(entry.label, given.label, encoding);
    entry.special = given.special;
}

void SurveyBuilder::endVariable() {
    if (!isOpen) return;
    isOpen = false;
    if (sink) {
        sink->variable(handed());
    } else {
        model.variables.push_back(std::move(open));
        open = vqz2xml::Variable();
    }
}

void SurveyBuilder::note(std::string_view typed) {
    if (sink) {
        noteText.clear();
        appendNoteUtf8(noteText, typed, encoding);
        return sink->note(noteText, variablesBegun);
    }
    vqz2xml::Note& note = model.notes.emplace_back();
    appendNoteUtf8(note.text, typed, encoding);
    note.before = variablesBegun;
}

void SurveyBuilder::finish() {
    endVariable();
    handHead();
}

void SurveyBuilder::handHead() {
    if (headHanded) return;
    headHanded = true;
    if (sink) sink->head(model);
}

namespace {

void appendCharacter(std::string& to, char32_t character) {
    char bytes[4];
    to.append(bytes, encodeUtf8(character, bytes));
}

} // namespace

namespace {

// Where the bytes from `at` on stop being plain ASCII (a zero byte too, when it marks), eight
// at a time: most texts are plain throughout.
template <bool marked> std::size_t plainEnd(std::string_view text, std::size_t at) {
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t highs = 0x8080808080808080u;
    for (; text.size() - at >= 8; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + at, 8);
        const std::uint64_t special = (word & highs) | (marked ? (word - ones) & ~word & highs : 0);
        if (special != 0) break;
    }
    while (at < text.size() && static_cast<unsigned char>(text[at]) < 0x80 &&
           (!marked || text[at] != textMark))
        ++at;
    return at;
}

// What a text to make UTF-8 holds: the internal form, with marks; bytes as typed; or a note's
// bytes, where a valid UTF-8 sequence stands for its character in every encoding but
// Windows-1252.
enum class Source { Marked, Typed, Note };

template <Source source>
void appendAsUtf8(std::string& to, std::string_view text, vqz2xml::Encoding encoding) {
    constexpr bool marked = source == Source::Marked;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t plain = plainEnd<marked>(text, i);
        if (i == 0 && plain == text.size()) {
            to.append(text);
            return;
        }
        if (i == 0) to.reserve(to.size() + text.size() + 8);
        to.append(text, i, plain - i);
        i = plain;
        if (i == text.size()) break;
        const auto b = static_cast<unsigned char>(text[i]);
        if (marked && text[i] == textMark) {
            // Only the decoder makes marks: a line break, the character 0 or a Latin-1
            // character given by its code.
            const auto kind = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
            if (kind == static_cast<unsigned char>(lineBreakMark)) {
                to += '\n';
                i += 2;
            } else if (kind >= 0x80) {
                appendCharacter(to, kind);
                i += 2;
            } else {
                to += '\0';
                i += kind == static_cast<unsigned char>(nulCharMark) ? 2 : 1;
            }
            continue;
        }
        char32_t character = b;
        std::size_t length = 1;
        if (encoding == vqz2xml::Encoding::Cp1252) {
            character = windows1252Character(b);
        } else if (encoding == vqz2xml::Encoding::Utf8 || source == Source::Note) {
            if (const std::size_t sequence = utf8SequenceAt(text, i, character)) {
                length = sequence;
            } else {
                character = b;
            }
        }
        appendCharacter(to, character);
        i += length;
    }
}

} // namespace

void appendUtf8(std::string& to, std::string_view text, vqz2xml::Encoding encoding) {
    appendAsUtf8<Source::Marked>(to, text, encoding);
}

void appendTypedUtf8(std::string& to, std::string_view text, vqz2xml::Encoding encoding) {
    appendAsUtf8<Source::Typed>(to, text, encoding);
}

void appendNoteUtf8(std::string& to, std::string_view text, vqz2xml::Encoding encoding) {
    appendAsUtf8<Source::Note>(to, text, encoding);
}

namespace vqz2xml {

std::string_view typeName(VariableType type) {
    switch (type) {
    case VariableType::Single: return "single";
    case VariableType::Multiple: return "multiple";
    case VariableType::Quantity: return "quantity";
    case VariableType::Character: return "character";
    case VariableType::Logical: return "logical";
    }
    return "single";
}

} // namespace vqz2xml
