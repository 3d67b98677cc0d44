// FLAS3O: the three-phase split by least squares.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "flash/flash.hpp"
#include "flash/flash_print.hpp"
#include "flash/multiphase/nonln.hpp"
#include "flash/multiphase/pair_kvalues.hpp"
#include "flash/multiphase/three_phase_balance.hpp"
#include "flash/multiphase/three_phase_flash.hpp"
#include "flash/multiphase/three_phase_notes.hpp"
#include "methods/methods.hpp"
#include "services/services.hpp"

namespace multiphase {
namespace {

using flash::writef;

// The phases and their positions 0..2 of the least-squares problem.
enum Phase : std::size_t { kLiquid1 = 0, kVapour = 1, kLiquid2 = 2 };

constexpr std::int32_t kPassLimitFlas3o = 500;
constexpr double kInnerBound = 1e-4;

struct Positions {
  std::array<Phase, 3> at{kLiquid1, kVapour, kLiquid2};  // the phase at each position
  void set(Phase p1, Phase p2, Phase p3) { at = {p1, p2, p3}; }
  std::size_t of(Phase p) const {
    return static_cast<std::size_t>(std::find(at.begin(), at.end(), p) - at.begin());
  }
};

bool trivial(double v) { return v > 0.999 && v < 1.001; }

class LeastSquaresFlash {
 public:
  LeastSquaresFlash(ThreePhaseSplit& s, std::int32_t ifixlw, double ftotlq)
      : s_(s), n_(static_cast<std::size_t>(std::max(s.NCOMP, 0))) {
    three_ = !(ifixlw == 2 && ftotlq >= 1.0);
  }

  void run();

 private:
  double& fraction(Phase p) {
    return p == kLiquid1 ? s_.THETAX : p == kVapour ? s_.THETAY : s_.THETAZ;
  }
  std::span<double> composition(Phase p) {
    return (p == kLiquid1 ? s_.x1 : p == kVapour ? s_.y : s_.x2).first(n_);
  }
  // The composition of PHASE relative to the vapour's (x/y = 1/K; 1 for the vapour).
  double relative(Phase p, std::size_t i) const {
    if (p == kVapour) return 1.0;
    const double k = p == kLiquid1 ? s_.w3[i] : s_.w4[i];
    return k != 0.0 ? 1.0 / k : 0.0;
  }
  bool absent(Phase p) const { return !three_ && pos_.at[2] == p; }
  bool refreshKValues();
  void positionKValues();
  bool solveBalance();
  void compositions();
  enum class Next { Pass, Accept, Leave };
  Next testPass();
  enum class After { Stand, Restart, Retry };
  After accept();

  ThreePhaseSplit& s_;
  std::size_t n_;
  bool three_ = true;
  std::int32_t try_ = 1;
  Positions pos_;
  std::array<double, 3> theta_{};
  std::array<double, 2> xl_{kInnerBound, kInnerBound}, xu_{0.9999, 0.9999}, x_{0.5, 0.5};
  std::array<double, 3> f_{};
  double error_ = 0.0, tol_ = 1e-4, dkmax_ = 0.0;
  std::array<std::int32_t, 4> counters_{};
  std::int32_t pass_ = 0;
};

bool LeastSquaresFlash::refreshKValues() {
  const std::span<double> y = s_.y.first(n_);
  // 7. Vapour against each present liquid (vapour kept for liquid 2 in three-phase mode).
  if (!absent(kLiquid1)) {
    if (pairKValues(s_.NCOMP, y, s_.x1.first(n_), s_.w3.first(n_), s_.T, s_.P, 12, s_.flags,
                    s_.KLLE) > 0) {
      return false;
    }
  }
  if (!absent(kLiquid2)) {
    if (pairKValues(s_.NCOMP, y, s_.x2.first(n_), s_.w4.first(n_), s_.T, s_.P, three_ ? 1012 : 12,
                    s_.flags, s_.KLLE) > 0) {
      return false;
    }
  }
  return true;
}

// 8. KA = composition of position 2 over position 1, R = position 3 over position 1.
void LeastSquaresFlash::positionKValues() {
  for (std::size_t i = 0; i < n_; ++i) {
    const double c1 = relative(pos_.at[0], i);
    s_.k1[i] = c1 != 0.0 ? relative(pos_.at[1], i) / c1 : 0.0;
    s_.k2[i] = c1 != 0.0 ? relative(pos_.at[2], i) / c1 : 0.0;
  }
}

// 9-10. NONLN on the balance at the current K-values.
bool LeastSquaresFlash::solveBalance() {
  methods::THDXCH.componentCount = s_.NCOMP;
  methods::THDXCH.modeWord = three_ ? 3 : 2;
  const std::int32_t m = three_ ? 3 : 2, n = three_ ? 2 : 1;
  const BalanceArrays arrays{s_.z.first(n_), s_.k1.first(n_), s_.k2.first(n_)};
  auto balance = [&arrays](std::int32_t& iflag, std::int32_t mm, std::int32_t nn,
                           std::span<const double> x, std::span<double> f,
                           std::span<double> fjac) { FL3ORS(arrays, iflag, mm, nn, x, f, fjac); };
  std::array<std::int32_t, 6> iw{};
  std::array<double, 42> rw{};
  x_ = {0.5, 0.5};
  std::int32_t limit = 50, code = 0;
  NONLN(m, n, xl_, xu_, static_cast<std::int32_t>(DerivativeOption::Checked),
        ResidualRoutine::of(balance), 20, -1, s_.IOUT, limit, std::span<double>(x_).first(2),
        std::span<double>(f_), error_, iw, 6, rw, 42, code);
  if (code > 0 && code != static_cast<std::int32_t>(LeastSquaresCode::IterationLimit)) {
    if (s_.IDEBUG > 0) writef(s_.IOUT, " Error from NONLN =%5d ERROR =%14.6E", code, error_);
    return false;
  }
  if (three_) {
    theta_ = {x_[0] * x_[1], (1.0 - x_[0]) * x_[1], 1.0 - x_[1]};
  } else {
    theta_ = {x_[0], 1.0 - x_[0], 0.0};
  }
  return true;
}

// 11. The compositions of the present positions.
void LeastSquaresFlash::compositions() {
  const std::span<double> c1 = composition(pos_.at[0]);
  const std::span<double> c2 = composition(pos_.at[1]);
  const std::span<double> c3 = composition(pos_.at[2]);
  for (std::size_t i = 0; i < n_; ++i) {
    const double z = s_.z[i];
    double d = theta_[0] + s_.k1[i] * theta_[1] + (three_ ? s_.k2[i] * theta_[2] : 0.0);
    if (d == 0.0) d = z != 0.0 ? z : 1.0;
    c1[i] = z / d;
    c2[i] = s_.k1[i] * z / d;
    if (three_) c3[i] = s_.k2[i] * z / d;
  }
}

// 13-14. The K-value change and the acceptance tests of a pass.
LeastSquaresFlash::Next LeastSquaresFlash::testPass() {
  dkmax_ = 0.0;
  for (std::size_t i = 0; i < n_; ++i) {
    const auto change = [](double now, double before) {
      return now != 0.0 ? std::abs(now - before) / std::abs(now) : std::abs(now - before);
    };
    dkmax_ = std::max(dkmax_, change(s_.k1[i], s_.w1[i]));
    if (three_) dkmax_ = std::max(dkmax_, change(s_.k2[i], s_.w2[i]));
  }
  if (!std::isfinite(dkmax_)) return Next::Leave;
  if (s_.IDEBUG > 1) {
    writef(s_.IOUT, " FLAS3O- ITER =%5d DKMAX  = %14.6E THETA =%14.6E%14.6E%14.6E", pass_, dkmax_,
           theta_[0], theta_[1], theta_[2]);
  }
  if (error_ < 1e-10) tol_ = 1e-5;
  if (dkmax_ < tol_) return Next::Accept;
  const std::size_t unknowns = three_ ? 2 : 1;
  for (std::size_t j = 0; j < unknowns; ++j) {
    std::int32_t& lower = counters_[2 * j];
    std::int32_t& upper = counters_[2 * j + 1];
    if (x_[j] <= xl_[j] + 1e-4) {
      ++lower;
      upper = 0;
    } else if (x_[j] >= xu_[j] - 1e-4) {
      ++upper;
      lower = 0;
    } else {
      lower = upper = 0;
    }
  }
  const bool stuck =
      std::any_of(counters_.begin(), counters_.end(), [](std::int32_t c) { return c >= 10; });
  if ((error_ > 1e-10 && stuck) || (pass_ > 50 && error_ > 1e-5)) return Next::Accept;
  return Next::Pass;
}

// 15. The answer of a converged solution: it stands, the three-phase problem is tried again
// with wider bounds, or a phase is dropped.
LeastSquaresFlash::After LeastSquaresFlash::accept() {
  for (std::size_t p = 0; p < 3; ++p) fraction(pos_.at[p]) = three_ || p < 2 ? theta_[p] : 0.0;
  if (s_.IDEBUG > 1) {
    writef(s_.IOUT, " FLAS3O- ERROR =%14.6E THETA Y X Z =%14.6E%14.6E%14.6E", error_, s_.THETAY,
           s_.THETAX, s_.THETAZ);
    writef(s_.IOUT, " FLAS3O- ITRY=%2d CONS(1:3) =%14.6E%14.6E%14.6E", three_ ? 3 : 2, f_[0], f_[1],
           f_[2]);
  }
  if (three_) {
    if (try_ == 1) {
      const auto inside = [](double v) { return v > 0.0002 && v < 0.9998; };
      if (!inside(x_[0]) || !inside(x_[1])) {
        try_ = 2;
        return After::Retry;
      }
    }
    bool kaTrivial = true, rTrivial = true, ratioTrivial = true;
    for (std::size_t i = 0; i < n_; ++i) {
      if (!(s_.z[i] > 0.0)) continue;
      const double ka = s_.k1[i], r = s_.k2[i];
      kaTrivial = kaTrivial && trivial(ka);
      rTrivial = rTrivial && trivial(r);
      ratioTrivial = ratioTrivial && r != 0.0 && trivial(ka / r);
    }
    if ((kaTrivial && s_.THETAY > 0.0 && s_.THETAX > 0.0) ||
        (rTrivial && s_.THETAZ > 0.0 && s_.THETAY > 0.0) ||
        (ratioTrivial && s_.THETAX >= 0.0 && s_.THETAZ > 0.0)) {
      error_ = 1.0;
    }
    if (error_ < 1e-20) return After::Stand;
    // Drop the phase whose position has the smallest residual.
    std::size_t smallest = 0;
    for (Phase p : {kLiquid1, kVapour, kLiquid2}) {
      if (f_[pos_.of(p)] < f_[smallest]) smallest = pos_.of(p);
    }
    // Ties in the order liquid 1, vapour, liquid 2.
    Phase drop = pos_.at[smallest];
    for (Phase p : {kLiquid1, kVapour, kLiquid2}) {
      if (f_[pos_.of(p)] == f_[smallest]) {
        drop = p;
        break;
      }
    }
    if (rTrivial) drop = f_[smallest] < f_[pos_.of(kLiquid2)] ? kLiquid1 : kLiquid2;
    if (drop == kLiquid1) {
      s_.THETAZ += s_.THETAX;
      s_.THETAX = 0.0;
      pos_.set(kLiquid2, kVapour, kLiquid1);
    } else if (drop == kLiquid2) {
      s_.THETAX += s_.THETAZ;
      s_.THETAZ = 0.0;
      pos_.set(kLiquid1, kVapour, kLiquid2);
    } else {
      s_.THETAY = 0.0;
      pos_.set(kLiquid1, kLiquid2, kVapour);
    }
    if (s_.IDEBUG > 0) {
      writef(s_.IOUT, drop == kVapour ? " FLAS3O- Vapor Phase Y does not exist"
                                      : " FLAS3O- Liquid Phase does not exist");
    }
    three_ = false;
    return After::Restart;
  }
  // Two-phase mode: a trivial pair is one phase.
  bool kaTrivial = true;
  for (std::size_t i = 0; i < n_; ++i) kaTrivial = kaTrivial && trivial(s_.k1[i]);
  if (kaTrivial) error_ = 1.0;
  if (error_ < 1e-20) return After::Stand;
  s_.THETAX = s_.THETAY = s_.THETAZ = 0.0;
  Phase single = f_[0] >= f_[1] ? pos_.at[0] : pos_.at[1];
  if (single != kVapour) {
    // The liquid whose key component has the larger feed; keys that name no component keep
    // the liquid the residuals chose.
    const std::int32_t k1 = methods::THDXCH.L1KEY, k2 = methods::THDXCH.L2KEY;
    const auto valid = [&](std::int32_t k) { return k >= 1 && k <= s_.NCOMP; };
    if (valid(k1) && valid(k2)) {
      const double z1 = s_.z[static_cast<std::size_t>(k1 - 1)];
      const double z2 = s_.z[static_cast<std::size_t>(k2 - 1)];
      if (z1 > z2) single = kLiquid1;
      if (z1 < z2) single = kLiquid2;
    }
  }
  fraction(single) = 1.0;
  const std::span<double> c = composition(single);
  std::copy_n(s_.z.begin(), n_, c.begin());
  return After::Stand;
}

void LeastSquaresFlash::run() {
  // 1-2.
  s_.IERR = kSplitSolved;
  for (std::span<double> v : {s_.y, s_.x1, s_.x2}) {
    for (double& e : v.first(n_)) e = std::max(e, 0.0);
  }
  if (three_) {
    if (s_.THETAX >= s_.THETAZ) {
      pos_.set(kLiquid1, kVapour, kLiquid2);
    } else {
      pos_.set(kLiquid2, kVapour, kLiquid1);
    }
  } else {
    pos_.set(kLiquid1, kLiquid2, kVapour);
    s_.THETAY = 0.0;
    std::fill_n(s_.k2.begin(), n_, 0.0);
  }
  bool restart = true;
  while (restart) {
    restart = false;
    // 3.
    for (std::size_t p = 0; p < 3; ++p) theta_[p] = fraction(pos_.at[p]);
    if (s_.IDEBUG > 1) {
      writef(s_.IOUT, " FLAS3O: THETA Y X Z =%14.6E%14.6E%14.6E", s_.THETAY, s_.THETAX, s_.THETAZ);
    }
    if (three_) {
      xl_ = {kInnerBound, kInnerBound};
      xu_ = {0.9999, 0.9999};
    }
    bool retry = true;
    while (retry) {
      retry = false;
      // 4.
      if (try_ == 2 || !three_) {
        xl_[0] = 0.0;
        xu_ = {1.0, 1.0};
      }
      error_ = 0.0;
      counters_ = {};
      pass_ = 0;
      tol_ = 1e-4;
      for (;;) {
        // 5-6.
        ++pass_;
        std::copy_n(s_.k1.begin(), n_, s_.w1.begin());
        std::copy_n(s_.k2.begin(), n_, s_.w2.begin());
        if (pass_ == kPassLimitFlas3o) {
          s_.IERR = kPassLimit;
          threePhaseWarning(s_, "FLAS3O - MAXIMUM NUMBER OF OUTER LOOP ITERATIONS",
                            "MAX ITERS EXCEEDED");
          return;
        }
        for (std::span<double> v : {s_.x1, s_.y, s_.x2}) services::NORMLZ(s_.NCOMP, v);
        // 7-8.
        if (!refreshKValues()) {
          s_.IERR = kFugacityFailed;
          threePhaseWarning(s_, "FLAS3O - FUGACITY CALCS FAILED", "FLAS3O - FUGACITY CALCS FAILED");
          return;
        }
        positionKValues();
        // 9-10.
        if (!solveBalance()) {
          s_.IERR = kPassLimit;
          return;
        }
        // 11-12.
        compositions();
        if (pass_ == 1) continue;
        const Next next = testPass();
        if (next == Next::Leave) {
          s_.IERR = kPassLimit;
          return;
        }
        if (next == Next::Pass) continue;
        const After after = accept();
        if (after == After::Retry) retry = true;
        if (after == After::Restart) restart = true;
        break;
      }
    }
  }
  // 16. The raw K-values.
  std::copy_n(s_.w3.begin(), n_, s_.k1.begin());
  std::copy_n(s_.w4.begin(), n_, s_.k2.begin());
}

}  // namespace

void FLAS3O(ThreePhaseSplit& split, std::int32_t ifixlw, double ftotlq) {
  if (split.IDEBUG > 0) writef(split.IOUT, " ENTERED FLAS3O");
  LeastSquaresFlash(split, ifixlw, ftotlq).run();
  if (split.IDEBUG > 0) {
    writef(split.IOUT, " LEAVING FLAS3O - IERR=%4d", split.IERR);
  }
}

}  // namespace multiphase
