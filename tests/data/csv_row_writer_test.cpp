// The CSV written straight from the records' bytes, alone and in blocks on threads, against the
// CSV written from the decoded cells: the same bytes, errors and warnings for tricky surveys and
// records and for pseudo-random ones.
#include "data/csv_row_writer.h"
#include "data/csv_run.h"
#include "data/csv_writer.h"
#include "data/number_field.h"
#include "tests/data/survey_fixture.h"
#include "vqz2xml/data.hpp"

#include <cstdint>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

using fixture::variable;
using vqz2xml::Code;
using vqz2xml::Encoding;
using vqz2xml::Variable;
using vqz2xml::VariableType;

Code code(std::optional<double> number, std::string label, bool special = false) {
    Code c;
    if (number) c.code = datafile::numberText(*number);
    c.number = number;
    c.label = std::move(label);
    c.special = special;
    return c;
}

Variable ranged(Variable v, const char* from, const char* to) {
    v.range = vqz2xml::Range{from, to};
    return v;
}

Variable spread(Variable v, std::int64_t subfields, std::optional<std::int64_t> width) {
    v.spread = vqz2xml::Spread{subfields, width};
    return v;
}

const std::vector<Code> colours = {code(1, "Red"), code(2, "Green, \"light\""),
                                   code(9, "Refused", true), code(1.5, "Half"),
                                   code(7, "Gr\xc3\xbcn")};

// Surveys of every type and layout the writer takes apart.
std::vector<std::vector<Variable>> surveys() {
    std::vector<Code> far = {code(1, "One"), code(2, "Two"), code(99999, "Far", true)};
    std::vector<Code> negative = {code(-3, "Minus three"), code(0, "Zero"), code(4, "Four")};
    std::vector<Code> items = {code(std::nullopt, "Item a"), code(7, "Seven"), code(8, "Eight")};
    std::vector<Code> twenty;
    for (int c = 1; c <= 20; ++c) twenty.push_back(code(c, "Code " + std::to_string(c)));
    std::vector<Code> wide;
    for (int c = 1; c <= 40; ++c) wide.push_back(code(c, ""));
    return {
        {variable("S", VariableType::Single, 1, 2, colours),
         ranged(variable("Q", VariableType::Quantity, 3, 5, {code(99, "DK", true)}), "-5", "50"),
         variable("C", VariableType::Character, 8, 6), variable("L", VariableType::Logical, 14, 1),
         ranged(variable("M", VariableType::Multiple, 15, 5, items), "1", "3"),
         spread(variable("P", VariableType::Multiple, 20, 6, twenty), 3, 2),
         ranged(spread(variable("A", VariableType::Quantity, 26, 5), 3, 2), "0", "17")},
        {variable("Z", VariableType::Single, 1, 0, colours),
         variable("F", VariableType::Single, 2, 3, far),
         variable("N", VariableType::Single, 5, 2, negative),
         variable("U", VariableType::Single, 7, 16),
         ranged(variable("R", VariableType::Quantity, 1, 9), "2.5", "1e3"),
         spread(variable("W", VariableType::Multiple, 3, 5, twenty), 3, std::nullopt),
         spread(variable("X", VariableType::Multiple, 1, 4, twenty), 2, 0),
         variable("Y", VariableType::Logical, 9, 3), variable("E", VariableType::Multiple, 4, 0),
         variable("D", VariableType::Multiple, 10, 4, {code(1, ""), code(2, ""), code(3, "")})},
        {variable("B", VariableType::Multiple, 1, 40, wide),
         variable("G", VariableType::Multiple, 3, 45, wide),
         variable("H", VariableType::Multiple, 2, 12, wide),
         variable("T", VariableType::Character, 5, 300),
         variable("K", VariableType::Character, 1, 1),
         variable("V", VariableType::Single, INT64_MAX, INT64_MAX, colours)},
    };
}

// Records made to land on every rule: plain and padded numbers, signs and points, SPECIAL and
// undeclared codes, texts to quote and to convert, short lines.
const std::vector<std::string> trickyRecords = {
    "",
    " 1   12abc   1101  0203  05 3  ",
    " 9-0005\"a,b\" 0 1x1  990712345678",
    "07   99 \xe9t\xe9   1 11111 2 2 2 18 17",
    "1.   .5 \xc3\xa9\xc3 0  0 10010000000000000000000011111111111111",
    "+2  +3   a  b   000001 20 21    99",
    "99 99999\x80\x81\x9d 1 0 0 0  0 0 0 0  ",
    " 0000000 007 0000000000000000000000000000000000000000000000000",
    "-1 -0   ,    x     1e2  1 2 ",
    "1",
    "                                                   1",
};

// An alphabet that makes mostly valid fields.
std::string randomRecord(std::uint64_t& state, std::size_t longest) {
    static const std::string alphabet = "   000111123456789 01  9-+.,\"a\xe9\xc3";
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    std::string record(state % (longest + 1), ' ');
    for (char& c : record) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        c = alphabet[state % alphabet.size()];
    }
    return record;
}

// What reading the records gave: the CSV, the errors in order, the warnings, the counts.
struct Run {
    std::string csv;
    std::vector<std::string> errors;
    std::vector<std::string> warnings;
    std::uint64_t records = 0;
    std::uint64_t errorCount = 0;
};

constexpr std::size_t listed = 5; // the errors listed, as the command line lists some

void finish(Run& run, const vqz2xml::RecordDecoder& decoder, std::ostringstream& csv) {
    run.csv = csv.str();
    for (const vqz2xml::DataWarning& w : decoder.warnings()) {
        run.warnings.push_back(vqz2xml::dataWarningLine("d", w));
    }
    run.records = decoder.records();
}

void listErrors(Run& run, const std::vector<vqz2xml::DataDiagnostic>& errors, std::uint64_t count) {
    for (const vqz2xml::DataDiagnostic& error : errors) {
        if (run.errorCount++ < listed)
            run.errors.push_back(vqz2xml::dataDiagnosticLine("d", error));
    }
    run.errorCount += count - errors.size();
}

vqz2xml::RecordDecoder decoderOf(const std::vector<Variable>& variables, Encoding encoding) {
    vqz2xml::DataOptions options;
    options.encoding = encoding;
    return vqz2xml::RecordDecoder(fixture::surveyOf(variables), options);
}

// The cells' way: decode(), then CsvWriter::writeRow().
Run fromCells(const std::vector<Variable>& variables, std::string_view data, Encoding encoding,
              bool labels) {
    Run run;
    vqz2xml::RecordDecoder decoder = decoderOf(variables, encoding);
    std::ostringstream csv;
    datafile::CsvWriter writer(decoder, csv, labels);
    writer.writeHeader();
    vqz2xml::RecordSplitter records(data);
    std::string_view record;
    while (records.next(record)) {
        decoder.decode(record, records.line());
        listErrors(run, decoder.errors(), decoder.errors().size());
        writer.writeRow();
    }
    writer.flush();
    finish(run, decoder, csv);
    return run;
}

// The bytes' way: CsvRowWriter::writeRow(), record by record or through writeCsv().
Run fromBytes(const std::vector<Variable>& variables, std::string_view data, Encoding encoding,
              bool labels, const datafile::CsvRunSettings* settings) {
    Run run;
    vqz2xml::RecordDecoder decoder = decoderOf(variables, encoding);
    std::ostringstream csv;
    if (settings) {
        std::istringstream in{std::string(data)};
        const auto result = datafile::writeCsv(
            decoder, in, csv, *settings,
            [&](const auto& errors, std::uint64_t count) { listErrors(run, errors, count); });
        EXPECT_EQ(result.bytesRead, data.size());
        finish(run, decoder, csv);
        return run;
    }
    datafile::CsvWriter writer(decoder, csv, labels);
    writer.writeHeader();
    const datafile::CsvRowWriter rows(decoder, labels);
    auto& state = vqz2xml::DecoderInternals::state(decoder);
    vqz2xml::RecordSplitter records(data);
    std::string_view record;
    while (records.next(record)) {
        rows.writeRow(state, record, records.line(), writer.buffer());
        listErrors(run, decoder.errors(), decoder.errors().size());
    }
    writer.flush();
    finish(run, decoder, csv);
    return run;
}

void expectSame(const Run& expected, const Run& actual) {
    EXPECT_EQ(expected.csv, actual.csv);
    EXPECT_EQ(expected.errors, actual.errors);
    EXPECT_EQ(expected.warnings, actual.warnings);
    EXPECT_EQ(expected.records, actual.records);
    EXPECT_EQ(expected.errorCount, actual.errorCount);
}

// Every way against the cells' way, in every encoding, with and without labels.
void expectSameEveryWay(const std::vector<Variable>& variables, const std::string& data) {
    for (const Encoding encoding : {Encoding::Latin1, Encoding::Cp1252, Encoding::Utf8}) {
        for (const bool labels : {false, true}) {
            SCOPED_TRACE("encoding " + std::to_string(static_cast<int>(encoding)) +
                         (labels ? ", labels" : ""));
            const Run expected = fromCells(variables, data, encoding, labels);
            expectSame(expected, fromBytes(variables, data, encoding, labels, nullptr));
            datafile::CsvRunSettings settings;
            settings.labels = labels;
            settings.keptErrors = listed;
            expectSame(expected, fromBytes(variables, data, encoding, labels, &settings));
            settings.threads = 2;
            for (const std::size_t block : {1, 7, 64, 1 << 20}) {
                SCOPED_TRACE("blocks of " + std::to_string(block));
                settings.blockSize = block;
                expectSame(expected, fromBytes(variables, data, encoding, labels, &settings));
            }
        }
    }
}

TEST(CsvRowWriterTest, TrickyRecordsAsTheCellsHaveThem) {
    const char* lineEnds[] = {"\n", "\r\n", "\r"};
    std::string data;
    for (std::size_t i = 0; i < trickyRecords.size(); ++i) {
        data += trickyRecords[i] + lineEnds[i % 3];
    }
    data += "12 3"; // the last line without an end
    const auto all = surveys();
    for (std::size_t s = 0; s < all.size(); ++s) {
        SCOPED_TRACE("survey " + std::to_string(s));
        expectSameEveryWay(all[s], data);
    }
}

TEST(CsvRowWriterTest, RandomRecordsAsTheCellsHaveThem) {
    std::uint64_t state = 0x9E3779B97F4A7C15u;
    const auto all = surveys();
    for (std::size_t s = 0; s < all.size(); ++s) {
        SCOPED_TRACE("survey " + std::to_string(s));
        std::string data;
        for (int r = 0; r < 300; ++r) data += randomRecord(state, 60) + (r % 7 ? "\n" : "\r\n");
        expectSameEveryWay(all[s], data);
    }
}

TEST(CsvRowWriterTest, StrictRunStopsAfterTheFirstFaultyRecord) {
    const auto all = surveys();
    vqz2xml::RecordDecoder decoder = decoderOf(all[0], Encoding::Latin1);
    datafile::CsvRunSettings settings;
    settings.stopAtError = true;
    settings.threads = 2;
    std::istringstream in(" 1\n x\n 2\n");
    std::ostringstream csv;
    std::uint64_t errors = 0;
    datafile::writeCsv(decoder, in, csv, settings,
                       [&](const auto&, std::uint64_t count) { errors += count; });
    EXPECT_EQ(decoder.records(), 2u);
    EXPECT_EQ(errors, 1u);
}

} // namespace
