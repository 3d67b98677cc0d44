// The mixing rules and the density root of the method-110 equation of state (BWRMIX,
// BWRZFN, BWRDZ2, BWRTDV, BWRDEN).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "services/services.hpp"
#include "thermo/pure/bwr_eos.hpp"
#include "thermo/pure/eos_internal.hpp"

namespace pure {
namespace {

using P = StarlingParameter;

// Bracket search: the first upper density, its step and the number of evaluations.
constexpr double kFirstUpperDensity = 1.5;
constexpr double kUpperDensityStep = 0.1;
constexpr int kBracketEvaluations = 251;
// Bisection midpoints of the inflection search.
constexpr int kInflectionMidpoints = 13;
// Newton and chord iterations.
constexpr double kRelativeStep = 1e-8;
constexpr int kNewtonSteps = 50;
constexpr int kChordSteps = 500;

std::size_t at(P parameter, std::size_t i, std::size_t n) {
  return static_cast<std::size_t>(parameter) * n + i;
}

// rho^3 (1 + gamma rho^2) exp(-gamma rho^2) and its first two density derivatives.
struct Exponential {
  double g = 0.0, g1 = 0.0, g2 = 0.0;
};
Exponential exponentialTerm(double gamma, double rho) {
  const double r2 = rho * rho;
  const double e = std::exp(-gamma * r2);
  Exponential t;
  t.g = r2 * rho * (1.0 + gamma * r2) * e;
  t.g1 = r2 * (3.0 + 3.0 * gamma * r2 - 2.0 * gamma * gamma * r2 * r2) * e;
  t.g2 = rho *
         (6.0 + 6.0 * gamma * r2 - 18.0 * gamma * gamma * r2 * r2 +
          4.0 * gamma * gamma * gamma * r2 * r2 * r2) *
         e;
  return t;
}

double pressureOf(const BwrIsotherm& k, double rho) {
  const double r2 = rho * rho;
  const double r3 = r2 * rho;
  return rho * k.rt + k.k2 * r2 + k.k3 * r3 + k.k6 * r3 * r3 +
         k.kc * exponentialTerm(k.gamma, rho).g;
}

// Outcome of one Newton side.
struct Side {
  bool ok = false;
  double rho = 0.0;
};

// Newton from START; fails when the slope at an iterate is not positive or an iterate
// crosses RHOM (from below for the vapour side, from above for the liquid side).
Side newton(double p, const BwrIsotherm& k, double start, double rhom, bool vapourSide) {
  double rho = start;
  for (int step = 1; step <= kNewtonSteps; ++step) {
    double f = 0.0;
    double df = 0.0;
    BWRZFN(p, k, rho, f, df);
    if (df <= 0.0) return Side{};
    const double next = rho - f / df;
    if (vapourSide ? next >= rhom : next <= rhom) return Side{};
    double fn = 0.0;
    double dfn = 0.0;
    BWRZFN(p, k, next, fn, dfn);
    if (dfn <= 0.0) return Side{};
    const bool converged = std::fabs(rho - next) <= kRelativeStep * std::fabs(next);
    rho = next;
    if (converged || step == kNewtonSteps) return Side{true, rho};
  }
  return Side{true, rho};
}

// Fixed-slope chords from START with slope S. Returns when converged, when LEAVES says an
// iterate has left its side, or at the step limit (the last iterate stands).
enum class ChordEnd { Converged, Left, Limit };
template <typename Leaves>
ChordEnd chords(double p, const BwrIsotherm& k, double start, double s, Leaves leaves,
                double& rho) {
  rho = start;
  for (int step = 0; step < kChordSteps; ++step) {
    double f = 0.0;
    double df = 0.0;
    BWRZFN(p, k, rho, f, df);
    const double next = rho - f / s;
    const bool converged = std::fabs(rho - next) <= kRelativeStep * std::fabs(next);
    rho = next;
    if (converged) return ChordEnd::Converged;
    if (leaves(rho)) return ChordEnd::Left;
  }
  return ChordEnd::Limit;
}

}  // namespace

void BWRMIX(std::span<const double> y, std::int32_t nc, std::span<const double> pval,
            std::span<const double> psqr, std::span<const double> pcbr, std::span<const double> f,
            BwrMixture& out) {
  const std::size_t n = nc > 0 ? static_cast<std::size_t>(nc) : 0;
  const std::size_t nparam = static_cast<std::size_t>(kStarlingParameters) * n;
  eos_internal::requireLength(y, n, "BWRMIX", "Y");
  eos_internal::requireLength(pval, nparam, "BWRMIX", "PVAL");
  eos_internal::requireLength(psqr, nparam, "BWRMIX", "PSQR");
  eos_internal::requireLength(pcbr, nparam, "BWRMIX", "PCBR");
  eos_internal::requireLength(f, n * n, "BWRMIX", "F");

  // Linear, quadratic (with F^m) and cube-root averages.
  const auto linear = [&](P q) {
    double s = 0.0;
    for (std::size_t i = 0; i < n; ++i) s += y[i] * pval[at(q, i, n)];
    return s;
  };
  const auto quadratic = [&](P q, int m) {
    double s = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t j = 0; j < n; ++j) {
        const double fij = f[j * n + i];
        s += y[i] * y[j] * psqr[at(q, i, n)] * psqr[at(q, j, n)] * std::pow(fij, m);
      }
    }
    return s;
  };
  const auto root = [&](P q, std::span<const double> roots, double power) {
    double s = 0.0;
    for (std::size_t i = 0; i < n; ++i) s += y[i] * roots[at(q, i, n)];
    return std::pow(s, power);
  };
  out.B0 = linear(P::B0);
  out.A0 = quadratic(P::A0, 1);
  out.C0 = quadratic(P::C0, 3);
  out.D0 = quadratic(P::D0, 4);
  out.E0 = quadratic(P::E0, 5);
  out.gamma = root(P::gamma, psqr, 2.0);
  out.b = root(P::b, pcbr, 3.0);
  out.a = root(P::a, pcbr, 3.0);
  out.alpha = root(P::alpha, pcbr, 3.0);
  out.c = root(P::c, pcbr, 3.0);
  out.d = root(P::d, pcbr, 3.0);
}

BwrIsotherm bwrIsotherm(const BwrMixture& m, double t, double r) {
  BwrIsotherm k;
  const double t2 = t * t;
  k.gamma = m.gamma;
  k.rt = r * t;
  k.k2 = m.B0 * k.rt - m.A0 - m.C0 / t2 + m.D0 / (t2 * t) - m.E0 / (t2 * t2);
  k.k3 = m.b * k.rt - m.a - m.d / t;
  k.k6 = m.alpha * (m.a + m.d / t);
  k.kc = m.c / t2;
  return k;
}

void BWRZFN(double p, const BwrIsotherm& k, double rho, double& f, double& df) {
  double d2 = 0.0;
  f = pressureOf(k, rho) - p;
  BWRDZ2(k, rho, df, d2);
}

void BWRDZ2(const BwrIsotherm& k, double rho, double& d1, double& d2) {
  const double r2 = rho * rho;
  const double r4 = r2 * r2;
  const Exponential e = exponentialTerm(k.gamma, rho);
  d1 = k.rt + 2.0 * k.k2 * rho + 3.0 * k.k3 * r2 + 6.0 * k.k6 * r4 * rho + k.kc * e.g1;
  d2 = 2.0 * k.k2 + 6.0 * k.k3 * rho + 30.0 * k.k6 * r4 + k.kc * e.g2;
}

void BWRTDV(const BwrIsotherm& k, double rhoA, double rhoB, double& s) {
  const double lo = std::min(rhoA, rhoB);
  const double hi = std::max(rhoA, rhoB);
  // Each polynomial term of dP/drho is monotonic on a non-negative interval: its larger end
  // value bounds it.
  const auto larger = [&](auto term) { return std::max(term(lo), term(hi)); };
  s = k.rt;
  s += larger([&](double r) { return 2.0 * k.k2 * r; });
  s += larger([&](double r) { return 3.0 * k.k3 * r * r; });
  s += larger([&](double r) { return 6.0 * k.k6 * std::pow(r, 5); });
  // The exponential term: its ends and the stationary points of its slope inside, where
  // u = gamma rho^2 solves 2u^3 - 9u^2 + 3u + 3 = 0 (u = 0.88406..., 4.03630...).
  double e =
      std::max(k.kc * exponentialTerm(k.gamma, lo).g1, k.kc * exponentialTerm(k.gamma, hi).g1);
  if (k.gamma > 0.0) {
    for (double u : {0.8840620427330876, 4.036301387543402}) {
      const double r = std::sqrt(u / k.gamma);
      if (r > lo && r < hi) e = std::max(e, k.kc * exponentialTerm(k.gamma, r).g1);
    }
  }
  s += e;
}

void BWRDEN(std::int32_t phase, double p, double t, const BwrMixture& m, double r, double& rho,
            std::int32_t& status) {
  // 1. The isotherm.
  const BwrIsotherm k = bwrIsotherm(m, t, r);

  // 2. Upper bracket: a density above the root where the isotherm rises.
  double rhoHi = kFirstUpperDensity;
  for (int evaluation = 1; evaluation <= kBracketEvaluations; ++evaluation) {
    double f = 0.0;
    double df = 0.0;
    BWRZFN(p, k, rhoHi, f, df);
    if ((f > 0.0 && df > 0.0) || evaluation == kBracketEvaluations) break;
    rhoHi += kUpperDensityStep;
  }

  // 3. Inflection: bisection on the curvature; a non-rising midpoint ends the search.
  bool monotonic = true;
  double lo = 0.0;
  double hi = rhoHi;
  double rhom = 0.5 * (lo + hi);
  for (int midpoint = 1; midpoint <= kInflectionMidpoints; ++midpoint) {
    rhom = 0.5 * (lo + hi);
    double d1 = 0.0;
    double d2 = 0.0;
    BWRDZ2(k, rhom, d1, d2);
    if (d1 <= 0.0 || services::RELCM2(d2, 0.0) == 0) {
      monotonic = false;
      break;
    }
    if (d2 < 0.0) {
      lo = rhom;
    } else {
      hi = rhom;
    }
  }

  // 4. Side selection.
  const bool liquidRequest = phase == 2;
  bool vapourFirst = false;
  if (monotonic) {
    const bool rootAbove = pressureOf(k, rhom) - p < 0.0;
    vapourFirst = !rootAbove;
    if (liquidRequest) {
      status =
          static_cast<std::int32_t>(rootAbove ? BwrRoot::Liquid : BwrRoot::VapourSideForLiquid);
    } else {
      status =
          static_cast<std::int32_t>(rootAbove ? BwrRoot::LiquidSideForVapour : BwrRoot::Vapour);
    }
  } else {
    vapourFirst = !liquidRequest;
    status = static_cast<std::int32_t>(liquidRequest ? BwrRoot::Liquid : BwrRoot::Vapour);
  }

  // 5-7. Newton on the first side, then on the other; a failed side sets status 3.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const bool vapourSide = attempt == 0 ? vapourFirst : !vapourFirst;
    const Side side = newton(p, k, vapourSide ? 0.0 : rhoHi, rhom, vapourSide);
    if (side.ok) {
      rho = side.rho;
      return;
    }
    status = static_cast<std::int32_t>(BwrRoot::LiquidSideForVapour);
  }

  // 8. Both sides failed: chords with fixed slopes over the two sides.
  double s1 = 0.0;
  double s2 = 0.0;
  BWRTDV(k, 0.0, rhom, s1);
  BWRTDV(k, rhom, rhoHi, s2);
  const auto above = [&](double x) { return x > rhom; };
  const auto below = [&](double x) { return x < rhom; };
  const auto atOrBelow = [&](double x) { return x <= rhom; };
  const auto atOrAbove = [&](double x) { return x >= rhom; };
  if (!liquidRequest) {
    if (chords(p, k, 0.0, s1, above, rho) != ChordEnd::Left) {
      status = static_cast<std::int32_t>(BwrRoot::Vapour);
      return;
    }
    status = static_cast<std::int32_t>(BwrRoot::LiquidSideForVapour);
    chords(p, k, rhoHi, s2, atOrBelow, rho);
    return;
  }
  if (chords(p, k, rhoHi, s2, below, rho) != ChordEnd::Left) {
    status = static_cast<std::int32_t>(BwrRoot::Liquid);
    return;
  }
  status = static_cast<std::int32_t>(BwrRoot::VapourSideForLiquid);
  chords(p, k, 0.0, s1, atOrAbove, rho);
}

}  // namespace pure
