// Marker values shared by every subsystem.
#pragma once

#include <cstdint>

namespace services {

// A core pointer or slot that is not set.
inline constexpr std::int32_t NOCORE = 2111111111;
// A missing integer.
inline constexpr std::int32_t IMISS = -2111111111;
// A missing real: values below it pass unit conversion unchanged.
inline constexpr double RMISS = -1.0e35;
// The fill of new real arrays.
inline constexpr double DMISS = -1.5e35;
// A disk address that names no block.
inline constexpr std::int32_t NODISK = 990000000;

}  // namespace services
