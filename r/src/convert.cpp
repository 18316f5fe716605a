// The R package's conversion: classic input from a file or a raw vector into XML, written into a
// file or handed back as a raw vector.
#include "r_glue.h"

#include <cstring>
#include <fstream>

using namespace cpp11::literals;

[[cpp11::register]]
cpp11::list convert_native(SEXP input, std::string name, std::string output,
                           std::string encoding) {
    std::string room;
    const std::string_view bytes = inputBytes(input, room);
    const vqz2xml::Options options{encodingOption(encoding)};
    const std::string used(vqz2xml::encodingName(vqz2xml::chooseEncoding(bytes, options.encoding)));
    if (output.empty()) {
        const vqz2xml::Result result = vqz2xml::convert(bytes, options);
        cpp11::writable::raws xml(static_cast<R_xlen_t>(result.xml.size()));
        if (!result.xml.empty()) std::memcpy(RAW(xml), result.xml.data(), result.xml.size());
        return cpp11::writable::list({"xml"_nm = xml,
                                      "encoding"_nm = used,
                                      "diagnostic"_nm = diagnosticList(name, result.diagnostic)});
    }
    // A big input's XML goes to the file as it is made, not through memory.
    std::ofstream file(output, std::ios::binary | std::ios::trunc);
    if (!file) cpp11::stop("cannot open '%s' for writing", output.c_str());
    const vqz2xml::Outcome outcome = vqz2xml::convert(bytes, file, options);
    file.close();
    if (!file) cpp11::stop("cannot write '%s'", output.c_str());
    return cpp11::writable::list({"xml"_nm = R_NilValue,
                                  "encoding"_nm = used,
                                  "diagnostic"_nm = diagnosticList(name, outcome.diagnostic)});
}
