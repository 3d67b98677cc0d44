// The component, flash and valve readers: every attribute with its unit class, in the unit
// sets 1 (internal: K, kPa, kJ/h, m3/kmol, kJ/kmol) and 5 (the shipped table's field set:
// F, psia, M BTU/HR, FT3/LB-MOL, BTU/LB-MOL, LB/FT3), against factors computed here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "access_test_support.hpp"
#include "fixtures/problem_builder.hpp"
#include "problem/problem.hpp"

namespace {

using access_tests::integerRequest;
using access_tests::realRequest;
using access_tests::textRequest;
using access_tests::UnitsProblem;

// Exact unit definitions, NIST Special Publication 811 (2008), Appendix B: foot 0.3048 m,
// pound 0.45359237 kg, pound-force 4.4482216152605 N, Btu_IT 1.05505585262 kJ; the
// Fahrenheit scale F = 1.8 K - 459.67.
constexpr double kFoot = 0.3048;
constexpr double kPound = 0.45359237;
constexpr double kPsi = 4.4482216152605 / (0.0254 * 0.0254) / 1000.0;  // kPa
constexpr double kBtu = 1.05505585262;                                 // kJ
double fahrenheit(double kelvin) { return 1.8 * kelvin - 459.67; }
// Water at 60 F, kg/m3: the density of a specific gravity of 1 in the shipped unit table
// (data/units.txt), and the one with which the fixture builder stores a component's standard
// liquid density as a specific gravity.
constexpr double kTableWater = 999.014;
constexpr double kFixtureWater = 999.016;
double gravity(const fixtures::ComponentSpec& c) { return c.liquidDensity / kFixtureWater; }

// Single precision: the values pass through floats, and the unit table holds its factors
// and offsets as floats (about 6e-8 relative), so an offset of 459.67 may leave an error of
// some 3e-5 beside the relative one.
void expectNear(const std::vector<float>& got, const std::vector<double>& expected) {
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t k = 0; k < got.size(); ++k) {
    EXPECT_NEAR(got[k], expected[k], 2e-6 * std::max(1.0, std::abs(expected[k])) + 5e-5) << k;
  }
}

// The components by component number: 1 METHANE, 2 ETHANE, 3 PROPANE, 4 WATER, stored in
// the order PROPANE, METHANE, ETHANE, WATER.
std::vector<fixtures::ComponentSpec> byNumber() {
  std::vector<fixtures::ComponentSpec> c;
  for (const char* name : {"METHANE", "ETHANE", "PROPANE", "WATER"}) {
    c.push_back(fixtures::publishedComponent(name));
  }
  return c;
}

TEST_F(UnitsProblem, ComponentsAnswerInComponentNumberOrder) {
  const auto ids = textRequest("COMPS", "IDS", "ANYTHING");
  EXPECT_EQ(ids.values, std::vector<std::string>({"METHANE", "ETHANE", "PROPANE", "WATER"}));
  EXPECT_EQ(ids.elen, 16);
  EXPECT_EQ(integerRequest("COMPS", "LibraryNumber", "").values,
            std::vector<std::int32_t>({1001, 0, 1003, 1004}))
      << "ETHANE has none";

  struct Row {
    std::string attr;
    std::int32_t iucls;
    double (*set1)(const fixtures::ComponentSpec&);
    double (*set5)(const fixtures::ComponentSpec&);
  };
  const std::vector<Row> rows{
      {"MolWeight", 0, [](const auto& c) { return c.molecularWeight; },
       [](const auto& c) { return c.molecularWeight; }},
      {"NormBoilPt", 1, [](const auto& c) { return c.normalBoilingPoint; },
       [](const auto& c) { return fahrenheit(c.normalBoilingPoint); }},
      {"StdLiqDens", 19, [](const auto& c) { return gravity(c) * kTableWater; },
       [](const auto& c) { return gravity(c) * kTableWater / (kPound / std::pow(kFoot, 3)); }},
      {"SpecGravity", 21, [](const auto& c) { return gravity(c); },
       [](const auto& c) { return gravity(c); }},
      {"ApiGravity", 21, [](const auto& c) { return 141.5 / gravity(c) - 131.5; },
       [](const auto& c) { return 141.5 / gravity(c) - 131.5; }},
      {"CritTemp", 1, [](const auto& c) { return c.criticalTemperature; },
       [](const auto& c) { return fahrenheit(c.criticalTemperature); }},
      {"CritPres", 4, [](const auto& c) { return c.criticalPressure; },
       [](const auto& c) { return c.criticalPressure / kPsi; }},
      {"CritVol", 100022, [](const auto& c) { return c.criticalVolume; },
       [](const auto& c) { return c.criticalVolume / (std::pow(kFoot, 3) / kPound); }},
      {"CritCompress", 0, [](const auto& c) { return c.criticalCompressibility; },
       [](const auto& c) { return c.criticalCompressibility; }},
      {"AcenFactor", 0, [](const auto& c) { return c.acentricFactor; },
       [](const auto& c) { return c.acentricFactor; }},
      {"StdHeatForm", 100028, [](const auto& c) { return c.heatOfFormation; },
       [](const auto& c) { return c.heatOfFormation / (kBtu / kPound); }},
      {"StdFreEnForm", 100028, [](const auto& c) { return c.freeEnergyOfFormation; },
       [](const auto& c) { return c.freeEnergyOfFormation / (kBtu / kPound); }},
  };
  const auto components = byNumber();
  for (const Row& row : rows) {
    for (const std::int32_t set : {1, 5}) {
      SCOPED_TRACE(row.attr + " in set " + std::to_string(set));
      const auto r = realRequest("COMPS", row.attr, "", set);
      EXPECT_EQ(r.ierr, 0);
      EXPECT_EQ(r.iucls, row.iucls);
      std::vector<double> expected;
      for (const auto& c : components) expected.push_back(set == 1 ? row.set1(c) : row.set5(c));
      // ETHANE has no critical volume: 0.0 in its place.
      if (row.attr == "CritVol") expected[1] = 0.0;
      expectNear(r.values, expected);
    }
  }
}

TEST_F(UnitsProblem, FlashAndValveResultsInUnitSetsOneAndFive) {
  struct Row {
    std::string cls, attr, id;
    std::int32_t iucls;
    double set1, set5;
  };
  const std::vector<Row> rows{
      {"Flash", "TempCalc", "FLASH-1", 1, 310.0, fahrenheit(310.0)},
      {"Flash", "PresCalc", "FLASH-1", 4, 4000.0, 4000.0 / kPsi},
      // kJ/h to millions of Btu per hour.
      {"Flash", "DutyCalc", "FLASH-1", 26, -1500.0, -1500.0 / (1.0e6 * kBtu)},
      {"Flash", "TempCalc   ", "FLASH-1", 1, 310.0, fahrenheit(310.0)},
      {"Valve", "TempCalc", "VALVE-1", 1, 290.0, fahrenheit(290.0)},
      // A missing stored value is 0.0 in every set, never a converted marker.
      {"Valve", "PresCalc", "VALVE-1", 4, 0.0, 0.0},
      // A result sector shorter than the places read: missing as well.
      {"Flash", "PresCalc", "FLASH-2", 4, 0.0, 0.0},
      {"Flash", "TempCalc", "FLASH-2", 1, 250.0, fahrenheit(250.0)},
  };
  for (const Row& row : rows) {
    for (const std::int32_t set : {1, 5}) {
      SCOPED_TRACE(row.cls + " " + row.attr + " " + row.id + " in set " + std::to_string(set));
      const auto r = realRequest(row.cls, row.attr, row.id, set);
      EXPECT_EQ(r.ierr, 0);
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(r.iucls, row.iucls);
      expectNear(r.values, {set == 1 ? row.set1 : row.set5});
    }
  }
  const auto duty = realRequest("Valve", "DutyCalc", "VALVE-1");
  EXPECT_EQ(duty.ierr, 1);
  EXPECT_EQ(duty.count, 0);
  EXPECT_EQ(duty.out, " ATTRIBUTE NOT SUPPORTED: DutyCalc             FOR VALVE\n");
  EXPECT_EQ(realRequest("Flash", "TempCalc", "VALVE-1").out,
            " UNIT ID: VALVE-1      IS NOT FLASH UNIT OP\n");
}

TEST_F(UnitsProblem, KValuesOfTheConnectedStreamInInternalOrder) {
  // FEED's vapour over liquid by stored position (PROPANE, METHANE, ETHANE, WATER): WATER has
  // no liquid and gets 1.0.
  for (const std::string cls : {"Flash", "Valve"}) {
    SCOPED_TRACE(cls);
    const auto r = realRequest(cls, "KValues", cls == "Flash" ? "FLASH-1" : "VALVE-1", 5);
    EXPECT_EQ(r.ierr, 0);
    EXPECT_EQ(r.count, 4);
    EXPECT_EQ(r.iucls, 0);
    expectNear(r.values, std::vector<double>(std::begin(fixtures::kFeedKValues),
                                             std::end(fixtures::kFeedKValues)));
    // The connected stream is current afterwards: FEED for the flash, LIQ for the valve.
    EXPECT_EQ(problem::SRPSET.set2.stream, cls == "Flash" ? 1 : 3);
  }
  // A connection to a stream that does not exist: K-values 0.0, the other results answered.
  const auto lost = realRequest("Flash", "KValues", "FLASH-2");
  EXPECT_EQ(lost.ierr, 0);
  expectNear(lost.values, {0.0, 0.0, 0.0, 0.0});
}

}  // namespace
