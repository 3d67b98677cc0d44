// The stability test on the methane / hydrogen sulphide example with the Soave equation
// (M. L. Michelsen, "The isothermal flash problem. Part I. Stability", Fluid Phase Equilibria
// 9 (1982) 1: 190 K, 40.53 bar), with the pair coefficient 0.083 and the published component
// constants of the fixture builder, checked against the test's own equation of state and an
// independent tangent-plane minimiser (a scan refined by golden sections); the stability
// equation of state against the test's, with its runs of pair coefficients and its cache; the
// Gibbs minimisation of a split; the vector services and their faults.
#include "flash/multiphase/stability.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "flash/multiphase/gibbs_flash.hpp"
#include "flash/multiphase/slots.hpp"
#include "methods/methods.hpp"
#include "services/services.hpp"
#include "stability_support.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using namespace stability_test;
constexpr std::int32_t kN = 3;

class SlotsEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { multiphase::installSlots(); }
};
const auto* const kSlots = ::testing::AddGlobalTestEnvironment(new SlotsEnvironment);

class Stability : public ::testing::Test {
 protected:
  void SetUp() override { flash_test::useSet(kSoaveSet); }
  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
  StabilityProblem problem_{dir_};
};

// Feed potentials d_i = ln z_i + ln phi_i(z) at the lower-Gibbs root.
std::vector<double> potentials(const std::vector<double>& z, double t, double p) {
  std::vector<double> lnphi(z.size()), d(z.size());
  std::int32_t ist = 0;
  double zf = 0.0;
  multiphase::STPHSG(kN, 1, multiphase::kLowerGibbs, ist, t, p, zf, z, lnphi, nullptr);
  for (std::size_t i = 0; i < z.size(); ++i) {
    d[i] = (z[i] > 0.0 ? std::log(z[i]) : -30.0) + lnphi[i];
  }
  return d;
}

// ---------------------------------------------------------------------------------------
// The equation of state
// ---------------------------------------------------------------------------------------

// Both evaluators give the test's ln(phi) on their roots for the codes whose pair
// coefficients come in runs of NP words (101, 124) and of 2 NP words (111, first half read),
// with ln P added on request.
TEST_F(Stability, EvaluatorsMatchTheTestEquationOfState) {
  struct Case {
    std::int32_t set;
    bool soave;
  };
  const std::vector<double> x{0.3, 0.5, 0.2};
  for (const Case& c :
       {Case{kSoaveSet, true}, Case{kShiftedSet, false}, Case{kAsymmetricSet, false}}) {
    SCOPED_TRACE(c.set);
    flash_test::useSet(c.set);
    const TestEos eos(c.soave, kExampleT, kExampleP, kPairCoefficient);
    std::vector<double> lnphi(3);
    double z = 0.0;
    std::int32_t status = -1;
    multiphase::STEOSV(kN, x, lnphi, kExampleT, kExampleP, z, 0, 0, status);
    EXPECT_EQ(status, 0);
    const std::vector<long double> vapour = eos.lnphi(widen(x), 1);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(lnphi[i], vapour[i], 1e-9);
    multiphase::STEOSL(kN, x, lnphi, kExampleT, kExampleP, z, 0, 1, status);
    const std::vector<long double> liquid = eos.lnphi(widen(x), 2);
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_NEAR(lnphi[i], liquid[i] + std::log(kExampleP), 1e-9);
      EXPECT_NEAR(multiphase::STBFUG.lnphi[i], liquid[i], 1e-9);
    }
  }
}

// The composition derivatives of a trial phase are exact for every accepted code, 122
// included: symmetric, Gibbs-Duhem, and central differences of ln(phi) in the mole numbers.
TEST_F(Stability, TrialPhaseDerivativesHoldForEveryCode) {
  const std::vector<double> n{0.3, 0.5, 0.2};
  for (const std::int32_t set : {kSoaveSet, kAssociatingSet, kAsymmetricSet}) {
    SCOPED_TRACE(set);
    flash_test::useSet(set);
    multiphase::Matrix50 m;
    std::vector<double> lnphi(3), up(3), down(3);
    std::int32_t ist = 0;
    double z = 0.0;
    multiphase::STPHSG(kN, 2, multiphase::kLowerGibbs, ist, kExampleT, kExampleP, z, n, lnphi, &m);
    ASSERT_EQ(ist, 0);
    for (std::size_t j = 0; j < 3; ++j) {
      double gd = 0.0;
      for (std::size_t i = 0; i < 3; ++i) {
        gd += n[i] * m(i, j);
        EXPECT_EQ(m(i, j), m(j, i));
      }
      EXPECT_NEAR(gd, 0.0, 1e-10);
      const double h = 1e-6;
      std::vector<double> nu = n, nd = n;
      nu[j] += h;
      nd[j] -= h;
      multiphase::STPHSG(kN, 1, multiphase::kLowerGibbs, ist, kExampleT, kExampleP, z, nu, up,
                         nullptr);
      multiphase::STPHSG(kN, 1, multiphase::kLowerGibbs, ist, kExampleT, kExampleP, z, nd, down,
                         nullptr);
      for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(m(i, j), (up[i] - down[i]) / (2.0 * h), 1e-6) << "i=" << i << " j=" << j;
      }
    }
  }
}

// Alpha of every form through STEOSP equals the pure-component kernel's.
TEST(STEOSP, AlphaOfEveryFormIsTheKernels) {
  const std::vector<std::int32_t> forms{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 15, 16, 20, 99};
  const std::size_t n = forms.size();
  std::vector<double> sqrtac(n, 20.0), tc(n, 400.0), h;
  for (std::size_t i = 0; i < n; ++i) {
    for (double v : {0.6, 0.9, 1.1}) h.push_back(v);
  }
  for (double t : {150.0, 380.0, 700.0}) {
    std::vector<double> s1(n), a1(n), s2(n), a2(n), at(n), att(n);
    multiphase::STEOSP(sqrtac, h, forms, static_cast<std::int32_t>(n), t, tc, s1, a1);
    pure::EOSTWU(sqrtac, h, forms, 1, 3, static_cast<std::int32_t>(n), t, tc, s2, a2, at, att);
    EXPECT_EQ(a1, a2);
    EXPECT_EQ(s1, s2);
  }
}

// The cache: a second evaluation at the same T forms no terms, a higher level forms them
// again, a kernel evaluation in between changes nothing of the test's terms, and a kernel
// evaluation first never makes the test skip its own.
TEST_F(Stability, TemperatureCacheServesOnlyItsOwnTerms) {
  const std::vector<double> x{0.4, 0.5, 0.1};
  std::vector<double> lnphi(3), first(3), kernel(3);
  double z = 0.0;
  std::int32_t status = 0;
  multiphase::forgetStabilityTerms();
  // A kernel evaluation at T first.
  std::int32_t numerical = 0, fstatus = 0;
  const std::vector<std::int32_t> flags(3, 1);
  equilibrium::FVCALC(kN, x, kernel, kExampleT, kExampleP, z, 0, 0, flags, 0, fstatus, numerical);
  const std::int64_t before = multiphase::THMISC.termEvaluations;
  multiphase::STEOSV(kN, x, first, kExampleT, kExampleP, z, 0, 0, status);
  EXPECT_EQ(multiphase::THMISC.termEvaluations, before + 1);
  multiphase::STEOSV(kN, x, lnphi, kExampleT, kExampleP, z, 0, 0, status);
  EXPECT_EQ(multiphase::THMISC.termEvaluations, before + 1) << "a hit at the same T";
  multiphase::STEOSV(kN, x, lnphi, kExampleT, kExampleP, z, 100, 0, status);
  EXPECT_EQ(multiphase::THMISC.termEvaluations, before + 2) << "a higher level";
  equilibrium::FVCALC(kN, x, kernel, kExampleT + 10.0, kExampleP, z, 0, 0, flags, 0, fstatus,
                      numerical);
  multiphase::STEOSV(kN, x, lnphi, kExampleT, kExampleP, z, 0, 0, status);
  EXPECT_EQ(lnphi, first);
  multiphase::STEOSV(kN, x, lnphi, kExampleT + 10.0, kExampleP, z, 0, 0, status);
  EXPECT_EQ(multiphase::THMISC.termEvaluations, before + 3) << "another T";
  multiphase::forgetStabilityTerms();
  multiphase::STEOSV(kN, x, lnphi, kExampleT, kExampleP, z, 0, 0, status);
  EXPECT_EQ(lnphi, first);
  EXPECT_EQ(multiphase::THMISC.termEvaluations, before + 4);
}

// ---------------------------------------------------------------------------------------
// The tangent-plane test on the published example
// ---------------------------------------------------------------------------------------

// Over feeds on both sides of the instability, the sign of the global minimum of the
// tangent-plane distance decides STABL's answer, and the minimisation from the vapour-like
// and the liquid-like trial ends on a stationary point that the independent minimiser finds,
// with tm = 1 - exp(-tpd) there.
TEST_F(Stability, TangentPlaneAgreesWithAnIndependentMinimiser) {
  const TestEos eos(true, kExampleT, kExampleP, kPairCoefficient);
  for (double z1 : {0.5, 0.0187, 0.1, 0.9, 0.95}) {
    SCOPED_TRACE(z1);
    const std::vector<double> z{z1, 1.0 - z1, 0.0};
    const std::vector<Stationary> minima = binaryMinima(eos, z);
    ASSERT_FALSE(minima.empty());
    long double lowest = 0.0L;
    for (const Stationary& s : minima) lowest = std::min(lowest, s.tpd);
    const bool unstable = lowest < -1e-6L;
    // STABL's decision.
    std::vector<double> lnk{std::log(190.56 / kExampleT * 10.0), -1.0, 0.0};
    std::vector<double> x(3), y(3);
    double frac = 0.5;
    std::int32_t isplit = -1, ierr = -1;
    multiphase::STABL(kN, kExampleT, kExampleP, lnk, z, x, y, frac, isplit, 0, ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(isplit, unstable ? 1 : 0);
    // From a start off each minimum, the minimisation to convergence ends on it.
    const std::vector<double> d = potentials(z, kExampleT, kExampleP);
    for (const Stationary& s : minima) {
      if (std::abs(s.w1 - z1) < 1e-3L) continue;  // the feed itself
      SCOPED_TRACE(static_cast<double>(s.w1));
      const double start = static_cast<double>(s.w1) + (s.w1 > 0.5L ? -0.004 : 0.004);
      std::vector<double> w{start, 1.0 - start, 0.0};
      std::int32_t istat = -1, iflag = -1;
      double tm = 0.0;
      multiphase::STTPDM(kN, 1, istat, iflag, kExampleT, kExampleP, w, z, d, tm);
      EXPECT_EQ(istat, 2);
      EXPECT_EQ(w[2], 0.0) << "an absent component stays absent";
      EXPECT_NEAR(w[0] / (w[0] + w[1]), static_cast<double>(s.w1), 1e-6);
      EXPECT_NEAR(tm, 1.0 - std::exp(-static_cast<double>(s.tpd)), 1e-7);
      EXPECT_EQ(iflag, s.tpd < -1e-6L ? 1 : 0);
    }
  }
}

// The example's feed: a substitution flash from vapour-like K-values settles on a
// vapour-liquid split; its liquid is unstable; the Gibbs flash returns two liquids whose
// Gibbs energy, by the test's own equation of state, lies below the vapour-liquid split's.
TEST_F(Stability, MethaneHydrogenSulphideSplitsIntoTwoLiquids) {
  const TestEos eos(true, kExampleT, kExampleP, kPairCoefficient);
  const std::vector<long double> z{0.5L, 0.5L, 0.0L};
  // The default two-phase flash of the engine from its K-values.
  flash_test::Flash vl({0.5, 0.5, 0.0}, kExampleT, kExampleP);
  flash::FLASHT(vl.a);
  ASSERT_EQ(vl.a.IFFAIL, 0);
  ASSERT_GT(vl.a.FVAPOR, 0.0);
  ASSERT_LT(vl.a.FVAPOR, 1.0);
  std::vector<long double> nl(3), nv(3), x(3), k(3);
  for (std::size_t i = 0; i < 3; ++i) {
    nl[i] = vl.a.FLIQHC * vl.x[i];
    nv[i] = vl.a.FVAPOR * vl.y[i];
    x[i] = vl.x[i];
    k[i] = vl.k[i];
  }
  const long double vapourLiquid = eos.gibbs(nl) + eos.gibbs(nv);

  // The split's liquid is unstable.
  const std::vector<double> liquid{static_cast<double>(x[0]), static_cast<double>(x[1]), 0.0};
  std::vector<double> lnk{0.0, 0.0, 0.0}, xs(3), ys(3);
  for (std::size_t i = 0; i < 2; ++i) lnk[i] = std::log(static_cast<double>(k[i]));
  double frac = 0.5;
  std::int32_t isplit = 0, ierr = 0;
  multiphase::STABL(kN, kExampleT, kExampleP, lnk, liquid, xs, ys, frac, isplit, 0, ierr);
  EXPECT_EQ(isplit, 1);

  // The Gibbs flash of the feed.
  flash_test::Flash f({0.5, 0.5, 0.0}, kExampleT, kExampleP);
  multiphase::FLASGB(f.a);
  ASSERT_EQ(f.a.IFFAIL, 0);
  ASSERT_GT(f.a.FVAPOR, 0.0);
  ASSERT_LT(f.a.FVAPOR, 1.0);
  std::vector<long double> gl(3), gv(3);
  for (std::size_t i = 0; i < 3; ++i) {
    gl[i] = f.a.FLIQHC * f.x[i];
    gv[i] = f.a.FVAPOR * f.y[i];
    EXPECT_NEAR(static_cast<double>(gl[i] + gv[i]), f.z[i], 1e-12);
  }
  const long double gibbsSplit = eos.gibbs(gl) + eos.gibbs(gv);
  EXPECT_LT(gibbsSplit, vapourLiquid - 1e-4L);
  // Both phases are liquids: the larger root of each composition's cubic is not taken.
  for (const std::vector<long double>* phase : {&gl, &gv}) {
    std::vector<long double> xn = *phase;
    long double s = 0.0L;
    for (long double e : xn) s += e;
    for (long double& e : xn) e /= s;
    const std::vector<long double> chosen = eos.lnphi(xn), small = eos.lnphi(xn, 2);
    EXPECT_NEAR(static_cast<double>(chosen[0]), static_cast<double>(small[0]), 1e-12);
  }
  // Equal fugacities of the two liquids by the test's equation of state.
  std::vector<long double> xl(f.x.begin(), f.x.end()), xv(f.y.begin(), f.y.end());
  const std::vector<long double> pl = eos.lnphi(xl), pv = eos.lnphi(xv);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_NEAR(static_cast<double>(std::log(xl[i]) + pl[i] - std::log(xv[i]) - pv[i]), 0.0, 1e-6);
  }
}

// ---------------------------------------------------------------------------------------
// The Gibbs minimisation of a split
// ---------------------------------------------------------------------------------------

// A Peng-Robinson methane / propane split inside its envelope, perturbed from substitution's
// answer: SOLMIN lowers the Gibbs energy to a point of equal chemical potentials, and the
// absent hydrogen sulphide never moves.
TEST_F(Stability, GibbsMinimisationConvergesFromAPerturbedSplit) {
  flash_test::useSet(kPengSet);
  constexpr double t = 250.0, p = 3000.0;
  const TestEos eos(false, t, p, 0.0);
  const std::vector<double> z{0.6, 0.0, 0.4};
  std::vector<double> lnk{std::log(3.0), 0.0, std::log(0.2)}, x(3), y(3);
  double frac = 0.5;
  std::int32_t isplit = 0, ierr = 0;
  multiphase::STABL(kN, t, p, lnk, z, x, y, frac, isplit, 0, ierr);
  ASSERT_EQ(isplit, 1);
  // Amounts, perturbed.
  std::vector<double> l(3), v(3);
  for (std::size_t i = 0; i < 3; ++i) {
    l[i] = (1.0 - frac) * x[i];
    v[i] = frac * y[i];
  }
  const double shift = 0.05 * std::min(l[0], v[0]);
  l[0] -= shift;
  v[0] += shift;
  const long double g0 = eos.gibbs(widen(l)) + eos.gibbs(widen(v));
  double zl = 0.0, zv = 0.0, gf = 0.0;
  std::int32_t serr = 0;
  multiphase::clearStabilityFault();
  multiphase::SOLMIN(kN, t, p, l, v, z, zl, zv, gf, serr);
  EXPECT_EQ(serr, 0);
  EXPECT_EQ(l[1], 0.0);
  EXPECT_EQ(v[1], 0.0);
  const long double g1 = eos.gibbs(widen(l)) + eos.gibbs(widen(v));
  EXPECT_LT(g1, g0);
  double ls = l[0] + l[2], vs = v[0] + v[2];
  std::vector<long double> xl{l[0] / ls, 0.0L, l[2] / ls}, xv{v[0] / vs, 0.0L, v[2] / vs};
  const std::vector<long double> pl = eos.lnphi(xl), pv = eos.lnphi(xv);
  for (std::size_t i : {0u, 2u}) {
    EXPECT_NEAR(static_cast<double>(std::log(xl[i]) + pl[i] - std::log(xv[i]) - pv[i]), 0.0, 1e-7);
    EXPECT_NEAR(l[i] + v[i], z[i], 1e-14);
  }
}

// ---------------------------------------------------------------------------------------
// The vector services and their faults
// ---------------------------------------------------------------------------------------

// A sum of 0 leaves the vector and reports it; K-values all at one make no split but stop
// nothing; all-vapour and all-liquid splits are accepted.
TEST(StabilityServices, NormaliseAndSplitReportInsteadOfStopping) {
  testing_support::StopThrows stop;
  std::vector<double> zero{0.0, 0.0}, out{7.0, 7.0};
  double sum = 1.0;
  EXPECT_FALSE(multiphase::STNORM(2, zero, out, sum));
  EXPECT_EQ(sum, 0.0);
  EXPECT_EQ(out, (std::vector<double>{7.0, 7.0}));
  const std::vector<double> z{0.5, 0.5};
  std::vector<double> x(2), y(2);
  double frac = -1.0;
  multiphase::clearStabilityFault();
  EXPECT_FALSE(multiphase::STCLSV(2, x, y, z, std::vector<double>{0.0, 0.0}, frac));
  EXPECT_TRUE(multiphase::stabilityFault());
  multiphase::clearStabilityFault();
  EXPECT_TRUE(multiphase::STCLSV(2, x, y, z, std::vector<double>{3.0, 2.0}, frac));
  EXPECT_EQ(frac, 1.0);
  EXPECT_TRUE(multiphase::STCLSV(2, x, y, z, std::vector<double>{-3.0, -2.0}, frac));
  EXPECT_EQ(frac, 0.0);
  EXPECT_FALSE(multiphase::stabilityFault());
  // A trial whose amounts all vanish ends as not unstable, with no change.
  const std::vector<double> lnw{-1000.0, -1000.0}, d{0.0, 0.0};
  std::vector<double> w(2), lnwnew(2), del(2, 9.0);
  double ssq = 9.0, gmax = 9.0, tm = 9.0;
  multiphase::STTRLG(2, 300.0, 1000.0, z, lnw, w, lnwnew, del, ssq, gmax, d, tm);
  EXPECT_EQ(tm, 1.0);
  EXPECT_EQ(gmax, 0.0);
  EXPECT_EQ(lnwnew, lnw);
  EXPECT_FALSE(multiphase::stabilityFault());
  std::vector<double> s{0.0, 0.0};
  multiphase::VSUMNM(2, zero, sum, 1);
  EXPECT_EQ(zero, s);
  std::vector<double> v{1.0, 3.0};
  multiphase::VSUMNM(2, v, sum, 1);
  EXPECT_EQ(sum, 4.0);
  EXPECT_EQ(v, (std::vector<double>{0.25, 0.75}));
}

// STNEWT: a positive-definite Hessian whose Newton step lies inside the radius gives that
// step with mu 0; an indefinite one is shifted until the step has the radius' length.
TEST(StabilityServices, RestrictedStepSolver) {
  multiphase::Matrix50 h;
  h(0, 0) = 2.0;
  h(1, 1) = 4.0;
  h(0, 1) = h(1, 0) = 1.0;
  const std::vector<double> g{0.1, 0.2};
  std::vector<double> delta(2);
  double mu = 0.0, step = 0.0;
  multiphase::clearStabilityFault();
  EXPECT_TRUE(multiphase::STNEWT(2, h, g, 10.0, 0.1, mu, delta, step));
  EXPECT_EQ(mu, 0.0);
  EXPECT_NEAR(2.0 * delta[0] + delta[1], 0.1, 1e-15);
  EXPECT_NEAR(delta[0] + 4.0 * delta[1], 0.2, 1e-15);
  h(1, 1) = -4.0;
  mu = 0.0;
  EXPECT_TRUE(multiphase::STNEWT(2, h, g, 0.5, 0.1, mu, delta, step));
  EXPECT_GT(mu, 0.0);
  EXPECT_NEAR(step, 0.5, 0.5 * 0.11);
  // A NaN in the matrix ends the search within its cap.
  h(0, 0) = std::numeric_limits<double>::quiet_NaN();
  mu = 0.0;
  EXPECT_FALSE(multiphase::STNEWT(2, h, g, 0.5, 0.1, mu, delta, step));
}

}  // namespace
