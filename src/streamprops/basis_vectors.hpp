// Component-range totals and basis vectors: the composition of one phase of a stream in a
// work vector with the amount of that phase (SPBASE), sums of a range of such a vector
// weighted by a component constant, with and without a reference component (SPCUMP), the
// component code of a component number (WKALOC), and the actual volume flows of the
// vapour and liquid of a stream (SRPHTO).
//
// Conventions: component vectors are indexed by position (1-based) in component list 1;
// their first NCMOL entries are molar amounts, those beyond it mass fractions of the
// mass-based part of the stream. Internal units throughout.
#pragma once

#include <cstdint>
#include <span>

#include "storage/core_store.hpp"

namespace streamprops {

// Phase selectors of SPBASE (and of word 10 of a property request).
enum class PhaseBasis : std::int32_t {
  Whole = 0,
  Vapour = 1,
  TotalLiquid = 2,  // hydrocarbon liquid and free water
  Solid = 3,
  HydrocarbonLiquid = 12,
  FreeWater = 22,
};

// Bases of SPCUMP: the component constant p and what the weighted sums hold.
enum class SumBasis : std::int32_t {
  Moles = 0,              // no constant: mole sums only (weighted sums 1.0)
  MolecularWeight = 1,    // x p; entries beyond NCMOL summed apart as the mass-based part
  SpecificGravity = 2,    // mass / volume
  LiquidDensity = 3,      // mass / volume x 999.014 (kg/m3)
  ApiGravity = 4,         // 141.5 / (mass / volume) - 131.5
  LiquidMolarVolume = 5,  // x MW / SG / 999.014 (m3/kmol)
  CriticalTemperature = 101,
  CriticalPressure = 102,
  CriticalCompressibility = 103,
  AcentricFactor = 104,
  NormalBoilingPoint = 105,
};

// Density of water at 60 F (kg/m3) by which a specific gravity becomes a standard liquid
// density; the value the stored specific gravities were reduced with.
inline constexpr double kWaterDensity60F = 999.014;

// The leading molar entries of the stream vectors (NCMOL, word 3 of COHDR).
std::int32_t molarCount();

// The results of SPCUMP.
struct RangeSums {
  double sdry = 0.0;   // weighted sum (or average) without the reference component
  double swet = 0.0;   // weighted sum (or average) over the range
  double tdry = 0.0;   // sum of x without the reference component
  double twet = 0.0;   // sum of x over the range
  double tmass = 0.0;  // sum of the mass-based entries (basis 1 only)
};

// SPBASE: the composition of phase BASIS (mod 100) of the stream current in pointer set 1
// in a new work vector of NCSTR reals of the core store.
//   basis   in   PhaseBasis; any other value leaves the vector at 0.0 and AMOUNT unwritten
//   iwork   out  the work vector's handle (its 8-byte index); the caller frees it with
//                storage::CMFRER when it is above 0
//   ptr     out  its start: element i is the 8-byte real W(ptr + i)
//   amount  out  molar amount of the phase (total rate times the phase fraction)
//   mrate   out  rate of the mass-based part (whole stream and solid), else 0.0
//   noflag  in   0 normalises the first NCMOL entries to sum 1; any other value leaves the
//                amounts as copied
// Aborts: the core store's "INSUFFICIENT STORAGE AVAILABLE FOR GET" when no core is left.
void SPBASE(std::int32_t basis, std::int32_t& iwork, std::int32_t& ptr, double& amount,
            double& mrate, std::int32_t noflag);

// SPCUMP: sums over a range of a composition vector.
//   basis   in   SumBasis; any other value, or a basis whose constants the component table
//                does not hold in core, gives zero sums
//   first   in   first of the range, last  in  last of the range
//   iref    in   position of the reference component (0: none)
//   x       in   the composition by position
//   noflag  in   0: bases 1, 5 and 101-105 turn their weighted sums into averages (divided
//                by the matching total when it is above 0.0); 1: every basis but 0 returns
//                its totals as 1.0; any other value does neither
//   icode   in   0: FIRST to LAST are positions; 1: component codes, each mapped to its
//                position in component list 1 or 2 (a code neither list holds, or a
//                position outside X, is skipped)
// Every division is guarded: a total or volume not above 0.0 leaves the sum unscaled (or
// the ratio 0.0). No failure.
RangeSums SPCUMP(SumBasis basis, std::int32_t first, std::int32_t last, std::int32_t iref,
                 const storage::RealView& x, std::int32_t noflag, std::int32_t icode);
RangeSums SPCUMP(SumBasis basis, std::int32_t first, std::int32_t last, std::int32_t iref,
                 std::span<const double> x, std::int32_t noflag, std::int32_t icode);

// WKALOC: the component code of component number N (the third data word of entry N of the
// component name index); 0 when N is below 1 or the index has no such entry.
std::int32_t WKALOC(std::int32_t n);

// SRPHTO: the actual volume flows of the stream current in pointer set 2 (rate over molar
// density), 0.0 unless the rate is above 0.0.
//   vtot1, vtot2  out  vv1 + vl1, vv2 + vl2
//   vv1, vv2      out  vapour: dry (water left out), wet
//   vl1, vl2      out  liquid: hydrocarbon liquid, whole liquid with free water
//   ierr          out  0, or the status of the density drivers (vapour, then liquid)
// Counted and timed under the diagnostic switches.
void SRPHTO(double& vtot1, double& vtot2, double& vv1, double& vv2, double& vl1, double& vl2,
            std::int32_t& ierr);

}  // namespace streamprops
