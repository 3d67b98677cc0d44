// THCTL, the control block of the current method set: the default and current set, the
// core areas of the set block and of the set's own component block, and the water words.
// The method-set table TH of the problem database owns the areas' lifetime (it frees them
// at close); the method-set switch fills the rest; the derived stream records read the
// free-water component.
#pragma once

#include <cstdint>

#include "services/markers.hpp"

namespace problem {

// The current-set word of THCTL when no set is loaded: the next switch loads.
inline constexpr std::int32_t kNoCurrentSet = -1;

// THCTL: control block of the current method set. Word numbers of the 26-word block are
// given beside each field; words 9 to 20 are six 8-byte reals. The set switch clears XWD and
// YWD; the K-value routines and the phase drivers write words 9 to 20.
struct MethodSetControl {
  std::int32_t defaultSet = 0;                    // 1
  std::int32_t currentSet = 0;                    // 2: -1 after open, so the first switch loads
  std::int32_t setCount = 0;                      // 3
  std::int32_t blockArea = services::NOCORE;      // 4: core pointer of the set-block area
  std::int32_t blockLength = 0;                   // 5
  std::int32_t componentArea = services::NOCORE;  // 6: core pointer of the component block
  std::int32_t componentLength = 0;               // 7
  std::int32_t unused8 = 0;                       // 8
  // 9-10: XWD, the solubility s of water in the hydrocarbon liquid (mole fraction of water
  // in a liquid beside free water); the water K-value is YWD/XWD.
  double xwd = 0.0;
  // 11-12: YWD, the free-water K-value Pw/P/phi (water mole fraction of a vapour saturated
  // with water).
  double ywd = 0.0;
  // 13-14: the non-water partial pressure of the current evaluation, kPa (the pressure word
  // of the water routines).
  double partialPressure = 0.0;
  double liquidNonWaterFraction = 0.0;    // 15-16: of the liquid whose K-values are formed
  double waterVapourPressure = 0.0;       // 17-18: Pw of the last water K-value, kPa
  double waterVapourPressureSlope = 0.0;  // 19-20: dPw/dT, kPa/K
  std::int32_t idecnt = 0;                // 21: free-water component index, 0 = none
  std::int32_t waterComponent = 0;        // 22: water component number of the problem
  // 23-26: set header words 2 to 5.
  std::int32_t waterOption = 0;              // 23: the water-handling option (below)
  std::int32_t waterPropertyMethod = 0;      // 24: first water-property option (WPROP method)
  std::int32_t waterPropertyCorrection = 0;  // 25: second water-property option
  std::int32_t noFreeWater = 0;              // 26: 1 the set has no free-water component
};
extern MethodSetControl THCTL;

// The water-handling options of THCTL.waterOption: 0 or 1 the solubility of water from the
// hydrocarbon correlation, 2 from the temperature correlation, 3 free water beside the
// equilibrium water (water stays in the normalisation; s = 1), 4 and above no solubility
// correlation (s = 1), 5 also no water vapour pressure (Kw = 0).
inline constexpr std::int32_t kWaterFromTemperature = 2;
inline constexpr std::int32_t kFreeWaterBesideEquilibrium = 3;
inline constexpr std::int32_t kNoSolubilityCorrelation = 4;
inline constexpr std::int32_t kNoWaterVapourPressure = 5;

}  // namespace problem
