#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fixtures/units_table.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"

namespace {

using services::ConversionKind;
using services::TemperatureUnit;
using services::UOMCNV;
using services::UOMCOD;
using services::UOMFAC;
using services::UOMFCT;
using services::UOMTAB;

const fixtures::UnitsTable& shipped() {
  static const fixtures::UnitsTable table = fixtures::shippedUnitsTable();
  return table;
}

// Relative agreement for values that went through single-precision factors.
void expectNear(double actual, double expected, double relative = 2.0e-6) {
  EXPECT_NEAR(actual, expected, relative * std::max(1.0, std::fabs(expected)));
}

// The shipped tables loaded as the support database brings them; no basis, no timing.
class UnitsOfMeasure : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::loadUnitTables(shipped());
    services::GSCTAB = {};
    services::GSCTAB.reals(3) = services::DMISS;  // the basis is not set
    services::GDPOPT = {};
    services::TIMST1 = {};
  }
  void TearDown() override {
    UOMTAB = {};
    UOMCOD = {};
    services::GSCTAB = {};
    services::GDPOPT = {};
    services::TIMST1 = {};
  }

  static std::int32_t code(TemperatureUnit unit) { return UOMCOD.temperatureCode(unit); }

  static ConversionKind kindOf(std::int32_t cls, std::int32_t from, std::int32_t to) {
    ConversionKind kind = ConversionKind::Invalid;
    double ff = 0.0;
    double ft = 0.0;
    double of = 0.0;
    double ot = 0.0;
    UOMFAC(cls, from, to, kind, ff, ft, of, ot);
    return kind;
  }

  // A value of the size that class CLS usually holds in its internal unit.
  static double sample(std::int32_t cls) {
    if (cls == services::kTemperatureClass) return 311.5;
    if (cls == services::kPressureClass) return 257.3;
    if (cls == services::kSpecificGravityClass || cls == services::kLiquidDensityClass) {
      return 743.2;
    }
    return 1.2345;
  }
};

// ----------------------------------------------------------------------------------------
// The shipped table
// ----------------------------------------------------------------------------------------

TEST_F(UnitsOfMeasure, TableIsComplete) {
  const fixtures::UnitsTable& table = shipped();
  for (std::int32_t cls = 1; cls <= services::kUnitClasses; ++cls) {
    SCOPED_TRACE("class " + std::to_string(cls));
    EXPECT_FALSE(table.quantities[static_cast<std::size_t>(cls - 1)].empty());
    for (std::int32_t row = 0; row < services::kUnitSetRows; ++row) {
      SCOPED_TRACE("row " + std::to_string(row));
      const std::int32_t unit = table.defaultUnit(cls, row);
      ASSERT_GE(unit, services::kFirstUnitCode);
      ASSERT_LE(unit, services::kLastUnitCode);
      EXPECT_NE(table.factor(cls, unit), 0.0F);
      EXPECT_NE(table.setLabel(cls, row), std::string(20, ' '));
      EXPECT_EQ(table.setLabel(cls, row), table.codeLabel(cls, unit));
    }
    // Set 1, and row 0 with it, is the internal unit.
    const std::int32_t internal = table.defaultUnit(cls, 1);
    EXPECT_EQ(table.defaultUnit(cls, 0), internal);
    EXPECT_EQ(table.factor(cls, internal), 1.0F);
    if (cls == services::kTemperatureClass || cls == services::kPressureClass) {
      EXPECT_EQ(table.offset(cls, internal), 0.0F);
    }
    // Every unit of the class has a label there; the problem's own codes are empty.
    for (std::int32_t unit = services::kFirstUnitCode; unit <= services::kLastUnitCode; ++unit) {
      if (table.factor(cls, unit) != 0.0F) {
        EXPECT_NE(table.codeLabel(cls, unit), std::string(20, ' ')) << "code " << unit;
      }
      if (unit > services::kLastOffsetCode) {
        EXPECT_EQ(table.factor(cls, unit), 0.0F);
      }
    }
  }
  EXPECT_GE(table.currentSet(), 1);
  EXPECT_LE(table.currentSet(), services::kNamedUnitSets);
}

TEST_F(UnitsOfMeasure, CodeWordsNameTheUnitsTheirReadersExpect) {
  // Kelvin, Celsius, Rankine and Fahrenheit in this order, as the temperature correlations
  // read them: the degree sizes and zero points of the definitions.
  struct Case {
    TemperatureUnit unit;
    double factor;
    double offset;
  };
  for (const Case& c :
       {Case{TemperatureUnit::Kelvin, 1.0, 0.0}, Case{TemperatureUnit::Celsius, 1.0, 273.15},
        Case{TemperatureUnit::Rankine, 5.0 / 9.0, 0.0},
        Case{TemperatureUnit::Fahrenheit, 5.0 / 9.0, 459.67}}) {
    SCOPED_TRACE(static_cast<int>(c.unit));
    expectNear(UOMTAB.factor(1, code(c.unit)), c.factor, 1.0e-7);
    expectNear(UOMTAB.offset(1, code(c.unit)), c.offset, 1.0e-7);
  }
  // The API-gravity and specific-gravity codes convert in classes 19 and 21 only.
  for (const std::int32_t unit : {UOMCOD.apiGravityCode(), UOMCOD.specificGravityCode()}) {
    for (std::int32_t cls = 1; cls <= services::kUnitClasses; ++cls) {
      const bool gravityClass = cls == 19 || cls == 21;
      EXPECT_EQ(UOMTAB.factor(cls, unit) != 0.0F, gravityClass) << cls << " " << unit;
    }
  }
}

TEST_F(UnitsOfMeasure, SetsMeetTheFlashCallsIdentities) {
  // The stream vector's enthalpy word is 1000 times its set-5 heat duty and the flash
  // calls build it as set-5 rate times set-5 molar enthalpy divided by 1000.
  const double rate = 3.7;         // kmol/h
  const double enthalpy = 5432.1;  // kJ/kmol
  expectNear(1000.0 * UOMCNV(rate * enthalpy, 26, 1, 5),
             UOMCNV(rate, 31, 1, 5) * UOMCNV(enthalpy, 28, 1, 5) / 1000.0);
  // A set-5 temperature step is the set-5 degree.
  double a = 0.0;
  double b = 0.0;
  UOMFCT(1, 1, 5, a, b);
  expectNear(UOMCNV(1.0, 2, 1, 5), a);
  // Per-mass and per-mole conversions of set 5 match, and the rates are per set-5 hour.
  expectNear(UOMCNV(1.0, 7, 1, 5), UOMCNV(1.0, 31, 1, 5));
  expectNear(UOMCNV(1.0, 8, 1, 5), 1.0);
}

// ----------------------------------------------------------------------------------------
// Conversion
// ----------------------------------------------------------------------------------------

TEST_F(UnitsOfMeasure, MatchesPublishedValues) {
  const std::int32_t k = code(TemperatureUnit::Kelvin);
  const std::int32_t c = code(TemperatureUnit::Celsius);
  const std::int32_t r = code(TemperatureUnit::Rankine);
  const std::int32_t f = code(TemperatureUnit::Fahrenheit);
  struct Case {
    const char* what;
    std::int32_t cls;
    double value;
    std::int32_t from;
    std::int32_t to;
    double expected;
  };
  const std::vector<Case> cases = {
      // Temperature scales (ITS-90 relations): boiling water and the coincident -40.
      {"100 C in F", 1, 100.0, c, f, 212.0},
      {"100 C in K", 1, 100.0, c, k, 373.15},
      {"100 C in R", 1, 100.0, c, r, 671.67},
      {"212 F in C", 1, 212.0, f, c, 100.0},
      {"671.67 R in F", 1, 671.67, r, f, 212.0},
      {"-40 C in F", 1, -40.0, c, f, -40.0},
      {"0 K in F", 1, 0.0, k, f, -459.67},
      {"a 10 C step in F", 2, 10.0, c, f, 18.0},
      // Pressure: the standard atmosphere in absolute and gauge units.
      {"0 psig in psia", 4, 0.0, 22, 15, 14.695949},
      {"0 psig in kPa", 4, 0.0, 22, 14, 101.325},
      {"1 atm in mmHg", 4, 1.0, 17, 19, 760.0},
      {"0 barg in bar", 4, 0.0, 24, 16, 1.01325},
      {"100 psig in kPa(g)", 4, 100.0, 22, 23, 689.4757},
      {"1 psi difference in kPa", 5, 1.0, 15, 14, 6.894757},
      // Factors of NIST Special Publication 811 (2008), Appendix B.
      {"1 BTU/(h ft F) in W/(m K)", 35, 1.0, 92, 91, 1.730735},
      {"1 BTU/(h ft2 F) in W/(m2 K)", 36, 1.0, 96, 97, 5.678263},
      {"1 hp in kW", 25, 1.0, 77, 69, 0.7456999},
      {"1 MMBTU/h in kW", 26, 1.0, 74, 69, 293.0711},
      {"1 bbl in US gal", 16, 1.0, 46, 45, 42.0},
      {"1 ft3 in L", 17, 1.0, 44, 47, 28.31685},
      {"1 lb/ft3 in kg/m3", 20, 1.0, 55, 54, 16.01846},
      {"1 cP in Pa s", 40, 1.0, 109, 108, 0.001},
      {"1 lb/(ft h) in cP", 40, 1.0, 110, 109, 0.4133789},
      {"1 ft2/s in cSt", 41, 1.0, 114, 112, 92903.04},
      {"1 dyn/cm in N/m", 42, 1.0, 117, 116, 0.001},
      {"1 lbf in kN", 11, 1.0, 126, 125, 0.004448222},
      {"1 BTU/ft3 in kJ/m3", 39, 1.0, 137, 136, 37.25895},
      {"1 lbmol/h in kmol/h", 31, 1.0, 86, 85, 0.45359237},
      {"1 lb/h in kg/h", 32, 1.0, 86, 85, 0.45359237},
      {"1 BTU/lbmol in kJ/kmol", 28, 1.0, 80, 79, 2.326},
      {"1 BTU/(lbmol F) in kJ/(kmol K)", 29, 1.0, 83, 82, 4.1868},
      {"1 MMSCF/d in m3/h", 34, 1.0, 53, 48, 1179.869},
      {"180 deg in rad", 47, 180.0, 149, 148, 3.14159265},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.what);
    expectNear(UOMCNV(t.value, t.cls, t.from, t.to), t.expected);
  }
}

TEST_F(UnitsOfMeasure, EverySetRoundTrips) {
  for (std::int32_t cls = 1; cls <= services::kUnitClasses; ++cls) {
    for (std::int32_t a = 1; a <= services::kNamedUnitSets; ++a) {
      for (std::int32_t b = 1; b <= services::kNamedUnitSets; ++b) {
        SCOPED_TRACE("class " + std::to_string(cls) + " sets " + std::to_string(a) + " -> " +
                     std::to_string(b));
        const double x = UOMCNV(sample(cls), cls, 1, a);  // a value in set a
        ASSERT_NE(kindOf(cls, a, b), ConversionKind::Invalid);
        expectNear(UOMCNV(UOMCNV(x, cls, a, b), cls, b, a), x);
        expectNear(UOMCNV(UOMCNV(x, -cls, a, b), -cls, b, a), x);
      }
      // The current set (0) is the problem's set.
      EXPECT_EQ(UOMCNV(sample(cls), cls, 1, 0),
                UOMCNV(sample(cls), cls, 1, shipped().currentSet()));
    }
  }
}

TEST_F(UnitsOfMeasure, ClassesWithoutOffsetsAreLinear) {
  for (std::int32_t cls = 1; cls <= services::kUnitClasses; ++cls) {
    if (cls == services::kTemperatureClass || cls == services::kPressureClass) continue;
    for (std::int32_t set = 2; set <= services::kNamedUnitSets; ++set) {
      if (kindOf(cls, 1, set) != ConversionKind::Linear) continue;  // API gravity
      SCOPED_TRACE("class " + std::to_string(cls) + " set " + std::to_string(set));
      EXPECT_EQ(UOMCNV(0.0, cls, 1, set), 0.0);
      const double one = UOMCNV(1.0, cls, 1, set);
      expectNear(UOMCNV(-3.5, cls, 1, set), -3.5 * one, 1.0e-12);
      expectNear(UOMCNV(2.0e6, cls, 1, set), 2.0e6 * one, 1.0e-12);
    }
  }
}

TEST_F(UnitsOfMeasure, FactorAndOffsetAgreeWithConversion) {
  for (std::int32_t cls = -services::kUnitClasses; cls <= services::kUnitClasses; ++cls) {
    for (std::int32_t set = 0; set <= services::kNamedUnitSets; ++set) {
      SCOPED_TRACE("class " + std::to_string(cls) + " set " + std::to_string(set));
      double a = 0.0;
      double b = 0.0;
      UOMFCT(cls, 1, set, a, b);
      const ConversionKind kind = kindOf(cls, 1, set);
      if (kind == ConversionKind::Linear) {
        const double x = sample(cls < 0 ? -cls : cls);
        expectNear(a * x + b, UOMCNV(x, cls, 1, set), 1.0e-12);
      } else {
        EXPECT_EQ(a, 1.0);
        EXPECT_EQ(b, 0.0);
      }
    }
  }
}

TEST_F(UnitsOfMeasure, ApiGravityConvertsBothWays) {
  const std::int32_t api = UOMCOD.apiGravityCode();
  const std::int32_t sg = UOMCOD.specificGravityCode();
  EXPECT_EQ(kindOf(21, api, sg), ConversionKind::FromApiGravity);
  EXPECT_EQ(kindOf(21, sg, api), ConversionKind::ToApiGravity);
  EXPECT_DOUBLE_EQ(UOMCNV(10.0, 21, api, sg), 1.0);
  EXPECT_DOUBLE_EQ(UOMCNV(1.0, 21, sg, api), 10.0);
  // Gasoline-like 60 API is specific gravity 141.5 / 191.5.
  expectNear(UOMCNV(60.0, 21, api, sg), 141.5 / 191.5);
  expectNear(UOMCNV(141.5 / 191.5, 19, sg, api), 60.0);
  // Through the density of the internal set and the API set 7.
  expectNear(UOMCNV(10.0, 19, api, 1), 999.014);
  expectNear(UOMCNV(999.014, 21, 1, 7), 10.0);
  expectNear(UOMCNV(UOMCNV(35.0, 21, 7, 1), 21, 1, 7), 35.0);
  // No positive specific gravity: the argument comes back.
  for (const double x : {0.0, -0.4}) EXPECT_EQ(UOMCNV(x, 21, sg, api), x);
  for (const double x : {-131.5, -200.0}) EXPECT_EQ(UOMCNV(x, 21, api, sg), x);
}

TEST_F(UnitsOfMeasure, MissingValuesPassUnchanged) {
  for (const double x : {services::RMISS, services::DMISS, -1.0e36, -1.1e35}) {
    for (const std::int32_t cls : {1, 4, 21, 26, -17}) {
      EXPECT_EQ(UOMCNV(x, cls, 1, 5), x) << cls;
    }
  }
  // A large value above the markers converts.
  expectNear(UOMCNV(-0.5e35, 7, 1, 5), -0.5e35 / 0.45359237);
}

TEST_F(UnitsOfMeasure, PerUnitClassesConvertTheOtherWayWithoutOffsets) {
  const std::int32_t k = code(TemperatureUnit::Kelvin);
  const std::int32_t c = code(TemperatureUnit::Celsius);
  const std::int32_t f = code(TemperatureUnit::Fahrenheit);
  // The factors of the TO unit are the source: a value per K is 5/9 of it per F.
  ConversionKind kind = ConversionKind::Invalid;
  double ff = 0.0;
  double ft = 0.0;
  double of = 1.0;
  double ot = 1.0;
  UOMFAC(-1, k, f, kind, ff, ft, of, ot);
  EXPECT_EQ(kind, ConversionKind::Linear);
  expectNear(ff, 5.0 / 9.0);
  EXPECT_EQ(ft, 1.0);
  EXPECT_EQ(of, 0.0);
  EXPECT_EQ(ot, 0.0);
  expectNear(UOMCNV(9.0, -1, k, f), 5.0);
  expectNear(UOMCNV(2.0, -1, c, k), 2.0);
  expectNear(UOMCNV(1.0, -4, 14, 15), 6.894757);  // per kPa to per psi
  // A heating value per volume: 1000 kJ/m3 is 26.83919 BTU/ft3 (class 24 per class 17).
  expectNear(UOMCNV(UOMCNV(1000.0, 24, 1, 2), -17, 1, 2), 26.83919);
}

TEST_F(UnitsOfMeasure, InvalidInputPassesUnchanged) {
  const double x = 123.25;
  struct Case {
    const char* what;
    std::int32_t cls;
    std::int32_t from;
    std::int32_t to;
  };
  const std::vector<Case> cases = {
      {"class 0", 0, 1, 5},     {"class 51", 51, 1, 5},           {"class -51", -51, 1, 5},
      {"code 9", 1, 9, 5},      {"code 163", 1, 163, 5},          {"set 8", 1, 1, 8},
      {"set -1", 1, -1, 5},     {"code 14 in class 1", 1, 14, 5}, {"problem code 160", 1, 1, 160},
      {"same code", 1, 13, 13}, {"same set", 28, 2, 2},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.what);
    EXPECT_EQ(UOMCNV(x, t.cls, t.from, t.to), x);
    double a = 0.0;
    double b = 1.0;
    UOMFCT(t.cls, t.from, t.to, a, b);
    EXPECT_EQ(a, 1.0);
    EXPECT_EQ(b, 0.0);
  }
}

TEST_F(UnitsOfMeasure, UnloadedOrDamagedTablesPassValuesUnchanged) {
  const double x = 77.5;
  // The current set is not a named set.
  for (const std::int32_t set : {0, 8, 55, -3}) {
    UOMTAB.currentSet() = set;
    EXPECT_EQ(UOMCNV(x, 1, 0, 1), x) << set;
  }
  fixtures::loadUnitTables(shipped());
  // A default-unit entry that names no unit code.
  for (const std::int32_t garbage : {0, 9, 163, 100000, -2111111111}) {
    UOMTAB.defaultUnit(1, 5) = garbage;
    EXPECT_EQ(UOMCNV(x, 1, 1, 5), x) << garbage;
    EXPECT_EQ(UOMCNV(x, 1, 0, 1), x) << garbage;  // the current set is 5
  }
  // Before the databases are read every table is zero.
  UOMTAB = {};
  UOMCOD = {};
  for (std::int32_t unit : {0, 1, 5, 7, 10, 162}) {
    EXPECT_EQ(UOMCNV(x, 21, unit, 1), x) << unit;
    EXPECT_EQ(UOMCNV(x, 1, 2, unit), x) << unit;
  }
}

TEST_F(UnitsOfMeasure, BasisFactorScalesTheRateClasses) {
  const std::vector<std::int32_t> rateClasses = {25, 26, 27, 31, 32, 33, 34, 38};
  const double x = 12.5;
  std::vector<double> unbased;
  for (const std::int32_t cls : rateClasses) unbased.push_back(UOMCNV(x, cls, 1, 5));

  services::GSCTAB.reals(3) = 350.0;
  services::GSCTAB.reals(4) = 0.5;
  for (std::size_t k = 0; k < rateClasses.size(); ++k) {
    const std::int32_t cls = rateClasses[k];
    SCOPED_TRACE("class " + std::to_string(cls));
    expectNear(UOMCNV(x, cls, 1, 5), 0.5 * unbased[k]);
    expectNear(UOMCNV(unbased[k], cls, 5, 1), x / 0.5);
    expectNear(UOMCNV(x, cls, 0, 0), 0.5 * x);  // the same unit is scaled as well
    expectNear(UOMCNV(UOMCNV(x, cls, 1, 5), cls, 5, 1), x);
    double a = 0.0;
    double b = 0.0;
    UOMFCT(cls, 1, 5, a, b);
    expectNear(a * x + b, UOMCNV(x, cls, 1, 5), 1.0e-12);
    // A value per unit of a rate class is not scaled.
    expectNear(UOMCNV(x, -cls, 1, 5), x * x / unbased[k]);
  }
  // Other classes are not scaled; neither is anything while the basis is unset or its
  // factor is zero (the image before the problem's table is read).
  expectNear(UOMCNV(x, 28, 1, 5), x / 2.326);
  services::GSCTAB.reals(3) = services::DMISS;
  for (std::size_t k = 0; k < rateClasses.size(); ++k) {
    expectNear(UOMCNV(x, rateClasses[k], 1, 5), unbased[k]);
  }
  services::GSCTAB = {};
  for (std::size_t k = 0; k < rateClasses.size(); ++k) {
    expectNear(UOMCNV(x, rateClasses[k], 1, 5), unbased[k]);
    expectNear(UOMCNV(x, rateClasses[k], 5, 1), x * x / unbased[k]);
  }
}

TEST_F(UnitsOfMeasure, TimingCountsCallsWhileTheSwitchIsOn) {
  UOMCNV(1.0, 1, 1, 5);
  double a = 0.0;
  double b = 0.0;
  UOMFCT(1, 1, 5, a, b);
  EXPECT_EQ(services::TIMST1.calls(services::kUomcnvTimingSlot), 0);
  EXPECT_EQ(services::TIMST1.calls(services::kUomfctTimingSlot), 0);

  services::GDPOPT.words(services::kDiagnosticSwitchBase + services::kTimingSwitch) = 1;
  UOMCNV(1.0, 1, 1, 5);
  UOMCNV(1.0, 0, 1, 5);  // invalid calls count as well
  UOMFCT(1, 1, 5, a, b);
  EXPECT_EQ(services::TIMST1.calls(services::kUomcnvTimingSlot), 2);
  EXPECT_EQ(services::TIMST1.calls(services::kUomfctTimingSlot), 1);
  EXPECT_GE(services::TIMST1.seconds(services::kUomcnvTimingSlot), 0.0F);
}

// ----------------------------------------------------------------------------------------
// The table parser
// ----------------------------------------------------------------------------------------

constexpr const char* kSmallTable = R"(# two classes
const ft 0.3048
class 1 temperature
class 9 length
unit 10 |  K| 1=1@0
unit 13 |  F| 1=5/9@459.67   # Fahrenheit
unit 30 |  M| 9=1
unit 31 |  FT| 9=ft
label 31 9 |  FEET|
default 1 10 10 13 10 10 13 10 13
setlabel 9 2 |  FOOT|
default 9 30 30 31 30 30 31 30 31
prefix 0 0 1 1
current 2
codeword 1 10
)";

TEST(UnitsTableParser, ReadsEveryLineKind) {
  const fixtures::UnitsTable table = fixtures::parseUnitsTable(kSmallTable);
  EXPECT_EQ(table.quantities[0], "temperature");
  EXPECT_FLOAT_EQ(table.factor(1, 13), 5.0F / 9.0F);
  EXPECT_FLOAT_EQ(table.offset(1, 13), 459.67F);
  EXPECT_FLOAT_EQ(table.factor(9, 31), 0.3048F);
  EXPECT_EQ(table.factor(9, 13), 0.0F);
  EXPECT_EQ(table.defaultUnit(9, 5), 31);
  EXPECT_EQ(table.codeLabel(9, 31), "  FEET              ");
  EXPECT_EQ(table.codeLabel(1, 31), std::string(20, ' '));  // not a temperature
  EXPECT_EQ(table.setLabel(9, 2), "  FOOT              ");
  EXPECT_EQ(table.setLabel(9, 5), "  FEET              ");
  EXPECT_EQ(table.setLabel(1, 2), "  F                 ");
  EXPECT_EQ(table.currentSet(), 2);
  EXPECT_EQ(table.codeWords[0], 10);

  fixtures::loadUnitTables(table);
  EXPECT_EQ(UOMTAB.labelClass, 0);
  fixtures::loadCodeLabels(table, 9);
  EXPECT_EQ(UOMTAB.labelClass, 9);
  EXPECT_EQ(std::string(UOMTAB.codeLabel(31).data(), 20), "  FEET              ");
  expectNear(UOMCNV(212.0, 1, 0, 1), 373.15);
  UOMTAB = {};
  UOMCOD = {};
}

TEST(UnitsTableParser, RejectsMalformedLinesByNumber) {
  struct Case {
    const char* line;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"unit 9 |  X| 1=1", "9 lies outside 10 to 162"},
      {"unit 14 |  KPA 1=1", "closing bar"},
      {"unit 14 |  KPA|", "at least one class factor"},
      {"unit 14 |  KPA| 1=0", "zero"},
      {"unit 14 |  KPA| 1=2*(3", "unbalanced"},
      {"unit 14 |  KPA| 1=psi", "unknown constant \"psi\""},
      {"unit 14 |  KPA| 9=1@5", "only classes 1 and 4 have offsets"},
      {"unit 14 |  KPA| 5=1", "class 5 is not declared"},
      {"unit 10 |  K| 1=1", "unit 10 given twice"},
      {"unit 14 |  A LABEL LONGER THAN 20| 1=1", "longer than 20"},
      {"default 1 10 10 13", "expected 9 fields"},
      {"prefix 0 0 1 x", "\"x\" is not a whole number"},
      {"class 1 pressure", "declared twice"},
      {"current 8", "outside 1 to 7"},
      {"codeword 41 10", "outside 1 to 40"},
      {"colour 1 blue", "unknown keyword"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const std::string text = std::string(kSmallTable) + c.line + "\n";
    try {
      fixtures::parseUnitsTable(text);
      ADD_FAILURE() << "accepted";
    } catch (const fixtures::UnitsTableError& error) {
      const std::string message = error.what();
      EXPECT_NE(message.find("line 16"), std::string::npos) << message;
      EXPECT_NE(message.find(c.message), std::string::npos) << message;
    }
  }
}

}  // namespace
