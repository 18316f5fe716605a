// What inputs are alike on every system: their errors, and how their bytes are held.
#include "platform/input_file.h"

#include <utility>

namespace platform {
namespace {

class InputCategory : public std::error_category {
  public:
    const char* name() const noexcept override { return "vqz2xml input"; }
    std::string message(int value) const override {
        switch (static_cast<InputError>(value)) {
        case InputError::ChangedWhileRead: return "changed while it was read";
        }
        return "unknown input error";
    }
};

} // namespace

const std::error_category& inputCategory() {
    static const InputCategory category;
    return category;
}

std::error_code make_error_code(InputError error) {
    return {static_cast<int>(error), inputCategory()};
}

InputBytes::InputBytes(InputBytes&& other) noexcept
    : buffer(std::move(other.buffer)), length(std::exchange(other.length, 0)) {}

InputBytes& InputBytes::operator=(InputBytes&& other) noexcept {
    if (this != &other) {
        buffer = std::move(other.buffer);
        length = std::exchange(other.length, 0);
    }
    return *this;
}

void InputBytes::release() noexcept {
    buffer = PageBuffer();
    length = 0;
}

} // namespace platform
