// The empty calls of the flash engine.
#include "flash/empty_calls.hpp"

namespace flash {

void ERSETU() {}

void OTHIST(std::int32_t /*a*/, std::string_view /*text*/, std::int32_t /*n*/) {}

}  // namespace flash
