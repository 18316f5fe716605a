// The XML output: a buffered byte sink that owns the layout of lines, their indentation and ends.
#pragma once

#include "vqz2xml/vqz2xml.hpp"

#include <cstddef>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// The output has cache lines of its own: with a writer's thread its cursor moves with every
// text written, and a line shared with what the parse pass writes would stall both.
class alignas(64) XmlOutput { // 64 bytes: a cache line
  public:
    // Writes go to `sink` in large blocks; the sink must outlive the output.
    explicit XmlOutput(std::ostream& sink);
    ~XmlOutput();
    XmlOutput(const XmlOutput&) = delete;
    XmlOutput& operator=(const XmlOutput&) = delete;

    void put(char c) {
        if (cursor == limit) drain();
        *cursor++ = c;
    }
    void write(std::string_view text) {
        if (text.size() > static_cast<std::size_t>(limit - cursor)) {
            writeLong(text);
            return;
        }
        copySmall(cursor, text.data(), text.size());
        cursor += text.size();
    }
    // Room for `n` more bytes at the cursor, at most the buffer's size, for a writer that fills
    // it in place and then moves the cursor behind what it filled with `advance`.
    char* room(std::size_t n) {
        if (n > static_cast<std::size_t>(limit - cursor)) drain();
        return cursor;
    }
    void advance(std::size_t n) { cursor += n; }
    // The start of every line: four blanks for each element open around it. The usual depths
    // are copied as one block of fixed size, of which only the blanks needed are kept.
    void startLine() {
        static constexpr char blanks[] = "                                ";
        constexpr std::size_t block = sizeof blanks - 1;
        if (indent > 0 && static_cast<std::size_t>(indent) <= block &&
            static_cast<std::size_t>(limit - cursor) >= block) {
            std::memcpy(cursor, blanks, block);
            cursor += indent;
        } else if (indent > 0) {
            writeLongIndent();
        }
    }
    // The end of every line.
    void endLine() { write("\r\n"); }
    // A whole line: its indentation, `text` and its end.
    void line(std::string_view text) {
        startLine();
        write(text);
        endLine();
    }
    // The lines from here on lie inside an element just opened: one level deeper.
    void nest() { indent += indentStep; }
    // Closes the innermost open element: one level up (never left of the margin), then its end
    // tag "</name>" on a line of its own.
    void endTagLine(std::string_view name);
    // "<name>" at the start of a line, to be followed by the element's text on the same line
    // and `endTextElement`.
    void startTextElement(std::string_view name) {
        startLine();
        put('<');
        write(name);
        put('>');
    }
    // "</name>" and the end of the line.
    void endTextElement(std::string_view name) {
        write("</");
        write(name);
        put('>');
        endLine();
    }
    // Hands everything buffered to the sink and flushes it; false if the sink failed.
    bool flush();

    // The encoding of the input the texts come from.
    vqz2xml::Encoding encoding = vqz2xml::Encoding::Latin1;
    // Where a text with brace codes is decoded right before it is written: the writers' own,
    // reused from text to text.
    std::string decodingRoom;

  private:
    // Short texts are copied as two overlapping words rather than through a call; nothing is
    // read outside the text.
    static void copySmall(char* to, const char* from, std::size_t n) {
        if (n >= 8 && n <= 16) {
            std::memcpy(to, from, 8);
            std::memcpy(to + n - 8, from + n - 8, 8);
        } else if (n >= 4 && n < 8) {
            std::memcpy(to, from, 4);
            std::memcpy(to + n - 4, from + n - 4, 4);
        } else if (n > 0 && n < 4) {
            to[0] = from[0];
            to[n / 2] = from[n / 2];
            to[n - 1] = from[n - 1];
        } else if (n > 16) {
            std::memcpy(to, from, n);
        }
    }
    void drain();
    void writeLong(std::string_view text);
    void writeLongIndent();

    static constexpr int indentStep = 4;

    std::ostream& sink;
    std::vector<char> buffer;
    char* cursor;   // where the next byte goes
    char* limit;    // the end of the buffer
    int indent = 0; // blanks in front of each line
};
