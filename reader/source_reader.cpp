// Scanners over the classic input: keywords, quoted and angle texts, letters, digits and numbers.
#include "reader/source_reader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool isWhitespace(char c) { return (c >= 9 && c <= 13) || c == ' '; }

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isNumberChar(char c) { return isDigit(c) || c == '.' || c == '-'; }

namespace {

constexpr char endOfInput = '\xff';

char foldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

} // namespace

SourceReader::SourceReader(std::string_view input) : storage(input.size()), opened(true) {
    input.copy(storage.data(), input.size());
    data = std::string_view(storage.data(), storage.size());
}

namespace {

// Below this a file is read rather than mapped: mapping costs more than it saves.
constexpr std::size_t smallestMappedFile = std::size_t{1} << 20;

// Reads `fd` to its end into `bytes`, which grows as needed; the size read, or -1 with errno set.
long long readToEnd(int fd, PageBuffer& bytes, std::size_t expected) {
    std::size_t used = 0;
    if (bytes.size() < expected + 1) bytes = PageBuffer(expected + 1);
    for (;;) {
        if (used == bytes.size()) {
            PageBuffer bigger(bytes.size() < 4096 ? 65536 : 2 * bytes.size());
            std::memcpy(bigger.data(), bytes.data(), used);
            bytes = std::move(bigger);
        }
        const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) return static_cast<long long>(used);
        used += static_cast<std::size_t>(got);
    }
}

} // namespace

bool SourceReader::open(const std::string& fileName) {
    opened = false;
    lastError = 0;
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        lastError = errno;
        return false;
    }
    struct stat status {};
    bool read = false;
    if (::fstat(fd, &status) != 0) {
        lastError = errno;
    } else if (S_ISDIR(status.st_mode)) {
        lastError = EISDIR;
    } else if (S_ISREG(status.st_mode) &&
               static_cast<std::size_t>(status.st_size) >= smallestMappedFile) {
        const auto size = static_cast<std::size_t>(status.st_size);
        PageBuffer mapped = PageBuffer::mapFile(fd, size);
        if (mapped.data()) {
            take(std::move(mapped), size);
            read = true;
        }
    }
    if (!read && lastError == 0) read = readAll(fd);
    ::close(fd);
    return read;
}

bool SourceReader::readAll(int fd) {
    opened = false;
    PageBuffer bytes;
    struct stat status {};
    const std::size_t expected = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)
                                     ? static_cast<std::size_t>(status.st_size)
                                     : 0;
    const long long size = readToEnd(fd, bytes, expected);
    if (size < 0) {
        lastError = errno;
        return false;
    }
    take(std::move(bytes), static_cast<std::size_t>(size));
    return true;
}

void SourceReader::take(PageBuffer bytes, std::size_t size) {
    storage = std::move(bytes);
    data = std::string_view(storage.data(), size);
    pos = markPos = 0;
    skippedFrom = skippedTo = noPosition;
    endReached = false;
    opened = true;
    lastError = 0;
}

char SourceReader::getChar() {
    if (atEnd()) return lastRead;
    if (pos >= data.size()) {
        endReached = true;
        lastRead = endOfInput;
        return lastRead;
    }
    lastRead = data[pos++];
    return lastRead;
}

std::string_view SourceReader::readBack(Position from, std::size_t n) {
    if (atEnd() || from > data.size()) return {};
    std::size_t length = n;
    if (data.size() - from < n) {
        length = data.size() - from;
        endReached = true;
    }
    const char* const begin = data.data() + from;
    if (const void* zero = std::memchr(begin, '\0', length)) {
        length = static_cast<std::size_t>(static_cast<const char*>(zero) - begin);
    }
    return {begin, length};
}

std::string_view SourceReader::captureFound() { return readBack(pos, foundTextLength); }

// Every failed recognition goes back in front of the white space it skipped and the next one
// skips it again, so the end of the last run skipped is remembered.
void SourceReader::skipWhitespace() {
    if (atEnd()) return;
    if (pos == skippedFrom) {
        pos = skippedTo;
    } else {
        skippedFrom = pos;
        while (pos < data.size() && isWhitespace(data[pos])) ++pos;
        skippedTo = pos;
    }
    if (pos != skippedFrom) lastRead = data[pos - 1];
}

int SourceReader::peekBehindWhitespace() {
    if (atEnd()) return -1;
    const Position from = pos;
    const char last = lastRead;
    skipWhitespace();
    const int next = pos < data.size() ? static_cast<unsigned char>(data[pos]) : -1;
    pos = from;
    lastRead = last;
    return next;
}

// Compares in place rather than byte by byte through getChar, with the same outcome: the
// position, the last byte read and the end-of-input state are as if each byte had been read.
bool SourceReader::matchKeyword(std::string_view text) {
    skipWhitespace();
    mark();
    if (text.empty()) return true;
    if (atEnd()) return false;
    const std::size_t available = data.size() - pos;
    const std::size_t comparable = available < text.size() ? available : text.size();
    std::size_t matched = 0;
    while (matched < comparable && foldCase(data[pos + matched]) == text[matched]) ++matched;
    if (matched == text.size()) {
        pos += matched;
        lastRead = data[pos - 1];
        return true;
    }
    if (matched == available) {
        endReached = true; // the keyword was cut off by the end of the input
        lastRead = endOfInput;
    } else {
        lastRead = data[pos + matched];
    }
    return false;
}

bool SourceReader::readKeywordString(std::string_view keyword, std::string_view& out) {
    mark();
    if (!matchKeyword(keyword)) {
        resetToMark();
        return false;
    }
    if (matchKeyword("\"")) return readDelimited(&out, '"');
    if (keyword.empty()) {
        resetToMark();
        return false;
    }
    out = {};
    return true;
}

// Reads on behind an opening double quote up to its closing one. Each "{" read lets the byte
// after it pass unexamined, so "{"}" does not end the text. Braces are looked for only in front
// of the next quote, and each stretch of input is searched once, so any text reads in linear time.
bool SourceReader::readQuotedRest() {
    if (atEnd()) return false;
    const char* const bytes = data.data();
    const std::size_t size = data.size();
    const auto find = [bytes](char wanted, std::size_t from, std::size_t to) {
        const void* found = std::memchr(bytes + from, wanted, to - from);
        return found ? static_cast<std::size_t>(static_cast<const char*>(found) - bytes) : to;
    };
    std::size_t at = pos;
    if (lastRead == '{') ++at; // only when a caller opened the text with a brace
    std::size_t quote = at < size ? find('"', at, size) : size;
    while (at < size) {
        const std::size_t brace = find('{', at, quote);
        if (brace == quote) {
            if (quote == size) break;
            pos = quote + 1; // the first quote examined ends the text
            lastRead = '"';
            return true;
        }
        at = brace + 2; // the brace and the byte it lets pass
        if (at < size && quote < at) quote = find('"', at, size);
    }
    pos = size;
    endReached = true;
    lastRead = endOfInput;
    return false;
}

// Reads on behind an opening "<" up to its matching ">". Nested angle sections and quoted
// sections are skipped whole; the nesting is counted, never recursed into, so any depth works.
bool SourceReader::readAngleRest() {
    std::size_t depth = 0;
    while (!atEnd()) {
        const char c = getChar();
        if (c == '>') {
            if (depth == 0) return true;
            --depth;
        } else if (c == '"') {
            mark();
            if (!readQuotedRest()) resetToMark();
        } else if (c == '<') {
            mark();
            ++depth;
        }
    }
    return false;
}

bool SourceReader::readDelimited(std::string_view* out, char closer) {
    const Position start = pos;
    mark();
    if (closer == '"') {
        readQuotedRest();
    } else {
        readAngleRest();
    }
    if (lastRead != closer || pos <= start) {
        resetToMark();
        return false;
    }
    if (out) *out = readBack(start, pos - start - 1);
    return true;
}

bool SourceReader::readLetter(char& out) {
    skipWhitespace();
    mark();
    const char c = getChar();
    if (atEnd() || !isLetter(c)) {
        resetToMark();
        return false;
    }
    out = c;
    return true;
}

bool SourceReader::readRun(std::string_view& out, bool (*inClass)(char)) {
    skipWhitespace();
    mark();
    const Position start = pos;
    if (atEnd() || !inClass(getChar())) {
        resetToMark();
        return false;
    }
    do {
        mark();
    } while (!atEnd() && inClass(getChar()));
    resetToMark();
    // Taken straight from the buffer rather than read back: a run that ends the input keeps
    // its text although the end-of-input state is now set. A run never holds a zero byte.
    out = data.substr(start, pos - start);
    return true;
}

bool SourceReader::readDigits(std::string_view& out) { return readRun(out, isDigit); }

bool SourceReader::readNumber(std::string_view& out) { return readRun(out, isNumberChar); }

char* SourceReader::editable(std::string_view text) {
    if (text.empty()) return nullptr;
    skippedFrom = skippedTo = noPosition;
    const auto from = static_cast<Position>(text.data() - data.data());
    pendingRewrite = {from, from + text.size(), 0, noPosition};
    if (std::memchr(text.data(), '\n', text.size()) ||
        std::memchr(text.data(), '\r', text.size())) {
        pendingRewrite.typedLineEnds = lineEnds(pendingRewrite.from, pendingRewrite.to);
        pendingRewrite.typedLineStart = lineStartIn(pendingRewrite.from, pendingRewrite.to);
    }
    return storage.data() + from;
}

void SourceReader::rewritten(std::string_view text) {
    if (text.empty() || static_cast<Position>(text.data() - data.data()) != pendingRewrite.from)
        return;
    const bool holdsLineEnd =
        std::memchr(text.data(), '\n', text.size()) || std::memchr(text.data(), '\r', text.size());
    if (holdsLineEnd || pendingRewrite.typedLineEnds > 0) rewrites.push_back(pendingRewrite);
}

// Line ends among the bytes from `from` to `to`. A carriage return right in front of a line
// feed ends no line: the line feed does. The count runs without branches, so the compiler can
// take many bytes at a time.
std::size_t SourceReader::lineEnds(Position from, Position to) const {
    if (from >= to) return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    const Position last = to < data.size() ? to : to - 1; // bytes with a byte behind them
    std::size_t ends = 0;
    for (Position i = from; i < last; ++i) {
        ends += static_cast<std::size_t>(bytes[i] == '\n') +
                static_cast<std::size_t>(bytes[i] == '\r' && bytes[i + 1] != '\n');
    }
    if (last < to) {
        ends += static_cast<std::size_t>(bytes[last] == '\n' || bytes[last] == '\r');
    }
    return ends;
}

// The offset behind the last line end among the bytes from `from` to `to`; noPosition when
// there is none.
SourceReader::Position SourceReader::lineStartIn(Position from, Position to) const {
    for (Position i = to; i > from; --i) {
        const char c = data[i - 1];
        if (c == '\n' || (c == '\r' && (i == data.size() || data[i] != '\n'))) return i;
    }
    return noPosition;
}

// Counted on the bytes as they now stand, then mended for the rewritten texts, which lie
// between quotes: a line end never spans their edges.
SourceReader::LineColumn SourceReader::lineColumn(Position at) {
    if (at > data.size()) at = data.size();
    std::size_t ends = lineEnds(0, at);
    for (const RewrittenText& text : rewrites) {
        if (text.to > at) break;
        ends = ends - lineEnds(text.from, text.to) + text.typedLineEnds;
    }
    Position start = 0;
    Position scanTo = at;
    for (auto text = rewrites.rbegin();; ++text) {
        while (text != rewrites.rend() && text->to > scanTo) ++text;
        const Position scanFrom = text == rewrites.rend() ? 0 : text->to;
        start = lineStartIn(scanFrom, scanTo);
        if (start != noPosition) break;
        if (text == rewrites.rend()) {
            start = 0;
            break;
        }
        start = text->typedLineStart;
        if (start != noPosition) break;
        scanTo = text->from;
    }
    return {ends + 1, at - start + 1};
}

SourceReader::Position SourceReader::nextNonBlank(Position at) const {
    while (at < data.size() && isWhitespace(data[at])) ++at;
    return at < data.size() ? at : data.size();
}
