#include <gtest/gtest.h>

#include "methods/methods.hpp"
#include "services/services.hpp"

namespace {

// The literal values are the library's own start values, restated: no published source
// exists for them, they are regression values that guard against an unnoticed change of the
// start table. One relation between them is checked as well: a phase fraction counts as the
// whole at one less the fraction at which it counts as absent.
TEST(CONINI, SetsTheTolerancesAndTheExchangeWords) {
  methods::CONINI();
  EXPECT_EQ(services::FLTOL(1), 5.0e-7);
  EXPECT_EQ(services::FLTOL(9), 0.9999995);
  EXPECT_DOUBLE_EQ(services::FLTOL(9), 1.0 - services::FLTOL(8));
  EXPECT_EQ(services::FLTOL(20), 1.0e-6);
  EXPECT_EQ(services::FLTOL(25), 1.0e30);
  EXPECT_EQ(services::FLTOL(30), 1.0e-10);
  EXPECT_EQ(methods::FLCTL2.words(1), 1.0e-12);
  EXPECT_EQ(methods::THDXCH.temperatureStep, 0.001);
  EXPECT_DOUBLE_EQ(methods::THDXCH.temperatureStepSmall, 0.0009);
  EXPECT_EQ(methods::THDXCH.pressureTolerance, 5.0e-5);
  EXPECT_DOUBLE_EQ(methods::THDXCH.pressureToleranceSmall, 1.0e-5);
}

}  // namespace
