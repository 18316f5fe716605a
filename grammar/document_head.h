// The head of a classic file: VQZ, VERSION, the header fields and STANDARD NAMES.
#pragma once

#include "chain/element.h"

#include <string_view>

// The start of the parse pass: the opening keyword behind the chain's head, or the error report
// when the input does not begin with it. No note may stand in front of it.
Element* parseOpeningKeyword(SourceReader& reader, Element& head);

// VQZ: the XML declaration and the root element, with the version, the options and the
// header fields pulled forward into place.
class DocumentElement : public Element {
  public:
    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;

  private:
    void writeAttributes(XmlOutput& out);
    void writeHeaderField(XmlOutput& out, int kind);
};

// VERSION 1.0 | VERSION 1.1
class VersionElement : public Element {
  public:
    explicit VersionElement(int minorVersion) : minor(minorVersion) {}

    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
    void describe(SurveyOutput& model) override;
    bool isVersion() const override { return true; }

  private:
    int minor;
};

enum class HeaderKind { Date = 1, Time = 2, Origin = 3, User = 4 };

// DATE ["text"] | TIME ["text"] | ORIGIN ["text"] | USER ["text"]
class HeaderFieldElement : public Element {
  public:
    HeaderFieldElement(std::string_view keyword, std::string_view typed, HeaderKind fieldKind)
        : tagName(keyword), text(typed), kind(fieldKind) {}

    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
    void describe(SurveyOutput& model) override;
    bool isHeaderKind(int k) const override { return k == static_cast<int>(kind); }

  private:
    std::string_view tagName;
    std::string_view text;
    HeaderKind kind;
};

// STANDARD NAMES
class StandardNamesElement : public Element {
  public:
    static Element* tryCreate(SourceReader& reader, Element& previous);
    Element* parse(SourceReader& reader) override;
    static const std::string_view expected;
    void write(XmlOutput& out) override;
    void describe(SurveyOutput& model) override;
    bool isStandardNames() const override { return true; }
};
