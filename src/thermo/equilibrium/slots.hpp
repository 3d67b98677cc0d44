// Calls from the K-value engine to the layers above it: the user-added K-value methods
// (thermo/phase) and the liquid-liquid split of the flash engine. Each slot is filled by the
// installSlots() of the layer that serves it, which the library's start calls. Neither has a
// harmless empty answer (a user method that never answers would pass for Wilson estimates,
// a missing split for a liquid that does not split), so an empty slot ends the run through
// the abort report; a test that wants another answer fills the slot for its own scope.
#pragma once

#include <cstdint>
#include <span>

namespace equilibrium {

// ---------------------------------------------------------------------------------------
// User-added K-value methods (codes 901 to 915)
// ---------------------------------------------------------------------------------------

// One K-value request of a user-added method.
struct UserKValueRequest {
  std::int32_t code = 0;      // 901 to 915
  std::int32_t level = 1;     // 1 vapour-liquid, 2 liquid-liquid (y is then liquid 1)
  std::int32_t rigorous = 0;  // digit 1 of KCOPT
  std::int32_t ncomp = 0;
  std::span<const double> y, x;  // vapour and liquid mole fractions
  double t = 0.0;                // K
  double p = 0.0;                // kPa
  std::int32_t derivatives = 0;  // units digit of KCDRV
  std::int32_t composition = 0;  // 1: composition derivatives asked for
};

// Fills K and dK/dT (NCOMP values each) and the two compressibility factors; returns the
// user interface's return flag (nonzero: the method answered).
using UserKValues = std::int32_t (*)(const UserKValueRequest& request, std::span<double> k,
                                     std::span<double> dkdt, double& zl, double& zv);
// Fills the slot (nullptr empties it); returns the routine it held.
UserKValues fillUserKValues(UserKValues routine);
// The filled routine's answer (0: the method did not answer, nothing written). Aborts ("KC",
// "KCPAIR") "USER-ADDED METHODS ARE NOT AVAILABLE" (item CODE) when the slot is empty.
std::int32_t callUserKValues(const UserKValueRequest& request, std::span<double> k,
                             std::span<double> dkdt, double& zl, double& zv);

// ---------------------------------------------------------------------------------------
// Liquid-liquid split
// ---------------------------------------------------------------------------------------

// The split of a liquid X' (NCOMP values) at T and P into liquid 1 and liquid 2: the
// isothermal flash's liquid-liquid split (three-phase state: its three-phase variant). THETA
// comes in as the stored fraction of liquid 1 and goes out as the new one (0 or below: no
// split); STATUS is the split's own status cell, never the caller's fugacity status.
struct LiquidSplitRequest {
  std::span<const std::int32_t> flags;  // phase-type flags
  std::int32_t key1 = 0;                // key components (0: none)
  std::int32_t key2 = 0;
  std::int32_t water = 0;        // the set's water component
  std::int32_t usable = 0;       // 1: the stored split may start the search
  std::int32_t methodClass = 0;  // 0 equation of state, 1 activity, 2 user, 3 none
  std::int32_t ncomp = 0;
  std::int32_t nck = 0;
  std::int32_t debug = 0;
  std::int32_t unit = 0;
  double p = 0.0;  // kPa
  double t = 0.0;  // K
  std::span<const double> x, y;
  bool threePhase = false;  // the three-phase flash is running: its own split variant
};
struct LiquidSplitResult {
  std::span<double> x1, x2;  // NCOMP each, in: the stored split; out: the new one
  double theta = 0.0;        // in/out
  double za = 1.0, zb = 1.0;
  std::int32_t status = 0;
};
using LiquidSplit = void (*)(const LiquidSplitRequest& request, LiquidSplitResult& result);
// Fills the slot (nullptr empties it); returns the routine it held.
LiquidSplit fillLiquidSplit(LiquidSplit routine);
// The filled split. Aborts ("KC", "KCVLLE") "LIQUID-LIQUID SPLIT IS NOT AVAILABLE" when the
// slot is empty.
void callLiquidSplit(const LiquidSplitRequest& request, LiquidSplitResult& result);

}  // namespace equilibrium
