// The aqueous weak-electrolyte model of K-value method 511: water, carbon dioxide, hydrogen
// sulphide and up to five weak bases (amines) with their chemical equilibria in the liquid.
// AQELDR is the entry; FN604 is the charge balance of a trial pH with the speciation it
// implies, ROOT604 the bracketed search for its root.
//
// Units: T in K, P in kPa, amounts in molalities (mol/kg of solvent); the reaction constants
// are five-coefficient forms in degrees Rankine, TR = 1.8 T:
//   ln K = A + B/TR + C/TR^2 + D/TR^3 + E/TR^4.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace equilibrium {

inline constexpr std::size_t kMaxAmines = 5;

// Species of the speciation, in this order.
enum class Ion : std::size_t {
  Hydrogen = 0,
  Hydroxide = 1,
  CarbonDioxide = 2,
  Bicarbonate = 3,
  Carbonate = 4,
  HydrogenSulphide = 5,
  Bisulphide = 6,
  Sulphide = 7,
};
inline constexpr std::size_t kSpeciesCount = 8;

// The fixed reactions of a temperature (clamped constants) and the two Henry constants
// (bar kg/mol).
struct ElectrolyteConstants {
  double kw = 0.0, k1c = 0.0, k2c = 0.0, k1s = 0.0, k2s = 0.0;
  double henryCarbon = 0.0, henrySulphur = 0.0;
};
ElectrolyteConstants electrolyteConstants(double t);

// The totals and amine constants the balance needs.
struct ElectrolyteLiquid {
  double carbon = 0.0;   // total carbon dioxide, mol/kg
  double sulphur = 0.0;  // total hydrogen sulphide, mol/kg
  std::size_t amines = 0;
  std::array<double, kMaxAmines> amine{};  // totals, mol/kg
  std::array<double, kMaxAmines> ka{};     // protonation constants
  std::array<double, kMaxAmines> kc{};     // carbamate constants (0: none)
};

// The species of a trial pH.
struct ElectrolyteSpecies {
  std::array<double, kSpeciesCount> species{};
  std::array<double, kMaxAmines> carbamate{}, protonated{}, free{};
};

// The charge-balance residual (cations minus anions, mol/kg) at PH, with the species left in
// OUT. Exponents are limited to [-30, 30].
double FN604(double ph, const ElectrolyteConstants& k, const ElectrolyteLiquid& liquid,
             ElectrolyteSpecies& out);

// The root of FN604 in pH on [XLO, XHI] to TOL (a bracketing search: bisection with inverse
// quadratic steps). STATUS 0 converged, 1 the iteration limit, 2 no sign change (X = XHI).
// F is the residual at X, OUT the species there.
void ROOT604(double tol, std::int32_t maxit, std::int32_t& status, double xlo, double xhi,
             double& f, double& x, const ElectrolyteConstants& k, const ElectrolyteLiquid& liquid,
             ElectrolyteSpecies& out);

// The K-values of method 511 for the liquid X and vapour Y (not read) at T and P, with the
// K-value block held (LDSTAT, its starts advanced past the general pair parameters):
// integer part I(1) components, I(2) = n amines, I(3..2+n) type words, I(n+3..n+5) the
// components of carbon dioxide, water and hydrogen sulphide, I(n+6..n+10) switches,
// I(n+11..n+10+n) the amine components; real part R(1..5n) and R(5n+1..10n) the amine
// constants, R(10n+1..10n+NCOMP) molar masses (kg/mol), R(10n+NCOMP+1) the correction value.
// Writes K (and DK in mode 2, by a difference 0.02 degrees Rankine below T) of water, the acid
// gases and the amines; H the heat term in mode 2, else 0. A liquid without solvent (water
// plus amines below 1e-6) leaves K and DK untouched.
//   ncomp      in      components
//   t, p       in      K, kPa
//   x, y       in      liquid and vapour mole fractions
//   k, dk      in/out  K-values and dK/dT
//   flag       in      not read
//   mode       in      1 K-values, 2 also derivatives and the heat term
//   h          out     -(Qc + Qs)/(1.8 T) in mode 2, else 0
// Aborts: "KC" "AQELDR" "ELECTROLYTE BLOCK INVALID" (item AMINES or COMP) for more than five
// amines or a component outside 1..NCOMP.
void AQELDR(std::int32_t ncomp, double t, double p, std::span<const double> x,
            std::span<const double> y, std::span<double> k, std::span<double> dk, std::int32_t flag,
            std::int32_t mode, double& h);

}  // namespace equilibrium
