// Stream properties by code through SPEDSP on the streams of a built problem: header codes
// of a stream with and without a rate, the component-range amounts of code 211 in every
// kind and scale against sums written out here, range averages of component constants,
// heating values against published volumetric heating values, grains of hydrogen sulphide,
// the codes whose groups are missing, the electrolyte codes, the transport codes without a
// defined phase, and warm calls that allocate nothing.
#include "streamprops/property_codes.hpp"

#include <gtest/gtest.h>

#include "streamprops/reid_correlation.hpp"
#include "streamprops/true_vapour_pressure.hpp"

#include "problem/database.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "problem/open_sequence.hpp"
#include "problem/problem.hpp"
#include "problem/streams.hpp"
#include "services/markers.hpp"
#include "storage/storage.hpp"
#include "support/allocation_counter.hpp"
#include "support/test_support.hpp"

namespace {

using streamprops::PropertyStatus;

constexpr std::int32_t kWater = 5;
const char* const kNames[] = {"METHANE", "ETHANE", "PROPANE", "HYDROGEN SULFIDE", "WATER"};

fixtures::StreamSpec stream(const std::string& name, double rate, double vf, double lf, double wf,
                            std::vector<double> vapour, std::vector<double> liquid) {
  fixtures::StreamSpec s;
  s.name = name;
  s.temperature = 300.0;
  s.pressure = 5000.0;
  s.rate = rate;
  s.vapourFraction = vf;
  s.liquidFraction = lf;
  s.waterFraction = wf;
  s.vapour = vapour;
  s.liquid = liquid;
  s.composition.resize(vapour.size());
  for (std::size_t i = 0; i < vapour.size(); ++i) {
    s.composition[i] = vf * vapour[i] + lf * liquid[i];
  }
  s.composition[kWater - 1] += wf;
  s.integerWords = {{20, 1}};
  return s;
}

// A pure vapour of component I (1-based).
fixtures::StreamSpec pure(const std::string& name, std::size_t i) {
  std::vector<double> y(5, 0.0);
  y[i - 1] = 1.0;
  return stream(name, 1.0, 1.0, 0.0, 0.0, y, std::vector<double>(5, 0.0));
}

class PropertyCodes : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "codes";
    for (const char* name : kNames) {
      d.components.push_back(fixtures::publishedComponent(name));
      mw_.push_back(d.components.back().molecularWeight);
      sg_.push_back(d.components.back().liquidDensity / 999.016);
    }
    fixtures::MethodSetSpec set = fixtures::equationOfStateSet("PR", 102);
    set.options[0] = 100002;  // water treatment; a fresh flash starts from Wilson K-values
    set.header[0] = kWater;
    set.header[4] = 0;  // the set has a free-water component
    d.methodSets = {set};
    fixtures::StreamSpec gas =
        stream("GAS", 100.0, 1.0, 0.0, 0.0, {0.8, 0.1, 0.0999, 0.0001, 0.0}, {0, 0, 0, 0, 0});
    gas.enthalpy = -1000.0;
    gas.realWords = {{64, 1.64}, {68, 1.68}, {75, 1.75}, {89, 1.89},
                     {65, 1.65}, {90, 1.90}, {29, 2.9},  {35, 0.0}};
    fixtures::StreamSpec noRate =
        stream("NORATE", 1.0, 1.0, 0.0, 0.0, {1.0, 0.0, 0.0, 0.0, 0.0}, {0, 0, 0, 0, 0});
    noRate.rate = services::DMISS;
    noRate.temperature = 310.0;
    noRate.pressure = 200.0;
    noRate.realWords = gas.realWords;
    fixtures::StreamSpec mixed = stream("MIXED", 10.0, 0.4, 0.5, 0.1, mixedVapour_, mixedLiquid_);
    mixed.enthalpy = 50.0;
    mixed.realWords = {{35, 2.0}, {36, 3.0}};
    d.streams = {gas, noRate, mixed, pure("C1", 1), pure("C2", 2), pure("C3", 3)};
    fixtures::buildProblem(dir_.path(), d);
    std::int32_t iout = 0;
    methods::PAINIT(dir_.file("codes").string(), dir_.path().string(), iout, 0);
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    methods::FLMSET(d3, d4, d5, ndig, 1);
  }
  void TearDown() override {
    methods::PAEND();
    storage::FIINIT();
  }

  // A request for CODE of stream NAME.
  struct Request {
    std::int32_t code = 0;
    std::int32_t phase = 0;
    std::int32_t options = 0;  // d4 * 10000 + d2 * 100 + d1 * 10
    std::int32_t range = 0;    // first * 10000 + last component number
  };
  static std::array<std::int32_t, streamprops::spcrec::kWords> record(const std::string& name,
                                                                      const Request& r) {
    std::array<std::int32_t, streamprops::spcrec::kWords> w{};
    w[0] = 1;
    w[3] = problem::ISRNO(name);
    w[8] = r.range;
    w[9] = r.phase;
    w[10] = r.options;
    w[12] = r.code;
    return w;
  }
  static double value(const std::string& name, const Request& r, double preset = -7.0,
                      PropertyStatus* status = nullptr) {
    auto w = record(name, r);
    double v = preset;
    const PropertyStatus s = streamprops::SPEDSP(3, w, 43, v, 0, 0.0);
    if (status != nullptr) *status = s;
    return v;
  }

  static std::int32_t options(std::int32_t d1, std::int32_t d2, std::int32_t d4) {
    return d4 * 10000 + d2 * 100 + d1 * 10;
  }

  testing_support::TempDir dir_;
  std::vector<double> mw_, sg_;
  std::vector<double> mixedVapour_{0.6, 0.2, 0.1, 0.0, 0.1};
  std::vector<double> mixedLiquid_{0.05, 0.15, 0.6, 0.0, 0.2};
};

TEST_F(PropertyCodes, HeaderCodesWithAndWithoutARate) {
  struct Case {
    std::int32_t code;
    double withRate;
    double withoutRate;
  };
  const Case cases[] = {
      {201, 300.0, 310.0}, {202, 5000.0, 200.0}, {219, 1.0, 0.0},  {211, 100.0, 0.0},
      {212, -1.0e5, 0.0},  {225, 0.0, 0.0},      {704, 0.0, 0.0},  {710, 0.0, 0.0},
      {711, 1.64, 0.0},    {712, 1.68, 0.0},     {713, 1.75, 0.0}, {714, 1.89, 0.0},
      {715, 1.65, 0.0},    {716, 1.90, 0.0},     {801, 2.9, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    const Request r{c.code, 0, options(0, 1, 1), 0};
    EXPECT_NEAR(value("GAS", r), c.withRate, 1e-9 * std::abs(c.withRate));
    EXPECT_EQ(value("NORATE", r), c.withoutRate);
  }
}

TEST_F(PropertyCodes, EnthalpyFlowAndTotalLiquidCountEveryPart) {
  EXPECT_NEAR(value("MIXED", {212}), 50.0 * 10.0 + 2.0 * 3.0, 1e-9);
  EXPECT_NEAR(value("MIXED", {225}), 0.5 + 0.1, 1e-12);
}

TEST_F(PropertyCodes, RangeAmountsInEveryKindAndScale) {
  // MIXED: vapour 4 kmol of y, hydrocarbon liquid 5 kmol of x, free water 1 kmol.
  const std::vector<double>& y = mixedVapour_;
  const double vm = problem::DBPARW.molarVolume;
  double mass = 0.0, volume = 0.0;
  for (std::size_t i = 0; i < 5; ++i) {
    mass += y[i] * mw_[i];
    volume += y[i] * mw_[i] / sg_[i];
  }
  const double dryMoles = 1.0 - y[kWater - 1];
  const double dryMass = mass - y[kWater - 1] * mw_[kWater - 1];
  constexpr std::int32_t kMethane = 1 * 10000 + 1;
  constexpr std::int32_t kPropane = 3 * 10000 + 3;
  const double c1 = y[0], c3 = y[2];
  struct Case {
    const char* what;
    std::int32_t d1, d2, d4, range;
    double expected;
  };
  const Case cases[] = {
      {"vapour moles, water counted", 0, 1, 1, 0, 4.0},
      {"vapour moles, water-free", 0, 1, 0, 0, 4.0 * dryMoles},
      {"vapour per cent", 0, 3, 0, 0, 100.0},
      {"vapour per cent, water counted", 0, 3, 1, 0, 100.0},
      {"methane fraction", 0, 0, 1, kMethane, c1},
      {"methane fraction, water-free", 0, 0, 0, kMethane, c1 / dryMoles},
      {"methane ppm", 0, 4, 1, kMethane, c1 * 1.0e6},
      {"methane rate", 0, 1, 1, kMethane, 4.0 * c1},
      {"vapour as standard gas volume", 4, 1, 1, 0, 4.0 * vm},
      {"methane as standard gas volume", 4, 1, 1, kMethane, 4.0 * c1 * vm},
      {"methane weight fraction", 2, 0, 1, kMethane, c1 * mw_[0] / mass},
      {"methane weight per cent, water-free", 2, 3, 0, kMethane, 100.0 * c1 * mw_[0] / dryMass},
      {"vapour mass rate", 2, 1, 1, 0, 4.0 * mass},
      {"propane volume fraction", 3, 0, 1, kPropane, c3 * mw_[2] / sg_[2] / volume},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Request r{211, 1, options(c.d1, c.d2, c.d4), c.range};
    EXPECT_NEAR(value("MIXED", r), c.expected, 1e-10 * std::abs(c.expected));
  }
}

TEST_F(PropertyCodes, AnEmptyPhaseHoldsNoneOfARange) {
  // GAS has no liquid: every fraction of it is 0, not the stream's rate.
  for (const std::int32_t d2 : {0, 3, 4, 1}) {
    for (const std::int32_t d4 : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "scale " << d2 << " water " << d4);
      EXPECT_EQ(value("GAS", {211, 12, options(0, d2, d4), 0}), 0.0);
      EXPECT_EQ(value("GAS", {211, 2, options(2, d2, d4), 0}), 0.0);
    }
  }
}

TEST_F(PropertyCodes, RangeAveragesOfComponentConstants) {
  constexpr std::int32_t kPropane = 3 * 10000 + 3;
  const double sg = sg_[2];
  struct Case {
    std::int32_t code;
    double expected;
  };
  const Case cases[] = {
      {301, mw_[2]},
      {302, sg},
      {303, sg * 999.014},
      {304, 141.5 / sg - 131.5},
      {305, mw_[2] / sg / 999.014},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    for (const std::int32_t d4 : {1, 2}) {
      EXPECT_NEAR(value("MIXED", {c.code, 12, options(0, 0, d4), kPropane}), c.expected,
                  1e-12 * std::abs(c.expected));
    }
    // Any other ten-thousands digit writes nothing.
    EXPECT_EQ(value("MIXED", {c.code, 12, options(0, 0, 0), kPropane}, -7.0), -7.0);
  }
  // The whole liquid's molecular weight with and without its water.
  const std::vector<double>& x = mixedLiquid_;
  double wet = 0.0;
  for (std::size_t i = 0; i < 5; ++i) wet += x[i] * mw_[i];
  const double xw = x[kWater - 1];
  EXPECT_NEAR(value("MIXED", {301, 12, options(0, 0, 1), 0}), wet, 1e-12 * wet);
  EXPECT_NEAR(value("MIXED", {301, 12, options(0, 0, 2), 0}),
              (wet - xw * mw_[kWater - 1]) / (1.0 - xw), 1e-12 * wet);
}

TEST_F(PropertyCodes, HeatingValuesMatchPublishedVolumetricValues) {
  // Ideal gross and net heating values at 60 F and 14.696 psia, Btu/ft3: GPA Standard
  // 2145-09, Table of Physical Properties for Hydrocarbons and Other Compounds. The problem
  // stores molar heating values from another standard (see the fixture's components); one
  // Btu/ft3 is 1.05505585262 kJ / 0.028316846592 m3.
  constexpr double kBtuPerCubicFoot = 1.05505585262 / 0.028316846592;  // kJ/m3
  struct Published {
    const char* stream;
    double gross, net;
  };
  const Published rows[] = {{"C1", 1010.0, 909.4}, {"C2", 1769.7, 1618.7}, {"C3", 2516.1, 2314.9}};
  for (const Published& p : rows) {
    SCOPED_TRACE(p.stream);
    EXPECT_NEAR(value(p.stream, {306, 1}) / kBtuPerCubicFoot, p.gross, 3e-4 * p.gross);
    EXPECT_NEAR(value(p.stream, {307, 1}) / kBtuPerCubicFoot, p.net, 3e-4 * p.net);
  }
  // A mixture is its mole-fraction average; hydrogen sulphide, without a stored heating
  // value, adds nothing.
  const double gross = 0.8 * 1010.0 + 0.1 * 1769.7 + 0.0999 * 2516.1;
  EXPECT_NEAR(value("GAS", {306, 1}) / kBtuPerCubicFoot, gross, 3e-4 * gross);
  // A range of one component: ethane alone.
  EXPECT_NEAR(value("GAS", {306, 1, 0, 2 * 10000 + 2}) / kBtuPerCubicFoot, 0.1 * 1769.7,
              3e-4 * 177.0);
}

TEST_F(PropertyCodes, GrainsOfHydrogenSulphidePerHundredStandardCubicFeet) {
  // 100 ppm of hydrogen sulphide (34.08) is 6.286 grains per 100 scf.
  EXPECT_NEAR(value("GAS", {701, 1, 0, 4 * 10000 + 4}), 6.286, 1e-3);
}

TEST_F(PropertyCodes, DistillationCurveReadAtAPercentage) {
  // The TBP curve of the whole stream read at a percentage: at or below the initial point it is
  // the initial temperature, at or above the end point the end temperature, and in between
  // it rises; the options held as fractions read the same curve.
  auto at = [](std::int32_t code, double percent) {
    auto w = record("GAS", {code, 0});
    w[15] = 1;
    double v = -7.0;
    streamprops::SPEDSP(3, w, 43, v, 0, percent);
    return v;
  };
  auto& bp = problem::DBGLOB.bpvals;
  bp.reals(1) = 1.0;
  bp.reals(2) = 98.0;
  const double ibp = at(400, 1.0), end = at(400, 98.0);
  EXPECT_GT(ibp, 0.0);
  EXPECT_EQ(at(400, 0.5), ibp);
  EXPECT_EQ(at(400, 99.0), end);
  EXPECT_GT(end, ibp);
  double previous = ibp;
  for (double p : {3.0, 10.0, 30.0, 50.0, 70.0, 90.0}) {
    SCOPED_TRACE(p);
    const double t = at(400, p);
    EXPECT_GE(t, previous - 1e-9);
    EXPECT_LE(t, end + 1e-9);
    previous = t;
  }
  const double middle = at(400, 50.0);
  bp.reals(1) = 0.01;
  bp.reals(2) = 0.98;
  EXPECT_EQ(at(400, 50.0), middle);
  EXPECT_EQ(at(400, 0.5), ibp);
  // Every curve type of the group gives a temperature.
  for (std::int32_t code : {401, 402, 409}) EXPECT_GT(at(code, 50.0), 0.0);
}

// The true vapour pressure of 405 at the TVP temperature and the Reid vapour pressure of
// 404 by correlation, both on the TVP at 100 F of the same liquid.
TEST_F(PropertyCodes, VapourPressuresOfTheLiquid) {
  const auto ask = [](std::int32_t code, std::int32_t method, double preset = -7.0) {
    auto w = record("C3", {code, 0});
    w[13] = method;
    double v = preset;
    EXPECT_EQ(streamprops::SPEDSP(3, w, 43, v, 0, 0.0), PropertyStatus::Done);
    return v;
  };
  problem::GCLTAB.reals(2) = 310.928;
  const double tvp = ask(405, 0);
  EXPECT_GT(tvp, 0.0);
  // The TVP solver called directly on pure component 3 agrees.
  const std::int32_t n = problem::COHDR(problem::cohdr::kComponents);
  std::vector<double> x(static_cast<std::size_t>(n), 0.0), y(x), k(x);
  x[2] = 1.0;
  std::int32_t ierr = 0;
  double direct = 0.0;
  streamprops::SPETVP(0, 1, n, 310.928, x, y, k, ierr, direct);
  EXPECT_NEAR(tvp, direct, 1e-9 * direct);
  // Method 2 from the TVP alone; method 1 weighs the TVP against its correlation by the
  // slope of the D86 curve: with the stream's slope S it is (1 - f) R + f t, so a value on
  // the line through R (S = 4) and t (S = 0).
  double m2 = 0.0;
  streamprops::SPERVC(2, 1, 0.0, tvp, m2);
  EXPECT_DOUBLE_EQ(ask(404, 2), m2);
  double r = 0.0;
  streamprops::SPERVC(1, 1, 4.0, tvp, r);
  const double m1 = ask(404, 1);
  EXPECT_TRUE(std::isfinite(m1));
  EXPECT_NE(m1, services::DMISS);
  EXPECT_NE(m1, -7.0);
  // The weight f that the slope gave is (4 - S)/(S + 4) of a finite slope: above -1.
  const double psi = tvp * 0.1450373;
  EXPECT_GT((m1 - r) / (psi - r), -1.0);
  // An unset TVP temperature gives the missing value, not a division by zero.
  problem::GCLTAB.reals(2) = 0.0;
  EXPECT_EQ(ask(405, 0), services::DMISS);
}

// The Reid vapour pressure by flash through the dispatcher (the default method 3 to 6):
// pure propane boils at 36 F and at 33 F under one atmosphere, so every flash method keeps
// its preset 0.96 TVP, in psi (the exact factor on the process-stream method's entry).
TEST_F(PropertyCodes, ReidVapourPressureByFlashReachesItsMethods) {
  problem::GCLTAB.reals(2) = 310.928;
  const double tvp = value("C3", {405, 0});
  ASSERT_GT(tvp, 0.0);
  for (const std::int32_t method : {3, 4, 5, 6}) {
    SCOPED_TRACE(method);
    problem::GCLTAB.integers(18) = method;
    PropertyStatus status = PropertyStatus::NotAvailable;
    const double psi = method == 3 ? 0.14503729343414307 : 0.1450373;
    EXPECT_DOUBLE_EQ(value("C3", {404, 0}, -7.0, &status), 0.96 * tvp * psi);
    EXPECT_EQ(status, PropertyStatus::Done);
  }
  problem::GCLTAB.integers(18) = 0;
}

TEST_F(PropertyCodes, CodesWithoutAValueGiveTheMissingValue) {
  // RVP method 7 has no evaluator: missing, never the caller's stale value.
  problem::GCLTAB.integers(18) = 7;
  PropertyStatus seven = PropertyStatus::NotAvailable;
  EXPECT_EQ(value("GAS", {404, 1}, -7.0, &seven), services::DMISS);
  EXPECT_EQ(seven, PropertyStatus::Done);
  problem::GCLTAB.integers(18) = 0;
  // Codes of the 400s without a curve type are missing; a curve code without a lookup
  // writes nothing.
  for (const std::int32_t code : {407, 408, 450, 499}) {
    SCOPED_TRACE(code);
    PropertyStatus status = PropertyStatus::NotAvailable;
    EXPECT_EQ(value("GAS", {code, 1}, -7.0, &status), services::DMISS);
    EXPECT_EQ(status, PropertyStatus::Done);
  }
  EXPECT_EQ(value("GAS", {401, 1}, -7.0), -7.0);
  // The 600s of a method set without a special-property store: kinematic viscosity and
  // the codes without a rule are 0, the blended properties missing.
  struct Inspection {
    std::int32_t code;
    double expected;
  };
  for (const Inspection& c : {Inspection{601, 0.0}, Inspection{650, services::DMISS},
                              Inspection{690, services::DMISS}, Inspection{699, 0.0}}) {
    SCOPED_TRACE(c.code);
    PropertyStatus status = PropertyStatus::NotAvailable;
    EXPECT_EQ(value("GAS", {c.code, 1}, -7.0, &status), c.expected);
    EXPECT_EQ(status, PropertyStatus::Done);
  }
  for (const std::int32_t code : {150, 200, 296, 600, 700, 717, 800, 900}) {
    SCOPED_TRACE(code);
    PropertyStatus status = PropertyStatus::NotAvailable;
    EXPECT_EQ(value("GAS", {code, 1}, -7.0, &status), -7.0);
    EXPECT_EQ(status, PropertyStatus::Done);
  }
}

TEST_F(PropertyCodes, ElectrolyteCodesBeyondTheFirstGiveTheMissingValue) {
  const testing_support::StopThrows stops;
  for (const std::int32_t code : {802, 850, 899}) {
    SCOPED_TRACE(code);
    double v = 0.0;
    EXPECT_NO_THROW(v = value("GAS", {code, 1}));
    EXPECT_EQ(v, services::DMISS);
  }
}

TEST_F(PropertyCodes, TransportCodesWithoutAPhaseGiveTheMissingValue) {
  EXPECT_EQ(value("GAS", {502, 1}), services::DMISS);  // the vapour has no surface tension
  for (const std::int32_t phase : {0, 3, 7}) {
    SCOPED_TRACE(phase);
    EXPECT_EQ(value("GAS", {500, phase}), services::DMISS);
  }
}

TEST_F(PropertyCodes, TheWorkingStreamIsEvaluatedWhenTheRequestSaysSo) {
  problem::SRSET(problem::ISRNO("MIXED"), 0);
  auto w = record("GAS", {219});
  w[2] = 1;
  double v = 0.0;
  streamprops::SPEDSP(0, w, 0, v, 0, 0.0);
  EXPECT_EQ(v, 0.4);
  EXPECT_EQ(problem::SRPSET.set1.stream, problem::ISRNO("MIXED"));
}

TEST_F(PropertyCodes, AStreamWithoutItsRecordOfDerivedValuesGivesTheMissingValue) {
  // GAS holds no record of type 26; the working stream is the same afterwards.
  problem::SRSET(problem::ISRNO("MIXED"), 0);
  auto w = record("GAS", {703});
  w[13] = 1;
  double v = 0.0;
  streamprops::SPEDSP(0, w, 0, v, 0, 0.0);
  EXPECT_EQ(v, services::DMISS);
  EXPECT_EQ(problem::SRPSET.set2.stream, problem::ISRNO("MIXED"));
}

TEST_F(PropertyCodes, WarmEvaluationsAllocateNothing) {
  // The evaluators on the stream made current once; the stream set-up and the component
  // index of a range lie below this layer and are not counted here.
  const Request requests[] = {
      {201},    {212},    {211, 1, 0, 0}, {211, 2, 20, 0}, {211, 12, 310, 0}, {303, 12, 10000, 0},
      {306, 1}, {701, 1}, {714}};
  std::vector<std::array<std::int32_t, streamprops::spcrec::kWords>> records;
  for (const Request& r : requests) records.push_back(record("MIXED", r));
  problem::SRSETT(problem::ISRNO("MIXED"));
  const auto evaluateAll = [&] {
    for (auto& w : records) {
      double v = 0.0;
      std::int32_t istat = 0;
      const std::int32_t code = w[12];
      if (code < 300) {
        streamprops::SPE200(0, w, 0, istat, v, 0);
      } else if (code < 400) {
        streamprops::SPE300(0, w, 0, istat, v, 0);
      } else {
        streamprops::SPE700(0, w, 0, istat, v, 0);
      }
    }
  };
  evaluateAll();
  const std::size_t before = testing_support::allocationCount();
  for (int k = 0; k < 10; ++k) evaluateAll();
  EXPECT_EQ(testing_support::allocationCount(), before);
}

}  // namespace
