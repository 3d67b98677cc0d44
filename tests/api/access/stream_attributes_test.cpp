// The evaluated attributes of the stream reader: entropies, the vapour heat capacity at
// constant volume, vapour pressures, distillation curves, the phase property vectors and the
// refinery properties, on a two-phase stream with free water, a liquid, a lean gas, a wet gas
// and a stream of zero rate, in unit sets 1 and 5.
#include "api/access/stream_attributes.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "access_test_support.hpp"
#include "api/access/readers.hpp"
#include "fixtures/problem_builder.hpp"
#include "fixtures/stream_attribute_names.hpp"
#include "flash/flashed_totals.hpp"
#include "methods/method_sets.hpp"
#include "problem/problem.hpp"
#include "problem/streams.hpp"
#include "storage/storage.hpp"
#include "stream_test_support.hpp"
#include "support/allocation_counter.hpp"
#include "thermo/phase/density_drivers.hpp"
#include "thermo/phase/user_methods.hpp"
#include "thermo/pure/correlation_sets.hpp"
#include "thermo/pure/correlations.hpp"

namespace {

using access_tests::printed;
using access_tests::realRequest;

using stream_tests::expectNear;
using stream_tests::fahrenheit;
using stream_tests::kMixed;
using stream_tests::kNames;
using stream_tests::kPsi;
// kJ/(kmol K) to Btu/(lb-mol F).
double perPoundMoleF(double v) { return stream_tests::perPoundMole(v) / 1.8; }
// Molar gas constant, kJ/(kmol K) (CODATA 2018).
constexpr double kR = 8.314462618;

// The Reid method of the problem: the correlation on the D86 slope; the true vapour
// pressure at 100 F.
constexpr std::int32_t kRvpMethod = 1;
constexpr double kHundredF = 310.928;

// Ideal-gas enthalpies H = b T + c T^2, kJ/kmol: for methane a quadratic through its
// ideal-gas Cp at 300 K, 35.7 kJ/(kmol K) (NIST-JANAF Thermochemical Tables, 4th ed.); for
// the others a constant Cp near theirs at 300 K from the same tables.
fixtures::CorrelationSetBlock idealGasEnthalpies() {
  const std::vector<std::vector<double>> coefficients{
      {0.0, 19.26, 0.0274}, {0.0, 73.6, 0.0}, {0.0, 143.0, 0.0}, {0.0, 33.6, 0.0}};
  correlation_testing::startRun();
  std::vector<correlation_testing::Record> records;
  for (std::size_t i = 0; i < coefficients.size(); ++i) {
    correlation_testing::Record r;
    r.component = static_cast<std::int32_t>(i + 1);
    r.coefficients = coefficients[i];
    records.push_back(r);
  }
  std::int32_t length = 0;
  const std::int32_t area = correlation_testing::buildSet(records, length);
  fixtures::CorrelationSetBlock set{pure::kIdealGasEnthalpy, 1, {}};
  const std::span<const std::int32_t> words = storage::CORSTO.words(area + 1, length);
  set.words.assign(words.begin(), words.end());
  return set;
}

// The five user-added transport routines count their calls and answer 1, 2 ... 5 in unit
// set 5, so that each attribute shows which routine gave it.
std::array<std::int32_t, 6> transportCalls{};
template <std::int32_t K>
void countingTransport(std::int32_t, std::int32_t, phase::UserTransportData&, float& result) {
  ++transportCalls[K];
  result = static_cast<float>(K);
}

// A second set that takes every transport property from a user-added routine: liquid
// viscosity 901, vapour viscosity 902, liquid conductivity 903, vapour conductivity 904,
// surface tension 905 (slots 12 to 16), with water as its free-water component.
fixtures::MethodSetSpec userTransportSet() {
  fixtures::MethodSetSpec set = fixtures::equationOfStateSet("USERTR", 102);
  set.options[0] = 100000;
  set.header[0] = 4;
  set.header[4] = 0;
  for (std::size_t slot = 12; slot <= 16; ++slot) {
    set.codes[slot - 1] = 900 + static_cast<std::int32_t>(slot) - 11;
  }
  return set;
}

fixtures::ProblemDescription attributesProblem() {
  fixtures::ProblemDescription d;
  d.name = "attributes";
  d.title = "STREAM ATTRIBUTES";
  for (const std::string& c : kNames) d.components.push_back(fixtures::publishedComponent(c));
  // Set 3, Soave-Redlich-Kwong, for the vapour-pressure method sets of the problem; set 4,
  // Peng-Robinson with a liquid-liquid K-value method.
  // The flashes of the Reid pressure start from the Wilson estimate of the K-values (option
  // 2), which needs no vapour-pressure correlations.
  fixtures::MethodSetSpec pr = fixtures::equationOfStateSet("PR", 102);
  pr.options[0] = 2;
  fixtures::MethodSetSpec srk = fixtures::equationOfStateSet("SRK", 101);
  srk.options[0] = 2;
  fixtures::MethodSetSpec twoLiquids = fixtures::equationOfStateSet("PR-LL", 102);
  twoLiquids.codes[1] = 404;
  d.methodSets = {pr, userTransportSet(), srk, twoLiquids};
  d.waterComponent = 4;
  d.gclIntegers[17] = kRvpMethod;
  d.gclReals[1] = kHundredF;
  d.correlationSets = {idealGasEnthalpies()};

  fixtures::StreamSpec mixed = stream_tests::mixedStream();
  mixed.realWords = {{13, kMixed.s}, {21, kMixed.sVapour}, {27, kMixed.sLiquid}, {24, kMixed.cv}};

  fixtures::StreamSpec hexane;
  hexane.name = "HEXANE";
  hexane.temperature = 300.0;
  hexane.pressure = 200.0;
  hexane.rate = 10.0;
  hexane.waterFraction = 0.0;
  hexane.vapourFraction = 0.0;
  hexane.liquidFraction = 1.0;
  hexane.composition = {0.0, 0.0, 1.0, 0.0};
  hexane.liquid = {0.0, 0.0, 1.0, 0.0};
  hexane.integerWords = {{20, 1}};

  // Methane at 300 K and 100 kPa: an ideal gas to within a few parts in a thousand.
  fixtures::StreamSpec lean;
  lean.name = "LEAN";
  lean.temperature = 300.0;
  lean.pressure = 100.0;
  lean.rate = 20.0;
  lean.waterFraction = 0.0;
  lean.vapourFraction = 1.0;
  lean.liquidFraction = 0.0;
  lean.composition = {1.0, 0.0, 0.0, 0.0};
  lean.vapour = {1.0, 0.0, 0.0, 0.0};
  lean.integerWords = {{20, 1}};

  fixtures::StreamSpec wet = lean;
  wet.name = "WET";
  wet.composition = {0.0004, 0.0, 0.0, 0.9996};
  wet.vapour = wet.composition;

  fixtures::StreamSpec empty = lean;
  empty.name = "EMPTY";
  empty.rate = 0.0;

  // The two-phase stream in the set with the counting transport routines.
  fixtures::StreamSpec counted = mixed;
  counted.name = "COUNTED";
  counted.realWords.clear();
  counted.integerWords = {{20, 2}};

  // n-Hexane in the Soave-Redlich-Kwong set.
  fixtures::StreamSpec hexaneSrk = hexane;
  hexaneSrk.name = "HEXSRK";
  hexaneSrk.integerWords = {{20, 3}};

  // The two-phase stream in the liquid-liquid set, with the liquid-liquid record.
  fixtures::StreamSpec split = mixed;
  split.name = "SPLIT";
  split.realWords.clear();
  split.integerWords = {{20, 4}};
  split.records = {6, 7, 3};

  d.streams = {mixed, hexane, lean, wet, empty, counted, hexaneSrk, split};
  return d;
}

using StreamAttributes = access_tests::OpenedProblem<&attributesProblem>;

TEST_F(StreamAttributes, StoredEntropiesAndCvOfTheTwoPhaseStreamInSetsOneAndFive) {
  struct Row {
    std::string attr;
    std::int32_t iucls;
    double set1;
  };
  const std::vector<Row> rows{{"TotalMolarEntropy", 100029, kMixed.s},
                              {"VapMolarEntropy", 100029, kMixed.sVapour},
                              {"LiqMolarEntropy", 100029, kMixed.sLiquid},
                              // Stored: returned without a perturbation.
                              {"VapCV", 100030, kMixed.cv}};
  for (const Row& row : rows) {
    for (const std::int32_t set : {1, 5}) {
      SCOPED_TRACE(row.attr + " in set " + std::to_string(set));
      const auto r = realRequest("STREAM", row.attr, "MIXED", set);
      EXPECT_EQ(r.ierr, 0);
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(r.iucls, row.iucls);
      expectNear(r.values, {set == 1 ? row.set1 : perPoundMoleF(row.set1)});
    }
  }
  // Without a liquid-liquid method the two liquid fractions are 0.0 and the free water is a
  // phase of its own; without a special-property store the blended properties are 0.0.
  for (const char* attr : {"L1Fraction", "L2Fraction", "CetanIndex", "SulfurWtPerc",
                           "ResOctaneNumb", "MotOctaneNumb"}) {
    const auto r = realRequest("STREAM", attr, "MIXED", 5);
    EXPECT_EQ(r.ierr, 0) << attr;
    EXPECT_EQ(r.count, 1) << attr;
    expectNear(r.values, {0.0});
  }
  expectNear(realRequest("STREAM", "WaterFraction", "MIXED", 5).values, {kMixed.water});
}

TEST_F(StreamAttributes, VapourCvOfANearIdealGasIsCpLessR) {
  // Cp from the stream's own enthalpy at 300 +- 0.5 K and 100 kPa, formed here.
  const std::int32_t n = api_access::PASRNO("LEAN");
  ASSERT_NE(n, 0);
  std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
  methods::FLMSET(d3, d4, d5, ndig, 1);
  std::int32_t copy = 0;
  problem::SRSAVE(n, copy);
  problem::MainRecord m(problem::SRPSET.set2);
  std::int32_t ierr = 0;
  m.setReal(1, 299.5);
  flash::HTOTFL(ierr);
  ASSERT_EQ(ierr, 0);
  const double h0 = m.real(12);
  m.setReal(1, 300.5);
  flash::HTOTFL(ierr);
  ASSERT_EQ(ierr, 0);
  const double cp = m.real(12) - h0;
  problem::SRKILL(copy);
  // The ideal-gas Cp of methane at 300 K is 35.7 kJ/(kmol K) (NIST-JANAF Thermochemical
  // Tables, 4th ed.); the fixture's correlation gives the same within 2 %.
  EXPECT_NEAR(cp, 35.7, 0.02 * 35.7);

  for (const std::int32_t set : {1, 5}) {
    SCOPED_TRACE(set);
    const auto cv = realRequest("STREAM", "VapCV", "LEAN", set);
    EXPECT_EQ(cv.ierr, 0);
    EXPECT_EQ(cv.out, "");
    EXPECT_EQ(cv.iucls, 100030);
    ASSERT_EQ(cv.values.size(), 1u);
    const double expected = set == 1 ? cp - kR : perPoundMoleF(cp - kR);
    EXPECT_NEAR(cv.values[0], expected, 0.01 * expected);
  }
  // The perturbation works on copies, which are gone afterwards.
  std::int32_t nstrm = 0, ncomp = 0, nunit = 0;
  printed([&] { api_access::PAMISC(ncomp, nstrm, nunit, ierr); });
  EXPECT_EQ(nstrm, 8);
}

std::int32_t failingVapourEnthalpy(std::int32_t, double, double, std::span<const double>,
                                   double& h, double& cp, double&, double&, double&,
                                   std::int32_t, std::int32_t& status, std::int32_t&, double&) {
  h = cp = 0.0;
  status = 1;
  return 0;
}

TEST_F(StreamAttributes, VapourCvWithoutVapourOrWithAFailedEnthalpy) {
  // No vapour: the two warning lines, 0.0 and no refusal.
  const auto none = realRequest("STREAM", "VapCV", "HEXANE");
  EXPECT_EQ(none.ierr, 0);
  EXPECT_EQ(none.out,
            " *** WARNING *** A VAPOR PHASE IS NOT PRESENT IN STREAM 'HEXANE      '\n"
            "                 WHICH IS NEEDED FOR VapCV CALCULATIONS\n");
  expectNear(none.values, {0.0});

  // A vapour enthalpy that cannot be evaluated: the refusal, never a difference of values
  // that were not computed (a refused request delivers nothing).
  flash::PhaseTotalRoutines routines;
  routines.vapourEnthalpy = &failingVapourEnthalpy;
  const flash::ScopedPhaseTotalRoutines doubles(routines);
  const auto failed = realRequest("STREAM", "VapCV", "LEAN");
  EXPECT_EQ(failed.ierr, 1);
  EXPECT_EQ(failed.values, std::vector<float>(failed.values.size(), -7.0f));
}

TEST_F(StreamAttributes, VapourPressuresInSetsOneAndFive) {
  // The true vapour pressure of n-hexane at 100 F: 34.2 kPa from the Antoine equation of
  // the NIST Chemistry WebBook (log10 P/bar = 4.00266 - 1171.53 / (T/K - 48.784)); the
  // equation of state gives it within 5 %.
  const double antoine = 100.0 * std::pow(10.0, 4.00266 - 1171.53 / (kHundredF - 48.784));
  const auto tvp1 = realRequest("STREAM", "TrueVapPres", "HEXANE", 1);
  const auto tvp5 = realRequest("STREAM", "TrueVapPres", "HEXANE", 5);
  EXPECT_EQ(tvp1.ierr, 0);
  EXPECT_EQ(tvp1.iucls, 4);
  ASSERT_EQ(tvp1.values.size(), 1u);
  EXPECT_NEAR(tvp1.values[0], antoine, 0.05 * antoine);
  expectNear(tvp5.values, {tvp1.values[0] / kPsi}, 1e-5);

  // The Reid vapour pressure is in psi whatever the set, under the pressure class.
  const auto rvp1 = realRequest("STREAM", "ReidVapPres", "HEXANE", 1);
  const auto rvp5 = realRequest("STREAM", "ReidVapPres", "HEXANE", 5);
  EXPECT_EQ(rvp1.ierr, 0);
  EXPECT_EQ(rvp5.ierr, 0);
  EXPECT_EQ(rvp1.iucls, 4);
  ASSERT_EQ(rvp1.values.size(), 1u);
  EXPECT_GT(rvp1.values[0], 0.0f);
  EXPECT_EQ(rvp1.values, rvp5.values);
  // The Reid pressure of a pure liquid lies near its true vapour pressure at 100 F (ASTM
  // D323: the air saturation lowers it a little).
  EXPECT_NEAR(rvp1.values[0], antoine / kPsi, 0.25 * antoine / kPsi);

  // A near-pure water stream has none, and neither has a Reid method without a definition
  // (0, 7 and beyond): the refusal, and nothing delivered.
  const auto wet = realRequest("STREAM", "ReidVapPres", "WET");
  EXPECT_EQ(wet.ierr, 1);
  for (const std::int32_t method : {0, 7, 8}) {
    SCOPED_TRACE(method);
    problem::GCLTAB.integers(18) = method;
    const auto r = realRequest("STREAM", "ReidVapPres", "HEXANE", 5);
    EXPECT_EQ(r.ierr, 1);
    EXPECT_EQ(r.values, std::vector<float>(r.values.size(), -7.0f));
  }
  // The correlation on the true vapour pressure alone needs no curve.
  problem::GCLTAB.integers(18) = 2;
  const auto tvpOnly = realRequest("STREAM", "ReidVapPres", "HEXANE", 5);
  EXPECT_EQ(tvpOnly.ierr, 0);
  EXPECT_GT(tvpOnly.values.at(0), 0.0f);
}

// Writes the fractions of the two liquids into the liquid-liquid record of stream ID.
void writeLiquidFractions(const char* id, double first, double second) {
  problem::SRSET(api_access::PASRNO(id), 0);
  std::int32_t istat = -1;
  problem::SRPAGE(1, 3, 1, istat);
  ASSERT_EQ(istat, 0);
  phase::WKOFFS();
  storage::CORSTO.setReal(phase::WKOFFW.scalars[0][0], first);
  storage::CORSTO.setReal(phase::WKOFFW.scalars[1][0], second);
  problem::SRPAGE(2, 3, 1, istat);
  ASSERT_EQ(istat, 0);
}

TEST_F(StreamAttributes, LiquidFractionsOfTheLiquidLiquidRecord) {
  // In a set with a liquid-liquid method the free water is no phase of its own, and the two
  // liquids come from the record when above 0.
  struct Row {
    double first, second;
    double l1, l2;
  };
  const std::vector<Row> rows{{0.3, 0.15, 0.3, 0.15}, {0.0, 0.45, 0.0, 0.45},
                              {-1.0, 0.2, 0.0, 0.2}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.first);
    writeLiquidFractions("SPLIT", row.first, row.second);
    for (const std::int32_t set : {1, 5}) {
      const auto l1 = realRequest("STREAM", "L1Fraction", "SPLIT", set);
      const auto l2 = realRequest("STREAM", "L2Fraction", "SPLIT", set);
      const auto water = realRequest("STREAM", "WaterFraction", "SPLIT", set);
      EXPECT_EQ(l1.ierr, 0);
      EXPECT_EQ(l2.ierr, 0);
      EXPECT_EQ(water.ierr, 0);
      expectNear(l1.values, {row.l1});
      expectNear(l2.values, {row.l2});
      expectNear(water.values, {0.0});
    }
  }
}

TEST_F(StreamAttributes, ReidPressuresByTheFlashesOfTheTestApparatus) {
  // n-Hexane at 100 F: 4.96 psi from the Antoine equation of the NIST Chemistry WebBook
  // (log10 P/bar = 4.00266 - 1171.53 / (T/K - 48.784)). A pure liquid that dissolves little
  // air keeps its Reid pressure near that (ASTM D323). The "D5191" chamber holds no air:
  // its total pressure is near the true vapour pressure, and the report value is
  // 0.965 P - 0.548 of it (ASTM D5191).
  const double tvp = std::pow(10.0, 4.00266 - 1171.53 / (kHundredF - 48.784)) * 100.0 / kPsi;
  for (const std::int32_t method : {3, 4, 5, 6}) {
    SCOPED_TRACE(method);
    problem::GCLTAB.integers(18) = method;
    const auto rvp1 = realRequest("STREAM", "ReidVapPres", "HEXANE", 1);
    const auto rvp5 = realRequest("STREAM", "ReidVapPres", "HEXANE", 5);
    EXPECT_EQ(rvp1.ierr, 0);
    EXPECT_EQ(rvp1.iucls, 4);
    ASSERT_EQ(rvp1.values.size(), 1u);
    EXPECT_TRUE(std::isfinite(rvp1.values[0]));
    EXPECT_EQ(rvp1.values, rvp5.values);
    const double expected = method == 6 ? 0.965 * tvp - 0.548 : tvp;
    EXPECT_NEAR(rvp1.values[0], expected, 0.25 * expected);
  }
}

TEST_F(StreamAttributes, VapourPressuresInTheProblemsMethodSets) {
  // Each pressure of HEXANE (its own set, Peng-Robinson) in the problem's set 3 is that of
  // the same liquid whose own set is 3.
  auto& sets = problem::DBGLOB.vapourPressureSets;
  const auto request = [](const char* attr, const char* id) {
    const auto r = realRequest("STREAM", attr, id, 1);
    EXPECT_EQ(r.ierr, 0) << attr << " " << id;
    return r.values.empty() ? 0.0f : r.values[0];
  };
  problem::GCLTAB.integers(18) = 3;
  const float ownTvp = request("TrueVapPres", "HEXANE");
  const float ownRvp = request("ReidVapPres", "HEXANE");
  const float srkTvp = request("TrueVapPres", "HEXSRK");
  const float srkRvp = request("ReidVapPres", "HEXSRK");
  ASSERT_GT(std::abs(srkTvp - ownTvp), 1e-3f * ownTvp);

  sets.trueVapour = 3;
  EXPECT_EQ(request("TrueVapPres", "HEXANE"), srkTvp);
  // The Reid flashes stay in the stream's set until their own override names another.
  const float srkStart = request("ReidVapPres", "HEXANE");
  EXPECT_NE(srkStart, ownRvp);
  sets.reidFlash = 3;
  EXPECT_EQ(request("ReidVapPres", "HEXANE"), srkRvp);
  sets.trueVapour = 0;
  EXPECT_NE(request("ReidVapPres", "HEXANE"), srkStart);

  // The stream's own set is current again after the evaluation.
  problem::SRSET(api_access::PASRNO("HEXANE"), 0);
  std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
  methods::FLMSET(d3, d4, d5, ndig, 1);
  double rvp = 0.0, tvp = 0.0;
  std::int32_t ierr = 0;
  api_access::PARVP(rvp, tvp, 1, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(problem::THCTL.currentSet, 1);
}

TEST_F(StreamAttributes, DistillationCurvesGiveThirteenPoints) {
  for (const char* attr : {"TBPCurve", "D86Curve", "D1160Curve"}) {
    SCOPED_TRACE(attr);
    const auto k = realRequest("STREAM", attr, "MIXED", 1);
    const auto f = realRequest("STREAM", attr, "MIXED", 5);
    EXPECT_EQ(k.ierr, 0);
    EXPECT_EQ(k.count, 13);
    EXPECT_EQ(k.iucls, 1);
    ASSERT_EQ(k.values.size(), 13u);
    ASSERT_EQ(f.values.size(), 13u);
    for (std::size_t i = 0; i < 13; ++i) {
      EXPECT_NEAR(f.values[i], fahrenheit(k.values[i]), 1e-3) << i;
      if (i > 0) {
        EXPECT_GE(k.values[i], k.values[i - 1]) << i;
      }
    }
    EXPECT_GT(k.values.back(), k.values.front());
  }
  // A pure component distils at its normal boiling point throughout.
  const auto pure = realRequest("STREAM", "TBPCurve", "HEXANE", 1);
  EXPECT_EQ(pure.ierr, 0);
  expectNear(pure.values, std::vector<double>(13, 341.88), 1e-3);
}

TEST_F(StreamAttributes, ZeroRateStreamAnswersEvaluatedAttributesWithZeros) {
  stream_tests::expectZeroRateAnswers({{"ReidVapPres", 1, 4},
                                       {"TrueVapPres", 1, 4},
                                       {"VapCV", 1, 100030},
                                       {"TBPCurve", 13, 1},
                                       {"LiqVolumeRateStd", 1, 33},
                                       {"BulkMolecularWeight", 1, 0},
                                       {"VapMolarEntropy", 1, 100029}},
                                      1);
}

TEST_F(StreamAttributes, TransportIsEvaluatedOnceAndKeptWhileDensityIsEvaluatedAgain) {
  struct Routines {
    Routines() {
      phase::setUserTransportRoutine(1, &countingTransport<1>);
      phase::setUserTransportRoutine(2, &countingTransport<2>);
      phase::setUserTransportRoutine(3, &countingTransport<3>);
      phase::setUserTransportRoutine(4, &countingTransport<4>);
      phase::setUserTransportRoutine(5, &countingTransport<5>);
      transportCalls = {};
    }
    ~Routines() {
      for (std::int32_t k = 1; k <= 5; ++k) phase::setUserTransportRoutine(k, nullptr);
    }
  } routines;
  // Attribute, routine and unit class.
  struct Row {
    std::string attr;
    std::int32_t routine, iucls;
  };
  const std::vector<Row> rows{{"LiqViscosity", 1, 40},
                              {"VapViscosity", 2, 40},
                              {"LiqThermalCond", 3, 35},
                              {"VapThermalCond", 4, 35},
                              {"LiqSurfTension", 5, 42}};
  // The vapour's values are the routines' own (it holds no water); the liquid's mix the
  // free water's in. Every later read gives the first read's values.
  std::vector<float> first;
  const auto readAll = [&] {
    std::vector<float> got;
    for (const Row& row : rows) {
      SCOPED_TRACE(row.attr);
      const auto r = realRequest("STREAM", row.attr, "COUNTED", 5);
      EXPECT_EQ(r.ierr, 0);
      EXPECT_EQ(r.iucls, row.iucls);
      ASSERT_EQ(r.values.size(), 1u);
      EXPECT_GT(r.values[0], 0.0f);
      if (row.attr.rfind("Vap", 0) == 0) expectNear(r.values, {1.0 * row.routine}, 1e-5);
      got.push_back(r.values[0]);
    }
    if (first.empty()) first = got;
    EXPECT_EQ(got, first);
  };
  // The first request evaluates every transport property once; the others reuse them.
  readAll();
  EXPECT_EQ(transportCalls, (std::array<std::int32_t, 6>{0, 1, 1, 1, 1, 1}));

  // At twice the pressure the vapour density is evaluated again (a gas near the ideal one
  // about twice as dense), while no transport routine is called.
  const auto density = realRequest("STREAM", "VapDensityAct", "COUNTED");
  ASSERT_EQ(density.values.size(), 1u);
  const std::int32_t n = api_access::PASRNO("COUNTED");
  problem::SRSET(n, 0);
  problem::MainRecord(problem::SRPSET.set2).setReal(problem::srmain::kPressure, 2.0 * kMixed.p);
  const auto denser = realRequest("STREAM", "VapDensityAct", "COUNTED");
  ASSERT_EQ(denser.values.size(), 1u);
  EXPECT_NEAR(denser.values[0] / density.values[0], 2.0, 0.2);
  readAll();
  EXPECT_EQ(transportCalls, (std::array<std::int32_t, 6>{0, 1, 1, 1, 1, 1}));

  // Written back with the stream: after a close and an open the values are read again
  // without a call.
  api_access::PACLOS();
  ASSERT_NO_FATAL_FAILURE(access_tests::openProblem(*dir, problemName));
  transportCalls = {};
  readAll();
  EXPECT_EQ(transportCalls, (std::array<std::int32_t, 6>{}));
}

TEST_F(StreamAttributes, WarmCurveAllocatesNothing) {
  std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
  methods::FLMSET(d3, d4, d5, ndig, 1);
  problem::SRSET(api_access::PASRNO("MIXED"), 0);
  std::array<double, api_access::kReaderCurvePoints> curve{};
  std::int32_t ierr = 0;
  const auto run = [&] {
    for (const std::int32_t kind : {1, 2, 5}) api_access::PADCRV(kind, curve, 5, ierr);
  };
  run();
  EXPECT_EQ(ierr, 0);
  const std::size_t before = testing_support::allocationCount();
  run();
  EXPECT_EQ(testing_support::allocationCount(), before);
}

// The allocations made by the second of two runs of CALL: the first warms its scratch.
template <typename Call>
std::size_t warmAllocations(Call call) {
  call();
  const std::size_t before = testing_support::allocationCount();
  call();
  return testing_support::allocationCount() - before;
}

TEST_F(StreamAttributes, WarmRequestsAllocateNothing) {
  // Every attribute of the two-phase stream, and those that evaluate on a gas, a pure
  // liquid and the stream in the liquid-liquid set, into buffers made beforehand.
  struct Row {
    std::string_view id, attr;
  };
  std::vector<Row> rows;
  for (const std::string_view attr : fixtures::kStreamRealAttributes)
    rows.push_back({"MIXED", attr});
  for (const char* attr : {"VapCV", "TrueVapPres", "ReidVapPres"}) rows.push_back({"LEAN", attr});
  for (const char* attr : {"TrueVapPres", "ReidVapPres", "TBPCurve"}) {
    rows.push_back({"HEXANE", attr});
  }
  for (const char* attr : {"L1Fraction", "WaterFraction", "LiqDensityAct"}) {
    rows.push_back({"SPLIT", attr});
  }
  std::array<float, 32> rval{};
  std::int32_t count = 0, iunset = 5, iucls = 0, ierr = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.id) + " " + std::string(row.attr));
    EXPECT_EQ(warmAllocations([&] {
                api_access::PADATR("STREAM", row.attr, row.id, rval, count, iunset, iucls, ierr);
              }),
              0u);
    EXPECT_EQ(ierr, 0);
  }
  std::array<std::int32_t, 4> ival{};
  EXPECT_EQ(warmAllocations([&] {
              api_access::PADATI("STREAM", fixtures::kStreamIntegerAttribute, "MIXED", ival, count,
                                 ierr);
            }),
            0u);
  EXPECT_EQ(ierr, 0);
}

TEST_F(StreamAttributes, WarmVapourPressuresAndCvAllocateNothing) {
  // Each evaluation on the working stream in its own method set, as the reader makes it.
  const auto select = [](const char* id) {
    const std::int32_t n = api_access::PASRNO(id);
    problem::SRSET(n, 0);
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    methods::FLMSET(d3, d4, d5, ndig, problem::MainRecord(problem::SRPSET.set2).integer(20));
    return n;
  };
  double rvp = 0.0, tvp = 0.0, cv = 0.0;
  std::int32_t ierr = 0;
  // The Reid pressure by each of its methods, on the pure liquid in two sets and on the two
  // phases (whose true vapour pressure at 100 F does not converge: the warning's stream
  // label is built each time).
  for (const std::int32_t method : {1, 2, 3, 4, 5, 6}) {
    problem::GCLTAB.integers(18) = method;
    for (const char* id : {"HEXANE", "HEXSRK", "MIXED"}) {
      SCOPED_TRACE(std::string(id) + " by Reid method " + std::to_string(method));
      select(id);
      EXPECT_EQ(warmAllocations([&] { api_access::PARVP(rvp, tvp, 1, ierr); }), 0u);
      EXPECT_EQ(ierr, 0);
      EXPECT_GT(rvp, 0.0);
    }
  }
  // Cv of the gas, and of the vapour of the two phases in the set without and with a
  // liquid-liquid method.
  for (const char* id : {"LEAN", "MIXED", "SPLIT"}) {
    SCOPED_TRACE(id);
    std::int32_t n = select(id);
    EXPECT_EQ(warmAllocations([&] { api_access::PAVCV(n, cv, ierr); }), 0u);
    EXPECT_EQ(ierr, 0);
    EXPECT_GT(cv, 0.0);
  }
}

}  // namespace
