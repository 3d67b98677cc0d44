// Paged blocks: growable arrays on disk of numbered entries of one element type, kept in
// pages of a fixed number of entries.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
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

constexpr std::int32_t kPagedBlockType = static_cast<std::int32_t>(BlockType::Paged);
constexpr std::int32_t kFirstType = static_cast<std::int32_t>(PagedType::Integer);
constexpr std::int32_t kLastType = static_cast<std::int32_t>(PagedType::Pointer);

constexpr std::array<std::string_view, 6> kWrongType = {
    "BLOCK IS NOT A PAGED INTEGER BLOCK",   "BLOCK IS NOT A PAGED REAL BLOCK",
    "BLOCK IS NOT A PAGED SINGLE BLOCK",    "BLOCK IS NOT A PAGED DOUBLE BLOCK",
    "BLOCK IS NOT A PAGED CHARACTER BLOCK", "BLOCK IS NOT A PAGED POINTER BLOCK"};

[[noreturn]] void fail(std::string_view routine, std::string_view message) {
  ABTRPT("FB", routine, CURRTN.fb.view(), message);
}

std::string_view wrongType(std::int32_t type) {
  return kWrongType[static_cast<std::size_t>(type - kFirstType)];
}

// The one sector of a page of the open block H.
pages::PageLayout layoutOf(std::int32_t h) {
  pages::PageLayout layout;
  const std::int32_t pagsiz = element(h, pagectl::kPageSize);
  const std::int32_t entsiz = element(h, pagectl::kEntrySize);
  layout.blockType = BlockType::Plain;
  switch (static_cast<PagedType>(element(h, pagectl::kType))) {
    case PagedType::Integer:
      layout.integerSectors = 1;
      layout.integerLengths = {pagsiz * entsiz, 0};
      break;
    case PagedType::Real:
      layout.realLength = {pagsiz * entsiz};
      break;
    case PagedType::Single:
      layout.singleLength = {pagsiz * entsiz};
      break;
    case PagedType::Double:
      layout.doubleLength = {pagsiz * entsiz};
      break;
    case PagedType::Text:
      layout.integerSectors = 1;
      layout.integerLengths = {pagsiz * element(h, pagectl::kNameWords), 0};
      break;
    case PagedType::Pointer:
      layout.pointerSectors = 1;
      layout.pointerLengths = {pagsiz, 0};
      layout.pointerSizes = {9, 0};
      break;
  }
  return layout;
}

// The common checks of the entry operations.
void checkEntry(std::string_view routine, std::int32_t opt, std::int32_t h, PagedType type) {
  if (opt != 1 && opt != 2) {
    ERRITM("OPTION", opt);
    fail(routine, "INVALID PAGE OPTION");
  }
  if (h == NOCORE) fail(routine, "PAGE CONTROL AREA DOES NOT EXIST");
  if (element(h, pagectl::kType) != static_cast<std::int32_t>(type)) {
    ERRITM("PAG TYP", element(h, pagectl::kType));
    fail(routine, wrongType(static_cast<std::int32_t>(type)));
  }
}

void checkEntryNumber(std::string_view routine, std::int32_t entry) {
  if (entry < 1) {
    ERRITM("ENTRY", entry);
    fail(routine, "ENTRY NUMBER NEGATIVE OR ZERO");
  }
}

// Makes the page of ENTRY current and returns the entry's slot (from 0).
std::int32_t pageOf(std::int32_t h, std::int32_t entry) {
  const std::int32_t pagsiz = element(h, pagectl::kPageSize);
  pages::makeCurrent(h, (entry + pagsiz - 1) / pagsiz, layoutOf(h));
  return (entry - 1) % pagsiz;
}

void noteStored(std::int32_t h, std::int32_t entry) {
  element(h, pagectl::kEntries) = std::max(element(h, pagectl::kEntries), entry);
  element(h, pagectl::kChanged) = 1;
}

}  // namespace

void FBPCHK(std::int32_t h) {
  if (h == NOCORE) fail("FBPCHK", "PAGE CONTROL AREA DOES NOT EXIST");
  const std::int32_t type = element(h, pagectl::kType);
  if (type < kFirstType || type > kLastType) {
    ERRITM("PAG TYP", type);
    fail("FBPCHK", "BLOCK IS NOT A PAGED BLOCK");
  }
}

void FBPBEG(std::int32_t type, std::int32_t entsiz, std::int32_t pagsiz, std::int32_t mp,
            std::int32_t& h, const DiskPointer& dskptr, std::int32_t& status) {
  CURRTN.fb.assign("FBPBEG");
  if (h != NOCORE) fail("FBPBEG", "PAGE CONTROL AREA ALREADY EXISTS");
  // A type outside 4-9 is refused for an existing block as for a new one.
  if (type < kFirstType || type > kLastType) {
    ERRITM("TYP", type);
    fail("FBPBEG", "TYPE IS NOT VALID");
  }
  const std::int32_t nw = type == static_cast<std::int32_t>(PagedType::Text) ? (entsiz + 3) / 4 : 0;

  std::int32_t top = NOCORE;
  std::int32_t topLength = 0;
  pages::StoredHeader header{};
  if (dp(dskptr, dpword::kAddress) == NODISK) {
    status = kOpenedNew;
    // A pointer block's entries are disk pointers whatever its entry size says.
    const bool sized = type != static_cast<std::int32_t>(PagedType::Pointer);
    if ((sized && entsiz < 1) || pagsiz < 1 || mp < 1) {
      ERRITM("ENT SIZ", entsiz);
      ERRITM("PAG SIZ", pagsiz);
      ERRITM("PAGES", mp);
      fail("FBPBEG", "SIZE IS NOT VALID");
    }
    pages::buildTop(BlockType::Paged, mp, topLength, top);
    header = {type, 0, 0, 0, 0, entsiz, pagsiz, mp, nw};
  } else {
    status = kOpenedExisting;
    if (dp(dskptr, dpword::kBlockType) != kPagedBlockType) {
      ERRITM("BLK TYP", dp(dskptr, dpword::kBlockType));
      fail("FBPBEG", "BLOCK IS NOT A PAGED BLOCK");
    }
    std::int32_t readStatus = 0;
    SBRDC(topLength, top, dskptr, readStatus);
    // The block read must have the sectors of a top sub-block before its header is read.
    const auto notTop = [&] {
      ERRITM("POINTER", dp(dskptr, dpword::kAddress));
      fail("FBPBEG", "PAGED BLOCK HEADER IS NOT VALID");
    };
    if (!pages::isTop(0)) notTop();
    const std::int32_t stored = SBCUR.pointer(SectorKind::Integer, 1);
    for (std::size_t k = 0; k < header.size(); ++k) {
      header[k] = CORSTO[stored + static_cast<std::int32_t>(k) + 1];
    }
    if (header[0] != type) {
      ERRITM("BLK TYP", header[0]);
      fail("FBPBEG", wrongType(type));
    }
    const auto mismatch = [&](std::int32_t word, std::int32_t given, std::string_view message) {
      if (header[static_cast<std::size_t>(word - 1)] == given) return;
      ERRITM("FIL SIZ", header[static_cast<std::size_t>(word - 1)]);
      ERRITM("USR SIZ", given);
      fail("FBPBEG", message);
    };
    mismatch(pagectl::kEntrySize, entsiz, "ENTRY LENGTHS DO NOT MATCH");
    mismatch(pagectl::kPageSize, pagsiz, "PAGE LENGTHS DO NOT MATCH");
    if (!pages::countsAgree(header, nw)) {
      ERRITM("ENTRIES", header[pagectl::kEntries - 1]);
      ERRITM("PAGES", header[pagectl::kPages - 1]);
      ERRITM("CAPACITY", header[pagectl::kCapacity - 1]);
      fail("FBPBEG", "PAGED BLOCK HEADER IS NOT VALID");
    }
    // The page pointers for every page the header counts on.
    if (!pages::isTop(header[pagectl::kCapacity - 1])) notTop();
  }

  pages::openControl(h, header, topLength, top, status == kOpenedNew, dskptr, layoutOf);
}

void FBPPNT(std::int32_t opt, std::int32_t h, std::int32_t entry, DiskPointer& dskptr) {
  CURRTN.fb.assign("FBPPNT");
  checkEntry("FBPPNT", opt, h, PagedType::Pointer);
  checkEntryNumber("FBPPNT", entry);
  if (opt == 1 && entry > element(h, pagectl::kEntries)) {
    dskptr = emptyDiskPointer();
    return;
  }
  const std::int32_t start = element(h, pagectl::kPageData) + 9 * pageOf(h, entry);
  if (opt == 1) {
    for (std::int32_t k = 1; k <= 9; ++k) dp(dskptr, k) = CORSTO[start + k];
    return;
  }
  noteStored(h, entry);
  for (std::int32_t k = 1; k <= 9; ++k) CORSTO[start + k] = dp(dskptr, k);
}

void FBPCHR(std::int32_t opt, std::int32_t h, std::int32_t entry, std::int32_t nchr,
            std::span<char> text) {
  CURRTN.fb.assign("FBPCHR");
  checkEntry("FBPCHR", opt, h, PagedType::Text);
  const std::int32_t entsiz = element(h, pagectl::kEntrySize);
  if (nchr != entsiz) {
    ERRITM("FIL SIZ", entsiz);
    ERRITM("ARR SIZ", nchr);
    fail("FBPCHR", "CHARACTER SIZES DO NOT MATCH");
  }
  checkEntryNumber("FBPCHR", entry);
  const std::span<char> field = text.first(std::min(text.size(), static_cast<std::size_t>(nchr)));
  if (opt == 1 && entry > element(h, pagectl::kEntries)) {
    services::blankText(field);
    return;
  }
  const std::int32_t nw = element(h, pagectl::kNameWords);
  const std::int32_t start = element(h, pagectl::kPageData) + nw * pageOf(h, entry);
  std::int32_t ierr = 0;
  if (opt == 1) {
    IWTOTX(field, CORSTO.words(start + 1, nw), nw, ierr);
    return;
  }
  noteStored(h, entry);
  TXTOIW(services::viewOf(field), CORSTO.words(start + 1, nw), nw, ierr);
}

void FBPEND(std::int32_t& h, DiskPointer& dskptr) {
  CURRTN.fb.assign("FBPEND");
  FBPCHK(h);
  pages::closeWriting(h, dskptr);
}

void FBPCLR(std::int32_t& h) {
  CURRTN.fb.assign("FBPCLR");
  FBPCHK(h);
  pages::closeDropping(h);
}

}  // namespace storage
