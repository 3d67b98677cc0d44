// The code predicates of the method families tested in many places.
#include <cstdint>

#include "services/services.hpp"

namespace services {

bool CODE6X(std::int32_t code) {
  return (code >= 601 && code <= 660) || code == 705 || code == 706;
}

std::int32_t LMCODA(std::int32_t code) { return CODE6X(code) ? 1 : 0; }

bool LMCODB(std::int32_t code) {
  return code == 503 || code == 510 || code == 511 || code == 512;
}

}  // namespace services
