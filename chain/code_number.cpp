// The number a code stands for.
#include "chain/code_number.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

bool readCodeNumber(std::string_view code, double& value) {
    std::size_t at = 0;
    if (at < code.size() && (code[at] == '-' || code[at] == '+')) ++at;
    bool digit = false;
    bool point = false;
    std::uint64_t whole = 0; // the digits' value, wrapping around past 15 of them (then unused)
    for (std::size_t i = at; i < code.size(); ++i) {
        if (code[i] >= '0' && code[i] <= '9') {
            digit = true;
            whole = whole * 10 + static_cast<std::uint64_t>(code[i] - '0');
        } else if (code[i] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (!digit) return false;
    // Most codes are a few digits: a whole number below 10^15 is exact in a double.
    if (!point && code.size() - at <= 15) {
        value = code[0] == '-' ? -static_cast<double>(whole) : static_cast<double>(whole);
        return true;
    }
    // from_chars takes neither a plus sign nor a number that ends in its point.
    std::string text(code.substr(code[0] == '+' ? 1 : 0));
    if (text.back() == '.') text.pop_back();
#if defined(__cpp_lib_to_chars)
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    if (parsed.ec == std::errc::result_out_of_range) {
        value = text[0] == '-' ? -std::numeric_limits<double>::infinity()
                               : std::numeric_limits<double>::infinity();
    }
#else
    // An older libc++ (emscripten's) reads no floating-point text with from_chars. strtod reads
    // the same digits alike in the "C" locale, which nothing here changes, and gives an infinity
    // for a number too large.
    value = std::strtod(text.c_str(), nullptr);
#endif
    return true;
}
