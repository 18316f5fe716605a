// The XML output: a buffered byte sink with the indentation count all writers share.
#pragma once

#include <cstddef>
#include <ostream>
#include <string_view>
#include <vector>

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
    void write(std::string_view text);
    // `indent` blanks, the start of every line.
    void writeIndent();
    // Hands everything buffered to the sink and flushes it; false if the sink failed.
    bool flush();

    // Blanks in front of each line: four per open element.
    int indent = 0;

  private:
    void drain();

    std::ostream& sink;
    std::vector<char> buffer;
    std::size_t used = 0;
};
