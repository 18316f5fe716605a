// The number a code stands for, which the survey model gives each code entry.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// The value a code stands for: an optional sign, then digits with at most one point among them
// ("007", "-1", "1.5", ".5", "5."); none for any other text ("1.2.3", "-").
// False for none; the value goes to `value`.
bool readCodeNumber(std::string_view code, double& value);

// readCodeNumber as an optional, the codes of one or two digits (most of them) read in place. An
// optional returned from a call is reassembled in memory from its parts, which stalls the load
// that passes it on; made here, it is made once.
inline std::optional<double> codeNumber(std::string_view code) {
    const auto isDigitAt = [&](std::size_t i) { return code[i] >= '0' && code[i] <= '9'; };
    if (code.size() == 1 && isDigitAt(0)) return code[0] - '0';
    if (code.size() == 2 && isDigitAt(0) && isDigitAt(1))
        return (code[0] - '0') * 10 + (code[1] - '0');
    double value = 0;
    if (!readCodeNumber(code, value)) return std::nullopt;
    return value;
}
