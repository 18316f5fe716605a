// The conversion run: the command line, the file names, the overwrite question and the two passes.
#include "frontend/conversion_run.h"

#include "chain/element.h"
#include "chain/xml_output.h"
#include "reader/source_reader.h"

#include <filesystem>
#include <fstream>
#include <sstream>

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
    return fs::is_regular_file(name, error) && std::ifstream(name, std::ios::binary).is_open();
}

bool isSameFile(const std::string& input, const std::string& output) {
    std::error_code error;
    return fs::exists(output, error) && fs::equivalent(input, output, error);
}

// Asks until the answer is yes or no; a missing answer (end of input) is no.
bool mayOverwrite(const std::string& output, std::istream& answers, std::ostream& console) {
    for (;;) {
        console << "Output file " << output << " exists - overwrite (Y/N)? " << std::flush;
        const int answer = answers.get();
        if (answer == std::char_traits<char>::eof()) return false;
        if (answer != '\n') answers.get(); // the line end behind the answer
        if (answer == 'y' || answer == 'Y') return true;
        if (answer == 'n' || answer == 'N') return false;
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

Conversion convertText(std::string input) {
    SourceReader reader(std::move(input));
    std::ostringstream sink;
    Conversion result;
    {
        XmlOutput out(sink);
        Element head;
        result.complete = head.parseAll(reader);
        head.writeAll(out);
        out.flush();
    }
    result.xml = std::move(sink).str();
    return result;
}

int runConversion(const std::vector<std::string>& arguments, std::istream& answers,
                  std::ostream& console) {
    const std::string program = arguments.empty() ? "vqz2xml" : arguments[0];
    console << banner;
    if (arguments.size() < 2 || arguments.size() > 3) {
        console << (arguments.size() < 2 ? "ERROR: No input nor output file names given,\n"
                                         : "ERROR: Too many arguments supplied,\n");
        printUsage(console, program);
        return 0;
    }
    const std::string& first = arguments[1];
    if (first == "/?" || first == "-h" || first == "--help") {
        printUsage(console, program);
        return 0;
    }
    const std::string input = inputFileName(first);
    const std::string output =
        outputFileName(first, arguments.size() == 3 ? std::optional<std::string_view>(arguments[2])
                                                    : std::nullopt);

    SourceReader reader;
    if (!isReadableFile(input)) {
        console << "ERROR: Can't find input file " << input << "\n";
        printUsage(console, program);
        return 0;
    }
    if (isSameFile(input, output)) {
        console << "ERROR: Input and output are the same file " << output << "\n";
        printUsage(console, program);
        return 0;
    }
    std::error_code error;
    if (fs::exists(output, error) && !mayOverwrite(output, answers, console)) {
        printUsage(console, program);
        return 0;
    }
    if (!reader.open(input)) {
        console << "ERROR: Can't find input file " << input << "\n";
        printUsage(console, program);
        return 0;
    }
    std::ofstream file(output, std::ios::binary | std::ios::trunc);
    if (!file.is_open()) {
        console << "ERROR: Can't create output file " << output << "\n";
        printUsage(console, program);
        return 0;
    }

    console << "Converting from file " << input << " to " << output << "...\r";
    Element head;
    if (head.parseAll(reader)) {
        console << "\nConversion from " << input << " to " << output << " completed succesfully.\n";
    } else {
        console << "\nERROR: Faulty input file, see '" << output << "' for details.\n";
    }
    XmlOutput out(file);
    head.writeAll(out);
    const bool written = out.flush();
    file.close();
    if (!written || file.fail()) console << "ERROR: Can't write output file " << output << "\n";
    return 0;
}
