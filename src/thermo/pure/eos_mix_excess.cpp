// EOSMR6: the mixing rule that builds the mixture attraction from the excess Gibbs energy
// of an activity-coefficient model at infinite pressure.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "services/services.hpp"
#include "thermo/pure/cubic_eos.hpp"
#include "thermo/pure/eos_internal.hpp"

namespace pure {
namespace {

// Lambda = ln((1 - u1)/(1 - u2))/(u1 - u2): -1 for u1 = u2 = 0, -1/(1 - u) for u1 = u2 = u.
double lambdaOf(double u1, double u2) {
  if (services::RELCMP(u1, 0.0) == 0 && services::RELCMP(u2, 0.0) == 0) return -1.0;
  if (eos_internal::coincidentConstants(u1, u2)) return -1.0 / (1.0 - 0.5 * (u1 + u2));
  return std::log((1.0 - u1) / (1.0 - u2)) / (u1 - u2);
}

}  // namespace

void EOSMR6(std::span<const double> ai, std::span<const double> aT, std::span<const double> aTT,
            std::span<const double> b, std::span<const double> lngam,
            std::span<const double> lngamT, std::span<const double> dlngdn, double g, double /*hE*/,
            double gTT, double t, std::int32_t level, std::int32_t nc, double u1, double u2,
            std::span<const double> x, double& am, double& amT, double& amTT,
            std::span<double> abar, std::span<double> abarT, std::span<double> abb, double& bm,
            double& bmT, double& bmTT, std::span<double> bbar, std::span<double> bbarT,
            std::span<double> bbb) {
  if (level < 1 || nc < 1) return;
  level = std::min<std::int32_t>(level, 4);
  const auto n = static_cast<std::size_t>(nc);
  constexpr const char* kName = "EOSMR6";
  eos_internal::requireLength(ai, n, kName, "A");
  eos_internal::requireLength(b, n, kName, "B");
  eos_internal::requireLength(lngam, n, kName, "LNGAM");
  eos_internal::requireLength(x, n, kName, "X");
  eos_internal::requireLength(abar, n, kName, "ABAR");
  eos_internal::requireLength(bbar, n, kName, "BBAR");
  if (level >= 2) {
    eos_internal::requireLength(aT, n, kName, "DA/DT");
    eos_internal::requireLength(lngamT, n, kName, "DLNGAM/DT");
    eos_internal::requireLength(abarT, n, kName, "ABART");
    eos_internal::requireLength(bbarT, n, kName, "BBART");
  }
  if (level >= 3) eos_internal::requireLength(aTT, n, kName, "D2A/DT2");
  if (level >= 4) {
    eos_internal::requireLength(dlngdn, n * n, kName, "DLNGAM/DN");
    eos_internal::requireLength(abb, n * n, kName, "ABB");
    eos_internal::requireLength(bbb, n * n, kName, "BBB");
  }

  // 1. Lambda and the sums over the components.
  const double r = services::kGasConstant;
  const double rl = r / lambdaOf(u1, u2);
  double bsum = 0.0;
  double s0 = 0.0, s1 = 0.0, s2 = 0.0;
  double gT = 0.0;  // dg/dT = sum x_i dln(gamma_i)/dT
  for (std::size_t i = 0; i < n; ++i) {
    bsum += x[i] * b[i];
    s0 += x[i] * ai[i] / b[i];
    if (level >= 2) {
      s1 += x[i] * aT[i] / b[i];
      gT += x[i] * lngamT[i];
    }
    if (level >= 3) s2 += x[i] * aTT[i] / b[i];
  }

  // 2. The mixture: a = b (sum x a_i/b_i + R T g/Lambda) and its exact derivatives.
  const double a = bsum * (s0 + rl * t * g);
  am = a;
  bm = bsum;
  for (std::size_t i = 0; i < n; ++i) {
    abar[i] = bsum * (ai[i] / b[i] + rl * t * lngam[i]) + (b[i] - bsum) * a / bsum;
    bbar[i] = b[i];
  }
  if (level >= 2) {
    const double da = bsum * (s1 + rl * (g + t * gT));
    amT = da;
    bmT = 0.0;
    bmTT = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      abarT[i] =
          bsum * (aT[i] / b[i] + rl * (t * lngamT[i] + lngam[i])) + (b[i] - bsum) * da / bsum;
      bbarT[i] = 0.0;
    }
  }
  if (level >= 3) amTT = bsum * (s2 + rl * (2.0 * gT + t * gTT));

  // 3. Composition derivatives, with beta_k = b_k/b - 1:
  //    abb_ij = (R T b/Lambda) N_ij + beta_j abar_i + beta_i abar_j + abar_i
  //             - a (2 beta_i beta_j + beta_i + beta_j).
  if (level >= 4) {
    for (std::size_t j = 0; j < n; ++j) {
      const double betaJ = b[j] / bsum - 1.0;
      for (std::size_t i = 0; i < n; ++i) {
        const double betaI = b[i] / bsum - 1.0;
        abb[j * n + i] = rl * t * bsum * dlngdn[j * n + i] + betaJ * abar[i] + betaI * abar[j] +
                         abar[i] - a * (2.0 * betaI * betaJ + betaI + betaJ);
        bbb[j * n + i] = b[i];
      }
    }
  }
}

}  // namespace pure
