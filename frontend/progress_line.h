// The progress line of an option-form run: files and bytes done so far.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// How far a run has come.
struct Progress {
    std::size_t filesDone = 0;
    std::size_t files = 0;
    std::size_t faulty = 0;
    std::uint64_t bytesDone = 0;
    std::optional<std::uint64_t> bytes; // none when some input's size is not known beforehand
};

// A number of bytes as people read it, in powers of 1000 and rounded down: "0 B", "999 B",
// "1.5 kB", "12 kB", "999 MB", "2.0 GB".
std::string byteCount(std::uint64_t bytes);

// "vqz2xml: 1/3 files, 0 faulty, 1.5 MB of 2.0 GB", or "..., 1.5 MB" when the whole is not known.
std::string progressLine(const Progress& progress);
