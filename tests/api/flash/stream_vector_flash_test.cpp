// UFLSH end to end on a 10-component natural gas with a Peng-Robinson set that decants free
// water: every flash type balances per component, the enthalpy and entropy types return to
// the temperature of an isothermal flash, the statuses of the driver reach the caller as the
// call's own, the flash runs in the current method set, and repeated calls neither exhaust
// the stream slots nor grow the database files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "api/flash/stream_vector.hpp"
#include "flash/flash.hpp"
#include "flash/stream_flash.hpp"
#include "flash_support.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "support/allocation_counter.hpp"

namespace {

namespace m = problem::srmain;
namespace sv = api_flash::strvec;
using api_flash::UFLSH;
using api_flash::VectorFlashStatus;

constexpr std::int32_t kPengRobinson = 1;
constexpr std::int32_t kSoave = 2;
constexpr std::int32_t kWater = 10;
const std::vector<std::string> kComponents{"NITROGEN", "CARBON DIOXIDE", "HYDROGEN SULFIDE",
                                           "METHANE",  "ETHANE",         "PROPANE",
                                           "N-BUTANE", "N-PENTANE",      "N-HEXANE",
                                           "WATER"};
const std::vector<double> kFeed{0.010, 0.020, 0.005, 0.800, 0.080,
                                0.040, 0.020, 0.010, 0.005, 0.010};
constexpr std::size_t kWords = sv::kHeaderWords + 10;

double toVector(double v, std::int32_t cls) {
  return services::UOMCNV(v, cls, sv::kInternalSet, sv::kVectorSet);
}
double toInternal(double v, std::int32_t cls) {
  return services::UOMCNV(v, cls, sv::kVectorSet, sv::kInternalSet);
}

// The outputs of one call.
struct Result {
  std::vector<float> vap = std::vector<float>(kWords, -7.0F);
  std::vector<float> liq = std::vector<float>(kWords, -7.0F);
  std::vector<float> wat = std::vector<float>(kWords, -7.0F);
  std::vector<float> k = std::vector<float>(10, -7.0F);
  std::int32_t ierr = -1;
  double t() const { return toInternal(vap[sv::kTemperature - 1], sv::kTemperatureClass); }
  double p() const { return toInternal(vap[sv::kPressure - 1], sv::kPressureClass); }
  double vapourShare() const { return vap[sv::kRate - 1] / (vap[0] + liq[0] + wat[0]); }
  bool allZero() const {
    for (const auto* v : {&vap, &liq, &wat, &k}) {
      for (float w : *v) {
        if (w != 0.0F) return false;
      }
    }
    return true;
  }
};

class VectorFlash : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "uflsh";
    d.components = flash_test::components(kComponents);
    d.methodSets = {
        flash_test::withEquationEntropies(flash_test::pengRobinsonSet("PENG-ROB", kWater)),
        flash_test::withEquationEntropies(fixtures::equationOfStateSet("SOAVE", 101))};
    d.methodSets[1].options[0] = d.methodSets[0].options[0];
    d.methodSets[1].header = d.methodSets[0].header;
    d.correlationSets = {flash_test::idealGasStandIns(kComponents.size())};
    for (const auto& [name, set] : {std::pair{"FEED", kPengRobinson}, std::pair{"OTHER", kSoave}}) {
      fixtures::StreamSpec s;
      s.name = name;
      s.temperature = 233.15;
      s.pressure = 5000.0;
      s.rate = 100.0;
      s.composition = kFeed;
      s.integerWords = {{20, set}};
      d.streams.push_back(s);
    }
    problem_ = std::make_unique<flash_test::OpenProblem>(dir_, d);
    problem::SRSET(problem::ISRNO("FEED"), 0);
    flash_test::useSet(kPengRobinson);
  }
  void TearDown() override { problem_.reset(); }

  // A feed vector of RATE (set 1) with the gas's composition at T (K), P (kPa) and total
  // enthalpy H (set 1, rate x molar enthalpy).
  static std::vector<float> feed(double rate, double t, double p, double h = 0.0) {
    std::vector<float> v(kWords, 0.0F);
    const double r = toVector(rate, sv::kRateClass);
    v[sv::kRate - 1] = static_cast<float>(r);
    v[sv::kTemperature - 1] = static_cast<float>(toVector(t, sv::kTemperatureClass));
    v[sv::kPressure - 1] = static_cast<float>(toVector(p, sv::kPressureClass));
    v[sv::kEnthalpy - 1] =
        static_cast<float>(sv::kEnthalpyScale * toVector(h, sv::kTotalEnthalpyClass));
    for (std::size_t i = 0; i < kFeed.size(); ++i) {
      v[sv::kHeaderWords + i] = static_cast<float>(r * kFeed[i]);
    }
    return v;
  }
  static Result call(const std::vector<float>& f, std::int32_t type) {
    Result r;
    UFLSH(f, r.vap, r.liq, r.wat, r.k, type, r.ierr);
    return r;
  }
  // The total entropy (set 1, rate x molar entropy) of the gas at T and P, from a flash of
  // the problem's own stream FEED.
  static double totalEntropy(double t, double p) {
    const std::int32_t n = problem::ISRNO("FEED");
    std::int32_t istat = -1;
    flash::SFLDRV(n, 0, 1, 0, 0.0, 0, 0, t, p, istat);
    EXPECT_EQ(istat, 0);
    std::int32_t ierr = -1;
    flash::STOTFL(ierr);
    EXPECT_EQ(ierr, 0);
    const problem::MainRecord r(problem::SRPSET.set2);
    return r.real(m::kRate) * r.real(flash::totals::kEntropy);
  }

  // ENTSPC of a feed of 100 (set 1) whose total entropy is S (set 1).
  static float entropyWord(double s) {
    return static_cast<float>(toVector(s / 100.0, sv::kMolarEntropyClass) *
                              toVector(100.0, sv::kRateClass));
  }

  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
  std::unique_ptr<flash_test::OpenProblem> problem_;
};

// Per component the phases add up to the feed, to single precision; every word is finite.
void expectBalance(const std::vector<float>& f, const Result& r) {
  const double tol = 2e-6 * f[sv::kRate - 1];
  double sum = 0.0;
  for (std::size_t i = 0; i < 10; ++i) {
    SCOPED_TRACE(i + 1);
    const std::size_t w = sv::kHeaderWords + i;
    EXPECT_NEAR(double{r.vap[w]} + r.liq[w] + r.wat[w], f[w], tol);
    sum += double{r.vap[w]} + r.liq[w] + r.wat[w];
  }
  EXPECT_NEAR(double{r.vap[0]} + r.liq[0] + r.wat[0], f[0], tol);
  for (const auto* v : {&r.vap, &r.liq, &r.wat, &r.k}) {
    for (float w : *v) EXPECT_TRUE(std::isfinite(w));
  }
}

TEST_F(VectorFlash, EveryFlashTypeBalancesPerComponent) {
  const Result base = call(feed(100.0, 233.15, 5000.0), 1);
  ASSERT_EQ(base.ierr, 0);
  const double h = toInternal(
      (double{base.vap[sv::kEnthalpy - 1]} + base.liq[sv::kEnthalpy - 1] +
       base.wat[sv::kEnthalpy - 1]) / sv::kEnthalpyScale,
      sv::kTotalEnthalpyClass);
  const double s = totalEntropy(233.15, 5000.0);
  struct Case {
    std::int32_t type;
    double t, p;  // K, kPa; the one found is a start value
  };
  // The dew types find the water dew point of the gas (the set decants free water): at 300 K
  // near 350 kPa, where the water's partial pressure is its vapour pressure.
  for (const Case c : {Case{1, 233.15, 5000.0}, Case{2, 233.15, 3000.0}, Case{3, 260.0, 5000.0},
                       Case{4, 300.0, 1000.0}, Case{5, 233.15, 3000.0}, Case{6, 200.0, 3000.0},
                       Case{7, 233.15, 3000.0}, Case{8, 233.15, 3000.0}, Case{9, 260.0, 5000.0},
                       Case{10, 300.0, 1000.0}, Case{11, 233.15, 3000.0}}) {
    SCOPED_TRACE("type " + std::to_string(c.type));
    api_flash::ENTSPC.store(entropyWord(s));
    const std::vector<float> f = feed(100.0, c.t, c.p, h);
    const Result r = call(f, c.type);
    ASSERT_EQ(r.ierr, 0);
    expectBalance(f, r);
    // The phases share the state of the flash.
    EXPECT_EQ(r.liq[sv::kTemperature - 1], r.vap[sv::kTemperature - 1]);
    EXPECT_EQ(r.liq[sv::kPressure - 1], r.vap[sv::kPressure - 1]);
    EXPECT_EQ(r.liq[sv::kLiquidFraction - 1], 1.0F);
  }
}

TEST_F(VectorFlash, EnthalpyAndEntropyTypesReturnToTheIsothermalTemperature) {
  const Result base = call(feed(100.0, 233.15, 5000.0), 1);
  ASSERT_EQ(base.ierr, 0);
  // The total enthalpy of the result, in the vector's own words, handed back as the feed's.
  const float h = base.vap[sv::kEnthalpy - 1] + base.liq[sv::kEnthalpy - 1] +
                  base.wat[sv::kEnthalpy - 1];
  std::vector<float> f = feed(100.0, 280.0, 5000.0);
  f[sv::kEnthalpy - 1] = h;
  const Result adiabatic = call(f, 3);
  ASSERT_EQ(adiabatic.ierr, 0);
  EXPECT_NEAR(adiabatic.t(), 233.15, 0.02);
  EXPECT_NEAR(adiabatic.vapourShare(), base.vapourShare(), 1e-4);

  const double s = totalEntropy(233.15, 5000.0);
  api_flash::ENTSPC.store(entropyWord(s));
  const Result isentropic = call(feed(100.0, 280.0, 5000.0), 9);
  ASSERT_EQ(isentropic.ierr, 0);
  EXPECT_NEAR(isentropic.t(), 233.15, 0.02);
}

TEST_F(VectorFlash, DewAndBubblePointsAreTheEdgesOfTheIsothermalSplit) {
  for (const std::int32_t type : {5, 7}) {
    SCOPED_TRACE(type);
    const Result point = call(feed(100.0, 233.15, 3000.0), type);
    ASSERT_EQ(point.ierr, 0);
    // Free water aside, the point has all hydrocarbon in one phase.
    const float hydrocarbon = point.vap[0] + point.liq[0];
    EXPECT_NEAR((type == 5 ? point.liq[0] : point.vap[0]) / hydrocarbon, 0.0, 1e-5);
    const Result again = call(feed(100.0, point.t(), 3000.0), 1);
    ASSERT_EQ(again.ierr, 0);
    EXPECT_NEAR((type == 5 ? again.liq[0] : again.vap[0]) / hydrocarbon, 0.0, 1e-3);
  }
}

TEST_F(VectorFlash, DriverStatusesReachTheCallerWithZeroOutputs) {
  // No component present behind a positive rate: the driver finds no flow.
  std::vector<float> empty = feed(100.0, 233.15, 5000.0);
  for (std::size_t i = sv::kHeaderWords; i < kWords; ++i) empty[i] = 0.0F;
  const Result none = call(empty, 1);
  EXPECT_EQ(none.ierr, static_cast<std::int32_t>(VectorFlashStatus::NoRate));
  EXPECT_TRUE(none.allZero());

  // A K-value method served outside the library: no flash, reported as a failed one.
  methods::MSPTRS.classes(1).code = 601;
  const Result external = call(feed(100.0, 233.15, 5000.0), 1);
  EXPECT_EQ(external.ierr, static_cast<std::int32_t>(VectorFlashStatus::Failed));
  EXPECT_TRUE(external.allZero());
}

TEST_F(VectorFlash, TheFlashRunsInTheCurrentMethodSet) {
  // Each set's answer is that of a direct flash of a stream of that set, and the two differ.
  std::vector<double> shares;
  for (const auto& [name, set] : {std::pair{"FEED", kPengRobinson}, std::pair{"OTHER", kSoave}}) {
    SCOPED_TRACE(name);
    const std::int32_t n = problem::ISRNO(name);
    std::int32_t istat = -1;
    flash::SFLDRV(n, 0, 1, 0, 0.0, 0, 0, 233.15, 5000.0, istat);
    ASSERT_EQ(istat, 0);
    const double direct = problem::MainRecord(problem::SRPSET.set2).real(m::kVapourFraction);
    EXPECT_EQ(problem::THCTL.currentSet, set);
    const Result r = call(feed(100.0, 233.15, 5000.0), 1);
    ASSERT_EQ(r.ierr, 0);
    EXPECT_NEAR(r.vapourShare(), direct, 1e-5);
    shares.push_back(direct);
  }
  EXPECT_GT(std::abs(shares[0] - shares[1]), 1e-3);
}

TEST_F(VectorFlash, RepeatedCallsDoNotGrowTheDatabaseFiles) {
  const auto sizes = [this] {
    std::uintmax_t total = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
      if (e.is_regular_file()) total += e.file_size();
    }
    return total;
  };
  const std::vector<float> f = feed(100.0, 233.15, 5000.0);
  const auto batch = [&](int calls) {
    for (int i = 0; i < calls; ++i) {
      const Result r = call(f, i % 2 == 0 ? 1 : 7);
      ASSERT_EQ(r.ierr, 0) << "call " << i;
    }
  };
  batch(50);
  const std::uintmax_t settled = sizes();
  batch(500);
  EXPECT_EQ(sizes(), settled);
}

TEST_F(VectorFlash, WarmRepeatsAllocateNothing) {
  // The temporary stream's record, the driver's vectors and the disk images are got by the
  // first calls; the same calls again get nothing.
  const Result base = call(feed(100.0, 233.15, 5000.0), 1);
  ASSERT_EQ(base.ierr, 0);
  std::vector<float> adiabatic = feed(100.0, 250.0, 5000.0);
  adiabatic[sv::kEnthalpy - 1] = base.vap[sv::kEnthalpy - 1] + base.liq[sv::kEnthalpy - 1] +
                                 base.wat[sv::kEnthalpy - 1];
  const std::vector<float> isothermal = feed(100.0, 233.15, 5000.0);
  Result r;
  const auto both = [&] {
    UFLSH(isothermal, r.vap, r.liq, r.wat, r.k, 1, r.ierr);
    ASSERT_EQ(r.ierr, 0);
    UFLSH(adiabatic, r.vap, r.liq, r.wat, r.k, 3, r.ierr);
    ASSERT_EQ(r.ierr, 0);
  };
  both();
  both();
  const std::size_t before = testing_support::allocationCount();
  for (int i = 0; i < 3; ++i) both();
  EXPECT_EQ(testing_support::allocationCount() - before, 0U);
}

}  // namespace
