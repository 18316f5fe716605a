// The records of a data file as CSV (RFC 4180, UTF-8): a header row, one row per record.
#pragma once

#include "data/csv_text.h"
#include "vqz2xml/data.hpp"

#include <ostream>
#include <string_view>
#include <vector>

namespace datafile {

class CsvWriter {
  public:
    // With `labels`, values that have a label (a single's codes, a quantity's labelled values)
    // are written as their labels.
    CsvWriter(const vqz2xml::RecordDecoder& decoder, std::ostream& out, bool labels);
    void writeHeader();
    // The decoder's current record, from its cells.
    void writeRow();
    // Rows made elsewhere (CsvRowWriter), whole.
    void writeRows(std::string_view rows);
    // The buffer rows are made in; what it holds goes out at the next flush.
    CsvBuffer& buffer() { return text; }
    // Writes out what is held when it is a large block already.
    void flushIfFull();
    // Writes out what is held; the stream's state tells whether it took it all.
    void flush();

  private:
    const vqz2xml::RecordDecoder& decoder;
    std::vector<vqz2xml::ColumnKind> kinds;
    std::ostream& out;
    bool labels;
    CsvBuffer text;
};

} // namespace datafile
