// Activity-coefficient kernels of the excess-Gibbs-energy mixing rules, shared with the
// liquid activity models: the NRTL equation and the group-contribution model with a
// free-volume term.
//
// n x n arrays are stored column by column, element (i, j) at (j - 1) n + i. Composition
// derivatives N_ij = n dln(gamma_i)/dn_j. g = G^E/(R T); hE = H^E/(R T^2) = -dg/dT.
#pragma once

#include <cstdint>
#include <span>

namespace pure {

// =======================================================================================
// NRTL
// =======================================================================================

// Message of a derivative kind that the NRTL model refuses.
inline constexpr std::int32_t kMessageNrtlOption = 1990020004;

// The temperature forms of the NRTL parameters.
enum class NrtlForm : std::int32_t {
  Inverse = 1,      // tau = Q4/T, alpha = Q2
  Shifted = 2,      // tau = Q4/T + Q5, alpha = Q2
  LinearAlpha = 3,  // tau = Q4/T + Q5, alpha = Q1 T + Q2
  PairCoded = 4,    // per-pair temperature form of tau, alpha = Q1 T + Q2
};

// tau_ij, G_ij = exp(-alpha_ij tau_ij) (exponent limited to +-23.0259) and their temperature
// derivatives for all n^2 ordered pairs at T, from the five n x n blocks Q1-Q5 of PARAM.
// Form 4 reads one pair code per pair i < j in the order (1,2), (1,3), (2,3), (1,4) ...:
// 0 tau = Q5 + Q4/T + Q3/T^2, 1 tau = Q5 + Q4/T + Q3 T, 2 tau = Q5 + Q4 T + Q3 T^2 (any
// other code: tau = 0, G = 1); its alpha comes from the element (j, i) for both directions
// and its diagonal is tau = 0, G = 1. A form outside 1-4 leaves the outputs untouched.
//   param in (5 n^2), form in, pairCodes in, n in, t in K,
//   dgdt, dtaudt, g, tau out (n^2 each)
void NRTAUG(std::span<const double> param, std::int32_t form,
            std::span<const std::int32_t> pairCodes, std::int32_t n, double t,
            std::span<double> dgdt, std::span<double> dtaudt, std::span<double> g,
            std::span<double> tau);

// The NRTL activity coefficients from tau and G:
//   ln gamma_i = S_A(i)/S_B(i) + sum_j (x_j G_ij/S_B(j))(tau_ij - S_A(j)/S_B(j)),
//   S_A(i) = sum_j x_j G_ji tau_ji, S_B(i) = sum_j x_j G_ji.
// Level 1: the sums, the first terms in lngam and dlngdt, gert and hert2; level 2: the full
// ln gamma and dln(gamma)/dT; level 3: also dlngdx (leading dimension ld), symmetric.
//   gert = sum x_i ln gamma_i = g, hert2 = -sum x_i dln(gamma_i)/dT = hE
//   sa, sb, dsa, dsb out (n each): the sums and their temperature derivatives
void NRTACT(std::int32_t level, std::int32_t ld, std::int32_t n, std::span<const double> x,
            std::span<double> lngam, std::span<double> dlngdt, std::span<double> dlngdx,
            double& gert, double& hert2, std::span<double> sa, std::span<double> sb,
            std::span<double> dsa, std::span<double> dsb, std::span<const double> dgdt,
            std::span<const double> dtaudt, std::span<const double> g, std::span<const double> tau);

// The NRTL model of the activity route and of the NRTL-based cubic mixing rules.
//   x          in  mole fractions (nc)
//   t          in  K
//   nc         in
//   option     in  tens digit must be 0 (otherwise the run stops with message 1990020004);
//                  hundreds digit not 0 asks for the composition derivatives
//   coef       in  the NRTL parameter blocks (5 nc^2)
//   descriptor in/out  word 2 the form, word 5 the cache mode (1 recompute at every call,
//                  2 only when T changes), word 6 the cache-valid flag, words 7 on the pair
//                  codes of form 4
//   work       in/out  tau, G, dG/dT, dtau/dT (nc^2 each), then the cached temperature
//   sums       out scratch of 4 nc values
//   lngam, lngamT out (nc); dlngdx out (nc x nc, when asked for)
//   g, hE      out G^E/(R T) and H^E/(R T^2)
//   gTT        out d2g/dT2, for the exact second temperature derivative of the mixing rule
// For the K-value method codes 109 and 112 of the current method set (KMCTL), the rows of
// G and its derivatives are weighted by the per-component factors at real positions
// nc + 2 + k of the loaded parameter block (LDSTAT).
void VTNRTL(std::span<const double> x, double t, std::int32_t nc, std::int32_t option,
            std::span<const double> coef, std::span<std::int32_t> descriptor,
            std::span<double> work, std::span<double> sums, std::span<double> lngam,
            std::span<double> lngamT, std::span<double> dlngdx, double& g, double& hE, double& gTT);

// =======================================================================================
// Group contribution with a free-volume term
// =======================================================================================

// Temperature forms of the group interaction energies U (variant V):
// 1: a + b (T - 298.15) [+ c (T ln(298.15/T) + T - 298.15) when |c| >= 1e-10];
// 2: a + b T + c T^2; 3: a + b T + c T^3; 4: a; other: 0.
// psi = exp(-u), u = U/T limited to +-20; dpsi = (u - dU/dT) psi/T. d2psi, when not empty,
// receives the second derivative by the same rule.
//   ng in, t in, a, b, c in (ng x ng), variant in, psi, dpsi out, d2psi out (optional)
void ACTPRM(std::int32_t ng, double t, std::span<const double> a, std::span<const double> b,
            std::span<const double> c, std::int32_t variant, std::span<double> psi,
            std::span<double> dpsi, std::span<double> d2psi = {});

// Activity coefficients of the group-contribution model: residual part from the
// subgroups, combinatorial part by variant (1 Flory-Huggins; 2 with the r'' fractions; other
// Staverman-Guggenheim), and for variant 4 the free-volume term from the components' molar
// masses and standard liquid densities (kg/dm3).
//   status out 0; nder in (dlngdx formed, leading dimension nder, when above 1); n in;
//   x in; lngam, dlngdt, dlngdx out; m, ng in; q, r, r2 in (n); qk in (m);
//   mainGroup in (m); entryCount in (n); entries in (nu 10000 + k per entry);
//   psi, dpsi in (ng x ng); integer and real work with their lengths (at least 2m + m n
//   and n + 9m; cleared on entry); variant in;
//   molarMass, liquidDensity in (n; variant 4 only);
//   d2psi in (ng x ng, optional) and gTT out: d2g/dT2 when d2psi is given.
void ACTSTR(std::int32_t& status, std::int32_t nder, std::int32_t n, std::span<const double> x,
            std::span<double> lngam, std::span<double> dlngdt, std::span<double> dlngdx,
            std::int32_t m, std::int32_t ng, std::span<const double> q, std::span<const double> r,
            std::span<const double> r2, std::span<const double> qk,
            std::span<const std::int32_t> mainGroup, std::span<const std::int32_t> entryCount,
            std::span<const std::int32_t> entries, std::span<const double> psi,
            std::span<const double> dpsi, std::int32_t integerWorkLength,
            std::span<std::int32_t> integerWork, std::int32_t realWorkLength,
            std::span<double> realWork, std::int32_t variant, std::span<const double> molarMass,
            std::span<const double> liquidDensity, std::span<const double> d2psi, double& gTT);

// Descriptor words of the group-contribution model.
inline constexpr std::size_t kGroupSubgroupsWord = 12;
inline constexpr std::size_t kGroupMainGroupsWord = 13;
inline constexpr std::size_t kGroupBlockAWord = 15;
inline constexpr std::size_t kGroupBlockBWord = 16;
inline constexpr std::size_t kGroupBlockCWord = 17;
inline constexpr std::size_t kGroupVariantWord = 18;
inline constexpr std::size_t kGroupListsWord = 21;

// The group-contribution model of the activity route and of the cubic mixing rule of method
// 113: psi from ACTPRM written into PARAM after block c (psi, then dpsi), then ACTSTR.
//   x in, t in, nc in, option in (divided by 10 positive: composition derivatives; tens
//   digit 1: their diagonal copied to diagonal), param in/out, descriptor in,
//   integer and real work with their lengths, lngam, lngamT out, diagonal out,
//   dlngdx out (nc x nc when asked for), g out (sum x ln gamma), hE out (0: the model
//   reports no excess enthalpy to the activity route), gTT out (d2g/dT2), status out,
//   molarMass, liquidDensity in (component data, variant 4).
// The mixing rule takes dg/dT from lngamT, so the temperature dependence of g reaches it.
void EOSMR5(std::span<const double> x, double t, std::int32_t nc, std::int32_t option,
            std::span<double> param, std::span<const std::int32_t> descriptor,
            std::int32_t integerWorkLength, std::span<std::int32_t> integerWork,
            std::int32_t realWorkLength, std::span<double> realWork, std::span<double> lngam,
            std::span<double> lngamT, std::span<double> diagonal, std::span<double> dlngdx,
            double& g, double& hE, double& gTT, std::int32_t& status,
            std::span<const double> molarMass, std::span<const double> liquidDensity);

}  // namespace pure
