// FLASC1: one Newton step of the Newton flash on ln K.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "flash/flash_print.hpp"
#include "flash/linear_solver.hpp"
#include "flash/newton_flash.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/liquid_fugacity.hpp"
#include "thermo/equilibrium/vapour_fugacity.hpp"

namespace flash {
namespace {

FugacityRoutines current{&equilibrium::FLCALC, &equilibrium::FVCALC};

constexpr std::int32_t kDerivativeMode = 2;
constexpr std::int32_t kCompositionRequest = 100;
constexpr std::int32_t kActivityOptionDigit = 4;

// Matrix M (by columns, leading dimension n), element (i, j) 0-based.
double& at(std::span<double> m, std::size_t n, std::size_t i, std::size_t j) {
  return m[j * n + i];
}

// The composition-derivative matrix of flash work array ARRAY into D (n x n, by columns).
void loadMatrix(std::int32_t array, std::span<double> d, std::size_t n) {
  if (n == 0) return;
  const std::int32_t offset = problem::FWPART.realOffset(static_cast<std::size_t>(array));
  storage::CORSTO.reals(offset + 1, static_cast<std::int32_t>(n * n)).copyTo(d.first(n * n));
}

}  // namespace

const FugacityRoutines& fugacityRoutines() { return current; }
ScopedFugacityRoutines::ScopedFugacityRoutines(const FugacityRoutines& replacement)
    : previous_(current) {
  current = replacement;
}
ScopedFugacityRoutines::~ScopedFugacityRoutines() { current = previous_; }

void FLASC1(std::int32_t nc, std::span<const std::int32_t> flags, double t, double p,
            std::span<double> k, std::span<const double> x, std::span<const double> y, double v,
            std::int32_t pass, std::span<double> w1, std::span<double> w2, std::span<double> w3,
            std::span<double> w4, std::span<double> d, std::span<double> f, std::span<double> j,
            std::span<double> g, std::span<std::int32_t> ipiv, std::span<double> work,
            std::int32_t mode, std::int32_t& fail, std::int32_t debug, std::int32_t unit,
            std::int32_t /*reserved*/) {
  const std::size_t n = static_cast<std::size_t>(std::max(nc, 0));
  const bool fits = k.size() >= n && x.size() >= n && y.size() >= n && w1.size() >= n &&
                    w2.size() >= n && w3.size() >= n && w4.size() >= n && d.size() >= n * n &&
                    f.size() >= n && j.size() >= n * (n + 1) && g.size() >= n && ipiv.size() >= n;
  if (!fits) {
    services::ERRITM("NC", nc);
    services::ABTRPT("FL", "FLASC1", "FLASC1", "NEWTON WORK ARRAYS SHORTER THAN NC");
  }
  if (debug >= 3) writef(unit, " ENTERED FLASC1");
  fail = 0;
  // Sensitivities of the split: W1 = x/d, W4 = W1/S.
  double s = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double di = k[i] * v + 1.0 - v;
    w1[i] = x[i] / di;
    s += (k[i] - 1.0) * (y[i] - x[i]) / di;
  }
  for (std::size_t i = 0; i < n; ++i) w4[i] = w1[i] / s;

  const std::int32_t request = mode == kDerivativeMode ? kCompositionRequest : 0;
  auto& derivativeFlags = equilibrium::fugacityDerivativeFlags;
  double z = 0.0;
  std::int32_t status = 0, numerical = 0;

  // The liquid: ln phiL in F (kept in W3), its derivatives into the Jacobian.
  current.liquid(nc, x, f, t, p, z, request, 0, flags, 0, status, numerical);
  bool newton = derivativeFlags.IDRVL != 0;
  std::copy_n(f.begin(), n, w3.begin());
  if (newton) {
    loadMatrix(methods::KMCTL.kvalue.option == kActivityOptionDigit ? equilibrium::kLnGammaXArray
                                                                    : equilibrium::kLiquidLnPhiNArray,
               d, n);
    for (std::size_t r = 0; r < n; ++r) {
      at(j, n, r, n) = f[r];
      double a = 0.0;
      for (std::size_t c = 0; c < n; ++c) a -= at(d, n, r, c) * (k[c] - 1.0) * w1[c];
      for (std::size_t c = 0; c < n; ++c) at(j, n, r, c) = a * w4[c] - v * at(d, n, r, c) * w1[c];
    }
  }

  // The vapour.
  numerical = 0;
  current.vapour(nc, y, f, t, p, z, request, 0, flags, 0, status, numerical);
  newton = newton && derivativeFlags.IDRVV != 0;
  if (newton) {
    loadMatrix(equilibrium::kVapourLnPhiNArray, d, n);
    for (std::size_t r = 0; r < n; ++r) {
      at(j, n, r, n) = std::log(k[r]) - at(j, n, r, n) + f[r];
      double b = 0.0;
      for (std::size_t c = 0; c < n; ++c) b -= at(d, n, r, c) * k[c] * (k[c] - 1.0) * w1[c];
      g[r] = b;
    }
    for (std::size_t c = 0; c < n; ++c) w2[c] = x[c] - v * k[c] * w1[c];
    for (std::size_t r = 0; r < n; ++r) {
      for (std::size_t c = 0; c < n; ++c) {
        at(j, n, r, c) = (at(j, n, r, c) - at(d, n, r, c) * w2[c] - g[r] * w4[c]) * k[c];
      }
      at(j, n, r, r) -= 1.0;
    }
    double det = 0.0;
    std::int32_t ierr = 0;
    LINING(nc, 1, nc, j, static_cast<std::int32_t>(LinearSolveMode::FactorAndSolve), det, ipiv,
           work, debug, unit, ierr);
    if (ierr != 0) {
      fail = ierr;
    } else {
      for (std::size_t i = 0; i < n; ++i) {
        k[i] *= std::exp(std::clamp(at(j, n, i, n), -kLnKStepLimit, kLnKStepLimit));
      }
    }
  } else {
    // Substitution: the new ln K, its change limited as a Newton step's. Fugacities that are
    // not finite give no step: they fail as a singular matrix does, K unchanged.
    for (std::size_t i = 0; i < n; ++i) g[i] = w3[i] - f[i];
    if (std::all_of(g.begin(), g.begin() + static_cast<std::ptrdiff_t>(n),
                    [](double e) { return std::isfinite(e); })) {
      for (std::size_t i = 0; i < n; ++i) {
        k[i] *= std::exp(std::clamp(g[i] - std::log(k[i]), -kLnKStepLimit, kLnKStepLimit));
      }
    } else {
      fail = 1;
    }
  }
  if (debug >= 2) writef(unit, " LEAVING FLASC1 - KXITER=%4d   TETA=%14.6E", pass, v);
}

}  // namespace flash
