// The method-set table TH and the support table VI.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "methods/methods.hpp"
#include "services/services.hpp"
#include "problem/table_test_support.hpp"

namespace {

using services::IMISS;
using services::NOCORE;
using services::NODISK;
using storage::DiskPointer;
using storage::SectorKind;
using table_tests::TableDatabase;

class MethodSetTable : public TableDatabase {
 protected:
  void SetUp() override {
    TableDatabase::SetUp();
    writeTables();
  }

  struct SetEntry {
    std::int32_t status = -1;
    std::string name;
    DiskPointer block{};
    std::int32_t data = 0;
  };
  static SetEntry entry(std::int32_t n) {
    SetEntry e;
    services::FixedText<12> name;
    std::array<std::int32_t, 1> data{};
    storage::FBINUM(1, problem::THIDX.index, n, name, e.block, data, e.status);
    e.name = name.trimmed();
    e.data = data[0];
    return e;
  }

  // Element K of integer sector 2 of the settings sub-block, through THMISC.
  static std::int32_t setting(std::int32_t k) {
    return storage::CORSTO[problem::THMISC.integerSector2 + k];
  }
};

TEST_F(MethodSetTable, ReaderPreparesTheSetsForTheLoader) {
  problem::THCTL.blockArea = 1234;
  problem::THCTL.blockLength = 99;
  problem::THCTL.componentArea = 5678;
  problem::THCTL.componentLength = 99;
  problem::DBRTH(kProblemLength, problemMaster, 0);

  EXPECT_EQ(problem::THCTL.setCount, 3);
  EXPECT_EQ(problem::THCTL.blockArea, NOCORE);
  EXPECT_EQ(problem::THCTL.blockLength, 0);
  EXPECT_EQ(problem::THCTL.componentArea, NOCORE);
  EXPECT_EQ(problem::THCTL.componentLength, 0);
  ASSERT_NE(problem::THMISC.integerSector1, NOCORE);
  ASSERT_NE(problem::THMISC.integerSector2, NOCORE);
  ASSERT_NE(problem::THMISC.realSector1, NOCORE);
  EXPECT_EQ(setting(6), 2) << "the default set";
  EXPECT_EQ(setting(1), 0) << "the water option";

  for (std::int32_t n = 1; n <= 3; ++n) {
    const auto& spec = description.methodSets[static_cast<std::size_t>(n - 1)];
    SCOPED_TRACE(spec.name);
    const SetEntry e = entry(n);
    ASSERT_EQ(e.status, 0);
    EXPECT_EQ(e.name, spec.name);
    EXPECT_EQ(e.data, 2) << "a set in use";

    // The set block as the method-set loader and the descriptor decoding read it.
    std::int32_t len = 0;
    std::int32_t core = NOCORE;
    std::int32_t status = 0;
    storage::SBRDC(len, core, e.block, status);
    ASSERT_EQ(status, 0);
    const auto& block = storage::SBCUR;
    EXPECT_EQ(storage::dp(e.block, storage::dpword::kTotalLength), len);
    ASSERT_EQ(block.sizingCount, 1);
    EXPECT_EQ(block.sizing(1), 19);
    ASSERT_EQ(block.count(SectorKind::Integer), 17);
    ASSERT_EQ(block.count(SectorKind::Pointer), 5);
    for (SectorKind kind : {SectorKind::Vat, SectorKind::System, SectorKind::Single,
                            SectorKind::Real, SectorKind::Double}) {
      EXPECT_EQ(block.count(kind), 0);
    }
    for (std::int32_t s = 1; s <= 17; ++s) {
      EXPECT_EQ(block.length(SectorKind::Integer, s), s <= 2 ? 24 : 19) << "integer sector " << s;
    }
    for (std::int32_t s = 1; s <= 5; ++s) {
      EXPECT_EQ(block.length(SectorKind::Pointer, s), s == 1 ? 5 : 19) << "pointer sector " << s;
      EXPECT_EQ(block.entrySizes(1)(static_cast<std::size_t>(s)), 9);
    }
    const auto word = [&](std::int32_t s, std::int32_t k) {
      return storage::CORSTO[block.pointer(SectorKind::Integer, s) + k];
    };
    EXPECT_EQ(word(1, 5), 1) << "header word 5: no free-water component";
    for (std::int32_t slot = 1; slot <= 19; ++slot) {
      const std::int32_t code = word(3, slot);
      const bool cubic = slot == 1 || (slot >= 6 && slot <= 11);
      EXPECT_EQ(code, cubic ? spec.codes[0] : IMISS) << "slot " << slot;
      if (cubic) {
        EXPECT_TRUE(methods::MTISA(code)) << "slot " << slot;
      }
      EXPECT_EQ(word(4, slot), 0) << "option word of slot " << slot;
      EXPECT_EQ(word(9, slot), slot) << "parameter-block number of slot " << slot;
    }
    // No parameter block, property store or component block yet.
    for (std::int32_t s = 1; s <= 5; ++s) {
      for (std::int32_t j = 1; j <= block.length(SectorKind::Pointer, s); ++j) {
        DiskPointer p{};
        storage::SBGETC(len, core, s, j, 0, p);
        EXPECT_EQ(storage::dp(p, storage::dpword::kAddress), NODISK) << s << " " << j;
      }
    }
    storage::CMFREI(core);
  }
  EXPECT_EQ(entry(4).status, 1) << "no fourth set";
  problem::DBXTH();
}

TEST_F(MethodSetTable, WriterFreesTheLoadedSetWithoutWritingIt) {
  problem::DBRTH(kProblemLength, problemMaster, 0);
  const DiskPointer before = entry(1).block;
  // A set loaded as the method-set loader loads it, and changed in core.
  problem::MethodSetControl& control = problem::THCTL;
  control.blockArea = NOCORE;
  std::int32_t status = 0;
  storage::SBRDC(control.blockLength, control.blockArea, before, status);
  storage::CORSTO[storage::SBCUR.pointer(SectorKind::Integer, 3) + 1] = 999;
  control.componentLength = 40;
  control.componentArea = storage::ICMGTI(control.componentLength, 1);

  problem::DBWTH(kProblemLength, problemMaster);
  EXPECT_EQ(control.blockArea, NOCORE);
  EXPECT_EQ(control.blockLength, 0);
  EXPECT_EQ(control.componentArea, NOCORE);
  EXPECT_EQ(control.componentLength, 0);
  EXPECT_EQ(problem::THMISC.integerSector2, NOCORE) << "the settings left core";

  startRun();
  problem::DBRTH(kProblemLength, problemMaster, 0);
  EXPECT_EQ(problem::THCTL.setCount, 3);
  EXPECT_EQ(setting(6), 2);
  EXPECT_EQ(entry(1).block, before) << "the set block was not written";
  std::int32_t len = 0;
  std::int32_t core = NOCORE;
  storage::SBRDC(len, core, entry(1).block, status);
  EXPECT_EQ(storage::CORSTO[storage::SBCUR.pointer(SectorKind::Integer, 3) + 1],
            description.methodSets[0].codes[0]);
  storage::CMFREI(core);
  problem::DBXTH();
}

TEST_F(MethodSetTable, WithoutSettingsSubBlockThereIsNoDefaultSet) {
  emptyTablePointer(problemMaster, "TH", 4, 1);
  problem::THMISC.integerSector2 = 12345;
  problem::DBRTH(kProblemLength, problemMaster, 0);
  EXPECT_EQ(problem::THMISC.integerSector1, NOCORE);
  EXPECT_EQ(problem::THMISC.integerSector2, NOCORE);
  EXPECT_EQ(problem::THMISC.realSector1, NOCORE);
  EXPECT_EQ(problem::THCTL.setCount, 3) << "the sets are there all the same";

  // The close writes the rest and leaves the settings pointer empty.
  problem::DBWTH(kProblemLength, problemMaster);
  startRun();
  problem::DBRTH(kProblemLength, problemMaster, 0);
  EXPECT_EQ(problem::THMISC.integerSector2, NOCORE);
  EXPECT_EQ(entry(3).name, "PR-SECOND");
  problem::DBXTH();
}

TEST_F(MethodSetTable, SupportIndexOpensEmptyWithOrWithoutItsBlock) {
  for (const bool emptied : {false, true}) {
    SCOPED_TRACE(emptied ? "empty index pointer" : "empty index written");
    if (emptied) emptyTablePointer(supportMaster, "VI", 1, 1);
    problem::DBRVI(kSupportLength, supportMaster, 0);
    ASSERT_NE(problem::DBHNDL.vi.index, NOCORE);
    std::int32_t total = -1;
    std::int32_t live = -1;
    storage::FBICNT(problem::DBHNDL.vi.index, total, live);
    EXPECT_EQ(total, 0);
    problem::DBXVI();
    EXPECT_EQ(problem::DBHNDL.vi.index, NOCORE);
  }
}

}  // namespace
