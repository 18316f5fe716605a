// Whether the standard streams are attached to a terminal.
#pragma once

namespace platform {

enum class StandardStream { Input, Output, Error };

bool isTerminal(StandardStream stream);

} // namespace platform
