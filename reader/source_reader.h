// Scanners over the classic input: keywords, quoted and angle texts, letters, digits and numbers.
#pragma once

#include "platform/compiler.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// Number of input bytes an error report shows of what was found.
constexpr std::size_t foundTextLength = 40;

inline bool isWhitespace(char c) { return (c >= 9 && c <= 13) || c == ' '; }
inline bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
inline bool isNumberChar(char c) { return isDigit(c) || c == '.' || c == '-'; }

// Reads the whole input, held in memory by the caller; positions are byte offsets into it. Texts
// handed out by the scanners are views into the input, so it must outlive every element that
// keeps one. Once a read has run past the end of the input the end-of-input state is set for
// good: every later scan fails and every read-back yields the empty text.
class SourceReader {
  public:
    using Position = std::size_t;

    explicit SourceReader(std::string_view input) : data(input) {}
    // The reader keeps no copy: a string that dies with the statement would leave it dangling.
    template <class Text, std::enable_if_t<std::is_same_v<Text, std::string>, int> = 0>
    explicit SourceReader(Text&& temporary) = delete;

    std::size_t size() const { return data.size(); }
    Position position() const { return pos; }
    void restore(Position to) { pos = to; }
    void mark() { markPos = pos; }
    void resetToMark() { pos = markPos; }
    bool atEnd() const { return endReached; }
    char getChar();

    // Up to n bytes from byte offset `from`, stopping before a zero byte or at the end of
    // the input (which sets the end-of-input state); empty once that state is set.
    std::string_view readBack(Position from, std::size_t n);
    // The up to foundTextLength bytes at the current position, for an error report.
    std::string_view captureFound();

    // Every failed recognition goes back in front of the white space it skipped and the next
    // one skips it again, so the last run skipped is remembered.
    void skipWhitespace() {
        if (atEnd()) return;
        if (pos == skippedFrom) {
            pos = skippedTo;
        } else {
            skippedFrom = pos;
            pos = skippedTo = blanksEnd(pos);
        }
        if (pos != skippedFrom) lastRead = data[pos - 1];
    }
    // The first byte behind the white space at the position, as an unsigned char, or -1 when
    // the input ends there; nothing about the reader changes.
    int peekBehindWhitespace() {
        if (atEnd()) return -1;
        if (pos != skippedFrom) {
            skippedFrom = pos;
            skippedTo = blanksEnd(pos);
        }
        return skippedTo < data.size() ? static_cast<unsigned char>(data[skippedTo]) : -1;
    }
    // Most attempts fail at the first byte, which is compared here before anything else.
    bool matchKeyword(std::string_view text) {
        skipWhitespace();
        mark();
        if (text.empty()) return true;
        if (atEnd()) return false;
        if (pos < data.size()) {
            if (foldCase(data[pos]) != text[0]) {
                lastRead = data[pos];
                return false;
            }
            if (text.size() == 1) { // a quote, say
                lastRead = data[pos++];
                return true;
            }
        }
#if defined(VQZ2XML_LITTLE_ENDIAN)
        if (text.size() <= 8 && data.size() - pos >= 8) return matchWord(text);
#endif
        return matchRest(text);
    }
    // KEYWORD "text": the text, or an empty one when the keyword stands alone; false with the
    // reader where it was when the keyword is not there. An empty keyword takes the text only.
    bool readKeywordString(std::string_view keyword, std::string_view& out) {
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
    // The text up to `closer` behind an opening quote or "<" just matched: a quoted text, or an
    // angle text with its nested sections. False, with the reader where it was, when the text
    // never closes or is empty up to a zero byte.
    bool readDelimited(std::string_view* out, char closer) {
        if (closer != '"') return readAngleText(out);
        const Position start = pos;
        mark();
        if (!readQuotedRest() || pos <= start) {
            resetToMark();
            return false;
        }
        if (out) {
            // The scan has noted where a zero byte cuts the text short.
            const Position end = quotedZero < pos - 1 ? quotedZero : pos - 1;
            *out = std::string_view(data.data() + start, end - start);
        }
        return true;
    }
    bool readLetter(char& out);
    bool readDigits(std::string_view& out);
    bool readNumber(std::string_view& out);

    // False only when `text` is known to hold no "{": a text just delivered by a quoted scan
    // that met none. Saves looking through the text again.
    bool mayHoldBrace(std::string_view text) const {
        const auto from = static_cast<Position>(text.data() - data.data());
        if (from == quotedFrom && from + text.size() <= quotedTo) return quotedBrace;
        return text.find('{') != std::string_view::npos;
    }

    // The line and the column (both from 1, the column in bytes) of byte offset `at`. A line
    // ends at a line feed, a carriage return and line feed, or a lone carriage return.
    struct LineColumn {
        std::size_t line;
        std::size_t column;
    };
    LineColumn lineColumn(Position at) const;
    // The offset of the first byte at or after `at` that is not white space; the size of the
    // input when there is none.
    Position nextNonBlank(Position at) const;

    int minorVersion() const { return minor; }
    void setMinorVersion(int n) { minor = n; }
    std::int64_t columnsUsed() const { return columns; }
    void setColumnsUsed(std::int64_t n) { columns = n; }

  private:
    // The offset of the first byte from `from` on that is not white space; `to` when none.
    static Position skipBlanks(const char* bytes, Position from, Position to);
    // The same over the input. Most runs are none at all or a single blank between two words,
    // and are told here; longer ones are scanned.
    Position blanksEnd(Position from) const {
        const Position size = data.size();
        if (from >= size || !isWhitespace(data[from])) return from;
        if (from + 1 >= size || !isWhitespace(data[from + 1])) return from + 1;
        return skipBlanks(data.data(), from + 2, size);
    }
    static char foldCase(char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    bool matchRest(std::string_view text);
    // The up to eight bytes of `text` as one word, the first byte lowest; nothing outside the
    // text is read.
    static std::uint64_t littleEndianWord(std::string_view text) {
        const std::size_t n = text.size();
        const char* const bytes = text.data();
        if (n >= 4) {
            std::uint32_t low;
            std::uint32_t high;
            std::memcpy(&low, bytes, 4);
            std::memcpy(&high, bytes + n - 4, 4); // overlaps `low` with the same bytes
            return std::uint64_t{low} | (std::uint64_t{high} << (8 * (n - 4)));
        }
        std::uint64_t word = 0;
        for (std::size_t i = 0; i < n; ++i) {
            word |= std::uint64_t{static_cast<unsigned char>(bytes[i])} << (8 * i);
        }
        return word;
    }
    // A keyword of up to eight characters compared with the eight bytes at the position in one
    // go: setting bit 5 folds a letter to lower case, and only where the keyword has a letter.
    // The keyword texts are lower case; with a literal, the compiler works out both words.
    bool matchWord(std::string_view text) {
        std::uint64_t word;
        std::memcpy(&word, data.data() + pos, 8);
        const std::uint64_t expected = littleEndianWord(text);
        // Bit 5 of each byte from "a" to "z": bytes of a keyword are below 0x80, so adding to
        // them carries into no other byte.
        constexpr std::uint64_t ones = 0x0101010101010101u;
        constexpr std::uint64_t highs = ones * 0x80;
        const std::uint64_t fromA = (expected + ones * (0x80 - 'a')) & highs;
        const std::uint64_t pastZ = (expected + ones * (0x80 - 'z' - 1)) & highs;
        const std::uint64_t letters = (fromA & ~pastZ) >> 2;
        const std::uint64_t compared =
            text.size() == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * text.size())) - 1;
        const std::uint64_t differs = ((word | letters) ^ expected) & compared;
        if (differs == 0) {
            pos += text.size();
            lastRead = data[pos - 1];
            return true;
        }
        lastRead = data[pos + static_cast<std::size_t>(compiler::lowestSetBit(differs) >> 3)];
        return false;
    }
    bool readQuotedRest();
    bool readAngleRest();
    bool readAngleText(std::string_view* out);
    template <bool (*inClass)(char)> bool readRun(std::string_view& out);
    std::size_t lineEndsBefore(Position to) const;
    Position lineStartBefore(Position to) const;

    static constexpr Position noPosition = static_cast<Position>(-1);

    std::string_view data; // the input
    Position pos = 0;
    Position skippedFrom = noPosition; // the last white-space run skipped: where it began
    Position skippedTo = noPosition;   // and where it ended
    Position markPos = 0;
    char lastRead = 0;
    bool endReached = false;
    int minor = 1;
    std::int64_t columns = 0;
    // The last quoted text scanned: where it lies, whether it holds a brace, where its first
    // zero byte is (noPosition when none).
    Position quotedFrom = noPosition;
    Position quotedTo = noPosition;
    bool quotedBrace = false;
    Position quotedZero = noPosition;
};
