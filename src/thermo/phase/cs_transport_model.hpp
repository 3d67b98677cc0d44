// The parts of the corresponding-states transport model behind TRCSMN (cs_transport.hpp):
// the methane reference fluid, the equivalent substance of a mixture, and the viscosity and
// thermal-conductivity terms. Units inside the model: K, atm, mol/L, g/cm3 for mass
// densities, micropoise and mW/(m K).
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace phase::cs {

// =======================================================================================
// The methane reference fluid
// =======================================================================================

// Critical point, acentric factor and molar mass of methane, with the gas constant of its
// equation of state: R. D. McCarty, A modified Benedict-Webb-Rubin equation of state for
// methane using recent experimental data, Cryogenics 14 (1974) 276, in the atm, L/mol, K
// units that J. F. Ely and H. J. M. Hanley, Ind. Eng. Chem. Fundam. 20 (1981) 323, use.
// Zc0 = Pc/(rho_c R Tc) with Pc = 45.387 atm.
inline constexpr double kTc0 = 190.555;  // K
inline constexpr double kRhoC0 = 10.23;  // mol/L
inline constexpr double kZc0 = 0.283742;
inline constexpr double kOmega0 = 0.011314;
inline constexpr double kM0 = 16.043;               // g/mol
inline constexpr double kGasConstant = 0.08205616;  // L atm/(mol K)
inline constexpr double kGamma = 0.0096;            // (L/mol)^2, McCarty (1974)
// Densities above this bound the reference equation is not searched (mol/L).
inline constexpr double kRhoMax = 3.2 * kRhoC0;
// kPa per atm.
inline constexpr double kKpaPerAtm = 101.325;

// Shape-factor constants of theta (a1, b1, c1, d1) and phi (a2, b2, c2, d2): J. W. Leach,
// P. S. Chappelear and T. W. Leland, AIChE J. 14 (1968) 568, with methane as the
// reference, as Ely and Hanley (1981) adopt them.
inline constexpr double kA1 = 0.090569;
inline constexpr double kB1 = -0.862762;
inline constexpr double kC1 = 0.316636;
inline constexpr double kD1 = -0.465684;
inline constexpr double kA2 = 0.394901;
inline constexpr double kB2 = -1.023545;
inline constexpr double kC2 = -0.932813;
inline constexpr double kD2 = -0.754639;

// The 32 constants N1..N32 of McCarty's (1974) methane equation (atm, L/mol, K), N[k - 1].
extern const std::array<double, 32> kEquationOfState;

// Collision integral C1..C8: Omega(T*) = C1/T*^C2 + C3 exp(-C4 T*) + C5 exp(-C6 T*) of
// P. D. Neufeld, A. R. Janzen and R. A. Aziz, J. Chem. Phys. 57 (1972) 1100, T* = T/C8
// with the methane energy parameter eps/k = C8; dilute viscosity C7 sqrt(T)/Omega uP.
extern const std::array<double, 8> kCollision;
// Methane viscosity (Ely and Hanley, 1981; form of H. J. M. Hanley, R. D. McCarty and
// W. M. Haynes, Cryogenics 15 (1975) 413): first density term b1..b4 and excess j1..j7
// with the critical mass density 0.1628 g/cm3 last.
extern const std::array<double, 4> kViscosityFirst;
extern const std::array<double, 8> kViscosityExcess;
// Methane thermal conductivity (J. F. Ely and H. J. M. Hanley, Ind. Eng. Chem. Fundam. 22
// (1983) 90): the same forms.
extern const std::array<double, 4> kConductivityFirst;
extern const std::array<double, 8> kConductivityExcess;

// =======================================================================================
// The coefficient block
// =======================================================================================

// The block's first real sector holds 14 arrays of N values one after the other; array a
// (1-based) of component i (1-based) is real (a - 1) N + i of the sector.
namespace block {
inline constexpr std::int32_t kArrays = 14;
inline constexpr std::int32_t kCriticalDensity = 2;      // mol/L
inline constexpr std::int32_t kCriticalTemperature = 3;  // K
inline constexpr std::int32_t kCriticalCompressibility = 4;
inline constexpr std::int32_t kAcentricFactor = 5;
inline constexpr std::int32_t kMolarMass = 6;          // g/mol
inline constexpr std::int32_t kFirstHeatCapacity = 8;  // c0..c6 of Cp = sum ck T^k
inline constexpr std::int32_t kHeatCapacityTerms = 7;  // (cal/(mol K))
}  // namespace block

// The constants of the components, views of the block.
struct Components {
  std::span<const double> rhoc;  // critical density, mol/L
  std::span<const double> tc;    // K
  std::span<const double> zc;
  std::span<const double> omega;
  std::span<const double> mw;                                         // g/mol
  std::array<std::span<const double>, block::kHeatCapacityTerms> cp;  // cal/(mol K)
};

// =======================================================================================
// The equivalent substance
// =======================================================================================

// Per-component working values of one evaluation.
struct Mixture {
  std::span<const double> x;     // mole fractions
  std::span<double> f;           // temperature factors f_i
  std::span<double> h;           // volume factors h_i
  std::span<std::uint8_t> skip;  // 1: x_i <= 0, left out of the mixing sums
};

// The equivalent substance of a mixture at T and P.
struct Equivalent {
  double fx = 0.0, hx = 0.0;  // mixture factors
  double t0 = 0.0;            // reference temperature T/fx, K
  double rho0 = 0.0;          // reference molar density, mol/L
  double rho = 0.0;           // mixture molar density rho0/hx, mol/L
  double rhoMass = 0.0;       // reference mass density rho0 M0/1000, g/cm3
  double mViscosity = 0.0;    // one-fluid molar masses of viscosity and conductivity
  double mConductivity = 0.0;
  double u = 0.0;       // (T/fx) (dfx/dT) at constant density
  double zcMean = 0.0;  // sum x_i Zc_i
};

// Starting reduced volumes of the two phases.
inline constexpr double kLiquidStart = 2.0;
inline constexpr double kVapourStart = 0.5;

// Forgets the temperature sums that TRCSRF keeps, so the next call computes them afresh.
void resetReferenceSums();

// Pressure (atm) and its density derivative (atm L/mol) of methane at T (K) and RHO
// (mol/L) by McCarty's equation. The temperature sums are kept for the next call at the
// same temperature (RELCM2).
void TRCSRF(double t, double rho, double& p, double& dpdrho);

// Methane density RHO0 (mol/L) at T0 (K) and P0 (atm, > 0) from the start RHOS: Newton
// steps with bounds, then bisection on one side of the critical density below Tc0, retried
// from the other side; true when found, false after three failed attempts.
bool TRCSS1(double t0, double p0, double rhos, double& rho0);

// The equivalent substance of the mixture M at T (K) and P (atm) for the phase's starting
// reduced volume VSTART (kLiquidStart, kVapourStart): f_i, h_i, fx, hx, T0, rho0, rho,
// rhoMass, and through TRCSS2 the molar masses, u and the mean Zc. False when the factors do
// not settle in 15 passes or the methane density is not found.
bool TRCSSH(const Mixture& m, const Components& c, double t, double p, double vstart,
            Equivalent& e);

// The one-fluid molar masses, the mean critical compressibility and u of the converged
// mixture (f_i, h_i, fx, hx, rho, T filled in).
void TRCSS2(const Mixture& m, const Components& c, double t, Equivalent& e);

// =======================================================================================
// Transport terms
// =======================================================================================

// Omega(T*) of the collision-integral constants.
double collisionIntegral(double tstar);

// Methane viscosity (uP) and translational thermal conductivity (mW/(m K)) at T (K) and
// mass density RHOM (g/cm3): dilute + first density term + excess; the excess term is
// multiplied by EXCESSFACTOR.
double referenceViscosity(double t, double rhom, double excessFactor = 1.0);
double referenceConductivity(double t, double rhom);

// Mixture viscosity (uP): the scaled methane viscosity plus the hard-sphere correction.
double TRCSVI(const Mixture& m, const Components& c, double t, const Equivalent& e);

// Hard-sphere correction of the mixture viscosity (uP): the Enskog viscosity of the mixture
// of hard spheres minus that of its one-fluid equivalent sphere; 0 for one component.
double TRCSDG(const Mixture& m, const Components& c, double t, const Equivalent& e);

// Reduced Enskog viscosity of a hard-sphere mixture: N components of mole fractions X,
// diameters SIGMA and molar masses MW at number density NDENS, in consistent units (the
// viscosity is the value times 26.693 sqrt(M T)/sigma^2 uP in the units of length and
// mass used). Work: N*N reals in each of B, CHI, Q and HMAT, N in Y and Z.
struct HardSphereWork {
  std::span<double> b, chi, q, hmat, y, z;
};
double TRCSHS(std::int32_t n, std::span<const double> x, std::span<const double> sigma,
              std::span<const double> mw, double ndens, const HardSphereWork& w);

// Thermal conductivity (mW/(m K)): the scaled methane part (TRCSKR) plus the internal part.
double TRCSTC(const Mixture& m, const Components& c, double t, const Equivalent& e);
double TRCSKR(const Equivalent& e);

}  // namespace phase::cs
