// The kept arrays of a two-liquid answer.
#include "flash/liquid_liquid_arrays.hpp"

#include <cstddef>
#include <vector>

#include "services/kept_values.hpp"
#include "services/scratch_vectors.hpp"

namespace flash {
namespace {

struct Kept {
  std::vector<double> fwx1, fwx2, fwyv, fwk1, fwk2, dcoef, fwg1, fwg2;
};
Kept kept;
const bool kResetAtOpen = services::registerKeptValues([] { kept = {}; });

}  // namespace

LiquidLiquidArrays liquidLiquidArrays(std::size_t n) {
  using services::sized;
  return {sized(kept.fwx1, n), sized(kept.fwx2, n),  sized(kept.fwyv, n), sized(kept.fwk1, n),
          sized(kept.fwk2, n), sized(kept.dcoef, n), sized(kept.fwg1, n), sized(kept.fwg2, n)};
}

}  // namespace flash
