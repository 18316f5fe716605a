// Planning an option-form run: the inputs named or found in folders, and where each is written.
#pragma once

#include "frontend/batch_options.h"

#include <string>
#include <string_view>
#include <vector>

// The name standard input goes by in messages and reports.
inline constexpr std::string_view stdinName = "<stdin>";

struct Job {
    std::string input; // the name opened, or <stdin>
    bool fromStdin = false;
    std::string output;  // empty: standard output, or no output at all under --check
    std::string failure; // why the input cannot be converted at all, known before it is read
};

struct Plan {
    std::vector<Job> jobs; // in the order of the arguments, a folder's files in sorted order
    bool walkedFolder = false;
    std::string error; // a usage error that stops the run before anything is converted
};

// The jobs of a run. A folder argument under --recursive stands for every file below it whose
// name ends in ".vqz" in any letter case: each folder's entries in the byte order of their
// names, a subfolder's files at the subfolder's place, symbolic links to folders not followed.
// Such a file's output keeps its name up to the final ".vqz" and, under --output-dir, the
// folders between the folder argument and the file. Two jobs that would write one file are a
// usage error.
Plan planJobs(const BatchOptions& options);

// The input an argument names: the argument itself when a file of that name exists (a folder
// only when no file of the classic name does), otherwise the classic form's name (".vqz" added
// when the last path component has no ".").
std::string optionFormInputName(const std::string& argument);

// The name of a message's file in quotes, its control bytes escaped: 'name'.
std::string inQuotes(std::string_view name);
