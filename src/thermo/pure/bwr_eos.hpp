// Method 110: the eleven-parameter Benedict-Webb-Rubin equation of state in Starling's form,
//   P = rho R T + (B0 R T - A0 - C0/T^2 + D0/T^3 - E0/T^4) rho^2 + (b R T - a - d/T) rho^3
//       + alpha (a + d/T) rho^6 + (c/T^2) rho^3 (1 + gamma rho^2) exp(-gamma rho^2),
// worked in field units: pressure in psia (kPa x 0.145038), temperature in degrees Rankine
// (K x 1.8), molar density in lbmol/ft3, R = 10.7335 psia ft3/(lbmol R).
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace pure {

// Field units of the method.
inline constexpr double kBwrGasConstant = 10.7335;  // psia ft3/(lbmol R)
inline constexpr double kPsiaPerKpa = 0.145038;
inline constexpr double kRankinePerKelvin = 1.8;

// Parameters of one component in the method block, each an array of NC values, in this
// order: B0, A0, C0, D0, E0, b, a, d, alpha, c, gamma.
enum class StarlingParameter : std::int32_t {
  B0 = 0,
  A0 = 1,
  C0 = 2,
  D0 = 3,
  E0 = 4,
  b = 5,
  a = 6,
  d = 7,
  alpha = 8,
  c = 9,
  gamma = 10
};
inline constexpr std::int32_t kStarlingParameters = 11;

// The mixture parameters of BWRMIX, in this order.
struct BwrMixture {
  double B0 = 0.0, A0 = 0.0, C0 = 0.0, gamma = 0.0, b = 0.0, a = 0.0, alpha = 0.0, c = 0.0,
         D0 = 0.0, d = 0.0, E0 = 0.0;
};

// The density coefficients of the isotherm at T: K2, K3, K6, Kc and R T.
struct BwrIsotherm {
  double gamma = 0.0;
  double rt = 0.0;
  double k2 = 0.0;
  double k3 = 0.0;
  double k6 = 0.0;
  double kc = 0.0;
};

// Root status of BWRDEN.
enum class BwrRoot : std::int32_t {
  VapourSideForLiquid = 1,  // a vapour-side root for a liquid request
  Liquid = 2,               // the liquid root of a liquid request
  LiquidSideForVapour = 3,  // a liquid-side root for a vapour request, or a side failed
  Vapour = 4,               // the vapour root of a vapour request
};

// Starling's mixing rules with the pair factors F_ij (1 - k_ij):
//   B0 = sum y B0_i; A0, C0, D0, E0 = sum sum y_i y_j (p_i p_j)^(1/2) F_ij^m, m = 1, 3, 4, 5;
//   gamma = (sum y gamma_i^(1/2))^2; b, a, alpha, c, d = (sum y p_i^(1/3))^3.
//   y (NC) in; nc in; pval, psqr, pcbr in: the pure values, their square roots and cube
//   roots, 11 x NC column by column in the StarlingParameter order; f in (NC x NC); out.
void BWRMIX(std::span<const double> y, std::int32_t nc, std::span<const double> pval,
            std::span<const double> psqr, std::span<const double> pcbr, std::span<const double> f,
            BwrMixture& out);

// The coefficients of the isotherm at T (R) from the mixture parameters.
BwrIsotherm bwrIsotherm(const BwrMixture& m, double t, double r);

// F = P(rho) - P and DF = dP/drho.
void BWRZFN(double p, const BwrIsotherm& k, double rho, double& f, double& df);
// dP/drho and d2P/drho2.
void BWRDZ2(const BwrIsotherm& k, double rho, double& d1, double& d2);
// An upper bound S of dP/drho over [rhoA, rhoB], term by term, the exponential term also
// at its stationary points inside the interval.
void BWRTDV(const BwrIsotherm& k, double rhoA, double rhoB, double& s);

// The molar density of the requested phase (1 vapour, 2 liquid) at P (psia) and T (R):
// bracket, inflection by bisection, Newton on the side of the phase and then the other,
// fixed-slope chords when both fail (at most 500 chords; the last iterate stands).
//   status out BwrRoot
void BWRDEN(std::int32_t phase, double p, double t, const BwrMixture& m, double r, double& rho,
            std::int32_t& status);

// Words of the method-110 block (8-byte reals): the pair parameters k_ij (NP values, the
// pair (i, j), i < j, at (j - 1)(j - 2)/2 + i), then the eleven parameters of each component
// (11 x NC, each parameter an array of NC values), then a second set of eleven parameters
// per component, which this implementation carries without reading.
std::size_t bwrBlockWords(std::int32_t nc);

// Method 110 in field units: mixing, the density root of the phase, Z and by request the
// departures of the same equation.
//   x         in  mole fractions (NC)
//   nc        in
//   request   in  DensityRequest: 1 ln(phi_i) of the active components (each limited to
//                 +-60), 2 (H - H_ideal)/(R T), 3 (S - S_ideal)/R from the ideal gas at
//                 101.325 kPa less sum x_i ln x_i over the active components, 4 Z only
//   phase     in  1 vapour, 2 liquid
//   derivative in 1: temperature (per K) and pressure (per kPa) derivatives of the requested
//                 quantity, by central differences of the closed forms
//   active    in  per component, 0 = not active (not read for request 4)
//   t, p      in  K, kPa
//   z         out compressibility factor
//   departure, departureT, departureP out  request 2 or 3
//   lnphi, lnphiT, lnphiP out (NC)  request 1
//   block     in  the method block (bwrBlockWords values)
//   status    out BwrRoot of the density root
void DN110(std::span<const double> x, std::int32_t nc, std::int32_t request, std::int32_t phase,
           std::int32_t derivative, std::span<const std::int32_t> active, double t, double p,
           double& z, double& departure, double& departureT, double& departureP,
           std::span<double> lnphi, std::span<double> lnphiT, std::span<double> lnphiP,
           std::span<const double> block, std::int32_t& status);

// The fugacity coefficients of method 110 through DN110 (request 1) for every component,
// with their temperature and pressure derivatives when derivative is 1.
void WRAPA3(double t, double p, std::span<const double> x, std::span<const double> block,
            std::int32_t nc, double& z, std::int32_t phase, std::int32_t derivative,
            std::span<double> lnphi, std::span<double> lnphiT, std::span<double> lnphiP);

}  // namespace pure
