// The K-value engine's liquid-split slot, served by TLSPLT and FLAS3L.
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "flash/liquid_liquid_arrays.hpp"
#include "flash/liquid_split.hpp"
#include "methods/methods.hpp"
#include "services/scratch_vectors.hpp"
#include "services/services.hpp"
#include "thermo/equilibrium/slots.hpp"

namespace flash {
namespace {

// What the split routines need beside the request and the result, kept between calls: the
// phase-type flags as KCLLIQ takes them, the distribution coefficients, the per-liquid terms
// and the work copies of the two liquids.
struct SplitScratch {
  std::vector<std::int32_t> flags;
  std::vector<double> dcoef, gl1, gl2, work1, work2;
};
SplitScratch scratch;
const bool kScratchReset = services::registerKeptValues([] { scratch = {}; });

}  // namespace

void splitLiquid(const equilibrium::LiquidSplitRequest& request,
                 equilibrium::LiquidSplitResult& result) {
  const std::size_t n = static_cast<std::size_t>(std::max(request.ncomp, 0));
  // The split needs every array to hold NCOMP values; a shorter one gets no split.
  if (request.x.size() < n || result.x1.size() < n || result.x2.size() < n) {
    result.theta = -1.0;
    result.status = static_cast<std::int32_t>(SplitStatus::NoSplit);
    return;
  }
  const std::span<std::int32_t> flags = services::sized(scratch.flags, n, 1);
  std::fill(flags.begin(), flags.end(), 1);
  std::copy_n(request.flags.begin(), std::min(n, request.flags.size()), flags.begin());
  const std::span<double> dcoef = services::sized(scratch.dcoef, n, 1.0);
  const std::span<double> gl1 = services::sized(scratch.gl1, n, 1.0);
  const std::span<double> gl2 = services::sized(scratch.gl2, n, 1.0);
  const std::span<double> work1 = services::sized(scratch.work1, n, 0.0);
  const std::span<double> work2 = services::sized(scratch.work2, n, 0.0);
  std::int32_t key1 = request.key1, key2 = request.key2;
  const auto split = request.threePhase ? &FLAS3L : &TLSPLT;
  split(flags, key1, key2, request.water, request.usable, request.methodClass, request.ncomp,
        request.nck, request.debug, request.unit, request.p, request.t, request.x, result.theta,
        result.status, result.x1, result.x2, request.y, dcoef, gl1, gl2, work1, work2, result.za,
        result.zb);
  // A pair set up for the running three-phase flash: its distribution coefficients are the
  // ones the three-phase flash starts its liquid-liquid split from.
  if (request.threePhase && methods::THDXCH.IHVLLE == 1) {
    const std::span<double> kept = liquidLiquidArrays(n).DCOEF;
    std::copy(dcoef.begin(), dcoef.end(), kept.begin());
  }
}

}  // namespace flash
