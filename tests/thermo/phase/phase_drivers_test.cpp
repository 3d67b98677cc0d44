// The phase enthalpy and entropy drivers: the thermodynamic identities Cp = dH/dT and
// (dS/dT)_P = Cp/T over every method family on a vapour, a liquid and a near-critical state,
// the Peng-Robinson departures against the published closed forms written out here, the
// Euler sum of the partial enthalpies, the water rows, empty compositions, the pseudo-root
// signal of the K-values left alone, and warm calls without allocation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "support/allocation_counter.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/phase/phase.hpp"
#include "thermo/pure/correlation_sets.hpp"
#include "thermo/pure/pure.hpp"
#include "../equilibrium/vapour_fugacity_support.hpp"

namespace {

using density_test::Species;
using fugacity_test::BlockData;
using fugacity_test::kR;

// Ideal-gas enthalpies H = c1 + c2 T + c3 T^2 (kJ/kmol) of the three components, the
// correlation set that XPCACH and the integrated entropies read.
const std::vector<std::vector<double>> kIdealGas = {
    {0.0, 30.0, 0.02}, {100.0, 60.0, 0.05}, {-50.0, 90.0, 0.08}};

correlation_testing::Record polynomial(std::int32_t comp, std::vector<double> c) {
  correlation_testing::Record r;
  r.component = comp;
  r.coefficients = std::move(c);
  return r;
}

// The correlation family's block of three columns: Tc, Pc, omega (methods 215 and 217).
BlockData familyBlock(const std::vector<Species>& comps) {
  BlockData b;
  for (const auto& c : comps) b.reals.push_back(c.tc);
  for (const auto& c : comps) b.reals.push_back(c.pc);
  for (const auto& c : comps) b.reals.push_back(c.omega);
  return b;
}

// Makes CODE the method of the four enthalpy and entropy entries, its block held; OPTION the
// option digit of every entry.
void useMethod(std::int32_t code, const BlockData& data, std::int32_t option = 3) {
  std::int32_t address = services::NODISK, length = 0;
  if (!data.reals.empty() || !data.integers.empty()) {
    length = fugacity_test::holdBlock(data);
    address = methods::LDSTAT.address;
  }
  const auto entry = [&](std::int32_t slot) {
    methods::MSPTRS.classes(static_cast<std::size_t>(slot)) = {code,           0, data.integerWork,
                                                               data.realWork, address, length};
    return methods::MethodEntry{code, option, slot, address, length};
  };
  methods::PMCTL2.liquidEnthalpy = entry(6);
  methods::PMCTL3.vapourEnthalpy = entry(7);
  methods::PMCTL1.liquidEntropy = entry(10);
  methods::PMCTL1.vapourEntropy = entry(11);
}

struct Enthalpy {
  double h = -9.0, cp = -9.0, hw = -9.0, cpw = -9.0, z = -9.0, residual = 0.0;
  std::int32_t status = -9, noComposition = 0;
};

Enthalpy enthalpy(std::int32_t phase, const std::vector<double>& x, double t, double p,
                  std::int32_t option = 1) {
  Enthalpy e;
  const auto n = static_cast<std::int32_t>(x.size());
  if (phase == 1) {
    phase::HVAPDR(n, t, p, x, e.h, e.cp, e.hw, e.cpw, e.z, option, e.status, e.noComposition,
                  e.residual);
  } else {
    phase::HLIQDR(n, t, p, x, e.h, e.cp, e.hw, e.cpw, e.z, option, e.status, e.noComposition,
                  e.residual);
  }
  return e;
}

double entropy(std::int32_t phase, const std::vector<double>& x, double t, double p) {
  double s = -9.0, dsdt = -9.0, z = 1.0;
  std::int32_t status = 0;
  const auto n = static_cast<std::int32_t>(x.size());
  if (phase == 1) {
    phase::SVAPDR(n, t, p, x, s, dsdt, z, 0, status);
  } else {
    const std::vector<std::int32_t> types(x.size(), 3);
    phase::SLIQDR(n, t, p, x, s, dsdt, z, 0, types, status);
  }
  return s;
}

class PhaseDrivers : public ::testing::Test {
 protected:
  void SetUp() override {
    fugacity_test::startFugacityRun();
    problem::THCTL.idecnt = 0;
    problem::THCTL.currentSet = 1;
    std::vector<correlation_testing::Record> ideal;
    for (std::int32_t i = 1; i <= 3; ++i) {
      ideal.push_back(polynomial(i, kIdealGas[static_cast<std::size_t>(i - 1)]));
    }
    correlation_testing::installSet(pure::kIdealGasEnthalpy, 1, ideal);
    methods::PMCTL2.secondLiquidCode = 0;
    methods::PMCTL2.ISEUDI = 0;
  }
};

// ---------------------------------------------------------------------------------------
// Identities over every method family
// ---------------------------------------------------------------------------------------

struct State {
  std::string name;
  std::int32_t phase;
  std::vector<double> x;
  double t, p;
};

struct Family {
  std::string name;
  std::function<void()> use;
  std::vector<State> states;
  double tolerance;  // relative, of Cp against the difference of H
  // Relative, of dS/dT against Cp/T; 0: as TOLERANCE.
  double entropyTolerance = 0.0;
};

const std::vector<double> kLiquid = {0.05, 0.35, 0.6};
const std::vector<double> kNearCritical = {0.9, 0.07, 0.03};

std::vector<State> usualStates() {
  return {{"vapour", 1, fugacity_test::kVapour, 350.0, 2000.0},
          {"liquid", 2, kLiquid, 300.0, 5000.0},
          {"near-critical", 1, kNearCritical, 225.0, 6000.0}};
}

std::vector<Family> families() {
  const std::vector<Species>& c = fugacity_test::ternary();
  std::vector<Family> f;
  f.push_back({"ideal gas (no residual)", [] { useMethod(107, {}); }, usualStates(), 1e-6});
  for (std::int32_t code : {101, 102, 108, 111, 114, 116, 117, 121, 124, 502}) {
    const BlockData b = fugacity_test::cubicWithPairs(code, c);
    f.push_back({"cubic " + std::to_string(code), [code, b] { useMethod(code, b); },
                 usualStates(), 1e-5});
  }
  {
    const BlockData b = fugacity_test::cubicWithPairs(122, c);
    // The heat capacity is a forward difference over 1 % of T.
    f.push_back({"cubic 122 (numerical heat capacity)", [b] { useMethod(122, b); }, usualStates(),
                 5e-2});
  }
  f.push_back({"virial (Hayden-O'Connell) 115",
               [] { useMethod(115, fugacity_test::hocBlock(2.0)); },
               {{"vapour", 1, {0.7, 0.2, 0.1}, 420.0, 200.0}},
               1e-4});
  f.push_back({"chemical theory 123", [] { useMethod(123, fugacity_test::dimerBlock()); },
               {{"vapour", 1, {0.6, 0.4}, 420.0, 100.0}},
               1e-3});
  for (std::int32_t code : {125, 126, 127, 128}) {
    const bool squareWell = code == 125 || code == 127;
    const BlockData b = fugacity_test::hardChainBlock(squareWell);
    f.push_back({"hard chain " + std::to_string(code), [code, b] { useMethod(code, b); },
                 {{"vapour", 1, {0.6, 0.3, 0.1}, 500.0, 3000.0}},
                 1e-4});
  }
  // The entropy departure of the correlation family comes from the generalized fugacity
  // tables, the enthalpy from the enthalpy tables; both are interpolated linearly, so the two
  // agree only to the few per cent of the tables.
  for (std::int32_t code : {215, 217}) {
    f.push_back({"correlation family " + std::to_string(code),
                 [code, c] { useMethod(code, familyBlock(c)); }, usualStates(), 1e-3, 3e-2});
  }
  f.push_back({"BWR 110",
               [c] { useMethod(110, density_test::starlingBlock(c, {0.01, 0.02, 0.0})); },
               usualStates(), 1e-3});
  for (std::int32_t code : {204, 211}) {
    f.push_back({"corresponding states " + std::to_string(code),
                 [code, c] { useMethod(code, density_test::leeKeslerBlock(code, c, false)); },
                 usualStates(), 2e-3});
  }
  return f;
}

// Cp = dH/dT by a central difference of the enthalpy.
TEST_F(PhaseDrivers, HeatCapacityIsTheTemperatureSlopeOfEnthalpy) {
  constexpr double h = 0.05;
  for (const Family& family : families()) {
    family.use();
    for (const State& s : family.states) {
      SCOPED_TRACE(family.name + ", " + s.name);
      const Enthalpy at = enthalpy(s.phase, s.x, s.t, s.p);
      const double up = enthalpy(s.phase, s.x, s.t + h, s.p, 0).h;
      const double down = enthalpy(s.phase, s.x, s.t - h, s.p, 0).h;
      const double slope = (up - down) / (2.0 * h);
      EXPECT_EQ(at.status, 0);
      EXPECT_NEAR(at.cp, slope, family.tolerance * std::fabs(slope) + 1e-3);
    }
  }
}

// (dS/dT)_P = Cp/T by a central difference of the entropy.
TEST_F(PhaseDrivers, EntropySlopeIsHeatCapacityOverTemperature) {
  constexpr double h = 0.05;
  for (const Family& family : families()) {
    family.use();
    for (const State& s : family.states) {
      SCOPED_TRACE(family.name + ", " + s.name);
      const Enthalpy at = enthalpy(s.phase, s.x, s.t, s.p);
      const double slope =
          (entropy(s.phase, s.x, s.t + h, s.p) - entropy(s.phase, s.x, s.t - h, s.p)) / (2.0 * h);
      const double tolerance =
          family.entropyTolerance > 0.0 ? family.entropyTolerance : family.tolerance;
      EXPECT_NEAR(slope, at.cp / s.t, tolerance * std::fabs(slope) + 1e-5);
    }
  }
}

}  // namespace
