// The survey model as JSON text, in the names JavaScript's readSurvey gives its objects.
#include "js/survey_object.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

namespace {

using Json = nlohmann::ordered_json;

template <typename T> Json orNull(const std::optional<T>& value) {
    return value ? Json(*value) : Json(nullptr);
}

Json codeJson(const vqz2xml::Code& code) {
    return Json{{"code", orNull(code.code)},
                {"number", orNull(code.number)},
                {"label", code.label},
                {"special", code.special}};
}

Json variableJson(const vqz2xml::Variable& variable) {
    Json values = Json::array();
    for (const vqz2xml::Code& code : variable.values) values.push_back(codeJson(code));
    Json spread = nullptr;
    if (variable.spread)
        spread = Json{{"subfields", variable.spread->subfields},
                      {"width", orNull(variable.spread->width)}};
    Json range = nullptr;
    if (variable.range) range = Json{{"from", variable.range->from}, {"to", variable.range->to}};
    return Json{
        {"ident", variable.ident},         {"name", variable.name},
        {"label", variable.label},         {"type", std::string(vqz2xml::typeName(variable.type))},
        {"start", orNull(variable.start)}, {"finish", orNull(variable.finish)},
        {"width", variable.width},         {"spread", std::move(spread)},
        {"size", orNull(variable.size)},   {"range", std::move(range)},
        {"values", std::move(values)}};
}

} // namespace

std::string surveyObjectJson(const vqz2xml::Survey& survey) {
    Json variables = Json::array();
    for (const vqz2xml::Variable& variable : survey.variables)
        variables.push_back(variableJson(variable));
    Json notes = Json::array();
    for (const vqz2xml::Note& note : survey.notes)
        notes.push_back(Json{{"text", note.text}, {"before", note.before}});
    const Json object{{"version", survey.version.empty() ? Json(nullptr) : Json(survey.version)},
                      {"standard_names", survey.standardNames},
                      {"date", orNull(survey.date)},
                      {"time", orNull(survey.time)},
                      {"origin", orNull(survey.origin)},
                      {"user", orNull(survey.user)},
                      {"title", orNull(survey.title)},
                      {"record", orNull(survey.record)},
                      {"variables", std::move(variables)},
                      {"notes", std::move(notes)}};
    return object.dump(-1, ' ', false, Json::error_handler_t::replace);
}
