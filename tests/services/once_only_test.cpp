#include <gtest/gtest.h>

#include "services/services.hpp"
#include "support/test_support.hpp"

namespace {

TEST(INIDAT, RegistersKeysAndResetsTheirFirstCalls) {
  std::int32_t a = 0;
  std::int32_t b = 0;
  std::int32_t c = 0;
  std::int32_t first = -1;
  services::INIDAT(a, first);
  EXPECT_EQ(first, 1);
  services::INIDAT(b, first);
  EXPECT_EQ(first, 1);
  services::INIDAT(c, first);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(b, a + 1);
  EXPECT_EQ(c, a + 2);

  services::INIDAT(b, first);
  EXPECT_EQ(first, 0) << "registration counts as the first call";
  std::int32_t reset = -1;
  services::INIDAT(reset, first);
  services::INIDAT(b, first);
  EXPECT_EQ(first, 1);
  services::INIDAT(b, first);
  EXPECT_EQ(first, 0);
  services::INIDAT(c, first);
  EXPECT_EQ(first, 1) << "the reset reached every key";
}

TEST(INIDATDeath, RegistryOverflowStopsWithANonZeroStatus) {
  EXPECT_EXIT(
      {
        for (int i = 0; i <= services::kMaxRegisteredKeys; ++i) {
          std::int32_t key = 0;
          std::int32_t first = 0;
          services::INIDAT(key, first);
        }
      },
      ::testing::ExitedWithCode(15), "INIDAT/MAXINI");
}

}  // namespace
