// The survey a classic input describes: its head, its variables with their columns and codes, and
// its notes, as values rather than XML text.
#pragma once

#include "vqz2xml/vqz2xml.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#if defined(__GNUC__) && !defined(_WIN32)
#pragma GCC visibility push(default)
#endif

namespace vqz2xml {

// Every text below is UTF-8 and holds the characters the XML shows: the bytes read in the
// encoding used, brace codes decoded where the XML decodes them (the title, labels and code
// labels), "{nl}" as a line feed, and control characters as themselves. Names, identifiers and
// the header fields keep their brace codes as typed, as the XML does.

enum class VariableType { Single, Multiple, Quantity, Character, Logical };

// One entry of a code list: [code] "label" [SPECIAL].
struct Code {
    std::optional<std::string> code; // as typed; absent when the entry has none
    // The code's value ("007" is 7, "-1" is -1, "1.5" is 1.5, ".5" is 0.5); absent for a code
    // that is no number ("1.2.3", "-"). An entry without a code is numbered one above the
    // highest whole code before it in the list, a range's upper bound included.
    std::optional<double> number;
    std::string label;
    bool special = false; // the entry carried SPECIAL: a code such as "Refused" that is no answer
};

// number TO number, as typed.
struct Range {
    std::string from;
    std::string to;
};

// SPREAD subfields [OF width].
struct Spread {
    std::int64_t subfields = 0;
    std::optional<std::int64_t> width;
};

struct Variable {
    std::string ident; // the digits after VARIABLE, as typed
    std::string name;
    std::string label;
    VariableType type = VariableType::Single;
    // The columns the XML's position element shows (computed for version 1.0); absent where it
    // shows none. Numbers too large for 64 bits stand at the largest one.
    std::optional<std::int64_t> start;
    std::optional<std::int64_t> finish;
    // The columns the variable takes in a record: finish - start + 1 (0 when finish lies below
    // start), 1 without a finish in version 1.1; in version 1.0 the width its columns were
    // computed from, which may be 0. 0 when it has no columns at all.
    std::int64_t width = 0;
    std::optional<Spread> spread;
    std::optional<std::int64_t> size;
    std::optional<Range> range; // a version 1.0 SIZE low TO high is a range too
    std::vector<Code> values;
};

// A note and where it stood: `before` is the index of the first variable that follows it, or
// the number of variables when none does.
struct Note {
    std::string text;
    std::size_t before = 0;
};

struct Survey {
    std::string version;        // "1.0" or "1.1"; empty when the input stops before VERSION
    bool standardNames = false; // STANDARD NAMES was given
    // Each the text of the first statement of its kind; absent when not given.
    std::optional<std::string> date;
    std::optional<std::string> time;
    std::optional<std::string> origin;
    std::optional<std::string> user;
    std::optional<std::string> title;
    std::optional<std::string> record; // the record identifier, one letter
    std::vector<Variable> variables;
    std::vector<Note> notes;
};

struct SurveyResult {
    // Of a faulty input, everything recognised before the fault, as its XML shows it.
    Survey survey;
    bool complete = false;
    std::optional<Diagnostic> diagnostic; // present exactly when `complete` is false
    Encoding encoding = Encoding::Latin1; // the one used: never Auto
};

// Reads the survey from a whole classic input held in memory, through the same parse as the
// conversion. Throws std::bad_alloc when memory runs out.
VQZ2XML_API SurveyResult readSurvey(std::string_view input, const Options& options = {});

// The survey as one JSON document (indented by two blanks, ending in a line end): the head's
// fields, "variables", "notes", "complete", "encoding" and "diagnostic", with the names of the
// model in snake_case ("standard_names") and null for every absent value.
VQZ2XML_API std::string toJson(const SurveyResult& result);

// "single", "multiple", "quantity", "character" or "logical".
VQZ2XML_API std::string_view typeName(VariableType type);

} // namespace vqz2xml

#if defined(__GNUC__) && !defined(_WIN32)
#pragma GCC visibility pop
#endif
