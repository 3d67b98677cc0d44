// Corresponding-states methods: the pseudo-critical mixing rules that reduce a mixture to
// one fluid, the Lee-Kesler simple-fluid and reference-fluid equations of the liquid and
// vapour volumes (methods 203, 204 and 211 to 214), the component fugacities of the
// Lee-Kesler mixing rule, and the generalized fugacity tables of the correlation family.
//
// Conventions: K, kPa, m3/kmol, R = 8.314471; per-component columns hold NC values in
// component order; pair data are packed without the diagonal, the pair (i, j), i < j, at
// (j - 1)(j - 2)/2 + i. Reduced temperature Tr = T/Tc,m and pressure Pr = P/Pc,m.
#pragma once

#include <cstdint>
#include <span>

namespace pure {

// Mole fractions below this are left out of the sums where a rule says so.
inline constexpr double kPseudoCriticalThreshold = 1.0e-10;
// Acentric factor of the Lee-Kesler reference fluid (n-octane).
inline constexpr double kReferenceAcentric = 0.3978;

// =======================================================================================
// Pseudo-critical mixing rules
// =======================================================================================

// Kay's rule: sa = sum x_i a_i and sb = sum x_i b_i over all NC components (the callers pass
// a = Pc and b = Tc). NC 0 gives 0 and 0.
void XDOT2(std::int32_t nc, std::span<const double> a, double& sa, std::span<const double> b,
           double& sb, std::span<const double> x);

// Critical-volume rule with a pressure-dependent exponent n = 2.43 - 0.74 (P T_K)/(T P_K),
// limited to [1, 2.2], T_K and P_K the Kay averages:
//   Vc,m = sum sum x_i x_j ((Vc_i^(1/3) + Vc_j^(1/3))/2)^3,
//   Tc,m = ((sum x_i sqrt(R Zc_i Tc_i^(n+1)/Pc_i))^2 / Vc,m)^(1/n), Pc,m = R Z_K Tc,m/Vc,m.
//   pc, tc (NC) in; p (kPa), t (K) in; vc (column 4, m3/kmol), vc13 (column 6, Vc^(1/3)),
//   zc (column 5) in; pcm, tcm, vcm out.
void PCMIX1(std::int32_t nc, std::span<const double> pc, double& pcm, double p,
            std::span<const double> tc, double& tcm, double t, std::span<const double> vc,
            std::span<const double> vc13, double& vcm, std::span<const double> x,
            std::span<const double> zc);

// Stewart-Burkhardt-Voo rule: K = sum x Tc/sqrt(Pc), J = (sum x Tc/Pc + 2 (sum x
// sqrt(Tc/Pc))^2)/3, Tc,m = K^2/J, Pc,m = Tc,m/J.
void PCMIX2(std::int32_t nc, std::span<const double> pc, double& pcm, std::span<const double> tc,
            double& tcm, std::span<const double> x);

// Stewart-Burkhardt-Voo rule with cube-root combining: S = sum x Tc/sqrt(Pc), J_m = (sum
// 8 x_i^2 Tc_i/Pc_i + sum_{j<i} 2 x_i x_j (c5_i + c5_j)^3)/8, Tc,m = S^2/J_m, Pc,m =
// Tc,m/J_m.
//   sqrtPc (column 4, sqrt(Pc)), cbrtTcPc (column 5, (Tc/Pc)^(1/3)) in; jm out.
void PCMIX3(std::int32_t nc, std::span<const double> pc, double& pcm,
            std::span<const double> sqrtPc, std::span<const double> tc, double& tcm, double& jm,
            std::span<const double> cbrtTcPc, std::span<const double> x);

// Lee-Kesler rule: Vc,m = sum sum x_i x_j ((c5_i + c5_j)/2)^3, Tc,m = sum sum x_i x_j
// ((c5_i + c5_j)/2)^3 sqrt(Tc_i Tc_j) / Vc,m, Pc,m = (0.2905 - 0.085 omega_m) R Tc,m/Vc,m.
//   omegam in; sqrtTc (column 4), cbrtVc (column 5, Vc^(1/3)) in; vcm out.
void PCMXLK(std::int32_t nc, double omegam, double& pcm, std::span<const double> tc, double& tcm,
            std::span<const double> sqrtTc, std::span<const double> cbrtVc, double& vcm,
            std::span<const double> x);

// Lee-Kesler rule of method 204 from stored pair values: with VC and TV the diagonal
// columns and VCP, TVP the packed pair columns (TV = Vc^eta Tc),
//   VCM = sum x_i^2 VC_i + 2 sum_{i>j} x_i x_j VC_ij, TCM = (sum x_i^2 TV_i + 2 sum_{i>j}
//   x_i x_j TV_ij) / VCM^eta, PCM = (0.2905 - 0.085 omega_m) R TCM / VCM.
void LKMXSM(std::int32_t nc, std::span<const double> vc, std::span<const double> tv,
            std::span<const double> vcp, std::span<const double> tvp, double eta,
            std::span<const double> x, double& tcm, double& pcm, double omegam, double& vcm);

// Per-component partial values of a corresponding-states quantity Q under the rule of
// LKMXSM: Q = Q0 + omega_m (Qr - Q0)/0.3978 and
//   out_k = Q + (Z - 1) u_k - H dT_k/TCM - (omega_m - omega_k)(Qr - Q0)/0.3978,
// dT_k, dV_k and u_k the composition derivatives of the pseudo-critical constants. With Q
// the mixture's ln(phi) and H its (H - H°)/(R T), out_k is ln(phi_k).
//   tcm, omegam, vcm in (from LKMXSM); out (NC) out; z, h in; q0r in (Q0, Qr);
//   omega in (NC, the components' acentric factors).
void LKMIXR(std::int32_t nc, std::span<const double> vc, std::span<const double> tv,
            std::span<const double> vcp, std::span<const double> tvp, double eta,
            std::span<const double> x, double tcm, double omegam, double vcm, std::span<double> out,
            double z, double h, std::span<const double, 2> q0r, std::span<const double> omega);

// =======================================================================================
// Table interpolation and the generalized fugacity correlation
// =======================================================================================

// Bilinear interpolation in a table F(NROW, NCOL) stored column by column (row index
// fastest), X on an ascending axis of NCOL values, Y on a descending axis of NROW values.
// The interval on each axis is the first whose far end lies beyond the point, else the last
// one (linear extrapolation). flag 1 with F and both slopes 0 when an axis has fewer than
// two points, else 0.
void TBLSRC(double& dFdX, double& dFdY, double& f, std::int32_t& flag, std::int32_t nrow,
            std::int32_t ncol, std::span<const double> table, double x,
            std::span<const double> xAxis, double y, std::span<const double> yAxis);

// Branch flags of LNFCOR.
inline constexpr std::int32_t kVapourBranch = 1;
inline constexpr std::int32_t kGeneralBranch = 2;

// Corresponding-states ln(phi) of the correlation family: F = F0(Pr, Tr) + omega F1(Pr, Tr)
// from the generalized tables (natural logarithms). The vapour branch (flag 1) applies only
// below Tr 1 and Pr 1; there F0 comes from the vapour table (scaled by 10 Pr below Pr 0.1)
// and F1 from its vapour table; otherwise F0 comes from the table of the Tr range and F1
// from the general table above Tr 1, or from the liquid polynomial below it.
//   result out F; input in; difference out input - F; omega in; branch in; pr, tr in.
// Pr below 0.001 sets difference = 0 and leaves result untouched.
void LNFCOR(double& result, double input, double& difference, double omega, std::int32_t branch,
            double pr, double tr);

// The ideal fugacity: ln f_i = ln P for every component, both derivative arrays 0.
//   nc in; p in (kPa); x in (not read); lnf out (NC); lnfT, lnfP out (NC).
void FUGIDL(std::int32_t nc, double p, std::span<const double> x, std::span<double> lnf,
            std::span<double> lnfT, std::span<double> lnfP);

// =======================================================================================
// The corresponding-states kernel
// =======================================================================================

// Requests of the density kernels (DN110, DNCORS).
enum class DensityRequest : std::int32_t {
  Fugacity = 1,        // ln(phi_i)
  Enthalpy = 2,        // (H - H_ideal)/(R T)
  Entropy = 3,         // (S - S_ideal at 101.325 kPa)/R
  Compressibility = 4  // Z only
};

// Words of the method block of DNCORS (8-byte reals, 1-based).
namespace csblock {
inline constexpr std::int32_t kSimpleFluid = 1;      // 12 constants: b1-b4, c1-c4, d1, d2,
inline constexpr std::int32_t kReferenceFluid = 13;  //   beta, gamma
inline constexpr std::int32_t kConstants = 12;
inline constexpr std::int32_t kVapourBrackets = 25;  // 4 rows of 10
inline constexpr std::int32_t kVapourRows = 4;
inline constexpr std::int32_t kLiquidBrackets = 65;  // 5 rows of 10
inline constexpr std::int32_t kLiquidRows = 5;
inline constexpr std::int32_t kBracketRowWords = 10;
inline constexpr std::int32_t kColumns = 115;  // the per-component columns of the rule
// Method 204 lays its columns out as Tc, Pc, omega, VC, TV (NC each), then VCP and TVP (NP
// each) and the exponent eta; the other codes as Tc, Pc, omega and columns 4 to 6.
}  // namespace csblock

// Words of the pseudo-critical work array of DNCORS (at least 6 reals).
namespace cswork {
inline constexpr std::size_t kTcm = 0;
inline constexpr std::size_t kPcm = 1;
inline constexpr std::size_t kVcm = 2;
inline constexpr std::size_t kOmegam = 3;
inline constexpr std::size_t kTr = 4;
inline constexpr std::size_t kPr = 5;
inline constexpr std::size_t kWords = 6;
}  // namespace cswork

// The corresponding-states method of codes 203, 204 and 211 to 214: the pseudo-critical
// constants of the code's rule (211 Kay, 212 PCMIX1, 213 PCMIX2, 214 PCMIX3, 203 PCMXLK, 204
// LKMXSM), the Lee-Kesler equation solved for the reduced volume of the simple and the
// reference fluid, and Z = Z0 + (omega_m/0.3978)(Zr - Z0), the departures likewise.
//   nc         in  components
//   unit       in  report unit of the debug line
//   debug      in  above 0: one line "TRM= ... PRM= ... IPHASE= ..." on UNIT
//   derivative in  1: also the temperature derivative of the requested quantity (difference
//                  quotient over a second evaluation at T + 1e-4 T)
//   request    in  DensityRequest; Fugacity only for code 204 (others raise the flag)
//   phase      in  1 vapour, 2 liquid; Pr >= 1 takes the liquid for any request but 1
//   phaseUsed  out the phase solved
//   p, t       in  kPa, K
//   x          in  mole fractions (NC)
//   block      in  the method block (words above)
//   pseudo     out the pseudo-critical work words (cswork)
//   z          out Z in the slot of the phase solved, [0] vapour, [1] liquid
//   departure, departureT  out (H - H°)/(R T) or (S - S°)/R and its temperature derivative
//   lnphi, lnphiT          out ln(phi_i) and their temperature derivatives (request 1)
//   failure    out 1 when no root could be bracketed or the request cannot be served
//   code       in  the method code
// No message; never stops the run.
void DNCORS(std::int32_t nc, std::int32_t unit, std::int32_t debug, std::int32_t derivative,
            std::int32_t request, std::int32_t phase, std::int32_t& phaseUsed, double p, double t,
            std::span<const double> x, std::span<const double> block, std::span<double> pseudo,
            std::span<double, 2> z, double& departure, double& departureT, std::span<double> lnphi,
            std::span<double> lnphiT, std::int32_t& failure, std::int32_t code);

// The fugacity coefficients of method 204 through DNCORS (request 1, no temperature
// derivatives unless derivative is 1).
//   t, p, x in; lnphi, lnphiT out; block in; nc, phase, derivative, debug in;
//   failure out; pseudo work; z out: the compressibility of PHASE when PHASE > 0.
void WRAPB3(double t, double p, std::span<const double> x, std::span<double> lnphi,
            std::span<double> lnphiT, std::span<const double> block, std::int32_t nc,
            std::int32_t phase, std::int32_t derivative, std::int32_t debug, std::int32_t& failure,
            std::span<double> pseudo, double& z);

}  // namespace pure
