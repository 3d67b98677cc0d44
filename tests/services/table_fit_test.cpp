#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "services/services.hpp"

namespace {

struct Fit {
  std::array<double, 3> c{};
  std::int32_t k = 0;
};

double lookup(const std::vector<double>& x, const std::vector<double>& y, double xv, Fit& fit,
              bool check = false) {
  double yv = check ? 1.0e5 : 0.0;
  services::TBLQIN(x, y, static_cast<std::int32_t>(x.size()), xv, yv, fit.c, fit.k);
  return yv;
}

TEST(TBLQIN, TwoPointsInterpolateAndExtrapolateAlongOneLine) {
  const std::vector<double> x = {1.0, 3.0};
  const std::vector<double> y = {10.0, 20.0};
  for (const auto& [xv, yv] : std::vector<std::pair<double, double>>{
           {2.0, 15.0}, {0.0, 5.0}, {5.0, 30.0}, {1.0, 10.0}}) {
    Fit fit;
    EXPECT_DOUBLE_EQ(lookup(x, y, xv, fit), yv) << xv;
  }
}

TEST(TBLQIN, SinglePointIsALineThroughTheOriginOrAConstantAtZero) {
  Fit fit;
  EXPECT_DOUBLE_EQ(lookup({2.0}, {6.0}, 5.0, fit), 15.0);
  EXPECT_DOUBLE_EQ(lookup({0.0}, {6.0}, 5.0, fit), 6.0) << "no division by a zero abscissa";
  EXPECT_TRUE(std::isfinite(lookup({0.0}, {6.0}, 0.0, fit)));
  EXPECT_DOUBLE_EQ(lookup({4.0, 4.0}, {8.0, 9.0}, 2.0, fit), 4.0)
      << "coincident abscissae: through the origin";
}

TEST(TBLQIN, QuadraticThroughThreeNeighboursIsExactForAParabola) {
  std::vector<double> x;
  std::vector<double> y;
  for (int i = 0; i <= 6; ++i) {
    x.push_back(i);
    y.push_back(2.0 * i * i - 3.0 * i + 1.0);
  }
  for (const double xv : {0.5, 2.25, 4.0, 5.9, 7.5, -1.0}) {
    Fit fit;
    EXPECT_NEAR(lookup(x, y, xv, fit), 2.0 * xv * xv - 3.0 * xv + 1.0, 1e-9) << xv;
  }
}

TEST(TBLQIN, ReusesTheFitOfTheSameIntervalAndPicksTheNeighbours) {
  const std::vector<double> x = {0.0, 1.0, 2.0, 3.0};
  const std::vector<double> y = {0.0, 1.0, 4.0, 9.0};
  Fit fit;
  lookup(x, y, 1.5, fit);
  EXPECT_EQ(fit.k, 2) << "points 2 to 4 around 1.5";
  fit.c = {0.0, 0.0, 42.0};  // a stale fit for the same points is used as it stands
  EXPECT_DOUBLE_EQ(lookup(x, y, 1.2, fit), 42.0);
  EXPECT_DOUBLE_EQ(lookup(x, y, 2.5, fit), 6.25) << "past the middle point it fits again";
  EXPECT_EQ(fit.k, 2);
  EXPECT_DOUBLE_EQ(lookup(x, y, 0.5, fit), 0.25);
  EXPECT_EQ(fit.k, 1);
}

TEST(TBLQIN, FlatStepUsesTheLinearCase) {
  const std::vector<double> x = {0.0, 1.0, 2.0, 3.0};
  const std::vector<double> y = {5.0, 7.0, 7.0, 1.0};
  Fit fit;
  EXPECT_DOUBLE_EQ(lookup(x, y, 1.5, fit), 7.0);
  EXPECT_EQ(fit.c[0], 0.0);
}

TEST(TBLQIN, MonotonicityCheckRejectsAFitThatTurnsBetweenTheTableAndThePoint) {
  // A steep rise then a plateau: the parabola through the last three points turns back
  // inside the last interval; with the check the lookup stays within the table's values.
  const std::vector<double> x = {0.0, 1.0, 2.0, 3.0};
  const std::vector<double> y = {0.0, 10.0, 11.0, 11.1};
  Fit plain;
  Fit checked;
  const double unchecked = lookup(x, y, 4.0, plain);
  const double guarded = lookup(x, y, 4.0, checked, true);
  EXPECT_LT(unchecked, 11.1) << "the plain fit turns down";
  EXPECT_GE(guarded, 11.1 - 1e-12);
}

}  // namespace
