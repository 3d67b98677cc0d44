// Unit variables: the option word of tray-stream amounts, VAT rows decoded and packed again,
// the conversion selectors, the variables a hand-written VAT names (plain, paired, integer,
// indirect with its conversion, attributed, and rows with missing words) read from the work
// area and from the stored block, a side unit's data in its parent, and the column variables
// computed from tray streams with their capped ratios.
#include "streamprops/unit_variables.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "fixtures/column_problem.hpp"
#include "streamprops/unit_data.hpp"
#include "support/test_support.hpp"

namespace {

using namespace streamprops;
using namespace column_problem;
using services::DMISS;
using services::IMISS;

using Operand = std::array<std::int32_t, 43>;

// A unit-variable operand: unit reference 0 (word 5 the unit) or 1 (the loaded unit).
Operand unitOperand(std::int32_t reference, std::int32_t unit, std::int32_t var,
                    std::int32_t position) {
  Operand o{};
  o[0] = 4;
  o[2] = reference;
  o[4] = unit;
  o[17] = var;
  o[18] = position;
  return o;
}

TEST(UVCODE, KeepsUnitsAndThousandsAndLiftsZeroDigitsToOne) {
  struct Case {
    std::int32_t w, expected;
  };
  for (const Case c : {Case{0, 10110}, Case{25, 10125}, Case{23407, 23417}, Case{10, 10110},
                       Case{99999, 99999}, Case{123456, 23456}, Case{-25, 10125}}) {
    EXPECT_EQ(UVCODE(c.w), c.expected) << c.w;
  }
}

TEST(VatRows, DecodeAndPackAgain) {
  const std::vector<std::array<std::int32_t, 4>> rows = {
      {100020000, 2, 1, 0},
      {512345678, 77, 654321, 27},
      {300010002, 1, 100001, 5},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row[0]);
    std::int32_t ierr = -1;
    UVDCOD(1, row, 0, ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(UVDEC.kind, row[0] / 100000000);
    EXPECT_EQ(UVDEC.item, row[0] / 10000 % 10000);
    EXPECT_EQ(UVDEC.secondItem, row[0] % 10000);
    EXPECT_EQ(UVDEC.digit(1), row[2] % 10);
    EXPECT_EQ(UVDEC.digit(6), row[2] / 100000 % 10);
    std::array<std::int32_t, 8> table{};
    UVIDX2(2, table, 0, ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ((std::array<std::int32_t, 4>{table[4], table[5], table[6], table[7]}), row);
    UVIDX2(3, table, 0, ierr);  // outside the table: nothing written
    EXPECT_EQ(ierr, 1);
  }
}

TEST(VatRows, MissingWordsAreReportedAndKeepTheirFields) {
  const std::array<std::int32_t, 4> known{512345678, 77, 654321, 27};
  struct Case {
    std::string name;
    std::array<std::int32_t, 4> row;
  };
  const std::vector<Case> cases = {
      {"kind and items", {IMISS, 77, 654321, 27}},
      {"index", {512345678, IMISS, 654321, 27}},
      {"option digits", {512345678, 77, IMISS, 27}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::int32_t ierr = 0;
    UVDCOD(1, known, 0, ierr);
    UVDCOD(1, c.row, 0, ierr);
    EXPECT_EQ(ierr, 1);
    std::array<std::int32_t, 4> packed{};
    UVIDX2(1, packed, 0, ierr);
    EXPECT_EQ(packed, known);
  }
  // A row beyond the table has every word missing.
  std::int32_t ierr = 0;
  UVDCOD(2, known, 0, ierr);
  EXPECT_EQ(ierr, 1);
}

TEST(VatRows, ConversionRowsSelectTheirUnitClasses) {
  struct Case {
    std::int32_t row, selector, cls;
  };
  for (const Case c :
       {Case{0, 0, 0}, Case{1, 1, 26}, Case{2, 2, 1}, Case{8, 2, 1}, Case{9, 0, 0}, Case{14, 2, 1},
        Case{15, 5, 36}, Case{16, 4, 12}, Case{21, 6, 2}, Case{23, 7, 5}, Case{26, 5, 36},
        Case{27, 0, 0}, Case{28, 0, 0}, Case{-1, 0, 0}}) {
    SCOPED_TRACE(testing::Message() << "row " << c.row);
    EXPECT_EQ(conversionSelector(c.row), c.selector);
    EXPECT_EQ(selectorClass(c.selector), c.cls);
  }
}

class UnitVariables : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::buildProblem(dir_.path(), description("columns"));
    open(dir_);
  }
  void TearDown() override { close(); }

  // SPUNIT's value and integer for OPERAND, the value preset to PRESET.
  static std::pair<double, std::int32_t> read(Operand operand, std::int32_t d1 = 0,
                                              double preset = 0.0) {
    double value = preset;
    std::int32_t ival = -1;
    const Operand before = operand;
    SPUNIT(d1, 1, operand, 43, ival, value, DMISS);
    EXPECT_EQ(operand, before);  // the operand is restored
    return {value, ival};
  }

  testing_support::TempDir dir_;
};

TEST_F(UnitVariables, RowsOfTheVatNameTheVariable) {
  const double converted = services::UOMCNV(1.5, 1, 1, 5);
  ASSERT_NE(converted, 1.5);
  struct Case {
    std::string name;
    std::int32_t var, d1, position;
    double value;
    std::int32_t ival;
  };
  const std::vector<Case> cases = {
      {"real item 2 index 2", 1, 0, 0, 20.0, -1},
      {"pair, the code picks the first", 2, 1, 0, 20.0, -1},
      {"pair, the second", 2, 0, 0, 30.0, -1},
      {"integer: the value keeps its preset", 3, 0, 0, 0.0, 9},
      {"indirect, converted as its row selects", 4, 0, 0, converted, -1},
      {"kind missing", 5, 0, 0, DMISS, -1},
      {"option digits missing", 7, 0, 0, DMISS, -1},
      {"indirect to a row with a word missing", 8, 0, 0, DMISS, -1},
      {"indirect to an indirect row writes nothing", 10, 0, 0, 0.0, -1},
      {"no such row", 11, 0, 0, DMISS, -1},
  };
  for (const bool loaded : {false, true}) {
    if (loaded) loadUnit(kOther);
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name + (loaded ? " (loaded)" : " (stored)"));
      // A good row first, so that a missing word cannot borrow its decoded fields.
      read(unitOperand(0, kOther, 1, 0));
      const auto [value, ival] = read(unitOperand(loaded ? 1 : 0, kOther, c.var, c.position), c.d1);
      EXPECT_EQ(value, c.value);
      EXPECT_EQ(ival, c.ival);
      EXPECT_EQ(problem::UNCURR.context2.unit, kOther);
    }
  }
  // An operand that names no unit.
  EXPECT_EQ(read(unitOperand(2, kOther, 1, 0)).first, DMISS);
}

TEST_F(UnitVariables, AttributedRealsAcceptOneToTheItemsCount) {
  // Row 9: attributed real item 2 = {10, 20, 30}.
  struct Case {
    std::int32_t index;
    double value;
  };
  loadUnit(kOther);
  for (const Case c : {Case{1, 10.0}, Case{3, 30.0}, Case{0, DMISS}, Case{4, DMISS}}) {
    SCOPED_TRACE(testing::Message() << "index " << c.index);
    EXPECT_EQ(read(unitOperand(1, kOther, 9, c.index)).first, c.value);
  }
  // The stored block: the real at the item's count is read; the element's option words,
  // which this block does not hold, make it unusable.
  loadUnit(kColumn);
  for (const Case c : {Case{3, 30.0}, Case{4, DMISS}}) {
    SCOPED_TRACE(testing::Message() << "stored index " << c.index);
    double value = 0.0;
    std::int32_t ierr = 0;
    UVATTR(kOther, 9, c.index, value, ierr, 0);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(ierr, 1);
    EXPECT_EQ(read(unitOperand(0, kOther, 9, c.index)).first, DMISS);
  }
}

TEST_F(UnitVariables, SideUnitDataLieInTheParent) {
  std::int32_t ud = 0, pd = 0;
  UVLOOK(kSideUnit, 2, ud, pd);  // listed first in the column, from position 5
  EXPECT_EQ(ud, kColumn);
  EXPECT_EQ(pd, 6);
  UVLOOK(kOther, 2, ud, pd);  // no parent
  EXPECT_EQ(ud, kOther);
  EXPECT_EQ(pd, 2);
  UVREAD(kSideUnit, 2, ud, pd);  // the first sub-unit: no positions before it
  EXPECT_EQ(ud, kColumn);
  EXPECT_EQ(pd, 2);
  double value = 0.0;
  Operand o = unitOperand(0, kSideUnit, 3, 2);
  UVSTOR(1, 1, o, 43, value);
  EXPECT_EQ(value, 12.0);  // real item 6 of the column at 2
  o[18] = 8;
  UVSTOR(1, 1, o, 43, value);
  EXPECT_EQ(value, DMISS);
}

TEST_F(UnitVariables, ComponentPositionsOfNoComponentAreZero) {
  for (const std::int32_t num : {IMISS, 0, 987654}) {
    for (const std::int32_t list : {1, 2}) {
      std::int32_t pos = -1;
      UVINDX(num, list, pos);
      EXPECT_EQ(pos, 0) << num << " list " << list;
    }
  }
}

TEST_F(UnitVariables, ColumnVariablesFromTrayStreams) {
  const Profiles p;
  struct Case {
    std::string name;
    bool loaded;
    std::int32_t var;
    double totalLiquidTray1;  // written into the loaded profiles
    double value;
  };
  const double v1 = p.netLiquid[0], v2 = p.netVapour[0];
  const std::vector<Case> cases = {
      {"liquid from tray 1", true, 1, 33.0, v1},
      {"ratio", true, 2, 33.0, v1 / ((v2 - v1) + 33.0)},
      {"ratio over zero", true, 2, 20.0, kRatioCap},
      {"ratio over a negative flow", true, 2, 10.0, kRatioCap},
      {"ratio above the cap", true, 2, 20.0 + 1e-9, kRatioCap},
      {"stored variable", false, 3, 33.0, 11.0},
      {"liquid from the tray below the top", false, 26, 33.0, p.netLiquid[1]},
      {"vapour share of the top tray", false, 27, 33.0,
       p.totalVapour[2] / (p.totalVapour[2] + p.totalLiquid[2])},
      {"liquid share of the top tray", false, 28, 33.0,
       p.totalLiquid[2] / (p.totalVapour[2] + p.totalLiquid[2])},
      {"top tray temperature", false, 29, 33.0, p.temperature[2]},
      {"top tray temperature rise", false, 30, 33.0, p.temperature[2] - p.temperature[1]},
      {"top tray without vapour: no temperature", true, 29, 33.0, DMISS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    loadUnit(c.loaded ? kColumn : kOther);
    if (c.loaded) loadedReals(12).set(0, c.totalLiquidTray1);
    Operand o = unitOperand(c.loaded ? 1 : 0, kColumn, c.var, 1);
    const double value = read(o).first;
    if (c.value == DMISS || c.value == kRatioCap) {
      EXPECT_EQ(value, c.value);
    } else {
      EXPECT_NEAR(value, c.value, 1e-12 * std::abs(c.value));
    }
  }
}

TEST_F(UnitVariables, TopTrayWithoutFlowGivesAllLiquidShare) {
  // The top tray of the loaded column without vapour and, here, without liquid: V = 0.0 and
  // the liquid share is 1.0.
  loadUnit(kColumn);
  loadedReals(10).set(2, 0.0);
  loadedReals(12).set(2, 0.0);
  EXPECT_EQ(read(unitOperand(1, kColumn, 27, 1)).first, 0.0);
  EXPECT_EQ(read(unitOperand(1, kColumn, 28, 1)).first, 1.0);
}

}  // namespace
