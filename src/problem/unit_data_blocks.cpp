// Unit data blocks: a unit's block loaded into the one unit work area, whole or up to the end
// of a sector, with the descriptors of where each loaded sector lies; and the work area
// stored back into the block.
#include <cstdint>
#include <string_view>

#include "problem/database.hpp"
#include "problem/entity_contexts.hpp"
#include "problem/units.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace problem {
namespace {

using services::NOCORE;
using services::NODISK;
using storage::SectorKind;

constexpr std::int32_t kGet = static_cast<std::int32_t>(storage::EntryOption::Get);
constexpr std::int32_t kPut = static_cast<std::int32_t>(storage::EntryOption::Put);
constexpr std::int32_t kRead = 1;
constexpr std::int32_t kWrite = 2;

// Directions and extents of the access code.
constexpr std::int32_t kLoad = 1;
constexpr std::int32_t kStore = 2;
enum class Extent : std::int32_t {
  SystemSectors = 0,  // and 1: up to the end of system sector 23
  SystemSectorsToo = 1,
  DataLength = 2,
  WholeBlock = 3,
  IntegerSector = 4,  // up to the end of integer sector ISEC
  RealSector = 5,     // up to the end of real sector ISEC
};
constexpr std::int32_t kLastSystemSector = 23;
constexpr std::int32_t kContext2 = 2;
constexpr std::int32_t kContext3 = 3;

// Numbered messages.
constexpr std::int32_t kUnitWithoutData = 1990001130;
constexpr std::int32_t kStoreTooLong = 1990001131;
constexpr std::int32_t kBadAccessCode = 1990001132;

// Where unit N's data block lies (UNLOC).
struct BlockPlace {
  std::int32_t used = 0;
  std::int32_t length = 0;
  std::int32_t address = NODISK;
};

BlockPlace placeOf(std::int32_t n) {
  BlockPlace place;
  std::int32_t len1 = 0;
  std::int32_t adr1 = 0;
  UNLOC(n, len1, adr1, place.used, place.length, place.address);
  return place;
}

[[noreturn]] void badAccessCode(std::int32_t icode) {
  services::MSGPAR.integers(1) = icode;
  services::MSGABT(kBadAccessCode, " ");
}

[[noreturn]] void missingSector(std::int32_t n, SectorKind kind, std::int32_t sector) {
  services::ERRITM("UNIT", n);
  services::ERRITM("KIND", static_cast<std::int32_t>(kind));
  services::ERRITM("SECTOR", sector);
  services::ABTRPT("UN", "DBUBLK", "DBUBLK", "SECTOR NOT IN UNIT DATA BLOCK");
}

// The transfer of L words must stay within the unit's block on disk; numbers read from the
// database (data length, sector places) could otherwise take it past the block.
void checkLength(std::int32_t n, std::int32_t length, const BlockPlace& place) {
  if (place.address != NODISK && length >= 1 && length <= place.length) return;
  services::ERRITM("UNIT", n);
  services::ERRITM("LENGTH", length);
  services::ERRITM("BLK LEN", place.length);
  services::ABTRPT("UN", "DBUBLK", "DBUBLK", "UNIT DATA BLOCK LENGTH INVALID");
}

// Words 1 to the end of sector NUM of KIND of the block on disk.
std::int32_t endOnDisk(std::int32_t n, const BlockPlace& place, SectorKind kind, std::int32_t num) {
  if (place.address == NODISK || place.length < 1) return 0;  // refused by checkLength
  std::int32_t status = 0;
  std::int32_t words = 0;
  std::int32_t offset = -1;
  storage::SBDLOC(place.length, place.address, static_cast<std::int32_t>(kind), num, status, words,
                  offset);
  if (status == 0) return offset + words;
  if (status == 2 && offset >= 0) return offset;  // an empty sector ends where it starts
  missingSector(n, kind, num);
}

// Words 1 to the end of sector NUM of KIND of the image that is the current sub-block.
std::int32_t endInImage(std::int32_t n, SectorKind kind, std::int32_t num) {
  if (num < 1 || num > storage::SBCUR.count(kind)) missingSector(n, kind, num);
  const auto sector = static_cast<std::size_t>(num);
  const std::int32_t perElement = kind == SectorKind::Real || kind == SectorKind::Double ? 2 : 1;
  return storage::SBCUR.offsets(storage::kindIndex(kind))(sector) +
         perElement * storage::SBCUR.length(kind, num);
}

// The pointer of sector S of KIND when its data begin within the LOADED words, else NOCORE.
std::int32_t loadedPointer(SectorKind kind, std::int32_t s, std::int32_t loaded) {
  if (s > storage::SBCUR.count(kind)) return NOCORE;
  const auto sector = static_cast<std::size_t>(s);
  if (storage::SBCUR.offsets(storage::kindIndex(kind))(sector) >= loaded) return NOCORE;
  return storage::SBCUR.pointer(kind, s);
}

void fillTable(UnitSectorTable& table, SectorKind kind, std::int32_t loaded) {
  for (std::int32_t s = 1; s <= storage::SBCUR.count(kind); ++s) {
    const std::int32_t pointer = loadedPointer(kind, s, loaded);
    if (pointer == NOCORE) continue;
    table.pointers(static_cast<std::size_t>(s)) = pointer;
    table.lengths(static_cast<std::size_t>(s)) = storage::SBCUR.length(kind, s);
  }
}

template <typename Context>
void fillCommon(Context& context, std::int32_t n, std::int32_t block, std::int32_t loaded) {
  context.unit = n;
  context.block = block;
  context.pointerSector = loadedPointer(SectorKind::Pointer, 1, loaded);
  for (std::int32_t s = 1; s <= kLastSystemSector; ++s) {
    context.systemSectors(static_cast<std::size_t>(s)) =
        loadedPointer(SectorKind::System, s, loaded);
  }
  fillTable(context.integers, SectorKind::Integer, loaded);
  fillTable(context.reals, SectorKind::Real, loaded);
  fillTable(context.pointers, SectorKind::Pointer, loaded);
}

// Load: the block's first L words into the work area, made the current sub-block, and the
// descriptors of context S.
void load(std::int32_t icode, std::int32_t n, std::int32_t isec, const BlockPlace& place) {
  const std::int32_t t = (icode / 10) % 10;
  const std::int32_t s = icode % 10;

  // 3. The length to load.
  std::int32_t length = 0;
  switch (static_cast<Extent>(t)) {
    case Extent::SystemSectors:
    case Extent::SystemSectorsToo:
      length = endOnDisk(n, place, SectorKind::System, kLastSystemSector);
      break;
    case Extent::DataLength:
      length = place.used;
      break;
    case Extent::WholeBlock:
      length = place.length;
      break;
    case Extent::IntegerSector:
      length = endOnDisk(n, place, SectorKind::Integer, isec);
      break;
    case Extent::RealSector:
      length = endOnDisk(n, place, SectorKind::Real, isec);
      break;
    default:
      badAccessCode(icode);
  }
  checkLength(n, length, place);

  // 4. The work area, grown when too short and never shrunk.
  HeldBlock& work = UNSLTC.un.work[0];
  if (!work.held() || work.length < length) {
    if (work.held()) storage::CMFREI(work.core);
    work.core = storage::ICMGTI(length, 0);
    work.length = length;
  }
  UNREC.length = work.length;
  UNREC.pointer = work.core;

  // 5. The block, whole or its first L words.
  storage::DiskPointer entry = storage::emptyDiskPointer();
  storage::FBPPNT(kGet, UNSLTC.un.dataBlocks, n, entry);
  if (length == place.length) {
    storage::SBWRD(work.core, length, place.address);
  } else {
    storage::FILPRT(kRead, storage::CORSTO.words(work.core + 1, length), length, place.length,
                    place.address, 1, place.length);
    storage::SBSETC(length, work.core);
  }
  storage::FBPPNT(kPut, UNSLTC.un.dataBlocks, n, entry);

  // 6. The entity words and the descriptors.
  ENTCUR.length = length;
  ENTCUR.pointer = work.core;
  PAUWRK.context2 = UnitBlockContext2{};
  PAUWRK.context3 = UnitBlockContext3{};
  if (s == kContext2) {
    UnitBlockContext2& c = PAUWRK.context2;
    fillCommon(c, n, work.core, length);
    c.vatSector = loadedPointer(SectorKind::Vat, 1, length);
  } else if (s == kContext3) {
    UnitBlockContext3& c = PAUWRK.context3;
    fillCommon(c, n, work.core, length);
    fillTable(c.singles, SectorKind::Single, length);
    fillTable(c.doubles, SectorKind::Double, length);
  }
}

// Store: the work area's first L words into the block.
void store(std::int32_t icode, std::int32_t n, std::int32_t isec, const BlockPlace& place) {
  const std::int32_t t = (icode / 10) % 10;
  HeldBlock& work = UNSLTC.un.work[0];

  // The length to store; the image-bound extents need an image in the work area.
  const auto imageEnd = [&](SectorKind kind, std::int32_t num) {
    if (!work.held()) return storage::kFixedHeaderWords;  // longer than the empty area
    storage::SBSETC(work.length, work.core);
    return endInImage(n, kind, num);
  };
  std::int32_t length = 0;
  switch (static_cast<Extent>(t)) {
    case Extent::SystemSectors:
    case Extent::SystemSectorsToo:
      length = imageEnd(SectorKind::System, kLastSystemSector);
      break;
    case Extent::DataLength:
      length = place.used;
      break;
    case Extent::WholeBlock:
      length = place.length;
      break;
    case Extent::IntegerSector:
      length = imageEnd(SectorKind::Integer, isec);
      break;
    case Extent::RealSector:
      length = imageEnd(SectorKind::Real, isec);
      break;
    default:
      badAccessCode(icode);
  }
  const std::int32_t available = work.held() ? work.length : 0;
  if (length > available) {
    services::MSGPAR.integers(1) = n;
    services::MSGPAR.integers(2) = length;
    services::MSGPAR.integers(3) = available;
    services::MSGABT(kStoreTooLong, " ");
  }
  checkLength(n, length, place);

  storage::DiskPointer entry = storage::emptyDiskPointer();
  storage::FBPPNT(kGet, UNSLTC.un.dataBlocks, n, entry);
  if (length == place.length) {
    std::int32_t address = place.address;
    storage::SBWWRT(work.core, length, address);
  } else {
    storage::FILPRT(kWrite, storage::CORSTO.words(work.core + 1, length), length, place.length,
                    place.address, 1, place.length);
  }
  storage::FBPPNT(kPut, UNSLTC.un.dataBlocks, n, entry);
}

}  // namespace

std::int32_t DBUBLK(std::int32_t icode, std::int32_t n, std::int32_t isec) {
  // 1. The unit's status comes before the access code.
  if (IUNSTA(n) < 2) {
    services::MSGPAR.integers(1) = n;
    services::MSGABT(kUnitWithoutData, " ");
  }
  const std::int32_t h = icode / 100;
  if (h != kLoad && h != kStore) return 0;

  // 2. Where the block lies; 3 to 7 the transfer.
  const BlockPlace place = placeOf(n);
  if (h == kLoad) {
    load(icode, n, isec, place);
  } else {
    store(icode, n, isec, place);
  }
  return 0;
}

}  // namespace problem
