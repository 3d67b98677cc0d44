// FLAS3P: the vapour-liquid-liquid flash driver.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "flash/flash.hpp"
#include "flash/flash_print.hpp"
#include "flash/multiphase/pair_kvalues.hpp"
#include "flash/multiphase/three_phase_flash.hpp"
#include "flash/multiphase/three_phase_notes.hpp"
#include "services/kept_values.hpp"
#include "services/scratch_vectors.hpp"
#include "services/services.hpp"

namespace multiphase {
namespace {

using flash::IsothermalFlash;
using flash::PhaseRegion;
using flash::writef;

constexpr double kKFloor = 1e-12;
constexpr double kKCeiling = 1e12;
constexpr double kSplitTolerance = 1e-12;
constexpr std::int32_t kTwoPhasePasses = 100;
constexpr std::int32_t kSinglePhaseEvaluations = 101;

// The flash's 17 work arrays, kept between calls and handed to the router's work arrays at
// the end (the arrays the least-squares flash and its residuals work on).
struct Scratch {
  std::vector<double> feed, k1, k2, previous, w47, trial, liquid49, liquid50, phase51, phase52,
      liquid1, vapour, liquid2, w56, w57, w58, saved;
};
Scratch scratch;
const bool kResetAtOpen = services::registerKeptValues([] { scratch = {}; });

struct Arrays {
  std::span<double> feed, k1, k2, previous, w47, trial, liquid49, liquid50, phase51, phase52,
      liquid1, vapour, liquid2, w56, w57, w58, saved;
};

Arrays arrays(std::size_t n) {
  using services::sized;
  Scratch& s = scratch;
  return {sized(s.feed, n),    sized(s.k1, n),      sized(s.k2, n),       sized(s.previous, n),
          sized(s.w47, n),     sized(s.trial, n),   sized(s.liquid49, n), sized(s.liquid50, n),
          sized(s.phase51, n), sized(s.phase52, n), sized(s.liquid1, n),  sized(s.vapour, n),
          sized(s.liquid2, n), sized(s.w56, n),     sized(s.w57, n),      sized(s.w58, n),
          sized(s.saved, n)};
}

// The arrays into the router's work arrays (as many values as each holds).
void handOver(const Arrays& w, const flash::ThreePhaseWork& v) {
  const auto put = [](const storage::RealView& view, std::span<const double> values) {
    view.assign(values.first(std::min(values.size(), view.size())));
  };
  put(v.slot7, w.feed);
  put(v.slot8, w.k1);
  put(v.slot10, w.k2);
  put(v.slot9, w.previous);
  put(v.slot11, w.w47);
  put(v.slot14, w.trial);
  put(v.slot12, w.liquid49);
  put(v.slot13, w.liquid50);
  put(v.slot15, w.phase51);
  put(v.slot16, w.phase52);
  put(v.slot1, w.liquid1);
  put(v.slot2, w.vapour);
  put(v.slot3, w.liquid2);
  put(v.slot4, w.w56);
  put(v.slot5, w.w57);
  put(v.slot6, w.w58);
  put(v.slot17, w.saved);
}

// A trial K-value from a K-value or from a distribution coefficient: positive and finite
// values clamped to 1e-12..1e12, anything else (a coefficient never set, a NaN) 1.0.
double usable(double k) {
  return std::isfinite(k) && k > 0.0 ? std::clamp(k, kKFloor, kKCeiling) : 1.0;
}

// The largest relative change of the trial K-values over components with feed above TOLK.
double kChange(std::span<const double> z, std::span<const double> now,
               std::span<const double> before, double tolk) {
  double largest = 0.0;
  for (std::size_t i = 0; i < z.size(); ++i) {
    if (!(z[i] > tolk)) continue;
    const double change = std::abs(now[i] - before[i]) / std::abs(now[i]);
    largest = std::max(largest, std::isfinite(change) ? change : HUGE_VAL);
  }
  return largest;
}

void normalise(std::span<double> v) { services::NORMLZ(static_cast<std::int32_t>(v.size()), v); }

class Driver {
 public:
  Driver(IsothermalFlash& a, std::int32_t level)
      : a_(a),
        n_(static_cast<std::size_t>(std::max(a.NCOMP, 0))),
        w_(arrays(n_)),
        kept_(flash::liquidLiquidArrays(n_)),
        level_(level),
        tolk_(services::FLTOL(5) / 10.0) {}

  // The flash after FLAS3B handed it back; false on failure.
  bool solve();

 private:
  bool pair(std::span<const double> y, std::span<const double> x, std::span<double> k,
            std::int32_t kphase) {
    return pairKValues(a_.NCOMP, y, x, k, a_.T, a_.P, kphase, a_.IPRES, a_.KLLE) <= 0;
  }
  bool singlePhase(PhaseRegion region);
  bool twoPhase(PhaseRegion region);

  IsothermalFlash& a_;
  std::size_t n_;
  Arrays w_;
  flash::LiquidLiquidArrays kept_;
  std::int32_t level_;
  double tolk_;
  double thetay_ = 0.0, thetax_ = 0.0, thetaz_ = 0.0;

 public:
  const Arrays& work() const { return w_; }
};

bool Driver::solve() {
  const std::span<const double> z = a_.Z.first(n_);
  const std::span<double> x = a_.X.first(n_), y = a_.Y.first(n_), k = a_.XK.first(n_);
  // 4-5. The vapour-liquid split at the given K-values.
  std::copy(z.begin(), z.end(), w_.feed.begin());
  for (std::size_t i = 0; i < n_; ++i)
    w_.trial[i] = std::isfinite(k[i]) ? std::clamp(k[i], kKFloor, kKCeiling) : 1.0;
  double v1 = 0.0, v2 = 0.0;
  std::int32_t iterations = 0, code = 0;
  flash::FLASHK(a_.NCOMP, w_.feed, w_.trial, kSplitTolerance, w_.liquid49, w_.phase51, v1,
                iterations, code);
  // 6. The liquid split by the kept distribution coefficients x1/x2: trial K = x2/x1, so that
  // the phase on the vapour side is liquid 2.
  for (std::size_t i = 0; i < n_; ++i) {
    const double d = kept_.DCOEF[i];
    w_.trial[i] = std::isfinite(d) && d > 0.0 ? usable(1.0 / d) : 1.0;
  }
  flash::FLASHK(a_.NCOMP, w_.liquid49, w_.trial, kSplitTolerance, w_.liquid50, w_.phase52, v2,
                iterations, code);
  // 7-8. The start of the three-phase solution.
  std::copy_n(w_.liquid49.begin(), n_, x.begin());
  std::copy_n(w_.phase51.begin(), n_, y.begin());
  std::copy_n(w_.phase51.begin(), n_, kept_.FWYV.begin());
  std::copy_n(w_.phase51.begin(), n_, w_.vapour.begin());
  std::copy_n(w_.liquid50.begin(), n_, kept_.FWX1.begin());
  std::copy_n(w_.liquid50.begin(), n_, w_.liquid1.begin());
  std::copy_n(w_.phase52.begin(), n_, kept_.FWX2.begin());
  std::copy_n(w_.phase52.begin(), n_, w_.liquid2.begin());
  a_.FVAPOR = v1;
  a_.FLIQHC = 1.0 - v1;
  flash::MPFRC1() = 1.0 - v2;
  flash::MPFRC2() = v2;
  thetay_ = v1;
  thetax_ = (1.0 - v2) * (1.0 - v1);
  thetaz_ = (1.0 - v1) - thetax_;
  for (std::size_t i = 0; i < n_ && i < a_.IPRES.size(); ++i) a_.IPRES[i] = z[i] > 0.0 ? 1 : 0;

  // 9. The three-phase split by least squares.
  ThreePhaseSplit s;
  s.NCOMP = a_.NCOMP;
  s.z = w_.feed;
  s.y = w_.vapour;
  s.x1 = w_.liquid1;
  s.x2 = w_.liquid2;
  s.k1 = w_.k1;
  s.k2 = w_.k2;
  s.THETAY = thetay_;
  s.THETAX = thetax_;
  s.THETAZ = thetaz_;
  s.T = a_.T;
  s.P = a_.P;
  s.flags = a_.IPRES;
  s.w1 = w_.previous;
  s.w2 = w_.w47;
  s.w3 = w_.w56;
  s.w4 = w_.w57;
  s.w5 = w_.w58;
  s.KLLE = a_.KLLE;
  s.IDEBUG = a_.IDEBUG;
  s.IOUT = a_.IOUT;
  s.LEVEL = level_;
  if (a_.IDEBUG > 0) writef(a_.IOUT, " FLAS3P- BEFORE FLAS3O");
  FLAS3O(s, a_.IFIXLW, a_.FTOTLQ);
  if (a_.IDEBUG > 0) writef(a_.IOUT, " FLAS3P- AFTER FLAS3O - IERR=%4d", s.IERR);
  if (s.IERR != 0) return false;
  // 10. The region, and the Newton refinement of a three-phase answer.
  std::int32_t region = 0;
  flash::FLS3RG(a_.IOUT, a_.IDEBUG, s.THETAX, s.THETAY, s.THETAZ, region);
  if (region == static_cast<std::int32_t>(PhaseRegion::ThreePhase)) {
    s.w3 = w_.w56;
    s.w4 = w_.w57;
    s.w5 = w_.w58;
    FLASH3(s);
    if (a_.IDEBUG > 0) writef(a_.IOUT, " FLAS3P- AFTER FLASH3 - IERR=%4d", s.IERR);
    if (s.IERR != 0) return false;
    flash::FLS3RG(a_.IOUT, a_.IDEBUG, s.THETAX, s.THETAY, s.THETAZ, region);
  }
  thetay_ = s.THETAY;
  thetax_ = s.THETAX;
  thetaz_ = s.THETAZ;
  if (a_.IDEBUG > 0) {
    writef(a_.IOUT, " FLAS3P- THETAY X Z=%14.6E%14.6E%14.6E", thetay_, thetax_, thetaz_);
  }
  // 11.
  std::copy_n(w_.liquid1.begin(), n_, w_.liquid50.begin());
  std::copy_n(w_.vapour.begin(), n_, w_.phase51.begin());
  std::copy_n(w_.liquid2.begin(), n_, w_.phase52.begin());
  std::copy_n(w_.vapour.begin(), n_, y.begin());

  const PhaseRegion r = static_cast<PhaseRegion>(region);
  switch (r) {
    case PhaseRegion::ThreePhase: {
      // 12.
      const double l = 1.0 - thetay_;
      a_.FVAPOR = thetay_;
      a_.FLIQHC = l;
      a_.FTOTLQ = l;
      flash::MPFRC1() = thetax_ / l;
      flash::MPFRC2() = thetaz_ / l;
      for (std::size_t i = 0; i < n_; ++i) {
        kept_.FWX1[i] = w_.liquid1[i];
        kept_.FWX2[i] = w_.liquid2[i];
        kept_.FWYV[i] = w_.vapour[i];
        x[i] = (thetax_ * w_.liquid1[i] + thetaz_ * w_.liquid2[i]) / l;
        k[i] = l / (thetax_ / w_.k1[i] + thetaz_ / w_.k2[i]);
        kept_.FWK1[i] = w_.k1[i];
        kept_.FWK2[i] = w_.k2[i];
        kept_.DCOEF[i] = w_.k2[i] / w_.k1[i];
      }
      return true;
    }
    case PhaseRegion::Vapour:
    case PhaseRegion::Liquid1:
    case PhaseRegion::Liquid2:
      return singlePhase(r);
    default:
      return twoPhase(r);
  }
}

// 13 and 15: one phase; the K-values of the phase against its incipient partner.
bool Driver::singlePhase(PhaseRegion region) {
  const std::span<const double> z = a_.Z.first(n_);
  const std::span<double> x = a_.X.first(n_), y = a_.Y.first(n_), k = a_.XK.first(n_);
  flash::MPFRC1() = -1.0;
  flash::MPFRC2() = -1.0;
  const bool vapour = region == PhaseRegion::Vapour;
  if (vapour) {
    a_.FVAPOR = 1.0;
    a_.FLIQHC = 0.0;
    for (std::size_t i = 0; i < n_; ++i) {
      y[i] = z[i];
      w_.trial[i] = 1.0;
      x[i] = z[i];
    }
  } else {
    a_.FVAPOR = 0.0;
    a_.FLIQHC = 1.0;
    const std::span<double> kk = region == PhaseRegion::Liquid1 ? w_.k1 : w_.k2;
    for (std::size_t i = 0; i < n_; ++i) {
      w_.trial[i] = kk[i];
      x[i] = z[i];
      y[i] = z[i] * kk[i];
    }
  }
  a_.FTOTLQ = a_.FLIQHC;
  normalise(x);
  normalise(y);
  for (std::int32_t pass = 1; pass <= kSinglePhaseEvaluations; ++pass) {
    std::copy_n(w_.trial.begin(), n_, w_.previous.begin());
    const std::int32_t kphase = pass == 1 ? 12 : vapour ? 1012 : 112;
    if (!pair(y, x, w_.trial, kphase)) return false;
    const double dkmax = kChange(z, w_.trial, w_.previous, tolk_);
    if (a_.IDEBUG > 1) writef(a_.IOUT, " FLAS3P- ITERKV=%4d DKMAX=%14.6E", pass, dkmax);
    if (dkmax < tolk_) {
      std::copy_n(w_.trial.begin(), n_, k.begin());
      return true;
    }
    if (pass == kSinglePhaseEvaluations) break;
    const std::span<double> free = vapour ? x : y;
    for (std::size_t i = 0; i < n_; ++i) {
      const double value =
          vapour ? (w_.trial[i] > 0.0 ? z[i] / w_.trial[i] : 0.0) : z[i] * w_.trial[i];
      free[i] = pass >= 6 ? 0.5 * (value + free[i]) : value;
    }
    normalise(free);
  }
  threePhaseWarning(a_.IDEBUG, level_, a_.IOUT, "FLAS3P - KVALUES FOR ALL VAPOR DID NOT CONVERGE",
                    "FLAS3P - KVALUES FOR ALL VAPOR DID NOT CONVERGE");
  return false;
}

// 14 and 16: two phases by successive substitution from the region's trial K-values.
bool Driver::twoPhase(PhaseRegion region) {
  const std::span<const double> z = a_.Z.first(n_);
  const std::span<double> x = a_.X.first(n_), y = a_.Y.first(n_), k = a_.XK.first(n_);
  const bool liquids = region == PhaseRegion::Liquid1Liquid2;
  for (std::size_t i = 0; i < n_; ++i) {
    if (region == PhaseRegion::VapourLiquid1) {
      w_.trial[i] = w_.k1[i];
    } else if (region == PhaseRegion::VapourLiquid2) {
      w_.trial[i] = w_.k2[i];
    } else {
      w_.trial[i] = w_.k2[i] / w_.k1[i];
      k[i] = w_.k1[i] * w_.k2[i] / (thetaz_ * w_.k1[i] + thetax_ * w_.k2[i]);
      y[i] = k[i] * z[i];
    }
  }
  for (std::int32_t pass = 1; pass <= kTwoPhasePasses; ++pass) {
    double v = 0.0;
    std::int32_t iterations = 0, code = 0;
    flash::FLASHK(a_.NCOMP, w_.feed, w_.trial, kSplitTolerance, w_.liquid50, w_.phase51, v,
                  iterations, code);
    if (code == static_cast<std::int32_t>(flash::RachfordRiceResult::StepLimit)) {
      if (a_.IDEBUG > 0) writef(a_.IOUT, " FLAS3P- FLASHK FAILED");
      return false;
    }
    std::copy_n(w_.trial.begin(), n_, w_.previous.begin());
    std::copy_n(w_.phase51.begin(), n_, w_.vapour.begin());
    std::copy_n(w_.liquid50.begin(), n_, w_.liquid1.begin());
    normalise(w_.vapour);
    normalise(w_.liquid1);
    if (!liquids) {
      if (!pair(w_.vapour, w_.liquid1, w_.trial, 12)) return false;
    } else {
      normalise(y);
      if (!pair(y, w_.phase51, w_.k1, 12)) return false;
      liquidTerms(kept_.FWG1);
      if (!pair(y, w_.liquid50, w_.k2, 1012)) return false;
      liquidTerms(kept_.FWG2);
      for (std::size_t i = 0; i < n_; ++i) {
        w_.trial[i] = w_.k2[i] / w_.k1[i];
        w_.w57[i] = w_.k1[i] * w_.k2[i] / ((1.0 - v) * w_.k1[i] + v * w_.k2[i]);
        y[i] = w_.w57[i] * z[i];
      }
    }
    const double dkmax = kChange(z, w_.trial, w_.previous, tolk_);
    if (a_.IDEBUG > 1) {
      writef(a_.IOUT, " FLAS3P- ITERK=%4d IRITER=%4d TETA=%14.6E DKMAX=%14.6E", pass, iterations, v,
             dkmax);
    }
    if (dkmax >= tolk_) continue;
    if (!liquids) {
      a_.FVAPOR = v;
      if (v >= 1.0) {
        a_.FVAPOR = 1.0;
        for (std::size_t i = 0; i < n_; ++i) {
          y[i] = z[i];
          x[i] = w_.previous[i] > 0.0 ? z[i] / w_.previous[i] : 0.0;
        }
        normalise(x);
      } else if (v <= 0.0) {
        a_.FVAPOR = 0.0;
        for (std::size_t i = 0; i < n_; ++i) {
          y[i] = z[i] * w_.previous[i];
          x[i] = z[i];
        }
      } else {
        std::copy_n(w_.phase51.begin(), n_, y.begin());
        std::copy_n(w_.liquid50.begin(), n_, x.begin());
      }
      std::copy_n(w_.previous.begin(), n_, k.begin());
      a_.FLIQHC = 1.0 - a_.FVAPOR;
      a_.FTOTLQ = a_.FLIQHC;
      flash::MPFRC1() = -1.0;
      flash::MPFRC2() = -1.0;
      return true;
    }
    for (std::size_t i = 0; i < n_; ++i) {
      x[i] = z[i];
      kept_.FWX1[i] = w_.phase51[i];
      kept_.FWX2[i] = w_.liquid50[i];
      kept_.FWYV[i] = y[i];
      kept_.DCOEF[i] = w_.previous[i];
      kept_.FWK1[i] = w_.k1[i];
      kept_.FWK2[i] = w_.k2[i];
      k[i] = w_.w57[i];
    }
    const bool inside = v >= 0.0 && v <= 1.0;
    flash::MPFRC1() = inside ? v : -1.0;
    flash::MPFRC2() = inside ? 1.0 - v : -1.0;
    a_.FVAPOR = 0.0;
    a_.FLIQHC = 1.0;
    a_.FTOTLQ = 1.0;
    return true;
  }
  return false;
}

}  // namespace

void FLAS3P(IsothermalFlash& a, const flash::ThreePhaseWork& work, std::int32_t& level) {
  if (a.IDEBUG > 0) writef(a.IOUT, " ENTERED FLAS3P T=%12.4f P=%14.4f", a.T, a.P);
  // 2. The entry state.
  const std::size_t n = static_cast<std::size_t>(std::max(a.NCOMP, 0));
  const double ftotlq = a.FTOTLQ, fliqhc = a.FLIQHC, fvapor = a.FVAPOR;
  const double mpfrc1 = flash::MPFRC1(), mpfrc2 = flash::MPFRC2();
  Driver driver(a, level);
  std::copy_n(a.XK.begin(), n, driver.work().saved.begin());
  // 3. The outer K-value loop first.
  std::int32_t iigo = kOuterLoopNotSet;
  FLAS3B(a, iigo);
  if (iigo == kRanToEnd) {
    if (a.IDEBUG > 0) writef(a.IOUT, " LEAVING FLAS3P - IFFAIL=%4d", a.IFFAIL);
    return;
  }
  a.IFFAIL = flash::kFlashSolved;
  if (!driver.solve()) {
    // 17. The entry fractions, shares and K-values come back.
    a.FTOTLQ = ftotlq;
    a.FLIQHC = fliqhc;
    a.FVAPOR = fvapor;
    flash::MPFRC1() = mpfrc1;
    flash::MPFRC2() = mpfrc2;
    std::copy_n(driver.work().saved.begin(), n, a.XK.begin());
    a.IFFAIL = flash::kFlashFailed;
  }
  handOver(driver.work(), work);
  if (a.IDEBUG > 0) {
    writef(a.IOUT, " FLAS3P- IFFAIL=%4d FV L1 L2=%14.6E%14.6E%14.6E", a.IFFAIL, a.FVAPOR,
           flash::MPFRC1(), flash::MPFRC2());
    writef(a.IOUT, " LEAVING FLAS3P - IFFAIL=%4d", a.IFFAIL);
  }
}

}  // namespace multiphase
