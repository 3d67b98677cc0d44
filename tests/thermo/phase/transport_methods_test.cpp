// The transport methods on an open problem: the blends of the water and hydrocarbon parts
// (PHTRNS) against their closed forms, the liquid-viscosity methods with the emulsion
// factor, the per-component sample route, the user-added transport driver with its sample
// and placeholder routines, and PHTRAN on a stream vector: its status precedence, its slots,
// and the streams, method set and core store it leaves as it found them on every way out.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "platform/platform.hpp"
#include "problem/component_data.hpp"
#include "problem/data_transfer.hpp"
#include "problem/streams.hpp"
#include "services/services.hpp"
#include "services/units_of_measure.hpp"
#include "storage/core_store_checker.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"
#include "thermo/phase/phase.hpp"

namespace {

using namespace phase;

constexpr double kCubeRoot = 0.3333333;
constexpr std::int32_t kMethane = 1, kHexane = 2, kWater = 3;

// Set 1: built-in transport methods (code 2) with free water; set 2: the emulsion method 147
// for the liquid viscosity; set 3: the user-added transport methods.
fixtures::MethodSetSpec transportSet(const std::string& name, std::int32_t liquidViscosity,
                                     std::int32_t others) {
  fixtures::MethodSetSpec set = fixtures::equationOfStateSet(name, 102);
  set.options[0] = 100000;  // water treatment
  set.header[0] = kWater;
  set.header[4] = 0;
  set.codes[11] = liquidViscosity;  // slot 12
  for (std::size_t slot : {13U, 14U, 15U, 16U}) set.codes[slot - 1] = others;
  return set;
}

class TransportMethods : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ProblemDescription d;
    d.name = "transport";
    for (const char* name : {"METHANE", "N-HEXANE", "WATER"}) {
      d.components.push_back(fixtures::publishedComponent(name));
    }
    d.methodSets = {transportSet("BUILTIN", 2, 2), transportSet("EMULSION", 147, 2),
                    transportSet("USER", 902, 903)};
    fixtures::StreamSpec feed;
    feed.name = "FEED";
    feed.temperature = 300.0;
    feed.pressure = 200.0;
    feed.rate = 10.0;
    feed.vapourFraction = 0.0;
    feed.liquidFraction = 0.8;
    feed.waterFraction = 0.2;
    feed.composition = {0.1, 0.7, 0.2};
    feed.vapour = {0.0, 0.0, 0.0};
    feed.liquid = {0.1, 0.85, 0.05};
    feed.integerWords = {{20, 1}};
    d.streams = {feed};
    fixtures::buildProblem(dir_.path(), d);
    std::int32_t iout = 0;
    methods::PAINIT(dir_.file("transport").string(), dir_.path().string(), iout, 0);
    useSet(1);
  }
  void TearDown() override {
    for (std::int32_t k = 1; k <= kUserTransportRoutines; ++k) setUserTransportRoutine(k, nullptr);
    methods::PAEND();
    storage::FIINIT();
  }

  static void useSet(std::int32_t set) {
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    methods::FLMSET(d3, d4, d5, ndig, set);
  }

  static double molarMass(std::int32_t i) {
    return storage::CORSTO.real(
        problem::COPTRS.realSector(problem::ComponentReal::MolecularWeight) + i);
  }

  // A stream vector (unit set 5) of rate 1 and the amounts X at T (K) and P (kPa).
  static std::vector<float> streamVector(double t, double p, const std::vector<double>& x) {
    std::vector<float> v(10 + x.size(), 0.0F);
    v[0] = 1.0F;
    v[1] = static_cast<float>(services::UOMCNV(t, 1, 1, 5));
    v[2] = static_cast<float>(services::UOMCNV(p, 4, 1, 5));
    for (std::size_t i = 0; i < x.size(); ++i) v[10 + i] = static_cast<float>(x[i]);
    return v;
  }

  testing_support::TempDir dir_;
};

// ---------------------------------------------------------------------------------------
// PHTRNS: the blends
// ---------------------------------------------------------------------------------------

// A mixed phase (split code 2) of each property: the whole-phase value follows from the two
// parts by the property's closed form (H and W the hydrocarbon and water amounts, Mh and Mw
// the molar masses of the parts).
TEST_F(TransportMethods, MixedPhaseBlendsFollowTheirClosedForms) {
  const double t = 320.0, p = 300.0;
  std::vector<double> xv{0.6, 0.3, 0.1}, xl{0.05, 0.75, 0.2};
  std::vector<double> xvhc(3), xlhc(3);
  double hcV = 0.0, wV = 0.0, hcL = 0.0, wL = 0.0;
  std::int32_t splitV = 0, splitL = 0;
  WTSPLT(kWater, 0, xv, 2.0, xvhc, hcV, wV, splitV, 3);
  WTSPLT(kWater, 0, xl, 2.0, xlhc, hcL, wL, splitL, 3);
  ASSERT_EQ(splitV, 2);
  ASSERT_EQ(splitL, 2);
  const double mw = molarMass(kWater);
  const double mhV = xvhc[0] * molarMass(kMethane) + xvhc[1] * molarMass(kHexane);
  const double mhL = xlhc[0] * molarMass(kMethane) + xlhc[1] * molarMass(kHexane);
  for (const std::int32_t code : {1121, 1122, 1221, 1222, 1223}) {
    SCOPED_TRACE(code);
    const bool vapour = code < 1200;
    const double h = vapour ? hcV : hcL;
    const double w = vapour ? wV : wL;
    PhaseAmounts ph{xvhc, xlhc, xv, xl, h + w, w, 2.0, 0.0};
    TransportParts parts;
    std::int32_t iwat = kWater, ierr = -1;
    PHTRNS(code, 2, iwat, 2, t, p, ph, parts, ierr);
    ASSERT_EQ(ierr, 0);
    ASSERT_GT(parts.hydrocarbon, 0.0);
    ASSERT_GT(parts.water, 0.0);
    const double a = parts.hydrocarbon, b = parts.water;
    double expected = 0.0;
    switch (code) {
      case 1121:
        expected = (h * std::pow(mhV, kCubeRoot) * a + w * std::pow(mw, kCubeRoot) * b) /
                   (h * std::pow(mhV, kCubeRoot) + w * std::pow(mw, kCubeRoot));
        EXPECT_EQ(b, TRPOL4(t));
        break;
      case 1122:
        expected = (h * std::sqrt(mhV) * a + w * std::sqrt(mw) * b) /
                   (h * std::sqrt(mhV) + w * std::sqrt(mw));
        EXPECT_EQ(b, TRPOL3(t));
        break;
      case 1221:
        expected = std::sqrt((h * mhL + w * mw) / (h * mhL / (a * a) + w * mw / (b * b)));
        EXPECT_EQ(b, TRPOL2(t));
        break;
      case 1222:
        expected = std::pow((h * std::pow(a, kCubeRoot) + w * std::pow(b, kCubeRoot)) / (h + w), 3);
        EXPECT_EQ(b, TREXP1(t));
        break;
      default:
        expected = (h * a + w * b) / (h + w);
        EXPECT_EQ(b, TRPOL1(t));
        break;
    }
    EXPECT_NEAR(parts.mixture, expected, 1e-12 * std::fabs(expected));
    // Water alone (code 1) and water-free (code 3) phases.
    PHTRNS(code, 1, iwat, 2, t, p, ph, parts, ierr);
    EXPECT_EQ(parts.mixture, parts.water);
    PHTRNS(code, 3, iwat, 2, t, p, ph, parts, ierr);
    EXPECT_EQ(parts.mixture, parts.hydrocarbon);
    EXPECT_EQ(parts.water, 0.0);
  }
}

// A code that is not one of the five, a method not available for the property and a phase
// without flow all give three zeros.
TEST_F(TransportMethods, RefusedEvaluationsGiveZeros) {
  std::vector<double> x{0.5, 0.5, 0.0}, xhc{0.5, 0.5, 0.0};
  PhaseAmounts ph{xhc, xhc, x, x, 1.0, 0.0, 1.0, 0.0};
  std::int32_t iwat = kWater;
  struct Case {
    std::int32_t code, split, method, status;
  };
  for (const Case& c :
       {Case{1124, 3, 2, 1}, Case{1121, 3, 124, 2}, Case{1222, 3, 9, 2}, Case{1223, 0, 2, 0}}) {
    SCOPED_TRACE(c.code);
    TransportParts parts{7.0, 7.0, 7.0};
    std::int32_t ierr = -1;
    PHTRNS(c.code, c.split, iwat, c.method, 300.0, 100.0, ph, parts, ierr);
    EXPECT_EQ(ierr, c.status);
    EXPECT_EQ(parts.hydrocarbon, 0.0);
    EXPECT_EQ(parts.mixture, 0.0);
    EXPECT_EQ(parts.water, 0.0);
  }
}

// ---------------------------------------------------------------------------------------
// Liquid viscosity methods
// ---------------------------------------------------------------------------------------

// Methods 147 and 2 give the same hydrocarbon viscosity; only 147 has an emulsion factor,
// the one of its table at the liquid's water volume fraction.
TEST_F(TransportMethods, EmulsionMethodAddsItsFactor) {
  const std::vector<double> xhc{0.1, 0.9, 0.0};
  const std::vector<double> xl{0.08, 0.72, 0.2};
  double f2 = -1.0, f147 = -1.0, mu2 = 0.0, mu147 = 0.0;
  std::int32_t flag = -1, ierr = -1;
  PMDISP(300.0, 200.0, xhc, xl, f2, flag, mu2, 2, kWater, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(f2, -1.0);
  useSet(2);
  PMDISP(300.0, 200.0, xhc, xl, f147, flag, mu147, 147, kWater, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(mu147, mu2);
  // The water volume fraction from the standard liquid volumes x M / d.
  const auto volume = [](std::int32_t i, double x) {
    return x * molarMass(i) /
           storage::CORSTO.real(
               problem::COPTRS.realSector(problem::ComponentReal::StandardLiquidDensity) + i);
  };
  const double phi =
      volume(kWater, 0.2) / (volume(kMethane, 0.08) + volume(kHexane, 0.72) + volume(kWater, 0.2));
  double expected = 0.0;
  std::int32_t eflag = 0, eerr = 0;
  TRTABV(phi, services::DMISS, expected, 2, eflag, eerr);
  EXPECT_EQ(f147, expected);
  EXPECT_EQ(flag, 0);
  // Water-continuous above the inversion fraction: PHTRNS then takes the water viscosity.
  const std::vector<double> wet{0.0, 0.02, 0.98};
  PMDISP(300.0, 200.0, xhc, wet, f147, flag, mu147, 147, kWater, ierr);
  EXPECT_EQ(f147, 1.0);
  EXPECT_EQ(flag, 1);
}

// The water method ignores the composition; corresponding states without a coefficient
// block stops the run; an unknown code is not available.
TEST_F(TransportMethods, LiquidViscosityByCode) {
  const std::vector<double> xhc{0.1, 0.9, 0.0};
  double f = 0.0, mu = 0.0;
  std::int32_t flag = 0, ierr = -1;
  PMDISP(300.0, 200.0, xhc, xhc, f, flag, mu, 5, 0, ierr);
  double water = 0.0, slope = 0.0;
  TRWATV(300.0, water, slope);
  EXPECT_EQ(mu, water);
  EXPECT_EQ(ierr, 0);
  PMDISP(300.0, 200.0, xhc, xhc, f, flag, mu, 99, 0, ierr);
  EXPECT_EQ(ierr, kMethodNotAvailable);
  EXPECT_EQ(mu, 0.0);
  // Method 8 needs the inspection-property store of the stream-property layer.
  PMDISP(300.0, 200.0, xhc, xhc, f, flag, mu, 8, 0, ierr);
  EXPECT_EQ(ierr, kTransportFailed);
}

// The petroleum methods 3 and 4 of a composition equal PETVIS of its mixture constants.
TEST_F(TransportMethods, PetroleumMethodsOfAPureLiquid) {
  const std::vector<double> xhc{0.0, 1.0, 0.0};
  double f = 0.0, mu3 = 0.0, mu4 = 0.0;
  std::int32_t flag = 0, ierr = -1;
  PMDISP(298.15, 101.325, xhc, xhc, f, flag, mu3, 3, 0, ierr);
  EXPECT_EQ(ierr, 0);
  PMDISP(298.15, 101.325, xhc, xhc, f, flag, mu4, 4, 0, ierr);
  EXPECT_EQ(ierr, 0);
  // n-hexane at 25 C: 0.300 mPa s (CRC Handbook, "Viscosity of Liquids"), within 10 %.
  EXPECT_NEAR(mu3, 0.300e-3, 0.030e-3);
  EXPECT_NEAR(mu4, 0.300e-3, 0.030e-3);
  // A composition without liquid volume has no petroleum viscosity.
  const std::vector<double> none{0.0, 0.0, 0.0};
  PMDISP(298.15, 101.325, none, none, f, flag, mu3, 3, 0, ierr);
  EXPECT_EQ(ierr, kTransportFailed);
  EXPECT_EQ(mu3, 0.0);
}

// ---------------------------------------------------------------------------------------
// Per-component samples and the user-added transport methods
// ---------------------------------------------------------------------------------------

TEST_F(TransportMethods, SampleRouteReturnsItsFixedPairs) {
  std::vector<double> x{0.5, 0.5, 0.0};
  PhaseAmounts ph{x, x, x, x, 1.0, 0.0, 1.0, 0.0};
  struct Case {
    std::int32_t code;
    float hc, mix;
  };
  for (const Case& c : {Case{1223, 8.90123F, 9.01234F}, Case{1222, 4.56789F, 5.6789F},
                        Case{1221, 6.78901F, 7.89012F}, Case{1122, 0.12345F, 1.23456F},
                        Case{1121, 2.34567F, 3.45678F}}) {
    SCOPED_TRACE(c.code);
    TransportParts parts{0.0, 0.0, -3.0};
    std::int32_t iwat = 0, ierr = -1;
    PHTRNS(c.code, 0, iwat, 771, 300.0, 100.0, ph, parts, ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(parts.hydrocarbon, static_cast<double>(c.hc));
    EXPECT_EQ(parts.mixture, static_cast<double>(c.mix));
    EXPECT_EQ(parts.water, -3.0);
  }
}

// A placeholder slot (903) shows its notice and message and returns 0; without the sample
// signature the samples are placeholders too.
TEST_F(TransportMethods, PlaceholderTransportSlotReturnsZero) {
  UKHDAT.values(2599) = 0.0F;
  const std::vector<double> x{0.5, 0.5, 0.0};
  double result = -1.0;
  for (std::int32_t code : {903, 901, 902}) {
    SCOPED_TRACE(code);
    TRUSER(code, 12, 2, 2, 3, x, 300.0, 100.0, result);
    EXPECT_EQ(result, 0.0);
    EXPECT_EQ(services::MSGTXT.heldMessageKey.trimmed(), "1700010034");
  }
}

// With the sample signature: UTRAN1 answers the property number times the phase, converted
// from unit set 5 with the property's class; UTRAN2 interpolates its table.
TEST_F(TransportMethods, SampleTransportRoutines) {
  UKHDAT.values(2599) = 1234.0F;
  const std::vector<double> x{0.5, 0.5, 0.0};
  double result = 0.0;
  for (std::int32_t property : {1, 2, 3}) {
    SCOPED_TRACE(property);
    const std::int32_t cls = property == 1 ? 35 : property == 2 ? 40 : 42;
    TRUSER(901, 12, property, 2, 3, x, 300.0, 100.0, result);
    EXPECT_DOUBLE_EQ(result, services::UOMCNV(2.0 * property, cls, 5, 1));
  }
  TRUSER(901, 12, 4, 2, 3, x, 300.0, 100.0, result);
  EXPECT_EQ(result, 0.0);

  // UTRAN2: points at 300, 350 and 400 (unit-set-5 temperatures, taken to kelvin through the
  // sample unit record), linear in T.
  problem::UXCTL.temperatureOffset = 0.0F;
  problem::UXCTL.temperatureFactor = 1.8F;
  const std::array<float, 3> ts{300.0F, 350.0F, 400.0F}, mus{3.0F, 2.0F, 1.5F};
  UKHDAT.values(1) = 3.0F;
  UKHDAT.values(2) = 1.0F;
  for (std::size_t k = 0; k < 3; ++k) {
    UKHDAT.values(11 + k) = ts[k];
    UKHDAT.values(21 + k) = mus[k];
  }
  const auto at = [&](double t5) {
    TRUSER(902, 12, 2, 2, 3, x, services::UOMCNV(t5, 1, 5, 1), 100.0, result);
    return services::UOMCNV(result, 40, 1, 5);
  };
  EXPECT_NEAR(at(320.0), 3.0 - 20.0 / 50.0, 1e-4);        // between the first two points
  EXPECT_NEAR(at(420.0), 1.5 - 0.5 * 20.0 / 50.0, 1e-4);  // beyond the last two
  // Option 2: ln(mu) linear in 1/T.
  UKHDAT.values(2) = 2.0F;
  const double slope = std::log(2.0 / 3.0) / (1.0 / 350.0 - 1.0 / 300.0);
  EXPECT_NEAR(at(320.0), 3.0 * std::exp(slope * (1.0 / 320.0 - 1.0 / 300.0)), 1e-4);
  // A bad table gives 0.
  UKHDAT.values(1) = 11.0F;
  EXPECT_EQ(at(320.0), 0.0);
  // A vapour request is not served: the run stops naming the property.
  UKHDAT.values(1) = 3.0F;
  testing_support::StopThrows stop;
  EXPECT_THROW(TRUSER(902, 13, 2, 1, 3, x, 300.0, 100.0, result), platform::RunStopped);
  EXPECT_EQ(services::MSGTXT.heldMessageKey.trimmed(), "1990001251");
}

// ---------------------------------------------------------------------------------------
// PHTRAN
// ---------------------------------------------------------------------------------------

// The checks in their order: rate, kind, phase; RESULTS untouched.
TEST_F(TransportMethods, StreamVectorStatusPrecedence) {
  struct Case {
    float rate;
    std::int32_t kind, phase, status;
  };
  for (const Case& c : {Case{0.0F, 7, 3, 3}, Case{-1.0F, 3, 1, 3}, Case{1.0F, 7, 3, 2},
                        Case{1.0F, 0, 1, 2}, Case{1.0F, 1, 3, 1}, Case{1.0F, 3, 0, 1}}) {
    SCOPED_TRACE(testing::Message() << c.rate << " " << c.kind << " " << c.phase);
    std::vector<float> v = streamVector(300.0, 100.0, {0.5, 0.5, 0.0});
    v[0] = c.rate;
    std::array<float, 5> results{-9.0F, -9.0F, -9.0F, -9.0F, -9.0F};
    std::int32_t ierr = -1;
    PHTRAN(c.kind, c.phase, results, v, ierr);
    EXPECT_EQ(ierr, c.status);
    for (float r : results) EXPECT_EQ(r, -9.0F);
  }
}

// Kind 3 fills the slots of its phase and leaves the others 0; each slot is the whole-phase
// value of its property, in unit set 5.
TEST_F(TransportMethods, StreamVectorSlotsByPhase) {
  const std::vector<double> x{0.3, 0.7, 0.0};
  std::array<float, 5> vapour{}, liquid{};
  std::int32_t ierr = -1;
  PHTRAN(3, 1, vapour, streamVector(450.0, 100.0, x), ierr);
  EXPECT_EQ(ierr, 0);
  PHTRAN(3, 2, liquid, streamVector(300.0, 100.0, x), ierr);
  EXPECT_EQ(ierr, 0);
  for (std::size_t k : {0U, 1U, 2U}) EXPECT_EQ(vapour[k], 0.0F);
  for (std::size_t k : {3U, 4U}) EXPECT_EQ(liquid[k], 0.0F);
  std::int32_t status = 0;
  EXPECT_FLOAT_EQ(vapour[3],
                  static_cast<float>(services::UOMCNV(TRVVMX(450.0, 100.0, x, status), 40, 1, 5)));
  EXPECT_FLOAT_EQ(liquid[1],
                  static_cast<float>(services::UOMCNV(TRLIQV(300.0, 100.0, x, status), 40, 1, 5)));
  EXPECT_FLOAT_EQ(liquid[0],
                  static_cast<float>(services::UOMCNV(TRSTB1(300.0, 100.0, x, status), 42, 1, 5)));
  // The temporary stream is evaluated with the method set current at the call, not the
  // default set: set 3's liquid viscosity is a user slot, here a placeholder answering 0.
  UKHDAT.values(2599) = 0.0F;
  useSet(3);
  std::array<float, 5> user{};
  PHTRAN(5, 2, user, streamVector(300.0, 100.0, x), ierr);
  EXPECT_EQ(user[1], 0.0F);
  EXPECT_EQ(methods::THCTL.currentSet, 3);
  useSet(1);
  // Kind 6 treats the vector as a liquid whatever the phase.
  std::array<float, 5> surface{};
  PHTRAN(6, 1, surface, streamVector(300.0, 100.0, x), ierr);
  EXPECT_EQ(surface[0], liquid[0]);
}

// The streams of the index other than FEED have all been deleted.
void expectOnlyFeedLeft() {
  for (std::int32_t n = 1; n <= problem::ISRNOS(); ++n) {
    if (n != problem::ISRNO("FEED")) {
      EXPECT_EQ(problem::ISRSTA(n), 0) << n;
    }
  }
}

// Once warm, a thousand calls leave the stream index, the working stream, the method set and
// the core store as they were: each temporary stream is deleted and its index entry reused.
TEST_F(TransportMethods, StreamVectorCallsLeaveNothingBehind) {
  const std::int32_t feed = problem::ISRNO("FEED");
  ASSERT_GT(feed, 0);
  problem::SRSET(feed, 0);
  useSet(2);
  const std::vector<float> v = streamVector(300.0, 100.0, {0.3, 0.7, 0.0});
  std::array<float, 5> results{};
  std::int32_t ierr = -1;
  PHTRAN(3, 1, results, v, ierr);
  PHTRAN(3, 2, results, v, ierr);
  const std::int32_t entries = problem::ISRNOS();
  storage_testing::CoreStoreCensus before, after;
  ASSERT_EQ(storage_testing::checkCoreStore(&before), "");
  for (int k = 0; k < 1000; ++k) {
    PHTRAN(3, 1 + k % 2, results, v, ierr);
    ASSERT_EQ(ierr, 0);
  }
  EXPECT_EQ(problem::ISRNOS(), entries);
  expectOnlyFeedLeft();
  EXPECT_EQ(problem::SRPSET.set2.stream, feed);
  EXPECT_EQ(methods::THCTL.currentSet, 2);
  ASSERT_EQ(storage_testing::checkCoreStore(&after), "");
  EXPECT_EQ(after.freeWords, before.freeWords);
}

// PHPEVL evaluates a stored stream with its own method set and makes the set current at
// entry current again; a stop inside PHTRAN still deletes the temporary stream and restores
// the working stream.
TEST_F(TransportMethods, StatesAreRestoredOnEveryWayOut) {
  const std::int32_t feed = problem::ISRNO("FEED");
  useSet(3);
  PhaseTransport r;
  std::int32_t ierr = -1;
  PHPEVL(feed, 1, 0, 0, 1222, r, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(methods::THCTL.currentSet, 3);
  EXPECT_GT(r.values[4], 0.0);
  EXPECT_EQ(r.values[0], services::DMISS);
  // The free water joins the liquid in R5, not in R7.
  EXPECT_NE(r.values[6], r.values[4]);
  EXPECT_GT(r.values[6], 0.0);

  problem::SRSET(feed, 0);
  UKHDAT.values(2599) = 1234.0F;
  {
    testing_support::StopThrows stop;
    std::array<float, 5> results{};
    // Set 3's vapour viscosity is UTRAN3 (a placeholder, which returns); its liquid
    // viscosity UTRAN2 refuses a vapour: the run stops inside the evaluation.
    setUserTransportRoutine(3, &UTRAN2);
    EXPECT_THROW(PHTRAN(5, 1, results, streamVector(300.0, 100.0, {0.3, 0.7, 0.0}), ierr),
                 platform::RunStopped);
  }
  expectOnlyFeedLeft();
  EXPECT_EQ(problem::SRPSET.set2.stream, feed);
  EXPECT_EQ(methods::THCTL.currentSet, 3);
}

}  // namespace
