// Sour-water K-values: the K-values of water, ammonia, carbon dioxide and hydrogen sulphide
// of K-value methods 503 (six-species equilibria with correlated constants) and 510 (the
// electrolyte model of sour_water_equilibrium.hpp), which replace the values the method set's
// other rules gave those components.
//
// Units: T in K, P in kPa; the six-species model works in degrees Rankine, psia and mol/kg
// inside.
#pragma once

#include <cstdint>
#include <span>

#include "thermo/equilibrium/sour_water_equilibrium.hpp"

namespace equilibrium {

// K-value method codes served here.
enum class SourWaterMethod : std::int32_t { SixSpecies = 503, Electrolyte = 510 };

// Word of the current set's header (integer sector 1) whose value 1 lifts the water-content
// test of the sour-water K-values.
inline constexpr std::int32_t kSourForceWord = 15;

// The method-503 coefficient block read from the K-value block held in core (LDSTAT) from
// its sour-water part: integer words I(1..4) the problem components of ammonia, carbon
// dioxide, hydrogen sulphide and water (0: not in the problem), I(5..10) the activity flags
// written by each call; six arrays of four reals in that component order.
namespace sixspecies {
inline constexpr std::int32_t kComponents = 4;
inline constexpr std::int32_t kPlaces = 6;    // the four components and two empty places
inline constexpr std::int32_t kFlagWord = 4;  // flag of place k at I(kFlagWord + k)
// First slot (offset + 1) of each real array.
inline constexpr std::int32_t kSizeFactor = 0;        // a, of the virial terms
inline constexpr std::int32_t kMolarMass = 4;         // g/mol
inline constexpr std::int32_t kWaterVolume = 8;       // Vw; the water entry corrects water
inline constexpr std::int32_t kVolumeNumerator = 12;  // Vn of the liquid volume, m3/kmol
inline constexpr std::int32_t kCriticalT = 16;        // K
inline constexpr std::int32_t kVolumeBound = 20;      // upper bound of the liquid volume
inline constexpr std::int32_t kReals = 24;
}  // namespace sixspecies

// Six-species equilibria of ammonia (1), carbon dioxide (2), hydrogen sulphide (3) and
// water (4): speciates the liquid on the molality scale with correlated equilibrium
// constants (a charge balance solved for the pH by XEXTRP), forms the partial pressures
// from Henry constants and the water vapour pressure (water corrected by its Poynting and
// vapour non-ideality terms) and returns K = pk/(Sx PK x'k). Places 5 and 6 are empty
// species places: their molalities are 1e-15 whatever their flags. T below 273.15 K is
// taken as 273.15 K.
//   a, m, vw, vn    in   size factors, molar masses (g/mol), water-correction volumes and
//                        liquid-volume numerators (4 each, component order above)
//   active          in   flags of the six places, 1 for a component present
//   npass           in   1: K only; any other value: K and DK
//   pk              in   partial pressure of the four components, kPa
//   t               in   K
//   tc, vmax        in   critical temperatures (K) and liquid-volume bounds (4 each)
//   x, y            in   liquid and vapour fractions of the four components
//   k               out  K-values; 0.0 for an inactive place
//   dk              out  K(T + 1 K) - K(T), a one-kelvin forward difference (per kelvin);
//                        0.0 for an inactive place; written only when NPASS is not 1
// No messages: the iterations end at their caps with the last values.
void EQK6SP(std::span<const double> a, std::span<const double> m, std::span<const double> vw,
            std::span<const double> vn, std::span<const std::int32_t> active, std::int32_t npass,
            double pk, double t, std::span<const double> tc, std::span<const double> vmax,
            std::span<const double> x, std::span<const double> y, std::span<double> k,
            std::span<double> dk);

// The sour-water K-values of the components of X, Y: called after the method set's other
// rules have given K of all components, with the K-value block held in core and the integer
// and real starts of LDSTAT advanced to the block's sour-water part. Writes K (and DKDT when
// KDERIV is 1) of the key components the model covers; every other component keeps its
// value. A liquid that does not look like sour water, or a vapour without any of the key
// components, leaves K untouched.
//   ncomp   in      component count of X, Y, K and DKDT
//   t, p    in      K, kPa
//   phstrt  in      a start pH; not read
//   x, y    in      liquid and vapour mole fractions
//   k       in/out  K-values
//   kcode   in      K-value method code: 510 the electrolyte model, any other the 503 path
//   dkdt    out     dK/dT (1/K), written only when KDERIV is 1
//   kderiv  in      1: derivatives wanted
// Aborts: "KC" "SWGATH"/"SWPOST" "SOUR WATER COMPONENT INVALID" (items MOLECULE, INDEX or
// COMP) when the block names a component outside 1..NCOMP or a table place outside 1..20;
// "KC" "SWSPEC" "SOUR WATER BLOCK INVALID" for a 510 block of an impossible size; those of
// the electrolyte model (messages 1990111203 and 1990020004).
void KCSOUR(std::int32_t ncomp, double t, double p, double phstrt, std::span<const double> x,
            std::span<const double> y, std::span<double> k, std::int32_t kcode,
            std::span<double> dkdt, std::int32_t kderiv);

// Method 510: gathers the model molecules' fractions, tests that the liquid is sour water,
// normalises, calls SWKVAL and scatters R Km, R = Sy/Sx, to the problem components.
//   arguments as KCSOUR
void SWGATH(std::int32_t ncomp, double t, double p, std::span<const double> x,
            std::span<const double> y, std::span<double> k, std::span<double> dkdt,
            std::int32_t kderiv);

// Method 510, the model K-values of the N molecules of BLOCK from the gathered fractions in
// WORK (liquid and vapour): pass 1 at T and, when KDERIV is 1, pass 2 at T + 0.1 K, each
// running the electrolyte model at P:
//   Km = H0 gamma Poy m/(phi P x), ammonia's times exp(0.39 S - 0.131 S^2);
// a molecule with x exactly 0.0 gets Km = 1.0 and a derivative 0.0.
//   t       in      K
//   patm    in      partial pressure of the model molecules, atm
//   kderiv  in      1: derivatives wanted
//   work    in/out  the model's scratch
//   km      out     model K-values (N)
//   dkm     out     (Km(T + 0.1) - Km(T)) * 10, 1/K (N); written only when KDERIV is 1
void SWKVAL(const SourWaterBlock& block, double t, double patm, std::int32_t kderiv,
            SourWaterWork& work, std::span<double> km, std::span<double> dkm);

// Method 503: gathers the four key components, tests that the liquid is sour water, calls
// EQK6SP at the key partial pressure Sy P and scatters R K, R = Sy/Sx.
//   arguments as KCSOUR
void SWPOST(std::int32_t ncomp, double t, double p, std::span<const double> x,
            std::span<const double> y, std::span<double> k, std::span<double> dkdt,
            std::int32_t kderiv);

}  // namespace equilibrium
