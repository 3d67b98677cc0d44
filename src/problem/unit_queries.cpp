// The questions other code asks about a unit: its status, type code, identifier (through the
// identifier cache), text, heading line, data locations, and the number of units. None of
// them aborts on a missing unit.
#include <cstdint>
#include <span>
#include <string_view>

#include "problem/database.hpp"
#include "problem/entity_records.hpp"
#include "problem/units.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

using services::FixedText;
using services::NOCORE;
using services::NODISK;

constexpr std::int32_t kGet = static_cast<std::int32_t>(storage::EntryOption::Get);
constexpr std::size_t kStatusWord = 0;
constexpr std::size_t kTypeWord = 1;
constexpr std::size_t kIdLength = 12;
constexpr std::int32_t kTextLength = 40;

// The digits of a heading code.
constexpr std::int32_t digit(std::int64_t value, std::int64_t place) {
  return static_cast<std::int32_t>((value / place) % 10);
}

}  // namespace

void clearUnitIdentifiers() {
  for (FixedText<12>& id : unitIdentifiers.identifiers.values) id.blank();
  unitIdentifiers.indexReads = 0;
}

void UNLOC(std::int32_t n, std::int32_t& len1, std::int32_t& adr1, std::int32_t& used2,
           std::int32_t& len2, std::int32_t& adr2) {
  const entity::IndexEntry entry = entity::readEntry(UNSLTC.un.index, n);
  len1 = entry.found ? storage::dp(entry.pointer, storage::dpword::kTotalLength) : 0;
  adr1 = entry.found ? storage::dp(entry.pointer, storage::dpword::kAddress) : NODISK;

  // The unit's entry of the paged pointer block; an address of 0 or NODISK names no block.
  storage::DiskPointer block = storage::emptyDiskPointer();
  if (n >= 1 && UNSLTC.un.dataBlocks != NOCORE) {
    storage::FBPPNT(kGet, UNSLTC.un.dataBlocks, n, block);
  }
  const std::int32_t address = storage::dp(block, storage::dpword::kAddress);
  if (address == 0 || address == NODISK) {
    used2 = 0;
    len2 = 0;
    adr2 = NODISK;
    return;
  }
  used2 = storage::dp(block, storage::dpword::kUsedLength);
  len2 = storage::dp(block, storage::dpword::kTotalLength);
  adr2 = address;
}

std::int32_t IUNSTA(std::int32_t n) {
  entityRoutines.unit.assign("IUNSTA");
  return entity::readEntry(UNSLTC.un.index, n).data[kStatusWord];
}

std::int32_t KUNTYP(std::int32_t n) {
  entityRoutines.unit.assign("KUNTYP");
  return entity::readEntry(UNSLTC.un.index, n).data[kTypeWord];
}

FixedText<12> KUNID(std::int32_t n) {
  entityRoutines.unit.assign("KUNID");
  const entity::IndexEntry entry = entity::readEntry(UNSLTC.un.index, n);
  FixedText<12> id;
  if (entry.found && !entity::isHidden(entry.key(kIdLength))) id.assign(entry.key(kIdLength));
  return id;
}

FixedText<12> UNITID(std::int32_t n) {
  if (n < 1) return FixedText<12>();
  if (n > kCachedUnitIdentifiers) {
    ++unitIdentifiers.indexReads;
    return KUNID(n);
  }
  // A blank entry has not been read yet (or hides its unit, which is asked for again).
  FixedText<12>& cached = unitIdentifiers.identifiers(static_cast<std::size_t>(n));
  if (cached.isBlank()) {
    ++unitIdentifiers.indexReads;
    cached = KUNID(n);
  }
  return cached;
}

FixedText<40> UNTEXT(std::int32_t n) {
  FixedText<40> text;
  if (IUNSTA(n) > 0 && UNSLTC.un.descriptions != NOCORE) {
    storage::FBPCHR(kGet, UNSLTC.un.descriptions, n, kTextLength, text);
  }
  return text;
}

std::int32_t IUNNOU() {
  entityRoutines.unit.assign("IUNNOU");
  if (UNSLTC.un.index == NOCORE) return 0;
  std::int32_t total = 0;
  std::int32_t live = 0;
  storage::FBICNT(UNSLTC.un.index, total, live);
  return total;
}

void UNITXT(std::span<char> out, std::int32_t code, std::int32_t n, std::string_view id,
            std::string_view text) {
  const std::int64_t c = code < 0 ? -std::int64_t{code} : std::int64_t{code};
  FixedText<12> ownId(id);
  FixedText<40> ownText(text);
  if (digit(c, 10) != 0) {
    ownId = UNITID(n);
    ownText = UNTEXT(n);
  }
  STRNAM(out, digit(c, 100), digit(c, 1), "UNIT", n, ownId.view(),
         code >= 0 ? ownText.view() : std::string_view(" "));
}

}  // namespace problem
