// Henry's-law K-values: supercritical or sparingly soluble gases of an activity-coefficient
// (or Raoult's-law) method set whose liquid-phase fugacity is a Henry constant in the
// mixed solvent instead of a pure-liquid reference.
//
// The Henry block of the current method set (parameter block of method class 18):
//   integer sector 1: word 1 the pair count n; words 2 .. NCOMP+1 one flag per component
//                     (nonzero: Henry solute, 0: solvent); words NCOMP+2 .. NCOMP+1+n the
//                     pair keys 10000 * solute + solvent (component numbers)
//   real sector 1:    words 4m-3 .. 4m the coefficients A, B, C, D of pair m
// The pair constant is ln H_ij = A + B/T + C ln T + D P with T in K, P in kPa, H in kPa.
#pragma once

#include <cstdint>
#include <span>

namespace equilibrium {

// The method class (set slot) of the Henry block.
inline constexpr std::int32_t kHenryClass = 18;
// Pair key: kHenryKeyScale * solute + solvent.
inline constexpr std::int32_t kHenryKeyScale = 10000;
// Limit of ln H_mix before exponentiation.
inline constexpr double kHenryLogLimit = 60.0;
// Solvent sums below this (the single-precision value of 1e-8) leave the K-values alone.
inline constexpr double kHenrySolventFloor = 9.99999993922529e-09;

// Flash work arrays that KCHENR writes for the solutes.
inline constexpr std::int32_t kVapourLnPhiArray = 7;
inline constexpr std::int32_t kLiquidLnPhiArray = 9;
inline constexpr std::int32_t kPureLiquidSlopeArray = 11;
inline constexpr std::int32_t kPureLiquidReferenceArray = 15;
inline constexpr std::int32_t kPureLiquidFugacityArray = 16;

// Makes the Henry block of the current method set the block held in the shared method-block
// area (pure::loadMethodBlock): the work lengths of class 18 set the method scratch, and
// the block is read only when it is not the block held and names a block (not NODISK, not
// 0 or below). Afterwards the sector words of LDSTAT describe the Henry block; loading any
// other method block evicts it.
void HNLOAD();

// Mixed-solvent Henry K-values of the solutes:
//   S = sum of x over the solvents (flag 0); S < kHenrySolventFloor: nothing changes;
//   ln H_i = sum over solvents j of (x_j / S) ln H_ij, ln H_ij from the first pair whose key
//   is 10000 i + j, else ln Psat_i from the vapour-pressure cache (TPCACH at T, P and U);
//   ln H_i limited to [-60, 60]; K_i = exp(ln H_i) / P;
//   with U nonzero: dK_i/dT = K_i d ln H_i/dT (d ln H_ij/dT = C/T - B/T^2, or
//   dPsat_i/dT / Psat_i), not corrected for the limit.
// A solvent of zero mole fraction contributes nothing; a non-positive vapour pressure
// counts as ln Psat = -60 with a zero slope.
//   ncomp         in      component count
//   t, p          in      K, kPa
//   k             in/out  K-values (those of the solutes replaced)
//   dkdt          in/out  their temperature derivatives (1/K; solutes replaced when U != 0)
//   u             in      nonzero: derivatives wanted
//   x             in      liquid mole fractions
//   pairs         in      n, the number of pairs
//   flags         in      per-component solute flags (NCOMP values)
//   keys          in      pair keys (n values)
//   coefficients  in      A, B, C, D per pair (4 n values)
// Aborts: "KC" "HNMIX" "NO VAPOUR PRESSURE FOR HENRY SOLUTE" (items COMP, NCP) when a solute
// without pair data for a solvent lies beyond the components whose vapour pressures the
// cache holds; those of TPCACH.
void HNMIX(std::int32_t ncomp, double t, double p, std::span<double> k, std::span<double> dkdt,
           std::int32_t u, std::span<const double> x, std::int32_t pairs,
           std::span<const std::int32_t> flags, std::span<const std::int32_t> keys,
           std::span<const double> coefficients);

// Henry's-law step of the phase-pair K-values, after the other K-values are formed: loads
// the Henry block (HNLOAD), replaces the K-values of its solutes by HNMIX, and neutralises
// the solutes' fugacity terms:
//   fugacity route (FUGACITY 1): ln phi of every solute in flash work arrays 7 (vapour,
//     solutes up to NCK) and 9 (liquid, solutes up to NCOMP) := ln P when FORM is 1, else 0;
//   units digit of the activity slot's option word (KMCTL) positive: the solutes' entries
//     of work array 15 := 0; its tens digit positive: those of array 16 := 0, and with a
//     positive K-value option digit also those of array 11.
// A method set that names no Henry block leaves everything unchanged.
//   nck        in      component count of the vapour-side arrays
//   ncomp      in      component count
//   t, p       in      K, kPa
//   x          in      liquid mole fractions
//   k, dkdt    in/out  K-values and temperature derivatives (1/K)
//   u          in      nonzero: derivatives wanted (units digit of KCDRV)
//   fugacity   in      1 when called from the fugacity route, 0 from Raoult's law
//   form       in      fugacity-form flag
// Aborts: "KC" "KCHENR" "HENRY BLOCK TOO SHORT" (items COMPS, PAIRS, INTEGERS, REALS) when
// the block holds fewer flags, keys or coefficients than its pair count and NCOMP need;
// "KC" "KCHENR" "WORK ARRAY TOO SHORT" (items ARRAY, SIZE, NEEDED); those of HNMIX.
void KCHENR(std::int32_t nck, std::int32_t ncomp, double t, double p, std::span<const double> x,
            std::span<double> k, std::span<double> dkdt, std::int32_t u, std::int32_t fugacity,
            std::int32_t form);

}  // namespace equilibrium
