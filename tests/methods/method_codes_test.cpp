#include <gtest/gtest.h>

#include <vector>

#include "methods/methods.hpp"
#include "problem/problem.hpp"

namespace {

TEST(MethodCodeTests, Membership) {
  struct Case {
    std::int32_t code;
    bool a;
    bool b;
    bool c;
  };
  const std::vector<Case> cases = {
      {101, true, false, false},  {124, true, false, false},  {125, false, false, true},
      {1, false, true, false},    {400, false, false, false}, {401, false, true, false},
      {407, false, true, true},   {410, false, true, false},  {415, false, true, true},
      {416, false, false, false}, {500, false, false, false}, {502, true, false, false},
      {514, false, true, true},   {516, false, true, true},   {715, false, true, false},
      {733, true, false, false},  {0, false, false, false},   {-2111111111, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(methods::MTISA(c.code), c.a);
    EXPECT_EQ(methods::MTISB(c.code), c.b);
    EXPECT_EQ(methods::MTISC(c.code), c.c);
  }
}

TEST(MTSETN, FollowsTheCurrentSetAndTheSecondSetSwitch) {
  problem::THCTL.currentSet = 4;
  for (const std::int32_t switchValue : {0, 1}) {
    problem::GCLTAB.integers(22) = switchValue;
    SCOPED_TRACE(switchValue);
    EXPECT_EQ(methods::MTSETN(1902), 4);
    EXPECT_EQ(methods::MTSETN(1907), 4);
    EXPECT_EQ(methods::MTSETN(1001), switchValue == 1 ? 5 : 1);
    EXPECT_EQ(methods::MTSETN(1231), switchValue == 1 ? 5 : 1);
    EXPECT_EQ(methods::MTSETN(1221), 1);
  }
  problem::GCLTAB.integers(22) = 0;
}

}  // namespace
