// Integer helpers of the version 1.0 column count: they saturate instead of overflowing.
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

inline std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    if (b > 0 && a > std::numeric_limits<std::int64_t>::max() - b) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (b < 0 && a < std::numeric_limits<std::int64_t>::min() - b) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return a + b;
}

// The decimal integer a code text starts with: an optional sign, then digits; 0 when there is
// none, so 2.5 counts as 2 and a lone "." as 0.
inline std::int64_t leadingInteger(std::string_view text) {
    // Most codes are one or two digits.
    const auto isDigitAt = [&](std::size_t at) { return text[at] >= '0' && text[at] <= '9'; };
    if (text.size() == 1 && isDigitAt(0)) return text[0] - '0';
    if (text.size() == 2 && isDigitAt(0) && isDigitAt(1))
        return (text[0] - '0') * 10 + (text[1] - '0');
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) ++i;
    constexpr auto limit = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    // Eighteen digits never overflow; only longer codes need the saturating steps.
    for (const std::size_t safe = i + 18; i < text.size() && i < safe; ++i) {
        if (text[i] < '0' || text[i] > '9') return negative ? -value : value;
        value = value * 10 + (text[i] - '0');
    }
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    return negative ? -value : value;
}

// The number of characters of `value` written in decimal.
std::int64_t decimalLength(std::int64_t value);

// A whole number of digits as typed, at most the largest 64-bit number.
std::int64_t digitsValue(std::string_view digits);

