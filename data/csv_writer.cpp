// The records of a data file as CSV (RFC 4180, UTF-8): a header row, one row per record.
#include "data/csv_writer.h"

#include "data/number_field.h"

namespace datafile {

namespace {

constexpr std::size_t flushSize = 1 << 20;

bool needsQuotes(std::string_view text) {
    return text.find_first_of(",\"\r\n") != std::string_view::npos;
}

} // namespace

CsvWriter::CsvWriter(const vqz2xml::RecordDecoder& d, std::ostream& o, bool l)
    : decoder(d), out(o), labels(l) {
    buffer.reserve(flushSize + 4096);
}

void CsvWriter::appendField(std::string_view text) {
    if (!needsQuotes(text)) {
        buffer.append(text.data(), text.size());
        return;
    }
    buffer += '"';
    for (const char c : text) {
        if (c == '"') buffer += '"';
        buffer += c;
    }
    buffer += '"';
}

void CsvWriter::writeHeader() {
    const auto& columns = decoder.columns();
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (c > 0) buffer += ',';
        appendField(columns[c].name);
    }
    buffer += "\r\n";
}

void CsvWriter::appendCell(std::size_t column) {
    const vqz2xml::Cell& cell = decoder.cell(column);
    if (cell.state == vqz2xml::CellState::Missing) return;
    switch (decoder.columns()[column].kind) {
    case vqz2xml::ColumnKind::Text:
        return appendField(decoder.text(column));
    case vqz2xml::ColumnKind::Boolean:
        buffer += cell.number != 0 ? '1' : '0';
        return;
    case vqz2xml::ColumnKind::Code:
    case vqz2xml::ColumnKind::Number:
        if (labels && cell.value >= 0) return appendField(*decoder.label(column));
        return appendNumber(buffer, cell.number);
    }
}

void CsvWriter::writeRow() {
    const std::size_t count = decoder.columns().size();
    for (std::size_t c = 0; c < count; ++c) {
        if (c > 0) buffer += ',';
        appendCell(c);
    }
    buffer += "\r\n";
    if (buffer.size() >= flushSize) flush();
}

void CsvWriter::flush() {
    out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    buffer.clear();
}

} // namespace datafile
