// A data stream's records as CSV, from the header to the last row: one record after another,
// or in blocks of records on several threads with the same bytes, errors and warnings.
#pragma once

#include "vqz2xml/data.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <istream>
#include <limits>
#include <ostream>
#include <vector>

namespace datafile {

struct CsvRunSettings {
    bool labels = false;      // values that have a label written as their labels
    bool stopAtError = false; // stop after the first record with a data error (one thread)
    // Threads decoding blocks of records; 1: the caller's, in turn (also for a survey of more
    // than 65,536 columns).
    unsigned threads = 1;
    std::size_t blockSize = 1 << 20; // the bytes of records a thread takes at a time
    // The errors a block keeps for the sink: the rest are only counted.
    std::size_t keptErrors = std::numeric_limits<std::size_t>::max();
};

// Told of data errors in record order: the first of them (as many as kept) and how many.
using CsvErrorSink =
    std::function<void(const std::vector<vqz2xml::DataDiagnostic>& errors, std::uint64_t count)>;

struct CsvRunResult {
    std::uint64_t bytesRead = 0;
    bool failed = false; // the stream failed before its end
};

// Reads `in` to its end (or the first record with a data error) and writes its CSV to `out`:
// the bytes, errors and warnings of decoding each record with `decoder` and writing it with
// CsvWriter. The decoder counts the records and holds the warnings, its cells are undefined.
CsvRunResult writeCsv(vqz2xml::RecordDecoder& decoder, std::istream& in, std::ostream& out,
                      const CsvRunSettings& settings, const CsvErrorSink& onErrors);

} // namespace datafile
