// Records straight from their bytes to their CSV rows: the common fields' text made from their
// bytes, any other field decoded into its cells and written as the cells are.
#include "data/csv_row_writer.h"

#include "data/number_field.h"
#include "platform/compiler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>

namespace datafile {

namespace {

using vqz2xml::Field;
using vqz2xml::FieldKind;

// Character fields up to this width are copied into the row's room; wider ones make room of
// their own, the common way.
constexpr std::uint64_t textRoom = 256;
// Room past a row's end for the whole words and 16-byte groups written past a field's end.
constexpr std::size_t slack = 32;

bool isDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// Whether the bytes go into a CSV field as they are: ASCII (UTF-8 in every encoding), nothing
// that needs quotes.
bool isPlainText(std::string_view bytes) {
    for (const char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b >= 0x80 || c == ',' || c == '"' || c == '\r' || c == '\n') return false;
    }
    return true;
}

// Whether the 8 bytes from `offset` on lie in the record.
bool hasWord(std::string_view record, std::uint64_t offset) {
    return record.size() >= 8 && offset <= record.size() - 8;
}

// Whether a field of at most 8 bytes is known to be blank, read at once: a multiple with SPREAD
// often holds no code at all.
bool isBlank(std::string_view record, const vqz2xml::Field& field) {
#if defined(VQZ2XML_LITTLE_ENDIAN)
    if (field.width > 8 || !hasWord(record, field.offset)) return false;
    std::uint64_t word;
    std::memcpy(&word, record.data() + field.offset, 8);
    const std::uint64_t inField = field.width == 8 ? ~0ull : (1ull << (8 * field.width)) - 1;
    return ((word ^ 0x2020202020202020u) & inField) == 0;
#else
    (void)record;
    (void)field;
    return false;
#endif
}

// A multiple's columns, from `count` bytes of which `readable` may be read: ' ' and '0' write
// 0, '1' writes 1 (each byte with 0x10 set), each followed by a comma; false at any other byte.
// Up to 32 bytes past the columns' text may be written.
bool writeChoices(const char* bytes, std::size_t count, std::size_t readable, char* at) {
    std::size_t i = 0;
#if defined(VQZ2XML_SSE2)
    const __m128i commas = _mm_set1_epi8(',');
    for (; i < count && readable - i >= 16; i += 16) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const __m128i valid = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(c, _mm_set1_epi8(' ')),
                                                        _mm_cmpeq_epi8(c, _mm_set1_epi8('0'))),
                                           _mm_cmpeq_epi8(c, _mm_set1_epi8('1')));
        const unsigned wanted = count - i >= 16 ? 0xFFFFu : (1u << (count - i)) - 1;
        if ((static_cast<unsigned>(_mm_movemask_epi8(valid)) & wanted) != wanted) return false;
        const __m128i values = _mm_or_si128(c, _mm_set1_epi8(0x10));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(at + 2 * i), _mm_unpacklo_epi8(values, commas));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(at + 2 * i + 16),
                         _mm_unpackhi_epi8(values, commas));
    }
#else
    (void)readable;
#endif
    for (; i < count; ++i) {
        const char c = bytes[i];
        if (c != ' ' && c != '0' && c != '1') return false;
        at[2 * i] = static_cast<char>(c | 0x10);
        at[2 * i + 1] = ',';
    }
    return true;
}

enum class ShortRead { Blank, Digits, Other };

// What a field of one or two bytes reads as, by its bytes (a blank for the byte past a field of
// one): the number in the low byte, its text's length next (0 for a blank field), and the text
// in the two high bytes, the first lowest; otherPair for anything else.
constexpr std::uint32_t otherPair = 0xFFFFFFFF;

std::uint32_t pairRead(unsigned first, unsigned second) {
    const auto read = [](unsigned number, unsigned length, unsigned text) {
        return static_cast<std::uint32_t>(number | length << 8 | text << 16);
    };
    const bool digit1 = first - '0' < 10;
    const bool digit2 = second - '0' < 10;
    if (first == ' ' && second == ' ') return read(0, 0, 0);
    if (digit1 && second == ' ') return read(first - '0', 1, first);
    if (first == ' ' && digit2) return read(second - '0', 1, second);
    if (!digit1 || !digit2) return otherPair;
    const unsigned number = 10 * (first - '0') + (second - '0');
    return first == '0' ? read(number, 1, second) : read(number, 2, first | second << 8);
}

// Every two bytes' reading, the first byte lowest, made once for all writers.
const std::uint32_t* pairReads() {
    static const std::vector<std::uint32_t> reads = [] {
        std::vector<std::uint32_t> all(1 << 16);
        for (unsigned i = 0; i < all.size(); ++i) all[i] = pairRead(i & 0xFF, i >> 8);
        return all;
    }();
    return reads.data();
}

// The reading of a field of `width` bytes (1 or 2) at `bytes` from `pairs`, every reading of
// two bytes, the first byte lowest.
std::uint32_t readPair(const std::uint32_t* pairs, const char* bytes, std::uint64_t width) {
    const unsigned first = static_cast<unsigned char>(bytes[0]);
    const unsigned second = width == 2 ? static_cast<unsigned char>(bytes[1]) : ' ';
    return pairs[first | second << 8];
}

#if defined(VQZ2XML_LITTLE_ENDIAN)
constexpr std::uint64_t everyByte = 0x0101010101010101u;
constexpr std::uint64_t highBits = 0x8080808080808080u;

// The high bit of each byte that is zero, and of no other.
std::uint64_t zeroBytes(std::uint64_t word) {
    return ~(((word & ~highBits) + ~highBits) | word) & highBits;
}

std::uint64_t bytesOf(std::uint64_t word, char c) {
    return zeroBytes(word ^ (everyByte * static_cast<unsigned char>(c)));
}

// The high bit of each byte that is an ASCII digit.
std::uint64_t digitBytes(std::uint64_t word) {
    const std::uint64_t t = word ^ (everyByte * '0'); // a digit's value, the others above 9
    return ~(((t & ~highBits) + everyByte * (0x80 - 10)) | t) & highBits;
}

// Eight digits, the first in the lowest byte, as a number.
std::uint64_t eightDigits(std::uint64_t word) {
    word -= everyByte * '0';
    word = word * 10 + (word >> 8);
    word = (((word & 0x000000FF000000FFu) * (100 + (1000000ull << 32))) +
            (((word >> 16) & 0x000000FF000000FFu) * (1 + (10000ull << 32)))) >>
           32;
    return word & 0xFFFFFFFFu;
}

// A field of at most 8 bytes as one word, the first byte lowest, the bytes past it blanks.
std::uint64_t shortField(const char* bytes, std::uint64_t width) {
    std::uint64_t word;
    std::memcpy(&word, bytes, 8);
    const std::uint64_t inField = width >= 8 ? ~0ull : (1ull << (8 * width)) - 1;
    return (word & inField) | (everyByte * ' ' & ~inField);
}

// Where the digits of a short field are and what number they make.
struct ShortDigits {
    std::uint64_t number = 0;
    unsigned last = 0;  // the last digit's byte
    unsigned start = 0; // the first digit but leading zeros (the last digit when all are zeros)
};

// Blanks around digits, found with no branch on how many of each there are.
inline ShortRead readShort(std::uint64_t word, ShortDigits& read) {
    const std::uint64_t digits = digitBytes(word);
    if ((digits | bytesOf(word, ' ')) != highBits) return ShortRead::Other;
    if (digits == 0) return ShortRead::Blank;
    const unsigned first = compiler::lowestSetBit(digits) >> 3;
    const unsigned last = compiler::highestSetBit(digits) >> 3;
    if (digits != ((highBits >> (8 * (7 - last))) & (highBits << (8 * first)))) {
        return ShortRead::Other; // blanks among the digits
    }
    const unsigned shift = 8 * (7 - last); // the digits moved to the top, zeros before them
    const std::uint64_t kept = ((digits >> 7) * 0xFF) << shift;
    read.number = eightDigits(((word << shift) & kept) | (everyByte * '0' & ~kept));
    read.last = last;
    const std::uint64_t significant = (digits & ~bytesOf(word, '0')) | (0x80ull << (8 * last));
    read.start = compiler::lowestSetBit(significant) >> 3;
    return ShortRead::Digits;
}
#endif

// The number and the length of a pair's reading.
unsigned pairNumber(std::uint32_t read) { return read & 0xFF; }
unsigned pairLength(std::uint32_t read) { return read >> 8 & 0xFF; }

ShortRead readCode(const std::uint32_t* pairs, std::string_view record, std::uint64_t offset,
                   std::uint64_t width, std::uint64_t& number) {
    if (width <= 2 && offset + width <= record.size()) {
        const std::uint32_t read = readPair(pairs, record.data() + offset, width);
        number = pairNumber(read);
        return read == otherPair       ? ShortRead::Other
               : pairLength(read) == 0 ? ShortRead::Blank
                                       : ShortRead::Digits;
    }
#if defined(VQZ2XML_LITTLE_ENDIAN)
    if (width <= 8 && hasWord(record, offset)) {
        ShortDigits read;
        const ShortRead kind = readShort(shortField(record.data() + offset, width), read);
        number = read.number;
        return kind;
    }
#endif
    double value = 0;
    switch (readWholeNumber(vqz2xml::slice(record, offset, width), value)) {
    case WholeNumber::Blank: return ShortRead::Blank;
    case WholeNumber::Read: number = static_cast<std::uint64_t>(value); return ShortRead::Digits;
    case WholeNumber::Other: break;
    }
    return ShortRead::Other;
}

// The whole numbers from 0 to 2^53 in a range: [low, high], empty when low > high.
std::pair<std::uint64_t, std::uint64_t> wholeRange(std::pair<double, double> range) {
    constexpr double top = 9007199254740992.0;
    const double low = std::ceil(std::max(range.first, 0.0));
    const double high = std::floor(std::min(range.second, top));
    if (!(low <= high)) return {1, 0};
    return {static_cast<std::uint64_t>(low), static_cast<std::uint64_t>(high)};
}

} // namespace

CsvRowWriter::CsvRowWriter(const vqz2xml::RecordDecoder& decoder, bool withLabels)
    : labels(withLabels) {
    const State& state = vqz2xml::DecoderInternals::state(decoder);
    std::size_t longestLabel = 0;
    if (labels) {
        for (const vqz2xml::Variable& variable : state.survey.variables) {
            std::vector<std::string>& texts = labelTexts.emplace_back();
            for (const vqz2xml::Code& code : variable.values) {
                CsvBuffer text;
                appendField(text, code.label);
                texts.emplace_back(text.text());
                longestLabel = std::max(longestLabel, texts.back().size());
            }
        }
    }
    pairs = pairReads();
    denseCodes.push_back(-1);
    std::vector<std::size_t> denseAt(state.tables.size());
    for (std::size_t t = 0; t < state.tables.size(); ++t) {
        const std::vector<std::int32_t>& dense = state.tables[t].denseEntries();
        denseAt[t] = denseCodes.size();
        denseCodes.insert(denseCodes.end(), dense.begin(), dense.end());
    }
    std::size_t widest = 0;
    for (const Field& field : state.fields) {
        Step& step = steps.emplace_back();
        const CodeTable& table = state.tables[field.table];
        step.dense = denseAt[field.table];
        step.first = table.denseStart();
        step.count = table.denseEntries().size();
        step.search = !table.allDense();
        if (field.range) std::tie(step.low, step.high) = wholeRange(*field.range);
        step.offset = field.offset;
        step.shortField = field.width <= 8;
        step.inField = field.width >= 8 ? ~0ull : (1ull << (8 * field.width)) - 1;
        step.width = static_cast<std::uint8_t>(std::min<std::uint64_t>(field.width, 8));
        std::size_t room = 2 * field.columns;
        switch (field.kind) {
        case FieldKind::Single:
            step.kind = StepKind::Number;
            step.warns = true;
            room = std::max(maxNumberText, longestLabel) + 1;
            break;
        case FieldKind::Quantity:
            step.kind = StepKind::Number;
            step.warns = field.range.has_value();
            step.problem = vqz2xml::DataProblem::OutOfRange;
            room = std::max(maxNumberText, longestLabel) + 1;
            break;
        case FieldKind::Character:
            step.kind = StepKind::Text;
            room = static_cast<std::size_t>(std::min(field.width, textRoom)) + 1;
            break;
        case FieldKind::Logical:
            step.kind = StepKind::Logical;
            room = 2;
            break;
        case FieldKind::MultipleColumns: step.kind = StepKind::Columns; break;
        case FieldKind::MultipleSpread: step.kind = StepKind::Spread; break;
        }
        if (field.kind == FieldKind::MultipleColumns || field.kind == FieldKind::MultipleSpread)
            widest = std::max(widest, field.columns);
        if (step.kind == StepKind::Number && field.width <= 2) step.kind = StepKind::Pair;
        if (field.width == 0) step.kind = StepKind::NoField;
        rowRoom += room;
    }
    rowRoom += 2 + slack;
    noneChosen.reserve(2 * widest);
    for (std::size_t i = 0; i < widest; ++i) noneChosen += "0,";
}

void CsvRowWriter::writeRow(State& state, std::string_view record, std::size_t line,
                            CsvBuffer& out) const {
    state.startRecord(line);
    char* at = out.reserve(rowRoom);
    for (std::size_t index = 0; index < steps.size(); ++index) {
        const Step& step = steps[index];
        const Field& field = state.fields[index];
        // Each field's columns followed by commas, or nullptr when it is to be written from
        // its cells (with nothing counted or reported yet).
        char* next = nullptr;
        switch (step.kind) {
        case StepKind::NoField:
            std::memset(at, ',', field.columns);
            next = at + field.columns;
            break;
        case StepKind::Pair:
            next = step.offset + step.width <= record.size()
                       ? writePair(state, index, record, at)
                       : writeNumber(state, index, record, at);
            break;
        case StepKind::Number:
            next = step.shortField && hasWord(record, step.offset)
                       ? writeShortNumber(state, index, record, at)
                       : writeNumber(state, index, record, at);
            break;
        case StepKind::Text: next = writeText(step, field, record, at); break;
        case StepKind::Logical: next = writeLogical(field, record, at); break;
        case StepKind::Columns: next = writeColumns(state, field, record, at); break;
        case StepKind::Spread: next = writeSpread(state, field, record, at); break;
        }
        if (next) {
            at = next;
            continue;
        }
        out.setEnd(at);
        writeCells(state, field, record, out);
        at = out.reserve(rowRoom);
    }
    // Every column was followed by a comma: the last one's becomes the line end.
    if (!state.columns.empty()) --at;
    std::memcpy(at, "\r\n", 2);
    out.setEnd(at + 2);
    ++state.records;
}

// Blanks around at most 15 digits: the digits without their leading zeros, or the label of the
// code they make. Anything else is read the common way.
char* CsvRowWriter::writeNumber(State& state, std::size_t index, std::string_view record,
                                char* at) const {
    const Field& field = state.fields[index];
    const std::string_view bytes = vqz2xml::slice(record, field.offset, field.width);
    const char* const p = bytes.data();
    const std::size_t size = bytes.size();
    std::size_t i = 0;
    while (i < size && p[i] == ' ') ++i;
    if (i == size) {
        *at = ',';
        return at + 1;
    }
    const std::size_t first = i;
    std::uint64_t number = 0;
    for (; i < size && isDigit(p[i]); ++i) number = 10 * number + static_cast<unsigned>(p[i] - '0');
    const std::size_t end = i;
    if (end == first || end - first > 15) return nullptr;
    while (i < size && p[i] == ' ') ++i;
    if (i != size) return nullptr;
    const std::int32_t entry = lookUp(state, index, bytes, number);
    if (labels && entry >= 0) return writeLabel(field, entry, at);
    std::size_t start = first;
    while (start + 1 < end && p[start] == '0') ++start;
    std::memcpy(at, p + start, end - start);
    at[end - start] = ',';
    return at + (end - start) + 1;
}

// The same for a field of one or two bytes, both in the line.
char* CsvRowWriter::writePair(State& state, std::size_t index, std::string_view record,
                              char* at) const {
    const Step& step = steps[index];
    const char* const bytes = record.data() + step.offset;
    const std::uint32_t read = readPair(pairs, bytes, step.width);
    if (read == otherPair) return nullptr;
    const unsigned length = pairLength(read);
    if (length == 0) {
        *at = ',';
        return at + 1;
    }
    const std::uint64_t number = pairNumber(read);
    const std::uint64_t offset = number - step.first;
    const std::int32_t entry = denseCodes[offset < step.count ? step.dense + offset : 0];
    if (labels || entry < 0)
        return writeWhole(state, index, {bytes, step.width}, number, entry, at);
    at[0] = static_cast<char>(read >> 16);
    at[1] = static_cast<char>(read >> 24);
    at[length] = ',';
    return at + length + 1;
}

// A number read from the field's bytes: the entry settled, then its label or its digits (from
// the field's text, leading zeros left out).
char* CsvRowWriter::writeWhole(State& state, std::size_t index, std::string_view bytes,
                               std::uint64_t number, std::int32_t entry, char* at) const {
    entry = settle(state, index, bytes, number, entry);
    if (labels && entry >= 0) return writeLabel(state.fields[index], entry, at);
    const std::string_view text = trimBlanks(bytes);
    std::size_t start = 0;
    while (start + 1 < text.size() && text[start] == '0') ++start;
    std::memcpy(at, text.data() + start, text.size() - start);
    at[text.size() - start] = ',';
    return at + text.size() - start + 1;
}

#if defined(VQZ2XML_LITTLE_ENDIAN)
// The same for a field of at most 8 bytes with 8 bytes of the line from its start, read as one
// word: no branch on how many blanks and digits there are.
char* CsvRowWriter::writeShortNumber(State& state, std::size_t index, std::string_view record,
                                     char* at) const {
    const Step& step = steps[index];
    const char* const bytes = record.data() + step.offset;
    std::uint64_t word;
    std::memcpy(&word, bytes, 8);
    word = (word & step.inField) | (everyByte * ' ' & ~step.inField);
    ShortDigits read;
    const ShortRead kind = readShort(word, read);
    if (kind != ShortRead::Digits) {
        if (kind == ShortRead::Other) return nullptr;
        *at = ',';
        return at + 1;
    }
    const std::uint64_t offset = read.number - step.first;
    std::int32_t entry = denseCodes[offset < step.count ? step.dense + offset : 0];
    const bool inRange = (read.number >= step.low) & (read.number <= step.high);
    if ((entry < 0) & (step.search | (step.warns & !inRange))) {
        const std::size_t width = static_cast<std::size_t>(state.fields[index].width);
        entry = settle(state, index, {bytes, width}, read.number, entry);
    }
    if (labels && entry >= 0) return writeLabel(state.fields[index], entry, at);
    const std::uint64_t text = word >> (8 * read.start);
    std::memcpy(at, &text, 8);
    const std::size_t length = read.last - read.start + 1;
    at[length] = ',';
    return at + length + 1;
}
#else
char* CsvRowWriter::writeShortNumber(State& state, std::size_t index, std::string_view record,
                                     char* at) const {
    return writeNumber(state, index, record, at);
}
#endif

// The code list's entry for a number read from the field's bytes, with the warning it calls
// for, if any.
std::int32_t CsvRowWriter::lookUp(State& state, std::size_t index, std::string_view bytes,
                                  std::uint64_t number) const {
    const Step& step = steps[index];
    const std::uint64_t offset = number - step.first;
    return settle(state, index, bytes, number,
                  denseCodes[offset < step.count ? step.dense + offset : 0]);
}

// The entry once the codes outside the dense ones are searched, and the warning a number not in
// the list calls for given.
std::int32_t CsvRowWriter::settle(State& state, std::size_t index, std::string_view bytes,
                                  std::uint64_t number, std::int32_t entry) const {
    const Step& step = steps[index];
    const Field& field = state.fields[index];
    if (entry < 0 && step.search) entry = state.tables[field.table].findWhole(number);
    const bool inRange = number >= step.low && number <= step.high;
    if (entry < 0 && step.warns && !inRange) state.warn(field, field.offset, bytes, step.problem);
    return entry;
}

char* CsvRowWriter::writeLabel(const Field& field, std::int32_t entry, char* at) const {
    const std::string& label = labelTexts[field.table][static_cast<std::size_t>(entry)];
    std::memcpy(at, label.data(), label.size());
    at[label.size()] = ',';
    return at + label.size() + 1;
}

// Plain ASCII without trailing blanks, as it is.
char* CsvRowWriter::writeText(const Step& step, const Field& field, std::string_view record,
                              char* at) const {
    if (field.width > textRoom) return nullptr;
#if defined(VQZ2XML_LITTLE_ENDIAN)
    if (step.shortField && hasWord(record, step.offset)) {
        std::uint64_t word;
        std::memcpy(&word, record.data() + step.offset, 8);
        word = (word & step.inField) | (everyByte * ' ' & ~step.inField);
        const std::uint64_t quoted =
            bytesOf(word, ',') | bytesOf(word, '"') | bytesOf(word, '\r') | bytesOf(word, '\n');
        if (((word & highBits) | quoted) != 0) return nullptr;
        const std::uint64_t written = ~bytesOf(word, ' ') & highBits;
        const std::size_t length = written == 0 ? 0 : (compiler::highestSetBit(written) >> 3) + 1;
        std::memcpy(at, &word, 8);
        at[length] = ',';
        return at + length + 1;
    }
#endif
    const std::string_view text =
        trimTrailingBlanks(vqz2xml::slice(record, step.offset, field.width));
    if (!isPlainText(text)) return nullptr;
    std::copy(text.begin(), text.end(), at); // a field past the line's end has no bytes at all
    at[text.size()] = ',';
    return at + text.size() + 1;
}

// 1, 0 or blank.
char* CsvRowWriter::writeLogical(const Field& field, std::string_view record, char* at) const {
    if (field.width == 1 && field.offset < record.size()) {
        const char c = record[static_cast<std::size_t>(field.offset)];
        if (c != ' ' && c != '0' && c != '1') return nullptr;
        const bool blank = c == ' ';
        at[0] = blank ? ',' : c;
        at[1] = ',';
        return at + (blank ? 1 : 2);
    }
    const std::string_view text = trimBlanks(vqz2xml::slice(record, field.offset, field.width));
    if (!text.empty() && text != "1" && text != "0") return nullptr;
    if (!text.empty()) *at++ = text[0];
    *at = ',';
    return at + 1;
}

// A multiple's field holds a byte per code; codes past its end are not chosen, and a 1 past the
// last code is one not in the code list.
char* CsvRowWriter::writeColumns(State& state, const Field& field, std::string_view record,
                                 char* at) const {
    const std::string_view bytes = vqz2xml::slice(record, field.offset, field.width);
    const std::size_t read = std::min(field.columns, bytes.size());
    const std::size_t readable =
        bytes.empty() ? 0 : record.size() - static_cast<std::size_t>(field.offset);
    if (!writeChoices(bytes.data(), read, readable, at)) return nullptr;
    if (read < field.columns) {
        std::memcpy(at + 2 * read, noneChosen.data(), 2 * (field.columns - read));
    } else if (bytes.size() > field.columns) {
        const std::string_view extra = bytes.substr(field.columns);
        const std::size_t one = extra.find('1');
        if (one != std::string_view::npos) {
            state.warn(field, field.offset + field.columns + one, extra.substr(one, 1),
                       vqz2xml::DataProblem::Undeclared);
        }
    }
    return at + 2 * field.columns;
}

// Every code's column 0, then 1 for each code a subfield holds. The subfields are all read
// before anything is reported, so that a field read the common way reports nothing twice.
char* CsvRowWriter::writeSpread(State& state, const Field& field, std::string_view record,
                                char* at) const {
    std::memcpy(at, noneChosen.data(), 2 * field.columns);
    if (field.subfieldWidth == 0 || isBlank(record, field)) return at + 2 * field.columns;
    const std::uint64_t end = std::min<std::uint64_t>(field.offset + field.width, record.size());
    const CodeTable& table = state.tables[field.table];
    bool undeclared = false;
    // The subfields past the line's end read as blank.
    std::uint64_t s = 0;
    for (std::uint64_t offset = field.offset; s < field.subfields && offset < end;
         ++s, offset += field.subfieldWidth) {
        std::uint64_t code = 0;
        const ShortRead read =
            readCode(pairs, record, offset, std::min(field.subfieldWidth, end - offset), code);
        if (read == ShortRead::Other) return nullptr;
        if (read == ShortRead::Blank || code == 0) continue;
        const std::int32_t position = table.findWhole(code);
        if (position < 0) {
            undeclared = true;
        } else {
            at[2 * static_cast<std::size_t>(position)] = '1';
        }
    }
    s = 0;
    for (std::uint64_t offset = field.offset; undeclared && s < field.subfields && offset < end;
         ++s, offset += field.subfieldWidth) {
        std::uint64_t code = 0;
        const std::uint64_t width = std::min(field.subfieldWidth, end - offset);
        if (readCode(pairs, record, offset, width, code) == ShortRead::Digits && code != 0 &&
            table.findWhole(code) < 0) {
            state.warn(field, offset, vqz2xml::slice(record, offset, width),
                       vqz2xml::DataProblem::Undeclared);
        }
    }
    return at + 2 * field.columns;
}

// The field decoded into its cells, and the cells written as CsvWriter writes them.
void CsvRowWriter::writeCells(State& state, const Field& field, std::string_view record,
                              CsvBuffer& out) const {
    state.decode(field, record);
    for (std::size_t c = field.firstColumn; c < field.firstColumn + field.columns; ++c) {
        const vqz2xml::Cell& cell = state.cells[c];
        const vqz2xml::DataColumn& column = state.columns[c];
        std::optional<std::string_view> label;
        if (labels && cell.value >= 0 && column.kind != vqz2xml::ColumnKind::Boolean &&
            column.kind != vqz2xml::ColumnKind::Text) {
            label = state.survey.variables[column.variable]
                        .values[static_cast<std::size_t>(cell.value)]
                        .label;
        }
        appendCell(out, column.kind, cell, state.texts[c], label);
        out.append(",");
    }
}

} // namespace datafile
