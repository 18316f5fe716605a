// The character sets typed bytes may come in: UTF-8 sequences and Windows-1252 characters.
#include "chain/character_sets.h"

namespace {

bool isContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// The characters of 0x80 to 0x9F; 0 where Windows-1252 defines none.
constexpr char16_t windows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

std::size_t utf8SequenceAt(std::string_view text, std::size_t at, char32_t& codePoint) {
    const auto byteAt = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byteAt(at);
    std::size_t length = 0;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if (!isContinuation(byteAt(at + i))) return 0;
        value = value << 6 | (byteAt(at + i) & 0x3F);
    }
    // The lead byte alone rules out the overlong two-byte forms; the others show in the value.
    const char32_t least = length == 3 ? 0x800 : length == 4 ? 0x10000 : 0x80;
    if (value < least || value > 0x10FFFF) return 0;
    if ((value >= 0xD800 && value <= 0xDFFF) || value == 0xFFFE || value == 0xFFFF) return 0;
    codePoint = value;
    return length;
}

char32_t windows1252Character(unsigned char b) {
    if (b >= 0x80 && b <= 0x9F && windows1252High[b - 0x80] != 0) return windows1252High[b - 0x80];
    return b;
}

std::size_t encodeUtf8(char32_t codePoint, char (&bytes)[4]) {
    const auto byte = [](char32_t bits) { return static_cast<char>(bits); };
    if (codePoint < 0x80) {
        bytes[0] = byte(codePoint);
        return 1;
    }
    if (codePoint < 0x800) {
        bytes[0] = byte(0xC0 | codePoint >> 6);
        bytes[1] = byte(0x80 | (codePoint & 0x3F));
        return 2;
    }
    if (codePoint < 0x10000) {
        bytes[0] = byte(0xE0 | codePoint >> 12);
        bytes[1] = byte(0x80 | (codePoint >> 6 & 0x3F));
        bytes[2] = byte(0x80 | (codePoint & 0x3F));
        return 3;
    }
    bytes[0] = byte(0xF0 | codePoint >> 18);
    bytes[1] = byte(0x80 | (codePoint >> 12 & 0x3F));
    bytes[2] = byte(0x80 | (codePoint >> 6 & 0x3F));
    bytes[3] = byte(0x80 | (codePoint & 0x3F));
    return 4;
}
