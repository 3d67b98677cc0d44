// Reid vapour pressure by correlation: the published pieces, their joins and the guards.
#include "streamprops/reid_correlation.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "services/markers.hpp"

namespace streamprops {
namespace {

constexpr double kPsiPerKpa = 0.1450373;
double kpaOf(double psi) { return psi / kPsiPerKpa; }

double rvpOf(std::int32_t m, double s, double psi) {
  double rvp = 0.0;
  SPERVC(m, 1, s, kpaOf(psi), rvp);
  return rvp;
}

TEST(RVPAUX, IsThePowerSumOfItsCoefficients) {
  const std::array<double, 4> c = {1.5, -2.0, 0.25, 3.0};
  for (const double x : {-1.7, 0.0, 0.3, 2.0, 11.0}) {
    SCOPED_TRACE(x);
    EXPECT_DOUBLE_EQ(RVPAUX(1, c, x), 1.5);
    EXPECT_NEAR(RVPAUX(4, c, x), 1.5 - 2.0 * x + 0.25 * x * x + 3.0 * x * x * x,
                1e-12 * (1.0 + std::abs(x * x * x)));
  }
}

// Hand values from the two correlations' formulas.
TEST(SPERVC, GivesTheCorrelationOfEachRange) {
  struct Case {
    std::int32_t m;
    double s, psi, rvp;
  };
  const Case cases[] = {
      {1, 2.0, 1.0, 1.0 - 0.25 * 0.2},  // low range, slope ignored
      {1, 9.0, 0.3, 0.15},              // lowest range, half the TVP
      {1, 4.0, 10.0,                    // weight 0: the polynomial itself
       0.35888 + 0.64493 * 10 + 0.0935555 * 100 - 0.011828 * 1e3 + 0.00063998 * 1e4 -
           1.245E-05 * 1e5},
      {1, 0.0, 10.0, 10.0},                                     // weight 1: the TVP
      {1, 4.0, 25.0, 18.61248 + 0.6257 * 5.0},                  // straight line
      {1, 2.0, 25.0, 18.61248 + 0.6257 * 5.0 + (25.0 - 18.61248 - 0.6257 * 5.0) / 3.0},
      {2, 0.0, 40.0, 20.27464},  // straight line of the TVP-only correlation
      {2, 0.0, 10.0,
       -0.2451536 + 11.158916 - 3.93095 + 1.16851 - 1.486799E-05 * 1e4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "method " << c.m << " S " << c.s << " t " << c.psi);
    EXPECT_NEAR(rvpOf(c.m, c.s, c.psi), c.rvp, 1e-9);
  }
}

TEST(SPERVC, PiecesJoinWithoutAStep) {
  struct Join {
    std::int32_t m;
    double s, psi;
  };
  const Join joins[] = {{1, 2.0, 0.4}, {1, 2.0, 1.2}, {1, 2.0, 1.5}, {1, -1.0, 1.5},
                        {1, 7.0, 1.5}, {1, 2.0, 20.0}, {2, 0.0, 30.0}};
  constexpr double kDelta = 1e-7;
  for (const Join& j : joins) {
    SCOPED_TRACE(testing::Message() << "method " << j.m << " S " << j.s << " t " << j.psi);
    EXPECT_NEAR(rvpOf(j.m, j.s, j.psi - kDelta), rvpOf(j.m, j.s, j.psi + kDelta), 1e-5);
  }
}

// A missing or non-positive TVP, and the slope -4 that leaves the weight undefined, give
// the missing value, never a number.
TEST(SPERVC, MissingWhereNoValueExists) {
  for (const double tvp : {0.0, -3.0, services::DMISS}) {
    for (const std::int32_t m : {1, 2}) {
      double rvp = 7.0;
      SPERVC(m, 1, 2.0, tvp, rvp);
      EXPECT_EQ(rvp, services::DMISS) << "method " << m << " TVP " << tvp;
    }
  }
  EXPECT_EQ(rvpOf(1, -4.0, 10.0), services::DMISS);
  EXPECT_NEAR(rvpOf(1, -4.0, 1.0), 0.95, 1e-12);  // low range needs no weight
  EXPECT_TRUE(std::isfinite(rvpOf(1, -4.0 + 1e-9, 10.0)));
}

}  // namespace
}  // namespace streamprops
