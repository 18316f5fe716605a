// Whole inputs held in memory for a conversion: a named file, or standard input.
#pragma once

#include "platform/page_buffer.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>

namespace platform {

// The bytes of one input, held while it is converted: a big regular file is mapped read-only
// (its pages are the file's own in the system's cache, nothing is copied), anything else is
// read to its end.
class InputBytes {
  public:
    InputBytes() = default;
    ~InputBytes();
    InputBytes(InputBytes&& other) noexcept;
    InputBytes& operator=(InputBytes&& other) noexcept;
    InputBytes(const InputBytes&) = delete;
    InputBytes& operator=(const InputBytes&) = delete;

    std::string_view view() const { return {mapped ? mapped : buffer.data(), length}; }

    // Reads the file `name` (UTF-8) whole. On failure the input is empty and the error tells
    // why: a folder, say, or a file that cannot be opened.
    std::error_code readFile(const std::string& name);
    // Reads standard input to its end, byte for byte.
    std::error_code readStandardInput();

  private:
    void release() noexcept;

    PageBuffer buffer;            // the bytes read
    const char* mapped = nullptr; // or the file's map
    std::size_t length = 0;
};

} // namespace platform
