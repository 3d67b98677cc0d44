// The pure-component attraction terms: every alpha form with exact derivatives, the
// identities between forms, the tabulated form and the floor.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "thermo/pure/pure.hpp"

namespace {

constexpr double kTc = 400.0;
constexpr double kSqrtAc = 30.0;

struct Alpha {
  double sqrta = -9.0, a = -9.0, aT = -9.0, aTT = -9.0;
};

Alpha evaluate(std::int32_t form, const std::vector<double>& m, double t, std::int32_t level = 3) {
  const std::vector<double> sqrtac = {kSqrtAc}, tc = {kTc};
  const std::vector<std::int32_t> forms = {form};
  std::vector<double> params = m;
  params.resize(3, 0.0);
  Alpha r;
  pure::EOSTWU(sqrtac, params, forms, level, 3, 1, t, tc, {&r.sqrta, 1}, {&r.a, 1}, {&r.aT, 1},
               {&r.aTT, 1});
  return r;
}

struct FormCase {
  std::int32_t form;
  std::vector<double> m;
};

const std::vector<FormCase> kForms = {
    {1, {0.7}},       {2, {1.1, 0.6, 0.8}},  {3, {0.5, 0.2}},
    {4, {0.4, 1.3}},  {5, {0.3, 1.2}},       {6, {0.25, 0.9, 2.1}},
    {7, {0.6}},       {8, {0.4, 1.1, -0.2}}, {9, {0.7, -0.3, 0.5}},
    {10, {0.7, 0.1}}, {11, {0.5, 0.8}},      {12, {}},
    {15, {0.2}},      {16, {0.3}},           {20, {}}};

// d(a)/dT and d2(a)/dT2 against central differences, below and above Tc; sqrt(a)^2 = a.
TEST(EOSTWU, DerivativesAreExactForEveryForm) {
  const double h = 1e-3;
  for (const FormCase& c : kForms) {
    for (const double t : {200.0, 330.0, 391.0, 470.0, 600.0}) {
      if (c.form == 20 && t > 395.0) continue;  // the table ends at Tr = 0.9975
      SCOPED_TRACE("form " + std::to_string(c.form) + " at " + std::to_string(t));
      const Alpha r = evaluate(c.form, c.m, t);
      const Alpha up = evaluate(c.form, c.m, t + h);
      const Alpha dn = evaluate(c.form, c.m, t - h);
      EXPECT_NEAR(r.aT, (up.a - dn.a) / (2 * h), 1e-7 * (std::fabs(r.aT) + r.a / t));
      EXPECT_NEAR(r.aTT, (up.aT - dn.aT) / (2 * h), 1e-6 * (std::fabs(r.aTT) + r.a / (t * t)));
      EXPECT_NEAR(r.sqrta * r.sqrta, r.a, 1e-12 * r.a);
    }
  }
}

// alpha(Tr = 1) = 1 for every form normalised at the critical point.
TEST(EOSTWU, AlphaIsOneAtTheCriticalTemperature) {
  for (const FormCase& c : kForms) {
    if (c.form == 2 || c.form == 20) continue;
    SCOPED_TRACE("form " + std::to_string(c.form));
    EXPECT_NEAR(evaluate(c.form, c.m, kTc).a, kSqrtAc * kSqrtAc, 1e-10);
  }
}

// Forms that contain others reduce to them.
TEST(EOSTWU, FormsReduceToEachOther) {
  struct Pair {
    FormCase general, special;
  };
  const std::vector<Pair> pairs = {
      {{9, {0.7, 0.0, 0.0}}, {1, {0.7}}},       // Mathias-Copeman with one term: Soave
      {{10, {0.7, 0.0}}, {1, {0.7}}},           // without its polar term: Soave
      {{2, {1.0, 0.7, 0.5}}, {1, {0.7}}},       // exponent 1/2 from a bracket of 1: Soave
      {{6, {0.3, 1.2, 2.0}}, {5, {0.3, 1.2}}},  // Twu with N = 2
      {{8, {0.4, 1.1, 0.0}}, {4, {0.4, 1.1}}},  // without the power of Tr
      {{6, {0.5, 1.0, 2.0}}, {4, {0.5, 2.0}}},  // Twu with M = 1
      {{16, {0.0}}, {6, {0.125283, 1.77634 / 1.948153, 1.948153}}},  // omega 0: N = J - K
  };
  for (const Pair& p : pairs) {
    SCOPED_TRACE("form " + std::to_string(p.general.form) + " as " +
                 std::to_string(p.special.form));
    for (const double t : {250.0, 380.0}) {
      const Alpha g = evaluate(p.general.form, p.general.m, t);
      const Alpha s = evaluate(p.special.form, p.special.m, t);
      EXPECT_NEAR(g.a, s.a, 1e-12 * s.a);
      EXPECT_NEAR(g.aT, s.aT, 1e-10 * std::fabs(s.aT) + 1e-14);
      EXPECT_NEAR(g.aTT, s.aTT, 1e-9 * std::fabs(s.aTT) + 1e-14);
    }
  }
  // Redlich-Kwong: Tr^-1/2, and sqrt(alpha) = Tr^-1/4.
  const Alpha rk = evaluate(12, {}, 300.0);
  EXPECT_NEAR(rk.a, kSqrtAc * kSqrtAc / std::sqrt(300.0 / kTc), 1e-10);
  EXPECT_NEAR(rk.sqrta, kSqrtAc * std::pow(300.0 / kTc, -0.25), 1e-12);
}

// The generalized Twu forms switch constants above Tr = 1, where alpha and its slope are
// continuous but its curvature is not; Tr = 1 itself is subcritical.
TEST(EOSTWU, CriticalTemperatureUsesTheSubcriticalConstants) {
  const double h = 1e-4;
  for (const std::int32_t form : {15, 16}) {
    SCOPED_TRACE(form);
    const Alpha at = evaluate(form, {0.3}, kTc);
    const Alpha below = evaluate(form, {0.3}, kTc - h);
    const Alpha above = evaluate(form, {0.3}, kTc + h);
    EXPECT_NEAR(above.aT, at.aT, 1e-4 * std::fabs(at.aT));
    EXPECT_NEAR(at.aTT, (at.aT - below.aT) / h, 1e-3 * std::fabs(at.aTT));
    EXPECT_GT(std::fabs(at.aTT - (above.aT - at.aT) / h), 1e-2 * std::fabs(at.aTT));
  }
}

TEST(EOSTWU, SoaveWithoutSlopeIsConstant) {
  const Alpha r = evaluate(1, {0.0}, 250.0);
  EXPECT_EQ(r.a, kSqrtAc * kSqrtAc);
  EXPECT_EQ(r.aT, 0.0);
  EXPECT_EQ(r.aTT, 0.0);
}

// A bracket that turns negative still gives sqrt(alpha) = |bracket|.
TEST(EOSTWU, SquaredFormsTakeTheMagnitudeOfTheBracket) {
  const double t = 4.0 * kTc;  // 1 + 2 (1 - 2) = -1
  const Alpha r = evaluate(1, {2.0}, t);
  EXPECT_NEAR(r.sqrta, kSqrtAc, 1e-12);
  EXPECT_NEAR(r.a, kSqrtAc * kSqrtAc, 1e-9);
}

// The table: its end values outside it with zero slope, its knots inside (the values are
// the routine's own table, restated: the checks are of the lookup, not of the numbers).
TEST(EOSTWU, TabulatedAlpha) {
  const double ac = kSqrtAc * kSqrtAc;
  const Alpha low = evaluate(20, {}, 0.3 * kTc);
  EXPECT_NEAR(low.a, 1.0418 * ac, 1e-10);
  EXPECT_EQ(low.aT, 0.0);
  EXPECT_EQ(low.aTT, 0.0);
  const Alpha high = evaluate(20, {}, 0.999 * kTc);
  EXPECT_NEAR(high.a, 1.002 * ac, 1e-10);
  EXPECT_EQ(high.aT, 0.0);
  EXPECT_NEAR(evaluate(20, {}, 0.6939174 * kTc).a, 0.8865 * ac, 1e-9);
  EXPECT_NEAR(evaluate(20, {}, 0.8457118 * kTc).a, 0.9431 * ac, 1e-9);
}

// Below 1e-16, and for unknown codes, the floor: alpha 1e-16 with zero derivatives.
TEST(EOSTWU, FloorForVanishingAlphaAndUnknownForms) {
  const double ac = kSqrtAc * kSqrtAc;
  for (const FormCase& c : {FormCase{3, {1.0, 0.0}}, FormCase{13, {0.5}}, FormCase{0, {}}}) {
    SCOPED_TRACE(c.form);
    const Alpha r = evaluate(c.form, c.m, 3.0 * kTc);  // form 3: 1 + (1 - 3) = -1
    EXPECT_NEAR(r.a, 1e-16 * ac, 1e-28);
    EXPECT_NEAR(r.sqrta, 1e-8 * kSqrtAc, 1e-20);
    EXPECT_EQ(r.aT, 0.0);
    EXPECT_EQ(r.aTT, 0.0);
  }
}

TEST(EOSTWU, LevelsLeaveTheirDerivativesUntouched) {
  const Alpha one = evaluate(1, {0.6}, 300.0, 1);
  EXPECT_NE(one.a, -9.0);
  EXPECT_EQ(one.aT, -9.0);
  EXPECT_EQ(one.aTT, -9.0);
  const Alpha two = evaluate(1, {0.6}, 300.0, 2);
  EXPECT_NE(two.aT, -9.0);
  EXPECT_EQ(two.aTT, -9.0);
}

}  // namespace
