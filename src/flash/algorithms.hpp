// The isothermal flash algorithms and the router that chooses among them. Included by
// flash.hpp.
//
// FLASTP routes one flash at fixed T and P to FLASHT (the default two-phase flash with free
// water), the three-phase flash FLAS3P, the free-water flash FLS3W1, or the successive-
// substitution flash FLASHN with its Newton fallback FLASHC, falling back on FLASHT when
// the chosen one fails. FLAS3P, FLS3W1 and the Gibbs flash that FLASHT reaches (FLASGB) are
// not built yet: each reports failure (IFFAIL 1) with its full argument list, so that the
// router falls back on FLASHT.
#pragma once

#include <cstdint>
#include <span>

#include "flash/fixed_fraction.hpp"
#include "flash/flash_arguments.hpp"
#include "services/markers.hpp"
#include "storage/storage.hpp"

namespace flash {

// The two-phase work arrays of FLWKTB, in the order the algorithms receive them: slots 16,
// 13, 15, 14.
struct TwoPhaseWork {
  storage::RealView slot16, slot13, slot15, slot14;
};
// The Newton work arrays: slot 26 (integers), then slots 18 to 25 and 27.
struct NewtonWork {
  std::span<std::int32_t> slot26;
  storage::RealView slot18, slot19, slot20, slot21, slot22, slot23, slot24, slot25, slot27;
};
// The three-phase work arrays, in the order FLAS3P receives them: slots 7, 8, 10, 9, 11,
// 14, 12, 13, 15, 16, 1, 2, 3, 4, 5, 6, 17 (FLS3W1: the first twelve but 12, then 1-3).
struct ThreePhaseWork {
  storage::RealView slot7, slot8, slot10, slot9, slot11, slot14, slot12, slot13, slot15, slot16,
      slot1, slot2, slot3, slot4, slot5, slot6, slot17;
};
struct FreeWaterWork {
  storage::RealView slot7, slot8, slot10, slot9, slot11, slot14, slot13, slot15, slot16, slot1,
      slot2, slot3;
};

// The default two-phase flash with free water: an outer loop of K-value refreshes around a
// bracketed search on FLIQHC at fixed K-values (FLSCMP, FLSBRK, DRICE), with acceleration
// (STEPDM) or averaging of the compositions, oscillation control, the rebuild of an
// incipient phase's trial composition, the reuse of a stored estimate, the Gibbs flash
// (switch 45, without water in the feed) and the positive flash (thousands digit of switch
// 41). All 45 common arguments; see IsothermalFlash. IFFAIL 1 after 100 passes without
// convergence, more than 60 bracket steps in the last inner search, or a failed Gibbs
// flash.
void FLASHT(IsothermalFlash& a);

// The isothermal flash router (the 45 common arguments): counts the call (NNFLST), routes
// by the method set, switches 41 and 45 and the feed water, falls back on FLASHT, repeats
// FLASHT at the problem's root selection when a phase was solved at a pseudo root, compares
// two algorithms in compare mode (switch 41 = 3), sets the step of the caller's iteration
// variable and the stored-estimate block, and gives failure notes (message 1000000214).
void FLASTP(IsothermalFlash& a);

// The successive-substitution flash: K-values, the Rachford-Rice split FLASHK (the vapour
// fraction may leave 0..1 while iterating), new K-values at the split, until the relative
// K change falls below 1e-6 (up to 20 K-value calls), 1e-5 (up to 40), then 1e-4. Around
// it: the stored estimate as a start, oscillation rules (stuck at 0 or 1, exact period 2 or
// 3 cycles, averaging of the compositions), a critical-region decision (FLSKVC, FLSPHC), a
// repeat with real roots when a present phase was solved at a pseudo root, a pure-component
// path (FLSNPC) and the convergence of a single phase's K-values (FLSNGL). Reads and sets
// common arguments 1, 3-9, 11-14, 17-31, 37, 42, 43, 45, 36; the two-phase work arrays
// (feed copy, last liquid, last vapour, floored K-values); notes only when IDEBUG >= LEVEL.
// IFFAIL 0 solved, 1 FLASHK's step limit outside the critical region, 100 passes or a NaN
// or infinite K-value met before a split, 111 an oscillation that no rule treats or a sixth
// treatment. On exit FTOTLQ = FLIQHC, FWATER =
// 0, and the root-selection words ISEUDI, ISEUDL, ISEUDV are 0, 1, 1.
void FLASHN(IsothermalFlash& a, const TwoPhaseWork& work, std::int32_t level);

// ---------------------------------------------------------------------------------------
// Algorithms not built yet: each sets IFFAIL 1 and changes nothing else.
// ---------------------------------------------------------------------------------------

// Vapour, liquid 1 and liquid 2: common 1-37 and 41-45, the three-phase work arrays, the
// three-phase message level (in/out).
void FLAS3P(IsothermalFlash& a, const ThreePhaseWork& work, std::int32_t& level);
// Vapour, hydrocarbon liquid and free water: as FLAS3P with the free-water work arrays.
void FLS3W1(IsothermalFlash& a, const FreeWaterWork& work, std::int32_t& level);
// The Gibbs-energy minimisation flash that FLASHT runs when switch 45 forces it.
void FLASGB(IsothermalFlash& a);

// ---------------------------------------------------------------------------------------
// The Newton and positive flashes
// ---------------------------------------------------------------------------------------

// FLASHC: the two-phase flash by Newton steps on ln K (FLASC1) around Rachford-Rice splits
// (FLASHK, tolerance 1e-12), the router's fallback of FLASHN for equation-of-state K-values.
// Common arguments as FLASHN; KXOPT is the router's copy (2: use the K-values given; set to
// 2 after the first pass). Start K-values: the given ones, a usable stored estimate, or a
// K-value call. Up to three K-value calls look for K on both sides of one (each rebuilding
// the trial phases); K-values all within 0.99-1.01 give a single phase by the pseudo-critical
// test (FVAPOR 1.15 or -0.15 before the final step). Each pass: the split (one phase when it
// says so; IFFAIL 1 at its step limit), XKSTOR = K, the Newton step (skipped for a single
// present component). The pass loop ends converged (largest relative K change below 1e-10),
// on an out-of-range V stalled to 1e-6 relative, on three fractions at or beyond -0.15 or
// 1.15, after 100 passes (IFFAIL 1), or on an oscillating V (IFFAIL 1 inside 0..1; outside
// it only when none of the last six values lies on the other side). Final step: V above 1
// is all vapour, below 0 all liquid, with the incipient phase from z and K. A singular
// Newton matrix (a NaN or an infinity in it or in the residual counts as singular), or a
// step that takes a K-value past the largest number, returns at once with IFFAIL 1 and the
// last split's fractions and K-values; a NaN or infinite K-value at a K
// check returns at once with IFFAIL 1 and FVAPOR 0. FWATER, GFLSH
// and GFLABS are 0. The work-table slots are not used: the split and the Newton step work
// in scratch of the flash kept between calls and let go at every problem open. LEVEL (the
// message level of the oscillation notes) is not used.
void FLASHC(IsothermalFlash& a, std::int32_t& kxopt, const TwoPhaseWork& work,
            const NewtonWork& newton, std::int32_t level);

// FLASHP: the positive flash that FLASHT tries first when the thousands digit of switch 41
// is set: successive substitution of K-values around CLSOLV, which keeps V in [0, 1]. The
// common arguments and four work arrays of at least NC reals (the normalised feed, the
// split's x and y, K raised to 1e-12). Start: a usable stored estimate (IHVDAT 2 and KXOPT
// 1, V strictly inside 5e-7..0.9999995, largest K outside 0.99-1.01) spares the first
// K-value call. Each pass: K-values with a NaN or an infinity give IFFAIL 1 at once; the
// split; CLSOLV's step limit gives IFFAIL 1; K-values all at one
// from the second pass on give the phase by the pseudo-critical test; then DXPCT, the
// largest relative K change over components with z >= 1e-4. With KXOPT 2: DXPCT below 1e-4
// converges; five passes at V = 0 or at V = 1 leave the loop (a start from stored K-values
// then restarts once with a K-value call); 100 passes give IFFAIL 1. FWATER, GFLSH and
// GFLABS are 0. Aborts: "FL" from FLASHP when a work array is shorter than NC.
void FLASHP(IsothermalFlash& a, std::span<double> w1, std::span<double> w2, std::span<double> w3,
            std::span<double> w4);

// ---------------------------------------------------------------------------------------
// The algorithm seam
// ---------------------------------------------------------------------------------------

// The algorithms the router, FLASHT and the pure-component flash call: the routines above unless a
// test has put doubles in their place.
struct FlashAlgorithms {
  void (*flasht)(IsothermalFlash&) = &FLASHT;
  void (*flashn)(IsothermalFlash&, const TwoPhaseWork&, std::int32_t) = &FLASHN;
  void (*flashc)(IsothermalFlash&, std::int32_t&, const TwoPhaseWork&, const NewtonWork&,
                 std::int32_t) = &FLASHC;
  void (*flas3p)(IsothermalFlash&, const ThreePhaseWork&, std::int32_t&) = &FLAS3P;
  void (*fls3w1)(IsothermalFlash&, const FreeWaterWork&, std::int32_t&) = &FLS3W1;
  void (*flasgb)(IsothermalFlash&) = &FLASGB;
  void (*flashp)(IsothermalFlash&, std::span<double>, std::span<double>, std::span<double>,
                 std::span<double>) = &FLASHP;
  void (*flasl2)(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                 std::int32_t&, std::int32_t, std::span<const double>, std::span<double>,
                 std::span<double>, std::span<double>, double&, double&, double&, double&, double&,
                 double, double&, double&, std::int32_t, std::span<double>,
                 std::span<double>) = &FLASL2;
};
const FlashAlgorithms& flashAlgorithms();

// The slot of the multiphase flashes, which live in the layer above: fills the three-phase,
// free-water and Gibbs entries of the table. A nullptr entry puts back the routine above
// that reports failure, so that the router falls back on FLASHT.
void fillMultiphaseAlgorithms(void (*flas3p)(IsothermalFlash&, const ThreePhaseWork&,
                                             std::int32_t&),
                              void (*fls3w1)(IsothermalFlash&, const FreeWaterWork&, std::int32_t&),
                              void (*flasgb)(IsothermalFlash&));

// While alive, the router and FLASHT call the algorithms of REPLACEMENT.
class ScopedFlashAlgorithms {
 public:
  explicit ScopedFlashAlgorithms(const FlashAlgorithms& replacement);
  ~ScopedFlashAlgorithms();
  ScopedFlashAlgorithms(const ScopedFlashAlgorithms&) = delete;
  ScopedFlashAlgorithms& operator=(const ScopedFlashAlgorithms&) = delete;

 private:
  FlashAlgorithms previous_;
};

}  // namespace flash

namespace flash {

// Whether a method code is set (neither IMISS nor 0).
inline bool hasCode(std::int32_t code) { return code != services::IMISS && code != 0; }

// Whether the current method set takes the polymer path of FLASHT and of the router: its
// name is not "NOPOLYSYH" and it is "POLYSYH" or MTISC accepts its vapour-liquid code VLE
// or liquid-liquid code LLE.
bool polymerSet(std::int32_t vle, std::int32_t lle);

}  // namespace flash
