// The phase enthalpy and entropy drivers: the molar enthalpy with heat capacity and the molar
// entropy of one vapour or liquid of given composition, temperature and pressure by the
// method of the current method set, with the free-water component added from the water
// properties; the correlation enthalpy method 202 and the adapters of the BWR-type and
// corresponding-states density kernels that the drivers share.
//
// Conventions:
// - K, kPa, kJ/kmol, kJ/(kmol K); R = 8.314471 kJ/(kmol K).
// - A composition is a vector of N amounts on any common scale; S is its total, F = S'/S the
//   non-water fraction (S' the total without the water component of the set; F = 1 without
//   one, 0 for S <= 0). The method sees the composition normalised without water (flash
//   work array 4 for the vapour, 3 for the liquid) at the partial pressure P' = F P (vapour)
//   or at P (liquid); water comes from WPROP weighted by x_w/S.
// - A residual is (H - H ideal)/(R T) of the non-water part per mole of it; D = d(T
//   residual)/dT, so that Cp - Cp ideal = D R; an entropy departure is (S - S ideal at
//   101.325 kPa)/R.
// - Option word of the enthalpy drivers: units digit d1 = 1 asks for the heat capacity; tens
//   digit d2 = 1 fills the partial enthalpies (array 22 vapour, 23 liquid) from the ideal-gas
//   part, 2 with the residual part.
#pragma once

#include <cstdint>
#include <span>

namespace phase {

inline constexpr double kGasConstant = 8.314471;

// The words that every phase driver leaves behind: the non-water fraction F and the partial
// pressure F P of its last call (read by the user-added method interface and the callers).
struct PhaseDriverWords {
  double nonWaterFraction = 1.0;
  double partialPressure = 0.0;  // kPa
};
extern PhaseDriverWords PHDRWD;

// Status words of the enthalpy drivers.
inline constexpr std::int32_t kEnthalpyOk = 0;
inline constexpr std::int32_t kEnthalpyNoAmount = 2;    // liquid: S <= 0, H = Cp = 0
inline constexpr std::int32_t kEnthalpyNoResidual = 1;  // the method gave no usable residual

// HVAPDR and HLIQDR: molar enthalpy and heat capacity of a vapour or a liquid.
//   n        in   component count N
//   t, p     in   K, kPa
//   x        in   composition (N)
//   h, cp    out  kJ/kmol, kJ/(kmol K)
//   hw, cpw  out  enthalpy and heat capacity of pure water from WPROP; 0.0 when not
//                 evaluated (vapour: water fraction of x at most 1e-10; liquid: no water
//                 component)
//   z        out  compressibility factor of the kernels that give one (else unchanged)
//   option   in   option word (d1, d2 above)
//   status   out  kEnthalpyOk; for the liquid kEnthalpyNoAmount; kEnthalpyNoResidual (H and
//                 Cp DMISS) when the method's root or residual is not usable
//   noComposition in/out  set to 1 by method 122 asked for d2 = 2 (no composition
//                 derivatives); while nonzero the partial enthalpies are not filled
//   residual out  the residual of the non-water part (unchanged by the correlation methods
//                 1, 5, 202 and by the user-added methods)
// Aborts: those of the loaders, correlations, kernels and the user-added interface.
std::int32_t HVAPDR(std::int32_t n, double t, double p, std::span<const double> x, double& h,
                    double& cp, double& hw, double& cpw, double& z, std::int32_t option,
                    std::int32_t& status, std::int32_t& noComposition, double& residual);
std::int32_t HLIQDR(std::int32_t n, double t, double p, std::span<const double> x, double& h,
                    double& cp, double& hw, double& cpw, double& z, std::int32_t option,
                    std::int32_t& status, std::int32_t& noComposition, double& residual);

// HIDSET: enthalpy and heat capacity by the correlation enthalpy method 202 (per-component
// terms of HCORCS, the vapour residual of the correlation family CODE).
//   phase    in   1 vapour, otherwise liquid
//   d1, d2   in   digits of the driver's option word
//   x        in   composition (N); y out: its normalisation without water (N)
//   t, p     in   K, kPa
//   h, cp    out; hw, cpw out: pure water (0.0 without a water component)
//   code     in   the correlation-family code of the vapour residual (the drivers pass 217)
std::int32_t HIDSET(std::int32_t phase, std::int32_t d1, std::int32_t d2, std::span<const double> x,
                    std::int32_t n, std::span<double> y, double t, double p, double& h, double& cp,
                    double& hw, double& cpw, std::int32_t code);

// PAIRLP: the Redlich-Kister excess term of the second liquid models 419 (d = x_i - x_j) and
// 420 (d = (x_i - x_j)/(x_i + x_j)): r = sum_{i<j, x_i + x_j > 0} x_i x_j p(d)/T with
// p(d) = c1 + c2 d + ... + cM d^(M-1), c = A(i,j), A(j,i), B(i,j), B(j,i), C(i,j), C(j,i),
// D(i,j), D(j,i); the matrices N x N by columns ((i, j) at i + N (j - 1)), in kelvin.
double PAIRLP(std::int32_t n, std::int32_t m, double t, std::span<const double> x,
              std::span<const double> a, std::span<const double> b, std::span<const double> c,
              std::span<const double> d, std::int32_t code);

// The density-kernel adapters of the drivers: the departure of method 110 (WRAPA1 enthalpy,
// WRAPA2 entropy, through DN110) and of the corresponding-states methods 203, 204 and 211 to
// 214 (WRAPB1, WRAPB2, through DNCORS) at T, P of the normalised composition Y.
//   residual out  WRAPA1, WRAPB1: (H - H ideal)/(R T); WRAPA2, WRAPB2: the entropy departure
//   d        out  WRAPA1, WRAPB1: d(T residual)/dT when DERIVATIVE is 1, else 0
//   z        out  the compressibility factor of the phase
//   block    in   the method's real block; active in: per component, 0 = absent (110)
//   status   out  the kernel's failure word (DN110 root status, DNCORS failure)
void WRAPA1(double t, double p, std::span<const double> y, double& residual, double& d, double& z,
            std::span<const double> block, std::span<const std::int32_t> active, std::int32_t n,
            std::int32_t phase, std::int32_t derivative, std::int32_t& status);
void WRAPA2(double t, double p, std::span<const double> y, double& departure, double& z,
            std::span<const double> block, std::span<const std::int32_t> active, std::int32_t n,
            std::int32_t phase, std::int32_t& status);
void WRAPB1(double t, double p, std::span<const double> y, double& residual, double& d, double& z,
            std::span<const double> block, std::int32_t n, std::int32_t phase,
            std::int32_t derivative, std::int32_t debug, std::int32_t code, std::int32_t& status);
void WRAPB2(double t, double p, std::span<const double> y, double& departure, double& z,
            std::span<const double> block, std::int32_t n, std::int32_t phase, std::int32_t debug,
            std::int32_t code, std::int32_t& status);

// SVAPDR and SLIQDR: molar entropy of a vapour or a liquid (per mole of the whole phase,
// water included).
//   n, t, p, x  in
//   s, dsdt     out  kJ/(kmol K); DSDT is 0.0 on every built-in path. Vapour with a total
//                    below 1e-10: both DMISS
//   z           in/out  compressibility factor (start value and result)
//   opt8        in   option of the excess-energy mixing rules; callers pass 0
//   types       in   SLIQDR: component-type code of each component (N) for the ideal liquid
//   status      in/out  set to 1 (and 1 returned, S and DSDT DMISS) when a correlation set
//                    the evaluation needs is missing; otherwise not read or written
std::int32_t SVAPDR(std::int32_t n, double t, double p, std::span<const double> x, double& s,
                    double& dsdt, double& z, std::int32_t opt8, std::int32_t& status);
std::int32_t SLIQDR(std::int32_t n, double t, double p, std::span<const double> x, double& s,
                    double& dsdt, double& z, std::int32_t opt8, std::span<const std::int32_t> types,
                    std::int32_t& status);

// LNFGMT: the entropy departure of the correlation family 201, 215 to 218 with its pressure
// term, D = h - ln(phi) - ln(PP/101.325) (h - ln phi is 0 below a reduced pressure of 0.001).
//   phase in; pp in: P' (vapour) or P (liquid); y in: normalised composition; d out
//   block in: the method's real block; code in
void LNFGMT(std::int32_t n, std::int32_t phase, double t, double pp, std::span<const double> y,
            double& d, std::span<const double> block, std::int32_t code);

}  // namespace phase
