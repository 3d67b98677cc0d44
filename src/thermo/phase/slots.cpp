// The slots of the phase-property layer.
#include "thermo/phase/slots.hpp"

#include "services/slots.hpp"

namespace phase {
namespace {

services::Slot<StoreLoad> storeLoadSlot("phase::StoreLoad");
services::Slot<StoreComponentValues> storeValuesSlot("phase::StoreComponentValues");
services::Slot<StoreForget> storeForgetSlot("phase::StoreForget");
services::Slot<KinematicViscosityBlend> kinematicBlend("phase::KinematicViscosityBlend");
services::Slot<WaterProperty> water("phase::WaterProperty");

}  // namespace

SpecialPropertyStore fillSpecialPropertyStore(SpecialPropertyStore filler) {
  return {storeLoadSlot.fill(filler.load), storeValuesSlot.fill(filler.componentValues),
          storeForgetSlot.fill(filler.forget)};
}

void storeLoad(std::int32_t type, std::int32_t& ierr) {
  const StoreLoad routine = storeLoadSlot.routine();
  if (routine == nullptr) {
    ierr = 1;
    return;
  }
  routine(type, ierr);
}

void storeComponentValues(std::int32_t type, std::int32_t iprop, StoreEntry& entry,
                          std::int32_t& ierr) {
  const StoreComponentValues routine = storeValuesSlot.routine();
  if (routine == nullptr) {
    ierr = 1;
    return;
  }
  routine(type, iprop, entry, ierr);
}

void storeForget(std::int32_t type, std::int32_t iprop) {
  if (const StoreForget routine = storeForgetSlot.routine()) routine(type, iprop);
}

KinematicViscosityBlend fillKinematicViscosityBlend(KinematicViscosityBlend routine) {
  return kinematicBlend.fill(routine);
}

std::int32_t blendKinematicViscosity(std::int32_t method, std::int32_t basis, double t,
                                     std::span<const double> x, std::span<const double> a,
                                     std::span<const double> b, std::int32_t n, double r1,
                                     double r2, double& value) {
  const KinematicViscosityBlend routine = kinematicBlend.routine();
  if (routine == nullptr) return 1;
  return routine(method, basis, t, x, a, b, n, r1, r2, value);
}

WaterProperty fillWaterProperty(WaterProperty routine) { return water.fill(routine); }

std::int32_t waterProperty(std::int32_t iwopt, std::int32_t iphase, float t, float p, float& value,
                           float& derivative) {
  const WaterProperty routine = water.routine();
  if (routine == nullptr) return 1;
  routine(iwopt, iphase, t, p, value, derivative);
  return 0;
}

}  // namespace phase
