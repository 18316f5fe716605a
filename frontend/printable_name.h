// Names as the program's messages show them: each on the one line of its message.
#pragma once

#include <string>
#include <string_view>

// `name` with each control byte (below 0x20, and 0x7f) written as \xhh, as a diagnostic writes
// the text it found; every other byte, UTF-8 and Latin-1 letters among them, stays as it is.
std::string printableName(std::string_view name);
