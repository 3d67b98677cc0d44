// The outer iteration of the general flash: the passes after each residual, the march and
// the bracketed search on temperature, pressure or a held fraction, the switches between
// them, the single-phase path and the check of a converged solution.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "flash/flash_print.hpp"
#include "flash/flash_state.hpp"
#include "flash/general_flash_run.hpp"
#include "storage/storage.hpp"

namespace flash::general {

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
      if (debug_ > 0)
        writef(a_.IOUT, " FLASHG -502- EXPECT SINGLE PHASE SOLN -- NXPASS=%d", nxpass_);
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
      writef(a_.IOUT,
             kxopt_ == 1 ? "    K1V       KXOPT=1  -  RESET FROM =2" : "    K1V       KXOPT=2");
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
    // The check flash starts from fresh K-values at the current T and P. When the stream
    // already holds just that flash (the specification was met by a fresh-start flash at
    // this very T and P, as a re-flash of a phase at its own enthalpy is), the check flash
    // would repeat it step for step: the solution it confirms is kept instead. Sets with
    // a second liquid, whose split may depend on the path, a flash that refreshed from the
    // stored estimates, and the held-fraction specifications always flash again.
    const bool repeat = option_ == Option::Enthalpy && freshFlash_ && !vlle_ &&
                        freshIhvdat_ != 2 && FLSTAT.IHVDAT() == freshIhvdat_ &&
                        g_.T == freshT_ && g_.P == freshP_;
    if (repeat) {
      if (debug_ > 1) {
        writef(a_.IOUT, " FLASHG 4TH FLASTP T=%g P=%g: THE FRESH FLASH STANDS", g_.T, g_.P);
      }
    } else {
      isothermal("4TH FLASTP", 0, 0);
    }
  }
  evaluate();
  return false;
}

}  // namespace flash::general
