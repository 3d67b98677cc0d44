// Tangent-plane distance minimisation of one trial phase (STTPDM), with the restricted-step
// solver STNEWT and the symmetric factor-and-solve STLUSV that the Gibbs minimisation shares.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "flash/multiphase/stability.hpp"
#include "services/services.hpp"

namespace multiphase {
namespace {

constexpr std::int32_t kLevenbergTrials = 100;
constexpr std::int32_t kRetries = 30;
constexpr std::int32_t kNewtonIterations = 20;
constexpr std::int32_t kAcceleratedPasses = 4;
constexpr double kUnstable = -1.0e-7;
constexpr double kConverged = 1.0e-7;
constexpr double kNewtonUnstable = -0.001;

std::size_t count(std::int32_t n) {
  return static_cast<std::size_t>(std::clamp(n, 0, kStabilityComponents));
}

bool present(double z) { return services::RELCM2(z, 0.0) != 0; }

}  // namespace

bool STLUSV(std::int32_t n, Matrix50& a, std::span<double> b, std::int32_t mode) {
  const std::size_t nn = count(n);
  bool positive = true;
  if (mode != 2) {
    for (std::size_t k = 0; k < nn; ++k) {
      for (std::size_t i = k; i < nn; ++i) {
        double s = a(i, k);
        for (std::size_t m = 0; m < k; ++m) s -= a(i, m) * a(m, k);
        a(i, k) = s;
      }
      const double pivot = a(k, k);
      if (!(pivot > 0.0)) positive = false;
      if (pivot == 0.0 || !std::isfinite(pivot)) return false;
      for (std::size_t j = k + 1; j < nn; ++j) a(k, j) = a(j, k) / pivot;
    }
  }
  if (mode != 1) {
    for (std::size_t i = 1; i < nn; ++i) {
      for (std::size_t m = 0; m < i; ++m) b[i] -= a(m, i) * b[m];
    }
    for (std::size_t i = nn; i-- > 0;) {
      double s = b[i];
      for (std::size_t j = i + 1; j < nn; ++j) s -= a(j, i) * b[j];
      b[i] = s / a(i, i);
    }
  }
  return positive;
}

bool STNEWT(std::int32_t n, const Matrix50& h, std::span<const double> g, double hval,
            double tolrel, double& mu, std::span<double> delta, double& step) {
  const std::size_t nn = count(n);
  double lo = 0.0, hi = 0.0;
  bool haveLo = false, haveHi = false;
  const double h2 = hval * hval;
  double largestDiagonal = 0.0;
  for (std::size_t i = 0; i < nn; ++i)
    largestDiagonal = std::max(largestDiagonal, std::abs(h(i, i)));
  Matrix50 a;
  std::array<double, kLda> zv{};
  for (std::int32_t trial = 0; trial < kLevenbergTrials; ++trial) {
    // 1. (H + mu I) delta = g, then z = (H + mu I)^-1 delta.
    for (std::size_t j = 0; j < nn; ++j) {
      for (std::size_t i = j; i < nn; ++i) a(i, j) = h(i, j);
      a(j, j) += mu;
    }
    std::copy_n(g.begin(), nn, delta.begin());
    bool pd = STLUSV(n, a, delta, 1);
    bool usable = pd;
    if (pd) {
      STLUSV(n, a, delta, 2);
      std::copy_n(delta.begin(), nn, zv.begin());
      STLUSV(n, a, zv, 2);
    }
    double s2 = 0.0, tt = 0.0;
    for (std::size_t i = 0; i < nn; ++i) {
      s2 += delta[i] * delta[i];
      tt += delta[i] * zv[i];
    }
    step = std::sqrt(s2);
    if (pd && !(std::isfinite(s2) && std::isfinite(tt))) {
      raiseStabilityFault();
      return false;
    }
    if (usable) {
      // 2. Positive definite.
      if (s2 < h2) {
        hi = mu;
        haveHi = true;
      } else {
        lo = mu;
        haveLo = true;
      }
      if (s2 < h2 && mu == 0.0) return true;
      if (std::abs((s2 / h2 - 1.0) / 2.0) <= tolrel) return true;
      double next = mu + (s2 / tt) * (step / hval - 1.0);
      if (haveLo && haveHi && (next < lo || next > hi)) next = 0.5 * (lo + hi);
      mu = std::max(next, 0.0);
    } else {
      // 3. Not positive definite: a larger shift.
      lo = mu;
      haveLo = true;
      if (mu == 0.0) {
        mu = 1.0 + largestDiagonal;
      } else if (haveHi) {
        mu = 0.5 * (hi + mu);
      } else {
        mu = 3.0 * mu;
      }
    }
    if (!std::isfinite(mu)) {
      raiseStabilityFault();
      return false;
    }
  }
  return false;
}

void STTPDM(std::int32_t n, std::int32_t imode, std::int32_t& istat, std::int32_t& iflag, double t,
            double p, std::span<double> w, std::span<const double> z, std::span<const double> d,
            double& tm) {
  const std::size_t nn = count(n);
  istat = 0;
  iflag = 0;
  std::array<double, kLda> alpha{}, lnwnew{}, del{}, trial{};
  // 1-2. ln W and one substitution step.
  for (std::size_t i = 0; i < nn; ++i) {
    alpha[i] = present(z[i]) ? std::log(std::max(w[i], 1.0e-300)) : 0.0;
  }
  double ssq = 0.0, gmax = 0.0;
  STTRLG(n, t, p, z, alpha, w, lnwnew, del, ssq, gmax, d, tm);
  if (stabilityFault()) return;
  alpha = lnwnew;

  // 3. Accelerated substitution.
  for (std::int32_t pass = 0; pass < kAcceleratedPasses; ++pass) {
    std::array<double, 2> squares{};
    double tmBefore = 0.0;
    for (std::size_t step = 0; step < 2; ++step) {
      STTRLG(n, t, p, z, alpha, w, lnwnew, del, ssq, gmax, d, tm);
      if (stabilityFault()) return;
      double dist2 = 0.0, q = 0.0;
      for (std::size_t i = 0; i < nn; ++i) {
        const double root = std::sqrt(w[i] * z[i]);
        dist2 += w[i] + z[i] - 2.0 * root;
        q -= (w[i] - root) * del[i];
      }
      const double dist = std::sqrt(std::abs(dist2));
      const double r = tm / q;
      if (tm < kUnstable && imode == 0) {
        iflag = 1;
        istat = 1;
        return;
      }
      if (gmax < kConverged) {
        istat = 2;
        iflag = tm < kUnstable ? 1 : 0;
        return;
      }
      if (dist < 0.1 && r > 0.8) {
        iflag = 0;
        istat = 2;
        return;
      }
      squares[step] = ssq;
      tmBefore = tm;
      alpha = lnwnew;
    }
    double lambda = std::sqrt(squares[1] / squares[0]);
    if (!(lambda >= 0.0 && lambda < 1.0)) lambda = 0.95;
    for (std::size_t i = 0; i < nn; ++i) trial[i] = alpha[i] + lambda / (1.0 - lambda) * del[i];
    std::array<double, kLda> trialNew{}, trialDel{};
    double tmAcc = 0.0;
    STTRLG(n, t, p, z, trial, w, trialNew, trialDel, ssq, gmax, d, tmAcc);
    if (stabilityFault()) return;
    if (tmBefore + 1.0e-10 < tmAcc) break;
    alpha = trialNew;
  }

  // 4. Restricted Newton steps in beta = 2 sqrt(W).
  std::array<double, kLda> beta{}, g{}, gi{}, delta{}, wNew{}, betaNew{};
  for (std::size_t i = 0; i < nn; ++i) {
    w[i] = z[i] > 0.0 ? std::exp(alpha[i]) : 0.0;
    beta[i] = 2.0 * std::sqrt(w[i]);
  }
  double hval = 0.25;
  constexpr double kTolRel = 0.1;
  TrialPhaseSide& side = STBPHS.vapour;
  for (std::int32_t k = 1; k <= kNewtonIterations; ++k) {
    double zt = 0.0;
    std::int32_t ist = 0;
    STPHSG(n, 2, kLowerGibbs, ist, t, p, zt, w, side.lnphi, &side.m);
    if (ist != 0) return;
    double tmHere = 1.0, total = 0.0;
    gmax = 0.0;
    for (std::size_t i = 0; i < nn; ++i) {
      const double s = beta[i] / 2.0;
      gi[i] = z[i] > 0.0 ? std::log(w[i]) + side.lnphi[i] - d[i] : 0.0;
      g[i] = -s * gi[i];
      gmax = std::max(gmax, std::abs(s * gi[i]));
      tmHere += (gi[i] - 1.0) * w[i];
      total += w[i];
    }
    tm = tmHere;
    if (gmax < kConverged) {
      istat = 2;
      iflag = tm < kUnstable ? 1 : 0;
      return;
    }
    Matrix50& hm = side.m;
    for (std::size_t i = 0; i < nn; ++i) {
      for (std::size_t j = 0; j <= i; ++j) {
        const double v = (beta[i] / 2.0) * (beta[j] / 2.0) * hm(i, j) / total;
        hm(i, j) = v;
        hm(j, i) = v;
      }
    }
    for (std::size_t i = 0; i < nn; ++i) hm(i, i) += 1.0 + gi[i] / 2.0;
    const double target = tmHere + 1.0e-12;
    double mu = 0.0, step = 0.0, tmNew = 0.0;
    bool accepted = false;
    for (std::int32_t retry = 0; retry < kRetries && !accepted; ++retry) {
      STNEWT(n, hm, g, hval, kTolRel, mu, delta, step);
      if (stabilityFault()) return;
      for (std::size_t i = 0; i < nn; ++i) {
        if (beta[i] + delta[i] <= 0.0) delta[i] = -0.9 * beta[i];
        betaNew[i] = beta[i] + delta[i];
        wNew[i] = (betaNew[i] / 2.0) * (betaNew[i] / 2.0);
      }
      STPHSG(n, 1, kLowerGibbs, ist, t, p, zt, wNew, side.lnphi, nullptr);
      if (ist != 0) return;
      tmNew = 1.0;
      for (std::size_t i = 0; i < nn; ++i) {
        if (wNew[i] > 0.0) tmNew += (std::log(wNew[i]) + side.lnphi[i] - d[i] - 1.0) * wNew[i];
      }
      if (!std::isfinite(tmNew)) {
        raiseStabilityFault();
        return;
      }
      if (tmNew < kNewtonUnstable && imode == 0) {
        iflag = 1;
        istat = 1;
      }
      if (tmNew <= target) {
        accepted = true;
      } else {
        hval = step / 3.0;
      }
    }
    if (!accepted) return;  // no step lowers tm: the last iterate stands
    double q = 0.0;
    for (std::size_t i = 0; i < nn; ++i) {
      double hd = 0.0;
      for (std::size_t j = 0; j < nn; ++j) hd += hm(i, j) * delta[j];
      q += (0.5 * hd - g[i]) * delta[i];
    }
    const double calp = (tmNew - tmHere) / q;
    if (calp < 0.25) {
      hval = step / 2.0;
    } else if (calp <= 0.75) {
      hval = step;
    } else if (mu > 0.0) {
      hval = 2.0 * step;
    }
    tm = tmNew;
    beta = betaNew;
    for (std::size_t i = 0; i < nn; ++i) w[i] = wNew[i];
  }
}

}  // namespace multiphase
