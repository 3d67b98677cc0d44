// The cubic root search where every term of the cubic is tiny: liquids and vapours at
// pressures down to 1e-11 kPa, whose cubic coefficients span 1e-32 to 1. Each root is checked
// against a Newton solve in long double written here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "eos_models.hpp"
#include "eos_support.hpp"
#include "thermo/pure/eos_internal.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using namespace eos_test;
using Long = long double;

// Z^3 + c2 Z^2 + c1 Z + c0 of the two-constant cubic (s = u1 + u2, p = u1 u2), in long
// double.
struct LongCubic {
  Long c2, c1, c0;
  LongCubic(Long a, Long b, Long s, Long p)
      : c2(-(1 + (1 + s) * b)),
        c1(a + s * b + (s + p) * b * b),
        c0(-(a * b + p * b * b * (1 + b))) {}
  Long value(Long z) const { return ((z + c2) * z + c1) * z + c0; }
  Long slope(Long z) const { return (3 * z + 2 * c2) * z + c1; }
  Long largestTerm(Long z) const {
    return std::max(
        {std::fabs(z * z * z), std::fabs(c2 * z * z), std::fabs(c1 * z), std::fabs(c0)});
  }
  Long newton(Long z) const {
    for (int k = 0; k < 200; ++k) {
      const Long step = value(z) / slope(z);
      z -= step;
      if (std::fabs(step) <= 1e-19L * std::fabs(z)) break;
    }
    return z;
  }
};

// The real roots in (B, B + 1], ascending: the smallest by Newton from B (the cubic is
// concave and rising there), the largest from B + 1 (convex and rising), the middle one
// from the product of the roots -c0 and polished.
std::vector<Long> longRoots(const LongCubic& c, Long b, bool three) {
  const Long small = c.newton(b);
  const Long large = c.newton(b + 1);
  if (!three) return {large};
  return {small, c.newton(-c.c0 / (small * large)), large};
}

// Dimensionless A and B of a published equation for a pure fluid at T (K) and P (kPa).
struct Reduced {
  double a, b;
};
Reduced reduced(const Family& f, const Component& c, double t, double p) {
  const double tr = t / c.tc, pr = p / c.pc;
  const double alpha = std::pow(1.0 + f.m(c.omega) * (1.0 - std::sqrt(tr)), 2);
  return {f.omegaA * alpha * pr / (tr * tr), f.omegaB * pr / tr};
}

// ln phi of the pure fluid at Z in long double.
Long longLnphi(const Family& f, Long a, Long b, Long z) {
  const Long u1 = f.u1, u2 = f.u2;
  return z - 1 - std::log(z - b) + a / (b * (u1 - u2)) * std::log((z - u1 * b) / (z - u2 * b));
}

const std::vector<double> kPressures = {1e-11, 1e-9, 6e-9, 1e-7, 1e-5, 1e-3, 0.1, 10.0, 1000.0};

// Every root the search returns, with and without three real roots, against the long
// double roots: its residual is within 1e-13 of the cubic's largest term and it matches
// the reference to 1e-12 relative.
TEST(EOSZRT, RootsOfCubicsWithTinyTermsMatchALongDoubleSolve) {
  for (const Family* f : {&kPengRobinson, &kSoave}) {
    for (const double p : kPressures) {
      SCOPED_TRACE(std::string(f->name) + " at " + std::to_string(p) + " kPa");
      const Reduced r = reduced(*f, kMethane, 115.0, p);
      const double s = f->u1 + f->u2, pu = f->u1 * f->u2;
      const pure::eos_internal::Cubic cubic = pure::eos_internal::plainCubic(r.a, r.b, s, pu);
      const LongCubic lc(r.a, r.b, s, pu);
      for (const std::int32_t phase : {pure::kVapourPhase, pure::kLiquidPhase}) {
        const auto found = pure::eos_internal::searchRoot(cubic, phase, 1e-15);
        std::vector<double> roots = {found.z};
        if (found.deflated) roots = {found.z1, found.z2, found.z3};
        std::sort(roots.begin(), roots.end());
        const std::vector<Long> ref = longRoots(lc, r.b, found.deflated);
        ASSERT_EQ(roots.size(), ref.size());
        for (std::size_t k = 0; k < roots.size(); ++k) {
          SCOPED_TRACE("root " + std::to_string(k));
          const Long z = roots[k];
          EXPECT_LE(std::fabs(lc.value(z)), 1e-13L * lc.largestTerm(z));
          EXPECT_LE(std::fabs(z - ref[k]), 1e-12L * ref[k]);
        }
      }
    }
  }
}

// Cubics with one real root (gases, supercritical fluids and compressed liquids of light and
// heavy components, up to 100 MPa): the search starts from the closed-form root and returns
// it after one confirming step, within the rounding limit of the long double root.
TEST(EOSZRT, SingleRootsAgreeWithALongDoubleSolveToRounding) {
  for (const Family* f : {&kPengRobinson, &kSoave}) {
    for (const Component* c : {&kMethane, &kPropane, &kWater}) {
      for (const double tr : {0.6, 0.95, 1.05, 2.0, 4.0}) {
        for (const double p : {1.0, 100.0, 3000.0, 20000.0, 100000.0}) {
          const double t = tr * c->tc;
          const Reduced r = reduced(*f, *c, t, p);
          const double s = f->u1 + f->u2, pu = f->u1 * f->u2;
          const pure::eos_internal::Cubic cubic = pure::eos_internal::plainCubic(r.a, r.b, s, pu);
          const auto found = pure::eos_internal::searchRoot(cubic, pure::kVapourPhase, 1e-15);
          if (found.deflated) continue;  // three real roots: the other test's ground
          SCOPED_TRACE(std::string(f->name) + " " + c->name + " at " + std::to_string(t) + " K, " +
                       std::to_string(p) + " kPa");
          const LongCubic lc(r.a, r.b, s, pu);
          const Long ref = lc.newton(Long{found.z});
          // The rounding limit of a root of a cubic evaluated in double: a few units of the
          // root itself and of the cubic's terms over its slope (larger near a critical point).
          constexpr Long kUnit = std::numeric_limits<double>::epsilon();
          const Long limit = 4 * kUnit * (ref + 4 * lc.largestTerm(ref) / std::fabs(lc.slope(ref)));
          EXPECT_LE(std::fabs(found.z - ref), limit);
        }
      }
    }
  }
}

// Through EOSZRT: Z and ln phi of the liquid and the vapour of Peng-Robinson methane at
// 115 K, down to micro-pascals (6e-9 kPa), against the long double root and ln phi.
TEST(EOSZRT, LiquidAtMicroPascalsKeepsItsRootAndFugacity) {
  const Model model = mixingRules(kPengRobinson, {kMethane}).front().model;
  const double t = 115.0;
  for (const double p : kPressures) {
    SCOPED_TRACE(std::to_string(p) + " kPa");
    const Mixture m = model(t, {1.0});
    const Long a = Long{m.a} * p / (Long{kR} * t * kR * t);
    const Long b = Long{m.b} * p / (Long{kR} * t);
    const LongCubic lc(a, b, kPengRobinson.u1 + kPengRobinson.u2,
                       kPengRobinson.u1 * kPengRobinson.u2);
    const std::vector<Long> ref = longRoots(lc, b, p < 100.0);
    const Root liquid = solve(m, pure::kLiquidPhase, 1, t, p, kPengRobinson, 1);
    EXPECT_LE(std::fabs(liquid.z - ref.front()), 1e-12L * ref.front());
    EXPECT_NEAR(liquid.lnphi[0], static_cast<double>(longLnphi(kPengRobinson, a, b, ref.front())),
                1e-11);
    if (p >= 1e-6) {  // below 1e-6 kPa the vapour is taken as the ideal gas
      const Root vapour = solve(m, pure::kVapourPhase, 1, t, p, kPengRobinson, 1);
      EXPECT_LE(std::fabs(vapour.z - ref.back()), 1e-13L * ref.back());
    }
  }
}

}  // namespace
