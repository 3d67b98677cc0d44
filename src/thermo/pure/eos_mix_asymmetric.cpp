// EOSMR3 and EOSMR1: the mixing rules whose pair terms are asymmetric, in the mole
// fractions (EOSMR3) or in the pair fractions raised to a power (EOSMR1).
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

// The common part of both rules: checks, sqrt(a_i), and the quadratic part with
// K_ij = 1 - (k1 + k2)/2, that is s_i s_j (2 - k1 - k2) summed over the pairs i < j.
AttractionSums& asymmetricSums(std::string_view routine, std::span<const double> sqrta,
                               std::span<const double> aT, std::span<const double> aTT,
                               std::span<const double> k1, std::span<const double> k1T,
                               std::span<const double> k1TT, std::span<const double> k2,
                               std::span<const double> k2T, std::span<const double> k2TT,
                               std::int32_t level, std::size_t n, std::span<const double> x) {
  const std::size_t pairs = n * (n - 1) / 2;
  eos_internal::requireLength(k1, pairs, routine, "K1");
  eos_internal::requireLength(k2, pairs, routine, "K2");
  if (level >= 2) {
    eos_internal::requireLength(k1T, pairs, routine, "DK1/DT");
    eos_internal::requireLength(k2T, pairs, routine, "DK2/DT");
  }
  if (level >= 3) {
    eos_internal::requireLength(k1TT, pairs, routine, "D2K1/DT2");
    eos_internal::requireLength(k2TT, pairs, routine, "D2K2/DT2");
  }
  AttractionSums& sums = eos_internal::attractionSums(n, level == 4);
  for (std::size_t i = 0; i < n; ++i) {
    sums.roots[i] = eos_internal::rootAttraction(i, sqrta, aT, aTT, level);
  }
  for (std::size_t p = 0; p < pairs; ++p) {
    const Jet a1 = eos_internal::pairValue(p, k1, k1T, k1TT, level);
    const Jet a2 = eos_internal::pairValue(p, k2, k2T, k2TT, level);
    sums.pairs[p] = 1.0 - 0.5 * (a1 + a2);
  }
  eos_internal::addQuadratic(sums, x, level == 4);
  // The pair slots now hold k1 - k2 for the asymmetric parts.
  for (std::size_t p = 0; p < pairs; ++p) {
    sums.pairs[p] = eos_internal::pairValue(p, k1, k1T, k1TT, level) -
                    eos_internal::pairValue(p, k2, k2T, k2TT, level);
  }
  return sums;
}

// F = xa xb^(1+c) (xa + xb)^(-c) with its first and second derivatives, for xb > 0.
struct PowerTerm {
  double f = 0.0;
  double fa = 0.0, fb = 0.0;
  double faa = 0.0, fab = 0.0, fbb = 0.0;
};

PowerTerm powerTerm(double xa, double xb, double c) {
  const double sigma = xa + xb;
  const double u = std::pow(xb, 1.0 + c) * std::pow(sigma, -c);
  const double ua = -c * u / sigma;
  const double ub = u * ((1.0 + c) / xb - c / sigma);
  const double uaa = c * (c + 1.0) * u / (sigma * sigma);
  const double uab = -c * (ub / sigma - u / (sigma * sigma));
  const double ubb =
      ub * ((1.0 + c) / xb - c / sigma) + u * (-(1.0 + c) / (xb * xb) + c / (sigma * sigma));
  PowerTerm t;
  t.f = xa * u;
  t.fa = u + xa * ua;
  t.fb = xa * ub;
  t.faa = 2.0 * ua + xa * uaa;
  t.fab = ub + xa * uab;
  t.fbb = xa * ubb;
  return t;
}

// Adds the factor times the term to the sums, the term's derivatives in (x_i, x_j).
void addPairTerm(AttractionSums& sums, std::size_t i, std::size_t j, Jet factor, const PowerTerm& t,
                 bool hessian) {
  sums.value = sums.value + factor * t.f;
  sums.gradient[i] = sums.gradient[i] + factor * t.fa;
  sums.gradient[j] = sums.gradient[j] + factor * t.fb;
  if (hessian) {
    sums.h(i, i) += factor.v * t.faa;
    sums.h(j, j) += factor.v * t.fbb;
    sums.h(i, j) += factor.v * t.fab;
    sums.h(j, i) += factor.v * t.fab;
  }
}

// Swaps the roles of the two fractions and the sign of a term.
PowerTerm swappedNegative(const PowerTerm& t) {
  return PowerTerm{-t.f, -t.fb, -t.fa, -t.fbb, -t.fab, -t.faa};
}

}  // namespace

void EOSMR3(std::span<const double> sqrta, std::span<const double> aT, std::span<const double> aTT,
            std::span<const double> b, std::span<const double> k1, std::span<const double> k1T,
            std::span<const double> k1TT, std::span<const double> k2, std::span<const double> k2T,
            std::span<const double> k2TT, std::int32_t level, std::int32_t nc,
            std::span<const double> x, double& am, double& amT, double& amTT,
            std::span<double> abar, std::span<double> abarT, std::span<double> abb, double& bm,
            double& bmT, double& bmTT, std::span<double> bbar, std::span<double> bbarT,
            std::span<double> bbb) {
  if (level < 1 || level > 4 || nc < 1) return;
  const auto n = static_cast<std::size_t>(nc);
  MixtureOutputs out{am, amT, amTT, abar, abarT, abb, bm, bmT, bmTT, bbar, bbarT, bbb};
  eos_internal::checkMixtureArrays("EOSMR3", level, n, sqrta, aT, aTT, b, x, out);
  AttractionSums& sums =
      asymmetricSums("EOSMR3", sqrta, aT, aTT, k1, k1T, k1TT, k2, k2T, k2TT, level, n, x);
  // The cubic part: sqrt(a_i a_j)(k1 - k2) x_i x_j (x_j - x_i) per pair i < j.
  const bool hessian = level == 4;
  for (std::size_t j = 1; j < n; ++j) {
    for (std::size_t i = 0; i < j; ++i) {
      const Jet c = sums.roots[i] * sums.roots[j] *
                    sums.pairs[eos_internal::pairIndex(static_cast<std::int32_t>(i + 1),
                                                       static_cast<std::int32_t>(j + 1))];
      const double xi = x[i];
      const double xj = x[j];
      const PowerTerm t{xi * xj * (xj - xi), xj * (xj - 2.0 * xi), xi * (2.0 * xj - xi),
                        -2.0 * xj,           2.0 * (xj - xi),      2.0 * xi};
      addPairTerm(sums, i, j, c, t, hessian);
    }
  }
  eos_internal::finishMixture(level, x, b, sums, out);
}

void EOSMR1(std::span<const double> sqrta, std::span<const double> aT, std::span<const double> aTT,
            std::span<const double> b, std::span<const double> k1, std::span<const double> k1T,
            std::span<const double> k1TT, std::span<const double> k2, std::span<const double> k2T,
            std::span<const double> k2TT, std::span<const double> c1, std::span<const double> c2,
            std::int32_t level, std::int32_t nc, std::span<const double> x, double& am, double& amT,
            double& amTT, std::span<double> abar, std::span<double> abarT, std::span<double> abb,
            double& bm, double& bmT, double& bmTT, std::span<double> bbar, std::span<double> bbarT,
            std::span<double> bbb) {
  if (level < 1 || level > 4 || nc < 1) return;
  const auto n = static_cast<std::size_t>(nc);
  MixtureOutputs out{am, amT, amTT, abar, abarT, abb, bm, bmT, bmTT, bbar, bbarT, bbb};
  eos_internal::checkMixtureArrays("EOSMR1", level, n, sqrta, aT, aTT, b, x, out);
  eos_internal::requireLength(c1, n * (n - 1) / 2, "EOSMR1", "C1");
  eos_internal::requireLength(c2, n * (n - 1) / 2, "EOSMR1", "C2");
  AttractionSums& sums =
      asymmetricSums("EOSMR1", sqrta, aT, aTT, k1, k1T, k1TT, k2, k2T, k2TT, level, n, x);
  // The power part: sqrt(a_i a_j)(k1 - k2) x_i x_j (r_j^c1 - r_i^c2) per pair i < j; a
  // power of a fraction whose mole fraction is not positive is dropped.
  const bool hessian = level == 4;
  for (std::size_t j = 1; j < n; ++j) {
    for (std::size_t i = 0; i < j; ++i) {
      const std::size_t p = eos_internal::pairIndex(static_cast<std::int32_t>(i + 1),
                                                    static_cast<std::int32_t>(j + 1));
      const Jet c = sums.roots[i] * sums.roots[j] * sums.pairs[p];
      if (x[j] > 0.0) addPairTerm(sums, i, j, c, powerTerm(x[i], x[j], c1[p]), hessian);
      if (x[i] > 0.0) {
        addPairTerm(sums, i, j, c, swappedNegative(powerTerm(x[j], x[i], c2[p])), hessian);
      }
    }
  }
  eos_internal::finishMixture(level, x, b, sums, out);
}

}  // namespace pure
