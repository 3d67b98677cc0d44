// What the equipment readers share.
#include "api/access/unit_reading.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <string_view>

#include "api/access/access.hpp"
#include "api/access/unit_access.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace api_access {
namespace {

constexpr std::int32_t kHasRecord = 2;
constexpr std::int32_t kRead = 0;
constexpr std::size_t kVapourVector = 1;  // real sector 3 of the main record
constexpr std::size_t kLiquidVector = 2;  // real sector 4

}  // namespace

RequestedUnit::RequestedUnit(Request& request, std::span<const std::int32_t> types,
                             std::string_view notThisType, std::int32_t mode) {
  const std::int32_t n = findUnit(request, types, notThisType);
  if (n == 0) return;
  std::int32_t itype = 0;
  PAULOD(n, mode, itype);
  unit_ = n;
}

RequestedUnit::~RequestedUnit() {
  if (unit_ != 0) problem::UNFREE(unit_, 0);
}

namespace {

// Header word W of the loaded block (the offset of a sector), or -1 when not loaded.
std::int64_t headerWord(std::int32_t w) {
  if (UNITWK.unit == 0 || w < 1 || w > UNITWK.words) return -1;
  return storage::CORSTO[UNITWK.block + w];
}

std::int32_t lengthAt(const problem::UnitSectorTable& table, std::int64_t pointer) {
  for (std::size_t s = 1; s <= problem::kUnitBlockSectors; ++s) {
    if (table.pointers(s) != services::NOCORE && table.pointers(s) == pointer) {
      return std::max(table.lengths(s), 0);
    }
  }
  return 0;
}

}  // namespace

std::int32_t headerRealLength(std::int32_t w) {
  const std::int64_t offset = headerWord(w);
  // Element e of a real sector at offset o is the real of block words o + 2e - 1 and o + 2e.
  const std::int64_t first = std::int64_t{UNITWK.block} + offset;
  if (offset < 0 || first % 2 != 0) return 0;
  return lengthAt(problem::PAUWRK.context3.reals, first / 2);
}

std::int32_t headerIntegerLength(std::int32_t w) {
  const std::int64_t offset = headerWord(w);
  if (offset < 0) return 0;
  return lengthAt(problem::PAUWRK.context3.integers, std::int64_t{UNITWK.block} + offset);
}

namespace {

bool sectorHolds(const problem::UnitSectorTable& table, std::int32_t s, std::int32_t e) {
  if (UNITWK.unit == 0 || s < 1 || s > static_cast<std::int32_t>(problem::kUnitBlockSectors)) {
    return false;
  }
  const auto k = static_cast<std::size_t>(s);
  return table.pointers(k) != services::NOCORE && e >= 1 && e <= table.lengths(k);
}

std::int32_t lengthOf(const problem::UnitSectorTable& table, std::int32_t s) {
  return sectorHolds(table, s, 1) ? table.lengths(static_cast<std::size_t>(s)) : 0;
}

}  // namespace

std::int32_t sectorInteger(std::int32_t s, std::int32_t e) {
  const problem::UnitSectorTable& table = problem::PAUWRK.context3.integers;
  if (!sectorHolds(table, s, e)) return services::IMISS;
  return storage::CORSTO[table.pointers(static_cast<std::size_t>(s)) + e];
}

double sectorReal(std::int32_t s, std::int32_t e) {
  const problem::UnitSectorTable& table = problem::PAUWRK.context3.reals;
  if (!sectorHolds(table, s, e)) return services::RMISS;
  return storage::CORSTO.real(table.pointers(static_cast<std::size_t>(s)) + e);
}

std::int32_t integerSectorLength(std::int32_t s) {
  return lengthOf(problem::PAUWRK.context3.integers, s);
}
std::int32_t realSectorLength(std::int32_t s) {
  return lengthOf(problem::PAUWRK.context3.reals, s);
}

double realDataPosition(std::int32_t k) {
  const std::int32_t first = problem::PAUWRK.context3.reals.pointers(1);
  if (UNITWK.unit == 0 || first == services::NOCORE || k < 1) return services::RMISS;
  // Real d occupies core words 2d - 1 and 2d.
  const std::int64_t d = std::int64_t{first} + k;
  const std::int64_t low = 2 * d - 1 - UNITWK.block;
  if (low < 1 || low + 1 > UNITWK.words) return services::RMISS;
  return storage::CORSTO.real(static_cast<std::int32_t>(d));
}

bool streamHasRecord(std::int32_t n) {
  return n >= 1 && n != services::IMISS && problem::ISRSTA(n) >= kHasRecord;
}

bool makeStreamCurrent(std::int32_t n) {
  if (!streamHasRecord(n)) return false;
  problem::SRSET(n, kRead);
  return true;
}

double currentStreamReal(std::int32_t e) {
  return storage::CORSTO.real(problem::SRPSET.set2.realSector1 + e);
}

std::int32_t componentCount(std::int32_t capacity) {
  return std::clamp(std::min(problem::COHDR(problem::cohdr::kComponents),
                             problem::COHDR(problem::cohdr::kStreamComponents)),
                    0, capacity);
}

void currentKValues(std::span<double> out) {
  const problem::StreamPointers& set = problem::SRPSET.set2;
  const std::int32_t nc = componentCount(static_cast<std::int32_t>(out.size()));
  for (std::int32_t i = 1; i <= nc; ++i) {
    const double y = storage::CORSTO.real(set.realSectors[kVapourVector] + i);
    const double x = storage::CORSTO.real(set.realSectors[kLiquidVector] + i);
    out[static_cast<std::size_t>(i - 1)] = x > 0.0 ? y / x : 1.0;
  }
}

std::int32_t truncated(double value) {
  constexpr double kBelow = static_cast<double>(std::numeric_limits<std::int32_t>::min()) - 1.0;
  constexpr double kAbove = static_cast<double>(std::numeric_limits<std::int32_t>::max()) + 1.0;
  if (!std::isfinite(value) || value <= kBelow || value >= kAbove) return 0;
  return static_cast<std::int32_t>(value);
}

void answerReal(Request& request, double value, std::int32_t cls, std::int32_t from) {
  request.count = 1;
  request.setType(ValueType::Real);
  request.iucls = cls;
  request.setReal(1, cls == kNoUnit ? value : services::UOMCNV(value, cls, from, request.iunset));
}

void answerInteger(Request& request, std::int32_t value) {
  request.count = 1;
  request.setType(ValueType::Integer);
  request.iucls = kNoUnit;
  request.setInteger(1, value);
}

bool answerFromSlots(Request& request, std::span<const SlotAttribute> table,
                     std::span<const double> slots) {
  for (const SlotAttribute& a : table) {
    if (!request.is(a.attr)) continue;
    const auto k = static_cast<std::size_t>(a.slot - 1);
    answerReal(request, k < slots.size() ? slots[k] : 0.0, a.cls);
    return true;
  }
  return false;
}

bool answerFromHeader(Request& request, std::span<const SlotAttribute> table, std::int32_t w) {
  for (const SlotAttribute& a : table) {
    if (!request.is(a.attr)) continue;
    answerReal(request, headerReal(w, a.slot), a.cls);
    return true;
  }
  return false;
}

}  // namespace api_access
