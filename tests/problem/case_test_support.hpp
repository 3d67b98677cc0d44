// A problem database of cases for the case tests: a started storage run over a problem file
// group, the fixture's cases written into a problem master image, and the case index opened
// as the database open leaves it.
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

namespace case_tests {

inline constexpr problem::IndexShape kCaseIndex{6, 12, 0, 20, 2};

class CaseDatabase : public block_tests::BlockTest {
 protected:
  void SetUp() override {
    BlockTest::SetUp();
    for (const char* name : {"METHANE", "ETHANE", "PROPANE"}) {
      fixtures::ComponentSpec component;
      component.name = name;
      description.components.push_back(component);
    }
    description.cases = {{"BASECASE", 1}, {"SECOND", 0}};
    fixtures::writeCases(master, description);
    problem::DBSESS.mode = problem::kReadWrite;
    problem::DBSESS.caseName.blank();
    openCaseIndex();
  }

  std::int32_t masterLength() const { return static_cast<std::int32_t>(master.size()); }

  // The case index opened from the CASE table, as the database open does.
  void openCaseIndex() {
    problem::readShortcut(masterLength(), master, "CASE", problem::DBSESS.caseTable);
    problem::openIndex(problem::DBSESS.caseIndex, kCaseIndex,
                       problem::DBSESS.caseTable.pointerAt(1));
  }

  // What the close and the next open do around the cases: the case index and the CASE
  // table written back, a new storage run, the case index opened again.
  void reopen() {
    problem::closeIndex(problem::DBSESS.caseIndex, problem::DBSESS.caseTable.pointerAt(1));
    problem::writeShortcut(masterLength(), master, "CASE", problem::DBSESS.caseTable);
    startRun();
    openCaseIndex();
  }

  // Loads case NAME with OPT and expects it to be found.
  void load(std::string_view name, std::int32_t opt = 0) {
    std::int32_t status = -1;
    problem::DBCSEL(name, opt, status);
    ASSERT_EQ(status, 0) << name;
  }

  // The master-block pointer of case NAME in the case index.
  storage::DiskPointer caseMasterPointer(std::string_view name) {
    std::int32_t entry = 0;
    std::int32_t status = 0;
    storage::DiskPointer pointer = storage::emptyDiskPointer();
    storage::FBINAM(1, problem::DBSESS.caseIndex, name, 1, entry, pointer, {}, status);
    EXPECT_EQ(status, 0) << name;
    return pointer;
  }

  // Case NAME's master block as it is on disk.
  std::vector<std::int32_t> storedCaseMaster(std::string_view name) {
    std::vector<std::int32_t> image(problem::kProblemMasterWords);
    std::int32_t status = 0;
    storage::SBRDA(problem::kProblemMasterWords, image, caseMasterPointer(name), status);
    return image;
  }

  // The bytes of the group's files.
  std::vector<std::string> fileBytes() const {
    std::vector<std::string> files;
    for (std::int32_t k = 1; k <= static_cast<std::int32_t>(plan.files.size()); ++k) {
      files.push_back(testing_support::readFile(fixtures::groupFileName(plan, k)));
    }
    return files;
  }

  fixtures::ProblemDescription description;
  std::vector<std::int32_t> master = fixtures::emptyMasterBlock(40);
};

}  // namespace case_tests
