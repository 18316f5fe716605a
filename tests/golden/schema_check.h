// Checking documents against the output's schema, where the build has an XML parser for it.
#pragma once

#include <string>

// Whether this build can check documents at all; without libxml2 (a Windows cross build) it
// cannot, and the byte comparisons alone run.
bool schemaCheckAvailable();

// Empty when the document is well-formed and valid, else what the parser said.
std::string schemaProblems(const std::string& xml);
