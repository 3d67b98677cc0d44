// Water K-values and the solubility of water in a hydrocarbon liquid. When a method set
// names a water component its K-value comes from the vapour pressure of water and its
// solubility s (mole fraction of water in a water-saturated hydrocarbon liquid):
//   Kw = (Pw/P) / s,   Kfw = Pw/P (the free-water K-value).
// s comes from a correlation in temperature only (WSOLTX), one in temperature and the
// make-up of the hydrocarbon liquid (WSOLHC) or is 1, by the set's water-handling option.
#pragma once

#include <cstdint>
#include <span>

#include "problem/method_set_control.hpp"

namespace equilibrium {

// The water cells of the current method set live in THCTL: the water-handling option, the
// two water-property options handed to WPROP, the liquid non-water fraction, the pressure
// word of the water routines, and the results XWD (s), YWD (Kfw) and the water vapour
// pressure with its temperature derivative. The water component index is THCTL.idecnt.
using problem::kFreeWaterBesideEquilibrium;
using problem::kNoSolubilityCorrelation;
using problem::kNoWaterVapourPressure;
using problem::kWaterFromTemperature;

// Component real sectors (COPTRS) of the hydrocarbon correlation: A the weight of a
// component in the volume-type averages, B, C and D the terms they average.
inline constexpr std::int32_t kSolubilityWeightSector = 31;  // A
inline constexpr std::int32_t kSolubilityBSector = 29;
inline constexpr std::int32_t kSolubilityCSector = 30;
inline constexpr std::int32_t kSolubilityDSector = 32;

// Above this temperature (K) water alone is supercritical: Kw = 1.1, Kfw = 1.
inline constexpr double kWaterCriticalTemperature = 647.28;

// The water K-value of the current set.
//   ncomp        in   component count
//   x            in   normalised liquid mole fractions (NCOMP values; read by WSOLHC)
//   kw           out  Kw
//   u            in   units digit of KCDRV (handed to the empty alternative only; the
//                     derivatives are always formed)
//   dkwdt        out  dKw/dT (1/K)
//   dkwdp        out  dKw/dP (1/kPa)
//   dpwdt        out  dPw/dT (kPa/K; 0 when Pw is not evaluated)
//   simplified   in   digit 1 of KCOPT: 0 simplified K-values, else rigorous
//   alternative  in   positive: the empty alternative solubility (s = 1); callers pass 0
//   t, p         in   K, kPa
//   unit         in   report unit of WPROP's trace lines
//   debug        in   debug level handed to WPROP
//   pw           out  Pw (kPa)
//   noSolubility in   digit 6 of KCOPT: nonzero keeps s = 1 on the simplified route
// Steps: water alone above 647.28 K gives Kw = 1.1, Kfw = 1, zero derivatives. Otherwise
// Pw and dPw/dT from WPROP (vapour pressure, liquid phase, the set's water-property options
// and the pressure cell), except with option 5 (Pw = 0). s by the option and route:
// simplified: WSOLTX when NCOMP != 1 and NOSOLUBILITY = 0; rigorous, when the liquid
// non-water fraction is at least 1e-10: ALTERNATIVE positive nothing, option 0 or 1 WSOLHC
// (WSOLTX when it cannot evaluate or the component sectors are not in core), 2 WSOLTX,
// 3 and above nothing. Then Kfw = Pw/P, Kw = Kfw/s,
// dKw/dT = Kw (dPw/dT / Pw - (ds/dT)/s) (0 when Pw is 0), dKw/dP = -Kw/P.
// Writes Kfw to THCTL.ywd and s to THCTL.xwd. No aborts.
void KCWATR(std::int32_t ncomp, std::span<const double> x, double& kw, std::int32_t u,
            double& dkwdt, double& dkwdp, double& dpwdt, std::int32_t simplified,
            std::int32_t alternative, double t, double p, std::int32_t unit, std::int32_t debug,
            double& pw, std::int32_t noSolubility);

// Solubility of water in a hydrocarbon liquid from temperature alone:
//   a = 7218.58364 / (1.8 T) limited to at most 20; s = exp(6.23685 - a);
//   ds/dT = a s / T (0 where a is limited); s above 1: s = 1, ds/dT = 0.
//   t in K; s out (mole fraction); dsdt out (1/K)
void WSOLTX(double t, double& s, double& dsdt);

// Solubility of water in a hydrocarbon liquid from temperature and the liquid's make-up.
// Over the components other than water W: V = sum x A, Bs = sum x B, Cv = sum x A C,
// Dv = sum x A D; h = max(0, 1 - (Dv/V + (Cv/V - 0.5)/(Bs + 1))), H = h + 0.5, L = ln H;
//   ln s = -15.943/H - 4729.06/T + 1758.12/(H T) - 7.43125 H + 366.133 H/T - 8.84834 L
//          + 1.25069 ln T + 0.859272 L ln T + 2328.54 L/T + 2.04263 ln T/H + 1.01762 H ln T,
// limited to [-80, 80] (ds/dT 0 where limited); s at least 1: s = 1, ds/dT = 0.
// Below 273.15 K s = 1e-6 with ds/dT = 0.
//   ncomp     in   component count
//   water     in   the water component (0: none)
//   t         in   K
//   x         in   liquid mole fractions
//   a, b, c, d in  the component terms (NCOMP values each)
//   s, dsdt   out  mole fraction of water, its temperature derivative (1/K)
//   flag      out  1: cannot evaluate (V not positive), s and dsdt as they were but dsdt 0
void WSOLHC(std::int32_t ncomp, std::int32_t water, double t, std::span<const double> x,
            std::span<const double> a, std::span<const double> b, std::span<const double> c,
            std::span<const double> d, double& s, double& dsdt, std::int32_t& flag);

// The two empty alternatives of the solubility options; they leave everything as it was.
void WSOLZ1();
void WSOLZ2(std::int32_t ncomp, std::int32_t water, std::int32_t u, std::span<const double> x,
            double t, double p, double& s, double& dsdt, std::int32_t& flag);

}  // namespace equilibrium
