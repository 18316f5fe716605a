// The numbers and blanks of fixed-width fields: trimming, reading and writing numbers.
#include "data/number_field.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>

// Some standard libraries (the WebAssembly one among them) convert only integers with
// <charconv>; doubles then go through the C library, which gives the same values.
#if defined(__cpp_lib_to_chars)
#define VQZ2XML_DOUBLE_CHARCONV 1
#else
#define VQZ2XML_DOUBLE_CHARCONV 0
#endif

namespace datafile {

namespace {

// Every power of ten a double holds exactly: a mantissa of at most 15 digits divided by one of
// them is the correctly rounded value of the decimal text.
constexpr double exactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int fastDigits = 15;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The unsigned text (digits and at most one point) read by the standard library, for the rare
// number too long for the fast path.
bool parseLong(std::string_view digits, double& value) {
#if VQZ2XML_DOUBLE_CHARCONV
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                              std::chars_format::fixed);
    return error == std::errc() && end == digits.data() + digits.size();
#else
    // parseNumber let through only digits and one point: strtod reads them all or none.
    const std::string copy(digits);
    if (copy.empty() || copy == ".") return false;
    char* end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size() && std::isfinite(value);
#endif
}

#if !VQZ2XML_DOUBLE_CHARCONV
// The shortest text that reads back as `value`, as %g writes it.
std::size_t writeShortest(char* out, double value) {
    int written = 0;
    for (int precision = 1; precision <= 17; ++precision) {
        written = std::snprintf(out, maxNumberText, "%.*g", precision, value);
        if (std::strtod(out, nullptr) == value) break;
    }
    return written > 0 ? static_cast<std::size_t>(written) : 0;
}
#endif

} // namespace

std::string_view trimBlanks(std::string_view field) {
    std::size_t begin = 0;
    while (begin < field.size() && field[begin] == ' ') ++begin;
    return trimTrailingBlanks(field.substr(begin));
}

std::string_view trimTrailingBlanks(std::string_view field) {
    std::size_t end = field.size();
    while (end > 0 && field[end - 1] == ' ') --end;
    return field.substr(0, end);
}

bool parseNumber(std::string_view text, double& value) {
    std::size_t at = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) ++at;
    const std::string_view unsigned_ = text.substr(at);
    std::uint64_t mantissa = 0;
    int significant = 0;
    int fraction = 0;
    bool point = false;
    bool digit = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (!isDigit(c)) return false;
        digit = true;
        if (mantissa == 0 && c == '0') { // leading zeros are padding
            fraction += point;
            continue;
        }
        if (significant < fastDigits + 1) mantissa = 10 * mantissa + static_cast<unsigned>(c - '0');
        ++significant;
        fraction += point;
    }
    if (!digit) return false;
    if (significant <= fastDigits && fraction <= 22) {
        value = static_cast<double>(mantissa) / exactPowersOfTen[fraction];
    } else if (!parseLong(unsigned_, value)) {
        return false;
    }
    value = negative && value != 0 ? -value : value;
    return true;
}

bool isAllZeros(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text) {
        if (c != '0') return false;
    }
    return true;
}

std::size_t writeNumber(char* out, double value) {
    if (value >= 0 && value < 10 && value == static_cast<double>(static_cast<int>(value))) {
        *out = static_cast<char>('0' + static_cast<int>(value)); // most codes are one digit
        return 1;
    }
    const bool whole = std::abs(value) < 9007199254740992.0 && value == std::trunc(value);
#if VQZ2XML_DOUBLE_CHARCONV
    const auto result =
        whole ? std::to_chars(out, out + maxNumberText, static_cast<std::int64_t>(value))
              : std::to_chars(out, out + maxNumberText, value);
    return static_cast<std::size_t>(result.ptr - out);
#else
    if (!whole) return writeShortest(out, value);
    const auto result = std::to_chars(out, out + maxNumberText, static_cast<std::int64_t>(value));
    return static_cast<std::size_t>(result.ptr - out);
#endif
}

void appendNumber(std::string& out, double value) {
    char digits[maxNumberText];
    out.append(digits, writeNumber(digits, value));
}

std::string numberText(double value) {
    std::string text;
    appendNumber(text, value);
    return text;
}

} // namespace datafile
