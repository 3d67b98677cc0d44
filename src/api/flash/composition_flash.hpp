// The flash of a composition: the host names a stream of the open problem, whose method set
// is used, and hands over a composition, a flash type and the state it fixes, in its units.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace api_flash {

// Statuses of VFLASH (a positive value is the error of a failed listing open).
inline constexpr std::int32_t kFlashNoAmount = -1;        // sum of COMPIN not above 0
// -2: a blank or unknown identifier, or no open problem.
inline constexpr std::int32_t kFlashUnknownStream = -2;
// -4: NCOMP not the stream-vector count, above kMostFlashComponents, or beyond an array.
inline constexpr std::int32_t kFlashComponentCount = -4;
// -(100 + e): UFLSH status e; -101 also for an answer no flash can give (a temperature or
// pressure not above 0, a fraction outside 0 to 1, an output that is no finite number).
inline constexpr std::int32_t kFlashBase = -100;
inline constexpr std::int32_t kFlashBadType = -102;       // type below 1 or above 12
// -101: also an input the type reads that is not finite or out of its range, and a state that
// does not give the enthalpy or entropy asked for (the flash failed to reach it).
inline constexpr std::int32_t kFlashBadInput = -101;
inline constexpr std::int32_t kFlashBubbleBase = -150;    // type 12: the bubble point for HMIN
inline constexpr std::int32_t kFlashDewBase = -250;       // type 12: the dew point for HMAX
inline constexpr std::int32_t kFlashVapourEntropy = -200; // -(200 + e): PHPROP status e
inline constexpr std::int32_t kFlashLiquidEntropy = -300;  // -(300 + e); -303 also for a free
                                                           // water entropy that is no number

// The most components the flash calls take.
inline constexpr std::int32_t kMostFlashComponents = 200;

// Flash types of VFLASH: those of UFLSH and the flash to a vapour fraction.
inline constexpr std::int32_t kVapourFractionFlash = 12;

// What the host hands over besides the identifier and the composition.
struct FlashRequest {
  double tempin = 0.0;  // temperature, host unit set 4 (types 1, 2, 4, 6, 8, 10)
  double presin = 0.0;  // pressure, 1000 x set 4 (types 1, 3, 5, 7, 9, 11, 12)
  double vfrac = 0.0;   // type 12: target vapour fraction
  double enthin = 0.0;  // types 2, 3: feed molar enthalpy, 1000 x set 4
  double entrin = 0.0;  // types 8, 9: feed molar entropy, 1000 x set 4
  std::int32_t iftype = 0;  // 1-12
  std::int32_t ncomp = 0;   // the problem's component count
  std::int32_t iesti = 0;   // type 12: 0 finds HMIN and HMAX by bubble- and dew-point flashes
  double hmin = 0.0;        // type 12: limits of the feed molar enthalpy, as ENTHIN
  double hmax = 0.0;
  std::int32_t maxit = 0;   // type 12: limit on the flashes (absolute value)
  double tol = 0.0;         // type 12: tolerance on the vapour fraction
};

// What the flash returns.
struct FlashResults {
  double tempot = 0.0;  // temperature, set 4
  double presot = 0.0;  // pressure, 1000 x set 4
  double enthv = 0.0, enthl = 0.0, enthw = 0.0;  // molar enthalpies, 1000 x set 1
  double entrv = 0.0, entrl = 0.0, entrw = 0.0;  // molar entropies, set 1 x 1000
  double fracv = 0.0, fracl = 0.0, fracw = 0.0;  // phase fractions of the feed
  std::span<double> compV, compL, compW;         // NCOMP mole fractions of each phase
};

// VFLASH: flashes the composition COMPIN in the method set of the stream STRMID.
//   idebug  in      1 or more writes the listing "VFlash.txt" in the working directory
//   strmid  in      identifier of a stream of the open problem
//   in      in      the flash type and its variables (FlashRequest)
//   compin  in/out  NCOMP amounts or fractions, normalised in place
//   out     out     the results (FlashResults); 0.0 where a failure leaves them unformed.
//                   Free water or, after a liquid-liquid split, the second liquid fill the
//                   water words; ENTRW is the free water's entropy, 0.0 without free water.
//   ierr    out     0 or one of the statuses above
void VFLASH(std::int32_t idebug, std::string_view strmid, const FlashRequest& in,
            std::span<double> compin, FlashResults& out, std::int32_t& ierr);

}  // namespace api_flash
