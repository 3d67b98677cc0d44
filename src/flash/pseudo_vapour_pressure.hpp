// The single-phase decision of the flashes by the pseudo-critical properties of the feed.
// Shared by the flash layer and the multiphase flashes above it.
#pragma once

#include "flash/flash_arguments.hpp"

namespace flash {

// Whether the water-free feed Z of A (over NCOMP) at A's T and P is vapour-like: FLSPHC's
// decision, its reduced pressure P/Pc not above its reduced pseudo vapour pressure.
bool vapourLike(const IsothermalFlash& a);

}  // namespace flash
