// The ideal-gas heat capacities the fixture builder writes into its enthalpy sets, against
// tabulated values at 298.15 K from sources independent of the fitted polynomials: a slip in
// one coefficient moves these by far more than the fits' own error of about one per cent.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"

namespace {

struct Tabulated {
  std::string name;
  double cp;  // kJ/(kmol K) at 298.15 K
};

TEST(FixtureHeatCapacities, AgreeWithTabulatedValuesAtRoomTemperature) {
  // M. W. Chase, NIST-JANAF Thermochemical Tables, 4th ed., J. Phys. Chem. Ref. Data
  // Monograph 9 (1998): nitrogen, carbon dioxide, hydrogen sulfide, methane, water.
  // Thermodynamics Research Center tables of the ideal-gas properties of the n-alkanes, as
  // given in the NIST Chemistry WebBook: ethane to n-hexane.
  const std::vector<Tabulated> table = {
      {"NITROGEN", 29.12},  {"CARBON DIOXIDE", 37.13}, {"HYDROGEN SULFIDE", 34.25},
      {"METHANE", 35.64},   {"WATER", 33.59},          {"ETHANE", 52.49},
      {"PROPANE", 73.60},   {"N-BUTANE", 98.49},       {"N-PENTANE", 120.04},
      {"N-HEXANE", 143.09},
  };
  for (const Tabulated& t : table) {
    SCOPED_TRACE(t.name);
    EXPECT_NEAR(fixtures::idealGasHeatCapacity(t.name, 298.15), t.cp, 0.015 * t.cp);
  }
}

TEST(FixtureHeatCapacities, AnUnknownGasIsRefused) {
  EXPECT_THROW(fixtures::idealGasHeatCapacity("ARGON", 298.15), std::invalid_argument);
}

}  // namespace
