// The R package's data reader: a survey's data file decoded into one R vector per column, read
// twice (records counted, then decoded), so that each vector is made once at its full length and
// memory holds no more than the vectors and a block of the file.
#include "r_glue.h"
#include "vqz2xml/data.hpp"

#include <cpp11/data_frame.hpp>
#include <cpp11/doubles.hpp>
#include <cpp11/integers.hpp>
#include <cpp11/strings.hpp>

#include <fstream>
#include <vector>

using namespace cpp11::literals;

namespace {

// Calls `each(record, line)` for every record of the data: a raw vector's bytes, or a file's read
// in blocks.
template <typename Each> void forEachRecord(SEXP data, Each&& each) {
    std::string_view record;
    if (TYPEOF(data) == RAWSXP) {
        std::string unused;
        vqz2xml::RecordSplitter records(inputBytes(data, unused));
        while (records.next(record)) each(record, records.line());
        return;
    }
    const std::string path = cpp11::as_cpp<std::string>(data);
    std::ifstream file(path, std::ios::binary);
    if (!file) cpp11::stop("cannot open '%s'", path.c_str());
    vqz2xml::RecordStream records(file);
    while (records.next(record)) each(record, records.line());
    if (records.failed()) cpp11::stop("cannot read '%s'", path.c_str());
}

// One column's R vector and where its values go.
struct ColumnVector {
    vqz2xml::ColumnKind kind;
    cpp11::sexp vector;
    double* numbers = nullptr;
    int* truths = nullptr;
    bool specialMissing = false; // a quantity's SPECIAL codes are stored as NA
};

ColumnVector columnVector(vqz2xml::ColumnKind kind, R_xlen_t records, bool specialMissing) {
    ColumnVector column{kind, R_NilValue};
    column.specialMissing = specialMissing && kind == vqz2xml::ColumnKind::Number;
    switch (kind) {
    case vqz2xml::ColumnKind::Code:
    case vqz2xml::ColumnKind::Number:
        column.vector = cpp11::safe[Rf_allocVector](REALSXP, records);
        column.numbers = REAL(column.vector);
        break;
    case vqz2xml::ColumnKind::Boolean:
        column.vector = cpp11::safe[Rf_allocVector](LGLSXP, records);
        column.truths = LOGICAL(column.vector);
        break;
    case vqz2xml::ColumnKind::Text:
        column.vector = cpp11::safe[Rf_allocVector](STRSXP, records);
        break;
    }
    return column;
}

// The current record's cells, stored in row `row` of the columns.
void storeRecord(const vqz2xml::RecordDecoder& decoder, std::vector<ColumnVector>& columns,
                 R_xlen_t row) {
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const vqz2xml::Cell& cell = decoder.cell(c);
        ColumnVector& column = columns[c];
        const bool missing = cell.state == vqz2xml::CellState::Missing ||
                             (column.specialMissing && cell.state == vqz2xml::CellState::Special);
        if (column.numbers) {
            column.numbers[row] = missing ? NA_REAL : cell.number;
        } else if (column.truths) {
            column.truths[row] = missing ? NA_LOGICAL : cell.number != 0;
        } else {
            SET_STRING_ELT(column.vector, row,
                           missing ? NA_STRING : rChar(decoder.text(c)));
        }
    }
}

cpp11::writable::list diagnosticFound(const std::vector<vqz2xml::DataDiagnostic>& diagnostics) {
    cpp11::writable::list found(static_cast<R_xlen_t>(diagnostics.size()));
    for (std::size_t i = 0; i < diagnostics.size(); ++i) {
        const std::string& bytes = diagnostics[i].found;
        cpp11::writable::raws raw(static_cast<R_xlen_t>(bytes.size()));
        std::copy(bytes.begin(), bytes.end(), RAW(raw));
        found[static_cast<R_xlen_t>(i)] = raw;
    }
    return found;
}

// One row per data error, or per warning with the count of its values and its first one.
cpp11::writable::list problemFrame(const std::vector<vqz2xml::DataDiagnostic>& diagnostics,
                                   const std::vector<std::uint64_t>& counts,
                                   const std::vector<std::string>& messages) {
    const auto n = static_cast<R_xlen_t>(diagnostics.size());
    cpp11::writable::doubles line(n), column(n), count(n);
    cpp11::writable::strings variable(n), expected(n), message(n);
    for (R_xlen_t i = 0; i < n; ++i) {
        const vqz2xml::DataDiagnostic& d = diagnostics[static_cast<std::size_t>(i)];
        line[i] = static_cast<double>(d.line);
        column[i] = static_cast<double>(d.column);
        count[i] = static_cast<double>(counts[static_cast<std::size_t>(i)]);
        variable[i] = rText(d.name);
        expected[i] = rText(d.expected);
        message[i] = rText(messages[static_cast<std::size_t>(i)]);
    }
    return cpp11::writable::list({"record"_nm = line, "column"_nm = column,
                                  "variable"_nm = variable, "expected"_nm = expected,
                                  "found"_nm = diagnosticFound(diagnostics), "count"_nm = count,
                                  "message"_nm = message});
}

cpp11::writable::list errorFrame(const std::vector<vqz2xml::DataDiagnostic>& errors,
                                 const std::string& name) {
    std::vector<std::string> messages;
    for (const auto& error : errors) messages.push_back(vqz2xml::dataDiagnosticLine(name, error));
    return problemFrame(errors, std::vector<std::uint64_t>(errors.size(), 1), messages);
}

cpp11::writable::list warningFrame(const std::vector<vqz2xml::DataWarning>& warnings,
                                   const std::string& name) {
    std::vector<vqz2xml::DataDiagnostic> firsts;
    std::vector<std::uint64_t> counts;
    std::vector<std::string> messages;
    for (const auto& warning : warnings) {
        firsts.push_back(warning.first);
        counts.push_back(warning.count);
        messages.push_back(vqz2xml::dataWarningLine(name, warning));
    }
    return problemFrame(firsts, counts, messages);
}

// The column plan: each column's name, kind, variable (from 1) and, for a multiple's column,
// its code's entry in the variable's list (from 1; NA for a code a range gives).
cpp11::writable::list columnPlan(const std::vector<vqz2xml::DataColumn>& columns) {
    const auto n = static_cast<R_xlen_t>(columns.size());
    cpp11::writable::strings name(n), kind(n);
    cpp11::writable::integers variable(n), value(n);
    for (R_xlen_t i = 0; i < n; ++i) {
        const vqz2xml::DataColumn& column = columns[static_cast<std::size_t>(i)];
        name[i] = rText(column.name);
        kind[i] = std::string(vqz2xml::columnKindName(column.kind));
        variable[i] = static_cast<int>(column.variable) + 1;
        value[i] = column.value ? static_cast<int>(*column.value) + 1 : NA_INTEGER;
    }
    return cpp11::writable::list(
        {"name"_nm = name, "kind"_nm = kind, "variable"_nm = variable, "value"_nm = value});
}

} // namespace

[[cpp11::register]]
cpp11::list read_data_native(SEXP metadata, std::string metadataName, SEXP data,
                             std::string dataName, std::string encoding, bool special_missing) {
    std::string room;
    const vqz2xml::SurveyResult survey =
        vqz2xml::readSurvey(inputBytes(metadata, room), {encodingOption(encoding)});
    room = std::string();
    vqz2xml::RecordDecoder decoder(survey.survey, {survey.encoding, {}});

    R_xlen_t records = 0;
    forEachRecord(data, [&](std::string_view, std::size_t) { ++records; });
    std::vector<ColumnVector> columns;
    cpp11::writable::list vectors(static_cast<R_xlen_t>(decoder.columns().size()));
    for (std::size_t c = 0; c < decoder.columns().size(); ++c) {
        columns.push_back(columnVector(decoder.columns()[c].kind, records, special_missing));
        vectors[static_cast<R_xlen_t>(c)] = columns.back().vector;
    }

    std::vector<vqz2xml::DataDiagnostic> errors;
    R_xlen_t row = 0;
    forEachRecord(data, [&](std::string_view record, std::size_t line) {
        if (row == records) cpp11::stop("'%s' grew while it was read", dataName.c_str());
        decoder.decode(record, line);
        storeRecord(decoder, columns, row++);
        errors.insert(errors.end(), decoder.errors().begin(), decoder.errors().end());
    });
    if (row != records) cpp11::stop("'%s' shrank while it was read", dataName.c_str());

    return cpp11::writable::list({"columns"_nm = vectors,
                                  "plan"_nm = columnPlan(decoder.columns()),
                                  "records"_nm = static_cast<double>(records),
                                  "errors"_nm = errorFrame(errors, dataName),
                                  "warnings"_nm = warningFrame(decoder.warnings(), dataName),
                                  "survey"_nm = surveyList(survey, metadataName)});
}

// Sets attributes of a vector the package made and alone holds, in place: a column of millions
// of values is not copied to be labelled.
[[cpp11::register]]
SEXP set_attributes(SEXP x, cpp11::list attributes) {
    const cpp11::strings names(attributes.names());
    for (R_xlen_t i = 0; i < attributes.size(); ++i) {
        const std::string name = names[i];
        cpp11::safe[Rf_setAttrib](x, cpp11::safe[Rf_install](name.c_str()), attributes[i]);
    }
    return x;
}
