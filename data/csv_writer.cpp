// The records of a data file as CSV (RFC 4180, UTF-8): a header row, one row per record.
#include "data/csv_writer.h"

#include <cstring>

namespace datafile {

namespace {

constexpr std::size_t flushSize = 1 << 20;

} // namespace

CsvWriter::CsvWriter(const vqz2xml::RecordDecoder& d, std::ostream& o, bool l)
    : decoder(d), out(o), labels(l) {
    for (const vqz2xml::DataColumn& column : decoder.columns()) kinds.push_back(column.kind);
    text.reserve(flushSize + 4096);
}

void CsvWriter::writeHeader() {
    const auto& columns = decoder.columns();
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (c > 0) text.append(",");
        appendField(text, columns[c].name);
    }
    text.append("\r\n");
}

void CsvWriter::writeRow() {
    const std::vector<vqz2xml::Cell>& cells = decoder.cells();
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (c > 0) text.append(",");
        const bool labelled = labels && cells[c].value >= 0;
        appendCell(text, kinds[c], cells[c], decoder.text(c),
                   labelled ? decoder.label(c) : std::nullopt);
    }
    text.append("\r\n");
    flushIfFull();
}

void CsvWriter::writeRows(std::string_view rows) {
    if (text.size() + rows.size() < flushSize) return text.append(rows);
    flush();
    out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
}

void CsvWriter::flushIfFull() {
    if (text.size() >= flushSize) flush();
}

void CsvWriter::flush() {
    const std::string_view held = text.text();
    out.write(held.data(), static_cast<std::streamsize>(held.size()));
    text.clear();
}

} // namespace datafile
