// The water K-value: the Raoult limit against published vapour pressures of water, the
// solubility routes of the water-handling options, the two solubility correlations against
// their formulas, published solubilities and finite differences, and the special cases.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "problem/problem.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/pure/correlation_sets.hpp"

namespace {

using correlation_testing::derivative;

constexpr std::int32_t kSteamTables = 1;
constexpr double kAtmosphere = 101.325;

// The results of one KCWATR call.
struct Water {
  double kw = -1.0, dkwdt = -1.0, dkwdp = -1.0, dpwdt = -1.0, pw = -1.0;
};

// The component terms of the hydrocarbon correlation: water (1) and two hydrocarbons.
struct Terms {
  std::array<double, 3> a{0.9, 1.1, 1.4};
  std::array<double, 3> b{5.0, 0.2, 0.6};
  std::array<double, 3> c{3.0, 0.4, 0.9};
  std::array<double, 3> d{2.0, 0.1, 0.3};
};

class WaterKValues : public ::testing::Test {
 protected:
  void SetUp() override {
    correlation_testing::startRun();
    problem::THCTL = {};
    problem::THCTL.currentSet = 1;
    problem::THCTL.waterPropertyMethod = kSteamTables;
    problem::THCTL.idecnt = 1;
  }

  // Puts TERMS into the component real sectors of the hydrocarbon correlation.
  void installTerms(const Terms& t) {
    const auto put = [](std::int32_t sector, const std::array<double, 3>& v) {
      const std::int32_t start = storage::ICMGTR(3, 1);
      problem::COPTRS.realSector(sector) = start;
      for (std::int32_t i = 1; i <= 3; ++i) {
        storage::CORSTO.setReal(start + i, v[static_cast<std::size_t>(i - 1)]);
      }
    };
    put(equilibrium::kSolubilityWeightSector, t.a);
    put(equilibrium::kSolubilityBSector, t.b);
    put(equilibrium::kSolubilityCSector, t.c);
    put(equilibrium::kSolubilityDSector, t.d);
  }

  static Water kcwatr(std::int32_t ncomp, const std::vector<double>& x, double t, double p,
                      std::int32_t simplified = 1, std::int32_t alternative = 0,
                      std::int32_t noSolubility = 0) {
    Water w;
    equilibrium::KCWATR(ncomp, x, w.kw, 1, w.dkwdt, w.dkwdp, w.dpwdt, simplified, alternative, t, p,
                        -1, 0, w.pw, noSolubility);
    return w;
  }

  testing_support::StopThrows stop_;
};

// Saturated water (IAPWS-95 as tabulated by Cengel and Boles, Thermodynamics, 8th ed.,
// Table A-4): water alone has s = 1, so Kw P is its vapour pressure (the water routine's fit
// is good to 1 %); Kfw = Kw, and the derivatives agree with differences.
TEST_F(WaterKValues, WaterAloneFollowsRaoultsLawWithPublishedVapourPressures) {
  struct Saturation {
    double celsius, kPa;
  };
  for (const Saturation s : {Saturation{25, 3.1699}, Saturation{100, 101.42},
                             Saturation{200, 1554.9}, Saturation{300, 8587.9}}) {
    for (std::int32_t simplified : {0, 1}) {
      SCOPED_TRACE(s.celsius);
      SCOPED_TRACE(simplified);
      const double t = s.celsius + 273.15;
      const double p = 2.0 * s.kPa;
      const Water w = kcwatr(1, {1.0}, t, p, simplified);
      EXPECT_NEAR(w.kw * p, s.kPa, 0.01 * s.kPa);
      EXPECT_DOUBLE_EQ(w.pw, w.kw * p);
      EXPECT_EQ(problem::THCTL.ywd, w.kw);
      EXPECT_EQ(problem::THCTL.xwd, 1.0);
      EXPECT_DOUBLE_EQ(w.dkwdp, -w.kw / p);
      const double fdT =
          derivative([&](double v) { return kcwatr(1, {1.0}, v, p, simplified).kw; }, t, 1e-3);
      EXPECT_NEAR(w.dkwdt, fdT, 1e-5 * std::abs(fdT));
      const double fdP =
          derivative([&](double v) { return kcwatr(1, {1.0}, t, v, simplified).kw; }, p, 1e-3 * p);
      EXPECT_NEAR(w.dkwdp, fdP, 1e-6 * std::abs(fdP));
      EXPECT_NEAR(w.dpwdt, w.dkwdt * p, 1e-9 * std::abs(w.dpwdt));
    }
  }
}

TEST_F(WaterKValues, SpecialCasesOfTheWaterKValue) {
  // Water alone above 647.28 K: Kw = 1.1, Kfw = 1, no derivatives, no vapour pressure (the
  // routine's own limit and values).
  Water w = kcwatr(1, {1.0}, 700.0, 25000.0);
  EXPECT_EQ(w.kw, 1.1);
  EXPECT_EQ(problem::THCTL.ywd, 1.0);
  EXPECT_EQ(w.dkwdt, 0.0);
  EXPECT_EQ(w.dkwdp, 0.0);
  EXPECT_EQ(w.pw, 0.0);
  EXPECT_EQ(w.dpwdt, 0.0);
  // Above it in a mixture the vapour pressure counts.
  EXPECT_GT(kcwatr(2, {0.0, 1.0}, 700.0, 25000.0, 0).pw, 0.0);
  // Option 5: no vapour pressure, so Kw, Kfw and the derivatives are 0.
  problem::THCTL.waterOption = equilibrium::kNoWaterVapourPressure;
  problem::THCTL.liquidNonWaterFraction = 0.9;
  for (std::int32_t simplified : {0, 1}) {
    w = kcwatr(2, {0.0, 1.0}, 350.0, 500.0, simplified);
    EXPECT_EQ(w.pw, 0.0);
    EXPECT_EQ(w.kw, 0.0);
    EXPECT_EQ(w.dkwdt, 0.0);
    EXPECT_EQ(w.dkwdp, 0.0);
    EXPECT_EQ(problem::THCTL.ywd, 0.0);
  }
}

// The route to the solubility: which correlation (or none) gives s, and Kw = Pw/P/s with
// dKw/dT = Kw (dPw/dT/Pw - ds/dT/s), checked against a difference of the whole K-value.
TEST_F(WaterKValues, ChoosesTheSolubilityByRouteAndOption) {
  Terms terms;
  installTerms(terms);
  const std::vector<double> x{0.0, 0.7, 0.3};
  const double t = 360.0;
  double sTx = 0.0;
  double dTx = 0.0;
  equilibrium::WSOLTX(t, sTx, dTx);
  double sHc = 0.0;
  double dHc = 0.0;
  std::int32_t flag = -1;
  equilibrium::WSOLHC(3, 1, t, x, terms.a, terms.b, terms.c, terms.d, sHc, dHc, flag);
  ASSERT_EQ(flag, 0);
  ASSERT_NE(sHc, sTx);

  struct Case {
    const char* what;
    std::int32_t ncomp, simplified, option, alternative, noSolubility;
    double nonWater;
    double s;
  };
  for (const Case& c : {
           Case{"simplified", 3, 0, 0, 0, 0, 1.0, sTx},
           Case{"simplified, KCOPT digit 6", 3, 0, 0, 0, 1, 1.0, 1.0},
           Case{"hydrocarbon correlation", 3, 1, 0, 0, 0, 1.0, sHc},
           Case{"option 1", 3, 1, 1, 0, 0, 1.0, sHc},
           Case{"temperature correlation", 3, 1, 2, 0, 0, 1.0, sTx},
           Case{"free water beside equilibrium water", 3, 1, 3, 0, 0, 1.0, 1.0},
           Case{"no correlation", 3, 1, 4, 0, 0, 1.0, 1.0},
           Case{"empty alternative", 3, 1, 0, 1, 0, 1.0, 1.0},
           Case{"no hydrocarbon in the liquid", 3, 1, 0, 0, 0, 5e-11, 1.0},
       }) {
    SCOPED_TRACE(c.what);
    problem::THCTL.waterOption = c.option;
    problem::THCTL.liquidNonWaterFraction = c.nonWater;
    const Water w = kcwatr(c.ncomp, x, t, 300.0, c.simplified, c.alternative, c.noSolubility);
    EXPECT_EQ(problem::THCTL.xwd, c.s);
    EXPECT_DOUBLE_EQ(problem::THCTL.ywd, w.pw / 300.0);
    EXPECT_DOUBLE_EQ(w.kw, w.pw / 300.0 / c.s);
    const double fd = derivative(
        [&](double v) {
          return kcwatr(c.ncomp, x, v, 300.0, c.simplified, c.alternative, c.noSolubility).kw;
        },
        t, 1e-3);
    EXPECT_NEAR(w.dkwdt, fd, 1e-6 * std::abs(fd));
  }

  // The hydrocarbon correlation falls back on the temperature correlation for a liquid
  // without volume weight and when the component terms are not in core.
  problem::THCTL.waterOption = 0;
  problem::THCTL.liquidNonWaterFraction = 1.0;
  kcwatr(3, {1.0, 0.0, 0.0}, t, 300.0);
  EXPECT_EQ(problem::THCTL.xwd, sTx);
  problem::COPTRS.realSector(equilibrium::kSolubilityCSector) = services::NOCORE;
  kcwatr(3, x, t, 300.0);
  EXPECT_EQ(problem::THCTL.xwd, sTx);
}

// The temperature correlation: its formula at 300 K (its own constants, restated: the check
// is of the form), its limit at 200 K, its cap at 1, its slope against a difference, and the
// size of the solubility of water in saturated hydrocarbon liquids at 25 C. Water in
// n-hexane, x = 4.41e-4 at 298.15 K, from the equation of C. Tsonopoulos and G. M. Wilson,
// AIChE J. 29 (1983) 990, ln x = -45.1714 - 1635.73/T + 7.53503 ln T, as given on the
// IUPAC-NIST Solubility Database sheet "Hexane with Water" (Solubility Data Series vol. 81).
// One temperature correlation for every hydrocarbon cannot do better than the spread
// between hydrocarbons, hence a band of a factor of 1.75 either way. Benzene dissolves more
// water, about 2.7e-3 (unconfirmed: an upper bound only).
TEST(WSOLTX, FollowsItsFormulaAndPublishedSolubilities) {
  double s = 0.0;
  double dsdt = 0.0;
  equilibrium::WSOLTX(300.0, s, dsdt);
  EXPECT_DOUBLE_EQ(s, std::exp(6.23685 - 7218.58364 / 540.0));
  EXPECT_DOUBLE_EQ(dsdt, 7218.58364 / 540.0 * s / 300.0);
  // 200 K: the exponent 20.05 is limited to 20, so s no longer changes with T.
  equilibrium::WSOLTX(200.0, s, dsdt);
  EXPECT_DOUBLE_EQ(s, std::exp(6.23685 - 20.0));
  EXPECT_EQ(dsdt, 0.0);
  // Above about 643 K the formula passes 1: s = 1.
  equilibrium::WSOLTX(650.0, s, dsdt);
  EXPECT_EQ(s, 1.0);
  EXPECT_EQ(dsdt, 0.0);
  for (double t : {230.0, 298.15, 400.0, 600.0}) {
    SCOPED_TRACE(t);
    equilibrium::WSOLTX(t, s, dsdt);
    const double fd = derivative(
        [](double v) {
          double sv = 0.0;
          double d = 0.0;
          equilibrium::WSOLTX(v, sv, d);
          return sv;
        },
        t, 1e-3);
    EXPECT_NEAR(dsdt, fd, 1e-7 * fd);
  }
  equilibrium::WSOLTX(298.15, s, dsdt);
  const double hexane = std::exp(-45.1714 - 1635.73 / 298.15 + 7.53503 * std::log(298.15));
  EXPECT_GT(s, hexane / 1.75);
  EXPECT_LT(s, hexane * 1.75);
  EXPECT_LT(s, 2.7e-3);
}

// The hydrocarbon correlation: a fixed trace below the ice point, water left out of the
// averages, h raised to 0, a slope that agrees with a difference at fixed composition, and
// the cap at 1. The formula's constants are the correlation's own, restated: the checks are
// of its form and limits, not of published solubilities.
TEST(WSOLHC, FollowsItsFormulaAndItsLimits) {
  Terms terms;
  const auto solve = [&](double t, const std::vector<double>& x, const Terms& tm, double& dsdt,
                         std::int32_t& flag) {
    double s = -1.0;
    equilibrium::WSOLHC(3, 1, t, x, tm.a, tm.b, tm.c, tm.d, s, dsdt, flag);
    return s;
  };
  double dsdt = -1.0;
  std::int32_t flag = -1;
  EXPECT_EQ(solve(270.0, {0.0, 0.5, 0.5}, terms, dsdt, flag), 1e-6);
  EXPECT_EQ(dsdt, 0.0);
  EXPECT_EQ(flag, 0);

  // The formula with H from the averages: V = 0.5 (1.1 + 1.4) ...
  const std::vector<double> x{0.2, 0.4, 0.4};
  const double v = 0.4 * 1.1 + 0.4 * 1.4;
  const double bs = 0.4 * 0.2 + 0.4 * 0.6;
  const double cv = 0.4 * 1.1 * 0.4 + 0.4 * 1.4 * 0.9;
  const double dv = 0.4 * 1.1 * 0.1 + 0.4 * 1.4 * 0.3;
  const double hh = 1.0 - (dv / v + (cv / v - 0.5) / (bs + 1.0)) + 0.5;
  const double l = std::log(hh);
  const double t = 330.0;
  const double lnS = -15.943 / hh - 4729.06 / t + 1758.12 / (hh * t) - 7.43125 * hh +
                     366.133 * hh / t - 8.84834 * l + 1.25069 * std::log(t) +
                     0.859272 * l * std::log(t) + 2328.54 * l / t + 2.04263 * std::log(t) / hh +
                     1.01762 * hh * std::log(t);
  EXPECT_NEAR(solve(t, x, terms, dsdt, flag), std::exp(lnS), 1e-12 * std::exp(lnS));
  // Changing the water's own terms changes nothing.
  Terms other = terms;
  other.a[0] = 50.0;
  other.b[0] = -7.0;
  EXPECT_EQ(solve(t, x, other, dsdt, flag), std::exp(lnS));

  // The slope at fixed composition against a difference, over temperatures and make-ups.
  for (const std::vector<double>& xs :
       {x, std::vector<double>{0.0, 1.0, 0.0}, std::vector<double>{0.0, 0.1, 0.9}}) {
    for (double tt : {280.0, 350.0, 450.0}) {
      SCOPED_TRACE(tt);
      const double s = solve(tt, xs, terms, dsdt, flag);
      ASSERT_LT(s, 1.0);
      const double fd = derivative(
          [&](double vv) {
            double d = 0.0;
            std::int32_t f = 0;
            return solve(vv, xs, terms, d, f);
          },
          tt, 1e-3);
      EXPECT_NEAR(dsdt, fd, 1e-7 * fd);
    }
  }

  // A negative h counts as 0: two liquids with h < 0 give the same s.
  Terms heavy = terms;
  heavy.d = {0.0, 3.0, 5.0};
  const double s1 = solve(t, {0.0, 1.0, 0.0}, heavy, dsdt, flag);
  const double s2 = solve(t, {0.0, 0.0, 1.0}, heavy, dsdt, flag);
  EXPECT_EQ(s1, s2);

  // Hot enough, the formula passes 1: s = 1 and no slope.
  EXPECT_EQ(solve(640.0, x, terms, dsdt, flag), 1.0);
  EXPECT_EQ(dsdt, 0.0);

  // No volume weight: cannot evaluate.
  flag = 0;
  solve(t, {1.0, 0.0, 0.0}, terms, dsdt, flag);
  EXPECT_EQ(flag, 1);
}

}  // namespace
