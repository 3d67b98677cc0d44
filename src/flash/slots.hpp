// The calls of the flash engine into the stream-property layer above it. The
// stream-property layer fills each slot when the library starts; a slot left empty reports
// failure.
#pragma once

#include <cstdint>

namespace flash {

// The value of specification N for the general flash's specification iteration: the
// target SVAL, the calculated value VCALC, the deviation ERR, the tolerance TOL and NOTMET
// (1 not met, 0 met), by the code digits of the specification evaluator (0: a
// specification compared in its own units).
using SpecificationValue = void (*)(std::int32_t n, std::int32_t code, double& sval, double& vcalc,
                                    double& err, double& tol, std::int32_t& notmet);

// Fills the slot (nullptr empties it); returns the routine it held.
SpecificationValue fillSpecificationValue(SpecificationValue routine);

// Specification N through the slot. Returns false when the slot is empty: the
// specification is then not solved (NOTMET 1, the values 0.0).
bool specificationValue(std::int32_t n, std::int32_t code, double& sval, double& vcalc, double& err,
                        double& tol, std::int32_t& notmet);

}  // namespace flash
