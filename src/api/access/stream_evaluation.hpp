// The on-demand stream property evaluation: SRPROP evaluates the mixture constants,
// densities, transport properties and special properties of a stream's phases into the
// stream's property records and marks each as evaluated; its bookkeeping (the evaluated
// flags), the mixture constants of a phase, and the special-property tables of a stream
// (STSPRP) with the request words that say which properties are asked for.
//
// The property records of a stream: record type 6 holds per phase the property vector of
// the phase with its free water (real sector phase + 1), record type 7 the vector of the
// phase without water (real sector phase + 1) and the evaluated flags (integer sector
// phase + 1). Phases: 0 the whole stream, 1 vapour, 2 liquid (hydrocarbon liquid and free
// water). Values are in internal units; a value that could not be evaluated is DMISS.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "services/one_based.hpp"

namespace api_access {

// Length of a phase property vector.
inline constexpr std::int32_t kPhaseProperties = 40;
using PhaseVector = std::array<double, kPhaseProperties>;  // position p at index p - 1

// Positions of a phase property vector.
namespace phaseprop {
inline constexpr std::int32_t kMolecularWeight = 5;
inline constexpr std::int32_t kCriticalTemperature = 6;
inline constexpr std::int32_t kCriticalPressure = 7;
inline constexpr std::int32_t kCriticalVolume = 8;
inline constexpr std::int32_t kCriticalCompressibility = 9;
inline constexpr std::int32_t kAcentricFactor = 10;
inline constexpr std::int32_t kStandardDensity = 11;
inline constexpr std::int32_t kDensity = 12;
inline constexpr std::int32_t kThermalConductivity = 13;
inline constexpr std::int32_t kViscosity = 14;
inline constexpr std::int32_t kSurfaceTension = 15;
}  // namespace phaseprop

// The evaluated flags of one phase: four words, one decimal digit per position. Position p
// lies in word p / 10 + 1 at digit p mod 10 (1 = units), a position ending in 0 in word
// p / 10 at digit 10. Digit 0: not evaluated; 1: evaluated.
using PhaseFlags = std::array<std::int32_t, 4>;

// SRPDEC: true when position IPROP (1 to 40) of FLAGS is not evaluated. A position outside
// 1..40 counts as not evaluated.
bool SRPDEC(const PhaseFlags& flags, std::int32_t iprop);

// SRPPOS: marks position IPROP (1 to 40) of FLAGS evaluated; outside 1..40 nothing changes.
void SRPPOS(PhaseFlags& flags, std::int32_t iprop);

// SRPREL: the mixture constants of a phase.
//   iwater  in   the method set's water component (stored position), 0 when it has none
//   x       in   the phase's water-free mole fractions by stored position
//   rate    in   the phase amount; rwater in: its water amount (same unit)
//   wet     out  positions 5 to 11 for the phase with its water
//   dry     out  positions 5 to 11 for the phase without water
//   flags   in/out  positions 5 to 11 marked evaluated
//   ierr    out  0 (no failure is reported: a constant that is missing makes its value
//                DMISS)
// Each sum takes the components with a positive fraction; a component whose constant is
// missing (not above RMISS) makes that value DMISS. Position 11, the standard liquid density
// MW / sum(x MW / SG), is a specific gravity of the component table converted with class 21
// to unit set 1. The wet values mix each dry value with the water component's own constant
// by the water fraction RWATER / RATE (the density through the mixed molar volume); a
// missing dry value leaves its wet position as it was.
void SRPREL(std::int32_t iwater, std::span<const double> x, double rate, double rwater,
            PhaseVector& wet, PhaseVector& dry, PhaseFlags& flags, std::int32_t& ierr);

// =======================================================================================
// The evaluation of a stream
// =======================================================================================

// Phase codes of SRPROP.
inline constexpr std::int32_t kWholeStream = 0;
inline constexpr std::int32_t kVapourPhase = 1;
inline constexpr std::int32_t kLiquidPhase = 2;
inline constexpr std::int32_t kAllPhases = 99;

// The request the readers make: every digit set (records paged in, densities, special
// properties).
inline constexpr std::int32_t kEvaluateAll = 111111111;

// Statuses of SRPROP.
enum class EvaluationStatus : std::int32_t {
  Evaluated = 0,
  PhaseFive = 5,         // phase code 5
  InvalidPhase = 6,      // any other phase code outside 0-4 and 99
  ZeroRate = 10,         // total rate not above the zero-rate threshold
  NoVapour = 11,         // vapour asked alone, the stream has none
  NoLiquid = 12,         // liquid asked alone, the stream has none
  NoStream = 100,        // the stream does not exist
  RegisteredOnly = 101,  // the stream's name is registered, it has no record
};

// Numbered message of a property record that can be neither loaded nor built (integer 1 the
// stream, integer 2 the failure status).
inline constexpr std::int32_t kMessageRecordUnavailable = 1990100000;

// SRPROP: evaluates the properties of stream N that are not yet evaluated, stores them in
// the stream's property records (types 6 and 7) and marks them.
//   ireq    in   request digits: units 2 the records are in core already (not paged in);
//                tens above 0 the densities; hundred-thousands above 0 the special
//                properties. The readers pass kEvaluateAll.
//   n       in   stream number
//   iphase  in   phase code 0-4 (3 and 4: nothing), or 99 for phases 4, 3, 2, 1, 0 in turn
//   idummy  in   not read
//   istat   out  EvaluationStatus
// Per phase 0-2: the mixture constants (positions 5-11) when one of them is not marked; for
// phases 1 and 2 the mass density (position 12, on every call) and the transport properties
// (13 conductivity, 14 viscosity, 15 surface tension of the liquid) when not marked, a
// failed one stored as DMISS and left unmarked. Special properties when the water fraction
// is below 0.9999: for the liquid the kinematic viscosity at the two reference temperatures
// of GPRTAB and at the stream's temperature into main-record reals 43 to 45, for the whole
// stream the tables of STSPRP, both as SPREQ asks. The records are written back when
// anything was evaluated; on statuses 10 to 12 nothing is. Stream N stays current in
// pointer set 2; the method set current at entry is current again on return when the
// restore switch of GPRTAB is 1.
// Stops the run with message 1990100000 when a property record can be neither loaded nor
// built.
void SRPROP(std::int32_t ireq, std::int32_t n, std::int32_t iphase, std::int32_t idummy,
            std::int32_t& istat);

// Position IPROP (1-40) of the property vector of phase IPHASE (0-2) of the stream whose
// records SRPROP paged in last: with its free water (WET true, record type 6) or without
// water. Valid until another stream's property records are paged in.
double phaseProperty(std::int32_t iphase, std::int32_t iprop, bool wet = true);

// The evaluation's work area: the compositions of the latest evaluation by stored position
// (as stored and water-free), the property vectors and flags of phases 0-2 being evaluated,
// and the per-component constants of the kinematic-viscosity blend. Kept between calls so
// that a call allocates nothing; cleared at every problem open.
inline constexpr std::size_t kWorkComponents = 1000;
struct StreamPropertyWork {
  using Table = std::array<double, kWorkComponents>;
  Table whole, vapour, liquid;              // as stored
  Table wholeFree, vapourFree, liquidFree;  // water-free
  Table walther1, walther2;                 // the blend's per-component values
  Table molecularWeight, gravity, boilingPoint;
  std::array<PhaseVector, 3> wet{}, dry{};
  std::array<PhaseFlags, 3> flags{};
};
extern StreamPropertyWork streamPropertyWork;

// =======================================================================================
// Special-property tables of a stream
// =======================================================================================

inline constexpr std::int32_t kBlendedProperties = 89;
inline constexpr std::int32_t kUserProperties = 60;

// SPREQ: the special properties the problem asks for.
struct SpecialPropertyRequests {
  std::int32_t blendedCount = 0;        // blended (inspection) properties asked for
  std::int32_t userCount = 0;           // user special properties asked for
  std::int32_t kinematicViscosity = 0;  // 1: evaluate the liquid's kinematic viscosity
  services::OneBased<std::int32_t, kBlendedProperties> asked;   // above 0: property i asked
  services::OneBased<std::int32_t, kBlendedProperties> codes;   // the code stored with it
  services::OneBased<std::int32_t, kUserProperties> userCodes;  // below 1: entry unused
};
extern SpecialPropertyRequests SPREQ;

// ZERCOM: clears the request words of SPREQ (run at every problem open).
void ZERCOM();

// Kinds of the special-property tables.
inline constexpr std::int32_t kBlendedTable = 1;  // record type 31, entries 2-89
inline constexpr std::int32_t kUserTable = 2;     // record type 12, entries 1-60

// STSPRP: special-property table KIND of stream N (current in pointer set 2) from its
// water-free composition Z of NC components at pressure P (kPa, handed to the blend).
//   kind 1: each asked entry 2-89 but 54-58 blended (SPBLND) and stored with its SPREQ
//           code, the others DMISS with code 0; entries 54-58 kept; then an asked value not
//           above 10.0 (temperature properties, kind 4 of the constant table) or not above
//           0.0 becomes DMISS.
//   other:  entry i the user property of SPREQ's code i (SPUSER), DMISS for a code below 1.
// The record is loaded, or built when none is stored, and written back. Stops the run with
// message 1990100000 (caller "STSPRP") when it can be neither loaded nor built.
void STSPRP(std::span<const double> z, std::int32_t nc, std::int32_t kind, std::int32_t n,
            double p);

// STSCPY: the five integer columns of the special-property constant table, 89 rows each, in
// this argument order. Column 4 is the property kind: 4 for the temperature properties
// (rows 2, 3, 4, 38, 60, 61, 64, 67, 82, 85, 86, 87), else 0; the other columns hold 0.
using ConstantColumn = std::span<std::int32_t, kBlendedProperties>;
void STSCPY(ConstantColumn c5, ConstantColumn c4, ConstantColumn c3, ConstantColumn c1,
            ConstantColumn c2);

}  // namespace api_access
