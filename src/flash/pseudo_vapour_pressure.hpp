// The single-phase decision of the flashes by the pseudo-critical properties of the feed.
// Private to the flash layer.
#pragma once

#include "flash/flash_arguments.hpp"

namespace flash {

// Whether the water-free feed Z of A (over NCOMP) is vapour-like: its reduced pressure P/Pc
// does not exceed its reduced pseudo vapour pressure at T/Tc, from the mole-fraction
// averages of Tc, Pc and the acentric factor (APICNV options 101, 102, 104) and the
// Lee-Kesler vapour-pressure form (B. I. Lee and M. G. Kesler, AIChE J. 21 (1975) 510),
// extended above Tc by ln Pr = (1/Tr - 1)(-8.16249 - 31.6945 w), at most 50.
bool vapourLike(const IsothermalFlash& a);

}  // namespace flash
