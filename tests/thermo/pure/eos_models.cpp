#include "eos_models.hpp"

#include <cmath>

#include "thermo/pure/pure.hpp"

namespace eos_test {
namespace {

// A pair parameter p0 + p1/T with its temperature derivatives, per packed pair.
struct PairSet {
  std::vector<double> v, vT, vTT;
};
PairSet pairSet(const std::vector<double>& p0, const std::vector<double>& p1, double t) {
  PairSet s;
  for (std::size_t k = 0; k < p0.size(); ++k) {
    s.v.push_back(p0[k] + p1[k] / t);
    s.vT.push_back(-p1[k] / (t * t));
    s.vTT.push_back(2.0 * p1[k] / (t * t * t));
  }
  return s;
}

std::int32_t count(const std::vector<double>& x) { return static_cast<std::int32_t>(x.size()); }

// Pair data of a ternary, packed (1,2), (1,3), (2,3).
const std::vector<double> kK1a = {0.02, 0.05, 0.01};
const std::vector<double> kK1b = {3.0, -4.0, 2.0};
const std::vector<double> kK2a = {-0.03, 0.08, 0.04};
const std::vector<double> kK2b = {-2.0, 5.0, 1.5};
const std::vector<double> kC1 = {1.5, 0.8, 2.0};
const std::vector<double> kC2 = {0.7, 1.2, 0.5};

Model classical(const Family& family, const std::vector<Component>& comps) {
  return [family, comps](double t, const std::vector<double>& x) {
    const PureTerms p = pureTerms(family, comps, t);
    const PairSet k1 = pairSet(kK1a, kK1b, t);
    PairSet kij;  // K = 1 - k1
    for (std::size_t i = 0; i < k1.v.size(); ++i) {
      kij.v.push_back(1.0 - k1.v[i]);
      kij.vT.push_back(-k1.vT[i]);
      kij.vTT.push_back(-k1.vTT[i]);
    }
    Mixture m(x.size());
    pure::EOSMR7(p.sqrta, p.aT, p.aTT, p.b, kij.v, kij.vT, kij.vTT, 4, count(x), x, m.a, m.aT,
                 m.aTT, m.abar, m.abarT, m.abb, m.b, m.bT, m.bTT, m.bbar, m.bbarT, m.bbb);
    return m;
  };
}

Model flagged(const Family& family, const std::vector<Component>& comps) {
  return [family, comps](double t, const std::vector<double>& x) {
    const PureTerms p = pureTerms(family, comps, t);
    const PairSet k1 = pairSet(kK1a, kK1b, t);
    const std::vector<double> c = {150.0, -80.0, 40.0};
    Mixture m(x.size());
    pure::EOSMR4(p.sqrta, p.aT, p.aTT, p.b, k1.v, k1.vT, k1.vTT, c, 2, 4, count(x), t, 400.0, x,
                 m.a, m.aT, m.aTT, m.abar, m.abarT, m.abb, m.b, m.bT, m.bTT, m.bbar, m.bbarT,
                 m.bbb);
    return m;
  };
}

Model asymmetric(const Family& family, const std::vector<Component>& comps) {
  return [family, comps](double t, const std::vector<double>& x) {
    const PureTerms p = pureTerms(family, comps, t);
    const PairSet k1 = pairSet(kK1a, kK1b, t);
    const PairSet k2 = pairSet(kK2a, kK2b, t);
    Mixture m(x.size());
    pure::EOSMR3(p.sqrta, p.aT, p.aTT, p.b, k1.v, k1.vT, k1.vTT, k2.v, k2.vT, k2.vTT, 4, count(x),
                 x, m.a, m.aT, m.aTT, m.abar, m.abarT, m.abb, m.b, m.bT, m.bTT, m.bbar, m.bbarT,
                 m.bbb);
    return m;
  };
}

Model pairFractions(const Family& family, const std::vector<Component>& comps) {
  return [family, comps](double t, const std::vector<double>& x) {
    const PureTerms p = pureTerms(family, comps, t);
    const PairSet k1 = pairSet(kK1a, kK1b, t);
    const PairSet k2 = pairSet(kK2a, kK2b, t);
    Mixture m(x.size());
    pure::EOSMR1(p.sqrta, p.aT, p.aTT, p.b, k1.v, k1.vT, k1.vTT, k2.v, k2.vT, k2.vTT, kC1, kC2, 4,
                 count(x), x, m.a, m.aT, m.aTT, m.abar, m.abarT, m.abb, m.b, m.bT, m.bTT, m.bbar,
                 m.bbarT, m.bbb);
    return m;
  };
}

Model cubeRoot(const Family& family, const std::vector<Component>& comps) {
  return [family, comps](double t, const std::vector<double>& x) {
    const PureTerms p = pureTerms(family, comps, t);
    const PairSet k1 = pairSet(kK1a, kK1b, t);
    const PairSet k2 = pairSet(kK2a, kK2b, t);
    Mixture m(x.size());
    pure::EOSMR2(p.sqrta, p.aT, p.aTT, p.b, k1.v, k1.vT, k1.vTT, k2.v, k2.vT, k2.vTT, kC1, kC2, 4,
                 count(x), x, t, m.a, m.aT, m.aTT, m.abar, m.abarT, m.abb, m.b, m.bT, m.bTT, m.bbar,
                 m.bbarT, m.bbb);
    return m;
  };
}

}  // namespace

std::vector<NamedModel> mixingRules(const Family& family, const std::vector<Component>& comps) {
  return {{"classical", classical(family, comps)},
          {"flagged component", flagged(family, comps)},
          {"asymmetric in x", asymmetric(family, comps)},
          {"pair fractions", pairFractions(family, comps)},
          {"cube root", cubeRoot(family, comps)},
          {"temperature-dependent covolume", temperatureDependentCovolume(family, comps)},
          {"excess Gibbs energy, NRTL", nrtlRule(family, comps)},
          {"excess Gibbs energy, groups 1", groupRule(family, comps, 1)},
          {"excess Gibbs energy, groups 2", groupRule(family, comps, 2)},
          {"excess Gibbs energy, groups 3", groupRule(family, comps, 3)}};
}

Model temperatureDependentCovolume(const Family& family, const std::vector<Component>& comps) {
  const Model base = classical(family, comps);
  return [base, family, comps](double t, const std::vector<double>& x) {
    Mixture m = base(t, x);
    const PureTerms p = pureTerms(family, comps, t);
    const double beta = 4e-4, gamma = -2e-6, dt = t - 300.0;
    const std::size_t n = x.size();
    m.b = m.bT = m.bTT = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      const double b0 = p.b[i] * (1.0 + 0.3 * static_cast<double>(i));
      m.bbar[i] = b0 * (1.0 + beta * dt + gamma * dt * dt);
      m.bbarT[i] = b0 * (beta + 2.0 * gamma * dt);
      m.b += x[i] * m.bbar[i];
      m.bT += x[i] * m.bbarT[i];
      m.bTT += x[i] * b0 * 2.0 * gamma;
      for (std::size_t j = 0; j < n; ++j) m.bbb[j * n + i] = m.bbar[i];
    }
    return m;
  };
}

std::vector<double> ternaryNrtl() {
  const std::size_t n = 3;
  std::vector<double> q(5 * n * n, 0.0);
  const auto set = [&](int block, std::size_t i, std::size_t j, double v) {
    q[(block - 1) * n * n + (j - 1) * n + (i - 1)] = v;
  };
  const double tau4[3][3] = {{0, 150, 250}, {-50, 0, 60}, {-80, 20, 0}};
  const double tau5[3][3] = {{0, 0.1, 0.2}, {-0.05, 0, 0.05}, {0.0, -0.02, 0}};
  for (std::size_t i = 1; i <= n; ++i) {
    for (std::size_t j = 1; j <= n; ++j) {
      if (i == j) continue;
      set(1, i, j, 1e-4);
      set(2, i, j, 0.3);
      set(4, i, j, tau4[i - 1][j - 1]);
      set(5, i, j, tau5[i - 1][j - 1]);
    }
  }
  return q;
}

Model nrtlRule(const Family& family, const std::vector<Component>& comps) {
  return [family, comps](double t, const std::vector<double>& x) {
    const PureTerms p = pureTerms(family, comps, t);
    const std::int32_t n = count(x);
    const std::vector<double> coef = ternaryNrtl();
    std::vector<std::int32_t> descriptor(10, 0);
    descriptor[1] = 3;  // form
    descriptor[4] = 1;  // recompute at every call
    std::vector<double> work(4 * 9 + 1), sums(12), lngam(3), lngamT(3), dlngdx(9);
    double g = 0.0, hE = 0.0, gTT = 0.0;
    pure::VTNRTL(x, t, n, 100, coef, descriptor, work, sums, lngam, lngamT, dlngdx, g, hE, gTT);
    Mixture m(x.size());
    pure::EOSMR6(p.a, p.aT, p.aTT, p.b, lngam, lngamT, dlngdx, g, hE, gTT, t, 4, n, family.u1,
                 family.u2, x, m.a, m.aT, m.aTT, m.abar, m.abarT, m.abb, m.b, m.bT, m.bTT, m.bbar,
                 m.bbarT, m.bbb);
    return m;
  };
}

GroupData hydrocarbonGroups(std::int32_t variant) {
  GroupData d;
  // q, r, r'' of methane, propane, n-pentane; Q of CH3, CH2, CH4.
  d.param = {1.124, 2.236, 3.316, 1.1292, 2.4766, 3.8254, 1.095, 1.973, 2.735, 0.848, 0.540, 1.124};
  // Blocks a, b, c (2 x 2 by columns) at positions 13, 17, 21; psi and dpsi follow.
  const std::vector<double> a = {0.0, -10.0, 35.0, 0.0};
  const std::vector<double> b = {0.0, -0.1, 0.2, 0.0};
  // The cubic form of variant 3 gets a smaller c, so that no u = U/T reaches its limit.
  const std::vector<double> c = variant == 3 ? std::vector<double>{0.0, 5e-7, 1e-6, 0.0}
                                             : std::vector<double>{0.0, 0.0005, 0.001, 0.0};
  for (const auto* block : {&a, &b, &c})
    d.param.insert(d.param.end(), block->begin(), block->end());
  d.param.resize(d.param.size() + 8, 0.0);
  d.descriptor.assign(20, 0);
  d.descriptor[11] = 3;   // subgroups
  d.descriptor[12] = 2;   // main groups
  d.descriptor[14] = 13;  // a
  d.descriptor[15] = 17;  // b
  d.descriptor[16] = 21;  // c
  d.descriptor[17] = variant;
  const std::vector<std::int32_t> lists = {1, 1, 2, 1, 2, 2, 10003, 20001, 10002, 20001, 30002};
  d.descriptor.insert(d.descriptor.end(), lists.begin(), lists.end());
  return d;
}

Model groupRule(const Family& family, const std::vector<Component>& comps, std::int32_t variant) {
  return [family, comps, variant](double t, const std::vector<double>& x) {
    const PureTerms p = pureTerms(family, comps, t);
    const std::int32_t n = count(x);
    GroupData d = hydrocarbonGroups(variant);
    std::vector<std::int32_t> iwork(2 * 3 + 3 * 3);
    std::vector<double> rwork(3 + 9 * 3), lngam(3), lngamT(3), diagonal(3), dlngdx(9);
    double g = 0.0, hE = 0.0, gTT = 0.0;
    std::int32_t status = -1;
    pure::EOSMR5(x, t, n, 10, d.param, d.descriptor, static_cast<std::int32_t>(iwork.size()), iwork,
                 static_cast<std::int32_t>(rwork.size()), rwork, lngam, lngamT, diagonal, dlngdx, g,
                 hE, gTT, status, {}, {});
    Mixture m(x.size());
    pure::EOSMR6(p.a, p.aT, p.aTT, p.b, lngam, lngamT, dlngdx, g, hE, gTT, t, 4, n, family.u1,
                 family.u2, x, m.a, m.aT, m.aTT, m.abar, m.abarT, m.abb, m.b, m.bT, m.bTT, m.bbar,
                 m.bbarT, m.bbb);
    return m;
  };
}

}  // namespace eos_test
