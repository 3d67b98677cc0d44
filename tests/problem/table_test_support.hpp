// Databases of option, method-set and data-set tables for the table tests: a started storage
// run over one output group, the fixture writers' tables entered in a problem master image
// (500 words) and a support master image (250 words), and the readers, writers and releases
// run over them as the database open and close run them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fixtures/block_builders.hpp"
#include "fixtures/problem_builder.hpp"
#include "problem/problem.hpp"
#include "storage/block_test_support.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"

namespace table_tests {

// Word K (from 1) of integer sector S of a held sub-block.
inline std::int32_t heldWord(const problem::HeldBlock& block, std::int32_t s, std::int32_t k) {
  storage::SBSETC(block.length, block.core);
  return storage::CORSTO[storage::SBCUR.pointer(storage::SectorKind::Integer, s) + k];
}

class TableDatabase : public block_tests::BlockTest {
 protected:
  void SetUp() override {
    BlockTest::SetUp();
    description.title = "DEPROPANISER STUDY";
    description.methodSets = {fixtures::equationOfStateSet("PR-SET", 102),
                              fixtures::equationOfStateSet("SRK-SET", 101),
                              fixtures::equationOfStateSet("PR-SECOND", 102)};
    description.defaultMethodSet = 2;
    description.gdp[126] = 5;  // diagnostic switch 27, the timing switch
    description.gdp[5] = 17;   // word 6, a word no routine reads
    for (std::size_t k = 0; k < description.gclIntegers.size(); ++k) {
      description.gclIntegers[k] = static_cast<std::int32_t>(100 + k);
    }
    description.gclReals = {310.9, 2.5};
    description.currentUnitSet = 3;
    problemDescription = description;
  }

  static std::vector<std::int32_t> masterImage(std::int32_t capacity, std::int32_t words) {
    std::vector<std::int32_t> image = fixtures::emptyMasterBlock(capacity);
    image.resize(static_cast<std::size_t>(words), 0);
    return image;
  }

  // The fixture writers: the support tables from DESCRIPTION, the problem's from
  // PROBLEMDESCRIPTION.
  void writeTables() {
    fixtures::writeSupportTables(supportMaster, description);
    fixtures::writeOptionTables(problemMaster, problemDescription);
    fixtures::writeMethodSetTable(problemMaster, problemDescription);
    fixtures::writeProblemDataSets(problemMaster, problemDescription);
  }

  // The readers in the order of the opens: the support database, then DM2, TH, ZN, the
  // option tables and GLOBAL.
  void readTables() {
    problem::DM1GET(kSupportLength, supportMaster, 0);
    problem::DBRVI(kSupportLength, supportMaster, 0);
    problem::DM2GET(kProblemLength, problemMaster, 0);
    problem::DBRTH(kProblemLength, problemMaster, 0);
    problem::PBDGET(kProblemLength, problemMaster, 0);
    readOptionTables();
  }

  void readOptionTables() {
    problem::DBRGCL(kProblemLength, problemMaster);
    problem::DBRGDB(kProblemLength, problemMaster);
    problem::DBRGDP(kProblemLength, problemMaster);
    problem::DBRGPR(kProblemLength, problemMaster);
    problem::DBRGSC(kProblemLength, problemMaster);
    problem::DBRGTI(kProblemLength, problemMaster);
    problem::DBRGTO(kProblemLength, problemMaster);
    problem::DBRGLB(kProblemLength, problemMaster, problem::kGlobalWords, problem::DBSESS.global);
  }

  void writeOptionTables() {
    problem::DBWGCL(kProblemLength, problemMaster);
    problem::DBWGDB(kProblemLength, problemMaster);
    problem::DBWGDP(kProblemLength, problemMaster);
    problem::DBWGPR(kProblemLength, problemMaster);
    problem::DBWGSC(kProblemLength, problemMaster);
    problem::DBWGTI(kProblemLength, problemMaster);
    problem::DBWGTO(kProblemLength, problemMaster);
    problem::DBWGLB(kProblemLength, problemMaster, problem::kGlobalWords, problem::DBSESS.global);
  }

  // The writers of a read-write close of both databases.
  void writeBack() {
    problem::DM1PUT(kSupportLength, supportMaster);
    problem::DBWVI(kSupportLength, supportMaster);
    problem::DM2PUT(kProblemLength, problemMaster);
    problem::DBWTH(kProblemLength, problemMaster);
    problem::PBDPUT(kProblemLength, problemMaster);
    writeOptionTables();
  }

  // The releases of a read-only close.
  void release() {
    problem::DM1FRE();
    problem::DBXVI();
    problem::DM2FRE();
    problem::DBXTH();
    problem::PBDFRE();
  }

  // Empties pointer K of the NPTR pointers of the table under KEY: its shortcut is written
  // anew and entered again.
  void emptyTablePointer(std::vector<std::int32_t>& master, std::string_view key, std::int32_t nptr,
                         std::int32_t k) {
    const auto len = static_cast<std::int32_t>(master.size());
    std::int32_t value = 0;
    storage::DiskPointer pointer{};
    storage::MBGET(len, master, key, value, pointer);
    std::vector<storage::DiskPointer> pointers(static_cast<std::size_t>(nptr),
                                               storage::emptyDiskPointer());
    std::int32_t status = 0;
    storage::FBSHRT(1, pointer, 0, {}, 0, {}, nptr, pointers, 0, {}, status);
    pointers[static_cast<std::size_t>(k - 1)] = storage::emptyDiskPointer();
    storage::DiskPointer fresh = storage::emptyDiskPointer();
    storage::FBSHRT(2, fresh, 0, {}, 0, {}, nptr, pointers, 0, {}, status);
    storage::MBPUT(len, master, key, value, fresh);
  }

  static constexpr std::int32_t kProblemLength = problem::kProblemMasterWords;
  static constexpr std::int32_t kSupportLength = problem::kSupportMasterWords;

  fixtures::ProblemDescription description;
  fixtures::ProblemDescription problemDescription;
  std::vector<std::int32_t> problemMaster = masterImage(40, kProblemLength);
  std::vector<std::int32_t> supportMaster = masterImage(18, kSupportLength);
};

}  // namespace table_tests
