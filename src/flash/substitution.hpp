// The helpers of the successive-substitution flash FLASHN: the oscillation detector FLSOSC,
// the K-value range test FLSKVC, the pseudo-critical single-phase estimate FLSPHC, the
// pure-component flash FLSNPC and the single-phase K-value convergence FLSNGL. Included by
// flash.hpp.
//
// Units: K, kPa; compositions are mole fractions.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace flash {

// Length of the vapour-fraction history that FLASHN keeps for FLSOSC.
inline constexpr std::size_t kOscillationHistory = 6;

// Modes of FLSOSC.
enum class OscillationMode : std::int32_t { Reset = 0, Test = 1 };

// FLSOSC: the oscillation detector. Mode 0 clears IOSC and NOSC and fills the history with
// 1e10. Mode 1 looks, when IOSC is not 1 and KK100 >= KSTART, for a saved value within
// |TETA| 5e-7 of TETA; a repeat sets IOSC = 1, counts NOSC and, on the first detection of
// the caller's call, raises FLCNTR word 5 and (while it stays below 51 and LEVEL <= IDEBUG)
// issues the note "<name> (<NNFLST> ) - OSCILLATION DETECTED - ITER=" (or "ALL THE SAME"
// when no saved value differs) as message 1000000213 and hands the history to OTHIST. Mode 1
// always ends by shifting the history one place towards the start and storing TETA last.
//   mode    in      OscillationMode
//   name    in      the caller's routine name, for the note
//   iosc    in/out  1 once a repeat has been found (the caller clears it to look again)
//   kk100   in      the caller's count of K-value calls
//   kstart  in      the count from which repeats are looked for
//   nosc    in/out  the number of detections
//   teta    in      the current value (a vapour fraction)
//   tetasv  in/out  the history, oldest first
//   iout, idebug, level  in  report unit, debug level, message level
void FLSOSC(OscillationMode mode, std::string_view name, std::int32_t& iosc, std::int32_t kk100,
            std::int32_t kstart, std::int32_t& nosc, double teta, std::span<double> tetasv,
            std::int32_t iout, std::int32_t idebug, std::int32_t level);

// Results of FLSKVC.
enum class KRange : std::int32_t {
  Outside = 0,    // some present K lies outside XKLO..XKHI
  Straddles = 1,  // min < 1 < max
  AllOne = 2,     // min = max = 1
  AllEqual = 3,   // min = max (not 1)
  BelowOne = 4,   // max < 1
  AboveOne = 5,   // min > 1
  EndAtOne = 6,   // one end exactly 1
};

// FLSKVC: whether the K-values of the present components (z > 0) lie within XKLO..XKHI,
// and how they lie about 1 (KRange).
//   idebug, iout in;  n in: component count
//   xklo, xkhi in: the range
//   z in: feed (N);  k in: K-values (N)
//   icrit out: KRange
void FLSKVC(std::int32_t idebug, std::int32_t iout, std::int32_t n, double xklo, double xkhi,
            std::span<const double> z, std::span<const double> k, std::int32_t& icrit);

// FLSPHC: the single-phase estimate of a feed from its water-free pseudo-critical constants
// (mole-fraction averages of Tc, Pc and the acentric factor). The reduced pseudo vapour
// pressure is the Lee-Kesler form below the pseudo-critical temperature (B. I. Lee and
// M. G. Kesler, AIChE J. 21 (1975) 510) and its extrapolation above it:
//   TR <= 1: ln PRS = f0 + w f1,  f0 = 5.92714 - 6.09648/TR - 1.28862 ln TR + 0.169347 TR^6,
//            f1 = 15.2518 - 15.6875/TR - 13.4721 ln TR + 0.43577 TR^6 (PRS = 0 below e^-50)
//   TR > 1:  ln PRS = min(50, (1/TR - 1)(-8.16249 - 31.6945 w))
//   mode     in   2: set RESULT to VAPOUR when PR <= PRS, else LIQUID; other modes compute only
//   idebug, iout in
//   ncomp    in   component count
//   z        in   feed (NCOMP)
//   t (K), p (kPa) in
//   liquid, vapour in  the two values RESULT may take
//   result   out  set in mode 2 only
//   pr       out  reduced pressure P/Pc of the mixture
//   prs      out  reduced pseudo vapour pressure
void FLSPHC(std::int32_t mode, std::int32_t idebug, std::int32_t iout, std::int32_t ncomp,
            std::span<const double> z, double t, double p, double liquid, double vapour,
            double& result, double& pr, double& prs);

struct IsothermalFlash;

// FLSNPC: the flash of a pure component MMPURE (1-based). Above its critical temperature
// it is vapour; below it and above its critical pressure, liquid; otherwise its dew-point
// pressure at T (FLASL2 from the estimate PS = Pc 10^(-A (Tc/T - 1)/3), A = 7 (1 + w)), or
// when PS <= 1e-4 or that search fails its dew-point temperature at P (from
// TD = Tc/(1 + 3 log10(Pc/P)/A)), decides. Critical constants and w come from the method
// set (PARVAL), else the component table (w: else 0). x, y and K of the component become 1;
// one K-value call (option 12, K option word 1) follows the decision.
//   mmpure  in  the component
//   a       in/out  the flash arguments: reads IOUT, NCOMP, NC, IDEBUG, KCDRV, Z, T, P, KLLE;
//                   sets IFFAIL (what FLASL2 reports; 0 otherwise), X, Y, XK, FLIQHC, FVAPOR,
//                   ZV, ZL. A failed dew-temperature search returns at once, without the
//                   K-value call.
void FLSNPC(std::int32_t mmpure, IsothermalFlash& a);

// Phases of FLSNGL.
enum class SinglePhase : std::int32_t { Liquid = 1, Vapour = 2 };

// The arguments of FLSNGL besides the compositions.
struct SinglePhaseControl {
  SinglePhase kind = SinglePhase::Liquid;
  std::int32_t maxit = 10;  // largest number of passes
  std::int32_t nc = 0;      // second count of the K-value call
  std::int32_t ncomp = 0;   // loop bound and first count of the K-value call
  double t = 0.0, p = 0.0;  // K, kPa
  std::int32_t kcdrv = 0;   // derivative request of the K-value call
  std::int32_t klle = 0;    // handed to the K-value call
  std::int32_t roots = 0;   // root-selection mode copied into ISEUDI before each call
  std::int32_t idebug = 0, iout = -1, level = 1;
  double zmin = 1e-4;     // composition threshold of the convergence test
  double tol = 1e-4;      // convergence tolerance on the relative K change
  std::int32_t nprt = 0;  // components in the debug table
};

// FLSNGL: converges the K-values of a single phase. The phase keeps the feed composition;
// the incipient other phase is built from the K-values (liquid: y = K z; vapour: x = z/K,
// 1e30 for a present component with K <= 0 and for a term that overflows), normalised;
// K-values that give no such composition (a NaN, or no positive sum) leave the feed
// composition as the trace. The K-values are evaluated again until the largest relative
// change |K - Kold|/K over the components with z > ZMIN falls below TOL, or MAXIT passes
// were made.
//   c      in      SinglePhaseControl
//   z      in      feed
//   y, x   out     the compositions the last K-values were evaluated at
//   k      in/out  K-values (the newest set on return)
//   kold   out     the K-values of the previous pass
//   zv, zl out     compressibility factors of the last K-value call
//   ierr   out     50 when the K-value call reports a fugacity failure (FLCNTR word 5 is
//                  raised and "FLSNGL - KVALUE CALCS FAILED" noted); otherwise unchanged
//   dkmax  out     the largest relative K change of the last pass
void FLSNGL(const SinglePhaseControl& c, std::span<const double> z, std::span<double> y,
            std::span<double> x, std::span<double> k, std::span<double> kold, double& zv,
            double& zl, std::int32_t& ierr, double& dkmax);

}  // namespace flash
