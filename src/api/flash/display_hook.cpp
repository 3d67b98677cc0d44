// The empty display hook.
#include "api/flash/api_flash.hpp"

namespace api_flash {

void NOOPH4(std::int32_t /*a*/, std::string_view /*line*/, std::int32_t /*d*/) {}

}  // namespace api_flash
