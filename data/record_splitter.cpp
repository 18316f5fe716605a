// Splitting data bytes into records at their line ends, eight bytes at a time.
#include "vqz2xml/data.hpp"

#include <algorithm>
#include <cstring>

namespace vqz2xml {

namespace {

constexpr std::uint64_t ones = 0x0101010101010101u;
constexpr std::uint64_t highs = 0x8080808080808080u;

// Whether some byte of the word is zero (the classic test: exact, no false positives once the
// lowest marked byte is taken).
std::uint64_t zeroBytes(std::uint64_t word) { return (word - ones) & ~word & highs; }

// The offset of the first LF or CR at or after `at`, or the size when there is none.
std::size_t findLineEnd(std::string_view data, std::size_t at) {
    const char* bytes = data.data();
    const std::size_t size = data.size();
    for (; at + 8 <= size; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + at, 8);
        if ((zeroBytes(word ^ (ones * '\n')) | zeroBytes(word ^ (ones * '\r'))) != 0) break;
    }
    for (; at < size; ++at) {
        if (bytes[at] == '\n' || bytes[at] == '\r') return at;
    }
    return size;
}

} // namespace

bool RecordSplitter::next(std::string_view& record) {
    if (rest.empty()) return false;
    const std::size_t end = findLineEnd(rest, 0);
    record = rest.substr(0, end);
    std::size_t skip = end;
    if (end < rest.size()) {
        const bool crlf = rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n';
        skip += crlf ? 2 : 1;
    }
    rest.remove_prefix(skip);
    ++lines;
    return true;
}

std::size_t countRecords(std::string_view data) {
    RecordSplitter splitter(data);
    std::string_view record;
    while (splitter.next(record)) {
    }
    return splitter.line();
}

RecordStream::RecordStream(std::istream& in, std::size_t block)
    : input(in), buffer(std::max<std::size_t>(block, 16)),
      blockSize(std::max<std::size_t>(block, 16)) {}

// Moves the bytes not yet split to the front and reads more behind them, growing the buffer
// when a record fills it; false when nothing more could be read.
bool RecordStream::fill() {
    if (atEnd) return false;
    if (begin > 0) {
        std::memmove(buffer.data(), buffer.data() + begin, end - begin);
        end -= begin;
        begin = 0;
    }
    if (buffer.size() - end < blockSize / 2) buffer.resize(buffer.size() + blockSize);
    input.read(buffer.data() + end, static_cast<std::streamsize>(buffer.size() - end));
    const std::size_t got = static_cast<std::size_t>(input.gcount());
    end += got;
    total += got;
    if (!input) {
        atEnd = true;
        readFailed = input.bad();
    }
    return got > 0;
}

bool RecordStream::next(std::string_view& record) {
    for (;;) {
        const std::string_view pending(buffer.data() + begin, end - begin);
        const std::size_t at = findLineEnd(pending, scanned);
        scanned = at; // a long record is not scanned again after each block
        // A CR at the end of what was read may be the first half of CR LF.
        const bool complete =
            at < pending.size() && (pending[at] == '\n' || at + 1 < pending.size() || atEnd);
        if (complete) {
            record = pending.substr(0, at);
            const bool crlf =
                pending[at] == '\r' && at + 1 < pending.size() && pending[at + 1] == '\n';
            begin += at + (crlf ? 2 : 1);
            scanned = 0;
            ++lines;
            return true;
        }
        if (!fill()) {
            if (end == begin) return false;
            // A CR at the very end is a line end, now that the stream is known to end there.
            if (at < pending.size()) continue;
            record = std::string_view(buffer.data() + begin, end - begin);
            begin = end;
            scanned = 0;
            ++lines;
            return true;
        }
    }
}

} // namespace vqz2xml
