// The option form of the command line: what its options ask for.
#include "frontend/batch_options.h"

#include "frontend/printable_name.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <map>
#include <utility>

namespace {

constexpr const char* helpText =
    "Usage: vqz2xml [OPTIONS] [--] INPUT...\n"
    "       vqz2xml infile[.vqz] [outfile[.xml]]   (the classic form, when no option is given)\n"
    "\n"
    "Converts classic Quorbel files (version 1.0 or 1.1) into Quorbel XML 1.1 documents.\n"
    "An INPUT gets \".vqz\" when its last path component has no \".\"; \"-\" is standard input.\n"
    "\n"
    "Options:\n"
    "  -o, --output=FILE      write the single input's XML to FILE; \"-\" is standard output\n"
    "  -d, --output-dir=DIR   write each output into DIR (created if missing)\n"
    "  -f, --force            replace existing outputs\n"
    "  -n, --no-clobber       skip inputs whose output exists\n"
    "      --check            parse only: report faulty inputs, write no file\n"
    "      --fsync            flush each output to the disk before it replaces the old one\n"
    "  -j, --jobs=N           convert N inputs at a time (default: one per processor)\n"
    "      --encoding=NAME    read bytes 0x80-0xFF of texts as latin1 (default), cp1252 or utf-8\n"
    "  -q, --quiet            print nothing but diagnostics and errors\n"
    "  -v, --verbose          print one line per file\n"
    "      --progress         show progress on standard error (default: when it is a terminal)\n"
    "      --no-progress      never show progress\n"
    "  -h, --help             print this help and exit\n"
    "      --version          print the program's name and version and exit\n"
    "\n"
    "Without -o, each output is named as the classic form names it: the input's name up to the\n"
    "first \".\" of its last path component, with \".xml\" added; it lies next to its input, or\n"
    "in the folder -d names. Standard input goes to standard output. An existing output is\n"
    "refused unless -f or -n is given. A faulty input is reported as\n"
    "FILE:LINE:COLUMN: error: expected ..., found \"...\" and its output ends with the report.\n"
    "\n"
    "Exit status:\n"
    "  0  every input was converted completely, or skipped with -n\n"
    "  1  at least one input was faulty, and nothing worse happened\n"
    "  2  a usage error, or an input that could not be converted at all\n";

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
    {'f', "force", ""},
    {'n', "no-clobber", ""},
    {0, "check", ""},
    {0, "fsync", ""},
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
                       const std::optional<std::string>& encoding) {
    const std::pair<const std::optional<std::string>*, std::string_view> valued[] = {
        {&options.output, "output"},
        {&options.outputDir, "output-dir"},
        {&jobs, "jobs"},
        {&encoding, "encoding"}};
    for (const auto& [value, name] : valued) {
        if (*value && (*value)->empty()) return needsValue(*findOption(name, 0));
    }
    if (jobs && (options.jobs = jobCount(*jobs)) == 0) {
        return "invalid number of jobs: '" + printableName(*jobs) + "'";
    }
    if (!encoding) return {};
    std::string folded = *encoding;
    for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    using vqz2xml::Encoding;
    const std::map<std::string, Encoding> encodings = {{"latin1", Encoding::Latin1},
                                                       {"cp1252", Encoding::Cp1252},
                                                       {"utf-8", Encoding::Utf8},
                                                       {"utf8", Encoding::Utf8}};
    const auto found = encodings.find(folded);
    if (found == encodings.end()) {
        return "invalid encoding: '" + printableName(*encoding) + "' (latin1, cp1252 or utf-8)";
    }
    options.encoding = found->second;
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

ParsedOptions parseBatchOptions(const std::vector<std::string>& arguments) {
    ParsedOptions parsed;
    parsed.error = misusedOption(arguments);
    if (!parsed.error.empty()) return parsed;
    BatchOptions& options = parsed.options;
    CLI::App app;
    app.set_help_flag();
    app.allow_extras(); // unknown options are reported in the program's own words
    bool quiet = false;
    bool verbose = false;
    bool progress = false;
    std::optional<std::string> jobs;
    std::optional<std::string> encoding;
    // A repeated option takes its last value, as the GNU tools do.
    const auto last = CLI::MultiOptionPolicy::TakeLast;
    app.add_option("-o,--output", options.output)->multi_option_policy(last);
    app.add_option("-d,--output-dir", options.outputDir)->multi_option_policy(last);
    app.add_flag("-f,--force", options.force);
    app.add_flag("-n,--no-clobber", options.noClobber);
    app.add_flag("--check", options.check);
    app.add_flag("--fsync", options.fsync);
    app.add_option("-j,--jobs", jobs)->multi_option_policy(last);
    app.add_option("--encoding", encoding)->multi_option_policy(last);
    app.add_flag("-q,--quiet", quiet);
    app.add_flag("-v,--verbose", verbose);
    app.add_flag("--progress,!--no-progress", progress)->multi_option_policy(last);
    app.add_flag("-h,--help", options.help);
    app.add_flag("--version", options.version);
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
    parsed.error = takeValues(options, jobs, encoding);
    if (!parsed.error.empty()) return parsed;
    // Without either flag CLI11 still sets the value (to false): the count tells them apart.
    if (app.count("--progress") > 0) options.progress = progress;
    if (options.help || options.version) return parsed;
    if (quiet && verbose) {
        parsed.error = "--quiet and --verbose exclude each other";
    } else if (options.force && options.noClobber) {
        parsed.error = "--force and --no-clobber exclude each other";
    } else if (options.output && options.outputDir) {
        parsed.error = "--output and --output-dir exclude each other";
    } else if (options.inputs.empty()) {
        parsed.error = "no input files";
    } else if (options.output && options.inputs.size() > 1) {
        parsed.error = "--output names the output of a single input, but " +
                       std::to_string(options.inputs.size()) + " inputs are given";
    }
    options.verbosity = quiet ? Verbosity::Quiet : verbose ? Verbosity::Verbose : Verbosity::Normal;
    return parsed;
}

std::string batchHelp() { return helpText; }
