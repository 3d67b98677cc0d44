// The compressor, expander and pump readers over the equipment problem: every attribute in
// unit sets 1 and 5, the pressure ratio, the aftercooler's results and a stored stream
// number that names no stream.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "equipment_test_support.hpp"
#include "problem/problem.hpp"

namespace {

using equipment_tests::ask;
using equipment_tests::EquipmentProblem;
using equipment_tests::expectRows;
using equipment_tests::fahrenheit;
using equipment_tests::kHorsepower;
using equipment_tests::kMillionBtuPerHour;
using equipment_tests::kPsi;
using equipment_tests::Row;

// COMP-1 stores its results in H181, takes FEED (300 K, 5000 kPa) in and names VAP (280 K,
// 3000 kPa) its isentropic outlet; its aftercooler ran.
TEST_F(EquipmentProblem, CompressorAnswersEveryAttribute) {
  expectRows("Compressor", {
                               {"TempInletCalc", "COMP-1", 300.0, fahrenheit(300.0), 1},
                               {"TempIsenCalc", "COMP-1", 280.0, fahrenheit(280.0), 1},
                               {"TempCalc", "COMP-1", 410.0, fahrenheit(410.0), 1},
                               {"PresInletCalc", "COMP-1", 5000.0, 5000.0 / kPsi, 4},
                               {"PresIsenCalc", "COMP-1", 3000.0, 3000.0 / kPsi, 4},
                               {"PresCalc", "COMP-1", 12000.0, 12000.0 / kPsi, 4},
                               // From the stored pressures, the same in every set.
                               {"PRatio", "COMP-1", 2.4, 2.4, 0},
                               {"WorkActualCalc", "COMP-1", 3.6e6, 3.6e6 / kHorsepower, 25},
                               {"WorkTheoCalc", "COMP-1", 3.0e6, 3.0e6 / kHorsepower, 25},
                               {"WorkPolyCalc", "COMP-1", 3.2e6, 3.2e6 / kHorsepower, 25},
                               {"EffAdiaCalc", "COMP-1", 0.83, 0.83, 0},
                               {"EffPolyCalc", "COMP-1", 0.85, 0.85, 0},
                               {"PolyCoeffCalc", "COMP-1", 1.31, 1.31, 0},
                               {"IsenCoeffCalc", "COMP-1", 1.27, 1.27, 0},
                               {"RPMCalc", "COMP-1", 3600.0, 3600.0, 0},
                               {"AcPresDropCalc", "COMP-1", 50.0, 50.0 / kPsi, 5},
                               {"AcTempCalc", "COMP-1", 320.0, fahrenheit(320.0), 1},
                               {"AcDutyCalc", "COMP-1", -2.0e6, -2.0e6 / kMillionBtuPerHour, 26},
                           });
  // The aftercooler's stream (LIQ) was made current last.
  ask("Compressor", "TempCalc", "COMP-1");
  EXPECT_EQ(problem::SRPSET.set2.stream, 3);
}

// COMP-2: no aftercooler, no stored inlet pressure, and an isentropic outlet stream 77 that
// does not exist.
TEST_F(EquipmentProblem, CompressorWithoutCoolerInletPressureOrIsentropicStream) {
  expectRows("Compressor",
             {
                 {"AcPresDropCalc", "COMP-2", 0.0, 0.0, 5},
                 // 0.0 in every set, not the set's converted zero.
                 {"AcTempCalc", "COMP-2", 0.0, 0.0, 1},
                 {"AcDutyCalc", "COMP-2", 0.0, 0.0, 26},
                 {"PRatio", "COMP-2", 0.0, 0.0, 0},
                 {"TempInletCalc", "COMP-2", 300.0, fahrenheit(300.0), 1},
                 {"TempIsenCalc", "COMP-2", 0.0, 0.0, 1, 0, api_access::kZeroRateWarning},
                 {"PresIsenCalc", "COMP-2", 0.0, 0.0, 4, 0, api_access::kZeroRateWarning},
                 {"PresCalc", "COMP-2", 12000.0, 12000.0 / kPsi, 4},
             });
  // FEED, the inlet, stays current: nothing was made current after it.
  EXPECT_EQ(problem::SRPSET.set2.stream, 1);
}

// EXP-1 takes LIQ (320 K, 7000 kPa) in and names VAP its isentropic outlet.
TEST_F(EquipmentProblem, ExpanderAnswersEveryAttribute) {
  expectRows("Expander", {
                             {"TempInletCalc", "EXP-1", 320.0, fahrenheit(320.0), 1},
                             {"TempIsenCalc", "EXP-1", 280.0, fahrenheit(280.0), 1},
                             {"TempCalc", "EXP-1", 260.0, fahrenheit(260.0), 1},
                             {"PresInletCalc", "EXP-1", 7000.0, 7000.0 / kPsi, 4},
                             {"PresIsenCalc", "EXP-1", 3000.0, 3000.0 / kPsi, 4},
                             {"PresCalc", "EXP-1", 3000.0, 3000.0 / kPsi, 4},
                             {"WorkActualCalc", "EXP-1", -1.8e6, -1.8e6 / kHorsepower, 25},
                             {"WorkTheoCalc", "EXP-1", -2.0e6, -2.0e6 / kHorsepower, 25},
                             {"EffAdiaCalc", "EXP-1", 0.9, 0.9, 0},
                             {"IsenCoeffCalc", "EXP-1", 0.0, 0.0, 0},
                             {"RPMCalc", "EXP-1", 0.0, 0.0, 0},
                         });
  // The isentropic outlet (VAP) is current after the request.
  EXPECT_EQ(problem::SRPSET.set2.stream, 2);
}

TEST_F(EquipmentProblem, PumpAnswersEveryAttribute) {
  expectRows("Pump", {
                         {"TempCalc", "PUMP-1", 305.0, fahrenheit(305.0), 1},
                         {"PresCalc", "PUMP-1", 8000.0, 8000.0 / kPsi, 4},
                         {"EffCalc", "PUMP-1", 0.75, 0.75, 0},
                         {"WorkCalc", "PUMP-1", 5.0e4, 5.0e4 / kHorsepower, 25},
                     });
}

TEST_F(EquipmentProblem, PressureChangersRefuseOtherUnitsAndAttributes) {
  struct Case {
    std::string cls, attr, id, out;
  };
  const std::vector<Case> cases{
      {"Compressor", "PRatio", "PUMP-1", " UNIT ID: PUMP-1       IS NOT COMPRESSOR\n"},
      {"Expander", "TempCalc", "COMP-1", " UNIT ID: COMP-1       IS NOT EXPANDER\n"},
      {"Pump", "TempCalc", "EXP-1", " UNIT ID: EXP-1        IS NOT PUMP UNIT OP\n"},
      {"Pump", "TempCalc", "NOSUCH", " INVALID UNIT ID: NOSUCH\n"},
      // The expander has no polytropic work nor pressure ratio.
      {"Expander", "WorkPolyCalc", "EXP-1",
       " ATTRIBUTE NOT SUPPORTED: WorkPolyCalc         FOR EXPANDER\n"},
      {"Expander", "PRatio", "EXP-1",
       " ATTRIBUTE NOT SUPPORTED: PRatio               FOR EXPANDER\n"},
      {"Compressor", "tempcalc", "COMP-1",
       " ATTRIBUTE NOT SUPPORTED: tempcalc             FOR COMPRESSOR\n"},
      {"Pump", "DutyCalc", "PUMP-1", " ATTRIBUTE NOT SUPPORTED: DutyCalc             FOR PUMP\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cls + " " + c.attr + " " + c.id);
    const auto a = ask(c.cls, c.attr, c.id);
    EXPECT_EQ(a.ierr, 1);
    EXPECT_EQ(a.count, 0);
    EXPECT_EQ(a.out, c.out);
  }
}

}  // namespace
