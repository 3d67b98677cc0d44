// The fillers of the flash layer's slots that this layer owns.
#include "flash/multiphase/slots.hpp"

#include "flash/flash.hpp"
#include "flash/multiphase/three_phase_flash.hpp"

namespace multiphase {

void installSlots() {
  const flash::FlashAlgorithms& t = flash::flashAlgorithms();
  flash::fillMultiphaseAlgorithms(&FLAS3P, t.fls3w1, t.flasgb);
}

}  // namespace multiphase
