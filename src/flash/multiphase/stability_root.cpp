// The compressibility root of the stability test's cubic (STZROT) with ln(phi) and its
// composition derivatives.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "flash/multiphase/stability.hpp"
#include "services/services.hpp"

namespace multiphase {

StabilityFugacities STBFUG;

namespace {

constexpr double kR = services::kGasConstant;
constexpr double kLowestPressure = 1.0e-6;  // kPa: a vapour there is ideal
constexpr double kZeroResidual = 1.0e-20;
constexpr double kRelativeStep = 1.0e-10;
constexpr double kAcceleration = 0.01;     // relative step below which the accelerated phase runs
constexpr std::int32_t kPhaseSteps = 200;  // cap of each search phase
constexpr std::int32_t kNoAttractionSteps = 50;

// The cubic f(Z) = Z^3 + c2 Z^2 + c1 Z + c0 and its slope.
struct Cubic {
  double c2, c1, c0;
  double f(double z) const { return ((z + c2) * z + c1) * z + c0; }
  double slope(double z) const { return (3.0 * z + 2.0 * c2) * z + c1; }
};

// Root without attraction: Newton from the first point above B + 1 where the slope exceeds
// 0.5.
double rootWithoutAttraction(const Cubic& c, double bb) {
  double z = bb + 1.0;
  for (std::int32_t k = 0; k < 1000 && c.slope(z) <= 0.5; ++k) z += 0.1;
  const double tol = (bb + 1.0) * kRelativeStep;
  for (std::int32_t k = 0; k < kNoAttractionSteps; ++k) {
    const double dz = c.f(z) / c.slope(z);
    if (!std::isfinite(dz) || std::abs(dz) <= tol || std::abs((z - dz) - z) <= tol) break;
    z -= dz;
    if (std::abs(dz / z) <= kRelativeStep) break;
  }
  return z;
}

// One root inside the bracket [lower, upper] from Z0: bracketed Newton steps while the slope
// is negative or the relative step above 1 %, then accelerated (Halley-like) steps.
double bracketedRoot(const Cubic& c, double z, double lower, double upper) {
  bool newtonPhase = true;
  for (std::int32_t k = 0; k < kPhaseSteps && newtonPhase; ++k) {
    const double f = c.f(z);
    if (std::abs(f) <= kZeroResidual) return z;
    (f > 0.0 ? upper : lower) = z;
    const double fp = c.slope(z);
    const double tol = z * kRelativeStep;
    double next = 0.5 * (lower + upper);
    if (fp > 0.0) {
      const double dz = f / fp;
      if (std::abs(dz) <= tol) return z;
      next = std::clamp(z - dz, lower, upper);
    }
    if (!std::isfinite(next)) next = 0.5 * (lower + upper);
    if (std::abs(next - z) <= tol) return z;
    const double step = z - next;
    z = next;
    newtonPhase = fp < 0.0 || std::abs(step / z) > kAcceleration;
  }
  for (std::int32_t k = 0; k < kPhaseSteps; ++k) {
    const double f = c.f(z);
    if (std::abs(f) <= kZeroResidual) return z;
    (f > 0.0 ? upper : lower) = z;
    const double fp = c.slope(z);
    const double delta = f / fp;
    const double dz = delta * (1.0 + (c.c2 + 3.0 * z) * delta / fp);
    const double tol = z * kRelativeStep;
    if (std::abs(dz) <= tol) return z;
    double next = z - dz;
    if (!std::isfinite(next)) {
      next = 0.5 * (lower + upper);
    } else if (next <= lower) {
      next = 0.5 * (z + lower);
    } else if (next >= upper) {
      next = 0.5 * (z + upper);
    }
    if (std::abs(next - z) <= tol) return z;
    z = next;
  }
  return z;
}

// The root of the selector among up to three real roots.
double chooseRoot(const Cubic& c, double aa, double bb, std::int32_t phase) {
  if (aa <= 0.0) return rootWithoutAttraction(c, bb);
  // D < 0: three distinct real roots.
  const double disc =
      (27.0 * c.c0 - (2.0 * (4.0 * c.c1 - c.c2 * c.c2) + c.c1) * 2.0 * c.c2) * c.c0 +
      c.c1 * c.c1 * (4.0 * c.c1 - c.c2 * c.c2);
  double lower = bb * 1.0000000001, upper = (bb + 1.0) * 0.9999999999;
  const double fb = c.f(bb);
  double z0 = 0.0;
  if (disc <= 0.0) {
    z0 = (bb + 1.0) - aa / (aa - fb);
  } else {
    const double zi = -c.c2 / 3.0;
    if (zi < bb || zi > bb + 1.0) {
      z0 = 0.5 * (lower + upper);
    } else {
      const double fi = c.f(zi);
      if (fi == 0.0) return zi;
      if (fi < 0.0) {
        lower = zi;
        z0 = (bb + 1.0) - aa / ((aa - fi) / ((bb + 1.0) - zi));
      } else {
        upper = zi;
        z0 = bb - fb / ((fi - fb) / (zi - bb));
      }
    }
  }
  if (!std::isfinite(z0)) z0 = 0.5 * (lower + upper);
  const double z1 = bracketedRoot(c, z0, lower, upper);
  if (!(disc < 0.0)) return z1;
  // The other two roots by deflation.
  const double pp = z1 + c.c2;
  const double q = services::RELCM2(z1, 0.0) == 0 ? 0.0 : -c.c0 / z1;
  const double e = pp * pp - 4.0 * q;
  double z2 = z1, z3 = z1;
  if (!(std::abs(e) < kZeroResidual) && e > 0.0) {
    const double r = std::copysign(std::sqrt(e), pp);
    z2 = -(pp + r) / 2.0;
    z3 = services::RELCM2(z2, 0.0) == 0 ? 0.0 : q / z2;
  }
  if (phase == kVapourRoot) {
    double z = bb;
    for (const double r : {z1, z2, z3}) {
      if (r > z && r > bb && r <= bb + 1.0) z = r;
    }
    return z;
  }
  double z = bb + 1.0;
  for (const double r : {z1, z2, z3}) {
    if (r < z && r >= bb && r < bb + 1.0) z = r;
  }
  return z;
}

}  // namespace

void STZROT(double a, double b, std::span<const double> bi, std::span<const double> d,
            const Matrix50& aij, double s1, double s2, double t, double p, std::int32_t phase,
            std::int32_t level, std::int32_t n, double& z, std::span<double> lnphi) {
  ++THMISC.rootEvaluations;
  const auto nn = static_cast<std::size_t>(std::clamp(n, 0, kStabilityComponents));
  const double rt = kR * t;
  const double aa = a * p / (rt * rt);
  const double bb = b * p / rt;
  const double u = s1 + s2, w = s1 * s2;
  const Cubic c{-1.0 - bb * (1.0 + u), aa + u * bb + (u + w) * bb * bb,
                -(aa * bb + w * bb * bb * (1.0 + bb))};

  // The root.
  if (p <= kLowestPressure && phase == kVapourRoot) {
    z = 1.0;
  } else {
    z = chooseRoot(c, aa, bb, phase);
  }

  // ln(phi_i) = L d_i/a + L - ln(Z - B) + (Z - 1 - L) b_i/b.
  const double zb = z - bb > 0.0 ? z - bb : 1.0e-20;
  const bool vanDerWaals = std::abs(u) < 1.0e-5 && std::abs(w) < 1.0e-5;
  const double e1 = z - s1 * bb, e2 = z - s2 * bb;
  const double l = vanDerWaals ? -aa / z : (aa / bb) / (s1 - s2) * std::log(e1 / e2);
  const double lnzb = std::log(zb);
  for (std::size_t i = 0; i < nn; ++i) {
    const double v = l * d[i] / a + l - lnzb + (z - 1.0 - l) * bi[i] / b;
    lnphi[i] = v;
    STBFUG.lnphi[i] = v;
  }
  if (level < kCompositionLevel) return;

  // Composition derivatives for one mole, by the chain rule through A, B, Z and the
  // component ratios q_i = abar_i/a (abar_i = d_i + a) and r_i = b_i/b:
  //   ln phi_i = L (q_i - r_i) + r_i (Z - 1) - ln(Z - B)
  //   dA/dn_j = (abar_j - 2a) P/(RT)^2, dB/dn_j = (b_j - b) P/(RT),
  //   dabar_i/dn_j = 2 a_ij - abar_i, dZ/dn_j = -(f_A dA + f_B dB)/f_Z.
  const double fa = z - bb;
  const double fbb =
      -(1.0 + u) * z * z + (u + 2.0 * (u + w) * bb) * z - (aa + w * (2.0 * bb + 3.0 * bb * bb));
  const double fz = c.slope(z);
  double la = 0.0, lz = 0.0, lb = 0.0;
  if (vanDerWaals) {
    la = -1.0 / z;
    lz = aa / (z * z);
  } else {
    la = l / aa;
    lz = aa / (e1 * e2);
    lb = -l / bb - aa * z / (bb * e1 * e2);
  }
  const double pa = p / (rt * rt), pb = p / rt;
  std::array<double, kLda> da{}, db{}, dz{}, dl{};
  for (std::size_t j = 0; j < nn; ++j) {
    da[j] = (d[j] + a - 2.0 * a) * pa;
    db[j] = (bi[j] - b) * pb;
    dz[j] = -(fa * da[j] + fbb * db[j]) / fz;
    dl[j] = lz * dz[j] + la * da[j] + lb * db[j];
  }
  for (std::size_t i = 0; i < nn; ++i) {
    const double abari = d[i] + a;
    const double qi = abari / a, ri = bi[i] / b;
    for (std::size_t j = 0; j < nn; ++j) {
      const double dabar = 2.0 * aij(i, j) - abari;
      const double damix = d[j] + a - 2.0 * a;
      const double dq = dabar / a - abari * damix / (a * a);
      const double dr = -bi[i] * (bi[j] - b) / (b * b);
      STBFUG.m(i, j) =
          (qi - ri) * dl[j] + l * (dq - dr) + dr * (z - 1.0) + ri * dz[j] - (dz[j] - db[j]) / zb;
    }
  }
  // Symmetric by construction; store the mean so that rounding leaves it exactly so.
  for (std::size_t i = 0; i < nn; ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      const double mean = 0.5 * (STBFUG.m(i, j) + STBFUG.m(j, i));
      STBFUG.m(i, j) = mean;
      STBFUG.m(j, i) = mean;
    }
  }
}

}  // namespace multiphase
