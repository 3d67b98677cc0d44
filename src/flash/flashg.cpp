// FLASHG: the general flash driver: entry, the choice of the iteration option, the flashes at
// fixed T and P or at a held fraction, the residual of each option and the exit. The outer
// iteration itself is in specification_iteration.cpp.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "flash/algorithms.hpp"
#include "flash/flash_notes.hpp"
#include "flash/flash_print.hpp"
#include "flash/flash_state.hpp"
#include "flash/flashed_totals.hpp"
#include "flash/general_flash.hpp"
#include "flash/general_flash_run.hpp"
#include "flash/phase_fraction.hpp"
#include "flash/slots.hpp"
#include "flash/work_tables.hpp"
#include "methods/methods.hpp"
#include "problem/problem.hpp"
#include "services/kept_values.hpp"
#include "services/services.hpp"
#include "storage/storage.hpp"
#include "thermo/pure/water.hpp"

namespace flash {
namespace general {
namespace {

// Per-component critical constants handed to the flashes; grown once, kept.
std::vector<double> criticalTemperatures, criticalPressures, acentricFactors;
const bool kScratchReset = services::registerKeptValues([] {
  std::vector<double>().swap(criticalTemperatures);
  std::vector<double>().swap(criticalPressures);
  std::vector<double>().swap(acentricFactors);
});

// Copies real sector SECTOR of the component table into TO (N entries), growing it once.
void componentReals(problem::ComponentReal sector, std::vector<double>& to, std::size_t n) {
  if (to.size() < n) to.resize(n);
  const std::int32_t start = problem::COPTRS.realSector(sector);
  for (std::size_t i = 0; i < n; ++i) {
    to[i] = storage::CORSTO.real(start + static_cast<std::int32_t>(i + 1));
  }
}

}  // namespace

void Run::operator()() {
  if (!enter()) {
    leave(false, true);
    return;
  }
  if (TPCLMP(0, g_.T, g_.P)) {
    leave(true, true);
    return;
  }
  chooseOption();
  const bool inRange = iterate();
  leave(!inRange, !inRange);
}

// Entry steps: counter, debug level, kept words, zero rate. Returns false for a zero rate.
bool Run::enter() {
  auto& calls = flashCalls;
  if (++calls.NNFLSG >= kCounterWrap) {
    calls.NNFLSG = 0;
    ++FLCNTR.words(kWrapCounter);
  }
  debug_ = std::max(switchWord(kGeneralDebugSwitch), g_.IDEBUG);
  if (debug_ > 0) {
    writef(services::DBUNIT.reportFile, " *** DUMP FROM FLASHG NNFLSG= %lld ISNO=%d KFTYPE=%d (SPEC=%d) VALUE=%g TOL=%g",
           static_cast<long long>(calls.NNFLSG), g_.ISNO, g_.KFTYPE, g_.ISPEC, g_.SPVALU, g_.SPTOL);
  }
  if (switchWord(kStopValueSwitch) == calls.NNFLSG) {
    std::int64_t count = 0;
    FLSDBG(count);
  }
  tEntry_ = g_.T;
  pEntry_ = g_.P;
  switch37Entry_ = switchWord(kSolverSwitch);
  gtolEntry_ = g_.GTOL;
  sptolEntry_ = g_.SPTOL;
  ihvdatEntry_ = FLSTAT.IHVDAT();
  g_.JERR = 0;
  if (!(header(h::kRate) > 0.0)) {
    g_.JERR = kFlashFailed;
    return false;
  }
  g_.GFLSH = 0.0;
  lpoly_ = polymerSet(methods::MSPTRS.classes(1).code, methods::MSPTRS.classes(2).code);

  // The K start mode.
  if (g_.KOPT2 > 0) {
    bool fresh = g_.NCOMP == 1 && g_.NC == 1;
    const double stored = header(h::kLiquidFraction);
    fresh = fresh || stored < FLTOL(kReuseLow) || stored > FLTOL(kReuseHigh);
    for (std::int32_t i = 0; i < g_.NCOMP && !fresh; ++i) {
      fresh = g_.Z[static_cast<std::size_t>(i)] > kPureFeed;
    }
    if (fresh) g_.KOPT2 = 0;
  }
  kxopt_ = g_.KOPT2 > 0 ? 2 : 1;
  vlle_ = methods::PMCTL2.secondLiquidCode > 0;
  problem::THCTL.xwd = 0.0;
  g_.FWATER = 0.0;
  const std::int32_t water = problem::THCTL.idecnt;
  zwfeed_ = water > 0 && water <= g_.NCOMP ? g_.Z[static_cast<std::size_t>(water - 1)] : 0.0;
  dvstep_ = {kTemperatureStep, 0.0};

  // The router's arguments that stay for the call.
  const std::size_t n = static_cast<std::size_t>(std::max(g_.NCOMP, 0));
  componentReals(problem::ComponentReal::CriticalTemperature, criticalTemperatures, n);
  componentReals(problem::ComponentReal::CriticalPressure, criticalPressures, n);
  componentReals(problem::ComponentReal::AcentricFactor, acentricFactors, n);
  a_.IOUT = services::DBUNIT.reportFile;
  a_.IOUT2 = g_.IOUT2;
  a_.NCOMP = g_.NCOMP;
  a_.NC = g_.NC;
  a_.IDEBUG = debug_;
  a_.IEOS = g_.IEOS;
  a_.KXFLAG = g_.KXFLAG;
  a_.IPRES = g_.IPRES;
  a_.KCDRV = 0;
  a_.KTRIV = 0;
  a_.Z = g_.Z;
  a_.X = g_.X;
  a_.Y = g_.Y;
  a_.XK = g_.XK;
  a_.XSTOR = g_.XSTOR;
  a_.YSTOR = g_.YSTOR;
  a_.DXNEW = g_.DXNEW;
  a_.DXOLD = g_.DXOLD;
  a_.DYNEW = g_.DYNEW;
  a_.DYOLD = g_.DYOLD;
  a_.XKSTOR = g_.XKSTOR;
  a_.TCRIT = std::span<const double>(criticalTemperatures.data(), n);
  a_.KLLE = g_.ISOLID;
  return true;
}

// The iteration option and the first flash.
void Run::chooseOption() {
  const auto type = static_cast<FlashType>(g_.KFTYPE);
  ifixlw_ = 0;
  if (type == FlashType::Isothermal || g_.ISPCOD < 100) {
    option_ = (g_.ISPCOD == 11 && (type == FlashType::LiquidFraction || type == FlashType::VapourFraction))
                  ? Option::Fraction
                  : Option::Isothermal;
  } else if (type == FlashType::Bubble) {
    option_ = Option::Fraction;
    g_.FTOTLQ = 1.0;
    g_.FVAPOR = 0.0;
    ifixlw_ = 2;
  } else if (type == FlashType::Dew) {
    option_ = Option::Fraction;
    g_.FTOTLQ = 0.0;
    g_.FVAPOR = 1.0;
    ifixlw_ = 2;
  } else if (type == FlashType::WaterDew) {
    option_ = Option::WaterDew;
    g_.SPVALU = 0.0;
  } else if (type == FlashType::HydrocarbonDew) {
    option_ = Option::Fraction;
    g_.FLIQHC = 0.0;
    g_.FVAPOR = 1.0;
    g_.FTOTLQ = 0.0;
    ifixlw_ = 1;
  } else {
    option_ = Option::Enthalpy;
  }
  if (option_ != Option::Fraction) isothermal("1ST FLASTP", g_.ITPFIX, ifixlw_);

  if (type != FlashType::Isothermal && g_.ISPCOD < 100) {
    const bool givenFraction = g_.ISPCOD == 11 &&
                               (type == FlashType::VapourFraction || type == FlashType::LiquidFraction);
    option_ = givenFraction ? Option::Fraction : Option::Held;
    ifixlw_ = (type == FlashType::HydrocarbonLiquid || g_.ISPCOD == 13) ? 1 : 2;
    if (g_.ISPCOD == 11 && type == FlashType::VapourFraction) {
      g_.FVAPOR = g_.SPVALU;
      g_.FLIQHC = 1.0 - g_.SPVALU;
    } else if (g_.ISPCOD == 11) {
      g_.FLIQHC = g_.SPVALU;
      g_.FVAPOR = 1.0 - g_.SPVALU;
    } else {
      double held = ifixlw_ == 1 ? g_.FLIQHC : g_.FTOTLQ;
      if (!(held > 0.0)) held = 0.05;
      if (held >= 1.0) held = 0.95;
      g_.FLIQHC = held;
      g_.FVAPOR = 1.0 - held;
    }
    g_.FTOTLQ = g_.FLIQHC;
  }
  minimumStepRule();
}

void Run::minimumStepRule() {
  kvar_ = 0;
  if (gclRule()) {
    const bool waterDew = g_.KFTYPE == static_cast<std::int32_t>(FlashType::WaterDew);
    if (option_ == Option::Enthalpy || waterDew) {
      kvar_ = g_.ITPFIX == 1 ? 1 : 2;
    } else if (option_ == Option::Held) {
      kvar_ = 3;
    }
  }
  firstKvar_ = kvar_;
  const bool waterDew = g_.KFTYPE == static_cast<std::int32_t>(FlashType::WaterDew);
  dvart1_ = std::max(waterDew ? 5e-05 : 1e-05, FLTOL(kMinimumStep));
  dvarp1_ = std::max(waterDew ? 5e-04 : 1e-04, FLTOL(kMinimumStep));
  dvarlf_ = std::max(g_.ITPFIX == 1 ? 5e-08 : 5e-07, FLTOL(kMinimumStep));
}

// One flash at fixed T and P through the router; the fractions and compositions are then
// made consistent.
void Run::isothermal(const char* label, std::int32_t itpfix, std::int32_t ifixlw) {
  if (debug_ > 1) writef(a_.IOUT, " FLASHG %s T=%g P=%g", label, g_.T, g_.P);
  const double tIn = g_.T, pIn = g_.P;
  const std::int32_t ihvdatIn = FLSTAT.IHVDAT();
  a_.INITFL = kxopt_ - 1;
  a_.ITPFIX = itpfix;
  a_.IFFAIL = kFlashSolved;
  a_.IFIXLW = ifixlw;
  a_.KXOPT = kxopt_;
  a_.KXNEW = 1;
  a_.TRATE = header(h::kRate);
  a_.T = g_.T;
  a_.P = g_.P;
  a_.GFLSH = g_.GFLSH;
  a_.GTOL = g_.GTOL;
  a_.FTOTLQ = g_.FTOTLQ;
  a_.FLIQHC = g_.FLIQHC;
  a_.FWATER = g_.FWATER;
  a_.FVAPOR = g_.FVAPOR;
  a_.DVSTEP = dvstep_;
  a_.ZWFEED = zwfeed_;
  a_.ZV = header(3);
  a_.ZL = header(4);
  FLASTP(a_);
  g_.T = a_.T;
  g_.P = a_.P;
  g_.GFLSH = a_.GFLSH;
  g_.FTOTLQ = a_.FTOTLQ;
  g_.FLIQHC = a_.FLIQHC;
  g_.FWATER = a_.FWATER;
  g_.FVAPOR = a_.FVAPOR;
  dvstep_ = a_.DVSTEP;
  setHeader(3, a_.ZV);
  setHeader(4, a_.ZL);
  if (a_.IFFAIL != kFlashSolved && a_.IFFAIL != kFlashPureComponent) g_.JERR = kFlashFailed;
  bookkeeping();
  freshFlash_ = kxopt_ == 1 && a_.IFFAIL == kFlashSolved && g_.T == tIn && g_.P == pIn;
  freshT_ = tIn;
  freshP_ = pIn;
  freshIhvdat_ = ihvdatIn;
}

// The flash at a held phase fraction (FLASHR), which finds T or P. Returns its JERR.
std::int32_t Run::fractionFlash() {
  freshFlash_ = false;
  if (debug_ > 1) writef(a_.IOUT, " FLASHG FLASHR T=%g P=%g IFIXLW=%d", g_.T, g_.P, ifixlw_);
  FractionFlash& r = fraction_;
  r.IOUT = a_.IOUT;
  r.IOUT2 = a_.IOUT2;
  r.NCOMP = g_.NCOMP;
  r.NC = g_.NC;
  r.INITFL = kxopt_ - 1;
  r.IDEBUG = debug_;
  r.IEOS = g_.IEOS;
  r.KXFLAG = g_.KXFLAG;
  r.ITPFIX = g_.ITPFIX;
  r.IPRES = g_.IPRES;
  r.JERR = 0;
  r.KCDRV = 1;
  r.IFIXLW = ifixlw_;
  r.KXOPT = kxopt_;
  r.ISPCOD = g_.ISPCOD;
  r.TRATE = header(h::kRate);
  r.Z = g_.Z;
  r.X = g_.X;
  r.Y = g_.Y;
  r.XK = g_.XK;
  r.XSTOR = g_.XSTOR;
  r.YSTOR = g_.YSTOR;
  r.T = g_.T;
  r.P = g_.P;
  r.GFLSH = g_.GFLSH;
  r.GTOL = g_.GTOL;
  r.FTOTLQ = g_.FTOTLQ;
  r.FLIQHC = g_.FLIQHC;
  r.FWATER = g_.FWATER;
  r.FVAPOR = g_.FVAPOR;
  r.DXNEW = g_.DXNEW;
  r.DXOLD = g_.DXOLD;
  r.DYNEW = g_.DYNEW;
  r.DYOLD = g_.DYOLD;
  r.DVSTEP = dvstep_;
  r.ZW = zwfeed_;
  r.direction = 2.0 * g_.ITPFIX - 3.0;
  r.ZV = header(3);
  r.ZL = header(4);
  const auto n = static_cast<std::size_t>(std::max(g_.NCOMP, 0));
  r.TCRIT = std::span<const double>(criticalTemperatures.data(), n);
  r.PCRIT = std::span<const double>(criticalPressures.data(), n);
  r.OMEGA = std::span<const double>(acentricFactors.data(), n);
  r.KLLE = g_.ISOLID;
  r.TSTART = g_.TSTART;
  r.PSTART = g_.PSTART;
  FLASHR(r);
  g_.T = r.T;
  g_.P = r.P;
  g_.GFLSH = r.GFLSH;
  g_.FTOTLQ = r.FTOTLQ;
  g_.FLIQHC = r.FLIQHC;
  g_.FWATER = r.FWATER;
  g_.FVAPOR = r.FVAPOR;
  g_.TSTART = r.TSTART;
  g_.PSTART = r.PSTART;
  dvstep_ = r.DVSTEP;
  setHeader(3, r.ZV);
  setHeader(4, r.ZL);
  return r.JERR;
}

void Run::bookkeeping() {
  freshFlash_ = false;
  const double negligible = FLTOL(kNegligible);
  if (g_.FWATER < negligible) g_.FWATER = 0.0;
  if (ifixlw_ != 1 && g_.FLIQHC < negligible) g_.FLIQHC = 0.0;
  const bool drice = FLSTAT.closedByDrice() == 1;
  double s = 0.0;
  if (ifixlw_ == 2) {
    g_.FTOTLQ = 1.0 - g_.FVAPOR;
    if (g_.FWATER == 0.0) g_.FLIQHC = g_.FTOTLQ;
    if (g_.FLIQHC == 0.0) g_.FWATER = g_.FTOTLQ;
  } else if (!drice) {
    g_.FTOTLQ = g_.FLIQHC + g_.FWATER;
    if (g_.FTOTLQ > FLTOL(kWhole)) g_.FTOTLQ = 1.0;
    g_.FVAPOR = 1.0 - g_.FTOTLQ;
  } else {
    s = methods::FLCTL2.words(2);
    g_.FLIQHC = g_.FTOTLQ = s;
    if (s <= FLTOL(kWhole)) {
      g_.FVAPOR = 1.0 - s;
    } else {
      g_.FTOTLQ = 1.0;
      g_.FVAPOR = 0.0;
    }
  }
  const auto nc = static_cast<std::size_t>(g_.NC);
  if (!lpoly_) {
    const std::int32_t water = problem::THCTL.idecnt;
    if (g_.FLIQHC != 0.0 || g_.FVAPOR != 0.0) {
      for (std::size_t i = 0; i < nc; ++i) {
        const double k = g_.XK[i];
        const double z = g_.Z[i];
        if (k >= 1e-30) {
          const double d = drice ? (1.0 - s) * k + s : k * g_.FVAPOR + g_.FLIQHC;
          g_.X[i] = z / d;
          g_.Y[i] = k * g_.X[i];
        } else if (g_.FLIQHC > 0.0) {
          g_.X[i] = z / g_.FLIQHC;
          g_.Y[i] = 1e-30 * z;
        } else {
          g_.X[i] = z / 5e-08;
          g_.Y[i] = z / g_.FVAPOR;
        }
      }
      if (water > 0 && static_cast<std::size_t>(water) <= nc && g_.FWATER > 0.0) {
        const auto w = static_cast<std::size_t>(water - 1);
        g_.X[w] = (g_.Z[w] - g_.FWATER) / (g_.XK[w] * g_.FVAPOR + g_.FLIQHC);
        g_.Y[w] = g_.XK[w] * g_.X[w];
      }
    } else {
      for (std::size_t i = 0; i < nc; ++i) g_.X[i] = g_.Y[i] = 0.0;
      if (water > 0 && static_cast<std::size_t>(water) <= nc) {
        g_.X[static_cast<std::size_t>(water - 1)] = 1.0;
        g_.Y[static_cast<std::size_t>(water - 1)] = g_.XK[static_cast<std::size_t>(water - 1)];
      }
    }
  }
  if (g_.FVAPOR > 0.0) services::NORMLZ(g_.NCOMP, g_.Y);
  if (g_.FLIQHC > 0.0) services::NORMLZ(g_.NC, g_.X);
  syncStream();
}

// The stream header and phase vectors take the current state.
void Run::syncStream() {
  problem::MainRecord m(problem::SRPSET.set2);
  m.setReal(h::kTemperature, g_.T);
  m.setReal(h::kPressure, g_.P);
  m.setReal(h::kWaterFraction, g_.FWATER);
  m.setReal(h::kVapourFraction, g_.FVAPOR);
  m.setReal(h::kLiquidFraction, g_.FLIQHC);
  for (std::int32_t i = 1; i <= g_.NC; ++i) {
    m.setVector(2, i, g_.Y[static_cast<std::size_t>(i - 1)]);
    m.setVector(3, i, g_.X[static_cast<std::size_t>(i - 1)]);
  }
}

namespace {

// After an enthalpy evaluated on the second solids save-stream COPY (which SRRSTR restored
// from the stream), the stream's own record takes the copy's enthalpy words: the copy current
// read-only in set 1, the stream current in set 2.
void enthalpyFromCopy(std::int32_t copy) {
  problem::SRSETT(copy);
  const problem::MainRecord source(problem::SRPSET.set1);
  problem::MainRecord stream(problem::SRPSET.set2);
  COPYV(source, stream);
}

}  // namespace

// The residual of the current state: SPCALC, ERROR and NOTCNV.
void Run::evaluate() {
  std::int32_t ierr = 0;
  syncStream();
  if (option_ == Option::WaterDew) {
    if (g_.SPTOL == 0.0) g_.SPTOL = g_.GTOL;
    double p = 0.0;
    double dp = 0.0;
    pure::WPROP(static_cast<std::int32_t>(pure::WaterProperty::VapourPressure),
                problem::THCTL.waterPropertyMethod, g_.T, g_.P, p, dp,
                static_cast<std::int32_t>(pure::WaterPhase::Vapour), 0, 0, 0, 0.0);
    if (g_.FWATER > 0.0) {
      spcalc_ = -2.5 * g_.FWATER;
    } else {
      // The water's share of the gas. A set that decants free water names its water
      // component: the vapour's share, free water pushing the temperature up. A set that
      // decants none condenses water into the liquid below the dew point, where the vapour's
      // share meets the vapour pressure at every temperature: the dew point is where the
      // whole feed's water, still all in the gas, meets it, so the share is the feed's, of
      // the problem's water component. With neither the share would be 0 and the search
      // would chase the temperature at which water's vapour pressure vanishes.
      const std::int32_t decanted = problem::THCTL.idecnt;
      const std::int32_t kept = problem::THCTL.waterComponent;
      double w = 0.0;
      if (decanted > 0 && decanted <= g_.NC) {
        const auto k = static_cast<std::size_t>(decanted - 1);
        w = g_.FLIQHC == 0.0 ? g_.Y[k] : g_.X[k] * g_.XK[k];
      } else if (decanted < 1 && kept > 0 && kept <= g_.NC) {
        w = g_.Z[static_cast<std::size_t>(kept - 1)];
      }
      spcalc_ = (p - w * g_.P) * 3.6e-05;
      if (dp > 0.0) spcalc_ /= dp;
    }
    g_.FVAPOR += g_.FWATER;
    g_.FWATER = 0.0;
    error_ = spcalc_;
    notcnv_ = std::abs(spcalc_) < std::abs(g_.SPTOL) ? 0 : 1;  // NaN: not met
  } else if (option_ == Option::Enthalpy) {
    g_.SPTOL = sptolEntry_;
    spcalc_ = 0.0;
    if (g_.ISAVE1 > 0) problem::SRRSTR(g_.ISNO, g_.ISAVE2, g_.ISAVE1);
    if (g_.KFTYPE == static_cast<std::int32_t>(FlashType::Isentropic)) {
      STOTFL(ierr);
      SSPTST(notcnv_, spcalc_, g_.SPVALU, error_, g_.GTOL, g_.SPTOL);
    } else {
      HTOTFL(ierr);
      HSPTST(notcnv_, spcalc_, g_.SPVALU, error_, g_.GTOL, g_.SPTOL, g_.ISAVE1);
    }
    if (g_.ISAVE1 > 0) {
      problem::SRSET(g_.ISNO, 0);
      if (g_.KFTYPE != static_cast<std::int32_t>(FlashType::Isentropic))
        enthalpyFromCopy(g_.ISAVE2);
    }
  } else {
    notcnv_ = 0;
    if (g_.ISPCOD == 11) {
      const auto type = static_cast<FlashType>(g_.KFTYPE);
      spcalc_ = type == FlashType::VapourFraction   ? g_.FVAPOR
                : type == FlashType::LiquidFraction ? g_.FTOTLQ
                                                    : g_.FLIQHC;
      error_ = spcalc_ - g_.SPVALU;
      if (g_.SPVALU > 0.0) error_ /= g_.SPVALU;
      notcnv_ = std::abs(error_) <= std::abs(g_.SPTOL) ? 0 : 1;  // NaN: not met
    }
    if (g_.ISPEC > 0) {
      methods::FLCTL2.words(5) = 0.0;
      if (g_.ISAVE1 > 0) problem::SRRSTR(g_.ISNO, g_.ISAVE2, g_.ISAVE1);
      specificationValue(g_.ISPEC, 0, g_.SPVALU, spcalc_, error_, g_.SPTOL, notcnv_);
      problem::SRSET(g_.ISNO, 0);
    }
  }
  notePhases();
}

// Second-liquid sets: the phases of the current flash become those of the low end of the
// bracket when the residual is not positive, else those of the high end.
void Run::notePhases() {
  if (!vlle_) return;
  const bool vapour = g_.FVAPOR > 0.0;
  const bool liquid = g_.FVAPOR < 1.0;
  const std::array<bool, 3> phases{vapour, liquid, liquid && MPFRC1() > 0.0 && MPFRC2() > 0.0};
  (error_ <= 0.0 ? lowPhases_ : highPhases_) = phases;
}

void Run::leave(bool rangeFailure, bool skipFinal) {
  bool range = rangeFailure;
  if (!skipFinal || rangeFailure) {
    if (!rangeFailure && ifixlw_ != 2) {
      g_.FTOTLQ = g_.FLIQHC + g_.FWATER;
      if (g_.FTOTLQ > FLTOL(kWhole)) g_.FTOTLQ = 1.0;
    }
    if (TPCLMP(0, g_.T, g_.P)) range = true;
  }
  if (range) {
    g_.JERR = kFlashFailed;
    if (g_.MSGOFF == 0) {
      services::MSGPAR.integers(1) = g_.KFTYPE;
      services::MSGPAR.reals(3) = static_cast<float>(g_.T);
      services::MSGPAR.reals(4) = static_cast<float>(g_.P);
      services::MSGOUT(kMessageOutOfRange);
    }
  } else if (g_.JERR == kFlashFailed || g_.JERR == 3) {
    if (header(h::kRate) > 0.0) {
      const bool specification = option_ == Option::WaterDew || option_ == Option::Enthalpy ||
                                 option_ == Option::Held;
      if (debug_ > 0) {
        writef(a_.IOUT, " FLASHG - WARNING FLASH DID NOT SOLVE - KFTYPE=%d TRIALS=%d FV=%g FL=%g",
               g_.KFTYPE, itrial_ + iftril_, g_.FVAPOR, g_.FLIQHC);
      }
      if (g_.MSGOFF == 0) {
        auto& par = services::MSGPAR;
        par.integers(1) = g_.KFTYPE;
        par.integers(2) = itrial_ + iftril_;
        par.reals(3) = static_cast<float>(g_.T);
        par.reals(4) = static_cast<float>(g_.P);
        par.reals(5) = static_cast<float>(g_.FTOTLQ);
        if (specification) {
          double calc = spcalc_;
          if (std::abs(calc) >= 1.5e30) calc = calc > 0.0 ? 1.5e30 : -1.5e30;
          par.reals(6) = static_cast<float>(g_.SPVALU);
          par.reals(7) = static_cast<float>(calc);
          par.reals(8) = static_cast<float>(g_.SPTOL);
          services::MSGOUT(kMessageSpecificationNotSolved);
        } else {
          par.reals(9) = static_cast<float>(g_.GFLSH);
          par.reals(10) = static_cast<float>(g_.GTOL);
          services::MSGOUT(kMessageFlashNotSolved);
        }
      }
    }
  } else if (g_.KFTYPE != static_cast<std::int32_t>(FlashType::Adiabatic)) {
    syncStream();
    std::int32_t ierr = 0;
    if (option_ == Option::Enthalpy && g_.ISAVE1 > 0) problem::SRRSTR(g_.ISNO, g_.ISAVE2, g_.ISAVE1);
    HTOTFL(ierr);
    if (option_ == Option::Enthalpy && g_.ISAVE1 > 0) {
      problem::SRSET(g_.ISNO, 0);
      enthalpyFromCopy(g_.ISAVE2);
    }
  }
  g_.GTOL = gtolEntry_;
  g_.SPTOL = sptolEntry_;
  if (g_.JERR == kFlashSolved && header(h::kVapourFraction) == 0.0) g_.FTOTLQ = 1.0;
  if (g_.JERR == 3) g_.JERR = kFlashFailed;
  switchWord(kSolverSwitch) = switch37Entry_;
  if (FLSTAT.IHVDAT() > 0) {
    FLSTAT.IHVDAT() = 1;
    if (FLSTAT.IKVPNT() > 0) {
      storage::CORSTO.setReal(FLSTAT.IKVPNT() + 3, std::abs(g_.T - tEntry_));
      storage::CORSTO.setReal(FLSTAT.IKVPNT() + 6, std::abs(g_.P - pEntry_));
    }
  }
  if (debug_ > 0) {
    writef(a_.IOUT, " LEAVING FLASHG NNFLSG= %lld JERR=%d T=%g P=%g FV=%g FL=%g",
           static_cast<long long>(flashCalls.NNFLSG), g_.JERR, g_.T, g_.P, g_.FVAPOR, g_.FLIQHC);
  }
}

}  // namespace general

void FLASHG(GeneralFlash& g) {
  general::Run run(g);
  run();
}

}  // namespace flash
