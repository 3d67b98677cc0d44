// The questions other code asks about a unit: its status, type code, identifier (through the
// identifier cache), text, heading line, data locations, and the number of units. None of
// them aborts on a missing unit; a damaged index entry ends in the unit class's abort report.
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

// Index statuses a unit can have: 1 registered, 2 with a record, 3 solved.
constexpr std::int32_t kLowestStatus = 1;
constexpr std::int32_t kHighestStatus = 3;

// Whether ID is an identifier a unit can have: not blank, and text only (a record of other
// data read in place of the index page gives zero bytes or binary words there).
bool plausibleIdentifier(std::string_view id) {
  bool blank = true;
  for (const char c : id) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F) return false;
    if (c != ' ') blank = false;
  }
  return !blank;
}

// Entry N of the unit index. An entry in use whose status no unit can have, or whose
// identifier is not text, is a damaged index (a page of the index overwritten by another
// record read back zero statuses and blank identifiers, so that a solved problem counted no
// units): the unit class's abort report, never an answer read from it.
entity::IndexEntry checkedEntry(std::int32_t n) {
  const entity::IndexEntry entry = entity::readEntry(UNSLTC.un.index, n);
  if (!entry.found) return entry;
  const std::int32_t status = entry.data[kStatusWord];
  if (status >= kLowestStatus && status <= kHighestStatus &&
      plausibleIdentifier(entry.key(kIdLength))) {
    return entry;
  }
  services::ERRITM("UNIT", n);
  services::ERRITM("STATUS", status);
  services::ABTRPT("UN", entityRoutines.unit.view(), entityRoutines.unit.view(),
                   "DAMAGED UNIT INDEX ENTRY");
  return entry;
}

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
  return checkedEntry(n).data[kStatusWord];
}

std::int32_t KUNTYP(std::int32_t n) {
  entityRoutines.unit.assign("KUNTYP");
  return checkedEntry(n).data[kTypeWord];
}

FixedText<12> KUNID(std::int32_t n) {
  entityRoutines.unit.assign("KUNID");
  const entity::IndexEntry entry = checkedEntry(n);
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
