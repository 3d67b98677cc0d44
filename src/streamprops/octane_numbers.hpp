// Octane numbers of a blend (research, inspection property 45; motor, 46) by the group
// interaction model: each component carries its octane number and its split into olefins,
// aromatics and saturates, and every pair of components contributes a blending term that
// depends on the group interaction coefficients.
#pragma once

#include <cstdint>
#include <span>

namespace streamprops {

inline constexpr std::int32_t kResearchOctane = 45;
inline constexpr std::int32_t kMotorOctane = 46;
inline constexpr std::size_t kOctaneGroups = 3;  // olefins, aromatics, saturates

// Group fractions of N components, column per group: G(i, g) at g * N + i (0-based).
struct GroupFractions {
  std::span<double> g;
  std::size_t n = 0;
  double& at(std::size_t i, std::size_t group) { return g[group * n + i]; }
  double at(std::size_t i, std::size_t group) const { return g[group * n + i]; }
};

// The interaction model over given volume fractions and group fractions.
//   iprop   in   45 research, otherwise motor
//   x       in   the composition basis vector (reported only)
//   v       in   liquid-volume fractions
//   on      in   octane numbers of the components
//   groups  in   normalised group fractions
//   debug   in   debug level; its tables go to the report unit
//   value   out  the octane number of the blend
// With no interaction the result is the volume average of the octane numbers.
void RONSSI(std::int32_t iprop, std::span<const double> x, std::span<const double> v,
            std::span<const double> on, const GroupFractions& groups, std::int32_t debug,
            double& value);

// Adds inspection property IPROP of the loaded type-1 store into column COLUMN of G for all
// N components. IERR: that of SPCMPV, or -3 when the entry's blend basis is not liquid
// volume (nothing added then).
void RONLD2(std::int32_t debug, std::int32_t iprop, std::size_t column, GroupFractions& groups,
            std::int32_t& ierr);

// The group fractions of the current method set's store: olefins (21-23), aromatics (14,
// or 8-13 when 14 fails), saturates (15 and 20, or 15 and 16-19 when 20 fails); each
// component's fractions divided by their sum when it is positive. All zero without a store.
void RONLD1(std::int32_t debug, GroupFractions& groups);

// The octane number of the composition X with the per-component octane numbers V (the
// store's values of property IPROP). VALUE 0.0 when the composition has no liquid volume
// (reported to the report unit when the special-property switch is positive) and when the
// component table holds no molecular weights or gravities in core.
void RONSIM(std::int32_t iprop, std::int32_t basis, std::span<const double> x,
            std::span<const double> v, double& value);

}  // namespace streamprops
