// FLCORR: a missing flash temperature or pressure from the feed's mean critical constants.
#include "thermo/phase/flash_bounds.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "problem/problem.hpp"
#include "services/services.hpp"
#include "thermo/pure/pure.hpp"

namespace phase {
namespace {

// Reduced pressure below which the temperature estimate stays at 0.6 Tc; the highest
// reduced pressure of the pressure estimate.
constexpr double kLowReducedPressure = 0.0625;
constexpr double kLowestReducedTemperature = 0.6;
constexpr double kHighestReducedPressure = 1.5;

}  // namespace

void FLCORR(double& t, double& p, std::span<const double> x, std::int32_t nc) {
  // Mean critical constants of the dry feed.
  const std::int32_t water = problem::THCTL.idecnt;
  double tcm = 0.0;
  double pcm = 0.0;
  double wet = 0.0;
  double sdry = 0.0;
  double swet = 0.0;
  pure::APICNV(static_cast<std::int32_t>(pure::MixtureBasis::CriticalTemperature), 1, nc, water, x,
               tcm, wet, sdry, swet);
  pure::APICNV(static_cast<std::int32_t>(pure::MixtureBasis::CriticalPressure), 1, nc, water, x,
               pcm, wet, sdry, swet);
  const bool critical = tcm > 0.0 && pcm > 0.0;

  // Temperature missing: from the reduced pressure.
  if (t < services::RMISS) {
    if (!critical) {
      t = kFallbackTemperature;
      return;
    }
    const double q = p / pcm;
    const double f =
        q <= kLowReducedPressure ? kLowestReducedTemperature : 0.5 + 0.4 * std::sqrt(q);
    t = std::max(f * tcm, kLowestTemperature);
    return;
  }

  // Temperature given: the pressure from the reduced temperature. A feed at or below half
  // its critical temperature is taken at the mean critical pressure, whatever the scale of
  // its amounts.
  if (!critical) {
    p = kFallbackPressure;
    return;
  }
  const double tr = t / tcm;
  double r = 1.0;
  if (tr > 0.5) {
    const double root = (tr - 0.5) / 0.4;
    r = std::min(root * root, kHighestReducedPressure);
  }
  p = std::max(r * pcm, kFallbackPressure);
}

}  // namespace phase
