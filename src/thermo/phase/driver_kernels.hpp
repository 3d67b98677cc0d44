// Private helpers of the phase enthalpy and entropy drivers: the flash work arrays they read
// and write, their kept scratch, the non-water normalisation, the water term and the
// residual kernels of every method family. Not part of the subsystem's interface.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "services/services.hpp"

namespace phase::drivers {

// Flash work arrays (FWPART real arrays) of the drivers.
inline constexpr std::int32_t kLiquidComposition = 3;
inline constexpr std::int32_t kVapourComposition = 4;
inline constexpr std::int32_t kVapourPartials = 22;
inline constexpr std::int32_t kLiquidPartials = 23;
inline constexpr std::int32_t kPartialResiduals = 50;

// Threshold of the presence counts and of the water term of the vapour.
inline constexpr double kPresent = 1.0e-10;

// Slots of the drivers in the timing statistics TIMST2 (calls and seconds).
inline constexpr std::size_t kTimingSlotHVAPDR = 11;
inline constexpr std::size_t kTimingSlotHLIQDR = 12;
inline constexpr std::size_t kTimingSlotSVAPDR = 13;
inline constexpr std::size_t kTimingSlotSLIQDR = 14;
inline constexpr std::size_t kTimingSlotDVAPDR = 15;
inline constexpr std::size_t kTimingSlotDLIQDR = 16;

// A driver's call counted and timed in its slot.
using DriverTimer = services::RoutineTimer;

// The array K (first N values) copied into a kept scratch; written back by storeFlash.
std::span<double> loadFlash(std::int32_t k, std::size_t n, std::size_t slot,
                            std::string_view routine);
void storeFlash(std::int32_t k, std::span<const double> v, std::string_view routine);

// Kept scratch of N doubles or integers, index SLOT (several live at once). The drivers own
// slots 0 to 39; a warm call allocates nothing.
std::span<double> reals(std::size_t slot, std::size_t n);
std::span<std::int32_t> integers(std::size_t slot, std::size_t n);

// The held block's first real sector (its length) and first integer sector, copied.
std::span<const double> blockReals(std::string_view routine);
std::span<const std::int32_t> blockIntegers();

// The normalisation of every driver: Y = X / S' without the water component IW (a copy of X
// when S' <= 0), ACTIVE the presence counts above 1e-10, F and S; P' = F P goes to PHDRWD.
struct Normalised {
  double fraction = 0.0;   // F
  double total = 0.0;      // S
  std::int32_t water = 0;  // IW, 0 none
};
Normalised normalise(std::span<const double> x, std::span<double> y, std::span<std::int32_t> active,
                     double p);

// WPROP of the water component of the set: property KIND (2 enthalpy, 3 entropy, 1 volume)
// of PHASE at T, P with the partial pressure PP.
void waterProperty(std::int32_t kind, std::int32_t phase, double t, double p, double pp,
                   double& value, double& slope);

// The residual kernels of the method families.
struct ResidualCall {
  std::int32_t code = 0;
  std::int32_t phase = 1;  // 1 vapour, 2 liquid
  std::int32_t level = 2;  // 2 values, 3 adds the heat capacity, 4 the composition terms
  bool entropy = false;    // the entropy departure is asked for (else the enthalpy residual)
  std::int32_t nc = 0;
  double t = 0.0;
  double p = 0.0;             // the pressure the method sees (P' or P)
  double totalP = 0.0;        // the total pressure (correlation family)
  std::span<const double> y;  // normalised composition, the water left out
  std::span<const std::int32_t> active;
  std::string_view routine;
};
struct Residual {
  double hr = 0.0;  // (H - H ideal)/(R T)
  double d = 0.0;   // d(T hr)/dT
  double sr = 0.0;  // entropy departure over R (ideal gas at 101.325 kPa)
  bool hasZ = false;
  double z = 1.0;
  bool partials = false;  // array 50 was written
  bool failed = false;    // the method gave no usable departure (no root, not finite)
};
// Serves CALL by its code and returns true. The cubic codes go through the fugacity routines'
// cubic route and share its term cache; a code that no kernel serves (no mixing rule, or 115
// and 123 in the liquid) is the ideal gas: hr = D = 0, Z = 1, sr = -ln(P/101.325). A kernel
// whose root or departure is not usable (a cubic without a root, a departure or Z that is not
// finite) sets FAILED; the drivers then fail instead of using it.
bool residual(const ResidualCall& call, Residual& out);

}  // namespace phase::drivers
