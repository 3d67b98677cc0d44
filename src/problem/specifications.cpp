// Specifications and CS items made current in the shared current-specification words.
#include "problem/specifications.hpp"

#include <cstdint>
#include <string_view>

#include "problem/database.hpp"
#include "problem/entity_classes.hpp"
#include "problem/entity_contexts.hpp"
#include "problem/entity_records.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

using storage::SectorKind;

// The hierarchy value of every set-up of either class, and the context it fills.
constexpr std::int32_t kHierarchy = 2;
constexpr std::int32_t kCurrent = 2;

// What differs between the two classes.
struct SpecClass {
  std::string_view setRoutine;
  std::string_view item;
  std::string_view what;
  std::string_view badNumber;
};
constexpr SpecClass kSpecification{"VSSET", "SPEC", "SPEC", "BAD SPEC NUMBER"};
constexpr SpecClass kCsItem{"NCSET", "CS ITEM", "CS ITEM", "BAD CS ITEM NUMBER"};

// A record written back to make room no longer backs SPCUR when it was the current one.
void forgetCurrent(std::int32_t victim) {
  if (SPCUR.item == victim) SPCUR.item = 0;
}

entity::EntityClass specifications() {
  return entity::EntityClass{
      "VS",         "VSSLOT", entityRoutines.specification.view(), SLOTCT.vs.index, SLOTCT.vs.slots,
      forgetCurrent};
}

entity::EntityClass csItems() {
  return entity::EntityClass{
      "NC",         "NCSLOT", entityRoutines.csItem.view(), SLOTCT.nc.index, SLOTCT.nc.slots,
      forgetCurrent};
}

// The set-up that both classes share.
void setUp(const entity::EntityClass& cls, const SpecClass& names, std::int32_t n,
           std::int32_t mode) {
  // 1. The index entry: an entity with a record.
  const entity::IndexEntry entry = entity::readEntry(cls.index, n);
  if (entry.status() < entity::kHasRecord) {
    services::ERRITM(names.item, n);
    services::ERRITM("STATUS", entry.status());
    services::ABTRPT(cls.subsystem, names.setRoutine, cls.userCall, names.badNumber);
  }
  entity::requireRecord(cls, names.setRoutine, names.what, names.item, n, entry);

  // 2. A slot, and 3. the record in it.
  const std::int32_t len = storage::dp(entry.pointer, storage::dpword::kTotalLength);
  const entity::Slot slot = entity::findSlot(cls, n, kHierarchy, len);
  entity::loadRecord(entry, len, slot);

  // 4. SPCUR, the slot's marks and the record set up last.
  VSCUR(n, kCurrent);
  entity::raiseSlot(cls.slots, slot.slot, mode);
  ENTCUR.length = len;
  ENTCUR.pointer = slot.pointer;
}

void slotOf(const entity::EntityClass& cls, std::int32_t n, std::int32_t hier, std::int32_t len,
            std::int32_t& slot, std::int32_t& ptr, std::int32_t& victim) {
  const entity::Slot found = entity::findSlot(cls, n, hier, len);
  slot = found.slot;
  ptr = found.pointer;
  victim = found.victim;
}

}  // namespace

void VSSET(std::int32_t n, std::int32_t mode) {
  entityRoutines.specification.assign("VSSET");
  setUp(specifications(), kSpecification, n, mode);
}

void NCSET(std::int32_t n, std::int32_t mode) {
  entityRoutines.csItem.assign("NCSET");
  setUp(csItems(), kCsItem, n, mode);
}

void VSSLOT(std::int32_t n, std::int32_t hier, std::int32_t len, std::int32_t& slot,
            std::int32_t& ptr, std::int32_t& victim) {
  slotOf(specifications(), n, hier, len, slot, ptr, victim);
}

void NCSLOT(std::int32_t n, std::int32_t hier, std::int32_t len, std::int32_t& slot,
            std::int32_t& ptr, std::int32_t& victim) {
  slotOf(csItems(), n, hier, len, slot, ptr, victim);
}

void VSCUR(std::int32_t n, std::int32_t kind) {
  if (kind != kCurrent) return;
  SPCUR.item = n;
  for (std::int32_t s = 1; s <= static_cast<std::int32_t>(SPCUR.integerSectors.size()); ++s) {
    SPCUR.integerSectors[static_cast<std::size_t>(s - 1)] =
        entity::sectorStart(SectorKind::Integer, s);
  }
  SPCUR.realSector = entity::sectorStart(SectorKind::Real, 1);
  SPCUR.systemSector = entity::sectorStart(SectorKind::System, 1);
}

}  // namespace problem
