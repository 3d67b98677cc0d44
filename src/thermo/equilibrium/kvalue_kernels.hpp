// The vapour-pressure cache of the K-value routes and the simple K-value kernels: the Wilson
// estimate from critical constants, the K-value chart of method 105, the generalized
// pure-liquid fugacity coefficients of the correlation K-values and the regular-solution
// activity coefficients.
//
// Units: T in K, P in kPa, vapour pressures in kPa; solubility parameters in
// (cal/cm3)^0.5 and liquid molar volumes in m3/kmol.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "services/markers.hpp"

namespace equilibrium {

// =======================================================================================
// Vapour-pressure cache
// =======================================================================================

// The flash work arrays (FWPART) that hold the cached vapour pressures of every component
// (kPa) and their temperature derivatives (kPa/K); element i at W(offset + i).
inline constexpr std::int32_t kVapourPressureArray = 13;
inline constexpr std::int32_t kVapourPressureSlopeArray = 14;

// The state of TPCACH, kept for the life of the problem.
struct VapourPressureCache {
  double valueTemperature = services::DMISS;       // TV: of the last evaluation
  double derivativeTemperature = services::DMISS;  // TD: of the last one with derivatives,
                                                   // 0.0 when the last was without
  std::int32_t methodSet = services::IMISS;        // current set at the last evaluation
  std::int64_t evaluations = 0;                    // correlation evaluations made
  // The evaluation's own result buffers, grown once to the component count.
  std::vector<double> values;
  std::vector<double> slopes;
};
extern VapourPressureCache vapourPressureCache;

// What the problem open does to the cache: both temperatures DMISS, the set stamp IMISS.
void resetVapourPressureCache();

// What a flash or a vapour-pressure routine does when it starts: the value temperature
// becomes 0.0, so that the next TPCACH evaluates.
void restartVapourPressureCache();

// Refreshes the pure-component vapour pressures of all components (the property-loop count
// of COHDR) at T in flash work array 13 and, when U is nonzero, their temperature
// derivatives in array 14. It evaluates correlation type 1001 (the set MTSETN gives,
// logarithmic extrapolation) only when T differs from the cached temperature (relative
// 2.22e-16, RELCMP) or the current method set of THCTL has changed since; with U nonzero
// also when the last evaluation was without derivatives or at another temperature.
//   u  in  nonzero: derivatives wanted
//   t  in  K
//   p  in  kPa (passed to the correlations)
// Aborts: "KC" "TPCACH" "VAPOUR PRESSURE ARRAY TOO SHORT" (items ARRAY, SIZE, NEEDED) when
// the flash work-space partition gives an array fewer elements than components; those of
// XPCALC (message 1990002100 for a missing correlation set).
void TPCACH(std::int32_t u, double t, double p);

// =======================================================================================
// K-value estimates
// =======================================================================================

// Wilson K-value estimates of components 1..N except the water component of THCTL, whose
// K and dK/dT are left as they were:
//   K = exp(e) Pc/P, e = A (1 - Tc/T) limited to [-70, 70], A = 5.37 (1 + omega);
//   dK/dT = A K (Tc/T) / T, multiplied by UOMCNV(1.0, 2, 1, 5) (a temperature difference
//   from unit set 1 to unit set 5).
//   n        in   component count
//   u        in   > 0: derivatives wanted
//   t, p     in   K, kPa
//   k        out  K-values
//   dkdt     out  their temperature derivatives (only when U > 0)
//   tc, pc   in   critical temperatures (K) and pressures (kPa)
//   omega    in   acentric factors
void KCWEST(std::int32_t n, std::int32_t u, double t, double p, std::span<double> k,
            std::span<double> dkdt, std::span<const double> tc, std::span<const double> pc,
            std::span<const double> omega);

// The K-value chart of method 105 for components 1..N, from the K-value method's
// coefficient block held in core (LDSTAT, loaded by MDLODC): one class code 0 to 12 per
// component in the first integer sector; in the first real sector four arrays of one value
// per block component, in order the acentric factor, the critical temperature (K), the
// critical pressure (kPa) and the normal boiling temperature (K). Class 0 uses the
// boiling-point chart, classes 1 to 11 their own chart rows (class 1 ten times the row of
// class 2, and above 394.27 K a constant), class 12 a reduced vapour pressure while it stays
// at or below 172.37 kPa within 27.78 K above the boiling point, else the boiling-point
// chart. dK/dT is always formed.
//   n       in   component count
//   t, p    in   K, kPa
//   k       out  K-values
//   dkdt    out  their temperature derivatives
//   unused  in   a derivative request; not read
// Aborts: "KC" "KCCHRT" "CHART BLOCK TOO SHORT" (items COMPS, INTEGERS, REALS) when the held
// block holds fewer class codes or arrays shorter than N; "KC" "KCCHRT" "CHART CLASS
// UNDEFINED" (items COMP, CLASS) for a class code outside 0 to 12.
void KCCHRT(std::int32_t n, double t, double p, std::span<double> k, std::span<double> dkdt,
            std::int32_t unused);

// =======================================================================================
// Pure-liquid fugacity coefficients and regular-solution activity coefficients
// =======================================================================================

// The switches of the stored K-value model: zero after the problem is initialised and set
// by no routine of the library. Switch A 2 asks the correlation kernels for pressure
// derivatives (and drops the held slope of the acentric term above Tr = 1).
struct StoredModelSwitches {
  std::int32_t a = 0;
  std::int32_t b = 0;
  std::int32_t c = 0;
};
extern StoredModelSwitches storedModelSwitches;

// ZERCO2: the three switches of the stored K-value model off; run at every problem open.
void ZERCO2();

// The generalized fugacity coefficient nu of each pure liquid, log10 nu = F(Tr, Pr) of the
// coefficient set that the component's class code names (sets 0-2 the Grayson-Streed
// constants, 3-5 the Chao-Seader constants, 6-9 further sets), plus omega times the
// acentric-factor term unless the class code's units digit is 1. A class code c >= 0
// starts at table element c / 10, so that 100 s + 10 + d selects set s; c < 0 gives
// nu = 1. With the method-120 flag and Tr above 2.5, a reduced-volume form replaces the
// value (not the derivatives).
//   istat     out  0
//   n         in   component count
//   p, t      in   kPa, K
//   lnnu      out  ln nu
//   dlnnudt   out  d ln nu / dT (1/K)
//   d2lnnudt2 out  d2 ln nu / dT2
//   dlnnudp   out  d ln nu / dP (1/kPa), written only when switch A is 2
//   omega, pc, tc   in  acentric factors, critical pressures (kPa), temperatures (K)
//   classes   in   class codes
//   method120 in   1 for K-value method 120, 0 otherwise
// Aborts: "KC" "FUGLS0" "FUGACITY CLASS OUTSIDE THE TABLE" (items COMP, CLASS) for a class
// code from 0 to 9 or whose ten coefficients would run past the table.
void FUGLS0(std::int32_t& istat, std::int32_t n, double p, double t, std::span<double> lnnu,
            std::span<double> dlnnudt, std::span<double> d2lnnudt2, std::span<double> dlnnudp,
            std::span<const double> omega, std::span<const double> pc, std::span<const double> tc,
            std::span<const std::int32_t> classes, std::int32_t method120);

// The option word of GAMREG that adds the Flory-Huggins term.
inline constexpr std::int32_t kFloryHuggins = 10;

// Regular-solution activity coefficients (solubility parameters, liquid molar volumes):
//   ln gamma_i = V'_i (delta_i - delta_mean)^2 / (1.98721 T), V' = 1000 V (cm3/mol),
//   delta_mean = sum x V' delta / sum x V';  d ln gamma_i / dT = -ln gamma_i / T;
//   option 10 adds ln r_i + 1 - r_i, r_i = V'_i / sum x V' (not to the T derivative).
//   istat   out  0
//   ld      in   leading dimension of DLNGDX; LD = N asks for the composition matrix
//   n       in   component count
//   t       in   K
//   x       in   mole fractions
//   lng     out  ln gamma
//   dlngdt  out  d ln gamma / dT
//   dlngdx  out  element (i, k) = d ln gamma_i / d x_k (x_k alone varied) at (k-1) LD + i;
//                when LD differs from N only element 1, set to 0.0
//   delta   in   solubility parameters, (cal/cm3)^0.5
//   option  in   10: with the Flory-Huggins term; any other value: without
//   v       in   liquid molar volumes, m3/kmol
void GAMREG(std::int32_t& istat, std::int32_t ld, std::int32_t n, double t,
            std::span<const double> x, std::span<double> lng, std::span<double> dlngdt,
            std::span<double> dlngdx, std::span<const double> delta, std::int32_t option,
            std::span<const double> v);

}  // namespace equilibrium
