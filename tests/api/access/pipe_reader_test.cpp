// The pipe reader over the equipment problem: every attribute in unit sets 1 and 5, the
// segment profile with its regimes, the caps and stored counts that are not numbers.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "equipment_test_support.hpp"

namespace {

using equipment_tests::ask;
using equipment_tests::EquipmentProblem;
using equipment_tests::expectRows;
using equipment_tests::kFoot;
using equipment_tests::Row;
using equipment_tests::set5;
using equipment_tests::stored;

// PIPE-1 stores 10 e at element e of its results: the value of each attribute is ten times
// the element it is stored at.
TEST_F(EquipmentProblem, PipeAnswersEveryResult) {
  struct Place {
    std::string attr;
    std::int32_t cls, element;
  };
  const std::vector<Place> places{
      {"OutletTemp", 1, 2},          {"OutletPres", 4, 4},         {"SizingDeltaP", 5, 8},
      {"SizingMaxVelocity", 14, 11}, {"NetChangeInElevn", 9, 51},  {"FittingKFactor", 0, 55},
      {"AvgFricFactor", 0, 92},      {"AvgReynoldsNumb", 0, 93},   {"HeatTransCoeff", 36, 18},
      {"InsideDiameter", 10, 24},    {"AbsRoughness", 10, 27},     {"RelRoughness", 0, 30},
      {"LineFricFactor", 0, 32},     {"LineFlowEffic", 0, 35},     {"LineLength", 9, 38},
      {"HeatDuty", 26, 45},          {"DeltaPresFric", 5, 89},     {"DeltaPresElevn", 5, 91},
      {"DeltaPresAccel", 5, 90},     {"LineDeltaPres", 5, 88},     {"FittingDeltaPres", 5, 94},
      {"CalcDeltaPres", 5, 6},       {"TempFluidInlet", 1, 13},    {"TempFluidOutlet", 1, 81},
      {"PresFluidInlet", 4, 14},     {"PresFluidOutlet", 4, 82},   {"LiqFracInlet", 0, 86},
      {"LiqFracOutlet", 0, 87},      {"AvgVelocityInlet", 14, 12}, {"AvgVelocityOutlet", 14, 85},
      {"SlipDensInlet", 19, 79},     {"SlipDensOutlet", 19, 80},   {"FricFactorInlet", 0, 97},
      {"FricFactorOutlet", 0, 98},   {"LiqHoldupInlet", 0, 15},    {"LiqHoldupOutlet", 0, 16},
  };
  std::vector<Row> rows;
  for (const Place& p : places) rows.push_back(stored(p.attr, "PIPE-1", p.cls, 10.0 * p.element));
  // Stored in unit set 5 (ft/s): the stored value in set 5, times a foot in set 1.
  rows.push_back(Row{"CalcMaxVelocity", "PIPE-1", 520.0 * kFoot, 520.0, 14});
  rows.push_back(Row{"PressDropCorrelation", "PIPE-1", 10, 10, 0, 1});
  rows.push_back(Row{"FlowRegimeInlet", "PIPE-1", 3, 3, 0, 1});
  rows.push_back(Row{"FlowRegimeOutlet", "PIPE-1", 7, 7, 0, 1});
  rows.push_back(Row{"NumSegments", "PIPE-1", 3, 3, 0, 1});
  expectRows("Pipe", rows);
}

// Segment s, row r holds 100 s + r.
TEST_F(EquipmentProblem, PipeProfileGivesOneValuePerSegment) {
  const std::vector<std::pair<std::string, std::int32_t>> profile{
      {"SegDistanceInlet", 9},  {"SegChangeElevn", 9},    {"SegPressure", 4},
      {"SegTemperatue", 1},     {"SegFricPresDrop", 5},   {"SegElevnPresDrop", 5},
      {"SegAccelPresDrop", 5},  {"SegTotalPresDrop", 5},  {"SegLiquidVelocity", 14},
      {"SegVaporVelocity", 14}, {"SegFluidVelocity", 14}, {"SegLiquidFrac", 0},
  };
  for (std::size_t r = 1; r <= profile.size(); ++r) {
    const auto& [attr, cls] = profile[r - 1];
    for (const std::int32_t set : {1, 5}) {
      SCOPED_TRACE(attr + " in set " + std::to_string(set));
      const auto a = ask("Pipe", attr, "PIPE-1", set);
      EXPECT_EQ(a.ierr, 0);
      EXPECT_EQ(a.type, 0);
      EXPECT_EQ(a.count, 3);
      EXPECT_EQ(a.elen, 4);
      EXPECT_EQ(a.iucls, cls);
      for (std::int32_t s = 1; s <= 3; ++s) {
        const double v = 100.0 * s + static_cast<double>(r);
        EXPECT_NEAR(a.reals[static_cast<std::size_t>(s - 1)], set == 1 ? v : set5(cls, v),
                    1e-7 * v + 1e-4);
      }
    }
  }
  EXPECT_EQ(ask("Pipe", "SegTemperature", "PIPE-1").ierr, 1);
}

TEST_F(EquipmentProblem, PipeRegimesAreRenumberedUnderCorrelationTen) {
  struct Case {
    std::string id;
    std::int32_t stored;  // "NumSegments"
    std::vector<std::int32_t> regimes;
  };
  const std::vector<Case> cases{
      // 3 -> 9, 10 -> 8, 2.9 truncated to 2 (unchanged by the renumbering).
      {"PIPE-1", 3, {9, 8, 2}},
      // Correlation 4: as stored; 60 stored, 50 returned.
      {"PIPE-2", 60,
       [] {
         std::vector<std::int32_t> r{3, 10};
         r.resize(50, 2);
         return r;
       }()},
      // n = 2: no segments.
      {"PIPE-3", 0, {}},
      // A count that is not a number: none.
      {"PIPE-4", 0, {}},
      // Five stored, two held by the sector; regimes beyond the integers: 0.
      {"PIPE-5", 5, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const auto n = ask("Pipe", "NumSegments", c.id);
    EXPECT_EQ(n.integers, std::vector<std::int32_t>{c.stored});
    const auto r = ask("Pipe", "SegFlowRegime", c.id);
    EXPECT_EQ(r.ierr, 0);
    EXPECT_EQ(r.type, 1);
    EXPECT_EQ(r.count, static_cast<std::int32_t>(c.regimes.size()));
    EXPECT_EQ(r.integers, c.regimes);
    EXPECT_EQ(ask("Pipe", "SegPressure", c.id).count, r.count);
  }
  const auto last = ask("Pipe", "SegDistanceInlet", "PIPE-2");
  ASSERT_EQ(last.count, 50);
  EXPECT_EQ(last.reals[49], 5001.0);
}

TEST_F(EquipmentProblem, PipeRefusesOtherUnitsAndAttributes) {
  EXPECT_EQ(ask("Pipe", "OutletTemp", "PUMP-1").out,
            " UNIT ID: PUMP-1       IS NOT PIPE UNIT OP\n");
  const auto a = ask("Pipe", "OutletTemperature", "PIPE-1");
  EXPECT_EQ(a.ierr, 1);
  EXPECT_EQ(a.count, 0);
  EXPECT_EQ(a.out, " ATTRIBUTE NOT SUPPORTED: OutletTemperature    FOR PIPE\n");
}

}  // namespace
