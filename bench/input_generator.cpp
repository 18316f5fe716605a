// Large deterministic classic files for the benchmark: realistic surveys and pathological shapes.
#include "bench/input_generator.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>

namespace {

constexpr std::size_t flushThreshold = std::size_t{8} << 20;
constexpr std::size_t chunkSize = std::size_t{1} << 16;
constexpr std::uint64_t fixedSeed = 0x5eed2026;
// Room left for the statements that close a survey after its last variable.
constexpr std::uint64_t tailReserve = 4096;

// Splitmix64: tiny, fast, and the same sequence on every platform and library.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // A number from 0 to bound - 1.
    std::uint64_t below(std::uint64_t bound) { return next() % bound; }
    // A number from low to high, both included.
    std::uint64_t between(std::uint64_t low, std::uint64_t high) {
        return low + below(high - low + 1);
    }
    bool percent(unsigned chance) { return below(100) < chance; }

  private:
    std::uint64_t state;
};

// An output file written in blocks of several megabytes.
class BlockWriter {
  public:
    explicit BlockWriter(const std::string& fileName)
        : file(fileName, std::ios::binary | std::ios::trunc) {
        buffer.reserve(flushThreshold + chunkSize);
    }

    bool isOpen() const { return file.is_open(); }
    std::uint64_t written() const { return total + buffer.size(); }

    void write(std::string_view text) {
        buffer.append(text);
        if (buffer.size() >= flushThreshold) drain();
    }

    // `text` `times` times over, appended a chunk at a time.
    void repeat(std::string_view text, std::uint64_t times) {
        std::string chunk;
        const std::uint64_t perChunk = std::max<std::uint64_t>(1, chunkSize / text.size());
        for (std::uint64_t i = 0; i < perChunk; ++i) chunk.append(text);
        for (; times >= perChunk; times -= perChunk) write(chunk);
        for (; times > 0; --times) write(text);
    }

    bool finish() {
        drain();
        file.close();
        return !file.fail();
    }

  private:
    void drain() {
        file.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        total += buffer.size();
        buffer.clear();
    }

    std::ofstream file;
    std::string buffer;
    std::uint64_t total = 0;
};

void appendNumber(std::string& text, std::uint64_t number) {
    std::array<char, 24> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), number);
    text.append(digits.data(), static_cast<std::size_t>(result.ptr - digits.data()));
}

std::uint64_t decimalDigits(std::uint64_t number) {
    std::uint64_t digits = 1;
    for (; number >= 10; number /= 10) ++digits;
    return digits;
}

constexpr std::array<std::string_view, 48> words = {
    "how",       "often",     "do",     "you",    "household", "income",     "last",    "year",
    "are",       "satisfied", "with",   "your",   "work",      "education",  "highest", "level",
    "completed", "number",    "of",     "people", "living",    "at",         "this",    "address",
    "main",      "reason",    "for",    "moving", "health",    "general",    "would",   "say",
    "is",        "very",      "good",   "fair",   "poor",      "employment", "status",  "week",
    "hours",     "usually",   "worked", "per",    "region",    "born",       "country", "language"};

// Pieces that make a text exercise the escaping: brace codes, XML-special characters and
// typed bytes above 127. None contains a bare double quote or ends in "{".
constexpr std::array<std::string_view, 16> specials = {
    "{nl}", "{E9}", "{3c}",     "{3E}",   " & ",       " < ",      " > ", "'",
    "{\"}", "{22}", " caf{e9}", "{0d0a}", " na\xefve", "{41}{42}", "{}",  "{{}"};

// Appends a label of `wordCount` words; about `specialChance` percent of the gaps carry a
// brace code or an XML-special character.
void appendLabel(Random& random, std::string& text, std::uint64_t wordCount,
                 unsigned specialChance) {
    for (std::uint64_t i = 0; i < wordCount; ++i) {
        if (i > 0) text += ' ';
        std::string_view word = words[random.below(words.size())];
        if (i == 0) {
            text += static_cast<char>(word[0] - 'a' + 'A');
            word.remove_prefix(1);
        }
        text.append(word);
        if (random.percent(specialChance)) text.append(specials[random.below(specials.size())]);
    }
    if (random.percent(30)) text += '?';
}

enum class VariableKind { Single, Multiple, Quantity, Character, Logical };

VariableKind pickKind(Random& random) {
    const auto roll = random.below(100);
    if (roll < 35) return VariableKind::Single;
    if (roll < 50) return VariableKind::Multiple;
    if (roll < 70) return VariableKind::Quantity;
    if (roll < 85) return VariableKind::Character;
    return VariableKind::Logical;
}

std::string_view kindWord(VariableKind kind, bool lowerCase) {
    constexpr std::array<std::string_view, 5> upper = {"SINGLE", "MULTIPLE", "QUANTITY",
                                                       "CHARACTER", "LOGICAL"};
    constexpr std::array<std::string_view, 5> lower = {"single", "multiple", "quantity",
                                                       "character", "logical"};
    const auto index = static_cast<std::size_t>(kind);
    return lowerCase ? lower[index] : upper[index];
}

// Writes the statements of a realistic survey, one variable at a time, with CRLF line ends.
class SurveyWriter {
  public:
    SurveyWriter(BlockWriter& output, int minorVersion) : out(output), minor(minorVersion) {}

    void head();
    void variable();
    void tail() { out.write("END RECORD\r\nEND SURVEY\r\nEND VQZ\r\n"); }
    std::uint64_t variables() const { return count; }

    // Opens a variable with its identifier, name and label and leaves it open before TYPE.
    void openVariable(std::string_view labelText);
    // Closes a variable opened by openVariable as a one-column single variable.
    void closeOneColumnVariable();

  private:
    void statement(std::string_view indent, std::string_view text);
    void maybeNote(std::string_view indent);
    void position(std::uint64_t width);
    std::uint64_t codeList(std::uint64_t codes, bool allowRange);
    void single();
    void multiple();
    void quantity();
    void character();
    void logical();

    BlockWriter& out;
    Random random{fixedSeed};
    int minor;
    std::uint64_t count = 0;
    std::uint64_t column = 1;
    std::string line;
};

void SurveyWriter::statement(std::string_view indent, std::string_view text) {
    out.write(indent);
    out.write(text);
    out.write("\r\n");
}

void SurveyWriter::head() {
    out.write("VQZ\r\n");
    out.write(minor == 0 ? "VERSION 1.0\r\n" : "VERSION 1.1\r\n");
    out.write("DATE \"12 May 2026\"\r\n"
              "TIME \"10:15\"\r\n"
              "ORIGIN \"Bench & Co <synthetic> 'classic' {\"}data{\"}\"\r\n"
              "USER \"field team\"\r\n"
              "STANDARD NAMES\r\n"
              "NOTE \"Generated for the benchmark {nl} with a fixed seed\"\r\n"
              "<Angle note with <nested> brackets and \"a quoted > sign\">\r\n"
              "SURVEY\r\n"
              "TITLE \"Household panel {E9}dition & <annual> wave {nl} 'synthetic'\"\r\n"
              "RECORD A\r\n");
}

void SurveyWriter::maybeNote(std::string_view indent) {
    const auto roll = random.below(100);
    if (roll >= 5) return;
    line.clear();
    if (roll < 3) {
        line = "NOTE \"";
        appendLabel(random, line, random.between(3, 12), 20);
        line += '"';
    } else {
        line = "<Checked: ";
        appendLabel(random, line, random.between(3, 12), 0);
        line += " <by the {nl} field team> \"quoted > sign\">";
    }
    statement(indent, line);
}

void SurveyWriter::openVariable(std::string_view labelText) {
    ++count;
    line = "VARIABLE ";
    appendNumber(line, count);
    statement("  ", line);
    line = "NAME \"Q";
    appendNumber(line, count);
    if (random.percent(20)) line += "_a";
    line += '"';
    statement("    ", line);
    line = "LABEL \"";
    line.append(labelText);
    line += '"';
    statement("    ", line);
}

void SurveyWriter::closeOneColumnVariable() {
    out.write("    TYPE single\r\n");
    position(1);
    out.write("    VALUES\r\n      1 \"Yes\"\r\n    END VALUES\r\n  END VARIABLE\r\n");
}

void SurveyWriter::variable() {
    const VariableKind kind = pickKind(random);
    std::string label;
    appendLabel(random, label, random.between(4, 20), 8);
    openVariable(label);
    maybeNote("    ");
    line = "TYPE ";
    line.append(kindWord(kind, random.percent(10)));
    statement("    ", line);
    switch (kind) {
    case VariableKind::Single: single(); break;
    case VariableKind::Multiple: multiple(); break;
    case VariableKind::Quantity: quantity(); break;
    case VariableKind::Character: character(); break;
    case VariableKind::Logical: logical(); break;
    }
    maybeNote("    ");
    out.write("  END VARIABLE\r\n");
}

// Version 1.1 states the columns; version 1.0 computes them, so nothing is written there.
void SurveyWriter::position(std::uint64_t width) {
    if (minor == 0) return;
    line = "POSITION ";
    appendNumber(line, column);
    if (width > 1) {
        line += " TO ";
        appendNumber(line, column + width - 1);
    }
    statement("    ", line);
    column += width;
}

// A VALUES block of `codes` entries numbered from 1 (some as typed with a leading zero, some
// without a code at all), sometimes led by a range; returns the highest code written.
std::uint64_t SurveyWriter::codeList(std::uint64_t codes, bool allowRange) {
    out.write("    VALUES\r\n");
    std::uint64_t highest = codes;
    if (allowRange && random.percent(10)) {
        line = "      ";
        appendNumber(line, codes + 1);
        line += " TO ";
        highest = codes + 10;
        appendNumber(line, highest);
        if (random.percent(50)) line += " WITH";
        statement("", line);
    }
    for (std::uint64_t code = 1; code <= codes; ++code) {
        line = "      ";
        if (random.percent(4)) {
            line += '"'; // an entry without a code
        } else {
            if (codes >= 10 && code < 10 && random.percent(30)) line += '0';
            appendNumber(line, code);
            line += " \"";
        }
        appendLabel(random, line, random.between(1, 6), 6);
        line += '"';
        if (code == codes && random.percent(40)) line += " SPECIAL";
        statement("", line);
        if (random.percent(1)) maybeNote("      ");
    }
    out.write("    END VALUES\r\n");
    return highest;
}

void SurveyWriter::single() {
    const std::uint64_t codes =
        random.percent(5) ? random.between(100, 300) : random.between(2, 12);
    position(decimalDigits(codes + 10));
    codeList(codes, true);
}

void SurveyWriter::multiple() {
    const std::uint64_t codes = random.between(3, 25);
    position(codes);
    if (random.percent(60)) {
        line = "SPREAD ";
        appendNumber(line, codes);
        if (random.percent(50)) line += " OF 1";
        statement("    ", line);
    }
    codeList(codes, false);
}

void SurveyWriter::quantity() {
    const auto roll = random.below(100);
    if (roll < 50) {
        position(3);
        out.write("    SIZE 3\r\n");
    } else if (roll < 70 && minor == 0) {
        out.write("    SIZE 0 TO 250\r\n"); // version 1.0: a range, made into a code list
    } else {
        position(4);
        out.write("    VALUES\r\n      0 TO 120 WITH\r\n"
                  "      998 \"Don't know\" SPECIAL\r\n      999 \"Refused\" SPECIAL\r\n"
                  "    END VALUES\r\n");
    }
}

void SurveyWriter::character() {
    const std::uint64_t size = random.between(10, 80);
    position(size);
    line = "SIZE ";
    appendNumber(line, size);
    statement("    ", line);
}

void SurveyWriter::logical() {
    position(1);
    if (random.percent(30))
        out.write("    VALUES\r\n      0 \"No\"\r\n      1 \"Yes\"\r\n"
                  "    END VALUES\r\n");
}

std::uint64_t megabytesToBytes(double megabytes) {
    return megabytes <= 0 ? 0 : static_cast<std::uint64_t>(megabytes * 1e6);
}

GeneratedInput survey(BlockWriter& out, int minor, std::uint64_t target) {
    SurveyWriter writer(out, minor);
    writer.head();
    while (out.written() + tailReserve < target) writer.variable();
    writer.tail();
    return {0, writer.variables(), "variables"};
}

// A survey of one variable with `middle` standing between its label and its type.
template <class Middle> void oneVariableAround(BlockWriter& out, Middle middle) {
    SurveyWriter writer(out, 1);
    writer.head();
    writer.openVariable("Something unusual follows");
    middle();
    writer.closeOneColumnVariable();
    writer.tail();
}

GeneratedInput manyNotes(BlockWriter& out, std::uint64_t target) {
    // Both forms of a note, ten bytes each.
    const std::uint64_t notes = target / 10;
    oneVariableAround(out, [&] {
        out.repeat("NOTE \"a\"\r\n<abcdef>\r\n", notes / 2);
        if (notes % 2 != 0) out.write("NOTE \"a\"\r\n");
    });
    return {0, notes, "notes"};
}

GeneratedInput deepNesting(BlockWriter& out, std::uint64_t target) {
    const std::uint64_t depth = target / 2;
    oneVariableAround(out, [&] {
        out.repeat("<", depth);
        out.repeat(">", depth);
        out.write("\r\n");
    });
    return {0, depth, "levels"};
}

GeneratedInput arrows(BlockWriter& out, std::uint64_t target) {
    const std::uint64_t runs = target / 3;
    oneVariableAround(out, [&] {
        out.write("NOTE \"");
        out.repeat("-->", runs);
        out.write("\"\r\n");
    });
    return {0, runs, "\"-->\" runs"};
}

GeneratedInput minimalVariables(BlockWriter& out, std::uint64_t target) {
    // 62 bytes each while the identifiers have seven digits.
    const std::uint64_t variables = target / 62;
    SurveyWriter writer(out, 0);
    writer.head();
    std::string line;
    for (std::uint64_t i = 0; i < variables; ++i) {
        line = "VARIABLE ";
        appendNumber(line, 1000000 + i);
        line += " NAME \"V\" LABEL \"\" TYPE logical END VARIABLE\r\n";
        out.write(line);
    }
    writer.tail();
    return {0, variables, "variables"};
}

// Appends label text to `out` until `bytes` have been written; no double quote ends it.
std::uint64_t streamLabelText(BlockWriter& out, std::uint64_t bytes) {
    Random random(fixedSeed + 1);
    std::string piece;
    std::uint64_t written = 0;
    while (written < bytes) {
        piece.clear();
        appendLabel(random, piece, random.between(5, 40), 10);
        piece += ' ';
        out.write(piece);
        written += piece.size();
    }
    return written;
}

GeneratedInput bigLabel(BlockWriter& out, std::uint64_t target) {
    std::uint64_t labelBytes = 0;
    SurveyWriter writer(out, 1);
    writer.head();
    out.write("  VARIABLE 1\r\n    NAME \"Big\"\r\n    LABEL \"");
    labelBytes = streamLabelText(out, target);
    out.write("\"\r\n");
    writer.closeOneColumnVariable();
    writer.tail();
    return {0, labelBytes, "label bytes"};
}

GeneratedInput unclosedQuote(BlockWriter& out, std::uint64_t target) {
    SurveyWriter writer(out, 1);
    writer.head();
    while (out.written() + 2 * tailReserve < target) writer.variable();
    out.write("  VARIABLE 999999\r\n    NAME \"Last\"\r\n    LABEL \"This label never ends: ");
    streamLabelText(out, tailReserve);
    return {0, writer.variables(), "variables before the open quote"};
}

} // namespace

std::optional<InputKind> inputKindNamed(std::string_view name) {
    for (const InputKind kind :
         {InputKind::V11, InputKind::V10, InputKind::Notes, InputKind::Nested, InputKind::Arrows,
          InputKind::Variables, InputKind::BigLabel, InputKind::Unclosed}) {
        if (inputKindName(kind) == name) return kind;
    }
    return std::nullopt;
}

std::string_view inputKindName(InputKind kind) {
    switch (kind) {
    case InputKind::V11: return "v11";
    case InputKind::V10: return "v10";
    case InputKind::Notes: return "notes";
    case InputKind::Nested: return "nested";
    case InputKind::Arrows: return "arrows";
    case InputKind::Variables: return "variables";
    case InputKind::BigLabel: return "biglabel";
    case InputKind::Unclosed: return "unclosed";
    }
    return "";
}

bool expectsComplete(InputKind kind) { return kind != InputKind::Unclosed; }

std::optional<GeneratedInput> generateInput(InputKind kind, double megabytes,
                                            const std::string& fileName) {
    BlockWriter out(fileName);
    if (!out.isOpen()) return std::nullopt;
    const std::uint64_t target = megabytesToBytes(megabytes);
    GeneratedInput generated;
    switch (kind) {
    case InputKind::V11: generated = survey(out, 1, target); break;
    case InputKind::V10: generated = survey(out, 0, target); break;
    case InputKind::Notes: generated = manyNotes(out, target); break;
    case InputKind::Nested: generated = deepNesting(out, target); break;
    case InputKind::Arrows: generated = arrows(out, target); break;
    case InputKind::Variables: generated = minimalVariables(out, target); break;
    case InputKind::BigLabel: generated = bigLabel(out, target); break;
    case InputKind::Unclosed: generated = unclosedQuote(out, target); break;
    }
    generated.bytes = out.written();
    if (!out.finish()) return std::nullopt;
    return generated;
}
