// The octane blending model: a single component, components without group data, and an
// olefin and saturate pair computed by hand with the model's interaction coefficient.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "streamprops/octane_numbers.hpp"

namespace {

using namespace streamprops;

struct Blend {
  std::vector<double> v, on, g;  // g: column per group
  double run(std::int32_t iprop) {
    GroupFractions groups{g, v.size()};
    double value = -1.0;
    RONSSI(iprop, v, v, on, groups, 0, value);
    return value;
  }
};

TEST(RONSSI, SingleComponentGivesItsOwnNumber) {
  // Whatever its group split, a component alone keeps its octane number.
  const std::vector<std::array<double, 3>> splits{{1, 0, 0}, {0, 1, 0}, {0.2, 0.3, 0.5},
                                                  {0, 0, 0}};
  for (const auto& split : splits) {
    for (std::int32_t iprop : {kResearchOctane, kMotorOctane}) {
      Blend b{{1.0}, {91.5}, {split[0], split[1], split[2]}};
      EXPECT_NEAR(b.run(iprop), 91.5, 1e-12);
    }
  }
}

TEST(RONSSI, WithoutGroupDataGivesTheVolumeAverage) {
  Blend b{{0.2, 0.5, 0.3}, {100.0, 90.0, 60.0}, std::vector<double>(9, 0.0)};
  EXPECT_NEAR(b.run(kResearchOctane), 0.2 * 100.0 + 0.5 * 90.0 + 0.3 * 60.0, 1e-12);
}

TEST(RONSSI, OlefinSaturatePairUsesTheirCoefficientOnly) {
  // A pure olefin (ON 95, 40 %) with a pure saturate (ON 70, 60 %): each keeps its own
  // number as de-interacted value, the pair coefficient is T(olefin, saturate), and
  //   ON = v1^2 ON1 + v2^2 ON2 + 2 v1 v2 (ON1 + ON2) / 2 (1 - T).
  struct Case {
    std::int32_t iprop;
    double t;  // olefin-saturate coefficient of the model
  };
  for (const Case& c : {Case{kResearchOctane, -0.1462}, Case{kMotorOctane, -0.0916}}) {
    SCOPED_TRACE(c.iprop);
    Blend b{{0.4, 0.6}, {95.0, 70.0}, {1, 0, 0, 0, 0, 1}};
    const double hand =
        0.16 * 95.0 + 0.36 * 70.0 + 2.0 * 0.4 * 0.6 * (95.0 + 70.0) / 2.0 * (1.0 - c.t);
    EXPECT_NEAR(b.run(c.iprop), hand, 1e-9);
  }
}

TEST(RONSSI, ComponentWithoutGroupsTakesItsPartnersCoefficient) {
  // The second component has no group data: its de-interacted number is 0, the pair
  // denominator comes from the first alone and the numerator is 0, so the pair coefficient
  // is 1 and the cross term vanishes.
  Blend b{{0.5, 0.5}, {90.0, 80.0}, {0, 0, 1, 0, 0, 0}};
  EXPECT_NEAR(b.run(kResearchOctane), 0.25 * 90.0 + 0.25 * 80.0, 1e-9);
}

}  // namespace
