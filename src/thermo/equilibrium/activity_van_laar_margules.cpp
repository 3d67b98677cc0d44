// GAM410 and GAM411: the temperature-independent activity models 410 (multicomponent van
// Laar form) and 411 (multicomponent four-suffix Margules form) with their kernels.
#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>

#include "services/services.hpp"
#include "thermo/equilibrium/activity_dispatcher.hpp"

namespace equilibrium {
namespace {

// The van Laar kernel. ln gamma_i = sum_j A(i,j) z_j - 1/2 sum_j B(i,j) z_j Q_j with
// S_i = sum_j x_j B(j,i), z_i = x_i/S_i and Q_j = sum_k A(j,k) z_k; GERT = sum x_i ln gamma_i.
// With NDER = n the composition derivatives d ln gamma_i/d x_j (mole fractions independent)
// go to DLNGDX; the diagonal takes the form that holds for A(i,i) = 0, B(i,i) = 1 and
// B(i,j) A(j,i) = A(i,j). Zero S_i is not guarded.
//   ierr out (0); gert out; nder in (n or 1); n in; x in (n); w1, z work (n);
//   lngam out (n); dlngdx out (nder x nder); a, b in (n x n, by columns)
void K410KR(std::int32_t& ierr, double& gert, std::size_t nder, std::size_t n,
            std::span<const double> x, std::span<double> w1, std::span<double> z,
            std::span<double> lngam, std::span<double> dlngdx, std::span<const double> a,
            std::span<const double> b) {
  const auto at = [n](std::size_t i, std::size_t j) { return j * n + i; };
  ierr = 0;
  for (std::size_t i = 0; i < n; ++i) {
    double s = 0.0;
    for (std::size_t j = 0; j < n; ++j) s += x[j] * b[at(j, i)];
    w1[i] = 1.0 / s;
    z[i] = x[i] / s;
  }
  // Q_j = sum_k A(j,k) z_k.
  const auto q = [&](std::size_t j) {
    double sum = 0.0;
    for (std::size_t k = 0; k < n; ++k) sum += a[at(j, k)] * z[k];
    return sum;
  };
  gert = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    double g = 0.0;
    for (std::size_t j = 0; j < n; ++j) g += a[at(i, j)] * z[j] - 0.5 * b[at(i, j)] * z[j] * q(j);
    lngam[i] = g;
    gert += x[i] * g;
  }
  if (nder != n) return;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      double g = 0.0;
      if (i == j) {
        for (std::size_t l = 0; l < n; ++l) {
          g -= (b[at(i, l)] * w1[l] + w1[i]) * a[at(i, l)] * z[l];
          double inner = 0.0;
          for (std::size_t k = 0; k < n; ++k) {
            inner += (b[at(i, k)] * w1[k] + b[at(i, l)] * w1[l]) * a[at(l, k)] * z[k];
          }
          g += 0.5 * b[at(i, l)] * z[l] * inner;
        }
      } else {
        g = a[at(i, j)] * w1[j];
        for (std::size_t l = 0; l < n; ++l) {
          g -= b[at(j, l)] * w1[l] * a[at(i, l)] * z[l] +
               0.5 * w1[j] * z[l] * (a[at(l, j)] * b[at(i, l)] + a[at(j, l)] * b[at(i, j)]);
          double inner = 0.0;
          for (std::size_t m = 0; m < n; ++m) {
            inner += a[at(l, m)] * z[m] * (b[at(j, m)] * w1[m] + b[at(j, l)] * w1[l]);
          }
          g += 0.5 * b[at(i, l)] * z[l] * inner;
        }
      }
      dlngdx[at(i, j)] = g;
    }
  }
}

// The Margules kernel. Over j != i: S1_i = sum x_j A(i,j), S2_i = sum x_j A(j,i),
// S3_i = sum x_j B(i,j); ln gamma_i = (1 - x_i) [S1_i + 2 x_i E_i + 3 x_i^2 S3_i] with
// E_i = S2_i - S1_i - S3_i; GERT = sum x_i ln gamma_i. With NDER = n the composition
// derivatives go to DLNGDX; the 1/(1 - x) terms are dropped where a mole fraction is 1.
//   ierr out (0); gert out; nder in (n or 1); n in; x in (n); s1, s2, s3 work (n);
//   lngam out (n); dlngdx out (nder x nder); a, b in (n x n, by columns)
void K411KR(std::int32_t& ierr, double& gert, std::size_t nder, std::size_t n,
            std::span<const double> x, std::span<double> s1, std::span<double> s2,
            std::span<double> s3, std::span<double> lngam, std::span<double> dlngdx,
            std::span<const double> a, std::span<const double> b) {
  const auto at = [n](std::size_t i, std::size_t j) { return j * n + i; };
  ierr = 0;
  gert = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    s1[i] = 0.0;
    s2[i] = 0.0;
    s3[i] = 0.0;
    for (std::size_t j = 0; j < n; ++j) {
      if (j == i) continue;
      s1[i] += x[j] * a[at(i, j)];
      s2[i] += x[j] * a[at(j, i)];
      s3[i] += x[j] * b[at(i, j)];
    }
    const double xi = x[i];
    lngam[i] = (1.0 - xi) * (s1[i] + 2.0 * xi * (s2[i] - s1[i] - s3[i]) + 3.0 * xi * xi * s3[i]);
    gert += xi * lngam[i];
  }
  if (nder != n) return;
  for (std::size_t i = 0; i < n; ++i) {
    const double xi = x[i];
    const double e = s2[i] - s1[i] - s3[i];
    const bool iPure = services::RELCMP(xi, 1.0) == 0;
    for (std::size_t j = 0; j < n; ++j) {
      double g = 0.0;
      if (i == j) {
        g = 6.0 * s3[i] * (1.0 - xi) * xi + 2.0 * (1.0 - xi) * e;
        if (!iPure) g -= lngam[i] / (1.0 - xi);
      } else {
        g = a[at(i, j)] + 2.0 * xi * (a[at(j, i)] - a[at(i, j)] - b[at(i, j)]) +
            3.0 * xi * xi * b[at(i, j)] - 2.0 * xi * e - 6.0 * xi * xi * s3[i];
        if (!iPure && services::RELCMP(x[j], 1.0) != 0) {
          g += xi * lngam[i] / ((1.0 - xi) * (1.0 - x[j]));
        }
      }
      dlngdx[at(i, j)] = g;
    }
  }
}

// The common first steps: no temperature terms; the composition derivatives when the
// hundreds digit of the request is exactly 1 (a single component always gets its one).
// Returns NDER.
std::size_t prepare(ActivityModelCall& c, std::size_t n, std::size_t workNeeded,
                    std::string_view name) {
  requireActivityArray(name, c.param.size(), 2 * n * n, 4);
  requireActivityArray(name, c.work.size(), workNeeded, 16);
  c.hert2 = 0.0;
  if (c.request % 10 == 1) std::fill_n(c.dlngdt.begin(), n, 0.0);
  const std::size_t nder = (c.request / 100) % 10 == 1 ? n : 1;
  if (nder == n) requireActivityArray(name, c.dlngdx.size(), n * n, 25);
  c.status = 0;
  return nder;
}

}  // namespace

void GAM410(ActivityModelCall& c) {
  const auto n = static_cast<std::size_t>(std::max(c.ncl, 0));
  const std::size_t nder = prepare(c, n, 2 * n, "GAM410");
  std::int32_t ierr = 0;
  K410KR(ierr, c.gert, nder, n, c.x, c.work.first(n), c.work.subspan(n, n), c.lngam, c.dlngdx,
         c.param.first(n * n), c.param.subspan(n * n, n * n));
}

void GAM411(ActivityModelCall& c) {
  const auto n = static_cast<std::size_t>(std::max(c.ncl, 0));
  const std::size_t nder = prepare(c, n, 3 * n, "GAM411");
  std::int32_t ierr = 0;
  K411KR(ierr, c.gert, nder, n, c.x, c.work.first(n), c.work.subspan(n, n),
         c.work.subspan(2 * n, n), c.lngam, c.dlngdx, c.param.first(n * n),
         c.param.subspan(n * n, n * n));
}

}  // namespace equilibrium
