// The arrays of a two-liquid answer that the three-phase flashes keep between calls, and
// that the next flash starts from. Included by flash.hpp.
#pragma once

#include <cstddef>
#include <span>

namespace flash {

// Views of the kept arrays, each over the components of the call (1..NCOMP as 0..n-1):
//   FWX1, FWX2  liquid-1 and liquid-2 mole fractions
//   FWYV        vapour mole fractions
//   FWK1, FWK2  K-values vapour over liquid 1 and vapour over liquid 2
//   DCOEF       distribution coefficients x1/x2 (= K2/K1) between the two liquids; 0 where
//               no split has set one
//   FWG1, FWG2  the liquid terms of the K-value pair routine after the liquid-1 and the
//               liquid-2 evaluation, exponentiated
struct LiquidLiquidArrays {
  std::span<double> FWX1, FWX2, FWYV, FWK1, FWK2, DCOEF, FWG1, FWG2;
};

// The kept arrays over N components: grown to the longest N asked (FWX1 and FWX2 with DMISS,
// the others with zeros), never shrunk, so that a warm call allocates nothing; FWX1, FWX2,
// FWK1 and FWK2 are the liquids and K-value parts of the split the K-value engine keeps (whose
// shares are MPFRC1 and MPFRC2). Cleared by the problem open.
LiquidLiquidArrays liquidLiquidArrays(std::size_t n);

}  // namespace flash
