// The records of a data file as CSV (RFC 4180, UTF-8): a header row, one row per record.
#pragma once

#include "vqz2xml/data.hpp"

#include <ostream>
#include <string>

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
    void appendCell(std::size_t column);

    const vqz2xml::RecordDecoder& decoder;
    std::ostream& out;
    bool labels;
    std::string buffer;
};

} // namespace datafile
