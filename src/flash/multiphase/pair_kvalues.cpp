// The pair K-value seam of the three-phase flashes.
#include "flash/multiphase/pair_kvalues.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "problem/problem.hpp"
#include "services/kept_values.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/equilibrium.hpp"

namespace multiphase {
namespace {

PairKValueRoutine current = &equilibrium::KCPAIR;
std::int64_t calls = 0;
const bool kResetAtOpen = services::registerKeptValues([] { calls = 0; });

// The flash work array that holds ln phi of the liquid of the last K-value call.
constexpr std::size_t kLiquidLnPhiArray = 9;

}  // namespace

std::int32_t pairKValues(std::int32_t ncomp, std::span<const double> y, std::span<const double> x,
                         std::span<double> k, double t, double p, std::int32_t kphase,
                         std::span<std::int32_t> flags, std::int32_t klle) {
  ++calls;
  double zv = 0.0, zl = 0.0;
  std::int32_t ierr = 0, ifugst = 0;
  current(ncomp, ncomp, y, x, k, t, p, zv, zl, kphase, 0, 1, ierr, 1.0, 1.0, flags, klle, ifugst);
  return ifugst;
}

std::int64_t pairKValueCalls() { return calls; }

void liquidTerms(std::span<double> g) {
  const std::int32_t size = problem::FWPART.realSize(kLiquidLnPhiArray);
  if (size < static_cast<std::int32_t>(g.size()) || size <= 0) {
    std::fill(g.begin(), g.end(), 1.0);
    return;
  }
  const std::int32_t offset = problem::FWPART.realOffset(kLiquidLnPhiArray);
  const storage::RealView v =
      storage::CORSTO.reals(offset + 1, static_cast<std::int32_t>(g.size()));
  for (std::size_t i = 0; i < g.size(); ++i) {
    g[i] = std::exp(std::clamp(v[i], -700.0, 700.0));
  }
}

ScopedPairKValueRoutine::ScopedPairKValueRoutine(PairKValueRoutine routine) : previous_(current) {
  current = routine;
}
ScopedPairKValueRoutine::~ScopedPairKValueRoutine() { current = previous_; }

}  // namespace multiphase
