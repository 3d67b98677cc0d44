#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "case_test_support.hpp"
#include "storage/file_layer_support.hpp"

namespace {

using case_tests::CaseDatabase;
using problem::DBHNDL;
using problem::DBSESS;
using services::NOCORE;
using storage::CORSTO;
using storage::DiskPointer;

constexpr std::int32_t kMasterWords = problem::kProblemMasterWords;

std::int32_t slotCount(std::int32_t handle) { return CORSTO[handle + storage::scword::kSlotCount]; }

// A plain sub-block of one integer sector holding VALUES, written to disk.
DiskPointer writeRecord(const std::vector<std::int32_t>& values) {
  std::int32_t len = 0;
  std::int32_t p = NOCORE;
  std::int32_t ierr = 0;
  storage::SBSGLC(len, p, 0, ierr, 0, 0, 0, static_cast<std::int32_t>(values.size()), 0, 0, 0);
  const std::int32_t start = storage::SBCUR.pointer(storage::SectorKind::Integer, 1);
  for (std::size_t i = 0; i < values.size(); ++i) {
    CORSTO[start + static_cast<std::int32_t>(i) + 1] = values[i];
  }
  DiskPointer pointer = storage::emptyDiskPointer();
  std::int32_t status = 0;
  storage::SBWTC(len, p, pointer, status);
  storage::CMFREI(p);
  return pointer;
}

// The integers of the sub-block a pointer names.
std::vector<std::int32_t> readRecord(const DiskPointer& pointer) {
  std::int32_t len = 0;
  std::int32_t p = NOCORE;
  std::int32_t status = 0;
  storage::SBRDC(len, p, pointer, status);
  std::vector<std::int32_t> values;
  if (status != 0) return values;
  const std::int32_t start = storage::SBCUR.pointer(storage::SectorKind::Integer, 1);
  for (std::int32_t i = 1; i <= storage::SBCUR.length(storage::SectorKind::Integer, 1); ++i) {
    values.push_back(CORSTO[start + i]);
  }
  storage::CMFREI(p);
  return values;
}

// The integers of a sub-block held in core.
std::vector<std::int32_t> heldValues(const problem::HeldBlock& block) {
  storage::SBSETC(block.length, block.core);
  std::vector<std::int32_t> values;
  const std::int32_t start = storage::SBCUR.pointer(storage::SectorKind::Integer, 1);
  for (std::int32_t i = 1; i <= storage::SBCUR.length(storage::SectorKind::Integer, 1); ++i) {
    values.push_back(CORSTO[start + i]);
  }
  return values;
}

using CaseTables = CaseDatabase;

TEST_F(CaseTables, SlotCountsFollowOpt) {
  for (const std::int32_t opt : {0, 1, 7}) {
    SCOPED_TRACE(opt);
    load("BASECASE", opt);
    const auto full = [&](std::int32_t slots) { return opt == 0 ? slots : 1; };
    const auto& sr = problem::SLOTC2.sr;
    EXPECT_EQ(slotCount(sr.mainSlots), full(30));
    for (std::size_t t = 1; t <= problem::kStreamRecordTypes; ++t) {
      EXPECT_EQ(slotCount(sr.typeSlots(t)), full(2)) << "record type " << t;
    }
    EXPECT_EQ(slotCount(DBHNDL.lp.slots), full(5));
    EXPECT_EQ(slotCount(problem::SLOTCT.rx.slots), full(20));
    EXPECT_EQ(slotCount(problem::UNSLTC.un.slots), full(5));
    EXPECT_EQ(slotCount(problem::SLOTCT.vs.slots), full(20));
  }
  problem::DBCSAV();
  const auto& sr = problem::SLOTC2.sr;
  EXPECT_EQ(sr.mainSlots, NOCORE);
  for (std::size_t t = 1; t <= problem::kStreamRecordTypes; ++t) {
    EXPECT_EQ(sr.typeSlots(t), NOCORE);
  }
}

TEST_F(CaseTables, ReadersClearTheCurrentEntities) {
  problem::SRPSET.set1.stream = 4;
  problem::SRPSET.set2.stream = 5;
  problem::UNCURR.context1.unit = 1;
  problem::UNCURR.context2.unit = 2;
  problem::UNCURR.context3.unit = 3;
  problem::PAUWRK.context2.unit = 6;
  problem::SPCUR.item = 7;
  problem::RXCUR.context1.reaction = 8;
  problem::RXCUR.context2.reaction = 9;
  problem::UNSLTC.un.work[0] = {10, 12345};
  problem::UNSLTC.un.workWord = 0;
  load("BASECASE");
  EXPECT_EQ(problem::SRPSET.set1.stream, 0);
  EXPECT_EQ(problem::SRPSET.set2.stream, 0);
  EXPECT_EQ(problem::UNCURR.context1.unit, 0);
  EXPECT_EQ(problem::UNCURR.context2.unit, 0);
  EXPECT_EQ(problem::UNCURR.context3.unit, 0);
  EXPECT_EQ(problem::PAUWRK.context2.unit, 0);
  EXPECT_EQ(problem::SPCUR.item, 0);
  EXPECT_EQ(problem::RXCUR.context1.reaction, 0);
  EXPECT_EQ(problem::RXCUR.context2.reaction, 0);
  EXPECT_FALSE(problem::UNSLTC.un.work[0].held());
  EXPECT_EQ(problem::UNSLTC.un.work[0].length, 0);
  EXPECT_EQ(problem::UNSLTC.un.workWord, 100);
}

TEST_F(CaseTables, StreamTableHoldsTheMainRecordLength) {
  // Header 22 words, 1 sizing value, 3 words of pointer-sector table and 2 per integer and
  // real sector: 38; 31 disk pointers of 9 words, 46 integers, one word to make 364 even,
  // 95 reals; then four vectors of max(NCSTRM, 1) 8-byte reals.
  for (const std::int32_t ncstrm : {0, 1, 3, 10}) {
    SCOPED_TRACE(ncstrm);
    EXPECT_EQ(problem::streamMainRecordLength(ncstrm), 554 + 8 * std::max(ncstrm, 1));
  }
  std::array<std::int32_t, problem::kStreamTableWords> words{};
  words.fill(-1);
  problem::newStreamTable(words, 3);
  EXPECT_EQ(words[0], 0);
  EXPECT_EQ(words[1], 578);
  for (std::size_t k = 3; k <= words.size(); ++k) EXPECT_EQ(words[k - 1], 0) << k;

  load("BASECASE");
  EXPECT_EQ(problem::SLOTC2.sr.srtabi(1), 0);
  EXPECT_EQ(problem::SLOTC2.sr.srtabi(2), 578) << "three components in the fixture";
}

TEST_F(CaseTables, ChangedReactionIsWrittenAndItsEntryTakesTheNewPointer) {
  load("BASECASE");
  problem::RxTable& rx = problem::SLOTCT.rx;
  // Two reactions with records on disk, both cached; only the first is marked changed.
  const DiskPointer stored1 = writeRecord({1, 2, 3});
  const DiskPointer stored2 = writeRecord({4, 5, 6});
  std::array<std::int32_t, 2> entries{};
  const std::array<std::string, 2> keys{"R1          SET1", "R2          SET1"};
  const std::array<DiskPointer, 2> stored{stored1, stored2};
  for (std::size_t i = 0; i < 2; ++i) {
    DiskPointer pointer = stored[i];
    std::array<std::int32_t, 4> data{2, 0, 1, 1};
    std::int32_t status = 0;
    storage::FBINAM(2, rx.reactionIndex, keys[i], 2, entries[i], pointer, data, status);
    ASSERT_EQ(status, 0);
  }
  // Reaction 1's slot gets a longer record; reaction 2's a changed one left unmarked.
  const std::int32_t room = storage::dp(stored1, storage::dpword::kTotalLength) + 40;
  std::int32_t slot = 0, p = 0, prev = 0;
  storage::SCFIND(entries[0], room, 0, rx.slots, slot, p, prev);
  std::int32_t len = room;
  std::int32_t ierr = 0;
  storage::SBSGLC(len, p, 0, ierr, 0, 0, 0, 12, 0, 0, 0);
  const std::int32_t built = storage::SBCUR.header(storage::sbhead::kTotalLength);
  const std::int32_t start = storage::SBCUR.pointer(storage::SectorKind::Integer, 1);
  for (std::int32_t i = 1; i <= 12; ++i) CORSTO[start + i] = 100 + i;
  storage::SCSET(rx.slots, slot, "WRITE", "INCREASE", 1);
  std::int32_t slot2 = 0;
  storage::SCFIND(entries[1], storage::dp(stored2, storage::dpword::kTotalLength), 0, rx.slots,
                  slot2, p, prev);
  std::int32_t len2 = storage::dp(stored2, storage::dpword::kTotalLength);
  std::int32_t status = 0;
  storage::SBRDC(len2, p, stored2, status);
  CORSTO[storage::SBCUR.pointer(storage::SectorKind::Integer, 1) + 1] = -4;

  problem::DBCSAV();
  load("BASECASE");
  std::array<DiskPointer, 2> now{};
  for (std::size_t i = 0; i < 2; ++i) {
    std::array<char, 24> name{};
    std::array<std::int32_t, 4> data{};
    storage::FBINUM(1, rx.reactionIndex, entries[i], name, now[i], data, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(data[0], 2);
  }
  EXPECT_NE(now[0], stored1) << "the longer record moved and its entry took the new pointer";
  EXPECT_EQ(storage::dp(now[0], storage::dpword::kTotalLength), built);
  std::vector<std::int32_t> expected;
  for (std::int32_t i = 1; i <= 12; ++i) expected.push_back(100 + i);
  EXPECT_EQ(readRecord(now[0]), expected);
  EXPECT_EQ(now[1], stored2);
  EXPECT_EQ(readRecord(now[1]), (std::vector<std::int32_t>{4, 5, 6}))
      << "a slot with write flag 0 is not written";
}

TEST_F(CaseTables, SubBlocksAreHeldAndWrittenOnlyWhereTheyExist) {
  // A case whose CS, LP and SQ tables name sub-blocks; SQ without its second one.
  load("BASECASE");
  std::int32_t status = 0;
  problem::DBRCS1(status);
  EXPECT_EQ(status, 1) << "the fixture's case has no CS sub-block";
  DBHNDL.cs.shortcut.pointerAt(1) = writeRecord({11});
  DBHNDL.lp.shortcut.pointerAt(1) = writeRecord({21, 22});
  DBHNDL.sq.shortcut.pointerAt(1) = writeRecord({31});
  DBHNDL.sq.shortcut.pointerAt(3) = writeRecord({33, 34, 35});
  problem::DBCSAV();

  load("BASECASE");
  EXPECT_EQ(heldValues(DBHNDL.cs.block), std::vector<std::int32_t>{11});
  EXPECT_EQ(heldValues(DBHNDL.lp.block), (std::vector<std::int32_t>{21, 22}));
  EXPECT_EQ(heldValues(DBHNDL.sq.blocks[0]), std::vector<std::int32_t>{31});
  EXPECT_FALSE(DBHNDL.sq.blocks[1].held());
  EXPECT_EQ(DBHNDL.sq.blocks[1].length, 0);
  EXPECT_EQ(heldValues(DBHNDL.sq.blocks[2]), (std::vector<std::int32_t>{33, 34, 35}));
  problem::releaseHeld(DBHNDL.cs.block);
  problem::DBRCS1(status);
  EXPECT_EQ(status, 0);

  // Changed in core, written back at the save; sub-block 2 stays without a block.
  const std::array<std::pair<problem::HeldBlock*, std::int32_t>, 3> changes{
      {{&DBHNDL.cs.block, 12}, {&DBHNDL.sq.blocks[0], 32}, {&DBHNDL.sq.blocks[2], 36}}};
  for (const auto& [block, value] : changes) {
    storage::SBSETC(block->length, block->core);
    CORSTO[storage::SBCUR.pointer(storage::SectorKind::Integer, 1) + 1] = value;
  }
  problem::DBCSAV();
  EXPECT_FALSE(DBHNDL.sq.blocks[0].held()) << "the save frees what it writes";
  EXPECT_FALSE(DBHNDL.cs.block.held());
  std::vector<std::int32_t> image = storedCaseMaster("BASECASE");
  problem::Shortcut<0, 0, 3, 0> sq;
  problem::readShortcut(kMasterWords, image, "SQ", sq);
  EXPECT_EQ(readRecord(sq.pointerAt(1)), std::vector<std::int32_t>{32});
  EXPECT_EQ(sq.pointerAt(2), storage::emptyDiskPointer());
  EXPECT_EQ(readRecord(sq.pointerAt(3)), (std::vector<std::int32_t>{36, 34, 35}));
  problem::Shortcut<0, 0, 1, 0> cs;
  problem::readShortcut(kMasterWords, image, "CS", cs);
  EXPECT_EQ(readRecord(cs.pointerAt(1)), std::vector<std::int32_t>{12});
}

// A case master block holding BASECASE's keys but SKIP, and RW as given, entered in the
// case index under NAME.
class BrokenCases : public CaseDatabase {
 protected:
  void enterCase(std::string_view name, std::string_view skip, bool emptyRw) {
    std::vector<std::int32_t> base = storedCaseMaster("BASECASE");
    std::vector<std::int32_t> broken = fixtures::emptyMasterBlock(40);
    const auto brokenLength = static_cast<std::int32_t>(broken.size());
    for (const char* key : {"CS", "LP", "RW", "RX", "SQ", "SR", "UN", "VS", "OLD"}) {
      if (key == skip) continue;
      std::int32_t value = 0;
      DiskPointer pointer{};
      storage::MBGET(kMasterWords, base, key, value, pointer);
      storage::MBPUT(brokenLength, broken, key, value, pointer);
    }
    if (emptyRw) {
      problem::Shortcut<0, 0, 1, 0> rw;
      problem::writeShortcut(brokenLength, broken, "RW", rw);
    }
    DiskPointer pointer = storage::emptyDiskPointer();
    std::int32_t status = 0;
    storage::SBWTA(brokenLength, broken, pointer, status);
    std::int32_t entry = 0;
    storage::FBINAM(2, DBSESS.caseIndex, name, 0, entry, pointer, {}, status);
  }
};

TEST_F(BrokenCases, MissingKeyEndsTheLoad) {
  for (const char* key : {"CS", "LP", "RW", "RX", "SQ", "SR", "UN", "VS", "OLD"}) {
    SCOPED_TRACE(key);
    DBSESS.caseName.blank();
    enterCase("BROKEN", key, false);
    std::int32_t status = 0;
    file_tests::expectAbort([&] { problem::DBCSEL("BROKEN", 0, status); },
                            "BLOCK IS NOT A SHORTCUT BLOCK", {"BLK TYP 0"});
  }
}

TEST_F(BrokenCases, RwTableWithoutBlockEndsTheLoad) {
  enterCase("NORW", "", true);
  std::int32_t status = 0;
  file_tests::expectAbort([&] { problem::DBCSEL("NORW", 0, status); },
                          "BLOCK IS NOT A FLAT INTEGER BLOCK", {"BLK TYP 0"});
}

}  // namespace
