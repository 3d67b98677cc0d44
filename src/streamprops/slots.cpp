// The fillers of the lower layers' slots that the stream-property layer owns.
#include "streamprops/slots.hpp"

#include "streamprops/property_internal.hpp"

namespace streamprops {

void installSlots() {
  detail::installStoreSlots();
  detail::installKinematicViscositySlot();
  detail::installSpecificationSlot();
}

}  // namespace streamprops
