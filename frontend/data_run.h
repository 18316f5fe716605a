// An input's data file read with its survey: written as CSV, or only checked.
#pragma once

#include "frontend/batch_options.h"
#include "vqz2xml/vqz2xml.hpp"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// What reading one data file found.
struct DataRun {
    bool surveyComplete = true;
    std::optional<vqz2xml::Diagnostic> diagnostic; // the survey's, when it is faulty
    std::uint64_t records = 0;
    std::uint64_t errors = 0;
    std::uint64_t warnings = 0; // values warned about, all variables together
    std::uint64_t bytesIn = 0;  // of the data file
    std::vector<std::string> lines; // for standard error: the data errors, then the warnings
    std::string failure; // why the data could not be read at all

    bool complete() const { return surveyComplete && errors == 0 && failure.empty(); }
};

// The data file of an input: --data for a single input, otherwise the file beside it with the
// same name and the extension ".dat" in any letter case; empty when there is none.
std::string dataFileFor(const BatchOptions& options, const std::string& input, bool fromStdin);

// The output a CSV goes to: the XML's name with ".csv" for its ".xml".
std::string csvOutputName(const std::string& xmlName);

// Reads the survey from `metadata` and then the data file `dataName` record by record, each
// written to `csv` when there is one. Every data error is listed (up to a limit, then counted),
// each warning once with the first record it occurs in; --strict-data stops at the first error.
DataRun runData(std::string_view metadata, const vqz2xml::Options& encoding,
                const std::string& dataName, std::ostream* csv, const BatchOptions& options);
