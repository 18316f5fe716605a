// The native half of vqz2xml.read_data: a data file's records decoded into numpy arrays, one
// per column, with no Python object per value but for texts.
#include "data_module.h"

#include "vqz2xml/data.hpp"
#include "vqz2xml/survey.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <string>
#include <vector>

namespace py = pybind11;

namespace {

// The data errors kept for Python; the rest are counted.
constexpr std::size_t maxKeptErrors = 10000;
// The records gathered before their cells go into the columns' arrays.
constexpr std::size_t blockRecords = 64;

std::filesystem::path pathOf(const std::string& utf8) {
#if defined(__cpp_char8_t)
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
    return std::filesystem::u8path(utf8);
#endif
}

py::dict diagnosticDict(const vqz2xml::DataDiagnostic& d, const std::string& dataName) {
    py::dict diagnostic;
    diagnostic["line"] = d.line;
    diagnostic["column"] = d.column;
    diagnostic["variable"] = d.name;
    diagnostic["expected"] = d.expected;
    diagnostic["found"] = py::bytes(d.found);
    diagnostic["message"] = vqz2xml::dataDiagnosticLine(dataName, d);
    return diagnostic;
}

// One column's arrays while records are read into them.
struct ColumnArrays {
    vqz2xml::ColumnKind kind = vqz2xml::ColumnKind::Code;
    std::size_t variable = 0;
    py::array values;     // float64, bool or object
    py::array mask;       // bool: missing; none for texts
    py::array valueIndex; // int32 entry index of a Code column, with labels
    // The arrays' memory, written record by record.
    double* numbers = nullptr;
    bool* flags = nullptr;
    bool* missing = nullptr;
    std::int32_t* indexes = nullptr;
    PyObject** texts = nullptr;
    std::vector<std::int64_t> specialRows;
    std::vector<double> specialValues;
};

// Where one column's cell of each record goes: the part of ColumnArrays every record touches,
// kept small so that a wide survey's row of them stays in the cache.
struct Target {
    vqz2xml::ColumnKind kind;
    void* values;
    bool* missing;
    std::int32_t* indexes;
};

// The records of one data file, read in runs of records into numpy arrays.
class DataReader {
  public:
    DataReader(const py::bytes& metadata, const py::object& data, bool dataIsPath,
               vqz2xml::Encoding encoding, std::optional<std::vector<std::string>> usecols,
               std::string name)
        : dataName(std::move(name)) {
        const std::string meta = metadata;
        vqz2xml::Options options;
        options.encoding = encoding;
        vqz2xml::SurveyResult result = vqz2xml::readSurvey(meta, options);
        if (!result.complete) {
            vqz2xml::Diagnostic d = *result.diagnostic;
            throw py::value_error("the survey description is faulty: " +
                                  vqz2xml::diagnosticLine("<metadata>", d));
        }
        vqz2xml::DataOptions dataOptions;
        dataOptions.encoding = result.encoding;
        if (usecols) dataOptions.variables = *usecols;
        try {
            decoder.emplace(result.survey, dataOptions);
        } catch (const std::invalid_argument& error) {
            throw py::value_error(error.what());
        }
        openData(data, dataIsPath);
    }

    py::list columns() const {
        py::list list;
        for (const vqz2xml::DataColumn& c : decoder->columns()) {
            const vqz2xml::Variable& v = decoder->survey().variables[c.variable];
            list.append(py::dict(py::arg("name") = c.name,
                                 py::arg("kind") = vqz2xml::columnKindName(c.kind),
                                 py::arg("variable") = v.name,
                                 py::arg("value") = c.value ? py::object(py::int_(*c.value))
                                                            : py::object(py::none()),
                                 py::arg("code_number") =
                                     c.codeNumber ? py::object(py::float_(*c.codeNumber))
                                                  : py::object(py::none())));
        }
        return list;
    }


    // The number of records left, counted without decoding them.
    std::size_t countRecords() {
        if (bytes) return vqz2xml::countRecords(remaining());
        std::ifstream counting(pathOf(path), std::ios::binary);
        vqz2xml::RecordStream records(counting);
        std::string_view record;
        std::size_t count = 0;
        while (records.next(record)) ++count;
        return count > recordsRead ? count - recordsRead : 0;
    }

    // Reads up to `limit` records (all that are left when negative) into arrays.
    py::dict read(std::int64_t limit, bool labels, bool strict) {
        // A run larger than any chunk would sensibly be is first held against what is left.
        constexpr std::int64_t countedAbove = 1 << 20;
        std::size_t capacity = limit < 0 ? countRecords() : static_cast<std::size_t>(limit);
        if (limit > countedAbove) capacity = std::min(capacity, countRecords());
        std::vector<ColumnArrays> arrays = allocate(capacity, labels);
        std::vector<Target> targets;
        for (const ColumnArrays& a : arrays) {
            void* values = a.numbers ? static_cast<void*>(a.numbers)
                           : a.flags ? static_cast<void*>(a.flags)
                                     : static_cast<void*>(a.texts);
            targets.push_back({a.kind, values, a.missing, a.indexes});
        }
        std::size_t rows = 0;
        py::list errors;
        std::string_view record;
        // Records are gathered in blocks and each column's part of a block written at once: a
        // wide survey's row of arrays, one record at a time, would touch a page for every
        // column with every record.
        const std::size_t width = targets.size();
        std::vector<vqz2xml::Cell> block(blockRecords * width);
        std::size_t held = 0;
        while (rows < capacity && nextRecord(record)) {
            decoder->decode(record, line);
            keepErrors(errors, strict);
            const std::vector<vqz2xml::Cell>& cells = decoder->cells();
            std::copy(cells.begin(), cells.end(),
                      block.begin() + static_cast<std::ptrdiff_t>(held * width));
            storeTexts(targets, rows++);
            if (++held == blockRecords) {
                store(targets, arrays, block, rows - held, held);
                held = 0;
            }
        }
        store(targets, arrays, block, rows - held, held);
        return finish(arrays, rows, errors);
    }

    // Passes over up to `count` records without decoding them; returns how many there were.
    std::size_t skip(std::size_t count) {
        std::string_view record;
        std::size_t skipped = 0;
        while (skipped < count && nextRecord(record)) ++skipped;
        return skipped;
    }

    py::list warnings() const {
        py::list list;
        for (const vqz2xml::DataWarning& w : decoder->warnings()) {
            py::dict warning = diagnosticDict(w.first, dataName);
            warning["problem"] =
                w.first.problem == vqz2xml::DataProblem::OutOfRange ? "out of range" : "undeclared";
            warning["count"] = w.count;
            warning["message"] = vqz2xml::dataWarningLine(dataName, w);
            list.append(warning);
        }
        return list;
    }

    std::uint64_t errorCount() const { return decoder->errorCount(); }

  private:
    void openData(const py::object& data, bool dataIsPath) {
        if (dataIsPath) {
            path = data.cast<std::string>();
            file = std::make_unique<std::ifstream>(pathOf(path), std::ios::binary);
            if (!file->is_open()) {
                throw py::value_error("cannot read data '" + path + "': " + std::strerror(errno));
            }
            stream.emplace(*file);
            return;
        }
        bytes = data;
        if (PyObject_GetBuffer(bytes.ptr(), &view, PyBUF_SIMPLE) != 0)
            throw py::error_already_set();
        hasView = true;
        splitter.emplace(std::string_view(static_cast<const char*>(view.buf),
                                          static_cast<std::size_t>(view.len)));
    }

    std::string_view remaining() const {
        const std::string_view all(static_cast<const char*>(view.buf),
                                   static_cast<std::size_t>(view.len));
        return all.substr(consumed);
    }

    bool nextRecord(std::string_view& record) {
        bool got = false;
        if (splitter) {
            got = splitter->next(record);
            line = splitter->line();
            if (got) {
                consumed =
                    static_cast<std::size_t>(record.data() - static_cast<const char*>(view.buf)) +
                    record.size();
                // the line end behind the record
                const std::string_view all(static_cast<const char*>(view.buf),
                                           static_cast<std::size_t>(view.len));
                if (consumed < all.size()) {
                    consumed += all[consumed] == '\r' && consumed + 1 < all.size() &&
                                        all[consumed + 1] == '\n'
                                    ? 2
                                    : 1;
                }
            }
        } else {
            got = stream->next(record);
            line = stream->line();
            if (stream->failed()) throw py::value_error("cannot read data '" + path + "'");
        }
        if (got) ++recordsRead;
        return got;
    }

    std::vector<ColumnArrays> allocate(std::size_t rows, bool labels) const {
        const py::module_ numpy = py::module_::import("numpy");
        std::vector<ColumnArrays> arrays;
        for (const vqz2xml::DataColumn& c : decoder->columns()) {
            ColumnArrays a;
            a.kind = c.kind;
            a.variable = c.variable;
            switch (c.kind) {
            case vqz2xml::ColumnKind::Code:
                a.values = py::array_t<double>(rows);
                a.numbers = static_cast<double*>(a.values.mutable_data());
                if (labels) {
                    a.valueIndex = py::array_t<std::int32_t>(rows);
                    a.indexes = static_cast<std::int32_t*>(a.valueIndex.mutable_data());
                }
                break;
            case vqz2xml::ColumnKind::Number:
                a.values = py::array_t<double>(rows);
                a.numbers = static_cast<double*>(a.values.mutable_data());
                break;
            case vqz2xml::ColumnKind::Boolean:
                a.values = py::array_t<bool>(rows);
                a.flags = static_cast<bool*>(a.values.mutable_data());
                break;
            case vqz2xml::ColumnKind::Text:
                a.values = numpy.attr("empty")(rows, py::arg("dtype") = "object");
                a.texts = static_cast<PyObject**>(a.values.mutable_data());
                break;
            }
            if (c.kind == vqz2xml::ColumnKind::Code || c.kind == vqz2xml::ColumnKind::Boolean) {
                a.mask = py::array_t<bool>(rows);
                a.missing = static_cast<bool*>(a.mask.mutable_data());
            }
            arrays.push_back(std::move(a));
        }
        return arrays;
    }

    void keepErrors(py::list& errors, bool strict) {
        for (const vqz2xml::DataDiagnostic& error : decoder->errors()) {
            if (strict) throw py::value_error(vqz2xml::dataDiagnosticLine(dataName, error));
            if (keptErrors++ < maxKeptErrors) errors.append(diagnosticDict(error, dataName));
        }
    }

    // The texts of the current record, which the decoder holds until the next.
    void storeTexts(const std::vector<Target>& targets, std::size_t row) {
        const std::vector<vqz2xml::Cell>& cells = decoder->cells();
        for (std::size_t c = 0; c < targets.size(); ++c) {
            if (targets[c].kind != vqz2xml::ColumnKind::Text) continue;
            storeText(static_cast<PyObject**>(targets[c].values)[row],
                      cells[c].state == vqz2xml::CellState::Missing, decoder->text(c));
        }
    }

    // The cells of `count` records from `first` on, held in `block` a record after another.
    static void store(const std::vector<Target>& targets, std::vector<ColumnArrays>& arrays,
                      const std::vector<vqz2xml::Cell>& block, std::size_t first,
                      std::size_t count) {
        const std::size_t width = targets.size();
        for (std::size_t c = 0; c < width; ++c) {
            const Target& t = targets[c];
            for (std::size_t r = 0; r < count; ++r) {
                const vqz2xml::Cell& cell = block[r * width + c];
                const std::size_t row = first + r;
                const bool missing = cell.state == vqz2xml::CellState::Missing;
                switch (t.kind) {
                case vqz2xml::ColumnKind::Code:
                    static_cast<double*>(t.values)[row] = missing ? 0 : cell.number;
                    t.missing[row] = missing;
                    if (t.indexes) t.indexes[row] = missing ? -1 : cell.value;
                    break;
                case vqz2xml::ColumnKind::Number:
                    static_cast<double*>(t.values)[row] =
                        cell.state == vqz2xml::CellState::Value ? cell.number : std::nan("");
                    if (cell.state == vqz2xml::CellState::Special) {
                        arrays[c].specialRows.push_back(static_cast<std::int64_t>(row));
                        arrays[c].specialValues.push_back(cell.number);
                    }
                    break;
                case vqz2xml::ColumnKind::Boolean:
                    static_cast<bool*>(t.values)[row] = !missing && cell.number != 0;
                    t.missing[row] = missing;
                    break;
                case vqz2xml::ColumnKind::Text: break; // stored with its record
                }
            }
        }
    }

    static void storeText(PyObject*& slot, bool missing, std::string_view text) {
        PyObject* value = nullptr;
        if (missing) {
            value = Py_None;
            Py_INCREF(value);
        } else {
            value =
                PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace");
            if (!value) throw py::error_already_set();
        }
        Py_XDECREF(slot);
        slot = value;
    }

    // Whether every present value of a Code column is a whole number that int64 holds.
    static bool allWhole(const double* values, const bool* mask, std::size_t rows) {
        for (std::size_t r = 0; r < rows; ++r) {
            if (!mask[r] && (values[r] != std::trunc(values[r]) || std::abs(values[r]) > 9.0e18)) {
                return false;
            }
        }
        return true;
    }

    // Whether every code of the variable is a whole number.
    bool wholeCodes(std::size_t variable) const {
        for (const vqz2xml::Code& code : decoder->survey().variables[variable].values) {
            if (code.number && *code.number != std::trunc(*code.number)) return false;
        }
        return true;
    }

    py::dict finish(std::vector<ColumnArrays>& arrays, std::size_t rows, py::list& errors) {
        py::list columns;
        for (ColumnArrays& a : arrays) {
            py::dict column;
            if (static_cast<std::size_t>(a.values.shape(0)) != rows) {
                a.values = a.values[py::slice(0, static_cast<py::ssize_t>(rows), 1)];
                if (a.missing) a.mask = a.mask[py::slice(0, static_cast<py::ssize_t>(rows), 1)];
                if (a.indexes) {
                    a.valueIndex = a.valueIndex[py::slice(0, static_cast<py::ssize_t>(rows), 1)];
                }
            }
            column["whole"] = false;
            if (a.kind == vqz2xml::ColumnKind::Code && wholeCodes(a.variable)) {
                // A Code column of whole numbers becomes int64 in its own memory.
                double* values = static_cast<double*>(a.values.mutable_data());
                const bool* mask = static_cast<const bool*>(a.mask.data());
                if (allWhole(values, mask, rows)) {
                    for (std::size_t r = 0; r < rows; ++r) {
                        const std::int64_t whole = static_cast<std::int64_t>(values[r]);
                        std::memcpy(values + r, &whole, sizeof whole);
                    }
                    a.values = a.values.attr("view")("int64");
                    column["whole"] = true;
                }
            }
            column["values"] = a.values;
            column["mask"] = a.missing ? py::object(a.mask) : py::object(py::none());
            column["value_index"] = a.indexes ? py::object(a.valueIndex) : py::object(py::none());
            column["special_rows"] = py::array_t<std::int64_t>(
                static_cast<py::ssize_t>(a.specialRows.size()), a.specialRows.data());
            column["special_values"] = py::array_t<double>(
                static_cast<py::ssize_t>(a.specialValues.size()), a.specialValues.data());
            columns.append(column);
        }
        py::dict result;
        result["records"] = rows;
        result["columns"] = columns;
        result["errors"] = errors;
        return result;
    }

  public:
    ~DataReader() {
        if (hasView) PyBuffer_Release(&view);
    }
    DataReader(const DataReader&) = delete;
    DataReader& operator=(const DataReader&) = delete;

  private:
    std::string dataName;
    std::optional<vqz2xml::RecordDecoder> decoder;
    py::object bytes;
    Py_buffer view{};
    bool hasView = false;
    std::optional<vqz2xml::RecordSplitter> splitter;
    std::size_t consumed = 0;
    std::string path;
    std::unique_ptr<std::ifstream> file;
    std::optional<vqz2xml::RecordStream> stream;
    std::size_t line = 0;
    std::size_t recordsRead = 0;
    std::size_t keptErrors = 0;
};

} // namespace

void bindData(py::module_& module, vqz2xml::Encoding (*encodingNamed)(const std::string&)) {
    py::class_<DataReader>(module, "DataReader",
                           "The records of a data file read with its survey into numpy arrays.")
        .def(py::init([encodingNamed](const py::bytes& metadata, const py::object& data,
                                      bool isPath, const std::string& encoding,
                                      std::optional<std::vector<std::string>> usecols,
                                      std::string name) {
                 return std::make_unique<DataReader>(metadata, data, isPath,
                                                     encodingNamed(encoding), std::move(usecols),
                                                     std::move(name));
             }),
             py::arg("metadata"), py::arg("data"), py::arg("is_path"), py::arg("encoding"),
             py::arg("usecols"), py::arg("name"))
        .def_property_readonly("columns", &DataReader::columns)
        .def_property_readonly("warnings", &DataReader::warnings)
        .def_property_readonly("error_count", &DataReader::errorCount)
        .def("count_records", &DataReader::countRecords)
        .def("skip", &DataReader::skip, py::arg("records"))
        .def("read", &DataReader::read, py::arg("records"), py::arg("labels"), py::arg("strict"));
    module.def(
        "count_records",
        [](const py::object& data, bool isPath) -> std::size_t {
            if (!isPath) {
                const std::string bytes = data.cast<py::bytes>();
                return vqz2xml::countRecords(bytes);
            }
            std::ifstream in(pathOf(data.cast<std::string>()), std::ios::binary);
            if (!in.is_open())
                throw py::value_error("cannot read data '" + data.cast<std::string>() + "'");
            vqz2xml::RecordStream records(in);
            std::string_view record;
            std::size_t count = 0;
            while (records.next(record)) ++count;
            return count;
        },
        py::arg("data"), py::arg("is_path"));
}
