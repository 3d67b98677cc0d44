#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "file_layer_support.hpp"

namespace {

using file_tests::abortOf;
using file_tests::attach;
using file_tests::expectAbort;
using storage::fileLayer;

std::string map() { return fileLayer.unitMap.str(); }

// ---------------------------------------------------------------------------------------
// The unit map
// ---------------------------------------------------------------------------------------

class UnitMap : public file_tests::FileLayerTest {};

TEST_F(UnitMap, StartsWithSixReservedNumbersAndTakesTheFirstFreeRun) {
  EXPECT_EQ(map(), std::string(6, '3') + std::string(94, '0'));
  std::int32_t first = 0;
  storage::FIGETU(1, first, '1');
  EXPECT_EQ(first, 7);
  fileLayer.unitMap.at(8) = '1';
  fileLayer.unitMap.at(7) = '0';
  storage::FIGETU(3, first, '2');
  EXPECT_EQ(first, 9) << "7 is free, but 8 is not: the first run of three starts at 9";
  EXPECT_EQ(map().substr(6, 6),
            "01222"
            "0");

  storage::FIRES2(1, 6);
  EXPECT_EQ(map().substr(0, 6), "333333") << "a second reservation changes nothing";
  storage::FIFRE2(3, first, '2');
  EXPECT_EQ(first, -1);
  EXPECT_EQ(map().substr(8, 3), "000");
}

TEST_F(UnitMap, FaultsGoStraightToTheAbortReport) {
  struct Case {
    const char* what;
    std::function<void()> call;
    std::string message;
    std::vector<std::string> items;
  };
  std::int32_t number = 0;
  const std::vector<Case> cases = {
      {"get 0",
       [&] { storage::FIGETU(0, number, '1'); },
       "BAD FILE UNIT GET REQUEST",
       {"NUM UNTS 0"}},
      {"get 10",
       [&] { storage::FIGETU(10, number, '1'); },
       "BAD FILE UNIT GET REQUEST",
       {"NUM UNTS 10"}},
      {"reserve 0 to 3",
       [] { storage::FIRES2(0, 3); },
       "BAD FILE UNIT RESERVE REQUEST",
       {"1ST UNT 0", "LST UNT 3"}},
      {"reserve a taken number",
       [&] {
         storage::FIGETU(1, number, '1');
         storage::FIRES2(5, 7);
       },
       "FILE UNIT ALREADY IN USE",
       {"UNT 7"}},
      {"free 10",
       [&] {
         number = 7;
         storage::FIFRE2(10, number, '1');
       },
       "BAD FILE UNIT FREE REQUEST",
       {"NUM UNT 10", "1ST UNT 7"}},
      {"free past 100",
       [&] {
         number = 100;
         storage::FIFRE2(2, number, '1');
       },
       "BAD FILE UNIT FREE REQUEST",
       {"NUM UNT 2", "1ST UNT 100"}},
      {"another's reserved number",
       [&] {
         number = 3;
         storage::FIFRE2(1, number, '2');
       },
       "FILE UNIT RESERVED",
       {"UNT 3"}},
      {"another's free number",
       [&] {
         number = 50;
         storage::FIFRE2(1, number, '2');
       },
       "FILE UNIT NOT IN USE",
       {"UNT 50"}},
      {"another's on a layer number",
       [&] {
         storage::FIGETU(1, number, '1');
         storage::FIFRE2(1, number, '2');
       },
       "FILE UNIT IN USE BY SYSTEM",
       {"UNT 7"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    storage::FIINIT();
    expectAbort(c.call, c.message, c.items);
  }

  // The layer's own release leaves what others marked as it is.
  storage::FIINIT();
  number = 3;
  storage::FIFRE2(1, number, '1');
  EXPECT_EQ(map().substr(0, 6), "333333");
}

TEST_F(UnitMap, AFullMapRefusesAnotherRun) {
  std::int32_t first = 0;
  for (int k = 0; k < 10; ++k) storage::FIGETU(9, first, '5');
  EXPECT_EQ(first, 88);
  const auto abort = abortOf([&] { storage::FIGETU(5, first, '1'); });
  EXPECT_EQ(abort.message, "INSUFFICIENT FILE UNITS AVAILABLE");
  EXPECT_TRUE(abort.items.empty());
  storage::FIGETU(4, first, '1');
  EXPECT_EQ(first, 97);
}

// ---------------------------------------------------------------------------------------
// Attach
// ---------------------------------------------------------------------------------------

class FIATCH : public file_tests::FileLayerTest {};

TEST_F(FIATCH, MakesTheGroupAnOutputSequenceOfUnits) {
  auto plan = group(21, {125, 250, 1000});
  plan.files[2].created = false;
  plan.masterLength = 250;
  plan.masterAddress = 211000003;
  fixtures::createFileGroup(plan);

  const auto a = attach(21, plan.baseName + "   ", 20, 40);
  EXPECT_EQ(a.sequence, 1);
  EXPECT_EQ(a.file, "DB FILE");
  EXPECT_EQ(a.level, "LEVEL 5");
  EXPECT_EQ(a.description, "A TEST GROUP");
  EXPECT_EQ(a.masterLength, 250);
  EXPECT_EQ(a.masterAddress, 211000003);
  EXPECT_EQ(storage::CURRTN.fi.trimmed(), "FIATCH");

  ASSERT_EQ(fileLayer.unitCount, 3);
  EXPECT_EQ(fileLayer.sequences(1).firstUnit, 1);
  EXPECT_EQ(fileLayer.sequences(1).lastUnit, 3);
  EXPECT_EQ(fileLayer.outputSequence, 1);
  struct Expected {
    std::int32_t fileCode, ioUnit, recordSize;
    storage::UnitFileState state;
  };
  const std::vector<Expected> expected = {{211, 40, 125, storage::UnitFileState::Open},
                                          {212, 41, 250, storage::UnitFileState::Closed},
                                          {213, 42, 1000, storage::UnitFileState::NotCreated}};
  for (std::int32_t k = 1; k <= 3; ++k) {
    SCOPED_TRACE(k);
    const auto& e = expected[static_cast<std::size_t>(k - 1)];
    EXPECT_EQ(unit(k).sequence, 1);
    EXPECT_EQ(unit(k).group, 21);
    EXPECT_EQ(unit(k).fileCode, e.fileCode);
    EXPECT_EQ(unit(k).ioUnit, e.ioUnit);
    EXPECT_EQ(unit(k).recordSize, e.recordSize);
    EXPECT_EQ(unit(k).state, e.state);
    EXPECT_EQ(unit(k).access, storage::FileAccess::ReadWrite);
    EXPECT_EQ(unit(k).status, storage::SequenceStatus::Output);
    EXPECT_EQ(unit(k).name.trimmed(), fixtures::groupFileName(plan, k));
  }
  EXPECT_EQ(map(), std::string(6, '3') + std::string(94, '0')) << "given numbers are not mapped";
  EXPECT_EQ(fileLayer.freeSpace.count, 9);
  EXPECT_EQ(fileLayer.freeSpace.runs(2).address, 212000001);
}

TEST_F(FIATCH, UnitsWithoutANumberDrawOneWhenFirstOpened) {
  const auto plan = group(21, {125, 125});
  fixtures::createFileGroup(plan);
  attach(21, plan.baseName, 20, -1);
  EXPECT_EQ(unit(1).ioUnit, 7) << "file 1 is opened at once: 1 to 6 are reserved";
  EXPECT_EQ(unit(2).ioUnit, -1);
  std::vector<std::int32_t> block(10, 5);
  std::int32_t address = 212000000;
  storage::FILEIO(2, block, 10, 10, address);
  EXPECT_EQ(unit(2).ioUnit, 8);
  EXPECT_EQ(map().substr(6, 3), "110");
}

TEST_F(FIATCH, AReadOnlyGroupIsReadableButNeverTheOutput) {
  auto plan = group(3, {250});
  plan.readOnly = true;
  fixtures::createFileGroup(plan);
  expectAbort([&] { attach(3, plan.baseName, 20, -1, 2); }, "READ ONLY FILE SELECTED FOR OUTPUT",
              {"GROUP 3"});

  storage::FIINIT();
  const auto a = attach(3, plan.baseName, 10, -1, 2);
  EXPECT_EQ(unit(1).status, storage::SequenceStatus::Readable);
  EXPECT_EQ(unit(1).access, storage::FileAccess::ReadOnly);
  EXPECT_EQ(fileLayer.outputSequence, 0);
  std::vector<std::int32_t> words(5, 1);
  std::int32_t address = 31000003;
  expectAbort([&] { storage::FILEIO(2, words, 5, 5, address); }, "ATTEMPT TO WRITE READ-ONLY FILE",
              {"BLK NUM 31000003"});
  static_cast<void>(a);
}

TEST_F(FIATCH, RefusesGroupsItCannotUse) {
  const auto plan = group(21, {125});
  const std::string base = plan.baseName;
  const std::string file1 = fixtures::groupFileName(plan, 1);
  struct Case {
    const char* what;
    std::function<void()> damage;  // applied to a fresh group before the attach
    std::int32_t group, irw, sizeCode;
    std::string message;
    std::vector<std::string> items;
  };
  const auto word = [&](std::size_t w, std::int32_t value) {
    return [&, w, value] { fixtures::writeFileWords(file1, w - 1, {value}); };
  };
  const auto freeWord = [&](std::size_t w, std::int32_t value) {
    return [&, w, value] { fixtures::writeFileWords(file1, 125 + w - 1, {value}); };
  };
  const std::vector<Case> cases = {
      {"missing file",
       [&] { std::filesystem::remove(file1); },
       21,
       20,
       1,
       "FILE NOT FOUND - \"" + file1 + "\"",
       {}},
      {"size code 5",
       [] {},
       21,
       20,
       5,
       "BAD RECORD SIZE",
       {"GRP/UNT 211", "REC SIZ 5", "MAX SIZ 4"}},
      {"other group",
       [] {},
       22,
       20,
       1,
       "INCORRECT FILE OPENED",
       {"REQ GRP 22", "ACT GRP 21", "REQ SIZ 125", "ACT SIZ 125"}},
      {"other record size",
       [] {},
       21,
       20,
       2,
       "INCORRECT FILE OPENED",
       {"REQ GRP 21", "ACT GRP 21", "REQ SIZ 250", "ACT SIZ 125"}},
      {"other byte order",
       word(1, 0x15000000),
       21,
       20,
       1,
       "FILE WAS CREATED ON AN INCOMPATIBLE HARDWARE PLATFORM",
       {"REQ GRP 21", "ACT GRP 352321536", "REQ SIZ 125", "ACT SIZ 125"}},
      {"access code 30",
       [] {},
       21,
       30,
       1,
       "BAD FILE ATTACH REQUEST",
       {"GROUP 21", "ACCESS 30", "LUN -1"}},
      {"group 0", [] {}, 0, 20, 1, "BAD FILE ATTACH REQUEST", {"GROUP 0", "ACCESS 20", "LUN -1"}},
      // A damaged header or free-space record is a numbered abort, never a wild access.
      {"no files",
       word(2, 0),
       21,
       20,
       1,
       "INVALID FILE GROUP HEADER RECORD",
       {"GROUP 21", "WORD 2", "VALUE 0"}},
      {"twelve files",
       word(2, 12),
       21,
       20,
       1,
       "INVALID FILE GROUP HEADER RECORD",
       {"GROUP 21", "WORD 2", "VALUE 12"}},
      {"existence flag 5",
       word(11, 5),
       21,
       20,
       1,
       "INVALID FILE GROUP HEADER RECORD",
       {"GROUP 21", "WORD 11", "VALUE 5"}},
      {"second file of 300 words",
       [&] {
         fixtures::writeFileWords(file1, 1, {2});
         fixtures::writeFileWords(file1, 21, {300});
       },
       21,
       20,
       1,
       "INVALID FILE GROUP HEADER RECORD",
       {"GROUP 21", "WORD 22", "VALUE 300"}},
      {"70 free entries",
       freeWord(1, 70),
       21,
       20,
       1,
       "INVALID FREE-SPACE RECORD",
       {"GROUP 21", "WORD 1", "VALUE 70"}},
      {"negative run",
       freeWord(3, -4),
       21,
       20,
       1,
       "INVALID FREE-SPACE RECORD",
       {"GROUP 21", "WORD 3", "VALUE -4"}},
      {"run over the header record",
       freeWord(64, 211000001),
       21,
       20,
       1,
       "INVALID FREE-SPACE RECORD",
       {"GROUP 21", "WORD 64", "VALUE 211000001"}},
      {"run in another group",
       freeWord(64, 221000005),
       21,
       20,
       1,
       "INVALID FREE-SPACE RECORD",
       {"GROUP 21", "WORD 64", "VALUE 221000005"}},
      {"run past record 999,999",
       freeWord(2, 999998),
       21,
       20,
       1,
       "INVALID FREE-SPACE RECORD",
       {"GROUP 21", "WORD 2", "VALUE 999998"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    storage::FIINIT();
    std::filesystem::remove(file1);
    fixtures::createFileGroup(plan);
    c.damage();
    expectAbort([&] { attach(c.group, base, c.irw, -1, c.sizeCode); }, c.message, c.items);
  }
}

TEST_F(FIATCH, AShortHeaderRecordIsAReadError) {
  const auto plan = group(21, {125});
  fixtures::createFileGroup(plan);
  const std::string file1 = fixtures::groupFileName(plan, 1);
  std::filesystem::resize_file(file1, 100);
  expectAbort([&] { attach(21, plan.baseName); }, "FORTRAN ERROR READING FILE - \"" + file1 + "\"",
              {"ERR NUM -1", "UNT NUM 7", "GRP/UNT 211", "REC NUM 211000001", "REC LEN 125"});
}

TEST_F(FIATCH, AnEleventhGroupIsRefusedBeforeAnythingChanges) {
  for (std::int32_t g = 1; g <= 10; ++g) {
    const auto plan = group(g, {125}, "g" + std::to_string(g));
    fixtures::createFileGroup(plan);
    attach(g, plan.baseName, 10);
  }
  const auto plan = group(11, {125}, "g11");
  fixtures::createFileGroup(plan);
  expectAbort([&] { attach(11, plan.baseName, 10); }, "MAXIMUM FILE GROUPS EXCEEDED",
              {"GRP/UNT 11", "MAX GRPS 10"});
  EXPECT_EQ(fileLayer.unitCount, 10);
}

TEST_F(FIATCH, CountsFileOneTwiceAgainstTheUnitLimit) {
  // With 22 units in use a group of three files is refused although 23 to 25 are free.
  for (const std::int32_t inUse : {21, 22}) {
    SCOPED_TRACE(inUse);
    storage::FIINIT();
    std::int32_t g = 1;
    for (std::int32_t used = 0; used < inUse; ++g) {
      const std::int32_t files = inUse - used >= 3 ? 3 : 1;
      auto plan = group(g, std::vector<std::int32_t>(static_cast<std::size_t>(files), 125),
                        "u" + std::to_string(inUse) + "g" + std::to_string(g));
      fixtures::createFileGroup(plan);
      attach(g, plan.baseName, 10);
      used += files;
    }
    ASSERT_EQ(fileLayer.unitCount, inUse);
    const auto plan = group(50, {125, 125, 125}, "u" + std::to_string(inUse) + "last");
    fixtures::createFileGroup(plan);
    if (inUse == 21) {
      EXPECT_NO_THROW(attach(50, plan.baseName, 10));
      EXPECT_EQ(fileLayer.unitCount, 24);
    } else {
      expectAbort([&] { attach(50, plan.baseName, 10); }, "MAXIMUM FILE UNITS EXCEEDED",
                  {"GRP/UNT 50", "NUM UNTS 3", "CUR UNTS 23", "MAX UNTS 25"});
    }
  }
}

TEST_F(FIATCH, AFileFlaggedMissingIsCreatedAndAFileFlaggedPresentMustExist) {
  auto plan = group(21, {125, 125, 125});
  plan.files[1].created = false;
  fixtures::createFileGroup(plan);
  std::filesystem::remove(fixtures::groupFileName(plan, 3));
  attach(21, plan.baseName);

  std::vector<std::int32_t> block(20, 9);
  std::int32_t address = 212000000;
  storage::FILEIO(2, block, 20, 20, address);
  EXPECT_EQ(address, 212000001);
  EXPECT_TRUE(std::filesystem::exists(fixtures::groupFileName(plan, 2)));
  EXPECT_EQ(unit(2).state, storage::UnitFileState::Open);

  address = 213000000;
  expectAbort([&] { storage::FILEIO(2, block, 20, 20, address); },
              "FILE NOT FOUND - \"" + fixtures::groupFileName(plan, 3) + "\"", {});
}

// ---------------------------------------------------------------------------------------
// Status and detach
// ---------------------------------------------------------------------------------------

class FIDTCH : public file_tests::FileLayerTest {};

TEST_F(FIDTCH, MovesTheLaterSequencesUnitsDown) {
  std::vector<fixtures::FileGroupPlan> plans = {
      group(21, {125, 125}, "a"), group(22, {125, 125, 125}, "b"), group(23, {125}, "c")};
  for (const auto& plan : plans) {
    fixtures::createFileGroup(plan);
    attach(plan.group, plan.baseName, 10);
  }
  ASSERT_EQ(fileLayer.unitCount, 6);
  storage::FIDTCH(1, storage::kCloseKeep);
  EXPECT_EQ(storage::CURRTN.fi.trimmed(), "FIDTCH");
  EXPECT_EQ(fileLayer.unitCount, 4);
  EXPECT_EQ(fileLayer.sequences(1).firstUnit, 0);
  EXPECT_EQ(fileLayer.sequences(2).firstUnit, 1);
  EXPECT_EQ(fileLayer.sequences(2).lastUnit, 3);
  EXPECT_EQ(fileLayer.sequences(3).firstUnit, 4);
  EXPECT_EQ(fileLayer.sequences(3).lastUnit, 4);
  EXPECT_EQ(unit(1).fileCode, 221);
  EXPECT_EQ(unit(3).fileCode, 223);
  EXPECT_EQ(unit(4).fileCode, 231);
  EXPECT_EQ(unit(4).sequence, 3);
  EXPECT_TRUE(std::filesystem::exists(fixtures::groupFileName(plans[0], 1))) << "kept";

  // A freed slot is taken by the next attach.
  EXPECT_EQ(attach(21, plans[0].baseName, 10).sequence, 1);
  EXPECT_EQ(fileLayer.sequences(1).firstUnit, 5);
}

TEST_F(FIDTCH, RefusesBadSequenceNumbers) {
  const auto plan = group(21, {125});
  fixtures::createFileGroup(plan);
  attach(21, plan.baseName);
  for (const std::int32_t bad : {0, 2, 11, -1}) {
    SCOPED_TRACE(bad);
    expectAbort([&] { storage::FIDTCH(bad, 3); }, "BAD FILE SEQUENCE NUMBER",
                {"SEQUENCE " + std::to_string(bad)});
  }
}

TEST_F(FIDTCH, DeletesTheFilesForAnyOptionButThree) {
  const auto plan = group(21, {125, 250});
  fixtures::createFileGroup(plan);
  attach(21, plan.baseName);
  std::vector<std::int32_t> block(10, 1);
  std::int32_t address = 212000000;
  storage::FILEIO(2, block, 10, 10, address);
  storage::FIDTCH(1, 0);
  EXPECT_FALSE(std::filesystem::exists(fixtures::groupFileName(plan, 1)));
  EXPECT_FALSE(std::filesystem::exists(fixtures::groupFileName(plan, 2)));
  EXPECT_EQ(map(), std::string(6, '3') + std::string(94, '0')) << "numbers released";
}

TEST_F(FIDTCH, ASecondSequenceOfAGroupMakesTheFirstInactive) {
  const auto plan = group(21, {125});
  fixtures::createFileGroup(plan);
  attach(21, plan.baseName);
  const auto second = attach(21, plan.baseName, 10);
  EXPECT_EQ(second.sequence, 2);
  EXPECT_EQ(unit(1).status, storage::SequenceStatus::Inactive);
  EXPECT_EQ(unit(2).status, storage::SequenceStatus::Readable);
  EXPECT_EQ(fileLayer.outputSequence, 0);
  // Transfers see only the active sequence's unit.
  std::int32_t isNew = 0, code = 0, found = 0, address = 211000003;
  storage::FICHEK(1, 0, address, isNew, code, found);
  EXPECT_EQ(found, 2);
}

// ---------------------------------------------------------------------------------------
// A group on disk across runs
// ---------------------------------------------------------------------------------------

class FileGroup : public file_tests::FileLayerTest {};

TEST_F(FileGroup, HeaderAndFreeSpaceRecordsAreWrittenBackWordByWord) {
  auto plan = group(21, {125, 250, 1000});
  plan.files[1].created = false;
  fixtures::createFileGroup(plan);
  const std::string file1 = fixtures::groupFileName(plan, 1);
  // Words the layer does not use must come back as they were.
  fixtures::writeFileWords(file1, 3, {4444});
  fixtures::writeFileWords(file1, 99, {-7, 8});
  const auto before = fixtures::readRecordWords(file1, 125, 1, 125);

  attach(21, plan.baseName);
  std::vector<std::int32_t> block(400, 3);
  std::int32_t first = 211000000;
  storage::FILEIO(2, block, 300, 400, first);  // 4 records of file 1
  std::int32_t second = 212000000;
  storage::FILEIO(2, block, 260, 260, second);  // 2 records of file 2, which is created
  storage::FIDTCH(1, storage::kCloseKeep);
  EXPECT_EQ(first, 211000003);
  EXPECT_EQ(second, 212000001);

  // The header: as read, with the existence flag of file 2 now set.
  auto header = before;
  header[11] = 1;
  EXPECT_EQ(fixtures::readRecordWords(file1, 125, 1, 125), header);
  EXPECT_EQ(header[3], 4444);
  // The free-space record: the runs of files 1 and 2 shortened by the blocks placed.
  auto space = fixtures::freeSpaceOf(plan);
  space.runs(1) = {999997 - 4, 211000007};
  space.runs(2) = {999999 - 2, 212000003};
  storage::ControlRecord expected;
  storage::encodeFreeSpace(space, expected);
  const auto written = fixtures::readRecordWords(file1, 125, 2, 125);
  EXPECT_EQ(written, std::vector<std::int32_t>(expected.values.begin(), expected.values.end()));
  EXPECT_EQ(written[0], 9);
  EXPECT_EQ(written[1], 999993);
  EXPECT_EQ(written[63], 211000007);
}

TEST_F(FileGroup, SurvivesDetachAndAFreshAttachInANewRun) {
  const auto plan = group(21, {125, 250});
  fixtures::createFileGroup(plan);
  attach(21, plan.baseName);
  std::vector<std::int32_t> block(300);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::int32_t>(i * 7 - 50);
  std::int32_t address = services::NODISK;
  storage::FILEIO(2, block, 300, 300, address);
  storage::FIDTCH(1, storage::kCloseKeep);

  storage::FIINIT();
  attach(21, plan.baseName);
  std::vector<std::int32_t> back(300, 0);
  storage::FILEIO(1, back, 300, 300, address);
  EXPECT_EQ(back, block);
  std::int32_t next = services::NODISK;
  storage::FILEIO(2, block, 300, 300, next);
  EXPECT_EQ(next, address + 3) << "the free space placed last run is remembered";
}

TEST_F(FileGroup, BecomingOutputDemotesTheFormerOutputAndWritesItBack) {
  const auto a = group(21, {125}, "a");
  const auto b = group(22, {125}, "b");
  fixtures::createFileGroup(a);
  fixtures::createFileGroup(b);
  attach(21, a.baseName);
  std::vector<std::int32_t> block(125, 1);
  std::int32_t address = services::NODISK;
  storage::FILEIO(2, block, 125, 125, address);
  attach(22, b.baseName);
  EXPECT_EQ(unit(1).status, storage::SequenceStatus::Readable);
  EXPECT_EQ(fileLayer.outputSequence, 2);
  const auto space = fixtures::readRecordWords(fixtures::groupFileName(a, 1), 125, 2, 125);
  EXPECT_EQ(space[1], 999996);
  EXPECT_EQ(space[63], 211000004);
}

}  // namespace
