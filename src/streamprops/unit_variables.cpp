// VAT rows and the places they name: the row decoders and their packing (UVDCOD, UVDCD2,
// UVIDX2), the option word of a tray-stream amount (UVCODE), the conversion selectors, the
// data-holding unit of a side unit (UVLOOK), a component's list position (UVINDX), and the
// reads of an attributed real (UVATTR, UVCALL) and of a plain variable (UVPOS).
#include "streamprops/unit_variables.hpp"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "streamprops/unit_data.hpp"

namespace streamprops {
namespace {

using services::DMISS;
using services::IMISS;
using services::NOCORE;
using storage::CORSTO;
using storage::SectorKind;

constexpr std::int32_t kReadOnly = 10;
constexpr std::int32_t kControlItem = 1;
constexpr std::int32_t kParentWord = 94;
constexpr std::int32_t kPackedPositionsItem = 2;
constexpr std::int32_t kSubUnitsItem = 3;
constexpr std::int32_t kKindScale = 100000000;
constexpr std::int32_t kItemScale = 10000;

// Word W (1-4) of row ROW of TABLE; IMISS for a row outside the table.
std::int32_t rowWord(std::span<const std::int32_t> table, std::int32_t row, std::int32_t w) {
  const std::int64_t at = std::int64_t{kVatRowWords} * (std::int64_t{row} - 1) + w - 1;
  if (row < 1 || at >= static_cast<std::int64_t>(table.size())) return IMISS;
  return table[static_cast<std::size_t>(at)];
}

}  // namespace

std::span<const std::int32_t> unitVat(std::int32_t u, std::int32_t kind) {
  const problem::UnitContext& context = problem::UNCURR.context(kind);
  if (context.unit != u || context.vatSector == NOCORE || context.vatSector == 0) return {};
  std::int32_t len1 = 0, adr1 = 0, used2 = 0, len2 = 0, adr2 = 0;
  problem::UNLOC(u, len1, adr1, used2, len2, adr2);
  std::int32_t status = 0, words = 0, offset = 0;
  storage::SBDLOC(len1, adr1, static_cast<std::int32_t>(SectorKind::Vat), 1, status, words, offset);
  if (status != 0 || words < 1) return {};
  return CORSTO.words(context.vatSector + 1, words);
}

DecodedRow UVDEC;
namespace {
void forgetDecodedRow() { UVDEC = DecodedRow{}; }
const bool kDecodedRowForgottenAtOpen = services::registerKeptValues(&forgetDecodedRow);
}  // namespace

// ---------------------------------------------------------------------------------------
// Rows
// ---------------------------------------------------------------------------------------

void UVDCD2(std::int32_t row, std::span<const std::int32_t> table, std::int32_t /*idum*/,
            std::int32_t& ierr) {
  ierr = 0;
  const std::int32_t w1 = rowWord(table, row, 1);
  if (w1 == IMISS) {
    ierr = 1;
  } else {
    UVDEC.kind = w1 / kKindScale % 10;
    UVDEC.item = w1 / kItemScale % kItemScale;
    UVDEC.secondItem = w1 % kItemScale;
  }
  const std::int32_t w2 = rowWord(table, row, 2);
  if (w2 == IMISS) {
    ierr = 1;
  } else {
    UVDEC.index = w2;
  }
}

void UVDCOD(std::int32_t row, std::span<const std::int32_t> table, std::int32_t idum,
            std::int32_t& ierr) {
  UVDCD2(row, table, idum, ierr);
  const std::int32_t w3 = rowWord(table, row, 3);
  if (w3 == IMISS) {
    ierr = 1;
  } else {
    std::int32_t rest = w3;
    for (std::size_t k = UVDEC.digits.size(); k-- > 0;) {  // d1 first
      UVDEC.digits[k] = rest % 10;
      rest /= 10;
    }
  }
  UVDEC.conversionRow = rowWord(table, row, 4);
}

void UVIDX2(std::int32_t row, std::span<std::int32_t> table, std::int32_t /*idum*/,
            std::int32_t& ierr) {
  const std::int64_t first = std::int64_t{kVatRowWords} * (std::int64_t{row} - 1);
  ierr = 1;
  if (row < 1 || first + kVatRowWords > static_cast<std::int64_t>(table.size())) return;
  std::int32_t word3 = 0;
  for (const std::int32_t d : UVDEC.digits) word3 = 10 * word3 + d;
  const auto at = static_cast<std::size_t>(first);
  table[at] = UVDEC.kind * kKindScale + UVDEC.item * kItemScale + UVDEC.secondItem;
  table[at + 1] = UVDEC.index;
  table[at + 2] = word3;
  table[at + 3] = UVDEC.conversionRow;
  ierr = 0;
}

std::int32_t UVCODE(std::int32_t w) {
  const std::int64_t m = std::llabs(std::int64_t{w});
  const auto digit = [m](std::int64_t place) { return static_cast<std::int32_t>(m / place % 10); };
  const auto atLeastOne = [](std::int32_t d) { return d == 0 ? 1 : d; };
  return atLeastOne(digit(10000)) * 10000 + digit(1000) * 1000 + atLeastOne(digit(100)) * 100 +
         atLeastOne(digit(10)) * 10 + digit(1);
}

std::int32_t conversionSelector(std::int32_t row) {
  // Rows 0 to 27.
  static constexpr std::array<std::int32_t, 28> kSelectors{
      0, 1, 2, 2, 2, 2, 2, 2, 2, 0, 0, 2, 2, 2, 2, 5, 4, 0, 0, 0, 6, 6, 7, 7, 0, 0, 5, 0};
  return row >= 0 && row < static_cast<std::int32_t>(kSelectors.size())
             ? kSelectors[static_cast<std::size_t>(row)]
             : 0;
}

std::int32_t selectorClass(std::int32_t selector) {
  // Selectors 1 to 7: the unit classes of their values.
  static constexpr std::array<std::int32_t, 8> kClasses{0, 26, 1, 5, 12, 36, 2, 5};
  return selector >= 1 && selector < static_cast<std::int32_t>(kClasses.size())
             ? kClasses[static_cast<std::size_t>(selector)]
             : 0;
}

// ---------------------------------------------------------------------------------------
// Units and components
// ---------------------------------------------------------------------------------------

void UVLOOK(std::int32_t u, std::int32_t p, std::int32_t& ud, std::int32_t& pd) {
  constexpr std::string_view kRoutine = "UVLOOK";
  ud = u;
  pd = p;
  if (isLoadedUnit(u)) return;
  problem::UNSETT(u);
  const std::int32_t parent = StoredUnitData(u).integer(kControlItem, kParentWord, kRoutine);
  if (parent == IMISS || parent == u || parent < 1) return;
  ud = parent;
  const StoredUnitData block(parent);
  std::int32_t count = 0, offset = 0;
  if (!block.locate(SectorKind::Integer, kSubUnitsItem, count, offset)) return;
  for (std::int32_t i = 1; i <= count; ++i) {
    if (block.integer(kSubUnitsItem, i, kRoutine) != u) continue;
    const std::int32_t s = block.integer(kPackedPositionsItem, i, kRoutine) / 10000 % 10000;
    pd = p + s - 1;
    return;
  }
}

void UVINDX(std::int32_t num, std::int32_t list, std::int32_t& pos) {
  // The name slots of list 1 (integer sector 13 of the first pointer set) and of list 2 (the
  // same sector of the second set), and the list lengths.
  constexpr std::size_t kNameSlots1 = 13;
  constexpr std::size_t kNameSlots2 = 72 + 13;
  constexpr std::size_t kLength1 = 4;
  constexpr std::size_t kLength2 = 5;
  pos = 0;
  if (num == IMISS || num == 0 || (list != 1 && list != 2)) return;
  const std::int32_t start = problem::COPTRS.words(list == 1 ? kNameSlots1 : kNameSlots2);
  const std::int32_t count = problem::COHDR(list == 1 ? kLength1 : kLength2);
  if (start == NOCORE || start == IMISS || count < 1) return;
  const std::span<const std::int32_t> slots = CORSTO.words(start + 1, count);
  for (std::size_t i = 0; i < slots.size(); ++i) {
    if (slots[i] == num) {
      pos = static_cast<std::int32_t>(i + 1);
      return;
    }
  }
}

// ---------------------------------------------------------------------------------------
// Reads
// ---------------------------------------------------------------------------------------

void UVATTR(std::int32_t u, std::int32_t var, std::int32_t index, double& value, std::int32_t& ierr,
            std::int32_t /*mode*/) {
  value = DMISS;
  ierr = 0;
  // The loaded unit: its row, and the real of the item in the work area.
  if (workAreaHolds(u)) {
    std::int32_t derr = 0;
    UVDCOD(var, unitVat(u, 3), 0, derr);
    const storage::RealView reals = loadedReals(UVDEC.item);
    if (derr != 0 || index < 1 || static_cast<std::size_t>(index) > reals.size()) {
      ierr = 1;
      return;
    }
    value = reals[static_cast<std::size_t>(index - 1)];
    return;
  }

  // The stored block: the real, then the element's own option words, which must decode.
  problem::UNSET(u, kReadOnly);
  std::int32_t derr = 0;
  const std::span<const std::int32_t> vat = unitVat(u, 2);
  UVDCD2(var, vat, 0, derr);
  if (derr != 0 || UVDEC.item <= 0) {
    ierr = 1;
    return;
  }
  const StoredUnitData block(u);
  std::int32_t count = 0, offset = 0;
  if (!block.locate(SectorKind::Real, UVDEC.item, count, offset) || index < 1 || index > count) {
    ierr = 1;
    return;
  }
  value = block.real(UVDEC.item, index, "UVATTR");
  std::int32_t option = 0, conversion = 0;
  if (!block.entryPair(SectorKind::Vat, UVDEC.secondItem, index, option, conversion)) {
    ierr = 1;
    return;
  }
  const std::array<std::int32_t, kVatRowWords> row{rowWord(vat, var, 1), rowWord(vat, var, 2),
                                                   option, conversion};
  UVDCOD(1, row, 0, derr);
  if (derr != 0) {
    services::MSGOUT(kBadElementOptions);
    ierr = 1;
  }
}

void UVCALL(std::int32_t u, std::int32_t var, std::int32_t index, double& value,
            std::int32_t& ierr) {
  UVATTR(u, var, index, value, ierr, 0);
}

void UVPOS(std::int32_t k, std::int32_t u, std::int32_t& ival, double& value, std::int32_t& ierr) {
  ierr = 0;
  const bool integer = UVDEC.kind == static_cast<std::int32_t>(AccessKind::Integer);
  const std::int64_t e = std::int64_t{UVDEC.index} + (!integer && k == 2 ? 1 : 0);
  const auto fail = [&] {
    ierr = 1;
    if (!integer) value = DMISS;
  };
  if (workAreaHolds(u)) {
    if (integer) {
      const std::span<std::int32_t> words = loadedIntegers(UVDEC.item);
      if (e < 1 || static_cast<std::size_t>(e) > words.size()) return fail();
      ival = words[static_cast<std::size_t>(e - 1)];
    } else {
      const storage::RealView reals = loadedReals(UVDEC.item);
      if (e < 1 || static_cast<std::size_t>(e) > reals.size()) return fail();
      value = reals[static_cast<std::size_t>(e - 1)];
    }
    return;
  }
  const StoredUnitData block(u);
  std::int32_t count = 0, offset = 0;
  const SectorKind kind = integer ? SectorKind::Integer : SectorKind::Real;
  if (!block.locate(kind, UVDEC.item, count, offset) || e < 1 || e > count) return fail();
  if (integer) {
    ival = block.integer(UVDEC.item, static_cast<std::int32_t>(e), "UVPOS");
  } else {
    value = block.real(UVDEC.item, static_cast<std::int32_t>(e), "UVPOS");
  }
}

}  // namespace streamprops
