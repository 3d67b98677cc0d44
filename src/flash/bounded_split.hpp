// The two-phase material balance at fixed K-values with the vapour fraction kept inside
// [0, 1] (CLSOLV). Included by flash.hpp.
#pragma once

#include <cstdint>
#include <span>

namespace flash {

// Results of CLSOLV.
enum class BoundedSplitResult : std::int32_t {
  TwoPhase = 0,
  AllKOne = 1,    // both end values of the flash function are 0: V = 0.5, x = y = z
  AllVapour = 2,  // the function at V = 1 is not negative: V = 1, y = z, x = z/K normalised
  AllLiquid = 3,  // the function at V = 0 is not positive: V = 0, x = z, y = z K normalised
  StepLimit = 4,  // 100 steps without convergence; x, y of the last V
};

// CLSOLV: the vapour fraction V in [0, 1] of g(V) = sum z_i (K_i - 1)/(1 + V (K_i - 1)) = 0.
// With f0 = sum z K - 1 (g at 0) and f1 = 1 - sum z/K (g at 1): both 0 under RELCM2 gives
// AllKOne; f1 >= 0 AllVapour; f0 <= 0 AllLiquid; otherwise safeguarded Newton steps from
// V = 0.5 inside the bracket [0, 1], narrowed at every step, bisecting whenever a Newton
// step would leave it, until the step is below TOL; then x = z/(1 + V (K - 1)), y = K x.
//   n       in   component count (0: f0 = -1, f1 = 1, all vapour)
//   z       in   feed mole fractions, N values
//   k       in   K-values, positive
//   tol     in   tolerance on the step of V
//   x, y    out  liquid and vapour mole fractions
//   v       out  vapour fraction
//   steps   out  Newton or bisection steps made (0 for results 1 to 3)
//   status  out  BoundedSplitResult
// Aborts: "FL" from CLSOLV when z, k, x or y hold fewer than N values.
void CLSOLV(std::int32_t n, std::span<const double> z, std::span<const double> k, double tol,
            std::span<double> x, std::span<double> y, double& v, std::int32_t& steps,
            std::int32_t& status);

}  // namespace flash
