// Units: the questions about a unit, its set-up into the three contexts, the identifier cache,
// the slot rules (eviction with write-back, locking, freeing) and the unit's heading line.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "problem/flowsheet_test_support.hpp"

namespace {

using flowsheet_tests::unit;
using problem::UNCURR;
using services::NOCORE;
using services::NODISK;
using storage::CORSTO;

constexpr std::int32_t kFeed = 1;     // FEED-DRUM, data block of every kind
constexpr std::int32_t kValve = 2;    // VALVE-1, small data block
constexpr std::int32_t kHidden = 3;   // $TEMP, no data block
constexpr std::int32_t kPlanned = 4;  // PLANNED, status 1: no record
constexpr std::int32_t kUnits = 7;

class Units : public flowsheet_tests::FlowsheetTest {
 protected:
  void SetUp() override {
    fixtures::FlowsheetSpec flowsheet;
    flowsheet.units = {unit("FEED-DRUM", 110001, "FEED SEPARATOR"),
                       unit("VALVE-1", 120002, "LETDOWN VALVE", 2),
                       unit("$TEMP", 100, "HIDDEN UNIT"),
                       unit("PLANNED", 130000, "NOT YET BUILT", 1),
                       unit("U5", 5, "FIFTH"),
                       unit("U6", 6, "SIXTH"),
                       unit("U7", 7, "SEVENTH")};
    flowsheet.units[0].data = flowsheet_tests::richBlock();
    flowsheet.units[1].data = flowsheet_tests::smallBlock();
    build(flowsheet);
  }

  static std::int32_t slots() { return problem::UNSLTC.un.slots; }

  // The unit number of identifier ID, found through the identifier look-ups.
  static std::int32_t find(const std::string& id) {
    for (std::int32_t n = 1; n <= problem::IUNNOU(); ++n) {
      if (problem::UNITID(n).trimmed() == id) return n;
    }
    return 0;
  }
};

TEST_F(Units, QuestionsAnswerForEveryUnitAndBlanksForMissingOnes) {
  struct Case {
    std::int32_t n, status, type;
    std::string id, text;
  };
  const std::vector<Case> cases = {
      {0, 0, 0, "", ""},
      {kFeed, 3, 110001, "FEED-DRUM", "FEED SEPARATOR"},
      {kValve, 2, 120002, "VALVE-1", "LETDOWN VALVE"},
      {kHidden, 3, 100, "", "HIDDEN UNIT"},               // hidden from the identifier queries
      {kPlanned, 1, 130000, "PLANNED", "NOT YET BUILT"},  // registered: its text all the same
      {99, 0, 0, "", ""},
  };
  EXPECT_EQ(problem::IUNNOU(), kUnits);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    EXPECT_EQ(problem::IUNSTA(c.n), c.status);
    EXPECT_EQ(problem::KUNTYP(c.n), c.type);
    EXPECT_EQ(problem::KUNID(c.n).trimmed(), c.id);
    EXPECT_EQ(problem::UNITID(c.n).trimmed(), c.id);
    EXPECT_EQ(problem::UNTEXT(c.n).trimmed(), c.text);
  }
  EXPECT_EQ(find("VALVE-1"), kValve);
  EXPECT_EQ(find("U6"), 6);
  EXPECT_EQ(find("$TEMP"), 0);
}

// Each set-up routine fills its own context with the unit's record, identifier, text and
// heading, and marks the slot by its mode; the other contexts stay as they were.
TEST_F(Units, SetUpFillsItsContextAndMarksTheSlot) {
  struct Case {
    const char* routine;
    std::int32_t n;
    void (*call)(std::int32_t);
    std::int32_t kind, lock, write;
  };
  const std::vector<Case> cases = {
      {"UNSETT", kFeed, [](std::int32_t n) { problem::UNSETT(n); }, 1, 0, 1},
      {"UNSET 0", kValve, [](std::int32_t n) { problem::UNSET(n, 0); }, 2, 0, 1},
      {"UNSET 13", 5, [](std::int32_t n) { problem::UNSET(n, 13); }, 2, 3, 0},
      {"UNSETC", 6, [](std::int32_t n) { problem::UNSETC(n); }, 3, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.routine);
    problem::UnitContexts before = UNCURR;
    c.call(c.n);
    problem::UnitContext& context = UNCURR.context(c.kind);
    EXPECT_EQ(context.unit, c.n);
    // The record: words 1 and 2 of its integer sector, as the builder wrote them.
    EXPECT_EQ(CORSTO[context.integerSector + 1], problem::KUNTYP(c.n) * 10);
    EXPECT_EQ(CORSTO[context.integerSector + 2], 2);
    EXPECT_NE(context.pointerSector, NOCORE);
    EXPECT_NE(context.vatSector, NOCORE);

    const std::size_t area = c.kind == 2 ? 0 : (c.kind == 3 ? 1 : 2);
    const std::string texts = UNCURR.texts[area].str();
    const std::string id = problem::KUNID(c.n).str();
    const std::string text = problem::UNTEXT(c.n).str();
    EXPECT_EQ(texts.substr(0, 12), id);
    EXPECT_EQ(texts.substr(12, 40), text);
    EXPECT_EQ(services::trimRight(texts.substr(52)),
              "UNIT " + std::to_string(c.n) + " - " + std::string(services::trimRight(id)) + " - " +
                  std::string(services::trimRight(text)));

    const auto marks = marksOf(slots(), c.n);
    EXPECT_EQ(marks.lock, c.lock);
    EXPECT_EQ(marks.write, c.write);
    std::int32_t slot = 0, core = 0;
    storage::SCLOC(c.n, slots(), slot, core);
    EXPECT_EQ(problem::ENTCUR.pointer, core);
    EXPECT_EQ(problem::UNREC.pointer, problem::ENTCUR.pointer);
    EXPECT_EQ(problem::UNREC.length, CORSTO[problem::ENTCUR.pointer + 3]);  // its total length
    for (std::int32_t other = 1; other <= 3; ++other) {
      if (other == c.kind) continue;
      EXPECT_EQ(UNCURR.context(other).unit, before.context(other).unit);
    }
  }
}

TEST_F(Units, IdentifierCacheReadsTheIndexOncePerUnit) {
  problem::clearUnitIdentifiers();
  EXPECT_EQ(problem::UNITID(kFeed).trimmed(), "FEED-DRUM");
  EXPECT_EQ(problem::unitIdentifiers.indexReads, 1);
  for (int repeat = 0; repeat < 3; ++repeat) {
    storage::CURRTN.fb.blank();  // every index routine writes its name here
    EXPECT_EQ(problem::UNITID(kFeed).trimmed(), "FEED-DRUM");
    EXPECT_TRUE(storage::CURRTN.fb.isBlank());
  }
  EXPECT_EQ(problem::unitIdentifiers.indexReads, 1);

  // A hidden identifier is asked for again each time; no number, no read.
  problem::UNITID(kHidden);
  problem::UNITID(kHidden);
  problem::UNITID(0);
  EXPECT_EQ(problem::unitIdentifiers.indexReads, 3);

  // The open's start values forget every identifier.
  problem::clearUnitIdentifiers();
  problem::UNITID(kFeed);
  EXPECT_EQ(problem::unitIdentifiers.indexReads, 1);
}

TEST_F(Units, SetUpOfAUnitWithoutRecordAborts) {
  struct Case {
    std::int32_t n;
    bool calculation;
    std::vector<std::string> items;
    std::string userCall;
  };
  const std::vector<Case> cases = {
      {kPlanned, false, {"UNIT 4", "STATUS 1"}, "UNSET"},
      {99, false, {"UNIT 99", "STATUS 0"}, "UNSET"},
      {0, true, {"UNIT 0", "STATUS 0"}, "UNSETC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    const auto abort = abortOf([&] {
      if (c.calculation) {
        problem::UNSETC(c.n);
      } else {
        problem::UNSET(c.n, 0);
      }
    });
    ASSERT_TRUE(abort.stopped);
    EXPECT_EQ(abort.message, "BAD UNIT NUMBER");
    EXPECT_EQ(abort.items, c.items);
    EXPECT_NE(abort.heading.find("SUBSYSTEM UN"), std::string::npos) << abort.heading;
    EXPECT_NE(abort.heading.find("FAILED IN UNSTUP"), std::string::npos) << abort.heading;
    EXPECT_NE(abort.heading.find("USER CALL " + c.userCall), std::string::npos) << abort.heading;
  }
}

// A unit current in context 3 whose slot is taken for another unit: its changed record goes
// to disk first, and context 3 no longer names it; the same for context 1.
TEST_F(Units, TakenSlotWritesTheChangedRecordAndClearsTheContext) {
  problem::UNSETC(kFeed);
  const std::int32_t length = problem::UNREC.length;
  CORSTO[UNCURR.context3.integerSector + 3] = 4242;
  problem::UNFREE(kFeed, 0);
  problem::UNSETT(kValve);  // changed, unlocked

  // Five slots: three more, locked, leave units 1 and 2 as the only ones to take. Clean
  // slots would go first, so each newcomer is locked too.
  const auto take = [&](std::int32_t n) {
    std::int32_t slot = 0, ptr = 0, victim = 0;
    problem::UNSLOT(n, 3, length, slot, ptr, victim);
    EXPECT_EQ(victim, -1);
    storage::SCSET(slots(), slot, "LEVEL", "STORE", 2);
  };
  for (std::int32_t n : {5, 6, 7}) take(n);
  EXPECT_EQ(UNCURR.context3.unit, kFeed);
  take(8);  // the older of the two
  EXPECT_EQ(marksOf(slots(), kFeed).slot, 0);
  EXPECT_EQ(UNCURR.context3.unit, 0);
  EXPECT_EQ(UNCURR.context1.unit, kValve);
  take(9);
  EXPECT_EQ(UNCURR.context1.unit, 0);

  // Read again from disk, with the change.
  storage::SCSET(slots(), marksOf(slots(), 9).slot, "LEVEL", "STORE", 0);
  problem::UNSETC(kFeed);
  EXPECT_EQ(CORSTO[UNCURR.context3.integerSector + 3], 4242);
}

TEST_F(Units, EveryLockedSlotLeavesNoneForAnotherUnit) {
  for (std::int32_t n : {kFeed, kValve, kHidden, 5, 6}) problem::UNSET(n, 2);
  const auto abort = abortOf([] { problem::UNSET(7, 2); });
  ASSERT_TRUE(abort.stopped);
  EXPECT_EQ(abort.message, "NO SLOTS AVAILABLE");
  EXPECT_TRUE(abort.items.empty());
  EXPECT_NE(abort.heading.find("FAILED IN UNSLOT"), std::string::npos) << abort.heading;

  // Freed, a slot is there again.
  problem::UNFREE(6, 0);
  problem::UNSET(7, 2);
  EXPECT_EQ(UNCURR.context2.unit, 7);
}

TEST_F(Units, FreeLowersTheLockWithinZeroToThree) {
  problem::UNSET(kFeed, 9);
  EXPECT_EQ(marksOf(slots(), kFeed).lock, 9);
  problem::UNFREE(kFeed, 7);
  EXPECT_EQ(marksOf(slots(), kFeed).lock, 3);
  problem::UNFREE(kFeed, 5);  // never raised
  EXPECT_EQ(marksOf(slots(), kFeed).lock, 3);
  problem::UNFREE(kFeed, -2);
  EXPECT_EQ(marksOf(slots(), kFeed).lock, 0);
  problem::UNFREE(6, 0);  // no slot: nothing
  EXPECT_EQ(marksOf(slots(), 6).slot, 0);
}

TEST_F(Units, LocationsOfRecordAndDataBlock) {
  problem::UNSET(kFeed, 10);
  const std::int32_t recordLength = CORSTO[problem::ENTCUR.pointer + 3];

  struct Case {
    std::int32_t n;
    bool record, data;
  };
  for (const Case& c : std::vector<Case>{{kFeed, true, true},
                                         {kHidden, true, false},
                                         {kPlanned, false, false},
                                         {99, false, false}}) {
    SCOPED_TRACE(c.n);
    std::int32_t len1 = -1, adr1 = -1, used2 = -1, len2 = -1, adr2 = -1;
    problem::UNLOC(c.n, len1, adr1, used2, len2, adr2);
    if (c.record) {
      EXPECT_GT(len1, 0);
      EXPECT_NE(adr1, NODISK);
    } else {
      EXPECT_EQ(len1, 0);
      EXPECT_EQ(adr1, NODISK);
    }
    if (c.data) {
      EXPECT_GT(len2, 0);
      EXPECT_EQ(used2, len2);
      EXPECT_NE(adr2, NODISK);
    } else {
      EXPECT_EQ(used2, 0);
      EXPECT_EQ(len2, 0);
      EXPECT_EQ(adr2, NODISK);
    }
  }
  std::int32_t len1 = 0, adr1 = 0, used2 = 0, len2 = 0, adr2 = 0;
  problem::UNLOC(kFeed, len1, adr1, used2, len2, adr2);
  EXPECT_EQ(len1, recordLength);
}

TEST_F(Units, HeadingLines) {
  struct Case {
    std::int32_t code;
    std::string id, text, expected;
  };
  const std::vector<Case> cases = {
      {1, "FEED-DRUM", "FEED SEPARATOR", "UNIT 1 - FEED-DRUM - FEED SEPARATOR"},
      {0, "FEED-DRUM", "FEED SEPARATOR", "UNIT 1 - FEED-DRUM - FEED SEPARATOR"},
      {-1, "FEED-DRUM", "FEED SEPARATOR", "UNIT 1 - FEED-DRUM"},
      {1, "FEED-DRUM", "", "UNIT 1 - FEED-DRUM"},
      // A tens digit looks both up again.
      {11, "OTHER", "WHATEVER", "UNIT 1 - FEED-DRUM - FEED SEPARATOR"},
      {-11, "OTHER", "WHATEVER", "UNIT 1 - FEED-DRUM"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    services::FixedText<75> line;
    problem::UNITXT(line, c.code, kFeed, c.id, c.text);
    EXPECT_EQ(line.trimmed(), c.expected);
  }
}

// A changed record in a slot whose entity has no index entry cannot be written to a place
// of its own: the set-up that would evict it refuses.
TEST_F(Units, EvictingARecordWithoutIndexEntryIsRefused) {
  std::int32_t slot = 0, ptr = 0, victim = 0;
  problem::UNSLOT(50, 0, 40, slot, ptr, victim);
  storage::SCSET(slots(), slot, "WRITE", "STORE", 1);
  for (std::int32_t n : {kFeed, kValve, 5, 6}) problem::UNSET(n, 2);
  const auto abort = abortOf([] { problem::UNSET(7, 2); });
  ASSERT_TRUE(abort.stopped);
  EXPECT_EQ(abort.message, "SLOT HOLDS AN ENTITY THAT HAS NO INDEX ENTRY");
  EXPECT_EQ(abort.items, (std::vector<std::string>{"ENTITY 50", "SLOT " + std::to_string(slot)}));
  // Nothing to write at the close either.
  storage::SCSET(slots(), slot, "WRITE", "STORE", 0);
}

}  // namespace

// A unit index entry in use that no unit can have: a status outside 1 to 3, or an
// identifier that is blank or not text. An index page overwritten by another record of the
// file read back statuses 0 and zero-byte identifiers, and a solved problem counted no units
// without a word; every question about such an entry now ends in the unit class's report,
// or in the index's own when the page holds bytes that no stored name has.
TEST_F(Units, DamagedIndexEntriesEndInTheUnitsAbortReport) {
  const std::int32_t index = problem::UNSLTC.un.index;
  const auto expectDamaged = [&](std::int32_t n, const std::string& status) {
    problem::clearUnitIdentifiers();
    for (const auto& [routine, read] : std::vector<std::pair<std::string, std::function<void()>>>{
             {"IUNSTA", [n] { problem::IUNSTA(n); }},
             {"KUNTYP", [n] { problem::KUNTYP(n); }},
             {"KUNID", [n] { problem::KUNID(n); }},
             {"KUNID", [n] { problem::UNITID(n); }}}) {
      const auto abort = abortOf(read);
      ASSERT_TRUE(abort.stopped) << routine;
      EXPECT_EQ(abort.message, "DAMAGED UNIT INDEX ENTRY");
      EXPECT_EQ(abort.items,
                (std::vector<std::string>{"UNIT " + std::to_string(n), "STATUS " + status}));
      EXPECT_NE(abort.heading.find("SUBSYSTEM UN"), std::string::npos) << abort.heading;
      EXPECT_NE(abort.heading.find("FAILED IN " + routine), std::string::npos) << abort.heading;
    }
  };

  // Statuses no unit has, in the entry of a unit that answers normally otherwise.
  std::array<char, 12> name{};
  storage::DiskPointer pointer{};
  std::array<std::int32_t, 2> data{};
  std::int32_t missing = 0;
  storage::FBINUM(1, index, kValve, name, pointer, data, missing);
  ASSERT_EQ(missing, 0);
  const std::array<std::int32_t, 2> good = data;
  for (const auto& [status, shown] : std::vector<std::pair<std::int32_t, std::string>>{
           {0, "0"}, {7, "7"}, {-1, "-1"}, {INT32_MIN, "MISSING"}}) {
    SCOPED_TRACE(shown);
    data = {status, good[1]};
    storage::FBINUM(2, index, kValve, name, pointer, data, missing);
    expectDamaged(kValve, shown);
  }
  data = good;
  storage::FBINUM(2, index, kValve, name, pointer, data, missing);
  problem::clearUnitIdentifiers();
  EXPECT_EQ(problem::IUNSTA(kValve), 2);
  EXPECT_EQ(problem::UNITID(kValve).trimmed(), "VALVE-1");

  // Identifiers no unit has: blank, and the zero words of another record read in place of the
  // index page (written straight into the page in core, as no writer stores them). Zero
  // bytes are no text at all: the index reports its damaged page before the unit class sees
  // the entry.
  for (const bool zeroWords : {false, true}) {
    SCOPED_TRACE(zeroWords);
    const std::string id = zeroWords ? "ZEROED" : "";
    std::int32_t n = 0;
    std::array<std::int32_t, 2> active{2, 120002};
    storage::DiskPointer none = storage::emptyDiskPointer();
    std::int32_t status = 0;
    storage::FBINAM(2, index, id, 2, n, none, active, status);
    ASSERT_EQ(status, 0);
    if (zeroWords) {
      const std::int32_t nw = CORSTO[index + storage::pagectl::kNameWords];
      const std::int32_t slot = (n - 1) % CORSTO[index + storage::pagectl::kPageSize];
      for (std::int32_t k = 1; k <= nw; ++k) {
        CORSTO[CORSTO[index + storage::pagectl::kPageNames] + slot * nw + k] = 0;
      }
      problem::clearUnitIdentifiers();
      const std::int32_t page = (n - 1) / CORSTO[index + storage::pagectl::kPageSize] + 1;
      file_tests::expectAbort([n] { problem::IUNSTA(n); }, "INDEX PAGE IS DAMAGED",
                              {"PAGE " + std::to_string(page), "SLOT " + std::to_string(slot + 1),
                               "NAME 0"});
      continue;
    }
    expectDamaged(n, "2");
  }
}

namespace {

TEST(EntityLine, PartsWithoutTrailingBlanksCutToTheLine) {
  struct Case {
    std::string cls;
    std::int32_t n;
    std::string id, text, line;
  };
  const std::string longText(60, 'T');
  const std::vector<Case> cases{
      {"STREAM", 12, "FEED        ", "RAW GAS     ", "STREAM 12 - FEED - RAW GAS"},
      {"STREAM", 3, "F", "    ", "STREAM 3 - F"},
      {"UNIT  ", -2147483647 - 1, "X", "", "UNIT -2147483648 - X"},
      // 31 characters before the text leave 44 of its 60.
      {"STREAM", 123456, "ABCDEFGHIJKL", longText,
       "STREAM 123456 - ABCDEFGHIJKL - " + std::string(44, 'T')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    std::array<char, 75> full{};
    problem::STRNAM(full, 0, 0, c.cls, c.n, c.id, c.text);
    std::string expected = c.line;
    expected.resize(full.size(), ' ');
    EXPECT_EQ(std::string(full.begin(), full.end()), expected);
    // A shorter field receives the line's start.
    std::array<char, 10> cut{};
    problem::STRNAM(cut, 0, 0, c.cls, c.n, c.id, c.text);
    EXPECT_EQ(std::string(cut.begin(), cut.end()), expected.substr(0, cut.size()));
  }
}

}  // namespace
