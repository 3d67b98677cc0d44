// XPCACH: the ideal-gas enthalpies and heat capacities of every component, evaluated again
// only when the temperature or the current method set has changed.
#include <algorithm>
#include <cstdint>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/correlations.hpp"

namespace pure {
namespace {

constexpr int kClockTimingSwitch = 29;

// Copies VALUES into the core-store array at 8-byte index ARRAY (elements W(ARRAY + i)).
void copyToCore(std::int32_t array, const std::vector<double>& values, std::size_t n) {
  if (array == services::NOCORE) return;
  for (std::size_t i = 0; i < n; ++i) {
    storage::CORSTO.setReal(array + static_cast<std::int32_t>(i) + 1, values[i]);
  }
}

}  // namespace

void XPCACH(std::int32_t ifdrv, double t, double p) {
  // 1. Timing: the call, and the XPCALC counts before the call.
  const auto& gdp = services::GDPOPT;
  const bool counting = gdp.diagnosticSwitch(services::kTimingSwitch) > 0;
  const bool clocked = gdp.diagnosticSwitch(kClockTimingSwitch) > 0;
  double start = 0.0;
  if (counting) services::TIMST2.calls(kTimingSlotXPCACH) += 1;
  if (clocked) services::CLKSEC(start);
  const std::int32_t callsBefore = services::TIMST2.calls(kTimingSlotXPCALC);
  const float secondsBefore = services::TIMST2.seconds(kTimingSlotXPCALC);

  // 2. Is the cache current? Values only: the temperature and the set. With derivatives:
  // also the temperature of the last evaluation with derivatives.
  const bool withDerivatives = ifdrv % 10 != 0;
  const std::int32_t set = problem::THCTL.currentSet;
  bool current = services::RELCMP(t, XPCWRD.temperature) == 0 && set == XPCWRD.methodSet;
  if (withDerivatives) {
    current = current && services::RELCMP(t, XPCWRD.derivativeTemperature) == 0;
  }

  // 3. Evaluate into the cache's own arrays, grown once to the component count.
  if (!current) {
    const std::int32_t n = std::max(problem::COHDR(problem::cohdr::kVapourComponents), 0);
    const auto size = static_cast<std::size_t>(n);
    if (XPCWRD.values.size() < size) {
      XPCWRD.values.resize(size);
      XPCWRD.derivatives.resize(size);
    }
    XPCWRD.temperature = t;
    // A values-only evaluation clears the derivatives: they are no longer those of any
    // temperature.
    XPCWRD.derivativeTemperature = withDerivatives ? t : services::DMISS;
    XPCWRD.methodSet = set;
    XPCALC(kIdealGasEnthalpy, methods::MTSETN(kIdealGasEnthalpy), n, 0, ifdrv, 0, t, p,
           std::span<double>(XPCWRD.values).first(size),
           std::span<double>(XPCWRD.derivatives).first(size));
    copyToCore(XPCWRD.valueArray, XPCWRD.values, size);
    copyToCore(XPCWRD.derivativeArray, XPCWRD.derivatives, size);
  }

  // 4. Timing: its own time, and the XPCALC calls and time spent inside it.
  if (clocked) services::TIMACC(start, services::TIMST2.seconds(kTimingSlotXPCACH));
  if (counting) {
    services::TIMST2.calls(kTimingSlotXPCACHInner) +=
        services::TIMST2.calls(kTimingSlotXPCALC) - callsBefore;
    services::TIMST2.seconds(kTimingSlotXPCACHInner) +=
        services::TIMST2.seconds(kTimingSlotXPCALC) - secondsBefore;
  }
}

}  // namespace pure
