// The character sets typed bytes may come in: UTF-8 sequences and Windows-1252 characters.
#pragma once

#include <cstddef>
#include <string_view>

// The digits of hexadecimal numbers as the output writes them, in lower case.
inline constexpr char hexDigits[] = "0123456789abcdef";

// The length of the valid UTF-8 sequence that starts at `at` (two to four bytes, shortest form,
// no surrogate, neither U+FFFE nor U+FFFF), its code point stored in `codePoint`; 0 when the
// byte there starts no such sequence (an ASCII byte included).
std::size_t utf8SequenceAt(std::string_view text, std::size_t at, char32_t& codePoint);

// The character a byte stands for in Windows-1252; the five bytes it leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) stand for their Latin-1 character, as every other byte does.
char32_t windows1252Character(unsigned char b);

// Writes the UTF-8 encoding of `codePoint` (at most U+10FFFF) into `bytes` and returns its length.
std::size_t encodeUtf8(char32_t codePoint, char (&bytes)[4]);
