// Gibbs minimisation of a two-phase split (SOLMIN): restricted Newton steps on the vapour
// amounts with a scaled Hessian built from both phases' composition derivatives.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "flash/flash.hpp"
#include "flash/multiphase/gibbs_flash.hpp"
#include "flash/multiphase/stability.hpp"
#include "services/services.hpp"

namespace multiphase {
namespace {

constexpr std::int32_t kIterations = 20;
constexpr std::int32_t kRetries = 30;
constexpr double kConverged = 1.0e-7;

std::size_t count(std::int32_t n) {
  return static_cast<std::size_t>(std::clamp(n, 0, kStabilityComponents));
}

}  // namespace

void SOLMIN(std::int32_t n, double t, double p, std::span<double> x, std::span<double> y,
            std::span<const double> z, double& zl, double& zv, double gf, std::int32_t& ierr) {
  (void)gf;
  const std::size_t nn = count(n);
  // 1. The first radius: half the smaller phase.
  double v = 0.0;
  VSUMNM(n, y, v, 0);
  double hval = v <= 0.5 ? 0.5 * v : 0.5 * (1.0 - v);
  constexpr double kTolRel = 0.1;
  std::array<double, kLda> s{}, g{}, l0{}, v0{}, delta{};
  Matrix50 h;
  for (std::int32_t k = 1; k <= kIterations; ++k) {
    // 1. Both phases with their composition derivatives.
    std::int32_t ist = 0;
    STPHSG(n, 2, kLowerGibbs, ist, t, p, zl, x, STBPHS.liquid.lnphi, &STBPHS.liquid.m);
    if (ist != 0) break;
    STPHSG(n, 2, kLowerGibbs, ist, t, p, zv, y, STBPHS.vapour.lnphi, &STBPHS.vapour.m);
    if (ist != 0) break;
    // 2. The gradient in the scaled variables and the Gibbs energy.
    double l = 0.0;
    v = 0.0;
    for (std::size_t i = 0; i < nn; ++i) {
      l += x[i];
      v += y[i];
    }
    const double lv = l * v;
    double gmax = 0.0, gibbs = 0.0;
    for (std::size_t i = 0; i < nn; ++i) {
      l0[i] = x[i];
      v0[i] = y[i];
      if (!(z[i] > 0.0)) {
        s[i] = 1.0;
        g[i] = 0.0;
        continue;
      }
      const double xi = x[i] / l, yi = y[i] / v;
      s[i] = std::sqrt(z[i] / (xi * yi));
      const double muL = std::log(xi) + STBPHS.liquid.lnphi[i];
      const double muV = std::log(yi) + STBPHS.vapour.lnphi[i];
      g[i] = -lv * (muV - muL) / s[i];
      gmax = std::max(gmax, std::abs(muV - muL));
      gibbs += x[i] * muL + y[i] * muV;
    }
    if (!std::isfinite(gibbs) || !std::isfinite(gmax)) {
      raiseStabilityFault();
      break;
    }
    // 3. The scaled Hessian.
    for (std::size_t i = 0; i < nn; ++i) {
      for (std::size_t j = 0; j <= i; ++j) {
        double e = 0.0;
        if (services::RELCM2(z[i], 0.0) != 0 && services::RELCM2(z[j], 0.0) != 0) {
          e = (l * STBPHS.vapour.m(i, j) + v * STBPHS.liquid.m(i, j) - 1.0) / (s[i] * s[j]);
        }
        h(i, j) = e;
        h(j, i) = e;
      }
    }
    for (std::size_t i = 0; i < nn; ++i) h(i, i) += 1.0;
    // 5. Converged.
    if (gmax < kConverged) return;
    // 6. Restricted steps, retried with a fifth of the length while G rises.
    double mu = 0.0, step = 0.0, gnew = 0.0, lnew = 0.0, vnew = 0.0;
    bool accepted = false;
    for (std::int32_t retry = 0; retry < kRetries && !accepted; ++retry) {
      STNEWT(n, h, g, hval, kTolRel, mu, delta, step);
      if (stabilityFault()) break;
      for (std::size_t i = 0; i < nn; ++i) {
        double d = delta[i] / s[i];
        const double vn = v0[i] + d, ln = l0[i] - d;
        if (vn >= ln) {
          double lt = ln;
          if (lt <= l0[i] / 2.0) {
            lt = l0[i] / 2.0;
            d = l0[i] / 2.0;
          }
          x[i] = lt;
          y[i] = z[i] - lt;
        } else {
          double vt = vn;
          if (vt <= v0[i] / 2.0) {
            vt = v0[i] / 2.0;
            d = -v0[i] / 2.0;
          }
          y[i] = vt;
          x[i] = z[i] - vt;
        }
        delta[i] = d * s[i];
      }
      STPHSG(n, 1, kLowerGibbs, ist, t, p, zl, x, STBPHS.liquid.lnphi, nullptr);
      if (ist != 0) break;
      STPHSG(n, 1, kLowerGibbs, ist, t, p, zv, y, STBPHS.vapour.lnphi, nullptr);
      if (ist != 0) break;
      lnew = 0.0;
      vnew = 0.0;
      for (std::size_t i = 0; i < nn; ++i) {
        lnew += x[i];
        vnew += y[i];
      }
      gnew = 0.0;
      for (std::size_t i = 0; i < nn; ++i) {
        if (!(z[i] > 0.0)) continue;
        gnew += (std::log(x[i] / lnew) + STBPHS.liquid.lnphi[i]) * x[i] +
                (std::log(y[i] / vnew) + STBPHS.vapour.lnphi[i]) * y[i];
      }
      if (!std::isfinite(gnew)) {
        raiseStabilityFault();
        break;
      }
      if (gibbs + 1.0e-10 < gnew) {
        hval = step / 5.0;
      } else {
        accepted = true;
      }
    }
    if (stabilityFault() || !accepted) {
      // Back to the last accepted point.
      for (std::size_t i = 0; i < nn; ++i) {
        x[i] = l0[i];
        y[i] = v0[i];
      }
      break;
    }
    // 7-8. The radius by the ratio of the actual to the predicted change.
    double q = 0.0;
    for (std::size_t i = 0; i < nn; ++i) {
      double hd = 0.0;
      for (std::size_t j = 0; j < nn; ++j) hd += h(i, j) * delta[j];
      q += (0.5 * hd - g[i]) * delta[i];
    }
    const double ratio = (gnew - gibbs) / (q / lv);
    if (ratio < 0.25) {
      hval = step / 2.0;
    } else if (ratio <= 0.75) {
      hval = step;
    } else if (mu > 0.0) {
      hval = 2.0 * step;
    }
  }
  ierr = 1;
}

}  // namespace multiphase
