// FLAS3B: the outer K-value loop of the three-phase flash, shared with the free-water flash.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "flash/flash.hpp"
#include "flash/flash_print.hpp"
#include "flash/multiphase/three_phase_flash.hpp"
#include "flash/pseudo_vapour_pressure.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"

namespace multiphase {
namespace {

using flash::IsothermalFlash;
using flash::writef;
using services::FLTOL;

// FLTOL words read here.
constexpr std::size_t kKChangeLimit = 4;     // 0.001
constexpr std::size_t kFractionChange = 6;   // 1e-5
constexpr std::size_t kAbsent = 8;           // 5e-7
constexpr std::size_t kWhole = 9;            // 0.9999995
constexpr std::size_t kFeedWaterLimit = 10;  // 0.999999

constexpr std::int32_t kPassLimit = 100;
constexpr std::int32_t kBracketLimit = 60;
constexpr double kStartLiquid = 0.5001;

std::size_t count(std::int32_t n) { return static_cast<std::size_t>(std::max(n, 0)); }

// The state of one call.
struct Loop {
  std::int32_t npass = 0;
  std::int32_t kerr = 0;     // fugacity status of the last K-value call
  std::int32_t kritic = 1;   // distinct-phases flag
  std::int32_t kphase = 12;  // call option word of the next K-value call
  std::int32_t nhist = 10;
  std::int32_t nosc1 = 30, nosc2 = 40;
  std::int32_t nosc = 0, nsign = 0;
  double lo = -3.0, wnew = 0.5, wold = 0.5;
  double rstor = 0.0, gstor = 0.0, rsign = 0.0;
  bool average = false;
  std::array<double, 4> history{1.1, 1.1, 1.1, 1.1};
  double zDifference = 0.0;
  std::int32_t steps = 0;  // search steps of the call
};

void kvalues(IsothermalFlash& a, Loop& s, std::int32_t kopt) {
  std::int32_t kccall = s.kphase, ierr = 0, ifugst = 0;
  flash::flashKValues(a.NCOMP, a.NC, a.Y, a.X, a.XK, a.T, a.P, a.ZV, a.ZL, kccall, a.KCDRV, kopt,
                      ierr, a.KLLE, ifugst);
  s.kerr = ifugst;
}

// 6. A trial composition of the incipient phase from the simplified K-values.
void restartPhase(IsothermalFlash& a, Loop& s) {
  kvalues(a, s, 0);
  const std::int32_t water = problem::THCTL.idecnt;
  const std::size_t n = count(a.NC);
  const auto kc = [&](std::size_t i) { return std::clamp(a.XK[i], 1e-10, 1e10); };
  const auto wet = [&](std::size_t i) { return static_cast<std::int32_t>(i + 1) == water; };
  double sum = 0.0;
  if (a.FLIQHC >= FLTOL(kAbsent)) {
    a.KXNEW = 3;
    for (std::size_t i = 0; i < n; ++i) {
      if (!wet(i) && a.TCRIT[i] < a.T) sum += kc(i) * a.X[i];
    }
    if (sum > 0.01) {
      for (std::size_t i = 0; i < n; ++i)
        a.Y[i] = !wet(i) && a.TCRIT[i] < a.T ? kc(i) * a.X[i] / sum : 0.0;
    }
  } else {
    a.KXNEW = 2;
    for (std::size_t i = 0; i < n; ++i) {
      if (!wet(i) && a.TCRIT[i] > a.T) sum += a.Y[i] / kc(i);
    }
    if (sum > 0.01) {
      for (std::size_t i = 0; i < n; ++i)
        a.X[i] = !wet(i) && a.TCRIT[i] > a.T ? a.Y[i] / kc(i) / sum : 0.0;
    }
  }
}

// 7. Whether a stored estimate still needs the K-value refresh of the first pass.
bool refreshAfterStoredEstimate(IsothermalFlash& a, Loop& s) {
  flash::FLSTAT.IHVDAT() = 1;
  flash::FLSCPY(a.FLIQHC, a.FWATER, a.FTOTLQ, a.FVAPOR, a.NCOMP, a.XK);
  if (a.FVAPOR >= FLTOL(kAbsent) && a.FVAPOR <= FLTOL(kWhole)) return false;
  const std::size_t n = count(a.NC);
  bool refresh = std::all_of(a.XK.begin(), a.XK.begin() + static_cast<std::ptrdiff_t>(n),
                             [](double k) { return k >= 0.9 && k <= 1.1; });
  if (!refresh) {
    double kmin = 1e38, kmax = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      kmin = std::min(kmin, a.XK[i]);
      kmax = std::max(kmax, a.XK[i]);
    }
    refresh = (kmax <= 0.0 ? 2.0 : kmin / kmax) >= 0.999;
  }
  s.nhist = refresh ? 10 : 20;
  return refresh;
}

enum class SearchExit { Left, NextPass };

// 14-19. The bracketed search on FLIQHC at fixed K-values.
SearchExit search(IsothermalFlash& a, Loop& s, double x0) {
  const double absent = FLTOL(kAbsent);
  const double zw = a.ZWFEED;
  std::int32_t counter = 0;
  flash::BracketState bracket;
  for (std::int32_t guard = 0; guard < 4 * kBracketLimit; ++guard) {
    flash::FLSCMP(a.NCOMP, a.NC, a.IFIXLW, zw, a.FTOTLQ, a.FLIQHC, a.FWATER, a.FVAPOR, a.GFLSH, a.Z,
                  a.X, a.Y, a.XK);
    flash::FLSTAT.closedByDrice() = 0;
    ++s.steps;
    if (a.IFIXLW > 0) return SearchExit::Left;
    if (a.IDEBUG > 1) {
      writef(a.IOUT, " IRITER%4d FLIQHC%14.6E FWATER%14.6E FTOTLQ%14.6E FVAPOR%14.6E GFLSH%14.6E",
             counter, a.FLIQHC, a.FWATER, a.FTOTLQ, a.FVAPOR, a.GFLSH);
    }
    if (a.KXOPT != 1) {
      if (s.kerr == 1) {
        if (std::abs(x0 - a.FLIQHC) <= absent) return SearchExit::Left;
        a.FLIQHC = x0;
        continue;
      }
      if (s.kerr == 2) {
        if (a.FLIQHC <= absent) return SearchExit::Left;
        a.FLIQHC = 0.0;
        continue;
      }
      if (s.kritic == 0 && a.IEOS != 2 && zw <= 0.999995) {
        if (flash::vapourLike(a)) {
          if (a.FLIQHC > absent) {
            a.FLIQHC = 0.0;
            continue;
          }
        } else if (std::abs(x0 - a.FLIQHC) > absent) {
          a.FLIQHC = x0;
          continue;
        }
        return a.KXNEW == 1 ? SearchExit::NextPass : SearchExit::Left;
      }
    }
    if (s.steps > 1 && (std::abs(a.GFLSH) <= a.GTOL || (a.GFLSH > 0.0 && a.FLIQHC <= absent) ||
                        (a.GFLSH < 0.0 && a.FVAPOR <= absent))) {
      return SearchExit::Left;
    }
    std::int32_t status = 0;
    flash::FLSBRK(counter, kBracketLimit, a.FLIQHC, bracket, a.GFLSH, x0, a.IFFAIL, status);
    if (status == static_cast<std::int32_t>(flash::BracketStatus::Continue)) continue;
    if (status == static_cast<std::int32_t>(flash::BracketStatus::Closed)) {
      if (std::abs(a.GFLSH) > a.GTOL && services::RELCMP(a.FWATER, 0.0) == 0) {
        flash::FLSTAT.closedByDrice() = 1;
        flash::DRICE(bracket.xb, a.XK, a.Z, a.X, a.Y, a.GTOL, a.NC, a.IDEBUG, a.IOUT);
        const double l = methods::FLCTL2.words(2);
        a.FLIQHC = l;
        a.FTOTLQ = l;
        a.FVAPOR = 1.0 - l;
      }
      a.GFLSH = 0.0;
    }
    return SearchExit::Left;
  }
  return SearchExit::Left;
}

// 21. The call option word of the next K-value call.
void chooseCallOption(IsothermalFlash& a, Loop& s, double startLiquid, double startVapour) {
  s.kphase = 12;
  const std::int32_t option = methods::KMCTL.kvalue.option;
  if (s.npass < 2 || (option != 3 && option != 4)) return;
  const double whole = FLTOL(kWhole);
  const std::size_t n = count(a.NC);
  const auto unchanged = [&](std::span<const double> v, std::span<const double> stored) {
    for (std::size_t i = 0; i < n; ++i) {
      if (std::abs(v[i] - stored[i]) > 1e-6) return false;
    }
    return true;
  };
  if ((startLiquid < whole || a.FLIQHC < whole) && startVapour >= whole && a.FVAPOR >= whole &&
      unchanged(a.Y, a.YSTOR)) {
    s.kphase = 1012;
  } else if (startLiquid >= whole && a.FLIQHC >= whole && unchanged(a.X, a.XSTOR)) {
    s.kphase = 112;
  }
}

// 23-24. The largest relative K change, damped when the vapour fraction stands still.
double kChange(IsothermalFlash& a, Loop& s) {
  double factor = 1.0;
  if (s.npass >= s.nhist && std::all_of(s.history.begin(), s.history.end(), [&](double v) {
        return services::RELCMP(a.FVAPOR, v) == 0;
      })) {
    factor = 0.001;
  }
  std::rotate(s.history.begin(), s.history.begin() + 1, s.history.end());
  s.history.back() = a.FVAPOR;
  double largest = 0.0;
  for (std::size_t i = 0; i < count(a.NC); ++i) {
    if (!(a.Z[i] >= 1e-4)) continue;
    const double kc = std::clamp(a.XK[i], 1e-15, 1e15);
    const double ks = std::clamp(a.XKSTOR[i], 1e-15, 1e15);
    largest = std::max(largest, kc > 0.0 ? std::abs(kc - ks) / kc : std::abs(kc - ks));
  }
  return factor * largest;
}

// 27. Acceleration or averaging of the compositions.
void accelerate(IsothermalFlash& a, Loop& s) {
  const std::size_t n = count(a.NC);
  const double whole = FLTOL(kWhole);
  if (!s.average) {
    double w = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      if (a.FLIQHC < whole) flash::STEPDM(s.lo, s.wnew, a.DXNEW[i], a.DXOLD[i], a.X[i], w);
      if (a.FVAPOR < whole) flash::STEPDM(s.lo, s.wnew, a.DYNEW[i], a.DYOLD[i], a.Y[i], w);
    }
    return;
  }
  for (std::size_t i = 0; i < n; ++i) {
    a.Y[i] = s.wnew * a.YSTOR[i] + s.wold * a.Y[i];
    a.X[i] = s.wnew * a.XSTOR[i] + s.wold * a.X[i];
  }
}

enum class PassEnd { Next, Solved, Failed };

// 29. Convergence and oscillation control of a counted pass.
PassEnd converge(IsothermalFlash& a, Loop& s, std::int32_t c, double dkpct) {
  const std::size_t n = count(a.NC);
  const double d = a.IFIXLW < 1 ? s.rstor - a.FLIQHC : a.GFLSH - s.gstor;
  a.GFLABS = std::abs(a.GFLSH);
  if (s.npass >= s.nosc1) {
    const double sign = d < 0.0 ? -1.0 : 1.0;
    if (sign * s.rsign < 0.0) {
      ++s.nosc;
      ++s.nsign;
      s.lo = 0.0;
    }
    if (s.nsign >= 10) s.average = true;
    s.rsign = sign;
    if (s.npass >= s.nosc2 && s.npass % 10 == 0) {
      if (s.nosc > 2) s.wold *= 0.5;
      s.wold = std::max(s.wold, 0.1);
      s.nosc = 0;
      s.wnew = 1.0 - s.wold;
    }
  }
  if (a.IFIXLW < 1) {
    if (s.npass != 1 && (s.npass > 99 || c == 0)) {
      if (s.kerr > 0) return PassEnd::Solved;
      double tol = FLTOL(kFractionChange);
      if (s.npass > 99) {
        tol *= 50.0;
      } else if (s.npass > 60) {
        tol *= 5.0;
      }
      if (std::abs(d) <= tol) return PassEnd::Solved;
      if (s.npass > 99) return PassEnd::Failed;
      if (s.npass > 5 && dkpct < FLTOL(kKChangeLimit)) {
        for (std::size_t i = 0; i < n; ++i) {
          a.XSTOR[i] = a.X[i] - a.DXNEW[i];
          a.YSTOR[i] = a.Y[i] - a.DYNEW[i];
        }
        accelerate(a, s);
      }
    }
    s.rstor = a.FLIQHC;
    return PassEnd::Next;
  }
  if (s.npass == 1) {
    s.gstor = a.GFLSH;
    return PassEnd::Next;
  }
  const double g = std::abs(a.GFLSH);
  if (a.KXFLAG == 3) {
    if (g > 0.1 && std::abs(g - std::abs(s.gstor)) < 2e-6) return PassEnd::Solved;
    if (s.npass < kPassLimit && c == 1) {
      s.gstor = a.GFLSH;
      return PassEnd::Next;
    }
  }
  if (g > 10000.0 || std::abs(d) <= a.GTOL || g <= a.GTOL) return PassEnd::Solved;
  s.gstor = a.GFLSH;
  return s.npass < kPassLimit ? PassEnd::Next : PassEnd::Failed;
}

// 6-29: the passes. Returns kHandedBack, or kRanToEnd with IFFAIL set.
std::int32_t passes(IsothermalFlash& a, Loop& s) {
  const std::size_t n = count(a.NC);
  const double zw = a.ZWFEED;
  const std::int32_t water = problem::THCTL.idecnt;
  // Passes that are not counted (the first, and those the phase test sends back) are bounded
  // too.
  for (std::int32_t total = 0; total < 3 * kPassLimit; ++total) {
    if (a.KXOPT != 1 && a.IEOS != 0 && a.KXNEW == 1 &&
        ((a.IEOS == 2 && s.kerr != 0) || (a.IEOS == 1 && s.kritic == 0))) {
      restartPhase(a, s);
    }
    const double startLiquid = a.FLIQHC, startVapour = a.FVAPOR;
    bool refresh = true;
    if (a.KXOPT == 1 && flash::FLSTAT.IHVDAT() == 2) refresh = refreshAfterStoredEstimate(a, s);
    if (refresh) kvalues(a, s, a.KXOPT - 1);
    if (a.IDEBUG > 0) {
      writef(a.IOUT, " 101 FVAPOR%14.6E MPFRC1%14.6E MPFRC2%14.6E", a.FVAPOR, flash::MPFRC1(),
             flash::MPFRC2());
      writef(a.IOUT, "1930 IHVLLE%4d", methods::THDXCH.IHVLLE);
    }
    // 10. The liquid-liquid set-up asked for the three-phase driver.
    if (methods::THDXCH.IHVLLE == 1) return kHandedBack;
    if (a.KXOPT >= 2) ++s.npass;
    // 12-13.
    double x0 = 1.0;
    const double solubility = problem::THCTL.xwd;
    if (water > 0 && solubility < zw && zw < FLTOL(kFeedWaterLimit)) {
      x0 = (1.0 - zw) / (1.0 - solubility);
    }
    a.IFFAIL = flash::kFlashSolved;
    s.kritic = 1;
    if (zw < FLTOL(kFeedWaterLimit) && a.IEOS != 0 && a.KXOPT != 1) {
      methods::FLSKSP(a.IPRES, a.XK, a.ZV, a.ZL, a.FVAPOR, a.FLIQHC, s.kritic, 0, s.zDifference,
                      a.NC);
    }
    if (search(a, s, x0) == SearchExit::NextPass) continue;
    // 20.
    if (a.KXFLAG == 1) return kRanToEnd;
    chooseCallOption(a, s, startLiquid, startVapour);
    // 22.
    if (a.FVAPOR <= 0.0) services::NORMLZ(a.NC, a.Y);
    if (a.FVAPOR >= 1.0) services::NORMLZ(a.NC, a.X);
    for (std::size_t i = 0; i < n; ++i) {
      a.DXOLD[i] = a.DXNEW[i];
      a.DYOLD[i] = a.DYNEW[i];
      a.DXNEW[i] = a.X[i] - a.XSTOR[i];
      a.DYNEW[i] = a.Y[i] - a.YSTOR[i];
    }
    // 23-25.
    const double dkpct = kChange(a, s);
    std::int32_t c = dkpct < FLTOL(kKChangeLimit) ? 0 : 1;
    if (c == 1 && a.KTRIV == 0 && a.IFIXLW == 0 && a.IEOS > 0 &&
        (a.FLIQHC < 0.0 || a.FLIQHC >= x0)) {
      if (s.kerr > 0 && s.npass > s.nosc1) {
        c = 0;
      } else if (s.npass >= 2 && s.kritic == 0) {
        c = s.zDifference * dkpct >= 0.005 ? 1 : 0;
      }
    }
    if (a.IDEBUG > 0) {
      writef(a.IOUT,
             " K/R ITER %4d %4d %2d %2d %2d %2d %12.5E %8.4f %10.6f %10.6f %12.5E %12.5E "
             "%12.5E %12.5E",
             s.npass, s.steps, s.nosc, c, s.kritic, a.KXNEW, dkpct, s.wold, a.ZV, a.ZL, a.FLIQHC,
             a.FWATER, a.FVAPOR, a.GFLSH);
    }
    // 27.
    if (c == 1 && s.npass > 5) accelerate(a, s);
    std::copy_n(a.Y.begin(), n, a.YSTOR.begin());
    std::copy_n(a.X.begin(), n, a.XSTOR.begin());
    std::copy_n(a.XK.begin(), n, a.XKSTOR.begin());
    // 28.
    if (a.KXOPT != 2) {
      a.KXOPT = 2;
      continue;
    }
    const PassEnd end = converge(a, s, c, dkpct);
    if (end == PassEnd::Solved) return kRanToEnd;
    if (end == PassEnd::Failed) {
      a.IFFAIL = flash::kFlashFailed;
      return kRanToEnd;
    }
  }
  a.IFFAIL = flash::kFlashFailed;
  return kRanToEnd;
}

}  // namespace

void FLAS3B(IsothermalFlash& a, std::int32_t& iigo) {
  if (a.IDEBUG > 0) {
    writef(a.IOUT,
           " ENTERING FLAS3B T=%12.4f P=%14.4f GTOL=%12.4E IFIXLW=%3d ITPFIX=%3d IEOS=%3d "
           "KXFLAG=%3d KXOPT=%3d INITFL=%3d",
           a.T, a.P, a.GTOL, a.IFIXLW, a.ITPFIX, a.IEOS, a.KXFLAG, a.KXOPT, a.INITFL);
  }
  // 2-5.
  iigo = kOuterLoopNotSet;
  methods::THDXCH.IHVLLE = 2;
  a.IFFAIL = flash::kFlashSolved;
  a.KXNEW = 1;
  Loop s;
  if (a.KXFLAG == 3) {
    s.nosc1 = 20;
    s.nosc2 = 30;
    s.lo = 0.0;
  }
  if (a.IFIXLW == 0 && a.INITFL == 0) a.FLIQHC = kStartLiquid;
  const std::size_t n = count(a.NC);
  std::fill_n(a.XSTOR.begin(), n, 0.0);
  std::fill_n(a.YSTOR.begin(), n, 0.0);
  std::fill_n(a.XKSTOR.begin(), n, 0.0);
  if (!(a.TRATE > 1e-30)) {
    a.FLIQHC = a.FWATER = a.FTOTLQ = a.FVAPOR = a.GFLSH = 0.0;
    std::fill_n(a.X.begin(), n, 0.0);
    std::fill_n(a.Y.begin(), n, 0.0);
    iigo = kRanToEnd;
  } else {
    iigo = passes(a, s);
  }
  // 30-31.
  if (iigo == kRanToEnd) a.GFLABS = std::abs(a.GFLSH);
  methods::THDXCH.IHVLLE = 0;
  if (a.IDEBUG > 0) writef(a.IOUT, " LEAVING FLAS3B - IIGO=%3d", iigo);
}

}  // namespace multiphase
