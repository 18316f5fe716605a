// Uses an installed vqz2xml through its CMake package: converts a complete and a faulty input.
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vqz2xml/vqz2xml.hpp>

// Names the converter uses inside, which its users must stay free to use for their own.
struct Diagnostic {
    int code;
};
std::string diagnosticLine(std::string_view fileName, const Diagnostic& diagnostic) {
    return std::string(fileName) + ": code " + std::to_string(diagnostic.code);
}

int main() {
    if (diagnosticLine("x", {1}) != "x: code 1") return 1;
    const vqz2xml::Result done = vqz2xml::convert(
        "VQZ VERSION 1.1 SURVEY RECORD A VARIABLE 1 NAME \"a\" LABEL \"caf\xe9\" TYPE logical "
        "POSITION 1 END VARIABLE END RECORD END SURVEY END VQZ");
    if (!done.complete || done.diagnostic ||
        done.xml.find("<label>caf&#xe9;</label>") == std::string::npos) {
        std::cerr << "consumer: a complete document came out wrong:\n" << done.xml;
        return 1;
    }
    std::ostringstream sink;
    const vqz2xml::Outcome faulty =
        vqz2xml::convert("VQZ VERSION 1.1 SURVEY\n  BOGUS", sink, {vqz2xml::Encoding::Utf8});
    const std::string line =
        faulty.diagnostic ? vqz2xml::diagnosticLine("s.vqz", *faulty.diagnostic) : "";
    if (faulty.complete || line != "s.vqz:2:3: error: expected 'Title', found \"BOGUS\"" ||
        sink.str().find("*** Error:") == std::string::npos) {
        std::cerr << "consumer: a faulty input came out wrong: " << line << "\n";
        return 1;
    }
    std::cout << "C++ consumer: vqz2xml " << vqz2xml::version() << " converts as expected\n";
    return 0;
}
