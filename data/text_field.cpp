// Character fields: their bytes, read in the survey's encoding, as UTF-8.
#include "data/text_field.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace datafile {

namespace {

// Windows-1252's characters for 0x80-0x9F; the five it leaves undefined keep their Latin-1 one.
constexpr char16_t windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendCodePoint(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isAscii(std::string_view bytes) {
    std::size_t at = 0;
    for (; at + 8 <= bytes.size(); at += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + at, 8);
        if (word & 0x8080808080808080u) return false;
    }
    for (; at < bytes.size(); ++at) {
        if (static_cast<unsigned char>(bytes[at]) >= 0x80) return false;
    }
    return true;
}

bool isContinuation(std::string_view bytes, std::size_t at) {
    return at < bytes.size() && (static_cast<unsigned char>(bytes[at]) & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence of two to four bytes at `at` (shortest form, no
// surrogate); 0 when there is none.
std::size_t sequenceLength(std::string_view bytes, std::size_t at) {
    const unsigned char lead = static_cast<unsigned char>(bytes[at]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if (!isContinuation(bytes, at + i)) return 0;
    }
    const unsigned char second = static_cast<unsigned char>(bytes[at + 1]);
    if (lead == 0xE0 && second < 0xA0) return 0; // overlong
    if (lead == 0xED && second >= 0xA0) return 0; // surrogate
    if (lead == 0xF0 && second < 0x90) return 0; // overlong
    if (lead == 0xF4 && second >= 0x90) return 0; // past U+10FFFF
    return length;
}

void appendUtf8Checked(std::string& out, std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        if (static_cast<unsigned char>(bytes[at]) < 0x80) {
            out += bytes[at++];
        } else if (const std::size_t length = sequenceLength(bytes, at); length > 0) {
            out.append(bytes.data() + at, length);
            at += length;
        } else {
            appendCodePoint(out, 0xFFFD);
            ++at;
        }
    }
}

} // namespace

void assignUtf8(std::string& out, std::string_view bytes, vqz2xml::Encoding encoding) {
    out.clear();
    if (isAscii(bytes)) {
        out.assign(bytes.data(), bytes.size());
        return;
    }
    if (encoding == vqz2xml::Encoding::Utf8) return appendUtf8Checked(out, bytes);
    for (const char byte : bytes) {
        const unsigned char b = static_cast<unsigned char>(byte);
        const bool high = encoding == vqz2xml::Encoding::Cp1252 && b >= 0x80 && b < 0xA0;
        appendCodePoint(out, high ? windows1252High[b - 0x80] : b);
    }
}

} // namespace datafile
