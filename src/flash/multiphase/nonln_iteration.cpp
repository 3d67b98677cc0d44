// NONLNI, the Gauss-Newton iteration with Marquardt's modification of the bounded
// least-squares solver, and NONLNJ, its linear least-squares step.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "flash/flash_print.hpp"
#include "flash/multiphase/nonln.hpp"
#include "flash/multiphase/nonln_internal.hpp"
#include "services/services.hpp"

namespace multiphase {

std::int32_t NONLNJ(std::span<double> a, std::span<double> r, std::span<double> b,
                    std::span<const double> rhs, std::int32_t rows, std::int32_t columns,
                    double tol) {
  const std::size_t nr = static_cast<std::size_t>(rows), nc = static_cast<std::size_t>(columns);
  const auto col = [&](std::size_t j) { return a.subspan(j * nr, nr); };
  // Row j of the packed triangle starts at j·nc - j(j-1)/2 (0-based).
  const auto at = [&](std::size_t j, std::size_t l) { return j * nc - j * (j - 1) / 2 + (l - j); };
  for (std::size_t j = 0; j < nc; ++j) {
    const std::span<double> cj = col(j);
    double s = 0.0;
    for (double v : cj) s += v * v;
    if (!(s > tol)) return static_cast<std::int32_t>(j + 1);
    r[at(j, j)] = s;
    double bj = 0.0;
    for (std::size_t i = 0; i < nr; ++i) bj += cj[i] * rhs[i];
    b[j] = bj;
    for (std::size_t l = j + 1; l < nc; ++l) {
      const std::span<double> cl = col(l);
      double c = 0.0;
      for (std::size_t i = 0; i < nr; ++i) c += cj[i] * cl[i];
      r[at(j, l)] = c;
      const double q = c / s;
      for (std::size_t i = 0; i < nr; ++i) cl[i] -= q * cj[i];
    }
  }
  // Back substitution: B_j = (B_j - sum_{l>j} R_jl B_l) / R_jj.
  for (std::size_t jj = nc; jj-- > 0;) {
    double v = b[jj];
    for (std::size_t l = jj + 1; l < nc; ++l) v -= r[at(jj, l)] * b[l];
    b[jj] = v / r[at(jj, jj)];
  }
  return 0;
}

namespace nonln_internal {
namespace {

using flash::writef;

constexpr double kTiny = 1e-14;
constexpr double kLargeResidual = 1e10;
// A search on the Marquardt parameter that has not settled after this many inner
// iterations ends the call with code 5, the point of the last accepted iteration restored.
constexpr std::int32_t kInnerLimit = 200;

enum class Phase { First, Search, Bisect };

struct Iteration {
  double eps = 0.0, tau = 0.0;
  double sPrev = 1e20;
  double mu = 0.0, muLo = 0.0, muHi = 1.0, muMax = 0.0;
  double g0 = 0.75, g1 = 0.25;
  bool smallStep = false;
  std::int32_t inner = 0, evaluations = 0, sing = 0;
  std::int32_t nc = 0, nfree = 0;
  bool stopped = false;  // FUNC asked for a stop
};

bool finite(std::span<const double> v) {
  return std::all_of(v.begin(), v.end(), [](double e) { return std::isfinite(e); });
}

double sumOfSquares(std::span<const double> f) {
  double s = 0.0;
  for (double v : f) s += v * v;
  return s;
}

std::size_t index(std::int32_t entry) { return static_cast<std::size_t>(std::abs(entry) - 1); }

// Calls FUNC; a returned IFLAG at or above STOP ends the call with that code.
bool call(LeastSquaresRun& run, Iteration& it, std::int32_t flag, std::int32_t stop,
          std::span<double> f) {
  std::int32_t iflag = flag;
  run.func(iflag, run.m, run.n, run.x, f, run.jac);
  if (iflag >= stop) {
    run.code = iflag;
    it.stopped = true;
    reportUserStop(run);
    return false;
  }
  return true;
}

// Derivatives at X (residuals F there), the right-hand side r = -F, the scales and the
// gradient. False when the call ended (a FUNC stop or a Jacobian that is not finite).
bool derivatives(LeastSquaresRun& run, Iteration& it) {
  const std::size_t m = static_cast<std::size_t>(run.m), n = static_cast<std::size_t>(run.n);
  const std::span<double> scratch = run.rhs.first(m);
  if (run.option == DerivativeOption::Automatic || run.option == DerivativeOption::GivenSteps) {
    if (run.option == DerivativeOption::Automatic) {
      for (std::size_t i = 0; i < n; ++i) run.steps[i] = (std::abs(run.x[i]) + 1.0) * 1e-7;
    }
    for (std::size_t i = 0; i < n; ++i) {
      if (run.constant[i] != 0) continue;
      double h = run.steps[i];
      if ((h > 0.0 && run.x[i] + h > run.xu[i]) || (h <= 0.0 && run.x[i] + h < run.xl[i])) h = -h;
      const double keep = run.x[i];
      run.x[i] = keep + h;
      const bool going = call(run, it, 1, 11, scratch);
      run.x[i] = keep;
      if (!going) return false;
      for (std::size_t j = 0; j < m; ++j) run.jac[j + i * m] = (scratch[j] - run.f[j]) / h;
    }
  } else if (!call(run, it, 2, 10, run.f)) {
    return false;
  }
  if (!finite(run.jac) || !finite(run.f)) {
    run.code = static_cast<std::int32_t>(LeastSquaresCode::NoDecrease);
    return false;
  }
  for (std::size_t j = 0; j < m; ++j) run.rhs[j] = -run.f[j];
  for (std::size_t i = 0; i < n; ++i) {
    if (run.constant[i] != 0) {
      run.d[i] = 0.0;
      run.g[i] = 0.0;
      continue;
    }
    double s = 0.0, g = 0.0;
    for (std::size_t j = 0; j < m; ++j) {
      s += run.jac[j + i * m] * run.jac[j + i * m];
      g += run.jac[j + i * m] * run.rhs[j];
    }
    if (s < it.tau) s = 1e20;
    run.d[i] = std::sqrt(s);
    run.g[i] = -2.0 * g;
  }
  return true;
}

// The derivative check of option 3 at the start point. False when the call ended.
bool derivativeCheck(LeastSquaresRun& run, Iteration& it) {
  const std::size_t m = static_cast<std::size_t>(run.m), n = static_cast<std::size_t>(run.n);
  const bool print = !run.flags.silent && run.print != 30;
  const std::int32_t u = run.unit;
  if (print) {
    writef(u, " ERROR CHECK OF THE DERIVATIVES :");
    writef(u, " G(NUM)  = GRADIENT VECTOR, CALCULATED WITH NUMERICAL APPROXIMATIONS.");
    writef(u,
           " G(USER) = GRADIENT VECTOR, CALCULATED WITH THE USER-SUPPLIED PARTIAL "
           "DERIVATIVES.");
    writef(u, " ");
    writef(u, "          G(NUM)         G(USER)       DIFFERENCE");
  }
  const std::span<double> scratch = run.rhs.first(m);
  bool wrong = false;
  for (std::size_t i = 0; i < n; ++i) {
    double gnum = 0.0, guser = 0.0;
    if (run.constant[i] == 0) {
      double h = (std::abs(run.x[i]) + 1.0) * 1e-7;
      if (run.x[i] + h > run.xu[i]) h = -h;
      const double keep = run.x[i];
      run.x[i] = keep + h;
      const bool going = call(run, it, 1, 10, scratch);
      run.x[i] = keep;
      if (!going) return false;
      for (std::size_t j = 0; j < m; ++j) gnum += (scratch[j] - run.f[j]) * 2.0 * run.f[j] / h;
      guser = run.g[i];
    }
    const double diff = std::abs(gnum - guser);
    const bool bad = !(diff <= (std::abs(guser) + 1.0) * 0.001);
    wrong = wrong || bad;
    if (print) {
      writef(u, "%4zu%16.6E%16.6E%16.6E%s", i + 1, gnum, guser, diff,
             bad ? "   PROBABLY NOT CORRECT" : "");
    }
  }
  if (wrong) {
    run.code = static_cast<std::int32_t>(LeastSquaresCode::DerivativeCheck);
    return false;
  }
  for (std::size_t j = 0; j < m; ++j) run.rhs[j] = -run.f[j];
  if (print) {
    writef(u, " ");
    writef(u, " PROBABLY THE PARTIAL DERIVATIVES ARE CORRECT.");
  }
  return true;
}

// Step 1 of an outer iteration: the step list and bound states. Returns the free count.
std::int32_t classify(LeastSquaresRun& run) {
  std::int32_t free = 0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(run.n); ++i) {
    const std::int32_t v = static_cast<std::int32_t>(i + 1);
    if (run.x[i] < run.xl[i] + run.tlo[i]) {
      run.list[i] = -v;
      run.state[i] = 1;
    } else if (run.x[i] > run.xu[i] - run.tup[i]) {
      run.list[i] = -v;
      run.state[i] = -1;
    } else {
      run.list[i] = v;
      run.state[i] = 0;
      ++free;
    }
  }
  return free;
}

// Takes list entry K out of the step list: it moves to the end as a positive entry.
void release(LeastSquaresRun& run, Iteration& it, std::size_t k) {
  const std::int32_t v = std::abs(run.list[k]);
  const std::size_t n = static_cast<std::size_t>(run.n);
  for (std::size_t j = k; j + 1 < n; ++j) run.list[j] = run.list[j + 1];
  run.list[n - 1] = v;
  --it.nc;
}

// Step 6: variables on a bound whose gradient pushes them out of the box leave the list.
void activeSet(LeastSquaresRun& run, Iteration& it) {
  std::size_t k = 0;
  while (k < static_cast<std::size_t>(it.nc)) {
    const std::int32_t e = run.list[k];
    if (e > 0) {
      ++k;
      continue;
    }
    const std::size_t i = index(e);
    const double side = static_cast<double>(run.state[i]);
    if (run.constant[i] == 0 && side * run.g[i] <= kTiny) {
      ++k;
      continue;
    }
    run.full[i] = (run.state[i] == 1 ? run.xl[i] : run.xu[i]) - run.xold[i];
    release(run, it, k);
  }
}

// Step 7: the Marquardt step h of the list variables at MU, raising MU while the rank test
// fails. False when MU cannot make the system regular.
bool solve(LeastSquaresRun& run, Iteration& it, bool firstSolve) {
  const std::size_t m = static_cast<std::size_t>(run.m);
  for (std::int32_t tries = 0; tries < 400; ++tries) {
    const std::size_t nc = static_cast<std::size_t>(it.nc), rows = m + nc;
    for (std::size_t k = 0; k < nc; ++k) {
      const std::size_t i = index(run.list[k]);
      const std::span<double> column = run.aug.subspan(k * rows, rows);
      std::copy_n(run.jac.begin() + static_cast<std::ptrdiff_t>(i * m), m, column.begin());
      std::fill(column.begin() + static_cast<std::ptrdiff_t>(m), column.end(), 0.0);
      column[m + k] = std::sqrt(it.mu) * run.d[i];
    }
    std::fill(run.rhs.begin() + static_cast<std::ptrdiff_t>(m),
              run.rhs.begin() + static_cast<std::ptrdiff_t>(rows), 0.0);
    const std::int32_t rank = NONLNJ(run.aug.first(rows * nc), run.tri, run.h, run.rhs.first(rows),
                                     static_cast<std::int32_t>(rows), it.nc, it.tau);
    if (firstSolve && tries == 0) it.sing = 0;
    if (rank == 0) return true;
    if (firstSolve && tries == 0) {
      it.sing = std::abs(run.list[static_cast<std::size_t>(rank - 1)]);
    }
    if (it.mu > 0.0) it.mu *= 10.0;
    if (services::RELCMP(it.mu, 0.0) == 0) it.mu = 1e-6;
  }
  return false;
}

// Steps 7 and 8: solve, then release the list variables on a bound whose step leaves the box,
// and solve again while any left. False when the system cannot be solved.
bool step(LeastSquaresRun& run, Iteration& it, bool firstSolve) {
  for (;;) {
    if (it.nc == 0) return true;
    if (!solve(run, it, firstSolve)) return false;
    firstSolve = false;
    if (it.nfree == run.n) break;
    bool left = false;
    std::size_t k = 0;
    while (k < static_cast<std::size_t>(it.nc)) {
      const std::int32_t e = run.list[k];
      const std::size_t i = index(e);
      if (e < 0 && static_cast<double>(run.state[i]) * run.h[k] < -kTiny) {
        run.full[i] = 0.0;
        // The step list shifts: keep h aligned with it.
        for (std::size_t j = k; j + 1 < static_cast<std::size_t>(it.nc); ++j) {
          run.h[j] = run.h[j + 1];
        }
        release(run, it, k);
        left = true;
        continue;
      }
      ++k;
    }
    if (!left) break;
  }
  for (std::size_t k = 0; k < static_cast<std::size_t>(it.nc); ++k) {
    run.full[index(run.list[k])] = run.h[k];
  }
  return true;
}

struct Trial {
  double alpha = 1.0, g2 = 0.0, gh = 0.0, theta = 0.0, ds = 0.0;
};

// Steps 9 to 11: the step length, the trial point, its sums and its sum of squares.
bool trial(LeastSquaresRun& run, Iteration& it, bool firstInner, Trial& t) {
  const std::size_t n = static_cast<std::size_t>(run.n), nc = static_cast<std::size_t>(it.nc);
  t.alpha = 1.0;
  for (std::size_t k = 0; k < nc; ++k) {
    const std::size_t i = index(run.list[k]);
    const double h = run.h[k];
    if (std::abs(h) < kTiny) continue;
    if (run.xold[i] + h < run.xl[i]) {
      t.alpha = std::min(t.alpha, std::abs((run.xl[i] - run.xold[i]) / h));
    } else if (run.xold[i] + h > run.xu[i]) {
      t.alpha = std::min(t.alpha, std::abs((run.xu[i] - run.xold[i]) / h));
    }
  }
  for (std::size_t i = 0; i < n; ++i) run.x[i] = run.xold[i] + run.full[i];
  if (firstInner) std::fill(run.saved.begin(), run.saved.end(), 0.0);
  t.g2 = 0.0;
  t.gh = 0.0;
  it.smallStep = true;
  for (std::size_t k = 0; k < nc; ++k) {
    const std::size_t i = index(run.list[k]);
    run.x[i] = run.xold[i] + t.alpha * run.h[k];
    if (firstInner) run.saved[i] = t.alpha * run.h[k];
    t.g2 += (run.g[i] / run.d[i]) * (run.g[i] / run.d[i]);
    t.gh += run.h[k] * run.g[i];
    if (!(std::abs(run.h[k]) < (std::abs(run.x[i]) + 1.0) * it.eps)) it.smallStep = false;
  }
  t.theta = nc == 0 ? 0.0 : t.alpha * 0.5 * t.gh;
  if (!call(run, it, 1, 10, run.f)) return false;
  ++it.evaluations;
  run.s = sumOfSquares(run.f);
  // A trial point whose residuals are not numbers counts as no decrease at all.
  if (!std::isfinite(run.s)) run.s = HUGE_VAL;
  t.ds = run.s - it.sPrev;
  return true;
}

// Step 16: back to the point of the last accepted iteration.
void restore(LeastSquaresRun& run, Iteration& it, std::int32_t code) {
  run.code = code;
  std::copy(run.saved.begin(), run.saved.end(), run.full.begin());
  std::copy(run.xold.begin(), run.xold.end(), run.x.begin());
  run.s = it.sPrev;
  --run.iterations;
  call(run, it, 1, 10, run.f);
}

// Records the current trial as the best of the bisection.
void record(LeastSquaresRun& run, Iteration& it, const Trial& t, double& recorded) {
  for (std::size_t k = 0; k < static_cast<std::size_t>(it.nc); ++k) {
    run.saved[index(run.list[k])] = t.alpha * run.h[k];
  }
  it.muHi = it.mu;
  recorded = t.ds;
}

enum class Outcome { Accepted, Ended };

// Steps 5 to 16: one outer iteration from XOLD = X.
Outcome iterate(LeastSquaresRun& run, Iteration& it) {
  const std::int32_t onBound = it.nfree == run.n ? 0 : 1;
  std::copy(run.x.begin(), run.x.end(), run.xold.begin());
  ++run.iterations;
  it.mu = 0.0;
  it.muLo = 0.0;
  it.inner = 0;
  it.nc = run.n;
  Phase phase = Phase::First;
  if (it.nfree < run.n) activeSet(run, it);
  if (!step(run, it, true)) {
    restore(run, it, static_cast<std::int32_t>(LeastSquaresCode::NoDecrease));
    return Outcome::Ended;
  }
  double dev0 = 0.0, recorded = 0.0;
  bool negligible = false;
  Trial t;
  for (std::int32_t pass = 0;; ++pass) {
    if (!trial(run, it, pass == 0, t)) return Outcome::Ended;
    reportInnerLine(run, pass == 0, it.inner, it.mu, t.alpha, t.ds, t.theta);
    if (it.nc == 0) return Outcome::Accepted;
    if (t.gh > 0.0) {
      restore(run, it, static_cast<std::int32_t>(LeastSquaresCode::NoDecrease));
      return Outcome::Ended;
    }
    if (it.inner >= kInnerLimit) {
      restore(run, it, static_cast<std::int32_t>(LeastSquaresCode::NoDecrease));
      return Outcome::Ended;
    }
    bool test = false;
    if (phase == Phase::First) {
      if (t.ds <= (1.0 - it.g0) * t.theta) return Outcome::Accepted;
      const double scale = 1.0 + it.sPrev;
      negligible = (-t.theta < it.eps * scale * t.alpha && it.smallStep) ||
                   (-t.theta < 1e-12 * scale * t.alpha);
      if (services::RELCMP(it.muHi, 1.0) == 0) {
        it.g0 = 0.075;
        it.g1 = it.g0 / 3.0;
      }
      dev0 = t.ds - t.theta;
      it.muMax = 0.5 * t.g2 / it.sPrev / 1e-14;
      if (it.muHi > it.muMax && it.muLo < 0.1 * it.muMax) it.muHi = 0.6 * it.muMax;
      phase = Phase::Search;
    }
    const double dev = t.ds - t.theta;
    if (phase == Phase::Search) {
      if (std::signbit(dev) == std::signbit(dev0)) {
        if (it.muHi < it.muMax) {
          ++it.inner;
          it.muLo = it.mu;
          it.mu = it.muHi;
          it.muHi = 10.0 * it.muHi;
          if (!step(run, it, false)) {
            restore(run, it, static_cast<std::int32_t>(LeastSquaresCode::NoDecrease));
            return Outcome::Ended;
          }
          continue;
        }
        restore(run, it,
                negligible ? (onBound != 0 ? -3 : -2)
                           : static_cast<std::int32_t>(LeastSquaresCode::NoDecrease));
        return Outcome::Ended;
      }
      if (negligible) {
        restore(run, it, onBound != 0 ? -1 : 0);
        return Outcome::Ended;
      }
      record(run, it, t, recorded);
      phase = Phase::Bisect;
      test = true;
    } else {
      if (dev < 0.0) {
        record(run, it, t, recorded);
      } else {
        it.muLo = it.mu;
      }
      test = true;
    }
    if (test) {
      const bool ok = it.g1 * t.theta <= dev && dev <= -it.g0 * t.theta;
      const bool narrow = (it.muHi + 0.001) * 0.001 > it.muHi - it.muLo;
      if (!ok && !narrow) {
        ++it.inner;
        it.mu = 0.5 * (it.muHi + it.muLo);
        if (!step(run, it, false)) {
          restore(run, it, static_cast<std::int32_t>(LeastSquaresCode::NoDecrease));
          return Outcome::Ended;
        }
        continue;
      }
      it.muHi = it.mu;
      it.g0 = 0.75;
      it.g1 = 0.25;
      if (narrow) {
        // The recorded best step, with its residuals evaluated there (not the last trial's).
        for (std::size_t k = 0; k < static_cast<std::size_t>(it.nc); ++k) {
          const std::size_t i = index(run.list[k]);
          run.x[i] = run.xold[i] + run.saved[i];
        }
        if (!call(run, it, 1, 10, run.f)) return Outcome::Ended;
        ++it.evaluations;
        run.s = sumOfSquares(run.f);
        if (!std::isfinite(run.s)) {
          restore(run, it, static_cast<std::int32_t>(LeastSquaresCode::NoDecrease));
          return Outcome::Ended;
        }
      }
      return Outcome::Accepted;
    }
  }
}

}  // namespace

void NONLNI(LeastSquaresRun& run) {
  const std::size_t n = static_cast<std::size_t>(run.n), m = static_cast<std::size_t>(run.m);
  Iteration it;
  it.eps = std::pow(10.0, -static_cast<double>(run.digits));
  const bool supplied =
      run.option == DerivativeOption::Supplied || run.option == DerivativeOption::Checked;
  it.tau = static_cast<double>(run.m) * (supplied ? 1e-28 : 1e-14);
  run.iterations = 0;
  // Start 1-3.
  run.s = 0.0;
  run.code = 0;
  std::fill(run.full.begin(), run.full.end(), 0.0);
  std::fill(run.jac.begin(), run.jac.end(), 0.0);
  std::fill(run.saved.begin(), run.saved.end(), 0.0);
  std::int32_t constants = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double tl = (std::abs(run.xl[i]) + 1.0) * kTiny;
    const double tu = (std::abs(run.xu[i]) + 1.0) * kTiny;
    if (!(run.xl[i] - tl < run.x[i] && run.x[i] < run.xu[i] + tu)) {
      run.code = static_cast<std::int32_t>(LeastSquaresCode::ParameterError);
      if (!run.flags.silent) {
        writef(run.unit,
               " ERROR IN PARAMETER LIST : STARTING POINT NOT BETWEEN LOWER AND UPPER "
               "BOUNDS.");
      }
      return;
    }
    run.constant[i] = std::abs(run.xl[i] - run.xu[i]) < tu ? 1 : 0;
    constants += run.constant[i];
    run.tlo[i] = (std::abs(run.xl[i]) + 1.0) * 1e-7;
    run.tup[i] = (std::abs(run.xu[i]) + 1.0) * 1e-7;
  }
  if (run.m < run.n - constants) {
    run.code = static_cast<std::int32_t>(LeastSquaresCode::ParameterError);
    if (!run.flags.silent) {
      writef(run.unit,
             " ERROR IN PARAMETER LIST : THE NUMBER OF FREE VARIABLES EXCEEDS THE "
             "NUMBER OF EQUATIONS.");
    }
    return;
  }
  // 4. The residuals at the start.
  if (!call(run, it, 1, 10, run.f)) return;
  it.evaluations = 1;
  run.s = sumOfSquares(run.f);
  for (std::size_t j = 0; j < m; ++j) {
    if (!(std::abs(run.f[j]) <= kLargeResidual)) {
      run.s = 0.0;
      run.code = static_cast<std::int32_t>(LeastSquaresCode::LargeStart);
      reportTermination(run, 0);
      reportStartResiduals(run);
      return;
    }
  }
  // 5. A negative limit: classify once and end.
  if (run.limit < 0) {
    classify(run);
    run.code = static_cast<std::int32_t>(LeastSquaresCode::IterationLimit);
    reportTermination(run, 0);
    reportFinal(run);
    return;
  }
  // 6. Zero steps of option 1.
  if (run.option == DerivativeOption::GivenSteps) {
    for (std::size_t i = 0; i < n; ++i) {
      if (run.constant[i] == 0 && services::RELCMP(run.steps[i], 0.0) == 0) {
        run.code = static_cast<std::int32_t>(LeastSquaresCode::ParameterError);
        if (!run.flags.silent) {
          writef(run.unit,
                 " ERROR IN PARAMETER LIST : ONE OR MORE OF THE STEPSIZES FOR "
                 "NUMERICAL DIFFERENTIATION EQUAL ZERO.");
        }
        return;
      }
    }
  }
  if (!derivatives(run, it)) {
    reportTermination(run, 0);
    return;
  }
  if (run.option == DerivativeOption::Checked && !derivativeCheck(run, it)) {
    reportTermination(run, 0);
    return;
  }
  if (!run.flags.silent && (run.flags.lines || run.flags.table) &&
      (run.flags.summary || (run.option == DerivativeOption::Checked && run.print != 30))) {
    writef(run.unit, "1");
  }
  if (!run.flags.silent && run.flags.table) {
    writef(run.unit, "ITERATION REPORT FOR NONLN");
    writef(run.unit, "--------------------------");
    writef(run.unit, "      CUM.                                               ACT.");
    writef(run.unit, " IT.  NO.FN.  MARQ.");
    writef(run.unit, "NUM.  EVALS.  ITERS   SUM OF SQS.  PARAMETER VALUES    BNDS  SING");
  }

  // The outer iterations.
  for (;;) {
    it.nfree = classify(run);
    reportIterationLine(run, run.n - it.nfree, it.mu, it.sing, it.evaluations);
    const double diff = std::abs(run.s - it.sPrev);
    const bool accurate = diff < it.eps * (1.0 + run.s) && it.smallStep;
    const bool insignificant = diff < 1e-12 * (1.0 + run.s);
    if (accurate || insignificant) {
      run.code = it.nfree == run.n ? 0 : -1;
      reportTermination(run, accurate ? kAccuracyText : kSignificanceText);
      reportFinal(run);
      return;
    }
    if (run.iterations == run.limit) {
      run.code = static_cast<std::int32_t>(LeastSquaresCode::IterationLimit);
      reportTermination(run, 0);
      reportFinal(run);
      return;
    }
    it.sPrev = run.s;
    if (iterate(run, it) == Outcome::Ended) {
      if (!it.stopped) {
        it.nfree = classify(run);
        reportTermination(run, kInnerText);
        reportFinal(run);
      }
      return;
    }
    if (!derivatives(run, it)) {
      if (!it.stopped) reportTermination(run, 0);
      return;
    }
  }
}

}  // namespace nonln_internal
}  // namespace multiphase
