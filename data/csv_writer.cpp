// The records of a data file as CSV (RFC 4180, UTF-8): a header row, one row per record.
#include "data/csv_writer.h"

#include "data/number_field.h"

#include <cstring>

namespace datafile {

namespace {

constexpr std::size_t flushSize = 1 << 20;

bool needsQuotes(std::string_view text) {
    return text.find_first_of(",\"\r\n") != std::string_view::npos;
}

} // namespace

CsvWriter::CsvWriter(const vqz2xml::RecordDecoder& d, std::ostream& o, bool l)
    : decoder(d), out(o), labels(l) {
    for (const vqz2xml::DataColumn& column : decoder.columns()) kinds.push_back(column.kind);
    buffer.resize(flushSize + 4096);
}

char* CsvWriter::reserve(std::size_t bytes) {
    if (buffer.size() - used < bytes) buffer.resize(2 * buffer.size() + bytes);
    return buffer.data() + used;
}

void CsvWriter::appendField(std::string_view text) {
    char* at = reserve(2 * text.size() + 2);
    if (!needsQuotes(text)) {
        std::memcpy(at, text.data(), text.size());
        used += text.size();
        return;
    }
    char* const start = at;
    *at++ = '"';
    for (const char c : text) {
        if (c == '"') *at++ = '"';
        *at++ = c;
    }
    *at++ = '"';
    used += static_cast<std::size_t>(at - start);
}

void CsvWriter::writeHeader() {
    const auto& columns = decoder.columns();
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (c > 0) *reserve(1) = ',', ++used;
        appendField(columns[c].name);
    }
    std::memcpy(reserve(2), "\r\n", 2);
    used += 2;
}

void CsvWriter::appendCell(std::size_t column, const vqz2xml::Cell& cell) {
    switch (kinds[column]) {
    case vqz2xml::ColumnKind::Text: return appendField(decoder.text(column));
    case vqz2xml::ColumnKind::Boolean: buffer[used++] = cell.number != 0 ? '1' : '0'; return;
    case vqz2xml::ColumnKind::Code:
    case vqz2xml::ColumnKind::Number:
        if (labels && cell.value >= 0) return appendField(*decoder.label(column));
        used += datafile::writeNumber(buffer.data() + used, cell.number);
        return;
    }
}

void CsvWriter::writeRow() {
    const std::vector<vqz2xml::Cell>& cells = decoder.cells();
    for (std::size_t c = 0; c < cells.size(); ++c) {
        // Room for the comma and any number; texts make room of their own.
        reserve(maxNumberText + 1);
        if (c > 0) buffer[used++] = ',';
        if (cells[c].state != vqz2xml::CellState::Missing) appendCell(c, cells[c]);
    }
    std::memcpy(reserve(2), "\r\n", 2);
    used += 2;
    if (used >= flushSize) flush();
}

void CsvWriter::flush() {
    out.write(buffer.data(), static_cast<std::streamsize>(used));
    used = 0;
}

} // namespace datafile
