// The survey model as JSON.
#include "library/survey_json.h"

#include "core/conversion.h"
#include "survey/survey_builder.h"

#include <cmath>
#include <sstream>
#include <string>
#include <utility>

namespace {

using nlohmann::ordered_json;

constexpr std::size_t drainAt = std::size_t{1} << 16;

template <class T> ordered_json orNull(const std::optional<T>& value) {
    return value ? ordered_json(*value) : ordered_json(nullptr);
}

// A text into a slot that may hold one already, reusing its room.
void setText(ordered_json& slot, const std::string& text) {
    if (!slot.is_string()) slot = std::string();
    slot.get_ref<std::string&>().assign(text);
}

void setOptionalText(ordered_json& slot, const std::optional<std::string>& text) {
    if (text) {
        setText(slot, *text);
    } else {
        slot = nullptr;
    }
}

template <class T> void setOptional(ordered_json& slot, const std::optional<T>& value) {
    slot = value ? ordered_json(*value) : ordered_json(nullptr);
}

// A whole number is written as one ("7", not "7.0"); a code too large for a double is null.
ordered_json numberJson(const std::optional<double>& number) {
    if (!number || !std::isfinite(*number)) return nullptr;
    if (std::trunc(*number) == *number && std::fabs(*number) < 9007199254740992.0)
        return static_cast<std::int64_t>(*number);
    return *number;
}

ordered_json headJson(const vqz2xml::Survey& survey) {
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

ordered_json notesJson(const vqz2xml::Survey& survey) {
    ordered_json notes = ordered_json::array();
    for (const vqz2xml::Note& note : survey.notes) {
        ordered_json entry = ordered_json::object();
        entry["text"] = note.text;
        entry["before"] = note.before;
        notes.push_back(std::move(entry));
    }
    return notes;
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

ordered_json codeSlots() {
    ordered_json code = ordered_json::object();
    for (const char* name : {"code", "number", "label", "special"}) code[name] = nullptr;
    return code;
}

// Where the serializer writes: a block of memory the writer drains into its stream, so that the
// many small pieces of a document (keys, blanks, punctuation) cost a copy each and no call into
// std::string.
class BlockAdapter : public nlohmann::detail::output_adapter_protocol<char> {
  public:
    explicit BlockAdapter(std::vector<char>& target) : block(target) {}
    void write_character(char c) override { block.push_back(c); }
    void write_characters(const char* s, std::size_t length) override {
        block.insert(block.end(), s, s + length);
    }

  private:
    std::vector<char>& block;
};

} // namespace

// One variable's object, its keys made once.
class SurveyJsonWriter::Slots {
  public:
    Slots() {
        for (const char* name : {"ident", "name", "label", "type", "start", "finish", "width",
                                 "spread", "size", "range", "values"})
            object[name] = nullptr;
        object["values"] = ordered_json::array();
    }

    const ordered_json& fill(const vqz2xml::Variable& v) {
        auto slot = object.begin();
        const auto next = [&]() -> ordered_json& { return *slot++; };
        setText(next(), v.ident);
        setText(next(), v.name);
        setText(next(), v.label);
        ordered_json& type = next();
        if (!type.is_string()) type = std::string();
        type.get_ref<std::string&>().assign(vqz2xml::typeName(v.type));
        setOptional(next(), v.start);
        setOptional(next(), v.finish);
        next() = v.width;
        ordered_json& spread = next();
        if (v.spread) {
            spread = ordered_json::object();
            spread["subfields"] = v.spread->subfields;
            spread["width"] = orNull(v.spread->width);
        } else {
            spread = nullptr;
        }
        setOptional(next(), v.size);
        ordered_json& range = next();
        if (v.range) {
            range = ordered_json::object();
            range["from"] = v.range->from;
            range["to"] = v.range->to;
        } else {
            range = nullptr;
        }
        auto& values = next().get_ref<ordered_json::array_t&>();
        if (values.size() > v.values.size()) values.resize(v.values.size());
        while (values.size() < v.values.size()) values.push_back(codeSlots());
        for (std::size_t i = 0; i < v.values.size(); ++i) {
            const vqz2xml::Code& code = v.values[i];
            auto field = values[i].begin();
            setOptionalText(*field++, code.code);
            *field++ = numberJson(code.number);
            setText(*field++, code.label);
            *field = code.special;
        }
        return object;
    }

  private:
    ordered_json object;
};

SurveyJsonWriter::SurveyJsonWriter(std::ostream& sink)
    : out(sink), adapter(std::make_shared<BlockAdapter>(buffer)), slots(std::make_unique<Slots>()) {
    buffer.reserve(2 * drainAt);
}

SurveyJsonWriter::~SurveyJsonWriter() = default;

void SurveyJsonWriter::dump(const ordered_json& value, unsigned depth) {
    // Every text is UTF-8 by the model's making; should one not be, it is mended, not thrown.
    nlohmann::detail::serializer<ordered_json> serializer(adapter, ' ',
                                                          ordered_json::error_handler_t::replace);
    serializer.dump(value, true, false, 2, 2 * depth);
}

void SurveyJsonWriter::drain(bool always) {
    if (!always && buffer.size() < drainAt) return;
    out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    buffer.clear();
}

void SurveyJsonWriter::put(std::string_view text) { buffer.insert(buffer.end(), text.begin(), text.end()); }

void SurveyJsonWriter::member(std::string_view name, const ordered_json& value, bool first) {
    put(first ? "\n  " : ",\n  ");
    dump(ordered_json(name), 0);
    put(": ");
    dump(value, 1);
}

void SurveyJsonWriter::head(const vqz2xml::Survey& survey) {
    put("{");
    bool first = true;
    const ordered_json fields = headJson(survey);
    for (const auto& [name, value] : fields.items()) {
        member(name, value, first);
        first = false;
    }
    put(",\n  \"variables\": [");
}

void SurveyJsonWriter::variable(vqz2xml::Variable&& variable) {
    this->variable(static_cast<const vqz2xml::Variable&>(variable));
}

void SurveyJsonWriter::variable(const vqz2xml::Variable& variable) {
    put(anyVariable ? ",\n    " : "\n    ");
    dump(slots->fill(variable), 2);
    anyVariable = true;
    drain(false);
}

void SurveyJsonWriter::finish(const vqz2xml::SurveyResult& result) {
    put(anyVariable ? "\n  ]" : "]");
    member("notes", notesJson(result.survey), false);
    const ordered_json outcome = outcomeJson(result);
    for (const auto& [name, value] : outcome.items()) member(name, value, false);
    put("\n}\n");
    drain(true);
}

vqz2xml::Outcome writeSurveyJson(std::string_view input, std::ostream& out,
                                 const vqz2xml::Options& options) {
    SurveyJsonWriter writer(out);
    const vqz2xml::SurveyResult result = describeInput(input, options, &writer);
    writer.finish(result);
    out.flush();
    return {result.complete, result.diagnostic, result.encoding};
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
