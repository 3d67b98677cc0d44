// CUBRTS: the real roots of a cubic with real coefficients, by Newton's method from a
// start value with deflation, or in closed form (Cardano, or the trigonometric form for
// three real roots), with the choice of the root returned first.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "services/numeric.hpp"

namespace services {
namespace {

constexpr int kNewtonSteps = 10;
constexpr int kHigherOrderSteps = 10;

struct Cubic {
  double a2, a1, a0;
  double f(double x) const { return ((x + a2) * x + a1) * x + a0; }
  double slope(double x) const { return (3.0 * x + 2.0 * a2) * x + a1; }
};

bool isRoot(double fx, double x, double eps) { return std::fabs(fx) < std::fabs(x) * eps; }

bool sameSign(double a, double b) { return std::signbit(a) == std::signbit(b); }

// Newton's method from X. Returns true with X the root found; false when a step is refused
// (too steep a first step, |f| not decreasing, the slope changing sign, the steps used up).
bool newton(const Cubic& c, double& x, double stepMax, double eps) {
  double fx = c.f(x);
  if (isRoot(fx, x, eps)) return true;
  double d = c.slope(x);
  if (std::fabs(d) < eps || std::fabs(fx / d) > std::fabs(stepMax)) return false;
  double fPrevious = fx;
  for (int k = 0; k < kNewtonSteps + kHigherOrderSteps; ++k) {
    // Newton steps first, then x := x - (f/f_prev + 1) f/f'.
    const double factor = k < kNewtonSteps ? 1.0 : fx / fPrevious + 1.0;
    const double xNew = x - factor * fx / d;
    const double fNew = c.f(xNew);
    if (isRoot(fNew, xNew, eps)) {
      x = xNew;
      return true;
    }
    const double dNew = c.slope(xNew);
    if (std::fabs(fNew) >= std::fabs(fx) || !sameSign(dNew, d) || dNew == 0.0) return false;
    fPrevious = fx;
    x = xNew;
    fx = fNew;
    d = dNew;
  }
  return false;
}

// Newton steps from X without the first-step test, to polish a root found in closed form
// or by deflation; X is kept when a step makes |f| larger.
void polish(const Cubic& c, double& x, double eps) {
  double fx = c.f(x);
  for (int k = 0; k < kNewtonSteps && !isRoot(fx, x, eps); ++k) {
    const double d = c.slope(x);
    if (d == 0.0) return;
    const double xNew = x - fx / d;
    const double fNew = c.f(xNew);
    if (std::fabs(fNew) >= std::fabs(fx)) return;
    x = xNew;
    fx = fNew;
  }
}

// The closed form: Cardano for one real root, the trigonometric form for three.
std::int32_t closedForm(const Cubic& c, std::array<double, 3>& x) {
  const double t = c.a2 / 3.0;
  const double q2 = t * t - c.a1 / 3.0;
  const double q = (2.0 * q2 - c.a1 / 3.0) * t + c.a0;
  const double disc = q * q / 4.0 - q2 * q2 * q2;
  if (disc >= 0.0) {
    const double s = std::sqrt(disc);
    const double root = std::cbrt(-q / 2.0 + s) + std::cbrt(-q / 2.0 - s) - t;
    x = {root, root, root};
    return 1;
  }
  // q2 > 0 here, since disc < 0.
  const double r = std::sqrt(q2);
  const double cos3 = std::clamp(-q / (2.0 * q2 * r), -1.0, 1.0);
  const double phi = std::acos(cos3) / 3.0;
  for (int k = 0; k < 3; ++k) {
    x[static_cast<std::size_t>(k)] = 2.0 * r * std::cos(phi + 2.0 * std::numbers::pi * k / 3.0) - t;
  }
  return 3;
}

// The position (0-2) of the root ISORT chooses among three.
std::size_t chosen(const std::array<double, 3>& x, std::int32_t isort) {
  std::size_t best = 0;
  for (std::size_t k = 1; k < 3; ++k) {
    const double v = x[k];
    const double b = x[best];
    switch (isort) {
      case 1:
      case -1:
        if (v > b) best = k;
        break;
      case 2:
        if (v > 0.0 && (v < b || b < 0.0)) best = k;
        break;
      case -2:
      case -3:
        if (v < b) best = k;
        break;
      case -4:
        if (std::fabs(v) > std::fabs(b)) best = k;
        break;
      case -5:
        if (std::fabs(v) < std::fabs(b)) best = k;
        break;
      default:
        break;
    }
  }
  return best;
}

}  // namespace

void CUBRTS(std::int32_t isort, double a2, double a1, double a0, double& x1, double& x2, double& x3,
            std::int32_t& nroot, std::int32_t inewt, double stepmx, double eps) {
  const Cubic c{a2, a1, a0};
  std::array<double, 3> x{};
  bool byNewton = false;
  if (inewt != 0) {
    double z = x1;
    if (newton(c, z, stepmx, eps)) {
      byNewton = true;
      // Deflation to x^2 + (A2 + x1) x + c.
      const double b = a2 + z;
      const double q = b * z + a1;
      const double h = b / 2.0;
      const double d = h * h - q;
      if (d > 0.0) {
        const double other = h > 0.0 ? -h - std::sqrt(d) : -h + std::sqrt(d);
        x = {z, other, q / other};
        nroot = 3;
      } else {
        x = {z, z, z};
        nroot = 1;
      }
    }
  }
  if (!byNewton) nroot = closedForm(c, x);

  if (nroot == 3 && isort != 0) {
    const std::size_t k = chosen(x, isort);
    const bool overwrite = isort == -1 || isort == -2;
    if (overwrite) {
      x[0] = x[k];
    } else {
      std::swap(x[0], x[k]);
    }
    if (byNewton && k != 0) polish(c, x[0], eps);
  }
  x1 = x[0];
  x2 = x[1];
  x3 = x[2];
}

}  // namespace services
