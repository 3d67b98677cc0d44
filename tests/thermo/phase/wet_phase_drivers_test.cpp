// The enthalpy of a wet phase by the hard-chain methods and by the associating cubic 122:
// the method describes the non-water part (at the non-water partial pressure in a vapour)
// and the water properties the water, each once.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "../equilibrium/vapour_fugacity_support.hpp"
#include "../pure/density_blocks.hpp"
#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "thermo/phase/phase.hpp"
#include "thermo/pure/correlation_sets.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using fugacity_test::BlockData;

// Ideal-gas enthalpies H = c1 + c2 T + c3 T^2 (kJ/kmol) of the three components.
const std::vector<std::vector<double>> kIdealGas = {
    {0.0, 30.0, 0.02}, {100.0, 60.0, 0.05}, {-50.0, 90.0, 0.08}};

// CODE the method of both enthalpy entries, its block held, option digit 3.
void useMethod(std::int32_t code, const BlockData& data) {
  const std::int32_t length = fugacity_test::holdBlock(data);
  const std::int32_t address = methods::LDSTAT.address;
  const auto entry = [&](std::int32_t slot) {
    methods::MSPTRS.classes(static_cast<std::size_t>(slot)) = {
        code, 0, data.integerWork, data.realWork, address, length};
    return methods::MethodEntry{code, 3, slot, address, length};
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

Enthalpy enthalpy(std::int32_t phase, const std::vector<double>& x, double t, double p) {
  Enthalpy e;
  const auto n = static_cast<std::int32_t>(x.size());
  const auto driver = phase == 1 ? &phase::HVAPDR : &phase::HLIQDR;
  driver(n, t, p, x, e.h, e.cp, e.hw, e.cpw, e.z, 1, e.status, e.noComposition, e.residual);
  return e;
}

class WetPhase : public ::testing::Test {
 protected:
  void SetUp() override {
    fugacity_test::startFugacityRun();
    problem::THCTL.currentSet = 1;
    std::vector<correlation_testing::Record> ideal;
    for (std::size_t i = 0; i < kIdealGas.size(); ++i) {
      correlation_testing::Record r;
      r.component = static_cast<std::int32_t>(i + 1);
      r.coefficients = kIdealGas[i];
      ideal.push_back(r);
    }
    correlation_testing::installSet(pure::kIdealGasEnthalpy, 1, ideal);
    methods::PMCTL2.secondLiquidCode = 0;
    methods::PMCTL2.ISEUDI = 0;
  }
  void TearDown() override { problem::THCTL.idecnt = 0; }
};

// With component 3 the water, the drivers form H = F (H°' + R T res') + x_w Hw / S, where
// S is the total amount, F = S'/S the non-water fraction, H°' the ideal-gas enthalpy and
// res' the residual of the non-water part per mole of that part, at P' = F P in a vapour and
// at P in a liquid, and Hw the water's enthalpy; Cp likewise. The non-water part alone, at
// that pressure, is the dry phase of the same amounts: so H(wet) = F H(dry) + x_w Hw / S,
// with Hw the water enthalpy the driver reports. A hard chain that also saw the water
// counted its residual beside Hw.
TEST_F(WetPhase, HardChainPhaseIsTheDryPartPlusTheWater) {
  problem::THCTL.idecnt = 3;
  struct State {
    const char* name;
    std::int32_t phase;
    std::vector<double> x;  // amounts, the third the water
    double t, p;
  };
  const std::vector<State> states = {{"vapour", 1, {1.2, 0.5, 0.3}, 420.0, 3000.0},
                                     {"liquid", 2, {0.2, 1.1, 0.2}, 320.0, 5000.0}};
  for (const bool squareWell : {true, false}) {
    const std::int32_t code = squareWell ? 125 : 126;
    for (const State& s : states) {
      SCOPED_TRACE(std::to_string(code) + " " + s.name);
      useMethod(code, fugacity_test::hardChainBlock(squareWell));
      const double total = s.x[0] + s.x[1] + s.x[2];
      const double f = (s.x[0] + s.x[1]) / total;
      const Enthalpy wet = enthalpy(s.phase, s.x, s.t, s.p);
      ASSERT_EQ(wet.status, 0);
      ASSERT_NE(wet.hw, 0.0);
      const double dryP = s.phase == 1 ? f * s.p : s.p;
      const Enthalpy dry = enthalpy(s.phase, {s.x[0], s.x[1], 0.0}, s.t, dryP);
      ASSERT_EQ(dry.status, 0);
      ASSERT_NE(dry.residual, 0.0);
      EXPECT_NEAR(wet.residual, dry.residual, 1e-9 * std::fabs(dry.residual));
      const double h = f * dry.h + s.x[2] * wet.hw / total;
      EXPECT_NEAR(wet.h, h, 1e-9 * std::fabs(h));
      const double cp = f * dry.cp + s.x[2] * wet.cpw / total;
      EXPECT_NEAR(wet.cp, cp, 1e-9 * std::fabs(cp));
    }
  }
}

// Method 122 with component 2 associating: the vapour's associating root is taken at the
// non-water partial pressure P', as the cubic root that serves it while the associating
// component is below 1e-12 and as the vapour K-values and the entropy take it. So the wet
// vapour's residual is the dry part's at P' with or without the associating component
// present, and does not jump when that component's fraction crosses 1e-12 (at the total
// pressure it would jump by the difference between P and P').
TEST_F(WetPhase, AssociatingVapourIsTakenAtTheNonWaterPartialPressure) {
  problem::THCTL.idecnt = 3;
  std::vector<fixtures::ComponentSpec> specs;
  for (const auto& s : fugacity_test::ternary()) specs.push_back(density_test::specOf(s));
  const BlockData block =
      fixtures::cubicParameterBlock(122, fixtures::CubicForm::PengRobinson, specs, {}, {2});
  const double t = 420.0, p = 3000.0;
  for (const double associating : {0.2, 2e-12, 5e-13}) {
    SCOPED_TRACE(associating);
    useMethod(122, block);
    const std::vector<double> wet{0.8, associating, 0.25};
    const double total = wet[0] + wet[1] + wet[2];
    const double f = (wet[0] + wet[1]) / total;
    const Enthalpy w = enthalpy(1, wet, t, p);
    ASSERT_EQ(w.status, 0);
    const Enthalpy dry = enthalpy(1, {wet[0], wet[1], 0.0}, t, f * p);
    ASSERT_EQ(dry.status, 0);
    EXPECT_NEAR(w.residual, dry.residual, 1e-9 * std::fabs(dry.residual));
  }
  useMethod(122, block);
  const double above = enthalpy(1, {0.8, 2e-12, 0.25}, t, p).residual;
  const double below = enthalpy(1, {0.8, 5e-13, 0.25}, t, p).residual;
  EXPECT_NEAR(above, below, 1e-6 * std::fabs(below));
}

// EOSZRT reports a root it cannot give: coefficients that are not numbers give kNoRoot, a
// plain cubic kTrueRoot.
TEST(EOSZRT, CoefficientsThatAreNotNumbersGiveNoRoot) {
  constexpr double kT = 350.0, kP = 2000.0, kR = 8.314471;
  // Peng-Robinson constants of one component from Tc = 190.6 K, Pc = 4599 kPa (methane).
  const double b = 0.0778 * kR * 190.6 / 4599.0;
  const double a = 0.45724 * kR * kR * 190.6 * 190.6 / 4599.0;
  const double u1 = 1.0 + std::sqrt(2.0), u2 = 1.0 - std::sqrt(2.0);
  for (const double scale :
       {1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    SCOPED_TRACE(scale);
    std::array<double, 1> abar{a * scale}, bbar{b}, lnphi{0.0};
    double z = 0.0, zT = 0.0, zP = 0.0, hr = 0.0, sr = 0.0, cpr = 0.0, cvr = 0.0, cpcv = 0.0;
    std::int32_t status = -1;
    pure::EOSZRT(a * scale, 0.0, 0.0, abar, {}, {}, b, 0.0, 0.0, bbar, {}, {}, pure::kVapourPhase,
                 1, 1, kP, pure::kReferencePressure, u1, u2, kT, z, zT, zP, lnphi, {}, {}, {}, hr,
                 sr, cpr, cvr, cpcv, {}, {}, 1, status);
    EXPECT_EQ(status, scale == 1.0 ? pure::kTrueRoot : pure::kNoRoot);
  }
}

// A cubic method whose block holds an attraction constant that is not a number: the enthalpy
// and entropy drivers fail (status, DMISS) instead of returning a NaN or the ideal gas.
TEST_F(WetPhase, DriversFailOnACubicWithoutARoot) {
  BlockData block = fugacity_test::cubicWithPairs(101, fugacity_test::ternary());
  // The square root of the second component's attraction constant (words are 1-based).
  const auto at = static_cast<std::size_t>(pure::cubicblock::sqrtAc(3));
  block.reals.at(at) = std::numeric_limits<double>::quiet_NaN();
  useMethod(101, block);
  const std::vector<double> x{0.5, 0.3, 0.2};
  for (const std::int32_t phase : {1, 2}) {
    SCOPED_TRACE(phase == 1 ? "vapour" : "liquid");
    const Enthalpy e = enthalpy(phase, x, 350.0, 2000.0);
    EXPECT_EQ(e.status, phase::kEnthalpyNoResidual);
    EXPECT_EQ(e.h, services::DMISS);
    double s = 0.0, dsdt = 0.0, z = 1.0;
    std::int32_t status = 0;
    const std::vector<std::int32_t> types(3, 3);
    const std::int32_t returned =
        phase == 1 ? phase::SVAPDR(3, 350.0, 2000.0, x, s, dsdt, z, 0, status)
                   : phase::SLIQDR(3, 350.0, 2000.0, x, s, dsdt, z, 0, types, status);
    EXPECT_EQ(returned, 1);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(s, services::DMISS);
  }
}

}  // namespace
