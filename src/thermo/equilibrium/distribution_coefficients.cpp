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
#include "thermo/equilibrium/sour_water_kvalues.hpp"
#include "thermo/equilibrium/weak_electrolytes.hpp"
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
// The sour-water and electrolyte correction: the liquid-liquid methods it serves, the least
// share of either liquid it needs, the limit of the logarithms it forms.
constexpr std::int32_t kSixSpecies = 503;
constexpr std::int32_t kSourElectrolyte = 510;
constexpr std::int32_t kWeakElectrolyte = 511;
constexpr double kLeastShare = 5e-7;
constexpr double kModelLimit = 30.0;
// The method-510 block: the table of problem components at I(2..21), the molecules' places
// in it from I(22).
constexpr std::int32_t kTablePlaces = 20;
// The method-511 block after its amine count q: carbon dioxide, water and hydrogen sulphide at
// I(q + 3..q + 5), the amines from I(q + 11).
constexpr std::int32_t kElectrolyteGases = 3;
constexpr std::int32_t kElectrolyteAmines = 11;

// Scratch kept between calls so that a warm call allocates nothing; every problem open
// starts it again.
struct DistributionScratch {
  std::vector<double> k, dkdt;
  std::vector<std::int32_t> keys;
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

// Word I(K) of the liquid-liquid method's block past its NCK per-component words (the
// starts already advanced).
std::int32_t modelWord(std::int32_t k) {
  const methods::LoadedBlock& b = methods::LDSTAT;
  return k >= 1 && k <= b.integerLength1 ? storage::CORSTO[b.integerSector1 + k] : 0;
}

// The block of the liquid-liquid method with its starts advanced past the pair parameters
// (NCK words and 7 NCK + 8 NCK(NCK - 1)/2 + 2 reals) for the life of the object.
class ModelPart {
 public:
  explicit ModelPart(std::int32_t nck)
      : integers_(nck), reals_(7 * nck + 8 * ((nck * (nck - 1)) / 2) + 2) {
    pure::MDLODC(static_cast<std::int32_t>(kLiquidLiquidClass));
    methods::LoadedBlock& b = methods::LDSTAT;
    b.integerSector1 += integers_;
    b.integerLength1 -= integers_;
    b.realSector1 += reals_;
    b.realLength1 -= reals_;
  }
  ~ModelPart() {
    methods::LoadedBlock& b = methods::LDSTAT;
    b.integerSector1 -= integers_;
    b.integerLength1 += integers_;
    b.realSector1 -= reals_;
    b.realLength1 += reals_;
  }
  ModelPart(const ModelPart&) = delete;
  ModelPart& operator=(const ModelPart&) = delete;

 private:
  std::int32_t integers_, reals_;
};

// 5. The key components of the sour-water or electrolyte method CODE get the distribution
// coefficient of the model's K-values: with phiV = exp(ln phiV of work array 7, limited
// to +-30), KV1 = PHIA/phiV and KV2 the model's K-value against liquid B,
//   KD = KV2/KV1 (exp(+-30) beyond), ln(phiB) = ln(phiV KD KV1), PHIB = exp(ln(phiB) limited).
// The model starts from the K-values of liquid B's own coefficients, PHIB/phiV, so that a key
// component the model leaves alone (a liquid that does not qualify) keeps its coefficient.
// Returns false when method 510 meets a K-value that is not positive.
bool sourCorrection(std::int32_t code, std::size_t n, std::int32_t nck, double t, double p,
                    std::span<const double> xb, std::span<const double> y,
                    std::span<const std::int32_t> iflag, std::span<double> kd,
                    std::span<const double> phia, std::span<double> phib) {
  LiquidSplitState& s = liquidSplitState;
  DistributionScratch& w = distributionScratch;
  if (s.kv1.size() < n) s.kv1.resize(n, 0.0);
  if (s.kv2.size() < n) s.kv2.resize(n, 0.0);
  if (w.dkdt.size() < n) w.dkdt.resize(n);
  const std::span<double> kv1(s.kv1.data(), n), kv2(s.kv2.data(), n), dk(w.dkdt.data(), n);
  requireWork(kVapourLnPhiArray, n, kName);
  const auto phiV = [](std::size_t c) {
    return std::exp(std::clamp(workValue(kVapourLnPhiArray, c), -kModelLimit, kModelLimit));
  };
  for (std::size_t c = 0; c < n; ++c) kv2[c] = phib[c] / phiV(c);

  const ModelPart part(nck);
  std::vector<std::int32_t>& keys = w.keys;
  keys.clear();
  if (code == kWeakElectrolyte) {
    const std::int32_t q = modelWord(2);
    if (q <= 0) return true;
    double heat = 0.0;
    AQELDR(static_cast<std::int32_t>(n), t, p, xb, y, kv2, dk, 0, 1, heat);
    for (std::int32_t k = kElectrolyteGases; k < kElectrolyteGases + 3; ++k) {
      keys.push_back(modelWord(q + k));
    }
    for (std::int32_t k = 0; k < q; ++k) keys.push_back(modelWord(q + kElectrolyteAmines + k));
  } else {
    KCSOUR(static_cast<std::int32_t>(n), t, p, 0.0, xb, y, kv2, code, dk, 0);
    if (code == kSixSpecies) {
      for (std::int32_t k = 1; k <= 4; ++k) keys.push_back(modelWord(k));
    } else {
      const std::int32_t molecules = modelWord(1);
      for (std::int32_t i = 1; i <= molecules; ++i) {
        keys.push_back(modelWord(1 + modelWord(kTablePlaces + 1 + i)));
      }
    }
  }

  const bool rigorousSeen = kvalueState.rigorousEvaluated != 0;
  for (const std::int32_t key : keys) {
    if (key <= 0 || static_cast<std::size_t>(key) > n) continue;
    const auto c = static_cast<std::size_t>(key - 1);
    if (!rigorousSeen && (c >= iflag.size() || iflag[c] == 0)) continue;
    const double v = phiV(c);
    kv1[c] = phia[c] / v;
    if (kv1[c] <= 0.0 || kv2[c] <= 0.0) {
      if (code == kSourElectrolyte) return false;
      // Another model's K-value of 0 stands for a vanishing share in the vapour.
      kd[c] = std::exp(-kModelLimit);
    } else {
      const double d = std::log(kv2[c]) - std::log(kv1[c]);
      kd[c] = d > kModelLimit    ? std::exp(kModelLimit)
              : d < -kModelLimit ? std::exp(-kModelLimit)
                                 : kv2[c] / kv1[c];
    }
    s.lnphi2[c] = std::log(v * kd[c] * kv1[c]);
    phib[c] = std::exp(std::clamp(s.lnphi2[c], -kModelLimit, kModelLimit));
  }
  return true;
}

}  // namespace

void KCLLIQ(std::span<std::int32_t> iflag, std::int32_t mode, std::int32_t ncomp, std::int32_t nck,
            double p, double t, std::span<double> xa, std::span<double> xb,
            std::span<const double> y, std::span<double> kd, std::span<double> phia,
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
  // 5. The sour-water and electrolyte correction of the key components, when both liquids
  //    hold a share of the split.
  const std::int32_t c2 = methods::MSPTRS.classes(kLiquidLiquidClass).code;
  if (istat == 0 && s.theta > kLeastShare && s.thetaRest > kLeastShare &&
      (c2 == kSixSpecies || c2 == kSourElectrolyte || c2 == kWeakElectrolyte)) {
    if (!sourCorrection(c2, n, nck, t, p, xb.first(n), y.first(std::min(y.size(), n)), iflag, kd,
                        phia, phib)) {
      istat = kFailed;
      return;
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
