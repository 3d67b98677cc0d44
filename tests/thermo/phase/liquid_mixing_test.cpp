// The liquid enthalpy's temperature-dependent mixing terms on the correlation path of method
// 1: the activity model's excess enthalpy behind the liquid fugacity routine (second liquid
// model 418) and the weak-electrolyte model's heat of absorption (method 511); the electrolyte
// model leaves the flash's K-values and their slopes alone; warm calls allocate nothing.
//
// The run holds one correlation set in core at a time: the vapour pressures that both models
// read are evaluated at the test's temperature while their set is current, then the
// liquid-enthalpy set takes its place. The models find the vapour pressures of that
// temperature cached, so every call here is at that one temperature and without the heat
// capacity (whose mixing slope takes the models to other temperatures).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "../equilibrium/kvalues_support.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "support/allocation_counter.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/phase/phase.hpp"
#include "thermo/pure/correlation_sets.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using fugacity_test::BlockData;
using fugacity_test::kR;
using kvalue_test::kN;

// Liquid enthalpies H = c1 + c2 T + c3 T^2 (kJ/kmol); inputs of the test, not property data.
const std::vector<std::vector<double>> kLiquidH = {
    {-8000.0, 40.0, 0.05}, {-15000.0, 90.0, 0.08}, {-20000.0, 120.0, 0.1}};

// Wilson energy parameters A(i,j) (K) and molar volumes (m3/kmol) of the ternary.
const double kWilsonA[kN][kN] = {{0.0, 250.0, 400.0}, {-60.0, 0.0, 150.0}, {120.0, 30.0, 0.0}};
const double kVolumes[kN] = {0.052, 0.0756, 0.1161};

struct Enthalpy {
  double h = -9.0, cp = -9.0, hw = -9.0, cpw = -9.0, z = -9.0, residual = 0.0;
  std::int32_t status = -9, noComposition = 5;
};

Enthalpy liquid(const std::vector<double>& x, double t, double p, std::int32_t option = 1) {
  Enthalpy e;
  phase::HLIQDR(static_cast<std::int32_t>(x.size()), t, p, x, e.h, e.cp, e.hw, e.cpw, e.z, option,
                e.status, e.noComposition, e.residual);
  return e;
}

// The liquid-enthalpy entry: method CODE with option digit 0 and DATA held (none when empty).
void useLiquidEnthalpy(std::int32_t code, const BlockData& data, std::int32_t second) {
  std::int32_t address = services::NODISK, length = 0;
  if (!data.reals.empty() || !data.integers.empty()) {
    length = fugacity_test::holdBlock(data);
    address = methods::LDSTAT.address;
  }
  methods::MSPTRS.classes(6) = {code, 0, data.integerWork, data.realWork, address, length};
  methods::PMCTL2.liquidEnthalpy = methods::MethodEntry{code, 0, 6, address, length};
  methods::PMCTL2.secondLiquidCode = second;
}

BlockData wilsonBlock() {
  BlockData b;
  for (std::size_t j = 0; j < kN; ++j) {
    for (std::size_t i = 0; i < kN; ++i) b.reals.push_back(kWilsonA[i][j]);  // by columns
  }
  for (double v : kVolumes) b.reals.push_back(v);
  b.integers = {0, 0, 0, -1, 1, 0};
  b.reals2.assign(2 * kN * kN + 1, 0.0);
  return b;
}

// Wilson's excess enthalpy (G. M. Wilson, J. Am. Chem. Soc. 86 (1964) 127, with
// Lambda_ij = V_j/V_i exp(-A_ij/T)): H^E = R sum_i x_i (sum_j x_j Lambda_ij A_ij) / S_i,
// S_i = sum_j x_j Lambda_ij.
double wilsonExcessEnthalpy(const std::vector<double>& x, double t) {
  double h = 0.0;
  for (std::size_t i = 0; i < kN; ++i) {
    double s = 0.0, d = 0.0;
    for (std::size_t j = 0; j < kN; ++j) {
      const double lambda = kVolumes[j] / kVolumes[i] * std::exp(-kWilsonA[i][j] / t);
      s += x[j] * lambda;
      d += x[j] * lambda * kWilsonA[i][j];
    }
    h += x[i] * d / s;
  }
  return kR * h;
}

// The electrolyte part of a 511 block: one amine with a constant protonation constant,
// carbon dioxide component 1, water 2, the amine 3, no hydrogen sulphide, no switches.
const std::vector<double> kMasses = {0.04401, 0.018015, 0.06108};
BlockData electrolytePart() {
  BlockData b;
  b.integers = {3, 1, 0, 1, 2, 0, 0, 0, 0, 0, 0, 3};
  b.reals = {std::log(1e-9), 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  b.reals.insert(b.reals.end(), kMasses.begin(), kMasses.end());
  b.reals.push_back(0.0);
  return b;
}
// The liquid-enthalpy block of 511: the general pair parameters of the three components
// (3 integers, 7 n + 2 + 8 n (n - 1)/2 = 47 reals, zero here) before the electrolyte part.
BlockData electrolyteBlock() {
  const BlockData part = electrolytePart();
  BlockData b;
  b.integers.assign(kN, 0);
  b.integers.insert(b.integers.end(), part.integers.begin(), part.integers.end());
  b.reals.assign(7 * kN + 2 + 8 * (kN * (kN - 1)) / 2, 0.0);
  b.reals.insert(b.reals.end(), part.reals.begin(), part.reals.end());
  return b;
}

std::vector<double> fractions(const std::vector<double>& amounts) {
  double s = 0.0;
  for (double a : amounts) s += a;
  std::vector<double> x;
  for (double a : amounts) x.push_back(a / s);
  return x;
}

class LiquidMixing : public ::testing::Test {
 protected:
  void SetUp() override {
    kvalue_test::startKValueRun();
  }
  void TearDown() override { methods::PMCTL2.secondLiquidCode = 0; }

  // Vapour pressures at T cached, then the liquid-enthalpy set current.
  void atTemperature(double t, double p) {
    equilibrium::TPCACH(1, t, p);
    std::vector<correlation_testing::Record> records;
    for (std::size_t i = 0; i < kN; ++i) {
      correlation_testing::Record r;
      r.component = static_cast<std::int32_t>(i + 1);
      r.coefficients = kLiquidH[i];
      records.push_back(r);
    }
    correlation_testing::installSet(pure::kDriverEnthalpy, 1, records);
    methods::PMCTL2.ISEUDI = 0;
  }

  void useWilson() {
    kvalue_test::useKValueMethod(404, wilsonBlock(), equilibrium::kActivityOptionDigit);
  }
};

const std::vector<double> kAmounts = {0.4, 1.0, 0.6};  // on a scale of 2: per mole results
constexpr double kT = 300.0, kP = 3000.0;

// 418: the enthalpy is the correlation average (417) plus Wilson's excess enthalpy of the
// liquid's mole fractions. A liquid fugacity method that is no activity method adds nothing,
// whatever an earlier activity call left behind.
TEST_F(LiquidMixing, SecondLiquidModel418AddsTheActivityModelsExcessEnthalpy) {
  atTemperature(kT, kP);
  useWilson();
  useLiquidEnthalpy(1, {}, 417);
  const Enthalpy plain = liquid(kAmounts, kT, kP, 0);
  useLiquidEnthalpy(1, {}, 418);
  const Enthalpy mixed = liquid(kAmounts, kT, kP, 0);
  EXPECT_EQ(mixed.status, 0);
  EXPECT_EQ(mixed.noComposition, 0);
  EXPECT_EQ(mixed.z, 1.0);  // the activity route's
  const double he = wilsonExcessEnthalpy(fractions(kAmounts), kT);
  ASSERT_GT(std::fabs(he), 10.0);  // a term that shows
  EXPECT_NEAR(mixed.h - plain.h, he, 1e-8 * std::fabs(he));

  kvalue_test::useKValueMethod(101, kvalue_test::cubicBlock(kvalue_test::Cubic::PengRobinson, {}),
                               1);
  methods::PMCTL2.excessEnthalpy = 0.5;  // left by an earlier activity call
  const Enthalpy cubic = liquid(kAmounts, kT, kP, 0);
  EXPECT_DOUBLE_EQ(cubic.h, plain.h);
}

// 511: the correlation average plus R T r of the electrolyte model's heat term on the liquid's
// mole fractions; the flash's K-values (array 5) and their slopes (array 6) are what they were.
TEST_F(LiquidMixing, ElectrolyteModel511AddsTheHeatOfAbsorption) {
  const std::vector<double> amounts = {0.04, 1.6, 0.36};
  const double t = 320.0, p = 200.0;
  atTemperature(t, p);
  useLiquidEnthalpy(1, {}, 0);
  const Enthalpy plain = liquid(amounts, t, p, 0);
  useLiquidEnthalpy(511, electrolyteBlock(), 0);
  fugacity_test::fill(5, 0.125);
  fugacity_test::fill(6, -0.25);
  const Enthalpy mixed = liquid(amounts, t, p, 0);
  for (double v : fugacity_test::array(5, fugacity_test::kArrayWords)) EXPECT_EQ(v, 0.125);
  for (double v : fugacity_test::array(6, fugacity_test::kArrayWords)) EXPECT_EQ(v, -0.25);
  EXPECT_EQ(mixed.status, 0);

  // Regression of the wiring: the model called on its own part of the block directly.
  fugacity_test::holdBlock(electrolytePart());
  std::vector<double> k(kN), dk(kN);
  const std::vector<double> x = fractions(amounts);
  double r = 0.0;
  equilibrium::AQELDR(3, t, p, x, x, k, dk, 0, 2, r);
  ASSERT_GT(std::fabs(kR * t * r), 10.0);
  EXPECT_NEAR(mixed.h - plain.h, kR * t * r, 1e-9 * std::fabs(kR * t * r));
}

// A warm call with either mixing term allocates nothing.
TEST_F(LiquidMixing, WarmCallsAllocateNothing) {
  const std::vector<std::pair<const char*, std::function<void()>>> cases = {
      {"418",
       [this] {
         useWilson();
         useLiquidEnthalpy(1, {}, 418);
       }},
      {"511", [] { useLiquidEnthalpy(511, electrolyteBlock(), 0); }}};
  atTemperature(kT, kP);
  for (const auto& [name, use] : cases) {
    SCOPED_TRACE(name);
    use();
    liquid(kAmounts, kT, kP, 20);
    const std::size_t before = testing_support::allocationCount();
    liquid(kAmounts, kT, kP, 20);
    EXPECT_EQ(testing_support::allocationCount(), before);
  }
}

}  // namespace
