// KCCORR (the correlation K-values K = nu gamma / phiV of methods 103, 104, 118, 119 and
// 120), MIXOPT (the mixing rule of their Redlich-Kwong vapour) and the acentric-factor
// estimate of method 120.
#include "thermo/equilibrium/correlation_kvalues.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"
#include "thermo/equilibrium/kvalue_kernels.hpp"
#include "thermo/pure/correlation_sets.hpp"
#include "thermo/pure/cubic_eos.hpp"

namespace {

using correlation_testing::derivative;
using storage::CORSTO;

constexpr double kR = 8.314471;
constexpr double kAtmosphere = 101.325;
// The Redlich-Kwong constants 1/(9 (2^(1/3) - 1)) and (2^(1/3) - 1)/3.
const double kOmegaA = 1.0 / (9.0 * (std::cbrt(2.0) - 1.0));
const double kOmegaB = (std::cbrt(2.0) - 1.0) / 3.0;
// Class codes of the liquid fugacity sets: Grayson-Streed simple fluid and methane,
// Chao-Seader simple fluid; units digit 1 without the acentric term.
constexpr std::int32_t kGraysonStreed = 10;
constexpr std::int32_t kGraysonStreedMethane = 211;
constexpr std::int32_t kChaoSeader = 310;
// The flash work arrays KCCORR writes.
constexpr std::array<std::int32_t, 6> kArrays{7, 9, 24, 25, 28, 50};
constexpr double kSentinel = -7.0;

// A component of the block: published constants, its class code, and the liquid molar
// volume (cm3/mol) and solubility parameter ((cal/cm3)^0.5) of the tables of K. C. Chao and
// J. D. Seader, AIChE J. 7 (1961) 598 (not re-read for this test: unconfirmed). They are
// inputs: the tests check K against the formulas written here.
struct Component {
  std::string name;
  std::int32_t cls = kGraysonStreed;
  double volume = 0.0;
  double delta = 0.0;
  double wetDelta = 0.0;
  bool library = true;
};

Component published(const std::string& name, std::int32_t cls = kGraysonStreed) {
  struct Row {
    const char* name;
    double v, delta;
  };
  static const std::array<Row, 9> kRows{{{"METHANE", 52.0, 5.68},
                                         {"ETHANE", 68.0, 6.05},
                                         {"PROPANE", 84.0, 6.40},
                                         {"N-BUTANE", 101.4, 6.73},
                                         {"N-PENTANE", 116.1, 7.02},
                                         {"N-HEXANE", 131.6, 7.27},
                                         {"N-HEPTANE", 147.5, 7.43},
                                         {"N-OCTANE", 163.5, 7.551},
                                         {"WATER", 18.07, 23.3616}}};
  for (const Row& r : kRows) {
    if (name == r.name) return {name, cls, r.v, r.delta, r.delta};
  }
  ADD_FAILURE() << name;
  return {};
}

struct Result {
  std::vector<double> k, dkdt, dkdp;
  double zv = -3.0;
};

class CorrelationKValues : public ::testing::Test {
 protected:
  void SetUp() override {
    correlation_testing::startRun();
    equilibrium::storedModelSwitches = {};
    methods::PMCTL2 = {};
  }
  void TearDown() override { equilibrium::storedModelSwitches = {}; }

  // The block of COMPONENTS held as the K-value method's block, their constants in the
  // component data, and the flash work arrays filled with the sentinel.
  void hold(const std::vector<Component>& components) {
    n = static_cast<std::int32_t>(components.size());
    specs.clear();
    std::vector<correlation_testing::Component> constants;
    for (const Component& c : components) {
      specs.push_back(fixtures::publishedComponent(c.name));
      const fixtures::ComponentSpec& s = specs.back();
      constants.push_back(
          {s.molecularWeight, s.normalBoilingPoint, s.criticalTemperature, s.criticalPressure});
    }
    correlation_testing::installComponents(constants);
    const std::int32_t library = storage::ICMGTI(n, 1);
    problem::COPTRS.integerSector(1) = library;
    integers = storage::ICMGTI(n, 1);
    reals = storage::ICMGTR(8 * n, 1);
    for (std::int32_t i = 1; i <= n; ++i) {
      const Component& c = components[static_cast<std::size_t>(i - 1)];
      const fixtures::ComponentSpec& s = specs[static_cast<std::size_t>(i - 1)];
      CORSTO[library + i] = c.library ? s.libraryNumber : services::IMISS;
      CORSTO[integers + i] = c.cls;
      const double tc = s.criticalTemperature;
      const double pc = s.criticalPressure;
      const std::array<double, 8> values{std::sqrt(kOmegaA * kR * kR * tc * tc / pc),
                                         kOmegaB * kR * tc / pc,
                                         s.acentricFactor,
                                         tc,
                                         pc,
                                         c.volume / 1000.0,
                                         c.delta,
                                         c.wetDelta};
      for (std::int32_t r = 1; r <= 8; ++r) setBlock(r, i, values[static_cast<std::size_t>(r - 1)]);
    }
    methods::LDSTAT.integerSector1 = integers;
    methods::LDSTAT.integerLength1 = n;
    methods::LDSTAT.realSector1 = reals;
    methods::LDSTAT.realLength1 = 8 * n;
    for (std::int32_t a : kArrays) {
      const auto index = static_cast<std::size_t>(a);
      problem::FWPART.realOffset(index) = storage::ICMGTR(n * n, 0);
      problem::FWPART.realSize(index) = n * n;
    }
    fillArrays();
  }

  void fillArrays() {
    for (std::int32_t a : kArrays) {
      for (std::int32_t i = 1; i <= n * n; ++i) setArray(a, i, kSentinel);
    }
  }

  double block(std::int32_t r, std::int32_t i) const {
    return CORSTO.real(reals + (r - 1) * n + i);
  }
  void setBlock(std::int32_t r, std::int32_t i, double v) const {
    CORSTO.setReal(reals + (r - 1) * n + i, v);
  }
  static double array(std::int32_t a, std::int32_t i) {
    return CORSTO.real(problem::FWPART.realOffset(static_cast<std::size_t>(a)) + i);
  }
  static void setArray(std::int32_t a, std::int32_t i, double v) {
    CORSTO.setReal(problem::FWPART.realOffset(static_cast<std::size_t>(a)) + i, v);
  }

  Result run(double t, double pv, double p, std::int32_t level, std::int32_t d1,
             const std::vector<double>& x, const std::vector<double>& y, std::int32_t code = 103,
             std::int32_t iwnum = 0) const {
    Result r;
    const auto size = static_cast<std::size_t>(n);
    r.k.assign(size, kSentinel);
    r.dkdt.assign(size, kSentinel);
    r.dkdp.assign(size, -1.0 / p);
    equilibrium::KCCORR(n, t, pv, p, r.k, r.dkdt, r.dkdp, level, d1, x, y, r.zv, code, iwnum, 0);
    return r;
  }

  // ln nu straight from the pure-liquid fugacity correlation with the block's constants.
  std::vector<double> lnNu(double t, double p, std::int32_t method120 = 0) const {
    const auto size = static_cast<std::size_t>(n);
    std::vector<double> ln(size), dt(size), dt2(size), dp(size), omega(size), pc(size), tc(size);
    std::vector<std::int32_t> classes(size);
    for (std::int32_t i = 1; i <= n; ++i) {
      const auto j = static_cast<std::size_t>(i - 1);
      omega[j] = block(3, i);
      tc[j] = block(4, i);
      pc[j] = block(5, i);
      classes[j] = CORSTO[integers + i];
    }
    std::int32_t istat = 0;
    equilibrium::FUGLS0(istat, n, p, t, ln, dt, dt2, dp, omega, pc, tc, classes, method120);
    return ln;
  }

  std::int32_t n = 0;
  std::int32_t integers = 0;
  std::int32_t reals = 0;
  std::vector<fixtures::ComponentSpec> specs;
};

// The published Redlich-Kwong fugacity coefficients of a mixture without interaction
// parameters: Z the vapour root of Z^3 - Z^2 + (A - B - B^2) Z - A B = 0 and
//   ln phi_i = b_i/b (Z - 1) - ln(Z - B) - A/B (2 sqrt(a_i/a) - b_i/b) ln(1 + B/Z).
std::vector<double> redlichKwong(const std::vector<fixtures::ComponentSpec>& s,
                                 const std::vector<double>& y, double t, double p, double& z) {
  const std::size_t n = s.size();
  std::vector<double> ai(n), bi(n);
  double sqrtA = 0.0, b = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double tc = s[i].criticalTemperature;
    const double pc = s[i].criticalPressure;
    ai[i] = kOmegaA * kR * kR * std::pow(tc, 2.5) / (pc * std::sqrt(t));
    bi[i] = kOmegaB * kR * tc / pc;
    sqrtA += y[i] * std::sqrt(ai[i]);
    b += y[i] * bi[i];
  }
  const double a = sqrtA * sqrtA;
  const double aa = a * p / (kR * kR * t * t);
  const double bb = b * p / (kR * t);
  z = 1.0;
  for (int it = 0; it < 100; ++it) {
    const double f = ((z - 1.0) * z + (aa - bb - bb * bb)) * z - aa * bb;
    const double df = (3.0 * z - 2.0) * z + (aa - bb - bb * bb);
    z -= f / df;
  }
  std::vector<double> lnphi(n);
  for (std::size_t i = 0; i < n; ++i) {
    lnphi[i] = bi[i] / b * (z - 1.0) - std::log(z - bb) -
               aa / bb * (2.0 * std::sqrt(ai[i] / a) - bi[i] / b) * std::log(1.0 + bb / z);
  }
  return lnphi;
}

// The Scatchard-Hildebrand regular solution: ln gamma_i = V_i (delta_i - delta_mean)^2/RT,
// delta_mean the volume-fraction average, R = 1.98721 cal/(mol K).
std::vector<double> scatchardHildebrand(const std::vector<Component>& c,
                                        const std::vector<double>& x, double t) {
  double volume = 0.0, mean = 0.0;
  for (std::size_t i = 0; i < c.size(); ++i) volume += x[i] * c[i].volume;
  for (std::size_t i = 0; i < c.size(); ++i) mean += x[i] * c[i].volume / volume * c[i].delta;
  std::vector<double> lng;
  for (const Component& ci : c) {
    lng.push_back(ci.volume * (ci.delta - mean) * (ci.delta - mean) / (1.98721 * t));
  }
  return lng;
}

// A light-hydrocarbon mixture in the Grayson-Streed form, methane with its own set.
std::vector<Component> lightHydrocarbons() {
  return {published("METHANE", kGraysonStreedMethane), published("PROPANE"), published("N-HEXANE")};
}
const std::vector<double> kX{0.05, 0.35, 0.60};
const std::vector<double> kY{0.70, 0.25, 0.05};

// A pure liquid at its normal boiling point is in equilibrium with its vapour at one
// atmosphere: K = nu / phiV is 1 within the 6 % to which both published constant sets,
// with the Redlich-Kwong vapour, meet the boiling points of the normal alkanes (the
// heavier ones lie lowest: n-octane comes out at 0.94 to 0.95 here, a regression value).
TEST_F(CorrelationKValues, PureHydrocarbonsBoilAtTheirNormalBoilingPoints) {
  for (const char* name :
       {"PROPANE", "N-BUTANE", "N-PENTANE", "N-HEXANE", "N-HEPTANE", "N-OCTANE"}) {
    for (std::int32_t cls : {kGraysonStreed, kChaoSeader}) {
      SCOPED_TRACE(std::string(name) + " class " + std::to_string(cls));
      hold({published(name, cls)});
      const double tb = specs[0].normalBoilingPoint;
      const Result r = run(tb, kAtmosphere, kAtmosphere, 0, 1, {1.0}, {1.0});
      EXPECT_NEAR(r.k[0], 1.0, 0.06);
      EXPECT_GT(r.zv, 0.9);
      EXPECT_LT(r.zv, 1.0);
    }
  }
}

// K = nu gamma / phiV: the K-value without digit 1 is nu, the regular-solution gamma is the
// Scatchard-Hildebrand equation with the published Chao-Seader parameters, and phiV and Z
// are those of the published Redlich-Kwong equation. Array 9 is left holding ln phiV.
TEST_F(CorrelationKValues, FactorsIntoLiquidFugacityActivityAndRedlichKwongVapour) {
  const std::vector<Component> c = lightHydrocarbons();
  hold(c);
  for (const auto& [t, p] : {std::pair{300.0, 2000.0}, std::pair{350.0, 500.0}}) {
    SCOPED_TRACE(t);
    const std::vector<double> lng = scatchardHildebrand(c, kX, t);
    double z = 0.0;
    const std::vector<double> lnphi = redlichKwong(specs, kY, t, p, z);
    const Result nu = run(t, p, p, 0, 0, kX, kY);
    const Result full = run(t, p, p, 1, 1, kX, kY);
    EXPECT_NEAR(full.zv, z, 1e-12);
    for (std::int32_t i = 1; i <= n; ++i) {
      const auto j = static_cast<std::size_t>(i - 1);
      EXPECT_NEAR(std::log(full.k[j]), std::log(nu.k[j]) + lng[j] - lnphi[j], 1e-10);
      EXPECT_NEAR(array(9, i), lnphi[j], 1e-12);
    }
  }
}

// The derivatives: dK/dT and the vapour part of dK/dP are the slopes of K in T and in the
// vapour pressure PV; the composition matrices obey the Gibbs-Duhem equation, the vapour one
// is symmetric. Without the hundreds digit the matrices stay untouched.
TEST_F(CorrelationKValues, DerivativesMatchFiniteDifferences) {
  hold(lightHydrocarbons());
  const double t = 300.0, p = 2500.0, pv = 2000.0;
  const Result r = run(t, pv, p, 101, 1, kX, kY);
  for (std::int32_t i = 1; i <= n; ++i) {
    SCOPED_TRACE(i);
    const auto j = static_cast<std::size_t>(i - 1);
    const double dT =
        derivative([&](double tt) { return run(tt, pv, p, 0, 1, kX, kY).k[j]; }, t, 1e-2);
    EXPECT_NEAR(r.dkdt[j], dT, 1e-7 * std::fabs(dT) + 1e-12);
    const double dPV =
        derivative([&](double pp) { return run(t, pp, p, 0, 1, kX, kY).k[j]; }, pv, 1e-1);
    EXPECT_NEAR(r.dkdp[j] - r.k[j] * (-1.0 / p), dPV, 1e-7 * std::fabs(dPV));
  }
  run(t, pv, p, 101, 1, kX, kY);
  for (std::int32_t k = 1; k <= n; ++k) {
    double vapour = 0.0, liquid = 0.0;
    for (std::int32_t i = 1; i <= n; ++i) {
      const auto j = static_cast<std::size_t>(i - 1);
      EXPECT_NEAR(array(25, (k - 1) * n + i), array(25, (i - 1) * n + k), 1e-12);
      vapour += kY[j] * array(25, (k - 1) * n + i);
      liquid += kX[j] * array(28, (k - 1) * n + i);
    }
    EXPECT_NEAR(vapour, 0.0, 1e-12);
    EXPECT_NEAR(liquid, 0.0, 1e-12);
    EXPECT_NE(array(50, k), kSentinel);
  }

  fillArrays();
  const Result noMatrices = run(t, pv, p, 1, 1, kX, kY);
  EXPECT_EQ(noMatrices.dkdt, r.dkdt);
  for (std::int32_t i = 1; i <= n; ++i) {
    EXPECT_EQ(array(25, i), kSentinel);
    EXPECT_EQ(array(28, i), kSentinel);
    EXPECT_EQ(array(50, i), kSentinel);
  }
}

// Without derivatives the vapour slopes are not evaluated: array 24 is zero, array 7 keeps
// d ln gamma/dT, and dK/dT and dK/dP carry the liquid-side terms alone.
TEST_F(CorrelationKValues, WithoutDerivativesOnlyTheLiquidSideSlopes) {
  hold(lightHydrocarbons());
  const double t = 300.0, p = 2000.0;
  const Result withSlopes = run(t, p, p, 1, 1, kX, kY);
  std::vector<double> vapourSlopes;
  for (std::int32_t i = 1; i <= n; ++i) vapourSlopes.push_back(array(7, i));
  const Result r = run(t, p, p, 0, 1, kX, kY);
  const std::vector<double> lng = scatchardHildebrand(lightHydrocarbons(), kX, t);
  for (std::int32_t i = 1; i <= n; ++i) {
    SCOPED_TRACE(i);
    const auto j = static_cast<std::size_t>(i - 1);
    EXPECT_EQ(r.k[j], withSlopes.k[j]);
    EXPECT_EQ(array(24, i), 0.0);
    EXPECT_NEAR(array(7, i), -lng[j] / t, 1e-12);
    EXPECT_NEAR(r.dkdt[j], withSlopes.dkdt[j] + r.k[j] * vapourSlopes[j], 1e-12 * r.k[j]);
    EXPECT_DOUBLE_EQ(r.dkdp[j], -r.k[j] / p);
  }
}

// Digit 1 = 0: K = exp(ln nu) exactly, dK/dP = -K/P from the -1/P passed in, array 9 holds
// d2 ln nu/dT2 and arrays 7, 24, 25 and 28 are untouched. A negative class code gives
// nu = 1: K = 1, or gamma/phiV with digit 1. ln K above 70 is held at 70; at such a
// pressure the vapour is ideal (Z = 1, ln phiV = 0).
TEST_F(CorrelationKValues, DigitOneZeroIsThePureLiquidFugacity) {
  hold(lightHydrocarbons());
  const double t = 320.0, p = 1500.0;
  const Result r = run(t, p, p, 1, 0, kX, kY);
  const std::vector<double> ln = lnNu(t, p);
  for (std::int32_t i = 1; i <= n; ++i) {
    SCOPED_TRACE(i);
    const auto j = static_cast<std::size_t>(i - 1);
    EXPECT_EQ(r.k[j], std::exp(ln[j]));
    EXPECT_DOUBLE_EQ(r.dkdp[j], -r.k[j] / p);
    EXPECT_NE(array(9, i), kSentinel);
    for (std::int32_t a : {7, 24, 25, 28}) EXPECT_EQ(array(a, i), kSentinel);
  }
  EXPECT_EQ(r.zv, -3.0) << "no cubic root";

  CORSTO[integers + 2] = -1;
  const Result none = run(t, p, p, 1, 0, kX, kY);
  EXPECT_EQ(none.k[1], 1.0);
  EXPECT_EQ(none.dkdt[1], 0.0);
  const Result withVapour = run(t, p, p, 0, 1, kX, kY);
  double z = 0.0;
  const std::vector<double> lnphi = redlichKwong(specs, kY, t, p, z);
  const std::vector<double> lng = scatchardHildebrand(lightHydrocarbons(), kX, t);
  EXPECT_NEAR(std::log(withVapour.k[1]), lng[1] - lnphi[1], 1e-10);

  // At a vanishing pressure ln nu exceeds 70, and the vapour is an ideal gas.
  const Result limited = run(t, 1e-30, 1e-30, 1, 0, kX, kY);
  EXPECT_GT(lnNu(t, 1e-30)[0], 70.0);
  EXPECT_EQ(limited.k[0], std::exp(70.0));
  const Result ideal = run(t, 1e-30, 1e-30, 1, 1, kX, kY);
  EXPECT_EQ(ideal.k[0], std::exp(70.0));
  EXPECT_NEAR(ideal.zv, 1.0, 1e-12);
  for (std::int32_t i = 1; i <= n; ++i) EXPECT_NEAR(array(9, i), 0.0, 1e-12);
}

// MIXOPT is the classical rule with every interaction parameter zero, at every level.
TEST(MIXOPT, IsTheClassicalRuleWithoutInteractions) {
  const std::vector<double> v{3.1, 2.2, 4.5}, pa{-0.011, -0.004, -0.02}, qa{4e-5, 1e-5, 9e-5},
      b{0.03, 0.05, 0.09}, y{0.2, 0.5, 0.3}, ones{1.0, 1.0, 1.0}, zeros{0.0, 0.0, 0.0};
  for (std::int32_t level = 1; level <= 4; ++level) {
    SCOPED_TRACE(level);
    struct Out {
      double am = -9, amT = -9, amTT = -9, bm = -9, bmT = -9, bmTT = -9;
      std::vector<double> psi = std::vector<double>(3, -9.0), psiT = psi, bbar = psi, bbarT = psi,
                          amat = std::vector<double>(9, -9.0), bmat = amat;
    } mix, classical;
    equilibrium::MIXOPT(v, pa, qa, b, level, 3, y, mix.am, mix.amT, mix.amTT, mix.psi, mix.psiT,
                        mix.amat, mix.bm, mix.bmT, mix.bmTT, mix.bbar, mix.bbarT, mix.bmat);
    pure::EOSMR7(v, pa, qa, b, ones, zeros, zeros, level, 3, y, classical.am, classical.amT,
                 classical.amTT, classical.psi, classical.psiT, classical.amat, classical.bm,
                 classical.bmT, classical.bmTT, classical.bbar, classical.bbarT, classical.bmat);
    const auto near = [](double a, double b2) {
      EXPECT_NEAR(a, b2, 1e-12 * (1.0 + std::fabs(b2)));
    };
    near(mix.am, classical.am);
    near(mix.bm, classical.bm);
    near(mix.amT, classical.amT);
    near(mix.amTT, classical.amTT);
    near(mix.bmT, classical.bmT);
    near(mix.bmTT, classical.bmTT);
    for (std::size_t i = 0; i < 3; ++i) {
      near(mix.psi[i], classical.psi[i]);
      near(mix.psiT[i], classical.psiT[i]);
      near(mix.bbar[i], classical.bbar[i]);
      near(mix.bbarT[i], classical.bbarT[i]);
    }
    for (std::size_t i = 0; i < 9; ++i) {
      near(mix.amat[i], classical.amat[i]);
      near(mix.bmat[i], classical.bmat[i]);
    }
  }
}

// Method 120 and water: above 30 % water the wet solubility parameters stand for the dry
// ones; at or below it the dry value 23.3616 of water follows 31.6 - 0.0163 T(degR) above
// the ice point (not at it), and the block keeps its own value. Each case equals method 103
// on a block that holds the parameters the case should use.
TEST_F(CorrelationKValues, Method120WaterSolubilityParameter) {
  struct Case {
    const char* label;
    double t, xw, dryWater;
    double expectedWater;  // the water parameter the call should use; 0: the wet array
  };
  const double warm = 320.0;
  const std::vector<Case> cases{
      {"wet liquid", warm, 0.5, 23.3616, 0.0},
      {"exactly 30 % water", warm, 0.3, 23.3616, 31.6 - 0.0163 * 1.8 * warm},
      {"at the ice point", 273.15, 0.2, 23.3616, 23.3616},
      {"another dry value", warm, 0.2, 23.3618, 23.3618},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<Component> comps{published("N-HEXANE"), published("WATER"), published("PROPANE")};
    comps[1].delta = c.dryWater;
    for (Component& comp : comps) comp.wetDelta = comp.delta + 0.8;
    const std::vector<double> x{0.9 - c.xw, c.xw, 0.1};
    const std::vector<double> y{0.3, 0.2, 0.5};
    hold(comps);
    const Result r120 = run(c.t, 800.0, 800.0, 1, 1, x, y, 120, 2);
    EXPECT_EQ(block(7, 2), c.dryWater) << "the block keeps its value";
    std::vector<Component> expected = comps;
    if (c.expectedWater == 0.0) {
      for (Component& comp : expected) comp.delta = comp.wetDelta;
    } else {
      expected[1].delta = c.expectedWater;
    }
    hold(expected);
    const Result r103 = run(c.t, 800.0, 800.0, 1, 1, x, y, 103, 2);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(r120.k[i], r103.k[i]);
  }
}

// The acentric-factor estimate reproduces the published acentric factors of the normal
// alkanes from their boiling points, critical constants and densities alone, within 0.035
// from Tr = 0.6 to 0.8 (it inverts the simple-fluid liquid fugacity correlation, which
// meets the boiling points within a few per cent).
TEST_F(CorrelationKValues, AcentricEstimateReproducesPublishedValues) {
  for (const char* name : {"N-PENTANE", "N-HEXANE", "N-HEPTANE", "N-OCTANE", "N-DECANE"}) {
    const fixtures::ComponentSpec s = fixtures::publishedComponent(name);
    const double volume = s.molecularWeight / s.liquidDensity;
    for (double tr : {0.6, 0.7, 0.8}) {
      SCOPED_TRACE(std::string(name) + " Tr " + std::to_string(tr));
      double zv = -3.0;
      const double omega = equilibrium::estimateAcentricFactor(
          tr * s.criticalTemperature, 1000.0, s.normalBoilingPoint, s.criticalTemperature,
          s.criticalPressure, s.molecularWeight, volume, zv);
      EXPECT_NEAR(omega, s.acentricFactor, 0.035);
    }
  }
}

// At and above the critical temperature the estimate is 3/7 log10(Pc/1 atm)/(Tc/Tb - 1) - 1;
// at Tr = 0.95 it lies halfway between that and the value at 0.9 Tc (the vapour pressure is
// taken at 0.9 Tc from there on, its cubic root solved to the root finder's tolerance), and
// it does not depend on the pressure.
TEST_F(CorrelationKValues, AcentricEstimateNearAndAboveTheCriticalPoint) {
  const fixtures::ComponentSpec s = fixtures::publishedComponent("N-HEPTANE");
  const double tc = s.criticalTemperature;
  const auto estimate = [&](double t, double p, double& zv) {
    return equilibrium::estimateAcentricFactor(t, p, s.normalBoilingPoint, tc, s.criticalPressure,
                                               s.molecularWeight,
                                               s.molecularWeight / s.liquidDensity, zv);
  };
  double zv = -3.0;
  const double critical =
      3.0 / 7.0 * std::log10(s.criticalPressure / kAtmosphere) / (tc / s.normalBoilingPoint - 1.0) -
      1.0;
  for (double tr : {1.0, 1.3}) EXPECT_NEAR(estimate(tr * tc, 500.0, zv), critical, 1e-5);
  EXPECT_EQ(zv, -3.0) << "no cubic root above the critical temperature";
  const double capped = estimate(0.9 * tc, 500.0, zv);
  EXPECT_GT(zv, 0.0);
  EXPECT_LT(zv, 1.0);
  EXPECT_NEAR(estimate(0.95 * tc, 500.0, zv), 0.5 * (capped + critical), 1e-6);
  EXPECT_NEAR(estimate(0.7 * tc, 50.0, zv), estimate(0.7 * tc, 5000.0, zv), 1e-9);
}

// A vapour attraction constant that is not a number leaves the vapour without a root: the
// K-values are not numbers, which the flashes take as a failed K-value call, never K-values of
// the liquid side alone.
TEST_F(CorrelationKValues, VapourWithoutARootGivesNoKValues) {
  hold({published("PROPANE"), published("N-HEPTANE")});
  setBlock(1, 2, std::numeric_limits<double>::quiet_NaN());
  const Result r = run(350.0, 300.0, 300.0, 1, 1, {0.3, 0.7}, {0.9, 0.1});
  for (const double k : r.k) EXPECT_TRUE(std::isnan(k));
}

// A pressure that is not a number leaves the saturated vapour without a cubic root: the
// estimate from the critical constants stands (finite, ZV untouched), never a NaN omega.
TEST_F(CorrelationKValues, AcentricEstimateWithoutAVapourRootIsTheCriticalEstimate) {
  const fixtures::ComponentSpec s = fixtures::publishedComponent("N-HEPTANE");
  const double tc = s.criticalTemperature;
  const double critical =
      3.0 / 7.0 * std::log10(s.criticalPressure / kAtmosphere) / (tc / s.normalBoilingPoint - 1.0) -
      1.0;
  double zv = -3.0;
  const double omega = equilibrium::estimateAcentricFactor(
      0.7 * tc, std::numeric_limits<double>::quiet_NaN(), s.normalBoilingPoint, tc,
      s.criticalPressure, s.molecularWeight, s.molecularWeight / s.liquidDensity, zv);
  EXPECT_NEAR(omega, critical, 1e-5);
  EXPECT_EQ(zv, -3.0);
}

// Method 120 puts the estimate of every component without library data into array 3 of the
// block, leaves library components alone, and forms K with the estimate; without digit 1 ZV
// is the saturated vapour's root of the last estimate.
TEST_F(CorrelationKValues, Method120EstimatesMissingAcentricFactors) {
  std::vector<Component> comps{published("PROPANE"), published("N-HEPTANE")};
  comps[1].library = false;
  hold(comps);
  const double t = 0.85 * specs[1].criticalTemperature;
  const double p = 300.0;
  setBlock(3, 2, 9.9);
  const Result r120 = run(t, p, p, 1, 0, {0.3, 0.7}, {0.9, 0.1}, 120);
  double zv = -3.0;
  const double omega = equilibrium::estimateAcentricFactor(
      t, p, specs[1].normalBoilingPoint, specs[1].criticalTemperature, specs[1].criticalPressure,
      specs[1].molecularWeight, block(6, 2), zv);
  EXPECT_EQ(block(3, 2), omega);
  EXPECT_EQ(block(3, 1), specs[0].acentricFactor);
  EXPECT_EQ(r120.zv, zv);
  EXPECT_GT(zv, 0.0);
  const Result r103 = run(t, p, p, 1, 0, {0.3, 0.7}, {0.9, 0.1}, 103);
  EXPECT_EQ(r120.k, r103.k);
}

// A vapour the cubic has no vapour root for (n-hexane at 300 K and 5 MPa) is solved at a
// pseudo-root, which clears the vapour root-status word; a true root leaves it alone.
TEST_F(CorrelationKValues, VapourPseudoRootClearsTheRootStatus) {
  hold({published("N-HEXANE")});
  methods::PMCTL2.ISEUDV = 1;
  const Result gas = run(400.0, 100.0, 100.0, 1, 1, {1.0}, {1.0});
  EXPECT_EQ(methods::PMCTL2.ISEUDV, 1);
  EXPECT_GT(gas.zv, 0.9);
  const Result dense = run(300.0, 5000.0, 5000.0, 1, 1, {1.0}, {1.0});
  EXPECT_EQ(methods::PMCTL2.ISEUDV, 0);
  EXPECT_TRUE(std::isfinite(dense.k[0]));
  EXPECT_GT(dense.k[0], 0.0);
}

// A block shorter than the call, or a flash work array too short for a matrix, stops the
// run.
TEST_F(CorrelationKValues, ShortBlockOrArrayStopsTheRun) {
  testing_support::StopThrows stop;
  hold(lightHydrocarbons());
  methods::LDSTAT.realLength1 = 7 * n - 1;
  EXPECT_THROW(run(300.0, 1000.0, 1000.0, 0, 1, kX, kY), platform::RunStopped);
  methods::LDSTAT.realLength1 = 7 * n;
  EXPECT_NO_THROW(run(300.0, 1000.0, 1000.0, 0, 1, kX, kY)) << "array 8 only for method 120";
  problem::FWPART.realSize(25) = n;
  EXPECT_NO_THROW(run(300.0, 1000.0, 1000.0, 1, 1, kX, kY));
  EXPECT_THROW(run(300.0, 1000.0, 1000.0, 101, 1, kX, kY), platform::RunStopped);
}

}  // namespace
