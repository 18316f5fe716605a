// The conversion run: the command line, the file names, the overwrite question and the two passes.
#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// The input name: the argument, with ".vqz" added when its last path component has no ".".
std::string inputFileName(std::string_view argument);
// The output name: the second argument, or the first cut at the first "." of its last path
// component; ".xml" is added when the last path component then has no ".".
std::string outputFileName(std::string_view first, std::optional<std::string_view> second);

// The whole program: `arguments` as main receives them (the program's name first), the answer
// to the overwrite question read from `answers`, every message written to `console`. Returns
// the exit status, which is always 0. Throws nothing: a failure is reported in an ERROR line.
int runConversion(const std::vector<std::string>& arguments, std::istream& answers,
                  std::ostream& console);
