// The survey model as JSON.
#include "library/survey_json.h"

#include "core/conversion.h"
#include "survey/survey_builder.h"

#include <cmath>
#include <sstream>
#include <string>

namespace {

using nlohmann::ordered_json;

template <class T> ordered_json orNull(const std::optional<T>& value) {
    return value ? ordered_json(*value) : ordered_json(nullptr);
}

// A whole number is written as one ("7", not "7.0"); a code too large for a double is null.
ordered_json numberJson(const std::optional<double>& number) {
    if (!number || !std::isfinite(*number)) return nullptr;
    if (std::trunc(*number) == *number && std::fabs(*number) < 9007199254740992.0)
        return static_cast<std::int64_t>(*number);
    return *number;
}

ordered_json headJson(const vqz2xml::Survey& survey) {
    return {{"version", survey.version.empty() ? ordered_json(nullptr) : ordered_json(survey.version)},
            {"standard_names", survey.standardNames},
            {"date", orNull(survey.date)},
            {"time", orNull(survey.time)},
            {"origin", orNull(survey.origin)},
            {"user", orNull(survey.user)},
            {"title", orNull(survey.title)},
            {"record", orNull(survey.record)}};
}

ordered_json notesJson(const vqz2xml::Survey& survey) {
    ordered_json notes = ordered_json::array();
    for (const vqz2xml::Note& note : survey.notes)
        notes.push_back({{"text", note.text}, {"before", note.before}});
    return notes;
}

// The fields behind the notes.
ordered_json outcomeJson(const vqz2xml::SurveyResult& result) {
    ordered_json outcome = {{"complete", result.complete},
                            {"encoding", vqz2xml::encodingName(result.encoding)},
                            {"diagnostic", nullptr}};
    if (result.diagnostic) {
        std::string found;
        appendTypedUtf8(found, result.diagnostic->found, result.encoding);
        outcome["diagnostic"] = {{"line", result.diagnostic->line},
                                 {"column", result.diagnostic->column},
                                 {"expected", result.diagnostic->expected},
                                 {"found", found}};
    }
    return outcome;
}

// Every text is UTF-8 by the model's making; should one not be, it is mended rather than thrown.
std::string dump(const ordered_json& value) {
    return value.dump(2, ' ', false, ordered_json::error_handler_t::replace);
}

// `text` dumped as it stands `depth` levels deep in a document indented by two blanks a level.
std::string nested(const ordered_json& value, int depth) {
    std::string text = dump(value);
    const std::string indent(static_cast<std::size_t>(2 * depth), ' ');
    std::string shifted;
    shifted.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        shifted += c;
        if (c == '\n') shifted += indent; // strings hold no raw line end: every one is layout
    }
    return shifted;
}

void member(std::ostream& out, const std::string& name, const ordered_json& value, bool first) {
    out << (first ? "\n  " : ",\n  ") << ordered_json(name).dump() << ": " << nested(value, 1);
}

} // namespace

ordered_json variableJson(const vqz2xml::Variable& variable) {
    ordered_json values = ordered_json::array();
    for (const vqz2xml::Code& code : variable.values) {
        values.push_back({{"code", orNull(code.code)},
                          {"number", numberJson(code.number)},
                          {"label", code.label},
                          {"special", code.special}});
    }
    ordered_json spread = nullptr;
    if (variable.spread)
        spread = {{"subfields", variable.spread->subfields}, {"width", orNull(variable.spread->width)}};
    ordered_json range = nullptr;
    if (variable.range) range = {{"from", variable.range->from}, {"to", variable.range->to}};
    return {{"ident", variable.ident},
            {"name", variable.name},
            {"label", variable.label},
            {"type", vqz2xml::typeName(variable.type)},
            {"start", orNull(variable.start)},
            {"finish", orNull(variable.finish)},
            {"width", variable.width},
            {"spread", spread},
            {"size", orNull(variable.size)},
            {"range", range},
            {"values", values}};
}

ordered_json surveyJson(const vqz2xml::SurveyResult& result) {
    ordered_json document = headJson(result.survey);
    ordered_json variables = ordered_json::array();
    for (const vqz2xml::Variable& variable : result.survey.variables)
        variables.push_back(variableJson(variable));
    document["variables"] = std::move(variables);
    document["notes"] = notesJson(result.survey);
    const ordered_json outcome = outcomeJson(result);
    for (const auto& [name, value] : outcome.items()) document[name] = value;
    return document;
}

void SurveyJsonWriter::head(const vqz2xml::Survey& survey) {
    out << '{';
    bool first = true;
    const ordered_json fields = headJson(survey);
    for (const auto& [name, value] : fields.items()) {
        member(out, name, value, first);
        first = false;
    }
    out << ",\n  \"variables\": [";
}

void SurveyJsonWriter::variable(vqz2xml::Variable&& variable) {
    out << (anyVariable ? ",\n    " : "\n    ") << nested(variableJson(variable), 2);
    anyVariable = true;
}

void SurveyJsonWriter::finish(const vqz2xml::SurveyResult& result) {
    out << (anyVariable ? "\n  ]" : "]");
    member(out, "notes", notesJson(result.survey), false);
    const ordered_json outcome = outcomeJson(result);
    for (const auto& [name, value] : outcome.items()) member(out, name, value, false);
    out << "\n}\n";
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

std::string toJson(const SurveyResult& result) { return dump(surveyJson(result)) + '\n'; }

} // namespace vqz2xml
