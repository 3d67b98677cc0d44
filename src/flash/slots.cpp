// The slots of the flash engine.
#include "flash/slots.hpp"

#include "flash/liquid_split.hpp"
#include "flash/water_values.hpp"
#include "services/slots.hpp"
#include "thermo/equilibrium/slots.hpp"
#include "thermo/phase/slots.hpp"

namespace flash {
namespace {

services::Slot<SpecificationValue> specification("flash::SpecificationValue");

}  // namespace

void installSlots() {
  equilibrium::fillLiquidSplit(&splitLiquid);
  phase::fillWaterProperty(&VFWATR);
}

SpecificationValue fillSpecificationValue(SpecificationValue routine) {
  return specification.fill(routine);
}

bool specificationValue(std::int32_t n, std::int32_t code, double& sval, double& vcalc, double& err,
                        double& tol, std::int32_t& notmet) {
  const SpecificationValue routine = specification.routine();
  if (routine == nullptr) {
    sval = vcalc = err = tol = 0.0;
    notmet = 1;
    return false;
  }
  routine(n, code, sval, vcalc, err, tol, notmet);
  return true;
}

}  // namespace flash
