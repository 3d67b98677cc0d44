// What the stream-property layer puts into the slots of the layers below it.
#pragma once

namespace streamprops {

// Fills the phase layer's special-property store and kinematic-viscosity blend, the method
// sets' notice of a loaded set and the flash engine's specification values. The library's
// start calls it after the installs of the layers below.
void installSlots();

}  // namespace streamprops
