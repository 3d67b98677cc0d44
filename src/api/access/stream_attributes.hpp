// The evaluated attributes of the stream reader: the distillation curves of the current
// stream at 13 points, its true and Reid vapour pressures, the heat capacity at constant
// volume of a vapour stream by a 1 K step at constant molar volume.
#pragma once

#include <cstdint>
#include <span>

namespace api_access {

// Points of a distillation curve as the reader returns it: 0, 5, 10, 20, ..., 90, 95 and 100 %
// distilled.
inline constexpr std::int32_t kReaderCurvePoints = 13;

// PADCRV: the distillation curve of type KIND (1 TBP, 2 ASTM D86, 5 ASTM D1160 at 10 mmHg;
// the curve types of the distillation tables) of the overall composition of the stream
// current in pointer set 2, with the problem's distillation options.
//   kind    in      curve type
//   values  out     13 temperatures, converted from K to unit set IUNSET (class 1); all 0.0
//                   when the curve cannot be built
//   iunset  in      unit set of the values
//   ierr    in/out  set to 0, then 1 when the composition has no liquid volume to distil or
//                   the conversion supplies no points
// Allocates nothing once warm (the scratch is kept until the next problem open).
void PADCRV(std::int32_t kind, std::span<double, kReaderCurvePoints> values, std::int32_t iunset,
            std::int32_t& ierr);

// Statuses of PARVP.
inline constexpr std::int32_t kRvpMethodUndefined = 1;
inline constexpr std::int32_t kRvpNotEvaluated = 2;

// PARVP: the true and Reid vapour pressures of the stream current in pointer set 2. The
// true vapour pressures are evaluated in the true-vapour-pressure method set of DBGLOB, the
// flashes of the Reid methods 3 to 6 in its Reid method set; either, when not above 0, is
// the stream's own set. The method set current on entry is current again on return.
//   rvp   out  Reid vapour pressure, psi (every unit set); DMISS when MODE is not 1 or with
//              IERR above 0
//   tvp   out  true vapour pressure at the problem's TVP temperature (table GCL real 2),
//              kPa; DMISS when it cannot be evaluated
//   mode  in   1 both, any other value the true vapour pressure only
//   ierr  out  0; kRvpMethodUndefined when the problem's RVP method (table GCL integer 18)
//              lies outside 1 to 6, or is the slope correlation 1 while the distillation
//              options name the conversion method 6, which builds no D86 curve;
//              kRvpNotEvaluated when no pressure came out (no true vapour pressure at
//              100 F to start from, or a K-value method without vapour pressures)
// The methods: 1 the correlation on the D86 slope from 5 % to 15 % and the TVP at 100 F,
// 2 the correlation on the TVP at 100 F alone, 3 the process-stream flash (SPERV1), 4, 5
// and 6 the flashes of the standard tests (SPERV2). A flash that does not converge gives
// the routines' preset from the TVP at 100 F with IERR 0.
void PARVP(double& rvp, double& tvp, std::int32_t mode, std::int32_t& ierr);

// Status of PAVCV.
inline constexpr std::int32_t kCvEnthalpyFailed = 1;

// PAVCV: Cv of the vapour stream N by the change of internal energy H - P V over a step of
// 1 K at constant molar volume: the stream is copied into a temporary stream, its molar
// volume V0 and enthalpy H0 are evaluated at its state, then the pressure at T + 1 K that
// gives V0 again is searched by secant steps (at most 20) and the enthalpy evaluated there.
//   n     in/out  the stream; the same number on return, made current in pointer set 2 again
//   cv    out     kJ/(kmol K); DMISS when an enthalpy or the volume cannot be evaluated
//   ierr  out     0; kCvEnthalpyFailed when an enthalpy evaluation failed or the stream's
//                 vapour has no volume
// The temporary stream is deleted before the return.
void PAVCV(std::int32_t& n, double& cv, std::int32_t& ierr);

}  // namespace api_access
