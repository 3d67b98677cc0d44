// The reverse-communication root search of the vapour-fraction flash.
#include "api/flash/root_search.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "services/kept_values.hpp"

namespace api_flash {
namespace {

enum class Phase : std::int32_t { Start = 1, SecondEnd = 2, Scan = 3, Bracket = 4 };

// The state of the search in progress.
struct RootSearch {
  Phase phase = Phase::Start;
  double xl = 0.0, fl = 0.0;  // left point and its value
  double xr = 0.0, fr = 0.0;  // right point and its value
  double dx = 0.0;            // scan step
  std::int32_t nsub = 1;      // scan subdivisions of this level
  std::int32_t isub = 1;      // index within them
  double xp = 0.0, fp = 0.0;  // previous point and its value
  double fhalf = 0.0;         // a secant step must bring |F| below this; 0 after a bisection
  std::int32_t iter = 0;
  std::int32_t limit = 0;
};

RootSearch search;

const bool kSearchReset = services::registerKeptValues([] { search = {}; });

std::int32_t code(RootSearchState s) { return static_cast<std::int32_t>(s); }

// Strictly between the two bracket points, in whichever order the caller gave the ends (an
// interval given from its upper end would otherwise take no step and report convergence).
bool strictlyInside(double x) {
  return x > std::min(search.xl, search.xr) && x < std::max(search.xl, search.xr);
}

// Counts the new point NEWX: past the limit the search stops in its phase with X unchanged.
void take(double newx, std::int32_t& istate, double& x) {
  ++search.iter;
  if (search.iter >= search.limit) {
    istate = search.phase == Phase::Scan ? code(RootSearchState::ScanLimit)
                                         : code(RootSearchState::BracketLimit);
    return;
  }
  x = newx;
  istate = code(RootSearchState::Evaluate);
}

void bisect(std::int32_t& istate, double& x) {
  const double newx = 0.5 * (search.xl + search.xr);
  search.fhalf = 0.0;
  if (!strictlyInside(newx)) {
    istate = code(RootSearchState::Converged);
    return;
  }
  take(newx, istate, x);
}

// The secant step from the better end (x, f) and the previous point.
void secant(std::int32_t& istate, double& x, double f) {
  double delta = (x - search.xp) * f / (f - search.fp);
  while (x - delta == x) {
    if (delta == 0.0) {
      istate = code(RootSearchState::Converged);
      return;
    }
    delta *= 2.0;
  }
  search.xp = x;
  search.fp = f;
  search.fhalf = 0.5 * std::min(std::abs(search.fl), std::abs(search.fr));
  const double newx = x - delta;
  if (!strictlyInside(newx)) {
    bisect(istate, x);
    return;
  }
  take(newx, istate, x);
}

// Steps from the better end of the bracket: x, f become it, the other end the previous point.
void fromBetterEnd(std::int32_t& istate, double& x, double& f) {
  if (std::abs(search.fl) > std::abs(search.fr)) {
    search.xp = search.xl;
    search.fp = search.fl;
    x = search.xr;
    f = search.fr;
  } else {
    search.xp = search.xr;
    search.fp = search.fr;
    x = search.xl;
    f = search.fl;
  }
  secant(istate, x, f);
}

void startBracket(std::int32_t& istate, double& x, double& f) {
  search.xr = x;
  search.fr = f;
  search.phase = Phase::Bracket;
  fromBetterEnd(istate, x, f);
}

}  // namespace

std::int32_t searchLimit(std::int32_t maxit) {
  return maxit == std::numeric_limits<std::int32_t>::min()
             ? std::numeric_limits<std::int32_t>::max()
             : std::abs(maxit);
}

void ROOTRC(std::int32_t& istate, double xa, double xb, double tol, double& x, double& f,
            std::int32_t maxit) {
  // Start: the value at XA is asked for first.
  if (istate <= 0) {
    search = {};
    search.xl = xa;
    search.xr = xb;
    search.limit = searchLimit(maxit);
    search.iter = 1;
    search.phase = Phase::Start;
    x = xa;
    istate = code(RootSearchState::Evaluate);
    return;
  }
  if (std::abs(f) <= tol) {
    istate = code(RootSearchState::Converged);
    return;
  }
  switch (search.phase) {
    case Phase::SecondEnd:
      // Value at XB: a sign change brackets at once, else the scan starts.
      if (search.fl * f < 0.0) {
        startBracket(istate, x, f);
        return;
      }
      search.xp = search.xl;
      search.fp = search.fl;
      search.nsub = 1;
      search.dx = search.xr - search.xl;
      search.isub = 1;
      search.phase = Phase::Scan;
      take(search.xl + 0.5 * search.dx, istate, x);
      return;
    case Phase::Scan:
      if (search.fl * f < 0.0) {
        startBracket(istate, x, f);
        return;
      }
      if (search.isub < search.nsub) {
        search.xl = x;
        search.fl = f;
        ++search.isub;
        take(x + search.dx, istate, x);
        return;
      }
      // The level is done: back to the interval start with twice the subdivisions. After the
      // last level the scan gives up, whatever limit the caller gave (a huge limit on a feed
      // whose ends do not bracket the target would otherwise run some 2^31 flashes); so it
      // does when the next level's points could no longer be told apart from the start.
      if (search.nsub >= (std::int32_t{1} << (kMostScanLevels - 1)) ||
          search.xp + 0.25 * search.dx == search.xp) {
        istate = code(RootSearchState::ScanLimit);
        return;
      }
      search.xl = search.xp;
      search.fl = search.fp;
      search.nsub *= 2;
      search.dx *= 0.5;
      search.isub = 1;
      take(search.xl + 0.5 * search.dx, istate, x);
      return;
    case Phase::Bracket:
      if (search.fl * f >= 0.0) {
        search.xl = x;
        search.fl = f;
      } else {
        search.xr = x;
        search.fr = f;
      }
      if (search.fhalf <= 0.0) {
        fromBetterEnd(istate, x, f);
      } else if (std::abs(f) <= search.fhalf) {
        secant(istate, x, f);
      } else {
        bisect(istate, x);
      }
      return;
    case Phase::Start:
    default:
      // Value at XA (also any phase outside the known ones): XB next, not counted.
      search.fl = f;
      search.phase = Phase::SecondEnd;
      x = search.xr;
      istate = code(RootSearchState::Evaluate);
      return;
  }
}

}  // namespace api_flash
