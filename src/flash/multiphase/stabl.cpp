// The phase-stability test STABL: direct substitution on the K-values of a split, the
// tangent-plane analysis from a vapour-like and a liquid-like trial when substitution has
// not shown a split, accelerated substitution on a found split and, when that has not
// converged, the Gibbs minimisation of the split.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "flash/multiphase/stability.hpp"
#include "services/services.hpp"

namespace multiphase {
namespace {

constexpr double kShownSplit = -1.0e-8;
constexpr double kConverged = 1.0e-7;
constexpr double kFeedFloor = -30.0;  // ln z of an absent component
constexpr std::int32_t kSubstitutions = 3;

std::size_t count(std::int32_t n) {
  return static_cast<std::size_t>(std::clamp(n, 0, kStabilityComponents));
}

// The scratch of one test.
struct Work {
  std::array<double, kLda> d{}, lnknew{}, dlnk{}, saved{};
};

std::array<double, kLda> copyOf(std::span<const double> v) {
  std::array<double, kLda> c{};
  std::copy_n(v.begin(), std::min(v.size(), c.size()), c.begin());
  return c;
}

// Step 8: accelerated substitution on the split of LNK (in/out). Returns the last step.
SubstitutionStep accelerate(std::int32_t n, double t, double p, std::span<double> lnk,
                            std::span<const double> z, std::span<double> x, std::span<double> y,
                            Work& w) {
  const std::size_t nn = count(n);
  SubstitutionStep step;
  DIRSUB(n, t, p, x, y, z, lnk, w.lnknew, w.dlnk, w.d, step);
  if (stabilityFault()) return step;
  std::copy_n(w.lnknew.begin(), nn, lnk.begin());
  for (std::int32_t pass = 1; pass <= 3; ++pass) {
    std::array<double, 3> ssq{};
    bool converged = false;
    for (std::size_t k = 0; k < 3; ++k) {
      DIRSUB(n, t, p, x, y, z, lnk, w.lnknew, w.dlnk, w.d, step);
      if (stabilityFault()) return step;
      std::copy_n(w.lnknew.begin(), nn, lnk.begin());
      ssq[k] = step.ssq;
      if (step.gmax < kConverged) {
        converged = true;
        break;
      }
    }
    if (converged) continue;
    double lambda = std::sqrt(ssq[2] / ssq[1]);
    if (!(lambda <= 0.95)) lambda = 0.95;
    const double before = step.obfun;
    std::copy_n(lnk.begin(), nn, w.saved.begin());
    for (std::size_t i = 0; i < nn; ++i) lnk[i] += lambda / (1.0 - lambda) * w.dlnk[i];
    const SubstitutionStep last = step;
    DIRSUB(n, t, p, x, y, z, lnk, w.lnknew, w.dlnk, w.d, step);
    if (stabilityFault()) return step;
    if (before + 1.0e-10 <= step.obfun) {
      std::copy_n(w.saved.begin(), nn, lnk.begin());
      step = last;
      break;
    }
    std::copy_n(w.lnknew.begin(), nn, lnk.begin());
  }
  return step;
}

// Steps 8 to 10: accelerated substitution on the split of LNK, the split, and the Gibbs
// minimisation when substitution has not converged. Returns ISPLIT.
std::int32_t finishSplit(std::int32_t n, double t, double p, std::span<double> lnk,
                         std::span<const double> z, std::span<double> x, std::span<double> y,
                         double& frac, double gf, Work& w, std::int32_t& ierr) {
  const std::size_t nn = count(n);
  const SubstitutionStep step = accelerate(n, t, p, lnk, z, x, y, w);
  if (stabilityFault()) return 0;
  if (!STCLSV(n, x, y, z, lnk, frac)) return 0;
  if (step.gmax < kConverged) return 1;
  // A split with one phase empty is no split: SOLMIN would take logarithms of nothing.
  if (!(frac > 0.0 && frac < 1.0)) return 0;
  for (std::size_t i = 0; i < nn; ++i) {
    x[i] *= 1.0 - frac;
    y[i] *= frac;
  }
  double zl = 0.0, zv = 0.0;
  SOLMIN(n, t, p, x, y, z, zl, zv, gf, ierr);
  if (stabilityFault()) ierr = 1;
  frac = 0.0;
  for (std::size_t i = 0; i < nn; ++i) frac += y[i];
  for (std::size_t i = 0; i < nn; ++i) {
    x[i] /= 1.0 - frac;
    y[i] /= frac;
  }
  return 1;
}

// The reduced Gibbs energy of one mole of a split, and the tangent plane of its liquid:
// PLANE_i = ln x_i + ln phi_i(x).
double splitGibbs(std::int32_t n, double t, double p, std::span<const double> x,
                  std::span<const double> y, double frac, std::span<double> plane) {
  const std::size_t nn = count(n);
  std::array<double, kLda> pl{}, pv{};
  std::int32_t ist = 0;
  double zl = 0.0, zv = 0.0;
  STPHSG(n, 1, kLowerGibbs, ist, t, p, zl, x, pl, nullptr);
  STPHSG(n, 1, kLowerGibbs, ist, t, p, zv, y, pv, nullptr);
  double g = 0.0;
  for (std::size_t i = 0; i < nn; ++i) {
    plane[i] = x[i] > 0.0 ? std::log(x[i]) + pl[i] : kFeedFloor;
    if (x[i] > 0.0) g += (1.0 - frac) * x[i] * (std::log(x[i]) + pl[i]);
    if (y[i] > 0.0) g += frac * y[i] * (std::log(y[i]) + pv[i]);
  }
  return g;
}

// A split found from one start may be only a local minimum of the Gibbs energy (a second
// liquid below the plane of a vapour-liquid split). Trials on the tie line are minimised
// against the split's tangent plane; a trial below it replaces the nearer phase and the
// split is converged again, and kept when its Gibbs energy is lower. At most three rounds.
void verifySplit(std::int32_t n, double t, double p, std::span<double> lnk,
                 std::span<const double> z, std::span<double> x, std::span<double> y, double& frac,
                 double gf, Work& w, std::int32_t& ierr) {
  const std::size_t nn = count(n);
  for (std::int32_t round = 0; round < 3 && ierr == 0; ++round) {
    std::array<double, kLda> plane{};
    const double g = splitGibbs(n, t, p, x, y, frac, plane);
    if (stabilityFault()) return;
    std::array<double, kLda> trial{};
    bool below = false;
    for (const double f : {0.75, 0.25, 0.5}) {
      for (std::size_t i = 0; i < nn; ++i) trial[i] = (1.0 - f) * x[i] + f * y[i];
      std::int32_t istat = 0, iflag = 0;
      double tm = 0.0;
      STTPDM(n, 0, istat, iflag, t, p, trial, x, plane, tm);
      if (stabilityFault()) return;
      if (iflag == 1) {
        below = true;
        break;
      }
    }
    if (!below) return;
    double sum = 0.0;
    for (std::size_t i = 0; i < nn; ++i) sum += trial[i];
    double toX = 0.0, toY = 0.0;
    for (std::size_t i = 0; i < nn; ++i) {
      trial[i] /= sum;
      toX += std::abs(trial[i] - x[i]);
      toY += std::abs(trial[i] - y[i]);
    }
    // The candidate split: the trial in place of the nearer phase.
    const std::array<double, kLda> savedX = copyOf(x), savedY = copyOf(y), savedK = copyOf(lnk);
    const double savedFrac = frac;
    for (std::size_t i = 0; i < nn; ++i) {
      if (services::RELCM2(z[i], 0.0) == 0 || !(x[i] > 0.0 && y[i] > 0.0)) {
        lnk[i] = 0.0;
      } else {
        lnk[i] = toY < toX ? std::log(trial[i] / x[i]) : std::log(y[i] / trial[i]);
      }
    }
    std::int32_t candidateErr = 0;
    const std::int32_t split = finishSplit(n, t, p, lnk, z, x, y, frac, gf, w, candidateErr);
    std::array<double, kLda> unused{};
    const bool better = !stabilityFault() && split == 1 && candidateErr == 0 &&
                        splitGibbs(n, t, p, x, y, frac, unused) < g - 1.0e-10 && !stabilityFault();
    if (!better) {
      clearStabilityFault();
      std::copy_n(savedX.begin(), nn, x.begin());
      std::copy_n(savedY.begin(), nn, y.begin());
      std::copy_n(savedK.begin(), nn, lnk.begin());
      frac = savedFrac;
      return;
    }
  }
}

}  // namespace

void STABL(std::int32_t n, double t, double p, std::span<double> lnk, std::span<const double> z,
           std::span<double> x, std::span<double> y, double& frac, std::int32_t& isplit,
           std::int32_t /*iprint*/, std::int32_t& ierr) {
  const std::size_t nn = count(n);
  isplit = 0;
  ierr = 0;
  clearStabilityFault();
  const auto failed = [&] {
    ierr = 1;
    isplit = 0;
  };
  Work w;
  double tpdL = 0.0, tpdV = 0.0;

  // 2. The feed at its lower-Gibbs root: d_i and gF.
  std::int32_t ist = 0;
  double zf = 0.0;
  std::array<double, kLda> lnphi{};
  STPHSG(n, 1, kLowerGibbs, ist, t, p, zf, z, lnphi, nullptr);
  if (ist != 0) return failed();
  double gf = 0.0;
  for (std::size_t i = 0; i < nn; ++i) {
    w.d[i] = (z[i] > 0.0 ? std::log(z[i]) : kFeedFloor) + lnphi[i];
    gf += z[i] * w.d[i];
  }

  // 3. A first substitution step from FRAC = 0.5.
  frac = 0.5;
  SubstitutionStep step;
  DIRSUB(n, t, p, x, y, z, lnk, w.lnknew, w.dlnk, w.d, step);
  if (stabilityFault()) return failed();
  frac = step.frac;
  std::copy_n(w.lnknew.begin(), nn, lnk.begin());

  // 4. Up to three more steps while the split has liquid.
  bool shown = false, trialSplit = false;
  for (std::int32_t k = 0; k < kSubstitutions && frac >= 0.0 && frac < 1.0; ++k) {
    DIRSUB(n, t, p, x, y, z, lnk, w.lnknew, w.dlnk, w.d, step);
    if (stabilityFault()) return failed();
    std::copy_n(w.lnknew.begin(), nn, lnk.begin());
    if (step.obfun < kShownSplit) {
      shown = true;
      break;
    }
    if (step.tpdx < kShownSplit || step.tpdy < kShownSplit) {
      tpdL = step.tpdx;
      tpdV = step.tpdy;
      isplit = 1;
      trialSplit = true;
      break;
    }
    if (!STCLSV(n, x, y, z, lnk, frac)) return failed();
  }

  if (!shown && !trialSplit) {
    // 5-6. The trials: X_i = z_i/K_i (liquid-like), Y_i = z_i K_i (vapour-like); the
    // vapour-like one first unless the split is mostly vapour.
    for (std::size_t i = 0; i < nn; ++i) {
      const double k = std::exp(lnk[i]);
      x[i] = z[i] / k;
      y[i] = z[i] * k;
    }
    const bool liquidFirst = frac > 0.5;
    for (std::int32_t trial = 0; trial < 2 && isplit == 0; ++trial) {
      const bool liquid = (trial == 0) == liquidFirst;
      std::int32_t istat = 0, iflag = 0;
      double tm = 0.0;
      STTPDM(n, 0, istat, iflag, t, p, liquid ? x : y, z, w.d, tm);
      if (stabilityFault()) return failed();
      (liquid ? tpdL : tpdV) = tm;
      if (iflag == 1) isplit = 1;
    }
    if (isplit == 0) return;
    trialSplit = true;
  }

  if (trialSplit) {
    // 7. K-values from the winning trial, then accelerated substitution.
    frac = 0.5;
    for (std::size_t i = 0; i < nn; ++i) {
      if (services::RELCM2(z[i], 0.0) == 0) {
        lnk[i] = 0.0;
      } else if (tpdL < tpdV) {
        lnk[i] = std::log(z[i] / x[i]) - 1.0e-6;
      } else {
        lnk[i] = std::log(y[i] / z[i]) + 1.0e-6;
      }
    }
  }
  // 8-10. The split converged, then checked against a second liquid.
  isplit = finishSplit(n, t, p, lnk, z, x, y, frac, gf, w, ierr);
  if (stabilityFault()) return failed();
  if (isplit == 1 && ierr == 0) verifySplit(n, t, p, lnk, z, x, y, frac, gf, w, ierr);
  if (stabilityFault()) return failed();
}

}  // namespace multiphase
