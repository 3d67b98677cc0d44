// FLASTP: the isothermal flash router.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>

#include "flash/algorithms.hpp"
#include "flash/flash_notes.hpp"
#include "flash/flash_print.hpp"
#include "flash/flash_state.hpp"
#include "flash/work_tables.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"

namespace flash {
namespace {

using services::FLTOL;

constexpr std::size_t kAbsent = 8;  // FLTOL: a fraction at or below it is absent
constexpr std::size_t kWhole = 9;   // FLTOL: a fraction at or above it is the whole

constexpr int kDebugSwitch = 2;
constexpr int kGeneralDebugSwitch = 36;
constexpr int kFlashPrintSwitch = 28;
constexpr int kAlgorithmSwitch = 41;
constexpr int kForcingSwitch = 45;
constexpr int kMessageLevelSwitch = 47;

constexpr std::int32_t kNoteLimit = 200;
constexpr std::int32_t kSkipNoteLimit = 10;
constexpr std::int32_t kPseudoRootNoteLimit = 100;
constexpr std::int32_t kCompareMode = 3;

// FLCNTR words.
constexpr std::size_t kFailureNotes = 1;
constexpr std::size_t kSkipNotes = 6;
constexpr std::size_t kPseudoRootNotes = 8;
constexpr std::size_t kRouterWraps = 10;

std::int32_t switchValue(int k) { return services::GDPOPT.diagnosticSwitch(k); }

// K-value codes for which the two-liquid route of the router is open.
bool routerCode(std::int32_t code) {
  switch (code) {
    case 1:
    case 103:
    case 104:
    case 105:
    case 118:
    case 119:
    case 120:
    case 503:
    case 510:
    case 511:
      return false;
    default:
      return !(code >= methods::kFirstUserMethod && code <= methods::kLastUserMethod);
  }
}

// The equation-of-state K-value codes for which the Newton flash follows FLASHN.
bool newtonCode(std::int32_t code) {
  switch (code) {
    case 101:
    case 102:
    case 108:
    case 109:
    case 111:
    case 112:
    case 114:
    case 116:
    case 117:
    case 121:
      return true;
    default:
      return false;
  }
}

storage::RealView work(std::size_t slot, std::int32_t n) {
  return storage::CORSTO.reals(FLWKTB.slots(slot), std::max(n, 1));
}

TwoPhaseWork twoPhaseWork(std::int32_t n) {
  FLSWKA(static_cast<std::int32_t>(WorkMode::TwoPhase), n);
  return {work(16, n), work(13, n), work(15, n), work(14, n)};
}

ThreePhaseWork threePhaseWork(std::int32_t n) {
  FLSWKA(static_cast<std::int32_t>(WorkMode::ThreePhase), n);
  return {work(7, n),  work(8, n),  work(10, n), work(9, n),  work(11, n), work(14, n),
          work(12, n), work(13, n), work(15, n), work(16, n), work(1, n),  work(2, n),
          work(3, n),  work(4, n),  work(5, n),  work(6, n),  work(17, n)};
}

FreeWaterWork freeWaterWork(std::int32_t n) {
  FLSWKA(static_cast<std::int32_t>(WorkMode::ThreePhase), n);
  return {work(7, n),  work(8, n),  work(10, n), work(9, n), work(11, n), work(14, n),
          work(13, n), work(15, n), work(16, n), work(1, n), work(2, n),  work(3, n)};
}

NewtonWork newtonWork(std::int32_t n) {
  FLSWKA(static_cast<std::int32_t>(WorkMode::Newton), n);
  const std::int32_t m = std::max(n, 1);
  return {storage::CORSTO.words(FLWKTB.slots(26), m),
          work(18, n),
          work(19, n),
          work(20, n),
          work(21, n),
          storage::CORSTO.reals(FLWKTB.slots(22), m * m),
          work(23, n),
          storage::CORSTO.reals(FLWKTB.slots(24), m * (m + 1)),
          work(25, n),
          work(27, n)};
}

// A failure note: message 1000000214 with LABEL, the call count, T and P, at most 200 per
// problem unless switch 47 is set. Returns whether it was issued.
bool failureNote(const IsothermalFlash& a, const char* label) {
  auto& counters = FLCNTR.words;
  if (!(switchValue(kMessageLevelSwitch) > 0 || counters(kFailureNotes) < kNoteLimit)) {
    return false;
  }
  char text[kNoteLength + 40];
  std::snprintf(text, sizeof text, "%s FLASH (%10lld ) FAILED AT%.2f K,%f KPA", label,
                static_cast<long long>(flashCalls.NNFLST), a.T, a.P);
  services::MSGPAR.composition.assign(text);
  if (a.IDEBUG > 0) {
    std::array<char, kNoteLength> squeezed{};
    const std::string_view t(text);
    std::copy_n(t.begin(), std::min(t.size(), squeezed.size()), squeezed.begin());
    std::fill(squeezed.begin() + static_cast<std::ptrdiff_t>(std::min(t.size(), squeezed.size())),
              squeezed.end(), ' ');
    services::SQZBLK(squeezed);
    writef(a.IOUT, " ** ERROR ** %.*s",
           static_cast<int>(services::LENTRM({squeezed.data(), squeezed.size()})), squeezed.data());
  }
  services::MSGOUT(kRouterNote);
  ++counters(kFailureNotes);
  return true;
}

// The entry values the compare mode puts back before FLASHT runs.
struct EntryValues {
  std::int32_t kxflag, kxopt, initfl;
  double fvapor, ftotlq, fliqhc, fwater, mpfrc1, mpfrc2;
};

// 16. FLASHT, repeated at the problem's own root selection when a present phase was solved
// at a pseudo root.
void flashtPath(IsothermalFlash& a, std::int32_t threePhaseLevel) {
  const FlashAlgorithms& algorithms = flashAlgorithms();
  auto& roots = methods::PMCTL2;
  algorithms.flasht(a);
  const double absent = FLTOL(kAbsent);
  std::int32_t lambda = threePhaseLevel;
  if (a.IDEBUG > 0 &&
      ((roots.ISEUDL == 0 && a.FLIQHC > absent) || (roots.ISEUDV == 0 && a.FVAPOR > absent))) {
    lambda = 1;
  }
  auto& counters = FLCNTR.words;
  char text[kNoteLength + 40];
  if (a.IDEBUG >= lambda && (roots.ISEUDL == 0 || roots.ISEUDV == 0) &&
      counters(kPseudoRootNotes) < kPseudoRootNoteLimit) {
    ++counters(kPseudoRootNotes);
    const char* which = roots.ISEUDL == 0 && roots.ISEUDV == 0
                            ? "SOLVED AT VAPOR AND LIQUID PSEUDO ROOTS"
                        : roots.ISEUDV == 0 ? "SOLVED AT VAPOR PSEUDO ROOT"
                                            : "SOLVED AT LIQUID PSEUDO ROOT";
    std::snprintf(text, sizeof text, " FLASHT (%lld ) - %s",
                  static_cast<long long>(flashCalls.NNFLST), which);
    FLSMSG(lambda, a.IDEBUG, a.IOUT, text);
    std::snprintf(text, sizeof text, " FLIQHC =%14.6E  FVAPOR   =%14.6E", a.FLIQHC, a.FVAPOR);
    FLSMSG(lambda, a.IDEBUG, a.IOUT, text);
    // The component of largest amount in the current stream.
    std::int32_t largest = 1;
    double amount = -1.0;
    const problem::StreamPointers& current = problem::SRPSET.set2;
    const std::int32_t feed = current.realSectors[0];
    if (current.stream > 0 && feed > 0) {
      const storage::RealView v = storage::CORSTO.reals(feed + 1, std::max(a.NC, 1));
      for (std::int32_t i = 1; i <= a.NC; ++i) {
        if (v[static_cast<std::size_t>(i - 1)] > amount) {
          amount = v[static_cast<std::size_t>(i - 1)];
          largest = i;
        }
      }
    }
    std::snprintf(text, sizeof text, " TEMP(K)=%12.4f  PRES(KPA)=%14.4f   COMP(%d)=%14.6E", a.T,
                  a.P, largest, amount);
    FLSMSG(lambda, a.IDEBUG, a.IOUT, text);
    if (counters(kPseudoRootNotes) == kPseudoRootNoteLimit) {
      std::snprintf(text, sizeof text, " FLASHT (%lld ) - 100 PSEUDO ROOT MESSAGES",
                    static_cast<long long>(flashCalls.NNFLST));
      FLSMSG(lambda, a.IDEBUG, a.IOUT, text);
    }
  }
  const bool noneAtPseudoRoot =
      (a.FLIQHC <= absent || roots.ISEUDL != 0) && (a.FVAPOR <= absent || roots.ISEUDV != 0);
  if ((roots.ISEUDP == roots.ISEUDL && roots.ISEUDP == roots.ISEUDV) || noneAtPseudoRoot) return;
  roots.ISEUDI = roots.ISEUDP;
  algorithms.flasht(a);
  roots.ISEUDI = 0;
  if (a.IDEBUG > 0 && counters(kPseudoRootNotes) < kPseudoRootNoteLimit) {
    std::snprintf(text, sizeof text, " FLASHT (%lld ) - USING REAL ROOTS ........... :",
                  static_cast<long long>(flashCalls.NNFLST));
    FLSMSG(1, a.IDEBUG, a.IOUT, text);
    std::snprintf(text, sizeof text, " FLIQHC =%14.6E  FVAPOR   =%14.6E", a.FLIQHC, a.FVAPOR);
    FLSMSG(1, a.IDEBUG, a.IOUT, text);
  }
}

const char* phaseState(const IsothermalFlash& a, bool liquidLiquid, std::int32_t water) {
  const bool split = liquidLiquid && MPFRC1() > 0.0 && MPFRC2() > 0.0;
  const bool waterRows = !liquidLiquid && water > 0;
  if (a.FVAPOR >= 1.0) return "ALL VAPOR";
  if (a.FVAPOR > 0.0) {
    if (split) return "VAPOR AND LIQUID 1 AND LIQUID 2";
    if (!waterRows) return "VAPOR AND LIQUID";
    if (a.FWATER > 0.0) return a.FLIQHC > 0.0 ? "VAPOR AND HC LIQUID AND WATER" : "VAPOR AND WATER";
    return "VAPOR AND HC LIQUID";
  }
  if (split) return "LIQUID 1 AND LIQUID 2";
  if (!waterRows) return "ALL LIQUID";
  if (a.FLIQHC >= 1.0) return "ALL HC LIQUID";
  return a.FWATER < 1.0 ? "HC LIQUID AND WATER" : "ALL WATER";
}

// 19. The debug listing of the exit.
void exitListing(const IsothermalFlash& a, bool liquidLiquid, std::int32_t water) {
  writef(a.IOUT, "         FLASTP- T     =%12.4f  P     =%14.4f", a.T, a.P);
  if (switchValue(kMessageLevelSwitch) > 9) {
    writef(a.IOUT, " COMP   KVALUE         VAPOR          XLIQ");
    for (std::int32_t i = 1; i <= a.NCOMP; ++i) {
      const auto k = static_cast<std::size_t>(i - 1);
      if (i == water) {
        writef(a.IOUT, "         YWD, XWD =%14.6E%14.6E", problem::THCTL.ywd, problem::THCTL.xwd);
      }
      writef(a.IOUT, " %4d %14.6E %14.6E %14.6E", i, a.XK[k], a.Y[k], a.X[k]);
    }
    double sx = 0.0, sy = 0.0, d = 0.0;
    SUMDIF(a.NCOMP, a.X, a.Y, sx, sy, d);
    writef(a.IOUT, " SUM=%14.6E%14.6E%14.6E", sx, sy, d);
  }
  if (liquidLiquid) {
    const double m1 = MPFRC1(), m2 = MPFRC2();
    const double f1 = m1 > 0.0 ? (1.0 - a.FVAPOR) * m1 : a.FLIQHC;
    const double f2 = m1 > 0.0 ? 1.0 - f1 - a.FVAPOR : 0.0;
    writef(a.IOUT, "         FLASTP- MPFRC1=%14.6E  MPFRC2=%14.6E", m1, m2);
    writef(a.IOUT, "         FLASTP- FLIQ1 =%14.6E  FLIQ2 =%14.6E", f1, f2);
  }
  writef(a.IOUT, "    ** %s **", phaseState(a, liquidLiquid, water));
  if (water > 0) {
    writef(a.IOUT, "         FLASTP- FLIQHC=%14.6E  FWATER=%14.6E", a.FLIQHC, a.FWATER);
  }
  writef(a.IOUT, " LEAVING FLASTP- FVAPOR=%14.6E  FTOTLQ=%14.6E JFLNEW=%2d", a.FVAPOR, a.FTOTLQ,
         FLWKTB.JFLNEW);
}

enum class Route { Flasht, Success, Accepted };

}  // namespace

void FLASTP(IsothermalFlash& a) {
  const FlashAlgorithms& algorithms = flashAlgorithms();
  // 1. The call counter.
  ++flashCalls.NNFLST;
  if (a.IDEBUG > 0) {
    writef(a.IOUT,
           " ENTERED FLASTP T=%12.5f P=%12.5f GTOL=%12.5E IFIXLW=%2d ITPFIX=%2d  IEOS=%2d "
           "KXFLAG=%2d KXOPT=%2d INITFL=%2d",
           a.T, a.P, a.GTOL, a.IFIXLW, a.ITPFIX, a.IEOS, a.KXFLAG, a.KXOPT, a.INITFL);
    writef(a.IOUT, "NNFLSG= %lld  NNFLST= %lld", static_cast<long long>(flashCalls.NNFLSG),
           static_cast<long long>(flashCalls.NNFLST));
  }
  if (flashCalls.NNFLST >= kCounterWrap) {
    flashCalls.NNFLST = 0;
    ++FLCNTR.words(kRouterWraps);
  }
  // 2. The entry values.
  const std::int32_t vle = methods::MSPTRS.classes(1).code;
  const std::int32_t lle = methods::MSPTRS.classes(2).code;
  const bool liquidLiquid = hasCode(lle);
  const EntryValues entry{a.KXFLAG,
                          a.KXOPT,
                          a.INITFL,
                          a.FVAPOR,
                          a.FTOTLQ,
                          a.FLIQHC,
                          a.FWATER,
                          liquidLiquid ? MPFRC1() : 0.0,
                          liquidLiquid ? MPFRC2() : 0.0};
  const std::int32_t algorithmSwitch = switchValue(kAlgorithmSwitch);
  // 4. The note threshold.
  const std::int32_t printLevel = switchValue(kFlashPrintSwitch);
  std::int32_t threshold = a.IDEBUG;
  if (printLevel >= 2 && a.IDEBUG <= 0) threshold = 1;
  if (printLevel >= 2 && a.IDEBUG > 0) {
    writef(a.IOUT, " FLASTP- NNFLST%12lld", static_cast<long long>(flashCalls.NNFLST));
  }
  // 5.
  std::int32_t threePhaseLevel = 2;
  methods::PMCTL2.ISEUDL = 1;
  methods::PMCTL2.ISEUDV = 1;

  // 6-15. Routing.
  Route route = Route::Flasht;
  std::int32_t family = 1;
  const std::int32_t water = problem::THCTL.idecnt;
  std::int32_t s = algorithmSwitch == 0 ? 1 : algorithmSwitch;
  if (s == 2 || s == 3) s = 0;
  const bool compare = algorithmSwitch == kCompareMode;
  if (!polymerSet(vle, lle) && switchValue(kForcingSwitch) <= 0 && s <= 0) {
    const bool open = routerCode(methods::KMCTL.kvalue.code);
    FLWKTB.JFLNEW = 1;
    a.IFFAIL = kFlashSolved;
    enum class Next { Flasht, ThreePhase, FreeWater, TwoPhase } next = Next::TwoPhase;
    if (liquidLiquid) {
      if (!open) {
        next = Next::Flasht;
      } else if (vle == lle) {
        next = Next::ThreePhase;
      } else {
        next = Next::Flasht;
        if (a.IDEBUG > 0 && FLCNTR.words(kSkipNotes) < kSkipNoteLimit) {
          ++FLCNTR.words(kSkipNotes);
          char text[kNoteLength + 40];
          std::snprintf(text, sizeof text,
                        " FLASTP (%lld ) - SKIP FLAS3P SINCE KVAL(VLE) IS NOT THE SAME AS "
                        "KVAL(LLE)",
                        static_cast<long long>(flashCalls.NNFLST));
          FLSMSG(1, a.IDEBUG, a.IOUT, text);
        }
      }
    } else if (water > 0) {
      const double zw = a.Z[static_cast<std::size_t>(water - 1)];
      if (!(zw > 0.0)) {
        if (a.IDEBUG > 0) writef(a.IOUT, "** NO WATER IN FEED");
      } else if (zw >= FLTOL(kWhole)) {
        if (a.IDEBUG > 0) writef(a.IOUT, "** FEED IS ALL WATER");
        next = Next::Flasht;
      } else {
        next = Next::FreeWater;
      }
    }
    // Accepted: solved on the pure-component path, whatever the note threshold.
    const auto accepted = [&]() {
      if (a.IFFAIL != kFlashPureComponent) return false;
      a.IFFAIL = kFlashSolved;
      FLWKTB.JFLNEW = 0;
      return true;
    };
    if (next == Next::ThreePhase) {
      family = 3;
      algorithms.flas3p(a, threePhaseWork(a.NC), threePhaseLevel);
      if (a.IFFAIL <= 0) {
        route = Route::Success;
      } else {
        if (threshold > 0) failureNote(a, "FLAS3P - 3 PHASE");
        if (accepted()) route = Route::Accepted;
      }
    } else if (next == Next::FreeWater) {
      family = 2;
      algorithms.fls3w1(a, freeWaterWork(a.NC), threePhaseLevel);
      if (a.IFFAIL == kFlashSolved && (a.FWATER <= 0.0 || a.FVAPOR <= 0.0 || a.FLIQHC <= 0.0)) {
        FLWKTB.JFLNEW = 0;
      }
      if (a.IFFAIL <= 0) {
        route = Route::Success;
      } else {
        if (threshold > 0) failureNote(a, "FLAS3W - WATER");
        if (accepted()) route = Route::Accepted;
      }
    } else if (next == Next::TwoPhase) {
      family = 1;
      const TwoPhaseWork two = twoPhaseWork(a.NC);
      algorithms.flashn(a, two, 1);
      bool newtonRan = false;
      if (a.IFFAIL > 0 && newtonCode(methods::KMCTL.kvalue.code)) {
        if (a.IFFAIL != kFlashFailedQuietly && 1 <= threshold) {
          if (failureNote(a, "FLASH-N - NEGATIVE")) FLSPRT(1, 1, 1, a.T, a.P, a.NC, a.Z);
        }
        const NewtonWork newton = newtonWork(a.NC);
        if (a.IDEBUG > 0) {
          writef(a.IOUT, " FLASTP BEFORE FLASHC - ISEUDI=%3d", methods::PMCTL2.ISEUDI);
        }
        std::int32_t kxopt = entry.kxopt;
        algorithms.flashc(a, kxopt, two, newton, 1);
        if (a.IDEBUG > 0) {
          writef(a.IOUT, " FLASTP AFTER FLASHC - ISEUDI=%3d", methods::PMCTL2.ISEUDI);
        }
        a.KXOPT = kxopt;
        newtonRan = true;
      }
      if (a.IFFAIL <= 0) {
        route = Route::Success;
      } else {
        if (1 <= threshold && a.IFFAIL != kFlashFailedQuietly) {
          FLSPRT(1, 1, 1, a.T, a.P, a.NC, a.Z);
          failureNote(a, newtonRan ? "FLASHC - NEGATIVE" : "FLASHN - NEGATIVE");
        }
        if (accepted()) route = Route::Accepted;
      }
    }
  }

  // 17. Compare mode: the result is recorded and FLASHT's is compared with it.
  RecordedResult recorded;
  bool comparing = false;
  if (route == Route::Success && compare) {
    FLSDIF(1, family, a.IDEBUG, a.IOUT, kNoteLimit, lle, a.NC, a.NCOMP, a.Z, a.T, a.P, a.FLIQHC,
           a.FWATER, a.FVAPOR, liquidLiquid ? MPFRC1() : 0.0, liquidLiquid ? MPFRC2() : 0.0,
           recorded);
    a.KXFLAG = entry.kxflag;
    a.KXOPT = entry.kxopt;
    a.INITFL = entry.initfl;
    a.FVAPOR = entry.fvapor;
    a.FLIQHC = entry.fliqhc;
    a.FTOTLQ = entry.ftotlq;
    a.FWATER = entry.fwater;
    if (liquidLiquid) {
      MPFRC1() = entry.mpfrc1;
      MPFRC2() = entry.mpfrc2;
    }
    comparing = true;
    route = Route::Flasht;
  }

  if (route == Route::Flasht) {
    flashtPath(a, threePhaseLevel);
    FLWKTB.JFLNEW = 0;
  } else {
    // 18. Post-processing of the router's own results.
    setIterationStep(a);
    if (a.IDEBUG > 0) {
      writef(a.IOUT, " ");
      writef(a.IOUT, "FLASTP   IFFAIL=%4d", a.IFFAIL);
    }
    if (FLSTAT.IHVDAT() > 0) {
      FLSTAT.IHVDAT() = 1;
      storeEstimate(a.T, a.P, a.FLIQHC, a.FWATER, a.FTOTLQ, a.FVAPOR,
                    std::span<const double>(a.XK.data(), static_cast<std::size_t>(a.NCOMP)));
    }
    if (printLevel >= 7 && (family == 2 || family == 3)) {
      writef(a.IOUT, "   LEAVE FLASH-- T%10.3f P%12.3f HC/F%10.6f", a.T, a.P, a.FLIQHC);
    }
  }

  // 19. Exit.
  if (comparing) {
    FLSDIF(2, family, a.IDEBUG, a.IOUT, kNoteLimit, lle, a.NC, a.NCOMP, a.Z, a.T, a.P, a.FLIQHC,
           a.FWATER, a.FVAPOR, liquidLiquid ? MPFRC1() : 0.0, liquidLiquid ? MPFRC2() : 0.0,
           recorded);
  }
  if (a.IDEBUG > 0) exitListing(a, liquidLiquid, water);
  if ((switchValue(kGeneralDebugSwitch) > 0 || switchValue(kDebugSwitch) > 0) && a.IFFAIL > 0) {
    writef(a.IOUT, " LEAVING FLASTP   IFFAIL=%4d", a.IFFAIL);
  }
}

}  // namespace flash
