// KCALC over the digits of its three request words: the K option word (route, level, split,
// fugacity-only, normalisation, flags, ln K), the derivative request word (temperature and
// composition derivatives, the digits not read) and the call option word (a phase kept from
// the previous call). One row per digit value: the words, the state the row starts from and
// what the call must show.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "kvalues_support.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/slots.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/equilibrium/slots.hpp"

namespace {

using namespace kvalue_test;
using fugacity_test::array;

constexpr double kT = 300.0;
constexpr double kP = 2000.0;
const std::vector<double> kY = {0.85, 0.12, 0.03};
const std::vector<double> kX = {0.15, 0.35, 0.50};
const std::vector<double> kKij = {0.02, 0.03, 0.01};
constexpr double kStartDkDt = 0.1;  // what dK/dT holds when the call forms none

std::vector<double> expectedK(const std::vector<double>& y, const std::vector<double>& x) {
  const std::vector<double> v = independentLnPhi(Cubic::PengRobinson, kKij, y, kT, kP, false);
  const std::vector<double> l = independentLnPhi(Cubic::PengRobinson, kKij, x, kT, kP, true);
  std::vector<double> k(v.size());
  for (std::size_t i = 0; i < k.size(); ++i) k[i] = std::exp(l[i] - v[i]);
  return k;
}

// The split double: counts its calls and splits the liquid in two halves of distinct make-up.
std::int32_t splitCalls = 0;
void countingSplit(const equilibrium::LiquidSplitRequest&, equilibrium::LiquidSplitResult& r) {
  ++splitCalls;
  const std::vector<double> x1 = {0.25, 0.60, 0.15}, x2 = {0.05, 0.10, 0.85};
  std::copy(x1.begin(), x1.end(), r.x1.begin());
  std::copy(x2.begin(), x2.end(), r.x2.begin());
  r.theta = 0.5;
  r.za = 0.1;
  r.zb = 0.12;
  r.status = 0;
}

// One row: the three words, the K-value option digit and option word of the set, the
// compositions, a set-up of its own, and what the call must show.
struct OptionCase {
  std::string name;
  std::int32_t kcopt, kcdrv, kccall;
  std::int32_t optionDigit = 1, optionWord = 0;
  std::vector<double> y = kY, x = kX;
  std::function<void()> setup = [] {};
  std::function<void(const KResult&)> check;
};

bool matricesFilled() {
  const std::vector<double> m = array(equilibrium::kLnKxArray, kN * kN);
  return std::any_of(m.begin(), m.end(), [](double v) { return v != 0.0; });
}

TEST(KCALC, OptionDigitsChooseTheRouteAndTheFlags) {
  const std::vector<double> rigorous = expectedK(kY, kX);
  const auto raoult = [](const KResult& r) {
    for (std::size_t i = 0; i < kN; ++i) {
      const double k = antoine(i, kT) / kP;
      EXPECT_NEAR(r.k[i], k, 1e-6 * k);
      EXPECT_NEAR(r.dkdp[i], -r.k[i] / kP, 1e-12);
    }
  };
  const auto isRigorous = [&](const KResult& r) {
    for (std::size_t i = 0; i < kN; ++i) EXPECT_NEAR(r.k[i], rigorous[i], 1e-9 * rigorous[i]);
  };
  const auto withSplit = [] {
    equilibrium::fillLiquidSplit(countingSplit);
    splitCalls = 0;
  };
  // Without a liquid-liquid method (with one, a call that finds no split falls back to a
  // full pair evaluation).
  const auto noLiquidLiquid = [] { methods::MSPTRS.classes(2) = {}; };
  const auto noTemperatureDerivatives = [](const KResult& r) {
    for (double v : r.dkdt) EXPECT_EQ(v, kStartDkDt);
  };
  const std::vector<OptionCase> cases = {
      // K option word, digit 1: the route.
      {.name = "0: simplified, Raoult's law",
       .kcopt = 0,
       .kcdrv = 0,
       .kccall = 12,
       .check = raoult},
      {.name = "0 with the set's rigorous-K digit",
       .kcopt = 0,
       .kcdrv = 0,
       .kccall = 12,
       .optionWord = 100,
       .check = isRigorous},
      {.name = "0 with option digit 2: Wilson estimate",
       .kcopt = 0,
       .kcdrv = 0,
       .kccall = 12,
       .optionDigit = 2,
       .check =
           [](const KResult& r) {
             const auto& c = fugacity_test::ternary();
             for (std::size_t i = 0; i < kN; ++i) {
               // G. M. Wilson's estimate, K = Pc/P exp(5.37 (1 + omega)(1 - Tc/T)).
               const double k =
                   c[i].pc / kP * std::exp(5.37 * (1.0 + c[i].omega) * (1.0 - c[i].tc / kT));
               EXPECT_NEAR(r.k[i], k, 1e-9 * k);
             }
           }},
      {.name = "1: rigorous, flags counted over both phases",
       .kcopt = 1,
       .kcdrv = 0,
       .kccall = 12,
       .check =
           [&](const KResult& r) {
             isRigorous(r);
             EXPECT_EQ(flags(), (std::vector<std::int32_t>{2, 2, 2}));
             EXPECT_EQ(methods::KMCTL.levelWord, 1);
           }},
      // Digits 1 and 4: the liquid-liquid split.
      {.name = "1 with a liquid-liquid method: the split runs",
       .kcopt = 1,
       .kcdrv = 0,
       .kccall = 12,
       .setup = withSplit,
       .check =
           [](const KResult& r) {
             EXPECT_EQ(splitCalls, 1);
             EXPECT_EQ(r.kccall, 1012);  // the second pair kept the vapour
           }},
      {.name = "digit 4: no split",
       .kcopt = 1001,
       .kcdrv = 0,
       .kccall = 12,
       .setup = withSplit,
       .check =
           [&](const KResult& r) {
             EXPECT_EQ(splitCalls, 0);
             isRigorous(r);
           }},
      {.name = "0 never splits",
       .kcopt = 0,
       .kcdrv = 0,
       .kccall = 12,
       .setup = withSplit,
       .check = [](const KResult&) { EXPECT_EQ(splitCalls, 0); }},
      // Digit 3: the liquid-liquid level.
      {.name = "digits 3 and 4: liquid-liquid level, no split, no vapour evaluation",
       .kcopt = 1101,
       .kcdrv = 0,
       .kccall = 12,
       .check =
           [](const KResult& r) {
             EXPECT_EQ(methods::KMCTL.levelWord, 2);
             EXPECT_EQ(r.zv, -9.0);
             EXPECT_NE(r.zl, -9.0);
           }},
      // Digit 5: fugacity coefficients only.
      {.name = "digit 5: fugacity coefficients only",
       .kcopt = 10001,
       .kcdrv = 0,
       .kccall = 12,
       .check =
           [&](const KResult& r) {
             for (std::size_t i = 0; i < kN; ++i) EXPECT_EQ(r.k[i], 1.0);
             const auto l = independentLnPhi(Cubic::PengRobinson, kKij, kX, kT, kP, true);
             const auto v = array(equilibrium::kLiquidLnPhiArray, kN);
             for (std::size_t i = 0; i < kN; ++i) EXPECT_NEAR(v[i], l[i], 1e-9);
           }},
      // Digit 6: normalisation.
      {.name = "digit 6: compositions used unchanged",
       .kcopt = 100001,
       .kcdrv = 0,
       .kccall = 12,
       .x = {0.3, 0.7, 1.0},
       .check =
           [](const KResult&) {
             EXPECT_EQ(array(equilibrium::kLiquidCompositionArray, kN),
                       (std::vector<double>{0.3, 0.7, 1.0}));
           }},
      {.name = "digit 6 = 0: 30 % water left out of the normalisation",
       .kcopt = 1,
       .kcdrv = 0,
       .kccall = 12,
       .y = {0.90, 0.08, 0.02},
       .x = {0.28, 0.42, 0.30},
       .setup =
           [&] {
             noLiquidLiquid();
             problem::THCTL.idecnt = 3;
             problem::THCTL.waterComponent = 3;
             problem::THCTL.waterOption = problem::kNoSolubilityCorrelation;
           },
       .check =
           [](const KResult&) {
             const auto xn = array(equilibrium::kLiquidCompositionArray, kN);
             EXPECT_DOUBLE_EQ(xn[0] + xn[1], 1.0);
             EXPECT_NEAR(xn[0], 0.4, 1e-15);
             EXPECT_EQ(xn[2], 0.0);
             EXPECT_DOUBLE_EQ(problem::THCTL.liquidNonWaterFraction, 0.7);
             EXPECT_EQ(flags()[2], 1);  // the water flag is back to 1 on leaving
           }},
      {.name = "free water beside equilibrium water: water stays in",
       .kcopt = 1,
       .kcdrv = 0,
       .kccall = 12,
       .y = {0.90, 0.08, 0.02},
       .x = {0.28, 0.42, 0.30},
       .setup =
           [&] {
             noLiquidLiquid();
             problem::THCTL.idecnt = 3;
             problem::THCTL.waterOption = problem::kFreeWaterBesideEquilibrium;
           },
       .check =
           [](const KResult&) {
             const auto xn = array(equilibrium::kLiquidCompositionArray, kN);
             EXPECT_DOUBLE_EQ(xn[2], 0.30);
             EXPECT_DOUBLE_EQ(problem::THCTL.liquidNonWaterFraction, 1.0);
           }},
      // Digit 7: every flag 2, water's 0.
      {.name = "digit 7: every flag 2",
       .kcopt = 1000001,
       .kcdrv = 0,
       .kccall = 12,
       .x = {0.5, 0.5, 0.0},
       .check =
           [](const KResult&) {
             EXPECT_EQ(flags(), (std::vector<std::int32_t>{2, 2, 2}));
           }},
      // Digit 8: ln K.
      {.name = "digit 8: ln K",
       .kcopt = 10000001,
       .kcdrv = 0,
       .kccall = 12,
       .check =
           [&](const KResult& r) {
             for (std::size_t i = 0; i < kN; ++i) EXPECT_NEAR(r.k[i], std::log(rigorous[i]), 1e-9);
           }},
      // The derivative request word.
      {.name = "derivatives 0: none formed",
       .kcopt = 1,
       .kcdrv = 0,
       .kccall = 12,
       .check =
           [&](const KResult& r) {
             noTemperatureDerivatives(r);
             EXPECT_EQ(equilibrium::fugacityDerivativeFlags.IDRVL, 0);
             EXPECT_FALSE(matricesFilled());
           }},
      {.name = "derivatives, units digit: temperature",
       .kcopt = 1,
       .kcdrv = 1,
       .kccall = 12,
       .check =
           [&](const KResult& r) {
             for (double v : r.dkdt) EXPECT_NE(v, kStartDkDt);
             EXPECT_FALSE(matricesFilled());
           }},
      {.name = "derivatives, digit 2: composition",
       .kcopt = 1,
       .kcdrv = 10,
       .kccall = 12,
       .check =
           [&](const KResult& r) {
             noTemperatureDerivatives(r);
             EXPECT_TRUE(matricesFilled());
             EXPECT_EQ(equilibrium::fugacityDerivativeFlags.IDRVV, 1);
             EXPECT_EQ(equilibrium::fugacityDerivativeFlags.IDRVL, 1);
           }},
      {.name = "derivatives, digit 7: composition",
       .kcopt = 1,
       .kcdrv = 1000000,
       .kccall = 12,
       .check = [](const KResult&) { EXPECT_TRUE(matricesFilled()); }},
      {.name = "derivatives, digit 8: not read",
       .kcopt = 1,
       .kcdrv = 10000000,
       .kccall = 12,
       .check =
           [&](const KResult& r) {
             noTemperatureDerivatives(r);
             EXPECT_FALSE(matricesFilled());
           }},
      // The call option word.
      {.name = "call 112: the liquid is not evaluated",
       .kcopt = 1,
       .kcdrv = 0,
       .kccall = 112,
       .setup = noLiquidLiquid,
       .check =
           [](const KResult& r) {
             EXPECT_EQ(r.zl, -9.0);
             EXPECT_NE(r.zv, -9.0);
           }},
      {.name = "call 1012: the vapour is not evaluated",
       .kcopt = 1,
       .kcdrv = 0,
       .kccall = 1012,
       .setup = noLiquidLiquid,
       .check =
           [](const KResult& r) {
             EXPECT_EQ(r.zv, -9.0);
             EXPECT_NE(r.zl, -9.0);
           }},
  };
  for (const OptionCase& c : cases) {
    SCOPED_TRACE(c.name);
    startKValueRun();
    useKValueMethod(101, cubicBlock(Cubic::PengRobinson, kKij), 1, c.optionWord);
    useLiquidLiquidMethod(101);
    methods::KMCTL.kvalue.option = c.optionDigit;
    // A split that finds none unless the case fills its own; put back after the case.
    const services::ScopedFill split(&equilibrium::fillLiquidSplit, &kvalue_test::noSplit);
    c.setup();
    c.check(kcalc(c.y, c.x, kT, kP, c.kcopt, c.kcdrv, c.kccall));
  }
}

}  // namespace
