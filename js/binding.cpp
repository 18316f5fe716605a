// The WebAssembly module's exports: room for the input, a conversion, its XML handed out as made, a
// survey read as JSON, the records of a data file as columns and as CSV.
#include "data/csv_writer.h"
#include "vqz2xml/data.hpp"
#include "vqz2xml/survey.hpp"
#include "vqz2xml/vqz2xml.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <emscripten/emscripten.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <vector>

namespace {

// Hands each block of XML to JavaScript as it is written (the core writes blocks of
// 64 KB), so that the document is copied once, straight into the memory that JavaScript keeps,
// and never piles up in the module's own memory.
EM_JS(int, vqzTakeOutput, (const char* bytes, std::size_t count),
      { return Module["vqzTakeOutput"](bytes, count); });

class OutputToJavaScript : public std::streambuf {
  protected:
    std::streamsize xsputn(const char* bytes, std::streamsize count) override {
        // JavaScript answers 0 when it has no memory left for the block: the stream goes bad.
        return vqzTakeOutput(bytes, static_cast<std::size_t>(count)) != 0 ? count : 0;
    }

    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char byte = traits_type::to_char_type(c);
        return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
    }
};

// What JavaScript reads of a conversion, as consecutive 32-bit words: addresses into the
// module's memory and sizes in bytes, valid until vqzFreeResult.
struct ResultView {
    std::uint32_t status; // 0 complete, 1 faulty, 2 out of memory for the XML
    std::uint32_t line;   // from here on 0 unless the input is faulty
    std::uint32_t column;
    std::uint32_t expected;
    std::uint32_t expectedSize;
    std::uint32_t found;
    std::uint32_t foundSize;
    std::uint32_t encoding; // the one the input was read in: 0 latin1, 1 cp1252, 2 utf-8
    std::uint32_t json;     // a survey read: its JSON text (UTF-8), else 0
    std::uint32_t jsonSize;
};
static_assert(sizeof(ResultView) == 10 * sizeof(std::uint32_t), "read as ten words");

struct Converted {
    std::optional<vqz2xml::Diagnostic> diagnostic;
    std::string json;
    ResultView view{};
};

std::uint32_t address(const void* bytes) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(bytes));
}

std::uint32_t word(std::size_t size) { return static_cast<std::uint32_t>(size); }

vqz2xml::Encoding encodingNumbered(int encoding) {
    switch (encoding) {
    case 1: return vqz2xml::Encoding::Cp1252;
    case 2: return vqz2xml::Encoding::Utf8;
    case 3: return vqz2xml::Encoding::Auto;
    default: return vqz2xml::Encoding::Latin1;
    }
}

std::uint32_t encodingNumber(vqz2xml::Encoding encoding) {
    switch (encoding) {
    case vqz2xml::Encoding::Cp1252: return 1;
    case vqz2xml::Encoding::Utf8: return 2;
    case vqz2xml::Encoding::Latin1:
    case vqz2xml::Encoding::Auto: break; // a result never says Auto
    }
    return 0;
}

void fillView(Converted& converted, bool complete, vqz2xml::Encoding encoding) {
    ResultView& view = converted.view;
    view.status = complete ? 0 : 1;
    view.encoding = encodingNumber(encoding);
    if (!converted.diagnostic) return;
    const vqz2xml::Diagnostic& diagnostic = *converted.diagnostic;
    view.line = word(diagnostic.line);
    view.column = word(diagnostic.column);
    view.expected = address(diagnostic.expected.data());
    view.expectedSize = word(diagnostic.expected.size());
    view.found = address(diagnostic.found.data());
    view.foundSize = word(diagnostic.found.size());
}

// What JavaScript reads of a data file's records, as consecutive 32-bit words, valid until
// vqzFreeData.
struct DataView {
    std::uint32_t status; // 0 read, 1 the survey is faulty, 2 the records cannot be read
    std::uint32_t json;   // the columns, texts, errors and warnings as JSON (UTF-8)
    std::uint32_t jsonSize;
    std::uint32_t numbers; // per column not Text, its doubles one record after the other
    std::uint32_t records;
    std::uint32_t csv;
    std::uint32_t csvSize;
};
static_assert(sizeof(DataView) == 7 * sizeof(std::uint32_t), "read as seven words");

struct DataRead {
    std::string json;
    std::vector<double> numbers;
    std::string csv;
    DataView view{};
};

nlohmann::json columnPlan(const vqz2xml::RecordDecoder& decoder) {
    nlohmann::json columns = nlohmann::json::array();
    for (const vqz2xml::DataColumn& column : decoder.columns()) {
        const vqz2xml::Variable& variable = decoder.survey().variables[column.variable];
        columns.push_back({{"name", column.name},
                           {"kind", vqz2xml::columnKindName(column.kind)},
                           {"label", variable.label},
                           {"texts", nlohmann::json::array()}});
    }
    return columns;
}

// Decodes every record into the numbers (NaN for a missing value or a SPREAD code), the texts
// and the CSV; errors and warnings as the program prints them.
void readRecords(vqz2xml::RecordDecoder& decoder, std::string_view data, DataRead& read,
                 nlohmann::json& header) {
    const std::size_t records = vqz2xml::countRecords(data);
    const auto& columns = decoder.columns();
    std::size_t numeric = 0;
    for (const auto& column : columns) numeric += column.kind != vqz2xml::ColumnKind::Text;
    read.numbers.assign(numeric * records, std::nan(""));
    nlohmann::json plan = columnPlan(decoder);
    nlohmann::json errors = nlohmann::json::array();
    std::ostringstream csv;
    datafile::CsvWriter writer(decoder, csv, false);
    writer.writeHeader();
    vqz2xml::RecordSplitter splitter(data);
    std::string_view record;
    for (std::size_t row = 0; row < records && splitter.next(record); ++row) {
        decoder.decode(record, splitter.line());
        for (const auto& error : decoder.errors()) {
            errors.push_back({{"line", error.line},
                              {"column", error.column},
                              {"name", error.name},
                              {"message", vqz2xml::dataDiagnosticLine("data", error)}});
        }
        std::size_t slot = 0;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const vqz2xml::Cell& cell = decoder.cell(c);
            if (columns[c].kind == vqz2xml::ColumnKind::Text) {
                if (cell.state == vqz2xml::CellState::Missing) {
                    plan[c]["texts"].push_back(nullptr);
                } else {
                    plan[c]["texts"].push_back(decoder.text(c));
                }
                continue;
            }
            if (cell.state == vqz2xml::CellState::Value) read.numbers[slot * records + row] = cell.number;
            ++slot;
        }
        writer.writeRow();
    }
    writer.flush();
    nlohmann::json warnings = nlohmann::json::array();
    for (const auto& warning : decoder.warnings()) {
        warnings.push_back({{"count", warning.count},
                            {"message", vqz2xml::dataWarningLine("data", warning)}});
    }
    header = {{"columns", std::move(plan)},
              {"errors", std::move(errors)},
              {"warnings", std::move(warnings)},
              {"records", records}};
    read.csv = csv.str();
    read.view.records = word(records);
}

} // namespace

extern "C" {

// Room for `size` input bytes (at least one), or null when memory cannot grow that far.
EMSCRIPTEN_KEEPALIVE char* vqzAllocate(std::size_t size) {
    return static_cast<char*>(std::malloc(size > 0 ? size : 1));
}

EMSCRIPTEN_KEEPALIVE void vqzRelease(char* bytes) { std::free(bytes); }

// Converts `size` bytes at `input`, read as latin1 (0), cp1252 (1), utf-8 (2) or the one of
// them that the bytes suggest (3). The input may be released as soon as this returns; the XML
// has gone to Module.vqzTakeOutput block by block, and the rest of the result lives until
// vqzFreeResult.
EMSCRIPTEN_KEEPALIVE Converted* vqzConvert(const char* input, std::size_t size, int encoding) {
    vqz2xml::Options options;
    options.encoding = encodingNumbered(encoding);
    auto converted = std::make_unique<Converted>();
    OutputToJavaScript output;
    std::ostream stream(&output);
    vqz2xml::Outcome outcome = vqz2xml::convert({input, size}, stream, options);
    if (!stream) {
        converted->view.status = 2;
        return converted.release();
    }
    converted->diagnostic = std::move(outcome.diagnostic);
    fillView(*converted, outcome.complete,
             vqz2xml::chooseEncoding({input, size}, options.encoding));
    return converted.release();
}

// Reads the survey of `size` bytes at `input`, encodings numbered as for vqzConvert: the
// diagnostic in the view, the survey as JSON text beside it, until vqzFreeResult.
EMSCRIPTEN_KEEPALIVE Converted* vqzReadSurvey(const char* input, std::size_t size, int encoding) {
    vqz2xml::Options options;
    options.encoding = encodingNumbered(encoding);
    auto converted = std::make_unique<Converted>();
    vqz2xml::SurveyResult result = vqz2xml::readSurvey({input, size}, options);
    converted->json = vqz2xml::toJson(result);
    converted->diagnostic = std::move(result.diagnostic);
    fillView(*converted, result.complete, result.encoding);
    converted->view.json = address(converted->json.data());
    converted->view.jsonSize = word(converted->json.size());
    return converted.release();
}

EMSCRIPTEN_KEEPALIVE const ResultView* vqzView(const Converted* converted) {
    return &converted->view;
}

EMSCRIPTEN_KEEPALIVE void vqzFreeResult(Converted* converted) {
    const std::unique_ptr<Converted> owner(converted);
}

// Reads the data file of `dataSize` bytes at `data` by the survey of `size` bytes at `input`
// (encodings numbered as for vqzConvert; the character fields are read in the survey's).
EMSCRIPTEN_KEEPALIVE DataRead* vqzReadData(const char* input, std::size_t size, const char* data,
                                           std::size_t dataSize, int encoding) {
    vqz2xml::Options options;
    options.encoding = encodingNumbered(encoding);
    auto read = std::make_unique<DataRead>();
    vqz2xml::SurveyResult survey = vqz2xml::readSurvey({input, size}, options);
    nlohmann::json header;
    if (!survey.complete) {
        read->view.status = 1;
        header = {{"problem", vqz2xml::toJson(survey)}};
    } else {
        try {
            vqz2xml::DataOptions dataOptions;
            dataOptions.encoding = survey.encoding;
            vqz2xml::RecordDecoder decoder(survey.survey, dataOptions);
            readRecords(decoder, {data, dataSize}, *read, header);
        } catch (const std::invalid_argument& error) {
            read->view.status = 2;
            header = {{"problem", error.what()}};
        }
    }
    read->json = header.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    read->view.json = address(read->json.data());
    read->view.jsonSize = word(read->json.size());
    read->view.numbers = address(read->numbers.data());
    read->view.csv = address(read->csv.data());
    read->view.csvSize = word(read->csv.size());
    return read.release();
}

EMSCRIPTEN_KEEPALIVE const DataView* vqzDataView(const DataRead* read) { return &read->view; }

EMSCRIPTEN_KEEPALIVE void vqzFreeData(DataRead* read) { const std::unique_ptr<DataRead> owner(read); }

// The library's version as a zero-terminated text, such as "1.1.0".
EMSCRIPTEN_KEEPALIVE const char* vqzVersion() {
    static const std::string text(vqz2xml::version());
    return text.c_str();
}
}
