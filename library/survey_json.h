// The survey model as JSON: one document per input, its names in snake_case, absent values null.
#pragma once

#include "survey/survey_builder.h"
#include "vqz2xml/survey.hpp"

#include <nlohmann/json.hpp>
#include <ostream>

nlohmann::ordered_json variableJson(const vqz2xml::Variable& variable);
// The whole document: the head, the variables, the notes and the outcome.
nlohmann::ordered_json surveyJson(const vqz2xml::SurveyResult& result);

// Writes the same document as surveyJson(...).dump(2) and a line end, variable by variable as
// the parse hands them over, so that only one variable is held at a time (and the notes, which
// follow the variables).
class SurveyJsonWriter;

// Writes the survey of `input` to `out` as its JSON document, a variable at a time.
vqz2xml::Outcome writeSurveyJson(std::string_view input, std::ostream& out,
                                 const vqz2xml::Options& options);

class SurveyJsonWriter : public SurveySink {
  public:
    explicit SurveyJsonWriter(std::ostream& sink) : out(sink) {}

    void head(const vqz2xml::Survey& survey) override;
    void variable(vqz2xml::Variable&& variable) override;
    // The rest of the document, from what describeInput returned.
    void finish(const vqz2xml::SurveyResult& result);

  private:
    std::ostream& out;
    bool anyVariable = false;
};
