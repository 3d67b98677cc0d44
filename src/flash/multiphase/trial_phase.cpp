// Trial-phase evaluation and direct substitution of the stability test: STPHSG, DIRSUB,
// STTRLG and the vector services STCLSV, STNORM and STCOPY.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "flash/flash.hpp"
#include "flash/multiphase/stability.hpp"
#include "services/kept_values.hpp"
#include "services/services.hpp"

namespace multiphase {

TrialPhaseBlocks STBPHS;

namespace {

bool fault = false;
const bool kTrialReset = services::registerKeptValues([] {
  STBPHS = {};
  fault = false;
});

constexpr double kSplitTolerance = 1.0e-10;
constexpr std::int32_t kDerivatives = 100;  // option word of level 4

std::size_t count(std::int32_t n) {
  return static_cast<std::size_t>(std::clamp(n, 0, kStabilityComponents));
}

bool finite(std::span<const double> v) {
  return std::all_of(v.begin(), v.end(), [](double e) { return std::isfinite(e); });
}

}  // namespace

bool stabilityFault() { return fault; }
void clearStabilityFault() { fault = false; }
void raiseStabilityFault() { fault = true; }

void STPHSG(std::int32_t n, std::int32_t mode, std::int32_t phase, std::int32_t& ist, double t,
            double p, double& z, std::span<const double> x, std::span<double> lnphi,
            Matrix50* dmat) {
  ist = 0;
  const std::size_t nn = count(n);
  std::array<double, kLda> xn{};
  double sum = 0.0;
  STNORM(n, x, xn, sum);
  const std::int32_t option = mode >= 2 ? kDerivatives : 0;
  if (mode >= 2) ++THMISC.derivativeCalls;
  ++THMISC.phaseCalls;
  const auto gibbs = [&](std::span<const double> v) {
    double g = 0.0;
    for (std::size_t i = 0; i < nn; ++i) g += xn[i] * v[i];
    return g;
  };
  const auto take = [&] {
    std::copy_n(STBFUG.lnphi.begin(), nn, lnphi.begin());
    if (mode >= 2 && dmat != nullptr) {
      for (std::size_t j = 0; j < nn; ++j) {
        std::copy_n(STBFUG.m.v.begin() + static_cast<std::ptrdiff_t>(j * kLda), nn,
                    dmat->v.begin() + static_cast<std::ptrdiff_t>(j * kLda));
      }
    }
  };
  std::array<double, kLda> scratch{};
  const std::span<double> out(scratch.data(), nn);
  std::int32_t status = 0;
  if (phase == kLiquidOnly) {
    STEOSL(n, xn, out, t, p, z, option, 0, status);
    take();
  } else if (phase == kVapourOnly) {
    STEOSV(n, xn, out, t, p, z, option, 0, status);
    take();
  } else {
    // Both roots; the vapour-like one stands only when its Gibbs energy is lower.
    double zv = 0.0, zl = 0.0;
    STEOSV(n, xn, out, t, p, zv, option, 0, status);
    const double gv = gibbs(out);
    take();
    std::array<double, kLda> liquid{};
    STEOSL(n, xn, std::span<double>(liquid.data(), nn), t, p, zl, option, 0, status);
    const double gl = gibbs(liquid);
    if (gv < gl) {
      z = zv;  // LNPHI and DMAT already hold the vapour-like root
    } else {
      z = zl;
      take();
    }
  }
  if (status != 0 || !std::isfinite(z) || !finite(lnphi.first(nn))) {
    ist = 1;
    fault = true;
  }
}

bool STCLSV(std::int32_t n, std::span<double> x, std::span<double> y, std::span<const double> z,
            std::span<const double> lnk, double& frac) {
  const std::size_t nn = count(n);
  std::array<double, kLda> k{};
  for (std::size_t i = 0; i < nn; ++i) k[i] = std::exp(lnk[i]);
  if (!finite(std::span<const double>(k.data(), nn))) {
    fault = true;
    return false;
  }
  std::int32_t steps = 0, status = 0;
  flash::CLSOLV(n, z, k, kSplitTolerance, x, y, frac, steps, status);
  using flash::BoundedSplitResult;
  if (status == static_cast<std::int32_t>(BoundedSplitResult::AllKOne) ||
      status == static_cast<std::int32_t>(BoundedSplitResult::StepLimit)) {
    fault = true;
    return false;
  }
  return true;
}

bool STNORM(std::int32_t n, std::span<const double> x, std::span<double> xn, double& sum) {
  const std::size_t nn = count(n);
  sum = 0.0;
  for (std::size_t i = 0; i < nn; ++i) sum += x[i];
  if (sum == 0.0 || !std::isfinite(1.0 / sum)) return false;
  for (std::size_t i = 0; i < nn; ++i) xn[i] = x[i] / sum;
  return true;
}

void STCOPY(std::int32_t n, std::span<const double> a, std::span<double> b) {
  std::copy_n(a.begin(), count(n), b.begin());
}

void DIRSUB(std::int32_t n, double t, double p, std::span<double> x, std::span<double> y,
            std::span<const double> z, std::span<const double> lnk, std::span<double> lnknew,
            std::span<double> dlnk, std::span<const double> d, SubstitutionStep& out) {
  const std::size_t nn = count(n);
  // 1. The split with the incoming K-values.
  if (!STCLSV(n, x, y, z, lnk, out.frac)) return;
  // 2. Both phases at their lower-Gibbs roots.
  std::int32_t ist = 0;
  STPHSG(n, 1, kLowerGibbs, ist, t, p, out.zl, x, STBPHS.liquid.lnphi, nullptr);
  if (ist != 0) return;
  STPHSG(n, 1, kLowerGibbs, ist, t, p, out.zv, y, STBPHS.vapour.lnphi, nullptr);
  if (ist != 0) return;
  // 3. New ln K and their change.
  out.gmax = 0.0;
  out.ssq = 0.0;
  for (std::size_t i = 0; i < nn; ++i) {
    const double knew = STBPHS.liquid.lnphi[i] - STBPHS.vapour.lnphi[i];
    const double delta = knew - lnk[i];
    out.gmax = std::max(out.gmax, std::abs(delta));
    out.ssq += z[i] * delta * delta;
    dlnk[i] = delta;
    lnknew[i] = knew;
  }
  // 4-5. Tangent-plane distances of both compositions and the Gibbs energy change.
  double sx = 0.0, sy = 0.0;
  for (std::size_t i = 0; i < nn; ++i) {
    sx += x[i];
    sy += y[i];
  }
  out.tpdx = 0.0;
  out.tpdy = 0.0;
  for (std::size_t i = 0; i < nn; ++i) {
    if (!(z[i] > 0.0)) continue;
    const double xi = x[i] / sx, yi = y[i] / sy;
    if (xi > 0.0) out.tpdx += xi * (std::log(xi) + STBPHS.liquid.lnphi[i] - d[i]);
    if (yi > 0.0) out.tpdy += yi * (std::log(yi) + STBPHS.vapour.lnphi[i] - d[i]);
  }
  out.obfun = (1.0 - out.frac) * out.tpdx + out.frac * out.tpdy;
  if (!std::isfinite(out.obfun) || !std::isfinite(out.ssq)) fault = true;
}

void STTRLG(std::int32_t n, double t, double p, std::span<const double> z,
            std::span<const double> lnw, std::span<double> w, std::span<double> lnwnew,
            std::span<double> del, double& ssq, double& gmax, std::span<const double> d,
            double& tm) {
  const std::size_t nn = count(n);
  for (std::size_t i = 0; i < nn; ++i) {
    w[i] = services::RELCM2(z[i], 0.0) == 0 ? 0.0 : std::exp(lnw[i]);
  }
  double zt = 0.0;
  std::int32_t ist = 0;
  double sum = 0.0;
  std::array<double, kLda> probe{};
  tm = 1.0;
  ssq = 0.0;
  gmax = 0.0;
  // A trial that has lost every amount cannot be evaluated: it ends as not unstable (tm 1,
  // no change, so that the minimisation stops there).
  if (!STNORM(n, w, probe, sum)) {
    for (std::size_t i = 0; i < nn; ++i) {
      del[i] = 0.0;
      lnwnew[i] = lnw[i];
    }
    return;
  }
  STPHSG(n, 1, kLowerGibbs, ist, t, p, zt, w, STBPHS.vapour.lnphi, nullptr);
  if (ist != 0) return;
  for (std::size_t i = 0; i < nn; ++i) {
    const bool present = services::RELCM2(z[i], 0.0) != 0;
    const double v = present ? d[i] - STBPHS.vapour.lnphi[i] : 0.0;
    const double delta = v - lnw[i];
    del[i] = delta;
    lnwnew[i] = v;
    ssq += delta * delta * w[i];
    gmax = std::max(gmax, std::abs(delta));
    tm -= (delta + 1.0) * w[i];
  }
  if (!std::isfinite(tm) || !std::isfinite(ssq)) fault = true;
}

}  // namespace multiphase
