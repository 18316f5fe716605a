// The numbers and blanks of fixed-width fields: trimming, reading and writing numbers.
#pragma once

#include <string>
#include <string_view>

namespace datafile {

// The field without the blanks around it.
std::string_view trimBlanks(std::string_view field);
std::string_view trimTrailingBlanks(std::string_view field);

// Reads an optional sign, then digits with at most one point anywhere among them ("7", "-1",
// "+2", "1.5", ".5", "5.", "007"); false for anything else, an empty text included.
bool parseNumber(std::string_view text, double& value);

// Whether the text is one or more zeros and nothing else.
bool isAllZeros(std::string_view text);

// Appends the shortest text that reads back as `value`: "7", "-1", "1.5", "0.5".
void appendNumber(std::string& out, double value);
std::string numberText(double value);

} // namespace datafile
