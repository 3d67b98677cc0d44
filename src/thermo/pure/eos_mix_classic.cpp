// EOSMR7 and EOSMR4: the classical quadratic mixing rule with one pair factor K_ij, and
// the same rule with the extra term of one flagged component.
#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>

#include "thermo/pure/cubic_eos.hpp"
#include "thermo/pure/eos_mixing.hpp"

namespace pure {
namespace {

using eos_internal::AttractionSums;
using eos_internal::Jet;
using eos_internal::MixtureOutputs;

// The flagged component's term counts only above this mole fraction.
constexpr double kFlaggedThreshold = 5e-7;
// theta = 1 - (T/Tw)^kThetaExponent.
constexpr double kThetaExponent = 0.8;

// Checks the pair factors and builds the classical sums of a(x, T).
AttractionSums& classicalSums(std::string_view routine, std::span<const double> sqrta,
                              std::span<const double> aT, std::span<const double> aTT,
                              std::span<const double> k, std::span<const double> kT,
                              std::span<const double> kTT, std::int32_t level, std::size_t n,
                              std::span<const double> x) {
  const std::size_t pairs = n * (n - 1) / 2;
  eos_internal::requireLength(k, pairs, routine, "K");
  if (level >= 2) eos_internal::requireLength(kT, pairs, routine, "DK/DT");
  if (level >= 3) eos_internal::requireLength(kTT, pairs, routine, "D2K/DT2");
  AttractionSums& sums = eos_internal::attractionSums(n, level == 4);
  if (level == 1) {
    // Values only.
    eos_internal::addQuadraticValues(sums, sqrta, k, x);
    return sums;
  }
  for (std::size_t i = 0; i < n; ++i) {
    sums.roots[i] = eos_internal::rootAttraction(i, sqrta, aT, aTT, level);
  }
  for (std::size_t p = 0; p < pairs; ++p) {
    sums.pairs[p] = eos_internal::pairValue(p, k, kT, kTT, level);
  }
  eos_internal::addQuadratic(sums, x, level == 4);
  return sums;
}

}  // namespace

void EOSMR7(std::span<const double> sqrta, std::span<const double> aT, std::span<const double> aTT,
            std::span<const double> b, std::span<const double> k, std::span<const double> kT,
            std::span<const double> kTT, std::int32_t level, std::int32_t nc,
            std::span<const double> x, double& am, double& amT, double& amTT,
            std::span<double> abar, std::span<double> abarT, std::span<double> abb, double& bm,
            double& bmT, double& bmTT, std::span<double> bbar, std::span<double> bbarT,
            std::span<double> bbb) {
  eos_internal::KernelTimer timer(eos_internal::kTimingSlotEOSMR7);
  if (level < 1 || level > 4 || nc < 1) return;
  const auto n = static_cast<std::size_t>(nc);
  MixtureOutputs out{am, amT, amTT, abar, abarT, abb, bm, bmT, bmTT, bbar, bbarT, bbb};
  eos_internal::checkMixtureArrays("EOSMR7", level, n, sqrta, aT, aTT, b, x, out);
  AttractionSums& sums = classicalSums("EOSMR7", sqrta, aT, aTT, k, kT, kTT, level, n, x);
  eos_internal::finishMixture(level, x, b, sums, out);
}

void EOSMR4(std::span<const double> sqrta, std::span<const double> aT, std::span<const double> aTT,
            std::span<const double> b, std::span<const double> k, std::span<const double> kT,
            std::span<const double> kTT, std::span<const double> c, std::int32_t w,
            std::int32_t level, std::int32_t nc, double t, double tw, std::span<const double> x,
            double& am, double& amT, double& amTT, std::span<double> abar, std::span<double> abarT,
            std::span<double> abb, double& bm, double& bmT, double& bmTT, std::span<double> bbar,
            std::span<double> bbarT, std::span<double> bbb) {
  if (level < 1 || level > 4 || nc < 1) return;
  const auto n = static_cast<std::size_t>(nc);
  MixtureOutputs out{am, amT, amTT, abar, abarT, abb, bm, bmT, bmTT, bbar, bbarT, bbb};
  eos_internal::checkMixtureArrays("EOSMR4", level, n, sqrta, aT, aTT, b, x, out);
  AttractionSums& sums = classicalSums("EOSMR4", sqrta, aT, aTT, k, kT, kTT, level, n, x);

  // The flagged component's term E = theta x_w^2 S, S = sum_i c_i x_i.
  if (w >= 1 && w <= nc && x[static_cast<std::size_t>(w - 1)] > kFlaggedThreshold) {
    eos_internal::requireLength(c, n, "EOSMR4", "C");
    const auto iw = static_cast<std::size_t>(w - 1);
    const double xw = x[iw];
    const Jet theta = 1.0 - eos_internal::pow(Jet{t / tw, 1.0 / tw, 0.0}, kThetaExponent);
    double s = 0.0;
    for (std::size_t i = 0; i < n; ++i) s += c[i] * x[i];
    sums.value = sums.value + theta * (xw * xw * s);
    for (std::size_t i = 0; i < n; ++i) {
      sums.gradient[i] = sums.gradient[i] + theta * (xw * xw * c[i]);
    }
    sums.gradient[iw] = sums.gradient[iw] + theta * (2.0 * xw * s);
    if (level == 4) {
      for (std::size_t i = 0; i < n; ++i) {
        sums.h(i, iw) += theta.v * 2.0 * xw * c[i];
        sums.h(iw, i) += theta.v * 2.0 * xw * c[i];
      }
      sums.h(iw, iw) += theta.v * 2.0 * s;
    }
  }
  eos_internal::finishMixture(level, x, b, sums, out);
}

}  // namespace pure
