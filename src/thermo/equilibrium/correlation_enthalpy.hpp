// The per-component enthalpies and heat capacities of the correlation enthalpy method 202,
// the companion of the correlation K-values: components with library data start from their
// ideal-gas enthalpy and, in the liquid, lose the temperature terms of the generalized pure-
// liquid fugacity coefficient and of the regular-solution activity coefficient; petroleum
// fractions described only by the Watson characterisation factor K, the specific gravity
// and the normal boiling point take the Watson-Nelson liquid heat capacity, a heat of
// vaporisation at the boiling point and a tabulated vapour heat capacity.
//
// Units: T in K, P in kPa, enthalpies in kJ/kmol and heat capacities in kJ/(kmol K),
// R = 8.314471; the petroleum-fraction forms are fitted in degrees Fahrenheit and
// Btu/(lb °F) and convert at their boundary; HCORSW works in cal/mol (R = 1.98721).
#pragma once

#include <cstdint>
#include <span>

namespace equilibrium {

// Estimates of the heat of vaporisation at the normal boiling point (HCORSW).
enum class VaporisationEstimate : std::int32_t {
  Kistiakowsky = 1,  // Tb (8.75 + R ln Tb)
  Giacalone = 2,     // R Tb ln(pi) / (1 - Tbr)
  Riedel = 3,        // 1.093 R Tb (ln(pi) - 1) / (0.93 - Tbr)
  Chen = 4,          // R Tb (3.978 Tbr - 3.938 + 1.555 ln(pi)) / (1.07 - Tbr)
  Vetere = 5         // R Tb (0.4343 ln(pi) - 0.68859 + 0.89584 Tbr)
                     //   / (0.37691 - 0.37306 Tbr + 0.14878/(pi Tbr^2))
};

// Status words of HCORSW.
inline constexpr std::int32_t kVaporisationDenominator = 1;  // the denominator is not positive
inline constexpr std::int32_t kVaporisationConstants = 2;    // Tb, Tc or Pc is not positive
inline constexpr std::int32_t kVaporisationMethod = 3;       // method outside 1-5

// Status of HCORCS for a liquid whose work array holds fewer than 4N reals.
inline constexpr std::int32_t kCorrelationEnthalpyShortWork = 2;

// Component-kind word: above 0 a component with library data, else a petroleum fraction.
inline constexpr std::int32_t kLibraryComponent = 1;

// Heat of vaporisation at the normal boiling point by one of five estimates; pi = Pc/101.325
// (atmospheres), Tbr = Tb/Tc, R = 1.98721 cal/(mol K).
//   dhv     out  cal/mol; unchanged when the status is not 0
//   method  in   VaporisationEstimate
//   tc      in   critical temperature, K (not read by method 1)
//   tb      in   normal boiling point, K
//   pc      in   critical pressure, kPa (not read by method 1)
// Returns 0, or kVaporisationMethod, kVaporisationConstants, kVaporisationDenominator.
// Never aborts.
std::int32_t HCORSW(double& dhv, std::int32_t method, double tc, double tb, double pc);

// Vapour heat capacity of a petroleum fraction from the Watson-factor table
// Cp = a + b t + c t^2 (t in °F, Btu/(lb °F)) at K = 10.0, 10.5, 11.0, 11.5, 11.8, 12.0,
// 12.5, 13.0, interpolated linearly in K within the interval the first grid point above K
// closes (K below 10.5 in [10.0, 10.5], K of 13.0 or more in [12.5, 13.0], so that K off the
// grid is extrapolated), and its integral from Tb to T.
//   mw  in   molecular weight
//   dh  out  enthalpy change of the vapour from Tb to T, kcal/kmol (cal/mol)
//   cp  out  heat capacity at T, kcal/(kmol K)
//   tb  in   normal boiling point, K
//   t   in   K
//   k   in   Watson characterisation factor
// Returns 0.
std::int32_t HCORTB(double mw, double& dh, double& cp, double tb, double t, double k);

// Enthalpy and heat capacity of a petroleum fraction, from the liquid at 32 °F. Liquid
// (Watson-Nelson): with b = 0.0004075 - 0.000153 SG, a = 0.6811 - 0.308 SG,
// f = (0.055 K + 0.35) M and t in °F,
//   Cp = (2 b t + a) f,  H = ((t + 32) b + a)(t - 32) f / 1.8;
// vapour: the liquid enthalpy at Tb, the heat of vaporisation at Tb (HCORSW method 1) and
// the vapour enthalpy change from Tb to T (HCORTB), with the vapour Cp at T. Both are
// multiplied by 4.1868.
//   mw     in   molecular weight
//   cp     out  kJ/(kmol K)
//   h      out  kJ/kmol
//   phase  in   1 vapour, otherwise liquid
//   sg     in   specific gravity
//   tb     in   normal boiling point, K
//   t      in   K
//   k      in   Watson characterisation factor
// Returns the status of HCORTB for the vapour (0), else 0.
std::int32_t HCORID(double mw, double& cp, double& h, std::int32_t phase, double sg, double tb,
                    double t, double k);

// Per-component enthalpies and heat capacities of a vapour or liquid mixture by the
// correlation enthalpy method, and for the vapour the correlation-family residual.
//   1. work, r and D := 0;
//   2. kind <= 0: H_i, Cp_i by HCORID from K = C(2N+i), SG = C(3N+i), Tb = C(4N+i);
//      kind > 0: the ideal-gas values;
//   3. vapour: r and D by MTHDSP (code CODE) on the family's reals at x, T, P;
//   4. liquid (a work array of at least 4N): FUGLS0 gives W(N+i) = d ln nu_i/dT and
//      W(2N+i) = d2 ln nu_i/dT2, GAMREG (no Flory-Huggins term) W(3N+i) = d ln gamma_i/dT;
//      for kind > 0: H_i -= R T^2 (W(N+i) + W(3N+i)), Cp_i -= R T (T W(2N+i) + 2 W(N+i)).
// Here C is the block's data after the family's K0 reals: C(1..N) solubility parameters
// ((cal/cm3)^0.5) and C(N+1..2N) liquid molar volumes (m3/kmol) of GAMREG, then K, SG and
// Tb (K) of each component.
//   mw        in   molecular weights (N)
//   r         out  (H - H°)/(R T) of the vapour; 0 for the liquid
//   cp        out  per-component heat capacities (N), kJ/(kmol K)
//   cpIdeal   in   ideal-gas heat capacities (N)
//   h         out  per-component enthalpies (N), kJ/kmol
//   hIdeal    in   ideal-gas enthalpies (N)
//   status    out  HCORID's, then MTHDSP's (vapour) or FUGLS0's and GAMREG's (liquid);
//                  kCorrelationEnthalpyShortWork for a liquid with a short work array
//   phase     in   1 vapour, 2 liquid
//   kinds     in   component-kind words (N)
//   work      in/out  the work array; its size is the work length
//   n         in   component count
//   p         in   kPa
//   d         out  d(T r)/dT of the vapour; 0 for the liquid
//   t         in   K
//   x         in   normalised composition (N)
//   classes   in   the block's integer data from its second word: the class codes of FUGLS0
//   reals     in   the block's real sector: K0 reals of the correlation family (Tc, Pc,
//                  acentric factor ...), then C
//   k0        in   K0
//   code      in   the correlation-family code of the vapour residual (217 from HIDSET)
//   pressureSlopes  in/out  FUGLS0's d ln nu/dP (written only under stored-model switch A 2)
// Aborts: "KC" "HCORCS" "CORRELATION ENTHALPY BLOCK TOO SHORT" (items NEED, HAVE) when an
// array holds fewer values than N components need; those of MTHDSP and FUGLS0.
void HCORCS(std::span<const double> mw, double& r, std::span<double> cp,
            std::span<const double> cpIdeal, std::span<double> h, std::span<const double> hIdeal,
            std::int32_t& status, std::int32_t phase, std::span<const std::int32_t> kinds,
            std::span<double> work, std::int32_t n, double p, double& d, double t,
            std::span<const double> x, std::span<const std::int32_t> classes,
            std::span<const double> reals, std::int32_t k0, std::int32_t code,
            std::span<double> pressureSlopes);

}  // namespace equilibrium
