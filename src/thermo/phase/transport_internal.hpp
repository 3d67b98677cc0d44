// What the transport routines share: the component counts and constants they read, and the
// scratch arrays they keep between calls. Private to the phase-property layer.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "problem/component_data.hpp"

namespace phase::transport {

using problem::ComponentReal;

// Component counts of the component header.
std::int32_t componentCount();  // NCOMP
std::int32_t streamCount();     // NCS: length of the stream composition vectors
std::int32_t vapourCount();     // NCP
std::int32_t liquidCount();     // NCL

// Constant SECTOR of component I (1-based); RMISS when not in core.
double constant(ComponentReal sector, std::int32_t i);
// The component class code (integer sector 3) and library number (integer sector 1); IMISS
// when not in core.
std::int32_t classCode(std::int32_t i);
std::int32_t libraryNumber(std::int32_t i);

// The class codes above this take built-in values where the library gives none.
inline constexpr std::int32_t kBuiltInClass = 199;
// The library number of water.
inline constexpr std::int32_t kWaterLibraryNumber = 16020200;

// A scratch array of N values kept between calls (grown, never shrunk), so that a warm call
// allocates nothing. WHICH names one of the arrays.
enum class Scratch : std::size_t {
  Values,       // per-component values of a driver
  Derivatives,  // their derivatives
  VapourFree,   // water-free vapour composition of PHPEVL
  LiquidFree,   // water-free liquid composition of PHPEVL
  Vapour,       // vapour composition of PHPEVL
  Liquid,       // liquid composition of PHPEVL
  Total,        // total composition of PHPEVL
  Work1,        // working arrays of the methods
  Work2,
  Work3,
  Work4,
  Count
};
std::span<double> scratch(Scratch which, std::size_t n);

// The single-precision value of X, the constant the methods were fitted with.
inline double single(double x) { return static_cast<double>(static_cast<float>(x)); }

// X as a single-precision result; magnitudes beyond the single range become its largest.
inline float toSingle(double x) {
  constexpr double kLargest = std::numeric_limits<float>::max();
  return static_cast<float>(std::isnan(x) ? x : std::clamp(x, -kLargest, kLargest));
}

}  // namespace phase::transport
