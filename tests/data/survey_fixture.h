// Surveys made in code for the data reader's tests: a variable of a type at given columns, and
// a version 1.1 survey of such variables.
#pragma once

#include "vqz2xml/survey.hpp"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace fixture {

inline vqz2xml::Variable variable(std::string name, vqz2xml::VariableType type, std::int64_t start,
                                  std::int64_t width, std::vector<vqz2xml::Code> values = {}) {
    vqz2xml::Variable v;
    v.name = std::move(name);
    v.type = type;
    v.start = start;
    v.width = width;
    v.values = std::move(values);
    return v;
}

inline vqz2xml::Survey surveyOf(std::vector<vqz2xml::Variable> variables) {
    vqz2xml::Survey survey;
    survey.version = "1.1";
    survey.variables = std::move(variables);
    return survey;
}

} // namespace fixture
