// FLSLKY: the two key components of a liquid-liquid split, found by trial liquid-liquid
// K-values when the caller does not know them.
#include <algorithm>
#include <cstdint>
#include <span>
#include <utility>

#include "flash/liquid_split.hpp"
#include "flash/liquid_split_keys.hpp"
#include "services/services.hpp"
#include "thermo/equilibrium/liquid_liquid.hpp"

namespace flash {
namespace {

using liquid_split::kFeedPresent;
using liquid_split::seed;

// The KCLLIQ call of the search: false when its error code is above 1.
struct KeyTrials {
  std::span<std::int32_t> flags;
  std::int32_t liquidClass, nc, ncomp;
  double p, t;
  std::span<double> xl1, xl2, work, k12, phi1, phi2;

  bool evaluate() const {
    double r1 = 0.0, r2 = 0.0;
    std::int32_t ierr = 0;
    constexpr std::int32_t kBothLiquidsChanged = 0;
    equilibrium::KCLLIQ(flags, liquidClass, nc, ncomp, p, t, xl1, xl2, work, k12, phi1, phi2, r1,
                        r2, kBothLiquidsChanged, ierr);
    return ierr <= liquid_split::kLastGoodStatus;
  }
  double k(std::int32_t i) const { return k12[static_cast<std::size_t>(i - 1)]; }
};

}  // namespace

void FLSLKY(std::span<std::int32_t> flags, std::int32_t& key1, std::int32_t& key2,
            std::int32_t preferredKey2, std::int32_t save, std::int32_t liquidClass,
            std::int32_t nc, std::int32_t ncomp, double p, double t, std::span<const double> feed,
            double& fraction1, double& fraction2, std::int32_t& status, std::span<double> xl1,
            std::span<double> xl2, std::span<double> work, std::span<double> k12,
            std::span<double> phi1, std::span<double> phi2, std::span<double> save1,
            std::span<double> save2) {
  const std::size_t n = static_cast<std::size_t>(std::max(nc, 0));
  if (feed.size() < n || xl1.size() < n || xl2.size() < n || k12.size() < n ||
      (save != 0 && (save1.size() < n || save2.size() < n))) {
    services::ERRITM("NC", nc);
    services::ABTRPT("FL", "FLSLKY", "FLSLKY", "LIQUID ARRAYS SHORTER THAN NC");
  }
  const auto l1 = xl1.first(n), l2 = xl2.first(n);
  fraction2 = 1.0 - fraction1;
  status = 0;
  if (save != 0) {
    std::copy(l1.begin(), l1.end(), save1.begin());
    std::copy(l2.begin(), l2.end(), save2.begin());
  }
  const auto restore = [&] {
    if (save == 0) return;
    std::copy_n(save1.begin(), n, l1.begin());
    std::copy_n(save2.begin(), n, l2.begin());
  };
  const KeyTrials trials{flags, liquidClass, nc, ncomp, p, t, l1, l2, work, k12, phi1, phi2};
  const double tol = liquid_split::seedFraction(liquidClass);
  const auto present = [&](std::int32_t i) {
    return feed[static_cast<std::size_t>(i - 1)] > kFeedPresent;
  };
  const std::int32_t givenKey1 = key1, givenKey2 = key2;

  bool ordered = true;  // false: the search failed or found no key, the order is left alone
  if (key1 == 0 || key2 == 0) {
    std::int32_t first = 0;
    bool failed = false;
    if (key1 == 0 && key2 == 0) {
      // The pair whose trial liquids part most: K of l, or 1/K of m, largest.
      std::fill(l1.begin(), l1.end(), 0.0);
      std::fill(l2.begin(), l2.end(), 0.0);
      double best = 1.0;
      for (std::int32_t m = 2; m <= nc && !failed; ++m) {
        if (!present(m)) continue;
        for (std::int32_t l = 1; l < m; ++l) {
          if (!present(l)) continue;
          seed(l1, l, m, tol);
          seed(l2, m, l, tol);
          if (!trials.evaluate()) {
            failed = true;
            break;
          }
          if (trials.k(l) > best) {
            best = trials.k(l);
            first = l;
          }
          if (1.0 / trials.k(m) > best) {
            best = 1.0 / trials.k(m);
            first = m;
          }
        }
      }
    } else {
      first = key2 > 0 ? key2 : key1;
    }
    // The partner of the first key: the component that goes most to liquid 2 against it.
    std::int32_t partner = 0;
    if (!failed && first != 0) {
      double smallest = 1.0;
      for (std::int32_t i = 1; i <= nc; ++i) {
        if (i == first || !present(i)) continue;
        seed(l1, first, i, tol);
        seed(l2, i, first, tol);
        if (!trials.evaluate()) {
          failed = true;
          break;
        }
        if (trials.k(i) < smallest) {
          smallest = trials.k(i);
          partner = i;
        }
      }
    }
    if (failed) {
      key1 = givenKey1;
      key2 = givenKey2;
    } else if (first != 0) {
      if (first == givenKey2 && givenKey2 > 0) {
        key1 = partner;
      } else {
        key1 = first;
        key2 = partner;
      }
    }
    // The trial liquids never go back to the caller: without a key, or after a failed
    // evaluation, the final call runs on the saved liquids too.
    restore();
    ordered = !failed && first != 0;
  }

  if (ordered && key1 != 0 && key2 != 0) {
    if (givenKey1 == 0 && givenKey2 == 0 && preferredKey2 > 0 && key1 == preferredKey2) {
      std::swap(key1, key2);
    }
    const auto k1 = static_cast<std::size_t>(key1 - 1), k2 = static_cast<std::size_t>(key2 - 1);
    const double m1 = std::max(l1[k1], l2[k1]), m2 = std::max(l1[k2], l2[k2]);
    if ((m1 <= m2 && l1[k2] > l2[k2]) || (m1 > m2 && l1[k1] < l2[k1])) {
      std::swap_ranges(l1.begin(), l1.end(), l2.begin());
      fraction1 = fraction2;
      fraction2 = 1.0 - fraction1;
    }
  }
  trials.evaluate();
}

}  // namespace flash
