// KCWEST (Wilson estimates from critical constants) and KCCHRT (the K-value chart of method
// 105, read from the coefficient block held in core).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/pure/correlation_sets.hpp"

namespace {

using correlation_testing::derivative;

class WilsonEstimate : public ::testing::Test {
 protected:
  void SetUp() override {
    correlation_testing::startRun();
    problem::THCTL.idecnt = 0;
    for (const char* name : {"METHANE", "PROPANE", "N-HEXANE", "N-DECANE"}) {
      const fixtures::ComponentSpec c = fixtures::publishedComponent(name);
      tc.push_back(c.criticalTemperature);
      pc.push_back(c.criticalPressure);
      omega.push_back(c.acentricFactor);
    }
    k.assign(tc.size(), -7.0);
    dkdt.assign(tc.size(), -7.0);
  }
  void TearDown() override { problem::THCTL.idecnt = 0; }

  void estimate(std::int32_t u, double t, double p) {
    equilibrium::KCWEST(static_cast<std::int32_t>(tc.size()), u, t, p, k, dkdt, tc, pc, omega);
  }

  std::vector<double> tc, pc, omega, k, dkdt;
};

// The estimate honours the definition of the acentric factor: at Tr = 0.7 the reduced
// vapour pressure, K P / Pc, is 10^-(1 + omega) (the constant 5.37 for ln 10 / (1 - 1/0.7)
// = 5.3727 leaves 0.2 %); at T = Tc it is 1.
TEST_F(WilsonEstimate, ReproducesTheAcentricFactorAndTheCriticalPoint) {
  ASSERT_GT(pc[1], 4000.0) << "kPa";
  for (std::size_t i = 0; i < tc.size(); ++i) {
    SCOPED_TRACE(i);
    const double p = 500.0;
    estimate(0, 0.7 * tc[i], p);
    EXPECT_NEAR(k[i] * p / pc[i] / std::pow(10.0, -(1.0 + omega[i])), 1.0, 2e-3);
    estimate(0, tc[i], p);
    EXPECT_DOUBLE_EQ(k[i], pc[i] / p);
  }
  EXPECT_EQ(dkdt[0], -7.0) << "no derivatives asked for";
}

// dK/dT is the slope of K in kelvin, times the factor of a temperature difference from unit
// set 1 to unit set 5.
TEST_F(WilsonEstimate, DerivativesCarryTheUnitFactor) {
  const double factor = services::UOMCNV(1.0, 2, 1, 5);
  EXPECT_GT(factor, 0.0);
  for (double t : {150.0, 300.0, 600.0}) {
    SCOPED_TRACE(t);
    estimate(1, t, 2000.0);
    for (std::size_t i = 0; i < tc.size(); ++i) {
      const double slope = derivative(
          [&](double tt) {
            estimate(0, tt, 2000.0);
            return k[i];
          },
          t, 1e-3);
      estimate(1, t, 2000.0);
      EXPECT_NEAR(dkdt[i], slope * factor, 1e-7 * std::fabs(slope * factor));
    }
  }
}

// Far below the critical temperature the exponent is held at -70: K and its slope stay
// finite and positive. The water component of the set keeps what it had.
TEST_F(WilsonEstimate, ExponentLimitAndWaterComponent) {
  tc = {20.0 * 100.0, 400.0};
  pc = {3000.0, 4000.0};
  omega = {0.0, 0.2};
  k = {-7.0, -7.0};
  dkdt = {-7.0, -7.0};
  estimate(1, 100.0, 1000.0);
  EXPECT_DOUBLE_EQ(k[0], std::exp(-70.0) * 3.0);
  EXPECT_DOUBLE_EQ(dkdt[0], 5.37 * k[0] * 20.0 / 100.0 * services::UOMCNV(1.0, 2, 1, 5));

  problem::THCTL.idecnt = 2;
  k = {-7.0, -7.0};
  dkdt = {-7.0, -7.0};
  estimate(1, 300.0, 1000.0);
  EXPECT_GT(k[0], 0.0);
  EXPECT_EQ(k[1], -7.0);
  EXPECT_EQ(dkdt[1], -7.0);
}

// The chart block: class codes in the first integer sector, the acentric factors, critical
// temperatures, critical pressures and boiling points as four arrays of the block's
// component count in the first real sector, as the K-value loader describes them.
class ChartKValues : public ::testing::Test {
 protected:
  struct Component {
    std::int32_t chartClass;
    double omega, tc, pc, tb;
  };

  void SetUp() override { correlation_testing::startRun(); }

  // Puts the block of COMPONENTS in core as the held block.
  void hold(const std::vector<Component>& components) {
    const auto n = static_cast<std::int32_t>(components.size());
    const std::int32_t integers = storage::ICMGTI(n, 1);
    const std::int32_t reals = storage::ICMGTR(4 * n, 1);
    for (std::int32_t i = 1; i <= n; ++i) {
      const Component& c = components[static_cast<std::size_t>(i - 1)];
      storage::CORSTO[integers + i] = c.chartClass;
      const std::array<double, 4> values{c.omega, c.tc, c.pc, c.tb};
      for (std::int32_t r = 0; r < 4; ++r) {
        storage::CORSTO.setReal(reals + r * n + i, values[static_cast<std::size_t>(r)]);
      }
    }
    methods::LDSTAT.integerSector1 = integers;
    methods::LDSTAT.integerLength1 = n;
    methods::LDSTAT.realSector1 = reals;
    methods::LDSTAT.realLength1 = 4 * n;
    k.assign(components.size(), 0.0);
    dkdt.assign(components.size(), 0.0);
  }

  void chart(double t, double p) { chart(static_cast<std::int32_t>(k.size()), t, p); }
  void chart(std::int32_t n, double t, double p) { equilibrium::KCCHRT(n, t, p, k, dkdt, 0); }

  std::vector<double> k, dkdt;
};

// Classes 1 and 2 above 394.27 K are constant in temperature, class 1 ten times class 2;
// below it class 1 is ten times class 2 as well. Class 12 at its critical temperature
// gives its critical pressure over P while that is at most 172.37 kPa; beyond that limit
// it reads the boiling-point chart like class 0.
TEST_F(ChartKValues, ClassIdentities) {
  hold({{1, 0.1, 300.0, 3000.0, 250.0},
        {2, 0.1, 300.0, 3000.0, 250.0},
        {12, 0.3, 400.0, 150.0, 400.0},
        {12, 0.3, 400.0, 3000.0, 390.0},
        {0, 0.3, 400.0, 3000.0, 390.0}});
  chart(400.0, 689.4733);
  EXPECT_DOUBLE_EQ(k[1], 27578.93 / 689.4733);
  EXPECT_DOUBLE_EQ(k[0], 10.0 * k[1]);
  EXPECT_EQ(dkdt[0], 0.0);
  EXPECT_EQ(dkdt[1], 0.0);
  EXPECT_DOUBLE_EQ(k[2], 150.0 / 689.4733);
  EXPECT_DOUBLE_EQ(k[3], k[4]);
  EXPECT_DOUBLE_EQ(dkdt[3], dkdt[4]);

  chart(300.0, 500.0);
  EXPECT_DOUBLE_EQ(k[0], 10.0 * k[1]);
  EXPECT_DOUBLE_EQ(dkdt[0], 10.0 * dkdt[1]);
  EXPECT_GT(k[1], 0.0);
}

// Every branch gives dK/dT as the slope of its K; K falls with pressure as 1/P.
TEST_F(ChartKValues, DerivativesAreTheSlopes) {
  std::vector<Component> components;
  for (std::int32_t c = 0; c <= 11; ++c) components.push_back({c, 0.2, 500.0, 3500.0, 350.0});
  components.push_back({12, 0.05, 330.0, 120.0, 320.0});  // reduced vapour pressure
  hold(components);
  for (double t : {250.0, 330.0, 380.0}) {
    for (std::size_t i = 0; i < components.size(); ++i) {
      SCOPED_TRACE(std::to_string(t) + " K, class " + std::to_string(components[i].chartClass));
      const double slope = derivative(
          [&](double tt) {
            chart(tt, 800.0);
            return k[i];
          },
          t, 1e-3);
      chart(t, 800.0);
      EXPECT_NEAR(dkdt[i], slope, 1e-6 * std::fabs(k[i]));
      const double atP = k[i];
      chart(t, 1600.0);
      EXPECT_DOUBLE_EQ(k[i], atP / 2.0);
    }
  }
}

// A block too short for the components, or an undefined class, stops the run.
TEST_F(ChartKValues, InconsistentBlockStopsTheRun) {
  testing_support::StopThrows stop;
  const auto stops = [&](const std::function<void()>& call) {
    try {
      call();
    } catch (const platform::RunStopped& stopped) {
      return stopped.status == 15;
    }
    return false;
  };
  hold({{0, 0.1, 300.0, 3000.0, 250.0}, {13, 0.1, 300.0, 3000.0, 250.0}});
  EXPECT_TRUE(stops([&] { chart(300.0, 500.0); })) << "class 13";
  EXPECT_FALSE(stops([&] { chart(1, 300.0, 500.0); })) << "the first component only";
  k.resize(3);
  dkdt.resize(3);
  EXPECT_TRUE(stops([&] { chart(3, 300.0, 500.0); })) << "three components, a block of two";
}

}  // namespace
