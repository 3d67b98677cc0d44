// The calls of the phase-property layer into the layers above it: the special-property
// store of the stream-property layer (per-component kinematic viscosities for liquid
// viscosity method 8), the blend of those viscosities, and the single-precision water
// properties of the flash and property calls. The layer that answers fills each slot when
// the library starts; an empty slot reports failure.
#pragma once

#include <cstdint>
#include <span>

namespace phase {

// Fills the slots of the layers below that the user-added methods serve: the set-up query
// of the method sets and the K-values of the K-value engine (thermo/phase/user_methods.cpp).
// The library's start calls it after the installs of the layers below.
void installSlots();

// ---------------------------------------------------------------------------------------
// The special-property store (filled by the stream-property layer)
// ---------------------------------------------------------------------------------------

// Store types.
inline constexpr std::int32_t kInspectionStore = 1;  // inspection properties 1-89
inline constexpr std::int32_t kUserStore = 2;        // user special properties

// The blending data of one property of a store, as SPCMPV returns them.
struct StoreEntry {
  std::int32_t basis = 0;   // 1 mole, 2 weight, other liquid volume
  std::int32_t flag = 0;    // 0 when the method is 372, else 1
  std::int32_t method = 0;  // blend method code 371-387
  double r1 = 0.0;          // the two blend parameters
  double r2 = 0.0;
  std::int32_t values1 = 0;  // core 8-byte indexes of the per-component arrays (element i
  std::int32_t values2 = 0;  // at index + i); values2 differs only for kinematic viscosity
};

// SPPTRG: makes store TYPE of the current method set available in core; IERR 1 when the
// set has none.
using StoreLoad = void (*)(std::int32_t type, std::int32_t& ierr);
// SPCMPV: the blending data of property IPROP of the loaded store TYPE; IERR 1 when the
// store is not loaded or has no such property.
using StoreComponentValues = void (*)(std::int32_t type, std::int32_t iprop, StoreEntry& entry,
                                      std::int32_t& ierr);
// Frees the cached value block of property IPROP of store TYPE (its pointer set to no-core),
// so that the next SPCMPV reads it again.
using StoreForget = void (*)(std::int32_t type, std::int32_t iprop);

struct SpecialPropertyStore {
  StoreLoad load = nullptr;
  StoreComponentValues componentValues = nullptr;
  StoreForget forget = nullptr;
};

// Fills the slot (a store with null routines empties it); returns what it held.
SpecialPropertyStore fillSpecialPropertyStore(SpecialPropertyStore store);

// Through the slot; an empty slot gives IERR 1 (and forget does nothing).
void storeLoad(std::int32_t type, std::int32_t& ierr);
void storeComponentValues(std::int32_t type, std::int32_t iprop, StoreEntry& entry,
                          std::int32_t& ierr);
void storeForget(std::int32_t type, std::int32_t iprop);

// ---------------------------------------------------------------------------------------
// The kinematic-viscosity blend (SPKVIS, filled by the stream-property layer)
// ---------------------------------------------------------------------------------------

// The kinematic viscosity (cSt) at T (K) of the blend X of N components whose Walther
// constants are A and B, by blend METHOD on BASIS with parameters R1, R2. Returns 0 done.
using KinematicViscosityBlend = std::int32_t (*)(std::int32_t method, std::int32_t basis, double t,
                                                 std::span<const double> x,
                                                 std::span<const double> a,
                                                 std::span<const double> b, std::int32_t n,
                                                 double r1, double r2, double& value);

KinematicViscosityBlend fillKinematicViscosityBlend(KinematicViscosityBlend routine);

// Through the slot: returns 1 with VALUE unchanged when the slot is empty.
std::int32_t blendKinematicViscosity(std::int32_t method, std::int32_t basis, double t,
                                     std::span<const double> x, std::span<const double> a,
                                     std::span<const double> b, std::int32_t n, double r1,
                                     double r2, double& value);

// ---------------------------------------------------------------------------------------
// Single-precision water properties (VFWATR, filled by the flash and property calls)
// ---------------------------------------------------------------------------------------

// Property IWOPT (1-6) of pure water of phase IPHASE at T and P in unit set 5: the value
// and its temperature derivative, in single precision.
using WaterProperty = void (*)(std::int32_t iwopt, std::int32_t iphase, float t, float p,
                               float& value, float& derivative);

WaterProperty fillWaterProperty(WaterProperty routine);

// Through the slot: returns 1 with VALUE and DERIVATIVE unchanged when the slot is empty,
// else 0.
std::int32_t waterProperty(std::int32_t iwopt, std::int32_t iphase, float t, float p, float& value,
                           float& derivative);

}  // namespace phase
