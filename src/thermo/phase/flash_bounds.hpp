// Start values of a flash: a missing temperature or pressure of a feed estimated from the
// feed's mean critical constants.
#pragma once

#include <cstdint>
#include <span>

namespace phase {

// Temperature of a feed without critical data, K, and the lowest temperature estimate.
inline constexpr double kFallbackTemperature = 300.0;
inline constexpr double kLowestTemperature = 100.0;
// Pressure of a feed without critical data and the lowest pressure estimate, kPa.
inline constexpr double kFallbackPressure = 101.325;

// Supplies a missing temperature, or else the pressure, of a feed from the mole-fraction
// averages of the critical temperature Tcm and pressure Pcm of its dry part (APICNV options
// 101 and 102 over components 1..NC without the free-water component of THCTL). Both
// estimates follow the reduced relation Tr = 0.5 + 0.4 sqrt(P/Pcm), with Tr at least 0.6 and
// P/Pcm at most 1.5.
//   t   in/out  K; below -1.0E35 it is missing and becomes
//               max(f Tcm, 100 K), f = 0.6 when P/Pcm <= 0.0625, else 0.5 + 0.4 sqrt(P/Pcm)
//   p   in/out  kPa; when T is present it becomes max(r Pcm, 101.325 kPa),
//               r = min(((Tr - 0.5)/0.4)^2, 1.5) for Tr > 0.5, else 1 (a liquid-like feed)
//   x   in      amounts or fractions of components 1..NC
//   nc  in
// Without critical data (Tcm or Pcm not positive, among them a feed of free water only or a
// component whose constant is missing) T becomes 300 K, or P becomes 101.325 kPa.
void FLCORR(double& t, double& p, std::span<const double> x, std::int32_t nc);

}  // namespace phase
