// The mixing rules of the cubic equations of state: their outputs against the definitions
// by differences of n^2 a, the reductions among the members, and the pair kernels.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "eos_models.hpp"
#include "eos_support.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using namespace eos_test;

const std::vector<Component> kTernary = {kMethane, kPropane, kPentane};
const std::vector<double> kX = {0.5, 0.3, 0.2};

// abar_i = (1/n) d(n^2 a)/dn_i - a, abb_ij = n d(abar_i)/dn_j + abar_i and the temperature
// derivatives, by central differences of every rule's own a(x, T).
TEST(MixingRules, OutputsMatchTheirDefinitions) {
  const double t = 320.0, hn = 1e-6, ht = 1e-2;
  const std::size_t n = kX.size();
  for (const NamedModel& rule : mixingRules(kPengRobinson, kTernary)) {
    SCOPED_TRACE(rule.name);
    const Mixture m = rule.model(t, kX);
    const Mixture tu = rule.model(t + ht, kX), td = rule.model(t - ht, kX);
    EXPECT_NEAR(m.aT, (tu.a - td.a) / (2 * ht), 1e-7 * std::fabs(m.aT));
    EXPECT_NEAR(m.aTT, (tu.aT - td.aT) / (2 * ht), 1e-6 * std::fabs(m.aTT));
    EXPECT_NEAR(m.bT, (tu.b - td.b) / (2 * ht), 1e-9 * m.b);
    for (std::size_t j = 0; j < n; ++j) {
      EXPECT_NEAR(m.abarT[j], (tu.abar[j] - td.abar[j]) / (2 * ht), 1e-7 * std::fabs(m.abarT[j]));
      // Amounts n = x with n_j moved by +-hn; the rule sees n/sum(n).
      std::vector<double> nu = kX, nd = kX;
      nu[j] += hn;
      nd[j] -= hn;
      const double su = 1.0 + hn, sd = 1.0 - hn;
      std::vector<double> xu = nu, xd = nd;
      for (auto& v : xu) v /= su;
      for (auto& v : xd) v /= sd;
      const Mixture mu = rule.model(t, xu), md = rule.model(t, xd);
      const double dn2a = (su * su * mu.a - sd * sd * md.a) / (2 * hn);
      EXPECT_NEAR(m.abar[j], dn2a - m.a, 1e-7 * m.a) << "abar of component " << j + 1;
      EXPECT_NEAR(m.bbar[j], (su * mu.b - sd * md.b) / (2 * hn), 1e-9 * m.b);
      for (std::size_t i = 0; i < n; ++i) {
        EXPECT_NEAR(m.abb[j * n + i], (mu.abar[i] - md.abar[i]) / (2 * hn) + m.abar[i], 1e-6 * m.a)
            << "abb(" << i + 1 << "," << j + 1 << ")";
        EXPECT_EQ(m.bbb[j * n + i], m.bbar[i]);
      }
    }
  }
}

// One component: a = a_1 and abar = a_1 for every rule.
TEST(MixingRules, OneComponentIsThePureFluid) {
  const PureTerms p = pureTerms(kSoave, {kButane}, 300.0);
  for (const NamedModel& rule : mixingRules(kSoave, {kButane})) {
    if (rule.name.find("covolume") != std::string::npos) continue;
    if (rule.name.find("groups") != std::string::npos ||
        rule.name.find("NRTL") != std::string::npos) {
      continue;  // the excess models here are ternaries
    }
    SCOPED_TRACE(rule.name);
    const Mixture m = rule.model(300.0, {1.0});
    EXPECT_NEAR(m.a, p.a[0], 1e-10 * p.a[0]);
    EXPECT_NEAR(m.abar[0], p.a[0], 1e-10 * p.a[0]);
    EXPECT_NEAR(m.aT, p.aT[0], 1e-10 * std::fabs(p.aT[0]));
    EXPECT_EQ(m.b, p.b[0]);
  }
}

// Calls of the asymmetric members with k1 = k2 and of the classical rule with 1 - k1.
struct Outputs {
  Mixture m{3};
  std::vector<double> all() const {
    std::vector<double> v = {m.a, m.aT, m.aTT, m.b};
    for (const auto* a : {&m.abar, &m.abarT, &m.abb}) v.insert(v.end(), a->begin(), a->end());
    return v;
  }
};

TEST(MixingRules, AsymmetricMembersWithEqualParametersAreClassical) {
  const double t = 300.0;
  const PureTerms p = pureTerms(kSoave, kTernary, t);
  const std::vector<double> k = {0.03, -0.02, 0.05}, kT = {1e-4, 2e-4, -1e-4},
                            kTT = {1e-6, -2e-6, 3e-6}, c1 = {1.3, 0.7, 2.0}, c2 = {0.4, 1.5, 1.0};
  std::vector<double> K, KT, KTT;
  for (std::size_t i = 0; i < 3; ++i) {
    K.push_back(1.0 - k[i]);
    KT.push_back(-kT[i]);
    KTT.push_back(-kTT[i]);
  }
  Outputs classical, mr3, mr1, mr2;
  auto& c = classical.m;
  pure::EOSMR7(p.sqrta, p.aT, p.aTT, p.b, K, KT, KTT, 4, 3, kX, c.a, c.aT, c.aTT, c.abar, c.abarT,
               c.abb, c.b, c.bT, c.bTT, c.bbar, c.bbarT, c.bbb);
  auto& a = mr3.m;
  pure::EOSMR3(p.sqrta, p.aT, p.aTT, p.b, k, kT, kTT, k, kT, kTT, 4, 3, kX, a.a, a.aT, a.aTT,
               a.abar, a.abarT, a.abb, a.b, a.bT, a.bTT, a.bbar, a.bbarT, a.bbb);
  auto& b = mr1.m;
  pure::EOSMR1(p.sqrta, p.aT, p.aTT, p.b, k, kT, kTT, k, kT, kTT, c1, c2, 4, 3, kX, b.a, b.aT,
               b.aTT, b.abar, b.abarT, b.abb, b.b, b.bT, b.bTT, b.bbar, b.bbarT, b.bbb);
  auto& d = mr2.m;
  pure::EOSMR2(p.sqrta, p.aT, p.aTT, p.b, k, kT, kTT, k, kT, kTT, c1, c2, 4, 3, kX, t, d.a, d.aT,
               d.aTT, d.abar, d.abarT, d.abb, d.b, d.bT, d.bTT, d.bbar, d.bbarT, d.bbb);
  const std::vector<double> ref = classical.all();
  for (const auto* o : {&mr3, &mr1, &mr2}) {
    const std::vector<double> v = o->all();
    for (std::size_t i = 0; i < ref.size(); ++i) {
      EXPECT_NEAR(v[i], ref[i], 1e-12 * (std::fabs(ref[i]) + 1.0)) << "output " << i;
    }
  }
}

// The flagged component's term is added only for w >= 1 and x_w above 5e-7.
TEST(EOSMR4, WithoutTheFlaggedComponentIsClassical) {
  const double t = 300.0;
  const PureTerms p = pureTerms(kSoave, kTernary, t);
  const std::vector<double> k = {0.98, 1.01, 0.97}, zero(3, 0.0), c = {50.0, 20.0, -30.0};
  const auto run = [&](std::int32_t w, const std::vector<double>& x) {
    Outputs o;
    auto& m = o.m;
    pure::EOSMR4(p.sqrta, p.aT, p.aTT, p.b, k, zero, zero, c, w, 4, 3, t, 350.0, x, m.a, m.aT,
                 m.aTT, m.abar, m.abarT, m.abb, m.b, m.bT, m.bTT, m.bbar, m.bbarT, m.bbb);
    return o.all();
  };
  const auto classical = [&](const std::vector<double>& x) {
    Outputs o;
    auto& m = o.m;
    pure::EOSMR7(p.sqrta, p.aT, p.aTT, p.b, k, zero, zero, 4, 3, x, m.a, m.aT, m.aTT, m.abar,
                 m.abarT, m.abb, m.b, m.bT, m.bTT, m.bbar, m.bbarT, m.bbb);
    return o.all();
  };
  EXPECT_EQ(run(0, kX), classical(kX));
  const std::vector<double> trace = {0.6, 4e-7, 0.4 - 4e-7};
  EXPECT_EQ(run(2, trace), classical(trace));
  EXPECT_NE(run(2, kX), classical(kX));
}

// A component absent from the mixture drops its power terms: its abar is the limit of a
// vanishing amount.
TEST(EOSMR1, AbsentComponentIsTheLimitOfAVanishingOne) {
  const Model model = mixingRules(kPengRobinson, kTernary)[3].model;
  const Mixture zero = model(300.0, {0.6, 0.4, 0.0});
  const Mixture tiny = model(300.0, {0.6, 0.4 - 1e-12, 1e-12});
  for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(zero.abar[i], tiny.abar[i], 1e-6 * zero.a);
  EXPECT_NEAR(zero.a, tiny.a, 1e-9 * zero.a);
}

TEST(MixingRules, LevelsOutsideTheRangeComputeNothing) {
  const PureTerms p = pureTerms(kSoave, kTernary, 300.0);
  const std::vector<double> k(3, 0.99), zero(3, 0.0);
  for (const std::int32_t level : {0, 5}) {
    Mixture m(3);
    m.a = -9.0;
    pure::EOSMR7(p.sqrta, p.aT, p.aTT, p.b, k, zero, zero, level, 3, kX, m.a, m.aT, m.aTT, m.abar,
                 m.abarT, m.abb, m.b, m.bT, m.bTT, m.bbar, m.bbarT, m.bbb);
    EXPECT_EQ(m.a, -9.0);
  }
  // The cube-root rule works cumulatively and takes 5 as 4.
  Mixture m(3);
  pure::EOSMR2(p.sqrta, p.aT, p.aTT, p.b, zero, zero, zero, zero, zero, zero, k, k, 5, 3, kX, 300.0,
               m.a, m.aT, m.aTT, m.abar, m.abarT, m.abb, m.b, m.bT, m.bTT, m.bbar, m.bbarT, m.bbb);
  EXPECT_NE(m.abb[0], 0.0);
}

// The excess-Gibbs-energy rule: with g = 0 the linear rule in a/b; otherwise its
// Lambda, -ln 2 for Soave-Redlich-Kwong, -0.62323 for Peng-Robinson, -1 for van der Waals.
TEST(EOSMR6, LinearLimitAndLambda) {
  const double t = 300.0;
  const std::vector<double> zero(3, 0.0), zero9(9, 0.0), lngam = {0.2, -0.1, 0.3};
  struct Case {
    const Family* family;
    double lambda;
  };
  for (const Case c :
       {Case{&kSoave, -std::log(2.0)}, Case{&kPengRobinson, -0.62323}, Case{&kVanDerWaals, -1.0}}) {
    SCOPED_TRACE(c.family->name);
    const PureTerms p = pureTerms(*c.family, kTernary, t);
    double linear = 0.0, b = 0.0, g = 0.0;
    for (std::size_t i = 0; i < 3; ++i) {
      linear += kX[i] * p.a[i] / p.b[i];
      b += kX[i] * p.b[i];
      g += kX[i] * lngam[i];
    }
    Mixture m(3);
    pure::EOSMR6(p.a, p.aT, p.aTT, p.b, zero, zero, zero9, 0.0, 0.0, 0.0, t, 4, 3, c.family->u1,
                 c.family->u2, kX, m.a, m.aT, m.aTT, m.abar, m.abarT, m.abb, m.b, m.bT, m.bTT,
                 m.bbar, m.bbarT, m.bbb);
    EXPECT_NEAR(m.a, b * linear, 1e-12 * m.a);
    pure::EOSMR6(p.a, p.aT, p.aTT, p.b, lngam, zero, zero9, g, 0.0, 0.0, t, 1, 3, c.family->u1,
                 c.family->u2, kX, m.a, m.aT, m.aTT, m.abar, m.abarT, m.abb, m.b, m.bT, m.bTT,
                 m.bbar, m.bbarT, m.bbb);
    EXPECT_NEAR(kR * t * g * b / (m.a - b * linear), c.lambda, 1e-5);
  }
}

// EOSPRM: the diagonal, the clamp, the antisymmetry of tau and the choice of exponent.
TEST(EOSPRM, PairTerms) {
  const std::vector<double> k1 = {0.4, 3.0, 0.1}, k2 = {0.1, -1.0, 0.3}, cg = {0.5, 9.0, 1.0},
                            cl = {2.0, 10.0, 0.7}, k1T = {1e-3, 0, 0}, k2T = {-2e-3, 0, 0},
                            k1TT = {1e-5, 0, 0}, k2TT = {3e-5, 0, 0};
  std::int32_t k = 99;
  double e1 = -9, e2 = -9, e3 = -9;
  pure::EOSPRM(2, 2, k1, k2, cg, cl, k1T, k1TT, k2T, k2TT, 1, k, e1, e2, e3);
  EXPECT_EQ(k, 0);
  EXPECT_EQ(e1, 0.0);
  EXPECT_EQ(e2, 1.0);
  EXPECT_EQ(e3, -9.0);
  k = 99;
  pure::EOSPRM(2, 2, k1, k2, cg, cl, k1T, k1TT, k2T, k2TT, 2, k, e1, e2, e3);
  EXPECT_EQ(k, 99);
  EXPECT_EQ(e3, 2.0);
  // (1, 2) and (2, 1): tau changes sign, the exponent array changes.
  pure::EOSPRM(1, 2, k1, k2, cg, cl, k1T, k1TT, k2T, k2TT, 1, k, e1, e2, e3);
  EXPECT_EQ(k, 1);
  EXPECT_NEAR(e1, 0.3, 1e-15);
  EXPECT_NEAR(e2, std::exp(-2.0 * 0.3), 1e-15);
  pure::EOSPRM(2, 1, k1, k2, cg, cl, k1T, k1TT, k2T, k2TT, 1, k, e1, e2, e3);
  EXPECT_NEAR(e1, -0.3, 1e-15);
  EXPECT_NEAR(e2, std::exp(0.5 * 0.3), 1e-15);
  // (1, 3) at position 2: -c tau = -10 * 4 is clamped at -30.
  pure::EOSPRM(1, 3, k1, k2, cg, cl, k1T, k1TT, k2T, k2TT, 1, k, e1, e2, e3);
  EXPECT_EQ(k, 2);
  EXPECT_NEAR(e2, std::exp(-30.0), 1e-25);
  // Sums and their derivatives.
  pure::EOSPRM(1, 2, k1, k2, cg, cl, k1T, k1TT, k2T, k2TT, 6, k, e1, e2, e3);
  EXPECT_NEAR(e3, 1.5, 1e-15);
  EXPECT_NEAR(e2, 1e-3, 1e-15);
  EXPECT_NEAR(e1, -4e-5, 1e-18);
  // Derivatives of tau and G: d tau = 3e-3, dG = -c G d tau.
  pure::EOSPRM(1, 2, k1, k2, cg, cl, k1T, k1TT, k2T, k2TT, 3, k, e1, e2, e3);
  EXPECT_NEAR(e1, 3e-3, 1e-15);
  EXPECT_NEAR(e2, -2.0 * std::exp(-0.6) * 3e-3, 1e-15);
}

// EOSAMX: without pair parameters the cube-root sums vanish and S2 = sum x; its temperature
// options are the derivatives of option 1.
TEST(EOSAMX, SumsAndTheirTemperatureDerivatives) {
  const std::vector<double> zero(3, 0.0), one(3, 1.0);
  const PureTerms p0 = pureTerms(kSoave, kTernary, 300.0);
  double s1 = -9, s2 = -9;
  pure::EOSAMX(2, p0.sqrta, p0.aT, p0.aTT, zero, zero, zero, zero, zero, zero, one, one, 1, 3, kX,
               s1, s2);
  EXPECT_EQ(s1, 0.0);
  EXPECT_NEAR(s2, 1.0, 1e-15);
  // k1 = A + B/T, k2 = C + D/T.
  const auto at = [&](double t, std::int32_t option) {
    const PureTerms p = pureTerms(kSoave, kTernary, t);
    std::vector<double> k1, k1T, k1TT, k2, k2T, k2TT;
    for (const double b : {30.0, -20.0, 10.0}) {
      k1.push_back(0.1 + b / t);
      k1T.push_back(-b / (t * t));
      k1TT.push_back(2 * b / (t * t * t));
    }
    for (const double d : {-10.0, 5.0, 25.0}) {
      k2.push_back(-0.05 + d / t);
      k2T.push_back(-d / (t * t));
      k2TT.push_back(2 * d / (t * t * t));
    }
    const std::vector<double> cg = {0.8, 1.2, 0.5}, cl = {0.3, 0.9, 1.5};
    double a = 0, b = 0;
    pure::EOSAMX(1, p.sqrta, p.aT, p.aTT, k1, k1T, k1TT, k2, k2T, k2TT, cg, cl, option, 3, kX, a,
                 b);
    return std::pair{a, b};
  };
  const double t = 300.0, h = 1e-2;
  const auto d1 = at(t, 2), d2 = at(t, 3);
  const auto up = at(t + h, 1), dn = at(t - h, 1), mid = at(t, 1);
  EXPECT_NEAR(d1.first, (up.first - dn.first) / (2 * h), 1e-8 * std::fabs(d1.first));
  EXPECT_NEAR(d1.second, (up.second - dn.second) / (2 * h), 1e-8 * std::fabs(d1.second));
  EXPECT_NEAR(d2.first, (up.first - 2 * mid.first + dn.first) / (h * h),
              1e-5 * std::fabs(d2.first));
  EXPECT_NEAR(d2.second, (up.second - 2 * mid.second + dn.second) / (h * h),
              1e-5 * std::fabs(d2.second));
}

}  // namespace
