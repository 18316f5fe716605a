// The element chain the two passes work on: its head, the parse pass that fills it and the write
// pass that drains it.
#pragma once

#include "chain/element.h"

#include <cstddef>
#include <functional>
#include <memory>

class SourceReader;
class SurveyOutput;
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

    // Told at the start of each variable, with the statements parsed since it was last told:
    // every element in front of `current` is finished, as nothing written in front of a variable
    // waits for anything later (the head is complete at SURVEY, and a variable's position is
    // computed by its END VARIABLE). So the front may be drained, or cut off, right then.
    using FrontFinished = std::function<void(Element& current, std::size_t statements)>;

    // The parse pass: the opening keyword is recognised behind the head, and each element's
    // parse goes on from there. True when the document was complete, false when it ended at an
    // error report, which is then described in `error` if one is given. A `progress` is told
    // the offset reached between two statements.
    bool parseAll(SourceReader& reader, ErrorReport* error = nullptr,
                  const FrontFinished& finished = {}, const ParseProgress* progress = nullptr);
    // The write pass: writes and destroys every element behind the head, or those in front of
    // `end`.
    void writeAll(XmlOutput& out);
    void writeUpTo(const Element& end, XmlOutput& out);
    // The same pass making the survey model instead.
    void describeAll(SurveyOutput& model);
    void describeUpTo(const Element& end, SurveyOutput& model);
    // Cuts the elements behind the head and in front of `end` out of the chain and returns them
    // as a chain of their own, owned by its first element.
    std::unique_ptr<Element> cutUpTo(Element& end);
    // Makes `front`, a chain cut off another head, the chain behind this head, in place of any
    // it had.
    void adopt(std::unique_ptr<Element> front);

  private:
    void describeFront(const Element* end, SurveyOutput& model);

    Element head;
};
