// The own search of the phase-fraction iteration FLASHR: the settings the entry hands it,
// its work arrays, and the search itself. Internal to the flash layer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "flash/phase_fraction.hpp"

namespace flash {

// Length of each of the two work arrays of FLASHR (the stored K-values of the flashes and
// the work of the start estimate and of the fixed-fraction flashes).
inline constexpr std::size_t kFractionWork = 500;
std::pair<std::array<double, kFractionWork>, std::array<double, kFractionWork>>& fractionWork();

// What the entry of FLASHR decided for its own search.
struct SearchSetting {
  std::int32_t debug = 0;
  double f1 = 1.0, f2 = 1.0;      // closure factors of the temperature and pressure bracket
  bool heldCheck = false;         // check the held fraction that the flash returned
  bool partialWater = false;      // a feed with some, but not only, water
  bool ownSearch = false;         // the fixed-fraction flashes cannot take the feed
  std::int32_t ihvdatOnEntry = 0; // state of the stored-estimate block on entry
};

// The own search: flashes at fixed T and P at trial values of T (ITPFIX 1) or P, a march to
// a change of sign of GFLSH, a bracketed search, one restart and a final step, with the
// root search of equation-of-state methods and the water handling. Sets A's JERR.
void runOwnSearch(FractionFlash& a, const SearchSetting& s);

}  // namespace flash
