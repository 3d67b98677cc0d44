// Units made current in their three contexts and freed again.
#include "problem/units.hpp"

#include <algorithm>
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

UnitRecordWords UNREC;
UnitIdentifierCache unitIdentifiers;

namespace {

using services::FixedText;
using storage::SectorKind;

// Context numbers of the three set-up routines.
constexpr std::int32_t kTextContext = 1;
constexpr std::int32_t kSetUpContext = 2;
constexpr std::int32_t kCalculationContext = 3;

// Characters of a context's text area: identifier, text, heading.
constexpr std::size_t kIdLength = 12;
constexpr std::size_t kTextLength = 40;
constexpr std::size_t kHeadingKept = 70;
constexpr std::size_t kHeadingLength = 75;
// The heading code of a context: identifier and text as passed, the plain form.
constexpr std::int32_t kContextHeading = 1;

bool isContext(std::int32_t kind) { return kind >= kTextContext && kind <= kCalculationContext; }

// The text area of context KIND, stored in the order 2, 3, 1.
FixedText<122>& contextText(std::int32_t kind) {
  const std::size_t slot = kind == kSetUpContext ? 0 : (kind == kCalculationContext ? 1 : 2);
  return UNCURR.texts.at(slot);
}

// The unit class as its set-up sees it; a unit whose record is written back to make room
// leaves every context.
entity::EntityClass unitClass() {
  return entity::EntityClass{
      "UN",
      "UNSLOT",
      entityRoutines.unit.view(),
      UNSLTC.un.index,
      UNSLTC.un.slots,
      [](std::int32_t victim) {
        for (UnitContext* c : {&UNCURR.context1, &UNCURR.context2, &UNCURR.context3}) {
          if (c->unit == victim) c->unit = 0;
        }
      }};
}

}  // namespace

void UNSET(std::int32_t n, std::int32_t mode) {
  entityRoutines.unit.assign("UNSET");
  UNSTUP(n, kSetUpContext, mode);
}

void UNSETT(std::int32_t n) {
  entityRoutines.unit.assign("UNSETT");
  UNSTUP(n, kTextContext, 0);
}

void UNSETC(std::int32_t n) {
  entityRoutines.unit.assign("UNSETC");
  UNSTUP(n, kCalculationContext, 2);
}

void UNSTUP(std::int32_t n, std::int32_t kind, std::int32_t mode) {
  const entity::EntityClass cls = unitClass();

  // 1. The index entry: a unit with a record.
  const entity::IndexEntry entry = entity::readEntry(cls.index, n);
  if (entry.status() < entity::kHasRecord) {
    services::ERRITM("UNIT", n);
    services::ERRITM("STATUS", entry.status());
    services::ABTRPT(cls.subsystem, "UNSTUP", cls.userCall, "BAD UNIT NUMBER");
  }

  entity::requireRecord(cls, "UNSTUP", "UNIT", "UNIT", n, entry);

  // 2. A slot, and 3. the record in it.
  const std::int32_t len = storage::dp(entry.pointer, storage::dpword::kTotalLength);
  entity::Slot slot;
  UNSLOT(n, kind, len, slot.slot, slot.pointer, slot.victim);
  entity::loadRecord(entry, len, slot);
  const std::int32_t built = storage::SBCUR.header(storage::sbhead::kTotalLength);

  // 4. The context, the slot's marks and the words of the record set up last.
  UNCUR(n, kind);
  entity::raiseSlot(cls.slots, slot.slot, mode);
  ENTCUR.length = len;
  ENTCUR.pointer = slot.pointer;
  UNREC.length = built;
  UNREC.pointer = slot.pointer;
}

void UNSLOT(std::int32_t n, std::int32_t kind, std::int32_t len, std::int32_t& slot,
            std::int32_t& ptr, std::int32_t& victim) {
  const entity::Slot found = entity::findSlot(unitClass(), n, kind, len);
  slot = found.slot;
  ptr = found.pointer;
  victim = found.victim;
}

void UNCUR(std::int32_t n, std::int32_t kind) {
  if (!isContext(kind)) return;
  // The sector starts first: the look-ups below select index and paged pages.
  UnitContext& context = UNCURR.context(kind);
  context.unit = n;
  context.pointerSector = entity::sectorStart(SectorKind::Pointer, 1);
  context.vatSector = entity::sectorStart(SectorKind::Vat, 1);
  context.integerSector = entity::sectorStart(SectorKind::Integer, 1);

  const FixedText<kIdLength> id = UNITID(n);
  const FixedText<kTextLength> text = UNTEXT(n);
  FixedText<kHeadingLength> heading;
  UNITXT(heading, kContextHeading, n, id.view(), text.view());
  // Identifier, text and the kept part of the heading end to end, without a heap text: the
  // unit readers make a unit current on every request.
  FixedText<122>& area = contextText(kind);
  area.blank();
  const std::span<char> out = area.span();
  std::size_t at = 0;
  for (const std::string_view part :
       {id.view(), text.view(), heading.view().substr(0, kHeadingKept)}) {
    const std::size_t length = std::min(part.size(), out.size() - at);
    std::copy_n(part.begin(), length, out.begin() + static_cast<std::ptrdiff_t>(at));
    at += length;
  }
}

void UNFREE(std::int32_t n, std::int32_t level) {
  entityRoutines.unit.assign("UNFREE");
  entity::lowerSlot(UNSLTC.un.slots, n, level);
}

}  // namespace problem
