// Specifications and CS items: both classes publish their selected record in the one set of
// current-specification words, refuse numbers without a record, and write a changed record
// back when its slot is taken.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "problem/flowsheet_test_support.hpp"

namespace {

using problem::SPCUR;
using services::NOCORE;
using storage::CORSTO;

fixtures::SpecificationSpec spec(const std::string& id, std::int32_t seed,
                                 std::int32_t status = 2) {
  fixtures::SpecificationSpec s;
  s.identifier = id;
  s.status = status;
  s.record = fixtures::specificationRecord(seed);
  return s;
}

class Specifications : public flowsheet_tests::FlowsheetTest {
 protected:
  void SetUp() override {
    fixtures::FlowsheetSpec flowsheet;
    flowsheet.specifications = {spec("SPEC-1", 1), spec("SPEC-2", 2), spec("SPEC-3", 3),
                                spec("SPEC-4", 4, 1)};
    flowsheet.csItems = {spec("CS-1", 11), spec("CS-2", 12), spec("CS-3", 13), spec("CS-4", 14, 1)};
    build(flowsheet);
  }

  // SPCUR describes a record of the seed SEED (the builder's seeded sectors).
  static void expectRecord(std::int32_t seed) {
    for (std::int32_t k = 1; k <= 4; ++k) {
      for (std::int32_t j = 1; j <= 4; ++j) {
        EXPECT_EQ(CORSTO[SPCUR.integerSectors[static_cast<std::size_t>(k - 1)] + j],
                  seed * 1000 + 10 * k + j)
            << k << " " << j;
      }
    }
    EXPECT_EQ(CORSTO.real(SPCUR.realSector + 3), seed + 1 + 0.3);
    EXPECT_EQ(CORSTO[SPCUR.systemSector + 2], seed * 1000 + 12);
  }
};

// Specification 3 and then CS item 3: SPCUR holds 3 both times and describes the record set
// up last.
TEST_F(Specifications, BothClassesPublishIntoTheSameWords) {
  struct Case {
    const char* name;
    void (*set)(std::int32_t, std::int32_t);
    std::int32_t slots;
    std::int32_t seed;
  };
  const std::vector<Case> cases = {
      {"VSSET", problem::VSSET, problem::SLOTCT.vs.slots, 3},
      {"NCSET", problem::NCSET, problem::SLOTCT.nc.slots, 13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.set(3, 10);
    EXPECT_EQ(SPCUR.item, 3);
    expectRecord(c.seed);
    std::int32_t slot = 0, core = 0;
    storage::SCLOC(3, c.slots, slot, core);
    EXPECT_EQ(problem::ENTCUR.pointer, core);
    EXPECT_EQ(CORSTO[core + 3], problem::ENTCUR.length);  // the record's total length

    c.set(2, 3);  // lock at least 3, marked changed
    const auto marks = marksOf(c.slots, 2);
    EXPECT_EQ(marks.lock, 3);
    EXPECT_EQ(marks.write, 1);
    EXPECT_EQ(marksOf(c.slots, 3).write, 0);
  }

  // VSCUR fills SPCUR only for KIND 2.
  const problem::SpecificationContext before = SPCUR;
  problem::VSCUR(1, 1);
  EXPECT_EQ(SPCUR.item, before.item);
  EXPECT_EQ(SPCUR.integerSectors, before.integerSectors);
}

TEST_F(Specifications, NumbersWithoutRecordAbort) {
  struct Case {
    void (*set)(std::int32_t, std::int32_t);
    std::int32_t n;
    std::string message, subsystem, routine;
    std::vector<std::string> items;
  };
  const std::vector<Case> cases = {
      {problem::VSSET, 4, "BAD SPEC NUMBER", "VS", "VSSET", {"SPEC 4", "STATUS 1"}},
      {problem::VSSET, 0, "BAD SPEC NUMBER", "VS", "VSSET", {"SPEC 0", "STATUS 0"}},
      {problem::NCSET, 4, "BAD CS ITEM NUMBER", "NC", "NCSET", {"CS ITEM 4", "STATUS 1"}},
      {problem::NCSET, 99, "BAD CS ITEM NUMBER", "NC", "NCSET", {"CS ITEM 99", "STATUS 0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message + " " + std::to_string(c.n));
    const auto abort = abortOf([&] { c.set(c.n, 0); });
    ASSERT_TRUE(abort.stopped);
    EXPECT_EQ(abort.message, c.message);
    EXPECT_EQ(abort.items, c.items);
    EXPECT_NE(abort.heading.find("SUBSYSTEM " + c.subsystem), std::string::npos);
    EXPECT_NE(abort.heading.find("FAILED IN " + c.routine), std::string::npos);
  }
}

// The current specification's slot taken for another record: the change goes to disk,
// SPCUR's number becomes 0 and its other words stay.
TEST_F(Specifications, TakenSlotWritesBackAndClearsTheCurrentNumber) {
  problem::VSSET(1, 0);
  CORSTO[SPCUR.integerSectors[0] + 1] = 777;
  const problem::SpecificationContext before = SPCUR;
  const std::int32_t slots = problem::SLOTCT.vs.slots;
  const std::int32_t count = CORSTO[slots + storage::scword::kSlotCount];
  std::int32_t slot = 0, ptr = 0, victim = 0;
  for (std::int32_t e = 101; e < 101 + count; ++e) {
    problem::VSSLOT(e, 2, problem::ENTCUR.length, slot, ptr, victim);
    storage::SCSET(slots, slot, "LEVEL", "STORE", 2);  // newcomers stay
  }
  EXPECT_EQ(marksOf(slots, 1).slot, 0);
  EXPECT_EQ(SPCUR.item, 0);
  EXPECT_EQ(SPCUR.integerSectors, before.integerSectors);
  EXPECT_EQ(SPCUR.realSector, before.realSector);

  storage::SCSET(slots, slot, "LEVEL", "STORE", 0);
  problem::VSSET(1, 10);
  EXPECT_EQ(CORSTO[SPCUR.integerSectors[0] + 1], 777);
}

}  // namespace
