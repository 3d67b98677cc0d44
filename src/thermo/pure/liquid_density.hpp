// Liquid densities: the mixture sums of the pure-component constants, the generalized
// correlations (COSTALD, Rackett, the petroleum density of method 301), the loaders of the
// method parameter blocks, and the dispatcher that gives a liquid molar density for every
// liquid-density method code of the current method set.
//
// Units: K, kPa, m3/kmol, kmol/m3, R = 8.314471.
#pragma once

#include <cstdint>
#include <span>

namespace pure {

// =======================================================================================
// Mixture sums
// =======================================================================================

// Basis options of APICNV.
enum class MixtureBasis : std::int32_t {
  Amounts = 0,
  MolecularWeight = 1,
  SpecificGravity = 2,
  StandardDensity = 3,  // kg/m3
  ApiGravity = 4,
  StandardVolume = 5,  // m3/kmol
  CriticalTemperature = 101,
  CriticalPressure = 102,
  CriticalCompressibility = 103,
  AcentricFactor = 104,
  BoilingPoint = 105,
};

// Density of water at 60 F, kg/m3.
inline constexpr double kWaterStandardDensity = 999.014;

// A mixture value of the components IFIRST..ILAST by basis option, with (wet) and without
// (dry) the free-water component IW, from the pure-component constants of the component
// table. Negative amounts count as 0 except in option 0.
//   iopt in; ifirst, ilast in (1-based); iw in (0 none); x in (amounts, 1-based by
//   component: x[k - 1]); vdry, vwet, sdry, swet out
void APICNV(std::int32_t iopt, std::int32_t ifirst, std::int32_t ilast, std::int32_t iw,
            std::span<const double> x, double& vdry, double& vwet, double& sdry, double& swet);

// sum over i < NI and j < NJ of coef[NJ i + j] x^j y^i, 0^0 = 1.
double POLY2D(double x, double y, std::span<const double> coef, std::int32_t ni, std::int32_t nj);

// =======================================================================================
// Correlations
// =======================================================================================

// COSTALD (Hankinson-Thomson) with the Thomson-Brobst-Hankinson compressed-liquid
// correction: Z = P V/(R T) of the liquid.
//   t, p, nc in; y in (normalised); omega, pc in (component table); vstar (m3/kmol), tc,
//   omegaSrk in (method block); z out; istat out (1 when Tr lay outside [0.25, 1) and was
//   taken as 0.25 or 0.99)
void COSTLD(double t, double p, std::int32_t nc, std::span<const double> y,
            std::span<const double> omega, std::span<const double> vstar,
            std::span<const double> pc, std::span<const double> tc, double& z,
            std::span<const double> omegaSrk, std::int32_t& istat);

// The Spencer-Danner form of the Rackett equation with Chueh-Prausnitz mixing: V =
// R (sum y Tc/Pc) (sum y ZRA)^(1 + tau^(2/7)), tau = 1 - Tr (0.05 above Tr 0.95).
//   v out (m3/kmol); p not used
void RACKET(std::int32_t nc, std::span<const double> pc, std::span<const double> tc, double t,
            std::span<const double> zra, std::span<const double> vc, std::span<const double> y,
            double& v, double p);

// The petroleum liquid density of method 301 from the standard liquid volume and a
// generalized table in reduced temperature (at most 1) and reduced pressure.
//   rho out (kmol/m3; DMISS with istat 1 when the standard volume is not positive);
//   amount out: the amount sum of the dry mixture; iw in: the water component
void APIDEN(double t, double p, std::span<const double> y, std::int32_t nc, double& rho,
            double& amount, std::int32_t iw, std::int32_t& istat);

// =======================================================================================
// Method parameter blocks
// =======================================================================================

// Method classes (slots of the method set) that the loaders serve.
inline constexpr std::int32_t kLiquidDensityClass = 8;

// The two steps every loader of the family takes. setMethodScratch: the work lengths into
// PMCTL2 and the scratch bases into LDSTAT (the integer scratch at the work base, the real
// scratch just after it), the work area replaced by a larger one when the demand exceeds it.
// loadMethodBlock: the block at ADDRESS of LENGTH words read into the block area (replaced
// by a larger one when the block does not fit) and its first sectors described in LDSTAT,
// unless that block is held already or ADDRESS names none (NODISK, 0 or below).
void setMethodScratch(std::int32_t integerWords, std::int32_t realWords);
void loadMethodBlock(std::int32_t address, std::int32_t length);

// The block of method class K into the shared block area unless it is held already, its
// sector starts and lengths into LDSTAT and its work lengths into PMCTL2 with the scratch
// bases. MDLODC skips a class whose method needs no parameters (MTISB): both sizes 1, no
// block wanted. MDLODE loads without that test and writes the activity slot of KMCTL
// (method code, variant code, class).
void MDLODC(std::int32_t k);
void MDLODE(std::int32_t k);

// The liquid-density member of the loader family: work lengths of class 8, the block of
// PMCTL1's liquid-density entry (NODISK: the held address and the four sector words 0).
void LDWORK();

// =======================================================================================
// The dispatcher
// =======================================================================================

// Layouts of the method blocks that DNLIQ reads. Word numbers are 1-based 8-byte words of
// the block's first real sector (NC components, NP = max(1, NC(NC - 1)/2) pairs, NS =
// NC(NC + 1)/2) unless named integer words of its first integer sector.
//   302 (Rackett through CMPDER): Pc (1..NC), Tc (NC+1..), ZRA (2NC+1..)
//   303 (COSTALD): omega_SRK (1..NC), V* m3/kmol (NC+1..), Tc (2NC+1..)
//   305 (Rackett): ZRA (1..NC), Tc (NC+1..), Pc (2NC+1..), Vc m3/kmol (3NC+1..)
//   110: bwrBlockWords (bwr_eos.hpp); 203, 204, 211-214: csblock (corresponding_states.hpp)
//   125-128: eps (NS), sigma (NS), segment numbers (NC), kappa (NC; 125 and 127)
//   cubic codes (MTISA): cubicblock below
namespace cubicblock {
// Real words.
inline constexpr std::int32_t kU1 = 1;
inline constexpr std::int32_t kU2 = 2;
inline std::int32_t sqrtAc(std::int32_t /*nc*/) { return 3; }      // NC values
inline std::int32_t covolume(std::int32_t nc) { return nc + 3; }   // NC values
inline std::int32_t alpha(std::int32_t nc) { return 2 * nc + 3; }  // 3 x NC: m1 m2 m3
inline std::int32_t criticalTemperature(std::int32_t nc) { return 5 * nc + 3; }
inline std::int32_t pairs(std::int32_t nc) { return 6 * nc + 3; }
// Groups of pair coefficients: A, B, C of k = A + B/T + C/T^2 (each NP values for the codes
// with 3 groups, 2 NP values - k1 then k2 - for those with 6 or 8), and for 8 groups the
// exponents c1 then c2 (2 NP values). 0: the code has no cubic route.
constexpr std::int32_t groups(std::int32_t code) {
  switch (code) {
    case 101:
    case 102:
    case 108:
    case 124:
      return 3;
    case 111:
    case 114:
      return 6;
    case 109:
    case 112:
    case 116:
    case 117:
    case 121:
    case 122:
    case 502:
      return 8;
    default:
      return 0;
  }
}
// 108: the coefficients c_i (NC values) of the flagged component's term, after the groups;
// 124: 4 NC words after the groups, then the volume shifts c_i (NC values).
// Integer words: the alpha-form codes (1..NC); 108 the flagged component at NC+1. Three
// words are the temperature cache: state (2: keep the terms while T repeats), valid flag,
// count of evaluations; they are the last three integer words, except for 122, whose
// cache words are NC+1..NC+3, followed by the count of associating components at NC+4 and
// their indices from NC+5. The last real word holds the cached temperature.
inline constexpr std::int32_t kAssociatingCode = 122;
// The first of the three cache words of a block with INTEGERS integer words.
constexpr std::int32_t cacheWords(std::int32_t code, std::int32_t nc, std::int32_t integers) {
  return code == kAssociatingCode ? nc + 1 : integers - 2;
}
// 122: the count of associating components, and the word of the first one's index.
constexpr std::int32_t associatingCount(std::int32_t nc) { return nc + 4; }
constexpr std::int32_t associatingIndices(std::int32_t nc) { return nc + 5; }
// 109 and 112: the NRTL parameters (5 NC^2) and the NRTL work (4 NC^2 + 1) in the second
// real sector, the NRTL descriptor in the second integer sector.
}  // namespace cubicblock

// Status codes of DNLIQ.
enum class DensityStatus : std::int32_t { Done = 0, RouteFailed = 1, NoRoute = 2 };

// The message of a user-added method that does not serve a request.
inline constexpr std::int32_t kMessageUserRequest = 1990001251;

// The user-added liquid density of methods 901-915: Z of the liquid of composition X at T
// and P. flag 99: the method does not serve the request. Installed by the user-method
// interface of the phase-property subsystem.
using UserDensity = void (*)(std::int32_t code, std::int32_t nc, std::span<const double> x,
                             double t, double p, double& z, std::int32_t& flag);
void setUserDensity(UserDensity hook);

// Counters of the dispatcher, for the timing report and the tests.
struct DensityCounters {
  std::int64_t calls = 0;            // DNLIQ calls
  std::int64_t termEvaluations = 0;  // temperature terms of the cubic route evaluated
};
extern DensityCounters DNCNTS;

// The liquid molar density by the liquid-density method of the current method set.
//   nc in; t (K), p (kPa) in; x in (NC mole fractions; the water component of the set is
//   left out of the normalised composition); dens out (kmol/m3, DMISS when none);
//   ierr out (DensityStatus; RouteFailed also when an equation of state gives a Z that is
//   not a positive number, as a block holding an infinity or a NaN does)
// Aborts: those of the loaders, the mixing rules and the user-added method (message
// 1990001251 when it does not serve densities).
void DNLIQ(std::int32_t nc, double t, double p, std::span<const double> x, double& dens,
           std::int32_t& ierr);

// Method 110 for the density: Z of the phase from DN110 with request 4.
//   block in: the method-110 block; status out: 1 when no positive finite density came
//   out, else 0
void DN110W(double t, double p, std::span<const double> x, double& z, std::span<const double> block,
            std::int32_t nc, std::int32_t phase, std::int32_t& status);

// The corresponding-states methods for the density: Z of the phase from DNCORS with request
// 4; failure out as DNCORS's.
void DNCSW(double t, double p, std::span<const double> x, double& z, std::span<const double> block,
           std::int32_t nc, std::int32_t phase, std::int32_t code, std::int32_t& failure);

// The volume shift of method 124: zOut = zIn - (sum x_i c_i) P/(8.314 T).
void DNVIR(double zIn, double t, double p, std::int32_t nc, std::span<const double> c,
           std::span<const double> x, double& zOut);

// The null density method of the vapour driver: DENS and its derivative 0.0.
void DNNULL(double& dens, double& dDens);

}  // namespace pure
