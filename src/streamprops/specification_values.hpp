// Specification values: the target, calculated value, deviation and tolerance of a
// specification (or CS item) of the problem, for the general flash that iterates until
// the specification is met. A specification names one or two operands, each a quantity of
// the flowsheet, an operator that combines them, the units its target is stated in, the
// target and a tolerance.
//
// Operand types (word 1 of an operand record):
//   1 property of a stream by property code (SPEDSP)
//   2 property of the hierarchy stream of the loaded unit
//   3 property of a stream inside a unit operation (a tray stream, SPSTRM)
//   4 variable of a unit operation (SPUNIT)
//   5 stored target of the specification a unit's data block names (SPTYP5)
//   6 value stored in the specification itself (reals 18 and 19)
//   7 thermodynamic parameter of a method set (PARVAL; the request's method set is left
//     current)
//   8 value from a reaction record (SPTYP8)
// Type 2 (SPOTHR) is the missing value when no unit is loaded.
#pragma once

#include <cstdint>
#include <span>

namespace streamprops {

// Words of a specification record (SPCUR's sectors), 1-based.
namespace spec {
// Header (integer sector 1).
inline constexpr std::int32_t kKind = 1;       // 2: a calculated quantity without target
inline constexpr std::int32_t kOptions = 5;    // hundreds digit 1: the tolerance is absolute
inline constexpr std::int32_t kOperator = 6;   // 0 one operand; 1-4 two; 5 and above one
inline constexpr std::int32_t kTolerance = 7;  // 1-4 global tolerance k; else the record's
inline constexpr std::int32_t kCalculated = 2;
// Real sector 1.
inline constexpr std::int32_t kTarget = 1;
inline constexpr std::int32_t kOwnTolerance = 4;
inline constexpr std::int32_t kArgument = 14;  // + k: the argument of operand k
inline constexpr std::int32_t kStored = 17;    // + k: the stored value of operand k
// The integer sectors of the operand records and the result record.
inline constexpr std::int32_t kOperandSector = 1;  // + k
inline constexpr std::int32_t kResultSector = 4;
}  // namespace spec

// The results of SPCVAL.
struct SpecificationResult {
  double sval = 0.0;        // the target (form B: the operator applied to it)
  double vcalc = 0.0;       // the calculated value
  double err = 0.0;         // the deviation, relative or absolute
  double tol = 0.0;         // the tolerance used: positive relative, negative absolute
  std::int32_t notmet = 1;  // 1 not met, 0 met
};

// SPCVAL: the value of specification (or CS item) N.
//   n     in   the item number
//   code  in   digits from the units up: D1 handed to the unit-variable operands; D2 0
//              combines the operands and compares with the target (form A), else applies
//              the operator to the target and compares with operand 1 (form B); D3 1 gives
//              the stored target alone; D4 the normalisation flag of the property
//              evaluators; D5 1 names a CS item
//   r     out  SpecificationResult. A calculated quantity (header word 1 = 2) returns its
//              value converted to internal units by the result record's units, NOTMET 1.
// The comparison is made in the units of the record: operands are converted from internal
// units with their units words (unit class x 1000 + unit). ERR is relative when TOL is
// positive and the target is not 0.0, else absolute; NOTMET is 0 when |ERR| <= |TOL|. A
// record whose options mark the tolerance absolute compares absolutely whatever its units.
// Leaves item N current. Messages 1050000162, 1050000163 for a reaction operand without its
// reaction or reaction set. Aborts: those of VSSET and NCSET for a missing item.
SpecificationResult SPCVAL(std::int32_t n, std::int32_t code);

// The legacy argument list of SPCVAL.
void SPCVAL(std::int32_t n, std::int32_t code, double& sval, double& vcalc, double& err,
            double& tol, std::int32_t& notmet);

// SPCOMB: operand A combined with B by OP: 1 A + B, 2 A - B, 3 A / B (A when B is 0.0), 4
// A x B; A for OP <= 0, OP >= 5 and B <= -1.0E35 (a missing operand).
double SPCOMB(std::int32_t op, double a, double b);

// SPOPER: the operator OP applied to the target A with B: 0 A, 1 A - B, 2 A + B, 3 A x B,
// 4 A / B (when B is 0.0: +1.0E30 for a positive or +0.0 target, -1.0E30 for a negative or
// -0.0 one); A for any other OP.
double SPOPER(std::int32_t op, double a, double b);

// SPTYP5: the stored target of the specification whose number item 15 of the system
// sectors of unit OPREC word 5's data block holds at position OPREC word 19. CODE2 =
// D5 x 10000 + N names the item made current again afterwards. DMISS when the unit has no
// data block, the item or the position does not exist.
void SPTYP5(std::int32_t code2, std::span<std::int32_t> oprec, std::int32_t iaux, double& value);

// SPTYP8: a value of the reaction of OPREC word 7 (looked up from the reaction-set and
// reaction identifiers of words 38-40 and 35-37 when below 1, and cached there): item
// OPREC word 25 of the reaction's record. DMISS for an unknown reaction (message
// 1050000162), a reaction set without results (1050000163) or an item without a value:
// items 3, 4, 18 and 19 (per-component arrays whose place in the record is not laid down)
// also write a line saying so to the report unit.
// Makes specification N current again.
void SPTYP8(std::int32_t n, std::span<std::int32_t> oprec, std::int32_t iaux, double& value);

}  // namespace streamprops
