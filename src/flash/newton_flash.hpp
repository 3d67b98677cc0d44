// The Newton flash: one Newton step on the equilibrium equations in ln K (FLASC1) and the
// fugacity seam it calls through. FLASHC itself is declared with the other algorithms.
// Included by flash.hpp.
#pragma once

#include <cstdint>
#include <span>

namespace flash {

// The fugacity routines of the Newton step: FLCALC and FVCALC of the K-value engine unless
// a test has put doubles in their place. Same arguments as those routines.
using FugacityRoutine = void (*)(std::int32_t n, std::span<const double> x,
                                 std::span<double> lnphi, double t, double p, double& z,
                                 std::int32_t request, std::int32_t unused,
                                 std::span<const std::int32_t> phaseFlags, std::int32_t fugacity,
                                 std::int32_t& status, std::int32_t& numerical);
struct FugacityRoutines {
  FugacityRoutine liquid;
  FugacityRoutine vapour;
};
const FugacityRoutines& fugacityRoutines();
// While alive, the Newton step calls the routines of REPLACEMENT.
class ScopedFugacityRoutines {
 public:
  explicit ScopedFugacityRoutines(const FugacityRoutines& replacement);
  ~ScopedFugacityRoutines();
  ScopedFugacityRoutines(const ScopedFugacityRoutines&) = delete;
  ScopedFugacityRoutines& operator=(const ScopedFugacityRoutines&) = delete;

 private:
  FugacityRoutines previous_;
};

// Largest change of ln K in one step of the Newton flash.
inline constexpr double kLnKStepLimit = 7.0;

// FLASC1: one step on u = ln K of the residual r = ln K - ln phiL(x) + ln phiV(y), x and y
// following u along the Rachford-Rice split: x_i = z_i/d_i, y_i = K_i x_i, d_i = 1 + V(K_i - 1),
// dV/du_j = K_j W4_j with W1 = x/d, W4 = W1/S, S = sum (K - 1)(y - x)/d. With the composition
// derivatives D = n dln(phi_i)/dn_j of both phases (flash work array 25 for the vapour,
// 28 for the liquid under K option digit 4, else 27) the Jacobian
// J(k, j) = d(ln phiL_k - ln phiV_k - u_k)/du_j
//   = K_j (A_k W4_j - V DL(k, j) W1_j - DV(k, j) W2_j - B_k W4_j) - [k = j],
// A_k = -sum_m DL(k, m)(K_m - 1) W1_m, B_k = -sum_m DV(k, m) K_m (K_m - 1) W1_m,
// W2 = x - V K W1, is solved by LINING for J delta = r, and u += delta, each change limited to +-7. A phase
// whose routine did not fill its matrix (IDRVL or IDRVV 0 on return) turns the step into
// substitution: ln K = ln phiL - ln phiV, its change from the given ln K limited to +-7.
//   nc       in      component count
//   flags    in      per-component flags of the fugacity routines
//   t, p     in      K, kPa
//   k        in/out  K-values (unchanged after a failure)
//   x, y     in      liquid and vapour of the split at K
//   v        in      its vapour fraction
//   pass     in      pass count of the caller, printed
//   w1..w4   work    NC reals each (W3 holds ln phiL)
//   d        work    NC x NC, by columns
//   f        work    NC reals
//   j        work    NC x (NC + 1), by columns (the residual in the last column)
//   g        work    NC reals
//   ipiv     work    NC integers of LINING
//   work     work    NC reals of LINING
//   mode     in      2: derivatives asked for (request 100); other modes take substitution
//   fail     out     0, or 1 when LINING met a singular matrix (a NaN or an infinity in the
//                    Newton matrix or the residual counts as singular) or when the ln phi of
//                    a substitution step are not finite
//   debug    in      at least 3: entry line; at least 2: exit line
//   unit     in      print unit
// Aborts: "FL" from FLASC1 when an array is too short for NC; those of the fugacity
// routines and of LINING.
void FLASC1(std::int32_t nc, std::span<const std::int32_t> flags, double t, double p,
            std::span<double> k, std::span<const double> x, std::span<const double> y, double v,
            std::int32_t pass, std::span<double> w1, std::span<double> w2, std::span<double> w3,
            std::span<double> w4, std::span<double> d, std::span<double> f, std::span<double> j,
            std::span<double> g, std::span<std::int32_t> ipiv, std::span<double> work,
            std::int32_t mode, std::int32_t& fail, std::int32_t debug, std::int32_t unit,
            std::int32_t reserved);

}  // namespace flash
