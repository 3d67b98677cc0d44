// The checks of a host's flash request: the inputs a flash type reads, before the flash, and
// the returned state against the request, after it.
#pragma once

#include <cstdint>

#include "api/flash/composition_flash.hpp"

namespace api_flash {

// Whether every input that flash type IN.iftype (1-12) reads is finite and in its range:
//   TEMPIN  types 1, 2, 4, 6, 8, 10: a temperature of 1 to 3000 K
//   PRESIN  types 1, 3, 5, 7, 9, 11, 12: a pressure of 1e-4 to 1e10 kPa
//   ENTHIN  types 2, 3; ENTRIN types 8, 9: finite and within single precision in the
//           stream vector's units
//   VFRAC   type 12: 0 to 1; TOL type 12: 0 to 1; HMIN, HMAX type 12 with IESTI not 0: as
//           ENTHIN
// A value the type does not read is not looked at.
bool flashInputsUsable(const FlashRequest& in);

// Whether the state OUT of a successful flash of type IN.iftype answers the request: for
// types 2 and 3 the phases' enthalpies weighted by their fractions give ENTHIN, for types 8
// and 9 the entropies give ENTRIN, each within the flash's enthalpy (entropy) tolerance of
// the larger of the request and the phase values. Other types always answer theirs.
bool answersTheRequest(const FlashRequest& in, const FlashResults& out);

}  // namespace api_flash
