// The page machinery that index blocks and paged blocks share: the control area, the top
// sub-block with its page pointers, and making one page current at a time.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "storage/blocks.hpp"
#include "storage/disk_pointer.hpp"
#include "storage/sub_block.hpp"

namespace storage::pages {

// Element k (1-36) of the control area H.
std::int32_t& element(std::int32_t h, std::int32_t k);

// The 9-word pointer kept at elements first to first+8.
DiskPointer pointerAt(std::int32_t h, std::int32_t first);
void setPointerAt(std::int32_t h, std::int32_t first, const DiskPointer& pointer);

// The shape of a page: its sectors and how a fresh page starts.
struct PageLayout {
  std::array<std::int32_t, 2> pointerLengths{};  // disk-pointer sectors
  std::array<std::int32_t, 2> pointerSizes{};
  std::int32_t pointerSectors = 0;
  std::array<std::int32_t, 2> integerLengths{};
  std::int32_t integerSectors = 0;
  std::array<std::int32_t, 1> realLength{};  // 8-byte sector of type 5
  std::array<std::int32_t, 1> singleLength{};
  std::array<std::int32_t, 1> doubleLength{};
  BlockType blockType = BlockType::Plain;
  bool linkedPointers = false;  // word 1 of the first pointer entry names sector 2
  bool freeNames = false;       // every name slot starts free (first word -1)
  std::int32_t nameWords = 0;   // NW, when freeNames

  SubBlockSpec spec() const;
};

// Builds a new top sub-block of block type TYPE for MP pages in a new core area: its
// primary entry linked to the page-pointer sector, its header (integer sector 1) zero.
void buildTop(BlockType type, std::int32_t mp, std::int32_t& len, std::int32_t& p);

// Whether the sub-block current in SBCUR, as read from disk, is a top sub-block for MP
// pages: disk-pointer sector 1 with a 9-word entry, sector 2 with 3-word entries for MP pages
// at least, and integer sector 1 with the header's words.
bool isTop(std::int32_t mp);

// A stored header of kHeaderWords words.
using StoredHeader = std::array<std::int32_t, pagectl::kHeaderWords>;

// Whether the counts of a stored top's HEADER agree: NW name words, entries and pages not
// negative, pages within a capacity of at least 1, and no more entries than the pages made
// hold (a count beyond them would make the reads of its entries grow the top page by page).
bool countsAgree(const StoredHeader& header, std::int32_t nw);

// Makes H the control area of a block opened with HEADER and its top sub-block of TOPLENGTH
// words in core at TOP (a new block, FRESH, gets HEADER written into its top), builds its
// page area in the layout that LAYOUTOF gives for H, and notes DSKPTR as its own pointer.
void openControl(std::int32_t& h, const StoredHeader& header, std::int32_t topLength,
                 std::int32_t top, bool fresh, const DiskPointer& dskptr,
                 PageLayout (*layoutOf)(std::int32_t));

// Builds the page area of an open block in a new core area and notes its sector pointers.
void buildPageArea(std::int32_t h, const PageLayout& layout);

// Makes page PAGE current: writes a changed current page back, grows the top sub-block when
// PAGE lies beyond it, then reads the page or starts a fresh one. A page read that lacks the
// sectors of LAYOUT, or holds fewer elements in them, is the "FB" abort "PAGE DOES NOT HOLD
// ITS ENTRIES" (items the page's address, the sector's kind and number).
void makeCurrent(std::int32_t h, std::int32_t page, const PageLayout& layout);

// Writes the current page back when it has changed and stores its pointer in the top.
void writeCurrentPage(std::int32_t h);

// Writes everything back and frees the areas; DSKPTR receives the block's pointer.
void closeWriting(std::int32_t& h, DiskPointer& dskptr);

// Frees the top, page and control areas without writing; H becomes NOCORE.
void closeDropping(std::int32_t& h);

}  // namespace storage::pages
