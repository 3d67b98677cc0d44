// The positive flash FLASHP and its bounded phase-fraction solver CLSOLV.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "flash/algorithms.hpp"
#include "flash/bounded_split.hpp"
#include "flash/flash_notes.hpp"
#include "flash/flash_print.hpp"
#include "flash/flash_state.hpp"
#include "flash/pseudo_vapour_pressure.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"

namespace flash {
namespace {

constexpr std::int32_t kBoundedStepLimit = 100;
constexpr std::int32_t kPassLimit = 100;
constexpr double kSplitTolerance = 1e-12;
constexpr double kSmallestK = 1e-12;
constexpr double kSmallestExitK = 1e-10;
constexpr double kConverged = 1e-4;      // largest relative K change of a converged pass
constexpr double kCountedFeed = 1e-4;    // feed fraction from which a K change counts
constexpr double kStoredVapour = 0.9999995;
constexpr double kStoredLiquid = 5e-7;
constexpr double kBelowOne = 0.99, kAboveOne = 1.01;
constexpr double kLiquidMarker = -0.5, kVapourMarker = 1.5;
constexpr std::int32_t kFreshStart = 1, kReuseK = 2;
constexpr int kFlashPrintSwitch = 28;

std::size_t count(std::int32_t n) { return static_cast<std::size_t>(std::max(n, 0)); }

// v = w / sum(w) over n values; unchanged when the sum is not positive.
void normalise(std::span<double> v, std::size_t n) {
  double sum = 0.0;
  for (std::size_t i = 0; i < n; ++i) sum += v[i];
  if (!(sum > 0.0)) return;
  for (std::size_t i = 0; i < n; ++i) v[i] /= sum;
}

}  // namespace

void CLSOLV(std::int32_t n, std::span<const double> z, std::span<const double> k, double tol,
            std::span<double> x, std::span<double> y, double& v, std::int32_t& steps,
            std::int32_t& status) {
  const std::size_t m = count(n);
  if (z.size() < m || k.size() < m || x.size() < m || y.size() < m) {
    services::ERRITM("N", n);
    services::ABTRPT("FL", "CLSOLV", "CLSOLV", "COMPOSITION ARRAYS SHORTER THAN N");
  }
  const auto zs = z.first(m);
  const auto ks = k.first(m);
  const auto xs = x.first(m);
  const auto ys = y.first(m);
  steps = 0;
  double f0 = -1.0, f1 = 1.0;
  for (std::size_t i = 0; i < m; ++i) {
    f0 += zs[i] * ks[i];
    f1 -= zs[i] / ks[i];
  }
  if (services::RELCM2(f0, 0.0) == 0 && services::RELCM2(f1, 0.0) == 0) {
    status = static_cast<std::int32_t>(BoundedSplitResult::AllKOne);
    v = 0.5;
    std::copy(zs.begin(), zs.end(), xs.begin());
    std::copy(zs.begin(), zs.end(), ys.begin());
    return;
  }
  if (f1 >= 0.0) {
    status = static_cast<std::int32_t>(BoundedSplitResult::AllVapour);
    v = 1.0;
    for (std::size_t i = 0; i < m; ++i) {
      ys[i] = zs[i];
      xs[i] = zs[i] / ks[i];
    }
    normalise(xs, m);
    return;
  }
  if (f0 <= 0.0) {
    status = static_cast<std::int32_t>(BoundedSplitResult::AllLiquid);
    v = 0.0;
    for (std::size_t i = 0; i < m; ++i) {
      xs[i] = zs[i];
      ys[i] = zs[i] * ks[i];
    }
    normalise(ys, m);
    return;
  }
  // g(0) = f0 > 0 > g(1) = f1 and g falls monotonically: one root inside (0, 1).
  status = static_cast<std::int32_t>(BoundedSplitResult::StepLimit);
  double lo = 0.0, hi = 1.0;
  v = 0.5;
  for (std::int32_t step = 1; step <= kBoundedStepLimit; ++step) {
    double g = 0.0, dg = 0.0;
    for (std::size_t i = 0; i < m; ++i) {
      const double t = (ks[i] - 1.0) / (1.0 + v * (ks[i] - 1.0));
      g += zs[i] * t;
      dg -= zs[i] * t * t;
    }
    steps = step;
    const bool newtonInside = ((v - lo) * dg - g) * ((v - hi) * dg - g) < 0.0;
    if (g > 0.0) {
      lo = v;
    } else {
      hi = v;
    }
    double dv = 0.0;
    if (newtonInside) {
      dv = g / dg;
      v -= dv;
    } else {
      dv = 0.5 * (hi - lo);
      v = lo + dv;
    }
    if (std::abs(dv) < tol) {
      status = static_cast<std::int32_t>(BoundedSplitResult::TwoPhase);
      break;
    }
  }
  for (std::size_t i = 0; i < m; ++i) {
    xs[i] = zs[i] / (1.0 + v * (ks[i] - 1.0));
    ys[i] = ks[i] * xs[i];
  }
}

namespace {

// The component table of a pass.
void printComponents(const IsothermalFlash& a) {
  writef(a.IOUT, "  COMP      FEED          Y             X             K           XKSTOR");
  for (std::size_t i = 0; i < count(a.NC); ++i) {
    if (a.Z[i] > 0.0) {
      writef(a.IOUT, " %4zu %13.5E %13.5E %13.5E %13.5E %13.5E", i + 1, a.Z[i], a.Y[i], a.X[i],
             a.XK[i], a.XKSTOR[i]);
    }
  }
  writef(a.IOUT, " TRATE=%14.6E FVAPOR=%14.6E FTOTLQ=%14.6E", a.TRATE, a.FVAPOR, a.FTOTLQ);
}

// Whether a stored estimate spares the first K-value refresh; fills the fractions and K
// from it either way.
bool refreshAfterStoredEstimate(IsothermalFlash& a) {
  FLSCPY(a.FLIQHC, a.FWATER, a.FTOTLQ, a.FVAPOR, a.NCOMP, a.XK);
  if (a.FVAPOR > kStoredVapour || a.FVAPOR < kStoredLiquid) return true;
  double kmax = 0.0;
  bool any = false;
  for (std::size_t i = 0; i < count(a.NCOMP); ++i) {
    kmax = any ? std::max(kmax, a.XK[i]) : a.XK[i];
    any = true;
  }
  return any && kmax > kBelowOne && kmax < kAboveOne;
}

}  // namespace

void FLASHP(IsothermalFlash& a, std::span<double> w1, std::span<double> w2, std::span<double> w3,
            std::span<double> w4) {
  const std::size_t n = count(a.NC);
  if (w1.size() < n || w2.size() < n || w3.size() < n || w4.size() < n) {
    services::ERRITM("NC", a.NC);
    services::ABTRPT("FL", "FLASHP", "FLASHP", "WORK ARRAYS SHORTER THAN NC");
  }
  const std::int64_t callsAtEntry = kvalueCalls();
  if (a.IDEBUG > 0) {
    writef(a.IOUT,
           " ENTERING FLASHP T=%12.4f GTOL=%12.4E IFIXLW=%3d ITPFIX=%3d  IEOS=%3d KXFLAG=%3d "
           "KXOPT=%3d INITFL=%3d",
           a.T, a.GTOL, a.IFIXLW, a.ITPFIX, a.IEOS, a.KXFLAG, a.KXOPT, a.INITFL);
  }
  a.IFFAIL = kFlashSolved;
  a.FVAPOR = 0.0;
  a.FWATER = 0.0;
  a.GFLSH = 0.0;
  a.GFLABS = 0.0;
  const auto feed = w1.first(n);
  std::copy_n(a.Z.begin(), n, feed.begin());
  normalise(feed, n);

  bool refresh = true;
  if (FLSTAT.IHVDAT() == 2 && a.KXOPT == kFreshStart) refresh = refreshAfterStoredEstimate(a);

  bool restarted = false;
  for (;;) {
    // Start, or the single restart with fresh K-values.
    std::array<double, 4> history{0.5, 0.5, 0.5, 0.5};
    std::int32_t passes = 0, kopt = 0, kerr = 0;
    constexpr std::int32_t kPhase = 12;
    std::fill_n(a.XKSTOR.begin(), count(a.NCOMP), 0.0);
    const auto refreshK = [&] {
      std::int32_t kccall = kPhase, ifugst = 0;
      flashKValues(a.NCOMP, a.NC, a.Y, a.X, a.XK, a.T, a.P, a.ZV, a.ZL, kccall, a.KCDRV, kopt, kerr,
                   a.KLLE, ifugst);
    };
    if (refresh) refreshK();
    bool leftAtBound = false;
    for (;;) {
      kopt = 1;
      if (!allFinite(a.XK.first(n))) {
        // No split of K-values that are not numbers.
        if (a.IDEBUG > 0) writef(a.IOUT, " K-VALUES NOT FINITE - FLASHP FAILED");
        a.IFFAIL = kFlashFailed;
        break;
      }
      for (std::size_t i = 0; i < n; ++i) w4[i] = std::max(a.XK[i], kSmallestK);
      double v = 0.0;
      std::int32_t steps = 0, status = 0;
      CLSOLV(a.NC, feed, w4, kSplitTolerance, w2, w3, v, steps, status);
      std::copy_n(w2.begin(), n, a.X.begin());
      std::copy_n(w3.begin(), n, a.Y.begin());
      normalise(a.X, n);
      normalise(a.Y, n);
      a.FVAPOR = v;
      a.FLIQHC = a.FTOTLQ = 1.0 - v;
      if (a.IDEBUG > 3) printComponents(a);
      if (status > 0 && a.IDEBUG > 0) {
        writef(a.IOUT, " KXITER=%4d    IERR=%3d", passes, status);
      }
      if (status == static_cast<std::int32_t>(BoundedSplitResult::StepLimit)) {
        a.IFFAIL = kFlashFailed;
        break;
      }
      if (status == static_cast<std::int32_t>(BoundedSplitResult::AllKOne) && passes >= 1) {
        // K-values that stay at one: the phase by the pseudo-critical properties.
        a.FVAPOR = vapourLike(a) ? kVapourMarker : kLiquidMarker;
        if (a.IDEBUG > 0) writef(a.IOUT, " ALL KVALUES=1  IERR=1");
        break;
      }
      double dxpct = 0.0;
      for (std::size_t i = 0; i < n; ++i) {
        if (a.Z[i] < kCountedFeed) continue;
        const double change = a.XK[i] > 0.0 ? std::abs(a.XK[i] - a.XKSTOR[i]) / a.XK[i]
                                            : std::abs(a.XK[i] - a.XKSTOR[i]);
        dxpct = std::max(dxpct, change);
      }
      if (passes >= 1 && a.IDEBUG > 1) {
        for (std::size_t i = 0; i < n; ++i) {
          if (a.Z[i] < kCountedFeed) continue;
          const double change = a.XK[i] > 0.0 ? std::abs(a.XK[i] - a.XKSTOR[i]) / a.XK[i]
                                              : std::abs(a.XK[i] - a.XKSTOR[i]);
          if (change == dxpct) {
            writef(a.IOUT, " COMP(%3zu)  KVALUE=%13.5E  DXPCT=%13.5E", i + 1, a.XK[i], change);
          }
        }
      }
      if (a.IDEBUG > 0) {
        writef(a.IOUT, " K/R ITER  DXPCT          ZV            ZL            FLIQHC        FVAPOR");
        writef(a.IOUT, " %4d%4d %13.5E %13.5E %13.5E %13.5E %13.5E", passes, status, dxpct, a.ZV,
               a.ZL, a.FLIQHC, a.FVAPOR);
      }
      std::copy_n(a.XK.begin(), count(a.NCOMP), a.XKSTOR.begin());
      ++passes;
      if (a.KXOPT != kReuseK) {
        a.KXOPT = kReuseK;
      } else {
        if (dxpct < kConverged) break;
        const bool allLiquid = a.FVAPOR <= 0.0 && std::all_of(history.begin(), history.end(),
                                                               [](double h) { return h <= 0.0; });
        const bool allVapour = a.FVAPOR >= 1.0 && std::all_of(history.begin(), history.end(),
                                                              [](double h) { return h >= 1.0; });
        if (allLiquid || allVapour) {
          leftAtBound = true;
          break;
        }
        std::copy_backward(history.begin(), history.end() - 1, history.end());
        history[0] = a.FVAPOR;
        if (passes >= kPassLimit) {
          a.IFFAIL = kFlashFailed;
          break;
        }
      }
      refreshK();
    }
    if (leftAtBound && !refresh && !restarted) {
      // Stored K-values that keep the feed in one phase: once more from fresh ones.
      if (a.IDEBUG > 0) writef(a.IOUT, " ***** STARTING OVER WITH IDEAL KVALUES *****");
      refresh = true;
      restarted = true;
      continue;
    }
    break;
  }

  // Exit: a fraction outside 0..1 is a single phase.
  if (a.FVAPOR < 0.0) {
    a.FVAPOR = 0.0;
    a.FLIQHC = 1.0;
    for (std::size_t i = 0; i < n; ++i) {
      a.X[i] = feed[i];
      a.Y[i] = feed[i] * a.XK[i];
    }
    normalise(a.Y, n);
  } else if (a.FVAPOR > 1.0) {
    a.FVAPOR = 1.0;
    a.FLIQHC = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      a.Y[i] = feed[i];
      a.X[i] = feed[i] / std::max(a.XK[i], kSmallestExitK);
    }
    normalise(a.X, n);
  }
  a.FTOTLQ = a.FLIQHC;
  if (a.IDEBUG == 3) printComponents(a);
  if (a.IDEBUG > 0) {
    writef(a.IOUT, " LEAVING FLASHP - IFFAIL=%4d  FLIQHC=%14.6E  FVAPOR=%14.6E", a.IFFAIL,
           a.FLIQHC, a.FVAPOR);
  }
  if (services::GDPOPT.diagnosticSwitch(kFlashPrintSwitch) > 2) {
    writef(a.IOUT, "   LEAVE FLASHP- KCALCS%6lld T%10.3f P%12.3f HC/F%10.6f",
           static_cast<long long>(kvalueCalls() - callsAtEntry), a.T, a.P, a.FLIQHC);
  }
}

}  // namespace flash
