// FLASL1: the Newton flash at a fixed vapour fraction.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "flash/fixed_fraction.hpp"
#include "flash/fixed_fraction_internal.hpp"
#include "flash/flash_print.hpp"
#include "flash/flash_state.hpp"
#include "methods/methods.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"

namespace flash {
namespace {

using namespace fixed_fraction;

constexpr int kFlashPrintSwitch = 28;
constexpr double kMinDenominator = 1e-10;
constexpr double kPressureStepLimit = 500.0;   // kPa
constexpr double kTemperatureStepLimit = 100.0;  // K
constexpr double kLnPressureLimit = 80.0;
constexpr double kExponentLimit = 80.0;
constexpr double kOscillationTolerance = 1e-6;

// f and f' of the fixed-fraction function at K with derivatives D.
struct Residual {
  double f = 0.0, df = 0.0;
};
Residual residual(std::span<const double> z, std::span<const double> k,
                  const storage::RealView& d, double v, std::size_t n) {
  Residual r;
  const double l = 1.0 - v;
  const bool dew = services::RELCMP(v, 1.0) == 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (!(z[i] > 0.0)) continue;
    if (dew) {
      r.f += z[i] * (1.0 - 1.0 / k[i]);
      r.df += (z[i] / k[i]) * (d[i] / k[i]);
    } else {
      const double den = k[i] * v + l;
      r.f += z[i] * (k[i] - 1.0) / den;
      r.df += z[i] * d[i] / (den * den);
    }
  }
  return r;
}

void writeTable(std::int32_t iout, std::size_t n, std::span<const double> k,
                std::span<const double> x, std::span<const double> y,
                const storage::RealView& d) {
  for (std::size_t i = 0; i < n; ++i) {
    writef(iout, " %4zu %14.6E %14.6E %14.6E %14.6E", i + 1, k[i], x[i], y[i], d[i]);
  }
}

}  // namespace

void FLASL1(std::int32_t iout, std::int32_t ncomp, std::int32_t nc, std::int32_t idebug,
            std::int32_t itpfix, std::int32_t& iffail, std::int32_t kdrv,
            std::span<const double> z, std::span<double> x, std::span<double> y,
            std::span<double> k, double& t, double& p, double& ftotlq, double& fliqhc,
            double& fwater, double fvapor, double& zv, double& zl, std::int32_t klle) {
  // 1. Entry.
  const std::int32_t printLevel = services::GDPOPT.diagnosticSwitch(kFlashPrintSwitch);
  const std::int64_t callsAtEntry = kvalueCalls();
  if (idebug > 0) {
    writef(iout, " ENTERED FLASL1 - T=%14.6E P=%14.6E FVAPOR=%14.6E ITPFIX=%3d", t, p, fvapor,
           itpfix);
  }
  const bool pressureSearch = itpfix == static_cast<std::int32_t>(FixedVariable::Temperature);
  const std::size_t n = static_cast<std::size_t>(std::max(nc, 0));
  const double v = fvapor, l = 1.0 - fvapor;

  // 2. The iterated variable and its history.
  const double x0 = pressureSearch ? p : t;
  History history(x0);
  fwater = 0.0;

  // 3. Start values.
  if (!storedStart(ncomp, k)) {
    kvalues(ncomp, nc, y, x, k, t, p, zv, zl, kdrv, kStartOption, klle);
  }

  // 4. Fractions.
  ftotlq = l;
  fliqhc = l;

  // 5. Newton passes.
  const storage::RealView d = derivativeView(itpfix, nc);
  bool failed = true;
  for (std::int32_t pass = 1; pass <= kPassLimit; ++pass) {
    for (std::size_t i = 0; i < n; ++i) {
      if (z[i] > 0.0) {
        x[i] = z[i] / std::max(k[i] * v + l, kMinDenominator);
        y[i] = k[i] * x[i];
      } else {
        x[i] = 0.0;
        y[i] = 0.0;
      }
    }
    kvalues(ncomp, nc, y, x, k, t, p, zv, zl, kDerivatives, kRigorousOption, klle);
    const Residual r = residual(z, k, d, v, n);
    if (idebug > 2) {
      writef(iout, " ITER=%4d T=%14.6E P=%14.6E", pass, t, p);
      writeTable(iout, n, k, x, y, d);
    }

    double next = 0.0;
    if (pressureSearch) {
      bool anyDerivative = false;
      for (std::size_t i = 0; i < n && !anyDerivative; ++i) anyDerivative = d[i] != 0.0;
      if (!anyDerivative) break;
      // Newton step in ln P: d f / d ln P = P f'.
      const double s = p * r.df;
      const double lnNew = s == 0.0 ? (r.f > 0.0 ? -kLnPressureLimit : kLnPressureLimit)
                                    : std::min(std::log(p) - r.f / s, kLnPressureLimit);
      double step = std::exp(lnNew) - p;
      const bool limited = std::abs(step) > kPressureStepLimit;
      if (limited) step = std::copysign(kPressureStepLimit, step);
      if (idebug > 0) writef(iout, " FLASL1 P=%14.6E -> %14.6E F=%14.6E", p, p + step, r.f);
      if (idebug > 1 && limited) writef(iout, " PSTEP LIMITED TO %14.6E", step);
      if (!limited && std::abs(step / p) < methods::THDXCH.pressureTolerance) {
        failed = false;
        break;
      }
      const double old = p;
      p = boundPressure(p + step);
      // K carried along: d ln K = (P_old D / K) d ln P.
      const double c = old * std::log(p / old);
      for (std::size_t i = 0; i < static_cast<std::size_t>(std::max(ncomp, 0)); ++i) {
        if (k[i] > 0.0) k[i] *= std::exp(c * d[i] / k[i]);
      }
      next = p;
    } else {
      // Newton step in 1/T: d f / d(1/T) = -T^2 f'.
      const double s = -t * t * r.df;
      const double tNew = s == 0.0 ? 1.0 : 1.0 / (1.0 / t - r.f / s);
      double step = tNew - t;
      const bool limited = !(std::abs(step) <= kTemperatureStepLimit);
      if (limited) step = std::copysign(kTemperatureStepLimit, step);
      if (idebug > 0) writef(iout, " FLASL1 T=%14.6E -> %14.6E F=%14.6E", t, t + step, r.f);
      if (idebug > 1 && limited) writef(iout, " TSTEP LIMITED TO %14.6E", step);
      if (!limited && std::abs(step) < methods::THDXCH.temperatureStep) {
        failed = false;
        break;
      }
      const double old = t;
      t = boundTemperature(t + step);
      // K carried along: d ln K = T_old D / K (T - T_old) / T.
      const double c = (t - old) * old / t;
      for (std::size_t i = 0; i < static_cast<std::size_t>(std::max(ncomp, 0)); ++i) {
        if (k[i] > 0.0) k[i] *= std::exp(std::min(c * d[i] / k[i], kExponentLimit));
      }
      next = t;
    }

    // 6. The two-cycle test.
    if (history.oscillates(pass, next, kOscillationTolerance)) {
      if (idebug > 0) writef(iout, " \"EXACT\" OSCILLATION");
      break;
    }
  }

  // 6. Failure: the iterated variable goes back to its entry value, so that the caller's
  // next attempt starts where this one did rather than at a bound or mid-cycle.
  if (failed) {
    iffail = kFixedFractionFailed;
    (pressureSearch ? p : t) = x0;
  }

  // 7. The stored estimate.
  storeOnExit(t, p, l, 0.0, l, v, ncomp, k);

  // 8. Exit traces.
  if (idebug > 0) {
    writef(iout, " LEAVING FLASL1 - IFFAIL=%3d T=%14.6E P=%14.6E", iffail, t, p);
  }
  if (printLevel >= 3) {
    writef(iout, "   LEAVE FLASL1- KCALCS=%8lld T=%14.6E P=%14.6E FLIQHC=%14.6E",
           static_cast<long long>(kvalueCalls() - callsAtEntry), t, p, fliqhc);
  }
}

}  // namespace flash
