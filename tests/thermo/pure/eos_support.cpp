#include "eos_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "thermo/pure/pure.hpp"

namespace eos_test {

const Family kSoave{"Soave-Redlich-Kwong", 0.0, -1.0, 0.42748, 0.08664, 0.480, 1.574, -0.176};
const Family kPengRobinson{"Peng-Robinson",
                           -1.0 + std::numbers::sqrt2,
                           -1.0 - std::numbers::sqrt2,
                           0.45724,
                           0.07780,
                           0.37464,
                           1.54226,
                           -0.26992};
const Family kVanDerWaals{"van der Waals", 0.0, 0.0, 27.0 / 64.0, 0.125, 0.480, 1.574, -0.176};

Mixture::Mixture(std::size_t n) : abar(n), abarT(n), abb(n * n), bbar(n), bbarT(n), bbb(n * n) {}

PureTerms pureTerms(const Family& family, const std::vector<Component>& comps, double t) {
  const std::size_t n = comps.size();
  PureTerms p{std::vector<double>(n), std::vector<double>(n), std::vector<double>(n),
              std::vector<double>(n), std::vector<double>(n)};
  std::vector<double> sqrtac(n), params(3 * n, 0.0), tc(n);
  std::vector<std::int32_t> forms(n, 1);
  for (std::size_t i = 0; i < n; ++i) {
    const Component& c = comps[i];
    sqrtac[i] = std::sqrt(family.omegaA * kR * kR * c.tc * c.tc / c.pc);
    params[3 * i] = family.m(c.omega);
    tc[i] = c.tc;
    p.b[i] = family.omegaB * kR * c.tc / c.pc;
  }
  pure::EOSTWU(sqrtac, params, forms, 3, 3, static_cast<std::int32_t>(n), t, tc, p.sqrta, p.a, p.aT,
               p.aTT);
  return p;
}

namespace {

Root emptyRoot(std::size_t n) {
  Root r;
  r.lnphi.assign(n, -9.0);
  r.lnphiT.assign(n, -9.0);
  r.lnphiP.assign(n, -9.0);
  r.lnphiN.assign(n * n, -9.0);
  r.hrn.assign(n, -9.0);
  r.zdn.assign(n, -9.0);
  return r;
}

// |analytic - reference| within tol (|reference| + scale).
void expectClose(double analytic, double reference, double scale, double tol,
                 const std::string& what) {
  EXPECT_NEAR(analytic, reference, tol * (std::fabs(reference) + scale)) << what;
}

double weighted(const std::vector<double>& x, const std::vector<double>& v) {
  double s = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) s += x[i] * v[i];
  return s;
}

// The composition with component j's amount changed by d, normalised.
std::vector<double> shifted(const std::vector<double>& x, std::size_t j, double d) {
  std::vector<double> n = x;
  n[j] += d;
  double total = 0.0;
  for (const double v : n) total += v;
  for (double& v : n) v /= total;
  return n;
}

}  // namespace

Root solve(const Mixture& m, std::int32_t phase, std::int32_t level, double t, double p,
           const Family& family, std::int32_t option, double p0) {
  const std::size_t n = m.abar.size();
  Root r = emptyRoot(n);
  pure::EOSZRT(m.a, m.aT, m.aTT, m.abar, m.abarT, m.abb, m.b, m.bT, m.bTT, m.bbar, m.bbarT, m.bbb,
               phase, level, static_cast<std::int32_t>(n), p, p0, family.u1, family.u2, t, r.z,
               r.zT, r.zP, r.lnphi, r.lnphiT, r.lnphiP, r.lnphiN, r.hr, r.sr, r.cpr, r.cvr, r.cpcv,
               r.hrn, r.zdn, option, r.status);
  return r;
}

Root solveAssociating(const Mixture& m, std::int32_t phase, std::int32_t level, double t, double p,
                      const Family& family, std::int32_t position, double y0,
                      const std::vector<double>& x, double p0) {
  const std::size_t n = m.abar.size();
  Root r = emptyRoot(n);
  pure::EOSZRA(m.a, m.aT, m.aTT, m.abar, m.abarT, m.abb, m.b, m.bT, m.bTT, m.bbar, m.bbarT, m.bbb,
               phase, level, static_cast<std::int32_t>(n), p, p0, family.u1, family.u2, t, r.z,
               r.zT, r.zP, r.lnphi, r.lnphiT, r.lnphiP, r.lnphiN, r.hr, r.sr, r.cpr, r.cvr, r.cpcv,
               r.hrn, r.zdn, position, y0, x);
  return r;
}

void checkConsistency(const Model& model, const Family& family, const State& s) {
  SCOPED_TRACE(std::string(family.name) + ", " + s.label);
  constexpr double kTol = 2e-6;
  const std::size_t n = s.x.size();
  const Root r = solve(model(s.t, s.x), s.phase, 4, s.t, s.p, family);
  ASSERT_EQ(r.status, pure::kTrueRoot);
  const double g = weighted(s.x, r.lnphi);

  // Temperature: Z and ln phi by central differences; H^r = -T d(sum x ln phi)/dT, also
  // from the analytic derivatives; S^r and the heat capacities from them.
  const double ht = 0.01;
  const Root tu = solve(model(s.t + ht, s.x), s.phase, 2, s.t + ht, s.p, family);
  const Root td = solve(model(s.t - ht, s.x), s.phase, 2, s.t - ht, s.p, family);
  expectClose(r.zT, (tu.z - td.z) / (2 * ht), 1.0 / s.t, kTol, "dZ/dT");
  for (std::size_t i = 0; i < n; ++i) {
    expectClose(r.lnphiT[i], (tu.lnphi[i] - td.lnphi[i]) / (2 * ht), 1.0 / s.t, kTol,
                "dln(phi)/dT of component " + std::to_string(i + 1));
  }
  const double dg = (weighted(s.x, tu.lnphi) - weighted(s.x, td.lnphi)) / (2 * ht);
  expectClose(r.hr, -s.t * dg, 1.0, kTol, "H^r = -T dG/dT");
  expectClose(r.hr, -s.t * weighted(s.x, r.lnphiT), 1.0, 1e-10, "H^r = -T sum x dln(phi)/dT");
  expectClose(r.sr, r.hr - g + std::log(101.325 / s.p), 1.0, 1e-10, "S^r = H^r - G");
  expectClose(r.cpr, (tu.hr * (s.t + ht) - td.hr * (s.t - ht)) / (2 * ht), 1.0, kTol,
              "Cp^r = d(T H^r)/dT");

  // Pressure.
  const double hp = s.p * 1e-5;
  const Root pu = solve(model(s.t, s.x), s.phase, 2, s.t, s.p + hp, family);
  const Root pd = solve(model(s.t, s.x), s.phase, 2, s.t, s.p - hp, family);
  expectClose(r.zP, (pu.z - pd.z) / (2 * hp), 1.0 / s.p, kTol, "dZ/dP");
  for (std::size_t i = 0; i < n; ++i) {
    expectClose(r.lnphiP[i], (pu.lnphi[i] - pd.lnphi[i]) / (2 * hp), 1.0 / s.p, kTol,
                "dln(phi)/dP of component " + std::to_string(i + 1));
  }
  expectClose(r.cpcv, std::pow(r.z + s.t * r.zT, 2) / (r.z - s.p * r.zP), 1.0, 1e-9,
              "Cp - Cv = -T (dV/dT)^2/(dV/dP)");
  expectClose(r.cvr, r.cpr - r.cpcv + 1.0, 1.0, 1e-12, "Cv^r");

  // Composition: n d/dn_j by central differences of the amounts; Gibbs-Duhem; symmetry.
  const double hn = 1e-6;
  for (std::size_t j = 0; j < n; ++j) {
    const std::vector<double> xu = shifted(s.x, j, hn);
    const std::vector<double> xd = shifted(s.x, j, -hn);
    const double total = 1.0;  // the amounts of the state sum to 1
    const Root cu = solve(model(s.t, xu), s.phase, 2, s.t, s.p, family);
    const Root cd = solve(model(s.t, xd), s.phase, 2, s.t, s.p, family);
    const std::string col = " by component " + std::to_string(j + 1);
    expectClose(r.zdn[j], total * (cu.z - cd.z) / (2 * hn), 1.0, kTol, "n dZ/dn" + col);
    expectClose(r.hrn[j], total * (cu.hr - cd.hr) / (2 * hn), 1.0, kTol, "n dH^r/dn" + col);
    double gibbsDuhem = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      const double nij = r.lnphiN[j * n + i];
      expectClose(nij, total * (cu.lnphi[i] - cd.lnphi[i]) / (2 * hn), 1.0, kTol,
                  "n dln(phi_" + std::to_string(i + 1) + ")/dn" + col);
      EXPECT_EQ(nij, r.lnphiN[i * n + j]);
      gibbsDuhem += s.x[i] * nij;
    }
    EXPECT_NEAR(gibbsDuhem, 0.0, 1e-9) << "Gibbs-Duhem" << col;
  }
}

void checkAssociatingConsistency(const Model& model, const Family& family, const State& s,
                                 std::int32_t position) {
  SCOPED_TRACE(std::string(family.name) + ", " + s.label);
  const std::size_t n = s.x.size();
  const double y0 = s.x[static_cast<std::size_t>(position - 1)];
  const auto at = [&](double t, double p, std::int32_t level) {
    return solveAssociating(model(t, s.x), s.phase, level, t, p, family, position, y0, s.x);
  };
  const Root r = at(s.t, s.p, 3);
  const double g = weighted(s.x, r.lnphi);
  const double ht = 0.05;
  const Root tu = at(s.t + ht, s.p, 2);
  const Root td = at(s.t - ht, s.p, 2);
  // ln phi over T: a difference over 0.1 K against the central difference.
  for (std::size_t i = 0; i < n; ++i) {
    expectClose(r.lnphiT[i], (tu.lnphi[i] - td.lnphi[i]) / (2 * ht), 1.0 / s.t, 3e-2,
                "dln(phi)/dT of component " + std::to_string(i + 1));
  }
  const double dg = (weighted(s.x, tu.lnphi) - weighted(s.x, td.lnphi)) / (2 * ht);
  expectClose(r.hr, -s.t * dg, 1.0, 1e-5, "H^r = -T dG/dT");
  expectClose(r.sr, r.hr - g + std::log(101.325 / s.p), 1.0, 1e-12, "S^r = H^r - G");
  expectClose(r.cpr, (tu.hr * (s.t + ht) - td.hr * (s.t - ht)) / (2 * ht), 1.0, 1e-5,
              "Cp^r = d(T H^r)/dT");
  const double hp = s.p * 1e-5;
  const Root pu = at(s.t, s.p + hp, 1);
  const Root pd = at(s.t, s.p - hp, 1);
  const double zT = (tu.z - td.z) / (2 * ht);
  const double zP = (pu.z - pd.z) / (2 * hp);
  expectClose(r.cpcv, std::pow(r.z + s.t * zT, 2) / (r.z - s.p * zP), 1.0, 1e-5,
              "Cp - Cv = -T (dV/dT)^2/(dV/dP)");
  expectClose(r.cvr, r.cpr - r.cpcv + 1.0, 1.0, 1e-12, "Cv^r");
}

}  // namespace eos_test
