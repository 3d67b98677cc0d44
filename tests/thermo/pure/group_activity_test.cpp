// The group-contribution activity kernels: a published example, the temperature forms of
// the interaction factors, the free-volume term and the derivatives.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "eos_models.hpp"
#include "thermo/pure/pure.hpp"

namespace {

struct Result {
  std::vector<double> lngam, lngamT, diagonal, dlngdx;
  double g = -9, hE = -9, gTT = -9;
  std::int32_t status = -9;
};

// EOSMR5 on a parameter array and descriptor.
Result groupModel(std::vector<double> param, const std::vector<std::int32_t>& descriptor,
                  const std::vector<double>& x, double t, std::int32_t option,
                  const std::vector<double>& mass = {}, const std::vector<double>& density = {}) {
  const std::size_t n = x.size();
  const std::size_t m = static_cast<std::size_t>(descriptor[11]);
  Result r{std::vector<double>(n, -9), std::vector<double>(n, -9), std::vector<double>(n, -9),
           std::vector<double>(n * n, -9)};
  std::vector<std::int32_t> iwork(2 * m + m * n);
  std::vector<double> rwork(n + 9 * m);
  pure::EOSMR5(x, t, static_cast<std::int32_t>(n), option, param, descriptor,
               static_cast<std::int32_t>(iwork.size()), iwork,
               static_cast<std::int32_t>(rwork.size()), rwork, r.lngam, r.lngamT, r.diagonal,
               r.dlngdx, r.g, r.hE, r.gTT, r.status, mass, density);
  return r;
}

// Diethylamine (1) and n-heptane (2) at 308.15 K and x1 = 0.4, the worked example of the
// method in J. M. Smith, H. C. Van Ness and M. M. Abbott, "Introduction to Chemical
// Engineering Thermodynamics", Appendix H: gamma1 = 1.133, gamma2 = 1.047. Subgroups CH3,
// CH2 (main group 1) and CH2NH (main group 2 here), a12 = 255.7 K, a21 = 65.33 K.
TEST(EOSMR5, PublishedExampleOfTheMethod) {
  const std::vector<double> param = {
      3.172, 4.396, 3.6836, 5.1742, 0.0, 0.0,             // q, r, r'' of the two components
      0.848, 0.540, 0.936,                                // Q of CH3, CH2, CH2NH
      0.0,   65.33, 255.7,  0.0,                          // a (by columns)
      0.0,   0.0,   0.0,    0.0,                          // b
      0.0,   0.0,   0.0,    0.0,                          // c
      0.0,   0.0,   0.0,    0.0,    0.0, 0.0, 0.0, 0.0};  // psi and dpsi, written by the call
  std::vector<std::int32_t> descriptor(20, 0);
  descriptor[11] = 3;
  descriptor[12] = 2;
  descriptor[14] = 10;
  descriptor[15] = 14;
  descriptor[16] = 18;
  descriptor[17] = 3;
  for (const std::int32_t w : {1, 1, 2, 3, 2, 20001, 10002, 10003, 20001, 50002}) {
    descriptor.push_back(w);
  }
  const Result r = groupModel(param, descriptor, {0.4, 0.6}, 308.15, 0);
  EXPECT_NEAR(std::exp(r.lngam[0]), 1.133, 5e-4);
  EXPECT_NEAR(std::exp(r.lngam[1]), 1.047, 5e-4);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.hE, 0.0);
  EXPECT_NEAR(r.g, 0.4 * r.lngam[0] + 0.6 * r.lngam[1], 1e-15);
}

// psi = exp(-U/T) by variant, limited at |U/T| = 20, with exact temperature derivatives.
TEST(ACTPRM, TemperatureFormsOfTheInteractions) {
  const std::vector<double> a = {0.0, 120.0, -40.0, 9000.0}, b = {0.0, 0.3, -0.2, 0.0},
                            c = {0.0, 2e-7, 1e-10, 0.0};
  const auto run = [&](std::int32_t variant, double t) {
    std::vector<double> psi(4), dpsi(4), d2psi(4);
    pure::ACTPRM(2, t, a, b, c, variant, psi, dpsi, d2psi);
    return std::vector<std::vector<double>>{psi, dpsi, d2psi};
  };
  const double t = 400.0, h = 1e-3, r = 298.15;
  const auto expectedU = [&](std::int32_t variant, std::size_t k) {
    switch (variant) {
      case 1:
        return a[k] + b[k] * (t - r) + c[k] * (t * std::log(r / t) + t - r);
      case 2:
        return a[k] + b[k] * t + c[k] * t * t;
      case 3:
        return a[k] + b[k] * t + c[k] * t * t * t;
      case 4:
        return a[k];
      default:
        return 0.0;
    }
  };
  for (const std::int32_t variant : {1, 2, 3, 4, 7}) {
    SCOPED_TRACE("variant " + std::to_string(variant));
    const auto p = run(variant, t), up = run(variant, t + h), dn = run(variant, t - h);
    for (std::size_t k = 0; k < 3; ++k) {
      EXPECT_NEAR(p[0][k], std::exp(-expectedU(variant, k) / t), 1e-14);
      EXPECT_NEAR(p[1][k], (up[0][k] - dn[0][k]) / (2 * h), 1e-10);
      EXPECT_NEAR(p[2][k], (up[1][k] - dn[1][k]) / (2 * h), 1e-10);
    }
    // 9000/400 = 22.5 is limited to 20.
    if (variant != 7) {
      EXPECT_NEAR(p[0][3], std::exp(-20.0), 1e-20);
    }
  }
  // |c| = 1e-10 still takes the three-term form of variant 1; below it, two terms.
  std::vector<double> with(4), without(4), d(4);
  pure::ACTPRM(2, t, a, b, c, 1, with, d);
  const std::vector<double> c2 = {0.0, 0.0, 0.99e-10, 0.0};
  pure::ACTPRM(2, t, a, b, c2, 1, without, d);
  EXPECT_NE(with[2], without[2]);
  EXPECT_EQ(without[2], std::exp(-(a[2] + b[2] * (t - r)) / t));
}

// Composition and temperature derivatives of every variant against differences;
// Gibbs-Duhem and symmetry where the model is one of a Gibbs energy (variants 1-3).
TEST(ACTSTR, Derivatives) {
  const std::vector<double> x = {0.3, 0.45, 0.25};
  const std::vector<double> mass = {16.043, 44.097, 72.15}, density = {0.3, 0.507, 0.631};
  const double t = 320.0, ht = 1e-2, hn = 1e-6;
  for (const std::int32_t variant : {1, 2, 3, 4}) {
    SCOPED_TRACE("variant " + std::to_string(variant));
    const eos_test::GroupData d = eos_test::hydrocarbonGroups(variant);
    const Result r = groupModel(d.param, d.descriptor, x, t, 10, mass, density);
    const Result up = groupModel(d.param, d.descriptor, x, t + ht, 0, mass, density);
    const Result dn = groupModel(d.param, d.descriptor, x, t - ht, 0, mass, density);
    double gT = 0.0, gTu = 0.0, gTd = 0.0;
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_NEAR(r.lngamT[i], (up.lngam[i] - dn.lngam[i]) / (2 * ht), 1e-9);
      EXPECT_EQ(r.diagonal[i], r.dlngdx[i * 3 + i]);
      gT += x[i] * r.lngamT[i];
      gTu += x[i] * up.lngamT[i];
      gTd += x[i] * dn.lngamT[i];
    }
    EXPECT_NEAR(r.gTT, (gTu - gTd) / (2 * ht), 1e-6 * std::fabs(r.gTT) + 1e-13);
    EXPECT_EQ(up.dlngdx[0], -9.0);  // option 0: no composition derivatives
    for (std::size_t j = 0; j < 3; ++j) {
      std::vector<double> xu = x, xd = x;
      xu[j] += hn;
      xd[j] -= hn;
      for (auto& v : xu) v /= 1.0 + hn;
      for (auto& v : xd) v /= 1.0 - hn;
      const Result ru = groupModel(d.param, d.descriptor, xu, t, 0, mass, density);
      const Result rd = groupModel(d.param, d.descriptor, xd, t, 0, mass, density);
      double gibbsDuhem = 0.0;
      for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(r.dlngdx[j * 3 + i], (ru.lngam[i] - rd.lngam[i]) / (2 * hn), 1e-8);
        gibbsDuhem += x[i] * r.dlngdx[j * 3 + i];
        if (variant != 4) {
          EXPECT_NEAR(r.dlngdx[j * 3 + i], r.dlngdx[i * 3 + j], 1e-12);
        }
      }
      if (variant != 4) {
        EXPECT_NEAR(gibbsDuhem, 0.0, 1e-12);
      }
    }
  }
}

// The free-volume term of variant 4: 3c ln((v_i^1/3 - 1)/(v_m^1/3 - 1)) - c (v_i/v_m - 1)/
// (1 - v_i^-1/3), reduced volumes v = (M/rho)/(15.17 * 1.28 r), c = 1.1.
TEST(ACTSTR, FreeVolumeTerm) {
  const std::vector<double> x = {0.3, 0.45, 0.25};
  const std::vector<double> mass = {16.043, 44.097, 72.15}, density = {0.3, 0.507, 0.631};
  const std::vector<double> r = {1.1292, 2.4766, 3.8254};
  const eos_test::GroupData d3 = eos_test::hydrocarbonGroups(3);
  eos_test::GroupData d4 = eos_test::hydrocarbonGroups(4);
  // Variant 4 takes U = a; variant 3 with b = c = 0 is the same residual part.
  for (std::size_t k = 16; k < 24; ++k) d4.param[k] = 0.0;
  eos_test::GroupData d3a = d3;
  for (std::size_t k = 16; k < 24; ++k) d3a.param[k] = 0.0;
  const Result with = groupModel(d4.param, d4.descriptor, x, 300.0, 0, mass, density);
  const Result without = groupModel(d3a.param, d3a.descriptor, x, 300.0, 0, mass, density);
  double volume = 0.0, sr = 0.0;
  for (std::size_t i = 0; i < 3; ++i) {
    volume += x[i] * mass[i] / density[i];
    sr += x[i] * r[i];
  }
  const double vm = volume / (19.4176 * sr), sm = std::pow(vm, 0.333333);
  for (std::size_t i = 0; i < 3; ++i) {
    const double vi = mass[i] / (density[i] * 19.4176 * r[i]), si = std::pow(vi, 0.333333);
    const double fv =
        3.3 * std::log((si - 1.0) / (sm - 1.0)) - 1.1 * (vi / vm - 1.0) / (1.0 - 1.0 / si);
    EXPECT_NEAR(with.lngam[i] - without.lngam[i], fv, 1e-12);
  }
}

// A pure component has no residual and no combinatorial part; alkanes of one main group
// interact only through the combinatorial part.
TEST(ACTSTR, PureComponentsAndOneMainGroup) {
  const eos_test::GroupData d = eos_test::hydrocarbonGroups(3);
  const Result pure1 = groupModel(d.param, d.descriptor, {0.0, 1.0, 0.0}, 300.0, 0);
  EXPECT_NEAR(pure1.lngam[1], 0.0, 1e-14);
  const std::vector<double> x = {0.0, 0.4, 0.6};
  const Result alkanes = groupModel(d.param, d.descriptor, x, 300.0, 0);
  const std::vector<double> q = {1.124, 2.236, 3.316}, r = {1.1292, 2.4766, 3.8254};
  double sq = 0.0, sr = 0.0;
  for (std::size_t i = 0; i < 3; ++i) {
    sq += x[i] * q[i];
    sr += x[i] * r[i];
  }
  for (std::size_t i = 1; i < 3; ++i) {
    const double j = r[i] / sr, l = q[i] / sq;
    const double comb = 1.0 - j + std::log(j) - 5.0 * q[i] * (1.0 - j / l + std::log(j / l));
    EXPECT_NEAR(alkanes.lngam[i], comb, 1e-13);
    EXPECT_NEAR(alkanes.lngamT[i], 0.0, 1e-15);
  }
}

}  // namespace
