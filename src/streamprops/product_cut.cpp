// The cut temperature of a product (code 406): the cumulative volume yield of a unit's
// products up to one of them, read on the TBP curve of the unit's feed.
#include <algorithm>
#include <array>
#include <vector>

#include "problem/component_data.hpp"
#include "problem/database.hpp"
#include "problem/entity_contexts.hpp"
#include "problem/method_set_control.hpp"
#include "problem/streams.hpp"
#include "services/kept_values.hpp"
#include "services/markers.hpp"
#include "services/run_options.hpp"
#include "storage/storage.hpp"
#include "streamprops/basis_vectors.hpp"
#include "streamprops/curve_internal.hpp"
#include "streamprops/distillation_group.hpp"
#include "streamprops/property_internal.hpp"
#include "streamprops/unit_data.hpp"
#include "thermo/pure/liquid_density.hpp"

namespace streamprops {
namespace {

// Items of the unit's integer record.
constexpr std::int32_t kControlItem = 1;
constexpr std::int32_t kProductBlocksWord = 16;  // of item 1: the blocks of the slate
constexpr std::int32_t kBlockIdItem = 3;         // the identifier word of each block
constexpr std::int32_t kSlateItem = 81;          // ten product streams per block
constexpr std::int32_t kBlockStreams = 10;
// The identifier word of a specification: word 3 of its integer sector 1.
constexpr std::int32_t kSpecificationIdWord = 3;
// The D86 conversion method (of the BP options) that has no TBP curve to read.
constexpr std::int32_t kNoTbpMethod = 6;

// Kept so that a warm call allocates nothing; every problem open frees it.
std::vector<double> composition;
std::vector<double> secondDerivatives;
const bool kReset = services::registerKeptValues([] {
  composition = {};
  secondDerivatives = {};
});

// The streams of both pointer sets, current again when this leaves scope.
class CurrentStreams {
 public:
  CurrentStreams() : set1_(problem::SRPSET.set1.stream), set2_(problem::SRPSET.set2.stream) {}
  ~CurrentStreams() {
    if (set2_ > 0) problem::SRSET(set2_, 0);
    if (set1_ > 0) problem::SRSETT(set1_);
  }
  CurrentStreams(const CurrentStreams&) = delete;
  CurrentStreams& operator=(const CurrentStreams&) = delete;

 private:
  std::int32_t set1_, set2_;
};

// The water-free standard liquid volume flow of stream S, m3 per unit of molar rate time:
// the standard volumes of its composition over the components of the liquid vectors times
// its rate, worked on a temporary copy.
double liquidVolumeFlow(std::int32_t s) {
  std::int32_t copy = 0;
  problem::SRSAVE(s, copy);
  problem::SRSET(copy, 10);
  const problem::MainRecord m(problem::SRPSET.set2);
  const std::int32_t ncl = problem::COHDR(problem::cohdr::kLiquidComponents);
  const auto n = static_cast<std::size_t>(std::max(ncl, 0));
  if (composition.size() < n) composition.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    composition[i] = m.vector(problem::srmain::kOverall, static_cast<std::int32_t>(i + 1));
  }
  double vdry = 0.0, vwet = 0.0, sdry = 0.0, swet = 0.0;
  const std::int32_t water = problem::THCTL.idecnt;
  pure::APICNV(static_cast<std::int32_t>(pure::MixtureBasis::StandardVolume), 1, ncl, water,
               std::span<const double>(composition.data(), n), vdry, vwet, sdry, swet);
  // With a water component: the dry molar volume times the dry share of the composition.
  double v = vwet;
  if (water > 0) v = swet > 0.0 ? vdry * sdry / swet : 0.0;
  const double flow = v * m.real(problem::srmain::kRate);
  problem::SRKILL(copy);
  return flow;
}

}  // namespace

void SPE406(std::int32_t iref, std::int32_t iprod, double& yield) {
  yield = 0.0;
  const CurrentStreams restore;
  const double v0 = liquidVolumeFlow(iref);

  // The block of the slate that the current specification names (the first when none does).
  const std::int32_t unit = problem::UNCURR.context3.unit;
  std::int32_t blocks = 0, ierr = 0;
  IIUGET(unit, kControlItem, kProductBlocksWord, blocks, ierr);
  std::int32_t id = 0;
  if (problem::SPCUR.item > 0) {
    id = storage::CORSTO[problem::SPCUR.integerSectors[0] + kSpecificationIdWord];
  }
  std::int32_t q = 1;
  for (std::int32_t k = 1; k <= blocks; ++k) {
    std::int32_t word = 0;
    IIUGET(unit, kBlockIdItem, k, word, ierr);
    if (word == id) {
      q = k;
      break;
    }
  }

  // The products of the block up to and including IPROD.
  double sum = 0.0;
  for (std::int32_t j = kBlockStreams * (q - 1) + 1; j <= kBlockStreams * q; ++j) {
    std::int32_t s = 0;
    IIUGET(unit, kSlateItem, j, s, ierr);
    if (s == 0) continue;
    sum += liquidVolumeFlow(s);
    if (s == iprod) break;
  }
  if (v0 > 0.0) yield = sum * 100.0 / v0;
}

void SPE46B(std::int32_t iref, double yield, std::int32_t noflag, double& value) {
  value = 0.0;
  if (problem::DBGLOB.bpvals.integers(5) == kNoTbpMethod) return;
  const CurrentStreams restore;
  std::int32_t copy = 0;
  problem::SRSAVE(iref, copy);
  problem::SRSETT(copy);
  {
    const std::size_t n =
        static_cast<std::size_t>(std::max(problem::COHDR(problem::cohdr::kComponents), 0));
    const detail::BasisVector basis(static_cast<std::int32_t>(PhaseBasis::Whole), noflag);
    if (composition.size() < n) composition.resize(n);
    std::span<double> x(composition.data(), n);
    if (n > 0) basis.x().copyTo(x);
    std::array<double, kCurvePoints> t{};
    const BlendConstants c = detail::constantsOf(n);
    if (!detail::curveOf(x, 1, 0, services::IOUNIT.report, c, t)) t.fill(0.0);
    // The table of percentages: initial point, 5, 10, ..., 95, end point.
    double ibp = 0.0, end = 0.0;
    detail::curveCuts(ibp, end);
    std::array<double, kCurvePoints> p{};
    for (std::size_t k = 0; k < kCurvePoints; ++k) p[k] = 5.0 * static_cast<double>(k);
    p[0] = ibp * 100.0;
    p[kCurvePoints - 1] = end * 100.0;
    if (secondDerivatives.size() < kCurvePoints) secondDerivatives.resize(kCurvePoints);
    double slope = 0.0, curvature = 0.0;
    TBPHLP(static_cast<std::int32_t>(kCurvePoints), p, t,
           std::span<double>(secondDerivatives.data(), kCurvePoints), yield, value, slope,
           curvature, 0, 0);
  }
  problem::SRKILL(copy);
}

}  // namespace streamprops
