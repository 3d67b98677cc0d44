#include <gtest/gtest.h>

#include <string>

#include "platform/platform.hpp"
#include "services/services.hpp"

namespace {

platform::ClockReading gNow;
platform::ClockReading fixedClock() { return gNow; }

class RunClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = platform::setClockSource(&fixedClock);
    at(2026, 3, 7, 9, 5, 30, 25);
  }
  void TearDown() override { platform::setClockSource(previous_); }
  static void at(int y, int mo, int d, int h, int mi, int s, int hs) {
    gNow = platform::ClockReading{y, mo, d, h, mi, s, hs};
  }

 private:
  platform::ClockSource previous_ = nullptr;
};

TEST_F(RunClockTest, SecondsOfTheDayAndTexts) {
  double t = 0.0;
  services::CLKSEC(t);
  EXPECT_DOUBLE_EQ(t, 9 * 3600 + 5 * 60 + 30.25);
  services::FixedText<8> time;
  services::FixedText<8> date;
  services::DATTIM(time, date);
  EXPECT_EQ(time.str(), "09:05:30");
  EXPECT_EQ(date.str(), "03/07/26");

  services::RUNDAT();
  EXPECT_EQ(services::runClock().runTime.str(), "09:05:30");
  EXPECT_EQ(services::runClock().runDate.str(), "03/07/26");
  EXPECT_DOUBLE_EQ(services::runClock().start[0], t);
}

TEST_F(RunClockTest, ElapsedTimeWrapsAtMidnightAndIgnoresTinySteps) {
  struct Case {
    double start;
    double now;
    double dt;
  };
  for (const Case& c : {Case{86399.5, 0.25, 0.75}, Case{10.0, 10.0005, 0.0},
                        Case{10.0, 10.0, 0.0}, Case{10.0, 12.5, 2.5}}) {
    SCOPED_TRACE(c.start);
    double now = c.now;
    double dt = -1.0;
    services::TIMELP(1, c.start, now, dt);
    EXPECT_NEAR(dt, c.dt, 1e-9);
  }

  at(2026, 3, 7, 0, 0, 10, 0);
  float acc = 1.0f;
  services::TIMACC(10.0 - 0.0005, acc);
  EXPECT_FLOAT_EQ(acc, 1.0f) << "a step below a millisecond is not added";
  services::TIMACC(8.0, acc);
  EXPECT_FLOAT_EQ(acc, 3.0f);
  services::TIMAC2(86399.0, acc);
  EXPECT_FLOAT_EQ(acc, 14.0f) << "11 seconds across midnight";
}

TEST_F(RunClockTest, StopwatchesByMode) {
  services::RUNDAT();
  std::int32_t n = 0;
  for (int k = 1; k <= 10; ++k) {
    services::RUNLST(n, k == 3 ? 1 : (k == 4 ? 3 : 2));
    EXPECT_EQ(n, k);
  }
  services::RUNLST(n, 2);
  EXPECT_EQ(n, -1) << "all ten in use";

  at(2026, 3, 7, 9, 5, 40, 25);  // ten seconds later
  double dt = 0.0;
  services::RUNCLK(3, dt);
  EXPECT_DOUBLE_EQ(dt, 10.0);
  services::RUNLST(n, 2);
  EXPECT_EQ(n, 3) << "a read one-shot is free again";

  services::RUNCLK(4, dt);
  EXPECT_DOUBLE_EQ(dt, 10.0);
  at(2026, 3, 7, 9, 5, 45, 25);
  services::RUNCLK(4, dt);
  EXPECT_DOUBLE_EQ(dt, 5.0) << "a lap restarts at each read";
  services::RUNCLK(5, dt);
  EXPECT_DOUBLE_EQ(dt, 15.0);
  services::RUNCLK(0, dt);
  EXPECT_DOUBLE_EQ(dt, 15.0);

  const auto before = services::runClock().start;
  services::RUNCLK(11, dt);
  EXPECT_DOUBLE_EQ(dt, 0.0);
  services::RUNCLK(-1, dt);
  EXPECT_DOUBLE_EQ(dt, 0.0);
  EXPECT_EQ(services::runClock().start, before);
}

TEST(CLRTXT, BlanksTheOpenProblemText) {
  services::openProblemText().text.assign("OLD");
  services::openProblemText().flag = 3;
  services::CLRTXT();
  EXPECT_TRUE(services::openProblemText().text.isBlank());
  EXPECT_EQ(services::openProblemText().flag, 0);
}

}  // namespace
