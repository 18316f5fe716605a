// What the program starts with: its arguments in UTF-8 and standard streams ready for bytes.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The arguments main received (the program's name first) in UTF-8, however the system passes
// them; standard output and error are made to carry every byte as it is written, and where they
// are console windows (on Windows), to show the UTF-8 written to std::cout and std::cerr.
std::vector<std::string> startProcess(int argc, char** argv);

} // namespace platform
