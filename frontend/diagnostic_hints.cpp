// Notes beside a diagnostic: the likely cause of a fault, when it is clear from what was
// expected and what was found.
#include "frontend/diagnostic_hints.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

// The keywords each expected text of the grammar stands for: what may follow there, '|' between
// two of them.
struct Place {
    std::string_view expected;
    std::string_view keywords;
};

constexpr std::string_view headKeywords = "USER|DATE|TIME|ORIGIN|STANDARD NAMES|SURVEY";

constexpr Place places[] = {
    {"'VQZ'", "VQZ"},
    {"'Version'", "VERSION"},
    {"'User', 'Date', 'Time' or 'Origin'", headKeywords},
    {"'User', 'Date', 'Time', 'Origin', 'Standard Names' or 'Survey'", headKeywords},
    {"'Survey'", "SURVEY"},
    {"'Title'", "TITLE|RECORD"},
    {"RECORD record_id", "RECORD"},
    {"'VARIABLE var_id'", "VARIABLE"},
    {"NAME \"var_name\"", "NAME"},
    {"LABEL \"var_label\"", "LABEL"},
    {"TYPE var_type", "TYPE"},
    {"Variable 'Position'", "POSITION"},
    {"'Spread' or 'Size' or 'Values' or 'End Variable'", "SPREAD|SIZE|VALUES|END VARIABLE"},
    {"Variable 'Values'", "VALUES"},
    {"'End Variable'", "END VARIABLE"},
    {"'End Record'", "VARIABLE|END RECORD"},
    {"'End Survey'", "END SURVEY"},
    {"'End VQZ'", "END VQZ"},
    {"Variable Range, Code or 'End Values'", "END VALUES"},
    {"Variable Code or 'End Values'", "END VALUES"},
};

// The words a statement can start with: a RECORD that took the first letter of one of them as
// its identifier left the rest of it behind.
constexpr std::string_view statementWords[] = {
    "VQZ",      "VERSION", "USER",   "DATE",     "TIME", "ORIGIN", "STANDARD",
    "SURVEY",   "TITLE",   "RECORD", "VARIABLE", "NAME", "LABEL",  "TYPE",
    "POSITION", "SPREAD",  "SIZE",   "VALUES",   "END",  "NOTE"};

// Found words longer than this are no misspelt keyword, and are compared only this far.
constexpr std::size_t longestWord = 32;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string upperCase(std::string_view text) {
    std::string folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(), upper);
    return folded;
}

// The first `count` words of `text`, one blank between two; fewer when it has fewer.
std::string firstWords(std::string_view text, std::size_t count) {
    std::string words;
    std::size_t at = 0;
    for (std::size_t taken = 0; taken < count; ++taken) {
        while (at < text.size() && isSpace(text[at])) ++at;
        if (at == text.size()) break;
        const std::size_t end = std::min(text.size(), at + longestWord + 1);
        std::size_t stop = at;
        while (stop < end && !isSpace(text[stop])) ++stop;
        if (!words.empty()) words += ' ';
        words += upperCase(text.substr(at, stop - at));
        at = stop;
        while (at < text.size() && !isSpace(text[at])) ++at; // the rest of a very long word
    }
    return words;
}

std::vector<std::string_view> keywordsOf(std::string_view list) {
    std::vector<std::string_view> keywords;
    for (std::size_t at = 0; at <= list.size();) {
        const std::size_t bar = std::min(list.find('|', at), list.size());
        keywords.push_back(list.substr(at, bar - at));
        at = bar + 1;
    }
    return keywords;
}

const Place* placeOf(std::string_view expected) {
    for (const Place& place : places) {
        if (place.expected == expected) return &place;
    }
    return nullptr;
}

// The keyword of `place` the found text most likely misspells: within two letters, and at most
// half its length away. A keyword of two words is also compared with one found word, for
// the reader takes them run together ("ENDVARIABLE").
std::optional<std::string> closestKeyword(const Place& place, std::string_view found) {
    std::optional<std::string> closest;
    std::size_t best = 3;
    for (const std::string_view keyword : keywordsOf(place.keywords)) {
        const std::size_t words =
            1 + static_cast<std::size_t>(std::count(keyword.begin(), keyword.end(), ' '));
        std::string runTogether(keyword);
        runTogether.erase(std::remove(runTogether.begin(), runTogether.end(), ' '),
                          runTogether.end());
        const std::size_t distance = std::min(editDistance(firstWords(found, words), keyword, 2),
                                              editDistance(firstWords(found, 1), runTogether, 2));
        if (distance == 0) return std::nullopt; // the keyword is there: what follows it is wrong
        if (distance < best && 2 * distance <= runTogether.size()) {
            best = distance;
            closest = std::string(keyword);
        }
    }
    return closest;
}

// The byte offset of a line and column (both from 1, the column in bytes), lines ending at LF,
// CR LF or a lone CR; none when the input is shorter.
std::optional<std::size_t> offsetOf(std::string_view input, std::size_t line, std::size_t column) {
    if (line == 0 || column == 0) return std::nullopt;
    std::size_t at = 0;
    for (std::size_t current = 1; current < line; ++current) {
        at = input.find_first_of("\r\n", at);
        if (at == std::string_view::npos) return std::nullopt;
        at += input.substr(at, 2) == "\r\n" ? 2 : 1;
    }
    if (column - 1 > input.size() - at) return std::nullopt;
    return at + column - 1;
}

// RECORD followed by a keyword: the reader took the keyword's first letter as the record's
// identifier, and the rest of the keyword is what was found.
std::optional<Hint> recordTookLetter(const vqz2xml::Diagnostic& diagnostic,
                                     std::string_view input) {
    const std::optional<std::size_t> at = offsetOf(input, diagnostic.line, diagnostic.column);
    if (!at || *at < 2 || diagnostic.column < 2) return std::nullopt;
    const char letter = input[*at - 1];
    if (!isLetter(letter) || !isSpace(input[*at - 2])) return std::nullopt;
    const std::string word = upper(letter) + firstWords(diagnostic.found, 1);
    for (const std::string_view keyword : statementWords) {
        if (word == keyword) {
            return Hint{diagnostic.line, diagnostic.column - 1,
                        "RECORD took the '" + std::string(1, letter) + "' of '" + word +
                            "' as its one-letter identifier"};
        }
    }
    return std::nullopt;
}

// A keyword that is there, but with a value no statement takes.
std::optional<std::string> valueNote(std::string_view expected, std::string_view word) {
    if (expected == "'Version'" && word == "VERSION") return "only versions 1.0 and 1.1 exist";
    if (expected == "TYPE var_type" && word == "TYPE") {
        return "the types are single, multiple, quantity, character and logical";
    }
    if ((expected == "RECORD record_id" || expected == "'Title'") && word == "RECORD") {
        return "a record's identifier is one letter, as in 'RECORD A'";
    }
    return std::nullopt;
}

} // namespace

std::size_t editDistance(std::string_view a, std::string_view b, std::size_t most) {
    a = a.substr(0, longestWord);
    b = b.substr(0, longestWord);
    if (std::max(a.size(), b.size()) - std::min(a.size(), b.size()) > most) return most + 1;
    // distance[i][j]: between the first i bytes of a and the first j of b.
    std::array<std::array<std::size_t, longestWord + 1>, longestWord + 1> distance{};
    for (std::size_t i = 0; i <= a.size(); ++i) distance[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) distance[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const bool same = upper(a[i - 1]) == upper(b[j - 1]);
            std::size_t best = std::min({distance[i - 1][j] + 1, distance[i][j - 1] + 1,
                                         distance[i - 1][j - 1] + (same ? 0 : 1)});
            if (i > 1 && j > 1 && upper(a[i - 1]) == upper(b[j - 2]) &&
                upper(a[i - 2]) == upper(b[j - 1])) {
                best = std::min(best, distance[i - 2][j - 2] + 1);
            }
            distance[i][j] = best;
        }
    }
    return std::min(distance[a.size()][b.size()], most + 1);
}

std::optional<Hint> diagnosticHint(const vqz2xml::Diagnostic& diagnostic, std::string_view input) {
    const Place* place = placeOf(diagnostic.expected);
    if (!place || diagnostic.found.empty()) return std::nullopt;
    if (auto note = valueNote(diagnostic.expected, firstWords(diagnostic.found, 1))) {
        return Hint{diagnostic.line, diagnostic.column, std::move(*note)};
    }
    if (diagnostic.expected == "'VARIABLE var_id'") {
        if (auto hint = recordTookLetter(diagnostic, input)) return hint;
    }
    if (const auto keyword = closestKeyword(*place, diagnostic.found)) {
        return Hint{diagnostic.line, diagnostic.column, "did you mean '" + *keyword + "'?"};
    }
    return std::nullopt;
}

std::string noteLine(std::string_view fileName, const Hint& hint) {
    return std::string(fileName) + ':' + std::to_string(hint.line) + ':' +
           std::to_string(hint.column) + ": note: " + hint.text;
}
