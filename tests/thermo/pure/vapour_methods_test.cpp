// Vapour methods for polar and associating gases: the virial equation of method 210, the
// Hayden-O'Connell method 115 with and without dimerization, and the chemical theory of
// method 123 with its equilibrium solver. Ideal-gas limits, enthalpies against differences
// of ln(phi) and of B, and the closed forms of the equilibrium.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "density_support.hpp"
#include "services/services.hpp"
#include "support/test_support.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using density_test::expectClose;
using density_test::kR;
using density_test::weighted;

class VapourMethods : public ::testing::Test {
 protected:
  void SetUp() override { services::ERINIT(); }
  testing_support::StopThrows stop_;
};

// ---------------------------------------------------------------------------------------
// Virial equation
// ---------------------------------------------------------------------------------------

struct Virial {
  std::vector<double> lnphi, lnphiT, b, bT, bTT;
  double z = 0.0, zT = 0.0;
};
Virial virial(const std::vector<double>& mu, const std::vector<double>& eta,
              const std::vector<double>& tc, const std::vector<double>& pc,
              const std::vector<double>& y, double t, double p) {
  const std::size_t n = y.size();
  const std::vector<double> vc(n, 0.2), omega(n, 0.15);
  Virial v;
  v.lnphi.assign(n, 0.0);
  v.lnphiT.assign(n, 0.0);
  v.b.assign(n * (n + 1) / 2, 0.0);
  v.bT = v.b;
  v.bTT = v.b;
  pure::VRFUGC(mu, eta, tc, pc, vc, omega, y, static_cast<std::int32_t>(n), p, t, v.lnphi, v.lnphiT,
               v.z, v.zT, v.b, v.bT, v.bTT);
  return v;
}

TEST_F(VapourMethods, VirialOfOneComponent) {
  const Virial v = virial({0.0}, {0.0}, {425.12}, {3796.0}, {1.0}, 320.0, 200.0);
  const double q = 200.0 / (kR * 320.0);
  EXPECT_DOUBLE_EQ(v.lnphi[0], v.b[0] * q);
  EXPECT_DOUBLE_EQ(v.z, 1.0 + v.b[0] * q);
  EXPECT_NEAR(v.zT, q * (v.bT[0] - v.b[0] / 320.0), 1e-15);
  // The derivatives of B are those of the Pitzer-Curl form.
  const Virial up = virial({0.0}, {0.0}, {425.12}, {3796.0}, {1.0}, 320.01, 200.0);
  const Virial down = virial({0.0}, {0.0}, {425.12}, {3796.0}, {1.0}, 319.99, 200.0);
  EXPECT_NEAR(v.bT[0], (up.b[0] - down.b[0]) / 0.02, 1e-8);
  EXPECT_NEAR(v.bTT[0], (up.bT[0] - down.bT[0]) / 0.02, 1e-9);
  EXPECT_NEAR(v.lnphiT[0], (up.lnphi[0] - down.lnphi[0]) / 0.02, 1e-10);
}

TEST_F(VapourMethods, VirialPolarTermsOnlyWhereTheyApply) {
  // Reduced dipole 986.92 mu^2 Pc/Tc^2 and Tr decide the polar and association terms.
  const double tc = 500.0, pc = 5000.0;
  const auto b = [&](double mu, double t, double eta) {
    return virial({mu}, {eta}, {tc}, {pc}, {1.0}, t, 100.0).b[0];
  };
  const double mu4 = std::sqrt(4.0 * tc * tc / (986.9232667160128 * pc));
  const double mu399 = std::sqrt(3.99 * tc * tc / (986.9232667160128 * pc));
  EXPECT_NE(b(mu4 * 1.0001, 0.95 * tc, 1.0), b(0.0, 0.95 * tc, 1.0));      // at Tr 0.95
  EXPECT_EQ(b(mu4 * 1.0001, 0.9501 * tc, 1.0), b(0.0, 0.9501 * tc, 1.0));  // above
  EXPECT_EQ(b(mu399, 0.8 * tc, 1.0), b(0.0, 0.8 * tc, 1.0));               // below 4
}

// ---------------------------------------------------------------------------------------
// Hayden-O'Connell
// ---------------------------------------------------------------------------------------

struct HocSet {
  std::vector<double> tc, pc, rd, mu, eta;
};
// Methane, water and acetic acid (critical constants from Poling et al., 5th ed.; radii of
// gyration, dipoles and association parameters as used with the Hayden-O'Connell method).
HocSet hocData(double aceticEta = 4.5) {
  HocSet d;
  d.tc = {190.56, 647.14, 594.45};
  d.pc = {4599.0, 22064.0, 5786.0};
  d.rd = {1.118, 0.615, 2.61};
  d.mu = {0.0, 1.83, 1.74};
  // Packed with the diagonal by columns: (1,1), (1,2), (2,2), (1,3), (2,3), (3,3).
  d.eta = {0.0, 0.0, 1.7, 0.0, 2.5, aceticEta};
  return d;
}

struct Hoc {
  std::int32_t status = -1;
  double z0 = 0, z = 0, zT = 0, zP = 0, hr = 0, sr = 0, cpr = 0, cvr = 0, cpcv = 0;
  std::vector<double> lnphi, lnphiT, lnphiTT;
};
Hoc hoc(const HocSet& d, const std::vector<double>& y, double t, double p, std::int32_t level) {
  const std::size_t n = y.size();
  pure::HocComponents data{
      std::span<const double>(d.tc).first(n), std::span<const double>(d.pc).first(n),
      std::span<const double>(d.rd).first(n), std::span<const double>(d.mu).first(n)};
  static std::vector<double> storage;
  storage.assign(pure::hocSpeciesWords(static_cast<std::int32_t>(n)), 0.0);
  Hoc h;
  h.lnphi.assign(n, 0.0);
  h.lnphiT.assign(n, 0.0);
  h.lnphiTT.assign(n, 0.0);
  const auto ns = static_cast<std::int32_t>(n * (n + 1) / 2);
  pure::HOCFUG(data, std::span<const double>(d.eta).first(static_cast<std::size_t>(ns)), level,
               static_cast<std::int32_t>(n), ns, p, t, y, h.status, h.z0, h.z, h.zT, h.zP, h.lnphi,
               h.lnphiT, h.lnphiTT, h.hr, h.sr, h.cpr, h.cvr, h.cpcv, storage);
  return h;
}

TEST_F(VapourMethods, HaydenOConnellPlainVirialGas) {
  const HocSet d = hocData(0.0);  // no strong association
  const std::vector<double> y = {0.5, 0.5};
  const double t = 420.0, p = 300.0;
  const Hoc h = hoc(d, y, t, p, 4);
  ASSERT_EQ(h.status, 0);
  EXPECT_EQ(h.z0, 1.0);
  const double c = p / (kR * t);
  // B from Z, and H^r = (B - T dB/dT) P/(R T) against the difference of B.
  const auto bOf = [&](double tt) { return (hoc(d, y, tt, p, 1).z - 1.0) * kR * tt / p; };
  const double b = bOf(t);
  const double db = (bOf(t + 0.01) - bOf(t - 0.01)) / 0.02;
  EXPECT_NEAR(h.hr, (b - t * db) * c, 1e-8);
  EXPECT_NEAR(h.hr, -t * weighted(y, h.lnphiT), 1e-12);
  EXPECT_NEAR(weighted(y, h.lnphi), h.z - 1.0, 1e-14);
  EXPECT_NEAR(h.cpr - h.cvr - h.cpcv + 1.0, 0.0, 1e-14);
  EXPECT_NEAR(h.zP, (h.z - 1.0) / p, 1e-18);
  // Cp^r = d(T H^r)/dT.
  const Hoc up = hoc(d, y, t + 0.01, p, 2);
  const Hoc down = hoc(d, y, t - 0.01, p, 2);
  EXPECT_NEAR(h.cpr, ((t + 0.01) * up.hr - (t - 0.01) * down.hr) / 0.02, 1e-7);
  // At vanishing pressure the gas is ideal.
  const Hoc ideal = hoc(d, y, t, 1e-6, 3);
  EXPECT_NEAR(ideal.z, 1.0, 1e-10);
  EXPECT_NEAR(ideal.hr, 0.0, 1e-9);
  EXPECT_NEAR(ideal.sr, 0.0, 1e-9);
}

TEST_F(VapourMethods, HaydenOConnellWithDimerization) {
  const HocSet d = hocData();
  const std::vector<double> y = {0.2, 0.3, 0.5};
  const double t = 400.0, p = 100.0;
  const Hoc h = hoc(d, y, t, p, 3);
  ASSERT_EQ(h.status, 0);
  EXPECT_LT(h.z0, 0.99);  // the acid dimerizes
  // H^r against the differences of ln(phi), Z against its pressure difference.
  const double ht = 0.05;
  const Hoc up = hoc(d, y, t + ht, p, 2);
  const Hoc down = hoc(d, y, t - ht, p, 2);
  const double dg = (weighted(y, up.lnphi) - weighted(y, down.lnphi)) / (2.0 * ht);
  EXPECT_NEAR(h.hr, -t * dg, 1e-5 * std::fabs(h.hr));
  EXPECT_NEAR(h.sr, h.hr - weighted(y, h.lnphi), 1e-13);
  const Hoc pu = hoc(d, y, t, p * 1.001, 1);
  const Hoc pd = hoc(d, y, t, p * 0.999, 1);
  const double dgp = (weighted(y, pu.lnphi) - weighted(y, pd.lnphi)) / (0.002 * p);
  EXPECT_NEAR(h.z - 1.0, p * dgp, 1e-5 * std::fabs(h.z - 1.0));
  EXPECT_NEAR(h.cpr - h.cvr - h.cpcv + 1.0, 0.0, 1e-14);
  EXPECT_NEAR(h.cpr, ((t + ht) * up.hr - (t - ht) * down.hr) / (2.0 * ht), 1e-4 * std::fabs(h.cpr));
  // Low pressure: the dimers dissociate and the gas becomes ideal.
  const Hoc ideal = hoc(d, y, t, 1e-4, 2);
  EXPECT_NEAR(ideal.z, 1.0, 1e-5);
  for (double v : ideal.lnphi) EXPECT_NEAR(v, 0.0, 1e-5);
  EXPECT_NEAR(ideal.hr, 0.0, 1e-4);
}

TEST_F(VapourMethods, HaydenOConnellSwitchesAtTheAssociationThreshold) {
  const std::vector<double> y = {0.5, 0.0, 0.5};
  EXPECT_EQ(hoc(hocData(4.48), y, 400.0, 100.0, 1).z0, 1.0);
  EXPECT_LT(hoc(hocData(4.49), y, 400.0, 100.0, 1).z0, 1.0);
}

// ---------------------------------------------------------------------------------------
// Chemical theory
// ---------------------------------------------------------------------------------------

TEST_F(VapourMethods, EquilibriumChecksAndPackedIndex) {
  std::int32_t status = 9;
  std::vector<double> y = {0.2, -0.1, 0.6};
  pure::ASCHL1(3, y, status);
  EXPECT_EQ(status, 2);
  EXPECT_NEAR(y[0] + y[1] + y[2], 1.0, 1e-15);
  EXPECT_EQ(y[1], 0.0);
  std::vector<double> same = {0.25, 0.75};
  pure::ASCHL1(2, same, status);
  EXPECT_EQ(status, 0);
  std::vector<double> zero = {0.0, 0.0};
  pure::ASCHL1(2, zero, status);
  EXPECT_EQ(status, -1);
  std::vector<double> k = {0.0, -1.0, 0.0};
  pure::ASCHL2(2, k, status);
  EXPECT_EQ(status, 3);  // none positive, one zeroed
  // Rows of the upper triangle: (1,1) (1,2) (1,3) (2,2) (2,3) (3,3).
  EXPECT_EQ(pure::ASCIDX(1, 3, 3), 3);
  EXPECT_EQ(pure::ASCIDX(3, 2, 3), 5);
  EXPECT_EQ(pure::ASCIDX(3, 3, 3), 6);
  EXPECT_EQ(pure::ASCIDX(0, 2, 3), 1);
  EXPECT_EQ(pure::ASCIDX(4, 2, 3), 1);
  // A x = b with a zero first pivot.
  std::vector<double> a = {0.0, 2.0, 1.0, 3.0, 1.0, 1.0, 1.0, 0.0, 2.0};
  std::vector<double> b = {5.0, 8.0, 7.0};
  std::vector<double> x(3, 0.0);
  EXPECT_TRUE(pure::ASCHL4(3, a, b, x));
  const std::vector<double> a0 = {0.0, 2.0, 1.0, 3.0, 1.0, 1.0, 1.0, 0.0, 2.0};
  const std::vector<double> b0 = {5.0, 8.0, 7.0};
  for (std::size_t r = 0; r < 3; ++r) {
    EXPECT_NEAR(a0[3 * r] * x[0] + a0[3 * r + 1] * x[1] + a0[3 * r + 2] * x[2], b0[r], 1e-13);
  }
}

// A system without a finite solution is reported, never solved into infinities or NaNs.
TEST_F(VapourMethods, LinearSolveReportsSystemsWithoutAFiniteSolution) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* label;
    std::vector<double> a, b;
  };
  const Case cases[] = {
      {"zero matrix", {0, 0, 0, 0}, {1, 1}},
      {"dependent rows", {1, 2, 2, 4}, {3, 6}},
      {"zero column after elimination", {2, 1, 0, 4, 2, 0, 1, 1, 0}, {1, 2, 3}},
      {"infinite entry", {inf, 1, 1, 1}, {1, 2}},
      {"NaN entry", {1, nan, 1, 1}, {1, 2}},
      {"NaN right-hand side", {2, 1, 1, 3}, {nan, 1}},
      {"infinite right-hand side", {2, 1, 1, 3}, {inf, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<double> a = c.a, b = c.b, x(b.size(), 0.0);
    EXPECT_FALSE(pure::ASCHL4(static_cast<std::int32_t>(b.size()), a, b, x));
  }
}

TEST_F(VapourMethods, PartnerWordsClassifyTheDimers) {
  struct Case {
    const char* label;
    std::vector<double> k;  // rows of the upper triangle of 3 components
    std::vector<std::int32_t> partner;
  };
  const Case cases[] = {
      {"self only", {1, 0, 0, 0, 0, 0}, {1, -1, -1}},
      {"exclusive pair", {0, 0, 1, 0, 0, 0}, {3, -1, 1}},
      {"self and cross", {1, 1, 0, 0, 0, 0}, {0, 0, -1}},
      {"two self-dimers", {1, 0, 0, 1, 0, 0}, {1, 2, -1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<std::int32_t> partner(3, 7);
    pure::ASCHL3(3, c.k, partner);
    EXPECT_EQ(partner, c.partner);
  }
}

struct Equilibrium {
  std::vector<double> z;
  double r = 0.0;
};
Equilibrium solve(std::vector<double> y, std::vector<double> k, double p, std::int32_t option) {
  const std::size_t n = y.size();
  Equilibrium e;
  e.z.assign(n, -1.0);
  std::vector<std::int32_t> iwork(2 * n, 0);
  std::vector<double> rwork(2 * n + n * n, 0.0);
  pure::ASCDRV(300.0, p, option, static_cast<std::int32_t>(n), y, k, e.z, e.r, iwork, rwork);
  return e;
}

// The monomer balance of component i, per apparent mole: y_i = theta_i y_i/R (monomer) +
// sum of its dimers, with theta_i = z_i R and dimer ij at K Pa zM_i zM_j R.
double balance(const std::vector<double>& y, const std::vector<double>& k, double p,
               const Equilibrium& e, std::size_t i) {
  const double pa = p * 0.0098692327;
  const auto n = static_cast<std::int32_t>(y.size());
  const auto zm = [&](std::size_t j) { return e.z[j] * y[j]; };  // true monomer fraction
  double s = zm(i);
  for (std::size_t j = 0; j < y.size(); ++j) {
    const double kk =
        pa * k[static_cast<std::size_t>(pure::ASCIDX(static_cast<std::int32_t>(i + 1),
                                                     static_cast<std::int32_t>(j + 1), n) -
                                        1)];
    s += (i == j ? 2.0 : 1.0) * kk * zm(i) * zm(j);
  }
  return s * e.r - y[i];
}

TEST_F(VapourMethods, EquilibriumClosedFormsAndIterations) {
  const double p = 101.325;  // one atmosphere
  // A pure self-associating component: theta = 1/sqrt(1 + 4a), z = 2/(1 + sqrt(1 + 4a)).
  const double a = 3.0;
  const Equilibrium pureSelf = solve({1.0}, {a}, p, 0);
  EXPECT_NEAR(pureSelf.z[0], 2.0 / (1.0 + std::sqrt(1.0 + 4.0 * a)), 1e-9);
  EXPECT_NEAR(pureSelf.r, 0.5 * (1.0 + 1.0 / std::sqrt(1.0 + 4.0 * a)), 1e-9);
  // Absent self-associating component: theta 1, z = 1/R.
  const Equilibrium absent = solve({0.0, 1.0}, {2.0, 0.0, 0.0}, p, 0);
  EXPECT_NEAR(absent.z[0], 1.0 / absent.r, 1e-15);
  // An exclusive pair is exact without iteration; the other patterns iterate.
  struct Case {
    const char* label;
    std::vector<double> y, k;
    std::int32_t option;
    double tolerance;
  };
  const Case cases[] = {
      {"exclusive pair", {0.3, 0.5, 0.2}, {0, 0, 4.0, 0, 0, 0}, 0, 1e-12},
      {"two self-dimers, substitution", {0.3, 0.5, 0.2}, {2.0, 0, 0, 3.0, 0, 0}, 0, 1e-3},
      {"two self-dimers, Newton 1e-4", {0.3, 0.5, 0.2}, {2.0, 0, 0, 3.0, 0, 0}, 1, 1e-3},
      {"self and cross, Newton", {0.3, 0.5, 0.2}, {2.0, 1.5, 0, 3.0, 0.5, 0}, 2, 1e-8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Equilibrium e = solve(c.y, c.k, p, c.option);
    for (std::size_t i = 0; i < c.y.size(); ++i) {
      EXPECT_NEAR(balance(c.y, c.k, p, e, i), 0.0, c.tolerance) << i;
    }
  }
  // Options 2 and -1 are the same Newton.
  const Equilibrium two = solve({0.3, 0.5, 0.2}, {2.0, 1.5, 0, 3.0, 0.5, 0}, p, 2);
  const Equilibrium minus = solve({0.3, 0.5, 0.2}, {2.0, 1.5, 0, 3.0, 0.5, 0}, p, -1);
  EXPECT_EQ(two.z, minus.z);
  // No constant or no pressure: ideal.
  const Equilibrium none = solve({0.4, 0.6}, {0, 0, 0}, p, 0);
  EXPECT_EQ(none.r, 1.0);
  EXPECT_EQ(none.z, (std::vector<double>{1.0, 1.0}));
  // A constant that overflows leaves the Newton system without a finite solution: the
  // iteration stops at its last iterate, and the result stays finite and keeps R = 0.5 (1 +
  // sum y z R), the definition of z.
  for (const std::int32_t option : {1, 2}) {
    SCOPED_TRACE(option);
    const std::vector<double> y = {0.3, 0.5, 0.2};
    const Equilibrium e = solve(y, {1e308, 1.5, 0, 3.0, 0.5, 0}, 1.0e4, option);
    ASSERT_TRUE(std::isfinite(e.r));
    double sum = 1.0;
    for (std::size_t i = 0; i < y.size(); ++i) {
      EXPECT_TRUE(std::isfinite(e.z[i])) << i;
      sum += y[i] * e.z[i] * e.r;
    }
    EXPECT_NEAR(e.r, 0.5 * sum, 1e-12);
  }
  // A negative pressure leaves the outputs alone.
  const Equilibrium guarded = solve({0.4, 0.6}, {1, 0, 0}, -1.0, 0);
  EXPECT_EQ(guarded.z, (std::vector<double>{-1.0, -1.0}));
}

struct Chemical {
  std::vector<double> lnphi, lnphiT;
  double z = -9, hr = -9, cpr = -9, cvr = -9, cpcv = -9, sr = -9;
};
Chemical ascfug(const std::vector<double>& y, const std::vector<double>& a,
                const std::vector<double>& b, double t, double p, std::int32_t level) {
  const auto n = static_cast<std::int32_t>(y.size());
  std::vector<std::int32_t> iwork(2 * y.size(), 0);
  std::vector<double> work(pure::ascfugWorkWords(n), 0.0);
  Chemical c;
  c.lnphi.assign(y.size(), -9);
  c.lnphiT.assign(y.size(), -9);
  pure::ASCFUG(t, p, 2, n, y, iwork, work, c.lnphi, c.lnphiT, c.z, a, b, c.hr, c.cpr, c.cvr, c.cpcv,
               c.sr, level);
  return c;
}

TEST_F(VapourMethods, ChemicalTheoryVapour) {
  // Acetic-acid-like self-association of component 2: log10 K = -10.4 + 3170/T (1/kPa);
  // packed by columns (1,1), (1,2), (2,2).
  const std::vector<double> a = {0.0, 0.0, -10.4};
  const std::vector<double> b = {0.0, 0.0, 3170.0};
  const std::vector<double> y = {0.6, 0.4};
  const double t = 400.0, p = 101.325;
  const Chemical c = ascfug(y, a, b, t, p, 3);
  EXPECT_LT(c.z, 1.0);
  // H^r against the differences of ln(phi).
  const double ht = 0.05;
  const Chemical up = ascfug(y, a, b, t + ht, p, 1);
  const Chemical down = ascfug(y, a, b, t - ht, p, 1);
  EXPECT_NEAR(c.hr, -t * (weighted(y, up.lnphi) - weighted(y, down.lnphi)) / (2.0 * ht),
              1e-3 * std::fabs(c.hr));
  EXPECT_NEAR(c.sr, c.hr - weighted(y, c.lnphi), 1e-13);
  EXPECT_NEAR(c.cpr - c.cvr - c.cpcv + 1.0, 0.0, 1e-12);
  // Low pressure: ideal.
  const Chemical ideal = ascfug(y, a, b, t, 1e-4, 2);
  EXPECT_NEAR(ideal.z, 1.0, 1e-6);
  EXPECT_NEAR(ideal.hr, 0.0, 1e-5);
  // No constants at all: ideal exactly.
  const std::vector<double> zero(3, 0.0);
  const Chemical none = ascfug(y, zero, zero, t, p, 2);
  EXPECT_EQ(none.z, 1.0);
  EXPECT_EQ(none.lnphi, (std::vector<double>{0.0, 0.0}));
  EXPECT_EQ(none.hr, 0.0);
  // Level 1 leaves the derivative outputs untouched.
  const Chemical first = ascfug(y, a, b, t, p, 1);
  EXPECT_EQ(first.hr, -9.0);
  EXPECT_EQ(first.lnphiT, (std::vector<double>{-9.0, -9.0}));
}

TEST_F(VapourMethods, ChemicalTheoryCrossConstantsByTheGeometricRule) {
  // Both components self-associate and have no cross constant: K_12 = 2 sqrt(K_11 K_22),
  // the same as giving that cross constant explicitly.
  const double t = 380.0;
  const std::vector<double> a = {-10.0, 0.0, -10.4};
  const std::vector<double> b = {3000.0, 0.0, 3170.0};
  const double k11 = std::pow(10.0, -10.0 + 3000.0 / t);
  const double k22 = std::pow(10.0, -10.4 + 3170.0 / t);
  const double k12 = 2.0 * std::sqrt(k11 * k22);
  const std::vector<double> ax = {-10.0, std::log10(k12), -10.4};
  const std::vector<double> bx = {3000.0, 0.0, 3170.0};
  const Chemical implied = ascfug({0.5, 0.5}, a, b, t, 150.0, 1);
  const Chemical explicitCross = ascfug({0.5, 0.5}, ax, bx, t, 150.0, 1);
  EXPECT_NEAR(implied.z, explicitCross.z, 1e-12);
  EXPECT_NEAR(implied.lnphi[0], explicitCross.lnphi[0], 1e-10);
}

}  // namespace
