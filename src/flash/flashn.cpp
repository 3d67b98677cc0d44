// FLASHN: the two-phase flash by successive substitution.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "flash/algorithms.hpp"
#include "flash/flash_notes.hpp"
#include "flash/flash_print.hpp"
#include "flash/flash_state.hpp"
#include "flash/rachford_rice.hpp"
#include "flash/substitution.hpp"
#include "flash/work_tables.hpp"
#include "methods/methods.hpp"
#include "services/run_options.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace flash {
namespace {

using services::FLTOL;

// FLTOL words read here.
constexpr std::size_t kOscillationLow = 1;   // 5e-7: a fraction at or below it counts as 0
constexpr std::size_t kOscillationHigh = 2;  // 0.9999995: at or above it, as 1
constexpr std::size_t kKChange = 5;          // 0.001: a tenth of it is the base tolerance
constexpr std::size_t kWhole = 9;            // 0.9999995: a single phase, or a pure feed

// FLCNTR words and their limits (at a debug level above 0, and at 0).
constexpr std::size_t kOscillationNotes = 5;
constexpr std::size_t kInARowNotes = 7;
constexpr std::size_t kPseudoRootNotes = 8;

constexpr double kRachfordRiceTolerance = 1e-12;  // FLCTL2 word 1
constexpr double kTraceFloor = 1e-12;             // smallest feed fraction of a component
constexpr double kKFloor = 1e-30;
constexpr double kVapourFloor = -9999999999.0;
constexpr double kVapourCeiling = 1e10;
constexpr double kCriticalLiquid = -0.15;  // FLSPHC: all liquid, made so at the end
constexpr double kCriticalVapour = 1.15;   // all vapour
constexpr double kKLow = 0.9, kKHigh = 1.1;
constexpr std::int32_t kPassLimit = 100;
constexpr std::int32_t kOneSideLimit = 10;  // all-vapour or all-liquid results accepted
constexpr std::int32_t kTreatmentLimit = 6;
constexpr std::int32_t kSingleSteps = 10;
constexpr std::int32_t kPhaseBoth = 12;
constexpr int kFlashPrintSwitch = 28;

std::size_t count(std::int32_t n) { return static_cast<std::size_t>(std::max(n, 0)); }

// The four work vectors of one call, kept so that a warm call allocates nothing; copied to
// the caller's work arrays on exit.
struct Scratch {
  std::vector<double> zx, xt, yt, kpos;
};
Scratch scratch;
const bool kScratchReset = services::registerKeptValues([] { scratch = Scratch{}; });

// The iteration state of one call.
struct State {
  std::int32_t kk100 = 0, passes = 0, kword = 0, roots = 0;
  std::array<double, kOscillationHistory> tetasv{};
  double fv1 = 0.5, fv2 = 0.5, w1 = 0.5, w2 = 0.5;
  std::int32_t allVapour = 0, allLiquid = 0, side = -1, run = 0, averagingPasses = 0;
  std::int32_t treatments = 0;
  bool averaging = false;
  std::int32_t kstart = 10, iosc = 0, nosc = 0;
  bool freshCall = false;  // the last K-value call was the fresh start
  bool printAtEnd = false;
  double dkpct = 0.0;
  std::int32_t rrIter = 0;
};

// The steps of the iteration the algorithm moves between.
enum class Step { KValues, Split, Converge, End, Critical };

class Substitution {
 public:
  Substitution(IsothermalFlash& a, std::int32_t level)
      : a_(a), level_(level), n_(count(a.NC)), ztol_(FLTOL(kKChange) / 10.0) {}

  void run();
  void keep(const TwoPhaseWork& work) const;

 private:
  Step kvalues();
  Step split();
  Step converge();
  Step oscillation();
  Step average(bool treated);
  void critical();
  bool realRootRepeat();
  void finish();
  void note(std::size_t word, const char* text);
  std::int32_t noteLimit(std::size_t word) const;
  void compositionsAt(double v);
  void blend(std::span<double> v, std::span<const double> stored);

  IsothermalFlash& a_;
  std::int32_t level_;
  std::size_t n_;
  double ztol_;
  std::int32_t kxoptEntry_ = 1;
  State s_;
  std::span<double> zx_, xt_, yt_, kpos_;
};

std::int32_t Substitution::noteLimit(std::size_t word) const {
  if (a_.IDEBUG > 0) return word == kPseudoRootNotes ? 100 : 50;
  return word == kOscillationNotes ? 10 : -1;
}

// A note " FLASHN (<NNFLST> ) - <text>" counted in FLCNTR WORD, while within its limit and
// the debug level allows.
void Substitution::note(std::size_t word, const char* text) {
  auto& counter = FLCNTR.words(word);
  if (counter > noteLimit(word) || a_.IDEBUG < level_) return;
  ++counter;
  char line[kNoteLength + 40];
  std::snprintf(line, sizeof line, " FLASHN (%lld ) - %s",
                static_cast<long long>(flashCalls.NNFLST), text);
  FLSMSG(level_, a_.IDEBUG, a_.IOUT, line);
}

// x_i = z_i/(K_i V + 1 - V), y_i = K_i x_i at the floored K-values, both normalised, as the
// current compositions.
void Substitution::compositionsAt(double v) {
  for (std::size_t i = 0; i < n_; ++i) {
    const double q = kpos_[i] * v + (1.0 - v);
    xt_[i] = q != 0.0 ? zx_[i] / q : zx_[i] / kKFloor;
    yt_[i] = kpos_[i] * xt_[i];
  }
  NORML2(a_.NC, xt_);
  NORML2(a_.NC, yt_);
  std::copy_n(xt_.begin(), n_, a_.X.begin());
  std::copy_n(yt_.begin(), n_, a_.Y.begin());
}

// V = w2 STORED + w1 V, normalised.
void Substitution::blend(std::span<double> v, std::span<const double> stored) {
  for (std::size_t i = 0; i < n_; ++i) v[i] = s_.w2 * stored[i] + s_.w1 * v[i];
  services::NORMLZ(a_.NC, v);
}

// 6-7. A K-value call at the current compositions.
Step Substitution::kvalues() {
  ++s_.kk100;
  methods::PMCTL2.ISEUDI = s_.roots;
  s_.freshCall = s_.kword == 0;
  std::int32_t kccall = kPhaseBoth, ierr = 0, ifugst = 0;
  flashKValues(a_.NCOMP, a_.NC, a_.Y, a_.X, a_.XK, a_.T, a_.P, a_.ZV, a_.ZL, kccall, a_.KCDRV,
               s_.kword, ierr, a_.KLLE, ifugst);
  s_.kword = 1;
  const auto& roots = methods::PMCTL2;
  if (a_.IDEBUG > 0 && (roots.ISEUDL == 0 || roots.ISEUDV == 0)) {
    writef(a_.IOUT, " KK100 =%4d  ISEUDI=%2d  ISEUDL=%2d  ISEUDV=%2d  -   0=PSEUDO ROOT", s_.kk100,
           roots.ISEUDI, roots.ISEUDL, roots.ISEUDV);
  }
  return Step::Split;
}

// 8-15. The split at the current K-values and its classification.
Step Substitution::split() {
  if (a_.IDEBUG > 2) {
    writef(a_.IOUT, " AFTER KCALC - KK100 =%4d", s_.kk100);
    for (std::size_t i = 0; i < n_; ++i) {
      if (zx_[i] > 0.0) {
        writef(a_.IOUT, " %4zu %14.6E %14.6E %14.6E %14.6E", i + 1, a_.Y[i], a_.X[i], a_.XK[i],
               a_.XKSTOR[i]);
      }
    }
  }
  // A NaN or an infinite K-value leaves no split to make: the flash fails rather than
  // returning compositions that are not numbers.
  if (!allFinite(a_.XK.first(n_))) {
    if (a_.IDEBUG > 0) writef(a_.IOUT, " K-VALUES NOT FINITE - FLASHN FAILED");
    a_.IFFAIL = kFlashFailed;
    s_.printAtEnd = true;
    return Step::End;
  }
  // 8. The Rachford-Rice split.
  std::copy_n(a_.X.begin(), n_, a_.XSTOR.begin());
  std::copy_n(a_.Y.begin(), n_, a_.YSTOR.begin());
  for (std::size_t i = 0; i < n_; ++i) kpos_[i] = std::max(a_.XK[i], kKFloor);
  double v = 0.0;
  std::int32_t e = 0;
  FLASHK(a_.NC, zx_, kpos_, kRachfordRiceTolerance, xt_, yt_, v, s_.rrIter, e);
  const auto result = static_cast<RachfordRiceResult>(e);
  // 9. Trace.
  if (a_.IDEBUG > 2 || (a_.IDEBUG > 0 && e > 0)) {
    static constexpr std::array<const char*, 5> kText = {
        "TWO PHASE", "ALL KVALUES = 1.0", "ALL KVALUES GT 1.0, ALL VAPOR",
        "ALL KVALUES LT 1.0, ALL LIQUID", "EXCEEDED MAXIMUM ITERATIONS"};
    writef(a_.IOUT, " AFTER FLASHK - TETA=%14.6E IERR=%3d %s", v, e,
           kText[static_cast<std::size_t>(std::clamp(e, 0, 4))]);
  }
  // 10. The split becomes the current state.
  std::copy_n(xt_.begin(), n_, a_.X.begin());
  std::copy_n(yt_.begin(), n_, a_.Y.begin());
  a_.FVAPOR = v;
  a_.FLIQHC = a_.FTOTLQ = 1.0 - v;
  // 11. A vapour fraction far outside 0..1 is limited, and the compositions follow it.
  if (result == RachfordRiceResult::Solved && (v < kVapourFloor || v > kVapourCeiling)) {
    if (a_.IDEBUG > 0) {
      writef(a_.IOUT, " %s", v < kVapourFloor ? "FVAPOR IS TOO LOW" : "FVAPOR IS TOO HIGH");
      writef(a_.IOUT, " USE CURRENT KVALUES AND NEW FVAPOR TO CALC NEW COMPOSITIONS");
    }
    v = std::clamp(v, kVapourFloor, kVapourCeiling);
    a_.FVAPOR = v;
    a_.FLIQHC = a_.FTOTLQ = 1.0 - v;
    compositionsAt(v);
  }
  // 12. The first evaluation.
  if (s_.freshCall || s_.kk100 <= 1) {
    s_.freshCall = false;
    if (result == RachfordRiceResult::Solved) return Step::Converge;
    std::copy_n(a_.XK.begin(), count(a_.NCOMP), a_.XKSTOR.begin());
    return Step::KValues;
  }
  std::int32_t icrit = 0;
  switch (result) {
    case RachfordRiceResult::StepLimit:
      // 13. No split within the step limit: critical, or a failure.
      FLSKVC(a_.IDEBUG, a_.IOUT, a_.NC, kKLow, kKHigh, zx_, a_.XK, icrit);
      if (icrit > 0) return Step::Critical;
      a_.IFFAIL = kFlashFailed;
      note(kOscillationNotes, "FLASHK FAILED");
      s_.printAtEnd = true;
      return Step::End;
    case RachfordRiceResult::AllVapour:
    case RachfordRiceResult::AllLiquid:
      // 14. A single phase: accepted ten times on each side, then looked at.
      (result == RachfordRiceResult::AllVapour ? s_.allVapour : s_.allLiquid) += 1;
      if (s_.allVapour <= kOneSideLimit && s_.allLiquid <= kOneSideLimit) {
        a_.FVAPOR = result == RachfordRiceResult::AllVapour ? 1.0 : 0.0;
        a_.FLIQHC = a_.FTOTLQ = 1.0 - a_.FVAPOR;
        return Step::Converge;
      }
      FLSKVC(a_.IDEBUG, a_.IOUT, a_.NC, kKLow, kKHigh, zx_, a_.XK, icrit);
      return icrit > 0 ? Step::Critical : Step::End;
    case RachfordRiceResult::KNearOne:
      if (s_.passes > 0) {
        if (a_.IDEBUG > 0) writef(a_.IOUT, " ALL KVALUES=1.0 IN FLASHK");
        return Step::Critical;
      }
      return Step::Converge;
    case RachfordRiceResult::Solved:
      break;
  }
  return Step::Converge;
}

// 15. The critical region: the pseudo-critical estimate decides the single phase.
void Substitution::critical() {
  if (a_.IDEBUG > 0) writef(a_.IOUT, " ALL KVALUES ARE NEAR 1.0 CRITICAL REGION - ");
  double pr = 0.0, prs = 0.0;
  FLSPHC(2, a_.IDEBUG, a_.IOUT, a_.NCOMP, a_.Z, a_.T, a_.P, kCriticalLiquid, kCriticalVapour,
         a_.FVAPOR, pr, prs);
}

// 16-21. The convergence test and the guards of the pass.
Step Substitution::converge() {
  // 16. The largest relative K change.
  s_.dkpct = 0.0;
  for (std::size_t i = 0; i < n_; ++i) {
    if (!(zx_[i] >= ztol_)) continue;
    double d = std::abs(a_.XK[i] - a_.XKSTOR[i]);
    if (a_.XK[i] > 0.0) d /= a_.XK[i];
    s_.dkpct = std::max(s_.dkpct, d);
  }
  if (a_.IDEBUG > 0) {
    writef(a_.IOUT, " K/R ITER      DKPCT            ZV            ZL        FLIQHC        FVAPOR");
    writef(a_.IOUT, " %4d %4d %14.6E %14.6E %14.6E %14.6E %14.6E", s_.passes, s_.rrIter, s_.dkpct,
           a_.ZV, a_.ZL, a_.FLIQHC, a_.FVAPOR);
  }
  // 17. The first pass never converges.
  std::copy_n(a_.XK.begin(), count(a_.NCOMP), a_.XKSTOR.begin());
  ++s_.passes;
  if (a_.KXOPT != 2) {
    a_.KXOPT = 2;
    return Step::KValues;
  }
  // 18. The tolerance tightens while few K-value calls were made.
  const double tk = s_.kk100 <= 20 ? ztol_ / 100.0 : s_.kk100 <= 40 ? ztol_ / 10.0 : ztol_;
  if (s_.dkpct < tk && ((a_.FVAPOR >= 0.0 && a_.FVAPOR <= 1.0) || s_.dkpct < tk / 10.0)) {
    return Step::End;
  }
  // 19. Ten passes in a row on one side of 0..1.
  const std::int32_t side = a_.FVAPOR <= 0.0 ? 1 : a_.FVAPOR >= 1.0 ? 2 : 0;
  s_.run = side == s_.side ? s_.run + 1 : 0;
  s_.side = side;
  if (s_.passes > 4 && side != 0 && s_.run > 9) {
    if (FLCNTR.words(kInARowNotes) < noteLimit(kInARowNotes)) {
      char text[kNoteLength];
      std::snprintf(text, sizeof text, "10 IN A ROW FV2=%12.5E FV1=%12.5E FVAPOR=%12.5E", s_.fv2,
                    s_.fv1, a_.FVAPOR);
      note(kInARowNotes, text);
      s_.printAtEnd = true;
    }
    std::int32_t icrit = 0;
    FLSKVC(a_.IDEBUG, a_.IOUT, a_.NC, kKLow, kKHigh, zx_, a_.XK, icrit);
    return icrit > 0 ? Step::Critical : Step::End;
  }
  // 20. Fraction history; averaging of the incipient phase after repeated oscillations.
  s_.fv2 = s_.fv1;
  if (s_.passes == 61 && !s_.averaging) {
    s_.w1 = 0.25;
    s_.w2 = 0.75;
  }
  s_.fv1 = a_.FVAPOR;
  if (s_.treatments > 2) {
    if (a_.FVAPOR > 1.0) {
      if (a_.IDEBUG > 1) writef(a_.IOUT, " NEGATIVE LIQUID FRACTION - ALL VAPOR, AVG COMPOSITIONS");
      blend(a_.X, a_.XSTOR);
    } else if (a_.FVAPOR < 0.0) {
      if (a_.IDEBUG > 1) writef(a_.IOUT, " NEGATIVE VAPOR FRACTION - ALL LIQUID, AVG COMPOSITIONS");
      blend(a_.Y, a_.YSTOR);
    }
  }
  // 21. The pass limit.
  if (s_.passes >= kPassLimit) {
    a_.IFFAIL = kFlashFailed;
    note(kOscillationNotes, "FLASHN FAILED");
    return Step::End;
  }
  return oscillation();
}

// 22. Oscillation rules on the history S1 (oldest) .. S6 (the current fraction).
Step Substitution::oscillation() {
  FLSOSC(OscillationMode::Test, "FLASHN", s_.iosc, s_.kk100, s_.kstart, s_.nosc, a_.FVAPOR,
         s_.tetasv, a_.IOUT, a_.IDEBUG, level_);
  if (s_.iosc != 1) return average(false);
  const auto& h = s_.tetasv;
  const double v = a_.FVAPOR, f1 = FLTOL(kOscillationLow), f2 = FLTOL(kOscillationHigh);
  const auto all = [&](std::size_t from, std::size_t to, auto test) {
    for (std::size_t k = from; k < to; ++k) {
      if (!test(h[k])) return false;
    }
    return true;
  };
  const auto alternate = [&](auto odd, auto even) {
    bool forward = true, reverse = true;
    for (std::size_t k = 0; k < h.size(); ++k) {
      const bool first = k % 2 == 0;
      forward = forward && (first ? odd(h[k]) : even(h[k]));
      reverse = reverse && (first ? even(h[k]) : odd(h[k]));
    }
    return forward || reverse;
  };
  const auto low = [&](double x) { return x <= f1; };
  const auto high = [&](double x) { return x >= f2; };
  const char* text = nullptr;
  bool same = false;
  if (v >= 1.0 && all(0, 5, [](double x) { return x >= 1.0; })) {
    if (a_.IDEBUG > 0) writef(a_.IOUT, " FVAPOR IS \"STUCK\" AT 1.0, SOLVED");
    return Step::End;
  }
  if (v <= 0.0 && all(0, 5, [](double x) { return x <= 0.0; })) {
    if (a_.IDEBUG > 0) writef(a_.IOUT, " FVAPOR IS \"STUCK\" AT 0.0, SOLVED");
    return Step::End;
  }
  if (alternate(low, high)) {
    text = "FVAPOR IS OSCILLATING BETWEEN BELOW \"0.0\" AND ABOVE \"1.0\", AVERAGE COMPOSITIONS";
  } else if (alternate(low, [&](double x) { return x > f1; })) {
    text = "FVAPOR IS OSCILLATING BELOW \"0.0\", AVERAGE COMPOSITIONS";
  } else if (alternate(high, [&](double x) { return x < f2; })) {
    text = "FVAPOR IS OSCILLATING ABOVE \"1.0\", AVERAGE COMPOSITIONS";
  } else if (all(0, 5, [&](double x) { return std::abs(x - v) <= 0.001 * v; })) {
    text = "FVAPOR IS ALL THE \"SAME\", AVERAGE COMPOSITIONS";
    same = true;
  }
  if (text != nullptr) {
    // Treatment: averaging, at most five times.
    if (a_.IDEBUG > 0) writef(a_.IOUT, " %s", text);
    ++s_.treatments;
    s_.averaging = true;
    if (s_.treatments < kTreatmentLimit) {
      s_.iosc = 0;
      s_.kstart = s_.kk100 + 6;
      return average(true);
    }
    a_.IFFAIL = kFlashFailedQuietly;
    if (a_.IDEBUG > 0) {
      writef(a_.IOUT, " OSCILLATION CHECK 6, NOT STUCK AT 0.0 OR 1.0, %s SO FAIL",
             same ? "ALL THE \"SAME\"," : "NOT ALL THE \"SAME\",");
    }
    note(kOscillationNotes, same ? "OSCILLATION CHECK 6, NOT STUCK AT 0.0 OR 1.0, ALL THE "
                                   "\"SAME\", SO FAIL"
                                 : "OSCILLATION CHECK 6, NOT STUCK AT 0.0 OR 1.0, NOT ALL THE "
                                   "\"SAME\", SO FAIL");
    return Step::End;
  }
  // 7. An exact cycle of period 2 or 3 inside 0..1: restart from its mean.
  const auto t = [&](std::size_t k) { return 100.0 * f1 * h[k]; };
  const auto inside = [](double x) { return x >= 0.0 && x < 1.0; };
  double mean = -1.0;
  if (std::abs(h[1] - h[5]) < t(1) && std::abs(h[1] - h[3]) < t(1) &&
      std::abs(h[0] - h[4]) < t(0) && std::abs(h[0] - h[2]) < t(0) && inside(h[0]) &&
      inside(h[1])) {
    mean = (h[4] + h[5]) / 2.0;
  } else if (std::abs(h[2] - h[5]) < t(2) && std::abs(h[1] - h[4]) < t(1) &&
             std::abs(h[0] - h[3]) < t(0) && inside(h[1]) && inside(h[2]) && h[0] >= 0.0 &&
             h[0] <= 1.0) {
    mean = (h[3] + h[4] + h[5]) / 3.0;
  }
  if (mean >= 0.0 && s_.treatments < kTreatmentLimit) {
    if (a_.IDEBUG > 0) {
      writef(a_.IOUT, " ITER=%4d  \"EXACT\" OSCILLATION - NEW TETA =%14.6E", s_.kk100, mean);
    }
    ++s_.treatments;
    s_.kstart = s_.kk100 + 6;
    s_.iosc = 0;
    s_.tetasv.back() = mean;
    a_.FVAPOR = mean;
    a_.FLIQHC = a_.FTOTLQ = 1.0 - mean;
    compositionsAt(mean);
    if (a_.IDEBUG > 2) writef(a_.IOUT, " COMPOSITION USING NEW TETA");
    return average(true);
  }
  // 8. No rule holds.
  a_.IFFAIL = kFlashFailedQuietly;
  constexpr const char* kFail = "OSCILLATING,  NOT STUCK AT 0.0 OR 1.0,  NOT EXACT,  SO FAIL";
  if (a_.IDEBUG > 0) writef(a_.IOUT, " %s", kFail);
  note(kOscillationNotes, kFail);
  return Step::End;
}

// 23. Averaging of the compositions with those of the previous pass.
Step Substitution::average(bool treated) {
  if (!s_.averaging && !treated && s_.passes >= 41) s_.averaging = true;
  if (!s_.averaging) return Step::KValues;
  if (++s_.averagingPasses == 11) {
    s_.w1 = std::max(0.1, s_.w1 / 2.0);
    s_.w2 = 1.0 - s_.w1;
    s_.averagingPasses = 0;
  }
  blend(a_.X, a_.XSTOR);
  blend(a_.Y, a_.YSTOR);
  if ((s_.averagingPasses == 1 && a_.IDEBUG > 0 && a_.IDEBUG < 4) || a_.IDEBUG > 3) {
    writef(a_.IOUT, "  AFTER AVERAGING COMPOSITIONS - AVCNEW=%10.4f ITER=%4d", s_.w1, s_.kk100);
  }
  return Step::KValues;
}

// 24. The repeat with real roots when a present phase was solved at a pseudo root. Returns
// true when the iteration runs again.
bool Substitution::realRootRepeat() {
  auto& roots = methods::PMCTL2;
  char text[kNoteLength + 40];
  if (s_.roots == 0 && a_.IFFAIL == kFlashSolved && (roots.ISEUDL == 0 || roots.ISEUDV == 0)) {
    if (a_.IDEBUG > 0 && a_.FVAPOR < 0.0) {
      writef(a_.IOUT, " SOLVED WITH NEGATIVE VAPOR FRACTION - ALL LIQUID");
    } else if (a_.IDEBUG > 0 && a_.FVAPOR > 1.0) {
      writef(a_.IOUT, " SOLVED WITH NEGATIVE LIQUID FRACTION - ALL VAPOR");
    }
    auto& counter = FLCNTR.words(kPseudoRootNotes);
    if (counter < noteLimit(kPseudoRootNotes)) {
      ++counter;
      const char* which = roots.ISEUDL == 0 && roots.ISEUDV == 0
                              ? "SOLVED AT VAPOR AND LIQUID PSEUDO ROOTS"
                          : roots.ISEUDV == 0 ? "SOLVED AT VAPOR PSEUDO ROOT"
                                              : "SOLVED AT LIQUID PSEUDO ROOT";
      std::snprintf(text, sizeof text, " FLASHN (%lld ) - %s",
                    static_cast<long long>(flashCalls.NNFLST), which);
      FLSMSG(level_, a_.IDEBUG, a_.IOUT, text);
      std::snprintf(text, sizeof text, " FLIQHC=%14.6E  FVAPOR=%14.6E  KK100=%4d", a_.FLIQHC,
                    a_.FVAPOR, s_.kk100);
      FLSMSG(level_, a_.IDEBUG, a_.IOUT, text);
      if (counter == noteLimit(kPseudoRootNotes)) {
        FLSMSG(level_, a_.IDEBUG, a_.IOUT, " TOO MANY PSEUDO ROOT MESSAGES");
      }
      if (services::GDPOPT.diagnosticSwitch(kFlashPrintSwitch) > 0) s_.printAtEnd = true;
    }
    const bool absentPhase =
        (roots.ISEUDV == 0 && a_.FVAPOR <= 0.0) || (roots.ISEUDL == 0 && a_.FVAPOR >= 1.0);
    if (!absentPhase) {
      a_.KXOPT = kxoptEntry_;
      s_ = State{};
      s_.kword = 1;
      s_.roots = 1;
      FLSOSC(OscillationMode::Reset, "FLASHN", s_.iosc, 0, s_.kstart, s_.nosc, 0.0, s_.tetasv,
             a_.IOUT, a_.IDEBUG, level_);
      const std::size_t nk = count(a_.NCOMP);
      std::fill_n(a_.XSTOR.begin(), nk, 0.0);
      std::fill_n(a_.YSTOR.begin(), nk, 0.0);
      std::fill_n(a_.XKSTOR.begin(), nk, 0.0);
      return true;
    }
  } else if (s_.roots == 1 && FLCNTR.words(kPseudoRootNotes) <= noteLimit(kPseudoRootNotes)) {
    std::snprintf(
        text, sizeof text, " FLASHN (%lld ) - %s", static_cast<long long>(flashCalls.NNFLST),
        a_.IFFAIL == kFlashSolved ? "SOLVED WITH REAL ROOTS" : "NOT SOLVED WITH REAL ROOTS");
    FLSMSG(level_, a_.IDEBUG, a_.IOUT, text);
    std::snprintf(text, sizeof text, " FLIQHC=%14.6E  FVAPOR=%14.6E  KK100=%4d", a_.FLIQHC,
                  a_.FVAPOR, s_.kk100);
    FLSMSG(level_, a_.IDEBUG, a_.IOUT, text);
  }
  return false;
}

// 25-28. The end of the iteration: single phases and their K-values, notes.
void Substitution::finish() {
  const std::size_t nk = count(a_.NCOMP);
  // 25. Fractions outside 0..1 become a single phase.
  if (a_.FVAPOR < 0.0) {
    if (a_.IDEBUG > 0) writef(a_.IOUT, " STOPPED WITH NEGATIVE VAPOR FRACTION, SET TO ALL LIQUID");
    a_.FVAPOR = 0.0;
    a_.FLIQHC = 1.0;
    for (std::size_t i = 0; i < n_; ++i) {
      a_.X[i] = a_.Z[i];
      a_.Y[i] = a_.Z[i] * a_.XK[i];
    }
    services::NORMLZ(a_.NC, a_.Y);
  } else if (a_.FVAPOR > 1.0) {
    if (a_.IDEBUG > 0) writef(a_.IOUT, " STOPPED WITH NEGATIVE LIQUID FRACTION, SET TO ALL VAPOR");
    a_.FVAPOR = 1.0;
    a_.FLIQHC = 0.0;
    for (std::size_t i = 0; i < n_; ++i) {
      a_.Y[i] = a_.Z[i];
      a_.X[i] = a_.Z[i] / std::max(a_.XK[i], kKFloor);
    }
    services::NORMLZ(a_.NC, a_.X);
  }
  // 26. A single phase converges its own K-values.
  if (a_.IFFAIL == kFlashSolved && (a_.FLIQHC >= FLTOL(kWhole) || a_.FVAPOR >= FLTOL(kWhole))) {
    SinglePhaseControl c;
    c.kind = a_.FLIQHC >= FLTOL(kWhole) ? SinglePhase::Liquid : SinglePhase::Vapour;
    c.maxit = kSingleSteps;
    c.nc = a_.NC;
    c.ncomp = a_.NCOMP;
    c.t = a_.T;
    c.p = a_.P;
    c.kcdrv = a_.KCDRV;
    c.klle = a_.KLLE;
    c.roots = s_.roots;
    c.idebug = a_.IDEBUG;
    c.iout = a_.IOUT;
    c.level = level_;
    c.zmin = ztol_;
    c.tol = ztol_;
    c.nprt = a_.NC;
    std::int32_t ierr = 0;
    double dkmax = 0.0;
    FLSNGL(c, zx_, a_.Y, a_.X, a_.XK, a_.XKSTOR.first(nk), a_.ZV, a_.ZL, ierr, dkmax);
  }
  // 27. The outcome of oscillation treatments.
  if (s_.treatments > 0) {
    char text[kNoteLength];
    std::snprintf(text, sizeof text, "%s - KK100=%4d",
                  a_.IFFAIL == kFlashSolved ? "SOLVED" : "NOT SOLVED", s_.kk100);
    note(kOscillationNotes, text);
    if (a_.IFFAIL != kFlashSolved) s_.printAtEnd = true;
  }
  // 28. A flash worth a trace print.
  if (s_.printAtEnd) FLSPRT(1, 1, 1, a_.T, a_.P, a_.NC, a_.Z);
}

void Substitution::run() {
  auto& roots = methods::PMCTL2;
  // 1-2. Entry.
  if (a_.IDEBUG > 0) {
    writef(a_.IOUT,
           " ENTERED FLASHN T=%12.5f P=%12.5f GTOL=%12.5E IFIXLW=%2d ITPFIX=%2d  IEOS=%2d "
           "KXFLAG=%2d KXOPT=%2d INITFL=%2d",
           a_.T, a_.P, a_.GTOL, a_.IFIXLW, a_.ITPFIX, a_.IEOS, a_.KXFLAG, a_.KXOPT, a_.INITFL);
    if (a_.IDEBUG > 3) writef(a_.IOUT, "  TRATE=%14.6E", a_.TRATE);
  }
  const std::int64_t callsAtEntry = kvalueCalls();
  a_.IFFAIL = kFlashSolved;
  a_.FLIQHC = a_.FWATER = a_.FTOTLQ = a_.FVAPOR = a_.GFLSH = a_.GFLABS = a_.ZV = a_.ZL = 0.0;
  roots.ISEUDL = roots.ISEUDV = 1;
  kxoptEntry_ = a_.KXOPT;
  FLSOSC(OscillationMode::Reset, "FLASHN", s_.iosc, 0, s_.kstart, s_.nosc, 0.0, s_.tetasv, a_.IOUT,
         a_.IDEBUG, level_);
  // 3. The feed copy; a pure component.
  if (scratch.zx.size() < n_) {
    scratch.zx.resize(n_);
    scratch.xt.resize(n_);
    scratch.yt.resize(n_);
    scratch.kpos.resize(n_);
  }
  zx_ = std::span<double>(scratch.zx).first(n_);
  xt_ = std::span<double>(scratch.xt).first(n_);
  yt_ = std::span<double>(scratch.yt).first(n_);
  kpos_ = std::span<double>(scratch.kpos).first(n_);
  std::int32_t pure = 0;
  for (std::size_t i = 0; i < n_; ++i) {
    a_.X[i] = a_.Y[i] = a_.XSTOR[i] = a_.YSTOR[i] = a_.XKSTOR[i] = 0.0;
    zx_[i] = a_.Z[i] > 0.0 && a_.Z[i] < kTraceFloor ? kTraceFloor : a_.Z[i];
    if (a_.Z[i] > FLTOL(kWhole)) pure = static_cast<std::int32_t>(i + 1);
  }
  if (pure > 0) {
    // 4. The pure-component flash.
    if (a_.IDEBUG > 0) writef(a_.IOUT, " \"PURE\" COMPONENT =%4d", pure);
    FLSNPC(pure, a_);
  } else {
    // 5. Start K-values: those passed, the stored estimate, or a fresh K-value call.
    Step step = Step::KValues;
    if (a_.KXOPT == 2) {
      step = Step::Split;
      s_.kword = 1;
    } else if (FLSTAT.IHVDAT() == 2 && a_.KXOPT == 1) {
      FLSCPY(a_.FLIQHC, a_.FWATER, a_.FTOTLQ, a_.FVAPOR, a_.NCOMP, a_.XK);
      // K-values that all lie within 0.99..1.01 tell nothing: fresh ones are got instead.
      double kmin = 1e30, kmax = 0.0;
      for (std::size_t i = 0; i < count(a_.NCOMP); ++i) {
        kmin = std::min(kmin, a_.XK[i]);
        kmax = std::max(kmax, a_.XK[i]);
      }
      if (!(kmin >= 0.99 && kmax <= 1.01)) {
        step = Step::Split;
        s_.kword = 1;
      }
    }
    for (;;) {
      switch (step) {
        case Step::KValues:
          step = kvalues();
          break;
        case Step::Split:
          step = split();
          break;
        case Step::Converge:
          step = converge();
          break;
        case Step::Critical:
          critical();
          step = Step::End;
          break;
        case Step::End:
          break;
      }
      if (step == Step::End) {
        if (!realRootRepeat()) break;
        step = Step::KValues;
      }
    }
    finish();
  }
  // 29-30. Exit.
  a_.FTOTLQ = a_.FLIQHC;
  a_.FWATER = 0.0;
  if (a_.IDEBUG == 3) {
    for (std::size_t i = 0; i < n_; ++i) {
      if (a_.Z[i] > 0.0) {
        writef(a_.IOUT, " %4zu %12.5E %12.5E %12.5E %12.5E", i + 1, a_.Z[i], a_.Y[i], a_.X[i],
               a_.XK[i]);
      }
    }
  }
  if (a_.IDEBUG > 0) {
    writef(a_.IOUT, " FINAL  FLIQHC=%14.6E  FVAPOR=%14.6E", a_.FLIQHC, a_.FVAPOR);
    writef(a_.IOUT, " LEAVING FLASHN - IFFAIL=%4d", a_.IFFAIL);
  }
  roots.ISEUDL = 1;
  roots.ISEUDI = 0;
  roots.ISEUDV = 1;
  const std::int32_t printLevel = services::GDPOPT.diagnosticSwitch(kFlashPrintSwitch);
  if (printLevel > 2 && printLevel <= 6) {
    writef(a_.IOUT, "   LEAVE FLASH-- KCALCS%6lld T%10.3f P%12.3f HC/F%10.6f",
           static_cast<long long>(kvalueCalls() - callsAtEntry), a_.T, a_.P, a_.FLIQHC);
  } else if (printLevel > 6) {
    writef(a_.IOUT, "   LEAVE FLASH-- T%10.3f P%12.3f HC/F%10.6f", a_.T, a_.P, a_.FLIQHC);
  }
}

// The feed copy, the last split and the floored K-values go to the caller's work arrays.
void Substitution::keep(const TwoPhaseWork& work) const {
  if (zx_.empty()) return;
  const auto put = [](const storage::RealView& view, std::span<const double> v) {
    if (view.size() >= v.size()) view.assign(v);
  };
  put(work.slot16, zx_);
  put(work.slot13, xt_);
  put(work.slot15, yt_);
  put(work.slot14, kpos_);
}

}  // namespace

void FLASHN(IsothermalFlash& a, const TwoPhaseWork& work, std::int32_t level) {
  Substitution flash(a, level);
  flash.run();
  flash.keep(work);
}

}  // namespace flash
