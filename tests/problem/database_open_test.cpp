// The problem and support databases opened and closed as a run opens them, on databases
// that the fixture builder writes: what the open loads, what the close keeps, and the
// databases the open refuses.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fixtures/block_builders.hpp"
#include "fixtures/file_groups.hpp"
#include "fixtures/problem_builder.hpp"
#include "problem/component_data.hpp"
#include "problem/database.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/file_layer_support.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"

namespace {

using problem::COHDR;
using problem::COPTRS;
using problem::ComponentReal;

constexpr std::int32_t kKeep = 3;

fixtures::ProblemDescription naturalGas() {
  fixtures::ProblemDescription d;
  d.title = "GAS PLANT INLET";
  for (const char* name : {"NITROGEN", "CARBON DIOXIDE", "METHANE", "ETHANE", "PROPANE",
                           "N-BUTANE", "N-PENTANE", "WATER"}) {
    d.components.push_back(fixtures::publishedComponent(name));
  }
  d.methodSets = {fixtures::equationOfStateSet("PR", 102),
                  fixtures::equationOfStateSet("SRK", 101)};
  d.defaultMethodSet = 2;
  d.gdp[101] = 3;  // the flash print level
  d.currentUnitSet = 3;
  return d;
}

class DatabaseOpen : public ::testing::Test {
 protected:
  void build(const fixtures::ProblemDescription& d) {
    description = d;
    built = fixtures::buildProblem(dir.path(), d);
    services::ERINIT();
  }

  void openBoth() {
    problem::DBSOPN(-1, built.supportBase.string(), 0, problem::kReadOnly);
    problem::DBOPEN(-1, built.problemBase.string(), 0, problem::kReadWrite);
    problem::DBCASE();
  }

  void closeBoth() {
    problem::DBCLOS(kKeep);
    problem::DBSCLS(kKeep);
  }

  std::string problemFile(int k) const {
    return built.problemBase.string() + std::to_string(k);
  }
  std::string supportFile() const { return built.supportBase.string() + "1"; }

  // Header words 5 and 6 of the problem database: the master block's length and address.
  std::vector<std::int32_t> masterWords() const {
    return fixtures::readRecordWords(problemFile(1), 125, 1, 6);
  }

  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  fixtures::ProblemDescription description;
  fixtures::BuiltProblem built;
};

double componentReal(ComponentReal sector, std::int32_t i) {
  return storage::CORSTO.real(COPTRS.realSector(sector) + i);
}

TEST_F(DatabaseOpen, LoadsWhatTheDescriptionHolds) {
  build(naturalGas());
  openBoth();

  const auto n = static_cast<std::int32_t>(description.components.size());
  EXPECT_EQ(COHDR(problem::cohdr::kComponents), n);
  EXPECT_EQ(COHDR(problem::cohdr::kStreamComponents), n);
  EXPECT_EQ(COHDR(problem::cohdr::kVapourComponents), n);
  for (std::int32_t i = 1; i <= n; ++i) {
    const fixtures::ComponentSpec& c = description.components[static_cast<std::size_t>(i - 1)];
    SCOPED_TRACE(c.name);
    EXPECT_EQ(componentReal(ComponentReal::MolecularWeight, i), c.molecularWeight);
    EXPECT_EQ(componentReal(ComponentReal::CriticalTemperature, i), c.criticalTemperature);
    EXPECT_EQ(componentReal(ComponentReal::CriticalPressure, i), c.criticalPressure);
    EXPECT_EQ(componentReal(ComponentReal::AcentricFactor, i), c.acentricFactor);
    EXPECT_EQ(storage::CORSTO[COPTRS.integerSector(1) + i], c.libraryNumber);
    EXPECT_EQ(problem::DBCOST(i), 2);
  }
  EXPECT_EQ(problem::DBHNDL.componentsInUse, n);
  EXPECT_EQ(COPTRS.words(145), 0);  // no optional reals
  EXPECT_EQ(COPTRS.words(146), services::NOCORE);

  // The BP values: every stored value missing, so the defaults.
  const problem::BpValues& bp = problem::DBGLOB.bpvals;
  EXPECT_EQ(bp.integers.values, (std::array<std::int32_t, 7>{3, 3, 1, 0, 2, 2, 0}));
  EXPECT_EQ(bp.reals(1), 1.0);
  EXPECT_EQ(bp.reals(2), 98.0);

  EXPECT_EQ(services::GDPOPT.words(102), 3);

  // The method sets and the case.
  std::int32_t sets = 0;
  std::int32_t live = 0;
  storage::FBICNT(problem::THIDX.index, sets, live);
  EXPECT_EQ(sets, 2);
  EXPECT_EQ(problem::DBSESS.caseName.trimmed(), "BASECASE");
  EXPECT_EQ(problem::OLDCAS.integers[4], 1);  // solved

  // The units of measure of the support database, with the problem's own unit set.
  EXPECT_EQ(services::UOMTAB.factors, description.units.factors);
  EXPECT_EQ(services::UOMTAB.unitWords, description.units.unitWords);
  EXPECT_EQ(services::UOMTAB.settings(services::kCurrentSetWord), 3);
  closeBoth();
}

// Three open and close cycles in one process: the same images each time, the header always
// naming the live master block, and no live block inside free space.
TEST_F(DatabaseOpen, RepeatedCyclesKeepTheDatabaseIntact) {
  build(naturalGas());
  std::vector<std::int32_t> firstMaster;
  std::vector<std::int32_t> firstHeader;
  const std::vector<std::int32_t> headerBefore = masterWords();
  for (int cycle = 1; cycle <= 3; ++cycle) {
    SCOPED_TRACE(cycle);
    openBoth();
    const std::vector<std::int32_t> master(problem::DBSESS.master.begin(),
                                           problem::DBSESS.master.end());
    const std::vector<std::int32_t> header(COHDR.words.values.begin(),
                                           COHDR.words.values.end());
    if (cycle == 1) {
      firstMaster = master;
      firstHeader = header;
    }
    EXPECT_EQ(master, firstMaster);
    EXPECT_EQ(header, firstHeader);
    // The block the open read is where the header says, and stays there at the close.
    EXPECT_EQ(storage::dp(problem::DBSESS.masterPointer, storage::dpword::kAddress),
              masterWords()[5]);
    problem::DBCLOS(kKeep);
    EXPECT_EQ(masterWords(), headerBefore);

    // Every block reached from the master block lies outside the free space.
    std::int32_t sequence = file_tests::attach(problem::kProblemGroup, built.problemBase.string())
                                .sequence;
    storage::DiskPointer root = problem::DBSESS.masterPointer;
    EXPECT_EQ(fixtures::overlapReport(fixtures::liveBlocks({root})), "");
    storage::FIDTCH(sequence, kKeep);
    problem::DBSCLS(kKeep);
  }
}

TEST_F(DatabaseOpen, ReadOnlySupportDatabaseIsNotWritten) {
  build(naturalGas());
  const std::string before = testing_support::readFile(supportFile());
  openBoth();
  closeBoth();
  EXPECT_EQ(testing_support::readFile(supportFile()), before);
}

// Values changed in core while the problem is open are found again by the next open.
TEST_F(DatabaseOpen, CloseKeepsWhatChangedInCore) {
  build(naturalGas());
  openBoth();
  // A stored BP value, a diagnostic switch and a word of the case's RW table. The option
  // tables go back from their table copies: the images are what the engine reads.
  problem::BpTable& bp = problem::DBHNDL.bp;
  storage::SBSETC(bp.values.length, bp.values.core);
  storage::CORSTO[storage::SBCUR.pointer(storage::SectorKind::Integer, 1) + 5] = 4;
  problem::DBHNDL.gdp.copy.integers[126] = 1;  // the timing switch, in the table copy
  problem::DBHNDL.rw.words(7) = 4242;
  closeBoth();

  storage::FIINIT();
  storage::CMINIT(0, 0, 0);
  storage::SBINIT();
  services::GDPOPT = {};
  problem::DBHNDL.rw.words(7) = 0;
  openBoth();
  EXPECT_EQ(problem::DBGLOB.bpvals.integers(5), 4);
  EXPECT_EQ(services::GDPOPT.words(127), 1);
  EXPECT_EQ(problem::DBHNDL.rw.words(7), 4242);
  closeBoth();
}

// A database the open must refuse ends in the abort report, before it is changed.
TEST_F(DatabaseOpen, RefusesDatabasesItCannotRead) {
  struct Case {
    const char* name;
    std::function<void(fixtures::ProblemDescription&)> change;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"lower-case product", [](auto& d) { d.product = "veltra"; },
       "Database was generated by veltra"},
      {"other product", [](auto& d) { d.product = "OTHER"; }, "Database was generated by OTHER"},
      {"other version", [](auto& d) { d.version = "4.2"; },
       "Database was generated by VELTRA version 4.2"},
      {"oldest version", [](auto& d) { d.version = "1.0"; },
       "Database was generated by VELTRA version 4.0"},
      {"missing table", [](auto& d) { d.omittedKeys = {"NC"}; },
       "BLOCK IS NOT A SHORTCUT BLOCK"},
      {"missing case table", [](auto& d) { d.omittedCaseKeys = {"SR"}; },
       "BLOCK IS NOT A SHORTCUT BLOCK"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::TempDir own;
    fixtures::ProblemDescription d = naturalGas();
    c.change(d);
    built = fixtures::buildProblem(own.path(), d);
    const std::string before = testing_support::readFile(built.problemBase.string() + "1");
    const file_tests::Abort abort = file_tests::abortOf([&] { openBoth(); });
    ASSERT_TRUE(abort.stopped);
    EXPECT_EQ(abort.message, c.message);
    storage::FIINIT();
    EXPECT_EQ(testing_support::readFile(built.problemBase.string() + "1"), before);
  }
}

// The tables enter their keys with the master block's own MBPUT: a master block without room
// for every key ends the run instead of losing a table.
TEST_F(DatabaseOpen, MasterBlockWithoutRoomForEveryTableIsRefused) {
  fixtures::ProblemDescription d = naturalGas();
  d.masterCapacity = 12;
  const file_tests::Abort abort =
      file_tests::abortOf([&] { fixtures::buildProblem(dir.path(), d); });
  ASSERT_TRUE(abort.stopped);
  EXPECT_EQ(abort.message, "MASTER BLOCK IS FULL");
  storage::FIINIT();
}

}  // namespace
