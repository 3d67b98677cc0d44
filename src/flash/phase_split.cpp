// FLSEST and FLSCMP: the start estimate of a held-fraction flash and the phase split at
// given K-values.
#include "flash/phase_split.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "methods/methods.hpp"
#include "services/services.hpp"

namespace flash {
namespace {

using services::FLTOL;

// 7/3 ln 10: the Wilson estimate ln(Psat/Pc) = a (1 - Tc/T) with a = 7/3 ln 10 (1 + w)
// passes through Psat/Pc = 0.1 at Tr = 0.7 (the definition of the acentric factor).
constexpr double kWilsonSlope = 5.37269855031944;
constexpr double kMissing = -1.0e35;
constexpr std::int32_t kNewtonLimit = 200;

// FLTOL words of the split.
constexpr std::size_t kFeedWaterLimit = 10;
constexpr std::size_t kSmallestK = 12;
constexpr std::size_t kLargestK = 13;

}  // namespace

void FLSEST(std::int32_t itpfix, std::int32_t ncomp, std::span<const double> tc,
            std::span<const double> pc, std::span<const double> w, std::span<const double> z,
            double v, double& t, double& p, std::span<double> w1, std::span<double> w2) {
  if (itpfix != 1 && itpfix != 2) return;
  const auto n = static_cast<std::size_t>(std::max(ncomp, 0));
  v = std::min(std::max(v, 0.05), 0.95);
  const double t0 = t, p0 = p;
  bool complete = true;
  for (std::size_t i = 0; i < n; ++i) {
    if (tc[i] <= kMissing || pc[i] <= kMissing || w[i] <= kMissing) complete = false;
  }
  if (itpfix == 1) {
    if (complete) {
      double tmax = 0.0, start = 0.0;
      for (std::size_t i = 0; i < n; ++i) {
        const double a = kWilsonSlope * (1.0 + w[i]);
        w2[i] = a * tc[i];
        w1[i] = std::log(pc[i] / p) + a;
        if (z[i] > 0.0) {
          start += z[i] * tc[i];
          tmax = std::max(tmax, tc[i]);
        }
      }
      t = start;
      // ln K_i = W1(i) - W2(i)/T; dF/dT = sum z K W2/(V K + 1 - V)^2 / T^2.
      for (std::int32_t iteration = 1;; ++iteration) {
        if (iteration > kNewtonLimit) {
          t = t0;
          p = p0;
          return;
        }
        double f = 0.0, d = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
          const double k = std::exp(std::clamp(w1[i] - w2[i] / t, -60.0, 60.0));
          const double den = v * k + 1.0 - v;
          f += z[i] * (k - 1.0) / den;
          d += z[i] * k * w2[i] / (den * den);
        }
        double step = f / (d / (t * t));
        if (step > t / 2.0) step = t / 2.0;
        t -= step;
        if (std::abs(step) < 1.0) break;
      }
      t = std::min(t, tmax);
    }
    t = std::clamp(t, 1.0, 3000.0);
    return;
  }
  if (complete) {
    double s1 = 0.0, s2 = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      w1[i] = pc[i] * std::exp(kWilsonSlope * (1.0 + w[i]) * (1.0 - tc[i] / t));
      s1 += z[i] * w1[i];
      s2 += z[i] / w1[i];
    }
    p = s1 + v * (1.0 / s2 - s1);
    for (std::int32_t iteration = 1;; ++iteration) {
      if (iteration > kNewtonLimit) {
        t = t0;
        p = p0;
        return;
      }
      // K_i = W1(i)/P; dF/dP = -sum z K/(V K + 1 - V)^2 / P.
      double f = 0.0, d = 0.0;
      for (std::size_t i = 0; i < n; ++i) {
        w2[i] = w1[i] / p;
        const double den = v * w2[i] + 1.0 - v;
        f += z[i] * (w2[i] - 1.0) / den;
        d += z[i] * w2[i] / (den * den);
      }
      double step = f / (-d / p);
      if (step > p / 2.0) step = p / 2.0;
      p -= step;
      if (std::abs(step) < 10.0) break;
    }
  }
  p = std::clamp(p, 1e-4, 1e10);
}

void FLSCMP(std::int32_t /*unused*/, std::int32_t nc, std::int32_t ifixlw, double zw,
            double& ftotlq, double& fliqhc, double& fwater, double& fvapor, double& gflsh,
            std::span<double> z, std::span<double> x, std::span<double> y,
            std::span<const double> k) {
  const auto& thctl = methods::THCTL;
  const std::int32_t w = thctl.idecnt;
  const double xwd = thctl.xwd;
  const double ywd = thctl.ywd;
  const double feedWaterLimit = FLTOL(kFeedWaterLimit);
  const bool vapourHeld = ifixlw == static_cast<std::int32_t>(HeldFraction::Vapour);
  const auto n = static_cast<std::size_t>(std::max(nc, 0));
  const double kw = w > 0 ? k[static_cast<std::size_t>(w - 1)] : 0.0;
  bool functionSet = false;  // MODE 2: GFLSH is not the sum difference

  // 1. Free water.
  if (w <= 0) {
    fwater = 0.0;
  } else if (xwd > feedWaterLimit && zw > feedWaterLimit) {
    fwater = kw <= 1.0 ? 1.0 : 0.0;
  } else {
    const double l = vapourHeld ? ftotlq : fliqhc;
    const double dd = vapourHeld ? 1.0 - xwd : 1.0 - ywd;
    const double v = vapourHeld ? fvapor : 1.0 - fliqhc;
    if (fwater > 0.0 && vapourHeld && fliqhc == 0.0) {
      functionSet = true;
    } else if (dd > 0.0 && zw / (v * kw + l) > xwd) {
      // The water balance with a saturated liquid and vapour.
      fwater = (zw - xwd * l - ywd * v) / dd;
    } else {
      fwater = 0.0;
    }
  }

  // 2. The other fractions.
  if (vapourHeld) {
    if (zw > feedWaterLimit) {
      gflsh = kw - 1.0;
      functionSet = true;
    } else {
      gflsh = ftotlq - fwater;
    }
    if (fwater > ftotlq) {
      fwater = ftotlq;
      if (ftotlq > 0.0) functionSet = true;
    }
    fliqhc = std::max(0.0, 1.0 - fvapor - fwater);
  } else {
    gflsh = 0.0;
    ftotlq = fliqhc + fwater;
    if (ftotlq > 1.0) {
      ftotlq = 1.0;
      if (fwater != 0.0) fwater = xwd >= 1.0 ? 1.0 : (zw - xwd) / (1.0 - xwd);
      if (ifixlw == static_cast<std::int32_t>(HeldFraction::None)) {
        fliqhc = 1.0 - fwater;
      } else if (ifixlw == static_cast<std::int32_t>(HeldFraction::HydrocarbonLiquid)) {
        fwater = 1.0 - fliqhc;
      }
    }
    fvapor = 1.0 - ftotlq;
  }

  // 3. Compositions, with the feed water less the free water.
  if (fvapor != 0.0 || fliqhc != 0.0) {
    const std::size_t wi = static_cast<std::size_t>(w > 0 ? w - 1 : 0);
    if (w > 0) z[wi] = std::max(0.0, zw - fwater);
    const double kmin = FLTOL(kSmallestK), kmax = FLTOL(kLargestK);
    double sx = 0.0, sy = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      if (z[i] <= 0.0) {
        x[i] = 0.0;
        y[i] = 0.0;
        continue;
      }
      const double kk = std::max(std::min(k[i], kmax), kmin);
      const double d = std::max(kk * fvapor + fliqhc, 1e-10);
      x[i] = z[i] / d;
      y[i] = kk * x[i];
      sx += x[i];
      sy += y[i];
    }
    if (!functionSet) gflsh = sy - sx;
    gflsh = std::clamp(gflsh, -1e30, 1e30);
    if (w > 0) z[wi] = zw;
    return;
  }
  // 4. All the liquid is free water.
  if (fwater != 0.0) gflsh = (kw - 1.0) * zw / fwater;
}

}  // namespace flash
