// Bracketed root step and the three-point fit of the one-dimensional searches.
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "services/services.hpp"

namespace services {
namespace {

// Relative spacing below which two abscissae of a bracket count as one.
constexpr int kBracketSpacingWord = 20;
// Slopes below this magnitude count as flat.
constexpr double kFlatSlope = 1e-30;
// Slope ratio above which the curvature is strong enough to bisect.
constexpr double kStrongCurvature = 10.0;
// Smallest slope and leading coefficient the fits divide by.
constexpr double kTinyCoefficient = 2e-35;

// The sign of a double as +1 or -1, taken from its sign bit so that -0.0 counts negative.
double signOf(double value) { return std::signbit(value) ? -1.0 : 1.0; }

// Straight line through point 2 and the farther of points 1 and 3; returns its root, or the
// pair's midpoint when the line is flat.
double linearEstimate(std::span<const double, 3> y, std::span<const double, 3> x,
                      std::span<double, 3> c) {
  const std::size_t other = std::fabs(x[2] - x[1]) >= std::fabs(x[1] - x[0]) ? 2 : 0;
  const double dx = x[other] - x[1];
  c[0] = 0.0;
  c[1] = RELCMP(x[other], x[1]) == 0 ? 0.0 : (y[other] - y[1]) / dx;
  c[2] = y[1] - c[1] * x[1];
  if (std::fabs(c[1]) < kTinyCoefficient) return 0.5 * (x[1] + x[other]);
  return -c[2] / c[1];
}

// Y = C1 f(X) + C2 X + C3 through the three points by Cramer's rule, with f(X) = X^2 or
// X^3. Returns false, leaving C alone, when the system is singular.
bool fitThree(std::span<const double, 3> y, std::span<const double, 3> x, bool cubic,
              std::span<double, 3> c) {
  std::array<double, 3> f{};
  for (std::size_t i = 0; i < 3; ++i) f[i] = cubic ? x[i] * x[i] * x[i] : x[i] * x[i];
  const double det =
      f[0] * (x[1] - x[2]) - x[0] * (f[1] - f[2]) + (f[1] * x[2] - f[2] * x[1]);
  if (RELCMP(det, 0.0) == 0) return false;
  c[0] = (y[0] * (x[1] - x[2]) - x[0] * (y[1] - y[2]) + (y[1] * x[2] - y[2] * x[1])) / det;
  c[1] = (f[0] * (y[1] - y[2]) - y[0] * (f[1] - f[2]) + (f[1] * y[2] - f[2] * y[1])) / det;
  c[2] = (f[0] * (x[1] * y[2] - x[2] * y[1]) - x[0] * (f[1] * y[2] - f[2] * y[1]) +
          y[0] * (f[1] * x[2] - f[2] * x[1])) /
         det;
  return true;
}

}  // namespace

void ROOTBR(double& xl, double& xm, double& xh, double& yl, double& ym, double& yh) {
  // 1. Which half holds the root.
  const bool same = signOf(ym) * signOf(yl) >= 0.0;
  const double a = 0.5 * (xl + xm);
  const double b = 0.5 * (xm + xh);

  // 2. Chord slopes of the two halves, flat where the points nearly coincide.
  const double spacing = FLTOL(kBracketSpacingWord);
  const double sL = xm - xl > spacing * std::fabs(a) ? (ym - yl) / (xm - xl) : 0.0;
  const double sH = xh - xm > spacing * std::fabs(b) ? (yh - ym) / (xh - xm) : 0.0;

  double estimate = 0.0;
  if (std::fabs(sL) > kFlatSlope && std::fabs(sH) > kFlatSlope &&
      signOf(sL) == signOf(sH)) {
    // 3. Both chords rise or fall together.
    double ratio = sL / sH;
    if (ratio < 1.0) ratio = 1.0 / ratio;
    if (ratio > kStrongCurvature) {
      estimate = same ? b : a;
    } else {
      const double rL = xl - yl / sL;
      const double rH = xh - yh / sH;
      const double p = same ? yl : yh;
      const double q = same ? yh : yl;
      const double span = std::fabs(yh - yl);
      if (std::fabs(q) < 10.0 * std::fabs(p) && span > 0.0) {
        estimate = (std::fabs(yl) * rH + std::fabs(yh) * rL) / span;
      } else {
        estimate = signOf(sL - sH) * signOf(sL) >= 0.0 ? rH : rL;
      }
      if (same && estimate < xm) estimate = b;
      if (!same && estimate > xm) estimate = a;
    }
  } else if (same) {
    // 4. One chord is flat or the slopes disagree: step from the bracketing chord.
    estimate = b;
    if (std::fabs(sH) >= kFlatSlope) {
      estimate = xh - yh / sH;
      if (xl != xm) estimate = 0.5 * (estimate + b);
    }
  } else {
    estimate = a;
    if (std::fabs(sL) >= kFlatSlope) {
      estimate = xl - yl / sL;
      if (xm != xh) estimate = 0.5 * (estimate + a);
    }
  }

  // 5. Safeguards: stay strictly inside the bracket and move off the middle point.
  if (estimate <= xl) estimate = 0.5 * (a + xl);
  if (estimate >= xh) estimate = 0.5 * (b + xh);
  if (RELCMP(estimate, xm) == 0) estimate = same ? b : a;

  // 6. The end on the middle point's side of the root takes the middle point.
  if (same) {
    xl = xm;
    yl = ym;
  } else {
    xh = xm;
    yh = ym;
  }
  xm = estimate;
}

double ROOTHL(std::span<const double, 3> y, std::span<const double, 3> x, std::int32_t mode,
              std::span<double, 3> c) {
  if (mode > 3) return linearEstimate(y, x, c);
  if (mode == 3) {
    if (!fitThree(y, x, true, c)) linearEstimate(y, x, c);
    return 0.0;
  }
  if (!fitThree(y, x, false, c)) {
    const double estimate = linearEstimate(y, x, c);
    return mode == 2 ? 0.0 : estimate;
  }
  if (mode == 2) return 0.0;

  // A root estimate from points given in order of falling residual across the root: with
  // strong curvature the quadratic's root nearest the bracket's middle, else the secant.
  if (y[0] >= 0.0 && 0.0 >= y[2] && RELCMP(x[2], x[1]) != 0) {
    const double s1 = std::fabs((y[1] - y[0]) / (x[1] - x[0]));
    const double s2 = std::fabs((y[2] - y[1]) / (x[2] - x[1]));
    if (s2 >= 100.0 * s1 || s2 <= 0.01 * s1) {
      const double middle = y[1] <= 0.0 ? 0.5 * (x[0] + x[1]) : 0.5 * (x[1] + x[2]);
      double estimate = middle;
      if (RELCMP(c[1], 0.0) != 0 &&
          std::fabs(c[0]) >= std::max(1e-6 * std::fabs(c[1]), kTinyCoefficient)) {
        const double disc = c[1] * c[1] - 4.0 * c[0] * c[2];
        if (disc >= 0.0) {
          const double root = std::sqrt(disc);
          const double r1 = (-c[1] - root) / (2.0 * c[0]);
          const double r2 = (-c[1] + root) / (2.0 * c[0]);
          estimate = std::fabs(r1 - middle) <= std::fabs(r2 - middle) ? r1 : r2;
        }
      }
      return estimate;
    }
  }
  return linearEstimate(y, x, c);
}

}  // namespace services
