// Reading a survey's data file, one record per respondent, into typed values: the columns each
// variable gives, a record at a time, with the data errors and warnings found on the way.
#pragma once

#include "vqz2xml/survey.hpp"
#include "vqz2xml/vqz2xml.hpp"

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#if defined(__GNUC__) && !defined(_WIN32)
#pragma GCC visibility push(default)
#endif

namespace vqz2xml {

// What a column holds. A single gives one Code column, a quantity one Number column (a single
// or quantity with SPREAD one per subfield), a character one Text column, a logical one Boolean
// column, a multiple one Boolean column per code.
enum class ColumnKind { Code, Number, Text, Boolean };

// "code", "number", "text" or "boolean".
VQZ2XML_API std::string_view columnKindName(ColumnKind kind);

struct DataColumn {
    std::string name; // NAME, NAME_CODE for a multiple's code, NAME_N for a subfield
    ColumnKind kind = ColumnKind::Code;
    std::size_t variable = 0; // index into the survey's variables
    // A multiple's code: index into the variable's values, or none for a code a range gives.
    std::optional<std::size_t> value;
    std::optional<double> codeNumber; // a multiple's code as a number, when it is one
};

// The state of one value of the current record.
enum class CellState : std::uint8_t {
    Missing, // blank, no field, or a data error
    Value,   // a number, a choice, a truth value or a text
    Special, // a number that is a SPECIAL code of the variable: no answer, its code kept
};

struct Cell {
    double number = 0; // a number, or 1/0 for a Boolean column
    // For Code and Number columns: the index into the variable's values of the entry whose
    // number was read, or -1 when none labels it (a range's code or an undeclared one).
    std::int32_t value = -1;
    CellState state = CellState::Missing;
};

enum class DataProblem { Error, Undeclared, OutOfRange };

// One data error, or the first occurrence of a warning.
struct DataDiagnostic {
    DataProblem problem = DataProblem::Error;
    std::size_t line = 0;   // the record's line, from 1
    std::size_t column = 0; // the field's (or subfield's) first column, from 1
    std::size_t variable = 0;
    std::string name; // the variable's name
    VariableType type = VariableType::Single;
    std::string expected; // "a code", "a number", "1, 0 or blank", ...
    std::string found;    // the field's bytes as found (without the padding of a short line)
};

// A warning counted for one variable: how many values, and where the first was.
struct DataWarning {
    DataDiagnostic first;
    std::uint64_t count = 0;
};

// `FILE:LINE:COLUMN: error: NAME (TYPE): expected EXPECTED, found "FOUND"`, or for a warning
// `FILE:LINE:COLUMN: warning: NAME (TYPE): N value(s) not in the code list, first "FOUND"`
// (or "out of range"); the found text escaped as diagnosticLine escapes it.
VQZ2XML_API std::string dataDiagnosticLine(std::string_view fileName,
                                           const DataDiagnostic& diagnostic);
VQZ2XML_API std::string dataWarningLine(std::string_view fileName, const DataWarning& warning);

struct DataOptions {
    // The encoding of the character fields (never Auto: choose one first).
    Encoding encoding = Encoding::Latin1;
    // The names of the variables to read, in any order; empty reads them all. Columns keep the
    // survey's order.
    std::vector<std::string> variables;
};

// The column plan of a survey and the decoding of one record into its cells. Records come in
// one at a time without their line end, so memory does not grow with the data.
class VQZ2XML_API RecordDecoder {
  public:
    // Throws std::invalid_argument for a variable asked for that the survey lacks, or a
    // variable (a multiple's range, a SPREAD) or survey that would give more columns than a
    // record could ever hold: 65,536 for one variable, 1,048,576 in all.
    RecordDecoder(const Survey& survey, DataOptions options);
    ~RecordDecoder();
    RecordDecoder(RecordDecoder&&) noexcept;
    RecordDecoder& operator=(RecordDecoder&&) noexcept;

    const std::vector<DataColumn>& columns() const;
    const Survey& survey() const;

    // Decodes the record on line `line` into the cells; its data errors, if any, are those of
    // errors() until the next call.
    void decode(std::string_view record, std::size_t line);

    const Cell& cell(std::size_t column) const;
    // Every column's cell, in column order: for readers that go through them all.
    const std::vector<Cell>& cells() const;
    // A Text column's value in UTF-8, trailing blanks removed; empty for other columns.
    std::string_view text(std::size_t column) const;
    // The label of a Code or Number cell's entry, when it has one.
    std::optional<std::string_view> label(std::size_t column) const;

    const std::vector<DataDiagnostic>& errors() const; // the last record's
    const std::vector<DataWarning>& warnings() const;  // every record's so far, one per kind
                                                       // and variable, in order of first sight
    std::uint64_t records() const;                     // records decoded
    std::uint64_t errorCount() const;                  // data errors in them

  private:
    struct State;
    friend struct DecoderInternals; // the data reader's own CSV writer
    std::unique_ptr<State> state;
};

// Splits data bytes into records: lines ending at LF, CR LF or a lone CR; the last line needs no
// line end, and nothing after the final line end is a record.
class VQZ2XML_API RecordSplitter {
  public:
    explicit RecordSplitter(std::string_view data) : rest(data) {}
    // The next record without its line end; false at the end of the data.
    bool next(std::string_view& record);
    std::size_t line() const { return lines; } // the last record's line, from 1

  private:
    std::string_view rest;
    std::size_t lines = 0;
};

// The same over a stream, read in blocks: memory holds a block and the longest record.
class VQZ2XML_API RecordStream {
  public:
    explicit RecordStream(std::istream& input, std::size_t blockSize = 1 << 20);
    // The next record, valid until the next call; false at the end of the stream or when it
    // fails (see failed()).
    bool next(std::string_view& record);
    std::size_t line() const { return lines; }
    bool failed() const { return readFailed; }
    std::uint64_t bytesRead() const { return total; }

  private:
    bool fill();

    std::istream& input;
    std::vector<char> buffer;
    std::size_t begin = 0;   // the first byte not yet split
    std::size_t end = 0;     // one past the last byte read
    std::size_t scanned = 0; // bytes from `begin` known to hold no line end
    std::size_t blockSize;
    std::size_t lines = 0;
    std::uint64_t total = 0;
    bool atEnd = false;
    bool readFailed = false;
};

// The number of records in data bytes, as RecordSplitter counts them.
VQZ2XML_API std::size_t countRecords(std::string_view data);

} // namespace vqz2xml

#if defined(__GNUC__) && !defined(_WIN32)
#pragma GCC visibility pop
#endif
