// TPCACH: the pure-component vapour pressures of every component at the current temperature,
// kept in flash work arrays 13 and 14 and evaluated again only when the temperature or the
// method set changes.
#include <algorithm>
#include <cstdint>
#include <span>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/kvalue_kernels.hpp"
#include "thermo/pure/correlations.hpp"

namespace equilibrium {

VapourPressureCache vapourPressureCache;

namespace {

const bool kVapourPressureCacheReset =
    services::registerKeptValues([] { vapourPressureCache = {}; });

// Checks that flash work array ARRAY holds N elements.
void checkArray(std::int32_t array, std::int32_t n) {
  const std::int32_t size = problem::FWPART.realSize(static_cast<std::size_t>(array));
  if (size >= n) return;
  services::ERRITM("ARRAY", array);
  services::ERRITM("SIZE", size);
  services::ERRITM("NEEDED", n);
  services::ABTRPT("KC", "TPCACH", "TPCACH", "VAPOUR PRESSURE ARRAY TOO SHORT");
}

// Copies the first N VALUES into flash work array ARRAY.
void copyToArray(std::int32_t array, std::span<const double> values, std::int32_t n) {
  const std::int32_t offset = problem::FWPART.realOffset(static_cast<std::size_t>(array));
  for (std::int32_t i = 1; i <= n; ++i) {
    storage::CORSTO.setReal(offset + i, values[static_cast<std::size_t>(i - 1)]);
  }
}

// Step 3: type 1001 for every component into arrays 13 and (with derivatives) 14.
void evaluate(bool withDerivatives, double t, double p) {
  VapourPressureCache& c = vapourPressureCache;
  const std::int32_t n = std::max(problem::COHDR(problem::cohdr::kVapourComponents), 0);
  checkArray(kVapourPressureArray, n);
  if (withDerivatives) checkArray(kVapourPressureSlopeArray, n);
  const auto size = static_cast<std::size_t>(n);
  if (c.values.size() < size) {
    c.values.resize(size);
    c.slopes.resize(size);
  }
  const auto values = std::span<double>(c.values).first(size);
  const auto slopes = std::span<double>(c.slopes).first(size);
  pure::XPCALC(pure::kVapourPressure, methods::MTSETN(pure::kVapourPressure), n, 0,
               withDerivatives ? 1 : 0, static_cast<std::int32_t>(pure::Extrapolation::Logarithmic),
               t, p, values, slopes);
  ++c.evaluations;
  copyToArray(kVapourPressureArray, values, n);
  if (withDerivatives) copyToArray(kVapourPressureSlopeArray, slopes, n);
}

}  // namespace

void resetVapourPressureCache() {
  vapourPressureCache.valueTemperature = services::DMISS;
  vapourPressureCache.derivativeTemperature = services::DMISS;
  vapourPressureCache.methodSet = services::IMISS;
}

void restartVapourPressureCache() { vapourPressureCache.valueTemperature = 0.0; }

void TPCACH(std::int32_t u, double t, double p) {
  VapourPressureCache& c = vapourPressureCache;
  const std::int32_t set = problem::THCTL.currentSet;
  const bool sameSet = c.methodSet == set;
  const bool sameValueT = services::RELCMP(t, c.valueTemperature) == 0;
  if (u == 0) {
    // 1. Values: the temperature and the set decide.
    if (sameValueT && sameSet) return;
    c.valueTemperature = t;
    c.derivativeTemperature = 0.0;
  } else {
    // 2. With derivatives: also the temperature of the last evaluation with derivatives.
    if (sameValueT && sameSet && services::RELCMP(t, c.derivativeTemperature) == 0) return;
    c.valueTemperature = t;
    c.derivativeTemperature = t;
  }
  c.methodSet = set;
  evaluate(u != 0, t, p);
}

}  // namespace equilibrium
