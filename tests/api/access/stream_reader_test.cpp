// The stream reader: a two-phase stream with free water read in unit sets 1 and 5 against
// values formed here from the stream's stored data and the components' published
// constants, a stream of zero rate, a dry gas without liquid, and the identifier lookup.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "access_test_support.hpp"
#include "api/access/readers.hpp"
#include "api/access/stream_evaluation.hpp"
#include "fixtures/problem_builder.hpp"
#include "methods/method_sets.hpp"
#include "problem/problem.hpp"
#include "stream_test_support.hpp"

namespace {

using access_tests::integerRequest;
using access_tests::printed;
using access_tests::realRequest;
using access_tests::textRequest;

using stream_tests::expectNear;
using stream_tests::fahrenheit;
using stream_tests::kMixed;
using stream_tests::kNames;
using stream_tests::kPound;
using stream_tests::kPsi;
using stream_tests::MixedStream;
using stream_tests::perPoundMole;

fixtures::ProblemDescription streamsProblem() {
  fixtures::ProblemDescription d;
  d.name = "streams";
  d.title = "STREAM READER";
  for (const std::string& c : kNames) d.components.push_back(fixtures::publishedComponent(c));
  d.methodSets = {fixtures::equationOfStateSet("PR", 102), fixtures::equationOfStateSet("PR2", 102)};
  d.waterComponent = 4;
  // Water is the sets' free-water component.
  for (fixtures::MethodSetSpec& set : d.methodSets) {
    set.options[0] = 100000;  // free water
    set.header[0] = 4;
    set.header[4] = 0;
  }
  // Propane without a critical volume: a mixture that holds it has none either.
  d.components[1].criticalVolume = services::RMISS;

  fixtures::StreamSpec mixed = stream_tests::mixedStream();
  mixed.text = "TWO PHASES AND FREE WATER";
  mixed.realWords = {{9, kMixed.zVapour},   {10, kMixed.zLiquid},  {17, kMixed.cpWater},
                     {22, kMixed.cpVapour}, {28, kMixed.cpLiquid}, {39, 250.0},
                     {40, 260.0},           {41, 290.0},           {45, 0.7}};

  fixtures::StreamSpec hexane;
  hexane.name = "HEXANE";
  hexane.temperature = 300.0;
  hexane.pressure = 200.0;
  hexane.rate = 10.0;
  hexane.waterFraction = 0.0;
  hexane.vapourFraction = 0.0;
  hexane.liquidFraction = 1.0;
  hexane.composition = {0.0, 0.0, 1.0, 0.0};

  fixtures::StreamSpec gas;
  gas.name = "GAS";
  gas.temperature = 300.0;
  gas.pressure = 3000.0;
  gas.rate = 20.0;
  gas.waterFraction = 0.0;
  gas.vapourFraction = 1.0;
  gas.liquidFraction = 0.0;
  gas.composition = {1.0, 0.0, 0.0, 0.0};
  gas.vapour = {1.0, 0.0, 0.0, 0.0};

  fixtures::StreamSpec wet = gas;
  wet.name = "WET";
  wet.composition = {0.0004, 0.0, 0.0, 0.9996};

  fixtures::StreamSpec empty = gas;
  empty.name = "EMPTY";
  empty.rate = 0.0;

  d.streams = {mixed, hexane, gas, wet, empty};
  return d;
}

using StreamReader = access_tests::OpenedProblem<&streamsProblem>;

TEST_F(StreamReader, IdentifiersNamesAndUnknownStreams) {
  // The open sets the method-set restore switch of the stream-property evaluation, and the
  // table read after it leaves it set.
  EXPECT_EQ(problem::GPRTAB.methodSetRestore, 1);

  const auto ids = textRequest("STREAM", "IDS", "", 12);
  EXPECT_EQ(ids.ierr, 0);
  EXPECT_EQ(ids.elen, 12);
  EXPECT_EQ(ids.values, (std::vector<std::string>{"MIXED", "HEXANE", "GAS", "WET", "EMPTY"}));

  const auto name = textRequest("STREAM", "NAME", "MIXED", 40);
  EXPECT_EQ(name.ierr, 0);
  EXPECT_EQ(name.elen, 40);
  EXPECT_EQ(name.values, std::vector<std::string>{"TWO PHASES AND FREE WATER"});

  // An unknown name: a blank, the refusal and no line; any other attribute prints the line.
  const auto none = textRequest("STREAM", "NAME", "NOSUCH", 40);
  EXPECT_EQ(none.ierr, 1);
  EXPECT_EQ(none.out, "");
  const auto bad = realRequest("STREAM", "Temperature", "NOSUCH");
  EXPECT_EQ(bad.ierr, 1);
  EXPECT_EQ(bad.out, " INVALID STREAM ID: NOSUCH\n");
  // The comparison is case-sensitive.
  EXPECT_EQ(realRequest("STREAM", "Temperature", "mixed").ierr, 1);

  EXPECT_EQ(api_access::PASRNO("GAS"), api_access::PASRNO("GAS         "));
  EXPECT_NE(api_access::PASRNO("GAS"), 0);
  EXPECT_EQ(api_access::PASRNO("GA"), 0);

  const auto unknown = realRequest("STREAM", "Colour", "MIXED");
  EXPECT_EQ(unknown.ierr, 1);
  EXPECT_EQ(unknown.out, " ATTRIBUTE NOT SUPPORTED: Colour               FOR STREAM\n");
}

TEST_F(StreamReader, TwoPhaseStreamWithWaterInUnitSetsOneAndFive) {
  const MixedStream& s = kMixed;
  const double liquid = s.water + s.hydrocarbon;
  struct Row {
    std::string attr;
    std::int32_t iucls;
    double set1, set5;
  };
  const std::vector<Row> rows{
      {"Temperature", 1, s.t, fahrenheit(s.t)},
      {"Pressure", 4, s.p, s.p / kPsi},
      {"TotalMolarEnthalpy", 100028, s.h, perPoundMole(s.h)},
      {"VapMolarEnthalpy", 100028, s.hVapour, perPoundMole(s.hVapour)},
      // Free water and hydrocarbon liquid mixed by their fractions.
      {"LiqMolarEnthalpy", 100028,
       (s.hydrocarbon * s.hLiquid + s.water * s.hWater) / liquid,
       perPoundMole((s.hydrocarbon * s.hLiquid + s.water * s.hWater) / liquid)},
      // kJ/(kmol K) to Btu/(lb-mol F).
      {"VapCP", 100030, s.cpVapour, perPoundMole(s.cpVapour) / 1.8},
      {"LiqCP", 100030, (s.hydrocarbon * s.cpLiquid + s.water * s.cpWater) / liquid,
       perPoundMole((s.hydrocarbon * s.cpLiquid + s.water * s.cpWater) / liquid) / 1.8},
      {"VaporFraction", 0, s.vapour, s.vapour},
      // The hydrocarbon liquid alone, while the liquid rate includes the free water.
      {"LiquidFraction", 0, s.hydrocarbon, s.hydrocarbon},
      {"WaterFraction", 0, s.water, s.water},
      {"PourPt", 1, 250.0, fahrenheit(250.0)},
      {"CloudPt", 1, 260.0, fahrenheit(260.0)},
      {"FlashPt", 1, 290.0, fahrenheit(290.0)},
  };
  for (const Row& row : rows) {
    for (const std::int32_t set : {1, 5}) {
      SCOPED_TRACE(row.attr + " in set " + std::to_string(set));
      const auto r = realRequest("STREAM", row.attr, "MIXED", set);
      EXPECT_EQ(r.ierr, 0);
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(r.iucls, row.iucls);
      expectNear(r.values, {set == 1 ? row.set1 : row.set5});
    }
  }
  // Rates in set 1 (kmol/h), and in set 5 the same ratios whatever the rate unit.
  expectNear(realRequest("STREAM", "TotalMolarRate", "MIXED").values, {s.rate});
  expectNear(realRequest("STREAM", "VapMolarRate", "MIXED").values, {s.rate * s.vapour});
  expectNear(realRequest("STREAM", "LiqMolarRate", "MIXED").values, {s.rate * liquid});
  const double total5 = realRequest("STREAM", "TotalMolarRate", "MIXED", 5).values.at(0);
  EXPECT_NE(total5, s.rate);
  EXPECT_NEAR(realRequest("STREAM", "VapMolarRate", "MIXED", 5).values.at(0) / total5, s.vapour,
              1e-6);
  EXPECT_NEAR(realRequest("STREAM", "LiqMolarRate", "MIXED", 5).values.at(0) / total5, liquid,
              1e-6);

  // Compositions in component-number order, the same in every set.
  for (const std::int32_t set : {1, 5}) {
    expectNear(realRequest("STREAM", "TotalComposition", "MIXED", set).values, s.z);
    expectNear(realRequest("STREAM", "VaporComposition", "MIXED", set).values, s.y);
    expectNear(realRequest("STREAM", "LiquidComposition", "MIXED", set).values, s.x);
  }
  // The request reads in the stream's method set and makes the caller's current again.
  std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
  methods::FLMSET(d3, d4, d5, ndig, 2);
  const auto method = integerRequest("STREAM", "StreamThermoMethod", "MIXED");
  EXPECT_EQ(problem::THCTL.currentSet, 2);
  EXPECT_EQ(method.ierr, 0);
  EXPECT_EQ(method.values, std::vector<std::int32_t>{1});
  // A stream whose method-set word was never set names none.
  EXPECT_EQ(integerRequest("STREAM", "StreamThermoMethod", "HEXANE").values,
            std::vector<std::int32_t>{0});
}

TEST_F(StreamReader, PhasePropertiesOfTheTwoPhaseStreamWithWater) {
  // Mixture constants formed here from the stored compositions and the components'
  // published constants: molar averages over the whole stream, the vapour, and the liquid
  // with its free water; the standard liquid volume as the sum of the components' own.
  const MixedStream& s = kMixed;
  std::vector<fixtures::ComponentSpec> c;
  for (const std::string& name : kNames) c.push_back(fixtures::publishedComponent(name));
  // The fixture stores a standard liquid density as a specific gravity against 999.016
  // kg/m3; the shipped unit table's specific gravity 1 is 999.014 kg/m3.
  const auto density = [&](std::size_t i) { return c[i].liquidDensity * 999.014 / 999.016; };
  const double liquid = s.water + s.hydrocarbon;
  double mw = 0, tc = 0, pc = 0, mwVapour = 0, mass = 0, volume = 0;
  for (std::size_t i = 0; i < c.size(); ++i) {
    mw += s.z[i] * c[i].molecularWeight;
    tc += s.z[i] * c[i].criticalTemperature;
    pc += s.z[i] * c[i].criticalPressure;
    mwVapour += s.y[i] * c[i].molecularWeight;
    // kmol of component i in the liquid per kmol of stream: the hydrocarbon liquid's share
    // and, for water, the free water.
    const double amount = s.hydrocarbon * s.x[i] + (i == 3 ? s.water : 0.0);
    mass += amount * c[i].molecularWeight;
    volume += amount * c[i].molecularWeight / density(i);
  }
  const double sg = mass / volume / 999.014;
  // Heating values per standard cubic metre, the ideal-gas volume R T / P at the problem's
  // standard conditions (R = 8.314462618 kJ/(kmol K), CODATA 2018); water and the
  // components without a heating value add nothing.
  const double standardVolume =
      8.314462618 * problem::DBPARW.temperature / problem::DBPARW.pressure;
  double gross = 0, net = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    gross += c[i].grossHeatingValue > 0.0 ? s.z[i] * c[i].grossHeatingValue : 0.0;
    net += c[i].netHeatingValue > 0.0 ? s.z[i] * c[i].netHeatingValue : 0.0;
  }
  struct Row {
    std::string attr;
    std::int32_t iucls;
    double set1, set5;
  };
  const std::vector<Row> rows{
      {"BulkMolecularWeight", 0, mw, mw},
      {"CritTemp", 1, tc, fahrenheit(tc)},
      {"CritPres", 4, pc, pc / kPsi},
      {"VapMolecularWeight", 0, mwVapour, mwVapour},
      {"LiqMolecularWeight", 0, mass / liquid, mass / liquid},
      // m3/h in set 1.
      {"LiqVolumeRateStd", 33, s.rate * volume, services::RMISS},
      {"GrosHeatValue", -1, gross / standardVolume, services::RMISS},
      {"NetHeatValue", -1, net / standardVolume, services::RMISS},
      // m3/h at the standard conditions in set 1.
      {"VapVolumeRateStd", 34, s.rate * s.vapour * standardVolume, services::RMISS},
      // A specific gravity and an API gravity whatever the set.
      {"LiqSpecGravity", 21, sg, sg},
      {"LiqApiGravity", 21, 141.5 / sg - 131.5, 141.5 / sg - 131.5},
  };
  for (const Row& row : rows) {
    for (const std::int32_t set : {1, 5}) {
      if (row.set5 == services::RMISS && set == 5) continue;
      SCOPED_TRACE(row.attr + " in set " + std::to_string(set));
      const auto r = realRequest("STREAM", row.attr, "MIXED", set);
      EXPECT_EQ(r.ierr, 0);
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(r.iucls, row.iucls);
      // The unit table holds its factors as floats (about 6e-8 relative); the standard
      // volume is the problem's, within 1e-4 of the ideal-gas one.
      ASSERT_EQ(r.values.size(), 1u);
      const double want = set == 1 ? row.set1 : row.set5;
      EXPECT_NEAR(r.values[0], want, 1e-4 * std::abs(want) + 5e-5);
    }
  }

  // The actual densities and the compressibility factors that their evaluation leaves in
  // the stream agree: Z = P MW / (rho R T), R = 8.314471 kJ/(kmol K) as the library's.
  const auto vapourDensity = realRequest("STREAM", "VapDensityAct", "MIXED");
  const auto vapourZ = realRequest("STREAM", "VapZDensity", "MIXED");
  ASSERT_EQ(vapourDensity.values.size(), 1u);
  ASSERT_EQ(vapourZ.values.size(), 1u);
  EXPECT_GT(vapourDensity.values[0], 0.0f);
  EXPECT_NEAR(vapourZ.values[0], s.p * mwVapour / (vapourDensity.values[0] * 8.314471 * s.t),
              1e-4);
  const auto liquidDensity = realRequest("STREAM", "LiqDensityAct", "MIXED");
  ASSERT_EQ(liquidDensity.values.size(), 1u);
  EXPECT_GT(liquidDensity.values[0], 300.0f);
  EXPECT_LT(liquidDensity.values[0], 1000.0f);
}

TEST_F(StreamReader, StreamWithoutLiquidHasNoStandardLiquidVolume) {
  // No liquid, so no standard liquid density: the refusal, never a quotient over it.
  const auto r = realRequest("STREAM", "LiqVolumeRateStd", "GAS");
  EXPECT_EQ(r.ierr, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.values, std::vector<float>(r.values.size(), -7.0f));
}

TEST_F(StreamReader, FailedEvaluationPrintsItsLineAndRefuses) {
  // A total rate not above the evaluation's zero-rate threshold (a problem parameter): the
  // stream's properties cannot be evaluated, so nothing is read from them.
  problem::GPRTAB.reals(6) = 2.0 * kMixed.rate;
  const auto r = realRequest("STREAM", "Temperature", "MIXED");
  EXPECT_EQ(r.ierr, 1);
  EXPECT_EQ(r.out, " PROPERTY CALCULATION ERROR FOR Temperature          STREAM MIXED\n");
  EXPECT_EQ(r.values, std::vector<float>(r.values.size(), -7.0f));
}

TEST_F(StreamReader, WatsonFactorOfNormalHexane) {
  // The Watson K of n-hexane is 12.81 (API Technical Data Book, characterisation factors of
  // the pure hydrocarbons); from the fixture's constants it is (1.8 Tb)^(1/3) / SG.
  const fixtures::ComponentSpec hexane = fixtures::publishedComponent("N-HEXANE");
  const double sg = hexane.liquidDensity / 999.016;
  const double watson = std::cbrt(1.8 * hexane.normalBoilingPoint) / sg;
  for (const std::int32_t set : {1, 5}) {
    const auto r = realRequest("STREAM", "BulkUopK", "HEXANE", set);
    EXPECT_EQ(r.ierr, 0);
    expectNear(r.values, {watson});
    // Within the rounding of the published value and of the fixture's gravity.
    EXPECT_NEAR(r.values.at(0), 12.81, 0.01);
  }
  // Water in the mixture contributes nothing: the factor of the water-free rest.
  double mass = 0.0, weighted = 0.0;
  for (std::size_t i = 0; i < 3; ++i) {
    const fixtures::ComponentSpec c = fixtures::publishedComponent(kNames[i]);
    const double m = kMixed.z[i] * c.molecularWeight;
    mass += m;
    weighted += m * std::cbrt(1.8 * c.normalBoilingPoint) / (c.liquidDensity / 999.016);
  }
  expectNear(realRequest("STREAM", "BulkUopK", "MIXED").values, {weighted / mass});
}

TEST_F(StreamReader, HeatingValuesPerStandardVolume) {
  // Methane's gross and net ideal-gas heating values over the ideal-gas molar volume at the
  // problem's standard conditions; the wet stream (water 0.9996) has none.
  const fixtures::ComponentSpec methane = fixtures::publishedComponent("METHANE");
  const auto gross = realRequest("STREAM", "GrosHeatValue", "GAS");
  const auto net = realRequest("STREAM", "NetHeatValue", "GAS");
  EXPECT_EQ(gross.ierr, 0);
  EXPECT_EQ(gross.iucls, -1);
  ASSERT_EQ(gross.values.size(), 1u);
  EXPECT_GT(gross.values[0], 0.0f);
  EXPECT_NEAR(gross.values[0] / net.values.at(0),
              methane.grossHeatingValue / methane.netHeatingValue, 1e-5);
  // In set 1, kJ per cubic metre at the standard conditions: the ideal-gas volume R T / P
  // with R = 8.314462618 kJ/(kmol K) (CODATA 2018).
  const double volume =
      8.314462618 * problem::DBPARW.temperature / problem::DBPARW.pressure;
  ASSERT_GT(volume, 0.0);
  EXPECT_NEAR(gross.values[0], methane.grossHeatingValue / volume,
              1e-4 * methane.grossHeatingValue / volume);

  for (const char* attr : {"GrosHeatValue", "NetHeatValue"}) {
    const auto r = realRequest("STREAM", attr, "WET");
    EXPECT_EQ(r.ierr, 1) << attr;
    EXPECT_EQ(r.out, "") << attr;
  }
}

TEST_F(StreamReader, StreamWithoutLiquidHasNoLiquidHeatCapacity) {
  // No liquid: the liquid heat capacity is refused, never a quotient over zero, and
  // the liquid enthalpy is 0.0.
  const auto cp = realRequest("STREAM", "LiqCP", "GAS");
  EXPECT_EQ(cp.ierr, 1);
  EXPECT_EQ(cp.out, "");
  // A refused request delivers nothing, so the host's array keeps what it held.
  EXPECT_EQ(cp.values, std::vector<float>(cp.values.size(), -7.0f));
  const auto h = realRequest("STREAM", "LiqMolarEnthalpy", "GAS");
  EXPECT_EQ(h.ierr, 0);
  expectNear(h.values, {0.0});
  expectNear(realRequest("STREAM", "LiqMolarRate", "GAS").values, {0.0});
}

TEST_F(StreamReader, ZeroRateStreamGivesItsWarningAndZeros) {
  stream_tests::expectZeroRateAnswers({{"Temperature", 1, 1},
                                       {"TotalMolarEnthalpy", 1, 100028},
                                       {"TotalComposition", 4, 0},
                                       {"D86Curve", 13, 1},
                                       {"LiqCP", 1, 100030}},
                                      5);
}

TEST(PhaseFlags, EachPositionHasItsOwnDigit) {
  struct Row {
    std::int32_t position;
    std::size_t word;
    std::int32_t value;
  };
  // Position p: word p / 10 + 1 at digit p mod 10; a position ending in 0 at digit 10 of
  // word p / 10.
  const std::vector<Row> rows{{1, 0, 1},           {5, 0, 10000}, {9, 0, 100000000},
                              {10, 0, 1000000000}, {11, 1, 1},    {15, 1, 10000},
                              {20, 1, 1000000000}, {31, 3, 1},    {40, 3, 1000000000}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.position);
    api_access::PhaseFlags flags{};
    EXPECT_TRUE(api_access::SRPDEC(flags, row.position));
    api_access::SRPPOS(flags, row.position);
    api_access::PhaseFlags expected{};
    expected[row.word] = row.value;
    EXPECT_EQ(flags, expected);
    EXPECT_FALSE(api_access::SRPDEC(flags, row.position));
    // Marking twice keeps the digit 1; the neighbours stay unmarked.
    api_access::SRPPOS(flags, row.position);
    EXPECT_EQ(flags, expected);
    for (std::int32_t p = 1; p <= 40; ++p) {
      if (p != row.position) {
        EXPECT_TRUE(api_access::SRPDEC(flags, p)) << p;
      }
    }
  }
  api_access::PhaseFlags flags{};
  api_access::SRPPOS(flags, 0);
  api_access::SRPPOS(flags, 41);
  EXPECT_EQ(flags, api_access::PhaseFlags{});
}

TEST_F(StreamReader, MixtureConstantsOfAPhaseWithAndWithoutWater) {
  std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
  methods::FLMSET(d3, d4, d5, ndig, 1);
  // Water at 60 F, kg/m3: the density of a specific gravity of 1 in the shipped unit table;
  // the fixture builder stores a standard liquid density as a specific gravity against
  // 999.016.
  constexpr double kTableWater = 999.014;
  constexpr double kFixtureWater = 999.016;
  std::vector<fixtures::ComponentSpec> c;
  for (const std::string& name : kNames) c.push_back(fixtures::publishedComponent(name));
  const auto sg = [&](std::size_t i) { return c[i].liquidDensity / kFixtureWater; };

  // Methane and hexane only: every constant present.
  const std::vector<double> x{0.3, 0.0, 0.7, 0.0};
  double mw = 0, tc = 0, pc = 0, vc = 0, zc = 0, w = 0, v = 0;
  for (std::size_t i : {0u, 2u}) {
    mw += x[i] * c[i].molecularWeight;
    tc += x[i] * c[i].criticalTemperature;
    pc += x[i] * c[i].criticalPressure;
    vc += x[i] * c[i].criticalVolume;
    zc += x[i] * c[i].criticalCompressibility;
    w += x[i] * c[i].acentricFactor;
    v += x[i] * c[i].molecularWeight / sg(i);
  }
  const std::vector<double> dryExpected{mw, tc, pc, vc, zc, w, mw / v * kTableWater};
  const auto expectPositions = [](const api_access::PhaseVector& got,
                                  const std::vector<double>& want) {
    for (std::size_t k = 0; k < want.size(); ++k) {
      // The unit table holds its factors as floats (about 6e-8 relative).
      EXPECT_NEAR(got[4 + k], want[k], 1e-6 * std::abs(want[k]) + 1e-12) << "position " << 5 + k;
    }
  };

  api_access::PhaseVector wet{}, dry{};
  api_access::PhaseFlags flags{};
  std::int32_t ierr = -1;
  api_access::SRPREL(4, x, 2.0, 0.0, wet, dry, flags, ierr);
  EXPECT_EQ(ierr, 0);
  expectPositions(dry, dryExpected);
  expectPositions(wet, dryExpected);
  for (std::int32_t p = 5; p <= 11; ++p) EXPECT_FALSE(api_access::SRPDEC(flags, p)) << p;
  EXPECT_TRUE(api_access::SRPDEC(flags, 12));

  // A quarter of the phase is water: each constant mixed with water's by 0.25 / 0.75, the
  // density through the mixed molar volume.
  const double f = 0.75;
  const fixtures::ComponentSpec& water = c[3];
  const std::vector<double> waterValues{water.molecularWeight, water.criticalTemperature,
                                        water.criticalPressure, water.criticalVolume,
                                        water.criticalCompressibility, water.acentricFactor};
  std::vector<double> wetExpected;
  for (std::size_t k = 0; k < waterValues.size(); ++k) {
    wetExpected.push_back((1.0 - f) * waterValues[k] + f * dryExpected[k]);
  }
  wetExpected.push_back(wetExpected[0] /
                        ((1.0 - f) * water.molecularWeight / sg(3) + f * v) * kTableWater);
  wet = {};
  dry = {};
  api_access::SRPREL(4, x, 2.0, 0.5, wet, dry, flags, ierr);
  expectPositions(dry, dryExpected);
  expectPositions(wet, wetExpected);

  // Propane has no critical volume: the phase's is missing, and the wet position keeps what
  // it held.
  const std::vector<double> withPropane{0.3, 0.2, 0.5, 0.0};
  wet.fill(7.0);
  api_access::SRPREL(4, withPropane, 1.0, 0.1, wet, dry, flags, ierr);
  EXPECT_EQ(dry[7], services::DMISS);
  EXPECT_EQ(wet[7], 7.0);
  EXPECT_GT(dry[5], 0.0);
}

}  // namespace
