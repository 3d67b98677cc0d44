// The general flash FLASHG: the driver that fixes any pair of state variables (temperature
// and pressure, enthalpy or entropy with one of them, a phase fraction, a water dew point
// or a specification record), with its own outer iteration on temperature or pressure, and
// the small routines of that iteration (HSPTST, SSPTST, VARLIM, TPCLMP, FLSDBG). Included
// by flash.hpp.
//
// Units: K, kPa, kJ/kmol, kJ/(kmol K); fractions are moles per mole of feed.
#pragma once

#include <cstdint>
#include <span>

namespace flash {

// Flash types of FLASHG (KFTYPE).
enum class FlashType : std::int32_t {
  Isothermal = 1,     // "ISOT"
  Adiabatic = 2,      // "ADIA"
  Isentropic = 3,     // "ISEN"
  Enthalpy = 4,       // "HOTV"
  LiquidFraction = 5, // "LFRA"
  HydrocarbonLiquid = 6,  // "HCFR"
  VapourFraction = 7, // "VFRA"
  Dew = 8,            // " DEW"
  WaterDew = 9,       // "DEWW"
  HydrocarbonDew = 10,  // "DEWH"
  Bubble = 11,        // "BUBB"
  Specification = 12, // "SPEC"
};

// Messages of the general flash.
inline constexpr std::int32_t kMessageOutOfRange = 1000001020;
inline constexpr std::int32_t kMessageSpecificationNotSolved = 1000001030;
inline constexpr std::int32_t kMessageFlashNotSolved = 1000001040;

// The trial limits of the outer iteration: marching trials before the residual changes
// sign, bracketed trials after it, and the bound on the passes of one call (the march and
// two bracketed runs, one after the single switch to fraction iterations and one after a
// switch back).
inline constexpr std::int32_t kMarchLimit = 50;
inline constexpr std::int32_t kBracketLimit = 30;
inline constexpr std::int32_t kPassLimit = kMarchLimit + 2 * kBracketLimit;

// The arguments of FLASHG, by name, in their order. The stream is the current one (pointer
// set 2): its header words h(k) are read and written directly, and its vapour and liquid
// vectors receive Y and X before each evaluation of the totals.
struct GeneralFlash {
  std::int32_t KFTYPE = 1;        // 1 flash type (FlashType)
  std::int32_t IOUT1 = -1;        // 2 report unit word; not used
  std::int32_t IOUT2 = -1;        // 3 standard-output unit word, handed to the flashes
  std::int32_t NC = 0;            // 4 components taking part
  std::int32_t NCOMP = 0;         // 5 full component count c(28)
  std::int32_t KOPT2 = 0;         // 6 in/out: start from the previous solution; may be cleared
  std::int32_t IDEBUG = 0;        // 7 debug level of the caller
  std::int32_t IEOS = 0;          // 8 FLSTAT word 6, the algorithm option
  std::int32_t IOPT7 = 0;         // 9 FLSTAT word 7, an option digit (read only)
  std::int32_t KXFLAG = 0;        // 10 FLSTAT word 5, the K-value mode of the flashes
  std::int32_t ISNO = 0;          // 11 stream number
  std::int32_t ISAVE1 = 0;        // 12 first solids save-stream, 0 without solids
  std::int32_t ISAVE2 = 0;        // 13 second solids save-stream
  std::int32_t MSGOFF = 0;        // 14 numbered messages only while 0
  std::int32_t ITPFIX = 0;        // 15 1 the iteration moves T, 2 it moves P, 0 none
  std::span<std::int32_t> IPRES;  // 16 integer work array of the flashes
  std::int32_t JERR = 0;          // 17 out: 0 solved, 1 failed
  std::int32_t ISPEC = 0;         // 18 specification record (type 12), else 0
  std::int32_t ISPCOD = 0;        // 19 specification code
  std::int32_t KOPT1 = 0;         // 20 units option digit, passed on
  std::int32_t IPASS = 0;         // 21 not used
  std::span<double> Z;            // 23 feed mole fractions (NCOMP); the flashes change it
                                  //    for a while and give it back
  std::span<double> X;            // 24 in/out: hydrocarbon liquid
  std::span<double> Y;            // 25 in/out: vapour
  std::span<double> XK;           // 26 in/out: K-values
  std::span<double> XSTOR;        // 27 work
  std::span<double> YSTOR;        // 28 work
  double T = 0.0;                 // 29 in/out: K
  double P = 0.0;                 // 30 in/out: kPa
  double GFLSH = 0.0;             // 31 out: the flash function of the last flash
  double GTOL = 0.0;              // 32 flash tolerance; restored on exit
  double FTOTLQ = 0.0;            // 33 in/out: total liquid fraction
  double FLIQHC = 0.0;            // 34 in/out: hydrocarbon-liquid fraction
  double FWATER = 0.0;            // 35 in/out: free-water fraction
  double FVAPOR = 0.0;            // 36 in/out: vapour fraction
  std::span<double> DXNEW;        // 37 work
  std::span<double> DXOLD;        // 38 work
  std::span<double> DYNEW;        // 39 work
  std::span<double> DYOLD;        // 40 work
  std::span<double> XKSTOR;       // 41 work
  double SPVALU = 0.0;            // 42 in/out: specification value
  double SPTOL = 0.0;             // 43 specification tolerance (>0 relative, <0 absolute,
                                  //    0 GTOL); restored on exit
  std::int32_t ISOLID = 0;        // 44 in/out: the caller's partly-solid flag
  double TSTART = 0.0;            // 45 in/out: start temperature of the fraction iteration
  double PSTART = 0.0;            // 46 in/out: start pressure of the fraction iteration
};

// FLASHG: flashes the current stream to the state that KFTYPE and the specification fix.
// Chooses an iteration option (0 one flash at T and P; 1 one fraction flash; 2 the water
// dew point; 3 an enthalpy or entropy given; 4 a specification on a held fraction), runs
// FLASTP for every flash at fixed T and P, keeps fractions and compositions consistent
// after each flash, evaluates the residual and iterates T, P or a fraction until it is met.
// The outcome is in JERR, the arguments and the stream header.
//   JERR 1: zero rate (no flash, no message); T or P outside 1-3000 K, 1e-4-1e10 kPa
//           (message 1000001020); the iteration's limits, among them more than kPassLimit
//           passes in all (message 1000001030, or 1000001040 for options 0 and 1).
// GTOL, SPTOL and diagnostic switch 37 get their entry values back on every exit.
void FLASHG(GeneralFlash& g);

// HSPTST: the enthalpy test of the current stream against SPVALU.
//   notcnv  out     1 when |ERROR| exceeds the tolerance used, else 0
//   spcalc  out     molar enthalpy h(12), or the whole stream's with its solids (ISAVE1 > 0:
//                   h(36) h(35) + h(11) h(12))
//   spvalu  in      the enthalpy to meet
//   error   out     SPCALC - SPVALU
//   gtol    in      flash tolerance, used (doubled for a two-phase stream) when SPTOL is 0
//   sptol   in/out  in the tolerance (>0 relative to a scale, <0 absolute), out the
//                   absolute tolerance used (sign kept)
//   isave1  in      solids save-stream; >= 1 scales by |SPVALU| alone
void HSPTST(std::int32_t& notcnv, double& spcalc, double spvalu, double& error, double gtol,
            double& sptol, std::int32_t isave1);

// SSPTST: the entropy test; as HSPTST with h(13), a relative tolerance scaled by SPVALU and
// no solids variant.
void SSPTST(std::int32_t& notcnv, double& spcalc, double spvalu, double& error, double gtol,
            double& sptol);

// VARLIM: the new temperature (ITPFIX 1) or pressure proposed as T or P brought into range:
// returned unchanged within 1-3000 K (1e-4-1e10 kPa), else the midpoint of XOLD and the
// bound it crossed, with COUNT raised by one.
double VARLIM(std::int32_t itpfix, double t, double p, double xold, std::int32_t& count);

// TPCLMP: MODE <= 1 clamps T into 1-3000 K, MODE != 1 clamps P into 1e-4-1e10 kPa (MODE 0
// both). Returns true when a value was moved.
bool TPCLMP(std::int32_t mode, double& t, double& p);

// FLSDBG: VALUE = the call count of FLASHG; a place for a breakpoint on the call whose
// number equals diagnostic switch 52.
void FLSDBG(std::int64_t& value);

}  // namespace flash
