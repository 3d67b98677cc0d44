// The liquid-liquid split: TLSPLT against the exact split of constant distribution
// coefficients (closed form for two components, an independent bisection for more), the
// no-split results, FLAS3L's set-up of a key pair, and the K-value engine's liquid-liquid
// route running through the filled slot. The distribution coefficients come from a test
// double of the user-added K-value slot, which KCLLIQ asks for the user-added class.
#include "flash/liquid_split.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "../thermo/equilibrium/kvalues_support.hpp"
#include "methods/methods.hpp"
#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "support/allocation_counter.hpp"
#include "support/test_support.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using namespace kvalue_test;

constexpr double kT = 300.0;
constexpr double kP = 2000.0;
constexpr std::int32_t kUserClass = 2;
constexpr std::int32_t kUserCode = 901;
constexpr double kSplitTolerance = 1e-5;  // FLTOL(7) at its start value

// The test double: constant distribution coefficients x1/x2 at the liquid-liquid level.
// When COLLAPSED says so for the two liquids (liquid 1 in y, liquid 2 in x), every
// coefficient is 1: the liquids mix.
std::vector<double> constantD;
std::function<bool(std::span<const double>, std::span<const double>)> collapsed;
std::int32_t doubleCalls = 0;
std::int32_t waterSeen = 0;  // the smallest water index of THCTL the double was asked with
std::int32_t constantDistribution(const equilibrium::UserKValueRequest& r, std::span<double> k,
                                  std::span<double> dkdt, double&, double&) {
  if (r.level != 2) return 0;
  ++doubleCalls;
  waterSeen = std::min(waterSeen, problem::THCTL.idecnt);
  const bool mixed = collapsed && collapsed(r.y, r.x);
  for (std::size_t i = 0; i < k.size(); ++i) {
    k[i] = i < constantD.size() && !mixed ? constantD[i] : 1.0;
    dkdt[i] = 0.0;
  }
  return 1;
}

// The split's 25 arguments with owned arrays.
struct Call {
  explicit Call(std::size_t n)
      : flags(n, 1),
        xl1(n, 0.0),
        xl2(n, 0.0),
        y(n, 0.0),
        dcoef(n),
        gl1(n),
        gl2(n),
        work1(n, 0.0),
        work2(n, 0.0) {}
  std::vector<std::int32_t> flags;
  std::int32_t l1key = 0, l2key = 0, preferred = 0, start = 0;
  std::int32_t liquidClass = kUserClass;
  std::int32_t print = 0;
  std::int32_t unit = -1;
  double fracl1 = 0.5;
  std::int32_t status = -9;
  std::vector<double> xl1, xl2, y, dcoef, gl1, gl2, work1, work2;
  double v1 = 0.0, v2 = 0.0;

  void run(decltype(&flash::TLSPLT) routine, const std::vector<double>& z) {
    const auto n = static_cast<std::int32_t>(z.size());
    routine(flags, l1key, l2key, preferred, start, liquidClass, n, n, print, unit, kP, kT, z,
            fracl1, status, xl1, xl2, y, dcoef, gl1, gl2, work1, work2, v1, v2);
  }
};

// The liquid-1 fraction of the exact split at constant D: the root in (0, 1) of
//   g(theta) = sum z_i (D_i - 1)/(1 + theta (D_i - 1)),
// decreasing in theta, found by bisection in long double; -1 when g keeps one sign.
double exactTheta(const std::vector<double>& d, const std::vector<double>& z) {
  const auto g = [&](long double th) {
    long double s = 0.0L;
    for (std::size_t i = 0; i < z.size(); ++i)
      s += z[i] * (d[i] - 1.0L) / (1.0L + th * (d[i] - 1.0L));
    return s;
  };
  long double lo = 0.0L, hi = 1.0L;
  if (g(lo) <= 0.0L || g(hi) >= 0.0L) return -1.0;
  for (int it = 0; it < 200; ++it) {
    const long double mid = 0.5L * (lo + hi);
    (g(mid) > 0.0L ? lo : hi) = mid;
  }
  return static_cast<double>(0.5L * (lo + hi));
}

// The flash layer fills the slot when the program starts: a split of nothing answers "no
// split" (FRACL1 = -1, status 1) where the empty slot would leave THETA at 0. Runs before any
// test below empties and refills the slot.
TEST(LiquidSplitSlot, IsFilledWhenTheProgramStarts) {
  equilibrium::LiquidSplitRequest q;
  equilibrium::LiquidSplitResult r;
  r.theta = 0.5;
  equilibrium::callLiquidSplit(q, r);
  EXPECT_EQ(r.theta, -1.0);
  EXPECT_EQ(r.status, 1);
}

// K = phiL/phiV of Peng-Robinson with the pairs of the run, solved in the test support.
std::vector<double> expectedK(const std::vector<double>& y, const std::vector<double>& x) {
  const std::vector<double> kij = {0.02, 0.03, 0.01};
  const std::vector<double> v = independentLnPhi(Cubic::PengRobinson, kij, y, kT, kP, false);
  const std::vector<double> l = independentLnPhi(Cubic::PengRobinson, kij, x, kT, kP, true);
  std::vector<double> k(v.size());
  for (std::size_t i = 0; i < k.size(); ++i) k[i] = std::exp(l[i] - v[i]);
  return k;
}

class LiquidSplit : public ::testing::Test {
 protected:
  void SetUp() override {
    startKValueRun();
    services::startFlashTolerances();
    heldUserKValues_ = equilibrium::fillUserKValues(&constantDistribution);
    useLiquidLiquidMethod(kUserCode);
    doubleCalls = 0;
  }
  void TearDown() override {
    equilibrium::fillUserKValues(heldUserKValues_);
    collapsed = nullptr;
  }
  equilibrium::UserKValues heldUserKValues_ = nullptr;
};

// ---------------------------------------------------------------------------------------
// TLSPLT
// ---------------------------------------------------------------------------------------

// Two components at constant D: theta = (r - 1)/(D1 - 1) - r/(D2 - 1) with r = z1, the liquid
// of x_A = D x_B, and x_B = z/(1 + theta (D - 1)). Liquid 1 comes back as the liquid richer in
// L1KEY, whichever way the keys were found.
TEST_F(LiquidSplit, BinaryEqualsTheClosedFormSplit) {
  struct Case {
    const char* name;
    std::vector<double> d, z;
    std::int32_t l1key, l2key, preferred;
    std::int32_t expectL1, expectL2;
  };
  const std::vector<Case> cases = {
      // No keys: the largest of D1, 1/D1, D2, 1/D2 (here 1/D2 = 20) names the first key.
      {"chosen, reciprocal wins", {8.0, 0.05}, {0.4, 0.6}, 0, 0, 0, 2, 1},
      {"chosen, coefficient wins", {30.0, 0.25}, {0.3, 0.7}, 0, 0, 0, 1, 2},
      {"given keys", {8.0, 0.05}, {0.4, 0.6}, 1, 2, 0, 1, 2},
      {"given keys, liquid 1 richer in key 2: exchanged", {8.0, 0.05}, {0.4, 0.6}, 2, 1, 0, 2, 1},
      {"only key 2 given", {8.0, 0.05}, {0.4, 0.6}, 0, 1, 0, 2, 1},
      {"chosen, preferred second key exchanges them", {30.0, 0.25}, {0.3, 0.7}, 0, 0, 1, 2, 1},
      {"chosen, preferred key already second", {30.0, 0.25}, {0.3, 0.7}, 0, 0, 2, 1, 2},
      {"keys outside the components count as not given", {30.0, 0.25}, {0.3, 0.7}, 7, -3, 0, 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    constantD = c.d;
    Call call(2);
    call.l1key = c.l1key;
    call.l2key = c.l2key;
    call.preferred = c.preferred;
    call.run(&flash::TLSPLT, c.z);
    ASSERT_EQ(call.status, 0);
    EXPECT_EQ(call.l1key, c.expectL1);
    EXPECT_EQ(call.l2key, c.expectL2);
    const double r = c.z[0];
    const double theta = (r - 1.0) / (c.d[0] - 1.0) - r / (c.d[1] - 1.0);
    std::vector<double> xa(2), xb(2);
    for (std::size_t i = 0; i < 2; ++i) {
      xb[i] = c.z[i] / (1.0 + theta * (c.d[i] - 1.0));
      xa[i] = c.d[i] * xb[i];
    }
    // Liquid A is richer in the component with D above 1.
    const std::size_t key1 = static_cast<std::size_t>(c.expectL1 - 1);
    const bool aIsLiquid1 = c.d[key1] > 1.0;
    EXPECT_NEAR(call.fracl1, aIsLiquid1 ? theta : 1.0 - theta, 1e-12);
    for (std::size_t i = 0; i < 2; ++i) {
      EXPECT_NEAR(call.xl1[i], aIsLiquid1 ? xa[i] : xb[i], 1e-12) << i;
      EXPECT_NEAR(call.xl2[i], aIsLiquid1 ? xb[i] : xa[i], 1e-12) << i;
    }
    EXPECT_GT(call.xl1[key1], call.xl2[key1]);
  }
}

// More components at constant D: the fraction is the root of the split function to the
// split's tolerance, the liquids hold D between them and the material balance closes.
TEST_F(LiquidSplit, ManyComponentsMeetTheSplitFunction) {
  struct Case {
    const char* name;
    std::vector<double> d, z;
  };
  const std::vector<Case> cases = {
      {"three", {20.0, 1.5, 0.2}, {0.15, 0.35, 0.50}},
      {"five with a trace", {40.0, 3.0, 1.1, 0.5, 0.05}, {0.2, 0.1, 0.3, 1e-7, 0.4}},
      {"six, one absent", {12.0, 0.0, 2.0, 0.8, 0.3, 0.05}, {0.25, 0.0, 0.15, 0.2, 0.1, 0.3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    constantD = c.d;
    const std::size_t n = c.z.size();
    Call call(n);
    call.run(&flash::TLSPLT, c.z);
    ASSERT_EQ(call.status, 0);
    const std::size_t k1 = static_cast<std::size_t>(call.l1key - 1);
    const bool inverted = c.d[k1] < 1.0;  // liquid 1 is then the liquid of x = x2
    const double theta = inverted ? 1.0 - call.fracl1 : call.fracl1;
    // |g'(theta)| is at least sum z (D - 1)^2 / max(1, D)^2 here, so the tolerance on g
    // bounds the fraction's error.
    EXPECT_NEAR(theta, exactTheta(c.d, c.z), 10.0 * kSplitTolerance);
    for (std::size_t i = 0; i < n; ++i) {
      const double x1 = call.xl1[i], x2 = call.xl2[i];
      EXPECT_NEAR(call.fracl1 * x1 + (1.0 - call.fracl1) * x2, c.z[i], 1e-12) << i;
      if (c.z[i] > 0.0 && c.d[i] > 0.0) {
        EXPECT_NEAR(inverted ? x2 / x1 : x1 / x2, c.d[i], 1e-9 * c.d[i]) << i;
      }
    }
    EXPECT_NEAR(std::accumulate(call.xl1.begin(), call.xl1.end(), 0.0), 1.0, kSplitTolerance);
    EXPECT_NEAR(std::accumulate(call.xl2.begin(), call.xl2.end(), 0.0), 1.0, kSplitTolerance);
  }
}

// No split: status 1, FRACL1 = -1, both liquids the feed.
TEST_F(LiquidSplit, NoSplitGivesBackTheFeed) {
  struct Case {
    const char* name;
    std::vector<double> d, z;
    std::int32_t l1key, l2key;
  };
  const std::vector<Case> cases = {
      {"a key coefficient within 5e-7 of 1, keys chosen", {1.0 + 4e-7, 0.2}, {0.5, 0.5}, 0, 0},
      {"a key coefficient within 5e-7 of 1, keys given", {8.0, 1.0 - 4e-7}, {0.5, 0.5}, 1, 2},
      {"all coefficients 1: no first key", {1.0, 1.0, 1.0}, {0.2, 0.3, 0.5}, 0, 0},
      {"no partner below 1", {4.0, 2.0, 1.5}, {0.2, 0.3, 0.5}, 0, 0},
      {"the feed outside the two-liquid region", {2.0, 0.5}, {0.9, 0.1}, 0, 0},
      {"the key pair absent from the feed", {8.0, 0.05, 1.2}, {0.0, 0.0, 1.0}, 1, 2},
      {"keys outside the components are chosen", {8.0, 1.0, 1.0}, {0.4, 0.3, 0.3}, 7, -3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    constantD = c.d;
    Call call(c.z.size());
    call.l1key = c.l1key;
    call.l2key = c.l2key;
    call.xl1.assign(c.z.size(), 0.7);
    call.run(&flash::TLSPLT, c.z);
    EXPECT_EQ(call.status, 1);
    EXPECT_EQ(call.fracl1, -1.0);
    EXPECT_EQ(call.xl1, c.z);
    EXPECT_EQ(call.xl2, c.z);
  }
}

// A split whose liquids merge with the first partner is tried again with the alternative
// partner (the smallest D_i/z_i), but only when the keys were chosen here. The double
// remembers which partner liquid 2 was last seeded with (component 2 or 3) and mixes the
// liquids once they leave the seeds of component 2.
TEST_F(LiquidSplit, RetriesWithTheAlternativePartner) {
  constantD = {20.0, 0.5, 0.6};
  std::size_t seededWith = 0;
  const auto mergeAfterSeedOfTwo = [&seededWith](std::span<const double>,
                                                 std::span<const double> l2) {
    if (l2[1] >= 0.95) seededWith = 1;
    if (l2[2] >= 0.95) seededWith = 2;
    return seededWith == 1 && l2[1] < 0.95;
  };
  const std::vector<double> z = {0.3, 0.05, 0.65};  // D/z: 10 for component 2, 0.92 for 3
  Call chosen(3);
  collapsed = mergeAfterSeedOfTwo;
  chosen.run(&flash::TLSPLT, z);
  ASSERT_EQ(chosen.status, 0);
  EXPECT_EQ(chosen.l1key, 1);
  EXPECT_EQ(chosen.l2key, 3);
  EXPECT_NEAR(chosen.fracl1, exactTheta(constantD, z), 10.0 * kSplitTolerance);
  Call given(3);
  given.l1key = 1;
  given.l2key = 2;
  given.run(&flash::TLSPLT, z);
  EXPECT_EQ(given.status, 1);
  EXPECT_EQ(given.l2key, 2);
}

// The clamps of FLSCMP are widened while the split runs and the water component is hidden
// from FLSCMP only: a feed with the set's water component keeps its water in both liquids,
// while the distribution coefficients are evaluated with the set's water as it is.
TEST_F(LiquidSplit, KeepsWaterAndRestoresTheFlashWords) {
  constantD = {200.0, 1.3, 0.01};  // component 3 plays the water
  problem::THCTL.idecnt = 3;
  problem::THCTL.xwd = 0.5;
  services::FLTOL(12) = 1e-10;
  services::FLTOL(13) = 1e10;
  const std::vector<double> z = {0.3, 0.2, 0.5};
  waterSeen = 99;
  Call call(3);
  call.run(&flash::TLSPLT, z);
  ASSERT_EQ(call.status, 0);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_NEAR(call.fracl1 * call.xl1[i] + (1.0 - call.fracl1) * call.xl2[i], z[i], 1e-12) << i;
  }
  EXPECT_NEAR(call.xl1[2] / call.xl2[2], 0.01, 1e-12);
  EXPECT_EQ(waterSeen, 3);  // the distribution coefficients see the set's water
  EXPECT_EQ(problem::THCTL.idecnt, 3);
  EXPECT_EQ(services::FLTOL(12), 1e-10);
  EXPECT_EQ(services::FLTOL(13), 1e10);
}

// Start compositions from the caller are taken as they are: a converged split given back
// settles in the first iterations.
TEST_F(LiquidSplit, StartsFromGivenCompositions) {
  constantD = {20.0, 1.5, 0.2};
  const std::vector<double> z = {0.15, 0.35, 0.50};
  Call first(3);
  first.run(&flash::TLSPLT, z);
  ASSERT_EQ(first.status, 0);
  const std::int32_t callsFromSeeds = doubleCalls;
  doubleCalls = 0;
  Call again(3);
  again.start = 1;
  again.l1key = first.l1key;
  again.l2key = first.l2key;
  again.xl1 = first.xl1;
  again.xl2 = first.xl2;
  again.run(&flash::TLSPLT, z);
  ASSERT_EQ(again.status, 0);
  EXPECT_NEAR(again.fracl1, first.fracl1, kSplitTolerance);
  EXPECT_LE(doubleCalls, 3);
  EXPECT_LT(doubleCalls, callsFromSeeds);
}

// An activity model whose liquid splits: NRTL (form 2, tau = q5, alpha 0.3) with tau = 3.5
// between components 1 and 3 and 0 for component 2. The split found through KCLLIQ's activity
// route meets iso-activity, x1 gamma1 = x2 gamma2, with gamma from the model evaluated here.
TEST_F(LiquidSplit, ActivityModelSplitMeetsIsoActivity) {
  const std::size_t n2 = kN * kN;
  std::vector<double> nrtl(5 * n2, 0.0);
  for (std::size_t i = 0; i < kN; ++i) {
    for (std::size_t j = 0; j < kN; ++j) {
      if (i != j) nrtl[n2 + j * kN + i] = 0.3;
    }
  }
  nrtl[4 * n2 + 2 * kN + 0] = nrtl[4 * n2 + 0 * kN + 2] = 3.5;
  const std::vector<std::int32_t> ictl = {0, 2, 0, -1, 1, 0};
  BlockData block;
  block.reals = nrtl;
  block.integers = ictl;
  block.reals2.assign(4 * n2 + 1, 0.0);
  useKValueMethod(401, block, equilibrium::kActivityOptionDigit, equilibrium::kActivityOptionDigit);
  useLiquidLiquidMethod(401);
  methods::MSPTRS.classes(2).optionWord = equilibrium::kActivityOptionDigit;
  const std::vector<double> z = {0.30, 0.10, 0.60};
  Call call(kN);
  call.liquidClass = 1;
  call.run(&flash::TLSPLT, z);
  ASSERT_EQ(call.status, 0);
  EXPECT_GT(call.fracl1, 0.05);
  EXPECT_LT(call.fracl1, 0.95);
  EXPECT_GT(call.xl1[static_cast<std::size_t>(call.l1key - 1)], 0.5);
  EXPECT_GT(call.xl2[static_cast<std::size_t>(call.l2key - 1)], 0.5);
  const auto gammaOf = [&](std::vector<double> x) {
    const double sum = std::accumulate(x.begin(), x.end(), 0.0);
    for (double& v : x) v /= sum;
    std::vector<double> param = nrtl, cache(4 * n2 + 1, 0.0), sums(4 * kN), lng(kN), dlng(kN),
                        dx(n2);
    std::vector<std::int32_t> descriptor = ictl;
    double g = 0.0, h = 0.0, gtt = 0.0;
    pure::VTNRTL(x, kT, static_cast<std::int32_t>(kN), 0, param, descriptor, cache, sums, lng, dlng,
                 dx, g, h, gtt);
    for (std::size_t i = 0; i < kN; ++i) x[i] *= std::exp(lng[i]);
    return x;  // the activities
  };
  // The outer loop stops on composition changes weighted by the compositions themselves
  // (below 10 TOL), so the lean component of each liquid may stay a few parts in a thousand
  // from equilibrium while it still converges.
  const std::vector<double> a1 = gammaOf(call.xl1), a2 = gammaOf(call.xl2);
  for (std::size_t i = 0; i < kN; ++i) {
    EXPECT_NEAR(a1[i], a2[i], 5e-3 * a2[i]) << i;
    EXPECT_NEAR(call.fracl1 * call.xl1[i] + (1.0 - call.fracl1) * call.xl2[i], z[i], 1e-12) << i;
  }
  // Through the K-value entry: the vapour against each liquid (K = gamma Psat/P with the
  // Antoine pressures of the run), combined as 1/K = theta/K1 + (1 - theta)/K2.
  const std::vector<double> y = {0.5, 0.3, 0.2};
  const KResult r = kcalc(y, z, kT, kP, 1, 1);
  const equilibrium::LiquidSplitState& s = equilibrium::liquidSplitState;
  ASSERT_GT(s.theta, 0.0);
  const std::vector<double> x1(s.x1.begin(), s.x1.begin() + kN);
  const std::vector<double> x2(s.x2.begin(), s.x2.begin() + kN);
  const std::vector<double> g1 = gammaOf(x1), g2 = gammaOf(x2);
  const double sum1 = std::accumulate(x1.begin(), x1.end(), 0.0);
  const double sum2 = std::accumulate(x2.begin(), x2.end(), 0.0);
  for (std::size_t i = 0; i < kN; ++i) {
    const double k1 = g1[i] / (x1[i] / sum1) * antoine(i, kT) / kP;
    const double k2 = g2[i] / (x2[i] / sum2) * antoine(i, kT) / kP;
    const double k = 1.0 / (s.theta / k1 + (1.0 - s.theta) / k2);
    EXPECT_NEAR(r.k[i], k, 1e-6 * k) << i;
  }
}

// An equation-of-state liquid that does not split (the light ternary of the run under
// Peng-Robinson): the route answers with the plain pair and marks the stored split unusable.
TEST_F(LiquidSplit, EquationOfStateLiquidThatDoesNotSplitTakesThePlainPair) {
  useKValueMethod(101, cubicBlock(Cubic::PengRobinson, {0.02, 0.03, 0.01}), 1);
  useLiquidLiquidMethod(101);
  methods::MSPTRS.classes(2).optionWord = 1;
  const std::vector<double> y = {0.85, 0.12, 0.03}, x = {0.15, 0.35, 0.50};
  const KResult r = kcalc(y, x, kT, kP, 1, 1);
  const std::vector<double> k = expectedK(y, x);
  for (std::size_t i = 0; i < kN; ++i) EXPECT_NEAR(r.k[i], k[i], 1e-9 * k[i]) << i;
  EXPECT_EQ(equilibrium::liquidSplitState.theta, -1.0);
  EXPECT_EQ(equilibrium::liquidSplitState.x1[0], services::DMISS);
}

// ---------------------------------------------------------------------------------------
// FLAS3L
// ---------------------------------------------------------------------------------------

TEST_F(LiquidSplit, ThreePhaseSetUpWithGivenKeysEvaluatesOnce) {
  constantD = {20.0, 1.5, 0.2};
  methods::THDXCH.IHVLLE = 2;
  Call call(3);
  call.l1key = 1;
  call.l2key = 3;
  call.fracl1 = 0.3;
  call.run(&flash::FLAS3L, {0.15, 0.35, 0.50});
  EXPECT_EQ(doubleCalls, 1);
  EXPECT_EQ(call.status, 0);
  EXPECT_EQ(call.fracl1, 0.3);
  EXPECT_EQ(methods::THDXCH.IHVLLE, 1);
  EXPECT_EQ(methods::THDXCH.L1KEY, 1);
  EXPECT_EQ(methods::THDXCH.L2KEY, 3);
  // The seeds of the user-added class hold 0.02 of the other key.
  EXPECT_EQ(call.xl1, (std::vector<double>{0.98, 0.0, 0.02}));
  EXPECT_EQ(call.xl2, (std::vector<double>{0.02, 0.0, 0.98}));
  EXPECT_EQ(call.work1, call.xl1);
  EXPECT_EQ(call.dcoef, constantD);
}

TEST_F(LiquidSplit, ThreePhaseSetUpSeedsAnEmptyStartLiquid) {
  constantD = {20.0, 1.5, 0.2};
  Call call(3);
  call.start = 1;
  call.l1key = 1;
  call.l2key = 3;
  call.xl1 = {0.6, 0.3, 0.1};
  call.run(&flash::FLAS3L, {0.15, 0.35, 0.50});
  EXPECT_EQ(call.xl1, (std::vector<double>{0.6, 0.3, 0.1}));
  EXPECT_EQ(call.xl2, (std::vector<double>{0.02, 0.0, 0.98}));
  EXPECT_EQ(call.work2, call.xl2);
}

// The first key of FLAS3L comes from D_i and 1/D_j of each pair only; TLSPLT also looks at
// 1/D_i and D_j.
TEST_F(LiquidSplit, ThreePhaseKeyChoiceLooksAtTwoRatiosOfAPair) {
  constantD = {0.05, 2.0, 1.5};
  methods::THDXCH.IHVLLE = 2;
  Call call(3);
  call.run(&flash::FLAS3L, {0.3, 0.3, 0.4});
  EXPECT_EQ(call.l1key, 2);  // D2 = 2 beats 1/D3 and D1; 1/D1 = 20 is not looked at
  EXPECT_EQ(call.l2key, 1);  // the smallest D below 1
  EXPECT_EQ(methods::THDXCH.IHVLLE, 1);
  Call split(3);
  split.run(&flash::TLSPLT, {0.3, 0.3, 0.4});
  EXPECT_EQ(split.status, 1);  // 1/D1 names component 1, which has no partner below 1
}

TEST_F(LiquidSplit, ThreePhaseWithoutAPairGivesBackTheWorkCopies) {
  constantD = {1.0, 1.0, 1.0};
  methods::THDXCH.IHVLLE = 2;
  Call given(3);
  given.start = 1;
  given.xl1 = {0.2, 0.3, 0.5};
  given.xl2 = {0.0, 0.0, 0.0};
  given.run(&flash::FLAS3L, {0.2, 0.3, 0.5});
  EXPECT_EQ(given.xl1, (std::vector<double>{0.2, 0.3, 0.5}));
  EXPECT_EQ(given.xl2, (std::vector<double>{1.0, 0.0, 0.0}));  // empty: pure component 1
  EXPECT_EQ(methods::THDXCH.IHVLLE, 2);
  EXPECT_EQ(given.status, 0);
  Call empty(3);
  empty.run(&flash::FLAS3L, {0.2, 0.3, 0.5});
  EXPECT_EQ(empty.xl1, (std::vector<double>{1.0, 0.0, 0.0}));
  EXPECT_EQ(empty.xl2, (std::vector<double>{1.0, 0.0, 0.0}));
  EXPECT_EQ(methods::THDXCH.L1KEY, 0);
  EXPECT_EQ(methods::THDXCH.L2KEY, 0);
}

// The traces go to the unit given: nothing at print level 0, the closing line from 1, the
// key, iteration and component tables from 2.
TEST_F(LiquidSplit, TracesFollowThePrintLevel) {
  constexpr int kUnit = 71;
  struct Case {
    const char* name;
    decltype(&flash::TLSPLT) routine;
    std::int32_t print;
    std::vector<std::string> present, absent;
  };
  const std::vector<Case> cases = {
      {"split, level 0", &flash::TLSPLT, 0, {}, {"TLSPLT"}},
      {"split, level 1", &flash::TLSPLT, 1, {" END TLSPLT FRACL1 ="}, {"BEGIN", "OUTER LOOP"}},
      {"split, level 2",
       &flash::TLSPLT,
       2,
       {" BEGIN TLSPLT- PRESSURE =", " OUTER LOOP KXITER =", " GFLSH =", " END TLSPLT"},
       {}},
      {"set-up, level 1", &flash::FLAS3L, 1, {" LEAVING FLAS3L - IHVLLE =  1"}, {"ENTERED"}},
      {"set-up, level 2",
       &flash::FLAS3L,
       2,
       {" ENTERED FLAS3L", " FLAS3L- PRESSURE =", " .. DCOEF ..."},
       {}},
  };
  testing_support::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    constantD = {20.0, 1.5, 0.2};
    const auto path = dir.file("trace.txt");
    ASSERT_EQ(platform::openSequential(kUnit, path.string(), platform::FileStatus::Unknown,
                                       platform::FileAccess::Write),
              platform::IoResult::Ok);
    Call call(3);
    call.print = c.print;
    call.unit = kUnit;
    call.run(c.routine, {0.15, 0.35, 0.50});
    platform::closeUnit(kUnit, true);
    const std::string text = testing_support::readFile(path);
    if (c.present.empty()) {
      EXPECT_EQ(text, "");
    }
    for (const std::string& line : c.present) EXPECT_NE(text.find(line), std::string::npos) << line;
    for (const std::string& word : c.absent) EXPECT_EQ(text.find(word), std::string::npos) << word;
  }
}

// ---------------------------------------------------------------------------------------
// The K-value engine's liquid-liquid route through the slot
// ---------------------------------------------------------------------------------------

TEST_F(LiquidSplit, KValueRouteRunsThroughTheSplit) {
  useKValueMethod(101, cubicBlock(Cubic::PengRobinson, {0.02, 0.03, 0.01}), 1);
  constantD = {20.0, 1.5, 0.2};
  const std::vector<double> y = {0.85, 0.12, 0.03}, x = {0.15, 0.35, 0.50};
  const KResult r = kcalc(y, x, kT, kP, 1, 1);
  EXPECT_EQ(r.ierr, 0);
  const equilibrium::LiquidSplitState& s = equilibrium::liquidSplitState;
  const double theta = s.theta;
  ASSERT_GT(theta, 0.0);
  // The stored split is the split of the liquid at constant D.
  EXPECT_NEAR(theta, exactTheta(constantD, x), 10.0 * kSplitTolerance);
  const std::vector<double> x1(s.x1.begin(), s.x1.begin() + 3), x2(s.x2.begin(), s.x2.begin() + 3);
  for (std::size_t i = 0; i < kN; ++i) {
    EXPECT_NEAR(theta * x1[i] + (1.0 - theta) * x2[i], x[i], 1e-12) << i;
  }
  // 1/K = theta/K1 + (1 - theta)/K2 with the K-values against each liquid.
  const std::vector<double> k1 = expectedK(y, x1), k2 = expectedK(y, x2);
  for (std::size_t i = 0; i < kN; ++i) {
    const double k = 1.0 / (theta / k1[i] + (1.0 - theta) / k2[i]);
    EXPECT_NEAR(r.k[i], k, 1e-9 * k) << i;
  }
  // A liquid with no split: the plain pair.
  constantD = {1.0, 1.0, 1.0};
  const KResult plain = kcalc(y, x, kT, kP, 1, 1);
  const std::vector<double> k = expectedK(y, x);
  for (std::size_t i = 0; i < kN; ++i) EXPECT_NEAR(plain.k[i], k[i], 1e-9 * k[i]) << i;
  EXPECT_EQ(s.theta, -1.0);
}

// The slot serves the three-phase variant while a three-phase flash runs; the split status
// stays the split's own.
TEST_F(LiquidSplit, SlotRoutesByTheThreePhaseWord) {
  constantD = {20.0, 1.5, 0.2};
  const std::vector<double> x = {0.15, 0.35, 0.50};
  std::vector<double> x1(3, services::DMISS), x2(3, services::DMISS);
  const std::vector<std::int32_t> flags(3, 1);
  equilibrium::LiquidSplitRequest q;
  q.flags = flags;
  q.methodClass = kUserClass;
  q.ncomp = q.nck = 3;
  q.unit = -1;
  q.p = kP;
  q.t = kT;
  q.x = x;
  q.y = x;
  equilibrium::LiquidSplitResult a;
  a.x1 = x1;
  a.x2 = x2;
  a.theta = -1.0;
  q.threePhase = true;
  methods::THDXCH.IHVLLE = 2;
  equilibrium::callLiquidSplit(q, a);
  EXPECT_EQ(methods::THDXCH.IHVLLE, 1);
  EXPECT_EQ(a.theta, -1.0);  // the set-up leaves the fraction
  EXPECT_EQ(a.status, 0);
  q.threePhase = false;
  equilibrium::callLiquidSplit(q, a);
  EXPECT_NEAR(a.theta, exactTheta(constantD, x), 10.0 * kSplitTolerance);
  EXPECT_EQ(a.status, 0);
}

// Once warm, the split and the route through it allocate nothing.
TEST_F(LiquidSplit, WarmSplitAllocatesNothing) {
  useKValueMethod(101, cubicBlock(Cubic::PengRobinson, {0.02, 0.03, 0.01}), 1);
  constantD = {20.0, 1.5, 0.2};
  const std::vector<double> y = {0.85, 0.12, 0.03}, x = {0.15, 0.35, 0.50};
  std::vector<double> k(kN);
  double zv = 0.0, zl = 0.0;
  std::int32_t ierr = 0, status = 0;
  const auto route = [&] {
    std::int32_t kccall = 12;
    equilibrium::KCALC(3, 3, y, x, k, kT, kP, zv, zl, kccall, 1, 1, ierr, 0, status);
  };
  route();
  const std::size_t before = testing_support::allocationCount();
  route();
  EXPECT_EQ(testing_support::allocationCount() - before, 0u);
  ASSERT_GT(equilibrium::liquidSplitState.theta, 0.0);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// FLSLKY
// ---------------------------------------------------------------------------------------

// A regular-solution double (J. H. Hildebrand and R. L. Scott, The Solubility of
// Nonelectrolytes, 3rd ed., 1950): ln gamma_i = v_i (delta_i - delta_mix)^2/(R T), delta_mix
// the volume-fraction average; the liquid-liquid K-value x1/x2 = gamma2/gamma1 (liquid 1 in
// y). Molar volumes (cm3/mol) and solubility parameters ((J/cm3)^0.5) from A. F. M. Barton,
// Handbook of Solubility Parameters, CRC 1983: n-hexane 131.6, 14.9; methanol 40.7, 29.6;
// toluene 106.8, 18.2.
struct RegularSolution {
  std::vector<double> v, delta;
  std::vector<double> lnGamma(std::span<const double> x, double t) const {
    double vsum = 0.0, dmix = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) vsum += x[i] * v[i];
    for (std::size_t i = 0; i < x.size(); ++i) dmix += x[i] * v[i] / vsum * delta[i];
    std::vector<double> g(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
      g[i] = v[i] * (delta[i] - dmix) * (delta[i] - dmix) / (8.314462618 * t);
    }
    return g;
  }
};
RegularSolution regular;
std::int32_t regularCalls = 0;
std::int32_t regularDistribution(const equilibrium::UserKValueRequest& r, std::span<double> k,
                                 std::span<double> dkdt, double&, double&) {
  if (r.level != 2) return 0;
  ++regularCalls;
  const std::vector<double> g1 = regular.lnGamma(r.y, r.t), g2 = regular.lnGamma(r.x, r.t);
  for (std::size_t i = 0; i < k.size(); ++i) {
    k[i] = std::exp(g2[i] - g1[i]);
    dkdt[i] = 0.0;
  }
  return 1;
}

class LiquidKeys : public LiquidSplit {
 protected:
  void SetUp() override {
    LiquidSplit::SetUp();
    equilibrium::fillUserKValues(&regularDistribution);
    regular = {{131.6, 40.7, 106.8}, {14.9, 29.6, 18.2}};
    regularCalls = 0;
  }
  struct Keys {
    explicit Keys(std::size_t n)
        : flags(n, 1), xl1(n), xl2(n), work(n), k12(n), phi1(n), phi2(n), save1(n), save2(n) {}
    std::vector<std::int32_t> flags;
    std::int32_t key1 = 0, key2 = 0, preferred = 0, save = 1, status = -1;
    double fraction1 = 0.3, fraction2 = 0.0;
    std::vector<double> xl1, xl2, work, k12, phi1, phi2, save1, save2;
    void run(const std::vector<double>& feed) {
      const auto n = static_cast<std::int32_t>(feed.size());
      flash::FLSLKY(flags, key1, key2, preferred, save, kUserClass, n, n, kP, kT, feed, fraction1,
                    fraction2, status, xl1, xl2, work, k12, phi1, phi2, save1, save2);
    }
  };
};

// Hexane and methanol part, toluene mixes with both: the keys are the immiscible pair, and
// liquid 1 (the caller's, restored after the trials) is ordered to hold key 1.
TEST_F(LiquidKeys, RegularSolutionFindsTheImmisciblePair) {
  struct Case {
    const char* label;
    std::int32_t key1, key2, preferred;
    std::int32_t expect1, expect2;
  };
  // With hexane (1) at 1 - tol against methanol (2), K_1 = gamma1 of hexane in methanol over
  // hexane in itself, far above 1, and it leads; its partner is methanol.
  const std::vector<Case> cases = {
      {"no key", 0, 0, 0, 1, 2},
      {"preferred key 2 is hexane: exchanged", 0, 0, 1, 2, 1},
      {"key 1 given", 2, 0, 0, 2, 1},
      {"key 2 given", 0, 2, 0, 1, 2},
  };
  const std::vector<double> feed{0.4, 0.4, 0.2};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Keys k(3);
    k.key1 = c.key1;
    k.key2 = c.key2;
    k.preferred = c.preferred;
    // The caller's liquids: liquid 1 methanol-rich, liquid 2 hexane-rich.
    k.xl1 = {0.05, 0.85, 0.10};
    k.xl2 = {0.80, 0.05, 0.15};
    k.run(feed);
    EXPECT_EQ(k.status, 0);
    EXPECT_EQ(k.key1, c.expect1);
    EXPECT_EQ(k.key2, c.expect2);
    const auto k1 = static_cast<std::size_t>(k.key1 - 1), k2 = static_cast<std::size_t>(k.key2 - 1);
    EXPECT_GT(k.xl1[k1], k.xl2[k1]) << "liquid 1 holds key 1";
    EXPECT_GT(k.xl2[k2], k.xl1[k2]);
    const bool swapped = k.xl1[0] == 0.80;
    EXPECT_EQ(k.fraction1, swapped ? 0.7 : 0.3);
    EXPECT_EQ(k.fraction2, 1.0 - k.fraction1);
    // The K-values are those of the final liquids.
    const std::vector<double> g1 = regular.lnGamma(k.xl1, kT), g2 = regular.lnGamma(k.xl2, kT);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(k.k12[i], std::exp(g2[i] - g1[i]), 1e-9 * k.k12[i]);
  }
}

// A feed with a single present component finds no pair: the keys stay 0, the caller's
// liquids come back untouched (not the cleared trial liquids) and only the final call runs.
TEST_F(LiquidKeys, SinglePresentComponentFindsNoPair) {
  Keys k(3);
  k.xl1 = {0.2, 0.5, 0.3};
  k.xl2 = {0.6, 0.1, 0.3};
  k.run({0.0, 1.0, 1e-8});
  EXPECT_EQ(k.key1, 0);
  EXPECT_EQ(k.key2, 0);
  EXPECT_EQ(regularCalls, 1);
  EXPECT_EQ(k.xl1, (std::vector<double>{0.2, 0.5, 0.3}));
  EXPECT_EQ(k.xl2, (std::vector<double>{0.6, 0.1, 0.3}));
  EXPECT_EQ(k.fraction1, 0.3);
  EXPECT_EQ(k.fraction2, 0.7);
}

// With key 1 given and every other component going to liquid 1 with it, no partner is
// found: key 2 stays 0 and the liquids keep their order.
TEST_F(LiquidKeys, NoPartnerBelowOne) {
  regular = {{100.0, 100.0, 100.0}, {15.0, 15.0, 15.0}};  // an ideal solution: every K is 1
  Keys k(3);
  k.key1 = 1;
  k.xl1 = {0.1, 0.5, 0.4};
  k.xl2 = {0.7, 0.2, 0.1};
  k.run({0.3, 0.3, 0.4});
  EXPECT_EQ(k.key1, 1);
  EXPECT_EQ(k.key2, 0);
  EXPECT_EQ(regularCalls, 3);
  EXPECT_EQ(k.xl1[0], 0.1) << "no ordering without key 2";
}
