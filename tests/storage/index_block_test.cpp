#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
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

std::string nameOf(int i) { return "STREAM-" + std::to_string(i); }

class IndexBlock : public BlockTest {
 protected:
  std::int32_t open(const DiskPointer& pointer, std::int32_t pagsiz = 10,
                    std::int32_t* status = nullptr) {
    std::int32_t h = NOCORE;
    std::int32_t s = 0;
    storage::FBIBEG(6, 12, 2, pagsiz, 1, h, pointer, s);
    if (status != nullptr) *status = s;
    return h;
  }

  // Puts NAME with data (value, -value) and a flat block holding value.
  std::int32_t put(std::int32_t h, const std::string& name, std::int32_t value) {
    DiskPointer record = storage::emptyDiskPointer();
    std::array<std::int32_t, 1> contents{value};
    std::int32_t status = 0;
    storage::FBFINT(2, record, 1, contents, status);
    std::array<std::int32_t, 2> data{value, -value};
    std::int32_t entry = 0;
    storage::FBINAM(2, h, name, 0, entry, record, data, status);
    EXPECT_EQ(status, 0);
    return entry;
  }

  struct Got {
    std::int32_t status = -1;
    std::int32_t entry = 0;
    DiskPointer pointer{};
    std::array<std::int32_t, 2> data{};
  };
  Got get(std::int32_t h, const std::string& name, std::int32_t mode = 1) {
    Got g;
    storage::FBINAM(1, h, name, mode, g.entry, g.pointer, g.data, g.status);
    return g;
  }

  std::int32_t element(std::int32_t h, std::int32_t k) { return storage::CORSTO[h + k]; }
};

TEST_F(IndexBlock, GrowsPageByPageAndReusesFreedSlots) {
  std::int32_t status = 0;
  std::int32_t h = open(storage::emptyDiskPointer(), 10, &status);
  EXPECT_EQ(status, storage::kOpenedNew);
  for (int i = 1; i <= 25; ++i) EXPECT_EQ(put(h, nameOf(i), i), i);
  EXPECT_EQ(element(h, pagectl::kEntries), 25);
  EXPECT_EQ(element(h, pagectl::kPages), 3);
  EXPECT_EQ(element(h, pagectl::kCapacity), 3) << "the top grows to the page asked for";
  EXPECT_EQ(element(h, pagectl::kCurrentPage), 3) << "entry 25: page 3, slot 4";

  DiskPointer none = storage::emptyDiskPointer();
  std::array<std::int32_t, 2> data{};
  std::int32_t entry = 0;
  storage::FBINAM(4, h, nameOf(12), 1, entry, none, data, status);
  EXPECT_EQ(entry, 12);
  std::int32_t ntot = 0;
  std::int32_t nlive = 0;
  storage::FBICNT(h, ntot, nlive);
  EXPECT_EQ(ntot, 25);
  EXPECT_EQ(nlive, 24);
  EXPECT_EQ(put(h, "NEWCOMER", 99), 12) << "the freed slot on the lowest page is taken";

  services::FixedText<12> name;
  storage::FBINUM(1, h, 12, name, none, data, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(name.trimmed(), "NEWCOMER");
  storage::FBINUM(1, h, 26, name, none, data, status);
  EXPECT_EQ(status, 1);
  expectAbort([&] { storage::FBINUM(1, h, 0, name, none, data, status); },
              "ENTRY NUMBER NEGATIVE OR ZERO", {"ENTRY 0"});
  storage::FBICLR(h);
  EXPECT_EQ(h, NOCORE);
}

TEST_F(IndexBlock, ModesRefuseWithStatusOne) {
  std::int32_t h = open(storage::emptyDiskPointer());
  put(h, "ONE", 1);
  DiskPointer pointer = storage::emptyDiskPointer();
  std::array<std::int32_t, 2> data{7, 7};
  std::int32_t entry = -1;
  std::int32_t status = -1;
  storage::FBINAM(2, h, "ONE", 2, entry, pointer, data, status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(get(h, "ONE").data[0], 1) << "nothing changed";
  EXPECT_EQ(get(h, "TWO").status, 1);
  EXPECT_EQ(element(h, pagectl::kEntries), 1);

  // A get with MODE 0 of an absent name adds it with an empty pointer and data.
  const auto added = get(h, "TWO", 0);
  EXPECT_EQ(added.status, 0);
  EXPECT_EQ(added.entry, 2);
  EXPECT_EQ(dp(added.pointer, dpword::kAddress), NODISK);
  storage::FBICLR(h);
}

// Names are found as blank-padded texts: trailing blanks do not count, every other character
// does, in its place, up to the last of the index's name length; the stored name comes back
// cut or padded to the caller's length.
TEST_F(IndexBlock, NamesMatchAsBlankPaddedTextsOnly) {
  std::int32_t h = open(storage::emptyDiskPointer());
  const std::vector<std::string> stored = {"AB", "ABCD", "ABCDE", "ABCDEFGHIJKL", "A B"};
  for (std::size_t i = 0; i < stored.size(); ++i) {
    put(h, stored[i], static_cast<std::int32_t>(i + 1));
  }
  struct Case {
    std::string sought;
    std::int32_t entry;  // 0: not found
  };
  const std::vector<Case> cases = {
      {"AB", 1},           {"AB   ", 1},          {"ABCD", 2},  {"ABCDE", 3},
      {"ABCDEFGHIJKL", 4}, {"A B", 5},            {"A", 0},     {"ABC", 0},
      {"ABCDEF", 0},       {"ABCDEFGHIJK", 0},    {"abcd", 0},  {" AB", 0},
      {"A\tB", 0},         {std::string("AB\0", 3), 0}, {"AB\x81", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("sought: [" + c.sought + "]");
    const Got g = get(h, c.sought);
    EXPECT_EQ(g.status, c.entry == 0 ? 1 : 0);
    if (c.entry != 0) {
      EXPECT_EQ(g.entry, c.entry);
      EXPECT_EQ(g.data[0], c.entry);
    }
  }

  DiskPointer none = storage::emptyDiskPointer();
  std::array<std::int32_t, 2> data{};
  std::int32_t status = 0;
  std::array<char, 16> wide{};
  wide.fill('#');
  storage::FBINUM(1, h, 3, wide, none, data, status);
  EXPECT_EQ(std::string(wide.data(), wide.size()), "ABCDE           ");
  std::array<char, 4> narrow{};
  storage::FBINUM(1, h, 4, narrow, none, data, status);
  EXPECT_EQ(std::string(narrow.data(), narrow.size()), "ABCD");
  storage::FBICLR(h);
}

// A name is raw text (bytes 32 to 127) and a free slot holds nothing: a delete and a new page
// leave its other name words and its data 0. Records of the stream index's page overwritten
// by other data marked live streams as free (a real number's sign bit in the first name
// word), left their statuses in free slots or gave them names of a real number's bytes, and
// the problem counted one stream of three, or none, without a word. Every reader that meets
// such a slot ends in the index's abort report.
TEST_F(IndexBlock, FreeSlotsThatHoldAnythingAreADamagedPage) {
  std::int32_t h = open(storage::emptyDiskPointer());
  for (int i = 1; i <= 3; ++i) put(h, nameOf(i), i);
  DiskPointer none = storage::emptyDiskPointer();
  std::array<std::int32_t, 2> data{};
  std::array<char, 12> name{};
  std::int32_t status = 0;
  storage::FBINUM(4, h, 2, name, none, data, status);
  ASSERT_EQ(status, 0);

  // Entry 2 is slot 1 of page 1, the current page; entry 3 is slot 2.
  const std::int32_t nw = element(h, pagectl::kNameWords);
  const std::int32_t names = element(h, pagectl::kPageNames) + 1 * nw;
  const std::int32_t values = element(h, pagectl::kPageData) + 1 * 2;
  const std::int32_t liveName = element(h, pagectl::kPageNames) + 2 * nw;
  struct Damage {
    const char* what;
    std::int32_t word;
    std::int32_t value;
    std::int32_t entry;  // the damaged slot's entry, slot number + 1
  };
  // The words of the real number -1.5e35, which the fixture's missing values hold.
  const std::int32_t realLow = 741012547;
  const std::int32_t realHigh = -952310894;
  const std::vector<Damage> damages = {
      {"a status left in the data", values + 1, 2, 2},
      {"a second data word", values + 2, -9, 2},
      {"text after the free mark", names + 2, 0x20202020, 2},
      {"a real number's sign bit as the first name word", names + 1, realHigh, 2},
      {"a live name of a real number's bytes", liveName + 1, realLow, 3},
      {"a live name with a NUL byte", liveName + 2, 0x00414141, 3},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    const std::int32_t kept = storage::CORSTO[damage.word];
    storage::CORSTO[damage.word] = damage.value;
    const std::int32_t firstWord =
        storage::CORSTO[element(h, pagectl::kPageNames) + (damage.entry - 1) * nw + 1];
    const std::vector<std::pair<const char*, std::function<void()>>> readers = {
        {"FBINUM", [&] { storage::FBINUM(1, h, damage.entry, name, none, data, status); }},
        {"FBICNT", [&] {
           std::int32_t ntot = 0;
           std::int32_t nlive = 0;
           storage::FBICNT(h, ntot, nlive);
         }},
        {"FBINAM", [&] { get(h, "NEW", 0); }},
    };
    for (const auto& [routine, read] : readers) {
      SCOPED_TRACE(routine);
      expectAbort(read, "INDEX PAGE IS DAMAGED",
                  {"PAGE 1", "SLOT " + std::to_string(damage.entry),
                   "NAME " + std::to_string(firstWord)});
    }
    storage::CORSTO[damage.word] = kept;
  }

  // The slot as the delete left it is free, and taken by the next new name.
  std::int32_t ntot = 0;
  std::int32_t nlive = 0;
  storage::FBICNT(h, ntot, nlive);
  EXPECT_EQ(nlive, 2);
  EXPECT_EQ(get(h, "NEW", 0).entry, 2);
  storage::FBICLR(h);
}

TEST_F(IndexBlock, SurvivesCloseANewRunAndReopen) {
  std::int32_t h = open(storage::emptyDiskPointer());
  for (int i = 1; i <= 23; ++i) put(h, nameOf(i), i * 10);
  DiskPointer index{};
  storage::FBIEND(h, index);
  EXPECT_EQ(h, NOCORE);
  EXPECT_EQ(dp(index, dpword::kBlockType), 11);

  startRun();
  std::int32_t status = 0;
  h = open(index, 10, &status);
  EXPECT_EQ(status, storage::kOpenedExisting);
  for (int i = 23; i >= 1; --i) {
    SCOPED_TRACE(i);
    const auto g = get(h, nameOf(i));
    ASSERT_EQ(g.status, 0);
    EXPECT_EQ(g.entry, i);
    EXPECT_EQ(g.data[1], -10 * i);
    std::array<std::int32_t, 1> contents{};
    DiskPointer record = g.pointer;
    storage::FBFINT(1, record, 1, contents, status);
    EXPECT_EQ(contents[0], 10 * i);
  }
  std::vector<DiskPointer> roots{index};
  EXPECT_EQ(fixtures::overlapReport(fixtures::liveBlocks(roots)), "");
  storage::FBICLR(h);
}

TEST_F(IndexBlock, OpenChecksSizesAndNames) {
  std::int32_t h = NOCORE;
  std::int32_t status = 0;
  expectAbort([&] { storage::FBIBEG(4, 12, 2, 10, 1, h, storage::emptyDiskPointer(), status); },
              "SIZE IS NOT VALID", {"SIZ 4"});
  h = open(storage::emptyDiskPointer());
  put(h, "ONE", 1);
  DiskPointer index{};
  storage::FBIEND(h, index);
  expectAbort([&] { open(index, 20); }, "PAGE LENGTHS DO NOT MATCH",
              {"FIL SIZ 10", "USR SIZ 20"});
  h = NOCORE;
  expectAbort([&] { storage::FBIBEG(3, 12, 2, 10, 1, h, index, status); },
              "POINTER LENGTHS DO NOT MATCH", {"PTR SIZ 6"});
  DiskPointer flat = storage::emptyDiskPointer();
  std::array<std::int32_t, 1> one{1};
  storage::FBFINT(2, flat, 1, one, status);
  h = NOCORE;
  expectAbort([&] { open(flat); }, "BLOCK IS NOT AN INDEX BLOCK", {"BLK TYP 4"});

  h = open(index);
  std::int32_t hh = h;
  expectAbort([&] { storage::FBIBEG(6, 12, 2, 10, 1, hh, index, status); },
              "INDEX CONTROL AREA ALREADY EXISTS", {});
  // A name longer than the index holds is refused, not cut into another entry's name.
  expectAbort([&] { get(h, "THIRTEEN CHARS", 0); }, "NAME LONGER THAN THE INDEX NAMES",
              {"NAM SIZ 12", "LENGTH 14"});
  EXPECT_EQ(get(h, "ONE         ").status, 0) << "trailing blanks do not count";
  DiskPointer pointer = storage::emptyDiskPointer();
  std::array<std::int32_t, 2> data{};
  std::int32_t entry = 0;
  expectAbort([&] { storage::FBINAM(3, h, "ONE", 1, entry, pointer, data, status); },
              "INVALID INDEX OPTION", {"OPTION 3"});
  storage::FBICLR(h);
  expectAbort([&] { storage::FBICHK(h); }, "INDEX CONTROL AREA DOES NOT EXIST", {});
}

// A top sub-block that a damaged file holds without the sectors of its header or of its page
// pointers is refused before anything is read through them.
TEST_F(IndexBlock, OpenRefusesATopWithoutItsSectors) {
  std::int32_t h = open(storage::emptyDiskPointer());
  put(h, "ONE", 1);
  DiskPointer index{};
  storage::FBIEND(h, index);
  const std::int32_t address = dp(index, dpword::kAddress);
  const std::vector<std::int32_t> stored =
      blockWords(address, static_cast<std::size_t>(dp(index, dpword::kTotalLength)));
  for (const block_tests::TopDamage& damage : block_tests::topDamages(stored)) {
    SCOPED_TRACE(damage.what);
    for (const auto& [word, value] : damage.words) {
      writeBlockWords(address, static_cast<std::size_t>(word), {value});
    }
    expectAbort([&] { open(index); }, "INDEX HEADER IS NOT VALID",
                {"POINTER " + std::to_string(address)});
    writeBlockWords(address, 1, stored);
  }
  h = open(index);
  EXPECT_EQ(get(h, "ONE").data[0], 1) << "the block as written opens";
  storage::FBICLR(h);
}

// A stored count of entries beyond the pages the top counts is refused: reading those
// entries would grow the top page by page.
TEST_F(IndexBlock, OpenRefusesMoreEntriesThanItsPagesHold) {
  std::int32_t h = open(storage::emptyDiskPointer());
  for (int i = 1; i <= 3; ++i) put(h, nameOf(i), i);
  DiskPointer index{};
  storage::FBIEND(h, index);
  const std::int32_t address = dp(index, dpword::kAddress);
  const std::vector<std::int32_t> stored =
      blockWords(address, static_cast<std::size_t>(dp(index, dpword::kTotalLength)));
  const auto word = static_cast<std::size_t>(block_tests::topHeaderWord(stored, pagectl::kEntries));
  ASSERT_EQ(stored[word - 1], 3);
  writeBlockWords(address, word, {11});  // one page of 10
  expectAbort([&] { open(index); }, "INDEX HEADER IS NOT VALID",
              {"ENTRIES 11", "PAGES 1", "CAPACITY 1"});
}

// A page that a damaged file holds with fewer names, data words or page pointers than the
// index's pages have is refused when it is made current, before an entry is read or written
// through its sectors.
TEST_F(IndexBlock, PageWithoutRoomForItsEntriesIsRefused) {
  std::int32_t h = open(storage::emptyDiskPointer());
  for (int i = 1; i <= 3; ++i) put(h, nameOf(i), i);
  DiskPointer index{};
  storage::FBIEND(h, index);
  // Page 1, from the page pointers of the top.
  std::int32_t topLength = 0;
  std::int32_t top = NOCORE;
  std::int32_t status = 0;
  storage::SBRDC(topLength, top, index, status);
  DiskPointer page{};
  storage::SBGETC(topLength, top, 1, 1, 1, page);
  storage::CMFREI(top);
  const std::int32_t address = dp(page, dpword::kAddress);
  const std::vector<std::int32_t> stored =
      blockWords(address, static_cast<std::size_t>(dp(page, dpword::kTotalLength)));
  namespace head = storage::sbhead;
  const auto word = [&](std::int32_t k) { return stored[static_cast<std::size_t>(k - 1)]; };
  // Sector tables of two sectors: lengths, offsets, then (disk pointers) entry sizes.
  const std::int32_t pointers = word(head::kFirstTableOffset);
  const std::int32_t integers = word(head::kFirstTableOffset + 3);
  struct Case {
    std::string what;
    std::int32_t word;
    std::int32_t value;
    std::string kindAndSector;
  };
  const std::vector<Case> cases = {
      {"names for 1 of 10 entries", integers + 1, 3, "KIND 4 SECTOR 1"},
      {"data for 9 of 10 entries", integers + 2, 18, "KIND 4 SECTOR 2"},
      {"entry pointers of 3 words", pointers + 6, 3, "KIND 1 SECTOR 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeBlockWords(address, static_cast<std::size_t>(c.word), {c.value});
    h = open(index);
    const file_tests::Abort abort = file_tests::abortOf([&] { get(h, nameOf(2)); });
    ASSERT_TRUE(abort.stopped);
    EXPECT_EQ(abort.message, "PAGE DOES NOT HOLD ITS ENTRIES");
    ASSERT_EQ(abort.items.size(), 3u);
    EXPECT_EQ(abort.items[0], "POINTER " + std::to_string(address));
    EXPECT_EQ(abort.items[1] + " " + abort.items[2], c.kindAndSector);
    writeBlockWords(address, 1, stored);
    startRun();
  }
  h = open(index);
  EXPECT_EQ(get(h, nameOf(2)).data[0], 2) << "the page as written is read";
  storage::FBICLR(h);
}

TEST_F(IndexBlock, DeletingAndReleasingGiveBackExactlyTheRecordsUsed) {
  const std::int64_t before = fixtures::freeRecords();
  std::int32_t h = open(storage::emptyDiskPointer());
  for (int i = 1; i <= 30; ++i) put(h, nameOf(i), i);

  // Deleting an entry releases the block it names.
  const std::int64_t withFive = fixtures::freeRecords();
  DiskPointer none = storage::emptyDiskPointer();
  std::array<std::int32_t, 2> data{};
  std::int32_t entry = 0;
  std::int32_t status = 0;
  storage::FBINAM(4, h, nameOf(5), 1, entry, none, data, status);
  EXPECT_EQ(fixtures::freeRecords(), withFive + 1);
  EXPECT_EQ(get(h, nameOf(5)).status, 1);

  DiskPointer index{};
  storage::FBIEND(h, index);
  std::vector<DiskPointer> roots{index};
  const auto live = fixtures::liveBlocks(roots);
  EXPECT_EQ(fixtures::overlapReport(live), "");
  std::int64_t used = 0;
  for (const auto& extent : live) used += extent.records;
  EXPECT_EQ(fixtures::freeRecords(), before - used) << "every record is either live or free";

  // Releasing the whole index gives back exactly the records it used.
  storage::FBITRF(index);
  EXPECT_EQ(dp(index, dpword::kAddress), NODISK);
  EXPECT_EQ(fixtures::freeRecords(), before);
}

TEST_F(IndexBlock, TreesDeeperThanTheWalkAreRefused) {
  // A chain of 51 plain blocks, each pointing to the next through a 9-word sector.
  DiskPointer next = storage::emptyDiskPointer();
  for (int level = 0; level < 51; ++level) {
    std::int32_t len = 0;
    std::int32_t p = NOCORE;
    std::int32_t ierr = 0;
    storage::SBSGLC(len, p, 0, ierr, 1, 0, 0, 0, 0, 0, 0);
    storage::SBPUTC(len, p, 1, 1, 0, next);
    DiskPointer written = storage::emptyDiskPointer();
    std::int32_t status = 0;
    storage::SBWTC(len, p, written, status);
    storage::CMFREI(p);
    next = written;
  }
  expectAbort([&] { storage::FBITRF(next); }, "BLOCK TREE TOO DEEP TO RELEASE", {"DEPTH 50"});
}

// An index whose pages were written with another layout (here one integer sector more) can
// still grow: a new page copies the layout of the pages on disk, so the words its pointer
// shares with the other page pointers agree.
TEST_F(IndexBlock, NewPagesFollowTheLayoutOnDisk) {
  std::int32_t h = open(storage::emptyDiskPointer());
  for (int i = 1; i <= 10; ++i) put(h, nameOf(i), i);
  DiskPointer index{};
  storage::FBIEND(h, index);

  // Rewrite page 1 with an extra integer sector and point the top at it.
  std::int32_t topLength = 0;
  std::int32_t top = NOCORE;
  std::int32_t status = 0;
  storage::SBRDC(topLength, top, index, status);
  DiskPointer page{};
  storage::SBGETC(topLength, top, 1, 1, 1, page);
  std::int32_t pageLength = 0;
  std::int32_t pageCore = NOCORE;
  storage::SBRDC(pageLength, pageCore, page, status);
  const auto old = storage::coreImage(pageCore);
  const std::array<std::int32_t, 2> pointerLengths{1, 10};
  const std::array<std::int32_t, 2> pointerSizes{9, 6};
  const std::array<std::int32_t, 3> integerLengths{30, 20, 5};
  storage::SubBlockSpec spec;
  spec[storage::SectorKind::Pointer] = {pointerLengths, pointerSizes};
  spec[storage::SectorKind::Integer] = {integerLengths, {}};
  std::int32_t foreignLength = 0;
  std::int32_t foreign = NOCORE;
  std::int32_t ierr = 0;
  storage::SBMLTC(foreignLength, foreign, 0, ierr, spec);
  const std::int32_t oldData = old[4];  // header length of the old page: its data follow
  const std::int32_t newData = storage::SBCUR.header(5);
  for (std::int32_t i = 1; i <= 9 + 60 + 50; ++i) {
    storage::CORSTO[foreign + newData + i] = old[static_cast<std::size_t>(oldData + i - 1)];
  }
  storage::SBIDC(0, foreign, 11, 0, 0);
  DiskPointer moved = page;
  storage::SBWTC(foreignLength, foreign, moved, status);
  ASSERT_NE(dp(moved, dpword::kTotalLength), dp(page, dpword::kTotalLength));
  storage::SBSETC(topLength, top);
  const std::int32_t topPrimary = storage::SBCUR.pointer(storage::SectorKind::Pointer, 1);
  for (std::int32_t k = 2; k <= 6; ++k) storage::CORSTO[topPrimary + k] = dp(moved, k);
  storage::SBPUTC(topLength, top, 1, 1, 1, moved);
  storage::SBWTC(topLength, top, index, status);

  startRun();
  h = open(index);
  EXPECT_EQ(put(h, nameOf(11), 11), 11) << "page 2 is new";
  DiskPointer reopened{};
  storage::FBIEND(h, reopened);
  startRun();
  h = open(reopened);
  EXPECT_EQ(get(h, nameOf(11)).data[0], 11);
  EXPECT_EQ(get(h, nameOf(3)).data[0], 3);
  storage::FBICLR(h);
}

}  // namespace
