// Reid vapour pressure from the true vapour pressure at 100 F by correlation: method 1 with
// the front-end slope of the distillation curve, method 2 from the true vapour pressure alone.
#pragma once

#include <cstdint>
#include <span>

namespace streamprops {

// The polynomial C(1) + C(2) x + ... + C(N) x^(N-1), evaluated from C(N) down (Horner form).
//   n  in  the number of coefficients used (n = 1 gives C(1); n <= 0 gives 0)
//   c  in  the coefficients, at least n of them
//   x  in  the argument
double RVPAUX(std::int32_t n, std::span<const double> c, double x);

// Reid vapour pressure by correlation.
//   m    in   the method: the slope correlation when equal to m1, the TVP-only one otherwise
//   m1   in   the method number of the slope correlation (every caller passes 1)
//   s    in   slope of the distillation curve from 5 % to 15 %, curve units per per cent
//   tvp  in   true vapour pressure at 100 F, kPa
//   rvp  out  Reid vapour pressure, psi; DMISS when tvp <= 0 (the missing TVP included),
//             and for the slope correlation above 1.5 psi when s = -4, where the weight
//             (4 - s) / (s + 4) has no value
// No message, no abort.
void SPERVC(std::int32_t m, std::int32_t m1, double s, double tvp, double& rvp);

}  // namespace streamprops
