// The stream flash driver SFLDRV on a stream of a 10-component natural gas with a
// Peng-Robinson set: the isothermal flash with its balance and state word, the round trips
// of the adiabatic, dew and bubble kinds against an isothermal flash, the statuses of the
// calls that flash nothing, and the external-method path that must not pass for a flash.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "flash_support.hpp"
#include "flash/stream_flash.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "support/allocation_counter.hpp"
#include "services/services.hpp"

namespace {

namespace m = problem::srmain;
using flash::SFLDRV;
using flash::StreamFlashStatus;

constexpr std::int32_t kSet = 1;
constexpr std::int32_t kWaterSet = 2;
constexpr std::int32_t kWaterComponent = 10;
const std::vector<std::string> kComponents{"NITROGEN", "CARBON DIOXIDE", "HYDROGEN SULFIDE",
                                           "METHANE",  "ETHANE",         "PROPANE",
                                           "N-BUTANE", "N-PENTANE",      "N-HEXANE",
                                           "WATER"};
const std::vector<double> kFeed{0.010, 0.020, 0.005, 0.800, 0.080,
                                0.040, 0.020, 0.010, 0.005, 0.010};

constexpr std::int32_t code(StreamFlashStatus s) { return static_cast<std::int32_t>(s); }

// A specification on a phase fraction (property CODE) of the stream being flashed, with
// target VALUE and its own relative tolerance.
fixtures::SpecificationSpec fractionSpecification(const std::string& id, std::int32_t code,
                                                  double value) {
  constexpr std::size_t kOperandWords = 40;
  fixtures::SpecificationSpec s;
  s.identifier = id;
  std::vector<std::int32_t> header(10, 0);
  std::vector<std::int32_t> first(kOperandWords, 0), second(kOperandWords, 0), result(kOperandWords, 0);
  first[0] = 1;     // a property of the stream
  first[10] = 210;  // options: hundreds digit 2, tens digit 1
  first[12] = code;
  s.record.integers = {header, first, second, result};
  std::vector<double> reals(20, 0.0);
  reals[0] = value;
  reals[3] = 1e-4;
  s.record.reals = {reals};
  s.record.system = {{0, 0}};
  return s;
}

class StreamFlash : public ::testing::Test {
 protected:
  void open(const fixtures::MethodSetSpec& set) {
    fixtures::ProblemDescription d;
    d.name = "sfldrv";
    d.components = flash_test::components(kComponents);
    // Set 2 decants free water of component 10.
    d.methodSets = {flash_test::withEquationEntropies(set),
                    flash_test::withEquationEntropies(
                        flash_test::pengRobinsonSet("PR-WATER", kWaterComponent))};
    d.correlationSets = {flash_test::idealGasStandIns(kComponents.size())};
    for (const char* name : {"FEED", "EMPTY"}) {
      fixtures::StreamSpec s;
      s.name = name;
      s.temperature = 300.0;
      s.pressure = 5000.0;
      s.rate = std::string(name) == "FEED" ? 100.0 : 0.0;
      s.composition = kFeed;
      s.integerWords = {{20, kSet}};
      d.streams.push_back(s);
    }
    fixtures::StreamSpec water;
    water.name = "WATER";
    water.temperature = 300.0;
    water.pressure = 101.325;
    water.rate = 5.0;
    water.composition.assign(kFeed.size(), 0.0);
    water.composition[kWaterComponent - 1] = 1.0;
    water.integerWords = {{20, kWaterSet}};
    d.streams.push_back(water);
    // Specifications 1 and 2: a vapour fraction of 0.4 and a liquid fraction of 0.3 of the
    // stream itself.
    d.flowsheet.specifications = {fractionSpecification("VF", 219, 0.4),
                                  fractionSpecification("LF", 225, 0.3)};
    problem_ = std::make_unique<flash_test::OpenProblem>(dir_, d);
    feed_ = problem::ISRNO("FEED");
  }
  void SetUp() override { open(flash_test::pengRobinsonSet("PENG-ROB")); }
  void TearDown() override { problem_.reset(); }

  std::int32_t flash(std::int32_t kind, std::int32_t itpfix, double t, double p,
                     double specv = 0.0, std::int32_t stream = 0) {
    std::int32_t istat = -1;
    SFLDRV(stream > 0 ? stream : feed_, itpfix, kind, 0, specv, 0, 0, t, p, istat);
    return istat;
  }
  static double h(std::int32_t k) { return problem::MainRecord(problem::SRPSET.set2).real(k); }
  static double v(std::int32_t vec, std::size_t i) {
    return problem::MainRecord(problem::SRPSET.set2).vector(vec, static_cast<std::int32_t>(i + 1));
  }
  static std::int32_t state() {
    return problem::MainRecord(problem::SRPSET.set2).integer(m::kFlashWord);
  }

  // Per component, V y + L x + W w = z, and each phase's fractions add up to 1.
  static void expectBalance(double tol) {
    const double fv = h(m::kVapourFraction), fl = h(m::kLiquidFraction);
    const double fw = h(m::kWaterFraction);
    double sy = 0.0, sx = 0.0;
    for (std::size_t i = 0; i < kFeed.size(); ++i) {
      SCOPED_TRACE(i + 1);
      const double water = problem::THCTL.idecnt == static_cast<std::int32_t>(i + 1) ? fw : 0.0;
      EXPECT_NEAR(fv * v(m::kVapour, i) + fl * v(m::kLiquid, i) + water, kFeed[i], tol);
      sy += v(m::kVapour, i);
      sx += v(m::kLiquid, i);
    }
    if (fv > 0.0) {
      EXPECT_NEAR(sy, 1.0, tol);
    }
    if (fl > 0.0) {
      EXPECT_NEAR(sx, 1.0, tol);
    }
    EXPECT_NEAR(fv + fl + fw, 1.0, tol);
  }

  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
  std::unique_ptr<flash_test::OpenProblem> problem_;
  std::int32_t feed_ = 0;
};

TEST_F(StreamFlash, IsothermalSplitsTheGasAndMarksItFlashed) {
  ASSERT_EQ(flash(1, 0, 233.15, 5000.0), code(StreamFlashStatus::Flashed));
  EXPECT_EQ(problem::SRPSET.set2.stream, feed_);
  EXPECT_EQ(h(m::kTemperature), 233.15);
  EXPECT_EQ(h(m::kPressure), 5000.0);
  EXPECT_GT(h(m::kVapourFraction), 0.5);
  EXPECT_LT(h(m::kVapourFraction), 1.0);
  EXPECT_EQ(state(), 10002000);
  expectBalance(1e-6);
  // The stream's enthalpy is the phase-weighted sum of the phase enthalpies.
  EXPECT_NEAR(h(m::kEnthalpy),
              h(m::kVapourFraction) * h(m::kVapourEnthalpy) +
                  h(m::kLiquidFraction) * h(m::kLiquidEnthalpy) +
                  h(m::kWaterFraction) * h(m::kWaterEnthalpy),
              1e-9 * std::abs(h(m::kEnthalpy)) + 1e-9);
  // The light ends go to the vapour, the heavy ones to the liquid.
  EXPECT_GT(v(m::kVapour, 3) / v(m::kLiquid, 3), 1.0);
  EXPECT_LT(v(m::kVapour, 8) / v(m::kLiquid, 8), 1.0);
}

TEST_F(StreamFlash, AdiabaticFlashAtTheSameEnthalpyFindsTheSameTemperature) {
  ASSERT_EQ(flash(1, 0, 233.15, 5000.0), 0);
  const double fv = h(m::kVapourFraction);
  // The stream's enthalpy stays; only its temperature is moved before the search.
  ASSERT_EQ(flash(2, 1, 260.0, 0.0), 0);
  EXPECT_NEAR(h(m::kTemperature), 233.15, 0.01);
  EXPECT_NEAR(h(m::kVapourFraction), fv, 1e-4);
  expectBalance(1e-6);
  // A duty per unit of rate time raises the enthalpy by duty / rate.
  const double h0 = h(m::kEnthalpy);
  ASSERT_EQ(flash(2, 1, 0.0, 0.0, 100.0 * 500.0), 0);
  EXPECT_NEAR(h(m::kEnthalpy), h0 + 500.0, 1e-4 * std::abs(h0) + 0.5);
  EXPECT_GT(h(m::kTemperature), 233.15);
}

TEST_F(StreamFlash, DewAndBubblePointsBoundTheTwoPhaseRegion) {
  struct Case {
    std::int32_t kind;
    double fraction;  // the vapour fraction at the point
  };
  for (const Case c : {Case{8, 1.0}, Case{11, 0.0}}) {
    SCOPED_TRACE(c.kind);
    ASSERT_EQ(flash(c.kind, 1, 233.15, 2000.0), 0);
    const double t = h(m::kTemperature);
    EXPECT_NEAR(h(m::kVapourFraction), c.fraction, 1e-6);
    expectBalance(1e-6);
    // An isothermal flash a little inside the region gives two phases; a little outside, one.
    const double inside = c.kind == 8 ? t - 0.5 : t + 0.5;
    const double outside = c.kind == 8 ? t + 0.5 : t - 0.5;
    ASSERT_EQ(flash(1, 0, inside, 2000.0), 0);
    EXPECT_GT(h(m::kVapourFraction), 0.0);
    EXPECT_LT(h(m::kVapourFraction), 1.0);
    ASSERT_EQ(flash(1, 0, outside, 2000.0), 0);
    EXPECT_NEAR(h(m::kVapourFraction), c.fraction, 1e-9);
  }
}

TEST_F(StreamFlash, FractionAndEntropyKindsMeetTheirTargets) {
  ASSERT_EQ(flash(1, 0, 233.15, 5000.0), 0);
  std::int32_t ierr = -1;
  flash::STOTFL(ierr);
  ASSERT_EQ(ierr, 0);
  const double entropy = h(flash::totals::kEntropy);
  // The isentropic kind at the stream's own entropy returns to its temperature.
  ASSERT_EQ(flash(3, 1, 260.0, 0.0), 0);
  EXPECT_NEAR(h(m::kTemperature), 233.15, 0.02);
  EXPECT_NEAR(h(flash::totals::kEntropy), entropy, 1e-4 * std::abs(entropy) + 1e-3);
  // The vapour-fraction kind finds the temperature of the fraction asked for; the liquid-
  // fraction kind that of one minus it.
  struct Case {
    std::int32_t kind;
    double specv, vapour;
  };
  for (const Case c : {Case{7, 0.5, 0.5}, Case{7, 0.9, 0.9}, Case{5, 0.3, 0.7}}) {
    SCOPED_TRACE(c.kind * 10 + c.specv);
    ASSERT_EQ(flash(c.kind, 1, 233.15, 2000.0, c.specv), 0);
    EXPECT_NEAR(h(m::kVapourFraction), c.vapour, 0.01);
    // The held fraction is met to the fraction tolerance (0.01 relative), the split at it
    // to the flash function's tolerance: the balance holds to a part in a thousand.
    expectBalance(1e-3);
  }
}

TEST_F(StreamFlash, SpecificationOnAPhaseFractionIsAFractionFlash) {
  struct Case {
    std::int32_t spec;
    double vapour;
  };
  for (const Case c : {Case{1, 0.4}, Case{2, 0.7}}) {
    SCOPED_TRACE(c.spec);
    std::int32_t istat = -1;
    SFLDRV(feed_, 1, 12, c.spec, 0.0, 0, 0, 233.15, 2000.0, istat);
    ASSERT_EQ(istat, 0);
    EXPECT_EQ(problem::SRPSET.set2.stream, feed_);
    EXPECT_NEAR(h(m::kVapourFraction), c.vapour, 0.01);
    EXPECT_EQ(h(m::kPressure), 2000.0);
  }
}

TEST_F(StreamFlash, WaterAloneThatComesOutLiquidIsFreeWater) {
  ASSERT_EQ(flash(1, 0, 300.0, 101.325, 0.0, problem::ISRNO("WATER")), 0);
  EXPECT_EQ(problem::THCTL.currentSet, kWaterSet);
  EXPECT_EQ(h(m::kWaterFraction), 1.0);
  EXPECT_EQ(h(m::kLiquidFraction), 0.0);
  EXPECT_EQ(h(m::kVapourFraction), 0.0);
  // Above its boiling point the same water is vapour.
  ASSERT_EQ(flash(1, 0, 400.0, 101.325, 0.0, problem::ISRNO("WATER")), 0);
  EXPECT_EQ(h(m::kVapourFraction), 1.0);
  EXPECT_EQ(h(m::kWaterFraction), 0.0);
}

TEST_F(StreamFlash, CallsThatFlashNothingSaySoAndLeaveThePhases) {
  ASSERT_EQ(flash(1, 0, 233.15, 5000.0), 0);
  const double fv = h(m::kVapourFraction);
  struct Case {
    std::int32_t kind, itpfix, stream;
    StreamFlashStatus status;
  };
  const std::int32_t empty = problem::ISRNO("EMPTY");
  for (const Case c : {Case{0, 0, feed_, StreamFlashStatus::BadKind},
                       Case{13, 0, feed_, StreamFlashStatus::BadKind},
                       Case{1, 3, feed_, StreamFlashStatus::BadFixedWord},
                       Case{1, -1, feed_, StreamFlashStatus::BadFixedWord},
                       Case{1, 0, empty, StreamFlashStatus::NoFlow},
                       Case{8, 1, empty, StreamFlashStatus::NoFlow}}) {
    SCOPED_TRACE(c.kind * 100 + c.itpfix);
    EXPECT_EQ(flash(c.kind, c.itpfix, 0.0, 0.0, 0.0, c.stream), code(c.status));
    EXPECT_EQ(problem::SRPSET.set2.stream, c.stream);
    if (c.stream == feed_) {
      EXPECT_EQ(h(m::kVapourFraction), fv);
    }
  }
}

TEST_F(StreamFlash, WarmRepeatsAllocateNothing) {
  // Warm: the driver's vectors, the record layouts and the disk-record images are got.
  ASSERT_EQ(flash(1, 0, 233.15, 5000.0), 0);
  ASSERT_EQ(flash(2, 1, 240.0, 0.0), 0);
  const std::size_t before = testing_support::allocationCount();
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(flash(1, 0, 233.15, 5000.0), 0);
    ASSERT_EQ(flash(2, 1, 240.0, 0.0), 0);
  }
  EXPECT_EQ(testing_support::allocationCount() - before, 0U);
}

// A set whose K-value method is served outside the library: no flash is made, so the driver
// must not report one.
TEST(StreamFlashExternal, ExternalKValueMethodIsAFailureNotAFlash) {
  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  fixtures::ProblemDescription d;
  d.name = "external";
  d.components = flash_test::components({"METHANE", "PROPANE"});
  fixtures::MethodSetSpec set = flash_test::pengRobinsonSet("EXTERNAL");
  d.methodSets = {set};
  fixtures::StreamSpec s;
  s.name = "FEED";
  s.temperature = 250.0;
  s.pressure = 2000.0;
  s.rate = 10.0;
  s.composition = {0.7, 0.3};
  s.integerWords = {{20, kSet}};
  d.streams = {s};
  flash_test::OpenProblem open(dir, d);
  const std::int32_t n = problem::ISRNO("FEED");
  problem::SRSET(n, 0);
  flash_test::useSet(kSet);
  // The set's K-value slot names an external method once loaded.
  methods::MSPTRS.classes(1).code = 601;
  std::int32_t istat = -1;
  // FLMSET reloads nothing for the current set, so the external code stays in place.
  SFLDRV(n, 0, 1, 0, 0.0, 0, 0, 250.0, 2000.0, istat);
  EXPECT_EQ(istat, static_cast<std::int32_t>(StreamFlashStatus::Failed));
  problem::MainRecord r(problem::SRPSET.set2);
  EXPECT_EQ(r.integer(m::kFlashWord), 0);
  EXPECT_EQ(r.real(m::kVapourFraction), 1.0);
  EXPECT_EQ(r.vector(m::kVapour, 1), 0.7);
  EXPECT_EQ(r.vector(m::kVapour, 2), 0.3);
}

}  // namespace
