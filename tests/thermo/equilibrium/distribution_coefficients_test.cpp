// KCLLIQ with an electrolyte liquid-liquid method: the key components of the model take the
// distribution coefficient that the model's K-value against the second liquid implies,
// consistently with the vapour's fugacity coefficient (phiB = KV2 phiV, KD = phiB/phiA); the
// other components and a split without two real liquids keep the fugacity ratio.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "kvalues_support.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/equilibrium.hpp"

namespace {

using namespace kvalue_test;

constexpr double kT = 320.0;
constexpr double kP = 1500.0;
// ln(phi) of the vapour that the last vapour evaluation left in work array 7.
const std::vector<double> kLnPhiV = {-0.05, -0.4, -0.9};

// The weak-electrolyte block of method 511 for the ternary, read as 1 carbon dioxide, 2 water
// and 3 one amine: the pair parameters of the sour-water layout, then the electrolyte part.
// Integer part after the NCK words: I(1) components, I(2) one amine, I(3) its type word,
// I(4..6) carbon dioxide, water, no hydrogen sulphide, I(7..11) switches, I(12) the amine.
BlockData electrolyteBlock() {
  const auto n = static_cast<std::int32_t>(kN);
  BlockData b = fugacity_test::cubicWithPairs(511, fugacity_test::ternary());
  b.integers.resize(kN);
  b.integers.insert(b.integers.end(), {3, 1, 0, 1, 2, 0, 0, 0, 0, 0, 0, 3});
  b.reals.resize(static_cast<std::size_t>(7 * n + 8 * (n * (n - 1) / 2) + 2), 0.0);
  const std::vector<double> part = {std::log(1e-9), 0,        0,       0,  0, 0, 0, 0, 0, 0,
                                    0.04401,        0.018015, 0.06108, 0.0};
  b.reals.insert(b.reals.end(), part.begin(), part.end());
  return b;
}

class DistributionCorrection : public ::testing::Test {
 protected:
  void SetUp() override {
    startKValueRun();
    useKValueMethod(511, electrolyteBlock(), 1);
    // The liquid-liquid method is the same electrolyte method with the same block.
    methods::MSPTRS.classes(2) = methods::MSPTRS.classes(1);
    const std::int32_t at = problem::FWPART.realOffset(equilibrium::kVapourLnPhiArray);
    for (std::size_t i = 0; i < kN; ++i) {
      storage::CORSTO.setReal(at + static_cast<std::int32_t>(i) + 1, kLnPhiV[i]);
    }
    equilibrium::kvalueState.rigorousEvaluated = 1;
  }

  struct Result {
    std::vector<double> xa, xb, kd, phia, phib;
    std::int32_t istat = -1;
  };
  Result distribute(double theta, const std::vector<double>& xa, const std::vector<double>& xb) {
    equilibrium::liquidSplitState.theta = theta;
    equilibrium::liquidSplitState.thetaRest = 1.0 - theta;
    Result r{xa, xb, std::vector<double>(kN), std::vector<double>(kN), std::vector<double>(kN)};
    std::vector<std::int32_t> flags(kN, 2);
    std::vector<double> y = {0.3, 0.6, 0.1};
    double za = 0.0, zb = 0.0;
    equilibrium::KCLLIQ(flags, 0, 3, 3, kP, kT, r.xa, r.xb, y, r.kd, r.phia, r.phib, za, zb, 0,
                        r.istat);
    return r;
  }
};

// ln(phi) of a liquid by the liquid fugacity routine itself (the correction is checked, not
// the equation of state).
std::vector<double> lnPhiOf(const std::vector<double>& x) {
  std::vector<double> lnphi(kN);
  std::vector<std::int32_t> flags(kN, 2);
  double z = 0.0;
  std::int32_t status = 0, numerical = 0;
  equilibrium::FLCALC(3, x, lnphi, kT, kP, z, 0, 0, flags, 0, status, numerical);
  return lnphi;
}

// The model's K-values of liquid B, computed here with the block's electrolyte part.
std::vector<double> modelK(const std::vector<double>& xb, const std::vector<double>& start) {
  methods::LoadedBlock& b = methods::LDSTAT;
  const std::int32_t n = static_cast<std::int32_t>(kN);
  const std::int32_t reals = 7 * n + 8 * (n * (n - 1) / 2) + 2;
  b.integerSector1 += n;
  b.realSector1 += reals;
  std::vector<double> k = start, dk(kN);
  double heat = 0.0;
  const std::vector<double> y = {0.3, 0.6, 0.1};
  equilibrium::AQELDR(3, kT, kP, xb, y, k, dk, 0, 1, heat);
  b.integerSector1 -= n;
  b.realSector1 -= reals;
  return k;
}

TEST_F(DistributionCorrection, KeyComponentsTakeTheModelsKValue) {
  struct Case {
    std::string name;
    double theta;
    std::vector<double> xb;
    bool corrected;  // the model's K-values replace the fugacity ratio
  };
  const std::vector<double> xa = {0.20, 0.05, 0.75};
  const std::vector<Case> cases = {
      {"an aqueous second liquid", 0.4, {0.01, 0.89, 0.10}, true},
      {"the first liquid holds almost all", 1.0 - 1e-7, {0.01, 0.89, 0.10}, false},
      {"the second liquid holds almost all", 1e-7, {0.01, 0.89, 0.10}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = distribute(c.theta, xa, c.xb);
    EXPECT_EQ(r.istat, 0);
    const auto la = lnPhiOf(r.xa), lb = lnPhiOf(r.xb);
    std::vector<double> phiB(kN);
    for (std::size_t i = 0; i < kN; ++i) phiB[i] = std::exp(lb[i]);
    std::vector<double> start(kN);
    for (std::size_t i = 0; i < kN; ++i) start[i] = phiB[i] / std::exp(kLnPhiV[i]);
    const std::vector<double> kv2 = modelK(r.xb, start);
    for (std::size_t i = 0; i < kN; ++i) {
      SCOPED_TRACE(i);
      EXPECT_NEAR(r.phia[i], std::exp(la[i]), 1e-9 * r.phia[i]);
      const double phib = c.corrected ? kv2[i] * std::exp(kLnPhiV[i]) : phiB[i];
      EXPECT_NEAR(r.phib[i], phib, 1e-9 * phib);
      EXPECT_NEAR(r.kd[i], phib / r.phia[i], 1e-9 * r.kd[i]);
      EXPECT_NEAR(equilibrium::liquidSplitState.lnphi2[i], std::log(phib), 1e-9);
    }
  }
}

// A second liquid without solvent: the model leaves the K-values alone, so the key
// components keep the coefficients of their own fugacities (not K-values of an earlier split).
TEST_F(DistributionCorrection, ALiquidTheModelDoesNotTakeKeepsItsFugacities) {
  equilibrium::liquidSplitState.kv2.assign(kN, 123.0);  // what an earlier split left
  const std::vector<double> xa = {0.20, 0.05, 0.75};
  // Neither water nor amine: no solvent for the model.
  const std::vector<double> dry = {1.0, 0.0, 0.0};
  const Result r = distribute(0.5, xa, dry);
  EXPECT_EQ(r.istat, 0);
  const auto la = lnPhiOf(r.xa), lb = lnPhiOf(r.xb);
  for (std::size_t i = 0; i < kN; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(r.kd[i], std::exp(lb[i] - la[i]), 1e-9 * r.kd[i]);
    EXPECT_NEAR(r.phib[i], std::exp(lb[i]), 1e-9 * r.phib[i]);
  }
}

}  // namespace
