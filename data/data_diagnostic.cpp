// The data errors and warnings in one line each, as the command line reports them.
#include "vqz2xml/data.hpp"

namespace vqz2xml {

namespace {

constexpr char hex[] = "0123456789abcdef";

std::string_view typeWord(VariableType type) {
    switch (type) {
    case VariableType::Single: return "single";
    case VariableType::Multiple: return "multiple";
    case VariableType::Quantity: return "quantity";
    case VariableType::Character: return "character";
    case VariableType::Logical: return "logical";
    }
    return "single";
}

// FILE:LINE:COLUMN: KIND: NAME (TYPE): 
std::string lineHead(std::string_view fileName, const DataDiagnostic& diagnostic,
                     std::string_view kind) {
    std::string line(fileName);
    line += ':' + std::to_string(diagnostic.line) + ':' + std::to_string(diagnostic.column) + ": ";
    line += kind;
    line += ": " + diagnostic.name + " (" + std::string(typeWord(diagnostic.type)) + "): ";
    return line;
}

// The found bytes in quotes: quotes and backslashes escaped, bytes outside printable ASCII as
// \xNN.
void appendQuoted(std::string& line, std::string_view found) {
    line += '"';
    for (const char c : found) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            line += '\\';
            line += c;
        } else if (b < 0x20 || b > 0x7e) {
            line += "\\x";
            line += hex[b >> 4];
            line += hex[b & 15];
        } else {
            line += c;
        }
    }
    line += '"';
}

} // namespace

std::string dataDiagnosticLine(std::string_view fileName, const DataDiagnostic& diagnostic) {
    std::string line = lineHead(fileName, diagnostic, "error");
    line += "expected " + diagnostic.expected + ", found ";
    appendQuoted(line, diagnostic.found);
    return line;
}

std::string dataWarningLine(std::string_view fileName, const DataWarning& warning) {
    std::string line = lineHead(fileName, warning.first, "warning");
    line += std::to_string(warning.count) + (warning.count == 1 ? " value " : " values ");
    line += warning.first.problem == DataProblem::OutOfRange ? "out of range" : "not in the code list";
    line += ", first ";
    appendQuoted(line, warning.first.found);
    return line;
}

} // namespace vqz2xml
