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
    // How a single's or quantity's whole number is looked up: its code list's entry from the
    // dense codes (or the table, for the codes not among them), and for a number not in the
    // list a warning unless it lies in [low, high].
    struct NumberRule {
        std::size_t dense = 0; // the first of the list's dense codes in denseCodes
        std::uint64_t first = 0;
        std::uint64_t count = 0;
        const CodeTable* table = nullptr; // when some codes are not among the dense ones
        std::uint64_t low = 1;
        std::uint64_t high = 0;
        bool warns = false;
        vqz2xml::DataProblem problem = vqz2xml::DataProblem::Undeclared;
    };

    char* writeNumber(State& state, std::size_t index, std::string_view record, char* at) const;
    std::int32_t lookUp(State& state, std::size_t index, std::string_view bytes,
                        std::uint64_t number) const;
    char* writeLabel(const vqz2xml::Field& field, std::int32_t entry, char* at) const;
    char* writeText(const vqz2xml::Field& field, std::string_view record, char* at) const;
    char* writeLogical(const vqz2xml::Field& field, std::string_view record, char* at) const;
    char* writeColumns(State& state, const vqz2xml::Field& field, std::string_view record,
                       char* at) const;
    char* writeSpread(State& state, const vqz2xml::Field& field, std::string_view record,
                      char* at) const;
    void writeCells(State& state, const vqz2xml::Field& field, std::string_view record,
                    CsvBuffer& out) const;

    bool labels;
    std::vector<NumberRule> numberRules;              // by field
    std::vector<std::int32_t> denseCodes; // every code list's dense codes, -1 first for none
    std::vector<std::vector<std::string>> labelTexts; // by table and entry: the label's CSV
    std::string noneChosen;                           // "0," for every code of the widest multiple
    std::size_t rowRoom = 0; // the most a row's fields write without a text longer than textRoom
};

} // namespace datafile
