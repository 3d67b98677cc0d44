// The flash algorithms that are not built yet, and the algorithm seam. Each placeholder
// reports failure, so that the router falls back on FLASHT.
#include <cstdint>
#include <span>

#include "flash/algorithms.hpp"

namespace flash {
namespace {

FlashAlgorithms current;

}  // namespace

void FLAS3P(IsothermalFlash& a, const ThreePhaseWork&, std::int32_t&) { a.IFFAIL = kFlashFailed; }

void FLS3W1(IsothermalFlash& a, const FreeWaterWork&, std::int32_t&) { a.IFFAIL = kFlashFailed; }

void FLASGB(IsothermalFlash& a) { a.IFFAIL = kFlashFailed; }

const FlashAlgorithms& flashAlgorithms() { return current; }

void fillMultiphaseAlgorithms(void (*flas3p)(IsothermalFlash&, const ThreePhaseWork&,
                                             std::int32_t&),
                              void (*fls3w1)(IsothermalFlash&, const FreeWaterWork&, std::int32_t&),
                              void (*flasgb)(IsothermalFlash&)) {
  current.flas3p = flas3p != nullptr ? flas3p : &FLAS3P;
  current.fls3w1 = fls3w1 != nullptr ? fls3w1 : &FLS3W1;
  current.flasgb = flasgb != nullptr ? flasgb : &FLASGB;
}

ScopedFlashAlgorithms::ScopedFlashAlgorithms(const FlashAlgorithms& replacement)
    : previous_(current) {
  current = replacement;
}
ScopedFlashAlgorithms::~ScopedFlashAlgorithms() { current = previous_; }

}  // namespace flash
