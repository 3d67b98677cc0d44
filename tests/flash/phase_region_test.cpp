// FLS3RG: the phase-region code of a split, after the fractions are made admissible.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "flash/flash.hpp"

namespace {

struct Case {
  double x, y, z;     // received (liquid 1, vapour, liquid 2)
  double ex, ey, ez;  // after clamping and normalising
  std::int32_t region;
};

// Every region, and the clamping and renormalising before the classification: a fraction of
// exactly 0 or 1 is never "inside" for the three-phase code.
TEST(FLS3RG, ClassifiesAdmissibleFractions) {
  const std::vector<Case> cases = {
      {0.2, 0.3, 0.5, 0.2, 0.3, 0.5, 3},
      {0.5, 0.5, 0.0, 0.5, 0.5, 0.0, 2},
      {0.0, 0.4, 0.6, 0.0, 0.4, 0.6, 4},
      {0.0, 1.0, 0.0, 0.0, 1.0, 0.0, 1},
      {0.7, 0.0, 0.3, 0.7, 0.0, 0.3, 6},
      {1.0, 0.0, 0.0, 1.0, 0.0, 0.0, 5},
      {0.0, 0.0, 1.0, 0.0, 0.0, 1.0, 7},
      {-0.1, 0.6, 0.6, 0.0, 0.5, 0.5, 4},
      {1.2, 0.1, -0.3, 1.0 / 1.1, 0.1 / 1.1, 0.0, 2},
      {-0.2, 0.0, -1.0, 0.0, 0.0, 0.0, 5},
      {0.0, 0.5, 0.5, 0.0, 0.5, 0.5, 4},
      {2.0, 2.0, 2.0, 1.0 / 3, 1.0 / 3, 1.0 / 3, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << ", " << c.y << ", " << c.z);
    double x = c.x, y = c.y, z = c.z;
    std::int32_t region = -1;
    flash::FLS3RG(-1, 0, x, y, z, region);
    EXPECT_EQ(region, c.region);
    EXPECT_NEAR(x, c.ex, 1e-15);
    EXPECT_NEAR(y, c.ey, 1e-15);
    EXPECT_NEAR(z, c.ez, 1e-15);
  }
}

}  // namespace
