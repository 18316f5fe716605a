// The data errors and warnings in one line each, as the command line reports them.
#include "vqz2xml/data.hpp"

namespace vqz2xml {

std::string_view columnKindName(ColumnKind kind) {
    switch (kind) {
    case ColumnKind::Number: return "number";
    case ColumnKind::Text: return "text";
    case ColumnKind::Boolean: return "boolean";
    case ColumnKind::Code: break;
    }
    return "code";
}

namespace {

// FILE:LINE:COLUMN: KIND: NAME (TYPE):
std::string lineHead(std::string_view fileName, const DataDiagnostic& diagnostic,
                     std::string_view kind) {
    std::string line(fileName);
    line += ':' + std::to_string(diagnostic.line) + ':' + std::to_string(diagnostic.column) + ": ";
    line += kind;
    line += ": " + diagnostic.name + " (" + std::string(typeName(diagnostic.type)) + "): ";
    return line;
}

void appendQuoted(std::string& line, std::string_view found) { line += quotedFound(found); }

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
    line +=
        warning.first.problem == DataProblem::OutOfRange ? "out of range" : "not in the code list";
    line += ", first ";
    appendQuoted(line, warning.first.found);
    return line;
}

} // namespace vqz2xml
