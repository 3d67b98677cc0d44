// The stream flash driver: one stream of the open problem flashed in place.
#pragma once

#include <cstdint>

namespace flash {

// Statuses of SFLDRV.
enum class StreamFlashStatus : std::int32_t {
  Flashed = 0,
  BadKind = 1,        // flash kind outside 1-12, or the enthalpy of an all-solid feed failed
  NoFlow = 3,         // rate below 1e-30, or no component present
  BadFixedWord = 4,   // ITPFIX outside 0-2
  Failed = 6,         // the general flash failed
  SolidsRefused = 7,  // the set's K-value methods cannot flash partly solid components
};

// SFLDRV: flashes stream ISTRM in its own method set and leaves the split in its record.
//   istrm  in   stream number
//   itpfix in   0 T and P given; 1 P given, T found; 2 T given, P found
//   kind   in   flash kind 1-12 (1 isothermal, 2 adiabatic, 3 isentropic, 8 dew, 9 water
//               dew, 11 bubble, ...)
//   nspec  in   specification number (kind 12; read for kinds 5-7)
//   specv  in   specification value (duty for kind 2, entropy addition for kind 3)
//   iflopt in   units and tens digits handed to the general flash
//   ipass  in   handed to the general flash unchanged
//   t, p   in   K, kPa; used when above 0.0
//   istat  out  StreamFlashStatus
// The general flash is not in the library yet: until it is, every call reports Failed.
void SFLDRV(std::int32_t istrm, std::int32_t itpfix, std::int32_t kind, std::int32_t nspec,
            double specv, std::int32_t iflopt, std::int32_t ipass, double t, double p,
            std::int32_t& istat);

}  // namespace flash
