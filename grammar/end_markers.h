// The END statements that close what VALUES, VARIABLE, RECORD, SURVEY and VQZ opened.
#pragma once

#include "chain/element.h"

// The base of the END markers: each writes the end tag of the element it closes.
class EndElement : public Element {
  public:
    bool isEnd() const override { return true; }
};

// END VALUES
class EndValuesElement : public EndElement {
  public:
    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
};

// END VARIABLE, which also gives a version 1.0 variable its columns.
class EndVariableElement : public EndElement {
  public:
    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
    void describe(SurveyOutput& model) override;
};

// END RECORD
class EndRecordElement : public EndElement {
  public:
    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
};

// END SURVEY
class EndSurveyElement : public EndElement {
  public:
    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
};

// END VQZ: the document is complete; nothing behind it but notes is read.
class EndDocumentElement : public EndElement {
  public:
    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    void write(XmlOutput& out) override;
};
