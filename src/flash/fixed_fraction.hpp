// The fixed phase-fraction flashes: the temperature (pressure given) or the pressure
// (temperature given) at which a feed splits into vapour and liquid with a prescribed vapour
// fraction V (a bubble point at V = 0, a dew point at V = 1, any fraction between).
//
// FLASL1 is a Newton iteration on the fixed-fraction Rachford-Rice function with the
// temperature and pressure derivatives of the K-values; FLASL2 is the robust version: an
// inner solver THETA2 on a fit of ln K (linear in 1/T or in ln P) between rigorous K-value
// evaluations, a secant search on ln K for an essentially pure feed that refuses states above
// the critical point, and up to five restarts of a pressure search. Included by flash.hpp.
//
// Units: T in K, P in kPa. K-values y_i/x_i; the derivatives that the K-value routine leaves
// in flash work arrays 6 (dK/dT, 1/K) and 18 (dK/dP, 1/kPa).
//
// Common arguments of FLASL1 and FLASL2:
//   iout    in      unit of the trace lines
//   ncomp   in      number of K-values: the component count of the K-value calls and of the
//                   stored-estimate block
//   nc      in      number of components (length of the vectors)
//   idebug  in      trace level: > 0 entry, exit and step lines; > 1 limited steps (and the
//                   feed in FLASL2); > 2 a component table per pass
//   itpfix  in      FixedVariable: 1 pressure given, T iterated; 2 temperature given, P iterated
//   iffail  in/out  left as the caller set it on success; 1 on failure (FLASL2 also 10: the
//                   problem cannot be solved here)
//   kdrv    in      derivative request of the K-value call that gives start values
//   z       in      feed mole fractions; components with z <= 0 take no part
//   x, y    out     liquid and vapour mole fractions
//   k       in/out  K-values: start values in, final values out
//   t, p    in/out  K, kPa; the iterated one is solved for
//   ftotlq, fliqhc  out  total and hydrocarbon liquid fractions, both 1 - V
//   fwater  out     free-water fraction, 0
//   fvapor  in      the prescribed vapour fraction V
//   zv, zl  out     compressibility factors of the last K-value call
//   klle    in      handed to the K-value routine
// Both read and update the stored-estimate block (FLSTAT IHVDAT, IKVPNT): stored K-values are
// the start when IHVDAT is 2, their vapour fraction lies within 5e-07 .. 0.9999995 and they
// are not all within 0.99 .. 1.01; on exit IHVDAT 2 becomes 1 and the block receives T, P,
// the fractions and the K-values. Neither allocates once warm.
#pragma once

#include <cstdint>
#include <span>

#include "storage/storage.hpp"

namespace flash {

// The variable a fixed-fraction flash holds.
enum class FixedVariable : std::int32_t {
  Pressure = 1,     // pressure given, temperature iterated
  Temperature = 2,  // temperature given, pressure iterated
};

// IFFAIL codes of the fixed-fraction flashes.
inline constexpr std::int32_t kFixedFractionFailed = 1;
inline constexpr std::int32_t kFixedFractionUnsolvable = 10;

// FLASL1: the Newton flash at a fixed vapour fraction. At most 100 passes, each one K-value
// evaluation with derivatives: x_i = z_i / max(K_i V + L, 1e-10), y_i = K_i x_i,
//   f = sum z_i (1 - 1/K_i), f' = sum z_i D_i / K_i^2                    (V = 1)
//   f = sum z_i (K_i - 1) / (K_i V + L), f' = sum z_i D_i / (K_i V + L)^2 (otherwise)
// with D_i = dK_i/dT or dK_i/dP; a Newton step in ln P (limited to +-500 kPa, converged below
// a relative step of 5e-05) or in 1/T (limited to +-100 K, converged below 0.001 K), P kept
// within 1e-4 .. 1e10 kPa and T within 1 .. 3000 K, and the K-values carried to the new
// value by their derivatives. On convergence K holds the last evaluated K-values and X, Y
// the compositions of the last pass.
// Failure (IFFAIL 1): 100 passes, a two-cycle oscillation from the tenth pass on, or every
// dK/dP zero in a pressure search. The iterated T or P is then put back to its entry value.
void FLASL1(std::int32_t iout, std::int32_t ncomp, std::int32_t nc, std::int32_t idebug,
            std::int32_t itpfix, std::int32_t& iffail, std::int32_t kdrv,
            std::span<const double> z, std::span<double> x, std::span<double> y,
            std::span<double> k, double& t, double& p, double& ftotlq, double& fliqhc,
            double& fwater, double fvapor, double& zv, double& zl, std::int32_t klle);

// FLASL2: the robust fixed-fraction flash. Arguments as FLASL1, then
//   wlnk, wslp  work (NCOMP)  intercepts and slopes of THETA2's ln K fit
// IFFAIL 1: the tries did not converge (temperature searches and pure feeds have one try;
// a pressure search of a mixture restarts from a new start pressure up to five times unless
// its tries ended on both sides of their starts), the K-values all agree within 0.1 % at
// convergence, or the solution lies on a bound. IFFAIL 10: a pure feed above its critical
// temperature (pressure search) or pressure (temperature search), or every derivative of
// the iterated variable zero. On IFFAIL 1 and 10 the iterated T or P is put back.
// A pure feed (a component with z > 0.999999999999) is solved by a secant search on ln K of
// that component against 1/T or 1/P (XEXTRP); its critical constants come from PARVAL, else
// from the component table.
void FLASL2(std::int32_t iout, std::int32_t ncomp, std::int32_t nc, std::int32_t idebug,
            std::int32_t itpfix, std::int32_t& iffail, std::int32_t kdrv,
            std::span<const double> z, std::span<double> x, std::span<double> y,
            std::span<double> k, double& t, double& p, double& ftotlq, double& fliqhc,
            double& fwater, double fvapor, double& zv, double& zl, std::int32_t klle,
            std::span<double> wlnk, std::span<double> wslp);

// THETA2: the fixed-fraction equation solved on a local fit of the K-values. From K and its
// derivatives DKDX at the entry point (T0 or P0) it fits
//   ln K_i = WLNK_i + WSLP_i / T   (ITPFIX 1)   or   ln K_i = WLNK_i + WSLP_i ln P   (ITPFIX 2)
// and runs Newton steps on F = sum (K_i - 1) z_i / d_i, d_i = K_i V + L (V < 1) or
// max(K_i, 5e-08) (V = 1), in 1/T (step limited to +-0.5/T, T kept within 20 .. 3000 K) or in
// ln P (step limited to +-ln 2, P kept within 1e-4 .. 1e10 kPa).
//   idebug, iout  in   trace level (>= 2 traces), unit
//   tolt          in   absolute temperature tolerance, K
//   tolp          in   relative pressure tolerance
//   itpfix        in   as for FLASL1
//   n             in   components
//   z             in   feed mole fractions
//   v             in   vapour fraction
//   t, p          in   the entry point, K and kPa
//   k             in/out  K-values at the entry point in; the fit's K-values at the last
//                         point evaluated out (ln K limited to +-60)
//   dkdx          in   dK/dT or dK/dP at the entry point (the K-value routine's work array)
//   wlnk, wslp    out  the fit
//   maxit         in   pass limit
//   iter          out  passes used
//   ierr          out  1 when MAXIT passes did not converge, else 0
//   xnew          out  the new temperature or pressure (the last value when not converged)
void THETA2(std::int32_t idebug, std::int32_t iout, double tolt, double tolp, std::int32_t itpfix,
            std::int32_t n, std::span<const double> z, double v, double t, double p,
            std::span<double> k, const storage::RealView& dkdx, std::span<double> wlnk,
            std::span<double> wslp, std::int32_t maxit, std::int32_t& iter, std::int32_t& ierr,
            double& xnew);

}  // namespace flash
