// The NRTL kernels: the temperature forms of tau and G, the activity coefficients against
// the closed binary form, their derivatives, and the model's cache, option word and weights.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "eos_models.hpp"
#include "methods/methods.hpp"
#include "platform/platform.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "support/test_support.hpp"
#include "thermo/pure/pure.hpp"

namespace {

struct Factors {
  std::vector<double> dg, dtau, g, tau;
  explicit Factors(std::size_t n) : dg(n * n, -9), dtau(n * n, -9), g(n * n, -9), tau(n * n, -9) {}
};

Factors factors(const std::vector<double>& q, std::int32_t form,
                const std::vector<std::int32_t>& codes, std::size_t n, double t) {
  Factors f(n);
  pure::NRTAUG(q, form, codes, static_cast<std::int32_t>(n), t, f.dg, f.dtau, f.g, f.tau);
  return f;
}

// A binary's blocks with Q(block, i, j) set by a list.
std::vector<double> binaryBlocks(std::initializer_list<std::tuple<int, int, int, double>> set) {
  std::vector<double> q(20, 0.0);
  for (const auto& [block, i, j, v] : set) q[(block - 1) * 4 + (j - 1) * 2 + (i - 1)] = v;
  return q;
}

// Every form: tau, G and their derivatives against central differences; G = exp(-alpha tau).
TEST(NRTAUG, FormsAndTheirDerivatives) {
  const std::vector<double> q3 = eos_test::ternaryNrtl();
  // Form 4: Q3 and the Q4 of the pair (2, 3), whose code 2 multiplies it by T, sized so that
  // no exponent reaches its limit.
  std::vector<double> q4 = q3;
  const auto set = [&](int block, int i, int j, double v) {
    q4[static_cast<std::size_t>((block - 1) * 9 + (j - 1) * 3 + (i - 1))] = v;
  };
  set(3, 1, 2, 2e4), set(3, 2, 1, -1e4), set(3, 1, 3, 1e-3), set(3, 3, 1, -2e-3);
  set(3, 2, 3, 2e-6), set(3, 3, 2, 1e-6), set(4, 2, 3, 1e-3), set(4, 3, 2, -2e-3);
  const std::vector<std::int32_t> codes = {0, 1, 2};
  const double t = 330.0, h = 1e-3;
  for (const std::int32_t form : {1, 2, 3, 4}) {
    SCOPED_TRACE("form " + std::to_string(form));
    const std::vector<double>& q = form == 4 ? q4 : q3;
    const Factors f = factors(q, form, codes, 3, t);
    const Factors up = factors(q, form, codes, 3, t + h);
    const Factors dn = factors(q, form, codes, 3, t - h);
    for (std::size_t k = 0; k < 9; ++k) {
      EXPECT_NEAR(f.dtau[k], (up.tau[k] - dn.tau[k]) / (2 * h),
                  1e-8 * std::fabs(f.dtau[k]) + 1e-12);
      EXPECT_NEAR(f.dg[k], (up.g[k] - dn.g[k]) / (2 * h), 1e-8 * std::fabs(f.dg[k]) + 1e-12);
      if (k % 4 == 0) {
        EXPECT_EQ(f.tau[k], 0.0);  // zero diagonal parameters (form 4: by definition)
        EXPECT_EQ(f.g[k], 1.0);
      }
    }
  }
  // Form 4 by pair code: (1,2) code 0, (1,3) code 1, (2,3) code 2; alpha from (j, i).
  const Factors f = factors(q4, 4, codes, 3, t);
  const auto q = [&](int block, int i, int j) {
    return q4[(block - 1) * 9 + (j - 1) * 3 + (i - 1)];
  };
  EXPECT_NEAR(f.tau[3], q(5, 1, 2) + q(4, 1, 2) / t + q(3, 1, 2) / (t * t), 1e-12);
  EXPECT_NEAR(f.tau[6], q(5, 1, 3) + q(4, 1, 3) / t + q(3, 1, 3) * t, 1e-12);
  EXPECT_NEAR(f.tau[7], q(5, 2, 3) + q(4, 2, 3) * t + q(3, 2, 3) * t * t, 1e-9);
  EXPECT_NEAR(f.g[7], std::exp(-(q(1, 3, 2) * t + q(2, 3, 2)) * f.tau[7]), 1e-12);
  // A form outside 1-4 changes nothing.
  EXPECT_EQ(factors(q3, 5, codes, 3, t).tau[1], -9.0);
}

// The exponent of G is limited to +-23.0259; dG/dT keeps its formula with the limited G.
TEST(NRTAUG, ExponentLimit) {
  const std::vector<double> q = binaryBlocks({{2, 1, 2, 1.0}, {4, 1, 2, 10000.0}});
  const Factors f = factors(q, 1, {}, 2, 300.0);
  const double tau = 10000.0 / 300.0;
  EXPECT_NEAR(f.g[2], std::exp(-23.0259), 1e-20);
  EXPECT_NEAR(f.dg[2], -1.0 * f.g[2] * (-10000.0 / (300.0 * 300.0)), 1e-20);
  EXPECT_NEAR(f.tau[2], tau, 1e-12);
}

struct Activity {
  std::vector<double> lngam, dlngdt, dlngdx;
  double gert = -9, hert2 = -9;
};

Activity activity(const Factors& f, const std::vector<double>& x, std::int32_t level) {
  const std::size_t n = x.size();
  Activity a{std::vector<double>(n, -9), std::vector<double>(n, -9),
             std::vector<double>(n * n, -9)};
  std::vector<double> s(4 * n);
  const std::span<double> sp(s);
  pure::NRTACT(level, static_cast<std::int32_t>(n), static_cast<std::int32_t>(n), x, a.lngam,
               a.dlngdt, a.dlngdx, a.gert, a.hert2, sp.subspan(0, n), sp.subspan(n, n),
               sp.subspan(2 * n, n), sp.subspan(3 * n, n), f.dg, f.dtau, f.g, f.tau);
  return a;
}

// The binary closed form: ln gamma_1 = x2^2 [tau21 (G21/(x1 + x2 G21))^2 + tau12 G12/(x2 + x1
// G12)^2].
TEST(NRTACT, BinaryClosedForm) {
  const double tau12 = 1.2, tau21 = 0.4, alpha = 0.3;
  const std::vector<double> q =
      binaryBlocks({{2, 1, 2, alpha}, {2, 2, 1, alpha}, {5, 1, 2, tau12}, {5, 2, 1, tau21}});
  const Factors f = factors(q, 2, {}, 2, 350.0);
  const double g12 = std::exp(-alpha * tau12), g21 = std::exp(-alpha * tau21);
  for (const double x1 : {0.05, 0.3, 0.8}) {
    const double x2 = 1.0 - x1;
    const Activity a = activity(f, {x1, x2}, 2);
    const double ln1 =
        x2 * x2 *
        (tau21 * std::pow(g21 / (x1 + x2 * g21), 2) + tau12 * g12 / std::pow(x2 + x1 * g12, 2));
    const double ln2 =
        x1 * x1 *
        (tau12 * std::pow(g12 / (x2 + x1 * g12), 2) + tau21 * g21 / std::pow(x1 + x2 * g21, 2));
    EXPECT_NEAR(a.lngam[0], ln1, 1e-13);
    EXPECT_NEAR(a.lngam[1], ln2, 1e-13);
    EXPECT_NEAR(a.gert, x1 * ln1 + x2 * ln2, 1e-13);
  }
}

// Temperature and composition derivatives against differences; Gibbs-Duhem; symmetry;
// level 2 leaves the composition derivatives untouched.
TEST(NRTACT, Derivatives) {
  const std::vector<double> q = eos_test::ternaryNrtl();
  const std::vector<double> x = {0.2, 0.5, 0.3};
  const double t = 320.0, ht = 1e-3, hn = 1e-6;
  const Activity a = activity(factors(q, 3, {}, 3, t), x, 3);
  const Activity up = activity(factors(q, 3, {}, 3, t + ht), x, 2);
  const Activity dn = activity(factors(q, 3, {}, 3, t - ht), x, 2);
  EXPECT_EQ(up.dlngdx[0], -9.0);
  double hsum = 0.0;
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_NEAR(a.dlngdt[i], (up.lngam[i] - dn.lngam[i]) / (2 * ht), 1e-9);
    hsum -= x[i] * a.dlngdt[i];
  }
  EXPECT_NEAR(a.hert2, hsum, 1e-14);
  for (std::size_t j = 0; j < 3; ++j) {
    std::vector<double> xu = x, xd = x;
    xu[j] += hn;
    xd[j] -= hn;
    for (auto& v : xu) v /= 1.0 + hn;
    for (auto& v : xd) v /= 1.0 - hn;
    const Activity au = activity(factors(q, 3, {}, 3, t), xu, 2);
    const Activity ad = activity(factors(q, 3, {}, 3, t), xd, 2);
    double gibbsDuhem = 0.0;
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_NEAR(a.dlngdx[j * 3 + i], (au.lngam[i] - ad.lngam[i]) / (2 * hn), 1e-8);
      EXPECT_EQ(a.dlngdx[j * 3 + i], a.dlngdx[i * 3 + j]);
      gibbsDuhem += x[i] * a.dlngdx[j * 3 + i];
    }
    EXPECT_NEAR(gibbsDuhem, 0.0, 1e-13);
  }
}

// The model with its descriptor, work and cache.
class NrtlModel : public ::testing::Test {
 protected:
  void SetUp() override {
    coef = eos_test::ternaryNrtl();
    descriptor.assign(10, 0);
    descriptor[1] = 3;
    work.assign(37, 0.0);
  }
  void TearDown() override {
    methods::KMCTL = {};
    methods::LDSTAT = {};
  }
  Activity run(double t, std::int32_t option) {
    Activity a{std::vector<double>(3, -9), std::vector<double>(3, -9), std::vector<double>(9, -9)};
    std::vector<double> sums(12);
    pure::VTNRTL(x, t, 3, option, coef, descriptor, work, sums, a.lngam, a.dlngdt, a.dlngdx, a.gert,
                 a.hert2, gTT);
    return a;
  }
  std::vector<double> coef, work;
  std::vector<std::int32_t> descriptor;
  std::vector<double> x = {0.2, 0.5, 0.3};
  double gTT = -9;
};

// Mode 2 computes tau and G once per temperature; mode 1 at every call.
TEST_F(NrtlModel, CacheModes) {
  descriptor[4] = 2;
  const double q5 = coef[36 + 3];
  const Activity first = run(300.0, 0);
  EXPECT_EQ(descriptor[5], 1);
  EXPECT_EQ(work[36], 300.0);
  coef[36 + 3] += 100.0;  // a changed Q5(1,2): not seen while the temperature repeats
  EXPECT_EQ(run(300.0, 0).lngam, first.lngam);
  EXPECT_NE(run(301.0, 0).lngam, first.lngam);
  descriptor[4] = 1;
  coef[36 + 3] = q5;
  EXPECT_EQ(run(301.0, 0).lngam, run(301.0, 0).lngam);
  const Activity again = run(300.0, 0);
  EXPECT_EQ(again.lngam, first.lngam);
}

// The option word: hundreds digit for composition derivatives; a tens digit stops the run.
TEST_F(NrtlModel, OptionWord) {
  EXPECT_EQ(run(300.0, 0).dlngdx[0], -9.0);
  EXPECT_NE(run(300.0, 100).dlngdx[0], -9.0);
  testing_support::StopThrows stop;
  try {
    run(300.0, 10);
    ADD_FAILURE() << "the run did not stop";
  } catch (const platform::RunStopped& stopped) {
    EXPECT_EQ(stopped.status, 15);
    const std::string line(services::MSGTXT.lines(1).trimmed());
    EXPECT_NE(line.find("1990020004"), std::string::npos) << line;
  }
}

// g'' = d2(sum x ln gamma)/dT2, and g, hE the excess terms.
TEST_F(NrtlModel, ExcessTermsAndTheirTemperatureDerivatives) {
  const double t = 310.0, h = 1e-2;
  descriptor[4] = 1;
  const Activity a = run(t, 0);
  const double curvature = gTT;
  const Activity up = run(t + h, 0), dn = run(t - h, 0);
  EXPECT_NEAR(a.hert2, -(up.gert - dn.gert) / (2 * h), 1e-10);
  EXPECT_NEAR(curvature, -(up.hert2 - dn.hert2) / (2 * h), 1e-7 * std::fabs(curvature));
}

// For the NRTL-based cubic methods the rows of G carry the block's component weights.
TEST_F(NrtlModel, WeightedRowsForTheCubicMethods) {
  storage::CMINIT(0, 0, 0);
  const std::int32_t start = storage::ICMGTR(2 + 2 * 3, 1);
  const std::vector<double> w = {1.3, 0.8, 1.1};
  for (std::int32_t k = 1; k <= 3; ++k) storage::CORSTO.setReal(start + 3 + 2 + k, w[k - 1]);
  methods::LDSTAT.realSector1 = start;
  methods::KMCTL.kvalue.code = 112;
  descriptor[4] = 1;
  const Activity weighted = run(300.0, 100);
  Factors f = factors(coef, 3, {}, 3, 300.0);
  for (std::size_t row = 0; row < 3; ++row) {
    for (std::size_t col = 0; col < 3; ++col) {
      f.g[col * 3 + row] *= w[row];
      f.dg[col * 3 + row] *= w[row];
    }
  }
  const Activity expected = activity(f, x, 3);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(weighted.lngam[i], expected.lngam[i], 1e-14);
  methods::KMCTL.kvalue.code = 101;
  EXPECT_NE(run(300.0, 100).lngam, weighted.lngam);
}

}  // namespace
