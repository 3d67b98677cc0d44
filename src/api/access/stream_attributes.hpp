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

// Status of PARVP.
inline constexpr std::int32_t kRvpMethodUndefined = 1;

// PARVP: the true and Reid vapour pressures of the stream current in pointer set 2, in the
// stream's own method set.
//   rvp   out  Reid vapour pressure, psi (every unit set); DMISS when MODE is not 1, when
//              the true vapour pressure at 100 F is missing, or with IERR 1
//   tvp   out  true vapour pressure at the problem's TVP temperature (table GCL real 2),
//              kPa; DMISS when it cannot be evaluated
//   mode  in   1 both, any other value the true vapour pressure only
//   ierr  out  0; kRvpMethodUndefined when the problem's RVP method (table GCL integer 18)
//              is not 1 or 2, the correlations (the flash methods 3 to 6 are not part of
//              this library), or is the slope correlation 1 while the distillation options
//              name the conversion method 6, which builds no D86 curve
// Reid vapour pressures by correlation: method 1 on the D86 slope from 5 % to 15 % and the
// TVP at 100 F, method 2 on the TVP at 100 F alone.
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
