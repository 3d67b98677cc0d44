// Building and selecting sub-blocks in core or in a caller's array, and the disk-pointer
// entries of their disk-pointer sectors.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "services/services.hpp"
#include "storage/core_store.hpp"
#include "storage/current_routine.hpp"
#include "storage/sub_block.hpp"

namespace storage {
namespace {

using services::ABTRPT;
using services::ERRITM;
using services::NOCORE;

// Entry size of the disk-pointer and VAT sectors that SBSGLC builds.
constexpr std::int32_t kFullPointerWords = 9;
constexpr std::int32_t kVatEntryWords = 4;

// Builds the sub-block laid out in SBCUR into core area P (NOCORE: a new one).
void buildInCore(std::string_view routine, std::int32_t& len, std::int32_t& p,
                 std::int32_t soft, std::int32_t& ierr) {
  const std::int32_t total = SBCUR.header(sbhead::kTotalLength);
  if (p == NOCORE) {
    len = total;
    p = ICMGTI(total, 10);
    if (p == 0) {
      if (soft != 0) {
        ierr = static_cast<std::int32_t>(BuildError::NoCore);
        return;
      }
      ERRITM("REQUIRE", total);
      ABTRPT("SB", routine, CURRTN.sb.view(), "NOT ENOUGH SPACE AVAILABLE TO GET NEW CORE AREA");
    }
  } else if (len < total) {
    if (soft != 0) {
      ierr = static_cast<std::int32_t>(BuildError::NoCore);
      return;
    }
    ERRITM("REQUIRE", total);
    ERRITM("AVAIL", len);
    ABTRPT("SB", routine, CURRTN.sb.view(), "NOT ENOUGH SPACE AVAILABLE IN EXISTING CORE AREA");
  }
  SBHSTO(len, CORSTO.words(p + 1, len));
  SBHREL(p);
}

// An image's word k, or the header abort when the image does not hold it.
std::int32_t imageWord(std::span<const std::int32_t> image, std::int64_t k) {
  if (k < 1 || k > static_cast<std::int64_t>(image.size())) {
    ERRITM("WORD", static_cast<std::int32_t>(std::clamp<std::int64_t>(k, INT32_MIN, INT32_MAX)));
    ERRITM("AVAIL", static_cast<std::int32_t>(image.size()));
    ABTRPT("SB", "SBGPSB", CURRTN.sb.view(), "SUB-BLOCK HEADER INVALID");
  }
  return image[static_cast<std::size_t>(k - 1)];
}

// A disk-pointer sector of an image: resolved entry count, entry size and data offset.
struct PointerSector {
  std::int32_t entries = 0;
  std::int32_t entrySize = 0;
  std::int32_t offset = 0;
};

PointerSector pointerSector(std::span<const std::int32_t> image, std::int32_t s) {
  const std::int32_t count = imageWord(image, sbhead::kFirstCount);
  const std::int32_t table = imageWord(image, sbhead::kFirstTableOffset);
  PointerSector sector;
  const std::int32_t length = imageWord(image, std::int64_t{table} + s);
  sector.offset = imageWord(image, std::int64_t{table} + count + s);
  sector.entrySize = imageWord(image, std::int64_t{table} + 2 * std::int64_t{count} + s);
  sector.entries = length;
  if (length < 0) {
    const std::int32_t sizingOffset = imageWord(image, sbhead::kSizingOffset);
    sector.entries = imageWord(image, std::int64_t{sizingOffset} - length);
  }
  return sector;
}

// Where the words of a disk pointer stand in an image (0-based word positions).
struct EntryPlace {
  std::int64_t primary = 0;    // word 1 of the primary entry
  std::int64_t secondary = 0;  // word 1 of the secondary entry
  std::int32_t secondaryWords = 0;  // M2; 0 without a secondary sector
};

EntryPlace locate(std::span<const std::int32_t> image, std::int32_t s, std::int32_t n,
                  std::int32_t n2) {
  const std::int32_t count = imageWord(image, sbhead::kFirstCount);
  if (s < 1 || s > count) {
    ERRITM("REQUEST", s);
    ERRITM("AVAIL", count);
    ABTRPT("SB", "SBGPSB", CURRTN.sb.view(), "DISK POINTER SECTOR NUMBER INVALID OR OUT OF RANGE");
  }
  const PointerSector primary = pointerSector(image, s);
  if (n < 1 || n > primary.entries) {
    ERRITM("PRI SCT", s);
    ERRITM("REQUEST", n);
    ERRITM("AVAIL", primary.entries);
    ABTRPT("SB", "SBGPSB", CURRTN.sb.view(),
           "DISK POINTER ENTRY NUMBERS INVALID OR OUT OF RANGE");
  }
  EntryPlace place;
  place.primary = std::int64_t{primary.offset} + std::int64_t{n - 1} * primary.entrySize + 1;
  const std::int32_t s2 = imageWord(image, place.primary);
  PointerSector secondary;
  if (s2 != 0) {
    if (s2 < 1 || s2 > count) {
      ERRITM("REQUEST", s2);
      ERRITM("AVAIL", count);
      ABTRPT("SB", "SBGPSB", CURRTN.sb.view(),
             "DISK POINTER SECTOR NUMBER INVALID OR OUT OF RANGE");
    }
    secondary = pointerSector(image, s2);
    if (n2 < 1 || n2 > secondary.entries) {
      ERRITM("PRI SCT", s);
      ERRITM("REQUEST", n);
      ERRITM("AVAIL", primary.entries);
      ERRITM("SEC SCT", s2);
      ERRITM("REQUIRE", n2);
      ERRITM("AVAIL", secondary.entries);
      ABTRPT("SB", "SBGPSB", CURRTN.sb.view(),
             "DISK POINTER ENTRY NUMBERS INVALID OR OUT OF RANGE");
    }
    place.secondary =
        std::int64_t{secondary.offset} + std::int64_t{n2 - 1} * secondary.entrySize + 1;
    place.secondaryWords = secondary.entrySize;
  }
  const bool secondaryOk = s2 == 0 || secondary.entrySize == 3 || secondary.entrySize == 6;
  if (primary.entrySize != kFullPointerWords || !secondaryOk) {
    ERRITM("PRI LEN", primary.entrySize);
    ERRITM("SEC LEN", s2 == 0 ? 0 : secondary.entrySize);
    ABTRPT("SB", "SBGPSB", CURRTN.sb.view(), "DISK POINTER SECTOR LENGTHS INVALID");
  }
  // Every word the entry spans must lie in the image.
  imageWord(image, place.primary + kFullPointerWords - 1);
  if (place.secondaryWords > 0) imageWord(image, place.secondary + place.secondaryWords - 1);
  return place;
}

void getEntry(std::span<const std::int32_t> image, std::int32_t s, std::int32_t n,
              std::int32_t n2, DiskPointer& dskptr) {
  const EntryPlace place = locate(image, s, n, n2);
  const std::int32_t primaryWords = kFullPointerWords - place.secondaryWords;
  dp(dskptr, 1) = 0;
  for (std::int32_t k = 2; k <= primaryWords; ++k) {
    dp(dskptr, k) = imageWord(image, place.primary + k - 1);
  }
  for (std::int32_t k = 1; k <= place.secondaryWords; ++k) {
    dp(dskptr, primaryWords + k) = imageWord(image, place.secondary + k - 1);
  }
}

void putEntry(std::span<std::int32_t> image, std::int32_t s, std::int32_t n, std::int32_t n2,
              const DiskPointer& dskptr) {
  const EntryPlace place = locate(image, s, n, n2);
  const auto at = [&](std::int64_t k) -> std::int32_t& {
    return image[static_cast<std::size_t>(k - 1)];
  };
  if (place.secondaryWords == 0) {
    for (std::int32_t k = 2; k <= kFullPointerWords; ++k) at(place.primary + k - 1) = dp(dskptr, k);
    return;
  }
  const std::int32_t primaryWords = kFullPointerWords - place.secondaryWords;
  const bool namesBlock = dp(dskptr, dpword::kAddress) != services::NODISK;
  if (namesBlock) {
    if (at(place.primary + 1) != 0) {
      // The shared words of a primary entry in use must agree.
      for (std::int32_t k = 2; k <= primaryWords; ++k) {
        if (at(place.primary + k - 1) != dp(dskptr, k)) {
          ERRITM("WORD", k);
          ERRITM("OLD VAL", at(place.primary + k - 1));
          ERRITM("NEW VAL", dp(dskptr, k));
          ABTRPT("SB", "SBGPSB", CURRTN.sb.view(),
                 "DISK POINTER CONTENTS CONFLICT WITH CURRENT VALUES");
        }
      }
    } else {
      for (std::int32_t k = 2; k <= primaryWords; ++k) at(place.primary + k - 1) = dp(dskptr, k);
    }
  }
  for (std::int32_t k = 1; k <= place.secondaryWords; ++k) {
    at(place.secondary + k - 1) = dp(dskptr, primaryWords + k);
  }
}

// The image at the start of a caller's array: its TOT words when the array holds them.
std::span<const std::int32_t> arrayImage(std::span<const std::int32_t> array) {
  if (array.size() < static_cast<std::size_t>(sbhead::kTotalLength)) return array;
  const std::int32_t total = array[sbhead::kTotalLength - 1];
  if (total < 1 || static_cast<std::size_t>(total) > array.size()) return array;
  return array.first(static_cast<std::size_t>(total));
}

}  // namespace

std::span<std::int32_t> coreImage(std::int32_t p) {
  const std::int32_t total = CORSTO[p + sbhead::kTotalLength];
  if (total < kFixedHeaderWords) {
    ERRITM("POINTER", p);
    ERRITM("TOT LEN", total);
    ABTRPT("SB", "SBHLOD", CURRTN.sb.view(), "SUB-BLOCK HEADER INVALID");
  }
  return CORSTO.words(p + 1, total);
}

void SBMLTC(std::int32_t& len, std::int32_t& p, std::int32_t soft, std::int32_t& ierr,
            const SubBlockSpec& spec) {
  CURRTN.sb.assign("SBMLTC");
  ierr = 0;
  SBCHKA(spec, soft, ierr);
  if (ierr > 0) return;
  SBHBLD(spec);
  buildInCore("SBMLTC", len, p, soft, ierr);
}

void SBSGLC(std::int32_t& len, std::int32_t& p, std::int32_t soft, std::int32_t& ierr,
            std::int32_t ldp, std::int32_t lvat, std::int32_t lsys, std::int32_t lint,
            std::int32_t lreal, std::int32_t lsgl, std::int32_t ldbl) {
  CURRTN.sb.assign("SBSGLC");
  ierr = 0;
  const std::array<std::int32_t, 1> dp{ldp};
  const std::array<std::int32_t, 1> vat{lvat};
  const std::array<std::int32_t, 1> sys{lsys};
  const std::array<std::int32_t, 1> integer{lint};
  const std::array<std::int32_t, 1> real{lreal};
  const std::array<std::int32_t, 1> single{lsgl};
  const std::array<std::int32_t, 1> dbl{ldbl};
  static constexpr std::array<std::int32_t, 1> kPointerEntry{kFullPointerWords};
  static constexpr std::array<std::int32_t, 1> kVatEntry{kVatEntryWords};
  const auto one = [](const std::array<std::int32_t, 1>& length) {
    return length[0] > 0 ? std::span<const std::int32_t>(length) : std::span<const std::int32_t>();
  };
  SubBlockSpec spec;
  spec[SectorKind::Pointer] = {one(dp), kPointerEntry};
  spec[SectorKind::Vat] = {one(vat), kVatEntry};
  spec[SectorKind::System] = {one(sys), {}};
  spec[SectorKind::Integer] = {one(integer), {}};
  spec[SectorKind::Real] = {one(real), {}};
  spec[SectorKind::Single] = {one(single), {}};
  spec[SectorKind::Double] = {one(dbl), {}};
  SBHBLD(spec);
  buildInCore("SBSGLC", len, p, soft, ierr);
}

void SBMLTF(std::int32_t soft, std::int32_t& ierr, const SubBlockSpec& spec) {
  CURRTN.sb.assign("SBMLTF");
  ierr = 0;
  SBCHKA(spec, soft, ierr);
  if (ierr > 0) return;
  SBHBLD(spec);
}

void SBSETC(std::int32_t /*len*/, std::int32_t p) {
  CURRTN.sb.assign("SBSETC");
  SBHLOD(coreImage(p));
  SBHCPY();
  SBHREL(p);
}

void SBSETA(std::int32_t /*len*/, std::span<const std::int32_t> array) {
  CURRTN.sb.assign("SBSETA");
  SBHLOD(arrayImage(array));
  SBHCPY();
  SBHREL(0);
}

void SBGETC(std::int32_t /*len*/, std::int32_t p, std::int32_t s, std::int32_t n,
            std::int32_t n2, DiskPointer& dskptr) {
  CURRTN.sb.assign("SBGETC");
  getEntry(coreImage(p), s, n, n2, dskptr);
}

void SBGETA(std::int32_t /*len*/, std::span<const std::int32_t> array, std::int32_t s,
            std::int32_t n, std::int32_t n2, DiskPointer& dskptr) {
  CURRTN.sb.assign("SBGETA");
  getEntry(arrayImage(array), s, n, n2, dskptr);
}

void SBPUTC(std::int32_t /*len*/, std::int32_t p, std::int32_t s, std::int32_t n,
            std::int32_t n2, const DiskPointer& dskptr) {
  CURRTN.sb.assign("SBPUTC");
  putEntry(coreImage(p), s, n, n2, dskptr);
}

void SBPUTA(std::int32_t /*len*/, std::span<std::int32_t> array, std::int32_t s, std::int32_t n,
            std::int32_t n2, const DiskPointer& dskptr) {
  CURRTN.sb.assign("SBPUTA");
  const std::span<const std::int32_t> image = arrayImage(array);
  putEntry(array.first(image.size()), s, n, n2, dskptr);
}

}  // namespace storage
