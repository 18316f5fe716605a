// The XML output: a buffered byte sink that owns the layout of lines, their indentation and ends.
#include "chain/xml_output.h"

namespace {

constexpr std::size_t bufferSize = 1 << 16;

} // namespace

XmlOutput::XmlOutput(std::ostream& out)
    : sink(out), buffer(bufferSize), cursor(buffer.data()), limit(buffer.data() + buffer.size()) {}

XmlOutput::~XmlOutput() { drain(); }

void XmlOutput::drain() {
    if (cursor == buffer.data()) return;
    sink.write(buffer.data(), cursor - buffer.data());
    cursor = buffer.data();
}

void XmlOutput::writeLong(std::string_view text) {
    drain();
    if (text.size() >= buffer.size()) {
        sink.write(text.data(), static_cast<std::streamsize>(text.size()));
        return;
    }
    std::memcpy(cursor, text.data(), text.size());
    cursor += text.size();
}

void XmlOutput::writeLongIndent() {
    for (int left = indent; left > 0; --left) put(' ');
}

void XmlOutput::endTagLine(std::string_view name) {
    indent = indent > indentStep ? indent - indentStep : 0;
    startLine();
    write("</");
    write(name);
    put('>');
    endLine();
}

bool XmlOutput::flush() {
    drain();
    sink.flush();
    return static_cast<bool>(sink);
}
