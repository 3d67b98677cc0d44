#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "file_layer_support.hpp"

namespace storage {

// How a run prints in a failed expectation.
std::ostream& operator<<(std::ostream& out, const FreeRun& run) {
  return out << run.length << "@" << run.address;
}

}  // namespace storage

namespace {

using file_tests::attach;
using file_tests::expectAbort;
using storage::fileLayer;
using storage::FreeRun;

class DiskSpace : public file_tests::FileLayerTest {
 protected:
  // Attaches a new group 21 of the given record sizes as the output sequence.
  void start(std::vector<std::int32_t> sizes, std::string name = "db",
             std::int32_t freeRecords = -1) {
    auto plan = group(21, std::move(sizes), std::move(name));
    for (auto& file : plan.files) file.freeRecords = freeRecords;
    fixtures::createFileGroup(plan);
    std::int32_t sizeCode = 1;
    while (storage::recordWords(sizeCode) != plan.files[0].recordSize) ++sizeCode;
    attach(21, plan.baseName, 20, -1, sizeCode);
  }

  std::int32_t write(std::int32_t words, std::int32_t address = services::NODISK) {
    std::vector<std::int32_t> data(static_cast<std::size_t>(words), 1);
    storage::FILEIO(2, data, words, words, address);
    return address;
  }

  static FreeRun entry(std::int32_t i) {
    return fileLayer.freeSpace.runs(static_cast<std::size_t>(i));
  }
};

TEST_F(DiskSpace, ANewBlockGoesWhereItCostsLeast) {
  // Cost = 35 per record + words wasted in the last record; a later file wins a tie.
  struct Case {
    std::vector<std::int32_t> sizes;
    std::int32_t length;
    std::int32_t file;
  };
  const std::vector<Case> cases = {
      {{125, 1000}, 300, 1},  // 35 * 3 + 75 = 180 against 35 + 700 = 735
      {{125, 250}, 125, 1},   // 35 against 35 + 125 = 160
      {{125, 125}, 125, 2},   // a tie
      {{250, 125}, 300, 2},   // 70 + 200 = 270 against 180
      {{500, 1000}, 1000, 2},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    storage::FIINIT();
    start(c.sizes, "cost" + std::to_string(++n));
    std::int32_t unit = 0;
    std::int32_t address = 0;
    storage::FINEW(storage::kAnyFile, c.length, unit, address);
    EXPECT_EQ(unit, c.file);
    EXPECT_EQ(address, storage::diskAddress(210 + c.file, c.file == 1 ? 3 : 1));
    const std::int32_t r = c.sizes[static_cast<std::size_t>(c.file - 1)];
    EXPECT_EQ(write(c.length), address + (c.length + r - 1) / r)
        << "the records taken are no longer free";
  }
}

TEST_F(DiskSpace, AnAddressOfRecordZeroAsksForItsOwnFile) {
  start({125, 1000});
  EXPECT_EQ(write(300, 212000000), 212000001) << "although file 1 would cost less";
  EXPECT_EQ(entry(2), (FreeRun{999998, 212000002}));
}

TEST_F(DiskSpace, WhenNoFileEntryIsLongEnoughTheSecondPassSortsFirst) {
  start({125}, "db", 12);  // records 3 to 14 free
  std::vector<std::int32_t> blocks;
  for (int i = 0; i < 4; ++i) blocks.push_back(write(250));
  EXPECT_EQ(blocks, (std::vector<std::int32_t>{211000003, 211000005, 211000007, 211000009}));
  for (int i = 1; i <= 3; ++i) storage::FILFRE(250, blocks[static_cast<std::size_t>(i)]);
  EXPECT_EQ(fileLayer.freeSpace.count, 12);
  EXPECT_EQ(entry(1), (FreeRun{4, 211000011}));

  // Eight records: entry 1 holds four, but the freed runs and it merge into ten.
  EXPECT_EQ(write(1000), 211000005);
  EXPECT_EQ(fileLayer.freeSpace.count, 9);
  EXPECT_EQ(entry(1), (FreeRun{2, 211000013}));
  expectAbort([&] { write(375); }, "NO SPACE AVAILABLE FOR NEW BLOCKS", {"LENGTH 375"});
}

TEST_F(DiskSpace, FreedBlocksReturnToTheFreeSpaceRecordAndAreUsedFirst) {
  start({125});
  std::int32_t block = write(400);
  storage::FILFRE(400, block);
  EXPECT_EQ(block, services::NODISK);
  EXPECT_EQ(storage::CURRTN.fi.trimmed(), "FILFRE");
  EXPECT_EQ(fileLayer.freeSpace.count, 10);
  EXPECT_EQ(entry(10), (FreeRun{4, 211000003}));
  EXPECT_EQ(write(250), 211000003) << "the short freed run is found before the file's own";
  EXPECT_EQ(entry(10), (FreeRun{2, 211000005}));
}

TEST_F(DiskSpace, BadReleasesAreRefused) {
  start({125});
  const std::int32_t block = write(100);
  struct Case {
    const char* what;
    std::int32_t length, address;
    std::string message;
    std::vector<std::string> items;
  };
  const std::vector<Case> cases = {
      {"length 0", 0, block, "BAD BLOCK FREE REQUEST", {"LENGTH 0", "BLK NUM 211000003"}},
      {"the header record",
       125,
       211000001,
       "BAD BLOCK FREE REQUEST",
       {"LENGTH 125", "BLK NUM 211000001"}},
      {"past record 999,999",
       250,
       211999999,
       "BAD BLOCK FREE REQUEST",
       {"LENGTH 250", "BLK NUM 211999999"}},
      {"no block",
       100,
       services::NODISK,
       "ATTEMPT TO WRITE NON-EXISTENT BLOCK",
       {"BLK NUM MISSING"}},
      {"no file", 100, 231000003, "ATTEMPT TO WRITE NON-EXISTENT FILE", {"BLK NUM 231000003"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::int32_t address = c.address;
    expectAbort([&] { storage::FILFRE(c.length, address); }, c.message, c.items);
  }
}

TEST_F(DiskSpace, AReleaseIntoAFullListSortsFirst) {
  start({125});
  std::int32_t block = write(125);
  // 62 entries: the file's run and 61 short runs that do not touch.
  auto& space = fileLayer.freeSpace;
  space.count = 62;
  for (std::int32_t i = 2; i <= 62; ++i) {
    space.runs(static_cast<std::size_t>(i)) = FreeRun{i, storage::diskAddress(211, 1000 * i)};
  }
  storage::FILFRE(125, block);
  EXPECT_EQ(space.count, 9 + 45 + 1);
  EXPECT_EQ(entry(10), (FreeRun{62, 211062000})) << "the longest other run first";
  EXPECT_EQ(entry(55), (FreeRun{1, 211000003})) << "the released block last";
}

TEST(FISORT, MergesNeighboursAndGivesEachFileItsLongestRun) {
  storage::FIINIT();
  auto& space = fileLayer.freeSpace;
  const std::vector<FreeRun> runs = {{3, 211000010}, {2, 212000030}, {5, 212000001},
                                     {2, 211000013}, {4, 212000020}, {1, 211000030},
                                     {0, 211000040}, {5, 212000050}};
  space.count = static_cast<std::int32_t>(9 + runs.size());
  for (std::size_t i = 0; i < runs.size(); ++i) space.runs(10 + i) = runs[i];
  storage::FISORT(0);

  EXPECT_EQ(space.count, 13);
  EXPECT_EQ(space.runs(1), (FreeRun{5, 211000010})) << "3 at 10 and 2 at 13 merged";
  EXPECT_EQ(space.runs(2), (FreeRun{5, 212000001})) << "the first of two equal runs";
  for (std::size_t k = 3; k <= 9; ++k) EXPECT_EQ(space.runs(k), (FreeRun{}));
  EXPECT_EQ(space.runs(10), (FreeRun{5, 212000050}));
  EXPECT_EQ(space.runs(11), (FreeRun{4, 212000020}));
  EXPECT_EQ(space.runs(12), (FreeRun{2, 212000030}));
  EXPECT_EQ(space.runs(13), (FreeRun{1, 211000030}));
  EXPECT_EQ(space.runs(14), (FreeRun{}));
}

TEST(FISORT, DropsTheShortestRunsBeyondTheLimit) {
  for (const std::int32_t option : {1, 0}) {
    SCOPED_TRACE(option);
    storage::FIINIT();
    auto& space = fileLayer.freeSpace;
    space.count = 62;
    for (std::int32_t i = 1; i <= 62; ++i) {
      space.runs(static_cast<std::size_t>(i)) = FreeRun{i, storage::diskAddress(211, 1000 * i)};
    }
    storage::FISORT(option);
    const std::int32_t kept = option == 1 ? 45 : 53;
    EXPECT_EQ(space.count, 9 + kept);
    EXPECT_EQ(space.runs(1).length, 62);
    EXPECT_EQ(space.runs(10).length, 61);
    EXPECT_EQ(space.runs(static_cast<std::size_t>(9 + kept)).length, 62 - kept);
    EXPECT_EQ(space.runs(static_cast<std::size_t>(9 + kept)).address,
              storage::diskAddress(211, 1000 * (62 - kept)));
  }
}

TEST_F(DiskSpace, EveryTransferChecksItsAddressFirst) {
  start({125});
  const std::int32_t block = write(100);
  const auto other = group(22, {125}, "other");
  fixtures::createFileGroup(other);
  attach(22, other.baseName, 10);  // readable

  struct Case {
    std::int32_t option, address;
    std::string message;  // empty: accepted
  };
  const std::vector<Case> cases = {
      {1, services::NODISK, "ATTEMPT TO READ NON-EXISTENT BLOCK"},
      {1, 211000000, "ATTEMPT TO READ NON-EXISTENT BLOCK"},
      {1, 231000001, "ATTEMPT TO READ NON-EXISTENT FILE"},
      {1, -5, "ATTEMPT TO READ NON-EXISTENT FILE"},
      {1, 221000003, ""},
      {2, 221000003, "ATTEMPT TO WRITE READ-ONLY FILE"},
      {2, 231000001, "ATTEMPT TO WRITE NON-EXISTENT FILE"},
      {2, block, ""},
      {3, block, "BLOCK ALREADY RESERVED"},
      {4, services::NODISK, "ATTEMPT TO WRITE NON-EXISTENT BLOCK"},
      {4, 211000000, "ATTEMPT TO WRITE NON-EXISTENT BLOCK"},
      {4, 221000003, "ATTEMPT TO WRITE READ-ONLY FILE"},
      {4, block, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.option) + " " + std::to_string(c.address));
    std::int32_t address = c.address, isNew = -1, code = 0, unit = 0;
    const auto call = [&] { storage::FICHEK(c.option, 100, address, isNew, code, unit); };
    if (c.message.empty()) {
      call();
      EXPECT_EQ(isNew, 0);
      EXPECT_EQ(address, c.address);
      EXPECT_EQ(storage::fileLayer.units(static_cast<std::size_t>(unit)).fileCode,
                storage::fileCodeOf(c.address));
    } else {
      expectAbort(call, c.message,
                  {c.address == services::NODISK ? "BLK NUM MISSING"
                                                 : "BLK NUM " + std::to_string(c.address)});
    }
  }

  // Record 0 of a file of the output sequence places a new block there.
  std::int32_t address = 211000000, isNew = 0, code = 0, unit = 0;
  storage::FICHEK(3, 100, address, isNew, code, unit);
  EXPECT_EQ(isNew, 1);
  EXPECT_EQ(address, 211000004);

  // With no output sequence a new block has nowhere to go.
  storage::FIDTCH(1, storage::kCloseKeep);
  address = services::NODISK;
  expectAbort([&] { storage::FICHEK(2, 100, address, isNew, code, unit); },
              "NO FILE AVAILABLE FOR NEW BLOCKS", {"BLK NUM MISSING"});
}

}  // namespace
