// GAMREG: regular-solution activity coefficients from solubility parameters and liquid molar
// volumes, optionally with the Flory-Huggins combinatorial term.
#include <cmath>
#include <cstdint>
#include <span>

#include "thermo/equilibrium/kvalue_kernels.hpp"

namespace equilibrium {
namespace {

// R in cal/(mol K); m3/kmol to cm3/mol.
constexpr double kGasConstantCal = 1.98721;
constexpr double kCubicCentimetres = 1000.0;

}  // namespace

void GAMREG(std::int32_t& istat, std::int32_t ld, std::int32_t n, double t,
            std::span<const double> x, std::span<double> lng, std::span<double> dlngdt,
            std::span<double> dlngdx, std::span<const double> delta, std::int32_t option,
            std::span<const double> v) {
  istat = 0;
  const auto count = static_cast<std::size_t>(n > 0 ? n : 0);
  // 1. The volume sum, the volume-weighted mean solubility parameter and RT.
  double sumV = 0.0;
  double sumVDelta = 0.0;
  for (std::size_t i = 0; i < count; ++i) {
    const double vi = kCubicCentimetres * v[i];
    sumV += x[i] * vi;
    sumVDelta += x[i] * vi * delta[i];
  }
  const double mean = sumVDelta / sumV;
  const double rt = kGasConstantCal * t;

  // 2. ln gamma_i = V'_i (delta_i - mean)^2 / RT, and the Flory-Huggins term.
  for (std::size_t i = 0; i < count; ++i) {
    const double vi = kCubicCentimetres * v[i];
    const double d = delta[i] - mean;
    lng[i] = vi * d * d / rt;
    dlngdt[i] = -lng[i] / t;
    if (option == kFloryHuggins) {
      const double r = vi / sumV;
      lng[i] += std::log(r) + 1.0 - r;
    }
  }

  // 3. d ln gamma_i / d x_k = -2 V'_i (delta_i - mean) V'_k (delta_k - mean) / (RT sum).
  if (ld != n) {
    if (!dlngdx.empty()) dlngdx[0] = 0.0;
    return;
  }
  for (std::size_t k = 0; k < count; ++k) {
    const double wk = kCubicCentimetres * v[k] * (delta[k] - mean);
    for (std::size_t i = 0; i <= k; ++i) {
      const double wi = kCubicCentimetres * v[i] * (delta[i] - mean);
      const double e = -2.0 * wi * wk / (rt * sumV);
      dlngdx[k * count + i] = e;
      dlngdx[i * count + k] = e;
    }
  }
}

}  // namespace equilibrium
