// The Python module vqz2xml: convert(data, encoding="latin1") over the C++ interface.
#include "data_module.h"
#include "vqz2xml/survey.hpp"
#include "vqz2xml/vqz2xml.hpp"

#include <pybind11/pybind11.h>
#include <string>

namespace py = pybind11;

namespace {

// What convert returns: the XML as bytes, made once rather than on every access.
struct PyResult {
    bool complete = false;
    py::bytes xml;
    py::object diagnostic = py::none();
    std::string encoding; // the one used: "latin1", "cp1252" or "utf-8"
};

// Python's own name for the codec, so that every spelling Python accepts for these three
// ("latin-1", "ISO-8859-1", "windows-1252", "UTF8", ...) is accepted here too.
vqz2xml::Encoding encodingNamed(const std::string& name) {
    if (vqz2xml::encodingNamed(name) == vqz2xml::Encoding::Auto) return vqz2xml::Encoding::Auto;
    std::string canonical;
    try {
        canonical =
            py::module_::import("codecs").attr("lookup")(name).attr("name").cast<std::string>();
    } catch (py::error_already_set& error) {
        if (!error.matches(PyExc_LookupError)) throw;
    }
    if (canonical == "iso8859-1") return vqz2xml::Encoding::Latin1;
    if (canonical == "cp1252") return vqz2xml::Encoding::Cp1252;
    if (canonical == "utf-8") return vqz2xml::Encoding::Utf8;
    throw py::value_error("unsupported encoding '" + name +
                          "': use \"latin1\", \"cp1252\", \"utf-8\" or \"auto\"");
}

// A contiguous view of any bytes-like object, held while the conversion reads it.
class BytesView {
  public:
    explicit BytesView(const py::object& data) {
        if (PyObject_GetBuffer(data.ptr(), &view, PyBUF_SIMPLE) != 0) throw py::error_already_set();
    }
    BytesView(const BytesView&) = delete;
    BytesView& operator=(const BytesView&) = delete;
    ~BytesView() { PyBuffer_Release(&view); }

    std::string_view bytes() const {
        return {static_cast<const char*>(view.buf), static_cast<std::size_t>(view.len)};
    }

  private:
    Py_buffer view{};
};

PyResult convert(const py::object& data, const std::string& encoding) {
    vqz2xml::Options options;
    options.encoding = encodingNamed(encoding);
    const BytesView input(data);
    vqz2xml::Result result;
    {
        // The buffer stays exported, and so unchanged, while other threads run.
        py::gil_scoped_release released;
        result = vqz2xml::convert(input.bytes(), options);
    }
    PyResult converted;
    converted.complete = result.complete;
    converted.encoding = std::string(vqz2xml::encodingName(result.encoding));
    converted.xml = py::bytes(result.xml);
    if (result.diagnostic) converted.diagnostic = py::cast(std::move(*result.diagnostic));
    return converted;
}

// The survey's JSON document, read while other threads run.
std::string readSurveyJson(const py::object& data, const std::string& encoding) {
    vqz2xml::Options options;
    options.encoding = encodingNamed(encoding);
    const BytesView input(data);
    py::gil_scoped_release released;
    return vqz2xml::toJson(vqz2xml::readSurvey(input.bytes(), options));
}

std::string quoted(const std::string& text) { return py::repr(py::str(text)).cast<std::string>(); }

} // namespace

PYBIND11_MODULE(_native, module) {
    module.doc() = "Converts classic Quorbel survey descriptions (.vqz) into Quorbel XML 1.1.";
    module.attr("__version__") = std::string(vqz2xml::version());

    py::class_<vqz2xml::Diagnostic>(module, "Diagnostic",
                                    "Where a faulty input went wrong: line and column (from 1, "
                                    "the column in bytes), the expected text, and the input "
                                    "found there as bytes.")
        .def_readonly("line", &vqz2xml::Diagnostic::line)
        .def_readonly("column", &vqz2xml::Diagnostic::column)
        .def_readonly("expected", &vqz2xml::Diagnostic::expected)
        .def_property_readonly("found",
                               [](const vqz2xml::Diagnostic& d) { return py::bytes(d.found); })
        .def("__str__",
             [](const vqz2xml::Diagnostic& d) { return vqz2xml::diagnosticLine("<input>", d); })
        .def("__repr__", [](const vqz2xml::Diagnostic& d) {
            return "Diagnostic(line=" + std::to_string(d.line) +
                   ", column=" + std::to_string(d.column) + ", expected=" + quoted(d.expected) +
                   ", found=" + py::repr(py::bytes(d.found)).cast<std::string>() + ")";
        });

    py::class_<PyResult>(module, "Result",
                         "A conversion: complete (bool), xml (bytes) and diagnostic (None for a "
                         "complete document).")
        .def_readonly("complete", &PyResult::complete)
        .def_readonly("xml", &PyResult::xml)
        .def_readonly("diagnostic", &PyResult::diagnostic)
        .def_readonly("encoding", &PyResult::encoding)
        .def("__repr__", [](const PyResult& r) {
            return std::string("<vqz2xml.Result complete=") + (r.complete ? "True" : "False") +
                   ", " + std::to_string(py::len(r.xml)) + " bytes of XML>";
        });

    module.def("convert", &convert, py::arg("data"), py::arg("encoding") = "latin1",
               "convert(data: bytes, encoding: str = \"latin1\") -> Result\n\n"
               "Converts classic input (bytes or any bytes-like object) into Quorbel XML 1.1, the "
               "same bytes the vqz2xml program writes. encoding tells how bytes 0x80 to 0xFF "
               "are read: \"latin1\", \"cp1252\", \"utf-8\" or \"auto\" (chosen from the "
               "bytes; result.encoding tells which); another name raises ValueError.");
    module.def("_read_survey_json", &readSurveyJson, py::arg("data"), py::arg("encoding"),
               "The survey of classic input as its JSON document (str); read_survey wraps it.");
    bindData(module, &encodingNamed);
}
