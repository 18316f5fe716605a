// Brace codes of quoted texts and the escaping of texts into XML.
#pragma once

#include "reader/source_reader.h"

#include <cstddef>
#include <string>
#include <string_view>

class XmlOutput;

// The internal text form is one byte per character as typed. A zero byte never comes from the
// input (a quoted text ends before one), so the decoder uses it to introduce a two-byte mark: a
// zero byte followed by "n" is a line break from "{nl}", followed by "0" the character 0 from
// "{00}", followed by a byte from 0x80 up the Latin-1 character that a brace code such as "{e9}"
// names. So a character given by its code is never mistaken for a typed byte, which the writer
// may read as part of a UTF-8 sequence or as a Windows-1252 character.
constexpr char textMark = '\0';
constexpr char lineBreakMark = 'n';
constexpr char nulCharMark = '0';

// Rewrites `length` bytes at `text` in place into the internal form and returns the decoded
// text, which is never longer.
std::string_view decodeBraceCodes(char* text, std::size_t length);
// The same on a string, which is shortened to the decoded text.
std::string& decodeBraceCodes(std::string& text);

// A quoted text whose brace codes are decoded when it is written rather than when it is read:
// the parse pass only notes whether it may hold one, which takes the decoding off the parse
// pass when a write pass runs on a thread of its own. The input itself is never written to.
class CodedText {
  public:
    // Most texts hold no brace at all and are written as they stand.
    CodedText(const SourceReader& reader, std::string_view typed)
        : text(typed), coded(reader.mayHoldBrace(typed)) {}
    // A text whose codes are decoded already.
    explicit CodedText(std::string_view decoded) : text(decoded) {}

    // The text in the internal form: the text itself when it holds no code, or else decoded in
    // `room`, which it then lies in until `room` changes.
    std::string_view decoded(std::string& room) const {
        if (!coded) return text;
        if (room.size() < text.size()) room.resize(text.size());
        text.copy(room.data(), text.size());
        return decodeBraceCodes(room.data(), text.size());
    }

  private:
    std::string_view text;
    bool coded = false; // the text may hold a brace code
};

// Writes a text of the internal form: the characters XML reserves as entities, typed bytes from
// 0x80 up as references to the characters they stand for in the output's encoding, characters
// given by their code as references to that Latin-1 character, tab, line feed and carriage return
// as character references, and any other control character as its brace code ("{1f}").
void writeEscapedText(XmlOutput& out, std::string_view text);

// Writes a note's text, taken as typed, as the inside of an XML comment: each "-->" has its first
// hyphen written as "<", a control character other than tab, line feed and carriage return is
// written as its brace code, a byte from 0x80 up as the UTF-8 of its character (in Latin-1 and
// UTF-8 a valid UTF-8 sequence stays as it is, any other byte is a Latin-1 character), and a
// blank goes between two hyphens that would stand together.
void writeCommentText(XmlOutput& out, std::string_view text);
