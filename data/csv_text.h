// CSV text in the making (RFC 4180, UTF-8): a growing buffer, and the text of fields and cells.
#pragma once

#include "vqz2xml/data.hpp"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace datafile {

class CsvBuffer {
  public:
    // Room for `bytes` more behind the end; returns the end, where they go. Earlier pointers
    // into the buffer may no longer hold.
    char* reserve(std::size_t bytes) {
        if (bytes > buffer.size() - used) grow(bytes);
        return buffer.data() + used;
    }
    char* end() { return buffer.data() + used; }
    // After writing into reserved room: `at` is one past the last byte written.
    void setEnd(const char* at) { used = static_cast<std::size_t>(at - buffer.data()); }
    void append(std::string_view text);
    std::string_view text() const { return {buffer.data(), used}; }
    std::size_t size() const { return used; }
    void clear() { used = 0; }

  private:
    void grow(std::size_t bytes);

    std::vector<char> buffer;
    std::size_t used = 0;
};

// A field's text, in quotes (and its quotes doubled) when it holds a comma, quote or line end.
void appendField(CsvBuffer& out, std::string_view text);

// A cell's text as written without looking at its field's bytes: nothing when it is missing,
// `label` when one is given and the column is a Code or Number column, else its number; `text`
// is a Text column's.
void appendCell(CsvBuffer& out, vqz2xml::ColumnKind kind, const vqz2xml::Cell& cell,
                std::string_view text, std::optional<std::string_view> label);

} // namespace datafile
