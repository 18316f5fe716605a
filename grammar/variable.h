// The opening statements of a variable: VARIABLE, NAME, LABEL and TYPE.
#pragma once

#include "chain/element.h"
#include "chain/text_escape.h"

#include <string_view>

// VARIABLE digits: the start tag, which carries the type read later as an attribute.
class VariableElement : public Element {
  public:
    explicit VariableElement(std::string_view digits) : ident(digits) {}

    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
    void describe(SurveyOutput& model) override;
    bool isVariable() const override { return true; }

  private:
    std::string_view ident;
};

// NAME ["text"], written as typed.
class NameElement : public Element {
  public:
    explicit NameElement(std::string_view typed) : text(typed) {}

    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
    void describe(SurveyOutput& model) override;

  private:
    std::string_view text;
};

// LABEL ["text"], with its brace codes decoded.
class LabelElement : public Element {
  public:
    explicit LabelElement(CodedText coded) : text(coded) {}

    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
    void describe(SurveyOutput& model) override;

  private:
    CodedText text;
};

enum class VariableKind { Single = 1, Multiple = 2, Quantity = 3, Character = 4, Logical = 5 };

// TYPE SINGLE | MULTIPLE | QUANTITY | CHARACTER | LOGICAL
class TypeElement : public Element {
  public:
    TypeElement(std::string_view word, VariableKind variableKind)
        : kindName(word), kind(variableKind) {}

    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
    void describe(SurveyOutput& model) override;
    bool isType() const override { return true; }
    bool isSingle() const override { return kind == VariableKind::Single; }
    bool isMultiple() const override { return kind == VariableKind::Multiple; }
    bool isQuantity() const override { return kind == VariableKind::Quantity; }
    bool isCharacter() const override { return kind == VariableKind::Character; }
    bool isLogical() const override { return kind == VariableKind::Logical; }

  private:
    std::string_view kindName;
    VariableKind kind;
};
