// The van Laar (410) and Margules (411) activity models: the two-component forms with their
// infinite-dilution limits, a published azeotrope, the pure-liquid limit, Gibbs-Duhem and
// finite differences in composition, no temperature dependence, the request digits, short
// arrays and ACCALC reaching both by code.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "storage/file_layer_support.hpp"
#include "storage/storage.hpp"
#include "support/allocation_counter.hpp"
#include "support/test_support.hpp"
#include "thermo/equilibrium/equilibrium.hpp"
#include "thermo/pure/correlation_sets.hpp"
#include "vapour_fugacity_support.hpp"

namespace {

using Matrix = std::vector<std::vector<double>>;

struct Model {
  std::int32_t code = 410;
  std::size_t n = 2;
  std::vector<double> param, work;
};

struct Result {
  std::vector<double> lngam, dlngdt, dlngdx;
  double gert = -99.0, hert2 = -99.0;
  std::int32_t status = -9;
};

// A and B given by rows, stored by columns.
Model model(std::int32_t code, const Matrix& a, const Matrix& b) {
  Model m;
  m.code = code;
  m.n = a.size();
  const std::size_t n2 = m.n * m.n;
  m.param.assign(2 * n2, 0.0);
  for (std::size_t i = 0; i < m.n; ++i) {
    for (std::size_t j = 0; j < m.n; ++j) {
      m.param[j * m.n + i] = a[i][j];
      m.param[n2 + j * m.n + i] = b[i][j];
    }
  }
  m.work.assign((code == 410 ? 2 : 3) * m.n, 0.0);
  return m;
}

// Van Laar constants A with the ratio matrix B(i,j) = A(i,j)/A(j,i), unit diagonal.
Model vanLaar(const Matrix& a) {
  Matrix b = a;
  for (std::size_t i = 0; i < a.size(); ++i) {
    for (std::size_t j = 0; j < a.size(); ++j) b[i][j] = i == j ? 1.0 : a[i][j] / a[j][i];
  }
  return model(410, a, b);
}
Model margules(const Matrix& a, const Matrix& d) { return model(411, a, d); }

Result evaluate(Model& m, const std::vector<double>& x, double t = 330.0,
                std::int32_t request = 101) {
  Result r;
  r.lngam.assign(m.n, -99.0);
  r.dlngdt.assign(m.n, -99.0);
  r.dlngdx.assign(m.n * m.n, -99.0);
  equilibrium::ActivityModelCall c;
  c.x = x;
  c.t = t;
  c.p = 101.325;
  c.ncl = static_cast<std::int32_t>(m.n);
  c.request = request;
  c.param = m.param;
  c.work = m.work;
  c.lngam = r.lngam;
  c.dlngdt = r.dlngdt;
  c.dlngdx = r.dlngdx;
  c.gert = -99.0;
  c.hert2 = -99.0;
  c.status = 77;
  c.code = m.code;
  if (m.code == 410) {
    equilibrium::GAM410(c);
  } else {
    equilibrium::GAM411(c);
  }
  r.gert = c.gert;
  r.hert2 = c.hert2;
  r.status = c.status;
  return r;
}

std::string label(const Model& m) { return m.code == 410 ? "van Laar" : "Margules"; }

// Ternaries whose van Laar ratios are consistent, and a Margules set with quartic terms.
Model vanLaarTernary() {
  return vanLaar({{0.0, 1.6798, 0.45}, {0.9227, 0.0, 1.1}, {0.7, 0.35, 0.0}});
}
Model margulesTernary() {
  return margules({{0.0, 1.2, 0.4}, {0.8, 0.0, -0.3}, {0.6, 0.5, 0.0}},
                  {{0.0, 0.25, -0.1}, {0.15, 0.0, 0.2}, {0.05, -0.2, 0.0}});
}
std::vector<Model> ternaries() { return {vanLaarTernary(), margulesTernary()}; }

const std::vector<double> kMixture = {0.2, 0.5, 0.3};

// ---------------------------------------------------------------------------------------
// Two components
// ---------------------------------------------------------------------------------------

// ln gamma_1 = A12 (1 + A12 x1/(A21 x2))^-2 and its mirror, ln gamma at infinite dilution
// A12 and A21; Margules ln gamma_1 = x2^2 [A12 + 2 (A21 - A12 - D12) x1 + 3 D12 x1^2] with
// the same infinite-dilution limits; GERT = sum x ln gamma.
TEST(TwoComponents, MatchTheClassicForms) {
  const double a12 = 1.6798, a21 = 0.9227, d12 = 0.31, d21 = -0.12;
  Model vl = vanLaar({{0.0, a12}, {a21, 0.0}});
  Model mg = margules({{0.0, a12}, {a21, 0.0}}, {{0.0, d12}, {d21, 0.0}});
  for (const double x1 : {0.0, 0.05, 0.3, 0.5, 0.85, 1.0}) {
    SCOPED_TRACE(x1);
    const double x2 = 1.0 - x1;
    const Result v = evaluate(vl, {x1, x2});
    const double den = a12 * x1 + a21 * x2;
    EXPECT_NEAR(v.lngam[0], a12 * std::pow(a21 * x2 / den, 2), 1e-14);
    EXPECT_NEAR(v.lngam[1], a21 * std::pow(a12 * x1 / den, 2), 1e-14);
    EXPECT_NEAR(v.gert, a12 * a21 * x1 * x2 / den, 1e-14);
    const Result g = evaluate(mg, {x1, x2});
    EXPECT_NEAR(g.lngam[0], x2 * x2 * (a12 + 2 * (a21 - a12 - d12) * x1 + 3 * d12 * x1 * x1),
                1e-14);
    EXPECT_NEAR(g.lngam[1], x1 * x1 * (a21 + 2 * (a12 - a21 - d21) * x2 + 3 * d21 * x2 * x2),
                1e-14);
    EXPECT_NEAR(g.gert, x1 * g.lngam[0] + x2 * g.lngam[1], 1e-14);
  }
  EXPECT_NEAR(evaluate(vl, {0.0, 1.0}).lngam[0], a12, 1e-14);
  EXPECT_NEAR(evaluate(vl, {1.0, 0.0}).lngam[1], a21, 1e-14);
  EXPECT_NEAR(evaluate(mg, {0.0, 1.0}).lngam[0], a12, 1e-14);
  EXPECT_NEAR(evaluate(mg, {1.0, 0.0}).lngam[1], a21, 1e-14);
}

// Ethanol (1) - water (2) at 101.325 kPa with modified Raoult's law. The van Laar
// constants 1.6798 and 0.9227 are those tabulated for the pair in Perry's Chemical
// Engineers' Handbook, and the Antoine constants (mmHg, C) those of common textbook tables;
// neither was traced to its source for this test: unconfirmed. They give 759 mmHg at the
// normal boiling points, 100 C and 78.3 C. They are inputs. The exact reference is the
// azeotrope of the classic van Laar form written here, solved the same way; the measured
// azeotrope, 78.15 C at 95.57 mass % ethanol (x = 0.894 with M 46.07 and 18.02), as listed in
// L. H. Horsley, Azeotropic Data (Adv. Chem. Ser. 6, 1952; not read here: unconfirmed), is a
// plausibility bound only: its tolerances are what a two-constant fit with fixed constants
// and Antoine pressures can be expected to reach, not a numerical accuracy.
TEST(TwoComponents, EthanolWaterAzeotrope) {
  const double a12 = 1.6798, a21 = 0.9227;
  const auto psat = [](double a, double b, double c, double t) {
    return std::pow(10.0, a - b / (t + c)) * 101.325 / 760.0;
  };
  Model m = vanLaar({{0.0, a12}, {a21, 0.0}});
  // ln gamma of both components at x1 and t (C): the routine's, or the classic form.
  const auto lnGamma = [&](bool classic, double x1, double t) {
    if (!classic) {
      const Result r = evaluate(m, {x1, 1.0 - x1}, t + 273.15, 1);
      return std::vector<double>{r.lngam[0], r.lngam[1]};
    }
    const double x2 = 1.0 - x1, den = a12 * x1 + a21 * x2;
    return std::vector<double>{a12 * std::pow(a21 * x2 / den, 2),
                               a21 * std::pow(a12 * x1 / den, 2)};
  };
  const auto bubble = [&](bool classic, double x1, double& gap) {
    double lo = 60.0, hi = 110.0, t = 0.0;
    for (int k = 0; k < 80; ++k) {
      t = 0.5 * (lo + hi);
      const std::vector<double> g = lnGamma(classic, x1, t);
      const double f1 = std::exp(g[0]) * psat(8.04494, 1554.3, 222.65, t);
      const double f2 = std::exp(g[1]) * psat(8.07131, 1730.63, 233.426, t);
      (x1 * f1 + (1.0 - x1) * f2 > 101.325 ? hi : lo) = t;
      gap = f1 - f2;
    }
    return t;
  };
  // The azeotrope's composition and temperature (C).
  const auto azeotrope = [&](bool classic, double& t) {
    double lo = 0.5, hi = 0.999, gap = 0.0;
    for (int k = 0; k < 50; ++k) {
      const double mid = 0.5 * (lo + hi);
      t = bubble(classic, mid, gap);
      (gap > 0.0 ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
  };
  double t = 0.0, tClassic = 0.0;
  const double x = azeotrope(false, t);
  const double xClassic = azeotrope(true, tClassic);
  EXPECT_NEAR(x, xClassic, 1e-9);
  EXPECT_NEAR(t, tClassic, 1e-9);
  EXPECT_NEAR(x, 0.894, 0.03);
  EXPECT_NEAR(t, 78.15, 0.5);
}

// ---------------------------------------------------------------------------------------
// Identities
// ---------------------------------------------------------------------------------------

// Each pure liquid is ideal: ln gamma of the pure component 0, and so G^E.
TEST(Identities, PureLiquidIsIdeal) {
  for (Model m : ternaries()) {
    SCOPED_TRACE(label(m));
    for (std::size_t k = 0; k < 3; ++k) {
      std::vector<double> x(3, 0.0);
      x[k] = 1.0;
      const Result r = evaluate(m, x);
      EXPECT_NEAR(r.lngam[k], 0.0, 1e-15) << k;
      EXPECT_NEAR(r.gert, 0.0, 1e-15) << k;
      for (const double v : r.dlngdx) EXPECT_TRUE(std::isfinite(v));
    }
  }
}

// GERT = sum x ln gamma, and the composition derivatives against central differences in
// x_j with the other mole fractions held: all of van Laar's; of Margules only the diagonal,
// its cross terms follow a formula of their own.
TEST(Identities, CompositionDerivativesMatchDifferences) {
  for (Model m : ternaries()) {
    SCOPED_TRACE(label(m));
    const Result r = evaluate(m, kMixture);
    double g = 0.0;
    for (std::size_t i = 0; i < 3; ++i) g += kMixture[i] * r.lngam[i];
    EXPECT_NEAR(g, r.gert, 1e-14);
    const double e = 1e-6;
    for (std::size_t j = 0; j < 3; ++j) {
      SCOPED_TRACE(j);
      std::vector<double> up = kMixture, down = kMixture;
      up[j] += e;
      down[j] -= e;
      const Result ru = evaluate(m, up), rd = evaluate(m, down);
      for (std::size_t i = 0; i < 3; ++i) {
        if (m.code == 411 && i != j) continue;
        EXPECT_NEAR(r.dlngdx[j * 3 + i], (ru.lngam[i] - rd.lngam[i]) / (2 * e), 1e-8) << i;
      }
    }
  }
}

// Gibbs-Duhem of the two-component forms: x1 dln gamma_1 + x2 dln gamma_2 = 0 along
// x2 = 1 - x1 (Margules with one quartic constant D12 = D21, the consistent form), and
// d(G^E/RT)/dx1 = ln gamma_1 - ln gamma_2; for van Laar also
// sum_i x_i g_ij is the same for both j.
TEST(Identities, TwoComponentFormsObeyGibbsDuhem) {
  std::vector<Model> models = {vanLaar({{0.0, 1.6798}, {0.9227, 0.0}}),
                               margules({{0.0, 1.2}, {0.8, 0.0}}, {{0.0, 0.3}, {0.3, 0.0}})};
  for (Model& m : models) {
    SCOPED_TRACE(label(m));
    for (const double x1 : {0.1, 0.4, 0.75}) {
      SCOPED_TRACE(x1);
      const double e = 1e-6;
      const Result r = evaluate(m, {x1, 1.0 - x1});
      const Result ru = evaluate(m, {x1 + e, 1.0 - x1 - e});
      const Result rd = evaluate(m, {x1 - e, 1.0 - x1 + e});
      const double d1 = (ru.lngam[0] - rd.lngam[0]) / (2 * e);
      const double d2 = (ru.lngam[1] - rd.lngam[1]) / (2 * e);
      EXPECT_NEAR(x1 * d1 + (1.0 - x1) * d2, 0.0, 1e-8);
      EXPECT_NEAR((ru.gert - rd.gert) / (2 * e), r.lngam[0] - r.lngam[1], 1e-8);
      if (m.code == 410) {
        const double c1 = x1 * r.dlngdx[0] + (1.0 - x1) * r.dlngdx[1];
        const double c2 = x1 * r.dlngdx[2] + (1.0 - x1) * r.dlngdx[3];
        EXPECT_NEAR(c1, c2, 1e-12);
      }
    }
  }
}

// Neither model depends on temperature: d ln gamma/dT = 0 and HERT2 = 0, and central
// differences of ln gamma and of G^E/RT in T vanish (Gibbs-Helmholtz, H^E = 0).
TEST(Identities, NoTemperatureDependence) {
  for (Model m : ternaries()) {
    SCOPED_TRACE(label(m));
    const Result r = evaluate(m, kMixture, 330.0);
    const Result ru = evaluate(m, kMixture, 331.0), rd = evaluate(m, kMixture, 329.0);
    EXPECT_EQ(r.dlngdt, std::vector<double>(3, 0.0));
    EXPECT_EQ(r.hert2, 0.0);
    EXPECT_EQ(-(ru.gert - rd.gert) / 2.0, r.hert2);
    EXPECT_EQ(ru.lngam, rd.lngam);
    EXPECT_EQ(r.status, 0);
  }
}

// ---------------------------------------------------------------------------------------
// Request word and limits
// ---------------------------------------------------------------------------------------

// Composition derivatives only for a hundreds digit of exactly 1; the tens digit is not
// refused; without the units digit DLNGDT is left alone; a single component always gets
// its one derivative.
TEST(Request, DigitsDecideWhatIsFormed) {
  for (Model m : ternaries()) {
    SCOPED_TRACE(label(m));
    const Result full = evaluate(m, kMixture, 330.0, 101);
    const Result two = evaluate(m, kMixture, 330.0, 201);
    EXPECT_EQ(two.lngam, full.lngam);
    EXPECT_EQ(two.dlngdx, std::vector<double>(9, -99.0));
    const Result tens = evaluate(m, kMixture, 330.0, 110);
    EXPECT_EQ(tens.status, 0);
    EXPECT_EQ(tens.lngam, full.lngam);
    EXPECT_EQ(tens.dlngdx, full.dlngdx);
    EXPECT_EQ(tens.dlngdt, std::vector<double>(3, -99.0));
    EXPECT_EQ(tens.hert2, 0.0);
  }
  for (Model m : {vanLaar({{0.0}}), margules({{0.0}}, {{0.0}})}) {
    SCOPED_TRACE(label(m));
    const Result r = evaluate(m, {1.0}, 330.0, 0);
    EXPECT_EQ(r.lngam[0], 0.0);
    EXPECT_EQ(r.gert, 0.0);
    EXPECT_EQ(r.dlngdx[0], 0.0);
  }
}

// Margules at a pure component drops the 1/(1 - x) terms: every derivative stays finite
// and the diagonal of the pure component matches a one-sided difference.
TEST(Request, MargulesAtAPureComponentStaysFinite) {
  Model m = margulesTernary();
  const Result r = evaluate(m, {1.0, 0.0, 0.0});
  for (const double v : r.dlngdx) EXPECT_TRUE(std::isfinite(v));
  const double e = 1e-7;
  const Result rd = evaluate(m, {1.0 - e, 0.0, 0.0});
  EXPECT_NEAR(r.dlngdx[0], (r.lngam[0] - rd.lngam[0]) / e, 1e-6);
}

TEST(Request, ShortArraysStop) {
  Model vl = vanLaarTernary();
  vl.work.resize(5);
  file_tests::expectAbort([&] { evaluate(vl, kMixture); }, "ACTIVITY ARRAY TOO SHORT",
                          {"ARRAY 16", "SIZE 5", "NEEDED 6"});
  Model mg = margulesTernary();
  mg.param.resize(17);
  file_tests::expectAbort([&] { evaluate(mg, kMixture); }, "ACTIVITY ARRAY TOO SHORT",
                          {"ARRAY 4", "SIZE 17", "NEEDED 18"});
}

// ---------------------------------------------------------------------------------------
// ACCALC
// ---------------------------------------------------------------------------------------

// ACCALC reaches each model by its code: ln(f/x) = ln Psat + ln gamma, the excess terms in
// PMCTL2, d ln(f/x)/dT that of the vapour pressure alone; warm calls allocate nothing.
TEST(Accalc, ReachesBothByCode) {
  using namespace fugacity_test;
  // Antoine constants (log10 P/bar, T in K) of methane, propane and n-pentane as listed in
  // the NIST Chemistry WebBook (unconfirmed); inputs: the check is the formula below.
  constexpr double kA[3][3] = {
      {3.9895, 443.028, -0.49}, {3.92828, 803.997, -26.11}, {3.9892, 1070.617, -40.454}};
  constexpr double kT = 330.0;
  startFugacityRun();
  problem::COHDR(problem::cohdr::kLiquidComponents) = 3;
  std::vector<correlation_testing::Record> records;
  for (std::int32_t i = 0; i < 3; ++i) {
    records.push_back(correlation_testing::antoineRecord(i + 1, kA[i][0], kA[i][1], kA[i][2]));
  }
  correlation_testing::installSet(1001, 1, records);
  equilibrium::resetVapourPressureCache();
  problem::THCTL.currentSet = 1;
  const std::int32_t header = storage::ICMGTI(24, 1);
  for (std::int32_t k = 1; k <= 24; ++k) storage::CORSTO[header + k] = 0;
  methods::MSPTRS.integerSectors(1) = header;

  for (Model m : ternaries()) {
    SCOPED_TRACE(label(m));
    Model direct = m;
    const Result expect = evaluate(direct, kMixture, kT);
    std::vector<double> flnx(3), dflnx(3), lngam(3), dlngdt(3), diagonal(3), dlngdx(9);
    std::vector<double> lnpoy(3), dlnpoy(3), vliq(3), dvliq(3), lnphis(3), dlnphs(3);
    std::vector<double> cache(1);
    std::vector<std::int32_t> ictl(6, 0), iaux1(1), iaux2(1);
    const methods::MethodEntry entry{m.code, 0, 1, services::NODISK, 0};
    std::int32_t istat = 77;
    const auto call = [&](double t) {
      equilibrium::ACCALC(t, 500.0, kMixture, m.param, ictl, {}, 3,
                          static_cast<std::int32_t>(m.work.size()), 1, 18, 6, 1, 1, entry, 101,
                          m.work, iaux1, cache, iaux2, flnx, dflnx, lngam, dlngdt, diagonal, dlngdx,
                          lnpoy, dlnpoy, vliq, dvliq, lnphis, dlnphs, istat);
    };
    call(kT);
    const std::size_t before = testing_support::allocationCount();
    for (const double t : {kT + 1.0, kT}) call(t);
    EXPECT_EQ(testing_support::allocationCount(), before);
    EXPECT_EQ(istat, 0);
    EXPECT_EQ(lngam, expect.lngam);
    EXPECT_EQ(dlngdx, expect.dlngdx);
    EXPECT_EQ(methods::PMCTL2.excessGibbs, expect.gert);
    EXPECT_EQ(methods::PMCTL2.excessEnthalpy, 0.0);
    for (std::size_t i = 0; i < 3; ++i) {
      const double psat = 100.0 * std::pow(10.0, kA[i][0] - kA[i][1] / (kT + kA[i][2]));
      EXPECT_NEAR(flnx[i], std::log(psat) + expect.lngam[i], 1e-6);
      EXPECT_NEAR(dflnx[i], std::log(10.0) * kA[i][1] / ((kT + kA[i][2]) * (kT + kA[i][2])), 1e-8);
    }
  }
}

}  // namespace
