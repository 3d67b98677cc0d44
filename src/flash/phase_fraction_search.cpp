// The own search of FLASHR: trial flashes at fixed T and P, the march, the bracketed
// search with its restart and final step, the equation-of-state root search that walks
// away from trivial solutions first, and the water-saturation handling.
#include "flash/phase_fraction_search.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "flash/algorithms.hpp"
#include "flash/flash_arguments.hpp"
#include "flash/flash_print.hpp"
#include "flash/flash_state.hpp"
#include "flash/general_flash.hpp"
#include "flash/phase_split.hpp"
#include "flash/work_tables.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"
#include "thermo/phase/flash_bounds.hpp"
#include "thermo/pure/water.hpp"

namespace flash {

std::pair<std::array<double, kFractionWork>, std::array<double, kFractionWork>>& fractionWork() {
  static std::pair<std::array<double, kFractionWork>, std::array<double, kFractionWork>> work{};
  return work;
}

namespace {

using services::FLTOL;

constexpr std::size_t kAbsent = 8;          // FLTOL: a fraction at or below it is absent
constexpr std::size_t kWhole = 9;           // FLTOL: a fraction at or above it is the whole
constexpr std::size_t kRelativeStep = 19;   // FLTOL: smallest relative step tolerance
constexpr std::size_t kMinimumStepSwitch = 25;  // GCL integer: converge on the step too

constexpr std::int32_t kBubble = 103, kDew = 104;
// Offset of the last temperature change in the stored-estimate block (its word 3).
constexpr std::int32_t kTemperatureChangeWord = 3;
constexpr double kBig = 1e30;
constexpr double kKHigh = 2.515438e30, kKLow = 3.975449e-31;  // ln K = +-70
constexpr double kMissing = -1.5e35;
constexpr std::int32_t kMarchLimit = 20, kTrialLimit = 30, kBoundLimit = 5;
constexpr std::int32_t kSearchStepLimit = 20;

bool positive(double v) { return !std::signbit(v) || v == 0.0; }
bool sameSign(double a, double b) { return positive(a) == positive(b); }
double withSign(double magnitude, double s) { return positive(s) ? std::fabs(magnitude) : -std::fabs(magnitude); }

enum class Next { top, step, converge, mainStep, fail, complete, exit };

class Search {
 public:
  Search(FractionFlash& a, const SearchSetting& s) : a_(a), s_(s) {}
  void run();

 private:
  void setUp();
  void mapFlash();
  Next trial();
  Next eosStep();
  Next extrapolatedStep();
  Next converge();
  Next mainStep();
  Next takeStep();
  Next failure();
  Next complete();
  void waterCheck();
  void waterStartEstimate();
  double& varied() { return a_.ITPFIX == 1 ? a_.T : a_.P; }

  FractionFlash& a_;
  const SearchSetting& s_;
  IsothermalFlash iso_;
  bool trace_ = false;
  std::int32_t water_ = 0;
  double heldLiquid_ = 0.0;

  // Pass state.
  std::int32_t pass_ = 1;
  bool secondPass_ = false;
  double passT_ = 0.0, passP_ = 0.0;
  double tolT_ = 1e-5, tolP_ = 1e-4, dtolsp_ = 5e-5;
  double vnew_ = 0.0, dvar_ = 0.0, dvarmn_ = 0.0, dz_ = 1.0;
  std::int32_t itrial_ = 0, limits_ = 0, capCount_ = 0;
  std::array<double, 3> vs_{}, gs_{};
  double bestV_ = 0.0, bestG_ = kBig, bestSigned_ = 0.0;
  bool forcedFresh_ = false, finalStep_ = false, freshFlash_ = false;
  std::int32_t mark_ = 0;
  double arerr_ = 0.0;
  // The fractions of the last flash, the local held-fraction word and the flash words.
  double lTot_ = 0.0, lHc_ = 0.0, lW_ = 0.0, lV_ = 0.0;
  std::int32_t localFix_ = 0, ktriv_ = 0, kxnew_ = 1;
  // Water words.
  std::int32_t iwprop_ = 0, iwdis_ = 0;
  bool checked_ = false;
  double saturation_ = 0.0, t1_ = 0.0;
  // Equation-of-state search words; iserch_ also counts the march.
  std::int32_t iserch_ = 0, iextrp_ = 0, reversal_ = 0, corrStep_ = 5, searchLimit_ = 10;
  bool good_ = false, twoPoint_ = false;
  double v1_ = 0.0, g1_ = kBig, v2_ = 0.0, g2_ = kBig, vstor_ = 0.0, gstor_ = 0.0;
  double prevSign_ = 0.0, growth_ = 1.0, vmin_ = -kBig, vmax_ = kBig;
  std::int32_t vminCount_ = 0, vmaxCount_ = 0;
  double searchStart_ = 0.0, estimateStart_ = 0.0;
};

void Search::mapFlash() {
  iso_.IOUT = a_.IOUT;
  iso_.IOUT2 = a_.IOUT2;
  iso_.NCOMP = a_.NCOMP;
  iso_.NC = a_.NC;
  iso_.IDEBUG = a_.IDEBUG;
  iso_.IEOS = a_.IEOS;
  iso_.ITPFIX = a_.ITPFIX;
  iso_.IPRES = a_.IPRES;
  iso_.KCDRV = a_.KCDRV;
  iso_.TRATE = a_.TRATE;
  iso_.Z = a_.Z;
  iso_.X = a_.X;
  iso_.Y = a_.Y;
  iso_.XK = a_.XK;
  iso_.XSTOR = a_.XSTOR;
  iso_.YSTOR = a_.YSTOR;
  iso_.GTOL = a_.GTOL;
  iso_.DXNEW = a_.DXNEW;
  iso_.DXOLD = a_.DXOLD;
  iso_.DYNEW = a_.DYNEW;
  iso_.DYOLD = a_.DYOLD;
  iso_.XKSTOR = std::span(fractionWork().first);
  iso_.ZWFEED = a_.ZW;
  iso_.TCRIT = a_.TCRIT;
  iso_.KLLE = a_.KLLE;
}

void Search::setUp() {
  a_.JERR = 0;
  if (pass_ == 2) {
    if (trace_) writef(a_.IOUT, "----- MAKING SECOND PASS");
    a_.T = passT_;
    a_.P = passP_;
  }
  a_.TSTART = a_.T;
  a_.PSTART = a_.P;
  passT_ = a_.T;
  passP_ = a_.P;
  dtolsp_ = 5e-5;
  if (a_.ISPCOD != kBubble && a_.ISPCOD != kDew && a_.ISPCOD != 106) dtolsp_ = std::max(dtolsp_, a_.GTOL);
  itrial_ = limits_ = capCount_ = 0;
  vs_.fill(0.0);
  gs_.fill(0.0);
  bestV_ = bestSigned_ = 0.0;
  bestG_ = kBig;
  forcedFresh_ = finalStep_ = false;
  mark_ = 0;
  iwprop_ = iwdis_ = 0;
  checked_ = false;
  saturation_ = 0.0;
  iserch_ = iextrp_ = reversal_ = 0;
  corrStep_ = 5;
  searchLimit_ = 10;
  good_ = twoPoint_ = false;
  v1_ = v2_ = 0.0;
  g1_ = g2_ = kBig;
  vstor_ = gstor_ = 0.0;
  prevSign_ = 0.0;
  growth_ = 1.0;
  vmin_ = -kBig;
  vmax_ = kBig;
  vminCount_ = vmaxCount_ = 0;
  dvar_ = 0.0;
  ktriv_ = 0;
  searchStart_ = varied();
  a_.VAR = varied();
  waterStartEstimate();
  estimateStart_ = varied();
  vnew_ = varied();
}

// A first temperature or pressure from water saturation, for a gas whose water would mostly
// stay in the vapour.
void Search::waterStartEstimate() {
  if (a_.KXFLAG != 2 || water_ <= 0 || a_.IFIXLW <= 1 || a_.FTOTLQ > 0.2 || a_.FTOTLQ >= a_.ZW) return;
  const double w = (a_.ZW - a_.FTOTLQ) / (1.0 - a_.FTOTLQ);
  auto& thctl = problem::THCTL;
  thctl.partialPressure = (1.0 - w) * a_.P;
  const std::int32_t method = thctl.waterPropertyMethod;
  const std::int32_t correction = thctl.waterPropertyCorrection;
  const auto phase = static_cast<std::int32_t>(pure::WaterPhase::Liquid);
  if (a_.ITPFIX == 2) {
    for (int n = 1;; ++n) {
      pure::WPROP(static_cast<std::int32_t>(pure::WaterProperty::VapourPressure), method, a_.T,
                  a_.P, a_.WATERP[0], a_.WATERP[1], phase, correction, 0, a_.IOUT, 0.0);
      const double pn = a_.WATERP[0] / w;
      if ((pn > 6894.73 && w <= 0.001) || pn < 6.89473e-05) break;
      const double previous = a_.P;
      a_.P = pn;
      if (thctl.waterPropertyMethod == 0 || n >= 11) {
        if (n >= 11) a_.P = std::min(a_.P, 22083.82);
        break;
      }
      if (std::fabs((pn - previous) / previous) < 1e-4) break;
      thctl.partialPressure = pn * (1.0 - w);
    }
  } else if (a_.ITPFIX == 1) {
    pure::WPROP(static_cast<std::int32_t>(pure::WaterProperty::SaturationTemperature), method, a_.T,
                a_.P, a_.WATERP[0], a_.WATERP[1], phase, correction, 0, a_.IOUT, 0.0);
    if (a_.WATERP[0] > 166.6667) a_.T = a_.WATERP[0];
  }
  if (trace_) {
    writef(a_.IOUT, "INITIAL ESTIMATE BASED ON WATER SATURATION -   WATERP=%14.6E  TEMP=%14.6E  PRESS=%14.6E",
           a_.WATERP[0], a_.T, a_.P);
  }
}

// One trial: the flash at VNEW and the evaluation of GFLSH. Returns where to go next.
Next Search::trial() {
  varied() = VARLIM(a_.ITPFIX, vnew_, vnew_, a_.VAR, limits_);
  a_.VAR = varied();
  if (limits_ > kBoundLimit) return Next::fail;
  if (forcedFresh_) a_.KXOPT = 1;
  if (a_.KXOPT == 2) {
    for (std::size_t i = 0; i < static_cast<std::size_t>(a_.NCOMP); ++i) {
      if (a_.Z[i] > 0.0 && (a_.XK[i] >= kKHigh || a_.XK[i] <= kKLow)) {
        if (trace_) writef(a_.IOUT, " FLASHR - XKVALU(%3zu) -AT LIMIT -USE KXOPT=1", i + 1);
        forcedFresh_ = true;
        a_.KXOPT = 1;
        break;
      }
    }
  }
  freshFlash_ = a_.KXOPT == 1;
  iso_.T = a_.T;
  iso_.P = a_.P;
  iso_.INITFL = a_.INITFL;
  iso_.KXFLAG = a_.KXFLAG;
  iso_.IFFAIL = 0;
  iso_.IFIXLW = localFix_;
  iso_.KXOPT = a_.KXOPT;
  iso_.KXNEW = kxnew_;
  iso_.KTRIV = ktriv_;
  iso_.FTOTLQ = lTot_;
  iso_.FLIQHC = lHc_;
  iso_.FWATER = lW_;
  iso_.FVAPOR = lV_;
  iso_.VARITR = a_.VAR;
  iso_.VARSTP = a_.DVARMX;
  iso_.DVSTEP = a_.DVSTEP;
  FLASTP(iso_);
  a_.INITFL = iso_.INITFL;
  a_.KXFLAG = iso_.KXFLAG;
  a_.KXOPT = iso_.KXOPT;
  kxnew_ = iso_.KXNEW;
  a_.VAR = iso_.VARITR;
  a_.DVARMX = iso_.VARSTP;
  a_.DVSTEP = iso_.DVSTEP;
  a_.ZV = iso_.ZV;
  a_.ZL = iso_.ZL;
  lTot_ = iso_.FTOTLQ;
  lHc_ = iso_.FLIQHC;
  lW_ = iso_.FWATER;
  lV_ = iso_.FVAPOR;
  if (a_.IFIXLW == 2) {
    a_.FWATER = iso_.FWATER;
    a_.FLIQHC = iso_.FLIQHC;
  }
  FLSCMP(a_.NCOMP, a_.NC, a_.IFIXLW, a_.ZW, a_.FTOTLQ, a_.FLIQHC, a_.FWATER, a_.FVAPOR, a_.GFLSH,
         a_.Z, a_.X, a_.Y, a_.XK);
  a_.GFLABS = std::fabs(a_.GFLSH);
  if (trace_) {
    writef(a_.IOUT, " FLASHR AT FLASTP ZW=%14.6E FTOTLQ=%14.6E XWD=%14.6E FLIQHC=%14.6E *GFLSH*=%14.6E",
           a_.ZW, a_.FTOTLQ, problem::THCTL.xwd, a_.FLIQHC, a_.GFLSH);
  }
  if (freshFlash_ && a_.GFLABS < bestG_) {
    bestG_ = a_.GFLABS;
    bestSigned_ = a_.GFLSH;
    bestV_ = a_.VAR;
  }
  if (finalStep_) {
    if (trace_ && s_.heldCheck && arerr_ > dtolsp_) {
      writef(a_.IOUT, " FLASHR - %s HAS NOT CONVERGED - JERR=1", a_.IFIXLW == 1 ? "WLIQHC" : "WTOTLQ");
    }
    return Next::exit;
  }
  if (mark_ != 0) return Next::exit;
  if (iwprop_ == 2) return Next::exit;
  if (iwprop_ == 1) iwprop_ = 0;
  if (a_.ZW <= 0.9999) {
    waterCheck();
    if (checked_ && std::fabs(t1_) < 2e-5) {
      if (iwprop_ == 3) return Next::exit;
      iwprop_ = 1;
      if (kxnew_ == 2 || a_.IEOS == 0) return Next::exit;
      if (std::fabs(a_.FTOTLQ - lTot_) < 1e-6) iwdis_ = 1;
      if (trace_) writef(a_.IOUT, " WATER SATURATION CHECK  IWPROP=%3d  IWDIS=%3d", iwprop_, iwdis_);
    }
    dz_ = a_.ZV - a_.ZL;
    if (FLWKTB.JFLNEW == 0 && s_.ihvdatOnEntry != 2 && iwprop_ != 3 && itrial_ == 0 && a_.IEOS != 0) {
      return eosStep();
    }
  } else {
    dz_ = 1.0;
  }
  return Next::converge;
}

// The water-saturation check: how far the water of the liquid is from saturation.
void Search::waterCheck() {
  t1_ = kBig;
  const double xwd = problem::THCTL.xwd;
  if (water_ <= 0 || a_.IFIXLW != 2 || a_.FTOTLQ >= a_.ZW || xwd > 0.9999 || a_.FTOTLQ > 0.9999 ||
      a_.FLIQHC > 1e-4) {
    return;
  }
  checked_ = true;
  const double xw = a_.X[static_cast<std::size_t>(water_ - 1)];
  t1_ = xw <= xwd ? (xw - xwd) / xwd : (xw - xwd) / xw;
  if (iwprop_ == 3) a_.GFLSH = -t1_;
  if (trace_) {
    writef(a_.IOUT, " WATER SATURATION CHECK T1=%14.6E XWD=%14.6E XLIQ(IDECNT)=%14.6E FLIQHC=%14.6E IS SMALL",
           t1_, xwd, xw, a_.FLIQHC);
  }
  if (std::fabs(t1_) < kBig) saturation_ = varied();
}

// One step of the root search of equation-of-state methods.
Next Search::eosStep() {
  ++iserch_;
  if (iserch_ > kSearchStepLimit) {
    if (!good_ || v1_ == v2_) return Next::fail;
    vs_[0] = v2_;
    gs_[0] = g2_;
    a_.VAR = v2_;
    vnew_ = v1_;
    if (trace_) {
      writef(a_.IOUT, "EOS SEARCH - ISERCH %4d USING V1EOS FOR VNEW", iserch_);
      writef(a_.IOUT, "EOS SEARCH - V1EOS=%14.6E  G1EOS= %14.6E", v1_, g1_);
      writef(a_.IOUT, "EOS SEARCH - V2EOS=%14.6E  G2EOS= %14.6E", v2_, g2_);
    }
    itrial_ = 1;
    iserch_ = 0;
    return Next::top;
  }
  const double dzgood = a_.ZL > 0.4 ? 0.04 : (a_.ZL > 0.25 ? 0.06 : 0.08);
  if (trace_) writef(a_.IOUT, "EOS SEARCH - DZ = ZV-ZL=%14.6E     DZGOOD=%14.6E", dz_, dzgood);
  bool goodPoint = true;
  if (dz_ < dzgood) {
    double kmin = 1e30, kmax = 1e-30;
    for (std::int32_t i = 1; i <= a_.NCOMP; ++i) {
      if (i == water_) continue;
      const double k = a_.XK[static_cast<std::size_t>(i - 1)];
      kmin = std::min(kmin, k);
      kmax = std::max(kmax, k);
    }
    if (trace_) writef(a_.IOUT, "EOS SEARCH - SMALLEST K=%14.6E  LARGEST K=%14.6E", kmin, kmax);
    goodPoint = kmax >= 20.0 * kmin;
  }
  if (!goodPoint) {
    if (good_) {
      vnew_ = (a_.VAR + vstor_) / 2.0;
      a_.DVARMX = std::fabs(vnew_ - a_.VAR) / 3.0;
      if (a_.VAR > vstor_) vmax_ = a_.VAR;
      if (a_.VAR < vstor_) vmin_ = a_.VAR;
      if (trace_) writef(a_.IOUT, "EOS SEARCH - BAD POINT - NEW %s", a_.VAR > vstor_ ? "VMAX" : "VMIN");
    } else {
      double sgn = positive(a_.GFLSH) ? 1.0 : -1.0;
      if (localFix_ == 0) {
        double fl = lHc_;
        const double absent = FLTOL(kAbsent);
        if (std::fabs(lW_ + lHc_ - 1.0) >= absent) {
          if (std::fabs(fl) < absent) fl = -0.01;
        } else {
          fl = 1.01 - lW_;
        }
        sgn = a_.FLIQHC - fl >= 0.0 ? 1.0 : -1.0;
      }
      const bool changed = prevSign_ != 0.0 && sgn != prevSign_;
      if (reversal_ == 0) {
        if (changed) {
          reversal_ = iserch_;
          corrStep_ = searchLimit_;
          a_.DVARMX *= 0.5;
        }
      } else {
        a_.DVARMX /= static_cast<double>(iserch_ - reversal_ + 2);
        if (changed) a_.DVARMX *= 0.5;
      }
      prevSign_ = sgn;
      dvar_ = sgn * a_.direction * std::fabs(a_.DVARMX);
      if (iserch_ > searchLimit_) return Next::fail;
      vnew_ = a_.VAR + dvar_;
      if (iserch_ == corrStep_ + 1) {
        double t = a_.ITPFIX == 1 ? kMissing : a_.T;
        double p = a_.ITPFIX == 1 ? a_.P : kMissing;
        phase::FLCORR(t, p, a_.Z, a_.NC);
        vnew_ = a_.ITPFIX == 1 ? t : p;
        if (searchStart_ == estimateStart_) {
          if (std::fabs(vnew_ - searchStart_) <= 1e-5 * std::fabs(searchStart_)) {
            vnew_ = searchStart_ - 5.0 * dvar_;
          }
        } else {
          corrStep_ += 5;
          searchLimit_ += 5;
          vnew_ = searchStart_;
          searchStart_ = estimateStart_;
        }
      }
    }
    if (trace_) writef(a_.IOUT, "EOS SEARCH - VMIN=%14.6E VMAX=%14.6E - VAR%14.6E VNEW%14.6E", vmin_, vmax_, a_.VAR, vnew_);
    return Next::top;
  }

  if (trace_) {
    if (!good_) writef(a_.IOUT, "EOS SEARCH - FIRST GOOD POINT ---------");
    writef(a_.IOUT, "EOS SEARCH - GOOD POINT - VAR%14.6E *GFLSH*%14.6E", a_.VAR, a_.GFLSH);
  }
  if (iwdis_ == 1) return Next::exit;
  if (a_.GFLABS < a_.GTOL) return Next::complete;
  if (freshFlash_) {
    if (!good_) {
      v1_ = v2_ = a_.VAR;
      g1_ = g2_ = a_.GFLSH;
    } else if (a_.GFLABS < std::fabs(g1_)) {
      if (sameSign(g1_, g2_)) {
        v2_ = v1_;
        g2_ = g1_;
      }
      v1_ = a_.VAR;
      g1_ = a_.GFLSH;
    } else if (a_.GFLABS < std::fabs(g2_) && a_.VAR != v1_ && sameSign(g1_, g2_)) {
      v2_ = a_.VAR;
      g2_ = a_.GFLSH;
    }
  }
  if (!good_) {
    good_ = true;
    growth_ = 1.0;
    if (reversal_ > 0) a_.DVARMX /= static_cast<double>(iserch_ - reversal_ + 2);
    return extrapolatedStep();
  }
  if (sameSign(a_.GFLSH, gstor_)) return extrapolatedStep();
  if (trace_) writef(a_.IOUT, "EOS SEARCH - TWO GOOD POINTS - GSTOR=%14.6E GFLSH=%14.6E", gstor_, a_.GFLSH);
  if (dz_ >= 0.1 || twoPoint_) {
    vs_[0] = vstor_;
    gs_[0] = gstor_;
    itrial_ = 1;
    iserch_ = 0;
    if (a_.FWATER > 0.0 || lW_ <= 0.0 || a_.IFIXLW != 2) return Next::converge;
    a_.JERR = code(FractionFailure::waterUnresolved);
    return Next::complete;
  }
  twoPoint_ = true;
  ktriv_ = 1;
  vnew_ = a_.VAR;
  FLSCMP(a_.NCOMP, a_.NC, localFix_, a_.ZW, lTot_, lHc_, lW_, lV_, a_.GFLSH, a_.Z, a_.X, a_.Y,
         a_.XK);
  if (iserch_ == kSearchStepLimit) iserch_ = kSearchStepLimit - 1;
  return Next::step;
}

// An extrapolated step of the root search from a good point.
Next Search::extrapolatedStep() {
  ++iextrp_;
  if (std::fabs(gs_[2]) > 1e15 && a_.GFLABS > 1e15) return Next::fail;
  a_.DVARMX = withSign(a_.DVARMX * growth_, a_.GFLSH) * a_.direction;
  services::XEXTRP(iextrp_, a_.GFLSH, a_.VAR, gs_, vs_, a_.DVARMX, dvar_);
  if (trace_) writef(a_.IOUT, "EOS SEARCH - XEXTRP - DVARMX=%14.6E DVAR=%14.6E", a_.DVARMX, dvar_);
  if (pass_ == 1 || dvar_ != 0.0) {
    if (dvar_ == 0.0 || a_.DVARMX == 0.0 || sameSign(dvar_, a_.DVARMX)) {
      const double least = 0.05 * iextrp_ * std::fabs(a_.DVARMX);
      dvar_ = withSign(std::max(std::fabs(dvar_), least), dvar_);
    } else {
      if (trace_) writef(a_.IOUT, "EOS SEARCH - XEXTRP DIRECTION IS OPPOSITE - ");
      if (localFix_ != 0 || pass_ == 1) {
        dvar_ = withSign(a_.DVARMX, dvar_);
        if (localFix_ == 0) secondPass_ = true;
      } else {
        dvar_ = a_.DVARMX;
      }
    }
  }
  if (limits_ == 0) {
    if (iextrp_ >= 3 && std::fabs(a_.DVARMX) == std::fabs(dvar_)) growth_ *= 1.5;
    if (iextrp_ >= 6) dvar_ *= 1.0 + 0.15 * iextrp_;
  }
  vstor_ = a_.VAR;
  gstor_ = a_.GFLSH;
  vnew_ = a_.VAR + dvar_;
  const double stepSign = a_.DVARMX;
  auto bound = [&](double b, std::int32_t& count, const char* name) {
    ++count;
    if (trace_) writef(a_.IOUT, "EOS SEARCH - VNEW=%14.6E VIOLATES %s (%d TIMES)", vnew_, name, count);
    vnew_ = 0.9 * b + 0.1 * vstor_;
    if (count > 3 && a_.GFLABS > 1e-4 && std::fabs((vnew_ - vstor_) / vstor_) < 0.001) {
      if (trace_) writef(a_.IOUT, "EOS SEARCH - SMALL FRSTEP=%14.6E REVERSING DIRECTION OF STEP", vnew_ - vstor_);
      vnew_ = vstor_ - dvar_;
    }
    dvar_ = vnew_ - vstor_;
    a_.DVARMX = withSign(dvar_, stepSign);
  };
  if (vnew_ > vmax_) {
    bound(vmax_, vmaxCount_, "VMAX");
  } else if (vnew_ < vmin_) {
    bound(vmin_, vminCount_, "VMIN");
  }
  limits_ = 0;
  if (trace_) writef(a_.IOUT, "EOS SEARCH - GOOD POINT - IEXTRP%4d  VSTOR%14.6E VNEW%14.6E", iextrp_, vstor_, vnew_);
  return Next::top;
}

Next Search::converge() {
  const double g = a_.GFLABS;
  bool converged = g <= a_.GTOL;
  if (converged && problem::GCLTAB.integers(kMinimumStepSwitch) > 0) {
    if (itrial_ == 0) {
      converged = g <= a_.GTOL / 10.0;
    } else {
      const double tol = a_.ITPFIX == 1 ? tolT_ : tolP_;
      converged = std::fabs(dvar_ / varied()) <= tol;
    }
  }
  if (s_.heldCheck) {
    const double h = heldLiquid_;
    const double f = a_.IFIXLW == 1 ? lHc_ : lTot_;
    arerr_ = h > 0.0 ? std::fabs(h - f) / h : f;
    if (arerr_ > dtolsp_) {
      converged = false;
      if (trace_) writef(a_.IOUT, " FLASHR - ARERR=%14.6E DTOLSP=%14.6E", arerr_, dtolsp_);
    }
  }
  if (converged) {
    if (FLWKTB.JFLNEW == 0) return Next::complete;
    if (itrial_ > kTrialLimit) return Next::exit;
  } else if (itrial_ > kTrialLimit) {
    return Next::fail;
  }
  return Next::mainStep;
}

Next Search::mainStep() {
  const double g = a_.GFLABS;
  // A stored temperature change of the previous flash caps the first steps.
  if (capCount_ < 3 && a_.IFIXLW == 2 && s_.ihvdatOnEntry == 2 && a_.ITPFIX == 1) {
    ++capCount_;
    const double limit = lTot_ > FLTOL(kAbsent) && lTot_ < FLTOL(kWhole) ? 5.0 : 10.0;
    double stored = 0.0;
    const std::int32_t at = FLSTAT.IKVPNT();
    if (at > 0) stored = storage::CORSTO.real(at + kTemperatureChangeWord);
    a_.DVARMX = std::min({a_.DVARMX, limit, std::max(stored, 0.1)});
  }
  auto firstStep = [&]() {
    itrial_ = 1;
    vs_[0] = a_.VAR;
    gs_[0] = a_.GFLSH;
    dvar_ = withSign(a_.DVARMX, a_.GFLSH) * a_.direction;
    if (g < 0.1) dvar_ *= 0.5;
    if (g < 0.04) dvar_ *= 0.5;
    vnew_ = a_.VAR + dvar_;
    return Next::step;
  };
  if (itrial_ == 0) return firstStep();
  if (itrial_ == 1) {
    vs_[1] = a_.VAR;
    gs_[1] = a_.GFLSH;
    if (sameSign(a_.GFLSH, gs_[0])) {
      if (++iserch_ > kMarchLimit) return Next::fail;
      return firstStep();
    }
    vs_[2] = a_.VAR;
    gs_[2] = a_.GFLSH;
  }
  ++itrial_;
  dvarmn_ = a_.ITPFIX == 1 ? std::min(a_.T * 1e-5 * s_.f1, a_.T * tolT_)
                           : std::min(a_.P * 5e-6 * s_.f2, a_.P * tolP_);
  const double heldV = vs_[0], heldG = gs_[0];
  services::XEXTRP(itrial_ + 1, a_.GFLSH, a_.VAR, gs_, vs_, a_.DVARMX, dvar_);
  if (FLWKTB.JFLNEW == 1) {
    const double least = a_.ITPFIX == 1 ? 1e-4 : 1e-3;
    const bool relative = a_.VAR == 0.0 ? std::fabs(dvar_) >= 5e-6 : std::fabs(dvar_ / a_.VAR) >= 5e-6;
    if (std::fabs(dvar_) >= least && relative && g >= 1e-5) {
      dvarmn_ *= 0.1;
    } else {
      if (trace_) writef(a_.IOUT, " FLASHR ITRIAL%4d DVAR%14.6E DVAR LESS THAN DVTOL OR LESS THAN DVRREL", itrial_, dvar_);
      return Next::exit;
    }
  }
  std::int32_t mark = 0;
  double width = 0.0;
  if (sameSign(gs_[1], gs_[2]) && !sameSign(gs_[0], gs_[2])) {
    width = std::fabs(vs_[2] - vs_[0]);
    mark = 13;
  } else if (!sameSign(gs_[1], gs_[2])) {
    width = std::fabs(vs_[2] - vs_[1]);
    mark = 23;
  }
  if (mark != 0) a_.DVARMX = width;
  if (mark == 0 || width > dvarmn_) {
    if (!sameSign(gs_[2], heldG)) {
      vs_[0] = heldV;
      gs_[0] = heldG;
    }
    return takeStep();
  }
  if (trace_) {
    writef(a_.IOUT, " FLASHR   SMALL DIFFERENCE BETWEEN %s DVARMX= %14.6E  DVARMN= %14.6E",
           mark == 13 ? "VS(1) AND VS(3)" : "VS(2) AND VS(3)", a_.DVARMX, dvarmn_);
  }
  // The bracket has closed.
  const std::size_t far = mark == 13 ? 0 : 1;
  if (forcedFresh_ && water_ > 0 && a_.ISPCOD == kBubble && a_.FWATER > 0.0 && a_.FLIQHC > 0.0 &&
      g > 0.0 && std::fabs((a_.FLIQHC - g) / g) <= a_.GTOL) {
    if (std::fabs(gs_[far]) < 0.001) {
      dvar_ = vs_[far] - a_.VAR;
      mark_ = mark;
      return takeStep();
    }
    a_.JERR = code(FractionFailure::bracketClosed);
    return Next::exit;
  }
  if (!forcedFresh_) {
    // Restart from the best fresh-K point with fresh K-values from now on.
    vs_ = {bestV_, 0.0, 0.0};
    gs_ = {bestSigned_, 0.0, 0.0};
    forcedFresh_ = true;
    itrial_ = 1;
    iserch_ = 0;
    finalStep_ = false;
    return takeStep();
  }
  auto finalStep = [&]() {
    if (!s_.heldCheck) return Next::complete;
    const double g3 = gs_[2], ge = gs_[far];
    vnew_ = g3 != ge ? vs_[2] - (vs_[2] - vs_[far]) * g3 / (g3 - ge) : vs_[2];
    finalStep_ = true;
    if (trace_) writef(a_.IOUT, " VNEW%14.6E", vnew_);
    return Next::step;
  };
  if (g <= 100.0 * a_.GTOL) return finalStep();
  if (FLWKTB.JFLNEW == 1) return Next::exit;
  const bool pureWater = water_ > 0 && a_.ISPCOD == kDew && a_.Z[static_cast<std::size_t>(water_ - 1)] > 0.9999;
  if (!pureWater) {
    a_.JERR = code(FractionFailure::bracketClosed);
    return Next::exit;
  }
  double sy = 0.0, sx = 0.0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(a_.NCOMP); ++i) {
    sy += a_.Y[i];
    sx += a_.X[i];
  }
  const auto iw = static_cast<std::size_t>(water_ - 1);
  if (sy > 0.0 && sx > 0.0 && a_.Y[iw] / sy >= 0.9999 && a_.X[iw] / sx >= 0.49995) return finalStep();
  if (dvar_ == 0.0) dvar_ = FLTOL(kAbsent) * a_.VAR;
  return takeStep();
}

Next Search::takeStep() {
  if (a_.IEOS > 0 && dz_ < 0.1) ktriv_ = 1;
  vnew_ = a_.VAR + dvar_;
  if (trace_) {
    writef(a_.IOUT, " FLASHR ITRIAL%4d VS(1...3)%14.6E%14.6E%14.6E", itrial_, vs_[0], vs_[1], vs_[2]);
    writef(a_.IOUT, " GS(1...3)%14.6E%14.6E%14.6E DVAR%14.6E VNEW%14.6E", gs_[0], gs_[1], gs_[2], dvar_, vnew_);
  }
  return Next::step;
}

Next Search::failure() {
  if (pass_ == 1 && secondPass_) {
    if (trace_) writef(a_.IOUT, " FLASHR IPASS2=%3d   TRY AGAIN", 2);
    pass_ = 2;
    setUp();
    return Next::top;
  }
  a_.JERR = code(FractionFailure::waterUnresolved);
  if (iwprop_ == 0 || iwprop_ == 3) {
    a_.JERR = code(FractionFailure::searchFailed);
    return Next::exit;
  }
  return Next::complete;
}

// The water completion: a liquid that holds more water than at saturation is searched again
// on its water content.
Next Search::complete() {
  if (water_ <= 0) return Next::exit;
  const double xw = a_.X[static_cast<std::size_t>(water_ - 1)];
  const double xwd = problem::THCTL.xwd;
  if (a_.JERR != code(FractionFailure::waterUnresolved) && xw - xwd <= 1e-10 * xwd) return Next::exit;
  if (trace_) {
    writef(a_.IOUT, "A WATER SOLUTION WAS FOUND WITH AN EOS XLIQ(IDECNT)=%14.6E XWD=%14.6E", xw, xwd);
  }
  if (iwprop_ == 1) {
    a_.JERR = 0;
    if (itrial_ < 1 && iserch_ < 2) return Next::exit;
    iwprop_ = 2;
    vnew_ = saturation_;
    if (trace_) writef(a_.IOUT, " FLASHR - IWSOLN=%3d", iwprop_);
    return Next::top;
  }
  if (checked_ && iwprop_ == 0) {
    iwprop_ = 3;
    a_.JERR = 0;
    itrial_ = 0;
    iserch_ = iextrp_ = 0;
    limits_ = 0;
    vnew_ = saturation_;
    if (trace_) writef(a_.IOUT, " FLASHR - IWSOLN=%3d", iwprop_);
    return Next::top;
  }
  return Next::exit;
}

void Search::run() {
  trace_ = s_.debug > 0;
  water_ = problem::THCTL.idecnt;
  if (water_ > a_.NC) water_ = 0;
  const auto ttol = FLTOL(kRelativeStep);
  tolT_ = std::max(1e-5, ttol);
  tolP_ = std::max(1e-4, ttol);
  heldLiquid_ = a_.IFIXLW == 1 ? a_.FLIQHC : a_.FTOTLQ;
  mapFlash();
  lTot_ = a_.FTOTLQ;
  lHc_ = a_.FLIQHC;
  lW_ = a_.FWATER;
  lV_ = a_.FVAPOR;
  setUp();
  const double heldTot = a_.FTOTLQ, heldHc = a_.FLIQHC, heldW = a_.FWATER, heldV = a_.FVAPOR;
  Next next = Next::top;
  while (next != Next::exit) {
    switch (next) {
      case Next::top:
        a_.KXOPT = 1;
        lTot_ = heldTot;
        lHc_ = heldHc;
        lW_ = heldW;
        lV_ = heldV;
        localFix_ = (a_.KXFLAG == 3 && a_.IFIXLW == 2 && heldV <= 0.0) ? 2 : 0;
        next = trial();
        break;
      case Next::step: next = trial(); break;
      case Next::converge: next = converge(); break;
      case Next::mainStep: next = mainStep(); break;
      case Next::fail: next = failure(); break;
      case Next::complete: next = complete(); break;
      case Next::exit: break;
    }
  }
  // A feed of some water whose flash found no hydrocarbon liquid keeps the flash's fractions.
  if (s_.partialWater && a_.IFIXLW == 2 && lHc_ <= 1e-10 && a_.FLIQHC > 1e-10) {
    if (trace_) writef(a_.IOUT, " FLASHR H RESET V=%14.6E L=%14.6E W=%14.6E TLQ=%14.6E GFLSH=%14.6E", lV_, lHc_, lW_, lTot_, a_.GFLSH);
    a_.FTOTLQ = lTot_;
    a_.FLIQHC = lHc_;
    a_.FWATER = lW_;
    a_.FVAPOR = lV_;
    const double g = a_.GFLSH;
    FLSCMP(a_.NCOMP, a_.NC, localFix_, a_.ZW, a_.FTOTLQ, a_.FLIQHC, a_.FWATER, a_.FVAPOR, a_.GFLSH,
           a_.Z, a_.X, a_.Y, a_.XK);
    a_.GFLSH = g;
  }
}

}  // namespace

void runOwnSearch(FractionFlash& a, const SearchSetting& s) {
  Search search(a, s);
  search.run();
}

}  // namespace flash
