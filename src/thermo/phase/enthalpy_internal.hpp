// Private helpers of the enthalpy drivers: the library-correlation paths of methods 1 and 5
// (and the liquid's 511) and the correlation family code that the drivers hand to HIDSET.
// Not part of the subsystem's interface.
#pragma once

#include <cstdint>
#include <span>

namespace phase {

// The correlation-family code of the vapour residual of method 202.
inline constexpr std::int32_t kHidsetFamily = 217;

// Vapour: liquid-enthalpy correlation (type 211) plus heat of vaporisation (type 903) of each
// component, continued linearly above its critical temperature; partial enthalpies in array 22
// when D2 > 0.
void vapourCorrelation(std::int32_t n, double t, double p, std::span<const double> x,
                       std::int32_t d1, std::int32_t d2, std::int32_t code, double& h, double& cp);

// Liquid: the correlation sum (type 211) with the mixing term of the second liquid model or
// the electrolyte model; the normalised composition is in flash array 3, PRESENCE the
// presence counts of the normalisation. With D1 > 0 the heat capacity takes the temperature
// slope of the mixing term too. Model 418 sets Z and NOCOMPOSITION through the liquid
// fugacity routine.
void liquidCorrelation(std::int32_t n, double t, double p, std::span<const double> x,
                       std::span<const std::int32_t> presence, std::int32_t d1, std::int32_t code,
                       double& h, double& cp, double& hw, double& cpw, double& z,
                       std::int32_t& status, std::int32_t& noComposition);

}  // namespace phase
