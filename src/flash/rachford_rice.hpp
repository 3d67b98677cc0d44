// The two-phase material balance at fixed K-values (FLASHK). Included by flash.hpp.
#pragma once

#include <cstdint>
#include <span>

namespace flash {

// Results of FLASHK.
enum class RachfordRiceResult : std::int32_t {
  Solved = 0,
  KNearOne = 1,   // every present K within 0.99..1.01: V = 0.5, x = y = z
  AllVapour = 2,  // no present K below 1: V = 1, y = z
  AllLiquid = 3,  // no present K above 1: V = 0, x = z
  StepLimit = 4,  // 100 iterations without convergence: V the last iterate
};

// The vapour fraction V at which F(V) = sum z_i d_i/(1 + V d_i) = 0, d_i = K_i - 1, and
// the compositions x_i = z_i/(1 + V d_i), y_i = K_i x_i (not normalised). V is not limited
// to 0..1: a root outside is returned (a negative flash). The root is bracketed by the
// asymptotes -1/d_i and the bounds (K_i z_i - 1)/(K_i - 1), (1 - z_i)/(1 - K_i) of the
// present components (z > 0), narrowed by the signs of F at 0 and 1, and found by Newton
// steps on H = F (V - C)(A - V), which has no poles between the asymptotes C and A,
// bisecting whenever a step would leave the bracket. An absent component whose denominator
// vanishes is left out of F and F'; a present one adds +1e30 to F and -1e30 to F'.
//   n     in   component count
//   z     in   feed mole fractions
//   k     in   K-values, positive
//   tol   in   tolerance on the change of V
//   x     out  liquid mole fractions (scratch for K - 1 while iterating)
//   y     out  vapour mole fractions
//   v     out  vapour fraction
//   iter  out  the last iteration made (unchanged for results 1 to 3 and a root at 0 or 1)
//   ierr  out  RachfordRiceResult
void FLASHK(std::int32_t n, std::span<const double> z, std::span<const double> k, double tol,
            std::span<double> x, std::span<double> y, double& v, std::int32_t& iter,
            std::int32_t& ierr);

}  // namespace flash
