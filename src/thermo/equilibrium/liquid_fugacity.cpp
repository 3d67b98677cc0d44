// FLCALC: ln(phi) and Z of a liquid by the K-value method of the current set, through the
// shared equation-of-state routes or the activity-coefficient route.
#include "thermo/equilibrium/liquid_fugacity.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/scratch_vectors.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/activity_dispatcher.hpp"
#include "thermo/equilibrium/fugacity_routes.hpp"
#include "thermo/equilibrium/vapour_fugacity.hpp"
#include "thermo/pure/pure.hpp"

namespace equilibrium {
namespace {

using fugacity_internal::dump;
using fugacity_internal::RouteCall;
using fugacity_internal::storeArray;
using methods::LDSTAT;
using storage::CORSTO;

constexpr std::string_view kName = "FLCALC";
constexpr int kFugacityDebugSwitch = 54;
constexpr std::int32_t kDumpLevel = 3;
constexpr std::int32_t kCubeRootAssociating = 122;
constexpr std::int32_t kLiquidLiquidSlot = 2;
constexpr std::int32_t kLiquidLiquidLevel = 2;
constexpr std::int32_t kRegularSolutionCorrelation = 120;
constexpr std::int32_t kRegularSolutionControlWords = 6;

std::int32_t diagnostic(int k) { return services::GDPOPT.diagnosticSwitch(k); }

// The K-value slot word and method code, switched to the liquid-liquid method for a call at
// the liquid-liquid level and restored when the call ends (aborts included).
class LevelSwitch {
 public:
  LevelSwitch() : code_(methods::KMCTL.kvalue.code), slot_(methods::KMCTL.kvalue.slot) {
    if (methods::KMCTL.levelWord == kLiquidLiquidLevel) {
      methods::KMCTL.kvalue.slot = kLiquidLiquidSlot;
      methods::KMCTL.kvalue.code = methods::MSPTRS.classes(kLiquidLiquidSlot).code;
    }
  }
  ~LevelSwitch() {
    methods::KMCTL.kvalue.code = code_;
    methods::KMCTL.kvalue.slot = slot_;
  }
  LevelSwitch(const LevelSwitch&) = delete;
  LevelSwitch& operator=(const LevelSwitch&) = delete;

 private:
  std::int32_t code_;
  std::int32_t slot_;
};

// The activity route's owned copies of the model's regions and its results, kept between
// calls so that a warm call allocates nothing; every problem open starts them again.
struct ActivityScratch {
  std::vector<double> param, cache, work;
  std::vector<std::int32_t> iaux1;
  std::vector<double> x, flnx, dflnx, lngam, dlngdt, diagonal, dlngdx;
  std::vector<double> lnpoy, dlnpoy, vliq, dvliq, lnphis, dlnphs;
};
ActivityScratch activityScratch;
const bool kActivityScratchReset = services::registerKeptValues([] { activityScratch = {}; });

std::size_t count(std::int32_t v) { return static_cast<std::size_t>(v > 0 ? v : 0); }

void copyReals(std::int32_t sector, std::span<double> to) {
  for (std::size_t k = 0; k < to.size(); ++k) {
    to[k] = CORSTO.real(sector + static_cast<std::int32_t>(k) + 1);
  }
}

void storeReals(std::int32_t sector, std::span<const double> from) {
  for (std::size_t k = 0; k < from.size(); ++k) {
    CORSTO.setReal(sector + static_cast<std::int32_t>(k) + 1, from[k]);
  }
}

// The integer words first+1 .. first+count of the held block, as a view of the core store.
std::span<std::int32_t> integerRegion(std::int32_t first, std::size_t n) {
  if (n == 0 || first <= 0) return {};
  return CORSTO.words(first + 1, static_cast<std::int32_t>(n));
}

// 5. The activity route: ACCALC on the activity model of the level word's class.
void activityRoute(std::int32_t n, std::span<const double> x, std::span<double> lnphi, double t,
                   double p, std::int32_t request, std::span<const std::int32_t> phaseFlags,
                   std::int32_t& status) {
  methods::KValueMethods& k = methods::KMCTL;
  pure::MDLODE(k.levelWord >= 1 ? k.levelWord : 1);
  const std::int32_t code = k.liquidFugacity.code;
  const std::size_t nl =
      std::max(count(n), count(problem::COHDR(problem::cohdr::kLiquidComponents)));
  ActivityScratch& s = activityScratch;

  // The model's regions: control words (code 120: after the first N), parameters, cached
  // terms and second integers of the block; the work areas of the method class.
  std::size_t ictlStart = 0;
  std::size_t ictlWords = count(LDSTAT.integerLength1);
  if (code == kRegularSolutionCorrelation) {
    ictlStart = count(n);
    ictlWords = std::min(count(kRegularSolutionControlWords),
                         ictlWords > ictlStart ? ictlWords - ictlStart : 0);
  }
  const std::span<std::int32_t> ictl =
      integerRegion(LDSTAT.integerSector1 + static_cast<std::int32_t>(ictlStart), ictlWords);
  const std::span<std::int32_t> iaux2 =
      integerRegion(LDSTAT.integerSector2, count(LDSTAT.integerLength2));
  const std::span<double> param = services::sized(s.param, count(LDSTAT.realLength1));
  const std::span<double> cache = services::sized(s.cache, count(LDSTAT.realLength2));
  copyReals(LDSTAT.realSector1, param);
  if (!cache.empty()) copyReals(LDSTAT.realSector2, cache);
  const std::int32_t realWork = methods::PMCTL2.realScratchSize;
  const std::int32_t integerWork = methods::PMCTL2.integerScratchSize;
  const std::span<double> work = services::sized(s.work, std::max(count(realWork), 4 * nl));
  if (s.iaux1.size() < std::max<std::size_t>(count(integerWork), 1)) {
    s.iaux1.resize(std::max<std::size_t>(count(integerWork), 1));
  }

  // The request: temperature derivatives for any nonzero units digit.
  const std::int32_t units = request % 10 != 0 ? 1 : 0;
  const std::int32_t ktderv = request - request % 10 + units;
  const bool composition = (request / 100) % 10 != 0;
  const std::span<double> xs = services::sized(s.x, nl);
  std::fill(xs.begin(), xs.end(), 0.0);
  std::copy_n(x.begin(), std::min(x.size(), nl), xs.begin());
  const std::span<double> flnx = services::sized(s.flnx, nl), dflnx = services::sized(s.dflnx, nl);
  const std::span<double> lngam = services::sized(s.lngam, nl),
                          dlngdt = services::sized(s.dlngdt, nl);
  const std::span<double> diagonal = services::sized(s.diagonal, nl);
  const std::span<double> dlngdx = services::sized(s.dlngdx, nl * nl);
  const std::span<double> lnpoy = services::sized(s.lnpoy, nl),
                          dlnpoy = services::sized(s.dlnpoy, nl);
  const std::span<double> vliq = services::sized(s.vliq, nl), dvliq = services::sized(s.dvliq, nl);
  const std::span<double> lnphis = services::sized(s.lnphis, nl),
                          dlnphs = services::sized(s.dlnphs, nl);
  for (auto v : {dflnx, dlngdt, lnpoy, dlnpoy, vliq, dvliq, lnphis, dlnphs}) {
    std::fill(v.begin(), v.end(), 0.0);
  }
  ACCALC(t, p, xs, param, ictl, phaseFlags, n, realWork, integerWork, LDSTAT.realLength1,
         static_cast<std::int32_t>(ictl.size()), 0, 0, k.liquidFugacity, ktderv, work,
         std::span<std::int32_t>(s.iaux1), cache, iaux2, flnx, dflnx, lngam, dlngdt, diagonal,
         dlngdx, lnpoy, dlnpoy, vliq, dvliq, lnphis, dlnphs, status);

  // The model's own terms go back into the block (the group model writes its parameters).
  storeReals(LDSTAT.realSector1, param);
  if (!cache.empty()) storeReals(LDSTAT.realSector2, cache);

  const std::size_t nc = count(n);
  std::copy_n(flnx.begin(), std::min(nc, nl), lnphi.begin());
  storeArray(kLnGammaArray, lngam, kName);
  storeArray(kPoyntingArray, lnpoy, kName);
  storeArray(kLiquidVolumeArray, vliq, kName);
  storeArray(kSaturatedVapourArray, lnphis, kName);
  if (units != 0) {
    storeArray(kLiquidLnPhiTArray, dflnx, kName);
    storeArray(kLnGammaTArray, dlngdt, kName);
    storeArray(kPoyntingTArray, dlnpoy, kName);
    storeArray(kLiquidVolumeTArray, dvliq, kName);
    storeArray(kSaturatedVapourTArray, dlnphs, kName);
  }
  if (composition) storeArray(kLnGammaXArray, dlngdx, kName);
}

[[noreturn]] void noRoute(std::int32_t code) {
  services::ERRITM("CODE", code);
  services::ABTRPT("KC", kName, kName, "LIQUID METHOD HAS NO FUGACITY ROUTE");
}

bool modelRegionsByLevel(std::int32_t code) { return code == 109 || code == 112 || code == 113; }

}  // namespace

void FLCALC(std::int32_t n, std::span<const double> x, std::span<double> lnphi, double t, double p,
            double& z, std::int32_t request, std::int32_t /*unused*/,
            std::span<const std::int32_t> phaseFlags, std::int32_t fugacity, std::int32_t& status,
            std::int32_t& numerical) {
  // 1. Entry: counters, the phase marker of the root routine, the entry dump.
  const services::RoutineTimer timer(kTimingSlotFLCALC);
  pure::EOSDBG.request = pure::kLiquidPhase;
  fugacityDerivativeFlags.IDRVL = 0;
  const std::size_t nc = count(n);
  const std::span<const double> xs = x.first(nc);
  const std::span<double> result = lnphi.first(nc);
  const bool dumps = diagnostic(kFugacityDebugSwitch) >= kDumpLevel;
  if (dumps) dump(" COMP     MOLE FRNS  IN  FLCALC", xs);

  {
    // 2. The liquid-liquid level computes with the liquid-liquid method.
    const LevelSwitch level;
    methods::KValueMethods& k = methods::KMCTL;

    // 3. Z, the status and the level of the request (method 122 differences the
    //    composition itself).
    z = 1.0;
    status = 0;
    std::int32_t l = fugacityLevel(request);
    const std::int32_t code = k.kvalue.code;
    if (code == kCubeRootAssociating && l == kCompositionLevel) {
      if (numerical == 0) {
        numerical = 1;
        l = kTemperatureLevel;
      } else {
        l = kValuesLevel;
      }
    }

    // 4. The block of the K-value slot.
    pure::MDLODC(k.kvalue.slot);

    if (k.kvalue.option == kActivityOptionDigit) {
      // 5. The activity route: ln(f/x), Z = 1, no ln P.
      activityRoute(n, xs, result, t, p, request, phaseFlags, status);
    } else {
      // 6. The equation-of-state route at the liquid root.
      if (modelRegionsByLevel(code) && k.levelWord < 1) k.levelWord = 1;
      RouteCall call;
      call.code = code;
      call.phase = pure::kLiquidPhase;
      call.level = l;
      call.cacheAllowed = true;
      call.nc = n;
      call.t = t;
      call.p = p;
      call.x = xs;
      call.arrays = fugacity_internal::kLiquidArrays;
      call.routine = kName;
      if (!fugacity_internal::densityKernelRoute(call, result, z, status) &&
          !fugacity_internal::cubicRoute(call, result, z)) {
        noRoute(code);
      }
      // 7. Fugacity mode: ln f = ln(phi) + ln P.
      if (fugacity == 1) {
        const double lnP = std::log(p);
        for (double& v : result) v += lnP;
      }
    }
  }

  // 8. Exit dump.
  if (dumps) dump(" COMP     LN(FL) LEAVING FLCALC", result);
}

}  // namespace equilibrium
