// The vapour-liquid-liquid flash at fixed T and P: the driver FLAS3P, its outer K-value loop
// FLAS3B, the least-squares flash FLAS3O and the Newton refinement FLASH3.
//
// Units: K, kPa; compositions are mole fractions; fractions are moles per mole of feed.
// Liquid 1 is the first (hydrocarbon-rich) liquid, liquid 2 the second; K1 = y/x1,
// K2 = y/x2, and the distribution coefficient between the liquids is DCOEF = x1/x2 = K2/K1.
#pragma once

#include <cstdint>
#include <span>

#include "flash/flash.hpp"

namespace multiphase {

// The split that FLAS3O and FLASH3 work on (their common arguments), each array over
// NCOMP components.
struct ThreePhaseSplit {
  std::int32_t NCOMP = 0;
  std::span<const double> z;    // feed mole fractions
  std::span<double> y, x1, x2;  // in/out: vapour, liquid 1, liquid 2
  std::span<double> k1, k2;     // out: K-values y/x1 and y/x2 (working values during a call)
  double THETAY = 0.0, THETAX = 0.0, THETAZ = 0.0;  // in/out: vapour, liquid 1, liquid 2
  double T = 0.0, P = 0.0;
  std::span<std::int32_t> flags;  // component-present flags, handed to the pair K-values
  // Work arrays: the previous pass's two K-value sets (w1, w2) and three for the raw pair
  // K-values (FLAS3O: w3 = y/x1, w4 = y/x2; FLASH3: w4 = y/x1, w5 = y/x2).
  std::span<double> w1, w2, w3, w4, w5;
  std::int32_t KLLE = 0;    // the K-value routine's liquid-liquid argument
  std::int32_t IERR = 0;    // out
  std::int32_t IDEBUG = 0;  // debug level
  std::int32_t IOUT = -1;   // print unit
  std::int32_t LEVEL = 2;   // detail-print threshold: notes are issued from this debug level
};

// Error codes of FLAS3O and FLASH3.
inline constexpr std::int32_t kSplitSolved = 0;
inline constexpr std::int32_t kSplitOutsideWindow = 1;  // FLASH3: solved, a fraction outside
                                                        // -0.2..1.2 or a Newton at its limit
inline constexpr std::int32_t kFugacityFailed = 11;
inline constexpr std::int32_t kNoMoleFractions = 21;     // FLASH3
inline constexpr std::int32_t kFractionOutOfRange = 31;  // FLASH3
inline constexpr std::int32_t kPassLimit = 99;

// FLAS3O: the three-phase split by least squares. An outer loop refreshes the pair K-values
// (vapour against each liquid); at fixed K-values NONLN solves the balance FL3ORS on one or
// two bounded unknowns. A solution on a bound or a trivial pair drops a phase and solves the
// two-phase problem; a trivial two-phase answer becomes one phase (composition z).
//   split   in/out  the split; THETAX/THETAZ in decide which liquid takes position 1
//   ifixlw  in      2 with ftotlq >= 1: the vapour is held absent (two liquids)
//   ftotlq  in      total liquid fraction
// IERR 0, 11 (a pair K-value evaluation failed) or 99 (500 passes, or NONLN ended with a code
// above 0 other than 4). On the normal paths k1 and k2 hold the raw K-values y/x1 and y/x2.
void FLAS3O(ThreePhaseSplit& split, std::int32_t ifixlw, double ftotlq);

// FLASH3: Newton refinement of a three-phase answer: an outer loop refreshes K1 and K2; at
// fixed K-values a Newton iteration on THETAX, THETAZ solves the two closure equations
//   S1 = sum z a/d = 0, S2 = sum z b/d = 0, a = 1/K1 - 1, b = 1/K2 - 1,
//   d = 1 + a THETAX + b THETAZ,  y = z/d, x1 = y/K1, x2 = y/K2, THETAY = 1 - THETAX - THETAZ.
// Also sets FWG1, FWG2 of the kept two-liquid arrays. IERR: 0; 1 solved but outside the
// window -0.2..1.2 or the last Newton at its 50 steps; 11; 21 a phase with no positive mole
// fraction; 31 a fraction beyond 10 in magnitude; 99 the outer pass limit.
void FLASH3(ThreePhaseSplit& split);

// IIGO of FLAS3B.
inline constexpr std::int32_t kOuterLoopNotSet = 0;
inline constexpr std::int32_t kHandedBack = 1;  // the liquid-liquid set-up asked for FLAS3P
inline constexpr std::int32_t kRanToEnd = 2;

// FLAS3B: the outer K-value loop of the three-phase flash: a two-phase flash by K-value
// refreshes (KCALC, which may split the liquid) around a bracketed search on FLIQHC, with
// THDXCH.IHVLLE 2 while it runs. When the liquid-liquid set-up inside a K-value call sets
// IHVLLE to 1, it leaves at once with IIGO 1; otherwise it runs to its end with IIGO 2 and
// IFFAIL 0 (solved) or 1 (not converged). IHVLLE is 0 on every exit. The free-water outer loop
// shares it.
//   a     in/out  the common arguments of the isothermal flash
//   iigo  out     kHandedBack or kRanToEnd
void FLAS3B(flash::IsothermalFlash& a, std::int32_t& iigo);

// FLAS3P: the vapour-liquid-liquid flash. FLAS3B first; when it hands the flash back: a start
// from two Rachford-Rice splits (the vapour-liquid K-values, then the liquid by 1/DCOEF),
// FLAS3O, the phase-region code, FLASH3 for a three-phase answer, and a K-value loop for a
// one- or two-phase answer. The answer sets the common arguments (X the total liquid, XK the
// K-values y/x over it, FVAPOR, FLIQHC = FTOTLQ), MPFRC1, MPFRC2 and the kept two-liquid
// arrays. On failure (IFFAIL 1) the entry fractions, MPFRC1, MPFRC2 and K-values come back.
//   a      in/out  the common arguments
//   work   work    the router's three-phase work arrays; they receive the flash's arrays
//   level  in      detail-print threshold of the notes (2 from the router)
void FLAS3P(flash::IsothermalFlash& a, const flash::ThreePhaseWork& work, std::int32_t& level);

}  // namespace multiphase
