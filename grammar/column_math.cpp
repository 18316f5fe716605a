// Integer helpers of the version 1.0 column count: they saturate instead of overflowing.
#include "grammar/column_math.h"

std::int64_t decimalLength(std::int64_t value) {
    std::int64_t length = value < 0 ? 2 : 1;
    for (value /= 10; value != 0; value /= 10) ++length;
    return length;
}
