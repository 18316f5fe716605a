// The codes of a variable looked up by number: whole codes in a table, the rest by search.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace datafile {

class CodeTable {
  public:
    // Adds a number standing for `index`; a number added before keeps its first index.
    void add(double number, std::int32_t index);
    // Makes the table ready for find(); nothing may be added afterwards.
    void seal();
    // The index of the number, or -1 when it is none of the table's.
    std::int32_t find(double number) const {
        if (!(number >= lowest && number <= highest)) return -1;
        const double offset = number - denseLow;
        if (offset >= 0 && offset < denseSize &&
            offset == static_cast<double>(static_cast<std::size_t>(offset))) {
            return dense[static_cast<std::size_t>(offset)];
        }
        return search(number);
    }
    // The same for a whole number below 2^53, with as few branches as may be: a code list's
    // numbers are mostly in the table, a quantity's mostly outside every entry.
    std::int32_t findWhole(std::uint64_t number) const {
        const std::uint64_t offset = number - denseFirst;
        const bool inDense = offset < dense.size();
        const std::int32_t entry = dense.empty() ? -1 : dense[inDense ? offset : 0];
        const double value = static_cast<double>(number);
        if (!inDense & (value >= lowest) & (value <= highest)) return search(value);
        return inDense ? entry : -1;
    }
    bool empty() const { return entries.empty(); }
    // The whole numbers looked up directly: entry i stands for denseStart() + i, modulo 2^64.
    const std::vector<std::int32_t>& denseEntries() const { return dense; }
    std::uint64_t denseStart() const { return denseFirst; }
    // Whether every number of the table is among them.
    bool allDense() const;

  private:
    std::int32_t search(double number) const;

    std::vector<std::pair<double, std::int32_t>> entries; // sorted by number once sealed
    std::vector<std::int32_t> dense;                      // for whole numbers from denseLow on
    double denseLow = 0;
    double denseSize = 0;
    std::uint64_t denseFirst = 0; // denseLow modulo 2^64
    double lowest = 1;            // the smallest and largest number once sealed; none when empty
    double highest = 0;
};

} // namespace datafile
