// The method-set table TH of the problem database and the support table VI.
//
// TH holds the settings sub-block (integer sectors 1 and 2 and real sector 1, published in
// THMISC; integer sector 2 element 1 the water option, element 6 the default set), the
// method-set index (one entry per set: 12-character name, data word 2 for a set in use, the
// disk pointer of the set's data block), a carried pointer and a paged block of 7-integer
// entries. The method-set switch reads a set's data block on demand into the core areas of
// THCTL, which the writer and the release free without writing.
#include <cstdint>

#include "problem/database.hpp"
#include "problem/method_set_control.hpp"
#include "problem/slots.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

using services::NOCORE;
using storage::SectorKind;

constexpr IndexShape kMethodSetIndex{6, 12, 1, 5, 2};
constexpr PagedShape kMethodSetEntries{4, 7, 20, 3};
constexpr IndexShape kViIndex{6, 8, 0, 20, 5};

// TH pointers.
constexpr std::size_t kSettingsPointer = 1;
constexpr std::size_t kIndexPointer = 2;
constexpr std::size_t kPagedPointer = 4;

// The core pointer of sector S of KIND of the current sub-block; NOCORE when it has no such
// sector.
std::int32_t sectorOf(SectorKind kind, std::int32_t s) {
  const auto& current = storage::SBCUR;
  return current.count(kind) >= s ? current.pointer(kind, s) : NOCORE;
}

// Frees a core area of THCTL when it is held; the area becomes NOCORE and its length 0.
void freeArea(std::int32_t& area, std::int32_t& length) {
  if (area != NOCORE && area != 0) storage::CMFREI(area);
  area = NOCORE;
  length = 0;
}

// The three THMISC pointers: those of the settings sub-block when it is held, else NOCORE.
void publishSettings() {
  THMISC = MethodSetSettings{};
  if (!THIDX.settings.held()) return;
  storage::SBSETC(THIDX.settings.length, THIDX.settings.core);
  THMISC.integerSector1 = sectorOf(SectorKind::Integer, 1);
  THMISC.integerSector2 = sectorOf(SectorKind::Integer, 2);
  THMISC.realSector1 = sectorOf(SectorKind::Real, 1);
}

// The set block and the component block that the method-set switch holds; no set counts as
// loaded afterwards, so that no later switch takes words from the freed areas.
void freeSetAreas() {
  MethodSetControl& control = THCTL;
  freeArea(control.blockArea, control.blockLength);
  freeArea(control.componentArea, control.componentLength);
  control.currentSet = kNoCurrentSet;
  methodSetReleased();
}

}  // namespace

MethodSetControl THCTL;

// ---------------------------------------------------------------------------------------
// TH
// ---------------------------------------------------------------------------------------

// Reads TH (key "TH" of the problem master block of MBLEN words MB; OPT is not used): the
// set-block areas of THCTL become NOCORE with length 0, the settings sub-block is read into
// core and published in THMISC (all three NOCORE when the table has no settings sub-block,
// so that the problem runs without a default set; a sector the sub-block lacks is NOCORE),
// the method-set index is opened and its total entry count becomes the number of sets in
// THCTL, and the paged block is opened. An absent key is the "FB" abort "BLOCK IS NOT A
// SHORTCUT BLOCK".
void DBRTH(std::int32_t mblen, MasterBlock mb, std::int32_t /*opt*/) {
  readShortcut(mblen, mb, "TH", THIDX.shortcut);
  MethodSetControl& control = THCTL;
  control.blockArea = NOCORE;
  control.blockLength = 0;
  control.componentArea = NOCORE;
  control.componentLength = 0;

  readHeld(THIDX.settings, THIDX.shortcut.pointerAt(kSettingsPointer));
  publishSettings();

  openIndex(THIDX.index, kMethodSetIndex, THIDX.shortcut.pointerAt(kIndexPointer));
  std::int32_t total = 0;
  std::int32_t live = 0;
  storage::FBICNT(THIDX.index, total, live);
  control.setCount = total;

  openPaged(THIDX.paged, kMethodSetEntries, THIDX.shortcut.pointerAt(kPagedPointer));
}

// Writes TH back: the set-block areas are freed without writing (the sets are not changed
// in core), the settings sub-block is written to pointer 1 and freed (THMISC becomes
// NOCORE), the index and the paged block are written and closed, and the shortcut is
// written; MBPUT "TH" when its pointer moved.
void DBWTH(std::int32_t mblen, MasterBlock mb) {
  freeSetAreas();
  writeHeld(THIDX.settings, THIDX.shortcut.pointerAt(kSettingsPointer));
  THMISC = MethodSetSettings{};
  closeIndex(THIDX.index, THIDX.shortcut.pointerAt(kIndexPointer));
  closePaged(THIDX.paged, THIDX.shortcut.pointerAt(kPagedPointer));
  writeShortcut(mblen, mb, "TH", THIDX.shortcut);
}

// Releases TH without writing: the three core areas are freed, the index and the paged
// block closed unwritten.
void DBXTH() {
  freeSetAreas();
  releaseHeld(THIDX.settings);
  THMISC = MethodSetSettings{};
  clearIndex(THIDX.index);
  clearPaged(THIDX.paged);
}

// ---------------------------------------------------------------------------------------
// VI
// ---------------------------------------------------------------------------------------

// Reads VI (key "VI" of the support master block, MBLEN 250; OPT is not used) and opens its
// index of 8-character names; an empty index pointer gives an empty index. An absent key
// is the "FB" abort "BLOCK IS NOT A SHORTCUT BLOCK".
void DBRVI(std::int32_t mblen, MasterBlock mb, std::int32_t /*opt*/) {
  ViTable& vi = DBHNDL.vi;
  readShortcut(mblen, mb, "VI", vi.shortcut);
  openIndex(vi.index, kViIndex, vi.shortcut.pointerAt(1));
}

// Writes VI: the index, then the shortcut; MBPUT "VI" when its pointer moved.
void DBWVI(std::int32_t mblen, MasterBlock mb) {
  ViTable& vi = DBHNDL.vi;
  closeIndex(vi.index, vi.shortcut.pointerAt(1));
  writeShortcut(mblen, mb, "VI", vi.shortcut);
}

// Releases VI: the index is closed unwritten.
void DBXVI() { clearIndex(DBHNDL.vi.index); }

}  // namespace problem
