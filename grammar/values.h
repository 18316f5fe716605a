// A variable's code list: VALUES, at most one range first, then code entries.
#pragma once

#include "chain/element.h"
#include "chain/text_escape.h"

#include <cstdint>
#include <string_view>

// VALUES
class ValuesElement : public Element {
  public:
    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
    void describe(SurveyOutput& model) override;
    bool isValues() const override { return true; }
};

// [code] "label" [SPECIAL]
class ValueElement : public Element {
  public:
    ValueElement(std::string_view typedCode, CodedText codedLabel, bool isSpecial = false)
        : code(typedCode), label(codedLabel), special(isSpecial) {}
    ValueElement(std::string_view typedCode, std::string_view decodedLabel)
        : code(typedCode), label(decodedLabel) {}

    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
    void describe(SurveyOutput& model) override;
    bool isValue() const override { return true; }

    // Characters the code takes; raises `highest` to the code's value. An entry without a code
    // counts as numbered one above the highest code so far.
    std::int64_t codeWidth(std::int64_t& highest) const;

  private:
    std::string_view code; // empty when the entry has none: a typed code has a character at least
    CodedText label;
    bool special = false; // SPECIAL: a code that is no answer, which the XML does not show
};

// number TO number [WITH]
class RangeElement : public Element {
  public:
    RangeElement(std::string_view low, std::string_view high) : from(low), to(high) {}

    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
    void describe(SurveyOutput& model) override;
    bool isRange() const override { return true; }

    // Characters of the longer bound; raises `highest` to the value of the upper bound.
    std::int64_t codeWidth(std::int64_t& highest) const;

  private:
    std::string_view from;
    std::string_view to;
};
