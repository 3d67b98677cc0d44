// The totals of a flashed stream with phase doubles of known H(T), Cp(T) and S(T): each
// phase evaluated on its own composition, weighted by its fraction, and summed into the
// stream's molar enthalpy and entropy.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "flash/flash.hpp"
#include "methods/methods.hpp"
#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "support/allocation_counter.hpp"
#include "support/test_support.hpp"
#include "thermo/equilibrium/liquid_liquid.hpp"

namespace {

namespace h = flash::totals;
constexpr std::int32_t kComponents = 3;  // methane, propane, water
constexpr std::int32_t kWater = 3;

// The doubles: per component i (1-based) and phase, H = a + b T with Cp = b, and
// S = c ln(T / 100) + d P / 1000; a phase's value is the mole-fraction sum over its
// composition. The free water and the solids have their own lines.
struct Line {
  double a, b, c, d;
  double enthalpy(double t) const { return a + b * t; }
  double entropy(double t, double p) const { return c * std::log(t / 100.0) + d * p / 1000.0; }
};
constexpr std::array<Line, kComponents> kVapour{
    {{100, 30, 1, -2}, {200, 70, 2, -3}, {300, 33, 3, -4}}};
constexpr std::array<Line, kComponents> kLiquid{
    {{-900, 50, 5, 1}, {-800, 90, 6, 2}, {-700, 75, 7, 3}}};
constexpr Line kFreeWater{-4000, 76, 8, 5};
constexpr std::array<Line, kComponents> kSolid{
    {{-2000, 40, 11, 0}, {-3000, 60, 13, 0}, {-5000, 80, 17, 0}}};

double sum(const std::array<Line, kComponents>& lines, std::span<const double> x,
           double (*value)(const Line&, double, double), double t, double p) {
  double s = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) s += x[i] * value(lines[i], t, p);
  return s;
}
double enthalpyOf(const Line& l, double t, double) { return l.enthalpy(t); }
double slopeOf(const Line& l, double, double) { return l.b; }
double entropyOf(const Line& l, double t, double p) { return l.entropy(t, p); }

// What the doubles saw.
struct Calls {
  std::vector<std::int32_t> liquidNumbers;  // the exchange words at each liquid call
  std::vector<std::int32_t> secondLiquid;
  std::vector<double> waterPressureWords;  // the pressure word at each water call
  std::int32_t failing = 0;                // 1 vapour, 2 liquid driver reports failure
};
Calls calls;

std::int32_t vapourEnthalpy(std::int32_t n, double t, double p, std::span<const double> x,
                            double& hv, double& cp, double& hw, double& cpw, double& z,
                            std::int32_t, std::int32_t& status, std::int32_t&, double& residual) {
  EXPECT_EQ(static_cast<std::int32_t>(x.size()), n);
  hv = sum(kVapour, x, enthalpyOf, t, p);
  cp = sum(kVapour, x, slopeOf, t, p);
  hw = cpw = 0.0;
  z = 0.9;
  residual = -0.25;
  status = calls.failing == 1 ? 1 : 0;
  return 0;
}

std::int32_t liquidEnthalpy(std::int32_t n, double t, double p, std::span<const double> x,
                            double& hl, double& cp, double& hw, double& cpw, double& z,
                            std::int32_t, std::int32_t& status, std::int32_t&, double&) {
  EXPECT_EQ(static_cast<std::int32_t>(x.size()), n);
  calls.liquidNumbers.push_back(flash::liquidSplitWords.liquidNumber);
  calls.secondLiquid.push_back(flash::liquidSplitWords.secondLiquid);
  hl = sum(kLiquid, x, enthalpyOf, t, p);
  cp = sum(kLiquid, x, slopeOf, t, p);
  hw = kFreeWater.enthalpy(t);
  cpw = kFreeWater.b;
  z = 0.05;
  status = calls.failing == 2 ? 1 : 0;
  return 0;
}

std::int32_t vapourEntropy(std::int32_t, double t, double p, std::span<const double> x, double& s,
                           double&, double&, std::int32_t, std::int32_t&) {
  s = sum(kVapour, x, entropyOf, t, p);
  return 0;
}

std::int32_t liquidEntropy(std::int32_t, double t, double p, std::span<const double> x, double& s,
                           double&, double&, std::int32_t, std::span<const std::int32_t>,
                           std::int32_t&) {
  calls.secondLiquid.push_back(flash::liquidSplitWords.secondLiquid);
  s = sum(kLiquid, x, entropyOf, t, p);
  return 0;
}

std::int32_t water(std::int32_t property, std::int32_t, double t, double p, double& value,
                   double& slope, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                   double deltaP) {
  calls.waterPressureWords.push_back(deltaP);
  EXPECT_EQ(deltaP, problem::THCTL.partialPressure);
  if (property == static_cast<std::int32_t>(pure::WaterProperty::Enthalpy)) {
    value = kFreeWater.enthalpy(t);
    slope = kFreeWater.b;
  } else {
    value = kFreeWater.entropy(t, p);
    slope = 0.0;
  }
  return 0;
}

// Solid enthalpy correlation, one component at a time.
void solidCorrelation(std::int32_t type, std::int32_t, std::int32_t ncomps, std::int32_t iconly,
                      std::int32_t, std::int32_t, double t, double, std::span<double> values,
                      std::span<double> derivs) {
  EXPECT_EQ(type, 311);
  EXPECT_EQ(ncomps, 1);
  values[0] = kSolid[static_cast<std::size_t>(iconly - 1)].enthalpy(t);
  derivs[0] = kSolid[static_cast<std::size_t>(iconly - 1)].b;
}

void solidEntropy(std::int32_t ic1, std::int32_t ic2, double t, double p, std::span<const double> x,
                  double& s, double& ds, std::int32_t, std::int32_t, std::span<const std::int32_t>,
                  std::int32_t kind, std::int32_t) {
  EXPECT_EQ(kind, 4);
  s = 0.0;
  ds = 0.0;
  for (std::int32_t i = ic1; i <= ic2; ++i) {
    s += x[static_cast<std::size_t>(i - ic1)] *
         kSolid[static_cast<std::size_t>(i - 1)].entropy(t, p);
  }
}

const flash::PhaseTotalRoutines kDoubles{&vapourEnthalpy, &liquidEnthalpy, &vapourEntropy,
                                         &liquidEntropy,  &water,          &solidCorrelation,
                                         &solidEntropy,   &solidEntropy};

// A stream of the table below.
struct StreamCase {
  std::string name;
  double rate, fv, fl, fw, fs, fs2;
  std::array<double, kComponents> y, x, s;
  double theta;  // share of liquid 1; not positive: no liquid split
  std::array<double, kComponents> x1, x2;
};

class FlashedTotals : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    for (const char* name : {"METHANE", "PROPANE", "WATER"}) {
      d.components.push_back(fixtures::publishedComponent(name));
    }
    auto set = fixtures::equationOfStateSet("PR", 102);
    set.options[0] = 100000;  // the free-water component from the set header
    set.header[0] = kWater;
    set.header[4] = 0;
    set.codes[1] = 404;  // a liquid-liquid K-value method
    d.methodSets = {set};
    d.waterComponent = kWater;
    fixtures::StreamSpec stream;
    stream.name = "S1";
    stream.temperature = 320.0;
    stream.pressure = 2500.0;
    stream.rate = 10.0;
    stream.composition = {0.5, 0.3, 0.2};
    d.streams = {stream};
    fixtures::buildProblem(dir.path(), d);
    std::int32_t iout = 0;
    methods::PAINIT(dir.path().string() + "/" + d.name, dir.path().string(), iout, 0);
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    methods::FLMSET(d3, d4, d5, ndig, 1);
    ASSERT_EQ(problem::THCTL.idecnt, kWater);
    problem::SRSET(problem::ISRNO("S1"), 0);
    calls = {};
  }
  void TearDown() override {
    equilibrium::liquidSplitState = {};
    methods::PAEND();
    storage::FIINIT();
  }

  static problem::MainRecord record() { return problem::MainRecord(problem::SRPSET.set2); }

  static void load(const StreamCase& c) {
    problem::MainRecord m = record();
    m.setReal(h::kTemperature, kT);
    m.setReal(h::kPressure, kP);
    m.setReal(h::kRate, c.rate);
    m.setReal(h::kVapourFraction, c.fv);
    m.setReal(h::kLiquidFraction, c.fl);
    m.setReal(h::kWaterFraction, c.fw);
    m.setReal(h::kSolidFraction, c.fs);
    m.setReal(h::kSecondSolidRate, c.fs2);
    for (std::int32_t i = 1; i <= kComponents; ++i) {
      const auto k = static_cast<std::size_t>(i - 1);
      m.setVector(2, i, c.y[k]);
      m.setVector(3, i, c.x[k]);
      m.setVector(4, i, c.s[k]);
    }
    // Every phase word starts from a value the totals must overwrite or clear.
    for (std::int32_t k = 15; k <= 38; ++k) {
      if (k != h::kVapourFraction && k != h::kLiquidFraction && k != h::kSolidFraction &&
          k != h::kSecondSolidRate) {
        m.setReal(k, 12345.0);
      }
    }
    equilibrium::LiquidSplitState& split = equilibrium::liquidSplitState;
    split = {};
    split.theta = c.theta;
    split.thetaRest = c.theta > 0.0 ? 1.0 - c.theta : -1.0;
    split.x1.assign(c.x1.begin(), c.x1.end());
    split.x2.assign(c.x2.begin(), c.x2.end());
  }

  static constexpr double kT = 320.0;
  static constexpr double kP = 2500.0;

  testing_support::StopThrows stop;
  testing_support::TempDir dir;
};

const std::array<double, kComponents> kNone{0.0, 0.0, 0.0};

// The phases each case holds; the solids use components 1-2 (first phase) and 2-3 (second
// phase) of the solid vector.
const std::vector<StreamCase> kCases{
    {"all vapour",
     10.0,
     1.0,
     0.0,
     0.0,
     0.0,
     0.0,
     {0.5, 0.3, 0.2},
     kNone,
     kNone,
     -1.0,
     kNone,
     kNone},
    {"vapour, liquid, free water",
     10.0,
     0.3,
     0.5,
     0.2,
     0.0,
     0.0,
     {0.7, 0.2, 0.1},
     {0.1, 0.9, 0.0},
     kNone,
     -1.0,
     kNone,
     kNone},
    {"two liquids",
     4.0,
     0.0,
     1.0,
     0.0,
     0.0,
     0.0,
     kNone,
     {0.3, 0.5, 0.2},
     kNone,
     0.3,
     {0.1, 0.9, 0.0},
     {0.0, 0.05, 0.95}},
    {"two liquids beside free water",
     4.0,
     0.2,
     0.5,
     0.3,
     0.0,
     0.0,
     {0.6, 0.3, 0.1},
     {0.3, 0.5, 0.2},
     kNone,
     0.4,
     {0.2, 0.8, 0.0},
     {0.0, 0.1, 0.9}},
    {"vapour and solids",
     2.0,
     0.75,
     0.0,
     0.0,
     0.25,
     0.1,
     {0.9, 0.1, 0.0},
     kNone,
     {0.6, 0.4, 0.0},
     -1.0,
     kNone,
     kNone},
    {"no rate",
     0.0,
     0.4,
     0.6,
     0.0,
     0.0,
     0.0,
     {0.5, 0.5, 0.0},
     {0.2, 0.8, 0.0},
     kNone,
     -1.0,
     kNone,
     kNone},
};

// The expected phase values, from the lines of the doubles.
struct Expected {
  double hv = 0, cpv = 0, hl = 0, cpl = 0, hw = 0, cpw = 0, hs = 0, cps = 0, hs2 = 0;
  double sv = 0, sl = 0, sw = 0, ss = 0, ss2 = 0;
};
Expected expected(const StreamCase& c, double t, double p) {
  Expected e;
  if (c.fv > 0.0) {
    e.hv = sum(kVapour, c.y, enthalpyOf, t, p);
    e.cpv = sum(kVapour, c.y, slopeOf, t, p);
    e.sv = sum(kVapour, c.y, entropyOf, t, p);
  }
  if (c.theta > 0.0) {
    const double s1 = c.theta, s2 = 1.0 - c.theta;
    e.hl = s1 * sum(kLiquid, c.x1, enthalpyOf, t, p) + s2 * sum(kLiquid, c.x2, enthalpyOf, t, p);
    e.cpl = s1 * sum(kLiquid, c.x1, slopeOf, t, p) + s2 * sum(kLiquid, c.x2, slopeOf, t, p);
    e.sl = s1 * sum(kLiquid, c.x1, entropyOf, t, p) + s2 * sum(kLiquid, c.x2, entropyOf, t, p);
  } else if (c.fl > 0.0 || c.fw > 0.0) {
    e.hl = sum(kLiquid, c.x, enthalpyOf, t, p);
    e.cpl = sum(kLiquid, c.x, slopeOf, t, p);
    e.sl = sum(kLiquid, c.x, entropyOf, t, p);
  }
  if (c.fl > 0.0 && c.theta <= 0.0) {
    e.hw = kFreeWater.enthalpy(t);  // the liquid driver gives the free water
    e.cpw = kFreeWater.b;
  }
  if (c.fw > 0.0) {
    e.hw = kFreeWater.enthalpy(t);
    e.cpw = kFreeWater.b;
    e.sw = kFreeWater.entropy(t, p);
  }
  const std::array<double, 2> first{c.s[0], c.s[1]};
  const std::array<double, 2> second{c.s[1], c.s[2]};
  if (c.fs > 0.0) {
    e.hs = first[0] * kSolid[0].enthalpy(t) + first[1] * kSolid[1].enthalpy(t);
    e.cps = first[0] * kSolid[0].b + first[1] * kSolid[1].b;
    e.ss = first[0] * kSolid[0].entropy(t, p) + first[1] * kSolid[1].entropy(t, p);
  }
  if (c.fs2 > 0.0) {
    e.hs2 = second[0] * kSolid[1].enthalpy(t) + second[1] * kSolid[2].enthalpy(t);
    e.ss2 = second[0] * kSolid[1].entropy(t, p) + second[1] * kSolid[2].entropy(t, p);
  }
  return e;
}

// Each phase evaluated on its own composition and written to its words; the stream's molar
// enthalpy and entropy are the fraction-weighted sums (the sums themselves at rate 0), the
// second solid kept out of them.
TEST_F(FlashedTotals, PhasesAreEvaluatedAndSummedByFraction) {
  const flash::ScopedPhaseTotalRoutines doubles(kDoubles);
  // The solid phases: components 1-2 and 2-3.
  problem::COHDR(38) = 1;
  problem::COHDR(46) = 2;
  problem::COHDR(39) = 2;
  problem::COHDR(47) = 3;
  problem::COHDR(14) = 1;
  problem::COHDR(22) = 2;
  problem::COHDR(17) = 2;
  problem::COHDR(23) = 3;
  for (const StreamCase& c : kCases) {
    SCOPED_TRACE(c.name);
    load(c);
    calls = {};
    std::int32_t ierr = -1;
    flash::HTOTFL(ierr);
    EXPECT_EQ(ierr, 0);
    flash::STOTFL(ierr);
    EXPECT_EQ(ierr, 0);

    Expected e = expected(c, kT, kP);
    if (c.rate <= 0.0) e.sv = e.sl = e.sw = e.ss = e.ss2 = 0.0;  // no rate: no entropy
    problem::MainRecord m = record();
    const double tol = 1e-9;
    EXPECT_NEAR(m.real(h::kVapourEnthalpy), e.hv, tol);
    EXPECT_NEAR(m.real(h::kVapourHeatCapacity), e.cpv, tol);
    EXPECT_NEAR(m.real(h::kLiquidEnthalpy), c.fl > 0.0 ? e.hl : 0.0, tol);
    EXPECT_NEAR(m.real(h::kLiquidHeatCapacity), c.fl > 0.0 ? e.cpl : 0.0, tol);
    EXPECT_NEAR(m.real(h::kWaterEnthalpy), e.hw, tol);
    EXPECT_NEAR(m.real(h::kWaterHeatCapacity), e.cpw, tol);
    EXPECT_NEAR(m.real(h::kSolidEnthalpy), e.hs, tol);
    EXPECT_NEAR(m.real(h::kSolidHeatCapacity), e.cps, tol);
    EXPECT_NEAR(m.real(h::kSecondSolidEnthalpy), e.hs2, tol);
    EXPECT_NEAR(m.real(h::kVapourEntropy), e.sv, tol);
    EXPECT_NEAR(m.real(h::kLiquidEntropy), e.sl, tol);
    EXPECT_NEAR(m.real(h::kWaterEntropy), e.sw, tol);
    EXPECT_NEAR(m.real(h::kSolidEntropy), e.ss, tol);
    EXPECT_NEAR(m.real(h::kSecondSolidEntropy), e.ss2, tol);

    const double hTotal = c.fv * e.hv + c.fl * e.hl + c.fw * e.hw + c.fs * e.hs;
    const double sTotal = c.fv * e.sv + c.fl * e.sl + c.fw * e.sw + c.fs * e.ss;
    EXPECT_NEAR(m.real(h::kEnthalpy), c.rate > 0.0 ? hTotal : 0.0, 1e-9);
    EXPECT_NEAR(m.real(h::kEntropy), c.rate > 0.0 ? sTotal : 0.0, 1e-9);

    // The free water at its partial pressure (1 - y(water)) P, and the liquid split's
    // exchange words at each liquid evaluation.
    for (const double word : calls.waterPressureWords) {
      EXPECT_NEAR(word, (1.0 - c.y[kWater - 1]) * kP, 1e-9);
    }
    if (c.theta > 0.0) {
      EXPECT_EQ(calls.liquidNumbers, (std::vector<std::int32_t>{1, 2}));
      EXPECT_EQ(calls.secondLiquid, (std::vector<std::int32_t>{0, 1, 0, 1}));
    }
  }
}

// A failing driver sets the error flag; the other phases are still written.
TEST_F(FlashedTotals, DriverFailureIsReportedAndOtherPhasesStillWritten) {
  const flash::ScopedPhaseTotalRoutines doubles(kDoubles);
  const StreamCase& c = kCases[1];
  for (const std::int32_t failing : {1, 2}) {
    SCOPED_TRACE(failing);
    load(c);
    calls = {};
    calls.failing = failing;
    std::int32_t ierr = 0;
    flash::HTOTFL(ierr);
    EXPECT_EQ(ierr, 1);
    const Expected e = expected(c, kT, kP);
    EXPECT_NEAR(record().real(h::kVapourEnthalpy), e.hv, 1e-9);
    EXPECT_NEAR(record().real(h::kLiquidEnthalpy), e.hl, 1e-9);
  }
}

// A solid-forming component in a single hydrocarbon liquid whose method cannot treat it:
// the entropy only reports it; the enthalpy stops the run.
TEST_F(FlashedTotals, SolidInTheLiquidIsReportedOrStopsTheRun) {
  const flash::ScopedPhaseTotalRoutines doubles(kDoubles);
  problem::COHDR(28) = 2;  // component 3 is left out of the vapour count ...
  problem::COHDR(15) = 3;  // ... and may be solid
  problem::COHDR(21) = 3;
  StreamCase c = kCases[1];
  c.x = {0.1, 0.8, 0.1};
  load(c);
  std::int32_t ierr = 0;
  flash::STOTFL(ierr);
  EXPECT_EQ(ierr, 1);
  try {
    flash::HTOTFL(ierr);
    ADD_FAILURE() << "the run goes on";
  } catch (const platform::RunStopped& stopped) {
    EXPECT_EQ(stopped.status, 15);
  }
  // Without the component in the liquid both go through.
  c.x = {0.1, 0.9, 0.0};
  load(c);
  flash::STOTFL(ierr);
  EXPECT_EQ(ierr, 0);
  flash::HTOTFL(ierr);
  EXPECT_EQ(ierr, 0);
}

// A warm evaluation of both totals allocates nothing.
TEST_F(FlashedTotals, WarmTotalsAllocateNothing) {
  const flash::ScopedPhaseTotalRoutines doubles(kDoubles);
  calls.liquidNumbers.reserve(64);
  calls.secondLiquid.reserve(64);
  calls.waterPressureWords.reserve(64);
  for (const std::size_t k : {std::size_t{1}, std::size_t{3}}) {
    load(kCases[k]);
    std::int32_t ierr = 0;
    flash::HTOTFL(ierr);
    flash::STOTFL(ierr);
    const std::size_t before = testing_support::allocationCount();
    for (int pass = 0; pass < 3; ++pass) {
      flash::HTOTFL(ierr);
      flash::STOTFL(ierr);
    }
    EXPECT_EQ(testing_support::allocationCount(), before) << kCases[k].name;
  }
}

}  // namespace
