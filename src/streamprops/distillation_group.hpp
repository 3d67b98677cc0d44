// The distillation and vapour-pressure group of the stream-property codes (400-409): a point
// of a distillation curve of a stream, its true and Reid vapour pressures, the cut
// temperature of a product; and the natural cubic spline through a distillation table.
#pragma once

#include <cstdint>
#include <span>

namespace streamprops {

// Status of SPE400 in ISTAT when a code's evaluator is not available in this build (the
// Reid vapour pressure by flash, 404 with methods 3 to 6, which needs the general flash,
// and the product cut temperature, 406): VALUE is DMISS.
inline constexpr std::int32_t kCurveGroupNotAvailable = -1;

// The 400 group for the stream of pointer set 1.
//   oprec   in   the request record: word 10 the phase, 13 the code, 15 the curve variant
//                (400: 2 weight basis; 403: 1 D1160 at 10 mmHg, 2 at atmospheric
//                pressure), 16 = 1 to read the curve at ARGVAL per cent
//                word 3 the stream reference and word 4 the stream (labels of 404 and 405),
//                word 14 the RVP method of 404 (1 to 7; else the default of GCL, else 1)
//   istat   out  0; the true vapour pressure's status (1 not converged) for 404 and 405;
//                or kCurveGroupNotAvailable
//   value   out  the curve temperature, K, at ARGVAL (written only when word 16 is 1);
//                405 the true vapour pressure, kPa, at the TVP temperature of GCL; 404 the
//                Reid vapour pressure, psi (methods 1 and 2 by correlation on the D86
//                curve and the TVP at 100 F); DMISS for the codes without a curve (403
//                without variant, 407, 408), for RVP method 7 and for those not available
//   noflag  in   handed to the basis vector
void SPE400(std::int32_t ispec, std::span<std::int32_t> oprec, std::int32_t iaux,
            std::int32_t& istat, double& value, std::int32_t noflag, double argval);

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
