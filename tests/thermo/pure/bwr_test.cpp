// Method 110: the Benedict-Webb-Rubin-Starling density root against the equation solved here
// and a published liquid density, the roots of each phase, and the consistency of the
// departure functions and fugacity coefficients.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "density_blocks.hpp"
#include "density_support.hpp"
#include "services/services.hpp"
#include "support/test_support.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using namespace density_test;

constexpr double kRField = 10.7335;
constexpr double kKpaToPsia = 0.145038;
constexpr double kFt3PerLbmolPerM3PerKmol = 16.01846337;

// Starling's mixing rules and the equation, written here: parameters in the order B0, A0, C0,
// D0, E0, b, a, d, alpha, c, gamma.
struct Mixture {
  double B0, A0, C0, D0, E0, b, a, d, alpha, c, gamma;
};
Mixture mix(const std::vector<Species>& comps, const std::vector<double>& y, double k12 = 0.0) {
  std::vector<std::vector<double>> p;
  for (const Species& s : comps) p.push_back(starlingParameters(s));
  const std::size_t n = comps.size();
  const auto quadratic = [&](std::size_t q, int m) {
    double s = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t j = 0; j < n; ++j) {
        const double f = i == j ? 1.0 : 1.0 - k12;
        s += y[i] * y[j] * std::sqrt(p[i][q] * p[j][q]) * std::pow(f, m);
      }
    }
    return s;
  };
  const auto root = [&](std::size_t q, double power) {
    double s = 0.0;
    for (std::size_t i = 0; i < n; ++i) s += y[i] * std::pow(p[i][q], 1.0 / power);
    return std::pow(s, power);
  };
  Mixture m{};
  for (std::size_t i = 0; i < n; ++i) m.B0 += y[i] * p[i][0];
  m.A0 = quadratic(1, 1);
  m.C0 = quadratic(2, 3);
  m.D0 = quadratic(3, 4);
  m.E0 = quadratic(4, 5);
  m.b = root(5, 3);
  m.a = root(6, 3);
  m.d = root(7, 3);
  m.alpha = root(8, 3);
  m.c = root(9, 3);
  m.gamma = root(10, 2);
  return m;
}

double pressure(const Mixture& m, double t, double r) {
  const double rt = kRField * t;
  return r * rt +
         (m.B0 * rt - m.A0 - m.C0 / (t * t) + m.D0 / std::pow(t, 3) - m.E0 / std::pow(t, 4)) * r *
             r +
         (m.b * rt - m.a - m.d / t) * r * r * r + m.alpha * (m.a + m.d / t) * std::pow(r, 6) +
         m.c / (t * t) * r * r * r * (1.0 + m.gamma * r * r) * std::exp(-m.gamma * r * r);
}

// The largest (liquid) or smallest (vapour) density root by a fine scan and bisection.
double root(const Mixture& m, double t, double p, bool liquid) {
  double found = -1.0;
  double lo = 1e-10;
  for (int k = 0; k < 8000; ++k) {
    const double hi = lo * 1.005;
    if ((pressure(m, t, lo) > p) != (pressure(m, t, hi) > p)) {
      double a = lo, b = hi;
      for (int it = 0; it < 200; ++it) {
        const double c = 0.5 * (a + b);
        if ((pressure(m, t, a) > p) == (pressure(m, t, c) > p))
          a = c;
        else
          b = c;
      }
      found = 0.5 * (a + b);
      if (!liquid) return found;
    }
    lo = hi;
  }
  return found;
}

struct Dn110 {
  double z = -9, dep = -9, depT = -9, depP = -9;
  std::vector<double> lnphi, lnphiT, lnphiP;
  std::int32_t status = -9;
};
Dn110 dn110(const std::vector<Species>& comps, const std::vector<double>& x, double t, double p,
            std::int32_t request, std::int32_t phase, std::int32_t derivative = 0,
            double k12 = 0.0) {
  static BlockData block;
  block = starlingBlock(comps, {k12});
  Dn110 r;
  r.lnphi.assign(x.size(), -9);
  r.lnphiT.assign(x.size(), -9);
  r.lnphiP.assign(x.size(), -9);
  const std::vector<std::int32_t> active(x.size(), 1);
  pure::DN110(x, static_cast<std::int32_t>(x.size()), request, phase, derivative, active, t, p, r.z,
              r.dep, r.depT, r.depP, r.lnphi, r.lnphiT, r.lnphiP, block.reals, r.status);
  return r;
}

class Bwr : public ::testing::Test {
 protected:
  void SetUp() override { services::ERINIT(); }
  testing_support::StopThrows stop_;
};

TEST_F(Bwr, ButaneLiquidAgreesWithTheEquationAndThePublishedDensity) {
  const double t = 298.15, p = 243.0;  // near saturation
  const Dn110 r = dn110({kButane}, {1.0}, t, p, 4, 2);
  const Mixture m = mix({kButane}, {1.0});
  const double rho = root(m, t * 1.8, p * kKpaToPsia, true);
  const double z = p * kKpaToPsia / (rho * kRField * t * 1.8);
  EXPECT_NEAR(r.z, z, 1e-8 * z);
  EXPECT_EQ(r.status, 2);
  // 573.0 kg/m3 (NIST Chemistry WebBook, saturated liquid at 298.15 K).
  const double density = rho * kFt3PerLbmolPerM3PerKmol * kButane.mw;
  EXPECT_NEAR(density, 573.0, 0.015 * 573.0);
  // Request 4 without derivatives writes nothing else.
  EXPECT_EQ(r.dep, -9.0);
  EXPECT_EQ(r.lnphi[0], -9.0);
}

TEST_F(Bwr, RootsOfEachPhase) {
  struct Case {
    const char* label;
    const Species* s;
    double t, p;
    std::int32_t phase;
    bool liquidRoot;
    std::int32_t status;
  };
  const Case cases[] = {
      {"two-phase isotherm, vapour", &kButane, 350.0, 500.0, 1, false, 4},
      {"two-phase isotherm, liquid", &kButane, 350.0, 500.0, 2, true, 2},
      {"supercritical, vapour request", &kMethane, 300.0, 5000.0, 1, false, 4},
      {"supercritical, liquid request", &kMethane, 300.0, 5000.0, 2, true, 1},
      {"near zero pressure", &kPropane, 300.0, 0.01, 1, false, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Dn110 r = dn110({*c.s}, {1.0}, c.t, c.p, 4, c.phase);
    const double rho = root(mix({*c.s}, {1.0}), c.t * 1.8, c.p * kKpaToPsia, c.liquidRoot);
    EXPECT_NEAR(r.z, c.p * kKpaToPsia / (rho * kRField * c.t * 1.8), 1e-7 * r.z);
    EXPECT_EQ(r.status, c.status);
  }
}

TEST_F(Bwr, MixtureFugacitiesAndDeparturesAreConsistent) {
  const std::vector<Species> comps = {kMethane, kButane};
  const std::vector<double> x = {0.3, 0.7};
  const double k12 = 0.02;
  for (const auto& [label, t, p, phase] :
       {std::tuple{"liquid", 300.0, 3000.0, 2}, std::tuple{"vapour", 380.0, 800.0, 1}}) {
    SCOPED_TRACE(label);
    const Mixture m = mix(comps, x, k12);
    const Dn110 f = dn110(comps, x, t, p, 1, phase, 1, k12);
    const double rho = root(m, t * 1.8, p * kKpaToPsia, phase == 2);
    EXPECT_NEAR(f.z, p * kKpaToPsia / (rho * kRField * t * 1.8), 1e-7 * f.z);
    // n d(n G^r/RT)/dn_i by differences of the amounts: sum x ln(phi) at shifted amounts.
    const double h = 1e-5;
    for (std::size_t i = 0; i < 2; ++i) {
      const Dn110 up = dn110(comps, normalised(shifted(x, i, h)), t, p, 1, phase, 0, k12);
      const Dn110 down = dn110(comps, normalised(shifted(x, i, -h)), t, p, 1, phase, 0, k12);
      const double gUp = (1.0 + h) * weighted(normalised(shifted(x, i, h)), up.lnphi);
      const double gDown = (1.0 - h) * weighted(normalised(shifted(x, i, -h)), down.lnphi);
      EXPECT_NEAR(f.lnphi[i], (gUp - gDown) / (2.0 * h), 2e-6) << i;
    }
    // H^r = -T sum x dln(phi)/dT; S^r = H^r - sum x ln(phi) - ln(P/P0) - sum x ln x.
    const Dn110 hr = dn110(comps, x, t, p, 2, phase, 1, k12);
    EXPECT_NEAR(hr.dep, -t * weighted(x, f.lnphiT), 1e-6 * (std::fabs(hr.dep) + 1.0));
    const Dn110 sr = dn110(comps, x, t, p, 3, phase, 0, k12);
    const double mixing = x[0] * std::log(x[0]) + x[1] * std::log(x[1]);
    EXPECT_NEAR(sr.dep, hr.dep - weighted(x, f.lnphi) - std::log(p / 101.325) - mixing, 1e-9);
    // dln(phi)/dP = (v_i - RT/P)/RT: the sum over x is (Z - 1)/P.
    EXPECT_NEAR(weighted(x, f.lnphiP), (f.z - 1.0) / p, 1e-6 * std::fabs((f.z - 1.0) / p));
    // The temperature derivative of H^r by its own difference.
    const Dn110 hot = dn110(comps, x, t + 0.05, p, 2, phase, 0, k12);
    const Dn110 cold = dn110(comps, x, t - 0.05, p, 2, phase, 0, k12);
    EXPECT_NEAR(hr.depT, (hot.dep - cold.dep) / 0.1, 1e-5 * (std::fabs(hr.depT) + 1e-3));
  }
}

}  // namespace
