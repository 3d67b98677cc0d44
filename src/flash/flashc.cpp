// FLASHC: the two-phase flash by Newton steps on ln K around the Rachford-Rice split.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "flash/algorithms.hpp"
#include "flash/flash_notes.hpp"
#include "flash/flash_print.hpp"
#include "flash/flash_state.hpp"
#include "flash/newton_flash.hpp"
#include "flash/pseudo_vapour_pressure.hpp"
#include "flash/rachford_rice.hpp"
#include "flash/substitution.hpp"
#include "services/kept_values.hpp"
#include "services/markers.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"

namespace flash {
namespace {

constexpr double kSmallestFeed = 1e-12;
constexpr double kSmallestK = 1e-30;
constexpr double kMissingK = -1.0e35;
constexpr double kBelowOne = 0.99, kAboveOne = 1.01;
constexpr double kSplitTolerance = 1e-12;
constexpr double kConverged = 1e-10;       // largest relative change of K of a converged pass
constexpr double kStalled = 1e-6;          // relative change of an out-of-range V
constexpr double kLiquidBound = -0.1499999999999999;
constexpr double kVapourBound = 1.15;
constexpr std::int32_t kPassLimit = 99;
constexpr std::int32_t kKChecks = 3;
constexpr std::int32_t kPhaseOption = 12;
constexpr std::int32_t kReuseK = 2, kFreshStart = 1;
constexpr std::int32_t kDerivativeMode = 2;
constexpr int kFlashPrintSwitch = 28;
// The oscillation test on V (FLSOSC): from this pass on, V repeating one of its last six
// values.
constexpr std::int32_t kOscillationPass = 10;

// Scratch of the Newton flash, grown to the largest component count seen and let go at
// every problem open. Core reals are not aligned as doubles, so the split and the Newton
// step work here rather than in the flash work-table slots.
struct NewtonScratch {
  std::vector<double> z, x, y, k, w1, w2, w3, w4, d, f, j, g, work;
  std::vector<std::int32_t> ipiv, flags;
  void size(std::size_t n) {
    for (std::vector<double>* v : {&z, &x, &y, &k, &w1, &w2, &w3, &w4, &f, &g, &work}) {
      if (v->size() < n) v->resize(n);
    }
    if (d.size() < n * n) d.resize(n * n);
    if (j.size() < n * (n + 1)) j.resize(n * (n + 1));
    if (ipiv.size() < n) ipiv.resize(n);
    if (flags.size() < n) flags.resize(n);
  }
};
NewtonScratch scratch;
const bool kScratchReset = services::registerKeptValues([] { scratch = {}; });

void normalise(std::span<double> v, std::size_t n) {
  double sum = 0.0;
  for (std::size_t i = 0; i < n; ++i) sum += v[i];
  if (!(sum > 0.0)) return;
  for (std::size_t i = 0; i < n; ++i) v[i] /= sum;
}

void printComponents(const IsothermalFlash& a) {
  writef(a.IOUT, " COMP     FEED          Y             X             K           XKSTOR");
  for (std::size_t i = 0; i < static_cast<std::size_t>(std::max(a.NC, 0)); ++i) {
    if (a.Z[i] > 0.0) {
      writef(a.IOUT, " %4zu %13.5E %13.5E %13.5E %13.5E %13.5E", i + 1, a.Z[i], a.Y[i], a.X[i],
             a.XK[i], a.XKSTOR[i]);
    }
  }
}

}  // namespace

void FLASHC(IsothermalFlash& a, std::int32_t& kxopt, const TwoPhaseWork&, const NewtonWork&,
            std::int32_t level) {
  const std::size_t n = static_cast<std::size_t>(std::max(a.NC, 0));
  const std::size_t nk = std::max(n, static_cast<std::size_t>(std::max(a.NCOMP, 0)));
  const std::int64_t callsAtEntry = kvalueCalls();
  if (a.IDEBUG > 0) {
    writef(a.IOUT, " ENTERING FLASHC T=%12.4f P=%12.4f GTOL=%12.4E IFIXLW=%3d ITPFIX=%3d  IEOS=%3d",
           a.T, a.P, a.GTOL, a.IFIXLW, a.ITPFIX, a.IEOS);
  }
  a.FVAPOR = a.FWATER = a.GFLSH = a.GFLABS = 0.0;
  a.IFFAIL = kFlashSolved;
  std::array<double, kOscillationHistory> history{};
  std::int32_t iosc = 0, nosc = 0;
  FLSOSC(OscillationMode::Reset, "FLASHC", iosc, 0, kOscillationPass, nosc, 0.0, history, a.IOUT,
         a.IDEBUG, level);
  const auto anyHistory = [&history](bool (*test)(double)) {
    return std::any_of(history.begin(), history.end(), test);
  };
  scratch.size(nk);
  NewtonScratch& s = scratch;
  std::int32_t npres = 0;
  for (std::size_t i = 0; i < n; ++i) {
    s.z[i] = a.Z[i] > 0.0 && a.Z[i] < kSmallestFeed ? kSmallestFeed : a.Z[i];
    s.x[i] = a.X[i];
    s.y[i] = a.Y[i];
    s.flags[i] = s.z[i] > 0.0 ? 1 : 0;
    npres += s.flags[i];
  }
  std::int32_t kopt = 0, kerr = 0;
  const auto kvalues = [&] {
    std::int32_t kccall = kPhaseOption, ifugst = 0;
    flashKValues(a.NCOMP, a.NC, a.Y, a.X, a.XK, a.T, a.P, a.ZV, a.ZL, kccall, a.KCDRV, kopt, kerr,
                 a.KLLE, ifugst);
    kopt = 1;
  };
  const auto nearOneEnd = [&] {
    if (a.IDEBUG > 0) writef(a.IOUT, " ALL KVALUES NEAR 1.0");
    a.FVAPOR = vapourLike(a) ? kVapourBound : kLiquidBound;
  };

  // Start K-values.
  bool fresh = true;
  if (kxopt == kReuseK) {
    fresh = false;
  } else if (FLSTAT.IHVDAT() == 2 && kxopt == kFreshStart) {
    FLSCPY(a.FLIQHC, a.FWATER, a.FTOTLQ, a.FVAPOR, a.NCOMP, a.XK);
    double kmax = 0.0;
    bool missing = false;
    for (std::size_t i = 0; i < static_cast<std::size_t>(std::max(a.NCOMP, 0)); ++i) {
      missing = missing || a.XK[i] < kMissingK;
      kmax = i == 0 ? a.XK[i] : std::max(kmax, a.XK[i]);
    }
    fresh = missing || (kmax >= kBelowOne && kmax <= kAboveOne);
  }
  if (fresh) kvalues();

  // The K check: a split needs K on both sides of one. A NaN or an infinite K-value leaves
  // nothing to split: the flash fails at once, as after a singular Newton matrix.
  bool split = false;
  for (std::int32_t check = 1; check <= kKChecks && !split; ++check) {
    if (!allFinite(a.XK.first(n))) {
      a.IFFAIL = kFlashFailed;
      if (a.IDEBUG > 0) {
        writef(a.IOUT, " K-VALUES NOT FINITE - LEAVING FLASHC - IFFAIL=%4d", a.IFFAIL);
      }
      return;
    }
    double kmin = 1.0, kmax = 1.0;
    bool allAbove = true;
    for (std::size_t i = 0; i < n; ++i) {
      s.k[i] = std::max(a.XK[i], kSmallestK);
      if (s.flags[i] == 0) continue;
      kmin = std::min(kmin, s.k[i]);
      kmax = std::max(kmax, s.k[i]);
      allAbove = allAbove && s.k[i] >= 1.0;
    }
    if ((kmin < kBelowOne && kmax > kAboveOne) ||
        (kmin < 1.0 && 1.0 < kmax && (kmin < kBelowOne || kmax > kAboveOne))) {
      split = true;
      break;
    }
    if (check == kKChecks) {
      // K-values all on one side of one, but not all near it, name the phase themselves:
      // the split gives all vapour or all liquid. Only K-values near one are left to the
      // pseudo-critical test.
      split = kmin < kBelowOne || kmax > kAboveOne;
      break;
    }
    // New trial phases from the feed and K, then K again.
    for (std::size_t i = 0; i < n; ++i) {
      if (allAbove && kmax > kAboveOne) {
        a.Y[i] = a.Z[i];
        a.X[i] = a.Z[i] / s.k[i];
      } else {
        a.X[i] = a.Z[i];
        a.Y[i] = a.Z[i] * s.k[i];
      }
    }
    normalise(allAbove && kmax > kAboveOne ? a.X : a.Y, n);
    kvalues();
    if (a.IDEBUG > 0) writef(a.IOUT, " AFTER KCALC - ICHECK=%3d  KVFLAG=%3d", check, kerr);
  }

  if (!split) {
    nearOneEnd();
  } else {
    std::int32_t pass = 0;
    std::array<double, 2> previousFractions{0.5, 0.0};
    double previousV = services::DMISS;
    for (;;) {
      double v = 0.0;
      std::int32_t iter = 0, code = 0;
      FLASHK(a.NC, s.z, s.k, kSplitTolerance, s.x, s.y, v, iter, code);
      a.FVAPOR = v;
      a.FLIQHC = a.FTOTLQ = 1.0 - v;
      std::copy_n(s.x.begin(), n, a.X.begin());
      std::copy_n(s.y.begin(), n, a.Y.begin());
      if (a.IDEBUG > 3) printComponents(a);
      const auto result = static_cast<RachfordRiceResult>(code);
      if (result == RachfordRiceResult::AllVapour || result == RachfordRiceResult::AllLiquid) {
        // K-values that a Newton step moved all to one side of one, from a split that named
        // the other phase or two phases, crossed the phase boundary in one step: nothing
        // tested that the phase they name is stable, so the flash fails and the caller
        // falls back on its other flash rather than take an unconverged single phase.
        const bool liquid = result == RachfordRiceResult::AllLiquid;
        const bool crossed = pass > 0 && npres > 1 && previousV != services::DMISS &&
                             (liquid ? previousV > 0.0 : previousV < 1.0);
        if (crossed) {
          a.IFFAIL = kFlashFailed;
          if (a.IDEBUG > 0) writef(a.IOUT, " ONE PHASE AFTER A NEWTON STEP ACROSS THE BOUNDARY");
        }
        break;
      }
      if (result == RachfordRiceResult::StepLimit) {
        a.IFFAIL = kFlashFailed;
        break;
      }
      if (result == RachfordRiceResult::KNearOne && pass > 0) {
        nearOneEnd();
        break;
      }
      std::copy_n(a.XK.begin(), n, a.XKSTOR.begin());
      if (npres > 1) {
        std::int32_t fail = 0;
        FLASC1(a.NC, s.flags, a.T, a.P, s.k, s.x, s.y, v, pass, s.w1, s.w2, s.w3, s.w4, s.d, s.f,
               s.j, s.g, s.ipiv, s.work, kDerivativeMode, fail, a.IDEBUG, a.IOUT, 0);
        if (fail != 0 || !allFinite(std::span<const double>(s.k).first(n))) {
          // A singular Newton matrix, or a step that took a K-value past the largest number:
          // the last split and its K-values stand, as a failure.
          a.IFFAIL = kFlashFailed;
          if (a.IDEBUG > 0) writef(a.IOUT, " LEAVING FLASHC - IFFAIL=%4d", a.IFFAIL);
          return;
        }
        std::copy_n(s.k.begin(), n, a.XK.begin());
      }
      for (std::size_t i = 0; i < n; ++i) s.k[i] = std::max(s.k[i], kSmallestK);
      double dkpct = 0.0;
      for (std::size_t i = 0; i < n; ++i) {
        if (!(a.Z[i] >= 0.0)) continue;
        const double change = a.XK[i] > 0.0 ? std::abs(a.XK[i] - a.XKSTOR[i]) / a.XK[i]
                                            : std::abs(a.XK[i] - a.XKSTOR[i]);
        dkpct = std::max(dkpct, change);
      }
      if (a.IDEBUG > 0 && (pass == 0 || a.IDEBUG > 1)) {
        writef(a.IOUT, " K/R ITER      DKPCT           ZV            ZL        FLIQHC        FVAPOR");
      }
      if (a.IDEBUG > 0) {
        writef(a.IOUT, " %8d %13.5E %13.5E %13.5E %13.5E %13.5E", pass, dkpct, a.ZV, a.ZL,
               a.FLIQHC, a.FVAPOR);
      }
      ++pass;
      kxopt = kReuseK;
      if (dkpct < kConverged) break;
      if (((previousV < 0.0 && v < 0.0) || (previousV > 1.0 && v > 1.0)) &&
          std::abs((previousV - v) / v) < kStalled) {
        break;
      }
      previousV = v;
      const bool liquid = a.FVAPOR <= kLiquidBound && previousFractions[0] <= kLiquidBound &&
                          previousFractions[1] <= kLiquidBound;
      const bool vapour = a.FVAPOR >= kVapourBound && previousFractions[0] >= kVapourBound &&
                          previousFractions[1] >= kVapourBound;
      previousFractions = {a.FVAPOR, previousFractions[0]};
      if (liquid || vapour) break;
      if (pass > kPassLimit) {
        a.IFFAIL = kFlashFailed;
        break;
      }
      FLSOSC(OscillationMode::Test, "FLASHC", iosc, pass, kOscillationPass, nosc, v, history,
             a.IOUT, a.IDEBUG, level);
      if (iosc == 1) {
        if (v > 0.0 && v < 1.0) {
          a.IFFAIL = kFlashFailed;
          break;
        }
        if (v <= 0.0 && !anyHistory([](double h) { return h > 0.0; })) break;
        if (v >= 1.0 && !anyHistory([](double h) { return h < 1.0; })) break;
      }
    }
  }

  // Final step: a fraction outside 0..1 is a single phase.
  if (a.FVAPOR > 1.0) {
    a.FVAPOR = 1.0;
    a.FLIQHC = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      a.Y[i] = a.Z[i];
      a.X[i] = a.Z[i] / std::max(a.XK[i], kSmallestK);
    }
    normalise(a.X, n);
  } else if (a.FVAPOR < 0.0) {
    a.FVAPOR = 0.0;
    a.FLIQHC = 1.0;
    for (std::size_t i = 0; i < n; ++i) {
      a.X[i] = a.Z[i];
      a.Y[i] = a.Z[i] * a.XK[i];
    }
    normalise(a.Y, n);
  }
  a.FTOTLQ = a.FLIQHC;
  if (a.IDEBUG == 3) printComponents(a);
  if (a.IDEBUG > 0) {
    writef(a.IOUT, " LEAVING FLASHC - IFFAIL=%4d  FLIQHC=%14.6E  FVAPOR=%14.6E", a.IFFAIL,
           a.FLIQHC, a.FVAPOR);
  }
  if (services::GDPOPT.diagnosticSwitch(kFlashPrintSwitch) > 2) {
    writef(a.IOUT, "  LEAVE FLASHC- KCALCS%6lld T%10.3f P%12.3f HC/F%10.6f",
           static_cast<long long>(kvalueCalls() - callsAtEntry), a.T, a.P, a.FLIQHC);
  }
}

}  // namespace flash
