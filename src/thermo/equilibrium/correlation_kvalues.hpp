// The correlation K-values of methods 103, 104, 118, 119 and 120: K = nu gamma / phiV, the
// generalized pure-liquid fugacity coefficient nu (FUGLS0), the regular-solution activity
// coefficient gamma (GAMREG) and the Redlich-Kwong vapour fugacity coefficient phiV without
// interaction parameters (MIXOPT and the cubic root). Method 120 adds a solubility parameter
// of water that follows the temperature and the water content of the liquid, and an
// acentric-factor estimate for components the library does not describe.
//
// Units: T in K, P in kPa; a in kPa m6/kmol2, b in m3/kmol; solubility parameters in
// (cal/cm3)^0.5, liquid molar volumes in m3/kmol.
#pragma once

#include <cstdint>
#include <span>

namespace equilibrium {

// K-value method codes served here.
enum class CorrelationMethod : std::int32_t {
  Code103 = 103,
  Code104 = 104,
  Code118 = 118,
  Code119 = 119,
  Code120 = 120,  // with the water solubility parameter and the acentric-factor estimate
};

// The K-value method's coefficient block as KCCORR reads it (LDSTAT, loaded by MDLODC):
// N class codes in the first integer sector; in the first real sector arrays of N values
// (N the component count of the call), array r at real word (r - 1) N + i of the sector.
namespace correlationblock {
inline constexpr std::int32_t kAttraction = 1;     // sqrt(a_c), kPa^0.5 m3/kmol
inline constexpr std::int32_t kCovolume = 2;       // b of the Redlich-Kwong equation
inline constexpr std::int32_t kAcentric = 3;       // omega; method 120 writes its estimates
inline constexpr std::int32_t kCriticalT = 4;      // K
inline constexpr std::int32_t kCriticalP = 5;      // kPa
inline constexpr std::int32_t kLiquidVolume = 6;   // m3/kmol
inline constexpr std::int32_t kSolubility = 7;     // (cal/cm3)^0.5
inline constexpr std::int32_t kWetSolubility = 8;  // method 120: used above 30 % water
inline constexpr std::int32_t kArrays = 7;         // arrays every method needs
}  // namespace correlationblock

// The flash work arrays (FWPART) that KCCORR writes, element i at W(offset + i), N x N
// matrices column by column, (i, k) at (k - 1) N + i.
namespace correlationarrays {
inline constexpr std::int32_t kTemperatureScratch = 7;    // d ln gamma/dT, then d ln phiV/dT
inline constexpr std::int32_t kValueScratch = 9;          // d2 ln nu/dT2, ln gamma, ln phiV
inline constexpr std::int32_t kPressureSlope = 24;        // d ln phiV/dP (zeroed first)
inline constexpr std::int32_t kVapourComposition = 25;    // n d ln phiV_i/dn_k (level 4)
inline constexpr std::int32_t kActivityComposition = 28;  // d ln gamma_i/dx_k
inline constexpr std::int32_t kPartialResiduals = 50;     // n d(hr)/dn_i of the vapour (level 4)
}  // namespace correlationarrays

// K-values of the correlation methods, Ki = nu_i gamma_i / phiV_i, with their temperature
// and pressure derivatives:
//   1. method 120: the active solubility parameters (array 8 of the block when the liquid
//      holds more than 30 % water, else array 7 with the water value 23.3616 replaced by
//      31.6 - 0.0163 (1.8 T) above 491.67 degR; the block itself keeps its value);
//   2. method 120: the acentric factor of every component without library data estimated
//      from its boiling point, critical constants and density (estimateAcentricFactor) into
//      array 3;
//   3. ln nu, d ln nu/dT from FUGLS0 at P;
//   4. D1 <= 0: K = exp(min(ln nu, 70)), dK/dT = K d ln nu/dT, dK/dP = K DKDP(in); done;
//   5. ln gamma, d ln gamma/dT from GAMREG (no Flory-Huggins term);
//   6. ln phiV of the vapour Y at PV from the Redlich-Kwong equation (alpha = Tr^-0.5,
//      no interaction parameters);
//   7. K = exp(min(ln nu + ln gamma - ln phiV, 70)), dK/dT = K (d ln nu/dT + d ln gamma/dT
//      - d ln phiV/dT), dK/dP = K (DKDP(in) - d ln phiV/dPV).
// The vapour-side derivatives enter only when they are evaluated (u > 0 or h > 0); without
// them dK/dT and dK/dP hold the liquid-side terms alone. The exponent is limited above only.
//   n      in      components (the block's arrays are N long)
//   t      in      K
//   pv     in      pressure of the vapour evaluation, kPa
//   p      in      system pressure, kPa
//   k      out     K-values (N)
//   dkdt   out     dK/dT, 1/K (N)
//   dkdp   in/out  in: the liquid side of d ln K/dP (the pair routine passes -1/P); out dK/dP
//   level  in      units digit u (> 0: temperature and pressure derivatives), hundreds
//                  digit h (> 0: composition derivatives, matrices 25 and 28, array 50);
//                  stored-model switch A 2 also asks for matrix 28, A 2 with B 3 for all
//   d1     in      > 0: gamma and phiV are formed; otherwise K = nu
//   x, y   in      liquid and vapour mole fractions (N)
//   zv     out     Z of the last cubic root: the vapour mixture when D1 > 0, else the last
//                  pure-component root of the method-120 estimate (unchanged when none)
//   code   in      the K-value method code (CorrelationMethod)
//   iwnum  in      water component number (0: none; outside 1..N: none)
//   iwater in      the water index of THCTL; not read
// Writes flash work arrays 7, 9, 24, 25, 28 and 50 as listed above, and the vapour root
// status word of PMCTL2 (ISEUDV 0 after a pseudo-root).
// Aborts: "KC" "KCCORR" "CORRELATION BLOCK TOO SHORT" (items COMPS, INTEGERS, REALS) when
// the held block has fewer than N class codes or fewer than 7 N reals (8 N when method 120
// takes array 8); "KC" "KCCORR" "FLASH WORK ARRAY TOO SHORT" (items ARRAY, SIZE, NEEDED);
// those of FUGLS0 for a class code outside its table.
void KCCORR(std::int32_t n, double t, double pv, double p, std::span<double> k,
            std::span<double> dkdt, std::span<double> dkdp, std::int32_t level, std::int32_t d1,
            std::span<const double> x, std::span<const double> y, double& zv, std::int32_t code,
            std::int32_t iwnum, std::int32_t iwater);

// The classical mixing rule of the cubic equation without interaction parameters, with
// s = sum y_i v_i:
//   am = s^2, bm = sum y_i b_i, psi_i = s (2 v_i - s) = (1/n) d(n^2 am)/dn_i - am;
//   level >= 2: dam/dT = s B, dpsi_i/dT = B (v_i - s) + s p_i/v_i, B = sum y_i p_i/v_i;
//   level >= 3: d2am/dT2 = B^2/2 + s sum y_i (q_i - (p_i/v_i)^2/2)/v_i;
//   level 4:    amat(j, i) = 2 v_i v_j - psi_i and bmat(j, i) = b_j.
// The outputs are those the cubic root reads (cubic_eos.hpp); outputs of levels not asked
// for are left untouched.
//   v, pa, qa  in   sqrt(a_i), da_i/dT, d2a_i/dT2 (N)
//   b          in   covolumes (N)
//   level, n   in
//   y          in   mole fractions (N)
//   am, amT, amTT              out  mixture attraction and its temperature derivatives
//   psi, psiT                  out  (N)
//   amat                       out  N x N
//   bm, bmT, bmTT              out  covolume and its derivatives (both 0)
//   bcopy, bzero               out  b, and zeros (N)
//   bmat                       out  N x N
void MIXOPT(std::span<const double> v, std::span<const double> pa, std::span<const double> qa,
            std::span<const double> b, std::int32_t level, std::int32_t n,
            std::span<const double> y, double& am, double& amT, double& amTT, std::span<double> psi,
            std::span<double> psiT, std::span<double> amat, double& bm, double& bmT, double& bmTT,
            std::span<double> bcopy, std::span<double> bzero, std::span<double> bmat);

// The acentric factor of a component without library data, from its normal boiling point
// tb, critical temperature tc and pressure pc, molar mass mw and liquid molar volume vl, at
// T and P: the reduced vapour pressure at T' = min(T, 0.9 Tc) from a boiling-point chart
// correlation with the characterization-factor correction of the boiling point, the
// saturated-vapour fugacity coefficient (Redlich-Kwong), and the omega that makes the
// simple-fluid liquid fugacity correlation meet it; at and above Tc the estimate
// omega = 3/7 log10(Pc/1 atm)/(Tc/Tb - 1) - 1, blended in by sin^2(5 pi (Tr - 0.9)) above
// Tr = 0.9. When the cubic gives no usable root (non-finite constants) the estimate from the
// critical constants is returned, zv untouched.
//   t, p           in   K, kPa
//   tb, tc, pc     in   K, K, kPa
//   mw, vl         in   kg/kmol, m3/kmol
//   zv             out  Z of the saturated vapour when the cubic root was solved (the reduced
//                       attraction A is 0.02 or more below Tc); else untouched
// Returns omega.
double estimateAcentricFactor(double t, double p, double tb, double tc, double pc, double mw,
                              double vl, double& zv);

}  // namespace equilibrium
