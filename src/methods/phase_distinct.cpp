// FLSKSP: whether the phases of a split are distinct enough for new K-values to be worth
// computing.
#include <cstdint>
#include <span>

#include "methods/methods.hpp"
#include "services/services.hpp"

namespace methods {
namespace {

// The flash tolerance that decides which threshold of the compressibility difference holds.
constexpr std::size_t kPhaseFractionTolerance = 8;
constexpr double kCloseThreshold = 0.02;
constexpr double kLooseThreshold = 0.1;

}  // namespace

void FLSKSP(std::span<const std::int32_t> present, std::span<const double> k, double zv, double zl,
            double vapourFraction, double liquidFraction, std::int32_t& refresh,
            std::int32_t /*unused*/, double& difference, std::int32_t n) {
  refresh = 1;
  difference = zv - zl;
  double kmax = 1e-30, kmin = 1e30;
  const std::int32_t water = THCTL.idecnt;
  const auto count = static_cast<std::size_t>(n > 0 ? n : 0);
  for (std::size_t i = 0; i < count && i < present.size() && i < k.size(); ++i) {
    if (present[i] == 0 || static_cast<std::int32_t>(i + 1) == water) continue;
    if (k[i] > kmax) kmax = k[i];
    if (k[i] < kmin) kmin = k[i];
  }
  if (kmin < 1e15 && kmax > 1e-15 && kmin > 0.1 * kmax) {
    const double tolerance = services::FLTOL(kPhaseFractionTolerance);
    const double threshold = liquidFraction > tolerance && vapourFraction > tolerance
                                 ? kCloseThreshold
                                 : kLooseThreshold;
    refresh = difference >= threshold ? 1 : 0;
  }
}

}  // namespace methods
