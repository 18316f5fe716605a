// The option form of the command line: what its options ask for.
#include "frontend/batch_options.h"

#include "frontend/printable_name.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <utility>

namespace {

constexpr const char* helpText =
    "Usage: vqz2xml [OPTIONS] [--] INPUT...\n"
    "       vqz2xml infile[.vqz] [outfile[.xml]]   (the classic form, when no option is given)\n"
    "\n"
    "Converts classic Quorbel files (version 1.0 or 1.1) into Quorbel XML 1.1 documents.\n"
    "An INPUT is taken as given when that file exists, and gets \".vqz\" otherwise when its\n"
    "last path component has no \".\"; \"-\" is standard input; with -r, a folder.\n"
    "\n"
    "Options:\n"
    "  -o, --output=FILE      write the single input's XML to FILE; \"-\" is standard output\n"
    "  -d, --output-dir=DIR   write each output into DIR (created if missing)\n"
    "  -r, --recursive        convert every *.vqz file (any letter case) below each folder\n"
    "                         INPUT; with -d its tree is repeated under DIR\n"
    "  -f, --force            replace existing outputs\n"
    "  -n, --no-clobber       skip inputs whose output exists\n"
    "  -u, --update           convert only inputs whose output is missing or not newer\n"
    "      --no-faulty-output a faulty input writes no output and leaves an old one alone\n"
    "      --check            parse only: report faulty inputs, write no file; with\n"
    "                         --data or data files beside the inputs, check the data too\n"
    "      --format=FORMAT    xml (default): each input's XML document, NAME.xml; json: its\n"
    "                         survey as one JSON document, NAME.json; csv: its data file's\n"
    "                         records, NAME.csv\n"
    "      --data=FILE        the single input's data file (default: the file beside each\n"
    "                         input with its name and the extension .dat, any letter case)\n"
    "      --labels           CSV values that have a label written as the label\n"
    "      --strict-data      stop reading a data file at its first data error\n"
    "      --fsync            flush each output to the disk before it replaces the old one\n"
    "      --report=FILE      one JSON object per input into FILE (\"-\": standard output)\n"
    "  -j, --jobs=N           convert N inputs at a time (default: one per processor)\n"
    "      --encoding=NAME    how bytes 0x80-0xFF of texts are read: latin1 (default;\n"
    "                         also latin-1, iso-8859-1), cp1252 (windows-1252), utf-8\n"
    "                         (utf8; a leading byte-order mark is skipped) or auto, which\n"
    "                         guesses one of them for each input\n"
    "  -q, --quiet            print nothing but diagnostics and errors\n"
    "  -v, --verbose          print one line per file\n"
    "      --progress         show the files and bytes done on standard error (default:\n"
    "                         when it is a terminal and no XML goes to one)\n"
    "      --no-progress      never show progress\n"
    "  -h, --help             print this help and exit\n"
    "      --version          print the program's name and version and exit\n"
    "\n"
    "Without -o, each output is named as the classic form names it: the input's name up to the\n"
    "first \".\" of its last path component, with \".xml\" added (a file found by -r keeps its\n"
    "name up to the final \".vqz\"); it lies next to its input, or in the folder -d names.\n"
    "Standard input goes to standard output. An existing output is refused unless -f, -n or\n"
    "-u is given. A faulty input is reported as\n"
    "FILE:LINE:COLUMN: error: expected ..., found \"...\" and its output ends with the report;\n"
    "a line FILE:LINE:COLUMN: note: ... may follow with the likely cause. With several inputs\n"
    "a last line counts them: converted, faulty, skipped, up to date (-u), not converted.\n"
    "\n"
    "An archive, converted again later with only what changed:\n"
    "  vqz2xml -r -u -d xml/ --encoding=auto --report=migration.jsonl archive/\n"
    "\n"
    "Exit status:\n"
    "  0  every input was converted completely, skipped with -n or up to date with -u\n"
    "  1  at least one input was faulty, and nothing worse happened\n"
    "  2  a usage error, or an input that could not be converted at all\n";

// Two of the ways to treat an existing output given together, as a usage error; --update also
// needs outputs to compare, which --check does not write.
std::string exclusionError(const BatchOptions& options) {
    const std::pair<bool, const char*> given[] = {{options.force, "--force"},
                                                  {options.noClobber, "--no-clobber"},
                                                  {options.update, "--update"},
                                                  {options.update && options.check, "--check"}};
    const char* first = nullptr;
    for (const auto& [set, name] : given) {
        if (!set) continue;
        if (first) return std::string(first) + " and " + name + " exclude each other";
        first = name;
    }
    return {};
}

// Whether some XML would go to standard output.
bool writesXmlToStandardOutput(const BatchOptions& options) {
    if (options.check) return false;
    if (options.output) return *options.output == "-";
    for (const std::string& input : options.inputs) {
        if (input == "-") return true;
    }
    return false;
}

// An option of the command line: its names, and what its value is, when it takes one.
struct OptionName {
    char shortName; // 0 when it has none
    std::string_view longName;
    std::string_view value; // empty for a flag
};

constexpr OptionName optionNames[] = {
    {'o', "output", "a file name"},
    {'d', "output-dir", "a folder name"},
    {'j', "jobs", "a number"},
    {0, "encoding", "a name"},
    {0, "report", "a file name"},
    {0, "format", "xml, json or csv"},
    {0, "data", "a file name"},
    {'r', "recursive", ""},
    {'f', "force", ""},
    {'n', "no-clobber", ""},
    {'u', "update", ""},
    {0, "no-faulty-output", ""},
    {0, "check", ""},
    {0, "fsync", ""},
    {0, "labels", ""},
    {0, "strict-data", ""},
    {'q', "quiet", ""},
    {'v', "verbose", ""},
    {0, "progress", ""},
    {0, "no-progress", ""},
    {'h', "help", ""},
    {0, "version", ""},
};

const OptionName* findOption(std::string_view longName, char shortName) {
    for (const OptionName& option : optionNames) {
        if (longName.empty() ? option.shortName == shortName : option.longName == longName) {
            return &option;
        }
    }
    return nullptr;
}

std::string needsValue(const OptionName& option) {
    return "--" + std::string(option.longName) + " needs " + std::string(option.value);
}

// How a cluster of short options ("-fj4", "-o") is misused: the first that takes a value takes
// the rest of the cluster, or the next argument, which must be there.
std::string misusedShortOptions(std::string_view cluster, bool last, std::size_t& next) {
    for (std::size_t at = 1; at < cluster.size(); ++at) {
        const OptionName* option = findOption({}, cluster[at]);
        if (!option) return {}; // reported as unknown after parsing
        if (option->value.empty()) continue;
        if (at + 1 == cluster.size()) {
            if (last) return needsValue(*option);
            ++next;
        }
        return {};
    }
    return {};
}

// What is wrong with how the options are written, found before CLI11 reads them: CLI11 takes the
// next argument as the value of "--output=", and reads "--force=false" as a flag's own value.
std::string misusedOption(const std::vector<std::string>& arguments) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "--") return {};
        if (argument.size() < 2 || argument[0] != '-') continue;
        const bool last = i + 1 == arguments.size();
        if (argument[1] != '-') {
            const std::string error = misusedShortOptions(argument, last, i);
            if (!error.empty()) return error;
            continue;
        }
        const auto equals = argument.find('=');
        const OptionName* option = findOption(
            argument.substr(2, equals == std::string_view::npos ? equals : equals - 2), 0);
        if (!option) continue; // reported as unknown after parsing
        if (equals == std::string_view::npos) {
            if (option->value.empty()) continue;
            if (last) return needsValue(*option);
            ++i;
        } else if (option->value.empty()) {
            return "--" + std::string(option->longName) + " takes no value";
        } else if (equals + 1 == argument.size()) {
            return needsValue(*option);
        }
    }
    return {};
}

// The number of jobs as a count from 1 to 4096, or 0 when `text` is none.
unsigned jobCount(const std::string& text) {
    if (text.empty() || text.size() > 4) return 0;
    unsigned count = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return 0;
        count = 10 * count + static_cast<unsigned>(c - '0');
    }
    return count <= 4096 ? count : 0;
}

// The values the options were given, checked; the reason when one is not valid.
std::string takeValues(BatchOptions& options, const std::optional<std::string>& jobs,
                       const std::optional<std::string>& encoding,
                       const std::optional<std::string>& format) {
    const std::pair<const std::optional<std::string>*, std::string_view> valued[] = {
        {&options.output, "output"},
        {&options.outputDir, "output-dir"},
        {&options.report, "report"},
        {&jobs, "jobs"},
        {&encoding, "encoding"},
        {&format, "format"},
        {&options.data, "data"}};
    for (const auto& [value, name] : valued) {
        if (*value && (*value)->empty()) return needsValue(*findOption(name, 0));
    }
    if (jobs && (options.jobs = jobCount(*jobs)) == 0) {
        return "invalid number of jobs: '" + printableName(*jobs) + "'";
    }
    options.encodingGiven = encoding.has_value();
    if (encoding && !parseEncodingName(*encoding, options.encoding)) {
        return "invalid encoding: '" + printableName(*encoding) +
               "' (latin1, latin-1, iso-8859-1, cp1252, windows-1252, utf-8, utf8 or auto)";
    }
    if (format && *format != "xml" && *format != "json" && *format != "csv") {
        return "invalid format: '" + printableName(*format) + "' (xml, json or csv)";
    }
    if (format && *format == "json") options.format = OutputFormat::Json;
    if (format && *format == "csv") options.format = OutputFormat::Csv;
    return {};
}

} // namespace

bool isOptionForm(const std::vector<std::string>& arguments) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() > 1 && argument[0] == '-') return true; // "--" included
    }
    return false;
}

std::string_view outputEnding(OutputFormat format) {
    switch (format) {
    case OutputFormat::Json: return ".json";
    case OutputFormat::Csv: return ".csv";
    case OutputFormat::Xml: break;
    }
    return ".xml";
}

bool parseEncodingName(std::string_view name, std::optional<vqz2xml::Encoding>& encoding) {
    const std::optional<vqz2xml::Encoding> named = vqz2xml::encodingNamed(name);
    if (!named) return false;
    encoding = *named == vqz2xml::Encoding::Auto ? std::nullopt : named;
    return true;
}

ParsedOptions parseBatchOptions(const std::vector<std::string>& arguments) {
    ParsedOptions parsed;
    parsed.error = misusedOption(arguments);
    if (!parsed.error.empty()) return parsed;
    BatchOptions& options = parsed.options;
    CLI::App app;
    app.set_help_flag();
    app.allow_extras(); // unknown options are reported in the program's own words
    // Options start with "-" on every system: on Windows "/data/survey.vqz" names a file.
    app.allow_windows_style_options(false);
    bool quiet = false;
    bool verbose = false;
    bool progress = false;
    std::optional<std::string> jobs;
    std::optional<std::string> encoding;
    std::optional<std::string> format;
    // A repeated option takes its last value, as the GNU tools do.
    const auto last = CLI::MultiOptionPolicy::TakeLast;
    app.add_option("-o,--output", options.output)->multi_option_policy(last);
    app.add_option("-d,--output-dir", options.outputDir)->multi_option_policy(last);
    app.add_flag("-r,--recursive", options.recursive);
    app.add_flag("-f,--force", options.force);
    app.add_flag("-n,--no-clobber", options.noClobber);
    app.add_flag("-u,--update", options.update);
    app.add_flag("--no-faulty-output", options.noFaultyOutput);
    app.add_flag("--check", options.check);
    app.add_flag("--fsync", options.fsync);
    app.add_option("--report", options.report)->multi_option_policy(last);
    app.add_option("-j,--jobs", jobs)->multi_option_policy(last);
    app.add_option("--encoding", encoding)->multi_option_policy(last);
    app.add_flag("-q,--quiet", quiet);
    app.add_flag("-v,--verbose", verbose);
    app.add_flag("--progress,!--no-progress", progress)->multi_option_policy(last);
    app.add_flag("-h,--help", options.help);
    app.add_flag("--version", options.version);
    app.add_option("--format", format)->multi_option_policy(last);
    app.add_option("--data", options.data)->multi_option_policy(last);
    app.add_flag("--labels", options.labels);
    app.add_flag("--strict-data", options.strictData);
    app.add_option("inputs", options.inputs);

    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend() - 1);
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        parsed.error = error.what(); // not met: misusedOption finds what CLI11 would refuse
        return parsed;
    }
    for (const std::string& extra : app.remaining()) {
        if (extra == "--") continue;
        parsed.error = "unknown option '" + printableName(extra) + "'";
        return parsed;
    }
    parsed.error = takeValues(options, jobs, encoding, format);
    if (!parsed.error.empty()) return parsed;
    // Without either flag CLI11 still sets the value (to false): the count tells them apart.
    if (app.count("--progress") > 0) options.progress = progress;
    if (options.help || options.version) return parsed;
    if (quiet && verbose) {
        parsed.error = "--quiet and --verbose exclude each other";
    } else if (const std::string excluded = exclusionError(options); !excluded.empty()) {
        parsed.error = excluded;
    } else if (options.output && options.outputDir) {
        parsed.error = "--output and --output-dir exclude each other";
    } else if (options.inputs.empty()) {
        parsed.error = "no input files";
    } else if (options.output && options.inputs.size() > 1) {
        parsed.error = "--output names the output of a single input, but " +
                       std::to_string(options.inputs.size()) + " inputs are given";
    } else if (options.data && options.inputs.size() > 1) {
        parsed.error = "--data names the data file of a single input, but " +
                       std::to_string(options.inputs.size()) + " inputs are given";
    } else if (options.labels && options.format != OutputFormat::Csv) {
        parsed.error = "--labels needs --format=csv";
    } else if (options.report && *options.report == "-" && writesXmlToStandardOutput(options)) {
        parsed.error = "--report=- and the XML cannot both go to standard output";
    }
    options.verbosity = quiet ? Verbosity::Quiet : verbose ? Verbosity::Verbose : Verbosity::Normal;
    return parsed;
}

std::string batchHelp() { return helpText; }
