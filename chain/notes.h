// Notes between statements, the note step every parse runs first, and the error report.
#pragma once

#include "chain/element.h"
#include "reader/source_reader.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

// NOTE "text", or <text> with nested <...> and "..." sections: written as an XML comment.
class NoteElement : public Element {
  public:
    explicit NoteElement(std::string_view typed) : text(typed) {}

    Element* parse(SourceReader& reader) override;
    void write(XmlOutput& out) override;
    void describe(SurveyOutput& model) override;
    bool isNote() const override { return true; }

  private:
    std::string_view text;
};

// What an error report says, and where in the input its found text begins.
struct ErrorReport {
    std::size_t offset = 0;
    std::string_view expected;
    std::optional<std::string_view> found;
};

// Ends the parse pass: what was expected and up to 40 bytes of what was found instead.
class ErrorElement : public Element {
  public:
    ErrorElement(std::string_view expected, std::optional<std::string_view> foundText,
                 std::size_t foundAt)
        : message(expected), found(foundText), offset(foundAt) {}
    // The report of an expected statement missing at the reader's position.
    static std::unique_ptr<ErrorElement> atReader(std::string_view expected, SourceReader& reader);

    Element* parse(SourceReader& reader) override;
    void write(XmlOutput& out) override;
    bool isError() const override { return true; }

    ErrorReport report() const { return {offset, message, found}; }

  private:
    std::string_view message;
    std::optional<std::string_view> found;
    std::size_t offset;
};

// Links a NoteElement for each note at the reader's position and returns the last one, or
// `predecessor` when no note follows.
Element& skipNotes(SourceReader& reader, Element& predecessor);
