// The code predicates of the method families tested in many places, the component lists'
// code search, and the unit-type cache.
#include <cstdint>

#include "problem/component_data.hpp"
#include "problem/entity_contexts.hpp"
#include "problem/units.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace services {
namespace {

// COPTRS words of the component numbers of list 1 and list 2, and COHDR words of their
// lengths.
constexpr std::size_t kListNumbers1 = 4;
constexpr std::size_t kListNumbers2 = 76;
constexpr std::size_t kListLength1 = 4;
constexpr std::size_t kListLength2 = 5;

}  // namespace

UnitTypeCache& unitTypeCache() {
  static UnitTypeCache cache;
  return cache;
}

bool CODE6X(std::int32_t code) {
  return (code >= 601 && code <= 660) || code == 705 || code == 706;
}

std::int32_t LMCODA(std::int32_t code) { return CODE6X(code) ? 1 : 0; }

bool LMCODB(std::int32_t code) {
  return code == 503 || code == 510 || code == 511 || code == 512;
}

void CODLST(std::int32_t code, std::int32_t& list, std::int32_t& pos) {
  list = 0;
  pos = 0;
  if (code == IMISS) return;
  const std::size_t numbers[] = {kListNumbers1, kListNumbers2};
  const std::size_t lengths[] = {kListLength1, kListLength2};
  for (std::int32_t l = 1; l <= 2; ++l) {
    const std::int32_t start = problem::COPTRS.words(numbers[l - 1]);
    const std::int32_t count = problem::COHDR(lengths[l - 1]);
    if (start == NOCORE || start == IMISS) continue;
    for (std::int32_t i = 1; i <= count; ++i) {
      if (storage::CORSTO[start + i] == code) {
        list = l;
        pos = i;
        return;
      }
    }
  }
}

std::int32_t KUNTYC(std::int32_t n) {
  if (n <= 0) return 0;
  if (n > kCachedUnits) return problem::KUNTYP(n);
  std::int32_t& cached = unitTypeCache().types(static_cast<std::size_t>(n));
  if (cached <= 0) cached = problem::KUNTYP(n);
  return cached;
}

void UNSOLS(std::int32_t n, std::int32_t& istat, std::int32_t& val) {
  constexpr std::int32_t kHasRecord = 2;
  constexpr std::int32_t kReadOnly = 10;
  istat = 1;
  val = 0;
  if (problem::IUNSTA(n) < kHasRecord) return;
  problem::UNSET(n, kReadOnly);
  val = storage::CORSTO[problem::UNCURR.context2.integerSector + 1];
  istat = 0;
}

void IDSPLT(std::int32_t n, std::int32_t& a, std::int32_t& b, std::int32_t& c, std::int32_t& d,
            std::int32_t& e) {
  // The loaded unit's two identifier arrays: system sectors 11 and 12 of its data block.
  constexpr std::size_t kFirstArray = 11;
  constexpr std::size_t kSecondArray = 12;
  const auto& loaded = problem::PAUWRK.context3;
  const auto word = [&](std::size_t sector) {
    const std::int32_t start = loaded.systemSectors(sector);
    return start == NOCORE || n < 1 ? 0 : storage::CORSTO[start + n];
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

}  // namespace services
