// Table lookup with a local quadratic or cubic-form fit.
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "services/services.hpp"

namespace services {
namespace {

// YV at or above this value on entry asks for the monotonicity check of the fit.
constexpr double kCheckRequest = 95000.0;

// The order of the last fit, kept between calls with the coefficients the caller holds.
std::int32_t gFitOrder = 2;
const bool kFitOrderReset = registerKeptValues([] { gFitOrder = 2; });

// Linear case over interval i (0-based): a line through points i and i+1, or through the
// origin and point i when there is only one point or the two abscissae coincide.
void linearFit(std::span<const double> x, std::span<const double> y, std::int32_t n,
               std::size_t i, std::span<double, 3> c) {
  c[0] = 0.0;
  if (n == 1 || RELCMP(x[i + 1], x[i]) == 0) {
    if (x[i] != 0.0) {
      c[1] = y[i] / x[i];
      c[2] = 0.0;
    } else {
      // A single point at x = 0 has no line through the origin: hold its value.
      c[1] = 0.0;
      c[2] = y[i];
    }
  } else {
    c[1] = (y[i + 1] - y[i]) / (x[i + 1] - x[i]);
    c[2] = y[i] - c[1] * x[i];
  }
  gFitOrder = 2;
}

// Whether a table point separates the extremum t of the fit from xv.
bool separated(double t, double xv, double x0, double x1, double x2) {
  return (t <= x0 && x0 <= xv) || (t <= x1 && x1 <= xv) || (xv <= x1 && x1 <= t) ||
         (xv <= x2 && x2 <= t);
}

// Whether the fit over points i, i+1, i+2 is monotonic between xv and the table.
bool acceptFit(std::span<const double> x, std::size_t i, double xv,
               std::span<const double, 3> c, std::int32_t order) {
  if (RELCMP(c[0], 0.0) == 0) return true;
  const double ratio = -c[1] / (2.0 * c[0]);
  double t = ratio;
  if (order == 3) {
    if (ratio < 0.0) return true;
    t = std::sqrt(-c[1] / (3.0 * c[0]));
    const double low = std::min(x[i], xv);
    const double high = std::max(x[i + 2], xv);
    if (t < low || t > high) t = -t;
  }
  return separated(t, xv, x[i], x[i + 1], x[i + 2]);
}

void fitThree(std::span<const double> x, std::span<const double> y, std::size_t i,
              std::int32_t order, std::span<double, 3> c) {
  const std::array<double, 3> xs{x[i], x[i + 1], x[i + 2]};
  const std::array<double, 3> ys{y[i], y[i + 1], y[i + 2]};
  ROOTHL(ys, xs, order, c);
  gFitOrder = order;
}

}  // namespace

void TBLQIN(std::span<const double> x, std::span<const double> y, std::int32_t n, double xv,
            double& yv, std::span<double, 3> c, std::int32_t& k) {
  const auto count = static_cast<std::size_t>(std::max<std::int32_t>(n, 0));
  if (count == 0 || x.size() < count || y.size() < count) return;
  const bool check = yv > kCheckRequest;

  if (n <= 2) {
    linearFit(x, y, n, 0, c);
  } else {
    // First point from the second on at or beyond xv (0-based index i).
    std::size_t i = count - 2;
    for (std::size_t j = 1; j < count; ++j) {
      if (xv <= x[j]) {
        i = j;
        break;
      }
    }
    if (RELCMP(y[i], y[i - 1]) == 0) {
      linearFit(x, y, n, i - 1, c);
    } else {
      if (i >= count - 1) i = count - 2;
      i -= 1;
      const auto first = static_cast<std::int32_t>(i + 1);
      if (first == k && xv < x[i + 1]) {
        // Same interval as the previous call: its coefficients and order stand.
      } else {
        fitThree(x, y, i, 2, c);
        k = first;
        if (check && !acceptFit(x, i, xv, c, 2)) {
          fitThree(x, y, i, 3, c);
          if (!acceptFit(x, i, xv, c, 3)) {
            // Linear fallback through the middle point and the neighbour on xv's side.
            const std::size_t other = xv <= x[i + 1] ? i : i + 2;
            const double dx = x[other] - x[i + 1];
            c[0] = 0.0;
            c[1] = dx != 0.0 ? (y[other] - y[i + 1]) / dx : 0.0;
            c[2] = y[i + 1] - c[1] * x[i + 1];
            gFitOrder = 3;
          }
        }
      }
    }
  }
  yv = (std::pow(xv, gFitOrder - 1) * c[0] + c[1]) * xv + c[2];
}

}  // namespace services
