// Private helpers of the mixing rules: every rule builds its attraction a(x, T) as a value
// with the gradient and Hessian in the mole fractions (the fractions taken as independent
// variables) and the temperature derivatives of the value and the gradient; one routine
// turns these into the twelve outputs that the root solvers read.
//
// With g_i = da/dx_i and H_ij = d2a/dx_i dx_j of the rule's formula, for a homogeneous
// extension a(n/sum(n)):
//   abar_i = a + g_i - sum_k x_k g_k                  (= (1/n) d(n^2 a)/dn_i - a)
//   abb_ij = H_ij - (Hx)_i - (Hx)_j + x'Hx + abar_i    (= n d(abar_i)/dn_j + abar_i)
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "thermo/pure/eos_internal.hpp"

namespace pure::eos_internal {

// The twelve outputs of a mixing rule.
struct MixtureOutputs {
  double& a;
  double& aT;
  double& aTT;
  std::span<double> abar;
  std::span<double> abarT;
  std::span<double> abb;
  double& b;
  double& bT;
  double& bTT;
  std::span<double> bbar;
  std::span<double> bbarT;
  std::span<double> bbb;
};

// The attraction of a rule in the mole fractions. Kept between calls (the library is
// single-threaded), so that a warm call allocates nothing.
struct AttractionSums {
  std::size_t n = 0;
  Jet value;
  std::vector<Jet> gradient;    // n
  std::vector<double> hessian;  // n x n column by column, when asked for
  std::vector<Jet> pairs;       // scratch of the rules: one Jet per packed pair
  std::vector<Jet> roots;       // scratch of the rules: sqrt(a_i) with its derivatives
  std::vector<double> hx;       // scratch of the assembly: H x

  double& h(std::size_t i, std::size_t j) { return hessian[j * n + i]; }
};

// The shared sums, cleared for N components (the Hessian only when HESSIAN).
AttractionSums& attractionSums(std::size_t n, bool hessian);

// Checks the arrays that every rule reads and writes at LEVEL (1-4).
void checkMixtureArrays(std::string_view routine, std::int32_t level, std::size_t n,
                        std::span<const double> sqrta, std::span<const double> aT,
                        std::span<const double> aTT, std::span<const double> b,
                        std::span<const double> x, const MixtureOutputs& out);

// sqrt(a_i) with its temperature derivatives from a_i' and a_i'' (read only at the
// levels that give them).
inline Jet rootAttraction(std::size_t i, std::span<const double> sqrta, std::span<const double> aT,
                          std::span<const double> aTT, std::int32_t level) {
  Jet r{sqrta[i], 0.0, 0.0};
  if (r.v <= 0.0) return r;
  // d sqrt(a)/dT = a'/(2 sqrt(a)); d2 sqrt(a)/dT2 = (a''/2 - (d sqrt(a)/dT)^2)/sqrt(a).
  if (level >= 2) r.d = aT[i] / (2.0 * r.v);
  if (level >= 3) r.dd = (0.5 * aTT[i] - r.d * r.d) / r.v;
  return r;
}

// A pair quantity with its temperature derivatives (read only at the levels that give
// them).
inline Jet pairValue(std::size_t k, std::span<const double> v, std::span<const double> vT,
                     std::span<const double> vTT, std::int32_t level) {
  return Jet{v[k], level >= 2 ? vT[k] : 0.0, level >= 3 ? vTT[k] : 0.0};
}

// Adds sum_i sum_j s_i s_j K_ij, s_i = sqrt(a_i) x_i, K_ii = 1, K_ij from sums.pairs, with
// sums.roots holding sqrt(a_i).
void addQuadratic(AttractionSums& sums, std::span<const double> x, bool hessian);

// The values alone of the same sums, straight from sqrt(a_i) (SQRTA) and the packed pair
// factors K: the value and gradient words, without temperature derivatives or Hessian.
void addQuadraticValues(AttractionSums& sums, std::span<const double> sqrta,
                        std::span<const double> k, std::span<const double> x);

// Fills the twelve outputs from the sums and the pure covolumes at LEVEL (1-4).
void finishMixture(std::int32_t level, std::span<const double> x, std::span<const double> b,
                   AttractionSums& sums, MixtureOutputs& out);

}  // namespace pure::eos_internal
