// Sub-blocks on disk: the disk pointer check, reading a sub-block into core or a caller's
// array, writing it back in place or to new space, and locating a sector by partial reads.
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <span>
#include <string_view>

#include "services/services.hpp"
#include "storage/core_store.hpp"
#include "storage/current_routine.hpp"
#include "storage/files.hpp"
#include "storage/sub_block.hpp"

namespace storage {
namespace {

using services::ABTRPT;
using services::ERRITM;
using services::NOCORE;
using services::NODISK;

// Largest sector table: three words for each of 250 sectors.
constexpr std::int32_t kLargestTable = 3 * kMaxSectors;

// Loads SBCUR from an image of `words` and computes its pointers for `base`.
void makeCurrent(std::span<const std::int32_t> image, std::int32_t base) {
  SBHLOD(image);
  SBHCPY();
  SBHREL(base);
}

// The TOT words of an image at hand; a header that claims more than the area holds is the
// header abort.
std::span<std::int32_t> wholeImage(std::span<std::int32_t> area, std::string_view routine) {
  const std::int32_t total =
      area.size() >= static_cast<std::size_t>(sbhead::kTotalLength) ? area[sbhead::kTotalLength - 1]
                                                                     : 0;
  if (total < kFixedHeaderWords || static_cast<std::size_t>(total) > area.size()) {
    ERRITM("TOT LEN", total);
    ERRITM("AVAIL", static_cast<std::int32_t>(std::min<std::size_t>(area.size(), INT32_MAX)));
    ABTRPT("SB", routine, CURRTN.sb.view(), "SUB-BLOCK HEADER INVALID");
  }
  return area.first(static_cast<std::size_t>(total));
}

// A pointer written with its block carries the block's header words 1 to 6 in its words 2
// to 7; a pointer built from a stored length and address (a raw one, or a master block's
// from its file header) carries no block type and only the total length for certain. The
// words a pointer carries must be the block's own: a block read there with other words is
// not the block the pointer was written for (records moved or overwritten on disk), and
// reading on would hand its caller another table's contents as if they were its own.
void checkHeaderAgrees(std::span<const std::int32_t> image, const DiskPointer& dskptr,
                       std::string_view routine) {
  if (image.size() < static_cast<std::size_t>(sbhead::kId6)) return;
  const bool written = dp(dskptr, dpword::kBlockType) != 0;
  for (std::int32_t k = sbhead::kBlockType; k <= sbhead::kId6; ++k) {
    if (!written && k != sbhead::kTotalLength) continue;
    const std::int32_t stored = image[static_cast<std::size_t>(k - 1)];
    const std::int32_t expected = dp(dskptr, k + 1);
    if (stored == expected) continue;
    ERRITM("POINTER", dp(dskptr, dpword::kAddress));
    ERRITM("WORD", k);
    ERRITM("BLOCK", stored);
    ERRITM("EXPECTED", expected);
    ABTRPT("SB", routine, CURRTN.sb.view(), "DISK BLOCK DOES NOT MATCH ITS POINTER");
  }
}

// Header words 1 to 6 of an image into words 2 to 7 of a disk pointer.
void copyHeader(std::span<const std::int32_t> image, DiskPointer& dskptr) {
  const auto header = [&](std::int32_t k) { return image[static_cast<std::size_t>(k - 1)]; };
  dp(dskptr, dpword::kBlockType) = header(sbhead::kBlockType);
  dp(dskptr, dpword::kId2) = header(sbhead::kId2);
  dp(dskptr, dpword::kTotalLength) = header(sbhead::kTotalLength);
  dp(dskptr, dpword::kUsedLength) = header(sbhead::kUsedLength);
  dp(dskptr, dpword::kHeaderLength) = header(sbhead::kHeaderLength);
  dp(dskptr, dpword::kId6) = header(sbhead::kId6);
}

// Writes an image under a disk pointer: in place when the lengths agree, else to new space.
void writeImage(std::span<std::int32_t> image, DiskPointer& dskptr, std::int32_t& status) {
  SBCHKP(dskptr, status);
  const auto header = [&](std::int32_t k) { return image[static_cast<std::size_t>(k - 1)]; };
  const std::int32_t total = header(sbhead::kTotalLength);

  if (status == kPointerChanged) {
    // No block yet: the file layer places one and returns its address.
    copyHeader(image, dskptr);
    FILEIO(2, image, total, total, dp(dskptr, dpword::kAddress));
    return;
  }
  const bool sameShape = dp(dskptr, dpword::kTotalLength) == total &&
                         dp(dskptr, dpword::kUsedLength) == header(sbhead::kUsedLength) &&
                         dp(dskptr, dpword::kHeaderLength) == header(sbhead::kHeaderLength);
  if (sameShape) {
    const bool renamed = dp(dskptr, dpword::kBlockType) != header(sbhead::kBlockType) ||
                         dp(dskptr, dpword::kId2) != header(sbhead::kId2) ||
                         dp(dskptr, dpword::kId6) != header(sbhead::kId6);
    status = renamed ? kPointerChanged : kPointerUnchanged;
    dp(dskptr, dpword::kBlockType) = header(sbhead::kBlockType);
    dp(dskptr, dpword::kId2) = header(sbhead::kId2);
    dp(dskptr, dpword::kId6) = header(sbhead::kId6);
    FILEIO(2, image, total, total, dp(dskptr, dpword::kAddress));
    return;
  }
  // Another shape: the old space goes back and the block is placed anew.
  std::int32_t old = dp(dskptr, dpword::kAddress);
  FILFRE(dp(dskptr, dpword::kTotalLength), old);
  status = kPointerChanged;
  copyHeader(image, dskptr);
  dp(dskptr, dpword::kAddress) = NODISK;
  FILEIO(2, image, total, total, dp(dskptr, dpword::kAddress));
}

}  // namespace

void SBCHKP(const DiskPointer& dskptr, std::int32_t& status) {
  if (dp(dskptr, dpword::kAddress) == NODISK) {
    status = kPointerChanged;
    return;
  }
  const std::int32_t total = dp(dskptr, dpword::kTotalLength);
  const bool raw = dp(dskptr, 1) == 0 && dp(dskptr, 2) == 0 && dp(dskptr, 3) == 0 &&
                   dp(dskptr, 5) == 0 && dp(dskptr, 6) == 0 && dp(dskptr, 7) == 0 &&
                   dp(dskptr, 9) == 0;
  if (raw) {
    if (total <= 0) {
      ERRITM("POINTER", dp(dskptr, dpword::kAddress));
      ERRITM("TOT LEN", total);
      ABTRPT("SB", "SBCHKP", CURRTN.sb.view(), "DISK BLOCK LENGTHS INVALID");
    }
  } else if (dp(dskptr, dpword::kHeaderLength) <= 0 || total <= 0 ||
             dp(dskptr, dpword::kUsedLength) <= 0) {
    ERRITM("POINTER", dp(dskptr, dpword::kAddress));
    ERRITM("TOT LEN", total);
    ERRITM("PRT LEN", dp(dskptr, dpword::kUsedLength));
    ERRITM("HDR LEN", dp(dskptr, dpword::kHeaderLength));
    ABTRPT("SB", "SBCHKP", CURRTN.sb.view(), "DISK BLOCK LENGTHS INVALID");
  }
  status = kPointerUnchanged;
}

void SBDPCL(DiskPointer& dskptr) { dskptr = emptyDiskPointer(); }

void SBRDC(std::int32_t& len, std::int32_t& p, const DiskPointer& dskptr, std::int32_t& status) {
  CURRTN.sb.assign("SBRDC");
  SBCHKP(dskptr, status);
  if (status == kPointerChanged) return;
  const std::int32_t total = dp(dskptr, dpword::kTotalLength);
  if (p == NOCORE) {
    len = total;
    p = ICMGTI(total, 10);
    if (p == 0) {
      p = NOCORE;
      ERRITM("REQUIRE", total);
      ABTRPT("SB", "SBRDC", CURRTN.sb.view(), "NOT ENOUGH SPACE AVAILABLE TO GET NEW CORE AREA");
    }
  } else if (len < total) {
    ERRITM("REQUIRE", total);
    ERRITM("AVAIL", len);
    ABTRPT("SB", "SBRDC", CURRTN.sb.view(), "NOT ENOUGH SPACE AVAILABLE IN EXISTING CORE AREA");
  }
  std::int32_t address = dp(dskptr, dpword::kAddress);
  const std::span<std::int32_t> image = CORSTO.words(p + 1, total);
  FILEIO(1, image, total, total, address);
  checkHeaderAgrees(image, dskptr, "SBRDC");
  makeCurrent(image, p);
}

void SBRDA(std::int32_t len, std::span<std::int32_t> array, const DiskPointer& dskptr,
           std::int32_t& status) {
  CURRTN.sb.assign("SBRDA");
  SBCHKP(dskptr, status);
  if (status == kPointerChanged) return;
  const std::int32_t total = dp(dskptr, dpword::kTotalLength);
  const auto capacity = static_cast<std::int32_t>(
      std::min<std::size_t>(static_cast<std::size_t>(std::max(len, 0)), array.size()));
  if (capacity < total) {
    ERRITM("REQUIRE", total);
    ERRITM("AVAIL", capacity);
    ABTRPT("SB", "SBRDA", CURRTN.sb.view(), "NOT ENOUGH SPACE AVAILABLE IN USER ARRAY");
  }
  std::int32_t address = dp(dskptr, dpword::kAddress);
  const std::span<std::int32_t> image = array.first(static_cast<std::size_t>(total));
  FILEIO(1, image, total, total, address);
  checkHeaderAgrees(image, dskptr, "SBRDA");
  makeCurrent(image, 0);
}

void SBWRD(std::int32_t p, std::int32_t n, std::int32_t addr) {
  CURRTN.sb.assign("SBWRD");
  const std::span<std::int32_t> image = CORSTO.words(p + 1, n);
  FILEIO(1, image, n, n, addr);
  makeCurrent(image, p);
}

void SBURD(std::int32_t len, std::span<std::int32_t> array, std::int32_t n, std::int32_t addr) {
  CURRTN.sb.assign("SBURD");
  const auto capacity = std::min<std::size_t>(static_cast<std::size_t>(std::max(len, 0)),
                                              array.size());
  if (n < 1 || static_cast<std::size_t>(n) > capacity) {
    ERRITM("REQUIRE", n);
    ERRITM("AVAIL", static_cast<std::int32_t>(std::min<std::size_t>(capacity, INT32_MAX)));
    ABTRPT("SB", "SBURD", CURRTN.sb.view(), "NOT ENOUGH SPACE AVAILABLE IN USER ARRAY");
  }
  const std::span<std::int32_t> image = array.first(static_cast<std::size_t>(n));
  FILEIO(1, image, n, n, addr);
  makeCurrent(image, 0);
}

void SBWTC(std::int32_t /*len*/, std::int32_t p, DiskPointer& dskptr, std::int32_t& status) {
  CURRTN.sb.assign("SBWTC");
  writeImage(coreImage(p), dskptr, status);
}

DiskPointer unplacedPointer(std::int32_t p) {
  DiskPointer pointer = emptyDiskPointer();
  copyHeader(coreImage(p), pointer);
  return pointer;
}

void SBWTA(std::int32_t len, std::span<std::int32_t> array, DiskPointer& dskptr,
           std::int32_t& status) {
  CURRTN.sb.assign("SBWTA");
  const auto capacity = std::min<std::size_t>(static_cast<std::size_t>(std::max(len, 0)),
                                              array.size());
  writeImage(wholeImage(array.first(capacity), "SBWTA"), dskptr, status);
}

void SBWWRT(std::int32_t p, std::int32_t n, std::int32_t& addr) {
  CURRTN.sb.assign("SBWWRT");
  FILEIO(2, CORSTO.words(p + 1, n), n, n, addr);
}

void SBDLOC(std::int32_t tot, std::int32_t addr, std::int32_t kind, std::int32_t num,
            std::int32_t& status, std::int32_t& nwords, std::int32_t& offset) {
  CURRTN.sb.assign("SBDLOC");
  status = 0;
  if (tot < 1 || addr == NODISK) {
    status = 1;
    return;
  }
  if (kind < 1 || kind > kSectorKinds || tot < kFixedHeaderWords) {
    status = 2;
    return;
  }
  const auto invalid = [&](std::int32_t word, std::int32_t value) {
    ERRITM("WORD", word);
    ERRITM("VALUE", value);
    ABTRPT("SB", "SBDLOC", CURRTN.sb.view(), "SUB-BLOCK HEADER INVALID");
  };

  // 1. The fixed words of the header.
  std::array<std::int32_t, kLargestTable> buffer{};
  FILPRT(1, std::span(buffer).first(kFixedHeaderWords), kFixedHeaderWords, tot, addr, 1);
  const std::int32_t count = buffer[static_cast<std::size_t>(sbhead::kFirstCount + kind - 2)];
  const std::int32_t table = buffer[static_cast<std::size_t>(sbhead::kFirstTableOffset + kind - 2)];
  const std::int32_t sizingOffset = buffer[sbhead::kSizingOffset - 1];
  const std::int32_t nsiz = buffer[sbhead::kSizingCount - 1];
  if (count < 1 || num < 1 || num > count) {
    status = 2;
    return;
  }
  if (count > kMaxSectors) invalid(sbhead::kFirstCount + kind - 1, count);
  const std::int32_t width = kind <= 2 ? 3 : 2;
  if (table < kFixedHeaderWords || std::int64_t{table} + width * count > tot) {
    invalid(sbhead::kFirstTableOffset + kind - 1, table);
  }

  // 2. The sector table of the kind.
  FILPRT(1, std::span(buffer).first(static_cast<std::size_t>(width * count)), width * count, tot,
         addr, table + 1);
  std::int32_t length = buffer[static_cast<std::size_t>(num - 1)];
  offset = buffer[static_cast<std::size_t>(count + num - 1)];
  const std::int32_t perElement = kind <= 2 ? buffer[static_cast<std::size_t>(2 * count + num - 1)]
                                            : (kind >= 6 ? 2 : 1);
  if (perElement < 0) invalid(table + 2 * count + num, perElement);
  if (length < 0) {
    if (-std::int64_t{length} > nsiz || nsiz > kMaxSizingValues ||
        sizingOffset < kFixedHeaderWords || std::int64_t{sizingOffset} + nsiz > tot) {
      invalid(sbhead::kSizingOffset, sizingOffset);
    }
    FILPRT(1, std::span(buffer).first(static_cast<std::size_t>(nsiz)), nsiz, tot, addr,
           sizingOffset + 1);
    length = buffer[static_cast<std::size_t>(-length - 1)];
  }
  if (length == 0) {
    status = 2;
    return;
  }
  // 3. The sector lies within the block, and the block's file holds it: its last word is
  // read, so that a caller may size its work by NWORDS.
  const std::int64_t words = std::int64_t{perElement} * length;
  if (offset < 0 || offset > tot) invalid(table + count + num, offset);
  if (length < 0 || offset + words > tot) invalid(table + num, length);
  if (words > 0) {
    FILPRT(1, std::span(buffer).first(1), 1, tot, addr, static_cast<std::int32_t>(offset + words));
  }
  nwords = static_cast<std::int32_t>(words);
}

}  // namespace storage
