// Hierarchy streams: the feeds of the loaded unit mixed in the scratch stream, checked against
// sums worked out here from the feeds (rate-weighted temperature, lowest pressure, enthalpy,
// phase fractions and compositions), a feed whose enthalpy is missing, units without a
// flowing feed, and the streams and the method set current before the build current again.
#include "streamprops/hierarchy_streams.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "flash/stream_flash.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "fixtures/column_problem.hpp"
#include "streamprops/stream_views.hpp"
#include "streamprops/unit_data.hpp"
#include "streamprops/unit_variables.hpp"
#include "support/test_support.hpp"

namespace {

using namespace streamprops;
using namespace column_problem;

class HierarchyStreams : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::buildProblem(dir_.path(), description("columns"));
    open(dir_);
  }
  void TearDown() override { close(); }

  testing_support::TempDir dir_;
};

// The feeds as the fixture writes them.
struct Feed {
  double t, p, rate, h, vf, lf;
  std::array<double, 3> x, y, xl;
};
const Feed kFeedOne{300.0,
                    2000.0,
                    10.0,
                    -1000.0,
                    0.4,
                    0.6,
                    {0.5, 0.3, 0.2},
                    {0.7, 0.2, 0.1},
                    {0.3667, 0.3667, 0.2667}};
const Feed kFeedThree{400.0,           1500.0,          10.0,           -500.0, 1.0, 0.0,
                      {0.1, 0.1, 0.8}, {0.1, 0.1, 0.8}, {0.0, 0.0, 0.0}};

TEST_F(HierarchyStreams, FeedsMixAsOneStream) {
  struct Case {
    std::string name;
    std::int32_t unit;
    Feed second;
    bool secondEnthalpy;
  };
  const std::vector<Case> cases = {
      {"300 K and 400 K at equal rates", kMixer, kFeedThree, true},
      {"a feed of missing enthalpy adds its rate only", kNoEnthalpyMixer, kFeedThree, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    loadUnit(c.unit);
    problem::SRSET(kIdle, 10);
    problem::SRSETT(kFeed2);
    std::int32_t istrm = 0;
    UVHIER(0, 0, istrm);
    std::int32_t scratch = 0;
    UVCUR(scratch);
    EXPECT_EQ(istrm, scratch);
    // The streams current before are current again.
    EXPECT_EQ(problem::SRPSET.set2.stream, kIdle);
    EXPECT_EQ(problem::SRPSET.set1.stream, kFeed2);
    EXPECT_EQ(problem::THCTL.currentSet, 1);

    problem::SRSETT(istrm);
    const StreamViews s = streamViews(problem::SRPSET.set1);
    const Feed& a = kFeedOne;
    const Feed& b = c.second;
    const double rate = a.rate + b.rate;
    EXPECT_EQ(s.get(header::kTemperature), 350.0);
    EXPECT_EQ(s.get(header::kPressure), 1500.0);
    EXPECT_EQ(s.get(header::kRate), rate);
    const double enthalpy = (a.rate * a.h + (c.secondEnthalpy ? b.rate * b.h : 0.0)) / rate;
    EXPECT_DOUBLE_EQ(s.get(header::kEnthalpy), enthalpy);
    const double vapour = a.rate * a.vf + b.rate * b.vf;
    const double liquid = a.rate * a.lf + b.rate * b.lf;
    EXPECT_DOUBLE_EQ(s.get(header::kVapourFraction), vapour / rate);
    EXPECT_DOUBLE_EQ(s.get(header::kLiquidFraction), liquid / rate);
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_DOUBLE_EQ(s.vector(Vector::Whole)[i], (a.rate * a.x[i] + b.rate * b.x[i]) / rate);
      EXPECT_DOUBLE_EQ(s.vector(Vector::Vapour)[i],
                       (a.rate * a.vf * a.y[i] + b.rate * b.vf * b.y[i]) / vapour);
      EXPECT_DOUBLE_EQ(s.vector(Vector::Liquid)[i],
                       (a.rate * a.lf * a.xl[i] + b.rate * b.lf * b.xl[i]) / liquid);
    }
    EXPECT_EQ(storage::CORSTO[problem::SRPSET.set1.integerSector + kMethodSetWord], 1);
  }
}

// A feed under a set whose enthalpy methods are of another kind is summed from a copy flashed
// in the current set at its own temperature and pressure: the 300 K feed under set 2 enters
// as set 1's own flash of it, the 400 K feed under set 3 (set 1's kind) as it stands.
TEST_F(HierarchyStreams, AFeedUnderASetOfAnotherKindEntersAsItsFlashInTheCurrentSet) {
  // The flash of the 300 K feed in set 1, made directly on FEED1 (the same feed under set 1).
  std::int32_t istat = -1;
  flash::SFLDRV(kFeed1, 0, 1, 0, 0.0, 0, 0, 0.0, 0.0, istat);
  ASSERT_EQ(istat, 0);
  problem::SRSETT(kFeed1);
  const StreamViews f = streamViews(problem::SRPSET.set1);
  Feed a{f.get(header::kTemperature), f.get(header::kPressure), f.get(header::kRate),
         f.get(header::kEnthalpy), f.get(header::kVapourFraction), f.get(header::kLiquidFraction),
         {}, {}, {}};
  for (std::size_t i = 0; i < 3; ++i) {
    a.x[i] = f.vector(Vector::Whole)[i];
    a.y[i] = f.vector(Vector::Vapour)[i];
    a.xl[i] = f.vector(Vector::Liquid)[i];
  }
  // The flash moved the feed off the fixture's made-up split and enthalpy.
  ASSERT_NE(a.h, kFeedOne.h);
  ASSERT_NE(a.vf, kFeedOne.vf);

  loadUnit(kSetsMixer);
  problem::SRSET(kIdle, 10);
  std::int32_t istrm = 0;
  UVHIER(0, 0, istrm);
  EXPECT_EQ(problem::SRPSET.set2.stream, kIdle);
  EXPECT_EQ(problem::THCTL.currentSet, 1);
  problem::SRSETT(istrm);
  const StreamViews s = streamViews(problem::SRPSET.set1);
  const Feed& b = kFeedThree;
  const double rate = a.rate + b.rate;
  EXPECT_EQ(s.get(header::kTemperature), 350.0);
  EXPECT_EQ(s.get(header::kPressure), 1500.0);
  EXPECT_DOUBLE_EQ(s.get(header::kEnthalpy), (a.rate * a.h + b.rate * b.h) / rate);
  const double vapour = a.rate * a.vf + b.rate * b.vf;
  const double liquid = a.rate * a.lf + b.rate * b.lf;
  EXPECT_DOUBLE_EQ(s.get(header::kVapourFraction), vapour / rate);
  EXPECT_DOUBLE_EQ(s.get(header::kLiquidFraction), liquid / rate);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_DOUBLE_EQ(s.vector(Vector::Whole)[i], (a.rate * a.x[i] + b.rate * b.x[i]) / rate);
    EXPECT_DOUBLE_EQ(s.vector(Vector::Vapour)[i],
                     (a.rate * a.vf * a.y[i] + b.rate * b.vf * b.y[i]) / vapour);
    if (liquid > 0.0) {
      EXPECT_DOUBLE_EQ(s.vector(Vector::Liquid)[i],
                       (a.rate * a.lf * a.xl[i] + b.rate * b.lf * b.xl[i]) / liquid);
    }
  }
}

TEST_F(HierarchyStreams, NoFlowingFeedIsAnError) {
  struct Case {
    std::string name;
    std::vector<std::int32_t> feeds;
  };
  for (const Case& c : {Case{"no feeds", {}}, Case{"a feed of rate 0", {kIdle}},
                        Case{"an idle feed listed twice", {kIdle, kIdle}}}) {
    SCOPED_TRACE(c.name);
    std::int32_t scratch = 0;
    UVCUR(scratch);
    problem::SRSET(scratch, 0);
    std::int32_t ierr = -1;
    UVHSUM(static_cast<std::int32_t>(c.feeds.size()), c.feeds, ierr);
    EXPECT_EQ(ierr, 1);
    const StreamViews s = streamViews(problem::SRPSET.set2);
    EXPECT_EQ(s.get(header::kRate), 0.0);
    EXPECT_EQ(s.get(header::kTemperature), 0.0);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(s.vector(Vector::Whole)[i], 0.0);
    problem::SRFREE(scratch, 0);
  }
  // Through the units: the zeroed stream, no inf or NaN.
  for (const std::int32_t unit : {kNoFeedMixer, kZeroFeedMixer}) {
    loadUnit(unit);
    std::int32_t istrm = 0;
    UVHIER(0, 0, istrm);
    problem::SRSETT(istrm);
    const StreamViews s = streamViews(problem::SRPSET.set1);
    for (std::int32_t k = 1; k <= header::kCount; ++k) EXPECT_FALSE(std::isnan(s.get(k)));
    EXPECT_EQ(s.get(header::kRate), 0.0);
  }
}

TEST_F(HierarchyStreams, MarksAreRaisedAndLoweredByTen) {
  problem::SRSET(kIdle, 10);
  problem::SRSETT(kFeed2);
  UVSTHR();
  // Other streams made current meanwhile.
  problem::SRSET(kFeed1, 10);
  problem::SRSETT(kFeed3);
  UVENDH();
  EXPECT_EQ(problem::SRPSET.set2.stream, kIdle);
  EXPECT_EQ(problem::SRPSET.set1.stream, kFeed2);
}

TEST_F(HierarchyStreams, OperandOfTheHierarchyStreamTakesItsProperty) {
  // Code 201, header real 1: the mixture's temperature; no loaded unit: missing.
  std::array<std::int32_t, 43> operand{};
  operand[0] = 2;
  operand[2] = 1;
  operand[12] = 201;
  double value = 0.0;
  SPOTHR(1, operand, 43, value, 0, services::DMISS);
  EXPECT_EQ(value, services::DMISS);
  loadUnit(kMixer);
  SPOTHR(1, operand, 43, value, 0, services::DMISS);
  EXPECT_EQ(value, 350.0);
  EXPECT_EQ(operand[0], 2);
  EXPECT_EQ(operand[2], 1);
}

}  // namespace
