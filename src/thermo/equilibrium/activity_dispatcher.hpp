// The activity-coefficient route of the liquid fugacity: ACCALC, which calls the activity
// model of the method code and adds the pure-liquid reference terms (vapour pressure,
// Poynting factor, fugacity coefficient of the saturated vapour); the common calling
// convention of the activity models with their temperature-cache rule; POYNTC and GAMEOS.
//
// Units: T in K, P in kPa, liquid molar volumes in m3/kmol, R = 8.314471 kJ/(kmol K).
// Composition matrices are stored by columns, element (i, j) at (j - 1) NCL + i.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <span>

#include "methods/methods.hpp"

namespace equilibrium {

// =======================================================================================
// Codes, words and messages
// =======================================================================================

// Message of an activity method code that no model serves; integer parameter 1 the code.
inline constexpr std::int32_t kMessageActivityCode = 1990020001;

// The status of a model (or of the saturated-vapour term) that refuses the request.
inline constexpr std::int32_t kRefusedStatus = 100;

// Stops the run in ROUTINE's "KC" abort "ACTIVITY ARRAY TOO SHORT" (items ARRAY, the
// argument's position, SIZE and NEEDED) when an array holds HAVE < NEED values.
void requireActivityArray(std::string_view routine, std::size_t have, std::size_t need,
                          std::int32_t array);

// The report line of a temperature-derivative request that a model does not give:
// " NAME   : KTDERV = <units digit of REQUEST> OPTION NOT AVAILABLE".
void reportRefusedDerivative(std::string_view name, std::int32_t request);

// The activity models, by the method codes that select them.
enum class ActivityModel : std::int32_t {
  None = 0,
  Nrtl = 1,               // 401, 501
  Uniquac = 2,            // 403
  Wilson = 3,             // 404
  GroupContribution = 4,  // 405, 412 to 415
  RegularSolution = 5,    // 406, 120
  FloryHuggins = 6,       // 407, 513
  Segment = 7,            // 409, 514
  VanLaar = 8,            // 410
  Margules = 9,           // 411
};

// The model of activity method CODE; None for a code outside the table.
ActivityModel activityModelOf(std::int32_t code);

// Whether the library holds the routine of MODEL (every model of the table).
bool activityModelAvailable(ActivityModel model);

// Words of the method's integer control array ICTL (1-based).
namespace activityctl {
inline constexpr std::size_t kOption = 2;      // model option, meaning per model
inline constexpr std::size_t kDebug = 3;       // above 0: ACCALC writes its dump
inline constexpr std::size_t kDumpUnit = 4;    // the unit of the dump
inline constexpr std::size_t kCacheMode = 5;   // 1 recompute every call, 2 temperature stamp
inline constexpr std::size_t kCacheValid = 6;  // set to 1 by the first computation in mode 2
}  // namespace activityctl

// Words of the current set's header (integer sector 1 of the set block).
inline constexpr std::int32_t kLiquidVolumeSourceWord = 9;  // 1, 302/305, other
inline constexpr std::int32_t kSaturatedVapourWord = 24;    // nonzero: the vapour term is on

// Liquid-volume sources of the Poynting term.
inline constexpr std::int32_t kVolumeFromCorrelation = 1;  // correlation 1231
inline constexpr std::int32_t kVolumeRackett = 302;
inline constexpr std::int32_t kVolumeRackettAlternate = 305;

// Component real sectors of the Rackett parameter and of the constant liquid molar volume
// (m3/kmol).
inline constexpr std::int32_t kRackettSector = 10;
inline constexpr std::int32_t kLiquidVolumeSector = 11;

// The cache rule of the models that keep temperature-dependent terms: recompute when the
// mode is 1, or VALID is 0, or VALID is 1 and T differs from STAMP (RELCMP). When
// recomputing in mode 2, VALID becomes 1 and STAMP T. A mode other than 1 or 2 with VALID 0
// recomputes on every call without stamping; a VALID other than 0 or 1 never recomputes.
//   mode   in      ICTL word 5
//   valid  in/out  ICTL word 6
//   stamp  in/out  the temperature stored behind the cached terms, K
//   t      in      K
// Returns whether the terms must be computed now.
bool activityCacheStale(std::int32_t mode, std::int32_t& valid, double& stamp, double t);

// =======================================================================================
// The common model interface
// =======================================================================================

// The arguments of one activity-model call. Every model reads the inputs it needs, writes
// LNGAM and, by the request word, DLNGDT, DIAGONAL and DLNGDX, and sets GERT = G^E/(R T)
// and HERT2 = -d(G^E/(R T))/dT. STATUS is set to kRefusedStatus by a model that refuses the
// tens digit of the request word (only the models that compute clear it to 0).
struct ActivityModelCall {
  std::span<const double> x;  // liquid mole fractions (NCL)
  double t = 0.0;             // K
  double p = 0.0;             // kPa
  std::int32_t ncl = 0;
  std::int32_t request = 0;       // KTDERV
  std::span<double> param;        // PARAM (S3)
  std::span<std::int32_t> ictl;   // ICTL (S4)
  std::span<double> cache;        // CACHE
  std::span<std::int32_t> iaux2;  // passed through
  std::int32_t realWork = 0;      // S1: reals of WORK the model may use
  std::int32_t integerWork = 0;   // S2: integers of IAUX1
  std::int32_t realStart = 0;     // S5, S6: starts of the parameter regions in the set
  std::int32_t integerStart = 0;
  std::span<double> work;               // WORK
  std::span<std::int32_t> iaux1;        // IAUX1
  std::span<double> lngam;              // out ln gamma (NCL)
  std::span<double> dlngdt;             // out d ln gamma/dT (NCL)
  std::span<double> diagonal;           // out the diagonal of DLNGDX (group contribution only)
  std::span<double> dlngdx;             // out composition derivatives (NCL x NCL)
  std::span<const std::int32_t> iflag;  // the caller's phase flags, not read by the models
  double gert = 0.0;
  double hert2 = 0.0;
  std::int32_t status = 0;
  std::int32_t code = 0;         // the method code (read by the regular-solution models)
  std::int32_t waterNumber = 0;  // the water component number of the set, 0 = none
};

// Regular-solution models 120 and 406 (and, once present, the Flory-Huggins models 407 and
// 513): GERT = HERT2 = 0; the tens digit of the request refuses (status 100 and the line
// " VTUNIQ : KTDERV = d OPTION NOT AVAILABLE" to the report unit); else GAMREG with the
// option ICTL word 2, PARAM holding V (m3/kmol) then delta ((cal/cm3)^0.5) for 406, and
// for 120 the delta blocks at 6n+1 (water-poor liquid) and 7n+1 (water-rich, x_w > 0.3)
// with V at 5n+1; code 120 with x_w <= 0.3 above 491.67 R replaces delta of water by
// 31.6 - 0.0163 T_R for the call. Composition derivatives when the hundreds digit is set.
// No aborts of its own beyond "KC" "GAM406" "PARAMETER ARRAY TOO SHORT" (items NEEDED, HAVE).
// Codes 407 and 513: PARAM holds V (m3/kmol), delta ((cal/cm3)^0.5), then the pair blocks A
// and B (n x n, only i < j read; a pair with both below -1e35 has no parameters), by K407KR.
void GAM406(ActivityModelCall& call);

// The segment model 409 and 514 (activity_segment.cpp gives the equations): PARAM holds A, B
// and C (n x n, only i < j read; the lower triangles receive a_ij(T) and da_ij/dT), then
// the segment factors p (n); WORK (4n) the segment numbers, their temperature derivatives,
// the volume fractions and theirs. The temperature derivatives are always formed; the
// composition derivatives (hundreds digit) are d ln gamma_i/d x_j, mole fractions
// independent. The liquid molar densities come from correlation 1231 (XPCALC).
// Aborts: "KC" "GAM409" "ACTIVITY ARRAY TOO SHORT"; those of XPCALC.
void GAM409(ActivityModelCall& call);
void K409KR(std::int32_t nder, std::int32_t n, double t, std::span<const double> x,
            std::span<double> lngam, std::span<double> dlngdt, std::span<double> dlngdx,
            double& gert, double& hert2, std::span<const double> p, std::span<double> a,
            std::span<double> b, std::span<const double> c, std::span<double> w1,
            std::span<double> w2, std::span<double> w3, std::span<double> w4);

// The Flory-Huggins kernel of codes 407 and 513 (flory_huggins.cpp gives the equations).
//   istat  out  0
//   nder   in   N: composition derivatives (d ln gamma_i/d x_j at (j - 1) N + i, exact,
//               mole fractions independent); otherwise only DLNGDX(1) = 0
//   n, t, x in  component count, K, mole fractions
//   lngam, dlngdt out  ln gamma and its temperature derivative (exact)
//   v, delta, a, b in  volumes (m3/kmol), solubility parameters, pair blocks (n x n)
void K407KR(std::int32_t& istat, std::int32_t nder, std::int32_t n, double t,
            std::span<const double> x, std::span<double> lngam, std::span<double> dlngdt,
            std::span<double> dlngdx, std::span<const double> v, std::span<const double> delta,
            std::span<const double> a, std::span<const double> b);

// The Wilson model 404: PARAM holds A(i,j) (K; n x n) then the liquid molar volumes V
// (n, only their ratios count); CACHE Lambda = V_j/V_i exp(-A/T) (1.0 for A above 1.0E35),
// dLambda/dT, and the stamp at 2n^2+1; WORK S_i = sum_j x_j Lambda_ij and their slopes.
// ICTL word 2 = 1 takes PARAM's A as Lambda itself (unit diagonal, no T dependence).
// DLNGDX (hundreds digit of the request) holds d ln gamma_i/d x_j with the mole fractions
// as independent variables. The tens digit refuses (status 100 and the line
// " VTWILS : KTDERV = d OPTION NOT AVAILABLE" to the report unit).
// Aborts: "KC" "VTWILS" "ACTIVITY ARRAY TOO SHORT" (items ARRAY, SIZE, NEEDED).
void VTWILS(ActivityModelCall& call);

// The UNIQUAC model 403 (z = 10): PARAM holds A and B (n x n each), q (combinatorial
// surface), q' (residual surface) and r (volume), n each; ICTL word 2 the form of tau
// (1: exp(-(A/T + B)); 2: exp(-A/(T B)); 3: exp(-A/T); another form keeps the cached tau);
// CACHE tau, dtau/dT and the stamp at 2n^2+1; WORK S_i and dS_i/dT. DLNGDX (hundreds
// digit) holds d ln gamma_i/d n_j at one mole in total (exact with q' = q). The tens digit
// refuses (status 100 and the line " VTUNIQ : KTDERV = d OPTION NOT AVAILABLE").
// Aborts: "KC" "VTUNIQ" "ACTIVITY ARRAY TOO SHORT" (items ARRAY, SIZE, NEEDED).
void VTUNIQ(ActivityModelCall& call);

// The van Laar model 410 and the Margules model 411, both without temperature dependence:
// PARAM holds A (n x n) then B (n x n); for 410 B(i,j) = A(i,j)/A(j,i) with a unit diagonal
// gives the two-component van Laar equation, for 411 B holds the quartic constants. HERT2
// and (units digit of the request) DLNGDT are 0; the tens digit is ignored; DLNGDX holds
// d ln gamma_i/d x_j (410 with the mole fractions independent) only when the hundreds
// digit is exactly 1, or always for a single component. WORK: 2n reals (410), 3n (411).
// ICTL and CACHE are not used. A zero sum S_i of 410 is not guarded.
// Aborts: "KC" "GAM410"/"GAM411" "ACTIVITY ARRAY TOO SHORT" (items ARRAY, SIZE, NEEDED).
void GAM410(ActivityModelCall& call);
void GAM411(ActivityModelCall& call);

// =======================================================================================
// Pure-liquid terms
// =======================================================================================

// The Poynting correction of components 1..N:
//   lnpoy_i = (P - Psat_i) V_i/(R T),
//   dlnpoy_i = ((P - Psat_i) dV_i/dT - V_i dPsat_i/dT)/(R T) - lnpoy_i/T (when D is not 0).
//   n in; p (kPa), t (K) in; psat (kPa), dpsat (kPa/K), v (m3/kmol), dvdt in (N);
//   lnpoy out; dlnpoy out (D not 0); d in
void POYNTC(std::int32_t n, double p, double t, std::span<const double> psat,
            std::span<const double> dpsat, std::span<const double> v, std::span<const double> dvdt,
            std::span<double> lnpoy, std::span<double> dlnpoy, std::int32_t d);

// ln phi of each pure component 1..NCP as a vapour at T and its vapour pressure PSAT(i),
// and d ln phi/dT (at fixed pressure; for the virial method 210 with dPsat/dT included),
// by the vapour fugacity method CODE whose block is held (LDSTAT). Routes: the cubic codes
// (MTISA), 110, 125 to 128 (evaluated at the pure composition), 210 (B_ii from VRBIJC,
// ln phi = B_ii Psat/(R T)), 115 (HOCFUG) and 123 (ASCFUG, values only: its derivative is
// written as 0.0). A component whose flag is 0 or less in the cubic route gets ln phi = 0
// and derivative -10. STATUS is 0, or kRefusedStatus (nothing written) for any other code.
// Writes flash work arrays 17 (scratch of the temperature derivatives) and 24.
//   code in; d in (1: derivatives); t (K) in; ncp in; psat (kPa), dpsat (kPa/K) in;
//   iflag in (NCP, empty: all 1); lnphis, dlnphs out; status out
void GAMEOS(std::int32_t code, std::int32_t d, double t, std::int32_t ncp,
            std::span<const double> psat, std::span<const double> dpsat,
            std::span<const std::int32_t> iflag, std::span<double> lnphis, std::span<double> dlnphs,
            std::int32_t& status);

// =======================================================================================
// ACCALC
// =======================================================================================

// ln(f_i/x_i) of every liquid component (f in kPa) by the activity method of KMDESC:
//   FLNX_i = ln Psat_i + ln gamma_i [+ ln Poynting_i] [+ ln phi_sat,i]   (i <= NCP),
//   FLNX_i = ln gamma_i                                                   (NCP < i <= NCL),
// NCP = the property-loop count and NCL = the liquid-loop count of COHDR. Psat and dPsat/dT
// come from TPCACH. The units digit 1 of the option word of KMDESC adds the Poynting term
// (volumes by header word 9 of the set: 1 correlation 1231, 302/305 Rackett from the
// constants with Zc for a missing ZRA, else the constant liquid volume); the tens digit 1
// with the set's saturated-vapour switch on adds ln phi of the pure saturated vapour by the
// set's vapour fugacity method (THDXCH, block loaded by MDLOD7). G^E/(R T) and H^E/(R T^2) of
// the model go to PMCTL2. A debug level above 0 (ICTL word 3) writes a dump to ICTL word 4.
//   t, p        in      K, kPa
//   x           in      liquid mole fractions (NCL)
//   param       in/out  model parameters (the group-contribution model writes psi there)
//   ictl        in/out  integer control words of the method
//   iflag       in      the caller's per-component phase flags
//   n           in      not read
//   s1 .. s6    in      work and parameter lengths and starts (ActivityModelCall)
//   kmdesc      in      the liquid fugacity entry: method code and option word
//   ktderv      in      request word: units 1 temperature derivatives; tens 1 a kind that
//                       some models refuse; hundreds composition derivatives
//   work, iaux1 work    the model's work areas
//   cache       in/out  the model's temperature-dependent terms with their stamp
//   iaux2       in      passed through
//   flnx        out     ln(f/x) (NCL)
//   dflnx       out     d ln(f/x)/dT when the units digit of KTDERV is 1
//   lngam, dlngdt out   ln gamma and its temperature derivative
//   diagonal    out     dln(gamma_i)/dx_i of the group-contribution model (tens digit 1)
//   dlngdx      out     composition derivatives by the model's convention
//   lnpoy .. dlnphs work pure-liquid terms (NCP each)
//   istat       out     0, or 100 when the model or the saturated-vapour term refused (a
//                       refusal of the model is cleared when the saturated-vapour term runs)
// Aborts: message 1990020001 through MSGABT ("ACCALC") for a code outside the table;
// "KC" "ACCALC" "ACTIVITY ARRAY TOO SHORT" (items ARRAY: the argument's position, SIZE,
// NEEDED) for a short array;
// those of the models, TPCACH, XPCALC and the loaders.
void ACCALC(double t, double p, std::span<const double> x, std::span<double> param,
            std::span<std::int32_t> ictl, std::span<const std::int32_t> iflag, std::int32_t n,
            std::int32_t s1, std::int32_t s2, std::int32_t s3, std::int32_t s4, std::int32_t s5,
            std::int32_t s6, const methods::MethodEntry& kmdesc, std::int32_t ktderv,
            std::span<double> work, std::span<std::int32_t> iaux1, std::span<double> cache,
            std::span<std::int32_t> iaux2, std::span<double> flnx, std::span<double> dflnx,
            std::span<double> lngam, std::span<double> dlngdt, std::span<double> diagonal,
            std::span<double> dlngdx, std::span<double> lnpoy, std::span<double> dlnpoy,
            std::span<double> vliq, std::span<double> dvliq, std::span<double> lnphis,
            std::span<double> dlnphs, std::int32_t& istat);

}  // namespace equilibrium
