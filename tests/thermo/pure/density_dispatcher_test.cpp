// The liquid-density dispatcher with method blocks built in core: a density for every method
// code, the Peng-Robinson liquid root checked against the cubic solved here, the water
// component left out, the temperature cache of the cubic route, the status codes, and no
// allocation once the work arrays are warm.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "correlation_sets.hpp"
#include "density_blocks.hpp"
#include "methods/methods.hpp"
#include "platform/platform.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "support/allocation_counter.hpp"
#include "support/test_support.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using namespace density_test;

constexpr double kR = 8.314471;

double dnliq(const std::vector<double>& x, double t, double p, std::int32_t& ierr) {
  double dens = 0.0;
  pure::DNLIQ(static_cast<std::int32_t>(x.size()), t, p, x, dens, ierr);
  return dens;
}

// The smallest root above B of the Peng-Robinson cubic
//   Z^3 - (1 - B) Z^2 + (A - 3 B^2 - 2 B) Z - (A B - B^2 - B^3) = 0,
// by the trigonometric solution (three real roots) or Cardano's (one).
double pengRobinsonLiquidZ(double a, double b) {
  const double c2 = -(1.0 - b);
  const double c1 = a - 3.0 * b * b - 2.0 * b;
  const double c0 = -(a * b - b * b - b * b * b);
  const double q = (3.0 * c1 - c2 * c2) / 9.0;
  const double r = (9.0 * c2 * c1 - 27.0 * c0 - 2.0 * c2 * c2 * c2) / 54.0;
  const double d = q * q * q + r * r;
  if (d > 0.0) return std::cbrt(r + std::sqrt(d)) + std::cbrt(r - std::sqrt(d)) - c2 / 3.0;
  const double theta = std::acos(r / std::sqrt(-q * q * q));
  double z = 1e30;
  for (int k = 0; k < 3; ++k) {
    const double root = 2.0 * std::sqrt(-q) * std::cos((theta + 2.0 * M_PI * k) / 3.0) - c2 / 3.0;
    if (root > b) z = std::min(z, root);
  }
  return z;
}

class Dispatcher : public ::testing::Test {
 protected:
  void SetUp() override {
    startRun();
    installComponents({kButane, kPropane, kWater});
  }
  testing_support::StopThrows stop_;
};

TEST_F(Dispatcher, PengRobinsonGivesTheLiquidRootOfButane) {
  holdLiquidDensityBlock(101, pengRobinsonBlock({kButane, kPropane, kWater}, {}));
  const double t = 350.0;
  const double p = 945.73;
  std::int32_t ierr = -1;
  const double dens = dnliq({1.0, 0.0, 0.0}, t, p, ierr);
  EXPECT_EQ(ierr, 0);
  const PengRobinson pr = pengRobinson(kButane, t);
  const double a = pr.ac * pr.alpha * p / std::pow(kR * t, 2);
  const double b = pr.b * p / (kR * t);
  const double z = pengRobinsonLiquidZ(a, b);
  EXPECT_NEAR(dens, p / (z * kR * t), 1e-10 * dens);
  // A liquid, not the vapour: several times the ideal-gas density.
  EXPECT_GT(dens, 20.0 * p / (kR * t));
}

// Every method code with a route, for n-butane with some propane: a positive density of the
// liquid's order (n-butane near 9.9 kmol/m3 at 300 K).
TEST_F(Dispatcher, EveryMethodCodeGivesALiquidDensity) {
  const std::vector<Species> comps = {kButane, kPropane, kWater};
  const std::vector<double> x = {0.7, 0.3, 0.0};
  const double t = 300.0;
  const double p = 1500.0;
  correlation_testing::Record butane;
  butane.coefficients = {9.8};
  correlation_testing::Record propane = butane;
  propane.component = 2;
  propane.coefficients = {11.0};
  correlation_testing::installSet(pure::kLiquidDensity, 1, {butane, propane});
  pure::setUserDensity([](std::int32_t, std::int32_t, std::span<const double>, double tu, double pu,
                          double& z, std::int32_t& flag) {
    z = pu * 0.1 / (8.314471 * tu);
    flag = 0;
  });

  // The hard-chain block: made-up parameters (eps, sigma, r, kappa).
  BlockData chain;
  chain.reals = {0.55, 0.53, 0.52, 0.6, 0.6, 0.7, 0.95,  0.94,  0.93,
                 0.8,  0.8,  0.7,  3.5, 2.9, 1.0, 0.025, 0.025, 0.0};
  chain.integers = {0};

  struct Case {
    std::int32_t code;
    BlockData block;
  };
  std::vector<Case> cases = {{1, {}},
                             {110, starlingBlock(comps, {})},
                             {301, {}},
                             {302, rackettVolumesBlock(comps)},
                             {303, costaldBlock(comps)},
                             {305, rackettBlock(comps)},
                             {125, chain},
                             {126, chain},
                             {127, chain},
                             {128, chain},
                             {901, {}}};
  for (std::int32_t code : {203, 204, 211, 212, 213, 214}) {
    cases.push_back({code, leeKeslerBlock(code, comps, true)});
  }
  for (std::int32_t code : {101, 102, 108, 111, 114, 116, 117, 121, 122, 502, 109, 112, 124}) {
    cases.push_back({code, cubicBlock(code, comps)});
  }

  double classical = 0.0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    holdLiquidDensityBlock(c.code, c.block);
    std::int32_t ierr = -1;
    double dens = 0.0;
    try {
      dens = dnliq(x, t, p, ierr);
    } catch (const platform::RunStopped&) {
      ADD_FAILURE() << services::MSGTXT.lines(1).str() << services::ERITEM.items(1).str();
      continue;
    }
    EXPECT_EQ(ierr, 0);
    if (c.code >= 125 && c.code <= 128) {
      EXPECT_GT(dens, 0.0);
    } else {
      EXPECT_GT(dens, 8.0);
      EXPECT_LT(dens, 13.0);
    }
    // The quadratic rules without pair parameters are the classical rule.
    if (c.code == 101) classical = dens;
    if (c.code == 102 || c.code == 108 || c.code == 111 || c.code == 116 || c.code == 121 ||
        c.code == 502) {
      EXPECT_NEAR(dens, classical, 1e-9 * classical);
    }
  }
}

TEST_F(Dispatcher, WaterOfTheMethodSetIsLeftOut) {
  problem::THCTL.idecnt = 3;
  for (std::int32_t code : {101, 305}) {
    SCOPED_TRACE(code);
    const std::vector<Species> comps = {kButane, kPropane, kWater};
    holdLiquidDensityBlock(code, code == 101 ? pengRobinsonBlock(comps, {}) : rackettBlock(comps));
    std::int32_t ierr = -1;
    const double pure = dnliq({1.0, 0.0, 0.0}, 320.0, 2000.0, ierr);
    const double wet = dnliq({0.4, 0.0, 0.6}, 320.0, 2000.0, ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_NEAR(wet, pure, 1e-12 * pure);
  }
}

TEST_F(Dispatcher, CubicTermsAreEvaluatedOncePerTemperature) {
  const std::vector<Species> comps = {kButane, kPropane, kWater};
  const std::vector<double> x = {0.5, 0.5, 0.0};
  holdLiquidDensityBlock(101, pengRobinsonBlock(comps, {0.01, 0.0, 0.0}));
  std::int32_t ierr = -1;
  const double first = dnliq(x, 300.0, 1500.0, ierr);
  const double again = dnliq(x, 300.0, 2500.0, ierr);
  EXPECT_EQ(pure::DNCNTS.termEvaluations, 1);
  EXPECT_EQ(pure::DNCNTS.calls, 2);
  EXPECT_GT(again, first);  // the liquid compressed
  // The count word of the block agrees.
  const std::int32_t countWord =
      storage::CORSTO[methods::LDSTAT.integerSector1 + methods::LDSTAT.integerLength1];
  EXPECT_EQ(countWord, 1);
  dnliq(x, 310.0, 1500.0, ierr);
  EXPECT_EQ(pure::DNCNTS.termEvaluations, 2);
  // The same density from freshly evaluated terms.
  EXPECT_NEAR(dnliq(x, 300.0, 1500.0, ierr), first, 1e-13 * first);
  EXPECT_EQ(pure::DNCNTS.termEvaluations, 3);

  // Without the cache state every call evaluates.
  holdLiquidDensityBlock(101, pengRobinsonBlock(comps, {0.01, 0.0, 0.0}, 1));
  pure::DNCNTS = {};
  dnliq(x, 300.0, 1500.0, ierr);
  dnliq(x, 300.0, 1500.0, ierr);
  EXPECT_EQ(pure::DNCNTS.termEvaluations, 2);
}

// A cubic block holding an infinity or a NaN gives the root solver coefficients that are
// not numbers: the route fails and gives no density, rather than a NaN reported as done.
TEST_F(Dispatcher, CubicBlockWithoutNumbersGivesNoDensity) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<Species> comps = {kButane, kPropane, kWater};
  const std::size_t n = comps.size();
  // The block's head: u1, u2, then sqrt(a_c) and b of every component.
  const std::size_t sqrtA = 2, covolume = 2 + n;
  struct Case {
    const char* label;
    std::vector<double> kij;
    std::size_t word;  // the head word replaced by VALUE; 0 none
    double value;
    std::vector<double> x;
  };
  const Case cases[] = {
      {"NaN pair parameter", {nan, 0.0, 0.0}, 0, 0.0, {0.7, 0.3, 0.0}},
      {"infinite attraction", {}, sqrtA, inf, {1.0, 0.0, 0.0}},
      {"NaN covolume", {}, covolume, nan, {1.0, 0.0, 0.0}},
      {"infinite covolume", {}, covolume, inf, {0.7, 0.3, 0.0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    BlockData block = pengRobinsonBlock(comps, c.kij);
    if (c.word != 0) block.reals[c.word] = c.value;
    holdLiquidDensityBlock(101, block);
    std::int32_t ierr = -1;
    const double dens = dnliq(c.x, 320.0, 2000.0, ierr);
    EXPECT_EQ(ierr, static_cast<std::int32_t>(pure::DensityStatus::RouteFailed));
    EXPECT_EQ(dens, services::DMISS);
  }
}

TEST_F(Dispatcher, VolumeShiftOfMethod124) {
  const std::vector<Species> comps = {kButane, kPropane, kWater};
  const std::vector<double> x = {0.6, 0.4, 0.0};
  BlockData shifted = pengRobinsonBlock(comps, {});
  shifted.reals.pop_back();
  shifted.reals.insert(shifted.reals.end(), 12, 0.0);
  shifted.reals.insert(shifted.reals.end(), {0.005, 0.003, 0.0});
  shifted.reals.push_back(0.0);
  std::int32_t ierr = -1;
  holdLiquidDensityBlock(101, pengRobinsonBlock(comps, {}));
  const double plain = dnliq(x, 300.0, 1500.0, ierr);
  holdLiquidDensityBlock(124, shifted);
  const double dens = dnliq(x, 300.0, 1500.0, ierr);
  EXPECT_EQ(ierr, 0);
  const double z = 1500.0 / (plain * kR * 300.0);
  const double zShifted = z - (0.6 * 0.005 + 0.4 * 0.003) * 1500.0 / (8.314 * 300.0);
  EXPECT_NEAR(dens, 1500.0 / (zShifted * kR * 300.0), 1e-10 * dens);
  EXPECT_GT(dens, plain);
}

TEST_F(Dispatcher, StatusCodes) {
  std::int32_t ierr = -1;
  // Codes without a route.
  for (std::int32_t code : {113, 712, 999, 0}) {
    SCOPED_TRACE(code);
    holdLiquidDensityBlock(code, pengRobinsonBlock({kButane, kPropane, kWater}, {}));
    const double dens = dnliq({1.0, 0.0, 0.0}, 300.0, 1000.0, ierr);
    EXPECT_EQ(ierr, 2);
    EXPECT_EQ(dens, services::DMISS);
  }
  // A failing route: the petroleum method for free water alone.
  problem::THCTL.idecnt = 3;
  holdLiquidDensityBlock(301, {});
  EXPECT_EQ(dnliq({0.0, 0.0, 1.0}, 300.0, 1000.0, ierr), services::DMISS);
  EXPECT_EQ(ierr, 1);
  // The library route for a component without a density correlation.
  problem::THCTL.idecnt = 0;
  correlation_testing::Record butane;
  butane.coefficients = {9.8};
  correlation_testing::installSet(pure::kLiquidDensity, 1, {butane});
  holdLiquidDensityBlock(1, {});
  EXPECT_GT(dnliq({1.0, 0.0, 0.0}, 300.0, 1000.0, ierr), 0.0);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(dnliq({0.5, 0.5, 0.0}, 300.0, 1000.0, ierr), services::DMISS);
  EXPECT_EQ(ierr, 1);
}

TEST_F(Dispatcher, LibraryDensitiesMixIdeallyAndRackettRoutesAgree) {
  correlation_testing::Record butane;
  butane.coefficients = {9.8};
  correlation_testing::Record propane = butane;
  propane.component = 2;
  propane.coefficients = {11.0};
  correlation_testing::installSet(pure::kLiquidDensity, 1, {butane, propane});
  holdLiquidDensityBlock(1, {});
  std::int32_t ierr = -1;
  EXPECT_DOUBLE_EQ(dnliq({1.0, 0.0, 0.0}, 300.0, 1000.0, ierr), 9.8);
  EXPECT_NEAR(dnliq({0.7, 0.3, 0.0}, 300.0, 1000.0, ierr), 1.0 / (0.7 / 9.8 + 0.3 / 11.0), 1e-12);
  // Rackett per component (302) and for the mixture (305) agree for a pure component below
  // Tr 0.75.
  const std::vector<Species> comps = {kButane, kPropane, kWater};
  holdLiquidDensityBlock(302, rackettVolumesBlock(comps));
  const double perComponent = dnliq({1.0, 0.0, 0.0}, 300.0, 1000.0, ierr);
  holdLiquidDensityBlock(305, rackettBlock(comps));
  EXPECT_NEAR(dnliq({1.0, 0.0, 0.0}, 300.0, 1000.0, ierr), perComponent, 1e-12 * perComponent);
}

TEST_F(Dispatcher, UserMethodWithoutDensityStopsTheRun) {
  holdLiquidDensityBlock(905, {});
  std::int32_t ierr = -1;
  try {
    dnliq({1.0, 0.0, 0.0}, 300.0, 1000.0, ierr);
    FAIL() << "no stop";
  } catch (const platform::RunStopped& stopped) {
    EXPECT_EQ(stopped.status, 15);
  }
}

TEST_F(Dispatcher, WarmCallsAllocateNothing) {
  const std::vector<Species> comps = {kButane, kPropane, kWater};
  const std::vector<double> x = {0.6, 0.4, 0.0};
  const std::vector<std::pair<std::int32_t, BlockData>> methods = {
      {101, pengRobinsonBlock(comps, {})},
      {110, starlingBlock(comps, {})},
      {204, leeKeslerBlock(204, comps, true)},
      {303, costaldBlock(comps)},
      {305, rackettBlock(comps)}};
  for (const auto& [code, block] : methods) {
    SCOPED_TRACE(code);
    holdLiquidDensityBlock(code, block);
    std::int32_t ierr = -1;
    double dens = 0.0;
    pure::DNLIQ(3, 300.0, 1500.0, x, dens, ierr);
    const std::size_t before = testing_support::allocationCount();
    pure::DNLIQ(3, 305.0, 1600.0, x, dens, ierr);
    EXPECT_EQ(testing_support::allocationCount(), before);
    EXPECT_EQ(ierr, 0);
  }
}

}  // namespace
