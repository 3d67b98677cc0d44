// The calls of the flash engine into the layers above it. The layer that serves a slot fills
// it in its installSlots(), which the library's start calls; a slot left empty does what is
// said beside it.
#pragma once

#include <cstdint>

namespace flash {

// Fills the slots of the layers below that the flash engine serves: the K-value engine's
// liquid-liquid split (splitLiquid) and the phase layer's single-precision water properties
// (VFWATR). The library's start calls it after the installs of the layers below.
void installSlots();

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
