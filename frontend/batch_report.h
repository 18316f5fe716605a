// The report of an option-form run: one JSON object per input, a line each (JSON Lines).
#pragma once

#include "vqz2xml/vqz2xml.hpp"

#include <cstdint>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <system_error>

// What became of one input.
enum class Status { Converted, Faulty, Skipped, UpToDate, Failed };

// The report's word for a status: "converted", "faulty", "skipped", "up-to-date", "failed".
std::string_view statusName(Status status);

// One input's line of the report.
struct ReportRecord {
    std::string input;
    std::optional<std::string> output; // written, up to date or kept; none when there is none
    Status status = Status::Failed;
    std::optional<vqz2xml::Encoding> encoding;     // the one its bytes were read in, if they were
    std::uint64_t bytesIn = 0;                     // bytes read
    std::uint64_t bytesOut = 0;                    // bytes written
    std::optional<vqz2xml::Diagnostic> diagnostic; // a faulty input's
    std::string error;                             // why a failed input was not converted
    // Of an input whose data file was read: its records, data errors and values warned about.
    struct DataCounts {
        std::uint64_t records = 0;
        std::uint64_t errors = 0;
        std::uint64_t warnings = 0;
    };
    std::optional<DataCounts> data;
};

// The object of one record, without the line end: "input", "output" (null when none), "status",
// "encoding" (null when nothing was read), "bytes_in", "bytes_out", a faulty input's "line",
// "column", "expected" and "found", a failed input's "error", and where a data file was read
// "records", "data_errors" and "data_warnings". The line is always valid UTF-8: a
// name or found text that is not valid UTF-8 has each broken sequence written as U+FFFD, as
// UTF-8 decoders replace them, and its exact bytes follow in hexadecimal under the same key with
// "_hex" added ("input_hex", "found_hex", ...): readable as it stands, and exact for a program
// that must open the file.
std::string reportLine(const ReportRecord& record);

// Where the report goes: a file, or standard output for "-". Each line is flushed as written.
class ReportFile {
  public:
    // Creates or empties the file; the error tells why it could not be.
    std::error_code open(const std::string& name);
    void write(const ReportRecord& record);
    // Whether every line was written.
    bool good() const { return out && out->good(); }

  private:
    std::ofstream file;
    std::ostream* out = nullptr;
};
