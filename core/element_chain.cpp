// The element chain the two passes work on: its head, the parse pass that fills it and the write
// pass that drains it.
#include "core/element_chain.h"

#include "chain/notes.h"
#include "grammar/document_head.h"
#include "reader/source_reader.h"

#include <algorithm>
#include <cstdint>

bool ElementChain::parseAll(SourceReader& reader, ErrorReport* error,
                            const FrontFinished& finished, const ParseProgress* progress) {
    std::size_t statements = 0;
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
        ++statements;
        if (current->isVariable() && finished) {
            finished(*current, statements);
            statements = 0;
        }
    }
}

void ElementChain::writeAll(XmlOutput& out) {
    while (head.next) head.next->writeAndDelete(out);
}

void ElementChain::writeUpTo(const Element& end, XmlOutput& out) {
    while (head.next && head.next.get() != &end) head.next->writeAndDelete(out);
}

void ElementChain::describeAll(SurveyOutput& model) { describeFront(nullptr, model); }

void ElementChain::describeUpTo(const Element& end, SurveyOutput& model) {
    describeFront(&end, model);
}

// An element describes itself alone and never looks behind it, so the elements in front of
// `end` are taken off the chain together and destroyed one by one as they are described,
// without relinking the chain around each.
void ElementChain::describeFront(const Element* end, SurveyOutput& model) {
    if (elementPool::releasesKept()) {
        // An element's memory goes with its batch's chunk here, and an element holds nothing
        // but views and the chain behind it: the described ones are let go, not destroyed.
        Element* element = head.next.release();
        while (element && element != end) {
            element->describe(model);
            element = element->next.release();
        }
        head.next.reset(element);
        if (element) element->previous = &head;
        return;
    }
    std::unique_ptr<Element> element = std::move(head.next);
    while (element && element.get() != end) {
        element->describe(model);
        std::unique_ptr<Element> following = std::move(element->next);
        element = std::move(following); // the described one goes
    }
    head.next = std::move(element);
    if (head.next) head.next->previous = &head;
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
