// The sub-block header: layout from a specification, its check, and the current sub-block.
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <span>
#include <string_view>

#include "services/services.hpp"
#include "storage/core_store.hpp"
#include "storage/current_routine.hpp"
#include "storage/sub_block.hpp"

namespace storage {

CurrentSubBlock SBCUR;

namespace {

using services::ABTRPT;
using services::ERRITM;
using services::NOCORE;

constexpr std::array<std::string_view, kSectorKinds> kCountMessages = {
    "MAXIMUM DISK POINTER SECTORS EXCEEDED", "MAXIMUM VAT SECTORS EXCEEDED",
    "MAXIMUM SYSTEM SECTORS EXCEEDED",       "MAXIMUM INTEGER SECTORS EXCEEDED",
    "MAXIMUM SINGLE SECTORS EXCEEDED",       "MAXIMUM REAL SECTORS EXCEEDED",
    "MAXIMUM DOUBLE SECTORS EXCEEDED"};
constexpr std::array<std::string_view, kSectorKinds> kLengthMessages = {
    "BAD DISK POINTER SECTOR LENGTH", "BAD VAT SECTOR LENGTH",  "BAD SYSTEM SECTOR LENGTH",
    "BAD INTEGER SECTOR LENGTH",      "BAD SINGLE SECTOR LENGTH", "BAD REAL SECTOR LENGTH",
    "BAD DOUBLE SECTOR LENGTH"};

bool hasEntries(std::size_t kind) { return kind <= 2; }
bool isEightByte(std::size_t kind) { return kind >= 6; }
std::int32_t tableWidth(std::size_t kind) { return hasEntries(kind) ? 3 : 2; }

// Words reserved for a sector: its elements, at least one element's worth.
std::int64_t room(std::size_t kind, std::int32_t length, std::int32_t entrySize,
                  std::int32_t sizingValue) {
  const std::int64_t perElement = hasEntries(kind) ? entrySize : (isEightByte(kind) ? 2 : 1);
  if (length > 0) return perElement * length;
  if (length < 0) {
    if (hasEntries(kind)) return std::max<std::int64_t>(perElement * sizingValue, 1);
    return perElement * std::max<std::int32_t>(sizingValue, 1);
  }
  return isEightByte(kind) ? 2 : 1;
}

// The resolved element count of a stored length.
std::int32_t resolved(std::int32_t length, std::int32_t sizingValue) {
  return length < 0 ? sizingValue : length;
}

[[noreturn]] void invalidHeader(std::int32_t word, std::int64_t value) {
  ERRITM("WORD", word);
  ERRITM("VALUE",
         static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX)));
  ABTRPT("SB", "SBHLOD", CURRTN.sb.view(), "SUB-BLOCK HEADER INVALID");
}

}  // namespace

void SBCLR() {
  for (std::size_t kind = 1; kind <= kSectorKinds; ++kind) {
    const auto count = static_cast<std::size_t>(std::clamp(SBCUR.counts(kind), 0, kMaxSectors));
    for (std::size_t s = 1; s <= count; ++s) {
      SBCUR.lengths(kind)(s) = 0;
      SBCUR.offsets(kind)(s) = NOCORE;
      SBCUR.pointers(kind)(s) = NOCORE;
      if (hasEntries(kind)) SBCUR.entrySizes(kind)(s) = 0;
    }
    SBCUR.counts(kind) = 0;
  }
  const auto sizing =
      static_cast<std::size_t>(std::clamp(SBCUR.sizingCount, 0, kMaxSizingValues));
  for (std::size_t k = 1; k <= sizing; ++k) SBCUR.sizing(k) = 0;
  SBCUR.sizingCount = 0;
}

void SBINIT() {
  CURRTN.sb.assign("SBINIT");
  SBCUR = CurrentSubBlock{};
  SBCUR.sizingOffset = NOCORE;
  SBCUR.tableOffsets.fill(NOCORE);
  for (std::size_t kind = 1; kind <= kSectorKinds; ++kind) {
    SBCUR.offsets(kind).fill(NOCORE);
    SBCUR.pointers(kind).fill(NOCORE);
  }
}

void SBCHKA(const SubBlockSpec& spec, std::int32_t soft, std::int32_t& ierr) {
  ierr = 0;
  const auto fail = [&](BuildError error, std::string_view message) {
    if (soft != 0) {
      ierr = static_cast<std::int32_t>(error);
      return;
    }
    ABTRPT("SB", "SBCHKA", CURRTN.sb.view(), message);
  };
  const auto nsiz = static_cast<std::int64_t>(spec.sizing.size());

  // 1. Counts, then the number of sizing values.
  for (std::size_t kind = 1; kind <= kSectorKinds; ++kind) {
    const auto count = static_cast<std::int64_t>(spec.kinds[kind - 1].lengths.size());
    if (count > kMaxSectors) {
      if (soft == 0) {
        ERRITM("REQUEST", static_cast<std::int32_t>(count));
        ERRITM("MAXIMUM", kMaxSectors);
      }
      return fail(BuildError::TooMany, kCountMessages[kind - 1]);
    }
  }
  if (nsiz > kMaxSizingValues) {
    if (soft == 0) {
      ERRITM("REQUEST", static_cast<std::int32_t>(nsiz));
      ERRITM("MAXIMUM", kMaxSizingValues);
    }
    return fail(BuildError::TooMany, "MAXIMUM SIZING VALUES EXCEEDED");
  }

  // 2. Sizing values are counts.
  for (std::size_t k = 0; k < spec.sizing.size(); ++k) {
    if (spec.sizing[k] < 0) {
      if (soft == 0) {
        ERRITM("NUM ER", static_cast<std::int32_t>(k + 1));
        ERRITM("VALUE", spec.sizing[k]);
      }
      return fail(BuildError::BadLength, "BAD SIZING VALUE");
    }
  }

  // 3. A negative length names a sizing value; entry sizes go with every entry sector.
  for (std::size_t kind = 1; kind <= kSectorKinds; ++kind) {
    const SectorList& list = spec.kinds[kind - 1];
    for (std::size_t s = 0; s < list.lengths.size(); ++s) {
      const std::int32_t length = list.lengths[s];
      const bool badEntry = hasEntries(kind) &&
                            (s >= list.entrySizes.size() || list.entrySizes[s] < 0);
      if ((length < 0 && -std::int64_t{length} > nsiz) || badEntry) {
        if (soft == 0) {
          ERRITM("SECTOR", static_cast<std::int32_t>(s + 1));
          ERRITM("VALUE", length);
          ERRITM("MAXIMUM", static_cast<std::int32_t>(nsiz));
        }
        return fail(BuildError::BadLength, kLengthMessages[kind - 1]);
      }
    }
  }
}

void SBHBLD(const SubBlockSpec& spec) {
  // 1. Clear and copy the specification.
  SBCLR();
  SBCUR.header.fill(0);
  SBCUR.header(sbhead::kBlockType) = static_cast<std::int32_t>(BlockType::Plain);
  SBCUR.sizingCount = static_cast<std::int32_t>(spec.sizing.size());
  for (std::size_t k = 0; k < spec.sizing.size(); ++k) SBCUR.sizing(k + 1) = spec.sizing[k];
  for (std::size_t kind = 1; kind <= kSectorKinds; ++kind) {
    const SectorList& list = spec.kinds[kind - 1];
    SBCUR.counts(kind) = static_cast<std::int32_t>(list.lengths.size());
    for (std::size_t s = 0; s < list.lengths.size(); ++s) {
      SBCUR.lengths(kind)(s + 1) = list.lengths[s];
      if (hasEntries(kind)) {
        SBCUR.entrySizes(kind)(s + 1) = s < list.entrySizes.size() ? list.entrySizes[s] : 0;
      }
    }
  }

  // 2-3. The header: fixed words, sizing values, then the sector tables by kind.
  std::int64_t h = kFixedHeaderWords;
  SBCUR.sizingOffset = SBCUR.sizingCount > 0 ? kFixedHeaderWords : NOCORE;
  h += SBCUR.sizingCount;
  for (std::size_t kind = 1; kind <= kSectorKinds; ++kind) {
    const std::int32_t count = SBCUR.counts(kind);
    SBCUR.tableOffsets(kind) = count > 0 ? static_cast<std::int32_t>(h) : NOCORE;
    h += std::int64_t{tableWidth(kind)} * count;
  }
  SBCUR.header(sbhead::kHeaderLength) = static_cast<std::int32_t>(h);

  // 4. The data, kind by kind; 8-byte sectors start on an even offset.
  std::int64_t t = h;
  for (std::size_t kind = 1; kind <= kSectorKinds; ++kind) {
    if (isEightByte(kind) && t % 2 != 0) ++t;
    for (std::int32_t s = 1; s <= SBCUR.counts(kind); ++s) {
      const auto sector = static_cast<std::size_t>(s);
      const std::int32_t length = SBCUR.lengths(kind)(sector);
      const std::int32_t sizingValue =
          length < 0 ? SBCUR.sizing(static_cast<std::size_t>(-length)) : 0;
      const std::int32_t entrySize = hasEntries(kind) ? SBCUR.entrySizes(kind)(sector) : 0;
      SBCUR.offsets(kind)(sector) = static_cast<std::int32_t>(std::min<std::int64_t>(t, INT32_MAX));
      t += room(kind, length, entrySize, sizingValue);
    }
  }
  if (t % 2 != 0) ++t;
  if (t > INT32_MAX - 1) {
    ERRITM("REQUIRE", INT32_MAX);
    ABTRPT("SB", "SBHBLD", CURRTN.sb.view(), "SUB-BLOCK TOO LARGE");
  }
  // 5. Total and used length.
  SBCUR.header(sbhead::kTotalLength) = static_cast<std::int32_t>(t);
  SBCUR.header(sbhead::kUsedLength) = static_cast<std::int32_t>(t);
}

void SBHSTO(std::int32_t len, std::span<std::int32_t> area) {
  const std::int32_t total = SBCUR.header(sbhead::kTotalLength);
  const std::size_t words = std::min(static_cast<std::size_t>(std::max(len, 0)), area.size());
  if (static_cast<std::int64_t>(words) < total) {
    ERRITM("REQUIRE", total);
    ERRITM("AVAIL", static_cast<std::int32_t>(words));
    ABTRPT("SB", "SBHSTO", CURRTN.sb.view(), "NOT ENOUGH SPACE AVAILABLE IN EXISTING CORE AREA");
  }
  const auto at = [&](std::int64_t k) -> std::int32_t& {  // word k of the image
    return area[static_cast<std::size_t>(k - 1)];
  };
  std::fill(area.begin(), area.begin() + static_cast<std::ptrdiff_t>(words), 0);

  for (std::int32_t k = 1; k <= 6; ++k) at(k) = SBCUR.header(static_cast<std::size_t>(k));
  at(sbhead::kSizingCount) = SBCUR.sizingCount;
  for (std::size_t kind = 1; kind <= kSectorKinds; ++kind) {
    at(sbhead::kFirstCount + static_cast<std::int32_t>(kind) - 1) = SBCUR.counts(kind);
    at(sbhead::kFirstTableOffset + static_cast<std::int32_t>(kind) - 1) = SBCUR.tableOffsets(kind);
  }
  at(sbhead::kSizingOffset) = SBCUR.sizingOffset;
  for (std::int32_t k = 1; k <= SBCUR.sizingCount; ++k) {
    at(std::int64_t{SBCUR.sizingOffset} + k) = SBCUR.sizing(static_cast<std::size_t>(k));
  }

  for (std::size_t kind = 1; kind <= kSectorKinds; ++kind) {
    const std::int32_t count = SBCUR.counts(kind);
    if (count == 0) continue;
    const std::int64_t table = SBCUR.tableOffsets(kind);
    for (std::int32_t s = 1; s <= count; ++s) {
      const auto sector = static_cast<std::size_t>(s);
      at(table + s) = SBCUR.lengths(kind)(sector);
      at(table + count + s) = SBCUR.offsets(kind)(sector);
      if (hasEntries(kind)) at(table + 2 * std::int64_t{count} + s) = SBCUR.entrySizes(kind)(sector);
    }
  }

  // Every entry of a disk-pointer sector starts as an empty pointer: its word M-1 names no
  // block.
  constexpr std::size_t kPointers = kindIndex(SectorKind::Pointer);
  for (std::int32_t s = 1; s <= SBCUR.counts(kPointers); ++s) {
    const auto sector = static_cast<std::size_t>(s);
    const std::int32_t length = SBCUR.lengths(kPointers)(sector);
    const std::int32_t entries =
        resolved(length, length < 0 ? SBCUR.sizing(static_cast<std::size_t>(-length)) : 0);
    const std::int32_t m = SBCUR.entrySizes(kPointers)(sector);
    if (m < 2) continue;
    const std::int64_t start = SBCUR.offsets(kPointers)(sector);
    for (std::int32_t j = 0; j < entries; ++j) {
      at(start + std::int64_t{j} * m + (m - 1)) = services::NODISK;
    }
  }
  SBHCPY();
}

void SBHLOD(std::span<const std::int32_t> image) {
  const auto words = static_cast<std::int64_t>(image.size());
  const auto word = [&](std::int32_t k) -> std::int32_t {
    if (k < 1 || k > words) invalidHeader(k, words);
    return image[static_cast<std::size_t>(k - 1)];
  };

  // The fixed words must describe an image that the words at hand hold.
  const std::int32_t total = word(sbhead::kTotalLength);
  const std::int32_t header = word(sbhead::kHeaderLength);
  const std::int32_t nsiz = word(sbhead::kSizingCount);
  if (total < kFixedHeaderWords || total > words) invalidHeader(sbhead::kTotalLength, total);
  if (header < kFixedHeaderWords || header > total) invalidHeader(sbhead::kHeaderLength, header);
  if (nsiz < 0 || nsiz > kMaxSizingValues) invalidHeader(sbhead::kSizingCount, nsiz);
  const std::int32_t sizingOffset = word(sbhead::kSizingOffset);
  if (nsiz > 0 && (sizingOffset < kFixedHeaderWords ||
                   std::int64_t{sizingOffset} + nsiz > header)) {
    invalidHeader(sbhead::kSizingOffset, sizingOffset);
  }
  std::array<std::int32_t, kSectorKinds> counts{};
  std::array<std::int32_t, kSectorKinds> tables{};
  for (std::size_t kind = 1; kind <= kSectorKinds; ++kind) {
    const std::int32_t countWord = sbhead::kFirstCount + static_cast<std::int32_t>(kind) - 1;
    const std::int32_t tableWord = sbhead::kFirstTableOffset + static_cast<std::int32_t>(kind) - 1;
    counts[kind - 1] = word(countWord);
    tables[kind - 1] = word(tableWord);
    if (counts[kind - 1] < 0 || counts[kind - 1] > kMaxSectors) {
      invalidHeader(countWord, counts[kind - 1]);
    }
    if (counts[kind - 1] > 0 &&
        (tables[kind - 1] < kFixedHeaderWords ||
         tables[kind - 1] + std::int64_t{tableWidth(kind)} * counts[kind - 1] > header)) {
      invalidHeader(tableWord, tables[kind - 1]);
    }
  }

  // Copy into SBCUR, checking every sector's place against the image.
  SBCLR();
  for (std::int32_t k = 1; k <= 6; ++k) SBCUR.header(static_cast<std::size_t>(k)) = word(k);
  SBCUR.sizingCount = nsiz;
  SBCUR.sizingOffset = word(sbhead::kSizingOffset);
  for (std::int32_t k = 1; k <= nsiz; ++k) {
    const std::int32_t value = word(sizingOffset + k);
    if (value < 0) invalidHeader(sizingOffset + k, value);
    SBCUR.sizing(static_cast<std::size_t>(k)) = value;
  }
  for (std::size_t kind = 1; kind <= kSectorKinds; ++kind) {
    const std::int32_t count = counts[kind - 1];
    const std::int32_t table = tables[kind - 1];
    SBCUR.counts(kind) = count;
    SBCUR.tableOffsets(kind) = word(sbhead::kFirstTableOffset + static_cast<std::int32_t>(kind) - 1);
    for (std::int32_t s = 1; s <= count; ++s) {
      const auto sector = static_cast<std::size_t>(s);
      const std::int32_t length = word(table + s);
      const std::int32_t offset = word(table + count + s);
      const std::int32_t entrySize = hasEntries(kind) ? word(table + 2 * count + s) : 0;
      if (length < 0 && -std::int64_t{length} > nsiz) invalidHeader(table + s, length);
      if (entrySize < 0) invalidHeader(table + 2 * count + s, entrySize);
      const std::int32_t sizingValue =
          length < 0 ? SBCUR.sizing(static_cast<std::size_t>(-length)) : 0;
      const bool misaligned = isEightByte(kind) && offset % 2 != 0;
      if (offset < header || misaligned ||
          offset + room(kind, length, entrySize, sizingValue) > total) {
        invalidHeader(table + count + s, offset);
      }
      SBCUR.lengths(kind)(sector) = length;
      SBCUR.offsets(kind)(sector) = offset;
      if (hasEntries(kind)) SBCUR.entrySizes(kind)(sector) = entrySize;
    }
  }
}

void SBHCPY() {
  for (std::size_t kind = 1; kind <= kSectorKinds; ++kind) {
    for (std::int32_t s = 1; s <= SBCUR.counts(kind); ++s) {
      std::int32_t& length = SBCUR.lengths(kind)(static_cast<std::size_t>(s));
      if (length < 0) length = SBCUR.sizing(static_cast<std::size_t>(-length));
    }
  }
}

void SBHREL(std::int32_t base) {
  for (std::size_t kind = 1; kind <= kSectorKinds; ++kind) {
    for (std::int32_t s = 1; s <= SBCUR.counts(kind); ++s) {
      const auto sector = static_cast<std::size_t>(s);
      const std::int32_t at = base + SBCUR.offsets(kind)(sector);
      SBCUR.pointers(kind)(sector) = isEightByte(kind) ? IPITOD(at) : at;
    }
  }
}

void SBIDC(std::int32_t /*len*/, std::int32_t p, std::int32_t type, std::int32_t id2,
           std::int32_t id6) {
  CURRTN.sb.assign("SBIDC");
  if (type > 0) CORSTO[p + sbhead::kBlockType] = type;
  if (id2 > 0) CORSTO[p + sbhead::kId2] = id2;
  if (id6 > 0) CORSTO[p + sbhead::kId6] = id6;
}

}  // namespace storage
