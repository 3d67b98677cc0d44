// KCLLIQ: distribution coefficients between two given liquids.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "methods/methods.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/kvalue_pair_internal.hpp"
#include "thermo/equilibrium/kvalues.hpp"
#include "thermo/equilibrium/liquid_fugacity.hpp"
#include "thermo/equilibrium/liquid_liquid.hpp"
#include "thermo/equilibrium/slots.hpp"
#include "thermo/pure/pure.hpp"

namespace equilibrium {
namespace {

using kvalue_internal::requireWork;
using kvalue_internal::setWorkValue;
using kvalue_internal::workValue;

constexpr std::string_view kName = "KCLLIQ";
constexpr std::int32_t kDistributionType = 1907;
constexpr std::int32_t kDistributionSwitchWord = 21;
constexpr std::int32_t kDistributionSlopeArray = 12;
constexpr std::size_t kLiquidLiquidClass = 2;
constexpr double kPhiLimit = 70.0;
constexpr double kGammaLimit = 30.0;
constexpr std::int32_t kFailed = 2;

// Scratch kept between calls so that a warm call allocates nothing; every problem open
// starts it again.
struct DistributionScratch {
  std::vector<double> k, dkdt;
};
DistributionScratch distributionScratch;
const bool kScratchReset = services::registerKeptValues([] { distributionScratch = {}; });

std::int32_t headerWord(std::int32_t k) {
  const std::int32_t header = methods::MSPTRS.integerSectors(1);
  return header > 0 ? storage::CORSTO[header + k] : 0;
}

// Restores the K-value option digit of the set on every exit.
class OptionDigit {
 public:
  OptionDigit() {
    methods::KMCTL.kvalue.option = methods::MSPTRS.classes(kLiquidLiquidClass).optionWord % 10;
  }
  ~OptionDigit() { methods::KMCTL.kvalue.option = methods::MSPTRS.classes(1).optionWord % 10; }
  OptionDigit(const OptionDigit&) = delete;
  OptionDigit& operator=(const OptionDigit&) = delete;
};

// Correlation 1907 of component K (0-based): v and dv/dT.
void distribution(std::size_t k, double t, double p, double& v, double& dv) {
  double value[1] = {0.0}, slope[1] = {0.0};
  pure::XPCALC(kDistributionType, methods::MTSETN(kDistributionType), 1,
               static_cast<std::int32_t>(k + 1), 1, 0, t, p, value, slope);
  v = value[0];
  dv = slope[0];
}

}  // namespace

void KCLLIQ(std::span<std::int32_t> iflag, std::int32_t mode, std::int32_t ncomp,
            std::int32_t /*nck*/, double p, double t, std::span<double> xa, std::span<double> xb,
            std::span<const double> /*y*/, std::span<double> kd, std::span<double> phia,
            std::span<double> phib, double& za, double& zb, std::int32_t iskip,
            std::int32_t& istat) {
  // 1. Status and the liquid-liquid option digit.
  istat = 0;
  const OptionDigit option;
  const std::size_t n = static_cast<std::size_t>(ncomp > 0 ? ncomp : 0);
  LiquidSplitState& s = liquidSplitState;
  if (s.lnphi1.size() < n) s.lnphi1.resize(n, 0.0);
  if (s.lnphi2.size() < n) s.lnphi2.resize(n, 0.0);
  const auto m = static_cast<DistributionMode>(mode);
  requireWork(kDistributionSlopeArray, n, kName);

  // 2. Correlation first and only.
  if (m == DistributionMode::CorrelationOnly) {
    for (std::size_t k = 0; k < n; ++k) {
      double v = 0.0, dv = 0.0;
      distribution(k, t, p, v, dv);
      if (v > 0.0) {
        phia[k] = 1.0;
        phib[k] = kd[k] = v;
        if (k < iflag.size()) iflag[k] = 1;
        setWorkValue(kDistributionSlopeArray, k, dv / v);
      } else if (k < iflag.size()) {
        iflag[k] = 0;
      }
    }
    if (istat != 0) istat = kFailed;
    return;
  }
  const bool rigorousSeen = kvalueState.rigorousEvaluated != 0;
  const auto absent = [&](std::size_t k) {
    return !rigorousSeen && k < iflag.size() && iflag[k] == 0;
  };
  const bool byFugacity = m == DistributionMode::Fugacity || m == DistributionMode::Activity;
  // 3-4. The two liquids.
  for (int liquid = 1; liquid <= 2 && byFugacity; ++liquid) {
    if (iskip == liquid) continue;
    const std::span<double> x = (liquid == 1 ? xa : xb).first(n);
    services::NORMLZ(ncomp, x);
    std::vector<double>& lnphi = liquid == 1 ? s.lnphi1 : s.lnphi2;
    std::int32_t numerical = 0;
    FLCALC(ncomp, x, std::span<double>(lnphi.data(), n), t, p, liquid == 1 ? za : zb, 0, 0, iflag,
           0, istat, numerical);
    if (istat != 0) break;
    for (std::size_t k = 0; k < n; ++k) {
      double phi = 1.0;
      if (!absent(k)) {
        phi = m == DistributionMode::Fugacity
                  ? std::exp(std::clamp(lnphi[k], -kPhiLimit, kPhiLimit))
                  : std::exp(std::clamp(workValue(kLnGammaArray, k), -kGammaLimit, kGammaLimit));
      }
      (liquid == 1 ? phia : phib)[k] = phi;
      if (liquid == 2) {
        if (absent(k)) {
          kd[k] = 1.0;
        } else if (m == DistributionMode::Fugacity) {
          kd[k] = std::exp(std::clamp(s.lnphi2[k] - s.lnphi1[k], -kPhiLimit, kPhiLimit));
        } else {
          kd[k] = phib[k] / phia[k];
        }
      }
    }
  }
  // 6. The user-added liquid-liquid method.
  if (m == DistributionMode::User) {
    DistributionScratch& w = distributionScratch;
    if (w.k.size() < n) w.k.resize(n);
    if (w.dkdt.size() < n) w.dkdt.resize(n);
    std::fill_n(w.k.begin(), n, 0.0);
    UserKValueRequest r;
    r.code = methods::MSPTRS.classes(kLiquidLiquidClass).code;
    r.level = 2;
    r.rigorous = 1;
    r.ncomp = ncomp;
    r.y = xa.first(n);
    r.x = xb.first(n);
    r.t = t;
    r.p = p;
    double zl = 1.0, zv = 1.0;
    callUserKValues(r, std::span<double>(w.k.data(), n), std::span<double>(w.dkdt.data(), n), zl,
                    zv);
    for (std::size_t k = 0; k < n; ++k) {
      phia[k] = 1.0;
      phib[k] = kd[k] = std::max(w.k[k], std::exp(-kGammaLimit));
    }
  }
  // 7. The distribution-coefficient correlation.
  if (m == DistributionMode::Correlation || headerWord(kDistributionSwitchWord) > 0) {
    for (std::size_t k = 0; k < n; ++k) {
      double v = 0.0, dv = 0.0;
      distribution(k, t, p, v, dv);
      if (v > 0.0) {
        phia[k] = 1.0;
        phib[k] = kd[k] = v;
        setWorkValue(kDistributionSlopeArray, k, dv / v);
      }
    }
  }
  // 8. Any status is a failure.
  if (istat != 0) istat = kFailed;
}

}  // namespace equilibrium
