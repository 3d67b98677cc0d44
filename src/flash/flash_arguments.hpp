// The common argument list of the isothermal flash algorithms: what the router FLASTP
// receives from its callers and hands on to the algorithm it chooses. Included by flash.hpp.
//
// Units: K, kPa, kg-mol/s; compositions are mole fractions; fractions are moles per mole of
// feed.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

namespace flash {

// The isothermal flash: the 45 common arguments, in their order. The arrays run over
// components 1..NC (Z, X, Y, XK and the stored K-values over NCOMP) and belong to the
// caller.
struct IsothermalFlash {
  std::int32_t IOUT = -1;          // 1 report unit; every trace and debug line goes there
  std::int32_t IOUT2 = -1;         // 2 second print unit, for failure lines
  std::int32_t NCOMP = 0;          // 3 components of the composition vectors; 1st count of KCALC
  std::int32_t NC = 0;             // 4 components taking part; 2nd count of KCALC; loop bound
  std::int32_t INITFL = 0;         // 5 in/out: 0 no start estimate, >0 the caller holds one
  std::int32_t IDEBUG = 0;         // 6 debug level
  std::int32_t IEOS = 0;           // 7 algorithm option (0, 1, 2)
  std::int32_t KXFLAG = 0;         // 8 in/out: K-value mode; 1 a single pass, 3 cautious
  std::int32_t ITPFIX = 0;         // 9 0 neither, 1 the caller iterates T, 2 it iterates P
  std::span<std::int32_t> IPRES;   // 10 work: per-component presence flags
  std::int32_t IFFAIL = 0;         // 11 out: 0 solved, 1 failed (10 from the pure-component path)
  std::int32_t KCDRV = 0;          // 12 derivative request word of KCALC
  std::int32_t IFIXLW = 0;         // 13 HeldFraction
  std::int32_t KXOPT = 1;          // 14 in/out: 1 fresh start, 2 reuse the K-values
  std::int32_t KXNEW = 1;          // 15 out: incipient-phase rebuild state (1, 3, 2)
  std::int32_t KTRIV = 0;          // 16 0 enables the acceptance test of a trivial solution
  double TRATE = 0.0;              // 17 feed rate, kg-mol/s
  std::span<double> Z;             // 18 feed (changed during FLSCMP and given back)
  std::span<double> X;             // 19 out: hydrocarbon liquid
  std::span<double> Y;             // 20 out: vapour
  std::span<double> XK;            // 21 in/out: K-values y/x
  std::span<double> XSTOR;         // 22 work: x of the previous pass
  std::span<double> YSTOR;         // 23 work: y of the previous pass
  double T = 0.0;                  // 24 K
  double P = 0.0;                  // 25 kPa
  double GFLSH = 0.0;              // 26 out: the phase-fraction function at the last split
  double GTOL = 0.0;               // 27 tolerance on GFLSH
  double FTOTLQ = 0.0;             // 28 in/out: total liquid fraction
  double FLIQHC = 0.0;             // 29 in/out: hydrocarbon-liquid fraction
  double FWATER = 0.0;             // 30 in/out: free-water fraction
  double FVAPOR = 0.0;             // 31 in/out: vapour fraction
  std::span<double> DXNEW;         // 32 work: latest change of x
  std::span<double> DXOLD;         // 33 work: previous change of x
  std::span<double> DYNEW;         // 34 work: latest change of y
  std::span<double> DYOLD;         // 35 work: previous change of y
  std::span<double> XKSTOR;        // 36 work: K-values of the previous pass
  double GFLABS = 0.0;             // 37 out: |GFLSH|
  double VARITR = 0.0;             // 38 out: the caller's iteration variable (T or P)
  double VARSTP = 0.0;             // 39 out: its largest step, DVSTEP(ITPFIX)
  std::array<double, 2> DVSTEP{};  // 40 in/out: largest steps of T (caller's) and P (set)
  double ZWFEED = 0.0;             // 41 feed water mole fraction
  double ZV = 0.0;                 // 42 out: vapour compressibility factor
  double ZL = 0.0;                 // 43 out: liquid compressibility factor
  std::span<const double> TCRIT;   // 44 per-component temperature bounds (Tc)
  std::int32_t KLLE = 0;           // 45 handed to KCALC
};

// Values of IFFAIL.
inline constexpr std::int32_t kFlashSolved = 0;
inline constexpr std::int32_t kFlashFailed = 1;
inline constexpr std::int32_t kFlashPureComponent = 10;   // solved on the pure-component path
inline constexpr std::int32_t kFlashFailedQuietly = 111;  // FLASHN: failed, no notes

// True when every value of V is a finite number (no NaN, no infinity): the test the
// isothermal algorithms put their K-values to before a split. K-values that fail it give
// IFFAIL 1, so that the router falls back rather than take compositions that are not
// numbers.
inline bool allFinite(std::span<const double> v) {
  return std::all_of(v.begin(), v.end(), [](double e) { return std::isfinite(e); });
}

// The pressure step of the caller's iteration variable: f·P with f by the pressure in psia
// p = P/6.89478: 0.05 above 2000; 0.1 + 5e-5 (1000 - p) above 1000; 0.2 + 2e-4 (500 - p)
// above 500; 0.5 - 6e-4 p otherwise. Sets VARITR, DVSTEP(2) and VARSTP when ITPFIX > 0.
void setIterationStep(IsothermalFlash& a);

}  // namespace flash
