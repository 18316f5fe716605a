// Converts every classic file in this folder and compares the result with the XML beside it; an
// XML parser, where the build has one, checks every complete document against the schema.
#include "library/survey_json.h"
#include "tests/golden/golden_cases.h"
#include "tests/golden/schema_check.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace {

using nlohmann::ordered_json;

// The survey's JSON document made whole by nlohmann-json and dumped at once: what the writer,
// which copies the texts and numbers that nlohmann writes unchanged, must give byte for byte.
std::string referenceJson(const vqz2xml::SurveyResult& result) {
    const auto text = [](const std::optional<std::string>& t) {
        return t ? ordered_json(*t) : ordered_json(nullptr);
    };
    const auto integer = [](const std::optional<std::int64_t>& n) {
        return n ? ordered_json(*n) : ordered_json(nullptr);
    };
    const vqz2xml::Survey& s = result.survey;
    ordered_json document = ordered_json::object();
    document["version"] = s.version.empty() ? ordered_json(nullptr) : ordered_json(s.version);
    document["standard_names"] = s.standardNames;
    document["date"] = text(s.date);
    document["time"] = text(s.time);
    document["origin"] = text(s.origin);
    document["user"] = text(s.user);
    document["title"] = text(s.title);
    document["record"] = text(s.record);
    ordered_json& variables = document["variables"] = ordered_json::array();
    for (const vqz2xml::Variable& v : s.variables) {
        ordered_json& variable = variables.emplace_back(ordered_json::object());
        variable["ident"] = v.ident;
        variable["name"] = v.name;
        variable["label"] = v.label;
        variable["type"] = vqz2xml::typeName(v.type);
        variable["start"] = integer(v.start);
        variable["finish"] = integer(v.finish);
        variable["width"] = v.width;
        variable["spread"] = v.spread ? ordered_json{{"subfields", v.spread->subfields},
                                                     {"width", integer(v.spread->width)}}
                                      : ordered_json(nullptr);
        variable["size"] = integer(v.size);
        variable["range"] = v.range ? ordered_json{{"from", v.range->from}, {"to", v.range->to}}
                                    : ordered_json(nullptr);
        ordered_json& values = variable["values"] = ordered_json::array();
        for (const vqz2xml::Code& c : v.values) {
            ordered_json number = nullptr;
            if (c.number && std::isfinite(*c.number)) {
                const bool whole =
                    std::trunc(*c.number) == *c.number && std::fabs(*c.number) < 9007199254740992.0;
                number = whole ? ordered_json(static_cast<std::int64_t>(*c.number))
                               : ordered_json(*c.number);
            }
            values.push_back({{"code", text(c.code)},
                              {"number", number},
                              {"label", c.label},
                              {"special", c.special}});
        }
    }
    ordered_json& notes = document["notes"] = ordered_json::array();
    for (const vqz2xml::Note& n : s.notes) notes.push_back({{"text", n.text}, {"before", n.before}});
    document["complete"] = result.complete;
    document["encoding"] = vqz2xml::encodingName(result.encoding);
    document["diagnostic"] = nullptr;
    if (result.diagnostic) {
        std::string found;
        appendTypedUtf8(found, result.diagnostic->found, result.encoding);
        document["diagnostic"] = {{"line", result.diagnostic->line},
                                  {"column", result.diagnostic->column},
                                  {"expected", result.diagnostic->expected},
                                  {"found", found}};
    }
    return document.dump(-1, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

namespace fs = std::filesystem;

std::vector<std::string> caseNames() {
    std::vector<std::string> names;
    for (const auto& file : classicFiles(GOLDEN_DIR)) names.push_back(file.stem().string());
    return names;
}

// The line that holds byte `at`, with its line end shown, for a readable mismatch report.
std::string lineAround(const std::string& text, std::size_t at) {
    const auto begin = text.rfind('\n', at == 0 ? 0 : at - 1);
    auto from = begin == std::string::npos ? 0 : begin + 1;
    auto end = text.find('\n', at);
    // A long line (a JSON document is one) is shown 60 bytes either side of `at`.
    from = std::max(from, at < 60 ? 0 : at - 60);
    end = std::min(end, at + 60);
    std::string line =
        text.substr(from, end == std::string::npos ? std::string::npos : end - from + 1);
    std::string shown;
    for (const char c : line) {
        if (c == '\r')
            shown += "\\r";
        else if (c == '\n')
            shown += "\\n";
        else
            shown += c;
    }
    return shown;
}

constexpr vqz2xml::Encoding allEncodings[] = {vqz2xml::Encoding::Latin1, vqz2xml::Encoding::Cp1252,
                                              vqz2xml::Encoding::Utf8};

class GoldenTest : public testing::TestWithParam<std::string> {};

// Where `actual` first differs from `expected`, or nothing when they are the same.
std::string firstDifference(const std::string& expected, const std::string& actual) {
    if (actual == expected) return "";
    const auto mismatch =
        std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
    const auto at = static_cast<std::size_t>(mismatch.first - expected.begin());
    return "first difference at byte " + std::to_string(at) +
           "\n  expected line: " + lineAround(expected, at) +
           "\n  actual line:   " + lineAround(actual, at);
}

// Both forms of the conversion, into a string and into a stream, give the expected bytes and
// tell whether the document is complete.
TEST_P(GoldenTest, ConvertsToExpectedBytes) {
    const fs::path base = fs::path(GOLDEN_DIR) / GetParam();
    const fs::path expectedPath = fs::path(base).replace_extension(".xml");
    ASSERT_TRUE(fs::exists(expectedPath)) << "no expected output beside " << GetParam();
    const std::string expected = readFile(expectedPath);
    const std::string input = readFile(fs::path(base).replace_extension(".vqz"));
    const vqz2xml::Options options{encodingOfCase(GetParam())};
    const vqz2xml::Result result = vqz2xml::convert(input, options);
    EXPECT_EQ("", firstDifference(expected, result.xml));
    std::ostringstream stream;
    const vqz2xml::Outcome outcome = vqz2xml::convert(input, stream, options);
    EXPECT_EQ("", firstDifference(expected, stream.str())) << "(the stream form)";
    const bool complete = expected.find("*** Error:") == std::string::npos;
    EXPECT_EQ(complete, result.complete);
    EXPECT_EQ(complete, outcome.complete);
    EXPECT_EQ(!complete, outcome.diagnostic.has_value());
}

TEST_P(GoldenTest, CompleteDocumentIsValid) {
    if (!schemaCheckAvailable()) GTEST_SKIP() << "built without an XML parser";
    const fs::path base = fs::path(GOLDEN_DIR) / GetParam();
    const std::string xml = readFile(fs::path(base).replace_extension(".xml"));
    if (xml.find("*** Error:") != std::string::npos) return; // ends with the report
    EXPECT_EQ("", schemaProblems(xml));
}

// The model cannot disagree with the XML: every fact a complete document shows is the model's.
TEST_P(GoldenTest, ModelHoldsWhatTheXmlShows) {
    if (!schemaCheckAvailable()) GTEST_SKIP() << "built without an XML parser";
    const fs::path base = fs::path(GOLDEN_DIR) / GetParam();
    const std::string xml = readFile(fs::path(base).replace_extension(".xml"));
    const std::string input = readFile(fs::path(base).replace_extension(".vqz"));
    const vqz2xml::SurveyResult read = vqz2xml::readSurvey(input, {encodingOfCase(GetParam())});
    EXPECT_EQ(xml.find("*** Error:") == std::string::npos, read.complete);
    if (read.complete) {
        EXPECT_EQ("", surveyMismatch(xml, read.survey));
    }
    // The JSON streamed a variable at a time is the whole model's, as nlohmann dumps it.
    const std::string expected = referenceJson(read);
    EXPECT_EQ("", firstDifference(expected, vqz2xml::toJson(read)));
    std::ostringstream streamed;
    const vqz2xml::Outcome outcome =
        writeSurveyJson(input, streamed, {encodingOfCase(GetParam())});
    EXPECT_EQ("", firstDifference(expected, streamed.str()));
    EXPECT_EQ(read.complete, outcome.complete);
}

TEST(ExamplesTest, ValidInEveryEncoding) {
    if (!schemaCheckAvailable()) GTEST_SKIP() << "built without an XML parser";
    const auto examples = classicFiles(EXAMPLES_DIR);
    ASSERT_FALSE(examples.empty());
    for (const auto& example : examples) {
        for (const vqz2xml::Encoding encoding : allEncodings) {
            SCOPED_TRACE(example.filename().string() + " in encoding " +
                         std::to_string(static_cast<int>(encoding)));
            const vqz2xml::Result result = vqz2xml::convert(readFile(example), {encoding});
            EXPECT_TRUE(result.complete);
            EXPECT_EQ("", schemaProblems(result.xml));
        }
    }
}

// The fuzzer's kept inputs reach far corners of the grammar: each complete conversion of them,
// in every encoding, must be valid too.
TEST(FuzzCorpusTest, CompleteConversionsAreValid) {
    if (!schemaCheckAvailable()) GTEST_SKIP() << "built without an XML parser";
    if (!fs::is_directory(FUZZ_CORPUS_DIR)) GTEST_SKIP() << "no corpus at " FUZZ_CORPUS_DIR;
    int complete = 0;
    for (const auto& entry : fs::directory_iterator(FUZZ_CORPUS_DIR)) {
        const std::string input = readFile(entry.path());
        for (const vqz2xml::Encoding encoding : allEncodings) {
            const vqz2xml::Result result = vqz2xml::convert(input, {encoding});
            const vqz2xml::SurveyResult read = vqz2xml::readSurvey(input, {encoding});
            const std::string expected = referenceJson(read);
            EXPECT_EQ(expected, vqz2xml::toJson(read)) << entry.path();
            std::ostringstream streamed;
            writeSurveyJson(input, streamed, {encoding});
            EXPECT_EQ(expected, streamed.str()) << entry.path();
            if (!result.complete) continue;
            ++complete;
            SCOPED_TRACE(entry.path().filename().string() + " in encoding " +
                         std::to_string(static_cast<int>(encoding)));
            EXPECT_EQ("", schemaProblems(result.xml));
            EXPECT_EQ("", surveyMismatch(result.xml, read.survey));
        }
    }
    EXPECT_GT(complete, 0);
}

// Code labels are written straight from the parse, converted to UTF-8 on the way: every kind of
// byte and brace code, in every encoding, where the fast copy meets it, must give nlohmann's text.
TEST(SurveyJsonTest, CodeLabelsStreamedAsTheModelHasThem) {
    const std::string labels[] = {
        "",
        "plain",
        "exactly sixteen!",
        "a label longer than sixteen bytes, and longer than thirty-two",
        "caf\xe9 na\xefve",
        "sixteen plain by\xe9tes then more",
        "\x80\x81\x8d\x9f\xa0\xff and cp1252's gaps",
        "caf\xc3\xa9, \xe2\x82\xac and \xf0\x9f\x98\x80 as UTF-8, \xc3 cut, \xed\xa0\x80 surrogate",
        "caf{e9}, {E9}{80}{ff} given by code, fifteen more!",
        "{41}{42}{3c}{3E}{}",
        "{nl} a line break, sixteen bytes in {nl}",
        "the character {0} zero",
        "a quote {\"} and a backslash \\ in a label",
        "a tab\there",
        "sixteen-byte run{\"}",
        "{nl}{nl}{\"}\\\\ escapes in a row, then plain, then one at the end{nl}",
        "caf{e9}{0}{0}\xe9 after the zeros{\"}\xe2\x82\xac{nl}",
    };
    std::string input = "VQZ\nVERSION 1.1\nSURVEY\nRECORD A\nVARIABLE 1\nNAME \"A\"\n"
                        "LABEL \"Codes\"\nTYPE single\nPOSITION 1 TO 2\nVALUES\n";
    int code = 0;
    for (const std::string& label : labels) {
        input.append(std::to_string(++code)).append(" \"").append(label).append("\"\n\"");
        input.append(label).append("\" SPECIAL\n");
    }
    // The longest entry: a label of characters three bytes long in UTF-8 (in Windows-1252) and
    // the longest whole number, that of an entry without a code behind a code of 15 digits.
    input.append("999999999999999 \"\x80\"\n\"").append(40, '\x80').append("\"\n");
    input += "END VALUES\nEND VARIABLE\nEND RECORD\nEND SURVEY\nEND VQZ\n";
    for (const vqz2xml::Encoding encoding : allEncodings) {
        SCOPED_TRACE(std::string("encoding ") + std::to_string(static_cast<int>(encoding)));
        const vqz2xml::SurveyResult read = vqz2xml::readSurvey(input, {encoding});
        ASSERT_TRUE(read.complete);
        ASSERT_EQ(2 * std::size(labels) + 2, read.survey.variables.at(0).values.size());
        std::ostringstream streamed;
        writeSurveyJson(input, streamed, {encoding});
        EXPECT_EQ("", firstDifference(referenceJson(read), streamed.str()));
    }
}

// A code's number is written from its digits when it is a whole number a double holds exactly,
// and through the model's number otherwise; an entry without a code counts on from the highest
// code before it. Both must give nlohmann's number of the model, on one thread and on two, where
// the elements of a batch are let go unmade.
TEST(SurveyJsonTest, CodeNumbersStreamedAsTheModelHasThem) {
    const std::string codes[] = {
        "0", "7", "10", "99", "007", "-0", "-00", "-007", "100", "-1", "", "1.5", ".5", "5.",
        "-.5", "1.2.3", "-", ".", "9.", "123456789012345", "", "-123456789012345",
        "000000000000000000001", "1234567890123456", "", "9007199254740993", "",
        "99999999999999999999", "", "-9223372036854775809", "07"};
    std::string input = "VQZ\nVERSION 1.1\nSURVEY\nRECORD A\n";
    for (int variable = 1; variable <= 100; ++variable) {
        input.append("VARIABLE ").append(std::to_string(variable));
        input.append("\nNAME \"V\"\nLABEL \"L\"\nTYPE single\nPOSITION 1\nVALUES\n");
        for (const std::string& code : codes) input.append(code).append(" \"c\"\n");
        input.append("END VALUES\nEND VARIABLE\n");
    }
    input += "END RECORD\nEND SURVEY\nEND VQZ\n";
    const vqz2xml::SurveyResult read = vqz2xml::readSurvey(input, {});
    ASSERT_TRUE(read.complete);
    const std::vector<vqz2xml::Code>& values = read.survey.variables.at(0).values;
    ASSERT_EQ(std::size(codes), values.size());
    EXPECT_EQ(7.0, values[4].number.value_or(-1));                // 007
    EXPECT_EQ(101.0, values[10].number.value_or(-1));              // one above 100
    EXPECT_FALSE(values[15].number.has_value());                  // 1.2.3
    EXPECT_EQ(123456789012346.0, values[20].number.value_or(-1)); // one above 15 digits
    const std::string expected = referenceJson(read);
    for (const bool background : {false, true}) {
        ConversionSettings settings;
        settings.writeInBackground = background;
        std::ostringstream streamed;
        writeSurveyJson(input, streamed, {}, settings);
        EXPECT_EQ("", firstDifference(expected, streamed.str())) << "background " << background;
    }
}

// Texts made at random of the pieces that steer the copy (plain runs of every length, brace codes,
// bytes from 0x80 up, UTF-8 sequences whole and cut, characters to escape), as variable labels,
// which go through the model, as code labels, which do not, and as notes, held to the end.
TEST(SurveyJsonTest, RandomLabelsStreamedAsTheModelHasThem) {
    const std::string pieces[] = {"a", "plain text", "0123456789abcdef", " ", "{nl}", "{\"}",
                                  "{e9}", "{0}", "{41}", "\\", "\t", "\x01", "\x7f", "\x80",
                                  "\x81", "\x9d", "\xe9", "\xff", "\xc3\xa9", "\xe2\x82\xac",
                                  "\xf0\x9f\x98\x80", "\xc3", "\xed\xa0\x80", "<&>"};
    std::uint32_t state = 12345;
    const auto next = [&](std::uint32_t below) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % below;
    };
    const auto randomText = [&] {
        std::string text;
        for (std::uint32_t n = next(12); n > 0; --n) text += pieces[next(std::size(pieces))];
        return text;
    };
    std::string input = "VQZ\nVERSION 1.1\nSURVEY\nRECORD A\n";
    for (int variable = 1; variable <= 300; ++variable) {
        input.append("VARIABLE ").append(std::to_string(variable));
        input.append("\nNAME \"V\"\nLABEL \"").append(randomText());
        input.append("\"\nTYPE single\nPOSITION 1\nVALUES\n");
        for (std::uint32_t code = next(6); code > 0; --code)
            input.append("\"").append(randomText()).append("\"\n");
        input.append("END VALUES\nEND VARIABLE\nNOTE \"").append(randomText()).append("\"\n");
    }
    input += "END RECORD\nEND SURVEY\nEND VQZ\n";
    for (const vqz2xml::Encoding encoding : allEncodings) {
        SCOPED_TRACE(std::string("encoding ") + std::to_string(static_cast<int>(encoding)));
        const vqz2xml::SurveyResult read = vqz2xml::readSurvey(input, {encoding});
        ASSERT_TRUE(read.complete);
        ASSERT_EQ(300u, read.survey.variables.size());
        ASSERT_EQ(300u, read.survey.notes.size());
        const std::string expected = referenceJson(read);
        EXPECT_EQ("", firstDifference(expected, vqz2xml::toJson(read)));
        std::ostringstream streamed;
        writeSurveyJson(input, streamed, {encoding});
        EXPECT_EQ("", firstDifference(expected, streamed.str()));
    }
}

// Texts and numbers of every kind the writer copies, or leaves to nlohmann: each document must be
// the one nlohmann makes. A caller's own model may hold what no parse makes (bytes that are no
// UTF-8), which nlohmann mends.
TEST(SurveyJsonTest, TextsAndNumbersAsNlohmannWritesThem) {
    const std::string texts[] = {
        "",
        "plain",
        "exactly sixteen!",
        "a text longer than sixteen bytes, and longer than thirty-two",
        "quote \" inside", "12345678\"", "1234567812345678\\", "1234567\n",
        "backslash \\ inside",
        std::string("zero \0 byte", 11),
        "tab\tand line\nend\r\x01\x1f",
        "del \x7f",
        "caf\xc3\xa9 na\xc3\xafve, and sixteen more bytes \xc3\xa9",
        "\xe2\x82\xac euro, \xef\xbf\xbe noncharacter, \xed\x9f\xbf before the surrogates",
        "\xf0\x9f\x98\x80 four bytes",
        "\xc3 cut short", "\xe0\x80\x80 overlong", "\xed\xa0\x80 surrogate", "\xff\xfe",
        "sixteen plain by\xc3\xa9tes then more",
        "escapes \"\\\n in a row, then a plain run, then \xf0\x9f\x98\x80 and \"",
        "an escape \t then a byte that is no UTF-8 \xff, then \" more",
    };
    const double numbers[] = {0,    -0.0, 7,     -1,     1.5,  0.5,   1e-5,
                              1e20, 9007199254740992.0,   -9007199254740991.0,
                              std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity()};
    vqz2xml::SurveyResult result;
    result.complete = true;
    result.survey.version = "1.1";
    result.survey.title = texts[4];
    for (const std::string& text : texts) {
        vqz2xml::Variable& v = result.survey.variables.emplace_back();
        v.ident = text;
        v.name = text;
        v.label = text;
        v.range = vqz2xml::Range{text, text};
        v.spread = vqz2xml::Spread{2, std::nullopt};
        for (const double number : numbers) v.values.push_back({text, number, text, true});
        v.values.push_back({std::nullopt, std::nullopt, text, false});
        result.survey.notes.push_back({text, result.survey.variables.size()});
    }
    result.survey.variables.emplace_back(); // every field at its default
    EXPECT_EQ("", firstDifference(referenceJson(result), vqz2xml::toJson(result)));
    result.complete = false;
    result.diagnostic = vqz2xml::Diagnostic{3, 7, "'End Variable'", "\"x\\\x80"};
    EXPECT_EQ("", firstDifference(referenceJson(result), vqz2xml::toJson(result)));
    EXPECT_EQ("", firstDifference(referenceJson({}), vqz2xml::toJson({})));
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenTest, testing::ValuesIn(caseNames()),
                         [](const testing::TestParamInfo<std::string>& caseInfo) {
                             std::string name = caseInfo.param;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

} // namespace
