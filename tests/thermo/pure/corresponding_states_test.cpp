// Corresponding states: the pseudo-critical mixing rules (pure limits and hand-computed
// mixtures), the Lee-Kesler mixing rule's component fugacities, and the corresponding-states
// kernel against the Lee-Kesler equation solved here.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "density_blocks.hpp"
#include "density_support.hpp"
#include "services/services.hpp"
#include "support/test_support.hpp"
#include "thermo/pure/pure.hpp"

namespace {

using namespace density_test;

constexpr double kR = 8.314471;

// ---------------------------------------------------------------------------------------
// Pseudo-critical rules
// ---------------------------------------------------------------------------------------

struct Pseudo {
  double tcm = 0.0, pcm = 0.0, vcm = 0.0;
};

// Every rule on the columns of the components; for PCMIX1 the critical volume column is made
// consistent with Zc (Vc = R Zc Tc/Pc).
Pseudo rule(std::int32_t code, const std::vector<Species>& comps, const std::vector<double>& x,
            double p = 3000.0, double t = 350.0) {
  const auto n = static_cast<std::int32_t>(comps.size());
  std::vector<double> tc, pc, c4, c5, c6;
  double omegam = 0.0;
  for (std::size_t i = 0; i < comps.size(); ++i) {
    const Species& s = comps[i];
    tc.push_back(s.tc);
    pc.push_back(s.pc);
    omegam += x[i] * s.omega;
    const double vc = kR * s.zc * s.tc / s.pc;
    c4.push_back(code == 214 ? std::sqrt(s.pc) : code == 203 ? std::sqrt(s.tc) : vc);
    c5.push_back(code == 214 ? std::cbrt(s.tc / s.pc) : code == 203 ? std::cbrt(s.vc) : s.zc);
    c6.push_back(std::cbrt(vc));
  }
  Pseudo r;
  double jm = 0.0;
  switch (code) {
    case 211:
      pure::XDOT2(n, pc, r.pcm, tc, r.tcm, x);
      break;
    case 212:
      pure::PCMIX1(n, pc, r.pcm, p, tc, r.tcm, t, c4, c6, r.vcm, x, c5);
      break;
    case 213:
      pure::PCMIX2(n, pc, r.pcm, tc, r.tcm, x);
      break;
    case 214:
      pure::PCMIX3(n, pc, r.pcm, c4, tc, r.tcm, jm, c5, x);
      break;
    case 203:
      pure::PCMXLK(n, omegam, r.pcm, tc, r.tcm, c4, c5, r.vcm, x);
      break;
    default:
      break;
  }
  return r;
}

TEST(PseudoCritical, PureComponentKeepsItsCriticalConstants) {
  for (std::int32_t code : {211, 212, 213, 214}) {
    SCOPED_TRACE(code);
    const Pseudo r = rule(code, {kButane, kPropane}, {1.0, 0.0});
    EXPECT_NEAR(r.tcm, kButane.tc, 1e-12 * kButane.tc);
    EXPECT_NEAR(r.pcm, kButane.pc, 1e-12 * kButane.pc);
  }
  // The Lee-Kesler rule: Tc and Vc, and its own Pc from Zc = 0.2905 - 0.085 omega.
  const Pseudo lk = rule(203, {kButane, kPropane}, {1.0, 0.0});
  EXPECT_NEAR(lk.tcm, kButane.tc, 1e-12 * kButane.tc);
  EXPECT_NEAR(lk.vcm, kButane.vc, 1e-12 * kButane.vc);
  EXPECT_NEAR(lk.pcm, (0.2905 - 0.085 * kButane.omega) * kR * kButane.tc / kButane.vc, 1e-9);
}

TEST(PseudoCritical, HandComputedBinaryOfMethaneAndButane) {
  // x = (0.3, 0.7) of methane (190.56 K, 4599 kPa) and n-butane (425.12 K, 3796 kPa).
  const std::vector<double> x = {0.3, 0.7};
  const std::vector<Species> comps = {kMethane, kButane};
  // Kay: 0.3 190.56 + 0.7 425.12 and 0.3 4599 + 0.7 3796.
  Pseudo r = rule(211, comps, x);
  EXPECT_NEAR(r.tcm, 354.752, 1e-9);
  EXPECT_NEAR(r.pcm, 4036.9, 1e-9);
  // Stewart-Burkhardt-Voo: K = 0.3 190.56/sqrt(4599) + 0.7 425.12/sqrt(3796) = 5.6730,
  // J = (J1 + 2 J2^2)/3 = 0.088419, Tc,m = K^2/J = 363.98 K.
  const double k = 0.3 * 190.56 / std::sqrt(4599.0) + 0.7 * 425.12 / std::sqrt(3796.0);
  const double j1 = 0.3 * 190.56 / 4599.0 + 0.7 * 425.12 / 3796.0;
  const double j2 = 0.3 * std::sqrt(190.56 / 4599.0) + 0.7 * std::sqrt(425.12 / 3796.0);
  const double j = (j1 + 2.0 * j2 * j2) / 3.0;
  r = rule(213, comps, x);
  EXPECT_NEAR(r.tcm, k * k / j, 1e-9);
  EXPECT_NEAR(r.pcm, k * k / (j * j), 1e-6);
  EXPECT_NEAR(r.tcm, 363.98, 0.01);  // worked by hand to five figures
  // Cube-root combining: J_m = (8 sum x^2 Tc/Pc + 2 x1 x2 (c1 + c2)^3)/8.
  const double c1 = std::cbrt(190.56 / 4599.0), c2 = std::cbrt(425.12 / 3796.0);
  const double jm = (8.0 * (0.09 * 190.56 / 4599.0 + 0.49 * 425.12 / 3796.0) +
                     2.0 * 0.21 * std::pow(c1 + c2, 3)) /
                    8.0;
  r = rule(214, comps, x);
  EXPECT_NEAR(r.tcm, k * k / jm, 1e-9);
  EXPECT_NEAR(r.pcm, k * k / (jm * jm), 1e-6);
  // Lee-Kesler: Vc,m = sum sum x x ((Vc_i^1/3 + Vc_j^1/3)/2)^3, Tc,m with sqrt(Tc_i Tc_j).
  const double v12 = std::pow((std::cbrt(0.0986) + std::cbrt(0.2550)) / 2.0, 3);
  const double vcm = 0.09 * 0.0986 + 0.49 * 0.2550 + 0.42 * v12;
  const double tcm =
      (0.09 * 0.0986 * 190.56 + 0.49 * 0.2550 * 425.12 + 0.42 * v12 * std::sqrt(190.56 * 425.12)) /
      vcm;
  r = rule(203, comps, x);
  EXPECT_NEAR(r.vcm, vcm, 1e-14);
  EXPECT_NEAR(r.tcm, tcm, 1e-9);
  const double omegam = 0.3 * 0.011 + 0.7 * 0.200;
  EXPECT_NEAR(r.pcm, (0.2905 - 0.085 * omegam) * kR * tcm / vcm, 1e-8);
}

TEST(PseudoCritical, VolumeRuleExponentLimits) {
  const std::vector<Species> comps = {kMethane, kButane};
  const std::vector<double> x = {0.3, 0.7};
  // At P = 0 the exponent is 2.2; at a high pressure it is 1, so Tc,m = S^2/Vc,m.
  for (double p : {0.0, 1.0e6}) {
    SCOPED_TRACE(p);
    const double n = p == 0.0 ? 2.2 : 1.0;
    double s = 0.0, w = 0.0;
    for (std::size_t i = 0; i < 2; ++i) {
      const Species& c = comps[i];
      const double vc = kR * c.zc * c.tc / c.pc;
      s += x[i] * std::sqrt(kR * c.zc * std::pow(c.tc, n + 1.0) / c.pc);
      w += 8.0 * x[i] * x[i] * vc;
    }
    const double c1 = std::cbrt(kR * comps[0].zc * comps[0].tc / comps[0].pc);
    const double c2 = std::cbrt(kR * comps[1].zc * comps[1].tc / comps[1].pc);
    w += 2.0 * x[0] * x[1] * std::pow(c1 + c2, 3);
    const Pseudo r = rule(212, comps, x, p, 350.0);
    EXPECT_NEAR(r.vcm, w / 8.0, 1e-14);
    EXPECT_NEAR(r.tcm, std::pow(s * s / (w / 8.0), 1.0 / n), 1e-9 * r.tcm);
  }
}

TEST(PseudoCritical, ThresholdOfTheKaySumsAndTheLeeKeslerDiagonal) {
  // A trace of 1e-10 is left out of the Kay sums of PCMIX1 (Z_K) and of the diagonal of
  // PCMXLK but counts in the cross terms as the earlier component.
  const std::vector<double> x = {1.0e-10, 1.0 - 1.0e-10};
  const std::vector<Species> comps = {kMethane, kButane};
  const Pseudo lk = rule(203, comps, x);
  const double v12 = std::pow((std::cbrt(kMethane.vc) + std::cbrt(kButane.vc)) / 2.0, 3);
  const double x2 = x[1];
  const double w = x2 * x2 * kButane.vc + 2.0 * x[0] * x2 * v12;
  EXPECT_NEAR(lk.vcm, w, 1e-16);
  const Pseudo kay = rule(212, comps, x, 3000.0, 350.0);
  const Pseudo pure = rule(212, {kButane}, {x2}, 3000.0, 350.0);
  EXPECT_NE(kay.vcm, pure.vcm);  // the cross term counts
}

TEST(LeeKeslerMixing, OneComponentAndEqualComponents) {
  const double eta = 0.25;
  const std::vector<double> vc = {0.25, 0.25};
  const std::vector<double> tv = {std::pow(0.25, eta) * 425.0, std::pow(0.25, eta) * 425.0};
  const std::vector<double> vcp = {0.25};
  const std::vector<double> tvp = {tv[0]};
  const std::vector<double> omega = {0.2, 0.2};
  double tcm = 0.0, pcm = 0.0, vcm = 0.0;
  pure::LKMXSM(1, vc, tv, vcp, tvp, eta, std::vector<double>{1.0}, tcm, pcm, 0.2, vcm);
  EXPECT_DOUBLE_EQ(vcm, 0.25);
  EXPECT_NEAR(tcm, 425.0, 1e-12);
  EXPECT_NEAR(pcm, (0.2905 - 0.017) * kR * 425.0 / 0.25, 1e-9);
  const std::array<double, 2> q0r{-0.3, -0.5};
  std::vector<double> out(2, 0.0);
  const double q = -0.3 + 0.2 * (-0.2) / 0.3978;
  pure::LKMIXR(1, vc, tv, vcp, tvp, eta, std::vector<double>{1.0}, tcm, 0.2, vcm, out, 0.7, 1.3,
               q0r, omega);
  EXPECT_NEAR(out[0], q, 1e-14);
  pure::LKMXSM(2, vc, tv, vcp, tvp, eta, std::vector<double>{0.4, 0.6}, tcm, pcm, 0.2, vcm);
  pure::LKMIXR(2, vc, tv, vcp, tvp, eta, std::vector<double>{0.4, 0.6}, tcm, 0.2, vcm, out, 0.7,
               1.3, q0r, omega);
  EXPECT_NEAR(out[0], q, 1e-13);
  EXPECT_NEAR(out[1], q, 1e-13);
  // omega_m = 0: the simple fluid.
  pure::LKMIXR(1, vc, tv, vcp, tvp, eta, std::vector<double>{1.0}, tcm, 0.0, vcm, out, 0.7, 1.3,
               q0r, std::vector<double>{0.0});
  EXPECT_DOUBLE_EQ(out[0], -0.3);
}

// ---------------------------------------------------------------------------------------
// The corresponding-states kernel
// ---------------------------------------------------------------------------------------

struct Kernel {
  double z = 0.0, departure = 0.0, departureT = 0.0;
  std::vector<double> lnphi, lnphiT;
  std::array<double, 6> pseudo{};
  std::int32_t failure = -1, phase = 0;
};

Kernel dncors(std::int32_t code, const std::vector<Species>& comps, const std::vector<double>& x,
              double t, double p, std::int32_t request, std::int32_t phase, bool brackets = true,
              std::int32_t derivative = 0) {
  static BlockData block;
  block = leeKeslerBlock(code, comps, brackets);
  Kernel k;
  k.lnphi.assign(comps.size(), 0.0);
  k.lnphiT.assign(comps.size(), 0.0);
  std::array<double, 2> z{-1.0, -1.0};
  pure::DNCORS(static_cast<std::int32_t>(comps.size()), -1, 0, derivative, request, phase, k.phase,
               p, t, x, block.reals, k.pseudo, z, k.departure, k.departureT, k.lnphi, k.lnphiT,
               k.failure, code);
  k.z = z[k.phase == 1 ? 0 : 1];
  return k;
}

// Z, ln(phi) and H^r/(R T) of the Lee-Kesler mixture at its reduced state, solved here.
struct LeeKesler {
  double z, lnphi, enthalpy;
};
LeeKesler leeKesler(double tr, double pr, double omega, bool liquid) {
  const auto one = [&](const std::vector<double>& f, double& lnphi, double& h) {
    const double v = leeKeslerVolume(f, tr, pr, liquid);
    const double z = leeKeslerZ(f, tr, v);
    const double b = f[0] - f[1] / tr - f[2] / (tr * tr) - f[3] / (tr * tr * tr);
    const double c = f[4] - f[5] / tr + f[6] / (tr * tr * tr);
    const double d = f[8] + f[9] / tr;
    const double g = f[11] / (v * v);
    const double e =
        f[7] / (2.0 * tr * tr * tr * f[11]) * (f[10] + 1.0 - (f[10] + 1.0 + g) * std::exp(-g));
    lnphi = z - 1.0 - std::log(z) + b / v + c / (2.0 * v * v) + d / (5.0 * std::pow(v, 5)) + e;
    h = z - 1.0 - (f[1] + 2.0 * f[2] / tr + 3.0 * f[3] / (tr * tr)) / (tr * v) -
        (f[5] - 3.0 * f[6] / (tr * tr)) / (2.0 * tr * v * v) + f[9] / (5.0 * tr * std::pow(v, 5)) +
        3.0 * e;
    return z;
  };
  double l0 = 0.0, h0 = 0.0, lr = 0.0, hr = 0.0;
  const double z0 = one(kLeeKeslerSimple, l0, h0);
  const double zr = one(kLeeKeslerReference, lr, hr);
  const double w = omega / 0.3978;
  return {z0 + w * (zr - z0), l0 + w * (lr - l0), h0 + w * (hr - h0)};
}

TEST(CorrespondingStates, CompressibilityAgreesWithTheLeeKeslerEquation) {
  const std::vector<Species> comps = {kPropane, kButane};
  const std::vector<double> x = {0.35, 0.65};
  struct Case {
    const char* label;
    double t, p;
    std::int32_t phase;
    bool brackets;
  };
  const Case cases[] = {{"liquid from the bracket rows", 300.0, 2000.0, 2, true},
                        {"liquid by search", 300.0, 2000.0, 2, false},
                        {"vapour by search", 360.0, 500.0, 1, false},
                        {"supercritical", 450.0, 6000.0, 1, false}};
  for (std::int32_t code : {211, 213, 203}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(code) + " " + c.label);
      const Kernel k = dncors(code, comps, x, c.t, c.p, 4, c.phase, c.brackets);
      ASSERT_EQ(k.failure, 0);
      const double tr = c.t / k.pseudo[0];
      const double pr = c.p / k.pseudo[1];
      const LeeKesler lk = leeKesler(tr, pr, k.pseudo[3], c.phase == 2);
      EXPECT_NEAR(k.z, lk.z, 2e-5 * lk.z);
      EXPECT_EQ(k.phase, pr >= 1.0 ? 2 : c.phase);
    }
  }
}

TEST(CorrespondingStates, SimpleFluidAndSingleRootAboveTheCriticalTemperature) {
  Species argonLike = kMethane;
  argonLike.omega = 0.0;
  const Kernel k = dncors(211, {argonLike}, {1.0}, 120.0, 1500.0, 4, 2);
  const LeeKesler lk = leeKesler(120.0 / argonLike.tc, 1500.0 / argonLike.pc, 0.0, true);
  EXPECT_NEAR(k.z, lk.z, 2e-5 * lk.z);
  // Above Tr 0.99999 the phase asked for does not matter.
  const Kernel vapour = dncors(211, {kPropane}, {1.0}, 400.0, 3000.0, 4, 1);
  const Kernel liquid = dncors(211, {kPropane}, {1.0}, 400.0, 3000.0, 4, 2);
  EXPECT_NEAR(vapour.z, liquid.z, 1e-5 * liquid.z);
  // At or above the pseudo-critical pressure any request but 1 takes the liquid.
  EXPECT_EQ(dncors(211, {kPropane}, {1.0}, 300.0, 5000.0, 4, 1).phase, 2);
}

TEST(CorrespondingStates, DeparturesAndComponentFugacities) {
  const std::vector<Species> comps = {kPropane, kButane};
  const std::vector<double> x = {0.35, 0.65};
  const double t = 300.0, p = 2000.0;
  // Request 1 (method 204): sum x ln(phi_i) is the mixture's ln(phi), and each ln(phi_i) is
  // n d(n ln(phi))/dn_i, by differences of the mixture value solved here.
  const Kernel k = dncors(204, comps, x, t, p, 1, 2, true, 1);
  ASSERT_EQ(k.failure, 0);
  const auto mixture = [&](const std::vector<double>& n) {
    const std::vector<double> y = normalised(n);
    const Kernel m = dncors(204, comps, y, t, p, 1, 2);
    const LeeKesler lk = leeKesler(t / m.pseudo[0], p / m.pseudo[1], m.pseudo[3], true);
    return lk.lnphi;
  };
  EXPECT_NEAR(weighted(x, k.lnphi), mixture(x), 2e-5);
  const double h = 1e-4;
  for (std::size_t i = 0; i < 2; ++i) {
    const double up = (1.0 + h) * mixture(shifted(x, i, h));
    const double down = (1.0 - h) * mixture(shifted(x, i, -h));
    EXPECT_NEAR(k.lnphi[i], (up - down) / (2.0 * h), 2e-4) << i;
  }
  // Request 2 is -T d(ln phi)/dT of the same state; request 3 is H^r - ln(phi) - ln(P/P0).
  const Kernel hr = dncors(204, comps, x, t, p, 2, 2, true, 1);
  const double dg = weighted(x, k.lnphiT);
  EXPECT_NEAR(hr.departure, -t * dg, 2e-3 * std::fabs(hr.departure));
  const Kernel sr = dncors(204, comps, x, t, p, 3, 2);
  EXPECT_NEAR(sr.departure, hr.departure - weighted(x, k.lnphi) - std::log(p / 101.325), 1e-9);
  // Temperature derivative of the enthalpy departure by its own difference.
  const Kernel hr2 = dncors(204, comps, x, t + 0.5, p, 2, 2);
  EXPECT_NEAR(hr.departureT, (hr2.departure - hr.departure) / 0.5, 2e-2 * std::fabs(hr.departureT));
}

TEST(CorrespondingStates, Failures) {
  // No mixing rule for the code, and component fugacities only for method 204.
  EXPECT_EQ(dncors(215, {kPropane}, {1.0}, 300.0, 2000.0, 4, 2).failure, 1);
  EXPECT_EQ(dncors(211, {kPropane}, {1.0}, 300.0, 2000.0, 1, 2).failure, 1);
}

}  // namespace
