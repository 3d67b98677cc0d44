// THETA2: the fixed-fraction equation solved on a local fit of ln K.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "flash/fixed_fraction.hpp"
#include "flash/flash_print.hpp"

namespace flash {
namespace {

constexpr double kExponentLimit = 60.0;
constexpr double kMinDewK = 5e-08;
constexpr double kLnStepLimit = 0.6931472;  // ln 2
constexpr double kInverseStepShare = 0.5;   // of 1/T
constexpr double kMinT = 20.0, kMaxT = 3000.0;
constexpr double kMinP = 1e-4, kMaxP = 1e10;
constexpr double kAbsentLnK = -70.0;  // ln K of a K-value that is not positive

}  // namespace

void THETA2(std::int32_t idebug, std::int32_t iout, double tolt, double tolp, std::int32_t itpfix,
            std::int32_t n, std::span<const double> z, double v, double t, double p,
            std::span<double> k, const storage::RealView& dkdx, std::span<double> wlnk,
            std::span<double> wslp, std::int32_t maxit, std::int32_t& iter, std::int32_t& ierr,
            double& xnew) {
  const std::size_t count = static_cast<std::size_t>(std::max(n, 0));
  const double l = 1.0 - v;
  const bool temperature = itpfix == static_cast<std::int32_t>(FixedVariable::Pressure);
  if (idebug >= 2) writef(iout, " ENTERING THETA2 - VFRAC=%14.6E T=%14.6E P=%14.6E", v, t, p);

  // 1. The fit: ln K = WLNK + WSLP / T, or ln K = WLNK + WSLP ln P.
  for (std::size_t i = 0; i < count; ++i) {
    if (!(k[i] > 0.0)) {
      wlnk[i] = kAbsentLnK;
      wslp[i] = 0.0;
      continue;
    }
    if (temperature) {
      const double a = t * dkdx[i] / k[i];
      wlnk[i] = std::log(k[i]) + a;
      wslp[i] = -t * a;
    } else {
      const double b = p * dkdx[i] / k[i];
      wslp[i] = b;
      wlnk[i] = std::log(k[i]) - b * std::log(p);
    }
  }

  // 2. Newton steps on the fit.
  xnew = temperature ? t : p;
  iter = 0;
  ierr = 0;
  for (;;) {
    ++iter;
    if (iter > maxit) {
      ierr = 1;
      break;
    }
    const double g = temperature ? 1.0 / xnew : std::log(xnew);
    double f = 0.0, df = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
      k[i] = std::exp(std::clamp(wlnk[i] + wslp[i] * g, -kExponentLimit, kExponentLimit));
      if (!(z[i] > 0.0)) continue;
      const double d = v < 1.0 ? k[i] * v + l : std::max(k[i], kMinDewK);
      f += (k[i] - 1.0) * z[i] / d;
      df += k[i] * z[i] * wslp[i] / (d * d);
    }
    double step = df == 0.0 ? f : f / df;
    if (idebug >= 2) writef(iout, " THETA2 ITER=%4d X=%14.6E F=%14.6E G=%14.6E", iter, xnew, f, df);
    const double previous = xnew;
    if (temperature) {
      // 3. In 1/T.
      const double limit = kInverseStepShare / previous;
      step = std::clamp(step, -limit, limit);
      xnew = std::clamp(1.0 / (1.0 / previous - step), kMinT, kMaxT);
      if (!(std::abs(xnew - previous) >= tolt)) break;
    } else {
      // 4. In ln P.
      step = std::clamp(step, -kLnStepLimit, kLnStepLimit);
      const double lnp = std::clamp(std::log(previous) - step, -kExponentLimit, kExponentLimit);
      xnew = std::clamp(std::exp(lnp), kMinP, kMaxP);
      if (!(std::abs(xnew - previous) / xnew >= tolp)) break;
    }
  }
  if (idebug >= 2) writef(iout, " LEAVING THETA2 - IERR=%3d ITER=%4d XNEW=%14.6E", ierr, iter, xnew);
}

}  // namespace flash
