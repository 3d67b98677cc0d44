// The distillation and vapour-pressure group of the stream-property codes (400-409): a point
// of a distillation curve of a stream, its true and Reid vapour pressures, the cut
// temperature of a product; and the natural cubic spline through a distillation table.
#pragma once

#include <cstdint>
#include <span>

namespace streamprops {

// Status of SPE400 in ISTAT for a code whose evaluator a build lacks (VALUE DMISS). Every
// code of the group has one now; the dispatcher still knows the status.
inline constexpr std::int32_t kCurveGroupNotAvailable = -1;

// The 400 group for the stream of pointer set 1.
//   oprec   in   the request record: word 10 the phase, 13 the code, 15 the curve variant
//                (400: 2 weight basis; 403: 1 D1160 at 10 mmHg, 2 at atmospheric
//                pressure), 16 = 1 to read the curve at ARGVAL per cent
//                word 3 the stream reference and word 4 the stream (labels of 404 and 405),
//                word 14 the RVP method of 404 (1 to 7; else the default of GCL, else 1),
//                the reference (feed) stream of 406, whose word 4 is the product stream
//   istat   out  0; for 404 and 405 the true vapour pressure's status (1 not converged),
//                then for RVP methods 3 to 6 the flash RVP's (ReidStatus)
//   value   out  the curve temperature, K, at ARGVAL (written only when word 16 is 1);
//                405 the true vapour pressure, kPa, at the TVP temperature of GCL; 404 the
//                Reid vapour pressure, psi (methods 1 and 2 by correlation on the D86
//                curve and the TVP at 100 F, 3 to 6 by flash, SPERV1 and SPERV2); 406 the
//                product's cut temperature, K (SPE406, SPE46B); DMISS for the codes
//                without a curve (403 without variant, 407, 408) and for RVP method 7
//   noflag  in   handed to the basis vector
// The true vapour pressures of 404 and 405 are evaluated in the true-vapour-pressure method
// set of DBGLOB and the flashes of RVP methods 3 to 6 in its Reid set, each the stream's own
// set when not above 0; the method set current on entry is current again on return.
void SPE400(std::int32_t ispec, std::span<std::int32_t> oprec, std::int32_t iaux,
            std::int32_t& istat, double& value, std::int32_t noflag, double argval);

// SPE406: the cumulative standard liquid volume (water-free) of the products of the slate of
// the loaded unit (context 3) up to and including IPROD, in per cent of that of stream IREF;
// 0.0 when IREF has none. The slate is the block (item 3 of the unit's integer record,
// item 1 word 16 of them) whose identifier word is word 3 of the current specification's
// integer sector 1, else the first; its ten product streams are in item 81. The volumes are
// worked on temporary copies; the streams current on entry are current again.
//   yield  out  per cent
// Aborts: IIUGET's, on a unit record without those items.
void SPE406(std::int32_t iref, std::int32_t iprod, double& yield);

// SPE46B: the TBP temperature (K) of stream IREF at YIELD per cent: the natural cubic spline
// (TBPHLP) through its 21-point TBP curve at (initial point, 5, ..., 95, end point) per cent;
// 0.0 when the D86 conversion method of the distillation options is 6. NOFLAG is handed to
// the basis vector. Worked on a temporary copy; the streams current on entry are current
// again.
void SPE46B(std::int32_t iref, double yield, std::int32_t noflag, double& value);

// Natural cubic spline through the N points (X, Y), X rising.
//   m2    in/out  second derivatives: computed unless IOPT is 1, then used as they stand
//   xi    in      the abscissa; at or below X(1) the value is Y(1), above X(N) it is Y(N)
//                 (and the slope 0 when IDER is 1)
//   yi    out     the value; dyi out the slope when IDER > 0; d2yi out the curvature when
//                 IDER is 2
// Fewer than three points give the straight line (two) or the point (one).
void TBPHLP(std::int32_t n, std::span<const double> x, std::span<const double> y,
            std::span<double> m2, double xi, double& yi, double& dyi, double& d2yi,
            std::int32_t iopt, std::int32_t ider);

}  // namespace streamprops
