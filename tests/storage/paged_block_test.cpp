#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "block_test_support.hpp"

namespace {

using block_tests::BlockTest;
using file_tests::expectAbort;
using services::NOCORE;
using services::NODISK;
using storage::DiskPointer;
using storage::dp;
namespace dpword = storage::dpword;
namespace pagectl = storage::pagectl;

class PagedBlock : public BlockTest {
 protected:
  std::int32_t open(std::int32_t type, std::int32_t entsiz, const DiskPointer& pointer,
                    std::int32_t pagsiz = 20) {
    std::int32_t h = NOCORE;
    std::int32_t status = 0;
    storage::FBPBEG(type, entsiz, pagsiz, 1, h, pointer, status);
    return h;
  }
  static DiskPointer pointerTo(std::int32_t record) {
    return DiskPointer{0, 3, 0, 30, 30, 24, 0, 21000000 + record, 0};
  }
};

TEST_F(PagedBlock, PointerEntriesAcrossPages) {
  std::int32_t h = open(9, 1, storage::emptyDiskPointer());
  DiskPointer stored = pointerTo(45);
  storage::FBPPNT(2, h, 45, stored);
  EXPECT_EQ(storage::CORSTO[h + pagectl::kCurrentPage], 3);
  EXPECT_EQ(storage::CORSTO[h + pagectl::kCapacity], 3);
  EXPECT_EQ(storage::CORSTO[h + pagectl::kEntries], 45);
  DiskPointer got{};
  storage::FBPPNT(1, h, 44, got);
  EXPECT_EQ(got, storage::emptyDiskPointer()) << "a fresh page holds empty pointers";
  storage::FBPPNT(1, h, 46, got);
  EXPECT_EQ(got, storage::emptyDiskPointer());
  for (std::int32_t e = 1; e <= 3; ++e) {
    DiskPointer p = pointerTo(e);
    storage::FBPPNT(2, h, e, p);
  }
  DiskPointer block{};
  storage::FBPEND(h, block);
  EXPECT_EQ(dp(block, dpword::kBlockType), 10);

  startRun();
  h = open(9, 1, block);
  for (const std::int32_t e : {1, 2, 3, 45}) {
    storage::FBPPNT(1, h, e, got);
    EXPECT_EQ(got, pointerTo(e)) << e;
  }
  storage::FBPCLR(h);
  expectAbort([&] { open(8, 1, block); }, "BLOCK IS NOT A PAGED CHARACTER BLOCK", {"BLK TYP 9"});
}

TEST_F(PagedBlock, TextEntries) {
  std::int32_t h = open(8, 12, storage::emptyDiskPointer(), 5);
  for (int e = 1; e <= 12; ++e) {
    services::FixedText<12> text("NAME " + std::to_string(e));
    storage::FBPCHR(2, h, e, 12, text);
  }
  services::FixedText<12> back("garbage");
  storage::FBPCHR(1, h, 7, 12, back);
  EXPECT_EQ(back.trimmed(), "NAME 7");
  storage::FBPCHR(1, h, 13, 12, back);
  EXPECT_TRUE(back.isBlank()) << "an entry beyond the last is blank";
  services::FixedText<16> wide;
  expectAbort([&] { storage::FBPCHR(1, h, 1, 16, wide); }, "CHARACTER SIZES DO NOT MATCH",
              {"FIL SIZ 12", "ARR SIZ 16"});
  DiskPointer block{};
  storage::FBPEND(h, block);
  startRun();
  h = open(8, 12, block, 5);
  storage::FBPCHR(1, h, 12, 12, back);
  EXPECT_EQ(back.trimmed(), "NAME 12");
  storage::FBPCLR(h);
}

TEST_F(PagedBlock, OpenAndEntryFaults) {
  expectAbort([&] { open(3, 1, storage::emptyDiskPointer()); }, "TYPE IS NOT VALID", {"TYP 3"});
  std::int32_t h = open(9, 1, storage::emptyDiskPointer());
  DiskPointer p{};
  expectAbort([&] { storage::FBPPNT(3, h, 1, p); }, "INVALID PAGE OPTION", {"OPTION 3"});
  expectAbort([&] { storage::FBPPNT(1, h, 0, p); }, "ENTRY NUMBER NEGATIVE OR ZERO", {"ENTRY 0"});
  services::FixedText<4> text;
  expectAbort([&] { storage::FBPCHR(1, h, 1, 4, text); }, "BLOCK IS NOT A PAGED CHARACTER BLOCK",
              {"PAG TYP 9"});
  storage::FBPCLR(h);
  expectAbort([&] { storage::FBPPNT(1, h, 1, p); }, "PAGE CONTROL AREA DOES NOT EXIST", {});
  // A block of entries needs an entry size; a pointer block's entries are disk pointers,
  // and the tables open theirs with an entry size of 0.
  expectAbort([&] { open(8, 0, storage::emptyDiskPointer()); }, "SIZE IS NOT VALID",
              {"ENT SIZ 0", "PAG SIZ 20", "PAGES 1"});
  h = open(9, 0, storage::emptyDiskPointer());
  const DiskPointer stored = pointerTo(7);
  p = stored;
  storage::FBPPNT(2, h, 3, p);
  storage::FBPPNT(1, h, 3, p);
  EXPECT_EQ(p, stored);
  storage::FBPCLR(h);
}

// A top sub-block that a damaged file holds without the sectors of its header or of its page
// pointers is refused before anything is read through them.
TEST_F(PagedBlock, OpenRefusesATopWithoutItsSectors) {
  std::int32_t h = open(9, 1, storage::emptyDiskPointer());
  DiskPointer stored = pointerTo(7);
  storage::FBPPNT(2, h, 3, stored);
  DiskPointer block{};
  storage::FBPEND(h, block);
  const std::int32_t address = dp(block, dpword::kAddress);
  const std::vector<std::int32_t> image =
      blockWords(address, static_cast<std::size_t>(dp(block, dpword::kTotalLength)));
  for (const block_tests::TopDamage& damage : block_tests::topDamages(image)) {
    SCOPED_TRACE(damage.what);
    for (const auto& [word, value] : damage.words) {
      writeBlockWords(address, static_cast<std::size_t>(word), {value});
    }
    expectAbort([&] { open(9, 1, block); }, "PAGED BLOCK HEADER IS NOT VALID",
                {"POINTER " + std::to_string(address)});
    writeBlockWords(address, 1, image);
  }
  h = open(9, 1, block);
  DiskPointer got{};
  storage::FBPPNT(1, h, 3, got);
  EXPECT_EQ(got, pointerTo(7)) << "the block as written opens";
  storage::FBPCLR(h);
}

// A stored count of entries beyond the pages the top counts is refused: reading those
// entries would grow the top page by page.
TEST_F(PagedBlock, OpenRefusesMoreEntriesThanItsPagesHold) {
  std::int32_t h = open(9, 1, storage::emptyDiskPointer());
  DiskPointer stored = pointerTo(7);
  storage::FBPPNT(2, h, 3, stored);
  DiskPointer block{};
  storage::FBPEND(h, block);
  const std::int32_t address = dp(block, dpword::kAddress);
  const std::vector<std::int32_t> image =
      blockWords(address, static_cast<std::size_t>(dp(block, dpword::kTotalLength)));
  const auto word = static_cast<std::size_t>(block_tests::topHeaderWord(image, pagectl::kEntries));
  ASSERT_EQ(image[word - 1], 3);
  writeBlockWords(address, word, {21});  // one page of 20
  expectAbort([&] { open(9, 1, block); }, "PAGED BLOCK HEADER IS NOT VALID",
              {"ENTRIES 21", "PAGES 1", "CAPACITY 1"});
}

// A close without writing loses the puts of the current page and the page pointers of pages
// first written after the open; pages left before stay written.
TEST_F(PagedBlock, CloseWithoutWritingKeepsOnlyWhatWasWritten) {
  std::int32_t h = open(9, 1, storage::emptyDiskPointer(), 2);
  for (const std::int32_t e : {1, 3}) {
    DiskPointer p = pointerTo(e);
    storage::FBPPNT(2, h, e, p);
  }
  DiskPointer block{};
  storage::FBPEND(h, block);

  h = open(9, 1, block, 2);
  DiskPointer p = pointerTo(2);
  storage::FBPPNT(2, h, 2, p);  // page 1: written when page 2 is made current
  p = pointerTo(33);
  storage::FBPPNT(2, h, 3, p);  // page 2: never written
  storage::FBPCLR(h);

  h = open(9, 1, block, 2);
  DiskPointer got{};
  storage::FBPPNT(1, h, 2, got);
  EXPECT_EQ(got, pointerTo(2));
  storage::FBPPNT(1, h, 3, got);
  EXPECT_EQ(got, pointerTo(3));
  storage::FBPCLR(h);
}

}  // namespace
