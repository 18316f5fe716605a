// The codes of a variable looked up by number: whole codes in a table, the rest by search.
#include "data/code_table.h"

#include <algorithm>
#include <cmath>

namespace datafile {

namespace {

// The widest span of whole codes looked up directly: a code list is short, but its codes may
// lie far apart (1, 2, 99999), and those are searched instead.
constexpr double maxDenseSpan = 4096;

bool isWhole(double number) { return std::isfinite(number) && number == std::trunc(number); }

} // namespace

void CodeTable::add(double number, std::int32_t index) { entries.emplace_back(number, index); }

void CodeTable::seal() {
    // A stable sort keeps the first of equal numbers in front, where find() meets it first.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    if (!entries.empty()) {
        lowest = entries.front().first;
        highest = entries.back().first;
    }
    double low = 0;
    double high = -1;
    for (const auto& [number, index] : entries) {
        if (!isWhole(number)) continue;
        if (high < low) low = high = number;
        low = std::min(low, number);
        high = std::max(high, number);
    }
    if (high < low || high - low >= maxDenseSpan) return;
    denseLow = low;
    dense.assign(static_cast<std::size_t>(high - low) + 1, -1);
    denseSize = static_cast<double>(dense.size());
    // Past 2^53 no whole number findWhole() is given lies in the table: an offset that none
    // reaches.
    denseFirst = std::abs(low) < 9007199254740992.0
                     ? static_cast<std::uint64_t>(static_cast<std::int64_t>(low))
                     : std::uint64_t{1} << 63;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (isWhole(it->first)) dense[static_cast<std::size_t>(it->first - low)] = it->second;
    }
}

bool CodeTable::allDense() const {
    return std::all_of(entries.begin(), entries.end(), [&](const auto& entry) {
        const double offset = entry.first - denseLow;
        return isWhole(entry.first) && offset >= 0 && offset < denseSize;
    });
}

std::int32_t CodeTable::search(double number) const {
    const auto it = std::lower_bound(entries.begin(), entries.end(), number,
                                     [](const auto& entry, double n) { return entry.first < n; });
    return it != entries.end() && it->first == number ? it->second : -1;
}

} // namespace datafile
