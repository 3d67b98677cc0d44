// PHPROP and the argument checks of UFLSH on an opened problem with a Peng-Robinson set.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "api/flash/stream_vector.hpp"
#include "flash_support.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/correlation_sets.hpp"
#include "thermo/pure/pure.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "thermo/phase/phase_drivers.hpp"

namespace {

using api_flash::PHPROP;
using api_flash::PhasePropertyStatus;
using api_flash::UFLSH;
using api_flash::VectorFlashStatus;
using api_flash::VolumeFlowStatus;
using api_flash::VPASSM;
namespace sv = api_flash::strvec;

constexpr std::int32_t kSet = 1;

// Ideal-gas enthalpies H = c1 + c2 T + c3 T^2 (kJ/kmol) of the three components: smooth
// stand-ins, enough for identities between the drivers and the stream-vector call.
const std::vector<std::vector<double>> kIdealGas = {
    {0.0, 30.0, 0.02}, {100.0, 60.0, 0.05}, {-50.0, 90.0, 0.08}};

fixtures::CorrelationSetBlock idealGasSet() {
  correlation_testing::startRun();
  std::vector<correlation_testing::Record> records;
  for (std::size_t i = 0; i < kIdealGas.size(); ++i) {
    correlation_testing::Record r;
    r.component = static_cast<std::int32_t>(i + 1);
    r.coefficients = kIdealGas[i];
    records.push_back(r);
  }
  std::int32_t length = 0;
  const std::int32_t area = correlation_testing::buildSet(records, length);
  fixtures::CorrelationSetBlock set{pure::kIdealGasEnthalpy, 1, {}};
  const std::span<const std::int32_t> words = storage::CORSTO.words(area + 1, length);
  set.words.assign(words.begin(), words.end());
  return set;
}

class PhaseProperty : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "phprop";
    d.components = flash_test::components({"METHANE", "PROPANE", "N-PENTANE"});
    d.methodSets = {flash_test::withEquationEntropies(flash_test::pengRobinsonSet("PR"))};
    d.correlationSets = {idealGasSet()};
    problem_ = std::make_unique<flash_test::OpenProblem>(dir_, d);
    flash_test::useSet(kSet);
  }
  void TearDown() override { problem_.reset(); }

  // A stream vector of AMOUNTS (set 5 rate units) at T (K) and P (kPa).
  static std::vector<float> vector(const std::vector<double>& amounts, double t, double p) {
    std::vector<float> v(sv::kHeaderWords + amounts.size(), 0.0F);
    double rate = 0.0;
    for (std::size_t i = 0; i < amounts.size(); ++i) {
      v[sv::kHeaderWords + i] = static_cast<float>(amounts[i]);
      rate += amounts[i];
    }
    v[sv::kRate - 1] = static_cast<float>(rate);
    v[sv::kTemperature - 1] = static_cast<float>(
        services::UOMCNV(t, sv::kTemperatureClass, sv::kInternalSet, sv::kVectorSet));
    v[sv::kPressure - 1] = static_cast<float>(
        services::UOMCNV(p, sv::kPressureClass, sv::kInternalSet, sv::kVectorSet));
    return v;
  }

  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
  std::unique_ptr<flash_test::OpenProblem> problem_;
};

TEST_F(PhaseProperty, RefusesBadArgumentsAndStatesWithZeroResults) {
  struct Case {
    std::string name;
    std::int32_t kind, phase;
    std::vector<float> vec;
    PhasePropertyStatus status;
  };
  const std::vector<double> gas = {0.8, 0.15, 0.05};
  auto negative = vector(gas, 300.0, 100.0);
  negative[sv::kHeaderWords + 1] = -0.01F;
  auto negativeRate = vector(gas, 300.0, 100.0);
  negativeRate[sv::kRate - 1] = -1.0F;
  const std::vector<Case> cases = {
      {"kind 0", 0, 1, vector(gas, 300.0, 100.0), PhasePropertyStatus::BadKind},
      {"kind 4", 4, 1, vector(gas, 300.0, 100.0), PhasePropertyStatus::BadKind},
      {"phase 3", 1, 3, vector(gas, 300.0, 100.0), PhasePropertyStatus::BadPhase},
      {"0.5 K", 1, 1, vector(gas, 0.5, 100.0), PhasePropertyStatus::OutOfRange},
      {"3500 K", 3, 1, vector(gas, 3500.0, 100.0), PhasePropertyStatus::OutOfRange},
      {"pressure below range", 1, 2, vector(gas, 300.0, 1e-5), PhasePropertyStatus::OutOfRange},
      {"negative amount", 1, 1, negative, PhasePropertyStatus::OutOfRange},
      {"negative rate", 3, 2, negativeRate, PhasePropertyStatus::OutOfRange},
      {"vector too short", 1, 1, std::vector<float>(sv::kHeaderWords + 2, 1.0F),
       PhasePropertyStatus::OutOfRange},
      // A zero rate is no failure, whatever the state.
      {"zero rate", 1, 1, vector({0.0, 0.0, 0.0}, 5000.0, 100.0), PhasePropertyStatus::Ok},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    float res = 7.0F, res2 = 7.0F;
    std::int32_t ierr = -1;
    PHPROP(c.kind, c.phase, c.vec, res, res2, ierr);
    EXPECT_EQ(ierr, static_cast<std::int32_t>(c.status));
    EXPECT_EQ(res, 0.0F);
    EXPECT_EQ(res2, 0.0F);
  }
}

TEST_F(PhaseProperty, EnthalpyIsTheRateTimesTheDriversMolarValueInVectorUnits) {
  // Amounts that do not sum to one: the drivers see mole fractions, the result scales with
  // the rate while the heat capacity does not.
  const std::vector<double> amounts = {1.6, 0.3, 0.1};
  for (std::int32_t phaseCode : {1, 2}) {
    SCOPED_TRACE(phaseCode);
    const double t = phaseCode == 1 ? 350.0 : 250.0, p = phaseCode == 1 ? 200.0 : 3000.0;
    float res = 0.0F, res2 = 0.0F;
    std::int32_t ierr = -1;
    PHPROP(1, phaseCode, vector(amounts, t, p), res, res2, ierr);
    ASSERT_EQ(ierr, 0);
    float half = 0.0F, half2 = 0.0F;
    std::vector<double> halved = amounts;
    for (double& a : halved) a *= 0.5;
    PHPROP(1, phaseCode, vector(halved, t, p), half, half2, ierr);
    ASSERT_EQ(ierr, 0);
    EXPECT_NEAR(half, 0.5F * res, 1e-5 * std::abs(res));
    EXPECT_NEAR(half2, res2, 1e-5 * std::abs(res2));

    const std::vector<double> x = {0.8, 0.15, 0.05};
    double h = 0.0, cp = 0.0, hw = 0.0, cpw = 0.0, z = 0.0, residual = 0.0;
    std::int32_t status = 0, noComposition = 0;
    (phaseCode == 1 ? phase::HVAPDR : phase::HLIQDR)(3, t, p, x, h, cp, hw, cpw, z, 1, status,
                                                     noComposition, residual);
    const double rate = services::UOMCNV(2.0, sv::kRateClass, sv::kVectorSet, sv::kInternalSet);
    const double expected = 1000.0 * services::UOMCNV(rate * h, sv::kTotalEnthalpyClass,
                                                      sv::kInternalSet, sv::kVectorSet);
    EXPECT_NEAR(res, expected, 1e-5 * std::abs(expected) + 1e-3);
    EXPECT_NEAR(res2, services::UOMCNV(cp, sv::kHeatCapacityClass, sv::kInternalSet,
                                       sv::kVectorSet),
                1e-5 * std::abs(cp));
  }
}

TEST_F(PhaseProperty, CompressibilityFactorOfAGasAndALiquid) {
  // A dilute gas tends to the ideal gas; the second virial estimate Z = 1 + B P / (R T) with
  // B of methane at 300 K, -42 cm3/mol (Dymond and Smith, The Virial Coefficients of Pure
  // Gases and Mixtures, 1980), allows for the rest at 100 kPa.
  float z = 0.0F, unused = 0.0F;
  std::int32_t ierr = -1;
  const std::int32_t before = problem::SRPSET.set2.stream;
  PHPROP(3, 1, vector({1.0, 0.0, 0.0}, 300.0, 100.0), z, unused, ierr);
  ASSERT_EQ(ierr, 0);
  const double virial = 1.0 + (-42e-3) * 100.0 / (phase::kGasConstant * 300.0);
  EXPECT_NEAR(z, virial, 1e-3);
  EXPECT_EQ(problem::SRPSET.set2.stream, before);

  // Liquid n-pentane at 300 K and 1000 kPa: about 8.6 kmol/m3 (NIST WebBook), so
  // Z = P / (rho R T) is near 0.047; a cubic equation is within 15 percent of it.
  PHPROP(3, 2, vector({0.0, 0.0, 1.0}, 300.0, 1000.0), z, unused, ierr);
  ASSERT_EQ(ierr, 0);
  const double zLiquid = 1000.0 / (8.6 * phase::kGasConstant * 300.0);
  EXPECT_NEAR(z, zLiquid, 0.15 * zLiquid);
}

TEST_F(PhaseProperty, VectorFlashFailuresLeaveEveryWordZeroAndTheStreamAsItWas) {
  struct Case {
    std::string name;
    std::int32_t type;
    double rate;
    VectorFlashStatus status;
    double firstAmount = 0.5;
  };
  // An infinite rate, an amount that is infinite or not a number, and a rate so near the
  // largest single-precision value that the products' total enthalpies are beyond it once
  // came through the flash into the products under status 0.
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const std::vector<Case> cases = {
      {"type 0", 0, 1.0, VectorFlashStatus::BadType},
      {"type 12", 12, 1.0, VectorFlashStatus::BadType},
      {"zero rate", 1, 0.0, VectorFlashStatus::NoRate},
      {"negative rate", 3, -1.0, VectorFlashStatus::NoRate},
      {"infinite rate", 1, kInf, VectorFlashStatus::NoRate},
      {"rate beyond the products' single precision", 1, 3e38, VectorFlashStatus::Failed},
      {"infinite amount", 1, 1.0, VectorFlashStatus::Failed, kInf},
      {"negative infinite amount", 7, 1.0, VectorFlashStatus::Failed, -kInf},
      {"amount not a number", 1, 1.0, VectorFlashStatus::Failed,
       std::numeric_limits<double>::quiet_NaN()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<float> feed = vector({0.5, 0.3, 0.2}, 300.0, 500.0);
    feed[sv::kRate - 1] = static_cast<float>(c.rate);
    feed[sv::kHeaderWords] = static_cast<float>(c.firstAmount);
    std::vector<float> vap(13, 9.0F), liq(13, 9.0F), wat(13, 9.0F), k(3, 9.0F);
    std::int32_t ierr = -1;
    const std::int32_t before = problem::SRPSET.set2.stream;
    UFLSH(feed, vap, liq, wat, k, c.type, ierr);
    EXPECT_EQ(ierr, static_cast<std::int32_t>(c.status));
    for (const auto* v : {&vap, &liq, &wat, &k}) {
      for (float w : *v) EXPECT_EQ(w, 0.0F);
    }
    EXPECT_EQ(problem::SRPSET.set2.stream, before);
  }
}

TEST_F(PhaseProperty, VolumeFlowsOfAGasAndALiquidPerUnitRate) {
  // Methane at 300 K and 100 kPa: V = Z R T / P per kmol with the second virial Z (as
  // above); n-pentane liquid at 300 K and 1000 kPa: 1/8.6 m3 per kmol (NIST WebBook) within
  // the 15 percent of a cubic equation. The rate of 2 doubles both.
  struct Case {
    std::string name;
    std::int32_t phase;
    std::vector<double> amounts;
    double p;
    double perKmol;  // m3/kmol, set 1
    double tolerance;
    std::int32_t volumeClass;
  };
  const double zGas = 1.0 + (-42e-3) * 100.0 / (phase::kGasConstant * 300.0);
  const std::vector<Case> cases = {
      {"methane vapour", 1, {2.0, 0.0, 0.0}, 100.0, zGas * phase::kGasConstant * 300.0 / 100.0,
       1e-3, 17},
      {"pentane liquid", 2, {0.0, 0.0, 2.0}, 1000.0, 1.0 / 8.6, 0.15, 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    float dry = -1.0F, wet = -1.0F;
    std::int32_t ierr = -1;
    const std::int32_t before = problem::SRPSET.set2.stream;
    VPASSM(c.phase, vector(c.amounts, 300.0, c.p), dry, wet, ierr);
    ASSERT_EQ(ierr, 0);
    const double rate = services::UOMCNV(2.0, sv::kRateClass, sv::kVectorSet, sv::kInternalSet);
    const double v = services::UOMCNV(wet, c.volumeClass, sv::kVectorSet, sv::kInternalSet);
    EXPECT_NEAR(v / rate, c.perKmol, c.tolerance * c.perKmol);
    // Without water the dry flow is the wet flow.
    EXPECT_NEAR(dry, wet, 1e-5 * wet);
    EXPECT_EQ(problem::SRPSET.set2.stream, before);
  }
}

TEST_F(PhaseProperty, VolumeFlowsRefuseABadPhaseAndNeverReturnANonFiniteFlow) {
  float dry = -1.0F, wet = -1.0F;
  std::int32_t ierr = -1;
  VPASSM(3, vector({1.0, 0.0, 0.0}, 300.0, 100.0), dry, wet, ierr);
  EXPECT_EQ(ierr, static_cast<std::int32_t>(VolumeFlowStatus::BadPhase));
  EXPECT_EQ(wet, 0.0F);
  // A rate with no amounts behind it: whatever the density driver makes of it, the flows are
  // finite, and a failure is reported rather than a flow divided by a zero density.
  for (std::int32_t phaseCode : {1, 2}) {
    SCOPED_TRACE(phaseCode);
    std::vector<float> empty = vector({0.0, 0.0, 0.0}, 300.0, 100.0);
    empty[sv::kRate - 1] = 1.0F;
    VPASSM(phaseCode, empty, dry, wet, ierr);
    EXPECT_TRUE(std::isfinite(dry));
    EXPECT_TRUE(std::isfinite(wet));
    if (ierr != 0) {
      EXPECT_EQ(ierr, static_cast<std::int32_t>(VolumeFlowStatus::DensityFailed));
      EXPECT_EQ(wet, 0.0F);
    }
  }
}

TEST_F(PhaseProperty, RepeatedVectorFlashesKeepTheCallersStreamAndNeverRunOutOfSlots) {
  // Every call creates and deletes a temporary stream and makes the caller's stream current
  // again; a lock level that grew with each call would exhaust the slots long before the end.
  std::int32_t caller = 0, istat = 0;
  problem::SRCREA(2, "FEED", caller, istat);
  ASSERT_EQ(problem::SRPSET.set2.stream, caller);
  const std::vector<float> feed = vector({0.5, 0.3, 0.2}, 300.0, 500.0);
  std::vector<float> vap(13), liq(13), wat(13), k(3);
  for (int call = 0; call < 10000; ++call) {
    std::int32_t ierr = -1;
    UFLSH(feed, vap, liq, wat, k, 1 + call % 11, ierr);
    ASSERT_EQ(problem::SRPSET.set2.stream, caller) << "call " << call;
    // A refused or failed flash leaves nothing but zeros.
    if (ierr != 0) {
      for (float w : vap) ASSERT_EQ(w, 0.0F);
    }
  }
}

TEST(VectorFlashWithoutProblem, ReportsNoProblem) {
  std::vector<float> feed(13, 1.0F), vap(13), liq(13), wat(13), k(3);
  std::int32_t ierr = -1;
  UFLSH(feed, vap, liq, wat, k, 1, ierr);
  EXPECT_EQ(ierr, static_cast<std::int32_t>(VectorFlashStatus::NoProblem));
}

}  // namespace
