// The liquid-density methods on parameter blocks read from a problem database: the fixture
// builder writes method sets with their blocks, the problem is opened as a host opens it, and
// DNLIQ brings each set's block into core through the loaders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fixtures/problem_builder.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"
#include "thermo/pure/pure.hpp"

namespace {

constexpr double kR = 8.314471;

// Sets of the fixture problem, by number.
enum Set : std::int32_t {
  kPengRobinson = 1,  // code 102 in every equation-of-state slot
  kSoave,             // code 101
  kCostald,           // 102 with liquid density 303
  kRackett,           // 102 with liquid density 305
  kRackettVolumes,    // 102 with liquid density 302
};

// Components 1 n-butane, 2 propane.
const std::vector<std::string> kComponents = {"N-BUTANE", "PROPANE"};

fixtures::ProblemDescription problemWithDensitySets() {
  fixtures::ProblemDescription d;
  d.name = "density";
  for (const std::string& name : kComponents) {
    d.components.push_back(fixtures::publishedComponent(name));
  }
  auto costald = fixtures::equationOfStateSet("COSTALD", 102);
  fixtures::setSlotMethod(costald, pure::kLiquidDensityClass, 303);
  auto rackett = fixtures::equationOfStateSet("RACKETT", 102);
  fixtures::setSlotMethod(rackett, pure::kLiquidDensityClass, 305);
  auto volumes = fixtures::equationOfStateSet("RACKETT-VOL", 102);
  fixtures::setSlotMethod(volumes, pure::kLiquidDensityClass, 302);
  d.methodSets = {fixtures::equationOfStateSet("PENG-ROB", 102),
                  fixtures::equationOfStateSet("SOAVE", 101), costald, rackett, volumes};
  return d;
}

// The liquid root of a cubic equation Z^3 + c2 Z^2 + c1 Z + c0 = 0: the smallest real root
// above FLOOR, by the trigonometric or Cardano solution.
double smallestRootAbove(double c2, double c1, double c0, double floor) {
  const double q = (3.0 * c1 - c2 * c2) / 9.0;
  const double r = (9.0 * c2 * c1 - 27.0 * c0 - 2.0 * c2 * c2 * c2) / 54.0;
  const double disc = q * q * q + r * r;
  if (disc > 0.0) {
    return std::cbrt(r + std::sqrt(disc)) + std::cbrt(r - std::sqrt(disc)) - c2 / 3.0;
  }
  const double theta = std::acos(r / std::sqrt(-q * q * q));
  double z = 1e30;
  for (int k = 0; k < 3; ++k) {
    const double root = 2.0 * std::sqrt(-q) * std::cos((theta + 2.0 * M_PI * k) / 3.0) - c2 / 3.0;
    if (root > floor) z = std::min(z, root);
  }
  return z;
}

// The Peng-Robinson equation (D.-Y. Peng and D. B. Robinson, Ind. Eng. Chem. Fundam. 15
// (1976) 59): Z^3 - (1 - B) Z^2 + (A - 3B^2 - 2B) Z - (AB - B^2 - B^3) = 0. Its constants
// Omega_a and Omega_b are A and B at the critical point, where the cubic is (Z - Zc)^3:
// Zc = (1 - B)/3, A = 3 Zc^2 + 3B^2 + 2B and Zc^3 = AB - B^2 - B^3, solved here by bisection.
struct Omegas {
  double a, b;
};
Omegas pengRobinsonOmegas() {
  const auto omegaA = [](double b) {
    const double zc = (1.0 - b) / 3.0;
    return 3.0 * zc * zc + 3.0 * b * b + 2.0 * b;
  };
  const auto residual = [&](double b) {
    const double zc = (1.0 - b) / 3.0;
    return zc * zc * zc - (omegaA(b) * b - b * b - b * b * b);
  };
  double lo = 0.05, hi = 0.1;
  for (int k = 0; k < 200; ++k) {
    const double mid = 0.5 * (lo + hi);
    ((residual(lo) > 0.0) == (residual(mid) > 0.0) ? lo : hi) = mid;
  }
  const double b = 0.5 * (lo + hi);
  return {omegaA(b), b};
}

// The liquid molar density of the Peng-Robinson equation for mole fractions X of the
// components, k_ij = 0.
double pengRobinsonLiquid(const std::vector<double>& x, double t, double p) {
  const Omegas omega = pengRobinsonOmegas();
  double sqrtA = 0.0, b = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const fixtures::ComponentSpec c = fixtures::publishedComponent(kComponents[i]);
    const double w = c.acentricFactor;
    const double m = 0.37464 + 1.54226 * w - 0.26992 * w * w;
    const double alpha = std::pow(1.0 + m * (1.0 - std::sqrt(t / c.criticalTemperature)), 2);
    const double tc = c.criticalTemperature;
    sqrtA += x[i] * std::sqrt(omega.a * kR * kR * tc * tc / c.criticalPressure * alpha);
    b += x[i] * omega.b * kR * tc / c.criticalPressure;
  }
  const double a = sqrtA * sqrtA * p / (kR * t * kR * t);
  const double bb = b * p / (kR * t);
  const double z = smallestRootAbove(-(1.0 - bb), a - 3.0 * bb * bb - 2.0 * bb,
                                     -(a * bb - bb * bb - bb * bb * bb), bb);
  return p / (z * kR * t);
}

class DensityFromDatabase : public ::testing::Test {
 protected:
  // Builds the problem of D and opens it as a host does.
  void openProblem(const fixtures::ProblemDescription& d) {
    const fixtures::BuiltProblem built = fixtures::buildProblem(dir.path(), d);
    std::int32_t iout = 0;
    methods::PAINIT(built.problemBase.parent_path().string() + "/" + d.name, dir.path().string(),
                    iout, 0);
    open = true;
  }
  ~DensityFromDatabase() override {
    try {
      if (open) methods::PAEND();
    } catch (const platform::RunStopped&) {
    }
    storage::FIINIT();
  }

  static void makeCurrent(std::int32_t set) {
    std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
    methods::FLMSET(d3, d4, d5, ndig, set);
  }

  // DNLIQ for the current set; the status must be 0.
  static double liquidDensity(const std::vector<double>& x, double t, double p) {
    double dens = 0.0;
    std::int32_t ierr = -1;
    pure::DNLIQ(static_cast<std::int32_t>(x.size()), t, p, x, dens, ierr);
    EXPECT_EQ(ierr, 0);
    return dens;
  }

  testing_support::StopThrows stop;
  testing_support::TempDir dir;
  bool open = false;
};

// The Peng-Robinson set's block gives the Peng-Robinson liquid root: n-butane at 350 K and
// 945.73 kPa, near its vapour pressure, and a mixture with propane; the Soave set's block
// gives another density.
TEST_F(DensityFromDatabase, PengRobinsonSetGivesTheLiquidRoot) {
  struct Case {
    std::vector<double> x;
    double t, p;
  };
  const std::vector<Case> cases = {{{1.0, 0.0}, 350.0, 945.73}, {{0.7, 0.3}, 300.0, 1500.0}};
  openProblem(problemWithDensitySets());
  makeCurrent(kPengRobinson);
  ASSERT_EQ(methods::PMCTL1.liquidDensity.code, 102);
  ASSERT_NE(methods::PMCTL1.liquidDensity.blockAddress, services::NODISK);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x[0]);
    // The block's Omega constants carry nine digits.
    const double expected = pengRobinsonLiquid(c.x, c.t, c.p);
    EXPECT_NEAR(liquidDensity(c.x, c.t, c.p), expected, 1e-8 * expected);
    // A liquid, not the vapour.
    EXPECT_GT(expected, 10.0 * c.p / (kR * c.t));
  }
  // The Soave set's block holds the other equation.
  makeCurrent(kSoave);
  const double soave = liquidDensity({1.0, 0.0}, 350.0, 945.73);
  EXPECT_GT(std::fabs(soave / pengRobinsonLiquid({1.0, 0.0}, 350.0, 945.73) - 1.0), 0.02);
}

// The cubic set's slots share one block: the liquid density reads the block the K-values
// name. Its temperature terms are evaluated once while the temperature repeats, and again
// after another set's block was read in between.
TEST_F(DensityFromDatabase, OneSharedBlockEvaluatedOncePerTemperature) {
  openProblem(problemWithDensitySets());
  makeCurrent(kPengRobinson);
  EXPECT_EQ(methods::PMCTL1.liquidDensity.blockAddress, methods::KMCTL.kvalue.blockAddress);
  EXPECT_EQ(methods::PMCTL1.vapourDensity.blockAddress, methods::KMCTL.kvalue.blockAddress);
  const std::vector<double> x = {0.7, 0.3};
  const std::int64_t before = pure::DNCNTS.termEvaluations;
  const double first = liquidDensity(x, 320.0, 2000.0);
  EXPECT_GT(liquidDensity(x, 320.0, 2500.0), first) << "compressed";
  EXPECT_EQ(pure::DNCNTS.termEvaluations, before + 1);

  makeCurrent(kCostald);
  liquidDensity(x, 320.0, 2000.0);
  makeCurrent(kPengRobinson);
  EXPECT_DOUBLE_EQ(liquidDensity(x, 320.0, 2000.0), first);
  EXPECT_EQ(pure::DNCNTS.termEvaluations, before + 2);
}

// Every load of a block forgets the terms kept for the block held before, whatever the cache
// words of the new block say: a second Peng-Robinson set whose stored block carries a valid
// flag, a stored level 4 and the very temperature of the call, with a pair coefficient of its
// own, gives its own density, not the terms of the first set's block.
TEST_F(DensityFromDatabase, BlockLoadClearsTheValidFlag) {
  fixtures::ProblemDescription d = problemWithDensitySets();
  auto stale = fixtures::equationOfStateSet("PR-STORED", 102);
  stale.parameterBlocks[0] = [](const std::vector<fixtures::ComponentSpec>& comps) {
    fixtures::MethodBlock b =
        fixtures::cubicParameterBlock(102, fixtures::CubicForm::PengRobinson, comps, {0.1});
    const std::size_t cache = b.integers.size() - 3;  // switch, valid flag, stored level
    b.integers[cache + 1] = 1;
    b.integers[cache + 2] = 4;
    b.reals.back() = 320.0;  // the stored temperature
    return b;
  };
  d.methodSets = {fixtures::equationOfStateSet("PENG-ROB", 102), stale};
  openProblem(d);
  const std::vector<double> x = {0.7, 0.3};
  makeCurrent(1);
  const double first = liquidDensity(x, 320.0, 2000.0);
  makeCurrent(2);
  const std::int64_t before = pure::heldCubicTermsEvaluations();
  const double second = liquidDensity(x, 320.0, 2000.0);
  EXPECT_EQ(pure::heldCubicTermsEvaluations(), before + 1);
  EXPECT_GT(std::fabs(second / first - 1.0), 1e-4) << "the pair coefficient of the second set";
  // The second set's terms, evaluated again from its block, give the same density.
  const std::int32_t validWord =
      pure::cubicblock::cacheWords(102, 2, methods::LDSTAT.integerLength1) + 1;
  storage::CORSTO[methods::LDSTAT.integerSector1 + validWord] = 0;
  EXPECT_EQ(liquidDensity(x, 320.0, 2000.0), second);
}

// Every method with a block of the fixture builder, in the liquid-density slot of a set of a
// problem of its own: a liquid density of the order of n-butane's with some propane (near
// 10 kmol/m3 at 300 K); the cubic codes whose mixing rules reduce to the classical quadratic
// rule without pair parameters give the density of code 102.
TEST_F(DensityFromDatabase, EveryBuiltBlockGivesALiquidDensity) {
  const std::vector<std::int32_t> codes = {102, 101, 108, 109, 111, 112, 114, 116,
                                           117, 121, 122, 124, 502, 110, 203, 204,
                                           211, 212, 213, 214, 302, 303, 305};
  fixtures::ProblemDescription d = problemWithDensitySets();
  d.methodSets.clear();
  for (const std::int32_t code : codes) {
    auto set = fixtures::equationOfStateSet("LD-" + std::to_string(code), 102);
    fixtures::setSlotMethod(set, pure::kLiquidDensityClass, code);
    d.methodSets.push_back(set);
  }
  openProblem(d);

  const std::vector<double> x = {0.7, 0.3};
  double classical = 0.0;
  for (std::size_t k = 0; k < codes.size(); ++k) {
    const std::int32_t code = codes[k];
    SCOPED_TRACE(code);
    makeCurrent(static_cast<std::int32_t>(k + 1));
    ASSERT_EQ(methods::PMCTL1.liquidDensity.code, code);
    const double dens = liquidDensity(x, 300.0, 1500.0);
    EXPECT_GT(dens, 8.0);
    EXPECT_LT(dens, 13.0);
    if (code == 102) classical = dens;
    if (code == 108 || code == 111 || code == 116 || code == 121 || code == 124 || code == 502) {
      EXPECT_NEAR(dens, classical, 1e-9 * classical);
    }
  }
}

// COSTALD and the Rackett equation from their sets' blocks against published saturated-liquid
// densities at 298.15 K (E. W. Lemmon, M. O. McLinden and D. G. Friend, "Thermophysical
// Properties of Fluid Systems", NIST Chemistry WebBook, SRD 69), each at the component's
// vapour pressure from the same source. Method 302 is the Rackett equation up to Tr 0.75
// (n-butane), a modified exponent above it (propane, Tr 0.81).
TEST_F(DensityFromDatabase, CorrelationSetsMatchPublishedSaturatedDensities) {
  struct Case {
    std::int32_t set;
    std::size_t component;
    double density;         // kg/m3
    double vapourPressure;  // kPa
  };
  const Case butane{0, 0, 573.0, 243.0};
  const Case propane{0, 1, 493.0, 952.0};
  std::vector<Case> cases;
  for (const std::int32_t set : {kCostald, kRackett, kRackettVolumes}) {
    for (Case c : {butane, propane}) {
      if (set == kRackettVolumes && c.component == propane.component) continue;
      c.set = set;
      cases.push_back(c);
    }
  }
  openProblem(problemWithDensitySets());
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.set) + " " + kComponents[c.component]);
    makeCurrent(c.set);
    std::vector<double> x(kComponents.size(), 0.0);
    x[c.component] = 1.0;
    const double mw = fixtures::publishedComponent(kComponents[c.component]).molecularWeight;
    EXPECT_NEAR(mw * liquidDensity(x, 298.15, c.vapourPressure), c.density, 0.01 * c.density);
  }
}

}  // namespace
