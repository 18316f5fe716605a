// The conversion run: the command line, the file names, the overwrite question and the two passes.
#include "frontend/conversion_run.h"

#include "core/conversion.h"
#include "platform/input_file.h"
#include "platform/output_file.h"
#include "platform/paths.h"

#include <filesystem>
#include <fstream>
#include <new>

namespace {

namespace fs = std::filesystem;

constexpr std::string_view banner = "Quorbel Conversion program v1.0f\n"
                                    "=================================\n"
                                    "Copyright (c) 2026 the vqz2xml authors\n"
                                    "Documentation: man vqz2xml, or README.md of the sources\n"
                                    "=================================\n"
                                    "\n"
                                    "Program converts a 'classic' Quorbel 1.0 or 1.1\n"
                                    "file into a corresponding Quorbel XML 1.1 file.\n"
                                    "\n";

// Where the last path component begins: behind the last "/" or "\".
std::size_t lastComponent(std::string_view name) {
    const auto slash = name.find_last_of("/\\");
    return slash == std::string_view::npos ? 0 : slash + 1;
}

bool lastComponentHasDot(std::string_view name) {
    return name.find('.', lastComponent(name)) != std::string_view::npos;
}

void printUsage(std::ostream& console, const std::string& program) {
    console << "\nUSE: " << program << " infile[.vqz] [outfile[.xml]]\n\n";
}

bool isReadableFile(const std::string& name) {
    std::error_code error;
    const fs::path path = platform::toPath(name);
    return fs::is_regular_file(path, error) && std::ifstream(path, std::ios::binary).is_open();
}

// A named pipe is not asked about: it counts as existing, and is no input's file.
bool exists(const std::string& name) {
    if (platform::isPipeName(name)) return true;
    std::error_code error;
    return fs::exists(platform::toPath(name), error);
}

bool isSameFile(const std::string& input, const std::string& output) {
    std::error_code error;
    return !platform::isPipeName(output) && exists(output) &&
           fs::equivalent(platform::toPath(input), platform::toPath(output), error);
}

// Replies after which the question is given up as answered no: standard input may be an endless
// source of other bytes, such as /dev/zero.
constexpr int mostReplies = 100;

// Asks until the answer is yes or no; a missing answer (end of input) is no, and so are
// `mostReplies` replies that are neither.
bool mayOverwrite(const std::string& output, std::istream& answers, std::ostream& console) {
    for (int replies = 0; replies < mostReplies; ++replies) {
        console << "Output file " << output << " exists - overwrite (Y/N)? " << std::flush;
        const int answer = answers.get();
        if (answer == std::char_traits<char>::eof()) return false;
        if (answer != '\n') answers.get(); // the line end behind the answer
        if (answer == 'y' || answer == 'Y') return true;
        if (answer == 'n' || answer == 'N') return false;
    }
    console << "\nERROR: No Y or N in " << mostReplies << " answers, taken as N\n";
    return false;
}

struct FileNames {
    std::string input;
    std::string output;
};

// An error line, if any, then the usage text: how a run ends that converts nothing.
void refuse(std::ostream& console, const std::string& program, const std::string& error) {
    console << error;
    printUsage(console, program);
}

std::optional<FileNames> namesFromArguments(const std::vector<std::string>& arguments,
                                            std::ostream& console, const std::string& program) {
    if (arguments.size() < 2) {
        refuse(console, program, "ERROR: No input nor output file names given,\n");
        return std::nullopt;
    }
    if (arguments.size() > 3) {
        refuse(console, program, "ERROR: Too many arguments supplied,\n");
        return std::nullopt;
    }
    const std::string& first = arguments[1];
    if (first == "/?") {
        refuse(console, program, "");
        return std::nullopt;
    }
    const auto second =
        arguments.size() == 3 ? std::optional<std::string_view>(arguments[2]) : std::nullopt;
    return FileNames{inputFileName(first), outputFileName(first, second)};
}

// Checks both files and asks before an existing output is overwritten; false when the run
// stops here, with nothing created or changed.
bool mayConvert(const FileNames& names, std::istream& answers, std::ostream& console,
                const std::string& program) {
    if (!isReadableFile(names.input)) {
        refuse(console, program, "ERROR: Can't find input file " + names.input + "\n");
        return false;
    }
    if (isSameFile(names.input, names.output)) {
        refuse(console, program,
               "ERROR: Input and output are the same file " + names.output + "\n");
        return false;
    }
    if (exists(names.output) && !mayOverwrite(names.output, answers, console)) {
        refuse(console, program, "");
        return false;
    }
    return true;
}

// The parse pass, the outcome line, then the write pass; false when the output could not be
// written in full, in which case any old output is left as it was.
bool runPasses(std::string_view input, platform::OutputFile& output, const FileNames& names,
               std::ostream& console) {
    ConversionSettings settings;
    settings.writeInBackground = true;
    settings.parsed = [&](const vqz2xml::Outcome& parsed) {
        if (parsed.complete) {
            console << "\nConversion from " << names.input << " to " << names.output
                    << " completed succesfully.\n";
        } else {
            console << "\nERROR: Faulty input file, see '" << names.output << "' for details.\n";
        }
    };
    convertInput(input, output.stream(), {}, settings);
    return output.commit();
}

void convertFile(const FileNames& names, std::ostream& console, const std::string& program) {
    platform::InputBytes input;
    if (const std::error_code error = input.readFile(names.input)) {
        refuse(console, program,
               error == platform::InputError::ChangedWhileRead
                   ? "ERROR: Input file " + names.input + " changed while it was read\n"
                   : "ERROR: Can't find input file " + names.input + "\n");
        return;
    }
    if (!platform::isWritableIfRegular(names.output)) {
        refuse(console, program, "ERROR: Can't create output file " + names.output + "\n");
        return;
    }
    platform::OutputFile output(names.output);
    if (!output.isOpen()) {
        refuse(console, program, "ERROR: Can't create output file " + names.output + "\n");
        return;
    }
    console << "Converting from file " << names.input << " to " << names.output << "...\r";
    if (!runPasses(input.view(), output, names, console)) {
        console << "ERROR: Can't write output file " << names.output << "\n";
    }
}

} // namespace

std::string inputFileName(std::string_view argument) {
    std::string name(argument);
    if (!lastComponentHasDot(name)) name += ".vqz";
    return name;
}

std::string outputFileName(std::string_view first, std::optional<std::string_view> second) {
    std::string name(second ? *second : first);
    if (!second) {
        const auto dot = name.find('.', lastComponent(name));
        if (dot != std::string::npos) name.erase(dot);
    }
    if (!lastComponentHasDot(name)) name += ".xml";
    return name;
}

int runConversion(const std::vector<std::string>& arguments, std::istream& answers,
                  std::ostream& console) {
    const std::string program = arguments.empty() ? "vqz2xml" : arguments[0];
    platform::OutputFile::readCreationMask();
    console << banner;
    try {
        const auto names = namesFromArguments(arguments, console, program);
        if (!names || !mayConvert(*names, answers, console, program)) return 0;
        try {
            convertFile(*names, console, program);
        } catch (const std::bad_alloc&) {
            // An input too big for the memory at hand is reported, not a crash.
            console << "\nERROR: Not enough memory to convert " << names->input << "\n";
        }
    } catch (const std::exception& error) {
        console << "\nERROR: Conversion stopped: " << error.what() << "\n";
    } catch (...) {
        console << "\nERROR: Conversion stopped by an unknown failure\n";
    }
    return 0;
}
