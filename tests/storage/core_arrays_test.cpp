#include <gtest/gtest.h>

#include <cstdint>
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
