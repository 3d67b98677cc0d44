// FLASHG: the general flash driver and its outer iteration on temperature, pressure or a
// held phase fraction.
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
namespace {

namespace h = totals;
using services::FLTOL;

// FLTOL words.
constexpr std::size_t kAbsent = 8;        // 5e-07: a fraction at or below it is absent
constexpr std::size_t kWhole = 9;         // 0.9999995: a fraction at or above it is the whole
constexpr std::size_t kFractionHigh = 15; // 0.999999: upper bound of a held fraction
constexpr std::size_t kReuseHigh = 16;    // 0.9999
constexpr std::size_t kReuseLow = 17;     // 0.001
constexpr std::size_t kNegligible = 18;   // 1e-06: a smaller fraction is cleared
constexpr std::size_t kMinimumStep = 19;  // 1e-06

constexpr int kGeneralDebugSwitch = 36;
constexpr int kSolverSwitch = 37;
constexpr int kStopValueSwitch = 52;
constexpr std::size_t kMinimumStepRule = 25;  // GCLTAB integer
constexpr std::size_t kWrapCounter = 9;       // FLCNTR word

constexpr double kTemperatureStep = 30.0;       // K, the start step limit of T
constexpr double kHotTemperature = 811.1111111111111;   // K (1000 F)
constexpr double kVeryHotTemperature = 1088.888888888889;  // K (1500 F)
constexpr double kPureFeed = 0.999;

// The property code of a specification's first operand (word 13 of its record, integer
// sector 2) and the codes of the properties that depend on the composition alone.
constexpr std::size_t kFirstOperandSector = 2;
constexpr std::int32_t kPropertyCodeWord = 13;
constexpr std::int32_t kCompositionCode = 211;
constexpr std::int32_t kCompositionFirst = 400, kCompositionLast = 405;
constexpr std::int32_t kCompositionOther = 409;
constexpr double kCheckFeed = 0.95;

enum class Option : std::int32_t { Isothermal = 0, Fraction = 1, WaterDew = 2, Enthalpy = 3, Held = 4 };

// The outcome of one pass of the outer iteration.
enum class Pass { Converged, Next, Failed, OutOfRange };

std::int32_t& switchWord(int k) { return services::GDPOPT.words(100 + k); }

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

bool negative(double v) { return std::signbit(v); }

class Run {
 public:
  explicit Run(GeneralFlash& g) : g_(g) {}
  void operator()();

 private:
  // Entry and the first flash.
  bool enter();
  void chooseOption();
  void minimumStepRule();
  // Flashes.
  void isothermal(const char* label, std::int32_t itpfix, std::int32_t ifixlw);
  std::int32_t fractionFlash();
  void bookkeeping();
  void syncStream();
  // The residual.
  void evaluate();
  void notePhases();
  // The outer iteration.
  bool iterate();
  Pass pass();
  bool converged(double f);
  Pass singlePhase(double f);
  Pass bracketed(double f);
  Pass step(double f);
  Pass applyIso();
  Pass applyFraction();
  Pass fractionOutcome(std::int32_t jerr);
  Pass boundHit(bool fractionFailed);
  Pass switchToIso();
  bool checkPass();
  // Exit.
  Pass switchToFraction(double f);
  void leave(bool rangeFailure, bool skipFinal);

  double header(std::int32_t k) const { return problem::MainRecord(problem::SRPSET.set2).real(k); }
  void setHeader(std::int32_t k, double v) { problem::MainRecord(problem::SRPSET.set2).setReal(k, v); }
  double& variable() { return g_.ITPFIX == 2 ? g_.P : g_.T; }
  bool gclRule() const { return problem::GCLTAB.integers(kMinimumStepRule) > 0; }

  GeneralFlash& g_;
  Option option_ = Option::Isothermal;
  std::int32_t debug_ = 0;
  std::int32_t ifixlw_ = 0;
  std::int32_t kvar_ = 0, firstKvar_ = 0;
  std::int32_t itrial_ = 0, iftril_ = 0, nxpass_ = 0, passes_ = 0;
  std::int32_t notcnv_ = 1;
  double spcalc_ = 0.0, error_ = 0.0;
  double dvart1_ = 0.0, dvarp1_ = 0.0, dvarlf_ = 0.0;
  double tEntry_ = 0.0, pEntry_ = 0.0, gtolEntry_ = 0.0, sptolEntry_ = 0.0;
  std::int32_t switch37Entry_ = 0;
  std::int32_t ihvdatEntry_ = 0;
  bool lpoly_ = false, vlle_ = false;
  bool expectSinglePhase_ = false;
  bool firstPass_ = true;
  bool restarted_ = false;
  bool reverseMarch_ = false;  // the restart's reversal of the march direction
  bool bestSet_ = false;
  double bestF_ = 0.0;
  std::int32_t kxopt_ = 1;
  IsothermalFlash a_;
  FractionFlash fraction_;
  std::array<double, 2> dvstep_{kTemperatureStep, 0.0};
  double zwfeed_ = 0.0;
  std::array<double, 3> fs_{}, xs_{};
  double fPrev_ = 0.0;
  double dvmax_ = 0.0, dvar_ = 0.0, dvmin_ = 0.0;
  double firstTp_ = 0.0, firstX_ = 0.0, firstF_ = 0.0;
  double fvRecorded_ = 0.0;
  std::int32_t closeness_ = 0;
  std::int32_t varlimCount_ = 0;
  // Second-liquid sets: the phases present (vapour, liquid 1, liquid 2) at the low and the
  // high end of the bracket, and whether both ends are known.
  std::array<bool, 3> lowPhases_{}, highPhases_{};
  bool bracketKnown_ = false;
};

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
}

// The flash at a held phase fraction (FLASHR), which finds T or P. Returns its JERR.
std::int32_t Run::fractionFlash() {
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
      const std::int32_t water = problem::THCTL.idecnt;
      double w = 0.0;
      if (water > 0) {
        const auto k = static_cast<std::size_t>(water - 1);
        w = g_.FLIQHC == 0.0 ? g_.Y[k] : g_.X[k] * g_.XK[k];
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
    if (g_.ISAVE1 > 0) problem::SRSET(g_.ISNO, 0);
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

// Runs options 2 to 4 to their end. Returns false when the exit's final checks are to be
// skipped (range failures).
bool Run::iterate() {
  if (option_ == Option::Isothermal) return true;
  if (option_ == Option::Fraction || option_ == Option::Held) {
    if (option_ == Option::Fraction && sptolEntry_ != 0.0) {
      if (sptolEntry_ > 0.0) {
        g_.GTOL = sptolEntry_;
      } else {
        g_.GTOL = g_.SPVALU == 0.0 ? std::abs(sptolEntry_) : std::abs(sptolEntry_ / g_.SPVALU);
      }
    }
    FLSTAT.IHVDAT() = ihvdatEntry_;
    const std::int32_t jerr = fractionFlash();
    if (option_ == Option::Fraction) {
      // The fraction flash's own outcome is the call's (3, a bracket closed on a large
      // function, is reported as a failure).
      if (jerr != kFlashSolved) g_.JERR = kFlashFailed;
      bookkeeping();
      return true;
    }
    if (jerr != kFlashSolved && jerr != 3) {
      g_.JERR = kFlashFailed;
      return true;
    }
    bookkeeping();
  }
  evaluate();
  for (;;) {
    // The outer passes of one call are bounded, whatever switches between temperature or
    // pressure and fraction iterations happen on the way.
    if (++passes_ > kPassLimit) {
      g_.JERR = kFlashFailed;
      return true;
    }
    const Pass p = pass();
    if (p == Pass::OutOfRange) {
      g_.JERR = kFlashFailed;
      return false;
    }
    if (p == Pass::Failed) {
      g_.JERR = kFlashFailed;
      return true;
    }
    if (p == Pass::Converged && checkPass()) return true;
  }
}

// The convergence test of a pass.
bool Run::converged(double f) {
  bool ok = notcnv_ == 0;
  if (ok && !bestSet_) {
    bestSet_ = true;
    bestF_ = std::abs(f);
  }
  if (!gclRule()) return ok;
  if (firstPass_) {
    firstPass_ = false;
    return std::abs(error_) <= (vlle_ ? std::abs(g_.SPTOL) : std::abs(g_.SPTOL) / 100.0);
  }
  if (!ok) return false;
  if (iftril_ == 0) return false;
  const double v = variable();
  if (kvar_ == 1 && std::abs(dvar_ / v) > dvart1_) return false;
  if (kvar_ == 2 && std::abs(dvar_ / v) > dvarp1_) return false;
  if (kvar_ == 3 && std::abs(dvar_) > dvarlf_) {
    if (!((firstKvar_ == 1 || firstKvar_ == 2) && std::abs(error_) < std::abs(g_.SPTOL) / 1000.0)) {
      return false;
    }
  }
  return !(bestSet_ && std::abs(f) > bestF_);
}

Pass Run::pass() {
  const double tol = std::abs(g_.SPTOL);
  closeness_ = std::abs(error_) < 5.0 * tol ? 1 : (std::abs(error_) < 20.0 * tol ? 2 : 0);
  dvmin_ = std::max(FLTOL(kMinimumStep) * (g_.ITPFIX == 2 ? g_.P : g_.T), FLTOL(kMinimumStep));
  const double f = option_ == Option::Enthalpy ? error_ : spcalc_ - g_.SPVALU;
  if (TPCLMP(0, g_.T, g_.P)) return Pass::OutOfRange;
  if (converged(f)) return Pass::Converged;
  if (nxpass_ == 1) return singlePhase(f);
  if (option_ == Option::WaterDew) return bracketed(f);
  if (option_ == Option::Enthalpy) {
    const bool onePhase = g_.FTOTLQ <= FLTOL(kAbsent) || g_.FTOTLQ >= FLTOL(kWhole);
    const bool keep = g_.KFTYPE == static_cast<std::int32_t>(FlashType::Adiabatic) &&
                      g_.IOPT7 == 1 && g_.FTOTLQ == 1.0;
    if (onePhase && nxpass_ != 2 && (0.5 - g_.FTOTLQ) * f <= 0.0 && !keep) {
      itrial_ = 0;
      nxpass_ = 1;
      expectSinglePhase_ = true;
      if (debug_ > 0) writef(a_.IOUT, " FLASHG -502- EXPECT SINGLE PHASE SOLN -- NXPASS=%d", nxpass_);
      return singlePhase(f);
    }
  }
  if (iftril_ > 0 || (option_ == Option::Enthalpy && ifixlw_ > 0)) return bracketed(f);
  if (++itrial_ > kMarchLimit) return Pass::Failed;
  if (itrial_ == 1 || negative(f) == negative(fPrev_)) return step(f);
  iftril_ = 1;
  return bracketed(f);
}

Pass Run::bracketed(double f) {
  if (++iftril_ <= kBracketLimit) return step(f);
  if (ifixlw_ > 0) return Pass::Failed;
  return switchToFraction(f);
}

// From temperature or pressure iterations to iterations on the vapour fraction.
Pass Run::switchToFraction(double f) {
  if (debug_ > 0) writef(a_.IOUT, " FLASHG -517- SWITCH FROM ISO TO L/F ITERATIONS");
  iftril_ = 0;
  ifixlw_ = 2;
  if (gclRule() && problem::GCLTAB.integers(kMinimumStepRule) == 1) kvar_ = 3;
  if (g_.FTOTLQ > FLTOL(kAbsent) && g_.FTOTLQ < FLTOL(kWhole)) return bracketed(f);
  // A one-phase state: the fraction flash runs first at the current fraction.
  return fractionOutcome(fractionFlash());
}

Pass Run::step(double f) {
  double x = variable();
  if (ifixlw_ > 0) {
    x = ifixlw_ == 1 ? g_.FLIQHC : g_.FVAPOR;
    dvmax_ = itrial_ > 1 ? 0.2 : 0.05;
  } else {
    dvmax_ = dvstep_[g_.ITPFIX == 2 ? 1 : 0];
    if (g_.ITPFIX != 2) {
      if (g_.T < dvmax_) dvmax_ = 0.5 * g_.T;
      if (iftril_ < 1 && g_.T > kHotTemperature) dvmax_ *= 2.0;
    }
  }
  if (iftril_ <= 1) {
    if (itrial_ <= 1) {
      firstTp_ = variable();
      firstX_ = x;
      firstF_ = f;
    }
    fs_ = {f, f, f};
    xs_ = {x, x, x};
    fPrev_ = f;
    double size = std::abs(dvmax_);
    if (g_.KFTYPE == static_cast<std::int32_t>(FlashType::Adiabatic) && FLSTAT.IHVDAT() > 0 &&
        g_.ITPFIX == 1 && ifixlw_ == 0 && itrial_ <= 1 && FLSTAT.IKVPNT() > 0) {
      const bool twoPhase = g_.FTOTLQ > FLTOL(kAbsent) && g_.FTOTLQ < FLTOL(kWhole);
      const double kept = std::max(storage::CORSTO.real(FLSTAT.IKVPNT() + 3), 0.1);
      size = std::min({size, twoPhase ? 5.0 : 10.0, kept});
    }
    dvar_ = negative(f) ? -size : size;
    if (ifixlw_ == 0 && g_.ITPFIX != 2) dvar_ = -dvar_;
    if (ifixlw_ == 2) dvar_ = -dvar_;
    if (g_.KFTYPE == 5 || g_.KFTYPE == 6) dvar_ = -dvar_;
    if (reverseMarch_) dvar_ = -dvar_;
  } else {
    services::XEXTRP(iftril_, f, x, fs_, xs_, dvmax_, dvar_);
    if (vlle_) {
      const auto points = static_cast<std::size_t>(std::min(iftril_, 3));
      const auto first = fs_.begin(), last = fs_.begin() + static_cast<std::ptrdiff_t>(points);
      bracketKnown_ = std::any_of(first, last, [](double v) { return v <= 0.0; }) &&
                      std::any_of(first, last, [](double v) { return v > 0.0; });
    }
    const double minStep = ifixlw_ != 0 ? FLTOL(kMinimumStep) : dvmin_;
    bool smallStep = false;
    if (ifixlw_ == 0 && iftril_ >= 3) {
      if (std::abs(g_.FVAPOR - fvRecorded_) > 1000.0 * std::abs(xs_[2] - xs_[1] / xs_[2])) {
        if (debug_ > 0) writef(a_.IOUT, " BACK TO 517 DUE TO 1ST DVAR CHECK");
        return switchToFraction(f);
      }
      fvRecorded_ = g_.FVAPOR;
    }
    if (iftril_ >= 11 && std::abs(dvar_) <= minStep) smallStep = true;
    if (smallStep) {
      const double spread = 0.5 * (*std::max_element(xs_.begin(), xs_.end()) -
                                   *std::min_element(xs_.begin(), xs_.end()));
      if (closeness_ == 1 || (closeness_ == 2 && spread <= minStep)) return Pass::Converged;
      if (ifixlw_ != 0) return Pass::Failed;
      if (debug_ > 0) writef(a_.IOUT, " BACK TO 517 DUE TO 2ND DVAR CHECK");
      return switchToFraction(f);
    }
  }
  if (ifixlw_ != 0) return applyFraction();
  return applyIso();
}

// The new held fraction and its fraction flash.
Pass Run::applyFraction() {
  const double low = option_ == Option::Held ? 1e-08 : 0.0;
  const double high = option_ == Option::Held ? FLTOL(kFractionHigh) : 1.0;
  const double x = ifixlw_ == 1 ? g_.FLIQHC : g_.FVAPOR;
  if ((dvar_ < 0.0 && x <= low) || (dvar_ > 0.0 && x >= high)) return boundHit(false);
  const double held = std::clamp(x + dvar_, low, high);
  if (ifixlw_ == 2) {
    g_.FVAPOR = held;
    g_.FTOTLQ = 1.0 - held;
  } else {
    g_.FTOTLQ = held;
    g_.FVAPOR = 1.0 - held;
  }
  g_.FLIQHC = g_.FTOTLQ;
  return fractionOutcome(fractionFlash());
}

// A fraction flash's outcome: solved (or closed bracket) goes on, anything else is a bound
// hit.
Pass Run::fractionOutcome(std::int32_t jerr) {
  if (jerr != kFlashSolved && jerr != 3) return boundHit(true);
  bookkeeping();
  evaluate();
  return Pass::Next;
}

// The new temperature or pressure and its flash.
Pass Run::applyIso() {
  const double x = variable();
  double t = g_.T;
  double p = g_.P;
  (g_.ITPFIX == 2 ? p : t) = x + dvar_;
  variable() = VARLIM(g_.ITPFIX, t, p, x, varlimCount_);
  kxopt_ = (iftril_ < 1 || nxpass_ == 2) ? 1 : 2;
  if (g_.IEOS > 0 && header(3) - header(4) < 0.2) {
    kxopt_ = 1;
    if (FLSTAT.IHVDAT() == 1 && g_.KFTYPE == static_cast<std::int32_t>(FlashType::Adiabatic)) {
      FLSTAT.IHVDAT() = 2;
    }
  }
  if (vlle_ && kxopt_ == 2 && bracketKnown_) {
    // K-values are reused only between flashes that see the same phases at both ends.
    if (lowPhases_ != highPhases_) kxopt_ = 1;
    if (debug_ > 0) {
      writef(a_.IOUT, kxopt_ == 1 ? "    K1V       KXOPT=1  -  RESET FROM =2" : "    K1V       KXOPT=2");
    }
  }
  isothermal("2ND FLASTP", g_.ITPFIX, ifixlw_);
  evaluate();
  return Pass::Next;
}

// A bound hit (FRACTIONFAILED false) or a failed fraction flash.
Pass Run::boundHit(bool fractionFailed) {
  if (!restarted_) {
    if (option_ == Option::Enthalpy) return Pass::Failed;
    restarted_ = true;
    reverseMarch_ = true;
    variable() = firstTp_;
    if (ifixlw_ == 1) g_.FLIQHC = firstX_;
    if (ifixlw_ == 2) g_.FVAPOR = firstX_;
    itrial_ = 1;
    return step(firstF_);
  }
  // After the restart only a specification flash that reached a bound of its fraction goes
  // on, on temperature or pressure.
  if (fractionFailed || g_.ISPEC <= 0 || option_ != Option::Held || ifixlw_ <= 0) {
    return Pass::Failed;
  }
  return switchToIso();
}

// From fraction iterations back to temperature or pressure iterations, unless the
// specification depends on the composition alone (then no temperature or pressure meets it
// where no fraction did).
Pass Run::switchToIso() {
  if (debug_ > 0) writef(a_.IOUT, " FLASHG -534- SWITCH FROM L/F TO ISO ITERATIONS");
  problem::VSSET(g_.ISPEC, 0);
  const std::int32_t code =
      storage::CORSTO[problem::SPCUR.integerSectors[kFirstOperandSector - 1] + kPropertyCodeWord];
  if (code == kCompositionCode || (code >= kCompositionFirst && code <= kCompositionLast) ||
      code == kCompositionOther) {
    if (debug_ > 0) {
      writef(a_.IOUT, " FLASHG -534- CANNOT SWITCH FROM L/F TO ISO ITERATIONS");
      writef(a_.IOUT, " FLASHG -534- BECAUSE SPEC IS ONLY COMPOSITION  DEPENDENT");
    }
    return Pass::Failed;
  }
  ifixlw_ = 0;
  itrial_ = 1;
  // The stored points hold fractions: the iteration marches afresh from the current
  // temperature or pressure, and the restart's reversal of the march belonged to the
  // fraction iterations.
  iftril_ = 0;
  reverseMarch_ = false;
  if (gclRule()) kvar_ = g_.ITPFIX == 2 ? 2 : 1;
  return step(spcalc_ - g_.SPVALU);
}

// The single-phase path: the split is held and only the specification re-evaluated.
Pass Run::singlePhase(double f) {
  if (++itrial_ > kMarchLimit) return Pass::Failed;
  double dvmax = 0.0;
  if (g_.ITPFIX == 1) {
    dvmax = g_.T > kHotTemperature ? 60.0 : 30.0;
    if (g_.T > kVeryHotTemperature) dvmax *= 2.0;
  } else {
    const double p = g_.P;
    constexpr double p1 = 3447.365, p2 = 6894.73, p3 = 13789.46;
    double factor = 0.05;
    if (p <= p1) {
      factor = 0.5 - 0.3 * p / p1;
    } else if (p <= p2) {
      factor = 0.2 - 0.1 * (p - p1) / p1;
    } else if (p <= p3) {
      factor = 0.1 - 0.05 * (p - p2) / p2;
    }
    dvmax = factor * p;
  }
  const double x = variable();
  if (itrial_ < 2) {
    fs_ = {f, f, f};
    xs_ = {x, x, x};
    const double sign = (2.0 * g_.ITPFIX - 3.0) * f;
    dvar_ = negative(sign) ? -std::abs(dvmax) : std::abs(dvmax);
  } else {
    if (itrial_ == 2) {
      const double stored = fs_[2];
      const double change = stored == 0.0 ? f - stored : (f - stored) / stored;
      if (std::abs(change) < 5e-06) return Pass::Failed;
    }
    services::XEXTRP(itrial_, f, x, fs_, xs_, dvmax, dvar_);
    if (std::abs(dvar_) <= dvmin_) return Pass::Converged;
    if (itrial_ >= 6) {
      const double spread = 0.4 * (*std::max_element(xs_.begin(), xs_.end()) -
                                   *std::min_element(xs_.begin(), xs_.end()));
      if (spread <= dvmin_) return Pass::Converged;
    }
  }
  variable() = x + dvar_;
  if (TPCLMP(g_.ITPFIX, g_.T, g_.P)) return Pass::OutOfRange;
  if (g_.KFTYPE == static_cast<std::int32_t>(FlashType::Enthalpy)) {
    isothermal("3RD FLASTP", g_.ITPFIX, ifixlw_);
  } else {
    bookkeeping();
  }
  evaluate();
  return Pass::Next;
}

// The check of a converged solution. Returns true when it is accepted.
bool Run::checkPass() {
  if (nxpass_ == 2) return true;
  nxpass_ = 2;
  if (debug_ > 0) writef(a_.IOUT, " FLASHG -551- CHECK SOLN");
  bool flash = true;
  bool decided = false;
  for (std::int32_t i = 0; i < g_.NCOMP && !decided; ++i) {
    const double z = g_.Z[static_cast<std::size_t>(i)];
    if (z > FLTOL(kFractionHigh)) {
      flash = false;
      decided = true;
    } else if (z > kCheckFeed) {
      decided = true;
    }
  }
  if (!decided && gclRule() && kvar_ != 3 && !expectSinglePhase_) flash = false;
  if (!flash) return true;
  kxopt_ = 1;
  itrial_ = 0;
  iftril_ = 0;
  firstPass_ = true;
  if (option_ == Option::Held) switchWord(kSolverSwitch) = 1;
  if (option_ == Option::WaterDew) {
    isothermal("4TH FLASTP", g_.ITPFIX, ifixlw_);
  } else {
    ifixlw_ = 0;
    isothermal("4TH FLASTP", 0, 0);
  }
  evaluate();
  return false;
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
    if (option_ == Option::Enthalpy && g_.ISAVE1 > 0) problem::SRSET(g_.ISNO, 0);
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

}  // namespace

void FLASHG(GeneralFlash& g) {
  Run run(g);
  run();
}

}  // namespace flash
