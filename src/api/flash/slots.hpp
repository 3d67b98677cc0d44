// What the flash and property calls put into the slots of the layers below them.
#pragma once

namespace api_flash {

// Fills the run-time services' display hook with the empty hook NOOPH4
// (api/flash/display_hook.cpp). The library's start calls it after the installs of the layers
// below.
void installSlots();

}  // namespace api_flash
