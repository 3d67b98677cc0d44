// The component table CO: the pure-component data and header held in core from open to
// close, the component lists, the status list and the user-property blocks.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "problem/component_data.hpp"
#include "problem/database.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

using services::NOCORE;
using storage::SectorKind;

constexpr IndexShape kComponentList{6, 16, 3, 50, 3};
constexpr IndexShape kStatusList{6, 16, 2, 50, 3};
constexpr PagedShape kComponentTexts{8, 96, 50, 3};

// Pointers of the CO shortcut.
constexpr std::size_t kPureData = 1;
constexpr std::size_t kFurtherData = 2;
constexpr std::size_t kHeader = 3;
constexpr std::size_t kOptionalReals = 4;
constexpr std::size_t kList1 = 5;
constexpr std::size_t kList2 = 6;
constexpr std::size_t kStatus = 7;
constexpr std::size_t kUserProperties1 = 8;
constexpr std::size_t kFirstTextList = 10;
constexpr std::array<std::size_t, 3> kFurtherBlocks{13, 14, 15};

// COPTRS words beyond the sector starts.
constexpr std::size_t kSecondHalfInteger4 = 76;
constexpr std::size_t kSecondHalfInteger13 = 85;
constexpr std::size_t kSecondHalfReal1 = 100;
constexpr std::size_t kOptionalRealCount = 145;
constexpr std::size_t kOptionalRealStart = 146;
constexpr std::size_t kFurtherBlockAreas = 151;

// The user-property blocks: entries per kind, and the status word of a component in use.
constexpr std::array<std::int32_t, 2> kUserEntries{89, 60};
constexpr std::int32_t kInUse = 2;

CoTable& co() { return DBGLOB.co; }

std::int32_t pointerOrNone(SectorKind kind, std::int32_t sector) {
  return storage::SBCUR.count(kind) >= sector ? storage::SBCUR.pointer(kind, sector) : NOCORE;
}

// The component header and pure-component data into COHDR and COPTRS.
void publishComponentData() {
  CoTable& table = co();
  HeldBlock& header = table.blocks(kHeader);
  // Every word starts at 0: without a header block (or with a short sector) the problem has
  // no components, never the counts of the problem opened before it.
  COHDR = ComponentHeader{};
  if (header.held()) {
    storage::SBSETC(header.length, header.core);
    const std::int32_t words = pointerOrNone(SectorKind::Integer, 2);
    const std::int32_t length = std::min<std::int32_t>(
        storage::SBCUR.length(SectorKind::Integer, 2), kComponentHeaderWords);
    for (std::int32_t k = 1; k <= length && words != NOCORE; ++k) {
      COHDR(static_cast<std::size_t>(k)) = storage::CORSTO[words + k];
    }
  }
  HeldBlock& pure = table.blocks(kPureData);
  if (pure.held()) {
    storage::SBSETC(pure.length, pure.core);
    for (std::int32_t k = 1; k <= kIntegerSectors; ++k) {
      COPTRS.integerSector(k) = pointerOrNone(SectorKind::Integer, k);
    }
    for (std::int32_t k = 1; k <= kRealSectors; ++k) {
      COPTRS.realSector(k) = pointerOrNone(SectorKind::Real, k);
    }
  } else {
    // No pure-component data: no sector is in core. Left as they were, the pointers would
    // lead into the former problem's freed core.
    for (std::int32_t k = 1; k <= kIntegerSectors; ++k) COPTRS.integerSector(k) = NOCORE;
    for (std::int32_t k = 1; k <= kRealSectors; ++k) COPTRS.realSector(k) = NOCORE;
  }
  const std::int32_t ncstrm = COHDR(cohdr::kStreamComponents);
  const auto shifted = [&](std::int32_t start) {
    return start == NOCORE ? NOCORE : start + ncstrm;
  };
  COPTRS.words(kSecondHalfInteger4) = shifted(COPTRS.integerSector(4));
  COPTRS.words(kSecondHalfInteger13) = shifted(COPTRS.integerSector(13));
  COPTRS.words(kSecondHalfReal1) = shifted(COPTRS.realSector(1));
}

void readUserProperties() {
  for (std::int32_t kind = 1; kind <= 2; ++kind) {
    std::int32_t n = 0;
    std::int32_t len = 0;
    std::int32_t ptr = NOCORE;
    std::int32_t ierr = 0;
    DBUPRP(n, 1, kind, len, ptr, ierr);
  }
}

// Records the sector pointers of the current sub-block for a user-property kind.
void noteUserProperty(UserPropertyBlock& record) {
  for (std::int32_t k = 1; k <= 6; ++k) {
    record.integerSectors(static_cast<std::size_t>(k)) = pointerOrNone(SectorKind::Integer, k);
  }
  record.pointerSector = pointerOrNone(SectorKind::Pointer, 1);
}

// A new user-property block of KIND for N points, its entries empty.
void createUserProperty(std::int32_t kind, std::int32_t n, UserPropertyBlock& record) {
  const std::int32_t e = kUserEntries[static_cast<std::size_t>(kind - 1)];
  const std::array<std::int32_t, 1> pointerLength{e};
  static constexpr std::array<std::int32_t, 1> kPointerSize{9};
  const std::array<std::int32_t, 6> integerLengths{
      3, 3 * e, e, 3 * std::max(e, n), kind == 1 ? 1 : 360, kind == 1 ? 1 : e};
  storage::SubBlockSpec spec;
  spec[SectorKind::Pointer] = {pointerLength, kPointerSize};
  spec[SectorKind::Integer] = {integerLengths, {}};
  record.block = HeldBlock{};
  std::int32_t ierr = 0;
  storage::SBMLTC(record.block.length, record.block.core, 0, ierr, spec);
  noteUserProperty(record);
  const auto sector = [&](std::int32_t k) { return record.integerSectors(static_cast<std::size_t>(k)); };
  storage::CORSTO[sector(1) + 1] = n;
  storage::CORSTO[sector(1) + 2] = 0;
  storage::CORSTO[sector(1) + 3] = n;
  std::int32_t ierr2 = 0;
  const auto blankTexts = [&](std::int32_t start, std::int32_t words) {
    storage::TXTOIW(" ", storage::CORSTO.words(start + 1, words), words, ierr2);
  };
  blankTexts(sector(2), 3 * e);
  blankTexts(sector(4), 3 * std::max(e, n));
  if (kind == 2) {
    for (std::int32_t i = 1; i <= e; ++i) {
      const std::string name = "USER PROPERTY " + std::to_string(i);
      storage::TXTOIW(name, storage::CORSTO.words(sector(5) + 6 * (i - 1) + 1, 6), 6, ierr2);
    }
  }
  record.points = n;
}

}  // namespace

void DBUPRP(std::int32_t& n, std::int32_t iopt, std::int32_t kind, std::int32_t& len,
            std::int32_t& ptr, std::int32_t& ierr) {
  ierr = 0;
  if (kind != 1 && kind != 2) {
    ierr = 1;
    return;
  }
  UserPropertyBlock& record = USRPRP.kinds[static_cast<std::size_t>(kind - 1)];
  storage::DiskPointer& pointer = co().shortcut.pointerAt(kUserProperties1 + static_cast<std::size_t>(kind) - 1);
  std::int32_t status = 0;
  if (iopt == 0) {
    createUserProperty(kind, n, record);
  } else if (iopt == 1) {
    record.block = HeldBlock{};
    storage::SBRDC(record.block.length, record.block.core, pointer, status);
    if (status != 0) {
      // No block of this kind: nothing in core, and no sector to reach through.
      record.block = HeldBlock{};
      record.points = 0;
      record.integerSectors.fill(NOCORE);
      record.pointerSector = NOCORE;
      ierr = 1;
    } else {
      noteUserProperty(record);
      record.points = storage::CORSTO[record.integerSectors(1) + 1];
      n = record.points;
    }
  } else if (iopt == 2) {
    if (record.block.held()) {
      storage::SBWTC(record.block.length, record.block.core, pointer, status);
      if (status != 0) ierr = 1;
    }
  }
  len = record.block.length;
  ptr = record.block.core;
}

std::int32_t DBCOST(std::int32_t k) {
  if (k <= 0 || co().statusList == NOCORE) return 0;
  services::FixedText<16> name;
  storage::DiskPointer pointer{};
  std::array<std::int32_t, 2> data{};
  std::int32_t status = 0;
  storage::FBINUM(1, co().statusList, k, name, pointer, data, status);
  return status == 0 ? data[0] : 0;
}

void DBLCO(std::int32_t& count, std::int32_t& nstat) {
  std::int32_t live = 0;
  count = 0;
  if (co().statusList != NOCORE) storage::FBICNT(co().statusList, count, live);
  nstat = 0;
  for (std::int32_t k = 1; k <= count; ++k) {
    if (DBCOST(k) == kInUse) ++nstat;
  }
  DBHNDL.componentsInUse = nstat;
}

void DBRCO(std::int32_t mblen, MasterBlock mb, std::int32_t opt) {
  CoTable& table = co();
  // 1-6. The shortcut and the sub-blocks held in core.
  readShortcut(mblen, mb, "CO", table.shortcut);
  for (auto& block : table.blocks.values) block = HeldBlock{};
  readHeld(table.blocks(kHeader), table.shortcut.pointerAt(kHeader));
  readHeld(table.blocks(kPureData), table.shortcut.pointerAt(kPureData));
  readHeld(table.blocks(kFurtherData), table.shortcut.pointerAt(kFurtherData));
  publishComponentData();
  if (storage::dp(table.shortcut.pointerAt(kOptionalReals), storage::dpword::kAddress) ==
      services::NODISK) {
    COPTRS.words(kOptionalRealStart) = NOCORE;
    COPTRS.words(kOptionalRealCount) = 0;
  } else {
    readHeld(table.blocks(kOptionalReals), table.shortcut.pointerAt(kOptionalReals));
    COPTRS.words(kOptionalRealStart) = pointerOrNone(SectorKind::Real, 1);
    COPTRS.words(kOptionalRealCount) = storage::SBCUR.length(SectorKind::Real, 1) / 2;
  }
  for (std::size_t i = 0; i < kFurtherBlocks.size(); ++i) {
    HeldBlock& block = table.blocks(kFurtherBlocks[i]);
    readHeld(block, table.shortcut.pointerAt(kFurtherBlocks[i]));
    COPTRS.words(kFurtherBlockAreas + i) = block.core;
  }
  // 7-10. The lists, the user-property blocks, the slot controls, the text lists.
  openIndex(table.list1, kComponentList, table.shortcut.pointerAt(kList1));
  openIndex(table.statusList, kStatusList, table.shortcut.pointerAt(kStatus));
  openIndex(table.list2, kComponentList, table.shortcut.pointerAt(kList2));
  readUserProperties();
  createSlots(table.slots1, 2, 0, 25, opt);
  createSlots(table.slots2, 2, 0, 25, opt);
  for (std::size_t i = 0; i < table.paged.size(); ++i) {
    openPaged(table.paged[i], kComponentTexts, table.shortcut.pointerAt(kFirstTextList + i));
  }
  // 11. The status list's counts.
  std::int32_t count = 0;
  std::int32_t nstat = 0;
  DBLCO(count, nstat);
}

void DBHCO1() { writeBackSlots(co().list1, co().slots1); }

void DBHCO2() { writeBackSlots(co().list2, co().slots2); }

void DBWCO(std::int32_t mblen, MasterBlock mb) {
  CoTable& table = co();
  HeldBlock& header = table.blocks(kHeader);
  if (header.held()) {
    storage::SBSETC(header.length, header.core);
    const std::int32_t words = pointerOrNone(SectorKind::Integer, 2);
    const std::int32_t length = std::min<std::int32_t>(
        storage::SBCUR.length(SectorKind::Integer, 2), kComponentHeaderWords);
    for (std::int32_t k = 1; k <= length && words != NOCORE; ++k) {
      storage::CORSTO[words + k] = COHDR(static_cast<std::size_t>(k));
    }
    writeHeld(header, table.shortcut.pointerAt(kHeader));
  }
  DBHCO1();
  DBHCO2();
  for (const std::size_t k : {kPureData, kFurtherData, kOptionalReals}) {
    writeHeld(table.blocks(k), table.shortcut.pointerAt(k));
  }
  for (const std::size_t k : kFurtherBlocks) writeHeld(table.blocks(k), table.shortcut.pointerAt(k));
  killSlots(table.slots1);
  killSlots(table.slots2);
  closeIndex(table.list1, table.shortcut.pointerAt(kList1));
  closeIndex(table.statusList, table.shortcut.pointerAt(kStatus));
  closeIndex(table.list2, table.shortcut.pointerAt(kList2));
  for (std::int32_t kind = 1; kind <= 2; ++kind) {
    UserPropertyBlock& record = USRPRP.kinds[static_cast<std::size_t>(kind - 1)];
    writeHeld(record.block, table.shortcut.pointerAt(kUserProperties1 + static_cast<std::size_t>(kind) - 1));
  }
  for (std::size_t i = 0; i < table.paged.size(); ++i) {
    closePaged(table.paged[i], table.shortcut.pointerAt(kFirstTextList + i));
  }
  writeShortcut(mblen, mb, "CO", table.shortcut);
}

void DBXCO() {
  CoTable& table = co();
  for (auto& block : table.blocks.values) releaseHeld(block);
  killSlots(table.slots1);
  killSlots(table.slots2);
  for (auto& record : USRPRP.kinds) releaseHeld(record.block);
  clearIndex(table.list1);
  clearIndex(table.statusList);
  clearIndex(table.list2);
  for (auto& paged : table.paged) clearPaged(paged);
}

}  // namespace problem
