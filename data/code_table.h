// The codes of a variable looked up by number: whole codes in a table, the rest by search.
#pragma once

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
    std::int32_t find(double number) const;
    bool empty() const { return entries.empty(); }

  private:
    std::vector<std::pair<double, std::int32_t>> entries; // sorted by number once sealed
    std::vector<std::int32_t> dense; // for whole numbers from denseLow on
    double denseLow = 0;
};

} // namespace datafile
