// The empty display hook, which the flash and property calls give the reports and messages.
#include "api/flash/api_flash.hpp"
#include "api/flash/slots.hpp"
#include "services/slots.hpp"

namespace api_flash {

void NOOPH4(std::int32_t /*a*/, std::string_view /*line*/, std::int32_t /*d*/) {}

void installSlots() { services::fillDisplayHook(&NOOPH4); }

}  // namespace api_flash
