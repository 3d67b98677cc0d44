// Transport properties of a phase: viscosity, thermal conductivity and surface tension.
//
// Conventions of this header:
// - Internal units: T in K, P in kPa, molar density in kmol/m3, molar mass in kg/kmol;
//   viscosity in Pa s, thermal conductivity in W/(m K), surface tension in N/m.
// - Compositions are spans of mole fractions, component i (1-based) at x[i - 1]. Mixture
//   routines loop over the vapour-side component count of the component header (NCP) or the
//   liquid-side count (NCL), as each routine says.
// - Component data: molar mass, standard liquid specific gravity d (1000 d is taken as kg/m3),
//   normal boiling point, Tc, Pc, Vc, Zc, acentric factor and the component class code (above
//   199: a missing library value is filled from the built-in correlations).
// - Statuses of the method drivers: 0 done, 1 evaluation failed, 2 method not available for
//   the property (result 0).
// - A value that cannot be computed is DMISS (-1.5E35).
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace phase {

// =======================================================================================
// Codes
// =======================================================================================

// Property codes (TRPCOD), read as 1PX: P 1 vapour, 2 liquid; X 1 conductivity, 2 viscosity,
// 3 surface tension.
enum class TransportProperty : std::int32_t {
  VapourConductivity = 1121,
  VapourViscosity = 1122,
  LiquidConductivity = 1221,
  LiquidViscosity = 1222,
  SurfaceTension = 1223,
};

// Water-split codes (WTSCOD).
enum class WaterSplit : std::int32_t {
  NoFlow = 0,  // the composition sums to zero or less
  AllWater = 1,
  Mixed = 2,           // water and hydrocarbon
  BelowThreshold = 3,  // water below 1E-10: treated as water-free
  NoWaterComponent = 4,
};

// Method statuses.
inline constexpr std::int32_t kTransportFailed = 1;
inline constexpr std::int32_t kMethodNotAvailable = 2;

// Messages of the per-component sample route (statuses 1, 2 and 3 of its routines).
inline constexpr std::int32_t kMessageSampleNote = 30001271;
inline constexpr std::int32_t kMessageSampleWarning = 1030001272;
inline constexpr std::int32_t kMessageSampleStop = 1990001273;

// =======================================================================================
// Built-in correlations
// =======================================================================================

// Gas molar density (kmol/m3) from the Soave-Redlich-Kwong form with the critical constants
// (K, kPa), solved by Newton from Z = 1 (CUBRTS, largest root).
double TRVGC1(double tc, double pc, double t, double p);

// Pure-gas viscosity (Pa s): low-pressure term and the Stiel-Thodos dense-gas correction at
// molar density RHO (reduced density rho Vc, at most 2.8).
double TRVVC1(double t, double tc, double pc, double vc, double m, double rho);

// Pure-gas thermal conductivity (W/(m K)), Stiel-Thodos dense-gas correction.
double TRCVC1(double t, double m, double tc, double pc, double vc, double rho);

// Gas-mixture viscosity and conductivity (method 2) from Kay pseudo-critical constants over
// the vapour-side count; all four pseudo-critical values 1.0 when sum(y Vc) <= 0. IERR is
// not changed.
double TRVVMX(double t, double p, std::span<const double> y, std::int32_t& ierr);
double TRCVMX(double t, double p, std::span<const double> y, std::int32_t& ierr);

// Pure-liquid thermal conductivity (Sato-Riedel with a pressure factor); DMISS when Tb > Tc.
double TRCLC1(double t, double p, double tb, double tc, double pc, double m);

// Liquid-mixture thermal conductivity (method 2); IERR set to 0. An empty composition
// takes Tb 400 K, Tc 500 K, Pc 2000 kPa, M 30.
double TRCLMX(double t, double p, std::span<const double> x, std::int32_t& ierr);

// Pure-liquid surface tension (N/m) from the Watson factor K; Tr at most 0.99999.
double TRCOR1(double t, double tc, double k);

// Liquid-mixture surface tension (method 2); K 12 and Tc 500 K for an empty composition.
double TRSTB1(double t, double p, std::span<const double> x, std::int32_t& ierr);

// Vapour molar density by the method-124 equation of state of the current set's vapour
// density entry: only when that entry's code is 124 (else RHO and IERR unchanged). RHO
// DMISS and IERR 1 when no density comes out.
void TRCORS(std::int32_t n, double t, double p, std::span<const double> y, double& rho,
            std::int32_t& ierr);

// Dense-gas or liquid mixture viscosity (Pa s) of method 124 (Stiel-Thodos dilute gas,
// Jossi-Stiel-Thodos dense correction) at molar density RHO. IERR is not changed.
double TRJSTV(std::int32_t n, std::span<const double> tc, std::span<const double> pc,
              std::span<const double> vc, std::span<const double> m, double rho,
              std::span<const double> y, double t, std::int32_t& ierr);

// Surface tension (N/m) by parachors (Macleod-Sugden) of method 124. Missing parachors
// (below -1E35) are estimated and written into PARA; a missing exponent becomes 4.0.
double TRSTMX(std::int32_t nl, std::int32_t nv, std::span<const double> tc,
              std::span<const double> vc, std::span<const double> m, double rhoL, double rhoV,
              std::span<const double> x, std::span<const double> y, std::span<double> para,
              double& expo, std::int32_t& ierr);

// =======================================================================================
// Water and steam fits; T clamped to the fit's range (223.2 K to 621.4 K for liquid water,
// to 1273 K for steam)
// =======================================================================================

double TRPOL1(double t);  // liquid water surface tension, N/m
double TREXP1(double t);  // liquid water viscosity, Pa s
double TRPOL2(double t);  // liquid water thermal conductivity, W/(m K)
double TRPOL3(double t);  // steam viscosity, Pa s
double TRPOL4(double t);  // steam thermal conductivity, W/(m K)

// =======================================================================================
// Liquid viscosity methods
// =======================================================================================

// Liquid viscosity (Pa s) of the pseudo-critical petroleum correlation: Letsou-Stiel near
// the critical point, ln(mu) linear in 1/T above the boiling point, a generalized
// low-temperature form below it, and the Kouzel pressure correction.
//   m, tc (K), pc (kPa), t (K), omega, tb (K), rho (kg/m3), p (kPa), alpha (Riedel factor)
double TRLSTV(double m, double tc, double pc, double t, double omega, double tb, double rho,
              double p, double alpha);

// TRLSTV with Kay mixture constants (method 2, 147-149); IERR is not changed.
double TRLIQV(double t, double p, std::span<const double> x, std::int32_t& ierr);

// Modes of PETVIS: the kinematic viscosities at 100 F and 210 F from the
// characterisation-factor curves (5) or the n-alkane reference (4).
enum class PetroleumCurves : std::int32_t { Reference = 4, CharacterisationFactor = 5 };

// Kinematic viscosities at 100 F and 210 F (cSt) of PETVIS steps 1 and 2.
struct ReferenceViscosities {
  double at100F = 0.0;
  double at210F = 0.0;
};
ReferenceViscosities petroleumReferenceViscosities(std::int32_t mode, double tbRankine, double sg);

// The Walther (ASTM D341) line through NU100 and NU210 (cSt) evaluated at T (Rankine); cSt.
double waltherViscosity(double nu100, double nu210, double tRankine);

// Petroleum-fraction liquid viscosity (Pa s): kinematic viscosities at 100 F and 210 F by
// MODE, the Walther line to T, times the density RHO (kg/m3), with the Kouzel correction.
//   mode, tb (K), sg, t (K), tc (K), p (kPa), pc (kPa), alpha, rho (kg/m3); the trace
//   arguments are not read
double PETVIS(std::int32_t mode, double tb, double sg, double t, double tc, double p, double pc,
              double alpha, double rho);

// PETVIS of the mixture (methods 3 and 4: OPTION 1 and 2).
double TRPETM(double t, double p, std::span<const double> x, std::int32_t option,
              std::int32_t& ierr);

// Liquid water viscosity of method 5 (Pa s) and its temperature derivative, extrapolated
// outside 223.15 K to 621.436 K from the bound; floored at 1E-10.
void TRWATV(double t, double& result, double& dresult);

// Kinematic viscosity from the inspection-property store times the molar density and the
// molar mass (method 8), over the liquid-side count. IERR 1 when the store, its entry or the
// blend is not available.
double TRKINV(double t, double p, std::span<const double> x, std::int32_t& ierr);

// (sum x mu^(1/3))^3 over N components.
double TRKMMX(std::span<const double> x, std::span<const double> mu, std::int32_t n);

// Lagrange interpolation of degree ORDER in a table of N points (N < 0: descending, made
// positive in the caller's variable); a point equal to a table abscissa (RELCMP) returns
// its value exactly; N < 2 returns YTAB(1).
double TBSRCH(std::span<const double> xtab, std::span<const double> ytab, double x,
              std::int32_t order, std::int32_t& n);

// The emulsion factor F of water volume fraction PHI from the built-in table OPTION (0-2;
// another option leaves F 0) or a user table (TRTABW); above the inversion fraction INV
// (below -1E35: 0.72) F = 1 and FLAG = 1 (water-continuous). IERR 1 when F <= 0.
void TRTABV(double phi, double inv, double& f, std::int32_t option, std::int32_t& flag,
            std::int32_t& ierr);
void TRTABW(std::int32_t np, std::span<const double> xtab, std::span<const double> ytab, double phi,
            double inv, double& f, std::int32_t& flag, std::int32_t& ierr);

// The built-in emulsion tables: water volume fractions and the factors of options 0-2.
inline constexpr std::size_t kEmulsionPoints = 10;
extern const std::array<double, kEmulsionPoints> kEmulsionFractions;
extern const std::array<std::array<double, kEmulsionPoints>, 3> kEmulsionFactors;

// The liquid-viscosity method block into the shared block area (the loader twin of the
// property blocks); returns true when the entry names a block.
bool TRWKAR();

// Liquid viscosity of the water-free liquid by the method code.
//   t, p       in   K, kPa
//   xhc        in   water-free liquid composition
//   xl         in   liquid composition with water
//   f, flag    out  emulsion factor and water-continuous flag (methods 147-152)
//   result     out  Pa s (0 at entry)
//   method     in   the liquid-viscosity method code
//   iwat       in   the free-water component index (0 none)
//   ierr       out  0, 1 failed, 2 not available
void PMDISP(double t, double p, std::span<const double> xhc, std::span<const double> xl, double& f,
            std::int32_t& flag, double& result, std::int32_t method, std::int32_t iwat,
            std::int32_t& ierr);

// =======================================================================================
// Transport methods by property
// =======================================================================================

// The drivers of the other four properties: RESULT and IERR 0 at entry.
//   TRCNDV, TRVISV: T, hydrocarbon partial pressure, water-free vapour composition
//   TRCNDL: liquid composition; TRSURF: liquid and vapour compositions
void TRCNDV(double t, double p, std::span<const double> y, double& result, std::int32_t method,
            std::int32_t& ierr);
void TRVISV(double t, double p, std::span<const double> y, double& result, std::int32_t method,
            std::int32_t& ierr);
void TRCNDL(double t, double p, std::span<const double> x, double& result, std::int32_t method,
            std::int32_t& ierr);
void TRSURF(double t, double p, std::span<const double> x, std::span<const double> y,
            double& result, std::int32_t method, std::int32_t& ierr);

// The phase as PHTRNS hands it on: the compositions and amounts of the evaluation.
struct PhaseAmounts {
  std::span<const double> xvhc;  // water-free vapour composition
  std::span<double> xlhc;        // water-free liquid composition (rewritten for code 4)
  std::span<const double> xv;    // vapour composition
  std::span<double> xl;          // liquid composition (scaled and restored, 147-152)
  double total = 0.0;            // hydrocarbon + water amount
  double water = 0.0;
  double liquid = 0.0;     // LF: liquid amount of the phase
  double freeWater = 0.0;  // WF: free-water amount of the phase
};

// The results of PHTRNS: hydrocarbon part, whole phase, water part.
struct TransportParts {
  double hydrocarbon = 0.0;
  double mixture = 0.0;
  double water = 0.0;
};

// The per-component sample route of methods 770-774 (its routines SMP770 to SMP774 return
// fixed values); status 1 and 2 print a message, 3 prints one and stops the run.
void TRCMPR(std::int32_t kprop, std::int32_t iwat, std::int32_t n, std::int32_t method, double t,
            double p, const PhaseAmounts& phase, TransportParts& parts, std::int32_t& ierr);

// =======================================================================================
// Water split and transport property by code
// =======================================================================================

// Splits composition X (N values) with amount FLOW into a water-free composition XHC, the
// hydrocarbon and water amounts and the split code. NRMOPT 0: X counts as normalised.
void WTSPLT(std::int32_t iwat, std::int32_t nrmopt, std::span<const double> x, double flow,
            std::span<double> xhc, double& hcflow, double& wflow, std::int32_t& isplit,
            std::int32_t n);

// As WTSPLT with a free-water amount FWAT that belongs to the phase but is not in X.
void WTSPL2(std::int32_t iwat, std::int32_t nrmopt, std::span<const double> x, double flow,
            double fwat, std::span<double> xhc, double& hcflow, double& wflow, std::int32_t& isplit,
            std::int32_t n);

// One transport property of a phase by property code: the hydrocarbon part by the set's
// method, the water part by the water fit, the whole phase by the property's blend.
//   kprop   in      TransportProperty
//   isplit  in      the water-split code
//   iwat    in/out  the free-water component index (changed and restored during a liquid
//                   viscosity of methods 147-152 with split code 4)
//   method  in      the property's method code
//   t, p    in      K, kPa
//   phase   in/out  compositions and amounts
//   parts   out     hydrocarbon, whole-phase and water values
//   ierr    out     0; 1 property code not one of the five (all three 0); 2 method not
//                   available (all three 0); the method's 1
void PHTRNS(std::int32_t kprop, std::int32_t isplit, std::int32_t& iwat, std::int32_t method,
            double t, double p, PhaseAmounts& phase, TransportParts& parts, std::int32_t& ierr);

// =======================================================================================
// Phase properties of a stream vector
// =======================================================================================

// Kinds of PHTRAN (PHTKND).
enum class VectorKind : std::int32_t {
  VapourPressures = 1,     // NC values, class 4
  IdealGasEnthalpies = 2,  // correlation type 110, NC values, class 28
  AllTransport = 3,
  Conductivity = 4,
  Viscosity = 5,
  SurfaceTension = 6,
};

// Slots of the five transport results.
inline constexpr std::size_t kTransportResults = 5;

// Properties of the composition of stream vector STRVEC (single precision, unit set 5:
// word 1 rate, 2 temperature, 3 pressure, 11 on the component amounts) as one phase.
//   kind     in   VectorKind
//   phase    in   1 vapour, 2 liquid (kind 6: always liquid)
//   results  out  NC values (kinds 1, 2) or the five transport slots (1 surface tension, 2
//                 liquid viscosity, 3 liquid conductivity, 4 vapour viscosity, 5 vapour
//                 conductivity; 0 for slots not computed), unit set 5
//   ierr     out  3 rate not positive, 2 kind outside 1-6, 1 phase not 1 or 2 (in this
//                 order; RESULTS untouched); else the status of the last evaluation
// The temporary stream is deleted and the stream and method set current at entry are
// current again on every way out.
void PHTRAN(std::int32_t kind, std::int32_t phase, std::span<float> results,
            std::span<const float> strvec, std::int32_t& ierr);

// The seven values of PHPEVL: vapour (hydrocarbon, whole, water), liquid with the free water
// (hydrocarbon, whole, water) and the whole liquid without the free water.
struct PhaseTransport {
  std::array<double, 7> values{};
};

// Transport properties of the vapour (KVAP 1121 or 1122; 0 none) and of the liquid (KLIQ
// 1221, 1222 or 1223; 0 none) of stream ISTRM.
//   ifwopt  in   nonzero: R7 without the free water
//   iwhole  in   nonzero: the total composition as one vapour and one liquid
//   r       out  R1..R7, DMISS when not evaluated
//   ierr    out  0; 10 no vapour flow; 20 vapour code not a vapour property; +1 no liquid
//                flow; +2 liquid code not a liquid property; the method statuses
// The stream of pointer set 1 and the method set current at entry are current again after.
void PHPEVL(std::int32_t istrm, std::int32_t ifwopt, std::int32_t iwhole, std::int32_t kvap,
            std::int32_t kliq, PhaseTransport& r, std::int32_t& ierr);

}  // namespace phase
