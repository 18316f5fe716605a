// Fuzz target: a survey description and data bytes, both from the fuzzer, read record by record,
// with what every reading promises checked: the CSV written from the records' bytes among them.
#include "data/csv_row_writer.h"
#include "data/csv_run.h"
#include "data/csv_writer.h"
#include "vqz2xml/data.hpp"
#include "vqz2xml/survey.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The input is the description, this separator, then the data; without it, all is data read
// with a small survey of every type.
constexpr std::string_view separator = "\n%%DATA%%\n";

// Decoding is linear in records times columns: inputs past this much work are only split.
constexpr std::uint64_t maxCells = 1'000'000;

constexpr std::string_view fallbackSurvey =
    "VQZ VERSION 1.1 SURVEY RECORD A "
    "VARIABLE 1 NAME \"S\" LABEL \"s\" TYPE single POSITION 1 TO 2 VALUES 1 \"a\" 2 \"b\" 9 \"c\" "
    "SPECIAL END VALUES END VARIABLE "
    "VARIABLE 2 NAME \"M\" LABEL \"m\" TYPE multiple POSITION 3 TO 8 SPREAD 3 OF 2 VALUES 1 TO 3 "
    "WITH 7 \"x\" END VALUES END VARIABLE "
    "VARIABLE 3 NAME \"N\" LABEL \"n\" TYPE multiple POSITION 9 TO 11 VALUES \"a\" \"b\" END "
    "VALUES "
    "END VARIABLE "
    "VARIABLE 4 NAME \"Q\" LABEL \"q\" TYPE quantity POSITION 12 TO 15 VALUES -5 TO 50 WITH 99 "
    "\"d\" "
    "SPECIAL END VALUES END VARIABLE "
    "VARIABLE 5 NAME \"C\" LABEL \"c\" TYPE character POSITION 16 TO 19 END VARIABLE "
    "VARIABLE 6 NAME \"L\" LABEL \"l\" TYPE logical POSITION 20 END VARIABLE "
    "END RECORD END SURVEY END VQZ";

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "data_fuzzer: broken promise: %s\n", what);
    std::abort();
}

void check(bool promise, const char* what) {
    if (!promise) fail(what);
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if ((lead >= 0x80 && lead < 0xC2) || lead > 0xF4 || at + length > text.size()) return false;
        for (std::size_t i = 1; i < length; ++i) {
            if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return false;
        }
        at += length;
    }
    return true;
}

// The records as the in-memory splitter and the stream (in small blocks) see them.
std::vector<std::string> splitBoth(std::string_view data) {
    std::vector<std::string> records;
    vqz2xml::RecordSplitter splitter(data);
    std::string_view record;
    while (splitter.next(record)) {
        check(record.find_first_of("\r\n") == std::string_view::npos, "a record holds a line end");
        records.emplace_back(record);
    }
    check(vqz2xml::countRecords(data) == records.size(), "counted records differ");
    std::istringstream in{std::string(data)};
    vqz2xml::RecordStream stream(in, 7);
    std::size_t index = 0;
    while (stream.next(record)) {
        check(index < records.size() && record == records[index], "stream records differ");
        ++index;
    }
    check(index == records.size(), "the stream has fewer records");
    return records;
}

std::vector<std::string> warningLines(const vqz2xml::RecordDecoder& decoder) {
    std::vector<std::string> lines;
    for (const vqz2xml::DataWarning& warning : decoder.warnings()) {
        lines.push_back(vqz2xml::dataWarningLine("d", warning));
    }
    return lines;
}

// The CSV from the records' bytes, a record at a time (and with labels in blocks on two threads),
// is the CSV from the cells, with the same errors and warnings.
void compareWays(const vqz2xml::Survey& survey, const vqz2xml::DataOptions& options,
                 std::string_view data, const std::vector<std::string>& records,
                 const std::string& csv, const std::vector<std::string>& errors,
                 const std::vector<std::string>& warnings, bool labels) {
    vqz2xml::RecordDecoder decoder(survey, options);
    std::ostringstream direct;
    datafile::CsvWriter writer(decoder, direct, labels);
    writer.writeHeader();
    const datafile::CsvRowWriter rows(decoder, labels);
    std::vector<std::string> directErrors;
    for (std::size_t i = 0; i < records.size(); ++i) {
        rows.writeRow(vqz2xml::DecoderInternals::state(decoder), records[i], i + 1,
                      writer.buffer());
        for (const vqz2xml::DataDiagnostic& error : decoder.errors()) {
            directErrors.push_back(vqz2xml::dataDiagnosticLine("d", error));
        }
    }
    writer.flush();
    check(direct.str() == csv, "the CSV from the bytes differs");
    check(directErrors == errors, "the errors from the bytes differ");
    check(warningLines(decoder) == warnings, "the warnings from the bytes differ");
    // The threads take the same blocks in every encoding: once is enough, and saves their start.
    if (!labels) return;

    vqz2xml::RecordDecoder blocks(survey, options);
    datafile::CsvRunSettings settings;
    settings.labels = labels;
    settings.threads = 2;
    settings.blockSize = 64;
    std::istringstream in{std::string(data)};
    std::ostringstream threaded;
    std::vector<std::string> blockErrors;
    datafile::writeCsv(blocks, in, threaded, settings, [&](const auto& listed, std::uint64_t) {
        for (const vqz2xml::DataDiagnostic& error : listed) {
            blockErrors.push_back(vqz2xml::dataDiagnosticLine("d", error));
        }
    });
    check(threaded.str() == csv, "the CSV of blocks on threads differs");
    check(blockErrors == errors, "the errors of blocks on threads differ");
    check(warningLines(blocks) == warnings, "the warnings of blocks on threads differ");
    check(blocks.records() == records.size(), "blocks on threads miscount the records");
}

void decodeAll(const vqz2xml::Survey& survey, std::string_view data,
               const std::vector<std::string>& records, vqz2xml::Encoding encoding) {
    vqz2xml::DataOptions options;
    options.encoding = encoding;
    std::optional<vqz2xml::RecordDecoder> decoder;
    try {
        decoder.emplace(survey, options);
    } catch (const std::invalid_argument&) {
        return; // a layout too large to read is refused: a designed outcome
    }
    if (static_cast<std::uint64_t>(decoder->columns().size()) * (records.size() + 1) > maxCells)
        return;
    std::ostringstream csv;
    const bool labels = encoding == vqz2xml::Encoding::Cp1252;
    datafile::CsvWriter writer(*decoder, csv, labels);
    writer.writeHeader();
    std::vector<std::string> errors;
    for (std::size_t i = 0; i < records.size(); ++i) {
        decoder->decode(records[i], i + 1);
        for (const vqz2xml::DataDiagnostic& error : decoder->errors()) {
            check(error.line == i + 1 && error.column >= 1, "an error's place is wrong");
            errors.push_back(vqz2xml::dataDiagnosticLine("d", error));
        }
        for (std::size_t c = 0; c < decoder->columns().size(); ++c) {
            const vqz2xml::Cell& cell = decoder->cell(c);
            check(std::isfinite(cell.number), "a number is not finite");
            check(isValidUtf8(decoder->text(c)), "a text is not UTF-8");
            if (decoder->columns()[c].kind == vqz2xml::ColumnKind::Boolean) {
                check(cell.number == 0 || cell.number == 1, "a choice is neither 0 nor 1");
            }
        }
        writer.writeRow();
    }
    writer.flush();
    check(decoder->records() == records.size(), "records miscounted");
    check(isValidUtf8(csv.str()), "the CSV is not UTF-8");
    compareWays(survey, options, data, records, csv.str(), errors, warningLines(*decoder), labels);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(bytes), size);
    const std::size_t split = input.find(separator);
    const std::string_view metadata =
        split == std::string_view::npos ? fallbackSurvey : input.substr(0, split);
    const std::string_view data =
        split == std::string_view::npos ? input : input.substr(split + separator.size());
    const std::vector<std::string> records = splitBoth(data);
    for (const vqz2xml::Encoding encoding :
         {vqz2xml::Encoding::Latin1, vqz2xml::Encoding::Cp1252, vqz2xml::Encoding::Utf8}) {
        vqz2xml::Options options;
        options.encoding = encoding;
        // A faulty description still has the variables recognised before its fault.
        decodeAll(vqz2xml::readSurvey(metadata, options).survey, data, records, encoding);
    }
    return 0;
}
