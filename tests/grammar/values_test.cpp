// Code widths of value and range entries, which give version 1.0 variables their columns.
#include "grammar/column_math.h"
#include "grammar/values.h"

#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr auto maxInt = std::numeric_limits<std::int64_t>::max();

TEST(CodeWidthTest, CodesCountTheirCharactersAndRaiseTheHighest) {
    struct Case {
        std::vector<std::optional<std::string>> codes; // one entry each; none: no code text
        std::vector<std::int64_t> widths;
        std::int64_t highest;
    };
    const Case cases[] = {
        {{"1", "2", "10"}, {1, 1, 2}, 10},
        {{std::nullopt, std::nullopt, std::nullopt}, {1, 1, 1}, 3},
        {{"9", std::nullopt}, {1, 2}, 10},
        {{"007", "2.5", "-3", "."}, {3, 3, 2, 1}, 7},
        {{"99999999999999999999999", std::nullopt}, {23, 19}, maxInt},
    };
    for (const auto& c : cases) {
        std::int64_t highest = 0;
        for (std::size_t i = 0; i < c.codes.size(); ++i) {
            SCOPED_TRACE(i);
            const std::string_view code = c.codes[i] ? std::string_view(*c.codes[i]) : "";
            EXPECT_EQ(c.widths[i], ValueElement(code, "label").codeWidth(highest));
        }
        EXPECT_EQ(c.highest, highest);
    }
}

TEST(CodeWidthTest, RangesCountTheLongerBoundAndRaiseTheHighestByTheUpperOne) {
    std::int64_t highest = 0;
    EXPECT_EQ(3, RangeElement("1", "120").codeWidth(highest));
    EXPECT_EQ(120, highest);
    EXPECT_EQ(4, RangeElement("-500", "5").codeWidth(highest));
    EXPECT_EQ(120, highest);
}

TEST(ColumnMathTest, LeadingIntegersSaturate) {
    struct Case {
        std::string text;
        std::int64_t value;
    };
    const Case cases[] = {{"7", 7},
                          {"42", 42},
                          {"4a", 4},
                          {"-", 0},
                          {"1.5", 1},
                          {"-3", -3},
                          {".", 0},
                          {"", 0},
                          {"12-4", 12},
                          {"123456789012345678.9", 123456789012345678},
                          {"1234567890123456789", 1234567890123456789},
                          {"9223372036854775807", maxInt},
                          {"9223372036854775808", maxInt},
                          {"-99999999999999999999", -maxInt}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.value, leadingInteger(c.text));
        // A digit run reads alike, without the sign.
        const bool signed_ = !c.text.empty() && c.text[0] == '-';
        EXPECT_EQ(signed_ ? -c.value : c.value, digitsValue(c.text.substr(signed_ ? 1 : 0)));
    }
    EXPECT_EQ(maxInt, saturatingAdd(maxInt, 1));
    EXPECT_EQ(19, decimalLength(maxInt));
    EXPECT_EQ(1, decimalLength(0));
}

} // namespace
