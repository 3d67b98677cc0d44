// The fillers of the flash layer's slots that this layer owns.
#include "flash/multiphase/slots.hpp"

#include "flash/flash.hpp"
#include "flash/multiphase/gibbs_flash.hpp"

namespace multiphase {

void installSlots() {
  // Each entry on its own line: an entry another line has filled stays as it is.
  const flash::FlashAlgorithms& table = flash::flashAlgorithms();
  flash::fillMultiphaseAlgorithms(table.flas3p, table.fls3w1, &FLASGB);
}

}  // namespace multiphase
