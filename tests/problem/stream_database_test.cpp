// Streams on disk: the streams the fixture builder creates through the stream class are
// found by a fresh open with their main records and derived records, and a stream added
// while the problem is open survives its close.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"

namespace {

namespace m = problem::srmain;
using storage::CORSTO;

constexpr std::int32_t kKeep = 3;
constexpr std::int32_t kLoad = 1;

class StreamDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    problem::DRVSW = {};
    problem::THCTL.idecnt = 0;
  }

  void openBoth() {
    services::ERINIT();
    problem::DBSOPN(-1, built.supportBase.string(), 0, problem::kReadOnly);
    problem::DBOPEN(-1, built.problemBase.string(), 0, problem::kReadWrite);
    problem::DBCASE();
  }

  void closeBoth() {
    problem::DBCLOS(kKeep);
    problem::DBSCLS(kKeep);
  }

  static problem::MainRecord working() { return problem::MainRecord(problem::SRPSET.set2); }

  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  fixtures::BuiltProblem built;
};

fixtures::ProblemDescription gasPlant(std::int32_t streams) {
  fixtures::ProblemDescription d;
  for (const char* name : {"METHANE", "ETHANE", "PROPANE", "WATER"}) {
    d.components.push_back(fixtures::publishedComponent(name));
  }
  d.methodSets = {fixtures::equationOfStateSet("PR", 102)};
  for (std::int32_t k = 1; k <= streams; ++k) {
    fixtures::StreamSpec s;
    s.name = "LINE-" + std::to_string(k);
    s.text = "PIPE RACK LINE " + std::to_string(k);
    s.temperature = 280.0 + k;
    s.pressure = 1000.0 + 10.0 * k;
    s.rate = 1.0 * k;
    s.vapourFraction = 0.5;
    s.liquidFraction = 0.25;
    s.waterFraction = 0.25;
    s.composition = {0.5, 0.2, 0.05 * (k % 4), 0.3 - 0.05 * (k % 4)};
    s.vapour = {0.8, 0.15, 0.05, 0.0};
    s.liquid = {0.1, 0.3, 0.6, 0.0};
    s.integerWords = {{m::kFlashWord, k}};
    d.streams.push_back(s);
  }
  fixtures::StreamSpec temporary;
  temporary.name = "$FLASH";
  temporary.kind = 3;
  temporary.temperature = 250.0;
  temporary.records = {};
  d.streams.push_back(temporary);
  return d;
}

// 31 streams (more than the 30 main slots, so that records leave core while the builder
// fills them) and a temporary one, read back after the builder's close.
TEST_F(StreamDatabase, BuiltStreamsSurviveCloseAndAFreshOpen) {
  const fixtures::ProblemDescription d = gasPlant(31);
  built = fixtures::buildProblem(dir.path(), d);
  openBoth();
  EXPECT_EQ(problem::ISRNOS(), static_cast<std::int32_t>(d.streams.size()));
  for (const fixtures::StreamSpec& s : d.streams) {
    SCOPED_TRACE(s.name);
    const std::int32_t n = problem::ISRNO(s.name);
    ASSERT_GT(n, 0);
    EXPECT_EQ(problem::ISRSTA(n), s.kind);
    problem::SRSET(n, 10);
    const problem::MainRecord r = working();
    EXPECT_EQ(r.real(m::kTemperature), s.temperature);
    EXPECT_EQ(r.real(m::kPressure), s.pressure);
    EXPECT_EQ(r.real(m::kRate), s.rate);
    EXPECT_EQ(r.real(m::kVapourFraction), s.vapourFraction);
    EXPECT_EQ(r.real(m::kLiquidFraction), s.liquidFraction);
    for (std::size_t i = 0; i < s.composition.size(); ++i) {
      EXPECT_EQ(r.vector(m::kOverall, static_cast<std::int32_t>(i) + 1), s.composition[i]);
      EXPECT_EQ(r.vector(m::kVapour, static_cast<std::int32_t>(i) + 1), s.vapour[i]);
      EXPECT_EQ(r.vector(m::kLiquid, static_cast<std::int32_t>(i) + 1), s.liquid[i]);
    }
    for (const auto& [k, value] : s.integerWords) {
      EXPECT_EQ(problem::MainRecord(problem::SRPSET.set2).integer(k), value);
    }

    // The derived records were written with the main record's state.
    std::int32_t istat = -1;
    problem::SRPAGE(kLoad, 6, 1, istat);
    if (s.records.empty()) {
      EXPECT_EQ(istat, 1);
    } else {
      ASSERT_EQ(istat, 0);
      const std::int32_t p2 = problem::SRLAYT.type6Reals(2);
      EXPECT_EQ(CORSTO.real(p2 + 1), s.temperature);
      EXPECT_EQ(CORSTO.real(p2 + 3), s.rate * s.vapourFraction);
      problem::SRPAGE(kLoad, 7, 1, istat);
      ASSERT_EQ(istat, 0);
      EXPECT_EQ(CORSTO.real(problem::SRLAYT.type7Reals(5) + 3), s.rate * s.waterFraction);
    }
    EXPECT_EQ(problem::SRTEXT(n).trimmed(), s.text);
  }
  closeBoth();
}

// A stream created and changed while the problem is open, and a killed one, as the next open
// finds them; the counter of automatic names goes on from where it was.
TEST_F(StreamDatabase, ChangesOfAnOpenProblemSurviveItsClose) {
  built = fixtures::buildProblem(dir.path(), gasPlant(2));
  openBoth();
  std::int32_t added = 0;
  std::int32_t istat = 0;
  problem::SRCREA(2, "", added, istat);
  working().setReal(m::kTemperature, 345.0);
  problem::SRSET(problem::ISRNO("LINE-1"), 0);
  working().setReal(m::kPressure, 4321.0);
  problem::SRKILL(problem::ISRNO("LINE-2"));
  closeBoth();

  openBoth();
  EXPECT_EQ(problem::ISRNO("S1"), added);
  problem::SRSET(added, 10);
  EXPECT_EQ(working().real(m::kTemperature), 345.0);
  problem::SRSET(problem::ISRNO("LINE-1"), 10);
  EXPECT_EQ(working().real(m::kPressure), 4321.0);
  EXPECT_EQ(problem::ISRNO("LINE-2"), 0);
  problem::SRCREA(2, "", added, istat);
  EXPECT_EQ(problem::ISRID(added).trimmed(), "S2");
  closeBoth();
}

}  // namespace
