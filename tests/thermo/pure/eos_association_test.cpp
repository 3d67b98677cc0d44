// The associating cubic root solver and the monomer fraction of the hexamer equilibrium.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "eos_models.hpp"
#include "eos_support.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using namespace eos_test;

// (c - y)(6 - 5y)^5 - K (6 - 5c)^6 y^6, the equilibrium that TPOLY6 solves, over its first
// term's scale.
double equilibriumResidual(double k, double c, double y) {
  const double big = std::min(k * std::pow(6.0 - 5.0 * c, 6), 1e37);
  return ((c - y) * std::pow(6.0 - 5.0 * y, 5) - big * std::pow(y, 6)) /
         (c * std::pow(6.0 - 5.0 * y, 5));
}

TEST(TPOLY6, SolvesTheHexamerEquilibrium) {
  struct Case {
    double k, c;
  };
  for (const Case c : {Case{1e-3, 0.5}, Case{1.0, 0.3}, Case{1.0, 1.0}, Case{3e4, 0.9},
                       Case{1e12, 0.2}, Case{1e20, 1.0}, Case{1e45, 0.7}}) {
    SCOPED_TRACE("K = " + std::to_string(c.k) + ", c = " + std::to_string(c.c));
    double y = -1.0;
    std::int32_t iterations = -1;
    pure::TPOLY6(c.k, c.c, 1e-10, y, iterations);
    EXPECT_GT(y, 0.0);
    EXPECT_LE(y, c.c);
    EXPECT_NEAR(equilibriumResidual(c.k, c.c, y), 0.0, 1e-8);
    EXPECT_GT(iterations, 0);
    EXPECT_LT(iterations, 100);
  }
}

TEST(TPOLY6, LimitsWithoutAssociation) {
  double y = -1.0;
  std::int32_t iterations = -1;
  pure::TPOLY6(5.0, 0.0, 1e-6, y, iterations);
  EXPECT_EQ(y, 0.0);
  pure::TPOLY6(0.0, 0.4, 1e-6, y, iterations);
  EXPECT_EQ(y, 0.4);
  // K = 1 starts at c itself and takes few steps.
  pure::TPOLY6(1.0, 0.4, 1e-6, y, iterations);
  EXPECT_LT(iterations, 6);
}

const std::vector<Component> kHfPropane = {kHydrogenFluoride, kPropane};

Model hfModel() { return mixingRules(kSoave, kHfPropane).front().model; }

// Without an associating component the solver is the plain cubic: same root, fugacities
// and departures (its temperature derivative of ln phi is a difference over 0.1 K).
TEST(EOSZRA, WithoutAssociationEqualsThePlainSolver) {
  const std::vector<double> x = {0.3, 0.7};
  struct Case {
    std::int32_t phase;
    double t, p;
  };
  for (const Case c : {Case{1, 330.0, 500.0}, Case{2, 260.0, 2000.0}}) {
    SCOPED_TRACE("phase " + std::to_string(c.phase));
    const Mixture m = hfModel()(c.t, x);
    const Root plain = solve(m, c.phase, 3, c.t, c.p, kSoave, 1);
    for (const std::int32_t position : {0, 1}) {
      const double y0 = position == 0 ? x[0] : 0.0;
      const Root r = solveAssociating(m, c.phase, 3, c.t, c.p, kSoave, position, y0, x);
      EXPECT_NEAR(r.z, plain.z, 1e-9 * plain.z);
      for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_NEAR(r.lnphi[i], plain.lnphi[i], 1e-8);
        EXPECT_NEAR(r.lnphiT[i], plain.lnphiT[i], 2e-3 * std::fabs(plain.lnphiT[i]) + 1e-7);
      }
      EXPECT_NEAR(r.hr, plain.hr, 1e-8);
      EXPECT_NEAR(r.sr, plain.sr, 1e-8);
      EXPECT_NEAR(r.cpr, plain.cpr, 1e-7);
      EXPECT_NEAR(r.cvr, plain.cvr, 1e-7);
      EXPECT_NEAR(r.cpcv, plain.cpcv, 1e-7);
    }
  }
}

// A vanishing amount of the associating component leaves the plain solver's results.
TEST(EOSZRA, VanishingAssociatingComponentApproachesThePlainSolver) {
  const std::vector<double> x = {1e-12, 1.0 - 1e-12};
  const Mixture m = hfModel()(300.0, x);
  const Root plain = solve(m, 1, 2, 300.0, 500.0, kSoave, 1);
  const Root r = solveAssociating(m, 1, 2, 300.0, 500.0, kSoave, 1, x[0], x);
  EXPECT_NEAR(r.z, plain.z, 1e-9);
  EXPECT_NEAR(r.lnphi[1], plain.lnphi[1], 1e-9);
  EXPECT_NEAR(r.hr, plain.hr, 1e-8);
}

// Hydrogen fluoride vapour at low temperature is mostly hexamer: its apparent Z falls far
// below 1, and with it the fugacity coefficient.
TEST(EOSZRA, PureAssociatingVapourAtLowTemperature) {
  const Mixture m = mixingRules(kSoave, {kHydrogenFluoride}).front().model(290.0, {1.0});
  const Root r = solveAssociating(m, 1, 1, 290.0, 60.0, kSoave, 1, 1.0, {1.0});
  const Root plain = solve(m, 1, 1, 290.0, 60.0, kSoave, 1);
  EXPECT_GT(plain.z, 0.98);
  EXPECT_LT(r.z, 0.4);
  EXPECT_GT(r.z, 1.0 / 6.0);
  EXPECT_LT(r.lnphi[0], -0.3);
  for (const double v : {r.hr, r.sr, r.cpr, r.cvr, r.cpcv}) EXPECT_EQ(v, -9.0);
  EXPECT_EQ(r.lnphiT[0], -9.0);
}

// The departures agree with the derivatives of sum x ln phi, along the equilibrium.
TEST(EOSZRA, ConsistentDepartures) {
  const Model model = hfModel();
  for (const State& s : {State{"weakly associated vapour", 1, 340.0, 200.0, {0.4, 0.6}},
                         State{"strongly associated vapour", 1, 300.0, 60.0, {0.9, 0.1}},
                         State{"pure associating vapour", 1, 310.0, 100.0, {1.0, 0.0}},
                         State{"liquid", 2, 260.0, 1500.0, {0.6, 0.4}}}) {
    checkAssociatingConsistency(model, kSoave, s, 1);
  }
}

}  // namespace
