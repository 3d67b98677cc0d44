#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "file_layer_support.hpp"
#include "fixtures/file_groups.hpp"
#include "storage/storage.hpp"

namespace {

using file_tests::abortOf;
using file_tests::FileLayerTest;
using services::NOCORE;
using services::NODISK;
using storage::CORSTO;
using storage::DiskPointer;
using storage::dp;
using storage::SBCUR;
using storage::SectorKind;
using storage::SubBlockSpec;
namespace dpword = storage::dpword;

class SubBlockIo : public FileLayerTest {
 protected:
  void SetUp() override {
    storage::CMINIT(0, 0, 0);
    storage::SBINIT();
    plan = group(21, {125, 250, 125});
    fixtures::createFileGroup(plan);
    attachOutput();
  }

  void attachOutput() {
    sequence = file_tests::attach(21, plan.baseName).sequence;
    storage::FISTA2(sequence, 2);
  }

  // A flat integer block holding `values`, built in a new core area.
  std::int32_t flatIntegers(const std::vector<std::int32_t>& values) {
    std::int32_t len = 0;
    std::int32_t p = NOCORE;
    std::int32_t ierr = 0;
    storage::SBSGLC(len, p, 0, ierr, 0, 0, 0, static_cast<std::int32_t>(values.size()), 0, 0, 0);
    storage::SBIDC(len, p, static_cast<std::int32_t>(storage::BlockType::FlatInteger), 0, 0);
    const std::int32_t data = SBCUR.pointer(SectorKind::Integer, 1);
    for (std::size_t i = 0; i < values.size(); ++i) {
      CORSTO[data + static_cast<std::int32_t>(i) + 1] = values[i];
    }
    return p;
  }

  std::int32_t write(std::int32_t p, DiskPointer& pointer) {
    std::int32_t status = -1;
    storage::SBWTC(0, p, pointer, status);
    return status;
  }

  fixtures::FileGroupPlan plan;
  std::int32_t sequence = 0;
};

// Little-endian bytes of 32-bit words, built without the host's byte order.
std::vector<unsigned char> littleEndian(const std::vector<std::int32_t>& words) {
  std::vector<unsigned char> bytes;
  for (const std::int32_t word : words) {
    const auto bits = static_cast<std::uint32_t>(word);
    for (int shift = 0; shift < 32; shift += 8) {
      bytes.push_back(static_cast<unsigned char>((bits >> shift) & 0xFFu));
    }
  }
  return bytes;
}

TEST_F(SubBlockIo, WrittenBlockIsPinnedByteForByte) {
  const std::int32_t p = flatIntegers({1, 2, 3, 4, -5});
  DiskPointer pointer = storage::emptyDiskPointer();
  EXPECT_EQ(write(p, pointer), 1);
  const std::int32_t address = dp(pointer, dpword::kAddress);
  EXPECT_EQ(pointer, (DiskPointer{0, 4, 0, 30, 30, 24, 0, address, 0}))
      << "type 4, 30 words, header 24";
  const std::int32_t file = storage::fileCodeOf(address) % 10;
  const std::int32_t record = storage::recordOf(address);
  ASSERT_EQ(storage::fileCodeOf(address) / 10, 21);
  const std::int32_t recordWords = plan.files[static_cast<std::size_t>(file - 1)].recordSize;

  constexpr std::int32_t N = NOCORE;
  const std::vector<std::int32_t> image = {4, 0, 30, 30, 24, 0,           // words 1-6
                                           0, 0, 0, 0, 1, 0, 0, 0,        // sizing, counts
                                           N, N, N, N, 22, N, N, N,       // offsets
                                           5, 24,                         // integer table
                                           1, 2, 3, 4, -5, 0};            // data, padding
  const auto words =
      fixtures::readRecordWords(fixtures::groupFileName(plan, file), recordWords, record, 30);
  EXPECT_EQ(littleEndian(words), littleEndian(image));
  const std::string raw = testing_support::readFile(fixtures::groupFileName(plan, file))
                              .substr(static_cast<std::size_t>(record - 1) * 4 * recordWords, 120);
  EXPECT_EQ(std::vector<unsigned char>(raw.begin(), raw.end()), littleEndian(image));
}

TEST_F(SubBlockIo, ReadBackIntoCoreAndIntoAnArray) {
  const std::int32_t p = flatIntegers({10, 20, 30});
  DiskPointer pointer = storage::emptyDiskPointer();
  write(p, pointer);
  storage::SBINIT();

  std::int32_t len = 0;
  std::int32_t q = NOCORE;
  std::int32_t status = -1;
  storage::SBRDC(len, q, pointer, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(len, 28);
  EXPECT_EQ(CORSTO[SBCUR.pointer(SectorKind::Integer, 1) + 3], 30);
  EXPECT_EQ(SBCUR.header(1), 4);

  std::vector<std::int32_t> array(40, -1);
  storage::SBRDA(40, array, pointer, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(SBCUR.pointer(SectorKind::Integer, 1), 24);
  EXPECT_EQ(array[24], 10);
  EXPECT_EQ(array[28], -1) << "words past the block are untouched";

  // Through an empty pointer nothing is read and SBCUR stays.
  std::int32_t untouched = NOCORE;
  storage::SBRDC(len, untouched, storage::emptyDiskPointer(), status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(untouched, NOCORE);
  EXPECT_EQ(SBCUR.pointer(SectorKind::Integer, 1), 24);
}

TEST_F(SubBlockIo, RewritesInPlaceUnlessTheShapeChanges) {
  const std::int32_t p = flatIntegers({1, 2, 3, 4, 5});
  DiskPointer pointer = storage::emptyDiskPointer();
  write(p, pointer);
  const std::int32_t address = dp(pointer, dpword::kAddress);

  CORSTO[SBCUR.pointer(SectorKind::Integer, 1) + 1] = 99;
  EXPECT_EQ(write(p, pointer), 0) << "same lengths, same identity: unchanged";
  EXPECT_EQ(dp(pointer, dpword::kAddress), address);
  storage::SBIDC(0, p, 0, 7, 0);
  EXPECT_EQ(write(p, pointer), 1) << "identity word 2 changed";
  EXPECT_EQ(dp(pointer, dpword::kAddress), address);
  EXPECT_EQ(dp(pointer, dpword::kId2), 7);

  // A larger block moves; the old record returns to the free space and is used again.
  const std::int32_t bigger = flatIntegers(std::vector<std::int32_t>(200, 8));
  EXPECT_EQ(write(bigger, pointer), 1);
  EXPECT_NE(dp(pointer, dpword::kAddress), address);
  EXPECT_EQ(dp(pointer, dpword::kTotalLength), 224);
  DiskPointer other = storage::emptyDiskPointer();
  write(flatIntegers({1}), other);
  EXPECT_EQ(dp(other, dpword::kAddress), address);

  std::vector<std::int32_t> array(300);
  std::int32_t status = -1;
  storage::SBRDA(300, array, pointer, status);
  EXPECT_EQ(array[24 + 199], 8);
}

TEST_F(SubBlockIo, BlocksSurviveDetachAndANewRun) {
  const std::int32_t p = flatIntegers({4, 5, 6});
  DiskPointer pointer = storage::emptyDiskPointer();
  write(p, pointer);
  storage::FIDTCH(sequence, storage::kCloseKeep);

  storage::FIINIT();
  storage::CMINIT(0, 0, 0);
  storage::SBINIT();
  attachOutput();
  std::int32_t len = 0;
  std::int32_t q = NOCORE;
  std::int32_t status = -1;
  storage::SBRDC(len, q, pointer, status);
  EXPECT_EQ(CORSTO[SBCUR.pointer(SectorKind::Integer, 1) + 2], 5);
}

TEST_F(SubBlockIo, DiskPointerCheck) {
  struct Case {
    DiskPointer pointer;
    std::int32_t status;  // -1: aborts
    std::vector<std::string> items;
  };
  const std::vector<Case> cases = {
      {storage::emptyDiskPointer(), 1, {}},
      {{0, 0, 0, 50, 0, 0, 0, 21000007, 0}, 0, {}},
      {{0, 0, 0, 0, 0, 0, 0, 21000007, 0}, -1, {"POINTER 21000007", "TOT LEN 0"}},
      {{0, 4, 0, 40, 0, 24, 0, 21000007, 0},
       -1,
       {"POINTER 21000007", "TOT LEN 40", "PRT LEN 0", "HDR LEN 24"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.items.size());
    std::int32_t status = -9;
    if (c.status >= 0) {
      storage::SBCHKP(c.pointer, status);
      EXPECT_EQ(status, c.status);
    } else {
      file_tests::expectAbort([&] { storage::SBCHKP(c.pointer, status); },
                              "DISK BLOCK LENGTHS INVALID", c.items);
    }
  }
}

TEST_F(SubBlockIo, AreasThatAreTooSmallAbort) {
  const std::int32_t p = flatIntegers(std::vector<std::int32_t>(16, 1));
  DiskPointer pointer = storage::emptyDiskPointer();
  write(p, pointer);
  ASSERT_EQ(dp(pointer, dpword::kTotalLength), 40);
  std::int32_t len = 30;
  std::int32_t area = storage::ICMGTI(30, 0);
  std::int32_t status = 0;
  file_tests::expectAbort([&] { storage::SBRDC(len, area, pointer, status); },
                          "NOT ENOUGH SPACE AVAILABLE IN EXISTING CORE AREA",
                          {"REQUIRE 40", "AVAIL 30"});
  std::vector<std::int32_t> array(39);
  file_tests::expectAbort([&] { storage::SBRDA(39, array, pointer, status); },
                          "NOT ENOUGH SPACE AVAILABLE IN USER ARRAY", {"REQUIRE 40", "AVAIL 39"});
}

TEST_F(SubBlockIo, LocatesSectorsByPartialReads) {
  static constexpr std::array<std::int32_t, 2> pointerLengths{3, 0};
  static constexpr std::array<std::int32_t, 2> pointerSizes{9, 9};
  static constexpr std::array<std::int32_t, 1> reals{-1};
  static constexpr std::array<std::int32_t, 1> sizing{6};
  SubBlockSpec spec;
  spec[SectorKind::Pointer] = {pointerLengths, pointerSizes};
  spec[SectorKind::Double] = {reals, {}};
  spec.sizing = sizing;
  std::int32_t len = 0;
  std::int32_t p = NOCORE;
  std::int32_t ierr = 0;
  storage::SBMLTC(len, p, 0, ierr, spec);
  const std::int32_t doubleOffset = SBCUR.offsets(7)(1);
  DiskPointer pointer = storage::emptyDiskPointer();
  write(p, pointer);

  struct Case {
    std::int32_t kind, num, status, nwords;
  };
  for (const Case& c : {Case{1, 1, 0, 27}, Case{1, 2, 2, 0}, Case{7, 1, 0, 12}, Case{4, 1, 2, 0},
                        Case{1, 3, 2, 0}, Case{0, 1, 2, 0}}) {
    SCOPED_TRACE(::testing::Message() << c.kind << "/" << c.num);
    std::int32_t status = -1;
    std::int32_t nwords = 0;
    std::int32_t offset = 0;
    storage::SBDLOC(len, dp(pointer, dpword::kAddress), c.kind, c.num, status, nwords, offset);
    EXPECT_EQ(status, c.status);
    if (c.status == 0) {
      EXPECT_EQ(nwords, c.nwords);
      if (c.kind == 7) {
        EXPECT_EQ(offset, doubleOffset);
      }
    }
  }
  std::int32_t status = -1;
  std::int32_t nwords = 0;
  std::int32_t offset = 0;
  storage::SBDLOC(len, NODISK, 1, 1, status, nwords, offset);
  EXPECT_EQ(status, 1);
}

// A sector table that places a sector outside its block, or a block length that claims more
// than the file holds, ends the locate in an abort report: callers size their work by the
// words it returns.
TEST_F(SubBlockIo, LocatingRefusesSectorsTheBlockDoesNotHold) {
  std::int32_t len = 0;
  std::int32_t p = NOCORE;
  std::int32_t ierr = 0;
  storage::SBSGLC(len, p, 0, ierr, 0, 0, 0, 5, 0, 0, 2);  // 5 integers, 2 doubles
  DiskPointer pointer = storage::emptyDiskPointer();
  write(p, pointer);
  const std::int32_t address = dp(pointer, dpword::kAddress);
  const std::string file = fixtures::groupFileName(plan, storage::fileCodeOf(address) % 10);
  const auto first = static_cast<std::size_t>(storage::recordOf(address) - 1) * 125;
  const std::vector<std::int32_t> stored = fixtures::readFileWords(file, first, 30);
  // The sector tables of kinds 4 and 7: lengths, then offsets.
  const std::int32_t integers = stored[storage::sbhead::kFirstTableOffset + 3 - 1];
  const std::int32_t doubles = stored[storage::sbhead::kFirstTableOffset + 6 - 1];
  struct Case {
    std::string what;
    std::int32_t kind;
    std::int32_t word;  // of the block, from 1
    std::int32_t value;
    std::int32_t tot;   // the block length the caller gives
    std::string message;
    std::string firstItem;
  };
  const std::string header = "SUB-BLOCK HEADER INVALID";
  const std::string read = "FORTRAN ERROR READING FILE";
  const auto item = [](std::int32_t word) { return "WORD " + std::to_string(word); };
  const std::vector<Case> cases = {
      {"a sector longer than the block", 4, integers + 1, 1000000, len, header,
       item(integers + 1)},
      {"a sector of more words than 32 bits count", 7, doubles + 1, 1700000000, len, header,
       item(doubles + 1)},
      {"a sector placed before the block", 4, integers + 2, -5, len, header, item(integers + 2)},
      {"a sector sized by a sizing value the block lacks", 4, integers + 1, INT32_MIN, len, header,
       item(storage::sbhead::kSizingOffset)},
      {"a block longer than its file", 4, integers + 1, 5000000, 10000000, read, "ERR NUM -1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fixtures::writeFileWords(file, first + static_cast<std::size_t>(c.word - 1), {c.value});
    std::int32_t status = -1;
    std::int32_t nwords = 0;
    std::int32_t offset = 0;
    const file_tests::Abort abort = abortOf(
        [&] { storage::SBDLOC(c.tot, address, c.kind, 1, status, nwords, offset); });
    ASSERT_TRUE(abort.stopped);
    EXPECT_EQ(abort.message.substr(0, c.message.size()), c.message);
    ASSERT_FALSE(abort.items.empty());
    EXPECT_EQ(abort.items.front(), c.firstItem);
    fixtures::writeFileWords(file, first, stored);
  }
  std::int32_t status = -1;
  std::int32_t nwords = 0;
  std::int32_t offset = 0;
  storage::SBDLOC(len, address, 7, 1, status, nwords, offset);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(nwords, 4) << "the block as written: two doubles";
}

// A pointer that names a place holding another block: two records of a database swapped on
// disk, so that the component table's pointer read a component record of another shape and
// the problem reported no components at all. The block read must be the one the pointer
// was written for; a raw pointer, which carries no header words, still reads what is there.
TEST_F(SubBlockIo, ABlockThatIsNotThePointersOwnIsRefused) {
  DiskPointer small = storage::emptyDiskPointer();
  write(flatIntegers({1, 2, 3}), small);
  DiskPointer large = storage::emptyDiskPointer();
  write(flatIntegers(std::vector<std::int32_t>(40, 7)), large);
  const std::int32_t renamed = flatIntegers({4, 5, 6});
  storage::SBIDC(0, renamed, static_cast<std::int32_t>(storage::BlockType::FlatSingle), 0, 0);
  DiskPointer single = storage::emptyDiskPointer();
  write(renamed, single);
  const std::int32_t withId = flatIntegers({4, 5, 6});
  storage::SBIDC(0, withId, static_cast<std::int32_t>(storage::BlockType::FlatInteger), 9, 0);
  DiskPointer identified = storage::emptyDiskPointer();
  write(withId, identified);

  const auto at = [](DiskPointer pointer, const DiskPointer& place) {
    dp(pointer, dpword::kAddress) = dp(place, dpword::kAddress);
    return pointer;
  };
  const auto address = [](const DiskPointer& pointer) {
    return "POINTER " + std::to_string(dp(pointer, dpword::kAddress));
  };
  // Total lengths: 28 words for three integers (as read back above), 24 + 40 for forty.
  struct Case {
    const char* what;
    DiskPointer pointer;
    std::vector<std::string> items;
  };
  const std::vector<Case> cases = {
      {"a larger block", at(small, large),
       {address(large), "WORD 3", "BLOCK 64", "EXPECTED 28"}},
      {"a smaller block", at(large, small),
       {address(small), "WORD 3", "BLOCK 28", "EXPECTED 64"}},
      {"a block of another type", at(small, single),
       {address(single), "WORD 1", "BLOCK 6", "EXPECTED 4"}},
      {"a block of the same shape and another identity", at(identified, small),
       {address(small), "WORD 2", "BLOCK 0", "EXPECTED 9"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::int32_t> array(100);
    std::int32_t status = 0;
    file_tests::expectAbort([&] { storage::SBRDA(100, array, c.pointer, status); },
                            "DISK BLOCK DOES NOT MATCH ITS POINTER", c.items);
    std::int32_t len = 0;
    std::int32_t q = NOCORE;
    file_tests::expectAbort([&] { storage::SBRDC(len, q, c.pointer, status); },
                            "DISK BLOCK DOES NOT MATCH ITS POINTER", c.items);
  }

  // The pointers as written read their own blocks; a raw pointer reads what it names, and a
  // pointer without a block type (a master block's, built from its file header with a
  // header length of 1) carries only its total length.
  std::vector<std::int32_t> array(100);
  std::int32_t status = -1;
  storage::SBRDA(100, array, large, status);
  EXPECT_EQ(status, 0);
  DiskPointer raw{};
  dp(raw, dpword::kTotalLength) = dp(small, dpword::kTotalLength);
  dp(raw, dpword::kAddress) = dp(small, dpword::kAddress);
  storage::SBRDA(100, array, raw, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(array[24 + 2], 3);
  DiskPointer lengthsOnly = raw;
  dp(lengthsOnly, dpword::kUsedLength) = dp(raw, dpword::kTotalLength);
  dp(lengthsOnly, dpword::kHeaderLength) = 1;
  storage::SBRDA(100, array, lengthsOnly, status);
  EXPECT_EQ(status, 0);
  dp(lengthsOnly, dpword::kTotalLength) = dp(large, dpword::kTotalLength);
  file_tests::expectAbort([&] { storage::SBRDA(100, array, lengthsOnly, status); },
                          "DISK BLOCK DOES NOT MATCH ITS POINTER",
                          {address(small), "WORD 3", "BLOCK 28", "EXPECTED 64"});
}

// Bytes flipped in a written block: reading it back ends in an abort report, never a crash.
// A flipped header word that the pointer also carries (words 1 to 6) is caught as a block
// that is not the pointer's own; the others by the header check.
TEST_F(SubBlockIo, CorruptedBlocksOnDiskAbortCleanly) {
  const std::int32_t p = flatIntegers({1, 2, 3, 4, 5});
  DiskPointer pointer = storage::emptyDiskPointer();
  write(p, pointer);
  const std::int32_t address = dp(pointer, dpword::kAddress);
  const std::int32_t k = storage::fileCodeOf(address) % 10;
  const std::string file = fixtures::groupFileName(plan, k);
  const auto recordWords =
      static_cast<std::size_t>(plan.files[static_cast<std::size_t>(k - 1)].recordSize);
  const std::size_t first = static_cast<std::size_t>(storage::recordOf(address) - 1) * recordWords;
  for (const std::size_t word : {2u, 4u, 7u, 10u, 18u, 22u, 23u}) {
    SCOPED_TRACE(word);
    const auto original = fixtures::readFileWords(file, first + word, 1);
    fixtures::writeFileWords(file, first + word, {original[0] ^ 0x40000000});
    std::vector<std::int32_t> array(30);
    std::int32_t status = 0;
    const auto abort = abortOf([&] { storage::SBRDA(30, array, pointer, status); });
    EXPECT_TRUE(abort.stopped);
    EXPECT_EQ(abort.message, word < 6 ? "DISK BLOCK DOES NOT MATCH ITS POINTER"
                                      : "SUB-BLOCK HEADER INVALID");
    fixtures::writeFileWords(file, first + word, original);
  }
}

}  // namespace
