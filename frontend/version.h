// The project's version, as set once in the build description.
#pragma once

#include <string_view>

std::string_view programVersion();
