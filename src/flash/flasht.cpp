// FLASHT: the default two-phase flash with free water.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>

#include "flash/algorithms.hpp"
#include "flash/flash_notes.hpp"
#include "flash/flash_print.hpp"
#include "flash/flash_state.hpp"
#include "flash/phase_split.hpp"
#include "flash/pseudo_vapour_pressure.hpp"
#include "flash/search_steps.hpp"
#include "flash/work_tables.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/liquid_density.hpp"

namespace flash {
namespace {

using services::FLTOL;

// FLTOL words read here.
constexpr std::size_t kKChangeLimit = 4;          // 0.001
constexpr std::size_t kFractionChange = 6;        // 1e-5
constexpr std::size_t kAbsent = 8;                // 5e-7: a fraction at or below it is absent
constexpr std::size_t kWhole = 9;                 // 0.9999995: at or above it, the whole
constexpr std::size_t kFeedWaterLimit = 10;       // 0.999999
constexpr std::size_t kPseudoCriticalWater = 11;  // 0.999995

// Diagnostic switches.
constexpr int kForcingSwitch = 45;
constexpr int kAlgorithmSwitch = 41;
constexpr int kFlashPrintSwitch = 28;
constexpr int kResultPrintSwitch = 66;

constexpr std::int32_t kPassLimit = 100;
constexpr std::int32_t kBracketLimit = 60;
constexpr double kStartLiquid = 0.5001;
constexpr std::size_t kPositiveWork = 500;

// The set names of the polymer path.
constexpr std::string_view kPolymerSet = "POLYSYH";
constexpr std::string_view kNotPolymerSet = "NOPOLYSYH";

std::int32_t switchValue(int k) { return services::GDPOPT.diagnosticSwitch(k); }

}  // namespace

bool polymerSet(std::int32_t vle, std::int32_t lle) {
  std::array<char, 12> name{};
  methods::MSETNM(name, problem::THCTL.currentSet);
  const std::string_view n = services::trimRight(std::string_view(name.data(), name.size()));
  if (n == kNotPolymerSet) return false;
  return n == kPolymerSet || (hasCode(vle) && methods::MTISC(vle)) ||
         (hasCode(lle) && methods::MTISC(lle));
}

namespace {

// The iteration state of one call.
struct Passes {
  std::int32_t counted = 0;
  std::int32_t kerr = 0;     // error word of the last K-value call
  std::int32_t kritic = 1;   // 1: the phases are distinct
  std::int32_t kphase = 12;  // call option of the next K-value call
  double lo = -3.0, hi = 0.5, w1 = 0.5, w2 = 0.5;
  std::int32_t c1 = 30, c2 = 40, nf = 10;
  double previousLiquid = 0.0, previousFunction = 0.0;
  std::array<double, 4> vapourHistory{1.1, 1.1, 1.1, 1.1};
  std::int32_t oscillations = 0, recentOscillations = 0, lastSign = 0;
  bool accelerationOff = false;
  double zDifference = 0.0;  // ZV - ZL from FLSKSP
};

std::size_t count(std::int32_t n) { return static_cast<std::size_t>(std::max(n, 0)); }

void kvalues(IsothermalFlash& a, Passes& s, std::int32_t kopt) {
  std::int32_t kccall = s.kphase, ifugst = 0;
  flashKValues(a.NCOMP, a.NC, a.Y, a.X, a.XK, a.T, a.P, a.ZV, a.ZL, kccall, a.KCDRV, kopt, s.kerr,
               a.KLLE, ifugst);
}

// E1: a trial composition of the incipient phase from the fresh simplified K-values.
void rebuildIncipientPhase(IsothermalFlash& a, Passes& s) {
  kvalues(a, s, 0);
  const std::int32_t water = problem::THCTL.idecnt;
  const auto kc = [&](std::size_t i) { return std::clamp(a.XK[i], 1e-10, 1e10); };
  const std::size_t n = count(a.NC);
  if (a.FLIQHC >= FLTOL(kAbsent)) {
    a.KXNEW = 3;
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      if (static_cast<std::int32_t>(i + 1) != water && a.TCRIT[i] < a.T) sum += kc(i) * a.X[i];
    }
    if (sum > 0.01) {
      for (std::size_t i = 0; i < n; ++i) {
        if (static_cast<std::int32_t>(i + 1) == water) continue;
        a.Y[i] = a.TCRIT[i] < a.T ? kc(i) * a.X[i] / sum : 0.0;
      }
    }
  } else {
    a.KXNEW = 2;
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      if (static_cast<std::int32_t>(i + 1) != water && a.TCRIT[i] > a.T) sum += a.Y[i] / kc(i);
    }
    if (sum > 0.01) {
      for (std::size_t i = 0; i < n; ++i) {
        if (static_cast<std::int32_t>(i + 1) == water) continue;
        a.X[i] = a.TCRIT[i] > a.T ? a.Y[i] / kc(i) / sum : 0.0;
      }
    }
  }
}

// E2: whether the stored estimate spares the K-value refresh of a first pass.
bool refreshAfterStoredEstimate(IsothermalFlash& a, Passes& s) {
  FLSTAT.IHVDAT() = 1;
  FLSCPY(a.FLIQHC, a.FWATER, a.FTOTLQ, a.FVAPOR, a.NCOMP, a.XK);
  const double absent = FLTOL(kAbsent);
  if (a.FTOTLQ >= absent && std::abs(a.FTOTLQ - a.FWATER) <= absent) return true;
  if (!(a.FVAPOR < absent || a.FVAPOR > FLTOL(kWhole))) return false;
  const std::size_t n = count(a.NC);
  const std::int32_t tcSector =
      problem::COPTRS.realSector(problem::ComponentReal::CriticalTemperature);
  bool refresh = false;
  for (std::size_t i = 0; i < n && !refresh; ++i) {
    const double tc = storage::CORSTO.real(tcSector + static_cast<std::int32_t>(i + 1));
    if (a.Z[i] >= 0.01 && tc <= 50.0) refresh = true;
  }
  if (!refresh) {
    bool spread = false;
    for (std::size_t i = 0; i < n; ++i) {
      if (a.Z[i] > 1e-4 && (a.XK[i] < 0.9 || a.XK[i] > 1.1)) spread = true;
    }
    refresh = !spread;
    if (spread) {
      double kmin = 1e38, kmax = 0.0;
      for (std::size_t i = 1; i < n; ++i) {
        if (!(a.Z[i] > 1e-4)) continue;
        kmin = std::min(kmin, a.XK[i]);
        kmax = std::max(kmax, a.XK[i]);
      }
      const double ratio = kmax == 0.0 ? 2.0 : kmin / kmax;
      if (ratio >= 0.999) refresh = true;
    }
  }
  s.nf = refresh ? 10 : 20;
  return refresh;
}

enum class InnerExit { Left, NextPass };

// F: the search on FLIQHC at fixed K-values.
InnerExit innerSearch(IsothermalFlash& a, Passes& s, double x0, double zw, std::int32_t& flasw) {
  const double absent = FLTOL(kAbsent);
  std::int32_t steps = 0;
  BracketState bracket;
  for (;;) {
    FLSCMP(a.NCOMP, a.NC, a.IFIXLW, zw, a.FTOTLQ, a.FLIQHC, a.FWATER, a.FVAPOR, a.GFLSH, a.Z, a.X,
           a.Y, a.XK);
    FLSTAT.closedByDrice() = 0;
    ++flasw;
    if (a.IFIXLW > 0) return InnerExit::Left;
    if (a.KXOPT != 1) {
      if (s.kerr == 1) {
        if (std::abs(x0 - a.FLIQHC) <= absent) return InnerExit::Left;
        a.FLIQHC = x0;
        continue;
      }
      if (s.kerr == 2) {
        if (a.FLIQHC <= absent) return InnerExit::Left;
        a.FLIQHC = 0.0;
        continue;
      }
      if (s.kritic != 1 && a.IEOS != 2 && zw <= FLTOL(kPseudoCriticalWater)) {
        // The phases are not distinct: a single phase, vapour-like or liquid-like.
        if (vapourLike(a)) {
          if (a.FLIQHC > absent) {
            a.FLIQHC = 0.0;
            continue;
          }
        } else if (std::abs(x0 - a.FLIQHC) > absent) {
          a.FLIQHC = x0;
          continue;
        }
        return a.KXNEW == 1 ? InnerExit::NextPass : InnerExit::Left;
      }
    }
    // From the second split of the call on: a split that already solves ends the search.
    if (flasw > 1) {
      if (std::abs(a.GFLSH) <= a.GTOL || (a.GFLSH > 0.0 && a.FLIQHC <= absent) ||
          (a.GFLSH < 0.0 && a.FVAPOR <= absent)) {
        return InnerExit::Left;
      }
    }
    std::int32_t status = 0;
    FLSBRK(steps, kBracketLimit, a.FLIQHC, bracket, a.GFLSH, x0, a.IFFAIL, status);
    if (status == static_cast<std::int32_t>(BracketStatus::Continue)) continue;
    if (status == static_cast<std::int32_t>(BracketStatus::Closed)) {
      if (std::abs(a.GFLSH) > a.GTOL && !(a.FWATER > 0.0)) {
        FLSTAT.closedByDrice() = 1;
        DRICE(bracket.xb, a.XK, a.Z, a.X, a.Y, a.GTOL, a.NC, a.IDEBUG, a.IOUT);
        const double l = methods::FLCTL2.words(2);
        a.FLIQHC = l;
        a.FTOTLQ = l;
        a.FVAPOR = 1.0 - l;
      }
      a.GFLSH = 0.0;
    }
    return InnerExit::Left;
  }
}

// G8: accelerate (or average) the compositions of a pass that has not converged.
void accelerate(IsothermalFlash& a, Passes& s) {
  const std::size_t n = count(a.NC);
  const double whole = FLTOL(kWhole);
  if (!s.accelerationOff) {
    double w = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      if (a.FLIQHC < whole) STEPDM(s.lo, s.hi, a.DXNEW[i], a.DXOLD[i], a.X[i], w);
      if (a.FVAPOR < whole) STEPDM(s.lo, s.hi, a.DYNEW[i], a.DYOLD[i], a.Y[i], w);
    }
    return;
  }
  if (a.IDEBUG > 1) writef(a.IOUT, " AVERAGING COMPOSITIONS");
  for (std::size_t i = 0; i < n; ++i) {
    a.Y[i] = s.w2 * a.YSTOR[i] + s.w1 * a.Y[i];
    a.X[i] = s.w2 * a.XSTOR[i] + s.w1 * a.X[i];
  }
}

// G2: the next K-value call may keep a phase that is alone and unchanged.
void chooseCallOption(IsothermalFlash& a, Passes& s, double startLiquid, double startVapour) {
  s.kphase = 12;
  const std::int32_t option = methods::KMCTL.kvalue.option;
  if (s.counted < 2 || (option != 3 && option != 4)) return;
  const double whole = FLTOL(kWhole);
  const std::size_t n = count(a.NC);
  const auto unchanged = [&](std::span<const double> v, std::span<const double> stored) {
    for (std::size_t i = 0; i < n; ++i) {
      if (std::abs(v[i] - stored[i]) > 1e-6) return false;
    }
    return true;
  };
  if (startLiquid >= whole && a.FLIQHC >= whole && unchanged(a.X, a.XSTOR)) {
    s.kphase = 112;
  } else if (startVapour >= whole && a.FVAPOR >= whole && unchanged(a.Y, a.YSTOR)) {
    s.kphase = 1012;
  }
  if (a.IDEBUG > 1 && s.kphase != 12) writef(a.IOUT, " FLASHT - KPHASE =%6d", s.kphase);
}

// G5: the largest relative change of the K-values of the pass, damped when the vapour
// fraction has stood still for four passes.
double kChange(IsothermalFlash& a, Passes& s) {
  double factor = 1.0;
  const auto& h = s.vapourHistory;
  if (a.IFIXLW == 0 && s.counted >= s.nf &&
      std::all_of(h.begin(), h.end(), [&](double v) { return v == a.FVAPOR; })) {
    factor = 0.001;
  }
  std::rotate(s.vapourHistory.begin(), s.vapourHistory.begin() + 1, s.vapourHistory.end());
  s.vapourHistory.back() = a.FVAPOR;
  double largest = 0.0;
  for (std::size_t i = 0; i < count(a.NC); ++i) {
    if (!(a.Z[i] >= 1e-4)) continue;
    const double k = std::clamp(a.XK[i], 1e-15, 1e15);
    const double stored = std::clamp(a.XKSTOR[i], 1e-15, 1e15);
    const double change = a.XK[i] > 0.0 ? std::abs(k - stored) / k : std::abs(k - stored);
    largest = std::max(largest, change);
  }
  return factor * largest;
}

// G12: the sign changes of the pass change D slow the acceleration down.
void controlOscillations(Passes& s, double d) {
  if (s.counted < s.c1) return;
  const std::int32_t sign = d < 0.0 ? -1 : 1;
  if (s.lastSign != 0 && sign != s.lastSign) {
    ++s.oscillations;
    ++s.recentOscillations;
    s.lo = 0.0;
  }
  s.lastSign = sign;
  if (s.oscillations >= 10) s.accelerationOff = true;
  if (s.counted >= s.c2 && s.counted % 10 == 0) {
    if (s.recentOscillations > 2) s.w1 = std::max(0.5 * s.w1, 0.1);
    s.recentOscillations = 0;
    s.w2 = 1.0 - s.w1;
    s.hi = s.w2;
  }
}

void zeroResult(IsothermalFlash& a) {
  a.FLIQHC = a.FWATER = a.FTOTLQ = a.FVAPOR = a.GFLSH = 0.0;
  std::fill_n(a.X.begin(), count(a.NC), 0.0);
  std::fill_n(a.Y.begin(), count(a.NC), 0.0);
}

// D to H: the K-value loop.
void kvalueLoop(IsothermalFlash& a) {
  Passes s;
  if (a.KXFLAG == 3) {
    s.lo = 0.0;
    s.c1 = 20;
    s.c2 = 30;
  }
  s.hi = s.w2;
  a.KXNEW = 1;
  a.IFFAIL = kFlashSolved;
  if (a.IFIXLW == 0 && a.INITFL == 0) a.FLIQHC = kStartLiquid;
  const std::size_t n = count(a.NC);
  std::fill_n(a.XSTOR.begin(), n, 0.0);
  std::fill_n(a.YSTOR.begin(), n, 0.0);
  std::fill_n(a.XKSTOR.begin(), n, 0.0);
  if (!(a.TRATE > 1e-30)) {
    zeroResult(a);
    return;
  }
  const std::int32_t water = problem::THCTL.idecnt;
  const double zw = a.ZWFEED;
  const double absent = FLTOL(kAbsent);
  const bool trace = a.IDEBUG > 0;
  std::int32_t flasw = 0;
  // Passes not counted (the first, and those the phase test sends back) are bounded too.
  for (std::int32_t total = 0; total < 3 * kPassLimit; ++total) {
    // E1. Rebuild of the incipient phase, once per call.
    if (a.KXOPT != 1 && a.IEOS != 0 && a.KXNEW == 1 &&
        ((a.IEOS == 2 && s.kerr != 0) || (a.IEOS == 1 && s.kritic == 0))) {
      rebuildIncipientPhase(a, s);
    }
    // E2. The K-values of the pass.
    const std::int32_t kopt = a.KXOPT - 1;
    const double startLiquid = a.FLIQHC, startVapour = a.FVAPOR;
    bool refresh = true;
    if (FLSTAT.IHVDAT() == 2 && a.KXOPT == 1) refresh = refreshAfterStoredEstimate(a, s);
    if (refresh) kvalues(a, s, kopt);
    // E3.
    if (a.KXOPT > 1) ++s.counted;
    if (a.IDEBUG > 2) {
      writef(a.IOUT, " KXITER =%4d", s.counted);
      for (std::size_t i = 0; i < n; ++i) {
        if (a.Z[i] > 0.0) {
          writef(a.IOUT, " %4zu %14.6E %14.6E %14.6E %14.6E", i + 1, a.Y[i], a.X[i], a.XK[i],
                 a.XKSTOR[i]);
        }
      }
    }
    // E4. The largest hydrocarbon-liquid fraction the free water leaves.
    double x0 = 1.0;
    const double xwd = problem::THCTL.xwd;
    if (water > 0 && xwd < zw && zw < FLTOL(kFeedWaterLimit)) x0 = (1.0 - zw) / (1.0 - xwd);
    // E5.
    a.IFFAIL = kFlashSolved;
    s.kritic = 1;
    if (zw < FLTOL(kFeedWaterLimit) && a.IEOS != 0 && a.KXOPT != 1) {
      methods::FLSKSP(a.IPRES, a.XK, a.ZV, a.ZL, a.FVAPOR, a.FLIQHC, s.kritic, 0, s.zDifference,
                      a.NC);
    }
    // F. The search on FLIQHC.
    if (innerSearch(a, s, x0, zw, flasw) == InnerExit::NextPass) continue;
    // G1. A single pass.
    if (a.KXFLAG == 1) return;
    chooseCallOption(a, s, startLiquid, startVapour);
    // G3.
    if (a.FVAPOR <= 0.0) services::NORMLZ(a.NC, a.Y);
    if (a.FVAPOR >= 1.0) services::NORMLZ(a.NC, a.X);
    // G4.
    for (std::size_t i = 0; i < n; ++i) {
      a.DXOLD[i] = a.DXNEW[i];
      a.DYOLD[i] = a.DYNEW[i];
      a.DXNEW[i] = a.X[i] - a.XSTOR[i];
      a.DYNEW[i] = a.Y[i] - a.YSTOR[i];
    }
    // G5-G6. Convergence of the K-values.
    const double dkpct = kChange(a, s);
    std::int32_t nconv = dkpct < FLTOL(kKChangeLimit) ? 0 : 1;
    const bool atLimit = a.FLIQHC >= x0 - absent || a.FLIQHC < 0.0;
    if (nconv == 1 && a.KTRIV == 0 && a.IFIXLW == 0 && a.IEOS > 0 && atLimit) {
      if (s.kerr > 0 && s.counted > s.c1) {
        nconv = 0;
      } else if (s.counted >= 2 && s.kritic == 0) {
        nconv = (a.ZV - a.ZL) * dkpct >= 0.005 ? 1 : 0;
      }
    }
    // G7.
    if (trace) {
      writef(a.IOUT, "     K/R ITER               DKPCT        AVG        ZV");
      writef(a.IOUT, " %4d %4d %2d %2d %2d %12.5E %8.4f %10.6f %10.6f %12.5E %12.5E %12.5E %12.5E",
             s.counted, flasw, nconv, s.kritic, a.KXNEW, dkpct, s.w1, a.ZV, a.ZL, a.FLIQHC,
             a.FWATER, a.FVAPOR, a.GFLSH);
    }
    // G8-G9.
    if (nconv == 1 && s.counted > 5) accelerate(a, s);
    std::copy_n(a.Y.begin(), n, a.YSTOR.begin());
    std::copy_n(a.X.begin(), n, a.XSTOR.begin());
    std::copy_n(a.XK.begin(), n, a.XKSTOR.begin());
    // G10. The first pass only sets the K-values going.
    if (a.KXOPT != 2) {
      a.KXOPT = 2;
      continue;
    }
    // G11-G12.
    const double d = a.IFIXLW == 0 ? s.previousLiquid - a.FLIQHC : a.GFLSH - s.previousFunction;
    a.GFLABS = std::abs(a.GFLSH);
    controlOscillations(s, d);
    if (a.IFIXLW == 0) {
      // G13. The liquid fraction is searched.
      if (s.counted > 1 && !(s.counted < kPassLimit && nconv == 1)) {
        if (s.kerr > 0) return;
        double r = FLTOL(kFractionChange);
        if (s.counted >= kPassLimit) {
          r *= 50.0;
        } else if (s.counted > 60) {
          r *= 5.0;
        }
        if (std::abs(d) <= r) {
          if (trace) writef(a.IOUT, " FLASHT CONVERGED ON FLIQHC -%14.6E", a.FLIQHC);
          return;
        }
        if (s.counted >= kPassLimit) {
          a.IFFAIL = kFlashFailed;
          return;
        }
        if (s.counted > 5 && dkpct < FLTOL(kKChangeLimit)) {
          for (std::size_t i = 0; i < n; ++i) {
            a.XSTOR[i] = a.X[i] - a.DXNEW[i];
            a.YSTOR[i] = a.Y[i] - a.DYNEW[i];
          }
          accelerate(a, s);
        }
      }
      s.previousLiquid = a.FLIQHC;
    } else {
      // G14. The liquid fraction is held: the caller iterates on T or P.
      if (s.counted > 1) {
        const double g = std::abs(a.GFLSH);
        if (a.KXFLAG == 3 && g > 0.1 && std::abs(g - std::abs(s.previousFunction)) < 2e-6) return;
        if (!(s.counted < kPassLimit && nconv == 1)) {
          if (g > 10000.0 || std::abs(d) <= a.GTOL || g <= a.GTOL) return;
          if (s.counted >= kPassLimit) {
            a.IFFAIL = kFlashFailed;
            return;
          }
        }
      }
      s.previousFunction = a.GFLSH;
    }
  }
  a.IFFAIL = kFlashFailed;
}

}  // namespace

void setIterationStep(IsothermalFlash& a) {
  if (a.ITPFIX <= 0) return;
  a.VARITR = a.ITPFIX == 1 ? a.T : a.P;
  const double p = a.P / 6.89478;  // psia
  double f = 0.0;
  if (p > 2000.0) {
    f = 0.05;
  } else if (p > 1000.0) {
    f = 0.1 + 5e-05 * (1000.0 - p);
  } else if (p > 500.0) {
    f = 0.2 + 2e-04 * (500.0 - p);
  } else {
    f = 0.5 - 6e-04 * p;
  }
  a.DVSTEP[1] = f * a.P;
  a.VARSTP = a.DVSTEP[static_cast<std::size_t>(a.ITPFIX == 1 ? 0 : 1)];
}

void FLASHT(IsothermalFlash& a) {
  const FlashAlgorithms& algorithms = flashAlgorithms();
  const std::int32_t resultPrint = switchValue(kResultPrintSwitch);
  const std::int64_t callsAtEntry = kvalueCalls();
  // A. Entry.
  if (std::max(resultPrint, a.IDEBUG) > 0) {
    writef(a.IOUT,
           " ENTERING FLASHT T=%12.5f P=%12.5f GTOL=%12.5E IFIXLW=%2d ITPFIX=%2d  IEOS=%2d "
           "KXFLAG=%2d KXOPT=%2d INITFL=%2d",
           a.T, a.P, a.GTOL, a.IFIXLW, a.ITPFIX, a.IEOS, a.KXFLAG, a.KXOPT, a.INITFL);
    writef(a.IOUT, " ENTERED FLASHT T=%12.5f P=%12.5f", a.T, a.P);
  }
  const std::int32_t vle = methods::MSPTRS.classes(1).code;
  const std::int32_t lle = methods::MSPTRS.classes(2).code;
  bool done = false;
  // B. The polymer hook: it does not handle the flash (IFFAIL stays 1), so the K-value loop
  // runs.
  if (polymerSet(vle, lle)) {
    a.IFFAIL = kFlashFailed;
    services::NOOP05(a.IOUT, a.IOUT2, a.NCOMP, a.NC, a.INITFL, a.IDEBUG, a.IEOS, a.KXFLAG, a.ITPFIX,
                     a.IPRES, a.IFFAIL, a.KCDRV, a.IFIXLW, a.KXOPT, a.KXNEW, a.KTRIV, a.TRATE, a.Z,
                     a.X, a.Y, a.XK, a.XSTOR, a.YSTOR, a.T, a.P, a.GFLSH, a.GTOL, a.FTOTLQ,
                     a.FLIQHC, a.FWATER, a.FVAPOR, a.DXNEW, a.DXOLD, a.DYNEW, a.DYOLD, a.XKSTOR,
                     a.GFLABS, a.VARITR, a.VARSTP, a.DVSTEP, a.ZWFEED, a.KLLE);
    if (a.IFFAIL == kFlashSolved) {
      a.FLIQHC = a.FTOTLQ;
      a.FWATER = 0.0;
      done = true;
    }
  }
  // C. The Gibbs and positive flashes, for a feed without water.
  const std::int32_t water = problem::THCTL.idecnt;
  const bool dry = water <= 0 || !(a.Z[static_cast<std::size_t>(water - 1)] > 0.0);
  if (!done && dry) {
    if (switchValue(kForcingSwitch) >= 1) {
      algorithms.flasgb(a);
      if (a.IFFAIL > 0) {
        for (const std::int32_t unit : {a.IOUT, a.IOUT2}) {
          writef(unit, " **** FLASGB  -  GIBBS FLASH FAILED ****");
        }
      }
      done = true;
    } else if ((switchValue(kAlgorithmSwitch) / 1000) % 10 >= 1) {
      if (!(FLWKTB.slots(16) != services::NOCORE && FLWKTB.slots(16) != 0)) {
        FLSWKA(static_cast<std::int32_t>(WorkMode::TwoPhase), a.NC);
      }
      std::array<std::array<double, kPositiveWork>, 4> work;
      algorithms.flashp(a, work[0], work[1], work[2], work[3]);
      if (a.IFFAIL == kFlashSolved) {
        done = true;
      } else {
        for (const std::int32_t unit : {a.IOUT, a.IOUT2}) {
          writef(unit, " **** FLASHP  -  POS FLASH FAILED ****");
        }
      }
    }
  }
  if (!done) {
    kvalueLoop(a);
    a.GFLABS = std::abs(a.GFLSH);
    if (a.IDEBUG == 3) {
      writef(a.IOUT, "           COMP     FEED          Y            X");
      writef(a.IOUT, "            K          YSTOR        XSTOR        XKSTOR");
      for (std::size_t i = 0; i < count(a.NC); ++i) {
        if (a.Z[i] > 0.0) {
          writef(a.IOUT, " %4zu %12.5E %12.5E %12.5E %12.5E %12.5E %12.5E %12.5E", i + 1, a.Z[i],
                 a.Y[i], a.X[i], a.XK[i], a.YSTOR[i], a.XSTOR[i], a.XKSTOR[i]);
        }
      }
      writef(a.IOUT, " TRATE=%14.6E FVAPOR=%14.6E FTOTLQ=%14.6E", a.TRATE, a.FVAPOR, a.FTOTLQ);
    }
  }
  // I. Exit.
  setIterationStep(a);
  if (a.IDEBUG > 0) writef(a.IOUT, " LEAVING FLASHT - IFFAIL=%4d", a.IFFAIL);
  if (FLSTAT.IHVDAT() > 0) {
    FLSTAT.IHVDAT() = 1;
    storeEstimate(a.T, a.P, a.FLIQHC, a.FWATER, a.FTOTLQ, a.FVAPOR,
                  std::span<const double>(a.XK.data(), count(a.NCOMP)));
  }
  if (resultPrint > 0) {
    writef(a.IOUT, " FVAPOR=%14.6E FLIQHC=%14.6E", a.FVAPOR, a.FLIQHC);
    if (water > 0) writef(a.IOUT, " FWATER=%14.6E FTOTLQ=%14.6E", a.FWATER, a.FTOTLQ);
  }
  const std::int32_t printLevel = switchValue(kFlashPrintSwitch);
  if (printLevel > 2 && printLevel <= 6) {
    writef(a.IOUT, "   LEAVE FLASH-- KCALCS%6lld T%10.3f P%12.3f HC/F%10.6f",
           static_cast<long long>(kvalueCalls() - callsAtEntry), a.T, a.P, a.FLIQHC);
  } else if (printLevel > 6) {
    writef(a.IOUT, "   LEAVE FLASH-- T%10.3f P%12.3f HC/F%10.6f", a.T, a.P, a.FLIQHC);
  }
}

}  // namespace flash
