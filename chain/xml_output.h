// The XML output: a buffered byte sink with the indentation count all writers share.
#pragma once

#include <cstddef>
#include <cstring>
#include <ostream>
#include <string_view>
#include <vector>

// How typed bytes 0x80 to 0xFF of the input are read: one Latin-1 character each, Windows-1252
// characters, or UTF-8 sequences.
enum class Encoding { Latin1, Cp1252, Utf8 };

class XmlOutput {
  public:
    // Writes go to `sink` in large blocks; the sink must outlive the output.
    explicit XmlOutput(std::ostream& sink);
    ~XmlOutput();
    XmlOutput(const XmlOutput&) = delete;
    XmlOutput& operator=(const XmlOutput&) = delete;

    void put(char c) {
        if (used == buffer.size()) drain();
        buffer[used++] = c;
    }
    void write(std::string_view text) {
        if (text.empty()) return; // an empty view may have no bytes at all to copy from
        if (text.size() > buffer.size() - used) {
            writeLong(text);
            return;
        }
        std::memcpy(buffer.data() + used, text.data(), text.size());
        used += text.size();
    }
    // `indent` blanks, the start of every line.
    void writeIndent() {
        static constexpr std::string_view blanks = "                                ";
        if (indent > 0 && static_cast<std::size_t>(indent) <= blanks.size()) {
            write(blanks.substr(0, static_cast<std::size_t>(indent)));
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

  private:
    void drain();
    void writeLong(std::string_view text);
    void writeLongIndent();

    std::ostream& sink;
    std::vector<char> buffer;
    std::size_t used = 0;
};
