// The flash and property calls: the display hook of the reports and messages.
#pragma once

#include <cstdint>
#include <string_view>

namespace api_flash {

// The display hook of the abort report and the numbered messages (the slot of
// services/slots.hpp), called with each line they have formed: the line's number, the line
// and the display mode (0 a message of level 1 to 3, 1 an abort, 2 an abort under the
// sixth diagnostic switch). It shows nothing.
void NOOPH4(std::int32_t a, std::string_view line, std::int32_t d);

}  // namespace api_flash
