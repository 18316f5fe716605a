// The option form of the command line: what its options ask for.
#include "frontend/batch_options.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <map>

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
    BatchOptions& options = parsed.options;
    CLI::App app;
    app.set_help_flag();
    bool quiet = false;
    bool verbose = false;
    using vqz2xml::Encoding;
    const std::map<std::string, Encoding> encodings = {{"latin1", Encoding::Latin1},
                                                       {"cp1252", Encoding::Cp1252},
                                                       {"utf-8", Encoding::Utf8},
                                                       {"utf8", Encoding::Utf8}};
    std::string encoding = "latin1";
    app.add_option("-o,--output", options.output);
    app.add_option("-d,--output-dir", options.outputDir);
    app.add_flag("-f,--force", options.force);
    app.add_flag("-n,--no-clobber", options.noClobber);
    app.add_flag("--check", options.check);
    app.add_option("-j,--jobs", options.jobs)->check(CLI::Range(1u, 4096u));
    app.add_option("--encoding", encoding)
        ->check(CLI::IsMember({"latin1", "cp1252", "utf-8", "utf8"}, CLI::ignore_case));
    app.add_flag("-q,--quiet", quiet);
    app.add_flag("-v,--verbose", verbose);
    app.add_flag("--progress,!--no-progress", options.progress);
    app.add_flag("-h,--help", options.help);
    app.add_flag("--version", options.version);
    app.add_option("inputs", options.inputs);

    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend() - 1);
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        parsed.error = error.what();
        return parsed;
    }
    for (char& c : encoding) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    options.encoding = encodings.at(encoding);
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
    } else if (options.output && options.output->empty()) {
        parsed.error = "--output needs a file name";
    }
    options.verbosity = quiet ? Verbosity::Quiet : verbose ? Verbosity::Verbose : Verbosity::Normal;
    return parsed;
}

std::string batchHelp() { return helpText; }
