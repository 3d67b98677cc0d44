// FLAS3L: the liquid-liquid set-up of a running three-phase flash.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <numeric>
#include <span>

#include "flash/liquid_split.hpp"
#include "flash/liquid_split_keys.hpp"
#include "methods/methods.hpp"

namespace flash {
namespace {

using liquid_split::isComponent;
using liquid_split::Liquids;
using liquid_split::seed;
using liquid_split::traceLine;

constexpr std::int32_t kPairSetUp = 1;

double sum(std::span<const double> x) { return std::accumulate(x.begin(), x.end(), 0.0); }

}  // namespace

void FLAS3L(std::span<std::int32_t> flags, std::int32_t& l1key, std::int32_t& l2key,
            std::int32_t preferred, std::int32_t start, std::int32_t liquidClass, std::int32_t nc,
            std::int32_t nck, std::int32_t print, std::int32_t unit, double p, double t,
            std::span<const double> z, double& /*fracl1*/, std::int32_t& status,
            std::span<double> xl1, std::span<double> xl2, std::span<const double> y,
            std::span<double> dcoef, std::span<double> gl1, std::span<double> gl2,
            std::span<double> work1, std::span<double> work2, double& v1, double& v2) {
  const std::size_t n = static_cast<std::size_t>(std::max(nc, 0));
  Liquids liquids{flags.first(std::min(n, flags.size())),
                  liquidClass,
                  nc,
                  nck,
                  p,
                  t,
                  xl1.first(n),
                  xl2.first(n),
                  y.first(std::min(n, y.size())),
                  dcoef.first(n),
                  gl1.first(n),
                  gl2.first(n),
                  &v1,
                  &v2};
  const std::span<const double> feed = z.first(n);
  const std::span<double> w1 = work1.first(n), w2 = work2.first(n);
  status = 0;
  if (!isComponent(l1key, nc)) l1key = 0;
  if (!isComponent(l2key, nc)) l2key = 0;

  // 1. Entry.
  if (print >= 2) {
    traceLine(unit, "");
    traceLine(unit, " ENTERED FLAS3L");
  }
  if (start != 0) {
    std::copy(liquids.xl1.begin(), liquids.xl1.end(), w1.begin());
    std::copy(liquids.xl2.begin(), liquids.xl2.end(), w2.begin());
  }
  const double eps = liquid_split::seedFraction(liquidClass);

  // 2-4. The key pair.
  const liquid_split::KeyChoice choice = liquid_split::chooseKeys(
      liquids, liquid_split::KeyRule::ThreePhase, feed, l1key, l2key, start, w1, w2);
  bool setUp = !choice.abandoned;
  if (setUp && print >= 2) liquid_split::traceKeys(unit, "FLAS3L-", p, t, l1key, l2key, feed);
  if (setUp && (l1key == 0 || l2key == 0)) setUp = false;
  if (setUp && choice.bothChosen && preferred > 0 && l1key == preferred) {
    l1key = l2key;
    l2key = preferred;
    if (print >= 2) liquid_split::traceKeyChange(unit, l1key, l2key);
  }

  if (setUp) {
    // 5. Start compositions: the seeds, or the given ones with an empty liquid seeded.
    if (start == 0) {
      seed(liquids.xl1, l1key, l2key, eps);
      seed(liquids.xl2, l2key, l1key, eps);
      std::fill(liquids.gl1.begin(), liquids.gl1.end(), 1.0);
      std::fill(liquids.gl2.begin(), liquids.gl2.end(), 1.0);
      std::copy(liquids.xl1.begin(), liquids.xl1.end(), w1.begin());
      std::copy(liquids.xl2.begin(), liquids.xl2.end(), w2.begin());
    } else {
      if (sum(liquids.xl1) <= 0.0) {
        seed(liquids.xl1, l1key, l2key, eps);
        seed(w1, l1key, l2key, eps);
      }
      if (sum(liquids.xl2) <= 0.0) {
        seed(liquids.xl2, l2key, l1key, eps);
        seed(w2, l2key, l1key, eps);
      }
    }
    // 6. One evaluation of the distribution coefficients; its status is not examined.
    liquids.evaluate();
    if (print >= 2) {
      traceLine(unit, "");
      liquid_split::traceLiquids(unit,
                                 " COMP   .. XL1 ...    .. XL2 ...   .. GL1 ...    "
                                 ".. GL2 ...   .. DCOEF ...",
                                 liquids, feed);
    }
    // 7. The running three-phase flash learns that a pair is set up.
    methods::THDXCH.IHVLLE = kPairSetUp;
  } else {
    // No pair: the liquids as the work copies hold them, an empty one as component 1.
    std::copy(w1.begin(), w1.end(), liquids.xl1.begin());
    std::copy(w2.begin(), w2.end(), liquids.xl2.begin());
    if (n > 0 && sum(liquids.xl1) <= 0.0) liquids.xl1[0] = 1.0;
    if (n > 0 && sum(liquids.xl2) <= 0.0) liquids.xl2[0] = 1.0;
  }

  // Exit.
  if (print >= 1) {
    char line[64];
    std::snprintf(line, sizeof line, " LEAVING FLAS3L - IHVLLE =%3d", methods::THDXCH.IHVLLE);
    traceLine(unit, line);
    traceLine(unit, "");
  }
  methods::THDXCH.L1KEY = l1key;
  methods::THDXCH.L2KEY = l2key;
}

}  // namespace flash
