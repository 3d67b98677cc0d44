// The warnings of the three-phase flashes.
#include "flash/multiphase/three_phase_notes.hpp"

#include <cstdint>
#include <string_view>

#include "flash/flash.hpp"
#include "flash/flash_print.hpp"
#include "services/services.hpp"

namespace multiphase {

void threePhaseWarning(std::int32_t idebug, std::int32_t level, std::int32_t iout,
                       std::string_view text, std::string_view quiet) {
  if (idebug >= level) {
    services::MSGPAR.composition.assign(text);
    if (idebug > 0) {
      flash::writef(iout, " ** WARNING ** %.*s", static_cast<int>(text.size()), text.data());
    }
    services::MSGOUT(flash::kFlashWarning);
  } else if (idebug > 0) {
    flash::writef(iout, " %.*s", static_cast<int>(quiet.size()), quiet.data());
  }
}

}  // namespace multiphase
