// The R package's survey model: the library's Survey as a list of the head's fields with data
// frames of the variables, their codes and the notes.
#include "r_glue.h"

#include <cpp11/data_frame.hpp>
#include <cpp11/doubles.hpp>
#include <cpp11/logicals.hpp>
#include <cpp11/strings.hpp>

#include <cstdint>
#include <optional>
#include <vector>

using namespace cpp11::literals;

namespace {

// Absent values are NA. Columns and counts are doubles: R's integers stop at 2^31 - 1.
cpp11::r_string optionalText(const std::optional<std::string>& text) {
    return text ? rText(*text) : cpp11::r_string(NA_STRING);
}

double optionalNumber(const std::optional<std::int64_t>& number) {
    return number ? static_cast<double>(*number) : NA_REAL;
}

// What the variable's SPREAD and SIZE ... TO ... say, NA where it has none.
struct Extent {
    double subfields = NA_REAL;
    double subfieldWidth = NA_REAL;
    cpp11::r_string rangeFrom{NA_STRING};
    cpp11::r_string rangeTo{NA_STRING};
};

Extent extentOf(const vqz2xml::Variable& variable) {
    Extent extent;
    if (variable.spread) {
        extent.subfields = static_cast<double>(variable.spread->subfields);
        extent.subfieldWidth = optionalNumber(variable.spread->width);
    }
    if (variable.range) {
        extent.rangeFrom = rText(variable.range->from);
        extent.rangeTo = rText(variable.range->to);
    }
    return extent;
}

cpp11::writable::data_frame variableFrame(const std::vector<vqz2xml::Variable>& variables) {
    const auto n = static_cast<R_xlen_t>(variables.size());
    cpp11::writable::strings ident(n), name(n), label(n), type(n), rangeFrom(n), rangeTo(n);
    cpp11::writable::doubles start(n), finish(n), width(n), size(n), subfields(n),
        subfieldWidth(n), codes(n);
    for (R_xlen_t i = 0; i < n; ++i) {
        const vqz2xml::Variable& variable = variables[static_cast<std::size_t>(i)];
        ident[i] = rText(variable.ident);
        name[i] = rText(variable.name);
        label[i] = rText(variable.label);
        type[i] = rText(vqz2xml::typeName(variable.type));
        start[i] = optionalNumber(variable.start);
        finish[i] = optionalNumber(variable.finish);
        width[i] = static_cast<double>(variable.width);
        size[i] = optionalNumber(variable.size);
        const Extent extent = extentOf(variable);
        subfields[i] = extent.subfields;
        subfieldWidth[i] = extent.subfieldWidth;
        rangeFrom[i] = extent.rangeFrom;
        rangeTo[i] = extent.rangeTo;
        codes[i] = static_cast<double>(variable.values.size());
    }
    return cpp11::writable::data_frame(
        {"ident"_nm = ident, "name"_nm = name, "label"_nm = label, "type"_nm = type,
         "start"_nm = start, "finish"_nm = finish, "width"_nm = width, "size"_nm = size,
         "spread"_nm = subfields, "spread_width"_nm = subfieldWidth,
         "range_from"_nm = rangeFrom, "range_to"_nm = rangeTo, "codes"_nm = codes});
}

// One row per code list entry, in the order of the variables and of their lists.
cpp11::writable::data_frame codeFrame(const std::vector<vqz2xml::Variable>& variables) {
    std::size_t count = 0;
    for (const vqz2xml::Variable& variable : variables) count += variable.values.size();
    const auto n = static_cast<R_xlen_t>(count);
    cpp11::writable::strings variableName(n), code(n), label(n);
    cpp11::writable::doubles number(n);
    cpp11::writable::logicals special(n);
    R_xlen_t row = 0;
    for (const vqz2xml::Variable& variable : variables) {
        for (const vqz2xml::Code& entry : variable.values) {
            variableName[row] = rText(variable.name);
            code[row] = optionalText(entry.code);
            number[row] = entry.number ? *entry.number : NA_REAL;
            label[row] = rText(entry.label);
            special[row] = entry.special ? TRUE : FALSE;
            ++row;
        }
    }
    return cpp11::writable::data_frame({"variable"_nm = variableName, "code"_nm = code,
                                        "number"_nm = number, "label"_nm = label,
                                        "special"_nm = special});
}

// `before` counts variables from 1, as R does: a note after the last variable has one past it.
cpp11::writable::data_frame noteFrame(const std::vector<vqz2xml::Note>& notes) {
    const auto n = static_cast<R_xlen_t>(notes.size());
    cpp11::writable::strings text(n);
    cpp11::writable::doubles before(n);
    for (R_xlen_t i = 0; i < n; ++i) {
        const vqz2xml::Note& note = notes[static_cast<std::size_t>(i)];
        text[i] = rText(note.text);
        before[i] = static_cast<double>(note.before) + 1;
    }
    return cpp11::writable::data_frame({"text"_nm = text, "before"_nm = before});
}

} // namespace

cpp11::writable::list surveyList(const vqz2xml::SurveyResult& result, const std::string& name) {
    const vqz2xml::Survey& survey = result.survey;
    return cpp11::writable::list(
        {"version"_nm = rText(survey.version), "standard_names"_nm = survey.standardNames,
         "date"_nm = optionalText(survey.date), "time"_nm = optionalText(survey.time),
         "origin"_nm = optionalText(survey.origin), "user"_nm = optionalText(survey.user),
         "title"_nm = optionalText(survey.title), "record"_nm = optionalText(survey.record),
         "variables"_nm = variableFrame(survey.variables),
         "codes"_nm = codeFrame(survey.variables), "notes"_nm = noteFrame(survey.notes),
         "complete"_nm = result.complete,
         "encoding"_nm = rText(vqz2xml::encodingName(result.encoding)),
         "diagnostic"_nm = diagnosticList(name, result.diagnostic)});
}

[[cpp11::register]]
cpp11::list read_survey_native(SEXP input, std::string name, std::string encoding) {
    std::string room;
    const std::string_view bytes = inputBytes(input, room);
    return surveyList(vqz2xml::readSurvey(bytes, {encodingOption(encoding)}), name);
}
