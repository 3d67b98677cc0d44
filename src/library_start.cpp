// The start of the library.
#include "library_start.hpp"

#include <mutex>

#include "api/flash/slots.hpp"
#include "flash/multiphase/slots.hpp"
#include "flash/slots.hpp"
#include "methods/slots.hpp"
#include "streamprops/slots.hpp"
#include "thermo/phase/slots.hpp"

namespace vendrakol {

void startLibrary() {
  static std::once_flag started;
  std::call_once(started, [] {
    // In the order of src/layers.txt (tests/check_slots.py checks it).
    methods::installSlots();
    phase::installSlots();
    flash::installSlots();
    multiphase::installSlots();
    api_flash::installSlots();
    streamprops::installSlots();
  });
}

}  // namespace vendrakol
