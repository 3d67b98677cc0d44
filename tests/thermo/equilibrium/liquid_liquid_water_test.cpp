// The liquid-liquid K-values of a vapour that holds water: each pair of the split sees the
// vapour at its non-water partial pressure, as the plain pair route does, so that no split
// gives the pair route's K-values and a split combines the pair route's K-values of its two
// liquids.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "kvalues_support.hpp"
#include "problem/problem.hpp"
#include "thermo/equilibrium/equilibrium.hpp"

namespace {

using namespace kvalue_test;

constexpr double kT = 300.0;
constexpr double kP = 2000.0;
const std::vector<double> kKij = {0.02, 0.03, 0.01};
// Component 3 is the water: 30 % of the vapour, none of the liquids.
const std::vector<double> kY = {0.60, 0.10, 0.30};
const std::vector<double> kX = {0.30, 0.70, 0.0};
const std::vector<double> kX1 = {0.25, 0.75, 0.0};
const std::vector<double> kX2 = {0.60, 0.40, 0.0};
constexpr double kTheta = 0.25;
constexpr std::int32_t kRigorous = 1;
constexpr std::int32_t kNoSplit = 1001;  // digit 4: the plain pair route

bool splits = false;
void split(const equilibrium::LiquidSplitRequest&, equilibrium::LiquidSplitResult& r) {
  std::copy(kX1.begin(), kX1.end(), r.x1.begin());
  std::copy(kX2.begin(), kX2.end(), r.x2.begin());
  r.theta = splits ? kTheta : -1.0;
  r.za = 0.1;
  r.zb = 0.12;
  r.status = 0;
}

class LiquidLiquidWithWater : public ::testing::Test {
 protected:
  void SetUp() override {
    startKValueRun();
    useKValueMethod(101, cubicBlock(Cubic::PengRobinson, kKij), 1);
    useLiquidLiquidMethod(101);
    equilibrium::fillLiquidSplit(split);
    problem::THCTL.idecnt = 3;
    problem::THCTL.waterComponent = 3;
    problem::THCTL.waterOption = problem::kWaterFromTemperature;
  }
  void TearDown() override {
    problem::THCTL.idecnt = 0;
    problem::THCTL.waterComponent = 0;
  }
};

void expectNear(const std::vector<double>& got, const std::vector<double>& want) {
  for (std::size_t i = 0; i < kN; ++i) EXPECT_NEAR(got[i], want[i], 1e-12 * want[i]) << i + 1;
}

TEST_F(LiquidLiquidWithWater, NoSplitGivesThePairRoutesKValues) {
  splits = false;
  const KResult plain = kcalc(kY, kX, kT, kP, kNoSplit);
  const KResult viaSplit = kcalc(kY, kX, kT, kP, kRigorous);
  expectNear(viaSplit.k, plain.k);
  EXPECT_NEAR(viaSplit.zv, plain.zv, 1e-12);
}

TEST_F(LiquidLiquidWithWater, SplitCombinesThePairRoutesKValuesOfItsLiquids) {
  splits = true;
  const KResult k1 = kcalc(kY, kX1, kT, kP, kNoSplit);
  const KResult k2 = kcalc(kY, kX2, kT, kP, kNoSplit);
  const KResult combined = kcalc(kY, kX, kT, kP, kRigorous);
  ASSERT_EQ(equilibrium::liquidSplitState.theta, kTheta);
  std::vector<double> k(kN);
  // x = theta x1 + (1 - theta) x2: 1/K = theta/K1 + (1 - theta)/K2.
  for (std::size_t i = 0; i < kN; ++i) k[i] = 1.0 / (kTheta / k1.k[i] + (1.0 - kTheta) / k2.k[i]);
  expectNear(combined.k, k);
}

}  // namespace
