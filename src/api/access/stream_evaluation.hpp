// The bookkeeping and mixture constants of the on-demand stream property evaluation: the
// evaluated flags of a phase's property vector, and the mixture constants (molecular
// weight, pseudo-critical values, acentric factor, standard liquid density) of a phase from
// its water-free composition.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace api_access {

// Length of a phase property vector.
inline constexpr std::int32_t kPhaseProperties = 40;
using PhaseVector = std::array<double, kPhaseProperties>;  // position p at index p - 1

// Positions of a phase property vector.
namespace phaseprop {
inline constexpr std::int32_t kMolecularWeight = 5;
inline constexpr std::int32_t kCriticalTemperature = 6;
inline constexpr std::int32_t kCriticalPressure = 7;
inline constexpr std::int32_t kCriticalVolume = 8;
inline constexpr std::int32_t kCriticalCompressibility = 9;
inline constexpr std::int32_t kAcentricFactor = 10;
inline constexpr std::int32_t kStandardDensity = 11;
inline constexpr std::int32_t kDensity = 12;
inline constexpr std::int32_t kThermalConductivity = 13;
inline constexpr std::int32_t kViscosity = 14;
inline constexpr std::int32_t kSurfaceTension = 15;
}  // namespace phaseprop

// The evaluated flags of one phase: four words, one decimal digit per position. Position p
// lies in word p / 10 + 1 at digit p mod 10 (1 = units), a position ending in 0 in word
// p / 10 at digit 10. Digit 0: not evaluated; 1: evaluated.
using PhaseFlags = std::array<std::int32_t, 4>;

// SRPDEC: true when position IPROP (1 to 40) of FLAGS is not evaluated. A position outside
// 1..40 counts as not evaluated.
bool SRPDEC(const PhaseFlags& flags, std::int32_t iprop);

// SRPPOS: marks position IPROP (1 to 40) of FLAGS evaluated; outside 1..40 nothing changes.
void SRPPOS(PhaseFlags& flags, std::int32_t iprop);

// SRPREL: the mixture constants of a phase.
//   iwater  in   the method set's water component (stored position), 0 when it has none
//   x       in   the phase's water-free mole fractions by stored position
//   rate    in   the phase amount; rwater in: its water amount (same unit)
//   wet     out  positions 5 to 11 for the phase with its water
//   dry     out  positions 5 to 11 for the phase without water
//   flags   in/out  positions 5 to 11 marked evaluated
//   ierr    out  0 (no failure is reported: a constant that is missing makes its value
//                DMISS)
// Each sum takes the components with a positive fraction; a component whose constant is
// missing (not above RMISS) makes that value DMISS. Position 11, the standard liquid density
// MW / sum(x MW / SG), is a specific gravity of the component table converted with class 21
// to unit set 1. The wet values mix each dry value with the water component's own constant
// by the water fraction RWATER / RATE (the density through the mixed molar volume); a
// missing dry value leaves its wet position as it was.
void SRPREL(std::int32_t iwater, std::span<const double> x, double rate, double rwater,
            PhaseVector& wet, PhaseVector& dry, PhaseFlags& flags, std::int32_t& ierr);

}  // namespace api_access
