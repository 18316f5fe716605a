// Integer helpers of the version 1.0 column count: they saturate instead of overflowing.
#include "grammar/column_math.h"

std::int64_t decimalLength(std::int64_t value) {
    std::int64_t length = value < 0 ? 2 : 1;
    for (value /= 10; value != 0; value /= 10) ++length;
    return length;
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

