// CUBRTS: cubics with known roots, solved in closed form and by Newton with deflation, and
// the choice of the root returned first.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "services/numeric.hpp"

namespace {

using services::CUBRTS;

struct Roots {
  double x1, x2, x3;
  std::int32_t n;
};

Roots solve(std::int32_t isort, double a2, double a1, double a0, std::int32_t inewt = 0,
            double start = 0.0, double stepmx = 1e30) {
  Roots r{start, 0.0, 0.0, 0};
  CUBRTS(isort, a2, a1, a0, r.x1, r.x2, r.x3, r.n, inewt, stepmx, 1e-12);
  return r;
}

// (x - 1)(x - 2)(x - 3) = x^3 - 6 x^2 + 11 x - 6.
constexpr double kA2 = -6.0, kA1 = 11.0, kA0 = -6.0;

TEST(CUBRTS, ThreeRootsAreASetInEveryExchangeOrder) {
  struct Case {
    std::int32_t isort;
    double first;
  };
  const std::array<Case, 5> cases{{{1, 3.0}, {2, 1.0}, {-3, 1.0}, {-4, 3.0}, {-5, 1.0}}};
  for (std::int32_t inewt : {0, 1}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "isort " << c.isort << " newton " << inewt);
      const Roots r = solve(c.isort, kA2, kA1, kA0, inewt, 2.2);
      EXPECT_EQ(r.n, 3);
      EXPECT_NEAR(r.x1, c.first, 1e-10);
      std::array<double, 3> all{r.x1, r.x2, r.x3};
      std::sort(all.begin(), all.end());
      EXPECT_NEAR(all[0], 1.0, 1e-10);
      EXPECT_NEAR(all[1], 2.0, 1e-10);
      EXPECT_NEAR(all[2], 3.0, 1e-10);
    }
  }
}

TEST(CUBRTS, OverwriteOrdersChangeOnlyTheFirstRoot) {
  const Roots largest = solve(-1, kA2, kA1, kA0);
  const Roots smallest = solve(-2, kA2, kA1, kA0);
  const Roots asFound = solve(0, kA2, kA1, kA0);
  EXPECT_NEAR(largest.x1, 3.0, 1e-12);
  EXPECT_NEAR(smallest.x1, 1.0, 1e-12);
  EXPECT_EQ(largest.x2, asFound.x2);
  EXPECT_EQ(largest.x3, asFound.x3);
  EXPECT_EQ(smallest.x2, asFound.x2);
}

TEST(CUBRTS, SmallestPositiveSkipsNegativeRoots) {
  // (x + 2)(x - 0.5)(x - 4) = x^3 - 2.5 x^2 - 7 x + 4.
  const Roots r = solve(2, -2.5, -7.0, 4.0);
  EXPECT_EQ(r.n, 3);
  EXPECT_NEAR(r.x1, 0.5, 1e-12);
}

TEST(CUBRTS, OneRealRootFillsAllThree) {
  for (std::int32_t inewt : {0, 1}) {
    const Roots r = solve(1, 0.0, 0.0, -1.0, inewt, 0.8);
    EXPECT_EQ(r.n, 1);
    EXPECT_NEAR(r.x1, 1.0, 1e-12);
    EXPECT_EQ(r.x1, r.x2);
    EXPECT_EQ(r.x1, r.x3);
  }
}

TEST(CUBRTS, NewtonRefusesATooLongFirstStepAndFallsBackToTheClosedForm) {
  // From 10 the first Newton step on (x-1)(x-2)(x-3) is longer than 0.1: the closed form
  // still answers with all three roots.
  const Roots r = solve(1, kA2, kA1, kA0, 1, 10.0, 0.1);
  EXPECT_EQ(r.n, 3);
  EXPECT_NEAR(r.x1, 3.0, 1e-10);
}

TEST(CUBRTS, GasCompressibilityByNewtonFromOne) {
  // Z^3 - Z^2 + (A - B - B^2) Z - A B = 0 of a dilute gas: the largest root is near
  // 1 + B - A, the second-order virial estimate.
  const double a = 0.01;
  const double b = 0.002;
  Roots r{1.0, 0.0, 0.0, 0};
  CUBRTS(1, -1.0, a - b - b * b, -a * b, r.x1, r.x2, r.x3, r.n, 1, 0.5, 1e-6);
  EXPECT_NEAR(r.x1, 1.0 + b - a, 2e-4);
  EXPECT_LT(std::fabs(((r.x1 - 1.0) * r.x1 + a - b - b * b) * r.x1 - a * b), 1e-6 * r.x1);
}

}  // namespace
