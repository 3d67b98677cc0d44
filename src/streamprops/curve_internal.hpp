// Private to the stream-property layer: the component constants and the distillation curve
// of a composition that the inspection rules and the distillation group share.
#pragma once

#include <cstdint>
#include <span>

#include "streamprops/distillation_tables.hpp"
#include "streamprops/inspection_blending.hpp"

namespace streamprops::detail {

// The molecular weights, gravities and normal boiling points of the first N components
// (kept scratch, valid until the next call); DMISS throughout for a constant whose sector
// the component table does not hold in core.
BlendConstants constantsOf(std::size_t n);

// The initial and end-point fractions of the distillation options (per cent turned into
// fractions when the end point is above 1).
void curveCuts(double& ibp, double& end);

// The curve of type JFLAG of the composition X with the problem's distillation options;
// false when STMTBP sets its error flag, or without the constants in core (no curve).
bool curveOf(std::span<const double> x, std::int32_t jflag, std::int32_t basisFlag,
             std::int32_t unit, const BlendConstants& c, std::span<double, kCurvePoints> curve);

}  // namespace streamprops::detail
