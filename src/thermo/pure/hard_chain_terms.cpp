// Kernels of the hard-sphere-chain equations of state: the temperature-dependent pair terms
// (HCEOSA, HCEOSB), the density residuals in the packing fraction (HCDNFA, HCDNFB), Muller's
// root finder with deflation (RTBRKT) and the root of a phase (HCROOT).
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "services/services.hpp"
#include "thermo/pure/eos_internal.hpp"
#include "thermo/pure/hard_chain.hpp"
#include "thermo/pure/hard_chain_internal.hpp"

namespace pure {

HardChainRoots HCSTAT;

namespace {

const bool kHCSTATReset = services::registerKeptValues([] { HCSTAT = {}; });

using eos_internal::Jet;
using hard_chain::kOneThird;
using hard_chain::kTwoThirds;
using hard_chain::pairAt;
using hard_chain::single;

// Segment-diameter factor of PHCT1: D = 1 - 0.12 exp(-3 E/theta).
constexpr double kDiameterFactor = 0.12;

// Temperature functions of PHCT2.
constexpr double kFb1 = single(0.7303f), kFb2 = single(0.1649f);
constexpr double kFb3 = single(0.2697f), kFb4 = single(2.3973f);
constexpr double kFa1 = single(1.8681f), kFa2 = single(0.0619f);
constexpr double kFa3 = single(0.6715f), kFa4 = single(1.7317f);

// Muller's method.
constexpr double kAcceptResidual = 1e-5;
constexpr double kAcceptStep = 1e-5;
constexpr double kNearFound = 1e-5;
constexpr double kNudge = 0.01;
constexpr int kMaxSteps = 499;

// HCROOT.
constexpr double kVapourStart = 1e-6;
constexpr double kLiquidStart = 0.45;
constexpr double kVapourDefault = 1e-4;
constexpr double kSameRoot = 1e-4;
constexpr double kHighPressure = 0.5;

std::size_t count(std::int32_t nc) { return static_cast<std::size_t>(nc > 0 ? nc : 0); }

void checkPairs(std::string_view routine, std::size_t ns,
                std::initializer_list<std::span<const double>> arrays) {
  for (std::span<const double> a : arrays) eos_internal::requireLength(a, ns, routine, "PAIRS");
}

// The unlike covolumes from the diagonal ones: b_ij = (beta_i + beta_j)^3/8 with beta =
// b^(1/3), and their scaled derivatives.
void combineCovolumes(std::size_t n, std::span<double> b, std::span<double> bT,
                      std::span<double> bTT) {
  using hard_chain::kFiveThirds;
  using hard_chain::kOneTwelfth;
  for (std::size_t j = 1; j < n; ++j) {
    for (std::size_t i = 0; i < j; ++i) {
      const std::size_t ii = pairAt(i, i);
      const std::size_t jj = pairAt(j, j);
      const double bi = std::pow(b[ii], kOneThird);
      const double bj = std::pow(b[jj], kOneThird);
      const double bi2 = std::pow(b[ii], kTwoThirds);
      const double bj2 = std::pow(b[jj], kTwoThirds);
      const double bi5 = std::pow(b[ii], kFiveThirds);
      const double bj5 = std::pow(b[jj], kFiveThirds);
      const double s = bi + bj;
      const double first = bT[ii] / bi2 + bT[jj] / bj2;
      const std::size_t k = pairAt(i, j);
      b[k] = s * s * s / 8.0;
      bT[k] = s * s * first / 8.0;
      bTT[k] = s * s * (bTT[ii] / bi2 + bTT[jj] / bj2) / 8.0 + s * first * first * kOneTwelfth -
               s * s * (bT[ii] * bT[ii] / bi5 + bT[jj] * bT[jj] / bj5) * kOneTwelfth;
    }
  }
}

// The values of the packed residual vector.
struct Packed {
  double theta, pressure;
  std::size_t n, m;
  std::span<const double> x, s, b, e, sigma;
};
Packed unpack(std::span<const double> v, std::size_t pairArrays) {
  Packed p{};
  p.theta = v[0];
  p.pressure = v[1];
  p.n = static_cast<std::size_t>(v[2]);
  p.m = static_cast<std::size_t>(v[3]);
  eos_internal::requireLength(v, 4 + 2 * p.n + pairArrays * p.m, "HCDNF", "V");
  p.x = v.subspan(4, p.n);
  p.s = v.subspan(4 + p.n, p.n);
  p.b = v.subspan(4 + 2 * p.n, p.m);
  p.e = v.subspan(4 + 2 * p.n + p.m, p.m);
  if (pairArrays > 2) p.sigma = v.subspan(4 + 2 * p.n + 2 * p.m, p.m);
  return p;
}

// The hard-sphere mixture sums and the contact values of the two residuals.
struct HardSpheres {
  double s1 = 0.0, s2 = 0.0, s3 = 0.0, rho = 0.0, zeta = 0.0, w = 0.0;
  double g(const Packed& p, std::size_t i, std::size_t j) const {
    const double c =
        std::pow(p.b[pairAt(i, i)] * p.b[pairAt(j, j)] / p.b[pairAt(i, j)], kOneThird) * zeta;
    return 1.0 / w + 1.5 * c / (w * w) + 0.5 * c * c / (w * w * w);
  }
  double contact(const Packed& p, std::size_t i) const {
    return std::pow(p.b[pairAt(i, i)], kOneThird) * zeta;
  }
};
HardSpheres hardSpheres(const Packed& p, double eta) {
  HardSpheres h;
  for (std::size_t i = 0; i < p.n; ++i) {
    const double bi = p.b[pairAt(i, i)];
    h.s1 += p.x[i] * p.s[i] * bi;
    h.s2 += p.x[i] * p.s[i] * std::pow(bi, kTwoThirds);
    h.s3 += p.x[i] * p.s[i];
  }
  h.rho = 4.0 * eta / h.s1;
  h.zeta = eta * h.s2 / h.s1;
  h.w = 1.0 - eta;
  return h;
}

}  // namespace

void HCEOSA(double theta, std::int32_t nc, std::span<const double> eps,
            std::span<const double> sigma, std::span<const double> c, std::span<double> b,
            std::span<double> bT, std::span<double> bTT, std::span<double> f, std::span<double> fT,
            std::span<double> fTT) {
  const std::size_t n = count(nc);
  const std::size_t ns = hard_chain::pairsWithDiagonal(nc);
  checkPairs("HCEOSA", ns, {eps, sigma, b, bT, bTT, f, fT, fTT});
  eos_internal::requireLength(c, n, "HCEOSA", "KAPPA");

  // 1. Segment energies of every pair, differentiated through theta.
  const Jet th{theta, 1.0, 0.0};
  for (std::size_t j = 0; j < n; ++j) {
    for (std::size_t i = 0; i <= j; ++i) {
      const std::size_t k = pairAt(i, j);
      const Jet u = (eps[k] / th) * eos_internal::sqrt((1.0 + c[i] / th) * (1.0 + c[j] / th));
      f[k] = u.v;
      fT[k] = theta * u.d;
      fTT[k] = theta * theta * u.dd;
    }
  }
  // 2. Covolumes of the components.
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t k = pairAt(i, i);
    const double x = 3.0 * eps[k] / theta;
    const double ex = std::exp(-x);
    const double d = 1.0 - kDiameterFactor * ex;
    const double d1 = -kDiameterFactor * x * ex;
    const double d2 = (x - 2.0) * d1;
    const double v = hard_chain::kTwoPiOverThree * sigma[k] * sigma[k] * sigma[k];
    b[k] = v * d * d * d;
    bT[k] = 3.0 * v * d * d * d1;
    bTT[k] = 3.0 * v * d * (d * d2 + 2.0 * d1 * d1);
  }
  // 3. Unlike covolumes.
  combineCovolumes(n, b, bT, bTT);
}

void HCEOSB(double theta, std::int32_t nc, std::span<const double> eps,
            std::span<const double> sigma, std::span<double> b, std::span<double> bT,
            std::span<double> bTT, std::span<double> a, std::span<double> aT,
            std::span<double> aTT) {
  const std::size_t n = count(nc);
  const std::size_t ns = hard_chain::pairsWithDiagonal(nc);
  checkPairs("HCEOSB", ns, {eps, sigma, b, bT, bTT, a, aT, aTT});
  for (std::size_t j = 0; j < n; ++j) {
    for (std::size_t i = 0; i <= j; ++i) {
      const std::size_t k = pairAt(i, j);
      const double v = hard_chain::kTwoPiOverThree * sigma[k] * sigma[k] * sigma[k];
      const Jet t{theta / eps[k], 1.0 / eps[k], 0.0};  // T* in theta
      const Jet t15 = eos_internal::pow(t, 1.5);
      // 1. Covolume of a component.
      if (i == j) {
        const Jet fb = kFb1 * eos_internal::exp(-kFb2 * eos_internal::sqrt(t)) +
                       kFb3 * eos_internal::exp(-kFb4 * t15);
        b[k] = v * fb.v;
        bT[k] = v * theta * fb.d;
        bTT[k] = v * theta * theta * fb.dd;
      }
      // 2. Attraction of every pair.
      const Jet fa =
          (kFa1 * eos_internal::exp(-kFa2 * t) + kFa3 * eos_internal::exp(-kFa4 * t15)) / t;
      a[k] = v * fa.v;
      aT[k] = v * theta * fa.d;
      aTT[k] = v * theta * theta * fa.dd;
    }
  }
  combineCovolumes(n, b, bT, bTT);
}

double HCDNFA(double eta, std::span<const double> v) {
  const Packed p = unpack(v, 3);
  const HardSpheres h = hardSpheres(p, eta);
  const double w = h.w;
  // Chain, hard-sphere and attraction terms.
  double chain = 0.0;
  double hard = 0.0;
  double num = 0.0;
  double den = 0.0;
  for (std::size_t i = 0; i < p.n; ++i) {
    const double g = h.contact(p, i);
    const double gii = 1.0 / w + 1.5 * g / (w * w) + 0.5 * g * g / (w * w * w);
    const double dgG = 1.5 / (w * w) + g / (w * w * w);
    const double dgEta = 1.0 / (w * w) + 3.0 * g / (w * w * w) + 1.5 * g * g / (w * w * w * w);
    chain += (p.s[i] - 1.0) * p.x[i] * (g * dgG + eta * dgEta) / gii;
    for (std::size_t j = 0; j < p.n; ++j) {
      const std::size_t k = pairAt(i, j);
      const double xx = p.x[i] * p.x[j] * p.s[i] * p.s[j];
      hard += xx * p.b[k] * h.g(p, i, j);
      const double s3 = p.sigma[k] * p.sigma[k] * p.sigma[k];
      num += xx * p.e[k] * s3;
      den += xx * s3;
    }
  }
  hard *= h.rho;
  const double ebar = num / den;
  const double reduced = eta / kClosePacking;
  double attraction = 0.0;
  for (std::size_t m = 0; m < hard_chain::kTerms.size(); ++m) {
    for (std::size_t k = 0; k < hard_chain::kTerms[m]; ++k) {
      attraction += static_cast<double>(k + 1) * hard_chain::kDispersion[m][k] *
                    std::pow(reduced, static_cast<double>(k + 1)) *
                    std::pow(ebar, static_cast<double>(m + 1));
    }
  }
  attraction *= h.s3;
  const double z = 1.0 - chain + hard + attraction;
  return p.pressure - h.rho * p.theta * z;
}

double HCDNFB(double eta, std::span<const double> v) {
  const Packed p = unpack(v, 2);
  const HardSpheres h = hardSpheres(p, eta);
  double chain = 0.0;
  double pairs = 0.0;
  for (std::size_t i = 0; i < p.n; ++i) {
    chain += p.x[i] * (p.s[i] - 1.0) * (h.g(p, i, i) - 1.0);
    for (std::size_t j = 0; j < p.n; ++j) {
      const std::size_t k = pairAt(i, j);
      pairs += p.x[i] * p.x[j] * p.s[i] * p.s[j] * (p.b[k] * h.g(p, i, j) - p.e[k]);
    }
  }
  const double z = 1.0 - chain + h.rho * pairs;
  return p.pressure - h.rho * p.theta * z;
}

void RTBRKT(HardChainResidual f, std::int32_t r, std::span<double> roots, std::int32_t& count,
            std::span<double> list, std::span<const double> v) {
  const auto wanted = static_cast<std::size_t>(r > 0 ? r : 0);
  eos_internal::requireLength(std::span<const double>(roots), wanted, "RTBRKT", "ROOTS");
  eos_internal::requireLength(std::span<const double>(list), wanted, "RTBRKT", "LIST");
  count = 0;
  for (std::size_t k = 0; k < wanted; ++k) {
    const double guess = roots[k];
    // 1. The three start points.
    const std::array<double, 3> start = guess != 0.0
                                            ? std::array<double, 3>{0.9 * guess, 1.1 * guess, guess}
                                            : std::array<double, 3>{-1.0, 1.0, 0.0};
    double x = start[0];
    double h = 0.0;
    double q = 0.0;
    double f1 = 0.0, f2 = 0.0, f3 = 0.0;  // deflated values, oldest first
    double result = 0.0;
    bool accepted = false;
    for (int step = 1;; ++step) {
      if (step > kMaxSteps) {
        result = kRootStepLimit;
        break;
      }
      if (step <= 3) x = start[static_cast<std::size_t>(step - 1)];
      // 2. Evaluate, away from the roots already found, and deflate.
      for (bool moved = true; moved;) {
        moved = false;
        for (std::size_t j = 0; j < static_cast<std::size_t>(count); ++j) {
          if (std::fabs(x - list[j]) < kNearFound) {
            x += kNudge;
            moved = true;
          }
        }
      }
      const double fx = f(x, v);
      double fd = fx;
      for (std::size_t j = 0; j < static_cast<std::size_t>(count); ++j) fd /= (x - list[j]);
      // 3. Divergence of a later root.
      if (count > 0 && step > 5 && std::fabs(fx) > 10.0 && std::fabs(fx) > std::fabs(f3)) {
        result = kRootDiverged;
        break;
      }
      // 4. Acceptance by the residual.
      if (std::fabs(fx) < kAcceptResidual && std::fabs(fd) < kAcceptResidual) {
        result = x;
        accepted = true;
        break;
      }
      if (step < 3) {
        f1 = f2;
        f2 = f3;
        f3 = fd;
        continue;
      }
      // 5. The first step and the step halving after a large growth.
      if (step == 3) {
        h = guess != 0.0 ? -guess / 10.0 : -1.0;
        q = -0.5;
      } else if (std::fabs(fd) >= 10.0 * std::fabs(f3)) {
        h *= 0.5;
        q *= 0.5;
        x -= h;
        continue;
      }
      f1 = f2;
      f2 = f3;
      f3 = fd;
      // 6. Muller step from the three latest deflated values.
      const double d = q + 1.0;
      const double bb = (2.0 * q + 1.0) * f3 + q * q * f1 - d * d * f2;
      const double disc = bb * bb - 4.0 * f3 * q * d * (q * f1 - d * f2 + f3);
      const double root = disc > 0.0 ? std::sqrt(disc) : 0.0;
      double den = std::fabs(bb + root) >= std::fabs(bb - root) ? bb + root : bb - root;
      if (den == 0.0) den = 1.0;
      q = -2.0 * f3 * d / den;
      h *= q;
      x += h;
      // 7. Acceptance by the step.
      if (std::fabs(h) < kAcceptStep * std::fabs(x)) {
        result = x;
        accepted = true;
        break;
      }
    }
    // 8. The root or its failure marker.
    roots[k] = result;
    if (accepted) {
      list[static_cast<std::size_t>(count)] = result;
      ++count;
    }
  }
}

void HCROOT(HardChainResidual resid, std::span<const double> v, std::int32_t phase, double& eta) {
  const bool vapour = phase == 1;
  // 1. A new problem: forget the remembered roots.
  if (HCSTAT.successes == 1) {
    HCSTAT.vapour = kVapourDefault;
    HCSTAT.liquid = kLiquidStart;
    HCSTAT.vapourRemembered = false;
    HCSTAT.liquidRemembered = false;
  }
  // 2. One root from the phase's start value.
  std::array<double, 1> roots{vapour ? kVapourStart : kLiquidStart};
  std::array<double, 1> list{};
  std::int32_t found = 0;
  RTBRKT(resid, 1, roots, found, list, v);
  // 3. No root: the phase's default.
  if (found < 1) {
    eta = vapour ? kVapourDefault : kLiquidStart;
    return;
  }
  // 4. Keep the phases apart with the remembered roots.
  ++HCSTAT.successes;
  double root = list[0];
  if (v[1] < kHighPressure) {
    if (vapour) {
      HCSTAT.vapour = root;
      HCSTAT.vapourRemembered = true;
    } else if (HCSTAT.vapourRemembered && std::fabs(root - HCSTAT.vapour) < kSameRoot) {
      root = kLiquidStart;
    }
  } else {
    if (!vapour) {
      HCSTAT.liquid = root;
      HCSTAT.liquidRemembered = true;
    } else if (HCSTAT.liquidRemembered && std::fabs(root - HCSTAT.liquid) < kSameRoot) {
      root = kVapourDefault;
    }
  }
  // 5. Final guards.
  if (!vapour && root > kClosePacking) root = kLiquidStart;
  if (vapour && root < 0.0) root = kVapourStart;
  eta = root;
}

}  // namespace pure
