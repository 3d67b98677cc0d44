// Natural cubic spline through a table of points.
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "services/kept_values.hpp"

namespace services {
namespace {

// Kept between calls so that a warm call allocates nothing; every problem open starts it
// again.
std::vector<double> sweepFactors;
const bool kSweepFactorsReset = registerKeptValues([] { sweepFactors = {}; });

// Second derivatives of the natural spline: C(1) = C(N) = 0 and the tridiagonal system
//   h(k-1) C(k-1) + 2 (h(k-1) + h(k)) C(k) + h(k) C(k+1) = 6 (s(k) - s(k-1)),  k = 2..N-1,
// solved by a forward sweep and back substitution.
void secondDerivatives(std::size_t n, std::span<const double> x, std::span<const double> y,
                       std::span<double> c) {
  // Factors of the sweep; kept between calls so that a warm call allocates nothing.
  std::vector<double>& factor = sweepFactors;
  if (factor.size() < n) factor.resize(n);
  c[0] = 0.0;
  c[n - 1] = 0.0;
  if (n < 3) return;
  factor[0] = 0.0;
  for (std::size_t k = 1; k + 1 < n; ++k) {
    const double hPrev = x[k] - x[k - 1];
    const double h = x[k + 1] - x[k];
    const double rhs = 6.0 * ((y[k + 1] - y[k]) / h - (y[k] - y[k - 1]) / hPrev);
    const double pivot = 2.0 * (hPrev + h) - hPrev * factor[k - 1];
    factor[k] = h / pivot;
    c[k] = (rhs - hPrev * c[k - 1]) / pivot;
  }
  for (std::size_t k = n - 2; k >= 1; --k) c[k] -= factor[k] * c[k + 1];
}

}  // namespace

void SPLCOF(std::int32_t n, std::span<const double> x, std::span<const double> y,
            std::span<double> c, std::int32_t nout, std::span<const double> xout,
            std::span<double> yout, std::span<double> dyout, std::span<double> d2yout,
            std::int32_t icoef, std::int32_t ider) {
  if (n < 1) return;
  const auto points = static_cast<std::size_t>(n);
  if (x.size() < points || y.size() < points || c.size() < points) return;
  if (icoef != 1) secondDerivatives(points, x, y, c);

  const std::size_t queries =
      nout < 1 ? 0 : std::min({static_cast<std::size_t>(nout), xout.size(), yout.size()});
  const bool slope = ider >= 1 && dyout.size() >= queries;
  const bool curvature = ider == 2 && d2yout.size() >= queries;
  auto flat = [&](std::size_t q, double value) {
    yout[q] = value;
    if (slope) dyout[q] = 0.0;
    if (curvature) d2yout[q] = 0.0;
  };

  std::size_t j = 0;  // left end of the current interval; only moves forward
  for (std::size_t q = 0; q < queries; ++q) {
    const double xq = xout[q];
    while (j + 2 < points && xq > x[j + 1]) ++j;
    if (points == 1 || xq <= x[j]) {
      flat(q, y[j]);
      continue;
    }
    if (xq > x[points - 1]) {
      flat(q, y[points - 1]);
      continue;
    }
    const double h = x[j + 1] - x[j];
    const double a = xq - x[j];
    const double b = x[j + 1] - xq;
    yout[q] = ((b * b - h * h) * c[j] / 6.0 + y[j]) * b / h +
              ((a * a - h * h) * c[j + 1] / 6.0 + y[j + 1]) * a / h;
    if (slope) {
      dyout[q] = (y[j + 1] - y[j]) / h - c[j] * b * b / (2.0 * h) +
                 c[j + 1] * a * a / (2.0 * h) - (c[j + 1] - c[j]) * h / 6.0;
    }
    if (curvature) d2yout[q] = (b * c[j] + a * c[j + 1]) / h;
  }
}

}  // namespace services
