// THCTL, the control block of the current method set: the default and current set, the
// core areas of the set block and of the set's own component block, and the water words.
// The method-set table TH of the problem database owns the areas' lifetime (it frees them
// at close); the method-set switch fills the rest; the derived stream records read the
// free-water component.
#pragma once

#include <array>
#include <cstdint>

#include "services/markers.hpp"

namespace problem {

// The current-set word of THCTL when no set is loaded: the next switch loads.
inline constexpr std::int32_t kNoCurrentSet = -1;

// THCTL: control block of the current method set. Word numbers of the 26-word block are
// given beside each field; words 9 to 20 are six 8-byte reals.
struct MethodSetControl {
  std::int32_t defaultSet = 0;                  // 1
  std::int32_t currentSet = 0;                  // 2: -1 after open, so the first switch loads
  std::int32_t setCount = 0;                    // 3
  std::int32_t blockArea = services::NOCORE;    // 4: core pointer of the set-block area
  std::int32_t blockLength = 0;                 // 5
  std::int32_t componentArea = services::NOCORE;  // 6: core pointer of the component block
  std::int32_t componentLength = 0;             // 7
  std::int32_t unused8 = 0;                     // 8
  double xwd = 0.0;   // 9-10: water mole fraction of a liquid in equilibrium with free water
  double ywd = 0.0;   // 11-12: water mole fraction of a water-saturated vapour
  std::array<double, 4> kvalueState{};  // 13-20: [0] the pressure word of the water routines
  std::int32_t idecnt = 0;          // 21: free-water component index, 0 = none
  std::int32_t waterComponent = 0;  // 22: water component number of the problem
  std::array<std::int32_t, 4> setHeader{};  // 23-26: set header words 2 to 5
};
extern MethodSetControl THCTL;

}  // namespace problem
