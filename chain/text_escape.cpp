// Brace codes of quoted texts and the escaping of texts into XML.
#include "chain/text_escape.h"

#include "chain/xml_output.h"
#include "reader/source_reader.h"

#include <array>
#include <cstring>

namespace {

constexpr char hexDigits[] = "0123456789abcdef";

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
                if (c == '\0') {
                    *write++ = textMark;
                    *write++ = nulCharMark;
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

std::string_view decodeBraceCodes(SourceReader& reader, std::string_view text) {
    // Most texts hold no brace at all and stay as they are, untouched.
    if (!reader.mayHoldBrace(text)) return text;
    const std::string_view decoded = decodeBraceCodes(reader.editable(text), text.size());
    reader.rewritten(text);
    return decoded;
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

void writeBraceCode(XmlOutput& out, unsigned char b) {
    const char code[] = {'{', hexDigits[b >> 4], hexDigits[b & 15], '}'};
    out.write(std::string_view(code, sizeof code));
}

// One character that is not written as itself.
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
    default: break;
    }
    if (b >= 0x80) {
        writeHexReference(out, b);
    } else {
        writeBraceCode(out, b); // any other control character
    }
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

} // namespace

void writeEscapedText(XmlOutput& out, std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t plainEnd = i;
        while (plainEnd < text.size() && isPlain(text[plainEnd])) ++plainEnd;
        out.write(text.substr(i, plainEnd - i));
        if (plainEnd == text.size()) return;
        i = plainEnd;
        const auto b = static_cast<unsigned char>(text[i++]);
        if (b == static_cast<unsigned char>(textMark)) {
            // A mark is always followed by its kind; a lone one at the end is a character 0.
            const bool lineBreak = i < text.size() && text[i] == lineBreakMark;
            if (i < text.size()) ++i;
            if (lineBreak) {
                out.write("<br/>");
            } else {
                writeBraceCode(out, 0);
            }
            continue;
        }
        writeSpecial(out, b);
    }
}
