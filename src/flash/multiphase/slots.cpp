// The fillers of the flash layer's slots that this layer owns.
#include "flash/multiphase/slots.hpp"

namespace multiphase {

void installSlots() {}

}  // namespace multiphase
