// What the program starts with: its arguments in UTF-8 and standard streams ready for bytes.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The arguments main received (the program's name first) in UTF-8, however the system passes
// them; standard output and error are made to carry every byte as it is written.
std::vector<std::string> startProcess(int argc, char** argv);

} // namespace platform
