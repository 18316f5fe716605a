// Notes beside a diagnostic: the likely cause of a fault, when it is clear from what was
// expected and what was found.
#pragma once

#include "vqz2xml/vqz2xml.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// One note: where it points and what it says ("did you mean 'SURVEY'?").
struct Hint {
    std::size_t line = 0;
    std::size_t column = 0;
    std::string text;
};

// The note for a faulty input's diagnostic, `input` being the text it was found in, or none when
// no cause is clear: a found word within two letters of a keyword the place takes, a VERSION
// other than 1.0 or 1.1, a TYPE or a record identifier that is none, or a RECORD that took the
// first letter of the next keyword as its identifier.
std::optional<Hint> diagnosticHint(const vqz2xml::Diagnostic& diagnostic, std::string_view input);

// The note as a line, in the form of the diagnostic's own: "FILE:LINE:COLUMN: note: TEXT".
std::string noteLine(std::string_view fileName, const Hint& hint);

// The number of single-letter insertions, deletions, substitutions and swaps of neighbours that
// turn `a` into `b`, ignoring letter case; `most + 1` when it is more than `most`. Only the
// first 32 bytes of each are compared.
std::size_t editDistance(std::string_view a, std::string_view b, std::size_t most);
