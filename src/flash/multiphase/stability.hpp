// The phase-stability test by tangent-plane distance and the tools it is built from: its own
// cubic equation of state (STEOSL, STEOSV with STEOSP, STEOSD and the root STZROT), the
// trial-phase evaluation and direct substitution (STPHSG, DIRSUB, STTRLG, STCLSV, STNORM,
// STCOPY), the tangent-plane minimisation (STTPDM with the restricted-step solver STNEWT and
// the symmetric factor-and-solve STLUSV), the Gibbs minimisation of a split (SOLMIN) and the
// driver STABL.
//
// Conventions:
// - K, kPa, R = 8.314471 kJ/(kmol K); a in kPa m6/kmol2, b in m3/kmol.
// - At most kStabilityComponents components; N x N matrices are held in fixed 50 x 50 areas,
//   element (i, j) (0-based) at j * 50 + i.
// - The equation of state is the two-constant cubic
//     P = R T/(v - b) - a/((v - s1 b)(v - s2 b))
//   with the quadratic mixing rule a = sum_i sum_j x_i x_j sqrt(a_i a_j) (1 - k_ij),
//   k_ij = A + B/T + C/T^2 from the K-value method's coefficient block. The rule is the same
//   for every accepted method code: for the asymmetric rules (111, 114, 116, 117, 121, 122,
//   502) and the sour-water and electrolyte codes only the first pair parameter is used, and
//   108 leaves out its flagged-component term; alpha comes from EOSTWU for every form.
// - Every phase evaluation chooses the root of lower reduced Gibbs energy unless a caller
//   forces a root.
// - A non-finite value met by an evaluation, or a split that CLSOLV cannot make, raises the
//   test's fault flag (stabilityFault); every loop of the test stops on it and STABL then
//   ends with IERR 1. Nothing here stops the run.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace multiphase {

inline constexpr std::int32_t kStabilityComponents = 50;
inline constexpr std::size_t kLda = 50;
inline constexpr std::size_t kPairs = 1225;

// A 50 x 50 matrix, element (i, j) at j * 50 + i.
struct Matrix50 {
  std::array<double, kLda * kLda> v{};
  double& operator()(std::size_t i, std::size_t j) { return v[j * kLda + i]; }
  double operator()(std::size_t i, std::size_t j) const { return v[j * kLda + i]; }
};

// Root selectors of STZROT and phase choices of STPHSG.
inline constexpr std::int32_t kVapourRoot = 1;   // STZROT: the largest root in (B, B + 1]
inline constexpr std::int32_t kLiquidRoot = 2;   // STZROT: the smallest root in [B, B + 1)
inline constexpr std::int32_t kLiquidOnly = 1;   // STPHSG: the liquid-like root only
inline constexpr std::int32_t kVapourOnly = -1;  // STPHSG: the vapour-like root only
inline constexpr std::int32_t kLowerGibbs = 0;   // STPHSG: both roots, the lower Gibbs energy

// Evaluation levels: values; values (temperature derivatives are not formed); values and
// the composition derivatives.
inline constexpr std::int32_t kValuesLevel = 1;
inline constexpr std::int32_t kCompositionLevel = 4;

// =======================================================================================
// Shared areas
// =======================================================================================

// STBFUG: ln(phi_i) of the last root evaluation and, at level 4, M(i, j) = dln(phi_i)/dn_j
// at constant T and P for one mole of the composition (symmetric).
struct StabilityFugacities {
  std::array<double, kLda> lnphi{};
  Matrix50 m;
};
extern StabilityFugacities STBFUG;

// STBPHS: the liquid side and the vapour side of the trial-phase evaluations.
struct TrialPhaseSide {
  std::array<double, kLda> lnphi{};
  Matrix50 m;
};
struct TrialPhaseBlocks {
  TrialPhaseSide liquid, vapour;
};
extern TrialPhaseBlocks STBPHS;

// Counters of the trial-phase evaluation: all STPHSG calls and those with composition
// derivatives (cleared by FLASGB at its start), and the root evaluations of STZROT.
struct StabilityCounters {
  std::int64_t phaseCalls = 0;
  std::int64_t derivativeCalls = 0;
  std::int64_t rootEvaluations = 0;
  std::int64_t termEvaluations = 0;  // component and pair terms formed (cache misses)
};
extern StabilityCounters THMISC;

// The fault flag of the running test (see the conventions above); STABL clears it.
bool stabilityFault();
void clearStabilityFault();
void raiseStabilityFault();

// =======================================================================================
// The equation of state
// =======================================================================================

// STZROT: the root Z of the cubic for the mixture parameters A = a P/(R T)^2, B = b P/(R T),
// and ln(phi_i) at that root (written to LNPHI and STBFUG.lnphi); at level 4 the matrix
// STBFUG.m. P <= 1e-6 kPa with the vapour selector gives Z = 1 unsolved; A <= 0 a Newton
// search from B + 1; otherwise a bracketed Newton search, an accelerated phase and, for
// three real roots, the deflated pair, the selector choosing among roots inside (B, B + 1).
// Each search phase stops after 200 steps at the last point.
//   a, b    in  mixture attraction and covolume
//   bi      in  component covolumes (N)
//   d       in  partial attraction terms d_i = 2 sum_j x_j a_ij - a (N)
//   aij     in  level 4: a_ij = sqrt(a_i a_j)(1 - k_ij)
//   s1, s2  in  the constants of the cubic
//   t, p    in  K, kPa
//   phase   in  kVapourRoot, else the liquid-like root
//   level   in  1 values; 4 adds the composition derivatives
//   n       in  components (<= 50)
//   z       out compressibility factor
//   lnphi   out N values
void STZROT(double a, double b, std::span<const double> bi, std::span<const double> d,
            const Matrix50& aij, double s1, double s2, double t, double p, std::int32_t phase,
            std::int32_t level, std::int32_t n, double& z, std::span<double> lnphi);

// STEOSP: sqrt(a_i) and a_i at T by EOSTWU from the stored sqrt(a_c,i), the three alpha
// parameters of each component (leading dimension 3), the form codes and the critical
// temperatures.
void STEOSP(std::span<const double> sqrtac, std::span<const double> h,
            std::span<const std::int32_t> forms, std::int32_t n, double t,
            std::span<const double> tc, std::span<double> sqrta, std::span<double> a);

// STEOSD: the quadratic mixing of composition X: a = sum_i s_i t_i with s_i = sqrt(a_i) x_i,
// t_i = s_i + sum_{j != i} m_ij s_j (pair multipliers M packed, pair (i, j), i < j, at
// (j - 1)(j - 2)/2 + i, 1-based), b = sum x_i b_i, d_i = 2 sqrt(a_i) t_i - a; N = 1 gives the
// component's own a and b. At level 4 AIJ receives sqrt(a_i a_j) m_ij (m_ii = 1).
void STEOSD(std::span<const double> sqrta, std::span<const double> bi, std::span<const double> m,
            std::int32_t level, std::int32_t n, std::span<const double> x, double& a,
            std::span<double> d, double& b, Matrix50& aij);

// STEOSL (liquid-like root) and STEOSV (vapour-like root): ln(phi) of mole fractions X with
// the K-value method of the current set. Option word: hundreds digit 1 asks for level 4
// (STBFUG.m), otherwise values. ADDLNP 1 adds ln P to LNPHI (STBFUG keeps plain ln phi).
// STEOSL at the liquid-liquid level (KMCTL level word 2) uses slot 2 and the set's second
// model; STEOSV always slot 1. The component and pair terms are kept while the temperature
// repeats (the block's cache switch at 2) in this test's own cache: a hit needs the same
// code, component count and block words as when they were formed, the same temperature
// (RELCMP) and a stored level at least the requested one. STATUS 0; 1 for a K-value entry
// whose option word is 4 (no results).
// Aborts: "KC" "PARAMETER BLOCK TOO SHORT" when the block is shorter than the code needs.
void STEOSL(std::int32_t n, std::span<const double> x, std::span<double> lnphi, double t, double p,
            double& z, std::int32_t option, std::int32_t addlnp, std::int32_t& status);
void STEOSV(std::int32_t n, std::span<const double> x, std::span<double> lnphi, double t, double p,
            double& z, std::int32_t option, std::int32_t addlnp, std::int32_t& status);

// Forgets the test's temperature cache (GBWORK, the problem open).
void forgetStabilityTerms();

// =======================================================================================
// Trial phases and direct substitution
// =======================================================================================

// STPHSG: one phase of amounts X (normalised here): Z, ln(phi) of the chosen root (PHASE
// kLiquidOnly, kVapourOnly or kLowerGibbs; ties go to the liquid-like root) and for MODE 2
// the matrix DMAT. IST 0, or 1 when a value came out not finite (the fault flag is raised).
void STPHSG(std::int32_t n, std::int32_t mode, std::int32_t phase, std::int32_t& ist, double t,
            double p, double& z, std::span<const double> x, std::span<double> lnphi,
            Matrix50* dmat);

// The results of one direct-substitution step of a split.
struct SubstitutionStep {
  double frac = 0.0;   // vapour fraction of the split
  double ssq = 0.0;    // sum z_i (change of ln K_i)^2
  double gmax = 0.0;   // largest |change of ln K_i|
  double tpdx = 0.0;   // tangent-plane distance of the liquid composition
  double tpdy = 0.0;   // of the vapour composition
  double obfun = 0.0;  // (1 - frac) tpdx + frac tpdy: Gibbs energy change of the split
  double zl = 0.0, zv = 0.0;
};

// DIRSUB: STCLSV with LNK, both phases evaluated (lower-Gibbs roots), the new ln K (LNKNEW),
// their change DLNK and the tangent-plane distances over the components with z_i > 0.
void DIRSUB(std::int32_t n, double t, double p, std::span<double> x, std::span<double> y,
            std::span<const double> z, std::span<const double> lnk, std::span<double> lnknew,
            std::span<double> dlnk, std::span<const double> d, SubstitutionStep& out);

// STTRLG: one substitution step of a trial phase: W = exp(LNW) for present components (0
// for absent ones), its ln(phi) (lower-Gibbs root), LNWNEW_i = d_i - ln phi_i, DEL = LNWNEW -
// LNW, SSQ = sum DEL^2 W, GMAX = max |DEL| and the modified tangent-plane distance
// TM = 1 + sum W_i (ln W_i + ln phi_i - d_i - 1) at the incoming W. Amounts that are all 0
// give TM 1 with no change (DEL 0, LNWNEW = LNW): the trial ends as not unstable.
void STTRLG(std::int32_t n, double t, double p, std::span<const double> z,
            std::span<const double> lnw, std::span<double> w, std::span<double> lnwnew,
            std::span<double> del, double& ssq, double& gmax, std::span<const double> d,
            double& tm);

// STCLSV: K = exp(ln K) and the split of Z by CLSOLV (tolerance 1e-10). Returns false, with
// the fault flag raised, when CLSOLV finds all K at one or reaches its step limit (or K is
// not finite); all-vapour and all-liquid splits are accepted.
bool STCLSV(std::int32_t n, std::span<double> x, std::span<double> y, std::span<const double> z,
            std::span<const double> lnk, double& frac);

// STNORM: XN = X/sum(X). A sum of 0 (or one that is not finite) leaves XN as it was and
// returns false.
bool STNORM(std::int32_t n, std::span<const double> x, std::span<double> xn, double& sum);

// STCOPY: B = A over N values.
void STCOPY(std::int32_t n, std::span<const double> a, std::span<double> b);

// =======================================================================================
// Minimisations and the test
// =======================================================================================

// STLUSV: symmetric factorisation without pivoting (Crout form) of the lower triangle of A
// (MODE != 2), then the solve of A x = B in place (MODE != 1). Returns false when a pivot
// is not positive (the factor then stops there; a solve uses what is there).
bool STLUSV(std::int32_t n, Matrix50& a, std::span<double> b, std::int32_t mode);

// STNEWT: the step DELTA of (H + mu I) delta = G whose length STEP matches HVAL within
// TOLREL (or the plain Newton step inside the radius), mu >= 0 by the Levenberg search.
// At most 100 trials of mu; false when none was usable (DELTA is then not finite or the
// search ran out), with the fault flag raised for a value that is not finite.
bool STNEWT(std::int32_t n, const Matrix50& h, std::span<const double> g, double hval,
            double tolrel, double& mu, std::span<double> delta, double& step);

// STTPDM: minimises the modified tangent-plane distance of trial amounts W (in/out) for the
// feed Z with potentials D: accelerated substitution, then up to 20 restricted Newton steps
// in beta = 2 sqrt(W) (each step retried at most 30 times with a smaller radius).
// IMODE 0 stops at proven instability. IFLAG 1: tm < 0 proves instability; ISTAT 1 stopped
// on it, 2 converged or near the feed, 0 iteration limit or fault; TM the last tm.
void STTPDM(std::int32_t n, std::int32_t imode, std::int32_t& istat, std::int32_t& iflag, double t,
            double p, std::span<double> w, std::span<const double> z, std::span<const double> d,
            double& tm);

// SOLMIN: minimises the Gibbs energy of the split of Z into liquid amounts X and vapour
// amounts Y (in/out, X + Y = Z) by restricted Newton steps on the vapour amounts, at most
// 20 iterations of at most 30 retries each. GF = sum z_i d_i. IERR 1 after 20 iterations
// without convergence or on a fault, else unchanged.
void SOLMIN(std::int32_t n, double t, double p, std::span<double> x, std::span<double> y,
            std::span<const double> z, double& zl, double& zv, double gf, std::int32_t& ierr);

// STABL: whether the feed Z (mole fractions) splits at T and P; see stabl.cpp.
//   lnk    in/out  ln K_i (start values, then those of the last substitution)
//   x, y   out     liquid and vapour mole fractions (stable: the trial compositions)
//   frac   in/out  vapour fraction
//   isplit out     1 two phases, 0 stable
//   iprint in      unused (no trace lines)
//   ierr   out     0; 1 when the Gibbs minimisation did not converge or the test met a fault
void STABL(std::int32_t n, double t, double p, std::span<double> lnk, std::span<const double> z,
           std::span<double> x, std::span<double> y, double& frac, std::int32_t& isplit,
           std::int32_t iprint, std::int32_t& ierr);

}  // namespace multiphase
