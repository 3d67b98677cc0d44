// The column reader: a column's configuration, its tray profiles and its tray compositions,
// read as stored (integer 26 of table GCL above 0) or evaluated tray by tray from the
// profiles (0), on columns whose blocks are written by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "access_test_support.hpp"
#include "fixtures/column_problem.hpp"
#include "fixtures/problem_builder.hpp"
#include "fixtures/unit_blocks.hpp"
#include "services/markers.hpp"
#include "storage/storage.hpp"
#include "support/allocation_counter.hpp"

namespace {

using access_tests::integerRequest;
using access_tests::realRequest;

using column_problem::kStoredK;
using column_problem::readerProfiles;

fixtures::ProblemDescription evaluated() { return column_problem::readersProblem("columns", 0); }
fixtures::ProblemDescription stored() { return column_problem::readersProblem("columns", 1); }
using EvaluatedColumns = access_tests::OpenedProblem<&evaluated>;
using StoredColumns = access_tests::OpenedProblem<&stored>;

void expectReals(const access_tests::Reals& r, const std::vector<double>& expected) {
  ASSERT_EQ(r.values.size(), expected.size());
  for (std::size_t k = 0; k < expected.size(); ++k) {
    EXPECT_NEAR(r.values[k], expected[k], 1e-5 * std::max(1.0, std::abs(expected[k]))) << k;
  }
}

TEST_F(EvaluatedColumns, ConfigurationOfAColumn) {
  struct IntegerRow {
    const char* attr;
    std::vector<std::int32_t> values;
  };
  const IntegerRow integerRows[] = {
      {"NumberOfTrays", {3}},
      {"AlgorithmType", {2}},
      {"FeedSeparateFlag", {1}},
      {"NumberFeedTrays", {2}},
      {"NumberDrawTrays", {2}},
      {"NumberDecantTrays", {2}},
      {"NumberOfPumpArounds", {2}},
      {"NumberOfHeaters", {3}},
      {"CondenserType", {1}},
      {"ReboilerType", {1}},
      // Stored components 1 and 3 (METHANE, PROPANE) are host components 2 and 1.
      {"LtKeyComponents", {2, 1}},
      {"HvyKeyComponents", {0, 0}},
      {"FeedTrays", {2, 3}},
      {"DrawTrays", {1, 3}},
      {"DrawPhase", {2, 1}},
      {"DecantTrays", {1, 2}},
      {"HeaterTrays", {1, 3, 1}},
      {"PumpAroundTrayFrom", {2, 1}},
      {"PumpAroundTrayTo", {1, 3}},
      {"PumpAroundPhase", {2, 1}},
  };
  for (const IntegerRow& row : integerRows) {
    SCOPED_TRACE(row.attr);
    const auto r = integerRequest("Colu", row.attr, "COLUMN-R");
    EXPECT_EQ(r.ierr, 0) << r.out;
    EXPECT_EQ(r.values, row.values);
  }
  struct RealRow {
    const char* attr;
    std::int32_t iucls;
    std::vector<double> values;
  };
  const RealRow realRows[] = {
      {"PumpAroundRate", 31, {7.5, 8.5}},
      {"DecantDrawRate", 31, {5.0, 6.0}},
      {"HeaterDuties", 26, {-100.0, 200.0, -150.0}},
      {"CondenserDuty", 26, {-150.0}},  // the last heater on tray 1
      {"ReboilerDuty", 26, {200.0}},    // the heater on tray NT
      {"QLossData", 26, {1.0, 2.0, 3.5}},
      {"QLossTotal", 26, {6.5}},
  };
  for (const RealRow& row : realRows) {
    SCOPED_TRACE(row.attr);
    const auto r = realRequest("Colu", row.attr, "COLUMN-R");
    EXPECT_EQ(r.ierr, 0);
    EXPECT_EQ(r.iucls, row.iucls);
    expectReals(r, row.values);
  }
  // The three class names reach the same reader.
  for (const char* cls : {"Llex", "Side"}) {
    EXPECT_EQ(integerRequest(cls, "NumberOfHeaters", "COLUMN-R").values,
              std::vector<std::int32_t>{3});
  }
  EXPECT_EQ(integerRequest("Side", "AlgorithmType", "SIDE-R").values, std::vector<std::int32_t>{1});
  const auto notColumn = integerRequest("Colu", "NumberOfTrays", "FEED1");
  EXPECT_EQ(notColumn.ierr, 1);
  EXPECT_NE(notColumn.out.find(" INVALID UNIT ID: "), std::string::npos);
}

TEST_F(EvaluatedColumns, AlgorithmCodesAndReboilerPrecedence) {
  const std::pair<const char*, std::int32_t> codes[] = {{"CODE-3", 1}, {"CODE-1", 2}, {"CODE-4", 3},
                                                        {"CODE-6", 4}, {"CODE-7", 5}, {"CODE-8", 6},
                                                        {"CODE-2", 1}};
  for (const auto& [id, type] : codes) {
    EXPECT_EQ(integerRequest("Colu", "AlgorithmType", id).values, std::vector<std::int32_t>{type})
        << id;
  }
  // Word 236 before word 62; a missing condenser word is no condenser, so the heater on
  // tray 1 is no condenser duty.
  const std::pair<const char*, std::int32_t> reboilers[] = {
      {"REB-12", 4}, {"REB-21", 3}, {"REB-20", 2}, {"REB-10", 1}, {"REB-00", 0}};
  for (const auto& [id, type] : reboilers) {
    SCOPED_TRACE(id);
    EXPECT_EQ(integerRequest("Colu", "ReboilerType", id).values, std::vector<std::int32_t>{type});
    EXPECT_EQ(integerRequest("Colu", "CondenserType", id).values, std::vector<std::int32_t>{0});
    expectReals(realRequest("Colu", "CondenserDuty", id), {0.0});
    expectReals(realRequest("Colu", "ReboilerDuty", id), {type == 0 ? 0.0 : 42.0});
  }
}

TEST_F(EvaluatedColumns, StoredCountsAreCutAtTheListsAndNeverNegative) {
  EXPECT_EQ(integerRequest("Colu", "FeedTrays", "OVER").count, 20);
  EXPECT_EQ(integerRequest("Colu", "NumberFeedTrays", "OVER").values, std::vector<std::int32_t>{25})
      << "the stored count itself";
  const auto heaters = integerRequest("Colu", "HeaterTrays", "OVER");
  EXPECT_EQ(heaters.count, 300);
  EXPECT_EQ(realRequest("Colu", "HeaterDuties", "OVER").count, 300);
  // 300 heaters of 1.0 on tray 1 under a condenser: the last one's duty.
  expectReals(realRequest("Colu", "CondenserDuty", "OVER"), {1.0});
  for (const char* attr :
       {"PumpAroundRate", "PumpAroundTrayFrom", "DecantTrays", "DecantDrawRate"}) {
    const auto r = realRequest("Colu", attr, "OVER");
    EXPECT_EQ(r.count, 0) << attr;
  }
  EXPECT_EQ(integerRequest("Colu", "NumberOfPumpArounds", "OVER").values,
            std::vector<std::int32_t>{-3});
  // A key naming no component: zero and the request refused.
  const auto keys = integerRequest("Colu", "LtKeyComponents", "OVER");
  EXPECT_EQ(keys.ierr, 1);
  // Heat losses without the flag: NT zeros.
  expectReals(realRequest("Colu", "QLossData", "CODE-1"), {0.0, 0.0, 0.0});
}

TEST_F(EvaluatedColumns, TrayProfilesOfColumnsAndExtractors) {
  const column_problem::Profiles p = readerProfiles();
  const struct {
    const char* attr;
    std::int32_t iucls;
    std::array<double, 3> values;
  } rows[] = {{"TrayPressures", 4, p.pressure},         {"TrayTemperatures", 1, p.temperature},
              {"TrayNetVapRates", 31, p.netVapour},     {"TrayNetLiqRates", 31, p.netLiquid},
              {"TrayTotalVapRates", 31, p.totalVapour}, {"TrayTotalLiqRates", 31, p.totalLiquid}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.attr);
    const auto r = realRequest("Colu", row.attr, "COLUMN-R");
    EXPECT_EQ(r.ierr, 0);
    EXPECT_EQ(r.iucls, row.iucls);
    expectReals(r, {row.values.begin(), row.values.end()});
  }
  expectReals(realRequest("Llex", "TrayPressures", "EXTRACT-R"),
              {p.pressure.begin(), p.pressure.end()});
  // The extractor answers its own four profiles only; an ordinary column not those.
  const auto extractor = realRequest("Llex", "TrayNetVapRates", "EXTRACT-R");
  EXPECT_EQ(extractor.ierr, 1);
  EXPECT_EQ(extractor.count, 0);
  EXPECT_NE(extractor.out.find(" FOR LLEX UNIT"), std::string::npos);
  const auto ordinary = realRequest("Colu", "TrayNetLiq1Rates", "COLUMN-R");
  EXPECT_EQ(ordinary.ierr, 1);
  EXPECT_EQ(ordinary.count, 0);
  EXPECT_NE(ordinary.out.find(" FOR COLUMN/SIDE UNIT"), std::string::npos);
}

TEST_F(EvaluatedColumns, CompositionsEvaluatedInTheHostOrder) {
  // The rows of the profiles normalised: liquid (1, 2, 1) / 4 on tray 1, none leaving tray
  // 2, (0.2, 0.3, 0.5) on tray 3; vapour (2, 1, 1) / 4 and (1, 1, 2) / 4, none leaving tray
  // 3. Host order PROPANE, METHANE, ETHANE is stored order 3, 1, 2.
  expectReals(realRequest("Colu", "TrayLiquidMoleFracs", "COLUMN-R"),
              {0.25, 0.25, 0.5, 0.0, 0.0, 0.0, 0.5, 0.2, 0.3});
  expectReals(realRequest("Colu", "TrayVaporMoleFracs", "COLUMN-R"),
              {0.25, 0.5, 0.25, 0.5, 0.25, 0.25, 0.0, 0.0, 0.0});
  // K = y / x, 0.0 where x is 0.0.
  expectReals(realRequest("Colu", "TrayVleKValues", "COLUMN-R"),
              {1.0, 2.0, 0.5, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0});
}

TEST_F(EvaluatedColumns, TrayPropertiesEqualThoseOfTheTrayStreamsBuiltByHand) {
  const struct {
    const char *tray, *stream, *id;
  } rows[] = {{"TrayLiqMolecWeight", "LiqMolecularWeight", "TRAY1-LIQ"},
              {"TrayLiqDensityAct", "LiqDensityAct", "TRAY1-LIQ"},
              {"TrayLiqVolumeRateStd", "LiqVolumeRateStd", "TRAY1-LIQ"},
              {"TrayLiqSpecGravity", "LiqSpecGravity", "TRAY1-LIQ"},
              {"TrayLiqEnthalpy", "LiqMolarEnthalpy", "TRAY1-LIQ"},
              {"TrayLiqViscosity", "LiqViscosity", "TRAY1-LIQ"},
              {"TrayLiqThermalCond", "LiqThermalCond", "TRAY1-LIQ"},
              {"TrayLiqSurfTens", "LiqSurfTension", "TRAY1-LIQ"},
              {"TrayVapMolecWeight", "VapMolecularWeight", "TRAY1-VAP"},
              {"TrayVapDensityAct", "VapDensityAct", "TRAY1-VAP"},
              {"TrayVapVolumeRateStd", "VapVolumeRateStd", "TRAY1-VAP"},
              {"TrayVapEnthalpy", "VapMolarEnthalpy", "TRAY1-VAP"},
              {"TrayVapViscosity", "VapViscosity", "TRAY1-VAP"},
              {"TrayVapThermalCond", "VapThermalCond", "TRAY1-VAP"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.tray);
    for (const std::int32_t set : {1, 5}) {
      const auto tray = realRequest("Colu", row.tray, "COLUMN-R", set);
      const auto stream = realRequest("STREAM", row.stream, row.id, set);
      EXPECT_EQ(tray.ierr, 0) << tray.out;
      ASSERT_EQ(tray.count, 3);
      ASSERT_EQ(stream.count, 1) << stream.out;
      // The specific gravity is returned without a unit class.
      EXPECT_EQ(tray.iucls, std::string(row.tray) == "TrayLiqSpecGravity" ? 0 : stream.iucls);
      EXPECT_NEAR(tray.values[0], stream.values[0], 1e-5 * std::abs(stream.values[0]));
    }
  }
  // Mass rates: the molecular weight times the tray's net rate.
  const float mw = realRequest("STREAM", "LiqMolecularWeight", "TRAY1-LIQ").values.at(0);
  EXPECT_NEAR(realRequest("Colu", "TrayLiqWeightRate", "COLUMN-R").values.at(0), 30.0f * mw,
              1e-4 * 30.0f * mw);
  // No net liquid leaves tray 2 and no net vapour tray 3: zeros, not a neighbour's values.
  for (const char* attr : {"TrayLiqMolecWeight", "TrayLiqDensityAct", "TrayLiqWeightRate"}) {
    EXPECT_EQ(realRequest("Colu", attr, "COLUMN-R").values.at(1), 0.0f) << attr;
  }
  for (const char* attr : {"TrayVapMolecWeight", "TrayVapDensityAct", "TrayVapEnthalpy"}) {
    EXPECT_EQ(realRequest("Colu", attr, "COLUMN-R").values.at(2), 0.0f) << attr;
  }
  const auto unknown = realRequest("Colu", "TrayNothing", "COLUMN-R");
  EXPECT_EQ(unknown.ierr, 1);
  EXPECT_EQ(unknown.count, 0);
  EXPECT_NE(unknown.out.find(" FOR COLUMN/SIDE UNIT"), std::string::npos);
}

TEST_F(StoredColumns, CompositionsAsStoredInTheInternalOrder) {
  const column_problem::Profiles p = readerProfiles();
  expectReals(realRequest("Colu", "TrayLiquidMoleFracs", "COLUMN-R"),
              {p.liquid.begin(), p.liquid.end()});
  expectReals(realRequest("Colu", "TrayVaporMoleFracs", "COLUMN-R"),
              {p.vapour.begin(), p.vapour.end()});
  expectReals(realRequest("Colu", "TrayVleKValues", "COLUMN-R"), kStoredK);
}

TEST_F(StoredColumns, TrayPropertiesAsStored) {
  // Rows of the stored block by hand (vapour rows 2, 3, 4, 6, 7, 8, 9; liquid rows 0, 2,
  // 3, 4, 6, 7, 8, 9, 10), the mass rates over the total rates 12, 22, 2 and 33, 44, 55,
  // the enthalpies the column's profiles.
  const struct {
    const char* attr;
    std::int32_t iucls;
    std::vector<double> values;
  } rows[] = {
      {"TrayVapMolecWeight", 0, {20.0, 21.0, 22.0}},
      {"TrayVapWeightRate", 32, {20.0 * 12.0, 21.0 * 22.0, 22.0 * 2.0}},
      {"TrayVapDensityAct", 20, {30.0, 31.0, 32.0}},
      {"TrayVapVolumeRateAct", 34, {5.0, 6.0, 7.0}},
      {"TrayVapVolumeRateStd", 34, {100.0, 110.0, 120.0}},
      {"TrayVapEnthalpy", 100028, {-100.0, -200.0, -300.0}},
      {"TrayVapViscosity", 40, {0.01, 0.011, 0.012}},
      {"TrayVapThermalCond", 35, {0.03, 0.031, 0.032}},
      {"TrayVapEntropy", 100029, {150.0, 151.0, 152.0}},
      {"TrayLiqMolecWeight", 0, {40.0, 41.0, 42.0}},
      {"TrayLiqWeightRate", 32, {40.0 * 33.0, 41.0 * 44.0, 42.0 * 55.0}},
      {"TrayLiqDensityAct", 19, {500.0, 510.0, 520.0}},
      {"TrayLiqVolumeRateAct", 33, {1.5, 2.5, 3.5}},
      {"TrayLiqVolumeRateStd", 33, {1.0, 2.0, 3.0}},
      {"TrayLiqSpecGravity", 0, {0.5, 0.51, 0.52}},
      {"TrayLiqEnthalpy", 100028, {-400.0, -500.0, -600.0}},
      {"TrayLiqViscosity", 40, {0.2, 0.21, 0.22}},
      {"TrayLiqThermalCond", 35, {0.1, 0.11, 0.12}},
      {"TrayLiqSurfTens", 42, {0.015, 0.016, 0.017}},
      {"TrayLiqEntropy", 100029, {100.0, 101.0, 102.0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.attr);
    const auto r = realRequest("Colu", row.attr, "COLUMN-R");
    EXPECT_EQ(r.ierr, 0) << r.out;
    EXPECT_EQ(r.iucls, row.iucls);
    expectReals(r, row.values);
  }
  // A column without the block: zeros and the request refused.
  EXPECT_EQ(realRequest("Colu", "TrayLiqDensityAct", "CODE-1").ierr, 1);
}

// The words of the core store's free blocks: the lengths over the free tree.
std::int64_t freeWords(std::int32_t b) {
  using namespace storage::block;
  if (b <= 0 || b == storage::kTreeHead) return 0;
  return storage::CORSTO[b + kH2] + freeWords(storage::CORSTO[b + kSmaller]) +
         freeWords(storage::CORSTO[b + kLarger]);
}

template <typename Round>
void expectSteady(Round round, int rounds) {
  access_tests::printed([&] {
    for (int k = 0; k < 3; ++k) round();
  });
  const auto free = [] {
    return freeWords(storage::CORSTO[storage::kTreeHead + storage::block::kLarger]);
  };
  const std::int64_t before = free();
  std::size_t allocations = 0;
  access_tests::printed([&] {
    const std::size_t start = testing_support::allocationCount();
    round();
    allocations = testing_support::allocationCount() - start;
    for (int k = 1; k < rounds; ++k) round();
  });
  EXPECT_EQ(allocations, 0u);
  EXPECT_EQ(free(), before);
}

TEST_F(StoredColumns, RepeatedRequestsKeepTheStoreAndAllocateNothing) {
  std::vector<float> rval(16);
  std::int32_t count = 0, iunset = 1, iucls = 0, ierr = 0;
  const auto round = [&] {
    for (const char* attr :
         {"HeaterDuties", "TrayPressures", "TrayLiquidMoleFracs", "TrayVleKValues", "QLossData",
          "TrayLiqDensityAct", "TrayVapWeightRate"}) {
      api_access::PADATR("Colu", attr, "COLUMN-R", rval, count, iunset, iucls, ierr);
    }
  };
  expectSteady(round, 200);
}

TEST_F(EvaluatedColumns, RepeatedEvaluationsKeepTheStoreAndAllocateNothing) {
  std::vector<float> rval(16);
  std::int32_t count = 0, iunset = 1, iucls = 0, ierr = 0;
  const auto round = [&] {
    for (const char* attr : {"TrayVleKValues", "TrayLiqDensityAct"}) {
      api_access::PADATR("Colu", attr, "COLUMN-R", rval, count, iunset, iucls, ierr);
    }
  };
  expectSteady(round, 100);
}

}  // namespace
