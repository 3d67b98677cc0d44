#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "case_test_support.hpp"
#include "storage/file_layer_support.hpp"

namespace {

using case_tests::CaseDatabase;
using problem::DBHNDL;
using problem::DBSESS;
using problem::OLDCAS;
using services::NOCORE;

constexpr std::size_t kSolvedWord = 5;

std::int32_t solvedFlag() { return OLDCAS.integers[kSolvedWord - 1]; }

// The OLD record's words 1-3 as the database stores the case to load.
void recordCaseToLoad(std::string_view name) {
  std::int32_t ierr = 0;
  storage::TXTOIW(name, std::span<std::int32_t>(problem::OLDGLB.integers).first(3), 3, ierr);
}

using Cases = CaseDatabase;

TEST_F(Cases, DBCASELoadsTheRecordedCaseAndBasecaseForABlankName) {
  struct Row {
    std::vector<std::int32_t> words;  // OLDGLB words 1-3; empty: NAME as text
    std::string name;
    std::string loaded;  // blank: none
    std::int32_t solved;
  };
  const std::vector<Row> rows = {
      {{0, 0, 0}, "", "BASECASE", 1},
      {{}, "            ", "BASECASE", 1},
      {{}, "SECOND", "SECOND", 0},
      {{}, "NOSUCH", "", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.loaded + "/" + row.name);
    if (row.words.empty()) {
      recordCaseToLoad(row.name);
    } else {
      std::copy(row.words.begin(), row.words.end(), problem::OLDGLB.integers.begin());
    }
    problem::DBCSAV();
    OLDCAS.integers.fill(-9);
    problem::DBCASE();
    EXPECT_EQ(DBSESS.caseName.trimmed(), row.loaded);
    if (row.loaded.empty()) {
      EXPECT_EQ(solvedFlag(), -9) << "no OLD record is read";
      EXPECT_EQ(problem::SLOTC2.sr.index, NOCORE) << "no case table is read";
    } else {
      EXPECT_EQ(solvedFlag(), row.solved);
      EXPECT_EQ(DBSESS.caseMasterPointer, caseMasterPointer(row.loaded));
    }
  }
}

TEST_F(Cases, AbsentNameGivesStatusOneAndNoCase) {
  for (const std::string name : {"NOSUCH", "BASECASE-AND-MORE", "basecase"}) {
    SCOPED_TRACE(name);
    load("BASECASE");
    std::int32_t status = 0;
    problem::DBCSEL(name, 0, status);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(DBSESS.caseName.isBlank());
    EXPECT_EQ(DBHNDL.lp.index, NOCORE) << "the case before was saved and closed";
    EXPECT_EQ(problem::SLOTCT.vs.slots, NOCORE);
  }
}

TEST_F(Cases, SelectingTheLoadedCaseSavesItAndReadsItBack) {
  load("BASECASE");
  DBHNDL.rw.words(123) = 4711;
  OLDCAS.integers[kSolvedWord - 1] = 7;
  problem::UNSLTC.un.workWord = 5;
  problem::SRPSET.set2.stream = 9;

  load("BASECASE");
  EXPECT_EQ(DBSESS.caseName.trimmed(), "BASECASE");
  EXPECT_EQ(problem::UNSLTC.un.workWord, 100) << "the tables were read again";
  EXPECT_EQ(problem::SRPSET.set2.stream, 0);
  EXPECT_EQ(DBHNDL.rw.words(123), 4711);
  EXPECT_EQ(solvedFlag(), 7);

  // The blocks on disk hold the values, found through the case index.
  EXPECT_EQ(DBSESS.caseMasterPointer, caseMasterPointer("BASECASE"));
  std::vector<std::int32_t> image = storedCaseMaster("BASECASE");
  std::int32_t value = 0;
  std::int32_t status = 0;
  storage::DiskPointer pointer{};
  storage::MBGET(problem::kProblemMasterWords, image, "RW", value, pointer);
  problem::Shortcut<0, 0, 1, 0> rw;
  problem::readShortcut(problem::kProblemMasterWords, image, "RW", rw);
  std::vector<std::int32_t> words(problem::kRwWords);
  storage::FBFINT(1, rw.pointerAt(1), problem::kRwWords, words, status);
  EXPECT_EQ(words[122], 4711);
  problem::OldRecord old;
  problem::readShortcut(problem::kProblemMasterWords, image, "OLD", old);
  EXPECT_EQ(old.integers[kSolvedWord - 1], 7);
}

TEST_F(Cases, ChangesSurviveASaveANewRunAndAReload) {
  load("BASECASE");
  DBHNDL.rw.words(1) = -5;
  DBHNDL.rw.words(123) = 31;
  DBHNDL.rw.words(163) = 163;
  OLDCAS.integers[kSolvedWord - 1] = 0;
  problem::SLOTC2.sr.srtabi(1) = 12;
  problem::DBCSAV();
  EXPECT_TRUE(DBSESS.caseName.isBlank());

  reopen();
  DBHNDL.rw.words.fill(0);
  load("SECOND");
  EXPECT_EQ(DBHNDL.rw.words(123), 0) << "the other case keeps its own words";
  EXPECT_EQ(solvedFlag(), 0);
  load("BASECASE");
  EXPECT_EQ(DBHNDL.rw.words(1), -5);
  EXPECT_EQ(DBHNDL.rw.words(123), 31);
  EXPECT_EQ(DBHNDL.rw.words(163), 163);
  EXPECT_EQ(solvedFlag(), 0);
  EXPECT_EQ(problem::SLOTC2.sr.srtabi(1), 12);
}

TEST_F(Cases, ReadOnlyReleasesWithoutASingleWriteAndKeepsTheWords) {
  DBSESS.mode = problem::kReadOnly;
  load("BASECASE");
  DBHNDL.rw.words(123) = 99;
  OLDCAS.integers[kSolvedWord - 1] = 3;
  const std::vector<std::string> before = fileBytes();
  const auto caseMaster = DBSESS.caseMaster;

  problem::DBCSAV();
  EXPECT_EQ(fileBytes(), before);
  EXPECT_TRUE(DBSESS.caseName.isBlank());
  EXPECT_EQ(DBHNDL.rw.words(123), 99);
  EXPECT_EQ(solvedFlag(), 3) << "the OLD record is neither written nor released";
  EXPECT_EQ(problem::SLOTC2.sr.index, NOCORE);
  EXPECT_EQ(problem::UNSLTC.un.dataBlocks, NOCORE);
  EXPECT_EQ(problem::SLOTCT.rx.reactionIndex, NOCORE);

  // Without a case loaded a save does nothing in either mode.
  DBSESS.mode = problem::kReadWrite;
  problem::DBCSAV();
  EXPECT_EQ(fileBytes(), before);
  EXPECT_EQ(DBSESS.caseMaster, caseMaster);

  DBSESS.mode = problem::kReadOnly;
  load("BASECASE");
  EXPECT_EQ(solvedFlag(), 1) << "the stored OLD record is unchanged";
}

TEST_F(Cases, EntryWithoutMasterBlockOrSavedCaseWithoutEntryAborts) {
  std::int32_t entry = 0;
  std::int32_t status = 0;
  storage::DiskPointer empty = storage::emptyDiskPointer();
  storage::FBINAM(2, DBSESS.caseIndex, "EMPTY", 2, entry, empty, {}, status);
  load("BASECASE");
  file_tests::expectAbort([&] { problem::DBCSEL("EMPTY", 0, status); }, "CASE HAS NO MASTER BLOCK",
                          {"ENTRY 3", "STATUS 1"});
  EXPECT_TRUE(DBSESS.caseName.isBlank()) << "BASECASE was saved before";

  load("SECOND");
  storage::DiskPointer pointer{};
  storage::FBINAM(4, DBSESS.caseIndex, "SECOND", 1, entry, pointer, {}, status);
  file_tests::expectAbort([] { problem::DBCSAV(); }, "CASE IS NOT IN THE CASE INDEX", {"STATUS 1"});
}

}  // namespace
