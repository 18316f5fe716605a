// The survey model as JSON: one document per input, its names in snake_case, absent values null.
#pragma once

#include "survey/survey_builder.h"
#include "vqz2xml/survey.hpp"

#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// Writes the survey of `input` to `out` as its JSON document, a variable at a time.
vqz2xml::Outcome writeSurveyJson(std::string_view input, std::ostream& out,
                                 const vqz2xml::Options& options);

// Writes the document variable by variable as the parse hands them over, so that only one
// variable is held at a time (and the notes, which follow the variables). The layout is
// nlohmann-json's, indented by two blanks; each variable is dumped from one object whose keys
// and texts are reused from variable to variable.
class SurveyJsonWriter : public SurveySink {
  public:
    explicit SurveyJsonWriter(std::ostream& sink);
    ~SurveyJsonWriter() override;

    void head(const vqz2xml::Survey& survey) override;
    void variable(vqz2xml::Variable&& variable) override;
    void variable(const vqz2xml::Variable& variable);
    // The rest of the document, from what describeInput returned.
    void finish(const vqz2xml::SurveyResult& result);

  private:
    class Slots;
    void member(std::string_view name, const nlohmann::ordered_json& value, bool first);
    void dump(const nlohmann::ordered_json& value, unsigned depth);
    void drain(bool always);

    std::ostream& out;
    void put(std::string_view text);

    std::vector<char> buffer; // what is written, handed to `out` in large blocks
    nlohmann::detail::output_adapter_t<char> adapter;
    std::unique_ptr<Slots> slots;
    bool anyVariable = false;
};
