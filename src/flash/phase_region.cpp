// FLS3RG: the phase-region code of a three-phase split.
#include "flash/phase_region.hpp"

#include <cstdint>

#include "flash/flash_print.hpp"

namespace flash {
namespace {

void clampFraction(double& v) {
  if (v > 1.0) v = 1.0;
  if (v < 0.0) v = 0.0;
}

bool inside(double v) { return v > 0.0 && v < 1.0; }

PhaseRegion classify(double x, double y, double z) {
  if (inside(x) && inside(y) && inside(z)) return PhaseRegion::ThreePhase;
  if (y > 0.0) {
    if (inside(x)) return PhaseRegion::VapourLiquid1;
    if (z <= 0.0) return PhaseRegion::Vapour;
    if (z < 1.0) return PhaseRegion::VapourLiquid2;
    return PhaseRegion::Vapour;
  }
  if (z <= 0.0) return PhaseRegion::Liquid1;
  if (x > 0.0) return PhaseRegion::Liquid1Liquid2;
  return PhaseRegion::Liquid2;
}

}  // namespace

void FLS3RG(std::int32_t iout, std::int32_t idebug, double& thetax, double& thetay, double& thetaz,
            std::int32_t& iphtyp) {
  if (idebug > 0) {
    writef(iout, "ENTERED FLS3RG");
    writef(iout, " FLS3RG- THETAY THETAX THETAZ =%14.6E%14.6E%14.6E", thetay, thetax, thetaz);
  }
  clampFraction(thetay);
  clampFraction(thetax);
  clampFraction(thetaz);
  const double sum = thetay + thetax + thetaz;
  if (sum > 0.0) {
    thetay /= sum;
    thetax /= sum;
    thetaz /= sum;
  }
  iphtyp = 0;
  iphtyp = static_cast<std::int32_t>(classify(thetax, thetay, thetaz));
  if (idebug > 0) {
    writef(iout, " FLS3RG- THETAY THETAX THETAZ =%14.6E%14.6E%14.6E", thetay, thetax, thetaz);
    writef(iout, " LEAVING FLS3RG - IPHTYP=%2d", iphtyp);
  }
}

}  // namespace flash
