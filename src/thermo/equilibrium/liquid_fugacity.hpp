// Liquid fugacity coefficients: FLCALC, the liquid twin of FVCALC. The liquid of an
// equation-of-state K-value method takes the same routes as the vapour (cubic with its
// temperature cache, the density-kernel methods) at the liquid root; the liquid of an
// activity K-value method gets ln(f_i/x_i) from ACCALC (activity coefficient, vapour
// pressure and the pure-liquid reference terms).
//
// Units: K, kPa; ln(phi) dimensionless, its temperature derivative per K, its pressure
// derivative per kPa; on the activity route f in kPa.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace equilibrium {

// Flash work arrays (FWPART real arrays) that the liquid fugacity routine writes: one value
// per component; the composition matrices with element (i, j) at (j - 1) N + i.
inline constexpr std::int32_t kLiquidLnPhiTArray = 10;  // dln(phi_i)/dT (or dln(f_i/x_i)/dT)
inline constexpr std::int32_t kLiquidLnPhiPArray = 26;  // dln(phi_i)/dP
inline constexpr std::int32_t kLiquidLnPhiNArray = 27;  // n dln(phi_i)/dn_j
// The activity route's arrays: ln(gamma), its temperature derivative, dln(gamma_i)/dx_j
// (mole fractions independent, as the model gives it), and the pure-liquid terms: ln of the
// Poynting factor with its temperature derivative, the liquid molar volumes with theirs,
// ln(phi) of the saturated vapour with its temperature derivative.
inline constexpr std::int32_t kLnGammaArray = 11;
inline constexpr std::int32_t kLnGammaTArray = 12;
inline constexpr std::int32_t kLnGammaXArray = 28;
inline constexpr std::int32_t kPoyntingArray = 15;
inline constexpr std::int32_t kPoyntingTArray = 45;
inline constexpr std::int32_t kLiquidVolumeArray = 52;
inline constexpr std::int32_t kLiquidVolumeTArray = 46;
inline constexpr std::int32_t kSaturatedVapourArray = 16;
inline constexpr std::int32_t kSaturatedVapourTArray = 17;

// The K-value option digit (units digit of the set's K-value option word, KMCTL) that
// sends the liquid to the activity route.
inline constexpr std::int32_t kActivityOptionDigit = 4;

// The slot of FLCALC in the timing statistics TIMST2.
inline constexpr std::size_t kTimingSlotFLCALC = 32;

// ln(phi) of every component of a liquid of composition X at T and P, its compressibility
// factor, and by the request word the derivatives in the flash work arrays 10, 26 and 27.
//
// At the liquid-liquid level (KMCTL level word 2) the K-value slot word and method code are
// switched to the liquid-liquid method of the set (class 2) for the call and restored on
// return. MDLODC loads the block of the slot. With the K-value option digit 4 the activity
// route runs: MDLODE loads the activity model's block (class of the level word), ACCALC
// gives ln(f_i/x_i) and its temperature derivative (array 10), ln(gamma) (11, 12, 28) and
// the pure-liquid terms (15, 45, 52, 46, 16, 17); Z stays 1.0 and the fugacity mode does
// not apply. The model's parameters are the block's first real sector, its control words
// the first integer sector (for code 120 the 6 words after the first N), its cached terms
// the second real sector and its second integers the second integer sector; all four are
// written back after the call. Otherwise the equation-of-state code is served like the
// vapour (FVCALC) but at the liquid root: 110, 204, 125 to 128 by their kernels, the rest
// by the cubic route, whose temperature cache the vapour and the liquid share.
//   n          in      number of components
//   x          in      mole fractions (N)
//   lnphi      out     ln(phi_i) (ln f_i in fugacity mode), or ln(f_i/x_i) on the activity
//                      route (N)
//   t, p       in      K, kPa
//   z          out     compressibility factor (1.0 on the activity route)
//   request    in      derivative request word (fugacityLevel); on the activity route a
//                      nonzero units digit asks for the temperature derivatives and the
//                      hundreds digit for the composition derivatives of ln(gamma)
//   unused     in      not read
//   phaseFlags in      per-component phase-type flags, handed to ACCALC
//   fugacity   in      1: ln f_i = ln(phi_i) + ln P (equation-of-state routes only)
//   status     out     0, or the failure word of ACCALC or of the 204 kernel
//   numerical  in/out  method 122, as FVCALC
// Clears fugacityDerivativeFlags.IDRVL on entry; it is 1 on return only when array 27 was
// written at level 4.
// Aborts: "KC" "FLCALC" "LIQUID METHOD HAS NO FUGACITY ROUTE" (item CODE); "KC" "FLCALC"
// "FLASH WORK ARRAY TOO SHORT" (items ARRAY, SIZE, NEEDED); "KC" "FLCALC" "PARAMETER BLOCK
// TOO SHORT" (items NEEDED, HAVE); those of ACCALC, the loaders and the kernels.
void FLCALC(std::int32_t n, std::span<const double> x, std::span<double> lnphi, double t, double p,
            double& z, std::int32_t request, std::int32_t unused,
            std::span<const std::int32_t> phaseFlags, std::int32_t fugacity, std::int32_t& status,
            std::int32_t& numerical);

}  // namespace equilibrium
