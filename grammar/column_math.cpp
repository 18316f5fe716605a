// Integer helpers of the version 1.0 column count: they saturate instead of overflowing.
#include "grammar/column_math.h"

#include <charconv>
#include <cstdlib>
#include <string>

std::int64_t decimalLength(std::int64_t value) {
    std::int64_t length = value < 0 ? 2 : 1;
    for (value /= 10; value != 0; value /= 10) ++length;
    return length;
}

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

std::int64_t digitsValue(std::string_view digits) {
    constexpr auto limit = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    std::size_t i = 0;
    // Eighteen digits never overflow; only longer runs need the saturating steps.
    for (; i < digits.size() && i < 18; ++i) {
        if (digits[i] < '0' || digits[i] > '9') return value;
        value = value * 10 + (digits[i] - '0');
    }
    for (; i < digits.size(); ++i) {
        if (digits[i] < '0' || digits[i] > '9') break;
        const int digit = digits[i] - '0';
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    return value;
}

