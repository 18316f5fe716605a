// The decoding of records: each type's fields, a multiple's columns, warnings and errors.
#include "tests/data/survey_fixture.h"
#include "vqz2xml/data.hpp"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using fixture::surveyOf;
using fixture::variable;
using vqz2xml::CellState;
using vqz2xml::Code;
using vqz2xml::Variable;
using vqz2xml::VariableType;

Code code(std::string typed, double number, std::string label, bool special = false) {
    Code c;
    c.code = std::move(typed);
    c.number = number;
    c.label = std::move(label);
    c.special = special;
    return c;
}

// One variable, one record: what its first column reads as.
struct FieldCase {
    const char* what;
    Variable variable;
    const char* record;
    CellState state;
    double number;     // when a Value or Special
    const char* text;  // a character field's text
    const char* error; // the expected text of a data error, or ""
};

class FieldTest : public testing::TestWithParam<FieldCase> {};

TEST_P(FieldTest, ReadsAs) {
    const FieldCase& c = GetParam();
    vqz2xml::RecordDecoder decoder(surveyOf({c.variable}), {});
    decoder.decode(c.record, 1);
    const vqz2xml::Cell& cell = decoder.cell(0);
    EXPECT_EQ(static_cast<int>(cell.state), static_cast<int>(c.state)) << c.what;
    if (cell.state != CellState::Missing && c.variable.type != VariableType::Character) {
        EXPECT_EQ(cell.number, c.number) << c.what;
    }
    EXPECT_EQ(decoder.text(0), c.text) << c.what;
    if (*c.error) {
        ASSERT_EQ(decoder.errors().size(), 1u) << c.what;
        EXPECT_EQ(decoder.errors()[0].expected, c.error) << c.what;
    } else {
        EXPECT_TRUE(decoder.errors().empty()) << c.what;
    }
}

const std::vector<Code> colours = {code("1", 1, "Red"), code("2", 2, "Green"),
                                   code("9", 9, "Refused", true), code("1.5", 1.5, "Half")};
const Variable single = variable("Q", VariableType::Single, 3, 3, colours);
const Variable quantity = variable("N", VariableType::Quantity, 1, 4, colours);
const Variable text = variable("T", VariableType::Character, 2, 5);
const Variable logical = variable("L", VariableType::Logical, 1, 3);
const Variable noField = variable("Z", VariableType::Single, 1, 0, colours);

INSTANTIATE_TEST_SUITE_P(
    Fields, FieldTest,
    testing::Values(
        FieldCase{"single code", single, "xx  1zz", CellState::Value, 1, "", ""},
        FieldCase{"leading zeros pad", single, "xx002", CellState::Value, 2, "", ""},
        FieldCase{"plus sign", single, "xx+2 ", CellState::Value, 2, "", ""},
        FieldCase{"point code", single, "xx1.5", CellState::Value, 1.5, "", ""},
        FieldCase{"special code", single, "xx 9 ", CellState::Special, 9, "", ""},
        FieldCase{"undeclared kept", single, "xx-17", CellState::Value, -17, "", ""},
        FieldCase{"all blank", single, "xx   ", CellState::Missing, 0, "", ""},
        FieldCase{"short line", single, "xx", CellState::Missing, 0, "", ""},
        FieldCase{"cut by the line", single, "xx 2", CellState::Value, 2, "", ""},
        FieldCase{"letter", single, "xx x ", CellState::Missing, 0, "", "a code"},
        FieldCase{"inner blank", single, "xx1 2", CellState::Missing, 0, "", "a code"},
        FieldCase{"two points", single, "xx1..", CellState::Missing, 0, "", "a code"},
        FieldCase{"sign alone", single, "xx - ", CellState::Missing, 0, "", "a code"},
        FieldCase{"exponent", single, "xx1e2", CellState::Missing, 0, "", "a code"},
        FieldCase{"no field", noField, "1", CellState::Missing, 0, "", ""},
        FieldCase{"quantity", quantity, "12.5", CellState::Value, 12.5, "", ""},
        FieldCase{"quantity point first", quantity, " .5 ", CellState::Value, 0.5, "", ""},
        FieldCase{"quantity point last", quantity, "  5.", CellState::Value, 5, "", ""},
        FieldCase{"quantity special", quantity, "   9", CellState::Special, 9, "", ""},
        FieldCase{"quantity text", quantity, "12a ", CellState::Missing, 0, "", "a number"},
        FieldCase{"text", text, "xAb c  yy", CellState::Value, 0, "Ab c", ""},
        FieldCase{"text blank", text, "x     ", CellState::Value, 0, "", ""},
        FieldCase{"text latin1", text, "x\xe9t\xe9", CellState::Value, 0, "\xc3\xa9t\xc3\xa9", ""},
        FieldCase{"logical true", logical, " 1 ", CellState::Value, 1, "", ""},
        FieldCase{"logical false", logical, "0", CellState::Value, 0, "", ""},
        FieldCase{"logical blank", logical, "   ", CellState::Missing, 0, "", ""},
        FieldCase{"logical other", logical, " 2 ", CellState::Missing, 0, "", "1, 0 or blank"}));

TEST(RecordDecoderTest, TextsInTheSurveysEncoding) {
    const auto survey = surveyOf({variable("T", VariableType::Character, 1, 4)});
    struct Case {
        vqz2xml::Encoding encoding;
        const char* bytes;
        const char* utf8;
    } cases[] = {
        {vqz2xml::Encoding::Cp1252, "\x80\x81", "\xe2\x82\xac\xc2\x81"},
        {vqz2xml::Encoding::Utf8, "\xc3\xa9", "\xc3\xa9"},
        {vqz2xml::Encoding::Utf8, "a\xc3", "a\xef\xbf\xbd"}, // a sequence cut by the field
        {vqz2xml::Encoding::Utf8, "\xed\xa0\x80", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},
    };
    for (const Case& c : cases) {
        vqz2xml::DataOptions options;
        options.encoding = c.encoding;
        vqz2xml::RecordDecoder decoder(survey, options);
        decoder.decode(c.bytes, 1);
        EXPECT_EQ(decoder.text(0), c.utf8) << c.bytes;
    }
}

std::vector<std::string> columnNames(const vqz2xml::RecordDecoder& decoder) {
    std::vector<std::string> names;
    for (const auto& column : decoder.columns()) names.push_back(column.name);
    return names;
}

std::string choices(const vqz2xml::RecordDecoder& decoder) {
    std::string chosen;
    for (std::size_t c = 0; c < decoder.columns().size(); ++c) {
        const auto& cell = decoder.cell(c);
        chosen += cell.state == CellState::Missing ? '.' : cell.number != 0 ? '1' : '0';
    }
    return chosen;
}

// A range's codes come first, named by their numbers; an entry without a code by its number.
Variable multiple(std::int64_t width) {
    Variable v = variable("M", VariableType::Multiple, 1, width,
                          {code("A", 0, "Letter"), code("07", 7, "Seven")});
    v.values[0].number.reset();
    Code implicit;
    implicit.number = 8;
    implicit.label = "Eight";
    v.values.push_back(implicit);
    v.range = vqz2xml::Range{"01", "03"};
    return v;
}

TEST(RecordDecoderTest, MultipleColumnsInCodeOrder) {
    vqz2xml::RecordDecoder decoder(surveyOf({multiple(6)}), {});
    EXPECT_EQ(columnNames(decoder),
              (std::vector<std::string>{"M_1", "M_2", "M_3", "M_A", "M_07", "M_8"}));
    const struct {
        const char* record;
        const char* chosen;
        std::size_t errors;
    } cases[] = {{"101 01", "101001", 0},
                 {"1", "100000", 0},
                 {"", "000000", 0},
                 {"10x", "......", 1},
                 {"0000011", "000001", 0}};
    for (const auto& c : cases) {
        decoder.decode(c.record, 1);
        EXPECT_EQ(choices(decoder), c.chosen) << c.record;
        EXPECT_EQ(decoder.errors().size(), c.errors) << c.record;
    }
    // The last record's seventh column holds a 1 the list has no code for.
    ASSERT_EQ(decoder.warnings().size(), 0u); // the field is six columns wide
    vqz2xml::RecordDecoder wide(surveyOf({multiple(8)}), {});
    wide.decode("00000011", 4);
    ASSERT_EQ(wide.warnings().size(), 1u);
    EXPECT_EQ(wide.warnings()[0].first.column, 7u);
    EXPECT_EQ(wide.warnings()[0].first.line, 4u);
}

TEST(RecordDecoderTest, MultipleSpreadSubfields) {
    Variable spread = multiple(8);
    spread.spread = vqz2xml::Spread{3, std::nullopt}; // 8 / 3: subfields of two columns
    vqz2xml::RecordDecoder decoder(surveyOf({spread}), {});
    const struct {
        const char* record;
        const char* chosen;
        std::size_t errors;
        std::size_t undeclared;
    } cases[] = {{"0203  ", "011000", 0, 0},
                 {"08 100", "100001", 0, 0},
                 {" 7", "000010", 0, 0},
                 {"02x4", "......", 1, 0},
                 {"0599        07", "000000", 0, 2}};
    std::uint64_t undeclared = 0;
    for (const auto& c : cases) {
        decoder.decode(c.record, 1);
        EXPECT_EQ(choices(decoder), c.chosen) << c.record;
        EXPECT_EQ(decoder.errors().size(), c.errors) << c.record;
        undeclared += c.undeclared;
    }
    ASSERT_EQ(decoder.warnings().size(), 1u);
    EXPECT_EQ(decoder.warnings()[0].count, undeclared);
    EXPECT_EQ(decoder.warnings()[0].first.found, "05");
}

TEST(RecordDecoderTest, QuantitySpreadGivesAColumnPerSubfield) {
    Variable ages = variable("AGE", VariableType::Quantity, 1, 5);
    ages.spread = vqz2xml::Spread{3, 2};
    ages.range = vqz2xml::Range{"0", "17"};
    vqz2xml::RecordDecoder decoder(surveyOf({ages}), {});
    EXPECT_EQ(columnNames(decoder), (std::vector<std::string>{"AGE_1", "AGE_2", "AGE_3"}));
    decoder.decode("05 312", 1); // the third subfield is cut to the field's fifth column
    EXPECT_EQ(decoder.cell(0).number, 5);
    EXPECT_EQ(decoder.cell(1).number, 3);
    EXPECT_EQ(decoder.cell(2).number, 1);
    decoder.decode("0599", 2);
    ASSERT_EQ(decoder.warnings().size(), 1u);
    EXPECT_EQ(decoder.warnings()[0].first.problem, vqz2xml::DataProblem::OutOfRange);
    EXPECT_EQ(decoder.warnings()[0].first.column, 3u);
}

TEST(RecordDecoderTest, WarningsCountedPerVariableWithTheFirstRecord) {
    Variable q = variable("Q", VariableType::Single, 1, 2, colours);
    Variable n = variable("N", VariableType::Quantity, 3, 2, colours);
    n.range = vqz2xml::Range{"1", "10"};
    vqz2xml::RecordDecoder decoder(surveyOf({q, n}), {});
    const char* records[] = {" 1 5", "44 5", " 1 9", "4411", "  99", "3 12"};
    for (std::size_t i = 0; i < 6; ++i) decoder.decode(records[i], i + 1);
    ASSERT_EQ(decoder.warnings().size(), 2u);
    const vqz2xml::DataWarning& undeclared = decoder.warnings()[0];
    EXPECT_EQ(undeclared.first.name, "Q");
    EXPECT_EQ(undeclared.count, 3u);
    EXPECT_EQ(undeclared.first.line, 2u);
    EXPECT_EQ(undeclared.first.found, "44");
    const vqz2xml::DataWarning& outOfRange = decoder.warnings()[1];
    EXPECT_EQ(outOfRange.first.problem, vqz2xml::DataProblem::OutOfRange);
    EXPECT_EQ(outOfRange.count, 3u); // 9 is a code: not out of range
    EXPECT_EQ(outOfRange.first.line, 4u);
    EXPECT_EQ(outOfRange.first.column, 3u);
}

TEST(RecordDecoderTest, DiagnosticLines) {
    vqz2xml::DataDiagnostic error;
    error.line = 17;
    error.column = 23;
    error.name = "Q7";
    error.expected = "a code";
    error.found = "x\"\x01";
    EXPECT_EQ(vqz2xml::dataDiagnosticLine("survey.dat", error),
              "survey.dat:17:23: error: Q7 (single): expected a code, found \"x\\\"\\x01\"");
    vqz2xml::DataWarning warning{error, 3};
    warning.first.problem = vqz2xml::DataProblem::OutOfRange;
    warning.first.type = VariableType::Quantity;
    warning.first.found = "12";
    EXPECT_EQ(vqz2xml::dataWarningLine("s.dat", warning),
              "s.dat:17:23: warning: Q7 (quantity): 3 values out of range, first \"12\"");
}

TEST(RecordDecoderTest, ChosenVariablesOnly) {
    auto survey = surveyOf({variable("A", VariableType::Logical, 1, 1),
                            variable("B", VariableType::Character, 2, 3),
                            variable("C", VariableType::Logical, 5, 1)});
    vqz2xml::DataOptions options;
    options.variables = {"C", "A"};
    vqz2xml::RecordDecoder decoder(survey, options);
    EXPECT_EQ(columnNames(decoder), (std::vector<std::string>{"A", "C"}));
    decoder.decode("1xxx0", 1);
    EXPECT_EQ(decoder.cell(1).number, 0);
    options.variables = {"D"};
    EXPECT_THROW(vqz2xml::RecordDecoder(survey, options), std::invalid_argument);
}

TEST(RecordDecoderTest, HugeLayoutsAreRefusedOrClipped) {
    Variable range = multiple(4);
    range.range = vqz2xml::Range{"1", "999999999999"};
    EXPECT_THROW(vqz2xml::RecordDecoder(surveyOf({range}), {}), std::invalid_argument);
    Variable far = variable("F", VariableType::Single, INT64_MAX, INT64_MAX, colours);
    Variable spread = multiple(INT64_MAX);
    spread.spread = vqz2xml::Spread{INT64_MAX, INT64_MAX};
    vqz2xml::RecordDecoder decoder(surveyOf({far, spread}), {});
    decoder.decode("0102030405", 1);
    EXPECT_EQ(decoder.cell(0).state, CellState::Missing);
    EXPECT_EQ(choices(decoder), ".000000");
}

} // namespace
