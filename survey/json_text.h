// Texts as a JSON string holds them: the bytes that nlohmann's serializer writes unchanged (valid
// UTF-8 without a quote, a backslash or a control character) are copied, and whatever follows the
// first other character is left to the serializer. Its escapes depend on nothing in front of a
// character, so the two parts make the text it would have written whole.
#pragma once

#include "vqz2xml/survey.hpp"

#include <cstddef>
#include <string_view>

// How far a copy got: the bytes of the text read, and those written for them.
struct PlainCopy {
    std::size_t read;
    std::size_t written;
};

// Copies UTF-8 text to `to` (room for its size) as far as the serializer writes it unchanged;
// it stops at a character boundary.
PlainCopy copyPlain(std::string_view text, char* to);

// Writes a text of the internal form, read in `encoding`, to `to` (room for three bytes for each
// byte of it) as UTF-8, appendUtf8's, as far as the serializer writes that unchanged. It stops in
// front of a quote, a backslash, a control character, or a line break or the character 0 given
// by a mark.
PlainCopy copyPlainUtf8(std::string_view text, vqz2xml::Encoding encoding, char* to);

// The character that copyPlainUtf8 stopped in front of, at `at` of the text: an ASCII one to
// escape, or a line break or the character 0 given by a mark; and the bytes it takes there.
struct EscapedCharacter {
    char character;
    std::size_t length;
};
EscapedCharacter escapedCharacterAt(std::string_view text, std::size_t at);
