// Digit 8 of the K option word asks for ln K in place of K. Each route of KCALC, with the
// water, correlation and liquid-liquid steps that finish the K-values, gives with the digit
// set the logarithm of what it gives without it, for every component.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "../pure/correlation_sets.hpp"
#include "kvalues_support.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/equilibrium.hpp"

namespace {

using namespace kvalue_test;

constexpr double kT = 300.0;
constexpr double kP = 2000.0;
const std::vector<double> kKij = {0.02, 0.03, 0.01};
const std::vector<double> kY = {0.85, 0.12, 0.03};
const std::vector<double> kX = {0.15, 0.35, 0.50};
constexpr std::int32_t kLnK = equilibrium::kLnKDigit;

void useCubic() { useKValueMethod(101, cubicBlock(Cubic::PengRobinson, kKij), 1); }

// A fixed split of the liquid, a quarter of it liquid 1.
void fixedSplit(const equilibrium::LiquidSplitRequest&, equilibrium::LiquidSplitResult& r) {
  const std::vector<double> x1 = {0.25, 0.60, 0.15}, x2 = {0.12, 0.27, 0.61};
  std::copy(x1.begin(), x1.end(), r.x1.begin());
  std::copy(x2.begin(), x2.end(), r.x2.begin());
  r.theta = 0.25;
  r.za = 0.1;
  r.zb = 0.12;
  r.status = 0;
}

// A stored K-value model of level 1 about (kT, kP).
void storedModel() {
  equilibrium::storedModelSwitches = {1, 1, 1};
  std::int32_t handle = 0, ierr = 0;
  methods::ALDESC(handle, ierr, 1);
  ASSERT_EQ(ierr, 0);
  const methods::StoredModelBlock& b = methods::storedModelBlock;
  const auto put = [&](std::int32_t offset, std::size_t k, double v) {
    storage::CORSTO.setReal(b.start + offset + static_cast<std::int32_t>(k) + 1, v);
  };
  put(0, 0, kT);
  put(0, 1, kP);
  const std::vector<double> k0 = {4.0, 0.8, 0.05}, dkdt0 = {0.01, 0.02, 0.003};
  for (std::size_t i = 0; i < kN; ++i) {
    put(b.k0, i, k0[i]);
    put(b.dkdt0, i, dkdt0[i]);
    put(b.dkdp0, i, -k0[i] / kP);
  }
}

struct Route {
  std::string name;
  std::int32_t kcopt;
  std::function<void()> setup;
};

TEST(KCALC, DigitEightGivesTheLogarithmOfEveryRoutesKValues) {
  const auto water = [](std::int32_t option) {
    return [option] {
      useCubic();
      problem::THCTL.idecnt = 3;
      problem::THCTL.waterComponent = 3;
      problem::THCTL.waterOption = option;
    };
  };
  const std::vector<Route> routes = {
      {"fugacity route", 1, useCubic},
      {"water K-value by the solubility of the temperature", 1,
       water(problem::kWaterFromTemperature)},
      {"water K-value without a solubility correlation", 1,
       water(problem::kNoSolubilityCorrelation)},
      {"per-component correlation", 1,
       [] {
         useCubic();
         storage::CORSTO[methods::MSPTRS.integerSectors(1) + 20] = 1;
         correlation_testing::Record none;
         none.component = 1;
         none.noCorrelation = true;
         correlation_testing::Record propane =
             correlation_testing::antoineRecord(2, kAntoine[1].a, kAntoine[1].b, kAntoine[1].c);
         propane.auxiliary = 2.0;
         correlation_testing::installSet(1902, 1, {none, propane});
       }},
      {"Raoult's law", 0, useCubic},
      {"Wilson estimate", 0,
       [] { useKValueMethod(101, cubicBlock(Cubic::PengRobinson, kKij), 2); }},
      {"two liquids", 1,
       [] {
         useCubic();
         useLiquidLiquidMethod(101);
         equilibrium::fillLiquidSplit(fixedSplit);
       }},
      {"stored model", 1,
       [] {
         useCubic();
         storedModel();
       }},
  };
  for (const Route& route : routes) {
    SCOPED_TRACE(route.name);
    std::vector<double> k;
    for (const bool logarithm : {false, true}) {
      startKValueRun();
      route.setup();
      const KResult r = kcalc(kY, kX, kT, kP, route.kcopt + (logarithm ? kLnK : 0));
      ASSERT_EQ(r.ierr, 0);
      if (!logarithm) {
        k = r.k;
        continue;
      }
      for (std::size_t i = 0; i < kN; ++i) {
        ASSERT_GT(k[i], 0.0) << i;
        EXPECT_NEAR(r.k[i], std::log(k[i]), 1e-12 * std::max(1.0, std::fabs(std::log(k[i]))))
            << "component " << i + 1;
      }
    }
    equilibrium::storedModelSwitches = {};
    problem::THCTL.idecnt = 0;
    problem::THCTL.waterComponent = 0;
  }
}

}  // namespace
