// The stream record layouts: the sectors of every record type from its sizing sources, the
// sector starts published for the engine, the start values of an empty record, and a record
// read back whose sectors are not those of its type.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/file_layer_support.hpp"
#include "storage/storage.hpp"
#include "stream_test_support.hpp"

namespace {

namespace m = problem::srmain;
using problem::SRLAYO;
using problem::SRLAYT;
using problem::SRRECL;
using services::DMISS;
using services::IMISS;
using services::NOCORE;
using storage::CORSTO;
using storage::SBCUR;
using storage::SectorKind;

constexpr std::int32_t kDescribe = 1;
constexpr std::int32_t kBuild = 2;
constexpr std::int32_t kPublish = 0;

// A list of sector lengths written as runs: {{count, length}, ...}.
std::vector<std::int32_t> runs(std::initializer_list<std::pair<int, int>> parts) {
  std::vector<std::int32_t> lengths;
  for (const auto& [count, length] : parts) lengths.insert(lengths.end(), count, length);
  return lengths;
}

struct Shape {
  std::int32_t type;
  std::vector<std::int32_t> pointers, integers, reals, doubles;
};

class StreamLayout : public stream_tests::StreamCase {
 protected:
  void SetUp() override {
    StreamCase::SetUp();
    feed = create("FEED");
    // Sizing sources with distinct values: NCSTRM 3, NCAUX 2, the first extra sector of type
    // 4 only; stream-table words 3 and 4 are 2 and 4, words 5 to 14 are 1 to 10; W(k) = k + 1,
    // V(k) = k, X(k) = k, Y(k) = k + 1.
    problem::COHDR(problem::cohdr::kAuxiliaryCount) = 2;
    problem::COHDR(problem::cohdr::kMolarSolids) = 1;
    problem::SrTable& sr = problem::SLOTC2.sr;
    sr.srtabi(3) = 2;
    sr.srtabi(4) = 4;
    for (std::size_t k = 5; k <= 14; ++k) sr.srtabi(k) = static_cast<std::int32_t>(k) - 4;
    for (std::size_t k = 1; k <= 18; ++k) SRLAYT.recordSizing(k) = static_cast<std::int32_t>(k) + 1;
    for (std::size_t k = 1; k <= 6; ++k) SRLAYT.type9Sizing(k) = static_cast<std::int32_t>(k);
    for (std::size_t k = 1; k <= 3; ++k) {
      SRLAYT.type10Sizing(k) = static_cast<std::int32_t>(k);
      SRLAYT.type15.sizing(k) = static_cast<std::int32_t>(k) + 1;
    }
  }

  // Describes and builds a record of TYPE in new core; returns its pointer.
  std::int32_t build(std::int32_t type) {
    std::int32_t len = 0;
    std::int32_t ptr = NOCORE;
    SRLAYO(kDescribe, type, len, ptr);
    described = len;
    ptr = NOCORE;
    std::int32_t room = 0;
    SRLAYO(kBuild, type, room, ptr);
    return ptr;
  }

  std::vector<std::int32_t> lengths(SectorKind kind) const {
    std::vector<std::int32_t> out;
    for (std::int32_t s = 1; s <= SBCUR.count(kind); ++s) out.push_back(SBCUR.length(kind, s));
    return out;
  }

  std::int32_t feed = 0;
  std::int32_t described = 0;
};

// The sectors of every record type, derived by hand from the type table with the sizing
// sources of the fixture.
TEST_F(StreamLayout, EveryTypeHasTheSectorsOfItsTable) {
  const std::vector<Shape> shapes = {
      {0, {31}, {46}, {95, 3, 3, 3, 3}, {}},
      {1,
       {},
       {},
       runs({{1, 1}, {16, 2}, {8, 3}, {8, 5}, {8, 6}, {8, 7}, {8, 8}, {8, 9}, {2, 4}, {4, 10}}),
       {}},
      {2, {}, {}, {5, 2, 2, 3, 3, 4}, {}},
      {3, {}, {3}, {7, 3, 3, 3, 3, 3, 7, 3, 3, 3, 3, 3, 9}, {}},
      {4, {}, {}, {26, 26, 26, 26, 0}, {}},
      {5, {}, {2, 4}, {11, 3, 11, 3, 11, 3, 11, 3}, {}},
      {6, {}, {4, 4, 4, 4}, {40, 40, 40, 40}, {}},
      {7, {}, {4, 4, 4, 4, 4}, {40, 40, 40, 40, 40}, {}},
      {8, {}, {70, 2, 3, 3, 8}, {41, 2, 3, 3}, {}},
      {9, {5, 6}, {35, 5, 5, 6, 6, 4, 15, 18, 15, 18}, {16, 1, 1, 2, 2, 3, 3, 4}, {}},
      {10, {89, 60}, {6, 2}, runs({{1, 5}, {7, 1}, {5, 2}, {1, 3}}), {}},
      {11, {}, {89}, {89}, {}},
      {12, {}, {60}, {60}, {}},
      {13, {}, {10, 30}, {20, 30, 30, 30}, {}},
      {14, {}, {7}, runs({{1, 20}, {5, 3}, {2, 9}, {11, 3}, {2, 9}}), {}},
      {15, {4}, {4, 4, 4, 3, 2, 12, 12}, {3, 3, 3, 3, 3, 3, 2, 3, 3}, {}},
      {16, {}, {3}, {2, 3, 3, 9, 3, 15, 15, 15, 15}, {}},
      {17, {}, {}, {303, 303, 303, 303}, {}},
      {18, {}, {10, 2}, {}, {}},
      {19, {}, {30, 2, 5, 5, 2, 2, 2, 2, 2}, {20, 2, 2, 3, 3, 4, 4, 2, 2, 2}, {}},
      {20, {}, {30, 2, 5, 5, 2, 2, 2, 2, 2}, {20, 2, 2, 3, 3, 4, 4, 2, 2, 2}, {}},
      {22, {}, {2, 6}, {}, {3}},
      {23, {}, {2, 6}, {}, {3}},
      {24, {}, runs({{1, 103}, {85, 2}}), {}, runs({{85, 11}})},
      {25, {}, {2, 6}, {}, {3}},
      {26, {}, {2, 6}, {}, {3}},
      {27, {}, runs({{1, 103}, {85, 2}}), {}, runs({{85, 11}})},
      {28, {}, {4, 4}, {40, 40}, {}},
      {29, {}, {1}, {72}, {}},
      {30, {}, {}, {127}, {}},
      {31, {}, {89}, {89}, {}},
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE("type " + std::to_string(shape.type));
    std::int32_t ptr = build(shape.type);
    EXPECT_EQ(lengths(SectorKind::Pointer), shape.pointers);
    EXPECT_EQ(lengths(SectorKind::Integer), shape.integers);
    EXPECT_EQ(lengths(SectorKind::Real), shape.reals);
    EXPECT_EQ(lengths(SectorKind::Double), shape.doubles);
    for (const SectorKind kind : {SectorKind::Vat, SectorKind::System, SectorKind::Single}) {
      EXPECT_EQ(SBCUR.count(kind), 0);
    }
    for (std::int32_t s = 1; s <= SBCUR.count(SectorKind::Pointer); ++s) {
      EXPECT_EQ(SBCUR.entrySizes(1)(static_cast<std::size_t>(s)), 9);
    }
    // The described length is the built record's, even.
    EXPECT_EQ(described, CORSTO[ptr + storage::sbhead::kTotalLength]);
    EXPECT_EQ(described % 2, 0);
    storage::CMFREI(ptr);
  }
}

// Sector starts worked out by hand for three types: the header (22 fixed words, the sizing
// values, two table words per integer or real sector and three per disk-pointer sector), then
// the sectors in kind order, 8-byte sectors on an even word.
TEST_F(StreamLayout, SectorStartsFollowTheHeaderAndTheSectorSizes) {
  struct Starts {
    std::int32_t type;
    std::int32_t total;
    std::vector<std::int32_t> pointers, integers, reals;  // word offsets from the record
  };
  const std::vector<Starts> cases = {
      // 22 + 1 + 3 + 2 + 10 = 38; 31 disk pointers of 9 words; 46 integers; reals on 364.
      {0, 578, {38}, {317}, {364, 554, 560, 566, 572}},
      // 22 + 8 + 8 = 38; four integer sectors of 4; reals from 54, 80 words each.
      {6, 374, {}, {38, 42, 46, 50}, {54, 134, 214, 294}},
      // 22 + 1 + 2 + 2 = 27; one integer; reals from 28.
      {29, 172, {}, {27}, {28}},
  };
  for (const Starts& c : cases) {
    SCOPED_TRACE("type " + std::to_string(c.type));
    std::int32_t ptr = build(c.type);
    ASSERT_EQ(ptr % 2, 0);
    EXPECT_EQ(CORSTO[ptr + storage::sbhead::kTotalLength], c.total);
    for (std::size_t s = 1; s <= c.pointers.size(); ++s) {
      EXPECT_EQ(SBCUR.pointer(SectorKind::Pointer, static_cast<std::int32_t>(s)) - ptr,
                c.pointers[s - 1]);
    }
    for (std::size_t s = 1; s <= c.integers.size(); ++s) {
      EXPECT_EQ(SBCUR.pointer(SectorKind::Integer, static_cast<std::int32_t>(s)) - ptr,
                c.integers[s - 1]);
    }
    for (std::size_t s = 1; s <= c.reals.size(); ++s) {
      EXPECT_EQ(2 * SBCUR.pointer(SectorKind::Real, static_cast<std::int32_t>(s)) - ptr,
                c.reals[s - 1]);
    }
    storage::CMFREI(ptr);
  }
}

// The published words: each type's group of SRLAYT holds its sectors' starts in the order
// the engine reads them, and its SRRECL position the record's pointer.
TEST_F(StreamLayout, PublishedWordsNameTheSectorsInTheirOrder) {
  using K = SectorKind;
  const auto at = [](K kind, std::int32_t s) { return SBCUR.pointer(kind, s); };
  const auto starts = [&](K kind, std::initializer_list<std::int32_t> sectors) {
    std::vector<std::int32_t> out;
    for (const std::int32_t s : sectors) out.push_back(at(kind, s));
    return out;
  };
  const auto words = [](const auto& oneBased) {
    return std::vector<std::int32_t>(oneBased.values.begin(), oneBased.values.end());
  };

  build(1);
  std::vector<std::int32_t> all71;
  for (std::int32_t s = 1; s <= 71; ++s) all71.push_back(at(K::Real, s));
  EXPECT_EQ(words(SRLAYT.type1Reals), all71);

  build(2);
  const std::int32_t r1 = at(K::Real, 1);
  EXPECT_EQ(words(SRLAYT.type2.scalars),
            (std::vector<std::int32_t>{r1 + 1, r1 + 2, r1 + 3, r1 + 4, r1 + 5}));
  EXPECT_EQ(words(SRLAYT.type2.vectors), starts(K::Real, {2, 3, 4, 5, 6}));

  std::int32_t p = build(3);
  EXPECT_EQ(SRLAYT.type3.rowLength, 5 * 3 + 7);
  EXPECT_EQ(SRLAYT.type3.integers, at(K::Integer, 1));
  for (std::int32_t k = 1; k <= 6; ++k) {
    SCOPED_TRACE(k);
    // Row 1 of sector k is sector k, row 2 sector k + 6.
    EXPECT_EQ(SRLAYT.type3.rows(static_cast<std::size_t>(k)) + 22, at(K::Real, k));
    EXPECT_EQ(SRLAYT.type3.rows(static_cast<std::size_t>(k)) + 44, at(K::Real, k + 6));
  }
  EXPECT_EQ(SRLAYT.type3.last, at(K::Real, 13));
  EXPECT_EQ(SRRECL.words(4), p);

  p = build(4);
  EXPECT_EQ(words(SRLAYT.type4Reals), starts(K::Real, {1, 2, 3, 4, 5}));
  EXPECT_EQ(SRRECL.words(5), p);

  build(5);
  EXPECT_EQ(words(SRLAYT.type5.integers), starts(K::Integer, {1, 2}));
  EXPECT_EQ(words(SRLAYT.type5.blocks), starts(K::Real, {1, 3, 5, 7}));
  EXPECT_EQ(words(SRLAYT.type5.vectors), starts(K::Real, {2, 4, 6, 8}));

  p = build(6);
  EXPECT_EQ(words(SRLAYT.type6Reals), starts(K::Real, {1, 2, 3, 4}));
  EXPECT_EQ(SRRECL.words(12), p);
  p = build(7);
  EXPECT_EQ(words(SRLAYT.type7Reals), starts(K::Real, {1, 2, 3, 4, 5}));
  EXPECT_EQ(SRRECL.words(13), p);

  build(8);
  EXPECT_EQ(words(SRLAYT.type8.integers), starts(K::Integer, {1, 2, 3, 4}));
  EXPECT_EQ(words(SRLAYT.type8.reals), starts(K::Real, {1, 2, 3, 4}));
  EXPECT_EQ(SRLAYT.type8.integer5, at(K::Integer, 5));

  build(9);
  EXPECT_EQ(words(SRLAYT.type9.pointers), starts(K::Pointer, {1, 2}));
  EXPECT_EQ(words(SRLAYT.type9.integers), starts(K::Integer, {1, 2, 3, 4, 5, 7, 9, 8, 10}));
  EXPECT_EQ(words(SRLAYT.type9.reals), starts(K::Real, {1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(SRLAYT.type9.integer6, at(K::Integer, 6));
  EXPECT_EQ(SRLAYT.type9.real8, at(K::Real, 8));

  build(10);
  EXPECT_EQ(words(SRLAYT.type10.pointers), starts(K::Pointer, {1, 2}));
  EXPECT_EQ(words(SRLAYT.type10.integers), starts(K::Integer, {1, 2}));
  EXPECT_EQ(words(SRLAYT.type10.reals),
            starts(K::Real, {1, 2, 3, 4, 5, 6, 8, 7, 9, 10, 11, 12, 13, 14}));

  build(13);
  EXPECT_EQ(words(SRLAYT.type13.integers), starts(K::Integer, {1, 2}));
  EXPECT_EQ(words(SRLAYT.type13.reals), starts(K::Real, {1, 2, 3, 4}));

  build(14);
  EXPECT_EQ(SRLAYT.type14.integer, at(K::Integer, 1));
  std::vector<std::int32_t> all21;
  for (std::int32_t s = 1; s <= 21; ++s) all21.push_back(at(K::Real, s));
  EXPECT_EQ(words(SRLAYT.type14.reals), all21);

  build(15);
  EXPECT_EQ(SRLAYT.type15.pointers, at(K::Pointer, 1));
  EXPECT_EQ(words(SRLAYT.type15.integers), starts(K::Integer, {1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(words(SRLAYT.type15.reals), starts(K::Real, {1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(words(SRLAYT.type15.sizing), (std::vector<std::int32_t>{2, 3, 4}));

  build(16);
  EXPECT_EQ(SRLAYT.type16.integer, at(K::Integer, 1));
  EXPECT_EQ(words(SRLAYT.type16.reals), starts(K::Real, {1, 2, 3, 4, 5, 6, 7, 8, 9}));

  build(17);
  EXPECT_EQ(words(SRLAYT.type17Reals), starts(K::Real, {1, 2, 3, 4}));

  // Types 11 and 31 share their words: the one laid out last owns them.
  const std::int32_t p11 = build(11);
  const std::int32_t p12 = build(12);
  EXPECT_EQ(SRLAYT.special.real12, at(K::Real, 1));
  EXPECT_EQ(SRLAYT.special.integer12, at(K::Integer, 1));
  const std::int32_t p31 = build(31);
  EXPECT_EQ(SRLAYT.special.real11or31, at(K::Real, 1));
  EXPECT_EQ(SRLAYT.special.integer11or31, at(K::Integer, 1));
  EXPECT_EQ(SRRECL.words(14), p11);
  EXPECT_EQ(SRRECL.words(18), p12);
  EXPECT_EQ(SRRECL.words(19), p31);

  p = build(28);
  EXPECT_EQ(words(SRLAYT.type28Reals), starts(K::Real, {1, 2}));
  EXPECT_EQ(SRRECL.words(17), p);
  p = build(29);
  EXPECT_EQ(SRLAYT.type29Real, at(K::Real, 1));
  EXPECT_EQ(SRRECL.words(15), p);
  p = build(30);
  EXPECT_EQ(SRLAYT.type30Real, at(K::Real, 1));
  EXPECT_EQ(SRRECL.words(16), p);

  // Types 18 to 27 publish their record pointer only.
  const std::vector<std::pair<std::int32_t, std::size_t>> pointerOnly = {
      {18, 1}, {19, 2}, {20, 3}, {22, 6}, {23, 7}, {24, 8}, {25, 9}, {26, 10}, {27, 11}};
  for (const auto& [type, position] : pointerOnly) {
    SCOPED_TRACE(type);
    EXPECT_EQ(SRRECL.words(position), build(type));
  }
}

// The start values an empty record of each type gets.
TEST_F(StreamLayout, EmptyRecordsHoldTheirStartValues) {
  const auto integer = [](std::int32_t s, std::int32_t i) {
    return CORSTO[SBCUR.pointer(SectorKind::Integer, s) + i];
  };
  const auto real = [](std::int32_t s, std::int32_t i) {
    return CORSTO.real(SBCUR.pointer(SectorKind::Real, s) + i);
  };
  const auto dbl = [](std::int32_t s, std::int32_t i) {
    return CORSTO.real(SBCUR.pointer(SectorKind::Double, s) + i);
  };
  const std::int32_t blanks = storage::packWord(std::array<char, 4>{' ', ' ', ' ', ' '});

  {
    SCOPED_TRACE("type 2: all of sectors 1 to 6 but their last element");
    build(2);
    EXPECT_EQ(real(1, 1), DMISS);
    EXPECT_EQ(real(5, 3), DMISS);
    EXPECT_EQ(real(6, 3), DMISS);
    EXPECT_EQ(real(6, 4), 0.0);
  }
  {
    SCOPED_TRACE("type 3: the first row");
    build(3);
    EXPECT_EQ(real(1, 7), DMISS);
    EXPECT_EQ(real(6, 3), DMISS);
    EXPECT_EQ(real(7, 1), 0.0);
    EXPECT_EQ(real(13, 9), 0.0);
  }
  {
    SCOPED_TRACE("type 4: all reals; bit 0 of the working stream's I(11) kept");
    working().integer(m::kFlagBits) = 0b1011;
    build(4);
    EXPECT_EQ(real(4, 26), DMISS);
    EXPECT_EQ(working().integer(m::kFlagBits), 1);
  }
  {
    SCOPED_TRACE("type 5");
    build(5);
    EXPECT_EQ(integer(1, 1), 0);
    EXPECT_EQ(integer(2, 1), 4);
    EXPECT_EQ(integer(2, 4), 1);
    EXPECT_EQ(real(1, 1), 0.0);
  }
  {
    SCOPED_TRACE("type 8: code word, blank texts, missing word and its own sizing values");
    build(8);
    EXPECT_EQ(integer(1, 9), 110330000);
    for (const std::int32_t i : {13, 22, 26, 28, 50, 55}) EXPECT_EQ(integer(1, i), blanks) << i;
    EXPECT_EQ(integer(1, 12), 0);
    EXPECT_EQ(integer(1, 23), 0);
    EXPECT_EQ(integer(1, 42), IMISS);
    EXPECT_EQ(integer(1, 43), 2);
    EXPECT_EQ(integer(1, 44), 3);
    EXPECT_EQ(integer(1, 45), 3);
    EXPECT_EQ(integer(5, 8), 0);
    EXPECT_EQ(real(1, 41), DMISS);
    EXPECT_EQ(real(4, 3), DMISS);
  }
  {
    SCOPED_TRACE("type 9");
    build(9);
    EXPECT_EQ(integer(1, 1), IMISS);
    EXPECT_EQ(integer(1, 12), 0);
    EXPECT_EQ(integer(1, 17), 0);
    EXPECT_EQ(integer(1, 18), IMISS);
    EXPECT_EQ(integer(1, 26), 0);
    EXPECT_EQ(integer(6, 4), IMISS);
    EXPECT_EQ(integer(7, 1), 0);
    EXPECT_EQ(real(8, 4), DMISS);
  }
  {
    SCOPED_TRACE("type 13");
    build(13);
    EXPECT_EQ(integer(1, 10), IMISS);
    EXPECT_EQ(integer(2, 1), 0);
    EXPECT_EQ(real(1, 20), DMISS);
    EXPECT_EQ(real(2, 1), 0.0);
  }
  {
    SCOPED_TRACE("type 15");
    build(15);
    EXPECT_EQ(integer(1, 1), 0);
    EXPECT_EQ(integer(4, 3), IMISS);
    EXPECT_EQ(integer(5, 1), 0);
    EXPECT_EQ(real(9, 1), DMISS);
  }
  {
    SCOPED_TRACE("type 18");
    build(18);
    EXPECT_EQ(integer(1, 2), 2);
    EXPECT_EQ(integer(1, 1), 0);
  }
  for (const std::int32_t type : {19, 20}) {
    SCOPED_TRACE("type " + std::to_string(type));
    build(type);
    EXPECT_EQ(integer(1, 1), IMISS);
    EXPECT_EQ(integer(1, 19), 2);
    EXPECT_EQ(integer(1, 22), 2);
    EXPECT_EQ(integer(1, 10), type == 19 ? 0 : IMISS);
    EXPECT_EQ(integer(1, 26), type == 19 ? 0 : IMISS);
    EXPECT_EQ(integer(9, 2), IMISS);
    EXPECT_EQ(real(10, 2), DMISS);
  }
  for (const std::int32_t type : {22, 24}) {
    SCOPED_TRACE("type " + std::to_string(type));
    build(type);
    EXPECT_EQ(integer(1, 1), 0);
    EXPECT_EQ(dbl(1, 3), DMISS);
  }
  {
    SCOPED_TRACE("type 29");
    build(29);
    EXPECT_EQ(integer(1, 1), 0);
    EXPECT_EQ(real(1, 72), DMISS);
  }
  for (const std::int32_t type : {1, 10, 11, 12, 14, 16, 17, 31}) {
    SCOPED_TRACE("type " + std::to_string(type) + ": nothing set");
    build(type);
    for (std::int32_t s = 1; s <= SBCUR.count(SectorKind::Integer); ++s) {
      for (std::int32_t i = 1; i <= SBCUR.length(SectorKind::Integer, s); ++i) {
        ASSERT_EQ(integer(s, i), 0) << "integer sector " << s;
      }
    }
    for (std::int32_t s = 1; s <= SBCUR.count(SectorKind::Real); ++s) {
      for (std::int32_t i = 1; i <= SBCUR.length(SectorKind::Real, s); ++i) {
        ASSERT_EQ(real(s, i), 0.0) << "real sector " << s;
      }
    }
  }
}

// Sizing sources at their edges: no components, no extra sectors of type 4, no auxiliary
// components (sized as one, stored as 0).
TEST_F(StreamLayout, EdgesOfTheSizingSources) {
  problem::COHDR(problem::cohdr::kMolarSolids) = 0;
  problem::COHDR(problem::cohdr::kAuxiliaryCount) = 0;
  build(4);
  EXPECT_EQ(lengths(SectorKind::Real), (std::vector<std::int32_t>{26, 26, 26, 0, 0}));
  build(19);
  EXPECT_EQ(SBCUR.length(SectorKind::Integer, 2), 1);  // max(1, NCAUX)
  EXPECT_EQ(SBCUR.length(SectorKind::Integer, 3), 5);  // W4
  EXPECT_EQ(CORSTO[SBCUR.pointer(SectorKind::Integer, 1) + 19], 0);

  problem::COHDR(problem::cohdr::kStreamComponents) = 0;
  build(3);
  EXPECT_EQ(SRLAYT.type3.rowLength, 7);
  EXPECT_EQ(lengths(SectorKind::Integer), (std::vector<std::int32_t>{0}));
}

// Types without a layout, and modes that only publish.
TEST_F(StreamLayout, TypesWithoutLayoutDoNothingAndOtherModesPublish) {
  build(13);
  const problem::StreamLayoutWords before = SRLAYT;
  for (const std::int32_t type : {21, -1, 32}) {
    for (const std::int32_t mode : {kDescribe, kBuild, kPublish}) {
      std::int32_t len = 77;
      std::int32_t ptr = 4242;
      SRLAYO(mode, type, len, ptr);
      EXPECT_EQ(len, 77);
      EXPECT_EQ(ptr, 4242);
    }
  }
  EXPECT_EQ(std::memcmp(&before, &SRLAYT, sizeof before), 0);

  // Mode 7 publishes the record just read, as mode 0 does.
  std::int32_t p = build(30);
  SRLAYT.type30Real = 0;
  SRRECL.words(16) = 0;
  std::int32_t len = CORSTO[p + storage::sbhead::kTotalLength];
  storage::SBSETC(len, p);
  SRLAYO(7, 30, len, p);
  EXPECT_EQ(SRLAYT.type30Real, SBCUR.pointer(SectorKind::Real, 1));
  EXPECT_EQ(SRRECL.words(16), p);
}

// A record read back that has other sectors than its type is refused before its starts are
// published: the engine would address words past it.
TEST_F(StreamLayout, RecordOfAnotherShapeIsRefused) {
  std::int32_t p = build(12);  // one integer and one real sector of 60
  std::int32_t len = CORSTO[p + storage::sbhead::kTotalLength];
  file_tests::expectAbort([&] { SRLAYO(kPublish, 13, len, p); },
                          "STREAM RECORD DOES NOT MATCH ITS LAYOUT",
                          {"TYPE 13", "KIND 4", "SECTOR 0", "LENGTH 1", "LAYOUT 2"});
  storage::SBSETC(len, p);
  file_tests::expectAbort([&] { SRLAYO(kPublish, 11, len, p); },
                          "STREAM RECORD DOES NOT MATCH ITS LAYOUT",
                          {"TYPE 11", "KIND 4", "SECTOR 1", "LENGTH 60", "LAYOUT 89"});
}

}  // namespace
