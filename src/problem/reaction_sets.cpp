// Reaction sets: read whole into one of three core copies and written back on release.
#include <cstdint>
#include <string_view>

#include "problem/database.hpp"
#include "problem/entity_records.hpp"
#include "problem/reactions.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {

ReactionSetCopies RSCOPY;

namespace {

using storage::SectorKind;

constexpr std::int32_t kBadCopyNumber = 1050000150;
// ICMGTI option: the new area filled with zeros.
constexpr std::int32_t kZeroFilled = static_cast<std::int32_t>(storage::Fill::Zeros);

// The reaction sets as a class: only their failures are reported through it.
entity::EntityClass reactionSets() {
  return entity::EntityClass{
      "RXS", "RXSTUP", entityRoutines.reaction.view(), SLOTCT.rx.setIndex, services::NOCORE, {}};
}

// Step 1 of both routines: a copy number outside 1 to 3 is reported and refused.
bool copyRefused(std::int32_t copy, std::int32_t& istat) {
  if (copy >= 1 && copy <= kReactionSetCopies) {
    istat = 0;
    return false;
  }
  istat = 1;
  services::MSGOUT(kBadCopyNumber);
  return true;
}

// Step 2 of both routines: the set's index entry, which must hold a record.
entity::IndexEntry setEntry(std::int32_t n) {
  const entity::EntityClass cls = reactionSets();
  const entity::IndexEntry entry = entity::readEntry(cls.index, n);
  if (!entry.found) {
    services::ERRITM("REACTION", n);
    services::ERRITM("STATUS", 0);
    services::ABTRPT("RXSET", "RXSTUP", cls.userCall, "BAD REACTION SET");
  }
  if (entry.status() < entity::kHasRecord) {
    services::ERRITM("REACTION", n);
    services::ERRITM("STATUS", entry.status());
    services::ABTRPT(cls.subsystem, "RXSTUP", cls.userCall, "BAD REACTION SET");
  }
  entity::requireRecord(cls, "RXSTUP", "REACTION SET", "REACTION", n, entry);
  return entry;
}

}  // namespace

void RXSGET(std::int32_t n, std::int32_t copy, std::int32_t& istat) {
  entityRoutines.reaction.assign("RXSGET");
  if (copyRefused(copy, istat)) return;
  const entity::IndexEntry entry = setEntry(n);

  // 3. A new zeroed area of the record's length, and the record read into it.
  std::int32_t len = storage::dp(entry.pointer, storage::dpword::kTotalLength);
  std::int32_t area = storage::ICMGTI(len, kZeroFilled);
  std::int32_t status = 0;
  storage::SBRDC(len, area, entry.pointer, status);

  // 4. What the copy held goes, unsaved.
  ReactionSetCopy& held = RSCOPY.copies(static_cast<std::size_t>(copy));
  if (held.pointer != 0) storage::CMFREI(held.pointer);
  held.integerSector1 = entity::sectorStart(SectorKind::Integer, 1);
  held.integerSector2 = entity::sectorStart(SectorKind::Integer, 2);
  held.pointer = area;
}

void RXSFRE(std::int32_t n, std::int32_t copy, std::int32_t& istat) {
  entityRoutines.reaction.assign("RXSFRE");
  if (copyRefused(copy, istat)) return;
  entity::IndexEntry entry = setEntry(n);

  // 3. The copy written under the set's pointer, which its entry takes back.
  ReactionSetCopy& held = RSCOPY.copies(static_cast<std::size_t>(copy));
  if (held.pointer != 0) {
    std::int32_t status = 0;
    storage::SBWTC(storage::dp(entry.pointer, storage::dpword::kTotalLength), held.pointer,
                   entry.pointer, status);
    entity::storePointer(SLOTCT.rx.setIndex, n, entry.pointer);
    storage::CMFREI(held.pointer);
    held.pointer = 0;
  }
  held.integerSector1 = 0;
  held.integerSector2 = 0;
}

void RXSGT1(std::int32_t n, std::int32_t& istat) { RXSGET(n, 1, istat); }

void RXSFR1(std::int32_t n, std::int32_t& istat) { RXSFRE(n, 1, istat); }

}  // namespace problem
