// The unit-type cache, the solution word of a unit and the identifier arrays of the loaded
// unit.
#include <cstdint>

#include "problem/entity_contexts.hpp"
#include "problem/units.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {

UnitTypeCache& unitTypeCache() {
  static UnitTypeCache cache;
  return cache;
}

std::int32_t KUNTYC(std::int32_t n) {
  if (n <= 0) return 0;
  if (n > kCachedUnits) return KUNTYP(n);
  std::int32_t& cached = unitTypeCache().types(static_cast<std::size_t>(n));
  if (cached <= 0) cached = KUNTYP(n);
  return cached;
}

void UNSOLS(std::int32_t n, std::int32_t& istat, std::int32_t& val) {
  constexpr std::int32_t kHasRecord = 2;
  constexpr std::int32_t kReadOnly = 10;
  istat = 1;
  val = 0;
  if (IUNSTA(n) < kHasRecord) return;
  UNSET(n, kReadOnly);
  val = storage::CORSTO[UNCURR.context2.integerSector + 1];
  istat = 0;
}

void IDSPLT(std::int32_t n, std::int32_t& a, std::int32_t& b, std::int32_t& c, std::int32_t& d,
            std::int32_t& e) {
  // The loaded unit's two identifier arrays: system sectors 11 and 12 of its data block.
  constexpr std::size_t kFirstArray = 11;
  constexpr std::size_t kSecondArray = 12;
  const auto& loaded = PAUWRK.context3;
  const auto word = [&](std::size_t sector) {
    const std::int32_t start = loaded.systemSectors(sector);
    return start == services::NOCORE || n < 1 ? 0 : storage::CORSTO[start + n];
  };
  const std::int32_t w = word(kFirstArray);
  const std::int32_t w2 = word(kSecondArray);
  a = w / 100000000;
  b = w / 10000 % 10000;
  c = w % 10000;
  d = w2 / 10000 % 10000;
  e = w2 % 10000;
  if (e == 0) e = c;
}

}  // namespace problem
