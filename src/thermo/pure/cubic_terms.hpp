// The term cache of the held cubic coefficient block: the pure-component attraction terms and
// the pair terms k = A + B/T + C/T^2 at one temperature, shared by every routine that reads a
// cubic method's block (the vapour and liquid fugacities, the enthalpy, entropy and density
// drivers, and the liquid-density dispatcher).
//
// The cache state is the block's own: three integer words (a switch, 2 keeping the terms
// while the temperature repeats and anything else evaluating at every call; a valid flag,
// 1 when a temperature is stored; the stored level) and its last 8-byte word of the first
// real sector (the stored temperature). The terms themselves, with a copy of the block's
// first real sector taken when they were formed, are kept beside the block. Every load of a
// block forgets them; a routine that writes into a held block's words clears its valid flag
// (or calls forgetHeldCubicTerms), so that terms are never formed from other words than
// those the block holds.
//
// A call is served from the cache when the block's switch is 2, its valid flag is 1, the
// stored temperature equals T to within relative 2.22e-16 (RELCMP), the stored level is at
// least the call's and the terms were formed from this block for the same method code and
// component count. Otherwise the terms are evaluated; when caching is on and the caller
// allows it, T is stored, the valid flag set and the terms kept. With caching on the stored
// level becomes the call's level on every call, hit or not.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace pure {

// One request for the terms of the held block.
struct CubicTermsCall {
  std::int32_t code = 0;      // the cubic method code
  std::int32_t nc = 0;        // components
  double t = 0.0;             // K
  std::int32_t level = 1;     // 1 values; 2 adds d/dT; 3 and 4 add d2/dT2
  bool cacheAllowed = false;  // the caller's rule; the block's switch must be on as well
  bool pureTerms = true;      // EOSTWU with the block's alpha forms (113 forms them itself)
  bool pairTerms = true;      // pair terms from the block's pair groups (else neutral slots)
  bool storesK = false;       // the stored pair term is k itself, else 1 - k
  std::int32_t groups = 3;    // groups of NP pair coefficients: 3 (one k), 6 or 8 (two k's)
  std::size_t words = 0;      // reals of the first sector the method reads, the block's head
                              // and pair groups included
  std::string_view routine;   // named in the aborts
};

// The terms of the held block at T. The spans stay valid until the next request; the
// derivatives beyond the level of the evaluation that formed them are not defined.
struct CubicTerms {
  std::span<const double> block;        // the first WORDS reals of the block's first real sector
  std::span<double> sqrta, a, aT, aTT;  // NC each
  std::span<const double> k1, k1T, k1TT, k2, k2T, k2TT;  // NP = max(1, NC(NC-1)/2) each
  bool evaluated = false;                                // formed by this request (a miss)
};

// Serves CALL from the cache or evaluates the terms. Aborts through the caller's ROUTINE with
// "PARAMETER BLOCK TOO SHORT" (items NEEDED, HAVE) when the first real sector holds fewer
// than WORDS reals or the first integer sector has no room for the alpha forms and the cache
// words. Counts every evaluation in heldCubicTermsEvaluations.
CubicTerms heldCubicTerms(const CubicTermsCall& call);

// Forgets the kept terms: every block load calls it.
void forgetHeldCubicTerms();

// Evaluations of the terms since the last problem open (tests and timing).
std::int64_t heldCubicTermsEvaluations();

}  // namespace pure
