// Scanners over the classic input: keywords, quoted and angle texts, letters, digits and numbers.
#include "reader/source_reader.h"

#include "platform/compiler.h"

#include <cstring>

namespace {

constexpr char endOfInput = '\xff';

// The offset of the first double quote, opening brace or zero byte from `from` on; `to` when
// there is none. Sixteen bytes are looked at a time where they lie within the input.
std::size_t findQuoteBraceOrZero(const char* bytes, std::size_t from, std::size_t to) {
#if defined(VQZ2XML_SSE2)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i brace = _mm_set1_epi8('{');
    const __m128i zero = _mm_setzero_si128();
    for (; to - from >= 16; from += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + from));
        const __m128i hits =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, quote), _mm_cmpeq_epi8(block, brace)),
                         _mm_cmpeq_epi8(block, zero));
        const int mask = _mm_movemask_epi8(hits);
        if (mask != 0) return from + compiler::lowestSetBit(static_cast<std::uint32_t>(mask));
    }
#endif
    while (from < to && bytes[from] != '"' && bytes[from] != '{' && bytes[from] != '\0') ++from;
    return from;
}

} // namespace

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

// White space comes mostly in short runs, a line end and an indentation: sixteen bytes are
// looked at a time where they lie within the input.
SourceReader::Position SourceReader::skipBlanks(const char* bytes, Position from, Position to) {
#if defined(VQZ2XML_SSE2)
    const __m128i blank = _mm_set1_epi8(' ');
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i controlRange = _mm_set1_epi8(4); // tab to carriage return: 9 to 13
    for (; to - from >= 16; from += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + from));
        const __m128i offset = _mm_sub_epi8(block, tab);
        const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(offset, controlRange), offset);
        const __m128i white = _mm_or_si128(control, _mm_cmpeq_epi8(block, blank));
        const auto other = static_cast<unsigned>(~_mm_movemask_epi8(white)) & 0xffffu;
        if (other != 0) return from + static_cast<Position>(compiler::lowestSetBit(other));
    }
#endif
    while (from < to && isWhitespace(bytes[from])) ++from;
    return from;
}

// Compares in place rather than byte by byte through getChar, with the same outcome: the
// position, the last byte read and the end-of-input state are as if each byte had been read.
bool SourceReader::matchRest(std::string_view text) {
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

// Reads on behind an opening double quote up to its closing one. Each "{" lets the byte after it
// pass unexamined, so "{"}" does not end the text. Every byte is looked at once, so any
// text reads in linear time; whether the text holds a brace or a zero byte is noted on the way.
bool SourceReader::readQuotedRest() {
    if (atEnd()) return false;
    const char* const bytes = data.data();
    const std::size_t size = data.size();
    quotedFrom = pos;
    // The pages of a mapped file lie anywhere in memory, and the processor's own look-ahead
    // stops at each page's end: ask for the input a little ahead.
    compiler::prefetchToRead(bytes + (size - pos > 1024 ? pos + 1024 : pos));
    quotedBrace = false;
    quotedZero = noPosition;
    std::size_t at = pos;
    while (at < size) {
        at = findQuoteBraceOrZero(bytes, at, size);
        if (at == size) break;
        if (bytes[at] == '"') {
            pos = at + 1;
            quotedTo = at;
            lastRead = '"';
            return true;
        }
        if (bytes[at] == '{') {
            quotedBrace = true;
            if (at + 1 < size && bytes[at + 1] == '\0' && quotedZero == noPosition) {
                quotedZero = at + 1;
            }
            at += 2; // the brace and the byte it lets pass
        } else {
            if (quotedZero == noPosition) quotedZero = at;
            ++at;
        }
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
            ++depth;
        }
    }
    return false;
}

bool SourceReader::readAngleText(std::string_view* out) {
    const Position start = pos;
    mark();
    if (!readAngleRest() || pos <= start) {
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

// The same outcome as reading byte by byte with a mark in front of each: the position and the
// mark behind the run, the byte that ended it as the last one read.
template <bool (*inClass)(char)> bool SourceReader::readRun(std::string_view& out) {
    skipWhitespace();
    mark();
    const Position start = pos;
    if (atEnd() || !inClass(getChar())) {
        resetToMark();
        return false;
    }
    Position end = pos;
    while (end < data.size() && inClass(data[end])) ++end;
    pos = markPos = end;
    if (end < data.size()) {
        lastRead = data[end];
    } else {
        endReached = true; // the run was ended by the end of the input
        lastRead = endOfInput;
    }
    // Taken straight from the buffer rather than read back: a run that ends the input keeps
    // its text although the end-of-input state is now set. A run never holds a zero byte.
    out = data.substr(start, end - start);
    return true;
}

bool SourceReader::readDigits(std::string_view& out) { return readRun<isDigit>(out); }

bool SourceReader::readNumber(std::string_view& out) { return readRun<isNumberChar>(out); }

// Line ends in front of byte offset `to`. A carriage return right in front of a line feed ends
// no line: the line feed does. The count runs without branches, so the compiler can take many
// bytes at a time.
std::size_t SourceReader::lineEndsBefore(Position to) const {
    if (to == 0) return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    const Position last = to < data.size() ? to : to - 1; // bytes with a byte behind them
    std::size_t ends = 0;
    constexpr Position block = 1 << 16; // counted in 32 bits, then added up
    for (Position blockStart = 0; blockStart < last; blockStart += block) {
        const Position blockEnd = last - blockStart < block ? last : blockStart + block;
        unsigned inBlock = 0;
        for (Position i = blockStart; i < blockEnd; ++i) {
            inBlock += static_cast<unsigned>(bytes[i] == '\n') +
                       static_cast<unsigned>((bytes[i] == '\r') & (bytes[i + 1] != '\n'));
        }
        ends += inBlock;
    }
    if (last < to) {
        ends += static_cast<std::size_t>(bytes[last] == '\n' || bytes[last] == '\r');
    }
    return ends;
}

// The offset behind the last line end in front of byte offset `to`; 0 when there is none.
SourceReader::Position SourceReader::lineStartBefore(Position to) const {
    for (Position i = to; i > 0; --i) {
        const char c = data[i - 1];
        if (c == '\n' || (c == '\r' && (i == data.size() || data[i] != '\n'))) return i;
    }
    return 0;
}

SourceReader::LineColumn SourceReader::lineColumn(Position at) const {
    if (at > data.size()) at = data.size();
    return {lineEndsBefore(at) + 1, at - lineStartBefore(at) + 1};
}

SourceReader::Position SourceReader::nextNonBlank(Position at) const {
    return at < data.size() ? blanksEnd(at) : data.size();
}
