// Method-set switching: the current method set, its set block in core and its name.
//
// Every routine that evaluates a stream first makes the stream's method set current with
// FLMSET. A real change of set reads the set's index entry in table TH, reads the set block
// into the set-block area of THCTL (which only grows), lets the set's own component block
// replace component sectors in COPTRS, and decodes the method descriptor; a switch to the
// set already loaded only refreshes the words that other routines change while they run.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "methods/methods.hpp"
#include "methods/slots.hpp"
#include "methods/set_block.hpp"
#include "problem/problem.hpp"
#include "problem/slots.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace methods {
namespace {

using services::NOCORE;
using storage::DiskPointer;
using storage::SectorKind;
namespace sb = setblock;

// The data words of an entry of the method-set index.
constexpr std::size_t kIndexDataWords = 1;
constexpr std::size_t kSetNameChars = 12;

// Get option of the core store: no fill.
constexpr std::int32_t kNoFill = 0;

// Sector lengths of a set block: integer sectors 1 to 17 and disk-pointer sectors 1 to 5.
constexpr std::array<std::int32_t, sb::kIntegerSectors> kIntegerLengths{
    sb::kHeaderWords, sb::kHeaderWords, sb::kSlots, sb::kSlots, sb::kSlots, sb::kSlots,
    sb::kSlots,       sb::kSlots,       sb::kSlots, sb::kSlots, sb::kSlots, sb::kSlots,
    sb::kSlots,       sb::kSlots,       sb::kSlots, sb::kSlots, sb::kSlots};
constexpr std::array<std::int32_t, sb::kPointerSectors> kPointerLengths{
    sb::kStorePointers, sb::kSlots, sb::kSlots, sb::kSlots, sb::kSlots};

// The set's own component block: the words its area holds (THCTL word 7 is the length of
// the block last read, which may be shorter), and the component table's own pointers of
// COPTRS words 1 to 72 as the open left them, kept at the first load of a set after the
// open. Every load puts them back before the new set's block (if any) replaces sectors, so
// that the component data of a set never depend on the set loaded before it, and the
// release of the set areas puts them back so that no pointer is left into the freed block.
struct ComponentOverrides {
  std::int32_t capacity = 0;
  bool kept = false;
  std::array<std::int32_t, problem::kIntegerSectors + problem::kRealSectors> tablePointers{};
};
ComponentOverrides overrides;

std::span<std::int32_t> overridablePointers() {
  return std::span(problem::COPTRS.words.values).first(overrides.tablePointers.size());
}

// Puts the component table's own pointers back into COPTRS, keeping them first when this
// is the first load since the open.
void restoreTablePointers() {
  const std::span<std::int32_t> base = overridablePointers();
  if (!overrides.kept) {
    std::copy(base.begin(), base.end(), overrides.tablePointers.begin());
    overrides.kept = true;
    return;
  }
  std::copy(overrides.tablePointers.begin(), overrides.tablePointers.end(), base.begin());
}

// A new problem: nothing of a set is held, and COPTRS is the new table's (not touched).
void forgetLoadedSet() {
  MSPTRS = MethodSetPointers{};
  overrides = ComponentOverrides{};
}

// Table TH has freed the set areas: COPTRS gets the table's own pointers back before the
// overrides are forgotten.
void releaseLoadedSet() {
  if (overrides.kept) restoreTablePointers();
  forgetLoadedSet();
}

const bool kForgottenAtOpen = services::registerKeptValues(&forgetLoadedSet);

// Aborts the run with message 1990020003 for set N.
[[noreturn]] void setNotFound(std::int32_t n) {
  services::MSGPAR.integers(1) = n;
  services::MSGABT(kMethodSetNotFound, "FCINIT");
}

// Aborts the run for a set block whose sector S of KIND is missing or too short.
[[noreturn]] void invalidShape(SectorKind kind, std::int32_t s, std::string_view item,
                               std::int32_t value) {
  services::ERRITM("KIND", static_cast<std::int32_t>(kind));
  services::ERRITM("SECTOR", s);
  services::ERRITM(item, value);
  services::ABTRPT("FL", "FCREAD", "FLMSET", "METHOD SET BLOCK HAS AN INVALID SHAPE");
}

// Checks that the current sub-block has every sector, and every word, the switch and the
// descriptor decoding read; extra sectors and longer ones are carried.
void checkShape() {
  const auto& block = storage::SBCUR;
  const auto check = [&](SectorKind kind, std::span<const std::int32_t> lengths) {
    for (std::size_t k = 0; k < lengths.size(); ++k) {
      const auto s = static_cast<std::int32_t>(k + 1);
      if (block.count(kind) < s) invalidShape(kind, s, "COUNT", block.count(kind));
      if (block.length(kind, s) < lengths[k]) {
        invalidShape(kind, s, "LENGTH", block.length(kind, s));
      }
    }
  };
  check(SectorKind::Integer, kIntegerLengths);
  check(SectorKind::Pointer, kPointerLengths);
  for (std::int32_t s = 1; s <= sb::kPointerSectors; ++s) {
    const std::int32_t size = block.entrySizes(1)(static_cast<std::size_t>(s));
    if (size != sb::kPointerWords) invalidShape(SectorKind::Pointer, s, "ENTRY SIZE", size);
  }
}

// Reads the set's own component block named by Q into the component-block area of THCTL
// and points COPTRS at the sectors it carries (integer sectors 1 to 27, real sectors 1 to
// 45, each when its length is above 0), over the component table's own pointers, which
// every load puts back first: a set without a block reads the table's data. The area is
// not cleared before the read, which fills every word of the block: a length that a
// damaged pointer claims costs no memory before the read finds the block missing from its
// file (file error 22 or 15).
void loadComponentBlock(const DiskPointer& q) {
  restoreTablePointers();
  std::int32_t none = 0;
  storage::SBCHKP(q, none);
  if (none != 0) return;
  MethodSetControl& control = THCTL;
  problem::ComponentPointers& pointers = problem::COPTRS;
  const std::int32_t length = storage::dp(q, storage::dpword::kTotalLength);
  if (control.componentArea == NOCORE) {
    control.componentArea = storage::ICMGTI(length, kNoFill);
    overrides.capacity = length;
  } else if (overrides.capacity < length) {
    storage::CMFREI(control.componentArea);
    control.componentArea = storage::ICMGTI(length, kNoFill);
    overrides.capacity = length;
  }
  control.componentLength = length;
  storage::SBWRD(control.componentArea, length, storage::dp(q, storage::dpword::kAddress));

  const auto& block = storage::SBCUR;
  const std::int32_t integers =
      std::min(block.count(SectorKind::Integer), problem::kIntegerSectors);
  for (std::int32_t i = 1; i <= integers; ++i) {
    if (block.length(SectorKind::Integer, i) > 0) {
      pointers.integerSector(i) = block.pointer(SectorKind::Integer, i);
    }
  }
  const std::int32_t reals = std::min(block.count(SectorKind::Real), problem::kRealSectors);
  for (std::int32_t j = 1; j <= reals; ++j) {
    if (block.length(SectorKind::Real, j) > 0) {
      pointers.realSector(j) = block.pointer(SectorKind::Real, j);
    }
  }
}

}  // namespace

void FLMSET(std::int32_t& d3, std::int32_t& d4, std::int32_t& d5, std::int32_t& ndig,
            std::int32_t nset) {
  MethodSetControl& control = THCTL;
  ndig = 3;
  control.xwd = 0.0;
  control.ywd = 0.0;

  // 1. Load the set when it is not the one held in core.
  const std::int32_t n = nset < 1 ? control.defaultSet : nset;
  if (n != control.currentSet || control.blockArea == NOCORE) FCINIT(n);

  // 2. The K-value entry's block and option digit, which the K-value routines overwrite.
  const sb::ParameterBlock block = sb::slotBlock(sb::Slot::KValue);
  KMCTL.kvalue.blockAddress = block.address;
  KMCTL.kvalue.blockLength = block.length;
  const std::int32_t c = sb::slotOptionWord(sb::Slot::KValue);
  KMCTL.kvalue.option = sb::decimalDigit(c, 0);
  d3 = sb::decimalDigit(c, 2);
  d4 = sb::decimalDigit(c, 3);
  d5 = sb::decimalDigit(c, 4);

  // 3. The free-water component and the problem's water component.
  control.idecnt = sb::decimalDigit(c, 5) == 1 ? sb::headerWord(sb::kFreeWaterComponent) : 0;
  const std::int32_t settings = problem::THMISC.integerSector2;
  control.waterComponent = settings == NOCORE ? 0 : storage::CORSTO[settings + 1];
  if (control.noFreeWater == 1) control.idecnt = 0;

  // 4. The density drivers evaluate afresh.
  PMCTL1.cacheValid = 0;
}

void FCINIT(std::int32_t n) {
  MethodSetControl& control = THCTL;
  if (n <= 0) n = control.defaultSet;
  // Nothing counts as loaded until the load is complete.
  control.currentSet = kNoCurrentSet;

  // 1. The set's index entry.
  services::FixedText<kSetNameChars> name;
  DiskPointer dp = storage::emptyDiskPointer();
  std::array<std::int32_t, kIndexDataWords> data{};
  std::int32_t status = 0;
  storage::FBINUM(static_cast<std::int32_t>(storage::EntryOption::Get), problem::THIDX.index, n,
                  name, dp, data, status);
  if (status != 0) setNotFound(n);
  storage::SBCHKP(dp, status);
  if (status != 0) setNotFound(n);

  // 2. The set block, into the set-block area.
  FCALOC(storage::dp(dp, storage::dpword::kTotalLength), control.blockLength, control.blockArea);
  std::int32_t ierr = 0;
  FCREAD(static_cast<std::int32_t>(SetBlockMode::Read), control.blockLength, control.blockArea, dp,
         ierr);
  if (ierr != 0) setNotFound(n);

  // 3. Set header words 2 to 5.
  control.waterOption = sb::headerWord(sb::kWaterOption);
  control.waterPropertyMethod = sb::headerWord(sb::kWaterPropertyMethod);
  control.waterPropertyCorrection = sb::headerWord(sb::kWaterPropertyCorrection);
  control.noFreeWater = sb::headerWord(sb::kNoFreeWater);

  // 4. The set's own component block.
  DiskPointer q{};
  for (std::int32_t w = 1; w <= sb::kPointerWords; ++w) {
    storage::dp(q, w) = sb::pointerWord(sb::kComponentBlock, 1, w);
  }
  loadComponentBlock(q);

  // 5. The method descriptor; what the layers above kept of the previous set is let go.
  FCOPTS();
  control.currentSet = n;
  methodSetLoaded();
}

void FCALOC(std::int32_t need, std::int32_t& len, std::int32_t& ptr) {
  if (need < 1) return;
  if (ptr == NOCORE) {
    ptr = storage::ICMGTI(need, kNoFill);
    len = need;
  } else if (need > len) {
    storage::CMFREI(ptr);
    ptr = storage::ICMGTI(need, kNoFill);
    len = need;
  }
}

void FCREAD(std::int32_t mode, std::int32_t& len, std::int32_t& ptr, DiskPointer& dp,
            std::int32_t& ierr) {
  ierr = 0;
  switch (mode) {
    case static_cast<std::int32_t>(SetBlockMode::Read): {
      storage::SBRDC(len, ptr, dp, ierr);
      if (ierr != 0) return;
      checkShape();
      const auto& block = storage::SBCUR;
      for (std::int32_t s = 1; s <= sb::kIntegerSectors; ++s) {
        MSPTRS.integerSectors(static_cast<std::size_t>(s)) = block.pointer(SectorKind::Integer, s);
      }
      for (std::int32_t s = 1; s <= sb::kPointerSectors; ++s) {
        MSPTRS.pointerSectors(static_cast<std::size_t>(s)) = block.pointer(SectorKind::Pointer, s);
      }
      return;
    }
    case static_cast<std::int32_t>(SetBlockMode::Write):
      storage::SBWTC(len, ptr, dp, ierr);
      return;
    case -1:
    case 0:
      return;
    default:
      ierr = 1;
  }
}

void MSETNM(std::span<char> name, std::int32_t n) {
  services::blankText(name);
  if (n <= 0) {
    if (THCTL.defaultSet <= 0) return;
    n = THCTL.defaultSet;
  }
  services::FixedText<kSetNameChars> stored;
  DiskPointer dp = storage::emptyDiskPointer();
  std::array<std::int32_t, kIndexDataWords> data{};
  std::int32_t status = 0;
  storage::FBINUM(static_cast<std::int32_t>(storage::EntryOption::Get), problem::THIDX.index, n,
                  stored, dp, data, status);
  if (status == 0) services::assignText(name, stored.view());
}

void installSlots() { problem::fillMethodSetReleased(&releaseLoadedSet); }

}  // namespace methods
