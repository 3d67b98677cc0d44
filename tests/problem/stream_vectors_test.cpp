// The arithmetic on main stream records, against vectors worked out by hand: the derived
// phase vectors, the copy of a stream, the restore of a stream's phase data and the
// reduction to amounts without the third phase, with zero totals among the cases.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/file_layer_support.hpp"
#include "storage/storage.hpp"
#include "stream_test_support.hpp"

namespace {

namespace m = problem::srmain;
using problem::SRLAYT;
using services::DMISS;
using storage::CORSTO;

constexpr std::int32_t kBuild = 0;

void expectVector(const std::vector<double>& got, const std::vector<double>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_FALSE(std::isnan(got[i])) << "element " << i + 1;
    EXPECT_NEAR(got[i], want[i], 1e-14 * std::max(1.0, std::fabs(want[i]))) << "element " << i + 1;
  }
}

class StreamVectors : public stream_tests::StreamCase {
 protected:
  // Elements 1 to 3 of derived vector K of type 6 or 7.
  static std::vector<double> derived(std::int32_t type, std::size_t k) {
    const std::int32_t start = type == 6 ? SRLAYT.type6Reals(k) : SRLAYT.type7Reals(k);
    return {CORSTO.real(start + 1), CORSTO.real(start + 2), CORSTO.real(start + 3)};
  }

  // A stream at 300 K and 1000 kPa of rate 8: a quarter vapour, half hydrocarbon liquid, a
  // quarter free water; component 3 is water.
  static void phaseSplit() {
    problem::MainRecord s = working();
    s.setReal(m::kTemperature, 300.0);
    s.setReal(m::kPressure, 1000.0);
    s.setReal(m::kRate, 8.0);
    s.setReal(m::kVapourFraction, 0.25);
    s.setReal(m::kLiquidFraction, 0.5);
    s.setReal(m::kWaterFraction, 0.25);
    s.setReal(m::kThirdFraction, 0.0);
    setVector(m::kOverall, {0.2, 0.3, 0.5});
    setVector(m::kVapour, {0.6, 0.3, 0.1});
    setVector(m::kLiquid, {0.1, 0.4, 0.5});
  }
};

// Type 6: the total and the phase amounts; type 7: the amounts without water and the free
// water, with and without a water component, and with the derivation switch on.
TEST_F(StreamVectors, DerivedPhaseVectors) {
  create("FEED");
  phaseSplit();
  std::int32_t istat = -1;
  problem::SRPAGE(kBuild, 6, 1, istat);
  ASSERT_EQ(istat, 0);
  expectVector(derived(6, 1), {300.0, 1000.0, 8.0});
  expectVector(derived(6, 2), {300.0, 1000.0, 2.0});
  expectVector(derived(6, 3), {300.0, 1000.0, 4.0});
  expectVector(derived(6, 4), {0.0, 0.0, 0.0});  // no third phase
  EXPECT_EQ(CORSTO.real(SRLAYT.type6Reals(1) + 4), DMISS);

  problem::SRPAGE(kBuild, 7, 1, istat);
  struct Case {
    const char* what;
    std::int32_t water;
    std::int32_t drvsw;
    std::vector<std::vector<double>> q;
  };
  const std::vector<Case> cases = {
      {"no water component",
       0,
       0,
       {{300, 1000, 6.0}, {300, 1000, 2.0}, {300, 1000, 4.0}, {300, 1000, 6.0}, {300, 1000, 2.0}}},
      // Q1 = 0.75 * 8 * (1 - 0.5), Q2 = 8 * 0.25 * (1 - 0.1), Q3 = 8 * 0.5 * (1 - 0.5).
      {"water is component 3",
       3,
       0,
       {{300, 1000, 3.0}, {300, 1000, 1.8}, {300, 1000, 2.0}, {300, 1000, 6.0}, {300, 1000, 2.0}}},
      {"derivation switch on",
       3,
       1,
       {{300, 1000, 0.0}, {300, 1000, 0.0}, {300, 1000, 0.0}, {300, 1000, 0.0}, {300, 1000, 0.0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    problem::THCTL.idecnt = c.water;
    problem::DRVSW.table(1) = c.drvsw;
    problem::SRDERV(7);
    for (std::size_t k = 1; k <= 5; ++k) expectVector(derived(7, k), c.q[k - 1]);
  }
  problem::SRDERV(6);
  expectVector(derived(6, 1), {300.0, 1000.0, 8.0});
  expectVector(derived(6, 2), {300.0, 1000.0, 0.0});

  // A zero rate: zero vectors where the rate or the phase fraction is not positive.
  problem::DRVSW.table(1) = 0;
  working().setReal(m::kRate, 0.0);
  working().setReal(m::kWaterFraction, 0.0);
  problem::SRDERV(6);
  problem::SRDERV(7);
  expectVector(derived(6, 1), {0.0, 0.0, 0.0});
  expectVector(derived(6, 2), {300.0, 1000.0, 0.0});
  expectVector(derived(7, 1), {0.0, 0.0, 0.0});
  expectVector(derived(7, 4), {300.0, 1000.0, 0.0});
  expectVector(derived(7, 5), {0.0, 0.0, 0.0});

  problem::SRDERV(5);  // not a derived type: nothing
  problem::THCTL.idecnt = 4;
  file_tests::expectAbort([] { problem::SRDERV(7); }, "BAD COMPONENT INDEX",
                          {"INDEX 4", "COUNT 3"});
}

// SRSCAL over five components: range 1 = {1, 2} fluid, ranges 2 and 3 = {3}, {4} that may be
// in the third phase, range 4 = {5} never fluid.
TEST_F(StreamVectors, ScalingToAmountsWithoutTheThirdPhase) {
  header(5);
  ranges(1, 1, 2);
  ranges(2, 3, 3);
  ranges(3, 4, 4);
  ranges(4, 5, 5);
  ranges(5, 6, 5);
  create("SLURRY");
  struct Case {
    const char* what;
    double rate;
    std::vector<double> overall, third;
    double scaledRate;
    std::vector<double> scaled;
  };
  const std::vector<Case> cases = {
      // Amounts 1, 2, 3 - 10*0.2*0.5 = 2, 2.5 - 2*1.5 < 0 so 0, 0: total 5.
      {"third phase takes part",
       10.0,
       {0.1, 0.2, 0.3, 0.25, 0.15},
       {0.0, 0.0, 0.5, 1.5, 0.25},
       5.0,
       {0.2, 0.4, 0.4, 0.0, 0.0}},
      // A zero total stays zero, without dividing by it.
      {"zero rate",
       0.0,
       {0.1, 0.2, 0.3, 0.25, 0.15},
       {0.0, 0.0, 0.5, 1.5, 0.25},
       0.0,
       {0.0, 0.0, 0.0, 0.0, 0.0}},
      // Amounts summing to 1 are left as summed.
      {"amounts sum to one",
       1.0,
       {0.25, 0.25, 0.25, 0.25, 0.3},
       {0.0, 0.0, 0.0, 0.0, 0.0},
       1.0,
       {0.25, 0.25, 0.25, 0.25, 0.0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    working().setReal(m::kRate, c.rate);
    working().setReal(m::kThirdFraction, 0.2);
    setVector(m::kOverall, c.overall);
    setVector(m::kThird, c.third);
    problem::SRSCAL();
    EXPECT_DOUBLE_EQ(working().real(m::kRate), c.scaledRate);
    expectVector(vectorOf(working(), m::kOverall, 5), c.scaled);
  }

  ranges(5, 6, 6);  // past the five components
  file_tests::expectAbort([] { problem::SRSCAL(); }, "BAD COMPONENT RANGE",
                          {"FIRST 5", "LAST 6", "COUNT 5"});
}

// SRRSTR rebuilds B from C's vectors and A's phase split scaled by A's total over B's; with
// the range switch B's liquid is recomputed from its own words.
TEST_F(StreamVectors, RestoringAStreamFromTwoOthers) {
  header(4);
  ranges(1, 1, 2);
  ranges(2, 3, 3);
  ranges(3, 4, 4);
  ranges(4, 5, 4);
  ranges(5, 5, 4);
  problem::COHDR(problem::cohdr::kMolarSolids) = 1;  // the third vector is carried
  const std::int32_t c = create("C");
  setVector(m::kOverall, {0.1, 0.2, 0.3, 0.4});
  setVector(m::kVapour, {0.5, 0.3, 0.1, 0.1});
  setVector(m::kLiquid, {0.05, 0.15, 0.3, 0.5});
  setVector(m::kThird, {0.0, 0.0, 0.5, 0.5});
  working().integer(20) = 7;
  working().integer(m::kFlashWord) = 1234567;
  const std::int32_t a = create("A");
  working().setReal(m::kRate, 6.0);
  working().setReal(m::kVapourFraction, 0.4);
  working().setReal(m::kLiquidFraction, 0.6);
  working().setReal(m::kWaterFraction, 0.0);
  setVector(m::kVapour, {0.6, 0.3, 0.1, 0.0});
  setVector(m::kLiquid, {0.2, 0.3, 0.5, 0.0});
  const std::int32_t b = create("B");
  const auto resetB = [&](double rate) {
    problem::SRSET(b, 0);
    working().setReal(m::kRate, rate);
    working().setReal(m::kThirdFraction, 0.25);
  };

  {
    SCOPED_TRACE("without the range switch");
    resetB(8.0);
    problem::SRRSTR(a, b, c);
    EXPECT_EQ(problem::SRPSET.set2.stream, b);
    EXPECT_EQ(working().real(m::kVapourFraction), 0.75 * 0.4);
    EXPECT_EQ(working().real(m::kLiquidFraction), 0.75 * 0.6);
    EXPECT_EQ(working().real(m::kWaterFraction), 0.0);
    expectVector(vectorOf(working(), m::kOverall, 4), {0.1, 0.2, 0.3, 0.4});
    expectVector(vectorOf(working(), m::kVapour, 4), {0.6, 0.3, 0.1, 0.1});
    expectVector(vectorOf(working(), m::kLiquid, 4), {0.2, 0.3, 0.5, 0.5});
    expectVector(vectorOf(working(), m::kThird, 4), {0.0, 0.0, 0.5, 0.5});
    EXPECT_EQ(working().integer(20), 7);
    EXPECT_EQ(working().integer(m::kFlashWord), 1234567);
  }
  {
    // Liquid amounts: 0.2*8*0.45 = 0.72, 0.3*3.6 = 1.08, 8*0.3 - 2*0.5 - 2.4*0.1 = 1.16,
    // 8*0.4 - 2*0.5 = 2.2; their sum 5.16.
    SCOPED_TRACE("with the range switch");
    problem::COHDR(9) = 1;
    resetB(8.0);
    problem::SRRSTR(a, b, c);
    expectVector(vectorOf(working(), m::kLiquid, 4),
                 {0.72 / 5.16, 1.08 / 5.16, 1.16 / 5.16, 2.2 / 5.16});
    problem::COHDR(9) = 0;
  }
  {
    SCOPED_TRACE("a zero total of B");
    resetB(0.0);
    problem::SRRSTR(a, b, c);
    EXPECT_EQ(working().real(m::kVapourFraction), 0.0);
    EXPECT_EQ(working().real(m::kLiquidFraction), 0.0);
    EXPECT_EQ(working().real(m::kWaterFraction), 0.0);
  }
}

// SRCOPY carries the state words and vectors, marks the copy and its flash word; SRSAVE with
// Q = 0 makes a new temporary stream each time.
TEST_F(StreamVectors, CopyAndSave) {
  const std::int32_t p = create("P");
  phaseSplit();
  setVector(m::kThird, {0.7, 0.2, 0.1});
  working().setReal(95, 42.0);
  working().integer(m::kFlashWord) = 3000000;
  working().integer(20) = 5;
  working().integer(31) = 9;
  working().integer(10) = 4;
  working().integer(m::kFirstTextWord) = 77;
  const std::int32_t q = create("Q");
  working().integer(10) = 6;
  working().integer(m::kFirstTextWord) = 88;

  problem::SRCOPY(p, q);
  EXPECT_EQ(problem::SRPSET.set2.stream, q);
  EXPECT_EQ(problem::SRPSET.set1.stream, p);
  EXPECT_EQ(slotState(q).second, 1);
  problem::MainRecord copy = working();
  EXPECT_EQ(copy.integer(m::kCopiedFrom), p);
  for (std::int32_t k = 1; k <= problem::kMainReals; ++k) {
    EXPECT_EQ(copy.real(k), reading().real(k)) << k;
  }
  expectVector(vectorOf(copy, m::kOverall, 3), {0.2, 0.3, 0.5});
  expectVector(vectorOf(copy, m::kVapour, 3), {0.6, 0.3, 0.1});
  expectVector(vectorOf(copy, m::kLiquid, 3), {0.1, 0.4, 0.5});
  expectVector(vectorOf(copy, m::kThird, 3), {0.0, 0.0, 0.0});  // no solids: not copied
  EXPECT_EQ(copy.integer(m::kFlashWord), -3000000);
  EXPECT_EQ(copy.integer(20), 5);
  EXPECT_EQ(copy.integer(31), 9);
  EXPECT_EQ(copy.integer(10), 0);
  EXPECT_EQ(copy.integer(m::kFirstTextWord), 88);  // the text is the copy's own

  problem::SRSET(p, 0);
  working().integer(m::kFlashWord) = -3000000;
  std::int32_t first = 0;
  problem::SRSAVE(p, first);
  std::int32_t second = 0;
  problem::SRSAVE(p, second);
  EXPECT_NE(first, second);
  EXPECT_EQ(problem::ISRSTA(first), 3);
  EXPECT_EQ(problem::ISRSTA(second), 3);
  EXPECT_TRUE(problem::ISRID(first).isBlank());
  EXPECT_EQ(problem::ISRNO("$S1"), first);
  EXPECT_EQ(problem::ISRNO("$S2"), second);
  EXPECT_EQ(working().real(m::kRate), 8.0);
  EXPECT_EQ(working().integer(m::kFlashWord), -3000000);

  problem::SRSAVE(q, first);  // into an existing stream
  EXPECT_EQ(problem::SRPSET.set2.stream, first);
  EXPECT_EQ(working().integer(m::kCopiedFrom), q);
}

}  // namespace
