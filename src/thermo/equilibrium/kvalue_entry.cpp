// KCALC and KCDISP: the K-value entry, its option words and the dispatcher that prepares the
// compositions.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/equilibrium/kvalue_kernels.hpp"
#include "thermo/equilibrium/kvalue_pair_internal.hpp"
#include "thermo/equilibrium/kvalues.hpp"
#include "thermo/equilibrium/liquid_liquid.hpp"
#include "thermo/equilibrium/water_kvalues.hpp"

namespace equilibrium {
namespace {

using kvalue_internal::requireWork;
using kvalue_internal::setWorkValue;

constexpr std::string_view kName = "KCALC";
constexpr double kPresence = 1e-16;
constexpr std::int64_t kCounterWrap = 1000000000;
// NRMCNT options: the flags cleared, then counted; counted without clearing.
constexpr std::int32_t kCountFresh = 1;
constexpr std::int32_t kCountMore = 11;
constexpr std::int32_t kVapourLiquidLevel = 1;
constexpr std::int32_t kLiquidLiquidLevel = 2;
constexpr std::size_t kLiquidLiquidClass = 2;

// The normalised compositions, kept between calls so that a warm call allocates nothing;
// every problem open starts them again.
struct EntryScratch {
  std::vector<double> y, x;
  std::vector<std::int32_t> flags;
};
EntryScratch entryScratch;
const bool kEntryScratchReset = services::registerKeptValues([] { entryScratch = {}; });

// The phase-type flags: the integer work array of the flash work space, copied in and out.
std::span<std::int32_t> flagArray(std::size_t n) {
  const std::int32_t size = problem::FWPART.integerSize(kPhaseFlagArray);
  if (static_cast<std::size_t>(size > 0 ? size : 0) < n) {
    services::ERRITM("ARRAY", static_cast<std::int32_t>(kPhaseFlagArray));
    services::ERRITM("SIZE", size);
    services::ERRITM("NEEDED", static_cast<std::int32_t>(n));
    services::ABTRPT("KC", kName, kName, "FLASH WORK ARRAY TOO SHORT");
  }
  if (n == 0) return {};
  return storage::CORSTO.words(problem::FWPART.integerOffset(kPhaseFlagArray) + 1,
                               static_cast<std::int32_t>(n));
}

bool hasLiquidLiquidMethod() {
  const std::int32_t code = methods::MSPTRS.classes(kLiquidLiquidClass).code;
  return code != services::IMISS && code > 0;
}

}  // namespace

std::int32_t optionDigit(std::int32_t word, int place) {
  for (int k = 1; k < place; ++k) word /= 10;
  return (word < 0 ? -word : word) % 10;
}

KOption decodeKOption(std::int32_t kcopt) {
  return {optionDigit(kcopt, 1), optionDigit(kcopt, 3), optionDigit(kcopt, 4),
          optionDigit(kcopt, 5), optionDigit(kcopt, 6), optionDigit(kcopt, 7),
          optionDigit(kcopt, 8)};
}

std::int32_t withoutLnK(std::int32_t kcopt) {
  const std::int32_t digit = optionDigit(kcopt, 8);
  return kcopt < 0 ? kcopt + digit * kLnKDigit : kcopt - digit * kLnKDigit;
}

void toLnK(std::span<double> k) {
  for (double& v : k) v = v > 0.0 ? std::clamp(std::log(v), -kMaxLnK, kMaxLnK) : -kMaxLnK;
}

KDerivatives decodeKDerivatives(std::int32_t kcdrv) {
  KDerivatives d{optionDigit(kcdrv, 1), 0};
  for (int place = 2; place <= 7; ++place) {
    if (optionDigit(kcdrv, place) != 0) d.c = 1;
  }
  return d;
}

void KCALC(std::int32_t nck, std::int32_t ncomp, std::span<const double> y,
           std::span<const double> x, std::span<double> k, double t, double p, double& zv,
           double& zl, std::int32_t& kccall, std::int32_t kcdrv, std::int32_t kcopt,
           std::int32_t& ierr, std::int32_t reserved, std::int32_t& ifugst) {
  // 1. The stored K-value model when its switches are on.
  const StoredModelSwitches& sw = storedModelSwitches;
  if (sw.a == 1 && sw.b != 0 && sw.c == 1) {
    std::int32_t declined = 1;
    KCMODL(t, p, nck, ncomp, y, x, k, kcopt, declined);
    if (declined == 0) {
      if (decodeKOption(kcopt).lnK == 1) {
        toLnK(k.first(std::min(k.size(), static_cast<std::size_t>(std::max(ncomp, 0)))));
      }
      ierr = 0;
      return;
    }
    ifugst = 0;
  }
  // 2. The dispatcher.
  KCDISP(nck, ncomp, y, x, k, t, p, zv, zl, kccall, kcdrv, kcopt, ierr, reserved, ifugst);
  ierr = 0;
}

void KCDISP(std::int32_t nck, std::int32_t ncomp, std::span<const double> y,
            std::span<const double> x, std::span<double> k, double t, double p, double& zv,
            double& zl, std::int32_t& kccall, std::int32_t kcdrv, std::int32_t kcopt,
            std::int32_t& ierr, std::int32_t reserved, std::int32_t& ifugst) {
  // 1-2. The call counter (wrapping at a thousand million) and the clock.
  KValueState& state = kvalueState;
  if (++state.calls >= kCounterWrap) {
    state.calls = 0;
    ++state.callOverflows;
  }
  const bool clocked = services::GDPOPT.diagnosticSwitch(services::kTimingSwitch) > 0;
  double start = 0.0;
  if (clocked) services::CLKSEC(start);

  // 3. The option word and the level.
  const KOption d = decodeKOption(kcopt);
  methods::KMCTL.levelWord = d.liquidLiquid == 0 ? kVapourLiquidLevel : kLiquidLiquidLevel;

  // 4. The compositions, normalised without water unless digit 6 says otherwise.
  const std::size_t n = static_cast<std::size_t>(ncomp > 0 ? ncomp : 0);
  EntryScratch& s = entryScratch;
  if (s.y.size() < n) s.y.resize(n);
  if (s.x.size() < n) s.x.resize(n);
  const std::span<double> yn(s.y.data(), n), xn(s.x.data(), n);
  const std::span<std::int32_t> flags = flagArray(n);
  const std::int32_t water = problem::THCTL.idecnt;
  const std::int32_t excluded =
      problem::THCTL.waterOption == kFreeWaterBesideEquilibrium ? 0 : water;
  double fy = 1.0, fx = 1.0, sum = 0.0;
  if (d.unnormalised == 0) {
    services::NRMCNT(ncomp, y, yn, flags, kCountFresh, excluded, kPresence, fy, sum);
    services::NRMCNT(ncomp, x, xn, flags, kCountMore, excluded, kPresence, fx, sum);
  } else {
    std::copy_n(y.begin(), n, yn.begin());
    std::copy_n(x.begin(), n, xn.begin());
  }
  requireWork(kVapourCompositionArray, n, kName);
  requireWork(kLiquidCompositionArray, n, kName);
  for (std::size_t i = 0; i < n; ++i) {
    setWorkValue(kVapourCompositionArray, i, yn[i]);
    setWorkValue(kLiquidCompositionArray, i, xn[i]);
  }

  // 5. Digit 7: every component counts in both phases, water in none.
  if (d.allPresent == 1) {
    std::fill(flags.begin(), flags.end(), 2);
    if (water > 0 && static_cast<std::size_t>(water) <= n) {
      flags[static_cast<std::size_t>(water - 1)] = 0;
    }
  }

  // 6. The route.
  if (d.noSplit != 1 && d.rigorous != 0 && hasLiquidLiquidMethod()) {
    KCVLLE(nck, ncomp, yn, xn, k, t, p, zv, zl, kccall, kcdrv, kcopt, ierr, fy, fx, flags, reserved,
           ifugst);
  } else {
    KCPAIR(nck, ncomp, yn, xn, k, t, p, zv, zl, kccall, kcdrv, kcopt, ierr, fy, fx, flags, reserved,
           ifugst);
  }

  // 7. The clock.
  if (clocked) services::TIMACC(start, services::TIMST2.seconds(kTimingSlotKCALC));
  ierr = 0;
}

}  // namespace equilibrium
