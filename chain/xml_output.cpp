// The XML output: a buffered byte sink with the indentation count all writers share.
#include "chain/xml_output.h"

#include <cstring>

namespace {

constexpr std::size_t bufferSize = 1 << 16;

} // namespace

XmlOutput::XmlOutput(std::ostream& out) : sink(out), buffer(bufferSize) {}

XmlOutput::~XmlOutput() { drain(); }

void XmlOutput::drain() {
    if (used == 0) return;
    sink.write(buffer.data(), static_cast<std::streamsize>(used));
    used = 0;
}

void XmlOutput::write(std::string_view text) {
    if (text.size() > buffer.size() - used) {
        drain();
        if (text.size() >= buffer.size()) {
            sink.write(text.data(), static_cast<std::streamsize>(text.size()));
            return;
        }
    }
    std::memcpy(buffer.data() + used, text.data(), text.size());
    used += text.size();
}

void XmlOutput::writeIndent() {
    static constexpr std::string_view blanks = "                                                "
                                               "                ";
    for (int left = indent; left > 0;) {
        const auto count = static_cast<std::size_t>(left) < blanks.size()
                               ? static_cast<std::size_t>(left)
                               : blanks.size();
        write(blanks.substr(0, count));
        left -= static_cast<int>(count);
    }
}

bool XmlOutput::flush() {
    drain();
    sink.flush();
    return static_cast<bool>(sink);
}
