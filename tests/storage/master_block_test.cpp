#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "block_test_support.hpp"

namespace {

using block_tests::BlockTest;
using file_tests::expectAbort;
using storage::DiskPointer;
using storage::dp;
namespace dpword = storage::dpword;

class MasterBlock : public BlockTest {
 protected:
  // A shortcut block of N integers, as every master-block entry names.
  DiskPointer table(std::int32_t n) {
    std::vector<std::int32_t> values(static_cast<std::size_t>(n), n);
    DiskPointer pointer = storage::emptyDiskPointer();
    std::int32_t status = 0;
    storage::FBSHRT(2, pointer, n, values, 0, {}, 0, {}, 0, {}, status);
    return pointer;
  }
  std::int32_t len() const { return static_cast<std::int32_t>(master.size()); }
  std::vector<std::int32_t> master = fixtures::emptyMasterBlock(20);
};

TEST_F(MasterBlock, KeysAreAddedReplacedAndFound) {
  const DiskPointer gom = table(10);
  const DiskPointer bp = table(40);
  storage::MBPUT(len(), master, "GOM", 1, gom);
  storage::MBPUT(len(), master, "BP", 2, bp);
  storage::MBPUT(len(), master, "CASE", 3, table(5));

  std::int32_t value = -1;
  DiskPointer got{};
  storage::MBGET(len(), master, "BP", value, got);
  EXPECT_EQ(value, 2);
  EXPECT_EQ(got, bp);
  const std::vector<std::int32_t> before = master;
  storage::MBGET(len(), master, "NOTHING", value, got);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(got, storage::emptyDiskPointer());
  EXPECT_EQ(master, before) << "a get of an absent key changes nothing";

  std::int32_t pos = 0;
  storage::MBFIND(len(), master, "CASE        ", pos);
  EXPECT_EQ(pos, 3);
  storage::MBFIND(len(), master, "CASE", pos);
  EXPECT_EQ(pos, 3);
  storage::MBPUT(len(), master, "GLOBAL-TABLE-ONE", 4, table(3));
  storage::MBFIND(len(), master, "GLOBAL-TABLE-TWO", pos);
  EXPECT_EQ(pos, 4) << "names compare on their first 12 characters";

  // Replacing keeps the position and the count.
  const DiskPointer newer = table(60);
  storage::MBPUT(len(), master, "GOM", 9, newer);
  storage::MBGET(len(), master, "GOM", value, got);
  EXPECT_EQ(value, 9);
  EXPECT_EQ(got, newer);
  storage::MBFIND(len(), master, "GOM", pos);
  EXPECT_EQ(pos, 1);

  // The master block itself survives a write, a new run and a read.
  DiskPointer pointer = storage::emptyDiskPointer();
  std::int32_t status = 0;
  storage::SBWTA(len(), master, pointer, status);
  startRun();
  std::vector<std::int32_t> read(master.size());
  storage::SBRDA(len(), read, pointer, status);
  EXPECT_EQ(read, master);
  storage::MBGET(len(), read, "BP", value, got);
  EXPECT_EQ(got, bp);
  std::vector<std::int32_t> values(40);
  storage::FBSHRT(1, got, 40, values, 0, {}, 0, {}, 0, {}, status);
  EXPECT_EQ(values[39], 40);
}

TEST_F(MasterBlock, FullAndForeignBlocksAbort) {
  master = fixtures::emptyMasterBlock(2);
  storage::MBPUT(len(), master, "ONE", 1, table(1));
  storage::MBPUT(len(), master, "TWO", 2, table(2));
  std::int32_t value = 0;
  DiskPointer got{};
  expectAbort([&] { storage::MBGET(len(), master, "THREE", value, got); }, "MASTER BLOCK IS FULL",
              {});
  expectAbort([&] { storage::MBPUT(len(), master, "THREE", 3, table(3)); },
              "MASTER BLOCK IS FULL", {});
  storage::MBPUT(len(), master, "TWO", 5, table(2));
  storage::MBGET(len(), master, "TWO", value, got);
  EXPECT_EQ(value, 5) << "a full block still takes replacements";

  std::vector<std::int32_t> notMaster = master;
  notMaster[0] = 3;
  std::int32_t pos = 0;
  expectAbort([&] { storage::MBFIND(len(), notMaster, "ONE", pos); },
              "BLOCK IS NOT A MASTER BLOCK", {"BLK TYP 3"});
}

}  // namespace
