// The core store: words and views, areas, and the raw get and free.
#include "storage/core_store.hpp"
#include "storage/free_tree.hpp"
#include "storage/small_blocks.hpp"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <span>

#include "platform/core_memory.hpp"
#include "services/services.hpp"
#include "storage/current_routine.hpp"

namespace storage {

CoreStore CORSTO;
CoreControl CMCTL;

namespace {

using services::ABTRPT;
using services::ERRITM;

// Words the static area occupies in the reservation: the 250,000 words and the seven of the
// tree head, rounded to even so that further areas start on an 8-byte boundary.
constexpr std::size_t kStaticReservation = kStaticWords + 8;

// First word index not yet given to an area of this run; always odd, so that the base
// index of an area (one below its first word) is even.
std::int64_t gNextAreaWord = kStaticReservation + 1;

std::int32_t* wordAddress(std::int32_t k) { return platform::coreWords() + (k - 1); }

bool inRange(std::int64_t first, std::int64_t count) {
  return count >= 0 && first >= 1 &&
         first + count - 1 <= static_cast<std::int64_t>(platform::coreCommitted());
}

void checkRange(std::int64_t first, std::int64_t count) {
  if (!inRange(first, count)) CoreStore::outOfRange(first, count);
}

// Writes the tags of a free block of base b and length len.
void freeTags(std::int32_t b, std::int32_t len) {
  CORSTO[b + block::kH1] = b;
  CORSTO[b + block::kH2] = len;
  CORSTO[b + len - 1] = len;
  CORSTO[b + len] = b;
}

// Lays out a free block and puts it into the tree.
void addFreeBlock(std::int32_t b, std::int32_t len) {
  freeTags(b, len);
  CMTINS(b);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Views
// ---------------------------------------------------------------------------------------

bool CoreStore::holds(std::int32_t first, std::int32_t count) const {
  return inRange(first, count);
}

void CoreStore::outOfRange(std::int64_t first, std::int64_t count) {
  const auto clamp = [](std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
  };
  ERRITM("INDEX", clamp(first));
  ERRITM("COUNT", clamp(count));
  ABTRPT("CM", "CORSTO", CURRTN.cm.view(), "CORE INDEX OUT OF RANGE");
}

float CoreStore::single(std::int32_t k) { return std::bit_cast<float>((*this)[k]); }

void CoreStore::setSingle(std::int32_t k, float value) {
  (*this)[k] = std::bit_cast<std::int32_t>(value);
}

RealView CoreStore::reals(std::int32_t first, std::int32_t count) {
  const std::int64_t word = 2 * std::int64_t{first} - 1;
  checkRange(word, 2 * std::int64_t{count});
  if (count == 0) return {};
  return RealView(wordAddress(static_cast<std::int32_t>(word)), static_cast<std::size_t>(count),
                  first);
}

void RealView::outside(std::size_t k) const {
  CoreStore::outOfRange(2 * (std::int64_t{first_} + static_cast<std::int64_t>(k)) - 1, 2);
}

std::span<std::int32_t> CoreStore::words(std::int32_t first, std::int32_t count) {
  checkRange(first, count);
  if (count == 0) return {};
  return std::span<std::int32_t>(wordAddress(first), static_cast<std::size_t>(count));
}

// ---------------------------------------------------------------------------------------
// Areas
// ---------------------------------------------------------------------------------------

void CMALOC(std::int32_t words, std::int32_t& address) {
  address = 0;
  const std::int64_t last = gNextAreaWord + words - 1;
  if (words < 1 || last > static_cast<std::int64_t>(platform::kCoreReservedWords) ||
      !platform::coreCommit(static_cast<std::size_t>(last))) {
    return;
  }
  address = static_cast<std::int32_t>(gNextAreaWord);
  gNextAreaWord = last + 1;
  if (gNextAreaWord % 2 == 0) ++gNextAreaWord;
}

void CMNEWA(std::int32_t s, std::int32_t& address, std::int32_t& b) {
  CMALOC(s + 1, address);
  b = address == 0 ? 0 : (address / 2) * 2;
}

void CMINIT(std::int32_t nsize, std::int32_t newsiz, std::int32_t extra) {
  CURRTN.cm.assign("CMINIT");
  const std::int64_t wanted = nsize > 0 ? (std::int64_t{nsize} + 1) / 2 * 2 : kStaticWords;
  if (wanted > kStaticWords) {
    ERRITM("REQUEST", static_cast<std::int32_t>(std::min<std::int64_t>(wanted, INT32_MAX)));
    ERRITM("AVAIL", kStaticWords);
    ABTRPT("CM", "CMINIT", CURRTN.cm.view(), "INSUFFICIENT STORAGE AVAILABLE FOR INITIALIZATION");
  }
  const auto size = static_cast<std::int32_t>(wanted);

  // The further areas of an earlier run go back to the platform; the blocks listed beside
  // the store are gone with them.
  small_blocks::forget();
  platform::coreRelease(kStaticReservation);
  gNextAreaWord = kStaticReservation + 1;
  if (!platform::coreCommit(kStaticReservation)) {
    ERRITM("REQUEST", size);
    ERRITM("AVAIL", 0);
    ABTRPT("CM", "CMINIT", CURRTN.cm.view(), "INSUFFICIENT STORAGE AVAILABLE FOR INITIALIZATION");
  }

  CORSTO.size = size;
  CORSTO[1] = 0;
  CORSTO[2] = 0;
  CORSTO[size - 1] = 0;
  CORSTO[size] = 0;
  for (std::int32_t k = 1; k <= 7; ++k) CORSTO[kTreeHead + k] = 0;
  // The static area is one free block of base 2: the root of the tree.
  constexpr std::int32_t b = 2;
  freeTags(b, size - 4);
  CORSTO[b + block::kBalance] = 0;
  CORSTO[b + block::kParent] = kTreeHead;
  CORSTO[b + block::kSmaller] = 0;
  CORSTO[b + block::kLarger] = 0;
  CORSTO[b + block::kLink] = block::kLarger;
  CORSTO[kTreeHead + block::kLarger] = b;

  CMCTL.newAreaWords = newsiz > 0 ? newsiz : kDefaultNewAreaWords;
  CMCTL.extraWords = extra > 0 ? extra : kDefaultExtraWords;
  CMCTL.areaCount = 1;
  CMCTL.areaSize(1) = 0;
  CMCTL.areaAddress(1) = 0;
  CMCTL.areaFirstBase(1) = 2;
  CMCTL.areaLastUsable(1) = size - 2;
}

// ---------------------------------------------------------------------------------------
// Get and free
// ---------------------------------------------------------------------------------------

void CMGET(std::int32_t n, std::int32_t soft, std::int32_t& p) {
  std::int64_t wanted = std::max<std::int64_t>((std::int64_t{n} + 1) / 2 * 2, kMinBlockWords);
  // No area can hold more than the reservation; such a request simply cannot be had.
  const bool possible = wanted <= static_cast<std::int64_t>(platform::kCoreReservedWords);
  const auto l = static_cast<std::int32_t>(std::min<std::int64_t>(wanted, INT32_MAX - 1));
  std::int32_t avail = 0;
  p = 0;
  if (possible) CMFIND(l, p, avail);
  // Small blocks kept freed beside the tree go back to it before the store grows.
  if (p == 0 && possible && small_blocks::releaseAll()) CMFIND(l, p, avail);
  if (p == 0 && possible && CMCTL.areaCount < kMaxAreas) {
    // A further area: the larger of the new-area size and the request with its extra.
    const std::int64_t s64 =
        std::max<std::int64_t>(CMCTL.newAreaWords, std::int64_t{CMCTL.extraWords} + l);
    if (s64 < static_cast<std::int64_t>(platform::kCoreReservedWords)) {
      const auto s = static_cast<std::int32_t>(s64);
      std::int32_t address = 0;
      std::int32_t base = 0;
      CMNEWA(s, address, base);
      if (address != 0) {
        CMCTL.areaCount += 1;
        const auto area = static_cast<std::size_t>(CMCTL.areaCount);
        CMCTL.areaSize(area) = s;
        CMCTL.areaAddress(area) = address;
        CMCTL.areaFirstBase(area) = base + 2;
        CMCTL.areaLastUsable(area) = base + s - 2;
        CORSTO[base + 1] = 0;
        CORSTO[base + 2] = 0;
        CORSTO[base + s - 1] = 0;
        CORSTO[base + s] = 0;
        addFreeBlock(base + 2, s - 4);
        CMFIND(l, p, avail);
      }
    }
  }
  if (p == 0 && soft == 0) {
    ERRITM("REQUEST", l);
    ERRITM("AVAIL", 0);
    ABTRPT("CM", "CMGET", CURRTN.cm.view(), "INSUFFICIENT STORAGE AVAILABLE FOR GET");
  }
}

void CMCHEK(std::int32_t p, std::int32_t& len) {
  std::int32_t h1 = services::IMISS;
  std::int32_t h2 = services::IMISS;
  std::int32_t t1 = services::IMISS;
  std::int32_t t2 = services::IMISS;
  bool valid = false;
  for (std::int32_t a = 1; a <= CMCTL.areaCount; ++a) {
    const auto area = static_cast<std::size_t>(a);
    if (CMCTL.areaFirstBase(area) > p ||
        std::int64_t{CMCTL.areaLastUsable(area)} < std::int64_t{p} + 2) {
      continue;
    }
    const std::int32_t last = CMCTL.areaLastUsable(area);
    h1 = CORSTO[p + 1];
    h2 = CORSTO[p + 2];
    if (h2 > 4 && std::int64_t{p} + h2 <= last) {
      t1 = CORSTO[p + h2 - 1];
      t2 = CORSTO[p + h2];
      valid = h1 == 0 && t2 == 0 && t1 == h2;
    }
    break;
  }
  if (!valid) {
    ERRITM("POINTER", p);
    ERRITM("H1 (0)", h1);
    ERRITM("H2 (LEN)", h2);
    ERRITM("T1 (LEN)", t1);
    ERRITM("T2 (0)", t2);
    ABTRPT("CM", "CMCHEK", CURRTN.cm.view(), "BAD STARTING ADDRESS POINTER");
  }
  len = h2;
}

void CMFREE(std::int32_t p) {
  std::int32_t len = 0;
  CMCHEK(p, len);
  freeChecked(p, len);
}

void freeChecked(std::int32_t p, std::int32_t len) {
  std::int32_t base = p;

  // The lower neighbour's last word is word p: its base when it is free.
  std::int32_t kept = 0;  // a free neighbour whose tree place the merged block may take
  const std::int32_t below = CORSTO[p];
  if (below != 0) {
    const std::int32_t belowLength = CORSTO[below + block::kH2];
    if (CORSTO[below + block::kH1] != below || below + belowLength != p) {
      ERRITM("POINTER", p);
      ERRITM("BELOW", below);
      ABTRPT("CM", "CMFREE", CURRTN.cm.view(), "CORE STORE TAGS CORRUPTED");
    }
    kept = below;
    base = below;
    len += belowLength;
  }

  // The upper neighbour's first word follows the merged block: its base when it is free.
  const std::int32_t above = CORSTO[base + len + 1];
  if (above != 0) {
    if (above != base + len) {
      ERRITM("POINTER", p);
      ERRITM("ABOVE", above);
      ABTRPT("CM", "CMFREE", CURRTN.cm.view(), "CORE STORE TAGS CORRUPTED");
    }
    const std::int32_t aboveLength = CORSTO[above + block::kH2];
    // Of two free neighbours the longer one keeps its place, the other leaves the tree.
    len += aboveLength;
    if (kept != 0 && aboveLength > CORSTO[kept + block::kH2]) {
      CMTDEL(kept);
      kept = above;
    } else if (kept != 0) {
      CMTDEL(above);
    } else {
      kept = above;
    }
  }

  // The merged block takes the place of a neighbour's node where the tree's order allows;
  // otherwise the neighbour leaves the tree and the merged block enters it.
  if (kept != 0 && fitsInPlace(kept, len)) {
    freeTags(base, len);
    replaceNode(kept, base);
    return;
  }
  if (kept != 0) CMTDEL(kept);
  addFreeBlock(base, len);
}

}  // namespace storage
