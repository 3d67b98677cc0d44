// Comparison of reals with a relative tolerance, the bitwise AND and the ideal-gas volume.
#include <cmath>
#include <cstdint>

#include "services/services.hpp"

namespace services {
namespace {

bool equalWithinTolerance(double a, double b) {
  if ((a > 0.0 && b < 0.0) || (a < 0.0 && b > 0.0)) return false;
  const double larger = std::max(std::fabs(a), std::fabs(b));
  const double smaller = std::min(std::fabs(a), std::fabs(b));
  if (larger >= 1.0) return (larger - smaller) / larger < kRelativeTolerance;
  // Below 1 both sides are scaled up first, so that tiny magnitudes keep their precision.
  return (larger - smaller) * kToleranceScale <= larger * kToleranceScale * kRelativeTolerance;
}

std::int32_t compare(double a, double b) {
  if (equalWithinTolerance(a, b)) return 0;
  return a < b ? -1 : 1;
}

}  // namespace

std::int32_t RELCMP(double a, double b) { return compare(a, b); }

std::int32_t RELCM2(double a, double b) { return compare(a, b); }

std::int32_t IANDBT(std::int32_t a, std::int32_t b) {
  std::int32_t result = 0;
  for (int bit = 0; bit <= 30; ++bit) {
    // A negative argument halved toward zero leaves remainders of 0 or -1 only, so it
    // contributes no bits.
    if (a % 2 == 1 && b % 2 == 1) result |= std::int32_t{1} << bit;
    a /= 2;
    b /= 2;
  }
  return result;
}

void VIDEAL(double t, double p, double& v) { v = t * kGasConstant / p; }

}  // namespace services
