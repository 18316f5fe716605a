// The element chain: one element per statement, built by the parse pass, drained by the write pass.
#include "chain/element.h"

#include "chain/notes.h"
#include "chain/text_escape.h"
#include "grammar/document_head.h"
#include "reader/source_reader.h"

Element::~Element() {
    // Frees whatever still follows one element per turn, so no chain is too long to destroy.
    while (next) next = std::move(next->next);
}

Element* Element::parse(SourceReader& reader) {
    // No note step here: nothing but white space may stand before the opening keyword.
    if (Element* document = DocumentElement::tryCreate(reader, *this)) return document;
    return linkBehind(*this, ErrorElement::atReader("'VQZ'", reader));
}

void Element::write(XmlOutput& /*out*/) {}

void Element::writeText(XmlOutput& out, std::string_view text) { writeEscapedText(out, text); }

bool Element::parseAll(SourceReader& reader, ErrorReport* error) {
    for (Element* current = this;;) {
        current = current->parse(reader);
        if (!current) return true;
        if (current->isError()) {
            if (error) *error = static_cast<ErrorElement*>(current)->report();
            return false;
        }
    }
}

void Element::writeAll(XmlOutput& out) {
    while (next) next->writeAndDelete(out);
}

Element* Element::writeAndDelete(XmlOutput& out) {
    write(out);
    Element* const following = next.get();
    detach(); // destroys this element; nothing of it may be touched from here on
    return following;
}

void Element::insertBehind(std::unique_ptr<Element> element) {
    element->previous = this;
    element->next = std::move(next);
    if (element->next) element->next->previous = element.get();
    next = std::move(element);
}

std::unique_ptr<Element> Element::detach() {
    std::unique_ptr<Element> self = std::move(previous->next);
    if (next) next->previous = previous;
    previous->next = std::move(next);
    previous = nullptr;
    return self;
}
