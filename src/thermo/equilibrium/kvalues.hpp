// The K-value engine: KCALC, the one entry through which the flashes ask for K-values; its
// dispatcher KCDISP; and KCPAIR, the K-values of one phase pair by the method of the current
// set with their temperature, pressure and composition derivatives.
//
// Units: K, kPa. K-values y_i/x_i; dK/dT per K, dK/dP per kPa.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "thermo/equilibrium/henry_kvalues.hpp"

namespace equilibrium {

// =======================================================================================
// Option words
// =======================================================================================

// Decimal digit PLACE (1 the units digit) of a non-negative option word.
std::int32_t optionDigit(std::int32_t word, int place);

// The digits of the K option word KCOPT that the engine reads.
struct KOption {
  std::int32_t rigorous;      // 1: 0 simplified, >= 1 rigorous (1 also: sour back-substitution)
  std::int32_t liquidLiquid;  // 3: nonzero the liquid-liquid level (no vapour evaluation)
  std::int32_t noSplit;       // 4: 1 no liquid-liquid split
  std::int32_t fugacityOnly;  // 5: 1 stop after the fugacity evaluations
  std::int32_t unnormalised;  // 6: nonzero both compositions used unchanged
  std::int32_t allPresent;    // 7: 1 every phase flag 2, water's 0
  std::int32_t lnK;           // 8: 1 return ln K on the fugacity route
};
KOption decodeKOption(std::int32_t kcopt);

// The value of digit 8 (ln K) in a K option word.
inline constexpr std::int32_t kLnKDigit = 10000000;

// KCOPT with digit 8 cleared: what a route hands to the inner K-value calls whose K-values it
// combines, so that they give K and not ln K.
std::int32_t withoutLnK(std::int32_t kcopt);

// The K-values K (the first N) turned into ln K within +-70; a K of 0 or less (a component
// that takes no part in the equilibrium) gives -70. Every route ends with it when digit 8 is
// set, after its water, Henry and correlation steps.
void toLnK(std::span<double> k);

// The derivative request word KCDRV: u the units digit, c 1 when any of digits 2 to 7 is
// nonzero; the level handed to the fugacity routines is u + 100 c.
struct KDerivatives {
  std::int32_t u;
  std::int32_t c;
  std::int32_t level() const { return u + 100 * c; }
};
KDerivatives decodeKDerivatives(std::int32_t kcdrv);

// Call option words: full evaluation, liquid unchanged, vapour unchanged.
inline constexpr std::int32_t kFullCall = 12;
inline constexpr std::int32_t kLiquidUnchanged = 112;
inline constexpr std::int32_t kVapourUnchanged = 1012;

// =======================================================================================
// Flash work arrays and shared results
// =======================================================================================

inline constexpr std::int32_t kLiquidCompositionArray = 3;  // x' (normalised)
inline constexpr std::int32_t kVapourCompositionArray = 4;  // y'
inline constexpr std::int32_t kDkDtArray = 6;
// (ln phi of the vapour and of the liquid: arrays 7 and 9 of henry_kvalues.hpp.)
inline constexpr std::int32_t kDkDpArray = 18;
inline constexpr std::int32_t kLnKxDiagonalArray = 20;
inline constexpr std::int32_t kLnKyDiagonalArray = 21;
inline constexpr std::int32_t kLnKxArray = 29;  // dln K_i/dx_k, NCK x NCK
inline constexpr std::int32_t kLnKyArray = 30;  // dln K_i/dy_k, NCK x NCK
inline constexpr std::int32_t kVapourLnPhiCopyArray = 49;
// The integer work array of the phase-type flags.
inline constexpr std::size_t kPhaseFlagArray = 1;

// K-values are held within [kMinK, kMaxK] = exp(-70), exp(70); ln K within +-70.
inline constexpr double kMaxLnK = 70.0;
inline constexpr double kMinK = 3.975449e-31;
inline constexpr double kMaxK = 2.515438e+30;

// What the K-value routines leave for their callers and for the next call.
struct KValueState {
  // 1 once K-values were formed from fugacity coefficients (the liquid-liquid route reads
  // it); zero at problem open.
  std::int32_t rigorousEvaluated = 0;
  // The last pair evaluation used the Wilson estimate.
  bool wilsonUsed = false;
  // Calls of KCDISP (wrapping at 1,000,000,000) and the count of wraps.
  std::int64_t calls = 0;
  std::int32_t callOverflows = 0;
};
extern KValueState kvalueState;

// The slot of KCALC in the timing statistics TIMST2.
inline constexpr std::size_t kTimingSlotKCALC = 33;

// =======================================================================================
// KCPAIR
// =======================================================================================

// The K-values of one phase pair (Y the vapour or first liquid, X the liquid) by the K-value
// method of the current set, in this order:
//   1. K = 1, dK/dT = 0.1, dK/dP = -1/P for i <= NCK; 0 for NCK < i <= NCOMP. Code 504
//      computes nothing (step 9).
//   2-3. Simplified route (digit 1 of KCOPT 0 and the set's rigorous-K digit not 1): by the
//      K-value option digit O and the code, correlation (103, 104, 118 to 120: KCCORR),
//      chart (105: KCCHRT), user-added (901 to 915, through the slot; Wilson, or Raoult's law
//      when a component lacks critical data, when the method does not answer), the Wilson
//      estimate (KCWEST; O = 2 or 3 or code 120), or Raoult's law (K = Psat/P from TPCACH,
//      which returns at once: no clamp, no water K-value).
//   4. Clamp K to [kMinK, kMaxK], then the water K-value (step 8).
//   5-6. Rigorous route: Raoult's law with Henry's law for code 1, the chart, the
//      correlation K-values at the vapour's non-water pressure, the user-added method, or
//      the fugacity route: FVCALC on Y at P FY (skipped at the liquid-liquid level and with
//      the thousands digit of KCCALL), FLCALC on X at P (skipped with the hundreds digit of
//      KCCALL; the skipped phase's arrays are reused), a numerical composition pass when a
//      routine cannot give analytic composition derivatives (method 122, and 204), then
//      ln K = ln phiL - ln phiV limited to +-70 and K = exp(ln K).
//      dK/dT = (dln phiL/dT - dln phiV/dT) K; dln K/dx = matrix 28 (activity) or 27
//      (read with leading dimension NCOMP), dln K/dy = -matrix 25 (leading dimension NCK).
//   7. Sour-water (503, 510: KCSOUR on the block's sour-water part; the pre-check of the
//      liquid may answer without fugacities), back-substitution of the liquid fugacities
//      so that they agree with the sour-water K-values, Henry's law (KCHENR).
//   8. Water K-value (a set with a water component): the free-water K-value beside the
//      equilibrium one (water-handling option 3, rigorous), or KCWATR; K(w) clamped.
//   9. The per-component K-value correlation when set header word 20 is positive: a
//      component whose correlation 1902 gives v > 0 takes K = F2 v/P, dK/dT = F2 (dv/dT)/P
//      (F2 the record's second real, pure::XPCAUX), dK/dP = -K/P and a zero column of the
//      ln K matrices. Pressure derivatives of the others: activity codes -K/P;
//      equation-of-state codes (dln phiL/dP - dln phiV/dP) K (-K/P after the Wilson
//      estimate or without u).
//  10. The water component's flag back to 1.
//   nck, ncomp  in      components whose K-values are formed; components in the vectors
//   y, x        in      normalised mole fractions (NCOMP)
//   k           out     K-values; with digit 8 of KCOPT ln K (toLnK) on every route, after
//                       the water, Henry and correlation steps (dK/dT, dK/dP stay of K)
//   t, p        in      K, kPa
//   zv, zl      out     compressibility factors, when the fugacity routines run
//   kccall      in      call option word
//   kcdrv, kcopt in     derivative request word, K option word
//   ierr        out     0
//   fy, fx      in      non-water fractions of the vapour and of the liquid
//   iflag       in/out  phase-type flags (NCOMP)
//   reserved    in      not read
//   ifugst      out     fugacity status of the fugacity routines
// Results in the flash work arrays: 6 dK/dT, 18 dK/dP, 7 and 9 ln phi, 8 and 10 their
// temperature derivatives, 29 and 30 (diagonals 20, 21) the composition derivatives of ln K.
// Aborts: "KC" "KCPAIR" "FLASH WORK ARRAY TOO SHORT" (items ARRAY, SIZE, NEEDED); those of
// the routines called.
void KCPAIR(std::int32_t nck, std::int32_t ncomp, std::span<const double> y,
            std::span<const double> x, std::span<double> k, double t, double p, double& zv,
            double& zl, std::int32_t kccall, std::int32_t kcdrv, std::int32_t kcopt,
            std::int32_t& ierr, double fy, double fx, std::span<std::int32_t> iflag,
            std::int32_t reserved, std::int32_t& ifugst);

// =======================================================================================
// KCMODL
// =======================================================================================

// K-values from the stored local model (methods::storedModelBlock, got by ALDESC on first
// use for the level of switch B): for i <= NCK
//   ln K_i = ln K0_i - T0^2 (dK/dT)0_i/K0_i (1/T - 1/T0) + P0 (dK/dP)0_i/K0_i ln(P/P0)
//            [+ sum_j (x_j - x0_j) dln K_i/dx_j, level >= 2] [+ sum_j (y_j - y0_j) dln K_i/dy_j,
//            level >= 3],
// K = exp(ln K limited to +-70) clamped to [kMinK, kMaxK]; then the water K-value (as the
// pair route gives it, on the normalised compositions it leaves in work arrays 4 and 3);
// a component absent from both phases gets K = 1. No derivatives.
//   t, p          in   K, kPa
//   nck, ncomp    in   vapour count and components in the vectors
//   y, x          in   the caller's compositions (not normalised)
//   k             out  K-values
//   kcopt         in   K option word (digits 1 and 6)
//   declined      out  1: no usable reference state (T0 or P0 not positive) or no block;
//                      0: the model answered
void KCMODL(double t, double p, std::int32_t nck, std::int32_t ncomp, std::span<const double> y,
            std::span<const double> x, std::span<double> k, std::int32_t kcopt,
            std::int32_t& declined);

// =======================================================================================
// KCALC and KCDISP
// =======================================================================================

// The K-values of the composition pair (Y, X) at T and P. The stored K-value model answers
// first when its switches are (1, nonzero, 1) (KCMODL, when present); otherwise KCDISP:
// counts the call, sets the level word of KMCTL (1, or 2 with digit 3 of KCOPT), normalises
// both compositions without the water component into work arrays 4 and 3 (unless digit 6)
// with the phase-type flags, sets every flag to 2 and water's to 0 with digit 7, and calls
// the liquid-liquid route KCVLLE (digit 1 nonzero, digit 4 not 1 and the set defines a
// liquid-liquid method) or KCPAIR.
//   nck     in      vapour count (components whose K-values are formed)
//   ncomp   in      components in the vectors
//   y, x    in      vapour and liquid mole fractions (NCOMP)
//   k       out     K-values
//   t, p    in      K, kPa
//   zv, zl  out     compressibility factors
//   kccall  in/out  call option word (the liquid-liquid route changes it)
//   kcdrv, kcopt in derivative request word, K option word
//   ierr    out     always 0
//   reserved in     handed down, not read
//   ifugst  out     fugacity status (0 when the stored model declined)
// Aborts: "KC" "KCALC" "FLASH WORK ARRAY TOO SHORT" (items ARRAY, SIZE, NEEDED) when the
// composition arrays or the flag array are shorter than NCOMP; those of the routines called.
void KCALC(std::int32_t nck, std::int32_t ncomp, std::span<const double> y,
           std::span<const double> x, std::span<double> k, double t, double p, double& zv,
           double& zl, std::int32_t& kccall, std::int32_t kcdrv, std::int32_t kcopt,
           std::int32_t& ierr, std::int32_t reserved, std::int32_t& ifugst);
void KCDISP(std::int32_t nck, std::int32_t ncomp, std::span<const double> y,
            std::span<const double> x, std::span<double> k, double t, double p, double& zv,
            double& zl, std::int32_t& kccall, std::int32_t kcdrv, std::int32_t kcopt,
            std::int32_t& ierr, std::int32_t reserved, std::int32_t& ifugst);

}  // namespace equilibrium
