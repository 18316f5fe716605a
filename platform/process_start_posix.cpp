// What the program starts with: its arguments in UTF-8 and standard streams ready for bytes.
#include "platform/process_start.h"

namespace platform {

// The system passes names as the bytes they are, and the streams carry bytes already.
std::vector<std::string> startProcess(int argc, char** argv) { return {argv, argv + argc}; }

} // namespace platform
