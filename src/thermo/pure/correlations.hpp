// Temperature correlations of pure-component properties: the correlation records of a
// correlation set, the set made current from the problem's correlation-set list, the
// equation forms with their extrapolation and clamps, the evaluation for every component
// (XPCALC) with its cache of ideal-gas enthalpies, and the integrated heat-capacity forms
// (XPSVAP) with their mole-fraction sums.
//
// A correlation set is one sub-block: integer sector 1 the set header, 2 the component
// list, 3 the integer records, real sector 1 the real records. Temperatures are in K,
// pressures in kPa; a record states its own temperature unit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "problem/component_data.hpp"
#include "services/markers.hpp"

namespace pure {

// =======================================================================================
// Correlation records and set blocks
// =======================================================================================

// Coefficients of the equation forms 1-99.
inline constexpr std::int32_t kMaxCoefficients = 20;
// A code word at or below this marks a component without a correlation.
inline constexpr std::int32_t kNoCorrelationCode = 1000000;
// Code word = IDEQN * 1,000,000 + ITEMPC * 1,000 + ITEMPU; basis word = LOGBAS * 1,000,000
// + MOLBAS * 1,000 + three digits not read; table word = NPTS + 1,000 * TOFF.
inline constexpr std::int32_t kFormScale = 1000000;
inline constexpr std::int32_t kUnitScale = 1000;
// Equation forms 800-899 are tables of values at temperatures in K.
inline constexpr std::int32_t kFirstTableForm = 800;
inline constexpr std::int32_t kLastTableForm = 899;
// The temperature unit class.
inline constexpr std::int32_t kTemperatureClass = 1;
// MOLBAS of a record per unit mass.
inline constexpr std::int32_t kMassBasis = 2;

// Words of the integer part of a record.
namespace xpcrec {
inline constexpr std::int32_t kCodeWord = 1;
inline constexpr std::int32_t kBasisWord = 2;
inline constexpr std::int32_t kCountWord = 4;       // NOCOEF, or the table word
inline constexpr std::int32_t kRealOffsetWord = 5;  // ROFF in real sector 1
inline constexpr std::int32_t kIntegerWords = 5;
// Words of the real part, from real-sector word ROFF + 1 on. Values and slopes at the
// limits are in the result's units (after the factor), slopes per kelvin.
inline constexpr std::int32_t kFactor = 1;  // CXPCVF
inline constexpr std::int32_t kAuxiliary = 2;
inline constexpr std::int32_t kTmin = 4;  // in the record's unit; RMISS or less: none
inline constexpr std::int32_t kTmax = 5;
inline constexpr std::int32_t kValueAtTmin = 6;
inline constexpr std::int32_t kSlopeAtTmin = 7;
inline constexpr std::int32_t kValueAtTmax = 8;
inline constexpr std::int32_t kSlopeAtTmax = 9;
inline constexpr std::int32_t kHeaderReals = 9;
}  // namespace xpcrec

// Words of the set header (integer sector 1).
namespace xpshdr {
inline constexpr std::int32_t kListCount = 2;          // entries of the component list
inline constexpr std::int32_t kRecordCount = 3;        // MAXCIX
inline constexpr std::int32_t kRecordLength = 4;       // L, words of one integer record
inline constexpr std::int32_t kCoefficientOffset = 6;  // K, coefficients at ROFF + K + 1
inline constexpr std::int32_t kHeaderWords = 6;
}  // namespace xpshdr

// Correlation types with a meaning of their own here.
inline constexpr std::int32_t kIdealGasEnthalpy = 110;
inline constexpr std::int32_t kDriverEnthalpy = 211;
inline constexpr std::int32_t kSolidEnthalpy = 311;
inline constexpr std::int32_t kVapourPressure = 1001;
inline constexpr std::int32_t kLiquidDensity = 1231;
inline constexpr std::int32_t kSolidDensity = 1331;

// Extrapolation outside TMIN..TMAX.
enum class Extrapolation : std::int32_t { TypeDefault = 0, Linear = 1, Logarithmic = 2 };

// Range status of XPEVAL.
enum class RangeStatus : std::int32_t { BelowTmin = -1, Inside = 0, AboveTmax = 1 };

// Numbered messages.
inline constexpr std::int32_t kMessageSetMissing = 1990002100;
inline constexpr std::int32_t kMessageFormNotAvailable = 1990002102;
inline constexpr std::int32_t kMessageFormUndefined = 1990002103;

// Slots of the correlation routines in TIMST2: calls and seconds of XPCALC and XPCACH, and
// the XPCALC calls and seconds spent inside XPCACH.
inline constexpr std::size_t kTimingSlotXPCALC = 21;
inline constexpr std::size_t kTimingSlotXPCACH = 22;
inline constexpr std::size_t kTimingSlotXPCACHInner = 23;

// XPSTAT: the current correlation set, written only by XPSETF (publishCurrentSet). Starts
// are core indexes: element i of an integer sector at integer word start + i, of the real
// sector at W(start + i).
struct CurrentCorrelationSet {
  std::int32_t headerStart = 0;        // LXPHDR: integer sector 1
  std::int32_t listStart = 0;          // LXPCMP: integer sector 2, the component list
  std::int32_t recordStart = 0;        // LXPIRC: integer sector 3, the integer records
  std::int32_t realStart = 0;          // LXPRRC: real sector 1
  std::int32_t recordLength = 0;       // NXPIRL: header word 4
  std::int32_t coefficientOffset = 0;  // LXPCOF: header word 6
  std::int32_t recordCount = 0;        // NXPENT: header word 3 (MAXCIX)
  std::int32_t listCount = 0;          // NXPCMP: header word 2
  std::int32_t type = 0;               // KXPTYP: the pair now current; 0 0 after the open
  std::int32_t set = 0;                // KXPSET
  std::int32_t realLength = 0;         // 8-byte words of real sector 1
  // The correlation-set buffer: the 8-byte index (elements W(area + 1) on) and length of
  // the area the blocks are read into. NOCORE: none yet; XPSETF gets one of its own, and a
  // larger one of its own when a block does not fit.
  std::int32_t bufferArea = services::NOCORE;
  std::int32_t bufferReals = 0;
  bool ownsBuffer = false;
  // The generation of the correlation-set list the set was read from: a set read before the
  // list changed is read again.
  std::uint32_t listGeneration = 0;
};
extern CurrentCorrelationSet XPSTAT;

// XPCAUX: word 2 of the real part of the record evaluated last.
extern double XPCAUX;

// XPCWRD: the cache of XPCACH. The values and derivatives are kept in the two vectors,
// which grow to the component count once and are not reallocated afterwards; when the
// open names the flash work arrays of the ideal-gas values and heat capacities (8-byte
// indexes, elements W(index + i)), each evaluation is also copied there.
struct IdealGasCache {
  double temperature = services::DMISS;            // of the last evaluation
  double derivativeTemperature = services::DMISS;  // of the last one with derivatives
  std::int32_t methodSet = services::IMISS;        // current then
  std::vector<double> values;
  std::vector<double> derivatives;
  std::int32_t valueArray = services::NOCORE;
  std::int32_t derivativeArray = services::NOCORE;
};
extern IdealGasCache XPCWRD;

// The state of the correlation routines with nothing held: no set current, no buffer,
// XPCAUX 0, the cache invalid. Each problem open starts from it, with the open's real work
// area 2 as the buffer (the list XPSETL is read by the open itself).
void resetCorrelationState();

// =======================================================================================
// Units, forms, extrapolation and clamps
// =======================================================================================

// Conversion between the temperature unit of a record and kelvin: T_K = A T + B and
// T = C T_K + D. Only ITEMPC 1 with the unit code of Celsius, Rankine or Fahrenheit (words
// 2-4 of UOMCOD; a code word of 0 matches nothing) converts; anything else is kelvin.
void XPTUNI(std::int32_t itempc, std::int32_t itempu, double& a, double& b, double& c, double& d);

// Evaluates equation form IDEQN (1-99; 1000 or more by its last two digits) at TEMP.
//   itempc, itempu  unit class and code of the record's temperature unit (XPTUNI)
//   nocoef, coef    the coefficients C1..C20, zero beyond NOCOEF
//   temp            temperature in the record's unit
//   tmax, tmin      validity limits in the record's unit; RMISS or less: none
//   ifdrv           > 0: the derivative is wanted
//   cxpcvf          factor of value and derivative (forms 47 and 48 ignore it)
//   cxpval          out: value x CXPCVF
//   cxpdrv          out: derivative per kelvin x CXPCVF (only when IFDRV > 0)
//   tc, pc, tb      critical temperature (K), critical pressure (kPa), normal boiling
//                   point (K) of the component
//   logbas          2: the logarithmic forms use decimal logarithms; otherwise natural
//   istat           out: RangeStatus; outside the range nothing else is written
// An undefined form writes three lines to the report unit and stops the run with message
// 1990002103; a form known but not implemented (6, 18, 23, 24, 28, 29, 31) with 1990002102.
void XPEVAL(std::int32_t ideqn, std::int32_t itempc, std::int32_t itempu, std::int32_t nocoef,
            std::span<const double, kMaxCoefficients> coef, double temp, double tmax, double tmin,
            std::int32_t ifdrv, double cxpcvf, double& cxpval, double& cxpdrv, double tc, double pc,
            double tb, std::int32_t logbas, std::int32_t& istat);

// Extrapolates from the limit TLIM (record unit) with value VLIM and slope SLIM per kelvin
// to TEMP (record unit). IEXTRP 2: ln V linear in 1/T (VLIM <= 0 gives V = 0 and leaves
// CXPDRV alone); any other: linear in T (SLIM <= RMISS counts as no slope).
void XPEXTR(std::int32_t itempc, std::int32_t itempu, std::int32_t iextrp, double vlim, double slim,
            double tlim, double temp, double& cxpval, double& cxpdrv);

// Clamps a value by property kind, ICODE = correlation type / 100: below 9 nothing; 9 a
// floor of 0, 19 of 1.0E-30, every other code of 9 or more of 1.0E-10; 10 also a cap of
// 1.0E8. A clamped value gets the derivative 0.
void XPCLMP(std::int32_t icode, double& cxpval, double& cxpdrv);

// =======================================================================================
// Correlation sets
// =======================================================================================

// Makes set NXPSET of type IXPTYP current. FOUND: IXPTYP when the pair is already current,
// else the position of its key in XPSETL (the last one when repeated), 0 when absent (then
// nothing changes). A found set's block is read into the correlation-set buffer.
// The third argument is not read. An inconsistent block is the "XP" abort
// "CORRELATION SET BLOCK INVALID".
void XPSETF(std::int32_t ixptyp, std::int32_t nxpset, std::int32_t unused, std::int32_t& found);

// Whether the problem holds set NXPSET of correlation type IXPTYP; changes nothing. A caller
// that must not stop the run asks this before XPCALC, which stops it for a missing set.
bool hasCorrelationSet(std::int32_t ixptyp, std::int32_t nxpset);

// Makes the block of the current sub-block (SBCUR) the current correlation set of the pair
// (IXPTYP, NXPSET): its sector starts and header words go to XPSTAT after a check of the
// header against the sectors.
void publishCurrentSet(std::int32_t ixptyp, std::int32_t nxpset);

// A pure-component constant of component COMP from the component data; RMISS when the
// sector is not in core or COMP is not above 0.
double componentConstant(problem::ComponentReal sector, std::int32_t comp);

// =======================================================================================
// Evaluation
// =======================================================================================

// Evaluates correlation type IXPTYP of set NXPSET at TEMPSU (K).
//   ncomps   length of the result arrays; the highest component served
//   iconly   0: every component of the set; c: component c only, when NCOMPS is 1
//   ifdrv    > 0: derivatives per K into CXPDRV
//   iextrp   Extrapolation; 0: logarithmic for 1001, 1222, 1902, 1907, else linear
//   pressu   kPa; only shown in the dump
//   cxpval   out: values by component (solid types by position in the solid range;
//            single-component calls at position 1); 0 for a component without a record
//   cxpdrv   out: derivatives likewise
// A missing set stops the run with message 1990002100 (integer parameter 1 = IXPTYP).
void XPCALC(std::int32_t ixptyp, std::int32_t nxpset, std::int32_t ncomps, std::int32_t iconly,
            std::int32_t ifdrv, std::int32_t iextrp, double tempsu, double pressu,
            std::span<double> cxpval, std::span<double> cxpdrv);

// Ideal-gas enthalpies (type 110) of every component at T (K) into XPCWRD, with heat
// capacities when the units digit of IFDRV is not 0; evaluates only when the temperature
// or the current method set has changed since the cache was filled.
void XPCACH(std::int32_t ifdrv, double t, double p);

// Takes any arguments and does nothing.
template <typename... Args>
void XPNULL(Args&&...) {}

// =======================================================================================
// Integrated heat-capacity forms
// =======================================================================================

// Kinds of integrated correlation and their correlation types.
enum class IntegratedKind : std::int32_t { IdealGas = 1, Driver = 2, Solid = 4, SolidToo = 8 };

// Reference temperature of the integrated forms: one degree Rankine, in K.
inline constexpr double kReferenceTemperature = 0.5555555555555556;

// Entropy S = integral of Cp/T from the reference temperature to T of the components
// IC1..IC2 that have a record in the set of the kind's type, and dS/dT.
//   icodes   per-component state codes (not needed for the single integral)
//   kind     IntegratedKind; another kind is the "XP" abort "INTEGRATED KIND UNDEFINED"
//   iconly   the single component when IC1 = IC2, else 0 (not needed)
//   t, p     K and kPa (P only passed on)
//   ifdrv    > 0: dS/dT into DERIVS
//   values   out: S at position comp - IC1 + 1; untouched for a component without record
//   derivs   out: dS/dT likewise
// A form without an integrated form writes five lines to the report unit and stops the
// run through the abort report (failing routine XPSVAP, items IDEQN and COMP).
void XPSVAP(std::span<const std::int32_t> icodes, std::int32_t kind, std::int32_t ic1,
            std::int32_t ic2, std::int32_t iconly, double t, double p, std::int32_t ifdrv,
            std::span<double> values, std::span<double> derivs);

// Whether the problem holds the correlation set XPSVAP reads for KIND (the set MTSETN
// gives for the kind's type); XPSVAP stops the run without it.
bool hasIntegratedSet(std::int32_t kind);

// Mole-fraction sums of XPSVAP over IC1..IC2: SUM = sum x(k) S(k); DSUM = sum x(k) dS/dT(k)
// when IFDRV > 0 (XPMIX1), always (XPMIX2: derivatives are then 0 when not asked for).
// Arguments 9 and 12 are not read.
void XPMIX1(std::int32_t ic1, std::int32_t ic2, double t, double p, std::span<const double> x,
            double& sum, double& dsum, std::int32_t ifdrv, std::int32_t unused9,
            std::span<const std::int32_t> icodes, std::int32_t kind, std::int32_t unused12);
void XPMIX2(std::int32_t ic1, std::int32_t ic2, double t, double p, std::span<const double> x,
            double& sum, double& dsum, std::int32_t ifdrv, std::int32_t unused9,
            std::span<const std::int32_t> icodes, std::int32_t kind, std::int32_t unused12);

}  // namespace pure
