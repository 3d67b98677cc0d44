// The shared state words of the flashes (FLSTAT), the call counters of the general flash
// and of the isothermal router, the liquid shares of a two-liquid split, and the one seam
// through which the flashes ask for K-values. Included by flash.hpp.
#pragma once

#include <cstdint>
#include <span>

#include "services/one_based.hpp"

namespace flash {

// FLSTAT: the shared flash state words.
//   1  1 while a stream flash runs
//   3  1 suppresses the free-water component for one flash
//   5-8 the three option digits and the digit count that FLMSET returns: word 5 the K-value
//      mode KXFLAG (the hundreds digit of slot 1's option word), word 6 the algorithm
//      option IEOS
//   9  core index of the temperature word the phase totals use during a solids flash
//   11 1 when the last split came from DRICE
//   13 IHVDAT, the state of the stored-estimate block: 2 an estimate may be used, 1 used
//   14 IKVPNT, the 8-byte core index of the stored-estimate block (0: none)
inline constexpr std::size_t kFlashStateWords = 16;
struct FlashState {
  services::OneBased<std::int32_t, kFlashStateWords> words;

  std::int32_t& KXFLAG() { return words(5); }
  std::int32_t& IEOS() { return words(6); }
  std::int32_t& closedByDrice() { return words(11); }
  std::int32_t& IHVDAT() { return words(13); }
  std::int32_t& IKVPNT() { return words(14); }
};
extern FlashState FLSTAT;

// The call counters of FLASHG (NNFLSG) and FLASTP (NNFLST); each wraps to 0 when it reaches
// kCounterWrap, counting the wrap in FLCNTR (words 9 and 10).
inline constexpr std::int64_t kCounterWrap = 1000000000;
struct FlashCallCounters {
  std::int64_t NNFLSG = 0;
  std::int64_t NNFLST = 0;
};
extern FlashCallCounters flashCalls;

// MPFRC1, MPFRC2: the shares of liquid 1 and liquid 2 in the total liquid of the last
// two-liquid split, not positive when there is none. They are the shares the K-value
// engine's liquid-liquid route keeps.
double& MPFRC1();
double& MPFRC2();

// The stored-estimate block: 8-byte words r(1) T, r(4) P, r(7) FLIQHC, r(8) FWATER,
// r(9) FTOTLQ, r(10) FVAPOR, r(10 + i) the K-values. Writes those words at IKVPNT.
void storeEstimate(double t, double p, double fliqhc, double fwater, double ftotlq, double fvapor,
                   std::span<const double> k);

// ---------------------------------------------------------------------------------------
// The K-value seam
// ---------------------------------------------------------------------------------------

// The routine the flashes call for K-values: the K-value engine's KCALC unless a test has
// put a double in its place. Same arguments as KCALC.
using KValueRoutine = void (*)(std::int32_t nck, std::int32_t ncomp, std::span<const double> y,
                               std::span<const double> x, std::span<double> k, double t, double p,
                               double& zv, double& zl, std::int32_t& kccall, std::int32_t kcdrv,
                               std::int32_t kcopt, std::int32_t& ierr, std::int32_t reserved,
                               std::int32_t& ifugst);

// Calls the K-value routine and counts the call in kvalueCalls.
void flashKValues(std::int32_t nck, std::int32_t ncomp, std::span<const double> y,
                  std::span<const double> x, std::span<double> k, double t, double p, double& zv,
                  double& zl, std::int32_t& kccall, std::int32_t kcdrv, std::int32_t kcopt,
                  std::int32_t& ierr, std::int32_t reserved, std::int32_t& ifugst);

// K-value calls made by the flashes since the problem open.
std::int64_t kvalueCalls();

// While alive, the flashes call ROUTINE for their K-values.
class ScopedKValueRoutine {
 public:
  explicit ScopedKValueRoutine(KValueRoutine routine);
  ~ScopedKValueRoutine();
  ScopedKValueRoutine(const ScopedKValueRoutine&) = delete;
  ScopedKValueRoutine& operator=(const ScopedKValueRoutine&) = delete;

 private:
  KValueRoutine previous_;
};

}  // namespace flash
