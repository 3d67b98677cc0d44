// The bracketed search, the acceleration step and the closure of the K-value flashes:
// one step of the bracketed search on a phase fraction (FLSBRK), the accelerated update of
// one component of a successive-substitution iterate (STEPDM), and the Newton closure of a
// vapour-liquid split at fixed K-values (DRICE). Included by flash.hpp.
#pragma once

#include <cstdint>
#include <span>

namespace flash {

// Statuses of FLSBRK.
enum class BracketStatus : std::int32_t {
  Continue = 0,   // evaluate the function at the returned X and call again
  StepLimit = 1,  // the step counter passed its limit; the failure flag is 1
  Closed = 2,     // the bracket has shrunk to the relative width FLTOL(14) around a sign
                  // change (the search has converged; |F| need not be small)
};

// The caller-owned state of one bracketed search: the lower bracket point (XA, FA), the
// latest point (XB, FB) and the upper bracket point (XC, FC).
struct BracketState {
  double xa = 0.0, xb = 0.0, xc = 0.0;
  double fa = 0.0, fb = 0.0, fc = 0.0;
};

// One step of the bracketed search on a fraction, called once per evaluated point:
//   1st call: the next point is 0.0 when F > 0, else X0;
//   2nd call: the two points form the bracket, ROOTBR gives the next point;
//   later:    the bracket closes when X lies within FLTOL(14)·X of XA with a sign change
//             between FA and F, or XC within FLTOL(14)·XC of X with one between F and FC;
//             otherwise ROOTBR gives the next point.
// Signs are taken from the sign bit (-0.0 counts as negative).
//   counter  in/out  steps made; the caller sets 0 before the first step of a search
//   limit    in      step limit (the flashes pass 60)
//   x        in/out  in the point just evaluated, out the next point to evaluate
//   s        in/out  the bracket, kept by the caller between steps and never set by it
//   f        in      the function value at X
//   x0       in      the second start point
//   iffail   out     1 when the step limit is passed, else 0
//   status   out     BracketStatus
void FLSBRK(std::int32_t& counter, std::int32_t limit, double& x, BracketState& s, double f,
            double x0, std::int32_t& iffail, std::int32_t& status);

// Accelerates (or damps) one component of an iterate from its last two changes:
//   r = DNEW/DOLD - 1 (-1 when DNEW = 0; 1e20 when |DNEW| exceeds |DOLD| by 20 decades),
//   W = (r + 1)/r = DNEW/(DNEW - DOLD) limited to [LO, HI] (LO when |r| <= 1e-10),
//   X = X - W·DNEW when that stays positive, else X/10.
// With |DOLD| <= 1e-15 the factor is 0 (X changes only when it is not positive).
//   lo, hi  in      bounds of the step factor
//   dnew    in      latest change of the component
//   dold    in      previous change
//   x       in/out  the component's iterate
//   w       out     the step factor used
void STEPDM(double lo, double hi, double dnew, double dold, double& x, double& w);

// Closes a vapour-liquid split at fixed K-values by Newton steps on the liquid fraction L:
//   d_i = Kc_i (1 - L) + L, x_i = z_i/d_i, y_i = Kc_i x_i, Kc = min(K, 1e10),
//   g(L) = sum y - sum x, g'(L) = sum z_i (Kc_i - 1)^2/d_i^2, L <- L - g/g' within [0, 1],
// until |g| <= GTOL, g' is zero (RELCM2) or 51 updates were made. x and y are kept rounded
// to single precision. L is left in FLCTL2 word 2 (DLFRAC). No failure.
//   slfrac  in   start liquid fraction
//   k, z    in   K-values and feed mole fractions (N)
//   x, y    out  liquid and vapour mole fractions of the last pass (N)
//   gtol    in   tolerance on g
//   n       in   component count
//   idebug  in   above 3: the pass listing on IOUT
//   iout    in   print unit
void DRICE(double slfrac, std::span<const double> k, std::span<const double> z, std::span<double> x,
           std::span<double> y, double gtol, std::int32_t n, std::int32_t idebug,
           std::int32_t iout);

}  // namespace flash
