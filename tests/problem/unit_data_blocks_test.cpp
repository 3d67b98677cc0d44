// Unit data blocks: loaded by their access code whole or up to the end of a sector, with the
// descriptors of where each loaded sector lies; stored back; and refused with their numbered
// aborts or the unit class's report.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "problem/flowsheet_test_support.hpp"

namespace {

using flowsheet_tests::unit;
using problem::PAUWRK;
using services::NOCORE;
using storage::CORSTO;

constexpr std::int32_t kRich = 1;     // data block of every sector kind
constexpr std::int32_t kSmall = 2;    // one integer sector, one real sector
constexpr std::int32_t kNoData = 3;   // a solved unit without data block
constexpr std::int32_t kPlanned = 4;  // status 1, with a data block

class UnitDataBlocks : public flowsheet_tests::FlowsheetTest {
 protected:
  void SetUp() override {
    fixtures::FlowsheetSpec flowsheet;
    flowsheet.units = {unit("RICH", 110001, "EVERY SECTOR KIND"), unit("SMALL", 110002, "SMALL"),
                       unit("EMPTY", 110003, "NO DATA"), unit("PLANNED", 110004, "PLANNED", 1)};
    flowsheet.units[0].data = flowsheet_tests::richBlock();
    flowsheet.units[1].data = flowsheet_tests::smallBlock();
    flowsheet.units[3].data = flowsheet_tests::smallBlock();
    build(flowsheet);
  }

  static problem::HeldBlock& work() { return problem::UNSLTC.un.work[0]; }

  static std::int32_t blockLength(std::int32_t n) {
    std::int32_t len1 = 0, adr1 = 0, used2 = 0, len2 = 0, adr2 = 0;
    problem::UNLOC(n, len1, adr1, used2, len2, adr2);
    return len2;
  }

  // Element J of an integer-word sector and of an 8-byte sector through its descriptor.
  static std::int32_t word(std::int32_t pointer, std::int32_t j) { return CORSTO[pointer + j]; }
  static double real(std::int32_t pointer, std::int32_t j) { return CORSTO.real(pointer + j); }
};

// Code 132: the whole block in the work area and every sector of context 2 described, with
// the values the builder wrote (element j of sector k: 100 k + j).
TEST_F(UnitDataBlocks, WholeLoadDescribesEverySectorOfContext2) {
  EXPECT_EQ(problem::DBUBLK(132, kRich, 0), 0);
  const problem::UnitBlockContext2& c = PAUWRK.context2;
  EXPECT_EQ(c.unit, kRich);
  EXPECT_EQ(c.block, work().core);
  EXPECT_EQ(work().length, blockLength(kRich));
  EXPECT_EQ(problem::ENTCUR.length, blockLength(kRich));
  EXPECT_EQ(problem::ENTCUR.pointer, work().core);
  EXPECT_EQ(problem::UNREC.pointer, work().core);
  EXPECT_EQ(word(c.block, 3), blockLength(kRich));  // the block's own total length

  EXPECT_NE(c.pointerSector, NOCORE);
  EXPECT_NE(c.vatSector, NOCORE);
  EXPECT_EQ(c.pointers.lengths(1), 2);
  for (std::int32_t k = 1; k <= 23; ++k) {
    SCOPED_TRACE(k);
    for (std::int32_t j = 1; j <= k; ++j) EXPECT_EQ(word(c.systemSectors(k), j), 100 * k + j);
  }
  EXPECT_EQ(c.integers.lengths(1), 3);
  EXPECT_EQ(word(c.integers.pointers(1), 3), 103);
  EXPECT_EQ(c.integers.lengths(2), 0);
  EXPECT_EQ(c.integers.lengths(3), 5);
  EXPECT_EQ(word(c.integers.pointers(3), 5), 305);
  EXPECT_EQ(c.integers.pointers(4), NOCORE);
  EXPECT_EQ(c.reals.lengths(1), 4);
  EXPECT_EQ(real(c.reals.pointers(1), 4), 104.5);
  EXPECT_EQ(real(c.reals.pointers(2), 2), 202.5);
  EXPECT_EQ(c.reals.pointers(3), NOCORE);
  EXPECT_EQ(c.reals.lengths(3), 0);

  // Context 3 describes nothing after a load for context 2.
  EXPECT_EQ(PAUWRK.context3.unit, 0);
  EXPECT_EQ(PAUWRK.context3.integers.pointers(1), NOCORE);
}

TEST_F(UnitDataBlocks, Context3LoadAlsoDescribesSinglesAndDoubles) {
  problem::DBUBLK(132, kRich, 0);
  problem::DBUBLK(133, kRich, 0);
  const problem::UnitBlockContext3& c = PAUWRK.context3;
  EXPECT_EQ(c.unit, kRich);
  EXPECT_EQ(CORSTO.single(c.singles.pointers(1) + 2), 102.5f);
  EXPECT_EQ(c.singles.lengths(1), 2);
  EXPECT_EQ(real(c.doubles.pointers(1), 3), 103.5);
  EXPECT_EQ(word(c.systemSectors(23), 23), 2323);
  EXPECT_EQ(word(c.integers.pointers(1), 1), 101);
  EXPECT_EQ(PAUWRK.context2.unit, 0);
  EXPECT_EQ(PAUWRK.context2.integers.pointers(1), NOCORE);
  EXPECT_EQ(PAUWRK.context2.integers.lengths(1), 0);
}

// The partial loads end where their sector ends in the whole block, and describe only the
// sectors whose data begin inside what they loaded.
TEST_F(UnitDataBlocks, PartialLoadsEndAtTheirSector) {
  problem::DBUBLK(132, kRich, 0);
  const problem::UnitBlockContext2 whole = PAUWRK.context2;
  const std::int32_t base = whole.block;
  // Words before a sector's first element; an 8-byte pointer p has its element 1 at integer
  // words 2p + 1 and 2p + 2.
  const auto wordsBefore = [&](std::int32_t pointer) { return pointer - base; };
  const auto wordsBeforeReal = [&](std::int32_t pointer) { return 2 * pointer - base; };

  struct Case {
    std::int32_t code, isec, length;
    bool integer1, integer3, real1;
  };
  const std::vector<Case> cases = {
      {102, 0, wordsBefore(whole.systemSectors(23)) + 23, false, false, false},
      {112, 0, wordsBefore(whole.systemSectors(23)) + 23, false, false, false},
      {142, 1, wordsBefore(whole.integers.pointers(1)) + 3, true, false, false},
      {142, 3, wordsBefore(whole.integers.pointers(3)) + 5, true, true, false},
      {152, 1, wordsBeforeReal(whole.reals.pointers(1)) + 8, true, true, true},
      {122, 0, blockLength(kRich), true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.code << " " << c.isec);
    problem::DBUBLK(c.code, kRich, c.isec);
    const problem::UnitBlockContext2& loaded = PAUWRK.context2;
    EXPECT_EQ(problem::ENTCUR.length, c.length);
    EXPECT_EQ(loaded.systemSectors(23), whole.systemSectors(23));
    EXPECT_EQ(loaded.integers.pointers(1) != NOCORE, c.integer1);
    EXPECT_EQ(loaded.integers.pointers(3) != NOCORE, c.integer3);
    EXPECT_EQ(loaded.integers.lengths(3), c.integer3 ? 5 : 0);
    EXPECT_EQ(loaded.reals.pointers(1) != NOCORE, c.real1);
    if (c.integer3) {
      EXPECT_EQ(word(loaded.integers.pointers(3), 5), 305);
    }
  }
}

TEST_F(UnitDataBlocks, WorkAreaGrowsAndIsNeverShrunk) {
  problem::DBUBLK(132, kSmall, 0);
  const std::int32_t small = work().length;
  EXPECT_EQ(small, blockLength(kSmall));
  problem::DBUBLK(132, kRich, 0);
  const problem::HeldBlock large = work();
  EXPECT_EQ(large.length, blockLength(kRich));
  EXPECT_GT(large.length, small);

  problem::DBUBLK(132, kSmall, 0);
  EXPECT_EQ(work().core, large.core);
  EXPECT_EQ(work().length, large.length);
  EXPECT_EQ(problem::ENTCUR.length, small);
  EXPECT_EQ(PAUWRK.context2.unit, kSmall);
  EXPECT_EQ(word(PAUWRK.context2.integers.pointers(1), 2), 8);
}

// A store up to the end of real sector 1 carries a change of integer sector 3 but not one of
// real sector 2; the whole-block store carries both, and they outlive the close.
TEST_F(UnitDataBlocks, StoresWriteTheWorkAreaBack) {
  problem::DBUBLK(132, kRich, 0);
  CORSTO[PAUWRK.context2.integers.pointers(3) + 1] = 9999;
  CORSTO.setReal(PAUWRK.context2.reals.pointers(2) + 1, -7.25);
  EXPECT_EQ(problem::DBUBLK(251, kRich, 1), 0);

  problem::DBUBLK(132, kSmall, 0);
  problem::DBUBLK(132, kRich, 0);
  EXPECT_EQ(word(PAUWRK.context2.integers.pointers(3), 1), 9999);
  EXPECT_EQ(real(PAUWRK.context2.reals.pointers(2), 1), 201.5);

  CORSTO.setReal(PAUWRK.context2.reals.pointers(2) + 1, -7.25);
  problem::DBUBLK(232, kRich, 0);
  reopen();
  problem::DBUBLK(132, kRich, 0);
  EXPECT_EQ(word(PAUWRK.context2.integers.pointers(3), 1), 9999);
  EXPECT_EQ(real(PAUWRK.context2.reals.pointers(2), 1), -7.25);
}

// Hundreds digits other than 1 and 2 do nothing, after the unit's status has been checked.
TEST_F(UnitDataBlocks, OtherDirectionsDoNothing) {
  problem::DBUBLK(132, kSmall, 0);
  const problem::CurrentEntityRecord entity = problem::ENTCUR;
  for (std::int32_t code : {332, 32, 932, -132}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(problem::DBUBLK(code, kRich, 0), 0);
    EXPECT_EQ(PAUWRK.context2.unit, kSmall);
    EXPECT_EQ(problem::ENTCUR.length, entity.length);
  }
  const std::string shown = messageAbortOf([] { problem::DBUBLK(332, kPlanned, 0); });
  EXPECT_NE(shown.find("UNIT 4 DOES NOT EXIST OR HAS NO DATA"), std::string::npos) << shown;
}

TEST_F(UnitDataBlocks, NumberedAbortsNameTheirParameters) {
  problem::DBUBLK(132, kSmall, 0);  // the work area: the small block's length
  const std::string small = std::to_string(blockLength(kSmall));
  struct Case {
    std::int32_t code, n;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {132, kPlanned, "UNIT 4 DOES NOT EXIST OR HAS NO DATA"},
      {132, 99, "UNIT 99 DOES NOT EXIST OR HAS NO DATA"},
      {132, 0, "UNIT 0 DOES NOT EXIST OR HAS NO DATA"},
      {162, kRich, "INVALID UNIT DATA BLOCK ACCESS CODE 162"},
      {272, kRich, "INVALID UNIT DATA BLOCK ACCESS CODE 272"},
      {232, kRich,
       "UNIT 1: DATA LENGTH TO STORE " + std::to_string(blockLength(kRich)) +
           " EXCEEDS THE UNIT WORK AREA LENGTH " + small},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    const std::string shown = messageAbortOf([&] { problem::DBUBLK(c.code, c.n, 1); });
    EXPECT_NE(shown.find(c.expected), std::string::npos) << shown;
  }
}

// A length to transfer that the unit's block cannot hold, and a bounding sector the block
// does not have, end in the unit class's report instead of a transfer past the block.
TEST_F(UnitDataBlocks, TransfersPastTheBlockAreRefused) {
  const std::string rich = std::to_string(blockLength(kRich));
  // The data length of unit 1 made longer than its block.
  storage::DiskPointer entry{};
  storage::FBPPNT(1, problem::UNSLTC.un.dataBlocks, kRich, entry);
  storage::dp(entry, storage::dpword::kUsedLength) += 8;
  storage::FBPPNT(2, problem::UNSLTC.un.dataBlocks, kRich, entry);
  const std::string longer = std::to_string(blockLength(kRich) + 8);

  struct Case {
    std::int32_t code, n, isec;
    std::string message;
    std::vector<std::string> items;
  };
  const std::vector<Case> cases = {
      {132, kNoData, 0, "UNIT DATA BLOCK LENGTH INVALID", {"UNIT 3", "LENGTH 0", "BLK LEN 0"}},
      {122,
       kRich,
       0,
       "UNIT DATA BLOCK LENGTH INVALID",
       {"UNIT 1", "LENGTH " + longer, "BLK LEN " + rich}},
      {142, kRich, 9, "SECTOR NOT IN UNIT DATA BLOCK", {"UNIT 1", "KIND 4", "SECTOR 9"}},
      {152, kRich, 0, "SECTOR NOT IN UNIT DATA BLOCK", {"UNIT 1", "KIND 6", "SECTOR 0"}},
      {102, kSmall, 0, "SECTOR NOT IN UNIT DATA BLOCK", {"UNIT 2", "KIND 3", "SECTOR 23"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    const auto abort = abortOf([&] { problem::DBUBLK(c.code, c.n, c.isec); });
    ASSERT_TRUE(abort.stopped);
    EXPECT_EQ(abort.message, c.message);
    EXPECT_EQ(abort.items, c.items);
    EXPECT_NE(abort.heading.find("SUBSYSTEM UN"), std::string::npos) << abort.heading;
    EXPECT_NE(abort.heading.find("FAILED IN DBUBLK"), std::string::npos) << abort.heading;
  }
}

}  // namespace
