// What the R package's native functions share: inputs, encodings, diagnostics and texts as R
// values.
#include "r_glue.h"

#include <cpp11/protect.hpp>

#include <cstring>
#include <fstream>

using namespace cpp11::literals;

std::string_view inputBytes(SEXP input, std::string& room) {
    if (TYPEOF(input) == RAWSXP) {
        const auto size = static_cast<std::size_t>(Rf_xlength(input));
        return {size == 0 ? "" : reinterpret_cast<const char*>(RAW(input)), size};
    }
    const std::string path = cpp11::as_cpp<std::string>(input);
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) cpp11::stop("cannot open '%s'", path.c_str());
    const std::streamoff size = file.tellg();
    if (size < 0) cpp11::stop("cannot read '%s'", path.c_str());
    room.resize(static_cast<std::size_t>(size));
    file.seekg(0);
    if (!file.read(room.data(), size)) cpp11::stop("cannot read '%s'", path.c_str());
    return room;
}

vqz2xml::Encoding encodingOption(const std::string& name) {
    if (const auto encoding = vqz2xml::encodingNamed(name)) return *encoding;
    cpp11::stop("unsupported encoding '%s': use \"latin1\", \"cp1252\", \"utf-8\" or \"auto\"",
                name.c_str());
}

SEXP diagnosticList(const std::string& name, const std::optional<vqz2xml::Diagnostic>& diagnostic) {
    if (!diagnostic) return R_NilValue;
    cpp11::writable::raws found(static_cast<R_xlen_t>(diagnostic->found.size()));
    if (!diagnostic->found.empty())
        std::memcpy(RAW(found), diagnostic->found.data(), diagnostic->found.size());
    return cpp11::writable::list(
        {"line"_nm = static_cast<double>(diagnostic->line),
         "column"_nm = static_cast<double>(diagnostic->column),
         "expected"_nm = rText(diagnostic->expected), "found"_nm = found,
         "message"_nm = rText(vqz2xml::diagnosticLine(name, *diagnostic))});
}

SEXP rChar(std::string_view text) {
    std::string shown;
    if (text.find('\0') != std::string_view::npos) {
        for (const char c : text) {
            if (c == '\0') shown += "{00}";
            else shown += c;
        }
        text = shown;
    }
    return cpp11::safe[Rf_mkCharLenCE](text.data(), static_cast<int>(text.size()), CE_UTF8);
}

cpp11::r_string rText(std::string_view text) { return cpp11::r_string(rChar(text)); }
