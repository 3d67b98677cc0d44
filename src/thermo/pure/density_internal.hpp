// Private helpers of the liquid-density routes.
// Not part of the subsystem's interface.
#pragma once

#include <cstdint>
#include <span>

namespace pure::density_internal {

// The cubic-equation route of DNLIQ for CODE: the liquid compressibility factor Z of the
// normalised composition X at T and P from the method block BLOCK (the first real sector;
// the integer sectors are read through LDSTAT). Returns false when the code has no cubic
// route (712, 732, 733).
bool cubicLiquid(std::int32_t code, std::int32_t nc, double t, double p, std::span<const double> x,
                 std::span<const double> block, double& z);

}  // namespace pure::density_internal
