// KCVLLE: K-values of a vapour against a liquid that may split into two liquids.
#include "thermo/equilibrium/liquid_liquid.hpp"

#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/scratch_vectors.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/kvalue_pair_internal.hpp"
#include "thermo/equilibrium/kvalues.hpp"
#include "thermo/equilibrium/slots.hpp"

namespace equilibrium {

LiquidSplitState liquidSplitState;

namespace {

using kvalue_internal::requireWork;
using kvalue_internal::setWorkValue;
using kvalue_internal::workValue;

constexpr std::string_view kName = "KCVLLE";
constexpr std::int32_t kVapourLiquidLevel = 1;
constexpr std::int32_t kLiquidLiquidLevel = 2;
constexpr std::size_t kLiquidLiquidClass = 2;
constexpr std::int32_t kKey1Word = 6;
constexpr std::int32_t kKey2Word = 7;
constexpr std::int32_t kWaterWord = 1;
constexpr double kKeyPresent = 1e-6;
constexpr std::int32_t kThreePhaseRunning = 2;
// Work arrays that keep the first pair's dK/dP and dK/dT while the second one runs.
constexpr std::int32_t kFirstDkDpArray = 19;
constexpr std::int32_t kFirstDkDtArray = 51;
// Debug switches: the three-phase debug level and the water debug level.
constexpr int kThreePhaseDebugSwitch = 22;
constexpr int kWaterDebugSwitch = 2;

const bool kSplitStateReset = services::registerKeptValues([] { liquidSplitState = {}; });

std::int32_t headerWord(std::int32_t k) {
  const std::int32_t header = methods::MSPTRS.integerSectors(1);
  return header > 0 ? storage::CORSTO[header + k] : 0;
}

std::int32_t presentKey(std::int32_t comp, std::span<const double> x) {
  if (comp < 1 || static_cast<std::size_t>(comp) > x.size()) return 0;
  return x[static_cast<std::size_t>(comp - 1)] > kKeyPresent ? comp : 0;
}

// 11. No split: the stored split unusable, a plain pair evaluation of the caller's liquid.
void noSplit(std::int32_t nck, std::int32_t ncomp, std::span<const double> y,
             std::span<const double> x, std::span<double> k, double t, double p, double& zv,
             double& zl, std::int32_t& kccall, std::int32_t kcdrv, std::int32_t kcopt,
             std::int32_t& ierr, double fy, double fx, std::span<std::int32_t> iflag,
             std::int32_t reserved, std::int32_t& ifugst) {
  LiquidSplitState& s = liquidSplitState;
  methods::KMCTL.levelWord = kVapourLiquidLevel;
  std::fill(s.x1.begin(), s.x1.end(), services::DMISS);
  std::fill(s.x2.begin(), s.x2.end(), services::DMISS);
  s.theta = s.thetaRest = -1.0;
  s.z1 = s.z2 = 0.0;
  kccall = kFullCall;
  KCPAIR(nck, ncomp, y, x, k, t, p, zv, zl, kccall, kcdrv, kcopt, ierr, fy, fx, iflag, reserved,
         ifugst);
}

}  // namespace

std::int32_t liquidLiquidClass(std::int32_t code) {
  if (methods::MTISB(code) || code == 120) return 1;
  if (code >= methods::kFirstUserMethod && code <= methods::kLastUserMethod) return 2;
  if (code == 504) return 3;
  return 0;
}

void KCVLLE(std::int32_t nck, std::int32_t ncomp, std::span<const double> y,
            std::span<const double> x, std::span<double> k, double t, double p, double& zv,
            double& zl, std::int32_t& kccall, std::int32_t kcdrv, std::int32_t kcopt,
            std::int32_t& ierr, double fy, double fx, std::span<std::int32_t> iflag,
            std::int32_t reserved, std::int32_t& ifugst) {
  LiquidSplitState& s = liquidSplitState;
  const std::size_t n = static_cast<std::size_t>(ncomp > 0 ? ncomp : 0);
  const std::size_t nk = std::min(static_cast<std::size_t>(nck > 0 ? nck : 0), n);
  const std::span<double> x1 = services::sized(s.x1, n, services::DMISS);
  const std::span<double> x2 = services::sized(s.x2, n, services::DMISS);
  const std::span<double> lnphi1 = services::sized(s.lnphi1, n, 0.0);
  const std::span<double> lnphi2 = services::sized(s.lnphi2, n, 0.0);
  const std::span<double> kv1 = services::sized(s.kv1, n, 0.0);
  const std::span<double> kv2 = services::sized(s.kv2, n, 0.0);
  for (std::int32_t a :
       {kFirstDkDpArray, kFirstDkDtArray, kDkDtArray, kDkDpArray, kLiquidLnPhiArray}) {
    requireWork(a, n, kName);
  }

  // 1-3. The level, the key components, the stored split and the method class.
  methods::KMCTL.levelWord = kLiquidLiquidLevel;
  const std::int32_t water = headerWord(kWaterWord);
  const std::int32_t key1 = presentKey(headerWord(kKey1Word), x);
  std::int32_t key2 = presentKey(headerWord(kKey2Word), x);
  if (key2 == 0) key2 = presentKey(water, x);
  const std::int32_t usable = !x1.empty() && x1[0] >= services::RMISS ? 1 : 0;
  const std::int32_t methodClass =
      liquidLiquidClass(methods::MSPTRS.classes(kLiquidLiquidClass).code);
  const bool liquidChanged = optionDigit(kccall, 3) == 0;

  // 4. A changed liquid is split again (the split's own status cell).
  double za = s.z1, zb = s.z2;
  if (liquidChanged) {
    LiquidSplitRequest request;
    request.flags = iflag;
    request.key1 = key1;
    request.key2 = key2;
    request.water = water;
    request.usable = usable;
    request.methodClass = methodClass;
    request.ncomp = ncomp;
    request.nck = nck;
    const std::int32_t debug3 = services::GDPOPT.diagnosticSwitch(kThreePhaseDebugSwitch);
    request.debug = debug3 >= 2                                                 ? 2
                    : services::GDPOPT.diagnosticSwitch(kWaterDebugSwitch) >= 3 ? 1
                                                                                : 0;
    request.unit = services::IOUNIT.report;
    request.p = p;
    request.t = t;
    request.x = x.first(n);
    request.y = y.first(n);
    request.threePhase = methods::THDXCH.IHVLLE == kThreePhaseRunning;
    LiquidSplitResult result;
    result.x1 = x1;
    result.x2 = x2;
    result.theta = s.theta;
    callLiquidSplit(request, result);
    s.theta = result.theta;
    if (s.theta > 0.0) {
      s.thetaRest = 1.0 - s.theta;
      za = result.za;
      zb = result.zb;
      if (methodClass == 0) {
        s.z1 = za;
        s.z2 = zb;
        zl = za * s.theta + zb * (1.0 - s.theta);
      }
    }
  }
  // 5. No liquid-liquid split.
  if (!(s.theta > 0.0)) {
    noSplit(nck, ncomp, y, x, k, t, p, zv, zl, kccall, kcdrv, kcopt, ierr, fy, fx, iflag, reserved,
            ifugst);
    return;
  }
  const double theta = s.theta;

  // 6-7. The vapour against liquid 1.
  methods::KMCTL.levelWord = kVapourLiquidLevel;
  zv = 1.0;
  if (!liquidChanged) {
    for (std::size_t i = 0; i < n; ++i) setWorkValue(kLiquidLnPhiArray, i, lnphi1[i]);
  }
  // The two pairs give K, which the combination below needs; digit 8 is applied at the end.
  const std::int32_t pairOption = withoutLnK(kcopt);
  double zlScratch = 1.0;
  KCPAIR(nck, ncomp, y, x1, kv1, t, p, zv, zlScratch, kccall, kcdrv, pairOption, ierr, fy, fx,
         iflag, reserved, ifugst);
  std::int32_t distinct = 1;
  double difference = 0.0;
  if (methodClass == 0) {
    methods::FLSKSP(iflag, kv1, zv, za, theta, 1.0 - theta, distinct, 0, difference, nck);
    if (distinct == 0) {
      noSplit(nck, ncomp, y, x, k, t, p, zv, zl, kccall, kcdrv, kcopt, ierr, fy, fx, iflag,
              reserved, ifugst);
      return;
    }
  }
  // 9. Keep the first pair's derivatives and liquid fugacities.
  for (std::size_t i = 0; i < n; ++i) {
    setWorkValue(kFirstDkDtArray, i, workValue(kDkDtArray, i));
    setWorkValue(kFirstDkDpArray, i, workValue(kDkDpArray, i));
    if (liquidChanged) {
      lnphi1[i] = workValue(kLiquidLnPhiArray, i);
    } else {
      setWorkValue(kLiquidLnPhiArray, i, lnphi2[i]);
    }
  }
  if (optionDigit(kccall, 4) == 0) kccall += 1000;

  // 10. The vapour against liquid 2, with the vapour of the first pair.
  double zvScratch = 1.0;
  zlScratch = 1.0;
  KCPAIR(nck, ncomp, y, x2, kv2, t, p, zvScratch, zlScratch, kccall, kcdrv, pairOption, ierr, fy,
         fx, iflag, reserved, ifugst);
  if (methodClass == 0) {
    methods::FLSKSP(iflag, kv2, zvScratch, zb, 0.5, 0.5, distinct, 0, difference, nck);
    if (distinct == 0) {
      noSplit(nck, ncomp, y, x, k, t, p, zv, zl, kccall, kcdrv, kcopt, ierr, fy, fx, iflag,
              reserved, ifugst);
      return;
    }
  }
  if (liquidChanged) {
    for (std::size_t i = 0; i < n; ++i) lnphi2[i] = workValue(kLiquidLnPhiArray, i);
  }
  // The combination: 1/K = theta/KV1 + (1 - theta)/KV2.
  for (std::size_t i = 0; i < n; ++i) {
    if (i >= nk) {
      k[i] = 0.0;
      setWorkValue(kDkDtArray, i, 0.0);
      setWorkValue(kDkDpArray, i, 0.0);
      continue;
    }
    const double d = theta * kv2[i] + (1.0 - theta) * kv1[i];
    k[i] = kv1[i] * kv2[i] / d;
    const double dt1 = workValue(kFirstDkDtArray, i), dt2 = workValue(kDkDtArray, i);
    const double dp1 = workValue(kFirstDkDpArray, i), dp2 = workValue(kDkDpArray, i);
    setWorkValue(kDkDtArray, i,
                 (kv1[i] * dt2 + kv2[i] * dt1 - k[i] * (theta * dt2 + (1.0 - theta) * dt1)) / d);
    setWorkValue(kDkDpArray, i,
                 (kv1[i] * dp2 + kv2[i] * dp1 - k[i] * (theta * dp2 + (1.0 - theta) * dp1)) / d);
  }
  if (decodeKOption(kcopt).lnK == 1) toLnK(k.first(n));
  ierr = 0;
}

}  // namespace equilibrium
