// The temperature units of correlation records, extrapolation beyond a record's range and
// the clamps of the results by property kind.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "services/services.hpp"
#include "thermo/pure/correlations.hpp"

namespace pure {
namespace {

constexpr double kFiveNinths = 0.5555555555555556;
constexpr double kRankinePerKelvin = 1.8;
constexpr double kCelsiusZero = 273.15;
constexpr double kFahrenheitZero = 459.67;
// 459.67 * 5 / 9: the kelvin temperature of 0 degrees Fahrenheit.
constexpr double kFahrenheitZeroKelvin = 255.37222222222223;

// Exponents are limited to +-60 before exponentiation.
constexpr double kExponentLimit = 60.0;

// Clamps by property kind.
constexpr std::int32_t kFirstClampedCode = 9;
constexpr std::int32_t kZeroFloorCode = 9;
constexpr std::int32_t kTinyFloorCode = 19;
constexpr std::int32_t kCappedCode = 10;
constexpr double kTinyFloor = 1.0e-30;
constexpr double kDefaultFloor = 1.0e-10;
constexpr double kCap = 1.0e8;

// True when unit code CODE is the nonzero code word of UNIT.
bool isUnit(std::int32_t code, services::TemperatureUnit unit) {
  const std::int32_t word = services::UOMCOD.temperatureCode(unit);
  return word != 0 && code == word;
}

}  // namespace

void XPTUNI(std::int32_t itempc, std::int32_t itempu, double& a, double& b, double& c, double& d) {
  a = 1.0;
  b = 0.0;
  c = 1.0;
  d = 0.0;
  if (itempc != kTemperatureClass) return;
  using services::TemperatureUnit;
  if (isUnit(itempu, TemperatureUnit::Celsius)) {
    b = kCelsiusZero;
    d = -kCelsiusZero;
  } else if (isUnit(itempu, TemperatureUnit::Rankine)) {
    a = kFiveNinths;
    c = kRankinePerKelvin;
  } else if (isUnit(itempu, TemperatureUnit::Fahrenheit)) {
    a = kFiveNinths;
    b = kFahrenheitZeroKelvin;
    c = kRankinePerKelvin;
    d = -kFahrenheitZero;
  }
}

void XPEXTR(std::int32_t itempc, std::int32_t itempu, std::int32_t iextrp, double vlim, double slim,
            double tlim, double temp, double& cxpval, double& cxpdrv) {
  double a = 1.0;
  double b = 0.0;
  double c = 1.0;
  double d = 0.0;
  XPTUNI(itempc, itempu, a, b, c, d);
  const double tlk = a * tlim + b;
  const double tk = a * temp + b;

  if (iextrp == static_cast<std::int32_t>(Extrapolation::Logarithmic)) {
    if (vlim <= 0.0) {
      cxpval = 0.0;
      return;
    }
    // ln V linear in 1/T through the limit with the limit's slope:
    // ln V = ln VLIM + (SLIM TLK^2 / VLIM) (1/TLK - 1/TK).
    const double exponent = std::log(vlim) + (slim * tlk * tlk / vlim) * (1.0 / tlk - 1.0 / tk);
    cxpval = std::exp(std::clamp(exponent, -kExponentLimit, kExponentLimit));
    cxpdrv = cxpval * slim * tlk * tlk / (vlim * tk * tk);
    return;
  }
  const double slope = slim <= services::RMISS ? 0.0 : slim;
  cxpdrv = slope;
  cxpval = vlim + slope * (tk - tlk);
}

void XPCLMP(std::int32_t icode, double& cxpval, double& cxpdrv) {
  if (icode < kFirstClampedCode) return;
  double floor = kDefaultFloor;
  if (icode == kZeroFloorCode) floor = 0.0;
  if (icode == kTinyFloorCode) floor = kTinyFloor;
  if (cxpval < floor) {
    cxpval = floor;
    cxpdrv = 0.0;
  }
  if (icode == kCappedCode && cxpval > kCap) {
    cxpval = kCap;
    cxpdrv = 0.0;
  }
}

}  // namespace pure
