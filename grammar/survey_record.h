// The survey, its title and its one record.
#pragma once

#include "chain/element.h"
#include "chain/text_escape.h"

#include <string_view>

// SURVEY
class SurveyElement : public BlockElement {
  public:
    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    void write(XmlOutput& out) override;
    bool isSurvey() const override { return true; }
};

// TITLE ["text"]
class TitleElement : public Element {
  public:
    explicit TitleElement(CodedText coded) : text(coded) {}

    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    void write(XmlOutput& out) override;
    bool isTitle() const override { return true; }

  private:
    CodedText text;
};

// RECORD letter
class RecordElement : public BlockElement {
  public:
    explicit RecordElement(char letter) : ident(letter) {}

    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    void write(XmlOutput& out) override;
    bool isRecord() const override { return true; }

  private:
    char ident;
};
