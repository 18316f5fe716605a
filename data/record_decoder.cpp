// The column plan of a survey and the decoding of one record into its cells.
#include "data/decoder_state.h"
#include "data/number_field.h"
#include "data/text_field.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

namespace vqz2xml {

namespace {

using datafile::CodeTable;

// The most columns one variable may give: a multiple's range or a spread's subfields beyond it
// could never be held by a record of any sensible length.
constexpr std::int64_t maxColumnsPerVariable = 65536;
// The most columns of a whole survey, for the same reason.
constexpr std::size_t maxColumns = 1 << 20;

std::optional<double> numberOf(const std::string& text) {
    double value = 0;
    if (!datafile::parseNumber(datafile::trimBlanks(text), value)) return std::nullopt;
    return value;
}

std::optional<std::pair<double, double>> rangeOf(const Variable& variable) {
    if (!variable.range) return std::nullopt;
    const auto from = numberOf(variable.range->from);
    const auto to = numberOf(variable.range->to);
    if (!from || !to) return std::nullopt;
    return std::make_pair(std::min(*from, *to), std::max(*from, *to));
}

// The codes a range of whole numbers stands for in a multiple, in turn; none for another range.
std::vector<double> rangeCodes(const Variable& variable) {
    const auto range = rangeOf(variable);
    if (!range || range->first != std::trunc(range->first) ||
        range->second != std::trunc(range->second)) {
        return {};
    }
    if (range->second - range->first >= static_cast<double>(maxColumnsPerVariable)) {
        throw std::invalid_argument(variable.name + " (multiple): its range gives more than " +
                                    std::to_string(maxColumnsPerVariable) + " codes");
    }
    std::vector<double> codes;
    for (double code = range->first; code <= range->second; ++code) codes.push_back(code);
    return codes;
}

std::string codeName(const Code& code, std::size_t index) {
    if (code.code) return *code.code;
    if (code.number) return datafile::numberText(*code.number);
    return std::to_string(index + 1);
}

std::uint64_t clampedOffset(const Variable& variable) {
    return variable.start && *variable.start > 0 ? static_cast<std::uint64_t>(*variable.start - 1)
                                                 : 0;
}

} // namespace

void RecordDecoder::State::addColumn(std::size_t variable, std::string name, ColumnKind kind,
                                     std::optional<std::size_t> value,
                                     std::optional<double> codeNumber) {
    DataColumn column;
    column.name = std::move(name);
    column.kind = kind;
    column.variable = variable;
    column.value = value;
    column.codeNumber = codeNumber;
    columns.push_back(std::move(column));
}

void RecordDecoder::State::plan() {
    std::vector<bool> wanted(survey.variables.size(), options.variables.empty());
    for (const std::string& name : options.variables) {
        const auto it = std::find_if(survey.variables.begin(), survey.variables.end(),
                                     [&](const Variable& v) { return v.name == name; });
        if (it == survey.variables.end()) {
            throw std::invalid_argument("the survey has no variable named '" + name + "'");
        }
        wanted[static_cast<std::size_t>(it - survey.variables.begin())] = true;
    }
    tables.resize(survey.variables.size());
    specialEntries.resize(survey.variables.size());
    for (std::size_t i = 0; i < survey.variables.size(); ++i) {
        for (const Code& code : survey.variables[i].values)
            specialEntries[i].push_back(code.special);
    }
    warningIndex.assign(2 * survey.variables.size(), -1);
    for (std::size_t i = 0; i < survey.variables.size(); ++i) {
        if (wanted[i]) planVariable(i);
        if (columns.size() > maxColumns) {
            throw std::invalid_argument("the survey's variables give more than " +
                                        std::to_string(maxColumns) + " columns");
        }
    }
    for (CodeTable& table : tables) table.seal();
    cells.resize(columns.size());
    texts.resize(columns.size());
}

void RecordDecoder::State::planVariable(std::size_t index) {
    const Variable& variable = survey.variables[index];
    Field field;
    field.variable = index;
    field.table = index;
    field.offset = clampedOffset(variable);
    field.width =
        variable.start && variable.width > 0 ? static_cast<std::uint64_t>(variable.width) : 0;
    field.firstColumn = columns.size();
    field.range = rangeOf(variable);
    if (variable.type == VariableType::Multiple) return planMultiple(index, field);
    if (variable.type == VariableType::Character || variable.type == VariableType::Logical) {
        const bool text = variable.type == VariableType::Character;
        field.kind = text ? FieldKind::Character : FieldKind::Logical;
        addColumn(index, variable.name, text ? ColumnKind::Text : ColumnKind::Boolean);
        fields.push_back(field);
        return;
    }
    const bool single = variable.type == VariableType::Single;
    for (std::size_t v = 0; v < variable.values.size(); ++v) {
        if (variable.values[v].number) {
            tables[index].add(*variable.values[v].number, static_cast<std::int32_t>(v));
        }
    }
    const FieldKind kind = single ? FieldKind::Single : FieldKind::Quantity;
    const ColumnKind columnKind = single ? ColumnKind::Code : ColumnKind::Number;
    if (variable.spread && variable.spread->subfields > 0) {
        return planSpreadValues(index, field, kind, columnKind);
    }
    field.kind = kind;
    addColumn(index, variable.name, columnKind);
    fields.push_back(field);
}

// A single or a quantity with SPREAD: one column NAME_N per subfield, each read on its own.
void RecordDecoder::State::planSpreadValues(std::size_t index, Field field, FieldKind kind,
                                            ColumnKind columnKind) {
    const Variable& variable = survey.variables[index];
    const std::int64_t subfields = variable.spread->subfields;
    if (subfields > maxColumnsPerVariable) {
        throw std::invalid_argument(variable.name + ": SPREAD " + std::to_string(subfields) +
                                    " gives more than " + std::to_string(maxColumnsPerVariable) +
                                    " columns");
    }
    const std::uint64_t width =
        variable.spread->width
            ? static_cast<std::uint64_t>(std::max<std::int64_t>(0, *variable.spread->width))
            : field.width / static_cast<std::uint64_t>(subfields);
    const std::uint64_t end = field.offset + field.width;
    for (std::int64_t s = 0; s < subfields; ++s) {
        Field sub = field;
        sub.kind = kind;
        sub.firstColumn = columns.size();
        // A subfield past the field's end reads as blank.
        const bool past = width == 0 || field.width == 0 ||
                          static_cast<std::uint64_t>(s) > (field.width - 1) / width;
        sub.offset = past ? end : field.offset + static_cast<std::uint64_t>(s) * width;
        sub.width = past ? 0 : std::min(width, end - sub.offset);
        addColumn(index, variable.name + "_" + std::to_string(s + 1), columnKind);
        fields.push_back(sub);
    }
}

// One Boolean column per code: a range's codes first, then the entries.
void RecordDecoder::State::planMultiple(std::size_t index, Field field) {
    const Variable& variable = survey.variables[index];
    CodeTable& table = tables[index];
    std::int32_t position = 0;
    for (const double code : rangeCodes(variable)) {
        table.add(code, position++);
        addColumn(index, variable.name + "_" + datafile::numberText(code), ColumnKind::Boolean,
                  std::nullopt, code);
    }
    for (std::size_t v = 0; v < variable.values.size(); ++v) {
        const Code& code = variable.values[v];
        if (code.number) table.add(*code.number, position);
        ++position;
        addColumn(index, variable.name + "_" + codeName(code, v), ColumnKind::Boolean, v,
                  code.number);
    }
    field.columns = columns.size() - field.firstColumn;
    if (variable.spread && variable.spread->subfields > 0) {
        field.kind = FieldKind::MultipleSpread;
        field.subfields = static_cast<std::uint64_t>(variable.spread->subfields);
        field.subfieldWidth =
            variable.spread->width
                ? static_cast<std::uint64_t>(std::max<std::int64_t>(0, *variable.spread->width))
                : field.width / field.subfields;
    } else {
        field.kind = FieldKind::MultipleColumns;
    }
    fields.push_back(field);
}

void RecordDecoder::State::error(const Field& field, std::uint64_t offset, std::string_view bytes,
                                 const char* expected) {
    const Variable& variable = survey.variables[field.variable];
    DataDiagnostic diagnostic;
    diagnostic.line = line;
    diagnostic.column = static_cast<std::size_t>(
        std::min<std::uint64_t>(offset + 1, std::numeric_limits<std::size_t>::max()));
    diagnostic.variable = field.variable;
    diagnostic.name = variable.name;
    diagnostic.type = variable.type;
    diagnostic.expected = expected;
    diagnostic.found = std::string(bytes);
    errors.push_back(std::move(diagnostic));
    ++errorCount;
    setMissing(field);
}

void RecordDecoder::State::warn(const Field& field, std::uint64_t offset, std::string_view bytes,
                                DataProblem problem) {
    std::int32_t& index =
        warningIndex[2 * field.variable + (problem == DataProblem::OutOfRange ? 1 : 0)];
    if (index >= 0) {
        ++warnings[static_cast<std::size_t>(index)].count;
        return;
    }
    const Variable& variable = survey.variables[field.variable];
    DataWarning warning;
    warning.count = 1;
    warning.first.problem = problem;
    warning.first.line = line;
    warning.first.column = static_cast<std::size_t>(
        std::min<std::uint64_t>(offset + 1, std::numeric_limits<std::size_t>::max()));
    warning.first.variable = field.variable;
    warning.first.name = variable.name;
    warning.first.type = variable.type;
    warning.first.found = std::string(bytes);
    index = static_cast<std::int32_t>(warnings.size());
    warnings.push_back(std::move(warning));
}

void RecordDecoder::State::setMissing(const Field& field) {
    for (std::size_t c = field.firstColumn; c < field.firstColumn + field.columns; ++c) {
        cells[c] = Cell();
    }
}

void RecordDecoder::State::decode(const Field& field, std::string_view record) {
    if (field.width == 0) return setMissing(field);
    const std::string_view bytes = slice(record, field.offset, field.width);
    switch (field.kind) {
    case FieldKind::Single: return decodeNumber(field, bytes, expectedCode);
    case FieldKind::Quantity: return decodeNumber(field, bytes, expectedNumber);
    case FieldKind::Character: {
        Cell& cell = cells[field.firstColumn];
        cell.state = CellState::Value;
        datafile::assignUtf8(texts[field.firstColumn], datafile::trimTrailingBlanks(bytes),
                             options.encoding);
        return;
    }
    case FieldKind::Logical: return decodeLogical(field, bytes);
    case FieldKind::MultipleColumns: return decodeColumns(field, bytes);
    case FieldKind::MultipleSpread: return decodeSpread(field, record);
    }
}

void RecordDecoder::State::decodeNumber(const Field& field, std::string_view bytes,
                                        const char* expected) {
    Cell& cell = cells[field.firstColumn];
    cell = Cell();
    switch (datafile::readWholeNumber(bytes, cell.number)) {
    case datafile::WholeNumber::Blank: return;
    case datafile::WholeNumber::Read: break;
    case datafile::WholeNumber::Other:
        if (!datafile::parseNumber(datafile::trimBlanks(bytes), cell.number)) {
            return error(field, field.offset, bytes, expected);
        }
    }
    cell.state = CellState::Value;
    cell.value = tables[field.table].find(cell.number);
    if (cell.value >= 0) {
        if (specialEntries[field.table][static_cast<std::size_t>(cell.value)]) {
            cell.state = CellState::Special;
        }
        return;
    }
    const bool inRange =
        field.range && cell.number >= field.range->first && cell.number <= field.range->second;
    if (field.kind == FieldKind::Single && !inRange) {
        warn(field, field.offset, bytes, DataProblem::Undeclared);
    } else if (field.kind == FieldKind::Quantity && field.range && !inRange) {
        warn(field, field.offset, bytes, DataProblem::OutOfRange);
    }
}

void RecordDecoder::State::decodeLogical(const Field& field, std::string_view bytes) {
    Cell& cell = cells[field.firstColumn];
    const std::string_view text = datafile::trimBlanks(bytes);
    cell = Cell();
    if (text.empty()) return;
    if (text != "1" && text != "0") return error(field, field.offset, bytes, expectedFlag);
    cell.state = CellState::Value;
    cell.number = text[0] == '1' ? 1 : 0;
}

// Column i of the field is the i-th code: 1 chosen, 0 or blank not.
void RecordDecoder::State::decodeColumns(const Field& field, std::string_view bytes) {
    for (std::size_t i = 0; i < field.columns; ++i) {
        Cell& cell = cells[field.firstColumn + i];
        cell = Cell();
        cell.state = CellState::Value;
        const char c = i < bytes.size() ? bytes[i] : ' ';
        if (c == '1') {
            cell.number = 1;
        } else if (c != '0' && c != ' ') {
            return error(field, field.offset, bytes, expectedFlag);
        }
    }
    for (std::size_t i = field.columns; i < bytes.size(); ++i) {
        if (bytes[i] == '1') {
            return warn(field, field.offset + i, bytes.substr(i, 1), DataProblem::Undeclared);
        }
    }
}

// Each subfield holds a code, or blanks or zeros for none.
void RecordDecoder::State::decodeSpread(const Field& field, std::string_view record) {
    for (std::size_t i = 0; i < field.columns; ++i) {
        cells[field.firstColumn + i] = Cell{0, -1, CellState::Value};
    }
    if (field.subfieldWidth == 0) return;
    const std::uint64_t end = std::min<std::uint64_t>(field.offset + field.width, record.size());
    for (std::uint64_t s = 0; s < field.subfields; ++s) {
        const std::uint64_t offset = field.offset + s * field.subfieldWidth;
        if (offset >= end) break; // the rest read as blank
        const std::string_view bytes =
            record.substr(static_cast<std::size_t>(offset),
                          static_cast<std::size_t>(std::min(field.subfieldWidth, end - offset)));
        const std::string_view text = datafile::trimBlanks(bytes);
        if (text.empty() || datafile::isAllZeros(text)) continue;
        double number = 0;
        if (!datafile::parseNumber(text, number)) return error(field, offset, bytes, expectedCode);
        const std::int32_t position = tables[field.table].find(number);
        if (position < 0) {
            warn(field, offset, bytes, DataProblem::Undeclared);
        } else {
            cells[field.firstColumn + static_cast<std::size_t>(position)].number = 1;
        }
    }
}

RecordDecoder::RecordDecoder(const Survey& survey, DataOptions options)
    : state(std::make_unique<State>(survey, std::move(options))) {
    if (state->options.encoding == Encoding::Auto) state->options.encoding = Encoding::Latin1;
    state->plan();
}

RecordDecoder::~RecordDecoder() = default;
RecordDecoder::RecordDecoder(RecordDecoder&&) noexcept = default;
RecordDecoder& RecordDecoder::operator=(RecordDecoder&&) noexcept = default;

const std::vector<DataColumn>& RecordDecoder::columns() const { return state->columns; }
const Survey& RecordDecoder::survey() const { return state->survey; }

void RecordDecoder::decode(std::string_view record, std::size_t line) {
    state->startRecord(line);
    for (const Field& field : state->fields) state->decode(field, record);
    ++state->records;
}

const Cell& RecordDecoder::cell(std::size_t column) const { return state->cells[column]; }
const std::vector<Cell>& RecordDecoder::cells() const { return state->cells; }

std::string_view RecordDecoder::text(std::size_t column) const { return state->texts[column]; }

std::optional<std::string_view> RecordDecoder::label(std::size_t column) const {
    const Cell& cell = state->cells[column];
    const DataColumn& info = state->columns[column];
    if (cell.value < 0 || cell.state == CellState::Missing || info.kind == ColumnKind::Boolean ||
        info.kind == ColumnKind::Text) {
        return std::nullopt;
    }
    return state->survey.variables[info.variable]
        .values[static_cast<std::size_t>(cell.value)]
        .label;
}

const std::vector<DataDiagnostic>& RecordDecoder::errors() const { return state->errors; }
const std::vector<DataWarning>& RecordDecoder::warnings() const { return state->warnings; }
std::uint64_t RecordDecoder::records() const { return state->records; }
std::uint64_t RecordDecoder::errorCount() const { return state->errorCount; }

} // namespace vqz2xml
