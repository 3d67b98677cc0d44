// The totals of a flashed stream: the molar enthalpy with heat capacity and the molar
// entropy of each phase present (vapour, one or two hydrocarbon liquids, free water, two
// solid phases) written into the current stream's header, and the stream's molar enthalpy
// and entropy formed from them. Included by flash.hpp.
//
// Conventions: K, kPa, kJ/kmol, kJ/(kmol K). The stream is the one of pointer set 2; its
// header word h(k) is M(k) of the main record, its vapour, liquid and solid compositions
// are the vectors V2, V3 and V4.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "problem/streams.hpp"
#include "thermo/phase/phase_drivers.hpp"
#include "thermo/pure/correlations.hpp"
#include "thermo/pure/water.hpp"

namespace flash {

// Header words of the stream that the totals read and write.
namespace totals {
inline constexpr std::int32_t kTemperature = 1;
inline constexpr std::int32_t kPressure = 2;
inline constexpr std::int32_t kVapourZ = 7;  // compressibility factor of the vapour driver
inline constexpr std::int32_t kLiquidZ = 8;  // compressibility factor of the liquid driver
inline constexpr std::int32_t kRate = 11;
inline constexpr std::int32_t kEnthalpy = 12;
inline constexpr std::int32_t kEntropy = 13;
inline constexpr std::int32_t kWaterFraction = 14;
inline constexpr std::int32_t kWaterEnthalpy = 15;
inline constexpr std::int32_t kWaterEntropy = 16;
inline constexpr std::int32_t kWaterHeatCapacity = 17;
inline constexpr std::int32_t kVapourResidual = 18;  // (H - H ideal)/(R T) of the vapour
inline constexpr std::int32_t kVapourFraction = 19;
inline constexpr std::int32_t kVapourEnthalpy = 20;
inline constexpr std::int32_t kVapourEntropy = 21;
inline constexpr std::int32_t kVapourHeatCapacity = 22;
inline constexpr std::int32_t kLiquidFraction = 25;
inline constexpr std::int32_t kLiquidEnthalpy = 26;
inline constexpr std::int32_t kLiquidEntropy = 27;
inline constexpr std::int32_t kLiquidHeatCapacity = 28;
inline constexpr std::int32_t kSolidFraction = 31;
inline constexpr std::int32_t kSolidEnthalpy = 32;
inline constexpr std::int32_t kSolidEntropy = 33;
inline constexpr std::int32_t kSolidHeatCapacity = 34;
inline constexpr std::int32_t kSecondSolidRate = 35;
inline constexpr std::int32_t kSecondSolidEnthalpy = 36;
inline constexpr std::int32_t kSecondSolidEntropy = 37;
inline constexpr std::int32_t kSecondSolidWord = 38;  // the heat capacity of the second solid
}  // namespace totals

// Messages of the totals.
inline constexpr std::int32_t kMessageSolidInLiquid = 1030001098;  // integer 1: component
inline constexpr std::int32_t kMessageSolidStopsTheRun = 1990020005;

// The TIMST2 slot of HTOTFL.
inline constexpr std::size_t kTimingSlotHTOTFL = 17;

// The liquid-split exchange words: which liquid the liquid driver is evaluating (1 or 2)
// and whether it is the second liquid of a split (0 or 1). Set before each liquid
// evaluation of the totals, cleared at their start.
struct LiquidSplitWords {
  std::int32_t liquidNumber = 0;
  std::int32_t secondLiquid = 0;
};
extern LiquidSplitWords liquidSplitWords;

// The phase routines the totals call: the phase drivers, the water properties and the
// solid correlations of the lower layers, unless a test has put doubles in their place.
struct PhaseTotalRoutines {
  decltype(&phase::HVAPDR) vapourEnthalpy = &phase::HVAPDR;
  decltype(&phase::HLIQDR) liquidEnthalpy = &phase::HLIQDR;
  decltype(&phase::SVAPDR) vapourEntropy = &phase::SVAPDR;
  decltype(&phase::SLIQDR) liquidEntropy = &phase::SLIQDR;
  decltype(&pure::WPROP) water = &pure::WPROP;
  decltype(&pure::XPCALC) correlation = &pure::XPCALC;
  decltype(&pure::XPMIX1) firstSolidEntropy = &pure::XPMIX1;
  decltype(&pure::XPMIX2) secondSolidEntropy = &pure::XPMIX2;
};

// While alive, the totals call ROUTINES.
class ScopedPhaseTotalRoutines {
 public:
  explicit ScopedPhaseTotalRoutines(const PhaseTotalRoutines& routines);
  ~ScopedPhaseTotalRoutines();
  ScopedPhaseTotalRoutines(const ScopedPhaseTotalRoutines&) = delete;
  ScopedPhaseTotalRoutines& operator=(const ScopedPhaseTotalRoutines&) = delete;

 private:
  PhaseTotalRoutines previous_;
};

// HTOTFL: enthalpy and heat capacity of each phase of the current stream and its molar
// enthalpy h(12) = (FL h(26) + FW h(15) + FV h(20) + FS h(32)) h(11) / h(11) (the sum
// itself when h(11) is 0.0). A phase whose fraction is not positive is not evaluated and
// keeps 0.0. With a liquid-liquid K-value method and a positive first-liquid share the two
// liquids are evaluated apart and h(26), h(28) are their share-weighted sums; the free
// water is evaluated beside them. The second solid's enthalpy h(36) is not added.
//   ierr  out  0; 1 when a phase driver failed or a solid-forming component sits in a
//              liquid whose enthalpy method cannot treat it (message 1030001098); the
//              results of the other phases are still written
// Aborts: message 1990020005 (after 1030001098) for a solid-forming component in a single
// hydrocarbon liquid; those of the phase drivers and correlations.
void HTOTFL(std::int32_t& ierr);

// STOTFL: entropy of each phase of the current stream and its molar entropy h(13), as
// HTOTFL; the second solid's entropy h(37) is not added. A stream of rate 0.0 or less gets
// 0.0 in every entropy word (h(37) too when h(35) is not positive).
//   ierr  out  0; 1 as HTOTFL, but a solid-forming component in a liquid only reports
//              message 1030001098. A phase driver that gave no entropy leaves 0.0 in its
//              phase word and in h(13), the stream's molar entropy.
// Aborts: those of the phase drivers and correlations.
void STOTFL(std::int32_t& ierr);

// HSOLD1, HSOLD2: the enthalpy of a solid phase, summed over components FIRST..LAST from
// their solid-enthalpy correlations (type 311 in the set MTSETN gives for it).
//   first, last  in   the component range (1-based)
//   t, p         in   K, kPa
//   w            in   the weights, w[0] for component FIRST
//   h, cp        out  sum of w(i) H(i) and of w(i) dH(i)/dT
// HSOLD1 also runs the empty external-method hook when the K-value method asks for it.
void HSOLD1(std::int32_t first, std::int32_t last, double t, double p, std::span<const double> w,
            double& h, double& cp);
void HSOLD2(std::int32_t first, std::int32_t last, double t, double p, std::span<const double> w,
            double& h, double& cp);

// The main-record words HTOTFL writes: the phase compressibility factors, the enthalpies and
// heat capacities h(7), h(8), h(12), h(15), h(17), h(18), h(20), h(22), h(26), h(28), h(32),
// h(34), h(36), h(38).
inline constexpr std::array<std::int32_t, 14> kEnthalpyWords{7,  8,  12, 15, 17, 18, 20,
                                                             22, 26, 28, 32, 34, 36, 38};

// COPYV: copies the enthalpy words (kEnthalpyWords) of the main record SRC into DST, as after
// an enthalpy evaluated on a solids save-stream the stream's own record takes its results.
void COPYV(const problem::MainRecord& src, problem::MainRecord& dst);

}  // namespace flash
