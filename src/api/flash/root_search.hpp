// The one-variable root search by reverse communication that drives the vapour-fraction
// flash: the caller holds the loop, evaluates the function where the search says and calls
// again; the search keeps its own state between calls (one search at a time).
#pragma once

#include <cstdint>

namespace api_flash {

// States of the reverse-communication flag of ROOTRC.
enum class RootSearchState : std::int32_t {
  Start = 0,         // in (or any value below): start a new search
  Evaluate = 1,      // out: evaluate the function at X and call again
  Converged = 2,     // out: the last evaluated X is the answer
  ScanLimit = 3,     // out: the iteration limit was reached while scanning for a sign change
  BracketLimit = 4,  // out: the iteration limit was reached while narrowing a bracket
};

// ROOTRC: one step of the search for a root of F on [XA, XB].
//   istate in/out  0 or less starts a new search; out a RootSearchState value
//   xa, xb in      the two ends of the search interval
//   tol    in      convergence when |F| <= TOL
//   x      out     where to evaluate next (unchanged when the search stops)
//   f      in/out  the function value at the last X; the bracket phase may overwrite it
//   maxit  in      its absolute value is the limit on the points evaluated (at least two are)
// The search first takes both ends; without a sign change it scans the midpoints of 1, 2, 4,
// ... equal subintervals for one, then narrows the bracket by secant steps, falling back on
// bisection when a secant step leaves the bracket or does not halve the smaller end value. A
// zero secant step or a bracket that can no longer be split counts as convergence.
void ROOTRC(std::int32_t& istate, double xa, double xb, double tol, double& x, double& f,
            std::int32_t maxit);

}  // namespace api_flash
