// The slots of the phase-property layer.
#include "thermo/phase/slots.hpp"

#include "services/slots.hpp"

namespace phase {
namespace {

SpecialPropertyStore store;
services::Slot<KinematicViscosityBlend> kinematicBlend;
services::Slot<WaterProperty> water;

}  // namespace

SpecialPropertyStore fillSpecialPropertyStore(SpecialPropertyStore filler) {
  const SpecialPropertyStore previous = store;
  store = filler;
  return previous;
}

void storeLoad(std::int32_t type, std::int32_t& ierr) {
  if (store.load == nullptr) {
    ierr = 1;
    return;
  }
  store.load(type, ierr);
}

void storeComponentValues(std::int32_t type, std::int32_t iprop, StoreEntry& entry,
                          std::int32_t& ierr) {
  if (store.componentValues == nullptr) {
    ierr = 1;
    return;
  }
  store.componentValues(type, iprop, entry, ierr);
}

void storeForget(std::int32_t type, std::int32_t iprop) {
  if (store.forget != nullptr) store.forget(type, iprop);
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
