// Reactions found by their two identifiers and made current in their two contexts; reaction
// sets read into their core copies and written back.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "problem/flowsheet_test_support.hpp"

namespace {

using problem::RSCOPY;
using problem::RXCUR;
using services::NOCORE;
using storage::CORSTO;

fixtures::ReactionSpec reaction(const std::string& id, const std::string& set, std::int32_t seed,
                                std::int32_t status = 2) {
  fixtures::ReactionSpec r;
  r.identifier = id;
  r.set = set;
  r.status = status;
  r.record = fixtures::reactionRecord(seed);
  return r;
}

fixtures::ReactionSetSpec reactionSet(const std::string& id, std::int32_t seed,
                                      std::int32_t status = 2) {
  fixtures::ReactionSetSpec s;
  s.identifier = id;
  s.status = status;
  s.record = fixtures::reactionSetRecord(seed);
  return s;
}

class Reactions : public flowsheet_tests::FlowsheetTest {
 protected:
  void SetUp() override {
    fixtures::FlowsheetSpec flowsheet;
    flowsheet.reactionSets = {reactionSet("SET-A", 21), reactionSet("SET-B", 22),
                              reactionSet("SET-C", 23, 1)};
    flowsheet.reactions = {reaction("R1", "SET-A", 1),    reaction("R2", "SET-A", 2),
                           reaction("R1", "SET-B", 3),    reaction("$R3", "SET-B", 4),
                           reaction("R4", "SET-B", 5, 1), reaction("R5", "SET-B", 6)};
    flowsheet.reactions[0].word4 = 3;  // the first R1 names another entry
    flowsheet.reactions[5].word3 = 0;  // R5 is left out of the searches by set
    flowsheet.reactions[5].word4 = 2;
    build(flowsheet);
  }

  // Set N's record as it is on disk.
  static std::vector<std::int32_t> storedSet(std::int32_t n) {
    std::array<char, 12> name{};
    storage::DiskPointer pointer{};
    std::array<std::int32_t, 1> data{};
    std::int32_t status = 0;
    storage::FBINUM(1, problem::SLOTCT.rx.setIndex, n, name, pointer, data, status);
    std::vector<std::int32_t> image(static_cast<std::size_t>(storage::dp(pointer, 4)));
    storage::SBRDA(static_cast<std::int32_t>(image.size()), image, pointer, status);
    return image;
  }
};

TEST_F(Reactions, FoundByTheirTwoIdentifiers) {
  struct Case {
    std::string set, reaction;
    std::int32_t expected;
  };
  const std::vector<Case> cases = {
      {"", "", 0},        {"SET-A", "R1", 1}, {"SET-B", "R1", 3},
      {"SET-A", "R9", 0}, {"", "R2", 2},     // data word 4 names the entry itself
      {"", "R1", -1},                        // the first R1, whose data word 4 names another entry
      {"", "R5", -6},     {"", "R4", 5},     // registered: status 1 is above 0
      {"", "NONE", 0},    {"SET-B", "", 3},  // the first entry of the set with data word 3 above 0
      {"SET-A", "", 1},   {"SET-C", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("[" + c.set + "] [" + c.reaction + "]");
    EXPECT_EQ(problem::IRXNO(c.set, c.reaction), c.expected);
  }
  EXPECT_EQ(problem::IRXNOR(), 6);
  EXPECT_EQ(problem::IRXID(2).trimmed(), "R2");
  EXPECT_EQ(problem::IRXSID(2).trimmed(), "SET-A");
  EXPECT_EQ(problem::IRXID(4).trimmed(), "");  // hidden
  EXPECT_EQ(problem::IRXSID(4).trimmed(), "SET-B");
  EXPECT_EQ(problem::IRXID(0).trimmed(), "");
  EXPECT_EQ(problem::IRXSID(99).trimmed(), "");
  EXPECT_EQ(problem::IRSNO("SET-B"), 2);
  EXPECT_EQ(problem::IRSNO(""), 0);
  EXPECT_EQ(problem::IRSNO("SET-Z"), 0);
}

TEST_F(Reactions, SetUpFillsTheContextOfItsKind) {
  problem::RXSET(2, 10);
  EXPECT_EQ(RXCUR.context2.reaction, 2);
  EXPECT_EQ(RXCUR.lastRecord, problem::ENTCUR.pointer);
  for (std::int32_t k = 1; k <= 9; ++k) {
    EXPECT_EQ(CORSTO[RXCUR.context2.integerSectors[static_cast<std::size_t>(k - 1)] + 3],
              2000 + 10 * k + 3)
        << k;
  }
  for (std::int32_t k = 1; k <= 13; ++k) {
    EXPECT_EQ(CORSTO.real(RXCUR.context2.realSectors[static_cast<std::size_t>(k - 1)] + 2),
              2 + k + 0.2)
        << k;
  }

  std::int32_t ptr = 0;
  problem::RXSTUP(3, 1, 10, ptr);
  EXPECT_EQ(RXCUR.context1.reaction, 3);
  EXPECT_EQ(CORSTO[RXCUR.context1.integerSectors[0] + 1], 3011);
  EXPECT_EQ(ptr, problem::ENTCUR.pointer);
  EXPECT_EQ(RXCUR.context2.reaction, 2);

  // Another kind fills no context; the lock and write rules hold all the same.
  const problem::ReactionContexts before = RXCUR;
  problem::RXSTUP(1, 3, 2, ptr);
  EXPECT_EQ(RXCUR.context1.reaction, before.context1.reaction);
  EXPECT_EQ(RXCUR.context2.reaction, before.context2.reaction);
  EXPECT_EQ(RXCUR.lastRecord, before.lastRecord);
  const auto marks = marksOf(problem::SLOTCT.rx.slots, 1);
  EXPECT_EQ(marks.lock, 2);
  EXPECT_EQ(marks.write, 1);
}

TEST_F(Reactions, ReactionWithoutRecordAborts) {
  for (const std::int32_t n : {5, 0, 7}) {
    SCOPED_TRACE(n);
    const auto abort = abortOf([n] { problem::RXSET(n, 0); });
    ASSERT_TRUE(abort.stopped);
    EXPECT_EQ(abort.message, "BAD REACTION NUMBER");
    EXPECT_EQ(abort.items, (std::vector<std::string>{"REACTION " + std::to_string(n),
                                                     n == 5 ? "STATUS 1" : "STATUS 0"}));
    EXPECT_NE(abort.heading.find("SUBSYSTEM RX"), std::string::npos) << abort.heading;
    EXPECT_NE(abort.heading.find("FAILED IN RXSTUP"), std::string::npos) << abort.heading;
    EXPECT_NE(abort.heading.find("USER CALL RXSET"), std::string::npos) << abort.heading;
  }
}

// A set read into a copy and released is written back word for word as it was.
TEST_F(Reactions, SetCopiedIntoCoreAndWrittenBackUnchanged) {
  const std::vector<std::int32_t> before = storedSet(1);
  std::int32_t istat = -1;
  problem::RXSGET(1, 2, istat);
  EXPECT_EQ(istat, 0);
  const problem::ReactionSetCopy& copy = RSCOPY.copies(2);
  EXPECT_NE(copy.pointer, 0);
  for (std::int32_t j = 1; j <= 6; ++j) {
    EXPECT_EQ(CORSTO[copy.integerSector1 + j], 21000 + 10 + j);
    EXPECT_EQ(CORSTO[copy.integerSector2 + j], 21000 + 20 + j);
  }
  EXPECT_EQ(std::vector<std::int32_t>(
                CORSTO.words(copy.pointer + 1, static_cast<std::int32_t>(before.size())).begin(),
                CORSTO.words(copy.pointer + 1, static_cast<std::int32_t>(before.size())).end()),
            before);

  problem::RXSFRE(1, 2, istat);
  EXPECT_EQ(istat, 0);
  EXPECT_EQ(copy.pointer, 0);
  EXPECT_EQ(copy.integerSector1, 0);
  EXPECT_EQ(copy.integerSector2, 0);
  EXPECT_EQ(storedSet(1), before);

  // Releasing a copy that holds nothing writes nothing.
  problem::RXSFRE(1, 2, istat);
  EXPECT_EQ(istat, 0);
  EXPECT_EQ(storedSet(1), before);
}

TEST_F(Reactions, ChangedCopyOutlivesTheClose) {
  std::int32_t istat = -1;
  problem::RXSGT1(2, istat);
  CORSTO[RSCOPY.copies(1).integerSector1 + 1] = 555;
  problem::RXSFR1(2, istat);
  reopen();
  problem::RXSGET(2, 3, istat);
  EXPECT_EQ(CORSTO[RSCOPY.copies(3).integerSector1 + 1], 555);
  EXPECT_EQ(CORSTO[RSCOPY.copies(3).integerSector1 + 2], 22012);
}

// Reading another set into a copy drops what the copy held without saving it.
TEST_F(Reactions, ReplacedCopyIsReleasedUnsaved) {
  std::int32_t istat = -1;
  problem::RXSGET(1, 1, istat);
  CORSTO[RSCOPY.copies(1).integerSector1 + 1] = 999;
  problem::RXSGET(2, 1, istat);
  EXPECT_EQ(CORSTO[RSCOPY.copies(1).integerSector1 + 1], 22011);
  problem::RXSGET(1, 3, istat);
  EXPECT_EQ(CORSTO[RSCOPY.copies(3).integerSector1 + 1], 21011);
}

TEST_F(Reactions, CopyNumberOutsideOneToThreeIsRefused) {
  for (const std::int32_t copy : {0, 4, -1}) {
    SCOPED_TRACE(copy);
    attachMessages();
    const problem::ReactionSetCopies before = RSCOPY;
    std::int32_t istat = -1;
    problem::RXSGET(1, copy, istat);
    EXPECT_EQ(istat, 1);
    EXPECT_EQ(services::ERCNTS.perLevel(3), 1);  // an error, and the run goes on
    EXPECT_NE(shownMessage().find("REACTION SET COPY NUMBER IS NOT 1, 2 OR 3"), std::string::npos)
        << shownMessage();
    istat = -1;
    problem::RXSFRE(1, copy, istat);
    EXPECT_EQ(istat, 1);
    for (std::size_t k = 1; k <= 3; ++k) {
      EXPECT_EQ(RSCOPY.copies(k).pointer, before.copies(k).pointer);
    }
  }
}

TEST_F(Reactions, SetWithoutRecordAborts) {
  struct Case {
    bool release;
    std::int32_t n;
    std::string subsystem, userCall;
    std::vector<std::string> items;
  };
  const std::vector<Case> cases = {
      {false, 9, "RXSET", "RXSGET", {"REACTION 9", "STATUS 0"}},
      {false, 3, "RXS", "RXSGET", {"REACTION 3", "STATUS 1"}},
      {true, 0, "RXSET", "RXSFRE", {"REACTION 0", "STATUS 0"}},
      {true, 3, "RXS", "RXSFRE", {"REACTION 3", "STATUS 1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.userCall + " " + std::to_string(c.n));
    const auto abort = abortOf([&] {
      std::int32_t istat = 0;
      if (c.release) {
        problem::RXSFRE(c.n, 1, istat);
      } else {
        problem::RXSGET(c.n, 1, istat);
      }
    });
    ASSERT_TRUE(abort.stopped);
    EXPECT_EQ(abort.message, "BAD REACTION SET");
    EXPECT_EQ(abort.items, c.items);
    EXPECT_NE(abort.heading.find("SUBSYSTEM " + c.subsystem + " "), std::string::npos)
        << abort.heading;
    EXPECT_NE(abort.heading.find("FAILED IN RXSTUP"), std::string::npos) << abort.heading;
    EXPECT_NE(abort.heading.find("USER CALL " + c.userCall), std::string::npos) << abort.heading;
  }
}

}  // namespace
