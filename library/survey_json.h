// The survey model as JSON: one document per input, its names in snake_case, absent values null.
#pragma once

#include "core/conversion.h"
#include "survey/survey_builder.h"
#include "vqz2xml/survey.hpp"

#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// Writes the survey of `input` to `out` as its JSON document, a variable at a time; with
// `settings.writeInBackground` the document is made on a second thread while the parse goes on.
vqz2xml::Outcome writeSurveyJson(std::string_view input, std::ostream& out,
                                 const vqz2xml::Options& options,
                                 const ConversionSettings& settings = {});

// Writes the document variable by variable as the parse hands them over, so that only one
// variable is held at a time (and the notes, which follow the variables, as their JSON). The layout
// is nlohmann-json's compact dump, one line ended by a line feed. The document's shape is fixed, so
// its keys and punctuation are written as they stand, and so are whole numbers and the runs of a
// text that nlohmann's serializer would write unchanged (valid UTF-8 without a quote, a backslash
// or a control character); each character it escapes, and every other value, goes through it.
class alignas(64) SurveyJsonWriter : public SurveySink { // 64 bytes: a cache line
  public:
    explicit SurveyJsonWriter(std::ostream& sink);
    ~SurveyJsonWriter() override;

    void head(const vqz2xml::Survey& survey) override;
    void variable(const OpenVariable& variable) override;
    void codeEntry(const OpenVariable& of, const CodeEntry& entry) override;
    // Held as JSON until the variables are written, for "notes" follows them.
    void note(std::string_view text, std::size_t before) override;
    // A variable of a model made before, with its code entries.
    void modelVariable(const vqz2xml::Variable& variable);
    // The rest of the document, from what describeInput returned: the notes given, then the
    // outcome.
    void finish(const vqz2xml::SurveyResult& result);

    class Block; // the document as it is made

  private:
    void member(std::string_view name, const nlohmann::ordered_json& value, bool first);
    void drain(bool always);

    std::ostream& out;
    std::unique_ptr<Block> block; // what is written, handed to `out` in large pieces
    std::unique_ptr<Block> notes; // the elements of "notes", held to the end
    bool anyVariable = false;
    bool entriesOpen = false; // the open variable's fields are written, its entries going on
};
