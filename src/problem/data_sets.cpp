// The data sets: DM1 of the support database, which brings the whole unit-of-measure
// tables into UOMTAB and UOMCOD, DM2 of the problem database, read afterwards over the
// problem's own part of them, and the problem's own data set ZN, carried from open to
// close. Their flat blocks are read straight into the unit tables and written straight out
// of them.
#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>

#include "problem/database.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

using services::kUnitClasses;
using services::NOCORE;
using services::UOMCOD;
using services::UOMTAB;
using storage::SectorKind;

constexpr std::int32_t kRead = 1;
constexpr std::int32_t kWrite = 2;

constexpr IndexShape kLabelIndex{3, 6, 14, 20, 5};
constexpr IndexShape kZnIndex{3, 8, 11, 20, 2};

// Pointers of the data sets.
constexpr std::size_t kFactorPointer = 1;
constexpr std::size_t kOffsetPointer = 2;
constexpr std::size_t kUnitWordPointer = 3;
constexpr std::size_t kSetLabelPointer = 4;
constexpr std::size_t kSecondLabelPointer = 5;
constexpr std::size_t kSettingsPointer = 6;
constexpr std::size_t kLabelIndexPointer = 7;

// The problem's part of the unit tables that DM2 holds: unit codes 160 to 162 of the factor
// table, the class-4 offset table, rows 5 to 7 of the default units and of the set labels,
// and the end of the second label text.
constexpr std::int32_t kProblemFirstCode = 160;
constexpr std::int32_t kProblemFirstRow = 5;
constexpr std::size_t kProblemPartValues = 150;
constexpr std::size_t kProblemLabelChars = 3000;
constexpr std::size_t kProblemFactorStart =
    static_cast<std::size_t>(kUnitClasses * (kProblemFirstCode - services::kFirstUnitCode));
constexpr std::size_t kClass4OffsetStart = services::kOffsetCodes;
constexpr std::size_t kProblemRowWordStart =
    services::kCarriedUnitWords + static_cast<std::size_t>(kUnitClasses * kProblemFirstRow);
constexpr std::size_t kProblemRowLabelStart =
    static_cast<std::size_t>(kUnitClasses * kProblemFirstRow) * services::kUnitLabelWidth;
constexpr std::size_t kProblemSecondLabelStart = services::kSecondLabelChars - kProblemLabelChars;
static_assert(kProblemFactorStart + kProblemPartValues == services::kFactorValues);
static_assert(kClass4OffsetStart + kProblemPartValues == services::kOffsetValues);
static_assert(kProblemRowWordStart + kProblemPartValues == services::kUnitIntegerWords);
static_assert(kProblemRowLabelStart + kProblemLabelChars == services::kSetLabelChars);

std::int32_t count(std::size_t n) { return static_cast<std::int32_t>(n); }

// The elements that sector S of KIND of the current sub-block holds, at most N; 0 when the
// sub-block has no such sector. A stored sector shorter than its target fills only its own
// length and a longer one gives only what the target holds.
std::int32_t sectorElements(SectorKind kind, std::int32_t s, std::size_t n) {
  const auto& current = storage::SBCUR;
  if (current.count(kind) < s) return 0;
  return std::clamp(current.length(kind, s), 0, count(n));
}

// Integer words (system or integer sector S) of the current sub-block to TARGET and back.
void takeWords(SectorKind kind, std::int32_t s, std::span<std::int32_t> target) {
  const std::int32_t n = sectorElements(kind, s, target.size());
  const std::int32_t p = n > 0 ? storage::SBCUR.pointer(kind, s) : 0;
  for (std::int32_t i = 1; i <= n; ++i)
    target[static_cast<std::size_t>(i - 1)] = storage::CORSTO[p + i];
}

void putWords(SectorKind kind, std::int32_t s, std::span<const std::int32_t> source) {
  const std::int32_t n = sectorElements(kind, s, source.size());
  const std::int32_t p = n > 0 ? storage::SBCUR.pointer(kind, s) : 0;
  for (std::int32_t i = 1; i <= n; ++i)
    storage::CORSTO[p + i] = source[static_cast<std::size_t>(i - 1)];
}

// Single-precision sector 1 of the current sub-block to TARGET and back.
void takeSingles(std::span<float> target) {
  const std::int32_t n = sectorElements(SectorKind::Single, 1, target.size());
  const std::int32_t p = n > 0 ? storage::SBCUR.pointer(SectorKind::Single, 1) : 0;
  for (std::int32_t i = 1; i <= n; ++i)
    target[static_cast<std::size_t>(i - 1)] = storage::CORSTO.single(p + i);
}

void putSingles(std::span<const float> source) {
  const std::int32_t n = sectorElements(SectorKind::Single, 1, source.size());
  const std::int32_t p = n > 0 ? storage::SBCUR.pointer(SectorKind::Single, 1) : 0;
  for (std::int32_t i = 1; i <= n; ++i)
    storage::CORSTO.setSingle(p + i, source[static_cast<std::size_t>(i - 1)]);
}

// The settings sub-block of DM1 or DM2 into the unit tables: UOMCOD from its system sector
// 1 (DM1 only), the unit-setting words from integer sector 1, the unit-setting reals from
// single sector 1. A data set without the sub-block leaves the words as they are.
void takeSettings(const HeldBlock& block, bool withCodes) {
  if (!block.held()) return;
  storage::SBSETC(block.length, block.core);
  if (withCodes) takeWords(SectorKind::System, 1, UOMCOD.words.span());
  takeWords(SectorKind::Integer, 1, UOMTAB.settings.span());
  takeSingles(UOMTAB.settingReals.span());
}

// The unit tables back into the held settings sub-block, which is then written and freed.
void putSettings(HeldBlock& block, storage::DiskPointer& pointer, bool withCodes) {
  if (!block.held()) return;
  storage::SBSETC(block.length, block.core);
  if (withCodes) putWords(SectorKind::System, 1, UOMCOD.words.span());
  putWords(SectorKind::Integer, 1, UOMTAB.settings.span());
  putSingles(UOMTAB.settingReals.span());
  writeHeld(block, pointer);
}

// Flat blocks 1 to 5 of DM1 (OPT 1 read, 2 write): the whole tables.
template <typename Table>
void supportFlatBlocks(std::int32_t opt, Table& shortcut) {
  services::UnitTables& t = UOMTAB;
  std::int32_t status = 0;
  storage::FBFSGL(opt, shortcut.pointerAt(kFactorPointer), count(t.factors.size()), t.factors,
                  status);
  storage::FBFSGL(opt, shortcut.pointerAt(kOffsetPointer), count(t.offsets.size()), t.offsets,
                  status);
  storage::FBFINT(opt, shortcut.pointerAt(kUnitWordPointer), count(t.unitWords.size()), t.unitWords,
                  status);
  storage::FBFCHR(opt, shortcut.pointerAt(kSetLabelPointer), count(t.setLabels.size()), t.setLabels,
                  status);
  storage::FBFCHR(opt, shortcut.pointerAt(kSecondLabelPointer), count(t.secondLabelText.size()),
                  t.secondLabelText, status);
}

// Flat blocks 1 to 5 of DM2: the problem's part of the tables.
template <typename Table>
void problemFlatBlocks(std::int32_t opt, Table& shortcut) {
  services::UnitTables& t = UOMTAB;
  const std::int32_t n = count(kProblemPartValues);
  const std::int32_t chars = count(kProblemLabelChars);
  std::int32_t status = 0;
  storage::FBFSGL(opt, shortcut.pointerAt(kFactorPointer), n,
                  std::span<float>(t.factors).subspan(kProblemFactorStart, kProblemPartValues),
                  status);
  storage::FBFSGL(opt, shortcut.pointerAt(kOffsetPointer), n,
                  std::span<float>(t.offsets).subspan(kClass4OffsetStart, kProblemPartValues),
                  status);
  storage::FBFINT(
      opt, shortcut.pointerAt(kUnitWordPointer), n,
      std::span<std::int32_t>(t.unitWords).subspan(kProblemRowWordStart, kProblemPartValues),
      status);
  storage::FBFCHR(opt, shortcut.pointerAt(kSetLabelPointer), chars,
                  t.setLabels.span().subspan(kProblemRowLabelStart, kProblemLabelChars), status);
  storage::FBFCHR(opt, shortcut.pointerAt(kSecondLabelPointer), chars,
                  t.secondLabelText.span().subspan(kProblemSecondLabelStart, kProblemLabelChars),
                  status);
}

// The sizes a stored unit factor may have: every unit of the shipped table lies between
// about 5.6e-6 and 4.2e6 of its class's internal unit; these bounds leave three decades on
// either side for the problem's own units. 0.0 is a code without a factor in the class.
constexpr float kLeastFactor = 1.0e-9F;
constexpr float kMostFactor = 1.0e9F;
// The largest offset a unit may have (those of the table are a few hundred).
constexpr float kMostOffset = 1.0e5F;

// A damaged unit table converts every value through it into a plausible-looking number of
// another size (an enthalpy of 1e-13 for 4e6, a temperature of 5.5e21 K): a factor that is
// neither 0.0 nor within its bounds, or an offset that is no finite number of a plausible
// size, is the abort "UNIT FACTOR OUT OF RANGE" of ROUTINE with the index of the value
// (factors from 1, offsets after the factors).
void checkUnitTables(std::string_view routine) {
  const services::UnitTables& t = UOMTAB;
  for (std::size_t k = 0; k < t.factors.size(); ++k) {
    const float f = t.factors[k];
    if (f == 0.0F || (f >= kLeastFactor && f <= kMostFactor)) continue;
    services::ERRITM("FACTOR", static_cast<std::int32_t>(k + 1));
    services::ABTRPT("DB", routine, routine, "UNIT FACTOR OUT OF RANGE");
  }
  for (std::size_t k = 0; k < t.offsets.size(); ++k) {
    const float o = t.offsets[k];
    if (o >= -kMostOffset && o <= kMostOffset) continue;
    services::ERRITM("OFFSET", static_cast<std::int32_t>(k + 1));
    services::ABTRPT("DB", routine, routine, "UNIT FACTOR OUT OF RANGE");
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// DM1
// ---------------------------------------------------------------------------------------

// Reads DM1 (key "DM1" of the support master block, MBLEN 250; OPT is not used) into UOMTAB
// and UOMCOD: factors, offsets, unit words with the default units, set labels and second
// label text from flat blocks 1 to 5; UOMCOD, the unit-setting words and reals from
// sub-block 6, which stays in core (a data set without it leaves those words as they are);
// the unit-code label index of pointer 7 is opened for UOMLDS and no class's labels are
// held. Aborts: an absent key "BLOCK IS NOT A SHORTCUT BLOCK"; an empty flat-block pointer
// the "not a flat block" abort of its kind; a stored block longer than its target the size
// abort of the flat blocks; a factor or offset no unit can have "UNIT FACTOR OUT OF RANGE".
void DM1GET(std::int32_t mblen, MasterBlock mb, std::int32_t /*opt*/) {
  Dm1Table& dm1 = DBHNDL.dm1;
  readShortcut(mblen, mb, "DM1", dm1.shortcut);
  supportFlatBlocks(kRead, dm1.shortcut);
  checkUnitTables("DM1GET");
  readHeld(dm1.settings, dm1.shortcut.pointerAt(kSettingsPointer));
  takeSettings(dm1.settings, true);
  openIndex(dm1.labelIndex, kLabelIndex, dm1.shortcut.pointerAt(kLabelIndexPointer));
  UOMTAB.labelClass = 0;
}

// Writes DM1 from the unit tables as they are now: flat blocks 1 to 5, sub-block 6 (when
// held) with UOMCOD and the unit settings, the label index, the shortcut (MBPUT "DM1" when
// its pointer moved).
void DM1PUT(std::int32_t mblen, MasterBlock mb) {
  Dm1Table& dm1 = DBHNDL.dm1;
  supportFlatBlocks(kWrite, dm1.shortcut);
  putSettings(dm1.settings, dm1.shortcut.pointerAt(kSettingsPointer), true);
  closeIndex(dm1.labelIndex, dm1.shortcut.pointerAt(kLabelIndexPointer));
  writeShortcut(mblen, mb, "DM1", dm1.shortcut);
}

// Releases DM1 without writing: sub-block 6 freed, the label index closed unwritten. The
// unit tables keep their values.
void DM1FRE() {
  Dm1Table& dm1 = DBHNDL.dm1;
  releaseHeld(dm1.settings);
  clearIndex(dm1.labelIndex);
}

// ---------------------------------------------------------------------------------------
// DM2
// ---------------------------------------------------------------------------------------

// Reads DM2 (key "DM2" of the problem master block, MBLEN 500; OPT is not used) over the
// support values: factors of unit codes 160 to 162, the class-4 offsets, default units and
// set labels of sets 5 to 7, the last 3000 characters of the second label text, and from
// sub-block 6 the unit-setting words (the current set among them) and reals. Sub-blocks 6 to
// 9 stay in core. Aborts as DM1GET.
void DM2GET(std::int32_t mblen, MasterBlock mb, std::int32_t /*opt*/) {
  Dm2Table& dm2 = DBHNDL.dm2;
  readShortcut(mblen, mb, "DM2", dm2.shortcut);
  problemFlatBlocks(kRead, dm2.shortcut);
  checkUnitTables("DM2GET");
  for (std::size_t k = 0; k < dm2.blocks.size(); ++k) {
    readHeld(dm2.blocks[k], dm2.shortcut.pointerAt(kSettingsPointer + k));
    if (k == 0) takeSettings(dm2.blocks[0], false);
  }
}

// Writes DM2 from the unit tables as they are now: flat blocks 1 to 5, sub-block 6 with the
// unit settings, sub-blocks 7 to 9 as read, each written and freed when held; then the
// shortcut (MBPUT "DM2" when its pointer moved).
void DM2PUT(std::int32_t mblen, MasterBlock mb) {
  Dm2Table& dm2 = DBHNDL.dm2;
  problemFlatBlocks(kWrite, dm2.shortcut);
  putSettings(dm2.blocks[0], dm2.shortcut.pointerAt(kSettingsPointer), false);
  for (std::size_t k = 1; k < dm2.blocks.size(); ++k) {
    writeHeld(dm2.blocks[k], dm2.shortcut.pointerAt(kSettingsPointer + k));
  }
  writeShortcut(mblen, mb, "DM2", dm2.shortcut);
}

// Releases DM2 without writing: sub-blocks 6 to 9 freed.
void DM2FRE() {
  for (HeldBlock& block : DBHNDL.dm2.blocks) releaseHeld(block);
}

// ---------------------------------------------------------------------------------------
// ZN, the problem's own data set
// ---------------------------------------------------------------------------------------

// Reads ZN (key "ZN" of the problem master block; OPT is not used): its index of 8-character
// names with 11 data words is opened and its sub-block read into core; neither is
// interpreted. An absent key is the abort "BLOCK IS NOT A SHORTCUT BLOCK".
void PBDGET(std::int32_t mblen, MasterBlock mb, std::int32_t /*opt*/) {
  ZnTable& zn = DBHNDL.zn;
  readShortcut(mblen, mb, "ZN", zn.shortcut);
  openIndex(zn.index, kZnIndex, zn.shortcut.pointerAt(1));
  readHeld(zn.block, zn.shortcut.pointerAt(2));
}

// Writes ZN: the index, the sub-block when held, the shortcut (MBPUT "ZN" when moved).
void PBDPUT(std::int32_t mblen, MasterBlock mb) {
  ZnTable& zn = DBHNDL.zn;
  closeIndex(zn.index, zn.shortcut.pointerAt(1));
  writeHeld(zn.block, zn.shortcut.pointerAt(2));
  writeShortcut(mblen, mb, "ZN", zn.shortcut);
}

// Releases ZN without writing.
void PBDFRE() {
  ZnTable& zn = DBHNDL.zn;
  clearIndex(zn.index);
  releaseHeld(zn.block);
}

}  // namespace problem
