// The warnings of the three-phase flashes.
#pragma once

#include <cstdint>
#include <string_view>

#include "flash/multiphase/three_phase_flash.hpp"

namespace multiphase {

// A warning of a three-phase flash: from the detail-print threshold LEVEL on, TEXT becomes
// message 1000000213 (and, with a debug level above 0, a " ** WARNING ** " line); below it,
// a debug level above 0 only writes QUIET on the print unit.
void threePhaseWarning(std::int32_t idebug, std::int32_t level, std::int32_t iout,
                       std::string_view text, std::string_view quiet);
inline void threePhaseWarning(const ThreePhaseSplit& s, std::string_view text,
                              std::string_view quiet) {
  threePhaseWarning(s.IDEBUG, s.LEVEL, s.IOUT, text, quiet);
}

}  // namespace multiphase
