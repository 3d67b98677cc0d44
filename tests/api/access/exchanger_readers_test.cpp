// The simple and rigorous exchanger readers over the equipment problem: every attribute in
// unit sets 1 and 5, streams without flow or without a record, the configuration words, the
// stream counts and the TEMA type.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "api/access/readers.hpp"
#include "equipment_test_support.hpp"

namespace {

using equipment_tests::ask;
using equipment_tests::EquipmentProblem;
using equipment_tests::expectRows;
using equipment_tests::Row;
using equipment_tests::stored;
using Strings = std::vector<std::string>;
using Ints = std::vector<std::int32_t>;

constexpr std::int32_t kWarning = api_access::kZeroRateWarning;

TEST_F(EquipmentProblem, ExchangerAnswersEveryAttribute) {
  expectRows("Hx", {
                       stored("HotFeedTempCalc", "HX-1", 1, 300.0),  // FEED
                       stored("HotProdTempCalc", "HX-1", 1, 290.0),
                       stored("ColdFeedTempCalc", "HX-1", 1, 320.0),  // LIQ
                       stored("ColdProdTempCalc", "HX-1", 1, 310.0),
                       stored("DutyCalc", "HX-1", 26, -5.0e5),
                       stored("UValueCalc", "HX-1", 36, 400.0),
                       stored("AreaCalc", "HX-1", 12, 50.0),
                       stored("UACalc", "HX-1", 38, 2.0e4),
                       stored("MTDCalc", "HX-1", 2, 12.5),
                       stored("LMTDFactorCalc", "HX-1", 0, 0.95),
                       stored("HotDeltaP", "HX-1", 5, 30.0),
                       stored("ColdDeltaP", "HX-1", 5, 45.0),
                       Row{"NumberShellPasses", "HX-1", 2, 2, 0, 1},
                       Row{"NumberTubePasses", "HX-1", 4, 4, 0, 1},
                       Row{"NumberHotFeeds", "HX-1", 1, 1, 0, 1},
                       Row{"NumberColdFeeds", "HX-1", 1, 1, 0, 1},
                       Row{"NumberHotProds", "HX-1", 1, 1, 0, 1},
                       Row{"NumberColdProds", "HX-1", 1, 1, 0, 1},
                       Row{"ExchTypeFlag", "HX-1", 1, 1, 0, 1},
                       Row{"ExchSideFlag", "HX-1", 1, 1, 0, 1},
                       Row{"ExchUtilFlag", "HX-1", 4, 4, 0, 1},
                       Row{"ExchAttachFlag", "HX-1", 1, 1, 0, 1},
                       Row{"ExchAttachTray", "HX-1", 7, 7, 0, 1},
                   });
  // Texts keep the element length 4.
  const auto util = ask("Hx", "ExchUtilComp", "HX-1");
  EXPECT_EQ(util.type, 2);
  EXPECT_EQ(util.elen, 4);
  EXPECT_EQ(util.ierr, 0);
  EXPECT_EQ(util.texts, Strings{"PROPANE"});
  const auto colu = ask("Hx", "ExchAttachColu", "HX-1");
  EXPECT_EQ(colu.elen, 4);
  EXPECT_EQ(colu.texts, Strings{"COMP-1"});
  // Both products are VAP and LIQ, whose phases give FEED's K-values, in stored order.
  for (const std::string attr : {"HotKValues", "ColdKValues"}) {
    SCOPED_TRACE(attr);
    const auto k = ask("Hx", attr, "HX-1", 5);
    EXPECT_EQ(k.ierr, 0);
    EXPECT_EQ(k.count, 4);
    EXPECT_EQ(k.iucls, 0);
    ASSERT_EQ(k.reals.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(k.reals[i], fixtures::kFeedKValues[i], 1e-12);
  }
}

// HX-2: DRY (zero rate) is its hot feed and product, stream 77 (none) its cold product; a
// type-2 exchanger whose connections' first dimension is 1.
TEST_F(EquipmentProblem, ExchangerStreamsWithoutFlowOrRecord) {
  expectRows("Hx", {
                       Row{"HotFeedTempCalc", "HX-2", 0, 0, 1},
                       Row{"HotProdTempCalc", "HX-2", 0, 0, 1},
                       Row{"ColdFeedTempCalc", "HX-2", 320.0, equipment_tests::set5(1, 320.0), 1},
                       Row{"ColdProdTempCalc", "HX-2", 0, 0, 1, 0, kWarning},
                       // The hot feed does not flow: no mean temperature difference.
                       Row{"MTDCalc", "HX-2", 0, 0, 2},
                       Row{"NumberHotFeeds", "HX-2", 0, 0, 0, 1, 1},
                       Row{"NumberColdProds", "HX-2", 0, 0, 0, 1, 1},
                       Row{"ExchTypeFlag", "HX-2", 2, 2, 0, 1},
                       Row{"ExchSideFlag", "HX-2", 2, 2, 0, 1},
                       Row{"ExchUtilFlag", "HX-2", 0, 0, 0, 1, 1},
                       Row{"ExchAttachFlag", "HX-2", 3, 3, 0, 1},
                       // Type 0: no side, attachment or tray.
                       Row{"ExchTypeFlag", "HX-3", 0, 0, 0, 1},
                       Row{"ExchSideFlag", "HX-3", 0, 0, 0, 1, 1},
                       Row{"ExchAttachTray", "HX-3", 0, 0, 0, 1, 1},
                   });
  const auto hot = ask("Hx", "HotKValues", "HX-2");
  EXPECT_EQ(hot.ierr, 0);
  EXPECT_EQ(hot.reals, std::vector<double>(4, 0.0));
  const auto cold = ask("Hx", "ColdKValues", "HX-2");
  EXPECT_EQ(cold.ierr, kWarning);
  EXPECT_EQ(cold.reals, std::vector<double>(4, 0.0));
  // Type 2 has no utility component; type 2 attached to no unit and type 0 give a blank
  // attached unit without a refusal.
  const auto util = ask("Hx", "ExchUtilComp", "HX-2");
  EXPECT_EQ(util.ierr, 1);
  EXPECT_EQ(util.texts, Strings{""});
  for (const std::string id : {"HX-2", "HX-3"}) {
    const auto colu = ask("Hx", "ExchAttachColu", id);
    EXPECT_EQ(colu.ierr, 0);
    EXPECT_EQ(colu.texts, Strings{""});
  }
  EXPECT_EQ(ask("Hx", "KValues", "HX-1").out,
            " ATTRIBUTE NOT SUPPORTED: KValues              FOR HX\n");
  EXPECT_EQ(ask("Hx", "DutyCalc", "HXR-1").out, " UNIT ID: HXR-1        IS NOT HX UNIT OP\n");
}

TEST_F(EquipmentProblem, TemaCodesGiveThreeLettersOrNotApplicable) {
  const std::vector<std::pair<std::int32_t, std::string>> cases{
      {213, "BEU"}, {111, "AES"}, {578, "DXW"}, {190, "N/A"},
      {614, "N/A"}, {284, "N/A"}, {-1, "N/A"},  {0, "N/A"}};
  for (const auto& [code, letters] : cases) {
    SCOPED_TRACE(code);
    std::array<char, 3> area{};
    EXPECT_EQ(std::string(api_access::PATEMA(code, area)), letters);
  }
}

// HXR-1 stores e + 0.25 at element e of H124 and 1000 + e at element e of IH98.
TEST_F(EquipmentProblem, RigorousExchangerAnswersEveryAttribute) {
  struct Place {
    std::string attr;
    std::int32_t cls, element;
  };
  const std::vector<Place> reals{
      {"UValFoul", 36, 2},
      {"UValNoFoul", 36, 3},
      {"FtFactor", 0, 8},
      {"MeanTempDiff", 2, 11},
      {"UValCalc", 36, 14},
      {"AreaCalc", 12, 18},
      {"AreaRequired", 12, 17},
      {"UAVal", 38, 28},
      {"ExchHtDuty", 26, 34},
      {"TubePitch", 10, 36},
      {"TubeLen", 9, 37},
      {"TubePresDropCalc", 5, 44},
      {"TubeFoulFct", 37, 46},
      {"TubeFoulLayerThck", 10, 47},
      {"TubeSheetThck", 10, 48},
      {"TubeThermCond", 35, 49},
      {"TubeDens", 19, 50},
      {"TubeThck", 10, 51},
      {"TubePipeSched", 0, 52},
      {"TubeVel", 14, 55},
      {"TubePrnNum", 0, 61},
      {"TubeReyNum", 0, 62},
      {"TubeFilmCoeffSclFct", 0, 60},
      {"TubeFilmCoeff", 36, 63},
      {"TubeBundleDiam", 10, 65},
      {"TubeBundleWt", 7, 68},
      {"TubeWallRes", 37, 69},
      {"TubeTempOut", 1, 72},
      {"TubeID", 10, 76},
      {"TubeOD", 10, 77},
      {"FinRootDia", 10, 83},
      {"FinsPerInch", 0, 84},
      {"FinThermCond", 35, 85},
      {"FinHgt", 10, 86},
      {"FinThck", 10, 87},
      {"FinEffcyCalc", 0, 90},
      {"ShellTempOut", 1, 74},
      {"ShellID", 10, 92},
      {"UnitAreaPerShell", 12, 94},
      {"ShellFoulFct", 37, 96},
      {"ShellFoulLayerThck", 10, 97},
      {"ShellPresDropCalc", 5, 101},
      {"ShellFilmCoeffSclFct", 0, 104},
      {"ShellFilmCoeff", 36, 111},
      {"ShellFoulRqrd", 37, 106},
      {"ShellOrigFoul", 37, 109},
      {"ShellVel", 14, 107},
      {"ShellMatDens", 19, 112},
      {"MaxAreaPerShell", 12, 114},
      {"ShellReyNum", 0, 110},
      {"ShellPrnNum", 0, 124},
      {"TubeNozzleInletID", 10, 140},
      {"TubeNozzleOutletID", 10, 141},
      {"ShellNozzleInletID", 10, 144},
      {"ShellNozzleOutletID", 10, 145},
      {"BaffleSpc", 10, 148},
      {"InletBaffleSpc", 10, 154},
      {"OutletBaffleSpc", 10, 155},
      {"BaffleThck", 10, 178},
      {"BaffleCutFrac", 0, 149},
      {"NumberBaffles", 0, 151},
  };
  const std::vector<std::pair<std::string, std::int32_t>> integers{
      {"PositionFlag", 4},     {"FlowTypeFlag", 14},      {"TubePitchFlag", 23},
      {"NumOfTubes", 24},      {"TubeMatCode", 30},       {"TubeBWG", 33},
      {"FinMatCode", 43},      {"ShellMatCode", 48},      {"NumOfParShells", 51},
      {"NumOfSerShells", 52},  {"AttachSideFlag", 80},    {"AttachTypeFlag", 81},
      {"AttachTrayFlag", 86},  {"FinTubeFlag", 22},       {"NumberSealStrip", 45},
      {"NoTubesInWindow", 72}, {"BaffleSegmentFlag", 71},
  };
  std::vector<Row> rows;
  for (const Place& p : reals) rows.push_back(stored(p.attr, "HXR-1", p.cls, p.element + 0.25));
  for (const auto& [attr, e] : integers) {
    rows.push_back(Row{attr, "HXR-1", 1000.0 + e, 1000.0 + e, 0, 1});
  }
  // A stored IMISS answers -1.
  rows.push_back(Row{"NumOfTubePasses", "HXR-1", -1, -1, 0, 1});
  rows.push_back(stored("ShellTempIn", "HXR-1", 1, 300.0));
  rows.push_back(stored("TubeTempIn", "HXR-1", 1, 320.0));
  for (const std::string attr :
       {"NumberShellFeeds", "NumberTubeFeeds", "NumberShellProds", "NumberTubeProds"}) {
    rows.push_back(Row{attr, "HXR-1", 1, 1, 0, 1});
    rows.push_back(Row{attr, "HXR-2", 0, 0, 0, 1, 1});
  }
  rows.push_back(Row{"ShellTempIn", "HXR-2", 0, 0, 1, 0, kWarning});
  expectRows("HxRig", rows);

  const auto tema = ask("HxRig", "TEMAType", "HXR-1");
  EXPECT_EQ(tema.type, 2);
  EXPECT_EQ(tema.elen, 4);
  EXPECT_EQ(tema.texts, Strings{"BEU"});
  EXPECT_EQ(ask("HxRig", "TEMAType", "HXR-2").texts, Strings{"N/A"});
  const auto attached = ask("HxRig", "AttachUnit", "HXR-1");
  EXPECT_EQ(attached.ierr, 0);
  EXPECT_EQ(attached.texts, Strings{"COMP-2"});
  const auto none = ask("HxRig", "AttachUnit", "HXR-2");
  EXPECT_EQ(none.ierr, 1);
  EXPECT_EQ(none.type, 2);
  EXPECT_EQ(none.texts, Strings{""});
  EXPECT_EQ(ask("HxRig", "Baffles", "HXR-1").out,
            " ATTRIBUTE NOT SUPPORTED: Baffles              FOR HXRIG\n");
}

}  // namespace

namespace {

// LNG-1: cell c stores 240 + 10 c, -1.0e5 c and type c; entries pass by pass: FEED -> VAP
// (cell 1), LIQ -> LIQ and DRY -> stream 77 (cell 2), one beyond the lists (cell 3).
TEST_F(EquipmentProblem, LngExchangerAnswersEveryAttribute) {
  expectRows("LngHx", {
                          stored("OverallDuty", "LNG-1", 26, -1.0e6),
                          stored("ZoneMITA", "LNG-1", 2, 2.5),
                          stored("ZoneUA", "LNG-1", 38, 5.0e4),
                          stored("ZoneLMTD", "LNG-1", 2, 3.0),
                          Row{"NumberOfCells", "LNG-1", 3, 3, 0, 1},
                          Row{"NumberHotFeeds", "LNG-1", 2, 2, 0, 1},
                          Row{"NumberColdFeeds", "LNG-1", 1, 1, 0, 1},
                      });
  struct Cells {
    std::string attr;
    std::int32_t cls;
    std::vector<double> values;  // the first three entries
  };
  const std::vector<Cells> cells{
      {"CellInletTempCalc", 1, {300.0, 320.0, 300.0}},
      {"CellOutletTempCalc", 1, {250.0, 260.0, 260.0}},
      {"CellInletPresCalc", 4, {5000.0, 7000.0, 5000.0}},
      {"CellOutletPresCalc", 4, {3000.0, 7000.0, 0.0}},
      {"CellDutyCalc", 26, {-1.0e5, -2.0e5, -2.0e5}},
  };
  for (const Cells& c : cells) {
    for (const std::int32_t set : {1, 5}) {
      SCOPED_TRACE(c.attr + " in set " + std::to_string(set));
      const auto a = ask("LngHx", c.attr, "LNG-1", set);
      EXPECT_EQ(a.ierr, 0);
      EXPECT_EQ(a.count, 3);
      EXPECT_EQ(a.iucls, c.cls);
      for (std::size_t k = 0; k < 3; ++k) {
        // A missing outlet stream gives 0.0 in every set.
        const double v = c.values[k];
        const double expected = set == 1 || v == 0.0 ? v : equipment_tests::set5(c.cls, v);
        EXPECT_NEAR(a.reals[k], expected, 1e-7 * std::abs(expected) + 1e-4);
      }
    }
  }
  const auto types = ask("LngHx", "CellType", "LNG-1");
  EXPECT_EQ(types.type, 1);
  EXPECT_EQ(types.integers, (Ints{1, 2, 2}));
  EXPECT_EQ(ask("LngHx", "Cells", "LNG-1").out,
            " ATTRIBUTE NOT SUPPORTED: Cells                FOR LNGHX\n");
}

TEST_F(EquipmentProblem, LngExchangerCapsItsEntriesAtFifty) {
  EXPECT_EQ(ask("LngHx", "NumberOfCells", "LNG-2").integers, Ints{60});
  const auto t = ask("LngHx", "CellInletTempCalc", "LNG-2");
  ASSERT_EQ(t.count, 50);
  EXPECT_EQ(t.reals[49], 300.0);
  EXPECT_EQ(ask("LngHx", "CellType", "LNG-2").integers.back(), 50);
}

}  // namespace
