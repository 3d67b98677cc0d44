// The slots of the run-time services.
#include "services/slots.hpp"

namespace services {
namespace {

Slot<DisplayHook> displayHook("services::DisplayHook");

}  // namespace

DisplayHook fillDisplayHook(DisplayHook hook) { return displayHook.fill(hook); }

void displayLine(std::int32_t k, std::string_view text, std::int32_t mode) {
  if (const DisplayHook hook = displayHook.routine()) hook(k, text, mode);
}

}  // namespace services
