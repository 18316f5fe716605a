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
std::int64_t leadingInteger(std::string_view text);

// The number of characters of `value` written in decimal.
std::int64_t decimalLength(std::int64_t value);
