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

// Pure n-butane and n-pentane at 100 F against their tabulated vapour pressures, 51.706 and
// 15.574 psia (GPSA Engineering Data Book, physical constants of hydrocarbons), within the
// few per cent of a cubic equation of state.
TEST_F(TrueVapourPressure, PureComponentsMatchTheirPublishedVapourPressure) {
  constexpr double kPsi = 6.894757;  // kPa per psi
  const std::array<std::pair<std::array<double, 3>, double>, 2> cases = {
      {{{0.0, 1.0, 0.0}, 51.706 * kPsi}, {{0.0, 0.0, 1.0}, 15.574 * kPsi}}};
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

}  // namespace
}  // namespace streamprops
