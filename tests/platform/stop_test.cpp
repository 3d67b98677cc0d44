#include <gtest/gtest.h>

#include "platform/platform.hpp"
#include "support/test_support.hpp"

namespace {

TEST(StopHook, TestHookThrowsTheStatusAndIsRestored) {
  {
    testing_support::StopThrows stop;
    try {
      platform::stopProcess(17);
      FAIL() << "the stop returned";
    } catch (const platform::RunStopped& stopped) {
      EXPECT_EQ(stopped.status, 17);
    }
  }
  EXPECT_EXIT(platform::stopProcess(12), ::testing::ExitedWithCode(12), "");
}

TEST(StopHook, AHookThatReturnsStillEndsTheProcess) {
  EXPECT_EXIT(
      {
        platform::setStopHook([](int) {});
        platform::stopProcess(13);
      },
      ::testing::ExitedWithCode(13), "");
}

platform::ClockReading fixedClock() { return {2026, 12, 10, 23, 59, 58, 75}; }

TEST(Clock, SourceIsReplaceable) {
  const auto previous = platform::setClockSource(&fixedClock);
  const auto now = platform::readClock();
  EXPECT_EQ(now.year, 2026);
  EXPECT_EQ(now.hour, 23);
  EXPECT_EQ(now.hundredths, 75);
  platform::setClockSource(previous);
  const auto real = platform::readClock();
  EXPECT_GE(real.year, 2024);
  EXPECT_LE(real.hundredths, 99);
}

}  // namespace
