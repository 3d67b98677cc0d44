// STZROT and STEOSD: the root of the stability test's cubic against the cubic solved in long
// double, ln(phi) of a pure component against the published closed forms, and the composition
// derivatives against their identities and central differences.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "flash/multiphase/stability.hpp"

namespace {

using multiphase::Matrix50;
using multiphase::STBFUG;

constexpr long double kR = 8.314471L;
constexpr double kT = 300.0, kP = 1000.0;

// The constants of the three cubics: Peng-Robinson (D.-Y. Peng and D. B. Robinson, Ind. Eng.
// Chem. Fundam. 15 (1976) 59), Soave (G. Soave, Chem. Eng. Sci. 27 (1972) 1197) and van der
// Waals, as s1, s2 of (v - s1 b)(v - s2 b).
struct Equation {
  const char* name;
  double s1, s2;
};
const Equation kPengRobinson{"Peng-Robinson", -1.0 + std::numbers::sqrt2,
                             -1.0 - std::numbers::sqrt2};
const Equation kSoave{"Soave", 0.0, -1.0};
const Equation kVanDerWaals{"van der Waals", 0.0, 0.0};

// The real roots of Z^3 + c2 Z^2 + c1 Z + c0 in long double (trigonometric form for three
// roots, Cardano for one), each polished by Newton steps.
std::vector<long double> realRoots(long double aa, long double bb, const Equation& e) {
  const long double u = e.s1 + e.s2, w = static_cast<long double>(e.s1) * e.s2;
  const long double c2 = -1.0L - bb * (1.0L + u);
  const long double c1 = aa + u * bb + (u + w) * bb * bb;
  const long double c0 = -(aa * bb + w * bb * bb * (1.0L + bb));
  const long double p = c1 - c2 * c2 / 3.0L;
  const long double q = 2.0L * c2 * c2 * c2 / 27.0L - c2 * c1 / 3.0L + c0;
  const long double disc = q * q / 4.0L + p * p * p / 27.0L;
  std::vector<long double> roots;
  if (disc < 0.0L) {
    const long double r = 2.0L * std::sqrt(-p / 3.0L);
    const long double phi = std::acos(std::clamp(3.0L * q / (p * r), -1.0L, 1.0L));
    for (int k = 0; k < 3; ++k) {
      roots.push_back(r * std::cos((phi - 2.0L * std::numbers::pi_v<long double> * k) / 3.0L) -
                      c2 / 3.0L);
    }
  } else {
    const long double s = std::sqrt(disc);
    roots.push_back(std::cbrt(-q / 2.0L + s) + std::cbrt(-q / 2.0L - s) - c2 / 3.0L);
  }
  for (long double& z : roots) {
    for (int k = 0; k < 5; ++k) {
      const long double f = ((z + c2) * z + c1) * z + c0;
      const long double fp = (3.0L * z + 2.0L * c2) * z + c1;
      if (fp != 0.0L) z -= f / fp;
    }
  }
  return roots;
}

// One component: a and b from A and B at kT and kP.
struct Pure {
  double a, b;
};
Pure pureOf(double aa, double bb) {
  const double rt = static_cast<double>(kR) * kT;
  return {aa * rt * rt / kP, bb * rt / kP};
}

double rootOf(double aa, double bb, const Equation& e, std::int32_t selector, double& lnphi,
              double p = kP) {
  const Pure c = pureOf(aa, bb);
  const std::vector<double> bi{c.b}, d{c.a};
  Matrix50 aij;
  std::vector<double> out(1);
  double z = 0.0;
  multiphase::STZROT(c.a * kP / p, c.b * kP / p, bi, d, aij, e.s1, e.s2, kT, p, selector, 1, 1, z,
                     out);
  lnphi = out[0];
  return z;
}

struct RootCase {
  const Equation* equation;
  double aa, bb;
  std::size_t realRoots;  // a check on the case itself
};

// The vapour selector returns the largest root in (B, B + 1], the liquid selector the
// smallest in [B, B + 1); with one real root both return it.
TEST(STZROT, RootsAgreeWithTheCubicSolvedInLongDouble) {
  const std::vector<RootCase> cases = {
      {&kPengRobinson, 0.05, 0.01, 1},  {&kPengRobinson, 0.3, 0.04, 3},
      {&kPengRobinson, 0.35, 0.045, 3}, {&kPengRobinson, 0.6, 0.12, 1},
      {&kSoave, 0.08, 0.02, 1},         {&kSoave, 0.25, 0.03, 3},
      {&kSoave, 0.1, 0.01, 3},          {&kSoave, 0.5, 0.1, 1},
      {&kVanDerWaals, 0.1, 0.03, 1},    {&kVanDerWaals, 0.2, 0.025, 3},
      {&kVanDerWaals, 0.6, 0.12, 1},
  };
  for (const RootCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.equation->name << " A=" << c.aa << " B=" << c.bb);
    std::vector<long double> roots = realRoots(c.aa, c.bb, *c.equation);
    ASSERT_EQ(roots.size(), c.realRoots);
    std::vector<long double> inside;
    for (long double r : roots) {
      if (r > c.bb && r < c.bb + 1.0L) inside.push_back(r);
    }
    ASSERT_FALSE(inside.empty());
    const long double largest = *std::max_element(inside.begin(), inside.end());
    const long double smallest = *std::min_element(inside.begin(), inside.end());
    double lnphi = 0.0;
    EXPECT_NEAR(rootOf(c.aa, c.bb, *c.equation, multiphase::kVapourRoot, lnphi),
                static_cast<double>(largest), 1e-9 * static_cast<double>(largest));
    EXPECT_NEAR(rootOf(c.aa, c.bb, *c.equation, multiphase::kLiquidRoot, lnphi),
                static_cast<double>(smallest), 1e-9 * static_cast<double>(largest));
  }
}

// Without attraction (A = 0) the Soave cubic is Z (Z^2 - Z - B - B^2) = 0, root 1 + B; a
// vapour at 1e-6 kPa is ideal without a root search, while the liquid selector still solves.
TEST(STZROT, NoAttractionAndVanishingPressure) {
  double lnphi = 0.0;
  const Pure c = pureOf(0.0, 0.05);
  const std::vector<double> bi{c.b}, d{0.0};
  Matrix50 aij;
  std::vector<double> out(1);
  double z = 0.0;
  multiphase::STZROT(0.0, c.b, bi, d, aij, kSoave.s1, kSoave.s2, kT, kP, 1, 1, 1, z, out);
  EXPECT_NEAR(z, 1.05, 1e-10);
  EXPECT_DOUBLE_EQ(rootOf(0.3, 0.04, kPengRobinson, multiphase::kVapourRoot, lnphi, 1e-6), 1.0);
  const double zl = rootOf(0.3, 0.04, kPengRobinson, multiphase::kLiquidRoot, lnphi, 1e-6);
  EXPECT_GT(zl, 0.0);
  EXPECT_LT(zl, 1.0);
}

// ln(phi) of a pure component against the closed forms of the three published equations.
TEST(STZROT, PureComponentLnPhiMatchesTheClosedForms) {
  struct Case {
    const Equation* equation;
    double aa, bb;
  };
  for (const Case& c : std::vector<Case>{{&kPengRobinson, 0.3, 0.04},
                                         {&kSoave, 0.25, 0.03},
                                         {&kVanDerWaals, 0.2, 0.025},
                                         {&kSoave, 0.08, 0.02}}) {
    for (std::int32_t selector : {multiphase::kVapourRoot, multiphase::kLiquidRoot}) {
      SCOPED_TRACE(testing::Message() << c.equation->name << " selector " << selector);
      double lnphi = 0.0;
      const long double z = rootOf(c.aa, c.bb, *c.equation, selector, lnphi);
      const long double aa = c.aa, bb = c.bb;
      long double closed = z - 1.0L - std::log(z - bb);
      if (c.equation == &kPengRobinson) {
        const long double s = std::sqrt(2.0L);
        closed -= aa / (2.0L * s * bb) * std::log((z + (1.0L + s) * bb) / (z + (1.0L - s) * bb));
      } else if (c.equation == &kSoave) {
        closed -= aa / bb * std::log(1.0L + bb / z);
      } else {
        closed -= aa / z;
      }
      EXPECT_NEAR(lnphi, static_cast<double>(closed), 1e-12);
    }
  }
}

// A ternary with pair multipliers: ln(phi) and the level-4 matrix from STEOSD and STZROT.
struct Ternary {
  std::vector<double> sqrta{std::sqrt(230.0), std::sqrt(950.0), std::sqrt(1900.0)};
  std::vector<double> b{0.0268, 0.0563, 0.0898};
  std::vector<double> m{1.0 - 0.02, 1.0 - 0.05, 1.0 - 0.01};  // pairs (1,2), (1,3), (2,3)

  std::vector<double> lnphi(const std::vector<double>& n, const Equation& e, double t, double p,
                            std::int32_t selector, std::int32_t level) const {
    double sum = 0.0;
    for (double v : n) sum += v;
    std::vector<double> x(n.size()), d(n.size()), out(n.size());
    for (std::size_t i = 0; i < n.size(); ++i) x[i] = n[i] / sum;
    double a = 0.0, bm = 0.0, z = 0.0;
    Matrix50 aij;
    multiphase::STEOSD(sqrta, b, m, level, 3, x, a, d, bm, aij);
    multiphase::STZROT(a, bm, b, d, aij, e.s1, e.s2, t, p, selector, level, 3, z, out);
    return out;
  }
};

// The mixing against a plain double sum over all i and j.
TEST(STEOSD, MixingEqualsThePlainDoubleSum) {
  const Ternary c;
  const std::vector<double> x{0.5, 0.3, 0.2};
  const double mm[3][3] = {{1.0, c.m[0], c.m[1]}, {c.m[0], 1.0, c.m[2]}, {c.m[1], c.m[2], 1.0}};
  double a = 0.0, b = 0.0;
  std::vector<double> d(3);
  Matrix50 aij;
  multiphase::STEOSD(c.sqrta, c.b, c.m, 4, 3, x, a, d, b, aij);
  double plain = 0.0, plainB = 0.0;
  for (std::size_t i = 0; i < 3; ++i) {
    plainB += x[i] * c.b[i];
    for (std::size_t j = 0; j < 3; ++j) plain += x[i] * x[j] * c.sqrta[i] * c.sqrta[j] * mm[i][j];
  }
  EXPECT_NEAR(a, plain, 1e-12 * plain);
  EXPECT_NEAR(b, plainB, 1e-15);
  for (std::size_t i = 0; i < 3; ++i) {
    double s = 0.0;
    for (std::size_t j = 0; j < 3; ++j) s += x[j] * c.sqrta[i] * c.sqrta[j] * mm[i][j];
    EXPECT_NEAR(d[i], 2.0 * s - plain, 1e-12 * plain);
    for (std::size_t j = 0; j < 3; ++j) {
      EXPECT_NEAR(aij(i, j), c.sqrta[i] * c.sqrta[j] * mm[i][j], 1e-12 * plain);
    }
  }
  // One component: its own a and b, the composition not read.
  std::vector<double> d1(1);
  const std::vector<double> nothing{-5.0};
  multiphase::STEOSD(c.sqrta, c.b, c.m, 1, 1, nothing, a, d1, b, aij);
  EXPECT_DOUBLE_EQ(a, 230.0);
  EXPECT_DOUBLE_EQ(b, c.b[0]);
  EXPECT_DOUBLE_EQ(d1[0], 230.0);
}

// The level-4 matrix is symmetric, obeys Gibbs-Duhem (sum_i x_i M_ij = 0) and equals central
// differences of ln(phi) in the mole numbers, on both roots of the three equations.
TEST(STZROT, CompositionDerivativesAreExact) {
  const Ternary c;
  const std::vector<double> n{0.5, 0.3, 0.2};
  for (const Equation* e : {&kPengRobinson, &kSoave, &kVanDerWaals}) {
    for (double t : {200.0, 300.0}) {
      for (std::int32_t selector : {multiphase::kVapourRoot, multiphase::kLiquidRoot}) {
        SCOPED_TRACE(testing::Message() << e->name << " T=" << t << " selector " << selector);
        c.lnphi(n, *e, t, 3000.0, selector, 4);
        const Matrix50 m = STBFUG.m;
        for (std::size_t j = 0; j < 3; ++j) {
          double gd = 0.0;
          for (std::size_t i = 0; i < 3; ++i) {
            gd += n[i] * m(i, j);
            EXPECT_EQ(m(i, j), m(j, i));
          }
          EXPECT_NEAR(gd, 0.0, 1e-10);
          const double h = 1e-6;
          std::vector<double> up = n, down = n;
          up[j] += h;
          down[j] -= h;
          const std::vector<double> lu = c.lnphi(up, *e, t, 3000.0, selector, 1);
          const std::vector<double> ld = c.lnphi(down, *e, t, 3000.0, selector, 1);
          for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_NEAR(m(i, j), (lu[i] - ld[i]) / (2.0 * h), 1e-6) << "i=" << i << " j=" << j;
          }
        }
      }
    }
  }
}

}  // namespace
