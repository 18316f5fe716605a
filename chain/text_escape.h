// Brace codes of quoted texts and the escaping of texts into XML.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class SourceReader;
class XmlOutput;

// The internal text form is one byte per character. A zero byte never comes from the input (a
// quoted text ends before one), so the decoder uses it to introduce a two-byte mark: a zero
// byte followed by "n" is a line break from "{nl}", followed by "0" the character 0 from "{00}".
constexpr char textMark = '\0';
constexpr char lineBreakMark = 'n';
constexpr char nulCharMark = '0';

// Rewrites `length` bytes at `text` in place into the internal form and returns the decoded
// text, which is never longer.
std::string_view decodeBraceCodes(char* text, std::size_t length);
// The same on a quoted text that `reader` delivered, in the reader's own buffer.
std::string_view decodeBraceCodes(SourceReader& reader, std::string_view text);
// The same on a string, which is shortened to the decoded text.
std::string& decodeBraceCodes(std::string& text);

// Writes a text of the internal form: the characters XML reserves as entities, bytes from 0x80
// up as character references, tab, line feed and carriage return as character references, and
// any other control character as its brace code ("{1f}").
void writeEscapedText(XmlOutput& out, std::string_view text);
