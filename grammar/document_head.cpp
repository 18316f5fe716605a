// The head of a classic file: VQZ, VERSION, the header fields and STANDARD NAMES.
#include "grammar/document_head.h"

#include "chain/notes.h"
#include "chain/survey_output.h"
#include "chain/xml_output.h"
#include "grammar/recognition.h"
#include "grammar/survey_record.h"
#include "reader/source_reader.h"

#include <memory>

namespace {

constexpr HeaderKind headerKinds[] = {HeaderKind::Date, HeaderKind::Time, HeaderKind::Origin,
                                      HeaderKind::User};

std::string_view headerKeyword(HeaderKind kind) {
    switch (kind) {
    case HeaderKind::Date: return "date";
    case HeaderKind::Time: return "time";
    case HeaderKind::Origin: return "origin";
    case HeaderKind::User: return "user";
    }
    return {};
}

} // namespace

Element* parseOpeningKeyword(SourceReader& reader, Element& head) {
    if (Element* document = DocumentElement::tryCreate(reader, head)) return document;
    return Element::linkBehind(head, ErrorElement::atReader("'VQZ'", reader));
}

Element* DocumentElement::tryCreate(SourceReader& reader, Element& previous) {
    return tryCreateAfterKeywords<DocumentElement>(reader, previous, {"vqz"});
}

const std::string_view DocumentElement::expected = "'Version'";

Element* DocumentElement::parse(SourceReader& reader) {
    return parseNext(reader, *this, {VersionElement::tryCreate}, expected);
}

void DocumentElement::write(XmlOutput& out) {
    out.line("<?xml version=\"1.0\"?>");
    out.startLine();
    out.write("<vqz ");
    writeAttributes(out);
    out.put('>');
    out.endLine();
    out.nest();
    for (const HeaderKind kind : headerKinds) writeHeaderField(out, static_cast<int>(kind));
}

// The version and the options stand in the root start tag, wherever the head put them.
void DocumentElement::writeAttributes(XmlOutput& out) {
    Element* element = nextElement();
    while (element && !element->isSurvey()) {
        if (element->isVersion()) {
            element = element->writeAndDelete(out);
        } else if (element->isStandardNames()) {
            out.put(' ');
            element->writeAndDelete(out);
            return;
        } else {
            element = element->nextElement();
        }
    }
}

// The header fields come in a fixed order: the notes right in front go first, then the first
// field of the kind; later fields and the notes among them follow in the order they were read.
void DocumentElement::writeHeaderField(XmlOutput& out, int kind) {
    Element* element = nextElement();
    while (element && element->isNote()) element = element->writeAndDelete(out);
    for (; element && !element->isSurvey(); element = element->nextElement()) {
        if (element->isHeaderKind(kind)) {
            element->writeAndDelete(out);
            return;
        }
    }
}

Element* VersionElement::tryCreate(SourceReader& reader, Element& previous) {
    const auto start = reader.position();
    if (reader.matchKeyword("version") && reader.matchKeyword("1.")) {
        // Nothing after the minor digit is looked at: VERSION 1.10 is 1.1 and leaves the 0.
        int minor = -1;
        if (reader.matchKeyword("0")) {
            minor = 0;
        } else if (reader.matchKeyword("1")) {
            minor = 1;
        }
        if (minor >= 0) {
            reader.setMinorVersion(minor);
            return linkBehind(previous, std::make_unique<VersionElement>(minor));
        }
    }
    reader.restore(start);
    return nullptr;
}

const std::string_view VersionElement::expected = "'User', 'Date', 'Time' or 'Origin'";

Element* VersionElement::parse(SourceReader& reader) {
    return parseNext(
        reader, *this,
        {HeaderFieldElement::tryCreate, StandardNamesElement::tryCreate, SurveyElement::tryCreate},
        expected);
}

// The document is always written as version 1.1, whichever version was read.
void VersionElement::write(XmlOutput& out) { out.write("version=\"1.1\""); }

void VersionElement::describe(SurveyOutput& model) { model.version(minor); }

Element* HeaderFieldElement::tryCreate(SourceReader& reader, Element& previous) {
    const auto start = reader.position();
    for (const HeaderKind kind : headerKinds) {
        std::string_view text;
        if (reader.readKeywordString(headerKeyword(kind), text)) {
            return linkBehind(
                previous, std::make_unique<HeaderFieldElement>(headerKeyword(kind), text, kind));
        }
    }
    reader.restore(start);
    return nullptr;
}

const std::string_view HeaderFieldElement::expected =
    "'User', 'Date', 'Time', 'Origin', 'Standard Names' or 'Survey'";

Element* HeaderFieldElement::parse(SourceReader& reader) {
    return parseNext(
        reader, *this,
        {HeaderFieldElement::tryCreate, StandardNamesElement::tryCreate, SurveyElement::tryCreate},
        expected);
}

// Header texts are written as typed: their brace codes are not decoded, but escaped.
void HeaderFieldElement::write(XmlOutput& out) {
    out.startTextElement(tagName);
    writeText(out, text);
    out.endTextElement(tagName);
}

void HeaderFieldElement::describe(SurveyOutput& model) {
    switch (kind) {
    case HeaderKind::Date: model.headerField(HeaderField::Date, text); return;
    case HeaderKind::Time: model.headerField(HeaderField::Time, text); return;
    case HeaderKind::Origin: model.headerField(HeaderField::Origin, text); return;
    case HeaderKind::User: model.headerField(HeaderField::User, text); return;
    }
}

Element* StandardNamesElement::tryCreate(SourceReader& reader, Element& previous) {
    return tryCreateAfterKeywords<StandardNamesElement>(reader, previous, {"standard", "names"});
}

const std::string_view StandardNamesElement::expected = "'Survey'";

Element* StandardNamesElement::parse(SourceReader& reader) {
    return parseNext(reader, *this, {SurveyElement::tryCreate}, expected);
}

void StandardNamesElement::write(XmlOutput& out) { out.write("options=\"standardnames\""); }

void StandardNamesElement::describe(SurveyOutput& model) { model.standardNames(); }
