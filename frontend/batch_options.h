// The option form of the command line: what its options ask for.
#pragma once

#include "vqz2xml/vqz2xml.hpp"

#include <optional>
#include <string>
#include <vector>

enum class Verbosity { Quiet, Normal, Verbose };

struct BatchOptions {
    std::vector<std::string> inputs; // as given; "-" is standard input
    std::optional<std::string> output;
    std::optional<std::string> outputDir;
    bool force = false;
    bool noClobber = false;
    bool check = false;
    bool fsync = false; // each output flushed to the disk before it takes its name
    unsigned jobs = 0;  // 0: one per processor
    vqz2xml::Encoding encoding = vqz2xml::Encoding::Latin1;
    Verbosity verbosity = Verbosity::Normal;
    std::optional<bool> progress; // unset: when standard error is a terminal
    bool help = false;
    bool version = false;
};

// True when the arguments (the program's name first) take the option form: some argument up to
// the first "--", that one included, starts with "-" and is longer than "-" alone.
bool isOptionForm(const std::vector<std::string>& arguments);

// The options, or the reason why the arguments are not a valid command.
struct ParsedOptions {
    BatchOptions options;
    std::string error; // empty when the arguments are valid
};
ParsedOptions parseBatchOptions(const std::vector<std::string>& arguments);

// The text --help prints.
std::string batchHelp();
