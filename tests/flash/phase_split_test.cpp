// FLSCMP and FLSEST: the split at given K-values with the decant of free water, and the
// Wilson start estimate of a held-fraction flash.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "flash/flash.hpp"
#include "methods/methods.hpp"
#include "services/markers.hpp"
#include "services/services.hpp"
#include "support/test_support.hpp"

namespace {

using flash::HeldFraction;

struct Split {
  double ftotlq = 0.0, fliqhc = 0.0, fwater = 0.0, fvapor = 0.0, gflsh = -9.0;
  std::vector<double> x, y;
};

class PhaseSplit : public ::testing::Test {
 protected:
  void SetUp() override {
    services::startFlashTolerances();
    methods::THCTL.idecnt = 0;
    methods::THCTL.xwd = 0.0;
    methods::THCTL.ywd = 0.0;
  }
  static Split split(HeldFraction held, double zw, std::vector<double> z,
                     const std::vector<double>& k, Split s) {
    s.x.assign(z.size(), -9.0);
    s.y.assign(z.size(), -9.0);
    const std::vector<double> feed = z;
    flash::FLSCMP(0, static_cast<std::int32_t>(z.size()), static_cast<std::int32_t>(held), zw,
                  s.ftotlq, s.fliqhc, s.fwater, s.fvapor, s.gflsh, z, s.x, s.y, k);
    EXPECT_EQ(z, feed) << "the feed is given back";
    return s;
  }
  testing_support::StopThrows stop;
};

// Without water and the vapour held: the Rachford-Rice function at the held fraction.
TEST_F(PhaseSplit, HeldVapourWithoutWaterGivesTheRachfordRiceFunction) {
  const std::vector<double> z{0.2, 0.5, 0.3}, k{5.0, 1.1, 0.05};
  Split in;
  in.fvapor = 0.35;
  in.ftotlq = 0.65;
  const Split s = split(HeldFraction::Vapour, 0.0, z, k, in);
  EXPECT_EQ(s.fwater, 0.0);
  EXPECT_DOUBLE_EQ(s.fliqhc, 0.65);
  double g = 0.0;
  for (std::size_t i = 0; i < 3; ++i) {
    const double d = k[i] * 0.35 + 0.65;
    g += z[i] * (k[i] - 1.0) / d;
    EXPECT_DOUBLE_EQ(s.x[i], z[i] / d);
    EXPECT_DOUBLE_EQ(s.y[i], k[i] * z[i] / d);
  }
  EXPECT_NEAR(s.gflsh, g, 1e-15);
  // Searching on the liquid fraction instead, GFLSH is the sum difference.
  Split free;
  free.fliqhc = 0.65;
  const Split t = split(HeldFraction::None, 0.0, z, k, free);
  EXPECT_NEAR(t.gflsh, g, 1e-15);
  EXPECT_DOUBLE_EQ(t.fvapor, 0.35);
  EXPECT_DOUBLE_EQ(t.ftotlq, 0.65);
}

// With the water K-value YWD/XWD the decanted water leaves a saturated liquid and vapour:
// FWATER + L x_w + V y_w = z_w, x_w = XWD and y_w = YWD.
TEST_F(PhaseSplit, DecantsWaterBeyondSaturation) {
  methods::THCTL.idecnt = 3;
  methods::THCTL.xwd = 0.001;
  methods::THCTL.ywd = 0.02;
  const std::vector<double> z{0.5, 0.3, 0.2};
  const std::vector<double> k{6.0, 0.2, 0.02 / 0.001};
  Split in;
  in.fliqhc = 0.3;
  const Split s = split(HeldFraction::None, 0.2, z, k, in);
  const double l = 0.3, v = 0.7;
  EXPECT_NEAR(s.fwater, (0.2 - 0.001 * l - 0.02 * v) / (1.0 - 0.02), 1e-15);
  EXPECT_NEAR(s.fvapor, 1.0 - l - s.fwater, 1e-15);
  EXPECT_NEAR(s.ftotlq, l + s.fwater, 1e-15);
  EXPECT_NEAR(s.x[2], 0.001, 1e-6) << "the liquid is saturated";
  EXPECT_NEAR(s.fwater + s.fliqhc * s.x[2] + s.fvapor * s.y[2], 0.2, 1e-6);
}

// An all-water feed: free water when water condenses (K_w <= 1), none otherwise.
TEST_F(PhaseSplit, AllWaterFeed) {
  methods::THCTL.idecnt = 1;
  methods::THCTL.xwd = 1.0;
  for (const auto& [kw, fwater] : {std::pair{1.5, 0.0}, std::pair{0.9, 1.0}}) {
    SCOPED_TRACE(kw);
    Split in;
    in.fliqhc = 0.0;
    const Split s = split(HeldFraction::None, 1.0, {1.0}, {kw}, in);
    EXPECT_EQ(s.fwater, fwater);
  }
}

// With the vapour held and more free water than the held liquid, the free water is cut to
// the liquid and GFLSH is the difference before the cut.
TEST_F(PhaseSplit, HeldVapourCutsFreeWaterToTheLiquid) {
  methods::THCTL.idecnt = 2;
  methods::THCTL.xwd = 0.001;
  methods::THCTL.ywd = 0.01;
  Split in;
  in.fvapor = 0.7;
  in.ftotlq = 0.3;
  const Split s = split(HeldFraction::Vapour, 0.5, {0.5, 0.5}, {20.0, 0.01}, in);
  const double before = (0.5 - 0.001 * 0.3 - 0.01 * 0.7) / (1.0 - 0.001);
  EXPECT_DOUBLE_EQ(s.fwater, 0.3);
  EXPECT_DOUBLE_EQ(s.gflsh, 0.3 - before);
  EXPECT_NEAR(s.fliqhc, 0.0, 1e-15);
}

TEST_F(PhaseSplit, ExtremeKValuesAreLimited) {
  Split in;
  in.fliqhc = 0.5;
  const Split a = split(HeldFraction::None, 0.0, {0.5, 0.5}, {1e20, 1e-20}, in);
  const Split b = split(HeldFraction::None, 0.0, {0.5, 0.5}, {1e10, 1e-10}, in);
  EXPECT_EQ(a.x, b.x);
  EXPECT_EQ(a.y, b.y);
  EXPECT_EQ(a.gflsh, b.gflsh);
}

// The Wilson K-value of the estimate, independent of the routine.
double wilsonK(double tc, double pc, double w, double t, double p) {
  return pc / p * std::exp(5.37269855031944 * (1.0 + w) * (1.0 - tc / t));
}
double wilsonFunction(const std::vector<double>& z, double v, double t, double p) {
  // Methane, propane, n-pentane (Tc K, Pc kPa, w): Poling, Prausnitz and O'Connell,
  // The Properties of Gases and Liquids, 5th ed., Appendix A.
  const double tc[] = {190.56, 369.83, 469.70}, pc[] = {4599.0, 4248.0, 3370.0},
               w[] = {0.011, 0.152, 0.252};
  double f = 0.0;
  for (std::size_t i = 0; i < 3; ++i) {
    const double k = wilsonK(tc[i], pc[i], w[i], t, p);
    f += z[i] * (k - 1.0) / (v * k + 1.0 - v);
  }
  return f;
}

TEST_F(PhaseSplit, WilsonEstimateSolvesTheFlashOfItsKValues) {
  const std::vector<double> tc{190.56, 369.83, 469.70}, pc{4599.0, 4248.0, 3370.0},
      w{0.011, 0.152, 0.252}, z{0.5, 0.3, 0.2};
  std::vector<double> w1(3), w2(3);
  // Temperature at 2000 kPa: the function changes sign within the last step (below 1 K).
  double t = 300.0, p = 2000.0;
  flash::FLSEST(1, 3, tc, pc, w, z, 0.4, t, p, w1, w2);
  EXPECT_EQ(p, 2000.0);
  EXPECT_LT(wilsonFunction(z, 0.4, t - 1.0, p) * wilsonFunction(z, 0.4, t + 1.0, p), 0.0);
  EXPECT_LE(t, 469.70);
  // Pressure at 300 K: within the last step (below 10 kPa).
  t = 300.0;
  p = 1000.0;
  flash::FLSEST(2, 3, tc, pc, w, z, 0.4, t, p, w1, w2);
  EXPECT_EQ(t, 300.0);
  EXPECT_LT(wilsonFunction(z, 0.4, t, p - 10.0) * wilsonFunction(z, 0.4, t, p + 10.0), 0.0);
  // A vapour fraction of 0 works as 0.05, one of 1 as 0.95.
  for (const auto& [v, as] : {std::pair{0.0, 0.05}, std::pair{1.0, 0.95}}) {
    double t1 = 300.0, p1 = 2000.0, t2 = 300.0, p2 = 2000.0;
    flash::FLSEST(1, 3, tc, pc, w, z, v, t1, p1, w1, w2);
    flash::FLSEST(1, 3, tc, pc, w, z, as, t2, p2, w1, w2);
    EXPECT_EQ(t1, t2) << v;
  }
}

TEST_F(PhaseSplit, WilsonEstimateWithAMissingConstantKeepsTheEntryValue) {
  std::vector<double> w1(2), w2(2);
  for (const double t0 : {5000.0, 250.0}) {
    double t = t0, p = 1000.0;
    flash::FLSEST(1, 1, std::vector<double>{190.56}, std::vector<double>{services::DMISS},
                  std::vector<double>{0.011}, std::vector<double>{1.0}, 0.5, t, p, w1, w2);
    EXPECT_EQ(t, std::min(t0, 3000.0));
  }
  // The estimate never exceeds the largest critical temperature of the present components.
  double t = 300.0, p = 10.0;
  flash::FLSEST(1, 2, std::vector<double>{190.56, 369.83}, std::vector<double>{4599.0, 4248.0},
                std::vector<double>{0.011, 0.152}, std::vector<double>{0.5, 0.0}, 0.5, t, p, w1,
                w2);
  EXPECT_LE(t, 190.56);
}

}  // namespace
