// TLSPLT: the split of a liquid into two liquids anchored on two key components.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "flash/liquid_split.hpp"
#include "flash/liquid_split_keys.hpp"
#include "flash/phase_split.hpp"
#include "flash/search_steps.hpp"
#include "problem/problem.hpp"
#include "services/services.hpp"

namespace flash {
namespace {

using liquid_split::isComponent;
using liquid_split::Liquids;
using liquid_split::seed;
using liquid_split::traceLine;

// FLTOL words: the outer tolerance of the split and the K-value clamps of FLSCMP.
constexpr std::size_t kOuterToleranceWord = 7;
constexpr std::size_t kSmallestKWord = 12;
constexpr std::size_t kLargestKWord = 13;
// The clamps while the split runs: distribution coefficients span far more than K-values.
constexpr double kSplitSmallestK = 1e-30;
constexpr double kSplitLargestK = 1e30;

constexpr double kFractionAbsent = 5e-7;  // a liquid at or below this fraction is absent
constexpr double kKeyAtOne = 5e-7;        // |D - 1| below this: the key does not split
constexpr double kLiquidPresent = 1e-4;   // both liquids at least this for a split
constexpr double kDistinct = 1e-6;        // sum |x1 - x2| z at least this for a split
constexpr std::int32_t kOuterLimit = 100;
constexpr std::int32_t kInnerLimit = 60;
constexpr double kWidestDamping = 0.2;
constexpr std::int32_t kRunsBeforeWidening = 5;
constexpr double kChangeStart = 1e6;
// FLSCMP held fraction: neither (the hydrocarbon-liquid fraction is the variable).
constexpr std::int32_t kNeitherHeld = 0;

// The feed as FLSCMP takes it, kept so that a warm call allocates nothing.
std::vector<double> feedCopy;
const bool kFeedReset = services::registerKeptValues([] { feedCopy = {}; });

// Puts a value back when the split returns, whichever way it leaves.
template <typename T>
class Restore {
 public:
  Restore(T& cell, T value) : cell_(cell), saved_(cell) { cell_ = value; }
  ~Restore() { cell_ = saved_; }
  Restore(const Restore&) = delete;
  Restore& operator=(const Restore&) = delete;

 private:
  T& cell_;
  T saved_;
};

// The outer tolerance of iteration KXITER: FLTOL(7), five times it from the 60th, fifty
// times it from the 100th.
double outerTolerance(std::int32_t kxiter) {
  const double tol = services::FLTOL(kOuterToleranceWord);
  if (kxiter >= 100) return 50.0 * tol;
  if (kxiter >= 60) return 5.0 * tol;
  return tol;
}

// The state of one split attempt.
struct Attempt {
  double fracl1 = 0.0;
  double fracl2 = 1.0;
  double sd = 0.0;  // sum |XL1 - XL2| z of the last iteration
  std::int32_t kxiter = 0;
  bool settled = false;  // fraction and compositions settled within the iteration limit
};

// The inner search on the liquid-2 fraction at fixed DCOEF: FLSCMP with liquid 2 in the
// liquid role and liquid 1 in the vapour role, bracketed steps by FLSBRK.
void innerSearch(Liquids& liquids, std::span<double> feed, double tol, double start1, Attempt& a,
                 std::int32_t print, std::int32_t unit) {
  // The split has no free water: FLSCMP would decant the water component's feed, so it
  // sees no water component while it splits the liquid (KCLLIQ still does).
  const Restore<std::int32_t> water(problem::THCTL.idecnt, 0);
  std::int32_t iriter = 0;
  BracketState bracket;
  double gf = 0.0;
  for (;;) {
    double ftotlq = a.fracl2, fwater = 0.0, fvapor = a.fracl1;
    FLSCMP(liquids.nc, liquids.nc, kNeitherHeld, 0.0, ftotlq, a.fracl2, fwater, fvapor, gf, feed,
           liquids.xl2, liquids.xl1, liquids.dcoef);
    a.fracl1 = 1.0 - a.fracl2;
    if (std::fabs(gf) <= tol || (gf > 0.0 && a.fracl2 <= kFractionAbsent) ||
        (gf < 0.0 && a.fracl1 <= kFractionAbsent)) {
      break;
    }
    std::int32_t failed = 0, status = 0;
    FLSBRK(iriter, kInnerLimit, a.fracl2, bracket, gf, 1.0, failed, status);
    if (status == static_cast<std::int32_t>(BracketStatus::StepLimit)) break;
    if (status == static_cast<std::int32_t>(BracketStatus::Closed)) {
      gf = 0.0;
      break;
    }
    a.fracl1 = 1.0 - a.fracl2;
    if (print >= 2) {
      if (iriter == 1) traceLine(unit, "   IRITER   FRACL1    GFLSH   D(FRACL1)");
      char line[96];
      std::snprintf(line, sizeof line, " IRITER%4d %14.6E %14.6E %14.6E", iriter, a.fracl1, gf,
                    a.fracl1 - start1);
      traceLine(unit, line);
    }
  }
  if (print >= 2) {
    liquid_split::traceLiquids(unit,
                               " COMP   ... XL1 ...    ... XL2 ...   ... GL1 ...    "
                               "... GL2 ...   ... DCOEF ...",
                               liquids, feed);
    char line[48];
    std::snprintf(line, sizeof line, " GFLSH = %14.6E", gf);
    traceLine(unit, line);
  }
}

// One split attempt from the start compositions in XL1 and XL2: the key-pair estimate of
// FRACL1, then the outer iterations. False when KCLLIQ fails.
bool splitOnce(Liquids& liquids, std::span<double> feed, std::int32_t l1key, std::int32_t l2key,
               std::span<double> q1, std::span<double> q2, Attempt& a, std::int32_t print,
               std::int32_t unit) {
  if (!liquids.evaluate()) return false;
  const double d1 = liquids.d(l1key), d2 = liquids.d(l2key);
  if (std::fabs(d1 - 1.0) < kKeyAtOne || std::fabs(d2 - 1.0) < kKeyAtOne) return true;
  // The exact split of the key pair alone.
  const double z1 = feed[static_cast<std::size_t>(l1key - 1)];
  const double z2 = feed[static_cast<std::size_t>(l2key - 1)];
  if (!(z1 + z2 > 0.0)) return true;  // the key pair is absent from the feed: no split
  const double r = z1 / (z1 + z2);
  a.fracl1 = std::clamp((r - 1.0) / (d1 - 1.0) - r / (d2 - 1.0), 0.0, 1.0);

  double w = 1.0;
  std::int32_t runs = 0;
  double s1Previous = kChangeStart, s2Previous = kChangeStart;
  std::int32_t skip = 0;
  for (a.kxiter = 1; a.kxiter <= kOuterLimit; ++a.kxiter) {
    const double tol = outerTolerance(a.kxiter);
    const double f1 = a.fracl1, f2 = 1.0 - a.fracl1;
    if (!liquids.evaluate(skip)) return false;
    if (print >= 2) {
      char line[48];
      std::snprintf(line, sizeof line, " OUTER LOOP KXITER = %4d", a.kxiter);
      traceLine(unit, line);
      liquid_split::traceLiquids(unit,
                                 " COMP   ... XL1 ...    ... XL2 ...   ... GL1 ...    "
                                 "... GL2 ...   ... DCOEF ...",
                                 liquids, feed);
    }
    a.fracl1 = std::clamp(a.fracl1, 0.0, 1.0);
    a.fracl2 = 1.0 - a.fracl1;
    innerSearch(liquids, feed, tol, f1, a, print, unit);

    // The liquid that stays absent is not evaluated again.
    skip = 0;
    if (a.kxiter >= 2 && f1 < kFractionAbsent && a.fracl1 < kFractionAbsent) skip = 1;
    if (a.kxiter >= 2 && f2 < kFractionAbsent && a.fracl2 < kFractionAbsent) skip = 2;

    // Changes against the previous damped compositions Q1, Q2.
    double s1 = 0.0, s2 = 0.0;
    a.sd = 0.0;
    for (std::size_t i = 0; i < q1.size(); ++i) {
      s1 += std::fabs(q1[i] - liquids.xl1[i]) * liquids.xl1[i] * a.fracl1;
      s2 += std::fabs(q2[i] - liquids.xl2[i]) * liquids.xl2[i] * a.fracl2;
      a.sd += std::fabs(liquids.xl1[i] - liquids.xl2[i]) * feed[i];
    }
    const double df = std::fabs(f1 - a.fracl1);

    // Damped update: X = W X + (1 - W) Q, and Q = X.
    for (std::size_t i = 0; i < q1.size(); ++i) {
      liquids.xl1[i] = w * liquids.xl1[i] + (1.0 - w) * q1[i];
      liquids.xl2[i] = w * liquids.xl2[i] + (1.0 - w) * q2[i];
      q1[i] = liquids.xl1[i];
      q2[i] = liquids.xl2[i];
    }
    // A growing change halves W (not below 0.2); five quiet iterations in a row double it
    // (not above 1) each iteration.
    if (s1 > s1Previous || s2 > s2Previous) {
      w = std::max(0.5 * w, kWidestDamping);
      runs = 0;
    } else if (++runs >= kRunsBeforeWidening) {
      w = std::min(2.0 * w, 1.0);
    }
    s1Previous = s1;
    s2Previous = s2;
    if (!(df > tol || s1 >= 10.0 * tol || s2 >= 10.0 * tol)) {
      a.settled = true;
      return true;
    }
  }
  return true;
}

// True when the liquids came out inverted: the key of liquid 1 richer in liquid 2, or the key
// of liquid 2 richer in liquid 1, judged by the key with the larger fraction in either.
bool inverted(const Liquids& liquids, std::int32_t l1key, std::int32_t l2key) {
  const auto at = [](std::span<const double> x, std::int32_t k) {
    return x[static_cast<std::size_t>(k - 1)];
  };
  const double m1 = std::max(at(liquids.xl1, l1key), at(liquids.xl2, l1key));
  const double m2 = std::max(at(liquids.xl1, l2key), at(liquids.xl2, l2key));
  if (m1 > m2) return at(liquids.xl2, l1key) > at(liquids.xl1, l1key);
  return at(liquids.xl1, l2key) > at(liquids.xl2, l2key);
}

}  // namespace

void TLSPLT(std::span<std::int32_t> flags, std::int32_t& l1key, std::int32_t& l2key,
            std::int32_t preferred, std::int32_t start, std::int32_t liquidClass, std::int32_t nc,
            std::int32_t nck, std::int32_t print, std::int32_t unit, double p, double t,
            std::span<const double> z, double& fracl1, std::int32_t& status, std::span<double> xl1,
            std::span<double> xl2, std::span<const double> y, std::span<double> dcoef,
            std::span<double> gl1, std::span<double> gl2, std::span<double> work1,
            std::span<double> work2, double& v1, double& v2) {
  // Entry: timing, status and the widened clamps.
  const services::RoutineTimer timer(kTimingSlotTLSPLT);
  const std::size_t n = static_cast<std::size_t>(std::max(nc, 0));
  status = static_cast<std::int32_t>(SplitStatus::Split);
  const Restore<double> smallest(services::FLTOL(kSmallestKWord), kSplitSmallestK);
  const Restore<double> largest(services::FLTOL(kLargestKWord), kSplitLargestK);
  Liquids liquids{flags.first(std::min(n, flags.size())),
                  liquidClass,
                  nc,
                  nck,
                  p,
                  t,
                  xl1.first(n),
                  xl2.first(n),
                  y.first(std::min(n, y.size())),
                  dcoef.first(n),
                  gl1.first(n),
                  gl2.first(n),
                  &v1,
                  &v2};
  if (feedCopy.size() < n) feedCopy.resize(n);
  const std::span<double> feed(feedCopy.data(), n);
  std::copy_n(z.begin(), n, feed.begin());
  const std::span<double> q1 = work1.first(n), q2 = work2.first(n);
  if (!isComponent(l1key, nc)) l1key = 0;
  if (!isComponent(l2key, nc)) l2key = 0;
  if (start != 0) {
    std::copy(liquids.xl1.begin(), liquids.xl1.end(), q1.begin());
    std::copy(liquids.xl2.begin(), liquids.xl2.end(), q2.begin());
  }
  const double eps = liquid_split::seedFraction(liquidClass);

  // The key pair.
  const liquid_split::KeyChoice choice = liquid_split::chooseKeys(
      liquids, liquid_split::KeyRule::Split, feed, l1key, l2key, start, q1, q2);
  bool found = false;
  Attempt a;
  if (!choice.abandoned) {
    if (print >= 2) liquid_split::traceKeys(unit, "BEGIN TLSPLT-", p, t, l1key, l2key, feed);
    if (l1key != 0 && l2key != 0) {
      if (choice.bothChosen && preferred > 0 && l1key == preferred) {
        l1key = l2key;
        l2key = preferred;
        if (print >= 2) liquid_split::traceKeyChange(unit, l1key, l2key);
      }
      // The split, once more with the alternative partner when that may help.
      for (int attempt = 0; attempt < 2 && !found; ++attempt) {
        if (attempt == 1) {
          if (!choice.chosenHere || choice.alternative == 0 ||
              choice.alternative == choice.partner) {
            break;
          }
          (l1key == choice.partner ? l1key : l2key) = choice.alternative;
        }
        a = Attempt{};
        a.fracl1 = fracl1;
        if (attempt == 1 || start == 0) {
          seed(liquids.xl1, l1key, l2key, eps);
          seed(liquids.xl2, l2key, l1key, eps);
          std::fill(liquids.gl1.begin(), liquids.gl1.end(), 1.0);
          std::fill(liquids.gl2.begin(), liquids.gl2.end(), 1.0);
          std::copy(liquids.xl1.begin(), liquids.xl1.end(), q1.begin());
          std::copy(liquids.xl2.begin(), liquids.xl2.end(), q2.begin());
        }
        if (!splitOnce(liquids, feed, l1key, l2key, q1, q2, a, print, unit)) break;
        if (!a.settled || a.fracl1 < kLiquidPresent || a.fracl2 < kLiquidPresent) continue;
        if (inverted(liquids, l1key, l2key)) {
          std::swap_ranges(liquids.xl1.begin(), liquids.xl1.end(), liquids.xl2.begin());
          std::swap(a.fracl1, a.fracl2);
        }
        found = a.sd >= kDistinct;
      }
    }
  }

  if (found) {
    fracl1 = a.fracl1;
  } else {
    // No split: both liquids are the feed.
    fracl1 = -1.0;
    status = static_cast<std::int32_t>(SplitStatus::NoSplit);
    std::copy(feed.begin(), feed.end(), liquids.xl1.begin());
    std::copy(feed.begin(), feed.end(), liquids.xl2.begin());
  }
  if (print >= 1) {
    char line[120];
    std::snprintf(line, sizeof line,
                  " END TLSPLT FRACL1 =%14.6E KXITER= %4d  IERR=%2d  L1KEY=%4d  L2KEY=%4d", fracl1,
                  a.kxiter, status, l1key, l2key);
    traceLine(unit, line);
  }
}

}  // namespace flash
