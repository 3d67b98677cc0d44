#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "services/services.hpp"

namespace {

std::vector<std::int32_t> sorted(std::int32_t opt, const std::vector<double>& keys) {
  std::vector<std::int32_t> idx(keys.size(), -7);
  services::SORTIX(opt, static_cast<std::int32_t>(keys.size()), keys, idx);
  return idx;
}

TEST(SORTIX, FourOrders) {
  const std::vector<double> keys = {-3.0, 1.0, 2.0};
  EXPECT_EQ(sorted(1, keys), (std::vector<std::int32_t>{1, 2, 3}));
  EXPECT_EQ(sorted(2, keys), (std::vector<std::int32_t>{2, 3, 1}));
  EXPECT_EQ(sorted(-1, keys), (std::vector<std::int32_t>{3, 2, 1}));
  EXPECT_EQ(sorted(-2, keys), (std::vector<std::int32_t>{1, 3, 2}));
  EXPECT_EQ(sorted(0, keys), (std::vector<std::int32_t>{-7, -7, -7}));
  EXPECT_EQ(sorted(3, keys), (std::vector<std::int32_t>{-7, -7, -7}));
  EXPECT_EQ(sorted(1, {5.0}), (std::vector<std::int32_t>{1}));
}

// Every length across the gap boundaries, random keys with ties, all four orders: the
// result is a permutation that orders the keys, and the keys are not touched.
TEST(SORTIX, OrdersAnyLength) {
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> value(-20, 20);
  for (const int n : {2, 3, 18, 19, 20, 21, 39, 40, 41, 120, 121, 122, 364, 365, 1500}) {
    std::vector<double> keys(static_cast<std::size_t>(n));
    for (double& k : keys) k = value(random) * 0.5;
    const std::vector<double> original = keys;
    for (const std::int32_t opt : {1, 2, -1, -2}) {
      SCOPED_TRACE(::testing::Message() << "n " << n << " opt " << opt);
      const auto idx = sorted(opt, keys);
      EXPECT_EQ(keys, original);
      auto check = idx;
      std::sort(check.begin(), check.end());
      for (int i = 0; i < n; ++i) ASSERT_EQ(check[static_cast<std::size_t>(i)], i + 1);
      const auto key = [&](std::int32_t i) {
        const double v = keys[static_cast<std::size_t>(i - 1)];
        return (opt == 2 || opt == -2) ? std::fabs(v) : v;
      };
      for (int i = 1; i < n; ++i) {
        const double a = key(idx[static_cast<std::size_t>(i - 1)]);
        const double b = key(idx[static_cast<std::size_t>(i)]);
        if (opt > 0) {
          ASSERT_LE(a, b);
        } else {
          ASSERT_GE(a, b);
        }
      }
    }
  }
}

TEST(SORTIX, SingleInsertionPassKeepsEqualKeysInOrder) {
  // Below twenty keys there is one pass with gap 1, which never moves equal keys past each
  // other.
  std::vector<double> keys(19, 1.0);
  keys[4] = 0.0;
  keys[10] = 0.0;
  const auto idx = sorted(1, keys);
  EXPECT_EQ(idx[0], 5);
  EXPECT_EQ(idx[1], 11);
  EXPECT_EQ(idx[2], 1);
  EXPECT_EQ(idx[18], 19);
}

}  // namespace
