// The set-up steps that the unit, specification, CS-item and reaction classes share.
#include "problem/entity_records.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "problem/entity_classes.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {

EntityRoutineCells entityRoutines;

}  // namespace problem

namespace problem::entity {
namespace {

using services::NOCORE;

constexpr std::int32_t kGet = static_cast<std::int32_t>(storage::EntryOption::Get);
constexpr std::int32_t kPut = static_cast<std::int32_t>(storage::EntryOption::Put);

// Highest lock level a free may leave.
constexpr std::int32_t kMaxFreeLevel = 3;

// Data words of the open index H, at most kMaxDataWords.
std::size_t dataWords(std::int32_t index) {
  const std::int32_t datsiz = storage::CORSTO[index + storage::pagectl::kEntrySize];
  return static_cast<std::size_t>(std::clamp<std::int32_t>(datsiz, 0, kMaxDataWords));
}

}  // namespace

IndexEntry readEntry(std::int32_t index, std::int32_t n) {
  IndexEntry entry;
  if (n < 1 || index == NOCORE) return entry;
  std::int32_t status = 0;
  storage::FBINUM(kGet, index, n, entry.name, entry.pointer,
                  std::span(entry.data).first(dataWords(index)), status);
  entry.found = status == 0;
  if (!entry.found) entry.data.fill(0);
  return entry;
}

void storePointer(std::int32_t index, std::int32_t n, const storage::DiskPointer& pointer) {
  IndexEntry entry = readEntry(index, n);
  storage::DiskPointer stored = pointer;
  std::int32_t status = 0;
  storage::FBINUM(kPut, index, n, entry.name, stored, std::span(entry.data).first(dataWords(index)),
                  status);
}

Slot findSlot(const EntityClass& cls, std::int32_t n, std::int32_t hv, std::int32_t len) {
  Slot found;
  while (true) {
    std::int32_t prev = 0;
    storage::SCFIND(n, len, hv, cls.slots, found.slot, found.pointer, prev);
    if (found.slot == 0) {
      services::ABTRPT(cls.subsystem, cls.slotRoutine, cls.userCall, "NO SLOTS AVAILABLE");
    }
    if (prev <= 0) {
      found.victim = prev;
      return found;
    }
    // The slot held a changed record of entity PREV: it goes to disk under its own entry.
    IndexEntry victim = readEntry(cls.index, prev);
    if (!victim.found) {
      // Without the entry's pointer the record would be written to no place of its own.
      services::ERRITM("ENTITY", prev);
      services::ERRITM("SLOT", found.slot);
      services::ABTRPT(cls.subsystem, cls.slotRoutine, cls.userCall,
                       "SLOT HOLDS AN ENTITY THAT HAS NO INDEX ENTRY");
    }
    std::int32_t status = 0;
    storage::SBWTC(storage::dp(victim.pointer, storage::dpword::kTotalLength), found.pointer,
                   victim.pointer, status);
    storePointer(cls.index, prev, victim.pointer);
    if (cls.forget) cls.forget(prev);
  }
}

void requireRecord(const EntityClass& cls, std::string_view routine, std::string_view what,
                   std::string_view item, std::int32_t n, const IndexEntry& entry) {
  if (storage::dp(entry.pointer, storage::dpword::kAddress) != services::NODISK &&
      storage::dp(entry.pointer, storage::dpword::kTotalLength) >= 1) {
    return;
  }
  services::ERRITM(item, n);
  services::ERRITM("STATUS", entry.status());
  const std::string message = std::string(what) + " HAS NO RECORD";
  services::ABTRPT(cls.subsystem, routine, cls.userCall, message);
}

void loadRecord(const IndexEntry& entry, std::int32_t len, const Slot& slot) {
  if (slot.victim == storage::kAlreadyHeld) {
    storage::SBSETC(len, slot.pointer);
    return;
  }
  std::int32_t area = len;
  std::int32_t core = slot.pointer;
  std::int32_t status = 0;
  storage::SBRDC(area, core, entry.pointer, status);
}

void raiseSlot(std::int32_t slots, std::int32_t slot, std::int32_t mode) {
  storage::SCSET(slots, slot, "LEVEL", "INCREASE", mode % 10);
  storage::SCSET(slots, slot, "WRITE", "INCREASE", 1 - mode / 10);
}

void lowerSlot(std::int32_t slots, std::int32_t n, std::int32_t level) {
  if (n < 0 || slots == NOCORE) return;
  std::int32_t slot = 0;
  std::int32_t pointer = NOCORE;
  storage::SCLOC(n, slots, slot, pointer);
  if (slot == 0) return;
  storage::SCSET(slots, slot, "LEVEL", "DECREASE", std::clamp(level, 0, kMaxFreeLevel));
}

std::int32_t sectorStart(storage::SectorKind kind, std::int32_t s) {
  if (s < 1 || s > storage::SBCUR.count(kind)) return NOCORE;
  return storage::SBCUR.pointer(kind, s);
}

}  // namespace problem::entity
