// The residual enthalpy of the correlation-family methods 201 and 215 to 218: a three-
// parameter corresponding-states method that reads the departure of the mixture from
// generalized tables at its pseudo-reduced temperature and pressure,
//   (H° - H)/(R Tc,m) = S(Tr, Pr) + omega_m A(Tr, Pr),
// S of the simple fluid and A the deviation per unit acentric factor. The five codes differ
// only in the rule that forms the pseudo-critical temperature and pressure.
//
// Units: T in K, P in kPa; the residual is dimensionless, (H - H°)/(R T) per mole of the
// mixture the composition describes.
#pragma once

#include <cstdint>
#include <span>

namespace pure {

// The correlation-family codes and their pseudo-critical rules (thermo/pure).
enum class CorrelationFamilyCode : std::int32_t {
  CubeCombining = 201,   // PCMIX3: columns 1, 2, 4 (sqrt Pc), 5 ((Tc/Pc)^(1/3))
  Kay = 215,             // XDOT2: molar averages of columns 1 and 2
  CriticalVolume = 216,  // PCMIX1 at T and P: columns 1, 2, 4 (Vc), 5 (Zc), 6 (Vc^(1/3))
  SquareRoot = 217,      // PCMIX2: columns 1 and 2
  LeeKesler = 218        // PCMXLK with omega_m: columns 1, 4 (sqrt Tc), 5 (Vc^(1/3))
};

// Phase words of MTHDSP.
inline constexpr std::int32_t kResidualVapour = 1;
inline constexpr std::int32_t kResidualLiquid = 2;

// Reduced pressure below which the mixture is an ideal gas.
inline constexpr double kIdealReducedPressure = 1.0e-6;

// Residual enthalpy of a vapour or liquid mixture by the correlation family.
//   1. omega_m = sum x_i omega_i (column 3);
//   2. Tc,m and Pc,m by the code's rule; Tr = T/Tc,m, Pr = P/Pc,m;
//   3. Pr below 1e-6: residual 0, D unchanged, return;
//   4. phase flag = PHASE when Tr < 1 and Pr < 1, else 2 (liquid-like);
//   5. ln S and its Tr slope from sub-table 1 (Tr >= 1.4), 4 (flag 1), 2 (Tr >= 0.9) or 3,
//      at (Tr, ln Pr);
//   6. A and its Tr slope from sub-table 9 (flag 1), 8 (Tr < 0.9), 7 (Pr > 2), 6 (Tr < 1.25)
//      or 5, at (Tr, Pr); a gas (flag 1, or Tr >= 1) below the sub-table's first pressure
//      Pr1 (0.1 in 9, 0.2 in 6) takes A(Tr, Pr1) Pr/Pr1 and its slope likewise;
//   7. residual = -(e^L + omega_m A)/Tr, D = -(L' e^L + omega_m A') = d(T residual)/dT with
//      the pseudo-critical constants held.
// Other points beyond a sub-table's axes are extrapolated linearly from its end intervals.
//   phase     in   1 vapour, 2 liquid
//   n         in   component count
//   code      in   201, 215, 216, 217 or 218
//   block     in   the method's real data: columns of N values, 1 Tc (K), 2 Pc (kPa),
//                  3 acentric factor, 4-6 those of the code's rule
//   x         in   mole fractions (N)
//   t, p      in   K, kPa
//   omega     out  molar-average acentric factor
//   pr, tr    out  pseudo-reduced pressure and temperature
//   residual  out  (H - H°)/(R T)
//   d         out  d(T residual)/dT, so that Cp - Cp° = D R
//   status    in/out  that of the table interpolation (0; 1 for a table of fewer than two
//                  points on an axis), unchanged below Pr 1e-6; 1 with residual and D 0
//                  when the pseudo-critical temperature or pressure or T is not positive
//                  (no reduced state)
// Aborts: "PH" "MTHDSP" "RESIDUAL METHOD CODE UNDEFINED" (item CODE) for any other code;
// "PH" "MTHDSP" "CORRELATION BLOCK TOO SHORT" (items NEED, HAVE) when the block holds
// fewer columns than the code reads, or X fewer than N values.
void MTHDSP(std::int32_t phase, std::int32_t n, std::int32_t code, std::span<const double> block,
            std::span<const double> x, double t, double p, double& omega, double& pr, double& tr,
            double& residual, double& d, std::int32_t& status);

}  // namespace pure
