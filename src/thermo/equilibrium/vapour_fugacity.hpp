// Vapour fugacity coefficients: FVCALC, which returns ln(phi) of every component of a vapour
// with its compressibility factor and, by request, the temperature, pressure and composition
// derivatives, for every equation-of-state K-value method and for the vapour method that
// goes with an activity K-value method. Also the layouts of the vapour methods' parameter
// blocks that only the vapour side reads (115, 123, 210).
//
// Units: K, kPa, R = 8.314471 kJ/(kmol K); ln(phi) dimensionless, its temperature derivative
// per K, its pressure derivative per kPa.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace equilibrium {

// =======================================================================================
// Request word and levels
// =======================================================================================

// Derivative levels of the fugacity routines (cumulative): 1 ln(phi) and Z; 2 adds
// dln(phi)/dT and dln(phi)/dP; 4 adds n dln(phi_i)/dn_j (and second temperature derivatives
// of the pair terms).
inline constexpr std::int32_t kValuesLevel = 1;
inline constexpr std::int32_t kTemperatureLevel = 2;
inline constexpr std::int32_t kCompositionLevel = 4;

// The level of a derivative request word: 4 when its hundreds digit is 1, else 2 when its
// units digit is nonzero, else 1. (Any temperature request gets the derivative arrays, so
// that no caller forms dK/dT from arrays left by an earlier call.)
std::int32_t fugacityLevel(std::int32_t request);

// Flash work arrays (FWPART real arrays) that the vapour fugacity routine writes: one value
// per component, the composition derivatives (i, j) at (j - 1) N + i. (ln(phi) itself goes
// where the caller asks: the K-value routine passes array 7.)
inline constexpr std::int32_t kVapourLnPhiTArray = 8;      // dln(phi_i)/dT
inline constexpr std::int32_t kVapourLnPhiPArray = 24;     // dln(phi_i)/dP
inline constexpr std::int32_t kVapourLnPhiNArray = 25;     // n dln(phi_i)/dn_j, N x N
inline constexpr std::int32_t kPartialResidualArray = 50;  // n d(hr)/dn_i of the cubic root

// Whether the last vapour (IDRVV) and liquid (IDRVL) fugacity call filled its composition
// derivative matrix (arrays 25 and 27): each routine clears its flag on entry and the flag
// is set only when a level-4 route wrote the matrix. Zero at problem open.
struct FugacityDerivativeFlags {
  std::int32_t IDRVV = 0;
  std::int32_t IDRVL = 0;
};
extern FugacityDerivativeFlags fugacityDerivativeFlags;

// The vapour-phase code of an activity K-value method that means an ideal vapour.
inline constexpr std::int32_t kIdealVapourCode = 107;

// The slot of FVCALC in the timing statistics TIMST2 (its calls and accumulated seconds).
inline constexpr std::size_t kTimingSlotFVCALC = 31;

// =======================================================================================
// Parameter blocks of the vapour methods
// =======================================================================================
// Words are 1-based 8-byte words of the first real sector of the loaded block, for N
// components, NS = N(N + 1)/2. Blocks of the other vapour methods: the cubic codes, 110,
// 204 and 125 to 128 as thermo/pure/liquid_density.hpp describes them. Method 113 (cubic
// with the group-contribution excess rule) has the cubic head of those blocks with one pair
// group (NP words, not read), the cubic integer words, and in its second sectors the group
// model: the descriptor in integer sector 2 (thermo/pure/activity_kernels.hpp) and the
// parameters in real sector 2, with room for psi and dpsi after block c.

// 210 (virial): six arrays of N values.
namespace virialblock {
inline std::int32_t criticalVolume(std::int32_t /*n*/) { return 1; }        // any volume unit
inline std::int32_t criticalTemperature(std::int32_t n) { return n + 1; }   // K
inline std::int32_t criticalPressure(std::int32_t n) { return 2 * n + 1; }  // kPa
inline std::int32_t acentricFactor(std::int32_t n) { return 3 * n + 1; }
inline std::int32_t dipoleMoment(std::int32_t n) { return 4 * n + 1; }  // debye
inline std::int32_t association(std::int32_t n) { return 5 * n + 1; }
inline std::int32_t words(std::int32_t n) { return 6 * n; }
}  // namespace virialblock

// 115 (Hayden-O'Connell): four arrays of N values, then the association and solvation
// parameters eta of every pair packed by columns of the upper triangle, the pair (i, j),
// i <= j, at j(j - 1)/2 + i (the diagonal the components' association parameters).
namespace hocblock {
inline std::int32_t criticalTemperature(std::int32_t /*n*/) { return 1; }   // K
inline std::int32_t criticalPressure(std::int32_t n) { return n + 1; }      // kPa
inline std::int32_t radiusOfGyration(std::int32_t n) { return 2 * n + 1; }  // angstrom
inline std::int32_t dipoleMoment(std::int32_t n) { return 3 * n + 1; }      // debye
inline std::int32_t eta(std::int32_t n) { return 4 * n + 1; }               // NS values
inline std::int32_t words(std::int32_t n) { return 4 * n + n * (n + 1) / 2; }
}  // namespace hocblock

// 123 (chemical theory): the coefficients A, then B, of the dimerization constants
// K_ij = 101.325 10^(A + B/T), NS values each, packed as the pairs of 115.
namespace associationblock {
inline std::int32_t coefficientA(std::int32_t /*n*/) { return 1; }
inline std::int32_t coefficientB(std::int32_t n) { return n * (n + 1) / 2 + 1; }
inline std::int32_t words(std::int32_t n) { return n * (n + 1); }
}  // namespace associationblock

// =======================================================================================
// FVCALC
// =======================================================================================

// ln(phi) of every component of a vapour of composition Y at T and P, its compressibility
// factor, and by the request word the derivatives, which land in the flash work arrays 8
// (dln(phi)/dT), 24 (dln(phi)/dP) and 25 (n dln(phi_i)/dn_j) as far as the method's kernel
// gives them.
//
// The method: when the K-value method of the current set is an activity method (the
// activity slot of KMCTL holds a code), MDLODE loads its block and the vapour is ideal when
// the hundreds digit of the activity option word is 0, else the vapour-phase method of the
// set (THDXCH, its block loaded by MDLOD7) serves it. Otherwise MDLODC loads the K-value
// method's block and the K-value method code serves. Either code is served by its own
// kernel: 110 (BWR type), 115 (Hayden-O'Connell), 123 (chemical theory), 125 to 128 (hard
// chain), 204 (corresponding states), 210 (virial), or the cubic route (101, 102, 108, 109,
// 111, 112, 113, 114, 116, 117, 121, 122, 124, 502, 503, 510 to 512). The cubic route of an
// equation-of-state K-value method keeps its pure-component and pair terms while the
// temperature repeats and the parameters are unchanged, when the block's caching switch
// (the third integer word from the end of its first integer sector) is 2; the stored level
// is that of the last call, and a call asking for more evaluates again.
//
//   n          in      number of components
//   y          in      mole fractions (N)
//   lnphi      out     ln(phi_i), or ln(f_i) = ln(phi_i) + ln(P) in fugacity mode (N)
//   t          in      temperature, K
//   p          in      pressure, kPa
//   z          out     compressibility factor (1.0 for the ideal vapour)
//   request    in      derivative request word (fugacityLevel)
//   unused     in      not read
//   phaseFlags in      per-component phase-type flags; not read by the kernels served here
//   fugacity   in      1: return ln(f_i) = ln(phi_i) + ln(P)
//   status     out     0, or the failure word of the 115 and 204 kernels
//   (the cubic route also leaves its root status, 1 true or 0 pseudo-root, in PMCTL2.ISEUDV)
//   numerical  in/out  method 122: with a composition request and 0 the call runs at level 2
//                      and sets 1 (the caller then differences the composition); with 1 it
//                      runs at level 1
// The ideal vapour writes ln(phi) (0 or ln P) and, when the request's units digit is
// positive, zeros into array 8; nothing else.
// Aborts: "KC" "FVCALC" "VAPOUR METHOD HAS NO FUGACITY ROUTE" (item CODE) for a code that no
// route serves (107 as an equation-of-state K-value method, or a code outside the families);
// "KC" "FVCALC" "FLASH WORK ARRAY TOO SHORT" (items ARRAY, SIZE, NEEDED); "KC" "FVCALC"
// "PARAMETER BLOCK TOO SHORT" (items NEEDED, HAVE) when the held block is shorter than the
// method's layout; those of the loaders and kernels.
void FVCALC(std::int32_t n, std::span<const double> y, std::span<double> lnphi, double t, double p,
            double& z, std::int32_t request, std::int32_t unused,
            std::span<const std::int32_t> phaseFlags, std::int32_t fugacity, std::int32_t& status,
            std::int32_t& numerical);

}  // namespace equilibrium
