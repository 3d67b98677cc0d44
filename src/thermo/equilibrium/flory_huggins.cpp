// K407KR: the Flory-Huggins activity model of codes 407 and 513 with pair interaction
// parameters, falling back on solubility parameters for pairs without them.
//
// With V'_i = 1000 V_i (cm3/mol), S = sum x_i V'_i, phi_i = x_i V'_i/S, r_i = V_i/V_min:
//   W_ij = A_ij + B_ij/T (a pair with parameters) or (delta_i - delta_j)^2 V'_min/(R T);
//   ln gamma_i = ln(V'_i/S) + 1 - V'_i/S + r_i [sum_{j != i} W_ij phi_j - sum_{k<l} W_kl phi_k
//   phi_l],
// and without any pair parameters the regular solution with the Flory-Huggins term,
//   ln gamma_i = ln(V'_i/S) + 1 - V'_i/S + (delta_i - mean delta)^2 V'_i/(R T),
// R = 1.98721 cal/(mol K). The composition derivatives (mole fractions independent) are
// the exact derivatives of these values, the Flory-Huggins part included, and they are not
// symmetric in general.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "services/services.hpp"
#include "thermo/equilibrium/activity_dispatcher.hpp"

namespace equilibrium {
namespace {

constexpr double kCalGasConstant = 1.98721;  // cal/(mol K)
constexpr double kCm3PerM3 = 1000.0;         // cm3/mol per m3/kmol

// The pair table and the volume fractions, kept between calls so that a warm call allocates
// nothing; every problem open starts them again.
struct FloryHugginsScratch {
  std::vector<double> w, dw, phi, vp;
};
FloryHugginsScratch floryHugginsScratch;
const bool kScratchReset = services::registerKeptValues([] { floryHugginsScratch = {}; });

bool missing(double v) { return !(v > services::RMISS); }

}  // namespace

void K407KR(std::int32_t& istat, std::int32_t nder, std::int32_t n, double t,
            std::span<const double> x, std::span<double> lngam, std::span<double> dlngdt,
            std::span<double> dlngdx, std::span<const double> v, std::span<const double> delta,
            std::span<const double> a, std::span<const double> b) {
  istat = 0;
  const auto nn = static_cast<std::size_t>(n > 0 ? n : 0);
  FloryHugginsScratch& s = floryHugginsScratch;
  for (auto* vec : {&s.w, &s.dw}) {
    if (vec->size() < nn * nn) vec->resize(nn * nn);
  }
  for (auto* vec : {&s.phi, &s.vp}) {
    if (vec->size() < nn) vec->resize(nn);
  }
  // 1. Volumes and volume fractions.
  double vmin = v[0];
  double sum = 0.0;
  for (std::size_t i = 0; i < nn; ++i) {
    vmin = std::min(vmin, v[i]);
    s.vp[i] = v[i] * kCm3PerM3;
    sum += x[i] * s.vp[i];
  }
  for (std::size_t i = 0; i < nn; ++i) s.phi[i] = x[i] * s.vp[i] / sum;

  // 2. The pair values W_ij (symmetric) and dW_ij/dT.
  bool anyParameters = false;
  const double rt = kCalGasConstant * t;
  for (std::size_t j = 0; j < nn; ++j) {
    for (std::size_t i = 0; i < j; ++i) {
      const std::size_t ij = j * nn + i;
      double w = 0.0, dw = 0.0;
      if (!missing(a[ij]) || !missing(b[ij])) {
        anyParameters = true;
        w = a[ij] + b[ij] / t;
        dw = -b[ij] / (t * t);
      } else {
        const double d = delta[i] - delta[j];
        w = d * d * vmin * kCm3PerM3 / rt;
        dw = -w / t;
      }
      s.w[ij] = s.w[i * nn + j] = w;
      s.dw[ij] = s.dw[i * nn + j] = dw;
    }
    s.w[j * nn + j] = s.dw[j * nn + j] = 0.0;
  }
  const bool composition = static_cast<std::size_t>(nder) == nn;

  if (!anyParameters) {
    // 3. The regular solution with the Flory-Huggins term.
    double mean = 0.0;
    for (std::size_t i = 0; i < nn; ++i) mean += s.phi[i] * delta[i];
    for (std::size_t i = 0; i < nn; ++i) {
      const double d = delta[i] - mean;
      const double g = d * d * s.vp[i] / rt;
      lngam[i] = std::log(s.vp[i] / sum) + 1.0 - s.vp[i] / sum + g;
      dlngdt[i] = -g / t;
    }
    if (composition) {
      for (std::size_t j = 0; j < nn; ++j) {
        for (std::size_t i = 0; i < nn; ++i) {
          const double fh = s.vp[j] / sum * (s.vp[i] / sum - 1.0);
          const double rs =
              -2.0 * (delta[i] - mean) * (delta[j] - mean) * s.vp[i] * s.vp[j] / (rt * sum);
          dlngdx[j * nn + i] = fh + rs;
        }
      }
    } else if (!dlngdx.empty()) {
      dlngdx[0] = 0.0;
    }
    return;
  }

  // 4. Flory-Huggins with interaction parameters.
  double q = 0.0, dq = 0.0;  // sum_{k<l} W_kl phi_k phi_l and its temperature derivative
  for (std::size_t l = 0; l < nn; ++l) {
    for (std::size_t k = 0; k < l; ++k) {
      q += s.w[l * nn + k] * s.phi[k] * s.phi[l];
      dq += s.dw[l * nn + k] * s.phi[k] * s.phi[l];
    }
  }
  for (std::size_t i = 0; i < nn; ++i) {
    const double r = v[i] / vmin;
    double si = 0.0, dsi = 0.0;
    for (std::size_t j = 0; j < nn; ++j) {
      si += s.w[j * nn + i] * s.phi[j];
      dsi += s.dw[j * nn + i] * s.phi[j];
    }
    lngam[i] = std::log(s.vp[i] / sum) + 1.0 - s.vp[i] / sum + r * (si - q);
    dlngdt[i] = r * (dsi - dq);
  }
  if (!composition) {
    if (!dlngdx.empty()) dlngdx[0] = 0.0;
    return;
  }
  // d phi_k/d x_j = (e_kj - phi_k) V'_j/S; d q/d x_j = sum_k (sum_l W_kl phi_l) d phi_k/d x_j.
  for (std::size_t j = 0; j < nn; ++j) {
    const double f = s.vp[j] / sum;
    double dq_dxj = 0.0;
    for (std::size_t k = 0; k < nn; ++k) {
      double sk = 0.0;
      for (std::size_t l = 0; l < nn; ++l) sk += s.w[l * nn + k] * s.phi[l];
      dq_dxj += sk * ((k == j ? 1.0 : 0.0) - s.phi[k]) * f;
    }
    for (std::size_t i = 0; i < nn; ++i) {
      const double r = v[i] / vmin;
      double ds = 0.0;
      for (std::size_t k = 0; k < nn; ++k) {
        ds += s.w[k * nn + i] * ((k == j ? 1.0 : 0.0) - s.phi[k]) * f;
      }
      dlngdx[j * nn + i] = f * (s.vp[i] / sum - 1.0) + r * (ds - dq_dxj);
    }
  }
}

}  // namespace equilibrium
