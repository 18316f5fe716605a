// Writes one large classic input file for the benchmark, optionally checking how it converts.
#include "bench/input_generator.h"
#include "vqz2xml/vqz2xml.hpp"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

namespace {

constexpr std::string_view usage =
    "USE: vqz_generate <kind> <megabytes> <outfile> [--check]\n"
    "  kinds: v11 v10 notes nested arrows variables biglabel unclosed\n"
    "  --check converts the file in memory and fails unless the outcome is the expected one\n"
    "  (complete for every kind but unclosed).\n";

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// Converts the file in memory; true when the outcome is what its kind promises.
bool checkConversion(InputKind kind, const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    std::string input{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const vqz2xml::Result result = vqz2xml::convert(input);
    const bool asExpected = result.complete == expectsComplete(kind) &&
                            (!result.complete || endsWith(result.xml, "</vqz>\r\n"));
    std::cout << "converted: " << (result.complete ? "complete" : "incomplete") << ", "
              << result.xml.size() << " bytes of XML" << (asExpected ? "" : " (UNEXPECTED)")
              << "\n";
    return asExpected;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc > 5 || (argc == 5 && std::string_view(argv[4]) != "--check")) {
        std::cerr << usage;
        return 2;
    }
    const auto kind = inputKindNamed(argv[1]);
    char* end = nullptr;
    const double megabytes = std::strtod(argv[2], &end);
    if (!kind || end == argv[2] || *end != '\0' || !(megabytes > 0)) {
        std::cerr << usage;
        return 2;
    }
    const auto generated = generateInput(*kind, megabytes, argv[3]);
    if (!generated) {
        std::cerr << "vqz_generate: cannot write " << argv[3] << "\n";
        return 1;
    }
    std::cout << argv[3] << ": " << generated->bytes << " bytes, " << generated->units << " "
              << generated->unitName << "\n";
    if (argc == 5 && !checkConversion(*kind, argv[3])) return 1;
    return 0;
}
