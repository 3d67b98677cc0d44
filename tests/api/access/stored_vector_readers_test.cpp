// The title, phase-envelope, calculator and user-added unit readers over the equipment
// problem: every attribute, the caps on curves and points, gaps between curves, counts that
// are negative or longer than what is stored.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "equipment_test_support.hpp"

namespace {

using equipment_tests::ask;
using equipment_tests::EquipmentProblem;
using equipment_tests::fahrenheit;
using equipment_tests::kPsi;
using Strings = std::vector<std::string>;
using Ints = std::vector<std::int32_t>;
using Reals = std::vector<double>;

void expectReals(const Reals& got, const Reals& expected) {
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t k = 0; k < got.size(); ++k) {
    EXPECT_NEAR(got[k], expected[k], 1e-7 * std::abs(expected[k]) + 1e-4) << k;
  }
}

TEST_F(EquipmentProblem, TitleAnswersEveryFieldWhateverTheIdentifier) {
  struct Case {
    std::string attr;
    std::int32_t count, elen;
    Strings values;
  };
  Strings description(10, "");
  description[0] = "FIRST LINE OF THE DESCRIPTION";
  description[1] = "SECOND LINE";
  const std::vector<Case> cases{
      {"PROJECT", 1, 12, {"PROJECT-A"}},
      {"PROBLEM", 1, 12, {"PROBLEM-B"}},
      {"USER", 1, 12, {"ENGINEER"}},
      {"DATE", 1, 12, {"2026-12-11"}},
      {"SITE", 1, 4, {"SITE"}},
      {"DESCRIP", 10, 68, description},
      // The access open leaves the special field blank.
      {"SPECIAL", 1, 12, {""}},
  };
  for (const Case& c : cases) {
    for (const std::string id : {"", "ANYTHING"}) {
      SCOPED_TRACE(c.attr + " " + id);
      const auto a = ask("TITLE", c.attr, id);
      EXPECT_EQ(a.ierr, 0);
      EXPECT_EQ(a.type, 2);
      EXPECT_EQ(a.count, c.count);
      EXPECT_EQ(a.elen, c.elen);
      EXPECT_EQ(a.texts, c.values);
    }
  }
  const auto version = ask("TITLE", "VERSION", "");
  EXPECT_EQ(version.ierr, 0);
  EXPECT_EQ(version.elen, 12);
  const auto bad = ask("TITLE", "DESCRIPTION", "");
  EXPECT_EQ(bad.ierr, 1);
  EXPECT_EQ(bad.count, 0);
  EXPECT_EQ(bad.out, " ATTRIBUTE NOT SUPPORTED DESCRIPTIO FOR TITLE\n");
}

TEST_F(EquipmentProblem, PhaseEnvelopeAnswersEveryAttribute) {
  EXPECT_EQ(ask("Phase", "NumberOfPCurves", "PHASE-1").integers, Ints{2});
  const auto points = ask("Phase", "NumberOfPoints", "PHASE-1");
  EXPECT_EQ(points.type, 1);
  EXPECT_EQ(points.integers, (Ints{30, 40}));
  struct Constant {
    std::string attr;
    std::int32_t cls;
    Reals values;
  };
  const std::vector<Constant> constants{
      {"CriticalTemperature", 1, {190, 300}},    {"CriticalPressure", 4, {4600, 4800}},
      {"CriconThermTemperature", 1, {200, 310}}, {"CriconThermPressure", 4, {4000, 4200}},
      {"CriconBarTemperature", 1, {180, 290}},   {"CriconBarPressure", 4, {4700, 4900}},
  };
  for (const Constant& c : constants) {
    for (const std::int32_t set : {1, 5}) {
      SCOPED_TRACE(c.attr + " in set " + std::to_string(set));
      const auto a = ask("Phase", c.attr, "PHASE-1", set);
      EXPECT_EQ(a.ierr, 0);
      EXPECT_EQ(a.type, 0);
      EXPECT_EQ(a.elen, 4);
      EXPECT_EQ(a.iucls, c.cls);
      Reals expected = c.values;
      if (set == 5) {
        for (double& v : expected) v = c.cls == 1 ? fahrenheit(v) : v / kPsi;
      }
      expectReals(a.reals, expected);
    }
  }
  // Curve 1 at positions 1 to 30, curve 2 at 121 to 160; the gap holds 0.0, not what the
  // stored block holds there.
  for (const std::int32_t set : {1, 5}) {
    SCOPED_TRACE(set);
    const auto t = ask("Phase", "Temperatures", "PHASE-1", set);
    const auto p = ask("Phase", "Pressures", "PHASE-1", set);
    EXPECT_EQ(t.count, 160);
    EXPECT_EQ(p.count, 160);
    EXPECT_EQ(t.iucls, 1);
    EXPECT_EQ(p.iucls, 4);
    Reals et(160, 0.0), ep(160, 0.0);
    for (int j = 1; j <= 30; ++j) {
      et[j - 1] = 100.0 + j;
      ep[j - 1] = 1000.0 + j;
    }
    for (int j = 1; j <= 40; ++j) {
      et[119 + j] = 200.0 + j;
      ep[119 + j] = 2000.0 + j;
    }
    if (set == 5) {
      for (std::size_t k = 0; k < 160; ++k) {
        if (et[k] != 0.0) et[k] = fahrenheit(et[k]);
        ep[k] /= kPsi;
      }
    }
    expectReals(t.reals, et);
    expectReals(p.reals, ep);
  }
}

TEST_F(EquipmentProblem, PhaseEnvelopeCapsCurvesAndPoints) {
  // 25 curves stored, 20 read; curve 1 of 130 points holds 120, curve 20 has 5.
  EXPECT_EQ(ask("Phase", "NumberOfPCurves", "PHASE-2").integers, Ints{25});
  EXPECT_EQ(ask("Phase", "CriticalTemperature", "PHASE-2").count, 20);
  const auto points = ask("Phase", "NumberOfPoints", "PHASE-2");
  EXPECT_EQ(points.count, 20);
  EXPECT_EQ(points.integers[0], 130);
  const auto t = ask("Phase", "Temperatures", "PHASE-2");
  EXPECT_EQ(t.count, 120 * 19 + 5);
  EXPECT_EQ(t.reals[119], 250.0);
  EXPECT_EQ(t.reals[120], 0.0);  // curve 2 has no points
  EXPECT_EQ(t.reals[120 * 19 + 4], 250.0);
  // A negative count: the stored count, and no curves.
  EXPECT_EQ(ask("Phase", "NumberOfPCurves", "PHASE-3").integers, Ints{-3});
  const auto none = ask("Phase", "Temperatures", "PHASE-3");
  EXPECT_EQ(none.ierr, 0);
  EXPECT_EQ(none.count, 0);
  const auto bad = ask("Phase", "Points", "PHASE-1");
  EXPECT_EQ(bad.ierr, 1);
  EXPECT_EQ(bad.count, 0);
  EXPECT_EQ(bad.out, " ATTRIBUTE NOT SUPPORTED: Points               FOR PHASE ENVELOPE\n");
}

TEST_F(EquipmentProblem, CalculatorAnswersEveryAttribute) {
  EXPECT_EQ(ask("Calc", "NumberOfConstants", "CALC-1").integers, Ints{3});
  EXPECT_EQ(ask("Calc", "NumberOfParameters", "CALC-1").integers, Ints{2});
  EXPECT_EQ(ask("Calc", "NumberOfResults", "CALC-1").integers, Ints{5});
  for (const std::int32_t set : {1, 5}) {
    const auto c = ask("Calc", "ConstVector", "CALC-1", set);
    EXPECT_EQ(c.iucls, 0);
    EXPECT_EQ(c.reals, (Reals{1.5, 2.5, 3.5}));
    EXPECT_EQ(ask("Calc", "ParamVector", "CALC-1", set).reals, (Reals{10.0, 20.0}));
    // The result without a value is 0.0.
    EXPECT_EQ(ask("Calc", "ResultVector", "CALC-1", set).reals,
              (Reals{100.0, 0.0, 300.0, 400.0, 500.0}));
  }
  // Four results have values: they take the first four names, in order.
  const auto names = ask("Calc", "ResultNames", "CALC-1");
  EXPECT_EQ(names.type, 2);
  EXPECT_EQ(names.elen, 12);
  EXPECT_EQ(names.texts, (Strings{"RESULT-A", "RESULT-B", "RESULT-C", "RESULT-D"}));
  // Stored counts answer as stored; vectors hold no more than the count (never below 0) and
  // the stored sector.
  EXPECT_EQ(ask("Calc", "NumberOfConstants", "CALC-2").integers, Ints{-2});
  EXPECT_EQ(ask("Calc", "ConstVector", "CALC-2").count, 0);
  EXPECT_EQ(ask("Calc", "NumberOfParameters", "CALC-2").integers, Ints{50});
  EXPECT_EQ(ask("Calc", "ParamVector", "CALC-2").reals, (Reals{7.0, 8.0}));
  EXPECT_EQ(ask("Calc", "Names", "CALC-1").out,
            " ATTRIBUTE NOT SUPPORTED: Names                FOR CALCULATOR\n");
}

TEST_F(EquipmentProblem, UserAddedUnitAnswersItsFourVectors) {
  const auto i = ask("User", "IntegerVector", "USER-1");
  EXPECT_EQ(i.type, 1);
  ASSERT_EQ(i.count, 250);
  EXPECT_EQ(i.integers[249], 2500);
  const auto r = ask("User", "RealVector", "USER-1", 5);
  ASSERT_EQ(r.count, 500);
  EXPECT_EQ(r.iucls, 0);
  EXPECT_EQ(r.reals[0], 0.5);
  EXPECT_EQ(r.reals[499], 250.0);
  const auto h = ask("User", "HeatVector", "USER-1");
  ASSERT_EQ(h.count, 10);
  EXPECT_EQ(h.reals[9], 1010.0);
  // 10000 values, of which 100 are stored: the rest 0.0.
  const auto s = ask("User", "SupplVector", "USER-1");
  ASSERT_EQ(s.count, 10000);
  EXPECT_EQ(s.reals[99], 300.0);
  EXPECT_EQ(s.reals[100], 0.0);
  EXPECT_EQ(s.reals[9999], 0.0);
  EXPECT_EQ(ask("User", "IntegerVector", "CALC-1").out,
            " UNIT ID: CALC-1       IS NOT USER ADDED UNIT OP\n");
}

}  // namespace
