// FLASHK: the two-phase balance at fixed K-values, its special cases and its agreement with
// a bisection in extended precision over many random feeds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "flash/flash.hpp"

namespace {

using flash::RachfordRiceResult;

struct Solution {
  double v = -9.0;
  std::int32_t iter = -7, ierr = -9;
  std::vector<double> x, y;
};

Solution solve(const std::vector<double>& z, const std::vector<double>& k, double tol = 1e-12) {
  Solution s;
  s.x.assign(z.size(), -9.0);
  s.y.assign(z.size(), -9.0);
  flash::FLASHK(static_cast<std::int32_t>(z.size()), z, k, tol, s.x, s.y, s.v, s.iter, s.ierr);
  return s;
}

struct EdgeCase {
  const char* label;
  std::vector<double> z, k;
  RachfordRiceResult result;
  double v;
  std::vector<double> x, y;
  bool iterates;  // ITER is set
};

// The cases are worked by hand from F(V) = sum z (K - 1)/(1 + V (K - 1)) = 0.
TEST(FLASHK, EdgeCases) {
  const auto R = [](RachfordRiceResult r) { return r; };
  const std::vector<EdgeCase> cases = {
      {"two-phase",
       {0.5, 0.5},
       {2.0, 0.5},
       R(RachfordRiceResult::Solved),
       0.5,
       {1.0 / 3, 2.0 / 3},
       {2.0 / 3, 1.0 / 3},
       true},
      {"K near one",
       {0.5, 0.5},
       {1.005, 0.995},
       R(RachfordRiceResult::KNearOne),
       0.5,
       {0.5, 0.5},
       {0.5, 0.5},
       false},
      {"all vapour",
       {0.5, 0.5},
       {3.0, 1.5},
       R(RachfordRiceResult::AllVapour),
       1.0,
       {1.0 / 3, 2.0 / 3},
       {0.5, 0.5},
       false},
      {"all liquid",
       {0.5, 0.5},
       {0.5, 0.25},
       R(RachfordRiceResult::AllLiquid),
       0.0,
       {0.5, 0.5},
       {2.0 / 3, 1.0 / 3},
       false},
      {"negative flash",
       {0.9, 0.1},
       {0.5, 3.0},
       R(RachfordRiceResult::Solved),
       -0.25,
       {0.8, 0.2},
       {0.4, 0.6},
       true},
      // 0.6/(1 + 3V) = 0.08/(1 - 0.1V): V = 0.52/0.3.
      {"root above one",
       {0.2, 0.8},
       {4.0, 0.9},
       R(RachfordRiceResult::Solved),
       0.52 / 0.3,
       {0.2 / (1 + 3 * 0.52 / 0.3), 0.8 / (1 - 0.1 * 0.52 / 0.3)},
       {0.8 / (1 + 3 * 0.52 / 0.3), 0.72 / (1 - 0.1 * 0.52 / 0.3)},
       true},
      {"absent component",
       {0.5, 0.5, 0.0},
       {2.0, 0.5, 1000.0},
       R(RachfordRiceResult::Solved),
       0.5,
       {1.0 / 3, 2.0 / 3, 0.0},
       {2.0 / 3, 1.0 / 3, 0.0},
       true},
      // sum z K = 1 exactly with the lower bound below 0: the root is V = 0 at once.
      {"bubble point",
       {0.5, 0.5},
       {1.5, 0.5},
       R(RachfordRiceResult::Solved),
       0.0,
       {0.5, 0.5},
       {0.75, 0.25},
       false},
      // An absent component (K 0.5) whose denominator 1 + V (K - 1) vanishes at the first
      // iterate V = 2: it must not move the bracket. 0.140625 (1 - V/4) = 0.0625 (1 + 3V/16):
      // V = 5/3.
      {"absent component at its pole",
       {0.75, 0.25, 0.0},
       {1.1875, 0.75, 0.5},
       R(RachfordRiceResult::Solved),
       5.0 / 3,
       {0.75 / (1 + 0.1875 * 5 / 3), 0.25 / (1 - 0.25 * 5 / 3), 0.0},
       {1.1875 * 0.75 / (1 + 0.1875 * 5 / 3), 0.75 * 0.25 / (1 - 0.25 * 5 / 3), 0.0},
       true},
  };
  for (const EdgeCase& c : cases) {
    SCOPED_TRACE(c.label);
    const Solution s = solve(c.z, c.k);
    EXPECT_EQ(s.ierr, static_cast<std::int32_t>(c.result));
    EXPECT_NEAR(s.v, c.v, 1e-12);
    for (std::size_t i = 0; i < c.z.size(); ++i) {
      EXPECT_NEAR(s.x[i], c.x[i], 1e-12) << "x " << i;
      EXPECT_NEAR(s.y[i], c.y[i], 1e-12) << "y " << i;
    }
    if (c.iterates) {
      EXPECT_GE(s.iter, 1);
    } else {
      EXPECT_EQ(s.iter, -7) << "no iteration";
    }
  }
}

// An iteration limit reached leaves the last iterate with code 4.
TEST(FLASHK, StepLimitKeepsTheLastIterate) {
  const Solution s = solve({0.5, 0.5}, {2.0, 0.5}, -1.0);
  EXPECT_EQ(s.ierr, static_cast<std::int32_t>(RachfordRiceResult::StepLimit));
  EXPECT_EQ(s.iter, 100);
  EXPECT_NEAR(s.v, 0.5, 1e-12);
}

// The root between the asymptotes 1/(1 - Kmax) and 1/(1 - Kmin) of the present components,
// where F falls from +inf to -inf, by bisection in extended precision.
long double bisect(const std::vector<double>& z, const std::vector<double>& k) {
  long double lo = -1e300L, hi = 1e300L;
  for (std::size_t i = 0; i < z.size(); ++i) {
    if (!(z[i] > 0.0)) continue;
    const long double pole = 1.0L / (1.0L - static_cast<long double>(k[i]));
    if (k[i] > 1.0 && pole > lo) lo = pole;
    if (k[i] < 1.0 && pole < hi) hi = pole;
  }
  const auto f = [&](long double v) {
    long double s = 0.0L;
    for (std::size_t i = 0; i < z.size(); ++i) {
      const long double d = static_cast<long double>(k[i]) - 1.0L;
      s += static_cast<long double>(z[i]) * d / (1.0L + v * d);
    }
    return s;
  };
  for (int i = 0; i < 400; ++i) {
    const long double mid = 0.5L * (lo + hi);
    if (mid <= lo || mid >= hi) break;
    (f(mid) > 0.0L ? lo : hi) = mid;
  }
  return 0.5L * (lo + hi);
}

// 10,000 feeds of 2 to 20 components with K from 1e-6 to 1e6 (log-uniform), some
// components absent: FLASHK agrees with the bisection and its compositions close the
// balance.
TEST(FLASHK, AgreesWithExtendedPrecisionBisection) {
  std::mt19937_64 random(20231211);
  std::uniform_int_distribution<int> size(2, 20);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int solved = 0;
  for (int trial = 0; trial < 10000; ++trial) {
    const auto n = static_cast<std::size_t>(size(random));
    std::vector<double> z(n), k(n);
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      z[i] = unit(random) < 0.1 ? 0.0 : unit(random);
      k[i] = std::pow(10.0, -6.0 + 12.0 * unit(random));
      sum += z[i];
    }
    if (sum == 0.0) z[0] = sum = 1.0;
    for (double& v : z) v /= sum;
    SCOPED_TRACE(testing::Message() << "trial " << trial);
    const Solution s = solve(z, k);
    bool anyAbove = false, anyBelow = false;
    for (std::size_t i = 0; i < n; ++i) {
      if (z[i] > 0.0 && k[i] > 1.0) anyAbove = true;
      if (z[i] > 0.0 && k[i] < 1.0) anyBelow = true;
    }
    if (!anyBelow) {
      ASSERT_EQ(s.ierr, static_cast<std::int32_t>(RachfordRiceResult::AllVapour));
      continue;
    }
    if (!anyAbove) {
      ASSERT_EQ(s.ierr, static_cast<std::int32_t>(RachfordRiceResult::AllLiquid));
      continue;
    }
    ASSERT_EQ(s.ierr, static_cast<std::int32_t>(RachfordRiceResult::Solved));
    const long double reference = bisect(z, k);
    ASSERT_NEAR(s.v, static_cast<double>(reference), 1e-9 * std::max(1.0, std::abs(s.v)));
    // x_i (1 + V (K_i - 1)) = z_i for every component, and y = K x.
    for (std::size_t i = 0; i < n; ++i) {
      ASSERT_NEAR(s.x[i] * (1.0 + s.v * (k[i] - 1.0)), z[i], 1e-12);
      ASSERT_DOUBLE_EQ(s.y[i], k[i] * s.x[i]);
    }
    ++solved;
  }
  EXPECT_GT(solved, 9000);
}

}  // namespace
