// The END statements that close what VALUES, VARIABLE, RECORD, SURVEY and VQZ opened.
#include "grammar/end_markers.h"

#include "chain/survey_output.h"
#include "chain/notes.h"
#include "chain/xml_output.h"
#include "grammar/position_size.h"
#include "grammar/recognition.h"
#include "grammar/variable.h"
#include "reader/source_reader.h"

#include <memory>

Element* EndValuesElement::tryCreate(SourceReader& reader, Element& previous) {
    return tryCreateAfterKeywords<EndValuesElement>(reader, previous, {"end", "values"});
}

const std::string_view EndValuesElement::expected = "'End Variable'";

Element* EndValuesElement::parse(SourceReader& reader) {
    return parseNext(reader, *this, {EndVariableElement::tryCreate}, expected);
}

void EndValuesElement::write(XmlOutput& out) { out.endTagLine("values"); }

Element* EndVariableElement::tryCreate(SourceReader& reader, Element& previous) {
    EndVariableElement* end =
        tryCreateAfterKeywords<EndVariableElement>(reader, previous, {"end", "variable"});
    if (!end) return nullptr;
    // Only a version 1.0 position is computed here. A version 1.1 variable cannot reach its end
    // without its typed POSITION, so the walk would find it and do nothing with it.
    if (reader.minorVersion() != 0) return end;
    // The variable's position stands in front of its end; the walk stops at its own start.
    for (Element* element = &previous; element && !element->isVariable();
         element = element->previousElement()) {
        if (element->isPosition()) {
            static_cast<PositionElement*>(element)->computePosition(reader, *end);
            return end;
        }
    }
    return linkBehind(
        *end, std::make_unique<ErrorElement>("No position found", std::nullopt, reader.position()));
}

const std::string_view EndVariableElement::expected = "'End Record'";

Element* EndVariableElement::parse(SourceReader& reader) {
    return parseNext(reader, *this, {VariableElement::tryCreate, EndRecordElement::tryCreate},
                     expected);
}

void EndVariableElement::write(XmlOutput& out) { out.endTagLine("variable"); }

void EndVariableElement::describe(SurveyOutput& model) { model.endVariable(); }

Element* EndRecordElement::tryCreate(SourceReader& reader, Element& previous) {
    return tryCreateAfterKeywords<EndRecordElement>(reader, previous, {"end", "record"});
}

const std::string_view EndRecordElement::expected = "'End Survey'";

Element* EndRecordElement::parse(SourceReader& reader) {
    return parseNext(reader, *this, {EndSurveyElement::tryCreate}, expected);
}

void EndRecordElement::write(XmlOutput& out) { out.endTagLine("record"); }

Element* EndSurveyElement::tryCreate(SourceReader& reader, Element& previous) {
    return tryCreateAfterKeywords<EndSurveyElement>(reader, previous, {"end", "survey"});
}

const std::string_view EndSurveyElement::expected = "'End VQZ'";

Element* EndSurveyElement::parse(SourceReader& reader) {
    return parseNext(reader, *this, {EndDocumentElement::tryCreate}, expected);
}

void EndSurveyElement::write(XmlOutput& out) { out.endTagLine("survey"); }

Element* EndDocumentElement::tryCreate(SourceReader& reader, Element& previous) {
    return tryCreateAfterKeywords<EndDocumentElement>(reader, previous, {"end", "vqz"});
}

// The document is complete: notes right behind END VQZ are kept, anything else is never read.
Element* EndDocumentElement::parse(SourceReader& reader) {
    skipNotes(reader, *this);
    return nullptr;
}

void EndDocumentElement::write(XmlOutput& out) { out.endTagLine("vqz"); }
