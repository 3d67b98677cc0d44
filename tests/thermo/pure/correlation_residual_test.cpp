// The correlation-family residual enthalpy: the departure tables against the Lee-Kesler
// equation solved by the corresponding-states kernel, the second virial coefficient at low
// pressure, the ideal-gas limit, the temperature term against differences, the choice of
// sub-table at the boundaries and the pseudo-critical rules of the five codes.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "platform/platform.hpp"
#include "support/test_support.hpp"
#include "thermo/pure/pure.hpp"
#include "thermo/pure/pure.hpp"

namespace {

constexpr double kR = 8.314471;

struct Result {
  double omega = 0.0, pr = 0.0, tr = 0.0, residual = 0.0, d = 0.0;
  std::int32_t status = -1;
};

// The block columns of the components: Tc, Pc, omega and the three columns of CODE's rule.
std::vector<double> blockOf(std::int32_t code, const std::vector<fixtures::ComponentSpec>& cs) {
  std::vector<double> b;
  const auto add = [&](const std::function<double(const fixtures::ComponentSpec&)>& f) {
    for (const auto& c : cs) b.push_back(f(c));
  };
  add([](const auto& c) { return c.criticalTemperature; });
  add([](const auto& c) { return c.criticalPressure; });
  add([](const auto& c) { return c.acentricFactor; });
  switch (code) {
    case 216:  // Vc with Zc consistent with Tc and Pc, Zc, Vc^(1/3)
      add([](const auto& c) {
        return kR * c.criticalCompressibility * c.criticalTemperature / c.criticalPressure;
      });
      add([](const auto& c) { return c.criticalCompressibility; });
      add([](const auto& c) {
        return std::cbrt(kR * c.criticalCompressibility * c.criticalTemperature /
                         c.criticalPressure);
      });
      break;
    case 201:  // sqrt(Pc), (Tc/Pc)^(1/3)
      add([](const auto& c) { return std::sqrt(c.criticalPressure); });
      add([](const auto& c) { return std::cbrt(c.criticalTemperature / c.criticalPressure); });
      break;
    case 218:  // sqrt(Tc), Vc^(1/3)
      add([](const auto& c) { return std::sqrt(c.criticalTemperature); });
      add([](const auto& c) { return std::cbrt(c.criticalVolume); });
      break;
    default:
      break;
  }
  return b;
}

Result mthdsp(std::int32_t phase, std::int32_t code, const std::vector<double>& block,
              const std::vector<double>& x, double t, double p) {
  Result r;
  r.d = 12345.0;  // D is left as it was in the ideal gas
  pure::MTHDSP(phase, static_cast<std::int32_t>(x.size()), code, block, x, t, p, r.omega, r.pr,
                r.tr, r.residual, r.d, r.status);
  return r;
}

// A pure component at a reduced state under Kay's rule.
Result reduced(const fixtures::ComponentSpec& c, double tr, double pr, std::int32_t phase) {
  return mthdsp(phase, 215, blockOf(215, {c}), {1.0}, tr * c.criticalTemperature,
                pr * c.criticalPressure);
}

class CorrelationResidual : public ::testing::Test {
 protected:
  fixtures::ComponentSpec propane = fixtures::publishedComponent("PROPANE");
  fixtures::ComponentSpec butane = fixtures::publishedComponent("N-BUTANE");
};

// At the grid points of both sub-tables the residual is the Lee-Kesler departure, which the
// corresponding-states kernel solves from the equation itself (Kay's rule, code 211 there).
TEST_F(CorrelationResidual, AgreesWithTheLeeKeslerEquationAtGridPoints) {
  struct Case {
    const char* tables;
    double tr, pr;
    std::int32_t phase;
  };
  const Case cases[] = {
      {"1 and 5", 3.0, 1.0, 1},  {"1 and 5", 4.0, 2.0, 2},       {"1 and 7", 1.4, 5.0, 1},
      {"1 and 7", 3.0, 3.0, 2},  {"2 and 6", 1.05, 1.2, 1},      {"2 and 6", 1.03, 2.0, 2},
      {"2 and 6", 0.95, 1.4, 2}, {"2 and 6", 1.0, 0.6, 1},       {"2 and 7", 1.03, 3.0, 2},
      {"2 and 7", 0.9, 5.0, 2},  {"3 and 8", 0.55, 1.0, 2},      {"3 and 8", 0.35, 3.0, 2},
      {"3 and 8", 0.55, 0.1, 2}, {"4 and 9", 0.9, 0.2, 1},       {"4 and 9", 0.8, 0.1, 1},
      {"4 and 9", 0.9, 0.4, 1},  {"2 and 6 liquid", 0.9, 0.6, 2}};
  const fixtures::MethodBlock cs = fixtures::correspondingStatesBlock(211, {propane});
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("sub-tables ") + c.tables + " at Tr " + std::to_string(c.tr) +
                 ", Pr " + std::to_string(c.pr));
    const double t = c.tr * propane.criticalTemperature;
    const double p = c.pr * propane.criticalPressure;
    std::array<double, 6> pseudo{};
    std::array<double, 2> z{};
    std::array<double, 1> lnphi{}, lnphiT{};
    double departure = 0.0, departureT = 0.0;
    std::int32_t used = 0, failure = -1;
    pure::DNCORS(1, -1, 0, 0, 2, c.phase, used, p, t, std::vector<double>{1.0}, cs.reals, pseudo, z,
                 departure, departureT, lnphi, lnphiT, failure, 211);
    ASSERT_EQ(failure, 0);
    const Result r = reduced(propane, c.tr, c.pr, c.phase);
    EXPECT_EQ(r.status, 0);
    EXPECT_NEAR(r.residual, departure, 2e-4 * std::fabs(departure) + 1e-6);
  }
}

// Published: at low pressure the departure follows the second virial coefficient of the
// generalized correlation (Pitzer and Curl, as fitted by Abbott),
//   H^R/(R T) = (Pr/Tr) (B0 - Tr dB0/dTr + omega (B1 - Tr dB1/dTr)),
//   B0 = 0.083 - 0.422/Tr^1.6, B1 = 0.139 - 0.172/Tr^4.2.
TEST_F(CorrelationResidual, FollowsTheSecondVirialCoefficientAtLowPressure) {
  const auto virial = [](double tr, double pr, double omega) {
    const double b0 = 0.083 - 0.422 / std::pow(tr, 1.6);
    const double b1 = 0.139 - 0.172 / std::pow(tr, 4.2);
    const double db0 = 0.6752 / std::pow(tr, 2.6);
    const double db1 = 0.7224 / std::pow(tr, 5.2);
    return pr / tr * (b0 - tr * db0 + omega * (b1 - tr * db1));
  };
  struct Case {
    double tr, pr;
  };
  const Case cases[] = {{2.2, 0.1},  {1.6, 0.15},  {1.3, 0.1},
                        {1.1, 0.05}, {0.95, 0.05}, {0.85, 0.03}};
  for (const fixtures::ComponentSpec* c : {&propane, &butane}) {
    for (const Case& k : cases) {
      SCOPED_TRACE(c->name + " at Tr " + std::to_string(k.tr) + ", Pr " + std::to_string(k.pr));
      const Result r = reduced(*c, k.tr, k.pr, 1);
      const double expected = virial(k.tr, k.pr, c->acentricFactor);
      EXPECT_NEAR(r.residual, expected, 0.08 * std::fabs(expected));
    }
  }
}

// The ideal gas: no departure below Pr 1e-6 (D untouched), and a departure that vanishes
// with the pressure above it.
TEST_F(CorrelationResidual, VanishesInTheIdealGasLimit) {
  for (double t : {250.0, 300.0, 600.0}) {
    for (std::int32_t phase : {1, 2}) {
      SCOPED_TRACE(std::to_string(t) + " K, phase " + std::to_string(phase));
      const Result zero = mthdsp(phase, 217, blockOf(217, {propane}), {1.0}, t, 0.0);
      EXPECT_EQ(zero.residual, 0.0);
      EXPECT_EQ(zero.d, 12345.0);
      const Result tiny =
          mthdsp(phase, 217, blockOf(217, {propane}), {1.0}, t, 0.99e-6 * propane.criticalPressure);
      EXPECT_EQ(tiny.residual, 0.0);
    }
    // The vapour's departure falls in proportion to the pressure.
    const double p = 1e-3 * propane.criticalPressure;
    const Result at = mthdsp(1, 217, blockOf(217, {propane}), {1.0}, t, p);
    const Result tenth = mthdsp(1, 217, blockOf(217, {propane}), {1.0}, t, p / 10.0);
    EXPECT_LT(at.residual, 0.0);
    EXPECT_LT(std::fabs(at.residual), 1e-2);
    EXPECT_NEAR(tenth.residual / at.residual, 0.1, 0.02);
  }
}

// D is d(T residual)/dT at fixed pressure: central differences within one table cell, for
// every rule whose pseudo-critical constants do not depend on T, in each region.
TEST_F(CorrelationResidual, TemperatureTermIsTheSlopeOfTTimesTheResidual) {
  const std::vector<fixtures::ComponentSpec> comps = {propane, butane};
  const std::vector<double> x = {0.4, 0.6};
  struct State {
    const char* label;
    double t, p;
    std::int32_t phase;
  };
  const State states[] = {{"supercritical, low pressure", 700.0, 500.0, 1},
                          {"supercritical, dense", 520.0, 9000.0, 1},
                          {"near-critical", 415.0, 3000.0, 2},
                          {"subcritical vapour", 360.0, 900.0, 1},
                          {"subcritical liquid", 330.0, 2500.0, 2},
                          {"cold liquid", 250.0, 1000.0, 2}};
  const double h = 1e-4;
  for (std::int32_t code : {201, 215, 217, 218}) {
    const std::vector<double> block = blockOf(code, comps);
    for (const State& s : states) {
      SCOPED_TRACE(std::to_string(code) + " " + s.label);
      const Result r = mthdsp(s.phase, code, block, x, s.t, s.p);
      const Result up = mthdsp(s.phase, code, block, x, s.t + h, s.p);
      const Result down = mthdsp(s.phase, code, block, x, s.t - h, s.p);
      const double slope = ((s.t + h) * up.residual - (s.t - h) * down.residual) / (2.0 * h);
      EXPECT_NEAR(r.d, slope, 1e-6 * std::fabs(slope) + 1e-8);
      EXPECT_NE(r.residual, 0.0);
    }
  }
}

// The sub-table at a boundary is the one the state belongs to: the value there is the
// limit from its own side and differs from the limit from the other side.
TEST_F(CorrelationResidual, BoundaryStatesBelongToTheirSubTables) {
  struct Case {
    const char* label;
    double tr, pr;
    std::int32_t phase;
    double dtr, dpr;  // the step into the state's own side
  };
  const Case cases[] = {{"Tr 1.4 belongs to sub-table 1", 1.4, 1.2, 2, 1e-7, 0.0},
                        {"Tr 0.9 with the liquid flag belongs to 2 and 6", 0.9, 1.3, 2, 1e-7, 0.0},
                        {"Tr 0.9 above Pr 2 belongs to 2 and 7", 0.9, 2.7, 2, 1e-7, 0.0},
                        {"Pr 2 belongs to sub-table 6, not 7", 1.06, 2.0, 2, 0.0, -1e-7},
                        {"Pr 2 belongs to sub-table 5, not 7", 3.8, 2.0, 2, 0.0, -1e-7},
                        {"Tr 1.25 belongs to sub-table 5", 1.25, 1.5, 2, 1e-7, 0.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const double at = reduced(propane, c.tr, c.pr, c.phase).residual;
    const double own = reduced(propane, c.tr + c.dtr, c.pr + c.dpr, c.phase).residual;
    const double other = reduced(propane, c.tr - c.dtr, c.pr - c.dpr, c.phase).residual;
    EXPECT_NEAR(at, own, 1e-5 * std::fabs(at));
    EXPECT_GT(std::fabs(at - other), 1e-4 * std::fabs(at));
  }
  // Below the critical point the phase decides: a vapour and a liquid at one state.
  const Result vapour = reduced(propane, 0.85, 0.3, 1);
  const Result liquid = reduced(propane, 0.85, 0.3, 2);
  EXPECT_GT(vapour.residual, -1.0);
  EXPECT_LT(liquid.residual, -4.0);
  // Above it, or above Pr 1, the phase word does not matter.
  for (const auto& [tr, pr] : {std::pair{1.1, 0.5}, {0.85, 1.2}}) {
    EXPECT_EQ(reduced(propane, tr, pr, 1).residual, reduced(propane, tr, pr, 2).residual);
  }
}

// Published identity of the rules: a pure component reduces by its own Tc and Pc under
// every rule but the Lee-Kesler one, whose Pc,m = (0.2905 - 0.085 omega) R Tc/Vc.
TEST_F(CorrelationResidual, PureComponentUnderEveryRule) {
  const double t = 330.0, p = 2500.0;
  const Result kay = mthdsp(2, 215, blockOf(215, {propane}), {1.0}, t, p);
  EXPECT_DOUBLE_EQ(kay.tr, t / propane.criticalTemperature);
  EXPECT_DOUBLE_EQ(kay.pr, p / propane.criticalPressure);
  EXPECT_DOUBLE_EQ(kay.omega, propane.acentricFactor);
  for (std::int32_t code : {216, 217, 201}) {
    SCOPED_TRACE(code);
    const Result r = mthdsp(2, code, blockOf(code, {propane}), {1.0}, t, p);
    EXPECT_NEAR(r.tr, kay.tr, 1e-12);
    EXPECT_NEAR(r.pr, kay.pr, 1e-12);
    EXPECT_NEAR(r.residual, kay.residual, 1e-10 * std::fabs(kay.residual));
  }
  const Result lk = mthdsp(2, 218, blockOf(218, {propane}), {1.0}, t, p);
  const double pcm = (0.2905 - 0.085 * propane.acentricFactor) * kR * propane.criticalTemperature /
                     propane.criticalVolume;
  EXPECT_NEAR(lk.tr, kay.tr, 1e-12);
  EXPECT_NEAR(lk.pr, p / pcm, 1e-9);
}

// A mixture: the molar-average acentric factor, and the rules give their own reduced states.
TEST_F(CorrelationResidual, MixtureAcentricFactorAndRules) {
  const std::vector<fixtures::ComponentSpec> comps = {propane, butane};
  const std::vector<double> x = {0.3, 0.7};
  const Result kay = mthdsp(2, 215, blockOf(215, comps), x, 330.0, 2500.0);
  EXPECT_DOUBLE_EQ(kay.omega, 0.3 * propane.acentricFactor + 0.7 * butane.acentricFactor);
  EXPECT_DOUBLE_EQ(kay.tr,
                   330.0 / (0.3 * propane.criticalTemperature + 0.7 * butane.criticalTemperature));
  // Code 216 reduces by the critical-volume rule at the state's own T and P.
  double pcm = 0.0, tcm = 0.0, vcm = 0.0;
  const std::vector<double> b = blockOf(216, comps);
  const auto col = [&](std::size_t k) {
    return std::span<const double>(b).subspan(2 * (k - 1), 2);
  };
  pure::PCMIX1(2, col(2), pcm, 2500.0, col(1), tcm, 330.0, col(4), col(6), vcm, x, col(5));
  const Result volume = mthdsp(2, 216, b, x, 330.0, 2500.0);
  EXPECT_DOUBLE_EQ(volume.tr, 330.0 / tcm);
  EXPECT_DOUBLE_EQ(volume.pr, 2500.0 / pcm);
}

// No reduced state (a composition of zeros): no departure and status 1, not a NaN.
TEST_F(CorrelationResidual, NoReducedStateGivesNoDeparture) {
  for (std::int32_t code : {215, 217, 201, 218}) {
    SCOPED_TRACE(code);
    const Result r = mthdsp(1, code, blockOf(code, {propane, butane}), {0.0, 0.0}, 300.0, 500.0);
    EXPECT_EQ(r.residual, 0.0);
    EXPECT_EQ(r.d, 0.0);
    EXPECT_EQ(r.status, 1);
  }
}

// An undefined code and a block too short for the code's rule stop the run.
TEST_F(CorrelationResidual, UndefinedCodeAndShortBlockStopTheRun) {
  testing_support::StopThrows stop;
  const auto stops = [&](std::int32_t code, const std::vector<double>& block) {
    try {
      mthdsp(1, code, block, {1.0}, 300.0, 500.0);
    } catch (const platform::RunStopped& stopped) {
      return stopped.status == 15;
    }
    return false;
  };
  EXPECT_TRUE(stops(202, blockOf(215, {propane})));
  EXPECT_TRUE(stops(216, blockOf(215, {propane})));  // three columns of six
  EXPECT_FALSE(stops(217, blockOf(215, {propane})));
}

}  // namespace
