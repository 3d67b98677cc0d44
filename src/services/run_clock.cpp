// The run clock, stopwatches and timing statistics.
#include <cstdint>
#include <cstdio>
#include <span>

#include "platform/platform.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"

namespace services {

TimingStatistics TIMST1;
TimingStatistics TIMST2;

namespace {

// Elapsed times below this count as none.
constexpr double kShortestElapsed = 0.000999999;

RunClock gRunClock;
OpenProblemText gOpenProblemText;

}  // namespace

RunClock& runClock() { return gRunClock; }

OpenProblemText& openProblemText() { return gOpenProblemText; }

void CLKSEC(double& t) {
  const platform::ClockReading now = platform::readClock();
  t = 3600.0 * now.hour + 60.0 * now.minute + now.second + now.hundredths / 100.0;
}

void TIMELP(std::int32_t mode, double start, double& now, double& dt) {
  if (mode != 1) CLKSEC(now);
  dt = now - start;
  if (dt < kShortestElapsed) {
    if (dt > 0.0) {
      dt = 0.0;
    } else if (dt < 0.0) {
      dt += kSecondsPerDay;  // the clock passed midnight
    }
  }
}

void TIMACC(double start, float& acc) {
  double now = 0.0;
  double dt = 0.0;
  TIMELP(0, start, now, dt);
  if (dt > 0.0) acc += static_cast<float>(dt);
}

void TIMAC2(double start, float& acc) {
  double now = 0.0;
  double dt = 0.0;
  TIMELP(0, start, now, dt);
  acc += static_cast<float>(dt);
}

void DATTIM(std::span<char> time, std::span<char> date) {
  const platform::ClockReading now = platform::readClock();
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", now.hour % 100, now.minute % 100,
                now.second % 100);
  assignText(time, text);
  std::snprintf(text, sizeof text, "%02d/%02d/%02d", now.month % 100, now.day % 100,
                now.year % 100);
  assignText(date, text);
}

void RUNDAT() {
  gRunClock = RunClock{};
  CLKSEC(gRunClock.start[0]);
  DATTIM(gRunClock.runTime, gRunClock.runDate);
}

void RUNLST(std::int32_t& n, std::int32_t mode) {
  for (std::size_t k = 1; k <= kStopwatches; ++k) {
    if (gRunClock.mode[k] == StopwatchMode::Free) {
      gRunClock.mode[k] = static_cast<StopwatchMode>(mode);
      CLKSEC(gRunClock.start[k]);
      n = static_cast<std::int32_t>(k);
      return;
    }
  }
  n = -1;
}

void RUNCLK(std::int32_t n, double& dt) {
  dt = 0.0;
  if (n < 0 || n > kStopwatches) return;
  double now = 0.0;
  CLKSEC(now);
  const auto k = static_cast<std::size_t>(n);
  if (n == 0) {
    dt = now - gRunClock.start[0];
  } else {
    switch (gRunClock.mode[k]) {
      case StopwatchMode::OneShot:
        dt = now - gRunClock.start[k];
        gRunClock.mode[k] = StopwatchMode::Free;
        break;
      case StopwatchMode::Running:
        dt = now - gRunClock.start[k];
        break;
      case StopwatchMode::Lap:
        dt = now - gRunClock.start[k];
        gRunClock.start[k] = now;
        break;
      default:
        dt = 0.0;
        break;
    }
  }
  if (dt < 0.0) dt += kSecondsPerDay;
}

void CLRTXT() {
  gOpenProblemText.text.blank();
  gOpenProblemText.flag = 0;
}

RoutineTimer::RoutineTimer(std::size_t slot) : RoutineTimer(slot, TIMST2.seconds(slot)) {}

RoutineTimer::RoutineTimer(std::size_t slot, float& seconds) : seconds_(seconds) {
  if (GDPOPT.diagnosticSwitch(kTimingSwitch) > 0) TIMST2.calls(slot) += 1;
  if (GDPOPT.diagnosticSwitch(kRoutineClockSwitch) > 0) {
    clocked_ = true;
    CLKSEC(start_);
  }
}

RoutineTimer::~RoutineTimer() {
  if (clocked_) TIMACC(start_, seconds_);
}

}  // namespace services
