// The element chain the two passes work on: its head, the parse pass that fills it and the write
// pass that drains it.
#pragma once

#include "chain/element.h"

#include <cstddef>
#include <functional>
#include <memory>

class BackgroundWriter;
class SourceReader;
class XmlOutput;
struct ErrorReport;

// Who is told how far the parse pass has come: the offset reached, each time it has gone past
// another `step` bytes.
struct ParseProgress {
    std::function<void(std::size_t)> reached;
    std::size_t step = 0;
};

// A plain head element and the chain behind it, one element per statement.
class ElementChain {
  public:
    ElementChain() = default;
    ElementChain(const ElementChain&) = delete;
    ElementChain& operator=(const ElementChain&) = delete;

    // The parse pass: the opening keyword is recognised behind the head, and each element's
    // parse goes on from there. True when the document was complete, false when it ended at an
    // error report, which is then described in `error` if one is given. With an `out`, every
    // part of the chain that nothing later can change is written and destroyed as soon as the
    // pass has moved on from it, so only the open part of the document is held. With a
    // `background` writer too, those parts are cut off in batches and handed to it instead, to
    // be written on its thread while the pass goes on. A `progress` is told the offset reached
    // between two statements.
    bool parseAll(SourceReader& reader, XmlOutput* out = nullptr, ErrorReport* error = nullptr,
                  BackgroundWriter* background = nullptr, const ParseProgress* progress = nullptr);
    // The write pass: writes and destroys every element behind the head.
    void writeAll(XmlOutput& out);
    // Makes `front`, a chain cut off another head, the chain behind this head, in place of any
    // it had.
    void adopt(std::unique_ptr<Element> front);

  private:
    void writeUpTo(const Element& end, XmlOutput& out);
    // Cuts the elements behind the head and in front of `end` out of the chain and returns them
    // as a chain of their own, owned by its first element.
    std::unique_ptr<Element> cutUpTo(Element& end);

    Element head;
};
