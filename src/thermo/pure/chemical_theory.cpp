// Vapour method 123: an ideal mixture of monomers and dimers in chemical equilibrium. The
// equilibrium solver (ASCDRV, ASCSOL with ASCHL1 to ASCHL4 and ASCIDX) and the vapour method
// (ASCFUG) with its departures by differences.
//
// theta_i is the fraction of the apparent moles of i present as monomer; R = (1 + sum y_k
// theta_k)/2 the true moles per apparent mole; z_i = theta_i/R = phi_i, and R = Z.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "services/services.hpp"
#include "thermo/pure/eos_internal.hpp"
#include "thermo/pure/hard_chain_internal.hpp"
#include "thermo/pure/vapour_methods.hpp"

namespace pure {
namespace {

constexpr double kAtmospheresPerKpa = 0.0098692327;
constexpr double kKpaPerAtmosphere = 101.325;
constexpr double kTinyParameter = 1e-30;
constexpr double kRelativeStep = 0.005;
constexpr int kPasses = 50;
constexpr double kSubstitutionTolerance = 1e-4;
constexpr double kResidualTolerance = 1e-8;
constexpr double kLooseTolerance = 1e-4;
constexpr double kTightTolerance = 5e-7;
constexpr double kStepBack = 0.9;
constexpr double kStepBackFactor = 1.01;

std::size_t count(std::int32_t n) { return static_cast<std::size_t>(n > 0 ? n : 0); }

}  // namespace

void ASCHL1(std::int32_t n, std::span<double> y, std::int32_t& status) {
  if (n < 1) {
    status = -1;
    return;
  }
  const std::size_t m = count(n);
  bool zeroed = false;
  double sum = 0.0;
  for (std::size_t i = 0; i < m; ++i) {
    if (y[i] < 0.0) {
      y[i] = 0.0;
      zeroed = true;
    }
    sum += y[i];
  }
  if (sum == 0.0) {
    status = -1;
    return;
  }
  if (services::RELCMP(sum, 1.0) == 0) {
    status = zeroed ? 2 : 0;
    return;
  }
  for (std::size_t i = 0; i < m; ++i) y[i] /= sum;
  status = zeroed ? 2 : 1;
}

void ASCHL2(std::int32_t n, std::span<double> k, std::int32_t& status) {
  if (n < 1) {
    status = -1;
    return;
  }
  const std::size_t ns = count(n) * (count(n) + 1) / 2;
  bool zeroed = false;
  bool positive = false;
  for (std::size_t p = 0; p < ns; ++p) {
    if (k[p] < 0.0) {
      k[p] = 0.0;
      zeroed = true;
    }
    if (k[p] > 0.0) positive = true;
  }
  status = (positive ? 0 : 1) + (zeroed ? 2 : 0);
}

std::int32_t ASCIDX(std::int32_t i, std::int32_t j, std::int32_t n) {
  if (i < 1 || j < 1 || n < 1 || i > n || j > n) return 1;
  if (i > j) std::swap(i, j);
  return (i - 1) * (2 * n - i + 2) / 2 + (j - i) + 1;
}

void ASCHL3(std::int32_t n, std::span<const double> k, std::span<std::int32_t> partner) {
  const std::size_t m = count(n);
  for (std::size_t i = 0; i < m; ++i) partner[i] = -1;
  const auto at = [&](std::int32_t i) -> std::int32_t& {
    return partner[static_cast<std::size_t>(i - 1)];
  };
  for (std::int32_t i = 1; i <= n; ++i) {
    for (std::int32_t j = i; j <= n; ++j) {
      if (!(k[static_cast<std::size_t>(ASCIDX(i, j, n) - 1)] > 0.0)) continue;
      if (at(i) == -1) {
        if (j == i) {
          at(i) = i;
        } else {
          at(i) = at(j) == -1 ? j : 0;
        }
      } else if (at(i) != 0) {
        if (at(i) != i) at(at(i)) = 0;
        at(i) = 0;
      }
      if (j != i) {
        const std::int32_t p = at(j);
        if (p > 0 && p != j) at(p) = 0;
        at(j) = at(i) == j ? i : 0;
      }
    }
  }
}

bool ASCHL4(std::int32_t m, std::span<double> a, std::span<double> b, std::span<double> x) {
  const std::size_t n = count(m);
  const auto e = [&](std::size_t r, std::size_t c) -> double& { return a[r * n + c]; };
  for (std::size_t p = 0; p < n; ++p) {
    // Partial pivoting: the first row of strictly largest magnitude below the pivot.
    std::size_t best = p;
    for (std::size_t r = p + 1; r < n; ++r) {
      if (std::fabs(e(r, p)) > std::fabs(e(best, p))) best = r;
    }
    if (best != p) {
      for (std::size_t c = 0; c < n; ++c) std::swap(e(p, c), e(best, c));
      std::swap(b[p], b[best]);
    }
    // A zero or non-finite pivot (a NaN never wins the search above) leaves no solution.
    const double pivot = e(p, p);
    if (pivot == 0.0 || !std::isfinite(pivot)) return false;
    for (std::size_t c = p; c < n; ++c) e(p, c) /= pivot;
    b[p] /= pivot;
    for (std::size_t r = p + 1; r < n; ++r) {
      const double f = e(r, p);
      for (std::size_t c = p; c < n; ++c) e(r, c) -= f * e(p, c);
      b[r] -= f * b[p];
    }
  }
  for (std::size_t p = n; p > 0; --p) {
    double v = b[p - 1];
    for (std::size_t c = p; c < n; ++c) v -= e(p - 1, c) * x[c];
    if (!std::isfinite(v)) return false;
    x[p - 1] = v;
  }
  return true;
}

void ASCSOL(double /*t*/, double p, std::int32_t option, std::int32_t n, std::span<double> y,
            std::span<double> k, std::span<double> z, double& r, std::span<std::int32_t> list,
            std::span<std::int32_t> partner, std::span<double> step, std::span<double> residual,
            std::span<double> jacobian) {
  // 1. Guards.
  if (n < 1 || p < 0.0) return;
  std::int32_t status = 0;
  ASCHL1(n, y, status);
  if (status < 0) return;
  const std::size_t m = count(n);
  // 2. Every component a monomer.
  std::span<double> theta = z;  // theta lives in z until the final step
  for (std::size_t i = 0; i < m; ++i) theta[i] = 1.0;

  // 3. Constants.
  ASCHL2(n, k, status);
  const auto kk = [&](std::size_t i, std::size_t j, double pa) {
    return pa *
           k[static_cast<std::size_t>(
               ASCIDX(static_cast<std::int32_t>(i + 1), static_cast<std::int32_t>(j + 1), n) - 1)];
  };
  if (p != 0.0 && (status == 0 || status == 2)) {
    // 4. Classification.
    ASCHL3(n, k, partner);
    // 5. First pass: the closed forms.
    const double pa = p * kAtmospheresPerKpa;
    double s0 = 0.0;
    std::size_t listed = 0;
    for (std::size_t i = 0; i < m; ++i) {
      const std::int32_t w = partner[i];
      if (w == -1) {
        s0 += y[i];
        continue;
      }
      list[listed++] = static_cast<std::int32_t>(i + 1);
      const double yi = y[i];
      if (w == static_cast<std::int32_t>(i + 1)) {
        const double a = kk(i, i, pa);
        theta[i] =
            (2.0 - yi) /
            (std::sqrt((4.0 * a + 1.0) * yi * (2.0 - yi) + (1.0 - yi) * (1.0 - yi)) + 1.0 - yi);
      } else if (w > 0) {
        const std::size_t j = static_cast<std::size_t>(w - 1);
        const double c = kk(i, j, pa);
        const double b = 1.0 + c * (y[j] - yi) - 2.0 * yi;
        const double d = b * b + 4.0 * (c + 1.0) * yi * (1.0 - yi);
        theta[i] = b >= 0.0 ? 2.0 * (1.0 - yi) / (std::sqrt(d) + b)
                            : (std::sqrt(d) - b) / (2.0 * (c + 1.0) * yi);
      }
    }
    // 6-7. More than one exclusive association: iterate.
    const bool iterate =
        listed > 2 || (listed == 2 && partner[static_cast<std::size_t>(list[0] - 1)] != list[1]);
    if (iterate && option == 0) {
      // Substitution on R.
      double rr = 1.0;
      for (int pass = 1; pass <= kPasses; ++pass) {
        for (std::size_t l = 0; l < listed; ++l) {
          const std::size_t i = static_cast<std::size_t>(list[l] - 1);
          const std::int32_t w = partner[i];
          if (w == 0) {
            double s = 0.0;
            for (std::size_t q = 0; q < listed; ++q) {
              const std::size_t j = static_cast<std::size_t>(list[q] - 1);
              s += kk(i, j, pa) / rr * (j == i ? 2.0 * y[i] : y[j]);
            }
            theta[i] = 2.0 / (1.0 + std::sqrt(1.0 + 4.0 * s));
          } else if (w == static_cast<std::int32_t>(i + 1)) {
            theta[i] = 2.0 / (1.0 + std::sqrt(1.0 + 8.0 * kk(i, i, pa) * y[i] / rr));
          } else {
            const std::size_t j = static_cast<std::size_t>(w - 1);
            const double c = kk(i, j, pa) / rr;
            const double b = 1.0 + c * (y[j] - y[i]);
            const double root = std::sqrt(b * b + 4.0 * c * y[i]);
            theta[i] = b >= 0.0 ? 2.0 / (b + root) : (root - b) / (2.0 * c * y[i]);
          }
        }
        double sum = 1.0;
        for (std::size_t q = 0; q < m; ++q) sum += y[q] * theta[q];
        const double next = 0.5 * sum;
        const bool done = std::fabs(next - rr) < kSubstitutionTolerance || pass == kPasses;
        rr = next;
        if (done) break;
      }
    } else if (iterate) {
      // Newton on the monomer balances F_i = theta_i (R + G_i) - R of the listed components.
      const double tolerance = option == 1 ? kLooseTolerance : kTightTolerance;
      for (int pass = 1; pass <= kPasses; ++pass) {
        double sumY = 0.0;
        for (std::size_t l = 0; l < listed; ++l) {
          const std::size_t j = static_cast<std::size_t>(list[l] - 1);
          sumY += y[j] * theta[j];
        }
        const double rr = 0.5 * (1.0 + s0 + sumY);
        double norm = 0.0;
        for (std::size_t l = 0; l < listed; ++l) {
          const std::size_t i = static_cast<std::size_t>(list[l] - 1);
          double cross = 0.0;
          for (std::size_t q = 0; q < listed; ++q) {
            const std::size_t j = static_cast<std::size_t>(list[q] - 1);
            if (j != i) cross += kk(i, j, pa) * y[j] * theta[j];
          }
          const double g = 2.0 * kk(i, i, pa) * y[i] * theta[i] + cross;
          residual[l] = theta[i] * (rr + g) - rr;
          norm += std::fabs(residual[l]);
          for (std::size_t q = 0; q < listed; ++q) {
            const std::size_t j = static_cast<std::size_t>(list[q] - 1);
            jacobian[l * listed + q] = j != i ? y[j] * ((kk(i, j, pa) + 0.5) * theta[i] - 0.5)
                                              : 0.5 * (1.0 - y[i]) + cross +
                                                    (4.0 * kk(i, i, pa) + 1.0) * y[i] * theta[i] +
                                                    0.5 * (s0 + sumY - y[i] * theta[i]);
          }
        }
        if (norm < kResidualTolerance) break;
        // A singular or non-finite system gives no step: the last iterate stands.
        if (!ASCHL4(static_cast<std::int32_t>(listed), jacobian, residual, step)) break;
        double moved = 0.0;
        double back = 0.0;
        for (std::size_t l = 0; l < listed; ++l) {
          const std::size_t i = static_cast<std::size_t>(list[l] - 1);
          theta[i] -= step[l];
          moved += std::fabs(step[l]);
          if (theta[i] <= 0.0) back = std::max(back, -theta[i] / step[l]);
          if (theta[i] > 1.0) back = std::max(back, -(theta[i] - 1.0) / step[l]);
        }
        if (back > 0.0) {
          if (back < kStepBack) back *= kStepBackFactor;
          for (std::size_t l = 0; l < listed; ++l) {
            theta[static_cast<std::size_t>(list[l] - 1)] += back * step[l];
          }
        }
        if (pass == kPasses || moved / static_cast<double>(m) < tolerance) break;
      }
    }
  }
  // 8. R and z.
  double sum = 1.0;
  for (std::size_t q = 0; q < m; ++q) sum += y[q] * theta[q];
  r = 0.5 * sum;
  for (std::size_t q = 0; q < m; ++q) z[q] = theta[q] / r;
}

void ASCDRV(double t, double p, std::int32_t option, std::int32_t n, std::span<double> y,
            std::span<double> k, std::span<double> z, double& r, std::span<std::int32_t> iwork,
            std::span<double> rwork) {
  const std::size_t m = count(n);
  eos_internal::requireLength(std::span<const double>(y), m, "ASCDRV", "Y");
  eos_internal::requireLength(std::span<const double>(k), m * (m + 1) / 2, "ASCDRV", "K");
  eos_internal::requireLength(std::span<const double>(z), m, "ASCDRV", "Z");
  eos_internal::requireLength(std::span<const std::int32_t>(iwork), 2 * m, "ASCDRV", "IWORK");
  eos_internal::requireLength(std::span<const double>(rwork), 2 * m + m * m, "ASCDRV", "RWORK");
  ASCSOL(t, p, option, n, y, k, z, r, iwork.first(m), iwork.subspan(m, m), rwork.first(m),
         rwork.subspan(m, m), rwork.subspan(2 * m, m * m));
}

std::size_t ascfugWorkWords(std::int32_t nc) {
  const std::size_t n = count(nc);
  return 3 * (n * (n + 1) / 2) + 7 * n + n * n;
}

void ASCFUG(double t, double p, std::int32_t option, std::int32_t nc, std::span<const double> y,
            std::span<std::int32_t> iwork, std::span<double> work, std::span<double> lnphi,
            std::span<double> lnphiT, double& z, std::span<const double> a,
            std::span<const double> b, double& hr, double& cpr, double& cvr, double& cpcv,
            double& sr, std::int32_t level) {
  constexpr const char* kName = "ASCFUG";
  const std::size_t n = count(nc);
  const std::size_t ns = n * (n + 1) / 2;
  eos_internal::requireLength(y, n, kName, "Y");
  eos_internal::requireLength(a, ns, kName, "A");
  eos_internal::requireLength(b, ns, kName, "B");
  eos_internal::requireLength(std::span<const double>(work), ascfugWorkWords(nc), kName, "WORK");
  eos_internal::requireLength(std::span<const double>(lnphi), n, kName, "LNPHI");
  if (level >= 2) eos_internal::requireLength(std::span<const double>(lnphiT), n, kName, "LNPHIT");

  // The work array: constants at T, T + d and T - d (ASCDRV's order), the composition, phi at
  // T, T + d, T - d and P + dP, then ASCDRV's real work.
  const std::span<double> kAt = work.first(ns);
  const std::span<double> kPlus = work.subspan(ns, ns);
  const std::span<double> kMinus = work.subspan(2 * ns, ns);
  const std::span<double> yy = work.subspan(3 * ns, n);
  const std::span<double> phi = work.subspan(3 * ns + n, n);
  const std::span<double> phiPlus = work.subspan(3 * ns + 2 * n, n);
  const std::span<double> phiMinus = work.subspan(3 * ns + 3 * n, n);
  const std::span<double> phiP = work.subspan(3 * ns + 4 * n, n);
  const std::span<double> rwork = work.subspan(3 * ns + 5 * n);

  // The constants at a temperature, from the caller's column order into ASCDRV's row order.
  const auto constants = [&](double temperature, std::span<double> k) {
    for (std::size_t j = 0; j < n; ++j) {
      for (std::size_t i = 0; i <= j; ++i) {
        const std::size_t c = hard_chain::pairAt(i, j);
        const bool present = std::fabs(a[c]) >= kTinyParameter || std::fabs(b[c]) >= kTinyParameter;
        k[static_cast<std::size_t>(
            ASCIDX(static_cast<std::int32_t>(i + 1), static_cast<std::int32_t>(j + 1), nc) - 1)] =
            present ? kKpaPerAtmosphere * std::pow(10.0, a[c] + b[c] / temperature) : 0.0;
      }
    }
    for (std::size_t j = 0; j < n; ++j) {
      for (std::size_t i = 0; i < j; ++i) {
        const auto at = [&](std::size_t u, std::size_t v) -> double& {
          return k[static_cast<std::size_t>(
              ASCIDX(static_cast<std::int32_t>(u + 1), static_cast<std::int32_t>(v + 1), nc) - 1)];
        };
        if (at(i, j) < kTinyParameter) at(i, j) = 2.0 * std::sqrt(at(i, i) * at(j, j));
      }
    }
  };
  const auto solve = [&](double temperature, double pressure, std::span<double> k,
                         std::span<double> out) {
    std::copy_n(y.begin(), n, yy.begin());
    double r = 1.0;
    ASCDRV(temperature, pressure, option, nc, yy, k, out, r, iwork, rwork);
    return r;
  };

  // 1. The equilibrium at (T, P).
  constants(t, kAt);
  z = solve(t, p, kAt, phi);

  if (level >= 2) {
    // 2. Temperature differences.
    const double d = kRelativeStep * t;
    constants(t + d, kPlus);
    constants(t - d, kMinus);
    const double zPlus = solve(t + d, p, kPlus, phiPlus);
    const double zMinus = solve(t - d, p, kMinus, phiMinus);
    double s1 = 0.0, s2 = 0.0, s3 = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      const double di = ((phiPlus[i] - phiMinus[i]) / (2.0 * d)) / phi[i];
      const double ei =
          ((phiPlus[i] - phi[i]) / d - (phi[i] - phiMinus[i]) / d) / d / phi[i] - di * di;
      lnphiT[i] = di;
      s1 += y[i] * di;
      s2 += y[i] * ei;
      s3 += y[i] * std::log(phi[i]);
    }
    hr = -t * s1;
    sr = -t * s1 - s3;
    if (level >= 3) {
      // 3. Heat capacities.
      const double zT = (zPlus - zMinus) / (2.0 * d);
      cpr = -2.0 * t * s1 - t * t * s2;
      const double dp = kRelativeStep * p;
      const double zP = (solve(t, p + dp, kAt, phiP) - z) / dp;
      const double f = t * (1.0 / t + zT / z);
      cpcv = f * f * (z / p) / (1.0 / p - zP / z);
      cvr = cpr + 1.0 - cpcv;
    }
  }
  // 4. The logarithms.
  for (std::size_t i = 0; i < n; ++i) lnphi[i] = std::log(phi[i]);
}

}  // namespace pure
