// Writes a generated survey (.vqz) of every variable type and a data file (.dat) of its records
// for the data benchmark, and the fixed-width column positions other readers are given.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view usage =
    "USE: data_generate <variables> <records> <basename>\n"
    "  writes basename.vqz, basename.dat and basename.cols (one line per column:\n"
    "  NAME KIND START END, the columns from 1, for fixed-width readers)\n";

// A fixed sequence, the same on every run and system.
class Random {
  public:
    std::uint64_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    unsigned below(unsigned n) { return static_cast<unsigned>(next() % n); }

  private:
    std::uint64_t state = 0x9E3779B97F4A7C15u;
};

enum class Kind { Single, Quantity, Character, Logical, Multiple, Spread };

struct Layout {
    Kind kind;
    int start;
    int width;
};

// Of every ten variables: four singles, two quantities, one of each other kind.
constexpr Kind pattern[10] = {Kind::Single,  Kind::Quantity, Kind::Single,   Kind::Character,
                              Kind::Logical, Kind::Single,   Kind::Multiple, Kind::Quantity,
                              Kind::Single,  Kind::Spread};

int widthOf(Kind kind) {
    switch (kind) {
    case Kind::Single: return 2;
    case Kind::Quantity: return 5;
    case Kind::Character: return 8;
    case Kind::Logical: return 1;
    case Kind::Multiple: return 5;
    case Kind::Spread: return 6;
    }
    return 1;
}

void writeVariable(std::ostream& out, std::size_t index, const Layout& v) {
    std::string name(1, 'V');
    name += std::to_string(index + 1);
    static constexpr const char* types[] = {"single",  "quantity", "character",
                                            "logical", "multiple", "multiple"};
    out << "VARIABLE " << index + 1 << "\n  NAME \"" << name << "\"\n  LABEL \"Question "
        << index + 1 << "\"\n  TYPE " << types[static_cast<int>(v.kind)] << "\n  POSITION "
        << v.start;
    if (v.width > 1) out << " TO " << v.start + v.width - 1;
    out << "\n";
    switch (v.kind) {
    case Kind::Single:
        out << "  VALUES\n";
        for (int c = 1; c <= 12; ++c) out << "    " << c << " \"Answer " << c << "\"\n";
        out << "    99 \"Refused\" SPECIAL\n  END VALUES\n";
        break;
    case Kind::Quantity:
        out << "  VALUES\n    0 TO 90000 WITH\n    99999 \"Don't know\" SPECIAL\n  END VALUES\n";
        break;
    case Kind::Character: out << "  SIZE 8\n"; break;
    case Kind::Logical: break;
    case Kind::Multiple:
        out << "  VALUES\n";
        for (int c = 1; c <= 5; ++c) out << "    \"Item " << c << "\"\n";
        out << "  END VALUES\n";
        break;
    case Kind::Spread: out << "  SPREAD 3 OF 2\n  VALUES\n    1 TO 20\n  END VALUES\n"; break;
    }
    out << "END VARIABLE\n\n";
}

void writeField(std::string& record, const Layout& v, Random& random) {
    char* at = &record[static_cast<std::size_t>(v.start - 1)];
    if (random.below(20) == 0) return; // one field in twenty left blank
    switch (v.kind) {
    case Kind::Single: {
        const unsigned code = random.below(40) == 0 ? 99 : 1 + random.below(12);
        at[0] = code >= 10 ? static_cast<char>('0' + code / 10) : ' ';
        at[1] = static_cast<char>('0' + code % 10);
        break;
    }
    case Kind::Quantity: {
        unsigned value = random.below(50) == 0 ? 99999 : random.below(90001);
        for (int i = 4; i >= 0; --i, value /= 10)
            at[i] = value == 0 && i < 4 ? ' ' : static_cast<char>('0' + value % 10);
        break;
    }
    case Kind::Character: {
        const unsigned length = 2 + random.below(7);
        for (unsigned i = 0; i < length; ++i) at[i] = static_cast<char>('a' + random.below(26));
        break;
    }
    case Kind::Logical: at[0] = random.below(2) ? '1' : '0'; break;
    case Kind::Multiple:
        for (int i = 0; i < 5; ++i) at[i] = random.below(3) == 0 ? '1' : '0';
        break;
    case Kind::Spread:
        for (int s = 0, chosen = static_cast<int>(random.below(4)); s < chosen; ++s) {
            const unsigned code = 1 + random.below(20);
            at[2 * s] = static_cast<char>('0' + code / 10);
            at[2 * s + 1] = static_cast<char>('0' + code % 10);
        }
        break;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << usage;
        return 2;
    }
    const std::size_t variables = std::strtoull(argv[1], nullptr, 10);
    const std::uint64_t records = std::strtoull(argv[2], nullptr, 10);
    const std::string base = argv[3];
    std::vector<Layout> layout;
    int next = 1;
    for (std::size_t i = 0; i < variables; ++i) {
        const Kind kind = pattern[i % 10];
        layout.push_back({kind, next, widthOf(kind)});
        next += widthOf(kind);
    }
    std::ofstream survey(base + ".vqz", std::ios::binary);
    survey << "VQZ\nVERSION 1.1\nSURVEY\nTITLE \"Generated survey\"\nRECORD A\n\n";
    for (std::size_t i = 0; i < layout.size(); ++i) writeVariable(survey, i, layout[i]);
    survey << "END RECORD\nEND SURVEY\nEND VQZ\n";

    std::ofstream columns(base + ".cols", std::ios::binary);
    static constexpr const char* kinds[] = {"single",  "quantity", "character",
                                            "logical", "multiple", "spread"};
    for (std::size_t i = 0; i < layout.size(); ++i) {
        columns << "V" << i + 1 << ' ' << kinds[static_cast<int>(layout[i].kind)] << ' '
                << layout[i].start << ' ' << layout[i].start + layout[i].width - 1 << '\n';
    }

    std::ofstream data(base + ".dat", std::ios::binary);
    std::vector<char> buffer(1 << 20);
    data.rdbuf()->pubsetbuf(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    Random random;
    std::string record(static_cast<std::size_t>(next - 1), ' ');
    for (std::uint64_t r = 0; r < records; ++r) {
        record.assign(static_cast<std::size_t>(next - 1), ' ');
        for (const Layout& v : layout) writeField(record, v, random);
        data << record << '\n';
    }
    data.close();
    std::cout << base << ".dat: " << records << " records of " << next << " bytes, " << variables
              << " variables\n";
    return data ? 0 : 1;
}
