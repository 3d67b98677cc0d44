// CONINI: the flash tolerances and the tolerance words of the flash exchange areas, set at
// each problem open.
#include <algorithm>

#include "methods/methods.hpp"
#include "services/services.hpp"

namespace methods {
namespace {

// Tolerance of the inner flash calculation: the larger of 1e-12 and 1e-14.
constexpr double kInnerFlashTolerance = std::max(1.0e-12, 1.0e-14);
// Temperature step (K) and relative pressure tolerance of the fixed-fraction flashes.
constexpr double kFixedFractionStep = 0.001;
constexpr double kFixedFractionTolerance = 5.0e-5;

}  // namespace

void CONINI() {
  services::startFlashTolerances();
  FLCTL2.words(1) = kInnerFlashTolerance;

  double step = kFixedFractionStep;
  double tolerance = kFixedFractionTolerance;
  services::NOOP10(services::FLTOL(5), step, tolerance);
  THDXCH.temperatureStep = step;
  THDXCH.pressureTolerance = tolerance;
  THDXCH.temperatureStepSmall = 0.9 * step;
  THDXCH.pressureToleranceSmall = 0.2 * tolerance;
}

}  // namespace methods
