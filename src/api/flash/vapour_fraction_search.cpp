// The flash to a given vapour fraction: a root search on the feed's enthalpy.
#include <cstdint>
#include <span>

#include "api/flash/debug_listing.hpp"
#include "api/flash/root_search.hpp"
#include "api/flash/stream_vector.hpp"
#include "platform/platform.hpp"
#include "services/kept_values.hpp"

namespace api_flash {
namespace {

constexpr std::int32_t kEnthalpyFlash = 3;  // UFLSH: P and H given
constexpr double kLimitScale = 1e6;         // the limits are the enthalpy word times this

// The trial of the search in progress.
struct FractionSearch {
  double x = 0.0;       // trial enthalpy, limit units
  double vfcalc = 0.0;  // the trial's vapour fraction
  double f = 0.0;       // VFRAC - VFCALC
};
FractionSearch trial;
const bool kTrialReset = services::registerKeptValues([] { trial = {}; });

}  // namespace

void FRACFL(std::int32_t idebug, int iunit, double vfrac, std::int32_t maxit, double tol,
            double hmin, double hmax, std::span<float> feedWords, std::span<float> vap,
            std::span<float> liq, std::span<float> wat, std::span<float> kvec, std::int32_t& ierr) {
  // 1. Enthalpy flashes; the caller's status stands until one fails.
  const int unit = idebug > 0 ? iunit : platform::kNoUnit;
  listLine(unit, "Debug from Fracfl ... ");
  StreamVector feed(feedWords);
  std::int32_t istate = static_cast<std::int32_t>(RootSearchState::Start);
  std::int32_t calls = 0;
  for (;;) {
    // 2. One step of the search.
    ROOTRC(istate, hmin, hmax, tol, trial.x, trial.f, maxit);
    ++calls;
    switch (static_cast<RootSearchState>(istate)) {
      case RootSearchState::Evaluate: {
        // 3. The flash at the trial enthalpy and its vapour fraction.
        feed(strvec::kEnthalpy) = static_cast<float>(trial.x / kLimitScale);
        std::int32_t e = 0;
        UFLSH(feedWords, vap, liq, wat, kvec, kEnthalpyFlash, e);
        if (e != 0) {
          ierr = kFractionFlashBase - e;
          listAfter(unit, " ***Error exit with code: ", ierr);
          return;
        }
        trial.vfcalc =
            static_cast<double>(vap[strvec::kRate - 1]) / static_cast<double>(feed(strvec::kRate));
        trial.f = vfrac - trial.vfcalc;
        listAfter(unit, " Iter = ", calls);
        listAfter(unit, " Error = ", trial.f);
        break;
      }
      case RootSearchState::Converged: {
        // 4. The vectors hold the flash at the last trial.
        listAfter(unit, " Solved VFRAC Flash in ", calls);
        const double shown[] = {vfrac, trial.vfcalc, trial.x};
        listValues(unit, " VFRAC, VFCALC, ENTHD = ", shown);
        return;
      }
      case RootSearchState::ScanLimit:
        // 5. The limit was reached.
        ierr = kFractionScanLimit;
        return;
      default:
        ierr = kFractionBracketLimit;
        return;
    }
  }
}

}  // namespace api_flash
