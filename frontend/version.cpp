// The project's version, as set once in the build description.
#include "frontend/version.h"

std::string_view programVersion() { return VQZ2XML_VERSION; }
