// Index sorts: the permutation that orders a real array, by a diminishing-increment
// insertion sort over the index array alone.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "services/services.hpp"

namespace services {
namespace {

// Runs below this length sort in one insertion pass.
constexpr std::int32_t kSinglePassLimit = 20;

template <typename Key, typename Before>
void shellSort(std::int32_t n, std::span<std::int32_t> idx, Key key, Before before) {
  // Gaps 1, 4, 13, 40, 121, ...: the first gap lies two terms below the first term from
  // 40 on that is not below N.
  std::int32_t gap = 1;
  if (n >= kSinglePassLimit) {
    std::int64_t below2 = 4;
    std::int64_t below1 = 13;
    std::int64_t term = 40;
    while (term < n) {
      below2 = below1;
      below1 = term;
      term = 3 * term + 1;
    }
    gap = static_cast<std::int32_t>(below2);
  }
  for (; gap >= 1; gap = (gap - 1) / 3) {
    for (std::int32_t j = gap; j < n; ++j) {
      const std::int32_t held = idx[static_cast<std::size_t>(j)];
      const double value = key(held);
      std::int32_t i = j;
      while (i - gap >= 0 && before(value, key(idx[static_cast<std::size_t>(i - gap)]))) {
        idx[static_cast<std::size_t>(i)] = idx[static_cast<std::size_t>(i - gap)];
        i -= gap;
      }
      idx[static_cast<std::size_t>(i)] = held;
    }
  }
}

}  // namespace

void SORTIX(std::int32_t opt, std::int32_t n, std::span<const double> key,
            std::span<std::int32_t> idx) {
  if (opt != 1 && opt != 2 && opt != -1 && opt != -2) return;
  if (n < 1) return;
  const auto count = std::min({static_cast<std::size_t>(n), key.size(), idx.size()});
  n = static_cast<std::int32_t>(count);
  for (std::int32_t i = 0; i < n; ++i) idx[static_cast<std::size_t>(i)] = i + 1;
  if (n <= 1) return;

  const bool magnitude = opt == 2 || opt == -2;
  const auto valueOf = [&](std::int32_t index) {
    const double v = key[static_cast<std::size_t>(index - 1)];
    return magnitude ? std::fabs(v) : v;
  };
  // An index moves up past those whose key is strictly greater (ascending) or strictly
  // smaller (descending): equal keys never pass each other within a pass.
  if (opt > 0) {
    shellSort(n, idx, valueOf, [](double held, double other) { return other > held; });
  } else {
    shellSort(n, idx, valueOf, [](double held, double other) { return other < held; });
  }
}

}  // namespace services
