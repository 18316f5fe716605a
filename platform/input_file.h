// Whole inputs held in memory for a conversion: a named file, or standard input.
#pragma once

#include "platform/page_buffer.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace platform {

// Why an input could not be taken, beyond what the system reports.
enum class InputError {
    // The file's size or modification time differed after it was read, or it ended elsewhere
    // than its size said: another program was writing it.
    ChangedWhileRead = 1,
};
const std::error_category& inputCategory();
std::error_code make_error_code(InputError error);

// The bytes of one input, read whole into memory: a copy that no later change of the file can
// touch, taken only when the file did not change while it was read.
class InputBytes {
  public:
    InputBytes() = default;
    InputBytes(InputBytes&& other) noexcept;
    InputBytes& operator=(InputBytes&& other) noexcept;
    InputBytes(const InputBytes&) = delete;
    InputBytes& operator=(const InputBytes&) = delete;

    std::string_view view() const { return {buffer.data(), length}; }

    // Reads the file `name` (UTF-8) whole. On failure the input is empty and the error tells
    // why: a folder, say, a file that cannot be opened, or InputError::ChangedWhileRead.
    std::error_code readFile(const std::string& name);
    // Reads standard input to its end, byte for byte.
    std::error_code readStandardInput();

    // For tests: called with a file's name once its bytes are read, before the file's state is
    // compared with the one before reading, so that a test can change the file right there.
    static void setReadHook(void (*hook)(const std::string& name));

  private:
    void release() noexcept;

    PageBuffer buffer; // the bytes read, and room for more
    std::size_t length = 0;
};

} // namespace platform

namespace std {
template <> struct is_error_code_enum<platform::InputError> : true_type {};
} // namespace std
