// The Newton flash: the step FLASC1 against finite differences of its residual on a
// Margules liquid and ideal gas double with analytic composition derivatives, its singular
// matrix and its step limit, and its substitution step when no derivative matrix was filled.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "flash/pseudo_vapour_pressure.hpp"
#include "flash_support.hpp"
#include "problem/problem.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/liquid_fugacity.hpp"
#include "thermo/equilibrium/vapour_fugacity.hpp"

namespace {

using flash_test::Antoine;

// Antoine constants log10(P/bar) = A - B/(T + C), T in K, from the NIST Chemistry WebBook
// (methane, propane, n-pentane); outside their ranges only smooth pure-liquid terms.
const std::vector<Antoine> kAntoine{
    {3.9895, 443.028, -0.49}, {3.92828, 803.997, -26.11}, {3.9892, 1070.617, -40.454}};

// The double: a liquid of the multicomponent two-suffix Margules model,
// G^E/RT = 1/2 sum A_ij x_i x_j, ln phiL_k = ln gamma_k + ln(Psat_k/P) with
//   ln gamma_k = sum_j A_kj x_j - 1/2 sum A_ij x_i x_j,
//   n dln gamma_k/dn_m = A_km - sum_j A_kj x_j - sum_j A_mj x_j + sum A_ij x_i x_j
// (x = n/sum n); the vapour an ideal gas (ln phiV = 0, no composition dependence). Each
// writes its derivative matrix into its flash work array and sets its flag when FILLED.
struct MargulesDouble {
  std::vector<std::vector<double>> a;
  bool liquidFilled = true, vapourFilled = true;
  std::vector<double> overrideD;  // when set, the liquid matrix given instead (n x n)
};
MargulesDouble margules;

std::vector<double> normalised(std::span<const double> x, std::size_t n) {
  std::vector<double> v(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(n));
  double s = 0.0;
  for (const double e : v) s += e;
  for (double& e : v) e /= s;
  return v;
}

void writeMatrix(std::int32_t array, const std::vector<double>& d) {
  const std::int32_t offset = problem::FWPART.realOffset(static_cast<std::size_t>(array));
  ASSERT_GE(problem::FWPART.realSize(static_cast<std::size_t>(array)),
            static_cast<std::int32_t>(d.size()));
  for (std::size_t i = 0; i < d.size(); ++i) {
    storage::CORSTO.setReal(offset + static_cast<std::int32_t>(i + 1), d[i]);
  }
}

std::vector<double> liquidLnPhi(std::span<const double> xin, std::size_t n, double t, double p) {
  const std::vector<double> x = normalised(xin, n);
  double ge = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) ge += 0.5 * margules.a[i][j] * x[i] * x[j];
  }
  std::vector<double> l(n);
  for (std::size_t k = 0; k < n; ++k) {
    double s = 0.0;
    for (std::size_t j = 0; j < n; ++j) s += margules.a[k][j] * x[j];
    l[k] = s - ge + std::log(kAntoine[k].kpa(t) / p);
  }
  return l;
}

void liquidDouble(std::int32_t n, std::span<const double> x, std::span<double> lnphi, double t,
                  double p, double& z, std::int32_t, std::int32_t, std::span<const std::int32_t>,
                  std::int32_t, std::int32_t& status, std::int32_t&) {
  const auto m = static_cast<std::size_t>(n);
  const std::vector<double> l = liquidLnPhi(x, m, t, p);
  std::copy(l.begin(), l.end(), lnphi.begin());
  z = 0.01;
  status = 0;
  equilibrium::fugacityDerivativeFlags.IDRVL = margules.liquidFilled ? 1 : 0;
  if (!margules.liquidFilled) return;
  const std::vector<double> xn = normalised(x, m);
  std::vector<double> ax(m, 0.0);
  double axx = 0.0;
  for (std::size_t i = 0; i < m; ++i) {
    for (std::size_t j = 0; j < m; ++j) ax[i] += margules.a[i][j] * xn[j];
    axx += ax[i] * xn[i];
  }
  std::vector<double> d(m * m);
  for (std::size_t k = 0; k < m; ++k) {
    for (std::size_t j = 0; j < m; ++j) d[j * m + k] = margules.a[k][j] - ax[k] - ax[j] + axx;
  }
  writeMatrix(equilibrium::kLiquidLnPhiNArray, margules.overrideD.empty() ? d : margules.overrideD);
}

void vapourDouble(std::int32_t n, std::span<const double>, std::span<double> lnphi, double,
                  double, double& z, std::int32_t, std::int32_t, std::span<const std::int32_t>,
                  std::int32_t, std::int32_t& status, std::int32_t&) {
  const auto m = static_cast<std::size_t>(n);
  std::fill_n(lnphi.begin(), m, 0.0);
  z = 1.0;
  status = 0;
  equilibrium::fugacityDerivativeFlags.IDRVV = margules.vapourFilled ? 1 : 0;
  if (margules.vapourFilled) writeMatrix(equilibrium::kVapourLnPhiNArray, std::vector<double>(m * m, 0.0));
}

// The Rachford-Rice split at K by bisection in extended precision (the root in (0, 1)).
struct Split {
  double v;
  std::vector<double> x, y;
};
Split split(const std::vector<double>& z, const std::vector<double>& k) {
  const auto g = [&](long double v) {
    long double s = 0.0L;
    for (std::size_t i = 0; i < z.size(); ++i) s += z[i] * (k[i] - 1.0L) / (1.0L + v * (k[i] - 1.0L));
    return s;
  };
  long double lo = 0.0L, hi = 1.0L;
  for (int i = 0; i < 200; ++i) {
    const long double mid = 0.5L * (lo + hi);
    (g(mid) > 0.0L ? lo : hi) = mid;
  }
  Split s{static_cast<double>(0.5L * (lo + hi)), {}, {}};
  for (std::size_t i = 0; i < z.size(); ++i) {
    s.x.push_back(z[i] / (1.0 + s.v * (k[i] - 1.0)));
    s.y.push_back(k[i] * s.x.back());
  }
  return s;
}

// The residual r(u) = u - ln phiL(x(u)) + ln phiV(y(u)) along the split of the double.
std::vector<double> residual(const std::vector<double>& z, const std::vector<double>& u, double t,
                             double p) {
  std::vector<double> k(u.size());
  for (std::size_t i = 0; i < u.size(); ++i) k[i] = std::exp(u[i]);
  const Split s = split(z, k);
  const std::vector<double> l = liquidLnPhi(s.x, u.size(), t, p);
  std::vector<double> r(u.size());
  for (std::size_t i = 0; i < u.size(); ++i) r[i] = u[i] - l[i];
  return r;
}

// Solves the 3 x 3 system M d = r by Cramer's rule.
std::array<double, 3> cramer(const std::array<std::array<double, 3>, 3>& m,
                             const std::vector<double>& r) {
  const auto det = [](const std::array<std::array<double, 3>, 3>& a) {
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  };
  const double d0 = det(m);
  std::array<double, 3> out{};
  for (std::size_t c = 0; c < 3; ++c) {
    auto mc = m;
    for (std::size_t row = 0; row < 3; ++row) mc[row][c] = r[row];
    out[c] = det(mc) / d0;
  }
  return out;
}

// The step's arrays for N components.
struct Step {
  explicit Step(std::size_t n)
      : flags(n, 1), w1(n), w2(n), w3(n), w4(n), d(n * n), f(n), j(n * (n + 1)), g(n), ipiv(n),
        work(n) {}
  std::vector<std::int32_t> flags;
  std::vector<double> w1, w2, w3, w4, d, f, j, g;
  std::vector<std::int32_t> ipiv;
  std::vector<double> work;
  std::int32_t fail = -1;
  void run(std::vector<double>& k, const Split& s, double t, double p) {
    flash::FLASC1(static_cast<std::int32_t>(k.size()), flags, t, p, k, s.x, s.y, s.v, 1, w1, w2,
                  w3, w4, d, f, j, g, ipiv, work, 2, fail, 0, -1, 0);
  }
};

class NewtonStep : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "flasc1";
    d.components = flash_test::components({"METHANE", "PROPANE", "N-PENTANE"});
    d.methodSets = {flash_test::pengRobinsonSet("PR")};
    problem_ = std::make_unique<flash_test::OpenProblem>(dir_, d);
    flash_test::useSet(1);
    margules = {{{0.0, 0.8, 1.2}, {0.8, 0.0, 0.5}, {1.2, 0.5, 0.0}}, true, true, {}};
  }
  void TearDown() override { problem_.reset(); }

  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
  std::unique_ptr<flash_test::OpenProblem> problem_;
  flash::ScopedFugacityRoutines double_{{&liquidDouble, &vapourDouble}};
};

const std::vector<double> kFeed{0.4, 0.35, 0.25};
constexpr double kT = 300.0, kP = 2000.0;

// The step solves J delta = r with J the derivative of -r: it equals the Newton step of a
// central-difference Jacobian of the residual to 1e-6 relative.
TEST_F(NewtonStep, StepOfTheFiniteDifferenceJacobian) {
  const std::vector<double> factors{1.3, 0.8, 1.1};
  std::vector<double> u(3), k(3);
  for (std::size_t i = 0; i < 3; ++i) {
    k[i] = kAntoine[i].kpa(kT) / kP * factors[i];
    u[i] = std::log(k[i]);
  }
  const Split s = split(kFeed, k);
  ASSERT_GT(s.v, 0.0);
  ASSERT_LT(s.v, 1.0);
  const std::vector<double> r = residual(kFeed, u, kT, kP);
  std::array<std::array<double, 3>, 3> jfd{};
  const double h = 1e-5;
  for (std::size_t c = 0; c < 3; ++c) {
    std::vector<double> up = u, dn = u;
    up[c] += h;
    dn[c] -= h;
    const std::vector<double> rp = residual(kFeed, up, kT, kP), rm = residual(kFeed, dn, kT, kP);
    for (std::size_t row = 0; row < 3; ++row) jfd[row][c] = -(rp[row] - rm[row]) / (2.0 * h);
  }
  const std::array<double, 3> expected = cramer(jfd, r);
  Step step(3);
  std::vector<double> knew = k;
  step.run(knew, s, kT, kP);
  ASSERT_EQ(step.fail, 0);
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i + 1);
    const double delta = std::log(knew[i] / k[i]);
    EXPECT_NEAR(delta, expected[i], 1e-6 * std::abs(expected[i]));
  }
}

// A single component whose liquid matrix cancels the identity: J = 0, a singular matrix;
// the step fails and leaves K alone.
TEST_F(NewtonStep, SingularMatrixFailsAndKeepsK) {
  std::vector<double> k{2.0};
  const double v = 0.3, d = 1.0 + v * (k[0] - 1.0);
  const Split s{v, {1.0 / d}, {k[0] / d}};
  const double w1 = s.x[0] / d, w4 = w1 / ((k[0] - 1.0) * (s.y[0] - s.x[0]) / d);
  // J = -K D W1 ((K - 1) W4 + V) - 1 with an ideal vapour.
  margules.overrideD = {-1.0 / (k[0] * w1 * ((k[0] - 1.0) * w4 + v))};
  margules.a = {{0.0}};
  Step step(1);
  step.run(k, s, kT, kP);
  EXPECT_EQ(step.fail, 1);
  EXPECT_EQ(k[0], 2.0);
}

// Steps of more than 7 in ln K are cut to 7, by the Newton step and by the substitution step
// of a phase without its derivative matrix; the substitution step is ln phiL - ln phiV.
TEST_F(NewtonStep, StepLimitAndSubstitution) {
  struct Case {
    const char* label;
    bool liquidFilled, vapourFilled;
    std::vector<double> factors;
  };
  const std::vector<Case> cases = {
      {"Newton, far off", true, true, {std::exp(9.0), 0.8, 1.1}},
      {"substitution, liquid not filled", false, true, {std::exp(9.0), 0.8, 1.1}},
      {"substitution, vapour not filled", true, false, {std::exp(-12.0), 0.8, 1.1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    margules.liquidFilled = c.liquidFilled;
    margules.vapourFilled = c.vapourFilled;
    margules.a = {{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}};  // ideal solution
    std::vector<double> k(3), ideal(3);
    for (std::size_t i = 0; i < 3; ++i) {
      ideal[i] = kAntoine[i].kpa(kT) / kP;
      k[i] = ideal[i] * c.factors[i];
    }
    const Split s = split(kFeed, k);
    Step step(3);
    std::vector<double> knew = k;
    step.run(knew, s, kT, kP);
    ASSERT_EQ(step.fail, 0);
    const double first = std::log(knew[0] / k[0]);
    EXPECT_NEAR(std::abs(first), 7.0, 1e-12) << "cut to 7";
    if (!c.liquidFilled || !c.vapourFilled) {
      for (std::size_t i = 1; i < 3; ++i) EXPECT_NEAR(knew[i], ideal[i], 1e-12 * ideal[i]);
    }
  }
}

// ---------------------------------------------------------------------------------------
// FLASHC
// ---------------------------------------------------------------------------------------

// Fugacities that agree with the constant K-values of the K-value double: ln phiL = ln K,
// ln phiV = 0, neither depending on the composition.
void constantLiquid(std::int32_t n, std::span<const double>, std::span<double> lnphi, double,
                    double, double& z, std::int32_t, std::int32_t, std::span<const std::int32_t>,
                    std::int32_t, std::int32_t& status, std::int32_t&) {
  const auto m = static_cast<std::size_t>(n);
  for (std::size_t i = 0; i < m; ++i) lnphi[i] = std::log(flash_test::kDouble.kvalues[i]);
  z = 0.01;
  status = 0;
  equilibrium::fugacityDerivativeFlags.IDRVL = 1;
  writeMatrix(equilibrium::kLiquidLnPhiNArray, std::vector<double>(m * m, 0.0));
}

class NewtonFlashDouble : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "flashc";
    d.components = flash_test::components({"METHANE", "PROPANE", "N-PENTANE"});
    d.methodSets = {flash_test::pengRobinsonSet("PR")};
    problem_ = std::make_unique<flash_test::OpenProblem>(dir_, d);
    flash_test::useSet(1);
    flash_test::kDouble = {};
    margules.vapourFilled = true;
  }
  void TearDown() override { problem_.reset(); }

  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
  std::unique_ptr<flash_test::OpenProblem> problem_;
  flash::ScopedKValueRoutine kvalues_{&flash_test::constantKValues};
  flash::ScopedFugacityRoutines fugacities_{{&constantLiquid, &vapourDouble}};
};

void newtonFlash(flash_test::Flash& f) {
  std::int32_t kxopt = f.a.KXOPT;
  flash::FLASHC(f.a, kxopt, {}, {}, 1);
  f.a.KXOPT = kxopt;
}

void expectSameResult(const flash_test::Flash& reference, const flash_test::Flash& f) {
  EXPECT_EQ(f.a.IFFAIL, 0);
  EXPECT_NEAR(f.a.FVAPOR, reference.a.FVAPOR, 1e-6);
  EXPECT_NEAR(f.a.FLIQHC, reference.a.FLIQHC, 1e-6);
  EXPECT_EQ(f.a.FTOTLQ, f.a.FLIQHC);
  EXPECT_EQ(f.a.FWATER, 0.0);
  for (std::size_t i = 0; i < f.z.size(); ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_NEAR(f.x[i], reference.x[i], 1e-6);
    EXPECT_NEAR(f.y[i], reference.y[i], 1e-6);
  }
}

std::vector<double> antoineK(double t, double p) {
  std::vector<double> k;
  for (const Antoine& a : kAntoine) k.push_back(a.kpa(t) / p);
  return k;
}

// FLASHT's table of feeds: two phases, all vapour, all liquid, K near one, traces.
TEST_F(NewtonFlashDouble, AgreesWithTheDefaultFlash) {
  struct FeedCase {
    const char* label;
    std::vector<double> z, k;
  };
  const std::vector<FeedCase> cases = {
      {"two-phase", {0.5, 0.3, 0.2}, antoineK(300.0, 2000.0)},
      {"all vapour", {0.5, 0.3, 0.2}, antoineK(300.0, 50.0)},
      {"all liquid", {0.5, 0.3, 0.2}, antoineK(300.0, 50000.0)},
      {"K near one, all liquid", {0.3, 0.3, 0.4}, {1.002, 0.9995, 0.998}},
      {"K near one, two-phase", {0.5, 0.5}, {1.004, 0.99602}},
      {"traces", {0.6, 0.4 - 2e-10, 2e-10}, antoineK(300.0, 2000.0)},
      {"trace of the heavy end", {0.7, 0.3 - 1e-9, 1e-9}, antoineK(250.0, 3000.0)},
  };
  for (const FeedCase& c : cases) {
    SCOPED_TRACE(c.label);
    flash_test::kDouble.kvalues = c.k;
    flash_test::Flash reference(c.z, 300.0, 2000.0);
    flash::FLASHT(reference.a);
    ASSERT_EQ(reference.a.IFFAIL, 0);
    flash_test::Flash f(c.z, 300.0, 2000.0);
    f.a.FWATER = 0.25;
    newtonFlash(f);
    EXPECT_EQ(f.a.GFLSH, 0.0);
    if (std::all_of(c.k.begin(), c.k.end(), [](double k) { return k > 0.99 && k < 1.01; })) {
      // K-values all within 1% of one are a single phase by the pseudo-critical test.
      EXPECT_EQ(f.a.IFFAIL, 0);
      EXPECT_EQ(f.a.FVAPOR, flash::vapourLike(f.a) ? 1.0 : 0.0);
      continue;
    }
    expectSameResult(reference, f);
  }
}

// A liquid whose derivative matrix makes FLASC1's Newton matrix singular at the split of
// the constant K-values. With an ideal vapour the matrix is J = -D M K - I, where
// M = u w4' + V W1 (u = (K - 1) w1, w1 = x/d, d = K V + 1 - V, w4 = w1/s,
// s = sum (K - 1)(y - x)/d). At this split M is singular, so the other eigenvalue of M K is
// its trace and D = -I/trace(M K) gives J an eigenvalue 0. V is read back from the split,
// x = z/d.
std::vector<double> singularFeed;
void singularLiquid(std::int32_t n, std::span<const double> x, std::span<double> lnphi, double,
                    double, double& z, std::int32_t, std::int32_t, std::span<const std::int32_t>,
                    std::int32_t, std::int32_t& status, std::int32_t&) {
  const std::vector<double>& k = flash_test::kDouble.kvalues;
  const double v = (singularFeed[0] / x[0] - 1.0) / (k[0] - 1.0);
  std::array<double, 2> w1{}, u{}, w4{};
  double sum = 0.0;
  for (std::size_t i = 0; i < 2; ++i) {
    const double d = k[i] * v + 1.0 - v;
    w1[i] = x[i] / d;
    u[i] = (k[i] - 1.0) * w1[i];
    sum += (k[i] - 1.0) * (k[i] * x[i] - x[i]) / d;
  }
  for (std::size_t i = 0; i < 2; ++i) w4[i] = w1[i] / sum;
  const double trace = (u[0] * w4[0] + v * w1[0]) * k[0] + (u[1] * w4[1] + v * w1[1]) * k[1];
  const double alpha = -1.0 / trace;
  for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) lnphi[i] = std::log(k[i]);
  z = 0.01;
  status = 0;
  equilibrium::fugacityDerivativeFlags.IDRVL = 1;
  writeMatrix(equilibrium::kLiquidLnPhiNArray, {alpha, 0.0, 0.0, alpha});
}

// A singular Newton matrix ends FLASHC at once as a failure (IFFAIL 1), the split of its
// K-values left in the fractions.
TEST_F(NewtonFlashDouble, SingularNewtonMatrixFails) {
  const flash::ScopedFugacityRoutines singular({&singularLiquid, &vapourDouble});
  singularFeed = {0.5, 0.5};
  flash_test::kDouble.kvalues = {2.0, 0.4};
  flash_test::Flash f(singularFeed, 300.0, 2000.0);
  newtonFlash(f);
  EXPECT_EQ(f.a.IFFAIL, 1);
  const double v = flash_test::exactVapourFraction(singularFeed, flash_test::kDouble.kvalues);
  EXPECT_NEAR(f.a.FVAPOR, v, 1e-10);
  EXPECT_EQ(f.a.FWATER, 0.0);
}

// Fugacities of the constant K-values with one poisoned value: a NaN or an infinity in a
// derivative matrix or in ln phi, or (no vapour matrix filled) in the ln phi of a
// substitution step.
enum class Poisoned { LiquidMatrix, VapourMatrix, LiquidLnPhi, VapourLnPhi, SubstitutionLnPhi };
struct Poison {
  Poisoned where = Poisoned::LiquidMatrix;
  double value = 0.0;
};
Poison poison;

void poisonedLiquid(std::int32_t n, std::span<const double> x, std::span<double> lnphi, double t,
                    double p, double& z, std::int32_t request, std::int32_t unused,
                    std::span<const std::int32_t> flags, std::int32_t fugacity,
                    std::int32_t& status, std::int32_t& numerical) {
  constantLiquid(n, x, lnphi, t, p, z, request, unused, flags, fugacity, status, numerical);
  const auto m = static_cast<std::size_t>(n);
  if (poison.where == Poisoned::LiquidLnPhi) lnphi[1] = poison.value;
  if (poison.where == Poisoned::LiquidMatrix) {
    std::vector<double> d(m * m, 0.0);
    d[m + 1] = poison.value;
    writeMatrix(equilibrium::kLiquidLnPhiNArray, d);
  }
}

void poisonedVapour(std::int32_t n, std::span<const double> y, std::span<double> lnphi, double t,
                    double p, double& z, std::int32_t request, std::int32_t unused,
                    std::span<const std::int32_t> flags, std::int32_t fugacity,
                    std::int32_t& status, std::int32_t& numerical) {
  margules.vapourFilled = poison.where != Poisoned::SubstitutionLnPhi;
  vapourDouble(n, y, lnphi, t, p, z, request, unused, flags, fugacity, status, numerical);
  const auto m = static_cast<std::size_t>(n);
  if (poison.where == Poisoned::VapourLnPhi || poison.where == Poisoned::SubstitutionLnPhi) {
    lnphi[0] = poison.value;
  }
  if (poison.where == Poisoned::VapourMatrix) {
    std::vector<double> d(m * m, 0.0);
    d[m - 1] = poison.value;
    writeMatrix(equilibrium::kVapourLnPhiNArray, d);
  }
}

// A Newton step that meets a non-finite derivative or fugacity ends FLASHC as a failure,
// like a singular matrix: IFFAIL 1, the split of the K-values it had, and finite K-values,
// never a success with NaN K-values.
TEST_F(NewtonFlashDouble, NonFiniteFugacitiesFail) {
  const flash::ScopedFugacityRoutines poisoned({&poisonedLiquid, &poisonedVapour});
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* label;
    Poison poison;
  };
  const std::vector<Case> cases = {
      {"NaN in the liquid matrix", {Poisoned::LiquidMatrix, nan}},
      {"infinity in the liquid matrix", {Poisoned::LiquidMatrix, -inf}},
      {"NaN in the vapour matrix", {Poisoned::VapourMatrix, nan}},
      {"NaN liquid ln phi", {Poisoned::LiquidLnPhi, nan}},
      {"infinite vapour ln phi", {Poisoned::VapourLnPhi, inf}},
      {"NaN ln phi of a substitution step", {Poisoned::SubstitutionLnPhi, nan}},
  };
  const std::vector<double> z{0.5, 0.3, 0.2};
  flash_test::kDouble.kvalues = antoineK(300.0, 2000.0);
  const double v = flash_test::exactVapourFraction(z, flash_test::kDouble.kvalues);
  ASSERT_GT(v, 0.0);
  ASSERT_LT(v, 1.0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    poison = c.poison;
    flash_test::Flash f(z, 300.0, 2000.0);
    newtonFlash(f);
    EXPECT_EQ(f.a.IFFAIL, 1);
    EXPECT_NEAR(f.a.FVAPOR, v, 1e-10);
    EXPECT_EQ(f.a.FWATER, 0.0);
    for (std::size_t i = 0; i < z.size(); ++i) {
      SCOPED_TRACE(i + 1);
      EXPECT_EQ(f.k[i], flash_test::kDouble.kvalues[i]) << "K-values of the split kept";
      EXPECT_TRUE(std::isfinite(f.x[i]) && std::isfinite(f.y[i]));
    }
  }
  margules.vapourFilled = true;
}

// Fugacities whose ln phiL - ln phiV stays a finite 10 above ln K of the first component:
// every substitution step raises that K by the step limit, e^7, until it overflows.
void risingLiquid(std::int32_t n, std::span<const double> x, std::span<double> lnphi, double t,
                  double p, double& z, std::int32_t request, std::int32_t unused,
                  std::span<const std::int32_t> flags, std::int32_t fugacity, std::int32_t& status,
                  std::int32_t& numerical) {
  constantLiquid(n, x, lnphi, t, p, z, request, unused, flags, fugacity, status, numerical);
  lnphi[0] += 10.0;
}

// A K-value that a Newton or substitution step pushes past the largest number fails the
// flash, as a non-finite K from the K-value call does: never a split of an infinite K
// reported as solved.
TEST_F(NewtonFlashDouble, KValueOverflowingInAStepFails) {
  const flash::ScopedFugacityRoutines rising({&risingLiquid, &vapourDouble});
  margules.vapourFilled = false;  // substitution steps
  const std::vector<double> z{0.5, 0.3, 0.2};
  for (const double k1 : {1e305, 1e306}) {
    SCOPED_TRACE(k1);
    flash_test::kDouble.kvalues = {k1, 0.1, 0.05};
    flash_test::Flash f(z, 300.0, 2000.0);
    newtonFlash(f);
    EXPECT_EQ(f.a.IFFAIL, 1);
    EXPECT_TRUE(std::isfinite(f.a.FVAPOR));
    for (std::size_t i = 0; i < z.size(); ++i) {
      SCOPED_TRACE(i + 1);
      EXPECT_TRUE(std::isfinite(f.k[i]) && std::isfinite(f.x[i]) && std::isfinite(f.y[i]));
    }
  }
  margules.vapourFilled = true;
}

// K-values with a NaN or an infinity, whether from the K-value call or handed in, fail the
// flash at once (IFFAIL 1), never a success with compositions that are not numbers.
TEST_F(NewtonFlashDouble, NonFiniteKValuesFail) {
  for (const flash_test::KValueCase& c : flash_test::nonFiniteKValues()) {
    SCOPED_TRACE(c.label);
    flash_test::kDouble.kvalues = c.k;
    for (const std::int32_t kxopt : {1, 2}) {
      SCOPED_TRACE(kxopt == 1 ? "fresh K-values" : "K-values handed in");
      flash_test::Flash f(c.z, 300.0, 2000.0);
      f.a.KXOPT = kxopt;
      std::copy(c.k.begin(), c.k.end(), f.k.begin());
      newtonFlash(f);
      EXPECT_EQ(f.a.IFFAIL, 1);
    }
  }
}

// Fugacities whose ln phiL is ln K of stepK whatever the composition, with no derivative
// matrix: the substitution step moves K from the K-value call's values to stepK at once.
std::vector<double> stepK;
void steppedLiquid(std::int32_t n, std::span<const double>, std::span<double> lnphi, double, double,
                   double& z, std::int32_t, std::int32_t, std::span<const std::int32_t>,
                   std::int32_t, std::int32_t& status, std::int32_t&) {
  for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) lnphi[i] = std::log(stepK[i]);
  z = 0.01;
  status = 0;
  equilibrium::fugacityDerivativeFlags.IDRVL = 0;
}

// From a fresh start, a step that takes a two-phase split's K-values all to one side of one
// has jumped the phase boundary without any test of the phase it lands in: the flash fails
// (IFFAIL 1) so that its caller falls back, where it used to return that phase as solved.
// A step that keeps K on both sides still converges to the split of its K-values.
TEST_F(NewtonFlashDouble, OnePhaseRightAfterAStepAcrossTheBoundaryFails) {
  const flash::ScopedFugacityRoutines stepped({&steppedLiquid, &vapourDouble});
  margules.vapourFilled = false;
  struct Case {
    const char* label;
    std::vector<double> z, k, stepped;
    std::int32_t iffail;
  };
  const std::vector<Case> cases = {
      {"two phases to all liquid", {0.3, 0.7}, {0.084, 1.92}, {0.645, 0.857}, 1},
      {"two phases to all vapour", {0.5, 0.5}, {0.5, 2.0}, {1.5, 3.0}, 1},
      {"two phases kept", {0.5, 0.5}, {0.5, 2.0}, {0.4, 2.5}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const double v0 = flash_test::exactVapourFraction(c.z, c.k);
    ASSERT_GT(v0, 0.0);
    ASSERT_LT(v0, 1.0);
    flash_test::kDouble.kvalues = c.k;
    stepK = c.stepped;
    flash_test::Flash f(c.z, 300.0, 2000.0);
    f.a.KXOPT = 1;
    newtonFlash(f);
    EXPECT_EQ(f.a.IFFAIL, c.iffail);
    if (c.iffail == 0) {
      EXPECT_NEAR(f.a.FVAPOR, flash_test::exactVapourFraction(c.z, c.stepped), 1e-10);
    }
  }
  margules.vapourFilled = true;
}

TEST(NewtonFlashPengRobinson, NaturalGasAgreesWithTheDefaultFlash) {
  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  fixtures::ProblemDescription d;
  d.name = "flashcpr";
  d.components = flash_test::components({"NITROGEN", "CARBON DIOXIDE", "METHANE", "ETHANE",
                                         "PROPANE", "N-BUTANE", "N-PENTANE", "N-HEXANE",
                                         "N-HEPTANE", "N-OCTANE"});
  d.methodSets = {flash_test::pengRobinsonSet("PR")};
  flash_test::OpenProblem problem(dir, d);
  flash_test::useSet(1);
  const std::vector<double> z{0.01, 0.02, 0.80, 0.07, 0.04, 0.025, 0.015, 0.01, 0.006, 0.004};
  flash_test::Flash reference(z, 233.15, 5000.0);
  reference.a.GTOL = 1e-10;
  flash::FLASHT(reference.a);
  ASSERT_EQ(reference.a.IFFAIL, 0);
  flash_test::Flash f(z, 233.15, 5000.0);
  newtonFlash(f);
  expectSameResult(reference, f);
}

}  // namespace
