// The generalized liquid-density correlations against published saturated-liquid densities
// and their own identities, the mixture sums of the component constants, and the petroleum
// density of method 301.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "density_blocks.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "support/test_support.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using namespace density_test;

constexpr double kR = 8.314471;

// Saturated-liquid densities at 298.15 K, kg/m3: E. W. Lemmon, M. O. McLinden and D. G.
// Friend, "Thermophysical Properties of Fluid Systems", NIST Chemistry WebBook, SRD 69.
struct Published {
  const Species* species;
  double density;
};
const Published kSaturated[] = {{&kPropane, 493.0}, {&kButane, 573.0}};
constexpr double kTemperature = 298.15;

class LiquidCorrelations : public ::testing::Test {
 protected:
  void SetUp() override {
    startRun();
    installComponents({kPropane, kButane, kWater});
  }
  testing_support::StopThrows stop_;
};

double rackettVolume(const std::vector<Species>& comps, const std::vector<double>& y, double t) {
  std::vector<double> pc, tc, zra, vc;
  for (const Species& s : comps) {
    pc.push_back(s.pc);
    tc.push_back(s.tc);
    zra.push_back(s.zra);
    vc.push_back(s.vc);
  }
  double v = 0.0;
  pure::RACKET(static_cast<std::int32_t>(comps.size()), pc, tc, t, zra, vc, y, v, 0.0);
  return v;
}

struct Costald {
  double z = 0.0;
  std::int32_t istat = -1;
};
Costald costald(const std::vector<Species>& comps, const std::vector<double>& y, double t,
                double p) {
  std::vector<double> w, vstar, pc, tc, wsrk;
  for (const Species& s : comps) {
    w.push_back(s.omega);
    vstar.push_back(s.vstar);
    pc.push_back(s.pc);
    tc.push_back(s.tc);
    wsrk.push_back(s.omegaSrk);
  }
  Costald c;
  pure::COSTLD(t, p, static_cast<std::int32_t>(comps.size()), y, w, vstar, pc, tc, c.z, wsrk,
               c.istat);
  return c;
}

// The saturated volume and saturation pressure of COSTALD for one component, written out
// from the published equations.
void costaldSaturation(const Species& s, double t, double& vs, double& psat) {
  const double tr = t / s.tc;
  const double tau = 1.0 - tr;
  const double v0 = 1.0 - 1.52816 * std::cbrt(tau) + 1.43907 * std::pow(tau, 2.0 / 3.0) -
                    0.81446 * tau + 0.190454 * std::pow(tau, 4.0 / 3.0);
  const double vd =
      (-0.296123 + 0.386914 * tr - 0.0427258 * tr * tr - 0.0480645 * std::pow(tr, 3)) /
      (tr - 1.00001);
  vs = s.vstar * v0 * (1.0 - s.omegaSrk * vd);
  const double l = std::log10(tr);
  const double alpha = 35.0 - 36.0 / tr - 96.736 * l + std::pow(tr, 6);
  psat = s.pc * std::pow(10.0, 5.8031817 * l + 0.07608141 * alpha +
                                   s.omega * 4.86601 * (l + 0.03721754 * alpha));
}

TEST_F(LiquidCorrelations, RackettAndCostaldMatchPublishedSaturatedDensities) {
  for (const Published& row : kSaturated) {
    SCOPED_TRACE(row.species->name);
    const Species& s = *row.species;
    const double rackett = s.mw / rackettVolume({s}, {1.0}, kTemperature);
    EXPECT_NEAR(rackett, row.density, 0.01 * row.density);
    double vs = 0.0, psat = 0.0;
    costaldSaturation(s, kTemperature, vs, psat);
    const Costald c = costald({s}, {1.0}, kTemperature, psat);
    EXPECT_EQ(c.istat, 0);
    const double v = c.z * kR * kTemperature / psat;
    // At the saturation pressure the compressed-liquid correction vanishes.
    EXPECT_NEAR(v, vs, 1e-12 * vs);
    EXPECT_NEAR(s.mw / v, row.density, 0.01 * row.density);
  }
}

TEST_F(LiquidCorrelations, RackettForOneComponentAndAboveTr095) {
  const Species& s = kButane;
  const double t = 0.7 * s.tc;
  const double expected = kR * s.tc / s.pc * std::pow(s.zra, 1.0 + std::pow(0.3, 2.0 / 7.0));
  EXPECT_NEAR(rackettVolume({s}, {1.0}, t), expected, 1e-13 * expected);
  // Above Tr 0.95 the volume stops growing.
  EXPECT_DOUBLE_EQ(rackettVolume({s}, {1.0}, 0.96 * s.tc), rackettVolume({s}, {1.0}, 1.2 * s.tc));
  EXPECT_LT(rackettVolume({s}, {1.0}, 0.9 * s.tc), rackettVolume({s}, {1.0}, 0.96 * s.tc));
  // Equal components mix to the same volume.
  EXPECT_NEAR(rackettVolume({s, s}, {0.3, 0.7}, t), expected, 1e-13 * expected);
}

TEST_F(LiquidCorrelations, CostaldClampsTheReducedTemperature) {
  const Species& s = kPropane;
  const auto volume = [&](double t, std::int32_t& istat) {
    const Costald c = costald({s}, {1.0}, t, 5000.0);
    istat = c.istat;
    return c.z * kR * t / 5000.0;
  };
  std::int32_t hot = -1, edge = -1, cold = -1, lowest = -1;
  const double edgeVolume = volume(0.99 * s.tc, edge);
  EXPECT_NEAR(volume(1.2 * s.tc, hot), edgeVolume, 1e-14 * edgeVolume);
  EXPECT_EQ(hot, 1);
  EXPECT_EQ(edge, 0);
  const double lowestVolume = volume(0.25 * s.tc, lowest);
  EXPECT_NEAR(volume(0.1 * s.tc, cold), lowestVolume, 1e-14 * lowestVolume);
  EXPECT_EQ(cold, 1);
  EXPECT_EQ(lowest, 0);
  // Compression: above the saturation pressure the liquid is denser.
  double vs = 0.0, psat = 0.0;
  costaldSaturation(s, kTemperature, vs, psat);
  EXPECT_LT(costald({s}, {1.0}, kTemperature, 10000.0).z * kR * kTemperature / 10000.0, vs);
}

TEST_F(LiquidCorrelations, MixtureSumsByBasis) {
  // Propane, n-butane and water (component 3 the free water), amounts not normalised.
  const std::vector<double> x = {2.0, 1.0, 1.0};
  struct Case {
    pure::MixtureBasis basis;
    double dry, wet;
  };
  const double massDry = 2.0 * kPropane.mw + kButane.mw;
  const double massWet = massDry + kWater.mw;
  const double volDry = 2.0 * kPropane.mw / kPropane.sg + kButane.mw / kButane.sg;
  const double volWet = volDry + kWater.mw / kWater.sg;
  const Case cases[] = {
      {pure::MixtureBasis::MolecularWeight, massDry / 3.0, massWet / 4.0},
      {pure::MixtureBasis::CriticalTemperature, (2.0 * kPropane.tc + kButane.tc) / 3.0,
       (2.0 * kPropane.tc + kButane.tc + kWater.tc) / 4.0},
      {pure::MixtureBasis::AcentricFactor, (2.0 * kPropane.omega + kButane.omega) / 3.0,
       (2.0 * kPropane.omega + kButane.omega + kWater.omega) / 4.0},
      {pure::MixtureBasis::StandardVolume, volDry / 999.014 / 3.0, volWet / 999.014 / 4.0},
      {pure::MixtureBasis::SpecificGravity, massDry / volDry, massWet / volWet},
      {pure::MixtureBasis::StandardDensity, 999.014 * massDry / volDry, 999.014 * massWet / volWet},
      {pure::MixtureBasis::ApiGravity, 141.5 * volDry / massDry - 131.5,
       141.5 * volWet / massWet - 131.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.basis));
    double vdry = 0.0, vwet = 0.0, sdry = 0.0, swet = 0.0;
    pure::APICNV(static_cast<std::int32_t>(c.basis), 1, 3, 3, x, vdry, vwet, sdry, swet);
    EXPECT_NEAR(vdry, c.dry, 1e-12 * std::fabs(c.dry));
    EXPECT_NEAR(vwet, c.wet, 1e-12 * std::fabs(c.wet));
    // Without a water index in range the dry values are the wet ones.
    double d2 = 0.0, w2 = 0.0;
    pure::APICNV(static_cast<std::int32_t>(c.basis), 1, 3, 0, x, d2, w2, sdry, swet);
    EXPECT_EQ(d2, w2);
  }
  // Amount sums count negative amounts; the other options clip them.
  double vdry = 0.0, vwet = 0.0, sdry = 0.0, swet = 0.0;
  const std::vector<double> negative = {2.0, -1.0, 1.0};
  pure::APICNV(0, 1, 3, 3, negative, vdry, vwet, sdry, swet);
  EXPECT_EQ(swet, 2.0);
  EXPECT_EQ(sdry, 1.0);
  EXPECT_EQ(vdry, 1.0);
  pure::APICNV(1, 1, 3, 0, negative, vdry, vwet, sdry, swet);
  EXPECT_NEAR(vwet, (2.0 * kPropane.mw + kWater.mw) / 3.0, 1e-12);
  // Water alone: no dry mixture; API gravity of water is 10.
  const std::vector<double> water = {0.0, 0.0, 1.0};
  pure::APICNV(101, 1, 3, 3, water, vdry, vwet, sdry, swet);
  EXPECT_EQ(sdry, 0.0);
  EXPECT_EQ(vdry, 0.0);
  pure::APICNV(4, 1, 3, 3, water, vdry, vwet, sdry, swet);
  EXPECT_EQ(vdry, 0.0);
  EXPECT_NEAR(vwet, 10.0, 1e-12);
}

TEST_F(LiquidCorrelations, PetroleumDensityAtAndAboveTheStandardState) {
  const std::vector<double> y = {0.4, 0.6, 0.0};
  double vdry = 0.0, vwet = 0.0, sdry = 0.0, swet = 0.0;
  pure::APICNV(5, 1, 3, 3, y, vdry, vwet, sdry, swet);
  double rho = 0.0, amount = 0.0;
  std::int32_t istat = -1;
  pure::APIDEN(288.7056, 101.325, y, 3, rho, amount, 3, istat);
  EXPECT_EQ(istat, 0);
  EXPECT_NEAR(rho, 1.0 / vdry, 1e-12 * rho);
  // Above the pseudo-critical temperature the reduced temperature stays 1.
  double hot1 = 0.0, hot2 = 0.0;
  pure::APIDEN(420.0, 5000.0, y, 3, hot1, amount, 3, istat);
  pure::APIDEN(480.0, 5000.0, y, 3, hot2, amount, 3, istat);
  EXPECT_EQ(hot1, hot2);
  // Warmer liquid is lighter.
  double warm = 0.0;
  pure::APIDEN(330.0, 101.325, y, 3, warm, amount, 3, istat);
  EXPECT_LT(warm, rho);
}

TEST_F(LiquidCorrelations, TwoDimensionalPolynomial) {
  const std::vector<double> coef = {1.0, 2.0, 3.0, 4.0, 5.0, 6.0};  // 2 rows (y), 3 columns (x)
  EXPECT_DOUBLE_EQ(pure::POLY2D(0.0, 0.0, coef, 2, 3), 1.0);
  const double x = 1.5, y = -0.5;
  EXPECT_DOUBLE_EQ(pure::POLY2D(x, y, coef, 2, 3),
                   1.0 + 2.0 * x + 3.0 * x * x + y * (4.0 + 5.0 * x + 6.0 * x * x));
}

}  // namespace
