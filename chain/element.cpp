// The element chain: one element per statement, built by the parse pass, drained by the write pass.
#include "chain/element.h"

#include "chain/text_escape.h"

Element::~Element() {
    // Frees whatever still follows one element per turn, so no chain is too long to destroy.
    while (next) next = std::move(next->next);
}

// Only the head is a plain element, and the parse pass starts behind it with the opening
// statement.
Element* Element::parse(SourceReader& /*reader*/) { return nullptr; }

void Element::write(XmlOutput& /*out*/) {}

void Element::writeText(XmlOutput& out, std::string_view text) { writeEscapedText(out, text); }

void Element::describe(SurveyOutput& /*model*/) {}

Element* Element::writeAndDelete(XmlOutput& out) {
    write(out);
    Element* const following = next.get();
    detach(); // destroys this element; nothing of it may be touched from here on
    return following;
}

std::unique_ptr<Element> Element::detach() {
    std::unique_ptr<Element> self = std::move(previous->next);
    if (next) next->previous = previous;
    previous->next = std::move(next);
    previous = nullptr;
    return self;
}
