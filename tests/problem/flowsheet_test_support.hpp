// A fixture problem with a flowsheet, built in a directory of its own and opened as a run
// opens it (support database, problem database, the recorded case), with the message file
// attached so that numbered aborts show their texts; and the readers of what a set-up or an
// abort left.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "platform/platform.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/file_layer_support.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"

namespace flowsheet_tests {

inline constexpr std::int32_t kKeep = 3;
inline constexpr std::int32_t kMessageUnit = 90;

// A unit with a data block of every sector kind: two disk-pointer entries, one VAT entry,
// 23 system sectors (sector k of k words), integer sectors of 3, 0 and 5 words, one single,
// real sectors of 4 and 2 reals, one double sector. Element j of sector k of any kind holds
// 100 k + j (reals: 100 k + j + 0.5).
inline fixtures::BlockSpec richBlock() {
  fixtures::BlockSpec block;
  block.pointerEntries = 2;
  block.vatEntries = 1;
  const auto ints = [](std::int32_t k, std::int32_t n) {
    std::vector<std::int32_t> v;
    for (std::int32_t j = 1; j <= n; ++j) v.push_back(100 * k + j);
    return v;
  };
  const auto reals = [](std::int32_t k, std::int32_t n) {
    std::vector<double> v;
    for (std::int32_t j = 1; j <= n; ++j) v.push_back(100 * k + j + 0.5);
    return v;
  };
  for (std::int32_t k = 1; k <= 23; ++k) block.system.push_back(ints(k, k));
  block.integers = {ints(1, 3), ints(2, 0), ints(3, 5)};
  block.singles = {{101.5f, 102.5f}};
  block.reals = {reals(1, 4), reals(2, 2)};
  block.doubles = {reals(1, 3)};
  return block;
}

// A small data block: one integer sector of two words and one real.
inline fixtures::BlockSpec smallBlock() {
  fixtures::BlockSpec block;
  block.integers = {{7, 8}};
  block.reals = {{9.5}};
  return block;
}

inline fixtures::UnitSpec unit(const std::string& id, std::int32_t type, const std::string& text,
                               std::int32_t status = 3) {
  fixtures::UnitSpec u;
  u.identifier = id;
  u.type = type;
  u.text = text;
  u.status = status;
  u.record = fixtures::unitRecord({type * 10, 2, 3});
  return u;
}

class FlowsheetTest : public ::testing::Test {
 protected:
  ~FlowsheetTest() override {
    if (open_) {
      try {
        close();
      } catch (const platform::RunStopped&) {
      }
    }
    platform::closeUnit(kMessageUnit, true);
  }

  // Builds the problem of FLOWSHEET with two components and opens it.
  void build(const fixtures::FlowsheetSpec& flowsheet) {
    description.components = {fixtures::publishedComponent("METHANE"),
                              fixtures::publishedComponent("ETHANE")};
    description.methodSets = {fixtures::equationOfStateSet("PR", 102)};
    description.flowsheet = flowsheet;
    built = fixtures::buildProblem(dir.path(), description);
    open();
  }

  void open() {
    services::ERINIT();
    problem::DBSOPN(-1, built.supportBase.string(), 0, problem::kReadOnly);
    problem::DBOPEN(-1, built.problemBase.string(), 0, problem::kReadWrite);
    problem::DBCASE();
    problem::clearUnitIdentifiers();
    open_ = true;
  }

  void close() {
    open_ = false;
    problem::DBCLOS(kKeep);
    problem::DBSCLS(kKeep);
  }

  // Closes, starts a new storage run and opens again: what a later run finds on disk.
  void reopen() {
    close();
    storage::FIINIT();
    storage::CMINIT(0, 0, 0);
    storage::SBINIT();
    open();
  }

  // The abort report of CALL (exit status 15).
  file_tests::Abort abortOf(const std::function<void()>& call) { return file_tests::abortOf(call); }

  // Attaches the problem's message file to a new message state, searched from its start.
  void attachMessages() {
    if (!messageOpen_) {
      const auto path = built.directory / "veltra.err";
      EXPECT_EQ(platform::openSequential(kMessageUnit, path.string(), platform::FileStatus::Old,
                                         platform::FileAccess::Read),
                platform::IoResult::Ok);
      messageOpen_ = true;
    }
    services::ERINIT();
    platform::rewindUnit(kMessageUnit);
    services::ERSETO("FILE", kMessageUnit);
  }

  // The lines of the last numbered message joined, without their level prefixes.
  static std::string shownMessage() {
    std::string shown;
    for (int k = 1; k <= services::MSGTXT.lineCount; ++k) {
      const std::string_view line = services::MSGTXT.lines(static_cast<std::size_t>(k)).view();
      shown += std::string(services::trimRight(line.substr(15)));
      shown += ' ';
    }
    return shown;
  }

  // The text of the numbered abort of CALL.
  std::string messageAbortOf(const std::function<void()>& call) {
    attachMessages();
    try {
      call();
    } catch (const platform::RunStopped& stopped) {
      EXPECT_EQ(stopped.status, 15);
      EXPECT_EQ(services::MSGTXT.lines(1).view().substr(0, 15), "*** ABORT ***  ");
      return shownMessage();
    }
    ADD_FAILURE() << "no abort";
    return {};
  }

  // The lock level and write flag of the slot that holds entity N in slot control SLOTS.
  struct SlotMarks {
    std::int32_t slot = 0;
    std::int32_t lock = -1;
    std::int32_t write = -1;
  };
  static SlotMarks marksOf(std::int32_t slots, std::int32_t n) {
    SlotMarks marks;
    std::int32_t p = 0;
    storage::SCLOC(n, slots, marks.slot, p);
    if (marks.slot == 0) return marks;
    std::int32_t ent = 0, len = 0, core = 0, hier = 0;
    storage::SCGET(slots, marks.slot, ent, len, core, marks.lock, marks.write, hier);
    return marks;
  }

  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  fixtures::ProblemDescription description;
  fixtures::BuiltProblem built;

 private:
  bool open_ = false;
  bool messageOpen_ = false;
};

}  // namespace flowsheet_tests
