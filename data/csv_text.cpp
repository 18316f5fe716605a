// CSV text in the making (RFC 4180, UTF-8): a growing buffer, and the text of fields and cells.
#include "data/csv_text.h"

#include "data/number_field.h"

#include <algorithm>

namespace datafile {

void CsvBuffer::grow(std::size_t bytes) { buffer.resize(2 * buffer.size() + bytes); }

void CsvBuffer::append(std::string_view text) {
    std::copy(text.begin(), text.end(), reserve(text.size()));
    used += text.size();
}

void appendField(CsvBuffer& out, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return out.append(text);
    char* at = out.reserve(2 * text.size() + 2);
    *at++ = '"';
    for (const char c : text) {
        if (c == '"') *at++ = '"';
        *at++ = c;
    }
    *at++ = '"';
    out.setEnd(at);
}

void appendCell(CsvBuffer& out, vqz2xml::ColumnKind kind, const vqz2xml::Cell& cell,
                std::string_view text, std::optional<std::string_view> label) {
    if (cell.state == vqz2xml::CellState::Missing) return;
    switch (kind) {
    case vqz2xml::ColumnKind::Text: return appendField(out, text);
    case vqz2xml::ColumnKind::Boolean: return out.append(cell.number != 0 ? "1" : "0");
    case vqz2xml::ColumnKind::Code:
    case vqz2xml::ColumnKind::Number:
        if (label) return appendField(out, *label);
        char* const at = out.reserve(maxNumberText);
        out.setEnd(at + writeNumber(at, cell.number));
        return;
    }
}

} // namespace datafile
