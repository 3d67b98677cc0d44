// The fillers of the flash layer's slots that this layer owns.
#include "flash/multiphase/slots.hpp"

#include "flash/flash.hpp"
#include "flash/multiphase/gibbs_flash.hpp"
#include "flash/multiphase/three_phase_flash.hpp"

namespace multiphase {

void installSlots() {
  const flash::FlashAlgorithms& table = flash::flashAlgorithms();
  flash::fillMultiphaseAlgorithms(&FLAS3P, table.fls3w1, &FLASGB);
}

}  // namespace multiphase
