// EOSZRA: the cubic root solver for a mixture with a component that forms hexamers, and
// TPOLY6, the monomer fraction of the monomer-hexamer equilibrium.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <span>

#include "services/services.hpp"
#include "thermo/pure/cubic_eos.hpp"
#include "thermo/pure/eos_internal.hpp"

namespace pure {
namespace {

using eos_internal::Jet;

constexpr const char* kName = "EOSZRA";
// log10 K6 = kAssociationEnergy/T + kAssociationEntropy, K6 in mmHg^-5.
constexpr double kAssociationEnergy = 8910.0;
constexpr double kAssociationEntropy = -43.65;
constexpr double kMmHgPerKPa = 760.0 / 101.325;
// d ln K6/dT = -kAssociationHeat/T^2.
constexpr double kAssociationHeat = kAssociationEnergy * std::numbers::ln10;
// Caps of the association group.
constexpr double kMaxDecimalExponent = 35.0;
constexpr double kMaxNaturalExponent = 85.19;
constexpr double kCappedConstant = 1e37;
constexpr double kCollapsedExponent = 20.0;  // -5 ln(Z - B) taken when Z <= B
// The outer iteration. Its tolerance is tight enough that Z and the equilibrium agree to
// rounding, so that the departures derived from both are consistent.
constexpr int kOuterPasses = 200;
constexpr double kOuterTolerance = 1e-10;
constexpr int kBracketAdjustments = 10;
constexpr double kStepTolerance = 1e-10;
constexpr double kMonomerTolerance = 1e-6;
constexpr double kIdealPressure = 1e-6;
constexpr double kTemperatureStep = 0.1;
constexpr double kSmallestFreeVolume = 1e-20;

// The state of one pass: the root, the equilibrium and the dimensionless parameters.
struct Pass {
  double z = 1.0;
  double zeta = 1.0;
  double y = 0.0;
  double ca = 0.0;  // A
  double cb = 0.0;  // B
  double lnG6 = 0.0;
  bool ideal = false;
  bool groupCapped = false;  // G6 at its cap: no temperature or pressure dependence
  bool frozen = false;       // K' at its cap: the equilibrium does not follow Z
};

// The cubic of the associating equation for A, B, zeta, s and p.
eos_internal::Cubic associatingCubic(double ca, double cb, double zeta, double s, double p) {
  eos_internal::Cubic c;
  c.a = ca;
  c.b = cb;
  c.c2 = -(zeta + (1.0 + s) * cb);
  c.c1 = (s * zeta + (s + p) * cb) * cb + ca;
  c.c0 = -(p * cb * (cb + zeta) + ca) * cb;
  c.upper = cb + zeta;
  c.fLower = (s - p - 1.0) * zeta * cb * cb;
  c.fUpper = ca * zeta;
  return c;
}

// Solves the cubic and the equilibrium together at temperature T with attraction A.
Pass solvePass(double t, double a, double b, double p, std::int32_t phase, double u1, double u2,
               bool associating, double y0) {
  Pass r;
  const double rt = services::kGasConstant * t;
  r.ca = a * p / (rt * rt);
  r.cb = b * p / rt;
  const double exponent =
      kAssociationEnergy / t + kAssociationEntropy + 5.0 * std::log10(p * kMmHgPerKPa);
  r.groupCapped = exponent > kMaxDecimalExponent;
  r.lnG6 = std::min(exponent, kMaxDecimalExponent) * std::numbers::ln10;
  r.y = y0;
  if (p <= kIdealPressure && phase == 1) {
    r.ideal = true;
    return r;
  }
  const double s = u1 + u2;
  const double pu = u1 * u2;
  double zg = phase == 1 ? r.cb + 1.0 : 1.1 * r.cb;
  zg = std::max(zg, 1e-4);
  int raised = 0;
  int lowered = 0;
  for (int pass = 0; pass < kOuterPasses; ++pass) {
    // The equilibrium at the trial Z: K' = G6/(Zg - B)^5.
    if (associating) {
      const double lnK =
          zg <= r.cb ? r.lnG6 + kCollapsedExponent : r.lnG6 - 5.0 * std::log(zg - r.cb);
      r.frozen = lnK > kMaxNaturalExponent;
      const double k = r.frozen ? kCappedConstant : std::exp(lnK);
      std::int32_t iterations = 0;
      TPOLY6(k, y0, kMonomerTolerance, r.y, iterations);
      r.zeta = (6.0 - 5.0 * y0) / (6.0 - 5.0 * r.y);
    }
    // Keep the trial Z inside (B, B + zeta).
    const double upper = r.cb + r.zeta;
    if (zg >= upper && raised < kBracketAdjustments) {
      ++raised;
      zg = std::max(std::pow(0.95, raised) * upper, r.cb * 1.0000000001);
      continue;
    }
    if (zg <= r.cb && lowered < kBracketAdjustments) {
      ++lowered;
      zg = std::min(std::pow(1.05, lowered) * r.cb, upper * 0.9999999999);
      continue;
    }
    const eos_internal::Cubic cubic = associatingCubic(r.ca, r.cb, r.zeta, s, pu);
    r.z = eos_internal::searchRoot(cubic, phase, kStepTolerance).z;
    if (!associating || std::fabs(r.z - zg) / zg <= kOuterTolerance) break;
    zg = r.z;
  }
  return r;
}

// ln phi_i of the pass with the attraction a and its component terms abar + shift abarT.
void fugacities(const Pass& r, double t, double a, double b, double u1, double u2,
                std::span<const double> abar, std::span<const double> abarT, double shift,
                std::span<const double> bbar, std::size_t n, std::size_t associating, double y0,
                std::span<double> lnphi) {
  const double z = r.z;
  const double zb = z - r.cb > 0.0 ? z - r.cb : kSmallestFreeVolume;
  const double l =
      eos_internal::attractionTerm(a / (b * services::kGasConstant * t), r.cb, z, u1, u2);
  for (std::size_t i = 0; i < n; ++i) {
    const double abarI = abar[i] + (shift != 0.0 ? shift * abarT[i] : 0.0);
    const double ai = a != 0.0 ? abarI / a : 0.0;
    const double bi = bbar[i] / b;
    lnphi[i] = bi * (z - r.zeta - l) + l * ai + l - std::log(zb);
    if (i + 1 == associating && y0 > 0.0 && r.y > 0.0) lnphi[i] += std::log(r.zeta * r.y / y0);
  }
}

// dZ/dX and dzeta/dX along the equilibrium for the explicit changes dA, dB of the cubic's
// parameters and dlnG of ln G6 with a variable X (temperature or pressure).
void equilibriumSlopes(const Pass& r, double s, double pu, bool associating, double y0, double dA,
                       double dB, double dlnG, double& dZ, double& dZeta) {
  const double z = r.z;
  const double cb = r.cb;
  const double q = z * z - s * cb * z + pu * cb * cb;
  const double free = z - cb - r.zeta;
  const double f1z = q + free * (2.0 * z - s * cb) + r.ca;
  const double f1b = -q + free * (-s * z + 2.0 * pu * cb) - r.ca;
  const double rhs1 = -((z - cb) * dA + f1b * dB);
  const double y = r.y;
  dZeta = 0.0;
  if (!associating || r.ideal || r.frozen || !(y0 - y > 1e-14 * y0) || !(y > 0.0)) {
    dZ = rhs1 / f1z;
    return;
  }
  // F2 = ln(y0 - y) + 5 ln(6 - 5y) - 6 ln y - ln G6 + 5 ln(Z - B) - 6 ln(6 - 5 y0).
  const double zetaY = 5.0 * r.zeta / (6.0 - 5.0 * y);
  const double f2y = -1.0 / (y0 - y) - 25.0 / (6.0 - 5.0 * y) - 6.0 / y;
  const double f2z = 5.0 / (z - cb);
  const double rhs2 = 5.0 / (z - cb) * dB + (r.groupCapped ? 0.0 : dlnG);
  const double f1y = -q * zetaY;
  const double det = f1z * f2y - f1y * f2z;
  dZ = (rhs1 * f2y - f1y * rhs2) / det;
  const double dy = (f1z * rhs2 - f2z * rhs1) / det;
  dZeta = zetaY * dy;
}

}  // namespace

void TPOLY6(double k, double c, double tol, double& y, std::int32_t& iterations) {
  constexpr int kMaxSteps = 100;
  iterations = 0;
  if (c <= 0.0) {
    y = 0.0;
    return;
  }
  if (k <= 0.0) {
    y = c;
    return;
  }
  // P(x) = c0 x^6 + ... + c6 = (c - x)(6 - 5x)^5 - 10^e x^6, 10^e = K (6 - 5c)^6 capped.
  const double e = std::min(6.0 * std::log10(6.0 - 5.0 * c) + std::log10(k), 37.0);
  const double coef[7] = {3125.0 - std::pow(10.0, e),
                          -3125.0 * (c + 6.0),
                          18750.0 * c + 45000.0,
                          -9000.0 * (5.0 * c + 6.0),
                          54000.0 * c + 32400.0,
                          -1296.0 * (25.0 * c + 6.0),
                          7776.0 * c};
  const double lk = std::log10(k);
  double x = 0.0;
  if (lk <= 0.0) {
    x = c;
  } else if (lk <= 10.0) {
    x = std::pow(10.0, -0.0356306 - (0.00670518 * lk + 0.0355264) * lk) * c;
  } else {
    x = std::pow(-coef[6] / coef[0], 1.0 / 6.0);
  }
  for (int step = 0; step < kMaxSteps; ++step) {
    double value = coef[0];
    double slope = 0.0;
    for (int m = 1; m < 7; ++m) {
      slope = slope * x + value;
      value = value * x + coef[m];
    }
    if (slope == 0.0) break;
    const double delta = value / slope;
    x -= delta;
    ++iterations;
    if (std::fabs(delta) < tol * c) break;
  }
  y = x;
}

void EOSZRA(double a, double aT, double aTT, std::span<const double> abar,
            std::span<const double> abarT, std::span<const double> /*abb*/, double b, double bT,
            double bTT, std::span<const double> bbar, std::span<const double> /*bbarT*/,
            std::span<const double> /*bbb*/, std::int32_t phase, std::int32_t level,
            std::int32_t nc, double p, double p0, double u1, double u2, double t, double& z,
            double& /*zT*/, double& /*zP*/, std::span<double> lnphi, std::span<double> lnphiT,
            std::span<double> /*lnphiP*/, std::span<double> /*lnphiN*/, double& hr, double& sr,
            double& cpr, double& cvr, double& cpcv, std::span<double> /*hrn*/,
            std::span<double> /*zdn*/, std::int32_t associating, double y0,
            std::span<const double> x) {
  const std::size_t n = nc > 0 ? static_cast<std::size_t>(nc) : 0;
  eos_internal::requireLength(abar, n, kName, "ABAR");
  eos_internal::requireLength(bbar, n, kName, "BBAR");
  eos_internal::requireLength(lnphi, n, kName, "LNPHI");
  eos_internal::requireLength(x, n, kName, "X");
  if (level >= 2) {
    eos_internal::requireLength(abarT, n, kName, "ABART");
    eos_internal::requireLength(lnphiT, n, kName, "LNPHIT");
  }
  const bool assoc = associating >= 1 && associating <= nc && y0 > 0.0;
  const auto position = assoc ? static_cast<std::size_t>(associating) : 0;

  // 1. At level 2 and above, first a pass at T' = T + dT with a and abar shifted linearly;
  //    ln phi(T') waits in lnphiT.
  const double dt = phase == 1 ? kTemperatureStep : -kTemperatureStep;
  if (level >= 2) {
    const double shiftedA = a + dt * aT;
    const Pass shifted = solvePass(t + dt, shiftedA, b, p, phase, u1, u2, assoc, y0);
    fugacities(shifted, t + dt, shiftedA, b, u1, u2, abar, abarT, dt, bbar, n, position, y0,
               lnphiT);
  }

  // 2-7. The pass at T.
  const Pass r = solvePass(t, a, b, p, phase, u1, u2, assoc, y0);
  z = r.z;
  fugacities(r, t, a, b, u1, u2, abar, abarT, 0.0, bbar, n, position, y0, lnphi);
  if (level < 2) return;

  // 8. The temperature derivatives of ln phi over the step.
  double g = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    lnphiT[i] = (lnphiT[i] - lnphi[i]) / dt;
    g += x[i] * lnphi[i];
  }

  // 9. Departures. Per apparent mole, relative to the ideal gas of monomers:
  //    H^r/RT = Z - zeta + L (1 - T(aT/a - bT/b)) - T (bT/b)(zeta B/(Z - B) - Z A/q)
  //             - (1 - zeta) kAssociationHeat/(5 T),
  //    the last term the heat of hexamer formation. S^r/R = H^r/RT - G, measured from the
  //    ideal gas at p0.
  const double s = u1 + u2;
  const double pu = u1 * u2;
  double dZ = 0.0, dZeta = 0.0;
  if (!r.ideal) {
    const double dA = r.ca * ((a != 0.0 ? aT / a : 0.0) - 2.0 / t);
    const double dB = r.cb * (bT / b - 1.0 / t);
    equilibriumSlopes(r, s, pu, assoc, y0, dA, dB, -kAssociationHeat / (t * t), dZ, dZeta);
  }
  const Jet tj{t, 1.0, 0.0};
  const Jet aj{a, aT, 0.0};
  const Jet bj{b, bT, 0.0};
  const Jet aTj{aT, aTT, 0.0};
  const Jet bTj{bT, bTT, 0.0};
  const Jet zj{r.z, dZ, 0.0};
  const Jet zetaj{r.zeta, dZeta, 0.0};
  const Jet rt = services::kGasConstant * tj;
  const Jet ca = aj * p / (rt * rt);
  const Jet cb = bj * p / rt;
  const Jet l = eos_internal::attractionTerm(aj / (bj * rt), cb, zj, u1, u2);
  const Jet aTp = a != 0.0 ? aTj / aj : Jet{};
  const Jet bTp = bTj / bj;
  const Jet q = (zj - u1 * cb) * (zj - u2 * cb);
  const Jet h = zj - zetaj + l * (1.0 - tj * (aTp - bTp)) -
                tj * bTp * (zetaj * cb / (zj - cb) - zj * ca / q) -
                (1.0 - zetaj) * kAssociationHeat / (5.0 * tj);
  hr = h.v;
  sr = hr - g + std::log(p0 / p);
  if (level < 3) return;

  // 10. Heat capacities: Cp^r = d(T H^r)/dT along the equilibrium; Cp - Cv from the
  //     identity Cp - Cv = -T (dV/dT)_P^2/(dV/dP)_T, with V = Z R T/P.
  cpr = h.v + t * h.d;
  if (r.ideal) {
    cpcv = 1.0;
  } else {
    const double dAp = r.ca / p;
    const double dBp = r.cb / p;
    double dZp = 0.0, dZetaP = 0.0;
    equilibriumSlopes(r, s, pu, assoc, y0, dAp, dBp, 5.0 / p, dZp, dZetaP);
    cpcv = (r.z + t * dZ) * (r.z + t * dZ) / (r.z - p * dZp);
  }
  cvr = cpr - cpcv + 1.0;
}

}  // namespace pure
