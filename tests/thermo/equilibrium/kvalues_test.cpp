// The K-value engine: KCALC over the digits of its option words (the route taken and the
// flags set), K = phiL/phiV of two cubic equations against an independent evaluation written
// here, the temperature, pressure and composition derivatives against central differences,
// the activity route against its pieces, the water K-value and the liquid-liquid route with
// a test double in the split slot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "../pure/correlation_sets.hpp"
#include "../pure/density_blocks.hpp"
#include "kvalues_support.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "services/slots.hpp"
#include "storage/storage.hpp"
#include "support/allocation_counter.hpp"
#include "support/test_support.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/equilibrium/slots.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using namespace kvalue_test;
using fugacity_test::array;

constexpr double kT = 300.0;
constexpr double kP = 2000.0;
const std::vector<double> kY = {0.85, 0.12, 0.03};
const std::vector<double> kX = {0.15, 0.35, 0.50};
const std::vector<double> kKij = {0.02, 0.03, 0.01};
constexpr std::int32_t kRigorous = 1;
constexpr std::int32_t kTemperature = 1;
constexpr std::int32_t kComposition = 101;

class KValues : public ::testing::Test {
 protected:
  void SetUp() override { startKValueRun(); }
  // No layer below the flash engine serves the split: a split that finds none, unless a
  // test fills its own.
  services::ScopedFill<equilibrium::LiquidSplit> split_{&equilibrium::fillLiquidSplit,
                                                        &kvalue_test::noSplit};
  void useCubic(Cubic form, std::int32_t optionWord = 0) {
    useKValueMethod(101, cubicBlock(form, kKij), 1, optionWord);
  }
};

std::vector<double> expectedK(Cubic form, const std::vector<double>& y,
                              const std::vector<double>& x, double t, double p) {
  const std::vector<double> v = independentLnPhi(form, kKij, y, t, p, false);
  const std::vector<double> l = independentLnPhi(form, kKij, x, t, p, true);
  std::vector<double> k(v.size());
  for (std::size_t i = 0; i < k.size(); ++i) k[i] = std::exp(l[i] - v[i]);
  return k;
}

// The composition after adding H moles of component K to one mole of Z.
std::vector<double> added(const std::vector<double>& z, std::size_t k, double h) {
  std::vector<double> r = z;
  r[k] += h;
  for (double& v : r) v /= 1.0 + h;
  return r;
}

// ---------------------------------------------------------------------------------------
// Rigorous K-values of the cubic equations
// ---------------------------------------------------------------------------------------

TEST_F(KValues, CubicKValuesAreTheRatioOfTheFugacityCoefficients) {
  for (Cubic form : {Cubic::PengRobinson, Cubic::Soave}) {
    SCOPED_TRACE(form == Cubic::Soave ? "Soave" : "Peng-Robinson");
    useCubic(form);
    for (const auto& [t, p] :
         std::vector<std::pair<double, double>>{{300.0, 2000.0}, {250.0, 800.0}}) {
      const KResult r = kcalc(kY, kX, t, p, kRigorous);
      const std::vector<double> k = expectedK(form, kY, kX, t, p);
      EXPECT_EQ(r.ierr, 0);
      EXPECT_EQ(r.ifugst, 0);
      for (std::size_t i = 0; i < kN; ++i) EXPECT_NEAR(r.k[i], k[i], 1e-9 * k[i]) << i;
      EXPECT_GT(r.zv, r.zl);
    }
  }
}

TEST_F(KValues, DerivativesAgreeWithCentralDifferences) {
  for (Cubic form : {Cubic::PengRobinson, Cubic::Soave}) {
    SCOPED_TRACE(form == Cubic::Soave ? "Soave" : "Peng-Robinson");
    useCubic(form);
    const KResult r = kcalc(kY, kX, kT, kP, kRigorous, kComposition);
    const std::vector<double> dlnkdx = array(equilibrium::kLnKxArray, kN * kN);
    const std::vector<double> dlnkdy = array(equilibrium::kLnKyArray, kN * kN);
    const std::vector<double> diagX = array(equilibrium::kLnKxDiagonalArray, kN);
    const double ht = 1e-3, hp = 1e-2, hn = 1e-5;
    const KResult tp = kcalc(kY, kX, kT + ht, kP, kRigorous);
    const KResult tm = kcalc(kY, kX, kT - ht, kP, kRigorous);
    const KResult pp = kcalc(kY, kX, kT, kP + hp, kRigorous);
    const KResult pm = kcalc(kY, kX, kT, kP - hp, kRigorous);
    for (std::size_t i = 0; i < kN; ++i) {
      const double fdT = (tp.k[i] - tm.k[i]) / (2.0 * ht);
      const double fdP = (pp.k[i] - pm.k[i]) / (2.0 * hp);
      EXPECT_NEAR(r.dkdt[i], fdT, 1e-6 * std::fabs(fdT) + 1e-10) << "T " << i;
      EXPECT_NEAR(r.dkdp[i], fdP, 1e-6 * std::fabs(fdP) + 1e-12) << "P " << i;
    }
    for (std::size_t k = 0; k < kN; ++k) {
      const KResult xp = kcalc(kY, added(kX, k, hn), kT, kP, kRigorous);
      const KResult xm = kcalc(kY, added(kX, k, -hn), kT, kP, kRigorous);
      const KResult yp = kcalc(added(kY, k, hn), kX, kT, kP, kRigorous);
      const KResult ym = kcalc(added(kY, k, -hn), kX, kT, kP, kRigorous);
      for (std::size_t i = 0; i < kN; ++i) {
        const double fdx = (std::log(xp.k[i]) - std::log(xm.k[i])) / (2.0 * hn);
        const double fdy = (std::log(yp.k[i]) - std::log(ym.k[i])) / (2.0 * hn);
        EXPECT_NEAR(dlnkdx[k * kN + i], fdx, 1e-6 * std::fabs(fdx) + 1e-7) << i << "," << k;
        EXPECT_NEAR(dlnkdy[k * kN + i], fdy, 1e-6 * std::fabs(fdy) + 1e-7) << i << "," << k;
      }
      EXPECT_EQ(diagX[k], dlnkdx[k * kN + k]);
    }
    EXPECT_EQ(equilibrium::fugacityDerivativeFlags.IDRVV, 0);  // the last call was level 1
  }
}

// A composition request sets the derivative flags only when the matrices were filled.
TEST_F(KValues, DerivativeFlagsFollowTheCompositionMatrices) {
  useCubic(Cubic::PengRobinson);
  kcalc(kY, kX, kT, kP, kRigorous, kComposition);
  EXPECT_EQ(equilibrium::fugacityDerivativeFlags.IDRVV, 1);
  EXPECT_EQ(equilibrium::fugacityDerivativeFlags.IDRVL, 1);
  kcalc(kY, kX, kT, kP, kRigorous, kTemperature);
  EXPECT_EQ(equilibrium::fugacityDerivativeFlags.IDRVV, 0);
  EXPECT_EQ(equilibrium::fugacityDerivativeFlags.IDRVL, 0);
}

// A units digit of 2 still forms the temperature derivatives of this call (not stale ones).
TEST_F(KValues, AnyTemperatureRequestFormsFreshDerivatives) {
  useCubic(Cubic::PengRobinson);
  kcalc(kY, kX, 350.0, kP, kRigorous, kTemperature);
  const KResult two = kcalc(kY, kX, kT, kP, kRigorous, 2);
  const KResult one = kcalc(kY, kX, kT, kP, kRigorous, kTemperature);
  for (std::size_t i = 0; i < kN; ++i) EXPECT_DOUBLE_EQ(two.dkdt[i], one.dkdt[i]);
}

// ---------------------------------------------------------------------------------------
// The option words (the table of every digit: kvalue_options_test.cpp)
// ---------------------------------------------------------------------------------------

// Digit 6 uses the compositions as given; digit 6 = 0 normalises them.
TEST_F(KValues, DigitSixKeepsTheCompositionsUnchanged) {
  useCubic(Cubic::PengRobinson);
  const std::vector<double> x2 = {0.3, 0.7, 1.0};  // sums to 2
  kcalc(kY, x2, kT, kP, 100001);
  EXPECT_EQ(array(equilibrium::kLiquidCompositionArray, kN), x2);
  kcalc(kY, x2, kT, kP, 1);
  const auto xn = array(equilibrium::kLiquidCompositionArray, kN);
  for (std::size_t i = 0; i < kN; ++i) EXPECT_DOUBLE_EQ(xn[i], x2[i] / 2.0);
}

// The call option words 1012 and 112 reuse the previous vapour (liquid) fugacities.
TEST_F(KValues, UnchangedPhasesReuseThePreviousFugacities) {
  useCubic(Cubic::PengRobinson);
  const std::vector<double> y2 = {0.5, 0.3, 0.2};
  const std::vector<double> x2 = {0.05, 0.25, 0.70};
  kcalc(kY, kX, kT, kP, kRigorous);
  const KResult vapourKept = kcalc(y2, x2, kT, kP, kRigorous, 0, equilibrium::kVapourUnchanged);
  const std::vector<double> k1 = expectedK(Cubic::PengRobinson, kY, x2, kT, kP);
  for (std::size_t i = 0; i < kN; ++i) EXPECT_NEAR(vapourKept.k[i], k1[i], 1e-9 * k1[i]);
  const KResult liquidKept = kcalc(y2, kX, kT, kP, kRigorous, 0, equilibrium::kLiquidUnchanged);
  const std::vector<double> k2 = expectedK(Cubic::PengRobinson, y2, x2, kT, kP);
  for (std::size_t i = 0; i < kN; ++i) EXPECT_NEAR(liquidKept.k[i], k2[i], 1e-9 * k2[i]);
}

// A water component at 30 % of the liquid: x' sums to 1 without it, the liquid non-water
// fraction is 0.7, the water flag ends at 1 and K(w) is the water K-value routine's.
TEST_F(KValues, WaterIsLeftOutOfTheNormalisation) {
  useCubic(Cubic::PengRobinson);
  problem::THCTL.idecnt = 3;
  problem::THCTL.waterComponent = 3;
  problem::THCTL.waterOption = problem::kNoSolubilityCorrelation;
  const std::vector<double> x = {0.28, 0.42, 0.30};
  const std::vector<double> y = {0.90, 0.08, 0.02};
  const KResult r = kcalc(y, x, kT, kP, kRigorous);
  const auto xn = array(equilibrium::kLiquidCompositionArray, kN);
  EXPECT_DOUBLE_EQ(xn[0] + xn[1], 1.0);
  EXPECT_EQ(xn[2], 0.0);
  EXPECT_NEAR(xn[0], 0.4, 1e-15);
  EXPECT_DOUBLE_EQ(problem::THCTL.liquidNonWaterFraction, 0.7);
  EXPECT_EQ(flags()[2], 1);
  double kw = 0.0, dkwdt = 0.0, dkwdp = 0.0, dpwdt = 0.0, pw = 0.0;
  equilibrium::KCWATR(3, xn, kw, 0, dkwdt, dkwdp, dpwdt, 1, 0, kT, kP, 6, 0, pw, 0);
  EXPECT_DOUBLE_EQ(r.k[2], kw);
  EXPECT_DOUBLE_EQ(r.dkdp[2], dkwdp);
  // The water words of the set control: YWD the free-water K-value Pw/P, XWD the solubility.
  EXPECT_DOUBLE_EQ(problem::THCTL.ywd, pw / kP);
  EXPECT_DOUBLE_EQ(kw, problem::THCTL.ywd / problem::THCTL.xwd);
}

// The water words of the set control after a K-value call with a water component, for the
// temperature solubility correlation: YWD the free-water K-value Pw/P, XWD the solubility
// s = exp(6.23685 - min(7218.58364/(1.8 T), 20)), their ratio K(w); words 13 and 14 the
// non-water partial pressure of the liquid.
TEST_F(KValues, WaterRouteFillsTheSetControlWords) {
  useCubic(Cubic::PengRobinson);
  problem::THCTL.idecnt = 3;
  problem::THCTL.waterComponent = 3;
  problem::THCTL.waterOption = problem::kWaterFromTemperature;
  const std::vector<double> x = {0.28, 0.42, 0.30};
  const std::vector<double> y = {0.90, 0.08, 0.02};
  for (const double t : {kT, kT + 25.0}) {
    SCOPED_TRACE(t);
    problem::THCTL.xwd = problem::THCTL.ywd = -1.0;
    const KResult r = kcalc(y, x, t, kP, kRigorous);
    const double s = std::exp(6.23685 - std::min(7218.58364 / (1.8 * t), 20.0));
    EXPECT_NEAR(problem::THCTL.xwd, s, 1e-12 * s);
    double kw = 0.0, dkwdt = 0.0, dkwdp = 0.0, dpwdt = 0.0, pw = 0.0;
    const auto xn = array(equilibrium::kLiquidCompositionArray, kN);
    equilibrium::KCWATR(3, xn, kw, 0, dkwdt, dkwdp, dpwdt, 1, 0, t, kP, 6, 0, pw, 0);
    EXPECT_GT(pw, 0.0);
    EXPECT_DOUBLE_EQ(problem::THCTL.ywd, pw / kP);
    EXPECT_NEAR(r.k[2], problem::THCTL.ywd / problem::THCTL.xwd, 1e-12 * r.k[2]);
    EXPECT_NEAR(problem::THCTL.partialPressure, 0.7 * kP, 1e-9 * kP);
  }
}

// ---------------------------------------------------------------------------------------
// The activity route
// ---------------------------------------------------------------------------------------

// Wilson (404), NRTL (401) and UNIQUAC (403) with an ideal vapour: K = gamma Psat/P, gamma
// from the model itself, Psat from the Antoine equation evaluated here.
TEST_F(KValues, ActivityKValuesAreGammaTimesVapourPressureOverPressure) {
  struct Model {
    std::int32_t code;
    std::vector<double> param;
    std::vector<std::int32_t> ictl;
    std::size_t cacheWords;
  };
  const std::size_t n2 = kN * kN;
  std::vector<double> nrtl(5 * n2, 0.0);
  for (std::size_t i = 0; i < kN; ++i) {
    for (std::size_t j = 0; j < kN; ++j) {
      if (i == j) continue;
      nrtl[n2 + j * kN + i] = 0.3;
      nrtl[3 * n2 + j * kN + i] = 40.0 * static_cast<double>(i + 1) - 25.0 * static_cast<double>(j);
    }
  }
  std::vector<double> wilson(n2 + kN, 0.0);
  std::vector<double> uniquac(2 * n2 + 3 * kN, 0.0);
  for (std::size_t i = 0; i < kN; ++i) {
    for (std::size_t j = 0; j < kN; ++j) {
      if (i == j) continue;
      wilson[j * kN + i] = 60.0 + 15.0 * static_cast<double>(i) - 10.0 * static_cast<double>(j);
      uniquac[j * kN + i] = 30.0 - 12.0 * static_cast<double>(i + j);
    }
    wilson[n2 + i] = 0.04 + 0.04 * static_cast<double>(i);
    uniquac[2 * n2 + i] = uniquac[2 * n2 + kN + i] = 1.1 + 0.9 * static_cast<double>(i);
    uniquac[2 * n2 + 2 * kN + i] = 1.1 + 1.1 * static_cast<double>(i);
  }
  const std::vector<Model> models = {{401, nrtl, {0, 2, 0, -1, 1, 0}, 4 * n2 + 1},
                                     {404, wilson, {0, 0, 0, -1, 1, 0}, 2 * n2 + 1},
                                     {403, uniquac, {0, 3, 0, -1, 1, 0}, 2 * n2 + 1}};
  for (const Model& m : models) {
    SCOPED_TRACE(m.code);
    startKValueRun();
    BlockData block;
    block.reals = m.param;
    block.integers = m.ictl;
    block.reals2.assign(m.cacheWords, 0.0);
    useKValueMethod(m.code, block, equilibrium::kActivityOptionDigit);
    const KResult r = kcalc(kY, kX, kT, kP, kRigorous, kTemperature);
    EXPECT_EQ(r.zl, 1.0);
    // The model evaluated directly.
    std::vector<double> param = m.param, cache(m.cacheWords, 0.0), work(4 * kN, 0.0);
    std::vector<std::int32_t> ictl = m.ictl;
    std::vector<double> lng(kN), dlng(kN), diag(kN), dx(n2);
    equilibrium::ActivityModelCall call;
    call.x = kX;
    call.t = kT;
    call.p = kP;
    call.ncl = static_cast<std::int32_t>(kN);
    call.param = param;
    call.ictl = ictl;
    call.cache = cache;
    call.work = work;
    call.lngam = lng;
    call.dlngdt = dlng;
    call.diagonal = diag;
    call.dlngdx = dx;
    call.code = m.code;
    if (m.code == 404) equilibrium::VTWILS(call);
    if (m.code == 403) equilibrium::VTUNIQ(call);
    if (m.code == 401) {
      double gTT = 0.0;
      pure::VTNRTL(kX, kT, call.ncl, 0, param, ictl, cache, std::span<double>(work).first(4 * kN),
                   lng, dlng, dx, call.gert, call.hert2, gTT);
    }
    for (std::size_t i = 0; i < kN; ++i) {
      const double k = std::exp(lng[i]) * antoine(i, kT) / kP;
      EXPECT_NEAR(r.k[i], k, 1e-6 * k) << i;
      EXPECT_NEAR(r.dkdp[i], -r.k[i] / kP, 1e-12 * r.k[i]);
    }
    // dK/dT against differences.
    const KResult tp = kcalc(kY, kX, kT + 1e-3, kP, kRigorous);
    const KResult tm = kcalc(kY, kX, kT - 1e-3, kP, kRigorous);
    for (std::size_t i = 0; i < kN; ++i) {
      const double fd = (tp.k[i] - tm.k[i]) / 2e-3;
      EXPECT_NEAR(r.dkdt[i], fd, 1e-5 * std::fabs(fd)) << i;
    }
  }
}

// ---------------------------------------------------------------------------------------
// The liquid-liquid route
// ---------------------------------------------------------------------------------------

// The split double: a fixed split whatever the state, theta of liquid 1.
constexpr double kTheta = 0.25;
const std::vector<double> kX1 = {0.25, 0.60, 0.15};
const std::vector<double> kX2 = {0.12, 0.27, 0.61};
std::int32_t splitCalls = 0;
void fixedSplit(const equilibrium::LiquidSplitRequest&, equilibrium::LiquidSplitResult& r) {
  ++splitCalls;
  std::copy(kX1.begin(), kX1.end(), r.x1.begin());
  std::copy(kX2.begin(), kX2.end(), r.x2.begin());
  r.theta = kTheta;
  r.za = 0.1;
  r.zb = 0.12;
  r.status = 0;
}

TEST_F(KValues, LiquidLiquidRouteCombinesTheTwoPairs) {
  useCubic(Cubic::PengRobinson);
  useLiquidLiquidMethod(101);
  const services::ScopedFill split(&equilibrium::fillLiquidSplit, &fixedSplit);
  splitCalls = 0;
  const KResult r = kcalc(kY, kX, kT, kP, kRigorous, kTemperature);
  EXPECT_EQ(splitCalls, 1);
  EXPECT_EQ(r.kccall, 1012);  // the second pair reused the vapour
  const std::vector<double> k1 = expectedK(Cubic::PengRobinson, kY, kX1, kT, kP);
  const std::vector<double> k2 = expectedK(Cubic::PengRobinson, kY, kX2, kT, kP);
  for (std::size_t i = 0; i < kN; ++i) {
    // x = theta x1 + (1 - theta) x2 of the liquid: 1/K = theta/K1 + (1 - theta)/K2.
    const double k = 1.0 / (kTheta / k1[i] + (1.0 - kTheta) / k2[i]);
    EXPECT_NEAR(r.k[i], k, 1e-9 * k) << i;
  }
  EXPECT_NEAR(r.zl, 0.1 * kTheta + 0.12 * (1.0 - kTheta), 1e-15);
  // Derivatives of the combination against differences of the combination.
  const double ht = 1e-3, hp = 1e-2;
  const KResult tp = kcalc(kY, kX, kT + ht, kP, kRigorous);
  const KResult tm = kcalc(kY, kX, kT - ht, kP, kRigorous);
  const KResult pp = kcalc(kY, kX, kT, kP + hp, kRigorous);
  const KResult pm = kcalc(kY, kX, kT, kP - hp, kRigorous);
  const KResult again = kcalc(kY, kX, kT, kP, kRigorous, kTemperature);
  for (std::size_t i = 0; i < kN; ++i) {
    const double fdT = (tp.k[i] - tm.k[i]) / (2.0 * ht);
    const double fdP = (pp.k[i] - pm.k[i]) / (2.0 * hp);
    EXPECT_NEAR(again.dkdt[i], fdT, 1e-6 * std::fabs(fdT)) << i;
    EXPECT_NEAR(again.dkdp[i], fdP, 1e-6 * std::fabs(fdP)) << i;
  }
  // An unchanged liquid keeps the stored split.
  kcalc(kY, kX, kT, kP, kRigorous, 0, equilibrium::kLiquidUnchanged);
  EXPECT_EQ(splitCalls, 6);
  // Digit 4 asks for no split: the plain pair.
  const KResult plain = kcalc(kY, kX, kT, kP, 1001);
  const std::vector<double> k = expectedK(Cubic::PengRobinson, kY, kX, kT, kP);
  for (std::size_t i = 0; i < kN; ++i) EXPECT_NEAR(plain.k[i], k[i], 1e-9 * k[i]);
}

// A split that finds none: the plain phase pair, and the stored split marked unusable.
TEST_F(KValues, NoSplitFallsBackToThePlainPair) {
  useCubic(Cubic::PengRobinson);
  useLiquidLiquidMethod(101);
  const services::ScopedFill split(&equilibrium::fillLiquidSplit, &kvalue_test::noSplit);
  const KResult r = kcalc(kY, kX, kT, kP, kRigorous, 0, 12);
  const std::vector<double> k = expectedK(Cubic::PengRobinson, kY, kX, kT, kP);
  for (std::size_t i = 0; i < kN; ++i) EXPECT_NEAR(r.k[i], k[i], 1e-9 * k[i]);
  EXPECT_EQ(r.kccall, 12);
  EXPECT_EQ(methods::KMCTL.levelWord, 1);
  for (double v : equilibrium::liquidSplitState.x1) EXPECT_EQ(v, services::DMISS);
  EXPECT_EQ(equilibrium::liquidSplitState.theta, -1.0);
}

// An empty split slot is no answer: the run ends in the abort report, where an empty slot
// that answered "no split" would pass for a liquid that does not split.
TEST_F(KValues, EmptySplitSlotEndsTheRun) {
  useCubic(Cubic::PengRobinson);
  useLiquidLiquidMethod(101);
  const services::ScopedFill split(&equilibrium::fillLiquidSplit,
                                   static_cast<equilibrium::LiquidSplit>(nullptr));
  testing_support::StopThrows stop;
  EXPECT_THROW(kcalc(kY, kX, kT, kP, kRigorous, 0, 12), platform::RunStopped);
}

// Alike K-values and phases that differ little in Z: the split is rejected.
TEST(FLSKSP, RejectsASplitOfAlikePhases) {
  services::FLTOL(8) = 5e-7;
  problem::THCTL.idecnt = 0;
  const std::vector<std::int32_t> present = {1, 1, 0};
  std::int32_t refresh = -1;
  double diff = 0.0;
  methods::FLSKSP(present, std::vector<double>{1.0, 1.5, 100.0}, 0.31, 0.30, 0.5, 0.5, refresh, 0,
                  diff, 3);
  EXPECT_EQ(refresh, 0);
  EXPECT_NEAR(diff, 0.01, 1e-15);
  methods::FLSKSP(present, std::vector<double>{1.0, 1.5, 100.0}, 0.33, 0.30, 0.5, 0.5, refresh, 0,
                  diff, 3);
  EXPECT_EQ(refresh, 1);
  methods::FLSKSP(present, std::vector<double>{1.0, 1.5, 100.0}, 0.33, 0.30, 1e-8, 0.5, refresh, 0,
                  diff, 3);
  EXPECT_EQ(refresh, 0);  // a vanishing phase asks for 0.1
  methods::FLSKSP(present, std::vector<double>{1.0, 11.0, 1.0}, 0.30, 0.30, 0.5, 0.5, refresh, 0,
                  diff, 3);
  EXPECT_EQ(refresh, 1);  // a wide spread
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The stored K-value model
// ---------------------------------------------------------------------------------------

class StoredModel : public KValues {
 protected:
  // Switches (1, LEVEL, 1), the block got and filled with a reference state.
  void store(std::int32_t level, double t0, double p0) {
    equilibrium::storedModelSwitches = {1, level, 1};
    std::int32_t handle = 0, ierr = 0;
    methods::ALDESC(handle, ierr, level);
    ASSERT_EQ(ierr, 0);
    const methods::StoredModelBlock& b = methods::storedModelBlock;
    const auto put = [&](std::int32_t offset, std::size_t k, double v) {
      storage::CORSTO.setReal(b.start + offset + static_cast<std::int32_t>(k) + 1, v);
    };
    put(0, 0, t0);
    put(0, 1, p0);
    for (std::size_t i = 0; i < kN; ++i) {
      put(b.k0, i, k0[i]);
      put(b.dkdt0, i, dkdt0[i]);
      put(b.dkdp0, i, dkdp0[i]);
      if (level < 2) continue;
      put(b.x0, i, kX[i]);
      for (std::size_t j = 0; j < kN; ++j) put(b.dlnkdx, i * kN + j, 0.1 * (1.0 + i) - 0.05 * j);
    }
  }
  void TearDown() override { equilibrium::storedModelSwitches = {}; }
  const std::vector<double> k0 = {4.0, 0.8, 0.05};
  const std::vector<double> dkdt0 = {0.01, 0.02, 0.003};
  const std::vector<double> dkdp0 = {-0.002, -0.0004, -0.00002};
};

TEST_F(StoredModel, ExtrapolatesFromTheReferenceState) {
  useCubic(Cubic::PengRobinson);
  store(2, kT, kP);
  // At the reference state with the reference liquid: K0.
  KResult r = kcalc(kY, kX, kT, kP, kRigorous);
  for (std::size_t i = 0; i < kN; ++i) EXPECT_NEAR(r.k[i], k0[i], 1e-14 * k0[i]);
  // Elsewhere: the first-order expansion in 1/T, ln P and x, written out here.
  const std::vector<double> x2 = {0.2, 0.3, 0.5};
  r = kcalc(kY, x2, 320.0, 2500.0, kRigorous);
  for (std::size_t i = 0; i < kN; ++i) {
    double lnk = std::log(k0[i]) - kT * kT * dkdt0[i] / k0[i] * (1.0 / 320.0 - 1.0 / kT) +
                 kP * dkdp0[i] / k0[i] * std::log(2500.0 / kP);
    for (std::size_t j = 0; j < kN; ++j) lnk += (x2[j] - kX[j]) * (0.1 * (1.0 + i) - 0.05 * j);
    EXPECT_NEAR(r.k[i], std::exp(lnk), 1e-12 * std::exp(lnk)) << i;
  }
  // A component absent from both phases: K = 1.
  r = kcalc({0.9, 0.1, 0.0}, {0.5, 0.5, 0.0}, kT, kP, kRigorous);
  EXPECT_EQ(r.k[2], 1.0);
}

TEST_F(StoredModel, DeclinesWithoutAReferenceStateAndClearsTheStatus) {
  useCubic(Cubic::PengRobinson);
  store(1, 0.0, kP);
  KResult r;
  r.k.assign(kN, 0.0);
  r.ifugst = 99;
  r.kccall = 12;
  equilibrium::KCALC(3, 3, kY, kX, r.k, kT, kP, r.zv, r.zl, r.kccall, 0, kRigorous, r.ierr, 0,
                     r.ifugst);
  EXPECT_EQ(r.ifugst, 0);
  const std::vector<double> k = expectedK(Cubic::PengRobinson, kY, kX, kT, kP);
  for (std::size_t i = 0; i < kN; ++i) EXPECT_NEAR(r.k[i], k[i], 1e-9 * k[i]);
}

// ---------------------------------------------------------------------------------------
// Distribution coefficients between two liquids
// ---------------------------------------------------------------------------------------

TEST_F(KValues, DistributionCoefficientsAreTheRatioOfTheLiquidFugacityCoefficients) {
  useCubic(Cubic::PengRobinson);
  useLiquidLiquidMethod(101);
  methods::MSPTRS.classes(2).optionWord = 1;
  std::vector<double> xa = {0.5, 1.2, 0.3};  // normalised in place
  std::vector<double> xb = kX2;
  std::vector<double> kd(kN), phia(kN), phib(kN), y = kY;
  std::vector<std::int32_t> flags = {1, 0, 1};
  double za = 0.0, zb = 0.0;
  std::int32_t istat = -1;
  // Before any rigorous K-value evaluation a component flagged absent gets 1.
  equilibrium::KCLLIQ(flags, 0, 3, 3, kP, kT, xa, xb, y, kd, phia, phib, za, zb, 0, istat);
  EXPECT_EQ(istat, 0);
  EXPECT_DOUBLE_EQ(xa[1], 0.6);
  const auto la = independentLnPhi(Cubic::PengRobinson, kKij, xa, kT, kP, true);
  const auto lb = independentLnPhi(Cubic::PengRobinson, kKij, xb, kT, kP, true);
  for (std::size_t i : {0u, 2u}) {
    EXPECT_NEAR(kd[i], std::exp(lb[i] - la[i]), 1e-9 * kd[i]) << i;
    EXPECT_NEAR(phia[i], std::exp(la[i]), 1e-9 * phia[i]) << i;
  }
  EXPECT_EQ(kd[1], 1.0);
  EXPECT_EQ(phia[1], 1.0);
  // After one: every component counts; the K-value option digit is the set's again.
  kcalc(kY, kX, kT, kP, kRigorous);
  equilibrium::KCLLIQ(flags, 0, 3, 3, kP, kT, xa, xb, y, kd, phia, phib, za, zb, 0, istat);
  EXPECT_NEAR(kd[1], std::exp(lb[1] - la[1]), 1e-9 * kd[1]);
  EXPECT_EQ(methods::KMCTL.kvalue.option, 0);
}

// ---------------------------------------------------------------------------------------
// The per-component K-value correlation
// ---------------------------------------------------------------------------------------

// Set header word 20 on: a component with a K-value correlation (type 1902, here an Antoine
// form of value v in kPa, F2 = 2 the record's second real) gets K = F2 v/P, dK/dT =
// F2 (dv/dT)/P, dK/dP = -K/P (the derivative of that value) and no composition dependence;
// components without one keep the rigorous K-values. Word 20 off: all rigorous.
TEST_F(KValues, ComponentCorrelationReplacesTheKValuesItCovers) {
  for (const std::int32_t on : {1, 0}) {
    SCOPED_TRACE(on);
    startKValueRun();
    useCubic(Cubic::PengRobinson);
    storage::CORSTO[methods::MSPTRS.integerSectors(1) + 20] = on;
    correlation_testing::Record none;
    none.component = 1;
    none.noCorrelation = true;
    correlation_testing::Record propane =
        correlation_testing::antoineRecord(2, kAntoine[1].a, kAntoine[1].b, kAntoine[1].c);
    propane.auxiliary = 2.0;
    correlation_testing::installSet(1902, 1, {none, propane});
    const KResult r = kcalc(kY, kX, kT, kP, kRigorous, kComposition);
    const std::vector<double> k = expectedK(Cubic::PengRobinson, kY, kX, kT, kP);
    const std::vector<double> dlnkdx = array(equilibrium::kLnKxArray, kN * kN);
    const std::vector<double> dlnkdy = array(equilibrium::kLnKyArray, kN * kN);
    for (std::size_t i : {0u, 2u}) EXPECT_NEAR(r.k[i], k[i], 1e-9 * k[i]) << i;
    if (on == 0) {
      EXPECT_NEAR(r.k[1], k[1], 1e-9 * k[1]);
      EXPECT_NE(dlnkdx[kN + 1], 0.0);
      continue;
    }
    // v = Psat, dv/dT = v ln 10 B/(T + C)^2; the decimal logarithm carries about 8 figures.
    const double v = antoine(1, kT);
    const double dv = v * std::log(10.0) * kAntoine[1].b / std::pow(kT + kAntoine[1].c, 2);
    EXPECT_NEAR(r.k[1], 2.0 * v / kP, 1e-6 * r.k[1]);
    EXPECT_NEAR(r.dkdt[1], 2.0 * dv / kP, 1e-6 * r.dkdt[1]);
    EXPECT_DOUBLE_EQ(r.dkdp[1], -r.k[1] / kP);
    for (std::size_t i = 0; i < kN; ++i) {
      EXPECT_EQ(dlnkdx[kN + i], 0.0) << i;
      EXPECT_EQ(dlnkdy[kN + i], 0.0) << i;
      EXPECT_NE(dlnkdx[i], 0.0) << i;  // the other columns stay
    }
    EXPECT_EQ(array(equilibrium::kLnKxDiagonalArray, kN)[1], 0.0);
    EXPECT_EQ(array(equilibrium::kLnKyDiagonalArray, kN)[1], 0.0);
  }
}

// ---------------------------------------------------------------------------------------
// The correlation route through the entry
// ---------------------------------------------------------------------------------------

// Method 103 through KCALC gives what KCCORR gives at the same arguments.
TEST_F(KValues, CorrelationRouteGivesWhatTheCorrelationGives) {
  // Redlich-Kwong constants Omega_a = 0.42748, Omega_b = 0.08664 (O. Redlich and J. N. S.
  // Kwong, Chem. Rev. 44 (1949) 233); volumes and solubility parameters of the regular-solution
  // tests; class 10 (the first coefficient set) for every component.
  const double r = 8.314471;
  const std::vector<double> volumes = {0.0379, 0.0757, 0.1155};
  const std::vector<double> deltas = {5.68, 6.40, 7.02};
  BlockData block;
  block.integers.assign(kN, 10);
  block.reals.assign(8 * kN, 0.0);
  const auto& comps = fugacity_test::ternary();
  for (std::size_t i = 0; i < kN; ++i) {
    const double tc = comps[i].tc, pc = comps[i].pc;
    const std::vector<double> v = {std::sqrt(0.42748 * r * r * tc * tc / pc),
                                   0.08664 * r * tc / pc,
                                   comps[i].omega,
                                   tc,
                                   pc,
                                   volumes[i],
                                   deltas[i],
                                   deltas[i]};
    for (std::size_t k = 0; k < 8; ++k) block.reals[k * kN + i] = v[k];
  }
  useKValueMethod(103, block, 1);
  const KResult viaEntry = kcalc(kY, kX, kT, kP, kRigorous, kTemperature);
  std::vector<double> k(kN), dkdt(kN), dkdp(kN, -1.0 / kP);
  double zv = 0.0;
  equilibrium::KCCORR(3, kT, kP, kP, k, dkdt, dkdp, kTemperature, 1, kX, kY, zv, 103, 0, 0);
  for (std::size_t i = 0; i < kN; ++i) {
    EXPECT_DOUBLE_EQ(viaEntry.k[i], k[i]) << i;
    EXPECT_DOUBLE_EQ(viaEntry.dkdt[i], dkdt[i]) << i;
    EXPECT_DOUBLE_EQ(viaEntry.dkdp[i], dkdp[i]) << i;
  }
  EXPECT_DOUBLE_EQ(viaEntry.zv, zv);
}

// ---------------------------------------------------------------------------------------
// The weak-electrolyte K-values
// ---------------------------------------------------------------------------------------

// AQELDR on a block of one amine (constant Ka), carbon dioxide and water: water K = Psat/P;
// carbon dioxide K = Hc/M(water)/(P/100 kPa per bar) times its free share; amine K = Psat/P
// times its free share (at least 0.1), the shares from the speciation of the same liquid.
TEST_F(KValues, ElectrolyteKValuesFollowTheSpeciation) {
  // Components: 1 carbon dioxide, 2 water, 3 the amine (vapour pressures of the test set).
  const double lnKa = std::log(1e-9);
  const std::vector<double> masses = {0.04401, 0.018015, 0.06108};
  BlockData block;
  block.integers = {3, 1, 0, 1, 2, 0, 0, 0, 0, 0, 0, 3};
  block.reals = {lnKa, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  block.reals.insert(block.reals.end(), masses.begin(), masses.end());
  block.reals.push_back(0.0);
  useKValueMethod(511, block, 1);
  const std::vector<double> x = {0.01, 0.89, 0.10};
  std::vector<double> k(kN, -1.0), dk(kN, -1.0);
  double heat = 0.0;
  equilibrium::AQELDR(3, kT, kP, x, kY, k, dk, 0, 2, heat);
  // The same liquid speciated here.
  const double ms = (0.89 * masses[1] + 0.10 * masses[2]) / 0.99;
  equilibrium::ElectrolyteLiquid liquid;
  liquid.carbon = 0.01 / (0.99 * ms);
  liquid.amines = 1;
  liquid.amine[0] = 0.10 / 0.99 / ms;
  liquid.ka[0] = std::exp(lnKa);
  const equilibrium::ElectrolyteConstants c = equilibrium::electrolyteConstants(kT);
  equilibrium::ElectrolyteSpecies s;
  double f = 0.0, ph = 0.0;
  std::int32_t status = -1;
  equilibrium::ROOT604(1e-6, 100, status, 0.0, -std::log10(c.kw), f, ph, c, liquid, s);
  const double freeCarbon = s.species[static_cast<std::size_t>(equilibrium::Ion::CarbonDioxide)];
  EXPECT_NEAR(k[1], antoine(1, kT) / kP, 1e-6 * k[1]);
  const double kc = c.henryCarbon / masses[1] / (kP / 100.0) * freeCarbon / liquid.carbon;
  EXPECT_NEAR(k[0], kc, 1e-9 * kc);
  const double ka = antoine(2, kT) / kP * std::max(s.free[0] / liquid.amine[0], 0.1);
  EXPECT_NEAR(k[2], ka, 1e-6 * ka);
  // dK/dT: a difference 0.02 degrees Rankine wide, against a central difference of 0.2 K.
  std::vector<double> kp(kN), km(kN), unused(kN);
  double h2 = 0.0;
  equilibrium::AQELDR(3, kT + 0.1, kP, x, kY, kp, unused, 0, 1, h2);
  equilibrium::AQELDR(3, kT - 0.1, kP, x, kY, km, unused, 0, 1, h2);
  EXPECT_EQ(h2, 0.0);  // mode 1 has no heat term
  for (std::size_t i = 0; i < kN; ++i) {
    const double fd = (kp[i] - km[i]) / 0.2;
    EXPECT_NEAR(dk[i], fd, 2e-3 * std::fabs(fd)) << i;
  }
}

// ---------------------------------------------------------------------------------------
// Numerical composition derivatives
// ---------------------------------------------------------------------------------------

// Methods 122 and 204 give no analytic composition derivatives: the pair routine forms them
// by one-sided differences of 1 % of each mole fraction (hence the loose tolerance of the
// matrix). Those differences must not disturb the temperature derivatives of the evaluation
// they belong to.
TEST_F(KValues, NumericalCompositionPassKeepsTheTemperatureDerivatives) {
  struct Method {
    std::int32_t code;
    BlockData block;
    double tolerance;   // of the difference matrix
    double tTolerance;  // of dK/dT: 204's kernel gives its derivative to about 1e-4
  };
  const auto& c = fugacity_test::ternary();
  const std::vector<Method> methods = {
      {122, fugacity_test::cubicWithPairs(122, c), 1e-2, 1e-5},
      {204, density_test::leeKeslerBlock(204, c, false), 1e-2, 1e-3}};
  for (const Method& m : methods) {
    SCOPED_TRACE(m.code);
    startKValueRun();
    useKValueMethod(m.code, m.block, 1);
    const KResult r = kcalc(kY, kX, kT, kP, kRigorous, kComposition);
    const std::vector<double> dlnkdx = array(equilibrium::kLnKxArray, kN * kN);
    const double ht = 1e-3, hn = 1e-5;
    const KResult tp = kcalc(kY, kX, kT + ht, kP, kRigorous);
    const KResult tm = kcalc(kY, kX, kT - ht, kP, kRigorous);
    for (std::size_t i = 0; i < kN; ++i) {
      const double fd = (tp.k[i] - tm.k[i]) / (2.0 * ht);
      EXPECT_NEAR(r.dkdt[i], fd, m.tTolerance * std::fabs(fd) + 1e-9) << "T " << i;
    }
    for (std::size_t k = 0; k < kN; ++k) {
      const KResult xp = kcalc(kY, added(kX, k, hn), kT, kP, kRigorous);
      const KResult xm = kcalc(kY, added(kX, k, -hn), kT, kP, kRigorous);
      for (std::size_t i = 0; i < kN; ++i) {
        const double fd = (std::log(xp.k[i]) - std::log(xm.k[i])) / (2.0 * hn);
        EXPECT_NEAR(dlnkdx[k * kN + i], fd, m.tolerance * (std::fabs(fd) + 0.1)) << i << "," << k;
      }
    }
  }
}

// ---------------------------------------------------------------------------------------
// Warm calls
// ---------------------------------------------------------------------------------------

// Once warm, a K-value call allocates nothing: the equation-of-state route with composition
// derivatives, the activity route and the liquid-liquid route.
TEST_F(KValues, WarmCallsAllocateNothing) {
  const auto warmCount = [](const std::function<void()>& call) {
    call();
    const std::size_t before = testing_support::allocationCount();
    call();
    return testing_support::allocationCount() - before;
  };
  std::vector<double> k(kN);
  double zv = 0.0, zl = 0.0;
  std::int32_t ierr = 0, status = 0;
  const auto kcalcInPlace = [&](std::int32_t kcopt, std::int32_t kcdrv) {
    return [&, kcopt, kcdrv] {
      std::int32_t kccall = 12;
      equilibrium::KCALC(3, 3, kY, kX, k, kT, kP, zv, zl, kccall, kcdrv, kcopt, ierr, 0, status);
    };
  };
  useCubic(Cubic::PengRobinson);
  EXPECT_EQ(warmCount(kcalcInPlace(kRigorous, kComposition)), 0u) << "equation of state";
  useLiquidLiquidMethod(101);
  const services::ScopedFill split(&equilibrium::fillLiquidSplit, &fixedSplit);
  EXPECT_EQ(warmCount(kcalcInPlace(kRigorous, kTemperature)), 0u) << "liquid-liquid";
  startKValueRun();
  BlockData wilson;
  wilson.reals.assign(kN * kN + kN, 0.05);
  wilson.integers = {0, 0, 0, -1, 1, 0};
  wilson.reals2.assign(2 * kN * kN + 1, 0.0);
  useKValueMethod(404, wilson, equilibrium::kActivityOptionDigit);
  EXPECT_EQ(warmCount(kcalcInPlace(kRigorous, kComposition)), 0u) << "activity";
}
