// What the R package's native functions share: inputs, encodings, diagnostics and texts as R
// values.
#pragma once

#include "vqz2xml/survey.hpp"
#include "vqz2xml/vqz2xml.hpp"

#include <cpp11/list.hpp>
#include <cpp11/r_string.hpp>
#include <cpp11/raws.hpp>

#include <optional>
#include <string>
#include <string_view>

// The bytes of a raw vector, or of the file a path names, read whole into `room`.
std::string_view inputBytes(SEXP input, std::string& room);

// The encoding a name stands for; an R error for any other name.
vqz2xml::Encoding encodingOption(const std::string& name);

// list(line, column, expected, found (raw), message), or NULL for a complete input.
SEXP diagnosticList(const std::string& name, const std::optional<vqz2xml::Diagnostic>& diagnostic);

// A UTF-8 text as an R string. R strings hold no character 0, which shows as its brace code.
cpp11::r_string rText(std::string_view text);
// The same unprotected, for a vector to take at once.
SEXP rChar(std::string_view text);

// The survey as read_survey gives it: the head's fields, data frames of the variables, codes and
// notes, whether it is complete, the encoding used, and the diagnostic of a faulty one.
cpp11::writable::list surveyList(const vqz2xml::SurveyResult& result, const std::string& name);
