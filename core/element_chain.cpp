// The element chain the two passes work on: its head, the parse pass that fills it and the write
// pass that drains it.
#include "core/element_chain.h"

#include "chain/notes.h"
#include "core/background_writer.h"
#include "grammar/document_head.h"
#include "reader/source_reader.h"

#include <algorithm>
#include <cstdint>

namespace {

// Statements parsed before the finished part of the chain goes to a background writer: enough
// that handing over costs little, few enough that a batch stays in the processor's caches.
constexpr std::size_t backgroundBatch = 2048;

} // namespace

bool ElementChain::parseAll(SourceReader& reader, XmlOutput* out, ErrorReport* error,
                            BackgroundWriter* background, const ParseProgress* progress) {
    std::size_t sinceHanded = 0;
    // One comparison per statement: the offset to pass before the next report.
    std::size_t nextReport = progress ? std::max<std::size_t>(progress->step, 1) : SIZE_MAX;
    for (Element* current = parseOpeningKeyword(reader, head);; current = current->parse(reader)) {
        if (!current) return true;
        if (reader.position() >= nextReport) {
            progress->reached(reader.position());
            nextReport = reader.position() + std::max<std::size_t>(progress->step, 1);
        }
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

void ElementChain::writeAll(XmlOutput& out) {
    while (head.next) head.next->writeAndDelete(out);
}

void ElementChain::writeUpTo(const Element& end, XmlOutput& out) {
    while (head.next && head.next.get() != &end) head.next->writeAndDelete(out);
}

std::unique_ptr<Element> ElementChain::cutUpTo(Element& end) {
    if (!head.next || head.next.get() == &end) return nullptr;
    Element* const last = end.previous;
    std::unique_ptr<Element> front = std::move(head.next);
    head.next = std::move(last->next); // `end` and what follows it
    end.previous = &head;
    front->previous = nullptr;
    return front;
}

void ElementChain::adopt(std::unique_ptr<Element> front) {
    head.next = std::move(front); // and the chain that was behind the head, if any, is freed
    if (head.next) head.next->previous = &head;
}
