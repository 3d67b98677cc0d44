// The three-phase flash on K-value doubles: FL3ORS, FLAS3O, FLASH3, FLAS3B and FLAS3P against
// an independent three-phase Rachford-Rice solution written here, over the seven phase
// regions; restores after failures, the start from the kept distribution coefficients, the
// router and a warm flash.
#include "flash/multiphase/three_phase_flash.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "flash/multiphase/nonln.hpp"
#include "flash/multiphase/pair_kvalues.hpp"
#include "flash/multiphase/slots.hpp"
#include "flash/multiphase/three_phase_balance.hpp"
#include "flash_support.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "support/allocation_counter.hpp"

namespace {

using flash_test::Flash;

class InstallSlots : public ::testing::Environment {
 public:
  void SetUp() override { multiphase::installSlots(); }
};
const auto* const kInstalled = ::testing::AddGlobalTestEnvironment(new InstallSlots);

// A light hydrocarbon, a heavy hydrocarbon and water at one T and P, as fixed K-values:
// K1 = y/x1 against the hydrocarbon liquid, K2 = y/x2 against the water-rich liquid. Made-up
// values of the right shape (water scarce in the hydrocarbon liquid, hydrocarbons scarce in
// the water); the checks below are identities of the balance, not property values.
constexpr std::array<double, 3> kK1{5.0, 0.1, 10.0};
constexpr std::array<double, 3> kK2{50.0, 20.0, 0.05};
constexpr std::size_t kHeavy = 1, kWater = 2;

// The pair double: a liquid richer in water than in the heavy component is liquid 2.
struct PairScript {
  std::int32_t failAt = 0;  // the pair call that reports a failed fugacity evaluation
  std::int32_t calls = 0;
};
PairScript pairScript;

void pairDouble(std::int32_t, std::int32_t ncomp, std::span<const double>,
                std::span<const double> x, std::span<double> k, double, double, double& zv,
                double& zl, std::int32_t, std::int32_t, std::int32_t, std::int32_t& ierr, double,
                double, std::span<std::int32_t>, std::int32_t, std::int32_t& ifugst) {
  const bool second = x[kWater] > x[kHeavy];
  for (std::size_t i = 0; i < static_cast<std::size_t>(ncomp); ++i) {
    k[i] = second ? kK2[i] : kK1[i];
  }
  zv = 0.9;
  zl = 0.1;
  ierr = 0;
  ifugst = ++pairScript.calls == pairScript.failAt ? 1 : 0;
}

// The K-value double of the outer loop: the vapour-liquid-1 K-values; on call handBackAt, while
// the three-phase flash runs, it does what the liquid-liquid set-up does: the distribution
// coefficients x1/x2 = K2/K1 go to the kept arrays and the flash is handed back (IHVLLE 1).
struct KScript {
  std::int32_t handBackAt = 1;
  std::int32_t calls = 0;
  bool setsCoefficients = true;
};
KScript kScript;

void kcalcDouble(std::int32_t, std::int32_t ncomp, std::span<const double>, std::span<const double>,
                 std::span<double> k, double, double, double& zv, double& zl, std::int32_t&,
                 std::int32_t, std::int32_t, std::int32_t& ierr, std::int32_t,
                 std::int32_t& ifugst) {
  for (std::size_t i = 0; i < static_cast<std::size_t>(ncomp); ++i) k[i] = kK1[i];
  if (++kScript.calls == kScript.handBackAt && methods::THDXCH.IHVLLE == 2) {
    methods::THDXCH.IHVLLE = 1;
    if (kScript.setsCoefficients) {
      const flash::LiquidLiquidArrays kept = flash::liquidLiquidArrays(3);
      for (std::size_t i = 0; i < 3; ++i) kept.DCOEF[i] = kK2[i] / kK1[i];
    }
  }
  zv = 0.9;
  zl = 0.1;
  ierr = 0;
  ifugst = 0;
}

// The independent three-phase Rachford-Rice solution at fixed K-values: the phase amounts
// beta = (vapour, liquid 1, liquid 2) minimise the convex function
//   Q(beta) = sum_k beta_k - sum_i z_i ln(sum_k beta_k e_ik),  e_iV = 1, e_i1 = 1/K1, e_i2 = 1/K2,
// over beta >= 0 (Michelsen's formulation): at the minimum each present phase's mole
// fractions y_i e_ik, y_i = z_i / sum_k beta_k e_ik, add up to 1 and each absent one's to at
// most 1. Safeguarded Newton on the free amounts, in long double.
struct Reference {
  std::array<long double, 3> beta{};
  std::array<std::vector<long double>, 3> phase;  // vapour, liquid 1, liquid 2
  std::int32_t region = 0;
};

Reference referenceSplit(const std::vector<double>& z) {
  const std::size_t n = z.size();
  const auto e = [&](std::size_t i, std::size_t k) -> long double {
    return k == 0 ? 1.0L : k == 1 ? 1.0L / kK1[i] : 1.0L / kK2[i];
  };
  std::array<long double, 3> b{1.0L / 3, 1.0L / 3, 1.0L / 3};
  const auto q = [&](const std::array<long double, 3>& bb) {
    long double s = bb[0] + bb[1] + bb[2];
    for (std::size_t i = 0; i < n; ++i) {
      long double t = 0;
      for (std::size_t k = 0; k < 3; ++k) t += bb[k] * e(i, k);
      if (!(t > 0)) return HUGE_VALL;
      s -= z[i] * std::log(t);
    }
    return s;
  };
  for (int iter = 0; iter < 500; ++iter) {
    std::array<long double, 3> g{1, 1, 1};
    long double h[3][3] = {};
    for (std::size_t i = 0; i < n; ++i) {
      long double t = 0;
      for (std::size_t k = 0; k < 3; ++k) t += b[k] * e(i, k);
      for (std::size_t k = 0; k < 3; ++k) {
        g[k] -= z[i] * e(i, k) / t;
        for (std::size_t l = 0; l < 3; ++l) h[k][l] += z[i] * e(i, k) * e(i, l) / (t * t);
      }
    }
    std::array<bool, 3> free{};
    for (std::size_t k = 0; k < 3; ++k) free[k] = b[k] > 0 || g[k] < 0;
    // Newton on the free amounts: Gaussian elimination on the free block.
    long double m[3][4] = {};
    std::array<std::size_t, 3> idx{};
    std::size_t nf = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      if (free[k]) idx[nf++] = k;
    }
    for (std::size_t r = 0; r < nf; ++r) {
      for (std::size_t c = 0; c < nf; ++c) m[r][c] = h[idx[r]][idx[c]];
      m[r][nf] = -g[idx[r]];
    }
    for (std::size_t p = 0; p < nf; ++p) {
      for (std::size_t r = p + 1; r < nf; ++r) {
        const long double f = m[r][p] / m[p][p];
        for (std::size_t c = p; c <= nf; ++c) m[r][c] -= f * m[p][c];
      }
    }
    std::array<long double, 3> d{};
    for (std::size_t p = nf; p-- > 0;) {
      long double s = m[p][nf];
      for (std::size_t c = p + 1; c < nf; ++c) s -= m[p][c] * d[idx[c]];
      d[idx[p]] = s / m[p][p];
    }
    long double a = 1.0L;
    for (std::size_t k = 0; k < 3; ++k) {
      if (d[k] < 0 && b[k] > 0) a = std::min(a, -b[k] / d[k]);
    }
    const long double q0 = q(b);
    long double slope = 0;
    for (std::size_t k = 0; k < 3; ++k) slope += g[k] * d[k];
    std::array<long double, 3> next{};
    for (int cut = 0; cut < 80; ++cut) {
      for (std::size_t k = 0; k < 3; ++k) next[k] = std::max(b[k] + a * d[k], 0.0L);
      if (q(next) <= q0 + 1e-4L * a * slope) break;
      a *= 0.5L;
    }
    long double step = 0;
    for (std::size_t k = 0; k < 3; ++k) step = std::max(step, std::abs(next[k] - b[k]));
    b = next;
    if (step < 1e-19L) break;
  }
  Reference r;
  r.beta = b;
  for (auto& p : r.phase) p.assign(n, 0.0L);
  for (std::size_t i = 0; i < n; ++i) {
    long double t = 0;
    for (std::size_t k = 0; k < 3; ++k) t += b[k] * e(i, k);
    for (std::size_t k = 0; k < 3; ++k) r.phase[k][i] = z[i] / t * e(i, k);
  }
  const bool v = b[0] > 1e-14L, l1 = b[1] > 1e-14L, l2 = b[2] > 1e-14L;
  r.region = v && l1 && l2 ? 3 : v && l1 ? 2 : v && l2 ? 4 : l1 && l2 ? 6 : v ? 1 : l1 ? 5 : 7;
  return r;
}

struct RegionCase {
  std::int32_t region;
  std::vector<double> z;
};

// Feeds that land in each of the seven regions (checked against the reference below).
const std::vector<RegionCase>& regionFeeds() {
  static const std::vector<RegionCase> cases = {
      {3, {0.3, 0.3, 0.4}},       {1, {0.97, 0.02, 0.01}},  {5, {0.003, 0.995, 0.002}},
      {7, {0.001, 0.001, 0.998}}, {2, {0.5, 0.499, 0.001}}, {4, {0.6, 0.0005, 0.3995}},
      {6, {0.02, 0.49, 0.49}},
  };
  return cases;
}

class ThreePhaseDouble : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "threephase";
    d.components = flash_test::components({"METHANE", "N-DECANE", "WATER"});
    d.methodSets = {flash_test::pengRobinsonSet("PR")};
    problem_ = std::make_unique<flash_test::OpenProblem>(dir_, d);
    flash_test::useSet(1);
    pairScript = {};
    kScript = {};
  }
  void TearDown() override { problem_.reset(); }

  // FLAS3P on the feed Z with the router's three-phase work arrays.
  static void flas3p(Flash& f) {
    flash::FLSWKA(static_cast<std::int32_t>(flash::WorkMode::ThreePhase), f.a.NC);
    const auto w = [&](std::size_t slot) {
      return storage::CORSTO.reals(flash::FLWKTB.slots(slot), f.a.NC);
    };
    const flash::ThreePhaseWork work{w(7),  w(8), w(10), w(9), w(11), w(14), w(12), w(13), w(15),
                                     w(16), w(1), w(2),  w(3), w(4),  w(5),  w(6),  w(17)};
    std::int32_t level = 2;
    multiphase::FLAS3P(f.a, work, level);
  }

  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
  std::unique_ptr<flash_test::OpenProblem> problem_;
  flash::ScopedKValueRoutine kvalues_{&kcalcDouble};
  multiphase::ScopedPairKValueRoutine pairs_{&pairDouble};
};

// The reference lands each feed in its region; FLAS3P gives the reference answer: region,
// fractions to 1e-10, liquid shares, the kept phase compositions and DCOEF = x1/x2.
TEST_F(ThreePhaseDouble, Flas3pMatchesTheReferenceInEveryRegion) {
  for (const RegionCase& c : regionFeeds()) {
    SCOPED_TRACE(c.region);
    const Reference ref = referenceSplit(c.z);
    EXPECT_EQ(ref.region, c.region);
    kScript = {};
    Flash f(c.z, 300.0, 2000.0);
    flas3p(f);
    ASSERT_EQ(f.a.IFFAIL, 0);
    const double v = static_cast<double>(ref.beta[0]);
    const double b1 = static_cast<double>(ref.beta[1]), b2 = static_cast<double>(ref.beta[2]);
    EXPECT_NEAR(f.a.FVAPOR, v, 1e-10);
    EXPECT_NEAR(f.a.FLIQHC, 1.0 - v, 1e-10);
    EXPECT_NEAR(f.a.FTOTLQ, 1.0 - v, 1e-10);
    const flash::LiquidLiquidArrays kept = flash::liquidLiquidArrays(3);
    const bool split = c.region == 3 || c.region == 6;
    if (split) {
      EXPECT_NEAR(flash::MPFRC1(), b1 / (b1 + b2), 1e-10);
      EXPECT_NEAR(flash::MPFRC2(), b2 / (b1 + b2), 1e-10);
      for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(kept.FWX1[i], static_cast<double>(ref.phase[1][i]), 1e-9);
        EXPECT_NEAR(kept.FWX2[i], static_cast<double>(ref.phase[2][i]), 1e-9);
        EXPECT_NEAR(kept.DCOEF[i], kK2[i] / kK1[i], 1e-9 * kK2[i] / kK1[i]) << "x1/x2";
        if (c.region == 3) {
          EXPECT_NEAR(kept.FWYV[i], static_cast<double>(ref.phase[0][i]), 1e-9);
        }
      }
    } else {
      EXPECT_EQ(flash::MPFRC1(), -1.0);
      EXPECT_EQ(flash::MPFRC2(), -1.0);
    }
    // The balance of every component over the reported vapour and total liquid.
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_NEAR(f.a.FVAPOR * f.y[i] + f.a.FLIQHC * f.x[i], c.z[i], 1e-12);
    }
  }
}

// FLAS3O from a crude start, and FLASH3 from a perturbed answer, on the three-phase feed.
TEST_F(ThreePhaseDouble, Flas3oAndFlash3GiveTheThreePhaseAnswer) {
  const std::vector<double> z = regionFeeds()[0].z;
  const Reference ref = referenceSplit(z);
  std::vector<double> feed = z, y = z, x1{0.1, 0.8, 0.1}, x2{0.01, 0.01, 0.98}, k1(3), k2(3);
  std::vector<double> w1(3), w2(3), w3(3), w4(3), w5(3);
  std::vector<std::int32_t> flags(3, 1);
  multiphase::ThreePhaseSplit s;
  s.NCOMP = 3;
  s.z = feed;
  s.y = y;
  s.x1 = x1;
  s.x2 = x2;
  s.k1 = k1;
  s.k2 = k2;
  s.THETAY = 0.3;
  s.THETAX = 0.4;
  s.THETAZ = 0.3;
  s.T = 300.0;
  s.P = 2000.0;
  s.flags = flags;
  s.w1 = w1;
  s.w2 = w2;
  s.w3 = w3;
  s.w4 = w4;
  s.w5 = w5;
  s.IOUT = -1;
  multiphase::FLAS3O(s, 0, 0.0);
  ASSERT_EQ(s.IERR, 0);
  EXPECT_NEAR(s.THETAY, static_cast<double>(ref.beta[0]), 1e-10);
  EXPECT_NEAR(s.THETAX, static_cast<double>(ref.beta[1]), 1e-10);
  EXPECT_NEAR(s.THETAZ, static_cast<double>(ref.beta[2]), 1e-10);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_DOUBLE_EQ(k1[i], kK1[i]);
    EXPECT_DOUBLE_EQ(k2[i], kK2[i]);
    EXPECT_NEAR(x1[i], static_cast<double>(ref.phase[1][i]), 1e-10);
  }
  s.THETAX += 0.05;
  s.THETAZ -= 0.03;
  multiphase::FLASH3(s);
  ASSERT_EQ(s.IERR, 0);
  EXPECT_NEAR(s.THETAY, static_cast<double>(ref.beta[0]), 1e-10);
  EXPECT_NEAR(s.THETAX, static_cast<double>(ref.beta[1]), 1e-10);
  EXPECT_NEAR(s.THETAZ, static_cast<double>(ref.beta[2]), 1e-10);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_NEAR(x2[i], static_cast<double>(ref.phase[2][i]), 1e-10);
    EXPECT_NEAR(y[i], static_cast<double>(ref.phase[0][i]), 1e-10);
  }
}

// A failure of the pair K-values at any call puts the entry state back.
TEST_F(ThreePhaseDouble, AFailureRestoresTheEntryState) {
  for (std::int32_t failAt : {1, 2, 3, 5, 8}) {
    SCOPED_TRACE(failAt);
    pairScript = {failAt, 0};
    kScript = {};
    Flash f(regionFeeds()[0].z, 300.0, 2000.0);
    f.k = {1.5, 0.5, 2.5};
    f.a.FVAPOR = 0.11;
    f.a.FLIQHC = 0.22;
    f.a.FTOTLQ = 0.33;
    flash::MPFRC1() = 0.44;
    flash::MPFRC2() = 0.55;
    flas3p(f);
    EXPECT_EQ(f.a.IFFAIL, 1);
    EXPECT_EQ(f.a.FVAPOR, 0.11);
    EXPECT_EQ(f.a.FLIQHC, 0.22);
    EXPECT_EQ(f.a.FTOTLQ, 0.33);
    EXPECT_EQ(flash::MPFRC1(), 0.44);
    EXPECT_EQ(flash::MPFRC2(), 0.55);
    EXPECT_EQ(f.k, (std::vector<double>{1.5, 0.5, 2.5}));
  }
}

// A DCOEF of zero (never split), a NaN or an infinity gives a finite start and the answer;
// two flashes of one feed keep liquid 1 the hydrocarbon liquid.
TEST_F(ThreePhaseDouble, UnusableDistributionCoefficientsAndRepeatedFlashes) {
  const std::vector<double> z = regionFeeds()[0].z;
  const Reference ref = referenceSplit(z);
  for (double bad : {0.0, std::nan(""), HUGE_VAL, -1.0}) {
    SCOPED_TRACE(bad);
    const flash::LiquidLiquidArrays kept = flash::liquidLiquidArrays(3);
    std::fill(kept.DCOEF.begin(), kept.DCOEF.end(), bad);
    Flash f(z, 300.0, 2000.0);
    kScript = {};
    kScript.setsCoefficients = false;
    flas3p(f);
    EXPECT_EQ(f.a.IFFAIL, 0);
    for (const std::vector<double>* v : {&f.x, &f.y, &f.k}) {
      for (double e : *v) EXPECT_TRUE(std::isfinite(e));
    }
    for (double e : kept.FWX1) EXPECT_TRUE(std::isfinite(e));
    for (double e : kept.FWX2) EXPECT_TRUE(std::isfinite(e));
  }
  std::array<double, 2> share{};
  for (int pass = 0; pass < 2; ++pass) {
    Flash f(z, 300.0, 2000.0);
    kScript = {};
    flas3p(f);
    ASSERT_EQ(f.a.IFFAIL, 0);
    const flash::LiquidLiquidArrays kept = flash::liquidLiquidArrays(3);
    EXPECT_GT(kept.FWX1[kHeavy], kept.FWX1[kWater]) << "liquid 1 is the hydrocarbon liquid";
    EXPECT_GT(kept.FWX2[kWater], kept.FWX2[kHeavy]);
    share[static_cast<std::size_t>(pass)] = flash::MPFRC1();
  }
  EXPECT_NEAR(share[0], share[1], 1e-12);
}

// FLAS3B leaves at once when the liquid-liquid set-up hands the flash back, and without a
// hand-back it is the default two-phase flash.
TEST_F(ThreePhaseDouble, OuterLoopHandsBackOrFlashesTwoPhases) {
  for (std::int32_t n : {1, 2, 3}) {
    SCOPED_TRACE(n);
    kScript = {n, 0};
    Flash f({0.5, 0.45, 0.05}, 300.0, 2000.0);
    std::int32_t iigo = 0;
    multiphase::FLAS3B(f.a, iigo);
    EXPECT_EQ(iigo, multiphase::kHandedBack);
    EXPECT_EQ(methods::THDXCH.IHVLLE, 0);
    EXPECT_EQ(kScript.calls, n) << "no K-value call after the hand-back";
  }
  // K-values on both sides of one for the two-phase table of the isothermal flash tests.
  const std::vector<std::vector<double>> feeds{
      {0.5, 0.45, 0.05}, {0.97, 0.02, 0.01}, {0.02, 0.96, 0.02}};
  for (const auto& z : feeds) {
    kScript = {-1, 0};
    Flash three(z, 300.0, 2000.0);
    std::int32_t iigo = 0;
    multiphase::FLAS3B(three.a, iigo);
    EXPECT_EQ(iigo, multiphase::kRanToEnd);
    EXPECT_EQ(three.a.IFFAIL, 0);
    Flash two(z, 300.0, 2000.0);
    flash::FLASHT(two.a);
    EXPECT_NEAR(three.a.FVAPOR, two.a.FVAPOR, 1e-12);
    EXPECT_NEAR(three.a.FVAPOR, flash_test::exactVapourFraction(z, {kK1.begin(), kK1.end()}), 1e-8);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(three.x[i], two.x[i], 1e-12);
  }
  Flash none({0.5, 0.45, 0.05}, 300.0, 2000.0);
  none.a.TRATE = 0.0;
  std::int32_t iigo = 0;
  kScript = {};
  multiphase::FLAS3B(none.a, iigo);
  EXPECT_EQ(iigo, multiphase::kRanToEnd);
  EXPECT_EQ(kScript.calls, 0);
  EXPECT_EQ(none.a.FVAPOR, 0.0);
}

// The router reaches the installed FLAS3P when the set's liquid-liquid code equals its
// vapour-liquid code and switch 41 asks for it; a different liquid-liquid code skips it with
// its note; compare mode says nothing when the default flash agrees.
class ThreePhaseRouter : public ThreePhaseDouble {
 protected:
  static void useCodes(std::int32_t vle, std::int32_t lle) {
    methods::MSPTRS.classes(1).code = vle;
    methods::MSPTRS.classes(2).code = lle;
    methods::KMCTL.kvalue.code = vle;
    problem::THCTL.idecnt = 0;
  }
  static void setSwitch(int k, std::int32_t v) { services::GDPOPT.words(100 + k) = v; }
  void TearDown() override {
    setSwitch(41, 0);
    ThreePhaseDouble::TearDown();
  }
};

TEST_F(ThreePhaseRouter, SwitchesTwoThreeAndMinusOneReachTheThreePhaseFlash) {
  ASSERT_EQ(flash::flashAlgorithms().flas3p, &multiphase::FLAS3P);
  const std::vector<double> three = regionFeeds()[0].z;
  const Reference ref = referenceSplit(three);
  for (std::int32_t s41 : {2, -1}) {
    SCOPED_TRACE(s41);
    useCodes(102, 102);
    setSwitch(41, s41);
    kScript = {};
    Flash f(three, 300.0, 2000.0);
    const std::int64_t before = multiphase::pairKValueCalls();
    flash::FLASTP(f.a);
    EXPECT_EQ(f.a.IFFAIL, 0);
    EXPECT_GT(multiphase::pairKValueCalls(), before);
    EXPECT_NEAR(f.a.FVAPOR, static_cast<double>(ref.beta[0]), 1e-10);
    EXPECT_NEAR(flash::MPFRC1(), static_cast<double>(ref.beta[1] / (ref.beta[1] + ref.beta[2])),
                1e-10);
  }
  // Compare mode on a vapour-liquid feed: both flashes agree, no note; the caller gets the
  // default flash's answer.
  useCodes(102, 102);
  setSwitch(41, 3);
  kScript = {};
  const std::vector<double> two = regionFeeds()[4].z;
  flash::MPFRC1() = -1.0;  // no two-liquid split left by an earlier flash
  flash::MPFRC2() = -1.0;
  Flash f(two, 300.0, 2000.0);
  const std::int32_t notes = flash::FLCNTR.words(1);
  const std::int64_t before = multiphase::pairKValueCalls();
  flash::FLASTP(f.a);
  EXPECT_EQ(f.a.IFFAIL, 0);
  EXPECT_GT(multiphase::pairKValueCalls(), before) << "the three-phase flash ran first";
  EXPECT_EQ(flash::FLCNTR.words(1), notes);
  EXPECT_NEAR(f.a.FVAPOR, static_cast<double>(referenceSplit(two).beta[0]), 1e-8);
}

TEST_F(ThreePhaseRouter, ADifferentLiquidLiquidCodeSkipsIt) {
  useCodes(102, 101);
  setSwitch(41, 2);
  kScript = {};
  Flash f(regionFeeds()[0].z, 300.0, 2000.0);
  f.a.IDEBUG = 1;
  const std::int32_t notes = flash::FLCNTR.words(6);
  const std::int64_t before = multiphase::pairKValueCalls();
  flash::FLASTP(f.a);
  EXPECT_EQ(multiphase::pairKValueCalls(), before);
  EXPECT_EQ(flash::FLCNTR.words(6), notes + 1) << "the skip note";
  EXPECT_EQ(f.a.IFFAIL, 0);
}

// A warm three-phase flash through the router allocates nothing.
TEST_F(ThreePhaseRouter, AWarmThreePhaseFlashAllocatesNothing) {
  useCodes(102, 102);
  setSwitch(41, 2);
  const std::vector<double> z = regionFeeds()[0].z;
  for (int warm = 0; warm < 2; ++warm) {
    kScript = {};
    Flash f(z, 300.0, 2000.0);
    flash::FLASTP(f.a);
  }
  kScript = {};
  Flash f(z, 300.0, 2000.0);
  const std::size_t before = testing_support::allocationCount();
  flash::FLASTP(f.a);
  EXPECT_EQ(testing_support::allocationCount(), before);
  EXPECT_EQ(f.a.IFFAIL, 0);
  EXPECT_GT(flash::MPFRC1(), 0.0);
}

// FL3ORS: zero residuals at K = 1, its Jacobian against central differences, and NONLN on it
// recovering the fractions a split was built from.
TEST(FL3ORS, ResidualsJacobianAndRecoveredFractions) {
  const std::vector<double> ones(4, 1.0), z{0.1, 0.2, 0.3, 0.4};
  methods::THDXCH.componentCount = 4;
  methods::THDXCH.modeWord = 3;
  std::array<double, 3> f{};
  std::array<double, 6> j{};
  std::int32_t iflag = 2;
  multiphase::FL3ORS({z, ones, ones}, iflag, 3, 2, std::array<double, 2>{0.5, 0.5}, f, j);
  for (double v : f) EXPECT_NEAR(v, 0.0, 1e-15);
  EXPECT_EQ(iflag, 2);

  const std::vector<double> ka{3.0, 1.5, 0.4, 0.05}, r{0.2, 0.7, 2.0, 9.0};
  const multiphase::BalanceArrays arrays{z, ka, r};
  for (std::int32_t mode : {3, 2}) {
    SCOPED_TRACE(mode);
    methods::THDXCH.modeWord = mode;
    const std::int32_t m = mode, n = mode - 1;
    const std::array<double, 2> x{0.37, 0.61};
    std::array<double, 6> jac{};
    iflag = 2;
    multiphase::FL3ORS(arrays, iflag, m, n, x, f, jac);
    for (std::int32_t c = 0; c < n; ++c) {
      const double h = 1e-6;
      std::array<double, 2> xp = x, xm = x;
      xp[static_cast<std::size_t>(c)] += h;
      xm[static_cast<std::size_t>(c)] -= h;
      std::array<double, 3> fp{}, fm{};
      std::int32_t one = 1;
      std::array<double, 6> unused{};
      multiphase::FL3ORS(arrays, one, m, n, xp, fp, unused);
      multiphase::FL3ORS(arrays, one, m, n, xm, fm, unused);
      for (std::int32_t r2 = 0; r2 < m; ++r2) {
        const auto k = static_cast<std::size_t>(r2 + c * m);
        EXPECT_NEAR(jac[k],
                    (fp[static_cast<std::size_t>(r2)] - fm[static_cast<std::size_t>(r2)]) / (2 * h),
                    1e-7);
      }
    }
  }
  // A split built from known fractions with constant K: phase A x_A, B = KA x_A, C = R x_A,
  // fractions BA = 0.3, BB = 0.5, BC = 0.2, so that z = (BA + BB KA + BC R) x_A.
  methods::THDXCH.modeWord = 3;
  const double ba = 0.3, bb = 0.5, bc = 0.2;
  // x_A = (0.2, 0.3, 0.5) with K-values for which sum x_A = sum KA x_A = sum R x_A = 1.
  const std::vector<double> xa{0.2, 0.3, 0.5}, k3{3.0, 0.5, 0.5}, r3{0.2, 0.4, 1.68};
  std::vector<double> feed(3);
  for (std::size_t i = 0; i < 3; ++i) feed[i] = (ba + bb * k3[i] + bc * r3[i]) * xa[i];
  methods::THDXCH.componentCount = 3;
  const multiphase::BalanceArrays built{feed, k3, r3};
  auto residuals = [&built](std::int32_t& fl, std::int32_t mm, std::int32_t nn,
                            std::span<const double> xx, std::span<double> ff,
                            std::span<double> jj) {
    multiphase::FL3ORS(built, fl, mm, nn, xx, ff, jj);
  };
  std::array<double, 2> x{0.5, 0.5}, xl{1e-4, 1e-4}, xu{0.9999, 0.9999};
  std::array<std::int32_t, 6> iw{};
  std::array<double, 42> rw{};
  std::int32_t limit = 50, code = -9;
  double s = 0.0;
  multiphase::NONLN(3, 2, xl, xu, 3, multiphase::ResidualRoutine::of(residuals), 20, -1, -1, limit,
                    x, f, s, iw, 6, rw, 42, code);
  EXPECT_EQ(code, 0);
  EXPECT_NEAR(x[0] * x[1], ba, 1e-12);
  EXPECT_NEAR((1 - x[0]) * x[1], bb, 1e-12);
  EXPECT_NEAR(1 - x[1], bc, 1e-12);
}

// A component with no feed whose K-value is 0 on a bound gives 0/0 in every residual unless
// it is left out.
TEST(FL3ORS, ComponentsWithoutFeedAreLeftOut) {
  methods::THDXCH.componentCount = 3;
  methods::THDXCH.modeWord = 3;
  const std::vector<double> z{0.5, 0.5, 0.0}, ka{2.0, 0.5, 0.0}, r{0.5, 2.0, 0.0};
  std::array<double, 3> f{};
  std::array<double, 6> j{};
  std::int32_t iflag = 2;
  // x2 = 1: BC = 0, and with KA = 0 the third denominator is x1 x2 = 0 at x1 = 0.
  multiphase::FL3ORS({z, ka, r}, iflag, 3, 2, std::array<double, 2>{0.0, 1.0}, f, j);
  for (double v : f) EXPECT_TRUE(std::isfinite(v));
  for (double v : j) EXPECT_TRUE(std::isfinite(v));
}

}  // namespace
