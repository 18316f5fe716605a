// Integer helpers of the version 1.0 column count: they saturate instead of overflowing.
#include "grammar/column_math.h"

std::int64_t leadingInteger(std::string_view text) {
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

std::int64_t decimalLength(std::int64_t value) {
    std::int64_t length = value < 0 ? 2 : 1;
    for (value /= 10; value != 0; value /= 10) ++length;
    return length;
}
