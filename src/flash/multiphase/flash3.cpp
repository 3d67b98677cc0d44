// FLASH3: Newton refinement of a three-phase split.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <span>
#include <string>

#include "flash/flash.hpp"
#include "flash/flash_print.hpp"
#include "flash/multiphase/pair_kvalues.hpp"
#include "flash/multiphase/three_phase_flash.hpp"
#include "flash/multiphase/three_phase_notes.hpp"
#include "services/services.hpp"

namespace multiphase {
namespace {

using flash::writef;

constexpr std::int32_t kNewtonSteps = 50;
constexpr std::int32_t kOuterPasses = 99;
constexpr double kFractionLimit = 10.0;

double inverse(double k) { return std::clamp(k != 0.0 ? 1.0 / k : 1e30, 1e-15, 1e30); }

// The fraction-range note of IERR 31: the phases whose fraction exceeds 10 in magnitude.
void rangeWarning(const ThreePhaseSplit& s, bool vapour) {
  const bool v = vapour && std::abs(s.THETAY) > kFractionLimit;
  const bool l1 = std::abs(s.THETAX) > kFractionLimit;
  const bool l2 = std::abs(s.THETAZ) > kFractionLimit;
  char text[120];
  const int count = (v ? 1 : 0) + (l1 ? 1 : 0) + (l2 ? 1 : 0);
  std::snprintf(text, sizeof text, "FLASH3 - %s%s%s%s%s%s", v ? "VAPOR" : "",
                v && (l1 || l2) ? "," : "", l1 ? "LIQUID1" : "", l1 && l2 ? "," : "",
                l2 ? "LIQUID2" : "",
                count > 1 ? " FRACTIONS ARE OUT OF RANGE" : " FRACTION IS OUT OF RANGE");
  threePhaseWarning(s, text, text);
}

// The inner Newton on THETAX, THETAZ at fixed a = k1, b = k2. Returns false when the
// fractions leave the range (IERR 31 set).
bool newton(ThreePhaseSplit& s, std::size_t n, double toln) {
  const std::span<const double> a = s.k1.first(n), b = s.k2.first(n);
  s.IERR = kSplitSolved;
  for (std::int32_t step = 1; step <= kNewtonSteps; ++step) {
    if ((step == 1 && std::abs(s.THETAY) > kFractionLimit) || std::abs(s.THETAX) > kFractionLimit ||
        std::abs(s.THETAZ) > kFractionLimit || !std::isfinite(s.THETAX) ||
        !std::isfinite(s.THETAZ)) {
      s.IERR = kFractionOutOfRange;
      rangeWarning(s, step == 1);
      return false;
    }
    double s1 = 0.0, s2 = 0.0, j11 = 0.0, j12 = 0.0, j22 = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      const double d = 1.0 + a[i] * s.THETAX + b[i] * s.THETAZ;
      if (!(std::abs(d) > 0.0)) continue;
      const double z = s.z[i];
      s1 += z * a[i] / d;
      s2 += z * b[i] / d;
      j11 -= z * a[i] * a[i] / (d * d);
      j12 -= z * a[i] * b[i] / (d * d);
      j22 -= z * b[i] * b[i] / (d * d);
    }
    const double det = j12 * j12 - j22 * j11;
    double dx = j22 * s1 - j12 * s2, dz = j11 * s2 - j12 * s1;
    if (det != 0.0) {
      dx /= det;
      dz /= det;
    }
    if (!std::isfinite(dx) || !std::isfinite(dz)) {
      s.IERR = kFractionOutOfRange;
      rangeWarning(s, false);
      return false;
    }
    // The step length keeps every denominator positive.
    double length = 1.0;
    for (std::size_t i = 0; i < n; ++i) {
      const double e = dx * a[i] + dz * b[i];
      if (!(s.z[i] > 0.0) || !(e < 0.0)) continue;
      const double d = 1.0 + a[i] * s.THETAX + b[i] * s.THETAZ;
      length = std::min(length, -d / e);
    }
    if (services::RELCM2(length, 1.0) != 0) length *= 0.9;
    s.THETAX += length * dx;
    s.THETAZ += length * dz;
    if (std::abs(dz) + std::abs(dx) + std::abs(dz + dx) < toln) return true;
  }
  s.IERR = kSplitOutsideWindow;
  if (s.IDEBUG > 0) writef(s.IOUT, " ### Maximum number of iterations");
  return true;
}

}  // namespace

void FLASH3(ThreePhaseSplit& s) {
  const std::size_t n = static_cast<std::size_t>(std::max(s.NCOMP, 0));
  const double toln = services::FLTOL(5) / 1000.0;
  const double tolk = services::FLTOL(5) / 10.0;
  if (s.IDEBUG > 0) writef(s.IOUT, " ENTERED FLASH3");
  s.IERR = kSplitSolved;
  double dkmax = 0.0;
  const auto leave = [&]() {
    if (s.IDEBUG > 0) {
      writef(s.IOUT, " LEAVING FLASH3 - IERR=%4d ITER=%4d DKMAX = %14.6E", s.IERR, 0, dkmax);
    }
  };
  const std::span<double> y = s.y.first(n), x1 = s.x1.first(n), x2 = s.x2.first(n);
  for (std::int32_t iter = 1;; ++iter) {
    // 2-4.
    if (iter >= 2) {
      std::copy_n(s.k1.begin(), n, s.w1.begin());
      std::copy_n(s.k2.begin(), n, s.w2.begin());
    }
    for (std::span<double> v : {y, x1, x2}) {
      double sum = 0.0;
      for (double& e : v) {
        e = std::max(e, 0.0);
        sum += e;
      }
      if (!(sum > 0.0)) {
        s.IERR = kNoMoleFractions;
        threePhaseWarning(s, "FLASH3 - NO MOLE FRACTIONS ARE ABOVE 0.07",
                          "FLASH3 - NO MOLE FRACTIONS ARE ABOVE 0.07");
        leave();
        return;
      }
      services::NORMLZ(s.NCOMP, v);
    }
    if (iter >= kOuterPasses) {
      s.IERR = kPassLimit;
      threePhaseWarning(s, "FLASH3 - MAXIMUM NUMBER OF OUTER LOOP ITERATIONS",
                        "FLASH3 - MAXIMUM NUMBER OF OUTER LOOP ITERATIONS");
      leave();
      return;
    }
    // 5. K1 and K2, and the liquid terms of each liquid.
    const flash::LiquidLiquidArrays kept = flash::liquidLiquidArrays(n);
    if (pairKValues(s.NCOMP, y, x1, s.k1.first(n), s.T, s.P, 12, s.flags, s.KLLE) > 0) {
      s.IERR = kFugacityFailed;
    } else {
      liquidTerms(kept.FWG1);
      if (pairKValues(s.NCOMP, y, x2, s.k2.first(n), s.T, s.P, 1012, s.flags, s.KLLE) > 0) {
        s.IERR = kFugacityFailed;
      } else {
        liquidTerms(kept.FWG2);
      }
    }
    if (s.IERR == kFugacityFailed) {
      threePhaseWarning(s, "FLASH3 - FUGACITY CALCS FAILED", "FLASH3 - FUGACITY CALCS FAILED");
      leave();
      return;
    }
    // 6. The raw K-values, and a = 1/K1 - 1, b = 1/K2 - 1 in their place.
    for (std::size_t i = 0; i < n; ++i) {
      s.w4[i] = s.k1[i];
      s.w5[i] = s.k2[i];
      s.k1[i] = inverse(s.w4[i]) - 1.0;
      s.k2[i] = inverse(s.w5[i]) - 1.0;
    }
    // 7. A start outside 0..1 with a denominator not positive is clipped.
    if (s.THETAZ > 1.0 || s.THETAZ < 0.0 || s.THETAX < 0.0 || s.THETAX > 1.0) {
      bool nonPositive = false;
      for (std::size_t i = 0; i < n; ++i) {
        if (1.0 + s.k1[i] * s.THETAX + s.k2[i] * s.THETAZ <= 0.0) nonPositive = true;
      }
      if (nonPositive) {
        s.THETAX = std::clamp(s.THETAX, 0.0, 1.0);
        s.THETAZ = std::clamp(s.THETAZ, 0.0, 1.0);
      }
    }
    // 8.
    if (!newton(s, n, toln)) {
      leave();
      return;
    }
    // 9. Compositions at the new fractions; 1/K1 and 1/K2 in the K-value arrays.
    for (std::size_t i = 0; i < n; ++i) {
      const double d = 1.0 + s.k1[i] * s.THETAX + s.k2[i] * s.THETAZ;
      if (!(std::abs(d) > 0.0)) continue;
      s.k1[i] = inverse(s.w4[i]);
      s.k2[i] = inverse(s.w5[i]);
      y[i] = s.z[i] / d;
      x1[i] = y[i] * s.k1[i];
      x2[i] = y[i] * s.k2[i];
    }
    // 10. After a Newton at its limit: each phase normalised, an empty one the feed.
    if (s.IERR != kSplitSolved) {
      for (std::span<double> v : {y, x1, x2}) {
        const double sum = std::accumulate(v.begin(), v.end(), 0.0);
        if (sum > 0.0) {
          for (double& e : v) e /= sum;
        } else {
          std::copy_n(s.z.begin(), n, v.begin());
        }
      }
    }
    // 11-12.
    if (iter == 1) {
      if (s.IDEBUG > 0) writef(s.IOUT, " FLASH3- FORCE SECOND ITER");
      continue;
    }
    dkmax = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      if (!(s.z[i] > tolk)) continue;
      dkmax = std::max(
          {dkmax, std::abs(s.k1[i] - s.w1[i]) / s.k1[i], std::abs(s.k2[i] - s.w2[i]) / s.k2[i]});
    }
    if (s.IDEBUG > 1) {
      writef(s.IOUT, " FLASH3- ITER =%4d TX= %14.6E  TZ = %14.6E DKMAX = %14.6E", iter, s.THETAX,
             s.THETAZ, dkmax);
    }
    // 13.
    if (dkmax < toln) {
      s.THETAY = 1.0 - s.THETAX - s.THETAZ;
      std::copy_n(s.w4.begin(), n, s.k1.begin());
      std::copy_n(s.w5.begin(), n, s.k2.begin());
      const auto outside = [](double v) { return v > 1.2 || v < -0.2; };
      if (outside(s.THETAZ) || outside(s.THETAX) || outside(s.THETAY)) {
        s.IERR = kSplitOutsideWindow;
        threePhaseWarning(s, "THETAY, THETAX OR THETAZ IS NOT BETWEEN -0.2 AND 1.2",
                          "THETAY, THETAX OR THETAZ IS NOT BETWEEN -0.2 AND 1.2");
      }
      leave();
      return;
    }
  }
}

}  // namespace multiphase
