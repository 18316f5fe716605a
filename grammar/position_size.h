// Where a variable's data lie: POSITION (or the computed columns of version 1.0), SPREAD and SIZE.
#pragma once

#include "chain/element.h"

#include <cstdint>
#include <string_view>

// POSITION digits [TO digits] in version 1.1; in version 1.0 nothing is read and the columns
// are computed when END VARIABLE is reached.
class PositionElement : public Element {
  public:
    PositionElement() = default;
    PositionElement(std::string_view first, std::string_view last) : start(first), finish(last) {}

    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
    void describe(SurveyOutput& model) override;
    bool isPosition() const override { return true; }

    // Gives a version 1.0 variable its columns from its type and its size or codes.
    void computePosition(SourceReader& reader, Element& endVariable);
    // Gives the variable `width` columns behind those already used.
    void assignColumns(SourceReader& reader, std::int64_t width);

  private:
    std::int64_t codeColumns(Element& endVariable, bool single);
    std::int64_t quantityColumns(Element& endVariable);
    std::int64_t characterColumns(Element& endVariable);

    // The columns as typed (an empty text is absent: a typed one has a digit at least), or
    // as computed; a computed column is never below 1, so 0 stands for none.
    std::string_view start;
    std::string_view finish;
    std::int64_t computedStart = 0;
    std::int64_t computedFinish = 0;
    std::int64_t computedWidth = 0; // the columns computed from, which may be none
};

// SPREAD digits [OF digits]
class SpreadElement : public Element {
  public:
    SpreadElement(std::string_view count, std::string_view eachWidth)
        : subfields(count), width(eachWidth) {}

    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
    void describe(SurveyOutput& model) override;

  private:
    std::string_view subfields;
    std::string_view width; // empty when absent
};

// SIZE digits; in version 1.0 also SIZE number TO number, which becomes a block of values.
class SizeElement : public Element {
  public:
    explicit SizeElement(std::string_view digits) : size(digits) {}

    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
    void describe(SurveyOutput& model) override;
    bool isSize() const override { return true; }

    std::string_view sizeText() const { return size; }

  private:
    std::string_view size;
};
