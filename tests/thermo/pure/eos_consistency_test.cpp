// Thermodynamic consistency of the cubic root solver with every family and mixing rule: the
// analytic temperature, pressure and composition derivatives against central differences,
// the departures against the derivatives of sum x ln phi, Gibbs-Duhem and symmetry.
#include <gtest/gtest.h>

#include <vector>

#include "eos_models.hpp"
#include "eos_support.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using namespace eos_test;

const std::vector<Component> kTernary = {kMethane, kPropane, kPentane};

// Vapour, liquid and a vapour close to the mixture's critical point.
std::vector<State> ternaryStates() {
  return {{"vapour", pure::kVapourPhase, 350.0, 1000.0, {0.6, 0.3, 0.1}},
          {"liquid", pure::kLiquidPhase, 280.0, 3000.0, {0.1, 0.3, 0.6}},
          {"near critical", pure::kVapourPhase, 420.0, 7000.0, {0.45, 0.35, 0.2}}};
}

TEST(EOSZRT, ConsistentForEveryFamilyAndMixingRule) {
  for (const Family* family : {&kSoave, &kPengRobinson, &kVanDerWaals}) {
    for (const NamedModel& rule : mixingRules(*family, kTernary)) {
      SCOPED_TRACE(rule.name);
      for (const State& s : ternaryStates()) checkConsistency(rule.model, *family, s);
    }
  }
}

// A pure fluid close to its critical point, on both sides of the saturation line.
TEST(EOSZRT, ConsistentForAPureFluidNearItsCriticalPoint) {
  const std::vector<Component> propane = {kPropane};
  for (const Family* family : {&kSoave, &kPengRobinson}) {
    const Model model = mixingRules(*family, propane).front().model;
    checkConsistency(model, *family, {"vapour", pure::kVapourPhase, 365.0, 3500.0, {1.0}});
    checkConsistency(model, *family, {"liquid", pure::kLiquidPhase, 365.0, 4500.0, {1.0}});
    checkConsistency(model, *family, {"supercritical", pure::kVapourPhase, 375.0, 4300.0, {1.0}});
  }
}

}  // namespace
