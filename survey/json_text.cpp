// Texts as a JSON string holds them: the bytes that nlohmann's serializer writes unchanged.
#include "survey/json_text.h"

#include "chain/character_sets.h"
#include "chain/text_escape.h"
#include "platform/compiler.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint64_t ones = 0x0101010101010101u;
constexpr std::uint64_t highs = 0x8080808080808080u;

// Whether a word of ASCII bytes holds one that nlohmann's serializer escapes: a control
// character, a quote or a backslash.
bool needsEscape(std::uint64_t word) {
    const auto zeroIn = [](std::uint64_t x) { return (x - ones) & ~x & highs; };
    return (((word - 0x20 * ones) & ~word & highs) | zeroIn(word ^ ('"' * ones)) |
            zeroIn(word ^ ('\\' * ones))) != 0;
}

// The length of the two- or three-byte UTF-8 sequence at `at` (no overlong form, no surrogate);
// 0 for anything else, a four-byte sequence included, which the serializer is left to judge.
std::size_t shortSequence(const unsigned char* at, std::size_t left) {
    const auto continues = [&](std::size_t i) { return i < left && (at[i] & 0xC0) == 0x80; };
    if (at[0] >= 0xC2 && at[0] <= 0xDF) return continues(1) ? 2 : 0;
    if (at[0] < 0xE0 || at[0] > 0xEF || !continues(1) || !continues(2)) return 0;
    if (at[0] == 0xE0 && at[1] < 0xA0) return 0;
    if (at[0] == 0xED && at[1] >= 0xA0) return 0;
    return 3;
}

bool plainWord(std::uint64_t word) { return (word & highs) == 0 && !needsEscape(word); }

#if defined(VQZ2XML_SSE2)
// The bits of those of the 16 bytes at `at` that are not printable ASCII other than a quote and
// a backslash, the first byte's lowest; a signed comparison finds the bytes from 0x80 up along
// with the control characters.
unsigned specialBytes(const unsigned char* at, __m128i& chunk) {
    chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i special = _mm_or_si128(
        _mm_cmplt_epi8(chunk, _mm_set1_epi8(0x20)),
        _mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('"')),
                     _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\\'))));
    return static_cast<unsigned>(_mm_movemask_epi8(special));
}

bool plainChunk(const unsigned char* at, __m128i& chunk) { return specialBytes(at, chunk) == 0; }

// Copies 16 bytes at a time from `from` to `to` as long as they are plain; the chunk with a byte
// that is not is stored whole (`to` has room for it), and the two move on to that byte. True
// when they stopped at such a byte.
bool copyChunks(const unsigned char* bytes, std::size_t size, std::size_t& from, char* to,
                std::size_t& out) {
    while (size - from >= 16) {
        __m128i chunk;
        const unsigned special = specialBytes(bytes + from, chunk);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + out), chunk);
        if (special != 0) {
            const unsigned plain = compiler::lowestSetBit(static_cast<std::uint32_t>(special));
            from += plain;
            out += plain;
            return true;
        }
        from += 16;
        out += 16;
    }
    return false;
}
#endif

// Copies a text of plain ASCII bytes whole and returns true; false, having written no more than
// its size, when a byte of it is not plain. Most texts are: 16-byte chunks and a last one that may
// overlap, or two words or two half words that may overlap, settle them.
VQZ2XML_ALWAYS_INLINE bool copyWholePlain(const unsigned char* bytes, std::size_t size, char* to) {
    if (size >= 8 && size <= 16) {
        std::uint64_t first;
        std::uint64_t last;
        std::memcpy(&first, bytes, 8);
        std::memcpy(&last, bytes + size - 8, 8);
        if (!plainWord(first) || !plainWord(last)) return false;
        std::memcpy(to, &first, 8);
        std::memcpy(to + size - 8, &last, 8);
        return true;
    }
    if (size >= 4 && size < 8) {
        std::uint32_t first;
        std::uint32_t last;
        std::memcpy(&first, bytes, 4);
        std::memcpy(&last, bytes + size - 4, 4);
        // Both halves in one word: a byte is plain or not wherever it stands.
        const std::uint64_t both = std::uint64_t{first} << 32 | last;
        if (!plainWord(both)) return false;
        std::memcpy(to, &first, 4);
        std::memcpy(to + size - 4, &last, 4);
        return true;
    }
#if defined(VQZ2XML_SSE2)
    if (size > 16) {
        __m128i chunk;
        std::size_t at = 0;
        for (; size - at > 16; at += 16) {
            if (!plainChunk(bytes + at, chunk)) return false;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + at), chunk);
        }
        if (!plainChunk(bytes + size - 16, chunk)) return false;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + size - 16), chunk);
        return true;
    }
#endif
    return false;
}

// copyPlain for any text, from `at` on: ASCII a word (or 16 bytes) at a time, the rest a sequence
// at a time.
VQZ2XML_NOINLINE PlainCopy copyAnyPlain(const unsigned char* bytes, std::size_t size, std::size_t at,
                                        char* to) {
    while (at < size) {
        bool stopped = false; // in front of a byte that is not plain
#if defined(VQZ2XML_SSE2)
        std::size_t out = at;
        stopped = copyChunks(bytes, size, at, to, out);
#endif
        for (; !stopped && size - at >= 8; at += 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes + at, 8);
            if (!plainWord(word)) break;
            std::memcpy(to + at, &word, 8);
        }
        if (at == size) break;
        const unsigned char b = bytes[at];
        if (b < 0x80) {
            if (b < 0x20 || b == '"' || b == '\\') break;
            to[at++] = static_cast<char>(b);
        } else if (const std::size_t length = shortSequence(bytes + at, size - at)) {
            std::memcpy(to + at, bytes + at, length);
            at += length;
        } else {
            break;
        }
    }
    return {at, at};
}

} // namespace

// The model's texts are UTF-8 by their making, so only the rest of those with a character to
// escape goes through the serializer.
PlainCopy copyPlain(std::string_view text, char* to) {
    const auto* const bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    if (copyWholePlain(bytes, size, to)) return {size, size};
    return copyAnyPlain(bytes, size, 0, to);
}

namespace {

// copyPlainUtf8 of a text that is not all plain ASCII.
VQZ2XML_NOINLINE PlainCopy copyMixedUtf8(std::string_view text, vqz2xml::Encoding encoding,
                                         char* to) {
    const auto* const bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t at = 0;
    std::size_t out = 0;
    // A Latin-1 character from 0x80 up: two bytes of UTF-8, made here, the rest by encodeUtf8.
    const auto latin1 = [&](unsigned char c) {
        to[out] = static_cast<char>(0xC0 | c >> 6);
        to[out + 1] = static_cast<char>(0x80 | (c & 0x3F));
        out += 2;
    };
    const auto character = [&](char32_t c) {
        char sequence[4];
        const std::size_t length = encodeUtf8(c, sequence);
        std::memcpy(to + out, sequence, length);
        out += length;
    };
    // The last piece of a text, shorter than a chunk or a word, is settled at once when the
    // text's last 16 or 8 bytes are plain: the bytes of that window in front of the piece were
    // copied as they stand, so it is stored again over them.
    const auto plainEnd = [&](std::size_t window, const auto& store) {
        const std::size_t left = size - at;
        if (left == 0 || left >= window || size < window || !store(to + out - (window - left)))
            return false;
        out += left;
        at = size;
        return true;
    };
    while (at < size) {
        bool stopped = false; // in front of a byte that is not plain
#if defined(VQZ2XML_SSE2)
        stopped = copyChunks(bytes, size, at, to, out);
        if (!stopped && plainEnd(16, [&](char* end) {
                __m128i chunk;
                if (!plainChunk(bytes + size - 16, chunk)) return false;
                _mm_storeu_si128(reinterpret_cast<__m128i*>(end), chunk);
                return true;
            }))
            break;
#endif
        if (!stopped) {
            for (; size - at >= 8; at += 8, out += 8) {
                std::uint64_t word;
                std::memcpy(&word, bytes + at, 8);
                if (!plainWord(word)) break;
                std::memcpy(to + out, &word, 8);
            }
            if (plainEnd(8, [&](char* end) {
                    std::uint64_t word;
                    std::memcpy(&word, bytes + size - 8, 8);
                    if (!plainWord(word)) return false;
                    std::memcpy(end, &word, 8);
                    return true;
                }))
                break;
        }
        if (at == size) break;
        const unsigned char b = bytes[at];
        if (b >= 0x20 && b < 0x80 && b != '"' && b != '\\') {
            to[out++] = static_cast<char>(b);
            ++at;
        } else if (b == static_cast<unsigned char>(textMark)) {
            // A Latin-1 character given by its code; a line break or the character 0 is escaped.
            const unsigned char kind = at + 1 < size ? bytes[at + 1] : 0;
            if (kind < 0x80) break;
            latin1(kind);
            at += 2;
        } else if (b < 0x80) {
            break;
        } else if (encoding == vqz2xml::Encoding::Cp1252) {
            character(windows1252Character(b));
            ++at;
        } else if (char32_t c = b; encoding != vqz2xml::Encoding::Utf8) {
            latin1(b);
            ++at;
        } else if (const std::size_t length = utf8SequenceAt(text, at, c)) {
            std::memcpy(to + out, bytes + at, length);
            out += length;
            at += length;
        } else {
            latin1(b); // a byte that begins no UTF-8 sequence: its Latin-1 character
            ++at;
        }
    }
    return {at, out};
}

} // namespace

// A plain ASCII text, as most are, is its own UTF-8: copied whole, in a function with no more
// frame than that needs.
PlainCopy copyPlainUtf8(std::string_view text, vqz2xml::Encoding encoding, char* to) {
    const auto* const bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    if (copyWholePlain(bytes, size, to)) return {size, size};
    return copyMixedUtf8(text, encoding, to);
}

EscapedCharacter escapedCharacterAt(std::string_view text, std::size_t at) {
    if (text[at] != textMark) return {text[at], 1};
    // A mark without a kind of its own is the character 0 alone.
    const char kind = at + 1 < text.size() ? text[at + 1] : '\0';
    if (kind == lineBreakMark) return {'\n', 2};
    return {'\0', kind == nulCharMark ? std::size_t{2} : std::size_t{1}};
}
