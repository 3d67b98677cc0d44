// Reactions: found by their two identifiers, made current in one of two contexts.
#include "problem/reactions.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "problem/database.hpp"
#include "problem/entity_contexts.hpp"
#include "problem/entity_records.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

using services::FixedText;
using services::NOCORE;
using storage::SectorKind;

constexpr std::int32_t kGet = static_cast<std::int32_t>(storage::EntryOption::Get);
constexpr std::int32_t kMustExist = 1;
constexpr std::size_t kIdLength = 12;
constexpr std::size_t kKeyLength = 24;
// Data words of a reaction entry that the searches read.
constexpr std::size_t kStatusWord = 0;
constexpr std::size_t kSetSearchWord = 2;       // data word 3
constexpr std::size_t kReactionSearchWord = 3;  // data word 4
constexpr std::int32_t kContext1 = 1;
constexpr std::int32_t kContext2 = 2;

ReactionContext* contextOf(std::int32_t kind) {
  if (kind == kContext1) return &RXCUR.context1;
  if (kind == kContext2) return &RXCUR.context2;
  return nullptr;
}

entity::EntityClass reactions() {
  return entity::EntityClass{"RX",
                             "RXSLOT",
                             entityRoutines.reaction.view(),
                             SLOTCT.rx.reactionIndex,
                             SLOTCT.rx.slots,
                             [](std::int32_t victim) {
                               if (RXCUR.context1.reaction == victim) RXCUR.context1.reaction = 0;
                               if (RXCUR.context2.reaction == victim) RXCUR.context2.reaction = 0;
                             }};
}

// The first 12 characters of TEXT, blank-padded.
FixedText<12> identifier(std::string_view text) {
  return FixedText<12>(text.substr(0, std::min(text.size(), kIdLength)));
}

// Looks NAME up in the index H (look-up only): its entry number, 0 when absent.
std::int32_t lookUp(std::int32_t h, std::string_view name, std::size_t dataWords) {
  if (h == NOCORE) return 0;
  std::int32_t entry = 0;
  std::int32_t status = 0;
  storage::DiskPointer pointer = storage::emptyDiskPointer();
  std::array<std::int32_t, entity::kMaxDataWords> data{};
  storage::FBINAM(kGet, h, name, kMustExist, entry, pointer, std::span(data).first(dataWords),
                  status);
  return status == 0 ? entry : 0;
}

}  // namespace

std::int32_t IRXNO(std::string_view setid, std::string_view rxid) {
  entityRoutines.reaction.assign("IRXNO");
  const FixedText<12> set = identifier(setid);
  const FixedText<12> reaction = identifier(rxid);
  if (set.isBlank() && reaction.isBlank()) return 0;
  const std::int32_t index = SLOTCT.rx.reactionIndex;

  // Both given: the key itself.
  if (!set.isBlank() && !reaction.isBlank()) {
    return lookUp(index, std::string(reaction.view()) + std::string(set.view()),
                  entity::kMaxDataWords);
  }

  // One given: the first live entry that carries it.
  const std::int32_t count = IRXNOR();
  entityRoutines.reaction.assign("IRXNO");
  for (std::int32_t k = 1; k <= count; ++k) {
    const entity::IndexEntry entry = entity::readEntry(index, k);
    if (!entry.found || entry.data[kStatusWord] <= 0) continue;
    const std::string_view key = entry.key(kKeyLength);
    if (set.isBlank()) {
      const std::int32_t word4 = entry.data[kReactionSearchWord];
      if (word4 > 0 && services::sameText(key.substr(0, kIdLength), reaction.view())) {
        return word4 == k ? k : -k;
      }
    } else if (entry.data[kSetSearchWord] > 0 &&
               services::sameText(key.substr(kIdLength), set.view())) {
      return k;
    }
  }
  return 0;
}

FixedText<12> IRXID(std::int32_t n) {
  entityRoutines.reaction.assign("IRXID");
  const entity::IndexEntry entry = entity::readEntry(SLOTCT.rx.reactionIndex, n);
  const std::string_view id = entry.key(kIdLength);
  if (!entry.found || entity::isHidden(id)) return FixedText<12>();
  return FixedText<12>(id);
}

FixedText<12> IRXSID(std::int32_t n) {
  entityRoutines.reaction.assign("IRXSID");
  const entity::IndexEntry entry = entity::readEntry(SLOTCT.rx.reactionIndex, n);
  if (!entry.found) return FixedText<12>();
  return FixedText<12>(entry.key(kKeyLength).substr(kIdLength));
}

std::int32_t IRSNO(std::string_view setid) {
  entityRoutines.reaction.assign("IRSNO");
  const FixedText<12> set = identifier(setid);
  if (set.isBlank()) return 0;
  return lookUp(SLOTCT.rx.setIndex, set.view(), 1);
}

std::int32_t IRXNOR() {
  entityRoutines.reaction.assign("IRXNOR");
  if (SLOTCT.rx.reactionIndex == NOCORE) return 0;
  std::int32_t total = 0;
  std::int32_t live = 0;
  storage::FBICNT(SLOTCT.rx.reactionIndex, total, live);
  return total;
}

void RXSET(std::int32_t n, std::int32_t mode) {
  entityRoutines.reaction.assign("RXSET");
  std::int32_t ptr = 0;
  RXSTUP(n, kContext2, mode, ptr);
  RXCUR.lastRecord = ptr;
}

void RXSTUP(std::int32_t n, std::int32_t kind, std::int32_t mode, std::int32_t& ptr) {
  const entity::EntityClass cls = reactions();

  // 1. The index entry: a reaction with a record.
  const entity::IndexEntry entry = entity::readEntry(cls.index, n);
  if (entry.status() < entity::kHasRecord) {
    services::ERRITM("REACTION", n);
    services::ERRITM("STATUS", entry.status());
    services::ABTRPT(cls.subsystem, "RXSTUP", cls.userCall, "BAD REACTION NUMBER");
  }
  entity::requireRecord(cls, "RXSTUP", "REACTION", "REACTION", n, entry);

  // 2. A slot, and 3. the record in it.
  const std::int32_t len = storage::dp(entry.pointer, storage::dpword::kTotalLength);
  entity::Slot slot;
  RXSLOT(n, kind, len, slot.slot, slot.pointer, slot.victim);
  entity::loadRecord(entry, len, slot);

  // 4. The context.
  if (ReactionContext* context = contextOf(kind)) {
    context->reaction = n;
    for (std::size_t s = 1; s <= context->integerSectors.size(); ++s) {
      context->integerSectors[s - 1] =
          entity::sectorStart(SectorKind::Integer, static_cast<std::int32_t>(s));
    }
    for (std::size_t s = 1; s <= context->realSectors.size(); ++s) {
      context->realSectors[s - 1] =
          entity::sectorStart(SectorKind::Real, static_cast<std::int32_t>(s));
    }
  }

  // 5. The slot's marks and the record set up last.
  entity::raiseSlot(cls.slots, slot.slot, mode);
  ENTCUR.length = len;
  ENTCUR.pointer = slot.pointer;
  ptr = slot.pointer;
}

void RXSLOT(std::int32_t n, std::int32_t kind, std::int32_t len, std::int32_t& slot,
            std::int32_t& ptr, std::int32_t& victim) {
  const entity::Slot found = entity::findSlot(reactions(), n, kind, len);
  slot = found.slot;
  ptr = found.pointer;
  victim = found.victim;
}

}  // namespace problem
