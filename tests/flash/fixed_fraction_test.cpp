// The fixed vapour-fraction flashes FLASL1 and FLASL2 on an ideal K-value double with
// analytic derivatives (K = Psat/P from Antoine equations) against the bubble, dew and
// fixed-fraction points solved independently here; a pure component against its vapour
// pressure; the critical refusals; the failure exits forced through scripted K-values; and
// the fixed-fraction pressure of a Peng-Robinson mixture checked by an isothermal flash.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "flash_support.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "support/allocation_counter.hpp"
#include "thermo/equilibrium/equilibrium.hpp"

namespace {

using flash_test::Antoine;
using flash_test::Flash;

// Antoine constants log10(P/bar) = A - B/(T + C), T in K, from the NIST Chemistry WebBook:
// methane (90.99-189.99 K), propane (166.02-231.41 K), n-pentane (268.8-341.37 K). Outside
// their ranges they serve only as smooth K-values of the double.
constexpr Antoine kMethane{3.9895, 443.028, -0.49};
constexpr Antoine kPropane{3.92828, 803.997, -26.11};
constexpr Antoine kPentane{3.9892, 1070.617, -40.454};

// What the K-value double answers.
struct Ideal {
  std::vector<Antoine> components;
  // Scripted K-values in place of Antoine's: K_i = script(call, i); with scriptedSlope the
  // derivative reported for them (dK/dT and dK/dP alike).
  std::function<double(std::int32_t, std::size_t, double, double)> script;
  double scriptedSlope = 0.0;
  bool zeroDerivatives = false;
  std::int32_t calls = 0, startCalls = 0;
};
Ideal ideal;

void setWork(std::int32_t array, std::size_t i, double v) {
  storage::CORSTO.setReal(
      problem::FWPART.realOffset(static_cast<std::size_t>(array)) + static_cast<std::int32_t>(i) + 1,
      v);
}

// K = Psat(T)/P; dK/dT = K ln(10) B/(T + C)^2; dK/dP = -K/P.
void idealKValues(std::int32_t, std::int32_t ncomp, std::span<const double>,
                  std::span<const double>, std::span<double> k, double t, double p, double& zv,
                  double& zl, std::int32_t&, std::int32_t, std::int32_t kcopt, std::int32_t& ierr,
                  std::int32_t, std::int32_t& ifugst) {
  ++ideal.calls;
  if (kcopt == 0) ++ideal.startCalls;
  for (std::size_t i = 0; i < static_cast<std::size_t>(ncomp); ++i) {
    double dkdt = 0.0, dkdp = 0.0;
    if (ideal.script) {
      k[i] = ideal.script(ideal.calls, i, t, p);
      dkdt = dkdp = ideal.scriptedSlope;
    } else {
      const Antoine& a = ideal.components[i];
      k[i] = a.kpa(t) / p;
      dkdt = k[i] * std::log(10.0) * a.b / ((t + a.c) * (t + a.c));
      dkdp = -k[i] / p;
    }
    if (ideal.zeroDerivatives) dkdt = dkdp = 0.0;
    if (ideal.script && ideal.scriptedSlope == 0.0 && !ideal.zeroDerivatives) dkdp = -k[i] / p;
    setWork(equilibrium::kDkDtArray, i, dkdt);
    setWork(equilibrium::kDkDpArray, i, dkdp);
  }
  zv = 0.9;
  zl = 0.1;
  ierr = 0;
  ifugst = 0;
}

// The fixed-fraction function of the Antoine mixture at (T, P), in extended precision.
long double rachfordRice(const std::vector<double>& z, double v, long double t, long double p) {
  long double s = 0.0L;
  for (std::size_t i = 0; i < z.size(); ++i) {
    const Antoine& a = ideal.components[i];
    const long double k = 100.0L * std::pow(10.0L, a.a - a.b / (t + a.c)) / p;
    s += z[i] * (k - 1.0L) / (1.0L + v * (k - 1.0L));
  }
  return s;
}

// The root of the fixed-fraction function in T (P given) or in P (T given), by bisection:
// the function rises with T and falls with P.
double reference(const std::vector<double>& z, double v, bool temperature, double given) {
  long double lo = temperature ? 120.0L : 1e-3L, hi = temperature ? 900.0L : 1e7L;
  for (int i = 0; i < 300; ++i) {
    const long double mid = temperature ? 0.5L * (lo + hi) : std::sqrt(lo * hi);
    const long double f =
        temperature ? rachfordRice(z, v, mid, given) : rachfordRice(z, v, given, mid);
    ((f > 0.0L) == temperature ? hi : lo) = mid;
  }
  return static_cast<double>(temperature ? 0.5L * (lo + hi) : std::sqrt(lo * hi));
}

// One fixed-fraction flash with arrays of its own.
struct Fixed {
  explicit Fixed(std::vector<double> feed, double t0, double p0)
      : z(std::move(feed)), x(z.size()), y(z.size()), k(z.size(), 1.0), wlnk(z.size()),
        wslp(z.size()), t(t0), p(p0) {}
  std::vector<double> z, x, y, k, wlnk, wslp;
  double t, p, ftotlq = -1.0, fliqhc = -1.0, fwater = -1.0, zv = 0.0, zl = 0.0;
  std::int32_t iffail = 0;
};

enum class Routine { Newton, Robust };
const char* name(Routine r) { return r == Routine::Newton ? "FLASL1" : "FLASL2"; }

void run(Routine r, Fixed& f, flash::FixedVariable held, double v, std::int32_t idebug = 0) {
  const auto n = static_cast<std::int32_t>(f.z.size());
  const auto itpfix = static_cast<std::int32_t>(held);
  if (r == Routine::Newton) {
    flash::FLASL1(-1, n, n, idebug, itpfix, f.iffail, 0, f.z, f.x, f.y, f.k, f.t, f.p, f.ftotlq,
                  f.fliqhc, f.fwater, v, f.zv, f.zl, 0);
  } else {
    flash::FLASL2(-1, n, n, idebug, itpfix, f.iffail, 0, f.z, f.x, f.y, f.k, f.t, f.p, f.ftotlq,
                  f.fliqhc, f.fwater, v, f.zv, f.zl, 0, f.wlnk, f.wslp);
  }
}

class FixedFraction : public ::testing::TestWithParam<Routine> {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "fixed";
    d.components = flash_test::components({"METHANE", "PROPANE", "N-PENTANE"});
    d.methodSets = {flash_test::pengRobinsonSet("PR")};
    problem_ = std::make_unique<flash_test::OpenProblem>(dir_, d);
    flash_test::useSet(1);
    ideal = {};
    ideal.components = {kMethane, kPropane, kPentane};
  }
  void TearDown() override { problem_.reset(); }

  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
  std::unique_ptr<flash_test::OpenProblem> problem_;
  flash::ScopedKValueRoutine double_{&idealKValues};
};

// Bubble, dew and V = 0.3 points of a ternary, temperature and pressure searches, against
// the bisection roots above; the phases obey y = K x and the balance z = L x + V y.
TEST_P(FixedFraction, IdealMixtureAgainstTheAnalyticPoints) {
  const std::vector<double> z{0.05, 0.45, 0.5};
  struct Case {
    double v;
    flash::FixedVariable held;
    double t0, p0;
  };
  const std::vector<Case> cases = {
      {0.0, flash::FixedVariable::Pressure, 300.0, 500.0},
      {1.0, flash::FixedVariable::Pressure, 300.0, 500.0},
      {0.3, flash::FixedVariable::Pressure, 300.0, 500.0},
      {0.0, flash::FixedVariable::Temperature, 320.0, 800.0},
      {1.0, flash::FixedVariable::Temperature, 320.0, 800.0},
      {0.3, flash::FixedVariable::Temperature, 320.0, 800.0},
      {0.3, flash::FixedVariable::Temperature, 320.0, 50.0},
  };
  for (const Case& c : cases) {
    const bool temperature = c.held == flash::FixedVariable::Pressure;
    SCOPED_TRACE(testing::Message() << name(GetParam()) << " V = " << c.v
                                    << (temperature ? " T at P " : " P at T ") << c.p0);
    Fixed f(z, c.t0, c.p0);
    run(GetParam(), f, c.held, c.v);
    ASSERT_EQ(f.iffail, 0);
    const double expected = reference(z, c.v, temperature, temperature ? c.p0 : c.t0);
    // FLASL1 stops on a relative pressure step below 5e-05 without taking it, so its
    // pressure is only that close; every other result lies within 1e-6.
    const double tolerance = GetParam() == Routine::Newton && !temperature ? 5e-5 : 1e-6;
    EXPECT_NEAR((temperature ? f.t : f.p) / expected, 1.0, tolerance);
    EXPECT_EQ(temperature ? f.p : f.t, temperature ? c.p0 : c.t0);
    EXPECT_EQ(f.ftotlq, 1.0 - c.v);
    EXPECT_EQ(f.fliqhc, 1.0 - c.v);
    EXPECT_EQ(f.fwater, 0.0);
    double sx = 0.0, sy = 0.0;
    for (std::size_t i = 0; i < z.size(); ++i) {
      EXPECT_NEAR(c.v * f.y[i] + (1.0 - c.v) * f.x[i], z[i], 1e-12);
      sx += f.x[i];
      sy += f.y[i];
    }
    // At the point the phase fractions close: sum x = sum y = 1 (to the step tolerance).
    EXPECT_NEAR(sx, 1.0, 1e-4);
    EXPECT_NEAR(sy, 1.0, 1e-4);
  }
}

// A stored split estimate replaces the start K-values; K-values all near 1 or a stored
// single phase do not. On exit IHVDAT 2 becomes 1 and the block holds the solved point.
TEST_P(FixedFraction, StoredEstimateStartsAndReceivesTheResult) {
  const std::vector<double> z{0.05, 0.45, 0.5};
  struct Case {
    const char* label;
    double storedV;
    std::vector<double> storedK;
    std::int32_t startCalls;
  };
  const std::vector<Case> cases = {
      {"split estimate", 0.5, {20.0, 2.0, 0.3}, 0},
      {"K-values near 1", 0.5, {1.005, 0.995, 1.0}, 1},
      {"single phase", 1.0, {20.0, 2.0, 0.3}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << name(GetParam()) << ": " << c.label);
    flash::FLSTAT.IKVPNT() = storage::ICMGTD(20, 1);
    flash::FLSTAT.IHVDAT() = 2;
    flash::storeEstimate(290.0, 500.0, 1.0 - c.storedV, 0.0, 1.0 - c.storedV, c.storedV,
                         c.storedK);
    ideal.startCalls = 0;
    Fixed f(z, 300.0, 500.0);
    run(GetParam(), f, flash::FixedVariable::Pressure, 0.3);
    ASSERT_EQ(f.iffail, 0);
    EXPECT_EQ(ideal.startCalls, c.startCalls);
    EXPECT_EQ(flash::FLSTAT.IHVDAT(), 1);
    double fliqhc = 0.0, fwater = 1.0, ftotlq = 0.0, fvapor = 0.0;
    std::vector<double> k(3);
    flash::FLSCPY(fliqhc, fwater, ftotlq, fvapor, 3, k);
    EXPECT_EQ(fvapor, 0.3);
    EXPECT_EQ(fliqhc, 0.7);
    EXPECT_EQ(ftotlq, 0.7);
    EXPECT_EQ(fwater, 0.0);
    EXPECT_EQ(k, f.k);
    const std::int32_t at = flash::FLSTAT.IKVPNT();
    EXPECT_EQ(storage::CORSTO.real(at + 1), f.t);
    EXPECT_EQ(storage::CORSTO.real(at + 4), f.p);
  }
}

INSTANTIATE_TEST_SUITE_P(Both, FixedFraction, testing::Values(Routine::Newton, Routine::Robust),
                         [](const testing::TestParamInfo<Routine>& p) { return std::string(name(p.param)); });

}  // namespace

namespace {

using FixedFractionRobust = FixedFraction;

// Propane alone: critical constants 369.8 K and 4248 kPa (B. E. Poling, J. M. Prausnitz and
// J. P. O'Connell, The Properties of Gases and Liquids, 5th ed., appendix A); the fixture's
// component table carries them.
TEST_F(FixedFractionRobust, PureFeedFollowsItsSaturationCurve) {
  const std::vector<double> z{0.0, 1.0, 0.0};
  struct Case {
    double v;
    flash::FixedVariable held;
    double t0, p0;
  };
  for (const Case& c : {Case{1.0, flash::FixedVariable::Temperature, 300.0, 500.0},
                        Case{0.0, flash::FixedVariable::Temperature, 250.0, 5000.0},
                        Case{1.0, flash::FixedVariable::Pressure, 200.0, 500.0},
                        Case{0.0, flash::FixedVariable::Pressure, 340.0, 1500.0}}) {
    const bool temperature = c.held == flash::FixedVariable::Pressure;
    SCOPED_TRACE(testing::Message() << "V = " << c.v << (temperature ? " T at " : " P at ")
                                    << (temperature ? c.p0 : c.t0));
    Fixed f(z, c.t0, c.p0);
    run(Routine::Robust, f, c.held, c.v);
    ASSERT_EQ(f.iffail, 0);
    // log10(P/bar) = A - B/(T + C) solved for the held variable's partner.
    const double expected =
        temperature ? kPropane.b / (kPropane.a - std::log10(c.p0 / 100.0)) - kPropane.c
                    : kPropane.kpa(c.t0);
    EXPECT_NEAR((temperature ? f.t : f.p) / expected, 1.0, 1e-6);
    EXPECT_EQ(f.x, (std::vector<double>{0.0, 1.0, 0.0}));
    EXPECT_EQ(f.y, (std::vector<double>{0.0, 1.0, 0.0}));
  }
}

TEST_F(FixedFractionRobust, PureFeedAboveItsCriticalPointIsRefused) {
  const std::vector<double> z{0.0, 1.0, 0.0};
  struct Case {
    flash::FixedVariable held;
    double t0, p0;
  };
  for (const Case& c : {Case{flash::FixedVariable::Temperature, 380.0, 1000.0},
                        Case{flash::FixedVariable::Pressure, 300.0, 4500.0}}) {
    SCOPED_TRACE(static_cast<int>(c.held));
    Fixed f(z, c.t0, c.p0);
    ideal.calls = 0;
    run(Routine::Robust, f, c.held, 1.0);
    EXPECT_EQ(f.iffail, flash::kFixedFractionUnsolvable);
    EXPECT_EQ(f.t, c.t0);
    EXPECT_EQ(f.p, c.p0);
    EXPECT_EQ(ideal.calls, 0);
  }
  // Just below the critical temperature the pressure search is solved.
  Fixed f(z, 360.0, 1000.0);
  run(Routine::Robust, f, flash::FixedVariable::Temperature, 1.0);
  EXPECT_EQ(f.iffail, 0);
  EXPECT_NEAR(f.p / kPropane.kpa(360.0), 1.0, 1e-6);
}

// THETA2 on the ideal K-values: ln K is exactly linear in ln P, so one fit gives the bubble
// pressure; a pass limit too small leaves IERR 1 with the last value reached.
TEST_F(FixedFractionRobust, Theta2SolvesTheFitAndReportsThePassLimit) {
  const std::vector<double> z{0.05, 0.45, 0.5};
  std::vector<double> k(3), x(z), y(z), wlnk(3), wslp(3);
  double zv = 0.0, zl = 0.0;
  std::int32_t kccall = 12, ierr = 0, ifugst = 0;
  idealKValues(3, 3, y, x, k, 320.0, 800.0, zv, zl, kccall, 1, 1, ierr, 0, ifugst);
  const storage::RealView dkdp =
      storage::CORSTO.reals(problem::FWPART.realOffset(equilibrium::kDkDpArray) + 1, 3);
  std::int32_t iter = 0;
  double xnew = 0.0;
  std::vector<double> k1 = k;
  flash::THETA2(0, -1, 0.0009, 1e-10, 2, 3, z, 0.0, 320.0, 800.0, k1, dkdp, wlnk, wslp, 100, iter,
                ierr, xnew);
  EXPECT_EQ(ierr, 0);
  EXPECT_NEAR(xnew / reference(z, 0.0, false, 320.0), 1.0, 1e-9);
  std::vector<double> k2 = k;
  flash::THETA2(0, -1, 0.0009, 1e-10, 2, 3, z, 0.0, 320.0, 800.0, k2, dkdp, wlnk, wslp, 2, iter,
                ierr, xnew);
  EXPECT_EQ(ierr, 1);
  EXPECT_EQ(iter, 3);
  EXPECT_GT(std::abs(xnew / reference(z, 0.0, false, 320.0) - 1.0), 1e-9);
}

// Each failure exit, forced through scripted K-values: the code, the iterated variable put
// back, the other one untouched and the feed unchanged.
TEST_F(FixedFraction, FailureExitsRestoreTheState) {
  const std::vector<double> z{0.05, 0.45, 0.5};
  using Script = std::function<double(std::int32_t, std::size_t, double, double)>;
  struct Case {
    const char* label;
    Routine routine;
    flash::FixedVariable held;
    Script script;
    double slope;
    bool zero;
    std::int32_t iffail;
    std::int32_t calls;  // K-value calls made, -1 not checked
    std::int32_t startCalls;
  };
  // Steps that go up, up, down for ever: never converged, never a two-cycle.
  const Script drifting = [](std::int32_t call, std::size_t, double, double) {
    return call % 3 == 0 ? 0.5 : 2.0;
  };
  // K-values above 1 whose reported slope has the wrong sign drive T onto its 1 K bound.
  const Script pinned = [](std::int32_t, std::size_t, double, double) { return 2.0; };
  // A bubble pressure far below 1e-4 kPa: every try ends on the lower bound.
  const Script vanishing = [](std::int32_t, std::size_t i, double, double p) {
    return 1e-12 * static_cast<double>(i + 1) / p;
  };
  const std::vector<Case> cases = {
      {"pass limit", Routine::Newton, flash::FixedVariable::Temperature, drifting, -1e-12, false,
       1, 101, 1},
      {"two-cycle on a bound", Routine::Newton, flash::FixedVariable::Pressure, pinned, -1e-12,
       false, 1, 11, 1},
      {"no pressure derivative", Routine::Newton, flash::FixedVariable::Temperature, nullptr, 0.0,
       true, 1, 2, 1},
      {"no pressure derivative", Routine::Robust, flash::FixedVariable::Temperature, nullptr, 0.0,
       true, 10, 2, 1},
      {"no temperature derivative", Routine::Robust, flash::FixedVariable::Pressure, nullptr, 0.0,
       true, 10, 2, 1},
      {"restarts exhausted", Routine::Robust, flash::FixedVariable::Temperature, vanishing, 0.0,
       false, 1, -1, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << name(c.routine) << ": " << c.label);
    ideal.script = c.script;
    ideal.scriptedSlope = c.slope;
    ideal.zeroDerivatives = c.zero;
    ideal.calls = 0;
    ideal.startCalls = 0;
    Fixed f(z, 300.0, 10000.0);
    run(c.routine, f, c.held, 0.3);
    EXPECT_EQ(f.iffail, c.iffail);
    EXPECT_EQ(f.t, 300.0);
    EXPECT_EQ(f.p, 10000.0);
    EXPECT_EQ(f.z, z);
    if (c.calls >= 0) {
      EXPECT_EQ(ideal.calls, c.calls);
    }
    EXPECT_EQ(ideal.startCalls, c.startCalls);
  }
}

}  // namespace

namespace {

// The engine's Peng-Robinson K-values: the pressure at which a ternary is 30 % vapour at
// 300 K, checked by an isothermal flash at that pressure; a warm call allocates nothing.
class FixedFractionPengRobinson : public ::testing::TestWithParam<Routine> {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "fixedpr";
    d.components = flash_test::components({"METHANE", "PROPANE", "N-PENTANE"});
    d.methodSets = {flash_test::pengRobinsonSet("PR")};
    problem_ = std::make_unique<flash_test::OpenProblem>(dir_, d);
    flash_test::useSet(1);
  }
  void TearDown() override { problem_.reset(); }

  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
  std::unique_ptr<flash_test::OpenProblem> problem_;
};

TEST_P(FixedFractionPengRobinson, IsothermalFlashAtTheResultGivesTheFraction) {
  const std::vector<double> z{0.3, 0.4, 0.3};
  // (From this start the Newton flash does not find the dew point: the heavy component's
  // dK/dP is positive at the first liquid it forms, and each step climbs. The dew point is
  // left to the robust flash, which the phase-fraction iteration tries first.)
  for (const double v : {0.3, 0.0}) {
    SCOPED_TRACE(testing::Message() << name(GetParam()) << " V = " << v);
    Fixed f(z, 300.0, 2000.0);
    run(GetParam(), f, flash::FixedVariable::Temperature, v);
    ASSERT_EQ(f.iffail, 0);
    EXPECT_EQ(f.t, 300.0);
    EXPECT_GT(f.p, 100.0);
    if (v != 0.3) continue;
    Flash check(z, 300.0, f.p);
    check.a.GTOL = 1e-10;
    flash::FLASTP(check.a);
    ASSERT_EQ(check.a.IFFAIL, 0);
    // Both stop within a relative pressure step of 5e-05; the vapour fraction of the flash at
    // that pressure agrees to the flashes' fraction tolerance, 1e-5.
    EXPECT_NEAR(check.a.FVAPOR, 0.3, 1e-5);
  }
  Fixed warm(z, 300.0, 2000.0);
  run(GetParam(), warm, flash::FixedVariable::Temperature, 0.3);
  Fixed again(z, 300.0, 2000.0);
  const std::size_t afterSetup = testing_support::allocationCount();
  run(GetParam(), again, flash::FixedVariable::Temperature, 0.3);
  EXPECT_EQ(testing_support::allocationCount(), afterSetup);
}

INSTANTIATE_TEST_SUITE_P(Both, FixedFractionPengRobinson,
                         testing::Values(Routine::Newton, Routine::Robust),
                         [](const testing::TestParamInfo<Routine>& p) {
                           return std::string(name(p.param));
                         });

}  // namespace
