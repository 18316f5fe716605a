// The survey model as the JSON text that JavaScript parses into the objects readSurvey returns.
#pragma once

#include "vqz2xml/survey.hpp"

#include <string>

// The survey's fields in snake_case, absent values as null; texts that are not UTF-8 have
// their faulty bytes replaced.
std::string surveyObjectJson(const vqz2xml::Survey& survey);
