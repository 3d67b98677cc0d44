// The option, method-set and data-set tables through a whole open and close: written back
// and read again in a new run, released without a write, and refused when their key is
// absent.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "problem/problem.hpp"
#include "services/services.hpp"
#include "table_test_support.hpp"

namespace {

using services::NOCORE;
using table_tests::TableDatabase;

// What the readers leave in the shared areas.
struct Loaded {
  problem::ControlOptions gcl;
  problem::DatabaseOptions gdb;
  services::DiagnosticOptions gdp;
  problem::PropertyOptions gpr;
  services::BasisOptions gsc;
  problem::TitleOptions gti;
  problem::ToleranceOptions gto;
  std::array<std::int32_t, problem::kGlobalWords> global{};
  services::UnitTables units;
  services::UnitCodeWords codes;
  std::int32_t setCount = 0;
  std::vector<std::int32_t> settings;
  std::vector<std::string> setNames;
  std::int32_t defaultSetLabels = 0;

  static Loaded take() {
    Loaded l;
    l.gcl = problem::GCLTAB;
    l.gdb = problem::GDBTAB;
    l.gdp = services::GDPOPT;
    l.gpr = problem::GPRTAB;
    l.gsc = services::GSCTAB;
    l.gti = problem::GTITAB;
    l.gto = problem::GTOTAB;
    l.global = problem::DBSESS.global;
    l.units = services::UOMTAB;
    l.codes = services::UOMCOD;
    l.setCount = problem::THCTL.setCount;
    for (std::int32_t k = 1; k <= 20; ++k) {
      l.settings.push_back(storage::CORSTO[problem::THMISC.integerSector2 + k]);
    }
    for (std::int32_t n = 1; n <= l.setCount; ++n) {
      services::FixedText<12> name;
      storage::DiskPointer block{};
      std::array<std::int32_t, 1> data{};
      std::int32_t status = 0;
      storage::FBINUM(1, problem::THIDX.index, n, name, block, data, status);
      l.setNames.push_back(name.str() + "/" + std::to_string(data[0]));
    }
    return l;
  }

  static void clear() {
    problem::GCLTAB = {};
    problem::GDBTAB = {};
    services::GDPOPT = {};
    problem::GPRTAB = {};
    services::GSCTAB = {};
    problem::GTITAB = {};
    problem::GTOTAB = {};
    problem::DBSESS.global.fill(0);
    services::UOMTAB = {};
    services::UOMCOD = {};
    problem::THCTL.setCount = 0;
  }

  void expectSame(const Loaded& o) const {
    EXPECT_EQ(gcl.integers, o.gcl.integers);
    EXPECT_EQ(gcl.reals, o.gcl.reals);
    EXPECT_EQ(gdb.integers, o.gdb.integers);
    EXPECT_EQ(gdp.words, o.gdp.words);
    EXPECT_EQ(gpr.text, o.gpr.text);
    EXPECT_EQ(gpr.integers, o.gpr.integers);
    EXPECT_EQ(gpr.reals, o.gpr.reals);
    EXPECT_EQ(gsc.integers, o.gsc.integers);
    EXPECT_EQ(gsc.reals, o.gsc.reals);
    EXPECT_EQ(gsc.text, o.gsc.text);
    EXPECT_EQ(gti.integers, o.gti.integers);
    EXPECT_EQ(gti.text, o.gti.text);
    EXPECT_EQ(gto.reals, o.gto.reals);
    EXPECT_EQ(global, o.global);
    EXPECT_EQ(units.factors, o.units.factors);
    EXPECT_EQ(units.offsets, o.units.offsets);
    EXPECT_EQ(units.unitWords, o.units.unitWords);
    EXPECT_EQ(units.setLabels, o.units.setLabels);
    EXPECT_EQ(units.secondLabelText, o.units.secondLabelText);
    EXPECT_EQ(units.settings, o.units.settings);
    EXPECT_EQ(units.settingReals, o.units.settingReals);
    EXPECT_EQ(codes.words, o.codes.words);
    EXPECT_EQ(setCount, o.setCount);
    EXPECT_EQ(settings, o.settings);
    EXPECT_EQ(setNames, o.setNames);
  }
};

class TableLifecycle : public TableDatabase {
 protected:
  void SetUp() override {
    TableDatabase::SetUp();
    writeTables();
  }

  std::vector<std::string> files() const {
    std::vector<std::string> contents;
    for (std::size_t k = 1; k <= plan.files.size(); ++k) {
      contents.push_back(
          testing_support::readFile(fixtures::groupFileName(plan, static_cast<std::int32_t>(k))));
    }
    return contents;
  }
};

TEST_F(TableLifecycle, WritersThenReadersGiveTheSameValues) {
  readTables();
  const Loaded first = Loaded::take();
  ASSERT_EQ(first.setCount, 3);
  EXPECT_EQ(first.units.currentSet(), 3) << "the problem's current set";

  writeBack();
  for (const char* key :
       {"DM2", "TH", "ZN", "GCL", "GDB", "GDP", "GPR", "GSC", "GTI", "GTO", "GLOBAL"}) {
    std::int32_t value = -1;
    storage::DiskPointer pointer{};
    storage::MBGET(kProblemLength, problemMaster, key, value, pointer);
    EXPECT_EQ(storage::dp(pointer, storage::dpword::kBlockType), 3) << key;
  }
  EXPECT_EQ(problem::DBHNDL.dm1.labelIndex, NOCORE);
  EXPECT_EQ(problem::THIDX.index, NOCORE);
  EXPECT_EQ(problem::THIDX.paged, NOCORE);
  EXPECT_EQ(problem::DBHNDL.zn.index, NOCORE);

  startRun();
  Loaded::clear();
  readTables();
  Loaded::take().expectSame(first);
  problem::UOMLDS(4);
  EXPECT_EQ(services::UOMTAB.codeLabels.view(), description.units.codeLabels[3])
      << "the label index was written back whole";
  release();
}

TEST_F(TableLifecycle, ReleasesWriteNothing) {
  startRun();
  const std::vector<std::string> before = files();
  readTables();
  // Changes in core that any write would carry to the files: a set loaded by the
  // method-set loader, another default set, new names in the indexes, other unit tables.
  problem::THCTL.blockLength = 30;
  problem::THCTL.blockArea = storage::ICMGTI(problem::THCTL.blockLength, 1);
  storage::CORSTO[problem::THMISC.integerSector2 + 6] = 3;
  for (const std::int32_t index : {problem::DBHNDL.vi.index, problem::DBHNDL.zn.index}) {
    std::array<std::int32_t, 11> data{};
    storage::DiskPointer none = storage::emptyDiskPointer();
    std::int32_t entry = 0;
    std::int32_t status = 0;
    storage::FBINAM(2, index, "ADDED", 0, entry, none, data, status);
  }
  services::UOMTAB.factors.fill(2.0F);
  services::UOMTAB.settings.fill(4);
  services::UOMCOD.words.fill(4);

  release();
  EXPECT_EQ(problem::THCTL.blockArea, NOCORE);
  EXPECT_EQ(problem::DBHNDL.dm1.labelIndex, NOCORE);
  EXPECT_FALSE(problem::DBHNDL.dm1.settings.held());
  EXPECT_EQ(problem::DBHNDL.vi.index, NOCORE);
  for (const problem::HeldBlock& block : problem::DBHNDL.dm2.blocks) EXPECT_FALSE(block.held());
  EXPECT_EQ(problem::THIDX.index, NOCORE);
  EXPECT_EQ(problem::THIDX.paged, NOCORE);
  EXPECT_FALSE(problem::THIDX.settings.held());
  EXPECT_EQ(problem::DBHNDL.zn.index, NOCORE);
  EXPECT_FALSE(problem::DBHNDL.zn.block.held());
  // The images stay as read.
  EXPECT_EQ(services::GDPOPT.diagnosticSwitch(services::kTimingSwitch), 5);

  storage::FIDTCH(sequence, storage::kCloseKeep);
  sequence = 0;
  EXPECT_EQ(files(), before);
}

TEST_F(TableLifecycle, AbsentKeyIsNotAShortcutBlock) {
  std::vector<std::int32_t> problemEmpty = masterImage(40, kProblemLength);
  std::vector<std::int32_t> supportEmpty = masterImage(18, kSupportLength);
  const std::vector<std::pair<std::string, std::function<void()>>> readers = {
      {"DM1", [&] { problem::DM1GET(kSupportLength, supportEmpty, 0); }},
      {"VI", [&] { problem::DBRVI(kSupportLength, supportEmpty, 0); }},
      {"DM2", [&] { problem::DM2GET(kProblemLength, problemEmpty, 0); }},
      {"TH", [&] { problem::DBRTH(kProblemLength, problemEmpty, 0); }},
      {"ZN", [&] { problem::PBDGET(kProblemLength, problemEmpty, 0); }},
      {"GCL", [&] { problem::DBRGCL(kProblemLength, problemEmpty); }},
      {"GDP", [&] { problem::DBRGDP(kProblemLength, problemEmpty); }},
      {"GTO", [&] { problem::DBRGTO(kProblemLength, problemEmpty); }},
      {"GLOBAL",
       [&] {
         problem::DBRGLB(kProblemLength, problemEmpty, problem::kGlobalWords,
                         problem::DBSESS.global);
       }},
  };
  for (const auto& [key, read] : readers) {
    SCOPED_TRACE(key);
    file_tests::expectAbort(read, "BLOCK IS NOT A SHORTCUT BLOCK", {"BLK TYP 0"});
  }
}

}  // namespace
