// Checking documents against the output's schema, where the build has an XML parser for it.
#pragma once

#include "vqz2xml/survey.hpp"

#include <string>

// Whether this build can check documents at all; without libxml2 (a Windows cross build) it
// cannot, and the byte comparisons alone run.
bool schemaCheckAvailable();

// Empty when the document is well-formed and valid, else what the parser said.
std::string schemaProblems(const std::string& xml);

// Empty when the complete document `xml` shows exactly what `survey` holds (every element,
// attribute, text and comment, the notes' places among the variables), else both side by side.
std::string surveyMismatch(const std::string& xml, const vqz2xml::Survey& survey);
