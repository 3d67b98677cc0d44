// The entities the fixture builder makes survive the close that saves them and a fresh open,
// and so do changes made through the set-ups; the composite unit's data block holds its
// sections' data end to end.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "problem/flowsheet_test_support.hpp"

namespace {

using flowsheet_tests::unit;
using problem::PAUWRK;
using storage::CORSTO;

constexpr std::int32_t kComponents = 2;  // the test problem's

class FlowsheetPersistence : public flowsheet_tests::FlowsheetTest {
 protected:
  void SetUp() override {
    fixtures::FlowsheetSpec flowsheet;
    flowsheet.units = {unit("FEED", 110001, "FEED DRUM"), unit("PUMP", 110002, "PUMP", 2)};
    flowsheet.units[0].data = flowsheet_tests::smallBlock();
    fixtures::CompositeSpec composite;
    composite.sections = {fixtures::compositeSection("TOP", 3, 2, 1),
                          fixtures::compositeSection("BOTTOM", 4, 0, 2)};
    flowsheet.composite = composite;
    fixtures::SpecificationSpec spec;
    spec.identifier = "SPEC-1";
    flowsheet.specifications = {spec};
    spec.identifier = "CS-1";
    spec.record = fixtures::specificationRecord(5);
    flowsheet.csItems = {spec};
    fixtures::ReactionSetSpec set;
    set.identifier = "SET-A";
    flowsheet.reactionSets = {set};
    fixtures::ReactionSpec reaction;
    reaction.identifier = "R1";
    reaction.set = "SET-A";
    flowsheet.reactions = {reaction};
    build(flowsheet);
  }
};

// Everything here was written by the builder, saved by its close and read by this open.
TEST_F(FlowsheetPersistence, BuiltEntitiesAreThereAfterAFreshOpen) {
  struct Case {
    std::int32_t n, status, type;
    std::string id, text;
  };
  const std::vector<Case> units = {
      {1, 3, 110001, "FEED", "FEED DRUM"},
      {2, 2, 110002, "PUMP", "PUMP"},
      {3, 3, 120001, "TOP", "SECTION TOP"},
      {4, 3, 120001, "BOTTOM", "SECTION BOTTOM"},
      {5, 3, problem::kCompositeUnitType, "COLUMN", "COMPOSITE UNIT"},
  };
  ASSERT_EQ(problem::IUNNOU(), 5);
  for (const Case& c : units) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(problem::IUNSTA(c.n), c.status);
    EXPECT_EQ(problem::KUNTYP(c.n), c.type);
    EXPECT_EQ(problem::UNITID(c.n).trimmed(), c.id);
    EXPECT_EQ(problem::UNTEXT(c.n).trimmed(), c.text);
  }
  problem::UNSET(5, 10);
  EXPECT_EQ(CORSTO[problem::UNCURR.context2.integerSector + 1], 120012);
  EXPECT_EQ(CORSTO[problem::UNCURR.context2.integerSector + 2], 7);

  problem::VSSET(1, 10);
  EXPECT_EQ(CORSTO[problem::SPCUR.integerSectors[3] + 4], 44);
  problem::NCSET(1, 10);
  EXPECT_EQ(CORSTO[problem::SPCUR.integerSectors[3] + 4], 5044);
  EXPECT_EQ(problem::IRXNO("SET-A", "R1"), 1);
  EXPECT_EQ(problem::IRSNO("SET-A"), 1);
  problem::RXSET(1, 10);
  EXPECT_EQ(CORSTO[problem::RXCUR.context2.integerSectors[8] + 3], 93);
}

// The composite's block as the unit set-up at open reads it: section ranges and list, the
// sums in the control words, stage codes and stage arrays laid end to end.
TEST_F(FlowsheetPersistence, CompositeBlockHoldsItsSectionsEndToEnd) {
  problem::DBUBLK(132, 5, 0);
  const problem::UnitBlockContext2& c = PAUWRK.context2;
  const auto is = [&](std::int32_t k, std::int32_t j) {
    return CORSTO[c.integers.pointers(k) + j];
  };
  const auto rs = [&](std::int32_t k, std::int32_t j) {
    return CORSTO.real(c.reals.pointers(k) + j);
  };
  EXPECT_EQ(c.integers.lengths(2), 2);
  EXPECT_EQ(is(2, 1), 1 * 10000 + 3);
  EXPECT_EQ(is(2, 2), 4 * 10000 + 7);
  EXPECT_EQ(is(3, 1), 3);
  EXPECT_EQ(is(3, 2), 4);
  EXPECT_EQ(is(1, 8), 2);    // the sections' k1
  EXPECT_EQ(is(1, 158), 3);  // their entries
  EXPECT_EQ(is(1, 159), fixtures::compositeControl(159));
  EXPECT_EQ(is(1, 44), fixtures::compositeControl(44));
  EXPECT_EQ(c.integers.lengths(11), 7);  // k2 = the stages of each section
  EXPECT_EQ(is(11, 2), -(2 * 10000 + 11));
  EXPECT_EQ(is(15, 1), 1);
  EXPECT_EQ(c.integers.lengths(20), 3 * 3);
  EXPECT_EQ(c.integers.lengths(49), 4 * 2);
  EXPECT_EQ(c.reals.lengths(7), 7);
  EXPECT_EQ(rs(7, 7), fixtures::compositeReal(7, 7));
  EXPECT_EQ(c.reals.lengths(20), kComponents * 7);
  EXPECT_EQ(c.reals.lengths(1), 7 + 175);
  EXPECT_EQ(c.reals.lengths(118), 7);

  // A section's own block: its counts in integer sector 1, room for its share elsewhere.
  problem::DBUBLK(132, 4, 0);
  EXPECT_EQ(is(1, 4), 2);
  EXPECT_EQ(is(1, 5), 4);
  EXPECT_EQ(is(1, 7), 1);
  EXPECT_EQ(is(1, 8), 0);
  EXPECT_EQ(is(1, 9), 2);
  EXPECT_EQ(is(1, 158), 2);
  EXPECT_EQ(c.reals.lengths(7), 4);
  EXPECT_EQ(c.reals.lengths(22), kComponents * 4);
  EXPECT_EQ(c.reals.lengths(1), 175);
  EXPECT_EQ(c.integers.lengths(49), 0);
}

// Records changed through the set-ups of every class are saved by the close.
TEST_F(FlowsheetPersistence, ChangesMadeThroughTheSetUpsAreSaved) {
  problem::UNSET(1, 0);
  CORSTO[problem::UNCURR.context2.integerSector + 5] = 1105;
  problem::VSSET(1, 0);
  CORSTO[problem::SPCUR.integerSectors[0] + 1] = 2201;
  problem::NCSET(1, 0);
  CORSTO[problem::SPCUR.integerSectors[0] + 2] = 3302;
  problem::RXSET(1, 0);
  CORSTO[problem::RXCUR.context2.integerSectors[0] + 3] = 4403;
  reopen();

  problem::UNSET(1, 10);
  EXPECT_EQ(CORSTO[problem::UNCURR.context2.integerSector + 5], 1105);
  problem::VSSET(1, 10);
  EXPECT_EQ(CORSTO[problem::SPCUR.integerSectors[0] + 1], 2201);
  problem::NCSET(1, 10);
  EXPECT_EQ(CORSTO[problem::SPCUR.integerSectors[0] + 2], 3302);
  problem::RXSET(1, 10);
  EXPECT_EQ(CORSTO[problem::RXCUR.context2.integerSectors[0] + 3], 4403);
}

}  // namespace
