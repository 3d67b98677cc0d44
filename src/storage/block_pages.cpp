// Pages of index and paged blocks: one page in core at a time, its pointer kept in the top
// sub-block, the top grown to hold the page asked for.
#include "storage/block_pages.hpp"

#include <algorithm>
#include <cstdint>

#include "services/markers.hpp"
#include "services/services.hpp"
#include "storage/core_store.hpp"
#include "storage/current_routine.hpp"

namespace storage::pages {
namespace {

using services::NOCORE;
using services::NODISK;

// Sectors of a top sub-block: disk-pointer sector 1 (one 9-word primary entry), sector 2
// (one 3-word entry per page, sized by sizing value 1) and integer sector 1 (the header).
constexpr std::array<std::int32_t, 2> kTopPointerLengths{1, -1};
constexpr std::array<std::int32_t, 2> kTopPointerSizes{9, 3};
constexpr std::array<std::int32_t, 1> kTopIntegers{pagectl::kHeaderWords};
// The number word 1 of a primary entry holds: its secondary disk-pointer sector.
constexpr std::int32_t kPageSector = 2;

// A sector that a sub-block lacks: its kind (0: none lacking) and number.
struct MissingSector {
  std::int32_t kind = 0;
  std::int32_t sector = 0;
};

// The first sector of SPEC that the sub-block current in SBCUR lacks, holds fewer elements
// of, or holds in disk-pointer entries of another size. Sectors of length 0 need not exist;
// further sectors and longer ones are carried.
MissingSector missingSector(const SubBlockSpec& spec) {
  for (std::size_t k = 1; k <= static_cast<std::size_t>(kSectorKinds); ++k) {
    const SectorList& list = spec[static_cast<SectorKind>(k)];
    for (std::size_t s = 1; s <= list.lengths.size(); ++s) {
      const std::int32_t need = list.lengths[s - 1];
      if (need <= 0) continue;
      const auto sector = static_cast<std::int32_t>(s);
      bool held = SBCUR.counts(k) >= sector && SBCUR.lengths(k)(s) >= need;
      if (held && k <= SBCUR.entrySizes.size() && s <= list.entrySizes.size()) {
        held = SBCUR.entrySizes(k)(s) == list.entrySizes[s - 1];
      }
      if (!held) return {static_cast<std::int32_t>(k), sector};
    }
  }
  return {};
}

// A page read from disk must hold every entry of the layout before its sectors are used:
// the names and data of its entries are reached through the sectors' first words.
void checkPage(const PageLayout& layout, const DiskPointer& pointer) {
  const MissingSector missing = missingSector(layout.spec());
  if (missing.kind == 0) return;
  services::ERRITM("POINTER", dp(pointer, dpword::kAddress));
  services::ERRITM("KIND", missing.kind);
  services::ERRITM("SECTOR", missing.sector);
  services::ABTRPT("FB", CURRTN.fb.view(), CURRTN.fb.view(), "PAGE DOES NOT HOLD ITS ENTRIES");
}

// Links the primary entry of the current sub-block's first pointer sector to sector 2.
void linkPrimaryEntry() { CORSTO[SBCUR.pointer(SectorKind::Pointer, 1) + 1] = kPageSector; }

// Notes where the current page's names and data lie (the page area is the current
// sub-block).
void notePagePointers(std::int32_t h, const PageLayout& layout) {
  if (layout.freeNames) {
    element(h, pagectl::kPageNames) = SBCUR.pointer(SectorKind::Integer, 1);
    element(h, pagectl::kPageData) = SBCUR.pointer(SectorKind::Integer, 2);
    return;
  }
  element(h, pagectl::kPageNames) = 0;
  SectorKind kind = SectorKind::Integer;
  if (layout.pointerSectors > 0) kind = SectorKind::Pointer;
  if (layout.realLength[0] > 0) kind = SectorKind::Real;
  if (layout.singleLength[0] > 0) kind = SectorKind::Single;
  if (layout.doubleLength[0] > 0) kind = SectorKind::Double;
  element(h, pagectl::kPageData) = SBCUR.pointer(kind, 1);
}

// Clears every data word of the sub-block in core area P and makes it current: disk-pointer
// entries empty, everything else 0.
void clearData(std::int32_t p) {
  SBSETC(0, p);
  const std::int32_t header = SBCUR.header(sbhead::kHeaderLength);
  const std::int32_t total = SBCUR.header(sbhead::kTotalLength);
  for (std::int32_t& word : CORSTO.words(p + header + 1, total - header)) word = 0;
  for (std::int32_t s = 1; s <= SBCUR.count(SectorKind::Pointer); ++s) {
    const std::int32_t m = SBCUR.entrySizes(1)(static_cast<std::size_t>(s));
    if (m < 2) continue;
    const std::int32_t start = SBCUR.pointer(SectorKind::Pointer, s);
    for (std::int32_t j = 0; j < SBCUR.length(SectorKind::Pointer, s); ++j) {
      CORSTO[start + j * m + (m - 1)] = NODISK;
    }
  }
}

// Starts a fresh page in the page area. A new page takes the layout of the pages already
// on disk, so that a block written elsewhere can grow without a conflict in the shared
// words of its page pointers.
void freshPage(std::int32_t h, const PageLayout& layout) {
  const std::int32_t top = element(h, pagectl::kTopCore);
  const std::int32_t topLength = element(h, pagectl::kTopLength);
  if (element(h, pagectl::kCurrentPage) == 0) {
    for (std::int32_t page = 1; page <= element(h, pagectl::kPages); ++page) {
      DiskPointer onDisk{};
      SBGETC(topLength, top, 1, 1, page, onDisk);
      if (dp(onDisk, dpword::kAddress) == NODISK) continue;
      std::int32_t len = element(h, pagectl::kPageLength);
      std::int32_t area = element(h, pagectl::kPageCore);
      if (dp(onDisk, dpword::kTotalLength) > len) {
        CMFREI(area);
        len = 0;
      }
      std::int32_t status = 0;
      SBRDC(len, area, onDisk, status);
      element(h, pagectl::kPageLength) = len;
      element(h, pagectl::kPageCore) = area;
      checkPage(layout, onDisk);
      break;
    }
  }
  const std::int32_t area = element(h, pagectl::kPageCore);
  clearData(area);
  if (layout.linkedPointers) linkPrimaryEntry();
  if (layout.freeNames && layout.nameWords > 0) {
    const std::int32_t names = SBCUR.pointer(SectorKind::Integer, 1);
    const std::int32_t slots = element(h, pagectl::kPageSize);
    for (std::int32_t s = 0; s < slots; ++s) CORSTO[names + s * layout.nameWords + 1] = -1;
  }
  setPointerAt(h, pagectl::kPagePointer, emptyDiskPointer());
}

// Replaces the top sub-block by one that holds MP pages, keeping its pointers (as many as
// the new top holds) and header.
void growTop(std::int32_t h, std::int32_t mp) {
  std::int32_t oldCore = element(h, pagectl::kTopCore);
  SBSETC(0, oldCore);
  const std::int32_t oldPrimary = SBCUR.pointer(SectorKind::Pointer, 1);
  const std::int32_t oldPages = SBCUR.pointer(SectorKind::Pointer, 2);
  const std::int32_t oldPageWords = 3 * std::min(SBCUR.length(SectorKind::Pointer, 2), mp);
  const std::int32_t oldHeader = SBCUR.pointer(SectorKind::Integer, 1);
  const std::int32_t type = SBCUR.header(sbhead::kBlockType);

  std::int32_t len = 0;
  std::int32_t core = NOCORE;
  buildTop(static_cast<BlockType>(type), mp, len, core);
  const std::int32_t primary = SBCUR.pointer(SectorKind::Pointer, 1);
  const std::int32_t pages = SBCUR.pointer(SectorKind::Pointer, 2);
  const std::int32_t header = SBCUR.pointer(SectorKind::Integer, 1);
  for (std::int32_t i = 1; i <= 9; ++i) CORSTO[primary + i] = CORSTO[oldPrimary + i];
  for (std::int32_t i = 1; i <= oldPageWords; ++i) CORSTO[pages + i] = CORSTO[oldPages + i];
  for (std::int32_t i = 1; i <= pagectl::kHeaderWords; ++i) {
    CORSTO[header + i] = CORSTO[oldHeader + i];
  }
  CMFREI(oldCore);
  element(h, pagectl::kTopLength) = len;
  element(h, pagectl::kTopCore) = core;
  element(h, pagectl::kTopIntegers) = header;
  element(h, pagectl::kCapacity) = mp;
}

void freeArea(std::int32_t h, std::int32_t k) {
  std::int32_t core = element(h, k);
  if (core != NOCORE && core != 0) CMFREI(core);
  element(h, k) = NOCORE;
}

}  // namespace

std::int32_t& element(std::int32_t h, std::int32_t k) { return CORSTO[h + k]; }

DiskPointer pointerAt(std::int32_t h, std::int32_t first) {
  DiskPointer pointer{};
  for (std::int32_t k = 1; k <= 9; ++k) dp(pointer, k) = element(h, first + k - 1);
  return pointer;
}

void setPointerAt(std::int32_t h, std::int32_t first, const DiskPointer& pointer) {
  for (std::int32_t k = 1; k <= 9; ++k) element(h, first + k - 1) = dp(pointer, k);
}

SubBlockSpec PageLayout::spec() const {
  SubBlockSpec s;
  const auto sectors = [](const auto& lengths, std::int32_t n) {
    return std::span<const std::int32_t>(lengths.data(), static_cast<std::size_t>(n));
  };
  s[SectorKind::Pointer] = {sectors(pointerLengths, pointerSectors),
                            sectors(pointerSizes, pointerSectors)};
  s[SectorKind::Integer] = {sectors(integerLengths, integerSectors), {}};
  if (realLength[0] > 0) s[SectorKind::Real] = {realLength, {}};
  if (singleLength[0] > 0) s[SectorKind::Single] = {singleLength, {}};
  if (doubleLength[0] > 0) s[SectorKind::Double] = {doubleLength, {}};
  return s;
}

void buildTop(BlockType type, std::int32_t mp, std::int32_t& len, std::int32_t& p) {
  const std::array<std::int32_t, 1> sizing{mp};
  SubBlockSpec spec;
  spec[SectorKind::Pointer] = {kTopPointerLengths, kTopPointerSizes};
  spec[SectorKind::Integer] = {kTopIntegers, {}};
  spec.sizing = sizing;
  std::int32_t ierr = 0;
  p = NOCORE;
  SBMLTC(len, p, 0, ierr, spec);
  SBIDC(len, p, static_cast<std::int32_t>(type), 0, 0);
  linkPrimaryEntry();
}

bool isTop(std::int32_t mp) {
  // Sector 2 must exist, with entries of its size, even for no page.
  const std::array<std::int32_t, 2> pointerLengths{kTopPointerLengths[0], std::max(mp, 1)};
  SubBlockSpec spec;
  spec[SectorKind::Pointer] = {pointerLengths, kTopPointerSizes};
  spec[SectorKind::Integer] = {kTopIntegers, {}};
  return missingSector(spec).kind == 0;
}

bool countsAgree(const StoredHeader& header, std::int32_t nw) {
  const auto word = [&](std::int32_t k) { return header[static_cast<std::size_t>(k - 1)]; };
  return word(pagectl::kNameWords) == nw && word(pagectl::kEntries) >= 0 &&
         word(pagectl::kPages) >= 0 && word(pagectl::kCapacity) >= 1 &&
         word(pagectl::kPages) <= word(pagectl::kCapacity) &&
         word(pagectl::kEntries) <=
             std::int64_t{word(pagectl::kPages)} * word(pagectl::kPageSize);
}

void openControl(std::int32_t& h, const StoredHeader& header, std::int32_t topLength,
                 std::int32_t top, bool fresh, const DiskPointer& dskptr,
                 PageLayout (*layoutOf)(std::int32_t)) {
  h = ICMGTI(pagectl::kWords, 1);
  for (std::size_t k = 0; k < header.size(); ++k) {
    element(h, static_cast<std::int32_t>(k) + 1) = header[k];
  }
  element(h, pagectl::kTopLength) = topLength;
  element(h, pagectl::kTopCore) = top;
  SBSETC(0, top);
  element(h, pagectl::kTopIntegers) = SBCUR.pointer(SectorKind::Integer, 1);
  if (fresh) {
    for (std::size_t k = 0; k < header.size(); ++k) {
      CORSTO[element(h, pagectl::kTopIntegers) + static_cast<std::int32_t>(k) + 1] = header[k];
    }
  }
  element(h, pagectl::kPageCore) = NOCORE;
  buildPageArea(h, layoutOf(h));
  setPointerAt(h, pagectl::kOwnPointer, dskptr);
  setPointerAt(h, pagectl::kPagePointer, emptyDiskPointer());
}

void buildPageArea(std::int32_t h, const PageLayout& layout) {
  std::int32_t len = 0;
  std::int32_t p = NOCORE;
  std::int32_t ierr = 0;
  SBMLTC(len, p, 0, ierr, layout.spec());
  SBIDC(len, p, static_cast<std::int32_t>(layout.blockType), 0, 0);
  if (layout.linkedPointers) linkPrimaryEntry();
  element(h, pagectl::kPageLength) = len;
  element(h, pagectl::kPageCore) = p;
  notePagePointers(h, layout);
}

void writeCurrentPage(std::int32_t h) {
  if (element(h, pagectl::kChanged) != 1) return;
  DiskPointer pointer = pointerAt(h, pagectl::kPagePointer);
  std::int32_t status = 0;
  SBWTC(element(h, pagectl::kPageLength), element(h, pagectl::kPageCore), pointer, status);
  setPointerAt(h, pagectl::kPagePointer, pointer);
  SBPUTC(element(h, pagectl::kTopLength), element(h, pagectl::kTopCore), 1, 1,
         element(h, pagectl::kCurrentPage), pointer);
  element(h, pagectl::kChanged) = 0;
}

void makeCurrent(std::int32_t h, std::int32_t page, const PageLayout& layout) {
  if (page == element(h, pagectl::kCurrentPage)) return;
  writeCurrentPage(h);
  if (page > element(h, pagectl::kCapacity)) growTop(h, page);

  DiskPointer pointer{};
  SBGETC(element(h, pagectl::kTopLength), element(h, pagectl::kTopCore), 1, 1, page, pointer);
  if (dp(pointer, dpword::kAddress) == NODISK) {
    freshPage(h, layout);
  } else {
    std::int32_t len = element(h, pagectl::kPageLength);
    std::int32_t area = element(h, pagectl::kPageCore);
    if (dp(pointer, dpword::kTotalLength) > len) {
      // A page written elsewhere may be larger than the area built here.
      CMFREI(area);
      len = 0;
    }
    std::int32_t status = 0;
    SBRDC(len, area, pointer, status);
    element(h, pagectl::kPageLength) = len;
    element(h, pagectl::kPageCore) = area;
    checkPage(layout, pointer);
    setPointerAt(h, pagectl::kPagePointer, pointer);
  }
  notePagePointers(h, layout);
  element(h, pagectl::kPages) = std::max(element(h, pagectl::kPages), page);
  element(h, pagectl::kCurrentPage) = page;
}

void closeWriting(std::int32_t& h, DiskPointer& dskptr) {
  writeCurrentPage(h);
  const std::int32_t header = element(h, pagectl::kTopIntegers);
  for (std::int32_t k = 1; k <= pagectl::kHeaderWords; ++k) CORSTO[header + k] = element(h, k);
  DiskPointer own = pointerAt(h, pagectl::kOwnPointer);
  std::int32_t status = 0;
  SBWTC(element(h, pagectl::kTopLength), element(h, pagectl::kTopCore), own, status);
  dskptr = own;
  closeDropping(h);
}

void closeDropping(std::int32_t& h) {
  freeArea(h, pagectl::kTopCore);
  freeArea(h, pagectl::kPageCore);
  CMFREI(h);
}

}  // namespace storage::pages
