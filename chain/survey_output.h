// What the elements tell of themselves when the survey model is made instead of the XML: the
// write pass visits them in the same order, and each describes its statement to this output.
#pragma once

#include "chain/code_number.h"
#include "vqz2xml/survey.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class HeaderField { Date, Time, Origin, User };

// An entry of a code list: its code as typed (empty when it has none), the number of an entry
// without a code (one above the highest code before it), its label in the internal text form,
// and whether it is SPECIAL.
struct CodeEntry {
    std::string_view code;
    std::int64_t implicitNumber;
    std::string_view label;
    bool special;
};

// The entry's number: the value its code stands for, or its implicit number. An output that
// writes the number as text may take it from the code's digits instead.
inline std::optional<double> entryNumber(const CodeEntry& entry) {
    if (entry.code.empty()) return static_cast<double>(entry.implicitNumber);
    return codeNumber(entry.code);
}

// Texts come as the elements hold them: names, identifiers and header fields as typed, the
// title and labels in the internal text form with their brace codes decoded.
class SurveyOutput {
  public:
    virtual ~SurveyOutput() = default;

    virtual void version(int minor) = 0;
    virtual void standardNames() = 0;
    // Only the first of each kind counts.
    virtual void headerField(HeaderField field, std::string_view typed) = 0;
    virtual void title(std::string_view text) = 0;
    virtual void record(char letter) = 0;

    virtual void beginVariable(std::string_view ident) = 0;
    virtual void name(std::string_view typed) = 0;
    virtual void label(std::string_view text) = 0;
    virtual void type(vqz2xml::VariableType type) = 0;
    virtual void position(std::optional<std::int64_t> start, std::optional<std::int64_t> finish,
                          std::int64_t width) = 0;
    virtual void spread(std::int64_t subfields, std::optional<std::int64_t> width) = 0;
    virtual void size(std::int64_t size) = 0;
    virtual void range(std::string_view from, std::string_view to) = 0;
    // A code list of about `entries` entries follows; counted only for an output that
    // `countsEntries`, since the count walks the whole list ahead.
    virtual bool countsEntries() const { return true; }
    virtual void beginValues(std::size_t entries) = 0;
    virtual void value(const CodeEntry& entry) = 0;
    virtual void endVariable() = 0;

    virtual void note(std::string_view typed) = 0;

    // Where brace codes are decoded right before a text is described.
    std::string decodingRoom;
    // The highest whole code of the current variable's list so far, by which entries without a
    // code are numbered; 0 as a variable begins.
    std::int64_t highestCode = 0;
};
