// FLASHR: the phase-fraction iteration (solver choice, own search, water handling).
#include "flash/phase_fraction.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "flash/algorithms.hpp"
#include "flash/flash_print.hpp"
#include "flash/fixed_fraction.hpp"
#include "flash/flash_state.hpp"
#include "flash/phase_fraction_search.hpp"
#include "flash/phase_split.hpp"
#include "flash/work_tables.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "thermo/phase/flash_bounds.hpp"
#include "thermo/pure/water.hpp"

namespace flash {
namespace {

FixedFractionSolvers currentSolvers;

// The feed of a high-purity water dew point, kept while the call flashes pure water.
std::array<double, kFractionWork> savedFeed{};

void resetScratch() {
  savedFeed.fill(0.0);
  fractionWork().first.fill(0.0);
  fractionWork().second.fill(0.0);
}
const bool kReset = services::registerKeptValues(&resetScratch);

constexpr std::int32_t kBubble = 103, kDew = 104, kHydrocarbonDew = 106;
constexpr int kDebugSwitch = 36;
constexpr int kOwnSearchSwitch = 37;
constexpr int kNewtonAloneSwitch = 38;
constexpr int kNoEstimateSwitch = 39;
constexpr int kKeepNewtonFailureSwitch = 43;
constexpr std::int32_t kNoGasLiquidCode1 = 511, kNoGasLiquidCode2 = 503;
constexpr std::size_t kSpecialCount = 9, kSpecialFirst = 15, kSpecialLast = 21;

std::int32_t switchValue(int k) { return services::GDPOPT.diagnosticSwitch(k); }

// Whether the fixed-fraction flashes cannot take this feed or set: free water in the feed,
// K-value methods they do not handle, or components of the special range present.
bool needsOwnSearch(const FractionFlash& a) {
  const std::int32_t water = problem::THCTL.idecnt;
  if (water > 0 && water <= a.NC && a.Z[static_cast<std::size_t>(water - 1)] > 0.0) return true;
  const std::int32_t vle = methods::MSPTRS.classes(1).code;
  if (vle == kNoGasLiquidCode1 || vle == kNoGasLiquidCode2) return true;
  if (methods::MSPTRS.classes(2).code > 0) return true;
  if (methods::MSPTRS.classes(18).code > 0) return true;
  const auto& h = problem::COHDR;
  if (h(kSpecialCount) > 0 && a.NC >= h(kSpecialFirst) && a.NC >= h(kSpecialLast)) {
    for (std::int32_t i = std::max(h(kSpecialFirst), 1); i <= h(kSpecialLast); ++i) {
      if (a.Z[static_cast<std::size_t>(i - 1)] > 0.0) return true;
    }
  }
  return false;
}

// Calls a fixed-fraction flash; an empty slot fails.
void callFixed(FixedFractionFlash f, FractionFlash& a, std::int32_t debug) {
  if (f == nullptr) {
    a.JERR = code(FractionFailure::searchFailed);
    return;
  }
  auto& [w1, w2] = fractionWork();
  f(a, debug, w1, w2);
}

}  // namespace

void robustFixedFraction(FractionFlash& a, std::int32_t debug, std::span<double> w1,
                         std::span<double> w2) {
  const auto n = static_cast<std::size_t>(std::max(a.NCOMP, 0));
  FLASL2(a.IOUT, a.NCOMP, a.NC, debug, a.ITPFIX, a.JERR, a.KCDRV, a.Z, a.X, a.Y, a.XK, a.T, a.P,
         a.FTOTLQ, a.FLIQHC, a.FWATER, a.FVAPOR, a.ZV, a.ZL, a.KLLE, w1.first(n), w2.first(n));
}

void newtonFixedFraction(FractionFlash& a, std::int32_t debug, std::span<double>,
                         std::span<double>) {
  FLASL1(a.IOUT, a.NCOMP, a.NC, debug, a.ITPFIX, a.JERR, a.KCDRV, a.Z, a.X, a.Y, a.XK, a.T, a.P,
         a.FTOTLQ, a.FLIQHC, a.FWATER, a.FVAPOR, a.ZV, a.ZL, a.KLLE);
}

const FixedFractionSolvers& fixedFractionSolvers() { return currentSolvers; }
ScopedFixedFractionSolvers::ScopedFixedFractionSolvers(const FixedFractionSolvers& replacement)
    : previous_(currentSolvers) {
  currentSolvers = replacement;
}
ScopedFixedFractionSolvers::~ScopedFixedFractionSolvers() { currentSolvers = previous_; }

void FLASHR(FractionFlash& a) {
  (void)kReset;
  const std::int32_t debug = switchValue(kDebugSwitch) >= 1 ? switchValue(kDebugSwitch) : a.IDEBUG;
  const bool trace = debug > 0;
  if (trace) {
    writef(a.IOUT, " ENTER FLASHR FTOTLQ=%14.6E FLIQHC=%14.6E FWATER=%14.6E", a.FTOTLQ, a.FLIQHC,
           a.FWATER);
    writef(a.IOUT, " ENTER FLASHR T=%14.6E P=%14.6E IFIXLW=%3d ITPFIX=%3d", a.T, a.P, a.IFIXLW,
           a.ITPFIX);
  }
  const auto nc = static_cast<std::size_t>(a.NC);
  for (std::size_t i = 0; i < nc; ++i) a.Z[i] = std::max(a.Z[i], 0.0);
  services::NORMLZ(a.NC, a.Z);

  SearchSetting s;
  s.debug = debug;
  s.heldCheck = hasCode(methods::MSPTRS.classes(2).code) && methods::MSPTRS.classes(2).code >= 1;
  for (std::size_t i = 0; i < static_cast<std::size_t>(a.NCOMP) && i < a.Z.size(); ++i) {
    if (a.Z[i] > 0.995) {
      s.f1 = 0.01;
      s.f2 = 0.1;
      s.heldCheck = false;
    }
  }
  const std::int32_t water = problem::THCTL.idecnt;
  bool replacedFeed = false;
  if (water > 0 && water <= a.NC) {
    const auto iw = static_cast<std::size_t>(water - 1);
    if (a.ISPCOD == kDew && (a.IEOS == 1 || a.IEOS == 2) && a.Z[iw] > 0.9999 && a.Z[iw] < 1.0 &&
        a.ITPFIX == 2 && nc <= savedFeed.size()) {
      if (trace) {
        writef(a.IOUT, "WANT EOS DEW POINT PRESSURE OF HIGH PURITY WATER FEED( WATER ) =%14.6E",
               a.Z[iw]);
        writef(a.IOUT, "MAKE STREAM 100 PERCENT PURE WATER");
      }
      std::copy_n(a.Z.begin(), nc, savedFeed.begin());
      std::fill_n(a.Z.begin(), nc, 0.0);
      a.Z[iw] = 1.0;
      replacedFeed = true;
    }
    if (a.Z[iw] > 0.99) {
      s.f1 = 0.01;
      s.f2 = 0.1;
    }
    s.partialWater = services::FLTOL(8) < a.Z[iw] && a.Z[iw] < services::FLTOL(9);
  }
  s.ihvdatOnEntry = FLSTAT.IHVDAT();
  s.ownSearch = needsOwnSearch(a);

  // Start estimate from Wilson K-values, unless the caller or a stored estimate gives one.
  const bool skipEstimate = s.ihvdatOnEntry == 2 || (a.ITPFIX == 1 && a.TSTART > 0.0) ||
                            (a.ITPFIX == 2 && a.PSTART > 0.0) ||
                            (a.ITPFIX != 1 && a.ITPFIX != 2) ||
                            switchValue(kNoEstimateSwitch) > 0 || s.ownSearch;
  if (!skipEstimate) {
    auto& [w1, w2] = fractionWork();
    FLSEST(a.ITPFIX, a.NCOMP, a.TCRIT, a.PCRIT, a.OMEGA, a.Z, a.FVAPOR, a.T, a.P,
           std::span(w1).first(static_cast<std::size_t>(a.NCOMP)),
           std::span(w2).first(static_cast<std::size_t>(a.NCOMP)));
    if (trace) writef(a.IOUT, "FLASHR T=%14.6E P=%14.6E AFTER IEG", a.T, a.P);
  }

  // Choice of solver.
  const double entryT = a.T, entryP = a.P;
  const bool polymer = polymerSet(methods::MSPTRS.classes(1).code, methods::MSPTRS.classes(2).code);
  const auto& solvers = fixedFractionSolvers();
  bool own = polymer || switchValue(kOwnSearchSwitch) != 0 || s.ownSearch;
  if (!own) {
    if (switchValue(kNewtonAloneSwitch) > 0) {
      callFixed(solvers.newton, a, debug);
    } else {
      a.JERR = 0;
      callFixed(solvers.robust, a, debug);
      if (a.JERR == code(FractionFailure::notApplicable)) {
        own = true;
      } else if (a.JERR != 0) {
        a.T = entryT;
        a.P = entryP;
        a.JERR = 0;
        callFixed(solvers.newton, a, debug);
        if (a.JERR != 0 && switchValue(kKeepNewtonFailureSwitch) <= 0) own = true;
      }
    }
  }
  if (own) {
    // The own search starts from the caller's point, not from a failed solver's last trial.
    a.T = entryT;
    a.P = entryP;
    runOwnSearch(a, s);
  }

  // Exit.
  if (replacedFeed) {
    std::copy_n(savedFeed.begin(), nc, a.Z.begin());
  }
  if (trace) {
    writef(a.IOUT, " FLASHR IFFAIL=%3d VAR=%14.6E *GFLSH*=%14.6E TLIQHC=%14.6E LEAVING FLASHR",
           a.JERR, a.VAR, a.GFLSH, a.FLIQHC);
  }
}

}  // namespace flash
