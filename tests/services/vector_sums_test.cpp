#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "services/services.hpp"

namespace {

TEST(NRMCNT, NormalisesWithoutTheExcludedComponentAndCounts) {
  struct Case {
    std::vector<double> a;
    std::int32_t iexcl;
    std::int32_t iopt;
    std::vector<std::int32_t> icntIn;
    std::vector<double> b;
    std::vector<std::int32_t> icnt;
    double frac;
    double sum;
  };
  const std::vector<Case> cases = {
      {{0.2, 0.3, 0.5}, 3, 1, {9, 9, 9}, {0.4, 0.6, 0.0}, {1, 1, 0}, 0.5, 1.0},
      {{0.0, 0.0}, 0, 1, {5, 5}, {0.0, 0.0}, {0, 0}, 0.0, 0.0},
      {{1.0, 3.0}, 0, 11, {5, 5}, {0.25, 0.75}, {6, 6}, 1.0, 4.0},
      {{1.0, 3.0}, 0, 10, {5, 5}, {0.25, 0.75}, {5, 5}, 1.0, 4.0},
      {{1.0, 3.0}, 0, 0, {5, 5}, {0.25, 0.75}, {0, 0}, 1.0, 4.0},
      {{0.0, 0.0, 2.0}, 3, 1, {0, 0, 0}, {0.0, 0.0, 0.0}, {0, 0, 0}, 0.0, 2.0},
  };
  for (std::size_t k = 0; k < cases.size(); ++k) {
    const Case& c = cases[k];
    SCOPED_TRACE(k);
    std::vector<double> b(c.a.size(), -1.0);
    std::vector<std::int32_t> icnt = c.icntIn;
    double frac = -1.0;
    double sum = -1.0;
    services::NRMCNT(static_cast<std::int32_t>(c.a.size()), c.a, b, icnt, c.iopt, c.iexcl, 0.1,
                  frac, sum);
    for (std::size_t i = 0; i < b.size(); ++i) EXPECT_DOUBLE_EQ(b[i], c.b[i]) << i;
    EXPECT_EQ(icnt, c.icnt);
    EXPECT_DOUBLE_EQ(frac, c.frac);
    EXPECT_DOUBLE_EQ(sum, c.sum);
  }
}

TEST(NORMLZ, DividesByANonZeroSumThatIsNotOne) {
  std::vector<double> x = {1.0, 3.0};
  services::NORMLZ(2, x);
  EXPECT_EQ(x, (std::vector<double>{0.25, 0.75}));
  std::vector<double> zero = {1.0, -1.0};
  services::NORMLZ(2, zero);
  EXPECT_EQ(zero, (std::vector<double>{1.0, -1.0}));
  std::vector<double> one = {0.1, 0.2, 0.7};
  const auto before = one;
  services::NORMLZ(3, one);
  EXPECT_EQ(one, before);
  services::NORMLZ(0, x);
  EXPECT_EQ(x, (std::vector<double>{0.25, 0.75}));
}

TEST(Sums, PlainAndMissingAware) {
  const std::vector<double> a = {1.0, -2.0e35, 3.0};
  EXPECT_EQ(services::SUMPOS(3, a), services::DMISS);
  EXPECT_EQ(services::SUMPOS(1, a), 1.0);
  EXPECT_EQ(services::SUMPOS(0, a), 0.0);
  const std::vector<double> b = {1.0, 2.5, 3.0};
  EXPECT_EQ(services::SUMVEC(3, b), 6.5);
  EXPECT_EQ(services::SUMVEC(-1, b), 0.0);
}

// Rackett volumes against direct evaluation, and the slope against a central difference on
// both sides of the break at Tr = 0.75.
TEST(CMPDER, RackettVolumesAndSlopes) {
  const std::vector<double> pc = {4599.0, 4248.0};   // kPa, methane and propane
  const std::vector<double> tc = {190.56, 369.83};   // K
  const std::vector<double> zra = {0.2892, 0.2766};
  for (const double t : {120.0, 142.92, 277.3725, 300.0}) {
    SCOPED_TRACE(t);
    std::vector<double> v(2), dvdt(2), vp(2), vm(2), scratch(2);
    services::CMPDER(2, pc, tc, t, zra, dvdt, v);
    for (std::size_t i = 0; i < 2; ++i) {
      const double tr = t / tc[i];
      const double e = tr <= 0.75 ? 1.0 + std::pow(1.0 - tr, 2.0 / 7.0)
                                  : 1.6 + 0.00693026 / (tr - 0.655);
      EXPECT_NEAR(v[i], 8.314471 * tc[i] / pc[i] * std::pow(zra[i], e), 1e-12);
      if (std::fabs(tr - 0.75) > 1e-3) {
        const double h = 1e-4;
        services::CMPDER(2, pc, tc, t + h, zra, scratch, vp);
        services::CMPDER(2, pc, tc, t - h, zra, scratch, vm);
        EXPECT_NEAR(dvdt[i], (vp[i] - vm[i]) / (2 * h), 1e-8) << i;
      }
    }
  }
}

}  // namespace
