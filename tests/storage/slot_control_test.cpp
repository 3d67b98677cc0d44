#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core_store_checker.hpp"
#include "services/services.hpp"
#include "storage/core_store.hpp"
#include "storage/slot_control.hpp"
#include "support/test_support.hpp"

namespace {

using services::NOCORE;
using storage::CORSTO;

struct Found {
  std::int32_t slot = -9;
  std::int32_t p = -9;
  std::int32_t prev = -9;
};

struct Slot {
  std::int32_t ent, len, p, lock, write, hierv;
};

class SlotControl : public ::testing::Test {
 protected:
  void SetUp() override {
    services::ERINIT();
    storage::CMINIT(0, 0, 0);
  }
  void TearDown() override {
    if (h != NOCORE) storage::SCKILL(h);
  }
  void create(std::int32_t level, std::int32_t hier, std::int32_t nslot) {
    h = NOCORE;
    storage::SCCREA(level, hier, nslot, h);
  }
  Found find(std::int32_t ent, std::int32_t len = 100, std::int32_t hv = 0) {
    Found f;
    storage::SCFIND(ent, len, hv, h, f.slot, f.p, f.prev);
    return f;
  }
  Slot slot(std::int32_t s) {
    Slot r{};
    storage::SCGET(h, s, r.ent, r.len, r.p, r.lock, r.write, r.hierv);
    return r;
  }
  std::int32_t recency(std::int32_t s) { return CORSTO[h + 5 * s + 4] % 10000; }
  void set(std::int32_t s, const char* what, const char* how, std::int32_t value) {
    storage::SCSET(h, s, what, how, value);
  }
  std::string abortMessage() const {
    return std::string(services::MSGTXT.lines(1).trimmed().substr(15));
  }

  std::int32_t h = NOCORE;
  testing_support::StopThrows stop;
};

TEST_F(SlotControl, FillsEmptySlotsThenReplacesTheLeastRecentCleanOne) {
  create(2, 0, 3);
  for (std::int32_t e = 1; e <= 3; ++e) {
    const Found f = find(e);
    EXPECT_EQ(f.slot, e);
    EXPECT_EQ(f.prev, storage::kGiven);
    EXPECT_EQ(f.p, slot(e).p);
  }
  EXPECT_EQ(recency(1), 9997);
  EXPECT_EQ(recency(2), 9998);
  EXPECT_EQ(recency(3), 9999);

  const std::int32_t core1 = slot(1).p;
  const Found f = find(4);
  EXPECT_EQ(f.slot, 1);
  EXPECT_EQ(f.prev, storage::kGiven);
  EXPECT_EQ(f.p, core1) << "100 words fit: the core stays";
  EXPECT_EQ(recency(1), 9999);
  EXPECT_EQ(recency(2), 9997);
  EXPECT_EQ(recency(3), 9998);

  const Found again = find(4);
  EXPECT_EQ(again.slot, 1);
  EXPECT_EQ(again.prev, storage::kAlreadyHeld);
  EXPECT_EQ(storage_testing::checkCoreStore(), "");
}

TEST_F(SlotControl, ChangedRecordsAreWrittenBackBeforeTheirSlotIsReused) {
  struct Case {
    std::vector<std::int32_t> writeFlags;  // of slots 1-3, recencies 9997, 9998, 9999
    Found expected;
  };
  const std::vector<Case> cases = {
      {{1, 0, 0}, {2, 0, storage::kGiven}},  // a clean slot wins over a changed one
      {{1, 1, 0}, {3, 0, storage::kGiven}},
      {{1, 1, 1}, {1, 0, 1}},                // all changed: entity 1 is evicted first
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.writeFlags[0] + 2 * c.writeFlags[1] + 4 * c.writeFlags[2]);
    create(2, 0, 3);
    for (std::int32_t e = 1; e <= 3; ++e) {
      find(e);
      set(e, "WRITE", "", c.writeFlags[static_cast<std::size_t>(e - 1)]);
    }
    const Found f = find(4);
    EXPECT_EQ(f.slot, c.expected.slot);
    EXPECT_EQ(f.prev, c.expected.prev);
    if (f.prev > 0) {
      EXPECT_EQ(slot(1).ent, -1) << "emptied, with its core";
      EXPECT_EQ(f.p, slot(1).p);
      const Found retry = find(4);
      EXPECT_EQ(retry.slot, 1) << "the best fitting empty slot";
      EXPECT_EQ(retry.prev, storage::kGiven);
    }
    storage::SCKILL(h);
  }
}

TEST_F(SlotControl, LockedSlotsStay) {
  create(1, 0, 3);
  for (std::int32_t e = 1; e <= 3; ++e) {
    find(e);
    set(e, "LEVEL", "INCREASE", 1);
  }
  Found f = find(4);
  EXPECT_EQ(f.slot, 0);
  EXPECT_EQ(f.p, NOCORE);
  set(2, "LEVEL", "DECREASE", 0);
  f = find(4);
  EXPECT_EQ(f.slot, 2);
  storage::SCKILL(h);

  create(0, 0, 1);
  find(1);
  EXPECT_EQ(find(2).slot, 0) << "with level 0 no occupied slot is ever replaced";
}

TEST_F(SlotControl, CoreIsReplacedOnlyWhenTooSmallOrThreeTimesTooLarge) {
  create(2, 0, 1);
  find(1, 100);
  CORSTO[slot(1).p + 7] = 77;
  struct Case {
    std::int32_t ent, len, keptLength;
    std::int32_t prev;
  };
  for (const Case& c : {Case{1, 40, 100, 0}, Case{1, 30, 30, 0}, Case{1, 50, 50, 0},
                        Case{2, 60, 60, storage::kGiven}, Case{2, 200, 200, 0}}) {
    SCOPED_TRACE(::testing::Message() << c.ent << " " << c.len);
    const Found f = find(c.ent, c.len);
    EXPECT_EQ(f.prev, c.prev);
    EXPECT_EQ(slot(1).len, c.keptLength);
  }
  EXPECT_EQ(storage_testing::checkCoreStore(), "");

  // A record that moves to new core keeps its words.
  create(2, 0, 1);
  find(5, 20);
  CORSTO[slot(1).p + 3] = 42;
  find(5, 100);
  EXPECT_EQ(CORSTO[slot(1).p + 3], 42);
}

TEST_F(SlotControl, SetChangesOneFieldOfTheState) {
  create(2, 0, 2);
  find(1);
  set(1, "LEVEL", "INCREASE", 1);
  EXPECT_EQ(slot(1).lock, 1);
  set(1, "LEVEL", "INCREASE", 0);
  EXPECT_EQ(slot(1).lock, 1);
  set(1, "LEVEL", "DECREASE", 0);
  EXPECT_EQ(slot(1).lock, 0);
  set(1, "LEVEL", " ", 3);
  set(1, "WRITE", "SET", 1);
  set(1, "HIER", "INCREASE", 4);
  set(1, "COLOUR", "SET", 9);
  const Slot s = slot(1);
  EXPECT_EQ(s.lock, 3);
  EXPECT_EQ(s.write, 1);
  EXPECT_EQ(s.hierv, 4);
  EXPECT_EQ(recency(1), 9999) << "the recency is not touched";
}

TEST_F(SlotControl, HierarchyOptions) {
  // HIER 1: the slot numbered HV is the only candidate.
  create(2, 1, 3);
  EXPECT_EQ(find(7, 100, 2).slot, 2);
  EXPECT_EQ(find(8, 100, 2).slot, 2);
  std::int32_t slotFound = -1;
  std::int32_t p = -1;
  storage::SCLOC(8, h, slotFound, p);
  EXPECT_EQ(slotFound, 0) << "a lookup without hierarchy finds nothing here";
  storage::SCKILL(h);

  // HIER 2: a slot holding a higher hierarchy value is not replaced by a lower request, and a
  // value is held by one slot at most.
  create(2, 2, 2);
  find(1, 100, 5);
  find(2, 100, 1);
  EXPECT_EQ(find(3, 100, 1).slot, 2);
  find(4, 100, 5);
  EXPECT_EQ(slot(1).hierv, 5);
  EXPECT_EQ(slot(1).ent, 4);
}

TEST_F(SlotControl, LocateFindsOnlyTheHolder) {
  create(2, 0, 2);
  const Found f = find(6);
  std::int32_t s = -1;
  std::int32_t p = -1;
  storage::SCLOC(6, h, s, p);
  EXPECT_EQ(s, f.slot);
  EXPECT_EQ(p, f.p);
  storage::SCLOC(7, h, s, p);
  EXPECT_EQ(s, 0);
  EXPECT_EQ(p, NOCORE);
}

TEST_F(SlotControl, FaultsAbort) {
  struct Case {
    std::string message;
    std::function<void()> call;
  };
  create(2, 0, 2);
  std::int32_t none = NOCORE;
  std::int32_t existing = h;
  std::int32_t a = 0, b = 0, c = 0, d = 0, e = 0, f = 0;
  const std::vector<Case> cases = {
      {"BAD LEVEL OPTION", [&] { std::int32_t x = NOCORE; storage::SCCREA(-1, 0, 2, x); }},
      {"BAD HIERARCHY OPTION", [&] { std::int32_t x = NOCORE; storage::SCCREA(1, 3, 2, x); }},
      {"BAD NUMBER OF SLOTS", [&] { std::int32_t x = NOCORE; storage::SCCREA(1, 0, 0, x); }},
      {"SLOT CONTROL STRUCTURE ALREADY EXISTS", [&] { storage::SCCREA(1, 0, 2, existing); }},
      {"SLOT CONTROL STRUCTURE DOES NOT EXIST", [&] { storage::SCFIND(1, 1, 0, none, a, b, c); }},
      {"BAD ENTITY NUMBER", [&] { storage::SCFIND(-1, 1, 0, h, a, b, c); }},
      {"BAD HIERARCHY", [&] { storage::SCFIND(1, 1, -1, h, a, b, c); }},
      {"BAD ENTITY LENGTH", [&] { storage::SCFIND(1, 0, 0, h, a, b, c); }},
      {"BAD SLOT NUMBER", [&] { storage::SCGET(h, 3, a, b, c, d, e, f); }},
      {"BAD SLOT NUMBER", [&] { storage::SCSET(h, 0, "LEVEL", "", 1); }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.message);
    services::ERINIT();
    EXPECT_THROW(k.call(), platform::RunStopped);
    EXPECT_EQ(abortMessage(), k.message);
    EXPECT_EQ(services::MSGTXT.lines(2).view().substr(15, 12), "SUBSYSTEM SC");
  }
}

}  // namespace
