// Slot control: choosing, evicting and ageing the slots of an entity class's record cache.
#include "storage/slot_control.hpp"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <span>
#include <string_view>

#include "services/services.hpp"
#include "storage/core_store.hpp"
#include "storage/current_routine.hpp"

namespace storage {
namespace {

using services::ABTRPT;
using services::ERRITM;
using services::NOCORE;

constexpr std::int32_t kLockUnit = 100000;
constexpr std::int32_t kWriteUnit = 10000;
constexpr std::int32_t kEmpty = -1;

void fail(std::string_view routine, std::string_view message) {
  ABTRPT("SC", routine, CURRTN.sc.view(), message);
}

// Slot s's word k (scword::kEntity ... kHierValue).
std::int32_t& slotWord(std::int32_t h, std::int32_t s, std::int32_t k) {
  return CORSTO[h + 5 * s + k];
}

// The slot words of control H, checked once against the core store: a scan of every slot
// reads them through this view.
class SlotWords {
 public:
  explicit SlotWords(std::int32_t h)
      : words_(CORSTO.words(h + 5 + scword::kEntity,
                            5 * std::max(CORSTO[h + scword::kSlotCount], 0))) {}
  // Slot s's word k, as slotWord.
  std::int32_t& operator()(std::int32_t s, std::int32_t k) const {
    return words_[static_cast<std::size_t>(5 * (s - 1) + k - 1)];
  }

 private:
  std::span<std::int32_t> words_;
};

std::int32_t lockOf(std::int32_t state) { return (state / kLockUnit) % 10; }
std::int32_t writeOf(std::int32_t state) { return (state / kWriteUnit) % 10; }
std::int32_t recencyOf(std::int32_t state) { return state % kWriteUnit; }
std::int32_t stateOf(std::int32_t lock, std::int32_t write, std::int32_t recency) {
  return lock * kLockUnit + write * kWriteUnit + recency;
}

void requireStructure(std::string_view routine, std::int32_t h) {
  if (h == 0 || h == NOCORE) fail(routine, "SLOT CONTROL STRUCTURE DOES NOT EXIST");
}

void requireSlot(std::string_view routine, std::int32_t h, std::int32_t slot) {
  requireStructure(routine, h);
  const std::int32_t count = CORSTO[h + scword::kSlotCount];
  if (slot < 1 || slot > count) {
    ERRITM("NUM ER", slot);
    ERRITM("MAXIMUM", count);
    fail(routine, "BAD SLOT NUMBER");
  }
}

std::int32_t getCore(std::int32_t len) {
  const std::int32_t p = ICMGTI(len, 10);
  if (p == 0) {
    ERRITM("LENGTH", len);
    fail("SCFIND", "NO MEMORY AVAILABLE FOR SLOT");
  }
  return p;
}

}  // namespace

void SCCREA(std::int32_t level, std::int32_t hier, std::int32_t nslot, std::int32_t& h) {
  CURRTN.sc.assign("SCCREA");
  if (level < 0) {
    ERRITM("OPTION", level);
    fail("SCCREA", "BAD LEVEL OPTION");
  }
  if (hier < 0 || hier > 2) {
    ERRITM("OPTION", hier);
    fail("SCCREA", "BAD HIERARCHY OPTION");
  }
  if (nslot < 1 || nslot > (INT32_MAX - 5) / 5) {
    ERRITM("NUM ER", nslot);
    fail("SCCREA", "BAD NUMBER OF SLOTS");
  }
  if (h != NOCORE) fail("SCCREA", "SLOT CONTROL STRUCTURE ALREADY EXISTS");
  h = ICMGTI(5 * nslot + 5, 10);
  if (h == 0) {
    h = NOCORE;
    fail("SCCREA", "NO MEMORY AVAILABLE FOR SLOT CONTROL STRUCTURE");
  }
  CORSTO[h + 1] = 0;
  CORSTO[h + scword::kSlotCount] = nslot;
  CORSTO[h + 3] = 0;
  CORSTO[h + scword::kLevel] = level;
  CORSTO[h + scword::kHier] = hier;
  for (std::int32_t s = 1; s <= nslot; ++s) {
    slotWord(h, s, scword::kEntity) = kEmpty;
    slotWord(h, s, scword::kLength) = 0;
    slotWord(h, s, scword::kCore) = 0;
    slotWord(h, s, scword::kState) = 0;
    slotWord(h, s, scword::kHierValue) = 0;
  }
}

void SCPICK(std::int32_t ent, std::int32_t len, std::int32_t hv, std::int32_t h,
            std::int32_t& slot) {
  const std::int32_t count = CORSTO[h + scword::kSlotCount];
  const std::int32_t level = CORSTO[h + scword::kLevel];
  const std::int32_t hier = CORSTO[h + scword::kHier];
  std::int32_t bestFit = 0;
  std::int32_t bestFitLength = INT32_MAX;
  std::int32_t smallest = 0;
  std::int32_t smallestLength = INT32_MAX;
  std::int32_t withoutCore = 0;
  std::int32_t victim = 0;
  std::int32_t victimState = INT32_MAX;

  const SlotWords slots(h);
  for (std::int32_t s = 1; s <= count; ++s) {
    if (hier == 1 && s != hv) continue;
    const std::int32_t entity = slots(s, scword::kEntity);
    const std::int32_t length = slots(s, scword::kLength);
    if (entity == ent) {
      slot = s;
      return;
    }
    if (length == 0) {
      if (withoutCore == 0) withoutCore = s;
      continue;
    }
    if (entity == kEmpty) {
      if (length >= len && length < bestFitLength) {
        bestFit = s;
        bestFitLength = length;
      } else if (length < smallestLength) {
        smallest = s;
        smallestLength = length;
      }
      continue;
    }
    const std::int32_t state = slots(s, scword::kState);
    const std::int32_t value = slots(s, scword::kHierValue);
    const bool unlocked = std::int64_t{state} < std::int64_t{level} * kLockUnit;
    const bool hierarchyAllows = hier != 2 || value <= hv || value <= 0 || hv <= 0;
    if (unlocked && hierarchyAllows && state < victimState) {
      victim = s;
      victimState = state;
    }
  }
  for (const std::int32_t choice : {bestFit, smallest, withoutCore, victim}) {
    if (choice != 0) {
      slot = choice;
      return;
    }
  }
  slot = 0;
}

void SCFIND(std::int32_t ent, std::int32_t len, std::int32_t hv, std::int32_t h,
            std::int32_t& slot, std::int32_t& p, std::int32_t& prev) {
  CURRTN.sc.assign("SCFIND");
  requireStructure("SCFIND", h);
  if (ent < 0) {
    ERRITM("NUM ER", ent);
    fail("SCFIND", "BAD ENTITY NUMBER");
  }
  if (hv < 0) {
    ERRITM("HIER", hv);
    fail("SCFIND", "BAD HIERARCHY");
  }
  if (len < 1) {
    ERRITM("LENGTH", len);
    fail("SCFIND", "BAD ENTITY LENGTH");
  }

  SCPICK(ent, len, hv, h, slot);
  prev = 0;
  if (slot == 0) {
    p = NOCORE;
    return;
  }

  std::int32_t& entity = slotWord(h, slot, scword::kEntity);
  std::int32_t& length = slotWord(h, slot, scword::kLength);
  std::int32_t& core = slotWord(h, slot, scword::kCore);
  std::int32_t& state = slotWord(h, slot, scword::kState);
  std::int32_t& value = slotWord(h, slot, scword::kHierValue);
  const std::int32_t recencyBefore = recencyOf(state);
  const bool holdsEnt = entity == ent;

  // A changed record of another entity is evicted first; its owner writes it back.
  if (!holdsEnt && entity > 0 && writeOf(state) == 1) {
    prev = entity;
    entity = kEmpty;
    state = recencyBefore;
    value = 0;
    p = core;
    return;
  }

  if (length == 0) {
    core = getCore(len);
    length = len;
    entity = ent;
    state = kMostRecent;
    value = hv;
    prev = kGiven;
  } else if (length >= len && std::int64_t{length} <= 3 * std::int64_t{len}) {
    if (holdsEnt) {
      state = stateOf(lockOf(state), writeOf(state), kMostRecent);
      value = std::max(value, hv);
      prev = kAlreadyHeld;
    } else {
      entity = ent;
      state = kMostRecent;
      value = hv;
      prev = kGiven;
    }
  } else if (holdsEnt) {
    // The record moves to core of the size asked for.
    std::int32_t fresh = getCore(len);
    const std::int32_t keep = std::min(len, length);
    std::int32_t old = core;
    for (std::int32_t i = 1; i <= keep; ++i) CORSTO[fresh + i] = CORSTO[old + i];
    CMFREI(old);
    core = fresh;
    length = len;
    state = stateOf(lockOf(state), writeOf(state), kMostRecent);
    value = std::max(value, hv);
    prev = kAlreadyHeld;
  } else {
    std::int32_t old = core;
    CMFREI(old);
    core = getCore(len);
    length = len;
    entity = ent;
    state = kMostRecent;
    value = hv;
    prev = kGiven;
  }

  // Ageing: the slots used since the chosen one was used last move one rank down.
  const std::int32_t count = CORSTO[h + scword::kSlotCount];
  const SlotWords slots(h);
  for (std::int32_t s = 1; s <= count; ++s) {
    if (s == slot) continue;
    std::int32_t& otherState = slots(s, scword::kState);
    if (recencyOf(otherState) > recencyBefore) otherState -= 1;
    std::int32_t& otherValue = slots(s, scword::kHierValue);
    if (otherValue == hv) otherValue = 0;
  }
  p = core;
}

void SCLOC(std::int32_t ent, std::int32_t h, std::int32_t& slot, std::int32_t& p) {
  CURRTN.sc.assign("SCLOC");
  requireStructure("SCLOC", h);
  if (ent < 0) {
    ERRITM("NUM ER", ent);
    fail("SCLOC", "BAD ENTITY NUMBER");
  }
  std::int32_t chosen = 0;
  SCPICK(ent, 0, 0, h, chosen);
  if (chosen != 0 && slotWord(h, chosen, scword::kEntity) == ent) {
    slot = chosen;
    p = slotWord(h, chosen, scword::kCore);
  } else {
    slot = 0;
    p = NOCORE;
  }
}

void SCGET(std::int32_t h, std::int32_t slot, std::int32_t& ent, std::int32_t& len,
           std::int32_t& p, std::int32_t& lock, std::int32_t& write, std::int32_t& hierv) {
  CURRTN.sc.assign("SCGET");
  requireSlot("SCGET", h, slot);
  ent = slotWord(h, slot, scword::kEntity);
  len = slotWord(h, slot, scword::kLength);
  p = slotWord(h, slot, scword::kCore);
  const std::int32_t state = slotWord(h, slot, scword::kState);
  lock = lockOf(state);
  write = writeOf(state);
  hierv = slotWord(h, slot, scword::kHierValue);
}

void SCSET(std::int32_t h, std::int32_t slot, std::string_view what, std::string_view how,
           std::int32_t value) {
  CURRTN.sc.assign("SCSET");
  requireSlot("SCSET", h, slot);
  std::int32_t& state = slotWord(h, slot, scword::kState);
  std::int32_t lock = lockOf(state);
  std::int32_t write = writeOf(state);
  std::int32_t& hierValue = slotWord(h, slot, scword::kHierValue);
  const std::string_view field = services::trimRight(what);
  const std::string_view change = services::trimRight(how);
  const auto apply = [&](std::int32_t current) {
    if (change == "INCREASE") return std::max(current, value);
    if (change == "DECREASE") return std::min(current, value);
    return value;
  };
  if (field == "LEVEL") {
    lock = std::clamp(apply(lock), 0, 9);  // a digit of the state word
  } else if (field == "WRITE") {
    write = std::clamp(apply(write), 0, 9);
  } else if (field == "HIER") {
    hierValue = apply(hierValue);
  }
  state = stateOf(lock, write, recencyOf(state));
}

void SCKILL(std::int32_t& h) {
  CURRTN.sc.assign("SCKILL");
  if (h != 0 && h != NOCORE) {
    const std::int32_t count = CORSTO[h + scword::kSlotCount];
    for (std::int32_t s = 1; s <= count; ++s) {
      std::int32_t core = slotWord(h, s, scword::kCore);
      if (core != 0) CMFREI(core);
    }
    CMFREI(h);
  }
  h = NOCORE;
}

}  // namespace storage
