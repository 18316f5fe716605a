// Names as the program's messages show them: each on the one line of its message.
#include "frontend/printable_name.h"

std::string printableName(std::string_view name) {
    constexpr std::string_view hexDigits = "0123456789abcdef";
    std::string shown;
    shown.reserve(name.size());
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f) {
            shown += c;
            continue;
        }
        shown += "\\x";
        shown += hexDigits[byte >> 4];
        shown += hexDigits[byte & 15];
    }
    return shown;
}
