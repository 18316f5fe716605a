// The survey model that readSurvey makes: what the XML does not show (widths, code numbers,
// SPECIAL, encodings) and what a faulty input leaves.
#include "vqz2xml/survey.hpp"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using vqz2xml::Encoding;
using vqz2xml::readSurvey;

std::string survey(const std::string& version, const std::string& variables) {
    return "VQZ VERSION " + version + " SURVEY RECORD A " + variables +
           " END RECORD END SURVEY END VQZ";
}

std::string variable(const std::string& type, const std::string& rest) {
    return "VARIABLE 1 NAME \"v\" LABEL \"l\" TYPE " + type + " " + rest + " END VARIABLE ";
}

// The columns computed for version 1.0 and the width each variable takes.
TEST(SurveyModelTest, ColumnsAndWidths) {
    struct Case {
        std::string version, type, rest;
        std::optional<std::int64_t> start, finish;
        std::int64_t width;
    };
    const Case cases[] = {
        {"1.0", "single", "VALUES 1 \"a\" 12 \"b\" END VALUES", 1, 2, 2},
        {"1.0", "multiple", "VALUES 1 \"a\" 5 \"b\" END VALUES", 1, 5, 5},
        {"1.0", "multiple", "VALUES \"a\" \"b\" \"c\" END VALUES", 1, 3, 3},
        {"1.0", "quantity", "SIZE 100", 1, 3, 3},
        {"1.0", "quantity", "", 1, std::nullopt, 0},
        {"1.0", "character", "SIZE 20", 1, 20, 20},
        {"1.0", "logical", "", 1, std::nullopt, 1},
        {"1.1", "single", "POSITION 5", 5, std::nullopt, 1},
        {"1.1", "single", "POSITION 3 TO 7", 3, 7, 5},
        {"1.1", "single", "POSITION 007 TO 5", 7, 5, 0},
        {"1.1", "single", "POSITION 99999999999999999999", INT64_MAX, std::nullopt, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version + " " + c.type + " " + c.rest);
        const auto read = readSurvey(survey(c.version, variable(c.type, c.rest)));
        ASSERT_TRUE(read.complete);
        ASSERT_EQ(1u, read.survey.variables.size());
        const vqz2xml::Variable& v = read.survey.variables[0];
        EXPECT_EQ(c.start, v.start);
        EXPECT_EQ(c.finish, v.finish);
        EXPECT_EQ(c.width, v.width);
        EXPECT_EQ(c.version, read.survey.version);
    }
    // The second variable of version 1.0 starts behind the first.
    const auto two = readSurvey(
        survey("1.0", variable("character", "SIZE 4") + variable("logical", "")));
    EXPECT_EQ(5, two.survey.variables.at(1).start);
}

TEST(SurveyModelTest, CodeNumbersAndSpecial) {
    const auto read = readSurvey(survey(
        "1.1", variable("single", "POSITION 1 VALUES 1 TO 3 \"x\" 007 \"seven\" -1 \"minus\" "
                                  "1.5 \"half\" \"after\" .5 \"p\" 5. \"q\" 1.2.3 \"r\" - \"s\" "
                                  "98 \"Refused\" SPECIAL \"last\" END VALUES")));
    ASSERT_TRUE(read.complete) << read.diagnostic->expected;
    const vqz2xml::Variable& v = read.survey.variables.at(0);
    ASSERT_TRUE(v.range);
    EXPECT_EQ("1", v.range->from);
    EXPECT_EQ("3", v.range->to);
    struct Expected {
        std::optional<std::string> code;
        std::optional<double> number;
        bool special;
    };
    const std::vector<Expected> expected = {
        {std::nullopt, 4, false}, {"007", 7, false}, {"-1", -1, false},  {"1.5", 1.5, false},
        {std::nullopt, 8, false}, {".5", 0.5, false}, {"5.", 5, false},  {"1.2.3", std::nullopt, false},
        {"-", std::nullopt, false}, {"98", 98, true}, {std::nullopt, 99, false}};
    ASSERT_EQ(expected.size(), v.values.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(expected[i].code, v.values[i].code);
        EXPECT_EQ(expected[i].number, v.values[i].number);
        EXPECT_EQ(expected[i].special, v.values[i].special);
    }
    EXPECT_EQ("Refused", v.values[9].label);
}

// Texts hold the characters the XML shows, as UTF-8.
TEST(SurveyModelTest, TextsInEachEncoding) {
    struct Case {
        Encoding encoding;
        std::string label, expected;
        Encoding used;
    };
    const Case cases[] = {
        {Encoding::Latin1, "caf\xe9", "caf\xc3\xa9", Encoding::Latin1},
        {Encoding::Cp1252, "\x93q\x94 \x80", "\xe2\x80\x9cq\xe2\x80\x9d \xe2\x82\xac", Encoding::Cp1252},
        {Encoding::Utf8, "caf\xc3\xa9 \xe9", "caf\xc3\xa9 \xc3\xa9", Encoding::Utf8},
        {Encoding::Latin1, "caf\xc3\xa9", "caf\xc3\x83\xc2\xa9", Encoding::Latin1},
        {Encoding::Auto, "caf\xc3\xa9", "caf\xc3\xa9", Encoding::Utf8},
        {Encoding::Auto, "\x93q", "\xe2\x80\x9cq", Encoding::Cp1252},
        {Encoding::Latin1, "a{nl}b{e9}{41}{00}\x01", std::string("a\nb\xc3\xa9" "A\0\x01", 8),
         Encoding::Latin1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const auto read = readSurvey(
            "VQZ VERSION 1.1 DATE \"{e9}\" SURVEY TITLE \"" + c.label +
                "\" RECORD A VARIABLE 1 NAME \"n{e9}\" LABEL \"" + c.label +
                "\" TYPE single POSITION 1 VALUES 1 \"" + c.label +
                "\" END VALUES END VARIABLE END RECORD END SURVEY END VQZ",
            {c.encoding});
        ASSERT_TRUE(read.complete);
        EXPECT_EQ(c.used, read.encoding);
        EXPECT_EQ(c.expected, read.survey.title);
        const vqz2xml::Variable& v = read.survey.variables.at(0);
        EXPECT_EQ(c.expected, v.label);
        EXPECT_EQ(c.expected, v.values.at(0).label);
        EXPECT_EQ("n{e9}", v.name); // names and header fields keep their brace codes
        EXPECT_EQ("{e9}", read.survey.date);
    }
}

// A note is UTF-8 as its comment holds it: its bytes as typed where they are UTF-8 already (in
// Windows-1252 its characters), any other byte its Latin-1 character, brace codes as typed.
TEST(SurveyModelTest, NotesAsTheirCommentsHoldThem) {
    const struct {
        Encoding encoding;
        std::string typed, expected;
    } cases[] = {
        {Encoding::Latin1, "a plain note longer than sixteen bytes",
         "a plain note longer than sixteen bytes"},
        {Encoding::Latin1, "caf\xe9 {e9}{nl}", "caf\xc3\xa9 {e9}{nl}"},
        {Encoding::Latin1, "caf\xc3\xa9 and \xc3", "caf\xc3\xa9 and \xc3\x83"},
        {Encoding::Utf8, "\xe2\x82\xac eight bytes \xe9", "\xe2\x82\xac eight bytes \xc3\xa9"},
        {Encoding::Cp1252, "\x93q\x94 then \xc3\xa9",
         "\xe2\x80\x9cq\xe2\x80\x9d then \xc3\x83\xc2\xa9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const auto read = readSurvey("VQZ VERSION 1.1 NOTE \"" + c.typed + "\" SURVEY RECORD A " +
                                         "END RECORD END SURVEY END VQZ",
                                     {c.encoding});
        ASSERT_EQ(1u, read.survey.notes.size());
        EXPECT_EQ(c.expected, read.survey.notes[0].text);
    }
}

TEST(SurveyModelTest, HeadNotesAndFirstHeaderFields) {
    const auto read = readSurvey(
        "VQZ VERSION 1.0 NOTE \"first\" USER \"u1\" USER \"u2\" STANDARD NAMES SURVEY "
        "RECORD b " + variable("logical", "NOTE \"inside\"") + "NOTE \"between\" " +
        variable("logical", "") + "NOTE \"last\" END RECORD END SURVEY END VQZ");
    ASSERT_TRUE(read.complete);
    const vqz2xml::Survey& s = read.survey;
    EXPECT_TRUE(s.standardNames);
    EXPECT_EQ("u1", s.user);
    EXPECT_FALSE(s.date);
    EXPECT_FALSE(s.title);
    EXPECT_EQ("b", s.record);
    ASSERT_EQ(4u, s.notes.size());
    const std::pair<std::string, std::size_t> notes[] = {
        {"first", 0}, {"inside", 1}, {"between", 1}, {"last", 2}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(notes[i].first, s.notes[i].text);
        EXPECT_EQ(notes[i].second, s.notes[i].before);
    }
}

// A faulty input gives the model of what came before the fault, as its XML does.
TEST(SurveyModelTest, FaultyInputKeepsWhatCameBefore) {
    const auto read = readSurvey("VQZ VERSION 1.1 TIME \"9\" SURVEY TITLE \"t\" RECORD A "
                                 "VARIABLE 7 NAME \"q\" LABEL \"l\" TYPE single POSITION 3 "
                                 "VALUES 1 \"a\" BOGUS");
    EXPECT_FALSE(read.complete);
    ASSERT_TRUE(read.diagnostic);
    EXPECT_EQ("BOGUS", read.diagnostic->found);
    EXPECT_EQ("9", read.survey.time);
    ASSERT_EQ(1u, read.survey.variables.size());
    const vqz2xml::Variable& v = read.survey.variables[0];
    EXPECT_EQ("7", v.ident);
    EXPECT_EQ(3, v.start);
    EXPECT_EQ(1u, v.values.size());

    const auto empty = readSurvey("");
    EXPECT_FALSE(empty.complete);
    EXPECT_EQ("", empty.survey.version);
    EXPECT_TRUE(empty.survey.variables.empty());
    // A version 1.0 variable whose end was never reached has no columns.
    const auto open = readSurvey("VQZ VERSION 1.0 SURVEY RECORD A VARIABLE 1 NAME \"n\"");
    ASSERT_EQ(1u, open.survey.variables.size());
    EXPECT_FALSE(open.survey.variables[0].start);
    EXPECT_EQ(0, open.survey.variables[0].width);
}

} // namespace
