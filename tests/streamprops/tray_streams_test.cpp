// Unit data items and tray streams on hand-built columns: the integer words of a unit from
// the work area and from the stored block with their range stops, the tray stream of the
// loaded and of the stored profiles (the same stream either way, compositions normalised by
// an independent sum), the scratch stream cleared when a tray has no flow, the feed rate to a
// tray, and the liquid a two-liquid tray holds.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "fixtures/column_problem.hpp"
#include "streamprops/stream_views.hpp"
#include "streamprops/unit_data.hpp"
#include "streamprops/unit_variables.hpp"
#include "support/allocation_counter.hpp"
#include "support/test_support.hpp"

namespace {

using namespace streamprops;
using column_problem::kColumn;
using column_problem::kComponents;
using column_problem::kExtractor;
using column_problem::kOther;
using services::DMISS;

constexpr std::int32_t kVapour = static_cast<std::int32_t>(TrayPhase::Vapour);
constexpr std::int32_t kLiquid = static_cast<std::int32_t>(TrayPhase::Liquid);
constexpr std::int32_t kNet = static_cast<std::int32_t>(TrayKind::Net);
constexpr std::int32_t kTotal = static_cast<std::int32_t>(TrayKind::Total);
constexpr std::int32_t kFeedRate = static_cast<std::int32_t>(TrayKind::FeedRate);

// What a tray stream holds.
struct Snapshot {
  std::vector<double> header;
  std::array<std::vector<double>, 4> vectors;
};

Snapshot scratchStream() {
  std::int32_t ns = 0;
  UVCUR(ns);
  problem::SRSETT(ns);
  const StreamViews s = streamViews(problem::SRPSET.set1);
  Snapshot snap;
  for (std::int32_t k = 1; k <= header::kCount; ++k) snap.header.push_back(s.get(k));
  for (std::size_t v = 0; v < 4; ++v) {
    for (std::size_t i = 0; i < s.vectors[v].size(); ++i)
      snap.vectors[v].push_back(s.vectors[v][i]);
  }
  return snap;
}

Snapshot trayStream(std::int32_t u, std::int32_t t, std::int32_t phase, std::int32_t phase2,
                    std::int32_t kind) {
  std::int32_t ierr = -1;
  UVGET(u, t, phase, phase2, kind, t, ierr);
  EXPECT_EQ(ierr, 0);
  return scratchStream();
}

class TrayStreams : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::buildProblem(dir_.path(), column_problem::description("columns"));
    column_problem::open(dir_);
  }
  void TearDown() override { column_problem::close(); }

  // Runs CALL, which must stop the run with exit status 15; returns the abort's first lines.
  static std::string stopLine(const std::function<void()>& call) {
    testing_support::StopThrows stop;
    try {
      call();
    } catch (const platform::RunStopped& stopped) {
      EXPECT_EQ(stopped.status, 15);
      std::string text;
      for (std::size_t k = 1; k <= 3; ++k) {
        text += std::string(services::MSGTXT.lines(k).trimmed()) + " ";
      }
      return text;
    }
    ADD_FAILURE() << "the run did not stop";
    return {};
  }

  testing_support::TempDir dir_;
};

TEST_F(TrayStreams, IntegerWordsComeFromTheWorkAreaOrTheStoredBlock) {
  struct Case {
    std::int32_t unit, item, index, expected;
  };
  const std::vector<Case> cases = {
      {kColumn, 1, 4, column_problem::kTrays},
      {kColumn, 1, 41, 1},
      {kColumn, 17, 3, 6},
      {kExtractor, 1, 41, 4},
      {kOther, 250, 2, 4343},
      {kOther, 2, 1, 7},
  };
  for (const bool loaded : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "unit " << c.unit << " item " << c.item << " index "
                                      << c.index << (loaded ? " loaded" : " stored"));
      if (loaded) column_problem::loadUnit(c.unit);
      problem::UNSETT(kExtractor);
      std::int32_t ival = -1, ierr = -1;
      IIUGET(c.unit, c.item, c.index, ival, ierr);
      EXPECT_EQ(ival, c.expected);
      EXPECT_EQ(ierr, 0);
      EXPECT_EQ(loaded, workAreaHolds(c.unit));
      // The unit current in context 1 before the call is current there again.
      EXPECT_EQ(problem::UNCURR.context1.unit, kExtractor);
    }
  }
}

TEST_F(TrayStreams, ItemOrIndexOutsideTheUnitStopsTheRun) {
  struct Case {
    std::int32_t item, index;
  };
  for (const bool loaded : {false, true}) {
    if (loaded) column_problem::loadUnit(kOther);
    for (const Case c : {Case{251, 1}, Case{0, 1}, Case{2, 4}, Case{2, 0}, Case{3, 1}}) {
      SCOPED_TRACE(testing::Message() << "item " << c.item << " index " << c.index
                                      << (loaded ? " loaded" : " stored"));
      const std::string line = stopLine([&] {
        std::int32_t ival = 0, ierr = 0;
        IIUGET(kOther, c.item, c.index, ival, ierr);
      });
      EXPECT_NE(line.find("UNIT DATA ITEM NUMBER OR INDEX OUT OF RANGE"), std::string::npos)
          << line;
      EXPECT_NE(line.find("IIUGET"), std::string::npos) << line;
    }
  }
}

TEST_F(TrayStreams, LoadedAndStoredProfilesGiveTheSameTrayStream) {
  const column_problem::Profiles p;
  struct Case {
    std::int32_t tray, phase, kind;
  };
  const std::vector<Case> cases = {{1, kVapour, kNet},
                                   {2, kVapour, kTotal},
                                   {1, kLiquid, kNet},
                                   {2, kLiquid, kTotal},
                                   {3, kLiquid, kNet}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "tray " << c.tray << " phase " << c.phase << " kind " << c.kind);
    column_problem::loadUnit(kColumn);
    const Snapshot loaded = trayStream(kColumn, c.tray, c.phase, 0, c.kind);
    column_problem::loadUnit(kOther);
    const Snapshot stored = trayStream(kColumn, c.tray, c.phase, 0, c.kind);

    // The expected stream, from the profiles.
    const auto t = static_cast<std::size_t>(c.tray - 1);
    const bool vapour = c.phase == kVapour;
    const double rate = vapour ? (c.kind == kNet ? p.netVapour[t] : p.totalVapour[t])
                               : (c.kind == kNet ? p.netLiquid[t] : p.totalLiquid[t]);
    std::array<double, kComponents> x{};
    double sum = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
      x[i] = (vapour ? p.vapour : p.liquid)[t * kComponents + i];
      sum += x[i];
    }
    for (double& xi : x) xi /= sum;

    for (const Snapshot* s : {&loaded, &stored}) {
      SCOPED_TRACE(s == &loaded ? "loaded" : "stored");
      const auto h = [&](std::int32_t k) { return s->header[static_cast<std::size_t>(k - 1)]; };
      EXPECT_EQ(h(header::kTemperature), p.temperature[t]);
      EXPECT_EQ(h(header::kPressure), p.pressure[t]);
      EXPECT_EQ(h(header::kRate), rate);
      EXPECT_EQ(h(header::kVapourFraction), vapour ? 1.0 : 0.0);
      EXPECT_EQ(h(header::kLiquidFraction), vapour ? 0.0 : 1.0);
      EXPECT_EQ(h(header::kWaterFraction), 0.0);
      EXPECT_EQ(h(header::kVapourEnthalpy), vapour ? p.vapourEnthalpy[t] : 0.0);
      EXPECT_EQ(h(header::kLiquidEnthalpy), vapour ? 0.0 : p.liquidEnthalpy[t]);
      EXPECT_EQ(h(vapour ? header::kVapourCarried : header::kLiquidCarried),
                vapour ? p.vapourCarried[t] : p.liquidCarried[t]);
      // A liquid's vapour vector: the loaded form carries the tray's vapour composition,
      // normalised, the stored form none.
      if (!vapour) {
        double vsum = 0.0;
        for (std::size_t i = 0; i < x.size(); ++i) vsum += p.vapour[t * kComponents + i];
        for (std::size_t i = 0; i < x.size(); ++i) {
          const double expected =
              s == &loaded && vsum > 0.0 ? p.vapour[t * kComponents + i] / vsum : 0.0;
          EXPECT_NEAR(s->vectors[1][i], expected, 1e-15);
        }
      }
      const std::size_t phaseVector = vapour ? 1 : 2;
      for (std::size_t i = 0; i < x.size(); ++i) {
        EXPECT_NEAR(s->vectors[0][i], x[i], 1e-15);
        EXPECT_NEAR(s->vectors[phaseVector][i], x[i], 1e-15);
        if (vapour) {
          EXPECT_EQ(s->vectors[2][i], 0.0);
        }
      }
    }
  }
}

TEST_F(TrayStreams, ATrayWithoutFlowLeavesAClearedStreamNotThePreviousOne) {
  // Tray 1's vapour first, then trays that fill nothing.
  column_problem::loadUnit(kColumn);
  const Snapshot first = trayStream(kColumn, 1, kVapour, 0, kNet);
  ASSERT_EQ(first.header[header::kRate - 1], 10.0);

  struct Case {
    std::int32_t tray, kind;
    bool loaded;
  };
  for (const Case c : {Case{3, kNet, true}, Case{1, kFeedRate, false}}) {
    SCOPED_TRACE(testing::Message() << "tray " << c.tray << " kind " << c.kind);
    column_problem::loadUnit(c.loaded ? kColumn : kOther);
    trayStream(kColumn, 1, kVapour, 0, kNet);
    const Snapshot s = trayStream(kColumn, c.tray, kVapour, 0, c.kind);
    EXPECT_EQ(s.header[header::kRate - 1], 0.0);
    EXPECT_EQ(s.header[header::kTemperature - 1], DMISS);
    EXPECT_EQ(s.header[header::kEnthalpy - 1], DMISS);
    for (const auto& v : s.vectors) {
      for (const double x : v) EXPECT_EQ(x, 0.0);
    }
  }
}

TEST_F(TrayStreams, FeedRateToATraySumsThePhasesEnteringIt) {
  column_problem::loadUnit(kColumn);
  // FEED1 (10, vapour 0.4, liquid 0.6) enters tray 2 as liquid and has no vapour tray; FEED2
  // (5, all vapour) enters tray 3 as liquid and tray 2 as vapour.
  struct Case {
    std::int32_t tray;
    double rate;
  };
  for (const Case c : {Case{1, 10.0 * 0.4}, Case{2, 10.0 * 0.6 + 5.0 * 1.0}, Case{3, 0.0}}) {
    SCOPED_TRACE(testing::Message() << "tray " << c.tray);
    problem::SRSET(column_problem::kIdle, 10);
    double rate = -1.0;
    UVINIT(2, c.tray, rate);
    EXPECT_NEAR(rate, c.rate, 1e-12);
    // The working stream is the same as before.
    EXPECT_EQ(problem::SRPSET.set2.stream, column_problem::kIdle);
    // Through the tray stream of kind 3 (tray 3 has a net vapour of 0.0: nothing).
    const Snapshot s = trayStream(kColumn, c.tray, kVapour, 0, kFeedRate);
    EXPECT_NEAR(s.header[header::kRate - 1], c.tray == 3 ? 0.0 : c.rate, 1e-12);
  }
}

TEST_F(TrayStreams, TwoLiquidTrayHoldsTheLiquidItsRatesShow) {
  column_problem::loadUnit(kExtractor);
  // The extractor's two-liquid profiles, written into the work area: compositions of both
  // liquids at S(1) = 0 and section enthalpies.
  ASSERT_EQ(loadedReals(14).size(), 9u);
  const std::array<double, 3> liquid1{0.6, 0.3, 0.1};
  const std::array<double, 3> liquid2{0.1, 0.2, 0.7};
  struct Case {
    std::string name;
    double l1, l2, l1Section, l2Section;
    std::int32_t phase2;  // the caller's
    double rate, enthalpy;
    std::array<double, 3> x;
  };
  const double h1 = -410.0, h2 = -420.0;
  const std::vector<Case> cases = {
      {"no liquid 1 left: liquid 2", 5.0, 3.0, 0.0, 3.0, 0, 3.0, h2, liquid2},
      {"no liquid 2 left: liquid 1", 5.0, 3.0, 5.0, 0.0, 0, 5.0, h1, liquid1},
      {"short by less than 1e-12: whole liquid",
       5.0,
       3.0,
       5.0 - 1e-13,
       3.0,
       0,
       30.0,
       -400.0,
       {0.25, 0.5, 0.25}},
      {"short by 1e-12 or more: both",
       5.0,
       3.0,
       4.0,
       2.0,
       0,
       6.0,
       (4 * h1 + 2 * h2) / 6.0,
       {(4 * 0.6 + 2 * 0.1) / 6, (4 * 0.3 + 2 * 0.2) / 6, (4 * 0.1 + 2 * 0.7) / 6}},
      {"both asked for, none left: no division",
       5.0,
       3.0,
       0.0,
       0.0,
       8,
       0.0,
       DMISS,
       {0.0, 0.0, 0.0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Items 28 and 29: tray t, then the section at t + OFFS; item 14 three sections.
    const storage::RealView r1 = loadedReals(28);
    const storage::RealView r2 = loadedReals(29);
    const storage::RealView x1 = loadedReals(26);
    const storage::RealView x2 = loadedReals(27);
    ASSERT_EQ(r1.size(), 6u);
    ASSERT_EQ(x1.size(), 9u);
    r1.set(0, c.l1);
    r1.set(3, c.l1Section);
    r2.set(0, c.l2);
    r2.set(3, c.l2Section);
    for (std::size_t i = 0; i < 3; ++i) {
      x1.set(i, liquid1[i]);
      x2.set(i, liquid2[i]);
    }
    const Snapshot s = trayStream(kExtractor, 1, kLiquid, c.phase2, kNet);
    EXPECT_NEAR(s.header[header::kRate - 1], c.rate, 1e-12);
    EXPECT_NEAR(s.header[header::kEnthalpy - 1], c.enthalpy, 1e-9);
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_NEAR(s.vectors[0][i], c.x[i], 1e-15);
      EXPECT_NEAR(s.vectors[2][i], c.x[i], 1e-15);
    }
    for (const double h : s.header) EXPECT_TRUE(std::isfinite(h));
  }
}

// The fill of a tray stream from the loaded profiles; making the scratch stream current is
// the stream layer's own work.
TEST_F(TrayStreams, WarmTrayStreamsOfTheLoadedColumnAllocateNothing) {
  column_problem::loadUnit(kExtractor);
  std::int32_t ns = 0, ierr = 0;
  UVCUR(ns);
  problem::SRSTUP(ns, problem::kReadingSet, 1);
  const auto fill = [&] {
    for (const std::int32_t phase2 : {0, kLiquid1, kLiquid2, kBothLiquids}) {
      clearScratchStream(problem::kReadingSet);
      UVGETL(kExtractor, 1, kLiquid, phase2, kNet, 1, ierr);
    }
    clearScratchStream(problem::kReadingSet);
    UVGETL(kExtractor, 2, kVapour, 0, kTotal, 2, ierr);
  };
  fill();
  const std::size_t before = testing_support::allocationCount();
  fill();
  EXPECT_EQ(testing_support::allocationCount(), before);
  problem::SRFREE(ns, 0);
}

TEST_F(TrayStreams, OperandOfATrayStreamTakesItsProperty) {
  // Unit word 5, tray word 20, phase word 10; code 201 (header real 1, the temperature).
  const column_problem::Profiles p;
  struct Case {
    std::int32_t tray, phase, kind;
    double value;
  };
  for (const Case c :
       {Case{2, kVapour, kNet, p.temperature[1]}, Case{3, kLiquid, kTotal, p.temperature[2]},
        Case{2, kVapour, kFeedRate, 10.0 * 0.6 + 5.0}}) {
    SCOPED_TRACE(testing::Message() << "tray " << c.tray << " kind " << c.kind);
    column_problem::loadUnit(kColumn);
    std::array<std::int32_t, 43> operand{};
    operand[0] = 3;
    operand[4] = kColumn;
    operand[9] = c.phase;
    operand[12] = 201;
    operand[19] = c.tray;
    double value = 0.0;
    SPSTRM(1, operand, 43, value, c.kind, 0, DMISS);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(operand[0], 3);
  }
}

}  // namespace
