// The element chain: one element per statement, built by the parse pass, drained by the write pass.
#include "chain/element.h"

#include "chain/background_writer.h"
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

namespace {

// Statements parsed before the finished part of the chain goes to a background writer: enough
// that handing over costs little, few enough that a batch stays in the processor's caches.
constexpr std::size_t backgroundBatch = 2048;

} // namespace

bool Element::parseAll(SourceReader& reader, Element* (*start)(SourceReader&, Element&),
                       XmlOutput* out, ErrorReport* error, BackgroundWriter* background) {
    std::size_t sinceHanded = 0;
    for (Element* current = start(reader, *this);; current = current->parse(reader)) {
        if (!current) return true;
        if (current->isError()) {
            if (error) *error = static_cast<ErrorElement*>(current)->report();
            return false;
        }
        // Nothing written in front of a variable waits for anything later: the head is complete
        // at SURVEY, and a variable's position is computed by its END VARIABLE. So only one
        // variable (or the head, survey and record before the first) is held at any time, or a
        // batch of them while a background writer takes the one before.
        ++sinceHanded;
        if (!current->isVariable()) continue;
        if (background) {
            if (sinceHanded >= backgroundBatch) {
                background->hand(cutUpTo(*current));
                sinceHanded = 0;
            }
        } else if (out) {
            writeUpTo(*current, *out);
        }
    }
}

std::unique_ptr<Element> Element::cutUpTo(Element& end) {
    if (!next || next.get() == &end) return nullptr;
    Element* const last = end.previous;
    std::unique_ptr<Element> front = std::move(next);
    next = std::move(last->next); // `end` and what follows it
    end.previous = this;
    front->previous = nullptr;
    return front;
}

void Element::adopt(std::unique_ptr<Element> front) {
    next = std::move(front); // and the chain that was behind this head, if any, is freed
    if (next) next->previous = this;
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

std::unique_ptr<Element> Element::detach() {
    std::unique_ptr<Element> self = std::move(previous->next);
    if (next) next->previous = previous;
    previous->next = std::move(next);
    previous = nullptr;
    return self;
}
