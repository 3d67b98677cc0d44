// Hard-sphere-chain equations of state (methods 125 to 128): a Boublik-Mansoori mixture of
// hard-sphere chains with a square-well dispersion series (PHCT1, methods 125 and 127) or a
// van der Waals attraction with universal temperature functions (PHCT2, methods 126 and
// 128), their temperature-dependent pair terms, the density residual in the packing
// fraction and the root search with its per-phase safeguards.
//
// Pair arrays hold NS = NC(NC + 1)/2 values, the pair (i, j), i <= j, at j(j - 1)/2 + i
// (1-based). Temperatures enter reduced, theta = T/400, pressures as 64 P/5522648; the
// derivatives of the pair terms come scaled, theta d/dtheta and theta^2 d2/dtheta2.
#pragma once

#include <cstdint>
#include <span>

namespace pure {

// The reductions of the kernels.
inline constexpr double kHardChainTemperature = 400.0;          // theta = T/400
inline constexpr double kHardChainPressure = 64.0 / 5522648.0;  // P~ = 64 P/5522648
// Close packing of spheres: the largest liquid packing fraction.
inline constexpr double kClosePacking = 0.7405;

// HCSTAT: the state of HCROOT, shared by both kernels for the life of the process.
struct HardChainRoots {
  std::int32_t successes = 0;  // roots found; the problem open gives its start value
  double vapour = 1.0e-4;      // the remembered vapour root
  double liquid = 0.45;        // the remembered liquid root
  bool vapourRemembered = false;
  bool liquidRemembered = false;
};
extern HardChainRoots HCSTAT;

// Failure markers of RTBRKT in place of a root.
inline constexpr double kRootStepLimit = 111111.0;
inline constexpr double kRootDiverged = 222222.0;

// A density residual: f(packing fraction, packed parameter vector).
using HardChainResidual = double (*)(double, std::span<const double>);

// Pair terms of PHCT1 at theta: b_ii = (2 pi/3) sigma_ii^3 (1 - 0.12 exp(-3 E_ii/theta))^3,
// b_ij = (b_ii^(1/3) + b_jj^(1/3))^3/8, and the reduced segment energy
// F_ij = (E_ij/theta) sqrt((1 + c_i/theta)(1 + c_j/theta)), each with theta d/dtheta and
// theta^2 d2/dtheta2.
//   theta in; nc in; eps, sigma in (NS); c in (NC); b, bT, bTT, f, fT, fTT out (NS)
void HCEOSA(double theta, std::int32_t nc, std::span<const double> eps,
            std::span<const double> sigma, std::span<const double> c, std::span<double> b,
            std::span<double> bT, std::span<double> bTT, std::span<double> f, std::span<double> fT,
            std::span<double> fTT);

// Pair terms of PHCT2 at theta with T* = theta/E_ij, V = (2 pi/3) sigma_ij^3:
// b_ii = V (0.7303 exp(-0.1649 T*^0.5) + 0.2697 exp(-2.3973 T*^1.5)), unlike b combined as in
// HCEOSA, and a_ij = (V/T*)(1.8681 exp(-0.0619 T*) + 0.6715 exp(-1.7317 T*^1.5)) for every
// pair with its own E_ij and sigma_ij.
void HCEOSB(double theta, std::int32_t nc, std::span<const double> eps,
            std::span<const double> sigma, std::span<double> b, std::span<double> bT,
            std::span<double> bTT, std::span<double> a, std::span<double> aT,
            std::span<double> aTT);

// The density residuals P~ - rho theta Z(eta) of the two kernels. The parameter vector v:
// theta, P~, NC and NS as reals, x (NC), segment numbers (NC), then b, F and sigma (HCDNFA)
// or b and a (HCDNFB), NS values each.
double HCDNFA(double eta, std::span<const double> v);
double HCDNFB(double eta, std::span<const double> v);

// Muller's method with deflation for R roots of F: ROOTS holds the guesses and receives the
// roots (or the markers kRootStepLimit, kRootDiverged); COUNT the roots found, LIST the
// roots found in order.
void RTBRKT(HardChainResidual f, std::int32_t r, std::span<double> roots, std::int32_t& count,
            std::span<double> list, std::span<const double> v);

// The packing fraction of the phase (1 vapour, 2 liquid) at which RESID vanishes, with the
// remembered roots of HCSTAT keeping the phases apart; no root gives 1e-4 (vapour) or 0.45
// (liquid); a liquid root above 0.7405 becomes 0.45, a negative vapour root 1e-6. A phase
// other than 1 or 2 starts as the liquid.
void HCROOT(HardChainResidual resid, std::span<const double> v, std::int32_t phase, double& eta);

// PHCT1 (with kappa) and PHCT2 (without): the compressibility factor, ln(phi) and by level
// (cumulative) their derivatives and the departures of the phase.
//   t (K), p (kPa), p0 (kPa, reference of the entropy departure) in
//   x (NC) in: amounts or mole fractions (normalised inside)
//   nc, ns in; phase in (1 vapour, 2 liquid); level in (1-4)
//   eps, sigma (NS), r (NC) in; kappa (NC) in (PHCT1 only)
//   b, bT, bTT, e, eT, eTT out (NS): the pair terms at T (every level)
//   q (NC) out: n d(nZ)/dn_i at T, V (level 4)
//   z out; lnphi (NC) out
//   zT (1/K), zP (1/kPa), lnphiT, lnphiP (NC), hr, sr out (level >= 2)
//   cvr, cpr out (level >= 3)
//   lnphiN (NC x NC), hrn, zdn (NC) out (level 4)
//   muT, murho (NC) out (level >= 2)
//   work, nwork: the packed vector of the density residual, at least 4 + 2 NC + 3 NS
//   (PHCT1) or 4 + 2 NC + 2 NS (PHCT2) values
// Outputs of levels not asked for are left untouched. A short array stops the run.
void PHCT1(double t, double p, double p0, std::span<const double> x, std::int32_t nc,
           std::int32_t ns, std::int32_t phase, std::int32_t level, std::span<const double> eps,
           std::span<const double> sigma, std::span<const double> r, std::span<const double> kappa,
           std::span<double> b, std::span<double> bT, std::span<double> bTT, std::span<double> q,
           std::span<double> e, std::span<double> eT, std::span<double> eTT, double& z,
           std::span<double> lnphi, double& zT, double& zP, std::span<double> lnphiT,
           std::span<double> lnphiP, double& hr, double& sr, double& cvr, double& cpr,
           std::span<double> lnphiN, std::span<double> hrn, std::span<double> zdn,
           std::span<double> muT, std::span<double> murho, std::span<double> work,
           std::int32_t nwork);
void PHCT2(double t, double p, double p0, std::span<const double> x, std::int32_t nc,
           std::int32_t ns, std::int32_t phase, std::int32_t level, std::span<const double> eps,
           std::span<const double> sigma, std::span<const double> r, std::span<double> b,
           std::span<double> bT, std::span<double> bTT, std::span<double> q, std::span<double> e,
           std::span<double> eT, std::span<double> eTT, double& z, std::span<double> lnphi,
           double& zT, double& zP, std::span<double> lnphiT, std::span<double> lnphiP, double& hr,
           double& sr, double& cvr, double& cpr, std::span<double> lnphiN, std::span<double> hrn,
           std::span<double> zdn, std::span<double> muT, std::span<double> murho,
           std::span<double> work, std::int32_t nwork);

}  // namespace pure
