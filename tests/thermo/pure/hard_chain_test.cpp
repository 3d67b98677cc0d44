// The hard-sphere-chain equations of state: the pair terms and their scaled derivatives, the
// Carnahan-Starling limit of the density residuals, Muller's root finder, the per-phase
// root safeguards, and the thermodynamic consistency of PHCT1 and PHCT2.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "density_support.hpp"
#include "services/services.hpp"
#include "support/test_support.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using density_test::expectClose;
using density_test::shifted;
using density_test::weighted;

// Components of a made-up hard-chain mixture: segment number, size (units of the pressure
// reduction) and energies (units of 400 K).
struct Chain {
  double r, sigma, eps, kappa;
};
const Chain kSpheres{1.0, 0.93, 0.47, 0.025};
const Chain kShortChain{2.7, 0.92, 0.52, 0.025};
const Chain kLongChain{4.6, 0.96, 0.55, 0.0};

// The packed pair parameters of a mixture: eps_ij = sqrt(eps_i eps_j)(1 - 0.02), sigma_ij the
// arithmetic mean.
struct Parameters {
  std::vector<double> eps, sigma, r, kappa;
};
Parameters parametersOf(const std::vector<Chain>& chains) {
  Parameters p;
  const std::size_t n = chains.size();
  for (std::size_t j = 0; j < n; ++j) {
    for (std::size_t i = 0; i <= j; ++i) {
      const double k = i == j ? 0.0 : 0.02;
      p.eps.push_back(std::sqrt(chains[i].eps * chains[j].eps) * (1.0 - k));
      p.sigma.push_back(0.5 * (chains[i].sigma + chains[j].sigma));
    }
    p.r.push_back(chains[j].r);
    p.kappa.push_back(chains[j].kappa);
  }
  return p;
}

// Every output of a kernel call, starting at -9.
struct Result {
  explicit Result(std::size_t n)
      : b(n * (n + 1) / 2, -9),
        bT(b),
        bTT(b),
        e(b),
        eT(b),
        eTT(b),
        q(n, -9),
        lnphi(n, -9),
        lnphiT(n, -9),
        lnphiP(n, -9),
        lnphiN(n * n, -9),
        hrn(n, -9),
        zdn(n, -9),
        muT(n, -9),
        murho(n, -9),
        work(4 + 2 * n + 3 * n * (n + 1) / 2, 0.0) {}
  std::vector<double> b, bT, bTT, e, eT, eTT, q;
  double z = -9, zT = -9, zP = -9, hr = -9, sr = -9, cvr = -9, cpr = -9;
  std::vector<double> lnphi, lnphiT, lnphiP, lnphiN, hrn, zdn, muT, murho, work;
};

enum class Kernel { SquareWell, Attraction };

Result call(Kernel kernel, const Parameters& p, const std::vector<double>& x, double t, double pr,
            std::int32_t phase, std::int32_t level, double p0 = 101.325) {
  const auto n = static_cast<std::int32_t>(x.size());
  const auto ns = n * (n + 1) / 2;
  Result r(x.size());
  const auto nwork = static_cast<std::int32_t>(r.work.size());
  if (kernel == Kernel::SquareWell) {
    pure::PHCT1(t, pr, p0, x, n, ns, phase, level, p.eps, p.sigma, p.r, p.kappa, r.b, r.bT, r.bTT,
                r.q, r.e, r.eT, r.eTT, r.z, r.lnphi, r.zT, r.zP, r.lnphiT, r.lnphiP, r.hr, r.sr,
                r.cvr, r.cpr, r.lnphiN, r.hrn, r.zdn, r.muT, r.murho, r.work, nwork);
  } else {
    pure::PHCT2(t, pr, p0, x, n, ns, phase, level, p.eps, p.sigma, p.r, r.b, r.bT, r.bTT, r.q, r.e,
                r.eT, r.eTT, r.z, r.lnphi, r.zT, r.zP, r.lnphiT, r.lnphiP, r.hr, r.sr, r.cvr, r.cpr,
                r.lnphiN, r.hrn, r.zdn, r.muT, r.murho, r.work, nwork);
  }
  return r;
}

class HardChain : public ::testing::Test {
 protected:
  void SetUp() override {
    services::ERINIT();
    pure::HCSTAT = {};
  }
  testing_support::StopThrows stop_;
};

// ---------------------------------------------------------------------------------------
// Pair terms
// ---------------------------------------------------------------------------------------

// theta d/dtheta and theta^2 d2/dtheta2 by central differences in theta.
void expectScaledDerivatives(const std::function<double(double)>& f, double theta, double fT,
                             double fTT, const std::string& what) {
  const double h = 1e-4 * theta;
  const double d1 = (f(theta + h) - f(theta - h)) / (2 * h);
  const double d2 = (f(theta + h) - 2 * f(theta) + f(theta - h)) / (h * h);
  expectClose(fT, theta * d1, std::fabs(f(theta)), 1e-6, what + " first");
  expectClose(fTT, theta * theta * d2, std::fabs(f(theta)), 1e-4, what + " second");
}

TEST_F(HardChain, SquareWellEnergyWithoutKappaIsThePlainSquareWell) {
  const Parameters p = parametersOf({{1.0, 0.9, 0.5, 0.0}, {2.0, 1.0, 0.6, 0.0}});
  std::vector<double> b(3), bT(3), bTT(3), f(3), fT(3), fTT(3);
  pure::HCEOSA(0.8, 2, p.eps, p.sigma, p.kappa, b, bT, bTT, f, fT, fTT);
  for (std::size_t k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    EXPECT_DOUBLE_EQ(f[k], p.eps[k] / 0.8);
    EXPECT_DOUBLE_EQ(fT[k], -f[k]);
    EXPECT_DOUBLE_EQ(fTT[k], 2.0 * f[k]);
  }
}

TEST_F(HardChain, PairTermsCarryTheirExactScaledDerivatives) {
  const Parameters p = parametersOf({kSpheres, kShortChain, kLongChain});
  const double theta = 0.75;
  const auto terms = [&](bool second, double th) {
    std::array<std::vector<double>, 6> a;
    for (auto& v : a) v.assign(6, 0.0);
    if (second) {
      pure::HCEOSB(th, 3, p.eps, p.sigma, a[0], a[1], a[2], a[3], a[4], a[5]);
    } else {
      pure::HCEOSA(th, 3, p.eps, p.sigma, p.kappa, a[0], a[1], a[2], a[3], a[4], a[5]);
    }
    return a;
  };
  for (bool second : {false, true}) {
    const auto at = terms(second, theta);
    for (std::size_t k = 0; k < 6; ++k) {
      const std::string label =
          std::string(second ? "HCEOSB" : "HCEOSA") + " pair " + std::to_string(k + 1);
      expectScaledDerivatives([&](double th) { return terms(second, th)[0][k]; }, theta, at[1][k],
                              at[2][k], label + " b");
      expectScaledDerivatives([&](double th) { return terms(second, th)[3][k]; }, theta, at[4][k],
                              at[5][k], label + " energy");
    }
    // The unlike covolume combines the like ones.
    const double b1 = std::cbrt(at[0][0]);
    const double b2 = std::cbrt(at[0][2]);
    EXPECT_NEAR(at[0][1], std::pow(b1 + b2, 3) / 8.0, 1e-6 * at[0][1]);
  }
}

// ---------------------------------------------------------------------------------------
// Density residuals
// ---------------------------------------------------------------------------------------

// The packed vector of one sphere (r = 1) at P~ = 0, so that Z = -residual/(rho theta).
std::vector<double> oneSphere(double theta, double b, double e, double sigma) {
  return {theta, 0.0, 1.0, 1.0, 1.0, 1.0, b, e, sigma};
}

double carnahanStarling(double eta) {
  return 1.0 + 4.0 * eta * (1.0 - eta / 2.0) / std::pow(1.0 - eta, 3);
}

TEST_F(HardChain, SpheresReachTheCarnahanStarlingLimit) {
  // The dispersion of the square-well series written out here: sum n A_nm (eta/0.7405)^n u^m.
  const double a[4][9] = {{-8.8043, 4.164627, -48.203556, 140.4362, -195.23338, 113.515},
                          {2.9396, -6.0865383, 40.137955, -76.2308, -133.70055, 860.2535,
                           -1535.3224, 1221.4261, -409.10538},
                          {-2.8225, 4.760015, 11.257177, -66.382744, 69.24879},
                          {0.34, -3.1875014, 12.231796, -12.110681}};
  const int terms[4] = {6, 9, 5, 4};
  const double theta = 0.8;
  const double b = 1.3;
  const double u = 0.55;
  for (double eta : {0.01, 0.2, 0.45}) {
    SCOPED_TRACE(eta);
    const double rho = 4.0 * eta / b;
    double zd = 0.0;
    for (int m = 0; m < 4; ++m) {
      for (int k = 0; k < terms[m]; ++k) {
        zd += (k + 1) * a[m][k] * std::pow(eta / 0.7405, k + 1) * std::pow(u, m + 1);
      }
    }
    const double za = -pure::HCDNFA(eta, oneSphere(theta, b, u, 1.0)) / (rho * theta);
    EXPECT_NEAR(za, carnahanStarling(eta) + zd, 2e-6 * std::fabs(za));
    const double alpha = 0.3;
    const double zb = -pure::HCDNFB(eta, oneSphere(theta, b, alpha, 1.0)) / (rho * theta);
    EXPECT_NEAR(zb, carnahanStarling(eta) - rho * alpha, 2e-6 * std::fabs(zb));
  }
}

TEST_F(HardChain, KernelsReachTheCarnahanStarlingLimitForSpheres) {
  // One sphere: Z of PHCT2 is the Carnahan-Starling value less rho alpha at the packing
  // fraction that P~ = rho theta Z gives.
  const Parameters p = parametersOf({kSpheres});
  for (double pressure : {500.0, 20000.0}) {
    SCOPED_TRACE(pressure);
    const double t = 300.0;
    const Result r = call(Kernel::Attraction, p, {1.0}, t, pressure, 2, 1);
    const double theta = t / 400.0;
    const double rho = 64.0 * pressure / 5522648.0 / (theta * r.z);
    const double eta = rho * r.b[0] / 4.0;
    EXPECT_NEAR(r.z, carnahanStarling(eta) - rho * r.e[0], 1e-6 * std::fabs(r.z) + 1e-9);
  }
}

// ---------------------------------------------------------------------------------------
// Root finder and root safeguards
// ---------------------------------------------------------------------------------------

std::vector<double> visited;
double recordingCubic(double x, std::span<const double> v) {
  visited.push_back(x);
  return (x - v[0]) * (x - v[1]) * (x - v[2]);
}

TEST_F(HardChain, MullerFindsDeflatedRootsFromItsStartPoints) {
  const std::vector<double> v = {0.3, 1.7, -2.2};
  std::array<double, 3> roots{0.0, 0.0, 0.0};
  std::array<double, 3> list{};
  std::int32_t found = 0;
  visited.clear();
  pure::RTBRKT(recordingCubic, 3, roots, found, list, v);
  ASSERT_GE(visited.size(), 3u);
  EXPECT_EQ((std::vector<double>{visited[0], visited[1], visited[2]}),
            (std::vector<double>{-1.0, 1.0, 0.0}));
  ASSERT_EQ(found, 3);
  std::vector<double> sorted(list.begin(), list.end());
  std::sort(sorted.begin(), sorted.end());
  EXPECT_NEAR(sorted[0], -2.2, 1e-5);
  EXPECT_NEAR(sorted[1], 0.3, 1e-5);
  EXPECT_NEAR(sorted[2], 1.7, 1e-5);
  for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(roots[k], list[k]);
}

// Positive everywhere and flattening towards -infinity: Muller runs into its step limit.
double noRoot(double x, std::span<const double>) { return std::exp(x) + 1.0; }

TEST_F(HardChain, RootFailuresGiveThePhaseDefaults) {
  const std::vector<double> v = {0.0, 0.1};
  std::array<double, 1> roots{0.5};
  std::array<double, 1> list{};
  std::int32_t found = 0;
  pure::RTBRKT(noRoot, 1, roots, found, list, v);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(roots[0], pure::kRootStepLimit);
  double eta = 0.0;
  pure::HCROOT(noRoot, v, 1, eta);
  EXPECT_EQ(eta, 1e-4);
  pure::HCROOT(noRoot, v, 2, eta);
  EXPECT_EQ(eta, 0.45);
  EXPECT_EQ(pure::HCSTAT.successes, 0);
}

// A residual with its root at v[2], and v[1] the reduced pressure HCROOT reads.
double rootAt(double x, std::span<const double> v) { return x - v[2]; }

TEST_F(HardChain, RootSafeguardsKeepThePhasesApart) {
  struct Case {
    const char* label;
    double pressure;  // P~
    std::int32_t first, second;
    double firstRoot, secondRoot;
    double expected;  // of the second call
  };
  const Case cases[] = {
      {"low pressure: a liquid at the vapour root", 0.1, 1, 2, 0.02, 0.02 + 5e-5, 0.45},
      {"low pressure: a liquid elsewhere", 0.1, 1, 2, 0.02, 0.3, 0.3},
      {"high pressure: a vapour at the liquid root", 0.5, 2, 1, 0.4, 0.4 - 5e-5, 1e-4},
      {"high pressure: a vapour elsewhere", 0.5, 2, 1, 0.4, 0.1, 0.1},
      {"close packing exceeded", 0.1, 1, 2, 0.01, 0.8, 0.45},
      {"negative vapour root", 0.1, 2, 1, 0.3, -0.2, 1e-6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    pure::HCSTAT = {};
    pure::HCSTAT.successes = 5;
    double eta = 0.0;
    pure::HCROOT(rootAt, std::vector<double>{0.0, c.pressure, c.firstRoot}, c.first, eta);
    pure::HCROOT(rootAt, std::vector<double>{0.0, c.pressure, c.secondRoot}, c.second, eta);
    EXPECT_NEAR(eta, c.expected, 1e-9);
  }
  // A count of 1 on entry resets the remembered roots: the liquid is then kept.
  pure::HCSTAT = {};
  pure::HCSTAT.successes = 5;
  double eta = 0.0;
  pure::HCROOT(rootAt, std::vector<double>{0.0, 0.1, 0.02}, 1, eta);
  pure::HCSTAT.successes = 1;
  pure::HCROOT(rootAt, std::vector<double>{0.0, 0.1, 0.02 + 5e-5}, 2, eta);
  EXPECT_NEAR(eta, 0.02 + 5e-5, 1e-9);
  EXPECT_EQ(pure::HCSTAT.successes, 2);
}

// ---------------------------------------------------------------------------------------
// Thermodynamic consistency
// ---------------------------------------------------------------------------------------

struct State {
  const char* label;
  std::int32_t phase;
  double t, p;
  std::vector<double> x;
};

void checkConsistency(Kernel kernel, const Parameters& p, const State& s) {
  SCOPED_TRACE(std::string(kernel == Kernel::SquareWell ? "PHCT1 " : "PHCT2 ") + s.label);
  const std::size_t n = s.x.size();
  const double tol = 1e-6;
  const Result r = call(kernel, p, s.x, s.t, s.p, s.phase, 4);
  const double g = weighted(s.x, r.lnphi);

  const double ht = 1e-4 * s.t;
  const Result tu = call(kernel, p, s.x, s.t + ht, s.p, s.phase, 2);
  const Result td = call(kernel, p, s.x, s.t - ht, s.p, s.phase, 2);
  expectClose(r.zT, (tu.z - td.z) / (2 * ht), 1.0 / s.t, tol, "dZ/dT");
  for (std::size_t i = 0; i < n; ++i) {
    expectClose(r.lnphiT[i], (tu.lnphi[i] - td.lnphi[i]) / (2 * ht), 1.0 / s.t, tol,
                "dln(phi)/dT " + std::to_string(i + 1));
  }
  expectClose(r.hr, -s.t * (weighted(s.x, tu.lnphi) - weighted(s.x, td.lnphi)) / (2 * ht), 1.0, tol,
              "H^r = -T dG/dT");
  expectClose(r.sr, r.hr - g - std::log(s.p / 101.325), 1.0, 1e-12, "S^r = H^r - G");
  expectClose(r.cpr, (tu.hr * (s.t + ht) - td.hr * (s.t - ht)) / (2 * ht), 1.0, tol,
              "Cp^r = d(T H^r)/dT");

  const double hp = 1e-4 * s.p;
  const Result pu = call(kernel, p, s.x, s.t, s.p + hp, s.phase, 1);
  const Result pd = call(kernel, p, s.x, s.t, s.p - hp, s.phase, 1);
  expectClose(r.zP, (pu.z - pd.z) / (2 * hp), 1.0 / s.p, tol, "dZ/dP");
  for (std::size_t i = 0; i < n; ++i) {
    expectClose(r.lnphiP[i], (pu.lnphi[i] - pd.lnphi[i]) / (2 * hp), 1.0 / s.p, tol,
                "dln(phi)/dP " + std::to_string(i + 1));
  }
  // Cp - Cv = -T (dV/dT)^2/(dV/dP) over R.
  expectClose(r.cpr - r.cvr + 1.0, std::pow(r.z + s.t * r.zT, 2) / (r.z - s.p * r.zP), 1.0, 1e-9,
              "Cp - Cv");

  const double hn = 1e-5;
  for (std::size_t j = 0; j < n; ++j) {
    const Result cu = call(kernel, p, shifted(s.x, j, hn), s.t, s.p, s.phase, 2);
    const Result cd = call(kernel, p, shifted(s.x, j, -hn), s.t, s.p, s.phase, 2);
    const std::string col = " by component " + std::to_string(j + 1);
    expectClose(r.zdn[j], (cu.z - cd.z) / (2 * hn), 1.0, tol, "n dZ/dn" + col);
    expectClose(r.hrn[j], (cu.hr - cd.hr) / (2 * hn), 1.0, tol, "n dH^r/dn" + col);
    double gibbsDuhem = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      const double nij = r.lnphiN[j * n + i];
      expectClose(nij, (cu.lnphi[i] - cd.lnphi[i]) / (2 * hn), 1.0, tol,
                  "n dln(phi_" + std::to_string(i + 1) + ")/dn" + col);
      EXPECT_NEAR(nij, r.lnphiN[i * n + j], 1e-10);
      gibbsDuhem += s.x[i] * nij;
    }
    EXPECT_NEAR(gibbsDuhem, 0.0, 1e-9) << "Gibbs-Duhem" << col;
  }
}

TEST_F(HardChain, KernelsAreThermodynamicallyConsistent) {
  const Parameters ternary = parametersOf({kSpheres, kShortChain, kLongChain});
  const Parameters single = parametersOf({kShortChain});
  const std::vector<State> states = {
      {"ternary vapour", 1, 330.0, 800.0, {0.6, 0.3, 0.1}},
      {"ternary liquid", 2, 300.0, 5000.0, {0.1, 0.3, 0.6}},
      {"chain liquid", 2, 280.0, 2000.0, {1.0}},
      {"chain vapour", 1, 380.0, 300.0, {1.0}},
  };
  for (Kernel kernel : {Kernel::SquareWell, Kernel::Attraction}) {
    for (const State& s : states) checkConsistency(kernel, s.x.size() == 1 ? single : ternary, s);
  }
}

TEST_F(HardChain, VapourBecomesIdealAtLowPressure) {
  const Parameters p = parametersOf({kSpheres, kShortChain});
  for (Kernel kernel : {Kernel::SquareWell, Kernel::Attraction}) {
    const Result r = call(kernel, p, {0.5, 0.5}, 350.0, 1e-3, 1, 2);
    EXPECT_NEAR(r.z, 1.0, 1e-6);
    EXPECT_NEAR(r.lnphi[0], 0.0, 1e-6);
    EXPECT_NEAR(r.lnphi[1], 0.0, 1e-6);
    EXPECT_NEAR(r.hr, 0.0, 1e-5);
    // At P = P0 the entropy departure has no pressure term.
    const Result atP0 = call(kernel, p, {0.5, 0.5}, 350.0, 101.325, 1, 2, 101.325);
    EXPECT_NEAR(atP0.sr, atP0.hr - weighted({0.5, 0.5}, atP0.lnphi), 1e-12);
  }
}

TEST_F(HardChain, LiquidUnderTensionIsGuarded) {
  const Parameters p = parametersOf({kShortChain});
  const Result r = call(Kernel::SquareWell, p, {1.0}, 250.0, -2000.0, 2, 1);
  EXPECT_EQ(r.z, 1e-6);
}

TEST_F(HardChain, LevelOneLeavesTheDerivativesUntouched) {
  const Parameters p = parametersOf({kSpheres, kShortChain});
  const Result r = call(Kernel::SquareWell, p, {0.4, 0.6}, 300.0, 3000.0, 2, 1);
  EXPECT_GT(r.z, 0.0);
  for (double v : {r.zT, r.zP, r.hr, r.sr, r.cvr, r.cpr}) EXPECT_EQ(v, -9.0);
  for (const auto* a : {&r.lnphiT, &r.lnphiP, &r.lnphiN, &r.hrn, &r.zdn, &r.q, &r.muT, &r.murho}) {
    for (double v : *a) EXPECT_EQ(v, -9.0);
  }
  for (double v : r.b) EXPECT_NE(v, -9.0);
}

TEST_F(HardChain, ShortWorkVectorStopsTheRun) {
  const Parameters p = parametersOf({kSpheres});
  Result r(1);
  r.work.resize(5);
  EXPECT_THROW(pure::PHCT2(300.0, 100.0, 101.325, std::vector<double>{1.0}, 1, 1, 1, 1, p.eps,
                           p.sigma, p.r, r.b, r.bT, r.bTT, r.q, r.e, r.eT, r.eTT, r.z, r.lnphi,
                           r.zT, r.zP, r.lnphiT, r.lnphiP, r.hr, r.sr, r.cvr, r.cpr, r.lnphiN,
                           r.hrn, r.zdn, r.muT, r.murho, r.work, 5),
               platform::RunStopped);
}

}  // namespace
