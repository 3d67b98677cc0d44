#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <map>
#include <random>
#include <vector>

#include "core_store_checker.hpp"
#include "services/services.hpp"
#include "storage/core_store.hpp"
#include "support/test_support.hpp"

namespace {

using storage::CORSTO;

std::int32_t blockLength(std::int32_t integerIndex) {
  std::int32_t length = 0;
  storage::CMCHEK(integerIndex - 2, length);
  return length;
}

class CoreArrays : public ::testing::Test {
 protected:
  void SetUp() override {
    services::ERINIT();
    storage::CMINIT(0, 0, 0);
  }
  testing_support::StopThrows stop;
};

TEST_F(CoreArrays, IntegerArraysByOption) {
  struct Case {
    std::int32_t n;
    std::int32_t iopt;
    std::int32_t length;  // 0: nothing got
    std::int32_t fill;    // expected element value; kNoFill: whatever the words held
  };
  constexpr std::int32_t kNoFill = 7;
  const std::vector<Case> cases = {
      {1, 1, 10, 0},         {6, 1, 10, 0},         {7, 1, 12, 0},
      {5, 2, 10, services::IMISS}, {5, 102, 10, services::IMISS}, {5, 12, 10, services::IMISS},
      {5, 20, 10, kNoFill},  {5, 0, 10, kNoFill},   {0, 0, 0, 0},
      {-5, 1, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "n " << c.n << " iopt " << c.iopt);
    const std::int32_t r = storage::ICMGTI(c.n, c.iopt);
    if (c.length == 0) {
      EXPECT_EQ(r, 0);
      continue;
    }
    EXPECT_EQ(blockLength(r), c.length);
    if (c.fill != kNoFill) {
      for (std::int32_t i = 1; i <= c.n; ++i) EXPECT_EQ(CORSTO[r + i], c.fill) << i;
    }
    std::int32_t copy = r;
    storage::CMFREI(copy);
    EXPECT_EQ(copy, services::NOCORE);
  }
  EXPECT_EQ(storage_testing::checkCoreStore(), "");
}

TEST_F(CoreArrays, RealArraysShareTheBlockLayout) {
  const std::int32_t d = storage::ICMGTR(3, 2);
  EXPECT_EQ(blockLength(storage::IPDTOI(d)), 10);
  for (std::int32_t i = 1; i <= 3; ++i) EXPECT_EQ(CORSTO.real(d + i), services::DMISS);
  // Element 1 starts right after the two head tags, as for an integer array.
  EXPECT_EQ(2 * (d + 1) - 1, storage::IPDTOI(d) + 1);

  std::int32_t z = storage::ICMGTD(4, 1);
  for (std::int32_t i = 1; i <= 4; ++i) EXPECT_EQ(CORSTO.real(z + i), 0.0);
  EXPECT_EQ(blockLength(storage::IPDTOI(z)), 12);
  storage::CMFRED(z);
  EXPECT_EQ(z, services::NOCORE);
  std::int32_t copy = d;
  storage::CMFRER(copy);
  EXPECT_EQ(copy, services::NOCORE);
  EXPECT_EQ(storage_testing::checkCoreStore(), "");
}

TEST_F(CoreArrays, SecondFreeAbortsWithTheFreeAsUserCall) {
  std::int32_t r = storage::ICMGTI(4, 0);
  storage::CMFREI(r);
  EXPECT_THROW(storage::CMFREI(r), platform::RunStopped);
  EXPECT_EQ(services::MSGTXT.lines(1).trimmed(), "*** ABORT ***  BAD STARTING ADDRESS POINTER");
  EXPECT_NE(services::MSGTXT.lines(2).view().find("USER CALL CMFREI"), std::string_view::npos);
  std::int32_t d = services::NOCORE;
  EXPECT_THROW(storage::CMFRER(d), platform::RunStopped);
  EXPECT_NE(services::MSGTXT.lines(2).view().find("USER CALL CMFRER"), std::string_view::npos);
  EXPECT_EQ(storage_testing::checkCoreStore(), "") << "the refused free leaves a sound store";
}

// Freed small blocks wait beside the tree, still tagged as allocated, for the next get of
// their length; gets of other lengths come from the tree.
TEST_F(CoreArrays, FreedSmallBlocksServeTheNextGetsOfTheirLength) {
  const std::int32_t a = storage::ICMGTI(6, 0);   // 10 words
  const std::int32_t b = storage::ICMGTI(20, 0);  // 24 words
  const std::int32_t guard = storage::ICMGTI(6, 0);
  std::int32_t copy = a;
  storage::CMFREI(copy);
  copy = b;
  storage::CMFREI(copy);
  storage_testing::CoreStoreCensus census;
  EXPECT_EQ(storage_testing::checkCoreStore(&census), "");
  EXPECT_EQ(census.allocatedBlocks, 3);
  EXPECT_EQ(census.freeBlocks, 1);

  EXPECT_EQ(storage::ICMGTI(20, 1), b);
  EXPECT_EQ(CORSTO[b + 20], 0) << "the fill option holds for a listed block";
  EXPECT_EQ(storage::IPDTOI(storage::ICMGTR(3, 0)), a) << "6 words: the 10-word block";
  const std::int32_t other = storage::ICMGTI(7, 0);  // 12 words: none listed
  EXPECT_GT(other, guard);
  EXPECT_EQ(blockLength(other), 12);
  EXPECT_EQ(storage_testing::checkCoreStore(), "");
}

// A long block's free takes its listed neighbours back to the tree, so that free space still
// merges around small blocks that wait in the lists.
TEST_F(CoreArrays, LongFreeMergesWithListedNeighbours) {
  std::int32_t small1 = storage::ICMGTI(6, 0);
  std::int32_t big = storage::ICMGTI(500, 0);
  std::int32_t small2 = storage::ICMGTI(6, 0);
  const std::int32_t guard = storage::ICMGTI(6, 0);
  storage::CMFREI(small1);
  storage::CMFREI(small2);
  storage::CMFREI(big);
  storage_testing::CoreStoreCensus census;
  EXPECT_EQ(storage_testing::checkCoreStore(&census), "");
  EXPECT_EQ(census.allocatedBlocks, 1);
  EXPECT_EQ(census.freeBlocks, 2) << "the three blocks below the guard are one free block";
  EXPECT_EQ(census.freeWords, 250000 - 4 - blockLength(guard));
}

// A get that the tree cannot serve first gives the listed blocks back, so that they merge,
// before the store asks for a further area.
TEST_F(CoreArrays, ListedBlocksReturnBeforeTheStoreGrows) {
  storage::CMINIT(1000, 0, 0);
  std::vector<std::int32_t> blocks;
  for (int k = 0; k < 50; ++k) blocks.push_back(storage::ICMGTI(6, 0));
  for (std::int32_t& r : blocks) storage::CMFREI(r);
  const std::int32_t r = storage::ICMGTI(700, 0);
  EXPECT_EQ(storage::CMCTL.areaCount, 1);
  EXPECT_EQ(r, 4) << "the static area merged whole again";
  storage_testing::CoreStoreCensus census;
  EXPECT_EQ(storage_testing::checkCoreStore(&census), "");
  EXPECT_EQ(census.allocatedBlocks, 1);
}

// A listed block whose tags were overwritten after its free is refused at the next get.
TEST_F(CoreArrays, ListedBlockWithOverwrittenTagsIsRefused) {
  const std::int32_t r = storage::ICMGTI(6, 0);
  std::int32_t copy = r;
  storage::CMFREI(copy);
  CORSTO[r] = 12;  // H2 of the block of base r-2
  EXPECT_THROW(storage::ICMGTI(6, 0), platform::RunStopped);
  EXPECT_EQ(services::MSGTXT.lines(1).trimmed(), "*** ABORT ***  CORE STORE TAGS CORRUPTED");
  EXPECT_NE(services::MSGTXT.lines(2).view().find("USER CALL ICMGTI"), std::string_view::npos);
}

// A long random mix of typed gets and frees, most of them small enough for the lists: no
// block is ever handed out twice or overwritten, the store stays consistent, and once all
// is freed the lists go back to the tree whole, so that the static area merges into one
// block again for a get of nearly all of it.
TEST_F(CoreArrays, RandomTypedGetsAndFreesKeepTheStoreConsistent) {
  storage::CMINIT(20000, 6000, 500);
  std::mt19937 random(20261211);
  std::uniform_int_distribution<std::int32_t> small(1, 124);
  std::uniform_int_distribution<std::int32_t> longer(125, 3000);
  std::uniform_int_distribution<int> coin(0, 99);
  std::map<std::int32_t, std::int32_t> live;  // index -> value written into its elements
  std::map<std::int32_t, std::int32_t> sizes;
  const auto intact = [&](std::int32_t r) {
    for (std::int32_t i = 1; i <= sizes[r]; ++i) {
      if (CORSTO[r + i] != live[r]) return false;
    }
    return true;
  };
  for (int step = 1; step <= 20000; ++step) {
    const bool doGet = live.empty() || coin(random) < (live.size() < 150 ? 60 : 40);
    if (doGet) {
      const std::int32_t n = coin(random) < 10 ? longer(random) : small(random);
      const std::int32_t r = storage::ICMGTI(n, 0);
      ASSERT_EQ(live.count(r), 0u) << "step " << step << ": a live block handed out again";
      ASSERT_GE(blockLength(r), n + 4);
      for (std::int32_t i = 1; i <= n; ++i) CORSTO[r + i] = step;
      live[r] = step;
      sizes[r] = n;
    } else {
      auto it = live.begin();
      std::advance(it, std::uniform_int_distribution<std::size_t>(0, live.size() - 1)(random));
      std::int32_t r = it->first;
      ASSERT_TRUE(intact(r)) << "block " << r << " overwritten";
      storage::CMFREI(r);
      sizes.erase(it->first);
      live.erase(it);
    }
    if (step % 500 == 0) {
      ASSERT_EQ(storage_testing::checkCoreStore(), "") << "step " << step;
    }
  }
  for (auto& [index, value] : live) {
    ASSERT_TRUE(intact(index));
    std::int32_t r = index;
    storage::CMFREI(r);
  }
  const std::int32_t areas = storage::CMCTL.areaCount;
  EXPECT_GT(areas, 1) << "the mix reached further areas";
  EXPECT_EQ(storage::ICMGTI(20000 - 4 - 6, 0), 4);
  EXPECT_EQ(storage::CMCTL.areaCount, areas);
  storage_testing::CoreStoreCensus census;
  EXPECT_EQ(storage_testing::checkCoreStore(&census), "");
  EXPECT_EQ(census.allocatedBlocks, 1);
  EXPECT_EQ(census.freeBlocks, areas - 1) << "each further area is one free block again";
}

// The problem open's reset forgets the lists: the store it runs after is a new one.
TEST_F(CoreArrays, ProblemOpenForgetsTheLists) {
  const std::int32_t r = storage::ICMGTI(6, 0);
  std::int32_t copy = r;
  storage::CMFREI(copy);
  services::resetKeptValues();
  EXPECT_NE(storage::ICMGTI(6, 0), r);
}

TEST_F(CoreArrays, GetsWithoutStoreAbortOrReturnZeroBySoftOption) {
  platform::setCoreLimit(platform::coreCommitted());
  EXPECT_EQ(storage::ICMGTI(300000, 10), 0);
  EXPECT_EQ(storage::ICMGTR(300000, 12), 0);
  EXPECT_THROW(storage::ICMGTD(300000, 1), platform::RunStopped);
  EXPECT_NE(services::MSGTXT.lines(2).view().find("USER CALL ICMGTD"), std::string_view::npos);
  platform::setCoreLimit(0);
}

TEST(IndexConversions, BetweenTheViews) {
  struct Case {
    std::int32_t n;
    std::int32_t toReal;
  };
  for (const Case& c : {Case{7, 4}, Case{8, 4}, Case{1, 1}, Case{0, 0}, Case{-1, 0},
                        Case{-2, -1}, Case{-3, -1}, Case{2111111111, 1055555556}}) {
    SCOPED_TRACE(c.n);
    EXPECT_EQ(storage::IPITOD(c.n), c.toReal);
    EXPECT_EQ(storage::IPITD2(c.n), c.toReal);
    EXPECT_EQ(storage::IPITD3(c.n), c.toReal);
    EXPECT_EQ(storage::IPITOR(c.n), c.n);
    EXPECT_EQ(storage::IPITR2(c.n), c.n);
  }
  EXPECT_EQ(storage::IPDTOI(4), 8);
  EXPECT_EQ(storage::IPDTI2(4), 8);
  // A real array's index and its block's integer index map onto each other.
  storage::CMINIT(0, 0, 0);
  const std::int32_t d = storage::ICMGTR(5, 0);
  EXPECT_EQ(storage::IPITOD(storage::IPDTOI(d)), d);
  EXPECT_EQ(storage::IPDTOI(d) % 2, 0);
}

}  // namespace
