// Notes between statements, the note step every parse runs first, and the error report.
#include "chain/notes.h"

#include "chain/survey_output.h"
#include "chain/text_escape.h"
#include "chain/xml_output.h"
#include "reader/source_reader.h"

#include <memory>

Element* NoteElement::parse(SourceReader& /*reader*/) { return nullptr; }

void NoteElement::write(XmlOutput& out) {
    out.startLine();
    out.write("<!-- ");
    writeCommentText(out, text);
    out.write(" -->");
    out.endLine();
}

void NoteElement::describe(SurveyOutput& model) { model.note(text); }

std::unique_ptr<ErrorElement> ErrorElement::atReader(std::string_view expected,
                                                     SourceReader& reader) {
    const auto at = reader.position();
    return std::make_unique<ErrorElement>(expected, reader.captureFound(), at);
}

Element* ErrorElement::parse(SourceReader& /*reader*/) { return nullptr; }

void ErrorElement::write(XmlOutput& out) {
    // The report is plain text behind whatever the line held so far.
    out.startLine();
    out.write("\r\n*** Error: at corresponding point in source file:\r\n");
    out.write("           ");
    out.write(message);
    if (!found) return;
    out.write(" was expected but found:\r\n");
    out.write("           ");
    out.write(*found);
    out.write("\r\n");
}

namespace {

// One note at the reader's position, its text taken as typed; false when none is there.
bool readNote(SourceReader& reader, std::string_view& text) {
    if (reader.readKeywordString("note", text)) return true;
    return reader.matchKeyword("<") && reader.readDelimited(&text, '>');
}

} // namespace

Element& skipNotes(SourceReader& reader, Element& predecessor) {
    Element* last = &predecessor;
    for (;;) {
        // Most statements have no note in front of them, and one look at the next byte tells.
        const int next = reader.peekBehindWhitespace();
        if (next != -1 && next != 'n' && next != 'N' && next != '<') return *last;
        const auto saved = reader.position();
        std::string_view text;
        if (!readNote(reader, text)) {
            reader.restore(saved);
            return *last;
        }
        last = Element::linkBehind(*last, std::make_unique<NoteElement>(text));
    }
}
