// The progress line of an option-form run: files and bytes done so far.
#include "frontend/progress_line.h"

#include <algorithm>
#include <iterator>

std::string byteCount(std::uint64_t bytes) {
    if (bytes < 1000) return std::to_string(bytes) + " B";
    constexpr const char* units[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
    std::uint64_t unit = 1000;
    std::size_t index = 0;
    while (index + 1 < std::size(units) && bytes / unit >= 1000) {
        unit *= 1000;
        ++index;
    }
    const std::uint64_t tenths = bytes / (unit / 10);
    std::string number = std::to_string(tenths / 10);
    if (tenths < 100) number += '.' + std::to_string(tenths % 10); // one decimal below ten
    return number + ' ' + units[index];
}

std::string progressLine(const Progress& progress) {
    std::string line = "vqz2xml: " + std::to_string(progress.filesDone) + "/" +
                       std::to_string(progress.files) + " files, " +
                       std::to_string(progress.faulty) + " faulty, ";
    if (!progress.bytes) return line + byteCount(progress.bytesDone);
    // A file that grew after its size was taken must not show more done than there is.
    return line + byteCount(std::min(progress.bytesDone, *progress.bytes)) + " of " +
           byteCount(*progress.bytes);
}
