// FLASHK: the two-phase material balance at fixed K-values.
#include "flash/rachford_rice.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

namespace flash {
namespace {

constexpr double kFar = 1e35;
constexpr double kPole = 1e30;
constexpr std::int32_t kIterationLimit = 100;

// x_i = z_i/(K_i V + 1 - V), y_i = K_i x_i.
void compositions(std::size_t n, std::span<const double> z, std::span<const double> k, double v,
                  std::span<double> x, std::span<double> y) {
  for (std::size_t i = 0; i < n; ++i) {
    const double q = k[i] * v + (1.0 - v);
    if (q != 0.0) {
      x[i] = z[i] / q;
      y[i] = k[i] * x[i];
    } else {
      x[i] = z[i] / 1e-30;
      y[i] = k[i] > 1e5 ? 1e5 * x[i] : k[i] * x[i];
    }
  }
}

}  // namespace

void FLASHK(std::int32_t n, std::span<const double> z, std::span<const double> k, double tol,
            std::span<double> x, std::span<double> y, double& v, std::int32_t& iter,
            std::int32_t& ierr) {
  const auto count = static_cast<std::size_t>(std::max(n, 0));
  ierr = static_cast<std::int32_t>(RachfordRiceResult::Solved);
  // 1. Asymptotes C < A and bounds D, B of the present components.
  double a = kFar, b = kFar, c = -kFar, d = -kFar;
  for (std::size_t i = 0; i < count; ++i) {
    x[i] = k[i] - 1.0;
    if (!(z[i] > 0.0)) continue;
    if (k[i] > 1.0) {
      c = std::max(c, 1.0 / (1.0 - k[i]));
      d = std::max(d, (k[i] * z[i] - 1.0) / (k[i] - 1.0));
    } else if (k[i] < 1.0) {
      a = std::min(a, 1.0 / (1.0 - k[i]));
      b = std::min(b, (1.0 - z[i]) / (1.0 - k[i]));
    }
  }
  // 2-4. The trivial cases.
  if (a >= 100.0 && c <= -100.0) {
    ierr = static_cast<std::int32_t>(RachfordRiceResult::KNearOne);
    v = 0.5;
    for (std::size_t i = 0; i < count; ++i) x[i] = y[i] = z[i];
    return;
  }
  if (a == kFar) {
    ierr = static_cast<std::int32_t>(RachfordRiceResult::AllVapour);
    v = 1.0;
    double s = 0.0;
    for (std::size_t i = 0; i < count; ++i) s += z[i] / k[i];
    for (std::size_t i = 0; i < count; ++i) {
      y[i] = z[i];
      x[i] = z[i] / k[i] / s;
    }
    return;
  }
  if (c == -kFar) {
    ierr = static_cast<std::int32_t>(RachfordRiceResult::AllLiquid);
    v = 0.0;
    double s = 0.0;
    for (std::size_t i = 0; i < count; ++i) s += k[i] * z[i];
    for (std::size_t i = 0; i < count; ++i) {
      x[i] = z[i];
      y[i] = k[i] * z[i] / s;
    }
    return;
  }
  // 5-6. Narrow the bracket by the signs of F at 0 and at 1.
  bool rootFound = false;
  if (d < 0.0) {
    double f0 = -1.0;
    for (std::size_t i = 0; i < count; ++i) f0 += z[i] * k[i];
    if (f0 > 0.0) {
      d = 0.0;
    } else if (f0 < 0.0) {
      b = 0.0;
    } else {
      v = 0.0;
      rootFound = true;
    }
  }
  if (!rootFound && b > 1.0) {
    double f1 = 1.0;
    for (std::size_t i = 0; i < count; ++i) f1 -= z[i] / k[i];
    if (f1 < 0.0) {
      b = 1.0;
    } else if (f1 > 0.0) {
      d = 1.0;
    } else {
      v = 1.0;
      rootFound = true;
    }
  }
  // 7. Newton steps on H = F (V - C)(A - V) inside the bracket (D, B), else bisection.
  if (!rootFound) {
    v = 0.5 * (d + b);
    bool converged = false;
    for (std::int32_t k1 = 1; k1 <= kIterationLimit; ++k1) {
      iter = k1;
      double f = 0.0, df = 0.0;
      for (std::size_t i = 0; i < count; ++i) {
        const double den = 1.0 + v * x[i];
        if (den == 0.0) {
          // An absent component carries no weight, even at its pole.
          if (!(z[i] > 0.0)) continue;
          f += kPole;
          df -= kPole;
          continue;
        }
        f += z[i] * x[i] / den;
        df -= z[i] * x[i] * x[i] / (den * den);
      }
      const double h = f * (v - c) * (a - v);
      const double dh = df * (v - c) * (a - v) + f * (a + c - 2.0 * v);
      const double dOld = d, bOld = b;
      if (h > 0.0) {
        d = v;
      } else {
        b = v;
      }
      double s = 0.0;
      if (((v - dOld) * dh - h) * ((v - bOld) * dh - h) < 0.0) {
        s = h / dh;
        v -= s;
      } else {
        s = 0.5 * (b - d);
        v = d + s;
      }
      if (std::abs(s) < tol) {
        converged = true;
        break;
      }
    }
    if (!converged) ierr = static_cast<std::int32_t>(RachfordRiceResult::StepLimit);
  }
  // 9. Compositions at V.
  compositions(count, z, k, v, x, y);
}

}  // namespace flash
