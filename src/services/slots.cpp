// The slots of the run-time services.
#include "services/slots.hpp"

namespace services {
namespace {

DisplayHook displayHook = nullptr;

}  // namespace

DisplayHook fillDisplayHook(DisplayHook hook) {
  const DisplayHook previous = displayHook;
  displayHook = hook;
  return previous;
}

void displayLine(std::int32_t k, std::string_view text, std::int32_t mode) {
  if (displayHook != nullptr) displayHook(k, text, mode);
}

}  // namespace services
