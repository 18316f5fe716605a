// Telling from the bytes of an input which encoding its texts were typed in.
#include "core/encoding_guess.h"

#include "chain/character_sets.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

namespace {

// Whether `text` is valid UTF-8 (as isValidUtf8 says), and whether it holds a multi-byte
// sequence; stops at the first byte that starts no sequence.
bool scanUtf8(std::string_view text, bool& multiByte) {
    multiByte = false;
    for (std::size_t at = 0; at < text.size();) {
        // Plain ASCII, most of any input, is passed over 32 bytes at a time.
        std::uint64_t words[4];
        if (text.size() - at >= sizeof words) {
            std::memcpy(words, text.data() + at, sizeof words);
            if (((words[0] | words[1] | words[2] | words[3]) & 0x8080808080808080u) == 0) {
                at += sizeof words;
                continue;
            }
        }
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
            continue;
        }
        char32_t codePoint = 0;
        const std::size_t length = utf8SequenceAt(text, at, codePoint);
        if (length == 0) return false;
        multiByte = true;
        at += length;
    }
    return true;
}

} // namespace

bool isValidUtf8(std::string_view text) {
    bool multiByte = false;
    return scanUtf8(text, multiByte);
}

bool looksLikeUtf8(std::string_view input) {
    if (startsWithByteOrderMark(input)) return true;
    bool multiByte = false;
    return scanUtf8(input, multiByte) && multiByte;
}

vqz2xml::Encoding guessEncoding(std::string_view input) {
    if (looksLikeUtf8(input)) return vqz2xml::Encoding::Utf8;
    const bool windowsOnly = std::any_of(input.begin(), input.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b >= 0x80 && b <= 0x9f;
    });
    return windowsOnly ? vqz2xml::Encoding::Cp1252 : vqz2xml::Encoding::Latin1;
}

namespace vqz2xml {

Encoding chooseEncoding(std::string_view input, Encoding requested) {
    return requested == Encoding::Auto ? guessEncoding(input) : requested;
}

std::string_view encodingName(Encoding encoding) {
    switch (encoding) {
    case Encoding::Latin1: return "latin1";
    case Encoding::Cp1252: return "cp1252";
    case Encoding::Utf8: return "utf-8";
    case Encoding::Auto: return "auto";
    }
    return "latin1";
}

std::optional<Encoding> encodingNamed(std::string_view name) {
    struct Entry {
        std::string_view name;
        Encoding encoding;
    };
    static constexpr Entry names[] = {
        {"latin1", Encoding::Latin1},     {"latin-1", Encoding::Latin1},
        {"iso-8859-1", Encoding::Latin1}, {"iso8859-1", Encoding::Latin1},
        {"cp1252", Encoding::Cp1252},     {"windows-1252", Encoding::Cp1252},
        {"utf-8", Encoding::Utf8},        {"utf8", Encoding::Utf8},
        {"auto", Encoding::Auto}};
    for (const Entry& entry : names) {
        if (entry.name.size() != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; same && i < name.size(); ++i) {
            char c = name[i] == '_' ? '-' : name[i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            same = c == entry.name[i];
        }
        if (same) return entry.encoding;
    }
    return std::nullopt;
}

} // namespace vqz2xml
