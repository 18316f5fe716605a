// The survey, its title and its one record.
#pragma once

#include "chain/element.h"
#include "chain/text_escape.h"

#include <string_view>

// SURVEY
class SurveyElement : public Element {
  public:
    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
    bool isSurvey() const override { return true; }
};

// TITLE ["text"]
class TitleElement : public Element {
  public:
    explicit TitleElement(CodedText coded) : text(coded) {}

    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
    void describe(SurveyOutput& model) override;

  private:
    CodedText text;
};

// RECORD letter
class RecordElement : public Element {
  public:
    explicit RecordElement(char letter) : ident(letter) {}

    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
    void describe(SurveyOutput& model) override;

  private:
    char ident;
};
