#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <string>
#include <vector>

#include "file_layer_support.hpp"
#include "services/run_options.hpp"

namespace {

using file_tests::expectAbort;
using storage::fileLayer;

// Words 1, 2, 3 ... N: word w of a block holds w.
std::vector<std::int32_t> numbered(std::size_t n, std::int32_t from = 1) {
  std::vector<std::int32_t> words(n);
  std::iota(words.begin(), words.end(), from);
  return words;
}

// A group on real files, seen through a counting wrapper.
class RecordIo : public file_tests::FileLayerTest {
 protected:
  void start(std::vector<std::int32_t> sizes = {125}) {
    plan_ = group(21, std::move(sizes));
    fixtures::createFileGroup(plan_);
    file_tests::attach(21, plan_.baseName);
    counting_.setFaults({});
  }

  // Writes a new block of the words in file 1 and returns its address.
  std::int32_t newBlock(std::vector<std::int32_t> words, std::int32_t reserved = 0) {
    std::int32_t address = 211000000;
    const auto n = static_cast<std::int32_t>(words.size());
    storage::FILEIO(2, words, n, std::max(n, reserved), address);
    return address;
  }

  std::vector<std::int32_t> readBlock(std::int32_t address, std::size_t n) {
    std::vector<std::int32_t> words(n, 0);
    const auto count = static_cast<std::int32_t>(n);
    storage::FILEIO(1, words, count, count, address);
    return words;
  }

  std::vector<std::int32_t> record(std::int32_t number, std::size_t n = 125) const {
    return fixtures::readRecordWords(fixtures::groupFileName(plan_, 1), 125, number, n);
  }

  std::int64_t calls(storage::RecordRoutine routine) const {
    return fileLayer.recordCalls(1)(static_cast<std::size_t>(routine));
  }

  platform::FaultyFileSystem counting_{platform::hostFileSystem()};
  platform::UseDirectFileSystem use_{counting_};
  fixtures::FileGroupPlan plan_;
};

TEST_F(RecordIo, ABlockIsSplitIntoRecordsAndTheLastHoldsTheRest) {
  start();
  const auto words = numbered(300);
  const std::int32_t address = newBlock(words);
  EXPECT_EQ(address, 211000003);
  EXPECT_EQ(counting_.writes(), 3);
  EXPECT_EQ(calls(storage::RecordRoutine::FIUAN), 3) << "the records of a block just placed";
  EXPECT_EQ(storage::CURRTN.fi.trimmed(), "FILEIO");

  // Records 3 and 4 full, record 5 words 251-300.
  EXPECT_EQ(record(3), numbered(125, 1));
  EXPECT_EQ(record(4), numbered(125, 126));
  auto last = numbered(50, 251);
  last.resize(125, 0);
  EXPECT_EQ(record(5), last);

  counting_.setFaults({});
  EXPECT_EQ(readBlock(address, 300), words);
  EXPECT_EQ(counting_.reads(), 3);
  EXPECT_EQ(calls(storage::RecordRoutine::FIURN), 5)
      << "the header and free-space records at the attach, then three";
}

TEST_F(RecordIo, OnlyTheWordsToTransferTravelButTheWholeLengthIsReserved) {
  start();
  std::vector<std::int32_t> words = numbered(400);
  std::int32_t address = services::NODISK;
  storage::FILEIO(2, words, 100, 400, address);
  EXPECT_EQ(address, 211000003);
  EXPECT_EQ(counting_.writes(), 1);
  EXPECT_EQ(newBlock(numbered(10)), 211000007) << "four records were reserved";

  // Rewriting the existing block goes through the rewrite routine at the same address.
  storage::FILEIO(2, words, 100, 400, address);
  EXPECT_EQ(address, 211000003);
  EXPECT_EQ(calls(storage::RecordRoutine::FIUWN), 1);
}

TEST_F(RecordIo, BadWholeBlockRequestsAreRefused) {
  start();
  std::vector<std::int32_t> words(10, 0);
  struct Case {
    const char* what;
    std::int32_t iopt, lendat, lentot;
  };
  for (const Case& c :
       {Case{"nothing to transfer", 2, 0, 10}, Case{"more than reserved", 2, 11, 10},
        Case{"option 3", 3, 5, 10}, Case{"longer than the data", 1, 12, 20}}) {
    SCOPED_TRACE(c.what);
    std::int32_t address = 211000003;
    expectAbort([&] { storage::FILEIO(c.iopt, words, c.lendat, c.lentot, address); },
                "BAD FULL BLOCK I/O REQUEST",
                {"I/O OPT " + std::to_string(c.iopt), "I/O LEN " + std::to_string(c.lendat),
                 "FUL LEN " + std::to_string(c.lentot), "BLK NUM 211000003"});
  }
}

TEST_F(RecordIo, CharactersTravelFourToAWordAndFourRecordLengthsToARecord) {
  start();
  std::string text(1100, ' ');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('A' + i % 26);
  std::int32_t address = services::NODISK;
  storage::CHARIO(2, text, 1100, 1100, address);
  EXPECT_EQ(address, 211000003);
  EXPECT_EQ(counting_.writes(), 3);
  EXPECT_EQ(newBlock(numbered(1)), 211000006) << "275 words reserved: three records";

  const auto words = record(4, 1);
  EXPECT_EQ(words[0],
            storage::packWord(std::array<char, 4>{text[500], text[501], text[502], text[503]}));
  std::string back(1100, '#');
  storage::CHARIO(1, back, 1100, 1100, address);
  EXPECT_EQ(back, text);
}

TEST_F(RecordIo, PartialReadsUseTheCacheOnlyForAFirstRecordEnteredInItsMiddle) {
  start();
  const std::int32_t address = newBlock(numbered(300));
  counting_.setFaults({});
  std::vector<std::int32_t> data(100, 0);

  // Words 120 to 129: 125 words of the first record into the cache, 4 of the second.
  storage::FILPRT(1, data, 10, 300, address, 120);
  EXPECT_EQ(std::vector<std::int32_t>(data.begin(), data.begin() + 10), numbered(10, 120));
  EXPECT_EQ(counting_.reads(), 2);
  EXPECT_EQ(fileLayer.cache.address, 211000003);
  EXPECT_EQ(fileLayer.cache.held, 125);

  // Within the cached record: no read.
  storage::FILPRT(1, data, 5, 300, address, 121);
  EXPECT_EQ(std::vector<std::int32_t>(data.begin(), data.begin() + 5), numbered(5, 121));
  EXPECT_EQ(counting_.reads(), 2);

  // From word 1 the record is read straight into the data, and the cache is emptied.
  storage::FILPRT(1, data, 100, 300, address, 1);
  EXPECT_EQ(data, numbered(100));
  EXPECT_EQ(counting_.reads(), 3);
  EXPECT_EQ(fileLayer.cache.address, 0);
}

TEST_F(RecordIo, APartialWriteKeepsTheUsedWordsAroundTheNewOnes) {
  start();
  struct Case {
    std::int32_t ispos, lendat;
  };
  for (const Case& c :
       {Case{3, 5}, Case{100, 200}, Case{126, 125}, Case{290, 11}, Case{1, 300}, Case{250, 1}}) {
    SCOPED_TRACE(std::to_string(c.ispos) + " " + std::to_string(c.lendat));
    const std::int32_t address = newBlock(numbered(300));
    auto expected = numbered(300);
    auto data = numbered(static_cast<std::size_t>(c.lendat), 1000);
    std::copy(data.begin(), data.end(), expected.begin() + (c.ispos - 1));
    storage::FILPRT(2, data, c.lendat, 300, address, c.ispos, 300);
    EXPECT_EQ(readBlock(address, 300), expected);
    // A partial read after the write sees the new words, cached or not.
    std::vector<std::int32_t> back(static_cast<std::size_t>(c.lendat), 0);
    storage::FILPRT(1, back, c.lendat, 300, address, c.ispos);
    EXPECT_EQ(back, data);
  }
}

TEST_F(RecordIo, APartialWriteInsideOneRecordRewritesItsUsedWords) {
  start();
  const std::int32_t address = newBlock(numbered(50));
  counting_.setFaults({});
  auto data = numbered(5, 900);
  storage::FILPRT(2, data, 5, 50, address, 3);
  EXPECT_EQ(counting_.reads(), 1);
  EXPECT_EQ(counting_.writes(), 1);
  auto expected = numbered(50);
  std::copy(data.begin(), data.end(), expected.begin() + 2);
  expected.resize(125, 0);
  EXPECT_EQ(record(3), expected) << "fifty words written back";
  EXPECT_EQ(fileLayer.cache.address, 211000003);
  EXPECT_EQ(fileLayer.cache.held, 50);
}

TEST_F(RecordIo, PartialRequestsMustStayWithinTheBlock) {
  start();
  const std::int32_t address = newBlock(numbered(50));
  std::vector<std::int32_t> data(10, 7);
  storage::FILPRT(2, data, 5, 50, address, 51);  // an append
  EXPECT_EQ(readBlock(address, 55)[52], 7);

  struct Case {
    const char* what;
    std::int32_t iopt, lendat, lenuse, ispos;
  };
  for (const Case& c :
       {Case{"write after a gap", 2, 5, 50, 52}, Case{"read past the used words", 1, 5, 50, 47},
        Case{"position 0", 1, 5, 50, 0}, Case{"option 3", 3, 5, 50, 1},
        Case{"longer than the data", 1, 11, 50, 1}}) {
    SCOPED_TRACE(c.what);
    expectAbort([&] { storage::FILPRT(c.iopt, data, c.lendat, c.lenuse, address, c.ispos); },
                "BAD PARTIAL BLOCK I/O REQUEST",
                {"I/O OPT " + std::to_string(c.iopt), "I/O LEN " + std::to_string(c.lendat),
                 "FUL LEN " + std::to_string(c.lenuse), "BLK NUM 211000003",
                 "1ST WRD " + std::to_string(c.ispos)});
  }
}

// A partial write that ran past the records reserved for its block would overwrite the next
// block; it is refused.
TEST_F(RecordIo, APartialWriteNeverRunsIntoTheNextBlock) {
  start();
  const std::int32_t first = newBlock(numbered(250));  // records 3 and 4
  const std::int32_t next = newBlock(numbered(125, 5000));
  ASSERT_EQ(next, 211000005);
  std::vector<std::int32_t> data(60, -1);
  struct Case {
    const char* what;
    std::int32_t lendat, lenuse, ispos, lentot;
    bool allowed;
  };
  for (const Case& c : {Case{"past the reserved length", 20, 250, 240, 250, false},
                        Case{"past the used records", 20, 250, 240, 0, false},
                        Case{"to the end of the used records", 50, 200, 201, 0, true},
                        Case{"one word further", 51, 200, 201, 0, false},
                        Case{"reserved length below the used length", 1, 250, 1, 200, false}}) {
    SCOPED_TRACE(c.what);
    const auto call = [&] {
      storage::FILPRT(2, data, c.lendat, c.lenuse, first, c.ispos, c.lentot);
    };
    if (c.allowed) {
      call();
    } else {
      expectAbort(call, "BAD PARTIAL BLOCK I/O REQUEST",
                  {"I/O OPT 2", "I/O LEN " + std::to_string(c.lendat),
                   "FUL LEN " + std::to_string(c.lenuse), "BLK NUM 211000003",
                   "1ST WRD " + std::to_string(c.ispos)});
    }
    EXPECT_EQ(readBlock(next, 125), numbered(125, 5000));
  }
}

// A character write of a record that the cache holds must empty the cache, or a later
// partial read returns the words the record held before.
TEST_F(RecordIo, ACharacterWriteOfACachedRecordEmptiesTheCache) {
  start();
  std::string text(500, 'A');
  std::int32_t address = services::NODISK;
  storage::CHARIO(2, text, 500, 500, address);
  std::vector<std::int32_t> data(2, 0);
  storage::FILPRT(1, data, 2, 125, address, 2);
  ASSERT_EQ(fileLayer.cache.address, address);

  text.assign(500, 'B');
  storage::CHARIO(2, text, 500, 500, address);
  EXPECT_EQ(fileLayer.cache.address, 0);
  storage::FILPRT(1, data, 2, 125, address, 2);
  EXPECT_EQ(data[0], storage::packWord(std::array<char, 4>{'B', 'B', 'B', 'B'}));
}

TEST_F(RecordIo, FailedTransfersEndInTheirNumberedAbortNamingTheFile) {
  start();
  const std::string file1 = fixtures::groupFileName(plan_, 1);
  counting_.setFaults({.failWrite = 1});
  std::vector<std::int32_t> words = numbered(100);
  std::int32_t address = services::NODISK;
  expectAbort([&] { storage::FILEIO(2, words, 100, 100, address); },
              "FORTRAN ERROR WRITING FILE - \"" + file1 + "\"",
              {"ERR NUM 5", "UNT NUM 7", "GRP/UNT 211", "REC NUM 211000003", "REC LEN 100"});

  counting_.setFaults({});
  address = newBlock(numbered(100));
  counting_.setFaults({.shortRead = 1});
  expectAbort([&] { readBlock(address, 100); }, "FORTRAN ERROR READING FILE - \"" + file1 + "\"",
              {"ERR NUM -1", "UNT NUM 7", "GRP/UNT 211", "REC NUM " + std::to_string(address),
               "REC LEN 100"});
}

TEST_F(RecordIo, AFlippedByteInTheHeaderRecordEndsInACleanAbort) {
  auto plan = group(21, {125});
  fixtures::createFileGroup(plan);
  counting_.setFaults({.flipRead = 1, .flipOffset = 0});
  expectAbort([&] { file_tests::attach(21, plan.baseName); }, "INCORRECT FILE OPENED",
              {"REQ GRP 21", "ACT GRP 234", "REQ SIZ 125", "ACT SIZ 125"});
}

TEST_F(RecordIo, TimingCountsOnlyWhileTheSwitchIsOn) {
  start();
  const std::int32_t address = newBlock(numbered(300));
  const auto before = services::TIMST2.calls(storage::kTimingSlotFILEIO);
  const auto reads = services::TIMST2.calls(storage::kTimingSlotFIURN);
  readBlock(address, 300);
  EXPECT_EQ(services::TIMST2.calls(storage::kTimingSlotFILEIO), before);

  services::GDPOPT.words(100 + services::kTimingSwitch) = 1;
  readBlock(address, 300);
  services::GDPOPT.words(100 + services::kTimingSwitch) = 0;
  EXPECT_EQ(services::TIMST2.calls(storage::kTimingSlotFILEIO), before + 1);
  EXPECT_EQ(services::TIMST2.calls(storage::kTimingSlotFIURN), reads + 3);
}

}  // namespace
