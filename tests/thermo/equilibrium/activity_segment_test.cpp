// GAM409 / K409KR: the segment-fraction model of codes 409 and 514. Equal segment numbers
// without pair parameters give an ideal liquid; the temperature and composition derivatives
// agree with central differences of the values; G^E/RT and H^E/RT^2 are the mole-fraction
// sums; the lower triangles receive the pair values of the temperature.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "../pure/correlation_sets.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "vapour_fugacity_support.hpp"

namespace {

constexpr std::int32_t kN = 3;
constexpr double kT = 310.0;
const std::vector<double> kX = {0.2, 0.5, 0.3};

class Segment : public ::testing::Test {
 protected:
  // Liquid molar densities rho = c0 + c1 T (kmol/m3) of made-up liquids, correlation 1231.
  void SetUp() override {
    fugacity_test::startFugacityRun();
    problem::THCTL.currentSet = 1;
    std::vector<correlation_testing::Record> records;
    const double c0[kN] = {14.0, 11.0, 20.0}, c1[kN] = {-0.01, -0.008, -0.02};
    for (std::int32_t i = 0; i < kN; ++i) {
      correlation_testing::Record r;
      r.component = i + 1;
      r.form = 1;
      r.coefficients = {c0[i], c1[i]};
      records.push_back(r);
    }
    correlation_testing::installSet(1231, 1, records);
  }

  struct Out {
    std::vector<double> lng, dlngdt, dlngdx, param;
    double gert = 0.0, hert2 = 0.0;
  };
  Out run(std::vector<double> param, const std::vector<double>& x, double t, std::int32_t nder) {
    Out o{std::vector<double>(kN),
          std::vector<double>(kN),
          std::vector<double>(kN * kN, -9.0),
          {},
          0.0,
          0.0};
    std::vector<double> w(4 * kN);
    const std::size_t n2 = kN * kN;
    std::span<double> p(param);
    equilibrium::K409KR(nder, kN, t, x, o.lng, o.dlngdt, o.dlngdx, o.gert, o.hert2,
                        p.subspan(3 * n2, kN), p.first(n2), p.subspan(n2, n2),
                        p.subspan(2 * n2, n2), std::span(w).first(kN), std::span(w).subspan(kN, kN),
                        std::span(w).subspan(2 * kN, kN), std::span(w).subspan(3 * kN, kN));
    o.param = param;
    return o;
  }
  // A, B, C of the upper triangle and the segment factors.
  static std::vector<double> parameters() {
    std::vector<double> p(3 * kN * kN + kN, 0.0);
    const auto at = [](std::int32_t i, std::int32_t j) { return j * kN + i; };
    p[at(0, 1)] = 0.3, p[at(0, 2)] = -0.2, p[at(1, 2)] = 0.15;
    p[kN * kN + at(0, 1)] = 40.0, p[kN * kN + at(1, 2)] = -25.0;
    p[2 * kN * kN + at(0, 2)] = 0.01;
    p[3 * kN * kN + 0] = 1.0, p[3 * kN * kN + 1] = 1.6, p[3 * kN * kN + 2] = 0.7;
    return p;
  }
};

TEST_F(Segment, EqualSegmentsWithoutPairParametersAreIdeal) {
  // Segment factors chosen so that p/rho is the same for all three at kT.
  std::vector<double> p(3 * kN * kN + kN, 0.0);
  const double rho[kN] = {14.0 - 0.01 * kT, 11.0 - 0.008 * kT, 20.0 - 0.02 * kT};
  for (std::int32_t i = 0; i < kN; ++i) p[3 * kN * kN + i] = rho[i] / rho[0];
  const Out o = run(p, kX, kT, 1);
  for (std::int32_t i = 0; i < kN; ++i) EXPECT_NEAR(o.lng[i], 0.0, 1e-14);
}

TEST_F(Segment, DerivativesAgreeWithDifferences) {
  const Out o = run(parameters(), kX, kT, kN);
  const double ht = 1e-3, hx = 1e-6;
  const Out tp = run(parameters(), kX, kT + ht, 1), tm = run(parameters(), kX, kT - ht, 1);
  double gert = 0.0, hert2 = 0.0;
  for (std::int32_t i = 0; i < kN; ++i) {
    const double fd = (tp.lng[i] - tm.lng[i]) / (2.0 * ht);
    EXPECT_NEAR(o.dlngdt[i], fd, 1e-8 + 1e-6 * std::fabs(fd)) << i;
    gert += kX[i] * o.lng[i];
    hert2 -= kX[i] * o.dlngdt[i];
  }
  EXPECT_NEAR(o.gert, gert, 1e-15);
  EXPECT_NEAR(o.hert2, hert2, 1e-15);
  for (std::int32_t j = 0; j < kN; ++j) {
    std::vector<double> up = kX, down = kX;
    up[j] += hx;
    down[j] -= hx;
    const Out pl = run(parameters(), up, kT, 1), mi = run(parameters(), down, kT, 1);
    for (std::int32_t i = 0; i < kN; ++i) {
      const double fd = (pl.lng[i] - mi.lng[i]) / (2.0 * hx);
      EXPECT_NEAR(o.dlngdx[j * kN + i], fd, 1e-7 + 1e-6 * std::fabs(fd)) << i << "," << j;
    }
  }
  // The lower triangles: a_ij(T) and its temperature derivative.
  const double a12 = 0.3 + 40.0 / kT, da12 = -40.0 / (kT * kT);
  EXPECT_NEAR(o.param[0 * kN + 1], a12, 1e-15);
  EXPECT_NEAR(o.param[kN * kN + 0 * kN + 1], da12, 1e-18);
}

}  // namespace
