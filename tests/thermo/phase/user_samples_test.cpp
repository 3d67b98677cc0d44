// The sample user-added routines and their comparison: RCMPTL's tolerance, the liquid
// density sample at its reference temperature (where it gives the standard density), the
// answers of the samples to requests they do not serve, and the placeholders.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/platform.hpp"
#include "problem/data_transfer.hpp"
#include "support/test_support.hpp"
#include "thermo/phase/user_methods.hpp"

namespace {

using namespace phase;

TEST(RCMPTL, SinglePrecisionTolerance) {
  struct Case {
    float a, b;
    std::int32_t result;
  };
  // 1.19E-7 of the larger magnitude is a little less than one unit in the last place at a
  // power of two, and more than one at 1.5.
  for (const Case& c : {Case{1.0F, 1.0F, 0}, Case{0.0F, 0.0F, 0}, Case{1.5F, 1.5000001F, 0},
                        Case{1.0F, 1.0000001F, -1}, Case{1.0F, 1.001F, -1}, Case{2.0F, 1.0F, 1},
                        Case{-1e-8F, 1e-8F, -1}, Case{-3.0F, -3.0F, 0}}) {
    SCOPED_TRACE(testing::Message() << c.a << " " << c.b);
    EXPECT_EQ(RCMPTL(c.a, c.b), c.result);
  }
}

class UserSamples : public ::testing::Test {
 protected:
  void SetUp() override {
    UKHCOM = {};
    UKHOLD = {};
    UKHDAT.values(2599) = 1234.0F;
    problem::UXCTL = {};
    problem::XFRBUF = {};
  }
  void TearDown() override {
    UKHDAT = {};
    problem::UXCTL = {};
    problem::XFRBUF = {};
  }
};

// At 60 F the liquid-density sample's temperature function cancels: the density is
// 62.2997 SG lb/ft3, and Z = M P / (rho 10.731 T_R) in field units. 62.2997 is the sample's
// own water density, restated, not a published one (water at 60 F is about 999.0 kg/m3,
// 62.37 lb/ft3): the check is of the formula.
TEST_F(UserSamples, LiquidDensityAtTheReferenceTemperature) {
  problem::UXCTL.temperatureFactor = 1.8F;    // K to Rankine
  problem::UXCTL.pressureFactor = 0.145038F;  // kPa to psia
  problem::UXCTL.density = 1000.0F;           // component densities in kg/m3
  problem::XFRBUF.molecularWeight(1) = 86.177F;
  problem::XFRBUF.density(1) = 664.0F;
  problem::XFRBUF.criticalTemperature(1) = 507.6F;
  problem::XFRBUF.acentricFactor(1) = 0.3F;
  UKHCOM.request = static_cast<std::int32_t>(UserRequest::Density);
  UKHCOM.phase = 2;
  UKHCOM.componentCount = 1;
  UKHCOM.x2[0] = 1.0F;
  UKHCOM.temperature = 519.67F / 1.8F;
  UKHCOM.pressure = 101.325F;
  UKHS1();
  EXPECT_EQ(UKHCOM.isNew, 1);
  const double rho = 62.2997 * 0.664;
  const double z = 86.177 * 101.325 * 0.145038 / (rho * 10.731 * 519.67);
  EXPECT_NEAR(UKHCOM.value4, z, 1e-5 * z);
  EXPECT_EQ(UKHCOM.value3, 0.0F);
}

// A sample asked for what it does not serve answers 99 in UKHCOM, which the driver turns into
// a stop; the set-up query of the K-value and enthalpy samples answers 3.
TEST_F(UserSamples, RequestsASampleDoesNotServe) {
  UKHCOM.request = static_cast<std::int32_t>(UserRequest::Enthalpy);
  UKHS1();
  EXPECT_EQ(UKHCOM.flag, kNotSupported);
  EXPECT_EQ(UKHCOM.isNew, 1);
  UKHCOM = {};
  UKHCOM.request = static_cast<std::int32_t>(UserRequest::Density);
  UKHS3();
  EXPECT_EQ(UKHCOM.flag, kNotSupported);
  UKHCOM = {};
  UKHCOM.request = 4;
  UKHS4();
  EXPECT_EQ(UKHCOM.flag, kNotSupported);
  for (UserRoutine sample : {&UKHS3, &UKHS4}) {
    UKHCOM = {};
    UKHCOM.request = static_cast<std::int32_t>(UserRequest::SetUp);
    sample();
    EXPECT_EQ(UKHCOM.flag, 3);
    EXPECT_EQ(UKHCOM.isNew, 1);
  }
  // The older-record samples ignore the set-up query.
  UKHOLD.request = static_cast<std::int32_t>(UserRequest::SetUp);
  UKHOLD.flag = 5;
  UKHS2();
  UKHS5();
  EXPECT_EQ(UKHOLD.flag, 5);
}

// Without the signature a sample is a placeholder: the notice, then the run stops.
TEST_F(UserSamples, WithoutTheSignatureSamplesArePlaceholders) {
  UKHDAT.values(2599) = 1.0F;
  UKHCOM.request = static_cast<std::int32_t>(UserRequest::Density);
  testing_support::StopThrows stop;
  for (UserRoutine routine : {&UKHS1, &UKHS3, &UKHS4, &UKHS6, &UKHS15}) {
    EXPECT_THROW(routine(), platform::RunStopped);
  }
}

}  // namespace
