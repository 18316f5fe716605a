// The write pass on its own thread: the same bytes as written along the parse pass, for the XML
// and for the survey's JSON.
#include "core/conversion.h"
#include "library/survey_json.h"

#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>

namespace {

// A variable of each kind, with brace codes, notes and a code list; `version` 0 leaves out the
// positions, which version 1.0 computes.
std::string variable(int number, int version, std::mt19937& random) {
    const std::string id = std::to_string(number);
    std::string text =
        "VARIABLE " + id + "\n NAME \"Q" + id + "\"\n LABEL \"caf{e9} {nl} <" + id + "> & more\"\n";
    if (random() % 7 == 0) text += "<a note {with} \"quotes\">\nNOTE \"and -- one more\"\n";
    switch (random() % 3) {
    case 0:
        text += " TYPE SINGLE\n";
        if (version == 1) text += " POSITION " + id + " TO " + std::to_string(number + 2) + "\n";
        text += " VALUES\n  1 TO 9 WITH\n";
        for (unsigned code = 1; code < 2 + random() % 12; ++code) {
            text += "  " + std::to_string(code) + " \"Code {3c}" + std::to_string(code) + "\"\n";
        }
        text += " END VALUES\n";
        break;
    case 1:
        text += " TYPE QUANTITY\n";
        if (version == 1) text += " POSITION " + id + "\n";
        text += " SIZE 4\n";
        break;
    default:
        text += " TYPE character\n";
        if (version == 1) text += " POSITION " + id + " TO " + std::to_string(number + 9) + "\n";
        text += " SIZE 10\n";
        break;
    }
    return text + "END VARIABLE\n";
}

// A survey of `variables` variables; `variables` of them with `huge` codes at `hugeAt`.
std::string survey(int variables, int version, int hugeAt = -1, int huge = 0) {
    std::mt19937 random(static_cast<unsigned>(variables * 3 + version));
    std::string text = "VQZ VERSION 1." + std::to_string(version) +
                       "\nNOTE \"head\"\nSURVEY TITLE \"t\" RECORD A\n";
    for (int number = 1; number <= variables; ++number) {
        if (number == hugeAt) {
            text += "VARIABLE " + std::to_string(number) +
                    " NAME \"big\" LABEL \"l\" TYPE SINGLE POSITION 1 VALUES\n";
            for (int code = 0; code < huge; ++code) text += "7 \"x{e9}\"\n";
            text += "END VALUES END VARIABLE\n";
        } else {
            text += variable(number, version, random);
        }
    }
    return text + "END RECORD END SURVEY END VQZ\n";
}

struct Converted {
    std::string xml;
    std::string json;
    vqz2xml::Outcome outcome;
};

Converted converted(const std::string& input, bool background) {
    ConversionSettings settings;
    settings.writeInBackground = background;
    std::ostringstream xml;
    std::ostringstream json;
    vqz2xml::Outcome outcome = convertInput(input, xml, {}, settings);
    const vqz2xml::Outcome described = writeSurveyJson(input, json, {}, settings);
    EXPECT_EQ(outcome.complete, described.complete);
    return {xml.str(), json.str(), std::move(outcome)};
}

TEST(BackgroundWriterTest, WritesTheSameBytesAsTheParsePass) {
    struct Case {
        std::string name;
        std::string input;
    };
    const std::string v11 = survey(12000, 1);
    const std::string v10 = survey(12000, 0);
    const std::string withHuge = survey(9000, 1, 4000, 200000);
    // Big inputs of few statements: the writer, which waits for a run of batches, gets fewer.
    const auto withBigNote = [](const std::string& text) {
        const std::size_t head = text.find("SURVEY");
        return text.substr(0, head) + "NOTE \"" + std::string(std::size_t{1} << 20, 'n') +
               "\"\n" + text.substr(head);
    };
    const Case cases[] = {
        {"no batch", withBigNote(survey(20, 1))},
        {"two batches", withBigNote(survey(500, 1))},
        {"version 1.1", v11},
        {"version 1.0", v10},
        {"one variable bigger than many batches", withHuge},
        // Faulty: at the very end, deep inside the document, and in the middle of a code list.
        {"cut at the end", v11.substr(0, v11.size() - 4)},
        {"error deep inside", v11.substr(0, v11.size() * 2 / 3) + "BOGUS\n" + v11},
        {"error in the big list", withHuge.substr(0, withHuge.size() / 2) + "\nEND VARIABLE"},
        {"version 1.0, error late", v10.substr(0, v10.size() - 300) + " TYPE BOGUS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_GT(c.input.size(), std::size_t{1} << 20); // big enough for a second thread
        const Converted along = converted(c.input, false);
        const Converted behind = converted(c.input, true);
        EXPECT_EQ(along.outcome.complete, behind.outcome.complete);
        EXPECT_TRUE(along.xml == behind.xml) << "the XML differs";
        EXPECT_TRUE(along.json == behind.json) << "the JSON differs";
        ASSERT_EQ(along.outcome.diagnostic.has_value(), behind.outcome.diagnostic.has_value());
        if (along.outcome.diagnostic) {
            EXPECT_EQ(along.outcome.diagnostic->line, behind.outcome.diagnostic->line);
            EXPECT_EQ(along.outcome.diagnostic->column, behind.outcome.diagnostic->column);
            EXPECT_EQ(along.outcome.diagnostic->found, behind.outcome.diagnostic->found);
        }
    }
}

} // namespace
