// Telling from the bytes of an input which encoding its texts were typed in.
#pragma once

#include "vqz2xml/vqz2xml.hpp"

#include <string_view>

// The three bytes a UTF-8 editor may put in front of a file.
inline constexpr std::string_view byteOrderMark = "\xef\xbb\xbf";

inline bool startsWithByteOrderMark(std::string_view input) {
    return input.substr(0, byteOrderMark.size()) == byteOrderMark;
}

// Whether every byte from 0x80 up lies in a UTF-8 sequence the converter reads as one character
// (shortest form, no surrogate, neither U+FFFE nor U+FFFF). Plain ASCII is valid.
bool isValidUtf8(std::string_view text);

// Whether `input` starts with a byte-order mark or is valid UTF-8 holding at least one sequence
// of several bytes; the scan stops at the first byte that is not UTF-8.
bool looksLikeUtf8(std::string_view input);

// The encoding `input` most likely has: UTF-8 when it starts with a byte-order mark or is valid
// UTF-8 holding at least one sequence of several bytes; otherwise Windows-1252 when some byte
// lies in 0x80-0x9F, which Latin-1 leaves to control characters no text holds; otherwise
// Latin-1. One pass or two over the bytes, nothing allocated.
vqz2xml::Encoding guessEncoding(std::string_view input);
