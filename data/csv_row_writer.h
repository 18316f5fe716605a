// Records straight from their bytes to their CSV rows: the common fields' text made from their
// bytes, any other field decoded into its cells and written as the cells are.
#pragma once

#include "data/csv_text.h"
#include "data/decoder_state.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace datafile {

class CsvRowWriter {
  public:
    using State = vqz2xml::DecoderInternals::State;

    // The plan of the decoder's fields; with `labels`, values that have a label are written as
    // their labels.
    CsvRowWriter(const vqz2xml::RecordDecoder& decoder, bool labels);

    // Decodes the record on line `line` with `state` (the decoder's or a copy of it) and
    // appends its row to `out`: the bytes CsvWriter::writeRow writes after decode(), with the
    // same errors and warnings in `state`, and the state's record counted. The cells are left
    // as they are, but for the fields decoded the common way.
    void writeRow(State& state, std::string_view record, std::size_t line, CsvBuffer& out) const;

  private:
    // How a row writes one field, what the common cases need in one place. A single's or
    // quantity's whole number is looked up in the dense codes (or the table, for codes not among
    // them); a number not in the list warns unless it lies in [low, high].
    enum class StepKind : std::uint8_t { NoField, Pair, Number, Text, Logical, Columns, Spread };
    struct Step {
        StepKind kind = StepKind::NoField;
        bool shortField = false; // at most 8 bytes: read as one word when the line holds 8
        std::uint8_t width = 0;  // a pair's: 1 or 2
        bool search = false;     // some of the codes are not among the dense ones
        bool warns = false;
        vqz2xml::DataProblem problem = vqz2xml::DataProblem::Undeclared;
        std::size_t dense = 0; // the first of the list's dense codes in denseCodes
        std::uint64_t offset = 0;
        std::uint64_t inField = 0; // a short field's bytes in its word
        std::uint64_t first = 0;
        std::uint64_t count = 0;
        std::uint64_t low = 1;
        std::uint64_t high = 0;
    };

    char* writeShortNumber(State& state, std::size_t index, std::string_view record,
                           char* at) const;
    char* writePair(State& state, std::size_t index, std::string_view record, char* at) const;
    char* writeWhole(State& state, std::size_t index, std::string_view bytes, std::uint64_t number,
                     std::int32_t entry, char* at) const;
    char* writeNumber(State& state, std::size_t index, std::string_view record, char* at) const;
    std::int32_t lookUp(State& state, std::size_t index, std::string_view bytes,
                        std::uint64_t number) const;
    std::int32_t settle(State& state, std::size_t index, std::string_view bytes,
                        std::uint64_t number, std::int32_t entry) const;
    char* writeLabel(const vqz2xml::Field& field, std::int32_t entry, char* at) const;
    char* writeText(const Step& step, const vqz2xml::Field& field, std::string_view record,
                    char* at) const;
    char* writeLogical(const vqz2xml::Field& field, std::string_view record, char* at) const;
    char* writeColumns(State& state, const vqz2xml::Field& field, std::string_view record,
                       char* at) const;
    char* writeSpread(State& state, const vqz2xml::Field& field, std::string_view record,
                      char* at) const;
    void writeCells(State& state, const vqz2xml::Field& field, std::string_view record,
                    CsvBuffer& out) const;

    bool labels;
    std::vector<Step> steps;              // by field
    std::vector<std::int32_t> denseCodes; // every code list's dense codes, -1 first for none
    const std::uint32_t* pairs = nullptr; // what every two bytes read as in a field of two
    std::vector<std::vector<std::string>> labelTexts; // by table and entry: the label's CSV
    std::string noneChosen;                           // "0," for every code of the widest multiple
    std::size_t rowRoom = 0; // the most a row's fields write without a text longer than textRoom
};

} // namespace datafile
