// The phase check of the plain cubic's root and the pseudo-root made from an extrapolated
// pressure when the cubic has no root of the requested phase.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "thermo/pure/eos_internal.hpp"

namespace pure::eos_internal {
namespace {

// The slope dP/drho that a stable root must reach, over R T.
constexpr double kSlopeFraction = 0.1;
// Starts and limits of the search of the limiting density.
constexpr double kLiquidStartCritical = 0.4;
constexpr double kVapourStartFactor = 0.45;
constexpr int kVapourHalvings = 10;
constexpr int kNewtonPasses = 20;
constexpr double kDensityTolerance = 1e-6;
constexpr int kMaxRaises = 200;
// The liquid's logarithmic pressure is anchored at this fraction of the critical density.
constexpr double kLiquidAnchor = 0.7;

// The pressure of the cubic and its volume derivatives.
struct CubicPressure {
  double a, b, u1, u2, rt;

  double q(double v) const { return (v - u1 * b) * (v - u2 * b); }
  double pressure(double v) const { return rt / (v - b) - a / q(v); }
  double dPdV(double v) const {
    const double qq = q(v);
    const double dv = v - b;
    return a * (2.0 * v - (u1 + u2) * b) / (qq * qq) - rt / (dv * dv);
  }
  double d2PdV2(double v) const {
    const double qq = q(v);
    const double dv = v - b;
    const double w = 2.0 * v - (u1 + u2) * b;
    return 2.0 * rt / (dv * dv * dv) + a * (2.0 / (qq * qq) - 2.0 * w * w / (qq * qq * qq));
  }
  // dP/drho = -V^2 dP/dV and d2P/drho2 = V^3 (2 dP/dV + V d2P/dV2).
  double slope(double rho) const {
    const double v = 1.0 / rho;
    return -v * v * dPdV(v);
  }
  double curvature(double rho) const {
    const double v = 1.0 / rho;
    return v * v * v * (2.0 * dPdV(v) + v * d2PdV2(v));
  }
};

// Newton on dP/drho = target inside [lo, hi]; RISING tells on which side of the root the
// slope is above the target (the liquid: above it at higher densities).
double limitingDensity(const CubicPressure& cp, double rho, double lo, double hi, double target,
                       bool rising) {
  for (int pass = 0; pass < kNewtonPasses; ++pass) {
    const double excess = cp.slope(rho) - target;
    if ((excess > 0.0) == rising) {
      hi = rho;
    } else {
      lo = rho;
    }
    const double second = cp.curvature(rho);
    if (second == 0.0) break;
    const double delta = -excess / second;
    double next = rho + delta;
    if (next > hi) next = 0.5 * (hi + rho);
    if (next < lo) next = 0.5 * (lo + rho);
    const bool done = std::fabs(delta / rho) <= kDensityTolerance;
    rho = next;
    if (done) break;
  }
  return rho;
}

}  // namespace

PseudoRoot pseudoRoot(double z, std::int32_t phase, Family family, double a, double b, double u1,
                      double u2, double rt, double p) {
  PseudoRoot result;
  const double omegaB = criticalCovolume(family);
  if (omegaB <= 0.0 || b <= 0.0) return result;
  const CubicPressure cp{a, b, u1, u2, rt};
  // Pseudo-critical volume and densities of the mixture.
  const double vc = b * (1.0 / omegaB + 1.0 + u1 + u2) / 3.0;
  const double rhoC = 1.0 / vc;
  const double rhoMax = 1.0 / b;
  const double v = z * rt / p;
  const bool vapour = phase == 1;
  const bool wrongSide = (!vapour && v > vc) || (vapour && v < vc && cp.dPdV(vc) > 0.0);
  const bool unstable = cp.dPdV(v) > -kSlopeFraction * rt / (v * v);
  if (!wrongSide && !unstable) return result;

  // The limiting density rho*, where dP/drho reaches the target g*.
  double target = kSlopeFraction * rt;
  double rho = 0.0;
  if (!vapour) {
    target = std::max(cp.slope(rhoC), target);
    rho = kLiquidStartCritical * rhoC + (1.0 - kLiquidStartCritical) * rhoMax;
    for (int k = 0; k < kMaxRaises && cp.slope(rho) < target; ++k) rho = 0.5 * (rhoMax + rho);
    rho = limitingDensity(cp, rho, rhoC, rhoMax, target, true);
  } else {
    rho = kVapourStartFactor * rt / a;
    bool concave = false;
    for (int k = 0; k < kVapourHalvings; ++k) {
      if (cp.curvature(rho) < 0.0) {
        concave = true;
        break;
      }
      if (k + 1 < kVapourHalvings) rho *= 0.5;
    }
    if (!concave) return result;
    rho = limitingDensity(cp, rho, 0.0, rhoC, target, false);
  }
  const double rhoStar = rho;
  const double pStar = cp.pressure(1.0 / rhoStar);

  double rhoRoot = 0.0;
  if (!vapour) {
    // P(rho) = P* + k ln((rho - rho0)/(rho* - rho0)) below rho*, k = g* (rho* - rho0).
    if (!(pStar > 0.0)) return result;
    const double rho0 = kLiquidAnchor * rhoC;
    const double k = target * (rhoStar - rho0);
    rhoRoot = rho0 + std::exp((p - pStar + k * std::log(rhoStar - rho0)) / k);
    result.lnCorrection = std::log(pStar / p);
  } else {
    // 1/P = 1/P* - dd (rho - rho*) + c (rho - rho*)^2, zero at rho_m = (rho_c + rho*)/2.
    const double rhoM = 0.5 * (rhoC + rhoStar);
    const double h = rhoM - rhoStar;
    const double c = (target * h - pStar) / ((pStar * h) * (pStar * h));
    const double dd = target / (pStar * pStar);
    const double kk = ((2.0 * rhoStar - rhoM) * c + dd) * rhoM;
    const double sp = -(2.0 * c * rhoStar + dd) / c;
    const double disc = sp * sp - 4.0 * (kk - 1.0 / p) / c;
    if (!(disc >= 0.0)) return result;
    const double r = std::sqrt(disc);
    const double candidates[2] = {-(sp + r) / 2.0, -(sp - r) / 2.0};
    bool found = false;
    for (const double cand : candidates) {
      if (cand > rhoStar && cand < rhoM) {
        rhoRoot = cand;
        found = true;
        break;
      }
    }
    if (!found) return result;
  }
  if (!(rhoRoot > 0.0) || !std::isfinite(rhoRoot)) {
    result.lnCorrection = 0.0;
    return result;
  }
  result.made = true;
  result.z = p / (rhoRoot * rt);
  return result;
}

}  // namespace pure::eos_internal
