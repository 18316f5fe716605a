// The records of a data file as CSV (RFC 4180, UTF-8): a header row, one row per record.
#pragma once

#include "vqz2xml/data.hpp"

#include <ostream>
#include <string>
#include <vector>

namespace datafile {

class CsvWriter {
  public:
    // With `labels`, values that have a label (a single's codes, a quantity's labelled values)
    // are written as their labels.
    CsvWriter(const vqz2xml::RecordDecoder& decoder, std::ostream& out, bool labels);
    void writeHeader();
    // The decoder's current record.
    void writeRow();
    // Writes out what is held; the stream's state tells whether it took it all.
    void flush();

  private:
    void appendField(std::string_view text);
    void appendCell(std::size_t column, const vqz2xml::Cell& cell);

    const vqz2xml::RecordDecoder& decoder;
    std::vector<vqz2xml::ColumnKind> kinds;
    std::ostream& out;
    bool labels;
    // Makes room for `bytes` more behind `used`.
    char* reserve(std::size_t bytes);

    std::vector<char> buffer;
    std::size_t used = 0;
};

} // namespace datafile
