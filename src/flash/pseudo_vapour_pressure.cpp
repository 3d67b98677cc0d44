// The single-phase decision by the pseudo-critical properties of the feed.
#include "flash/pseudo_vapour_pressure.hpp"

#include "flash/substitution.hpp"

namespace flash {

bool vapourLike(const IsothermalFlash& a) {
  constexpr double kLiquid = 0.0, kVapour = 1.0;
  double result = kLiquid, pr = 0.0, prs = 0.0;
  FLSPHC(2, 0, a.IOUT, a.NCOMP, a.Z, a.T, a.P, kLiquid, kVapour, result, pr, prs);
  return result == kVapour;
}

}  // namespace flash
