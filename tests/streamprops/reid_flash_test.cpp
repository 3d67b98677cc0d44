// Reid vapour pressure by flash on an opened problem: pure liquids against their vapour
// pressure at 100 F, the all-water and empty streams, the entry presets, and each failure
// status through scripted flashes put in the place of the flash algorithms.
#include "streamprops/reid_flash.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "../flash/flash_support.hpp"
#include "methods/methods.hpp"
#include "problem/method_set_control.hpp"
#include "problem/streams.hpp"
#include "services/markers.hpp"
#include "services/services.hpp"
#include "streamprops/true_vapour_pressure.hpp"
#include "thermo/pure/liquid_density.hpp"
#include "support/allocation_counter.hpp"

namespace streamprops {
namespace {

constexpr double kPsi = 0.1450373;  // psi per kPa
constexpr double kAtmospherePsi = 14.6959;

// Components of the problem (0-based positions); air is last and only in some problems.
constexpr std::size_t kButane = 0, kIsopentane = 1, kPentane = 2, kWater = 3, kAir = 4;
constexpr std::size_t kComponents = 5;
// Sets: 1 Peng-Robinson with free water (component 4); 2 a K-value method without a vapour
// pressure; 3 as 1 with liquid densities from Rackett volumes, which do not depend on the
// pressure.
constexpr std::int32_t kSet = 1, kFlaggedSet = 2, kRackettSet = 3;

std::array<double, kComponents> pure(std::size_t i) {
  std::array<double, kComponents> x{};
  x[i] = 1.0;
  return x;
}

// A problem of n-butane, isopentane, n-pentane and water, with or without an air component.
class ReidFlash : public ::testing::Test {
 protected:
  virtual bool withAir() const { return true; }
  void SetUp() override {
    nc_ = withAir() ? 5 : 4;
    fixtures::ProblemDescription d;
    d.name = "rvp";
    d.components = flash_test::components({"N-BUTANE", "ISOPENTANE", "N-PENTANE", "WATER"});
    if (withAir()) {
      // Air as the apparatus adds it: nitrogen's constants under the component code of air.
      fixtures::ComponentSpec air = fixtures::publishedComponent("NITROGEN");
      air.name = "AIR";
      air.libraryNumber = 16020010;
      d.components.push_back(air);
    }
    fixtures::MethodSetSpec flagged = flash_test::pengRobinsonSet("FLAGGED");
    flagged.codes[0] = 605;
    fixtures::MethodSetSpec rackett = flash_test::pengRobinsonSet("RACKETT-VOL", 4);
    fixtures::setSlotMethod(rackett, pure::kLiquidDensityClass, 302);
    d.methodSets = {flash_test::pengRobinsonSet("PR", 4), flagged, rackett};
    d.waterComponent = 4;
    fixtures::StreamSpec feed;
    feed.name = "FEED";
    feed.temperature = 300.0;
    feed.pressure = 500.0;
    feed.rate = 1.0;
    feed.composition = {0.5, 0.0, 0.5, 0.0};
    if (withAir()) feed.composition.push_back(0.0);
    d.streams = {feed};
    problem_ = std::make_unique<flash_test::OpenProblem>(dir_, d);
    flash_test::useSet(kSet);
  }
  void TearDown() override { problem_.reset(); }

  double tvpOf(const std::array<double, kComponents>& x) const {
    std::array<double, kComponents> y{}, k{};
    std::int32_t ierr = 0;
    double tvp = 0.0;
    SPETVP(1, kSet, nc_, 310.928, x, y, k, ierr, tvp);
    EXPECT_EQ(ierr, 0);
    return tvp;
  }
  // Method M (3 process stream, 4-6 the standard tests) of X with its TVP; IER in/out.
  double rvp(std::int32_t m, const std::array<double, kComponents>& x, double tvp,
             std::int32_t& ier, std::int32_t set = kSet) const {
    double value = -7.0;
    const std::int32_t n = nc_;
    if (m == 3) {
      SPERV1(1, set, n, x, tvp, ier, value);
    } else {
      SPERV2(m, 1, set, n, x, tvp, ier, value);
    }
    return value;
  }

  std::int32_t nc_ = 0;
  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
  std::unique_ptr<flash_test::OpenProblem> problem_;
};
class ReidFlashWithoutAir : public ReidFlash {
 protected:
  bool withAir() const override { return false; }
};

// Saturation pressure of water, psia, at T in K: IAPWS SR1-86 (1992), the Wagner and Pruss
// equation ln(p/pc) = (Tc/T)(a1 t + a2 t^1.5 + a3 t^3 + a4 t^3.5 + a5 t^4 + a6 t^7.5),
// t = 1 - T/Tc.
double waterPressurePsia(double t) {
  constexpr double kTc = 647.096, kPc = 22064.0;  // K, kPa
  constexpr double a[] = {-7.85951783, 1.84408259, -11.7866497, 22.6807411, -15.9618719,
                          1.80122502};
  const double u = 1.0 - t / kTc;
  const double s = a[0] * u + a[1] * std::pow(u, 1.5) + a[2] * std::pow(u, 3.0) +
                   a[3] * std::pow(u, 3.5) + a[4] * std::pow(u, 4.0) + a[5] * std::pow(u, 7.5);
  return kPc * std::exp(kTc / t * s) * kPsi;
}

// A pure liquid in the apparatus: its vapour fills the four air volumes at its vapour
// pressure, beside the air the chamber held at one atmosphere. Without an air component the
// air is added as 0.94 of its ideal pressure, so "D4953" reads p_sat + (0.94 - 1) atm,
// "D323" (which adds a little water to the air chamber) that plus the vapour pressure of
// water, and "D5191" (an evacuated chamber, air negligible) reports
// 0.965 p_sat - 0.548 psi (the test's correlation from total to dry vapour pressure).
// Vapour pressures at 100 F, psia: derived from the reference equations of state (n-butane:
// Buecker and Wagner, J. Phys. Chem. Ref. Data 35 (2006) 929; isopentane: Lemmon and Span,
// J. Chem. Eng. Data 51 (2006) 785; n-pentane: Span and Wagner, Int. J. Thermophys. 24
// (2003) 41). The set's cubic equation holds them within about 3 %.
//
// n-butane boils at 33 F and 1 atm: the air-saturation flash leaves no liquid and every test
// keeps the preset 0.96 TVP.
//
// Under "D323" the hot sample of a single hydrocarbon and the added water meets the hot
// volume at its three-phase line, where its volume jumps from a vapour's to a liquid's: the
// search must keep the bracket it finds there (isopentane lost it and stopped at the
// iteration cap), and the air's space is the liquid side's. The air being the same but for
// 3.999 volumes instead of 4, "D323" reads "D4953" plus the vapour pressure of water; the
// set's free-water treatment and its non-ideal vapour hold it within about 5 % (3 % low).
TEST_F(ReidFlashWithoutAir, PureLiquidsGiveTheirVapourPressureAt100F) {
  struct Case {
    std::size_t component;
    double psat;  // psia
    std::vector<std::int32_t> methods;
  };
  const Case cases[] = {{kButane, 51.567, {4, 5, 6}},
                        {kIsopentane, 20.473, {4, 5, 6}},
                        {kPentane, 15.575, {4, 5, 6}}};
  for (const Case& c : cases) {
    const auto x = pure(c.component);
    const double tvp = tvpOf(x);
    EXPECT_NEAR(tvp * kPsi / c.psat, 1.0, 0.03);
    std::array<double, 7> byMethod{};
    for (const std::int32_t m : c.methods) {
      SCOPED_TRACE(testing::Message() << "component " << c.component << " method " << m);
      double expected = c.psat + (0.94 - 1.0) * kAtmospherePsi;
      if (m == 4) expected += waterPressurePsia(310.928);
      if (m == 6) expected = 0.965 * c.psat - 0.548;
      std::int32_t ier = 0;
      const double value = rvp(m, x, tvp, ier);
      byMethod[static_cast<std::size_t>(m)] = value;
      EXPECT_EQ(ier, 0);
      if (c.component == kButane) {
        EXPECT_DOUBLE_EQ(value, 0.96 * tvp * kPsi);
      } else {
        EXPECT_NEAR(value / expected, 1.0, 0.04);
      }
    }
    if (c.component != kButane) {
      SCOPED_TRACE(testing::Message() << "component " << c.component << " D323 against D4953");
      const double water = waterPressurePsia(310.928);
      EXPECT_NEAR(byMethod[4] - byMethod[5], water, 0.05 * water);
    }
  }
}

// Once warm, the flashes, volumes and streams of a flash RVP allocate nothing; only the
// creation of its sample stream does (the stream index's own entry).
TEST_F(ReidFlashWithoutAir, AWarmCallAllocatesOnlyItsSampleStream) {
  const auto x = pure(kPentane);
  const double tvp = tvpOf(x);
  for (const std::int32_t m : {3, 4}) {
    SCOPED_TRACE(m);
    std::int32_t ier = 0;
    const double first = rvp(m, x, tvp, ier);
    // What creating and deleting a stream costs.
    std::size_t before = testing_support::allocationCount();
    std::int32_t sample = 0, istat = 0;
    problem::SRCREA(3, " ", sample, istat);
    problem::SRKILL(sample);
    const std::size_t stream = testing_support::allocationCount() - before;
    before = testing_support::allocationCount();
    ier = 0;
    const double second = rvp(m, x, tvp, ier);
    EXPECT_EQ(testing_support::allocationCount() - before, stream);
    EXPECT_EQ(second, first);
  }
}

// An empty composition and an all-water stream give 0.0; a TVP that is not positive or a
// K-value method without vapour pressure gives the missing value; a low TVP takes the
// low-pressure formula; an entry status above 0 returns the preset 0.96 TVP. None of them
// leaves a stream or a method set behind.
TEST_F(ReidFlash, EntryRulesAndPresets) {
  const std::int32_t feed = problem::ISRNO("FEED");
  problem::SRSET(feed, 0);
  const std::array<double, kComponents> none{};
  const auto water = pure(kWater);
  const auto butane = pure(kButane);
  struct Case {
    const char* label;
    std::array<double, kComponents> x;
    double tvp;
    std::int32_t ier, set;
    double expected;
  };
  const double t3 = 3.0 / kPsi;  // a TVP of 3 psi
  const Case cases[] = {
      {"empty", none, 300.0, 0, kSet, 0.0},
      {"all water", water, 300.0, 0, kSet, 0.0},
      {"TVP zero", butane, 0.0, 0, kSet, services::DMISS},
      {"no vapour pressure", butane, 300.0, 0, kFlaggedSet, services::DMISS},
      // n-pentane: still liquid at 33 F (n-butane boils, and the tests keep the preset).
      {"low TVP", pure(kPentane), t3, 0, kSet, (1.0 - 5.0 / 100.0) * 3.0},
      {"entry status", butane, 300.0, 1, kSet, 0.96 * 300.0 * kPsi},
  };
  for (const Case& c : cases) {
    for (const std::int32_t m : {3, 4, 5, 6}) {
      SCOPED_TRACE(testing::Message() << c.label << " method " << m);
      std::int32_t ier = c.ier;
      const double value = rvp(m, c.x, c.tvp, ier, c.set);
      if (c.expected == services::DMISS) {
        EXPECT_EQ(value, services::DMISS);
      } else {
        EXPECT_NEAR(value, c.expected, 1e-6 * std::max(1.0, std::abs(c.expected)));
      }
      EXPECT_EQ(ier, c.ier);
      EXPECT_EQ(problem::SRPSET.set2.stream, feed);
      EXPECT_EQ(problem::THCTL.currentSet, kSet);
    }
  }
}

// ---------------------------------------------------------------------------------------
// Scripted flashes: what every algorithm of the router returns.
// ---------------------------------------------------------------------------------------
struct Script {
  double failFrom = 1.0e9;     // K: flashes at or above it fail
  bool failWithAir = false;    // flashes of a feed holding air fail
  double chilledVapour = 0.0;  // vapour fraction below 300 K
  double hotVapour = 0.0;      // at or above it
};
Script script;

void scripted(flash::IsothermalFlash& a) {
  const bool air = a.Z[kAir] > 0.0;
  if (a.T >= script.failFrom || (script.failWithAir && air)) {
    a.IFFAIL = flash::kFlashFailed;
    return;
  }
  const double vf = a.T < 300.0 ? script.chilledVapour : script.hotVapour;
  a.FVAPOR = vf;
  a.FLIQHC = a.FTOTLQ = 1.0 - vf;
  a.FWATER = 0.0;
  for (std::size_t i = 0; i < a.Z.size(); ++i) {
    a.XK[i] = 1.0;
    a.X[i] = a.Y[i] = a.Z[i];
  }
  a.ZV = 0.9;
  a.ZL = 0.01;
  a.IFFAIL = flash::kFlashSolved;
}
// The script in force: every algorithm of the router runs it.
void (*scriptBody)(flash::IsothermalFlash&) = &scripted;
void scriptedT(flash::IsothermalFlash& a) { scriptBody(a); }
void scriptedN(flash::IsothermalFlash& a, const flash::TwoPhaseWork&, std::int32_t) {
  scriptBody(a);
}
void scriptedC(flash::IsothermalFlash& a, std::int32_t&, const flash::TwoPhaseWork&,
               const flash::NewtonWork&, std::int32_t) {
  scriptBody(a);
}
void scriptedP(flash::IsothermalFlash& a, std::span<double>, std::span<double>, std::span<double>,
               std::span<double>) {
  scriptBody(a);
}
// The router's algorithms replaced by BODY while the result lives.
flash::FlashAlgorithms scriptedAlgorithms(void (*body)(flash::IsothermalFlash&)) {
  scriptBody = body;
  flash::FlashAlgorithms doubles;
  doubles.flasht = &scriptedT;
  doubles.flashn = &scriptedN;
  doubles.flashc = &scriptedC;
  doubles.flashp = &scriptedP;
  return doubles;
}

// Each failure status with the value it leaves: the preset 0.96 TVP (in psi, the exact
// factor on SPERV1's entry), the warning issued, and the entry streams and set current again.
TEST_F(ReidFlash, EachFailureStatusKeepsThePreset) {
  const flash::ScopedFlashAlgorithms scoped(scriptedAlgorithms(&scripted));
  const std::int32_t feed = problem::ISRNO("FEED");
  problem::SRSET(feed, 0);
  constexpr double kTvp = 300.0;  // kPa, above the low-pressure formula
  const std::array<double, kComponents> mixture = {0.5, 0.0, 0.5, 0.0, 0.0};  // no air
  struct Case {
    const char* label;
    Script script;
    std::int32_t method;
    ReidStatus status;
    bool warning;
  };
  const Case cases[] = {
      {"chilled flash fails, process", {0.0}, 3, ReidStatus::ChilledFlashFailed, true},
      {"chilled flash fails, D323", {0.0}, 4, ReidStatus::ChilledFlashFailed, true},
      {"air saturation fails", {1.0e9, true}, 5, ReidStatus::SaturationFlashFailed, true},
      {"hot flash fails, process", {300.0}, 3, ReidStatus::HotFlashFailed, true},
      {"hot flash fails, D5191", {300.0}, 6, ReidStatus::HotFlashFailed, true},
      // Vapour when chilled (so little liquid, a small hot volume), all liquid when hot.
      {"vapour lost", {1.0e9, false, 0.9, 0.0}, 3, ReidStatus::VapourLost, false},
      // A volume that no pressure changes: the search runs out of iterations.
      {"iteration cap", {1.0e9, false, 0.0, 0.0}, 4, ReidStatus::NotConverged, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    script = c.script;
    const std::int32_t warnings = services::ERCNTS.perLevel(2);
    std::int32_t ier = 0;
    const double value = rvp(c.method, mixture, kTvp, ier);
    EXPECT_EQ(ier, static_cast<std::int32_t>(c.status));
    const double psi = c.method == 3 ? 0.14503729343414307 : kPsi;
    EXPECT_DOUBLE_EQ(value, 0.96 * kTvp * psi);
    EXPECT_EQ(services::ERCNTS.perLevel(2) - warnings, c.warning ? 1 : 0);
    EXPECT_EQ(problem::SRPSET.set2.stream, feed);
    EXPECT_EQ(problem::THCTL.currentSet, kSet);
  }
}

// A sample whose hot volume falls in one step at the TVP and is flat at every other
// pressure, above the hot volume on both sides: chilled, nine tenths of it is vapour (so the
// hot volume is half a liquid volume); hot, it is liquid with a trace of vapour (which keeps
// the vapour present and adds nothing to the volume), n-pentane below the TVP and the
// smaller n-butane from it on. The liquid volumes are Rackett volumes, which do not depend
// on the pressure.
constexpr double kSteppedAt = 300.0;  // kPa, also the TVP handed in
std::int32_t hotFlashes = 0;
void steppedVolume(flash::IsothermalFlash& a) {
  const bool chilled = a.T < 300.0;
  if (!chilled) ++hotFlashes;
  const double vf = chilled ? 0.9 : 1.0e-30;
  a.FVAPOR = vf;
  a.FLIQHC = a.FTOTLQ = 1.0 - vf;
  a.FWATER = 0.0;
  const std::size_t liquid = a.P < kSteppedAt ? kPentane : kButane;
  for (std::size_t i = 0; i < a.Z.size(); ++i) {
    a.XK[i] = 1.0;
    a.Y[i] = a.Z[i];
    a.X[i] = chilled ? a.Z[i] : (i == liquid ? 1.0 : 0.0);
  }
  a.ZV = 0.9;
  a.ZL = 0.01;
  a.IFFAIL = flash::kFlashSolved;
}

// The search starts at 0.95 TVP, below the step, and its next pressure, 1.1 times that, lies
// beyond it; the secant through the two then runs along the flat part, where the residuals
// of the three kept points are equal and every step lands between two of them: the steps
// shrink fivefold a pass and never find a sign change. The sixth step below 0.0001 psi
// without a bracket ends the search with status 8, the preset RVP and the warning, before
// the iteration cap.
TEST_F(ReidFlashWithoutAir, ASearchThatCreepsWithoutABracketGivesUp) {
  const flash::ScopedFlashAlgorithms scoped(scriptedAlgorithms(&steppedVolume));
  const std::int32_t feed = problem::ISRNO("FEED");
  problem::SRSET(feed, 0);
  const std::array<double, kComponents> mixture = {0.5, 0.0, 0.5, 0.0, 0.0};
  hotFlashes = 0;
  const std::int32_t warnings = services::ERCNTS.perLevel(2);
  std::int32_t ier = 0;
  const double value = rvp(3, mixture, kSteppedAt, ier, kRackettSet);
  EXPECT_EQ(ier, static_cast<std::int32_t>(ReidStatus::StepTooSmall));
  EXPECT_DOUBLE_EQ(value, 0.96 * kSteppedAt * 0.14503729343414307);
  EXPECT_EQ(services::ERCNTS.perLevel(2) - warnings, 1);
  EXPECT_LT(hotFlashes, 20);
  EXPECT_EQ(problem::SRPSET.set2.stream, feed);
  EXPECT_EQ(problem::THCTL.currentSet, kSet);
}

}  // namespace
}  // namespace streamprops
