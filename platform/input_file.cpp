// The errors of inputs that every system reports alike.
#include "platform/input_file.h"

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

} // namespace platform
