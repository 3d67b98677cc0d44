// The phase density drivers of a stream: the vapour (dry and wet) and the liquid (hydrocarbon,
// whole and with dissolved water) molar densities at the stream's own state by the density
// methods of the current set, with the compressibility factors they leave in the stream
// record; and the positions of the two-liquid results in record type 3.
//
// Units: kmol/m3; R = 8.314471 kJ/(kmol K). Stream words (main record M(k)): 1 T (K), 2 P
// (kPa), 3 start value of the vapour compressibility, 9 vapour compressibility (written), 10
// liquid compressibility (written), 14 free-water fraction, 19 vapour fraction, 25 hydrocarbon
// liquid fraction; vectors V2 vapour and V3 liquid composition.
#pragma once

#include <array>
#include <cstdint>

namespace phase {

// Status of DVAPDR: 0, kZeroCompressibility, or the paging status of the stored densities.
inline constexpr std::int32_t kZeroCompressibility = 99;

// Status of DLIQDR.
inline constexpr std::int32_t kLiquidDensityOk = 0;
inline constexpr std::int32_t kLiquidMethodUnsupported = 2;  // DNLIQ status 2
inline constexpr std::int32_t kNoLiquid = 3;                 // LW + LHC <= 0: nothing computed
inline constexpr std::int32_t kLiquidMethodFailed = 4;       // DNLIQ status 1

// DVAPDR: the vapour of stream N.
//   rhod out  dry vapour (water left out); DMISS when the method gave Z = 0 or was not run
//   rhow out  wet vapour (water included)
//   fdry out  (1 - xW) VF; fvap out VF
//   ierr out  0, kZeroCompressibility, or the paging status (stored densities)
// Leaves stream N current in pointer set 1; pointer set 2 as it was.
void DVAPDR(std::int32_t n, double& rhod, double& rhow, double& fdry, double& fvap,
            std::int32_t& ierr);

// DLIQDR: the liquid of stream N.
//   rhohc out  hydrocarbon liquid without water (DNLIQ)
//   rhol  out  whole liquid (hydrocarbon liquid and free water)
//   rhohw out  hydrocarbon liquid with its dissolved water
//   fhcd  out  FRAC LHC; fl out LW + LHC; fhc out LHC
//   ierr  out  kLiquidDensityOk, kLiquidMethodUnsupported, kNoLiquid, kLiquidMethodFailed
// Leaves stream N current in pointer set 1; pointer set 2 as it was.
// Stops the run (messages 1030001098, 1990020005) when a component beyond the property-loop
// count is present in the liquid of an equation-of-state, BWR-type or corresponding-states
// density method.
void DLIQDR(std::int32_t n, double& rhohc, double& rhol, double& rhohw, double& fhcd, double& fl,
            double& fhc, std::int32_t& ierr);

// WKOFFW: the 8-byte positions of the two liquids' results in record type 3 of the current
// stream (element i of a vector at position + i), valid while the record stays in core.
struct TwoLiquidPositions {
  // [liquid][k]: vector k + 1 (1 the composition, 2-5 further vectors).
  std::array<std::array<std::int32_t, 5>, 2> vectors{};
  // [liquid][j]: scalar j + 1 (1 amount, 4 compressibility, 5 the entropy driver's
  // compressibility, 6 entropy, 7 density); the position itself (not a start).
  std::array<std::array<std::int32_t, 7>, 2> scalars{};
  std::int32_t integers = 0;  // copied: the record's integer sector
  std::int32_t last = 0;      // copied: its last real sector
};
extern TwoLiquidPositions WKOFFW;

// WKOFFS: fills WKOFFW from the layout words of record type 3 (SRLAYT).
void WKOFFS();

}  // namespace phase
