// The survey, its title and its one record.
#include "grammar/survey_record.h"

#include "chain/survey_output.h"
#include "chain/xml_output.h"
#include "grammar/recognition.h"
#include "grammar/variable.h"
#include "reader/source_reader.h"

#include <memory>

// Unlike every other recognition, a failed SURVEY leaves the white space in front of the word
// consumed, so the head's error report shows the misspelt word first, not the line end.
Element* SurveyElement::tryCreate(SourceReader& reader, Element& previous) {
    if (!reader.matchKeyword("survey")) {
        reader.resetToMark();
        return nullptr;
    }
    return linkBehind(previous, std::make_unique<SurveyElement>());
}

const std::string_view SurveyElement::expected = "'Title'";

Element* SurveyElement::parse(SourceReader& reader) {
    return parseNext(reader, *this, {TitleElement::tryCreate, RecordElement::tryCreate}, expected);
}

void SurveyElement::write(XmlOutput& out) {
    out.line("<survey>");
    out.nest();
}

Element* TitleElement::tryCreate(SourceReader& reader, Element& previous) {
    return tryCreateWithText<TitleElement, BraceCodes::Decoded>(reader, previous, "title");
}

const std::string_view TitleElement::expected = "RECORD record_id";

Element* TitleElement::parse(SourceReader& reader) {
    return parseNext(reader, *this, {RecordElement::tryCreate}, expected);
}

void TitleElement::write(XmlOutput& out) {
    out.startTextElement("title");
    writeText(out, text.decoded(out.decodingRoom));
    out.endTextElement("title");
}

// Only one letter is taken: in RECORD AB the B is left for the next statement.
Element* RecordElement::tryCreate(SourceReader& reader, Element& previous) {
    const auto start = reader.position();
    char ident = 0;
    if (!reader.matchKeyword("record") || !reader.readLetter(ident)) {
        reader.restore(start);
        return nullptr;
    }
    return linkBehind(previous, std::make_unique<RecordElement>(ident));
}

const std::string_view RecordElement::expected = "'VARIABLE var_id'";

Element* RecordElement::parse(SourceReader& reader) {
    return parseNext(reader, *this, {VariableElement::tryCreate}, expected);
}

void RecordElement::write(XmlOutput& out) {
    out.startLine();
    out.write("<record ident=\"");
    out.put(ident);
    out.write("\">");
    out.endLine();
    out.nest();
}

void TitleElement::describe(SurveyOutput& model) { model.title(text.decoded(model.decodingRoom)); }

void RecordElement::describe(SurveyOutput& model) { model.record(ident); }
