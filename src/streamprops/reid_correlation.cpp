// Reid vapour pressure by correlation from the true vapour pressure at 100 F.
#include "streamprops/reid_correlation.hpp"

#include <algorithm>
#include <array>

#include "services/markers.hpp"

namespace streamprops {
namespace {

constexpr double kKpaToPsi = 0.1450373;

// Slope correlation above 1.5 psi, and its straight line from 20 psi on; P6(1.5) = 1.5 and
// P6(20) = 18.61248 join the neighbouring ranges.
constexpr std::array<double, 6> kSlopePolynomial = {0.35888,   0.64493,    0.0935555,
                                                    -0.011828, 0.00063998, -1.245E-05};
constexpr double kSlopeLowEnd = 1.5;
constexpr double kSlopeLineStart = 20.0;
constexpr double kSlopeLineBase = 18.61248;
constexpr double kSlopeLineRise = 0.6257;
// Vapour-to-liquid volume ratio of the test apparatus: the weight of the TVP against the
// correlated value is (4 - S) / (S + 4).
constexpr double kVapourToLiquid = 4.0;

// TVP-only correlation below 30 psi, and its straight line above; P5(30) = 17.35974.
constexpr std::array<double, 5> kTvpPolynomial = {-0.2451536, 1.1158916, -0.0393095,
                                                  0.00116851, -1.486799E-05};
constexpr double kTvpLineStart = 30.0;
constexpr double kTvpLineBase = 17.35974;
constexpr double kTvpLineRise = 0.29149;

}  // namespace

double RVPAUX(std::int32_t n, std::span<const double> c, double x) {
  if (n <= 0) return 0.0;
  const auto count = std::min(static_cast<std::size_t>(n), c.size());
  double sum = 0.0;
  for (std::size_t k = count; k-- > 0;) sum = sum * x + c[k];
  return sum;
}

void SPERVC(std::int32_t m, std::int32_t m1, double s, double tvp, double& rvp) {
  if (!(tvp > 0.0)) {
    rvp = services::DMISS;
    return;
  }
  const double t = tvp * kKpaToPsi;
  if (m != m1) {
    // TVP alone.
    rvp = t < kTvpLineStart ? RVPAUX(static_cast<std::int32_t>(kTvpPolynomial.size()),
                                     kTvpPolynomial, t)
                            : kTvpLineBase + kTvpLineRise * (t - kTvpLineStart);
    return;
  }
  // Slope correlation; below 1.5 psi the slope plays no part.
  if (t <= kSlopeLowEnd) {
    rvp = t > 0.4 ? t - 0.25 * std::max(1.2 - t, 0.0) : 0.5 * t;
    return;
  }
  const double r = t < kSlopeLineStart
                       ? RVPAUX(static_cast<std::int32_t>(kSlopePolynomial.size()),
                                kSlopePolynomial, t)
                       : kSlopeLineBase + kSlopeLineRise * (t - kSlopeLineStart);
  // RVP = (1 - f) R + f t with f = (4 - S) / (S + 4); S = -4 leaves f without a value.
  const double denominator = s + kVapourToLiquid;
  if (denominator == 0.0) {
    rvp = services::DMISS;
    return;
  }
  const double f = (kVapourToLiquid - s) / denominator;
  rvp = (1.0 - f) * r + f * t;
}

}  // namespace streamprops
