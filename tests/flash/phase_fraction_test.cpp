// The phase-fraction iteration FLASHR: bubble, dew and held-fraction points of ideal
// mixtures against their analytic values, a pure feed on its saturation curve, the
// Peng-Robinson bubble and dew pressures of a binary at equal fugacities, the order in which
// the fixed-fraction flashes and the own search are tried, and the feed given back on every
// exit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "flash/flash.hpp"
#include "flash_support.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/kvalues.hpp"

namespace {

using flash::FractionFailure;
using flash_test::Antoine;

constexpr std::int32_t kTemperatureVaried = 1, kPressureVaried = 2;
constexpr std::int32_t kBubble = 103, kDew = 104;

// A held-fraction flash with arrays of its own.
struct Held {
  Held(const std::vector<double>& feed, double t, double p, std::int32_t itpfix, double vapour)
      : z(feed),
        x(feed),
        y(feed),
        k(feed.size(), 1.0),
        xstor(feed.size()),
        ystor(feed.size()),
        dxnew(feed.size()),
        dxold(feed.size()),
        dynew(feed.size()),
        dyold(feed.size()),
        tc(feed.size(), 0.0),
        pc(feed.size(), 0.0),
        omega(feed.size(), 0.0),
        present(feed.size(), 1) {
    const auto n = static_cast<std::int32_t>(feed.size());
    a.NCOMP = n;
    a.NC = n;
    a.IPRES = present;
    a.Z = z;
    a.X = x;
    a.Y = y;
    a.XK = k;
    a.XSTOR = xstor;
    a.YSTOR = ystor;
    a.DXNEW = dxnew;
    a.DXOLD = dxold;
    a.DYNEW = dynew;
    a.DYOLD = dyold;
    a.TCRIT = tc;
    a.PCRIT = pc;
    a.OMEGA = omega;
    a.T = t;
    a.P = p;
    a.ITPFIX = itpfix;
    a.direction = 2.0 * itpfix - 3.0;
    a.IFIXLW = 2;
    a.FVAPOR = vapour;
    a.FTOTLQ = 1.0 - vapour;
    a.FLIQHC = 1.0 - vapour;
    a.TRATE = 1.0;
    a.GTOL = 1e-10;
    a.DVSTEP = {30.0, 0.0};
    // The caller's start values: positive ones suppress the start estimate.
    a.TSTART = t;
    a.PSTART = p;
    a.KXOPT = 1;
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  flash::FractionFlash a;
  std::vector<double> z, x, y, k, xstor, ystor, dxnew, dxold, dynew, dyold, tc, pc, omega;
  std::vector<std::int32_t> present;
};

// The Antoine double: K_i = Psat_i(T)/P for every component, exact in T and P, with the
// derivatives the fixed-fraction flashes read, dK/dT = K ln(10) B/(T + C)^2 and dK/dP = -K/P.
std::vector<Antoine> antoine;
void antoineKValues(std::int32_t, std::int32_t ncomp, std::span<const double>,
                    std::span<const double>, std::span<double> k, double t, double p, double& zv,
                    double& zl, std::int32_t&, std::int32_t, std::int32_t, std::int32_t& ierr,
                    std::int32_t, std::int32_t& ifugst) {
  const auto setWork = [](std::int32_t array, std::int32_t i, double v) {
    storage::CORSTO.setReal(problem::FWPART.realOffset(static_cast<std::size_t>(array)) + i + 1,
                            v);
  };
  for (std::int32_t i = 0; i < ncomp; ++i) {
    const Antoine& a = antoine[static_cast<std::size_t>(i)];
    const double ki = a.kpa(t) / p;
    k[static_cast<std::size_t>(i)] = ki;
    setWork(equilibrium::kDkDtArray, i, ki * std::log(10.0) * a.b / ((t + a.c) * (t + a.c)));
    setWork(equilibrium::kDkDpArray, i, -ki / p);
  }
  zv = 0.9;
  zl = 0.1;
  ierr = 0;
  ifugst = 0;
}

// Antoine constants (log10 bar, K) of the NIST Chemistry WebBook: n-pentane 268.8-341.4 K,
// n-hexane 286.2-342.7 K (Williamham, Taylor and Rossini, 1945).
const Antoine kPentane{3.9892, 1070.617, -40.454};
const Antoine kHexane{4.00266, 1171.53, -48.784};

// Temperature at which f(T) = 0 for f rising in T, by bisection.
template <class F>
double rootIn(F f, double lo, double hi) {
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    (f(mid) > 0.0 ? hi : lo) = mid;
  }
  return 0.5 * (lo + hi);
}

class FractionIteration : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "flashr";
    d.components = flash_test::components({"N-PENTANE", "N-HEXANE", "WATER"});
    d.methodSets = {flash_test::pengRobinsonSet("PR")};
    problem_ = std::make_unique<flash_test::OpenProblem>(dir_, d);
    flash_test::useSet(1);
    antoine = {kPentane, kHexane, kHexane};
  }
  void TearDown() override { problem_.reset(); }

  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
  std::unique_ptr<flash_test::OpenProblem> problem_;
  flash::ScopedKValueRoutine double_{&antoineKValues};
};

// Bubble and dew points of an ideal binary (Raoult's law): P_bubble = sum z Psat,
// 1/P_dew = sum z/Psat, and the temperatures that give those pressures.
TEST_F(FractionIteration, IdealBubbleAndDewPointsMatchRaoultsLaw) {
  const std::vector<double> z{0.4, 0.6};
  const auto bubbleP = [&](double t) { return z[0] * kPentane.kpa(t) + z[1] * kHexane.kpa(t); };
  const auto dewP = [&](double t) {
    return 1.0 / (z[0] / kPentane.kpa(t) + z[1] / kHexane.kpa(t));
  };
  struct Case {
    const char* label;
    std::int32_t itpfix;
    double vapour;
    double expected;
  };
  const double t = 320.0, p = 60.0;
  const std::vector<Case> cases = {
      {"bubble pressure", kPressureVaried, 0.0, bubbleP(t)},
      {"dew pressure", kPressureVaried, 1.0, dewP(t)},
      {"bubble temperature", kTemperatureVaried, 0.0,
       rootIn([&](double v) { return bubbleP(v) - p; }, 250.0, 400.0)},
      {"dew temperature", kTemperatureVaried, 1.0,
       rootIn([&](double v) { return dewP(v) - p; }, 250.0, 400.0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    // Start 10 % away from the answer.
    const double start = 1.1 * c.expected;
    Held h(z, c.itpfix == kTemperatureVaried ? start : t, c.itpfix == kTemperatureVaried ? p : start,
           c.itpfix, c.vapour);
    h.a.ISPCOD = c.vapour == 0.0 ? kBubble : kDew;
    flash::FLASHR(h.a);
    EXPECT_EQ(h.a.JERR, 0);
    const double found = c.itpfix == kTemperatureVaried ? h.a.T : h.a.P;
    EXPECT_NEAR(found / c.expected, 1.0, 1e-6);
    EXPECT_EQ(h.a.FVAPOR, c.vapour);
    // The other phase sums to one at the point, to the general flash tolerance: the
    // fixed-fraction flash that solves it returns the compositions of its last evaluated
    // pass, one step (a relative pressure step below 1e-5) short of its result.
    const std::vector<double>& other = c.vapour == 0.0 ? h.y : h.x;
    EXPECT_NEAR(other[0] + other[1], 1.0, services::FLTOL(3));
  }
}

// A pure feed boils at its vapour pressure: T_sat = B/(A - log10(P/bar)) - C.
TEST_F(FractionIteration, PureFeedLiesOnItsSaturationCurve) {
  for (const double p : {40.0, 101.325}) {
    for (const double v : {0.0, 1.0}) {
      SCOPED_TRACE(testing::Message() << p << " kPa, V " << v);
      const double tsat = kPentane.b / (kPentane.a - std::log10(p / 100.0)) - kPentane.c;
      Held h({1.0, 0.0}, tsat + 8.0, p, kTemperatureVaried, v);
      flash::FLASHR(h.a);
      EXPECT_EQ(h.a.JERR, 0);
      EXPECT_NEAR(h.a.T / tsat, 1.0, 1e-6);
    }
  }
}

// ---------------------------------------------------------------------------------------
// The order of the solvers
// ---------------------------------------------------------------------------------------

struct SolverScript {
  std::int32_t robust = 0, newton = 0;  // JERR each returns
  std::string calls;
  double newtonT = 0.0, newtonP = 0.0;  // T and P the Newton flash was handed
};
SolverScript script;

void robust(flash::FractionFlash& a, std::int32_t, std::span<double>, std::span<double>) {
  script.calls += "R";
  a.T += 7.0;  // a failed attempt leaves its last trial behind
  a.P += 7.0;
  a.JERR = script.robust;
}
void newton(flash::FractionFlash& a, std::int32_t, std::span<double>, std::span<double>) {
  script.calls += "N";
  script.newtonT = a.T;
  script.newtonP = a.P;
  a.JERR = script.newton;
}

void setSwitch(int k, std::int32_t v) { services::GDPOPT.words(100 + k) = v; }

TEST_F(FractionIteration, TriesTheFixedFractionFlashesBeforeItsOwnSearch) {
  const flash::ScopedFixedFractionSolvers solvers({&robust, &newton});
  struct Case {
    const char* label;
    std::int32_t robust, newton, switch38, switch43;
    std::string calls;
    bool ownSearch;
    std::int32_t jerr;
  };
  const std::vector<Case> cases = {
      {"robust solves", 0, 0, 0, 0, "R", false, 0},
      {"robust not applicable", 10, 0, 0, 0, "R", true, 0},
      {"robust fails, Newton solves", 1, 0, 0, 0, "RN", false, 0},
      {"both fail", 3, 1, 0, 0, "RN", true, 0},
      {"both fail, Newton's failure kept", 3, 1, 0, 1, "RN", false, 1},
      {"Newton alone", 1, 0, 1, 0, "N", false, 0},
      {"Newton alone fails", 0, 4, 1, 0, "N", false, 4},
  };
  const std::vector<double> z{0.4, 0.6};
  const double expected = z[0] * kPentane.kpa(320.0) + z[1] * kHexane.kpa(320.0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    script = {};
    script.robust = c.robust;
    script.newton = c.newton;
    setSwitch(38, c.switch38);
    setSwitch(43, c.switch43);
    Held h(z, 320.0, 50.0, kPressureVaried, 0.0);
    flash::FLASHR(h.a);
    EXPECT_EQ(script.calls, c.calls);
    EXPECT_EQ(h.a.JERR, c.jerr);
    if (c.calls == "RN") {
      // The Newton flash starts from the entry values, not from the failed attempt's.
      EXPECT_EQ(script.newtonT, 320.0);
      EXPECT_EQ(script.newtonP, 50.0);
    }
    if (c.ownSearch) {
      EXPECT_NEAR(h.a.P / expected, 1.0, 1e-6);
    }
  }
  setSwitch(38, 0);
  setSwitch(43, 0);
}

TEST_F(FractionIteration, EmptySolverSlotsFallToTheOwnSearchAndSwitch37SkipsThem) {
  const std::vector<double> z{0.4, 0.6};
  const double expected = z[0] * kPentane.kpa(320.0) + z[1] * kHexane.kpa(320.0);
  {
    const flash::ScopedFixedFractionSolvers empty({nullptr, nullptr});
    Held h(z, 320.0, 50.0, kPressureVaried, 0.0);
    flash::FLASHR(h.a);
    EXPECT_EQ(h.a.JERR, 0);
    EXPECT_NEAR(h.a.P / expected, 1.0, 1e-6);
  }
  const flash::ScopedFixedFractionSolvers solvers({&robust, &newton});
  script = {};
  setSwitch(37, 1);
  Held h(z, 320.0, 50.0, kPressureVaried, 0.0);
  flash::FLASHR(h.a);
  setSwitch(37, 0);
  EXPECT_EQ(script.calls, "");
  EXPECT_NEAR(h.a.P / expected, 1.0, 1e-6);
}

// The default solvers wrapped so that a case can force the outcome of each after it ran.
struct Forced {
  std::int32_t robust = -1, newton = -1;  // the JERR forced on each; -1 keeps its own
  std::string calls;
  std::vector<double> feedSeen;
};
Forced forced;
void forcedRobust(flash::FractionFlash& a, std::int32_t debug, std::span<double> w1,
                  std::span<double> w2) {
  forced.calls += "R";
  flash::robustFixedFraction(a, debug, w1, w2);
  if (forced.robust >= 0) a.JERR = forced.robust;
}
void forcedNewton(flash::FractionFlash& a, std::int32_t debug, std::span<double> w1,
                  std::span<double> w2) {
  forced.calls += "N";
  forced.feedSeen.assign(a.Z.begin(), a.Z.end());
  flash::newtonFixedFraction(a, debug, w1, w2);
  if (forced.newton >= 0) a.JERR = forced.newton;
}

// By default FLASHR hands the problem to FLASL2, then FLASL1, then its own search. Each
// failure forced in turn: whichever solver ends the call, the bubble pressure is Raoult's
// and the feed is the caller's.
TEST_F(FractionIteration, DefaultChainIsFlasl2ThenFlasl1ThenTheOwnSearch) {
  EXPECT_EQ(flash::fixedFractionSolvers().robust, &flash::robustFixedFraction);
  EXPECT_EQ(flash::fixedFractionSolvers().newton, &flash::newtonFixedFraction);
  const flash::ScopedFixedFractionSolvers solvers({&forcedRobust, &forcedNewton});
  struct Case {
    const char* label;
    std::int32_t robust, newton, switch43;
    std::string calls;
    std::int32_t jerr;
    double tolerance;  // on the bubble pressure
  };
  // FLASL1 stops on a relative pressure step below 5e-05 without taking it.
  const std::vector<Case> cases = {
      {"FLASL2 solves", -1, -1, 0, "R", 0, 1e-6},
      {"FLASL2 fails, FLASL1 solves", 1, -1, 0, "RN", 0, 5e-5},
      {"FLASL2 cannot apply", 10, -1, 0, "R", 0, 1e-6},
      {"both fail, own search", 1, 1, 0, "RN", 0, 1e-6},
      {"both fail, FLASL1's failure kept", 1, 1, 1, "RN", 1, -1.0},
  };
  const std::vector<double> z{0.4, 0.6};
  const double expected = z[0] * kPentane.kpa(320.0) + z[1] * kHexane.kpa(320.0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    forced = {};
    forced.robust = c.robust;
    forced.newton = c.newton;
    setSwitch(43, c.switch43);
    Held h(z, 320.0, 50.0, kPressureVaried, 0.0);
    h.a.ISPCOD = kBubble;
    flash::FLASHR(h.a);
    EXPECT_EQ(forced.calls, c.calls);
    EXPECT_EQ(h.a.JERR, c.jerr);
    EXPECT_EQ(h.z, z);
    if (c.calls == "RN") {
      EXPECT_EQ(forced.feedSeen, z);
    }
    if (c.tolerance > 0.0) {
      EXPECT_NEAR(h.a.P / expected, 1.0, c.tolerance);
      EXPECT_NEAR(h.y[0] + h.y[1], 1.0, 10.0 * c.tolerance);
    }
  }
  setSwitch(43, 0);
}

// ---------------------------------------------------------------------------------------
// Failures of the own search
// ---------------------------------------------------------------------------------------

// K-values that never reach a sign change: the march gives up.
void hopelessKValues(std::int32_t, std::int32_t ncomp, std::span<const double>,
                     std::span<const double>, std::span<double> k, double, double, double& zv,
                     double& zl, std::int32_t&, std::int32_t, std::int32_t, std::int32_t& ierr,
                     std::int32_t, std::int32_t& ifugst) {
  for (std::int32_t i = 0; i < ncomp; ++i) k[static_cast<std::size_t>(i)] = 5.0;
  zv = 0.9;
  zl = 0.1;
  ierr = 0;
  ifugst = 0;
}

TEST_F(FractionIteration, AMarchWithoutASignChangeFails) {
  const flash::ScopedKValueRoutine hopeless(&hopelessKValues);
  Held h({0.4, 0.6}, 320.0, 50.0, kTemperatureVaried, 0.0);
  flash::FLASHR(h.a);
  EXPECT_EQ(h.a.JERR, flash::code(FractionFailure::searchFailed));
}

// ---------------------------------------------------------------------------------------
// The root search of equation-of-state methods
// ---------------------------------------------------------------------------------------

// Above kTrivialAbove the double answers with the trivial solution (equal roots, all K 1);
// below it with the Antoine K-values of distinct phases.
constexpr double kTrivialAbove = 340.0;
void trivialAboveKValues(std::int32_t nck, std::int32_t ncomp, std::span<const double> y,
                         std::span<const double> x, std::span<double> k, double t, double p,
                         double& zv, double& zl, std::int32_t& kccall, std::int32_t kcdrv,
                         std::int32_t kcopt, std::int32_t& ierr, std::int32_t reserved,
                         std::int32_t& ifugst) {
  antoineKValues(nck, ncomp, y, x, k, t, p, zv, zl, kccall, kcdrv, kcopt, ierr, reserved, ifugst);
  if (t > kTrivialAbove) {
    std::fill(k.begin(), k.begin() + ncomp, 1.0);
    zv = zl = 0.3;
  }
}

// A start on the trivial solution, where GFLSH is zero, must not be taken for the bubble
// point: the root search walks to distinct phases first.
TEST_F(FractionIteration, RootSearchWalksOffATrivialSolution) {
  const flash::ScopedKValueRoutine kvalues(&trivialAboveKValues);
  // The root search belongs to the own search: no fixed-fraction flash first.
  const flash::ScopedFixedFractionSolvers ownSearch({nullptr, nullptr});
  const std::vector<double> z{0.4, 0.6};
  const double p = 60.0;
  const double expected = rootIn(
      [&](double v) { return z[0] * kPentane.kpa(v) + z[1] * kHexane.kpa(v) - p; }, 250.0, 400.0);
  Held h(z, 360.0, p, kTemperatureVaried, 0.0);
  h.a.ISPCOD = kBubble;
  h.a.IEOS = 1;
  flash::FLASHR(h.a);
  EXPECT_EQ(h.a.JERR, 0);
  EXPECT_NEAR(h.a.T / expected, 1.0, 1e-6);
}

// ---------------------------------------------------------------------------------------
// Water
// ---------------------------------------------------------------------------------------

// Antoine constants of water (NIST Chemistry WebBook, 255.9-373 K, Stull 1947).
const Antoine kWater{4.6543, 1435.264, -64.848};

// The feed each flash of the own search saw, then the real flash.
std::vector<double> feedSeen;
void recordingFlasht(flash::IsothermalFlash& a) {
  feedSeen.assign(a.Z.begin(), a.Z.end());
  flash::FLASHT(a);
}

TEST_F(FractionIteration, HighPurityWaterDewPressureFlashesPureWaterAndGivesTheFeedBack) {
  flash::FlashAlgorithms algorithms;
  algorithms.flasht = &recordingFlasht;
  const flash::ScopedFlashAlgorithms recording(algorithms);
  struct Case {
    const char* label;
    flash::KValueRoutine k;
  };
  for (const Case& c : {Case{"solved", &antoineKValues}, Case{"failed", &hopelessKValues}}) {
    SCOPED_TRACE(c.label);
    const flash::ScopedKValueRoutine kvalues(c.k);
    problem::THCTL.idecnt = 3;
    const std::vector<double> feed{0.00003, 0.00002, 0.99995};
    Held h(feed, 350.0, 30.0, kPressureVaried, 1.0);
    h.a.ISPCOD = kDew;
    h.a.IEOS = 1;
    h.a.ZW = feed[2];
    feedSeen.clear();
    flash::FLASHR(h.a);
    ASSERT_FALSE(feedSeen.empty());
    // The flashes saw water alone (the router may hold back part of it as free water).
    EXPECT_EQ(feedSeen[0], 0.0);
    EXPECT_EQ(feedSeen[1], 0.0);
    EXPECT_EQ(h.z, feed);
  }
}

// The water double: a gas that never condenses and water at its vapour pressure, the free
// water saturating the vapour at YWD = Psat(T)/P.
void waterKValues(std::int32_t, std::int32_t ncomp, std::span<const double>,
                  std::span<const double>, std::span<double> k, double t, double p, double& zv,
                  double& zl, std::int32_t&, std::int32_t, std::int32_t, std::int32_t& ierr,
                  std::int32_t, std::int32_t& ifugst) {
  for (std::int32_t i = 0; i + 1 < ncomp; ++i) k[static_cast<std::size_t>(i)] = 1e10;
  const double ywd = kWater.kpa(t) / p;
  k[static_cast<std::size_t>(ncomp - 1)] = ywd;
  problem::THCTL.ywd = ywd;
  problem::THCTL.xwd = 1.0;
  zv = 0.9;
  zl = 0.1;
  ierr = 0;
  ifugst = 0;
}

// The water dew point of a wet gas: the temperature at which Psat(T) = y_w P.
TEST_F(FractionIteration, WaterDewPointOfAWetGas) {
  const flash::ScopedKValueRoutine kvalues(&waterKValues);
  problem::THCTL.idecnt = 3;
  for (const double zw : {0.002, 0.01}) {
    SCOPED_TRACE(zw);
    const double p = 1000.0;
    const double expected = kWater.b / (kWater.a - std::log10(zw * p / 100.0)) - kWater.c;
    Held h({0.6 - zw / 2.0, 0.4 - zw / 2.0, zw}, expected + 15.0, p, kTemperatureVaried, 1.0);
    h.a.ZW = zw;
    h.a.GTOL = 1e-7;
    flash::FLASHR(h.a);
    // The phase-fraction function has a kink at the dew point (free water on one side, an
    // undersaturated vapour with a steep residual on the other), so the search ends when its
    // bracket closes, at a width of 1e-5 T; on the steep side the residual left may exceed
    // 100 GTOL, which the search reports as a closed bracket.
    EXPECT_TRUE(h.a.JERR == 0 || h.a.JERR == flash::code(FractionFailure::bracketClosed));
    EXPECT_NEAR(h.a.T / expected, 1.0, 1e-5);
  }
}

// ---------------------------------------------------------------------------------------
// The Peng-Robinson K-values of the engine
// ---------------------------------------------------------------------------------------

// The tolerance on the phase-fraction function that the general flash hands down: the
// equation-of-state K-values converge to about 1e-7 in it, so a tighter one cannot be met.
constexpr double kFlashTolerance = 1e-6;

class FractionPengRobinson : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "flashrpr";
    d.components = flash_test::components({"METHANE", "PROPANE"});
    d.methodSets = {flash_test::pengRobinsonSet("PR")};
    problem_ = std::make_unique<flash_test::OpenProblem>(dir_, d);
    flash_test::useSet(1);
  }
  void TearDown() override { problem_.reset(); }

  static double constant(problem::ComponentReal which, std::size_t i) {
    return storage::CORSTO.real(problem::COPTRS.realSector(which) + static_cast<std::int32_t>(i + 1));
  }
  static void fillConstants(Held& h) {
    for (std::size_t i = 0; i < h.z.size(); ++i) {
      h.tc[i] = constant(problem::ComponentReal::CriticalTemperature, i);
      h.pc[i] = constant(problem::ComponentReal::CriticalPressure, i);
      h.omega[i] = constant(problem::ComponentReal::AcentricFactor, i);
    }
    h.a.IEOS = flash::FLSTAT.IEOS();
    h.a.KXFLAG = flash::FLSTAT.KXFLAG();
  }
  // The engine's K-values at the phases found: the fugacities agree when they equal the
  // K-values of the solution, to the K-value tolerance FLTOL(4).
  static void expectEqualFugacities(const Held& h) {
    std::vector<double> k(h.z.size()), x(h.x), y(h.y);
    services::NORMLZ(static_cast<std::int32_t>(x.size()), x);
    services::NORMLZ(static_cast<std::int32_t>(y.size()), y);
    double zv = 0.0, zl = 0.0;
    std::int32_t kccall = 12, ierr = 0, ifugst = 0;
    const auto n = static_cast<std::int32_t>(h.z.size());
    equilibrium::KCALC(n, n, y, x, k, h.a.T, h.a.P, zv, zl, kccall, 0, 1, ierr, 0, ifugst);
    for (std::size_t i = 0; i < h.z.size(); ++i) {
      SCOPED_TRACE(i + 1);
      EXPECT_NEAR(h.y[i] / (h.x[i] * k[i]), 1.0, 10.0 * services::FLTOL(4));
    }
  }

  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
  std::unique_ptr<flash_test::OpenProblem> problem_;
};

TEST_F(FractionPengRobinson, BinaryBubbleAndDewPressuresHaveEqualFugacities) {
  const std::vector<double> z{0.3, 0.7};
  for (const double t : {230.0, 260.0, 290.0}) {
    for (const double v : {0.0, 1.0}) {
      SCOPED_TRACE(testing::Message() << t << " K, V " << v);
      Held h(z, t, 1000.0, kPressureVaried, v);
      h.a.PSTART = 0.0;  // let the Wilson estimate start the search
      h.a.ISPCOD = v == 0.0 ? kBubble : kDew;
      fillConstants(h);
      h.a.GTOL = kFlashTolerance;
      flash::FLASHR(h.a);
      ASSERT_EQ(h.a.JERR, 0);
      // The fixed-fraction flash that solves it stops on its own relative pressure step, so the
      // other phase closes to the general flash tolerance FLTOL(3).
      const std::vector<double>& other = v == 0.0 ? h.y : h.x;
      EXPECT_NEAR(other[0] + other[1], 1.0, services::FLTOL(3));
      // A split, not the trivial solution.
      EXPECT_GT(std::fabs(h.y[0] - h.x[0]), 0.05);
      expectEqualFugacities(h);
    }
  }
}

TEST_F(FractionPengRobinson, HeldVapourFractionIsKept) {
  Held h({0.3, 0.7}, 250.0, 2000.0, kTemperatureVaried, 0.3);
  h.a.TSTART = 0.0;
  h.a.GTOL = kFlashTolerance;
  fillConstants(h);
  flash::FLASHR(h.a);
  ASSERT_EQ(h.a.JERR, 0);
  EXPECT_EQ(h.a.FVAPOR, 0.3);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_NEAR(0.3 * h.y[i] + 0.7 * h.x[i], h.z[i], 1e-6);
  }
  EXPECT_NEAR(h.y[0] + h.y[1], 1.0, 1e-6);
  expectEqualFugacities(h);
}

}  // namespace
