// The one-variable root search by reverse communication that drives the vapour-fraction
// flash: the caller holds the loop, evaluates the function where the search says and calls
// again; the search keeps its own state between calls (one search at a time).
#pragma once

#include <cstdint>
#include <span>

namespace api_flash {

// States of the reverse-communication flag of ROOTRC.
enum class RootSearchState : std::int32_t {
  Start = 0,         // in (or any value below): start a new search
  Evaluate = 1,      // out: evaluate the function at X and call again
  Converged = 2,     // out: the last evaluated X is the answer
  ScanLimit = 3,     // out: the iteration limit was reached while scanning for a sign change
  BracketLimit = 4,  // out: the iteration limit was reached while narrowing a bracket
};

// The most scan levels of the search: level k tries the midpoints of 2^(k-1) equal
// subintervals, so the scan tries at most 2^kMostScanLevels - 1 points, whatever the limit
// the caller gave, before it gives up (ScanLimit).
inline constexpr std::int32_t kMostScanLevels = 10;

// The search limit of MAXIT: its absolute value, taken without overflow (the most negative
// integer gives the largest one).
std::int32_t searchLimit(std::int32_t maxit);

// ROOTRC: one step of the search for a root of F on [XA, XB].
//   istate in/out  0 or less starts a new search; out a RootSearchState value
//   xa, xb in      the two ends of the search interval
//   tol    in      convergence when |F| <= TOL
//   x      out     where to evaluate next (unchanged when the search stops)
//   f      in/out  the function value at the last X; the bracket phase may overwrite it
//   maxit  in      its absolute value is the limit on the points evaluated (at least two are);
//                  the scan stops after kMostScanLevels levels in any case
// The search first takes both ends; without a sign change it scans the midpoints of 1, 2, 4,
// ... equal subintervals for one, then narrows the bracket by secant steps, falling back on
// bisection when a secant step leaves the bracket or does not halve the smaller end value. A
// zero secant step or a bracket that can no longer be split counts as convergence.
void ROOTRC(std::int32_t& istate, double xa, double xb, double tol, double& x, double& f,
            std::int32_t maxit);

}  // namespace api_flash

namespace api_flash {

// Statuses of FRACFL besides 0 (found) and -(1000 + e), the enthalpy flash failed with
// UFLSH status e.
inline constexpr std::int32_t kFractionFlashBase = -1000;
inline constexpr std::int32_t kFractionScanLimit = -1010;     // limit reached in the scan
inline constexpr std::int32_t kFractionBracketLimit = -1020;  // limit reached in the bracket

// FRACFL: the feed's state at its pressure with vapour fraction VFRAC, found by searching the
// feed's molar enthalpy between two limits with enthalpy flashes (UFLSH type 3).
//   idebug  in      above 0 writes the search's lines on IUNIT
//   iunit   in      the listing unit (platform::kNoUnit: none)
//   vfrac   in      the target vapour fraction
//   maxit   in      ROOTRC's limit (its absolute value)
//   tol     in      tolerance on the vapour fraction
//   hmin, hmax in   the enthalpy limits: the feed's enthalpy word (unit-rate feed) times
//                   1000000
//   feed    in/out  the feed vector; its enthalpy word is set for each trial
//   vap, liq, wat, kvec out  the vectors of UFLSH, those of the last flash
//   ierr    in/out  left as passed when the search converges; else kFractionScanLimit,
//                   kFractionBracketLimit or kFractionFlashBase - e
void FRACFL(std::int32_t idebug, int iunit, double vfrac, std::int32_t maxit, double tol,
            double hmin, double hmax, std::span<float> feed, std::span<float> vap,
            std::span<float> liq, std::span<float> wat, std::span<float> kvec,
            std::int32_t& ierr);

}  // namespace api_flash
