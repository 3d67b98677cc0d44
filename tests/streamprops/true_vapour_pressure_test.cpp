// True vapour pressure on an opened problem: a set whose K-values are a vapour pressure over
// the pressure gives the Raoult bubble point, and a K-value method without a vapour pressure
// gives the missing value with the entry set current again.
#include "streamprops/true_vapour_pressure.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "../flash/flash_support.hpp"
#include "../thermo/pure/correlation_sets.hpp"
#include "methods/methods.hpp"
#include "problem/component_data.hpp"
#include "problem/method_set_control.hpp"
#include "services/markers.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/kvalues.hpp"

namespace streamprops {
namespace {

class TrueVapourPressure : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "tvp";
    d.components = flash_test::components({"PROPANE", "N-BUTANE", "N-PENTANE"});
    // Set 1: the simplified K-values of the Wilson estimate, K = Ps/P, a Raoult-type set.
    // Set 2: a K-value method without a vapour pressure.
    fixtures::MethodSetSpec flagged = flash_test::pengRobinsonSet("FLAGGED");
    flagged.codes[0] = 605;
    d.methodSets = {flash_test::pengRobinsonSet("WILSON"), flagged};
    problem_ = std::make_unique<flash_test::OpenProblem>(dir_, d);
    flash_test::useSet(1);
  }
  void TearDown() override { problem_.reset(); }

  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
  std::unique_ptr<flash_test::OpenProblem> problem_;
};

// The returned pressure is a bubble point: an independent K-value evaluation at it, on the
// liquid and the vapour K x, sums K x to one.
TEST_F(TrueVapourPressure, ReturnsTheBubblePointOfTheSet) {
  const std::array<std::array<double, 3>, 3> liquids = {
      {{0.0, 1.0, 0.0}, {0.2, 0.5, 0.3}, {0.05, 0.15, 0.8}}};
  for (const double t : {280.0, 310.928, 340.0}) {
    for (const auto& x : liquids) {
      SCOPED_TRACE(testing::Message() << "T " << t << " x " << x[0] << " " << x[1] << " " << x[2]);
      std::array<double, 3> y{}, k{};
      std::int32_t ierr = -7;
      double tvp = 0.0;
      SPETVP(1, 1, 3, t, x, y, k, ierr, tvp);
      EXPECT_EQ(ierr, 0);
      std::array<double, 3> yk{}, kk{};
      double total = 0.0;
      for (std::size_t i = 0; i < 3; ++i) total += k[i] * x[i];
      for (std::size_t i = 0; i < 3; ++i) yk[i] = k[i] * x[i] / total;
      double zv = 0.0, zl = 0.0;
      std::int32_t kccall = 12, status = 0, fugacity = 0;
      equilibrium::KCALC(3, 3, yk, x, kk, t, tvp, zv, zl, kccall, 0, 1, status, 0, fugacity);
      double sum = 0.0;
      for (std::size_t i = 0; i < 3; ++i) sum += kk[i] * x[i];
      EXPECT_NEAR(sum, 1.0, 1e-4);
    }
  }
}

// Pure n-butane and n-pentane at 100 F against their vapour pressures, 51.567 and 15.575
// psia, from the reference equations of state (n-butane: Buecker and Wagner, J. Phys. Chem.
// Ref. Data 35 (2006) 929; n-pentane: Span and Wagner, Int. J. Thermophys. 24 (2003) 41),
// within the few per cent of a cubic equation of state.
TEST_F(TrueVapourPressure, PureComponentsMatchTheirPublishedVapourPressure) {
  constexpr double kPsi = 6.894757;  // kPa per psi
  const std::array<std::pair<std::array<double, 3>, double>, 2> cases = {
      {{{0.0, 1.0, 0.0}, 51.567 * kPsi}, {{0.0, 0.0, 1.0}, 15.575 * kPsi}}};
  for (const auto& [x, published] : cases) {
    std::array<double, 3> y{}, k{};
    std::int32_t ierr = 0;
    double tvp = 0.0;
    SPETVP(1, 1, 3, 310.928, x, y, k, ierr, tvp);
    EXPECT_NEAR(tvp / published, 1.0, 0.03) << published;
  }
}

TEST_F(TrueVapourPressure, MethodWithoutVapourPressureGivesMissingAndRestoresTheSet) {
  const std::array<double, 3> x = {0.2, 0.5, 0.3};
  std::array<double, 3> y{}, k{};
  std::int32_t ierr = -7;
  double tvp = 0.0;
  SPETVP(1, 2, 3, 310.928, x, y, k, ierr, tvp);
  EXPECT_EQ(tvp, services::DMISS);
  EXPECT_EQ(ierr, -7);  // left as it was
  EXPECT_EQ(problem::THCTL.currentSet, 1);
  // The set in use during a solved call is given back too.
  SPETVP(1, 1, 3, 310.928, x, y, k, ierr, tvp);
  EXPECT_GT(tvp, 0.0);
  EXPECT_EQ(problem::THCTL.currentSet, 1);
}

// A Raoult-type set: K-value method 1 (Raoult's law; no Henry components) over a
// vapour-pressure correlation set of Antoine records. Its bubble point is sum(x Psat), with
// Psat from the same Antoine constants evaluated here: NIST Chemistry WebBook parameters,
// log10(P/bar) = A - B/(T + C), propane 277.6-360.8 K, n-butane 272.7-425 K, n-pentane
// 268.8-341.4 K.
class RaoultVapourPressure : public ::testing::Test {
 protected:
  struct Antoine {
    double a, b, c;
    double kpa(double t) const { return 100.0 * std::pow(10.0, a - b / (t + c)); }
  };
  static constexpr std::array<Antoine, 3> kAntoine{
      {{4.53678, 1149.36, 24.906}, {4.35576, 1175.581, -2.071}, {3.9892, 1070.617, -40.454}}};

  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "raoult";
    d.components = flash_test::components({"PROPANE", "N-BUTANE", "N-PENTANE"});
    fixtures::MethodSetSpec raoult = flash_test::pengRobinsonSet("RAOULT");
    raoult.codes[0] = 1;
    d.methodSets = {raoult};
    correlation_testing::startRun();
    std::vector<correlation_testing::Record> records;
    for (std::size_t i = 0; i < kAntoine.size(); ++i) {
      records.push_back(correlation_testing::antoineRecord(static_cast<std::int32_t>(i + 1),
                                                           kAntoine[i].a, kAntoine[i].b,
                                                           kAntoine[i].c));
    }
    std::int32_t length = 0;
    const std::int32_t area = correlation_testing::buildSet(records, length);
    fixtures::CorrelationSetBlock set{1001, 1, {}};
    const std::span<const std::int32_t> words = storage::CORSTO.words(area + 1, length);
    set.words.assign(words.begin(), words.end());
    d.correlationSets = {set};
    problem_ = std::make_unique<flash_test::OpenProblem>(dir_, d);
    flash_test::useSet(1);
  }
  void TearDown() override { problem_.reset(); }

  testing_support::StopThrows stop_;
  testing_support::TempDir dir_;
  std::unique_ptr<flash_test::OpenProblem> problem_;
};

TEST_F(RaoultVapourPressure, IsTheMoleFractionSumOfTheVapourPressures) {
  const std::array<std::array<double, 3>, 4> liquids = {
      {{1.0, 0.0, 0.0}, {0.0, 0.0, 1.0}, {0.2, 0.5, 0.3}, {0.05, 0.15, 0.8}}};
  for (const double t : {290.0, 310.928, 330.0}) {
    for (const auto& x : liquids) {
      SCOPED_TRACE(testing::Message() << "T " << t << " x " << x[0] << " " << x[1] << " " << x[2]);
      double expected = 0.0;
      for (std::size_t i = 0; i < 3; ++i) expected += x[i] * kAntoine[i].kpa(t);
      std::array<double, 3> y{}, k{};
      std::int32_t ierr = -7;
      double tvp = 0.0;
      SPETVP(1, 1, 3, t, x, y, k, ierr, tvp);
      EXPECT_EQ(ierr, 0);
      EXPECT_NEAR(tvp / expected, 1.0, 1e-5);
    }
  }
}

}  // namespace
}  // namespace streamprops
