// The END statements that close what VALUES, VARIABLE, RECORD, SURVEY and VQZ opened.
#pragma once

#include "chain/element.h"

#include <string_view>

// The base of the END markers: each writes the end tag of the block it closes.
class EndElement : public Element {
  public:
    bool isEnd() const override { return true; }
    // Lowers the indentation by one step (never below 0) and writes "</name>".
    virtual void writeEndTag(XmlOutput& out, std::string_view name);
};

// END VALUES
class EndValuesElement : public EndElement {
  public:
    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    void write(XmlOutput& out) override;
    bool isEndValues() const override { return true; }
};

// END VARIABLE, which also gives a version 1.0 variable its columns.
class EndVariableElement : public EndElement {
  public:
    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    void write(XmlOutput& out) override;
    bool isEndVariable() const override { return true; }
};

// END RECORD
class EndRecordElement : public EndElement {
  public:
    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    void write(XmlOutput& out) override;
    bool isEndRecord() const override { return true; }
};

// END SURVEY
class EndSurveyElement : public EndElement {
  public:
    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    void write(XmlOutput& out) override;
    bool isEndSurvey() const override { return true; }
};

// END VQZ: the document is complete; nothing behind it but notes is read.
class EndDocumentElement : public EndElement {
  public:
    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    void write(XmlOutput& out) override;
    bool isEndDocument() const override { return true; }
};
