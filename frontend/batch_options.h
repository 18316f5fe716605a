// The option form of the command line: what its options ask for.
#pragma once

#include "vqz2xml/vqz2xml.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class Verbosity { Quiet, Normal, Verbose };

// What each input becomes: its XML document, its survey as one JSON document, or its data
// file's records as CSV.
enum class OutputFormat { Xml, Json, Csv };

// The ending of an output in `format`: ".xml", ".json" or ".csv".
std::string_view outputEnding(OutputFormat format);

struct BatchOptions {
    std::vector<std::string> inputs; // as given; "-" is standard input
    std::optional<std::string> output;
    std::optional<std::string> outputDir;
    bool recursive = false;
    bool force = false;
    bool noClobber = false;
    bool update = false;
    bool check = false;
    bool fsync = false; // each output flushed to the disk before it takes its name
    bool noFaultyOutput = false;
    std::optional<std::string> report; // "-" is standard output
    unsigned jobs = 0;                 // 0: one per processor
    // None: guessed for each input ("auto").
    std::optional<vqz2xml::Encoding> encoding = vqz2xml::Encoding::Latin1;
    bool encodingGiven = false; // --encoding was given, rather than Latin-1 taken by default
    OutputFormat format = OutputFormat::Xml;
    Verbosity verbosity = Verbosity::Normal;
    std::optional<bool> progress; // unset: when standard error is a terminal
    bool help = false;
    bool version = false;
    std::optional<std::string> data; // the single input's data file
    bool labels = false;     // CSV values with a label written as their labels
    bool strictData = false; // reading data stops at the first data error
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

// The encoding an --encoding name stands for: every name the Python module takes for the three
// ("latin1", "latin-1", "iso-8859-1", "cp1252", "windows-1252", "utf-8", "utf8"), in any letter
// case and with "_" for "-", or "auto", which leaves `encoding` empty. False for any other name.
bool parseEncodingName(std::string_view name, std::optional<vqz2xml::Encoding>& encoding);

// The text --help prints.
std::string batchHelp();
