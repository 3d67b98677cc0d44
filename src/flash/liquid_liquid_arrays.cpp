// The kept arrays of a two-liquid answer. The two liquids and their K-value parts are the
// split the K-value engine's liquid-liquid route keeps (its MPFRC1 and MPFRC2 are the shares),
// so that the phase totals and the next split see the answer of the three-phase flash.
#include "flash/liquid_liquid_arrays.hpp"

#include <cstddef>
#include <vector>

#include "services/kept_values.hpp"
#include "services/markers.hpp"
#include "services/scratch_vectors.hpp"
#include "thermo/equilibrium/liquid_liquid.hpp"

namespace flash {
namespace {

struct Kept {
  std::vector<double> fwyv, dcoef, fwg1, fwg2;
};
Kept kept;
const bool kResetAtOpen = services::registerKeptValues([] { kept = {}; });

}  // namespace

LiquidLiquidArrays liquidLiquidArrays(std::size_t n) {
  using services::sized;
  equilibrium::LiquidSplitState& split = equilibrium::liquidSplitState;
  return {sized(split.x1, n, services::DMISS),
          sized(split.x2, n, services::DMISS),
          sized(kept.fwyv, n),
          sized(split.kv1, n),
          sized(split.kv2, n),
          sized(kept.dcoef, n),
          sized(kept.fwg1, n),
          sized(kept.fwg2, n)};
}

}  // namespace flash
