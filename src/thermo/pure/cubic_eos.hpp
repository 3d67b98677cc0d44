// Cubic equations of state: the pure-component attraction terms, the mixing rules that
// build the mixture parameters, and the root solvers that return the compressibility factor,
// the fugacity coefficients and the departure functions.
//
// Common conventions of these kernels:
// - K, kPa, m3/kmol, R = 8.314471 kJ/(kmol K); a in kPa m6/kmol2, b in m3/kmol.
// - Per-component arrays hold NC values; NC x NC matrices are stored column by column,
//   element (i, j) at (j - 1) NC + i. Pair data of the mixing rules are packed without the
//   diagonal: the pair (i, j), i < j, is at (j - 1)(j - 2)/2 + i (pairs (1,2), (1,3), (2,3),
//   (1,4) ...), NC(NC - 1)/2 values but at least one.
// - The derivative level is cumulative: 1 gives Z and ln phi (a, b, abar, bbar for a
//   mixing rule); 2 adds the temperature and pressure derivatives and the departures; 3
//   adds the heat capacities (d2a/dT2); 4 adds the composition derivatives. Outputs of
//   levels not asked for are left untouched, and arrays that only those levels use may be
//   empty.
// - Phase codes: 1 vapour, 2 liquid.
// - An array shorter than the call needs stops the run with an abort report naming the
//   kernel; nothing else stops these kernels.
#pragma once

#include <cstdint>
#include <span>

namespace pure {

// The reference pressure of the entropy departures that the callers pass, kPa.
inline constexpr double kReferencePressure = 101.325;

// Phase codes of the root solvers.
inline constexpr std::int32_t kVapourPhase = 1;
inline constexpr std::int32_t kLiquidPhase = 2;

// Root status returned by the root solvers.
inline constexpr std::int32_t kPseudoRoot = 0;  // made from an extrapolated pressure
inline constexpr std::int32_t kTrueRoot = 1;    // a root of the cubic
// No usable root (EOSZRT): Z is not a positive finite number, or a result of the level is not
// finite. The caller guards or fails its route; the results are left as computed.
inline constexpr std::int32_t kNoRoot = 2;

// EOSDBG: the request of the fugacity routines for the slope of the cubic at the root.
// The vapour fugacity routine sets the request word to 1 and the liquid routine to 2
// before they call EOSZRT, which stores 6 Z + 2 c2 (the second derivative of the cubic at
// its root) in the matching slot and clears the request.
struct EosDebug {
  std::int32_t request = 0;
  double vapourSlot = 0.0;
  double liquidSlot = 0.0;
};
extern EosDebug EOSDBG;

// =======================================================================================
// Pure-component attraction terms
// =======================================================================================

// Alpha-form codes of EOSTWU.
enum class AlphaForm : std::int32_t {
  Soave = 1,               // [1 + m1 (1 - Tr^0.5)]^2
  PowerSquare = 2,         // [m1 + m2 (1 - Tr^m3)]^2
  Linear = 3,              // 1 + (1 - Tr)(m1 + m2/Tr)
  Exponential = 4,         // exp(m1 (1 - Tr^m2))
  TwuTwo = 5,              // Tr^(2(m2-1)) exp(m1 (1 - Tr^(2 m2)))
  Twu = 6,                 // Tr^(m3(m2-1)) exp(m1 (1 - Tr^(m2 m3)))
  OneParameter = 7,        // exp(2 m1 (1 - Tr^((1+m1)/2))/(1 + m1))
  PowerExponential = 8,    // Tr^m3 exp(m1 (1 - Tr^m2))
  MathiasCopeman = 9,      // [1 + m1 x + m2 x^2 + m3 x^3]^2, x = 1 - Tr^0.5
  SoavePolar = 10,         // [1 + m1 (1 - Tr^0.5) + m2 (1 - Tr)(0.7 - Tr)]^2
  ExponentialSquare = 11,  // exp(m1 (1 - Tr) + m2 (1 - Tr^0.5)^2)
  RedlichKwong = 12,       // Tr^-0.5
  TwuSoave = 15,           // generalized Twu form with Soave-Redlich-Kwong constants
  TwuPengRobinson = 16,    // generalized Twu form with Peng-Robinson constants
  Tabulated = 20,          // natural cubic spline of a 28-point table
};

// Pure-component attraction parameters a_i(T) = a_c,i alpha_i(T) and their temperature
// derivatives. Any form code outside the list, and any alpha below 1e-16, gives the floor
// alpha = 1e-16, sqrt(alpha) = 1e-8 with zero derivatives. Timed.
//   sqrtac  in  sqrt(a_c,i) (NC)
//   params  in  LD x NC column by column; rows 1-3 are m1, m2, m3 of each component
//   forms   in  alpha-form code of each component (NC)
//   level   in  1: sqrt(a) and a; 2 adds da/dT; 3 or more adds d2a/dT2
//   ld      in  leading dimension of params (the callers pass 3)
//   nc      in  number of components
//   t       in  temperature, K
//   tc      in  critical temperatures, K (NC)
//   sqrta   out sqrt(a_i) (NC)
//   a       out a_i (NC)
//   aT      out da_i/dT (NC; level >= 2)
//   aTT     out d2a_i/dT2 (NC; level >= 3)
void EOSTWU(std::span<const double> sqrtac, std::span<const double> params,
            std::span<const std::int32_t> forms, std::int32_t level, std::int32_t ld,
            std::int32_t nc, double t, std::span<const double> tc, std::span<double> sqrta,
            std::span<double> a, std::span<double> aT, std::span<double> aTT);

// =======================================================================================
// Mixing rules
// =======================================================================================
//
// Every rule ends with the same twelve outputs, which the root solvers read:
//   a, aT, aTT   mixture attraction and its temperature derivatives at fixed composition
//   abar(NC)     (1/n) d(n^2 a)/dn_i - a
//   abarT(NC)    d(abar_i)/dT (level >= 2)
//   abb(NC,NC)   n d(abar_i)/dn_j + abar_i at (i, j) (level 4)
//   b, bT, bTT   covolume sum(x_i b_i) and its (zero) temperature derivatives
//   bbar(NC)     b_i
//   bbarT(NC)    0 (level >= 2)
//   bbb(NC,NC)   b_i at every (i, j) (level 4)
// aT, abarT, bT, bTT and bbarT come at level 2, aTT at level 3, abb and bbb at level 4.
// EOSMR7, EOSMR4, EOSMR3 and EOSMR1 compute nothing for a level outside 1-4; EOSMR2 and
// EOSMR6 take a level above 4 as 4. The derivatives are exact derivatives of the rule's
// a(x, T), the pair parameters' temperature derivatives coming from the caller.
// Pure-component inputs: sqrta, aT and aTT from EOSTWU, b the pure covolumes.

// Classical rule: a = sum_i sum_j x_i x_j sqrt(a_i a_j) K_ij, K_ii = 1, K_ji = K_ij.
// K, KT, KTT: K_ij and its temperature derivatives per packed pair. Timed.
void EOSMR7(std::span<const double> sqrta, std::span<const double> aT, std::span<const double> aTT,
            std::span<const double> b, std::span<const double> k, std::span<const double> kT,
            std::span<const double> kTT, std::int32_t level, std::int32_t nc,
            std::span<const double> x, double& am, double& amT, double& amTT,
            std::span<double> abar, std::span<double> abarT, std::span<double> abb, double& bm,
            double& bmT, double& bmTT, std::span<double> bbar, std::span<double> bbarT,
            std::span<double> bbb);

// The classical rule plus x_w^2 theta sum_i c_i x_i, theta = 1 - (T/Tw)^0.8, for the
// flagged component w (1-based; 0 none), added only when x_w > 5e-7.
void EOSMR4(std::span<const double> sqrta, std::span<const double> aT, std::span<const double> aTT,
            std::span<const double> b, std::span<const double> k, std::span<const double> kT,
            std::span<const double> kTT, std::span<const double> c, std::int32_t w,
            std::int32_t level, std::int32_t nc, double t, double tw, std::span<const double> x,
            double& am, double& amT, double& amTT, std::span<double> abar, std::span<double> abarT,
            std::span<double> abb, double& bm, double& bmT, double& bmTT, std::span<double> bbar,
            std::span<double> bbarT, std::span<double> bbb);

// Asymmetric in the mole fractions: a = sum s_i^2 + sum_{i<j} s_i s_j [(1 - k1) + (1 - k2)
// + (x_j - x_i)(k1 - k2)], s_i = sqrt(a_i) x_i; k1, k2 with their temperature derivatives
// per packed pair.
void EOSMR3(std::span<const double> sqrta, std::span<const double> aT, std::span<const double> aTT,
            std::span<const double> b, std::span<const double> k1, std::span<const double> k1T,
            std::span<const double> k1TT, std::span<const double> k2, std::span<const double> k2T,
            std::span<const double> k2TT, std::int32_t level, std::int32_t nc,
            std::span<const double> x, double& am, double& amT, double& amTT,
            std::span<double> abar, std::span<double> abarT, std::span<double> abb, double& bm,
            double& bmT, double& bmTT, std::span<double> bbar, std::span<double> bbarT,
            std::span<double> bbb);

// Asymmetric in the pair fractions: a = sum s_i^2 + sum_{i<j} s_i s_j [2 - k1 - k2 +
// (k1 - k2)(r_j^c1 - r_i^c2)], r_i = x_i/(x_i + x_j). A power of a fraction whose mole
// fraction is not positive is dropped with its derivatives. c1, c2 per packed pair, constant
// in temperature.
void EOSMR1(std::span<const double> sqrta, std::span<const double> aT, std::span<const double> aTT,
            std::span<const double> b, std::span<const double> k1, std::span<const double> k1T,
            std::span<const double> k1TT, std::span<const double> k2, std::span<const double> k2T,
            std::span<const double> k2TT, std::span<const double> c1, std::span<const double> c2,
            std::int32_t level, std::int32_t nc, std::span<const double> x, double& am, double& amT,
            double& amTT, std::span<double> abar, std::span<double> abarT, std::span<double> abb,
            double& bm, double& bmT, double& bmTT, std::span<double> bbar, std::span<double> bbarT,
            std::span<double> bbb);

// Quadratic part plus a cube-root part: a = sum s_i^2 + sum_{i<j} s_i s_j (2 - k1 - k2)
// + sum_i s_i (sum_j x_j cbrt(sqrt(a_j) tau_ij G_ij))^3 / sum_j x_j G_ij, with, for the pair
// i < j, tau_ij = k1 - k2, tau_ji = k2 - k1, G_ij = exp(-c2 tau_ij), G_ji = exp(-c1 tau_ji)
// (exponents clamped to +-30), tau_ii = 0, G_ii = 1. The pair terms come from EOSPRM and
// EOSAMX. T is not read (the temperature enters through the inputs' derivatives).
void EOSMR2(std::span<const double> sqrta, std::span<const double> aT, std::span<const double> aTT,
            std::span<const double> b, std::span<const double> k1, std::span<const double> k1T,
            std::span<const double> k1TT, std::span<const double> k2, std::span<const double> k2T,
            std::span<const double> k2TT, std::span<const double> c1, std::span<const double> c2,
            std::int32_t level, std::int32_t nc, std::span<const double> x, double t, double& am,
            double& amT, double& amTT, std::span<double> abar, std::span<double> abarT,
            std::span<double> abb, double& bm, double& bmT, double& bmTT, std::span<double> bbar,
            std::span<double> bbarT, std::span<double> bbb);

// One pair term of the cube-root rule for the ordered pair (i, j), 1-based. K1 and K2 are
// the two pair parameters (k1, k2), cGreater the exponents used for i > j (c1) and cLess
// those for i < j (c2). k = the packed pair position (1-based; 0 for i = j with options 1,
// 3 and 5, unchanged for i = j with options 2, 4 and 6). For i < j, tau = K1 - K2 at (j, i);
// for i > j, tau = K2 - K1 at (i, j); G = exp(z), z = -c tau clamped to [-30, 30].
//   option 1: e1 = tau, e2 = G                      (i = j: 0, 1)
//          2: e3 = 2 - (K1 + K2)                    (i = j: 2)
//          3: e1 = dtau/dT, e2 = dG/dT              (i = j: 0, 0)
//          4: e3 as 2, e2 = -(dK1/dT + dK2/dT)      (i = j: 2, 0)
//          5: e1 = d2tau/dT2, e2 = d2G/dT2          (i = j: 0, 0)
//          6: e3 and e2 as 4, e1 = -(d2K1 + d2K2)   (i = j: 2, 0, 0)
// Outputs that an option does not name are left untouched.
void EOSPRM(std::int32_t i, std::int32_t j, std::span<const double> k1, std::span<const double> k2,
            std::span<const double> cGreater, std::span<const double> cLess,
            std::span<const double> k1T, std::span<const double> k1TT, std::span<const double> k2T,
            std::span<const double> k2TT, std::int32_t option, std::int32_t& k, double& e1,
            double& e2, double& e3);

// The sums of component i (1-based) of the cube-root rule, with u_j = G_ij tau_ij X_j,
// X_j = sqrt(a_j), X2T and X2TT the derivatives of X_j^2:
//   option 1: s1 = sum_j x_j cbrt(u_j), s2 = sum_j x_j G_ij
//   option 2: their first temperature derivatives (j != i)
//   option 3: their second temperature derivatives (j != i)
// Cube-root derivative terms with |u_j| <= 1e-25 are skipped.
void EOSAMX(std::int32_t i, std::span<const double> sqrta, std::span<const double> x2T,
            std::span<const double> x2TT, std::span<const double> k1, std::span<const double> k1T,
            std::span<const double> k1TT, std::span<const double> k2, std::span<const double> k2T,
            std::span<const double> k2TT, std::span<const double> cGreater,
            std::span<const double> cLess, std::int32_t option, std::int32_t nc,
            std::span<const double> x, double& s1, double& s2);

// Excess-Gibbs-energy rule: with g = G^E/(R T) of an activity model at infinite pressure
// and Lambda = ln((1 - u1)/(1 - u2))/(u1 - u2) (-1 when u1 = u2 = 0):
//   b = sum x_i b_i,  a = b (sum x_i a_i/b_i + R T g/Lambda).
// The temperature derivatives are exact: d(R T g)/dT = R (g + T dg/dT) with dg/dT =
// sum x_i dln(gamma_i)/dT formed here, and d2(R T g)/dT2 = R (2 dg/dT + T d2g/dT2).
//   a_i, aT, aTT, b   in  pure-component a_i and its derivatives, covolumes (NC)
//   lngam, lngamT     in  ln(gamma_i) and its temperature derivative (NC; lngamT level >= 2)
//   dlngdn            in  n dln(gamma_i)/dn_j (NC x NC; level 4)
//   g                 in  G^E/(R T)
//   hE                in  the provider's excess-enthalpy word; not read (dg/dT comes from
//                         lngamT, exact for every provider)
//   gTT               in  d2g/dT2 (level >= 3)
//   t, level, nc, u1, u2, x  in
// followed by the twelve outputs.
void EOSMR6(std::span<const double> ai, std::span<const double> aT, std::span<const double> aTT,
            std::span<const double> b, std::span<const double> lngam,
            std::span<const double> lngamT, std::span<const double> dlngdn, double g, double hE,
            double gTT, double t, std::int32_t level, std::int32_t nc, double u1, double u2,
            std::span<const double> x, double& am, double& amT, double& amTT,
            std::span<double> abar, std::span<double> abarT, std::span<double> abb, double& bm,
            double& bmT, double& bmTT, std::span<double> bbar, std::span<double> bbarT,
            std::span<double> bbb);

// =======================================================================================
// Root solvers
// =======================================================================================

// The compressibility factor of the requested phase of the cubic
//   P = R T/(V - b) - a/((V - u1 b)(V - u2 b))
// with its fugacity coefficients and, by level, their temperature, pressure and
// composition derivatives, the departures and the heat capacities. Arguments in their
// positional order (1-36):
//   1-12  a, aT, aTT, abar, abarT, abb, b, bT, bTT, bbar, bbarT, bbb: the twelve outputs of
//         a mixing rule (abarT, bbarT from level 2; abb, bbb at level 4)
//   13 phase  in  1 vapour, 2 liquid
//   14 level  in  1-4 (cumulative)
//   15 nc     in  number of components; leading dimension of the matrices
//   16 p      in  pressure, kPa
//   17 p0     in  reference pressure of the entropy departure, kPa (kReferencePressure)
//   18 u1, 19 u2  in  the family constants
//   20 t      in  temperature, K
//   21 z      out compressibility factor
//   22 zT     out dZ/dT at constant P and x (level >= 2)
//   23 zP     out dZ/dP at constant T and x, 1/kPa (level >= 2)
//   24 lnphi  out ln(phi_i) (NC)
//   25 lnphiT out dln(phi_i)/dT (NC; level >= 2)
//   26 lnphiP out dln(phi_i)/dP (NC; level >= 2)
//   27 lnphiN out n dln(phi_i)/dn_j, symmetric (NC x NC; level 4)
//   28 hr     out residual enthalpy over R T (level >= 2)
//   29 sr     out entropy departure over R from the ideal gas at p0 (level >= 2)
//   30 cpr    out residual isobaric heat capacity over R (level >= 3)
//   31 cvr    out residual isochoric heat capacity over R (level >= 3)
//   32 cpcv   out (Cp - Cv)/R of the fluid (level >= 3)
//   33 hrn    out n d(hr)/dn_i (NC; level 4)
//   34 zdn    out n dZ/dn_i (NC; level 4)
//   35 option in  0: check the phase of the root and make a pseudo-root when the cubic has
//                 none of that phase; other: take the root of the cubic as found. The
//                 callers pass the root-option word of PMCTL2 (ISEUDI).
//   36 status out kTrueRoot, or kPseudoRoot when Z was made from an extrapolated pressure;
//                 the callers keep it in the phase's root-status word of PMCTL2. kNoRoot
//                 when Z is not a positive finite number or ln(phi), or at level >= 2 the
//                 derivatives and departures, or at level >= 3 the heat capacities, are not
//                 all finite (non-finite coefficients): every caller guards or fails on it.
// Families are recognised from (u1, u2): van der Waals, Soave-Redlich-Kwong, Peng-Robinson.
// Any other pair is solved by the same cubic, but without the phase check and pseudo-root,
// which need the family's critical covolume. Never stops the run. Timed; writes debug lines
// to the report unit under the fugacity debug switch; serves the EOSDBG request.
void EOSZRT(double a, double aT, double aTT, std::span<const double> abar,
            std::span<const double> abarT, std::span<const double> abb, double b, double bT,
            double bTT, std::span<const double> bbar, std::span<const double> bbarT,
            std::span<const double> bbb, std::int32_t phase, std::int32_t level, std::int32_t nc,
            double p, double p0, double u1, double u2, double t, double& z, double& zT, double& zP,
            std::span<double> lnphi, std::span<double> lnphiT, std::span<double> lnphiP,
            std::span<double> lnphiN, double& hr, double& sr, double& cpr, double& cvr,
            double& cpcv, std::span<double> hrn, std::span<double> zdn, std::int32_t option,
            std::int32_t& status);

// The root solver for a mixture with a component that forms hexamers (6 A = A6, log10 K6 =
// 8910/T - 43.65 with K6 in mmHg^-5): the true number of moles is zeta times the apparent
// one and zeta multiplies the repulsive term,
//   P = zeta R T/(V - b) - a/((V - u1 b)(V - u2 b)).
// The equilibrium and the cubic are solved together by an outer iteration on Z. Arguments
// 1-34 as EOSZRT; read: a, aT, aTT, abar, abarT, b, bT, bbar, phase, level, nc, p, p0, u1,
// u2, t; written: z, lnphi, lnphiT (level >= 2), hr and sr (level >= 2), cpr, cvr and cpcv
// (level >= 3); abb, bbarT, bbb, zT, zP, lnphiP, lnphiN, hrn, zdn are neither read nor
// written. dln(phi)/dT is the difference over 0.1 K (forward for the vapour, backward
// otherwise) with a and abar shifted linearly. Then:
//   associating  in  position (1-based) of the associating component; 0 none
//   y0           in  its apparent mole fraction
//   x            in  mole fractions of the phase (NC)
// Without an associating component (position 0 or y0 <= 0) zeta = 1. No pseudo-root, no
// status, never stops the run.
void EOSZRA(double a, double aT, double aTT, std::span<const double> abar,
            std::span<const double> abarT, std::span<const double> abb, double b, double bT,
            double bTT, std::span<const double> bbar, std::span<const double> bbarT,
            std::span<const double> bbb, std::int32_t phase, std::int32_t level, std::int32_t nc,
            double p, double p0, double u1, double u2, double t, double& z, double& zT, double& zP,
            std::span<double> lnphi, std::span<double> lnphiT, std::span<double> lnphiP,
            std::span<double> lnphiN, double& hr, double& sr, double& cpr, double& cvr,
            double& cpcv, std::span<double> hrn, std::span<double> zdn, std::int32_t associating,
            double y0, std::span<const double> x);

// The true monomer mole fraction y of a monomer-hexamer equilibrium whose apparent mole
// fraction is c: the root in [0, c] of (c - y)(6 - 5y)^5 - K (6 - 5c)^6 y^6 = 0, with
// K (6 - 5c)^6 capped at 1e37. Newton from a closed-form start until the step is below
// tol c, at most 100 steps (the last value stands). c <= 0 gives 0; K <= 0 gives c.
//   k in, c in, tol in, y out, iterations out (Newton steps taken)
void TPOLY6(double k, double c, double tol, double& y, std::int32_t& iterations);

}  // namespace pure
