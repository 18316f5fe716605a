// The decoder's plan of a survey's fields and its state while reading a record: shared by the
// decoder and the CSV writer, which turns the common fields into CSV text itself.
#pragma once

#include "data/code_table.h"
#include "vqz2xml/data.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vqz2xml {

constexpr char expectedCode[] = "a code";
constexpr char expectedNumber[] = "a number";
constexpr char expectedFlag[] = "1, 0 or blank";

enum class FieldKind { Single, Quantity, Character, Logical, MultipleColumns, MultipleSpread };

// One field of the record and the columns it fills.
struct Field {
    FieldKind kind = FieldKind::Single;
    std::size_t variable = 0;
    std::uint64_t offset = 0; // the first column, from 0
    std::uint64_t width = 0;  // 0: no field, every value missing
    std::uint64_t subfieldWidth = 0;
    std::uint64_t subfields = 0;
    std::size_t firstColumn = 0;
    std::size_t columns = 1;
    std::size_t table = 0; // the variable's code table
    std::optional<std::pair<double, double>> range;
};

// The bytes of the record from `offset` on, at most `width` of them: fewer when the line ends
// before, none when it ends before `offset`.
inline std::string_view slice(std::string_view record, std::uint64_t offset, std::uint64_t width) {
    if (offset >= record.size()) return {};
    return record.substr(
        static_cast<std::size_t>(offset),
        static_cast<std::size_t>(std::min<std::uint64_t>(width, record.size() - offset)));
}

struct RecordDecoder::State {
    Survey survey;
    DataOptions options;
    std::vector<DataColumn> columns;
    std::vector<Field> fields;
    std::vector<datafile::CodeTable> tables;
    std::vector<std::vector<char>> specialEntries; // by table: which entries are SPECIAL
    std::vector<Cell> cells;
    std::vector<std::string> texts; // by column; empty for all but Text columns
    std::vector<DataDiagnostic> errors;
    std::vector<DataWarning> warnings;
    std::vector<std::int32_t> warningIndex; // by variable and problem
    std::uint64_t records = 0;
    std::uint64_t errorCount = 0;
    std::size_t line = 0;

    State(const Survey& s, DataOptions o) : survey(s), options(std::move(o)) {}

    void plan();
    void planVariable(std::size_t index);
    void planMultiple(std::size_t index, Field field);
    void planSpreadValues(std::size_t index, Field field, FieldKind kind, ColumnKind columnKind);
    void addColumn(std::size_t variable, std::string name, ColumnKind kind,
                   std::optional<std::size_t> value = std::nullopt,
                   std::optional<double> codeNumber = std::nullopt);

    // Before the fields of the record on line `recordLine`: its errors start empty.
    void startRecord(std::size_t recordLine) {
        errors.clear();
        line = recordLine;
    }
    void decode(const Field& field, std::string_view record);
    void decodeNumber(const Field& field, std::string_view bytes, const char* expected);
    void decodeLogical(const Field& field, std::string_view bytes);
    void decodeColumns(const Field& field, std::string_view bytes);
    void decodeSpread(const Field& field, std::string_view record);
    void error(const Field& field, std::uint64_t offset, std::string_view bytes,
               const char* expected);
    void warn(const Field& field, std::uint64_t offset, std::string_view bytes,
              DataProblem problem);
    void setMissing(const Field& field);
};

// The data reader's own way into a decoder: its CSV writer decodes the fields it can itself,
// and reads records on several threads, each with a copy of the state.
struct DecoderInternals {
    using State = RecordDecoder::State;
    static State& state(RecordDecoder& decoder) { return *decoder.state; }
    static const State& state(const RecordDecoder& decoder) { return *decoder.state; }
};

} // namespace vqz2xml
