// Single-precision properties of pure water for the flash and property calls and the
// sample user-added methods, in unit set 5. Included by flash.hpp.
#pragma once

#include <cstdint>

namespace flash {

// Options of VFWATR.
enum class WaterOption : std::int32_t {
  Volume = 1,          // molar volume (class 17 over the class-7 factor)
  Enthalpy = 2,        // molar enthalpy (class 28)
  Entropy = 3,         // molar entropy (class 29)
  VapourPressure = 4,  // vapour pressure (class 4); derivative not converted
  Saturation = 5,      // saturation temperature (class 1); derivative not converted
  VolumeClass16 = 6,   // the volume of option 1 in class 16
};

// VFWATR: one property of pure water in single precision.
//   iwopt   in   WaterOption; any other option returns the water routine's values unconverted
//   iphase  in   1 vapour, 2 liquid
//   t, p    in   temperature and pressure in unit set 5
//   wval    out  the property in unit set 5
//   wderiv  out  its temperature derivative in unit set 5 (per unit of set-5 temperature)
// The pressure word of the K-value state in THCTL is set to 0.0 and left as the water
// routine leaves it. No status; the water routine's own limits apply (0.0 outside them).
void VFWATR(std::int32_t iwopt, std::int32_t iphase, float t, float p, float& wval, float& wderiv);

}  // namespace flash
