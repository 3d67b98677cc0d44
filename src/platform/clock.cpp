// The wall clock, replaceable for tests.
#include <chrono>
#include <ctime>

#include "platform/platform.hpp"

namespace platform {
namespace {

ClockReading systemClock() {
  using std::chrono::system_clock;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto sinceSecond =
      now - system_clock::from_time_t(seconds);
  auto hundredths = static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(sinceSecond).count() / 10);
  if (hundredths < 0) hundredths = 0;
  if (hundredths > 99) hundredths = 99;
  return ClockReading{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                      local.tm_min,         local.tm_sec,     hundredths};
}

ClockSource gClockSource = &systemClock;

}  // namespace

ClockReading readClock() { return gClockSource(); }

ClockSource setClockSource(ClockSource source) {
  ClockSource previous = gClockSource;
  gClockSource = source != nullptr ? source : &systemClock;
  return previous;
}

}  // namespace platform
