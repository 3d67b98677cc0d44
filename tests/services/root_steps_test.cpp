#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "services/services.hpp"

namespace {

class RootSteps : public ::testing::Test {
 protected:
  void SetUp() override { services::startFlashTolerances(); }
};

TEST_F(RootSteps, ROOTHLFitsAParabolaAndACubicForm) {
  std::array<double, 3> c{};
  const std::array<double, 3> x = {1.0, 2.0, 4.0};
  std::array<double, 3> y{};
  for (int i = 0; i < 3; ++i) y[i] = 3.0 * x[i] * x[i] - 2.0 * x[i] + 5.0;
  EXPECT_EQ(services::ROOTHL(y, x, 2, c), 0.0);
  EXPECT_NEAR(c[0], 3.0, 1e-12);
  EXPECT_NEAR(c[1], -2.0, 1e-12);
  EXPECT_NEAR(c[2], 5.0, 1e-12);

  for (int i = 0; i < 3; ++i) y[i] = -0.5 * x[i] * x[i] * x[i] + 4.0 * x[i] - 1.0;
  EXPECT_EQ(services::ROOTHL(y, x, 3, c), 0.0);
  EXPECT_NEAR(c[0], -0.5, 1e-12);
  EXPECT_NEAR(c[1], 4.0, 1e-12);
  EXPECT_NEAR(c[2], -1.0, 1e-12);
}

TEST_F(RootSteps, ROOTHLSingularPointsGiveTheLineThroughTheMiddleAndTheFarthest) {
  std::array<double, 3> c{};
  // Two equal abscissae: the line through point 2 and point 3.
  EXPECT_EQ(services::ROOTHL(std::array<double, 3>{1.0, 3.0, 7.0},
                          std::array<double, 3>{1.0, 1.0, 3.0}, 2, c),
            0.0);
  EXPECT_EQ(c[0], 0.0);
  EXPECT_DOUBLE_EQ(c[1], 2.0);
  EXPECT_DOUBLE_EQ(c[2], 1.0);
  // The cubic form is singular when the abscissae sum to zero.
  services::ROOTHL(std::array<double, 3>{4.0, 0.0, 4.0}, std::array<double, 3>{-2.0, 0.0, 2.0}, 3,
                c);
  EXPECT_EQ(c[0], 0.0);
  // All three equal: a flat line at the middle point.
  EXPECT_DOUBLE_EQ(services::ROOTHL(std::array<double, 3>{1.0, 2.0, 3.0},
                                 std::array<double, 3>{5.0, 5.0, 5.0}, 1, c),
                   5.0);
  EXPECT_EQ(c[1], 0.0);
}

TEST_F(RootSteps, ROOTHLRootEstimates) {
  std::array<double, 3> c{};
  // Mild curvature: the secant through points 2 and 3.
  EXPECT_DOUBLE_EQ(services::ROOTHL(std::array<double, 3>{3.0, 1.0, -1.0},
                                 std::array<double, 3>{0.0, 1.0, 2.0}, 1, c),
                   1.5);
  // Strong curvature (a flat first pair near the vertex): the parabola's root nearest the
  // middle of the bracketing pair. y = (2 - x)(x + 1) has its roots at 2 and -1.
  const std::array<double, 3> x = {0.49, 0.51, 3.0};
  std::array<double, 3> y{};
  for (int i = 0; i < 3; ++i) y[i] = (2.0 - x[i]) * (x[i] + 1.0);
  EXPECT_NEAR(services::ROOTHL(y, x, 1, c), 2.0, 1e-9);
  // MODE above 3 is the line.
  EXPECT_DOUBLE_EQ(services::ROOTHL(std::array<double, 3>{3.0, 1.0, -1.0},
                                 std::array<double, 3>{0.0, 1.0, 2.0}, 4, c),
                   1.5);
}

// Repeated ROOTBR steps converge on the root of a monotonic function, keeping the bracket.
TEST_F(RootSteps, ROOTBRConvergesWithinTheBracket) {
  const std::vector<std::function<double(double)>> functions = {
      [](double x) { return x * x * x - 2.0; },
      [](double x) { return std::exp(x) - 3.0; },
      [](double x) { return 1.0 - 1.0 / x; },
  };
  const std::vector<double> roots = {std::cbrt(2.0), std::log(3.0), 1.0};
  for (std::size_t k = 0; k < functions.size(); ++k) {
    SCOPED_TRACE(k);
    const auto& f = functions[k];
    double xl = 0.5;
    double xh = 4.0;
    double xm = 2.5;
    double yl = f(xl);
    double yh = f(xh);
    double ym = f(xm);
    for (int step = 0; step < 60 && std::fabs(ym) > 1e-13; ++step) {
      services::ROOTBR(xl, xm, xh, yl, ym, yh);
      ASSERT_LE(xl, xm);
      ASSERT_LE(xm, xh);
      ym = f(xm);
    }
    EXPECT_NEAR(xm, roots[k], 1e-9);
  }
}

TEST_F(RootSteps, ROOTBRCases) {
  struct Case {
    std::array<double, 6> in;   // xl, xm, xh, yl, ym, yh
    std::array<double, 6> out;
  };
  const std::vector<Case> cases = {
      // No upper spacing with the root above: the estimate is b, which is the middle point.
      {{0.0, 1.0, 1.0, -1.0, -0.5, 2.0}, {1.0, 1.0, 1.0, -0.5, -0.5, 2.0}},
      // Equal slopes: the chord roots agree at 1.5.
      {{0.0, 1.0, 2.0, -3.0, -1.0, 1.0}, {1.0, 1.5, 2.0, -1.0, -1.0, 1.0}},
      // Root below the middle; -0.0 counts as negative like the low end.
      {{0.0, 1.0, 2.0, -1.0, 1.0, 3.0}, {0.0, 0.5, 1.0, -1.0, 1.0, 1.0}},
      {{0.0, 1.0, 2.0, -1.0, -0.0, 3.0}, {1.0, 1.5, 2.0, -0.0, -0.0, 3.0}},
      // Very different slopes: bisect the half that holds the root.
      {{0.0, 1.0, 2.0, -100.0, -1.0, 1.0}, {1.0, 1.5, 2.0, -1.0, -1.0, 1.0}},
  };
  for (const Case& c : cases) {
    auto v = c.in;
    services::ROOTBR(v[0], v[1], v[2], v[3], v[4], v[5]);
    for (std::size_t i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(v[i], c.out[i]) << i;
  }
}

}  // namespace
