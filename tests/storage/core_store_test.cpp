#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "core_store_checker.hpp"
#include "platform/core_memory.hpp"
#include "services/services.hpp"
#include "storage/core_store.hpp"
#include "support/test_support.hpp"

namespace {

using storage::CMCTL;
using storage::CORSTO;
using storage_testing::checkCoreStore;
using storage_testing::CoreStoreCensus;

std::int32_t get(std::int32_t n, std::int32_t soft = 0) {
  std::int32_t p = 0;
  storage::CMGET(n, soft, p);
  return p;
}

std::int32_t lengthOf(std::int32_t p) { return CORSTO[p + storage::block::kH2]; }

class CoreStore : public ::testing::Test {
 protected:
  void SetUp() override { services::ERINIT(); }
  void TearDown() override { platform::setCoreLimit(0); }
  testing_support::StopThrows stop;
};

TEST_F(CoreStore, StartsAsOneFreeStaticBlock) {
  storage::CMINIT(0, 0, 0);
  EXPECT_EQ(CORSTO.size, 250000);
  EXPECT_EQ(CMCTL.areaCount, 1);
  EXPECT_EQ(CMCTL.newAreaWords, 200000);
  EXPECT_EQ(CMCTL.extraWords, 15000);
  EXPECT_EQ(CORSTO[storage::kTreeHead + 6], 2);
  CoreStoreCensus census;
  EXPECT_EQ(checkCoreStore(&census), "");
  EXPECT_EQ(census.freeWords, 250000 - 4);

  storage::CMINIT(101, 5000, 300);
  EXPECT_EQ(CORSTO.size, 102) << "rounded up to even";
  EXPECT_EQ(CMCTL.newAreaWords, 5000);
  EXPECT_EQ(CMCTL.areaLastUsable(1), 100);
}

TEST_F(CoreStore, StaticSizeAboveTheArrayAborts) {
  EXPECT_THROW(storage::CMINIT(250002, 0, 0), platform::RunStopped);
  EXPECT_EQ(services::MSGTXT.lines(1).trimmed(),
            "*** ABORT ***  INSUFFICIENT STORAGE AVAILABLE FOR INITIALIZATION");
  EXPECT_EQ(services::ERITEM.items(1).trimmed(), "REQUEST 250002");
  EXPECT_EQ(services::ERITEM.items(2).trimmed(), "AVAIL 250000");
}

TEST_F(CoreStore, RequestsRoundUpToEvenAndAtLeastTenWords) {
  storage::CMINIT(0, 0, 0);
  for (const auto& [request, length] :
       std::vector<std::pair<int, int>>{{1, 10}, {10, 10}, {11, 12}, {12, 12}, {-4, 10}}) {
    const std::int32_t p = get(request);
    EXPECT_EQ(lengthOf(p), length) << request;
    std::int32_t checked = 0;
    storage::CMCHEK(p, checked);
    EXPECT_EQ(checked, length);
  }
  EXPECT_EQ(checkCoreStore(), "");
}

TEST_F(CoreStore, RestOfMoreThanTenWordsIsSplitOff) {
  struct Case {
    std::int32_t freeLength;
    std::int32_t request;
    std::int32_t allocated;
    std::int32_t restFree;
  };
  for (const Case& c : {Case{20, 10, 20, 0}, Case{22, 10, 10, 12}, Case{30, 20, 30, 0},
                        Case{32, 20, 20, 12}}) {
    SCOPED_TRACE(c.freeLength);
    storage::CMINIT(c.freeLength + 4, 0, 0);
    const std::int32_t p = get(c.request);
    EXPECT_EQ(p, 2);
    EXPECT_EQ(lengthOf(p), c.allocated);
    CoreStoreCensus census;
    EXPECT_EQ(checkCoreStore(&census), "");
    EXPECT_EQ(census.freeWords, c.restFree);
    EXPECT_EQ(CMCTL.areaCount, 1);
  }
}

// Free blocks of lengths 30, 16, 40 and 20 enter an empty tree in that order, each between
// allocated blocks so that none merges.
std::map<int, std::int32_t> freeTreeExample() {
  storage::CMINIT(140, 0, 0);
  std::map<int, std::int32_t> base;
  base[30] = get(30);
  get(10);
  base[16] = get(16);
  get(10);
  base[40] = get(40);
  get(10);
  base[20] = get(20);
  for (const int length : {30, 16, 40, 20}) storage::CMFREE(base[length]);
  return base;
}

TEST_F(CoreStore, SearchTakesTheFirstFitAlongTheWalk) {
  auto base = freeTreeExample();
  // Root 30 with 16 on its smaller side (20 on 16's larger side) and 40 on its larger side.
  const std::int32_t root = CORSTO[storage::kTreeHead + 6];
  EXPECT_EQ(root, base[30]);
  EXPECT_EQ(CORSTO[root + 5], base[16]);
  EXPECT_EQ(CORSTO[root + 6], base[40]);
  EXPECT_EQ(CORSTO[base[16] + 6], base[20]);
  EXPECT_EQ(checkCoreStore(), "");

  struct Case {
    std::int32_t request;
    int taken;
  };
  for (const Case& c : {Case{18, 30}, Case{14, 16}, Case{36, 40}, Case{20, 30}}) {
    SCOPED_TRACE(c.request);
    base = freeTreeExample();
    EXPECT_EQ(get(c.request), base[c.taken]);
    EXPECT_EQ(checkCoreStore(), "");
  }
}

TEST_F(CoreStore, FreeMergesWithBothNeighbours) {
  storage::CMINIT(0, 0, 0);
  const std::int32_t a = get(20);
  const std::int32_t b = get(30);
  const std::int32_t c = get(40);
  const std::int32_t guard = get(10);
  storage::CMFREE(a);
  storage::CMFREE(c);
  CoreStoreCensus census;
  ASSERT_EQ(checkCoreStore(&census), "");
  EXPECT_EQ(census.freeBlocks, 3);
  storage::CMFREE(b);
  ASSERT_EQ(checkCoreStore(&census), "");
  EXPECT_EQ(census.freeBlocks, 2) << "a, b and c are one block beside the rest of the area";
  EXPECT_EQ(get(90), a) << "the merged block is taken whole";
  storage::CMFREE(guard);
  storage::CMFREE(a);
  ASSERT_EQ(checkCoreStore(&census), "");
  EXPECT_EQ(census.freeBlocks, 1);
  EXPECT_EQ(census.freeWords, 250000 - 4);
}

TEST_F(CoreStore, FreeingWhatIsNotAnAllocatedBlockAborts) {
  storage::CMINIT(0, 0, 0);
  const std::int32_t p = get(20);
  get(20);
  storage::CMFREE(p);
  EXPECT_THROW(storage::CMFREE(p), platform::RunStopped);
  EXPECT_EQ(services::MSGTXT.lines(1).trimmed(),
            "*** ABORT ***  BAD STARTING ADDRESS POINTER");
  EXPECT_EQ(services::ERITEM.items(1).trimmed(), "POINTER " + std::to_string(p));
  EXPECT_EQ(services::ERITEM.items(2).trimmed(), "H1 (0) " + std::to_string(p));
  EXPECT_EQ(services::ERITEM.items(3).trimmed(), "H2 (LEN) 20");

  services::ERINIT();
  EXPECT_THROW(storage::CMFREE(services::NOCORE - 2), platform::RunStopped);
  for (std::size_t item = 2; item <= 5; ++item) {
    EXPECT_NE(services::ERITEM.items(item).view().find("MISSING"), std::string_view::npos)
        << item;
  }
  EXPECT_EQ(services::MSGTXT.lines(2).view().substr(15, 42),
            "SUBSYSTEM CM         FAILED IN CMCHEK     ");
  EXPECT_EQ(checkCoreStore(), "") << "a refused free changes nothing";
}

TEST_F(CoreStore, FurtherAreasForRequestsThatDoNotFit) {
  storage::CMINIT(1000, 2000, 300);
  const std::int32_t small = get(900);
  EXPECT_EQ(CMCTL.areaCount, 1);
  const std::int32_t p = get(500);
  EXPECT_EQ(CMCTL.areaCount, 2);
  EXPECT_EQ(CMCTL.areaSize(2), 2000);
  EXPECT_GT(p, storage::kTreeHead) << "further areas lie above the static area";
  const std::int32_t big = get(5000);
  EXPECT_EQ(CMCTL.areaCount, 3);
  EXPECT_EQ(CMCTL.areaSize(3), 5300) << "extra size plus the request";
  // Every word of every area can be written and read through its index.
  for (std::int32_t k = big + 3; k <= big + 5000 - 2; ++k) CORSTO[k] = k;
  EXPECT_EQ(CORSTO[big + 4000], big + 4000);
  EXPECT_EQ(checkCoreStore(), "");
  storage::CMFREE(big);
  storage::CMFREE(p);
  storage::CMFREE(small);
  EXPECT_EQ(checkCoreStore(), "");

  // A new run forgets the further areas and gives their memory back.
  const std::size_t committed = platform::coreCommitted();
  storage::CMINIT(0, 0, 0);
  EXPECT_EQ(CMCTL.areaCount, 1);
  EXPECT_LT(platform::coreCommitted(), committed);
  EXPECT_EQ(checkCoreStore(), "");
}

TEST_F(CoreStore, SoftFailureLeavesTheStoreUnchanged) {
  storage::CMINIT(1000, 2000, 300);
  get(900);
  platform::setCoreLimit(platform::coreCommitted());
  EXPECT_EQ(get(1500, 1), 0);
  EXPECT_EQ(CMCTL.areaCount, 1);
  CoreStoreCensus census;
  EXPECT_EQ(checkCoreStore(&census), "");
  EXPECT_EQ(census.allocatedBlocks, 1);
  EXPECT_THROW(get(1500, 0), platform::RunStopped);
  EXPECT_EQ(services::MSGTXT.lines(1).trimmed(),
            "*** ABORT ***  INSUFFICIENT STORAGE AVAILABLE FOR GET");
  EXPECT_EQ(services::ERITEM.items(1).trimmed(), "REQUEST 1500");
  platform::setCoreLimit(0);

  // At most 100 areas: the static one and 99 further.
  storage::CMINIT(100, 100, 10);
  for (int i = 0; i < 100; ++i) ASSERT_NE(get(60), 0) << i;
  EXPECT_EQ(CMCTL.areaCount, 100);
  EXPECT_EQ(get(60, 1), 0);
  EXPECT_EQ(CMCTL.areaCount, 100);
  EXPECT_EQ(checkCoreStore(), "");
}

TEST_F(CoreStore, ViewsShareTheWords) {
  storage::CMINIT(0, 0, 0);
  const std::int32_t d = storage::IPITOD(get(20) + 2);
  CORSTO.setReal(d + 1, 1.0);
  EXPECT_EQ(CORSTO[2 * (d + 1) - 1], 0);
  EXPECT_EQ(CORSTO[2 * (d + 1)], 0x3FF00000);
  CORSTO.setSingle(2 * (d + 2), -2.5f);
  EXPECT_EQ(CORSTO[2 * (d + 2)], static_cast<std::int32_t>(0xC0200000u));
  EXPECT_EQ(CORSTO.single(2 * (d + 2)), -2.5f);
  EXPECT_EQ(CORSTO.real(d + 1), 1.0);
  EXPECT_THROW(CORSTO[0], platform::RunStopped);
  EXPECT_THROW(CORSTO.words(-5, 3), platform::RunStopped);
  EXPECT_THROW(CORSTO.real(services::NOCORE), platform::RunStopped);
  EXPECT_EQ(services::MSGTXT.lines(1).trimmed(), "*** ABORT ***  CORE INDEX OUT OF RANGE");
}

// A real view shares the words of the reals it was made for, is checked against the
// committed words once when it is made, and never reaches past its own extent, not even
// into words the store has committed.
TEST_F(CoreStore, RealViewsStayInsideTheirReals) {
  storage::CMINIT(0, 0, 0);
  const std::int32_t d = storage::ICMGTR(6, 1);
  const storage::RealView view = CORSTO.reals(d + 1, 4);
  ASSERT_EQ(view.size(), 4u);
  view.set(0, 1.0);
  EXPECT_EQ(CORSTO[2 * (d + 1) - 1], 0);
  EXPECT_EQ(CORSTO[2 * (d + 1)], 0x3FF00000);
  CORSTO.setReal(d + 4, -3.5);
  EXPECT_EQ(view[3], -3.5);
  const std::vector<double> values = {2.0, 4.0, 8.0};
  view.assign(values);
  std::vector<double> back(4);
  view.copyTo(back);
  EXPECT_EQ(back, (std::vector<double>{2.0, 4.0, 8.0, -3.5}));
  EXPECT_TRUE(view.holdsExactly(values));
  EXPECT_FALSE(view.holdsExactly(std::vector<double>{2.0, 4.0, -8.0}));
  EXPECT_FALSE(view.holdsExactly(std::vector<double>(5, 0.0)));
  // Element 4 is W(d + 5), a committed word of the same block: still outside the view.
  EXPECT_THROW(view[4], platform::RunStopped);
  EXPECT_THROW(view.set(4, 0.0), platform::RunStopped);
  EXPECT_THROW(view.assign(std::vector<double>(5, 0.0)), platform::RunStopped);
  std::vector<double> tooLong(5);
  EXPECT_THROW(view.copyTo(tooLong), platform::RunStopped);
  EXPECT_EQ(CORSTO.real(d + 5), 0.0);
  // Made outside the committed words, or with a negative count.
  const auto committed = static_cast<std::int32_t>(platform::coreCommitted());
  EXPECT_THROW(CORSTO.reals(committed / 2, 2), platform::RunStopped);
  EXPECT_THROW(CORSTO.reals(0, 1), platform::RunStopped);
  EXPECT_THROW(CORSTO.reals(d + 1, -1), platform::RunStopped);
  EXPECT_EQ(CORSTO.reals(d + 1, 0).size(), 0u);
  EXPECT_EQ(services::MSGTXT.lines(1).trimmed(), "*** ABORT ***  CORE INDEX OUT OF RANGE");
}

// Seeded random gets and frees of mixed sizes, with further areas, keep every invariant and
// never hand out overlapping blocks.
TEST_F(CoreStore, RandomGetsAndFreesKeepTheStoreConsistent) {
  storage::CMINIT(20000, 6000, 500);
  std::mt19937 random(20261210);
  std::uniform_int_distribution<int> size(1, 400);
  std::uniform_int_distribution<int> large(5000, 9000);
  std::uniform_int_distribution<int> coin(0, 99);
  std::map<std::int32_t, std::int32_t> live;  // base -> tag value written into its words

  const auto fill = [](std::int32_t base, std::int32_t value) {
    const std::int32_t length = lengthOf(base);
    for (std::int32_t k = base + 3; k <= base + length - 2; ++k) CORSTO[k] = value;
  };
  const auto intact = [](std::int32_t base, std::int32_t value) {
    const std::int32_t length = lengthOf(base);
    for (std::int32_t k = base + 3; k <= base + length - 2; ++k) {
      if (CORSTO[k] != value) return false;
    }
    return true;
  };

  for (int step = 1; step <= 10000; ++step) {
    const bool doGet = live.empty() || coin(random) < (live.size() < 200 ? 60 : 40);
    if (doGet) {
      const int n = coin(random) == 0 ? large(random) : size(random);
      const std::int32_t p = get(n, 1);
      ASSERT_NE(p, 0) << "step " << step;
      ASSERT_GE(lengthOf(p), n);
      ASSERT_EQ(live.count(p), 0u);
      fill(p, step);
      live[p] = step;
    } else {
      auto it = live.begin();
      std::advance(it, std::uniform_int_distribution<std::size_t>(0, live.size() - 1)(random));
      ASSERT_TRUE(intact(it->first, it->second)) << "block " << it->first << " overwritten";
      storage::CMFREE(it->first);
      live.erase(it);
    }
    if (step % 250 == 0) {
      ASSERT_EQ(checkCoreStore(), "") << "step " << step;
    }
  }
  EXPECT_GT(CMCTL.areaCount, 2) << "the mix reached further areas";
  for (const auto& [base, value] : live) {
    ASSERT_TRUE(intact(base, value));
    storage::CMFREE(base);
  }
  CoreStoreCensus census;
  ASSERT_EQ(checkCoreStore(&census), "");
  EXPECT_EQ(census.allocatedBlocks, 0);
  EXPECT_EQ(census.freeBlocks, CMCTL.areaCount) << "each area is one free block again";
}

}  // namespace
