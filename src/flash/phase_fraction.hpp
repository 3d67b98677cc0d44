// FLASHR: the temperature (pressure given) or pressure (temperature given) at which a feed
// splits with a held phase fraction: a bubble point (vapour 0), a dew point (vapour 1), any
// vapour fraction between, or a held hydrocarbon-liquid fraction. Included by flash.hpp.
//
// Units: K, kPa, kg-mol/s; compositions are mole fractions; fractions are moles per mole of
// feed.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace flash {

// The 50 arguments of FLASHR, in their order. Arguments 1-14, 16-34 and 48 mean what the
// same-named arguments of the isothermal flash (IsothermalFlash) mean; FLASHR maps them into
// that list for each flash at fixed T and P.
struct FractionFlash {
  std::int32_t IOUT = -1;          // 1 report unit; every debug line goes there
  std::int32_t IOUT2 = -1;         // 2 second print unit
  std::int32_t NCOMP = 0;          // 3 components of the K-value call
  std::int32_t NC = 0;             // 4 components of the composition arrays
  std::int32_t INITFL = 0;         // 5 start option of the isothermal flash
  std::int32_t IDEBUG = 0;         // 6 debug level of the caller
  std::int32_t IEOS = 0;           // 7 0 no equation of state; 1, 2 enable the root search
  std::int32_t KXFLAG = 0;         // 8 K-value mode digit (2: water-saturation start)
  std::int32_t ITPFIX = 1;         // 9 1 P given, T varied; 2 T given, P varied
  std::span<std::int32_t> IPRES;   // 10 work: component-present flags
  std::int32_t JERR = 0;           // 11 out: FractionFailure
  std::int32_t KCDRV = 1;          // 12 derivative request of the K-value call
  std::int32_t IFIXLW = 2;         // 13 1 FLIQHC held, 2 FVAPOR held
  std::int32_t KXOPT = 1;          // 14 in/out: 1 fresh K-values, 2 reuse
  std::int32_t ISPCOD = 0;         // 15 caller's specification (103 bubble, 104 dew, 106)
  double TRATE = 0.0;              // 16 feed rate, kg-mol/s
  std::span<double> Z;             // 17 in/out: feed (normalised on entry)
  std::span<double> X;             // 18 out: hydrocarbon liquid
  std::span<double> Y;             // 19 out: vapour
  std::span<double> XK;            // 20 in/out: K-values
  std::span<double> XSTOR;         // 21 work
  std::span<double> YSTOR;         // 22 work
  double T = 0.0;                  // 23 in/out: K
  double P = 0.0;                  // 24 in/out: kPa
  double GFLSH = 0.0;              // 25 out: phase-fraction function at the solution
  double GTOL = 0.0;               // 26 tolerance on GFLSH
  double FTOTLQ = 0.0;             // 27 in/out: total liquid
  double FLIQHC = 0.0;             // 28 in/out: hydrocarbon liquid
  double FWATER = 0.0;             // 29 in/out: free water
  double FVAPOR = 0.0;             // 30 in/out: vapour
  std::span<double> DXNEW;         // 31 work
  std::span<double> DXOLD;         // 32 work
  std::span<double> DYNEW;         // 33 work
  std::span<double> DYOLD;         // 34 work
  double GFLABS = 0.0;             // 35 out: |GFLSH| of the last evaluation
  double VAR = 0.0;                // 36 out: current value of the varied quantity
  double DVARMX = 0.0;             // 37 in/out: its step limit
  std::array<double, 2> DVSTEP{};  // 38 in/out: step limits of T (K) and P (kPa)
  double ZW = 0.0;                 // 39 feed water mole fraction
  double direction = -1.0;         // 40 direction of the first step, 2 ITPFIX - 3
  std::array<double, 2> WATERP{};  // 41, 42 work: water vapour pressure or saturation T
  double ZV = 0.0;                 // 43 vapour compressibility of the last flash
  double ZL = 0.0;                 // 44 liquid compressibility of the last flash
  std::span<const double> TCRIT;   // 45 critical temperatures, K
  std::span<const double> PCRIT;   // 46 critical pressures, kPa
  std::span<const double> OMEGA;   // 47 acentric factors
  std::int32_t KLLE = 0;           // 48 liquid-liquid argument of the K-value call
  double TSTART = 0.0;             // 49 in/out: the caller's start T; out: the search's
  double PSTART = 0.0;             // 50 in/out: the caller's start P; out: the search's
};

// Values of JERR.
enum class FractionFailure : std::int32_t {
  solved = 0,
  searchFailed = 1,     // march, trial, bound or root-search limit reached
  waterUnresolved = 2,  // failed with a water-saturation state pending
  bracketClosed = 3,    // the bracket closed with |GFLSH| above 100 GTOL
  notApplicable = 10,   // a fixed-fraction flash that does not apply (own search follows)
};
inline constexpr std::int32_t code(FractionFailure f) { return static_cast<std::int32_t>(f); }

// The phase-fraction iteration.
//   a  in/out  the 50 arguments above. On entry negative feed fractions become 0.0 and the
//              feed is normalised. A feed of 99.99 % water or more whose dew pressure is
//              asked with an equation of state (ISPCOD 104, IEOS 1 or 2, ITPFIX 2) is
//              flashed as pure water and given back on every exit.
// The two fixed-fraction flashes of the solver seam run first (the second only when the
// first fails with a code other than 10; switch 38 runs the second alone, switch 37, a
// polymer set or a feed the fixed-fraction flashes cannot take goes to the own search).
// The own search flashes at fixed T and P (FLASTP) at each trial value, evaluates GFLSH
// (FLSCMP) and steps with XEXTRP: a march until GFLSH changes sign (at most 20 steps), a
// bracketed search (at most 30 trials), one restart from the best fresh-K point, then a
// final secant step. With an equation of state a root search first walks away from
// trivial solutions. JERR: FractionFailure. No messages; the caller reports failures.
void FLASHR(FractionFlash& a);

// ---------------------------------------------------------------------------------------
// The fixed-fraction solver seam
// ---------------------------------------------------------------------------------------

// A fixed-fraction flash as FLASHR calls it: the arguments of A (it reads and sets T, P,
// the compositions, K-values, fractions and JERR), the debug level, and two work arrays of
// 500 reals.
using FixedFractionFlash = void (*)(FractionFlash& a, std::int32_t debug, std::span<double> w1,
                                    std::span<double> w2);
// FLASL2 and FLASL1 called with FLASHR's arguments: the report unit, NCOMP, NC, DEBUG,
// ITPFIX, JERR, KCDRV, Z, X, Y, XK, T, P, the four fractions (FVAPOR the held one), ZV, ZL and
// KLLE; FLASL2 also takes the first NCOMP words of W1 and W2 for its fit of ln K.
void robustFixedFraction(FractionFlash& a, std::int32_t debug, std::span<double> w1,
                         std::span<double> w2);
void newtonFixedFraction(FractionFlash& a, std::int32_t debug, std::span<double> w1,
                         std::span<double> w2);

// The two fixed-fraction flashes FLASHR tries before its own search: the robust one first,
// then the Newton one. They are FLASL2 and FLASL1 unless a scoped replacement is alive; an
// empty slot fails (JERR 1).
struct FixedFractionSolvers {
  FixedFractionFlash robust = &robustFixedFraction;  // FLASL2
  FixedFractionFlash newton = &newtonFixedFraction;  // FLASL1
};
const FixedFractionSolvers& fixedFractionSolvers();

// While alive, FLASHR calls the solvers of REPLACEMENT.
class ScopedFixedFractionSolvers {
 public:
  explicit ScopedFixedFractionSolvers(const FixedFractionSolvers& replacement);
  ~ScopedFixedFractionSolvers();
  ScopedFixedFractionSolvers(const ScopedFixedFractionSolvers&) = delete;
  ScopedFixedFractionSolvers& operator=(const ScopedFixedFractionSolvers&) = delete;

 private:
  FixedFractionSolvers previous_;
};

}  // namespace flash
