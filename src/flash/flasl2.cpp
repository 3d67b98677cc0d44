// FLASL2: the robust flash at a fixed vapour fraction.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

#include "flash/empty_calls.hpp"
#include "flash/fixed_fraction.hpp"
#include "flash/fixed_fraction_internal.hpp"
#include "flash/flash_print.hpp"
#include "flash/flash_state.hpp"
#include "flash/parameter_values.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace flash {
namespace {

using namespace fixed_fraction;

constexpr int kFlashPrintSwitch = 28;
constexpr double kPureFeed = 0.999999999999;
constexpr double kPureStartK = 3.975449e-31;
constexpr double kMinDewK = 5e-08, kMinDenominator = 1e-10;
constexpr std::int32_t kTries = 6;
constexpr std::int32_t kThetaPasses = 100;
constexpr double kLnKLimit = 70.0;
constexpr double kAbsentLnK = -70.0;
// Pressure steps: the base step DP (P / 200 above 100000 kPa, else 500 kPa) and the
// ratio limits of one pass.
constexpr double kLargePressure = 100000.0, kBaseStep = 500.0, kBaseShare = 200.0;
constexpr double kMinRatio = 0.623, kMaxRatio = 1.5797788309636651;
// Temperature steps.
constexpr double kFallbackStep = 50.0, kTemperatureStepLimit = 100.0;
constexpr double kLowSum = 0.1, kHighSum = 100.0;
// The pure-component secant search.
constexpr double kPureTolerance = 2e-7;
constexpr double kDewNudge = 1.000000001, kBubbleNudge = 0.999999999;
constexpr double kPressureDvmax = 10000.0, kTemperatureDvmax = 1.0;
// K-values at least this close to each other (smallest over largest) are one phase.
constexpr double kSameK = 0.999;
constexpr double kMixtureOscillation = 1e-6, kPureOscillation = 1e-7;
// A start pressure above this is cut by 1000 on a restart rather than by 100.
constexpr double kRestartHigh = 1e10;

// How a try ends.
enum class TryEnd { Solved, Over, Unsolvable, Failed };

struct Call {
  std::int32_t iout, ncomp, nc, idebug, itpfix, kdrv, klle;
  std::span<const double> z;
  std::span<double> x, y, k, wlnk, wslp;
  double &t, &p, &fliqhc, &zv, &zl;
  double v, l, x0, dp;
  bool pressureSearch;
  std::int32_t pure;  // 0-based component of a pure feed, -1 for a mixture
  std::int32_t thetaFailures = 0;
  std::size_t n() const { return static_cast<std::size_t>(std::max(nc, 0)); }
  std::size_t nk() const { return static_cast<std::size_t>(std::max(ncomp, 0)); }
};

void warn(std::int32_t idebug, const char* format, auto... values) {
  if (idebug <= 0) return;
  std::array<char, 131> line{};
  const int length = std::snprintf(line.data(), line.size(), format, values...);
  OTHIST(0, std::string_view(line.data(), line.size() - 1),
         std::clamp(length, 0, static_cast<int>(line.size() - 1)));
}

// The critical constant KIND of component PURE (0-based) from the set's parameters, else
// from the component table when the set gives LOWEST or less.
double critical(std::int32_t pure, ParameterKind kind, double lowest) {
  std::array<std::int32_t, parameterrequest::kWords> rec{};
  rec[parameterrequest::kMethodSet - 1] = problem::THCTL.currentSet;
  rec[parameterrequest::kComponents - 1] = (pure + 1) * (parameterrequest::kComponentScale + 1);
  rec[parameterrequest::kKind - 1] = static_cast<std::int32_t>(kind);
  double value = 0.0;
  std::int32_t d3 = 0, d4 = 0, d5 = 0, ndig = 0;
  PARVAL(rec, value, d3, d4, d5, ndig);
  if (value > lowest) return value;
  const std::int32_t sector = problem::COPTRS.realSector(
      kind == ParameterKind::CriticalTemperature ? problem::ComponentReal::CriticalTemperature
                                                 : problem::ComponentReal::CriticalPressure);
  return storage::CORSTO.real(sector + pure + 1);
}

// The K-values of the fit at the iterated value X.
void fromFit(Call& c, double x) {
  const double g = c.pressureSearch ? std::log(x) : 1.0 / x;
  for (std::size_t i = 0; i < c.nk(); ++i) {
    c.k[i] = std::exp(std::clamp(c.wlnk[i] + c.wslp[i] * g, -kLnKLimit, kLnKLimit));
  }
}

// Item 6: a mixture's converged point is refused on a bound or with K-values all alike.
bool accepted(const Call& c) {
  if (c.pressureSearch ? (c.p <= kMinPTest || c.p >= kMaxPTest)
                       : (c.t <= kMinTTest || c.t >= kMaxTTest)) {
    return false;
  }
  double kmin = 1e300, kmax = 0.0;
  std::int32_t present = 0;
  for (std::size_t i = 0; i < c.n(); ++i) {
    if (!(c.z[i] > 0.0)) continue;
    ++present;
    kmin = std::min(kmin, c.k[i]);
    kmax = std::max(kmax, c.k[i]);
  }
  if (present >= 2 && kmax > 0.0 && kmin / kmax >= kSameK) {
    if (c.idebug > 0) writef(c.iout, " ALL KVALUES ARE THE \"SAME\"");
    return false;
  }
  return true;
}

// The moves of a pure feed's saturation search; returns true when converged.
struct PureSearch {
  std::array<double, 3> fs{}, xs{};
  double dt = 0.0;
};

void nudge(Call& c) {
  if (c.v >= 1.0) (c.pressureSearch ? c.p : c.t) *= c.pressureSearch ? kBubbleNudge : kDewNudge;
  if (c.v <= 0.0) (c.pressureSearch ? c.p : c.t) *= c.pressureSearch ? kDewNudge : kBubbleNudge;
}

bool pureStep(Call& c, PureSearch& s, std::int32_t pass) {
  const double kp = c.k[static_cast<std::size_t>(c.pure)];
  const double f = kp - 1.0;
  const auto converged = [&] {
    return std::abs(f) <= kPureTolerance &&
           (c.pressureSearch || std::abs(s.dt / c.t) / 100.0 <= kPureTolerance);
  };
  if (converged()) {
    nudge(c);
    return true;
  }
  double& x = c.pressureSearch ? c.p : c.t;
  const double old = x;
  if (pass == 1) {
    const double r = std::abs(f) / kp;
    double step = 0.0;
    if (c.pressureSearch) {
      step = r < 1e-05 ? 0.01 : r < 0.001 ? 0.05 : r < 0.1 ? 0.2 : 0.5;
    } else {
      step = r <= kPureTolerance ? 1.98e-05
             : r < 1e-05         ? 0.0002
             : r < 0.001         ? 0.002
             : r < 0.1           ? 0.02
                                 : 0.2;
    }
    s.fs[0] = kp > 0.0 ? std::log(kp) : kAbsentLnK;
    s.xs[0] = 1.0 / x;
    x *= f <= 0.0 ? 1.0 + step : 1.0 - step;
  } else {
    // The secant on ln K against the reciprocal of the iterated variable.
    const double cap = c.pressureSearch ? kMaxPTest : kMaxTTest;
    const double reciprocal = 1.0 / std::min(x, cap);
    double dx = 0.0;
    services::XEXTRP(pass, kp > 0.0 ? std::log(kp) : kAbsentLnK, reciprocal, s.fs, s.xs,
                     c.pressureSearch ? kPressureDvmax : kTemperatureDvmax, dx);
    const double next = reciprocal + dx;
    x = next <= 0.0 ? cap : 1.0 / next;
  }
  x = c.pressureSearch ? std::clamp(x, kMinP, kMaxP) : std::clamp(x, kMinT, kMaxT);
  if (!c.pressureSearch) {
    s.dt = x - old;
    if (pass >= 2 && converged()) {
      nudge(c);
      return true;
    }
  }
  return false;
}

// One try of up to 100 passes.
TryEnd runTry(Call& c, double& sx, double& sy) {
  History history(c.pressureSearch ? c.p : c.t);
  PureSearch pure;
  pure.dt = 100.0 * c.t;
  const storage::RealView d = derivativeView(c.itpfix, c.nc);
  for (std::int32_t pass = 1; pass <= kPassLimit; ++pass) {
    // 1. Compositions.
    sx = 0.0;
    sy = 0.0;
    if (c.pure < 0) {
      for (std::size_t i = 0; i < c.n(); ++i) {
        if (c.z[i] > 0.0) {
          c.x[i] = c.v >= 1.0 ? c.z[i] / std::max(c.k[i], kMinDewK)
                              : c.z[i] / std::max(c.k[i] * c.v + c.l, kMinDenominator);
          c.y[i] = c.k[i] * c.x[i];
        } else {
          c.x[i] = 0.0;
          c.y[i] = 0.0;
        }
        sx += c.x[i];
        sy += c.y[i];
      }
    }
    // 2. Rigorous K-values and the derivative of the iterated variable.
    const std::int32_t request =
        c.pressureSearch && c.pure < 0 ? kAllDerivatives : kDerivatives;
    kvalues(c.ncomp, c.nc, c.y, c.x, c.k, c.t, c.p, c.zv, c.zl, request, kRigorousOption,
            c.klle);
    if (c.idebug > 2) {
      writef(c.iout, " ITER=%4d T=%14.6E P=%14.6E", pass, c.t, c.p);
      for (std::size_t i = 0; i < c.n(); ++i) {
        writef(c.iout, " %4zu %14.6E %14.6E %14.6E %14.6E %14.6E", i + 1, c.z[i], c.y[i], c.x[i],
               c.k[i], d[i]);
      }
    }

    double next = 0.0;
    if (c.pure >= 0) {
      // 3. The pure feed.
      if (pureStep(c, pure, pass)) return TryEnd::Solved;
      next = c.pressureSearch ? c.p : c.t;
    } else {
      bool anyDerivative = false;
      for (std::size_t i = 0; i < c.n() && !anyDerivative; ++i) anyDerivative = d[i] != 0.0;
      if (!anyDerivative) return TryEnd::Unsolvable;
      std::int32_t iter = 0, ierr = 0;
      double xnew = 0.0;
      THETA2(c.idebug, c.iout, methods::THDXCH.temperatureStepSmall,
             methods::THDXCH.pressureToleranceSmall, c.itpfix, c.nc, c.z, c.v, c.t, c.p, c.k, d,
             c.wlnk, c.wslp, kThetaPasses, iter, ierr, xnew);
      if (ierr != 0) {
        ++c.thetaFailures;
        warn(c.idebug, "** WARNING - FLASL2 AT ITER%4d THETA2 FAILED -%4d", pass, iter);
      }
      const bool dew = c.v > 0.5;
      if (c.pressureSearch) {
        // 4. The pressure of a mixture.
        if (ierr != 0) xnew = dew ? c.p - c.dp / 2.0 : c.p + c.dp / 2.0;
        const double ratio = xnew / c.p;
        const bool marked = !(ratio >= kMinRatio && ratio <= kMaxRatio);
        const double target = marked ? c.p * std::clamp(ratio, kMinRatio, kMaxRatio) : xnew;
        double step = target - c.p;
        if (marked && step == 0.0) {
          if (c.idebug > 0) writef(c.iout, " ** ALL KVALUES ARE \"LOW\" ; PSTEP=0.0 .. RESET PSTEP **");
          step = kMinPTest - c.p;
        }
        if (c.idebug > 0) writef(c.iout, " FLASL2 P=%14.6E STEP=%14.6E", c.p, step);
        if (!marked && pass >= 2 && std::abs(step / c.p) < methods::THDXCH.pressureTolerance) {
          if (ierr != 0) return TryEnd::Over;
          return accepted(c) ? TryEnd::Solved : TryEnd::Over;
        }
        c.p = boundPressure(c.p + step);
        if (c.p != xnew) fromFit(c, c.p);
        next = c.p;
      } else {
        // 5. The temperature of a mixture.
        double step = 0.0;
        if (ierr != 0) {
          const bool sane = sx > kLowSum && sx < kHighSum && sy > kLowSum && sy < kHighSum;
          if (c.thetaFailures == 1) {
            if (sane) {
              step = dew ? kFallbackStep : -kFallbackStep;
            } else {
              c.t = c.x0;
              step = dew ? -kFallbackStep : kFallbackStep;
            }
          } else {
            if (!sane) return TryEnd::Failed;
            step = dew ? -kFallbackStep : kFallbackStep;
          }
        } else {
          step = xnew - c.t;
        }
        const bool marked = !(std::abs(step) <= kTemperatureStepLimit);
        if (marked) step = std::copysign(kTemperatureStepLimit, step);
        if (c.idebug > 0) writef(c.iout, " FLASL2 T=%14.6E STEP=%14.6E", c.t, step);
        if (!marked && pass >= 2 && std::abs(step) < methods::THDXCH.temperatureStep) {
          return accepted(c) ? TryEnd::Solved : TryEnd::Over;
        }
        c.t = boundTemperature(c.t + step);
        if (c.t != xnew) fromFit(c, c.t);
        next = c.t;
      }
    }
    // 7. The two-cycle test.
    if (history.oscillates(pass, next, c.pure >= 0 ? kPureOscillation : kMixtureOscillation)) {
      if (c.idebug > 0) writef(c.iout, " \"EXACT\" OSCILLATION");
      return TryEnd::Over;
    }
  }
  return TryEnd::Over;
}

// Item 2 for a pure feed: its phases, its start K-values and the critical refusals. False
// when the state lies above the critical point.
bool startPure(Call& c) {
  std::fill(c.x.begin(), c.x.begin() + static_cast<std::ptrdiff_t>(c.n()), 0.0);
  std::fill(c.y.begin(), c.y.begin() + static_cast<std::ptrdiff_t>(c.n()), 0.0);
  const auto p = static_cast<std::size_t>(c.pure);
  c.x[p] = 1.0;
  c.y[p] = 1.0;
  std::fill(c.k.begin(), c.k.begin() + static_cast<std::ptrdiff_t>(c.nk()), kPureStartK);
  const double tc = critical(c.pure, ParameterKind::CriticalTemperature, kMinT);
  const double pc = critical(c.pure, ParameterKind::CriticalPressure, kMinP);
  if (c.pressureSearch) {
    if (tc > kMinT && c.t >= tc) {
      if (c.idebug > 0) writef(c.iout, " *** PURE COMPONENT TEMPERATURE IS ABOVE CRITICAL ***");
      return false;
    }
    if (pc > kMinP && pc <= c.p) c.p = 0.9 * pc;
  } else {
    if (pc > kMinP && c.p >= pc) {
      if (c.idebug > 0) writef(c.iout, " *** PURE COMPONENT PRESSURE IS ABOVE CRITICAL ***");
      return false;
    }
    if (tc > kMinT && tc <= c.t) c.t = 0.9 * tc;
  }
  return true;
}

}  // namespace

void FLASL2(std::int32_t iout, std::int32_t ncomp, std::int32_t nc, std::int32_t idebug,
            std::int32_t itpfix, std::int32_t& iffail, std::int32_t kdrv,
            std::span<const double> z, std::span<double> x, std::span<double> y,
            std::span<double> k, double& t, double& p, double& ftotlq, double& fliqhc,
            double& fwater, double fvapor, double& zv, double& zl, std::int32_t klle,
            std::span<double> wlnk, std::span<double> wslp) {
  // 1. Set-up.
  const std::int32_t printLevel = services::GDPOPT.diagnosticSwitch(kFlashPrintSwitch);
  const std::int64_t callsAtEntry = kvalueCalls();
  if (idebug > 0) writef(iout, " ENTERED FLASL2 - T=%14.6E P=%14.6E FVAPOR=%14.6E", t, p, fvapor);
  fwater = 0.0;
  const bool pressureSearch = itpfix == static_cast<std::int32_t>(FixedVariable::Temperature);
  Call c{iout,  ncomp, nc,     idebug, itpfix, kdrv, klle, z,
         x,     y,     k,      wlnk,   wslp,   t,    p,    fliqhc,
         zv,    zl,    fvapor, 1.0 - fvapor,   pressureSearch ? p : t,
         p > kLargePressure ? p / kBaseShare : kBaseStep, pressureSearch, -1};
  if (idebug == 2) {
    for (std::size_t i = 0; i < c.n(); ++i) writef(iout, " FEED %4zu %14.6E", i + 1, z[i]);
  }

  // 2. A pure feed or a mixture.
  for (std::size_t i = 0; i < c.n() && c.pure < 0; ++i) {
    if (z[i] > kPureFeed) c.pure = static_cast<std::int32_t>(i);
  }
  if (idebug > 0) {
    if (c.pure >= 0) writef(iout, " PUREPC=%4d", c.pure + 1);
    else writef(iout, " IMPURE=");
  }
  bool storedK = false;
  std::int32_t outcome = 0;
  if (c.pure < 0) {
    storedK = storedStart(ncomp, k);
  } else if (!startPure(c)) {
    outcome = kFixedFractionUnsolvable;
  }

  // 3. and 4. The tries.
  std::array<double, kTries> starts{}, ends{};
  for (std::int32_t attempt = 0; attempt < kTries && outcome == 0; ++attempt) {
    if (attempt > 0 || (!storedK && c.pure < 0)) {
      kvalues(ncomp, nc, y, x, k, t, p, zv, zl, kdrv, kStartOption, klle);
    }
    ftotlq = c.l;
    fliqhc = c.l;
    starts[static_cast<std::size_t>(attempt)] = p;
    double sx = 0.0, sy = 0.0;
    const TryEnd end = runTry(c, sx, sy);
    if (end == TryEnd::Solved) break;
    if (end == TryEnd::Unsolvable) {
      outcome = kFixedFractionUnsolvable;
      break;
    }
    if (end == TryEnd::Failed || !pressureSearch || c.pure >= 0 || attempt == kTries - 1) {
      outcome = kFixedFractionFailed;
      break;
    }
    // A new start pressure, unless the tries so far ended on both sides of their starts.
    ends[static_cast<std::size_t>(attempt)] = p;
    bool above = false, below = false;
    for (std::int32_t i = 0; i <= attempt; ++i) {
      const auto j = static_cast<std::size_t>(i);
      (ends[j] > starts[j] ? above : below) = true;
    }
    if (above && below) {
      outcome = kFixedFractionFailed;
      break;
    }
    const double start = starts[static_cast<std::size_t>(attempt)];
    p = p <= start ? start * 100.0 : (starts[0] > kRestartHigh ? start / 1000.0 : start / 100.0);
    p = std::clamp(p, kMinP, kMaxP);
    if (idebug > 0) {
      writef(iout, " *** RESETTING STARTING PRESSURE ... KPRTRY=%3d P=%14.6E", attempt + 2, p);
      for (std::int32_t i = 0; i <= attempt; ++i) {
        const auto j = static_cast<std::size_t>(i);
        writef(iout, " %4d %14.6E %14.6E", i + 1, starts[j], ends[j]);
      }
    }
  }

  // 5. Exit.
  if (outcome != 0) {
    iffail = outcome;
    (pressureSearch ? p : t) = c.x0;
  }
  storeOnExit(t, p, fliqhc, 0.0, ftotlq, fvapor, ncomp, k);
  if (idebug > 0) writef(iout, " LEAVING FLASL2 - IFFAIL=%3d T=%14.6E P=%14.6E", iffail, t, p);
  if (c.thetaFailures > 0) {
    warn(idebug, "** WARNING - LEAVING FLASL2 - FVAPOR=%14.6E", fvapor);
    for (std::size_t i = 0; i < c.n(); ++i) {
      if (z[i] > 0.0) {
        warn(idebug, "** WARNING - FLASL2 - COMP,FEED,KVALUE=%4zu %14.6E %14.6E", i + 1, z[i],
             k[i]);
      }
    }
    warn(idebug, "** WARNING - FLASL2 - T=%14.6E P=%14.6E", t, p);
  }
  if (printLevel >= 3) {
    writef(iout, "   LEAVE FLASL2- KCALCS=%8lld T=%14.6E P=%14.6E FLIQHC=%14.6E",
           static_cast<long long>(kvalueCalls() - callsAtEntry), t, p, fliqhc);
  }
}

}  // namespace flash
