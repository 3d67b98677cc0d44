// The phase-region code of a three-phase split (FLS3RG). Included by flash.hpp.
#pragma once

#include <cstdint>

namespace flash {

// IPHTYP: which phases a split holds.
enum class PhaseRegion : std::int32_t {
  Vapour = 1,
  VapourLiquid1 = 2,
  ThreePhase = 3,  // vapour, liquid 1 and liquid 2
  VapourLiquid2 = 4,
  Liquid1 = 5,
  Liquid1Liquid2 = 6,
  Liquid2 = 7,
};

// Makes the three fractions admissible (each limited to 0..1, then divided by their sum
// when it is positive) and classifies the split by strict comparisons: a fraction of
// exactly 0 or 1 never counts as a phase beside others.
//   iout    in      print unit
//   idebug  in      above 0: the fractions received and made admissible, and the code
//   thetax  in/out  fraction of the feed in liquid 1 (the hydrocarbon liquid)
//   thetay  in/out  vapour fraction
//   thetaz  in/out  fraction in liquid 2 (the free water)
//   iphtyp  out     PhaseRegion
void FLS3RG(std::int32_t iout, std::int32_t idebug, double& thetax, double& thetay, double& thetaz,
            std::int32_t& iphtyp);

}  // namespace flash
