// The element chain: one element per statement, built by the parse pass, drained by the write pass.
#include "chain/element.h"

#include "chain/notes.h"
#include "chain/text_escape.h"

Element::~Element() {
    // Frees whatever still follows one element per turn, so no chain is too long to destroy.
    while (next) next = std::move(next->next);
}

// Only the head is a plain element, and the parse pass starts behind it with the opening
// statement it is given.
Element* Element::parse(SourceReader& /*reader*/) { return nullptr; }

void Element::write(XmlOutput& /*out*/) {}

void Element::writeText(XmlOutput& out, std::string_view text) { writeEscapedText(out, text); }

bool Element::parseAll(SourceReader& reader, Element* (*start)(SourceReader&, Element&),
                       XmlOutput* out, ErrorReport* error) {
    for (Element* current = start(reader, *this);; current = current->parse(reader)) {
        if (!current) return true;
        if (current->isError()) {
            if (error) *error = static_cast<ErrorElement*>(current)->report();
            return false;
        }
        // Nothing written in front of a variable waits for anything later: the head is complete
        // at SURVEY, and a variable's position is computed by its END VARIABLE. So only one
        // variable (or the head, survey and record before the first) is held at any time.
        if (out && current->isVariable()) writeUpTo(*current, *out);
    }
}

void Element::writeUpTo(const Element& end, XmlOutput& out) {
    while (next && next.get() != &end) next->writeAndDelete(out);
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
