// Index blocks: paged, growable tables of named entries, each with data words and a disk
// pointer of its own.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "services/services.hpp"
#include "storage/block_pages.hpp"
#include "storage/blocks.hpp"
#include "storage/core_store.hpp"
#include "storage/current_routine.hpp"
#include "storage/text_words.hpp"

namespace storage {
namespace {

using pages::element;
using services::ABTRPT;
using services::ERRITM;
using services::NOCORE;
using services::NODISK;

constexpr std::int32_t kIndexType = static_cast<std::int32_t>(BlockType::Index);
// Names are compared as texts of up to this many characters.
constexpr std::size_t kLongestName = 100;

[[noreturn]] void fail(std::string_view routine, std::string_view message) {
  ABTRPT("FB", routine, CURRTN.fb.view(), message);
}

// The layout of the pages of the open index H.
pages::PageLayout layoutOf(std::int32_t h) {
  pages::PageLayout layout;
  const std::int32_t pagsiz = element(h, pagectl::kPageSize);
  const std::int32_t nw = element(h, pagectl::kNameWords);
  layout.pointerSectors = 2;
  layout.pointerLengths = {1, pagsiz};
  layout.pointerSizes = {9, element(h, pagectl::kPointerSize)};
  layout.integerSectors = 2;
  layout.integerLengths = {pagsiz * nw, pagsiz * element(h, pagectl::kEntrySize)};
  layout.blockType = BlockType::Index;
  layout.linkedPointers = true;
  layout.freeNames = true;
  layout.nameWords = nw;
  return layout;
}

// Where an entry lies: its page and slot (from 0).
struct Place {
  std::int32_t page = 0;
  std::int32_t slot = 0;
};

Place placeOf(std::int32_t h, std::int32_t entry) {
  const std::int32_t pagsiz = element(h, pagectl::kPageSize);
  return Place{(entry + pagsiz - 1) / pagsiz, (entry - 1) % pagsiz};
}

// Slots in use on PAGE: all on lower pages, up to the last entry on the highest.
std::int32_t usedSlots(std::int32_t h, std::int32_t page) {
  const std::int32_t pagsiz = element(h, pagectl::kPageSize);
  const std::int32_t nent = element(h, pagectl::kEntries);
  if (page < element(h, pagectl::kPages)) return pagsiz;
  return nent == 0 ? 0 : (nent - 1) % pagsiz + 1;
}

// Whether all four bytes of a name word lie in 32 to 127: no byte has its top bit set, and,
// all being below 128, none is below 32 (a byte below 32 is the only one that borrows from
// its top bit when 32 is taken from each).
constexpr bool isText(std::uint32_t bytes) {
  constexpr std::uint32_t kTopBits = 0x80808080u;
  constexpr std::uint32_t kBlanks = 0x20202020u;
  return (bytes & kTopBits) == 0 && ((bytes - kBlanks) & ~bytes & kTopBits) == 0;
}
static_assert(isText(0x20202020u) && isText(0x7F7F7F7Fu) && isText(0x41204243u));
static_assert(!isText(0x2020201Fu) && !isText(0x1F202020u) && !isText(0x80202020u) &&
              !isText(0x20FF2020u) && !isText(0x20200020u));

// The name and data words of the slots of the current page that a scan looks at, each
// sector checked once against the core store: the slots are then read through the views.
class PageSlots {
 public:
  PageSlots(std::int32_t h, std::int32_t page, std::int32_t slots)
      : page_(page),
        nw_(element(h, pagectl::kNameWords)),
        datsiz_(element(h, pagectl::kEntrySize)),
        names_(CORSTO.words(element(h, pagectl::kPageNames) + 1, std::max(slots, 0) * nw_)),
        data_(CORSTO.words(element(h, pagectl::kPageData) + 1,
                           std::max(slots, 0) * std::max(datsiz_, 0))) {}

  std::int32_t nameWords() const { return nw_; }
  // Name word k (from 1) of SLOT (from 0).
  std::int32_t nameWord(std::int32_t slot, std::int32_t k) const {
    return names_[static_cast<std::size_t>(slot * nw_ + k - 1)];
  }
  // Data word i (from 1) of SLOT.
  std::int32_t dataWord(std::int32_t slot, std::int32_t i) const {
    return data_[static_cast<std::size_t>(slot * datsiz_ + i - 1)];
  }

  // Whether the slot is free (first name word negative). A name is stored as raw text, whose
  // bytes are all blanks or printable characters (32 to 127), and a free slot holds nothing:
  // a delete and a new page leave its first name word -1 and its other name words and data
  // words 0. A slot that is neither is a page overwritten by other data, whose entries would
  // silently drop out of every look-up and count or come back under names of other data's
  // bytes: the "FB" abort "INDEX PAGE IS DAMAGED".
  bool isFree(std::int32_t slot) const {
    if (nameWord(slot, 1) >= 0) {
      for (std::int32_t k = 1; k <= nw_; ++k) {
        if (!isText(std::bit_cast<std::uint32_t>(nameWord(slot, k)))) damaged(slot);
      }
      return false;
    }
    bool empty = nameWord(slot, 1) == -1;
    for (std::int32_t k = 2; empty && k <= nw_; ++k) empty = nameWord(slot, k) == 0;
    for (std::int32_t i = 1; empty && i <= datsiz_; ++i) empty = dataWord(slot, i) == 0;
    if (!empty) damaged(slot);
    return true;
  }

  // Character i (from 0) of the name of a slot in use. Its bytes were checked by isFree to be
  // blanks or printable, so the raw byte is the character the name holds.
  char nameChar(std::int32_t slot, std::size_t i) const {
    const auto bytes =
        std::bit_cast<std::uint32_t>(nameWord(slot, static_cast<std::int32_t>(i / 4) + 1));
    return static_cast<char>((bytes >> (8 * (i % 4))) & 0xFFu);
  }

 private:
  [[noreturn]] void damaged(std::int32_t slot) const {
    ERRITM("PAGE", page_);
    ERRITM("SLOT", slot + 1);
    ERRITM("NAME", nameWord(slot, 1));
    fail(CURRTN.fb.view(), "INDEX PAGE IS DAMAGED");
  }

  std::int32_t page_;
  std::int32_t nw_;
  std::int32_t datsiz_;
  std::span<const std::int32_t> names_;
  std::span<const std::int32_t> data_;
};

// A name to look for, in the raw words that a stored name of the index would hold when it
// read the same, blank-padded; only the first kLongestName characters of a stored name are
// compared.
class WantedName {
 public:
  WantedName(std::string_view name, std::int32_t nw)
      : words_(std::min<std::int32_t>(nw, kLongestWords)),
        comparable_(name.size() <= kLongestName) {
    for (std::int32_t k = 0; k < words_; ++k) {
      std::array<char, kCharsPerWord> chars{' ', ' ', ' ', ' '};
      for (std::size_t i = 0; i < kCharsPerWord; ++i) {
        const std::size_t at = static_cast<std::size_t>(k) * kCharsPerWord + i;
        if (at < name.size()) chars[i] = name[at];
      }
      raw_[static_cast<std::size_t>(k)] = packWord(chars);
    }
  }

  // Whether the name of the slot in use reads as this one.
  bool isIn(const PageSlots& slots, std::int32_t slot) const {
    if (!comparable_) return false;
    for (std::int32_t k = 0; k < words_; ++k) {
      if (slots.nameWord(slot, k + 1) != raw_[static_cast<std::size_t>(k)]) return false;
    }
    return true;
  }

 private:
  static constexpr std::int32_t kLongestWords =
      static_cast<std::int32_t>(kLongestName / kCharsPerWord);
  std::int32_t words_;
  bool comparable_;
  std::array<std::int32_t, kLongestWords> raw_{};
};

void storeName(std::int32_t h, std::int32_t slot, std::string_view name) {
  const std::int32_t nw = element(h, pagectl::kNameWords);
  std::int32_t ierr = 0;
  TXTOIW(name, CORSTO.words(element(h, pagectl::kPageNames) + slot * nw + 1, nw), nw, ierr);
}

void checkOption(std::string_view routine, std::int32_t opt) {
  if (opt != 1 && opt != 2 && opt != 4) {
    ERRITM("OPTION", opt);
    fail(routine, "INVALID INDEX OPTION");
  }
}

// Steps 6 to 9 of an entry operation on the current page.
void operate(std::int32_t h, std::int32_t opt, std::int32_t slot, DiskPointer& dskptr,
             std::span<std::int32_t> data) {
  const std::int32_t pageLength = element(h, pagectl::kPageLength);
  const std::int32_t page = element(h, pagectl::kPageCore);
  const std::int32_t datsiz = element(h, pagectl::kEntrySize);
  const std::int32_t dataStart = element(h, pagectl::kPageData) + slot * datsiz;
  const auto words = static_cast<std::size_t>(std::max(datsiz, 0));
  if (opt == static_cast<std::int32_t>(EntryOption::Get)) {
    SBGETC(pageLength, page, 1, 1, slot + 1, dskptr);
    for (std::size_t i = 0; i < std::min(words, data.size()); ++i) {
      data[i] = CORSTO[dataStart + static_cast<std::int32_t>(i) + 1];
    }
    return;
  }
  element(h, pagectl::kChanged) = 1;
  if (opt == static_cast<std::int32_t>(EntryOption::Put)) {
    SBPUTC(pageLength, page, 1, 1, slot + 1, dskptr);
    for (std::size_t i = 0; i < std::min(words, data.size()); ++i) {
      CORSTO[dataStart + static_cast<std::int32_t>(i) + 1] = data[i];
    }
    return;
  }
  // Delete: release the entry's tree, empty its pointer, data and name.
  DiskPointer stored{};
  SBGETC(pageLength, page, 1, 1, slot + 1, stored);
  // The release reads blocks through the current sub-block; the page stays in its area.
  if (dp(stored, dpword::kAddress) != NODISK) FBITRF(stored);
  SBPUTC(pageLength, page, 1, 1, slot + 1, emptyDiskPointer());
  for (std::int32_t i = 1; i <= datsiz; ++i) CORSTO[dataStart + i] = 0;
  const std::int32_t nw = element(h, pagectl::kNameWords);
  const std::int32_t names = element(h, pagectl::kPageNames) + slot * nw;
  CORSTO[names + 1] = -1;
  for (std::int32_t k = 2; k <= nw; ++k) CORSTO[names + k] = 0;
}

}  // namespace

void FBICHK(std::int32_t h) {
  if (h == NOCORE) fail("FBICHK", "INDEX CONTROL AREA DOES NOT EXIST");
  if (element(h, pagectl::kType) != kIndexType) {
    ERRITM("PAG TYP", element(h, pagectl::kType));
    fail("FBICHK", "BLOCK IS NOT AN INDEX BLOCK");
  }
}

void FBIBEG(std::int32_t ptrsiz, std::int32_t namsiz, std::int32_t datsiz, std::int32_t pagsiz,
            std::int32_t mp, std::int32_t& h, const DiskPointer& dskptr, std::int32_t& status) {
  CURRTN.fb.assign("FBIBEG");
  if (h != NOCORE) fail("FBIBEG", "INDEX CONTROL AREA ALREADY EXISTS");

  std::int32_t top = NOCORE;
  std::int32_t topLength = 0;
  pages::StoredHeader header{};
  if (dp(dskptr, dpword::kAddress) == NODISK) {
    status = kOpenedNew;
    if (ptrsiz != 3 && ptrsiz != 6) {
      ERRITM("SIZ", ptrsiz);
      fail("FBIBEG", "SIZE IS NOT VALID");
    }
    if (namsiz < 1 || datsiz < 0 || pagsiz < 1 || mp < 1) {
      ERRITM("NAM SIZ", namsiz);
      ERRITM("DAT SIZ", datsiz);
      ERRITM("PAG SIZ", pagsiz);
      ERRITM("PAGES", mp);
      fail("FBIBEG", "SIZE IS NOT VALID");
    }
    pages::buildTop(BlockType::Index, mp, topLength, top);
    header = {kIndexType, ptrsiz, 0, 0, namsiz, datsiz, pagsiz, mp, (namsiz + 3) / 4};
  } else {
    status = kOpenedExisting;
    if (dp(dskptr, dpword::kBlockType) != kIndexType) {
      ERRITM("BLK TYP", dp(dskptr, dpword::kBlockType));
      fail("FBIBEG", "BLOCK IS NOT AN INDEX BLOCK");
    }
    std::int32_t readStatus = 0;
    SBRDC(topLength, top, dskptr, readStatus);
    // The block read must have the sectors of a top sub-block before its header is read.
    const auto notTop = [&] {
      ERRITM("POINTER", dp(dskptr, dpword::kAddress));
      CMFREI(top);
      fail("FBIBEG", "INDEX HEADER IS NOT VALID");
    };
    if (!pages::isTop(0)) notTop();
    const std::int32_t stored = SBCUR.pointer(SectorKind::Integer, 1);
    for (std::size_t k = 0; k < header.size(); ++k) {
      header[k] = CORSTO[stored + static_cast<std::int32_t>(k) + 1];
    }
    const auto mismatch = [&](std::int32_t word, std::int32_t given, std::string_view message) {
      if (header[static_cast<std::size_t>(word - 1)] == given) return;
      ERRITM("FIL SIZ", header[static_cast<std::size_t>(word - 1)]);
      ERRITM("USR SIZ", given);
      CMFREI(top);
      fail("FBIBEG", message);
    };
    if (header[0] != kIndexType) {
      ERRITM("BLK TYP", header[0]);
      CMFREI(top);
      fail("FBIBEG", "BLOCK IS NOT AN INDEX BLOCK");
    }
    if (header[1] != ptrsiz) {
      ERRITM("PTR SIZ", header[1]);
      CMFREI(top);
      fail("FBIBEG", "POINTER LENGTHS DO NOT MATCH");
    }
    mismatch(pagectl::kNameSize, namsiz, "NAME LENGTHS DO NOT MATCH");
    mismatch(pagectl::kEntrySize, datsiz, "DATA LENGTHS DO NOT MATCH");
    mismatch(pagectl::kPageSize, pagsiz, "PAGE LENGTHS DO NOT MATCH");
    const std::int32_t nw = (namsiz + 3) / 4;
    if (!pages::countsAgree(header, nw)) {
      ERRITM("ENTRIES", header[pagectl::kEntries - 1]);
      ERRITM("PAGES", header[pagectl::kPages - 1]);
      ERRITM("CAPACITY", header[pagectl::kCapacity - 1]);
      CMFREI(top);
      fail("FBIBEG", "INDEX HEADER IS NOT VALID");
    }
    // The page pointers for every page the header counts on.
    if (!pages::isTop(header[pagectl::kCapacity - 1])) notTop();
  }

  pages::openControl(h, header, topLength, top, status == kOpenedNew, dskptr, layoutOf);
}

void FBINAM(std::int32_t opt, std::int32_t h, std::string_view name, std::int32_t mode,
            std::int32_t& entry, DiskPointer& dskptr, std::span<std::int32_t> data,
            std::int32_t& status) {
  CURRTN.fb.assign("FBINAM");
  checkOption("FBINAM", opt);
  FBICHK(h);
  // A name longer than the index holds would be cut and could meet another entry's name.
  const std::int32_t namsiz = element(h, pagectl::kNameSize);
  const std::string_view wanted = services::trimRight(name);
  if (static_cast<std::int64_t>(wanted.size()) > namsiz) {
    ERRITM("NAM SIZ", namsiz);
    ERRITM("LENGTH", static_cast<std::int32_t>(std::min<std::size_t>(wanted.size(), 1000000)));
    fail("FBINAM", "NAME LONGER THAN THE INDEX NAMES");
  }
  const pages::PageLayout layout = layoutOf(h);

  // Search: the current page first, then the pages from the highest down.
  Place found;
  Place freeSlot;
  const std::int32_t current = element(h, pagectl::kCurrentPage);
  const WantedName wantedName(wanted, element(h, pagectl::kNameWords));
  const auto searchPage = [&](std::int32_t page) {
    pages::makeCurrent(h, page, layout);
    const PageSlots slots(h, page, usedSlots(h, page));
    for (std::int32_t slot = usedSlots(h, page) - 1; slot >= 0; --slot) {
      if (slots.isFree(slot)) {
        if (freeSlot.page == 0 || page < freeSlot.page ||
            (page == freeSlot.page && slot < freeSlot.slot)) {
          freeSlot = Place{page, slot};
        }
        continue;
      }
      if (wantedName.isIn(slots, slot)) {
        found = Place{page, slot};
        return true;
      }
    }
    return false;
  };
  bool hit = current > 0 && searchPage(current);
  for (std::int32_t page = element(h, pagectl::kPages); !hit && page >= 1; --page) {
    if (page != current) hit = searchPage(page);
  }

  if ((hit && mode == 2) || (!hit && mode == 1)) {
    status = 1;
    return;
  }
  if (!hit) {
    found = freeSlot.page != 0 ? freeSlot : placeOf(h, element(h, pagectl::kEntries) + 1);
    pages::makeCurrent(h, found.page, layout);
    storeName(h, found.slot, wanted);
    const std::int32_t number = element(h, pagectl::kPageSize) * (found.page - 1) + found.slot + 1;
    element(h, pagectl::kEntries) = std::max(element(h, pagectl::kEntries), number);
    element(h, pagectl::kChanged) = 1;
  }
  entry = element(h, pagectl::kPageSize) * (found.page - 1) + found.slot + 1;
  pages::makeCurrent(h, found.page, layout);
  operate(h, opt, found.slot, dskptr, data);
  status = 0;
}

void FBINUM(std::int32_t opt, std::int32_t h, std::int32_t entry, std::span<char> name,
            DiskPointer& dskptr, std::span<std::int32_t> data, std::int32_t& status) {
  CURRTN.fb.assign("FBINUM");
  checkOption("FBINUM", opt);
  FBICHK(h);
  if (entry < 1) {
    ERRITM("ENTRY", entry);
    fail("FBINUM", "ENTRY NUMBER NEGATIVE OR ZERO");
  }
  if (entry > element(h, pagectl::kEntries)) {
    status = 1;
    return;
  }
  const Place place = placeOf(h, entry);
  pages::makeCurrent(h, place.page, layoutOf(h));
  const PageSlots slots(h, place.page, place.slot + 1);
  if (slots.isFree(place.slot)) {
    status = 1;
    return;
  }
  // The stored name, cut or blank-padded to the caller's length.
  const std::size_t stored = std::min(
      kCharsPerWord * static_cast<std::size_t>(std::max(slots.nameWords(), 0)), kLongestName);
  for (std::size_t i = 0; i < name.size(); ++i) {
    name[i] = i < stored ? slots.nameChar(place.slot, i) : ' ';
  }
  operate(h, opt, place.slot, dskptr, data);
  status = 0;
}

void FBICNT(std::int32_t h, std::int32_t& ntot, std::int32_t& nlive) {
  CURRTN.fb.assign("FBICNT");
  FBICHK(h);
  const pages::PageLayout layout = layoutOf(h);
  ntot = element(h, pagectl::kEntries);
  nlive = ntot;
  const std::int32_t current = element(h, pagectl::kCurrentPage);
  const auto countFree = [&](std::int32_t page) {
    pages::makeCurrent(h, page, layout);
    const std::int32_t used = usedSlots(h, page);
    const PageSlots slots(h, page, used);
    for (std::int32_t slot = 0; slot < used; ++slot) {
      if (slots.isFree(slot)) --nlive;
    }
  };
  if (current > 0) countFree(current);
  for (std::int32_t page = element(h, pagectl::kPages); page >= 1; --page) {
    if (page != current) countFree(page);
  }
}

void FBIEND(std::int32_t& h, DiskPointer& dskptr) {
  CURRTN.fb.assign("FBIEND");
  FBICHK(h);
  pages::closeWriting(h, dskptr);
}

void FBICLR(std::int32_t& h) {
  CURRTN.fb.assign("FBICLR");
  FBICHK(h);
  pages::closeDropping(h);
}

}  // namespace storage
