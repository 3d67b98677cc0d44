// FUGLS0 (generalized pure-liquid fugacity coefficients) and GAMREG (regular-solution
// activity coefficients).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "support/test_support.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/pure/correlation_sets.hpp"

namespace {

using correlation_testing::derivative;

// Class codes: set s with (units digit 0) or without (units digit 1) the acentric term.
constexpr std::int32_t kGraysonStreed = 10;
constexpr std::int32_t kChaoSeader = 310;
constexpr std::int32_t kChaoSeaderHydrogen = 411;

// One component's results.
struct Nu {
  double ln, dt, dt2, dp;
};

class PureLiquidFugacity : public ::testing::Test {
 protected:
  void TearDown() override { equilibrium::storedModelSwitches = {}; }

  static Nu evaluate(const fixtures::ComponentSpec& c, std::int32_t cls, double t, double p,
                     std::int32_t method120 = 0) {
    std::vector<double> ln(1, -9.0), dt(1, -9.0), dt2(1, -9.0), dp(1, -9.0);
    const std::vector<double> omega{c.acentricFactor}, pc{c.criticalPressure},
        tc{c.criticalTemperature};
    const std::vector<std::int32_t> classes{cls};
    std::int32_t istat = -1;
    equilibrium::FUGLS0(istat, 1, p, t, ln, dt, dt2, dp, omega, pc, tc, classes, method120);
    EXPECT_EQ(istat, 0);
    return {ln[0], dt[0], dt2[0], dp[0]};
  }
};

// At its normal boiling point a liquid's fugacity nu P is close to its vapour pressure, one
// atmosphere, less the few per cent of the saturated vapour's fugacity coefficient: both
// published constant sets reproduce it.
TEST_F(PureLiquidFugacity, SaturatedLiquidFugacityNearOneAtmosphere) {
  for (const char* name : {"PROPANE", "N-HEXANE", "N-HEPTANE", "N-DECANE"}) {
    const fixtures::ComponentSpec c = fixtures::publishedComponent(name);
    for (std::int32_t cls : {kGraysonStreed, kChaoSeader}) {
      SCOPED_TRACE(std::string(name) + " class " + std::to_string(cls));
      const double fugacity = std::exp(evaluate(c, cls, c.normalBoilingPoint, 101.325).ln);
      EXPECT_GT(fugacity, 0.88);
      EXPECT_LT(fugacity, 1.01);
    }
  }
}

// Below the critical temperature the derivatives are the slopes of ln nu; with switch A 2
// the pressure derivative is written as well.
TEST_F(PureLiquidFugacity, DerivativesAreTheSlopes) {
  equilibrium::storedModelSwitches.a = 2;
  const fixtures::ComponentSpec c = fixtures::publishedComponent("N-HEXANE");
  for (std::int32_t cls : {kGraysonStreed, kChaoSeader, 110, kChaoSeaderHydrogen, 510, 910}) {
    for (double tr : {0.5, 0.8, 0.95}) {
      SCOPED_TRACE("class " + std::to_string(cls) + " Tr " + std::to_string(tr));
      const double t = tr * c.criticalTemperature;
      const double p = 2000.0;
      const Nu nu = evaluate(c, cls, t, p);
      const auto at = [&](double tt) { return evaluate(c, cls, tt, p).ln; };
      EXPECT_NEAR(nu.dt, derivative(at, t, 1e-2), 1e-7);
      EXPECT_NEAR(nu.dt2,
                  derivative([&](double tt) { return evaluate(c, cls, tt, p).dt; }, t, 1e-2), 1e-8);
      EXPECT_NEAR(nu.dp, derivative([&](double pp) { return evaluate(c, cls, t, pp).ln; }, p, 1e-1),
                  1e-9);
    }
  }
}

// Above Tr = 1 the acentric term is its value at Tr = 1, continuous with the term below, and
// its temperature slope is held at the slope at Tr = 1 (0 under switch A 2); a class code
// with units digit 1 has no acentric term; a negative class code gives nu = 1. The reference
// is the acentric term of K. C. Chao and J. D. Seader, AIChE J. 7 (1961) 598,
// log10 nu(1) = -4.23893 + 8.65808 Tr - 1.22060/Tr - 3.15224 Tr^3 - 0.025 (Pr - 0.6)
// (coefficients not re-read for this test: unconfirmed), evaluated here at Tr = 1.
TEST_F(PureLiquidFugacity, AcentricTermAndClassCodes) {
  fixtures::ComponentSpec c = fixtures::publishedComponent("PROPANE");
  const double tc = c.criticalTemperature;
  const double pc = c.criticalPressure;
  const double p = 0.8 * pc;
  const Nu with = evaluate(c, kChaoSeader, tc, p);
  const Nu below = evaluate(c, kChaoSeader, std::nextafter(tc, 0.0), p);
  EXPECT_NEAR(with.ln, below.ln, 1e-12);
  EXPECT_NEAR(with.dt, below.dt, 1e-12) << "the held slope is the slope at Tr = 1";
  c.acentricFactor = 0.0;
  const Nu simple = evaluate(c, kChaoSeader, tc, p);
  const double termAtTc = -4.23893 + 8.65808 - 1.22060 - 3.15224;  // 0.04631
  const double slopeAtTc = 8.65808 + 1.22060 - 3.0 * 3.15224;      // 0.42196
  EXPECT_NEAR((with.ln - simple.ln) / 2.302585092994046, 0.152 * (termAtTc - 0.025 * (0.8 - 0.6)),
              1e-12);
  EXPECT_NEAR((with.dt - simple.dt) * tc / 2.302585092994046, 0.152 * slopeAtTc, 1e-12);
  EXPECT_EQ(with.dt2, simple.dt2);

  // Switch A 2 drops the held slope.
  c.acentricFactor = 0.152;
  equilibrium::storedModelSwitches.a = 2;
  const double heldOff = evaluate(c, kChaoSeader, 1.2 * tc, p).dt;
  c.acentricFactor = 0.0;
  EXPECT_DOUBLE_EQ(heldOff, evaluate(c, kChaoSeader, 1.2 * tc, p).dt);
}

// The units digit 1 leaves the acentric term out; a negative class code gives nu = 1 with
// zero derivatives.
TEST_F(PureLiquidFugacity, ClassCodeDigits) {
  fixtures::ComponentSpec c = fixtures::publishedComponent("N-HEXANE");
  const double t = 0.8 * c.criticalTemperature;
  const Nu without = evaluate(c, kChaoSeader + 1, t, 1000.0);
  c.acentricFactor = 0.0;
  const Nu simple = evaluate(c, kChaoSeader, t, 1000.0);
  EXPECT_EQ(without.ln, simple.ln);
  EXPECT_EQ(without.dt, simple.dt);
  EXPECT_EQ(without.dt2, simple.dt2);

  const Nu none = evaluate(c, -1, t, 1000.0);
  EXPECT_EQ(none.ln, 0.0);
  EXPECT_EQ(none.dt, 0.0);
  EXPECT_EQ(none.dt2, 0.0);
  EXPECT_EQ(none.dp, -9.0) << "no pressure derivative without switch A 2";
  equilibrium::storedModelSwitches.a = 2;
  EXPECT_EQ(evaluate(c, -1, t, 1000.0).dp, 0.0);
}

// Method 120 replaces the value above Tr = 2.5, not at it, and only with the acentric term;
// the derivatives stay those of the polynomial.
TEST_F(PureLiquidFugacity, Method120AboveTwoAndAHalf) {
  const fixtures::ComponentSpec c = fixtures::publishedComponent("METHANE");
  const double tc = c.criticalTemperature;
  const double p = 3000.0;
  EXPECT_EQ(evaluate(c, kChaoSeader, 2.5 * tc, p, 1).ln, evaluate(c, kChaoSeader, 2.5 * tc, p).ln);
  const Nu replaced = evaluate(c, kChaoSeader, 2.6 * tc, p, 1);
  const Nu polynomial = evaluate(c, kChaoSeader, 2.6 * tc, p, 0);
  EXPECT_GT(std::fabs(replaced.ln - polynomial.ln), 1e-3);
  EXPECT_EQ(replaced.dt, polynomial.dt);
  EXPECT_EQ(replaced.dt2, polynomial.dt2);
  EXPECT_EQ(evaluate(c, kChaoSeaderHydrogen, 2.6 * tc, p, 1).ln,
            evaluate(c, kChaoSeaderHydrogen, 2.6 * tc, p, 0).ln);
}

// A class code whose coefficients would start before or run past the table stops the run.
TEST_F(PureLiquidFugacity, ClassOutsideTheTableStopsTheRun) {
  testing_support::StopThrows stop;
  const fixtures::ComponentSpec c = fixtures::publishedComponent("PROPANE");
  for (std::int32_t cls : {5, 920}) {
    SCOPED_TRACE(cls);
    EXPECT_THROW(evaluate(c, cls, 300.0, 1000.0), platform::RunStopped);
  }
  EXPECT_NO_THROW(evaluate(c, 911, 300.0, 1000.0)) << "set 9, the last";
}

// Regular solutions: benzene (89.4 cm3/mol, 9.2 (cal/cm3)^0.5) and n-heptane (147.5, 7.4)
// and a third component. The constants are inputs of typical size; the checks are the
// formulas written in the tests.
constexpr std::int32_t kFloryHugginsOption = equilibrium::kFloryHuggins;

class RegularSolution : public ::testing::Test {
 protected:
  void evaluate(std::int32_t ld, std::int32_t option, const std::vector<double>& x) {
    const auto n = static_cast<std::int32_t>(x.size());
    lng.assign(x.size(), -9.0);
    dlngdt.assign(x.size(), -9.0);
    matrix.assign(x.size() * x.size(), -9.0);
    std::int32_t istat = -1;
    equilibrium::GAMREG(istat, ld, n, t, x, lng, dlngdt, matrix, delta, option, v);
    EXPECT_EQ(istat, 0);
  }

  double t = 298.15;
  std::vector<double> delta{9.2, 7.4, 10.5};
  std::vector<double> v{0.0894, 0.1475, 0.0405};
  std::vector<double> lng, dlngdt, matrix;
};

// The binary is the Scatchard-Hildebrand equation ln gamma_1 = V_1 Phi_2^2 (d1 - d2)^2 / RT
// with the volume fractions Phi; the temperature derivative is -ln gamma / T.
TEST_F(RegularSolution, BinaryIsScatchardHildebrand) {
  delta.resize(2);
  v.resize(2);
  for (double x1 : {0.1, 0.5, 0.9}) {
    SCOPED_TRACE(x1);
    evaluate(2, 6, {x1, 1.0 - x1});
    const double phi1 = x1 * 89.4 / (x1 * 89.4 + (1 - x1) * 147.5);
    const double rt = 1.98721 * t;
    EXPECT_NEAR(lng[0], 89.4 * (1 - phi1) * (1 - phi1) * 1.8 * 1.8 / rt, 1e-12);
    EXPECT_NEAR(lng[1], 147.5 * phi1 * phi1 * 1.8 * 1.8 / rt, 1e-12);
    EXPECT_DOUBLE_EQ(dlngdt[0], -lng[0] / t);
  }
}

// The composition matrix is symmetric, is the slope of ln gamma_i with x_k alone varied,
// and obeys the Gibbs-Duhem equation sum_i x_i d ln gamma_i / d x_k = 0.
TEST_F(RegularSolution, CompositionDerivatives) {
  const std::vector<double> x{0.2, 0.5, 0.3};
  evaluate(3, 10, x);
  const std::vector<double> m = matrix;
  for (std::size_t k = 0; k < 3; ++k) {
    double gibbsDuhem = 0.0;
    for (std::size_t i = 0; i < 3; ++i) {
      SCOPED_TRACE(std::to_string(i) + "," + std::to_string(k));
      EXPECT_DOUBLE_EQ(m[k * 3 + i], m[i * 3 + k]);
      const double slope = derivative(
          [&](double xk) {
            std::vector<double> xs = x;
            xs[k] = xk;
            evaluate(3, 6, xs);
            return lng[i];
          },
          x[k], 1e-4);
      EXPECT_NEAR(m[k * 3 + i], slope, 1e-8);
      gibbsDuhem += x[i] * m[k * 3 + i];
    }
    EXPECT_NEAR(gibbsDuhem, 0.0, 1e-13);
  }
  // Without LD = N only the first element is written, with 0.
  evaluate(1, 6, x);
  EXPECT_EQ(matrix[0], 0.0);
  EXPECT_EQ(matrix[1], -9.0);
}

// Option 10 adds the Flory-Huggins term ln r + 1 - r to the value, not to the temperature
// derivative; equal parameters give an ideal solution.
TEST_F(RegularSolution, FloryHugginsTermAndIdealLimits) {
  const std::vector<double> x{0.2, 0.5, 0.3};
  evaluate(3, 6, x);
  const std::vector<double> regular = lng;
  const std::vector<double> regularT = dlngdt;
  evaluate(3, kFloryHugginsOption, x);
  const double sum = 1000.0 * (0.2 * v[0] + 0.5 * v[1] + 0.3 * v[2]);
  for (std::size_t i = 0; i < 3; ++i) {
    const double r = 1000.0 * v[i] / sum;
    EXPECT_NEAR(lng[i], regular[i] + std::log(r) + 1.0 - r, 1e-14);
    EXPECT_EQ(dlngdt[i], regularT[i]);
  }

  delta = {8.0, 8.0, 8.0};
  evaluate(3, 6, x);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(lng[i], 0.0);
  for (double e : matrix) EXPECT_EQ(e, 0.0);
  v = {0.1, 0.1, 0.1};
  evaluate(3, kFloryHugginsOption, x);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(lng[i], 0.0, 1e-15);
}

}  // namespace
