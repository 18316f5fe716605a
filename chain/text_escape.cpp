// Brace codes of quoted texts and the escaping of texts into XML.
#include "chain/text_escape.h"

#include "chain/character_sets.h"
#include "chain/xml_output.h"
#include "platform/compiler.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isLineBreakGroup(const char* inside, std::size_t n) {
    return n >= 2 && (inside[0] == 'n' || inside[0] == 'N') &&
           (inside[1] == 'l' || inside[1] == 'L');
}

bool isHexGroup(const char* inside, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (hexValue(inside[i]) < 0) return false;
    }
    return true;
}

} // namespace

std::string_view decodeBraceCodes(char* text, std::size_t length) {
    if (length == 0) return {};
    const char* const end = text + length;
    const char* read = text;
    char* write = text;
    // The first "}" at or after the read position; only bytes not yet read are searched, and
    // the search moves forward only, so a text full of "{" stays linear.
    const char* close = text;
    for (;;) {
        const void* brace = std::memchr(read, '{', static_cast<std::size_t>(end - read));
        const char* const open = brace ? static_cast<const char*>(brace) : end;
        if (write != read) std::memmove(write, read, static_cast<std::size_t>(open - read));
        write += open - read;
        read = open;
        if (read == end) break;
        if (close <= read) {
            const void* found = std::memchr(read, '}', static_cast<std::size_t>(end - read));
            close = found ? static_cast<const char*>(found) : end;
        }
        const char* const inside = read + 1;
        const auto n = static_cast<std::size_t>(close - inside);
        const bool closed = close != end;
        if (closed && n == 1) {
            *write++ = *inside;
            read = close + 1;
        } else if (closed && n % 2 == 0 && isLineBreakGroup(inside, n)) {
            *write++ = textMark;
            *write++ = lineBreakMark;
            read = close + 1;
        } else if (closed && n % 2 == 0 && isHexGroup(inside, n)) {
            for (std::size_t i = 0; i < n; i += 2) {
                const char c =
                    static_cast<char>(hexValue(inside[i]) * 16 + hexValue(inside[i + 1]));
                // Two digits make at most two bytes, so the text never grows.
                if (c == '\0') {
                    *write++ = textMark;
                    *write++ = nulCharMark;
                } else if (static_cast<unsigned char>(c) >= 0x80) {
                    *write++ = textMark;
                    *write++ = c;
                } else {
                    *write++ = c;
                }
            }
            read = close + 1;
        } else {
            *write++ = *read++; // no brace code: the "{" stands for itself
        }
    }
    return {text, static_cast<std::size_t>(write - text)};
}

std::string& decodeBraceCodes(std::string& text) {
    if (text.empty()) return text;
    text.resize(decodeBraceCodes(&text[0], text.size()).size());
    return text;
}

namespace {

void writeHexReference(XmlOutput& out, unsigned char b) {
    const char reference[] = {'&', '#', 'x', hexDigits[b >> 4], hexDigits[b & 15], ';'};
    out.write(std::string_view(reference, sizeof reference));
}

// "&#x", the code point in lower-case hexadecimal digits without leading zeros, ";".
void writeCodePointReference(XmlOutput& out, char32_t codePoint) {
    char reference[12] = {};
    std::size_t at = sizeof reference;
    reference[--at] = ';';
    do {
        reference[--at] = hexDigits[codePoint & 15];
        codePoint >>= 4;
    } while (codePoint != 0);
    reference[--at] = 'x';
    reference[--at] = '#';
    reference[--at] = '&';
    out.write(std::string_view(reference + at, sizeof reference - at));
}

void writeBraceCode(XmlOutput& out, unsigned char b) {
    const char code[] = {'{', hexDigits[b >> 4], hexDigits[b & 15], '}'};
    out.write(std::string_view(code, sizeof code));
}

// One character that is not written as itself, from a byte below 0x80.
void writeSpecial(XmlOutput& out, unsigned char b) {
    switch (b) {
    case '<': out.write("&lt;"); return;
    case '>': out.write("&gt;"); return;
    case '&': out.write("&amp;"); return;
    case '"': out.write("&quot;"); return;
    case '\'': out.write("&apos;"); return;
    case '\t':
    case '\n':
    case '\r': writeHexReference(out, b); return;
    default: writeBraceCode(out, b); return; // any other control character
    }
}

// The typed bytes from `at` on, the first of them 0x80 or above, as one character reference in
// the output's encoding; returns how many bytes it took.
std::size_t writeTypedHigh(XmlOutput& out, std::string_view text, std::size_t at) {
    const auto b = static_cast<unsigned char>(text[at]);
    switch (out.encoding) {
    case vqz2xml::Encoding::Latin1:
    case vqz2xml::Encoding::Auto: break; // chosen before anything is written
    case vqz2xml::Encoding::Cp1252: writeCodePointReference(out, windows1252Character(b)); return 1;
    case vqz2xml::Encoding::Utf8: {
        char32_t codePoint = 0;
        if (const std::size_t length = utf8SequenceAt(text, at, codePoint)) {
            writeCodePointReference(out, codePoint);
            return length;
        }
        break;
    }
    }
    writeHexReference(out, b);
    return 1;
}

// The bytes written as they stand: printable ASCII but the five XML reserves.
constexpr std::array<bool, 256> plainBytes = [] {
    std::array<bool, 256> plain{};
    for (int b = 0x20; b < 0x80; ++b) plain[static_cast<std::size_t>(b)] = true;
    for (const char reserved : {'<', '>', '&', '"', '\''}) {
        plain[static_cast<unsigned char>(reserved)] = false;
    }
    return plain;
}();

bool isPlain(char c) { return plainBytes[static_cast<unsigned char>(c)]; }

// The plain bytes at the front of the `n` bytes at `from`, copied to `to`; returns how many there
// are. Labels are mostly plain, so sixteen and then eight bytes are looked at and copied at a
// time. Bytes behind the plain ones may be copied too, though never beyond `to + n`: the caller
// writes over them.
std::size_t copyPlainRun(char* to, const char* from, std::size_t n) {
    std::size_t at = 0;
#if defined(VQZ2XML_SSE2)
    const __m128i firstPrintable = _mm_set1_epi8(0x20);
    const auto blockSpecials = [&](std::size_t offset) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + offset));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + offset), block);
        // Signed, so the bytes from 0x80 up count as below the blank too.
        __m128i special = _mm_cmplt_epi8(block, firstPrintable);
        for (const char reserved : {'<', '>', '&', '"', '\''}) {
            special = _mm_or_si128(special, _mm_cmpeq_epi8(block, _mm_set1_epi8(reserved)));
        }
        return static_cast<unsigned>(_mm_movemask_epi8(special));
    };
    if (n >= 16) {
        for (; n - at >= 16; at += 16) {
            if (const unsigned mask = blockSpecials(at))
                return at + static_cast<std::size_t>(compiler::lowestSetBit(mask));
        }
        if (at == n) return n;
        // The last bytes, in a block that overlaps the one before: its first bytes were seen.
        const std::size_t last = n - 16;
        if (const unsigned mask = blockSpecials(last) >> (at - last))
            return at + static_cast<std::size_t>(compiler::lowestSetBit(mask));
        return n;
    }
#endif
#if defined(VQZ2XML_LITTLE_ENDIAN)
    // In a word, a marked byte shows a zero of `word ^ pattern` or a byte below 0x20 or from 0x80
    // up; the lowest marked byte is always a true one.
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t highs = 0x8080808080808080u;
    const auto wordSpecials = [&](std::size_t offset) {
        std::uint64_t word;
        std::memcpy(&word, from + offset, 8);
        std::memcpy(to + offset, &word, 8);
        const auto zeroBytes = [](std::uint64_t v) { return (v - ones) & ~v & highs; };
        std::uint64_t special = ((word - ones * 0x20) | word) & highs;
        for (const char reserved : {'<', '>', '&', '"', '\''}) {
            special |= zeroBytes(word ^ (ones * static_cast<unsigned char>(reserved)));
        }
        return special;
    };
    if (n >= 8) {
        for (; n - at >= 8; at += 8) {
            if (const std::uint64_t special = wordSpecials(at))
                return at + static_cast<std::size_t>(compiler::lowestSetBit(special) >> 3);
        }
        if (at == n) return n;
        const std::size_t last = n - 8;
        if (const std::uint64_t special = wordSpecials(last) >> (8 * (at - last)))
            return at + static_cast<std::size_t>(compiler::lowestSetBit(special) >> 3);
        return n;
    }
#endif
    for (; at < n && isPlain(from[at]); ++at) to[at] = from[at];
    return at;
}

// What follows a mark: the line break, the character 0, or a Latin-1 character given by its
// code; returns how many bytes after the mark it took. Only the decoder makes marks, so a mark
// of any other kind cannot occur; it would be written as a character 0, taking nothing more.
std::size_t writeMarked(XmlOutput& out, std::string_view text, std::size_t at) {
    const auto kind = at < text.size() ? static_cast<unsigned char>(text[at]) : 0;
    if (kind == lineBreakMark) {
        out.write("<br/>");
        return 1;
    }
    if (kind >= 0x80) {
        writeHexReference(out, kind);
        return 1;
    }
    writeBraceCode(out, 0);
    return kind == nulCharMark ? 1 : 0;
}

} // namespace

void writeEscapedText(XmlOutput& out, std::string_view text) {
    // Plain bytes go straight into the output's buffer, a piece at a time.
    constexpr std::size_t piece = 4096;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t n = text.size() - i < piece ? text.size() - i : piece;
        const std::size_t plain = copyPlainRun(out.room(n), text.data() + i, n);
        out.advance(plain);
        i += plain;
        if (plain == n) continue;
        const auto b = static_cast<unsigned char>(text[i]);
        if (b == static_cast<unsigned char>(textMark)) {
            i += 1 + writeMarked(out, text, i + 1);
        } else if (b >= 0x80) {
            i += writeTypedHigh(out, text, i);
        } else {
            writeSpecial(out, b);
            ++i;
        }
    }
}

namespace {

// The bytes a comment takes as they stand: printable ASCII but the hyphen, and the three
// control characters XML allows.
constexpr std::array<bool, 256> plainCommentBytes = [] {
    std::array<bool, 256> plain{};
    for (int b = 0x20; b < 0x80; ++b) plain[static_cast<std::size_t>(b)] = true;
    plain['-'] = false;
    for (const char allowed : {'\t', '\n', '\r'}) plain[static_cast<unsigned char>(allowed)] = true;
    return plain;
}();

bool isPlainInComment(char c) { return plainCommentBytes[static_cast<unsigned char>(c)]; }

// The typed bytes from `at` on, the first of them 0x80 or above, as UTF-8; returns how many
// bytes it took.
std::size_t writeHighAsUtf8(XmlOutput& out, std::string_view text, std::size_t at) {
    const auto b = static_cast<unsigned char>(text[at]);
    char32_t character = b;
    if (out.encoding == vqz2xml::Encoding::Cp1252) {
        character = windows1252Character(b);
    } else if (const std::size_t length = utf8SequenceAt(text, at, character)) {
        out.write(text.substr(at, length));
        return length;
    }
    char bytes[4];
    const std::size_t length = encodeUtf8(character, bytes);
    for (std::size_t i = 0; i < length; ++i) out.put(bytes[i]);
    return 1;
}

} // namespace

void writeCommentText(XmlOutput& out, std::string_view text) {
    bool afterHyphen = false;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t plainEnd = i;
        while (plainEnd < text.size() && isPlainInComment(text[plainEnd])) ++plainEnd;
        if (plainEnd != i) {
            out.write(text.substr(i, plainEnd - i));
            afterHyphen = false;
            i = plainEnd;
            if (i == text.size()) return;
        }
        const auto b = static_cast<unsigned char>(text[i]);
        if (b == '-' && text.compare(i, 3, "-->") == 0) {
            // A "-->" would end the comment early. A hyphen written as "<" never starts
            // another one, so every one is caught on the way.
            out.put('<');
            afterHyphen = false;
            ++i;
        } else if (b == '-') {
            if (afterHyphen) out.put(' ');
            out.put('-');
            afterHyphen = true;
            ++i;
        } else if (b >= 0x80) {
            i += writeHighAsUtf8(out, text, i);
            afterHyphen = false;
        } else {
            writeBraceCode(out, b); // a control character; a zero byte too, should one come
            afterHyphen = false;
            ++i;
        }
    }
}
