// The element chain: one element per statement, built by the parse pass, drained by the write pass.
#pragma once

#include "chain/element_pool.h"

#include <cstddef>
#include <memory>
#include <string_view>

class SourceReader;
class SurveyOutput;
class XmlOutput;

// The base of every element, and itself the head of the chain. `next` owns the rest of the
// chain; `previous` owns nothing. An element holds views of the input and nothing else it would
// have to free: the survey model's pass lets the elements of a batch go with their chunk without
// destroying them.
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
    // Tells the survey model what `write` would write; in the same order, with nothing pulled
    // forward.
    virtual void describe(SurveyOutput& model);

    virtual bool isVersion() const { return false; }
    virtual bool isHeaderKind(int /*kind*/) const { return false; }
    virtual bool isStandardNames() const { return false; }
    virtual bool isSurvey() const { return false; }
    virtual bool isVariable() const { return false; }
    virtual bool isType() const { return false; }
    virtual bool isSingle() const { return false; }
    virtual bool isMultiple() const { return false; }
    virtual bool isQuantity() const { return false; }
    virtual bool isCharacter() const { return false; }
    virtual bool isLogical() const { return false; }
    virtual bool isPosition() const { return false; }
    virtual bool isSize() const { return false; }
    virtual bool isValues() const { return false; }
    virtual bool isValue() const { return false; }
    virtual bool isRange() const { return false; }
    virtual bool isEnd() const { return false; }
    virtual bool isNote() const { return false; }
    virtual bool isError() const { return false; }

    // Writes this element, destroys it and returns the element that now follows its place.
    Element* writeAndDelete(XmlOutput& out);

    Element* nextElement() const { return next.get(); }
    Element* previousElement() const { return previous; }

    // Links `element` in right behind `predecessor` and returns it.
    template <class T> static T* linkBehind(Element& predecessor, std::unique_ptr<T> element) {
        T* const linked = element.release();
        predecessor.insertBehind(linked);
        return linked;
    }

  private:
    // The passes cut the chain into batches and drain it.
    friend class ElementChain;

    // Takes `element` over.
    void insertBehind(Element* element) noexcept {
        element->previous = this;
        element->next = std::move(next);
        if (element->next) element->next->previous = element;
        next.reset(element);
    }
    std::unique_ptr<Element> detach();

    std::unique_ptr<Element> next;
    Element* previous = nullptr;
};
