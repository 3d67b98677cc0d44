#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "services/services.hpp"
#include "storage/core_store.hpp"
#include "storage/sub_block.hpp"
#include "support/test_support.hpp"

namespace {

using services::NOCORE;
using storage::CORSTO;
using storage::DiskPointer;
using storage::SBCUR;
using storage::SectorKind;
using storage::SubBlockSpec;

class SubBlock : public ::testing::Test {
 protected:
  void SetUp() override {
    services::ERINIT();
    storage::CMINIT(0, 0, 0);
    storage::SBINIT();
  }

  // Builds the specification in a new core area and returns its index.
  std::int32_t build(const SubBlockSpec& spec) {
    std::int32_t len = 0;
    std::int32_t p = NOCORE;
    std::int32_t ierr = -1;
    storage::SBMLTC(len, p, 0, ierr, spec);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(len, SBCUR.header(3));
    return p;
  }

  std::string abortMessage() const {
    return std::string(services::MSGTXT.lines(1).trimmed().substr(15));
  }

  testing_support::StopThrows stop;
};

constexpr std::array<std::int32_t, 1> kFive{5};
constexpr std::array<std::int32_t, 1> kThree{3};
constexpr std::array<std::int32_t, 1> kTwo{2};
constexpr std::array<std::int32_t, 1> kNine{9};

TEST_F(SubBlock, LayoutOfOneIntegerSector) {
  SubBlockSpec spec;
  spec[SectorKind::Integer].lengths = kFive;
  const std::int32_t p = build(spec);
  EXPECT_EQ(SBCUR.header(5), 24);
  EXPECT_EQ(SBCUR.header(3), 30);
  EXPECT_EQ(SBCUR.header(4), 30);
  EXPECT_EQ(SBCUR.offsets(4)(1), 24);
  EXPECT_EQ(SBCUR.pointer(SectorKind::Integer, 1), p + 24);
  const auto image = storage::coreImage(p);
  EXPECT_EQ(image.size(), 30u);
  EXPECT_EQ(image[14], NOCORE) << "word 15: no sizing values";
  EXPECT_EQ(image[15], NOCORE) << "word 16: no disk-pointer sectors";
  EXPECT_EQ(image[18], 22) << "word 19: the integer sector table";
  EXPECT_EQ(image[0], 1) << "a built block is a plain sub-block";
  // Elements 1 to 5 are words p+25 to p+29: the sector's data, all 0.
  for (std::int32_t i = 1; i <= 5; ++i) EXPECT_EQ(CORSTO[p + 24 + i], 0);

  // The single-sector build gives the same block.
  std::int32_t len = 0;
  std::int32_t q = NOCORE;
  std::int32_t ierr = -1;
  storage::SBSGLC(len, q, 0, ierr, 0, 0, 0, 5, 0, 0, 0);
  const auto other = storage::coreImage(q);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), other.begin(), other.end()));
}

TEST_F(SubBlock, EightByteSectorsStartOnAnEvenOffset) {
  SubBlockSpec spec;
  spec[SectorKind::Integer].lengths = kThree;
  spec[SectorKind::Real].lengths = kTwo;
  const std::int32_t p = build(spec);
  EXPECT_EQ(SBCUR.header(5), 26);
  EXPECT_EQ(SBCUR.offsets(4)(1), 26);
  EXPECT_EQ(SBCUR.offsets(6)(1), 30) << "29 made even";
  EXPECT_EQ(SBCUR.header(3), 34);
  const std::int32_t d = SBCUR.pointer(SectorKind::Real, 1);
  CORSTO.setReal(d + 2, 2.5);
  EXPECT_EQ(CORSTO[p + 34], 0x40040000) << "element 2 ends the block: words 33 and 34";
  EXPECT_EQ(CORSTO.real(d + 1), 0.0);
}

TEST_F(SubBlock, SizingValuesResolveNegativeLengths) {
  constexpr std::array<std::int32_t, 2> sizing{7, 0};
  constexpr std::array<std::int32_t, 1> byFirst{-1};
  constexpr std::array<std::int32_t, 1> bySecond{-2};
  SubBlockSpec spec;
  spec.sizing = sizing;
  spec[SectorKind::Integer].lengths = byFirst;
  spec[SectorKind::Real].lengths = bySecond;
  const std::int32_t p = build(spec);
  EXPECT_EQ(SBCUR.length(SectorKind::Integer, 1), 7);
  EXPECT_EQ(SBCUR.length(SectorKind::Real, 1), 0);
  // HDR 22 + 2 + 2 + 2 = 28; 7 integers, made even, then 2 words for the empty real sector.
  EXPECT_EQ(SBCUR.header(5), 28);
  EXPECT_EQ(SBCUR.offsets(6)(1), 36);
  EXPECT_EQ(SBCUR.header(3), 38);
  const auto image = storage::coreImage(p);
  EXPECT_EQ(image[23 - 1], 7) << "sizing values follow the fixed words";
  EXPECT_EQ(image[SBCUR.tableOffsets(4)], -1) << "the image keeps the negative length";

  // Selecting the image again gives the same working tables.
  storage::SBINIT();
  storage::SBSETC(0, p);
  EXPECT_EQ(SBCUR.length(SectorKind::Integer, 1), 7);
  EXPECT_EQ(SBCUR.pointer(SectorKind::Integer, 1), p + 28);
  EXPECT_EQ(SBCUR.pointer(SectorKind::Real, 1), storage::IPITOD(p + 36));
}

TEST_F(SubBlock, DiskPointerSectorsStartEmpty) {
  constexpr std::array<std::int32_t, 1> entrySize{9};
  SubBlockSpec spec;
  spec[SectorKind::Pointer] = {kTwo, entrySize};
  const std::int32_t p = build(spec);
  const std::int32_t first = SBCUR.pointer(SectorKind::Pointer, 1);
  for (std::int32_t i = 1; i <= 18; ++i) {
    EXPECT_EQ(CORSTO[first + i], i == 8 || i == 17 ? services::NODISK : 0) << i;
  }
  DiskPointer pointer{};
  storage::SBGETC(0, p, 1, 2, 0, pointer);
  EXPECT_EQ(pointer, storage::emptyDiskPointer());
}

TEST_F(SubBlock, SpecificationFaultsAbortOrReportUnderSoft) {
  const std::vector<std::int32_t> many(251, 1);
  const std::vector<std::int32_t> limit(250, 1);
  constexpr std::array<std::int32_t, 2> twoSizing{4, 5};
  constexpr std::array<std::int32_t, 1> beyond{-3};
  constexpr std::array<std::int32_t, 1> negativeSizing{-1};
  struct Case {
    std::string name;
    SubBlockSpec spec;
    std::string message;
    std::int32_t ierr;
  };
  std::vector<Case> cases(5);
  cases[0].name = "251 integer sectors";
  cases[0].spec[SectorKind::Integer].lengths = many;
  cases[0].message = "MAXIMUM INTEGER SECTORS EXCEEDED";
  cases[0].ierr = 1;
  cases[1].name = "251 sizing values";
  cases[1].spec.sizing = many;
  cases[1].message = "MAXIMUM SIZING VALUES EXCEEDED";
  cases[1].ierr = 1;
  cases[2].name = "length beyond the sizing values";
  cases[2].spec.sizing = twoSizing;
  cases[2].spec[SectorKind::Integer].lengths = beyond;
  cases[2].message = "BAD INTEGER SECTOR LENGTH";
  cases[2].ierr = 2;
  cases[3].name = "negative sizing value";
  cases[3].spec.sizing = negativeSizing;
  cases[3].message = "BAD SIZING VALUE";
  cases[3].ierr = 2;
  cases[4].name = "251 double sectors";
  cases[4].spec[SectorKind::Double].lengths = many;
  cases[4].message = "MAXIMUM DOUBLE SECTORS EXCEEDED";
  cases[4].ierr = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::int32_t ierr = -1;
    storage::SBCHKA(c.spec, 1, ierr);
    EXPECT_EQ(ierr, c.ierr);
    EXPECT_THROW(storage::SBCHKA(c.spec, 0, ierr), platform::RunStopped);
    EXPECT_EQ(abortMessage(), c.message);
    services::ERINIT();
  }
  SubBlockSpec fits;
  fits[SectorKind::Integer].lengths = limit;
  std::int32_t ierr = -1;
  storage::SBCHKA(fits, 0, ierr);
  EXPECT_EQ(ierr, 0) << "250 sectors are accepted";
}

TEST_F(SubBlock, BuildWithoutCoreReportsUnderSoft) {
  SubBlockSpec spec;
  constexpr std::array<std::int32_t, 1> huge{300000};
  spec[SectorKind::Integer].lengths = huge;
  platform::setCoreLimit(platform::coreCommitted());
  std::int32_t len = 0;
  std::int32_t p = NOCORE;
  std::int32_t ierr = -1;
  storage::SBMLTC(len, p, 1, ierr, spec);
  EXPECT_EQ(ierr, 3);
  EXPECT_EQ(p, 0);
  p = NOCORE;
  EXPECT_THROW(storage::SBMLTC(len, p, 0, ierr, spec), platform::RunStopped);
  EXPECT_EQ(abortMessage(), "NOT ENOUGH SPACE AVAILABLE TO GET NEW CORE AREA");
  platform::setCoreLimit(0);

  // An existing area too small.
  p = storage::ICMGTI(10, 0);
  len = 10;
  storage::SBMLTC(len, p, 1, ierr, spec);
  EXPECT_EQ(ierr, 3);
  EXPECT_THROW(storage::SBMLTC(len, p, 0, ierr, spec), platform::RunStopped);
  EXPECT_EQ(abortMessage(), "NOT ENOUGH SPACE AVAILABLE IN EXISTING CORE AREA");
}

TEST_F(SubBlock, SelectingASmallerBlockLeavesNoStalePointer) {
  constexpr std::array<std::int32_t, 3> three{4, 4, 4};
  SubBlockSpec big;
  big[SectorKind::Integer].lengths = three;
  big[SectorKind::Double].lengths = kTwo;
  build(big);
  SubBlockSpec small;
  small[SectorKind::Integer].lengths = kFive;
  const std::int32_t p = build(small);
  storage::SBSETC(0, p);
  EXPECT_EQ(SBCUR.count(SectorKind::Integer), 1);
  EXPECT_EQ(SBCUR.pointer(SectorKind::Integer, 2), NOCORE);
  EXPECT_EQ(SBCUR.pointer(SectorKind::Integer, 3), NOCORE);
  EXPECT_EQ(SBCUR.pointer(SectorKind::Double, 1), NOCORE);
  EXPECT_EQ(SBCUR.length(SectorKind::Integer, 2), 0);

  // The same image in a caller's array: pointers count from the array's first element.
  const auto image = storage::coreImage(p);
  std::vector<std::int32_t> array(image.begin(), image.end());
  array.resize(40, -1);
  storage::SBSETA(0, array);
  EXPECT_EQ(SBCUR.pointer(SectorKind::Integer, 1), 24);
}

TEST_F(SubBlock, IdentityWordsAreSetOnlyWhenPositive) {
  SubBlockSpec spec;
  spec[SectorKind::Integer].lengths = kFive;
  const std::int32_t p = build(spec);
  storage::SBIDC(30, p, 11, 0, 7);
  EXPECT_EQ(CORSTO[p + 1], 11);
  EXPECT_EQ(CORSTO[p + 2], 0);
  EXPECT_EQ(CORSTO[p + 6], 7);
  storage::SBIDC(30, p, -1, 0, 0);
  EXPECT_EQ(CORSTO[p + 1], 11);
}

// Damaged images of a valid block: each one ends in the header abort, never in a wild read.
TEST_F(SubBlock, DamagedHeadersAreRefused) {
  constexpr std::array<std::int32_t, 2> sizing{3, 1};
  constexpr std::array<std::int32_t, 2> integers{-1, 4};
  SubBlockSpec spec;
  spec.sizing = sizing;
  spec[SectorKind::Integer].lengths = integers;
  spec[SectorKind::Real].lengths = kTwo;
  build(spec);
  std::vector<std::int32_t> good(static_cast<std::size_t>(SBCUR.header(3)));
  storage::SBHSTO(static_cast<std::int32_t>(good.size()), good);
  const std::int32_t table = SBCUR.tableOffsets(4);
  struct Damage {
    std::string what;
    std::int32_t word;
    std::int32_t value;
  };
  const std::vector<Damage> damages = {
      {"total beyond the words", 3, 1000},      {"total below the header", 3, 20},
      {"header beyond the total", 5, 500},      {"negative sizing count", 7, -1},
      {"integer count 251", 11, 251},           {"table beyond the header", 19, 10000},
      {"sizing offset outside", 15, 2},         {"length names no sizing value", table + 1, -3},
      {"sector beyond the block", table + 3, 100}, {"negative sizing value", 23, -5},
      {"odd real offset", SBCUR.tableOffsets(6) + 2, SBCUR.offsets(6)(1) + 1},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.what);
    std::vector<std::int32_t> image = good;
    image[static_cast<std::size_t>(d.word - 1)] = d.value;
    services::ERINIT();
    EXPECT_THROW(storage::SBSETA(0, image), platform::RunStopped);
    EXPECT_EQ(abortMessage(), "SUB-BLOCK HEADER INVALID");
  }
  std::vector<std::int32_t> shortImage(good.begin(), good.begin() + 10);
  EXPECT_THROW(storage::SBSETA(0, shortImage), platform::RunStopped);
  storage::SBSETA(0, good);
  EXPECT_EQ(SBCUR.length(SectorKind::Integer, 1), 3);
}

class DiskPointerEntries : public SubBlock {
 protected:
  // A block with a primary sector of 2 entries and secondary sectors of 3 and 6 words.
  void SetUp() override {
    SubBlock::SetUp();
    static constexpr std::array<std::int32_t, 3> lengths{2, 4, 4};
    static constexpr std::array<std::int32_t, 3> sizes{9, 3, 6};
    SubBlockSpec spec;
    spec[SectorKind::Pointer] = {lengths, sizes};
    p = build(spec);
    // Primary entry 1 shares through sector 2, entry 2 through sector 3.
    const std::int32_t primary = SBCUR.pointer(SectorKind::Pointer, 1);
    CORSTO[primary + 1] = 2;
    CORSTO[primary + 10] = 3;
  }
  static DiskPointer pointer(std::int32_t type, std::int32_t total, std::int32_t id6,
                             std::int32_t address) {
    return DiskPointer{0, type, 0, total, total, 24, id6, address, 0};
  }
  std::int32_t p = 0;
};

TEST_F(DiskPointerEntries, SecondaryEntriesShareThePrimaryWords) {
  storage::SBPUTC(0, p, 1, 1, 1, pointer(3, 250, 7, 21000003));
  storage::SBPUTC(0, p, 1, 1, 2, pointer(3, 250, 8, 21000009));
  DiskPointer got{};
  storage::SBGETC(0, p, 1, 1, 1, got);
  EXPECT_EQ(got, pointer(3, 250, 7, 21000003));
  storage::SBGETC(0, p, 1, 1, 2, got);
  EXPECT_EQ(got, pointer(3, 250, 8, 21000009));

  EXPECT_THROW(storage::SBPUTC(0, p, 1, 1, 3, pointer(3, 260, 9, 21000020)),
               platform::RunStopped);
  EXPECT_EQ(abortMessage(), "DISK POINTER CONTENTS CONFLICT WITH CURRENT VALUES");
  EXPECT_EQ(services::ERITEM.items(1).trimmed(), "WORD 4");

  // An empty pointer writes only the secondary words, whatever the primary holds.
  storage::SBPUTC(0, p, 1, 1, 3, storage::emptyDiskPointer());
  storage::SBGETC(0, p, 1, 1, 3, got);
  EXPECT_EQ(got[7], services::NODISK);
  EXPECT_EQ(got[3], 250) << "primary words stay";

  // With 6-word secondary entries only the type and identity word 2 are shared.
  storage::SBPUTC(0, p, 1, 2, 1, pointer(4, 30, 0, 21000050));
  storage::SBPUTC(0, p, 1, 2, 4, pointer(4, 90, 0, 21000060));
  storage::SBGETC(0, p, 1, 2, 4, got);
  EXPECT_EQ(got, pointer(4, 90, 0, 21000060));
}

TEST_F(DiskPointerEntries, EntriesOutOfRangeAbort) {
  struct Case {
    std::int32_t s, n, n2;
    std::string message;
  };
  const std::vector<Case> cases = {
      {0, 1, 1, "DISK POINTER SECTOR NUMBER INVALID OR OUT OF RANGE"},
      {4, 1, 1, "DISK POINTER SECTOR NUMBER INVALID OR OUT OF RANGE"},
      {1, 0, 1, "DISK POINTER ENTRY NUMBERS INVALID OR OUT OF RANGE"},
      {1, 3, 1, "DISK POINTER ENTRY NUMBERS INVALID OR OUT OF RANGE"},
      {1, 1, 5, "DISK POINTER ENTRY NUMBERS INVALID OR OUT OF RANGE"},
      {2, 1, 1, "DISK POINTER SECTOR LENGTHS INVALID"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.s << " " << c.n << " " << c.n2);
    services::ERINIT();
    DiskPointer got{};
    EXPECT_THROW(storage::SBGETC(0, p, c.s, c.n, c.n2, got), platform::RunStopped);
    EXPECT_EQ(abortMessage(), c.message);
  }
}

TEST_F(DiskPointerEntries, PlainEntriesInACallersArray) {
  static constexpr std::array<std::int32_t, 1> sizes{9};
  SubBlockSpec spec;
  spec[SectorKind::Pointer] = {kThree, sizes};
  std::int32_t ierr = -1;
  storage::SBMLTF(0, ierr, spec);
  ASSERT_EQ(ierr, 0);
  std::vector<std::int32_t> array(static_cast<std::size_t>(SBCUR.header(3)) + 5);
  storage::SBHSTO(static_cast<std::int32_t>(array.size()), array);
  const DiskPointer written{0, 11, 2, 125, 100, 40, 6, 22000004, 0};
  storage::SBPUTA(0, array, 1, 3, 0, written);
  DiskPointer got{};
  storage::SBGETA(0, array, 1, 3, 0, got);
  EXPECT_EQ(got, written);
  storage::SBGETA(0, array, 1, 2, 0, got);
  EXPECT_EQ(got, storage::emptyDiskPointer());
}

}  // namespace
