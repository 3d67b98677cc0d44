// FLSOSC, FLSKVC and FLSPHC: the oscillation detector, the K-value range test and the
// pseudo-critical single-phase estimate of the successive-substitution flash.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

#include "flash/empty_calls.hpp"
#include "flash/flash_notes.hpp"
#include "flash/flash_print.hpp"
#include "flash/flash_state.hpp"
#include "flash/substitution.hpp"
#include "flash/work_tables.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "thermo/pure/liquid_density.hpp"

namespace flash {
namespace {

constexpr double kEmptyHistory = 1e10;
constexpr double kSameValue = 5e-7;      // relative distance of a repeat
constexpr std::size_t kNoteCounter = 5;  // FLCNTR word of the oscillation notes
constexpr std::int32_t kOscillationNotes = 51;

// A line of the oscillation note: to the history hook when the note is issued, to the
// listing at a debug level above 0.
void historyLine(bool issue, std::int32_t iout, std::int32_t idebug, const char* line) {
  const std::string_view text(line);
  if (issue) OTHIST(0, text, static_cast<std::int32_t>(text.size()));
  if (idebug > 0) writef(iout, "%s", line);
}

}  // namespace

void FLSOSC(OscillationMode mode, std::string_view name, std::int32_t& iosc, std::int32_t kk100,
            std::int32_t kstart, std::int32_t& nosc, double teta, std::span<double> tetasv,
            std::int32_t iout, std::int32_t idebug, std::int32_t level) {
  // 1. Reset.
  if (mode == OscillationMode::Reset) {
    iosc = 0;
    nosc = 0;
    std::fill(tetasv.begin(), tetasv.end(), kEmptyHistory);
    return;
  }
  // 2. Look for a saved value equal to TETA.
  if (iosc != 1 && kk100 >= kstart && !tetasv.empty()) {
    const double near = std::abs(teta) * kSameValue;
    std::int32_t same = 0, different = 0;
    std::size_t closest = 0;
    for (std::size_t j = 0; j < tetasv.size(); ++j) {
      const double d = std::abs(tetasv[j] - teta);
      if (d <= near) {
        ++same;
      } else {
        ++different;
      }
      if (d < std::abs(tetasv[closest] - teta)) closest = j;
    }
    if (same == 0) {
      if (idebug > 1 && teta < 100.0) {
        double dif = std::abs(tetasv[closest] - teta);
        if (teta > 0.0) dif /= teta;
        writef(iout, " CLOSEST  TETASV(%zu)=%14.6E TETA=%14.6E   REL DIF=%14.6E", closest + 1,
               tetasv[closest], teta, dif);
      }
    } else {
      iosc = 1;
      ++nosc;
      auto& notes = FLCNTR.words(kNoteCounter);
      if (nosc == 1) {
        ++notes;
        const bool allSame = different == 0;
        char text[kNoteLength + 40];
        std::snprintf(text, sizeof text, "%.*s (%lld ) - %s - ITER=%6d",
                      static_cast<int>(name.size()), name.data(),
                      static_cast<long long>(flashCalls.NNFLST),
                      allSame ? "ALL THE SAME" : "OSCILLATION DETECTED", kk100);
        const bool issue = notes < kOscillationNotes && level <= idebug;
        if (idebug > 0) writef(iout, " ** WARNING ** %s", text);
        if (issue) {
          services::MSGPAR.composition.assign(text);
          services::MSGOUT(kFlashWarning);
        }
        if (issue || idebug > 0) {
          // All the same: the last two saved values; otherwise the whole history.
          const std::size_t first = allSame && tetasv.size() > 2 ? tetasv.size() - 2 : 0;
          char line[kNoteLength + 40];
          for (std::size_t j = first; j < tetasv.size(); ++j) {
            std::snprintf(line, sizeof line, "   TETASV(%zu)=%14.6E", j + 1, tetasv[j]);
            historyLine(issue, iout, idebug, line);
          }
          std::snprintf(line, sizeof line, "         TETA=%14.6E", teta);
          historyLine(issue, iout, idebug, line);
        }
      }
    }
  }
  // 3. Shift the history and store TETA last.
  if (!tetasv.empty()) {
    std::copy(tetasv.begin() + 1, tetasv.end(), tetasv.begin());
    tetasv.back() = teta;
  }
}

void FLSKVC(std::int32_t idebug, std::int32_t iout, std::int32_t n, double xklo, double xkhi,
            std::span<const double> z, std::span<const double> k, std::int32_t& icrit) {
  double kmin = 1e34, kmax = 0.0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(std::max(n, 0)); ++i) {
    if (!(z[i] > 0.0)) continue;
    kmin = std::min(kmin, k[i]);
    kmax = std::max(kmax, k[i]);
  }
  KRange range = KRange::Outside;
  if (xklo <= kmin && kmax <= xkhi) {
    if (kmin < 1.0 && 1.0 < kmax) {
      range = KRange::Straddles;
    } else if (kmin == 1.0 && kmax == 1.0) {
      range = KRange::AllOne;
    } else if (kmin == kmax) {
      range = KRange::AllEqual;
    } else if (kmax < 1.0) {
      range = KRange::BelowOne;
    } else if (kmin > 1.0) {
      range = KRange::AboveOne;
    } else {
      range = KRange::EndAtOne;
    }
  }
  icrit = static_cast<std::int32_t>(range);
  if (idebug > 0) {
    writef(iout, " FLSKVC- XKLO  =%14.6E  XKHI  =%14.6E", xklo, xkhi);
    writef(iout, " FLSKVC- XKVMIN=%14.6E  XKVMAX=%14.6E  ICRIT=%3d", kmin, kmax, icrit);
  }
}

void FLSPHC(std::int32_t mode, std::int32_t idebug, std::int32_t iout, std::int32_t ncomp,
            std::span<const double> z, double t, double p, double liquid, double vapour,
            double& result, double& pr, double& prs) {
  // 1. Water-free pseudo-critical constants.
  using pure::MixtureBasis;
  const std::int32_t water = problem::THCTL.idecnt;
  const auto feed = z.first(static_cast<std::size_t>(std::max(ncomp, 0)));
  double tc = 0.0, pc = 0.0, w = 0.0, wet = 0.0, sdry = 0.0, swet = 0.0;
  pure::APICNV(static_cast<std::int32_t>(MixtureBasis::CriticalTemperature), 1, ncomp, water, feed,
               tc, wet, sdry, swet);
  pure::APICNV(static_cast<std::int32_t>(MixtureBasis::CriticalPressure), 1, ncomp, water, feed, pc,
               wet, sdry, swet);
  pure::APICNV(static_cast<std::int32_t>(MixtureBasis::AcentricFactor), 1, ncomp, water, feed, w,
               wet, sdry, swet);
  if (idebug > 0) writef(iout, " PHASE CHECKS      TCT=%14.6E  PCT=%14.6E", tc, pc);
  // 2. Reduced pseudo vapour pressure.
  const double tr = t / tc;
  if (tr <= 1.0) {
    const double f0 = 5.92714 - 6.09648 / tr - 1.28862 * std::log(tr) + 0.169347 * std::pow(tr, 6);
    const double f1 = 15.2518 - 15.6875 / tr - 13.4721 * std::log(tr) + 0.43577 * std::pow(tr, 6);
    const double lnps = f0 + w * f1;
    prs = lnps > -50.0 ? std::exp(lnps) : 0.0;
  } else {
    prs = std::exp(std::min(50.0, (1.0 / tr - 1.0) * (-8.16249 - 31.6945 * w)));
  }
  // 3. Reduced pressure.
  pr = p / pc;
  if (idebug > 0) writef(iout, " TR=%14.6E PR=%14.6E  PRS=%14.6E", tr, pr, prs);
  // 4. The decision.
  if (mode == 2) result = pr <= prs ? vapour : liquid;
}

}  // namespace flash
