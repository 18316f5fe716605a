// The numbers and blanks of fixed-width fields: trimming, reading and writing numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace datafile {

// The field without the blanks around it.
std::string_view trimBlanks(std::string_view field);
std::string_view trimTrailingBlanks(std::string_view field);

// Reads an optional sign, then digits with at most one point anywhere among them ("7", "-1",
// "+2", "1.5", ".5", "5.", "007"); false for anything else, an empty text included.
bool parseNumber(std::string_view text, double& value);

enum class WholeNumber { Blank, Read, Other };

// The common case in one pass: a field of blanks, or of blanks around an unsigned whole number
// of at most 15 digits. Other for anything else, which parseNumber then reads or refuses.
inline WholeNumber readWholeNumber(std::string_view field, double& value) {
    std::size_t at = 0;
    const std::size_t size = field.size();
    while (at < size && field[at] == ' ') ++at;
    if (at == size) return WholeNumber::Blank;
    const std::size_t first = at;
    std::uint64_t number = 0;
    while (at < size && static_cast<unsigned char>(field[at] - '0') < 10) {
        number = 10 * number + static_cast<unsigned char>(field[at] - '0');
        ++at;
    }
    if (at == first || at - first > 15) return WholeNumber::Other;
    while (at < size && field[at] == ' ') ++at;
    if (at != size) return WholeNumber::Other;
    value = static_cast<double>(number);
    return WholeNumber::Read;
}

// Whether the text is one or more zeros and nothing else.
bool isAllZeros(std::string_view text);

// The longest text writeNumber writes.
constexpr std::size_t maxNumberText = 32;

// Writes the shortest text that reads back as `value` ("7", "-1", "1.5", "0.5") at `out`, which
// has room for maxNumberText bytes; returns its length.
std::size_t writeNumber(char* out, double value);
void appendNumber(std::string& out, double value);
std::string numberText(double value);

} // namespace datafile
