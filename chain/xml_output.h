// The XML output: a buffered byte sink with the indentation count all writers share.
#pragma once

#include <cstddef>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// How typed bytes 0x80 to 0xFF of the input are read: one Latin-1 character each, Windows-1252
// characters, or UTF-8 sequences.
enum class Encoding { Latin1, Cp1252, Utf8 };

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
    // `indent` blanks, the start of every line. The usual depths are copied as one block of
    // fixed size, of which only `indent` bytes are kept.
    void writeIndent() {
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
    // Hands everything buffered to the sink and flushes it; false if the sink failed.
    bool flush();

    // Blanks in front of each line: four per open element.
    int indent = 0;
    // The encoding of the input the texts come from.
    Encoding encoding = Encoding::Latin1;
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

    std::ostream& sink;
    std::vector<char> buffer;
    char* cursor; // where the next byte goes
    char* limit;  // the end of the buffer
};
