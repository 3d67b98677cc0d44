// Stream properties by property code: the one entry point SPEDSP, which makes the stream
// current, guards against a stream whose rate was never set and hands the code to the
// evaluator of its hundred, and the evaluators of the 200s (header reals, component-range
// amounts, enthalpy flow), 300s (range averages of component constants, heating values),
// 500s (transport properties of a phase), 700s (gas-quality quantities) and 800s
// (electrolytes).
//
// Values come out in internal units (K, kPa, the internal unit set); the caller converts.
// A property that cannot be evaluated is DMISS (-1.5E35).
//
// Code ranges:
//   200-299  SPE200   header reals, component-range amounts, enthalpy flow
//   300-399  SPE300   range averages of component constants, heating values
//   400-499  SPE400   distillation curves; vapour pressures and product cuts not available
//                     yet (DMISS, status NotAvailable)
//   500-599  SPE500   transport properties of a phase
//   601-699  SPE600   inspection properties, blending, user properties
//   701-716  SPE700   gas-quality and further stream quantities
//   801-899  SPE800   electrolyte quantity 801
// Codes 600, 700, 717-800 and codes outside 200-899 write nothing.
#pragma once

#include <cstdint>
#include <span>

namespace streamprops {

// SPCREC: the integer record of one stream property request (an operand of a
// specification), read 1-based. The words read here:
namespace spcrec {
inline constexpr std::int32_t kType = 1;        // operand type; 1 = stream property
inline constexpr std::int32_t kReference = 3;   // 1: the stream of pointer set 2; else word 4
inline constexpr std::int32_t kStream = 4;      // stream number
inline constexpr std::int32_t kUnit = 5;        // unit of a unit-operation operand
inline constexpr std::int32_t kReaction = 7;    // reaction number (0: look it up)
inline constexpr std::int32_t kRange = 9;       // first x 10000 + last component number
inline constexpr std::int32_t kPhase = 10;      // PhaseBasis
inline constexpr std::int32_t kOptions = 11;    // option digits (tens, hundreds, ten-thousands)
inline constexpr std::int32_t kUnits = 12;      // unit class x 1000 + unit
inline constexpr std::int32_t kCode = 13;       // property code
inline constexpr std::int32_t kItem = 14;       // item number of code 703
inline constexpr std::int32_t kPosition5 = 19;  // position of a type-5 operand
inline constexpr std::int32_t kPosition = 20;   // position of a tray-stream operand
inline constexpr std::int32_t kReactionItem = 25;
inline constexpr std::int32_t kParameterKind = 30;
inline constexpr std::int32_t kReactionId = 35;  // words 35-37: 12 characters
inline constexpr std::int32_t kSetId = 38;       // words 38-40: 12 characters
inline constexpr std::int32_t kWords = 40;       // the words a request must hold
}  // namespace spcrec

// Status of SPEDSP.
enum class PropertyStatus : std::int32_t {
  Done = 0,          // evaluated, or the code writes nothing
  NotAvailable = 1,  // the code's evaluator is not available: VALUE is DMISS
};

// The stream property of code OPREC word 13.
//   ispec   in      the specification asking (passed through, read by no evaluator)
//   oprec   in      the request record (at least spcrec::kWords words)
//   iaux    in      passed through, read by no evaluator
//   value   in/out  the property; written only where the code writes a value
//   noflag  in      0: phase compositions normalised over the molar components; other
//                   values take the stored amounts, and 1 also makes the range totals 1.0
//   argval  in      the argument of the 400s and 600s (a temperature, a per-cent point)
// Returns PropertyStatus. A stream whose rate was never set (header real 11 below -1.0E35)
// gives 0.0 for every code but 201 and 202. Leaves the stream current in pointer set 1.
// Aborts: "SR" "BAD STREAM NUMBER" for a stream without a record.
PropertyStatus SPEDSP(std::int32_t ispec, std::span<std::int32_t> oprec, std::int32_t iaux,
                      double& value, std::int32_t noflag, double argval);

// The group evaluators, called by SPEDSP for the stream it made current in pointer set 1.
// ISTAT is a cell that SPEDSP sets to 0 and no evaluator reads.
//   SPE200  201-295 header real (code - 200); 211 the amount or fraction of a component
//           range in a phase (options: tens digit 2 weight, 3 standard liquid volume, 4
//           moles as standard gas volume, else moles; hundreds digit 1 a rate, 3 per cent,
//           4 ppm, else a fraction; ten-thousands digit 1 counts the water component);
//           212 enthalpy flow; 225 total liquid fraction; 200 and 296-299 write nothing.
//           An empty phase gives 0.0 for every fractional scale.
//   SPE300  301-305 range averages (molecular weight, specific gravity, standard liquid
//           density, API gravity, standard liquid molar volume) with the water component
//           (ten-thousands digit 1) or without it (2); 306, 307 the gross and net heating
//           value per standard gas volume of the range.
//   SPE500  500 viscosity, 501 thermal conductivity, 502 surface tension of the phase of
//           word 10 (1 vapour, 2 total liquid, 12 hydrocarbon liquid, 22 free water); the
//           hydrocarbon part when the ten-thousands digit is 2, else the whole phase. DMISS
//           for the vapour's surface tension and any other phase.
//   SPE700  701 grains per 100 standard cubic feet of a range; 702 liquid-to-solid ratio;
//           703 real OPREC word 14 of stream record type 26 (DMISS without one); 704-710
//           0.0; 711-716 header reals 64, 68, 75, 89, 65, 90.
//   SPE800  801 header real 29; 802-899 DMISS and one report line.
void SPE200(std::int32_t ispec, std::span<std::int32_t> oprec, std::int32_t iaux,
            std::int32_t& istat, double& value, std::int32_t noflag);
void SPE300(std::int32_t ispec, std::span<std::int32_t> oprec, std::int32_t iaux,
            std::int32_t& istat, double& value, std::int32_t noflag);
void SPE500(std::int32_t ispec, std::span<std::int32_t> oprec, std::int32_t iaux,
            std::int32_t& istat, double& value);
void SPE700(std::int32_t ispec, std::span<std::int32_t> oprec, std::int32_t iaux,
            std::int32_t& istat, double& value, std::int32_t noflag);
void SPE800(std::int32_t ispec, std::span<std::int32_t> oprec, std::int32_t iaux,
            std::int32_t& istat, double& value);

}  // namespace streamprops
