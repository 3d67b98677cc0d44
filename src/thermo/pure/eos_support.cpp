// Timing and argument checks shared by the equation-of-state kernels.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "problem/problem.hpp"
#include "services/services.hpp"
#include "thermo/pure/eos_internal.hpp"

namespace pure::eos_internal {

void shortArray(std::size_t have, std::size_t need, std::string_view routine,
                std::string_view what) {
  services::ERRITM("NEED", static_cast<std::int32_t>(need));
  services::ERRITM("HAVE", static_cast<std::int32_t>(have));
  std::string message = "ARRAY ";
  message += what;
  message += " IS SHORTER THAN THE CALL NEEDS";
  services::ABTRPT(" ", routine, routine, message);
}

}  // namespace pure::eos_internal
