// The slot write-back of the tables whose records are cached in slot controls: only records
// marked written go to disk, under their index entry's pointer, and a slot whose entity has
// no index entry is refused rather than written to no place.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "problem/database.hpp"
#include "services/services.hpp"
#include "storage/block_test_support.hpp"
#include "storage/storage.hpp"

namespace {

using services::NOCORE;
using storage::CORSTO;

class SlotWriteBack : public block_tests::BlockTest {
 protected:
  void SetUp() override {
    BlockTest::SetUp();
    problem::SLOTCT = {};
    problem::NcTable& nc = problem::SLOTCT.nc;
    problem::openIndex(nc.index, {6, 12, 1, 20, 5}, storage::emptyDiskPointer());
    problem::createSlots(nc.slots, 2, 2, 20, 0);
    for (const char* name : {"ITEM-1", "ITEM-2"}) {
      std::int32_t entry = 0;
      std::int32_t status = 0;
      storage::DiskPointer pointer = storage::emptyDiskPointer();
      std::array<std::int32_t, 1> data{2};
      storage::FBINAM(2, nc.index, name, 2, entry, pointer, data, status);
    }
  }

  // Puts a record of one integer VALUE for entity ENT into a slot, marked written or not.
  void cache(std::int32_t ent, std::int32_t value, bool written) {
    std::int32_t len = 0;
    std::int32_t area = NOCORE;
    std::int32_t ierr = 0;
    storage::SBSGLC(len, area, 0, ierr, 0, 0, 0, 1, 0, 0, 0);
    CORSTO[storage::SBCUR.pointer(storage::SectorKind::Integer, 1) + 1] = value;
    std::int32_t slot = 0;
    std::int32_t p = NOCORE;
    std::int32_t prev = 0;
    storage::SCFIND(ent, len, 0, problem::SLOTCT.nc.slots, slot, p, prev);
    for (std::int32_t k = 1; k <= len; ++k) CORSTO[p + k] = CORSTO[area + k];
    storage::CMFREI(area);
    storage::SCSET(problem::SLOTCT.nc.slots, slot, "WRITE", "STORE", written ? 1 : 0);
  }

  storage::DiskPointer entryPointer(std::int32_t ent) {
    std::array<char, 12> name{};
    storage::DiskPointer pointer{};
    std::array<std::int32_t, 1> data{};
    std::int32_t status = 0;
    storage::FBINUM(1, problem::SLOTCT.nc.index, ent, name, pointer, data, status);
    return pointer;
  }
};

TEST_F(SlotWriteBack, WritesOnlyMarkedRecordsAndClearsTheirMarks) {
  cache(1, 111, true);
  cache(2, 222, false);
  problem::DBHNC();

  const storage::DiskPointer written = entryPointer(1);
  ASSERT_NE(storage::dp(written, storage::dpword::kAddress), services::NODISK);
  std::int32_t len = 0;
  std::int32_t p = NOCORE;
  std::int32_t status = 0;
  storage::SBRDC(len, p, written, status);
  EXPECT_EQ(CORSTO[storage::SBCUR.pointer(storage::SectorKind::Integer, 1) + 1], 111);
  EXPECT_EQ(storage::dp(entryPointer(2), storage::dpword::kAddress), services::NODISK);

  const std::int32_t slots = problem::SLOTCT.nc.slots;
  for (std::int32_t s = 1; s <= CORSTO[slots + storage::scword::kSlotCount]; ++s) {
    std::int32_t ent = 0, length = 0, core = 0, lock = 0, write = 0, hier = 0;
    storage::SCGET(slots, s, ent, length, core, lock, write, hier);
    EXPECT_EQ(write, 0) << "slot " << s;
  }
}

TEST_F(SlotWriteBack, RecordWithoutIndexEntryIsRefused) {
  cache(7, 777, true);
  file_tests::expectAbort([] { problem::DBHNC(); },
                           "SLOT HOLDS AN ENTITY THAT HAS NO INDEX ENTRY",
                           {"ENTITY 7", "SLOT 1"});
}

}  // namespace
