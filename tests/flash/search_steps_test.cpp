// FLSBRK, STEPDM and DRICE: the bracketed search on a fraction, the acceleration step and
// the closure of a split at fixed K-values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "flash/flash.hpp"
#include "methods/methods.hpp"
#include "services/services.hpp"
#include "support/test_support.hpp"

namespace {

using flash::BracketState;
using flash::BracketStatus;

class SearchSteps : public ::testing::Test {
 protected:
  void SetUp() override { services::startFlashTolerances(); }
  testing_support::StopThrows stop;
};

// Rachford-Rice in the liquid fraction L: g(L) = sum z (K - 1)/(K (1 - L) + L), which rises
// with L; its root for this feed is found by bisection in the test.
double rachfordRice(const std::vector<double>& z, const std::vector<double>& k, double l) {
  double g = 0.0;
  for (std::size_t i = 0; i < z.size(); ++i) g += z[i] * (k[i] - 1.0) / (k[i] * (1.0 - l) + l);
  return g;
}
double bisectLiquid(const std::vector<double>& z, const std::vector<double>& k) {
  double lo = 0.0, hi = 1.0;
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    (rachfordRice(z, k, mid) > 0.0 ? hi : lo) = mid;
  }
  return 0.5 * (lo + hi);
}

TEST_F(SearchSteps, BracketFirstStepGoesToZeroOrToTheSecondStart) {
  struct Case {
    double f;
    double next;
  };
  for (const Case c : {Case{0.3, 0.0}, Case{-0.3, 0.9}, Case{0.0, 0.9}, Case{-0.0, 0.9}}) {
    SCOPED_TRACE(c.f);
    BracketState s;
    std::int32_t counter = 0, iffail = -1, status = -1;
    double x = 0.5;
    flash::FLSBRK(counter, 60, x, s, c.f, 0.9, iffail, status);
    EXPECT_EQ(x, c.next);
    EXPECT_EQ(counter, 1);
    EXPECT_EQ(iffail, 0);
    EXPECT_EQ(status, 0);
  }
}

TEST_F(SearchSteps, BracketPastItsLimitFailsWithoutMoving) {
  BracketState s;
  std::int32_t counter = 60, iffail = 0, status = 0;
  double x = 0.25;
  flash::FLSBRK(counter, 60, x, s, 1.0, 0.9, iffail, status);
  EXPECT_EQ(x, 0.25);
  EXPECT_EQ(iffail, 1);
  EXPECT_EQ(status, static_cast<std::int32_t>(BracketStatus::StepLimit));
}

// A whole search on the liquid fraction of a flash closes around the root.
TEST_F(SearchSteps, BracketSearchClosesOnTheRoot) {
  const std::vector<double> z{0.3, 0.3, 0.4}, k{4.0, 1.2, 0.1};
  const double root = bisectLiquid(z, k);
  BracketState s;
  std::int32_t counter = 0, iffail = 0, status = 0;
  double x = 0.5001;
  for (int call = 0; call < 60 && status == 0; ++call) {
    flash::FLSBRK(counter, 60, x, s, rachfordRice(z, k, x), 1.0, iffail, status);
  }
  EXPECT_EQ(status, static_cast<std::int32_t>(BracketStatus::Closed));
  EXPECT_EQ(iffail, 0);
  EXPECT_NEAR(s.xb, root, 1e-5);
  EXPECT_LT(counter, 30);
}

TEST_F(SearchSteps, AccelerationStep) {
  struct Case {
    const char* label;
    double lo, hi, dnew, dold, x;
    double w, after;
  };
  const std::vector<Case> cases = {
      // Changes 1, then 0.5 of a geometric sequence: the rest of the series is 0.5, which
      // Aitken's step W = DNEW/(DNEW - DOLD) = -1 adds.
      {"geometric", -3.0, 0.5, 0.5, 1.0, 2.0, -1.0, 2.5},
      {"limited below", -0.5, 0.5, 0.5, 1.0, 2.0, -0.5, 2.25},
      {"equal changes", -3.0, 0.5, 0.2, 0.2, 1.0, -3.0, 1.6},
      {"no new change", -3.0, 0.5, 0.0, 0.3, 1.0, 0.0, 1.0},
      {"no old change", -3.0, 0.5, 0.4, 1e-16, 1.0, 0.0, 1.0},
      {"would cross zero", 0.0, 0.5, 4.0, 1.0, 1.0, 0.5, 0.1},
      {"not positive and no old change", -3.0, 0.5, 0.4, 0.0, -1.0, 0.0, -0.1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    double x = c.x, w = -9.0;
    flash::STEPDM(c.lo, c.hi, c.dnew, c.dold, x, w);
    EXPECT_DOUBLE_EQ(w, c.w);
    EXPECT_DOUBLE_EQ(x, c.after);
  }
}

// The closure reaches the liquid fraction of the split (found here by bisection), with
// single-precision compositions, and leaves it in FLCTL2 word 2.
TEST_F(SearchSteps, ClosureFindsTheSplit) {
  const std::vector<double> z{0.3, 0.3, 0.4}, k{4.0, 1.2, 0.1};
  std::vector<double> x(3), y(3);
  flash::DRICE(0.5, k, z, x, y, 1e-12, 3, 0, -1);
  const double l = methods::FLCTL2.words(2);
  EXPECT_NEAR(l, bisectLiquid(z, k), 1e-10);
  for (std::size_t i = 0; i < 3; ++i) {
    const double xi = z[i] / (k[i] * (1.0 - l) + l);
    EXPECT_EQ(x[i], static_cast<double>(static_cast<float>(xi)));
    EXPECT_EQ(y[i], static_cast<double>(static_cast<float>(k[i] * xi)));
  }
}

TEST_F(SearchSteps, ClosureEdges) {
  std::vector<double> x(2), y(2);
  const std::vector<double> z{0.3, 0.7};
  // K all 1: g = 0 at once, x = y = z in single precision.
  flash::DRICE(0.4, std::vector<double>{1.0, 1.0}, z, x, y, 1e-12, 2, 0, -1);
  EXPECT_EQ(methods::FLCTL2.words(2), 0.4);
  EXPECT_EQ(x[0], static_cast<double>(0.3f));
  EXPECT_EQ(y[1], static_cast<double>(0.7f));
  // K all above 1: driven to no liquid.
  flash::DRICE(0.4, std::vector<double>{3.0, 2.0}, z, x, y, 1e-12, 2, 0, -1);
  EXPECT_EQ(methods::FLCTL2.words(2), 0.0);
  // K above 1e10 acts as 1e10.
  flash::DRICE(0.5, std::vector<double>{1e20, 0.5}, z, x, y, 1e-12, 2, 0, -1);
  const double l = methods::FLCTL2.words(2);
  std::vector<double> x2(2), y2(2);
  flash::DRICE(0.5, std::vector<double>{1e10, 0.5}, z, x2, y2, 1e-12, 2, 0, -1);
  EXPECT_EQ(l, methods::FLCTL2.words(2));
  EXPECT_EQ(x, x2);
}

}  // namespace
