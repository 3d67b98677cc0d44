// The phase split at given K-values and fractions (FLSCMP), with the decant of free water,
// and the Wilson-type start estimate of a held-fraction flash (FLSEST). Included by
// flash.hpp.
//
// Units: K, kPa; fractions are moles per mole of feed.
#pragma once

#include <cstdint>
#include <span>

namespace flash {

// Which phase fraction a caller holds (IFIXLW).
enum class HeldFraction : std::int32_t {
  None = 0,  // the hydrocarbon-liquid fraction is the caller's search variable
  HydrocarbonLiquid = 1,
  Vapour = 2,  // the vapour (and so the total liquid) fraction is held
};

// Start temperature (ITPFIX 1, at P) or start pressure (ITPFIX 2, at T) of a flash at the
// vapour fraction V (taken within 0.05..0.95) from Wilson K-values
//   ln K_i = ln(Pc_i/P) + a_i (1 - Tc_i/T),  a_i = 5.37269855031944 (1 + w_i),
// by Newton steps on F = sum z_i (K_i - 1)/(V K_i + 1 - V). The temperature estimate is
// limited to the largest Tc of the present components and to 1..3000 K, the pressure to
// 1e-4..1e10 kPa. A component with a missing constant (at or below -1e35) leaves the entry
// value, brought into that range; 201 Newton steps without convergence give the entry T and
// P back unchanged. Other ITPFIX values do nothing.
//   itpfix      in      1 temperature sought, 2 pressure sought
//   ncomp       in      component count
//   tc, pc, w   in      critical temperatures (K), pressures (kPa), acentric factors
//   z           in      feed mole fractions
//   v           in      vapour fraction
//   t, p        in/out  K, kPa
//   w1, w2      work    NCOMP reals each
void FLSEST(std::int32_t itpfix, std::int32_t ncomp, std::span<const double> tc,
            std::span<const double> pc, std::span<const double> w, std::span<const double> z,
            double v, double& t, double& p, std::span<double> w1, std::span<double> w2);

// The split of a feed at K-values K and the held fractions: the free-water fraction (the
// water a split without free water would put into the liquid beyond the saturation XWD of
// THCTL is decanted: FWATER = (ZW - XWD·L - YWD·V)/(1 - XWD or 1 - YWD)), the remaining
// fractions, the compositions
//   x_i = z_i/d,  y_i = K'_i x_i,  d = K'_i FVAPOR + FLIQHC (at least 1e-10),
// K' = K limited to FLTOL(12)..FLTOL(13), with the feed water reduced by FWATER, and the
// phase-fraction function GFLSH = sum y - sum x (limited to +-1e30). With the vapour held
// (IFIXLW 2), when the free water decides the split GFLSH is instead the liquid residual
// FTOTLQ - FWATER (free water cut to the held liquid) or K_w - 1 (an all-water feed); when
// all the liquid is free water it is (K_w - 1) ZW/FWATER.
//   unused   -       not read
//   nc       in      loop length
//   ifixlw   in      HeldFraction
//   zw       in      feed water mole fraction
//   ftotlq, fliqhc, fwater, fvapor in/out  total-liquid, hydrocarbon-liquid, free-water and
//                    vapour fractions
//   gflsh    out     the phase-fraction function
//   z        in      feed mole fractions (NC; the water entry is changed during the call and
//                    given back)
//   x, y     out     hydrocarbon-liquid and vapour mole fractions (not normalised)
//   k        in      K-values
void FLSCMP(std::int32_t unused, std::int32_t nc, std::int32_t ifixlw, double zw, double& ftotlq,
            double& fliqhc, double& fwater, double& fvapor, double& gflsh, std::span<double> z,
            std::span<double> x, std::span<double> y, std::span<const double> k);

}  // namespace flash
