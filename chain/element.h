// The element chain: one element per statement, built by the parse pass, drained by the write pass.
#pragma once

#include "chain/element_pool.h"

#include <cstddef>
#include <memory>
#include <string_view>

class BackgroundWriter;
class SourceReader;
class XmlOutput;
struct ErrorReport;

// The base of every element, and itself the head of the chain. `next` owns the rest of the
// chain; `previous` owns nothing.
class Element {
  public:
    Element() = default;
    virtual ~Element();
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    static void* operator new(std::size_t size) { return elementPool::allocate(size); }
    static void operator delete(void* block, std::size_t size) noexcept {
        elementPool::release(block, size);
    }

    // Reads what follows this statement, links the successor (or the error report) behind it
    // and returns the element the parse pass goes on from; null when the document is complete.
    virtual Element* parse(SourceReader& reader);
    virtual void write(XmlOutput& out);
    // Writes a text of the internal form with XML escaping; no element changes it.
    virtual void writeText(XmlOutput& out, std::string_view text);

    virtual bool isDocument() const { return false; }
    virtual bool isVersion() const { return false; }
    virtual bool isHeaderKind(int /*kind*/) const { return false; }
    virtual bool isHeaderField() const { return false; }
    virtual bool isDate() const { return false; }
    virtual bool isTime() const { return false; }
    virtual bool isOrigin() const { return false; }
    virtual bool isUser() const { return false; }
    virtual bool isStandardNames() const { return false; }
    virtual bool isSurvey() const { return false; }
    virtual bool isTitle() const { return false; }
    virtual bool isRecord() const { return false; }
    virtual bool isVariable() const { return false; }
    virtual bool isName() const { return false; }
    virtual bool isLabel() const { return false; }
    virtual bool isType() const { return false; }
    virtual bool isSingle() const { return false; }
    virtual bool isMultiple() const { return false; }
    virtual bool isQuantity() const { return false; }
    virtual bool isCharacter() const { return false; }
    virtual bool isLogical() const { return false; }
    virtual bool isPosition() const { return false; }
    virtual bool isSpread() const { return false; }
    virtual bool isSize() const { return false; }
    virtual bool isValues() const { return false; }
    virtual bool isCodeEntry() const { return false; }
    virtual bool isValue() const { return false; }
    virtual bool isRange() const { return false; }
    virtual bool isEnd() const { return false; }
    virtual bool isEndValues() const { return false; }
    virtual bool isEndVariable() const { return false; }
    virtual bool isEndRecord() const { return false; }
    virtual bool isEndSurvey() const { return false; }
    virtual bool isEndDocument() const { return false; }
    virtual bool isNote() const { return false; }
    virtual bool isError() const { return false; }

    // The parse pass, run on the head: `start` recognises the opening statement behind it, and
    // each element's parse goes on from there. True when the document was complete, false when
    // it ended at an error report, which is then described in `error` if one is given. With an
    // `out`, every part of the chain that nothing later can change is written and destroyed as
    // soon as the pass has moved on from it, so only the open part of the document is held.
    // With a `background` writer too, those parts are cut off in batches and handed to it
    // instead, to be written on its thread while the pass goes on.
    bool parseAll(SourceReader& reader, Element* (*start)(SourceReader&, Element&),
                  XmlOutput* out = nullptr, ErrorReport* error = nullptr,
                  BackgroundWriter* background = nullptr);
    // The write pass, run on the head: writes and destroys every element behind it.
    void writeAll(XmlOutput& out);
    // Writes this element, destroys it and returns the element that now follows its place.
    Element* writeAndDelete(XmlOutput& out);

    // Makes `front`, a chain cut off another head, the chain behind this head, in place of
    // any it had.
    void adopt(std::unique_ptr<Element> front);

    Element* nextElement() const { return next.get(); }
    Element* previousElement() const { return previous; }

    // Links `element` in right behind `predecessor` and returns it.
    template <class T> static T* linkBehind(Element& predecessor, std::unique_ptr<T> element) {
        T* const linked = element.release();
        predecessor.insertBehind(linked);
        return linked;
    }

  private:
    // Takes `element` over.
    void insertBehind(Element* element) noexcept {
        element->previous = this;
        element->next = std::move(next);
        if (element->next) element->next->previous = element;
        next.reset(element);
    }
    void writeUpTo(const Element& end, XmlOutput& out);
    // Cuts the elements behind this head and in front of `end` out of the chain and returns
    // them as a chain of their own, owned by its first element.
    std::unique_ptr<Element> cutUpTo(Element& end);
    std::unique_ptr<Element> detach();

    std::unique_ptr<Element> next;
    Element* previous = nullptr;
};

// The common base of the elements whose XML element stays open until an END marker closes it.
class BlockElement : public Element {};
