// XEXTRP: the step of the one-dimensional root searches.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>

#include "services/services.hpp"

namespace {

class StepExtrapolation : public ::testing::Test {
 protected:
  void SetUp() override { services::startFlashTolerances(); }

  double step(std::int32_t n, double f, double x, double dvmax) {
    double dx = -99.0;
    services::XEXTRP(n, f, x, fs, xs, dvmax, dx);
    return dx;
  }

  // Drives a search on F from X0 as a caller does; returns the root found.
  double search(const std::function<double(double)>& g, double x0, double dvmax, int& calls) {
    double x = x0;
    for (calls = 1; calls <= 60; ++calls) {
      const double f = g(x);
      if (std::fabs(f) < 1e-12) break;
      const double dx = step(calls, f, x, dvmax);
      if (dx == 0.0) break;
      x += dx;
    }
    return x;
  }

  std::array<double, 3> fs{};
  std::array<double, 3> xs{};
};

// The first call steps by DVMAX and fills all three points; the second takes a secant on
// one side of the root and an interpolation across it; three coincident abscissae give no
// step; every step is limited to |DVMAX|.
TEST_F(StepExtrapolation, FirstCallsAndLimits) {
  EXPECT_EQ(step(1, 4.0, 2.0, -0.5), -0.5);
  EXPECT_EQ(fs, (std::array<double, 3>{4.0, 4.0, 4.0}));
  EXPECT_EQ(xs, (std::array<double, 3>{2.0, 2.0, 2.0}));

  // f = x - 1: from (2, 1) to (1.5, 0.5) the secant reaches the root.
  fs.fill(1.0);
  xs.fill(2.0);
  EXPECT_NEAR(step(2, 0.5, 1.5, 10.0), -0.5, 1e-12);
  // A secant step of +49 with DVMAX -30 becomes +30.
  fs.fill(1.0);
  xs.fill(0.0);
  EXPECT_EQ(step(2, 0.98, 1.0, -30.0), 30.0);

  fs = {1.0, 1.0, 1.0};
  xs = {3.0, 3.0, 3.0};
  EXPECT_EQ(step(3, 1.0, 3.0, 1.0), 0.0);
}

// Searches driven as the callers drive them find the roots of smooth functions of either
// slope, from either side.
TEST_F(StepExtrapolation, SearchesConverge) {
  struct Case {
    const char* name;
    std::function<double(double)> g;
    double x0, dvmax, root;
  };
  const Case cases[] = {
      {"linear", [](double x) { return 2.0 * x - 3.0; }, 0.0, 1.0, 1.5},
      {"falling exponential", [](double x) { return std::exp(-x) - 0.1; }, 0.0, 1.0,
       std::log(10.0)},
      {"cubic", [](double x) { return x * x * x - 8.0; }, 5.0, -2.0, 2.0},
      {"charge-like", [](double x) { return std::pow(10.0, -x) - 1e-4 / std::pow(10.0, -x); }, 7.0,
       1.0, 2.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int calls = 0;
    const double x = search(c.g, c.x0, c.dvmax, calls);
    EXPECT_NEAR(x, c.root, 1e-6 * std::max(1.0, std::fabs(c.root)));
    EXPECT_LT(calls, 40);
  }
}

}  // namespace
