// The calls of the flash engine into the layers above it. Those layers fill each slot when
// the library starts; a slot left empty does what is said beside it.
#pragma once

#include <cstdint>
#include <string_view>

namespace flash {

// The iteration-history hook of the flashes: a note line with a mode word. Empty: the line
// goes nowhere (as with the history call OTHIST, which does nothing with it).
using HistoryHook = void (*)(std::int32_t mode, std::string_view text);

// Fills the slot (nullptr empties it); returns the routine it held.
HistoryHook fillHistoryHook(HistoryHook routine);

// Hands MODE and TEXT to the hook, when the slot is filled.
void historyHook(std::int32_t mode, std::string_view text);

// The value of specification N for the general flash's specification iteration: the
// target SVAL, the calculated value VCALC, the deviation ERR, the tolerance TOL and NOTMET
// (1 not met, 0 met), by the code digits of the specification evaluator (0: a
// specification compared in its own units). Filled by the stream-property layer; empty:
// the specification is not solved.
using SpecificationValue = void (*)(std::int32_t n, std::int32_t code, double& sval, double& vcalc,
                                    double& err, double& tol, std::int32_t& notmet);

// Fills the slot (nullptr empties it); returns the routine it held.
SpecificationValue fillSpecificationValue(SpecificationValue routine);

// Specification N through the slot. Returns false when the slot is empty: the
// specification is then not solved (NOTMET 1, the values 0.0).
bool specificationValue(std::int32_t n, std::int32_t code, double& sval, double& vcalc, double& err,
                        double& tol, std::int32_t& notmet);

}  // namespace flash
