#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "block_test_support.hpp"

namespace {

using block_tests::BlockTest;
using file_tests::expectAbort;
using services::NODISK;
using storage::DiskPointer;
using storage::dp;
namespace dpword = storage::dpword;

class FlatBlocks : public BlockTest {};

TEST_F(FlatBlocks, IntegerBlockRoundTripAndSizes) {
  std::vector<std::int32_t> values{5, 4, 3, 2, 1};
  DiskPointer pointer = storage::emptyDiskPointer();
  std::int32_t status = 0;
  storage::FBFINT(2, pointer, 5, values, status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(dp(pointer, dpword::kBlockType), 4);
  EXPECT_EQ(dp(pointer, dpword::kTotalLength), 30);
  EXPECT_NE(dp(pointer, dpword::kAddress), NODISK);

  std::vector<std::int32_t> back(10, -1);
  storage::FBFINT(1, pointer, 10, back, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(back, (std::vector<std::int32_t>{5, 4, 3, 2, 1, -1, -1, -1, -1, -1}));
  std::vector<std::int32_t> small(4);
  expectAbort([&] { storage::FBFINT(1, pointer, 4, small, status); },
              "INTEGER SIZES DO NOT MATCH", {"FIL SIZ 5", "ARR SIZ 4"});

  DiskPointer wrong = pointer;
  dp(wrong, dpword::kBlockType) = 6;
  expectAbort([&] { storage::FBFINT(1, wrong, 10, back, status); },
              "BLOCK IS NOT A FLAT INTEGER BLOCK", {"BLK TYP 6"});
  // Every table reader relies on this: an empty pointer is not a block of the type either.
  DiskPointer empty = storage::emptyDiskPointer();
  expectAbort([&] { storage::FBFINT(1, empty, 10, back, status); },
              "BLOCK IS NOT A FLAT INTEGER BLOCK", {"BLK TYP 0"});
}

TEST_F(FlatBlocks, CharacterAndSingleBlocks) {
  std::string text = "TEN CHARS!";
  DiskPointer pointer = storage::emptyDiskPointer();
  std::int32_t status = 0;
  storage::FBFCHR(2, pointer, 10, text, status);
  EXPECT_EQ(dp(pointer, dpword::kTotalLength), 28) << "3 words of text";
  std::string twelve(12, '#');
  storage::FBFCHR(1, pointer, 12, twelve, status);
  EXPECT_EQ(twelve, "TEN CHARS!  ");
  std::string eleven(11, '#');
  expectAbort([&] { storage::FBFCHR(1, pointer, 11, eleven, status); },
              "CHARACTER SIZES DO NOT MATCH", {"FIL SIZ 12", "ARR SIZ 11"});

  std::vector<float> singles{1.5f, -2.25f, 3.0e10f};
  DiskPointer flat = storage::emptyDiskPointer();
  storage::FBFSGL(2, flat, 3, singles, status);
  EXPECT_EQ(dp(flat, dpword::kBlockType), 6);
  std::vector<float> back(3);
  storage::FBFSGL(1, flat, 3, back, status);
  EXPECT_EQ(back, singles);
  std::vector<float> two(2);
  expectAbort([&] { storage::FBFSGL(1, flat, 2, two, status); },
              "SINGLE PRECISION SIZES DO NOT MATCH", {"FIL SIZ 3", "ARR SIZ 2"});
}

TEST_F(FlatBlocks, ShortcutRecords) {
  std::vector<std::int32_t> ints(250);
  for (std::size_t i = 0; i < ints.size(); ++i) ints[i] = static_cast<std::int32_t>(i);
  std::vector<double> reals{1.0 / 3.0, -2.5e-300};
  std::vector<DiskPointer> pointers{storage::emptyDiskPointer(),
                                    DiskPointer{0, 4, 0, 30, 30, 24, 0, 21000009, 0}};
  std::string text = "A TITLE";
  DiskPointer record = storage::emptyDiskPointer();
  std::int32_t status = 0;
  storage::FBSHRT(2, record, 250, ints, 2, reals, 2, pointers, 7, text, status);
  EXPECT_EQ(dp(record, dpword::kBlockType), 3);

  std::vector<std::int32_t> intsBack(300, -1);
  std::vector<double> realsBack(2);
  std::vector<DiskPointer> pointersBack(2);
  std::string textBack(8, '#');
  storage::FBSHRT(1, record, 300, intsBack, 2, realsBack, 2, pointersBack, 8, textBack, status);
  EXPECT_EQ(std::vector<std::int32_t>(intsBack.begin(), intsBack.begin() + 250), ints);
  EXPECT_EQ(intsBack[250], -1);
  EXPECT_EQ(realsBack, reals);
  EXPECT_EQ(pointersBack, pointers);
  EXPECT_EQ(textBack, "A TITLE ");

  std::vector<double> oneReal(1);
  expectAbort(
      [&] {
        storage::FBSHRT(1, record, 300, intsBack, 1, oneReal, 2, pointersBack, 8, textBack,
                        status);
      },
      "REAL SIZES DO NOT MATCH", {"FIL SIZ 2", "ARR SIZ 1"});

  // The lengths of typical blocks: 250 integers alone, and an empty record's four sectors.
  DiskPointer table = storage::emptyDiskPointer();
  storage::FBSHRT(2, table, 250, ints, 0, {}, 0, {}, 0, {}, status);
  EXPECT_EQ(dp(table, dpword::kTotalLength), 286);
  DiskPointer empty = storage::emptyDiskPointer();
  storage::FBSHRT(2, empty, 0, {}, 0, {}, 0, {}, 0, {}, status);
  EXPECT_EQ(dp(empty, dpword::kHeaderLength), 31) << "four sector tables";
  storage::FBSHRT(1, empty, 0, {}, 0, {}, 0, {}, 0, {}, status);
  EXPECT_EQ(status, 0);
}

}  // namespace
